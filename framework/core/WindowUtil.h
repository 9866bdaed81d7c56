// WindowUtil.h - bringing a window to the front and starting a program as the
// desktop user.
#pragma once

#include <windows.h>

// Makes the window's root the foreground and active window and focuses the
// window. With attach, this thread's input is attached to the root's thread
// for the time, which lets the focus move to another process's control.
// The window that had the focus before.
HWND ForceForegroundWindow(HWND window, bool attach);

// Starts the file through the desktop's own shell process, so that it runs as
// the desktop user; falls back to ShellExecuteA when that chain is missing.
// ignored is kept for the callers' argument order. 0 or more when started,
// negative when not.
int ShellExecuteAsUser(const char* file, const char* parameters, int ignored, const char* verb,
                       int show);
