// IdleCost.cpp - what the program costs while nothing happens, and whether its
// memory stays flat while thousands of windows come and go.
//   bench_idle [idle seconds] [windows to come and go]     (30 and 4000 when none)
// Beside 500 windows of ten other processes: the program's CPU time over an
// idle span, then windows shown and closed in batches of 100, half while its
// profile applies rules and half while the current profile is disabled, then
// its memory and another idle span.
#include "bench/BenchEngine.h"
#include "engine/ProductIds.h"
#include "framework/core/AppObject.h"

#include <psapi.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

// Under Wine another process's times and memory counters come back as the
// caller's own (or empty): the program's Linux process is read instead,
// through the drive that maps the root.
static bool OnWine()
{
    return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
}

static std::string ReadSmallFile(const std::string& path)
{
    HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    if (f == INVALID_HANDLE_VALUE) return std::string();
    std::string text;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(f, buffer, sizeof(buffer), &got, nullptr) && got > 0) text.append(buffer, got);
    CloseHandle(f);
    return text;
}

// The Linux process whose command line starts with the program's path.
static std::string LinuxProcessFolder(const std::string& program)
{
    WIN32_FIND_DATAA fd;
    HANDLE find = FindFirstFileA("Z:\\proc\\*", &fd);
    if (find == INVALID_HANDLE_VALUE) return std::string();
    std::string found;
    do {
        if (fd.cFileName[0] < '0' || fd.cFileName[0] > '9') continue;
        std::string folder = std::string("Z:\\proc\\") + fd.cFileName;
        std::string line = ReadSmallFile(folder + "\\cmdline");
        if (line.size() >= program.size() && _strnicmp(line.c_str(), program.c_str(), program.size()) == 0)
            found = folder;
    } while (FindNextFileA(find, &fd));
    FindClose(find);
    return found;
}

struct Meter {
    HANDLE process;
    std::string linuxFolder;   // the Linux process folder under Wine
};

static double CpuMs(const Meter& m)
{
    if (!m.linuxFolder.empty()) {
        // Fields 14 and 15 (user and system time, in ticks of 10 ms) follow
        // the command name, which ends with the last ')'.
        std::string stat = ReadSmallFile(m.linuxFolder + "\\stat");
        size_t at = stat.rfind(')');
        if (at == std::string::npos) return 0;
        unsigned long long f[13] = {};
        char state = 0;
        sscanf(stat.c_str() + at + 1, " %c %llu %llu %llu %llu %llu %llu %llu %llu %llu %llu %llu %llu", &state,
               &f[0], &f[1], &f[2], &f[3], &f[4], &f[5], &f[6], &f[7], &f[8], &f[9], &f[10], &f[11]);
        return (double)(f[10] + f[11]) * 10.0;
    }
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(m.process, &created, &exited, &kernel, &user)) return 0;
    ULARGE_INTEGER k, u;
    k.LowPart = kernel.dwLowDateTime;
    k.HighPart = kernel.dwHighDateTime;
    u.LowPart = user.dwLowDateTime;
    u.HighPart = user.dwHighDateTime;
    return (double)(k.QuadPart + u.QuadPart) / 10000.0;
}

struct Memory {
    double privateKb, workingSetKb;
};

static double StatusKb(const std::string& status, const char* key)
{
    size_t at = status.find(key);
    return at == std::string::npos ? 0 : atof(status.c_str() + at + strlen(key));
}

static Memory MemoryOf(const Meter& m)
{
    if (!m.linuxFolder.empty()) {
        std::string status = ReadSmallFile(m.linuxFolder + "\\status");
        return {StatusKb(status, "RssAnon:"), StatusKb(status, "VmRSS:")};
    }
    PROCESS_MEMORY_COUNTERS_EX c = {};
    c.cb = sizeof(c);
    if (!GetProcessMemoryInfo(m.process, (PROCESS_MEMORY_COUNTERS*)&c, sizeof(c))) return {0, 0};
    return {(double)c.PrivateUsage / 1024.0, (double)c.WorkingSetSize / 1024.0};
}

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
