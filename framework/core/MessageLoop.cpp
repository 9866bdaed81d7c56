// MessageLoop.cpp - the message loop and the filter every UI-thread message passes.
#include "framework/core/MessageLoop.h"

#include "framework/core/AppObject.h"
#include "framework/core/AppWindow.h"
#include "framework/core/FrameworkHooks.h"

#include <string.h>

int RunMessageLoop(AppObject* app)
{
    app->inMessageLoop = 1;
    PostHeldInstanceRequests(app);
    MSG msg;
    int code = 0;
    for (;;) {
        BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0) {
            code = (int)msg.wParam;
            break;
        }
        if (got == -1) break;
        if (!PreTranslateAppMessage(app, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    app->inMessageLoop = 0;
    return code;
}

bool PumpMessagesFor(AppObject* app, DWORD milliseconds)
{
    if (!app->controlWindow ||
        GetWindowThreadProcessId(app->controlWindow, nullptr) != GetCurrentThreadId()) {
        Sleep(milliseconds);
        return true;
    }
    ULONGLONG end = GetTickCount64() + milliseconds;
    MSG msg;
    do {
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                PostQuitMessage((int)msg.wParam);
                return false;
            }
            if (!PreTranslateAppMessage(app, &msg)) {
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
        }
        Sleep(0);
    } while (GetTickCount64() < end);
    return true;
}

//--- border resizing of borderless windows

struct ResizeState {
    AppWindow* window;
    int zone;          // 1 top-left ... 8 top, 0 none
    bool captured;
    int toLeft, toTop, toRight, toBottom;
};
static ResizeState g_resize;

void SetResizeCursor()
{
    static const LPCSTR cursors[9] = {nullptr,     IDC_SIZENWSE, IDC_SIZEWE, IDC_SIZENESW, IDC_SIZENS,
                                      IDC_SIZENWSE, IDC_SIZEWE,  IDC_SIZENESW, IDC_SIZENS};
    if (g_resize.zone >= 1 && g_resize.zone <= 8)
        SetCursor(LoadCursorA(nullptr, cursors[g_resize.zone]));
}

static AppWindow* AppWindowUnder(AppObject* app, HWND window)
{
    for (HWND w = window; w; w = GetParent(w)) {
        AppWindow* r = FindAppWindowByHandle(app, w);
        if (r) return r;
    }
    return nullptr;
}

static int ZoneAt(HWND window, POINT screen)
{
    RECT wr;
    GetWindowRect(window, &wr);
    int x = screen.x - wr.left, y = screen.y - wr.top;
    int w = (wr.right - wr.left) - 5, h = (wr.bottom - wr.top) - 5;
    if (x < 5) return y < 5 ? 1 : (y >= h ? 3 : 2);
    if (x >= w) return y < 5 ? 7 : (y >= h ? 5 : 6);
    if (y < 5) return 8;
    if (y >= h) return 4;
    return 0;
}

static bool HandleBorderResize(AppObject* app, MSG* msg)
{
    UINT m = msg->message;
    bool move = m == WM_MOUSEMOVE || m == WM_NCMOUSEMOVE;
    bool down = m == WM_LBUTTONDOWN || m == WM_NCLBUTTONDOWN;
    bool up = m == WM_LBUTTONUP || m == WM_NCLBUTTONUP;
    if (!move && !down && !up) return false;
    POINT pt;
    GetCursorPos(&pt);
    if (g_resize.captured) {
        AppWindow* r = g_resize.window;
        if (up) {
            ReleaseCapture();
            g_resize.captured = false;
            return true;
        }
        if (!move) return true;
        RECT wr;
        GetWindowRect(r->window, &wr);
        int z = g_resize.zone;
        if (z == 1 || z == 2 || z == 3) wr.left = pt.x - g_resize.toLeft;
        if (z == 5 || z == 6 || z == 7) wr.right = pt.x + g_resize.toRight;
        if (z == 1 || z == 7 || z == 8) wr.top = pt.y - g_resize.toTop;
        if (z == 3 || z == 4 || z == 5) wr.bottom = pt.y + g_resize.toBottom;
        SetWindowPos(r->window, nullptr, wr.left, wr.top, wr.right - wr.left, wr.bottom - wr.top,
                     SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
        r->normalRect = r->windowRect;
        return true;
    }
    AppWindow* r = AppWindowUnder(app, msg->hwnd);
    if (!r || !(r->flags & APPWIN_BORDERLESS) || (r->flags & APPWIN_LOCKSIZE)) {
        g_resize.zone = 0;
        return false;
    }
    if (move) {
        g_resize.window = r;
        g_resize.zone = ZoneAt(r->window, pt);
        if (!g_resize.zone) return false;
        RECT wr;
        GetWindowRect(r->window, &wr);
        g_resize.toLeft = pt.x - wr.left;
        g_resize.toTop = pt.y - wr.top;
        g_resize.toRight = wr.right - pt.x;
        g_resize.toBottom = wr.bottom - pt.y;
        SetResizeCursor();
        return true;
    }
    if (down && g_resize.zone && g_resize.window == r) {
        SetCapture(r->window);
        g_resize.captured = true;
        return true;
    }
    return false;
}

//--- keyboard

static bool IsOwnForeground(HWND* foreground)
{
    HWND fg = GetForegroundWindow();
    DWORD pid = 0;
    if (fg) GetWindowThreadProcessId(fg, &pid);
    *foreground = fg;
    return fg && pid == GetCurrentProcessId();
}

struct TabStops {
    HWND list[256];
    int count;
};

static BOOL CALLBACK CollectTabStop(HWND child, LPARAM data)
{
    TabStops* t = (TabStops*)data;
    LONG style = GetWindowLongA(child, GWL_STYLE);
    if ((style & WS_TABSTOP) && IsWindowVisible(child) && IsWindowEnabled(child) &&
        t->count < (int)(sizeof(t->list) / sizeof(t->list[0])))
        t->list[t->count++] = child;
    return TRUE;
}

static bool HandleTab(AppObject* app)
{
    AppWindow* r = FindAppWindowById(app, app->menuWindowNumber);
    if (!r) return false;
    TabStops stops = {};
    EnumChildWindows(r->window, CollectTabStop, (LPARAM)&stops);
    if (stops.count == 0) return false;
    SendMessageA(r->window, ZRPMSG_TABORDER, 0, (LPARAM)&stops);
    HWND focus = GetFocus();
    int at = -1;
    for (int i = 0; i < stops.count; i++)
        if (stops.list[i] == focus) at = i;
    bool back = (GetKeyState(VK_SHIFT) & 0x8000) != 0;
    int next = at < 0 ? 0 : (at + (back ? stops.count - 1 : 1)) % stops.count;
    SetFocus(stops.list[next]);
    return true;
}

static bool HandleAccelerator(AppObject* app, MSG* msg)
{
    WPARAM key = msg->wParam;
    if (key == VK_SHIFT || key == VK_CONTROL || key == VK_MENU || !app->acceleratorsEnabled) return false;
    HWND fg = nullptr;
    bool own = IsOwnForeground(&fg);
    int at = FindAcceleratorMatch(app, (uint16_t)key, (GetKeyState(VK_SHIFT) & 0x8000) != 0,
                                  (GetKeyState(VK_CONTROL) & 0x8000) != 0, (GetKeyState(VK_MENU) & 0x8000) != 0, fg);
    if (at < 0) return false;
    uint16_t command = app->accelerators.data[at].command;
    int row = FindCommandIndex(app, command);
    uint32_t flags = row >= 0 ? app->commands.data[row].flags : CMD_ENABLED;
    if (own && (flags & (CMD_ENABLED | CMD_ACCELDISABLED)))
        SendMessageA(fg, ZRPMSG_COMMAND, MAKEWPARAM(command, 0x10), (LPARAM)GetFocus());
    return true;
}

static HWND DialogOf(HWND window)
{
    for (HWND w = window; w; w = GetParent(w)) {
        char cls[16] = {};
        GetClassNameA(w, cls, sizeof(cls));
        if (!strcmp(cls, "#32770")) return w;
        if (!(GetWindowLongA(w, GWL_STYLE) & WS_CHILD)) break;
    }
    return nullptr;
}

bool PreTranslateAppMessage(AppObject* app, MSG* msg)
{
    if (app->menuMode) {
        const FrameworkHooks* hooks = GetFrameworkHooks();
        if (hooks->filterMenuMessage && hooks->filterMenuMessage(app, msg)) return true;
    } else {
        if (msg->message == WM_SYSKEYUP && msg->wParam == VK_MENU) {
            AppWindow* r = FindAppWindowById(app, app->menuWindowNumber);
            if (r) {
                SendMessageA(r->window, ZRPMSG_MENUBARMODE, 0, 0);
                return true;
            }
        } else if (msg->message == WM_KEYDOWN && msg->wParam == VK_TAB) {
            if (HandleTab(app)) return true;
        } else if (msg->message == WM_KEYDOWN) {
            if (HandleAccelerator(app, msg)) return true;
        }
        if (HandleBorderResize(app, msg)) return true;
    }
    HWND dialog = DialogOf(msg->hwnd);
    if (dialog) {
        bool enterOrEscape = msg->message == WM_KEYDOWN && (msg->wParam == VK_RETURN || msg->wParam == VK_ESCAPE);
        if (!(enterOrEscape && SendMessageA(dialog, WM_GETDLGCODE, msg->wParam, (LPARAM)msg->hwnd)) &&
            IsDialogMessageA(dialog, msg))
            return true;
    }
    return false;
}
