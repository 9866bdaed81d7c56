// MenuPopup.cpp - the popup window of a menu item: its class, its procedure,
// and closing it with its items.
#include "framework/ui/MenuPopup.h"

#include "framework/core/AppObject.h"
#include "framework/ui/UIItemClasses.h"

static const char kPopupClass[] = "ZRPAppMenuPopup";

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

// A menu opens nothing yet: filling, stacking and placing the popup's items
// is the popup menus' part.
int ShowMenuPopup(CMenu*, const RECT*)
{
    return 0;
}

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
        FreeUIItem(item);
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

LRESULT CALLBACK MenuPopupWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    // Null until the menu stores itself after creation, and after its teardown.
    CMenu* menu = (CMenu*)GetWindowLongPtrA(window, GWLP_USERDATA);
    if (!menu) return DefWindowProcA(window, message, wParam, lParam);
    switch (message) {
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
