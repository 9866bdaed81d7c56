// DialogHost.cpp - shows one framework dialog for the screenshot script and
// the DPI tests.
//
//   dialoghost msgbox <flags, hex> <ready file> <text>   the framework message box
//   dialoghost setup <ready file>                        a dialog after InitDialogDefaults
//   dialoghost layout <out file>                         a resizable dialog's layout report
//   dialoghost update <0|1> <ready file>                 the Update Check dialog after a
//                                                        check that found no newer (0) or a
//                                                        newer (1) version
//   dialoghost items <ready file>                        a dialog with UI items of every kind
//   dialoghost itemsizes <out file>                      the sizes of the item size cases
//   dialoghost about <ready file>                        the About box, with a data folder
//                                                        too long for its link
//   dialoghost archive <ready file>                      the Archive Configuration dialog
//   dialoghost menu <ready file>                         the window menu with its Transparency
//                                                        popup open beside it
//   dialoghost list <ready file>                         a list control sorted by a column
//   dialoghost hotkey <ready file>                       the Select Key Combination dialog
//
// For the pictures, the host writes "<left> <top> <right> <bottom>" of the
// shown dialog into the ready file and closes it once "<ready file>.done"
// exists. The layout report lists the DPI, the bold dialog font's height and,
// after the dialog was resized, each control's place in reference units.
// The item size report gives the DPI, then "<case> <width> <height>".
#include "framework/core/AppObject.h"
#include "framework/core/AppStartup.h"
#include "framework/core/FrameworkHooks.h"
#include "framework/core/MonitorTable.h"
#include "framework/core/TextUtil.h"
#include "framework/services/AboutBox.h"
#include "framework/services/AboutBoxRes.h"
#include "framework/services/Archive.h"
#include "framework/services/ArchiveRes.h"
#include "framework/services/UpdateCheck.h"
#include "framework/services/UpdateCheckRes.h"
#include "framework/ui/DialogSetup.h"
#include "framework/ui/HotkeyField.h"
#include "framework/ui/HotkeyKeys.h"
#include "framework/ui/ListControl.h"
#include "framework/ui/MenuPopup.h"
#include "framework/ui/MessageBox.h"
#include "framework/ui/Theme.h"
#include "framework/ui/UIItem.h"
#include "framework/ui/UIItemClasses.h"
#include "resources/Version.h"
#include "tests/support/DialogHostRes.h"
#include "tests/support/ItemSizeCases.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

static char g_readyFile[MAX_PATH];
static bool g_reported;
static bool g_holdReport;   // the picture is not complete yet
static RECT g_reportRect;   // reported instead of the dialog's own rectangle when not empty

static bool WriteFileText(const char* path, const char* text)
{
    FILE* f = fopen(path, "wb");
    if (!f) return false;
    fputs(text, f);
    fclose(f);
    return true;
}

static BOOL CALLBACK FindShownDialog(HWND w, LPARAM out)
{
    char cls[16] = {};
    GetClassNameA(w, cls, sizeof(cls));
    if (strcmp(cls, "#32770") == 0 && IsWindowVisible(w)) {
        *(HWND*)out = w;
        return FALSE;
    }
    return TRUE;
}

// Runs inside the dialog's modal loop: reports the dialog once it is shown and
// closes it when the script is done.
static void CALLBACK WatchDialog(HWND, UINT, UINT_PTR, DWORD)
{
    HWND dialog = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindShownDialog, (LPARAM)&dialog);
    if (!dialog) return;
    if (!g_reported) {
        if (g_holdReport) return;
        RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
        RECT r;
        GetWindowRect(dialog, &r);
        if (!IsRectEmpty(&g_reportRect)) r = g_reportRect;
        char text[64];
        FormatText(text, sizeof(text), "%ld %ld %ld %ld\n", r.left, r.top, r.right, r.bottom);
        g_reported = WriteFileText(g_readyFile, text);
        return;
    }
    char done[MAX_PATH + 8];
    FormatText(done, sizeof(done), "%s.done", g_readyFile);
    if (GetFileAttributesA(done) != INVALID_FILE_ATTRIBUTES) {
        LRESULT def = SendMessageA(dialog, DM_GETDEFID, 0, 0);
        PostMessageA(dialog, WM_COMMAND, HIWORD(def) == DC_HASDEFID ? LOWORD(def) : IDOK, 0);
    }
}

static void SetUpApp(HINSTANCE instance)
{
    LoadDpiFunctions();
    MakeProcessDpiAware();
    AppConstruct(&g_app);
    g_app.instance = instance;
    CopyText(g_app.productName, sizeof(g_app.productName), "PanelShepherd");
    g_app.versionMajor = PS_VERSION_MAJOR;
    g_app.versionMinor = PS_VERSION_MINOR;
    g_app.versionBuild = PS_VERSION_BUILD;
    NONCLIENTMETRICSA ncm = {};
    ncm.cbSize = sizeof(ncm);
    SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof(ncm), &ncm, 0);
    CopyText(g_app.uiFontFace, sizeof(g_app.uiFontFace),
             ncm.lfMessageFont.lfFaceName[0] ? ncm.lfMessageFont.lfFaceName : "MS Shell Dlg");
    InitThemeColours(&g_app);
    HDC screen = GetDC(nullptr);
    CreateBaseFonts(&g_app, nullptr, 0, GetDeviceCaps(screen, LOGPIXELSY));
    ReleaseDC(nullptr, screen);
}

static INT_PTR CALLBACK SetupDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_INITDIALOG) {
        InitDialogDefaults(&g_app, dialog);
        return FALSE;
    }
    if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        EndDialog(dialog, LOWORD(wParam));
        return TRUE;
    }
    return FALSE;
}

//--- the layout report

static const struct {
    int id;
    uint32_t flags;
} kLayout[] = {
    {IDE_TEST_EDIT, LAYOUT_STRETCH_WIDTH},
    {IDC_TEST_LIST, LAYOUT_STRETCH_WIDTH | LAYOUT_STRETCH_HEIGHT},
    {IDB_TEST_ADD, LAYOUT_KEEP_RIGHT},
    {IDB_TEST_REMOVE, LAYOUT_FOLLOW_PREVIOUS},
    {IDOK, LAYOUT_KEEP_RIGHT | LAYOUT_KEEP_BOTTOM},
    {IDCANCEL, LAYOUT_KEEP_RIGHT | LAYOUT_KEEP_BOTTOM},
};

static int RunLayoutReport(HINSTANCE instance, const char* outFile)
{
    HWND dialog = CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_TEST_LAYOUT), nullptr, SetupDlgProc, 0);
    if (!dialog) return 2;
    DialogLayout layout;
    DialogLayoutInit(&layout, dialog, IDB_TEST_ADD);
    for (const auto& row : kLayout) DialogLayoutAdd(&layout, GetDlgItem(dialog, row.id), row.flags);
    RECT window, client, ref;
    GetWindowRect(dialog, &window);
    GetClientRect(dialog, &client);
    GetClientRect(GetDlgItem(dialog, IDB_TEST_ADD), &ref);
    // Half as wide again and a third higher, whatever the DPI made the dialog.
    SetWindowPos(dialog, nullptr, 0, 0, (window.right - window.left) + client.right / 2,
                 (window.bottom - window.top) + client.bottom / 3, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    DialogLayoutApply(&layout);
    GetClientRect(dialog, &client);

    char report[2048];
    const FontEntry* bold = GetThemeFontEntry(&g_theme, THEME_FONT_UI_BOLD, GetWindowDpi(dialog));
    LOGFONTA lf = {};
    if (bold) GetObjectA(bold->font, sizeof(lf), &lf);
    FormatText(report, sizeof(report), "dpi %u\nbold %ld\nref %ld %ld\nclient %ld %ld\n", GetWindowDpi(dialog),
               lf.lfHeight, ref.right, ref.bottom, client.right, client.bottom);
    for (const auto& row : kLayout) {
        RECT r;
        GetWindowRect(GetDlgItem(dialog, row.id), &r);
        MapWindowPoints(nullptr, dialog, (POINT*)&r, 2);
        char line[128];
        FormatText(line, sizeof(line), "%d %ld %ld %ld %ld\n", row.id, r.left, r.top, client.right - r.right,
                   client.bottom - r.bottom);
        AppendText(report, sizeof(report), line);
    }
    DialogLayoutFree(&layout);
    DestroyWindow(dialog);
    return WriteFileText(outFile, report) ? 0 : 3;
}

//--- the Update Check dialog

static int g_updateStatus;

// The dialog's own procedure, with the status a finished check leaves.
static INT_PTR CALLBACK UpdateHostDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    INT_PTR result = UpdateCheckDlgProc(dialog, message, wParam, lParam);
    if (message == WM_INITDIALOG) ShowUpdateStatus(dialog, g_updateStatus);
    return result;
}

// Shows the dialog over a record in a data folder beside the ready file,
// removed again afterwards.
static int RunUpdateDialog(HINSTANCE instance, bool newer)
{
    char folder[MAX_PATH];
    FormatText(folder, sizeof(folder), "%s-data", g_readyFile);
    CreateDirectoryA(folder, nullptr);
    CopyText(g_app.dataFolder, sizeof(g_app.dataFolder), folder);
    UpdateCheckRecord r = {};
    CopyText(r.version, sizeof(r.version), newer ? "2.10.1" : PS_VERSION_TEXT);
    r.lastCheck = (int64_t)time(nullptr) / 86400 * 86400;
    r.newer = newer ? 1 : 0;
    r.automatic = 1;
    r.intervalDays = 7;
    char path[MAX_PATH];
    FormatText(path, sizeof(path), "%s\\" UPDATE_CHECK_RECORD ".zpx", folder);
    FILE* f = fopen(path, "wb");
    if (!f) return 2;
    fwrite(&r, sizeof(r), 1, f);
    fclose(f);
    LoadUpdateCheckState();
    g_updateStatus = newer ? 4 : 5;
    SetTimer(nullptr, 0, 100, WatchDialog);
    DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_UPDATECHECK), nullptr, UpdateHostDlgProc, 0);
    DeleteFileA(path);
    RemoveDirectoryA(folder);
    return 0;
}

//--- UI items

static void RegisterItemClass(HINSTANCE instance)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = UIItemWndProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, (LPCSTR)IDC_ARROW);
    wc.lpszClassName = "ZRPAppUIItem";
    RegisterClassA(&wc);
}

static int RunItemSizeReport(HINSTANCE instance, const char* outFile)
{
    RegisterItemClass(instance);
    InstallItemSizeCases(&g_app);
    HWND host = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 400, 300, nullptr, nullptr, instance, nullptr);
    CMenu* menu = (CMenu*)CreateUIItemByType(UIITEM_MENU, nullptr);
    if (!host || !menu || menu->Create(kItemSizeMenuId, host, host, nullptr) != 0) return 2;
    char report[2048];
    FormatText(report, sizeof(report), "dpi %u\n", GetWindowDpi(host));
    for (const ItemSizeCase& c : kItemSizeCases) {
        CUIItem* item = MakeItemSizeCase(c, host, menu);
        if (!item) return 3;
        char line[128];
        FormatText(line, sizeof(line), "%s %d %d\n", c.name, item->width, item->height);
        AppendText(report, sizeof(report), line);
        FreeUIItem(item);
    }
    FreeUIItem(menu);
    DestroyWindow(host);
    return WriteFileText(outFile, report) ? 0 : 4;
}

// What the picture shows: a row of buttons (hot, checked, disabled) with a
// separator and a split menu, a progress label, a slider, a brush size, a
// colour well and a palette.
static ItemValueRecord g_slider = {6, 0, 10};
static ItemValueRecord g_brush = {12, 1, 99};
static ItemColourRecord g_well = {0xFFD03030, 1};
static ItemPaletteRecord g_palette = {{0xFF000000, 0xFF808080, 0xFFC00000, 0xFFE08000, 0xFFF0D000, 0xFF30A040,
                                       0xFF2A6FD0, 0xFF9050C0, 0xFFFFFFFF, 0xFFC0C0C0, 0xFFFF8080, 0xFFFFC080,
                                       0xFFFFF080, 0xFF90E090, 0xFF90C0F0, 0xFFD0A0E0},
                                      0xFF000000, 2};
static const struct {
    uint16_t id, type;
    uint32_t flags;
    uint16_t icon, resource;
    intptr_t data;
    int row;
    const char* text;
} kShotItems[] = {
    {0x201, 1, CMD_SHOWTEXT | CMD_SHOWICON | CMD_HOT, 0x201, 0xC354, 0, 0, "Always on Top"},
    {0x202, 1, CMD_SHOWTEXT | CMD_SHOWICON | CMD_CHECKED, 0x202, 0xC355, 0, 0, "Taskbar"},
    {0x203, 4, 0, 0, 0, 0, 0, nullptr},
    {0x204, 1, CMD_SHOWTEXT | CMD_SHOWICON, 0x204, 0xC353, 0, 0, "Lock"},
    {0x205, 3, CMD_SHOWTEXT | CMD_SPLITARROW, 0, 0, 0, 0, "Send"},
    {0x206, 2, CMD_SHOWTEXT | CMD_TEXTTOSHORTCUT, 0, 0, 0, 1, "Loading profile @65"},
    {0x207, 9, 0, 0, 0, (intptr_t)&g_slider, 2, nullptr},
    {0x208, 10, 0, 0, 0, (intptr_t)&g_brush, 2, nullptr},
    {0x209, 11, 0, 0, 0, (intptr_t)&g_well, 2, nullptr},
    {0x20A, 12, 0, 0, 0, (intptr_t)&g_palette, 3, nullptr},
};
static CUIItem* g_shotItems[sizeof(kShotItems) / sizeof(kShotItems[0])];

static void InstallShotCommands()
{
    static StringTableEntry table[sizeof(kShotItems) / sizeof(kShotItems[0]) + 1];
    int n = 0;
    for (const auto& s : kShotItems) {
        table[n] = StringTableEntry{};
        table[n].id = s.id;
        table[n++].columns[0] = s.text;
        if (s.resource) AddCommandIcon(&g_app, s.icon, s.resource);
        int at = AddCommand(&g_app, s.id, s.type, s.flags, s.icon, s.id, s.data, 0, 0);
        if (at >= 0 && s.id == 0x204) g_app.commands.data[at].flags &= ~CMD_ENABLED;
    }
    table[n] = StringTableEntry{};
    table[n].id = STRING_END_ID;
    g_app.strings.productTables[0] = table;
    g_app.strings.productCount = SortStringTable(table);
    AddCommandIcon(&g_app, ITEM_ICON_MARKER, 0xC357);
    AddCommandIcon(&g_app, ITEM_ICON_NOMARKER, 0xC358);
}

static INT_PTR CALLBACK ItemsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: {
        InitDialogDefaults(&g_app, dialog);
        int x = 10, y = 10, row = 0, rowHeight = 0;
        for (size_t i = 0; i < sizeof(kShotItems) / sizeof(kShotItems[0]); i++) {
            CUIItem* item = CreateUIItemByType(kShotItems[i].type, nullptr);
            if (!item || item->Create(kShotItems[i].id, dialog, dialog, nullptr) != 0) {
                FreeUIItem(item);
                continue;
            }
            g_shotItems[i] = item;
            if (kShotItems[i].row != row) {
                row = kShotItems[i].row;
                x = 10;
                y += rowHeight + 8;
                rowHeight = 0;
            }
            int w = item->width, h = item->height;
            if (kShotItems[i].type == 4) h = g_shotItems[0] ? g_shotItems[0]->height : h;
            if (kShotItems[i].type == 2) w = 300;
            SetWindowPos(item->window, nullptr, x, y, w, h, SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
            x += w + 4;
            if (h > rowHeight) rowHeight = h;
        }
        return FALSE;
    }
    case ZRPMSG_PAINTBACKGROUND: {
        HDC dc = (HDC)wParam;
        RECT r;
        GetClientRect(dialog, &r);
        POINT origin;
        OffsetViewportOrgEx(dc, -(short)LOWORD(lParam), -(short)HIWORD(lParam), &origin);
        FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
        SetViewportOrgEx(dc, origin.x, origin.y, nullptr);
        SetWindowLongPtrA(dialog, DWLP_MSGRESULT, 1);
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            for (CUIItem*& item : g_shotItems) {
                FreeUIItem(item);
                item = nullptr;
            }
            EndDialog(dialog, LOWORD(wParam));
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}

//--- the About box and the archive settings

static StringTableEntry g_hostProduct[] = {{0, {"PanelShepherd"}}, {STRING_END_ID, {}}};

static int RunAboutBox(HINSTANCE instance)
{
    g_app.strings.productTables[0] = g_hostProduct;
    g_app.strings.productCount = 1;
    CopyText(g_app.installRecord.installFolder, sizeof(g_app.installRecord.installFolder),
             "C:\\Program Files\\Brimvale\\PanelShepherd");
    CopyText(g_app.dataFolder, sizeof(g_app.dataFolder),
             "C:\\users\\a-rather-long-user-name\\AppData\\Roaming\\Brimvale\\PanelShepherd\\"
             "profiles of the office desktop\\configuration");
    SetTimer(nullptr, 0, 100, WatchDialog);
    DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_ABOUT), nullptr, AboutDlgProc, 0);
    return 0;
}

// Shows the dialog over a record in a data folder beside the ready file,
// removed again afterwards.
static int RunArchiveDialog(HINSTANCE instance)
{
    char folder[MAX_PATH];
    FormatText(folder, sizeof(folder), "%s-data", g_readyFile);
    CreateDirectoryA(folder, nullptr);
    CopyText(g_app.dataFolder, sizeof(g_app.dataFolder), folder);
    ArchiveSettings s = {};
    CopyText(s.folderTemplate, sizeof(s.folderTemplate), ARCHIVE_DEFAULT_FOLDER);
    CopyText(s.nameTemplate, sizeof(s.nameTemplate), ARCHIVE_DEFAULT_NAME);
    s.automatic = 1;
    s.intervalDays = ARCHIVE_DEFAULT_INTERVAL;
    s.keepCount = ARCHIVE_DEFAULT_KEEP;
    char path[MAX_PATH];
    FormatText(path, sizeof(path), "%s\\" ARCHIVE_RECORD ".zpx", folder);
    FILE* f = fopen(path, "wb");
    if (!f) return 2;
    fwrite(&s, sizeof(s), 1, f);
    fclose(f);
    SetTimer(nullptr, 0, 100, WatchDialog);
    DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_ARCHIVE), nullptr, ArchiveSettingsDlgProc, 0);
    DeleteFileA(path);
    RemoveDirectoryA(folder);
    return 0;
}

//--- a popup menu

static void FillDialogBackground(HWND dialog, HDC dc, LPARAM offset)
{
    RECT r;
    GetClientRect(dialog, &r);
    POINT origin;
    OffsetViewportOrgEx(dc, -(short)LOWORD(offset), -(short)HIWORD(offset), &origin);
    FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
    SetViewportOrgEx(dc, origin.x, origin.y, nullptr);
    SetWindowLongPtrA(dialog, DWLP_MSGRESULT, 1);
}

static CUIItem* PopupItem(CMenu* menu, uint16_t id)
{
    for (int i = 0; menu && i < menu->popupItems.count; i++)
        if (menu->popupItems.data[i]->commandId == id) return menu->popupItems.data[i];
    return nullptr;
}

// The window menu at a point of the dialog, its Transparency popup opened by
// the highlight and "20%" highlighted in it.
static void OpenShotMenu(HWND dialog)
{
    static const uint16_t kWindowMenu[] = {0xF110, 0xF111, 0xF120, 0xF130, 0xF140, 0xF150, 0xF160, 0xFFFF};
    int row = FindCommandIndex(&g_app, 0xF105);
    if (row < 0) return;
    g_app.commands.data[row].data = (intptr_t)kWindowMenu;
    SetCommandChecked(&g_app, 0xF110, true);
    SetCommandChecked(&g_app, 0xF161, true);
    SetCommandEnabled(&g_app, 0xF16B, false);
    RECT r;
    GetWindowRect(dialog, &r);
    POINT at = {r.left + 60, r.top + 50};
    CMenu* menu = TrackContextMenu(&g_app, 0xF105, &at, dialog);
    CUIItem* transparency = PopupItem(menu, 0xF160);
    if (transparency) SendMessageA(transparency->window, WM_MOUSEMOVE, 0, -1);
    CUIItem* twenty = PopupItem(menu ? menu->openChild : nullptr, 0xF163);
    if (twenty) SendMessageA(twenty->window, WM_MOUSEMOVE, 0, -1);
    g_reportRect = r;
    for (CMenu* m = menu; m && m->popupWindow; m = m->openChild) {
        RECT p;
        GetWindowRect(m->popupWindow, &p);
        UnionRect(&g_reportRect, &g_reportRect, &p);
    }
    g_holdReport = false;
}

static INT_PTR CALLBACK MenuDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        InitDialogDefaults(&g_app, dialog);
        SetTimer(dialog, 1, 200, nullptr);
        return FALSE;
    case WM_TIMER:
        KillTimer(dialog, 1);
        OpenShotMenu(dialog);
        return TRUE;
    case ZRPMSG_PAINTBACKGROUND:
        FillDialogBackground(dialog, (HDC)wParam, lParam);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            CloseAllMenus(&g_app);
            EndDialog(dialog, LOWORD(wParam));
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}

static int RunMenuShot(HINSTANCE instance)
{
    FrameworkHooks hooks = {};
    hooks.addCommandIcon = AddCommandIcon;
    hooks.redrawCommandItems = RedrawItemsOfCommand;
    hooks.closeMenus = CloseAllMenus;
    SetFrameworkHooks(&hooks);
    RegisterItemClass(instance);
    if (RegisterFrameworkCommands(&g_app) != 0) return 2;
    g_holdReport = true;
    SetTimer(nullptr, 0, 100, WatchDialog);
    DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_TEST_MENU), nullptr, MenuDlgProc, 0);
    return 0;
}

//--- a list sorted by a column

struct ShotRow {
    const char* cells[3];
};
static const ShotRow kShotRows[] = {
    {{"Untitled - Notepad", "Notepad", "notepad.exe"}},     {{"Inbox - Mail", "MailWindow", "mail.exe"}},
    {{"Calculator", "CalcFrame", "calc.exe"}},              {{"Downloads", "CabinetWClass", "explorer.exe"}},
    {{"Command Prompt", "ConsoleWindowClass", "cmd.exe"}}, {{"Project Plan.xlsx", "XLMAIN", "excel.exe"}},
    {{"Release Notes.txt", "Notepad", "notepad.exe"}},
};
static CList* g_shotList;

static INT_PTR CALLBACK ListDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: {
        InitDialogDefaults(&g_app, dialog);
        g_shotList = (CList*)CreateUIItemByType(UIITEM_LIST, nullptr);
        if (!g_shotList || CreateListInPlaceOf(g_shotList, 0x600, dialog, dialog,
                                               GetDlgItem(dialog, IDC_TEST_LISTPLACE), nullptr, true) != 0)
            return FALSE;
        AddListColumn(g_shotList, "Title", 0.42);
        AddListColumn(g_shotList, "Class", 0.33);
        AddListColumn(g_shotList, "Program", 0.25);
        SetListSortIndicator(g_shotList, 1, 1);
        for (const ShotRow& r : kShotRows) AddListRow(g_shotList, &r);
        for (int i = 0; i < GetListRowCount(g_shotList); i++)
            if (strcmp(((const ShotRow*)GetListRowData(g_shotList, i))->cells[0], "Calculator") == 0)
                SelectListRow(g_shotList, i, true, false);
        SetFocus(g_shotList->listBox);
        return FALSE;
    }
    case WM_COMPAREITEM: {
        const COMPAREITEMSTRUCT* c = (const COMPAREITEMSTRUCT*)lParam;
        int column = g_shotList->sortColumn;
        int order = _stricmp(((const ShotRow*)c->itemData1)->cells[column], ((const ShotRow*)c->itemData2)->cells[column]);
        SetWindowLongPtrA(dialog, DWLP_MSGRESULT, (order > 0) - (order < 0));
        return (order > 0) - (order < 0);
    }
    case WM_DRAWITEM: {
        const ShotRow* row = (const ShotRow*)((const DRAWITEMSTRUCT*)lParam)->itemData;
        for (int i = 0; row && i < 3; i++) DrawListCellText(g_shotList, i, row->cells[i], i == 2);
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            FreeUIItem(g_shotList);
            g_shotList = nullptr;
            EndDialog(dialog, LOWORD(wParam));
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}

static int RunListShot(HINSTANCE instance)
{
    RegisterItemClass(instance);
    if (AddCommand(&g_app, 0x600, UIITEM_LIST, CMD_SPLITARROW | CMD_ARROWPRESSED, 0, 0, 0, 0, 0) < 0) return 2;
    SetTimer(nullptr, 0, 100, WatchDialog);
    DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_TEST_LIST), nullptr, ListDlgProc, 0);
    return 0;
}

//--- the key-combination dialog

static HotkeyField g_shotField;

// The list takes the focus, as it does when keys are to be typed into it.
static void CALLBACK FocusKeyList(HWND, UINT, UINT_PTR timer, DWORD)
{
    CList* list = g_shotField.keyList;
    if (!list || !list->listBox || !IsWindowVisible(list->listBox)) return;
    KillTimer(nullptr, timer);
    SetFocus(list->listBox);
    g_holdReport = false;
}

static int RunHotkeyShot(HINSTANCE instance)
{
    RegisterItemClass(instance);
    FillHotkeyKeyTable();
    HotkeyField& field = g_shotField;
    InitHotkeyField(&field);
    SetHotkey(&field, (MOD_CONTROL | MOD_SHIFT) << 8 | VK_F5);
    g_holdReport = true;
    SetTimer(nullptr, 0, 100, FocusKeyList);
    SetTimer(nullptr, 0, 100, WatchDialog);
    ShowKeyCombinationDialog(&field, nullptr);
    FreeHotkeyField(&field);
    return 0;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    SetUpApp(instance);
    if (__argc >= 3 && strcmp(__argv[1], "layout") == 0) return RunLayoutReport(instance, __argv[2]);
    if (__argc >= 3 && strcmp(__argv[1], "itemsizes") == 0) return RunItemSizeReport(instance, __argv[2]);
    if (__argc >= 3 && strcmp(__argv[1], "items") == 0) {
        CopyText(g_readyFile, sizeof(g_readyFile), __argv[2]);
        RegisterItemClass(instance);
        InstallShotCommands();
        SetTimer(nullptr, 0, 100, WatchDialog);
        DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_TEST_ITEMS), nullptr, ItemsDlgProc, 0);
        return 0;
    }
    if (__argc >= 3 && strcmp(__argv[1], "menu") == 0) {
        CopyText(g_readyFile, sizeof(g_readyFile), __argv[2]);
        return RunMenuShot(instance);
    }
    if (__argc >= 3 && strcmp(__argv[1], "list") == 0) {
        CopyText(g_readyFile, sizeof(g_readyFile), __argv[2]);
        return RunListShot(instance);
    }
    if (__argc >= 3 && strcmp(__argv[1], "hotkey") == 0) {
        CopyText(g_readyFile, sizeof(g_readyFile), __argv[2]);
        return RunHotkeyShot(instance);
    }
    if (__argc >= 3 && strcmp(__argv[1], "setup") == 0) {
        CopyText(g_readyFile, sizeof(g_readyFile), __argv[2]);
        SetTimer(nullptr, 0, 100, WatchDialog);
        DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_TEST_SETUP), nullptr, SetupDlgProc, 0);
        return 0;
    }
    if (__argc >= 4 && strcmp(__argv[1], "update") == 0) {
        CopyText(g_readyFile, sizeof(g_readyFile), __argv[3]);
        return RunUpdateDialog(instance, strcmp(__argv[2], "1") == 0);
    }
    if (__argc >= 3 && strcmp(__argv[1], "about") == 0) {
        CopyText(g_readyFile, sizeof(g_readyFile), __argv[2]);
        return RunAboutBox(instance);
    }
    if (__argc >= 3 && strcmp(__argv[1], "archive") == 0) {
        CopyText(g_readyFile, sizeof(g_readyFile), __argv[2]);
        return RunArchiveDialog(instance);
    }
    if (__argc >= 5 && strcmp(__argv[1], "msgbox") == 0) {
        CopyText(g_readyFile, sizeof(g_readyFile), __argv[3]);
        SetTimer(nullptr, 0, 100, WatchDialog);
        // The command line cannot carry line feeds: "\n" in the text stands for one.
        char text[MESSAGEBOX_TEXT_MAX + 1];
        CopyText(text, sizeof(text), __argv[4]);
        for (char* p = strstr(text, "\\n"); p; p = strstr(p, "\\n")) {
            *p = '\n';
            memmove(p + 1, p + 2, strlen(p + 2) + 1);
        }
        AppMessageBox(&g_app, nullptr, nullptr, "%s", (uint32_t)strtoul(__argv[2], nullptr, 16), 0, text);
        return 0;
    }
    return 1;
}
