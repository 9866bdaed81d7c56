// TransparentWindows.h - windows made transparent or click-through by a rule
// or a hotkey; all are made opaque again at shutdown.
#pragma once

#include <windows.h>

#include <stdint.h>

#include "framework/core/GrowArray.h"

struct TransparentWindowEntry {
    HWND    window;
    int32_t percent;
    uint8_t clickThrough;
};
// Changed from the worker, rule threads and the UI thread: hold the lock.
extern GrowArray<TransparentWindowEntry> g_transparentWindows;
extern SRWLOCK g_transparentLock;

// Makes the window transparent or click-through as a rule says and keeps the
// list in step; percent above 100 counts as 100, 0 makes it opaque.
void ApplyRuleTransparency(HWND window, int percent, bool clickThrough);
// Shutdown: every listed window that still exists becomes opaque; the list empties.
void MakeTransparentWindowsOpaque();
