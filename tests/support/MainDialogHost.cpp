// MainDialogHost.cpp - the main dialog over profiles held in memory, for
// scripts/screenshots:
//
//   maindialoghost tree <ready file>   the dialog with a tree of groups and rules
//   maindialoghost menu <ready file>   the same with the rule context menu open
//   maindialoghost drag <ready file>   the same while a rule is dragged onto another
//   maindialoghost windowlist <ready file>  the Window List with windows and log lines
//   maindialoghost editor <ready file>      the Command Editor with a script
//   maindialoghost editwindow <ready file>  Edit Window Properties on the main dialog
//   maindialoghost editgroup <ready file>   Edit Group on a group of rules both on and off
//   maindialoghost profiles <ready file>    the Profiles dialog over the main dialog
//   maindialoghost settings<N> <ready file> Profile Settings on page N (0 to 4)
//   maindialoghost options <page> <ready file>  the Options dialog on page 0 to 3
//   maindialoghost trayentry <ready file>   the Minimize to Tray entry dialog over Options
//   maindialoghost editrule-match|editrule-exclude|editrule-actions|editrule-advanced <ready file>
//                                           Edit Rule on one of its pages
//   maindialoghost match-result <ready file>  Match Result over Edit Rule
//   maindialoghost edit-template <ready file> Edit Rule Template
//
// As dialoghost does, the host writes "<left> <top> <right> <bottom>" of what
// it shows into the ready file and ends once "<ready file>.done" exists.
#include "engine/Engine.h"
#include "engine/FrameworkServices.h"
#include "engine/Log.h"
#include "engine/OptionsRecord.h"
#include "engine/ProductIds.h"
#include "engine/ProductStrings.h"
#include "engine/ProfileStore.h"
#include "engine/WindowTable.h"
#include "framework/core/AppObject.h"
#include "framework/core/AppStartup.h"
#include "framework/core/CommandTable.h"
#include "framework/core/MonitorTable.h"
#include "framework/core/TextUtil.h"
#include "framework/ui/HotkeyKeys.h"
#include "framework/ui/MenuPopup.h"
#include "framework/ui/Theme.h"
#include "framework/ui/UIItem.h"
#include "tests/support/ProductUiSetup.h"
#include "tests/support/TreeItemText.h"
#include "ui/MainDialog.h"
#include "ui/CommandEditor.h"
#include "ui/EditGroup.h"
#include "ui/EditRule.h"
#include "ui/EditRuleRes.h"
#include "ui/EditRuleTemplate.h"
#include "ui/EditWindow.h"
#include "ui/RuleEditor.h"
#include "ui/RuleTree.h"
#include "ui/MainDialogRes.h"
#include "ui/ProfilesDialog.h"
#include "ui/ProfileSettings.h"
#include "ui/OptionsDialog.h"
#include "ui/OptionsRes.h"
#include "tests/support/FakeVirtualDesktop.h"
#include "ui/WindowList.h"

#include <commctrl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

char g_readyFile[MAX_PATH];
bool g_reported;
RECT g_shown;   // what the picture holds

struct ShotRule {
    const char* name;
    uint8_t level, item;
    bool holdsWindow, script;
};
const ShotRule kRules[] = {
    {"PanelShepherd", 1, RULE_ITEM_GROUP | RULE_ITEM_EXPANDED, false, false},
    {"PanelShepherd Main Dialog", 2, RULE_ITEM_KEEP, true, false},
    {"Window List Dialog", 2, RULE_ITEM_KEEP, false, false},
    {"Browsers", 1, RULE_ITEM_GROUP | RULE_ITEM_EXPANDED, false, false},
    {"Firefox - Main Window", 2, 0, true, false},
    {"Chromium (disabled)", 2, RULE_ITEM_DISABLED, false, false},
    {"Mail - Inbox", 2, 0, false, true},
    {"Editors", 1, RULE_ITEM_GROUP, false, false},
    {"Notepad", 2, 0, false, false},
    {"Visual Studio Code", 2, 0, false, false},
    {"Terminal", 1, 0, true, true},
    {"Calculator", 1, 0, false, false},
    {"Windows Explorer", 1, RULE_ITEM_GROUP | RULE_ITEM_EXPANDED, false, false},
};

void AddProfile(const char* name, bool withRules)
{
    Profile p = {};
    if (!InitProfile(&p, true)) return;
    CopyText(p.szGenName, sizeof(p.szGenName), name);
    p.bGenEnabled = 1;
    for (const ShotRule& s : kRules) {
        if (!withRules) break;
        Rule r;
        InitRule(&r);
        r.id = (uint32_t)p.nextRuleId++;
        CopyText(r.name, sizeof(r.name), s.name);
        r.level = s.level;
        r.item = s.item;
        // A shown window makes the rule bold.
        if (s.holdsWindow) {
            r.windows[0] = GetDesktopWindow();
            r.windowCount = 1;
        }
        r.cmdactive = s.script ? 1 : 0;
        ArrayAppend(p.pRules, &r);
    }
    ArrayAppend(&g_profiles, &p);
}

HTREEITEM ItemNamed(const char* name)
{
    for (HTREEITEM item = TreeView_GetRoot(g_ruleTree); item;) {
        if (TreeItemText(g_ruleTree, item) == name) return item;
        HTREEITEM next = TreeView_GetChild(g_ruleTree, item);
        while (!next && item) {
            next = TreeView_GetNextSibling(g_ruleTree, item);
            if (!next) item = TreeView_GetParent(g_ruleTree, item);
        }
        item = next;
    }
    return nullptr;
}

POINT DialogPointOver(const char* name, bool upper)
{
    RECT r = {};
    TreeView_GetItemRect(g_ruleTree, ItemNamed(name), &r, TRUE);
    POINT pt = {r.left + 8, upper ? r.top + 1 : (r.top + r.bottom) / 2};
    MapWindowPoints(g_ruleTree, g_mainDialog, &pt, 1);
    return pt;
}

void ShowMenu()
{
    TreeView_SelectItem(g_ruleTree, ItemNamed("Firefox - Main Window"));
    SendMessageA(g_mainDialog, WM_CONTEXTMENU, (WPARAM)g_ruleTree, MAKELPARAM(-1, -1));
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND w, LPARAM) -> BOOL {
            char cls[32] = {};
            GetClassNameA(w, cls, sizeof(cls));
            RECT r;
            if (strcmp(cls, "ZRPAppMenuPopup") == 0 && IsWindowVisible(w) && GetWindowRect(w, &r))
                UnionRect(&g_shown, &g_shown, &r);
            return TRUE;
        },
        0);
}

void ShowDrag()
{
    NMTREEVIEWA nm = {};
    nm.hdr.hwndFrom = g_ruleTree;
    nm.hdr.idFrom = IDTV_MAIN_RULES;
    nm.hdr.code = TVN_BEGINDRAGA;
    nm.itemNew.hItem = ItemNamed("Calculator");
    SendMessageA(g_mainDialog, WM_NOTIFY, IDTV_MAIN_RULES, (LPARAM)&nm);
    POINT over = DialogPointOver("Mail - Inbox", true);
    SendMessageA(g_mainDialog, WM_MOUSEMOVE, 0, MAKELPARAM(over.x, over.y));
}

const char* g_shownCaption;   // a dialog opened by the action: the picture is of it

void AddShotWindow(HWND window, const char* title, const char* cls, const char* program)
{
    MonitoredWindow* e = &g_windowTable[g_windowCount++];
    *e = MonitoredWindow{};
    e->hwnd = window;
    CopyText(e->title, sizeof(e->title), title);
    CopyText(e->className, sizeof(e->className), cls);
    CopyText(e->program, sizeof(e->program), program);
}

void ShowWindowList()
{
    Options.bMonCheckTempl = 0;
    Options.bMonIncludeEmpty = 1;
    AddShotWindow(g_mainDialog, "PanelShepherd", "#32770", "C:\\Program Files\\PanelShepherd\\PanelShepherd.exe");
    AddShotWindow(g_ruleTree, "Inbox - Mail", "MailFrame", "C:\\Program Files\\Mail\\mail.exe");
    AddShotWindow(GetDesktopWindow(), "", "Progman", "C:\\Windows\\explorer.exe");
    AddShotWindow((HWND)(INT_PTR)0x10088, "Calculator", "CalcFrame", "C:\\Windows\\System32\\calc.exe");
    AddShotWindow((HWND)(INT_PTR)0x1008A, "Untitled - Notepad", "Notepad", "C:\\Windows\\notepad.exe");
    g_shownCaption = "Window List";
    OpenWindowList();
    LogLine("NEW: HWND(%08X), TITLE(%s), DTP(%d), POS(%d,%d), DIM(%d,%d), STATE(%s), CLASS(%s), PROGRAM(%s)",
            0x10088, "Calculator", 0, 120, 80, 320, 400, "Restored", "CalcFrame",
            "C:\\Windows\\System32\\calc.exe");
    LogLine("PRF: Switching Profile (%s)", "Default");
    LogLine("RUL: RULE(%s), HWND(%08X), TITLE(%s)", "Calculator", 0x10088, "Calculator");
}

void ShowCommandEditorShot()
{
    static ScriptThreadContext context;
    CopyText(context.rule.cmdtext[0], sizeof(context.rule.cmdtext[0]),
             "; bring the mail window forward\r\nWINDOW( \"Inbox\" , \"MailFrame\" , \"mail.exe\" , 2000 )\r\n"
             "STATE( 2 )\r\nWAIT( 500 )\r\nKEY( C+VK_HOME )\r\n");
    g_shownCaption = "Command Editor";
    ShowCommandEditor(g_mainDialog, &context);
}

void ShowEditWindowShot()
{
    MonitoredWindow w = {};
    w.hwnd = g_mainDialog;
    g_shownCaption = "Edit Window Properties";
    ShowEditWindowProperties(g_mainDialog, &w);
}

void ShowEditGroupShot()
{
    Profile* p = &g_profiles.data[0];
    for (int i = 0; i < p->pRules->count; i++) {
        Rule* group = &p->pRules->data[i];
        if (strcmp(group->name, "Browsers") != 0) continue;
        SET_RULE_TEXT(group, caption, "*Mozilla Firefox*");
        SET_RULE_TEXT(group, program, "C:\\Program Files\\Mozilla Firefox\\firefox.exe");
        if (p->pTemplates->count > 0) SET_RULE_TEXT(group, tmpname, p->pTemplates->data[0].match.name);
        group->cmpcaption = 1;
        LiveProfileRef ref = NoteLiveProfile(p);
        g_shownCaption = "Edit Group";
        ShowEditGroup(g_mainDialog, &ref, group->id);
        return;
    }
}

void ShowProfilesShot()
{
    g_shownCaption = "Profiles";
    ShowProfilesDialog(g_mainDialog);
}

// Profile Settings of the current profile, to be shown on this page.
int g_settingsPage = -1;

void ShowProfileSettingsShot()
{
    Profile* p = &g_profiles.data[0];
    p->iGenDisplayDPI = 144;
    p->bTrgHotKey = 1;
    p->iTrgHotKey = 0x0200 | 'M';
    p->bTrgResChange = 1;
    p->bTrgTime = 1;
    p->iTrgTime = 300;
    CopyText(p->szAdvCmdText[0], sizeof(p->szAdvCmdText[0]), "; on activate\r\nWAIT( 500 )\r\n");
    g_shownCaption = "Profile Setings";
    ShowProfileSettings(g_mainDialog, p, false);
}

// Once the dialog shows, its page is chosen as a click on the tab would.
bool ChooseSettingsPage()
{
    if (g_settingsPage < 0) return true;
    HWND shown = FindWindowA("#32770", "Profile Setings");
    HWND tab = shown ? GetDlgItem(shown, 1203) : nullptr;
    if (!tab) return false;
    SendMessageA(tab, TCM_SETCURFOCUS, (WPARAM)g_settingsPage, 0);
    g_settingsPage = -1;
    return false;
}

//--- the Options dialog

int g_optionsPage = -1;   // the tab to show once the dialog is there
bool g_openTrayEntry;     // then the entry dialog over it

void AddTrayShotEntry(const char* program, const char* title, const char* icon)
{
    TrayAppEntry e = {};
    CopyText(e.program, sizeof(e.program), program);
    CopyText(e.title, sizeof(e.title), title);
    CopyText(e.icon, sizeof(e.icon), icon);
    ArrayAppend(&g_trayAppList, &e);
}

void ShowOptionsShot()
{
    static FakeVirtualDesktop desktops;
    if (g_optionsPage == 2) g_virtualDesktop = &desktops;
    FillHotkeyKeyTable();
    Options.bMinimizeToTray = 1;
    Options.bShowTrayIcon = 1;
    Options.bEnabled = 1;
    Options.iVDTPTimeout = 10;
    Options.bConfirmationSound = 1;
    CopyText(Options.szConfirmationSound, sizeof(Options.szConfirmationSound), "C:\\Windows\\Media\\chimes.wav");
    Options.iHotKeyMain = 0x0350;
    Options.iHotKeyActive = 0x0341;
    Options.iHotKeySwitchDesktop = 0x0231;
    Options.iHotKeyTrans = 0x0354;
    Options.iTrans = 40;
    Options.iClkThr = 60;
    CopyText(Options.szUserDesktop, sizeof(Options.szUserDesktop), "C:\\Users\\Public\\Desktop");
    AddTrayShotEntry("C:\\Program Files\\Mail\\mail.exe", "", "");
    AddTrayShotEntry("", "Untitled - Notepad", "C:\\Icons\\notepad.ico");
    AddTrayShotEntry("calc.exe", "Calculator", "");
    g_shownCaption = "Options";
    ShowOptionsDialog(g_mainDialog);
}

// The Options dialog on its page (and the entry dialog over it); false
// until it is all there.
bool SetUpOptionsShot()
{
    HWND options = FindWindowA("#32770", "Options");
    if (!options) return false;
    if (g_optionsPage >= 0) {
        SendDlgItemMessageA(options, IDTAB_OPTIONS, TCM_SETCURFOCUS, (WPARAM)g_optionsPage, 0);
        g_optionsPage = -1;
        if (!g_openTrayEntry) return true;
    }
    if (g_openTrayEntry) {
        g_openTrayEntry = false;
        g_shownCaption = "Minimize to Tray";
        HWND page = GetWindow(options, GW_CHILD);
        for (; page; page = GetWindow(page, GW_HWNDNEXT))
            if (GetDlgItem(page, IDB_OPT_TRAY_ADD)) PostMessageA(GetDlgItem(page, IDB_OPT_TRAY_ADD), BM_CLICK, 0, 0);
        return false;
    }
    return true;
}

//--- Edit Rule, its pages, Match Result and Edit Rule Template

// The rule "Firefox - Main Window" filled in as a user would have it.
void DressShotRule()
{
    Profile* p = &g_profiles.data[0];
    for (int i = 0; i < p->pRules->count; i++) {
        Rule* r = &p->pRules->data[i];
        if (strcmp(r->name, "Firefox - Main Window") != 0) continue;
        SET_RULE_TEXT(r, caption, "Mozilla Firefox");
        r->cmpcaption = CMP_ENDS_WITH;
        SET_RULE_TEXT(r, wndclss, "MozillaWindowClass");
        SET_RULE_TEXT(r, program, "C:\\Program Files\\Mozilla Firefox\\firefox.exe");
        r->cmpprogram = CMP_EQUALS;
        r->x = 120;
        r->y = 80;
        r->w = 1280;
        r->h = 900;
        r->state = RULE_STATE_NORMAL;
        r->ignsmall = 1;
        r->ignsw = 200;
        r->ignsh = 100;
        r->tdelay = 1;
        r->time = 0;
        r->cmdenable[0] = 1;
        CopyText(r->cmdtext[0], sizeof(r->cmdtext[0]), "; maximise once it is there\r\nWAIT( 500 )\r\nSTATE( 2 )\r\n");
        r->windows[0] = g_mainDialog;
        r->windowCount = 1;
    }
}

void OpenShotRule()
{
    DressShotRule();
    Options.bMonCheckTempl = 0;
    AddShotWindow(g_mainDialog, "PanelShepherd", "#32770", "C:\\Program Files\\PanelShepherd\\PanelShepherd.exe");
    LiveProfileRef where = NoteLiveProfile(&g_profiles.data[0]);
    ShowEditRule(g_mainDialog, &where, SelectedRuleId());
}

void ShowEditRuleShot(int tab, int optionsTab)
{
    g_ruleEditorTab = tab;
    g_matchOptionsTab = optionsTab;
    g_shownCaption = "Edit Rule";
    OpenShotRule();
}

void (*g_action)();   // the menu or the drag, once the desktop has settled

void PressTestOfEditRule()
{
    HWND edit = FindWindowA("#32770", "Edit Rule");
    if (!edit) {
        g_action = PressTestOfEditRule;   // next tick
        return;
    }
    for (HWND c = FindWindowExA(edit, nullptr, nullptr, nullptr); c; c = FindWindowExA(edit, c, nullptr, nullptr)) {
        for (HWND page = FindWindowExA(c, nullptr, "#32770", nullptr); page;
             page = FindWindowExA(c, page, "#32770", nullptr)) {
            HWND test = GetDlgItem(page, IDB_MATCH_TEST);
            if (test) SendMessageA(page, WM_COMMAND, IDB_MATCH_TEST, (LPARAM)test);
        }
    }
}

void ShowMatchResultShot()
{
    g_ruleEditorTab = 0;
    g_shownCaption = "Match Result";
    g_matchResultRect = RECT{};
    g_action = PressTestOfEditRule;
    OpenShotRule();
}

void ShowEditTemplateShot()
{
    static RuleTemplate t;
    InitRuleTemplate(&t);
    CopyText(t.match.name, sizeof(t.match.name), "Explorer Windows");
    t.match.item = RULE_ITEM_AUTOCREATE;
    SET_RULE_TEXT(&t.match, wndclss, "CabinetWClass");
    t.match.cmpwndclss = CMP_EQUALS;
    SET_RULE_TEXT(&t.match, program, "explorer.exe");
    t.match.cmpprogram = CMP_CONTAINS;
    CopyText(t.rule.name, sizeof(t.rule.name), "#TITLE#");
    g_ruleEditorTab = 1;
    g_shownCaption = "Edit Rule Template";
    EditRuleTemplate(g_mainDialog, &t);
}

// Shows the menu or the drag, reports once the picture is complete and ends
// the host when the script is done.
void CALLBACK Watch(HWND, UINT, UINT_PTR, DWORD)
{
    if (g_action) {
        // A modal dialog's loop calls this again while the action runs.
        void (*action)() = g_action;
        g_action = nullptr;
        action();
        return;
    }
    if (!g_reported) {
        if (!ChooseSettingsPage()) return;
        if ((g_optionsPage >= 0 || g_openTrayEntry) && !SetUpOptionsShot()) return;
        if (g_shownCaption) {
            HWND shown = FindWindowA("#32770", g_shownCaption);
            if (!shown || !GetWindowRect(shown, &g_shown)) return;
        }
        char text[64];
        FormatText(text, sizeof(text), "%ld %ld %ld %ld\n", g_shown.left, g_shown.top, g_shown.right,
                   g_shown.bottom);
        FILE* f = fopen(g_readyFile, "wb");
        if (!f) return;
        fputs(text, f);
        fclose(f);
        g_reported = true;
        return;
    }
    char done[MAX_PATH + 8];
    FormatText(done, sizeof(done), "%s.done", g_readyFile);
    if (GetFileAttributesA(done) != INVALID_FILE_ATTRIBUTES) PostQuitMessage(0);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    if (__argc < 3) return 1;
    const char* mode = __argv[1];
    int ready = 2;
    if (strcmp(mode, "options") == 0 && __argc >= 4) {
        g_optionsPage = atoi(__argv[2]);
        ready = 3;
    }
    CopyText(g_readyFile, sizeof(g_readyFile), __argv[ready]);
    SetUpApp(instance);
    RegisterTreeMenu();
    AddProfile("Default", true);
    AddProfile("Home Office", false);
    AddProfile("Presentation", false);
    Options.iCurProfile = 0;
    Options.crRuleScript = RGB(0, 0, 192);
    HWND dialog = CreateMainDialog();
    if (!dialog) return 2;
    TreeView_SelectItem(g_ruleTree, ItemNamed("Firefox - Main Window"));
    SetFocus(g_ruleTree);
    UpdateWindow(dialog);
    GetWindowRect(dialog, &g_shown);
    if (strcmp(mode, "menu") == 0) g_action = ShowMenu;
    if (strcmp(mode, "drag") == 0) g_action = ShowDrag;
    if (strcmp(mode, "windowlist") == 0) g_action = ShowWindowList;
    if (strcmp(mode, "editor") == 0) g_action = ShowCommandEditorShot;
    if (strcmp(mode, "editwindow") == 0) g_action = ShowEditWindowShot;
    if (strcmp(mode, "editgroup") == 0) g_action = ShowEditGroupShot;
    if (strcmp(mode, "profiles") == 0) g_action = ShowProfilesShot;
    if (strncmp(mode, "settings", 8) == 0 && mode[8] >= '0' && mode[8] <= '4' && !mode[9]) {
        g_settingsPage = mode[8] - '0';
        g_action = ShowProfileSettingsShot;
    }
    if (strcmp(mode, "options") == 0) g_action = ShowOptionsShot;
    if (strcmp(mode, "trayentry") == 0) {
        g_optionsPage = 1;
        g_openTrayEntry = true;
        g_action = ShowOptionsShot;
    }
    if (strcmp(mode, "editrule-match") == 0) g_action = [] { ShowEditRuleShot(0, 0); };
    if (strcmp(mode, "editrule-exclude") == 0) g_action = [] { ShowEditRuleShot(0, 1); };
    if (strcmp(mode, "editrule-actions") == 0) g_action = [] { ShowEditRuleShot(1, 0); };
    if (strcmp(mode, "editrule-advanced") == 0) g_action = [] { ShowEditRuleShot(2, 0); };
    if (strcmp(mode, "match-result") == 0) g_action = ShowMatchResultShot;
    if (strcmp(mode, "edit-template") == 0) g_action = ShowEditTemplateShot;
    SetTimer(nullptr, 0, 300, Watch);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (IsDialogMessageA(dialog, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}
