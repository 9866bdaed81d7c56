// DockBay.cpp - the bay windows of an application window: created with its
// frame, placed on every resize, painted in their theme colour.
#include "framework/ui/DockBay.h"

#include "framework/core/AppObject.h"
#include "framework/core/AppWindow.h"
#include "framework/ui/Paint.h"
#include "framework/ui/Theme.h"

#include <stdlib.h>

static const char kBayClass[] = "ZRPAppDockBay";

static void RegisterDockBayClass()
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DockBayProc;
    wc.hInstance = g_app.instance;
    wc.hCursor = LoadCursorA(nullptr, (LPCSTR)IDC_ARROW);
    wc.lpszClassName = kBayClass;
    RegisterClassA(&wc);   // already registered is fine
}

int CreateDockBay(AppWindow* record, int bayNumber, int side)
{
    RegisterDockBayClass();
    DockBay* bay = (DockBay*)calloc(1, sizeof(DockBay));
    if (!bay) return -1;
    bay->windowNumber = record->windowNumber;
    bay->bayId = (uint16_t)((record->windowNumber << 8) + bayNumber);
    bay->side = side;
    bay->vertical = side == DOCK_LEFT || side == DOCK_RIGHT;
    bay->rowLimit = (bayNumber == 1 || bayNumber == 3) && (record->flags & APPWIN_RESIZABLE) ? 0 : -1;
    bay->dragRow = -1;
    bay->window = CreateWindowExA(0, kBayClass, "", WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, CW_USEDEFAULT,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, record->window, nullptr,
                                  g_app.instance, nullptr);
    if (!bay->window) {
        free(bay);
        return -1;
    }
    SetWindowLongPtrA(bay->window, GWLP_USERDATA, (LONG_PTR)bay);
    void* entry = bay;
    int at = ArrayAppend(&record->dockBays, &entry);
    if (at < 0) {
        SetWindowLongPtrA(bay->window, GWLP_USERDATA, 0);
        DestroyWindow(bay->window);
        free(bay);
    }
    return at;
}

// No bar docks in this program: every row is empty and goes.
void MeasureBars(DockBay* bay)
{
    for (int i = 0; i < DOCK_ROWS; i++) bay->rowThickness[i] = 0;
}

int LayoutBars(DockBay* bay, int)
{
    MeasureBars(bay);
    int thickness = 0;
    for (int i = 0; i < DOCK_ROWS; i++)
        thickness += bay->rowThickness[i] >= 0 ? bay->rowThickness[i] : -4 - bay->rowThickness[i];
    return thickness;
}

int PositionDockBay(DockBay* bay, int x, int y, int width, int height)
{
    int t = LayoutBars(bay, bay->vertical ? height : width);
    RECT r;
    switch (bay->side) {
    case DOCK_BOTTOM: r = {x, y - t, x + width, y}; break;
    case DOCK_LEFT: r = {x, y, x + t, y + height}; break;
    case DOCK_RIGHT: r = {x - t, y, x, y + height}; break;
    default: r = {x, y, x + width, y + t}; break;
    }
    SetWindowPos(bay->window, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    return t;
}

static DockBay* BayOnSide(AppWindow* record, int side)
{
    for (int i = 0; i < record->dockBays.count; i++) {
        DockBay* bay = (DockBay*)record->dockBays.data[i];
        if (bay->side == side && bay->window) return bay;
    }
    return nullptr;
}

void LayoutDockBays(AppWindow* record, RECT* free)
{
    int width = free->right - free->left, height = free->bottom - free->top;
    DockBay* top = BayOnSide(record, DOCK_TOP);
    DockBay* bottom = BayOnSide(record, DOCK_BOTTOM);
    DockBay* left = BayOnSide(record, DOCK_LEFT);
    DockBay* right = BayOnSide(record, DOCK_RIGHT);
    int t = top ? PositionDockBay(top, free->left, free->top, width, height) : 0;
    int b = bottom ? PositionDockBay(bottom, free->left, free->bottom, width, height) : 0;
    int middle = height - t - b;
    int l = left ? PositionDockBay(left, free->left, free->top + t, width, middle) : 0;
    int r = right ? PositionDockBay(right, free->right, free->top + t, width, middle) : 0;
    free->left += l;
    free->top += t;
    free->right -= r;
    free->bottom -= b;
}

void DestroyDockBays(AppWindow* record)
{
    while (record->dockBays.count > 0) {
        DockBay* bay = (DockBay*)record->dockBays.data[record->dockBays.count - 1];
        ArrayRemoveAt(&record->dockBays, record->dockBays.count - 1);
        if (bay->window && IsWindow(bay->window) && GetWindowLongPtrA(bay->window, GWLP_USERDATA) == (LONG_PTR)bay) {
            SetWindowLongPtrA(bay->window, GWLP_USERDATA, 0);
            DestroyWindow(bay->window);
        }
        free(bay);
    }
}

// The bay's client area in theme colour 35, seen from a window offset by
// (x, y) inside it: the background of items that sit in the bay.
static void PaintBayBackground(HWND window, HDC dc, int x, int y)
{
    RECT client;
    GetClientRect(window, &client);
    POINT origin;
    OffsetViewportOrgEx(dc, -x, -y, &origin);
    FillRectWithColor(dc, &client, g_theme.colours[35]);
    SetViewportOrgEx(dc, origin.x, origin.y, nullptr);
}

LRESULT CALLBACK DockBayProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    DockBay* bay = (DockBay*)GetWindowLongPtrA(window, GWLP_USERDATA);
    if (!bay) return DefWindowProcA(window, message, wParam, lParam);
    switch (message) {
    case WM_ERASEBKGND:
        return 1;
    case ZRPMSG_PAINTBACKGROUND:
        PaintBayBackground(window, (HDC)wParam, (short)LOWORD(lParam), (short)HIWORD(lParam));
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        if (dc) PaintBayBackground(window, dc, 0, 0);
        EndPaint(window, &ps);
        return 0;
    }
    case WM_PRINTCLIENT:
        PaintBayBackground(window, (HDC)wParam, 0, 0);
        return 0;
    case WM_RBUTTONUP:
        SendMessageA(GetParent(window), ZRPMSG_WINDOWMENU, 0, 0);
        return 0;
    case WM_NCDESTROY:
        // Gone with its application window before the bays were freed.
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        bay->window = nullptr;
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
