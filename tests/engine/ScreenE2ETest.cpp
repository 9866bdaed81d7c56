// ScreenE2ETest.cpp - the running program's screen-change trigger on a display
// with two monitors (scripts/test runs this on a dummy X server of its own):
// a monitor added by ChangeDisplaySettingsExA switches to the profile made for
// the wider screen.
#include "framework/core/TextUtil.h"
#include "tests/support/ProgramFixture.h"

namespace {

const char* const kSecond = "\\\\.\\DISPLAY2";

// Attaches the second monitor right of the first (1280 x 1024), or detaches it.
bool SetSecondMonitor(bool attached)
{
    DEVMODEA mode = {};
    mode.dmSize = sizeof(mode);
    mode.dmFields = DM_POSITION | DM_PELSWIDTH | DM_PELSHEIGHT;
    mode.dmPosition.x = attached ? 1920 : 0;
    mode.dmPelsWidth = attached ? 1280 : 0;
    mode.dmPelsHeight = attached ? 1024 : 0;
    if (ChangeDisplaySettingsExA(kSecond, &mode, nullptr, CDS_UPDATEREGISTRY | CDS_NORESET, nullptr) !=
        DISP_CHANGE_SUCCESSFUL)
        return false;
    if (ChangeDisplaySettingsExA(nullptr, nullptr, nullptr, 0, nullptr) != DISP_CHANGE_SUCCESSFUL) return false;
    int width = attached ? 3200 : 1920;
    return PumpUntil([&] { return GetSystemMetrics(SM_CXVIRTUALSCREEN) == width; }, 10000);
}

}  // namespace

class ProgramScreen : public ProgramTest {
protected:
    void SetUp() override
    {
        ASSERT_EQ(2, GetSystemMetrics(SM_CMONITORS)) << "needs the two-monitor display that scripts/test starts";
        ProgramTest::SetUp();
    }
    void TearDown() override
    {
        ProgramTest::TearDown();
        if (GetSystemMetrics(SM_CMONITORS) != 2) SetSecondMonitor(true);
    }
};

TEST_F(ProgramScreen, AddedMonitorSwitchesToTheProfileOfTheWiderScreen)
{
    ASSERT_TRUE(SetSecondMonitor(false));
    struct {
        const char* name;
        int32_t width, height;
    } screens[] = {{"A-One Monitor", 1920, 1080}, {"B-Two Monitors", 3200, 1080}, {"C-Current", 0, 0}};
    std::vector<ProfileSpec> profiles;
    for (const auto& screen : screens) {
        profiles.push_back({screen.name, nullptr, {}});
        if (screen.width)
            profiles.back().configure = [screen](Profile& p) {
                p.bTrgResChange = 1;
                p.iGenScreenW = screen.width;
                p.iGenScreenH = screen.height;
            };
    }
    ASSERT_TRUE(WriteProfiles(profiles, 2));
    ASSERT_TRUE(Start());
    ASSERT_TRUE(WaitForLogLine("PRF: Switching Profile (C-Current)")) << Log();
    // The start-up check comes after the first switch.
    EXPECT_TRUE(WaitForLogLine("TRG: Check Screen Change Trigger (1920 x 1080) -> (1920 x 1080)"))
        << "the start-up check";
    EXPECT_EQ(0, CountLogLine("PRF: Switching Profile (A-One Monitor)")) << "only at start when the profile asks";

    ASSERT_TRUE(SetSecondMonitor(true));
    ASSERT_TRUE(WaitForLogLine("PRF: Switching Profile (B-Two Monitors)")) << Log();
    EXPECT_LT(0, CountLogLine("TRG: Check Screen Change Trigger (1920 x 1080) -> (3200 x 1080)")) << Log();
    EXPECT_EQ(0, CountLogLine("PRF: Switching Profile (A-One Monitor)"));
}
