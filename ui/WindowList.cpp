// WindowList.cpp - the Window List's dialog: opening and closing, the log
// box, the check boxes, blinking, Create Rule and Edit... .
#include "ui/WindowList.h"

#include "engine/Engine.h"
#include "engine/LiveEdit.h"
#include "engine/Log.h"
#include "engine/OptionsRecord.h"
#include "engine/ProductIds.h"
#include "engine/ProductStrings.h"
#include "engine/ProfileStore.h"
#include "engine/RuleCreate.h"
#include "engine/WindowBlink.h"
#include "engine/WindowTable.h"
#include "framework/core/AppObject.h"
#include "framework/core/AppShell.h"
#include "framework/core/MonitorTable.h"
#include "framework/core/RecordFile.h"
#include "framework/ui/DialogSetup.h"
#include "framework/ui/MessageBox.h"
#include "framework/ui/Theme.h"
#include "ui/DialogSubclass.h"
#include "ui/EditWindow.h"
#include "ui/WindowFinder.h"
#include "ui/WindowListInternal.h"
#include "ui/WindowListRes.h"

#include <stdlib.h>
#include <string.h>

namespace {

const char kWidthsRecord[] = "MonitorLV";

// The open list (one at a time) and its layout. UI thread.
HWND g_windowList;
ResizableLayout g_layout;
// Kept for the process's life, both on at start.
bool g_listUpdates = true;
bool g_logUpdates = true;
MonitoredWindow g_editedWindow;

struct LayoutAnchor {
    int id;
    uint32_t flags;
};

const LayoutAnchor kLayout[] = {
    {IDG_WLIST_WINDOWS, LAYOUT_STRETCH_WIDTH},
    {IDL_WLIST_WINDOWS, LAYOUT_STRETCH_WIDTH},
    {IDB_WLIST_PICK, LAYOUT_KEEP_RIGHT},
    {IDB_WLIST_EDIT, LAYOUT_KEEP_RIGHT},
    {IDB_WLIST_CREATERULE, LAYOUT_KEEP_RIGHT},
    {IDG_WLIST_EVENTS, LAYOUT_STRETCH_WIDTH | LAYOUT_STRETCH_HEIGHT},
    {IDE_WLIST_LOG, LAYOUT_STRETCH_WIDTH | LAYOUT_STRETCH_HEIGHT},
    {IDCANCEL, LAYOUT_KEEP_BOTTOM | LAYOUT_KEEP_RIGHT},
    {IDB_WLIST_CLEAR, LAYOUT_KEEP_BOTTOM | LAYOUT_KEEP_RIGHT},
    {IDB_WLIST_HELP, LAYOUT_KEEP_BOTTOM},
    {IDX_WLIST_LOGUPDATE, LAYOUT_KEEP_BOTTOM},
    {IDX_WLIST_INCLUDEEMPTY, LAYOUT_KEEP_BOTTOM},
    {IDX_WLIST_LOGTOFILE, LAYOUT_KEEP_BOTTOM},
};

const MonitoredWindow* SelectedRow()
{
    int row = g_windowRows ? GetListSelection(g_windowRows) : -1;
    return row >= 0 ? (const MonitoredWindow*)GetListRowData(g_windowRows, row) : nullptr;
}

void SetLogFont(HWND dialog)
{
    HFONT font = GetThemeFont(&g_theme, THEME_FONT_UI, GetWindowDpi(dialog));
    if (font) SendDlgItemMessageA(dialog, IDE_WLIST_LOG, WM_SETFONT, (WPARAM)font, TRUE);
}

bool CreateList(HWND dialog)
{
    CList* list = (CList*)CreateUIItemByType(UIITEM_LIST, nullptr);
    if (!list) return false;
    list->rowDataSize = sizeof(MonitoredWindow);
    if (CreateListInPlaceOf(list, IDL_WLIST_WINDOWS, dialog, dialog, GetDlgItem(dialog, IDL_WLIST_WINDOWS), nullptr,
                            true) != 0) {
        FreeUIItem(list);
        return false;
    }
    double widths[3];
    void* record = nullptr;
    uint32_t size = LoadRecord(kWidthsRecord, -1, &record);
    ReadColumnWidths(record, size, widths);
    free(record);
    for (int i = 0; i < 3; i++) AddListColumn(list, AppText(20, i), widths[i]);
    int column = Options.iMonListSortCol >= 0 && Options.iMonListSortCol <= 2 ? Options.iMonListSortCol : 0;
    SetListSortIndicator(list, column, Options.iMonListSortDir < 0 ? -1 : 1);
    g_windowRows = list;
    return true;
}

void SaveColumnWidths()
{
    if (!g_windowRows || g_windowRows->columns.count < 3) return;
    double widths[3];
    for (int i = 0; i < 3; i++) widths[i] = g_windowRows->columns.data[i].fraction;
    SaveRecord(kWidthsRecord, -1, widths, sizeof(widths));
}

void RecordLayout(HWND dialog)
{
    DialogLayoutInit(&g_layout.layout, dialog, IDCANCEL);
    for (const LayoutAnchor& a : kLayout) {
        HWND control = GetDlgItem(dialog, a.id);
        if (control) DialogLayoutAdd(&g_layout.layout, control, a.flags);
    }
    g_layout.recorded = true;
}

BOOL OnInitDialog(HWND dialog)
{
    g_windowList = dialog;
    InitDialogDefaults(&g_app, dialog);
    g_logWindow = dialog;
    SubclassWindowFinder(GetDlgItem(dialog, IDB_WLIST_PICK));
    SetLogFont(dialog);
    SendDlgItemMessageA(dialog, IDE_WLIST_LOG, EM_SETLIMITTEXT, WINDOW_LIST_LOG_LIMIT, 0);
    CheckDlgButton(dialog, IDX_WLIST_UPDATE, g_listUpdates ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog, IDX_WLIST_LOGUPDATE, g_logUpdates ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog, IDX_WLIST_CHECKTEMPL, Options.bMonCheckTempl ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog, IDX_WLIST_BLINK, Options.bMonBlinkRect ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog, IDX_WLIST_INCLUDEEMPTY, Options.bMonIncludeEmpty ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog, IDX_WLIST_LOGTOFILE, Options.bMonLogToFile ? BST_CHECKED : BST_UNCHECKED);
    CreateList(dialog);
    RecordLayout(dialog);
    StartFirstWindowListRefresh(dialog);
    return TRUE;
}

void OnDestroy(HWND dialog)
{
    if (g_logWindow == dialog) g_logWindow = nullptr;
    ForgetWindowListRefresh();
    KillTimer(dialog, WLIST_REFRESH_TIMER);
    SaveColumnWidths();
    if (g_windowRows) FreeUIItem(g_windowRows);
    g_windowRows = nullptr;
    FreeResizableLayout(&g_layout);
    if (g_windowList == dialog) g_windowList = nullptr;
}

// Appends a line; when the box is full the oldest whole lines make room, so
// the newest events always show.
void AppendLogText(HWND dialog, const char* text)
{
    HWND log = GetDlgItem(dialog, IDE_WLIST_LOG);
    if (!log || !text) return;
    size_t add = strlen(text);
    if (add > WINDOW_LIST_LOG_LIMIT) return;
    LRESULT length = GetWindowTextLengthA(log);
    if ((size_t)length + add > WINDOW_LIST_LOG_LIMIT) {
        LRESULT cut = (LRESULT)((size_t)length + add - WINDOW_LIST_LOG_LIMIT);
        LRESULT line = SendMessageA(log, EM_LINEFROMCHAR, (WPARAM)(cut - 1), 0);
        LRESULT next = SendMessageA(log, EM_LINEINDEX, (WPARAM)(line + 1), 0);
        if (next < cut) next = length;   // one line fills the box
        SendMessageA(log, EM_SETSEL, 0, next);
        SendMessageA(log, EM_REPLACESEL, FALSE, (LPARAM)"");
        length = GetWindowTextLengthA(log);
    }
    SendMessageA(log, EM_SETSEL, (WPARAM)length, length);
    SendMessageA(log, EM_REPLACESEL, FALSE, (LPARAM)text);
}

void OnLogLine(HWND dialog, const char* line)
{
    if (g_listUpdates) RequestWindowListRefresh(dialog);
    if (g_logUpdates) AppendLogText(dialog, line);
}

// The picker's window: its rows alone selected, the first at the top.
void SelectRowsOf(HWND window)
{
    if (!g_windowRows) return;
    SelectListRow(g_windowRows, -1, false, false);
    int first = -1;
    for (int i = 0; i < GetListRowCount(g_windowRows); i++) {
        const MonitoredWindow* row = (const MonitoredWindow*)GetListRowData(g_windowRows, i);
        if (!row || row->hwnd != window || !window) continue;
        SelectListRow(g_windowRows, i, true, false);
        if (first < 0) first = i;
    }
    SendMessageA(g_windowList, ZRPMSG_COMMAND, MAKEWPARAM(IDL_WLIST_WINDOWS, LIST_SELCHANGED), 0);
    if (first >= 0) SendMessageA(g_windowRows->listBox, LB_SETTOPINDEX, (WPARAM)first, 0);
}

// Create Rule's step: the rules change under the lock the worker walks them
// with, so it waits its turn among the live edits and finds its window again.
struct CreateRuleStepData {
    HWND dialog;
    MonitoredWindow window;
};

static bool CreateRuleStep(void* context)
{
    CreateRuleStepData* c = (CreateRuleStepData*)context;
    if (!EnterTableLock(0)) return false;
    Profile* profile = CurrentProfile();
    int before = profile && profile->pRules ? profile->pRules->count : 0;
    int at = FindWindowEntry(c->window.hwnd);
    int64_t id = profile ? CreateOrUpdateRuleForWindow(profile, at >= 0 ? &g_windowTable[at] : &c->window, 0, 1) : -1;
    int after = profile && profile->pRules ? profile->pRules->count : 0;
    LeaveTableLock();
    if (id < 0) {
        HWND owner = IsWindow(c->dialog) ? c->dialog : nullptr;
        AppMessageBox(&g_app, owner, AppText(IDS_PRODUCT_NAME), AppText(5030, 5), 0x111, 0);
        return true;
    }
    if (g_mainDialog) PostMessageA(g_mainDialog, WM_PROFILE_RULESCHANGED, after != before ? 1 : 0, (LPARAM)id);
    return true;
}

void CreateRuleForSelected(HWND dialog)
{
    const MonitoredWindow* row = SelectedRow();
    if (!row) return;
    CreateRuleStepData* c = (CreateRuleStepData*)malloc(sizeof(CreateRuleStepData));
    if (!c) return;
    c->dialog = dialog;
    c->window = *row;
    RunLiveEdit(CreateRuleStep, c);
}

void EditSelected(HWND dialog)
{
    const MonitoredWindow* row = SelectedRow();
    if (!row) return;
    g_editedWindow = *row;
    ShowEditWindowProperties(dialog, &g_editedWindow);
}

void SwitchLogToFile(HWND dialog)
{
    bool on = IsDlgButtonChecked(dialog, IDX_WLIST_LOGTOFILE) == BST_CHECKED;
    if (on && AppMessageBox(&g_app, dialog, AppText(IDS_PRODUCT_NAME), AppText(11), 0x182, 0) != IDYES) {
        CheckDlgButton(dialog, IDX_WLIST_LOGTOFILE, BST_UNCHECKED);
        on = false;
    }
    Options.bMonLogToFile = on ? 1 : 0;
}

void OnCommand(HWND dialog, int id, int notification)
{
    if (notification != BN_CLICKED) return;
    bool checked = IsDlgButtonChecked(dialog, id) == BST_CHECKED;
    switch (id) {
    case IDCANCEL:
        DestroyWindow(dialog);
        break;
    case IDB_WLIST_HELP:
        ShowHelp(&g_app, "WindowList.htm");
        break;
    case IDX_WLIST_UPDATE:
        g_listUpdates = checked;
        break;
    case IDX_WLIST_LOGUPDATE:
        g_logUpdates = checked;
        break;
    case IDX_WLIST_CHECKTEMPL:
        Options.bMonCheckTempl = checked ? 1 : 0;
        RequestWindowListRefresh(dialog);
        break;
    case IDX_WLIST_INCLUDEEMPTY:
        Options.bMonIncludeEmpty = checked ? 1 : 0;
        RequestWindowListRefresh(dialog);
        break;
    case IDX_WLIST_BLINK:
        Options.bMonBlinkRect = checked ? 1 : 0;
        if (checked) BlinkSelectedListWindow();
        break;
    case IDX_WLIST_LOGTOFILE:
        SwitchLogToFile(dialog);
        break;
    case IDB_WLIST_CLEAR:
        SetDlgItemTextA(dialog, IDE_WLIST_LOG, "");
        break;
    case IDB_WLIST_CREATERULE:
        CreateRuleForSelected(dialog);
        break;
    case IDB_WLIST_EDIT:
        EditSelected(dialog);
        break;
    default:
        break;
    }
}

void OnListNotice(HWND dialog, int code, LPARAM lParam)
{
    switch (code) {
    case LIST_SORTCHANGED:
        Options.iMonListSortCol = (int32_t)lParam;
        Options.iMonListSortDir = g_windowRows ? g_windowRows->sortDirection : 1;
        RequestWindowListRefresh(dialog);
        break;
    case LIST_SELCHANGED:
        if (Options.bMonBlinkRect && g_windowRows && g_windowRows->hasFocus) BlinkSelectedListWindow();
        break;
    case LIST_DOUBLECLICK:
        PostMessageA(dialog, WM_COMMAND, IDB_WLIST_EDIT, 0);
        break;
    default:
        break;
    }
}

}  // namespace

HWND OpenWindowList()
{
    if (g_windowList) {
        BringWindowToTop(g_windowList);
        SetForegroundWindow(g_windowList);
        return g_windowList;
    }
    return CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_WINDOW_LIST), nullptr,
                              WindowListDlgProc, 0);
}

void BlinkSelectedListWindow()
{
    const MonitoredWindow* row = SelectedRow();
    if (row && row->hwnd) BlinkWindow(row->hwnd, 3, 100);
}

INT_PTR CALLBACK WindowListDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (HandleDialogSizing(&g_layout, dialog, message, lParam, IDCANCEL, 8, 22)) return TRUE;
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(dialog);
    case WM_DESTROY:
        OnDestroy(dialog);
        return FALSE;
    case WM_DPICHANGED:
        ApplyDialogFontForDpi(dialog, HIWORD(wParam));
        SetLogFont(dialog);
        if (g_windowRows) SetListDpi(g_windowRows, HIWORD(wParam));
        return TRUE;
    case WM_HELP:
        ShowHelp(&g_app, "WindowList.htm");
        return TRUE;
    case WM_TIMER:
        if (wParam == WLIST_REFRESH_TIMER) OnWindowListRefreshTimer(dialog);
        return TRUE;
    case WM_WLIST_ROWS:
        ApplyWindowListRows(dialog, wParam, lParam);
        return TRUE;
    case WM_LOGLINE:
        OnLogLine(dialog, (const char*)lParam);
        return TRUE;
    case WM_SELECTWINDOWROWS:
        SelectRowsOf((HWND)lParam);
        return TRUE;
    case WM_COMPAREITEM:
        return CompareWindowListRows((const COMPAREITEMSTRUCT*)lParam);
    case WM_DRAWITEM:
        DrawWindowListRow((const DRAWITEMSTRUCT*)lParam);
        return TRUE;
    case ZRPMSG_COMMAND:
        if (LOWORD(wParam) == IDL_WLIST_WINDOWS) OnListNotice(dialog, HIWORD(wParam), lParam);
        return TRUE;
    case WM_COMMAND:
        OnCommand(dialog, LOWORD(wParam), HIWORD(wParam));
        return TRUE;
    default:
        return FALSE;
    }
}
