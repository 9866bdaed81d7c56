// PlacementE2ETest.cpp - the running program placing real windows by its rules:
// each compare mode, class and program, state, z-order and transparency; locks
// and captured positions across a restart; a delayed rule.
#include "framework/core/TextUtil.h"
#include "tests/support/ProgramFixture.h"

namespace {

Rule Place(Rule r, int x, int y, int w, int h)
{
    r.moveto = 1;
    r.x = x;
    r.y = y;
    r.sizeto = 1;
    r.w = w;
    r.h = h;
    return r;
}

bool RectIs(const RECT& r, int x, int y, int w, int h)
{
    return r.left == x && r.top == y && r.right - r.left == w && r.bottom - r.top == h;
}

struct Box {
    int x, y, w, h;
};

// Placed there, neither minimised nor maximised.
std::function<bool(const TestWindowReport&)> AtBox(Box b)
{
    return [b](const TestWindowReport& r) { return RectIs(r.normal, b.x, b.y, b.w, b.h) && !r.iconic && !r.zoomed; };
}

std::string Where(const TestWindowReport& r)
{
    char t[96];
    FormatText(t, sizeof(t), "%ld,%ld %ldx%ld", r.normal.left, r.normal.top, r.normal.right - r.normal.left,
               r.normal.bottom - r.normal.top);
    return t;
}

}  // namespace

using Placement = ProgramTest;

TEST_F(Placement, MatchingWindowsArePlacedAndOthersLeftAlone)
{
    Rule negated = Place(TitleRule("Not skipped", "skip", CMP_CONTAINS | CMP_NEGATE), 560, 120, 310, 210);
    negated.cmpwndclss = CMP_EQUALS;
    CopyText(negated.wndclss, sizeof(negated.wndclss), "NegClass");
    negated.wndclsslen = 8;
    Rule byClass = Place(TitleRule("By class", "", CMP_ANY), 600, 300, 320, 220);
    byClass.cmpwndclss = CMP_EQUALS;
    CopyText(byClass.wndclss, sizeof(byClass.wndclss), "E2EClassRule");
    byClass.wndclsslen = 12;
    Rule byProgram = Place(TitleRule("By program", "E2E Program", CMP_STARTS_WITH), 640, 340, 330, 230);
    byProgram.cmpprogram = CMP_CONTAINS;
    CopyText(byProgram.program, sizeof(byProgram.program), "testwindow.exe");
    byProgram.programlen = 14;
    ASSERT_TRUE(WriteProfile({
        Place(TitleRule("Equals", "E2E Equals", CMP_EQUALS), 100, 100, 300, 200),
        Place(TitleRule("Contains", "Contains Me", CMP_CONTAINS), 140, 120, 310, 220),
        Place(TitleRule("Begins", "E2E Begins", CMP_STARTS_WITH), 180, 140, 320, 240),
        Place(TitleRule("Ends", "Ends Here", CMP_ENDS_WITH), 220, 160, 330, 250),
        Place(TitleRule("Regex", "E2E Regex [0-9]+", CMP_REGEX), 260, 180, 340, 260),
        Place(TitleRule("Not equals", "E2E Other", CMP_EQUALS | CMP_NEGATE), 0, 0, 0, 0),
        negated, byClass, byProgram}));
    // "Not equals" must not take every window: restrict it to a class nobody has.
    Profile p;
    ASSERT_TRUE(ReadProfile(0, &p));
    Rule* notEquals = &p.pRules->data[5];
    notEquals->cmpwndclss = CMP_EQUALS;
    CopyText(notEquals->wndclss, sizeof(notEquals->wndclss), "NotEqualsClass");
    notEquals->wndclsslen = 14;
    *notEquals = Place(*notEquals, 520, 420, 300, 200);
    ASSERT_TRUE(SaveProfile(0, &p));
    FreeProfileLists(&p);
    ASSERT_TRUE(Start());

    struct Case {
        const char* args;
        Box want;
        const char* rule;
    } cases[] = {
        {"--title \"E2E Equals\"", {100, 100, 300, 200}, "Equals"},
        {"--title \"Window Contains Me Here\"", {140, 120, 310, 220}, "Contains"},
        {"--title \"E2E Begins with this\"", {180, 140, 320, 240}, "Begins"},
        {"--title \"It Ends Here\"", {220, 160, 330, 250}, "Ends"},
        {"--title \"E2E Regex 42\"", {260, 180, 340, 260}, "Regex"},
        {"--title \"Anything else\" --class NotEqualsClass", {520, 420, 300, 200}, "Not equals"},
        {"--title \"Placed by negation\" --class NegClass", {560, 120, 310, 210}, "Not skipped"},
        {"--title \"Whatever\" --class E2EClassRule", {600, 300, 320, 220}, "By class"},
        {"--title \"E2E Program test\"", {640, 340, 330, 230}, "By program"},
    };
    std::vector<std::string> applied;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rule);
        TestWindow* w = Open(std::string(c.args) + " --rect 30,40,200,150");
        TestWindowReport r;
        EXPECT_TRUE(WaitForReport(w, AtBox(c.want), &r)) << Where(r);
        applied.push_back(std::string("RUL: RULE(") + c.rule + "), " + HandleText(w->hwnd));
    }

    // Windows that no rule takes stay exactly where they were: once the pass
    // that saw each one has logged it, no rule was applied and none moved.
    const char* const untouched[] = {"--title \"E2E Equals \"", "--title \"E2E Regex 4x2\"",
                                     "--title \"Other skip this\" --class NegClass",
                                     "--title \"E2E Other\" --class NotEqualsClass"};
    std::vector<std::string> quiet;
    for (const char* args : untouched) {
        SCOPED_TRACE(args);
        TestWindow* w = Open(std::string(args) + " --rect 33,44,210,160");
        ASSERT_NE(std::string::npos, WaitForWindowLine("NEW", w->hwnd, 0)) << Log();
        TestWindowReport r;
        ASSERT_TRUE(TestWindowStep(w, "report", &r));
        EXPECT_TRUE(RectIs(r.normal, 33, 44, 210, 160)) << Where(r);
        quiet.push_back(HandleText(w->hwnd));
    }
    // Every line is written once the program has quit.
    ASSERT_EQ(0, Quit());
    std::string log = Log();
    for (const std::string& line : applied) EXPECT_NE(std::string::npos, log.find(line)) << line;
    for (size_t i = 0; i < quiet.size(); i++) {
        size_t at = log.find(quiet[i]);
        ASSERT_NE(std::string::npos, at) << untouched[i];
        for (; at != std::string::npos; at = log.find(quiet[i], at + 1)) {
            size_t start = log.rfind('\n', at) + 1;   // lines begin with the time
            std::string line = log.substr(start, log.find('\r', at) - start);
            EXPECT_EQ(std::string::npos, line.find(" RUL: ")) << "a rule took " << untouched[i] << ": " << line;
        }
    }
}

TEST_F(Placement, StateOrderTransparencyAndClickThrough)
{
    Rule minimised = TitleRule("Minimised", "E2E Minimised", CMP_EQUALS);
    minimised.state = RULE_STATE_MINIMIZED;
    Rule maximised = TitleRule("Maximised", "E2E Maximised", CMP_EQUALS);
    maximised.state = RULE_STATE_MAXIMIZED;
    Rule restored = Place(TitleRule("Restored", "E2E Restored", CMP_EQUALS), 300, 200, 400, 300);
    restored.state = RULE_STATE_NORMAL;
    Rule onTop = TitleRule("On top", "E2E On Top", CMP_EQUALS);
    onTop.orderto = 1;
    onTop.order = 2;
    onTop.transto = 1;
    onTop.transval = 50;
    onTop.clickthrough = 1;
    // Wine reads another process's minimised or maximised window back at its
    // current rectangle, so the placement check fails there: no retries, or
    // they would cycle the state until their time runs out.
    for (Rule* r : {&minimised, &maximised, &onTop}) r->tretry = 0;
    ASSERT_TRUE(WriteProfile({minimised, maximised, restored, onTop}));
    ASSERT_TRUE(Start());

    TestWindowReport r;
    TestWindow* a = Open("--title \"E2E Minimised\" --rect 50,50,300,200");
    EXPECT_TRUE(WaitForReport(a, [](const TestWindowReport& x) { return x.iconic; }, &r));
    TestWindow* b = Open("--title \"E2E Maximised\" --rect 50,50,300,200");
    EXPECT_TRUE(WaitForReport(b, [](const TestWindowReport& x) { return x.zoomed; }, &r));
    TestWindow* c = Open("--title \"E2E Restored\" --rect 50,50,300,200 --state max");
    EXPECT_TRUE(WaitForReport(c, AtBox({300, 200, 400, 300}), &r))
        << "a maximised window is restored to the rule's place: " << Where(r);
    TestWindow* d = Open("--title \"E2E On Top\" --rect 50,50,300,200");
    EXPECT_TRUE(WaitForReport(d, [](const TestWindowReport& x) {
        return x.topmost && x.alpha == 127 && (x.exStyle & WS_EX_TRANSPARENT);
    }, &r)) << "topmost " << r.topmost << " alpha " << r.alpha;

    // At exit every window made transparent is opaque again.
    EXPECT_EQ(0, Quit());
    ASSERT_TRUE(TestWindowStep(d, "report", &r));
    EXPECT_FALSE(r.exStyle & (WS_EX_LAYERED | WS_EX_TRANSPARENT));
}

TEST_F(Placement, PositionLockPutsTheWindowBack)
{
    Rule locked = Place(TitleRule("Locked", "E2E Locked", CMP_EQUALS), 250, 150, 400, 300);
    locked.lockpos = 1;
    ASSERT_TRUE(WriteProfile({locked}));
    ASSERT_TRUE(Start());
    TestWindow* w = Open("--title \"E2E Locked\" --rect 20,20,400,300");
    TestWindowReport r;
    ASSERT_TRUE(WaitForReport(w, AtBox({250, 150, 400, 300}), &r)) << Where(r);
    size_t placed = WaitForWindowLine("NEW", w->hwnd, 0);
    ASSERT_NE(std::string::npos, placed) << Log();

    // The window reports its placement right after the move, before the
    // program's pass can reach it: the move took.
    ASSERT_TRUE(TestWindowStep(w, "move 600 500", &r));
    ASSERT_TRUE(RectIs(r.normal, 600, 500, 400, 300)) << "the move did not take: " << Where(r);
    size_t seen = WaitForLog(WindowTag("POS", w->hwnd) + ", TITLE(E2E Locked), DTP(255), POS(600,500)", placed);
    ASSERT_NE(std::string::npos, seen) << "the program saw the move\n" << Log();
    EXPECT_NE(std::string::npos, WaitForLog("RUL: RULE(Locked), HWND(", seen)) << Log();
    EXPECT_TRUE(WaitForReport(w, AtBox({250, 150, 400, 300}), &r)) << "moved back to " << Where(r);
}

TEST_F(Placement, WithoutALockTheMoveIsCapturedAndSurvivesARestart)
{
    Rule follow = TitleRule("Follow", "E2E Follow", CMP_EQUALS);
    follow.movetomode = 1;   // "Last position"
    follow.sizetomode = 1;   // "Last size"
    follow.statetomode = 1;  // "Last state"
    ASSERT_TRUE(WriteProfile({follow}));
    ASSERT_TRUE(Start());
    TestWindow* w = Open("--title \"E2E Follow\" --rect 40,50,300,200");
    TestWindowReport r;
    size_t seen = WaitForWindowLine("NEW", w->hwnd, 0);
    ASSERT_NE(std::string::npos, seen) << Log();
    ASSERT_TRUE(TestWindowStep(w, "rect 420 330 350 260", &r));
    // The pass that sees the change captures it into the rule.
    ASSERT_NE(std::string::npos,
              WaitForLog(WindowTag("RCT", w->hwnd) + ", TITLE(E2E Follow), DTP(255), POS(420,330), DIM(350,260)", seen))
        << Log();
    ASSERT_TRUE(WaitForReport(w, AtBox({420, 330, 350, 260}), &r)) << "the move is left as the user made it";
    StopTestWindow(w);
    ASSERT_EQ(0, Quit());

    Profile p;
    ASSERT_TRUE(ReadProfile(0, &p));
    ASSERT_EQ(1, p.pRules->count);
    EXPECT_EQ(420, p.pRules->data[0].x);
    EXPECT_EQ(330, p.pRules->data[0].y);
    EXPECT_EQ(350, p.pRules->data[0].w);
    EXPECT_EQ(260, p.pRules->data[0].h);
    FreeProfileLists(&p);

    ASSERT_TRUE(Start());
    TestWindow* again = Open("--title \"E2E Follow\" --rect 40,50,300,200");
    EXPECT_TRUE(WaitForReport(again, AtBox({420, 330, 350, 260}), &r)) << "the captured place is where it comes back";
}

TEST_F(Placement, DelayedRulePlacesAfterTheDelayNotBefore)
{
    Rule delayed = Place(TitleRule("Delayed", "E2E Delayed", CMP_EQUALS), 300, 250, 360, 240);
    delayed.tdelay = 1;
    delayed.tdelaytime = 1500;
    ASSERT_TRUE(WriteProfile({delayed}));
    ASSERT_TRUE(Start());
    ULONGLONG shown = GetTickCount64();
    TestWindow* w = Open("--title \"E2E Delayed\" --rect 60,70,200,150");
    // The pass has applied the rule (started its delay) when it logs the window.
    ASSERT_NE(std::string::npos, WaitForLog("RUL: RULE(Delayed), HWND(")) << Log();
    TestWindowReport r;
    ASSERT_TRUE(TestWindowStep(w, "report", &r));
    EXPECT_TRUE(RectIs(r.normal, 60, 70, 200, 150)) << "not before the delay: " << Where(r);
    EXPECT_TRUE(WaitForReport(w, AtBox({300, 250, 360, 240}), &r, 10000)) << Where(r);
    EXPECT_GE(GetTickCount64() - shown, 1500u) << "placed after the delay";
}
