// EditWindow.h - Edit Window Properties: reads and changes the position,
// size, state, z-order and virtual desktop of one live window; Cancel puts
// back what the dialog changed.
#pragma once

#include <windows.h>

#include "engine/WindowTable.h"

// Modal over owner on a copy of the window's entry; 1 (OK) or 2 (Cancel).
// A window that is gone is left alone.
INT_PTR ShowEditWindowProperties(HWND owner, const MonitoredWindow* window);
INT_PTR CALLBACK EditWindowDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
