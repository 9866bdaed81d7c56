// MainDialog.h - the main dialog: the current profile's rules as a tree,
// profile switching and enabling, rules from the open windows, and saving or
// discarding everything edited while it is open.
#pragma once

#include <windows.h>

struct MainDialogEntryPoints;

// The dialog's rule tree while the dialog is open, else null (the dialog
// itself is g_mainDialog). UI thread.
extern HWND g_ruleTree;

// What the program hands the engine at start-up (MainDialogLink.h).
const MainDialogEntryPoints* MainDialogEntries();

// Creates the modeless dialog (no owner) when it is not open; the dialog.
HWND CreateMainDialog();
INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
