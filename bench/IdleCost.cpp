// IdleCost.cpp - what the program costs while nothing happens, and whether its
// memory stays flat while thousands of windows come and go.
//   bench_idle [idle seconds] [windows to come and go]     (30 and 4000 when none)
// Beside 500 windows of ten other processes: the program's CPU time over an
// idle span, then windows shown and closed in batches of 100, half while its
// profile applies rules and half while the current profile is disabled, then
// its memory and another idle span.
#include "bench/BenchEngine.h"
#include "bench/BenchMeter.h"
#include "engine/ProductIds.h"
#include "framework/core/AppObject.h"

#include <psapi.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

// CPU milliseconds per minute over an idle span.
static double IdleCpuPerMinute(const Meter& m, int seconds)
{
    double c0 = CpuMs(m), t0 = NowMs();
    BenchSettle(seconds * 1000.0);
    return (CpuMs(m) - c0) * 60000.0 / (NowMs() - t0);
}

struct ProcessWindow {
    DWORD pid;
    HWND found;
};

static BOOL CALLBACK FindMainWindow(HWND w, LPARAM data)
{
    ProcessWindow* p = (ProcessWindow*)data;
    char cls[32] = {};
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (pid != p->pid || !GetClassNameA(w, cls, sizeof(cls)) || strcmp(cls, "ZRPWindow") != 0) return TRUE;
    p->found = w;
    return FALSE;
}

// As the profile menu does: 0 "Bench", 1 "Quiet" (disabled: passes apply nothing).
static void SwitchProfile(DWORD pid, int index)
{
    ProcessWindow p = {pid, nullptr};
    EnumWindows(FindMainWindow, (LPARAM)&p);
    if (p.found) PostMessageA(p.found, ZRPMSG_COMMAND, MAKEWPARAM(CMD_PROFILE_SWITCH + index, 0), 0);
}

int main(int argc, char** argv)
{
    int idleSeconds = argc > 1 ? atoi(argv[1]) : 30;
    int churn = argc > 2 ? atoi(argv[2]) : 4000;
    std::string bin = BenchBinFolder();
    if (!PrepareBenchEngine(bin + "\\..\\bench-data")) {
        fprintf(stderr, "cannot prepare the engine's data folder\n");
        return 1;
    }
    BenchHosts background;
    if (!StartBenchHosts(&background, 10, 50, "Background")) {
        fprintf(stderr, "cannot start the window hosts\n");
        StopBenchHosts(&background);
        return 1;
    }
    PROCESS_INFORMATION engine = {};
    if (!StartBenchEngine(bin, &engine)) {
        fprintf(stderr, "cannot start the program\n");
        QuitBenchEngine(bin, &engine);
        StopBenchHosts(&background);
        return 1;
    }
    BenchSettle(3000);
    Meter meter = {engine.hProcess, OnWine() ? LinuxProcessFolder(bin + "\\PanelShepherd.exe") : std::string()};
    Memory start = MemoryOf(meter);
    double idleBefore = IdleCpuPerMinute(meter, idleSeconds);

    // Half the windows come and go while the program is enabled, half while
    // it is disabled; each batch wakes the program as it opens.
    int rounds = (churn + 99) / 100;
    double churnCpu0 = CpuMs(meter), churnT0 = NowMs();
    std::vector<Memory> steps;   // after every 1000 windows
    for (int i = 0; i < rounds; i++) {
        if (i == rounds / 2) SwitchProfile(engine.dwProcessId, 1);
        BenchHosts batch;
        StartBenchHosts(&batch, 1, 100, "Bench Churn");
        BenchSettle(100);
        StopBenchHosts(&batch);
        BenchSettle(100);
        if ((i + 1) % 10 == 0) steps.push_back(MemoryOf(meter));
    }
    if (rounds > 1) SwitchProfile(engine.dwProcessId, 0);
    double churnCpu = CpuMs(meter) - churnCpu0, churnMs = NowMs() - churnT0;
    BenchSettle(3000);
    Memory end = MemoryOf(meter);
    double idleAfter = IdleCpuPerMinute(meter, idleSeconds);

    QuitBenchEngine(bin, &engine);
    StopBenchHosts(&background);
    RemoveInstallRecordValue("PanelShepherd");

    printf("Idle cost beside 500 windows of ten processes; %d windows shown and closed\n", rounds * 100);
    printf("%-34s %12s %12s\n", "", "before churn", "after churn");
    printf("%-34s %12.1f %12.1f\n", "idle CPU (ms per minute)", idleBefore, idleAfter);
    printf("%-34s %12.0f %12.0f\n", meter.linuxFolder.empty() ? "private memory (KB)" : "anonymous resident (KB)",
           start.privateKb, end.privateKb);
    printf("%-34s %12.0f %12.0f\n", meter.linuxFolder.empty() ? "working set (KB)" : "resident (KB)", start.workingSetKb,
           end.workingSetKb);
    printf("%-34s %12.0f ms CPU over %.0f ms\n", "churn", churnCpu, churnMs);
    printf("%-34s", "anonymous/private KB per 1000");
    for (const Memory& m : steps) printf(" %.0f", m.privateKb);
    printf("\n");
    return 0;
}
