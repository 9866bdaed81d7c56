// WindowListInternal.h - what the Window List's files share: its list, the
// coalesced refresh and the rows it hands to the UI thread, the cells.
#pragma once

#include <windows.h>

#include "framework/ui/ListControl.h"

// To the Window List from its refresh thread: wParam the refresh's
// generation, lParam a WindowRows block the receiver frees with free().
#define WM_WLIST_ROWS (WM_APP + 0x30)
// The short timer that gathers refresh requests into one.
#define WLIST_REFRESH_TIMER 0x4322

// The list while the dialog is open, else null. UI thread.
extern CList* g_windowRows;

// Asks for a refresh: many asks before it starts make one.
void RequestWindowListRefresh(HWND dialog);
// The dialog opens: the first refresh starts at once, not after the gathering delay.
void StartFirstWindowListRefresh(HWND dialog);
// The timer: starts the refresh thread unless one runs (then asks again later).
void OnWindowListRefreshTimer(HWND dialog);
// The rows a refresh read, put into the list with the selection and top row kept.
void ApplyWindowListRows(HWND dialog, WPARAM generation, LPARAM rows);
// The dialog closes: rows of refreshes still running are thrown away.
void ForgetWindowListRefresh();

void DrawWindowListRow(const DRAWITEMSTRUCT* item);
int CompareWindowListRows(const COMPAREITEMSTRUCT* item);
