// MatchResult.cpp - Match Result: the tested window's title, class and
// program, green where the rule's criterion matches and red where not;
// editing a text tests again.
#include "ui/RuleEditor.h"

#include "framework/core/AppObject.h"
#include "framework/core/AppShell.h"
#include "framework/core/TextUtil.h"
#include "framework/ui/DialogSetup.h"
#include "ui/DialogSubclass.h"
#include "ui/EditRuleRes.h"
#include "ui/RuleFields.h"

#include <initializer_list>
#include <stdlib.h>
#include <string.h>

namespace {

const char kFieldProp[] = "PanelShepherdResultField";
const COLORREF kRed = RGB(255, 180, 180);
const COLORREF kGreen = RGB(180, 255, 180);

struct ResultState {
    MatchTestData* test;
    HBRUSH red, green;
    bool showing;   // the texts are being put in: no re-test for them
};

ResultState* State(HWND dialog)
{
    return (ResultState*)GetWindowLongPtrA(dialog, DWLP_USER);
}

// The remembered rectangle, moved onto the monitor nearest to it.
bool RememberedPlace(RECT* r)
{
    if (g_matchResultRect.right - g_matchResultRect.left <= 0) return false;
    *r = g_matchResultRect;
    HMONITOR monitor = MonitorFromRect(r, MONITOR_DEFAULTTONEAREST);
    MONITORINFO mi = {};
    mi.cbSize = sizeof(mi);
    if (!GetMonitorInfoA(monitor, &mi)) return false;
    const RECT& w = mi.rcWork;
    int width = r->right - r->left, height = r->bottom - r->top;
    if (width > w.right - w.left) width = w.right - w.left;
    if (height > w.bottom - w.top) height = w.bottom - w.top;
    int left = r->left, top = r->top;
    if (left + width > w.right) left = w.right - width;
    if (top + height > w.bottom) top = w.bottom - height;
    if (left < w.left) left = w.left;
    if (top < w.top) top = w.top;
    SetRect(r, left, top, left + width, top + height);
    return true;
}

// The first opening: below its owner (clear of the Match page's Test
// button and criteria), else right of it, kept on the owner's monitor.
void PlaceBesideOwner(HWND dialog)
{
    HWND owner = GetWindow(dialog, GW_OWNER);
    RECT o, r;
    if (!owner || !GetWindowRect(owner, &o) || !GetWindowRect(dialog, &r)) return;
    MONITORINFO mi = {};
    mi.cbSize = sizeof(mi);
    if (!GetMonitorInfoA(MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST), &mi)) return;
    const RECT& w = mi.rcWork;
    int width = r.right - r.left, height = r.bottom - r.top;
    int left = o.left, top = o.bottom;
    if (top + height > w.bottom) {
        left = o.right;
        top = o.top;
    }
    if (left + width > w.right) left = w.right - width;
    if (top + height > w.bottom) top = w.bottom - height;
    if (left < w.left) left = w.left;
    if (top < w.top) top = w.top;
    SetWindowPos(dialog, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void ShowTexts(HWND dialog, ResultState* s)
{
    s->showing = true;
    SetDlgItemTextA(dialog, IDE_RESULT_TITLE, s->test->window.title);
    SetDlgItemTextA(dialog, IDE_RESULT_CLASS, s->test->window.className);
    SetDlgItemTextA(dialog, IDE_RESULT_PROGRAM, s->test->window.program);
    s->showing = false;
}

void TakeText(HWND dialog, ResultState* s, int id)
{
    MonitoredWindow* w = &s->test->window;
    switch (id) {
    case IDE_RESULT_TITLE:
        GetDlgItemTextA(dialog, id, w->title, sizeof(w->title));
        w->titleLength = (int32_t)strlen(w->title);
        break;
    case IDE_RESULT_CLASS:
        GetDlgItemTextA(dialog, id, w->className, sizeof(w->className));
        w->classLength = (int32_t)strlen(w->className);
        break;
    case IDE_RESULT_PROGRAM:
        GetDlgItemTextA(dialog, id, w->program, sizeof(w->program));
        w->programLength = (int32_t)strlen(w->program);
        break;
    default:
        return;
    }
    if (IsWindow(s->test->page)) PostMessageA(s->test->page, WM_COMMAND, IDB_MATCH_TEST, -1);
}

// The dialog is modeless inside Edit Rule's modal loop, which does not give
// it the dialog keys: Esc in a field closes it here.
LRESULT CALLBACK ResultFieldProc(HWND field, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_KEYDOWN && wParam == VK_ESCAPE) {
        PostMessageA(GetParent(field), WM_COMMAND, IDCANCEL, 0);
        return 0;
    }
    return CallControlProc(field, kFieldProp, message, wParam, lParam);
}

BOOL OnInitDialog(HWND dialog, MatchTestData* test)
{
    ResultState* s = (ResultState*)calloc(1, sizeof(ResultState));
    if (!s) return FALSE;
    s->test = test;
    s->red = CreateSolidBrush(kRed);
    s->green = CreateSolidBrush(kGreen);
    SetWindowLongPtrA(dialog, DWLP_USER, (LONG_PTR)s);
    InitDialogDefaults(&g_app, dialog);
    for (int id : {IDE_RESULT_TITLE, IDE_RESULT_CLASS, IDE_RESULT_PROGRAM})
        SendDlgItemMessageA(dialog, id, EM_LIMITTEXT, id == IDE_RESULT_TITLE     ? sizeof(test->window.title) - 1
                                                      : id == IDE_RESULT_CLASS ? sizeof(test->window.className) - 1
                                                                               : sizeof(test->window.program) - 1,
                            0);
    for (int id : {IDE_RESULT_TITLE, IDE_RESULT_CLASS, IDE_RESULT_PROGRAM})
        SubclassControl(GetDlgItem(dialog, id), ResultFieldProc, kFieldProp);
    PostMessageA(dialog, WM_RESULT_SHOW, 0, 0);
    RECT r;
    if (RememberedPlace(&r))
        SetWindowPos(dialog, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    else
        PlaceBesideOwner(dialog);
    ShowWindow(dialog, SW_SHOW);
    return TRUE;
}

INT_PTR OnColour(ResultState* s, HDC dc, HWND control)
{
    int id = GetDlgCtrlID(control);
    uint32_t bit = id == IDE_RESULT_TITLE ? 0x1 : id == IDE_RESULT_CLASS ? 0x2 : id == IDE_RESULT_PROGRAM ? 0x4 : 0;
    if (!bit) return FALSE;
    bool match = (s->test->bits & bit) != 0;
    SetBkColor(dc, match ? kGreen : kRed);
    return (INT_PTR)(match ? s->green : s->red);
}

}  // namespace

HWND OpenMatchResult(HWND owner, MatchTestData* test)
{
    return CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_MATCH_RESULT), owner,
                              MatchResultDlgProc, (LPARAM)test);
}

INT_PTR CALLBACK MatchResultDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) return OnInitDialog(dialog, (MatchTestData*)lParam);
    ResultState* s = State(dialog);
    if (!s) return FALSE;
    switch (message) {
    case WM_RESULT_SHOW:
        ShowTexts(dialog, s);
        return TRUE;
    case WM_CTLCOLOREDIT:
        return OnColour(s, (HDC)wParam, (HWND)lParam);
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
        case IDCANCEL:
            DestroyWindow(dialog);
            break;
        case IDB_RULE_HELP:
            ShowHelp(&g_app, "RuleMatch.htm");
            break;
        default:
            if (HIWORD(wParam) == EN_CHANGE && !s->showing) TakeText(dialog, s, LOWORD(wParam));
            break;
        }
        return TRUE;
    case WM_HELP:
        ShowHelp(&g_app, "RuleMatch.htm");
        return TRUE;
    case WM_DESTROY:
        GetWindowRect(dialog, &g_matchResultRect);
        DeleteObject(s->red);
        DeleteObject(s->green);
        ForgetMatchResult(s->test);
        SetWindowLongPtrA(dialog, DWLP_USER, 0);
        free(s);
        return TRUE;
    default:
        return FALSE;
    }
}
