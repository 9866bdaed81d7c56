// WindowTable.cpp - collecting top-level windows and classifying their changes.
#include "engine/WindowTable.h"

#include "engine/Geometry.h"
#include "engine/TraySlots.h"
#include "framework/core/AppObject.h"
#include "framework/core/ForeignWindow.h"
#include "framework/core/GrowArray.h"
#include "framework/core/MessageLoop.h"
#include "framework/core/TextUtil.h"
#include "vdesktop/VirtualDesktop.h"

#include <stdlib.h>
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

// Waits of this thread that pump messages now; nested ones count each.
static thread_local int t_pumpingWaits;

bool EnterTableLock(int tries)
{
    InitTableLock();
    if (TryEnterCriticalSection(&g_tableLock)) return true;
    bool locked = false;
    t_pumpingWaits++;
    for (int i = 0; i < tries && !locked; i++) {
        PumpMessagesFor(&g_app, 10);
        locked = TryEnterCriticalSection(&g_tableLock) != 0;
    }
    t_pumpingWaits--;
    return locked;
}

bool TableLockWaitPumping()
{
    return t_pumpingWaits > 0;
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

//--- per-pass lookups: by handle, owners by thread, program paths by process

// Open addressing over the table's indices; rebuilt at the start of each
// collection, so a pass over n windows costs O(n), not O(n^2).
static const int kIndexSlots = 8192;   // power of two above WINDOW_TABLE_MAX
static int16_t g_index[kIndexSlots];   // table index + 1, 0 empty
static bool g_indexValid;
static uint32_t g_layoutStamp;

static unsigned SlotOf(uintptr_t h)
{
    return (unsigned)((h ^ (h >> 13)) * 2654435761u) & (kIndexSlots - 1);
}

static void IndexAt(int16_t* index, HWND window, int at)
{
    for (unsigned s = SlotOf((uintptr_t)window);; s = (s + 1) & (kIndexSlots - 1)) {
        if (index[s] == 0) {
            index[s] = (int16_t)(at + 1);
            return;
        }
    }
}

// What a profile-applied pass keeps of the windows it forgets, until its
// collection has taken them over.
struct KeptWindow {
    HWND hwnd;
    uint32_t threadId, processId;
    uint8_t ownerConfirmed;
    int32_t classLength, programLength;
    char className[128];
    char program[MAX_PATH];
    WindowGeometry geometry;
};
static KeptWindow* g_kept;   // malloc'd by ForgetWindows, freed by EndWindowCollection
static int g_keptCount;
static int16_t g_keptIndex[kIndexSlots];

static void FreeKeptWindows()
{
    free(g_kept);
    g_kept = nullptr;
    g_keptCount = 0;
}

void ForgetWindows()
{
    FreeKeptWindows();
    if (g_windowCount > 0) g_kept = (KeptWindow*)malloc((size_t)g_windowCount * sizeof(KeptWindow));
    for (int i = 0; g_kept && i < g_windowCount; i++) {
        const MonitoredWindow* e = &g_windowTable[i];
        if (e->replaced || e->threadId == 0) continue;
        KeptWindow* k = &g_kept[g_keptCount++];
        k->hwnd = e->hwnd;
        k->threadId = e->threadId;
        k->processId = e->processId;
        k->ownerConfirmed = 0;
        k->classLength = e->classLength;
        k->programLength = e->programLength;
        memcpy(k->className, e->className, sizeof(k->className));
        memcpy(k->program, e->program, sizeof(k->program));
        k->geometry = e->geometry;
    }
    g_windowCount = 0;
}

// The kept facts of a window whose owner was confirmed in this pass.
static const KeptWindow* FindKeptWindow(HWND window)
{
    if (!g_kept) return nullptr;
    for (unsigned s = SlotOf((uintptr_t)window); g_keptIndex[s]; s = (s + 1) & (kIndexSlots - 1)) {
        const KeptWindow* k = &g_kept[g_keptIndex[s] - 1];
        if (k->hwnd == window && k->ownerConfirmed) return k;
    }
    return nullptr;
}

// A thread lists its own windows in one call, where asking each window for
// its thread costs a call per window (to another process under Wine): the
// windows of every thread the table knows are confirmed that way, once a pass.
static BOOL CALLBACK ConfirmOwnedWindow(HWND window, LPARAM thread)
{
    for (unsigned s = SlotOf((uintptr_t)window); g_index[s]; s = (s + 1) & (kIndexSlots - 1)) {
        MonitoredWindow* e = &g_windowTable[g_index[s] - 1];
        if (e->hwnd == window && e->threadId == (uint32_t)thread) e->ownerConfirmed = 1;
    }
    if (g_kept)
        for (unsigned s = SlotOf((uintptr_t)window); g_keptIndex[s]; s = (s + 1) & (kIndexSlots - 1)) {
            KeptWindow* k = &g_kept[g_keptIndex[s] - 1];
            if (k->hwnd == window && k->threadId == (uint32_t)thread) k->ownerConfirmed = 1;
        }
    return TRUE;
}

static uint32_t g_threads[kIndexSlots];   // thread id set, 0 empty

static bool AddThread(uint32_t thread)
{
    if (thread == 0) return false;
    for (unsigned s = SlotOf(thread);; s = (s + 1) & (kIndexSlots - 1)) {
        if (g_threads[s] == thread) return false;
        if (g_threads[s] == 0) {
            g_threads[s] = thread;
            return true;
        }
    }
}

static void ConfirmOwners()
{
    memset(g_threads, 0, sizeof(g_threads));
    for (int i = 0; i < g_windowCount; i++) g_windowTable[i].ownerConfirmed = 0;
    for (int i = 0; i < g_windowCount; i++)
        if (!g_windowTable[i].replaced && AddThread(g_windowTable[i].threadId))
            EnumThreadWindows(g_windowTable[i].threadId, ConfirmOwnedWindow, (LPARAM)g_windowTable[i].threadId);
    for (int i = 0; i < g_keptCount; i++)
        if (AddThread(g_kept[i].threadId))
            EnumThreadWindows(g_kept[i].threadId, ConfirmOwnedWindow, (LPARAM)g_kept[i].threadId);
}

// Windows of one process share its image path: read once, then copied from
// an entry of the same process, which a confirmed window proves alive.
struct ProgramSource {
    uint32_t processId;   // 0 empty
    const char* path;     // in a table entry or a kept window
};
static ProgramSource g_programs[kIndexSlots];

static void AddProgramSource(uint32_t processId, const char* path)
{
    if (processId == 0) return;
    for (unsigned s = SlotOf(processId);; s = (s + 1) & (kIndexSlots - 1)) {
        if (g_programs[s].processId == processId) return;
        if (g_programs[s].processId == 0) {
            g_programs[s].processId = processId;
            g_programs[s].path = path;
            return;
        }
    }
}

static const char* FindProgramSource(uint32_t processId)
{
    if (!g_indexValid || processId == 0) return nullptr;
    for (unsigned s = SlotOf(processId); g_programs[s].processId; s = (s + 1) & (kIndexSlots - 1))
        if (g_programs[s].processId == processId) return g_programs[s].path;
    return nullptr;
}

// The shown windows of this pass, top to bottom, with their entries (-1 for
// a window new to the table).
struct ShownWindow {
    HWND window;
    LONG style;
    int32_t entry;
};
static GrowArray<ShownWindow> g_shown;

void BeginWindowCollection(uint32_t layoutStamp)
{
    g_layoutStamp = layoutStamp;
    memset(g_index, 0, sizeof(g_index));
    for (int i = 0; i < g_windowCount; i++) IndexAt(g_index, g_windowTable[i].hwnd, i);
    memset(g_keptIndex, 0, sizeof(g_keptIndex));
    for (int i = 0; i < g_keptCount; i++) IndexAt(g_keptIndex, g_kept[i].hwnd, i);
    g_indexValid = true;
    ConfirmOwners();
    memset(g_programs, 0, sizeof(g_programs));
    for (int i = 0; i < g_windowCount; i++)
        if (g_windowTable[i].ownerConfirmed) AddProgramSource(g_windowTable[i].processId, g_windowTable[i].program);
    for (int i = 0; i < g_keptCount; i++)
        if (g_kept[i].ownerConfirmed) AddProgramSource(g_kept[i].processId, g_kept[i].program);
}

void EndWindowCollection()
{
    g_indexValid = false;
    FreeKeptWindows();
    FreeGrowArray(&g_shown);
}

static int ProcessProgramPath(DWORD pid, char* buffer, int size)
{
    if (size <= 0) return 0;
    buffer[0] = '\0';
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (!process) return 0;
    DWORD n = (DWORD)size;
    if (!QueryFullProcessImageNameA(process, 0, buffer, &n)) buffer[0] = '\0';
    CloseHandle(process);
    buffer[size - 1] = '\0';
    return (int)strnlen(buffer, (size_t)size);
}

int GetWindowProgramPath(HWND window, char* buffer, int size)
{
    if (size <= 0) return 0;
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    return ProcessProgramPath(pid, buffer, size);
}

int FindWindowEntry(HWND window)
{
    if (g_indexValid) {
        for (unsigned s = SlotOf((uintptr_t)window); g_index[s]; s = (s + 1) & (kIndexSlots - 1)) {
            int at = g_index[s] - 1;
            if (at < g_windowCount && g_windowTable[at].hwnd == window && !g_windowTable[at].replaced) return at;
        }
        return -1;
    }
    for (int i = 0; i < g_windowCount; i++)
        if (g_windowTable[i].hwnd == window && !g_windowTable[i].replaced) return i;
    return -1;
}

// True when the entry's handle still names the window it was made for: its
// thread listed it this pass, or, asked directly, still owns it. An entry
// made up without an owner takes the window's.
static bool OwnerHolds(MonitoredWindow* e, HWND window)
{
    if (e->threadId == 0) {
        DWORD pid = 0;
        e->threadId = GetWindowThreadProcessId(window, &pid);
        e->processId = pid;
        return true;
    }
    if (g_indexValid && e->ownerConfirmed) return true;
    return GetWindowThreadProcessId(window, nullptr) == e->threadId;
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

// The window's placement: asked for only when the window rectangle, the state
// bits of its style or the screen layout changed since the last read. False
// when the window is gone.
static bool ReadGeometry(HWND window, LONG style, WindowGeometry* g)
{
    RECT r;
    if (!GetWindowRect(window, &r)) return false;
    uint32_t stateStyle = (uint32_t)style & (WS_MINIMIZE | WS_MAXIMIZE);
    if (g->known && g->stateStyle == stateStyle && g->layout == g_layoutStamp && EqualRect(&g->windowRect, &r))
        return true;
    int mw = 0, mh = 0;
    g->state = GetWindowGeometry(window, &g->x, &g->y, &g->width, &g->height, &mw, &mh);
    g->maximizedWidth = mw;
    g->maximizedHeight = mh;
    g->stateStyle = stateStyle;
    g->windowRect = r;
    g->layout = g_layoutStamp;
    // A placement that could not be read is read again next time.
    g->known = g->width > 0 && g->height > 0;
    return true;
}

static void StoreRect(MonitoredWindow* e, int x, int y, int w, int h)
{
    e->x = x;
    e->y = y;
    e->width = w;
    e->height = h;
}

static void UpdateKnownWindow(MonitoredWindow* e, const WindowGeometry& g)
{
    e->geometry = g;
    e->maximizedWidth = g.maximizedWidth;
    e->maximizedHeight = g.maximizedHeight;
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
    if (g.state != e->state) {
        e->previousState = e->state;
        StoreRect(e, g.x, g.y, g.width, g.height);
        e->state = g.state;
        e->event = WEV_STATE;
        return;
    }
    if (g.state == WINSTATE_NORMAL) {
        int bits = ((g.x != e->x || g.y != e->y) ? 1 : 0) | ((g.width != e->width || g.height != e->height) ? 2 : 0);
        if (bits) {
            e->previousWidth = e->width;
            StoreRect(e, g.x, g.y, g.width, g.height);
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

// The class, process and program of a window seen for the first time: kept
// from before a profile-applied pass, else read (the program path once per
// process).
static void ReadWindowFacts(HWND window, const KeptWindow* kept, MonitoredWindow* e)
{
    if (kept) {
        e->threadId = kept->threadId;
        e->processId = kept->processId;
        memcpy(e->className, kept->className, sizeof(e->className));
        e->classLength = kept->classLength;
        return;
    }
    DWORD pid = 0;
    e->threadId = GetWindowThreadProcessId(window, &pid);
    e->processId = pid;
    GetClassNameA(window, e->className, sizeof(e->className));
    e->className[sizeof(e->className) - 1] = '\0';
    e->classLength = (int32_t)strnlen(e->className, sizeof(e->className));
}

static void ReadWindowProgram(const KeptWindow* kept, MonitoredWindow* e)
{
    const char* known = kept ? kept->program : FindProgramSource(e->processId);
    if (known) {
        CopyText(e->program, sizeof(e->program), known);
        e->programLength = (int32_t)strnlen(e->program, sizeof(e->program));
        return;
    }
    e->programLength = e->processId ? ProcessProgramPath(e->processId, e->program, sizeof(e->program)) : 0;
    if (!e->processId) e->program[0] = '\0';
    if (g_indexValid) AddProgramSource(e->processId, e->program);
}

static int AddNewWindow(HWND window, const WindowGeometry& g, const KeptWindow* kept)
{
    if (g_windowCount >= WINDOW_TABLE_MAX) return -1;
    MonitoredWindow* e = &g_windowTable[g_windowCount];
    memset(e, 0, sizeof(*e));
    ReadWindowFacts(window, kept, e);
    if (g_captureOverlayShown && strncmp(e->className, "PanelShepherdCaptureOverlay", 27) == 0) return -1;
    e->hwnd = window;
    ReadWindowProgram(kept, e);
    e->titleLength = 0;
    e->title[0] = '\0';
    ReadTitle(window, e->title, &e->titleLength);
    StoreRect(e, g.x, g.y, g.width, g.height);
    e->previousWidth = g.width;
    e->maximizedWidth = g.maximizedWidth;
    e->maximizedHeight = g.maximizedHeight;
    e->state = e->previousState = g.state;
    e->createdTicks = GetTickCount64();
    e->titleChangedAfter = 0;
    e->desktop = e->previousDesktop = ReadNewWindowDesktop(window);
    e->event = WEV_NEW;
    e->ownerConfirmed = 1;
    e->geometry = g;
    if (g_indexValid) IndexAt(g_index, window, g_windowCount);
    return g_windowCount++;
}

static BOOL CALLBACK ListShownWindowProc(HWND window, LPARAM)
{
    // A top-level window is visible exactly when it has WS_VISIBLE (its
    // parent, the desktop, always is), and the style holds its state too.
    LONG style = GetWindowLongA(window, GWL_STYLE);
    if (!(style & WS_VISIBLE) && !IsWindowInTraySlot(window)) return TRUE;
    int at = FindWindowEntry(window);
    if (at >= 0 && !OwnerHolds(&g_windowTable[at], window)) {
        g_windowTable[at].replaced = 1;   // closes, and the window comes in as new
        at = -1;
    }
    if (at >= 0) g_windowTable[at].event = WEV_UNCHANGED;   // seen; what changed is read next
    ShownWindow s = {window, style, at};
    ArrayAppend(&g_shown, &s);
    return TRUE;
}

int ListShownWindows()
{
    g_shown.count = 0;
    // Unlike EnumWindows, this asks nothing of each window before the callback
    // (under Wine, one more request to the server per window).
    EnumDesktopWindows(nullptr, ListShownWindowProc, 0);
    return g_shown.count;
}

int ReadShownWindow(int k)
{
    if (k < 0 || k >= g_shown.count) return -1;
    const ShownWindow& s = g_shown.data[k];
    MonitoredWindow* e = s.entry >= 0 ? &g_windowTable[s.entry] : nullptr;
    const KeptWindow* kept = e ? nullptr : FindKeptWindow(s.window);
    WindowGeometry g = e ? e->geometry : (kept ? kept->geometry : WindowGeometry{});
    if (!ReadGeometry(s.window, s.style, &g) || g.width <= 0 || g.height <= 0) {
        if (!e) return -1;
        e->event = WEV_CLOSED;   // gone, or no longer has a size, since it was listed
        return s.entry;
    }
    if (!e) return AddNewWindow(s.window, g, kept);
    UpdateKnownWindow(e, g);
    return s.entry;
}
