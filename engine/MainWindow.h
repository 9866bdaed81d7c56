// MainWindow.h - the procedure of the product's one application window, the
// hub of timer, notifications, commands and the framework's private messages.
#pragma once

#include <windows.h>

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The system calls the main window reaches through; tests record them. Null
// members use the system.
struct MainWindowPlatform {
    // DwmGetWindowAttribute with the caption-button bounds (window coordinates).
    HRESULT (*captionButtonBounds)(HWND window, RECT* bounds);
    // The shell's set-folder-path export (SHELL32 ordinal 231).
    HRESULT (*setFolderPath)(int csidl, HANDLE token, DWORD flags, const char* path);
};
void SetMainWindowPlatform(const MainWindowPlatform* platform);

// Whether a click at the screen point hits the window's minimize button: the
// first third of its caption buttons, or its own hit test when the desktop
// window manager cannot tell.
bool IsMinimizeButtonHit(HWND window, POINT cursor);
