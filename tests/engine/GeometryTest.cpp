// GeometryTest.cpp - reading and setting normal rectangles and states, through
// the placement call and through the stepwise path used for other processes.
#include "engine/Geometry.h"
#include "tests/support/TestEnv.h"
#include "tests/support/TestWindowClient.h"

#include <gtest/gtest.h>

namespace {

HWND MakeWindow(int x, int y, int w, int h)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "GeometryProbe";
    RegisterClassA(&wc);
    HWND hwnd = CreateWindowExA(0, "GeometryProbe", "probe", WS_OVERLAPPEDWINDOW, x, y, w, h, nullptr,
                                nullptr, wc.hInstance, nullptr);
    ShowWindow(hwnd, SW_SHOWNORMAL);
    PumpFor(50);
    return hwnd;
}

struct Geometry {
    int state, x, y, w, h;
};

Geometry Read(HWND hwnd)
{
    Geometry g = {};
    g.state = GetWindowGeometry(hwnd, &g.x, &g.y, &g.w, &g.h, nullptr, nullptr);
    return g;
}

// Runs each case through the placement call and through the stepwise path.
class GeometryPaths : public testing::TestWithParam<bool> {
protected:
    void SetUp() override { SetGeometryPlacementDisabled(GetParam()); }
    void TearDown() override
    {
        SetGeometryPlacementDisabled(false);
        if (hwnd) DestroyWindow(hwnd);
    }
    HWND hwnd = nullptr;
};

}  // namespace

TEST_P(GeometryPaths, SetThenReadBack)
{
    struct Step {
        int x, y, w, h, state, flags;
        Geometry want;
        const char* why;
    } steps[] = {
        {300, 200, 0, 0, 0, GEO_POSITION, {0, 300, 200, 400, 300}, "move"},
        {GEO_KEEP, 250, 0, 0, 0, GEO_POSITION, {0, 300, 250, 400, 300}, "x kept: vertical move only"},
        {0, 0, 500, GEO_KEEP, 0, GEO_SIZE, {0, 300, 250, 500, 300}, "height kept, never a zero size"},
        {0, 0, 0, 0, WINSTATE_MINIMISED, GEO_STATE, {1, 300, 250, 500, 300}, "minimise keeps the normal rect"},
        {120, 130, 0, 0, WINSTATE_MINIMISED, GEO_POSITION | GEO_STATE, {1, 120, 130, 500, 300},
         "moving a minimised window"},
        {0, 0, 0, 0, WINSTATE_MAXIMISED, GEO_STATE, {2, 120, 130, 500, 300}, "maximise"},
        {140, 150, 420, 320, WINSTATE_NORMAL, GEO_POSITION | GEO_SIZE | GEO_STATE, {0, 140, 150, 420, 320},
         "everything in one call"},
        {1, 1, 1, 1, 0, 0, {0, 140, 150, 420, 320}, "no flags: nothing happens"},
    };
    hwnd = MakeWindow(100, 100, 400, 300);
    for (const Step& s : steps) {
        SCOPED_TRACE(s.why);
        SetWindowGeometry(hwnd, s.x, s.y, s.w, s.h, s.state, s.flags);
        PumpFor(30);
        Geometry g = Read(hwnd);
        EXPECT_EQ(s.want.state, g.state);
        EXPECT_EQ(s.want.x, g.x);
        EXPECT_EQ(s.want.y, g.y);
        EXPECT_EQ(s.want.w, g.w);
        EXPECT_EQ(s.want.h, g.h);
    }
}

INSTANTIATE_TEST_SUITE_P(PlacementAndStepwise, GeometryPaths, testing::Values(false, true),
                         [](const testing::TestParamInfo<bool>& i) {
                             return i.param ? "Stepwise" : "Placement";
                         });

TEST(Geometry, MaximisedReportsItsOuterSize)
{
    HWND hwnd = MakeWindow(50, 60, 300, 200);
    ShowWindow(hwnd, SW_MAXIMIZE);
    PumpFor(30);
    int x = 0, y = 0, w = 0, h = 0, mw = 0, mh = 0;
    EXPECT_EQ(WINSTATE_MAXIMISED, GetWindowGeometry(hwnd, &x, &y, &w, &h, &mw, &mh));
    EXPECT_EQ(300, w) << "the normal rectangle, not the maximised one";
    RECT r;
    GetWindowRect(hwnd, &r);
    EXPECT_EQ(r.right - r.left, mw);
    EXPECT_EQ(WINSTATE_MAXIMISED, GetWindowGeometry(hwnd, nullptr, &y, nullptr, &h, nullptr, nullptr))
        << "outputs given singly are left alone";
    DestroyWindow(hwnd);
    EXPECT_EQ(WINSTATE_NORMAL, GetWindowGeometry(hwnd, &x, &y, &w, &h, nullptr, nullptr));
    EXPECT_EQ(0, w) << "a window that is gone";
}

// Another process's window: the placement call fails under Wine, so this is
// the stepwise path on a real foreign window, read back inside its own process.
TEST(Geometry, ForeignWindowIsPlacedAndGivenItsState)
{
    TestWindow tw;
    ASSERT_TRUE(StartTestWindow(&tw, "--title \"Geometry Foreign\" --rect 100,100,400,300"));
    TestWindowReport r;
    SetWindowGeometry(tw.hwnd, 320, 240, 500, 350, WINSTATE_NORMAL, GEO_POSITION | GEO_SIZE);
    ASSERT_TRUE(PumpUntil([&] { return TestWindowStep(&tw, "report", &r) && r.normal.left == 320; }, 5000));
    EXPECT_EQ(240, r.normal.top);
    EXPECT_EQ(500, r.normal.right - r.normal.left);
    EXPECT_EQ(350, r.normal.bottom - r.normal.top);

    SetWindowGeometry(tw.hwnd, 0, 0, 0, 0, WINSTATE_MAXIMISED, GEO_STATE);
    ASSERT_TRUE(PumpUntil([&] { return TestWindowStep(&tw, "report", &r) && r.zoomed; }, 5000));
    SetWindowGeometry(tw.hwnd, 0, 0, 0, 0, WINSTATE_MINIMISED, GEO_STATE);
    ASSERT_TRUE(PumpUntil([&] { return TestWindowStep(&tw, "report", &r) && r.iconic; }, 5000));
    SetWindowGeometry(tw.hwnd, 60, 70, 0, 0, WINSTATE_NORMAL, GEO_POSITION | GEO_STATE);
    ASSERT_TRUE(PumpUntil([&] { return TestWindowStep(&tw, "report", &r) && !r.iconic && !r.zoomed; }, 5000));
    EXPECT_EQ(60, r.rect.left);
    EXPECT_EQ(70, r.rect.top);
    StopTestWindow(&tw);
}
