// RuleApplyThreads.cpp - delayed and retried application on threads of their
// own, and the starters of rule and profile scripts.
#include "engine/Rules.h"

#include "engine/Worker.h"
#include "framework/core/AppObject.h"
#include "framework/core/MessageLoop.h"
#include "framework/core/TextUtil.h"

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

uint8_t g_profileScriptChain;

static bool OnControlThread()
{
    return g_app.controlWindow &&
           GetWindowThreadProcessId(g_app.controlWindow, nullptr) == GetCurrentThreadId();
}

// The script thread's handle, or null (the context is then freed).
static HANDLE StartScriptThread(ScriptThreadContext* c)
{
    // The scripts a script-asked switch starts carry its chain: the profile's
    // on the UI thread, the rules' through the windows its pass applied to,
    // whichever thread runs them. Past the limit none starts, so scripts that
    // switch to each other come to an end.
    uint8_t chain = c->window.switchChain;
    if (OnControlThread() && g_profileScriptChain > chain) chain = g_profileScriptChain;
    if (chain > SCRIPT_SWITCH_CHAIN_MAX) {
        free(c);
        return nullptr;
    }
    c->switchChain = chain;
    HANDLE thread = CreateThread(nullptr, 0, RunCommandScript, c, 0, nullptr);
    if (!thread) free(c);
    return thread;
}

static bool ScriptEnded(HANDLE thread, DWORD* code)
{
    DWORD c = STILL_ACTIVE;
    if (!GetExitCodeThread(thread, &c) || c == STILL_ACTIVE) return false;
    *code = c;
    return true;
}

uint32_t RunRuleCommand(MonitoredWindow* entry, Rule* rule, int slot, int waitMs)
{
    if (!rule || slot < 0 || slot >= RULE_SCRIPT_SLOTS) return 0;
    ScriptThreadContext* c = NewScriptThreadContext(rule, entry, SCRIPT_RUN_FREE, (uint8_t)slot);
    if (!c) return 0;
    HANDLE thread = StartScriptThread(c);
    if (!thread) return 0;
    DWORD code = 0;
    if (waitMs > 0) {
        code = STILL_ACTIVE;
        bool ui = OnControlThread();
        int rounds = (waitMs + 49) / 50;
        for (int i = 0; i < rounds; i++) {
            if (ui) {
                if (!PumpMessagesFor(&g_app, 50)) break;   // WM_QUIT came: it was posted again
            } else {
                WaitForSingleObject(thread, 50);
            }
            if (ScriptEnded(thread, &code)) break;
            if (!ui && AutoApplyWorkerStopping()) break;
        }
    }
    CloseHandle(thread);
    return code;
}

uint32_t RunProfileCommand(Profile* profile, int index)
{
    if (!profile || index < 0 || index > 2) return 0;   // activate, deactivate, execute
    ScriptThreadContext* c = NewScriptThreadContext(nullptr, nullptr, SCRIPT_RUN_FREE, (uint8_t)index);
    if (!c) return 0;
    CopyText(c->rule.cmdtext[index], sizeof(c->rule.cmdtext[index]), profile->szAdvCmdText[index]);
    HANDLE thread = StartScriptThread(c);
    if (thread) CloseHandle(thread);
    return 0;
}
