// ProfileReturnTest.cpp - in this process: the order of profile names, a
// dialog's working list given back while the live one moved on, and profile
// export files read within their budget.
#include "engine/ProfileImport.h"
#include "engine/ProfileReturn.h"
#include "engine/ProfileStore.h"
#include "engine/Rules.h"
#include "framework/core/AppObject.h"
#include "framework/core/TextUtil.h"
#include "tests/engine/EngineAppSetup.h"
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class ProfileReturn : public testing::Test {
protected:
    void SetUp() override
    {
        SetUpEngineApp();
        data = FreshFolderForThisTest();
        CopyText(g_app.dataFolder, sizeof(g_app.dataFolder), data.c_str());
        FreeProfiles();
        Options.iCurProfile = -1;
        InitGrowArray(&working);
    }
    void TearDown() override
    {
        ClearProfileList(&working);
        FreeGrowArray(&working);
        FreeProfiles();
        g_app.dataFolder[0] = '\0';
    }
    static Profile Named(const char* name, std::vector<uint32_t> ruleIds)
    {
        Profile p = {};
        EXPECT_TRUE(InitProfile(&p, true));
        CopyText(p.szGenName, sizeof(p.szGenName), name);
        for (uint32_t id : ruleIds) {
            Rule r;
            InitRule(&r);
            r.id = id;
            FormatText(r.name, sizeof(r.name), "%s %u", name, id);
            ArrayAppend(p.pRules, &r);
            p.nextRuleId = (int32_t)id + 1;
        }
        return p;
    }
    static std::string Names(const GrowArray<Profile>& list)
    {
        std::string out;
        for (int i = 0; i < list.count; i++) out += std::string(list.data[i].szGenName) + ",";
        return out;
    }
    static std::string RuleNames(const Profile& p)
    {
        std::string out;
        for (int i = 0; p.pRules && i < p.pRules->count; i++) out += std::string(p.pRules->data[i].name) + ",";
        return out;
    }
    // The working copy as a dialog takes it, with where each came from.
    void CopyLive()
    {
        ASSERT_TRUE(AssignProfileList(&g_profiles, &working));
        origins.clear();
        for (int i = 0; i < g_profiles.count; i++) {
            ProfileOrigin o = {};
            CopyText(o.name, sizeof(o.name), g_profiles.data[i].szGenName);
            o.nextRuleId = g_profiles.data[i].nextRuleId;
            working.data[i].edited = 0;
            o.fingerprint = ProfileFingerprint(&working.data[i]);
            origins.push_back(o);
        }
    }
    std::string data;
    GrowArray<Profile> working;
    std::vector<ProfileOrigin> origins;
};

TEST_F(ProfileReturn, OneOrderRoutineGivesTheDialogsOrderAndTheProgramsOrder)
{
    for (const char* n : {"beta", "Zeta", "alpha", "Alpha", "Beta"}) {
        Profile p = Named(n, {});
        ArrayAppend(&g_profiles, &p);
    }
    const struct {
        int order;
        const char* want;
    } kOrders[] = {
        {PROFILE_ORDER_NOCASE, "Alpha,alpha,Beta,beta,Zeta,"},   // equal but for case: bytes decide
        {PROFILE_ORDER_BYTES, "Alpha,Beta,Zeta,alpha,beta,"},
    };
    for (const auto& o : kOrders) {
        SCOPED_TRACE(o.want);
        int32_t at[5];
        OrderProfiles(&g_profiles, o.order, at);
        std::string got;
        for (int32_t i : at) got += std::string(g_profiles.data[i].szGenName) + ",";
        EXPECT_EQ(o.want, got);
    }
    SortProfilesByName(&g_profiles, 0, -1);
    EXPECT_EQ("Alpha,Beta,Zeta,alpha,beta,", Names(g_profiles)) << "the program's sort is the byte order";
    EXPECT_EQ(3, FindProfilePlace(&g_profiles, "Zz", PROFILE_ORDER_BYTES));
    EXPECT_EQ(5, FindProfilePlace(&g_profiles, "zz", PROFILE_ORDER_BYTES));
}

TEST_F(ProfileReturn, TheWorkingListKeepsWhatTheWorkerDidMeanwhile)
{
    for (const char* n : {"Alpha", "Beta", "Gamma"}) {
        Profile p = Named(n, {0, 1});
        ArrayAppend(&g_profiles, &p);
    }
    Options.iCurProfile = 1;   // Beta
    CopyLive();

    // Meanwhile the worker makes a rule in Alpha and in Beta, and Alpha's
    // first rule takes a window.
    for (int i : {0, 1}) {
        Profile* live = &g_profiles.data[i];
        Rule r;
        InitRule(&r);
        r.id = (uint32_t)live->nextRuleId++;
        FormatText(r.name, sizeof(r.name), "%s made", live->szGenName);
        ArrayAppend(live->pRules, &r);
    }
    g_profiles.data[0].pRules->data[0].windowCount = 1;
    g_profiles.data[0].pRules->data[0].windows[0] = (HWND)0x1234;
    g_profiles.data[0].edited = 1;

    // The dialog: Beta renamed with its rule 0 purged, Gamma deleted, Delta added.
    Profile* beta = &working.data[1];
    CopyText(beta->szGenName, sizeof(beta->szGenName), "Beta Renamed");
    ArrayRemoveAt(beta->pRules, 0);
    beta->edited = 1;
    FreeProfileLists(&working.data[2]);
    ArrayRemoveAt(&working, 2);
    origins.erase(origins.begin() + 2);
    Profile delta = Named("Delta", {0});
    ArrayAppend(&working, &delta);
    origins.push_back(ProfileOrigin{});

    ASSERT_TRUE(ReturnDialogProfiles(&working, origins.data()));
    EXPECT_EQ(0, working.count) << "the records moved";
    ASSERT_EQ("Alpha,Beta Renamed,Delta,", Names(g_profiles));
    const Profile& alpha = g_profiles.data[0];
    EXPECT_EQ("Alpha 0,Alpha 1,Alpha made,", RuleNames(alpha)) << "unchanged: the live profile as it is";
    EXPECT_EQ(1u, alpha.pRules->data[0].windowCount);
    EXPECT_EQ(1, alpha.edited) << "its mark for the main dialog's Cancel stays";
    const Profile& renamed = g_profiles.data[1];
    EXPECT_EQ("Beta 1,Beta made,", RuleNames(renamed)) << "purged in the dialog: gone; made meanwhile: kept";
    EXPECT_EQ(3, renamed.nextRuleId);
    EXPECT_EQ(1, renamed.edited);
    EXPECT_EQ(1, g_profiles.data[2].edited) << "a new profile is a change";
    EXPECT_EQ(1, Options.iCurProfile) << "the current profile followed its rename";
}

TEST_F(ProfileReturn, AChangeWithoutTheEditedByteIsStillTaken)
{
    Profile live = Named("Alpha", {0});
    ArrayAppend(&g_profiles, &live);
    Options.iCurProfile = 0;
    CopyLive();
    // A settings dialog that changed the update mode and a template, and set no byte.
    working.data[0].iUpdUpdateMode = 2;
    CopyText(working.data[0].pTemplates->data[0].match.name, sizeof(Rule::name), "Renamed Template");
    ASSERT_TRUE(ReturnDialogProfiles(&working, origins.data()));
    EXPECT_EQ(2, g_profiles.data[0].iUpdUpdateMode);
    EXPECT_STREQ("Renamed Template", g_profiles.data[0].pTemplates->data[0].match.name);
    EXPECT_EQ(1, g_profiles.data[0].edited) << "the main dialog's Cancel asks";
}

TEST_F(ProfileReturn, WithTheCurrentProfileDeletedTheFirstIsCurrent)
{
    for (const char* n : {"Alpha", "Beta"}) {
        Profile p = Named(n, {0});
        ArrayAppend(&g_profiles, &p);
    }
    Options.iCurProfile = 1;
    CopyLive();
    FreeProfileLists(&working.data[1]);
    ArrayRemoveAt(&working, 1);
    origins.pop_back();
    ASSERT_TRUE(ReturnDialogProfiles(&working, origins.data()));
    EXPECT_EQ("Alpha,", Names(g_profiles));
    EXPECT_EQ(0, Options.iCurProfile);
}

TEST_F(ProfileReturn, AnExportReadsBackWithoutHotkeysAndOversizedFilesAreRefused)
{
    std::string file = data + "\\Work.prfexp";
    Profile out = Named("Work", {0, 1, 2});
    out.bTrgHotKey = out.bUpdHotKey = 1;
    out.iTrgHotKey = 0x0641;
    out.iUpdHotKey = 0x0642;
    out.bAdvPurgeOld = 0;
    ASSERT_TRUE(ExportProfile(file.c_str(), &out));
    FreeProfileLists(&out);
    Profile in = {};
    ASSERT_EQ(PROFILE_IMPORT_OK, ImportProfile(file.c_str(), &in));
    EXPECT_STREQ("Work", in.szGenName);
    EXPECT_EQ("Work 0,Work 1,Work 2,", RuleNames(in));
    EXPECT_EQ(0, in.iTrgHotKey);
    EXPECT_EQ(0, in.iUpdHotKey);
    FreeProfileLists(&in);

    // Claims past the budget, and lines past it, refuse the whole file.
    const struct {
        const char* key;
        const char* value;
    } kTooMuch[] = {
        {"iNumRules", "1000000000"},     {"Rule[2000].item", "0"}, {"iNumIcons", "4097"},
        {"Icon[4096].pt.x", "1"},         {"iNumTmpls", "100000"},  {"Template[512].Rule.name", "x"},
        {"iNumExpWin", "513"},
    };
    for (const auto& t : kTooMuch) {
        SCOPED_TRACE(t.key);
        ConfigRecord record;
        InitConfigRecord(&record, 1, "pprf->");
        ASSERT_EQ(CFG_OK, AppendRecordLine(&record, "szGenName", "Claimed"));
        ASSERT_EQ(CFG_OK, AppendRecordLine(&record, t.key, t.value));
        ASSERT_GT(SaveRecordArchive(&record, file.c_str()), 0);
        ClearConfigRecord(&record);
        Profile p = {};
        EXPECT_EQ(PROFILE_IMPORT_TOO_LARGE, ImportProfile(file.c_str(), &p));
        EXPECT_EQ(nullptr, p.pRules) << "nothing made";
    }
    ASSERT_TRUE(WriteWholeFileText(file, "not an archive"));
    Profile p = {};
    EXPECT_EQ(PROFILE_IMPORT_UNREADABLE, ImportProfile(file.c_str(), &p));
}

}  // namespace
