// Geometry.cpp - window placement: normal rectangle and state together.
#include "engine/Geometry.h"

#include "framework/core/ForeignWindow.h"

static bool g_placementDisabled;

void SetGeometryPlacementDisabled(bool disabled)
{
    g_placementDisabled = disabled;
}

int GetWindowGeometry(HWND window, int* x, int* y, int* width, int* height, int* maximizedWidth,
                      int* maximizedHeight)
{
    WINDOWPLACEMENT wp = {};
    wp.length = sizeof(wp);
    if (!GetWindowPlacement(window, &wp)) {
        // A window that is gone has no geometry: report an empty one.
        if (x && y) *x = *y = 0;
        if (width && height) *width = *height = 0;
        return WINSTATE_NORMAL;
    }
    const RECT& n = wp.rcNormalPosition;
    if (x && y) {
        *x = n.left;
        *y = n.top;
    }
    if (width && height) {
        *width = n.right - n.left;
        *height = n.bottom - n.top;
    }
    if (wp.showCmd == SW_SHOWMAXIMIZED) {
        RECT r = {};
        GetWindowRect(window, &r);
        if (maximizedWidth) *maximizedWidth = r.right - r.left;
        if (maximizedHeight) *maximizedHeight = r.bottom - r.top;
        return WINSTATE_MAXIMISED;
    }
    if (wp.showCmd == SW_SHOWMINIMIZED || wp.showCmd == SW_MINIMIZE || wp.showCmd == SW_SHOWMINNOACTIVE)
        return WINSTATE_MINIMISED;
    return WINSTATE_NORMAL;
}

int GetWindowState(HWND window)
{
    return IsIconic(window) ? WINSTATE_MINIMISED : (IsZoomed(window) ? WINSTATE_MAXIMISED : WINSTATE_NORMAL);
}

// Same outcome as the placement call, from restore, move and show calls. On
// another thread's window they are asynchronous and taken in order, so that
// a thread that stops answering never holds the caller.
static void SetGeometryStepwise(HWND window, const RECT& normal, bool rectChanged, UINT showCmd, bool async)
{
    int now = GetWindowState(window);
    int want = showCmd == SW_RESTORE ? WINSTATE_NORMAL
             : showCmd == SW_MINIMIZE ? WINSTATE_MINIMISED
             : showCmd == SW_SHOWMAXIMIZED ? WINSTATE_MAXIMISED
                                          : now;
    if (rectChanged) {
        // A window minimised from maximised restores to maximised first.
        if (async) {
            if (now != WINSTATE_NORMAL) ShowWindowAsync(window, SW_RESTORE);
            if (now == WINSTATE_MINIMISED) ShowWindowAsync(window, SW_RESTORE);
        } else {
            for (int i = 0; i < 2 && GetWindowState(window) != WINSTATE_NORMAL; i++) ShowWindow(window, SW_RESTORE);
        }
        SetWindowPos(window, nullptr, normal.left, normal.top, normal.right - normal.left,
                     normal.bottom - normal.top,
                     SWP_NOZORDER | SWP_NOACTIVATE | (async ? SWP_ASYNCWINDOWPOS : 0));
        now = WINSTATE_NORMAL;
    }
    if (want == now) return;
    int show = want == WINSTATE_NORMAL ? SW_RESTORE : (want == WINSTATE_MINIMISED ? SW_MINIMIZE : SW_SHOWMAXIMIZED);
    if (async)
        ShowWindowAsync(window, show);
    else
        ShowWindow(window, show);
}

void SetWindowGeometry(HWND window, int x, int y, int width, int height, int state, int flags)
{
    if (!(flags & (GEO_POSITION | GEO_SIZE | GEO_STATE))) return;
    // The placement call waits on the window's thread: another thread's
    // window is placed only when it answers, and then with asynchronous calls.
    bool own = IsOwnThreadWindow(window);
    if (!own && !WindowAnswers(window)) return;
    WINDOWPLACEMENT wp = {};
    wp.length = sizeof(wp);
    if (!GetWindowPlacement(window, &wp)) return;
    RECT old = wp.rcNormalPosition;
    RECT& n = wp.rcNormalPosition;
    // Sizes are taken before the move: 0x7FFFFFFF keeps a value and is never
    // added to a coordinate.
    LONG w = old.right - old.left, h = old.bottom - old.top;
    if (flags & GEO_POSITION) {
        if (x != GEO_KEEP) n.left = x;
        if (y != GEO_KEEP) n.top = y;
    }
    if (flags & GEO_SIZE) {
        if (width != GEO_KEEP) w = width;
        if (height != GEO_KEEP) h = height;
    }
    n.right = n.left + w;
    n.bottom = n.top + h;
    wp.flags = 0;
    if (flags & GEO_STATE) {
        if (state == WINSTATE_NORMAL) {
            wp.showCmd = SW_RESTORE;
        } else if (state == WINSTATE_MINIMISED) {
            wp.showCmd = SW_MINIMIZE;
        } else if (state == WINSTATE_MAXIMISED) {
            wp.showCmd = SW_SHOWMAXIMIZED;
            // Maximise on the monitor of the new normal rectangle (the
            // stepwise calls restore a moved window first anyway).
            if (own && (flags & GEO_POSITION) && (n.left != old.left || n.top != old.top))
                ShowWindow(window, SW_RESTORE);
        }
    }
    bool rectChanged = !EqualRect(&n, &old);
    if (!own) {
        SetGeometryStepwise(window, n, rectChanged, wp.showCmd, true);
        WindowAnswers(window);   // lets the calls land before the caller reads the window back
        return;
    }
    if (!g_placementDisabled && SetWindowPlacement(window, &wp)) return;
    SetGeometryStepwise(window, n, rectChanged, wp.showCmd, false);
}
