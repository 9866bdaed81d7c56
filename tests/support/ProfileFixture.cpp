// ProfileFixture.cpp - options and a profile written the way the program stores them.
#include "tests/support/ProfileFixture.h"

#include "framework/core/AppObject.h"
#include "framework/core/TextUtil.h"

#include <windows.h>

#include <time.h>

Rule TitleRule(const char* name, const char* caption, uint8_t compare)
{
    Rule r;
    InitRule(&r);
    CopyText(r.name, sizeof(r.name), name);
    SET_RULE_TEXT(&r, caption, caption);
    r.cmpcaption = compare;
    r.cmpwndclss = CMP_ANY;
    r.cmpprogram = CMP_ANY;
    r.time = (int64_t)_time64(nullptr);
    return r;
}

bool WriteTestProfile(const std::string& dataFolder, const std::vector<Rule>& rules)
{
    return WriteTestProfile(dataFolder, rules, [](Profile*) {});
}

bool WriteTestProfile(const std::string& dataFolder, const std::vector<Rule>& rules,
                      const std::function<void(Profile*)>& fill)
{
    CreateDirectoryA(dataFolder.c_str(), nullptr);
    CopyText(g_app.dataFolder, sizeof(g_app.dataFolder), dataFolder.c_str());
    SerializeOptions(0);
    Options.bMonLogToFile = 1;
    bool ok = SerializeOptions(1);
    Profile p = {};
    ok = ok && InitProfile(&p, true);
    if (ok) {
        CopyText(p.szGenName, sizeof(p.szGenName), "Test");
        for (const Rule& r : rules) ok = ok && ArrayAppend(p.pRules, &r) >= 0;
        fill(&p);
        ok = ok && SerializeProfile(1, (dataFolder + "\\Profile0.zpx").c_str(), &p, false);
    }
    FreeProfileLists(&p);
    g_app.dataFolder[0] = '\0';
    return ok;
}

bool ReadTestProfile(const std::string& dataFolder, Profile* profile)
{
    CopyText(g_app.dataFolder, sizeof(g_app.dataFolder), dataFolder.c_str());
    *profile = Profile{};
    bool ok = SerializeProfile(0, (dataFolder + "\\Profile0.zpx").c_str(), profile, false);
    g_app.dataFolder[0] = '\0';
    return ok;
}
