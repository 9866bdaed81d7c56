// WindowUtil.cpp - bringing a window to the front.
#include "framework/core/WindowUtil.h"

HWND ForceForegroundWindow(HWND window, bool attach)
{
    HWND root = GetAncestor(window, GA_ROOT);
    if (!root) root = window;
    if (!attach) {
        HWND previous = GetFocus();
        SetForegroundWindow(root);
        SetActiveWindow(root);
        SetFocus(window);
        return previous;
    }
    DWORD self = GetCurrentThreadId();
    DWORD target = GetWindowThreadProcessId(root, nullptr);
    bool attached = target && target != self && AttachThreadInput(self, target, TRUE);
    HWND previous = GetFocus();
    SetForegroundWindow(root);
    SetActiveWindow(root);
    // The shell may hand the activation over late: ask again for a while.
    for (int i = 0; i < 50 && GetActiveWindow() != root; i++) {
        Sleep(10);
        SetForegroundWindow(root);
        SetActiveWindow(root);
    }
    SetFocus(window);
    if (attached) AttachThreadInput(self, target, FALSE);
    return previous;
}
