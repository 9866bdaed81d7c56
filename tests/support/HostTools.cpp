// HostTools.cpp - host programs started through Wine, waited for by their exit-code file.
#include "tests/support/HostTools.h"

#include "tests/support/TestEnv.h"

#include <stdio.h>

typedef char*(CDECL* UnixFileNameFunction)(const WCHAR*);

static UnixFileNameFunction GetUnixFileNameFunction()
{
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    return kernel ? (UnixFileNameFunction)(void*)GetProcAddress(kernel, "wine_get_unix_file_name")
                  : nullptr;
}

bool HostToolsAvailable()
{
    return IsWine() && GetUnixFileNameFunction() && FileExists("Z:\\bin\\sh");
}

std::string HostPath(const std::string& windowsPath)
{
    UnixFileNameFunction toUnix = GetUnixFileNameFunction();
    if (!toUnix) return std::string();
    WCHAR wide[MAX_PATH * 2];
    if (!MultiByteToWideChar(CP_ACP, 0, windowsPath.c_str(), -1, wide, MAX_PATH * 2))
        return std::string();
    char* unixPath = toUnix(wide);
    if (!unixPath) return std::string();
    std::string result = unixPath;
    HeapFree(GetProcessHeap(), 0, unixPath);
    return result;
}

int RunHostScript(const std::string& folder, const std::string& script, std::string* output,
                  DWORD ms)
{
    if (output) output->clear();
    static LONG counter = 0;
    char stem[64];
    snprintf(stem, sizeof(stem), "\\host-%lu-%ld", GetCurrentProcessId(),
             InterlockedIncrement(&counter));
    std::string base = folder + stem;
    std::string hostFolder = HostPath(folder);
    if (hostFolder.empty()) return -1;
    std::string body = "cd '" + hostFolder + "' || exit 97\n" + script + "\n";
    if (!WriteWholeFileText(base + ".sh", body)) return -1;
    std::string hostBase = HostPath(base);
    std::string line = "Z:\\bin\\sh -c \"timeout 110 sh '" + hostBase + ".sh' >'" + hostBase +
                       ".out' 2>&1 </dev/null; echo $? >'" + hostBase + ".tmp'; mv '" + hostBase +
                       ".tmp' '" + hostBase + ".rc'\"";
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return -1;
    // For a Unix program Wine fills in no real handles: close only real ones.
    if (pi.hProcess) {
        CloseHandle(pi.hProcess);
        if (pi.hThread) CloseHandle(pi.hThread);
    }
    std::string rcPath = base + ".rc";
    if (!PumpUntil([&] { return FileExists(rcPath); }, ms)) return -1;
    if (output) *output = ReadWholeFile(base + ".out");
    std::string rc = ReadWholeFile(rcPath);
    return rc.empty() ? -1 : atoi(rc.c_str());
}
