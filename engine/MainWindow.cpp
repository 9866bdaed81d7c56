// MainWindow.cpp - the product's hub on the UI thread: timer, commands,
// hand-over messages, display changes and the worker's wake-ups.
#include "engine/MainWindow.h"

#include "engine/CommandLineCommands.h"
#include "engine/Engine.h"
#include "engine/ProductIds.h"
#include "engine/ProfileStore.h"
#include "engine/ProfileSwitch.h"
#include "engine/ProfileUpdates.h"
#include "engine/ScriptRequests.h"
#include "engine/Triggers.h"
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
    case CMD_TRAY_OPEN:
        SendMessageA(window, ZRPMSG_NEWCOMMANDLINE, NEWCOMMANDLINE_OPEN_DIALOG, 0);
        return;
    case CMD_TRAY_QUIT:
        PostQuitMessage(0);
        return;
    }
    int row = -1;
    if (id >= CMD_PROFILE_SWITCH && id < CMD_PROFILE_SWITCH + PROFILE_MENU_ROWS) {
        row = id - CMD_PROFILE_SWITCH;
        if (row < ProfileCount()) SwitchProfile(row, PROFILE_SOURCE_USER, 1, 1);
    } else if (id >= CMD_PROFILE_EXECUTE && id < CMD_PROFILE_EXECUTE + PROFILE_MENU_ROWS) {
        // The menu's execute: no enabled test and no execute script.
        row = id - CMD_PROFILE_EXECUTE;
        if (row < ProfileCount()) ExecuteProfile(&g_profiles.data[row], PROFILE_SOURCE_USER, EXECUTE_FORCE);
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
    case WM_SCRIPTREQUEST:
        HandleScriptRequest(wParam, lParam);
        return 0;
    case WM_WAKEWORKER:
        WakeAutoApply();
        break;
    case ZRPMSG_SAVEALL:
        SaveAll();
        break;
    case ZRPMSG_COMMAND:
        OnCommand(window, LOWORD(wParam));
        break;
    case ZRPMSG_NEWCOMMANDLINE:
        if (wParam != NEWCOMMANDLINE_OPEN_DIALOG) RunCommandLineCommands();
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
