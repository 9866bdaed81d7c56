// RulePlace.cpp - cursor, work areas and owner rectangles for placing windows.
#include "engine/RulePlace.h"

#include "engine/Engine.h"
#include "framework/core/MonitorTable.h"

POINT CursorInPlacement()
{
    POINT p = {};
    GetCursorPos(&p);
    p.x = SaturateCoord((int64_t)p.x - g_workArea.left);
    p.y = SaturateCoord((int64_t)p.y - g_workArea.top);
    return p;
}

RECT WorkAreaAt(int64_t x, int64_t y)
{
    // Rule threads call this too: work on one consistent copy of the table.
    MonitorTable t = {};
    RefreshMonitors();
    GetMonitorSnapshot(&t);
    RECT r = {};
    int i = MonitorIndexInTable(&t, SaturateCoord(x), SaturateCoord(y));
    if (i >= 0 && i < t.count && i < MONITOR_TABLE_MAX) r = t.workAreas[i];
    return r;
}

RECT OwnerReference(const MonitoredWindow* entry)
{
    HWND owner = GetWindow(entry->hwnd, GW_OWNER);
    RECT r = {};
    if (owner && IsWindowVisible(owner) && GetWindowRect(owner, &r) && r.right - r.left >= 1) return r;
    return WorkAreaAt((int64_t)entry->x + entry->width / 2, (int64_t)entry->y + entry->height / 2);
}

int32_t SaturateCoord(int64_t value)
{
    if (value >= VALUE_ANY) return VALUE_ANY - 1;
    if (value < INT32_MIN) return INT32_MIN;
    return (int32_t)value;
}
