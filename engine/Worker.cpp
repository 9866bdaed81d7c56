// Worker.cpp - one monitor pass per wake-up, on a thread of its own.
#include "engine/Worker.h"

#include "engine/Engine.h"
#include "engine/EngineStubs.h"
#include "engine/MonitorPass.h"
#include "engine/Records.h"

#include <objbase.h>
#include <wtsapi32.h>

static ULONGLONG g_lastPass;          // worker thread only
static volatile LONG g_sessionRegistered;

void WakeAutoApply()
{
    if (g_autoApplyEvent) SetEvent(g_autoApplyEvent);
}

DWORD WINAPI AutoApplyThread(LPVOID)
{
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    while (InterlockedCompareExchange(&g_running, 1, 1) == 1) {
        DWORD w = WaitForSingleObject(g_autoApplyEvent, 1000);
        if (InterlockedCompareExchange(&g_running, 1, 1) != 1) break;
        if (w != WAIT_OBJECT_0) continue;
        ULONGLONG now = GetTickCount64();
        if (now - g_lastPass < 10) Sleep(10);
        g_lastPass = now;
        MonitorPassForCurrentProfile();
    }
    return 0;
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

DWORD WINAPI SessionNotifyThread(LPVOID)
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
