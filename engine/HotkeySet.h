// HotkeySet.h - registering a dialog's hotkeys as one set: either the whole
// new set is registered or the previous registrations are back as they were.
#pragma once

#include <windows.h>

#include <stdint.h>

struct HotkeySetEntry {
    int      id;      // hotkey id on the window
    uint16_t word;    // low byte virtual key, high byte modifiers; 0 none
    int      field;   // the caller's tag for the entry (a control id), named on failure
};

// Puts next in place of current on window: current's registrations are
// released, then next's made. When one of next cannot be registered (another
// program holds it, or an earlier entry of next has its word), next's
// registrations made so far are released and current's are made again.
// Returns -1 on success, else the index in next of the entry that failed.
// Entries whose word is 0 are neither registered nor released.
int ReplaceHotkeySet(HWND window, const HotkeySetEntry* current, int currentCount, const HotkeySetEntry* next,
                     int nextCount);
