// WindowTable.cpp - collecting top-level windows and classifying their changes.
#include "engine/WindowTable.h"

#include "engine/Geometry.h"
#include "engine/TraySlots.h"
#include "framework/core/AppObject.h"
#include "framework/core/ForeignWindow.h"
#include "framework/core/MessageLoop.h"
#include "framework/core/TextUtil.h"
#include "vdesktop/VirtualDesktop.h"

#include <string.h>

MonitoredWindow g_windowTable[WINDOW_TABLE_MAX];
int32_t g_windowCount;
HWND g_foregroundWindow, g_previousForeground;
uint8_t g_desktopsCheck;
HWND g_singleWindowTarget;
uint8_t g_captureOverlayShown;
uint8_t g_windowsPending;

CRITICAL_SECTION g_tableLock;
static INIT_ONCE g_tableLockOnce = INIT_ONCE_STATIC_INIT;

static BOOL CALLBACK InitTableLockOnce(PINIT_ONCE, PVOID, PVOID*)
{
    InitializeCriticalSection(&g_tableLock);
    return TRUE;
}

void InitTableLock()
{
    InitOnceExecuteOnce(&g_tableLockOnce, InitTableLockOnce, nullptr, nullptr);
}

bool EnterTableLock(int tries)
{
    InitTableLock();
    if (TryEnterCriticalSection(&g_tableLock)) return true;
    for (int i = 0; i < tries; i++) {
        PumpMessagesFor(&g_app, 10);
        if (TryEnterCriticalSection(&g_tableLock)) return true;
    }
    return false;
}

void LeaveTableLock()
{
    LeaveCriticalSection(&g_tableLock);
}

static const char* const kTags[] = {"CLS", "", "NEW", "CHG", "STA", "POS",
                                    "SZE", "RCT", "DTP", "ACT", "DEA"};

const char* WindowEventTag(uint32_t event)
{
    return event < sizeof(kTags) / sizeof(kTags[0]) ? kTags[event] : "";
}

const char* WindowStateText(int32_t state)
{
    return state == 0 ? "Restored" : (state == 1 ? "Minimized" : "Maximized");
}

//--- per-pass lookups: by handle, and program paths by process

// Open addressing over the table's indices; rebuilt at the start of each
// collection, so a pass over n windows costs O(n), not O(n^2).
static const int kIndexSlots = 8192;   // power of two above WINDOW_TABLE_MAX
static int16_t g_index[kIndexSlots];   // table index + 1, 0 empty
static bool g_indexValid;

static unsigned SlotOf(HWND window)
{
    uintptr_t h = (uintptr_t)window;
    return (unsigned)((h ^ (h >> 13)) * 2654435761u) & (kIndexSlots - 1);
}

static void IndexEntry(HWND window, int at)
{
    for (unsigned s = SlotOf(window);; s = (s + 1) & (kIndexSlots - 1)) {
        if (g_index[s] == 0) {
            g_index[s] = (int16_t)(at + 1);
            return;
        }
    }
}

// Windows of one process share its image path: asked for once per pass.
struct ProgramCacheEntry {
    DWORD pid;
    int length;
    char path[MAX_PATH];
};
static ProgramCacheEntry g_programCache[64];
static int g_programCacheCount;

void BeginWindowCollection()
{
    memset(g_index, 0, sizeof(g_index));
    for (int i = 0; i < g_windowCount; i++) IndexEntry(g_windowTable[i].hwnd, i);
    g_indexValid = true;
    g_programCacheCount = 0;
}

void EndWindowCollection()
{
    g_indexValid = false;
    g_programCacheCount = 0;
}

static int CachedProgramPath(HWND window, char* buffer, int size)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    for (int i = 0; i < g_programCacheCount; i++)
        if (g_programCache[i].pid == pid) {
            CopyText(buffer, (size_t)size, g_programCache[i].path);
            return (int)strnlen(buffer, (size_t)size);
        }
    int n = GetWindowProgramPath(window, buffer, size);
    if (g_indexValid && g_programCacheCount < (int)(sizeof(g_programCache) / sizeof(g_programCache[0]))) {
        ProgramCacheEntry* e = &g_programCache[g_programCacheCount++];
        e->pid = pid;
        CopyText(e->path, sizeof(e->path), buffer);
        e->length = n;
    }
    return n;
}

int GetWindowProgramPath(HWND window, char* buffer, int size)
{
    if (size <= 0) return 0;
    buffer[0] = '\0';
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (!process) return 0;
    DWORD n = (DWORD)size;
    if (!QueryFullProcessImageNameA(process, 0, buffer, &n)) {
        n = 0;
        buffer[0] = '\0';
    }
    CloseHandle(process);
    buffer[size - 1] = '\0';
    return (int)strnlen(buffer, (size_t)size);
}

int FindWindowEntry(HWND window)
{
    if (g_indexValid) {
        for (unsigned s = SlotOf(window); g_index[s]; s = (s + 1) & (kIndexSlots - 1)) {
            int at = g_index[s] - 1;
            if (at < g_windowCount && g_windowTable[at].hwnd == window) return at;
        }
        return -1;
    }
    for (int i = 0; i < g_windowCount; i++)
        if (g_windowTable[i].hwnd == window) return i;
    return -1;
}

// The window's desktop number, or the markers when there is no desktop object.
// A new window's desktop: unknown without a desktop object, pinned, or its number.
static int32_t ReadNewWindowDesktop(HWND window)
{
    if (!g_virtualDesktop) return DESKTOP_UNKNOWN;
    if (g_virtualDesktop->IsWindowPinned(window)) return DESKTOP_PINNED;
    return g_virtualDesktop->GetWindowDesktopNumber(window);
}

static int32_t ReadWindowDesktop(HWND window)
{
    return g_virtualDesktop ? g_virtualDesktop->GetWindowDesktopNumber(window) : DESKTOP_UNKNOWN;
}

// Reads the title; true when it differs from the stored one.
static bool ReadTitle(HWND window, char* title, int32_t* length)
{
    char now[1024];
    int n = ReadWindowTitle(window, now, sizeof(now));
    if (n == *length && memcmp(now, title, (size_t)n) == 0) return false;
    memcpy(title, now, (size_t)n + 1);
    *length = n;
    return true;
}

static void StoreRect(MonitoredWindow* e, int x, int y, int w, int h)
{
    e->x = x;
    e->y = y;
    e->width = w;
    e->height = h;
}

static void UpdateKnownWindow(MonitoredWindow* e, int state, int x, int y, int w, int h, int mw, int mh)
{
    e->maximizedWidth = mw;
    e->maximizedHeight = mh;
    e->event = WEV_UNCHANGED;
    if (ReadTitle(e->hwnd, e->title, &e->titleLength)) {
        e->titleChangedAfter = GetTickCount64() - e->createdTicks;
        e->event = WEV_TITLE;
        return;
    }
    if (g_desktopsCheck) {
        int32_t d = ReadWindowDesktop(e->hwnd);
        if (d != -1 && d != e->desktop) {
            e->previousDesktop = e->desktop;
            e->desktop = d;
            e->event = WEV_DESKTOP;
            return;
        }
    }
    if (state != e->state) {
        e->previousState = e->state;
        StoreRect(e, x, y, w, h);
        e->state = state;
        e->event = WEV_STATE;
        return;
    }
    if (state == WINSTATE_NORMAL) {
        int bits = ((x != e->x || y != e->y) ? 1 : 0) | ((w != e->width || h != e->height) ? 2 : 0);
        if (bits) {
            e->previousWidth = e->width;
            StoreRect(e, x, y, w, h);
            e->event = bits == 1 ? WEV_MOVED : (bits == 2 ? WEV_SIZED : WEV_RECT);
            return;
        }
    }
    if (g_foregroundWindow != g_previousForeground) {
        if (e->hwnd == g_foregroundWindow)
            e->event = WEV_ACTIVATED;
        else if (e->hwnd == g_previousForeground)
            e->event = WEV_DEACTIVATED;
    }
}

static void AddNewWindow(HWND window, int state, int x, int y, int w, int h, int mw, int mh)
{
    if (g_windowCount >= WINDOW_TABLE_MAX) return;
    char cls[128] = {};
    GetClassNameA(window, cls, sizeof(cls));
    cls[sizeof(cls) - 1] = '\0';
    if (g_captureOverlayShown && strncmp(cls, "PanelShepherdCaptureOverlay", 27) == 0) return;
    MonitoredWindow* e = &g_windowTable[g_windowCount];
    memset(e, 0, sizeof(*e));
    e->hwnd = window;
    memcpy(e->className, cls, sizeof(cls));
    e->classLength = (int32_t)strnlen(cls, sizeof(cls));
    e->programLength = CachedProgramPath(window, e->program, sizeof(e->program));
    e->titleLength = 0;
    e->title[0] = '\0';
    ReadTitle(window, e->title, &e->titleLength);
    StoreRect(e, x, y, w, h);
    e->previousWidth = w;
    e->maximizedWidth = mw;
    e->maximizedHeight = mh;
    e->state = e->previousState = state;
    e->createdTicks = GetTickCount64();
    e->titleChangedAfter = 0;
    e->desktop = e->previousDesktop = ReadNewWindowDesktop(window);
    e->event = WEV_NEW;
    if (g_indexValid) IndexEntry(window, g_windowCount);
    g_windowCount++;
}

BOOL CALLBACK CollectWindowProc(HWND window, LPARAM)
{
    if (!IsWindowVisible(window) && !IsWindowInTraySlot(window)) return TRUE;
    int x = 0, y = 0, w = 0, h = 0, mw = 0, mh = 0;
    int state = GetWindowGeometry(window, &x, &y, &w, &h, &mw, &mh);
    if (w <= 0 || h <= 0) return TRUE;
    int at = FindWindowEntry(window);
    if (at >= 0)
        UpdateKnownWindow(&g_windowTable[at], state, x, y, w, h, mw, mh);
    else
        AddNewWindow(window, state, x, y, w, h, mw, mh);
    return TRUE;
}
