// BaselineMover.cpp - the least a placer can do: on every window-creation event,
// move each "Bench Window" to the target at once. No rules, no table, no log.
//   baseline_mover <x> <y> <width> <height>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

static RECT g_target;

static BOOL CALLBACK MoveBenchWindow(HWND w, LPARAM)
{
    char title[64];
    if (!IsWindowVisible(w) || GetWindowTextA(w, title, sizeof(title)) <= 0) return TRUE;
    if (strncmp(title, "Bench Window", 12) != 0) return TRUE;
    RECT r;
    GetWindowRect(w, &r);
    if (!EqualRect(&r, &g_target))
        SetWindowPos(w, nullptr, g_target.left, g_target.top, g_target.right - g_target.left,
                     g_target.bottom - g_target.top, SWP_NOZORDER | SWP_NOACTIVATE);
    return TRUE;
}

static void CALLBACK OnEvent(HWINEVENTHOOK, DWORD, HWND, LONG, LONG, DWORD, DWORD)
{
    EnumWindows(MoveBenchWindow, 0);
}

int main(int argc, char** argv)
{
    if (argc < 5) return 2;
    SetRect(&g_target, atoi(argv[1]), atoi(argv[2]), atoi(argv[1]) + atoi(argv[3]),
            atoi(argv[2]) + atoi(argv[4]));
    HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_CREATE, EVENT_OBJECT_NAMECHANGE, nullptr, OnEvent,
                                         0, 0, WINEVENT_OUTOFCONTEXT);
    if (!hook) return 3;
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
    UnhookWinEvent(hook);
    return 0;
}
