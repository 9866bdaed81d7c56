// MonitorPassTest.cpp - the monitor pass in this process on windows of its own:
// how changes are classified and logged, the table limit, hostile windows and
// a pass that would nest.
#include "engine/Engine.h"
#include "engine/Log.h"
#include "engine/MonitorPass.h"
#include "engine/ProfileStore.h"
#include "engine/WindowTable.h"
#include "engine/Worker.h"
#include "framework/core/AppObject.h"
#include "framework/core/TextUtil.h"
#include "tests/support/TestEnv.h"
#include "tests/support/TestWindowClient.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> g_lines;
volatile LONG g_workerPasses;   // passes the worker was asked for
Profile* g_nestProfile;   // when set, every logged line tries a nested pass

LRESULT CALLBACK LogWindowProc(HWND w, UINT m, WPARAM wp, LPARAM lp)
{
    if (m == WM_LOGLINE) {
        g_lines.push_back((const char*)lp);
        if (g_nestProfile) MonitorPass(g_nestProfile, 1, 0, 0);   // would empty the table
        return 0;
    }
    return DefWindowProcA(w, m, wp, lp);
}

HWND MakeWindow(const char* title, int x, int y)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "PassProbe";
    RegisterClassA(&wc);
    HWND w = CreateWindowExA(0, "PassProbe", title, WS_OVERLAPPEDWINDOW, x, y, 300, 200, nullptr, nullptr,
                             wc.hInstance, nullptr);
    ShowWindow(w, SW_SHOWNOACTIVATE);
    return w;
}

class Pass : public testing::Test {
protected:
    void SetUp() override
    {
        AppConstruct(&g_app);
        InitTableLock();
        SerializeOptions(0);   // no data folder: the defaults
        g_workerPasses = 0;
        ASSERT_TRUE(StartAutoApplyWorker([] { InterlockedIncrement(&g_workerPasses); }));
        WNDCLASSA wc = {};
        wc.lpfnWndProc = LogWindowProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "PassLog";
        RegisterClassA(&wc);
        g_logWindow = CreateWindowExA(0, "PassLog", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, wc.hInstance,
                                      nullptr);
        g_lines.clear();
        g_nestProfile = nullptr;
        g_windowCount = 0;
        ASSERT_TRUE(InitProfile(&profile, true));
    }
    void TearDown() override
    {
        FreeProfileLists(&profile);
        for (HWND w : windows) DestroyWindow(w);
        DestroyWindow(g_logWindow);
        g_logWindow = nullptr;
        StopAutoApplyWorker(3000);
        g_windowCount = 0;
    }
    HWND Window(const char* title, int x = 100, int y = 100)
    {
        HWND w = MakeWindow(title, x, y);
        windows.push_back(w);
        return w;
    }
    void RunPass()
    {
        g_lines.clear();
        MonitorPass(&profile, 0, 0, 0);
    }
    // The window's lines of the last pass (the event tags).
    std::vector<std::string> Events(HWND w)
    {
        char tag[32];
        FormatText(tag, sizeof(tag), ": HWND(%08X)", (unsigned)(uintptr_t)w);
        std::vector<std::string> out;
        for (const std::string& l : g_lines) {
            size_t at = l.find(tag);
            if (at != std::string::npos && at >= 3) out.push_back(l.substr(at - 3, 3));
        }
        return out;
    }
    using Tags = std::vector<std::string>;
    // A rule for the windows whose titles start with prefix.
    static Rule StartsWithRule(const char* prefix)
    {
        Rule r;
        InitRule(&r);
        r.cmpcaption = CMP_STARTS_WITH;
        SetRuleText(r.caption, sizeof(r.caption), &r.captionlen, prefix);
        r.cmpwndclss = r.cmpprogram = CMP_ANY;
        return r;
    }

    Profile profile = {};
    std::vector<HWND> windows;
};

}  // namespace

TEST_F(Pass, TitleChangeHidesAMoveUntilTheNextPass)
{
    HWND w = Window("Probe A");
    RunPass();
    EXPECT_EQ(Tags{"NEW"}, Events(w));
    SetWindowTextA(w, "Probe A renamed");
    SetWindowPos(w, nullptr, 150, 160, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    RunPass();
    EXPECT_EQ(Tags{"CHG"}, Events(w));
    RunPass();
    EXPECT_EQ(Tags{"POS"}, Events(w));
    RunPass();
    EXPECT_EQ(Tags{}, Events(w)) << "nothing changed";
    SetWindowPos(w, nullptr, 0, 0, 420, 330, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    RunPass();
    EXPECT_EQ(Tags{"SZE"}, Events(w));
    SetWindowPos(w, nullptr, 10, 20, 430, 340, SWP_NOZORDER | SWP_NOACTIVATE);
    RunPass();
    EXPECT_EQ(Tags{"RCT"}, Events(w));
    DestroyWindow(w);
    windows.clear();
    RunPass();
    EXPECT_EQ(Tags{"CLS"}, Events(w));
    EXPECT_EQ(-1, FindWindowEntry(w)) << "a closed window leaves the table";
}

TEST_F(Pass, MinimisedWindowThatMovesStaysQuiet)
{
    HWND w = Window("Probe B");
    RunPass();
    ShowWindow(w, SW_MINIMIZE);
    RunPass();
    EXPECT_EQ(Tags{"STA"}, Events(w));
    WINDOWPLACEMENT wp = {};
    wp.length = sizeof(wp);
    GetWindowPlacement(w, &wp);
    OffsetRect(&wp.rcNormalPosition, 40, 40);
    SetWindowPlacement(w, &wp);
    RunPass();
    EXPECT_EQ(Tags{}, Events(w)) << "positions count only in the normal state";
}

TEST_F(Pass, EmptyTitlesAreLoggedOnlyWhenAskedFor)
{
    HWND w = Window("");
    RunPass();
    EXPECT_EQ(Tags{}, Events(w));
    EXPECT_NE(-1, FindWindowEntry(w)) << "tracked all the same";
    Options.bMonIncludeEmpty = 1;
    SetWindowPos(w, nullptr, 5, 5, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    RunPass();
    Options.bMonIncludeEmpty = 0;
    EXPECT_EQ(Tags{"POS"}, Events(w));
}

TEST_F(Pass, NothingIsLoggedWithoutALogWindowOrFile)
{
    HWND log = g_logWindow;
    g_logWindow = nullptr;
    HWND w = Window("Probe Silent");
    RunPass();
    g_logWindow = log;
    EXPECT_EQ(Tags{}, Events(w));
    EXPECT_NE(-1, FindWindowEntry(w));
}

TEST_F(Pass, FullTableIgnoresTheNextWindow)
{
    HWND w = Window("Probe Full");
    for (int i = 0; i < WINDOW_TABLE_MAX; i++) {
        MonitoredWindow* e = &g_windowTable[i];
        memset(e, 0, sizeof(*e));
        e->hwnd = (HWND)(uintptr_t)(0x7F000000u + (unsigned)i);   // not real windows
        e->event = WEV_UNCHANGED;
        e->width = e->height = 10;
    }
    g_windowCount = WINDOW_TABLE_MAX;
    BeginWindowCollection(0);
    for (int k = 0, n = ListShownWindows(); k < n; k++) ReadShownWindow(k);
    EndWindowCollection();
    EXPECT_EQ(WINDOW_TABLE_MAX, g_windowCount);
    EXPECT_EQ(-1, FindWindowEntry(w)) << "the 4096th window is ignored";
    RunPass();   // none of the made-up windows is seen again: they leave
    EXPECT_EQ(0, g_windowCount) << "no room for the real windows until the pass ends";
    RunPass();
    EXPECT_NE(-1, FindWindowEntry(w)) << "room again: the window comes in";
}

TEST_F(Pass, HostileTitlesAndVanishingProcesses)
{
    std::string huge(5000, 'T');
    HWND w = Window(huge.c_str());
    TestWindow tw;
    ASSERT_TRUE(StartTestWindow(&tw, "--title \"Short lived\""));
    TerminateProcess(tw.process, 1);   // its window goes while passes run
    RunPass();
    RunPass();
    int at = FindWindowEntry(w);
    ASSERT_NE(-1, at);
    EXPECT_EQ(1023, g_windowTable[at].titleLength);
    for (const std::string& l : g_lines) EXPECT_LE(l.size(), 13u + 2030u + 2u);
    RunPass();
    StopTestWindow(&tw);
    RunPass();
    EXPECT_EQ(-1, FindWindowEntry(tw.hwnd));
}

TEST_F(Pass, APassNeverNests)
{
    HWND w = Window("Probe Nest");
    g_nestProfile = &profile;   // every log line starts a profile pass inside this one
    RunPass();
    g_nestProfile = nullptr;
    EXPECT_EQ(Tags{"NEW"}, Events(w));
    EXPECT_NE(-1, FindWindowEntry(w)) << "the nested pass did not empty the table";
    EXPECT_TRUE(PumpUntil([] { return g_workerPasses > 0; }, 5000)) << "it asked for a pass instead";
}

// While nothing is applied (program disabled, conditions not met), closed
// windows still leave the table and their rules' window lists; turned on
// again, the program reports nothing for them.
TEST_F(Pass, WindowsClosedWhileDisabledLeaveQuietly)
{
    Rule r = StartsWithRule("Probe Gone");
    ArrayAppend(profile.pRules, &r);
    HWND held = Window("Probe Gone held");
    RunPass();
    ASSERT_EQ(Tags{"NEW"}, Events(held));
    ASSERT_EQ(1, profile.pRules->data[0].windowCount);

    Options.bEnabled = 0;
    std::vector<HWND> closed = {held};
    for (int round = 0; round < 5; round++) {
        std::vector<HWND> batch;
        for (int i = 0; i < 30; i++) batch.push_back(MakeWindow("Probe Gone batch", 10 + i, 10 + i));
        RunPass();
        for (HWND w : batch) EXPECT_NE(-1, FindWindowEntry(w)) << "tracked while disabled";
        for (HWND w : batch) DestroyWindow(w);
        if (round == 0) DestroyWindow(held);
        RunPass();
        closed.insert(closed.end(), batch.begin(), batch.end());
        int left = 0;
        for (HWND w : closed) left += FindWindowEntry(w) != -1;
        EXPECT_EQ(0, left) << "round " << round << ": closed windows left in the table";
    }
    windows.clear();
    EXPECT_EQ(0, profile.pRules->data[0].windowCount) << "the rule let the closed window go";

    Options.bEnabled = 1;
    RunPass();
    for (HWND w : closed) EXPECT_EQ(Tags{}, Events(w)) << "nothing reported late";
}

// A table entry whose handle now belongs to a window of another thread is
// not taken for that window: the old one closes, the new one comes in.
TEST_F(Pass, ARecycledHandleIsANewWindow)
{
    HWND w = Window("Probe Recycled");
    RunPass();
    int at = FindWindowEntry(w);
    ASSERT_NE(-1, at);
    MonitoredWindow& e = g_windowTable[at];
    EXPECT_EQ(GetCurrentThreadId(), e.threadId);
    EXPECT_EQ(GetCurrentProcessId(), e.processId);
    // As if the window had closed and its handle gone to a window of a
    // thread that no longer exists.
    e.threadId = 0xFFFFFFF0u;
    CopyText(e.className, sizeof(e.className), "OldClass");
    e.classLength = 8;
    RunPass();
    EXPECT_EQ((Tags{"CLS", "NEW"}), Events(w));
    int count = 0;
    for (int i = 0; i < g_windowCount; i++) count += g_windowTable[i].hwnd == w;
    EXPECT_EQ(1, count);
    at = FindWindowEntry(w);
    ASSERT_NE(-1, at);
    EXPECT_STREQ("PassProbe", g_windowTable[at].className);
    EXPECT_EQ(GetCurrentThreadId(), g_windowTable[at].threadId);
}

// What cannot change in a window's life is read once: a profile-applied pass
// that forgets every window keeps it for the windows that are still there.
TEST_F(Pass, AppliedPassKeepsWhatCannotChange)
{
    HWND w = Window("Probe Kept");
    RunPass();
    int at = FindWindowEntry(w);
    ASSERT_NE(-1, at);
    // Only a pass that reads the class again would see the real one.
    CopyText(g_windowTable[at].className, sizeof(g_windowTable[at].className), "KeptClass");
    g_windowTable[at].classLength = 9;
    g_lines.clear();
    MonitorPass(&profile, 1, 0, 0);
    EXPECT_EQ(Tags{"NEW"}, Events(w)) << "every window comes in as new";
    at = FindWindowEntry(w);
    ASSERT_NE(-1, at);
    EXPECT_STREQ("KeptClass", g_windowTable[at].className);
    bool logged = false;
    for (const std::string& l : g_lines) logged |= l.find("CLASS(KeptClass)") != std::string::npos;
    EXPECT_TRUE(logged);
}

// A pass acts first on the windows that closed, so that their rules let go
// of them, then on the shown windows from the top down: a window that takes
// the place of one a single-window rule held gets that rule in the same pass,
// and a window that just appeared on top is acted on before the windows
// below it.
TEST_F(Pass, ClosedWindowsFirstThenShownOnesFromTheTop)
{
    Rule r = StartsWithRule("Probe Single");
    r.ignifex = 1;   // not while it holds a window already
    r.ignifexnum = 1;
    ArrayAppend(profile.pRules, &r);
    const Rule& rule = profile.pRules->data[0];
    for (bool destroy : {false, true}) {
        SCOPED_TRACE(destroy ? "the held window is destroyed" : "the held window is hidden");
        HWND below = Window("Probe Below", 40, 40);
        HWND old = Window("Probe Single old");
        RunPass();
        ASSERT_EQ(1, rule.windowCount);
        ASSERT_EQ(old, rule.windows[0]);
        SetWindowPos(below, nullptr, 60, 70, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        if (destroy)
            DestroyWindow(old);
        else
            ShowWindow(old, SW_HIDE);
        HWND fresh = Window("Probe Single new");
        RunPass();
        ASSERT_EQ(Tags{"CLS"}, Events(old));
        ASSERT_EQ(Tags{"NEW"}, Events(fresh));
        ASSERT_EQ(Tags{"POS"}, Events(below));
        EXPECT_EQ(1, rule.windowCount);
        EXPECT_EQ(fresh, rule.windows[0]) << "the closed window let go of the rule first";
        auto lineOf = [&](HWND w) {
            char tag[32];
            FormatText(tag, sizeof(tag), ": HWND(%08X)", (unsigned)(uintptr_t)w);
            for (size_t i = 0; i < g_lines.size(); i++)
                if (g_lines[i].find(tag) != std::string::npos) return (int)i;
            return -1;
        };
        EXPECT_LT(lineOf(old), lineOf(fresh));
        EXPECT_LT(lineOf(fresh), lineOf(below)) << "the new window on top comes before the one below";
        for (HWND w : {below, old, fresh}) DestroyWindow(w);
        windows.clear();
        RunPass();
        ASSERT_EQ(0, rule.windowCount);
    }
}
