// CaptureOverlay.cpp - the red frame around the window a finder points at.
#include "ui/WindowFinder.h"

#include "engine/WindowTable.h"
#include "framework/core/DialogUtil.h"

#include <dwmapi.h>

namespace {

const char kOverlayClass[] = "PanelShepherdCaptureOverlay";
const int kBar = 5;

HWND g_overlay;
HWND g_framed;

void PaintOverlay(HWND window, HDC dc)
{
    RECT c;
    GetClientRect(window, &c);
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    RECT bars[4] = {{c.left, c.top, c.left + kBar, c.bottom},
                    {c.left, c.top, c.right, c.top + kBar},
                    {c.left, c.bottom - kBar, c.right, c.bottom},
                    {c.right - kBar, c.top, c.right, c.bottom}};
    for (const RECT& r : bars) FillRect(dc, &r, red);
    DeleteObject(red);
}

LRESULT CALLBACK CaptureOverlayProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        PaintOverlay(window, dc);
        EndPaint(window, &ps);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

void ShowCaptureOverlay(HWND window)
{
    if (window == g_framed) return;
    g_framed = window;
    if (g_overlay) DestroyWindow(g_overlay);
    g_overlay = nullptr;
    SetPickerFrameWindow(nullptr);
    g_captureOverlayShown = 0;
    if (!window) return;
    RECT r;
    if (FAILED(DwmGetWindowAttribute(window, DWMWA_EXTENDED_FRAME_BOUNDS, &r, sizeof(r))) &&
        !GetWindowRect(window, &r))
        return;
    WNDCLASSA wc = {};
    wc.lpfnWndProc = CaptureOverlayProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = kOverlayClass;
    RegisterClassA(&wc);
    g_overlay = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, kOverlayClass, "", WS_POPUP, r.left, r.top,
                                r.right - r.left, r.bottom - r.top, nullptr, nullptr, wc.hInstance, nullptr);
    if (!g_overlay) return;
    // Only the bars belong to the frame: the window inside stays visible and
    // under the mouse. The monitor pass leaves the frame alone.
    int w = r.right - r.left, h = r.bottom - r.top;
    HRGN outer = CreateRectRgn(0, 0, w, h);
    HRGN inner = CreateRectRgn(kBar, kBar, w - kBar, h - kBar);
    if (outer && inner && w > 2 * kBar && h > 2 * kBar) CombineRgn(outer, outer, inner, RGN_DIFF);
    if (inner) DeleteObject(inner);
    if (outer && !SetWindowRgn(g_overlay, outer, FALSE)) DeleteObject(outer);
    g_captureOverlayShown = 1;
    SetPickerFrameWindow(g_overlay);
    ShowWindow(g_overlay, SW_SHOWNA);
}
