// Worker.h - the auto-apply worker, the window-event hook and the notification callbacks.
#pragma once

#include <windows.h>

DWORD WINAPI AutoApplyThread(LPVOID parameter);
void CALLBACK WinEventProc(HWINEVENTHOOK hook, DWORD event, HWND window, LONG objectId,
                           LONG childId, DWORD threadId, DWORD time);
DWORD WINAPI SessionNotifyThread(LPVOID parameter);
void StartSessionNotifyThread();
void UnregisterSessionNotification();
// Network callbacks run on system threads: they only post to the main window.
#define WM_NETWORKCHANGED (WM_APP + 0x21)
void CALLBACK OnIpInterfaceChange(PVOID context, PVOID row, int notificationType);
void CALLBACK OnWlanNotification(PVOID data, PVOID context);
// Wakes the worker for one monitor pass.
void WakeAutoApply();
