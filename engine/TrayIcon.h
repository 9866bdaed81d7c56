// TrayIcon.h - the program's own notification-area icon and its enabled state.
#pragma once

// Adds or refreshes (add nonzero) or removes the icon for the current state.
void UpdateAppTrayIcon(int add);
// Turns rule application on or off, with the icon to match.
void SetProgramEnabled(int enabled);
