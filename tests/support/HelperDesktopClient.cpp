// HelperDesktopClient.cpp - drives helperdesktop.exe through its pipes.
#include "tests/support/HelperDesktopClient.h"

#include <stdio.h>
#include <stdlib.h>

bool StartHelperDesktop(TestWindow* helper, const std::vector<HelperIcon>& icons, bool decoy,
                        const std::string& lies)
{
    std::string args = (decoy ? "--decoy " : "") + lies;
    for (const HelperIcon& i : icons)
        args += " --item \"" + i.name + "\" " + std::to_string(i.x) + " " + std::to_string(i.y);
    return StartPipedProgram(helper, "helperdesktop.exe", args);
}

// Splits "ok <n>\t<name>\t<x>\t<y>..." into icons.
bool ReadHelperIcons(TestWindow* helper, std::vector<HelperIcon>* icons)
{
    std::string reply;
    if (!PipedStep(helper, "report", &reply) || reply.compare(0, 3, "ok ") != 0) return false;
    std::vector<std::string> parts;
    size_t at = 0;
    for (;;) {
        size_t tab = reply.find('\t', at);
        parts.push_back(reply.substr(at, tab == std::string::npos ? std::string::npos : tab - at));
        if (tab == std::string::npos) break;
        at = tab + 1;
    }
    long n = atol(parts[0].c_str() + 3);
    if (n < 0 || parts.size() != (size_t)(1 + 3 * n)) return false;
    icons->clear();
    for (long i = 0; i < n; i++)
        icons->push_back(HelperIcon{parts[1 + 3 * i], atol(parts[2 + 3 * i].c_str()), atol(parts[3 + 3 * i].c_str())});
    return true;
}

bool ReadHelperCounts(TestWindow* helper, HelperCounts* counts)
{
    std::string reply;
    return PipedStep(helper, "counts", &reply) &&
           sscanf(reply.c_str(), "ok text=%ld set=%ld held=%ld", &counts->text, &counts->set, &counts->held) == 3;
}

bool HelperIconAt(TestWindow* helper, size_t index, HelperIcon* icon)
{
    std::vector<HelperIcon> icons;
    if (!ReadHelperIcons(helper, &icons) || index >= icons.size()) return false;
    *icon = icons[index];
    return true;
}
