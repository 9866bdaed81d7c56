// MainDialogHost.cpp - the main dialog over profiles held in memory, for
// scripts/screenshots:
//
//   maindialoghost tree <ready file>   the dialog with a tree of groups and rules
//   maindialoghost menu <ready file>   the same with the rule context menu open
//   maindialoghost drag <ready file>   the same while a rule is dragged onto another
//
// As dialoghost does, the host writes "<left> <top> <right> <bottom>" of what
// it shows into the ready file and ends once "<ready file>.done" exists.
#include "engine/Engine.h"
#include "engine/FrameworkServices.h"
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
#include "tests/support/TreeItemText.h"
#include "ui/MainDialog.h"
#include "ui/MainDialogRes.h"

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

void SetUpApp(HINSTANCE instance)
{
    LoadDpiFunctions();
    MakeProcessDpiAware();
    AppConstruct(&g_app);
    g_app.instance = instance;
    g_app.strings.productTables[0] = g_productStrings;
    g_app.strings.productCount = SortStringTable(g_productStrings);
    CopyText(g_app.productName, sizeof(g_app.productName), AppText(IDS_PRODUCT_NAME));
    NONCLIENTMETRICSA ncm = {};
    ncm.cbSize = sizeof(ncm);
    SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof(ncm), &ncm, 0);
    CopyText(g_app.uiFontFace, sizeof(g_app.uiFontFace),
             ncm.lfMessageFont.lfFaceName[0] ? ncm.lfMessageFont.lfFaceName : "MS Shell Dlg");
    InstallFrameworkHooks();
    InitThemeColours(&g_app);
    HDC screen = GetDC(nullptr);
    CreateBaseFonts(&g_app, nullptr, 0, GetDeviceCaps(screen, LOGPIXELSY));
    ReleaseDC(nullptr, screen);
    WNDCLASSA wc = {};
    wc.lpfnWndProc = UIItemWndProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, (LPCSTR)IDC_ARROW);
    wc.lpszClassName = "ZRPAppUIItem";
    RegisterClassA(&wc);
    InitTableLock();
}

// The framework's commands (the separator among them) and the rule tree's
// menu as the program registers it.
void RegisterTreeMenu()
{
    RegisterFrameworkCommands(&g_app);
    static const uint16_t kList[] = {1201, CMD_SEPARATOR, 1202, 1203, 1204, CMD_SEPARATOR, 1205, 1206,
                                     1207, 1208, CMD_SEPARATOR, 1209, 1210, CMD_LIST_END};
    static const struct { uint16_t id, image; } kImages[] = {
        {1202, 22}, {1203, 28}, {1204, 26}, {1205, 21}, {1206, 24}, {1207, 25}, {1208, 23}, {1209, 32}, {1210, 33}};
    for (const auto& i : kImages) AddCommandIcon(&g_app, i.id, i.image);
    for (uint16_t id = 1201; id <= 1210; id++)
        AddCommand(&g_app, id, ITEM_BUTTON, id == 1201 ? PCMD_TEXT : id == 1202 ? PCMD_BOLDICONTEXT : PCMD_ICONTEXT,
                   0xFFFF, 0xFFFF, 0, 0, 0);
    AddCommand(&g_app, CMD_CONTEXT_MENU, ITEM_POPUP, PCMD_POPUP, 0xFFFF, 0xFFFF, (intptr_t)kList, 0, 0);
}

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

void (*g_action)();   // the menu or the drag, once the desktop has settled

// Shows the menu or the drag, reports once the picture is complete and ends
// the host when the script is done.
void CALLBACK Watch(HWND, UINT, UINT_PTR, DWORD)
{
    if (g_action) {
        g_action();
        g_action = nullptr;
        return;
    }
    if (!g_reported) {
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
    SetTimer(nullptr, 0, 300, Watch);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (IsDialogMessageA(dialog, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}
