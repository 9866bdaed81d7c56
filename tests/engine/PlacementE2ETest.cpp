// PlacementE2ETest.cpp - the running program placing real windows by its rules:
// each compare mode, class and program, state, z-order and transparency; locks
// and captured positions across a restart; a delayed rule; a window that stops
// answering; costly regular expressions; a profile of many sparse rules.
#include "engine/ProductIds.h"
#include "framework/core/AppObject.h"
#include "framework/core/ConfigRecord.h"
#include "framework/core/TextUtil.h"
#include "tests/support/ProgramFixture.h"

#include <stdio.h>

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

// A window that takes no messages is passed over, not waited on: a window that
// comes after it is placed at once, and the hung one gets its rule once it
// answers again, with nothing to wake the program. The hung window is topmost,
// so that every pass meets it before the other window.
TEST_F(Placement, AHungWindowHoldsUpNoOtherWindowAndIsPlacedOnceItAnswers)
{
    ASSERT_TRUE(WriteProfile({
        Place(TitleRule("Hung", "E2E Hung", CMP_EQUALS), 200, 150, 350, 250),
        Place(TitleRule("Answering", "E2E Answering", CMP_EQUALS), 500, 300, 320, 220)}));
    ASSERT_TRUE(Start());
    TestWindow* hung = Open("--title \"E2E Hung\" --rect 40,50,300,200 --exstyle 0x8 --hang 0");
    TestWindow* answering = Open("--title \"E2E Answering\" --rect 60,70,300,200");
    ULONGLONG shown = GetTickCount64();
    Box box = {500, 300, 320, 220};
    TestWindowReport r;
    EXPECT_TRUE(WaitForReport(answering, AtBox(box), &r, 10000)) << "held up by the hung window";
    printf("  placed %llu ms after it appeared, beside a hung window\n", GetTickCount64() - shown);

    ASSERT_TRUE(TestWindowStep(hung, "resume", &r));
    EXPECT_TRUE(RectIs(r.normal, 40, 50, 300, 200)) << "nothing reached it while it hung";
    Box hungBox = {200, 150, 350, 250};
    EXPECT_TRUE(WaitForReport(hung, AtBox(hungBox), &r, 10000)) << "its rule once it answers";
}

// A profile switch meets a hung window that the new profile has a rule for:
// once it answers it gets its rule, with nothing to wake the program, though
// the pass that kept it ran on the main thread. The hung window is topmost,
// so that the pass meets it before the window placed beside it.
TEST_F(Placement, AHungWindowMetByASwitchIsPlacedOnceItAnswers)
{
    ASSERT_TRUE(WriteProfiles({{"A-Plain"},
                               {"B-Placing", nullptr,
                                {Place(TitleRule("Hung", "E2E Hung At Switch", CMP_EQUALS), 200, 150, 350, 250),
                                 Place(TitleRule("Beside", "E2E Beside At Switch", CMP_EQUALS), 500, 300, 320,
                                       220)}}},
                              0));
    TestWindow* hung = Open("--title \"E2E Hung At Switch\" --rect 40,50,300,200 --exstyle 0x8");
    TestWindow* beside = Open("--title \"E2E Beside At Switch\" --rect 60,70,300,200");
    ASSERT_TRUE(Start());
    ASSERT_TRUE(WaitForLogLine("PRF: Switching Profile (A-Plain)")) << Log();
    TestWindowReport r;
    ASSERT_TRUE(TestWindowStep(hung, "hang"));
    PostMessageA(run.main, ZRPMSG_COMMAND, MAKEWPARAM(CMD_PROFILE_SWITCH + 1, 0), 0);
    ASSERT_TRUE(WaitForReport(beside, AtBox({500, 300, 320, 220}), &r, 10000)) << "the switch's pass ran";
    ASSERT_TRUE(TestWindowStep(hung, "resume", &r));
    EXPECT_TRUE(RectIs(r.normal, 40, 50, 300, 200)) << "nothing reached it while it hung";
    EXPECT_TRUE(WaitForReport(hung, AtBox({200, 150, 350, 250}), &r, 10000)) << "its rule once it answers";
}

// Start-up finds a hung window that has a rule: the program does not wait on
// it, and ends at once on "-QUIT".
TEST_F(Placement, QuitEndsPromptlyWhileAHungWindowExists)
{
    ASSERT_TRUE(WriteProfile({
        Place(TitleRule("Hung", "E2E Hung At Start", CMP_EQUALS), 200, 150, 350, 250)}));
    TestWindow* hung = Open("--title \"E2E Hung At Start\" --rect 40,50,300,200 --hang 0");
    ASSERT_TRUE(Start());
    ULONGLONG asked = GetTickCount64();
    EXPECT_EQ(0, Quit());
    printf("  \"-QUIT\" ended it after %llu ms\n", GetTickCount64() - asked);
    std::string log = Log();
    EXPECT_NE(std::string::npos, log.find("PanelShepherd stopped (error: 0)\r\n")) << log;
    TestWindowReport r;
    EXPECT_TRUE(TestWindowStep(hung, "resume", &r));
}

// Catastrophic regular expressions, tried first on every window, neither stall
// nor kill the program: windows that were there at start and ones that come
// later go on to the next rule, and a costly one is logged once.
TEST_F(Placement, CostlyRegexRulesCountAsNoMatchAndTheNextRulePlaces)
{
    const char* lookAhead = "(?:(?=.*a).)*b";
    ASSERT_TRUE(WriteProfile({
        Place(TitleRule("Nested stars", "(a*)*b", CMP_REGEX), 700, 500, 200, 150),
        Place(TitleRule("Nested groups", "((((((((((a))))))))))*b", CMP_REGEX), 700, 500, 200, 150),
        Place(TitleRule("Look-ahead", lookAhead, CMP_REGEX), 700, 500, 200, 150),
        Place(TitleRule("Short", std::string(30, 'a').c_str(), CMP_EQUALS), 120, 110, 300, 200),
        Place(TitleRule("Long", std::string(1000, 'a').substr(0, 200).c_str(), CMP_STARTS_WITH), 160, 130, 310, 210),
        Place(TitleRule("Later", "E2E After Regex", CMP_EQUALS), 200, 150, 320, 220)}));
    // Both titles exist before the program starts: its first pass meets them.
    TestWindow* shortTitle = Open("--title " + std::string(30, 'a') + " --rect 30,40,200,150");
    TestWindow* longTitle = Open("--title " + std::string(1000, 'a') + " --rect 30,40,200,150");
    ASSERT_TRUE(Start());

    TestWindowReport r;
    Box shortBox = {120, 110, 300, 200}, longBox = {160, 130, 310, 210}, laterBox = {200, 150, 320, 220};
    EXPECT_TRUE(WaitForReport(shortTitle, AtBox(shortBox), &r)) << "30 characters";
    EXPECT_TRUE(WaitForReport(longTitle, AtBox(longBox), &r)) << "1000 characters";
    TestWindow* later = Open("--title \"E2E After Regex\" --rect 30,40,200,150");
    EXPECT_TRUE(WaitForReport(later, AtBox(laterBox), &r)) << "a window after start";
    EXPECT_EQ((DWORD)WAIT_TIMEOUT, WaitForSingleObject(run.child.process, 0)) << "the program lives";

    std::string log = Log();
    std::string line = std::string("REGEX(") + lookAhead + ")";
    size_t first = log.find(line);
    EXPECT_NE(std::string::npos, first) << log;
    EXPECT_EQ(std::string::npos, log.find(line, first + 1)) << "logged once";
    EXPECT_EQ(0, Quit());
}

// A profile of 5000 rules that hold only a few keys each loads at start-up,
// and its last rule places a window.
TEST_F(Placement, ProfileOfManyRulesLackingMostKeysLoadsAndPlaces)
{
    ASSERT_TRUE(WriteProfile({}));
    const int rules = 5000;
    ConfigRecord record;
    InitConfigRecord(&record, 1, "");
    auto put = [&](const std::string& key, const std::string& value) {
        return AppendRecordLine(&record, key.c_str(), value.c_str()) == CFG_OK;
    };
    bool ok = put("szGenName", "Sparse") && put("iNumRules", std::to_string(rules));
    for (int i = 0; i < rules && ok; i++) {
        std::string prefix = "Rule[" + std::to_string(i) + "].";
        ok = put(prefix + "item", "00") && put(prefix + "name", "Sparse " + std::to_string(i)) &&
             put(prefix + "caption", "E2E Sparse " + std::to_string(i)) && put(prefix + "cmpcaption", "01");
    }
    std::string last = "Rule[" + std::to_string(rules - 1) + "].";
    ok = ok && put(last + "moveto", "01") && put(last + "x", "210") && put(last + "y", "160") &&
         put(last + "sizeto", "01") && put(last + "w", "330") && put(last + "h", "230");
    ok = ok && SaveRecordArchive(&record, ProfilePath(0).c_str()) > 0;
    ClearConfigRecord(&record);
    ASSERT_TRUE(ok);

    ASSERT_TRUE(Start("-MINIMIZE", "PanelShepherd.exe", 60000));   // generous: only so that a hang ends
    TestWindow* w = Open("--title \"E2E Sparse " + std::to_string(rules - 1) + "\" --rect 30,40,200,150");
    Box want = {210, 160, 330, 230};
    TestWindowReport r;
    EXPECT_TRUE(WaitForReport(w, AtBox(want), &r, 60000));
}
