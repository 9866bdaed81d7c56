// TestWindowClient.h - start and drive testwindow.exe over its stdin and stdout.
//
// The test window reads its own placement inside its own process (reading
// another process's placement is not reliable under Wine) and prints it.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

struct TestWindowReport {
    bool valid = false;
    UINT showCmd = 0;      // from GetWindowPlacement
    RECT normal = {};      // normal (restored) rectangle
    RECT rect = {};        // current window rectangle
    DWORD exStyle = 0;
    int alpha = -1;        // -1 when the window is not layered
    bool visible = false, iconic = false, zoomed = false, topmost = false;
};

// Control ids of a test window started with "--controls 1".
const int kTestEditId = 1001;
const int kTestButtonId = 1002;

struct TestWindowControls {
    int clicks = 0;         // BN_CLICKED of the button
    bool buttonEnabled = false;
    bool capsLock = false;  // as the window's thread translates keys
    std::string edit;       // the edit's text
};

struct TestWindow {
    HANDLE process = nullptr;
    HANDLE toChild = nullptr;
    HANDLE fromChild = nullptr;
    DWORD pid = 0;
    HWND hwnd = nullptr;
    std::string pending;   // bytes read past the last line
};

// args: "--title T --class C --rect x,y,w,h --state normal|min|max|hidden
// --style 0x.. --exstyle 0x.. --controls 1 --stay 1". Waits until the window exists.
bool StartTestWindow(TestWindow* w, const std::string& args, DWORD ms = 15000);
// Starts another program of tests/support that speaks the same way: it
// prints "ready <window>" first, then answers one line per step.
bool StartPipedProgram(TestWindow* w, const char* program, const std::string& args, DWORD ms = 15000);
// Sends one step and returns the reply line as it came; false on time-out.
bool PipedStep(TestWindow* w, const std::string& step, std::string* reply, DWORD ms = 10000);
// Sends one step ("move 10 20", "title New", "min", "report", ...) and reads
// the reply line. False on time-out or a reply other than "ok ...".
bool TestWindowStep(TestWindow* w, const std::string& step, TestWindowReport* report = nullptr,
                    DWORD ms = 10000);
bool ParseTestWindowReport(const std::string& line, TestWindowReport* report);
// Asks a window started with "--controls 1" what its controls received.
bool ReadTestWindowControls(TestWindow* w, TestWindowControls* controls, DWORD ms = 10000);
// Asks for reports until one satisfies done; *last holds the last report.
bool WaitForReport(TestWindow* w, const std::function<bool(const TestWindowReport&)>& done,
                   TestWindowReport* last, DWORD ms = 8000);
// Closes the window ("close") and waits for the process; kills it when stuck.
void StopTestWindow(TestWindow* w);
