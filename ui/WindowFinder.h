// WindowFinder.h - the crosshair button that picks a window: pressed, dragged
// over the desktop and released over a window, with the window under the
// cursor framed in red meanwhile and its data filling the fields of the
// finder's dialog; the button's control id decides which.
#pragma once

#include <windows.h>

// The finders, by control id.
#define FINDER_MATCH_TITLE      1306   // Match page: title 1148
#define FINDER_MATCH_CLASS      1307   // Match page: class 1149
#define FINDER_MATCH_PROGRAM    1308   // Match page: program 1163
#define FINDER_MATCH_TEST       1323   // Match page: the test data; WM_COMMAND 1323 with the snapshot on release
#define FINDER_FOLDER           1327   // Include options: the Explorer folder path 1326
#define FINDER_TEMPLATE         1300   // Edit Rule Template: title, class, program
#define FINDER_ACTIONS_PICK     1027   // Actions page: WM_PICKED_WINDOW with the window
#define FINDER_TRAY_PICK        1029   // Minimize to Tray entry: program 1163, title 1148
#define FINDER_WINDOWLIST_PICK  1030   // Window List: WM_SELECTWINDOWROWS with the window
#define FINDER_EDITWINDOW_PICK  1255   // Edit Window Properties: X, Y, width, height
#define FINDER_MAIN_PICK        1042   // main dialog: WM_COMMAND 1042 with the window on release

// To the Actions page while its finder hovers a window: lParam the window.
#define WM_PICKED_WINDOW 0x407

// The owner's fields when a drag starts (put back by Esc and over the
// finder itself); the Test finder keeps the hovered window's data in it.
struct PickerSnapshot {
    char program[MAX_PATH];
    char title[MAX_PATH];
    char className[128];
    int  x, y, width, height;
    HWND window;
};

// Subclass procedure of a finder button; a dialog installs it at
// WM_INITDIALOG (the button's own procedure is kept per button and called
// for the rest).
LRESULT CALLBACK WindowPickerProc(HWND button, UINT message, WPARAM wParam, LPARAM lParam);
void SubclassWindowFinder(HWND button);
// Writes a snapshot into the active finder's fields.
void UpdatePickerTarget(const PickerSnapshot* snapshot);

// Frames the window in red, or removes the frame for null.
void ShowCaptureOverlay(HWND window);
