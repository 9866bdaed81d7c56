// TraySlots.cpp - windows hidden behind notification-area icons of their own:
// the 64 slots, their icons, menus and commands, the pin list and the
// Minimize to Tray list.
#include "engine/TraySlots.h"

#include "engine/Engine.h"
#include "engine/OptionsRecord.h"
#include "engine/ProductIds.h"
#include "engine/WindowTable.h"
#include "framework/core/AppObject.h"
#include "framework/core/ForeignWindow.h"
#include "framework/core/TextUtil.h"
#include "framework/ui/MessageBox.h"

#include <shellapi.h>
#include <string.h>

// Texts of the slot menu and the recovery question (product string 90).
#define IDS_TRAY_SLOT 90
enum { COL_PIN, COL_CLOSE, COL_RESTORE, COL_SHOW, COL_HIDE, COL_RECOVER };

struct TraySlot {
    HWND     window;     // null: free
    uint32_t titleCrc;   // of the title when it went to the tray
    uint8_t  pinned;
};

// Written on the UI thread under the lock; passes read them from the worker.
static TraySlot g_slots[TRAY_SLOT_COUNT];
static SRWLOCK g_slotLock = SRWLOCK_INIT;
// The slot whose menu was opened last; UI thread.
static int g_menuSlot = -1;

static TraySlot* SlotById(int id)
{
    return id >= TRAY_SLOT_FIRST_ID && id < TRAY_SLOT_FIRST_ID + TRAY_SLOT_COUNT ? &g_slots[id - TRAY_SLOT_FIRST_ID]
                                                                                  : nullptr;
}

static void SetSlot(TraySlot* slot, HWND window, uint32_t titleCrc, uint8_t pinned)
{
    AcquireSRWLockExclusive(&g_slotLock);
    slot->window = window;
    slot->titleCrc = titleCrc;
    slot->pinned = pinned;
    ReleaseSRWLockExclusive(&g_slotLock);
}

bool IsWindowInTraySlot(HWND window)
{
    if (!window) return false;
    AcquireSRWLockShared(&g_slotLock);
    bool held = false;
    for (const TraySlot& s : g_slots) held = held || s.window == window;
    ReleaseSRWLockShared(&g_slotLock);
    return held;
}

// Only the UI thread writes the slots, so it reads them without the lock.
int FindTraySlot(HWND window)
{
    if (!window) return -1;
    for (int i = 0; i < TRAY_SLOT_COUNT; i++)
        if (g_slots[i].window == window) return TRAY_SLOT_FIRST_ID + i;
    return -1;
}

// Another program's window whose thread hangs must not stop ours.
static void ShowTrayTarget(HWND window, int command)
{
    if (IsOwnThreadWindow(window))
        ShowWindow(window, command);
    else
        ShowWindowAsync(window, command);
}

//--- the Minimize to Tray list

// Windows paths ignore case; titles are compared as written.
static bool EntryMatches(const TrayAppEntry* e, const char* path, const char* title)
{
    bool program = !e->program[0] || StrIStr(path, e->program);
    bool caption = !e->title[0] || strstr(title, e->title);
    return program && caption;
}

int FindTrayAppEntry(HWND window)
{
    char path[MAX_PATH];
    if (GetWindowProgramPath(window, path, sizeof(path)) <= 0) return -1;
    char title[MAX_PATH];
    if (ReadWindowTitle(window, title, sizeof(title)) <= 0) return -1;
    for (int i = 0; i < g_trayAppList.count; i++)
        if (EntryMatches(&g_trayAppList.data[i], path, title)) return i;
    return -1;
}

//--- icons

// The icon file of the window's Minimize to Tray entry; the caller destroys it.
static HICON LoadEntryIcon(HWND window)
{
    int i = FindTrayAppEntry(window);
    if (i < 0 || !g_trayAppList.data[i].icon[0]) return nullptr;
    const char* file = g_trayAppList.data[i].icon;
    HICON icon = (HICON)LoadImageA(nullptr, file, IMAGE_ICON, 0, 0, LR_LOADFROMFILE | LR_DEFAULTSIZE);
    if (!icon) ExtractIconExA(file, 0, nullptr, &icon, 1);
    return icon;
}

// Borrowed from the window, its class or the system.
static HICON WindowIcon(HWND window)
{
    DWORD_PTR icon = 0;
    if (SendMessageTimeoutA(window, WM_GETICON, ICON_SMALL, 0, SMTO_ABORTIFHUNG, WINDOW_ANSWER_MS, &icon) && icon)
        return (HICON)icon;
    if (SendMessageTimeoutA(window, WM_GETICON, ICON_BIG, 0, SMTO_ABORTIFHUNG, WINDOW_ANSWER_MS, &icon) && icon)
        return (HICON)icon;
    HICON cls = (HICON)GetClassLongPtrA(window, GCLP_HICONSM);
    if (!cls) cls = (HICON)GetClassLongPtrA(window, GCLP_HICON);
    return cls ? cls : LoadIconA(nullptr, (LPCSTR)IDI_WINLOGO);
}

static void SlotIconData(int id, NOTIFYICONDATAA* nid)
{
    *nid = NOTIFYICONDATAA{};
    nid->cbSize = sizeof(*nid);
    nid->hWnd = g_mainWindow;
    nid->uID = (UINT)id;
}

// NIM_ADD and NIM_SETVERSION (version 0) for the slot; the success of the add.
static bool AddTrayIcon(int id)
{
    TraySlot* slot = SlotById(id);
    if (!slot || !slot->window) return false;
    NOTIFYICONDATAA nid;
    SlotIconData(id, &nid);
    nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    nid.uCallbackMessage = WM_TRAY_SLOTICON;
    ReadWindowTitle(slot->window, nid.szTip, sizeof(nid.szTip));
    HICON owned = LoadEntryIcon(slot->window);
    nid.hIcon = owned ? owned : WindowIcon(slot->window);
    bool added = Shell_NotifyIconA(NIM_ADD, &nid) != FALSE;
    nid.uVersion = 0;
    Shell_NotifyIconA(NIM_SETVERSION, &nid);
    if (owned) DestroyIcon(owned);
    return added;
}

void RemoveTrayIcon(HWND window)
{
    int id = FindTraySlot(window);
    if (id < 0) return;
    NOTIFYICONDATAA nid;
    SlotIconData(id, &nid);
    Shell_NotifyIconA(NIM_DELETE, &nid);
    SetSlot(SlotById(id), nullptr, 0, 0);
}

void UpdateTrayIcon(HWND window)
{
    int id = FindTraySlot(window);
    if (id < 0) return;
    if (!IsWindow(window) || (IsWindowVisible(window) && !SlotById(id)->pinned)) {
        RemoveTrayIcon(window);
        return;
    }
    NOTIFYICONDATAA nid;
    SlotIconData(id, &nid);
    nid.uFlags = NIF_TIP;
    ReadWindowTitle(window, nid.szTip, sizeof(nid.szTip));
    Shell_NotifyIconA(NIM_MODIFY, &nid);
}

void RecreateTrayIcons()
{
    for (int i = 0; i < TRAY_SLOT_COUNT; i++)
        if (g_slots[i].window) AddTrayIcon(TRAY_SLOT_FIRST_ID + i);
}

void RemoveVanishedTrayIcons()
{
    for (const TraySlot& s : g_slots)
        if (s.window && s.pinned && !IsWindow(s.window)) RemoveTrayIcon(s.window);
}

//--- hiding and showing

static bool IsPinnedTitle(uint32_t crc)
{
    for (int i = 0; i < g_pinList.count; i++)
        if (g_pinList.data[i] == crc) return true;
    return false;
}

void MinimizeToTray(HWND window)
{
    if (!window || !IsWindow(window)) return;
    if (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_MDICHILD) return;
    if (GetWindowLongA(window, GWL_STYLE) & WS_CHILD) window = GetAncestor(window, GA_ROOT);
    char className[64] = "";
    if (!window || !GetClassNameA(window, className, sizeof(className))) return;
    // The frame of a packaged app: hiding it would lose the app.
    if (strcmp(className, "ApplicationFrameWindow") == 0) return;
    if (FindTraySlot(window) >= 0) {
        ShowTrayTarget(window, SW_HIDE);
        return;
    }
    int id = -1;
    for (int i = 0; i < TRAY_SLOT_COUNT && id < 0; i++)
        if (!g_slots[i].window) id = TRAY_SLOT_FIRST_ID + i;
    if (id < 0) return;
    char title[MAX_PATH];
    uint32_t crc = ReadWindowTitle(window, title, sizeof(title)) > 0 ? Crc32(title, -1) : 0;
    TraySlot* slot = SlotById(id);
    SetSlot(slot, window, crc, IsPinnedTitle(crc) ? 1 : 0);
    if (!AddTrayIcon(id)) {
        SetSlot(slot, nullptr, 0, 0);   // no icon: the window stays visible
        return;
    }
    ShowTrayTarget(window, SW_HIDE);
}

static void RestoreFromTray(int id)
{
    TraySlot* slot = SlotById(id);
    if (!slot || !slot->window) return;
    HWND window = slot->window;
    RemoveTrayIcon(window);
    ShowTrayTarget(window, SW_SHOW);
    SetForegroundWindow(window);
}

static void ShowTrayWindow(int id)
{
    TraySlot* slot = SlotById(id);
    if (!slot || !slot->window) return;
    ShowTrayTarget(slot->window, SW_SHOW);
    SetForegroundWindow(slot->window);
}

static void HideTrayWindow(int id)
{
    TraySlot* slot = SlotById(id);
    if (slot && slot->window) ShowTrayTarget(slot->window, SW_HIDE);
}

//--- hidden windows of the listed programs

struct HiddenWindows {
    HWND shown[TRAY_SLOT_COUNT];   // just shown from the tray, perhaps not yet visible
    int shownCount;
    HWND windows[256];
    int count;
};

static bool JustShown(const HiddenWindows* found, HWND window)
{
    for (int i = 0; i < found->shownCount; i++)
        if (found->shown[i] == window) return true;
    return false;
}

static BOOL CALLBACK CollectHiddenWindow(HWND window, LPARAM context)
{
    HiddenWindows* found = (HiddenWindows*)context;
    if (found->count >= (int)ARRAYSIZE(found->windows) || IsWindowVisible(window) || JustShown(found, window))
        return TRUE;
    char className[MAX_PATH] = "";
    GetClassNameA(window, className, sizeof(className));
    // The framework's own windows are hidden on purpose.
    if (strncmp(className, "ZRP", 3) == 0) return TRUE;
    if (FindTrayAppEntry(window) >= 0) found->windows[found->count++] = window;
    return TRUE;
}

// Asked after the enumeration: a box inside it would hold the window list.
static void OfferHiddenWindows(HiddenWindows* found)
{
    if (g_trayAppList.count == 0) return;
    EnumWindows(CollectHiddenWindow, (LPARAM)found);
    for (int i = 0; i < found->count; i++) {
        HWND window = found->windows[i];
        if (!IsWindow(window) || IsWindowVisible(window)) continue;
        char title[MAX_PATH] = "", className[MAX_PATH] = "";
        ReadWindowTitle(window, title, sizeof(title));
        GetClassNameA(window, className, sizeof(className));
        if (AppMessageBox(&g_app, nullptr, g_app.productName, AppText(IDS_TRAY_SLOT, COL_RECOVER), 0x948, 0,
                          title, className) == IDYES)
            ShowTrayTarget(window, SW_SHOW);
    }
}

void RestoreAllFromTray()
{
    HiddenWindows found = {};
    for (const TraySlot& s : g_slots) {
        HWND window = s.window;
        if (!window) continue;
        RemoveTrayIcon(window);
        ShowTrayTarget(window, SW_SHOW);
        SetForegroundWindow(window);
        found.shown[found.shownCount++] = window;
    }
    OfferHiddenWindows(&found);
}

//--- icon callbacks and the slot menu

static void ShowSlotMenu(int id)
{
    TraySlot* slot = SlotById(id);
    HMENU menu = CreatePopupMenu();
    if (!menu) {
        RemoveTrayIcon(slot->window);
        return;
    }
    bool visible = IsWindowVisible(slot->window) != FALSE;
    AppendMenuA(menu, MF_STRING | (slot->pinned ? MF_CHECKED : 0), TRAY_SLOT_PIN, AppText(IDS_TRAY_SLOT, COL_PIN));
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu, MF_STRING, TRAY_SLOT_CLOSE, AppText(IDS_TRAY_SLOT, COL_CLOSE));
    if (!slot->pinned)
        AppendMenuA(menu, MF_STRING, TRAY_SLOT_RESTORE, AppText(IDS_TRAY_SLOT, COL_RESTORE));
    else if (visible)
        AppendMenuA(menu, MF_STRING, TRAY_SLOT_HIDE, AppText(IDS_TRAY_SLOT, COL_HIDE));
    else
        AppendMenuA(menu, MF_STRING, TRAY_SLOT_SHOW, AppText(IDS_TRAY_SLOT, COL_SHOW));
    SetMenuDefaultItem(menu, 3, TRUE);
    SetForegroundWindow(g_mainWindow);
    POINT cursor = {};
    GetCursorPos(&cursor);
    TrackPopupMenu(menu, TPM_RIGHTALIGN | TPM_BOTTOMALIGN, cursor.x, cursor.y, 0, g_mainWindow, nullptr);
    DestroyMenu(menu);
}

void OnTraySlotIcon(WPARAM slotId, LPARAM mouseMessage)
{
    TraySlot* slot = SlotById((int)slotId);
    if (!slot || !slot->window) return;
    int id = (int)slotId;
    switch (mouseMessage) {
    case WM_MOUSEMOVE:
        UpdateTrayIcon(slot->window);
        break;
    case WM_LBUTTONUP:
        if (!slot->pinned)
            RestoreFromTray(id);
        else if (IsWindowVisible(slot->window))
            HideTrayWindow(id);
        else
            ShowTrayWindow(id);
        break;
    case WM_RBUTTONUP:
        g_menuSlot = id;
        ShowSlotMenu(id);
        break;
    }
}

static void TogglePin(int id)
{
    TraySlot* slot = SlotById(id);
    uint8_t pinned = slot->pinned ? 0 : 1;
    uint32_t crc = slot->titleCrc;
    SetSlot(slot, slot->window, crc, pinned);
    if (!pinned && IsWindowVisible(slot->window)) RestoreFromTray(id);
    int listed = -1;
    for (int i = 0; i < g_pinList.count && listed < 0; i++)
        if (g_pinList.data[i] == crc) listed = i;
    if (pinned && listed < 0) ArrayAppend(&g_pinList, &crc);
    if (!pinned && listed >= 0) ArrayRemoveAt(&g_pinList, listed);
}

void OnTraySlotCommand(WORD command)
{
    TraySlot* slot = SlotById(g_menuSlot);
    if (!slot || !slot->window) return;
    HWND window = slot->window;
    switch (command) {
    case TRAY_SLOT_PIN:
        TogglePin(g_menuSlot);
        break;
    case TRAY_SLOT_CLOSE:
        // Shown first: a window that asks to save and is kept open must not
        // stay hidden once its icon is gone.
        ShowTrayTarget(window, SW_SHOW);
        PostMessageA(window, WM_CLOSE, 0, 0);
        RemoveTrayIcon(window);
        break;
    case TRAY_SLOT_RESTORE:
        RestoreFromTray(g_menuSlot);
        break;
    case TRAY_SLOT_SHOW:
        ShowTrayWindow(g_menuSlot);
        break;
    case TRAY_SLOT_HIDE:
        HideTrayWindow(g_menuSlot);
        break;
    }
}

//--- minimised windows of the listed programs

LRESULT OfferMinimizedWindowToTray(int tableIndex)
{
    if (tableIndex < 0 || tableIndex >= g_windowCount) return 0;
    const MonitoredWindow* e = &g_windowTable[tableIndex];
    HWND window = e->hwnd;
    if (FindTrayAppEntry(window) < 0) return 0;
    // Back to its previous state first, so that it comes out of the tray as it was.
    if (e->previousState == 0)
        ShowTrayTarget(window, SW_RESTORE);
    else if (e->previousState == 2)
        ShowTrayTarget(window, SW_MAXIMIZE);
    PostMessageA(g_mainWindow, WM_TRAY_MINIMIZE, 0, (LPARAM)window);
    return 1;
}
