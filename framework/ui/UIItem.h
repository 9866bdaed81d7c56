// UIItem.h - the UI item toolkit: owner-drawn items bound to a command, each
// in its own "ZRPAppUIItem" window, measured, laid out and painted with the
// theme at its window's DPI, turning mouse input into messages for its owner.
#pragma once

#include <windows.h>

#include <stdint.h>

#include "framework/core/CommandTable.h"

struct AppObject;
class CMenu;
class CUIItem;

// Type codes (a separator keeps 0).
#define UIITEM_SEPARATOR 0
#define UIITEM_BUTTON    1
#define UIITEM_STATIC    2
#define UIITEM_MENU      3
#define UIITEM_TREE      5
#define UIITEM_LIST      6
#define UIITEM_SLIDER    9
#define UIITEM_BRUSHSIZE 10
#define UIITEM_COLOR     11
#define UIITEM_PALETTE   12
#define UIITEM_CALLER    99   // the caller made the item itself

// Button bits of ZRPMSG_ITEMNOTIFY codes and of ZRPMSG_COMMAND's high word.
#define ITEM_BUTTON_LEFT   1
#define ITEM_BUTTON_RIGHT  2
#define ITEM_BUTTON_MIDDLE 4

// Called first with every message the item's window receives.
typedef void (*ItemMessageHook)(HWND window, UINT message, WPARAM wParam, LPARAM lParam, CUIItem* item);

// One item. Construct with CreateUIItemByType (or new for a caller-made
// item), Create, and free with FreeUIItem, which runs the subclass's own
// teardown before the object goes.
class CUIItem {
public:
    CUIItem();
    CUIItem(const CUIItem&) = delete;
    CUIItem& operator=(const CUIItem&) = delete;

    // The operations keep this slot order; the destructor comes after them.
    // 0, or ZRP_ERR_WINDOW.
    virtual int Create(uint16_t id, HWND parent, HWND owner, CMenu* parentMenu);
    // 0, or a code that fails Create. row is null for an id not in the table.
    virtual int OnCreate(CommandEntry* row, HWND parent, HWND owner, CMenu* parentMenu);
    virtual void CalcSize(const CommandEntry* row, int orientation);
    // Orientation 1 is vertical.
    virtual void MeasureContent(const CommandEntry* row, int orientation);
    virtual void Destroy();
    virtual void OnDestroy();
    virtual void Paint(HDC dc, const RECT* client) = 0;
    virtual void OnSize();
    virtual void ReservedHook(uint32_t value);
    virtual bool Refresh(int flag);
    virtual bool OnRefresh(int flag);
    virtual ~CUIItem();

    HWND     window = nullptr;         // the item window; 0 until Create
    HWND     owner = nullptr;          // receives every message the item sends
    uint16_t commandId = 0xFFFF;
    uint32_t flagsCopy = 0;            // the command's flags at the last CalcSize
    uint32_t type = UIITEM_SEPARATOR;
    int32_t  x = 0, y = 0, width = 0, height = 0;
    // -1 while CalcSize runs: not measured yet.
    int32_t  iconWidth = 0, iconHeight = 0;
    int32_t  contentWidth = 0, contentHeight = 0;
    int32_t  textWidth = 0, textHeight = 0;
    int32_t  shortcutWidth = 0, shortcutHeight = 0;
    int32_t  arrowWidth = 0;
    int32_t  extraHeight = 0;
    CMenu*   parentMenu = nullptr;     // the popup the item sits in
    int32_t  iconColumnWidth = 0;
    int32_t  lastMousePos = 0;         // lParam of the last mouse move
    int32_t  busy = 0;                 // set while the drag-out notice is sent
    RECT     iconRect = {}, textRect = {}, contentRect = {}, shortcutRect = {};
    ItemMessageHook messageHook = nullptr;
};

//--- making and freeing items

// A new item of the type's class (caller frees with FreeUIItem); type 99
// returns object itself, which stays its maker's; null for any other code.
CUIItem* CreateUIItemByType(uint32_t type, CUIItem* object);
// Runs the item's own teardown (its windows and data), removes it from the
// application and deletes it. Null is fine.
void FreeUIItem(CUIItem* item);
// The item a window holds, or null (before Create stored it, after teardown).
CUIItem* GetWindowItem(HWND window);

//--- toolkit

// The item's command row (borrowed until the table changes), or null.
CommandEntry* FindItemCommand(const CUIItem* item);
// Text of a string column of the item's command, or null (borrowed).
const char* GetItemText(CUIItem* item, int column);

struct ItemPaintState {
    int background;   // ITEM_BG_*
    int text;         // text state 0 disabled, 1 enabled, 2 hot or pressed
    int frame;        // 1: framed (flag 0x10 outside menus)
    int bold;
};
// Returns the pressed bit (1 when the flags hold 0x400).
int GetItemPaintState(const CUIItem* item, uint32_t flags, ItemPaintState* state);
// The four part rectangles for a client rectangle; offset 1 moves them while
// the item is pressed.
void LayoutItemParts(CUIItem* item, const RECT* client, int offset, bool framed, bool inMenu);
// The margin unit at a DPI: a space of the user font.
int GetItemMargin(UINT dpi);

uint32_t GetMouseKeyState(UINT message);
// flags = (flags & ~clear) | set on the item's command; redrawn on a change.
void SetItemCommandFlags(CUIItem* item, uint32_t set, uint32_t clear);
// Redraws at once every live item bound to the command (the command table's
// redraw, handed to the core through its hooks).
void RedrawItemsOfCommand(AppObject* app, uint16_t id);
// Whether the factory knows the type code.
bool IsKnownItemType(uint32_t type);
// ZRPMSG_ITEMNOTIFY to the owner: wParam code << 16 | command id.
void NotifyItemOwner(CUIItem* item, uint32_t code);

int ClickItem(AppObject* app, CUIItem* item, uint32_t buttons);
void TrackItemHover(AppObject* app, CUIItem* item);
// Closes the popup open on the item's parent window (or, without an item,
// the active menu-bar popup); the closed menu, or null.
CMenu* CloseActiveMenu(AppObject* app, CUIItem* item);

LRESULT CALLBACK UIItemWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
