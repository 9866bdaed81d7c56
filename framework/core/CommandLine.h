// CommandLine.h - splitting the command line and handing it to a running instance.
#pragma once

#include <windows.h>

struct AppObject;

// Refills app->options and the three option flags. -1 when "-QUIT" occurred,
// else 1 when "-WAITFORDATAPATH" occurred, else 0.
int ParseCommandLine(AppObject* app, const char* text);
void FreeCommandLineOptions(AppObject* app);
// EnumWindows callback: lParam points to a FindPhantomContext.
BOOL CALLBACK FindPhantomWindowProc(HWND window, LPARAM context);
struct FindPhantomContext {
    const char* productName;
    HWND found;
};
// The running instance's control window, or null.
HWND FindRunningInstance(const char* productName);
// Sends to the active application window; -1 when there is none.
LRESULT SendToActiveAppWindow(UINT message, WPARAM wParam);
