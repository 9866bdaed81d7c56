// MenuKeyboard.cpp - menu mode in the message filter: presses outside the
// open popups close them, and the keys move the highlight through them.
#include "framework/ui/MenuPopup.h"

#include "framework/core/AppObject.h"
#include "framework/core/AppWindow.h"
#include "framework/ui/UIItemClasses.h"

static bool IsSeparatorItem(const CUIItem* item)
{
    return item->type == UIITEM_SEPARATOR || item->commandId == CMD_SEPARATOR;
}

static bool CanHighlight(CUIItem* item)
{
    return !IsSeparatorItem(item) && (GetItemCommandFlags(item) & CMD_ENABLED);
}

int FindDefaultMenuItem(AppObject*, CMenu* popup)
{
    if (!popup) return -1;
    for (int i = 0; i < popup->popupItems.count; i++)
        if (GetItemCommandFlags(popup->popupItems.data[i]) & CMD_HOT) return i;
    return -1;
}

int StepMenuItem(AppObject*, CMenu* popup, int start, int step)
{
    int count = popup ? popup->popupItems.count : 0;
    if (count == 0) return start;
    if (start < 0 || start >= count) start = step > 0 ? -1 : count;
    int at = start;
    for (int n = 0; n < count; n++) {
        at += step;
        if (at >= count) at = 0;
        if (at < 0) at = count - 1;
        if (CanHighlight(popup->popupItems.data[at])) return at;
    }
    return at;
}

// The next visible menu-bar entry from start by step, wrapping; -1 when none.
static int StepMenuBarItem(AppObject* app, int start, int step)
{
    int count = app->menuBarItems.count;
    int at = start < 0 ? (step > 0 ? -1 : count) : start;
    for (int n = 0; n < count; n++) {
        at = (at + step + count) % count;
        CUIItem* item = (CUIItem*)app->menuBarItems.data[at];
        if (item->window && IsWindowVisible(item->window) && CanHighlight(item)) return at;
    }
    return -1;
}

// Moves the highlight onto an item as the pointer would (lParam -1: no real
// position); a menu item's own popup opens with it in menu mode.
static void Highlight(CUIItem* item)
{
    if (item && item->window) SendMessageA(item->window, WM_MOUSEMOVE, 0, -1);
}

static void HighlightFirst(AppObject* app, CMenu* popup)
{
    int at = StepMenuItem(app, popup, -1, 1);
    if (at >= 0 && at < popup->popupItems.count && CanHighlight(popup->popupItems.data[at]))
        Highlight(popup->popupItems.data[at]);
}

int NavigateMenuBar(AppObject* app, int mode)
{
    AppWindow* menuWindow = FindAppWindowById(app, app->menuWindowNumber);
    if (mode == MENUBAR_LEAVE) {
        CUIItem* current = (CUIItem*)app->menuBarItem;
        app->menuBarItem = nullptr;
        if (current && current->window) SendMessageA(current->window, WM_MOUSELEAVE, 0, 0);
        FreeGrowArray(&app->menuBarItems);
        CloseActiveMenu(app, nullptr);
        if (menuWindow) SetStatusText(menuWindow, -2, nullptr);
        return menuWindow ? 0 : 1;
    }
    if (!menuWindow) return 1;
    int at = -1;
    for (int i = 0; i < app->menuBarItems.count; i++)
        if (app->menuBarItems.data[i] == app->menuBarItem) at = i;
    int next = StepMenuBarItem(app, at, mode < 0 ? -1 : 1);
    if (next < 0 || next == at) return 0;
    CUIItem* previous = (CUIItem*)app->menuBarItem;
    CMenu* item = (CMenu*)app->menuBarItems.data[next];
    CloseActiveMenu(app, item);
    if (previous && previous->window) SendMessageA(previous->window, WM_MOUSELEAVE, 0, 0);
    app->menuBarItem = item;
    RECT anchor;
    GetWindowRect(item->window, &anchor);
    ShowMenuPopup(item, &anchor);
    app->menuMode = 1;
    return 0;
}

void CloseAllMenus(AppObject* app)
{
    NavigateMenuBar(app, MENUBAR_LEAVE);
}

//--- the filter

// The open popups, and the item the first of them opened from.
static bool IsInsideOpenMenus(AppObject* app, HWND window)
{
    CMenu* root = (CMenu*)app->openRootPopup;
    if (!root || !window) return false;
    if (window == root->window) return true;
    for (CMenu* m = root; m; m = m->openChild)
        if (m->popupWindow && (window == m->popupWindow || IsChild(m->popupWindow, window))) return true;
    return false;
}

// The popup the keys act on: the first from the root with a highlighted
// item, else the innermost open one.
static CMenu* KeyTarget(AppObject* app)
{
    CMenu* innermost = (CMenu*)app->openRootPopup;
    for (CMenu* m = innermost; m && m->popupShown; m = m->openChild) {
        if (FindDefaultMenuItem(app, m) >= 0) return m;
        innermost = m;
    }
    return innermost;
}

// Closes a popup that opened from an item of another popup and leaves that
// item highlighted.
static void ReturnToOpeningItem(AppObject* app, CMenu* popup)
{
    HideMenuPopup(popup);
    if (popup->window) SendMessageA(GetParent(popup->window), ZRPMSG_SETPOPUP, 0, 0);
    SetItemCommandFlags(popup, CMD_HOT, 0);
    app->hoverItemWindow = popup->window;
}

static void OnMenuKey(AppObject* app, WPARAM key)
{
    CMenu* popup = KeyTarget(app);
    if (!popup) return;
    int current = FindDefaultMenuItem(app, popup);
    CUIItem* item = current >= 0 ? popup->popupItems.data[current] : nullptr;
    switch (key) {
    case VK_RETURN:
        if (item) SendMessageA(item->window, WM_LBUTTONUP, 0, -1);
        return;
    case VK_UP:
    case VK_DOWN: {
        int next = StepMenuItem(app, popup, current, key == VK_DOWN ? 1 : -1);
        if (next >= 0 && next < popup->popupItems.count && next != current &&
            CanHighlight(popup->popupItems.data[next]))
            Highlight(popup->popupItems.data[next]);
        return;
    }
    case VK_RIGHT:
        if (item && item->type == UIITEM_MENU && (GetItemCommandFlags(item) & CMD_SPLITARROW)) {
            CMenu* sub = (CMenu*)item;
            if (!sub->popupShown) {
                CloseActiveMenu(app, item);
                RECT anchor;
                GetWindowRect(item->window, &anchor);
                if (ShowMenuPopup(sub, &anchor) != 0) return;
            }
            HighlightFirst(app, sub);
        } else if (popup->openChild && popup->openChild->popupShown) {
            HighlightFirst(app, popup->openChild);
        } else {
            HWND front = GetForegroundWindow();
            DWORD pid = 0;
            if (front) GetWindowThreadProcessId(front, &pid);
            if (pid == GetCurrentProcessId()) NavigateMenuBar(app, 1);
        }
        return;
    case VK_LEFT:
        if (popup->parentMenu)
            ReturnToOpeningItem(app, popup);
        else
            NavigateMenuBar(app, -1);
        return;
    case VK_ESCAPE:
        if (popup->parentMenu)
            ReturnToOpeningItem(app, popup);
        else
            NavigateMenuBar(app, MENUBAR_LEAVE);
        return;
    case VK_MENU:
        NavigateMenuBar(app, MENUBAR_LEAVE);
        return;
    }
}

bool FilterMenuMessage(AppObject* app, MSG* msg)
{
    switch (msg->message) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_NCLBUTTONDOWN:
    case WM_NCRBUTTONDOWN:
    case WM_NCMBUTTONDOWN:
        if (!IsInsideOpenMenus(app, msg->hwnd)) CloseAllMenus(app);
        return false;
    case WM_SYSKEYUP:
        if (msg->wParam == VK_MENU) NavigateMenuBar(app, MENUBAR_LEAVE);
        return true;
    case WM_KEYDOWN: {
        CMenu* root = (CMenu*)app->openRootPopup;
        if (!root || !root->popupShown) return false;
        OnMenuKey(app, msg->wParam);
        return true;
    }
    }
    return false;
}
