// ProfileRecordTest.cpp - the profile record: defaults, stored keys, round trips with every
// list, hostile files, purging and copies.
#include "engine/OptionsRecord.h"
#include "engine/ProfileRecord.h"
#include "tests/engine/RecordTestUtil.h"

#include <time.h>

#include <memory>

namespace {

// A zero-filled profile on the heap that frees its lists.
struct ProfileBox {
    ProfileBox() : p((Profile*)calloc(1, sizeof(Profile))) {}
    ~ProfileBox()
    {
        FreeProfileLists(p);
        free(p);
    }
    Profile* operator->() { return p; }
    Profile* p;
};

Rule* AddRule(Profile* p, const char* name, uint8_t item, uint8_t level, int64_t time)
{
    std::unique_ptr<Rule> r(new Rule);
    InitRule(r.get());
    CopyText(r->name, sizeof(r->name), name);
    r->item = item;
    r->level = level;
    r->time = time;
    int32_t at = ArrayAppend(p->pRules, r.get());
    return at < 0 ? nullptr : &p->pRules->data[at];
}

// Rules of every kind, groups, templates, desktop icons and Explorer windows.
void BuildRichProfile(Profile* p)
{
    ASSERT_TRUE(InitProfile(p, false));
    int64_t recent = (int64_t)_time64(nullptr) - 3600;
    CopyText(p->szGenName, sizeof(p->szGenName), "Work");
    p->bGenEnableOnLoad = 1;
    p->iGenScreenX = -1920; p->iGenScreenY = 0; p->iGenScreenW = 3840; p->iGenScreenH = 1080;
    p->iGenDisplayDPI = 144;
    CopyText(p->szGenDisplayName, sizeof(p->szGenDisplayName), "\\\\.\\DISPLAY2");
    p->iGenVDesk = 1;
    p->bTrgExecuteOnly = 1; p->bTrgHotKey = 1; p->iTrgHotKey = 0x0641; p->bTrgResChange = 1;
    p->bTrgDPIChange = 1; p->bTrgDesktop = 1; p->iTrgDesktopNr = 2; p->bTrgResChangeStart = 1;
    p->iTrgScreenDelay = 200; p->iTrgSession = 0x1FF; p->iTrgSessionDelay = 1000; p->iTrgPower = 0x12;
    p->iTrgPowerDelay = 50; p->bTrgTime = 1; p->iTrgTime = 3600; p->bTrgIdle = 1; p->iTrgIdle = 300;
    p->iTrgScrSave = 2; p->bTrgHotKeyWin = 1; p->iTrgHotKeyWin = 0x0A42; p->iTrgTimeLast = 1700000000;
    p->bTrgNetwork = 0xF; p->iTrgNetStatus = -1; p->iTrgNetType = 2;
    CopyText(p->szTrgNetIPMask, sizeof(p->szTrgNetIPMask), "192.168.*");
    CopyText(p->szTrgNetSSIDMask, sizeof(p->szTrgNetSSIDMask), "Office*");
    p->bTrgNetStart = 1;
    p->iUpdUpdateMode = 2; p->bUpdSaveIcons = 1; p->bUpdSaveExpWin = 1; p->bUpdHotKey = 1;
    p->iUpdHotKey = 0x0243; p->bUpdResChange = 1; p->bUpdDPIChange = 1; p->bUpdTime = 1;
    p->iUpdTime = 7200; p->iUpdTimeLast = 1700003600; p->bUpdLock = 1; p->bUpdIdle = 200;
    p->iUpdIdle = 600; p->bUpdScrSaver = 1; p->bUpdUpdActive = 1;
    p->bAdvCmdEnable[0] = 1; p->bAdvCmdEnable[2] = 1;
    CopyText(p->szAdvCmdText[0], sizeof(p->szAdvCmdText[0]), "; on activate\r\nRUN( \"notepad.exe\" )");
    CopyText(p->szAdvCmdText[2], sizeof(p->szAdvCmdText[2]), "WAIT( 500 )");
    p->bAdvPurgeOld = 1;
    p->iAdvPurgeDays = 30;

    AddRule(p, "Editors", RULE_ITEM_GROUP | RULE_ITEM_EXPANDED, 1, 0);
    Rule* r = AddRule(p, "Notepad", 0, 2, recent);
    CopyText(r->caption, sizeof(r->caption), "*Notepad");
    r->cmpcaption = CMP_ENDS_WITH;
    CopyText(r->program, sizeof(r->program), "notepad.exe");
    r->x = 100; r->y = 200; r->w = 640; r->h = 480; r->state = RULE_STATE_NORMAL;
    r->cmdenable[0] = 1;
    CopyText(r->cmdtext[0], sizeof(r->cmdtext[0]), "MOVE( 0 , 0 )");
    r->numsortcol = 1;
    r->sortcolumn.propertyId = 4;
    r->ignrectrc = {0, 0, 100, 100};
    r = AddRule(p, "Disabled", RULE_ITEM_DISABLED, 2, recent);
    r->desktopto = 1;
    r->desktop = 3;
    AddRule(p, "Nested", RULE_ITEM_GROUP, 2, 0);
    AddRule(p, "Kept forever", RULE_ITEM_KEEP, 3, 0);
    AddRule(p, "Explorer", RULE_ITEM_GROUP, 1, 0);

    p->bGenRestoreIcons = 1;
    DesktopIconEntry icon = {"Recycle Bin", {12, 34}};
    ArrayAppend(p->pIcons, &icon);
    DesktopIconEntry icon2 = {"Projects", {-1800, 600}};
    ArrayAppend(p->pIcons, &icon2);
    p->bGenRestoreExpWin = 1;
    ExplorerWindowEntry first = {0, "C:\\Users\\me\\Documents", ""};
    ExplorerWindowEntry second = {2, "explorer.exe", "/e,C:\\Temp"};
    ArrayAppend(p->pExpWin, &first);
    ArrayAppend(p->pExpWin, &second);
    p->bTmpAutoCreate = 1;
    std::unique_ptr<RuleTemplate> t(new RuleTemplate);
    InitRuleTemplate(t.get());
    CopyText(t->match.name, sizeof(t->match.name), "Calculator");
    CopyText(t->match.program, sizeof(t->match.program), "calc.exe");
    t->match.cmpprogram = CMP_ENDS_WITH;
    t->rule.x = 10;
    t->rule.keeponscreen = 1;
    ArrayAppend(p->pTemplates, t.get());
}

std::vector<std::string> ProfileScalarKeys()
{
    return {"szGenName", "bGenEnabled", "bGenEnableOnLoad", "iGenScreenX", "iGenScreenY",
            "iGenScreenW", "iGenScreenH", "iGenDisplayDPI", "szGenDisplayName", "iGenVDesk",
            "bTrgExecuteOnly", "bTrgHotKey", "iTrgHotKey", "bTrgResChange", "bTrgDPIChange",
            "bTrgResChangeStart", "bTrgDesktop", "iTrgDesktopNr", "iTrgScreenDelay", "iTrgSession",
            "iTrgSessionDelay", "iTrgPower", "iTrgPowerDelay", "bTrgTime", "iTrgTime", "bTrgIdle",
            "iTrgIdle", "iTrgScrSave", "bTrgHotKeyWin", "iTrgHotKeyWin", "iTrgTimeLast",
            "bTrgNetwork", "iTrgNetStatus", "iTrgNetType", "szTrgNetIPMask", "szTrgNetSSIDMask",
            "bTrgNetStart", "iUpdUpdateMode", "bUpdHotKey", "iUpdHotKey", "bUpdResChange",
            "bUpdDPIChange", "bUpdTime", "iUpdTime", "iUpdTimeLast", "bUpdLock", "bUpdIdle",
            "iUpdIdle", "bUpdScrSaver", "bUpdUpdActive", "bUpdSaveIcons", "bUpdSaveExpWin",
            "bAdvCmdEnable[0]", "szAdvCmdText[0]", "bAdvCmdEnable[1]", "szAdvCmdText[1]",
            "bAdvCmdEnable[2]", "szAdvCmdText[2]", "bAdvPurgeOld", "iAdvPurgeDays"};
}

class ProfileRecordTest : public RecordFolderTest {};

}  // namespace

TEST_F(ProfileRecordTest, InitProfileDefaults)
{
    for (bool brief : {false, true}) {
        SCOPED_TRACE(brief ? "short templates" : "full templates");
        ProfileBox p;
        memset(p.p, 0xCC, sizeof(Profile));
        ASSERT_TRUE(InitProfile(p.p, brief));
        EXPECT_EQ(1, p->bGenEnabled);
        EXPECT_EQ(VALUE_ANY, p->iGenScreenX);
        EXPECT_EQ(VALUE_ANY, p->iGenScreenY);
        EXPECT_EQ(VALUE_ANY, p->iGenScreenW);
        EXPECT_EQ(VALUE_ANY, p->iGenScreenH);
        EXPECT_EQ(VALUE_ANY, p->iGenDisplayDPI);
        EXPECT_EQ(VALUE_ANY, p->iGenVDesk);
        EXPECT_EQ(1, p->bAdvPurgeOld);
        EXPECT_EQ(180, p->iAdvPurgeDays);
        EXPECT_EQ(0, p->bTrgExecuteOnly);
        EXPECT_STREQ("", p->szGenName);
        ASSERT_NE(nullptr, p->pRules);
        ASSERT_NE(nullptr, p->pIcons);
        ASSERT_NE(nullptr, p->pExpWin);
        ASSERT_NE(nullptr, p->pTemplates);
        EXPECT_EQ(0, p->pRules->count);
        EXPECT_EQ(-1, p->pRules->growStep);
        EXPECT_EQ(brief ? 3 : 6, p->pTemplates->count);
        FreeProfileLists(p.p);
        EXPECT_EQ(nullptr, p->pRules);
        FreeProfileLists(p.p);   // twice is harmless
    }
}

TEST_F(ProfileRecordTest, WriteReadWriteIsByteIdentical)
{
    for (bool brief : {false, true}) {
        SCOPED_TRACE(brief ? "short prefixes" : "full prefixes");
        ProfileBox out, in;
        BuildRichProfile(out.p);
        out->bTrgCheckNext = 1;
        std::string first = Path(brief ? "first-short.zpx" : "first.zpx");
        std::string second = Path(brief ? "second-short.zpx" : "second.zpx");
        ASSERT_TRUE(SerializeProfile(1, first.c_str(), out.p, brief));
        ASSERT_TRUE(SerializeProfile(0, first.c_str(), in.p, brief));
        EXPECT_EQ(6, in->nextRuleId) << "reading numbers the rules from 0";
        ASSERT_TRUE(SerializeProfile(1, second.c_str(), in.p, brief));
        std::string text = RecordFileText(first);
        ASSERT_FALSE(text.empty());
        EXPECT_TRUE(text == RecordFileText(second)) << "the text changed on its way through memory";

        EXPECT_STREQ("Work", in->szGenName);
        EXPECT_EQ(0, in->bTrgCheckNext) << "not stored";
        EXPECT_EQ(6, in->iNumRules);
        ASSERT_EQ(6, in->pRules->count);
        for (int32_t i = 0; i < 6; i++) {
            SCOPED_TRACE(i);
            EXPECT_STREQ(out->pRules->data[i].name, in->pRules->data[i].name);
            EXPECT_EQ(out->pRules->data[i].level, in->pRules->data[i].level);
            EXPECT_EQ((uint32_t)i, in->pRules->data[i].id);
        }
        EXPECT_EQ(100, in->pRules->data[1].x);
        EXPECT_STREQ("MOVE( 0 , 0 )", in->pRules->data[1].cmdtext[0]);
        EXPECT_EQ(3, in->pRules->data[2].desktop);
        ASSERT_EQ(2, in->pIcons->count);
        EXPECT_STREQ("Projects", in->pIcons->data[1].name);
        EXPECT_EQ(-1800, in->pIcons->data[1].pt.x);
        ASSERT_EQ(2, in->pExpWin->count);
        EXPECT_EQ(0u, in->pExpWin->data[0].type);
        EXPECT_STREQ("C:\\Users\\me\\Documents", in->pExpWin->data[0].prog);
        EXPECT_EQ(2u, in->pExpWin->data[1].type);
        EXPECT_STREQ("explorer.exe", in->pExpWin->data[1].prog);
        EXPECT_STREQ("/e,C:\\Temp", in->pExpWin->data[1].args);
        ASSERT_EQ(7, in->pTemplates->count);
        EXPECT_STREQ("Calculator", in->pTemplates->data[6].match.name);
        EXPECT_EQ(10, in->pTemplates->data[6].rule.x);
        EXPECT_EQ(-1, in->iTrgNetStatus);
        EXPECT_EQ(200, in->bUpdIdle);
        EXPECT_STREQ("; on activate\r\nRUN( \"notepad.exe\" )", in->szAdvCmdText[0]);

        const char* rule = brief ? "Rul[1]." : "Rule[1].";
        const char* icon = brief ? "Ico[1]." : "Icon[1].";
        EXPECT_EQ("Notepad", ValueOf(text, std::string(rule) + "name"));
        EXPECT_EQ("Projects", ValueOf(text, std::string(icon) + "name"));
        EXPECT_EQ("-1800", ValueOf(text, std::string(icon) + "pt.x"));
    }
}

TEST_F(ProfileRecordTest, StoredKeysAndEncodings)
{
    ProfileBox p;
    BuildRichProfile(p.p);
    ASSERT_TRUE(SerializeProfile(1, Path("keys.zpx").c_str(), p.p, false));
    std::string text = RecordFileText(Path("keys.zpx"));
    std::vector<std::string> keys = KeysOf(text);
    std::vector<std::string> scalars = ProfileScalarKeys();
    ASSERT_GE(keys.size(), scalars.size());
    EXPECT_EQ(scalars, std::vector<std::string>(keys.begin(), keys.begin() + scalars.size()));

    // The lists follow in their order, each behind its switch and count.
    auto position = [&](const std::string& key) {
        for (size_t i = 0; i < keys.size(); i++)
            if (keys[i] == key) return (int)i;
        return -1;
    };
    const char* const order[] = {"iAdvPurgeDays", "iNumRules", "Rule[0].item", "Rule[5].tmpnamelen",
                                 "bGenRestoreIcons", "iNumIcons", "Icon[0].name", "Icon[0].pt.x",
                                 "Icon[0].pt.y", "Icon[1].pt.y", "bGenRestoreExpWin", "iNumExpWin",
                                 "ExpWinxi].type", "bTmpAutoCreate", "iNumTmpls",
                                 "Template[0].Match.item", "Template[0].Rule.item",
                                 "Template[6].Rule.assignonce"};
    for (size_t i = 1; i < sizeof(order) / sizeof(order[0]); i++) {
        SCOPED_TRACE(order[i]);
        EXPECT_GT(position(order[i]), position(order[i - 1]));
    }
    EXPECT_EQ(keys.back(), "Template[6].Rule.assignonce");
    int expWinKeys = 0;
    for (const std::string& k : keys)
        if (k.compare(0, 6, "ExpWin") == 0) {
            EXPECT_TRUE(k == "ExpWinxi].type" || k == "ExpWinxi].prog" || k == "ExpWinxi].args") << k;
            expWinKeys++;
        }
    EXPECT_EQ(6, expWinKeys);

    struct Case {
        const char* key;
        const char* value;
    } cases[] = {
        {"bGenEnabled", "1"},             {"bTrgHotKey", "1"},
        {"iTrgHotKey", "0x0641"},          {"iTrgSession", "0x000001FF"},
        {"bTrgNetwork", "0x0000000F"},    {"iTrgNetStatus", "-1"},
        {"bUpdIdle", "-56"},              {"iTrgTimeLast", "1700000000"},
        {"iGenScreenX", "-1920"},         {"bAdvCmdEnable[0]", "01"},
        {"bAdvCmdEnable[1]", "00"},       {"iNumRules", "6"},
        {"iNumTmpls", "7"},               {"Rule[0].item", "03"},
        {"Rule[1].level", "02"},          {"ExpWinxi].type", "0"},
        {"ExpWinxi].prog", "C:\\Users\\me\\Documents"}, {"Template[6].Match.name", "Calculator"},
        {"Template[6].Rule.x", "10"},     {"Template[0].Match.item", "80"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.value, ValueOf(text, c.key)) << c.key;
}

TEST_F(ProfileRecordTest, MissingKeysKeepTheirMeaning)
{
    struct Case {
        std::string text;
        const char* why;
    } cases[] = {
        {Line("szGenName", "Bare"), "only a name"},
        {Line("szGenName", "Bare") + Line("bAdvPurgeOld", "1") + Line("iAdvPurgeDays", "0"), "zero days"},
        {Line("szGenName", "Bare") + Line("iAdvPurgeDays", "45"), "days without the switch"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        ASSERT_TRUE(WriteRecordFile(Path("bare.zpx"), c.text));
        ProfileBox p;
        ASSERT_TRUE(InitProfile(p.p, false));   // a record with lists of its own and purging on
        AddRule(p.p, "old rule", 0, 1, 0);
        ASSERT_TRUE(SerializeProfile(0, Path("bare.zpx").c_str(), p.p, false));
        EXPECT_STREQ("Bare", p->szGenName);
        EXPECT_EQ(1, p->bGenEnabled);
        EXPECT_EQ(VALUE_ANY, p->iGenScreenW);
        EXPECT_EQ(VALUE_ANY, p->iGenDisplayDPI);
        EXPECT_EQ(VALUE_ANY, p->iGenVDesk);
        EXPECT_EQ(0, p->bAdvPurgeOld) << "purging is off";
        EXPECT_EQ(c.why == std::string("days without the switch") ? 45 : 31, p->iAdvPurgeDays);
        ASSERT_NE(nullptr, p->pRules);
        ASSERT_NE(nullptr, p->pIcons);
        ASSERT_NE(nullptr, p->pExpWin);
        EXPECT_EQ(0, p->pRules->count) << "the old list was replaced";
        EXPECT_EQ(0, p->iNumRules);
        ASSERT_NE(nullptr, p->pTemplates);
        EXPECT_EQ(6, p->pTemplates->count) << "a profile without templates gets the defaults";
    }
    ProfileBox p;
    EXPECT_FALSE(SerializeProfile(0, Path("missing.zpx").c_str(), p.p, false));
    EXPECT_EQ(nullptr, p->pRules) << "a failed read changes nothing";
    ASSERT_TRUE(WriteWholeFileText(Path("plain.zpx"), "szGenName=not a zip"));
    EXPECT_FALSE(SerializeProfile(0, Path("plain.zpx").c_str(), p.p, false));
}

TEST_F(ProfileRecordTest, WritingWithoutTemplatesFillsTheDefaultsAfterwards)
{
    ProfileBox p;
    ASSERT_TRUE(InitProfile(p.p, true));
    FreeGrowArray(p->pTemplates);
    ASSERT_TRUE(SerializeProfile(1, Path("none.zpx").c_str(), p.p, false));
    EXPECT_EQ("0", ValueOf(RecordFileText(Path("none.zpx")), "iNumTmpls"));
    EXPECT_EQ(6, p->pTemplates->count);
}

TEST_F(ProfileRecordTest, HostileFilesLoadWithinBounds)
{
    std::string rule0 = Line("Rule[0].item", "00") + Line("Rule[0].name", "zero");
    std::string rule1 = Line("Rule[1].item", "00") + Line("Rule[1].name", "one");
    std::string rule2 = Line("Rule[2].item", "00") + Line("Rule[2].name", "two");
    std::string icon0 = Line("Icon[0].name", "icon") + Line("Icon[0].pt.x", "1") + Line("Icon[0].pt.y", "2");
    std::string exp = Line("ExpWinxi].type", "0") + Line("ExpWinxi].prog", "a") + Line("ExpWinxi].args", "") +
                      Line("ExpWinxi].type", "1") + Line("ExpWinxi].prog", "b") + Line("ExpWinxi].args", "x");
    std::string tmpl0 = Line("Template[0].Match.item", "00") + Line("Template[0].Match.name", "t0") +
                        Line("Template[0].Rule.item", "00");
    std::string huge(5000, 'h');
    struct Case {
        std::string text;
        int32_t rules, icons, expWins, templates;
        const char* why;
    } cases[] = {
        {Line("iNumRules", "2147483647") + rule0 + rule1, 2, 0, 0, 6, "huge rule count"},
        {Line("iNumRules", "-5") + rule0, 1, 0, 0, 6, "negative rule count: the rule there is read"},
        {Line("iNumRules", "abc") + rule0, 1, 0, 0, 6, "unreadable rule count"},
        {rule0 + rule1, 2, 0, 0, 6, "no count keys"},
        {Line("iNumRules", "1") + rule0 + rule1 + rule2, 3, 0, 0, 6, "a count below the rules there"},
        {Line("iNumRules", "3") + rule0 + rule2, 1, 0, 0, 6, "a rule missing in the middle: reading stops there"},
        {Line("iNumIcons", "99999999") + icon0, 0, 1, 0, 6, "huge icon count"},
        {Line("iNumIcons", "-2147483648") + icon0, 0, 1, 0, 6, "most negative icon count"},
        {Line("iNumExpWin", "-1") + exp, 0, 0, 2, 6, "negative Explorer count"},
        {Line("iNumTmpls", "0") + tmpl0, 0, 0, 0, 1, "template count of 0 with a template there"},
        {Line("iNumExpWin", "1000000") + exp, 0, 0, 2, 6, "huge Explorer count: no repeats"},
        {Line("iNumTmpls", "500") + tmpl0, 0, 0, 0, 1, "huge template count"},
        {Line("iNumTmpls", "2") + Line("Template[0].Match.item", "00"), 0, 0, 0, 6, "half a template"},
        {Line("szGenName", huge) + Line("szAdvCmdText[0]", huge) + Line("szTrgNetSSIDMask", huge) +
             Line("szTrgNetIPMask", huge) + Line("szGenDisplayName", huge) + Line("iNumIcons", "1") +
             Line("Icon[0].name", huge) + Line("iNumExpWin", "1") + Line("ExpWinxi].type", huge) +
             Line("ExpWinxi].prog", huge) + Line("ExpWinxi].args", huge) + Line("iNumRules", "1") +
             Line("Rule[0].item", "00") + Line("Rule[0].name", huge) + Line("Rule[0].caption", huge) + Line("Rule[0].cmdtext[3]", huge),
         1, 1, 1, 6, "5000-character values"},
        {std::string("\0\r\n\0\r\n=\0\r\n", 9) + Line("", "") + Line("iNumRules=", "1"), 0, 0, 0, 6,
         "empty keys and stray terminators"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        ASSERT_TRUE(WriteRecordFile(Path("hostile.zpx"), c.text));
        ProfileBox p;
        ASSERT_TRUE(SerializeProfile(0, Path("hostile.zpx").c_str(), p.p, false));
        ASSERT_NE(nullptr, p->pRules);
        ASSERT_NE(nullptr, p->pIcons);
        ASSERT_NE(nullptr, p->pExpWin);
        ASSERT_NE(nullptr, p->pTemplates);
        EXPECT_EQ(c.rules, p->pRules->count);
        EXPECT_EQ(c.rules, p->iNumRules);
        EXPECT_EQ(c.icons, p->pIcons->count);
        EXPECT_EQ(c.icons, p->iNumIcons);
        EXPECT_EQ(c.expWins, p->pExpWin->count);
        EXPECT_EQ(c.expWins, p->iNumExpWin);
        EXPECT_EQ(c.templates, p->pTemplates->count);
        EXPECT_LT(strnlen(p->szGenName, sizeof(p->szGenName)), sizeof(p->szGenName));
        EXPECT_LT(strnlen(p->szTrgNetSSIDMask, sizeof(p->szTrgNetSSIDMask)), sizeof(p->szTrgNetSSIDMask));
        EXPECT_LT(strnlen(p->szTrgNetIPMask, sizeof(p->szTrgNetIPMask)), sizeof(p->szTrgNetIPMask));
        EXPECT_LT(strnlen(p->szAdvCmdText[0], sizeof(p->szAdvCmdText[0])), sizeof(p->szAdvCmdText[0]));
        if (std::string(c.why) == "5000-character values") {
            EXPECT_EQ(std::string(259, 'h'), p->szGenName);
            EXPECT_EQ(std::string(1023, 'h'), p->szAdvCmdText[0]);
            EXPECT_EQ(std::string(32, 'h'), p->szTrgNetSSIDMask);
            EXPECT_EQ(std::string(519, 'h'), p->pExpWin->data[0].args);
            EXPECT_EQ(std::string(1023, 'h'), p->pRules->data[0].cmdtext[3]);
            EXPECT_EQ(std::string(259, 'h'), p->pRules->data[0].name);
            EXPECT_EQ(259, p->pRules->data[0].captionlen);
        }
        for (int32_t i = 0; i < p->pExpWin->count; i++) {
            EXPECT_LT(strnlen(p->pExpWin->data[i].args, 520), 520u);
            EXPECT_LT(strnlen(p->pExpWin->data[i].prog, 260), 260u);
        }
    }
    // The order and values of the two Explorer entries survive although their keys are the same.
    ASSERT_TRUE(WriteRecordFile(Path("exp.zpx"), Line("iNumExpWin", "2") + exp));
    ProfileBox p;
    ASSERT_TRUE(SerializeProfile(0, Path("exp.zpx").c_str(), p.p, false));
    ASSERT_EQ(2, p->pExpWin->count);
    EXPECT_STREQ("a", p->pExpWin->data[0].prog);
    EXPECT_STREQ("b", p->pExpWin->data[1].prog);
    EXPECT_EQ(1u, p->pExpWin->data[1].type);
    EXPECT_STREQ("x", p->pExpWin->data[1].args);
}

TEST_F(ProfileRecordTest, PurgingOnReadRemovesOnlyExpiredRules)
{
    int64_t now = (int64_t)_time64(nullptr);
    ProfileBox out;
    ASSERT_TRUE(InitProfile(out.p, true));
    out->iAdvPurgeDays = 30;
    AddRule(out.p, "31 days", 0, 1, now - 31 * 86400);
    AddRule(out.p, "30 days 23 hours", 0, 1, now - 30 * 86400 - 23 * 3600);
    AddRule(out.p, "kept", RULE_ITEM_KEEP, 1, now - 400 * 86400);
    AddRule(out.p, "group", RULE_ITEM_GROUP, 1, 0);
    AddRule(out.p, "future", 0, 1, now + 86400);
    AddRule(out.p, "never used", 0, 1, 0);
    ASSERT_TRUE(SerializeProfile(1, Path("purge.zpx").c_str(), out.p, false));

    ProfileBox in;
    ASSERT_TRUE(SerializeProfile(0, Path("purge.zpx").c_str(), in.p, false));
    std::vector<std::string> names;
    for (int32_t i = 0; i < in->pRules->count; i++) names.push_back(in->pRules->data[i].name);
    EXPECT_EQ((std::vector<std::string>{"30 days 23 hours", "kept", "group", "future", "never used"}), names)
        << "a rule never used yet is not lost: its time starts now";
    EXPECT_GE(in->pRules->data[4].time, now);

    // Purging off: everything stays.
    out->bAdvPurgeOld = 0;
    ASSERT_TRUE(SerializeProfile(1, Path("nopurge.zpx").c_str(), out.p, false));
    ProfileBox all;
    ASSERT_TRUE(SerializeProfile(0, Path("nopurge.zpx").c_str(), all.p, false));
    EXPECT_EQ(6, all->pRules->count);

    // After a configuration import, times restart instead.
    g_app.configImported = 1;
    EXPECT_EQ(0, PurgeExpiredRules(all.p, 30));
    EXPECT_EQ(6, all->pRules->count);
    EXPECT_GE(all->pRules->data[0].time, now);
    EXPECT_EQ(0, all->pRules->data[3].time) << "groups are left alone";
    g_app.configImported = 0;
    EXPECT_EQ(0, PurgeExpiredRules(all.p, 30));
}

TEST_F(ProfileRecordTest, AFailedWriteKeepsTheOldFile)
{
    ProfileBox p;
    BuildRichProfile(p.p);
    std::string path = Path("kept.zpx");
    ASSERT_TRUE(SerializeProfile(1, path.c_str(), p.p, false));
    std::string old = ReadWholeFile(path);
    CopyText(p->szGenName, sizeof(p->szGenName), "Changed");
    HANDLE busy = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, busy);
    EXPECT_FALSE(SerializeProfile(1, path.c_str(), p.p, false));
    CloseHandle(busy);
    EXPECT_TRUE(ReadWholeFile(path) == old);
    EXPECT_EQ("Work", ValueOf(RecordFileText(path), "szGenName"));
}

TEST_F(ProfileRecordTest, CopiesAreDeep)
{
    ProfileBox source;
    BuildRichProfile(source.p);
    source->bTrgCheckNext = 1;
    ProfileBox copy;
    ASSERT_TRUE(CopyProfile(source.p, copy.p));
    EXPECT_EQ(1, copy->bTrgCheckNext);
    EXPECT_STREQ("Work", copy->szGenName);
    ASSERT_NE(source->pRules, copy->pRules);
    ASSERT_EQ(source->pRules->count, copy->pRules->count);
    ASSERT_EQ(source->pTemplates->count, copy->pTemplates->count);
    ASSERT_EQ(2, copy->pExpWin->count);
    ASSERT_EQ(2, copy->pIcons->count);
    EXPECT_EQ(-1, copy->pRules->growStep);
    CopyText(copy->pRules->data[1].name, sizeof(copy->pRules->data[1].name), "changed");
    copy->pIcons->data[0].pt.x = 999;
    EXPECT_STREQ("Notepad", source->pRules->data[1].name);
    EXPECT_EQ(12, source->pIcons->data[0].pt.x);

    GrowArray<Profile> list, other;
    InitGrowArray(&list);
    InitGrowArray(&other);
    ProfileBox second;
    ASSERT_TRUE(InitProfile(second.p, true));
    CopyText(second->szGenName, sizeof(second->szGenName), "Save All");
    ASSERT_EQ(0, ArrayAppend(&list, source.p));
    ASSERT_EQ(1, ArrayAppend(&list, second.p));
    ASSERT_TRUE(AssignProfileList(&list, &other));
    ASSERT_EQ(2, other.count);
    EXPECT_STREQ("Save All", other.data[1].szGenName);
    EXPECT_NE(list.data[1].pTemplates, other.data[1].pTemplates);
    EXPECT_EQ(3, other.data[1].pTemplates->count);
    ASSERT_TRUE(AssignProfileList(&list, &other)) << "assigning over a filled list";
    EXPECT_EQ(2, other.count);
    ClearProfileList(&other);
    EXPECT_EQ(0, other.count);
    FreeGrowArray(&other);
    FreeGrowArray(&list);   // the records in it belong to the boxes
}

TEST_F(ProfileRecordTest, AProfileWrittenByInfoZipReadsExactlyItsKeys)
{
    if (!HostToolsAvailable()) GTEST_SKIP() << "zip is reached through Wine";
    std::string text = Line("szGenName", "From Info-ZIP") + Line("bGenEnabled", "0") +
                       Line("iGenScreenW", "2560") + Line("iTrgHotKey", "0x0A41") +
                       Line("iTrgNetStatus", "-1") + Line("iTrgSession", "0x00000010") +
                       Line("bAdvCmdEnable[1]", "01") + Line("szAdvCmdText[1]", "WAIT( 1 )") +
                       Line("iNumRules", "1") + Line("Rule[0].item", "00") + Line("Rule[0].name", "only") +
                       Line("Rule[0].x", "77") + Line("iNumExpWin", "1") + Line("ExpWinxi].type", "3") +
                       Line("ExpWinxi].prog", "p") + Line("ExpWinxi].args", "a");
    std::string log;
    ASSERT_EQ(0, ZipRecordWithInfoZip(folder, Path("infozip.zpx"), text, &log)) << log;
    ProfileBox p;
    ASSERT_TRUE(SerializeProfile(0, Path("infozip.zpx").c_str(), p.p, false));

    // Exactly these fields moved; everything else is what a zero-filled
    // profile reads as when its keys are missing.
    ProfileBox want;
    ASSERT_TRUE(WriteRecordFile(Path("empty.zpx"), Line("szGenName", "From Info-ZIP")));
    ASSERT_TRUE(SerializeProfile(0, Path("empty.zpx").c_str(), want.p, false));
    want->bGenEnabled = 0;
    want->iGenScreenW = 2560;
    want->iTrgHotKey = 0x0A41;
    want->iTrgNetStatus = -1;
    want->iTrgSession = 0x10;
    want->bAdvCmdEnable[1] = 1;
    CopyText(want->szAdvCmdText[1], sizeof(want->szAdvCmdText[1]), "WAIT( 1 )");
    want->iNumRules = 1;
    want->iNumExpWin = 1;
    std::unique_ptr<Profile> copyA(new Profile), copyB(new Profile);
    Profile& a = *copyA;
    Profile& b = *copyB;
    memcpy(&a, p.p, sizeof(Profile));   // padding included, for the byte comparison
    memcpy(&b, want.p, sizeof(Profile));
    a.pRules = b.pRules = nullptr;
    a.pIcons = b.pIcons = nullptr;
    a.pExpWin = b.pExpWin = nullptr;
    a.pTemplates = b.pTemplates = nullptr;
    a.nextRuleId = b.nextRuleId = 0;
    EXPECT_EQ(0, memcmp(&a, &b, sizeof(Profile)));
    EXPECT_EQ(VALUE_ANY, p->iGenScreenH);
    ASSERT_EQ(1, p->pRules->count);
    EXPECT_STREQ("only", p->pRules->data[0].name);
    EXPECT_EQ(77, p->pRules->data[0].x);
    EXPECT_EQ(0, p->pRules->data[0].y) << "missing rule keys read as zero";
    ASSERT_EQ(1, p->pExpWin->count);
    EXPECT_EQ(3u, p->pExpWin->data[0].type);
    EXPECT_EQ(6, p->pTemplates->count);
}
