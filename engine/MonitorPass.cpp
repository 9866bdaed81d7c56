// MonitorPass.cpp - the monitor pass: collect, classify, match, act, log.
#include "engine/MonitorPass.h"

#include "engine/Engine.h"
#include "engine/Log.h"
#include "engine/OptionsRecord.h"
#include "engine/ProductStrings.h"
#include "engine/ProfileConditions.h"
#include "engine/ProfileStore.h"
#include "engine/ProfileUpdates.h"
#include "engine/RuleCreate.h"
#include "engine/Rules.h"
#include "engine/Worker.h"
#include "framework/core/AppObject.h"
#include "framework/core/ForeignWindow.h"

#include <objbase.h>
#include <time.h>

// A pass on this thread is running: the table lock is re-entrant and the UI
// thread pumps messages while it waits, so a nested pass must not start.
static thread_local int t_inPass;
static thread_local int t_comReady;
// The chain of the script-asked switch whose profile this pass applies.
static thread_local uint8_t t_passChain;

MonitorTable g_screenReference;

// Changes whenever a monitor, its work area or its DPI does: the restored
// rectangles that placements report depend on the work areas.
static uint32_t LayoutStamp(const MonitorTable& t)
{
    uint32_t h = 2166136261u;
    auto mix = [&h](const void* data, size_t n) {
        for (size_t i = 0; i < n; i++) h = (h ^ ((const uint8_t*)data)[i]) * 16777619u;
    };
    int n = t.count < 0 ? 0 : (t.count < MONITOR_TABLE_MAX ? t.count : MONITOR_TABLE_MAX);
    mix(&n, sizeof(n));
    mix(t.monitorRects, (size_t)n * sizeof(RECT));
    mix(t.workAreas, (size_t)n * sizeof(RECT));
    mix(t.dpis, (size_t)n * sizeof(uint32_t));
    return h;
}

// Updates the screen reference; the live layout's stamp.
static uint32_t CheckScreenReference()
{
    MonitorTable live = {};
    RefreshMonitors();
    GetMonitorSnapshot(&live);
    MonitorTable& ref = g_screenReference;
    if (ref.screenX != live.screenX || ref.screenY != live.screenY || ref.screenWidth != live.screenWidth ||
        ref.screenHeight != live.screenHeight) {
        CheckScreenChangeUpdate(&ref);
        ref.screenX = live.screenX;
        ref.screenY = live.screenY;
        ref.screenWidth = live.screenWidth;
        ref.screenHeight = live.screenHeight;
    }
    for (int i = 0; i < live.count && i < MONITOR_TABLE_MAX; i++) {
        if (ref.dpis[i] != live.dpis[i]) {
            CheckDpiChangeUpdate(&ref);
            ref = live;
            break;
        }
    }
    return LayoutStamp(live);
}

static bool SlotEnabled(const Rule* r, int slot)
{
    return slot >= 0 && slot < RULE_SCRIPT_SLOTS && r->cmdenable[slot];
}

static bool Apply(MonitoredWindow* e, Rule* r, uint8_t source, uint32_t mask)
{
    r->time = (int64_t)_time64(nullptr);
    ApplyRuleToWindow(e, r, source, mask);
    return true;
}

// The parts of a rule that are locked and set: position, size, state bits.
static uint32_t LockedParts(const Rule* r)
{
    return (r->lockpos && r->moveto ? APPLY_POSITION : 0u) | (r->locksize && r->sizeto ? APPLY_SIZE : 0u) |
           (r->lockstate && r->stateto ? APPLY_STATE : 0u);
}

static void Capture(MonitoredWindow* e, Rule* r)
{
    CaptureWindowPlacement(e, r, 0);
}

// A change to a locked part puts the window back; otherwise the rule follows it.
static bool RestoreOrCapture(MonitoredWindow* e, Rule* r, uint8_t source, uint32_t part)
{
    uint32_t locked = LockedParts(r);
    if (locked & part) return Apply(e, r, source, locked);
    Capture(e, r);
    return false;
}

// Acts on one window's event; returns whether the rule was applied and sets
// the script slot to start.
static bool ActOnEvent(Profile* p, MonitoredWindow* e, Rule* r, uint8_t source, int* slot)
{
    bool applied = false;
    switch (e->event) {
    case WEV_CLOSED:
        if (RemoveWindowFromRule(r, e->hwnd) >= 0) Capture(e, r);
        if (SlotEnabled(r, SLOT_CLOSE)) *slot = SLOT_CLOSE;
        break;
    case WEV_NEW:
        applied = Apply(e, r, source, APPLY_ALL);
        if (SlotEnabled(r, source ? SLOT_TRIGGER : SLOT_OPEN)) *slot = source ? SLOT_TRIGGER : SLOT_OPEN;
        break;
    case WEV_TITLE:
        if (r->titlex && (r->titlextime == 0 || e->titleChangedAfter <= (uint64_t)(uint32_t)r->titlextime)) {
            applied = Apply(e, r, 0, APPLY_ALL);
            for (int i = 0; p->pRules && i < p->pRules->count; i++) {
                Rule* other = &p->pRules->data[i];
                if (other != r && !(other->item & RULE_ITEM_GROUP)) RemoveWindowFromRule(other, e->hwnd);
            }
            if (SlotEnabled(r, SLOT_OPEN)) *slot = SLOT_OPEN;
        }
        break;
    case WEV_STATE:
        applied = RestoreOrCapture(e, r, source, APPLY_STATE);
        {
            int s = e->state == 1 ? SLOT_MINIMIZE : (e->state == 2 ? SLOT_MAXIMIZE : SLOT_RESTORE);
            if (SlotEnabled(r, s)) *slot = s;
        }
        break;
    case WEV_MOVED:
        applied = RestoreOrCapture(e, r, source, APPLY_POSITION);
        break;
    case WEV_SIZED:
        if ((LockedParts(r) & APPLY_SIZE) || r->lockar)
            applied = Apply(e, r, source, e->width != e->previousWidth ? 0x22u : 0x42u);
        else
            Capture(e, r);
        break;
    case WEV_RECT: {
        bool pos = (LockedParts(r) & APPLY_POSITION) != 0, size = (LockedParts(r) & APPLY_SIZE) != 0;
        if (pos || size)
            applied = Apply(e, r, source, pos && size ? 7u : (pos ? 5u : 6u));
        else
            Capture(e, r);
        break;
    }
    case WEV_DESKTOP:
        if (r->lockdesktop && r->desktopto)
            applied = Apply(e, r, source, APPLY_DESKTOP);
        else if (r->desktoptomode == 1)
            r->desktop = (uint8_t)e->desktop;
        break;
    case WEV_ACTIVATED:
        if (SlotEnabled(r, SLOT_ACTIVATE)) *slot = SLOT_ACTIVATE;
        break;
    case WEV_DEACTIVATED:
        if (SlotEnabled(r, SLOT_DEACTIVATE)) *slot = SLOT_DEACTIVATE;
        break;
    }
    return applied;
}

static void LogEntry(const MonitoredWindow* e, const Rule* r, bool applied, int slot)
{
    if (!e->title[0] && !Options.bMonIncludeEmpty) return;
    if (!g_logWindow && !Options.bMonLogToFile) return;
    unsigned handle = (unsigned)(uintptr_t)e->hwnd;   // handles are 32-bit values
    LogLine("%s: HWND(%08X), TITLE(%s), DTP(%d), POS(%d,%d), DIM(%d,%d), STATE(%s), CLASS(%s), PROGRAM(%s)",
            WindowEventTag(e->event), handle, e->title, e->desktop, e->x, e->y, e->width, e->height,
            WindowStateText(e->state), e->className, e->program);
    if (r && applied) LogLine("RUL: RULE(%s), HWND(%08X), TITLE(%s)", r->name, handle, e->title);
    if (r && slot != SLOT_NONE)
        LogLine("ADV: RULE(%s), HWND(%08X), COMMAND(%s), TITLE(%s)", r->name, handle, AppText(IDS_SCRIPT_SLOTS, slot),
                e->title);
}

// A window whose thread did not answer is asked again at most this often:
// while it hangs, it costs a pass no more than one question a second.
static const uint64_t kAskAgainMs = 1000;

// Events whose action may change the window itself.
static bool ActsOnWindow(uint32_t event)
{
    return event != WEV_CLOSED && event != WEV_UNCHANGED && event != WEV_ACTIVATED && event != WEV_DEACTIVATED;
}

// Brings back the event a window kept from an earlier pass: a kept "NEW"
// stays new whatever happened since, another kept event gives way to a newer
// one. Until the window is to be asked again, the event stays kept and the
// window is passed over.
static void TakePendingEvent(MonitoredWindow* e, uint64_t now)
{
    if (e->pendingEvent == WEV_CLOSED) return;
    if (e->event == WEV_CLOSED) {
        e->pendingEvent = WEV_CLOSED;
        return;
    }
    if (e->pendingEvent == WEV_NEW || e->event == WEV_UNCHANGED) e->event = e->pendingEvent;
    e->pendingEvent = WEV_CLOSED;
    if (now - e->pendingTicks < kAskAgainMs) {
        e->pendingEvent = e->event;
        e->event = WEV_UNCHANGED;
    }
}

// The window did not answer: its rule acts in a later pass, and nothing is
// logged for it until then.
static void KeepForLater(MonitoredWindow* e)
{
    e->pendingEvent = e->event;
    e->pendingTicks = GetTickCount64();
    e->event = WEV_UNCHANGED;
}

// A window that closed without its rule being looked up leaves the window
// lists too, so that a later window with its handle is not taken for it.
static void ForgetClosedWindow(Profile* p, HWND window)
{
    for (int i = 0; p->pRules && i < p->pRules->count; i++) RemoveWindowFromRule(&p->pRules->data[i], window);
}

// Entries not seen in this pass leave the table, the others keep their order.
static void RemoveClosedEntries()
{
    int kept = 0;
    uint8_t pending = 0;
    for (int i = 0; i < g_windowCount; i++)
        if (g_windowTable[i].event != WEV_CLOSED) {
            if (kept != i) g_windowTable[kept] = g_windowTable[i];
            if (g_windowTable[kept].pendingEvent != WEV_CLOSED) pending = 1;
            kept++;
        }
    g_windowCount = kept;
    g_windowsPending = pending;
}

// A pass that applies nothing (program disabled, conditions not met) still
// lets closed windows go, silently: the table never holds more than the
// windows that exist, and nothing is reported late for a window long gone.
// Events kept for windows that did not answer wait for a pass that acts.
static void DropClosedEntries(Profile* p)
{
    for (int i = 0; i < g_windowCount; i++)
        if (g_windowTable[i].event == WEV_CLOSED) ForgetClosedWindow(p, g_windowTable[i].hwnd);
    RemoveClosedEntries();
    g_windowsPending = 0;
}

// A rule made for a new window from the profile's first "Auto-create
// rules" template that takes it, or null. The template's action part is
// copied into one buffer, which the table lock held by the pass guards.
static Rule* RuleFromAutoTemplate(Profile* p, MonitoredWindow* e)
{
    static Rule s_action;
    int t = FindTemplateForWindow(p, &s_action, e, true);
    if (t < 0) return nullptr;
    int at = CreateRuleFromTemplate(p, e, &s_action, p->pTemplates->data[t].match.name, 0, 1);
    return at < 0 ? nullptr : &p->pRules->data[at];
}

// What a pass tells the main dialog: a window with a rule came or went, or a
// rule was re-applied on a title change; a rule was made from a template.
#define PASS_RULES_TOUCHED 0x1
#define PASS_RULE_CREATED  0x2

static uint32_t ProcessEntry(Profile* p, int i, uint8_t source, uint8_t force, uint64_t now)
{
    uint32_t outcome = 0;
    MonitoredWindow* e = &g_windowTable[i];
    TakePendingEvent(e, now);
    // The windows a script-asked switch applies its profile to carry its
    // chain, also when one is kept for a later pass.
    if (e->event == WEV_NEW && t_passChain > e->switchChain) e->switchChain = t_passChain;
    if (e->event == WEV_STATE && e->state == 1 && g_mainWindow) {
        DWORD_PTR wentToTray = 0;
        SendMessageTimeoutA(g_mainWindow, WM_WINDOW_MINIMIZED, 0, (LPARAM)i, SMTO_ABORTIFHUNG, 1000, &wentToTray);
        if (wentToTray == 1) {
            e->state = e->previousState;
            e->event = WEV_UNCHANGED;
        }
    }
    bool applied = false;
    int slot = SLOT_NONE;
    Rule* rule = nullptr;
    if (e->event != WEV_UNCHANGED && (p->bGenEnabled || force)) {
        rule = FindRuleForWindow(p, e, -1);
        if (!rule && e->event == WEV_NEW && p->bTmpAutoCreate) {
            rule = RuleFromAutoTemplate(p, e);
            if (rule) outcome |= PASS_RULE_CREATED;
        }
        if (g_singleWindowTarget && e->hwnd != g_singleWindowTarget) rule = nullptr;
        // Acting on a window whose thread does not answer would wait on
        // it, with the table locked.
        if (rule && !g_noExecute && ActsOnWindow(e->event) && !WindowAnswers(e->hwnd)) {
            KeepForLater(e);
            rule = nullptr;
        }
        if (rule && !g_noExecute) {
            applied = ActOnEvent(p, e, rule, source, &slot);
            if (e->event == WEV_CLOSED || e->event == WEV_NEW || (e->event == WEV_TITLE && applied))
                outcome |= PASS_RULES_TOUCHED;
            if (source && SlotEnabled(rule, SLOT_TRIGGER)) slot = SLOT_TRIGGER;
            if (slot != SLOT_NONE) RunRuleCommand(e, rule, slot, 0);
        }
    } else if (e->event == WEV_CLOSED) {
        ForgetClosedWindow(p, e->hwnd);   // the profile is disabled: no rule is looked up
    }
    if (e->event == WEV_UNCHANGED) return outcome;
    e->switchChain = 0;   // the window's next events start chains of their own
    if (rule)
        for (int k = 0; k < g_profiles.count; k++) g_profiles.data[k].updatePending = 1;
    LogEntry(e, rule, applied, slot);
    return outcome;
}

// Reads the windows and, when the pass acts, acts on each as soon as it is
// read: the windows that closed first, so that their rules let go of them
// before a window that replaces one is matched; then the shown windows from
// the top, where a window that just appeared is, so that it is placed without
// waiting for the reading of every other window.
static uint32_t CollectAndProcess(Profile* p, uint32_t layout, bool acting, uint8_t source, uint8_t force)
{
    uint32_t outcome = 0;
    uint64_t now = GetTickCount64();
    BeginWindowCollection(layout);
    int shown = ListShownWindows();
    if (acting) {
        BeginRuleMatching(p);
        for (int i = 0; i < g_windowCount; i++)
            if (g_windowTable[i].event == WEV_CLOSED) outcome |= ProcessEntry(p, i, source, force, now);
    }
    for (int k = 0; k < shown; k++) {
        int i = ReadShownWindow(k);
        if (acting && i >= 0) outcome |= ProcessEntry(p, i, source, force, now);
    }
    EndWindowCollection();
    if (acting) {
        EndRuleMatching();
        RemoveClosedEntries();
    } else
        DropClosedEntries(p);
    return outcome;
}

void MonitorPass(Profile* p, int mode, uint8_t source, uint8_t force)
{
    if (!t_comReady) {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED | COINIT_SPEED_OVER_MEMORY);
        t_comReady = 1;
    }
    if (!p) return;
    if (t_inPass) {
        WakeAutoApply();   // the outer pass finishes first; run again afterwards
        return;
    }
    if (!EnterTableLock(100)) return;
    t_inPass = 1;
    // Profiles are applied on the UI thread, which sets the chain around the switch.
    t_passChain = mode >= 1 ? g_profileScriptChain : 0;
    uint32_t layout = CheckScreenReference();
    if (mode < 1) {
        for (int i = 0; i < g_windowCount; i++) g_windowTable[i].event = WEV_CLOSED;
    } else {
        for (int i = 0; p->pRules && i < p->pRules->count; i++)
            if (!p->pRules->data[i].assignonce) p->pRules->data[i].windowCount = 0;
        ForgetWindows();
    }
    MonitorTable live = {};
    GetMonitorSnapshot(&live);
    bool acting = Options.bEnabled && ProfileConditionsMatch(p, &live, force != 0);
    g_foregroundWindow = GetForegroundWindow();
    uint32_t outcome = CollectAndProcess(p, layout, acting, source, force);
    g_previousForeground = g_foregroundWindow;
    g_desktopsCheck = 0;
    t_inPass = 0;
    bool kept = g_windowsPending != 0;
    LeaveTableLock();
    if (kept) WakeForKeptEvents();
    HWND dialog = g_mainDialog;
    if (dialog && g_refreshAllowed && (outcome & PASS_RULES_TOUCHED))
        PostMessageA(dialog, WM_PROFILE_RULESCHANGED, (outcome & PASS_RULE_CREATED) ? 1 : 0, -1);
}
