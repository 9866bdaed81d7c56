// RuleEditor.cpp - the rule editor: the tab control over the three pages,
// and the messages it passes on to them.
#include "ui/RuleEditor.h"

#include "framework/core/AppObject.h"
#include "framework/core/AppShell.h"
#include "framework/core/DialogUtil.h"
#include "framework/core/StringTable.h"
#include "ui/DialogPages.h"
#include "ui/EditRuleRes.h"
#include "ui/RuleFields.h"

#include <commctrl.h>
#include <stdlib.h>

int g_ruleEditorTab;
int g_matchOptionsTab;
int g_commandSlot;
RECT g_matchResultRect;

namespace {

const int kPages = 3;
const DialogPage kPageList[kPages] = {
    {IDD_RULE_MATCH, RuleMatchPageProc}, {IDD_RULE_ACTIONS, RulePropertiesPageProc}, {IDD_RULE_ADVANCED, RuleCommandsPageProc}};

struct EditorState {
    Rule* rule;
    HWND pages[kPages];
};

EditorState* State(HWND dialog)
{
    return (EditorState*)GetWindowLongPtrA(dialog, DWLP_USER);
}

void ShowSelectedPage(EditorState* s)
{
    ShowDialogPage(nullptr, 0, s->pages, kPages, g_ruleEditorTab);
}

void SendAdvancedClass(EditorState* s)
{
    char cls[260] = "";
    GetDlgItemTextA(s->pages[0], IDE_MATCH_CLASS, cls, sizeof(cls));
    SendMessageA(s->pages[2], WM_RULEPAGE_ENABLE, 0, (LPARAM)cls);
}

BOOL OnInitDialog(HWND dialog, Rule* rule)
{
    EditorState* s = (EditorState*)calloc(1, sizeof(EditorState));
    if (!s) return FALSE;
    s->rule = rule;
    SetWindowLongPtrA(dialog, DWLP_USER, (LONG_PTR)s);
    HWND tab = GetDlgItem(dialog, IDTAB_RULE_EDITOR);
    CreateDialogPages(dialog, IDTAB_RULE_EDITOR, IDT_RULE_PLACEHOLDER, 80, kPageList, kPages, (LPARAM)rule, true,
                      s->pages);
    if (g_ruleEditorTab < 0 || g_ruleEditorTab >= kPages) g_ruleEditorTab = 0;
    SendMessageA(tab, TCM_SETCURSEL, g_ruleEditorTab, 0);
    if (g_ruleEditorTab == 2) SendAdvancedClass(s);
    ShowSelectedPage(s);
    return FALSE;
}

INT_PTR OnPageMessage(HWND dialog, EditorState* s, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_RULEPAGE_CHANGED:
        for (int i = 0; i < kPages; i++)
            if (SendMessageA(s->pages[i], WM_RULEPAGE_CHANGED, 0, 0)) return AnswerMessage(dialog, 1);
        return AnswerMessage(dialog, 0);
    case WM_RULEPAGE_FOCUS:
        return AnswerMessage(dialog, (LRESULT)GetDlgItem(s->pages[0], IDE_MATCH_NAME));
    case WM_RULEPAGE_SHOW:
        for (int i = 0; i < kPages; i++) SendMessageA(s->pages[i], WM_RULEPAGE_SHOW, wParam, lParam);
        return TRUE;
    default:
        return FALSE;
    }
}

void OnEnable(EditorState* s, bool enable)
{
    for (int i = 0; i < kPages; i++) {
        EnumChildWindows(s->pages[i], EnableChildWindowProc, enable ? 1 : 0);
        if (enable && i < 2) SendMessageA(s->pages[i], WM_RULEPAGE_ENABLE, 0, 0);
    }
    if (enable) SendAdvancedClass(s);
}

}  // namespace

HWND CreateRuleEditor(HWND parent, Rule* rule, int placeholderId)
{
    HWND editor = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_RULE_EDITOR), parent,
                                     RuleEditorProc, (LPARAM)rule);
    PlaceAtPlaceholder(parent, editor, placeholderId);
    if (editor) ShowWindow(editor, SW_SHOW);
    return editor;
}

void ShowRuleEditorHelp()
{
    static const char* const kTopics[] = {"RuleMatch.htm", "RuleActions.htm", "RuleAdvanced.htm"};
    bool known = g_ruleEditorTab >= 0 && g_ruleEditorTab < 3;
    ShowHelp(&g_app, known ? kTopics[g_ruleEditorTab] : "RuleProperties.htm");
}

INT_PTR CALLBACK RuleEditorProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) return OnInitDialog(dialog, (Rule*)lParam);
    EditorState* s = State(dialog);
    if (!s) return FALSE;
    switch (message) {
    case WM_NOTIFY: {
        NMHDR* h = (NMHDR*)lParam;
        if (h->idFrom != IDTAB_RULE_EDITOR || h->code != TCN_SELCHANGE) return FALSE;
        int tab = (int)SendMessageA(h->hwndFrom, TCM_GETCURSEL, 0, 0);
        if (tab < 0 || tab >= kPages) return FALSE;
        g_ruleEditorTab = tab;
        if (tab == 2) SendAdvancedClass(s);
        ShowSelectedPage(s);
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            for (int i = 0; i < kPages; i++) SendMessageA(s->pages[i], WM_RULEPAGE_WRITE, 0, 0);
            return TRUE;
        }
        if (LOWORD(wParam) == IDB_RULE_HELP) ShowRuleEditorHelp();
        return TRUE;
    case WM_ENABLE:
        OnEnable(s, wParam != 0);
        return TRUE;
    case WM_DESTROY:
        for (int i = 0; i < kPages; i++)
            if (s->pages[i]) DestroyWindow(s->pages[i]);
        SetWindowLongPtrA(dialog, DWLP_USER, 0);
        free(s);
        return TRUE;
    default:
        return OnPageMessage(dialog, s, message, wParam, lParam);
    }
}
