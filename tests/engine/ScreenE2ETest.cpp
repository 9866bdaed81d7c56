// ScreenE2ETest.cpp - the running program's screen-change trigger on a display
// with two monitors (scripts/test runs this on a dummy X server of its own):
// a monitor added by ChangeDisplaySettingsExA switches to the profile made for
// the wider screen.
#include "engine/OptionsRecord.h"
#include "engine/ProfileRecord.h"
#include "framework/core/AppObject.h"
#include "framework/core/TextUtil.h"
#include "tests/support/ProgramRun.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <vector>

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

std::vector<std::string> SplitLog(const std::string& log)
{
    std::vector<std::string> lines;
    std::istringstream in(log);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line.size() >= 13 ? line.substr(13) : line);
    }
    return lines;
}

}  // namespace

class ProgramScreen : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(2, GetSystemMetrics(SM_CMONITORS)) << "needs the two-monitor display that scripts/test starts";
        std::string name =
            std::string("ProgramScreen.") + testing::UnitTest::GetInstance()->current_test_info()->name();
        ASSERT_TRUE(BeginTestInstall(name.c_str(), &install));
    }
    void TearDown() override
    {
        if (run.child.process) QuitProgram(&run);
        g_app.dataFolder[0] = '\0';
        RemoveTestInstallRecord();
        if (GetSystemMetrics(SM_CMONITORS) != 2) SetSecondMonitor(true);
    }
    std::string LogText() { return ReadWholeFile(install.dataFolder + "\\PanelShepherd.log"); }
    bool Logged(const std::string& line)
    {
        auto lines = SplitLog(LogText());
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
    TestInstall install;
    ProgramRun run;
};

TEST_F(ProgramScreen, AddedMonitorSwitchesToTheProfileOfTheWiderScreen)
{
    ASSERT_TRUE(SetSecondMonitor(false));
    CreateDirectoryA(install.dataFolder.c_str(), nullptr);
    CopyText(g_app.dataFolder, sizeof(g_app.dataFolder), install.dataFolder.c_str());
    SerializeOptions(0);
    Options.bMonLogToFile = 1;
    Options.iCurProfile = 2;
    ASSERT_TRUE(SerializeOptions(1));
    struct {
        const char* name;
        int32_t width, height;
    } specs[] = {{"A-One Monitor", 1920, 1080}, {"B-Two Monitors", 3200, 1080}, {"C-Current", 0, 0}};
    for (int i = 0; i < 3; i++) {
        Profile p = {};
        ASSERT_TRUE(InitProfile(&p, true));
        CopyText(p.szGenName, sizeof(p.szGenName), specs[i].name);
        if (specs[i].width) {
            p.bTrgResChange = 1;
            p.iGenScreenW = specs[i].width;
            p.iGenScreenH = specs[i].height;
        }
        ASSERT_TRUE(SerializeProfile(1, (install.dataFolder + "\\Profile" + std::to_string(i) + ".zpx").c_str(),
                                     &p, false));
        FreeProfileLists(&p);
    }
    ASSERT_TRUE(StartProgram(&run, "-MINIMIZE"));
    ASSERT_TRUE(WaitUntilRunning(&run));
    ASSERT_TRUE(PumpUntil([&] { return Logged("PRF: Switching Profile (C-Current)"); }, 15000)) << LogText();
    // The start-up check comes after the first switch.
    EXPECT_TRUE(PumpUntil([&] { return Logged("TRG: Check Screen Change Trigger (1920 x 1080) -> (1920 x 1080)"); },
                          15000))
        << "the start-up check";
    EXPECT_FALSE(Logged("PRF: Switching Profile (A-One Monitor)")) << "only at start when the profile asks";

    ASSERT_TRUE(SetSecondMonitor(true));
    ASSERT_TRUE(PumpUntil([&] { return Logged("PRF: Switching Profile (B-Two Monitors)"); }, 15000)) << LogText();
    EXPECT_TRUE(Logged("TRG: Check Screen Change Trigger (1920 x 1080) -> (3200 x 1080)")) << LogText();
    EXPECT_FALSE(Logged("PRF: Switching Profile (A-One Monitor)"));
}
