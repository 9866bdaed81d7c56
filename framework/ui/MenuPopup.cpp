// MenuPopup.cpp - the popup window of a menu item: its class, its procedure,
// opening it with one item per command of the menu's list, keeping it on its
// monitor, closing it with its items, and the shared context menu.
#include "framework/ui/MenuPopup.h"

#include "framework/core/AppObject.h"
#include "framework/core/AppWindow.h"
#include "framework/core/MonitorTable.h"
#include "framework/ui/Theme.h"
#include "framework/ui/UIItemClasses.h"

#include <new>

static const char kPopupClass[] = "ZRPAppMenuPopup";

// Pixels: items start at (3, 3); the popup is 6 wider and 3 higher than they
// are; a side popup opens 2 left of its item's right edge and 2 above its top.
static const int kItemInset = 3;
static const int kSideOverlap = 2;
static const int kLabelColumnExtra = 4;

bool RegisterMenuPopupClass()
{
    WNDCLASSA wc = {};
    wc.style = CS_DROPSHADOW;
    wc.lpfnWndProc = MenuPopupWndProc;
    wc.hInstance = g_app.instance;
    wc.hCursor = LoadCursorA(nullptr, (LPCSTR)IDC_ARROW);
    wc.lpszClassName = kPopupClass;
    if (RegisterClassA(&wc) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS) return true;
    wc.style = 0;
    return RegisterClassA(&wc) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

//--- opening

// The menu's list: the command row's, or the owner's for a row without one.
// -1 marks a row whose list is always the owner's (the " * " menu).
static const uint16_t* MenuCommandList(CMenu* menu, const CommandEntry* row)
{
    if (row && row->data != 0 && row->data != -1) return (const uint16_t*)row->data;
    AppWindow* record = FindAppWindowByHandle(&g_app, menu->owner);
    return (const uint16_t*)SendMessageA(menu->owner, ZRPMSG_GETMENUITEMS, menu->commandId, (LPARAM)record);
}

// Whether the item is the one a caller made for its command row (type 99).
static bool IsCallerItem(const CUIItem* item)
{
    const CommandEntry* row = FindItemCommand(item);
    return row && row->type == UIITEM_CALLER && (const CUIItem*)row->data == item;
}

// The popup's own items are freed; a caller's item belongs to its command
// row, which hands it to every opening: only its windows go.
static void ReleasePopupItem(CUIItem* item, bool callerMade)
{
    if (!callerMade) {
        FreeUIItem(item);
        return;
    }
    SetItemCommandFlags(item, 0, CMD_HOT | CMD_PRESSED);
    item->Destroy();
}

// Makes, creates and keeps one item of the popup; 0, or 0xF007 for an id not
// in the table, or 0xF003 for an item that cannot be made or kept. An item
// of an unknown type is left out.
static int AddPopupItem(CMenu* menu, uint16_t id)
{
    int at = FindCommandIndex(&g_app, id);
    if (at < 0) return ZRP_ERR_COMMAND_ID;
    const CommandEntry* row = &g_app.commands.data[at];
    bool callerMade = row->type == UIITEM_CALLER;
    CUIItem* item = CreateUIItemByType(row->type, callerMade ? (CUIItem*)row->data : nullptr);
    if (!item) return IsKnownItemType(row->type) ? MENU_ERR_ITEM : 0;
    // A caller's item already showing in another open popup has one window
    // only: it stays where it is.
    if (callerMade && item->window) return 0;
    if (item->Create(id, menu->popupWindow, menu->owner, menu) != 0 || ArrayAppend(&menu->popupItems, &item) < 0) {
        ReleasePopupItem(item, callerMade);
        return MENU_ERR_ITEM;
    }
    return 0;
}

// A menu item of the same parent window right above or below the item: the
// item sits in a bar of menus, so its popup opens to the side.
static bool HasMenuNeighbour(CMenu* menu)
{
    if (!menu->window || !IsWindowVisible(menu->window)) return false;
    RECT r;
    GetWindowRect(menu->window, &r);
    HWND parent = GetParent(menu->window);
    int middle = (r.left + r.right) / 2;
    POINT probes[2] = {{middle, r.bottom + 5}, {middle, r.top - 5}};
    for (POINT p : probes) {
        HWND w = WindowFromPoint(p);
        CUIItem* other = w && w != menu->window && GetParent(w) == parent ? GetWindowItem(w) : nullptr;
        if (other && other->type == UIITEM_MENU) return true;
    }
    return false;
}

// Stacks the items from (3, 3), as wide as the widest with the label column;
// the size of the stack.
static SIZE StackPopupItems(CMenu* menu)
{
    GrowArray<CUIItem*>* items = &menu->popupItems;
    int label = items->data[0]->height;
    for (int i = 0; i < items->count; i++)
        if (items->data[i]->iconColumnWidth > label) label = items->data[i]->iconColumnWidth;
    label += kLabelColumnExtra;
    menu->iconColumnWidth = label;
    int width = 0;
    for (int i = 0; i < items->count; i++) {
        CUIItem* item = items->data[i];
        int w = item->iconColumnWidth < label ? item->width + (label - item->iconColumnWidth) : item->width;
        if (w > width) width = w;
    }
    int y = kItemInset;
    for (int i = 0; i < items->count; i++) {
        CUIItem* item = items->data[i];
        item->x = kItemInset;
        item->y = y;
        item->width = width;
        SetWindowPos(item->window, nullptr, kItemInset, y, width, item->height,
                     SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
        y += item->height;
    }
    return SIZE{width, y};
}

// Beside the anchor for popups in popups and menu bars, else below it; then
// turned back onto the monitor that holds its corner.
static POINT PlacePopup(CMenu* menu, const RECT* anchor, int width, int height)
{
    bool side = menu->parentMenu != nullptr || HasMenuNeighbour(menu);
    POINT at = side ? POINT{anchor->right - kSideOverlap, anchor->top - kSideOverlap}
                    : POINT{anchor->left, anchor->bottom};
    int index = MonitorFromPointIndex(at.x, at.y, false);
    MonitorTable monitors;
    GetMonitorSnapshot(&monitors);
    if (index < 0 || index >= monitors.count) return at;
    const RECT& screen = monitors.monitorRects[index];
    if (at.x + width > screen.right) at.x = side ? anchor->left - width : anchor->right - width;
    if (at.y + height > screen.bottom) at.y = side ? anchor->bottom - height : anchor->top - height;
    return at;
}

int ShowMenuPopup(CMenu* menu, const RECT* anchor)
{
    if (!menu || !menu->popupWindow || !anchor) return ZRP_ERR_WINDOW;
    SetWindowPos(menu->popupWindow, nullptr, anchor->left, anchor->top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    const uint16_t* list = MenuCommandList(menu, FindItemCommand(menu));
    if (!list) return MENU_ERR_NOLIST;
    menu->commandList = list;

    HWND parent = menu->window ? GetParent(menu->window) : nullptr;
    if (parent) SendMessageA(parent, ZRPMSG_SETPOPUP, 0, (LPARAM)menu);
    if (!g_app.openRootPopup) g_app.openRootPopup = menu;

    for (const uint16_t* id = list; *id != CMD_LIST_END; id++) {
        int rc = AddPopupItem(menu, *id);
        if (rc != 0) return rc;
    }
    if (menu->popupItems.count == 0) {
        // Nothing to show: no trace of an open popup is left either.
        if (parent && (CMenu*)SendMessageA(parent, ZRPMSG_GETPOPUP, 0, 0) == menu)
            SendMessageA(parent, ZRPMSG_SETPOPUP, 0, 0);
        if (g_app.openRootPopup == menu) g_app.openRootPopup = nullptr;
        return 0;
    }

    g_app.menuMode = 1;
    SIZE stack = StackPopupItems(menu);
    int width = stack.cx + 2 * kItemInset, height = stack.cy + kItemInset;
    POINT at = PlacePopup(menu, anchor, width, height);
    SetWindowPos(menu->popupWindow, HWND_TOPMOST, at.x, at.y, width, height, SWP_NOACTIVATE | SWP_SHOWWINDOW);
    menu->popupShown = 1;
    return 0;
}

//--- closing

int HideMenuPopup(CMenu* menu)
{
    if (!menu) return 0;
    menu->popupShown = 0;
    if (menu->openChild) {
        CMenu* child = menu->openChild;
        menu->openChild = nullptr;
        HideMenuPopup(child);
    }
    if (menu->popupWindow) ShowWindow(menu->popupWindow, SW_HIDE);
    while (menu->popupItems.count > 0) {
        CUIItem* item = menu->popupItems.data[menu->popupItems.count - 1];
        ArrayRemoveAt(&menu->popupItems, menu->popupItems.count - 1);
        ReleasePopupItem(item, IsCallerItem(item));
    }
    if (g_app.openRootPopup == menu) g_app.openRootPopup = nullptr;
    if (menu->window) InvalidateRect(menu->window, nullptr, TRUE);
    return 0;
}

bool IsCursorOnSplitArrow(CUIItem* item)
{
    POINT p;
    RECT client;
    if (!item->window || !GetCursorPos(&p) || !GetClientRect(item->window, &client)) return false;
    ScreenToClient(item->window, &p);
    return p.x >= client.right - item->arrowWidth;
}

//--- the shared context menu

// Made on first use and kept for the life of the process.
static CMenu* g_contextMenu;

CMenu* TrackContextMenu(AppObject* app, uint16_t id, const POINT* at, HWND owner)
{
    CloseActiveMenu(app, nullptr);
    if (!g_contextMenu) g_contextMenu = new (std::nothrow) CMenu;
    if (!g_contextMenu) {
        SetLastError(MENU_ERR_ITEM);
        return nullptr;
    }
    CMenu* menu = g_contextMenu;
    menu->type = UIITEM_MENU;
    // Its windows belong to the last owner: the new one gets its own.
    if (menu->popupShown) HideMenuPopup(menu);
    menu->Destroy();
    int rc = menu->Create(id, owner, owner, nullptr);
    if (rc == 0) {
        POINT p = {0, 0};
        if (at)
            p = *at;
        else
            GetCursorPos(&p);
        RECT anchor = {p.x, p.y, p.x, p.y};
        SetForegroundWindow(owner);
        rc = ShowMenuPopup(menu, &anchor);
    }
    if (rc != 0 || !menu->popupShown) {
        SetLastError((DWORD)rc);
        return nullptr;
    }
    return menu;
}

bool OpenContextMenuHook(AppObject* app, uint16_t id, const POINT* at, HWND owner)
{
    return TrackContextMenu(app, id, at, owner) != nullptr;
}

//--- painting

void PaintMenuPopupBackground(CMenu* menu, HDC dc, int dx, int dy)
{
    RECT client;
    GetClientRect(menu->popupWindow, &client);
    OffsetRect(&client, -dx, -dy);
    const COLORREF* c = g_theme.colours;
    RECT label = client;
    label.right = client.left + menu->iconColumnWidth;
    RECT rest = client;
    rest.left = label.right;
    FillGradient(dc, c[36], c[37], &label, false);
    FillRectWithColor(dc, &rest, c[38]);
    Draw3DEdge(dc, &client, true, c[2], c[3]);
}

static void PaintPopup(CMenu* menu, HDC dc)
{
    RECT client;
    GetClientRect(menu->popupWindow, &client);
    BufferedPaint buffer;
    bool buffered = BeginBufferedPaint(&buffer, &dc, client.right, client.bottom);
    PaintMenuPopupBackground(menu, dc, 0, 0);
    if (buffered) EndBufferedPaint(&buffer);
}

// Small rounded corners where the desktop window manager draws them.
static void AskForRoundedCorners(HWND window)
{
    typedef HRESULT(WINAPI * SetAttribute)(HWND, DWORD, LPCVOID, DWORD);
    HMODULE dwm = LoadLibraryA("dwmapi.dll");
    if (!dwm) return;
    SetAttribute set = (SetAttribute)(void*)GetProcAddress(dwm, "DwmSetWindowAttribute");
    const DWORD kCornerPreference = 33, kRoundSmall = 3;
    if (set) set(window, kCornerPreference, &kRoundSmall, sizeof(kRoundSmall));
    FreeLibrary(dwm);
}

LRESULT CALLBACK MenuPopupWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CREATE) AskForRoundedCorners(window);
    // Null until the menu stores itself after creation, and after its teardown.
    CMenu* menu = (CMenu*)GetWindowLongPtrA(window, GWLP_USERDATA);
    if (!menu) return DefWindowProcA(window, message, wParam, lParam);
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        if (dc) PaintPopup(menu, dc);
        EndPaint(window, &ps);
        g_app.menuMode = 1;
        return 0;
    }
    case WM_PRINTCLIENT:
        PaintPopup(menu, (HDC)wParam);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case ZRPMSG_PAINTBACKGROUND:
        PaintMenuPopupBackground(menu, (HDC)wParam, (short)LOWORD(lParam), (short)HIWORD(lParam));
        return 1;
    case ZRPMSG_SETPOPUP:
        menu->openChild = (CMenu*)lParam;
        return 0;
    case ZRPMSG_GETPOPUP:
        return (LRESULT)menu->openChild;
    case WM_NCDESTROY:
        // Gone with its owner before the menu was freed.
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        menu->popupWindow = nullptr;
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
