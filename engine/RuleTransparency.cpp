// RuleTransparency.cpp - a rule's transparency and click-through, and the list
// of windows to make opaque again at exit.
#include "engine/TransparentWindows.h"

#include "framework/core/AppWindow.h"

GrowArray<TransparentWindowEntry> g_transparentWindows = {0, nullptr, -1, 0, 0};
SRWLOCK g_transparentLock = SRWLOCK_INIT;

// Caller holds g_transparentLock.
static int FindTransparentEntry(HWND window)
{
    for (int i = 0; i < g_transparentWindows.count; i++)
        if (g_transparentWindows.data[i].window == window) return i;
    return -1;
}

// The window's styles are changed outside the lock: changing them sends
// messages to the window's thread, which may itself be waiting for the lock.
void ApplyRuleTransparency(HWND window, int percent, bool clickThrough)
{
    if (percent > 100) percent = 100;
    if (percent < 0) percent = 0;
    AcquireSRWLockShared(&g_transparentLock);
    bool listed = FindTransparentEntry(window) >= 0;
    ReleaseSRWLockShared(&g_transparentLock);

    if (listed && percent == 0) {
        if (!MakeWindowOpaque(window)) return;   // not answering: still to be made opaque
        AcquireSRWLockExclusive(&g_transparentLock);
        int i = FindTransparentEntry(window);
        if (i >= 0) ArrayRemoveAt(&g_transparentWindows, i);
        ReleaseSRWLockExclusive(&g_transparentLock);
        return;
    }

    bool ok = SetWindowTransparency(window, percent, clickThrough);
    if (!listed && !ok) return;   // not listed: nothing to make opaque later
    AcquireSRWLockExclusive(&g_transparentLock);
    int i = FindTransparentEntry(window);
    if (i >= 0) {
        g_transparentWindows.data[i].percent = percent;
        g_transparentWindows.data[i].clickThrough = clickThrough ? 1 : 0;
    } else {
        TransparentWindowEntry e = {window, percent, (uint8_t)(clickThrough ? 1 : 0)};
        ArrayAppend(&g_transparentWindows, &e);
    }
    ReleaseSRWLockExclusive(&g_transparentLock);
}

void MakeTransparentWindowsOpaque()
{
    AcquireSRWLockExclusive(&g_transparentLock);
    for (int i = 0; i < g_transparentWindows.count; i++)
        if (IsWindow(g_transparentWindows.data[i].window)) MakeWindowOpaque(g_transparentWindows.data[i].window);
    FreeGrowArray(&g_transparentWindows);
    ReleaseSRWLockExclusive(&g_transparentLock);
}
