// Log.h - the program's one log function.
#pragma once

#include <windows.h>

#include "engine/ProductIds.h"

// The Window List while it is open: receives every line as WM_LOGLINE. Set
// and cleared by the UI thread; writers read it once per line.
extern HWND g_logWindow;
// The log file; set once at start-up before any thread logs.
extern char g_logPath[MAX_PATH];

// Time-stamped line to the log window and, with Options.bMonLogToFile, the
// log file. Safe from any thread.
void LogLine(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Prepares the log lock; called once at start-up before any thread exists.
void InitLog();
