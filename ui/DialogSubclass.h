// DialogSubclass.h - what the product's dialogs share: a control's own window
// procedure kept in a property of the control (so two dialogs' controls never
// share one), and the layout and minimum size of a resizable dialog.
#pragma once

#include <windows.h>

#include "framework/ui/DialogSetup.h"

// Installs proc over the control's own procedure, kept under the property
// name; a second call leaves the first in place.
inline void SubclassControl(HWND control, WNDPROC proc, const char* property)
{
    if (!control || GetPropA(control, property)) return;
    SetPropA(control, property, (HANDLE)GetWindowLongPtrA(control, GWLP_WNDPROC));
    SetWindowLongPtrA(control, GWLP_WNDPROC, (LONG_PTR)proc);
}

// The control's own procedure with the message; on WM_NCDESTROY the
// property goes afterwards.
inline LRESULT CallControlProc(HWND control, const char* property, UINT message, WPARAM wParam, LPARAM lParam)
{
    WNDPROC previous = (WNDPROC)GetPropA(control, property);
    LRESULT result = previous ? CallWindowProcA(previous, control, message, wParam, lParam)
                              : DefWindowProcA(control, message, wParam, lParam);
    if (message == WM_NCDESTROY) RemovePropA(control, property);
    return result;
}

// WM_GETMINMAXINFO: widths and heights times the reference control's client size.
inline void SetMinimumTrackSize(HWND dialog, int referenceId, int widths, int heights, MINMAXINFO* info)
{
    RECT r;
    HWND reference = GetDlgItem(dialog, referenceId);
    if (!reference || !GetClientRect(reference, &r)) return;
    info->ptMinTrackSize.x = widths * (r.right - r.left);
    info->ptMinTrackSize.y = heights * (r.bottom - r.top);
}

// A resizable dialog's layout; recorded from its first layout until freed.
struct ResizableLayout {
    DialogLayout layout;
    bool         recorded;
};

inline void FreeResizableLayout(ResizableLayout* r)
{
    if (r->recorded) DialogLayoutFree(&r->layout);
    r->recorded = false;
}

// WM_SIZE and WM_GETMINMAXINFO of a resizable dialog: the recorded layout
// follows the size, and the dialog keeps at least widths x heights of the
// reference control. True when the message was one of the two.
inline bool HandleDialogSizing(ResizableLayout* r, HWND dialog, UINT message, LPARAM lParam, int referenceId,
                               int widths, int heights)
{
    if (message == WM_SIZE) {
        if (r->recorded) DialogLayoutApply(&r->layout);
        return true;
    }
    if (message == WM_GETMINMAXINFO) {
        SetMinimumTrackSize(dialog, referenceId, widths, heights, (MINMAXINFO*)lParam);
        return true;
    }
    return false;
}
