// MenuPopup.h - the popup window a menu item owns ("ZRPAppMenuPopup"):
// opening it beside its item on the item's monitor, closing it, the shared
// context menu, and the keys and presses of menu mode.
#pragma once

#include <windows.h>

#include <stdint.h>

struct AppObject;
class CMenu;
class CUIItem;

// Codes of ShowMenuPopup (besides ZRP_ERR_COMMAND_ID for an id not in the table).
#define MENU_ERR_ITEM   0xF003   // an item could not be made or kept
#define MENU_ERR_NOLIST 0xF010   // the owner gave no command list

// Registers the popup class (with a drop shadow, else without); false when
// neither registers.
bool RegisterMenuPopupClass();
// Fills the popup with one item per command of the menu's list and shows it
// beside the anchor (screen pixels); 0, or a framework code. A list with no
// items shows nothing and returns 0.
int ShowMenuPopup(CMenu* menu, const RECT* anchor);
// Closes the popup and any popup open from it, freeing its items (a caller's
// type-99 item only loses its windows and can show again); 0.
int HideMenuPopup(CMenu* menu);
// The cursor is on the item's split-arrow part (right arrow-width pixels).
bool IsCursorOnSplitArrow(CUIItem* item);
// Opens the popup of a menu command at a point (null: the cursor) for an
// owner, which also receives the clicks. Returns the shared context menu
// (borrowed; it lives as long as the process), or null with the framework
// code as the thread's last error. A second call replaces the first menu.
CMenu* TrackContextMenu(AppObject* app, uint16_t id, const POINT* at, HWND owner);
// The popup's background seen from a window at (dx, dy) in it: the label
// column's gradient, the menu colour and a raised edge.
void PaintMenuPopupBackground(CMenu* menu, HDC dc, int dx, int dy);
LRESULT CALLBACK MenuPopupWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

//--- menu mode (the message filter's turn while menus are open)

// Index of the popup's first item whose command is hot, or -1.
int FindDefaultMenuItem(AppObject* app, CMenu* popup);
// From start by step (+1 or -1), wrapping, at most once around: the first
// item that is no separator and enabled; when none is, the index reached
// after the full turn (start for an empty popup). A start of -1 begins
// before the first item (step +1) or after the last (step -1).
int StepMenuItem(AppObject* app, CMenu* popup, int start, int step);
// Leaves menu mode: the open popups close and the hover help goes.
#define MENUBAR_LEAVE 2
// -1 and 1 move to the previous or next menu-bar entry, MENUBAR_LEAVE
// leaves; 1 when there is no window to navigate in, else 0.
int NavigateMenuBar(AppObject* app, int mode);
// A press outside the open popups closes them (the press then goes on);
// keys move through them and are swallowed. True when consumed.
bool FilterMenuMessage(AppObject* app, MSG* msg);
// Closes every open menu and leaves menu mode.
void CloseAllMenus(AppObject* app);
// The framework hook: TrackContextMenu that only says whether it opened.
bool OpenContextMenuHook(AppObject* app, uint16_t id, const POINT* at, HWND owner);
