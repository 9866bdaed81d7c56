// ForeignWindow.cpp - bounded calls on windows of other threads.
#include "framework/core/ForeignWindow.h"

#include "framework/core/TextUtil.h"

#include <stdlib.h>
#include <string.h>

bool IsOwnThreadWindow(HWND window)
{
    return window && GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId();
}

bool WindowAnswers(HWND window)
{
    if (IsOwnThreadWindow(window)) return true;
    // SMTO_BLOCK: no other sender's message is handled here meanwhile, so a
    // caller in the middle of a pass is never re-entered.
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK, WINDOW_ANSWER_MS,
                               &result) != 0;
}

int ReadWindowTitle(HWND window, char* buffer, int size)
{
    if (!buffer || size <= 0) return 0;
    buffer[0] = '\0';
    // GetWindowTextA sends WM_GETTEXT to a window of this process; this reads
    // the text the system keeps for every window.
    WCHAR wide[1024];
    int n = InternalGetWindowText(window, wide, (int)(sizeof(wide) / sizeof(wide[0])));
    if (n <= 0) return 0;
    char narrow[4 * sizeof(wide) / sizeof(wide[0])];   // room for any code page
    int m = WideCharToMultiByte(CP_ACP, 0, wide, n, narrow, (int)sizeof(narrow), nullptr, nullptr);
    if (m <= 0) return 0;
    CopyTextN(buffer, (size_t)size, narrow, (size_t)m);
    return (int)strnlen(buffer, (size_t)size);
}

struct ExStyleCall {
    HWND window;
    LONG style;
};

static DWORD WINAPI ExStyleThread(void* context)
{
    ExStyleCall* call = (ExStyleCall*)context;
    SetWindowLongA(call->window, GWL_EXSTYLE, call->style);
    free(call);
    return 0;
}

bool SetWindowExStyle(HWND window, LONG style)
{
    if (IsOwnThreadWindow(window)) {
        SetWindowLongA(window, GWL_EXSTYLE, style);
        return true;
    }
    if (!WindowAnswers(window)) return false;
    // The change is sent to the window's thread and waits for it: a helper
    // makes the call, so a thread that stops answering now holds only that.
    ExStyleCall* call = (ExStyleCall*)malloc(sizeof(ExStyleCall));
    if (!call) return false;
    call->window = window;
    call->style = style;
    HANDLE thread = CreateThread(nullptr, 0, ExStyleThread, call, 0, nullptr);
    if (!thread) {
        free(call);
        return false;
    }
    bool done = WaitForSingleObject(thread, WINDOW_ANSWER_MS) == WAIT_OBJECT_0;
    CloseHandle(thread);
    return done;
}
