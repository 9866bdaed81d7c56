// EditWindow.cpp - Edit Window Properties: Get, Set, Center and the
// finder, acting on the live window directly.
#include "ui/EditWindow.h"

#include "engine/Geometry.h"
#include "engine/ProductStrings.h"
#include "framework/core/AppObject.h"
#include "framework/core/AppShell.h"
#include "framework/core/DialogUtil.h"
#include "framework/core/MonitorTable.h"
#include "framework/core/TextUtil.h"
#include "framework/ui/DialogSetup.h"
#include "ui/EditWindowRes.h"
#include "ui/WindowFinder.h"
#include "vdesktop/VirtualDesktop.h"

namespace {

const int kPositionLimit = 99999;
const int kNumberFields[] = {IDE_EDITWIN_X, IDE_EDITWIN_Y, IDE_EDITWIN_WIDTH, IDE_EDITWIN_HEIGHT};
const int kCombos[] = {IDCB_EDITWIN_STATE, IDCB_EDITWIN_ORDER, IDCB_EDITWIN_DESKTOP};

enum Order { ORDER_TOP, ORDER_BOTTOM, ORDER_TOPMOST, ORDER_NOT_TOPMOST };

// What the dialog showed on opening, for Cancel. UI thread; one at a time.
struct ShownValues {
    char numbers[4][16];
    LRESULT choices[3];
};

MonitoredWindow g_edited;
ShownValues g_opening;

HWND Target()
{
    return IsWindow(g_edited.hwnd) ? g_edited.hwnd : nullptr;
}

void FillCombos(HWND dialog)
{
    for (int column = 6; column <= 8; column++)
        SendDlgItemMessageA(dialog, IDCB_EDITWIN_STATE, CB_ADDSTRING, 0, (LPARAM)AppText(40, column));
    for (int column = 9; column <= 12; column++)
        SendDlgItemMessageA(dialog, IDCB_EDITWIN_ORDER, CB_ADDSTRING, 0, (LPARAM)AppText(40, column));
    int count = g_virtualDesktop ? g_virtualDesktop->GetDesktopCount() : -1;
    if (count < 0) {
        EnableWindow(GetDlgItem(dialog, IDT_EDITWIN_DESKTOP), FALSE);
        EnableWindow(GetDlgItem(dialog, IDCB_EDITWIN_DESKTOP), FALSE);
        return;
    }
    char number[16];
    for (int i = 1; i <= count; i++) {
        FormatText(number, sizeof(number), "%d", i);
        SendDlgItemMessageA(dialog, IDCB_EDITWIN_DESKTOP, CB_ADDSTRING, 0, (LPARAM)number);
    }
    SendDlgItemMessageA(dialog, IDCB_EDITWIN_DESKTOP, CB_ADDSTRING, 0, (LPARAM)AppText(53, 2));
}

void Choose(HWND dialog, int id, LRESULT row)
{
    SendDlgItemMessageA(dialog, id, CB_SETCURSEL, (WPARAM)row, 0);
}

LRESULT Chosen(HWND dialog, int id)
{
    return SendDlgItemMessageA(dialog, id, CB_GETCURSEL, 0, 0);
}

void GetFromWindow(HWND dialog)
{
    HWND target = Target();
    if (!target) return;
    int x = 0, y = 0, w = 0, h = 0;
    int state = GetWindowGeometry(target, &x, &y, &w, &h, nullptr, nullptr);
    SetDlgItemNumber(dialog, IDE_EDITWIN_X, x);
    SetDlgItemNumber(dialog, IDE_EDITWIN_Y, y);
    SetDlgItemNumber(dialog, IDE_EDITWIN_WIDTH, w);
    SetDlgItemNumber(dialog, IDE_EDITWIN_HEIGHT, h);
    Choose(dialog, IDCB_EDITWIN_STATE, state >= 0 && state <= 2 ? state : 0);
    // Not topmost shows as "Not always on top": OK then leaves the z-order alone.
    bool topmost = (GetWindowLongA(target, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    Choose(dialog, IDCB_EDITWIN_ORDER, topmost ? ORDER_TOPMOST : ORDER_NOT_TOPMOST);
    if (g_virtualDesktop && IsWindowEnabled(GetDlgItem(dialog, IDCB_EDITWIN_DESKTOP))) {
        int count = g_virtualDesktop->GetDesktopCount();
        int desktop = g_virtualDesktop->IsWindowPinned(target) ? count : g_virtualDesktop->GetWindowDesktopNumber(target);
        Choose(dialog, IDCB_EDITWIN_DESKTOP, desktop);
    }
}

// A number field; false when it is empty.
bool ReadNumber(HWND dialog, int id, int minimum, int* value)
{
    char text[16] = "";
    GetDlgItemTextA(dialog, id, text, sizeof(text));
    TrimChars(text, " \t");
    if (!text[0]) return false;
    *value = GetDlgItemNumberDefault(dialog, id, minimum, kPositionLimit, 0);
    return true;
}

void ApplyOrder(HWND target, LRESULT order)
{
    const UINT keep = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE;
    SetWindowPos(target, HWND_NOTOPMOST, 0, 0, 0, 0, keep);
    switch (order) {
    case ORDER_TOP:
        if (g_virtualDesktop) g_virtualDesktop->RememberDesktop(-1);
        SetWindowPos(target, HWND_TOP, 0, 0, 0, 0, keep);
        break;
    case ORDER_BOTTOM:
        if (g_virtualDesktop) g_virtualDesktop->RememberDesktop(-1);
        SetWindowPos(target, HWND_BOTTOM, 0, 0, 0, 0, keep);
        break;
    case ORDER_TOPMOST:
        SetWindowPos(target, HWND_TOPMOST, 0, 0, 0, 0, keep);
        break;
    default:
        break;
    }
}

void SetToWindow(HWND dialog)
{
    HWND target = Target();
    if (!target) return;
    ShowWindow(target, SW_RESTORE);
    int x = GEO_KEEP, y = GEO_KEEP, w = GEO_KEEP, h = GEO_KEEP;
    int flags = GEO_STATE;
    // A size is never negative: the window would be turned inside out.
    if (ReadNumber(dialog, IDE_EDITWIN_X, -kPositionLimit, &x) && ReadNumber(dialog, IDE_EDITWIN_Y, -kPositionLimit, &y))
        flags |= GEO_POSITION;
    else
        x = y = GEO_KEEP;
    if (ReadNumber(dialog, IDE_EDITWIN_WIDTH, 0, &w) && ReadNumber(dialog, IDE_EDITWIN_HEIGHT, 0, &h))
        flags |= GEO_SIZE;
    else
        w = h = GEO_KEEP;
    LRESULT state = Chosen(dialog, IDCB_EDITWIN_STATE);
    SetWindowGeometry(target, x, y, w, h, state >= 0 ? (int)state : 0, flags);
    ApplyOrder(target, Chosen(dialog, IDCB_EDITWIN_ORDER));
    LRESULT desktop = Chosen(dialog, IDCB_EDITWIN_DESKTOP);
    if (!g_virtualDesktop || desktop < 0) return;
    int count = g_virtualDesktop->GetDesktopCount();
    if (desktop < count) {
        g_virtualDesktop->UnpinWindow(target);
        g_virtualDesktop->MoveWindowToDesktop(target, (int)desktop);
    } else if (desktop == count) {
        g_virtualDesktop->PinWindow(target);
    }
}

void CenterWindowOnMonitor(HWND dialog)
{
    HWND target = Target();
    if (!target) return;
    int x = GetDlgItemNumber(dialog, IDE_EDITWIN_X, -kPositionLimit, kPositionLimit);
    int y = GetDlgItemNumber(dialog, IDE_EDITWIN_Y, -kPositionLimit, kPositionLimit);
    int w = GetDlgItemNumber(dialog, IDE_EDITWIN_WIDTH, 0, kPositionLimit);
    int h = GetDlgItemNumber(dialog, IDE_EDITWIN_HEIGHT, 0, kPositionLimit);
    int at = MonitorFromPointIndex(x + w / 2, y + h / 2, false);
    MonitorTable monitors;
    GetMonitorSnapshot(&monitors);
    if (at < 0 || at >= monitors.count) return;
    const RECT& work = monitors.workAreas[at];
    int left = work.left + (work.right - work.left - w) / 2;
    int top = work.top + (work.bottom - work.top - h) / 2;
    SetWindowGeometry(target, left, top, w, h, 0, GEO_POSITION | GEO_SIZE);
    PostMessageA(dialog, WM_COMMAND, IDB_EDITWIN_GET, 0);
}

void RememberShown(HWND dialog, ShownValues* values)
{
    for (int i = 0; i < 4; i++) GetDlgItemTextA(dialog, kNumberFields[i], values->numbers[i], sizeof(values->numbers[i]));
    for (int i = 0; i < 3; i++) values->choices[i] = Chosen(dialog, kCombos[i]);
}

void ShowAgain(HWND dialog, const ShownValues* values)
{
    for (int i = 0; i < 4; i++) SetDlgItemTextA(dialog, kNumberFields[i], values->numbers[i]);
    for (int i = 0; i < 3; i++) Choose(dialog, kCombos[i], values->choices[i]);
}

BOOL OnInitDialog(HWND dialog)
{
    InitDialogDefaults(&g_app, dialog);
    SubclassWindowFinder(GetDlgItem(dialog, IDB_EDITWIN_PICK));
    FillCombos(dialog);
    GetFromWindow(dialog);
    RememberShown(dialog, &g_opening);
    return TRUE;
}

void OnCommand(HWND dialog, int id, int notification)
{
    if (notification != BN_CLICKED) return;
    switch (id) {
    case IDB_EDITWIN_GET:
        GetFromWindow(dialog);
        break;
    case IDB_EDITWIN_SET:
        SetToWindow(dialog);
        break;
    case IDB_EDITWIN_CENTER:
        CenterWindowOnMonitor(dialog);
        break;
    case IDB_EDITWIN_HELP:
        ShowHelp(&g_app, "EditWindow.htm");
        break;
    case IDOK:
        SetToWindow(dialog);
        EndDialog(dialog, 1);
        break;
    case IDCANCEL:
        ShowAgain(dialog, &g_opening);
        SetToWindow(dialog);
        EndDialog(dialog, 2);
        break;
    default:
        break;
    }
}

}  // namespace

INT_PTR ShowEditWindowProperties(HWND owner, const MonitoredWindow* window)
{
    if (!window || !IsWindow(window->hwnd)) return 2;
    g_edited = *window;
    return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_EDIT_WINDOW), owner, EditWindowDlgProc, 0);
}

INT_PTR CALLBACK EditWindowDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(dialog);
    case WM_COMMAND:
        OnCommand(dialog, LOWORD(wParam), HIWORD(wParam));
        return TRUE;
    case WM_DPICHANGED:
        ApplyDialogFontForDpi(dialog, HIWORD(wParam));
        return TRUE;
    case WM_HELP:
        ShowHelp(&g_app, "EditWindow.htm");
        return TRUE;
    default:
        return FALSE;
    }
}
