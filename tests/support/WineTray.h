// WineTray.h - the notification area as Wine shows it without a desktop
// shell: a top-level "Wine System Tray" window whose child windows are the
// icons, left to right in the order they were added. Clicks on them go
// through the X server (xdotool), so they arrive as a user's would.
#pragma once

#include <windows.h>

#include <vector>

// The tray window, or null while no icon was ever shown.
HWND FindWineTray();
// The screen rectangles of the icons shown now, in add order.
std::vector<RECT> TrayIconRects();
int CountTrayIcons();
// Clicks the middle of a rectangle with an X button (1 left, 3 right); true
// when xdotool ran.
bool ClickAt(const RECT& rect, int button);
bool ClickAt(POINT point, int button);
// Keyboard and mouse input from inputsender.exe, a process of its own, as a
// user's: the key combination of a hotkey word, or a click at a screen point.
// True when every event was sent.
bool SendHotkeyInput(unsigned word);
bool SendClickInput(POINT point, bool right);
// The pixels of a screen rectangle, for telling two icons apart.
std::vector<COLORREF> ScreenPixels(const RECT& rect);
