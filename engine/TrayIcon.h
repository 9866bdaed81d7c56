// TrayIcon.h - the program's own notification-area icon.
#pragma once

// Adds or refreshes (add nonzero) or removes the icon for the current state.
void UpdateAppTrayIcon(int add);
