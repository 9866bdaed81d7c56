// HotkeySet.cpp - registering a set of hotkeys with rollback.
#include "engine/HotkeySet.h"

static void ReleaseAll(HWND window, const HotkeySetEntry* set, int count)
{
    for (int i = 0; i < count; i++)
        if (set[i].word) UnregisterHotKey(window, set[i].id);
}

static bool RegisterOne(HWND window, const HotkeySetEntry& e)
{
    return RegisterHotKey(window, e.id, e.word >> 8, e.word & 0xFF) != FALSE;
}

int ReplaceHotkeySet(HWND window, const HotkeySetEntry* current, int currentCount, const HotkeySetEntry* next,
                     int nextCount)
{
    ReleaseAll(window, current, currentCount);
    int failed = -1;
    for (int i = 0; i < nextCount && failed < 0; i++) {
        if (!next[i].word) continue;
        // One key cannot drive two entries of a set.
        for (int j = 0; j < i; j++)
            if (next[j].word == next[i].word) failed = i;
        if (failed < 0 && !RegisterOne(window, next[i])) failed = i;
    }
    if (failed < 0) return -1;
    ReleaseAll(window, next, failed);
    for (int i = 0; i < currentCount; i++)
        if (current[i].word) RegisterOne(window, current[i]);
    return failed;
}
