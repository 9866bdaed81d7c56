// MonitorPassActionTest.cpp - what a pass does with a window's rule, by the
// window's event and the rule's locks: put the window back, let the rule
// follow it, or leave both alone. In this process, on windows of its own and
// a desktop object of the test's.
#include "engine/Engine.h"
#include "engine/Log.h"
#include "engine/MonitorPass.h"
#include "engine/OptionsRecord.h"
#include "engine/Rules.h"
#include "engine/WindowTable.h"
#include "framework/core/AppObject.h"
#include "framework/core/TextUtil.h"
#include "tests/support/FakeVirtualDesktop.h"
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const char kTitle[] = "Lock Matrix Probe";
const char kRenamed[] = "Lock Matrix Probe renamed";
const char kClass[] = "LockMatrixProbe";

std::vector<std::string> g_lines;
FakeVirtualDesktop g_desktop;

LRESULT CALLBACK LogWindowProc(HWND w, UINT m, WPARAM wp, LPARAM lp)
{
    if (m == WM_LOGLINE) {
        g_lines.push_back((const char*)lp);
        return 0;
    }
    return DefWindowProcA(w, m, wp, lp);
}

struct Box {
    int x, y, w, h;
};
const Box kRulePlace = {200, 150, 400, 300};

// The rule every row starts from: this window only, put at kRulePlace, normal.
Rule BaseRule(const char* name)
{
    Rule r;
    InitRule(&r);
    CopyText(r.name, sizeof(r.name), name);
    SET_RULE_TEXT(&r, caption, kTitle);
    SET_RULE_TEXT(&r, wndclss, kClass);
    r.cmpprogram = CMP_ANY;
    r.ignnonmain = 0;
    r.tretry = 0;
    r.x = kRulePlace.x;
    r.y = kRulePlace.y;
    r.w = kRulePlace.w;
    r.h = kRulePlace.h;
    r.state = RULE_STATE_NORMAL;
    return r;
}

// What a row's change between the two passes works on.
struct Probe {
    HWND window;
    Rule* rule;    // the first rule
    Rule* other;   // the second, when the row has one
};

void MoveTo(HWND w, int x, int y)
{
    SetWindowPos(w, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void SizeTo(HWND w, int width, int height)
{
    SetWindowPos(w, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void MinimiseWithNormalAt(HWND w, int x, int y)
{
    WINDOWPLACEMENT wp = {};
    wp.length = sizeof(wp);
    GetWindowPlacement(w, &wp);
    OffsetRect(&wp.rcNormalPosition, x - wp.rcNormalPosition.left, y - wp.rcNormalPosition.top);
    wp.showCmd = SW_SHOWMINNOACTIVE;
    SetWindowPlacement(w, &wp);
}

void ToDesktopOne(HWND w, bool looked)
{
    g_desktop.desktops[w] = 1;
    if (looked) g_desktopsCheck = 1;   // as a desktop event sets it
}

// The table's entry is older than the rule's title re-match time of 1 ms.
bool WaitPastTitleTime(HWND w)
{
    int at = FindWindowEntry(w);
    if (at < 0) return false;
    uint64_t created = g_windowTable[at].createdTicks;
    return PumpUntil([&] { return GetTickCount64() - created > 1; }, 5000);
}

const Box kClosed = {-1, -1, -1, -1};

struct Row {
    const char* why;
    void (*rules)(Rule* rule, Rule* other);   // other is null unless twoRules
    bool twoRules;
    void (*change)(Probe* p);                 // between the first pass and the second
    const char* event;                        // the window's event in the second pass ("" none)
    bool applied;                             // the second pass applied a rule to it
    Box window;                               // its normal rectangle afterwards (kClosed: gone)
    int windowState;
    Box ruleBox;                              // the first rule's fields afterwards
    uint8_t ruleState, ruleDesktop;
    bool ruleHolds;                           // the first rule still lists the window
};

const uint8_t kNone = RULE_DESKTOP_NONE;

const Row kRows[] = {
    //--- moved
    {"moved, position lock: put back", [](Rule* r, Rule*) { r->lockpos = 1; }, false,
     [](Probe* p) { MoveTo(p->window, 500, 400); },
     "POS", true, {200, 150, 400, 300}, 0, {200, 150, 400, 300}, 0, kNone, true},
    {"moved, position lock, rule made wider: only the position comes back", [](Rule* r, Rule*) { r->lockpos = 1; },
     false, [](Probe* p) { p->rule->w = 450; MoveTo(p->window, 500, 400); },
     "POS", true, {200, 150, 400, 300}, 0, {200, 150, 450, 300}, 0, kNone, true},
    {"moved, position and size lock, rule made wider: the size comes along",
     [](Rule* r, Rule*) { r->lockpos = 1; r->locksize = 1; }, false,
     [](Probe* p) { p->rule->w = 450; MoveTo(p->window, 500, 400); },
     "POS", true, {200, 150, 450, 300}, 0, {200, 150, 450, 300}, 0, kNone, true},
    {"moved, position lock without moveto: left there", [](Rule* r, Rule*) { r->lockpos = 1; r->moveto = 0; },
     false, [](Probe* p) { MoveTo(p->window, 500, 400); },
     "POS", false, {500, 400, 400, 300}, 0, {200, 150, 400, 300}, 0, kNone, true},
    {"moved, no lock, Last position: the rule follows", [](Rule* r, Rule*) { r->movetomode = 1; }, false,
     [](Probe* p) { MoveTo(p->window, 500, 400); },
     "POS", false, {500, 400, 400, 300}, 0, {500, 400, 400, 300}, 0, kNone, true},
    {"moved, no lock, This position: nothing written", [](Rule*, Rule*) {}, false,
     [](Probe* p) { MoveTo(p->window, 500, 400); },
     "POS", false, {500, 400, 400, 300}, 0, {200, 150, 400, 300}, 0, kNone, true},
    //--- resized
    {"resized, size lock: put back", [](Rule* r, Rule*) { r->locksize = 1; }, false,
     [](Probe* p) { SizeTo(p->window, 480, 360); },
     "SZE", true, {200, 150, 400, 300}, 0, {200, 150, 400, 300}, 0, kNone, true},
    {"resized, no lock, Last size: the rule follows", [](Rule* r, Rule*) { r->sizetomode = 1; }, false,
     [](Probe* p) { SizeTo(p->window, 480, 360); },
     "SZE", false, {200, 150, 480, 360}, 0, {200, 150, 480, 360}, 0, kNone, true},
    {"made wider, aspect lock: the height follows the width", [](Rule* r, Rule*) { r->lockar = 1; }, false,
     [](Probe* p) { SizeTo(p->window, 500, 300); },
     "SZE", true, {200, 150, 500, 375}, 0, {200, 150, 400, 300}, 0, kNone, true},
    {"made taller, aspect lock: the width follows the height", [](Rule* r, Rule*) { r->lockar = 1; }, false,
     [](Probe* p) { SizeTo(p->window, 400, 360); },
     "SZE", true, {200, 150, 480, 360}, 0, {200, 150, 400, 300}, 0, kNone, true},
    //--- state
    {"minimised, state lock: restored", [](Rule* r, Rule*) { r->lockstate = 1; }, false,
     [](Probe* p) { ShowWindow(p->window, SW_SHOWMINNOACTIVE); },
     "STA", true, {200, 150, 400, 300}, 0, {200, 150, 400, 300}, 0, kNone, true},
    {"minimised and moved, state lock: restored where the user left it", [](Rule* r, Rule*) { r->lockstate = 1; },
     false, [](Probe* p) { MinimiseWithNormalAt(p->window, 500, 400); },
     "STA", true, {500, 400, 400, 300}, 0, {200, 150, 400, 300}, 0, kNone, true},
    {"minimised and moved, state and position lock: restored at the rule's place",
     [](Rule* r, Rule*) { r->lockstate = 1; r->lockpos = 1; }, false,
     [](Probe* p) { MinimiseWithNormalAt(p->window, 500, 400); },
     "STA", true, {200, 150, 400, 300}, 0, {200, 150, 400, 300}, 0, kNone, true},
    {"minimised, no lock, Last state: the rule follows", [](Rule* r, Rule*) { r->statetomode = 1; }, false,
     [](Probe* p) { ShowWindow(p->window, SW_SHOWMINNOACTIVE); },
     "STA", false, {200, 150, 400, 300}, 1, {200, 150, 400, 300}, 1, kNone, true},
    //--- moved and resized
    {"moved and resized, both locks: put back", [](Rule* r, Rule*) { r->lockpos = 1; r->locksize = 1; }, false,
     [](Probe* p) { SetWindowPos(p->window, nullptr, 500, 400, 480, 360, SWP_NOZORDER | SWP_NOACTIVATE); },
     "RCT", true, {200, 150, 400, 300}, 0, {200, 150, 400, 300}, 0, kNone, true},
    {"moved and resized, position lock: the position comes back", [](Rule* r, Rule*) { r->lockpos = 1; }, false,
     [](Probe* p) { SetWindowPos(p->window, nullptr, 500, 400, 480, 360, SWP_NOZORDER | SWP_NOACTIVATE); },
     "RCT", true, {200, 150, 480, 360}, 0, {200, 150, 400, 300}, 0, kNone, true},
    {"moved and resized, size lock: the size comes back", [](Rule* r, Rule*) { r->locksize = 1; }, false,
     [](Probe* p) { SetWindowPos(p->window, nullptr, 500, 400, 480, 360, SWP_NOZORDER | SWP_NOACTIVATE); },
     "RCT", true, {500, 400, 400, 300}, 0, {200, 150, 400, 300}, 0, kNone, true},
    {"moved and resized, no lock, Last position and size: the rule follows",
     [](Rule* r, Rule*) { r->movetomode = 1; r->sizetomode = 1; }, false,
     [](Probe* p) { SetWindowPos(p->window, nullptr, 500, 400, 480, 360, SWP_NOZORDER | SWP_NOACTIVATE); },
     "RCT", false, {500, 400, 480, 360}, 0, {500, 400, 480, 360}, 0, kNone, true},
    //--- desktop
    {"to desktop 1, desktop lock: applied, the rule keeps its desktop",
     [](Rule* r, Rule*) { r->lockdesktop = 1; r->desktopto = 1; r->desktop = 0; }, false,
     [](Probe* p) { ToDesktopOne(p->window, true); },
     "DTP", true, {200, 150, 400, 300}, 0, {200, 150, 400, 300}, 0, 0, true},
    {"to desktop 1, Last desktop: the rule follows", [](Rule* r, Rule*) { r->desktoptomode = 1; }, false,
     [](Probe* p) { ToDesktopOne(p->window, true); },
     "DTP", false, {200, 150, 400, 300}, 0, {200, 150, 400, 300}, 0, 1, true},
    {"to desktop 1, neither: the rule stays", [](Rule* r, Rule*) { r->desktoptomode = 0; }, false,
     [](Probe* p) { ToDesktopOne(p->window, true); },
     "DTP", false, {200, 150, 400, 300}, 0, {200, 150, 400, 300}, 0, kNone, true},
    {"to desktop 1 with no desktop event: not looked at", [](Rule* r, Rule*) { r->desktoptomode = 1; }, false,
     [](Probe* p) { ToDesktopOne(p->window, false); },
     "", false, {200, 150, 400, 300}, 0, {200, 150, 400, 300}, 0, kNone, true},
    //--- title
    {"renamed and moved, title re-match: applied again",
     [](Rule* r, Rule*) { r->cmpcaption = CMP_STARTS_WITH; r->titlex = 1; r->titlextime = 0; }, false,
     [](Probe* p) { MoveTo(p->window, 500, 400); SetWindowTextA(p->window, kRenamed); },
     "CHG", true, {200, 150, 400, 300}, 0, {200, 150, 400, 300}, 0, kNone, true},
    {"renamed and moved, no title re-match: left alone",
     [](Rule* r, Rule*) { r->cmpcaption = CMP_STARTS_WITH; r->titlex = 0; }, false,
     [](Probe* p) { MoveTo(p->window, 500, 400); SetWindowTextA(p->window, kRenamed); },
     "CHG", false, {500, 400, 400, 300}, 0, {200, 150, 400, 300}, 0, kNone, true},
    {"renamed after the re-match time, held by assign-once: not applied again",
     [](Rule* r, Rule*) { r->assignonce = 1; r->titlex = 1; r->titlextime = 1; }, false,
     [](Probe* p) {
         WaitPastTitleTime(p->window);
         MoveTo(p->window, 500, 400);
         SetWindowTextA(p->window, kRenamed);
     },
     "CHG", false, {500, 400, 400, 300}, 0, {200, 150, 400, 300}, 0, kNone, true},
    {"renamed into another rule: applied there, dropped by the first",
     [](Rule*, Rule* o) {
         SET_RULE_TEXT(o, caption, kRenamed);
         o->titlex = 1;
         o->titlextime = 0;
         o->x = 600;
         o->y = 300;
     },
     true, [](Probe* p) { SetWindowTextA(p->window, kRenamed); },
     "CHG", true, {600, 300, 400, 300}, 0, {200, 150, 400, 300}, 0, kNone, false},
    //--- closed
    {"closed while held, Last position: its last place is captured",
     [](Rule* r, Rule*) { r->movetomode = 1; }, false,
     [](Probe* p) { p->rule->x = 10; DestroyWindow(p->window); },
     "CLS", false, kClosed, 0, {200, 150, 400, 300}, 0, kNone, false},
    {"closed after leaving the rule's list: nothing captured", [](Rule* r, Rule*) { r->movetomode = 1; }, false,
     [](Probe* p) { p->rule->x = 10; p->rule->windowCount = 0; DestroyWindow(p->window); },
     "CLS", false, kClosed, 0, {10, 150, 400, 300}, 0, kNone, false},
};

class PassAction : public testing::Test {
protected:
    void SetUp() override
    {
        AppConstruct(&g_app);
        InitTableLock();
        SerializeOptions(0);   // no data folder: the defaults
        WNDCLASSA wc = {};
        wc.lpfnWndProc = LogWindowProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "PassActionLog";
        RegisterClassA(&wc);
        g_logWindow = CreateWindowExA(0, "PassActionLog", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                      wc.hInstance, nullptr);
        WNDCLASSA probe = {};
        probe.lpfnWndProc = DefWindowProcA;
        probe.hInstance = wc.hInstance;
        probe.lpszClassName = kClass;
        RegisterClassA(&probe);
        g_desktop.unlisted = 0;   // every window starts on the current desktop
        g_virtualDesktop = &g_desktop;
    }
    void TearDown() override
    {
        if (IsWindow(window)) DestroyWindow(window);
        FreeProfileLists(&profile);
        g_virtualDesktop = nullptr;
        g_desktopsCheck = 0;
        DestroyWindow(g_logWindow);
        g_logWindow = nullptr;
        DeleteCriticalSection(&g_tableLock);
        g_windowCount = 0;
    }
    void RunPass()
    {
        g_lines.clear();
        MonitorPass(&profile, 0, 0, 0);
    }
    // The window's event tags in the last pass.
    std::vector<std::string> Events() const
    {
        char tag[32];
        FormatText(tag, sizeof(tag), ": HWND(%08X)", (unsigned)(uintptr_t)window);
        std::vector<std::string> out;
        for (const std::string& l : g_lines) {
            size_t at = l.find(tag);
            if (at != std::string::npos && at >= 3) out.push_back(l.substr(at - 3, 3));
        }
        return out;
    }
    // The last pass applied a rule to the window.
    bool Applied() const
    {
        char tag[32];
        FormatText(tag, sizeof(tag), "HWND(%08X)", (unsigned)(uintptr_t)window);
        for (const std::string& l : g_lines)
            if (l.find("RUL: RULE(") != std::string::npos && l.find(tag) != std::string::npos) return true;
        return false;
    }

    Profile profile = {};
    HWND window = nullptr;
};

bool Holds(const Rule* r, HWND w)
{
    for (int i = 0; i < r->windowCount; i++)
        if (r->windows[i] == w) return true;
    return false;
}

}  // namespace

TEST_F(PassAction, EventByLockMatrix)
{
    for (const Row& row : kRows) {
        SCOPED_TRACE(row.why);
        g_windowCount = 0;
        g_desktopsCheck = 0;
        g_desktop.desktops.clear();
        FreeProfileLists(&profile);
        ASSERT_TRUE(InitProfile(&profile, true));
        Rule first = BaseRule("Matrix"), second = BaseRule("Other");
        row.rules(&first, row.twoRules ? &second : nullptr);
        ArrayAppend(profile.pRules, &first);
        if (row.twoRules) ArrayAppend(profile.pRules, &second);
        Probe p = {nullptr, &profile.pRules->data[0], row.twoRules ? &profile.pRules->data[1] : nullptr};

        window = CreateWindowExA(0, kClass, kTitle, WS_OVERLAPPEDWINDOW, kRulePlace.x, kRulePlace.y, kRulePlace.w,
                                 kRulePlace.h, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(nullptr, window);
        ShowWindow(window, SW_SHOWNOACTIVATE);
        p.window = window;
        RunPass();
        ASSERT_EQ(std::vector<std::string>{"NEW"}, Events());
        ASSERT_TRUE(Applied()) << "the rule took the new window";
        ASSERT_TRUE(Holds(p.rule, window));
        // Placing the window may have activated it: that change is seen here,
        // not in the pass under test.
        RunPass();
        for (const std::string& tag : Events()) ASSERT_EQ("ACT", tag);

        row.change(&p);
        RunPass();
        std::vector<std::string> want;
        if (row.event[0]) want.push_back(row.event);
        EXPECT_EQ(want, Events());
        EXPECT_EQ(row.applied, Applied());
        if (row.window.x != kClosed.x) {
            int x = 0, y = 0, w = 0, h = 0;
            int state = GetWindowGeometry(window, &x, &y, &w, &h, nullptr, nullptr);
            EXPECT_EQ(row.window.x, x);
            EXPECT_EQ(row.window.y, y);
            EXPECT_EQ(row.window.w, w);
            EXPECT_EQ(row.window.h, h);
            EXPECT_EQ(row.windowState, state);
        }
        EXPECT_EQ(row.ruleBox.x, p.rule->x);
        EXPECT_EQ(row.ruleBox.y, p.rule->y);
        EXPECT_EQ(row.ruleBox.w, p.rule->w);
        EXPECT_EQ(row.ruleBox.h, p.rule->h);
        EXPECT_EQ(row.ruleState, p.rule->state);
        EXPECT_EQ(row.ruleDesktop, p.rule->desktop);
        EXPECT_EQ(row.ruleHolds, Holds(p.rule, window));
        if (p.other) {
            EXPECT_TRUE(Holds(p.other, window)) << "the other rule took it";
        }
        if (IsWindow(window)) DestroyWindow(window);
        window = nullptr;
    }
}
