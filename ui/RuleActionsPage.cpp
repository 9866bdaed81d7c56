// RuleActionsPage.cpp - the Actions page: position, size, state, virtual
// desktop and the various actions of a rule, and its Layout buttons that
// read the rule from its window and try it on the window.
#include "ui/RuleEditor.h"

#include "engine/Geometry.h"
#include "engine/WindowBlink.h"
#include "framework/core/AppObject.h"
#include "framework/core/DialogUtil.h"
#include "framework/core/MonitorTable.h"
#include "framework/core/StringTable.h"
#include "framework/core/TextUtil.h"
#include "ui/DialogSubclass.h"
#include "ui/EditRuleRes.h"
#include "ui/EditWindow.h"
#include "ui/RuleFields.h"
#include "ui/WindowFinder.h"
#include "vdesktop/VirtualDesktop.h"

#include <commctrl.h>
#include <initializer_list>
#include <stdlib.h>
#include <string.h>

namespace {

enum MoveMode { MOVE_THIS, MOVE_LAST, MOVE_CENTER_SCREEN, MOVE_CENTER_OWNER, MOVE_CENTER_POSITION };

const RuleField kActionFields[] = {
    RF_CHECK(IDX_ACT_MOVETO, moveto, 0, 0),
    RF_COMBO(IDCB_ACT_MOVEMODE, movetomode, 0, 0),
    RF_NUMBER(IDE_ACT_X, x, -100000, 100000, VALUE_ANY),
    RF_NUMBER(IDE_ACT_Y, y, -100000, 100000, VALUE_ANY),
    RF_CHECK(IDX_ACT_LOCKPOS, lockpos, 0, 0),
    RF_CHECK(IDX_ACT_MOUSEREL, mouserelative, 0, 0),
    RF_CHECK(IDX_ACT_ONSCREEN, keeponscreen, 0, 0),
    RF_COMBO(IDCB_ACT_OFFMODE, offmode, 0, 0),
    RF_NUMBER(IDE_ACT_TILEROWS, tilerows, 1, 100, 1),
    RF_NUMBER(IDE_ACT_TILECOLS, tilecols, 1, 100, 1),
    RF_NUMBER(IDE_ACT_OFFX, offx, -100000, 100000, VALUE_ANY),   // empty: the system's step, below
    RF_NUMBER(IDE_ACT_OFFY, offy, -100000, 100000, VALUE_ANY),
    RF_CHECK(IDX_ACT_SIZETO, sizeto, 0, 0),
    RF_COMBO(IDCB_ACT_SIZEMODE, sizetomode, 0, 0),
    RF_NUMBER(IDE_ACT_WIDTH, w, 0, 100000, VALUE_ANY),
    RF_NUMBER(IDE_ACT_HEIGHT, h, 0, 100000, VALUE_ANY),
    RF_CHECK(IDX_ACT_LOCKSIZE, locksize, 0, 0),
    RF_CHECK(IDX_ACT_LOCKAR, lockar, 0, 0),
    RF_CHECK(IDX_ACT_KEEPAR, keepar, 0, 0),
    RF_CHECK(IDX_ACT_STATETO, stateto, 0, 0),
    RF_COMBO(IDCB_ACT_STATEMODE, statetomode, 0, 0),
    RF_COMBO_TEXT(IDCB_ACT_STATE, state),
    RF_CHECK(IDX_ACT_LOCKSTATE, lockstate, 0, 0),
    RF_CHECK(IDX_ACT_DESKTOPTO, desktopto, 0, 0),
    RF_COMBO(IDCB_ACT_DESKTOPMODE, desktoptomode, 0, 0),
    RF_DESKTOP(IDCB_ACT_DESKTOP, desktop),
    RF_CHECK(IDX_ACT_LOCKDESKTOP, lockdesktop, 0, 0),
    RF_CHECK(IDX_ACT_ORDERTO, orderto, 0, 0),
    RF_COMBO(IDCB_ACT_ORDER, order, 0, 0),
    RF_CHECK(IDX_ACT_CLOSE, close, 0, 0),
    RF_CHECK(IDX_ACT_ACTIVATE, activate, 0, 0),
    RF_CHECK(IDX_ACT_TRANSTO, transto, 0, 0),
    RF_NUMBER(IDE_ACT_TRANSVAL, transval, 0, 99, 0),
    RF_CHECK(IDX_ACT_CLICKTHRU, clickthrough, 0, 0),
    RF_CHECK(IDX_ACT_DELAY, tdelay, 0, 0),
    RF_NUMBER(IDE_ACT_DELAYTIME, tdelaytime, 10, 3600000, 10),
    RF_CHECK(IDX_ACT_RETRY, tretry, 0, 0),
    RF_NUMBER(IDE_ACT_RETRYTIME, tretrytime, 10, 10000, 10),
};

const char kNumberEditProp[] = "PanelShepherdNumberEdit";

struct ActionsPage {
    Rule* rule;
    Rule* baseline;   // the rule as the page first showed it
    int moveMode;     // the position mode before the last change
    bool live;        // the rule's window was there when last shown
};

ActionsPage* Page(HWND dialog)
{
    return (ActionsPage*)GetWindowLongPtrA(dialog, DWLP_USER);
}

bool Checked(HWND dialog, int id)
{
    return IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}

LRESULT Selected(HWND dialog, int id)
{
    return SendDlgItemMessageA(dialog, id, CB_GETCURSEL, 0, 0);
}

bool FieldEmpty(HWND dialog, int id)
{
    return ReadNumberField(dialog, id, INT32_MIN, INT32_MAX) == VALUE_ANY;
}

int DefaultOffsetStep()
{
    return GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CYEDGE);
}

void EnableActions(HWND dialog, const ActionsPage* p)
{
    bool move = Checked(dialog, IDX_ACT_MOVETO);
    LRESULT mode = Selected(dialog, IDCB_ACT_MOVEMODE);
    EnableDlgItems(move, dialog, IDCB_ACT_MOVEMODE, IDT_ACT_OFFMODE, IDCB_ACT_OFFMODE, IDX_ACT_ONSCREEN, 0);
    EnableDlgItems(move && mode != MOVE_LAST, dialog, IDT_ACT_X, IDE_ACT_X, IDT_ACT_Y, IDE_ACT_Y, IDX_ACT_LOCKPOS,
                   0);
    EnableDlgItems(move && (mode == MOVE_THIS || mode == MOVE_CENTER_SCREEN || mode == MOVE_CENTER_POSITION), dialog,
                   IDX_ACT_MOUSEREL, 0);
    bool absolute = mode == MOVE_THIS || mode == MOVE_LAST ||
                    (mode == MOVE_CENTER_POSITION && !Checked(dialog, IDX_ACT_MOUSEREL));
    SetDlgItemTextA(dialog, IDT_ACT_X, AppText(87, absolute ? 0 : 1));
    SetDlgItemTextA(dialog, IDT_ACT_Y, AppText(87, absolute ? 2 : 3));

    LRESULT offset = Selected(dialog, IDCB_ACT_OFFMODE);
    EnableDlgItems(move && offset > 1, dialog, IDE_ACT_TILEROWS, IDT_ACT_TILEX, IDE_ACT_TILECOLS, 0);
    EnableDlgItems(move && offset > 0, dialog, IDT_ACT_OFFSTEP, IDT_ACT_OFFX, IDE_ACT_OFFX, IDT_ACT_OFFY,
                   IDE_ACT_OFFY, 0);

    bool size = Checked(dialog, IDX_ACT_SIZETO);
    bool thisSize = size && Selected(dialog, IDCB_ACT_SIZEMODE) == 0;
    EnableDlgItems(size, dialog, IDCB_ACT_SIZEMODE, 0);
    EnableDlgItems(thisSize, dialog, IDT_ACT_WIDTH, IDE_ACT_WIDTH, IDT_ACT_HEIGHT, IDE_ACT_HEIGHT, IDX_ACT_LOCKSIZE,
                   0);
    bool someEmpty = FieldEmpty(dialog, IDE_ACT_WIDTH) || FieldEmpty(dialog, IDE_ACT_HEIGHT);
    EnableDlgItems(size && someEmpty, dialog, IDX_ACT_KEEPAR, 0);
    EnableDlgItems(size && !Checked(dialog, IDX_ACT_LOCKSIZE) && !someEmpty, dialog, IDX_ACT_LOCKAR, 0);

    bool state = Checked(dialog, IDX_ACT_STATETO);
    EnableDlgItems(state, dialog, IDCB_ACT_STATEMODE, 0);
    EnableDlgItems(state && Selected(dialog, IDCB_ACT_STATEMODE) == 0, dialog, IDT_ACT_STATE, IDCB_ACT_STATE,
                   IDX_ACT_LOCKSTATE, 0);

    if (g_virtualDesktop) {
        bool desktop = Checked(dialog, IDX_ACT_DESKTOPTO);
        EnableDlgItems(true, dialog, IDX_ACT_DESKTOPTO, 0);
        EnableDlgItems(desktop, dialog, IDCB_ACT_DESKTOPMODE, 0);
        EnableDlgItems(desktop && Selected(dialog, IDCB_ACT_DESKTOPMODE) == 0, dialog, IDT_ACT_DESKTOP,
                       IDCB_ACT_DESKTOP, IDX_ACT_LOCKDESKTOP, 0);
    } else {
        EnableDlgItems(false, dialog, IDX_ACT_DESKTOPTO, IDCB_ACT_DESKTOPMODE, IDT_ACT_DESKTOP, IDCB_ACT_DESKTOP,
                       IDX_ACT_LOCKDESKTOP, 0);
    }

    EnableDlgItems(Checked(dialog, IDX_ACT_ORDERTO), dialog, IDCB_ACT_ORDER, 0);
    EnableDlgItems(Checked(dialog, IDX_ACT_DELAY), dialog, IDE_ACT_DELAYTIME, IDT_ACT_DELAYMS, 0);
    EnableDlgItems(Checked(dialog, IDX_ACT_RETRY), dialog, IDE_ACT_RETRYTIME, IDT_ACT_RETRYMS, 0);
    EnableDlgItems(Checked(dialog, IDX_ACT_TRANSTO), dialog, IDE_ACT_TRANSVAL, IDUD_ACT_TRANSVAL, IDT_ACT_TRANSPCT,
                   IDX_ACT_CLICKTHRU, 0);

    EnableDlgItems(p->live, dialog, IDB_ACT_GET, IDB_ACT_SET, IDB_ACT_CENTER, IDB_ACT_EDIT, IDB_ACT_BLINK, 0);
}

void WriteActions(HWND dialog, Rule* rule)
{
    WriteRuleFields(dialog, rule, kActionFields, ARRAYSIZE(kActionFields));
    if (rule->offx == VALUE_ANY) rule->offx = DefaultOffsetStep();
    if (rule->offy == VALUE_ANY) rule->offy = DefaultOffsetStep();
}

void ShowActions(HWND dialog, ActionsPage* p)
{
    ShowRuleFields(dialog, p->rule, kActionFields, ARRAYSIZE(kActionFields));
    p->moveMode = (int)Selected(dialog, IDCB_ACT_MOVEMODE);
    p->live = LiveRuleWindow(p->rule, nullptr) != nullptr;
    EnableActions(dialog, p);
}

void FillActionCombos(HWND dialog)
{
    FillComboFromStrings(dialog, IDCB_ACT_MOVEMODE, 40, 0, 1);
    FillComboFromStrings(dialog, IDCB_ACT_MOVEMODE, 41, 0, 2);
    FillComboFromStrings(dialog, IDCB_ACT_SIZEMODE, 40, 2, 3);
    FillComboFromStrings(dialog, IDCB_ACT_STATEMODE, 40, 4, 5);
    FillComboFromStrings(dialog, IDCB_ACT_STATE, 40, 6, 8);
    FillComboFromStrings(dialog, IDCB_ACT_DESKTOPMODE, 53, 0, 1);
    FillComboFromStrings(dialog, IDCB_ACT_ORDER, 40, 9, 12);
    FillComboFromStrings(dialog, IDCB_ACT_OFFMODE, 56, 0, 9);
    int count = g_virtualDesktop ? g_virtualDesktop->GetDesktopCount() : -1;
    char number[16];
    for (int i = 1; i <= count; i++) {
        FormatText(number, sizeof(number), "%d", i);
        SendDlgItemMessageA(dialog, IDCB_ACT_DESKTOP, CB_ADDSTRING, 0, (LPARAM)number);
    }
    if (count > 0) FillComboFromStrings(dialog, IDCB_ACT_DESKTOP, 53, 2, 2);
}

BOOL OnInitDialog(HWND dialog, Rule* rule)
{
    ActionsPage* p = (ActionsPage*)calloc(1, sizeof(ActionsPage));
    if (!p) return FALSE;
    p->rule = rule;
    SetWindowLongPtrA(dialog, DWLP_USER, (LONG_PTR)p);
    SubclassWindowFinder(GetDlgItem(dialog, IDB_ACT_PICK));
    for (int id : {IDE_ACT_X, IDE_ACT_Y, IDE_ACT_WIDTH, IDE_ACT_HEIGHT})
        SubclassControl(GetDlgItem(dialog, id), NumberEditProc, kNumberEditProp);
    SendDlgItemMessageA(dialog, IDUD_ACT_TRANSVAL, UDM_SETRANGE32, 0, 99);
    FillActionCombos(dialog);
    ReadRuleFromWindow(rule, 0);
    // The baseline after the read: a rule that only followed its window is no change of the user's.
    p->baseline = (Rule*)malloc(sizeof(Rule));
    if (p->baseline) memcpy(p->baseline, rule, sizeof(Rule));
    ShowActions(dialog, p);
    return FALSE;
}

// Get with the picked window as the rule's window for a moment.
void GetFromPicked(HWND dialog, ActionsPage* p, HWND picked)
{
    Rule* rule = p->rule;
    int32_t count = rule->windowCount;
    HWND first = rule->windows[0];
    WriteActions(dialog, rule);
    rule->windows[0] = picked;
    rule->windowCount = 1;
    ReadRuleFromWindow(rule, 1);
    rule->windows[0] = first;
    rule->windowCount = count;
    ShowActions(dialog, p);
}

void CenterRuleWindow(HWND dialog, ActionsPage* p)
{
    WriteActions(dialog, p->rule);
    HWND w = LiveRuleWindow(p->rule, nullptr);
    if (w) {
        int x = 0, y = 0, cx = 0, cy = 0;
        GetWindowGeometry(w, &x, &y, &cx, &cy, nullptr, nullptr);
        int at = MonitorFromPointIndex(x + cx / 2, y + cy / 2, false);
        MonitorTable monitors;
        GetMonitorSnapshot(&monitors);
        if (at >= 0 && at < monitors.count) {
            const RECT& work = monitors.workAreas[at];
            SetWindowGeometry(w, work.left + (work.right - work.left - cx) / 2,
                              work.top + (work.bottom - work.top - cy) / 2, cx, cy, 0, GEO_POSITION | GEO_SIZE);
        }
        ReadRuleFromWindow(p->rule, 1);
    }
    ShowActions(dialog, p);
}

void EditRuleWindow(HWND dialog, ActionsPage* p)
{
    MonitoredWindow* entry = (MonitoredWindow*)malloc(sizeof(MonitoredWindow));
    if (!entry) return;
    if (LiveRuleWindow(p->rule, entry)) ShowEditWindowProperties(GetAncestor(dialog, GA_ROOT), entry);
    free(entry);
}

void OnCommand(HWND dialog, ActionsPage* p, int id, int code)
{
    switch (id) {
    case IDB_ACT_GET:
        WriteActions(dialog, p->rule);
        ReadRuleFromWindow(p->rule, 1);
        ShowActions(dialog, p);
        return;
    case IDB_ACT_SET:
        WriteActions(dialog, p->rule);
        TestRuleOnWindow(p->rule);
        return;
    case IDB_ACT_CENTER:
        CenterRuleWindow(dialog, p);
        return;
    case IDB_ACT_EDIT:
        EditRuleWindow(dialog, p);
        return;
    case IDB_ACT_BLINK: {
        HWND w = LiveRuleWindow(p->rule, nullptr);
        if (w) BlinkWindow(w, 3, 100);
        return;
    }
    case IDCB_ACT_MOVEMODE: {
        if (code != CBN_SELCHANGE) return;
        int mode = (int)Selected(dialog, IDCB_ACT_MOVEMODE);
        bool wasPosition = p->moveMode == MOVE_THIS || p->moveMode == MOVE_LAST || p->moveMode == MOVE_CENTER_POSITION;
        if (wasPosition && (mode == MOVE_CENTER_SCREEN || mode == MOVE_CENTER_OWNER)) {
            SetDlgItemNumber(dialog, IDE_ACT_X, 0);
            SetDlgItemNumber(dialog, IDE_ACT_Y, 0);
        }
        p->moveMode = mode;
        EnableActions(dialog, p);
        return;
    }
    case IDE_ACT_WIDTH:
    case IDE_ACT_HEIGHT:
        if (code == EN_CHANGE) EnableActions(dialog, p);
        return;
    default:
        if (code == BN_CLICKED || code == CBN_SELCHANGE) EnableActions(dialog, p);
        return;
    }
}

//--- the window's placement in the rule and back

struct Centre {
    int x, y;
};

// The centre positions of the modes are reckoned from: the work area of the
// monitor holding the window's centre, or (owner mode) the visible owner.
Centre ReferenceCentre(HWND window, int mode, int x, int y, int cx, int cy)
{
    if (mode == MOVE_CENTER_OWNER) {
        HWND owner = GetWindow(window, GW_OWNER);
        RECT r;
        if (owner && IsWindowVisible(owner) && GetWindowRect(owner, &r) && r.right > r.left)
            return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }
    int at = MonitorFromPointIndex(x + cx / 2, y + cy / 2, false);
    MonitorTable monitors;
    GetMonitorSnapshot(&monitors);
    if (at < 0 || at >= monitors.count) return {0, 0};
    const RECT& w = monitors.workAreas[at];
    return {(w.left + w.right) / 2, (w.top + w.bottom) / 2};
}

}  // namespace

void ReadRuleFromWindow(Rule* rule, int force)
{
    HWND w = LiveRuleWindow(rule, nullptr);
    if (!w) return;
    int x = 0, y = 0, cx = 0, cy = 0;
    int state = GetWindowGeometry(w, &x, &y, &cx, &cy, nullptr, nullptr);
    if (force || rule->statetomode == 1) rule->state = (uint8_t)state;
    if (rule->state == RULE_STATE_NORMAL) {
        if (force || rule->movetomode == MOVE_LAST) {
            switch (rule->movetomode) {
            case MOVE_CENTER_SCREEN:
            case MOVE_CENTER_OWNER: {
                Centre c = ReferenceCentre(w, rule->movetomode, x, y, cx, cy);
                rule->x = x + cx / 2 - c.x;
                rule->y = y + cy / 2 - c.y;
                break;
            }
            case MOVE_CENTER_POSITION:
                rule->x = x + cx / 2;
                rule->y = y + cy / 2;
                break;
            default:
                rule->x = x;
                rule->y = y;
                break;
            }
        }
        if (force || rule->sizetomode == 1) {
            rule->w = cx;
            rule->h = cy;
        }
    }
    if (force && rule->desktopto && g_virtualDesktop) {
        int desktop = g_virtualDesktop->GetWindowDesktopNumber(w);
        if (desktop >= 0 && desktop < RULE_DESKTOP_PIN) rule->desktop = (uint8_t)desktop;
    }
}

void TestRuleOnWindow(const Rule* rule)
{
    HWND w = LiveRuleWindow(rule, nullptr);
    if (!w) return;
    int x = 0, y = 0, cx = 0, cy = 0;
    GetWindowGeometry(w, &x, &y, &cx, &cy, nullptr, nullptr);
    if (rule->sizetomode == 0) {
        if (rule->w != VALUE_ANY) cx = rule->w;
        if (rule->h != VALUE_ANY) cy = rule->h;
    }
    int left = rule->x, top = rule->y;
    if (left != VALUE_ANY && top != VALUE_ANY) {
        if (rule->movetomode == MOVE_CENTER_SCREEN || rule->movetomode == MOVE_CENTER_OWNER) {
            Centre c = ReferenceCentre(w, rule->movetomode, x, y, cx, cy);
            left = c.x + rule->x - cx / 2;
            top = c.y + rule->y - cy / 2;
        } else if (rule->movetomode == MOVE_CENTER_POSITION) {
            left = rule->x - cx / 2;
            top = rule->y - cy / 2;
        }
    }
    int flags = (rule->moveto ? GEO_POSITION : 0) | (rule->sizeto ? GEO_SIZE : 0) |
                (rule->stateto && rule->state <= RULE_STATE_MAXIMIZED ? GEO_STATE : 0);
    SetWindowGeometry(w, left, top, rule->w, rule->h, rule->state, flags);
    if (rule->orderto) {
        const UINT keep = SWP_NOMOVE | SWP_NOSIZE;
        SetWindowPos(w, HWND_NOTOPMOST, 0, 0, 0, 0, keep | SWP_NOACTIVATE);
        if (rule->order == 0 || rule->order == 1) {
            if (g_virtualDesktop) g_virtualDesktop->RememberDesktop(-1);
            SetWindowPos(w, rule->order == 0 ? HWND_TOP : HWND_BOTTOM, 0, 0, 0, 0, keep);
        } else if (rule->order == 2) {
            SetWindowPos(w, HWND_TOPMOST, 0, 0, 0, 0, keep | SWP_NOACTIVATE);
        }
    }
    if (rule->desktopto && g_virtualDesktop && rule->desktop != RULE_DESKTOP_NONE) {
        if (rule->desktop == RULE_DESKTOP_PIN) {
            g_virtualDesktop->PinWindow(w);
        } else {
            g_virtualDesktop->UnpinWindow(w);
            g_virtualDesktop->MoveWindowToDesktop(w, rule->desktop);
        }
    }
}

LRESULT CALLBACK NumberEditProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CHAR && !(GetKeyState(VK_CONTROL) & 0x8000)) {
        char c = (char)wParam;
        if (c == 'g' || c == 's') {
            SendMessageA(GetParent(edit), WM_COMMAND, c == 'g' ? IDB_ACT_GET : IDB_ACT_SET, 0);
            return 0;
        }
        bool allowed = (c >= '0' && c <= '9') || c == '\b' || c == '\t' || c == '-' || c == '.';
        if (!allowed) return 0;
    }
    if (message == WM_PASTE) {
        // What a paste brings is filtered as typing is: a number's characters only.
        char text[64] = "";
        if (OpenClipboard(edit)) {
            HANDLE data = GetClipboardData(CF_TEXT);
            const char* from = data ? (const char*)GlobalLock(data) : nullptr;
            size_t n = 0;
            for (size_t i = 0; from && from[i] && n + 1 < sizeof(text); i++) {
                char c = from[i];
                if ((c >= '0' && c <= '9') || c == '-' || c == '.') text[n++] = c;
            }
            text[n] = '\0';
            if (from) GlobalUnlock(data);
            CloseClipboard();
        }
        SendMessageA(edit, EM_REPLACESEL, TRUE, (LPARAM)text);
        return 0;
    }
    return CallControlProc(edit, kNumberEditProp, message, wParam, lParam);
}

INT_PTR CALLBACK RulePropertiesPageProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) return OnInitDialog(dialog, (Rule*)lParam);
    ActionsPage* p = Page(dialog);
    if (!p) return FALSE;
    switch (message) {
    case WM_RULEPAGE_WRITE:
        WriteActions(dialog, lParam ? (Rule*)lParam : p->rule);
        return TRUE;
    case WM_RULEPAGE_SHOW:
        ShowActions(dialog, p);
        return TRUE;
    case WM_RULEPAGE_ENABLE:
        EnableActions(dialog, p);
        return TRUE;
    case WM_RULEPAGE_CHANGED:
        return AnswerMessage(dialog, !p->baseline || RuleFieldsChanged(dialog, p->baseline, kActionFields,
                                                                       ARRAYSIZE(kActionFields))
                                         ? 1
                                         : 0);
    case WM_PICKED_WINDOW:
        if (lParam) GetFromPicked(dialog, p, (HWND)lParam);
        return TRUE;
    case WM_COMMAND:
        OnCommand(dialog, p, LOWORD(wParam), HIWORD(wParam));
        return TRUE;
    case WM_DESTROY:
        free(p->baseline);
        SetWindowLongPtrA(dialog, DWLP_USER, 0);
        free(p);
        return TRUE;
    default:
        return FALSE;
    }
}
