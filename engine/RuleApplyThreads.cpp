// RuleApplyThreads.cpp - delayed and retried application on threads of their
// own, and the starters of rule and profile scripts.
#include "engine/Rules.h"

#include <objbase.h>
#include <stdlib.h>
#include <string.h>

ScriptThreadContext* NewScriptThreadContext(const Rule* rule, const MonitoredWindow* window,
                                            uint32_t mode, uint8_t slot)
{
    ScriptThreadContext* c = (ScriptThreadContext*)calloc(1, sizeof(ScriptThreadContext));
    if (!c) return nullptr;
    if (rule) memcpy(&c->rule, rule, sizeof(Rule));
    if (window) memcpy(&c->window, window, sizeof(MonitoredWindow));
    c->mode = mode;
    c->slot = slot;
    return c;
}

bool StartContextThread(LPTHREAD_START_ROUTINE proc, ScriptThreadContext* context)
{
    if (!context) return false;
    HANDLE thread = CreateThread(nullptr, 0, proc, context, 0, nullptr);
    if (!thread) {
        free(context);
        return false;
    }
    CloseHandle(thread);
    return true;
}

// Refreshes the copy's normal rectangle (not its state); false when the
// window is gone.
static bool RereadWindow(MonitoredWindow* w)
{
    if (!IsWindow(w->hwnd)) return false;
    int x = 0, y = 0, width = 0, height = 0;
    GetWindowGeometry(w->hwnd, &x, &y, &width, &height, nullptr, nullptr);
    if (!IsWindow(w->hwnd)) return false;
    w->x = x;
    w->y = y;
    w->width = width;
    w->height = height;
    return true;
}

DWORD WINAPI DelayedApplyThread(void* context)
{
    ScriptThreadContext* c = (ScriptThreadContext*)context;
    HRESULT com = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    Sleep(c->rule.tdelaytime > 0 ? (DWORD)c->rule.tdelaytime : 0);
    DWORD result = APPLY_THREAD_WINDOW_GONE;
    if (RereadWindow(&c->window)) {
        ApplyRuleToWindow(&c->window, &c->rule, c->slot, c->mode);
        result = APPLY_THREAD_DONE;
    }
    free(c);
    if (SUCCEEDED(com)) CoUninitialize();
    return result;
}

DWORD WINAPI RetryApplyThread(void* context)
{
    ScriptThreadContext* c = (ScriptThreadContext*)context;
    HRESULT com = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    ULONGLONG start = GetTickCount64();
    DWORD result = APPLY_THREAD_GAVE_UP;
    while (GetTickCount64() - start < c->rule.tretrytime) {
        Sleep(20);
        if (!RereadWindow(&c->window)) {
            result = APPLY_THREAD_WINDOW_GONE;
            break;
        }
        if (ApplyRuleToWindow(&c->window, &c->rule, c->slot, c->mode)) {
            result = APPLY_THREAD_DONE;
            break;
        }
    }
    free(c);
    if (SUCCEEDED(com)) CoUninitialize();
    return result;
}

// Scripts run in the script interpreter, which this build does not have: no
// thread is started, and that answers 0 as a thread that cannot be started
// does (an "On Match" condition then holds).
uint32_t RunRuleCommand(MonitoredWindow*, Rule*, int, int)
{
    return 0;
}

uint32_t RunProfileCommand(Profile*, int)
{
    return 0;
}
