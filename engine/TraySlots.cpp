// TraySlots.cpp - windows hidden to the notification area: none are held yet.
#include "engine/TraySlots.h"

bool IsWindowInTraySlot(HWND)
{
    return false;
}

void RestoreAllFromTray() {}
void MinimizeToTray(HWND) {}
void RemoveTrayIcon(HWND) {}
void UpdateTrayIcon(HWND) {}
void RecreateTrayIcons() {}
void OnTraySlotIcon(WPARAM, LPARAM) {}
void OnTraySlotCommand(WORD) {}

LRESULT OfferMinimizedWindowToTray(int)
{
    return 0;
}

void RemoveVanishedTrayIcons() {}
