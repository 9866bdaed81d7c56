// PlacementLatency.cpp - from a window's show to its final rectangle, for the
// engine with one rule and for a baseline that moves windows as soon as told,
// both measured in the same run: on a nearly empty desktop, and with other
// windows open in ten other processes (as the user's are) or in this process.
//   bench_latency [count] [background windows]     (50 and 500 when none)
#include "bench/BenchEngine.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

static const RECT kStart = {60, 60, 360, 260};
static const RECT kTarget = kBenchTarget;

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
        bool placed = BenchWaitMessages(5000, AtTarget, w);
        double t = NowMs() - t0;
        if (placed) out.push_back(t);
        DestroyWindow(w);
        WakePlacer();
        BenchSettle(30);
    }
    return out;
}

static std::vector<double> MeasureBaseline(const std::string& bin, int count)
{
    PROCESS_INFORMATION mover = {};
    char line[512];
    FormatText(line, sizeof(line), "\"%s\\baseline_mover.exe\" %ld %ld %ld %ld", bin.c_str(), kTarget.left,
               kTarget.top, kTarget.right - kTarget.left, kTarget.bottom - kTarget.top);
    if (!StartBenchChild(line, &mover)) return {};
    BenchSettle(500);
    std::vector<double> v = Measure(count);
    TerminateProcess(mover.hProcess, 0);
    EndBenchChild(&mover, 2000);
    return v;
}

static std::vector<double> MeasureEngine(const std::string& bin, int count)
{
    PROCESS_INFORMATION engine = {};
    std::vector<double> v;
    if (StartBenchEngine(bin, &engine)) {
        BenchSettle(1000);
        v = Measure(count);
    }
    QuitBenchEngine(bin, &engine);
    return v;
}

struct Scenario {
    const char* name;
    int windows;
    bool otherProcesses;
    std::vector<double> baseline, engine;
};

static void PrintRow(const char* what, const std::vector<Scenario>& s, double (*value)(const Scenario&),
                     const char* format)
{
    printf("%-22s", what);
    for (const Scenario& c : s) printf(format, value(c));
    printf("\n");
}

int main(int argc, char** argv)
{
    int count = argc > 1 ? atoi(argv[1]) : 50;
    int background = argc > 2 ? atoi(argv[2]) : 500;
    std::string bin = BenchBinFolder();
    if (!PrepareBenchEngine(bin + "\\..\\bench-data")) {
        fprintf(stderr, "cannot prepare the engine's data folder\n");
        return 1;
    }

    char otherName[64], ownName[64];
    FormatText(otherName, sizeof(otherName), "%d in 10 processes", background);
    FormatText(ownName, sizeof(ownName), "%d in this process", background);
    std::vector<Scenario> scenarios = {{"near-empty", 0, true, {}, {}},
                                       {otherName, background, true, {}, {}},
                                       {ownName, background, false, {}, {}}};
    for (Scenario& s : scenarios) {
        BenchHosts hosts;
        std::vector<HWND> own;
        if (s.windows > 0 && s.otherProcesses) {
            if (!StartBenchHosts(&hosts, 10, (s.windows + 9) / 10, "Background")) {
                fprintf(stderr, "cannot start the window hosts\n");
                StopBenchHosts(&hosts);
                continue;
            }
        } else {
            for (int k = 0; k < s.windows; k++) {
                char title[64];
                FormatText(title, sizeof(title), "Background %d", k);
                own.push_back(CreateBenchWindow(title, 20 + (k % 40) * 10, 20 + (k / 40 % 40) * 5, 200, 150, true));
            }
            BenchPump();
        }
        s.baseline = MeasureBaseline(bin, count);
        s.engine = MeasureEngine(bin, count);
        StopBenchHosts(&hosts);
        for (HWND w : own) DestroyWindow(w);
        BenchPump();
    }
    RemoveInstallRecordValue("PanelShepherd");

    printf("Placement latency, show to final rectangle (ms), %d windows each, same run\n", count);
    printf("%-22s", "background windows");
    for (const Scenario& s : scenarios) printf("%22s", s.name);
    printf("\n");
    PrintRow("baseline placed", scenarios, [](const Scenario& s) { return (double)s.baseline.size(); }, "%22.0f");
    PrintRow("baseline p50", scenarios, [](const Scenario& s) { return Percentile(s.baseline, 0.5); }, "%22.2f");
    PrintRow("baseline p99", scenarios, [](const Scenario& s) { return Percentile(s.baseline, 0.99); }, "%22.2f");
    PrintRow("engine placed", scenarios, [](const Scenario& s) { return (double)s.engine.size(); }, "%22.0f");
    PrintRow("engine p50", scenarios, [](const Scenario& s) { return Percentile(s.engine, 0.5); }, "%22.2f");
    PrintRow("engine p99", scenarios, [](const Scenario& s) { return Percentile(s.engine, 0.99); }, "%22.2f");
    PrintRow("p50 engine/baseline", scenarios, [](const Scenario& s) {
        double b = Percentile(s.baseline, 0.5);
        return b > 0 ? Percentile(s.engine, 0.5) / b : 0.0;
    }, "%22.2f");
    PrintRow("p50 engine-baseline", scenarios, [](const Scenario& s) {
        return Percentile(s.engine, 0.5) - Percentile(s.baseline, 0.5);
    }, "%22.2f");
    return 0;
}
