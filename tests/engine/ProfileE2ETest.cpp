// ProfileE2ETest.cpp - the running program's profiles: made on the first start,
// switched and executed from the menu commands, purged, kept across restarts.
#include "framework/core/AppObject.h"
#include "framework/core/TextUtil.h"
#include "tests/support/ProgramFixture.h"

#include <time.h>

using ProgramProfiles = ProgramTest;

TEST_F(ProgramProfiles, DefaultsSwitchAndExecutePersistAcrossARestart)
{
    ASSERT_TRUE(Start());
    ASSERT_EQ(0, Quit());
    Profile p;
    ASSERT_TRUE(ReadProfile(0, &p));
    EXPECT_STREQ("Default", p.szGenName);
    EXPECT_EQ(4, p.pRules->count);
    FreeProfileLists(&p);
    ASSERT_TRUE(ReadProfile(1, &p));
    EXPECT_STREQ("Save All", p.szGenName);
    FreeProfileLists(&p);

    // Log to the file from now on, then switch to "Save All" and execute "Default".
    ASSERT_TRUE(WriteOptions());
    ASSERT_TRUE(Start());
    PostMessageA(run.main, ZRPMSG_COMMAND, MAKEWPARAM(1102, 0), 0);
    EXPECT_NE(std::string::npos, WaitForLog("PRF: Switching Profile (Save All)")) << Log();
    PostMessageA(run.main, ZRPMSG_COMMAND, MAKEWPARAM(1121, 0), 0);
    EXPECT_NE(std::string::npos, WaitForLog("PRF: Executing Profile (Default)")) << Log();
    EXPECT_NE(std::string::npos, WaitForLog("PRF: Applying Profile (Default)"));
    ASSERT_EQ(0, Quit());

    ASSERT_TRUE(ReadOptions());
    EXPECT_EQ(1, Options.iCurProfile) << "the switch was saved";
    size_t restarted = Log().size();
    ASSERT_TRUE(Start());
    EXPECT_NE(std::string::npos, WaitForLog("PRF: Switching Profile (Save All)", restarted));
}

// The program's reader drops the stale rule and keeps the recent and the
// kept one; what it saved at exit is read raw, not through that reader.
TEST_F(ProgramProfiles, OldRulesArePurgedWhenTheProfileIsRead)
{
    ASSERT_TRUE(Start());
    ASSERT_EQ(0, Quit());
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
    int before = p.pRules->count;
    p.bAdvPurgeOld = 1;
    p.iAdvPurgeDays = 30;
    ASSERT_TRUE(SaveProfile(0, &p));
    FreeProfileLists(&p);

    // The raw names of the stored rules, in order.
    auto storedNames = [&](int* count) {
        std::map<std::string, std::string> keys;
        EXPECT_TRUE(ReadRawRecord(ProfilePath(0), &keys));
        *count = atoi(keys["iNumRules"].c_str());
        std::string names;
        for (int i = 0; i < *count; i++) names += keys["Rule[" + std::to_string(i) + "].name"] + "|";
        return names;
    };
    int count = 0;
    std::string names = storedNames(&count);
    ASSERT_EQ(before, count) << names;
    ASSERT_NE(std::string::npos, names.find("Stale|")) << "planted: " << names;

    ASSERT_TRUE(Start());
    ASSERT_EQ(0, Quit());
    names = storedNames(&count);
    EXPECT_EQ(before - 1, count) << names;
    EXPECT_EQ(std::string::npos, names.find("Stale|")) << names;
    EXPECT_NE(std::string::npos, names.find("Recent|")) << names;
    EXPECT_NE(std::string::npos, names.find("Kept|")) << names;
}
