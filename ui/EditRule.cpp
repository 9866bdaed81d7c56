// EditRule.cpp - Edit Rule: the rule editor on a working copy; Cancel asks
// before dropping changes, OK gives the edited fields back to the live rule
// by its id, under the lock.
#include "ui/EditRule.h"

#include "engine/ProductStrings.h"
#include "engine/WindowTable.h"
#include "framework/core/AppObject.h"
#include "framework/core/StringTable.h"
#include "framework/ui/DialogSetup.h"
#include "framework/ui/MessageBox.h"
#include "ui/EditGroup.h"
#include "ui/EditRuleRes.h"
#include "ui/MainDialog.h"
#include "ui/MainDialogInternal.h"
#include "ui/RuleEditor.h"
#include "ui/RuleFields.h"
#include "ui/RuleTree.h"

#include <stdlib.h>
#include <string.h>

namespace {

const UINT_PTR kGiveBackTimer = 1;
// What Edit Rule edits of a rule's item byte; the others belong to the tree.
const uint8_t kEditedItemBits = RULE_ITEM_KEEP | RULE_ITEM_DISABLED;

struct EditRuleState {
    LiveProfileRef where;
    Rule* working;
    HWND editor;
    uint32_t giveBack;   // the give-back waiting, 0 none
};

// The give-back step and the dialog waiting for it. UI thread.
struct GiveBack {
    LiveProfileRef where;
    uint32_t sequence;
    Rule working;
};
uint32_t g_giveBackSequence;
uint32_t g_givenBack;      // the last sequence that ran
bool g_givenBackFound;     // whether its rule was there

enum Outcome { OUTCOME_WAITING, OUTCOME_STORED, OUTCOME_GONE };

bool GiveBackRule(void* context)
{
    GiveBack* c = (GiveBack*)context;
    if (!EnterTableLock(0)) return false;
    Rule* live = FindLiveRule(FindLiveProfile(&c->where), c->working.id);
    if (live) {
        // The tree's part of the rule stays as the tree has it now.
        c->working.item = (uint8_t)((live->item & ~kEditedItemBits) | (c->working.item & kEditedItemBits));
        c->working.level = live->level;
        memcpy(c->working.tmpname, live->tmpname, sizeof(live->tmpname));
        c->working.tmpnamelen = live->tmpnamelen;
    }
    bool stored = live && ReturnWorkingRule(&c->where, &c->working);
    LeaveTableLock();
    g_givenBack = c->sequence;
    g_givenBackFound = stored;
    return true;
}

Outcome GiveBackOutcome(uint32_t sequence)
{
    if (g_givenBack != sequence) return OUTCOME_WAITING;
    return g_givenBackFound ? OUTCOME_STORED : OUTCOME_GONE;
}

EditRuleState* State(HWND dialog)
{
    return (EditRuleState*)GetWindowLongPtrA(dialog, DWLP_USER);
}

BOOL OnInitDialog(HWND dialog, EditRuleState* s)
{
    SetWindowLongPtrA(dialog, DWLP_USER, (LONG_PTR)s);
    InitDialogDefaults(&g_app, dialog);
    s->editor = CreateRuleEditor(dialog, s->working, IDT_RULE_PLACEHOLDER);
    HWND first = (HWND)SendMessageA(s->editor, WM_RULEPAGE_FOCUS, 0, 0);
    if (first) {
        SetFocus(first);
        SendMessageA(first, EM_SETSEL, 0, -1);
        return FALSE;
    }
    return TRUE;
}

void Finish(HWND dialog, EditRuleState* s, Outcome outcome)
{
    KillTimer(dialog, kGiveBackTimer);
    s->giveBack = 0;
    if (outcome == OUTCOME_GONE) {
        AppMessageBox(&g_app, dialog, AppText(IDS_PRODUCT_NAME), AppText(IDS_RULE_GONE), MB_ZRP_WARNING | MB_ZRP_OK,
                      0);
        EndDialog(dialog, IDCANCEL);
        return;
    }
    EndDialog(dialog, IDOK);
}

void OnOk(HWND dialog, EditRuleState* s)
{
    if (!SendMessageA(s->editor, WM_RULEPAGE_CHANGED, 0, 0)) {
        EndDialog(dialog, IDOK);
        return;
    }
    SendMessageA(s->editor, WM_COMMAND, IDOK, 0);
    if (!s->working->name[0]) {
        AppMessageBox(&g_app, dialog, AppText(IDS_PRODUCT_NAME), AppText(IDS_NAME_MISSING, 0),
                      MB_ZRP_HEADLINE | MB_ZRP_OK | MB_ZRP_ERROR, 0);
        return;
    }
    GiveBack* c = (GiveBack*)malloc(sizeof(GiveBack));
    if (!c) return;
    c->where = s->where;
    c->sequence = ++g_giveBackSequence;
    if (c->sequence == 0) c->sequence = ++g_giveBackSequence;
    memcpy(&c->working, s->working, sizeof(Rule));
    uint32_t sequence = c->sequence;
    int ran = RunLiveEdit(GiveBackRule, c);
    if (ran == LIVE_EDIT_REFUSED) return;   // the user was told; the dialog stays
    Outcome outcome = GiveBackOutcome(sequence);
    if (outcome != OUTCOME_WAITING) {
        Finish(dialog, s, outcome);
        return;
    }
    // The rules are busy: the dialog waits for its own change, which runs shortly.
    s->giveBack = sequence;
    EnableWindow(GetDlgItem(dialog, IDOK), FALSE);
    EnableWindow(GetDlgItem(dialog, IDCANCEL), FALSE);
    SetTimer(dialog, kGiveBackTimer, 50, nullptr);
}

void OnCancel(HWND dialog, EditRuleState* s)
{
    if (s->giveBack) return;   // OK is being carried out
    if (SendMessageA(s->editor, WM_RULEPAGE_CHANGED, 0, 0) &&
        AppMessageBox(&g_app, dialog, AppText(IDS_PRODUCT_NAME), AppText(IDS_DISCARD_CHANGES),
                      MB_ZRP_QUESTION | MB_ZRP_YESNO | MB_ZRP_FORCENO, 0) != IDYES)
        return;
    EndDialog(dialog, IDCANCEL);
}

}  // namespace

INT_PTR CALLBACK EditRuleDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) return OnInitDialog(dialog, (EditRuleState*)lParam);
    EditRuleState* s = State(dialog);
    if (!s) return FALSE;
    switch (message) {
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            if (!s->giveBack) OnOk(dialog, s);
            break;
        case IDCANCEL:
            OnCancel(dialog, s);
            break;
        case IDB_RULE_HELP:
            ShowRuleEditorHelp();
            break;
        default:
            break;
        }
        return TRUE;
    case WM_TIMER:
        if (wParam == kGiveBackTimer && s->giveBack) {
            Outcome outcome = GiveBackOutcome(s->giveBack);
            if (outcome != OUTCOME_WAITING) Finish(dialog, s, outcome);
        }
        return TRUE;
    case WM_HELP:
        ShowRuleEditorHelp();
        return TRUE;
    case WM_DPICHANGED:
        ApplyDialogFontForDpi(dialog, HIWORD(wParam));
        return TRUE;
    default:
        return FALSE;
    }
}

INT_PTR ShowEditRule(HWND owner, const LiveProfileRef* where, uint32_t ruleId)
{
    EditRuleState s = {};
    s.where = *where;
    s.working = (Rule*)malloc(sizeof(Rule));
    if (!s.working) return IDCANCEL;
    bool found = false;
    // A wait of this thread for the lock pumps: not from inside another one.
    if (!TableLockWaitPumping() && EnterTableLock(100)) {
        const Rule* live = FindLiveRule(FindLiveProfile(where), ruleId);
        if (live) memcpy(s.working, live, sizeof(Rule));
        found = live != nullptr;
        LeaveTableLock();
    }
    INT_PTR result = IDCANCEL;
    if (found)
        result = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_EDIT_RULE), owner, EditRuleDlgProc,
                                 (LPARAM)&s);
    free(s.working);
    return result == IDOK ? IDOK : IDCANCEL;
}

void EditSelectedTreeItem(HWND mainDialog)
{
    static bool editing;   // a second Edit posted meanwhile is not a second dialog
    if (editing || !mainDialog) return;
    uint32_t id = SelectedRuleId();
    if (id == RULE_ID_NONE || !BeginRuleEdit()) return;
    Profile* p = TreeProfile();
    int at = FindRuleIndexById(p, id);
    bool group = at >= 0 && (p->pRules->data[at].item & RULE_ITEM_GROUP);
    LiveProfileRef where = NoteLiveProfile(p);
    EndRuleEdit();
    if (at < 0) return;
    // The tree's expanded groups go into the rules before the tree is refilled.
    StoreTreeExpandStateOf(TreeProfile());
    editing = true;
    INT_PTR result = group ? ShowEditGroup(mainDialog, &where, id) : ShowEditRule(mainDialog, &where, id);
    editing = false;
    if (result == IDOK) RefreshRuleTree(TreeProfile(), id);
}
