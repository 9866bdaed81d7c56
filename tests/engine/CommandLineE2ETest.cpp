// CommandLineE2ETest.cpp - a second start's commands driving the running
// program, read back from its log and its saved files.
#include "tests/support/ProgramFixture.h"
#include "tests/support/DialogDriver.h"
#include "framework/core/TextUtil.h"

#include <string.h>

class ProgramCommandLine : public ProgramTest {
protected:
    bool StartWithProfiles(int current)
    {
        auto keys = [](Profile& p) {
            p.bTrgHotKey = 1;
            p.iTrgHotKey = 0x0357;
        };
        return WriteProfiles({{"Home", nullptr}, {"Work", keys}}, current) && Start();
    }
};

TEST_F(ProgramCommandLine, LoadSwitchesWithoutApplyingThenExecuteRunsAnother)
{
    ASSERT_TRUE(StartWithProfiles(0));
    ASSERT_NE(std::string::npos, WaitForLog("PRF: Switching Profile (Home)"));
    ASSERT_EQ(0, RunProgramToEnd("-LOAD Work -EXECUTE Home"));
    ASSERT_NE(std::string::npos, WaitForLog("PRF: Executing Profile (Home)")) << Log();
    std::string log = Log();
    size_t load = log.find("PRF: Switching Profile (Work)"), execute = log.find("PRF: Executing Profile (Home)");
    ASSERT_NE(std::string::npos, load) << log;
    EXPECT_LT(load, execute);
    EXPECT_EQ(std::string::npos, log.find("PRF: Applying Profile (Work)")) << "-LOAD does not apply";
    EXPECT_NE(std::string::npos, log.find("PRF: Applying Profile (Home)", execute));
}

TEST_F(ProgramCommandLine, ExecuteRunsTheRulesOnTriggerScriptsNotTheirOnOpenOnes)
{
    Rule r = TitleRule("Exec", "PS Exec", CMP_STARTS_WITH);
    r.cmdenable[0] = r.cmdenable[7] = 1;   // On Open, On Trigger
    CopyText(r.cmdtext[0], sizeof(r.cmdtext[0]), "TITLE(\"PS Exec Opened\")");
    CopyText(r.cmdtext[7], sizeof(r.cmdtext[7]), "TITLE(\"PS Exec Triggered\")");
    r.cmdactive = 1;
    r.titlex = 0;   // the title the script sets is no new event for the rule
    ASSERT_TRUE(WriteProfile({r}));
    ASSERT_TRUE(Start());
    TestWindow* w = Open("--title \"PS Exec Target\"");
    auto titled = [&](const char* want) {
        return PumpUntil([&] {
            char title[64] = {};
            GetWindowTextA(w->hwnd, title, sizeof(title));
            return strcmp(title, want) == 0;
        }, 15000);
    };
    ASSERT_TRUE(titled("PS Exec Opened")) << "a new window runs On Open";
    ASSERT_EQ(0, RunProgramToEnd("-EXECUTE Test"));
    EXPECT_TRUE(titled("PS Exec Triggered")) << Log();
    EXPECT_NE(std::string::npos, WaitForLog("COMMAND(On Trigger)")) << Log();
    EXPECT_EQ(1, CountOf(Log(), "COMMAND(On Open)")) << Log();
}

TEST_F(ProgramCommandLine, CommandNamesAreCaseSensitive)
{
    ASSERT_TRUE(StartWithProfiles(0));
    ASSERT_EQ(0, RunProgramToEnd("-profile Work"));
    ASSERT_EQ(0, RunProgramToEnd("-PROFILE Work"));
    ASSERT_NE(std::string::npos, WaitForLog("PRF: Switching Profile (Work)"));
    EXPECT_EQ(1, CountOf(Log(), "PRF: Switching Profile (Work)")) << "only the upper-case command switched";
}

TEST_F(ProgramCommandLine, SaveUnderANewNameKeepsTheCurrentProfile)
{
    ASSERT_TRUE(StartWithProfiles(1));
    ASSERT_EQ(0, RunProgramToEnd("-SAVE Aaa"));
    std::string third = ProfilePath(2);
    ASSERT_TRUE(PumpUntil([&] { return FileExists(third); }, 15000));
    ASSERT_TRUE(ReadOptions());
    EXPECT_EQ(2, Options.iCurProfile) << "Work, now third, is still current";
    const char* names[] = {"Aaa", "Home", "Work"};
    for (int i = 0; i < 3; i++) {
        Profile p;
        ASSERT_TRUE(ReadProfile(i, &p));
        EXPECT_STREQ(names[i], p.szGenName);
        EXPECT_EQ(i == 0 ? 0 : i == 2 ? 0x0357 : 0, p.iTrgHotKey) << "the copy has no hotkeys";
        FreeProfileLists(&p);
    }
}

TEST_F(ProgramCommandLine, SecondStartWithoutOptionsOpensTheMainDialog)
{
    ASSERT_TRUE(StartWithProfiles(0));
    EXPECT_EQ(nullptr, FindDialog(run.child.pid, "PanelShepherd"));
    ASSERT_EQ(0, RunProgramToEnd(""));
    HWND dialog = WaitForDialog(run.child.pid, "PanelShepherd");
    ASSERT_NE(nullptr, dialog);
    EXPECT_NE(nullptr, DialogControl(dialog, 1251)) << "with its rule tree";
}
