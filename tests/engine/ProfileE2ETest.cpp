// ProfileE2ETest.cpp - the running program's profiles: made on the first start,
// switched and executed from the menu commands, purged, kept across restarts.
#include "engine/OptionsRecord.h"
#include "engine/ProfileRecord.h"
#include "framework/core/AppObject.h"
#include "framework/core/TextUtil.h"
#include "tests/support/ProgramRun.h"

#include <gtest/gtest.h>

#include <time.h>

class ProgramProfiles : public testing::Test {
protected:
    void SetUp() override
    {
        std::string name =
            std::string("ProgramProfiles.") + testing::UnitTest::GetInstance()->current_test_info()->name();
        ASSERT_TRUE(BeginTestInstall(name.c_str(), &install));
    }
    void TearDown() override
    {
        if (run.child.process) QuitProgram(&run);
        g_app.dataFolder[0] = '\0';
        RemoveTestInstallRecord();
    }
    void Start()
    {
        ASSERT_TRUE(StartProgram(&run, "-MINIMIZE"));
        ASSERT_TRUE(WaitUntilRunning(&run));
    }
    void UseDataFolder() { CopyText(g_app.dataFolder, sizeof(g_app.dataFolder), install.dataFolder.c_str()); }
    std::string Log() { return ReadWholeFile(install.dataFolder + "\\PanelShepherd.log"); }
    bool WaitForLog(const char* text)
    {
        return PumpUntil([&] { return Log().find(text) != std::string::npos; }, 10000);
    }
    bool ReadProfile(int i, Profile* p)
    {
        UseDataFolder();
        *p = Profile{};
        std::string path = install.dataFolder + "\\Profile" + std::to_string(i) + ".zpx";
        return SerializeProfile(0, path.c_str(), p, false);
    }
    TestInstall install;
    ProgramRun run;
};

TEST_F(ProgramProfiles, DefaultsSwitchAndExecutePersistAcrossARestart)
{
    Start();
    ASSERT_EQ(0, QuitProgram(&run));
    Profile p;
    ASSERT_TRUE(ReadProfile(0, &p));
    EXPECT_STREQ("Default", p.szGenName);
    EXPECT_EQ(4, p.pRules->count);
    FreeProfileLists(&p);
    ASSERT_TRUE(ReadProfile(1, &p));
    EXPECT_STREQ("Save All", p.szGenName);
    FreeProfileLists(&p);

    // Log to the file from now on, then switch to "Save All" and execute "Default".
    UseDataFolder();
    ASSERT_TRUE(SerializeOptions(0));
    Options.bMonLogToFile = 1;
    ASSERT_TRUE(SerializeOptions(1));
    Start();
    PostMessageA(run.main, ZRPMSG_COMMAND, MAKEWPARAM(1102, 0), 0);
    EXPECT_TRUE(WaitForLog("PRF: Switching Profile (Save All)")) << Log();
    PostMessageA(run.main, ZRPMSG_COMMAND, MAKEWPARAM(1121, 0), 0);
    EXPECT_TRUE(WaitForLog("PRF: Executing Profile (Default)")) << Log();
    EXPECT_TRUE(WaitForLog("PRF: Applying Profile (Default)"));
    ASSERT_EQ(0, QuitProgram(&run));

    UseDataFolder();
    ASSERT_TRUE(SerializeOptions(0));
    EXPECT_EQ(1, Options.iCurProfile) << "the switch was saved";
    Start();
    EXPECT_TRUE(WaitForLog("PRF: Switching Profile (Save All)"));
}

TEST_F(ProgramProfiles, OldRulesArePurgedWhenTheProfileIsRead)
{
    Start();
    ASSERT_EQ(0, QuitProgram(&run));
    Profile p;
    ASSERT_TRUE(ReadProfile(0, &p));
    int64_t now = (int64_t)_time64(nullptr);
    struct {
        const char* name;
        int64_t age;
        uint8_t item;
    } planted[] = {{"Stale", 31 * 86400, 0}, {"Recent", 30 * 86400 + 23 * 3600, 0},
                   {"Kept", 400 * 86400, RULE_ITEM_KEEP}};
    for (const auto& r : planted) {
        Rule rule;
        InitRule(&rule);
        CopyText(rule.name, sizeof(rule.name), r.name);
        rule.level = 1;
        rule.item = r.item;
        rule.time = now - r.age;
        ASSERT_GE(ArrayAppend(p.pRules, &rule), 0);
    }
    p.bAdvPurgeOld = 1;
    p.iAdvPurgeDays = 30;
    std::string path = install.dataFolder + "\\Profile0.zpx";
    ASSERT_TRUE(SerializeProfile(1, path.c_str(), &p, false));
    FreeProfileLists(&p);

    Start();
    ASSERT_EQ(0, QuitProgram(&run));
    ASSERT_TRUE(ReadProfile(0, &p));
    std::string names;
    for (int i = 0; i < p.pRules->count; i++) names += std::string(p.pRules->data[i].name) + "|";
    EXPECT_EQ(std::string::npos, names.find("Stale|")) << names;
    EXPECT_NE(std::string::npos, names.find("Recent|")) << names;
    EXPECT_NE(std::string::npos, names.find("Kept|")) << names;
    FreeProfileLists(&p);
}
