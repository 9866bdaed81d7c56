// PhantomWindow.cpp - the hidden control window: other instances, the taskbar,
// display and DPI changes, the end of the session and the hourly timer.
#include "framework/core/AppObject.h"
#include "framework/core/AppShell.h"
#include "framework/core/AppWindow.h"
#include "framework/core/CommandLine.h"
#include "framework/core/MessageLoop.h"
#include "framework/core/MonitorTable.h"
#include "framework/core/TextUtil.h"
#include "framework/core/FrameworkHooks.h"

#include <math.h>
#include <string.h>

static const UINT_PTR kHourlyTimer = 0x4321;
static int g_hourlyTicks;

static int RoundHalfAway(double v)
{
    return (int)(v < 0 ? ceil(v - 0.5) : floor(v + 0.5));
}

void HandleDisplayChange(AppObject* app, UINT message, WPARAM wParam, LPARAM lParam)
{
    MonitorTable before, now;
    GetMonitorSnapshot(&before);
    RefreshMonitors();
    GetMonitorSnapshot(&now);
    bool layoutChanged = before.screenX != now.screenX || before.screenY != now.screenY ||
                         before.screenWidth != now.screenWidth ||
                         before.screenHeight != now.screenHeight;
    int newDpi = 0;
    bool dpiChanged = false;
    for (int i = 0; i < now.count && i < MONITOR_TABLE_MAX; i++) {
        if (before.dpis[i] != now.dpis[i]) {
            dpiChanged = true;
            newDpi = (int)now.dpis[i];
            break;
        }
    }
    GrowArray<AppWindow*>* list = &app->windows;
    if (layoutChanged) {
        SetPreviousMonitors(&before);
        for (int i = list->count - 1; i >= 0; i--) {
            AppWindow* r = list->data[i];
            if (r->flags & (APPWIN_KEEPONRESCHANGE | APPWIN_CREATED)) continue;
            RECT wr;
            GetWindowRect(r->window, &wr);
            int n = MonitorIndexInTable(&now, wr.left, wr.top);
            int o = MonitorIndexInTable(&before, wr.left, wr.top);
            const RECT& N = now.monitorRects[n];
            const RECT& O = before.monitorRects[o];
            int ow = O.right - O.left, oh = O.bottom - O.top;
            if (ow <= 0 || oh <= 0) continue;
            double sx = (double)(N.right - N.left) / ow, sy = (double)(N.bottom - N.top) / oh;
            const RECT& nr = r->normalRect;
            int left = RoundHalfAway(nr.left * sx), top = RoundHalfAway(nr.top * sy);
            SetAppWindowPos(r, left, top, RoundHalfAway(nr.right * sx - nr.left * sx),
                            RoundHalfAway(nr.bottom * sy - nr.top * sy), false);
        }
        WPARAM size = message == WM_DISPLAYCHANGE ? (WPARAM)lParam : 0;
        for (int i = list->count - 1; i >= 0; i--)
            SendMessageA(list->data[i]->window, ZRPMSG_MONITORSCHANGED, size, 0);
    } else if (dpiChanged) {
        MonitorTable previous = {};
        GetMonitorSnapshot(&previous, true);
        for (int i = 0; i < MONITOR_TABLE_MAX; i++) previous.dpis[i] = before.dpis[i];
        SetPreviousMonitors(&previous);
        WPARAM dpi = message == WM_DPICHANGED ? LOWORD(wParam) : (WPARAM)newDpi;
        for (int i = list->count - 1; i >= 0; i--)
            SendMessageA(list->data[i]->window, ZRPMSG_DPICHANGED, dpi, 0);
    }
}

// The requests one instance sends another. The message carries nothing but
// the code, so any other code would reach a handler without the parameters it
// reads (a WM_GETMINMAXINFO without its MINMAXINFO): those are ignored.
static bool IsInstanceRequest(WPARAM code)
{
    return code == ZRPMSG_NEWCOMMANDLINE || code == ZRPMSG_QUIT || code == ZRPMSG_RESTART;
}

//--- requests kept during start-up

// Set on the UI thread only, before the message loop runs.
static bool g_heldCommandLine, g_heldQuit;

static BOOL CALLBACK EndStartupBox(HWND window, LPARAM)
{
    char cls[16] = "";
    GetClassNameA(window, cls, sizeof(cls));
    if (strcmp(cls, "#32770") == 0) EndDialog(window, IDCANCEL);
    return TRUE;
}

// Before the loop no window would act on a request: a box of start-up would
// swallow it, or there is no application window yet to send it to.
static void HoldInstanceRequest(WPARAM code)
{
    if (code == ZRPMSG_NEWCOMMANDLINE) g_heldCommandLine = true;
    if (code != ZRPMSG_QUIT) return;
    g_heldQuit = true;
    EnumThreadWindows(GetCurrentThreadId(), EndStartupBox, 0);
}

bool IsQuitRequestHeld()
{
    return g_heldQuit;
}

void PostHeldInstanceRequests(AppObject* app)
{
    if (!app->controlWindow) return;
    if (g_heldCommandLine)
        PostMessageA(app->controlWindow, app->controlMsg, ZRPMSG_NEWCOMMANDLINE, (LPARAM)app->instanceToken);
    if (g_heldQuit) PostMessageA(app->controlWindow, app->controlMsg, ZRPMSG_QUIT, (LPARAM)app->instanceToken);
    g_heldCommandLine = g_heldQuit = false;
}

static void HandleControlMessage(AppObject* app, WPARAM code)
{
    if (!IsInstanceRequest(code)) return;
    if (code == ZRPMSG_RESTART) {
        app->restartMode = IsProcessElevated() == 1 ? 2 : 1;
        CopyText(app->restartCommandLine, sizeof(app->restartCommandLine), app->commandLine);
        PostQuitMessage(0);
        app->broadcastRestart = 0;
        return;
    }
    if (!app->inMessageLoop) {
        HoldInstanceRequest(code);
        return;
    }
    if (code == ZRPMSG_NEWCOMMANDLINE) {
        // A window made click-through must become reachable again.
        for (int i = 0; i < app->windows.count; i++)
            if (app->windows.data[i]->clickThrough) SetAppWindowClickThrough(app->windows.data[i], false);
    }
    SendToActiveAppWindow((UINT)code, 0);
}

LRESULT CALLBACK PhantomWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    AppObject* app = &g_app;
    if (app->controlMsg && message == app->controlMsg) {
        if ((uint32_t)lParam == app->instanceToken) HandleControlMessage(app, wParam);
        return 0;
    }
    if (app->taskbarCreatedMsg && message == app->taskbarCreatedMsg) {
        SendToActiveAppWindow(ZRPMSG_TASKBARCREATED, 0);
        return 0;
    }
    switch (message) {
    case WM_CREATE:
        SetTimer(window, kHourlyTimer, 3600000, nullptr);
        return 0;
    case WM_DESTROY:
        KillTimer(window, kHourlyTimer);
        return 0;
    case WM_ENDSESSION:
        SaveLayoutRecords(app);
        return 0;
    case WM_TIMER:
        if (wParam == kHourlyTimer && ++g_hourlyTicks > 23) {
            g_hourlyTicks = 0;
            if (GetFrameworkHooks()->runScheduledJobs) GetFrameworkHooks()->runScheduledJobs(app);
        }
        return 0;
    case WM_CONTROL_UPDATEFOUND:
        if (GetFrameworkHooks()->showFoundUpdate) GetFrameworkHooks()->showFoundUpdate(app);
        return 0;
    case WM_DISPLAYCHANGE:
    case WM_DPICHANGED:
        HandleDisplayChange(app, message, wParam, lParam);
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
