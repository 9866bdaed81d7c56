// Worker.h - the auto-apply worker, the window-event hook and the notification
// callbacks that wake it or the main window.
#pragma once

#include <windows.h>

// The worker's one job per wake-up, handed in by the program so the worker
// knows nothing of profiles.
typedef void (*WorkerPassProc)();

// Creates the auto-reset event and the thread; false when either cannot be made.
bool StartAutoApplyWorker(WorkerPassProc pass);
// Stops the worker, waiting at most timeoutMs; false when it did not stop (it
// may then still hold the table lock).
bool StopAutoApplyWorker(DWORD timeoutMs);
// Tells a pass that waits (for an "On Match" script) to give up, so that
// shutdown gets the table lock at once; StopAutoApplyWorker does it too.
void BeginAutoApplyStop();
// True from BeginAutoApplyStop or StopAutoApplyWorker until the next start.
bool AutoApplyWorkerStopping();
// Wakes the worker for one pass; nothing before it started.
void WakeAutoApply();
// A pass left events kept for windows that did not answer: the worker asks
// them again once a second. It sees to it after its own passes; a pass on
// another thread wakes it.
void WakeForKeptEvents();

void CALLBACK WinEventProc(HWINEVENTHOOK hook, DWORD event, HWND window, LONG objectId,
                           LONG childId, DWORD threadId, DWORD time);
void StartSessionNotifyThread();
void UnregisterSessionNotification();
// Network callbacks run on system threads: they only post to the main window.
void CALLBACK OnIpInterfaceChange(PVOID context, PVOID row, int notificationType);
void CALLBACK OnWlanNotification(PVOID data, PVOID context);
