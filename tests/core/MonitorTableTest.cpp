// MonitorTableTest.cpp - the monitor table read through a fed layout.
#include "framework/core/MonitorTable.h"
#include "tests/support/FakeMonitors.h"

#include <gtest/gtest.h>

#include <string.h>

#include <vector>

namespace {

class Monitors : public testing::Test {
protected:
    void SetUp() override
    {
        UseFakeMonitors({
            {{0, 0, 1920, 1080}, {0, 0, 1920, 1040}, MONITORINFOF_PRIMARY, "\\\\.\\DISPLAY1", 96},
            {{1920, 0, 3200, 1024}, {1920, 0, 3200, 1024}, 0, "\\\\.\\DISPLAY2", 144},
        });
    }
    void TearDown() override { UseSystemMonitors(); }
};

}  // namespace

TEST_F(Monitors, PointsMapToTheirMonitorOrTheNearestCorner)
{
    struct Case {
        int x, y, want;
        const char* why;
    } cases[] = {
        {100, 100, 0, "inside A"},
        {1920, 500, 1, "left edge of B belongs to B"},
        {1919, 500, 0, "last column of A"},
        {3200, 500, 1, "right edge of B is outside B: nearest corner"},
        {-500, -500, 0, "far away: index 0"},
        {-10, -10, 0, "just off A's top-left corner"},
        {3210, 1030, 1, "just off B's bottom-right corner"},
        {-32000, -32000, 0, "minimised-window position: no overflow into B"},
        {2500, 1050, 1, "below B, nearest to B's bottom corners"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(c.want, MonitorFromPointIndex(c.x, c.y, false));
    }
}

TEST_F(Monitors, TableRecordsRectsWorkAreasDpisAndNames)
{
    RefreshMonitors();
    ASSERT_EQ(2, g_monitors.count);
    EXPECT_EQ(1040, g_monitors.workAreas[0].bottom);
    EXPECT_EQ(144u, g_monitors.dpis[1]);
    EXPECT_STREQ("DISPLAY1", g_monitors.deviceNames[0]);
    EXPECT_STREQ("DISPLAY2", g_monitors.deviceNames[1]);
    EXPECT_EQ(3200, g_monitors.screenWidth);
    EXPECT_EQ(1, MonitorIndexByName("DISPLAY2", &g_monitors, true));
    EXPECT_EQ(0, MonitorIndexByName("DISPLAY9", &g_monitors, true)) << "fallback: the primary";
    EXPECT_EQ(-1, MonitorIndexByName("DISPLAY9", &g_monitors, false));
    MonitorTable empty = {};
    EXPECT_EQ(0, MonitorIndexByName("X", &empty, true));
    EXPECT_EQ(-1, MonitorIndexByName("X", &empty, false));
}

TEST_F(Monitors, SeventeenMonitorsKeepSixteen)
{
    std::vector<FakeMonitor>& layout = FakeMonitorLayout();
    layout.clear();
    for (int i = 0; i < 17; i++)
        layout.push_back({{i * 100, 0, i * 100 + 100, 100}, {i * 100, 0, i * 100 + 100, 100}, 0,
                            "\\\\.\\DISPLAYX", 96});
    RefreshMonitors();
    EXPECT_EQ(MONITOR_TABLE_MAX, g_monitors.count);
    EXPECT_EQ(15, MonitorFromPointIndex(1550, 50, false));
    EXPECT_EQ(15, MonitorFromPointIndex(1650, 50, false)) << "the 17th is not recorded";
}

TEST_F(Monitors, OneMonitorAlwaysGivesZero)
{
    FakeMonitorLayout().resize(1);
    for (POINT p : {POINT{5, 5}, POINT{-3000, 9000}, POINT{5000, 5}})
        EXPECT_EQ(0, MonitorFromPointIndex(p.x, p.y, false));
}

// Xvfb gives one monitor, the whole screen.
TEST(MonitorsReal, TheSystemLayoutHasAMonitor)
{
    RefreshMonitors();
    ASSERT_EQ(1, g_monitors.count);
    RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    EXPECT_TRUE(EqualRect(&screen, &g_monitors.monitorRects[0]));
    HDC dc = GetDC(nullptr);
    UINT dpi = (UINT)GetDeviceCaps(dc, LOGPIXELSX);
    ReleaseDC(nullptr, dc);
    EXPECT_EQ(dpi, g_monitors.dpis[0]);
    MONITORINFOEXA info = {};
    info.cbSize = sizeof(info);
    ASSERT_TRUE(GetMonitorInfoA(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &info));
    ASSERT_EQ(0, strncmp(info.szDevice, "\\\\.\\", 4));
    EXPECT_STREQ(info.szDevice + 4, g_monitors.deviceNames[0]) << "no leading backslashes";
}
