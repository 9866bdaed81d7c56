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
#include "framework/ui/MenuPopup.h"
#include "framework/ui/Theme.h"
#include "framework/ui/UIItem.h"
#include "tests/support/ProductUiSetup.h"
#include "tests/support/TreeItemText.h"
#include "ui/MainDialog.h"
#include "ui/CommandEditor.h"
#include "ui/EditGroup.h"
#include "ui/EditWindow.h"
#include "ui/MainDialogRes.h"
#include "ui/ProfilesDialog.h"
#include "ui/WindowList.h"

#include <commctrl.h>
#include <stdio.h>
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

void (*g_action)();   // the menu or the drag, once the desktop has settled

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
    CopyText(g_readyFile, sizeof(g_readyFile), __argv[2]);
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
    SetTimer(nullptr, 0, 300, Watch);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (IsDialogMessageA(dialog, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}
