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
void SetWindowGeometry(HWND window, int x, int y, int width, int height, int state, int flags);

// Tests: skip the placement call and take the path used when it fails
// (another process's window under Wine).
void SetGeometryPlacementDisabled(bool disabled);
