// Worker.cpp - one pass per wake-up, on a thread of its own.
#include "engine/Worker.h"

#include "engine/Engine.h"
#include "engine/ProductIds.h"
#include "engine/WindowTable.h"

#include <objbase.h>
#include <wtsapi32.h>

// Written by the UI thread before the thread starts and after it stopped.
static HANDLE g_autoApplyEvent;
static HANDLE g_workerThread;
static WorkerPassProc g_workerPass;
static volatile LONG g_running;
static volatile LONG g_stopping;
static volatile LONG g_sessionRegistered;
static volatile DWORD g_workerThreadId;

void WakeAutoApply()
{
    if (g_autoApplyEvent) SetEvent(g_autoApplyEvent);
}

// Two passes start at least this far apart.
static const double kPassSpacingMs = 10;

static double PreciseNowMs()
{
    static LARGE_INTEGER frequency;
    if (!frequency.QuadPart) QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return (double)now.QuadPart * 1000.0 / (double)frequency.QuadPart;
}

static DWORD WINAPI AutoApplyThread(LPVOID)
{
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    g_workerThreadId = GetCurrentThreadId();
    double lastPass = -kPassSpacingMs;
    while (InterlockedCompareExchange(&g_running, 1, 1) == 1) {
        // Idle, it waits without a timeout: nothing runs until something happens.
        DWORD w = WaitForSingleObject(g_autoApplyEvent, g_windowsPending ? 1000 : INFINITE);
        if (InterlockedCompareExchange(&g_running, 1, 1) != 1) break;
        // A window that did not answer is tried again without a wake-up:
        // nothing tells when it answers again.
        if (w != WAIT_OBJECT_0 && !g_windowsPending) continue;
        // Only what is left of the spacing is waited for; the tick count
        // would be too coarse on Windows to tell it.
        double now = PreciseNowMs();
        while (now - lastPass < kPassSpacingMs) {
            Sleep((DWORD)(kPassSpacingMs - (now - lastPass)) + 1);
            now = PreciseNowMs();
        }
        lastPass = now;
        g_workerPass();
    }
    CoUninitialize();
    return 0;
}

void WakeForKeptEvents()
{
    if (GetCurrentThreadId() != g_workerThreadId) WakeAutoApply();
}

bool StartAutoApplyWorker(WorkerPassProc pass)
{
    if (!pass || g_workerThread) return false;
    g_autoApplyEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (!g_autoApplyEvent) return false;
    g_workerPass = pass;
    InterlockedExchange(&g_stopping, 0);
    InterlockedExchange(&g_running, 1);
    g_workerThread = CreateThread(nullptr, 0, AutoApplyThread, nullptr, 0, nullptr);
    if (g_workerThread) return true;
    InterlockedExchange(&g_running, 0);
    CloseHandle(g_autoApplyEvent);
    g_autoApplyEvent = nullptr;
    return false;
}

void BeginAutoApplyStop()
{
    InterlockedExchange(&g_stopping, 1);
}

bool AutoApplyWorkerStopping()
{
    return InterlockedCompareExchange(&g_stopping, 0, 0) != 0;
}

bool StopAutoApplyWorker(DWORD timeoutMs)
{
    BeginAutoApplyStop();
    InterlockedExchange(&g_running, 0);
    if (!g_workerThread) return true;
    SetEvent(g_autoApplyEvent);
    bool stopped = WaitForSingleObject(g_workerThread, timeoutMs) == WAIT_OBJECT_0;
    CloseHandle(g_workerThread);
    g_workerThread = nullptr;
    // A thread still running keeps waiting on the event: leave it open.
    if (stopped) {
        CloseHandle(g_autoApplyEvent);
        g_autoApplyEvent = nullptr;
    }
    return stopped;
}

void CALLBACK WinEventProc(HWINEVENTHOOK, DWORD event, HWND window, LONG objectId, LONG childId,
                           DWORD, DWORD)
{
    if (objectId != OBJID_WINDOW || childId != CHILDID_SELF || !window) return;
    // Events during a drag are dropped; the button-up raw input wakes the worker.
    if (GetAsyncKeyState(g_mouseSwapped ? VK_RBUTTON : VK_LBUTTON) & 0x8000) return;
    switch (event) {
    case EVENT_OBJECT_CREATE:
    case EVENT_OBJECT_DESTROY:
    case EVENT_OBJECT_SHOW:
    case EVENT_OBJECT_FOCUS:
    case EVENT_OBJECT_LOCATIONCHANGE:
    case EVENT_OBJECT_NAMECHANGE:
        break;
    default:
        return;
    }
    if (GetWindowLongA(window, GWL_STYLE) & WS_CHILD) return;
    WakeAutoApply();
}

static DWORD WINAPI SessionNotifyThread(LPVOID)
{
    for (int attempt = 0; attempt <= 60; attempt++) {
        if (attempt > 0) Sleep(10000);
        BOOL ok = WTSRegisterSessionNotification(g_mainWindow, NOTIFY_FOR_ALL_SESSIONS);
        InterlockedExchange(&g_sessionRegistered, ok ? 1 : 0);
        if (ok) break;
    }
    return 0;
}

void StartSessionNotifyThread()
{
    UnregisterSessionNotification();
    HANDLE t = CreateThread(nullptr, 0, SessionNotifyThread, nullptr, 0, nullptr);
    if (t) CloseHandle(t);
}

void UnregisterSessionNotification()
{
    if (InterlockedExchange(&g_sessionRegistered, 0)) WTSUnRegisterSessionNotification(g_mainWindow);
}

void CALLBACK OnIpInterfaceChange(PVOID, PVOID, int)
{
    if (g_mainWindow) PostMessageA(g_mainWindow, WM_NETWORKCHANGED, 0, 0);
}

void CALLBACK OnWlanNotification(PVOID, PVOID)
{
    if (g_mainWindow) PostMessageA(g_mainWindow, WM_NETWORKCHANGED, 0, 0);
}
