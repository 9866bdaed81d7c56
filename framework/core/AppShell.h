// AppShell.h - waiting for the data folder, the help file, the tray icon of
// application windows, elevation and the old Startup-folder shortcut.
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
// The help file beside the program: the product name with ".chm".
#define HELP_FILE_NAME "PanelShepherd.chm"
// The About box's topic.
#define HELP_TOPIC_ABOUT "About"

// Results of ShowHelp.
#define HELP_SHOWN      0
#define HELP_NO_VIEWER  2   // no program is associated with the help file
#define HELP_MISSING    3
#define HELP_NOT_OPENED 4   // the viewer did not start
// Opens the help file at the topic (null or empty: its start page); a failure
// is also shown in the framework message box.
int ShowHelp(AppObject* app, const char* topic);

// 1 elevated (or before Vista), 0 not, -1 unknown.
int IsProcessElevated();

// The system calls behind the help and the elevation test; tests record or
// answer them. Null members use the system.
struct ShellPlatform {
    // ShellExecuteA of the viewer with the quoted argument (SW_SHOWNORMAL).
    HINSTANCE (*openViewer)(const char* viewer, const char* argument);
    // The own token's elevation: 1, 0, or -1 when it cannot be read.
    int (*tokenElevation)();
};
void SetShellPlatform(const ShellPlatform* platform);
// 0, or 0xF013 when the Startup folder cannot be located.
int RemoveStartupShortcut(AppObject* app);
