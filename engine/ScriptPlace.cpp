// ScriptPlace.cpp - statements that place the current window: MOVE, SIZE and
// the reference rectangle they align to (SETREF).
#include "engine/Script.h"
#include "engine/ScriptInternal.h"

#include "engine/Geometry.h"
#include "framework/core/MonitorTable.h"
#include "vdesktop/VirtualDesktop.h"

#define MOVE_MORE_TRIES 50   // after the first placement, 20 ms apart

namespace {

RECT WorkAreaAt(int x, int y)
{
    MonitorTable table = {};
    GetMonitorSnapshot(&table);
    if (table.count <= 0) return RECT{};
    return table.workAreas[MonitorIndexInTable(&table, x, y)];
}

int MonitorAt(int x, int y)
{
    MonitorTable table = {};
    GetMonitorSnapshot(&table);
    return MonitorIndexInTable(&table, x, y);
}

bool IsRandom(const ScriptArgument* a)
{
    return a->present && a->text[0] == 'R';
}

// The alignment keyword's index, ALIGN_COUNT when absent, -1 when not a keyword.
int AlignmentOf(const ScriptArgument* a)
{
    if (!a->present) return ALIGN_COUNT;
    return FindScriptKeyword(kAlignments, ALIGN_COUNT, a->text);
}

// The window's edge aligned to the reference: start and end of the reference
// along one axis, and the window's extent on it.
int Align(int alignment, LONG start, LONG end, int extent, bool horizontal)
{
    int before = horizontal ? ALIGN_LEFT_LEFT : ALIGN_TOP_TOP;
    switch (alignment - before) {
    case 0: return start;                 // LEFT-LEFT, TOP-TOP
    case 1: return start - extent;        // LEFT-RIGHT, TOP-BOTTOM
    case 2: return end;                   // RIGHT-LEFT, BOTTOM-TOP
    case 3: return end - extent;          // RIGHT-RIGHT, BOTTOM-BOTTOM
    }
    if (alignment == ALIGN_CENTER) return start + ((end - start) - extent) / 2;
    return start;
}

struct MoveRequest {
    const ScriptArgument* x;
    const ScriptArgument* y;
    int horizontal, vertical;   // ALIGN_COUNT: none
    bool keepOnScreen;
};

// One placement; true when the window ended where it was sent (and, with an
// alignment, kept its size meanwhile).
bool PlaceOnce(const ScriptRun* run, const MoveRequest* m)
{
    HWND w = run->current;
    int x = 0, y = 0, width = 0, height = 0;
    int state = GetWindowGeometry(w, &x, &y, &width, &height, nullptr, nullptr);
    RefreshMonitors();
    RECT work = WorkAreaAt(x + width / 2, y + height / 2);
    bool keep = m->keepOnScreen;
    int nx = x, ny = y;
    if (m->x->present) {
        if (IsRandom(m->x)) {
            nx = work.left + (int)ScriptRandom((int64_t)work.right - width - work.left);
            keep = true;
        } else if (run->referenceSet) {
            nx = Align(m->horizontal, run->reference.left, run->reference.right, width, true) + m->x->integer;
        } else {
            nx = m->x->integer;
        }
    }
    if (m->y->present) {
        if (IsRandom(m->y)) {
            ny = work.top + (int)ScriptRandom((int64_t)work.bottom - height - work.top);
            keep = true;
        } else if (run->referenceSet) {
            ny = Align(m->vertical, run->reference.top, run->reference.bottom, height, false) + m->y->integer;
        } else {
            ny = m->y->integer;
        }
    }
    RECT target = run->referenceSet ? WorkAreaAt((run->reference.left + run->reference.right) / 2,
                                                 (run->reference.top + run->reference.bottom) / 2)
                                    : WorkAreaAt(nx + width / 2, ny + height / 2);
    if (keep) {
        if (nx + width > target.right) nx = target.right - width;
        if (ny + height > target.bottom) ny = target.bottom - height;
        if (nx < target.left) nx = target.left;
        if (ny < target.top) ny = target.top;
    }
    SetWindowGeometry(w, nx, ny, GEO_KEEP, GEO_KEEP, WINSTATE_NORMAL, GEO_POSITION);
    if (state != WINSTATE_NORMAL && MonitorAt(x + width / 2, y + height / 2) !=
                                        MonitorAt((target.left + target.right) / 2, (target.top + target.bottom) / 2))
        SetWindowGeometry(w, nx, ny, GEO_KEEP, GEO_KEEP, state, GEO_POSITION | GEO_STATE);
    int rx = 0, ry = 0, rw = 0, rh = 0;
    GetWindowGeometry(w, &rx, &ry, &rw, &rh, nullptr, nullptr);
    bool aligned = run->referenceSet && (m->horizontal != ALIGN_COUNT || m->vertical != ALIGN_COUNT);
    return rx == nx && ry == ny && !(aligned && (rw != width || rh != height));
}

}  // namespace

uint32_t ScriptMove(ScriptRun* run, const ScriptStatement* s)
{
    const ScriptArgument* a = s->args;
    if (!a[0].present && !a[1].present) return SCRIPT_SYNTAX_ERROR;
    for (int i = 0; i < 2; i++)
        if (a[i].present && !a[i].isNumber && !IsRandom(&a[i])) return SCRIPT_BAD_TYPE;
    if (a[2].present && !a[2].isNumber) return SCRIPT_BAD_TYPE;
    MoveRequest m = {&a[0], &a[1], AlignmentOf(&a[3]), AlignmentOf(&a[4]),
                     a[5].present && (a[5].text[0] == 'K' || a[5].text[0] == 'k')};
    if (m.horizontal < 0 || m.vertical < 0) return SCRIPT_BAD_TYPE;
    if (IsCheckOnly(run)) return 0;
    if (!run->current) return StepOutcome(run, false, SCRIPT_NO_WINDOW);
    for (int i = 0; !PlaceOnce(run, &m) && i < MOVE_MORE_TRIES; i++) Sleep(20);
    if (g_virtualDesktop && a[2].present) {
        if (a[2].integer > 0) {
            g_virtualDesktop->UnpinWindow(run->current);
            g_virtualDesktop->MoveWindowToDesktop(run->current, a[2].integer - 1);
        } else {
            g_virtualDesktop->PinWindow(run->current);
        }
    }
    return StepOutcome(run, true, SCRIPT_NO_WINDOW);
}

uint32_t ScriptSize(ScriptRun* run, const ScriptStatement* s)
{
    const ScriptArgument* a = s->args;
    if (!a[0].present && !a[1].present) return SCRIPT_SYNTAX_ERROR;
    for (int i = 0; i < 2; i++)
        if (a[i].present && !a[i].isNumber) return SCRIPT_BAD_TYPE;
    int modes[2] = {SIZEMODE_ABSOLUTE, SIZEMODE_ABSOLUTE};
    for (int i = 0; i < 2; i++) {
        if (!a[2 + i].present) continue;
        modes[i] = FindScriptKeyword(kSizeModes, SIZEMODE_COUNT, a[2 + i].text);
        if (modes[i] < 0) return SCRIPT_BAD_TYPE;
    }
    if (IsCheckOnly(run)) return 0;
    if (!run->current) return StepOutcome(run, false, SCRIPT_NO_WINDOW);
    int width = 0, height = 0;
    GetWindowGeometry(run->current, nullptr, nullptr, &width, &height, nullptr, nullptr);
    LONG referenceSize[2] = {run->reference.right - run->reference.left,
                             run->reference.bottom - run->reference.top};
    int size[2] = {width, height};
    for (int i = 0; i < 2; i++) {
        if (!a[i].present) continue;
        bool relative = run->referenceSet && modes[i] == SIZEMODE_RELATIVE;
        size[i] = relative ? (int)((int64_t)a[i].integer * referenceSize[i] / 100) : a[i].integer;
    }
    SetWindowGeometry(run->current, GEO_KEEP, GEO_KEEP, size[0], size[1], WINSTATE_NORMAL, GEO_SIZE);
    return StepOutcome(run, true, SCRIPT_NO_WINDOW);
}

uint32_t ScriptSetReference(ScriptRun* run, const ScriptStatement* s)
{
    const ScriptArgument* a = s->args;
    int kind = a[0].present ? FindScriptKeyword(kReferenceKinds, REF_COUNT, a[0].text) : -1;
    if (kind < 0) return SCRIPT_BAD_TYPE;
    if (IsCheckOnly(run)) return 0;
    RECT r = {};
    POINT cursor = {};
    switch (kind) {
    case REF_WINDOW: {
        HWND w = a[1].present ? FindScriptWindow(a[1].text, a[2].text, a[3].text) : run->top;
        if (!w || !GetWindowRect(w, &r)) return 0;
        break;
    }
    case REF_MONITOR: {
        MonitorTable table = {};
        GetMonitorSnapshot(&table);
        if (a[1].isNumber) {
            int n = a[1].integer;
            int count = table.count < MONITOR_TABLE_MAX ? table.count : MONITOR_TABLE_MAX;
            r = table.workAreas[(count >= 2 && n >= 1 && n <= count) ? n - 1 : 0];
        } else {
            GetCursorPos(&cursor);
            HMONITOR monitor = MonitorFromPoint(cursor, MONITOR_DEFAULTTONULL);
            MONITORINFO info = {};
            info.cbSize = sizeof(info);
            if (!monitor || !GetMonitorInfoA(monitor, &info)) return 0;
            r = info.rcWork;
        }
        break;
    }
    case REF_DESKTOP: {
        RefreshMonitors();
        MonitorTable table = {};
        GetMonitorSnapshot(&table);
        r = table.screenRect;
        break;
    }
    case REF_MOUSE:
        GetCursorPos(&cursor);
        r = RECT{cursor.x, cursor.y, cursor.x, cursor.y};
        break;
    }
    run->reference = r;
    run->referenceSet = 1;
    return 0;
}
