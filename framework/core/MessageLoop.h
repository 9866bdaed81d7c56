// MessageLoop.h - the UI thread's message loop, its filter and the hidden
// control window ("ZRPPhantom") that hears other instances and the system.
#pragma once

#include <windows.h>

struct AppObject;

int RunMessageLoop(AppObject* app);
// Handles this thread's messages for the given time (only sleeps on another
// thread). False when WM_QUIT arrived; it is posted again for the loop.
bool PumpMessagesFor(AppObject* app, DWORD milliseconds);
// True when the message was consumed by the framework.
bool PreTranslateAppMessage(AppObject* app, MSG* msg);
LRESULT CALLBACK PhantomWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// A second start's requests (its command line, a quit) that arrive before the
// message loop runs, while start-up still shows its boxes, are kept; a quit
// also ends those boxes. Whether a quit was kept, for start-up to end on.
bool IsQuitRequestHeld();
// Posts the kept requests to the control window again (the loop's first step).
void PostHeldInstanceRequests(AppObject* app);
void SetResizeCursor();
// Rescales application windows after a display or DPI change.
void HandleDisplayChange(AppObject* app, UINT message, WPARAM wParam, LPARAM lParam);
