// TestWindow.cpp - a top-level window that end-to-end tests create and drive.
//
//   testwindow --title T --class C --rect x,y,w,h --state normal|min|max|hidden
//              --style 0xHEX --exstyle 0xHEX --hang SECONDS [--controls 1] [--stay 1]
//              [--showntitle 1]
// Prints "ready <hwnd>", then reads one step per line on stdin and answers each
// with "ok <placement>" read inside this process. After every change it creates
// and destroys a hidden top-level window: Wine's out-of-context event hook only
// reports window creation, and that is what wakes the engine.
//
// "hang N" (answered "ok hanging") stops the window's thread from taking any
// message for N seconds, 0 until "resume"; "--hang N" does so from the start,
// before the window's thread has taken a single message. "resume" answers with
// the placement the window had while it hung, then lets its thread go on.
// --controls adds an edit and a button of known ids; the step "controls"
// reports the button's clicks, whether it is enabled, the Caps Lock state its
// thread translates keys with, and the edit's text. --stay keeps the window
// open when stdin ends (a start without pipes, as a script's RUN makes).
// --showntitle appends " shown <n>" to the title: the show command its
// starter asked for, -1 for none.
#include "framework/core/TextUtil.h"
#include "tests/support/TestWindowClient.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

#include <string>

static const UINT kStepMessage = WM_APP + 1;
static const UINT kHangMessage = WM_APP + 2;
static HWND g_window;
static HWND g_edit;
static HANDLE g_out;
static HANDLE g_resume;        // set by "resume": a hang ends
static HANDLE g_hangStarted;   // set by the window's thread as it stops
static int g_clicks;
static bool g_stay;

static void WriteOut(const char* text)
{
    DWORD n = 0;
    WriteFile(g_out, text, (DWORD)strlen(text), &n, nullptr);
}

static void WakeEngine()
{
    HWND wake = CreateWindowExA(0, "PSTestWake", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
    if (wake) DestroyWindow(wake);
}

static void Report(const char* prefix)
{
    WINDOWPLACEMENT wp = {};
    wp.length = sizeof(wp);
    GetWindowPlacement(g_window, &wp);
    RECT r = {};
    GetWindowRect(g_window, &r);
    DWORD ex = (DWORD)GetWindowLongA(g_window, GWL_EXSTYLE);
    int alpha = -1;
    if (ex & WS_EX_LAYERED) {
        BYTE a = 0;
        DWORD flags = 0;
        if (GetLayeredWindowAttributes(g_window, nullptr, &a, &flags) && (flags & LWA_ALPHA))
            alpha = a;
        else
            alpha = 255;
    }
    char line[512];
    FormatText(line, sizeof(line),
               "%s show=%u normal=%ld,%ld,%ld,%ld rect=%ld,%ld,%ld,%ld ex=0x%08lX alpha=%d "
               "vis=%d min=%d max=%d top=%d\n",
               prefix, wp.showCmd, wp.rcNormalPosition.left, wp.rcNormalPosition.top,
               wp.rcNormalPosition.right, wp.rcNormalPosition.bottom, r.left, r.top, r.right,
               r.bottom, (unsigned long)ex, alpha, IsWindowVisible(g_window) ? 1 : 0,
               IsIconic(g_window) ? 1 : 0, IsZoomed(g_window) ? 1 : 0,
               (ex & WS_EX_TOPMOST) ? 1 : 0);
    WriteOut(line);
}

static void ReportControls()
{
    char text[1024] = {};
    if (g_edit) GetWindowTextA(g_edit, text, sizeof(text));
    HWND button = GetDlgItem(g_window, kTestButtonId);
    char line[1200];
    FormatText(line, sizeof(line), "ok clicks=%d enabled=%d caps=%d edit=%s\n", g_clicks,
               (button && IsWindowEnabled(button)) ? 1 : 0, (GetKeyState(VK_CAPITAL) & 1) ? 1 : 0, text);
    WriteOut(line);
}

static void CreateControls(HINSTANCE instance)
{
    g_edit = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "", WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL,
                             10, 10, 260, 24, g_window, (HMENU)(INT_PTR)kTestEditId, instance, nullptr);
    CreateWindowExA(0, "BUTTON", "Press", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 10, 50, 120, 40,
                    g_window, (HMENU)(INT_PTR)kTestButtonId, instance, nullptr);
}

static void RunStep(const char* step)
{
    long a = 0, b = 0, c = 0, d = 0;
    unsigned long hex = 0;
    bool changed = true;
    if (!strncmp(step, "title ", 6) || !strcmp(step, "title")) {
        SetWindowTextA(g_window, step[5] ? step + 6 : "");
    } else if (sscanf(step, "move %ld %ld", &a, &b) == 2) {
        SetWindowPos(g_window, nullptr, a, b, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    } else if (sscanf(step, "quietmove %ld %ld", &a, &b) == 2) {
        // As another program's move looks under Wine: nothing wakes the engine.
        SetWindowPos(g_window, nullptr, a, b, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        changed = false;
    } else if (sscanf(step, "size %ld %ld", &a, &b) == 2) {
        SetWindowPos(g_window, nullptr, 0, 0, a, b, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    } else if (sscanf(step, "rect %ld %ld %ld %ld", &a, &b, &c, &d) == 4) {
        SetWindowPos(g_window, nullptr, a, b, c, d, SWP_NOZORDER | SWP_NOACTIVATE);
    } else if (sscanf(step, "exstyle 0x%lx", &hex) == 1) {
        SetWindowLongA(g_window, GWL_EXSTYLE, (LONG)hex);
    } else if (!strcmp(step, "min")) {
        ShowWindow(g_window, SW_MINIMIZE);
    } else if (!strcmp(step, "max")) {
        ShowWindow(g_window, SW_MAXIMIZE);
    } else if (!strcmp(step, "restore")) {
        ShowWindow(g_window, SW_RESTORE);
    } else if (!strcmp(step, "hide")) {
        ShowWindow(g_window, SW_HIDE);
    } else if (!strcmp(step, "show")) {
        ShowWindow(g_window, SW_SHOW);
    } else if (!strcmp(step, "activate")) {
        SetForegroundWindow(g_window);
    } else if (!strcmp(step, "report")) {
        changed = false;
    } else if (!strcmp(step, "controls")) {
        ReportControls();
        return;
    } else if (!strcmp(step, "wake")) {
        WakeEngine();
        changed = false;
    } else if (!strcmp(step, "close")) {
        WriteOut("ok closed\n");
        DestroyWindow(g_window);
        WakeEngine();   // a closed window sends no event Wine would deliver
        return;
    } else {
        WriteOut("err unknown step\n");
        return;
    }
    if (changed) WakeEngine();
    Report("ok");
}

// The window's thread waits without taking messages, so every message sent to
// the window waits too; nothing pumps between the signal and the wait.
static void Hang(DWORD seconds)
{
    SignalObjectAndWait(g_hangStarted, g_resume, seconds ? seconds * 1000 : INFINITE, FALSE);
}

static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case kStepMessage:
        RunStep((const char*)lParam);
        return 0;
    case kHangMessage:
        ResetEvent(g_resume);
        WriteOut("ok hanging\n");
        Hang((DWORD)wParam);
        return 0;
    case WM_COMMAND:
        if (LOWORD(wParam) == kTestButtonId && HIWORD(wParam) == BN_CLICKED) g_clicks++;
        return 0;
    case WM_SETFOCUS:
        // Like a dialog: the window's focus goes to its edit.
        if (g_edit) SetFocus(g_edit);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// Reads stdin line by line and hands each line to the window's thread.
static DWORD WINAPI ReaderThread(void* hungReady)
{
    if (hungReady) {
        WaitForSingleObject(g_hangStarted, INFINITE);
        WakeEngine();
        WriteOut((const char*)hungReady);
    }
    HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    std::string pending;
    char buf[1024];
    DWORD n = 0;
    while (ReadFile(in, buf, sizeof(buf), &n, nullptr) && n > 0) {
        pending.append(buf, n);
        size_t nl;
        while ((nl = pending.find('\n')) != std::string::npos) {
            std::string line = pending.substr(0, nl);
            pending.erase(0, nl + 1);
            while (!line.empty() && line.back() == '\r') line.pop_back();
            if (!IsWindow(g_window)) return 0;
            unsigned long seconds = 0;
            if (sscanf(line.c_str(), "hang %lu", &seconds) == 1 || line == "hang") {
                // Posted: this thread goes on reading, for "resume".
                PostMessageA(g_window, kHangMessage, (WPARAM)seconds, 0);
            } else if (line == "resume") {
                // Read from here: the window's thread may still be stopped.
                Report("ok");
                SetEvent(g_resume);
            } else {
                SendMessageA(g_window, kStepMessage, 0, (LPARAM)line.c_str());
            }
        }
    }
    if (!g_stay && IsWindow(g_window)) PostMessageA(g_window, WM_CLOSE, 0, 0);
    return 0;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    g_out = GetStdHandle(STD_OUTPUT_HANDLE);
    const char* title = "Test Window";
    const char* cls = "PSTestWindow";
    const char* state = "normal";
    long x = 100, y = 100, w = 400, h = 300;
    long hangSeconds = -1;
    DWORD style = WS_OVERLAPPEDWINDOW, exStyle = 0;
    bool controls = false;
    bool shownTitle = false;
    for (int i = 1; i + 1 < __argc; i += 2) {
        const char* k = __argv[i];
        const char* v = __argv[i + 1];
        if (!strcmp(k, "--title")) title = v;
        else if (!strcmp(k, "--class")) cls = v;
        else if (!strcmp(k, "--state")) state = v;
        else if (!strcmp(k, "--rect")) sscanf(v, "%ld,%ld,%ld,%ld", &x, &y, &w, &h);
        else if (!strcmp(k, "--style")) style = strtoul(v, nullptr, 0);
        else if (!strcmp(k, "--exstyle")) exStyle = strtoul(v, nullptr, 0);
        else if (!strcmp(k, "--hang")) hangSeconds = strtol(v, nullptr, 0);
        else if (!strcmp(k, "--controls")) controls = atoi(v) != 0;
        else if (!strcmp(k, "--stay")) g_stay = atoi(v) != 0;
        else if (!strcmp(k, "--showntitle")) shownTitle = atoi(v) != 0;
    }
    char titled[512];
    if (shownTitle) {
        STARTUPINFOA start = {};
        start.cb = sizeof(start);
        GetStartupInfoA(&start);
        int shown = (start.dwFlags & STARTF_USESHOWWINDOW) ? start.wShowWindow : -1;
        FormatText(titled, sizeof(titled), "%s shown %d", title, shown);
        title = titled;
    }
    g_resume = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    g_hangStarted = CreateEventA(nullptr, FALSE, FALSE, nullptr);

    WNDCLASSA wc = {};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, (LPCSTR)IDC_ARROW);
    wc.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
    wc.lpszClassName = cls;
    if (!RegisterClassA(&wc)) return 2;
    WNDCLASSA wake = {};
    wake.lpfnWndProc = DefWindowProcA;
    wake.hInstance = instance;
    wake.lpszClassName = "PSTestWake";
    RegisterClassA(&wake);

    g_window = CreateWindowExA(exStyle, cls, title, style & ~WS_VISIBLE, x, y, w, h, nullptr,
                               nullptr, instance, nullptr);
    if (!g_window) return 3;
    if (controls) CreateControls(instance);
    int show = SW_SHOWNORMAL;
    if (!strcmp(state, "min")) show = SW_SHOWMINIMIZED;
    else if (!strcmp(state, "max")) show = SW_SHOWMAXIMIZED;
    else if (!strcmp(state, "hidden")) show = SW_HIDE;
    ShowWindow(g_window, show);
    UpdateWindow(g_window);

    char ready[64];
    FormatText(ready, sizeof(ready), "ready %llx\n", (unsigned long long)(ULONG_PTR)g_window);
    HANDLE reader = nullptr;
    if (hangSeconds >= 0) {
        // Stopped before taking any message: the reader wakes the engine
        // once this thread waits, and then says that the window is ready.
        reader = CreateThread(nullptr, 0, ReaderThread, ready, 0, nullptr);
        Hang((DWORD)hangSeconds);
    } else {
        WakeEngine();
        WriteOut(ready);
        reader = CreateThread(nullptr, 0, ReaderThread, nullptr, 0, nullptr);
    }
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    // The reader may be blocked in ReadFile; the process ends regardless.
    if (reader) CloseHandle(reader);
    ExitProcess(0);
}
