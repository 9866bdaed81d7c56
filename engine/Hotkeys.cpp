// Hotkeys.cpp - the program's global hotkeys, registered on the main window,
// and what each of them does.
#include "engine/Hotkeys.h"

#include "engine/Engine.h"
#include "engine/HotkeySet.h"
#include "engine/LiveEdit.h"
#include "engine/Log.h"
#include "engine/OptionsRecord.h"
#include "engine/ProductIds.h"
#include "engine/ProfileConditions.h"
#include "engine/ProfileHotkeys.h"
#include "engine/ProfileStore.h"
#include "engine/ProfileSwitch.h"
#include "engine/ProfileUpdates.h"
#include "engine/RuleCreate.h"
#include "engine/TransparentWindows.h"
#include "engine/TrayIcon.h"
#include "engine/WindowTable.h"
#include "framework/core/AppObject.h"
#include "framework/core/AppWindow.h"
#include "framework/core/MonitorTable.h"
#include "vdesktop/VirtualDesktop.h"

#include <mmsystem.h>
#include <stddef.h>
#include <stdlib.h>

// Hotkey ids of the options' key words, in the order they are registered.
static const struct {
    uint16_t OptionsRecord::*word;
    int id;
} kGlobalHotkeys[] = {
    {&OptionsRecord::iHotKeyMain, HOTKEY_MAIN},       {&OptionsRecord::iHotKeyTrigger, HOTKEY_TRIGGER},
    {&OptionsRecord::iHotKeyEnable, HOTKEY_ENABLE},   {&OptionsRecord::iHotKeyCreate, HOTKEY_CREATE_ALL},
    {&OptionsRecord::iHotKeyNew, HOTKEY_CREATE_NEW},  {&OptionsRecord::iHotKeyUpdate, HOTKEY_CREATE_UPDATE},
    {&OptionsRecord::iHotKeyActive, HOTKEY_CREATE_ACTIVE}, {&OptionsRecord::iHotKeyTrans, HOTKEY_TRANSPARENT},
    {&OptionsRecord::iHotKeyClkThr, HOTKEY_CLICK_THROUGH}, {&OptionsRecord::iHotKeyNonTrans, HOTKEY_OPAQUE_ALL},
    {&OptionsRecord::iHotKeyAlwaysOnTop, HOTKEY_TOPMOST},
};

// Desktops at the last registration; UI thread.
static int g_desktopHotkeyCount;

static void Register(int id, uint16_t word)
{
    if (word) RegisterHotKey(g_mainWindow, id, word >> 8, word & 0xFF);
}

void RegisterGlobalHotkeys(int on)
{
    for (const auto& k : kGlobalHotkeys) {
        if (on)
            Register(k.id, Options.*k.word);
        else
            UnregisterHotKey(g_mainWindow, k.id);
    }
    if (!g_virtualDesktop) return;
    if (on) {
        RegisterDesktopHotkeys(1);
        Register(HOTKEY_PIN, Options.iHotKeyPinWindow);
        // A toggling pin key needs no unpin key.
        if (!Options.bTogglePin) Register(HOTKEY_UNPIN, Options.iHotKeyUnPinWindow);
    } else {
        RegisterDesktopHotkeys(0);
        if (Options.iHotKeyPinWindow) UnregisterHotKey(g_mainWindow, HOTKEY_PIN);
        if (Options.iHotKeyUnPinWindow) UnregisterHotKey(g_mainWindow, HOTKEY_UNPIN);
    }
}

// One key per desktop: the word's key plus the desktop number; a key past
// the last key code is no key.
static bool DesktopKeyFits(uint16_t word, int n)
{
    return (word & 0xFF) + n <= 0xFF;
}

static void RegisterDesktopWord(int id, uint16_t word, int n)
{
    if (word && DesktopKeyFits(word, n)) RegisterHotKey(g_mainWindow, id + n, word >> 8, (word & 0xFF) + n);
}

void RegisterDesktopHotkeys(int on)
{
    for (int n = 0; n < g_desktopHotkeyCount; n++) {
        if (Options.iHotKeySwitchDesktop) UnregisterHotKey(g_mainWindow, HOTKEY_SWITCH_DESKTOP + n);
        if (Options.iHotKeyMoveWindow) UnregisterHotKey(g_mainWindow, HOTKEY_MOVE_TO_DESKTOP + n);
    }
    g_desktopHotkeyCount = 0;
    if (!on || !g_virtualDesktop) return;
    int count = g_virtualDesktop->GetDesktopCount();
    // The id ranges hold 100 desktops each.
    if (count > HOTKEY_DESKTOP_RANGE) count = HOTKEY_DESKTOP_RANGE;
    if (count < 1) return;
    g_desktopHotkeyCount = count;
    for (int n = 0; n < count; n++) {
        RegisterDesktopWord(HOTKEY_SWITCH_DESKTOP, Options.iHotKeySwitchDesktop, n);
        RegisterDesktopWord(HOTKEY_MOVE_TO_DESKTOP, Options.iHotKeyMoveWindow, n);
    }
}

//--- the options' keys as one set

// Hotkey words of each options page, in the order a user reads them.
static const struct {
    uint16_t OptionsRecord::*word;
    int id;
    size_t offset;
} kSetKeys[] = {
#define KEY(field, id) {&OptionsRecord::field, id, offsetof(OptionsRecord, field)}
    KEY(iHotKeyMain, HOTKEY_MAIN),           KEY(iHotKeyTrigger, HOTKEY_TRIGGER),
    KEY(iHotKeyEnable, HOTKEY_ENABLE),       KEY(iHotKeyNew, HOTKEY_CREATE_NEW),
    KEY(iHotKeyUpdate, HOTKEY_CREATE_UPDATE), KEY(iHotKeyCreate, HOTKEY_CREATE_ALL),
    KEY(iHotKeyActive, HOTKEY_CREATE_ACTIVE), KEY(iHotKeyTrans, HOTKEY_TRANSPARENT),
    KEY(iHotKeyClkThr, HOTKEY_CLICK_THROUGH), KEY(iHotKeyNonTrans, HOTKEY_OPAQUE_ALL),
    KEY(iHotKeyAlwaysOnTop, HOTKEY_TOPMOST),
#undef KEY
};

static void AddSetEntry(HotkeySetEntry* out, int cap, int* n, int id, uint16_t word, size_t offset)
{
    if (!word || *n >= cap) return;
    out[*n] = HotkeySetEntry{id, word, (int)offset};
    (*n)++;
}

int BuildOptionsHotkeySet(const OptionsRecord* o, int desktopCount, bool desktopObject, HotkeySetEntry* out,
                          int cap)
{
    int n = 0;
    for (const auto& k : kSetKeys) AddSetEntry(out, cap, &n, k.id, o->*k.word, k.offset);
    if (!desktopObject) return n;
    if (desktopCount > HOTKEY_DESKTOP_RANGE) desktopCount = HOTKEY_DESKTOP_RANGE;
    // Every switch key first, then every move key; no word, no keys.
    for (int d = 0; d < desktopCount; d++)
        if (o->iHotKeySwitchDesktop && DesktopKeyFits(o->iHotKeySwitchDesktop, d))
            AddSetEntry(out, cap, &n, HOTKEY_SWITCH_DESKTOP + d, (uint16_t)(o->iHotKeySwitchDesktop + d),
                        offsetof(OptionsRecord, iHotKeySwitchDesktop));
    for (int d = 0; d < desktopCount; d++)
        if (o->iHotKeyMoveWindow && DesktopKeyFits(o->iHotKeyMoveWindow, d))
            AddSetEntry(out, cap, &n, HOTKEY_MOVE_TO_DESKTOP + d, (uint16_t)(o->iHotKeyMoveWindow + d),
                        offsetof(OptionsRecord, iHotKeyMoveWindow));
    AddSetEntry(out, cap, &n, HOTKEY_PIN, o->iHotKeyPinWindow, offsetof(OptionsRecord, iHotKeyPinWindow));
    if (!o->bTogglePin)
        AddSetEntry(out, cap, &n, HOTKEY_UNPIN, o->iHotKeyUnPinWindow, offsetof(OptionsRecord, iHotKeyUnPinWindow));
    return n;
}

int ReplaceOptionsHotkeys(const OptionsRecord* next)
{
    static HotkeySetEntry current[OPTIONS_HOTKEY_SET_MAX], wanted[OPTIONS_HOTKEY_SET_MAX];
    bool desktops = g_virtualDesktop != nullptr;
    int count = desktops ? g_virtualDesktop->GetDesktopCount() : 0;
    if (count < 1) count = 0;
    if (count > HOTKEY_DESKTOP_RANGE) count = HOTKEY_DESKTOP_RANGE;
    int had = BuildOptionsHotkeySet(&Options, g_desktopHotkeyCount, desktops, current, OPTIONS_HOTKEY_SET_MAX);
    int want = BuildOptionsHotkeySet(next, count, desktops, wanted, OPTIONS_HOTKEY_SET_MAX);
    int failed = ReplaceHotkeySet(g_mainWindow, current, had, wanted, want);
    if (failed >= 0) return wanted[failed].field;
    if (desktops) g_desktopHotkeyCount = count;
    return -1;
}

//--- the active window's transparency

// Styles change outside the list's lock: changing them sends messages to the
// window's thread, which may itself wait for the lock in a rule thread.
static int FindTransparentWindow(HWND window)
{
    for (int i = 0; i < g_transparentWindows.count; i++)
        if (g_transparentWindows.data[i].window == window) return i;
    return -1;
}

static void RemoveTransparentWindow(HWND window)
{
    AcquireSRWLockExclusive(&g_transparentLock);
    int i = FindTransparentWindow(window);
    if (i >= 0) ArrayRemoveAt(&g_transparentWindows, i);
    ReleaseSRWLockExclusive(&g_transparentLock);
}

static void AddTransparentWindow(HWND window, int percent, uint8_t clickThrough)
{
    AcquireSRWLockExclusive(&g_transparentLock);
    int i = FindTransparentWindow(window);
    if (i >= 0) {
        g_transparentWindows.data[i].percent = percent;
        g_transparentWindows.data[i].clickThrough = clickThrough;
    } else {
        TransparentWindowEntry e = {window, percent, clickThrough};
        ArrayAppend(&g_transparentWindows, &e);
    }
    ReleaseSRWLockExclusive(&g_transparentLock);
}

static void ToggleTransparency(HWND active)
{
    AcquireSRWLockShared(&g_transparentLock);
    bool listed = FindTransparentWindow(active) >= 0;
    ReleaseSRWLockShared(&g_transparentLock);
    if (listed) {
        if (MakeWindowOpaque(active)) RemoveTransparentWindow(active);
    } else if (SetWindowTransparency(active, Options.iTrans, false)) {
        AddTransparentWindow(active, Options.iTrans, 0);
    }
}

// Click-through windows cannot be clicked to focus them: while any exists,
// the key turns all of them back; only otherwise does it make one.
static void ToggleClickThrough(HWND active)
{
    HWND through[64];
    int n = 0;
    AcquireSRWLockShared(&g_transparentLock);
    for (int i = 0; i < g_transparentWindows.count && n < (int)ARRAYSIZE(through); i++)
        if (g_transparentWindows.data[i].clickThrough) through[n++] = g_transparentWindows.data[i].window;
    ReleaseSRWLockShared(&g_transparentLock);
    int removed = 0;
    for (int i = 0; i < n; i++) {
        if (!MakeWindowOpaque(through[i]) && IsWindow(through[i])) continue;
        SetForegroundWindow(through[i]);
        RemoveTransparentWindow(through[i]);
        removed++;
    }
    if (removed > 0) return;
    if (SetWindowTransparency(active, Options.iClkThr, true)) AddTransparentWindow(active, Options.iClkThr, 1);
}

static void MakeAllOpaque()
{
    AcquireSRWLockExclusive(&g_transparentLock);
    GrowArray<TransparentWindowEntry> all = g_transparentWindows;
    InitGrowArray(&g_transparentWindows);
    ReleaseSRWLockExclusive(&g_transparentLock);
    for (int i = 0; i < all.count; i++)
        if (IsWindow(all.data[i].window)) MakeWindowOpaque(all.data[i].window);
    FreeGrowArray(&all);
}

static void ToggleTopmost(HWND active)
{
    bool topmost = (GetWindowLongA(active, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    SetWindowPos(active, topmost ? HWND_NOTOPMOST : HWND_TOPMOST, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
}

//--- the current profile

static void ToggleCurrentProfile(Profile* p)
{
    uint8_t enabled = p->bGenEnabled ? 0 : 1;
    LogLine("HKY: Enable Active Profile (%d)", enabled);
    p->bGenEnabled = enabled;
    UpdateAppTrayIcon(1);
    if (g_mainDialog) SendDlgItemMessageA(g_mainDialog, MAIN_DIALOG_ENABLED, BM_SETCHECK, enabled, 0);
}

static void CreateRulesForActiveWindow(Profile* p, HWND active)
{
    if (!EnterTableLock(100)) return;
    int index = FindWindowEntry(active);
    if (index >= 0) UpdateProfileFromWindows(p, index, 0, 1);
    LeaveTableLock();
    if (index >= 0) SaveAll();
}

// Hotkeys 2 to 7 act on the current profile; without one they do nothing.
static void OnProfileHotkey(int id, HWND active)
{
    Profile* p = CurrentProfile();
    if (!p) return;
    switch (id) {
    case HOTKEY_TRIGGER:
        LogLine("HKY: Trigger Active Profile");
        SwitchProfile(Options.iCurProfile, PROFILE_SOURCE_EVENT, 1, 1);
        break;
    case HOTKEY_ENABLE:
        ToggleCurrentProfile(p);
        break;
    case HOTKEY_CREATE_NEW:
        LogLine("HKY: Create Rules (New)");
        UpdateProfileFromWindows(p, -1, 0, 0);
        SaveAll();
        break;
    case HOTKEY_CREATE_UPDATE:
        LogLine("HKY: Create Rules (Update)");
        UpdateProfileFromWindows(p, -1, 1, 1);
        SaveAll();
        break;
    case HOTKEY_CREATE_ALL:
        LogLine("HKY: Create Rules (All)");
        UpdateProfileFromWindows(p, -1, 0, 1);
        SaveAll();
        break;
    case HOTKEY_CREATE_ACTIVE:
        LogLine("HKY: Create Rule (Active Window)");
        CreateRulesForActiveWindow(p, active);
        break;
    }
}

//--- profile hotkeys

// Applies the profile as a trigger does; kind 1 only for the active window,
// which goes with that one pass (set and cleared under its hold of the lock).
static void TriggerProfile(int index, uint32_t kind, HWND active)
{
    Profile* p = &g_profiles.data[index];
    HWND only = kind == PROFILE_HOTKEY_WINDOW ? active : nullptr;
    if (!p->bTrgExecuteOnly)
        SwitchProfile(index, PROFILE_SOURCE_EVENT, 1, 1, only);
    else if (p->bGenEnabled)
        ExecuteProfile(p, PROFILE_SOURCE_EVENT, EXECUTE_IF_ENABLED | EXECUTE_SCRIPT, only);
}

// Every entry with the pressed key's word, in list order: one key may drive
// several profiles although only the first registered it.
static void OnProfileHotkeyEntry(int entry, HWND active)
{
    if (entry < 0 || entry >= g_profileHotKeys.count) return;
    uint16_t word = g_profileHotKeys.data[entry].word;
    MonitorTable live = {};
    RefreshMonitors();
    GetMonitorSnapshot(&live);
    for (int j = 0; j < g_profileHotKeys.count; j++) {
        // A copy: acting on a profile may rebuild the list.
        ProfileHotKeyEntry e = g_profileHotKeys.data[j];
        if (e.word != word) continue;
        int index = FindProfileByName(&g_profiles, e.profile, -1);
        if (index < 0) continue;
        Profile* p = &g_profiles.data[index];
        if (e.kind == PROFILE_HOTKEY_TRIGGER)
            LogLine("HKY: Profile Trigger (%s)", p->szGenName);
        else if (e.kind == PROFILE_HOTKEY_WINDOW)
            LogLine("HKY: Profile Trigger (%s) - Active Window Only", p->szGenName);
        else
            LogLine("HKY: Profile Update (%s)", p->szGenName);
        if (!ProfileConditionsMatch(p, &live, false)) continue;
        if (e.kind == PROFILE_HOTKEY_UPDATE) {
            if (p->bUpdUpdActive && index != Options.iCurProfile) continue;
            RunProfileUpdate(p);
        } else {
            TriggerProfile(index, e.kind, active);
        }
    }
}

//--- virtual desktops

static void OnDesktopHotkey(int id, HWND active)
{
    CVirtualDesktop* vd = g_virtualDesktop;
    if (!vd) return;
    if (id >= HOTKEY_SWITCH_DESKTOP && id < HOTKEY_SWITCH_DESKTOP + HOTKEY_DESKTOP_RANGE) {
        int n = id - HOTKEY_SWITCH_DESKTOP;
        LogLine("HKY: Switch Desktop (%d)", n);
        vd->SwitchToDesktop(n);
    } else if (id >= HOTKEY_MOVE_TO_DESKTOP && id < HOTKEY_MOVE_TO_DESKTOP + HOTKEY_DESKTOP_RANGE) {
        int n = id - HOTKEY_MOVE_TO_DESKTOP;
        LogLine("HKY: Move Window to Desktop (%d)", n);
        vd->UnpinWindow(active);
        vd->MoveWindowToDesktop(active, n);
        if (Options.bSwitchOnMove) vd->SwitchToDesktop(n);
    } else if (id == HOTKEY_PIN) {
        LogLine("HKY: Pin Window to All Desktops");
        if (Options.bTogglePin && vd->IsWindowPinned(active))
            vd->UnpinWindow(active);
        else
            vd->PinWindow(active);
    } else if (id == HOTKEY_UNPIN) {
        LogLine("HKY: Unpin Window from All Desktops");
        vd->UnpinWindow(active);
    }
}

//--- the key

static void PlayConfirmationSound()
{
    if (!Options.bConfirmationSound) return;
    if (Options.szConfirmationSound[0])
        PlaySoundA(Options.szConfirmationSound, nullptr, SND_ASYNC | SND_NODEFAULT);
    else
        PlaySoundA((LPCSTR)SND_ALIAS_SYSTEMASTERISK, nullptr, SND_ALIAS_ID | SND_ASYNC);
}

// A key that acts on profiles, kept until its live edit runs.
struct PressedKey {
    int id;
    HWND active;   // the foreground window when it was pressed
};

// After whatever else changes the profiles; the lock free once first.
static bool RunProfileKey(void* context)
{
    const PressedKey* key = (const PressedKey*)context;
    if (!EnterTableLock(0)) return false;
    LeaveTableLock();
    if (key->id >= PROFILE_HOTKEY_FIRST_ID)
        OnProfileHotkeyEntry(key->id - PROFILE_HOTKEY_FIRST_ID, key->active);
    else
        OnProfileHotkey(key->id, key->active);
    return true;
}

static void QueueProfileKey(int id, HWND active)
{
    PressedKey* key = (PressedKey*)malloc(sizeof(PressedKey));
    if (!key) return;
    key->id = id;
    key->active = active;
    RunLiveEdit(RunProfileKey, key);
}

void HandleHotkey(int id)
{
    PlayConfirmationSound();
    HWND active = GetForegroundWindow();
    switch (id) {
    case HOTKEY_MAIN:
        LogLine("HKY: Open Main Dialog");
        SendMessageA(g_mainWindow, ZRPMSG_NEWCOMMANDLINE, NEWCOMMANDLINE_OPEN_DIALOG, 0);
        return;
    case HOTKEY_TRIGGER:
    case HOTKEY_ENABLE:
    case HOTKEY_CREATE_NEW:
    case HOTKEY_CREATE_UPDATE:
    case HOTKEY_CREATE_ALL:
    case HOTKEY_CREATE_ACTIVE:
        QueueProfileKey(id, active);
        return;
    case HOTKEY_TRANSPARENT:
        LogLine("HKY: Transparency (Active Window)");
        if (active) ToggleTransparency(active);
        return;
    case HOTKEY_CLICK_THROUGH:
        LogLine("HKY: Click-Through (Active Window)");
        ToggleClickThrough(active);
        return;
    case HOTKEY_OPAQUE_ALL:
        LogLine("HKY: Transparency Off (All Windows)");
        MakeAllOpaque();
        return;
    case HOTKEY_TOPMOST:
        LogLine("HKY: Toggle always on top (Active Window)");
        if (active) ToggleTopmost(active);
        return;
    }
    if (id >= PROFILE_HOTKEY_FIRST_ID)
        QueueProfileKey(id, active);
    else if (id >= HOTKEY_SWITCH_DESKTOP)
        OnDesktopHotkey(id, active);
}
