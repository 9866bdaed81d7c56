// RuleMatchPage.cpp - the Match page: name, flags and the three criteria,
// its Include and Exclude option children, the finders and the Test that
// opens Match Result.
#include "ui/RuleEditor.h"

#include "engine/Rules.h"
#include "framework/core/AppObject.h"
#include "framework/core/DialogUtil.h"
#include "framework/core/StringTable.h"
#include "framework/core/TextUtil.h"
#include "ui/DialogPages.h"
#include "ui/EditRuleRes.h"
#include "ui/RuleFields.h"
#include "ui/WindowFinder.h"
#include "vdesktop/VirtualDesktop.h"

#include <commctrl.h>
#include <initializer_list>
#include <stdlib.h>
#include <string.h>
#include <time.h>

namespace {

const RuleField kMatchFields[] = {
    RF_TEXT(IDE_MATCH_NAME, name),
    RF_CHECK(IDX_MATCH_KEEP, item, RULE_ITEM_KEEP, 0),
    RF_CHECK(IDX_MATCH_ENABLED, item, RULE_ITEM_DISABLED, 1),
    RF_MATCH_CRITERIA,
};

const RuleField kIncludeFields[] = {
    RF_CHECK3(IDX_INC_MAIN, ignnonmain),
    RF_COMBO(IDCB_INC_MAINMODE, ignnonmainmode, 0, 0),
    RF_CHECK(IDX_INC_TITLEX, titlex, 0, 0),
    RF_NUMBER(IDE_INC_TITLEXTIME, titlextime, 0, 86400000, 2000),
    RF_CHECK(IDX_INC_FIRST, ignifex, 0, 0),
    RF_NUMBER(IDE_INC_FIRSTNUM, ignifexnum, 1, 1024, 1),
    RF_CHECK(IDX_INC_STATE, matchstate, 0, 0),
    RF_COMBO(IDCB_INC_STATE, matchstatemode, 0, 0),
    RF_CHECK(IDX_INC_VDESK, imatchvdesk, 0, 0),
    RF_COMBO(IDCB_INC_VDESK, imatchvdeskidx, 0, -1),   // "Current" is 0xFF
    RF_CHECK(IDX_INC_MATCHX, matchxnum, 0, 0),
    RF_NUMBER(IDE_INC_MATCHXNUM, matchxnumnum, 1, 1024, 1),
    RF_CHECK(IDX_INC_MATCHXPRF, matchxnumresetprf, 0, 0),
    RF_CHECK(IDX_INC_MATCHXPID, matchxnumresetpid, 0, 0),
    RF_CHECK(IDX_INC_FOLDER, checkfullpath, 0, 0),
    RF_COMBO(IDCB_INC_FOLDERCMP, cmpfullpath, CMP_MODE_MASK, 1),
    RF_CHECK(IDX_INC_FOLDERNOT, cmpfullpath, CMP_NEGATE, 0),
    RF_TEXT_LEN(IDE_INC_FOLDER, fullpath),
};

const RuleField kExcludeFields[] = {
    RF_CHECK(IDX_EXC_FIRST, ignxnum, 0, 0),
    RF_NUMBER(IDE_EXC_FIRSTNUM, ignxnumnum, 1, 1024, 1),
    RF_CHECK(IDX_EXC_FIRSTPRF, ignxnumresetprf, 0, 0),
    RF_CHECK(IDX_EXC_FIRSTPID, ignxnumresetpid, 0, 0),
    RF_CHECK(IDX_EXC_SMALL, ignsmall, 0, 0),
    RF_NUMBER(IDE_EXC_SMALLW, ignsw, 0, 32767, 0),
    RF_NUMBER(IDE_EXC_SMALLH, ignsh, 0, 32767, 0),
    RF_COMBO(IDCB_EXC_SMALLMODE, ignsmallmode, 0, 0),
    RF_CHECK(IDX_EXC_LARGE, ignlarge, 0, 0),
    RF_NUMBER(IDE_EXC_LARGEW, ignlw, 0, 32767, 0),
    RF_NUMBER(IDE_EXC_LARGEH, ignlh, 0, 32767, 0),
    RF_COMBO(IDCB_EXC_LARGEMODE, ignlargemode, 0, 0),
    RF_CHECK(IDX_EXC_RECT, ignrect, 0, 0),
    RF_COMBO(IDCB_EXC_RECTMODE, ignrectmode, 0, 0),
    RF_NUMBER(IDE_EXC_RECTL, ignrectrc.left, -100000, 100000, VALUE_ANY),
    RF_NUMBER(IDE_EXC_RECTT, ignrectrc.top, -100000, 100000, VALUE_ANY),
    RF_NUMBER(IDE_EXC_RECTR, ignrectrc.right, -100000, 100000, VALUE_ANY),
    RF_NUMBER(IDE_EXC_RECTB, ignrectrc.bottom, -100000, 100000, VALUE_ANY),
    RF_CHECK(IDX_EXC_NONRES, ignnonres, 0, 0),
    RF_COMBO(IDCB_EXC_NONRESMODE, ignnonresmode, 0, 0),
    RF_CHECK(IDX_EXC_STATE, ignstate, 0, 0),
    RF_COMBO(IDCB_EXC_STATE, ignstatemode, 0, 0),
};

struct MatchPage {
    Rule* rule;
    HWND include, exclude;
    HWND result;            // Match Result, while open; destroyed with the page
    MatchTestData test;
};

MatchPage* Page(HWND dialog)
{
    return (MatchPage*)GetWindowLongPtrA(dialog, DWLP_USER);
}

bool Checked(HWND dialog, int id)
{
    return IsDlgButtonChecked(dialog, id) != BST_UNCHECKED;
}

bool ComboNotIgnore(HWND dialog, int id)
{
    return SendDlgItemMessageA(dialog, id, CB_GETCURSEL, 0, 0) > 0;
}

// The Match page's class text names File Explorer's folder windows.
bool ClassIsExplorer(HWND matchPage)
{
    char cls[260] = "";
    GetDlgItemTextA(matchPage, IDE_MATCH_CLASS, cls, sizeof(cls));
    return _stricmp(cls, "CabinetWClass") == 0;
}

void FillCompareCombo(HWND dialog, int id)
{
    FillComboFromStrings(dialog, id, 50, 0, 5);
}

void ShowLastMatch(HWND dialog, const Rule* rule)
{
    if (rule->time == 0) {
        SetDlgItemTextA(dialog, IDT_MATCH_LASTMATCH, AppText(0, 7));
        return;
    }
    long long d = (long long)time(nullptr) - rule->time;
    if (d < 0) d = 0;
    int column = 3;
    long long n = d;
    if (d >= 86400) {
        column = 0;
        n = d / 86400;
    } else if (d >= 3600) {
        column = 1;
        n = d / 3600;
    } else if (d >= 60) {
        column = 2;
        n = d / 60;
    }
    const char* format = AppText(5, column);
    char text[64] = "";
    if (format) FormatText(text, sizeof(text), format, (int)n, n == 1 ? "" : "s");
    SetDlgItemTextA(dialog, IDT_MATCH_LASTMATCH, text);
}

//--- Include and Exclude

void EnableInclude(HWND dialog)
{
    HWND page = GetParent(dialog);
    EnableDlgItems(Checked(dialog, IDX_INC_MAIN), dialog, IDCB_INC_MAINMODE, 0);
    EnableDlgItems(Checked(dialog, IDX_INC_TITLEX), dialog, IDE_INC_TITLEXTIME, IDT_INC_TITLEXMS, 0);
    EnableDlgItems(Checked(dialog, IDX_INC_FIRST), dialog, IDE_INC_FIRSTNUM, IDUD_INC_FIRSTNUM, IDT_INC_FIRSTLABEL,
                   0);
    EnableDlgItems(Checked(dialog, IDX_INC_STATE), dialog, IDCB_INC_STATE, 0);
    bool desktops = g_virtualDesktop != nullptr;
    EnableDlgItems(desktops, dialog, IDX_INC_VDESK, 0);
    EnableDlgItems(desktops && Checked(dialog, IDX_INC_VDESK), dialog, IDCB_INC_VDESK, 0);
    EnableDlgItems(Checked(dialog, IDX_INC_MATCHX), dialog, IDE_INC_MATCHXNUM, IDUD_INC_MATCHXNUM,
                   IDT_INC_MATCHXLABEL, IDX_INC_MATCHXPRF, IDX_INC_MATCHXPID, 0);
    bool explorer = ClassIsExplorer(page);
    EnableDlgItems(explorer, dialog, IDX_INC_FOLDER, 0);
    EnableDlgItems(explorer && Checked(dialog, IDX_INC_FOLDER), dialog, IDCB_INC_FOLDERCMP, IDX_INC_FOLDERNOT,
                   IDE_INC_FOLDER, IDB_INC_FINDFOLDER, 0);
}

void EnableExclude(HWND dialog)
{
    EnableDlgItems(Checked(dialog, IDX_EXC_FIRST), dialog, IDE_EXC_FIRSTNUM, IDUD_EXC_FIRSTNUM, IDT_EXC_FIRSTLABEL,
                   IDX_EXC_FIRSTPRF, IDX_EXC_FIRSTPID, 0);
    EnableDlgItems(Checked(dialog, IDX_EXC_SMALL), dialog, IDE_EXC_SMALLW, IDT_EXC_SMALLX, IDE_EXC_SMALLH,
                   IDCB_EXC_SMALLMODE, 0);
    EnableDlgItems(Checked(dialog, IDX_EXC_LARGE), dialog, IDE_EXC_LARGEW, IDT_EXC_LARGEX, IDE_EXC_LARGEH,
                   IDCB_EXC_LARGEMODE, 0);
    EnableDlgItems(Checked(dialog, IDX_EXC_RECT), dialog, IDCB_EXC_RECTMODE, IDE_EXC_RECTL, IDE_EXC_RECTT,
                   IDE_EXC_RECTR, IDE_EXC_RECTB, IDT_EXC_RECTL, IDT_EXC_RECTT, IDT_EXC_RECTR, IDT_EXC_RECTB, 0);
    EnableDlgItems(Checked(dialog, IDX_EXC_NONRES), dialog, IDCB_EXC_NONRESMODE, 0);
    EnableDlgItems(Checked(dialog, IDX_EXC_STATE), dialog, IDCB_EXC_STATE, 0);
}

void InitInclude(HWND dialog)
{
    SendDlgItemMessageA(dialog, IDUD_INC_FIRSTNUM, UDM_SETRANGE32, 1, 1024);
    SendDlgItemMessageA(dialog, IDUD_INC_MATCHXNUM, UDM_SETRANGE32, 1, 1024);
    SubclassWindowFinder(GetDlgItem(dialog, IDB_INC_FINDFOLDER));
    FillComboFromStrings(dialog, IDCB_INC_MAINMODE, 54, 0, 3);
    FillComboFromStrings(dialog, IDCB_INC_STATE, 52, 0, 2);
    FillComboFromStrings(dialog, IDCB_INC_FOLDERCMP, 50, 1, 5);
    FillComboFromStrings(dialog, IDCB_INC_VDESK, 53, 3, 3);
    int count = g_virtualDesktop ? g_virtualDesktop->GetDesktopCount() : -1;
    char number[16];
    for (int i = 1; i <= count; i++) {
        FormatText(number, sizeof(number), "%d", i);
        SendDlgItemMessageA(dialog, IDCB_INC_VDESK, CB_ADDSTRING, 0, (LPARAM)number);
    }
}

void InitExclude(HWND dialog)
{
    SendDlgItemMessageA(dialog, IDUD_EXC_FIRSTNUM, UDM_SETRANGE32, 1, 1024);
    FillComboFromStrings(dialog, IDCB_EXC_SMALLMODE, 50, 6, 7);
    FillComboFromStrings(dialog, IDCB_EXC_LARGEMODE, 50, 6, 7);
    FillComboFromStrings(dialog, IDCB_EXC_RECTMODE, 55, 0, 1);
    FillComboFromStrings(dialog, IDCB_EXC_NONRESMODE, 51, 0, 1);
    FillComboFromStrings(dialog, IDCB_EXC_STATE, 52, 0, 2);
}

// Both option children: the table, the rule and the enabling differ.
INT_PTR OptionsProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam, bool include)
{
    const RuleField* fields = include ? kIncludeFields : kExcludeFields;
    size_t count = include ? ARRAYSIZE(kIncludeFields) : ARRAYSIZE(kExcludeFields);
    Rule* rule = (Rule*)GetWindowLongPtrA(dialog, DWLP_USER);
    switch (message) {
    case WM_INITDIALOG:
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        if (include)
            InitInclude(dialog);
        else
            InitExclude(dialog);
        ShowRuleFields(dialog, (Rule*)lParam, fields, count);
        if (include)
            EnableInclude(dialog);
        else
            EnableExclude(dialog);
        return FALSE;
    case WM_RULEPAGE_SHOW:
        if (rule) ShowRuleFields(dialog, rule, fields, count);
        // What is shown decides the enabling.
        [[fallthrough]];
    case WM_RULEPAGE_ENABLE:
        if (include)
            EnableInclude(dialog);
        else
            EnableExclude(dialog);
        return TRUE;
    case WM_RULEPAGE_WRITE: {
        Rule* into = lParam ? (Rule*)lParam : rule;
        if (!into) return TRUE;
        WriteRuleFields(dialog, into, fields, count);
        // A folder criterion means something only for File Explorer's windows.
        if (include && (!ClassIsExplorer(GetParent(dialog)) || !into->fullpath[0])) into->checkfullpath = 0;
        return TRUE;
    }
    case WM_RULEPAGE_CHANGED:
        return AnswerMessage(dialog, rule && RuleFieldsChanged(dialog, rule, fields, count) ? 1 : 0);
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED) {
            if (include)
                EnableInclude(dialog);
            else
                EnableExclude(dialog);
        }
        return TRUE;
    default:
        return FALSE;
    }
}

//--- the page

void EnableMatchPage(HWND dialog, MatchPage* p)
{
    EnableDlgItems(ComboNotIgnore(dialog, IDCB_MATCH_TITLECMP), dialog, IDE_MATCH_TITLE, IDX_MATCH_TITLENOT, 0);
    EnableDlgItems(ComboNotIgnore(dialog, IDCB_MATCH_CLASSCMP), dialog, IDE_MATCH_CLASS, IDX_MATCH_CLASSNOT, 0);
    EnableDlgItems(ComboNotIgnore(dialog, IDCB_MATCH_PROGCMP), dialog, IDE_MATCH_PROGRAM, IDX_MATCH_PROGNOT, 0);
    SendMessageA(p->include, WM_RULEPAGE_ENABLE, 0, 0);
    SendMessageA(p->exclude, WM_RULEPAGE_ENABLE, 0, 0);
}

void WriteMatchPage(HWND dialog, MatchPage* p, Rule* into)
{
    WriteRuleFields(dialog, into, kMatchFields, ARRAYSIZE(kMatchFields));
    SendMessageA(p->include, WM_RULEPAGE_WRITE, 0, (LPARAM)into);
    SendMessageA(p->exclude, WM_RULEPAGE_WRITE, 0, (LPARAM)into);
}

void ShowOptionsTab(MatchPage* p)
{
    HWND children[2] = {p->include, p->exclude};
    ShowDialogPage(nullptr, 0, children, 2, g_matchOptionsTab);
}

void FillTestFromEntry(MatchTestData* t, const MonitoredWindow* e)
{
    t->window = *e;
    t->window.title[sizeof(t->window.title) - 1] = '\0';
    t->window.titleLength = (int32_t)strlen(t->window.title);
    t->window.classLength = (int32_t)strlen(t->window.className);
    t->window.programLength = (int32_t)strlen(t->window.program);
}

// Test: lParam the finder's snapshot, -1 to test again, or the button itself.
void RunTest(HWND dialog, MatchPage* p, LPARAM lParam)
{
    MatchTestData* t = &p->test;
    bool fresh = false;
    if (lParam != -1) {
        const PickerSnapshot* snap = (HWND)lParam == GetDlgItem(dialog, IDB_MATCH_TEST)
                                         ? nullptr
                                         : (const PickerSnapshot*)lParam;
        MonitoredWindow entry;
        if (snap && snap->window) {
            t->window = MonitoredWindow{};
            t->window.hwnd = snap->window;
            CopyTextN(t->window.title, sizeof(t->window.title), snap->title, sizeof(snap->title));
            CopyTextN(t->window.className, sizeof(t->window.className), snap->className, sizeof(snap->className));
            CopyTextN(t->window.program, sizeof(t->window.program), snap->program, sizeof(snap->program));
            t->window.titleLength = (int32_t)strlen(t->window.title);
            t->window.classLength = (int32_t)strlen(t->window.className);
            t->window.programLength = (int32_t)strlen(t->window.program);
            fresh = true;
        } else if (!t->window.hwnd && !t->window.title[0] && LiveRuleWindow(p->rule, &entry)) {
            FillTestFromEntry(t, &entry);
            fresh = true;
        }
    }
    Rule* scratch = (Rule*)malloc(sizeof(Rule));
    if (!scratch) return;
    memcpy(scratch, p->rule, sizeof(Rule));
    WriteMatchPage(dialog, p, scratch);
    t->bits = 0;
    MatchRule(scratch, &t->window, &t->bits);
    free(scratch);
    t->page = dialog;
    if (!p->result) {
        if (lParam == -1) return;
        p->result = OpenMatchResult(GetAncestor(dialog, GA_ROOT), t);
    } else {
        if (fresh) SendMessageA(p->result, WM_RESULT_SHOW, 0, 0);
        InvalidateRect(p->result, nullptr, TRUE);
    }
}

void Retest(HWND dialog, MatchPage* p)
{
    if (p->result && IsWindow(p->result)) PostMessageA(dialog, WM_COMMAND, IDB_MATCH_TEST, -1);
}

BOOL OnInitMatchPage(HWND dialog, Rule* rule)
{
    MatchPage* p = (MatchPage*)calloc(1, sizeof(MatchPage));
    if (!p) return FALSE;
    p->rule = rule;
    SetWindowLongPtrA(dialog, DWLP_USER, (LONG_PTR)p);
    HWND tab = GetDlgItem(dialog, IDTAB_MATCH_OPTIONS);
    for (int id : {IDB_MATCH_FINDTITLE, IDB_MATCH_FINDCLASS, IDB_MATCH_FINDPROG, IDB_MATCH_TEST})
        SubclassWindowFinder(GetDlgItem(dialog, id));
    FillCompareCombo(dialog, IDCB_MATCH_TITLECMP);
    FillCompareCombo(dialog, IDCB_MATCH_CLASSCMP);
    FillCompareCombo(dialog, IDCB_MATCH_PROGCMP);
    // The class text decides the Include child's File Explorer row: shown first.
    ShowRuleFields(dialog, rule, kMatchFields, ARRAYSIZE(kMatchFields));
    const DialogPage kOptions[] = {{IDD_MATCH_INCLUDE, MatchOptionsDlgProc}, {IDD_MATCH_EXCLUDE, IgnoreOptionsDlgProc}};
    HWND children[2];
    CreateDialogPages(dialog, IDTAB_MATCH_OPTIONS, IDT_RULE_PLACEHOLDER, 81, kOptions, 2, (LPARAM)rule, true, children);
    p->include = children[0];
    p->exclude = children[1];
    if (g_matchOptionsTab < 0 || g_matchOptionsTab > 1) g_matchOptionsTab = 0;
    SendMessageA(tab, TCM_SETCURSEL, g_matchOptionsTab, 0);
    ShowOptionsTab(p);
    ShowLastMatch(dialog, rule);
    EnableMatchPage(dialog, p);
    return FALSE;
}

void OnMatchCommand(HWND dialog, MatchPage* p, int id, int code, LPARAM lParam)
{
    switch (id) {
    case IDB_MATCH_TEST:
        RunTest(dialog, p, lParam);
        return;
    case IDCB_MATCH_TITLECMP:
    case IDCB_MATCH_CLASSCMP:
    case IDCB_MATCH_PROGCMP:
        if (code != CBN_SELCHANGE) return;
        EnableMatchPage(dialog, p);
        Retest(dialog, p);
        return;
    case IDE_MATCH_CLASS:
        if (code != EN_CHANGE) return;
        EnableMatchPage(dialog, p);
        Retest(dialog, p);
        return;
    case IDX_MATCH_TITLENOT:
    case IDX_MATCH_CLASSNOT:
    case IDX_MATCH_PROGNOT:
        if (code == BN_CLICKED) Retest(dialog, p);
        return;
    case IDE_MATCH_TITLE:
    case IDE_MATCH_PROGRAM:
    case IDE_MATCH_AND:
    case IDE_MATCH_OR:
        if (code == EN_CHANGE) Retest(dialog, p);
        return;
    default:
        return;
    }
}

}  // namespace

INT_PTR CALLBACK MatchOptionsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    return OptionsProc(dialog, message, wParam, lParam, true);
}

INT_PTR CALLBACK IgnoreOptionsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    return OptionsProc(dialog, message, wParam, lParam, false);
}

INT_PTR CALLBACK RuleMatchPageProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) return OnInitMatchPage(dialog, (Rule*)lParam);
    MatchPage* p = Page(dialog);
    if (!p) return FALSE;
    switch (message) {
    case WM_RULEPAGE_WRITE:
        WriteMatchPage(dialog, p, lParam ? (Rule*)lParam : p->rule);
        return TRUE;
    case WM_RULEPAGE_SHOW:
        ShowRuleFields(dialog, p->rule, kMatchFields, ARRAYSIZE(kMatchFields));
        SendMessageA(p->include, WM_RULEPAGE_SHOW, 0, 0);
        SendMessageA(p->exclude, WM_RULEPAGE_SHOW, 0, 0);
        ShowLastMatch(dialog, p->rule);
        EnableMatchPage(dialog, p);
        return TRUE;
    case WM_RULEPAGE_ENABLE:
        EnableMatchPage(dialog, p);
        return TRUE;
    case WM_RULEPAGE_CHANGED: {
        bool changed = RuleFieldsChanged(dialog, p->rule, kMatchFields, ARRAYSIZE(kMatchFields)) ||
                       SendMessageA(p->include, WM_RULEPAGE_CHANGED, 0, 0) ||
                       SendMessageA(p->exclude, WM_RULEPAGE_CHANGED, 0, 0);
        return AnswerMessage(dialog, changed ? 1 : 0);
    }
    case WM_NOTIFY: {
        NMHDR* h = (NMHDR*)lParam;
        if (h->idFrom != IDTAB_MATCH_OPTIONS || h->code != TCN_SELCHANGE) return FALSE;
        int tab = (int)SendMessageA(h->hwndFrom, TCM_GETCURSEL, 0, 0);
        if (tab == 0 || tab == 1) g_matchOptionsTab = tab;
        ShowOptionsTab(p);
        return TRUE;
    }
    case WM_COMMAND:
        OnMatchCommand(dialog, p, LOWORD(wParam), HIWORD(wParam), lParam);
        return TRUE;
    case WM_DESTROY:
        // Match Result belongs to this page: it goes first, so it never posts to a gone page.
        if (p->result && IsWindow(p->result)) DestroyWindow(p->result);
        p->result = nullptr;
        SetWindowLongPtrA(dialog, DWLP_USER, 0);
        free(p);
        return TRUE;
    default:
        return FALSE;
    }
}

// Match Result's own notice that it is gone (it clears the page's handle).
void ForgetMatchResult(MatchTestData* test)
{
    MatchPage* p = test && IsWindow(test->page) ? Page(test->page) : nullptr;
    if (p) p->result = nullptr;
}
