// BenchMeter.h - another process's CPU time and memory, read from its Linux
// process under Wine, where the Windows counters of another process come back
// as the caller's own or empty.
#pragma once

#include <windows.h>
#include <psapi.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

// Under Wine another process's times and memory counters come back as the
// caller's own (or empty): the program's Linux process is read instead,
// through the drive that maps the root.
inline bool OnWine()
{
    return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
}

inline std::string ReadSmallFile(const std::string& path)
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
inline std::string LinuxProcessFolder(const std::string& program)
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

inline double CpuMs(const Meter& m)
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

inline double StatusKb(const std::string& status, const char* key)
{
    size_t at = status.find(key);
    return at == std::string::npos ? 0 : atof(status.c_str() + at + strlen(key));
}

inline Memory MemoryOf(const Meter& m)
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

