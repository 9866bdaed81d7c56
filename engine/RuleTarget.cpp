// RuleTarget.cpp - where a rule puts a window: size, aspect ratio, position,
// centring, offsets and tiling, state and keep-on-screen.
#include "engine/RulePlace.h"

#include "engine/Rules.h"

#include <stdlib.h>

namespace {

// Target values in 64 bits while they are worked on: window values and rule
// values are 32-bit, so sums and products cannot overflow here.
struct Target {
    int64_t x, y, w, h;
};

// a x b / c rounded to nearest, halves away from zero; c is not 0.
int64_t RoundedRatio(int64_t a, int64_t b, int64_t c)
{
    int64_t num = a * b;
    int64_t q = num / c, r = num % c;
    if (2 * llabs(r) >= llabs(c)) q += ((num < 0) != (c < 0)) ? -1 : 1;
    return q;
}

void SizeTarget(const MonitoredWindow* e, const Rule* rule, uint32_t mask, Target* t)
{
    bool sizing = (mask & APPLY_SIZE) != 0;
    bool wSet = rule->w != VALUE_ANY, hSet = rule->h != VALUE_ANY;
    t->w = (wSet && sizing) ? rule->w : e->width;
    t->h = (hSet && sizing) ? rule->h : e->height;
    if (rule->locksize || !sizing) return;
    // A ratio of 0 in the rule or a window of no height or width has no
    // aspect to keep: the size stays as computed.
    if (rule->lockar && wSet && hSet && rule->w != 0 && rule->h != 0) {
        if (mask & APPLY_WIDTH_LEADS) {
            t->w = e->width;
            t->h = RoundedRatio(t->w, rule->h, rule->w);
        } else if (mask & APPLY_HEIGHT_LEADS) {
            t->h = e->height;
            t->w = RoundedRatio(t->h, rule->w, rule->h);
        }
    }
    if (rule->keepar) {
        if (!wSet && hSet && e->height != 0)
            t->w = (int64_t)e->width * t->h / e->height;
        else if (wSet && !hSet && e->width != 0)
            t->h = (int64_t)e->height * t->w / e->width;
    }
}

// The rule's value as an offset from the place that centres the target in R.
void CentreIn(const RECT& r, Target* t)
{
    t->x += ((int64_t)r.right - r.left - t->w) / 2 + r.left;
    t->y += ((int64_t)r.bottom - r.top - t->h) / 2 + r.top;
}

void CentredTarget(const MonitoredWindow* e, const Rule* rule, POINT cursor, Target* t)
{
    switch (rule->movetomode) {
    case 2: {
        RECT r = rule->mouserelative
                     ? WorkAreaAt(cursor.x, cursor.y)
                     : WorkAreaAt((int64_t)e->x + e->width / 2, (int64_t)e->y + e->height / 2);
        CentreIn(r, t);
        break;
    }
    case 3: CentreIn(OwnerReference(e), t); break;
    case 4:
        if (rule->mouserelative) {
            RECT r = {cursor.x, cursor.y, cursor.x, cursor.y};
            CentreIn(r, t);
        } else {
            // The rule's point becomes the window's centre.
            LONG px = SaturateCoord(t->x), py = SaturateCoord(t->y);
            RECT r = {px, py, px, py};
            t->x = t->y = 0;
            CentreIn(r, t);
        }
        break;
    default: break;   // no other centred mode
    }
}

// "Offset": step past every other window of the rule that sits exactly on
// the target. Each step moves the target on, so no window is met twice.
void CascadeTarget(const MonitoredWindow* e, const Rule* rule, Target* t)
{
    if (rule->offx == 0 && rule->offy == 0) return;
    // A pass already holds the lock (it is re-entrant); delayed and retried
    // applications take it here to read the table.
    if (!EnterTableLock(100)) return;
    int n = rule->windowCount < RULE_WINDOW_LIMIT ? rule->windowCount : RULE_WINDOW_LIMIT;
    for (int steps = 0; steps <= n; steps++) {
        bool occupied = false;
        for (int i = 0; i < n && !occupied; i++) {
            if (rule->windows[i] == e->hwnd) continue;
            int k = FindWindowEntry(rule->windows[i]);
            occupied = k >= 0 && g_windowTable[k].x == t->x && g_windowTable[k].y == t->y;
        }
        if (!occupied) break;
        t->x += rule->offx;
        t->y += rule->offy;
    }
    LeaveTableLock();
}

// Tiling modes 2 to 9: the newest window takes the next cell, rows or
// columns first; cells run left or up in the mirrored modes.
void TileTarget(const Rule* rule, Target* t)
{
    RECT first = {};
    GetWindowRect(rule->windows[0], &first);
    int64_t cellW = (int64_t)first.right - first.left + rule->offx;
    int64_t cellH = (int64_t)first.bottom - first.top + rule->offy;
    int64_t rows = rule->tilerows < 1 ? 1 : rule->tilerows;
    int64_t cols = rule->tilecols < 1 ? 1 : rule->tilecols;
    int64_t n = rule->windowCount - 1;
    int mode = rule->offmode;
    int64_t col, row;
    if (mode <= 5) {
        col = n % cols;
        row = (n / cols) % rows;
    } else {
        row = n % rows;
        col = (n / rows) % cols;
    }
    if (mode == 4 || mode == 5 || mode == 7 || mode == 9) cellW = -cellW;
    if (mode == 3 || mode == 5 || mode == 8 || mode == 9) cellH = -cellH;
    t->x += col * cellW;
    t->y += row * cellH;
}

void KeepOnScreen(Target* t)
{
    RECT wa = WorkAreaAt(t->x + t->w / 2, t->y + t->h / 2);
    if (t->x + t->w > wa.right) t->x = (int64_t)wa.right - t->w;
    if (t->y + t->h > wa.bottom) t->y = (int64_t)wa.bottom - t->h;
    if (t->x < wa.left) t->x = wa.left;
    if (t->y < wa.top) t->y = wa.top;
}

}  // namespace

PlacementTarget ComputePlacementTarget(const MonitoredWindow* e, const Rule* rule, uint32_t mask,
                                       POINT cursor)
{
    Target t = {};
    SizeTarget(e, rule, mask, &t);
    bool moving = (mask & APPLY_POSITION) != 0;
    t.x = (rule->x != VALUE_ANY && moving) ? rule->x : e->x;
    t.y = (rule->y != VALUE_ANY && moving) ? rule->y : e->y;
    if (moving && rule->movetomode >= 2) CentredTarget(e, rule, cursor, &t);
    if (moving && rule->windowCount >= 2 && rule->offmode != 0) {
        if (rule->offmode == 1)
            CascadeTarget(e, rule, &t);
        else if (rule->offmode <= 9)
            TileTarget(rule, &t);
    }
    // The cursor moves only a target whose position this application sets.
    if (moving && rule->mouserelative && rule->movetomode == 0) {
        t.x += cursor.x;
        t.y += cursor.y;
    }
    if (rule->keeponscreen) KeepOnScreen(&t);

    PlacementTarget out = {};
    out.x = SaturateCoord(t.x);
    out.y = SaturateCoord(t.y);
    out.width = SaturateCoord(t.w);
    out.height = SaturateCoord(t.h);
    out.state = (rule->state != RULE_STATE_NONE && (mask & APPLY_STATE)) ? rule->state : e->state;
    return out;
}
