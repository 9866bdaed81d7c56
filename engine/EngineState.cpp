// EngineState.cpp - the engine's process-wide state, owned by the program entry.
#include "engine/Engine.h"

CRITICAL_SECTION g_tableLock;
HWND g_mainWindow;
MonitorTable g_startupMonitors;
uint8_t g_mouseSwapped;
char g_logPath[MAX_PATH];
uint8_t g_noExecute;
RECT g_workArea;
uint8_t g_desktopsAvailable;
int32_t g_currentDesktop;
HANDLE g_autoApplyEvent;
volatile LONG g_running = 1;
HANDLE g_workerThread;
uint8_t g_lidPresent;
uint8_t g_wlanAvailable;
uint8_t g_refreshAllowed = 1;
GrowArray<TransparentWindowEntry> g_transparentWindows;
SRWLOCK g_transparentLock = SRWLOCK_INIT;
