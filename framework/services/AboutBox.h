// AboutBox.h - the About box: the product and its version, the program and
// data folders as links, and the configuration services (backup, restore,
// reset, archive settings, update check).
#pragma once

#include <windows.h>

// Runs the About box modally over owner, or without an owner over the
// foreground window when that is one of this program's. The last error after
// the dialog.
DWORD ShowAboutBox(HWND owner, LPARAM parameter);
INT_PTR CALLBACK AboutDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
