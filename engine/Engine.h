// Engine.h - the rule engine's process-wide state, set up by the program entry.
#pragma once

#include <windows.h>

#include <stdint.h>

#include "framework/core/GrowArray.h"
#include "framework/core/MonitorTable.h"

// Monitored-window table lock; initialised first thing at start-up.
extern CRITICAL_SECTION g_tableLock;
extern HWND g_mainWindow;
extern MonitorTable g_startupMonitors;     // reference of the screen-change trigger
extern uint8_t g_mouseSwapped;
extern char g_logPath[MAX_PATH];
extern uint8_t g_noExecute;                // cleared by the first main-window tick
extern RECT g_workArea;
extern uint8_t g_desktopsAvailable;
extern int32_t g_currentDesktop;
extern HANDLE g_autoApplyEvent;
extern volatile LONG g_running;            // worker runs while 1
extern HANDLE g_workerThread;
extern uint8_t g_lidPresent;
extern uint8_t g_wlanAvailable;
extern uint8_t g_refreshAllowed;

// A window made transparent or click-through; all are made opaque at exit.
struct TransparentWindowEntry {
    HWND    window;
    int32_t percent;
    uint8_t clickThrough;
};
// Changed from the worker, rule threads and the UI thread: hold the lock.
extern GrowArray<TransparentWindowEntry> g_transparentWindows;
extern SRWLOCK g_transparentLock;

// Product string ids.
#define IDS_PRODUCT_NAME 0
#define IDS_INIT_FAILED  5006

// The program's error code when a window, event or thread cannot be created.
#define ERR_PROGRAM_INIT 5006

extern struct StringTableEntry g_productStrings[];
