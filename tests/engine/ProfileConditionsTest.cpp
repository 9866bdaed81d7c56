// ProfileConditionsTest.cpp - whether a profile's restrictions hold: screen
// rectangle, display DPI by name or the primary display, virtual desktop and
// the enabled switch, against a monitor table read from a fed layout.
#include "engine/ProfileConditions.h"
#include "framework/core/TextUtil.h"
#include "tests/support/FakeMonitors.h"
#include "tests/support/FakeVirtualDesktop.h"

#include <gtest/gtest.h>

namespace {

const int kNoDesktopObject = -2;

// The virtual screen is 0,0 3200 x 1080.
std::vector<FakeMonitor> Layout(bool secondIsPrimary)
{
    return {
        {{0, 0, 1920, 1080}, {0, 0, 1920, 1040}, secondIsPrimary ? 0u : (DWORD)MONITORINFOF_PRIMARY,
         "\\\\.\\DISPLAY1", 96},
        {{1920, 0, 3200, 1024}, {1920, 0, 3200, 1024}, secondIsPrimary ? (DWORD)MONITORINFOF_PRIMARY : 0u,
         "\\\\.\\DISPLAY2", 144},
    };
}

struct Row {
    const char* why;
    void (*set)(Profile* p);
    bool secondIsPrimary;
    int currentDesktop;   // kNoDesktopObject: none
    bool ignoreEnabled;
    bool want;
};

void SetName(Profile* p, const char* name)
{
    CopyText(p->szGenDisplayName, sizeof(p->szGenDisplayName), name);
}

const Row kRows[] = {
    {"no restriction", [](Profile*) {}, false, 0, false, true},
    {"disabled", [](Profile* p) { p->bGenEnabled = 0; }, false, 0, false, false},
    {"disabled, enabled ignored", [](Profile* p) { p->bGenEnabled = 0; }, false, 0, true, true},
    {"restricted and disabled, enabled ignored: the restriction still counts",
     [](Profile* p) { p->bGenEnabled = 0; p->iGenScreenW = 1920; }, false, 0, true, false},
    //--- screen rectangle, each side alone
    {"left 0", [](Profile* p) { p->iGenScreenX = 0; }, false, 0, false, true},
    {"left 1", [](Profile* p) { p->iGenScreenX = 1; }, false, 0, false, false},
    {"top 0", [](Profile* p) { p->iGenScreenY = 0; }, false, 0, false, true},
    {"top -1", [](Profile* p) { p->iGenScreenY = -1; }, false, 0, false, false},
    {"width 3200", [](Profile* p) { p->iGenScreenW = 3200; }, false, 0, false, true},
    {"width 1920: one monitor's, not the screen's", [](Profile* p) { p->iGenScreenW = 1920; }, false, 0, false,
     false},
    {"height 1080", [](Profile* p) { p->iGenScreenH = 1080; }, false, 0, false, true},
    {"height 1024: the smaller monitor's", [](Profile* p) { p->iGenScreenH = 1024; }, false, 0, false, false},
    {"all four", [](Profile* p) { p->iGenScreenX = 0; p->iGenScreenY = 0; p->iGenScreenW = 3200; p->iGenScreenH = 1080; },
     false, 0, false, true},
    {"all four but one", [](Profile* p) { p->iGenScreenX = 0; p->iGenScreenY = 0; p->iGenScreenW = 3200; p->iGenScreenH = 1079; },
     false, 0, false, false},
    //--- display DPI
    {"DPI 144 on DISPLAY2", [](Profile* p) { p->iGenDisplayDPI = 144; SetName(p, "DISPLAY2"); }, false, 0, false,
     true},
    {"DPI 96 on DISPLAY2", [](Profile* p) { p->iGenDisplayDPI = 96; SetName(p, "DISPLAY2"); }, false, 0, false,
     false},
    {"DPI 96 on the primary", [](Profile* p) { p->iGenDisplayDPI = 96; }, false, 0, false, true},
    {"DPI 144 on the primary", [](Profile* p) { p->iGenDisplayDPI = 144; }, false, 0, false, false},
    {"DPI 144 on the primary, which is the second monitor", [](Profile* p) { p->iGenDisplayDPI = 144; }, true, 0,
     false, true},
    {"DPI 96 on the primary, which is the second monitor", [](Profile* p) { p->iGenDisplayDPI = 96; }, true, 0,
     false, false},
    {"a display nobody has: no fallback to the primary",
     [](Profile* p) { p->iGenDisplayDPI = 96; SetName(p, "DISPLAY9"); }, false, 0, false, false},
    {"names compare with case", [](Profile* p) { p->iGenDisplayDPI = 144; SetName(p, "display2"); }, false, 0,
     false, false},
    {"a name without a DPI restricts nothing", [](Profile* p) { SetName(p, "DISPLAY9"); }, false, 0, false, true},
    //--- virtual desktop
    {"desktop 2 while on 2", [](Profile* p) { p->iGenVDesk = 2; }, false, 2, false, true},
    {"desktop 2 while on 1", [](Profile* p) { p->iGenVDesk = 2; }, false, 1, false, false},
    {"desktop 0 while on 1", [](Profile* p) { p->iGenVDesk = 0; }, false, 1, false, false},
    {"any desktop", [](Profile*) {}, false, 3, false, true},
    {"desktop 2 without a desktop object: not checked", [](Profile* p) { p->iGenVDesk = 2; }, false,
     kNoDesktopObject, false, true},
};

class Conditions : public testing::Test {
protected:
    void TearDown() override
    {
        g_virtualDesktop = nullptr;
        UseSystemMonitors();
    }
    FakeVirtualDesktop desktop;
};

// A profile that restricts nothing.
Profile OpenProfile()
{
    Profile p = {};
    p.bGenEnabled = 1;
    p.iGenScreenX = p.iGenScreenY = p.iGenScreenW = p.iGenScreenH = VALUE_ANY;
    p.iGenDisplayDPI = VALUE_ANY;
    p.iGenVDesk = VALUE_ANY;
    return p;
}

}  // namespace

TEST_F(Conditions, RestrictionsAgainstTheLayout)
{
    for (const Row& row : kRows) {
        SCOPED_TRACE(row.why);
        UseFakeMonitors(Layout(row.secondIsPrimary));
        RefreshMonitors();
        MonitorTable table;
        GetMonitorSnapshot(&table);
        ASSERT_EQ(3200, table.screenWidth);
        desktop.current = row.currentDesktop;
        g_virtualDesktop = row.currentDesktop == kNoDesktopObject ? nullptr : &desktop;
        Profile p = OpenProfile();
        row.set(&p);
        EXPECT_EQ(row.want, ProfileConditionsMatch(&p, &table, row.ignoreEnabled));
    }
}

TEST_F(Conditions, NoProfileOrNoTableNeverMatches)
{
    UseFakeMonitors(Layout(false));
    RefreshMonitors();
    MonitorTable table;
    GetMonitorSnapshot(&table);
    Profile p = OpenProfile();
    ASSERT_TRUE(ProfileConditionsMatch(&p, &table, false));
    EXPECT_FALSE(ProfileConditionsMatch(nullptr, &table, true));
    EXPECT_FALSE(ProfileConditionsMatch(&p, nullptr, true));
}
