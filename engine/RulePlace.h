// RulePlace.h - the placement arithmetic that applying and capturing share:
// cursor and work areas in placement coordinates, the target of a rule.
#pragma once

#include <windows.h>

#include <stdint.h>

#include "engine/RuleRecord.h"
#include "engine/WindowTable.h"

// The cursor's screen position less the primary work area's origin.
POINT CursorInPlacement();
// Work area of the monitor containing the point (else the nearest); all 0
// when there is no monitor.
RECT WorkAreaAt(int64_t x, int64_t y);
// The reference of "Center owner": the owner's rectangle when the owner is
// visible and at least 1 wide, else the work area at the window's centre.
RECT OwnerReference(const MonitoredWindow* entry);
// A computed coordinate brought back into 32 bits, never onto VALUE_ANY.
int32_t SaturateCoord(int64_t value);

struct PlacementTarget {
    int32_t x, y, width, height;
    int32_t state;
};

// Where the rule puts the window for the application mask (already reduced
// by the rule's switches); cursor matters only with mouserelative.
PlacementTarget ComputePlacementTarget(const MonitoredWindow* entry, const Rule* rule,
                                       uint32_t mask, POINT cursor);

