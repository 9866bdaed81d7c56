// RuleApply.cpp - carrying out a rule on one monitored window.
#include "engine/Rules.h"

#include "engine/ExplorerWindows.h"
#include "engine/RulePlace.h"
#include "engine/TransparentWindows.h"
#include "engine/TraySlots.h"
#include "vdesktop/VirtualDesktop.h"

static RECT CurrentWorkArea(HWND window)
{
    RECT r = {};
    GetWindowRect(window, &r);
    return WorkAreaAt(((int64_t)r.left + r.right) / 2, ((int64_t)r.top + r.bottom) / 2);
}

static uint32_t ReduceMask(const Rule* rule, uint32_t mask)
{
    if (!rule->moveto) mask &= ~(uint32_t)APPLY_POSITION;
    if (!rule->sizeto) mask &= ~(uint32_t)APPLY_SIZE;
    if (!rule->stateto) mask &= ~(uint32_t)APPLY_STATE;
    if (!rule->orderto) mask &= ~(uint32_t)APPLY_ZORDER;
    if (!rule->desktopto) mask &= ~(uint32_t)APPLY_DESKTOP;
    return mask;
}

// Sets position, size and state; true when the window kept them. A
// minimised or maximised window that changes monitor is restored at its new
// place first, so that it takes its state on the new monitor.
static bool PlaceWindow(const MonitoredWindow* e, const Rule* rule, uint32_t mask, POINT cursor)
{
    HWND hwnd = e->hwnd;
    PlacementTarget t = ComputePlacementTarget(e, rule, mask, cursor);
    RECT targetArea = WorkAreaAt((int64_t)t.x + t.width / 2, (int64_t)t.y + t.height / 2);
    int now = GetWindowState(hwnd);
    RECT nowArea = CurrentWorkArea(hwnd);
    int flags = (rule->moveto ? GEO_POSITION : 0) | (rule->sizeto ? GEO_SIZE : 0);
    if (now != WINSTATE_NORMAL && !EqualRect(&targetArea, &nowArea)) {
        SetWindowGeometry(hwnd, t.x, t.y, t.width, t.height, WINSTATE_NORMAL, flags | GEO_STATE);
        SetWindowGeometry(hwnd, t.x, t.y, t.width, t.height, rule->stateto ? t.state : now,
                          flags | GEO_STATE);
    } else {
        SetWindowGeometry(hwnd, t.x, t.y, t.width, t.height, t.state,
                          flags | (rule->stateto ? GEO_STATE : 0));
    }

    int x = 0, y = 0, w = 0, h = 0;
    GetWindowGeometry(hwnd, &x, &y, &w, &h, nullptr, nullptr);
    if (rule->moveto && (x != t.x || y != t.y)) return false;
    if (rule->sizeto && (w != t.width || h != t.height)) return false;
    if (rule->stateto && (mask & APPLY_STATE) && GetWindowState(hwnd) != t.state) return false;
    return true;
}

// Asynchronous: another thread's window takes the change when it next takes
// a message, and the rule never waits for it.
static void SetZOrder(HWND hwnd, uint8_t order)
{
    const UINT keep = SWP_NOSIZE | SWP_NOMOVE | SWP_ASYNCWINDOWPOS;
    switch (order) {
    case 0: SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, keep); break;
    case 1: SetWindowPos(hwnd, HWND_BOTTOM, 0, 0, 0, 0, keep); break;
    case 2: SetWindowPos(hwnd, HWND_TOPMOST, 0, 0, 0, 0, keep | SWP_NOACTIVATE); break;
    case 3: SetWindowPos(hwnd, HWND_NOTOPMOST, 0, 0, 0, 0, keep | SWP_NOACTIVATE); break;
    default: break;
    }
}

// Pins the window to every desktop, or unpins it and moves it to one.
static void PlaceOnDesktop(HWND hwnd, uint8_t desktop)
{
    CVirtualDesktop* desktops = g_virtualDesktop;
    if (!desktops || desktop == RULE_DESKTOP_NONE) return;
    bool pinned = desktops->IsWindowPinned(hwnd);
    if (desktop == RULE_DESKTOP_PIN) {
        if (!pinned) desktops->PinWindow(hwnd);
        return;
    }
    if (pinned) desktops->UnpinWindow(hwnd);
    desktops->MoveWindowToDesktop(hwnd, desktop);
}

bool ApplyRuleToWindow(MonitoredWindow* entry, Rule* rule, uint8_t source, uint32_t mask)
{
    if (!entry || !rule) return true;   // nothing to do
    HWND hwnd = entry->hwnd;
    if (IsWindowInTraySlot(hwnd) && !IsWindowVisible(hwnd)) return true;

    if (rule->tdelay) {
        ScriptThreadContext* c = NewScriptThreadContext(rule, entry, mask, source);
        if (c) {
            c->rule.tdelay = 0;
            StartContextThread(DelayedApplyThread, c);
        }
        return true;
    }
    if (rule->close) {
        PostMessageA(hwnd, WM_CLOSE, 0, 0);
        return true;
    }

    mask = ReduceMask(rule, mask);
    POINT cursor = {};
    if (rule->mouserelative) cursor = CursorInPlacement();

    if (mask & (APPLY_POSITION | APPLY_SIZE | APPLY_STATE)) {
        if (!PlaceWindow(entry, rule, mask, cursor)) {
            // A window that is gone cannot take a placement later either.
            if (rule->tretry && IsWindow(hwnd)) {
                ScriptThreadContext* c = NewScriptThreadContext(rule, entry, mask, source);
                if (c) {
                    c->rule.tretry = 0;
                    c->rule.tdelay = 0;
                    StartContextThread(RetryApplyThread, c);
                }
            }
            return false;
        }
    }

    if (rule->activate) {
        SetForegroundWindow(hwnd);
        SetFocus(hwnd);
        SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_ASYNCWINDOWPOS);
    }
    if (mask & APPLY_ZORDER) SetZOrder(hwnd, rule->order);
    if (rule->transto) ApplyRuleTransparency(hwnd, rule->transval, rule->clickthrough != 0);
    if (mask & APPLY_DESKTOP) PlaceOnDesktop(hwnd, rule->desktop);
    if (rule->remviewmode && rule->viewmode != 0) StartApplyFolderViewThread(hwnd, rule);
    return true;
}
