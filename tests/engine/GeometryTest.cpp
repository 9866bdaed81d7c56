// GeometryTest.cpp - reading and setting normal rectangles and states, through
// the placement call and through the stepwise path used for other threads'
// windows; calls on a window that does not answer.
#include "engine/Geometry.h"
#include "framework/core/AppWindow.h"
#include "tests/support/TestEnv.h"
#include "tests/support/TestWindowClient.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdio.h>
#include <vector>

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

// Another process's window takes the asynchronous stepwise calls; it is read
// back inside its own process.
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

namespace {

// One call made on a thread of its own, so that a call that blocks shows as
// one that has not returned yet instead of stopping the test.
struct CallRun {
    std::function<void()> call;
    HANDLE thread = nullptr;
    ULONGLONG took = 0;
};

DWORD WINAPI RunCall(void* context)
{
    CallRun* run = (CallRun*)context;
    ULONGLONG start = GetTickCount64();
    run->call();
    run->took = GetTickCount64() - start;
    return 0;
}

}  // namespace

// A window whose thread takes no messages: every call returns without waiting
// on it and leaves the window as it was, so nothing reaches it later either.
// Once it answers again, the same calls take effect.
TEST(Geometry, CallsOnAHungWindowReturnAndLeaveItAlone)
{
    TestWindow tw;
    ASSERT_TRUE(StartTestWindow(&tw, "--title \"Geometry Hung\" --rect 100,100,400,300 --hang 0"));
    HWND hwnd = tw.hwnd;
    bool transparent = true, opaque = true;
    struct Case {
        const char* why;
        std::function<void()> call;
    } cases[] = {
        {"place", [&] { SetWindowGeometry(hwnd, 320, 240, 500, 350, WINSTATE_NORMAL, GEO_POSITION | GEO_SIZE); }},
        {"maximise", [&] { SetWindowGeometry(hwnd, 0, 0, 0, 0, WINSTATE_MAXIMISED, GEO_STATE); }},
        {"move and minimise",
         [&] { SetWindowGeometry(hwnd, 60, 70, 0, 0, WINSTATE_MINIMISED, GEO_POSITION | GEO_STATE); }},
        {"transparent", [&] { transparent = SetWindowTransparency(hwnd, 50, true); }},
        {"opaque", [&] { opaque = MakeWindowOpaque(hwnd); }},
    };
    std::vector<CallRun> runs(sizeof(cases) / sizeof(cases[0]));
    for (size_t i = 0; i < runs.size(); i++) {
        SCOPED_TRACE(cases[i].why);
        runs[i].call = cases[i].call;
        runs[i].thread = CreateThread(nullptr, 0, RunCall, &runs[i], 0, nullptr);
        ASSERT_NE(nullptr, runs[i].thread);
        bool returned = WaitForSingleObject(runs[i].thread, 5000) == WAIT_OBJECT_0;
        EXPECT_TRUE(returned) << "the call waits on the hung window";
        if (returned) printf("  %-18s returned after %llu ms\n", cases[i].why, runs[i].took);
    }
    EXPECT_FALSE(transparent) << "reported as not changed";
    EXPECT_FALSE(opaque);

    TestWindowReport r;
    ASSERT_TRUE(TestWindowStep(&tw, "resume", &r)) << "while it hung";
    for (CallRun& run : runs) {   // a call that blocked ends once the window answers
        WaitForSingleObject(run.thread, 10000);
        CloseHandle(run.thread);
    }
    EXPECT_EQ(100, r.normal.left);
    EXPECT_FALSE(r.zoomed || r.iconic);
    EXPECT_EQ(-1, r.alpha);
    // Its first report after answering again comes after anything queued
    // for it: nothing was.
    ASSERT_TRUE(TestWindowStep(&tw, "report", &r));
    EXPECT_EQ(100, r.normal.left);
    EXPECT_EQ(100, r.normal.top);
    EXPECT_FALSE(r.zoomed || r.iconic);
    EXPECT_EQ(-1, r.alpha);

    SetWindowGeometry(hwnd, 320, 240, 500, 350, WINSTATE_NORMAL, GEO_POSITION | GEO_SIZE);
    EXPECT_TRUE(SetWindowTransparency(hwnd, 50, true));
    ASSERT_TRUE(TestWindowStep(&tw, "report", &r));
    EXPECT_EQ(320, r.normal.left) << "answering again, it is placed";
    EXPECT_EQ(500, r.normal.right - r.normal.left);
    EXPECT_EQ(127, r.alpha);
    EXPECT_TRUE(MakeWindowOpaque(hwnd));
    ASSERT_TRUE(TestWindowStep(&tw, "report", &r));
    EXPECT_FALSE(r.exStyle & (WS_EX_LAYERED | WS_EX_TRANSPARENT));
    StopTestWindow(&tw);
}
