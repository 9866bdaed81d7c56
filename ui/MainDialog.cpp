// MainDialog.cpp - the main dialog's procedure, its opening, the backup of
// the profile list that Cancel restores, and its closing.
#include "ui/MainDialog.h"

#include "engine/Engine.h"
#include "engine/LiveEdit.h"
#include "engine/Log.h"
#include "engine/MainDialogLink.h"
#include "engine/ProductIds.h"
#include "engine/ProductStrings.h"
#include "engine/ProfileStore.h"
#include "engine/TrayIcon.h"
#include "engine/WindowTable.h"
#include "engine/Worker.h"
#include "framework/core/AppObject.h"
#include "framework/core/AppShell.h"
#include "framework/core/TextUtil.h"
#include "framework/ui/DialogSetup.h"
#include "framework/ui/MessageBox.h"
#include "ui/DialogSubclass.h"
#include "ui/ImageButtons.h"
#include "ui/MainDialogCommands.h"
#include "ui/MainDialogInternal.h"
#include "ui/MainDialogRes.h"
#include "ui/OpenWhenFree.h"
#include "ui/RuleTree.h"
#include "ui/WindowFinder.h"

#include <string.h>
#include <windowsx.h>

HWND g_ruleTree;
uint8_t g_treeRefresh = 1;
char g_searchText[260];

namespace {

// The profile list as it was when the dialog opened or last applied, and the
// current index then. UI thread; exists while the dialog is open.
GrowArray<Profile> g_backup = {0, nullptr, -1, 0, 0};
int32_t g_savedCurrent = -1;
// The backup was taken (the dialog opens before it when the lock is busy):
// Cancel restores only from a backup that exists.
bool g_backupTaken;
ResizableLayout g_layout;
// A double click on a group edits it and leaves it open or closed as it was:
// the expansion the click would cause is refused until the edit is reached.
bool g_keepExpansion;

struct LayoutAnchor {
    int id;
    uint32_t flags;
};

// In the order the dialog lays them out; the row of rule buttons follows the
// control before each.
const LayoutAnchor kLayout[] = {
    {IDG_MAIN_PROFILE, LAYOUT_STRETCH_WIDTH},
    {IDCB_MAIN_PROFILE, LAYOUT_STRETCH_WIDTH},
    {IDB_MAIN_EXECUTE, LAYOUT_KEEP_RIGHT},
    {IDB_MAIN_SETTINGS, LAYOUT_KEEP_RIGHT},
    {IDB_MAIN_PROFILES, LAYOUT_KEEP_RIGHT},
    {IDG_MAIN_PROGRAM, LAYOUT_KEEP_RIGHT},
    {IDB_MAIN_OPTIONS, LAYOUT_KEEP_RIGHT},
    {IDG_MAIN_RULES, LAYOUT_STRETCH_WIDTH | LAYOUT_STRETCH_HEIGHT},
    {IDTV_MAIN_RULES, LAYOUT_STRETCH_WIDTH | LAYOUT_STRETCH_HEIGHT},
    {IDT_MAIN_SEARCH, LAYOUT_KEEP_BOTTOM},
    {IDE_MAIN_SEARCH, LAYOUT_KEEP_BOTTOM},
    {IDB_MAIN_FINDNEXT, LAYOUT_KEEP_BOTTOM},
    {IDB_MAIN_NEW, LAYOUT_FOLLOW_PREVIOUS},
    {IDB_MAIN_UPDATE, LAYOUT_FOLLOW_PREVIOUS},
    {IDB_MAIN_ALLWINDOWS, LAYOUT_FOLLOW_PREVIOUS},
    {IDB_MAIN_PICK, LAYOUT_FOLLOW_PREVIOUS},
    {IDB_MAIN_LIST, LAYOUT_FOLLOW_PREVIOUS},
    {IDB_MAIN_REFRESH, LAYOUT_FOLLOW_PREVIOUS},
    {IDB_MAIN_EDIT, LAYOUT_FOLLOW_PREVIOUS},
    {IDB_MAIN_DELETE, LAYOUT_FOLLOW_PREVIOUS},
    {IDB_MAIN_MORE, LAYOUT_FOLLOW_PREVIOUS},
    {IDS_MAIN_GRIP, LAYOUT_KEEP_BOTTOM | LAYOUT_KEEP_RIGHT},
    {IDB_MAIN_HELP, LAYOUT_KEEP_BOTTOM},
    {IDB_MAIN_ABOUT, LAYOUT_KEEP_BOTTOM},
    {IDB_MAIN_QUIT, LAYOUT_KEEP_BOTTOM},
    {IDOK, LAYOUT_KEEP_BOTTOM | LAYOUT_KEEP_RIGHT},
    {IDB_MAIN_APPLY, LAYOUT_KEEP_BOTTOM | LAYOUT_KEEP_RIGHT},
    {IDCANCEL, LAYOUT_KEEP_BOTTOM | LAYOUT_KEEP_RIGHT},
};

void ClearEditedFlags(GrowArray<Profile>* list)
{
    for (int i = 0; i < list->count; i++) {
        Profile* p = &list->data[i];
        p->edited = 0;
        for (int t = 0; p->pTemplates && t < p->pTemplates->count; t++) p->pTemplates->data[t].uiFlag = 0;
    }
}

void FreeProfileCopies(GrowArray<Profile>* list)
{
    ClearProfileList(list);
    FreeGrowArray(list);
}

void FreeBackup()
{
    FreeProfileCopies(&g_backup);
    g_backupTaken = false;
}

// A new backup: a deep copy of the live list, the edited marks cleared in
// both. The old backup stays until the copy is complete; on failure it is
// all there is. Caller holds the lock.
bool RenewBackup()
{
    GrowArray<Profile> fresh;
    InitGrowArray(&fresh);
    if (!AssignProfileList(&g_profiles, &fresh)) {
        FreeProfileCopies(&fresh);
        return false;
    }
    ClearEditedFlags(&g_profiles);
    ClearEditedFlags(&fresh);
    GrowArray<Profile> old = g_backup;
    g_backup = fresh;
    g_savedCurrent = Options.iCurProfile;
    g_backupTaken = true;
    FreeProfileCopies(&old);
    return true;
}

bool NamesDiffer(const char* a, const char* b, size_t cap)
{
    return strncmp(a, b, cap) != 0;
}

// What Cancel compares: the profiles, their names, edited marks, rule counts
// and rule names. Caller holds the lock.
bool ProfilesChanged()
{
    if (g_profiles.count != g_backup.count) return true;
    for (int i = 0; i < g_profiles.count; i++) {
        const Profile* live = &g_profiles.data[i];
        const Profile* kept = &g_backup.data[i];
        if (live->edited || NamesDiffer(live->szGenName, kept->szGenName, sizeof(live->szGenName))) return true;
        int liveCount = live->pRules ? live->pRules->count : 0;
        int keptCount = kept->pRules ? kept->pRules->count : 0;
        if (liveCount != keptCount) return true;
        for (int r = 0; r < liveCount; r++)
            if (NamesDiffer(live->pRules->data[r].name, kept->pRules->data[r].name, sizeof(Rule::name)))
                return true;
    }
    return false;
}

void RecordLayout(HWND dialog)
{
    DialogLayoutInit(&g_layout.layout, dialog, IDOK);
    for (const LayoutAnchor& a : kLayout) {
        HWND control = GetDlgItem(dialog, a.id);
        if (control) DialogLayoutAdd(&g_layout.layout, control, a.flags);
    }
    g_layout.recorded = true;
    DialogLayoutApply(&g_layout.layout);
}

// The backup, then the profile box and the tree: at once, or as soon as the
// lock is free; the dialog shows meanwhile, its tree empty.
bool FillOpenedDialog(void*)
{
    HWND dialog = g_mainDialog;
    if (!dialog || g_backupTaken) return true;
    if (!EnterTableLock(0)) return false;
    bool taken = RenewBackup();
    LeaveTableLock();
    if (!taken) {
        // Without the backup Cancel could not put anything back: no dialog.
        LogLine("Main dialog closed: no memory for the copy Cancel restores");
        DestroyWindow(dialog);
        return true;
    }
    FillMainProfileCombo(dialog);
    RefreshRuleTree(CurrentProfile(), -1);
    EnableRuleButtons(dialog);
    return true;
}

BOOL OnInitDialog(HWND dialog)
{
    g_mainDialog = dialog;
    InitDialogDefaults(&g_app, dialog);
    SetForegroundWindow(dialog);
    g_ruleTree = GetDlgItem(dialog, IDTV_MAIN_RULES);
    SubclassWindowFinder(GetDlgItem(dialog, IDB_MAIN_PICK));
    LoadImageButtons(dialog);
    AddButtonToolTips(dialog, false);
    EnableRuleButtons(dialog);
    RecordLayout(dialog);
    RunLiveEdit(FillOpenedDialog, nullptr);
    return TRUE;
}

void OnDestroy(HWND dialog)
{
    if (RuleTreeDragging()) EndRuleTreeDrag(dialog);
    ShowCaptureOverlay(nullptr);
    FreeResizableLayout(&g_layout);
    ForgetTreeProfile();
    g_ruleTree = nullptr;
    if (g_mainDialog == dialog) g_mainDialog = nullptr;
    FreeBackup();
}

// The tree's expanded states go into the rules before the tree goes.
void CloseDialog(HWND dialog)
{
    StoreTreeExpandStateOf(TreeProfile());
    DestroyWindow(dialog);
}

// Enter in the tree edits, in the search field finds; other keys go on.
INT_PTR OnGetDlgCode(HWND dialog, WPARAM key, HWND from)
{
    if (key != VK_RETURN || !from) return FALSE;
    if (from == g_ruleTree) {
        PostMessageA(dialog, ZRPMSG_COMMAND, 1202, 0);
    } else if (from == GetDlgItem(dialog, IDE_MAIN_SEARCH)) {
        PostMessageA(dialog, WM_COMMAND, IDB_MAIN_FINDNEXT, 0);
    } else {
        return FALSE;
    }
    SetWindowLongPtrA(dialog, DWLP_MSGRESULT, 1);
    return TRUE;
}

INT_PTR OnNotify(HWND dialog, NMHDR* header)
{
    if (!g_ruleTree || header->hwndFrom != g_ruleTree) return FALSE;
    LRESULT result = 0;
    switch (header->code) {
    case NM_CUSTOMDRAW:
        result = DrawRuleTreeItem((NMTVCUSTOMDRAW*)header);
        break;
    case NM_RCLICK: {
        TVHITTESTINFO hit = {};
        GetCursorPos(&hit.pt);
        ScreenToClient(g_ruleTree, &hit.pt);
        HTREEITEM item = TreeView_HitTest(g_ruleTree, &hit);
        if (item) TreeView_SelectItem(g_ruleTree, item);
        break;
    }
    case NM_DBLCLK:
        // Some tree controls collapse whatever the expanding notice answers:
        // the double click's own handling is refused as well.
        if (RuleTreeItemIsGroup(TreeView_GetSelection(g_ruleTree))) g_keepExpansion = true;
        result = g_keepExpansion ? TRUE : FALSE;
        PostMessageA(dialog, ZRPMSG_COMMAND, 1202, 0);
        break;
    case TVN_ITEMEXPANDINGA:
        result = g_keepExpansion ? TRUE : FALSE;
        g_keepExpansion = false;
        break;
    case TVN_KEYDOWN:
        if (((NMTVKEYDOWN*)header)->wVKey == VK_DELETE) PostMessageA(dialog, ZRPMSG_COMMAND, 1208, 0);
        break;
    case TVN_SELCHANGEDA:
        EnableRuleButtons(dialog);
        break;
    case TVN_BEGINLABELEDITA:
        BeginRuleTreeLabelEdit(g_ruleTree);
        break;
    case TVN_ENDLABELEDITA:
        EndRuleTreeLabelEdit((NMTVDISPINFOA*)header);
        break;
    case TVN_BEGINDRAGA:
        BeginRuleTreeDrag(dialog, (NMTREEVIEWA*)header);
        break;
    default:
        return FALSE;
    }
    SetWindowLongPtrA(dialog, DWLP_MSGRESULT, result);
    return TRUE;
}

}  // namespace

//--- the lock for rule edits

bool BeginRuleEdit()
{
    // A wait for the lock pumps messages: a command dispatched by that pump
    // must not start a second edit of the same rules.
    if (TableLockWaitPumping()) return false;
    return EnterTableLock(100);
}

void EndRuleEdit()
{
    LeaveTableLock();
}

void MarkProfileEdited(Profile* profile)
{
    if (profile) profile->edited = 1;
}

//--- what the other files of the dialog call

void EnableRuleButtons(HWND dialog)
{
    if (!dialog) return;
    bool selected = g_ruleTree && TreeView_GetSelection(g_ruleTree) != nullptr;
    EnableWindow(GetDlgItem(dialog, IDB_MAIN_DELETE), selected);
    EnableWindow(GetDlgItem(dialog, IDB_MAIN_MORE), selected);
    EnableWindow(GetDlgItem(dialog, IDB_MAIN_EDIT), selected);
}

namespace {

bool ApplyChanges(void*)
{
    HWND dialog = g_mainDialog;
    if (!dialog) return true;
    if (!EnterTableLock(0)) return false;
    bool renewed = RenewBackup();
    LeaveTableLock();
    if (!renewed) {
        // The old backup stays; what Cancel would restore is said plainly.
        AppMessageBox(&g_app, dialog, AppText(IDS_PRODUCT_NAME), AppText(IDS_APPLY_FAILED),
                      MB_ZRP_WARNING | MB_ZRP_OK, 0);
        return true;
    }
    WakeAutoApply();
    SaveAll();
    PostMessageA(dialog, WM_PROFILE_RULESCHANGED, 0, -1);
    return true;
}

bool CloseSaving(void*)
{
    HWND dialog = g_mainDialog;
    if (!dialog) return true;
    CloseDialog(dialog);
    WakeAutoApply();
    SaveAll();
    UpdateAppTrayIcon(1);
    return true;
}

// The backup back in place of the live list, keeping what the pass keeps
// up to date; the profile current then is current again. Caller holds the lock.
void RestoreBackup()
{
    if (!g_backupTaken) return;
    // Nothing may find the discarded rules once the lock is gone.
    ForgetTreeProfile();
    ReturnWorkingProfiles(&g_backup, g_savedCurrent);
    Options.iCurProfile = g_savedCurrent >= 0 && g_savedCurrent < g_profiles.count ? g_savedCurrent : 0;
    g_backupTaken = false;
}

// Yes was answered while another change ran or waited: the restore comes
// after it, when the lock is free.
bool RestoreAndClose(void*)
{
    HWND dialog = g_mainDialog;
    if (!dialog) return true;
    if (!EnterTableLock(0)) return false;
    RestoreBackup();
    LeaveTableLock();
    DestroyWindow(dialog);
    UpdateAppTrayIcon(1);
    return true;
}

bool AskDiscard(HWND dialog)
{
    return AppMessageBox(&g_app, dialog, AppText(IDS_PRODUCT_NAME), AppText(IDS_DISCARD_CHANGES),
                         MB_ZRP_QUESTION | MB_ZRP_YESNO | MB_ZRP_FORCENO, 0) == IDYES;
}

bool CancelChanges(void*)
{
    HWND dialog = g_mainDialog;
    if (!dialog) return true;
    if (!BeginRuleEdit()) return true;
    bool changed = g_backupTaken && ProfilesChanged();
    EndRuleEdit();
    if (changed && !AskDiscard(dialog)) return true;
    // The list goes back whole, under the lock the worker walks it with; no
    // lock, no close.
    if (!BeginRuleEdit()) return true;
    if (changed) RestoreBackup();
    Options.iCurProfile = g_savedCurrent >= 0 && g_savedCurrent < g_profiles.count ? g_savedCurrent : 0;
    EndRuleEdit();
    DestroyWindow(dialog);
    UpdateAppTrayIcon(1);
    return true;
}

}  // namespace

void ApplyMainDialogChanges(HWND)
{
    RunLiveEdit(ApplyChanges, nullptr);
}

void CloseMainDialogSaving(HWND)
{
    RunLiveEdit(CloseSaving, nullptr);
}

void CancelMainDialog(HWND dialog)
{
    if (RuleTreeDragging()) {
        CancelRuleTreeDrag(dialog);
        return;
    }
    // Another change runs or waits: when the lock is free at once (no pump),
    // a change is asked about now and the restore follows that change;
    // otherwise Cancel itself runs after it.
    if (LiveEditBusy() && EnterTableLock(0)) {
        bool changed = g_backupTaken && ProfilesChanged();
        LeaveTableLock();
        if (changed) {
            if (AskDiscard(dialog)) RunLiveEdit(RestoreAndClose, nullptr);
            return;
        }
    }
    RunLiveEdit(CancelChanges, nullptr);
}

//--- opening

HWND CreateMainDialog()
{
    if (g_mainDialog) return g_mainDialog;
    return CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_MAIN_DIALOG), nullptr,
                              MainDialogProc, 0);
}

namespace {

void OpenMainDialogWindow()
{
    SaveAll();
    UpdateAppTrayIcon(1);
    HWND dialog = CreateMainDialog();
    if (!dialog) return;
    SetForegroundWindow(dialog);
    BringWindowToTop(dialog);
}

// The engine calls this from a live edit of its own: the rule commands run
// at once, in its order.
void RunMainDialogCommand(HWND dialog, int controlId)
{
    if (controlId == IDB_MAIN_NEW || controlId == IDB_MAIN_ALLWINDOWS || controlId == IDB_MAIN_UPDATE)
        RunRulesFromWindows(controlId);
    else
        MainDialogProc(dialog, WM_COMMAND, (WPARAM)controlId, 0);
}

void StoreShownExpandState()
{
    StoreTreeExpandStateOf(TreeProfile());
}

void FillComboOfOpenDialog()
{
    if (g_mainDialog) FillMainProfileCombo(g_mainDialog);
}

const MainDialogEntryPoints kEntries = {OpenMainDialogWindow, RunMainDialogCommand, StoreShownExpandState,
                                        FillComboOfOpenDialog};

}  // namespace

const MainDialogEntryPoints* MainDialogEntries()
{
    return &kEntries;
}

//--- the procedure

INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (HandleDialogSizing(&g_layout, dialog, message, lParam, IDOK, 8, 23)) return TRUE;
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(dialog);
    case WM_DESTROY:
        ForgetOpenWhenFree(dialog);
        OnDestroy(dialog);
        return FALSE;
    case WM_DPICHANGED:
        ApplyDialogFontForDpi(dialog, HIWORD(wParam));
        LoadImageButtons(dialog);
        return TRUE;
    case WM_HELP:
        ShowHelp(&g_app, nullptr);
        return TRUE;
    case WM_CONTEXTMENU:
        if ((HWND)wParam == g_ruleTree) RulesTreeMenuHitTest({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        return TRUE;
    case WM_GETDLGCODE:
        return OnGetDlgCode(dialog, wParam, (HWND)lParam);
    case WM_NOTIFY:
        return OnNotify(dialog, (NMHDR*)lParam);
    case WM_MOUSEMOVE:
        if (RuleTreeDragging()) MoveRuleTreeDrag(dialog, {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        return FALSE;
    case WM_LBUTTONUP:
        if (RuleTreeDragging()) EndRuleTreeDrag(dialog);
        return FALSE;
    case WM_CAPTURECHANGED:
        // Another window took the mouse: the drag ends where it is, without a drop.
        if (RuleTreeDragging() && (HWND)lParam != dialog) {
            CancelRuleTreeDrag(dialog);
            EndRuleTreeDrag(dialog);
        }
        return FALSE;
    case WM_TIMER:
        if (wParam == 0x5432) ExpandHoveredGroup();
        if (wParam == 0x5433) RetryRuleTreeRefresh();
        RetryOpenWhenFree(dialog, wParam);
        return TRUE;
    case WM_PROFILE_RULESCHANGED:
        if (wParam == 1)
            RefreshRuleTree(CurrentProfile(), (int64_t)lParam);
        else
            UpdateRuleTreeStates(CurrentProfile(), (int64_t)lParam);
        return TRUE;
    case ZRPMSG_COMMAND:
        g_keepExpansion = false;
        if (!RuleTreeLabelEditing()) RunRuleTreeCommand(dialog, LOWORD(wParam));
        return TRUE;
    case WM_COMMAND:
        if (!RuleTreeLabelEditing()) RunMainDialogButton(dialog, LOWORD(wParam), HIWORD(wParam), lParam);
        return TRUE;
    default:
        return FALSE;
    }
}
