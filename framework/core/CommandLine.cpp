// CommandLine.cpp - options with arguments, and finding the running instance.
#include "framework/core/CommandLine.h"

#include "framework/core/AppObject.h"
#include "framework/core/AppWindow.h"
#include "framework/core/TextUtil.h"

#include <string.h>

void FreeCommandLineOptions(AppObject* app)
{
    for (int i = 0; i < app->options.count; i++) FreeGrowArray(&app->options.data[i].arguments);
    FreeGrowArray(&app->options);
}

static void StartOption(CommandLineOption* option, const char* name, size_t length)
{
    memset(option, 0, sizeof(*option));
    InitGrowArray(&option->arguments);
    CopyTextN(option->name, sizeof(option->name), name, length);
}

// A failed append must not leak the option's argument list.
static void FinishOption(AppObject* app, CommandLineOption* option, bool* open)
{
    if (!*open) return;
    if (ArrayAppend(&app->options, option) < 0) FreeGrowArray(&option->arguments);
    *open = false;
}

int ParseCommandLine(AppObject* app, const char* text)
{
    FreeCommandLineOptions(app);
    app->autostart = app->minimize = app->taskScheduler = 0;
    if (!text || !*text) return 0;

    bool quit = false, wait = false, open = false;
    CommandLineOption option;
    const char* p = text;
    for (;;) {
        while (*p == ' ') p++;
        if (!*p) break;
        if (*p == '-') {
            FinishOption(app, &option, &open);
            const char* end = strchr(p, ' ');
            size_t len = end ? (size_t)(end - p) : strlen(p);
            StartOption(&option, p, len);
            open = true;
            if (!_stricmp(option.name, "-QUIT")) quit = true;
            else if (!_stricmp(option.name, "-WAITFORDATAPATH")) wait = true;
            else if (!_stricmp(option.name, "-AUTOSTART")) app->autostart = 1;
            else if (!_stricmp(option.name, "-MINIMIZE")) app->minimize = 1;
            else if (!_stricmp(option.name, "-TASKSCHEDULER")) app->taskScheduler = 1;
            p += len;
            continue;
        }
        if (!open) {
            StartOption(&option, "", 0);
            open = true;
        }
        PathText argument = {};
        if (*p == '"') {
            const char* start = p + 1;
            const char* close = strchr(start, '"');
            size_t len = close ? (size_t)(close - start) : strlen(start);
            CopyTextN(argument.text, sizeof(argument.text), start, len);
            p = close ? close + 1 : start + len;
        } else {
            const char* end = strchr(p, ' ');
            size_t len = end ? (size_t)(end - p) : strlen(p);
            CopyTextN(argument.text, sizeof(argument.text), p, len);
            p += len;
        }
        ArrayAppend(&option.arguments, &argument);
    }
    FinishOption(app, &option, &open);
    return quit ? -1 : (wait ? 1 : 0);
}

BOOL CALLBACK FindPhantomWindowProc(HWND window, LPARAM context)
{
    FindPhantomContext* ctx = (FindPhantomContext*)context;
    char cls[64] = {};
    if (!GetClassNameA(window, cls, sizeof(cls)) || _stricmp(cls, "ZRPPhantom") != 0) return TRUE;
    char title[MAX_PATH] = {};
    GetWindowTextA(window, title, sizeof(title));
    if (strcmp(title, ctx->productName) != 0) return TRUE;
    ctx->found = window;
    return FALSE;
}

HWND FindRunningInstance(const char* productName)
{
    FindPhantomContext ctx = {productName, nullptr};
    EnumWindows(FindPhantomWindowProc, (LPARAM)&ctx);
    return ctx.found;
}

//--- single instance

// Held by the running instance's UI thread from start-up to teardown.
static HANDLE g_instanceMutex;

// How long a start that lost the race waits for the winner's control window.
static const DWORD kHandOverWaitMs = 15000;
static const DWORD kHandOverPollMs = 50;

// One name per product and session: "Local\ZRP-<product>-<token>".
static void InstanceMutexName(const AppObject* app, char* name, size_t cap)
{
    FormatText(name, cap, "Local\\ZRP-%s-%08X", app->productName, (unsigned)app->instanceToken);
    // Only the namespace may hold a backslash.
    for (char* p = name + 6; *p; p++)
        if (*p == '\\') *p = '_';
}

bool ClaimSingleInstance(const AppObject* app, bool quit)
{
    if (g_instanceMutex) return true;
    char name[MAX_PATH + 32];
    InstanceMutexName(app, name, sizeof(name));
    HANDLE mutex = quit ? OpenMutexA(SYNCHRONIZE, FALSE, name) : CreateMutexA(nullptr, FALSE, name);
    if (!mutex) {
        // Quitting with no instance, or a mutex we may not open (one made by
        // an elevated instance): the window search decides, as it always did.
        return !quit && !FindRunningInstance(app->productName);
    }
    ULONGLONG end = GetTickCount64() + kHandOverWaitMs;
    for (DWORD wait = 0;; wait = kHandOverPollMs) {
        // Abandoned: the last holder ended without letting go; it is ours now.
        DWORD got = WaitForSingleObject(mutex, wait);
        if (got == WAIT_OBJECT_0 || got == WAIT_ABANDONED) {
            if (!quit) {
                g_instanceMutex = mutex;
                return true;
            }
            ReleaseMutex(mutex);
            break;
        }
        if (got != WAIT_TIMEOUT || FindRunningInstance(app->productName) || GetTickCount64() >= end) break;
    }
    CloseHandle(mutex);
    return false;
}

void ReleaseSingleInstance()
{
    if (!g_instanceMutex) return;
    ReleaseMutex(g_instanceMutex);
    CloseHandle(g_instanceMutex);
    g_instanceMutex = nullptr;
}

LRESULT SendToActiveAppWindow(UINT message, WPARAM wParam)
{
    GrowArray<AppWindow*>* w = &g_app.windows;
    if (w->count == 0) return -1;
    for (int i = w->count - 1; i > 0; i--) {
        if (w->data[i]->flags & APPWIN_TOPWINDOW)
            return SendMessageA(w->data[i]->window, message, wParam, 0);
    }
    return SendMessageA(w->data[0]->window, message, wParam, 0);
}
