// AppShell.h - waiting for the data folder, the tray icon of application
// windows, elevation and the old Startup-folder shortcut.
#pragma once

#include <windows.h>

#include <stdint.h>

struct AppObject;

struct WaitContext {
    char     tipText[MAX_PATH];
    char     menuText[MAX_PATH];
    HINSTANCE instance;
    HWND     window;
    uint8_t  cancelled;
};

// 0 the folder exists or was created, 1 cancelled, 2 still unreachable.
// retries: 1 allows one retry a second later; negative retries until done.
int WaitForDataPath(WaitContext* context, const char* folder, int retries, const char* tipText,
                    const char* menuText);
LRESULT CALLBACK WaitForDataPathWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
HICON LoadIconFromResource();
void MakeGreyedIcon(HICON icons[2]);
// Adds, changes or (for an icon that does not load, e.g. 0xFFFF) removes the
// tray icon of an application window. The shell's result.
BOOL SetTrayIcon(AppObject* app, uint16_t windowNumber, uint16_t iconResource,
                 const char* format, ...);
// 1 elevated (or before Vista), 0 not, -1 unknown.
int IsProcessElevated();
// 0, or 0xF013 when the Startup folder cannot be located.
int RemoveStartupShortcut(AppObject* app);
