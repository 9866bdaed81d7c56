// WindowPickerTest.cpp - the deep window-under-point search on real windows.
#include "framework/core/DialogUtil.h"
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

namespace {

class WindowPicker : public testing::Test {
protected:
    void SetUp() override
    {
        // Static controls answer the hit test with HTTRANSPARENT: plain windows here.
        WNDCLASSA wc = {};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
        wc.lpszClassName = "PSPickerWin";
        RegisterClassA(&wc);
        popup = Make(WS_EX_TOPMOST, "PSPickerWin", WS_POPUP | WS_VISIBLE, 300, 300, 300, 200, nullptr);
        panel = Make(0, "PSPickerWin", WS_CHILD | WS_VISIBLE, 10, 10, 200, 150, popup);
        button = Make(0, "BUTTON", WS_CHILD | WS_VISIBLE, 20, 20, 80, 30, panel);
        disabled = Make(0, "EDIT", WS_CHILD | WS_VISIBLE | WS_DISABLED, 20, 80, 80, 30, panel);
        hidden = Make(0, "BUTTON", WS_CHILD, 120, 20, 60, 30, panel);   // over the point, not visible
        ASSERT_TRUE(popup && panel && button && disabled && hidden);
        PumpFor(100);
    }
    void TearDown() override
    {
        SetPickerFrameWindow(nullptr);
        if (frame) DestroyWindow(frame);
        DestroyWindow(popup);
    }
    HWND Make(DWORD ex, const char* cls, DWORD style, int x, int y, int w, int h, HWND parent)
    {
        return CreateWindowExA(ex, cls, "", style, x, y, w, h, parent, nullptr, nullptr, nullptr);
    }
    // The screen point at (x, y) inside a window.
    static POINT At(HWND w, int x, int y)
    {
        POINT p = {x, y};
        ClientToScreen(w, &p);
        return p;
    }
    HWND Pick(POINT p, HWND* root = nullptr) { return WindowFromPointDeep(root, p.x, p.y); }
    HWND popup = nullptr, panel = nullptr, button = nullptr, disabled = nullptr, hidden = nullptr, frame = nullptr;
};

TEST_F(WindowPicker, FindsTheDeepestVisibleChild)
{
    HWND root = nullptr;
    EXPECT_EQ(button, Pick(At(button, 5, 5), &root));
    EXPECT_EQ(popup, root);
    EXPECT_EQ(disabled, Pick(At(disabled, 5, 5))) << "a disabled control is found too";
    EXPECT_EQ(panel, Pick(At(hidden, 5, 5))) << "a hidden child is seen through";
    EXPECT_EQ(popup, Pick(At(popup, 250, 180))) << "outside every child";
    POINT off = At(popup, -50, -50);
    HWND outside = Pick(off);
    EXPECT_NE(popup, outside);
    EXPECT_NE(button, outside);
}

TEST_F(WindowPicker, SeesThroughTheCaptureFrame)
{
    // A frame over the whole popup, as the pickers draw around the window
    // under the crosshair.
    RECT r;
    GetWindowRect(popup, &r);
    frame = Make(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, "PSPickerWin", WS_POPUP | WS_VISIBLE, r.left - 5, r.top - 5,
                 r.right - r.left + 10, r.bottom - r.top + 10, nullptr);
    PumpFor(100);
    POINT p = At(button, 5, 5);
    ASSERT_EQ(frame, WindowFromPoint(p)) << "the frame covers the button";
    EXPECT_EQ(frame, Pick(p)) << "without knowing the frame the search stops at it";
    SetPickerFrameWindow(frame);
    EXPECT_EQ(button, Pick(p));
    WNDPROC after = (WNDPROC)GetWindowLongPtrA(frame, GWLP_WNDPROC);
    EXPECT_NE((WNDPROC)PickerHitTestProc, after) << "the frame's own procedure is back";
    EXPECT_EQ(HTCLIENT, SendMessageA(frame, WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y))) << "pass-through is off again";
}

}  // namespace
