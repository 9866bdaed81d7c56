// DockBay.h - the four dock bays of an application window ("ZRPAppDockBay"),
// one per side, into which item bars dock in rows. This program docks no
// bar, so every bay stays empty and takes no room.
#pragma once

#include <windows.h>

#include <stdint.h>

struct AppWindow;

#define DOCK_TOP    0
#define DOCK_BOTTOM 1
#define DOCK_LEFT   2
#define DOCK_RIGHT  3

#define DOCK_ROWS 16

struct DockBay {
    HWND     window;
    uint16_t bayId;                      // window number << 8 | bay number
    uint16_t windowNumber;
    int32_t  side;                       // DOCK_*
    uint8_t  vertical;                   // left and right bays
    int32_t  rowThickness[DOCK_ROWS];    // -4 - n: a row the user fixed at n
    int32_t  rowLimit;                   // -1, or 0 for the bottom and right bays of resizable windows
    int32_t  dragRow;                    // -1: no splitter drag
    int32_t  dragStartThickness;
    int32_t  dragStartPosition;
};

// Index in the window's bay list, or -1 with nothing kept.
int CreateDockBay(AppWindow* record, int bayNumber, int side);
// Places the bay at its anchor (top-left for the top and left bays,
// bottom-left for the bottom bay, top-right for the right bay); its thickness.
int PositionDockBay(DockBay* bay, int x, int y, int width, int height);
// The bay's thickness once its bars are laid out in rows over length.
int LayoutBars(DockBay* bay, int length);
void MeasureBars(DockBay* bay);
// Top and bottom bays across the width, left and right between them; free
// keeps what they leave of the client area.
void LayoutDockBays(AppWindow* record, RECT* free);
// Destroys the bay windows and frees the bays.
void DestroyDockBays(AppWindow* record);
LRESULT CALLBACK DockBayProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
