// MonitorTableTest.cpp - the monitor table read through a fed layout.
#include "framework/core/MonitorTable.h"
#include "framework/core/TextUtil.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct FakeMonitor {
    RECT rect;
    RECT work;
    DWORD flags;
    const char* device;
    UINT dpi;
};
std::vector<FakeMonitor> g_layout;

BOOL FakeEnum(MONITORENUMPROC proc, LPARAM data)
{
    for (size_t i = 0; i < g_layout.size(); i++) {
        RECT r = g_layout[i].rect;
        if (!proc((HMONITOR)(i + 1), nullptr, &r, data)) break;
    }
    return TRUE;
}

BOOL FakeInfo(HMONITOR monitor, MONITORINFOEXA* info)
{
    size_t i = (size_t)monitor - 1;
    if (i >= g_layout.size()) return FALSE;
    info->rcMonitor = g_layout[i].rect;
    info->rcWork = g_layout[i].work;
    info->dwFlags = g_layout[i].flags;
    CopyText(info->szDevice, sizeof(info->szDevice), g_layout[i].device);
    return TRUE;
}

UINT FakeDpi(HMONITOR monitor, const RECT*)
{
    size_t i = (size_t)monitor - 1;
    return i < g_layout.size() ? g_layout[i].dpi : 96;
}

class Monitors : public testing::Test {
protected:
    void SetUp() override
    {
        MonitorPlatform p = {FakeEnum, FakeInfo, FakeDpi};
        SetMonitorPlatform(&p);
        g_layout = {
            {{0, 0, 1920, 1080}, {0, 0, 1920, 1040}, MONITORINFOF_PRIMARY, "\\\\.\\DISPLAY1", 96},
            {{1920, 0, 3200, 1024}, {1920, 0, 3200, 1024}, 0, "\\\\.\\DISPLAY2", 144},
        };
    }
    void TearDown() override { SetMonitorPlatform(nullptr); }
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
    g_layout.clear();
    for (int i = 0; i < 17; i++)
        g_layout.push_back({{i * 100, 0, i * 100 + 100, 100}, {i * 100, 0, i * 100 + 100, 100}, 0,
                            "\\\\.\\DISPLAYX", 96});
    RefreshMonitors();
    EXPECT_EQ(MONITOR_TABLE_MAX, g_monitors.count);
    EXPECT_EQ(15, MonitorFromPointIndex(1550, 50, false));
    EXPECT_EQ(15, MonitorFromPointIndex(1650, 50, false)) << "the 17th is not recorded";
}

TEST_F(Monitors, OneMonitorAlwaysGivesZero)
{
    g_layout.resize(1);
    for (POINT p : {POINT{5, 5}, POINT{-3000, 9000}, POINT{5000, 5}})
        EXPECT_EQ(0, MonitorFromPointIndex(p.x, p.y, false));
}

TEST(MonitorsReal, TheSystemLayoutHasAMonitor)
{
    RefreshMonitors();
    ASSERT_GE(g_monitors.count, 1);
    EXPECT_GT(g_monitors.monitorRects[0].right, g_monitors.monitorRects[0].left);
    EXPECT_GE(g_monitors.dpis[0], 96u);
    EXPECT_NE('\\', g_monitors.deviceNames[0][0]) << "no leading backslashes";
}
