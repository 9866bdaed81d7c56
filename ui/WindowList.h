// WindowList.h - the Window List: every tracked window and the live log of
// window events; blinks a window's frame, makes a rule for a window and opens
// Edit Window Properties. Modeless; one at a time.
#pragma once

#include <windows.h>

#include <stdint.h>

// Creates the list (no owner) or brings the open one to the front; the dialog.
HWND OpenWindowList();
INT_PTR CALLBACK WindowListDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// Blinks the frame around the first selected row's window (3 times, 100 ms).
void BlinkSelectedListWindow();

// The column widths kept in "MonitorLV": three fractions of the list's width.
// A record that is not 24 bytes, or holds a width that is not a number in
// (0, 1], gives the defaults 0.5, 0.25 and 0.2.
void ReadColumnWidths(const void* record, uint32_t size, double widths[3]);

// Tests stand in for a slow window table: the hook runs on each refresh
// thread after it read the rows. Null runs none.
typedef void (*WindowListRefreshHook)();
void SetWindowListRefreshHook(WindowListRefreshHook hook);
