// OpenWhenFree.h - the main dialog's property dialogs copy live rules and
// profiles as they open. A click that comes while the rules are busy (a wait
// of this thread for the table lock pumps, a live edit runs or waits, or the
// worker holds the lock) opens its dialog once they are free, instead of
// being lost.
#pragma once

#include <windows.h>

// True when the dialog may open now. Otherwise the command (message and
// command id, as the main dialog receives them) comes to the main dialog
// again once the rules are free; after 10 s of busy rules the user is told.
bool OpenWhenFree(HWND mainDialog, UINT message, int command);
// WM_TIMER of the main dialog: true when the timer was one of these.
bool RetryOpenWhenFree(HWND mainDialog, UINT_PTR timer);
// The main dialog closes: nothing waits any more.
void ForgetOpenWhenFree(HWND mainDialog);
