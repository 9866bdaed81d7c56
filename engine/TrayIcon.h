// TrayIcon.h - the program's own notification-area icon and its enabled state.
#pragma once

#include <windows.h>

// Icon resources of the program's tray icon.
#define TRAY_ICON_ENABLED  1
#define TRAY_ICON_DISABLED 10

// show 1: shows or refreshes the icon for the current state (when the options
// want it); otherwise removes it. Nothing before the main window exists.
void UpdateAppTrayIcon(int show);
// Turns rule application on or off, with the icon to match.
void SetProgramEnabled(int enabled);
// The tray menu at the cursor, owned by the window.
void ShowAppTrayMenu(HWND owner);
