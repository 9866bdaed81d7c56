// CommandLineCommandsTest.cpp - the commands of a handed-over command line in
// this process: "-SAVE" with its name and order, the case of the names, the
// length of the record, enabling and disabling.
#include "engine/CommandLineCommands.h"
#include "framework/core/CommandLine.h"
#include "framework/core/RecordFile.h"
#include "tests/engine/TriggerFixture.h"

#include <algorithm>

class CommandLineCommands : public TriggerTest {
protected:
    void SetUp() override
    {
        TriggerTest::SetUp();
        Options.bShowTrayIcon = 0;   // no icon of the desktop window in the tray
        auto keys = [](Profile& p) {
            p.bTrgHotKey = 1;
            p.iTrgHotKey = 0x0357;
            p.iTrgHotKeyWin = 0x0358;
            p.iUpdHotKey = 0x0359;
        };
        Add("Home");
        Add("Work", keys);
        AddRule("Work", "Work rule");
        MakeCurrent("Work");
    }
    void TearDown() override
    {
        FreeCommandLineOptions(&g_app);
        TriggerTest::TearDown();
    }
    void AddRule(const char* profile, const char* name)
    {
        Rule r;
        InitRule(&r);
        CopyText(r.name, sizeof(r.name), name);
        ArrayAppend(Named(profile).pRules, &r);
    }
    void Run(const std::string& commandLine)
    {
        ASSERT_GT(SaveRecord("(ZRP)Cmd", -1, commandLine.c_str(), (uint32_t)commandLine.size() + 1), 0u);
        RunCommandLineCommands();
    }
    std::string Names()
    {
        std::string names;
        for (int i = 0; i < g_profiles.count; i++) names += std::string(g_profiles.data[i].szGenName) + "|";
        return names;
    }
    std::string CurrentName() { return CurrentProfile() ? CurrentProfile()->szGenName : "(none)"; }
};

TEST_F(CommandLineCommands, SaveUnderANewNameThatSortsFirstKeepsTheCurrentProfile)
{
    Run("-SAVE Aaa");
    EXPECT_EQ("Aaa|Home|Work|", Names());
    EXPECT_EQ("Work", CurrentName());
    Profile& copy = Named("Aaa");
    EXPECT_EQ(0, copy.iTrgHotKey);
    EXPECT_EQ(0, copy.iTrgHotKeyWin);
    EXPECT_EQ(0, copy.iUpdHotKey);
    ASSERT_EQ(1, copy.pRules->count);
    EXPECT_STREQ("Work rule", copy.pRules->data[0].name);
    EXPECT_NE(Named("Work").pRules, copy.pRules) << "a copy of its own";
    EXPECT_TRUE(FileExists(data + "\\Profile2.zpx")) << "everything was saved";
}

TEST_F(CommandLineCommands, SaveOverAnotherProfileCopiesTheCurrentOne)
{
    AddRule("Home", "Home rule");
    Run("-SAVE Home");
    EXPECT_EQ("Home|Work|", Names());
    EXPECT_EQ("Work", CurrentName());
    Profile& home = Named("Home");
    ASSERT_EQ(1, home.pRules->count);
    EXPECT_STREQ("Work rule", home.pRules->data[0].name);
    EXPECT_EQ(0x0357, home.iTrgHotKey) << "the current profile's hotkeys come along";
    EXPECT_NE(Named("Work").pRules, home.pRules);

    // Under its own name or without one: only saved.
    DeleteFileA((data + "\\Profile1.zpx").c_str());
    Run("-SAVE Work");
    EXPECT_EQ("Home|Work|", Names());
    EXPECT_TRUE(FileExists(data + "\\Profile1.zpx"));
    DeleteFileA((data + "\\Options.zpx").c_str());
    Run("-SAVE");
    EXPECT_TRUE(FileExists(data + "\\Options.zpx"));
}

TEST_F(CommandLineCommands, SaveWithoutACurrentProfileDoesNothing)
{
    for (int current : {-1, 2, 9}) {
        SCOPED_TRACE(current);
        Options.iCurProfile = current;
        Run("-SAVE Aaa");
        EXPECT_EQ("Home|Work|", Names());
        EXPECT_FALSE(FileExists(data + "\\Profile0.zpx"));
    }
}

TEST_F(CommandLineCommands, NamesAreCaseSensitiveAndUnknownOnesIgnored)
{
    Options.iCurProfile = 0;
    Run("-profile Work -load Work -Enable -PROFILE Nobody -LOAD");
    EXPECT_EQ("Home", CurrentName());
    EXPECT_FALSE(Logged("PRF: Switching Profile (Work)"));
    Run("-LOAD Work -EXECUTE Home");
    EXPECT_EQ("Work", CurrentName());
    std::vector<std::string> lines = Take();
    auto at = [&](const char* line) { return std::find(lines.begin(), lines.end(), line) - lines.begin(); };
    EXPECT_LT(at("PRF: Switching Profile (Work)"), at("PRF: Executing Profile (Home)"));
    EXPECT_EQ((ptrdiff_t)lines.size(), at("PRF: Applying Profile (Work)")) << "-LOAD does not apply";
    EXPECT_LT(at("PRF: Applying Profile (Home)"), (ptrdiff_t)lines.size());
}

TEST_F(CommandLineCommands, EnableAndDisableTheProgram)
{
    Run("-DISABLE");
    EXPECT_EQ(0, Options.bEnabled);
    EXPECT_EQ(10u, g_app.trayIconId);
    Run("-ENABLE");
    EXPECT_EQ(1, Options.bEnabled);
    EXPECT_EQ(1u, g_app.trayIconId);
}

// Start-up writes at most 1039 characters: a longer record is read that far.
TEST_F(CommandLineCommands, RecordIsReadAsFarAsTheLongestCommandLine)
{
    Options.bEnabled = 1;
    // "-ENABLE" starts at character 1037: only "-EN" of it is read.
    std::string tooLong = "-DISABLE" + std::string(1036 - 8, ' ') + "-ENABLE " + std::string(600, 'x');
    Run(tooLong);
    EXPECT_EQ(0, Options.bEnabled) << "the command line ends after character 1039";
    ASSERT_EQ(2, g_app.options.count);
    EXPECT_STREQ("-EN", g_app.options.data[1].name);
    Options.bEnabled = 1;
    std::string noEnd(3000, 'y');   // no terminating zero at all
    ASSERT_GT(SaveRecord("(ZRP)Cmd", -1, noEnd.data(), (uint32_t)noEnd.size()), 0u);
    RunCommandLineCommands();
    EXPECT_EQ(1, Options.bEnabled);
}
