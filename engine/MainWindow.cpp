// MainWindow.cpp - the product's hub on the UI thread: the 1 s timer, raw
// mouse buttons, session, power, display, DPI and virtual-desktop events,
// profile commands and menus, and the framework's private messages.
#include "engine/MainWindow.h"

#include "engine/CaptureFrameLink.h"
#include "engine/CommandLineCommands.h"
#include "engine/DesktopIcons.h"
#include "engine/Engine.h"
#include "engine/Hotkeys.h"
#include "engine/LiveEdit.h"
#include "engine/MainDialogLink.h"
#include "engine/OptionsRecord.h"
#include "engine/ProductIds.h"
#include "engine/ProductStrings.h"
#include "engine/ProfileStore.h"
#include "engine/ProfileSwitch.h"
#include "engine/ProfileUpdates.h"
#include "engine/ScriptRequests.h"
#include "engine/TrayIcon.h"
#include "engine/TraySlots.h"
#include "engine/Triggers.h"
#include "engine/WindowTable.h"
#include "engine/Worker.h"
#include "framework/core/AppObject.h"
#include "framework/core/AppShell.h"
#include "framework/core/RecordFile.h"
#include "framework/core/TextUtil.h"
#include "vdesktop/VirtualDesktop.h"

#include <dwmapi.h>
#include <shlobj.h>

//--- system calls behind a seam

static HRESULT SystemCaptionButtonBounds(HWND window, RECT* bounds)
{
    return DwmGetWindowAttribute(window, DWMWA_CAPTION_BUTTON_BOUNDS, bounds, sizeof(*bounds));
}

typedef HRESULT(WINAPI* SetFolderPathProc)(int, HANDLE, DWORD, LPCSTR);

static HRESULT SystemSetFolderPath(int csidl, HANDLE token, DWORD flags, const char* path)
{
    // Exported by ordinal only.
    static SetFolderPathProc setFolderPath;
    if (!setFolderPath) {
        HMODULE shell = LoadLibraryA("shell32.dll");
        if (shell) setFolderPath = (SetFolderPathProc)(void*)GetProcAddress(shell, MAKEINTRESOURCEA(231));
    }
    return setFolderPath ? setFolderPath(csidl, token, flags, path) : E_NOTIMPL;
}

static MainWindowPlatform g_platform;

void SetMainWindowPlatform(const MainWindowPlatform* platform)
{
    g_platform = platform ? *platform : MainWindowPlatform{};
}

static LRESULT PassOn(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return g_app.savedWindowProc ? CallWindowProcA(g_app.savedWindowProc, window, message, wParam, lParam)
                                 : DefWindowProcA(window, message, wParam, lParam);
}

//--- raw mouse buttons

bool IsMinimizeButtonHit(HWND window, POINT cursor)
{
    RECT bounds = {};
    HRESULT hr = (g_platform.captionButtonBounds ? g_platform.captionButtonBounds : SystemCaptionButtonBounds)(
        window, &bounds);
    if (SUCCEEDED(hr) && bounds.right - bounds.left > 0) {
        RECT frame;
        if (!GetWindowRect(window, &frame)) return false;
        OffsetRect(&bounds, frame.left, frame.top);
        // The minimize button is the first of the three.
        int third = (bounds.right - bounds.left) / 3;
        return cursor.y >= bounds.top && cursor.y <= bounds.bottom && cursor.x >= bounds.left &&
               cursor.x <= bounds.left + third;
    }
    // No frame from the desktop window manager (Wine, classic frames): ask the window.
    DWORD_PTR hit = HTNOWHERE;
    if (!SendMessageTimeoutA(window, WM_NCHITTEST, 0, MAKELPARAM(cursor.x, cursor.y), SMTO_ABORTIFHUNG, 1000,
                             &hit))
        return false;
    return hit == HTMINBUTTON;
}

static HWND TopWindowAt(POINT cursor)
{
    HWND desktop = GetDesktopWindow();
    HWND window = WindowFromPoint(cursor);
    // Wine answers the desktop over a caption.
    if (!window || window == desktop) window = ChildWindowFromPointEx(desktop, cursor, CWP_SKIPINVISIBLE);
    return window == desktop ? nullptr : window;
}

static void OnRightButtonUp(HWND mainWindow)
{
    POINT cursor;
    HWND window = Options.bMinimizeToTray && GetCursorPos(&cursor) ? TopWindowAt(cursor) : nullptr;
    if (window && IsMinimizeButtonHit(window, cursor)) {
        SendMessageTimeoutA(window, WM_CANCELMODE, 0, 0, SMTO_ABORTIFHUNG, 1000, nullptr);
        PostMessageA(mainWindow, WM_TRAY_MINIMIZE, (WPARAM)-1, (LPARAM)window);
    }
    WakeAutoApply();
}

static void OnRawInput(HWND window, LPARAM lParam)
{
    // The record's own size: 48 bytes on x64, where a 32-bit layout's 40 fail.
    RAWINPUT input = {};
    UINT size = sizeof(input);
    if (GetRawInputData((HRAWINPUT)lParam, RID_INPUT, &input, &size, sizeof(RAWINPUTHEADER)) == (UINT)-1 ||
        input.header.dwType != RIM_TYPEMOUSE)
        return;
    USHORT flags = input.data.mouse.usButtonFlags;
    if (flags & RI_MOUSE_RIGHT_BUTTON_UP)
        OnRightButtonUp(window);
    else if (flags & (RI_MOUSE_LEFT_BUTTON_DOWN | RI_MOUSE_LEFT_BUTTON_UP | RI_MOUSE_RIGHT_BUTTON_DOWN))
        WakeAutoApply();
}

//--- virtual desktops

// One desktop folder per virtual desktop: the user's own for desktop 0.
static void SwitchDesktopFolder(int previous, int desktop)
{
    if (previous != -1) SaveDesktopIconsAsync(g_currentDesktop, true);
    char folder[MAX_PATH];
    if (desktop == 0)
        CopyText(folder, sizeof(folder), Options.szUserDesktop);
    else
        FormatText(folder, sizeof(folder), "%s\\Desktop%d", g_app.dataFolder, desktop + 1);
    // A folder that cannot be made leaves the shell's call to fail quietly.
    CreateDirectoryTree(folder);
    (g_platform.setFolderPath ? g_platform.setFolderPath : SystemSetFolderPath)(CSIDL_DESKTOPDIRECTORY, nullptr,
                                                                                0, folder);
    PIDLIST_ABSOLUTE item = nullptr;
    if (SUCCEEDED(SHGetSpecialFolderLocation(nullptr, CSIDL_DESKTOPDIRECTORY, &item)) && item) {
        SHChangeNotify(SHCNE_UPDATEITEM, SHCNF_IDLIST | SHCNF_FLUSH, item, nullptr);
        CoTaskMemFree(item);
    }
    SendMessageTimeoutA(HWND_BROADCAST, WM_SETTINGCHANGE, 0, 0, SMTO_ABORTIFHUNG, 3000, nullptr);
    if (desktop != -1) RestoreDesktopIconsAsync(desktop, previous == -1);
}

// previous -1: the entry point's shutdown call, which only puts desktop 0's
// folder back, on this thread.
static void OnDesktopChanged(int previous, int desktop)
{
    if (Options.bIndividualIcons && Options.szUserDesktop[0]) SwitchDesktopFolder(previous, desktop);
    g_currentDesktop = desktop;
    if (previous == -1) return;
    CheckDesktopTrigger(desktop);
}

//--- profile commands and menus

static Profile* ProfileAt(int index)
{
    return index >= 0 && index < g_profiles.count ? &g_profiles.data[index] : nullptr;
}

static void OnCommand(HWND window, WORD id)
{
    // The menus offer only ids of existing profiles; any other is ignored.
    if (id >= CMD_PROFILE_SWITCH && id < CMD_PROFILE_SWITCH + PROFILE_MENU_ROWS) {
        if (ProfileAt(id - CMD_PROFILE_SWITCH)) SwitchProfile(id - CMD_PROFILE_SWITCH, PROFILE_SOURCE_USER, 1, 1);
    } else if (id >= CMD_PROFILE_EXECUTE && id < CMD_PROFILE_EXECUTE + PROFILE_MENU_ROWS) {
        // The menu's execute: no enabled test and no execute script.
        Profile* p = ProfileAt(id - CMD_PROFILE_EXECUTE);
        if (p) ExecuteProfile(p, PROFILE_SOURCE_USER, EXECUTE_FORCE);
    } else if (id >= CMD_PROFILE_UPDATE && id < CMD_PROFILE_UPDATE + PROFILE_MENU_ROWS) {
        Profile* p = ProfileAt(id - CMD_PROFILE_UPDATE);
        if (p) RunProfileUpdate(p);
    } else if (id == CMD_TRAY_ENABLED) {
        SetProgramEnabled(Options.bEnabled != 1);
    } else if (id == CMD_TRAY_OPEN) {
        SendMessageA(window, ZRPMSG_NEWCOMMANDLINE, NEWCOMMANDLINE_OPEN_DIALOG, 0);
    } else if (id == CMD_TRAY_QUIT) {
        if (g_mainDialog)
            PostMessageA(g_mainDialog, WM_COMMAND, MAIN_DIALOG_QUIT, 0);
        else
            PostQuitMessage(0);
    }
}

// The ids of a profile submenu, ending with CMD_LIST_END; the names are
// copied into the command texts and the current profile is checked.
static uint16_t* ProfileMenuItems(WPARAM popup)
{
    static uint16_t items[PROFILE_MENU_ROWS + 1];
    int n = g_profiles.count < PROFILE_MENU_ROWS ? g_profiles.count : PROFILE_MENU_ROWS;
    for (int i = 0; i < n; i++) {
        uint16_t id = (uint16_t)(popup + 1 + i);
        CopyText(g_profileMenuNames[i], sizeof(g_profileMenuNames[i]), g_profiles.data[i].szGenName);
        items[i] = id;
        int row = FindCommandIndex(&g_app, id);
        if (row < 0) continue;
        bool was = (g_app.commands.data[row].flags & CMD_CHECKED) != 0;
        bool now = i == Options.iCurProfile;
        SetCommandChecked(&g_app, id, now);
        if (was != now) RedrawCommandItems(&g_app, id);
    }
    items[n] = CMD_LIST_END;
    return items;
}

static void OnTrayNotify(HWND window, LPARAM mouseMessage)
{
    if (mouseMessage == WM_LBUTTONDOWN || mouseMessage == WM_LBUTTONDBLCLK)
        SendMessageA(window, ZRPMSG_NEWCOMMANDLINE, NEWCOMMANDLINE_OPEN_DIALOG, 0);
    else if (mouseMessage == WM_RBUTTONDOWN) {
        SetCommandChecked(&g_app, CMD_TRAY_ENABLED, Options.bEnabled == 1);
        ShowAppTrayMenu(window);
    }
}

//--- the procedure

static void OnTimer()
{
    CheckEventTriggers();
    CheckEventUpdates();
    RemoveVanishedTrayIcons();
    // Only execution in the first second after a "-NOEXECUTE" start is held back.
    g_noExecute = 0;
}

static LRESULT DispatchMainWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        g_mainWindow = window;
        g_windowCount = 0;
        SetTimer(window, MAIN_TIMER_ID, 1000, nullptr);
        break;
    case WM_QUIT:
        SaveAll();
        PostQuitMessage(0);
        break;
    case WM_ENDSESSION:
        SaveAll();
        break;
    case WM_INPUT:
        OnRawInput(window, lParam);
        break;
    case WM_COMMAND:
        if (LOWORD(wParam) >= TRAY_SLOT_COMMAND_FIRST && LOWORD(wParam) <= TRAY_SLOT_COMMAND_LAST)
            OnTraySlotCommand(LOWORD(wParam));
        break;
    case WM_TIMER:
        OnTimer();
        break;
    case WM_POWERBROADCAST:
        if (wParam == PBT_APMSUSPEND) SaveAll();
        CheckPowerTrigger(wParam, lParam);
        break;
    case WM_WTSSESSION_CHANGE:
        CheckSessionTrigger((uint32_t)wParam);
        break;
    case WM_HOTKEY:
        HandleHotkey((int)wParam);
        break;
    case WM_CAPTUREFRAME:
        ShowCaptureFrame((HWND)lParam);
        break;
    case WM_DESKTOPEVENT_BASE:
        OnDesktopChanged((int)(INT_PTR)wParam, (int)(INT_PTR)lParam);
        break;
    case WM_SCRIPTREQUEST:
        HandleScriptRequest(wParam, lParam);
        return 0;
    case WM_WAKEWORKER:
        g_desktopsCheck = 1;
        WakeAutoApply();
        break;
    case WM_DESKTOP_DESTROYED:
    case WM_DESKTOP_CREATED:
        RegisterDesktopHotkeys(1);
        break;
    case WM_TRAY_MINIMIZE:
        MinimizeToTray((HWND)lParam);
        break;
    case WM_TRAY_REFRESH:
        if (wParam == WM_NCDESTROY)
            RemoveTrayIcon((HWND)lParam);
        else
            UpdateTrayIcon((HWND)lParam);
        break;
    case WM_TRAY_SLOTICON:
        OnTraySlotIcon(wParam, lParam);
        break;
    case WM_WINDOW_MINIMIZED:
        return OfferMinimizedWindowToTray((int)lParam);
    case WM_NETWORKCHANGED:
        // Honours a "-NOEXECUTE" start: the first notification comes at once.
        CheckNetworkChangeTrigger(0, g_noExecute ? 0 : 1);
        return 0;
    case ZRPMSG_SAVEALL:
        SaveAll();
        break;
    case ZRPMSG_COMMAND:
        OnCommand(window, LOWORD(wParam));
        break;
    case ZRPMSG_GETMENUITEMS:
        if (wParam == CMD_PROFILE_MENU || wParam == CMD_EXECUTE_MENU || wParam == CMD_UPDATE_MENU)
            return (LRESULT)ProfileMenuItems(wParam);
        return 0;
    case ZRPMSG_TRAYNOTIFY:
        OnTrayNotify(window, lParam);
        break;
    case ZRPMSG_HELP:
        ShowHelp(&g_app, (const char*)wParam);
        break;
    case ZRPMSG_NEWCOMMANDLINE:
        if (wParam == NEWCOMMANDLINE_OPEN_DIALOG) {
            OpenMainDialog();
            break;
        }
        RunCommandLineCommands();
        return 0;
    case ZRPMSG_TASKBARCREATED:
        UpdateAppTrayIcon(1);
        RecreateTrayIcons();
        if (g_virtualDesktop) g_virtualDesktop->Init();
        break;
    case ZRPMSG_QUIT:
        PostMessageA(window, WM_QUIT, 0, 0);
        break;
    case ZRPMSG_MONITORSCHANGED:
        CheckScreenChangeTrigger(0, 1);
        break;
    case ZRPMSG_DPICHANGED:
        CheckDpiChangeTrigger((int)wParam);
        break;
    }
    return PassOn(window, message, wParam, lParam);
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    // Hotkeys and hand-overs are live edits of their own; the tray icon's
    // clicks only open menus and the dialog.
    if (message == WM_HOTKEY || message == ZRPMSG_NEWCOMMANDLINE || message == ZRPMSG_TRAYNOTIFY)
        return DispatchMainWindow(window, message, wParam, lParam);
    // Triggers and menu commands read live profiles and may pump messages on
    // the way: live edits wait until they are done.
    BeginLiveCommand();
    LRESULT result = DispatchMainWindow(window, message, wParam, lParam);
    EndLiveCommand();
    return result;
}
