// WindowPicker.cpp - the window under a screen point, down to the smallest
// visible child, seen through the pickers' capture frame.
#include "framework/core/DialogUtil.h"

#include <stdint.h>

// The frame is subclassed only while a search runs; its hit-test switch is
// the one piece of state the search keeps.
static HWND g_pickerFrame;
static WNDPROC g_pickerFrameProc;
static bool g_pickerPassThrough;

struct ChildAtPoint {
    POINT point;
    HWND best;
    int64_t bestArea;
};

void SetPickerFrameWindow(HWND frame)
{
    g_pickerFrame = frame;
}

LRESULT CALLBACK PickerHitTestProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCHITTEST) {
        if (wParam == 0x6661 || wParam == 0x6660) {
            g_pickerPassThrough = wParam == 0x6661;
            return 0;
        }
        if (g_pickerPassThrough) return HTTRANSPARENT;
    }
    return g_pickerFrameProc ? CallWindowProcA(g_pickerFrameProc, window, message, wParam, lParam)
                             : DefWindowProcA(window, message, wParam, lParam);
}

BOOL CALLBACK SmallestChildAtPointProc(HWND child, LPARAM search)
{
    ChildAtPoint* s = (ChildAtPoint*)search;
    RECT r;
    if (!IsWindowVisible(child) || !GetWindowRect(child, &r) || !PtInRect(&r, s->point)) return TRUE;
    int64_t area = (int64_t)(r.right - r.left) * (r.bottom - r.top);
    if (!s->best || area < s->bestArea) {
        s->best = child;
        s->bestArea = area;
    }
    return TRUE;
}

static void BeginSeeThroughFrame(HWND frame)
{
    g_pickerFrameProc = (WNDPROC)SetWindowLongPtrA(frame, GWLP_WNDPROC, (LONG_PTR)PickerHitTestProc);
    SendMessageA(frame, WM_NCHITTEST, 0x6661, 0);
}

static void EndSeeThroughFrame(HWND frame)
{
    SendMessageA(frame, WM_NCHITTEST, 0x6660, 0);
    if (g_pickerFrameProc) SetWindowLongPtrA(frame, GWLP_WNDPROC, (LONG_PTR)g_pickerFrameProc);
    g_pickerFrameProc = nullptr;
}

HWND WindowFromPointDeep(HWND* rootOut, int x, int y)
{
    HWND frame = g_pickerFrame && IsWindow(g_pickerFrame) ? g_pickerFrame : nullptr;
    if (frame) BeginSeeThroughFrame(frame);

    POINT pt = {x, y};
    HWND found = WindowFromPoint(pt);
    if (found) {
        // WindowFromPoint stops above disabled children: search the level
        // of the hit window for the smallest visible one at the point.
        LONG style = GetWindowLongA(found, GWL_STYLE);
        HWND parent = (style & WS_CHILD) ? GetParent(found) : nullptr;
        HWND start = (parent && !(style & WS_POPUP)) ? parent : found;
        ChildAtPoint search = {pt, nullptr, 0};
        EnumChildWindows(start, SmallestChildAtPointProc, (LPARAM)&search);
        found = search.best ? search.best : start;
        while (found && !IsWindowVisible(found)) found = GetParent(found);
    }

    if (frame) EndSeeThroughFrame(frame);
    if (rootOut) *rootOut = found ? GetAncestor(found, GA_ROOT) : nullptr;
    return found;
}
