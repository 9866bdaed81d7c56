// MainWindow.cpp - the product's hub on the UI thread: timer, commands,
// hand-over messages, display changes and the worker's wake-ups.
#include "engine/MainWindow.h"

#include "engine/Engine.h"
#include "engine/EngineStubs.h"
#include "engine/Log.h"
#include "engine/ProfileStore.h"
#include "engine/Records.h"
#include "engine/Worker.h"
#include "framework/core/AppObject.h"

static LRESULT PassOn(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return CallWindowProcA(g_app.savedWindowProc, window, message, wParam, lParam);
}

static void OnRawInput(LPARAM lParam)
{
    RAWINPUT input = {};
    UINT size = sizeof(input);
    if (GetRawInputData((HRAWINPUT)lParam, RID_INPUT, &input, &size, sizeof(RAWINPUTHEADER)) ==
            (UINT)-1 ||
        input.header.dwType != RIM_TYPEMOUSE)
        return;
    USHORT flags = input.data.mouse.usButtonFlags;
    if (flags & (RI_MOUSE_LEFT_BUTTON_DOWN | RI_MOUSE_LEFT_BUTTON_UP | RI_MOUSE_RIGHT_BUTTON_DOWN |
                 RI_MOUSE_RIGHT_BUTTON_UP))
        WakeAutoApply();
}

static void OnCommand(HWND window, WORD id)
{
    switch (id) {
    case 1012:
        SendMessageA(window, ZRPMSG_NEWCOMMANDLINE, 1234, 0);
        return;
    case 1020:
        PostQuitMessage(0);
        return;
    }
    if (id >= 1101 && id <= 1116 && id - 1101 < ProfileCount()) {
        SwitchProfile(id - 1101, PROFILE_SOURCE_USER, 1, 1);
    } else if (id >= 1121 && id <= 1136 && id - 1121 < ProfileCount()) {
        // The menu's execute: no enabled test and no execute script.
        Profile* p = &g_profiles.data[id - 1121];
        LogLine("PRF: Executing Profile (%s)", p->szGenName);
        g_refreshAllowed = 0;
        ApplyProfile(p, PROFILE_SOURCE_USER, true);
        g_refreshAllowed = 1;
    }
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        g_mainWindow = window;
        SetTimer(window, MAIN_TIMER_ID, 1000, nullptr);
        break;
    case WM_ENDSESSION:
        SaveAll();
        break;
    case WM_INPUT:
        OnRawInput(lParam);
        break;
    case WM_TIMER:
        CheckEventTriggers();
        CheckEventUpdates();
        g_noExecute = 0;
        break;
    case WM_NETWORKCHANGED:
        CheckNetworkChangeTrigger(0, 1);
        return 0;
    case 0x465:
        WakeAutoApply();
        break;
    case ZRPMSG_SAVEALL:
        SaveAll();
        break;
    case ZRPMSG_COMMAND:
        OnCommand(window, LOWORD(wParam));
        break;
    case ZRPMSG_NEWCOMMANDLINE:
        if (wParam != 1234) RunCommandLineCommands();
        break;
    case ZRPMSG_QUIT:
        PostMessageA(window, WM_QUIT, 0, 0);
        break;
    case ZRPMSG_MONITORSCHANGED:
        CheckScreenChangeTrigger(0, 1);
        break;
    }
    return PassOn(window, message, wParam, lParam);
}
