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
// Decides whether this start becomes the running instance: true when it now
// holds the product's instance mutex (until ReleaseSingleInstance). A start
// that finds the mutex held waits a little for the holder's control window,
// or for the mutex, so that its hand-over is not lost. A quitting start never
// takes the mutex; it only waits for a starting instance's window.
bool ClaimSingleInstance(const AppObject* app, bool quit);
// Lets the next start become the instance; safe to call more than once.
void ReleaseSingleInstance();
// Sends to the active application window; -1 when there is none.
LRESULT SendToActiveAppWindow(UINT message, WPARAM wParam);
