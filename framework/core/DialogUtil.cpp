// DialogUtil.cpp - number fields, control texts, enabling, foreground and centring.
#include "framework/core/DialogUtil.h"

#include "framework/core/MonitorTable.h"
#include "framework/core/TextUtil.h"

#include <stdarg.h>
#include <stdlib.h>

//--- control texts and numbers

void SetDlgItemNumber(HWND dialog, int id, int number)
{
    char text[16];
    FormatText(text, sizeof(text), "%d", number);
    SetDlgItemTextA(dialog, id, text);
}

void SetDlgItemFormatted(HWND dialog, int id, const char* format, ...)
{
    char text[1024];
    va_list args;
    va_start(args, format);
    FormatTextV(text, sizeof(text), format, args);
    va_end(args);
    SetDlgItemTextA(dialog, id, text);
}

static int Clamp(long value, int minimum, int maximum)
{
    if (value < minimum) return minimum;
    if (value > maximum) return maximum;
    return (int)value;
}

// Reads the control as a decimal number. *trailing tells whether anything
// follows the number; false when there is no number at all.
static bool ReadDlgItemNumber(HWND dialog, int id, long* value, bool* trailing)
{
    char text[32] = {};
    GetDlgItemTextA(dialog, id, text, sizeof(text));
    char* end = nullptr;
    *value = strtol(text, &end, 10);
    if (end == text) return false;
    *trailing = *end != '\0';
    return true;
}

int GetDlgItemNumber(HWND dialog, int id, int minimum, int maximum)
{
    long value = 0;
    bool trailing = false;
    if (!ReadDlgItemNumber(dialog, id, &value, &trailing) || trailing) return minimum;
    return Clamp(value, minimum, maximum);
}

int GetDlgItemNumberDefault(HWND dialog, int id, int minimum, int maximum, int def)
{
    long value = 0;
    bool trailing = false;
    if (!ReadDlgItemNumber(dialog, id, &value, &trailing) || (trailing && def != DLG_NUMBER_LENIENT))
        value = def;
    return Clamp(value, minimum, maximum);
}

void EnableDlgItems(bool enable, HWND dialog, ...)
{
    va_list ids;
    va_start(ids, dialog);
    for (int id = va_arg(ids, int); id >= 1; id = va_arg(ids, int))
        EnableWindow(GetDlgItem(dialog, id), enable);
    va_end(ids);
}

BOOL CALLBACK EnableChildWindowProc(HWND child, LPARAM enable)
{
    EnableWindow(child, enable != 0);
    return TRUE;
}

bool IsCursorOverWindow(HWND window)
{
    POINT pt;
    return window && GetCursorPos(&pt) && WindowFromPoint(pt) == window;
}

//--- windows

HWND ForceForegroundWindow(HWND window, bool attach)
{
    HWND root = GetAncestor(window, GA_ROOT);
    if (!root) root = window;
    HWND focus;
    if (attach) {
        DWORD mine = GetCurrentThreadId();
        DWORD theirs = GetWindowThreadProcessId(root, nullptr);
        bool attached = theirs != mine && AttachThreadInput(mine, theirs, TRUE);
        focus = GetFocus();
        SetForegroundWindow(root);
        SetActiveWindow(root);
        // The activation may land late when another thread owned the foreground.
        for (int i = 0; i < 50 && GetActiveWindow() != root; i++) {
            Sleep(10);
            SetActiveWindow(root);
        }
        SetFocus(window);
        if (attached) AttachThreadInput(mine, theirs, FALSE);
    } else {
        focus = GetFocus();
        SetForegroundWindow(root);
        SetActiveWindow(root);
        SetFocus(window);
    }
    return focus;
}

void CenterWindow(HWND window)
{
    HWND parent = GetParent(window);
    RECT ref, own;
    if (!GetWindowRect(parent ? parent : GetDesktopWindow(), &ref) || !GetWindowRect(window, &own)) return;
    int width = own.right - own.left, height = own.bottom - own.top;
    int left = ref.left + ((ref.right - ref.left) - width) / 2;
    int top = ref.top + ((ref.bottom - ref.top) - height) / 2;

    int index = MonitorFromPointIndex(ref.left, ref.top, false);
    MonitorTable monitors;
    GetMonitorSnapshot(&monitors);
    if (index >= 0 && index < monitors.count && index < MONITOR_TABLE_MAX) {
        const RECT& work = monitors.workAreas[index];
        // The left and top edges win when the window is wider than the area.
        if (left > work.right - width) left = work.right - width;
        if (left < work.left) left = work.left;
        if (top > work.bottom - height) top = work.bottom - height;
        if (top < work.top) top = work.top;
    }
    POINT at = {left, top};
    if ((GetWindowLongA(window, GWL_STYLE) & WS_CHILD) && parent) ScreenToClient(parent, &at);
    SetWindowPos(window, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
