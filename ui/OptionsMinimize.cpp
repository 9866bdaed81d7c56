// OptionsMinimize.cpp - the Options dialog's Minimize to Tray page: the
// right-click switch and the list of programs and windows that always go to
// the tray, edited as the page's own copy until the whole dialog is accepted.
#include "engine/Engine.h"
#include "framework/core/AppObject.h"
#include "framework/core/StringTable.h"
#include "framework/ui/DialogSetup.h"
#include "framework/ui/ListControl.h"
#include "ui/ImageButtons.h"
#include "ui/OptionsInternal.h"
#include "ui/OptionsRes.h"

#include <stdlib.h>
#include <string.h>

#define IDS_TRAY_COLUMNS 20   // column 2 "Program", 0 "Title", 4 "Icon"; 3 "(any)", 5 "(original)"

namespace {

// Row i of the list is entry i of the array; the list keeps a copy per row.
GrowArray<TrayAppEntry> g_entries = {0, nullptr, -1, 0, 0};
CList* g_list;
OptionsRecord* g_options;

bool Empty(const TrayAppEntry* e)
{
    return !e->program[0] && !e->title[0] && !e->icon[0];
}

bool CreateList(HWND page)
{
    CList* list = (CList*)CreateUIItemByType(UIITEM_LIST, nullptr);
    if (!list) return false;
    list->rowDataSize = sizeof(TrayAppEntry);
    if (CreateListInPlaceOf(list, IDL_OPT_TRAYAPPS, page, page, GetDlgItem(page, IDL_OPT_TRAYAPPS), nullptr, true) !=
        0) {
        FreeUIItem(list);
        return false;
    }
    AddListColumn(list, AppText(IDS_TRAY_COLUMNS, 2), 0.4);
    AddListColumn(list, AppText(IDS_TRAY_COLUMNS, 0), 0.3);
    AddListColumn(list, AppText(IDS_TRAY_COLUMNS, 4), 0.3);
    g_list = list;
    return true;
}

BOOL OnInitDialog(HWND page, OptionsRecord* options)
{
    g_options = options;
    InitDialogDefaults(&g_app, page);
    AddButtonToolTips(page, false);
    LoadImageButtons(page);
    FreeGrowArray(&g_entries);
    if (g_trayAppList.count > 0) ArrayAppendN(&g_entries, g_trayAppList.data, g_trayAppList.count);
    CreateList(page);
    CheckDlgButton(page, IDX_OPT_MINTOTRAY, options->bMinimizeToTray ? BST_CHECKED : BST_UNCHECKED);
    for (int i = 0; g_list && i < g_entries.count; i++) AddListRow(g_list, &g_entries.data[i]);
    return FALSE;
}

void DrawRow(const DRAWITEMSTRUCT* item)
{
    const TrayAppEntry* e = (const TrayAppEntry*)item->itemData;
    if (!g_list || !e || item->itemID == (UINT)-1) return;
    const char* any = AppText(IDS_TRAY_COLUMNS, 3);
    DrawListCellText(g_list, 0, e->program[0] ? e->program : any, true);
    DrawListCellText(g_list, 1, e->title[0] ? e->title : any, false);
    DrawListCellText(g_list, 2, e->icon[0] ? e->icon : AppText(IDS_TRAY_COLUMNS, 5), false);
}

void AddEntry(HWND page)
{
    TrayAppEntry entry = {};
    if (ShowTrayEntryDialog(page, &entry) != IDOK || Empty(&entry) || !g_list) return;
    if (ArrayAppend(&g_entries, &entry) < 0) return;
    AddListRow(g_list, &entry);
}

void EditEntry(HWND page)
{
    int row = g_list ? GetListSelection(g_list) : -1;
    if (row < 0 || row >= g_entries.count) return;
    TrayAppEntry entry = g_entries.data[row];
    if (ShowTrayEntryDialog(page, &entry) != IDOK || Empty(&entry)) return;
    // The list may have changed while the entry dialog ran.
    if (row >= g_entries.count) return;
    g_entries.data[row] = entry;
    TrayAppEntry* shown = (TrayAppEntry*)GetListRowData(g_list, row);
    if (shown) *shown = entry;
    RedrawListRow(g_list, row);
}

// From the last selected row to the first, so the indexes below stay valid.
void DeleteEntries()
{
    if (!g_list) return;
    HWND box = g_list->listBox;
    for (int row = (int)SendMessageA(box, LB_GETCOUNT, 0, 0) - 1; row >= 0; row--) {
        if (SendMessageA(box, LB_GETSEL, (WPARAM)row, 0) <= 0) continue;
        SendMessageA(box, LB_DELETESTRING, (WPARAM)row, 0);
        if (row < g_entries.count) ArrayRemoveAt(&g_entries, row);
    }
    InvalidateRect(box, nullptr, TRUE);
}

bool ControlsDiffer(HWND page)
{
    if ((IsDlgButtonChecked(page, IDX_OPT_MINTOTRAY) == BST_CHECKED) != (Options.bMinimizeToTray != 0)) return true;
    if (g_entries.count != g_trayAppList.count) return true;
    for (int i = 0; i < g_entries.count; i++) {
        const TrayAppEntry* a = &g_entries.data[i];
        const TrayAppEntry* b = &g_trayAppList.data[i];
        if (strcmp(a->program, b->program) || strcmp(a->title, b->title) || strcmp(a->icon, b->icon)) return true;
    }
    return false;
}

void OnCommand(HWND page, int id, int code)
{
    switch (id) {
    case IDOK:
        g_options->bMinimizeToTray = IsDlgButtonChecked(page, IDX_OPT_MINTOTRAY) == BST_CHECKED ? 1 : 0;
        SetWindowLongPtrA(page, DWLP_MSGRESULT, 0);
        break;
    case IDB_OPT_TRAY_ADD:
        if (code == BN_CLICKED) AddEntry(page);
        break;
    case IDB_OPT_TRAY_EDIT:
        if (code == BN_CLICKED) EditEntry(page);
        break;
    case IDB_OPT_TRAY_DELETE:
        if (code == BN_CLICKED) DeleteEntries();
        break;
    case IDL_OPT_TRAYAPPS:
        if (code == LBN_DBLCLK) EditEntry(page);
        break;
    default:
        break;
    }
}

void OnDestroy()
{
    if (g_list) FreeUIItem(g_list);
    g_list = nullptr;
    FreeGrowArray(&g_entries);
}

}  // namespace

bool CopyMinimizePageEntries(GrowArray<TrayAppEntry>* out)
{
    FreeGrowArray(out);
    return g_entries.count == 0 || ArrayAppendN(out, g_entries.data, g_entries.count) >= 0;
}

INT_PTR CALLBACK OptionsMinimizePageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(page, (OptionsRecord*)lParam);
    case WM_COMMAND:
        OnCommand(page, LOWORD(wParam), HIWORD(wParam));
        return TRUE;
    case ZRPMSG_COMMAND:
        if (LOWORD(wParam) == IDL_OPT_TRAYAPPS && HIWORD(wParam) == LIST_DOUBLECLICK) EditEntry(page);
        return TRUE;
    case WM_OPTIONS_PAGE_CHANGED:
        SetWindowLongPtrA(page, DWLP_MSGRESULT, ControlsDiffer(page) ? 1 : 0);
        return TRUE;
    case WM_DRAWITEM:
        DrawRow((const DRAWITEMSTRUCT*)lParam);
        return TRUE;
    case WM_COMPAREITEM:
        // Rows stay in the order of the entries.
        return -1;
    case WM_DPICHANGED:
        ApplyDialogFontForDpi(page, HIWORD(wParam));
        LoadImageButtons(page);
        if (g_list) SetListDpi(g_list, HIWORD(wParam));
        return TRUE;
    case WM_DESTROY:
        OnDestroy();
        return FALSE;
    default:
        return FALSE;
    }
}
