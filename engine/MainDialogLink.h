// MainDialogLink.h - the engine's way to the main dialog: opening it and the
// few calls the engine makes into it while it is open.
#pragma once

#include <windows.h>

// Saves, refreshes the tray icon, creates the modeless main dialog when it is
// not open and brings it to the front. UI thread.
void OpenMainDialog();
// The main dialog procedure called directly with WM_COMMAND and the control
// id, with the dialog's handle or none when it is closed.
void CallMainDialogCommand(int controlId);
// Keeps the rule tree's expanded states in the current profile's rules.
void StoreTreeExpandState();
// Refills the dialog's profile box (only while it is open).
void FillProfileCombo();
