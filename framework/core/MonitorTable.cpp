// MonitorTable.cpp - enumerate monitors, map points to them, read DPIs.
#include "framework/core/MonitorTable.h"

#include "framework/core/TextUtil.h"

#include <string.h>

MonitorTable g_monitors;
MonitorTable g_previousMonitors;
DpiFunctions g_dpi;

static MonitorPlatform g_platform;

void SetMonitorPlatform(const MonitorPlatform* platform)
{
    if (platform)
        g_platform = *platform;
    else
        g_platform = MonitorPlatform{};
}

void LoadDpiFunctions()
{
    g_dpi = DpiFunctions{};
    HMODULE user = GetModuleHandleA("User32");
    if (user) {
        g_dpi.setProcessDpiAwarenessContext = (BOOL(WINAPI*)(HANDLE))(void*)GetProcAddress(
            user, "SetProcessDpiAwarenessContext");
        g_dpi.setThreadDpiAwarenessContext = (HANDLE(WINAPI*)(HANDLE))(void*)GetProcAddress(
            user, "SetThreadDpiAwarenessContext");
        g_dpi.getWindowDpiAwarenessContext = (HANDLE(WINAPI*)(HWND))(void*)GetProcAddress(
            user, "GetWindowDpiAwarenessContext");
        g_dpi.adjustWindowRectExForDpi =
            (BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT))(void*)GetProcAddress(
                user, "AdjustWindowRectExForDpi");
        g_dpi.getDpiForWindow =
            (UINT(WINAPI*)(HWND))(void*)GetProcAddress(user, "GetDpiForWindow");
    }
    HMODULE shcore = LoadLibraryA("SHCore");
    if (shcore) {
        g_dpi.setProcessDpiAwareness =
            (HRESULT(WINAPI*)(int))(void*)GetProcAddress(shcore, "SetProcessDpiAwareness");
        g_dpi.getDpiForMonitor = (HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*))(void*)
            GetProcAddress(shcore, "GetDpiForMonitor");
    }
}

void MakeProcessDpiAware()
{
    if (g_dpi.setProcessDpiAwarenessContext)
        g_dpi.setProcessDpiAwarenessContext((HANDLE)(INT_PTR)-4);   // per monitor, v2
    else if (g_dpi.setProcessDpiAwareness)
        g_dpi.setProcessDpiAwareness(2);
    else
        SetProcessDPIAware();
}

static UINT DeviceContextDpi(HWND window)
{
    HDC dc = GetDC(window);
    UINT dpi = dc ? (UINT)GetDeviceCaps(dc, LOGPIXELSX) : 96;
    if (dc) ReleaseDC(window, dc);
    return dpi ? dpi : 96;
}

UINT GetWindowDpi(HWND window)
{
    if (g_dpi.getDpiForWindow) return g_dpi.getDpiForWindow(window);
    if (g_dpi.getDpiForMonitor) {
        UINT x = 0, y = 0;
        HMONITOR m = MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST);
        return SUCCEEDED(g_dpi.getDpiForMonitor(m, 0 /* effective */, &x, &y)) ? x : 96;
    }
    return DeviceContextDpi(window);
}

UINT GetRectDpi(const RECT* rect, HMONITOR monitor)
{
    if (g_platform.getMonitorDpi) return g_platform.getMonitorDpi(monitor, rect);
    if (g_dpi.getDpiForMonitor) {
        if (!monitor) monitor = MonitorFromRect(rect, MONITOR_DEFAULTTONEAREST);
        UINT x = 0, y = 0;
        return SUCCEEDED(g_dpi.getDpiForMonitor(monitor, 0, &x, &y)) ? x : 96;
    }
    POINT centre = {(rect->left + rect->right) / 2, (rect->top + rect->bottom) / 2};
    return DeviceContextDpi(WindowFromPoint(centre));
}

BOOL CALLBACK MonitorEnumProc(HMONITOR monitor, HDC, LPRECT rect, LPARAM data)
{
    MonitorTable* t = (MonitorTable*)data;
    if (t->count < 0) t->count = 0;
    if (t->count >= MONITOR_TABLE_MAX || !monitor || !rect) return FALSE;
    int i = t->count;
    t->monitorRects[i] = *rect;
    t->dpis[i] = GetRectDpi(rect, monitor);
    MONITORINFOEXA info = {};
    info.cbSize = sizeof(info);
    BOOL ok = g_platform.getMonitorInfo ? g_platform.getMonitorInfo(monitor, &info)
                                        : GetMonitorInfoA(monitor, &info);
    // Without its information a monitor's work area is its whole rectangle.
    t->workAreas[i] = *rect;
    t->monitorFlags[i] = 0;
    t->deviceNames[i][0] = '\0';
    if (ok) {
        t->workAreas[i] = info.rcWork;
        t->monitorFlags[i] = info.dwFlags;
        const char* name = info.szDevice;
        size_t cap = sizeof(info.szDevice);
        size_t skip = 0;
        while (skip < cap && (name[skip] == '\\' || name[skip] == '.')) skip++;
        CopyTextN(t->deviceNames[i], sizeof(t->deviceNames[i]), name + skip, cap - skip);
    }
    t->count++;
    return TRUE;
}

// Fills a zeroed table from the system (or the fed layout); held: the live
// table, whose first work area and name stand when no monitor is reported.
static void ReadMonitors(MonitorTable* t, const MonitorTable* held)
{
    t->count = 0;
    if (g_platform.enumMonitors)
        g_platform.enumMonitors(MonitorEnumProc, (LPARAM)t);
    else
        EnumDisplayMonitors(nullptr, nullptr, MonitorEnumProc, (LPARAM)t);
    if (t->count == 0) {
        GetWindowRect(GetDesktopWindow(), &t->monitorRects[0]);
        t->dpis[0] = GetRectDpi(&t->monitorRects[0], nullptr);
        t->monitorFlags[0] = MONITORINFOF_PRIMARY;
        t->workAreas[0] = held->count > 0 ? held->workAreas[0] : t->monitorRects[0];
        memcpy(t->deviceNames[0], held->deviceNames[0], sizeof(t->deviceNames[0]));
        t->deviceNames[0][sizeof(t->deviceNames[0]) - 1] = '\0';
        t->count = 1;
    }
    if (g_platform.enumMonitors) {
        // A fed layout spans its own monitors, not the real screen.
        RECT u = t->monitorRects[0];
        for (int i = 1; i < t->count; i++) UnionRect(&u, &u, &t->monitorRects[i]);
        t->screenX = u.left;
        t->screenY = u.top;
        t->screenWidth = u.right - u.left;
        t->screenHeight = u.bottom - u.top;
    } else {
        t->screenX = GetSystemMetrics(SM_XVIRTUALSCREEN);
        t->screenY = GetSystemMetrics(SM_YVIRTUALSCREEN);
        t->screenWidth = GetSystemMetrics(SM_CXVIRTUALSCREEN);
        t->screenHeight = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    }
    SetRect(&t->screenRect, t->screenX, t->screenY, t->screenX + t->screenWidth,
            t->screenY + t->screenHeight);
}

// The live table is refreshed from the worker and rule threads as well as the
// UI thread: each refresh is built aside and copied in under the lock.
static SRWLOCK g_monitorLock = SRWLOCK_INIT;

void RefreshMonitors()
{
    MonitorTable held, fresh = {};
    GetMonitorSnapshot(&held);
    ReadMonitors(&fresh, &held);
    AcquireSRWLockExclusive(&g_monitorLock);
    g_monitors = fresh;
    ReleaseSRWLockExclusive(&g_monitorLock);
}

void GetMonitorSnapshot(MonitorTable* out, bool previous)
{
    AcquireSRWLockShared(&g_monitorLock);
    *out = previous ? g_previousMonitors : g_monitors;
    ReleaseSRWLockShared(&g_monitorLock);
}

void SetPreviousMonitors(const MonitorTable* table)
{
    AcquireSRWLockExclusive(&g_monitorLock);
    g_previousMonitors = *table;
    ReleaseSRWLockExclusive(&g_monitorLock);
}

int MonitorIndexInTable(const MonitorTable* t, int x, int y)
{
    if (t->count < 2) return 0;
    int n = t->count < MONITOR_TABLE_MAX ? t->count : MONITOR_TABLE_MAX;
    POINT pt = {x, y};
    for (int i = 0; i < n; i++)
        if (PtInRect(&t->monitorRects[i], pt)) return i;
    // Squared distances in 64 bits: (-32000,-32000) is ~2e9 away, past 32 bits.
    int64_t best = 1000000;
    int bestIndex = 0;
    for (int i = 0; i < n; i++) {
        const RECT& r = t->monitorRects[i];
        const POINT corners[4] = {{r.left, r.top}, {r.right, r.top}, {r.right, r.bottom},
                                  {r.left, r.bottom}};
        for (const POINT& c : corners) {
            int64_t dx = (int64_t)x - c.x, dy = (int64_t)y - c.y;
            int64_t d = dx * dx + dy * dy;
            if (d < best) {
                best = d;
                bestIndex = i;
            }
        }
    }
    return bestIndex;
}

int MonitorFromPointIndex(int x, int y, bool usePrevious)
{
    MonitorTable t = {};
    RefreshMonitors();
    GetMonitorSnapshot(&t, usePrevious);
    return MonitorIndexInTable(&t, x, y);
}

int MonitorIndexByName(const char* name, const MonitorTable* t, bool fallback)
{
    if (!t || t->count <= 0) return fallback ? 0 : -1;
    int n = t->count < MONITOR_TABLE_MAX ? t->count : MONITOR_TABLE_MAX;
    if (name) {
        for (int i = 0; i < n; i++)
            if (strncmp(t->deviceNames[i], name, sizeof(t->deviceNames[i])) == 0) return i;
    }
    if (!fallback) return -1;
    int primary = 0;
    for (int i = 0; i < n; i++)
        if (t->monitorFlags[i] & MONITORINFOF_PRIMARY) primary = i;
    return primary;
}
