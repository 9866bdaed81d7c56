// Engine.h - the program's process-wide values that belong to no one module.
#pragma once

#include <windows.h>

#include <stdint.h>

// The main window; set once when it is created, before any worker starts,
// and only read afterwards.
extern HWND g_mainWindow;
// Set at start-up by "-NOEXECUTE" or "-LOAD" and cleared by the first tick,
// both on the UI thread; passes read it (one byte: a late read only delays).
extern uint8_t g_noExecute;
// Whether the mouse buttons are swapped; set once at start-up.
extern uint8_t g_mouseSwapped;
// The primary monitor's work area, the origin of placement coordinates; set
// once at start-up before any pass.
extern RECT g_workArea;
// The modeless main dialog while it is open, else null; set and cleared on
// the UI thread, read by passes to post it a refresh.
extern HWND g_mainDialog;
// The current virtual desktop (from 0); UI thread only.
extern int32_t g_currentDesktop;
