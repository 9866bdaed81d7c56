// TraySlots.h - the 64 slots of windows hidden to the notification area.
#pragma once

#include <windows.h>

// Hidden windows held in a slot still count as open for the monitor pass.
bool IsWindowInTraySlot(HWND window);
// Drops the window's slot and its icon (the window stays as it is).
void RemoveTrayIcon(HWND window);
// Shows every window held in a slot again (start-up and shutdown).
void RestoreAllFromTray();
