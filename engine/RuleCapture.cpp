// RuleCapture.cpp - writing a window's current placement into its rule, in
// the terms of the rule's position mode.
#include "engine/Rules.h"

#include "engine/RulePlace.h"

// The rule's position value that puts the window back where it is: the
// reverse of the target computation for each position mode.
static POINT PositionValue(const MonitoredWindow* e, const Rule* rule)
{
    int64_t x = e->x, y = e->y;
    int64_t cx = x + e->width / 2, cy = y + e->height / 2;
    POINT cursor = {};
    if (rule->mouserelative) cursor = CursorInPlacement();
    RECT r = {};
    switch (rule->movetomode) {
    case 0:
        if (rule->mouserelative) {
            x -= cursor.x;
            y -= cursor.y;
        }
        break;
    case 2:
    case 3:
        if (rule->movetomode == 3)
            r = OwnerReference(e);
        else
            r = rule->mouserelative ? WorkAreaAt(cursor.x, cursor.y) : WorkAreaAt(cx, cy);
        x = x - r.left - ((int64_t)r.right - r.left - e->width) / 2;
        y = y - r.top - ((int64_t)r.bottom - r.top - e->height) / 2;
        break;
    case 4:
        x = cx;
        y = cy;
        if (rule->mouserelative) {
            x -= cursor.x;
            y -= cursor.y;
        }
        break;
    default: break;   // "Last position" and unknown modes: the position itself
    }
    POINT p = {SaturateCoord(x), SaturateCoord(y)};
    return p;
}

void CaptureWindowPlacement(MonitoredWindow* entry, Rule* rule, uint32_t mask)
{
    if (!entry || !rule) return;
    bool unset = (mask & CAPTURE_UNSET) != 0;
    if ((mask & CAPTURE_STATE) || (rule->stateto && rule->statetomode == 1) ||
        (unset && rule->state == RULE_STATE_NONE))
        rule->state = (uint8_t)entry->state;

    // Position and size only for rules that keep the window normal.
    if (rule->state != RULE_STATE_NORMAL || entry->width < 1 || entry->height < 1) return;

    bool lastPosition = rule->moveto && rule->movetomode == 1;
    bool lastSize = rule->sizeto && rule->sizetomode == 1;
    POINT p = PositionValue(entry, rule);
    if ((mask & CAPTURE_X) || lastPosition || (unset && rule->x == VALUE_ANY)) rule->x = p.x;
    if ((mask & CAPTURE_Y) || lastPosition || (unset && rule->y == VALUE_ANY)) rule->y = p.y;
    if ((mask & CAPTURE_W) || lastSize || (unset && rule->w == VALUE_ANY)) rule->w = entry->width;
    if ((mask & CAPTURE_H) || lastSize || (unset && rule->h == VALUE_ANY)) rule->h = entry->height;
}
