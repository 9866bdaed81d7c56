// ProfileStoreTest.cpp - the profile list in this process: names, order, files.
#include "engine/ProductStrings.h"
#include "engine/ProfileStore.h"
#include "engine/ProfileSwitch.h"
#include "engine/WindowTable.h"
#include "engine/Rules.h"
#include "framework/core/AppObject.h"
#include "framework/core/MonitorTable.h"
#include "framework/core/TextUtil.h"
#include "tests/engine/EngineAppSetup.h"
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

class Profiles : public testing::Test {
protected:
    void SetUp() override
    {
        SetUpEngineApp();
        data = FreshFolderForThisTest();
        CopyText(g_app.dataFolder, sizeof(g_app.dataFolder), data.c_str());
        SerializeOptions(0);
        FreeProfiles();
        Options.iCurProfile = -1;
    }
    void TearDown() override
    {
        FreeProfiles();
        g_app.dataFolder[0] = '\0';
    }
    void AddProfile(const char* name)
    {
        Profile p = {};
        ASSERT_TRUE(InitProfile(&p, true));
        CopyText(p.szGenName, sizeof(p.szGenName), name);
        ASSERT_GE(InsertProfileSorted(&g_profiles, &p), 0);
    }
    std::vector<std::string> Names()
    {
        std::vector<std::string> out;
        for (int i = 0; i < g_profiles.count; i++) out.push_back(g_profiles.data[i].szGenName);
        return out;
    }
    std::string File(int i) { return data + "\\Profile" + std::to_string(i) + ".zpx"; }
    std::string data;
};

TEST_F(Profiles, InsertKeepsTheListSortedByName)
{
    for (const char* n : {"Work", "Home", "Default", "home", "Zoo"}) AddProfile(n);
    EXPECT_EQ((std::vector<std::string>{"Default", "Home", "Work", "Zoo", "home"}), Names())
        << "byte-wise order, as strcmp";
    EXPECT_EQ(2, FindProfileByName(&g_profiles, "Work", -1));
    EXPECT_EQ(-1, FindProfileByName(&g_profiles, "Work", 2)) << "the skipped record does not count";
    EXPECT_EQ(-1, FindProfileByName(&g_profiles, "work", -1));
}

TEST_F(Profiles, UniqueNamesAlwaysEnd)
{
    AddProfile("Default");
    char name[MAX_PATH] = "Default";
    MakeUniqueProfileName(name, &g_profiles, -1);
    EXPECT_STREQ("Default (Copy)", name);
    AddProfile(name);
    CopyText(name, sizeof(name), "Default");
    MakeUniqueProfileName(name, &g_profiles, -1);
    EXPECT_STREQ("Default (Copy) (Copy)", name);

    // A clash at full length: the suffix cannot be appended.
    std::string longName(259, 'L');
    AddProfile(longName.c_str());
    CopyText(name, sizeof(name), longName.c_str());
    MakeUniqueProfileName(name, &g_profiles, -1);
    EXPECT_EQ(-1, FindProfileByName(&g_profiles, name, -1));
    EXPECT_LE(strlen(name), 259u);
    AddProfile(name);
    CopyText(name, sizeof(name), longName.c_str());
    MakeUniqueProfileName(name, &g_profiles, -1);
    EXPECT_EQ(-1, FindProfileByName(&g_profiles, name, -1)) << "and again";
}

TEST_F(Profiles, SavingLeavesOneFilePerProfile)
{
    for (int i = 0; i < 6; i++) ASSERT_TRUE(WriteWholeFileText(File(i), "stale"));
    for (const char* n : {"A", "B", "C"}) AddProfile(n);
    SaveProfiles();
    for (int i = 0; i < 3; i++) EXPECT_TRUE(FileExists(File(i))) << i;
    for (int i = 3; i < 6; i++) EXPECT_FALSE(FileExists(File(i))) << i;

    FreeProfiles();
    EXPECT_EQ(3, LoadProfiles());
    EXPECT_EQ((std::vector<std::string>{"A", "B", "C"}), Names());
}

TEST_F(Profiles, ShortFormFileTakesItsNameAndIsReplaced)
{
    AddProfile("Ignored Name");
    ASSERT_TRUE(SerializeProfile(1, (data + "\\Profile-Work.zpx").c_str(), &g_profiles.data[0], true));
    FreeProfiles();
    EXPECT_EQ(1, LoadProfiles());
    EXPECT_EQ((std::vector<std::string>{"Work"}), Names());
    EXPECT_TRUE(FileExists(data + "\\Profile-Work.zpx")) << "kept until its profile is saved";
    SaveProfiles();
    EXPECT_TRUE(FileExists(File(0)));
    EXPECT_FALSE(FileExists(data + "\\Profile-Work.zpx"));
    FreeProfiles();
    EXPECT_EQ(1, LoadProfiles()) << "once";
}

TEST_F(Profiles, DefaultProfiles)
{
    CreateDefaultProfile();
    ASSERT_EQ((std::vector<std::string>{"Default", "Save All"}), Names());
    const Profile& d = g_profiles.data[0];
    ASSERT_EQ(4, d.pRules->count);
    EXPECT_EQ(RULE_ITEM_GROUP | RULE_ITEM_EXPANDED, d.pRules->data[0].item);
    EXPECT_STREQ("PanelShepherd Main Dialog", d.pRules->data[1].name);
    EXPECT_EQ(1, d.pRules->data[1].ignifex);
    EXPECT_STREQ("#32770", d.pRules->data[2].wndclss);
    EXPECT_EQ(6, d.pTemplates->count) << "the full template set";
    const Profile& s = g_profiles.data[1];
    EXPECT_EQ(3, s.pTemplates->count) << "the short template set";
    EXPECT_EQ(1, s.bTrgExecuteOnly);
    EXPECT_EQ(200, s.iTrgScreenDelay);
    MonitorTable t = {};
    GetMonitorSnapshot(&t);
    EXPECT_EQ(t.screenWidth, s.iGenScreenW);
    EXPECT_EQ((int32_t)t.dpis[0], s.iGenDisplayDPI);
}

TEST_F(Profiles, SwitchingRefusesBadIndicesAndResetsCountersOnlyOnChange)
{
    AddProfile("A");
    AddProfile("B");
    Rule r;
    InitRule(&r);
    r.matchxnumresetprf = 1;
    r.matchxnumcount = 5;
    ArrayAppend(g_profiles.data[1].pRules, &r);
    for (int bad : {-2, -1, 2, 99}) {
        SwitchProfile(bad, PROFILE_SOURCE_USER, 0, 0);
        EXPECT_EQ(-1, Options.iCurProfile) << bad;
    }
    SwitchProfile(1, PROFILE_SOURCE_USER, 0, 0);
    EXPECT_EQ(1, Options.iCurProfile);
    EXPECT_EQ(0, g_profiles.data[1].pRules->data[0].matchxnumcount) << "reset on the switch";
    g_profiles.data[1].pRules->data[0].matchxnumcount = 4;
    SwitchProfile(1, PROFILE_SOURCE_USER, 0, 0);
    EXPECT_EQ(4, g_profiles.data[1].pRules->data[0].matchxnumcount) << "the same profile again";
}

TEST_F(Profiles, ImportRulesReadsEveryRuleOfAnExport)
{
    ConfigRecord record;
    InitConfigRecord(&record, 1, "prul->");
    for (int n = 0; n < 5; n++) {
        Rule r;
        InitRule(&r);
        FormatText(r.name, sizeof(r.name), "Rule %d", n);
        SetRecordKeyPrefix(&record, "prul->", "Rule[%d].", n);
        ASSERT_TRUE(SerializeRule(1, &record, &r, (uint32_t)n, RULE_KIND_PROFILE));
    }
    std::string path = data + "\\five.rulexp";
    ASSERT_GT(SaveRecordArchive(&record, path.c_str()), 0);
    ClearConfigRecord(&record);

    GrowArray<Rule> rules;
    InitGrowArray(&rules);
    EXPECT_EQ(0, ImportRules(&rules, path.c_str()));
    ASSERT_EQ(5, rules.count);
    EXPECT_STREQ("Rule 4", rules.data[4].name);
    EXPECT_EQ(1, ImportRules(&rules, (data + "\\missing.rulexp").c_str()));
    EXPECT_EQ(0, rules.count);
    FreeGrowArray(&rules);
}

// A save writes the new set into "ProfileSet.new", then the journal
// "ProfileSet.switch" names the old files to delete, then the files move in.
class ProfileSetSwitch : public Profiles {
protected:
    void WriteProfileFile(const std::string& path, const char* name, bool shortForm = false)
    {
        Profile p = {};
        ASSERT_TRUE(InitProfile(&p, true));
        CopyText(p.szGenName, sizeof(p.szGenName), name);
        ASSERT_TRUE(SerializeProfile(1, path.c_str(), &p, shortForm)) << path;
        FreeProfileLists(&p);
    }
    std::string NewSet(int i) { return data + "\\ProfileSet.new\\Profile" + std::to_string(i) + ".zpx"; }
    void TearDown() override
    {
        g_app.configImported = 0;
        Profiles::TearDown();
    }
};

TEST_F(ProfileSetSwitch, ANewSetWithoutItsJournalIsDropped)
{
    WriteProfileFile(File(0), "B");
    WriteProfileFile(File(1), "C");
    CreateDirectoryA((data + "\\ProfileSet.new").c_str(), nullptr);
    WriteProfileFile(NewSet(0), "A");
    WriteProfileFile(NewSet(1), "B");
    EXPECT_EQ(2, LoadProfiles());
    EXPECT_EQ((std::vector<std::string>{"B", "C"}), Names());
    EXPECT_FALSE(FolderExists(data + "\\ProfileSet.new"));
}

TEST_F(ProfileSetSwitch, ASwitchCutOffHalfwayIsFinishedBeforeLoading)
{
    // Profile0 was already replaced by A; B and C are still to come.
    WriteProfileFile(File(0), "A");
    WriteProfileFile(File(1), "C");
    WriteProfileFile(File(5), "Old");
    WriteProfileFile(data + "\\Profile-A.zpx", "A", true);
    CreateDirectoryA((data + "\\ProfileSet.new").c_str(), nullptr);
    WriteProfileFile(NewSet(1), "B");
    WriteProfileFile(NewSet(2), "C");
    ASSERT_TRUE(WriteWholeFileText(data + "\\ProfileSet.switch", "Profile5.zpx\r\nProfile-A.zpx\r\n"));

    EXPECT_EQ(3, LoadProfiles());
    EXPECT_EQ((std::vector<std::string>{"A", "B", "C"}), Names());
    EXPECT_FALSE(FileExists(data + "\\Profile-A.zpx"));
    EXPECT_FALSE(FileExists(File(5)));
    EXPECT_FALSE(FileExists(data + "\\ProfileSet.switch"));
    EXPECT_FALSE(FolderExists(data + "\\ProfileSet.new"));
}

TEST_F(ProfileSetSwitch, AConfigurationImportedAtThisStartOutranksAPendingSwitch)
{
    WriteProfileFile(File(0), "Imported");
    CreateDirectoryA((data + "\\ProfileSet.new").c_str(), nullptr);
    WriteProfileFile(NewSet(0), "Before the import");
    ASSERT_TRUE(WriteWholeFileText(data + "\\ProfileSet.switch", ""));
    g_app.configImported = 1;
    EXPECT_EQ(1, LoadProfiles());
    EXPECT_EQ((std::vector<std::string>{"Imported"}), Names());
    EXPECT_FALSE(FileExists(data + "\\ProfileSet.switch"));
}

TEST_F(ProfileSetSwitch, SavingLeavesOnlyTheSetAndKeepsDamagedFilesAside)
{
    WriteProfileFile(File(0), "B");
    ASSERT_TRUE(WriteWholeFileText(File(1), "damaged"));
    WriteProfileFile(data + "\\Profile-A.zpx", "A", true);
    EXPECT_EQ(2, LoadProfiles());
    SaveProfiles();
    FreeProfiles();
    EXPECT_EQ(2, LoadProfiles());
    EXPECT_EQ((std::vector<std::string>{"A", "B"}), Names());
    WIN32_FIND_DATAA fd;
    HANDLE find = FindFirstFileA((data + "\\*").c_str(), &fd);
    ASSERT_NE(INVALID_HANDLE_VALUE, find);
    std::vector<std::string> files;
    do {
        if (fd.cFileName[0] != '.') files.push_back(fd.cFileName);
    } while (FindNextFileA(find, &fd));
    FindClose(find);
    std::sort(files.begin(), files.end());
    ASSERT_EQ(3u, files.size());
    EXPECT_EQ("Profile0.zpx", files[0]);
    EXPECT_EQ("Profile1.zpx", files[1]) << "A and B, renumbered";
    EXPECT_EQ(0u, files[2].find("Profile1.zpx.damaged-")) << files[2];
    EXPECT_EQ("damaged", ReadWholeFile(data + "\\" + files[2]));
}
