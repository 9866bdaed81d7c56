// TestEnv.h - what every test program shares: Wine detection, waits that pump
// messages to a deadline, paths of the built programs and child processes.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

bool IsWine();

// Pumps this thread's messages until done() holds or ms have passed.
bool PumpUntil(const std::function<bool()>& done, DWORD ms);
// Pumps for the whole time; for letting another process settle.
void PumpFor(DWORD ms);

// Folder of the running test program (the build's bin folder), no trailing "\".
std::string BinFolder();
std::string BinPath(const char* fileName);
// A fresh, empty folder under the build folder: build\testdata\<name>.
std::string FreshTestFolder(const char* name);
// FreshTestFolder named after the running test, so tests run side by side.
std::string FreshFolderForThisTest();
// Deletes a folder and everything below it; true when it is gone.
bool RemoveTree(const std::string& folder);
// Every file below a folder, as paths relative to it each behind prefix.
void ListFilesBelow(const std::string& folder, const std::string& prefix, std::vector<std::string>* out);

bool FileExists(const std::string& path);
bool FolderExists(const std::string& path);
// Whole file, or empty with ok false.
std::string ReadWholeFile(const std::string& path, bool* ok = nullptr);
bool WriteWholeFileText(const std::string& path, const std::string& data);

// First top-level window of a process with this class (and title, when given).
HWND FindProcessWindow(DWORD pid, const char* className, const char* title = nullptr);
// Every top-level window of a process (visible or not).
int CountProcessWindows(DWORD pid);
// A control's text, also another process's (read with WM_GETTEXT).
std::string ReadControlText(HWND control);
// The whole text of a framework message box (its two text controls, the
// second after a line feed when shown; read with WM_GETTEXT, which works
// across processes); empty for any other window.
std::string ReadMessageBoxText(HWND box);

// CreateProcessA with the current folder and environment. Under load Wine
// now and then fails to start a program at all (it dies before its first
// thread runs and CreateProcessA fails): such a start is tried again, twice
// at most. A program that is not there is not.
bool CreateChildProcess(std::string commandLine, BOOL inheritHandles, DWORD creationFlags,
                        STARTUPINFOA* si, PROCESS_INFORMATION* pi);

// A child process started with CreateProcessA.
struct ChildProcess {
    HANDLE process = nullptr;
    DWORD pid = 0;
};
// creationFlags CREATE_SUSPENDED: *thread receives the thread to resume
// (the caller closes it); otherwise it is closed at once.
bool StartProcess(const std::string& commandLine, ChildProcess* child, DWORD creationFlags = 0,
                  HANDLE* thread = nullptr);
// Exit code, or -1 on time-out (the process is then terminated).
long WaitProcess(ChildProcess* child, DWORD ms);
void CloseProcess(ChildProcess* child);
