// Geometry.h - read and set a window's normal rectangle and state in one go.
#pragma once

#include <windows.h>

#define GEO_KEEP      0x7FFFFFFF   // coordinate or size left as it is
#define GEO_POSITION  0x1
#define GEO_SIZE      0x2
#define GEO_STATE     0x4

#define WINSTATE_NORMAL    0
#define WINSTATE_MINIMISED 1
#define WINSTATE_MAXIMISED 2

// The state; any output may be null (x with y, width with height).
int GetWindowGeometry(HWND window, int* x, int* y, int* width, int* height, int* maximizedWidth,
                      int* maximizedHeight);
// The state from the window itself (iconic, zoomed), without the placement.
int GetWindowState(HWND window);
// Another thread's window is changed only when it answers (it is left as it
// is when it does not), and never waited on for longer than that question.
void SetWindowGeometry(HWND window, int x, int y, int width, int height, int state, int flags);

// Tests: on a window of this thread, skip the placement call and take the
// restore, move and show calls that other threads' windows get.
void SetGeometryPlacementDisabled(bool disabled);
