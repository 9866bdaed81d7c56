// ProfileAdvancedPage.cpp - the Advanced page of Profile Settings: the three
// profile commands and the purge of unused rules.
#include "ui/ProfileSettingsInternal.h"

#include "engine/ProductStrings.h"
#include "framework/core/AppObject.h"
#include "framework/core/DialogUtil.h"
#include "framework/core/MonitorTable.h"
#include "framework/core/TextUtil.h"
#include "framework/ui/DialogSetup.h"
#include "framework/ui/MessageBox.h"
#include "ui/CommandEditor.h"
#include "ui/ProfileSettingsRes.h"
#include "ui/RuleEditor.h"

#include <commctrl.h>
#include <stdlib.h>
#include <string.h>

namespace {

const int kCommands = 3;

// The command shown last; the page reopens on it. UI thread.
int g_selectedCommand;

// The page's own copy of what it edits.
struct AdvancedPage {
    ProfileSettingsDialog* dialog;
    uint8_t enable[kCommands];
    char text[kCommands][RULE_SCRIPT_SIZE];
    uint8_t purge;
    int32_t purgeDays;
    int shown;        // the command in the edit box, -1 none
    bool filling;     // list notices while the rows are made are not the user's
    HFONT font;       // ours
};

AdvancedPage* PageOf(HWND page)
{
    return (AdvancedPage*)GetWindowLongPtrA(page, DWLP_USER);
}

HWND CommandList(HWND page)
{
    return GetDlgItem(page, IDL_PRFADV_COMMANDS);
}

void SetCommandFont(HWND page, AdvancedPage* a)
{
    UINT dpi = GetWindowDpi(page);
    if (dpi < 96) dpi = 96;
    LOGFONTA lf = {};
    lf.lfHeight = -MulDiv(12, (int)dpi, 96);
    lf.lfWeight = FW_NORMAL;
    lf.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
    CopyText(lf.lfFaceName, sizeof(lf.lfFaceName), "MS Courier");
    HFONT font = CreateFontIndirectA(&lf);
    if (!font) return;
    SendDlgItemMessageA(page, IDE_PRFADV_COMMAND, WM_SETFONT, (WPARAM)font, TRUE);
    if (a->font) DeleteObject(a->font);
    a->font = font;
}

int RuleCount(const Profile* p)
{
    int n = 0;
    for (int i = 0; p->pRules && i < p->pRules->count; i++)
        if (!(p->pRules->data[i].item & RULE_ITEM_GROUP)) n++;
    return n;
}

// The edit box into the command it shows, and the check states.
void StoreControls(HWND page, AdvancedPage* a)
{
    for (int i = 0; i < kCommands; i++) a->enable[i] = ListView_GetCheckState(CommandList(page), i) ? 1 : 0;
    if (a->shown >= 0 && a->shown < kCommands)
        GetDlgItemTextA(page, IDE_PRFADV_COMMAND, a->text[a->shown], RULE_SCRIPT_SIZE);
    a->purge = Checked(page, IDX_PRFADV_PURGE) ? 1 : 0;
    a->purgeDays = ReadBoundedNumber(page, IDE_PRFADV_PURGEDAYS, 1, 9999, 365);
}

void ShowCommand(HWND page, AdvancedPage* a, int command)
{
    a->shown = command;
    SetDlgItemTextA(page, IDE_PRFADV_COMMAND, command >= 0 ? a->text[command] : "");
}

void ShowData(HWND page, AdvancedPage* a)
{
    a->filling = true;
    for (int i = 0; i < kCommands; i++) ListView_SetCheckState(CommandList(page), i, a->enable[i] != 0);
    ShowCommand(page, a, g_selectedCommand);
    ListView_SetItemState(CommandList(page), g_selectedCommand, LVIS_SELECTED | LVIS_FOCUSED,
                          LVIS_SELECTED | LVIS_FOCUSED);
    CheckBox(page, IDX_PRFADV_PURGE, a->purge != 0);
    SetDlgItemNumber(page, IDE_PRFADV_PURGEDAYS, a->purgeDays);
    SetDlgItemNumber(page, IDT_PRFADV_RULECOUNT, RuleCount(&a->dialog->working));
    a->filling = false;
}

void FillList(HWND page)
{
    HWND list = CommandList(page);
    // A click beside the rows must not take the selected command away.
    SubclassCommandList(list);
    ListView_SetExtendedListViewStyle(list, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
    LVCOLUMNA column = {};
    column.mask = LVCF_WIDTH;
    column.cx = 5000;
    SendMessageA(list, LVM_INSERTCOLUMNA, 0, (LPARAM)&column);
    for (int i = 0; i < kCommands; i++) {
        LVITEMA item = {};
        item.mask = LVIF_TEXT;
        item.iItem = i;
        item.pszText = const_cast<char*>(AppText(IDS_SCRIPT_SLOTS, 5 + i));
        SendMessageA(list, LVM_INSERTITEMA, 0, (LPARAM)&item);
    }
}

bool Changed(HWND page, AdvancedPage* a)
{
    StoreControls(page, a);
    const Profile* p = &a->dialog->working;
    for (int i = 0; i < kCommands; i++)
        if ((a->enable[i] != 0) != (p->bAdvCmdEnable[i] != 0) || strcmp(a->text[i], p->szAdvCmdText[i]) != 0)
            return true;
    return (a->purge != 0) != (p->bAdvPurgeOld != 0) || a->purgeDays != p->iAdvPurgeDays;
}

void Store(HWND page, AdvancedPage* a)
{
    StoreControls(page, a);
    Profile* p = &a->dialog->working;
    for (int i = 0; i < kCommands; i++) {
        p->bAdvCmdEnable[i] = a->enable[i];
        CopyText(p->szAdvCmdText[i], sizeof(p->szAdvCmdText[i]), a->text[i]);
    }
    p->bAdvPurgeOld = a->purge;
    p->iAdvPurgeDays = a->purgeDays;
}

void EditCommand(HWND page, AdvancedPage* a)
{
    StoreControls(page, a);
    int slot = a->shown >= 0 ? a->shown : g_selectedCommand;
    // Some 15 KB: on the heap. The editor's test threads run on copies of their own.
    ScriptThreadContext* context = (ScriptThreadContext*)calloc(1, sizeof(ScriptThreadContext));
    if (!context) return;
    context->slot = (uint8_t)slot;
    CopyText(context->rule.cmdtext[slot], sizeof(context->rule.cmdtext[slot]), a->text[slot]);
    if (ShowCommandEditor(page, context) == 1) {
        CopyText(a->text[slot], sizeof(a->text[slot]), context->rule.cmdtext[slot]);
        if (a->shown == slot) ShowCommand(page, a, slot);
    }
    free(context);
}

void PurgeNow(HWND page, AdvancedPage* a)
{
    int32_t days = ReadBoundedNumber(page, IDE_PRFADV_PURGEDAYS, 1, 9999, 365);
    int removed = PurgeExpiredRules(&a->dialog->working, days);
    // OK purges the profile itself the same way; the smallest span asked wins.
    ProfileSettingsDialog* d = a->dialog;
    if (d->purgeDays <= 0 || days < d->purgeDays) d->purgeDays = days;
    SetDlgItemNumber(page, IDT_PRFADV_RULECOUNT, RuleCount(&d->working));
    AppMessageBox(&g_app, page, AppText(IDS_PRODUCT_NAME), AppText(IDS_PROFILE_TEXTS), MB_ZRP_INFO | MB_ZRP_OK, 0,
                  removed);
}

void OnListNotice(HWND page, AdvancedPage* a, const NMHDR* header)
{
    if (a->filling) return;
    if (header->code == NM_DBLCLK) {
        PostMessageA(page, WM_COMMAND, MAKEWPARAM(IDB_PRFADV_EDIT, BN_CLICKED), 0);
        return;
    }
    if (header->code != LVN_ITEMCHANGED) return;
    const NMLISTVIEW* change = (const NMLISTVIEW*)header;
    if (change->iItem < 0 || change->iItem >= kCommands) return;
    bool was = (change->uOldState & LVIS_SELECTED) != 0, is = (change->uNewState & LVIS_SELECTED) != 0;
    if (was && !is && a->shown == change->iItem) {
        GetDlgItemTextA(page, IDE_PRFADV_COMMAND, a->text[a->shown], RULE_SCRIPT_SIZE);
        ShowCommand(page, a, -1);
    }
    if (!was && is) {
        g_selectedCommand = change->iItem;
        ShowCommand(page, a, change->iItem);
    }
}

BOOL OnInitDialog(HWND page, ProfileSettingsDialog* d)
{
    AdvancedPage* a = (AdvancedPage*)calloc(1, sizeof(AdvancedPage));
    if (!a) {
        DestroyWindow(page);
        return FALSE;
    }
    a->dialog = d;
    a->shown = -1;
    SetWindowLongPtrA(page, DWLP_USER, (LONG_PTR)a);
    ApplyDialogFontForDpi(page, GetWindowDpi(page));
    SetCommandFont(page, a);
    SendDlgItemMessageA(page, IDE_PRFADV_COMMAND, EM_LIMITTEXT, RULE_SCRIPT_SIZE - 1, 0);
    for (int i = 0; i < kCommands; i++) {
        a->enable[i] = d->working.bAdvCmdEnable[i];
        CopyText(a->text[i], sizeof(a->text[i]), d->working.szAdvCmdText[i]);
    }
    a->purge = d->working.bAdvPurgeOld;
    a->purgeDays = d->working.iAdvPurgeDays;
    if (g_selectedCommand < 0 || g_selectedCommand >= kCommands) g_selectedCommand = 0;
    a->filling = true;
    FillList(page);
    ShowData(page, a);
    return FALSE;
}

void OnDestroy(HWND page, AdvancedPage* a)
{
    if (!a) return;
    if (a->font) DeleteObject(a->font);
    free(a);
    SetWindowLongPtrA(page, DWLP_USER, 0);
}

}  // namespace

INT_PTR CALLBACK ProfileAdvancedPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    AdvancedPage* a = PageOf(page);
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(page, (ProfileSettingsDialog*)lParam);
    case WM_DESTROY:
        OnDestroy(page, a);
        return FALSE;
    case WM_DPICHANGED:
        ApplyDialogFontForDpi(page, HIWORD(wParam));
        if (a) SetCommandFont(page, a);
        return TRUE;
    case WM_PAGE_CHANGED:
        return PageAnswer(page, a && Changed(page, a) ? 1 : 0);
    case WM_PAGE_STORE:
        if (a) StoreControls(page, a);
        return TRUE;
    case WM_PAGE_SHOW:
        if (a) ShowData(page, a);
        return TRUE;
    case WM_NOTIFY:
        if (a && ((const NMHDR*)lParam)->idFrom == IDL_PRFADV_COMMANDS) OnListNotice(page, a, (const NMHDR*)lParam);
        return TRUE;
    case WM_COMMAND:
        if (!a) return TRUE;
        if (LOWORD(wParam) == IDOK) {
            Store(page, a);
            return PageAnswer(page, 0);
        }
        if (HIWORD(wParam) != BN_CLICKED) return TRUE;
        if (LOWORD(wParam) == IDB_PRFADV_EDIT) EditCommand(page, a);
        if (LOWORD(wParam) == IDB_PRFADV_PURGENOW) PurgeNow(page, a);
        return TRUE;
    default:
        return FALSE;
    }
}
