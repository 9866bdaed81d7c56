// RuleCaptureTest.cpp - writing a window's placement into its rule, and
// applying the captured rule back.
#include "engine/RulePlace.h"
#include "tests/engine/RuleTestUtil.h"
#include "tests/support/FakeMonitors.h"

#include <string.h>

#include <vector>

namespace {

class Capture : public testing::Test {
protected:
    void SetUp() override
    {
        UseFakeMonitors(TwoMonitorsInTheScreen());
        g_workArea = TwoMonitorsInTheScreen()[0].work;
        g_windowCount = 0;
    }
    void TearDown() override
    {
        UseSystemMonitors();
        for (HWND h : own)
            if (IsWindow(h)) DestroyWindow(h);
    }
    HWND MakeWindow(int x, int y, int w, int h, HWND owner = nullptr)
    {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "RuleCaptureProbe";
        RegisterClassA(&wc);
        HWND hwnd = CreateWindowExA(0, "RuleCaptureProbe", "Capture Probe", WS_OVERLAPPEDWINDOW, x, y,
                                    w, h, owner, nullptr, wc.hInstance, nullptr);
        ShowWindow(hwnd, SW_SHOWNOACTIVATE);
        PumpFor(30);
        own.push_back(hwnd);
        return hwnd;
    }
    std::vector<HWND> own;
};

struct Placement {
    int32_t x, y, w, h;
    uint8_t state;
};

}  // namespace

// Which fields a capture writes, by mask and by the rule's modes.
TEST_F(Capture, FieldsByMaskAndMode)
{
    const int32_t A = VALUE_ANY;
    struct Case {
        const char* why;
        uint32_t mask;
        uint8_t movetomode, sizetomode, statetomode;
        Placement before;   // the rule's fields
        int32_t windowState;
        Placement want;
    } cases[] = {
        {"mask 0, This modes: nothing", 0, 0, 0, 0, {5, 6, 7, 8, 0}, 0, {5, 6, 7, 8, 0}},
        {"mask 0, This modes, unset fields: nothing", 0, 0, 0, 0, {A, A, A, A, 0xFF}, 0, {A, A, A, A, 0xFF}},
        {"mask 0, Center screen: nothing", 0, 2, 0, 0, {5, 6, 7, 8, 0}, 0, {5, 6, 7, 8, 0}},
        {"everything", CAPTURE_ALL, 0, 0, 0, {A, A, A, A, 0xFF}, 0, {110, 120, 301, 201, 0}},
        {"x and h only", CAPTURE_X | CAPTURE_H, 0, 0, 0, {5, 6, 7, 8, 0}, 0, {110, 6, 7, 201, 0}},
        {"minimised window: its state, no position", CAPTURE_ALL, 0, 0, 0, {A, A, A, A, 0xFF}, 1,
         {A, A, A, A, 1}},
        {"rule kept minimised: no position whatever the mask", CAPTURE_X | CAPTURE_Y | CAPTURE_W | CAPTURE_H,
         0, 0, 0, {A, A, A, A, 1}, 0, {A, A, A, A, 1}},
        {"rule kept maximised: no position", CAPTURE_X | CAPTURE_W, 1, 1, 0, {5, 6, 7, 8, 2}, 0, {5, 6, 7, 8, 2}},
        {"rule without a state: no position", CAPTURE_X, 0, 0, 0, {5, 6, 7, 8, 0xFF}, 0, {5, 6, 7, 8, 0xFF}},
        {"unset only: x kept, the rest filled", CAPTURE_UNSET, 0, 0, 0, {50, A, A, A, 0xFF}, 0,
         {50, 120, 301, 201, 0}},
        {"unset only: a set state stops the position", CAPTURE_UNSET, 0, 0, 0, {A, A, A, A, 2}, 0,
         {A, A, A, A, 2}},
        {"Last position, size and state with mask 0", 0, 1, 1, 1, {5, 6, 7, 8, 2}, 0, {110, 120, 301, 201, 0}},
        {"Last position only", 0, 1, 0, 0, {5, 6, 7, 8, 0}, 0, {110, 120, 7, 8, 0}},
        {"Last size only", 0, 0, 1, 0, {5, 6, 7, 8, 0}, 0, {5, 6, 301, 201, 0}},
        {"Last state of a maximised window", 0, 0, 0, 1, {5, 6, 7, 8, 0}, 2, {5, 6, 7, 8, 2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        Rule r = AnyWindowRule(1);
        r.movetomode = c.movetomode;
        r.sizetomode = c.sizetomode;
        r.statetomode = c.statetomode;
        r.x = c.before.x;
        r.y = c.before.y;
        r.w = c.before.w;
        r.h = c.before.h;
        r.state = c.before.state;
        Rule before = r;
        MonitoredWindow e = MadeUpEntry(nullptr, "t", "c", "p");
        e.x = 110;
        e.y = 120;
        e.width = 301;
        e.height = 201;
        e.state = c.windowState;
        CaptureWindowPlacement(&e, &r, c.mask);
        EXPECT_EQ(c.want.x, r.x);
        EXPECT_EQ(c.want.y, r.y);
        EXPECT_EQ(c.want.w, r.w);
        EXPECT_EQ(c.want.h, r.h);
        EXPECT_EQ(c.want.state, r.state);
        before.x = r.x;
        before.y = r.y;
        before.w = r.w;
        before.h = r.h;
        before.state = r.state;
        EXPECT_EQ(0, memcmp(&before, &r, sizeof(Rule))) << "no other field changes";
    }

    Rule r = AnyWindowRule(1);
    MonitoredWindow e = MadeUpEntry(nullptr, "t", "c", "p");
    e.width = 0;
    CaptureWindowPlacement(&e, &r, CAPTURE_ALL);
    EXPECT_EQ(VALUE_ANY, r.x) << "a window of no width gets no position";
    EXPECT_EQ(VALUE_ANY, r.w);
}

// The position value of each mode, on either monitor.
TEST_F(Capture, PositionValueByMode)
{
    struct Case {
        const char* why;
        uint8_t mode;
        int x, y, w, h;
        int wantX, wantY;
    } cases[] = {
        {"This position", 0, 1300, 100, 401, 301, 1300, 100},
        {"Last position", 1, 1300, 100, 401, 301, 1300, 100},
        {"Center screen, right monitor", 2, 1300, 100, 401, 301, 1300 - 1200 - (720 - 401) / 2,
         100 - (1080 - 301) / 2},
        {"Center screen, left monitor, above its task bar", 2, 100, 50, 400, 300, 100 - (1200 - 400) / 2,
         50 - (1040 - 300) / 2},
        {"Center owner without an owner: the monitor", 3, 100, 50, 400, 300, 100 - (1200 - 400) / 2,
         50 - (1040 - 300) / 2},
        {"Center position: the centre", 4, 1300, 100, 401, 301, 1300 + 200, 100 + 150},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        Rule r = AnyWindowRule(1);
        r.movetomode = c.mode;
        MonitoredWindow e = MadeUpEntry(nullptr, "t", "c", "p");
        e.x = c.x;
        e.y = c.y;
        e.width = c.w;
        e.height = c.h;
        CaptureWindowPlacement(&e, &r, CAPTURE_ALL);
        EXPECT_EQ(c.wantX, r.x);
        EXPECT_EQ(c.wantY, r.y);
    }
}

// Capturing and then applying the rule to the same window leaves it where
// it is, in every position mode and on either monitor: the window is moved
// and sized away in between, and applying puts it back.
TEST_F(Capture, CaptureThenApplyLeavesTheWindowWhereItIs)
{
    struct Case {
        const char* why;
        uint8_t mode;
        int x, y, w, h;
        bool owned;
    } cases[] = {
        {"Center screen, left monitor", 2, 130, 90, 401, 303, false},
        {"Center screen, right monitor", 2, 1350, 200, 377, 251, false},
        {"Center screen, off centre to the left of its monitor", 2, 1210, 700, 500, 301, false},
        {"Center owner", 3, 300, 250, 333, 211, true},
        {"Center owner, owner on the other monitor", 3, 1400, 300, 301, 199, true},
        {"Center position", 4, 1250, 400, 301, 203, false},
        {"This position", 0, 75, 85, 300, 200, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        HWND owner = c.owned ? MakeWindow(100, 100, 500, 400) : nullptr;
        HWND hwnd = MakeWindow(c.x, c.y, c.w, c.h, owner);
        MonitoredWindow e = EntryOf(hwnd);
        ASSERT_EQ(c.x, e.x);
        Rule r = AnyWindowRule(1);
        r.movetomode = c.mode;
        r.tretry = 0;
        CaptureWindowPlacement(&e, &r, CAPTURE_ALL);
        EXPECT_NE(VALUE_ANY, r.x) << "the capture wrote the position";
        EXPECT_EQ(c.w, r.w);
        EXPECT_EQ(c.h, r.h);

        // Somewhere else on the same monitor, so the work area stays the same.
        SetWindowPos(hwnd, nullptr, c.x + 7, c.y + 11, c.w - 50, c.h - 40, SWP_NOZORDER | SWP_NOACTIVATE);
        MonitoredWindow away = EntryOf(hwnd);
        ASSERT_EQ(c.x + 7, away.x) << "the window left its place";
        ASSERT_EQ(c.w - 50, away.width);

        EXPECT_TRUE(ApplyRuleToWindow(&away, &r, 0, APPLY_ALL));
        MonitoredWindow after = EntryOf(hwnd);
        EXPECT_EQ(c.x, after.x);
        EXPECT_EQ(c.y, after.y);
        EXPECT_EQ(c.w, after.width);
        EXPECT_EQ(c.h, after.height);
        EXPECT_EQ(0, after.state);
    }
}
