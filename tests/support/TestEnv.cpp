// TestEnv.cpp - shared helpers of the test programs.
#include "tests/support/TestEnv.h"

#include "framework/core/TextUtil.h"

#include <gtest/gtest.h>

#include <stdio.h>
#include <string.h>

bool IsWine()
{
    static int wine = -1;
    if (wine < 0) {
        HMODULE ntdll = GetModuleHandleA("ntdll.dll");
        wine = ntdll && GetProcAddress(ntdll, "wine_get_version") ? 1 : 0;
    }
    return wine == 1;
}

static void PumpWaiting()
{
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
}

bool PumpUntil(const std::function<bool()>& done, DWORD ms)
{
    ULONGLONG end = GetTickCount64() + ms;
    for (;;) {
        PumpWaiting();
        if (done()) return true;
        ULONGLONG now = GetTickCount64();
        if (now >= end) return false;
        DWORD left = (DWORD)(end - now);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, left < 20 ? left : 20, QS_ALLINPUT);
    }
}

void PumpFor(DWORD ms)
{
    PumpUntil([] { return false; }, ms);
}

std::string BinFolder()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, sizeof(path));
    char* slash = strrchr(path, '\\');
    if (slash) *slash = '\0';
    return path;
}

std::string BinPath(const char* fileName)
{
    return BinFolder() + "\\" + fileName;
}

bool FileExists(const std::string& path)
{
    DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool FolderExists(const std::string& path)
{
    DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

void ListFilesBelow(const std::string& folder, const std::string& prefix, std::vector<std::string>* out)
{
    WIN32_FIND_DATAA fd;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        std::string name = fd.cFileName;
        if (name == "." || name == "..") continue;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            ListFilesBelow(folder + "\\" + name, prefix + name + "\\", out);
        else
            out->push_back(prefix + name);
    } while (FindNextFileA(find, &fd));
    FindClose(find);
}

bool RemoveTree(const std::string& folder)
{
    WIN32_FIND_DATAA fd;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &fd);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            if (!strcmp(fd.cFileName, ".") || !strcmp(fd.cFileName, "..")) continue;
            std::string path = folder + "\\" + fd.cFileName;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(path);
            } else {
                SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(path.c_str());
            }
        } while (FindNextFileA(find, &fd));
        FindClose(find);
    }
    RemoveDirectoryA(folder.c_str());
    return !FolderExists(folder) && !FileExists(folder);
}

std::string FreshTestFolder(const char* name)
{
    std::string root = BinFolder();
    size_t slash = root.find_last_of('\\');
    if (slash != std::string::npos) root.resize(slash);   // the build folder
    root += "\\testdata";
    CreateDirectoryA(root.c_str(), nullptr);
    std::string folder = root + "\\" + name;
    RemoveTree(folder);
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

std::string FreshFolderForThisTest()
{
    const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
    std::string name = info ? std::string(info->test_suite_name()) + "." + info->name() : "test";
    for (char& c : name)
        if (c == '/' || c == '\\' || c == ':') c = '_';
    return FreshTestFolder(name.c_str());
}

std::string ReadWholeFile(const std::string& path, bool* ok)
{
    std::string data;
    if (ok) *ok = false;
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) return data;
    char buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof(buf), f)) > 0) data.append(buf, n);
    fclose(f);
    if (ok) *ok = true;
    return data;
}

bool WriteWholeFileText(const std::string& path, const std::string& data)
{
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = fwrite(data.data(), 1, data.size(), f) == data.size();
    return fclose(f) == 0 && ok;
}

bool CreateChildProcess(std::string commandLine, BOOL inheritHandles, DWORD creationFlags,
                        STARTUPINFOA* si, PROCESS_INFORMATION* pi)
{
    for (int attempt = 1;; attempt++) {
        std::string line = commandLine;   // CreateProcessA may write into it
        if (CreateProcessA(nullptr, &line[0], nullptr, nullptr, inheritHandles, creationFlags, nullptr,
                           nullptr, si, pi))
            return true;
        DWORD error = GetLastError();
        if (attempt == 3 || error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return false;
        fprintf(stderr, "CreateChildProcess: error %lu starting %s, trying again\n", (unsigned long)error,
                commandLine.c_str());
    }
}

bool StartProcess(const std::string& commandLine, ChildProcess* child, DWORD creationFlags,
                  HANDLE* thread)
{
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!CreateChildProcess(commandLine, FALSE, creationFlags, &si, &pi)) return false;
    if (thread)
        *thread = pi.hThread;
    else
        CloseHandle(pi.hThread);
    child->process = pi.hProcess;
    child->pid = pi.dwProcessId;
    return true;
}

long WaitProcess(ChildProcess* child, DWORD ms)
{
    if (!child->process) return -1;
    bool done = PumpUntil([&] { return WaitForSingleObject(child->process, 0) == WAIT_OBJECT_0; },
                          ms);
    if (!done) {
        TerminateProcess(child->process, 259);
        WaitForSingleObject(child->process, 5000);
        return -1;
    }
    DWORD code = 0;
    GetExitCodeProcess(child->process, &code);
    return (long)code;
}

void CloseProcess(ChildProcess* child)
{
    if (child->process) {
        if (WaitForSingleObject(child->process, 0) != WAIT_OBJECT_0) {
            TerminateProcess(child->process, 259);
            WaitForSingleObject(child->process, 5000);
        }
        CloseHandle(child->process);
    }
    child->process = nullptr;
    child->pid = 0;
}

struct FindWindowQuery {
    DWORD pid;
    const char* className;
    const char* title;
    HWND found;
    int count;
};

static BOOL CALLBACK FindWindowOfProcess(HWND w, LPARAM data)
{
    FindWindowQuery* q = (FindWindowQuery*)data;
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (pid != q->pid) return TRUE;
    q->count++;
    if (q->found || !q->className) return TRUE;
    char cls[128] = {};
    GetClassNameA(w, cls, sizeof(cls));
    if (_stricmp(cls, q->className) != 0) return TRUE;
    if (q->title) {
        char title[512] = {};
        GetWindowTextA(w, title, sizeof(title));
        if (strcmp(title, q->title) != 0) return TRUE;
    }
    q->found = w;
    return TRUE;
}

HWND FindProcessWindow(DWORD pid, const char* className, const char* title)
{
    FindWindowQuery q = {pid, className, title, nullptr, 0};
    EnumWindows(FindWindowOfProcess, (LPARAM)&q);
    return q.found;
}

int CountProcessWindows(DWORD pid)
{
    FindWindowQuery q = {pid, nullptr, nullptr, nullptr, 0};
    EnumWindows(FindWindowOfProcess, (LPARAM)&q);
    return q.count;
}

std::string ReadControlText(HWND control)
{
    char text[4096] = {};
    DWORD_PTR got = 0;
    SendMessageTimeoutA(control, WM_GETTEXT, sizeof(text), (LPARAM)text, SMTO_ABORTIFHUNG, 2000, &got);
    return text;
}

std::string ReadMessageBoxText(HWND box)
{
    // The framework box: the first line in 50108, the lines after it in 50109.
    HWND first = GetDlgItem(box, 50108), rest = GetDlgItem(box, 50109);
    if (!first) return std::string();
    std::string text = ReadControlText(first);
    if (rest && IsWindowVisible(rest)) text += "\n" + ReadControlText(rest);
    return text;
}
