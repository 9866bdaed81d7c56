// MenuPopup.h - the popup window a menu item owns ("ZRPAppMenuPopup") and
// the opening and closing of it.
#pragma once

#include <windows.h>

class CMenu;
class CUIItem;

// Registers the popup class (with a drop shadow, else without); false when
// neither registers.
bool RegisterMenuPopupClass();
// 0, or a framework code.
int ShowMenuPopup(CMenu* menu, const RECT* anchor);
// Closes the popup and any popup open from it, freeing its items; 0.
int HideMenuPopup(CMenu* menu);
// The cursor is on the item's split-arrow part (right arrow-width pixels).
bool IsCursorOnSplitArrow(CUIItem* item);
LRESULT CALLBACK MenuPopupWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
