// WindowFinder.h - the crosshair button that picks a window: pressed, dragged
// over the desktop and released over a window, with the window under the
// cursor framed in red meanwhile. Only the main dialog's finder is served so
// far; the others come with their dialogs.
#pragma once

#include <windows.h>

// Subclass procedure of a finder button; a dialog installs it at
// WM_INITDIALOG (the button's own procedure is kept and called for the rest).
LRESULT CALLBACK WindowPickerProc(HWND button, UINT message, WPARAM wParam, LPARAM lParam);
void SubclassWindowFinder(HWND button);

// Frames the window in red, or removes the frame for null.
void ShowCaptureOverlay(HWND window);
