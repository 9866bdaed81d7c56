// UIItemInput.cpp - the item window's procedure: presses, clicks, the
// framework's own double clicks, hover, leaving, and the menus they close.
#include "framework/ui/UIItem.h"

#include "framework/core/AppObject.h"
#include "framework/core/AppWindow.h"
#include "framework/ui/MenuPopup.h"
#include "framework/ui/UIItemClasses.h"

#include <windowsx.h>

static bool IsMenuItem(const CUIItem* item)
{
    return item->type == UIITEM_MENU;
}

// The owner may free the item while it handles a message the item sent.
static bool StillAlive(HWND window, const CUIItem* item)
{
    return GetWindowItem(window) == item;
}

// The first application window at or above a window (parents, then owners).
static AppWindow* FindEnclosingAppWindow(HWND window)
{
    for (HWND w = window; w; w = GetParent(w)) {
        AppWindow* r = FindAppWindowByHandle(&g_app, w);
        if (r) return r;
    }
    return nullptr;
}

static void SetOwnerStatusText(CUIItem* item, const char* text)
{
    AppWindow* r = FindEnclosingAppWindow(item->owner);
    if (r) SetStatusText(r, -2, text);
}

static HWND WindowUnderCursor()
{
    POINT p;
    return GetCursorPos(&p) ? WindowFromPoint(p) : nullptr;
}

static uint32_t HeldButtons()
{
    uint32_t held = 0;
    if (GetKeyState(VK_LBUTTON) & 0x8000) held |= ITEM_BUTTON_LEFT;
    if (GetKeyState(VK_RBUTTON) & 0x8000) held |= ITEM_BUTTON_RIGHT;
    if (GetKeyState(VK_MBUTTON) & 0x8000) held |= ITEM_BUTTON_MIDDLE;
    return held;
}

static int ButtonIndex(UINT message)
{
    switch (message) {
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP: return 1;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP: return 2;
    default: return 0;
    }
}

uint32_t GetMouseKeyState(UINT message)
{
    return (1u << ButtonIndex(message)) | HeldButtons();
}

//--- menus the toolkit closes

// The active menu-bar popup, told to its parent and with its hover text.
static void CloseMenuBarPopup(AppObject* app)
{
    CMenu* menu = (CMenu*)app->openRootPopup;
    if (!menu) return;
    if (menu->window) SendMessageA(GetParent(menu->window), ZRPMSG_SETPOPUP, 0, 0);
    HideMenuPopup(menu);
    app->openRootPopup = nullptr;
    AppWindow* bar = FindAppWindowById(app, app->menuWindowNumber);
    if (bar) SetStatusText(bar, -2, nullptr);
}

static CMenu* OpenPopupOfParent(CUIItem* item)
{
    HWND parent = item->window ? GetParent(item->window) : nullptr;
    return parent ? (CMenu*)SendMessageA(parent, ZRPMSG_GETPOPUP, 0, 0) : nullptr;
}

CMenu* CloseActiveMenu(AppObject* app, CUIItem* item)
{
    if (item) {
        CMenu* open = OpenPopupOfParent(item);
        if (open) {
            HideMenuPopup(open);
            SendMessageA(GetParent(item->window), ZRPMSG_SETPOPUP, 0, 0);
        }
        return open;
    }
    app->menuMode = 0;
    app->contextMenuTracking = 0;
    CMenu* closed = (CMenu*)app->openRootPopup;
    CloseMenuBarPopup(app);
    return closed;
}

//--- hover and clicks

void TrackItemHover(AppObject* app, CUIItem* item)
{
    if (app->contextMenuTracking && !item->parentMenu) return;
    CMenu* open = OpenPopupOfParent(item);
    if (item->parentMenu) {
        if (open && open != (CMenu*)item) CloseActiveMenu(app, item);
    } else if (!open) {
        if (app->openRootPopup) CloseActiveMenu(app, nullptr);
    } else if (open != (CMenu*)item) {
        CloseActiveMenu(app, item);
    }

    uint32_t flags = GetItemCommandFlags(item);
    bool held = (HeldButtons() & (ITEM_BUTTON_LEFT | ITEM_BUTTON_RIGHT)) != 0;
    uint32_t state = (flags & CMD_ENABLED) && WindowUnderCursor() == item->window && held ? CMD_HOT | CMD_PRESSED
                                                                                          : CMD_HOT;
    if (IsMenuItem(item) && app->menuMode && OpenPopupOfParent(item) != (CMenu*)item &&
        (!(flags & CMD_SPLITARROW) || IsCursorOnSplitArrow(item))) {
        RECT anchor;
        GetWindowRect(item->window, &anchor);
        ShowMenuPopup((CMenu*)item, &anchor);
    }
    SetItemCommandFlags(item, state, CMD_HOT | ((flags & CMD_KEEPPRESSED) ? 0 : CMD_PRESSED));
}

int ClickItem(AppObject* app, CUIItem* item, uint32_t buttons)
{
    uint32_t flags = GetItemCommandFlags(item);
    SetItemCommandFlags(item, 0, CMD_PRESSED | (IsMenuItem(item) ? CMD_ARROWPRESSED : 0));
    if (IsMenuItem(item)) {
        HWND window = item->window;
        bool arrowPressed = (flags & CMD_ARROWPRESSED) != 0;
        if (SendMessageA(item->owner, ZRPMSG_CANOPENPOPUP, item->commandId, buttons) == 1) arrowPressed = true;
        if (!StillAlive(window, item)) return 0;
        if (!(flags & CMD_SPLITARROW) || arrowPressed) {
            app->menuMode = 0;
            CMenu* open = OpenPopupOfParent(item);
            if (open) {
                HideMenuPopup(open);
                SendMessageA(GetParent(window), ZRPMSG_SETPOPUP, 0, 0);
            }
            // A second click on an open top-level menu closes it.
            if (open == (CMenu*)item && !item->parentMenu) return 0;
            RECT anchor;
            GetWindowRect(window, &anchor);
            return ShowMenuPopup((CMenu*)item, &anchor);
        }
    }
    if (item->type == UIITEM_SEPARATOR) return 0;
    // Closing the menu frees the items in its popup, this one among them.
    uint16_t id = item->commandId;
    HWND owner = item->owner;
    CloseMenuBarPopup(app);
    // Menu mode ends with its menu, or the filter would keep the keyboard
    // from accelerators and Tab until the next press.
    if (!app->openRootPopup) app->menuMode = 0;
    if (app->contextMenuTracking) {
        app->contextMenuResult = id;
        return 0;
    }
    SendMessageA(owner, ZRPMSG_COMMAND, (WPARAM)(buttons << 16 | id), 0);
    return 0;
}

//--- the window procedure

static bool OnSplitArrow(CUIItem* item, LPARAM lParam)
{
    RECT client;
    GetClientRect(item->window, &client);
    return GET_X_LPARAM(lParam) >= client.right - item->arrowWidth;
}

// False for a disabled command: the press is the default procedure's.
static bool OnButtonDown(AppObject* app, CUIItem* item, UINT message, LPARAM lParam)
{
    uint32_t flags = GetItemCommandFlags(item);
    if (!(flags & CMD_ENABLED)) return false;
    HWND window = item->window;
    app->pressedItemWindow = window;
    if (IsMenuItem(item) && (flags & CMD_SPLITARROW) && OnSplitArrow(item, lParam))
        SetItemCommandFlags(item, CMD_ARROWPRESSED, CMD_PRESSED);
    else
        SetItemCommandFlags(item, CMD_PRESSED, IsMenuItem(item) ? CMD_ARROWPRESSED : 0);
    SetCapture(window);
    // The framework tells double clicks itself, for every button and across
    // items: the class has no CS_DBLCLKS.
    uint64_t now = GetTickCount64();
    int b = ButtonIndex(message);
    uint64_t last = app->lastButtonDown[b];
    app->lastButtonDown[b] = now;
    if (last != 0 && now - last < app->doubleClickTime) NotifyItemOwner(item, GetMouseKeyState(message));
    return true;
}

static bool OnButtonUp(AppObject* app, CUIItem* item, UINT message, LPARAM lParam)
{
    HWND window = item->window;
    // Even a command disabled since the press gives the mouse back.
    if (GetCapture() == window) ReleaseCapture();
    if (!(GetItemCommandFlags(item) & CMD_ENABLED)) {
        if (app->pressedItemWindow == window) app->pressedItemWindow = nullptr;
        return false;
    }
    bool click = lParam == -1;
    if (!click) {
        POINT p = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        ClientToScreen(window, &p);
        click = app->pressedItemWindow && WindowFromPoint(p) == app->pressedItemWindow;
    }
    if (click) ClickItem(app, item, GetMouseKeyState(message));
    app->pressedItemWindow = nullptr;
    return true;
}

static void OnMouseLeave(AppObject* app, CUIItem* item)
{
    SetItemCommandFlags(item, 0, CMD_HOT | CMD_PRESSED | (IsMenuItem(item) ? CMD_ARROWPRESSED : 0));
    if (app->statusHoverItem == item) {
        app->statusHoverItem = nullptr;
        SetOwnerStatusText(item, nullptr);
    }
    if ((GetItemCommandFlags(item) & CMD_ENABLED) && !item->busy && app->hoverItemWindow == item->window)
        app->hoverItemWindow = nullptr;
}

static void OnMouseMove(AppObject* app, CUIItem* item, LPARAM lParam)
{
    uint32_t flags = GetItemCommandFlags(item);
    if (!(flags & CMD_ENABLED) || item->busy || (int32_t)lParam == item->lastMousePos) return;
    HWND window = item->window;
    if (lParam != -1) item->lastMousePos = (int32_t)lParam;
    bool over = WindowUnderCursor() == window;
    if (app->hoverItemWindow != window) {
        HWND previous = app->hoverItemWindow;
        if (previous) SendMessageA(previous, WM_MOUSELEAVE, 0, 0);
        if (!StillAlive(window, item)) return;
        app->hoverItemWindow = window;
        if (over && lParam != -1) {
            TRACKMOUSEEVENT track = {sizeof(track), TME_LEAVE, window, 0};
            TrackMouseEvent(&track);
        }
        SetOwnerStatusText(item, GetItemText(item, 2));
        app->statusHoverItem = item;
    }
    if ((flags & CMD_DRAGOUT) && !over && app->pressedItemWindow == window) {
        item->busy = 1;
        SendMessageA(item->owner, ZRPMSG_ITEMDRAGOUT, item->commandId, 0);
        if (GetCapture() == window) ReleaseCapture();
        if (!StillAlive(window, item)) return;
        item->busy = 0;
        PostMessageA(window, WM_MOUSELEAVE, 0, 0);
    }
    TrackItemHover(app, item);
    if (!StillAlive(window, item) || !IsMenuItem(item) || !(flags & CMD_SPLITARROW)) return;
    CMenu* menu = (CMenu*)item;
    uint8_t onArrow = IsCursorOnSplitArrow(item) ? 1 : 0;
    if (onArrow != menu->cursorOnArrow) {
        menu->cursorOnArrow = onArrow;
        InvalidateRect(window, nullptr, FALSE);
    }
}

static void OnSetFocus(HWND window, HWND losing)
{
    AppWindow* r = FindEnclosingAppWindow(GetParent(window));
    if (r) r->savedFocus = losing;
}

static void PaintItemWindow(CUIItem* item, HDC dc)
{
    RECT client;
    GetClientRect(item->window, &client);
    item->Paint(dc, &client);
}

LRESULT CALLBACK UIItemWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    CUIItem* item = GetWindowItem(window);
    if (!item) return DefWindowProcA(window, message, wParam, lParam);
    if (item->messageHook) {
        item->messageHook(window, message, wParam, lParam, item);
        if (!StillAlive(window, item)) return DefWindowProcA(window, message, wParam, lParam);
    }
    AppObject* app = &g_app;
    switch (message) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        if (OnButtonDown(app, item, message, lParam)) return 0;
        break;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
        if (OnButtonUp(app, item, message, lParam)) return 0;
        break;
    case WM_MOUSELEAVE:
        OnMouseLeave(app, item);
        return 0;
    case WM_MOUSEMOVE:
        OnMouseMove(app, item, lParam);
        return 0;
    case WM_SETFOCUS:
        OnSetFocus(window, (HWND)wParam);
        break;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        if (dc) PaintItemWindow(item, dc);
        EndPaint(window, &ps);
        return 0;
    }
    case WM_PRINTCLIENT:
        PaintItemWindow(item, (HDC)wParam);
        return 0;
    case WM_SIZE:
        item->OnSize();
        return 0;
    case WM_MOVE:
        InvalidateRect(window, nullptr, FALSE);
        return 0;
    case WM_ERASEBKGND:
        return 1;   // items paint their whole background
    case WM_NCDESTROY:
        DetachItemWindow(item);
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
