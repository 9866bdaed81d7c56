// Log.h - the program's one log function.
#pragma once

#include <windows.h>

// The Window List while it is open: receives every line as message 0x800A.
extern HWND g_logWindow;
#define WM_LOGLINE 0x800A

// Time-stamped line to the log window and, with Options.bMonLogToFile, the
// log file. Safe from any thread.
void LogLine(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Prepares the log lock; called once at start-up before any thread exists.
void InitLog();
