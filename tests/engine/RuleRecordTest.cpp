// RuleRecordTest.cpp - the rule and rule template records: defaults, stored keys by kind,
// encodings and the corrections made while reading.
#include "engine/RuleRecord.h"
#include "engine/TemplateRecord.h"
#include "tests/engine/RecordTestUtil.h"

#include <memory>

namespace {

// The stored keys of a full rule in their order, as the record format has them.
std::vector<std::string> FullRuleKeys(bool withLevel, bool withSortColumn)
{
    std::vector<std::string> keys = {"item", "name"};
    if (withLevel) keys.push_back("level");
    for (const char* k : {"time", "caption", "captionlen", "cmpcaption", "wndclss", "wndclsslen",
                          "cmpwndclss", "program", "programlen", "cmpprogram", "sepan", "sepor",
                          "tmpname", "tmpnamelen", "ignifex", "ignifexnum", "ignxnum", "ignxnumnum",
                          "ignxnumresetprf", "ignxnumresetpid", "matchxnum", "matchxnumnum",
                          "matchxnumresetprf", "matchxnumresetpid", "titlex", "titlextime", "tdelay",
                          "tdelaytime", "tretry", "tretrytime", "exclfromupdt", "moveto", "movetomode",
                          "x", "y", "lockpos", "mouserelative", "keeponscreen", "sizeto", "sizetomode",
                          "w", "h", "locksize", "lockar", "keepar", "stateto", "statetomode", "state",
                          "lockstate", "orderto", "order", "close", "activate", "offmode", "offx", "offy",
                          "tilerows", "tilecols", "transto", "transval", "clickthrough"})
        keys.push_back(k);
    for (int i = 0; i < 9; i++) {
        keys.push_back("cmdenable[" + std::to_string(i) + "]");
        keys.push_back("cmdtext[" + std::to_string(i) + "]");
    }
    for (const char* k : {"cmdactive", "checkfullpath", "cmpfullpath", "fullpath", "fullpathlen",
                          "remviewmode", "viewmode", "iconsize", "numsortcol"})
        keys.push_back(k);
    if (withSortColumn) keys.push_back("sortcolumn");
    for (const char* k : {"ignnonres", "ignnonresmode", "ignstate", "ignstatemode", "ignnonmain",
                          "ignnonmainmode", "matchstate", "matchstatemode", "desktopto",
                          "desktoptomode", "desktop", "lockdesktop", "ignsmall", "ignsmallmode",
                          "ignsw", "ignsh", "ignlarge", "ignlargemode", "ignlw", "ignlh", "imatchvdesk",
                          "imatchvdeskidx", "ignrect", "ignrectmode", "ignrectrc", "assignonce"})
        keys.push_back(k);
    return keys;
}

std::vector<std::string> Prefixed(const std::string& prefix, const std::vector<std::string>& keys)
{
    std::vector<std::string> out;
    for (const std::string& k : keys) out.push_back(prefix + k);
    return out;
}

std::unique_ptr<Rule> NewRule()
{
    std::unique_ptr<Rule> r(new Rule);
    memset(r.get(), 0, sizeof(Rule));
    return r;
}

// The text one rule writes under a prefix.
std::string WriteRule(Rule* rule, const char* prefixFormat, int index, int kind, bool* ok = nullptr)
{
    ConfigRecord w;
    InitConfigRecord(&w, 1, "prul->");
    SetRecordKeyPrefix(&w, "prul->", prefixFormat, index);
    bool result = SerializeRule(1, &w, rule, 0, kind);
    if (ok) *ok = result;
    std::string text = TextOf(w);
    ClearConfigRecord(&w);
    return text;
}

bool ReadRule(const std::string& text, Rule* rule, const char* prefixFormat, int index, int kind,
              uint32_t id = 0)
{
    ConfigRecord r;
    InitConfigRecord(&r, 0, "prul->");
    ArrayAppendN(&r.text, text.data(), (int32_t)text.size());
    SetRecordKeyPrefix(&r, "prul->", prefixFormat, index);
    bool result = SerializeRule(0, &r, rule, id, kind);
    ClearConfigRecord(&r);
    return result;
}

// Every stored field given a value unlike its default.
void FillRule(Rule* r)
{
    InitRule(r);
    r->item = RULE_ITEM_DISABLED;
    CopyText(r->name, sizeof(r->name), "Editor windows");
    r->level = 2;
    r->time = 1700000000;
    CopyText(r->caption, sizeof(r->caption), "*notes*|draft");
    r->cmpcaption = CMP_CONTAINS | CMP_NEGATE;
    CopyText(r->wndclss, sizeof(r->wndclss), "Notepad");
    CopyText(r->program, sizeof(r->program), "C:\\Windows\\notepad.exe");
    r->cmpprogram = CMP_ENDS_WITH;
    CopyText(r->sepan, sizeof(r->sepan), "&");
    CopyText(r->sepor, sizeof(r->sepor), "|");
    CopyText(r->tmpname, sizeof(r->tmpname), "All Other Windows");
    r->ignifex = 1; r->ignifexnum = 2; r->ignxnum = 1; r->ignxnumnum = 3; r->ignxnumresetprf = 1;
    r->ignxnumresetpid = 1; r->matchxnum = 1; r->matchxnumnum = 4; r->matchxnumresetprf = 1;
    r->matchxnumresetpid = 1; r->titlex = 0; r->titlextime = 1500; r->tdelay = 1; r->tdelaytime = 250;
    r->tretry = 0; r->tretrytime = 3000000000u; r->exclfromupdt = 1; r->moveto = 0; r->movetomode = 2;
    r->x = -1920; r->y = 40; r->lockpos = 1; r->mouserelative = 1; r->keeponscreen = 1; r->sizeto = 0;
    r->sizetomode = 1; r->w = 800; r->h = 600; r->locksize = 1; r->lockar = 1; r->keepar = 1;
    r->stateto = 0; r->statetomode = 1; r->state = RULE_STATE_MAXIMIZED; r->lockstate = 1;
    r->orderto = 1; r->order = 2; r->close = 1; r->activate = 1; r->offmode = 3; r->offx = 11;
    r->offy = 12; r->tilerows = 4; r->tilecols = 5; r->transto = 1; r->transval = 200;
    r->clickthrough = 1;
    for (int i = 0; i < RULE_SCRIPT_SLOTS; i++) {
        r->cmdenable[i] = (uint8_t)(i % 2);
        FormatText(r->cmdtext[i], sizeof(r->cmdtext[i]), "; slot %d\r\nWAIT( %d )", i, i * 100);
    }
    r->checkfullpath = 1; r->cmpfullpath = CMP_STARTS_WITH;
    CopyText(r->fullpath, sizeof(r->fullpath), "C:\\Users");
    r->remviewmode = 1; r->viewmode = 4; r->iconsize = 48; r->numsortcol = 1;
    r->sortcolumn.formatId = {0xB725F130, 0x47EF, 0x101A, {0xA5, 0xF1, 0x02, 0x60, 0x8C, 0x9E, 0xEB, 0xAC}};
    r->sortcolumn.propertyId = 10;
    r->sortcolumn.direction = -1;
    r->ignnonres = 1; r->ignnonresmode = 1; r->ignstate = 1; r->ignstatemode = 2; r->ignnonmain = 1;
    r->ignnonmainmode = 1; r->matchstate = 1; r->matchstatemode = 2; r->desktopto = 1;
    r->desktoptomode = 0; r->desktop = RULE_DESKTOP_PIN; r->lockdesktop = 1; r->ignsmall = 1;
    r->ignsmallmode = 1; r->ignsw = 100; r->ignsh = 50; r->ignlarge = 1; r->ignlargemode = 1;
    r->ignlw = 3000; r->ignlh = 2000; r->imatchvdesk = 1; r->imatchvdeskidx = 0xFF; r->ignrect = 1;
    r->ignrectmode = 1; r->ignrectrc = {-10, -20, 1930, 1100}; r->assignonce = 1;
}

// Stored fields compared, run-time fields left out.
void ExpectSameStoredFields(const Rule& want, const Rule& got, bool withLevel)
{
    std::unique_ptr<Rule> copyA = NewRule(), copyB = NewRule();
    Rule& a = *copyA;
    Rule& b = *copyB;
    memcpy(&a, &want, sizeof(Rule));   // padding included, for the byte comparison
    memcpy(&b, &got, sizeof(Rule));
    for (Rule* r : {&a, &b}) {
        r->id = 0;
        memset(r->windows, 0, sizeof(r->windows));
        r->windowCount = 0;
        r->matchxnumpid = r->ignxnumpid = 0;
        r->matchxnumcount = r->ignxnumcount = 0;
        if (!withLevel) r->level = 0;
    }
    EXPECT_EQ(0, memcmp(&a, &b, sizeof(Rule)));
    EXPECT_STREQ(a.name, b.name);
    EXPECT_STREQ(a.cmdtext[8], b.cmdtext[8]);
    EXPECT_EQ(a.x, b.x);
}

}  // namespace

TEST(RuleRecord, InitRuleDefaults)
{
    std::unique_ptr<Rule> r = NewRule();
    memset(r.get(), 0xCC, sizeof(Rule));
    InitRule(r.get());
    int step = GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CYEDGE);
    struct Case {
        const char* field;
        int64_t got;
        int64_t want;
    } cases[] = {
        {"item", r->item, 0},           {"level", r->level, 1},
        {"cmpcaption", r->cmpcaption, 1}, {"cmpwndclss", r->cmpwndclss, 1},
        {"cmpprogram", r->cmpprogram, 1}, {"moveto", r->moveto, 1},
        {"movetomode", r->movetomode, 0}, {"sizeto", r->sizeto, 1},
        {"stateto", r->stateto, 1},     {"x", r->x, 0x7FFFFFFF},
        {"y", r->y, 0x7FFFFFFF},        {"w", r->w, 0x7FFFFFFF},
        {"h", r->h, 0x7FFFFFFF},        {"state", r->state, 0xFF},
        {"desktoptomode", r->desktoptomode, 1}, {"desktop", r->desktop, 0xFF},
        {"titlex", r->titlex, 1},       {"titlextime", r->titlextime, 2000},
        {"tdelaytime", r->tdelaytime, 500}, {"tretry", r->tretry, 1},
        {"tretrytime", r->tretrytime, 100}, {"offx", r->offx, step},
        {"offy", r->offy, step},        {"tilerows", r->tilerows, 3},
        {"tilecols", r->tilecols, 3},   {"ignnonmain", r->ignnonmain, 2},
        {"cmpfullpath", r->cmpfullpath, 2}, {"ignifexnum", r->ignifexnum, 0},
        {"time", r->time, 0},           {"windowCount", r->windowCount, 0},
    };
    for (const Case& c : cases) EXPECT_EQ(c.want, c.got) << c.field;
    EXPECT_STREQ("", r->name);
    EXPECT_STREQ("", r->cmdtext[8]);
}

TEST(RuleRecord, EachKindStoresItsKeysInOrder)
{
    std::unique_ptr<Rule> rule = NewRule();
    FillRule(rule.get());
    const std::vector<std::string> full = FullRuleKeys(true, true);
    const std::vector<std::string> criteria = FullRuleKeys(false, false);
    struct Case {
        uint8_t item;
        int32_t numsortcol;
        int kind;
        const char* prefix;
        std::vector<std::string> keys;
        const char* why;
    } cases[] = {
        {0, 1, RULE_KIND_PROFILE, "Rule[%d].", Prefixed("Rule[3].", FullRuleKeys(true, true)), "rule"},
        {0, 0, RULE_KIND_PROFILE, "Rule[%d].", Prefixed("Rule[3].", FullRuleKeys(true, false)),
         "rule without sort columns"},
        {RULE_ITEM_GROUP, 1, RULE_KIND_PROFILE, "Rul[%d].",
         Prefixed("Rul[3].", std::vector<std::string>(full.begin(), full.begin() + 17)),
         "group: keys 1 to 17"},
        {0, 1, RULE_KIND_TEMPLATE_ACTION, "Template[%d].Rule.",
         Prefixed("Template[3].Rule.", FullRuleKeys(false, true)), "template action part: no level"},
        {0, 1, RULE_KIND_TEMPLATE_MATCH, "Template[%d].Match.",
         Prefixed("Template[3].Match.", std::vector<std::string>(criteria.begin(), criteria.begin() + 16)),
         "template match part: keys 1, 2, 4 to 17"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        rule->item = c.item;
        rule->numsortcol = c.numsortcol;
        bool ok = false;
        std::string text = WriteRule(rule.get(), c.prefix, 3, c.kind, &ok);
        EXPECT_TRUE(ok);
        EXPECT_EQ(c.keys, KeysOf(text));
    }
    EXPECT_EQ(118u, full.size());
}

TEST(RuleRecord, ValuesUseTheRuleEncodings)
{
    std::unique_ptr<Rule> rule = NewRule();
    InitRule(rule.get());
    rule->item = RULE_ITEM_GROUP | RULE_ITEM_EXPANDED;
    std::string group = WriteRule(rule.get(), "Rule[%d].", 0, RULE_KIND_PROFILE);
    EXPECT_EQ("03", ValueOf(group, "Rule[0].item"));
    EXPECT_EQ("01", ValueOf(group, "Rule[0].level"));

    InitRule(rule.get());
    FillRule(rule.get());
    rule->cmdtext[8][0] = '\0';
    std::string text = WriteRule(rule.get(), "Rule[%d].", 4, RULE_KIND_PROFILE);
    struct Case {
        const char* key;
        const char* value;
    } cases[] = {
        {"Rule[4].item", "04"},          {"Rule[4].level", "02"},
        {"Rule[4].time", "1700000000"},  {"Rule[4].cmpcaption", "82"},
        {"Rule[4].captionlen", "13"},    {"Rule[4].state", "02"},
        {"Rule[4].desktop", "FE"},       {"Rule[4].transval", "C8"},
        {"Rule[4].imatchvdeskidx", "FF"}, {"Rule[4].x", "-1920"},
        {"Rule[4].tretrytime", "-1294967296"}, {"Rule[4].ignlw", "3000"},
        {"Rule[4].cmdtext[8]", ""},      {"Rule[4].cmdenable[1]", "01"},
        {"Rule[4].cmdactive", "01"},     {"Rule[4].ignrectrc", "-10,-20,1930,1100"},
        {"Rule[4].sortcolumn", "30F125B7EF471A10A5F102608C9EEBAC0A000000FFFFFFFF"},
        {"Rule[4].sepor", "|"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.value, ValueOf(text, c.key)) << c.key;

    InitRule(rule.get());
    std::string action = WriteRule(rule.get(), "Template[%d].Rule.", 2, RULE_KIND_TEMPLATE_ACTION);
    EXPECT_EQ("2147483647", ValueOf(action, "Template[2].Rule.x"));
}

TEST(RuleRecord, WriteReadWriteKeepsEveryStoredField)
{
    struct Case {
        int kind;
        const char* prefix;
    } cases[] = {{RULE_KIND_PROFILE, "Rule[%d]."}, {RULE_KIND_TEMPLATE_ACTION, "Template[%d].Rule."}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.prefix);
        std::unique_ptr<Rule> out = NewRule(), in = NewRule();
        FillRule(out.get());
        std::string first = WriteRule(out.get(), c.prefix, 1, c.kind);
        ASSERT_TRUE(ReadRule(first, in.get(), c.prefix, 1, c.kind, 77));
        EXPECT_EQ(77u, in->id);
        ExpectSameStoredFields(*out, *in, c.kind == RULE_KIND_PROFILE);
        EXPECT_EQ(first, WriteRule(in.get(), c.prefix, 1, c.kind));
    }
}

TEST(RuleRecord, AGroupKeepsOnlyItsCriteria)
{
    std::unique_ptr<Rule> out = NewRule(), in = NewRule();
    FillRule(out.get());
    out->item = RULE_ITEM_GROUP;
    std::string text = WriteRule(out.get(), "Rule[%d].", 0, RULE_KIND_PROFILE);
    // Reading leaves everything behind the criteria at the caller's values.
    memset(in.get(), 0, sizeof(Rule));
    in->x = 1234;
    in->tretry = 0;
    in->windowCount = 5;
    ASSERT_TRUE(ReadRule(text, in.get(), "Rule[%d].", 0, RULE_KIND_PROFILE));
    EXPECT_STREQ(out->name, in->name);
    EXPECT_STREQ(out->tmpname, in->tmpname);
    EXPECT_EQ(out->level, in->level);
    EXPECT_EQ(1234, in->x);
    EXPECT_EQ(0, in->tretry);
    EXPECT_EQ(0, in->ignifexnum);
    EXPECT_EQ(0, in->windowCount) << "the window list is always cleared";
}

TEST(RuleRecord, MissingItemEndsTheList)
{
    std::unique_ptr<Rule> in = NewRule();
    std::string text = Line("Rule[0].name", "no item") + Line("Rule[0].x", "5") + Line("Rule[1].item", "00");
    EXPECT_FALSE(ReadRule(text, in.get(), "Rule[%d].", 0, RULE_KIND_PROFILE));
    EXPECT_TRUE(ReadRule(text, in.get(), "Rule[%d].", 1, RULE_KIND_PROFILE));
}

TEST(RuleRecord, MissingKeysReadAsZeroNotAsDefaults)
{
    std::unique_ptr<Rule> in = NewRule();
    ASSERT_TRUE(ReadRule(Line("Rule[0].item", "00"), in.get(), "Rule[%d].", 0, RULE_KIND_PROFILE));
    EXPECT_EQ(0, in->x) << "a zero-filled rule keeps zero";
    EXPECT_EQ(0, in->cmpcaption);
    EXPECT_EQ(0, in->level);
    // Except what a missing key is defined to mean.
    EXPECT_EQ(1, in->tretry);
    EXPECT_EQ(0, in->ignnonmain) << "rule: the starting value";
    EXPECT_EQ(1, in->ignifexnum);
    EXPECT_EQ(100u, in->tretrytime);
    EXPECT_EQ(3, in->tilerows);
    EXPECT_EQ(2, in->cmpfullpath);

    memset(in.get(), 0, sizeof(Rule));
    ASSERT_TRUE(ReadRule(Line("Template[0].Rule.item", "00"), in.get(), "Template[%d].Rule.", 0,
                         RULE_KIND_TEMPLATE_ACTION));
    EXPECT_EQ(2, in->ignnonmain) << "template action part without the key";
}

TEST(RuleRecord, StoredValuesAreCorrectedAndLengthsRecomputed)
{
    std::string caption(300, 'c');
    std::string script(5000, 's');
    std::string text = Line("Rule[0].item", "00") + Line("Rule[0].caption", caption) +
                       Line("Rule[0].captionlen", "999") + Line("Rule[0].wndclss", std::string(200, 'w')) +
                       Line("Rule[0].wndclsslen", "-4") + Line("Rule[0].sepan", "&&&") +
                       Line("Rule[0].ignxnumnum", "-5") + Line("Rule[0].ignifexnum", "0") +
                       Line("Rule[0].matchxnumnum", "7") + Line("Rule[0].tretrytime", "0") +
                       Line("Rule[0].tilerows", "0") + Line("Rule[0].tilecols", "0") +
                       Line("Rule[0].cmdenable[0]", "01") + Line("Rule[0].cmdtext[0]", script) +
                       Line("Rule[0].cmdactive", "00") + Line("Rule[0].cmpfullpath", "00") +
                       Line("Rule[0].numsortcol", "2") + Line("Rule[0].sortcolumn", "0102") +
                       Line("Rule[0].fullpath", std::string(600, 'p')) + Line("Rule[0].fullpathlen", "5");
    std::unique_ptr<Rule> in = NewRule();
    ASSERT_TRUE(ReadRule(text, in.get(), "Rule[%d].", 0, RULE_KIND_PROFILE));
    EXPECT_EQ(std::string(259, 'c'), in->caption);
    EXPECT_EQ(259, in->captionlen);
    EXPECT_EQ(std::string(127, 'w'), in->wndclss);
    EXPECT_EQ(127, in->wndclsslen);
    EXPECT_STREQ("&", in->sepan);
    EXPECT_EQ(1, in->ignxnumnum);
    EXPECT_EQ(1, in->ignifexnum);
    EXPECT_EQ(7, in->matchxnumnum);
    EXPECT_EQ(100u, in->tretrytime);
    EXPECT_EQ(3, in->tilerows);
    EXPECT_EQ(3, in->tilecols);
    EXPECT_EQ(std::string(1023, 's'), in->cmdtext[0]);
    EXPECT_EQ(0, in->cmdactive) << "a stored cmdactive is taken as read";
    EXPECT_EQ(2, in->cmpfullpath);
    EXPECT_EQ(259, in->fullpathlen);
    EXPECT_EQ(1, ((uint8_t*)&in->sortcolumn)[0]);
    EXPECT_EQ(2, ((uint8_t*)&in->sortcolumn)[1]);
    EXPECT_EQ(0, ((uint8_t*)&in->sortcolumn)[2]);

    // Writing stores what reading makes of it, and cmdactive as it really is.
    std::string written = WriteRule(in.get(), "Rule[%d].", 0, RULE_KIND_PROFILE);
    EXPECT_EQ("01", ValueOf(written, "Rule[0].cmdactive"));
    EXPECT_EQ("259", ValueOf(written, "Rule[0].captionlen"));
    in->captionlen = 3;   // a stale length is never written
    EXPECT_EQ("259", ValueOf(WriteRule(in.get(), "Rule[%d].", 0, RULE_KIND_PROFILE), "Rule[0].captionlen"));
}

TEST(RuleRecord, AFullRecordFailsTheWrite)
{
    ConfigRecord w;
    InitConfigRecord(&w, 1, "prul->");
    std::string filler(CONFIG_TEXT_MAX - 2000, 'f');
    ASSERT_EQ(CFG_OK, AppendRecordLine(&w, "filler", filler.c_str()));
    SetRecordKeyPrefix(&w, "prul->", "Rule[%d].", 0);
    std::unique_ptr<Rule> rule = NewRule();
    FillRule(rule.get());
    EXPECT_FALSE(SerializeRule(1, &w, rule.get(), 0, RULE_KIND_PROFILE));
    ClearConfigRecord(&w);
}

//--- templates

TEST(RuleTemplate, InitMatchesAnyWindowAndNamesItsPlaceholders)
{
    std::unique_ptr<RuleTemplate> t(new RuleTemplate);
    memset(t.get(), 0xCC, sizeof(RuleTemplate));
    InitRuleTemplate(t.get());
    EXPECT_EQ(0, t->uiFlag);
    EXPECT_EQ(CMP_ANY, t->match.cmpcaption);
    EXPECT_EQ(CMP_ANY, t->match.cmpwndclss);
    EXPECT_EQ(CMP_ANY, t->match.cmpprogram);
    EXPECT_STREQ("", t->match.caption);
    EXPECT_STREQ("#TITLE#", t->rule.name);
    EXPECT_STREQ("#TITLE#", t->rule.caption);
    EXPECT_EQ(7, t->rule.captionlen);
    EXPECT_STREQ("#CLASS#", t->rule.wndclss);
    EXPECT_EQ(7, t->rule.wndclsslen);
    EXPECT_STREQ("#PROGRAM#", t->rule.program);
    EXPECT_EQ(9, t->rule.programlen);
    EXPECT_EQ(CMP_EQUALS, t->rule.cmpcaption);
    EXPECT_EQ(CMP_EQUALS, t->rule.cmpwndclss);
    EXPECT_EQ(CMP_EQUALS, t->rule.cmpprogram);
    EXPECT_EQ(VALUE_ANY, t->rule.x);
}

TEST(RuleTemplate, DefaultSetsInOrder)
{
    GrowArray<RuleTemplate> full, brief;
    InitGrowArray(&full);
    InitGrowArray(&brief);
    ASSERT_TRUE(CreateDefaultTemplates(&full, false));
    ASSERT_TRUE(CreateDefaultTemplates(&brief, true));
    const char* const fullNames[] = {"Ignore Empty Titles", "Ignore System Windows",
                                     "Dynamic Class: HwndWrapper", "ApplicationFrameHost",
                                     "Explorer Windows", "All Other Windows"};
    ASSERT_EQ(6, full.count);
    for (int i = 0; i < 6; i++) EXPECT_STREQ(fullNames[i], full.data[i].match.name);
    ASSERT_EQ(3, brief.count);
    EXPECT_STREQ("Ignore Empty Titles", brief.data[0].match.name);
    EXPECT_STREQ("Ignore System Windows", brief.data[1].match.name);
    EXPECT_STREQ("All Other Windows", brief.data[2].match.name);

    const RuleTemplate* t = full.data;
    EXPECT_EQ(RULE_ITEM_KEEP, t[0].match.item);
    EXPECT_EQ(CMP_EQUALS, t[0].match.cmpcaption);
    EXPECT_STREQ("", t[0].match.caption);
    EXPECT_EQ(RULE_ITEM_KEEP, t[1].match.item);
    EXPECT_STREQ("Progman|SysShadow|Windows.UI.Core.CoreWindow|tooltips_class32|WorkerW|Shell_TrayWnd",
                 t[1].match.wndclss);
    EXPECT_EQ((int16_t)strlen(t[1].match.wndclss), t[1].match.wndclsslen);
    EXPECT_STREQ("|", t[1].match.sepor);
    EXPECT_EQ(CMP_CONTAINS, t[2].match.cmpwndclss);
    EXPECT_STREQ("HwndWrapper", t[2].match.wndclss);
    EXPECT_EQ(CMP_ANY, t[2].rule.cmpwndclss);
    EXPECT_STREQ("#CLASS#", t[2].rule.wndclss);
    EXPECT_EQ(CMP_CONTAINS, t[3].match.cmpprogram);
    EXPECT_STREQ("ApplicationFrameHost.exe", t[3].match.program);
    EXPECT_EQ(0, t[3].rule.titlextime);
    EXPECT_EQ(1, t[3].rule.tdelay);
    EXPECT_EQ(100, t[3].rule.tdelaytime);
    EXPECT_EQ(RULE_ITEM_AUTOCREATE, t[4].match.item);
    EXPECT_STREQ("CabinetWClass", t[4].match.wndclss);
    EXPECT_STREQ("explorer.exe", t[4].match.program);
    EXPECT_EQ(CMP_CONTAINS, t[4].match.cmpprogram);
    EXPECT_STREQ("CabinetWClass", t[4].rule.wndclss);
    EXPECT_EQ(1, t[4].rule.movetomode);
    EXPECT_EQ(1, t[4].rule.sizetomode);
    EXPECT_EQ(1, t[4].rule.statetomode);
    EXPECT_EQ(1, t[5].rule.tretry);
    EXPECT_EQ(500u, t[5].rule.tretrytime);
    EXPECT_EQ(0, t[5].match.item);
    FreeGrowArray(&full);
    FreeGrowArray(&brief);
}

TEST(RuleTemplate, ATemplateKeepsEveryActionFieldButLevel)
{
    std::unique_ptr<RuleTemplate> out(new RuleTemplate), in(new RuleTemplate);
    InitRuleTemplate(out.get());
    FillRule(&out->rule);
    CopyText(out->match.name, sizeof(out->match.name), "Mine");
    out->match.item = RULE_ITEM_AUTOCREATE;
    CopyText(out->match.caption, sizeof(out->match.caption), "Untitled - *");
    out->match.cmpcaption = CMP_STARTS_WITH;
    std::string text = WriteRule(&out->match, "Template[%d].Match.", 0, RULE_KIND_TEMPLATE_MATCH) +
                       WriteRule(&out->rule, "Template[%d].Rule.", 0, RULE_KIND_TEMPLATE_ACTION);
    memset(in.get(), 0, sizeof(RuleTemplate));
    ASSERT_TRUE(ReadRule(text, &in->match, "Template[%d].Match.", 0, RULE_KIND_TEMPLATE_MATCH));
    ASSERT_TRUE(ReadRule(text, &in->rule, "Template[%d].Rule.", 0, RULE_KIND_TEMPLATE_ACTION));
    ExpectSameStoredFields(out->rule, in->rule, false);
    EXPECT_EQ(0, in->rule.level);
    EXPECT_STREQ("Mine", in->match.name);
    EXPECT_STREQ("Untitled - *", in->match.caption);
    EXPECT_EQ(CMP_STARTS_WITH, in->match.cmpcaption);
    EXPECT_EQ(RULE_ITEM_AUTOCREATE, in->match.item);
    EXPECT_EQ(0, in->match.x) << "a match part stores no actions";
}
