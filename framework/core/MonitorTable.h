// MonitorTable.h - snapshot of the monitor layout and the DPI of windows and rectangles.
#pragma once

#include <windows.h>

#include <stdint.h>

#define MONITOR_TABLE_MAX 16

struct MonitorTable {
    int32_t  screenX, screenY, screenWidth, screenHeight;   // virtual screen
    RECT     screenRect;
    RECT     monitorRects[MONITOR_TABLE_MAX];
    RECT     workAreas[MONITOR_TABLE_MAX];
    uint32_t dpis[MONITOR_TABLE_MAX];
    char     deviceNames[MONITOR_TABLE_MAX][32];   // without the leading "\\.\"
    uint32_t monitorFlags[MONITOR_TABLE_MAX];      // MONITORINFOF_PRIMARY
    int32_t  count;
};

// The live table (refreshed before each lookup) and the layout before the
// last display change; written under the table's own lock, so every thread
// reads them through GetMonitorSnapshot.
extern MonitorTable g_monitors;
extern MonitorTable g_previousMonitors;

void RefreshMonitors();
// A consistent copy of the live (or previous) table.
void GetMonitorSnapshot(MonitorTable* out, bool previous = false);
void SetPreviousMonitors(const MonitorTable* table);
BOOL CALLBACK MonitorEnumProc(HMONITOR monitor, HDC dc, LPRECT rect, LPARAM data);
// Monitor containing the point, else the one with the nearest corner.
int MonitorFromPointIndex(int x, int y, bool usePrevious);
// Same rule on a given table, without refreshing.
int MonitorIndexInTable(const MonitorTable* table, int x, int y);
int MonitorIndexByName(const char* name, const MonitorTable* table, bool fallback);
UINT GetWindowDpi(HWND window);
UINT GetRectDpi(const RECT* rect, HMONITOR monitor);

// The platform calls the table is read through; tests install a layout of
// their own. Null members use the system.
struct MonitorPlatform {
    BOOL (*enumMonitors)(MONITORENUMPROC proc, LPARAM data);
    BOOL (*getMonitorInfo)(HMONITOR monitor, MONITORINFOEXA* info);
    UINT (*getMonitorDpi)(HMONITOR monitor, const RECT* rect);
};
void SetMonitorPlatform(const MonitorPlatform* platform);   // null: the system's

// DPI functions of newer Windows versions, looked up at start-up; each may be null.
struct DpiFunctions {
    BOOL (WINAPI* setProcessDpiAwarenessContext)(HANDLE);
    HANDLE (WINAPI* setThreadDpiAwarenessContext)(HANDLE);
    HANDLE (WINAPI* getWindowDpiAwarenessContext)(HWND);
    BOOL (WINAPI* adjustWindowRectExForDpi)(LPRECT, DWORD, BOOL, DWORD, UINT);
    UINT (WINAPI* getDpiForWindow)(HWND);
    HRESULT (WINAPI* setProcessDpiAwareness)(int);
    HRESULT (WINAPI* getDpiForMonitor)(HMONITOR, int, UINT*, UINT*);
};
// Looked up once at start-up, before any other thread exists.
extern DpiFunctions g_dpi;
void LoadDpiFunctions();
// Per-monitor aware (v2 when available).
void MakeProcessDpiAware();
