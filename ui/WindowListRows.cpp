// WindowListRows.cpp - the Window List's rows: one refresh at a time on a
// thread of its own, reading the window table under its lock and handing the
// rows to the UI thread after letting go of it; the cells and their order.
#include "ui/WindowList.h"

#include "engine/OptionsRecord.h"
#include "engine/ProductStrings.h"
#include "engine/ProfileStore.h"
#include "engine/RuleCreate.h"
#include "engine/WindowTable.h"
#include "framework/core/TextUtil.h"
#include "ui/WindowListInternal.h"

#include <math.h>
#include <stdlib.h>
#include <string.h>

CList* g_windowRows;

namespace {

const UINT kRefreshDelay = 50;
const int kLockTries = 500;

struct WindowRows {
    int32_t count;
    MonitoredWindow windows[1];
};

// A pending ask waits for the timer; one refresh thread at a time, counted
// as running until it has ended, not just until it posted its rows. The
// generation names the open dialog, so a late thread's rows are dropped.
bool g_refreshAsked;                 // UI thread
HANDLE g_refreshThread;              // UI thread; kept across dialogs
volatile LONG g_generation = 1;
WindowListRefreshHook g_refreshHook;

struct RefreshJob {
    HWND dialog;
    LONG generation;
};

bool Listed(MonitoredWindow* entry, Profile* profile)
{
    if (!entry->hwnd) return false;
    if (!entry->title[0] && !Options.bMonIncludeEmpty) return false;
    return !Options.bMonCheckTempl || FindTemplateForWindow(profile, nullptr, entry, false) >= 0;
}

// The table's rows, read under the lock; null when it stayed busy.
WindowRows* ReadRows()
{
    if (!EnterTableLock(kLockTries)) return nullptr;
    int count = g_windowCount;
    WindowRows* rows = (WindowRows*)malloc(sizeof(WindowRows) + sizeof(MonitoredWindow) * (count > 0 ? count : 1));
    if (rows) {
        rows->count = 0;
        Profile* profile = CurrentProfile();
        for (int i = 0; i < count; i++)
            if (Listed(&g_windowTable[i], profile)) rows->windows[rows->count++] = g_windowTable[i];
    }
    LeaveTableLock();
    return rows;
}

DWORD WINAPI RefreshWindowListThread(void* parameter)
{
    RefreshJob job = *(RefreshJob*)parameter;
    free(parameter);
    WindowRows* rows = ReadRows();
    if (g_refreshHook) g_refreshHook();
    // Posted, never sent: the UI thread may be waiting for this thread's lock.
    if (rows && !PostMessageA(job.dialog, WM_WLIST_ROWS, (WPARAM)job.generation, (LPARAM)rows)) free(rows);
    return 0;
}

// The thread of the last refresh has ended (its handle is then let go).
bool RefreshThreadDone()
{
    if (g_refreshThread && WaitForSingleObject(g_refreshThread, 0) == WAIT_TIMEOUT) return false;
    if (g_refreshThread) CloseHandle(g_refreshThread);
    g_refreshThread = nullptr;
    return true;
}

void StartWindowListRefresh(HWND dialog)
{
    RefreshJob* job = (RefreshJob*)malloc(sizeof(RefreshJob));
    if (!job) return;
    job->dialog = dialog;
    job->generation = g_generation;
    g_refreshThread = CreateThread(nullptr, 0, RefreshWindowListThread, job, 0, nullptr);
    if (!g_refreshThread) free(job);
}

int FindRowOf(HWND window)
{
    for (int i = 0; window && i < GetListRowCount(g_windowRows); i++) {
        const MonitoredWindow* row = (const MonitoredWindow*)GetListRowData(g_windowRows, i);
        if (row && row->hwnd == window) return i;
    }
    return -1;
}

const char* TitleCell(const MonitoredWindow* w)
{
    return w->title[0] ? w->title : AppText(IDS_PRODUCT_NAME, 8);
}

const char* ProgramCell(const MonitoredWindow* w)
{
    const char* name = strrchr(w->program, '\\');
    return name ? name + 1 : w->program;
}

const char* Cell(const MonitoredWindow* w, int column)
{
    return column == 0 ? TitleCell(w) : column == 1 ? w->className : ProgramCell(w);
}

int CompareRows(const MonitoredWindow* a, const MonitoredWindow* b)
{
    int column = g_windowRows->sortColumn >= 0 && g_windowRows->sortColumn <= 2 ? g_windowRows->sortColumn : 0;
    int order = _stricmp(Cell(a, column), Cell(b, column));
    order = order < 0 ? -1 : order > 0 ? 1 : 0;
    return order * (g_windowRows->sortDirection < 0 ? -1 : 1);
}

// Equal rows keep the table's order, so a refresh does not shuffle them.
int CompareRowPointers(const void* a, const void* b)
{
    const MonitoredWindow* x = *(const MonitoredWindow* const*)a;
    const MonitoredWindow* y = *(const MonitoredWindow* const*)b;
    int order = CompareRows(x, y);
    return order != 0 ? order : x < y ? -1 : x > y ? 1 : 0;
}

// The rows sorted here and appended in order: the list box comparing each
// new row by messages to the dialog costs far more on a big desktop.
void FillRows(WindowRows* rows)
{
    const MonitoredWindow** order =
        (const MonitoredWindow**)malloc(sizeof(MonitoredWindow*) * (size_t)(rows->count > 0 ? rows->count : 1));
    if (!order) {
        for (int i = 0; i < rows->count; i++) AddListRow(g_windowRows, &rows->windows[i]);
        return;
    }
    for (int i = 0; i < rows->count; i++) order[i] = &rows->windows[i];
    qsort(order, (size_t)rows->count, sizeof(order[0]), CompareRowPointers);
    AppendListRows(g_windowRows, (const void* const*)order, rows->count);
    free(order);
}

}  // namespace

void SetWindowListRefreshHook(WindowListRefreshHook hook)
{
    g_refreshHook = hook;
}

void RequestWindowListRefresh(HWND dialog)
{
    if (g_refreshAsked) return;
    g_refreshAsked = true;
    SetTimer(dialog, WLIST_REFRESH_TIMER, kRefreshDelay, nullptr);
}

void OnWindowListRefreshTimer(HWND dialog)
{
    // The running refresh may have read the table before the change: the
    // ask stays until a refresh starts after it.
    if (!RefreshThreadDone()) return;
    KillTimer(dialog, WLIST_REFRESH_TIMER);
    g_refreshAsked = false;
    StartWindowListRefresh(dialog);
}

void StartFirstWindowListRefresh(HWND dialog)
{
    // Nothing to gather yet: the rows come without the delay, unless the
    // last dialog's refresh still runs.
    if (RefreshThreadDone())
        StartWindowListRefresh(dialog);
    else
        RequestWindowListRefresh(dialog);
}

void ForgetWindowListRefresh()
{
    InterlockedIncrement(&g_generation);
    g_refreshAsked = false;
}

void ApplyWindowListRows(HWND, WPARAM generation, LPARAM data)
{
    WindowRows* rows = (WindowRows*)data;
    if (!rows) return;
    if ((LONG)generation != g_generation || !g_windowRows) {
        free(rows);
        return;
    }
    int selected = GetListSelection(g_windowRows);
    const MonitoredWindow* was = selected >= 0 ? (const MonitoredWindow*)GetListRowData(g_windowRows, selected) : nullptr;
    HWND keep = was ? was->hwnd : nullptr;
    HWND box = g_windowRows->listBox;
    LRESULT top = SendMessageA(box, LB_GETTOPINDEX, 0, 0);
    SendMessageA(box, WM_SETREDRAW, FALSE, 0);
    ClearListRows(g_windowRows);
    FillRows(rows);
    free(rows);
    int again = FindRowOf(keep);
    if (again >= 0) SelectListRow(g_windowRows, again, true, false);
    UpdateListColumns(g_windowRows);
    SendMessageA(box, LB_SETTOPINDEX, (WPARAM)(top > 0 ? top : 0), 0);
    SendMessageA(box, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(box, nullptr, TRUE);
}

void DrawWindowListRow(const DRAWITEMSTRUCT* item)
{
    const MonitoredWindow* w = (const MonitoredWindow*)item->itemData;
    if (!g_windowRows || !w || item->itemID == (UINT)-1) return;
    DrawListCellText(g_windowRows, 0, TitleCell(w), false);
    DrawListCellText(g_windowRows, 1, w->className, false);
    DrawListCellText(g_windowRows, 2, ProgramCell(w), true);
}

int CompareWindowListRows(const COMPAREITEMSTRUCT* item)
{
    const MonitoredWindow* a = (const MonitoredWindow*)item->itemData1;
    const MonitoredWindow* b = (const MonitoredWindow*)item->itemData2;
    if (!g_windowRows || !a || !b) return 0;
    return CompareRows(a, b);
}

void ReadColumnWidths(const void* record, uint32_t size, double widths[3])
{
    static const double kDefaults[3] = {0.5, 0.25, 0.2};
    double stored[3];
    bool sound = record && size == sizeof(stored);
    if (sound) memcpy(stored, record, sizeof(stored));
    // A damaged width would make the list unusable: all three fall back.
    for (int i = 0; sound && i < 3; i++) sound = isfinite(stored[i]) && stored[i] > 0 && stored[i] <= 1;
    memcpy(widths, sound ? stored : kDefaults, sizeof(stored));
}
