// WindowBlink.h - flashing the capture frame around a window a few times, on a
// thread of its own (the Window List, the rule pages and the BLINK statement).
#pragma once

#include <windows.h>

// Stores count and delay (ms) and starts the blink thread for the window
// without waiting. A blink already running takes the new count and delay.
void BlinkWindow(HWND window, int count, int delay);
// Thread procedure; the parameter is the window.
DWORD WINAPI BlinkWindowThread(void* window);
// True while a blink thread runs.
bool IsBlinkBusy();
