// TraySlots.h - the 64 slots of windows hidden to the notification area.
#pragma once

#include <windows.h>

// Hidden windows held in a slot still count as open for the monitor pass.
bool IsWindowInTraySlot(HWND window);
// Shows every window held in a slot again (start-up and shutdown).
void RestoreAllFromTray();
// Hides the window behind an icon of its own.
void MinimizeToTray(HWND window);
// Removes the icon of the window's slot and frees the slot (the window stays as it is).
void RemoveTrayIcon(HWND window);
// Drops the icon of a window that is gone or shown again, else refreshes its tip.
void UpdateTrayIcon(HWND window);
// Adds every slot's icon again after the taskbar was re-created.
void RecreateTrayIcons();
// A slot icon's callback: the slot id and the mouse message.
void OnTraySlotIcon(WPARAM slotId, LPARAM mouseMessage);
// A command of a slot's menu (0x1001 to 0x1005).
void OnTraySlotCommand(WORD command);
// A monitored window (its table index) was minimised: 1 when it went to the
// tray instead, else 0.
LRESULT OfferMinimizedWindowToTray(int tableIndex);
// The timer's sweep: pinned slots whose window is gone lose their icon.
void RemoveVanishedTrayIcons();
