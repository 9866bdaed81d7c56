// AppShell.cpp - data-folder wait with its tray icon, the help file, tray
// icons, elevation.
#include "framework/core/AppShell.h"

#include "framework/core/AppObject.h"
#include "framework/core/AppWindow.h"
#include "framework/core/FrameworkHooks.h"
#include "framework/core/RecordFile.h"
#include "framework/core/TextUtil.h"

#include <shellapi.h>
#include <shlobj.h>
#include <stdarg.h>
#include <string.h>

static ShellPlatform g_shellPlatform;

void SetShellPlatform(const ShellPlatform* platform)
{
    g_shellPlatform = platform ? *platform : ShellPlatform{};
}

//--- icons

HICON LoadIconFromResource()
{
    HINSTANCE inst = g_app.instance ? g_app.instance : GetModuleHandleA(nullptr);
    HRSRC group = FindResourceA(inst, MAKEINTRESOURCEA(1), (LPCSTR)RT_GROUP_ICON);
    if (!group) return nullptr;
    HGLOBAL data = LoadResource(inst, group);
    BYTE* dir = data ? (BYTE*)LockResource(data) : nullptr;
    if (!dir) return nullptr;
    int id = LookupIconIdFromDirectoryEx(dir, TRUE, 0, 0, LR_DEFAULTCOLOR);
    HRSRC iconRes = id ? FindResourceA(inst, MAKEINTRESOURCEA(id), (LPCSTR)RT_ICON) : nullptr;
    HGLOBAL iconData = iconRes ? LoadResource(inst, iconRes) : nullptr;
    BYTE* bits = iconData ? (BYTE*)LockResource(iconData) : nullptr;
    if (!bits) return nullptr;
    return CreateIconFromResourceEx(bits, SizeofResource(inst, iconRes), TRUE, 0x30000, 0, 0,
                                    LR_DEFAULTCOLOR);
}

void MakeGreyedIcon(HICON icons[2])
{
    icons[0] = LoadIconFromResource();
    icons[1] = nullptr;
    ICONINFO info = {};
    if (!icons[0] || !GetIconInfo(icons[0], &info)) return;
    BITMAP bm = {};
    GetObjectA(info.hbmColor, sizeof(bm), &bm);
    if (bm.bmWidth > 0 && bm.bmHeight > 0 && bm.bmWidth <= 256 && bm.bmHeight <= 256) {
        int n = bm.bmWidth * bm.bmHeight;
        BITMAPINFO bi = {};
        bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
        bi.bmiHeader.biWidth = bm.bmWidth;
        bi.bmiHeader.biHeight = -bm.bmHeight;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        DWORD* px = (DWORD*)calloc((size_t)n, 4);
        DWORD* mask = (DWORD*)calloc((size_t)n, 4);
        HDC dc = GetDC(nullptr);
        if (px && mask && GetDIBits(dc, info.hbmColor, 0, bm.bmHeight, px, &bi, DIB_RGB_COLORS) &&
            GetDIBits(dc, info.hbmMask, 0, bm.bmHeight, mask, &bi, DIB_RGB_COLORS)) {
            double sum = 0;
            int used = 0;
            for (int i = 0; i < n; i++)
                if ((mask[i] & 0xFF) != 0xFF) {
                    sum += px[i] & 0xFF;
                    used++;
                }
            double m = used ? sum / used : 0;
            COLORREF light = GetSysColor(COLOR_3DLIGHT), shadow = GetSysColor(COLOR_BTNSHADOW);
            for (int i = 0; i < n; i++) {
                if ((mask[i] & 0xFF) == 0xFF) continue;
                double b = px[i] & 0xFF, g = (px[i] >> 8) & 0xFF, r = (px[i] >> 16) & 0xFF;
                double f = (r + g + b + 128 - m) / 765;
                if (f < 0) f = 0;
                if (f > 1) f = 1;
                auto mix = [&](int l, int s) { return (DWORD)(l * f + s * (1 - f)) & 0xFF; };
                px[i] = (px[i] & 0xFF000000) | (mix(GetRValue(light), GetRValue(shadow)) << 16) |
                        (mix(GetGValue(light), GetGValue(shadow)) << 8) |
                        mix(GetBValue(light), GetBValue(shadow));
            }
            HBITMAP toned = CreateCompatibleBitmap(dc, bm.bmWidth, bm.bmHeight);
            if (toned && SetDIBits(dc, toned, 0, bm.bmHeight, px, &bi, DIB_RGB_COLORS)) {
                ICONINFO ti = info;
                ti.hbmColor = toned;
                icons[1] = CreateIconIndirect(&ti);
            }
            if (toned) DeleteObject(toned);
        }
        ReleaseDC(nullptr, dc);
        free(px);
        free(mask);
    }
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
}

//--- waiting for the data folder

static bool TryMakeFolder(const char* folder)
{
    if (!folder || !folder[0]) return false;
    return CreateDirectoryTree(folder) == 0;
}

LRESULT CALLBACK WaitForDataPathWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    WaitContext* ctx = (WaitContext*)GetWindowLongPtrA(window, GWLP_USERDATA);
    if (ctx && message == ZRPMSG_TRAYNOTIFY &&
        (lParam == WM_LBUTTONDOWN || lParam == WM_LBUTTONDBLCLK || lParam == WM_RBUTTONDOWN)) {
        HMENU menu = CreatePopupMenu();
        AppendMenuA(menu, MF_STRING, 1, ctx->menuText);
        POINT pt;
        GetCursorPos(&pt);
        SetForegroundWindow(window);
        TrackPopupMenu(menu, TPM_RIGHTBUTTON, pt.x, pt.y, 0, window, nullptr);
        DestroyMenu(menu);
        return 0;
    }
    if (ctx && message == WM_COMMAND && LOWORD(wParam) == 1) {
        ctx->cancelled = 1;
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

int WaitForDataPath(WaitContext* ctx, const char* folder, int retries, const char* tipText,
                    const char* menuText)
{
    CopyText(ctx->tipText, sizeof(ctx->tipText), tipText);
    CopyText(ctx->menuText, sizeof(ctx->menuText), menuText);
    ctx->cancelled = 0;
    ctx->window = nullptr;
    HICON icons[2] = {};
    bool shown = false;
    int result = 2;
    for (int tick = 0;; tick++) {
        if (!folder || !folder[0]) break;
        if (TryMakeFolder(folder)) {
            result = 0;
            break;
        }
        if (retries == 0) break;
        if (retries > 0) retries--;
        if (!ctx->window) {
            MakeGreyedIcon(icons);
            WNDCLASSA wc = {};
            wc.lpfnWndProc = WaitForDataPathWndProc;
            wc.hInstance = ctx->instance;
            wc.lpszClassName = "ZRPWaitForDataPath";
            RegisterClassA(&wc);
            ctx->window = CreateWindowExA(WS_EX_TOOLWINDOW, "ZRPWaitForDataPath", "", WS_POPUP, 0,
                                          0, 0, 0, nullptr, nullptr, ctx->instance, nullptr);
            if (ctx->window) SetWindowLongPtrA(ctx->window, GWLP_USERDATA, (LONG_PTR)ctx);
        }
        if (ctx->window) {
            NOTIFYICONDATAA nid = {};
            nid.cbSize = sizeof(nid);
            nid.hWnd = ctx->window;
            nid.uID = 1;
            nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
            nid.uCallbackMessage = ZRPMSG_TRAYNOTIFY;
            nid.hIcon = icons[tick & 1] ? icons[tick & 1] : icons[0];
            CopyText(nid.szTip, 128, ctx->tipText);
            if (!Shell_NotifyIconA(NIM_MODIFY, &nid)) Shell_NotifyIconA(NIM_ADD, &nid);
            shown = true;
        }
        for (int i = 0; i < 10 && !ctx->cancelled; i++) {
            MSG msg;
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
                if (!ctx->window || !IsDialogMessageA(ctx->window, &msg)) {
                    TranslateMessage(&msg);
                    DispatchMessageA(&msg);
                }
            }
            if (!ctx->cancelled) Sleep(100);
        }
        if (ctx->cancelled) break;
    }
    if (shown) {
        NOTIFYICONDATAA nid = {};
        nid.cbSize = sizeof(nid);
        nid.hWnd = ctx->window;
        nid.uID = 1;
        Shell_NotifyIconA(NIM_DELETE, &nid);
    }
    for (HICON i : icons)
        if (i) DestroyIcon(i);
    if (ctx->window) DestroyWindow(ctx->window);
    ctx->window = nullptr;
    if (result == 0) return 0;
    return ctx->cancelled ? 1 : 2;
}

//--- tray icon of an application window

BOOL SetTrayIcon(AppObject* app, uint16_t windowNumber, uint16_t iconResource, const char* format, ...)
{
    char tip[MAX_PATH];
    if (format) {
        va_list args;
        va_start(args, format);
        FormatTextV(tip, sizeof(tip), format, args);
        va_end(args);
    } else {
        CopyText(tip, sizeof(tip), app->productName);
    }
    HICON icon = (HICON)LoadImageA(app->instance, MAKEINTRESOURCEA(iconResource), IMAGE_ICON, 64,
                                   64, LR_SHARED);
    AppWindow* w = FindAppWindowById(app, windowNumber);
    NOTIFYICONDATAA nid = {};
    nid.cbSize = sizeof(nid);
    nid.hWnd = w ? w->window : GetDesktopWindow();
    nid.uID = windowNumber;
    nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    nid.uCallbackMessage = ZRPMSG_TRAYNOTIFY;
    nid.hIcon = icon;
    CopyText(nid.szTip, 128, tip);
    // Icons loaded with LR_SHARED belong to the system: remembered, never destroyed.
    if (w) w->trayIcon = icon;
    if (!icon) return Shell_NotifyIconA(NIM_DELETE, &nid);
    if (Shell_NotifyIconA(NIM_MODIFY, &nid)) return TRUE;
    return Shell_NotifyIconA(NIM_ADD, &nid);
}

//--- help

static HINSTANCE OpenViewer(const char* viewer, const char* argument)
{
    return ShellExecuteA(nullptr, nullptr, viewer, argument, nullptr, SW_SHOWNORMAL);
}

static void HelpPath(AppObject* app, char* path, size_t size)
{
    if (GetFileAttributesA(HELP_FILE_NAME) != INVALID_FILE_ATTRIBUTES) {
        CopyText(path, size, HELP_FILE_NAME);
    } else {
        char install[MAX_PATH];
        CopyTextN(install, sizeof(install), app->installRecord.installFolder,
                  sizeof(app->installRecord.installFolder));
        FormatText(path, size, "%s\\%s", install, HELP_FILE_NAME);
    }
    char shortPath[MAX_PATH];
    DWORD n = GetShortPathNameA(path, shortPath, sizeof(shortPath));
    if (n > 0 && n < sizeof(shortPath)) CopyText(path, size, shortPath);
}

int ShowHelp(AppObject* app, const char* topic)
{
    char path[MAX_PATH];
    HelpPath(app, path, sizeof(path));
    char viewer[MAX_PATH] = "";
    INT_PTR found = (INT_PTR)FindExecutableA(path, nullptr, viewer);
    if (found == SE_ERR_NOASSOC) {
        AppShowMessage(app, nullptr, app->productName, 0x111, AppText(0xF007, 0), HELP_FILE_NAME);
        return HELP_NO_VIEWER;
    }
    if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES) {
        AppShowMessage(app, nullptr, app->productName, 0x111, AppText(0xF007, 1), path);
        return HELP_MISSING;
    }
    char argument[MAX_PATH * 2];
    if (topic && topic[0])
        FormatText(argument, sizeof(argument), "\"%s::/%s\"", path, topic);
    else
        FormatText(argument, sizeof(argument), "\"%s\"", path);
    HINSTANCE result = (g_shellPlatform.openViewer ? g_shellPlatform.openViewer : OpenViewer)(viewer, argument);
    if ((INT_PTR)result <= 32) {
        AppShowMessage(app, nullptr, app->productName, 0x111, AppText(0xF007, 0), HELP_FILE_NAME);
        return HELP_NOT_OPENED;
    }
    return HELP_SHOWN;
}

//--- elevation and autostart

static int QueryTokenElevation()
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return -1;
    TOKEN_ELEVATION elevation = {};
    DWORD size = 0;
    BOOL ok = GetTokenInformation(token, TokenElevation, &elevation, sizeof(elevation), &size);
    CloseHandle(token);
    if (!ok) return -1;
    return elevation.TokenIsElevated ? 1 : 0;
}

int IsProcessElevated()
{
    // Before Vista every token has all its rights.
    if (g_app.windowsVersion != 0 && g_app.windowsVersion < 6) return 1;
    return (g_shellPlatform.tokenElevation ? g_shellPlatform.tokenElevation : QueryTokenElevation)();
}

int RemoveStartupShortcut(AppObject* app)
{
    char folder[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathA(nullptr, CSIDL_STARTUP | CSIDL_FLAG_CREATE, nullptr, 0, folder)) ||
        !folder[0])
        return ZRP_ERR_STARTUP_DIR;
    size_t len = strlen(folder);
    const char* sep = (len && folder[len - 1] == '\\') ? "" : "\\";
    char path[MAX_PATH];
    if (FormatText(path, sizeof(path), "%s%s%s.lnk", folder, sep, app->productName))
        DeleteFileA(path);
    return 0;
}
