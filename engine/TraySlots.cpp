// TraySlots.cpp - windows hidden to the notification area: none are held yet.
#include "engine/TraySlots.h"

bool IsWindowInTraySlot(HWND)
{
    return false;
}

void RemoveTrayIcon(HWND) {}

void RestoreAllFromTray() {}
