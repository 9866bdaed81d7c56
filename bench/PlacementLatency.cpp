// PlacementLatency.cpp - from a window's show to its final rectangle, for the
// engine with one rule and for a baseline that moves windows as soon as told.
//   bench_latency [count]
#include "bench/BenchWindows.h"
#include "engine/OptionsRecord.h"
#include "engine/ProfileRecord.h"
#include "framework/core/AppObject.h"
#include "framework/core/TextUtil.h"
#include "installer/InstallRegistry.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

static const RECT kStart = {60, 60, 360, 260};
static const RECT kTarget = {400, 300, 1040, 780};

static std::string BinFolder()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, sizeof(path));
    *strrchr(path, '\\') = '\0';
    return path;
}

static bool StartChild(const std::string& line, PROCESS_INFORMATION* pi)
{
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    std::string l = line;
    return CreateProcessA(nullptr, &l[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, pi) != 0;
}

static void EndChild(PROCESS_INFORMATION* pi, DWORD ms)
{
    if (WaitForSingleObject(pi->hProcess, ms) != WAIT_OBJECT_0) TerminateProcess(pi->hProcess, 1);
    CloseHandle(pi->hProcess);
    CloseHandle(pi->hThread);
}

static bool WaitFor(bool (*done)(void*), void* ctx, DWORD ms)
{
    double end = NowMs() + ms;
    while (NowMs() < end) {
        BenchPump();
        if (done(ctx)) return true;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
    }
    return false;
}

static bool AtTarget(void* w)
{
    RECT r;
    return GetWindowRect((HWND)w, &r) && EqualRect(&r, &kTarget);
}

static std::vector<double> Measure(int count)
{
    std::vector<double> out;
    for (int i = 0; i < count; i++) {
        char title[64];
        FormatText(title, sizeof(title), "Bench Window %d", i);
        HWND w = CreateBenchWindow(title, kStart.left, kStart.top, kStart.right - kStart.left,
                                   kStart.bottom - kStart.top, false);
        double t0 = NowMs();
        ShowWindow(w, SW_SHOWNOACTIVATE);
        WakePlacer();
        bool placed = WaitFor(AtTarget, w, 5000);
        double t = NowMs() - t0;
        if (placed) out.push_back(t);
        DestroyWindow(w);
        WakePlacer();
        double settle = NowMs() + 30;
        while (NowMs() < settle) BenchPump(), Sleep(1);
    }
    return out;
}

static bool ControlWindowUp(void*)
{
    return FindWindowA("ZRPPhantom", "PanelShepherd") != nullptr;
}

// Data folder with one rule for the bench windows, and the installation record.
static bool PrepareEngine(const std::string& root)
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
    r.x = kTarget.left;
    r.y = kTarget.top;
    r.sizeto = 1;
    r.w = kTarget.right - kTarget.left;
    r.h = kTarget.bottom - kTarget.top;
    ArrayAppend(p.pRules, &r);
    bool ok = SerializeProfile(1, (data + "\\Profile0.zpx").c_str(), &p, false);
    FreeProfileLists(&p);
    InstallRecord record;
    MakeInstallRecord(&record, root.c_str(), data.c_str(), false);
    record.updateAddress[0] = '\0';   // the measured start checks for no update
    return ok && WriteInstallRecordValue("PanelShepherd", &record, sizeof(record)) == 0;
}

static void Report(const char* what, const std::vector<double>& v, int count)
{
    printf("%-10s placed %2d/%d  p50 %7.2f ms  p99 %7.2f ms\n", what, (int)v.size(), count, Percentile(v, 0.5),
           Percentile(v, 0.99));
}

int main(int argc, char** argv)
{
    int count = argc > 1 ? atoi(argv[1]) : 50;
    std::string bin = BinFolder();
    std::string root = bin + "\\..\\bench-data";

    PROCESS_INFORMATION mover = {};
    char line[256];
    FormatText(line, sizeof(line), "\"%s\\baseline_mover.exe\" %ld %ld %ld %ld", bin.c_str(), kTarget.left,
               kTarget.top, kTarget.right - kTarget.left, kTarget.bottom - kTarget.top);
    if (!StartChild(line, &mover)) return 1;
    Sleep(500);
    std::vector<double> baseline = Measure(count);
    TerminateProcess(mover.hProcess, 0);
    EndChild(&mover, 2000);

    if (!PrepareEngine(root)) {
        fprintf(stderr, "cannot prepare the engine's data folder\n");
        return 1;
    }
    PROCESS_INFORMATION engine = {};
    if (!StartChild("\"" + bin + "\\PanelShepherd.exe\" -MINIMIZE", &engine)) return 1;
    if (!WaitFor(ControlWindowUp, nullptr, 20000)) return 1;
    double settle = NowMs() + 500;
    while (NowMs() < settle) BenchPump(), Sleep(5);
    std::vector<double> measured = Measure(count);
    PROCESS_INFORMATION quit = {};
    if (StartChild("\"" + bin + "\\PanelShepherd.exe\" -QUIT", &quit)) EndChild(&quit, 10000);
    EndChild(&engine, 10000);
    RemoveInstallRecordValue("PanelShepherd");

    printf("Placement latency, show to final rectangle, %d windows each\n", count);
    Report("baseline", baseline, count);
    Report("engine", measured, count);
    double b = Percentile(baseline, 0.5), e = Percentile(measured, 0.5);
    if (b > 0) printf("p50 ratio engine/baseline: %.2f\n", e / b);
    return 0;
}
