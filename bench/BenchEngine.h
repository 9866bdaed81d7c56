// BenchEngine.h - the program as the benchmarks run it: a data folder with a
// profile whose one rule places the "Bench Window" windows, and a disabled
// profile; started and quit as a user would.
#pragma once

#include "bench/BenchHosts.h"
#include "bench/BenchWindows.h"
#include "engine/OptionsRecord.h"
#include "engine/ProfileRecord.h"
#include "framework/core/AppObject.h"
#include "framework/core/TextUtil.h"
#include "installer/InstallRegistry.h"

#include <string>

// Where the rule puts the bench windows.
static const RECT kBenchTarget = {400, 300, 1040, 780};

// Data folder with the profiles ("Bench" current, "Quiet" second), and the
// installation record that points to it.
inline bool PrepareBenchEngine(const std::string& root)
{
    std::string data = root + "\\data";
    CreateDirectoryA(root.c_str(), nullptr);
    CreateDirectoryA(data.c_str(), nullptr);
    CopyText(g_app.dataFolder, sizeof(g_app.dataFolder), data.c_str());
    SerializeOptions(0);
    if (!SerializeOptions(1)) return false;
    Profile p = {};
    if (!InitProfile(&p, true)) return false;
    CopyText(p.szGenName, sizeof(p.szGenName), "Bench");
    Rule r;
    InitRule(&r);
    CopyText(r.name, sizeof(r.name), "Bench windows");
    r.level = 1;
    CopyText(r.caption, sizeof(r.caption), "Bench Window");
    r.captionlen = 12;
    r.cmpcaption = CMP_STARTS_WITH;
    r.cmpwndclss = CMP_ANY;
    r.cmpprogram = CMP_ANY;
    r.moveto = 1;
    r.x = kBenchTarget.left;
    r.y = kBenchTarget.top;
    r.sizeto = 1;
    r.w = kBenchTarget.right - kBenchTarget.left;
    r.h = kBenchTarget.bottom - kBenchTarget.top;
    ArrayAppend(p.pRules, &r);
    bool ok = SerializeProfile(1, (data + "\\Profile0.zpx").c_str(), &p, false);
    // A second, disabled profile: while it is the current one, passes apply nothing.
    CopyText(p.szGenName, sizeof(p.szGenName), "Quiet");
    p.bGenEnabled = 0;
    ok = ok && SerializeProfile(1, (data + "\\Profile1.zpx").c_str(), &p, false);
    FreeProfileLists(&p);
    InstallRecord record;
    MakeInstallRecord(&record, root.c_str(), data.c_str(), false);
    record.updateAddress[0] = '\0';   // the measured start checks for no update
    return ok && WriteInstallRecordValue("PanelShepherd", &record, sizeof(record)) == 0;
}

inline void BenchSettle(double ms)
{
    BenchWaitMessages(ms);
}

// Starts the program from the benchmark's folder and waits until it is up.
inline bool StartBenchEngine(const std::string& bin, PROCESS_INFORMATION* engine)
{
    if (!StartBenchChild("\"" + bin + "\\PanelShepherd.exe\" -MINIMIZE", engine)) return false;
    double end = NowMs() + 20000;
    while (NowMs() < end) {
        if (FindWindowA("ZRPPhantom", "PanelShepherd")) return true;
        BenchWaitMessages(5);
    }
    return false;
}

inline void QuitBenchEngine(const std::string& bin, PROCESS_INFORMATION* engine)
{
    PROCESS_INFORMATION quit = {};
    if (StartBenchChild("\"" + bin + "\\PanelShepherd.exe\" -QUIT", &quit)) EndBenchChild(&quit, 10000);
    EndBenchChild(engine, 10000);
}
