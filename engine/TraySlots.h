// TraySlots.h - the 64 slots of windows hidden to the notification area.
#pragma once

#include <windows.h>

// Slot ids, also the notification ids of their icons at the main window.
#define TRAY_SLOT_FIRST_ID 0x400
#define TRAY_SLOT_COUNT    64

// Commands of a slot's menu, at the main window (WM_COMMAND).
#define TRAY_SLOT_PIN     0x1001
#define TRAY_SLOT_CLOSE   0x1002
#define TRAY_SLOT_RESTORE 0x1003
#define TRAY_SLOT_SHOW    0x1004
#define TRAY_SLOT_HIDE    0x1005

// Hidden windows held in a slot still count as open for the monitor pass.
// Safe from any thread.
bool IsWindowInTraySlot(HWND window);
// The rest runs on the UI thread.
// The id of the slot holding the window, or -1.
int FindTraySlot(HWND window);
// The first Minimize to Tray entry that matches the window, or -1.
int FindTrayAppEntry(HWND window);
// Shows every window held in a slot again, then offers hidden windows of the
// listed programs (start-up and shutdown).
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
// A command of the menu of the slot whose menu was opened last.
void OnTraySlotCommand(WORD command);
// A monitored window (its table index) was minimised: 1 when it went to the
// tray instead, else 0. Sent by a pass that holds the table lock.
LRESULT OfferMinimizedWindowToTray(int tableIndex);
// The timer's sweep: pinned slots whose window is gone lose their icon.
void RemoveVanishedTrayIcons();
