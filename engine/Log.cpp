// Log.cpp - time-stamped log lines to the Window List and the log file.
#include "engine/Log.h"

#include "engine/OptionsRecord.h"
#include "framework/core/AppObject.h"
#include "framework/core/MessageLoop.h"
#include "framework/core/TextUtil.h"

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

HWND g_logWindow;
char g_logPath[MAX_PATH];

static CRITICAL_SECTION g_logLock;
static INIT_ONCE g_logOnce = INIT_ONCE_STATIC_INIT;
static char g_line[2048];   // guarded by g_logLock

static BOOL CALLBACK InitLogLock(PINIT_ONCE, PVOID, PVOID*)
{
    InitializeCriticalSection(&g_logLock);
    return TRUE;
}

void InitLog()
{
    InitOnceExecuteOnce(&g_logOnce, InitLogLock, nullptr, nullptr);
}

void LogLine(const char* format, ...)
{
    HWND window = g_logWindow;
    if (!window && !Options.bMonLogToFile) return;
    InitLog();
    bool locked = TryEnterCriticalSection(&g_logLock) != 0;
    for (int i = 0; !locked && i < 100; i++) {
        PumpMessagesFor(&g_app, 10);
        locked = TryEnterCriticalSection(&g_logLock) != 0;
    }
    if (!locked) return;

    SYSTEMTIME t;
    GetLocalTime(&t);
    FormatText(g_line, sizeof(g_line), "%02d:%02d:%02d.%03d ", t.wHour, t.wMinute, t.wSecond,
               t.wMilliseconds);
    char text[2031];
    va_list args;
    va_start(args, format);
    FormatTextV(text, sizeof(text), format, args);   // the text is cut at 2030 characters
    va_end(args);
    AppendText(g_line, sizeof(g_line), text);
    AppendText(g_line, sizeof(g_line), "\r\n");

    if (window) SendMessageA(window, WM_LOGLINE, 0, (LPARAM)g_line);
    if (Options.bMonLogToFile && g_logPath[0]) {
        FILE* f = fopen(g_logPath, "ab+");
        if (f) {
            fwrite(g_line, 1, strlen(g_line), f);
            fclose(f);
        }
    }
    LeaveCriticalSection(&g_logLock);
}
