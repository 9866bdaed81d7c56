// ItemMenu.cpp - menu items: their popup window, the split-arrow part and
// their painting.
#include "framework/ui/UIItemClasses.h"

#include "framework/core/AppObject.h"
#include "framework/core/MonitorTable.h"
#include "framework/ui/MenuPopup.h"
#include "framework/ui/Theme.h"

int CMenu::OnCreate(CommandEntry*, HWND parent, HWND, CMenu*)
{
    if (!RegisterMenuPopupClass()) return ZRP_ERR_WINDOW;
    popupWindow = CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, "ZRPAppMenuPopup", "",
                                  WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, 0, 0, 0, parent, nullptr,
                                  g_app.instance, nullptr);
    if (!popupWindow) return ZRP_ERR_WINDOW;
    SetWindowLongPtrA(popupWindow, GWLP_USERDATA, (LONG_PTR)this);
    return 0;
}

void CMenu::MeasureContent(const CommandEntry* row, int)
{
    if ((row->flags & CMD_SPLITARROW) || parentMenu) arrowWidth = 6 * GetItemMargin(GetWindowDpi(window));
}

void CMenu::OnDestroy()
{
    if (popupShown || popupItems.count > 0 || openChild) HideMenuPopup(this);
    // Nothing may keep pointing at this menu: the window it opened on, the
    // popup it opened from.
    if (window) {
        HWND parent = GetParent(window);
        if (parent && (CMenu*)SendMessageA(parent, ZRPMSG_GETPOPUP, 0, 0) == this)
            SendMessageA(parent, ZRPMSG_SETPOPUP, 0, 0);
    }
    if (parentMenu && parentMenu->openChild == this) parentMenu->openChild = nullptr;
    if (popupWindow) {
        HWND popup = popupWindow;
        popupWindow = nullptr;
        if (IsWindow(popup) && GetWindowLongPtrA(popup, GWLP_USERDATA) == (LONG_PTR)this) {
            SetWindowLongPtrA(popup, GWLP_USERDATA, 0);
            DestroyWindow(popup);
        }
    }
    FreeGrowArray(&popupItems);
}

CMenu::~CMenu()
{
    OnDestroy();   // nothing left when FreeUIItem ran it already
}

void CMenu::Paint(HDC dc, const RECT* client)
{
    BufferedPaint buffer;
    bool buffered = BeginItemPaint(this, &dc, client, &buffer);
    uint32_t flags = GetItemCommandFlags(this);
    ItemPaintState state;
    int pressed = GetItemPaintState(this, flags, &state);
    if (popupShown && !(flags & CMD_HOT)) {
        state.background = ITEM_BG_PRESSED;
        state.text = 2;
    }
    bool inMenu = parentMenu != nullptr;
    RECT arrow = *client;
    arrow.left = client->right - arrowWidth;
    if (!(flags & CMD_SPLITARROW)) {
        PaintItemCommon(this, dc, client, &state, pressed);
    } else {
        // Body and arrow part light up on their own.
        int m = GetItemMargin(GetWindowDpi(window));
        RECT body = *client;
        body.right = client->right - arrowWidth + 1;
        int bodyState = state.background, arrowState = state.background;
        if (flags & CMD_HOT) {
            bodyState = cursorOnArrow ? ITEM_BG_PRESSED : ITEM_BG_HOT;
            arrowState = cursorOnArrow ? ITEM_BG_HOT : ITEM_BG_PRESSED;
        }
        if (flags & CMD_PRESSED) bodyState = arrowState = ITEM_BG_PRESSED;
        if (flags & CMD_ARROWPRESSED) arrowState = ITEM_BG_PRESSED;
        int column = inMenu ? textHeight + 2 * m : 0;
        PaintItemBackground(&g_theme, dc, &body, bodyState, bodyState != ITEM_BG_NORMAL ? 0x5 : 0, column, -1, -1,
                            -1);
        PaintItemBackground(&g_theme, dc, &arrow, arrowState, arrowState != ITEM_BG_NORMAL ? 0xA : 0, 0, -1, -1, -1);
        LayoutItemParts(this, client, pressed, state.frame != 0, inMenu);
        DrawItemParts(this, dc, client, &state, pressed);
        if (flags & CMD_ARROWPRESSED) OffsetRect(&arrow, 1, 1);
    }
    if (inMenu)
        DrawArrowGlyph(&g_theme, dc, state.text, ARROW_RIGHT, &arrow);
    else if (flags & CMD_SPLITARROW)
        DrawArrowGlyph(&g_theme, dc, state.text, ARROW_DOWN, &arrow);
    EndItemPaint(&buffer, buffered);
}
