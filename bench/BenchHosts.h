// BenchHosts.h - start and stop the window host processes of the benchmarks.
#pragma once

#include <windows.h>

#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

inline std::string BenchBinFolder()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, sizeof(path));
    char* slash = strrchr(path, '\\');
    if (slash) *slash = '\0';
    return path;
}

inline bool StartBenchChild(const std::string& line, PROCESS_INFORMATION* pi)
{
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    std::string l = line;
    return CreateProcessA(nullptr, &l[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, pi) != 0;
}

inline void EndBenchChild(PROCESS_INFORMATION* pi, DWORD ms)
{
    if (!pi->hProcess) return;
    if (WaitForSingleObject(pi->hProcess, ms) != WAIT_OBJECT_0) TerminateProcess(pi->hProcess, 1);
    CloseHandle(pi->hProcess);
    CloseHandle(pi->hThread);
    *pi = PROCESS_INFORMATION{};
}

// Processes that each show a number of windows until stopped.
struct BenchHosts {
    std::vector<PROCESS_INFORMATION> processes;
    HANDLE quit = nullptr;
    int serial = 0;
};

// Starts hosts processes of perHost windows each, titled "<prefix> <i>", and
// waits until every window is shown. False when one did not come up.
inline bool StartBenchHosts(BenchHosts* h, int hosts, int perHost, const char* prefix)
{
    static LONG s_serial;
    h->serial = (int)InterlockedIncrement(&s_serial);
    char quitName[64];
    snprintf(quitName, sizeof(quitName), "PsBenchQuit-%lu-%d", GetCurrentProcessId(), h->serial);
    h->quit = CreateEventA(nullptr, TRUE, FALSE, quitName);
    if (!h->quit) return false;
    std::string bin = BenchBinFolder();
    bool ok = true;
    for (int i = 0; i < hosts && ok; i++) {
        char readyName[64];
        snprintf(readyName, sizeof(readyName), "PsBenchReady-%lu-%d-%d", GetCurrentProcessId(), h->serial, i);
        HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, readyName);
        char line[512];
        snprintf(line, sizeof(line), "\"%s\\bench_windowhost.exe\" %d \"%s\" %s %s", bin.c_str(), perHost, prefix,
                 readyName, quitName);
        PROCESS_INFORMATION pi = {};
        ok = ready && StartBenchChild(line, &pi);
        if (ok) {
            h->processes.push_back(pi);
            HANDLE both[2] = {ready, pi.hProcess};
            ok = WaitForMultipleObjects(2, both, FALSE, 60000) == WAIT_OBJECT_0;
        }
        if (ready) CloseHandle(ready);
    }
    return ok;
}

inline void StopBenchHosts(BenchHosts* h)
{
    if (h->quit) SetEvent(h->quit);
    for (PROCESS_INFORMATION& pi : h->processes) EndBenchChild(&pi, 10000);
    h->processes.clear();
    if (h->quit) CloseHandle(h->quit);
    h->quit = nullptr;
}
