// RuleMatchTest.cpp - the text criteria of a rule and the ordered search for
// the rule that owns a window, on made-up window entries.
#include "tests/engine/RuleTestUtil.h"
#include "tests/support/FakeVirtualDesktop.h"

#include <string>

namespace {

FakeVirtualDesktop g_fakeDesktop;


// Hidden windows of this process whose styles the style conditions read.
struct StyledWindows {
    HWND overlapped, fixedFrame, captionOnly, sysMenuOnly, plainPopup, child;
};
StyledWindows g_styled;

HWND MakeStyled(DWORD style, HWND parent)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "RuleMatchProbe";
    RegisterClassA(&wc);
    return CreateWindowExA(0, "RuleMatchProbe", "probe", style, 0, 0, 200, 100, parent, nullptr,
                           wc.hInstance, nullptr);
}

class FindRule : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        g_styled.overlapped = MakeStyled(WS_OVERLAPPEDWINDOW, nullptr);
        g_styled.fixedFrame = MakeStyled(WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, nullptr);
        g_styled.captionOnly = MakeStyled(WS_POPUP | WS_CAPTION, nullptr);
        g_styled.sysMenuOnly = MakeStyled(WS_POPUP | WS_SYSMENU, nullptr);
        g_styled.plainPopup = MakeStyled(WS_POPUP, nullptr);
        g_styled.child = MakeStyled(WS_CHILD | WS_CAPTION | WS_SYSMENU, g_styled.overlapped);
    }
    static void TearDownTestSuite()
    {
        DestroyWindow(g_styled.overlapped);   // and its child
        DestroyWindow(g_styled.fixedFrame);
        DestroyWindow(g_styled.captionOnly);
        DestroyWindow(g_styled.sysMenuOnly);
        DestroyWindow(g_styled.plainPopup);
    }
    void SetUp() override
    {
        g_fakeDesktop.current = 0;
        g_virtualDesktop = &g_fakeDesktop;
    }
    void TearDown() override { g_virtualDesktop = nullptr; }
};

}  // namespace

//--- MatchRule

// Each compare mode, plain and negated, on each of title, class and program.
TEST(MatchRule, EachModeAndItsNegationOnTitleClassAndProgram)
{
    struct Case {
        uint8_t mode;
        const char* pattern;
        const char* text;
        bool want;   // without negation
    } cases[] = {
        {CMP_ANY, "zzz", "Editor", true},
        {CMP_EQUALS, "Editor", "Editor", true},
        {CMP_EQUALS, "Edit", "Editor", false},
        {CMP_EQUALS, "editor", "Editor", false},   // byte for byte, with case
        {CMP_EQUALS, "a|b", "a", true},
        {CMP_EQUALS, "a|b", "b", true},
        {CMP_EQUALS, "a|b", "ab", false},
        {CMP_CONTAINS, "dit", "Editor", true},
        {CMP_CONTAINS, "xyz", "Editor", false},
        {CMP_CONTAINS, "x|y&z", "xz", true},
        {CMP_CONTAINS, "x|y&z", "yz", true},
        {CMP_CONTAINS, "x|y&z", "xy", false},
        {CMP_STARTS_WITH, "Ed|Fo", "Editor", true},
        {CMP_STARTS_WITH, "ditor", "Editor", false},
        {CMP_ENDS_WITH, "tor", "Editor", true},
        {CMP_ENDS_WITH, "Ed", "Editor", false},
        {CMP_REGEX, "E.*r", "Editor", true},
        {CMP_REGEX, "dit", "Editor", false},       // the whole text must match
        {CMP_REGEX, "E(d|x)itor", "Editor", true},
        {CMP_REGEX, "(", "Editor", false},         // invalid: no match, nothing raised
        {CMP_REGEX, "[z-a]", "Editor", false},
        {7, "zzz", "Editor", true},                // an unknown mode matches
    };
    enum Field { TITLE, CLASS, PROGRAM };
    const char* fieldNames[] = {"title", "class", "program"};
    for (const Case& c : cases) {
        for (int field = TITLE; field <= PROGRAM; field++) {
            for (int negate = 0; negate < 2; negate++) {
                SCOPED_TRACE(testing::Message() << fieldNames[field] << " mode " << (int)c.mode
                                                << (negate ? " negated" : "") << " pattern '"
                                                << c.pattern << "' text '" << c.text << "'");
                Rule r = AnyWindowRule(1);
                r.sepor[0] = '|';
                r.sepan[0] = '&';
                uint8_t mode = (uint8_t)(c.mode | (negate ? CMP_NEGATE : 0));
                MonitoredWindow e = MadeUpEntry(nullptr, "Other", "OtherClass", "C:\\other.exe");
                if (field == TITLE) {
                    SET_CAPTION(&r, c.pattern, mode);
                    e = MadeUpEntry(nullptr, c.text, "OtherClass", "C:\\other.exe");
                } else if (field == CLASS) {
                    SET_CLASS(&r, c.pattern, mode);
                    e = MadeUpEntry(nullptr, "Other", c.text, "C:\\other.exe");
                } else {
                    SET_PROGRAM(&r, c.pattern, mode);
                    e = MadeUpEntry(nullptr, "Other", "OtherClass", c.text);
                }
                bool want = c.mode == CMP_ANY ? true : (negate ? !c.want : c.want);
                EXPECT_EQ(want, MatchRule(&r, &e, nullptr));
                uint32_t detail = 0;
                EXPECT_EQ(want, MatchRule(&r, &e, &detail));
                EXPECT_EQ(want, (detail & (1u << field)) != 0);
            }
        }
    }
}

TEST(MatchRule, DetailEvaluatesEveryCriterion)
{
    Rule r = AnyWindowRule(1);
    SET_CAPTION(&r, "Editor", CMP_EQUALS);
    SET_CLASS(&r, "EditClass", CMP_EQUALS);
    SET_PROGRAM(&r, "edit.exe", CMP_ENDS_WITH);
    MonitoredWindow e = MadeUpEntry(nullptr, "Editor", "OtherClass", "C:\\bin\\edit.exe");
    uint32_t detail = 0xFFFF;
    EXPECT_FALSE(MatchRule(&r, &e, &detail));
    EXPECT_EQ(0x1u | 0x4u | 0x8u, detail) << "class failed; the folder counts when it is off";
    EXPECT_FALSE(MatchRule(&r, &e, nullptr));
}

TEST(MatchRule, EveryModeIgnoreMatchesEveryWindowEvenNegated)
{
    Rule r = AnyWindowRule(1);
    r.cmpcaption = r.cmpwndclss = r.cmpprogram = CMP_ANY | CMP_NEGATE;
    SET_CAPTION(&r, "never", CMP_ANY | CMP_NEGATE);
    r.cmpfullpath = CMP_EQUALS;   // the folder counts only with checkfullpath
    CopyText(r.fullpath, sizeof(r.fullpath), "C:\\nowhere");
    r.fullpathlen = 10;
    const char* titles[] = {"", "Editor", "x"};
    for (const char* t : titles) {
        SCOPED_TRACE(t);
        MonitoredWindow e = MadeUpEntry(nullptr, t, "", "");
        uint32_t detail = 0;
        EXPECT_TRUE(MatchRule(&r, &e, &detail));
        EXPECT_EQ(0xFu, detail);
    }
}

// A made-up entry has no folder window: it shows the empty path.
TEST(MatchRule, FolderCriterionCountsOnlyWhenChecked)
{
    struct Case {
        uint8_t check, mode;
        const char* path;
        bool want;
    } cases[] = {
        {0, CMP_EQUALS, "C:\\Users", true},
        {1, CMP_EQUALS, "C:\\Users", false},
        {1, CMP_EQUALS | CMP_NEGATE, "C:\\Users", true},
        {1, CMP_CONTAINS, "", true},
        {1, CMP_ANY | CMP_NEGATE, "C:\\Users", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "check " << (int)c.check << " mode " << (int)c.mode);
        Rule r = AnyWindowRule(1);
        r.checkfullpath = c.check;
        r.cmpfullpath = c.mode;
        CopyText(r.fullpath, sizeof(r.fullpath), c.path);
        r.fullpathlen = (int16_t)strlen(r.fullpath);
        MonitoredWindow e = MadeUpEntry(nullptr, "Explorer", "CabinetWClass", "explorer.exe");
        uint32_t detail = 0;
        EXPECT_EQ(c.want, MatchRule(&r, &e, &detail));
        EXPECT_EQ(c.want, (detail & 0x8) != 0);
    }
}

// Stored lengths of patterns and texts are clamped to what the fields hold;
// a full field without a terminator is read no further than its end.
TEST(MatchRule, StoredLengthsAreClampedToTheText)
{
    struct Case {
        uint8_t mode;
        const char* pattern;
        int16_t patternLength;
        const char* title;
        int32_t titleLength;
        bool want;
        const char* why;
    } cases[] = {
        {CMP_EQUALS, "Editor", 500, "Editor", 6, true, "pattern length past the text"},
        {CMP_EQUALS, "Editor", 3, "Edi", 3, true, "pattern length inside the text: a prefix"},
        {CMP_EQUALS, "Editor", -4, "", 0, true, "negative pattern length: empty pattern"},
        {CMP_EQUALS, "Editor", -4, "Editor", 6, false, "negative pattern length: empty pattern"},
        {CMP_EQUALS, "Editor", 6, "Editor", 99999, true, "title length past the title"},
        {CMP_EQUALS, "Editor", 6, "Editor", -7, false, "negative title length: empty title"},
        {CMP_REGEX, "Edit.*", 32000, "Editor", 6, true, "regular expression length past the text"},
        {CMP_CONTAINS, "dit", 3, "Editor", 2, false, "title length cuts the text"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        Rule r = AnyWindowRule(1);
        SET_CAPTION(&r, c.pattern, c.mode);
        r.captionlen = c.patternLength;
        MonitoredWindow e = MadeUpEntry(nullptr, c.title, "", "");
        e.titleLength = c.titleLength;
        EXPECT_EQ(c.want, MatchRule(&r, &e, nullptr));
    }

    Rule r = AnyWindowRule(1);
    SET_CAPTION(&r, "aaa", CMP_ENDS_WITH);
    MonitoredWindow e = MadeUpEntry(nullptr, "", "", "");
    memset(e.title, 'a', sizeof(e.title));
    e.titleLength = (int32_t)sizeof(e.title);
    EXPECT_TRUE(MatchRule(&r, &e, nullptr)) << "full title field without a terminator";
    SET_CAPTION(&r, "aaa", CMP_CONTAINS);
    EXPECT_TRUE(MatchRule(&r, &e, nullptr));
    memset(r.caption, 'a', sizeof(r.caption));
    r.captionlen = 32000;
    r.cmpcaption = CMP_STARTS_WITH;
    EXPECT_TRUE(MatchRule(&r, &e, nullptr)) << "full caption field without a terminator";
}

//--- FindRuleForWindow

// The ordinary search's tests in their order. Rule 1 carries the condition
// under test; rule 2 after it takes every window, so a rule 1 that is
// passed over shows as 2.
TEST_F(FindRule, OrderedTestsOfTheSearch)
{
    using Setup = void (*)(Rule* a, MonitoredWindow* e);
    using Check = bool (*)(const Rule* a);
    struct Case {
        const char* why;
        Setup setup;
        int64_t excluded;
        uint32_t want;
        Check check;
    } cases[] = {
        {"1 excluded id", [](Rule*, MonitoredWindow*) {}, 1, 2, nullptr},
        {"1 group", [](Rule* a, MonitoredWindow*) { a->item = RULE_ITEM_GROUP; }, -1, 2, nullptr},
        {"1 disabled", [](Rule* a, MonitoredWindow*) { a->item = RULE_ITEM_DISABLED; }, -1, 2, nullptr},
        {"1 excluded id of another rule", [](Rule*, MonitoredWindow*) {}, 2, 1, nullptr},
        {"2 ignifex: already holds the number", [](Rule* a, MonitoredWindow*) {
             a->ignifex = 1; a->ignifexnum = 2;
             AddWindowToRule(a, (HWND)0x1001); AddWindowToRule(a, (HWND)0x1002); }, -1, 2, nullptr},
        {"2 ignifex: holds fewer", [](Rule* a, MonitoredWindow*) {
             a->ignifex = 1; a->ignifexnum = 2; AddWindowToRule(a, (HWND)0x1001); }, -1, 1, nullptr},
        {"3 desktop differs", [](Rule* a, MonitoredWindow* e) {
             a->imatchvdesk = 1; a->imatchvdeskidx = 1; e->desktop = 0; }, -1, 2, nullptr},
        {"3 desktop equal", [](Rule* a, MonitoredWindow* e) {
             a->imatchvdesk = 1; a->imatchvdeskidx = 1; e->desktop = 1; }, -1, 1, nullptr},
        {"3 the current desktop, window on it", [](Rule* a, MonitoredWindow* e) {
             a->imatchvdesk = 1; a->imatchvdeskidx = 0xFF; g_fakeDesktop.current = 3; e->desktop = 3; }, -1, 1, nullptr},
        {"3 the current desktop, window elsewhere", [](Rule* a, MonitoredWindow* e) {
             a->imatchvdesk = 1; a->imatchvdeskidx = 0xFF; g_fakeDesktop.current = 3; e->desktop = 2; }, -1, 2, nullptr},
        {"4 criteria fail", [](Rule* a, MonitoredWindow*) { SET_CAPTION(a, "Other", CMP_EQUALS); }, -1, 2, nullptr},
        {"4 a failing criterion is not counted by matchxnum", [](Rule* a, MonitoredWindow*) {
             SET_CAPTION(a, "Other", CMP_EQUALS); a->matchxnum = 1; a->matchxnumnum = 1; }, -1, 2,
         [](const Rule* a) { return a->matchxnumcount == 0; }},
        {"5 matchxnum: the third window is not taken", [](Rule* a, MonitoredWindow*) {
             a->matchxnum = 1; a->matchxnumnum = 2; a->matchxnumcount = 2; }, -1, 2,
         [](const Rule* a) { return a->matchxnumcount == 3; }},
        {"5 matchxnum: the second window is", [](Rule* a, MonitoredWindow*) {
             a->matchxnum = 1; a->matchxnumnum = 2; a->matchxnumcount = 1; }, -1, 1,
         [](const Rule* a) { return a->matchxnumcount == 2; }},
        {"5 matchxnum: another process restarts the count", [](Rule* a, MonitoredWindow*) {
             a->matchxnum = 1; a->matchxnumnum = 2; a->matchxnumcount = 9;
             a->matchxnumresetpid = 1; a->matchxnumpid = 0xFFFF0; }, -1, 1,
         [](const Rule* a) { return a->matchxnumcount == 1 && a->matchxnumpid == GetCurrentProcessId(); }},
        {"5 matchxnum: the same process keeps the count", [](Rule* a, MonitoredWindow*) {
             a->matchxnum = 1; a->matchxnumnum = 2; a->matchxnumcount = 2;
             a->matchxnumresetpid = 1; a->matchxnumpid = GetCurrentProcessId(); }, -1, 2, nullptr},
        {"5 a window passed over by matchxnum is not counted by ignxnum", [](Rule* a, MonitoredWindow*) {
             a->matchxnum = 1; a->matchxnumnum = 1; a->matchxnumcount = 1;
             a->ignxnum = 1; a->ignxnumnum = 5; }, -1, 2,
         [](const Rule* a) { return a->ignxnumcount == 0; }},
        {"6 ignxnum: the first windows are ignored", [](Rule* a, MonitoredWindow*) {
             a->ignxnum = 1; a->ignxnumnum = 2; a->ignxnumcount = 1; }, -1, 2,
         [](const Rule* a) { return a->ignxnumcount == 2; }},
        {"6 ignxnum: the next window is taken", [](Rule* a, MonitoredWindow*) {
             a->ignxnum = 1; a->ignxnumnum = 2; a->ignxnumcount = 2; }, -1, 1, nullptr},
        {"6 ignxnum: another process restarts the count", [](Rule* a, MonitoredWindow*) {
             a->ignxnum = 1; a->ignxnumnum = 2; a->ignxnumcount = 5;
             a->ignxnumresetpid = 1; a->ignxnumpid = 0xFFFF0; }, -1, 2,
         [](const Rule* a) { return a->ignxnumcount == 1; }},
        {"6 counted even when a later test fails", [](Rule* a, MonitoredWindow* e) {
             a->ignxnum = 1; a->ignxnumnum = 2; a->ignxnumcount = 3;
             a->ignnonres = 1; a->ignnonresmode = 0; e->hwnd = g_styled.fixedFrame; }, -1, 2,
         [](const Rule* a) { return a->ignxnumcount == 4; }},
        {"7 non-resizable passed over", [](Rule* a, MonitoredWindow* e) {
             a->ignnonres = 1; a->ignnonresmode = 0; e->hwnd = g_styled.fixedFrame; }, -1, 2, nullptr},
        {"7 non-resizable: resizable taken", [](Rule* a, MonitoredWindow*) {
             a->ignnonres = 1; a->ignnonresmode = 0; }, -1, 1, nullptr},
        {"7 resizable passed over", [](Rule* a, MonitoredWindow*) {
             a->ignnonres = 1; a->ignnonresmode = 1; }, -1, 2, nullptr},
        {"7 unknown mode passes nothing over", [](Rule* a, MonitoredWindow*) {
             a->ignnonres = 1; a->ignnonresmode = 3; }, -1, 1, nullptr},
        {"8 ignstate: minimised passed over", [](Rule* a, MonitoredWindow* e) {
             a->ignstate = 1; a->ignstatemode = 1; e->state = 1; }, -1, 2, nullptr},
        {"8 ignstate: normal taken", [](Rule* a, MonitoredWindow* e) {
             a->ignstate = 1; a->ignstatemode = 1; e->state = 0; }, -1, 1, nullptr},
        {"8 ignstate: unknown mode", [](Rule* a, MonitoredWindow* e) {
             a->ignstate = 1; a->ignstatemode = 3; e->state = 0; }, -1, 1, nullptr},
        {"9 matchstate: other state passed over", [](Rule* a, MonitoredWindow* e) {
             a->matchstate = 1; a->matchstatemode = 2; e->state = 0; }, -1, 2, nullptr},
        {"9 matchstate: that state taken", [](Rule* a, MonitoredWindow* e) {
             a->matchstate = 1; a->matchstatemode = 2; e->state = 2; }, -1, 1, nullptr},
        {"9 matchstate: unknown mode", [](Rule* a, MonitoredWindow* e) {
             a->matchstate = 1; a->matchstatemode = 4; e->state = 0; }, -1, 1, nullptr},
        {"10 child window always passed over", [](Rule* a, MonitoredWindow* e) {
             a->ignnonmain = 1; a->ignnonmainmode = 1; e->hwnd = g_styled.child; }, -1, 2, nullptr},
        {"10 caption and menu: both", [](Rule* a, MonitoredWindow*) {
             a->ignnonmain = 1; a->ignnonmainmode = 0; }, -1, 1, nullptr},
        {"10 caption and menu: caption only", [](Rule* a, MonitoredWindow* e) {
             a->ignnonmain = 1; a->ignnonmainmode = 0; e->hwnd = g_styled.captionOnly; }, -1, 2, nullptr},
        {"10 caption or menu: caption only", [](Rule* a, MonitoredWindow* e) {
             a->ignnonmain = 1; a->ignnonmainmode = 1; e->hwnd = g_styled.captionOnly; }, -1, 1, nullptr},
        {"10 caption or menu: neither", [](Rule* a, MonitoredWindow* e) {
             a->ignnonmain = 1; a->ignnonmainmode = 1; e->hwnd = g_styled.plainPopup; }, -1, 2, nullptr},
        {"10 caption only: caption only", [](Rule* a, MonitoredWindow* e) {
             a->ignnonmain = 1; a->ignnonmainmode = 2; e->hwnd = g_styled.captionOnly; }, -1, 1, nullptr},
        {"10 caption only: with menu", [](Rule* a, MonitoredWindow*) {
             a->ignnonmain = 1; a->ignnonmainmode = 2; }, -1, 2, nullptr},
        {"10 menu only: menu only", [](Rule* a, MonitoredWindow* e) {
             a->ignnonmain = 1; a->ignnonmainmode = 3; e->hwnd = g_styled.sysMenuOnly; }, -1, 1, nullptr},
        {"10 menu only: with caption", [](Rule* a, MonitoredWindow*) {
             a->ignnonmain = 1; a->ignnonmainmode = 3; }, -1, 2, nullptr},
        {"10 unknown mode passes every window over", [](Rule* a, MonitoredWindow*) {
             a->ignnonmain = 1; a->ignnonmainmode = 4; }, -1, 2, nullptr},
        {"11 small: one side below", [](Rule* a, MonitoredWindow* e) {
             a->ignsmall = 1; a->ignsmallmode = 0; a->ignsw = 120; a->ignsh = 10;
             e->width = 100; e->height = 50; }, -1, 2, nullptr},
        {"11 small both sides: one side below", [](Rule* a, MonitoredWindow* e) {
             a->ignsmall = 1; a->ignsmallmode = 1; a->ignsw = 120; a->ignsh = 10;
             e->width = 100; e->height = 50; }, -1, 1, nullptr},
        {"11 small both sides: both below", [](Rule* a, MonitoredWindow* e) {
             a->ignsmall = 1; a->ignsmallmode = 1; a->ignsw = 120; a->ignsh = 60;
             e->width = 100; e->height = 50; }, -1, 2, nullptr},
        {"11 small: minimised counts as 0 x 0", [](Rule* a, MonitoredWindow* e) {
             a->ignsmall = 1; a->ignsmallmode = 0; a->ignsw = 10; a->ignsh = 10;
             e->width = 800; e->height = 600; e->state = 1; }, -1, 2, nullptr},
        {"11 small: unknown mode", [](Rule* a, MonitoredWindow* e) {
             a->ignsmall = 1; a->ignsmallmode = 2; a->ignsw = 120; a->ignsh = 60;
             e->width = 100; e->height = 50; }, -1, 1, nullptr},
        {"12 large: one side above", [](Rule* a, MonitoredWindow* e) {
             a->ignlarge = 1; a->ignlargemode = 0; a->ignlw = 700; a->ignlh = 1000;
             e->width = 800; e->height = 600; }, -1, 2, nullptr},
        {"12 large both sides: one side above", [](Rule* a, MonitoredWindow* e) {
             a->ignlarge = 1; a->ignlargemode = 1; a->ignlw = 700; a->ignlh = 1000;
             e->width = 800; e->height = 600; }, -1, 1, nullptr},
        {"12 large: maximised counts its maximised size", [](Rule* a, MonitoredWindow* e) {
             a->ignlarge = 1; a->ignlargemode = 0; a->ignlw = 1000; a->ignlh = 1000;
             e->width = 400; e->height = 300; e->state = 2;
             e->maximizedWidth = 1928; e->maximizedHeight = 1088; }, -1, 2, nullptr},
        {"13 inside passed over", [](Rule* a, MonitoredWindow* e) {
             a->ignrect = 1; a->ignrectmode = 1; a->ignrectrc = {0, 0, 500, 500};
             e->x = 100; e->width = 200; e->y = 100; e->height = 100; }, -1, 2, nullptr},
        {"13 outside: a window inside is taken", [](Rule* a, MonitoredWindow* e) {
             a->ignrectmode = 0; a->ignrect = 1; a->ignrectrc = {0, 0, 500, 500};
             e->x = 100; e->width = 200; e->y = 100; e->height = 100; }, -1, 1, nullptr},
        {"13 outside passed over", [](Rule* a, MonitoredWindow* e) {
             a->ignrect = 1; a->ignrectmode = 0; a->ignrectrc = {0, 0, 500, 500};
             e->x = 450; e->width = 200; e->y = 100; e->height = 100; }, -1, 2, nullptr},
        {"13 the centre on the edge is inside", [](Rule* a, MonitoredWindow* e) {
             a->ignrect = 1; a->ignrectmode = 1; a->ignrectrc = {0, 0, 500, 500};
             e->x = 400; e->width = 201; e->y = 0; e->height = 0; }, -1, 2, nullptr},
        {"13 open sides: only right and bottom set", [](Rule* a, MonitoredWindow* e) {
             a->ignrect = 1; a->ignrectmode = 1;
             a->ignrectrc = {VALUE_ANY, VALUE_ANY, 100, 100};
             e->x = -5000; e->width = 200; e->y = -5000; e->height = 100; }, -1, 2, nullptr},
        {"13 open sides: centre past the right", [](Rule* a, MonitoredWindow* e) {
             a->ignrect = 1; a->ignrectmode = 1;
             a->ignrectrc = {VALUE_ANY, VALUE_ANY, 100, 100};
             e->x = 100; e->width = 200; e->y = 0; e->height = 100; }, -1, 1, nullptr},
        {"14 title change without titlex", [](Rule* a, MonitoredWindow* e) {
             a->titlex = 0; e->event = WEV_TITLE; e->titleChangedAfter = 10; }, -1, 2, nullptr},
        {"14 title change after titlextime", [](Rule* a, MonitoredWindow* e) {
             a->titlextime = 1000; e->event = WEV_TITLE; e->titleChangedAfter = 1500; }, -1, 2, nullptr},
        {"14 title change within titlextime", [](Rule* a, MonitoredWindow* e) {
             a->titlextime = 1000; e->event = WEV_TITLE; e->titleChangedAfter = 1000; }, -1, 1, nullptr},
        {"14 titlextime 0: any time", [](Rule* a, MonitoredWindow* e) {
             a->titlextime = 0; e->event = WEV_TITLE; e->titleChangedAfter = 999999; }, -1, 1, nullptr},
        {"14 other events ignore titlex", [](Rule* a, MonitoredWindow* e) {
             a->titlex = 0; e->event = WEV_NEW; e->titleChangedAfter = 999999; }, -1, 1, nullptr},
        // No script interpreter in this build: "On Match" answers 0 and holds.
        {"15 On Match", [](Rule* a, MonitoredWindow*) {
             a->cmdenable[SLOT_MATCH] = 1; CopyText(a->cmdtext[SLOT_MATCH], RULE_SCRIPT_SIZE, "WAIT( 10 )"); },
         -1, 1, nullptr},
        {"winner holds the window", [](Rule*, MonitoredWindow*) {}, -1, 1,
         [](const Rule* a) { return a->windowCount == 1 && a->windows[0] == g_styled.overlapped; }},
        {"a closed window is found but not added", [](Rule*, MonitoredWindow* e) { e->event = WEV_CLOSED; },
         -1, 1, [](const Rule* a) { return a->windowCount == 0; }},
        {"a full window list is no error", [](Rule* a, MonitoredWindow*) {
             for (int i = 0; i < RULE_WINDOW_LIMIT; i++) AddWindowToRule(a, (HWND)(INT_PTR)(0x2000 + i)); },
         -1, 1, [](const Rule* a) { return a->windowCount == RULE_WINDOW_LIMIT; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        g_fakeDesktop.current = 0;
        TestProfile p;
        p.Add(AnyWindowRule(1));
        p.Add(AnyWindowRule(2));
        MonitoredWindow e = MadeUpEntry(g_styled.overlapped, "Editor", "EditClass", "C:\\edit.exe");
        e.desktop = 0;
        c.setup(p.ById(1), &e);
        Rule* got = FindRuleForWindow(&p.profile, &e, c.excluded);
        ASSERT_NE(nullptr, got);
        EXPECT_EQ(c.want, got->id);
        if (c.check) {
            EXPECT_TRUE(c.check(p.ById(1)));
        }
    }
}

// A window a rule already holds stays with it, by event.
TEST_F(FindRule, StickyAssignment)
{
    using Setup = void (*)(Rule* a, Rule* b, MonitoredWindow* e);
    struct Case {
        const char* why;
        Setup setup;
        int64_t excluded;
        uint32_t want;
        bool aHolds, bHolds;
    } cases[] = {
        {"assignonce keeps it after a title change", [](Rule* a, Rule*, MonitoredWindow* e) {
             a->assignonce = 1; AddWindowToRule(a, e->hwnd);
             CopyText(e->title, sizeof(e->title), "Renamed"); e->titleLength = 7; e->event = WEV_TITLE; },
         -1, 1, true, false},
        {"assignonce keeps it when unchanged and no longer matching", [](Rule* a, Rule*, MonitoredWindow* e) {
             a->assignonce = 1; AddWindowToRule(a, e->hwnd);
             CopyText(e->title, sizeof(e->title), "Renamed"); e->titleLength = 7; e->event = WEV_UNCHANGED; },
         -1, 1, true, false},
        {"unchanged and still matching", [](Rule* a, Rule*, MonitoredWindow* e) {
             AddWindowToRule(a, e->hwnd); e->event = WEV_UNCHANGED; }, -1, 1, true, false},
        {"unchanged but no longer matching: dropped, searched again", [](Rule* a, Rule*, MonitoredWindow* e) {
             AddWindowToRule(a, e->hwnd); e->event = WEV_UNCHANGED;
             CopyText(e->title, sizeof(e->title), "Renamed"); e->titleLength = 7; }, -1, 2, false, true},
        {"title change searches again, the window stays listed", [](Rule* a, Rule*, MonitoredWindow* e) {
             AddWindowToRule(a, e->hwnd); e->event = WEV_TITLE;
             CopyText(e->title, sizeof(e->title), "Renamed"); e->titleLength = 7; }, -1, 2, true, true},
        {"title change still matching the holder", [](Rule* a, Rule*, MonitoredWindow* e) {
             AddWindowToRule(a, e->hwnd); e->event = WEV_TITLE; }, -1, 1, true, false},
        {"any other event keeps the holder", [](Rule* a, Rule*, MonitoredWindow* e) {
             AddWindowToRule(a, e->hwnd); e->event = WEV_MOVED;
             CopyText(e->title, sizeof(e->title), "Renamed"); e->titleLength = 7; }, -1, 1, true, false},
        {"closed: the holder, for the pass to drop it", [](Rule* a, Rule*, MonitoredWindow* e) {
             AddWindowToRule(a, e->hwnd); e->event = WEV_CLOSED; }, -1, 1, true, false},
        {"a disabled holder is passed over for the next holder", [](Rule* a, Rule* b, MonitoredWindow* e) {
             a->item = RULE_ITEM_DISABLED; AddWindowToRule(a, e->hwnd);
             SET_CAPTION(b, "nothing", CMP_EQUALS); AddWindowToRule(b, e->hwnd); e->event = WEV_MOVED; },
         -1, 2, true, true},
        {"a group holding it is passed over", [](Rule* a, Rule* b, MonitoredWindow* e) {
             a->item = RULE_ITEM_GROUP; AddWindowToRule(a, e->hwnd);
             SET_CAPTION(b, "nothing", CMP_EQUALS); AddWindowToRule(b, e->hwnd); e->event = WEV_MOVED; },
         -1, 2, true, true},
        {"the excluded holder is passed over", [](Rule* a, Rule*, MonitoredWindow* e) {
             a->assignonce = 1; AddWindowToRule(a, e->hwnd); e->event = WEV_MOVED; }, 1, 2, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        TestProfile p;
        Rule a = AnyWindowRule(1);
        SET_CAPTION(&a, "Editor", CMP_EQUALS);
        p.Add(a);
        p.Add(AnyWindowRule(2));
        MonitoredWindow e = MadeUpEntry(g_styled.overlapped, "Editor", "EditClass", "C:\\edit.exe");
        c.setup(p.ById(1), p.ById(2), &e);
        Rule* got = FindRuleForWindow(&p.profile, &e, c.excluded);
        ASSERT_NE(nullptr, got);
        EXPECT_EQ(c.want, got->id);
        EXPECT_EQ(c.aHolds, RuleHolds(p.ById(1), e.hwnd));
        EXPECT_EQ(c.bHolds, RuleHolds(p.ById(2), e.hwnd));
        EXPECT_LE(p.ById(1)->windowCount, 1) << "never listed twice";
    }
}

// A window that no rule matches gets none, is listed nowhere and keeps its
// place. Both rules would move it: applying one to it moves it, so a move
// would be seen.
TEST_F(FindRule, WindowMatchingNothingIsLeftAlone)
{
    TestProfile p;
    Rule a = AnyWindowRule(1);
    SET_CAPTION(&a, "Editor", CMP_EQUALS);
    Rule b = AnyWindowRule(2);
    SET_CLASS(&b, "EditClass", CMP_EQUALS | CMP_NEGATE);
    for (Rule* r : {&a, &b}) {
        r->x = 600;
        r->y = 300;
        r->w = 250;
        r->h = 150;
        r->tretry = 0;
    }
    p.Add(a);
    p.Add(b);
    HWND window = MakeStyled(WS_OVERLAPPEDWINDOW, nullptr);
    SetWindowPos(window, nullptr, 123, 45, 210, 110, SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    auto place = [&] {
        RECT r;
        GetWindowRect(window, &r);
        return RectText(r);
    };
    ASSERT_EQ("123,45,333,155", place());
    MonitoredWindow e = EntryOf(window);
    CopyText(e.title, sizeof(e.title), "Viewer");
    e.titleLength = 6;
    CopyText(e.className, sizeof(e.className), "EditClass");
    e.classLength = 9;
    EXPECT_EQ(nullptr, FindRuleForWindow(&p.profile, &e, -1));
    EXPECT_EQ(0, p.ById(1)->windowCount);
    EXPECT_EQ(0, p.ById(2)->windowCount);
    EXPECT_EQ("123,45,333,155", place());

    MonitoredWindow editor = e;
    CopyText(editor.title, sizeof(editor.title), "Editor");
    editor.titleLength = 6;
    EXPECT_EQ(p.ById(1), FindRuleForWindow(&p.profile, &editor, -1)) << "the same profile finds a rule for a match";
    EXPECT_EQ("123,45,333,155", place()) << "finding a rule moves nothing";
    EXPECT_TRUE(ApplyRuleToWindow(&editor, p.ById(1), 0, APPLY_ALL));
    EXPECT_EQ("600,300,850,450", place()) << "applying it does";
    DestroyWindow(window);

    EXPECT_EQ(nullptr, FindRuleForWindow(nullptr, &e, -1));
    Profile empty = {};
    EXPECT_EQ(nullptr, FindRuleForWindow(&empty, &e, -1)) << "a profile without a rule list";
}
