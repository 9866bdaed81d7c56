// EditRuleTemplate.cpp - Edit Rule Template: a template's name, flags and
// match criteria, and its action part in the rule editor, on a copy that OK
// puts over the caller's template.
#include "ui/EditRuleTemplate.h"

#include "engine/ProductStrings.h"
#include "framework/core/AppObject.h"
#include "framework/core/AppShell.h"
#include "framework/core/DialogUtil.h"
#include "framework/core/StringTable.h"
#include "framework/ui/DialogSetup.h"
#include "framework/ui/MessageBox.h"
#include "ui/EditRuleRes.h"
#include "ui/RuleEditor.h"
#include "ui/RuleFields.h"
#include "ui/WindowFinder.h"

#include <initializer_list>
#include <stdlib.h>
#include <string.h>

namespace {

// The match part's fields; the radio buttons are the ignore flag both ways.
const RuleField kTemplateFields[] = {
    RF_TEXT(IDE_TPL_NAME, name),
    RF_CHECK(IDX_TPL_ENABLED, item, RULE_ITEM_DISABLED, 1),
    RF_CHECK(IDX_TPL_AUTOCREATE, item, RULE_ITEM_AUTOCREATE, 0),
    RF_MATCH_CRITERIA,
    RF_CHECK(IDR_TPL_CREATE, item, RULE_ITEM_KEEP, 1),
    RF_CHECK(IDR_TPL_IGNORE, item, RULE_ITEM_KEEP, 0),
};

struct TemplateState {
    RuleTemplate* caller;
    RuleTemplate copy;
    HWND editor;
};

TemplateState* State(HWND dialog)
{
    return (TemplateState*)GetWindowLongPtrA(dialog, DWLP_USER);
}

bool ModeNotIgnore(HWND dialog, int id)
{
    return SendDlgItemMessageA(dialog, id, CB_GETCURSEL, 0, 0) > 0;
}

void EnableTemplate(HWND dialog, TemplateState* s)
{
    EnableDlgItems(ModeNotIgnore(dialog, IDCB_MATCH_TITLECMP), dialog, IDE_MATCH_TITLE, IDX_MATCH_TITLENOT, 0);
    EnableDlgItems(ModeNotIgnore(dialog, IDCB_MATCH_CLASSCMP), dialog, IDE_MATCH_CLASS, IDX_MATCH_CLASSNOT, 0);
    EnableDlgItems(ModeNotIgnore(dialog, IDCB_MATCH_PROGCMP), dialog, IDE_MATCH_PROGRAM, IDX_MATCH_PROGNOT, 0);
    EnableWindow(s->editor, IsDlgButtonChecked(dialog, IDR_TPL_CREATE) == BST_CHECKED);
}

BOOL OnInitDialog(HWND dialog, TemplateState* s)
{
    SetWindowLongPtrA(dialog, DWLP_USER, (LONG_PTR)s);
    InitDialogDefaults(&g_app, dialog);
    for (int id : {IDCB_MATCH_TITLECMP, IDCB_MATCH_CLASSCMP, IDCB_MATCH_PROGCMP})
        FillComboFromStrings(dialog, id, 50, 0, 5);
    SubclassWindowFinder(GetDlgItem(dialog, IDB_TPL_PICK));
    s->editor = CreateRuleEditor(dialog, &s->copy.rule, IDT_RULE_PLACEHOLDER);
    ShowRuleFields(dialog, &s->copy.match, kTemplateFields, ARRAYSIZE(kTemplateFields));
    EnableTemplate(dialog, s);
    SetFocus(GetDlgItem(dialog, IDE_TPL_NAME));
    return FALSE;
}

bool Changed(HWND dialog, TemplateState* s)
{
    return RuleFieldsChanged(dialog, &s->copy.match, kTemplateFields, ARRAYSIZE(kTemplateFields)) ||
           SendMessageA(s->editor, WM_RULEPAGE_CHANGED, 0, 0) != 0;
}

void NameMissing(HWND dialog, int column, int focus)
{
    AppMessageBox(&g_app, dialog, AppText(IDS_PRODUCT_NAME), AppText(IDS_NAME_MISSING, column),
                  MB_ZRP_HEADLINE | MB_ZRP_OK | MB_ZRP_ERROR, 0);
    if (focus) SetFocus(GetDlgItem(dialog, focus));
}

void OnOk(HWND dialog, TemplateState* s)
{
    if (Changed(dialog, s)) s->copy.uiFlag = 1;
    WriteRuleFields(dialog, &s->copy.match, kTemplateFields, ARRAYSIZE(kTemplateFields));
    SendMessageA(s->editor, WM_COMMAND, IDOK, 0);
    if (!s->copy.match.name[0]) {
        NameMissing(dialog, 3, IDE_TPL_NAME);
        return;
    }
    // The action part names the rules it makes: without a name they would have none.
    if (!(s->copy.match.item & RULE_ITEM_KEEP) && !s->copy.rule.name[0]) {
        NameMissing(dialog, 0, 0);
        return;
    }
    memcpy(s->caller, &s->copy, sizeof(RuleTemplate));
    EndDialog(dialog, 1);
}

void OnCancel(HWND dialog, TemplateState* s)
{
    if (Changed(dialog, s) &&
        AppMessageBox(&g_app, dialog, AppText(IDS_PRODUCT_NAME), AppText(IDS_DISCARD_CHANGES),
                      MB_ZRP_QUESTION | MB_ZRP_YESNO | MB_ZRP_FORCENO, 0) != IDYES)
        return;
    EndDialog(dialog, 0);
}

INT_PTR CALLBACK EditRuleTemplateDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) return OnInitDialog(dialog, (TemplateState*)lParam);
    TemplateState* s = State(dialog);
    if (!s) return FALSE;
    switch (message) {
    case WM_COMMAND: {
        int id = LOWORD(wParam), code = HIWORD(wParam);
        if (id == IDOK) {
            OnOk(dialog, s);
        } else if (id == IDCANCEL) {
            OnCancel(dialog, s);
        } else if (id == IDB_RULE_HELP) {
            ShowHelp(&g_app, "ProfileRuleCreation.htm");
        } else if (id == IDR_TPL_CREATE || id == IDR_TPL_IGNORE ||
                   ((id == IDCB_MATCH_TITLECMP || id == IDCB_MATCH_CLASSCMP || id == IDCB_MATCH_PROGCMP) &&
                    code == CBN_SELCHANGE)) {
            EnableTemplate(dialog, s);
        }
        return TRUE;
    }
    case WM_HELP:
        ShowHelp(&g_app, "ProfileRuleCreation.htm");
        return TRUE;
    case WM_DPICHANGED:
        ApplyDialogFontForDpi(dialog, HIWORD(wParam));
        return TRUE;
    default:
        return FALSE;
    }
}

}  // namespace

INT_PTR EditRuleTemplate(HWND owner, RuleTemplate* rule)
{
    if (!rule) return 0;
    TemplateState* s = (TemplateState*)calloc(1, sizeof(TemplateState));
    if (!s) return 0;
    s->caller = rule;
    memcpy(&s->copy, rule, sizeof(RuleTemplate));
    INT_PTR result = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_EDIT_TEMPLATE), owner,
                                     EditRuleTemplateDlgProc, (LPARAM)s);
    free(s);
    return result == 1 ? 1 : 0;
}
