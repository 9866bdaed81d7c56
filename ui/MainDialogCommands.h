// MainDialogCommands.h - the main dialog's buttons, its profile box and the
// closing steps they share with the procedure.
#pragma once

#include <windows.h>

// WM_COMMAND of a control (dialog may be null: the command line calls the
// rule-creation commands with the dialog closed).
void RunMainDialogButton(HWND dialog, int id, int notification, LPARAM lParam);
// Every profile's name in list order, the current one selected, "Enabled" set.
void FillMainProfileCombo(HWND dialog);

// Apply: the worker woken, the backup moved to now, everything saved.
void ApplyMainDialogChanges(HWND dialog);
// OK: closed, then the worker woken and everything saved.
void CloseMainDialogSaving(HWND dialog);
// Cancel: after asking when something changed, the profile list as it was.
void CancelMainDialog(HWND dialog);
