// MainDialogCommands.h - the main dialog's buttons, its profile box and the
// closing steps they share with the procedure.
#pragma once

#include <windows.h>

// WM_COMMAND of a control (dialog may be null). The buttons that change live
// profiles run as live edits (LiveEdit.h): queued while another change runs.
void RunMainDialogButton(HWND dialog, int id, int notification, LPARAM lParam);
// New, All Windows or Update at once, for a caller that is itself a live edit
// (the command line's "-ALLWIN" and "-UPDATE"), with the dialog open or not.
void RunRulesFromWindows(int id);
// Every profile's name in list order, the current one selected, "Enabled" set.
void FillMainProfileCombo(HWND dialog);

// Apply: the backup moved to now (the old one kept until the new one is
// complete), the worker woken, everything saved; when the lock is busy, as
// soon as it is free.
void ApplyMainDialogChanges(HWND dialog);
// OK: closed, then the worker woken and everything saved.
void CloseMainDialogSaving(HWND dialog);
// Cancel: after asking when something changed, the profile list as it was
// (only from a backup that was taken). While another change runs or waits,
// the question comes at once when the lock is free, the restore after that
// change; else Cancel runs after it.
void CancelMainDialog(HWND dialog);
