// MainDialogLink.h - the engine's way to the main dialog: opening it and the
// few calls the engine makes into it while it is open. The dialog lives in
// the product UI above the engine; the program hands its entry points in at
// start-up.
#pragma once

#include <windows.h>

struct MainDialogEntryPoints {
    // Saves, refreshes the tray icon, creates the modeless dialog when it is
    // not open and brings it to the front. UI thread.
    void (*open)();
    // The dialog procedure's WM_COMMAND with a control id, for the dialog or
    // none when it is closed.
    void (*command)(HWND dialog, int controlId);
    // Keeps the rule tree's expanded states in the rules of the profile it shows.
    void (*storeTreeExpandState)();
    // Refills the profile box, selects the current profile, sets "Enabled".
    void (*fillProfileCombo)();
    // Frames the window in red, or removes the frame for null. UI thread.
    void (*showCaptureOverlay)(HWND window);
};

// Called once by the program before its message loop; null (or a program
// without the dialog) leaves stand-ins that only log.
void SetMainDialogEntryPoints(const MainDialogEntryPoints* entries);

void OpenMainDialog();
// The main dialog procedure called directly with WM_COMMAND and the control
// id, with the dialog's handle or none when it is closed.
void CallMainDialogCommand(int controlId);
// Keeps the rule tree's expanded states in the current profile's rules;
// nothing while the dialog is closed.
void StoreTreeExpandState();
// Refills the dialog's profile box (only while it is open).
void FillProfileCombo();
// The capture frame around the window, none for null (WM_CAPTUREFRAME).
void ShowCaptureFrame(HWND window);
