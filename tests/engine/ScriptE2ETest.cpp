// ScriptE2ETest.cpp - scripts run by the real program: a profile's activate
// script started by the switch command drives a helper window; RUN, STOP and
// TERMINATE; continue modes; the "On Match" condition; scripts that switch to
// each other; BLINK's red frame; and scripts that wait or hang while the
// program quits.
#include "engine/ProductIds.h"
#include "framework/core/AppObject.h"
#include "framework/core/TextUtil.h"
#include "tests/support/ProgramFixture.h"

#include <string.h>

#include <string>
#include <vector>

namespace {

// A profile whose activate script is script (none when empty).
ProfileSpec ScriptProfile(const char* name, const std::string& script, const std::vector<Rule>& rules = {})
{
    ProfileSpec wanted = {name, nullptr, rules};
    if (!script.empty())
        wanted.configure = [script](Profile& p) {
            p.bAdvCmdEnable[0] = 1;
            CopyText(p.szAdvCmdText[0], sizeof(p.szAdvCmdText[0]), script.c_str());
        };
    return wanted;
}

Rule ScriptRule(const char* name, const char* caption, int slot, const std::string& script)
{
    Rule r = TitleRule(name, caption, CMP_EQUALS);
    r.cmdenable[slot] = 1;
    CopyText(r.cmdtext[slot], sizeof(r.cmdtext[slot]), script.c_str());
    r.cmdactive = 1;
    return r;
}

std::string WindowTitle(HWND window)
{
    char title[256] = {};
    GetWindowTextA(window, title, sizeof(title));
    return title;
}

struct TitleSearch {
    std::string prefix;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectTitled(HWND window, LPARAM data)
{
    TitleSearch* s = (TitleSearch*)data;
    if (IsWindowVisible(window) && WindowTitle(window).compare(0, s->prefix.size(), s->prefix) == 0)
        s->found.push_back(window);
    return TRUE;
}

// Visible top-level windows whose title begins with the prefix.
std::vector<HWND> WindowsTitled(const std::string& prefix)
{
    TitleSearch s{prefix, {}};
    EnumWindows(CollectTitled, (LPARAM)&s);
    return s.found;
}

void EndProcessesOfWindowsTitled(const std::string& prefix)
{
    for (HWND w : WindowsTitled(prefix)) {
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
        if (!process) continue;
        TerminateProcess(process, 1);
        WaitForSingleObject(process, 5000);
        CloseHandle(process);
    }
}

struct FrameSearch {
    DWORD pid;
    HWND found;
};

BOOL CALLBACK FindFrame(HWND window, LPARAM data)
{
    FrameSearch* s = (FrameSearch*)data;
    char name[64] = {};
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != s->pid || !IsWindowVisible(window) || !GetClassNameA(window, name, sizeof(name)) ||
        strcmp(name, "PanelShepherdCaptureOverlay") != 0)
        return TRUE;
    s->found = window;
    return FALSE;
}

// The capture frame the process shows, or null.
HWND ShownFrame(DWORD pid)
{
    FrameSearch s{pid, nullptr};
    EnumWindows(FindFrame, (LPARAM)&s);
    return s.found;
}

void PressCapsLock()
{
    INPUT keys[2] = {};
    keys[0].type = keys[1].type = INPUT_KEYBOARD;
    keys[0].ki.wVk = keys[1].ki.wVk = VK_CAPITAL;
    keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, keys, sizeof(INPUT));
}

}  // namespace

class ProgramScripts : public ProgramTest {
protected:
    void TearDown() override
    {
        ProgramTest::TearDown();
        EndProcessesOfWindowsTitled("PSRun");
    }
    // A test window with its edit and button.
    TestWindow* OpenTitled(const std::string& title, const std::string& more = "")
    {
        return Open("--title \"" + title + "\" --controls 1 " + more);
    }
    // The program has seen the window: its pass logged it.
    bool WaitForLogged(const std::string& title) { return WaitForLog("TITLE(" + title + ")") != std::string::npos; }
    // Switches to the profile at this index of the name-sorted list, which runs its activate script.
    void SwitchTo(int index) { PostMessageA(run.main, ZRPMSG_COMMAND, MAKEWPARAM(1101 + index, 0), 0); }
    bool WaitForTitle(HWND window, const std::string& title, DWORD ms = 15000)
    {
        return PumpUntil([&] { return WindowTitle(window) == title; }, ms);
    }
};

TEST_F(ProgramScripts, ProfileScriptTypesClicksAndRaisesTheHelper)
{
    // No ATTACH here: attaching input resets the key states the helper reports.
    std::string script =
        "; the helper gets typed text, a click and the top of the z-order\r\n"
        "WINDOW(\"PS Script Target\", \"\", \"testwindow\", 5000)\r\n"
        "STATE(3)\r\n"
        "TYPE(\"Typed, 08 exactly\")\r\n"
        "; the keys are queued: wait until the edit has them\r\n"
        "CONTROL(1001, \"Typed, 08 exactly\", \"Edit\", 5000)\r\n"
        "CONTROL(1002)\r\n"
        "CLICK(0, 50%, 50%)\r\n"
        "WINDOW(\"PS Script Target\")\r\n"
        "TITLE(\"PS Script Done\")\r\n";
    ASSERT_TRUE(WriteProfiles({ScriptProfile("A Idle", ""), ScriptProfile("B Script", script)}));
    TestWindow* w = OpenTitled("PS Script Target", "--rect 150,150,420,300");
    ASSERT_TRUE(Start());

    // Caps Lock on before the run: typing must neither change case nor leave it off.
    PressCapsLock();
    ASSERT_TRUE(PumpUntil([&] {
        TestWindowControls c;
        return ReadTestWindowControls(w, &c) && c.capsLock;
    }, 5000)) << "the helper sees Caps Lock on";

    SwitchTo(1);
    ASSERT_TRUE(WaitForTitle(w->hwnd, "PS Script Done")) << WindowTitle(w->hwnd);
    // The title is set by a sent message, which overtakes input still queued.
    TestWindowControls c;
    EXPECT_TRUE(PumpUntil([&] {
        return ReadTestWindowControls(w, &c) && c.edit == "Typed, 08 exactly" && c.clicks == 1 && c.capsLock;
    }, 5000)) << "edit \"" << c.edit << "\", clicks " << c.clicks << ", Caps Lock " << c.capsLock;
    TestWindowReport r;
    ASSERT_TRUE(TestWindowStep(w, "report", &r));
    EXPECT_TRUE(r.topmost);

    PressCapsLock();
    EXPECT_TRUE(PumpUntil([&] { return ReadTestWindowControls(w, &c) && !c.capsLock; }, 5000));
}

TEST_F(ProgramScripts, RunOnceStartsOneProcessAndTerminateEndsThem)
{
    std::string program = BinPath("testwindow.exe");
    std::string runOnce = "RUN(\"" + program + "\", \"--stay 1 --title PSRunOnce\", 257, 1)\r\n";
    std::string starts = runOnce +
                         "WINDOW(\"PSRunOnce\", \"\", \"\", 10000)\r\n" + runOnce +
                         "RUN(\"" + program + "\", \"--stay 1 --title PSRunMarker\", 257)\r\n"
                         "WINDOW(\"PSRunMarker\", \"\", \"\", 10000)\r\n"
                         "TITLE(\"PSRunMarker Seen\")\r\n";
    std::string ends = "TERMINATE(\"testwindow\", \"PSRun\")\r\n";
    ASSERT_TRUE(WriteProfiles(
        {ScriptProfile("A Idle", ""), ScriptProfile("B Start", starts), ScriptProfile("C End", ends)}));
    ASSERT_TRUE(Start());
    SwitchTo(1);
    ASSERT_TRUE(PumpUntil([] { return WindowsTitled("PSRunMarker Seen").size() == 1; }, 20000));
    EXPECT_EQ(1u, WindowsTitled("PSRunOnce").size()) << "the second RUN found the first window";

    ASSERT_TRUE(WaitForLogged("PSRunOnce"));
    ASSERT_NE(std::string::npos, WaitForLog("TITLE(PSRunMarker"));
    SwitchTo(2);
    EXPECT_TRUE(PumpUntil([] { return WindowsTitled("PSRun").empty(); }, 15000))
        << WindowsTitled("PSRun").size() << " left";
}

TEST_F(ProgramScripts, StopOfAnAbsentProgramGoesOnAndContinueModesHold)
{
    std::string script =
        "STOP(\"no-such-program.exe\")\r\n"
        "STOP(\"testwindow\", \"PS Stop Victim\")\r\n"
        "CONTINUE(1)\r\n"
        "WINDOW(\"PS Nowhere\")\r\n"
        "CONTINUE(2)\r\n"
        "WINDOW(\"PS Nowhere Either\")\r\n"
        "CONTINUE(0)\r\n"
        "WINDOW(\"PS Stop Target\")\r\n"
        "TITLE(\"PS After Stop\")\r\n";
    ASSERT_TRUE(WriteProfiles({ScriptProfile("A Idle", ""), ScriptProfile("B Script", script)}));
    TestWindow* victim = OpenTitled("PS Stop Victim");
    TestWindow* target = OpenTitled("PS Stop Target");
    ASSERT_TRUE(Start());
    ASSERT_TRUE(WaitForLogged("PS Stop Victim"));
    SwitchTo(1);
    EXPECT_TRUE(WaitForTitle(target->hwnd, "PS After Stop")) << WindowTitle(target->hwnd);
    EXPECT_TRUE(PumpUntil([&] { return WaitForSingleObject(victim->process, 0) == WAIT_OBJECT_0; }, 10000))
        << "the victim got WM_CLOSE";
}

TEST_F(ProgramScripts, OnMatchScriptDecidesWhetherTheRuleApplies)
{
    auto placed = [](Rule r) {
        r.moveto = 1;
        r.x = 333;
        r.y = 222;
        return r;
    };
    ASSERT_TRUE(WriteProfile({
        placed(ScriptRule("Yes", "PS Match Yes", 8, "WAIT(0)")),
        placed(ScriptRule("No", "PS Match No", 8, "WINDOW(\"PS Nowhere\")")),
        placed(ScriptRule("Absent", "PS Match Absent", 8, "CONTINUE(2)\r\nWINDOW(\"PS Nowhere\")")),
        placed(ScriptRule("Present", "PS Match Present", 8, "CONTINUE(2)\r\nWINDOW(\"PS Match Blocker\")")),
    }));
    ASSERT_TRUE(Start());
    OpenTitled("PS Match Blocker", "--rect 40,40,200,150");
    TestWindow* no = OpenTitled("PS Match No", "--rect 50,60,300,200");
    TestWindow* present = OpenTitled("PS Match Present", "--rect 60,70,300,200");
    ASSERT_TRUE(WaitForLogged("PS Match No"));
    ASSERT_TRUE(WaitForLogged("PS Match Present"));
    TestWindow* yes = OpenTitled("PS Match Yes", "--rect 70,80,300,200");
    TestWindow* absent = OpenTitled("PS Match Absent", "--rect 80,90,300,200");
    TestWindowReport r;
    for (TestWindow* w : {yes, absent}) {
        EXPECT_TRUE(PumpUntil([&] { return TestWindowStep(w, "report", &r) && r.rect.left == 333 && r.rect.top == 222; },
                              10000))
            << "the condition held: " << r.rect.left << "," << r.rect.top;
    }
    // Their passes came before the ones that placed the later windows.
    ASSERT_TRUE(TestWindowStep(no, "report", &r));
    EXPECT_EQ(50, r.rect.left) << "the condition failed: left alone";
    ASSERT_TRUE(TestWindowStep(present, "report", &r));
    EXPECT_EQ(60, r.rect.left) << "a present window fails a CONTINUE(2) condition";
}

TEST_F(ProgramScripts, ProfilesWhoseScriptsSwitchToEachOtherComeToRest)
{
    ASSERT_TRUE(WriteProfiles(
        {ScriptProfile("A Ping", "PROFILE(\"B Pong\")"), ScriptProfile("B Pong", "PROFILE(\"a ping\")")}));
    ASSERT_TRUE(Start());
    // The start-up switch, then one switch per script until a switch runs none.
    const int expected = 1 + 9;
    const std::string line = "PRF: Switching Profile (";
    ASSERT_TRUE(PumpUntil([&] { return CountOf(Log(), line) >= expected; }, 20000)) << Log();
    ASSERT_EQ(0, Quit());
    std::string log = Log();
    EXPECT_EQ(expected, CountOf(log, line)) << log;
    EXPECT_EQ(5, CountOf(log, "PRF: Switching Profile (B Pong)"));
}

// The same through the rules' "On Open" scripts, which the worker starts for
// a new window and each switch's pass starts again.
TEST_F(ProgramScripts, RuleScriptsThatSwitchToEachOtherComeToRest)
{
    ASSERT_TRUE(WriteProfiles(
        {ScriptProfile("A Ping", "", {ScriptRule("Ping", "PS Ping Pong", 0, "PROFILE(\"B Pong\")")}),
         ScriptProfile("B Pong", "", {ScriptRule("Pong", "PS Ping Pong", 0, "PROFILE(\"a ping\")")})}));
    ASSERT_TRUE(Start());
    const std::string line = "PRF: Switching Profile (";
    ASSERT_NE(std::string::npos, WaitForLog(line));
    OpenTitled("PS Ping Pong");
    // The start-up switch, then one switch per script until a switch runs none.
    const int expected = 1 + 9;
    ASSERT_TRUE(PumpUntil([&] { return CountOf(Log(), line) >= expected; }, 20000)) << Log();
    ULONGLONG start = GetTickCount64();
    ASSERT_EQ(0, Quit(10000)) << "the program ends at once";
    printf("quit took %llu ms\n", (unsigned long long)(GetTickCount64() - start));
    std::string log = Log();
    EXPECT_EQ(expected, CountOf(log, line)) << log;
    EXPECT_EQ(5, CountOf(log, "PRF: Switching Profile (B Pong)"));
}

TEST_F(ProgramScripts, BlinkFramesTheWindowAndTakesTheFrameAwayEachTime)
{
    ASSERT_TRUE(WriteProfile({ScriptRule("Blink", "PS Blink Target", 0, "BLINK(2, 800)")}));
    ASSERT_TRUE(Start());
    TestWindow* w = OpenTitled("PS Blink Target", "--rect 120,130,360,240");
    for (int pass = 0; pass < 2; pass++) {
        SCOPED_TRACE(testing::Message() << "blink " << pass + 1);
        HWND frame = nullptr;
        ASSERT_TRUE(PumpUntil([&] { return (frame = ShownFrame(run.child.pid)) != nullptr; }, 15000))
            << "no red frame came";
        // Wine's desktop window manager gives no frame bounds: the window rectangle.
        RECT framed = {}, bounds = {};
        ASSERT_TRUE(GetWindowRect(frame, &framed));
        ASSERT_TRUE(GetWindowRect(w->hwnd, &bounds));
        EXPECT_TRUE(EqualRect(&framed, &bounds))
            << framed.left << "," << framed.top << "," << framed.right << "," << framed.bottom;
        EXPECT_TRUE(GetWindowLongA(frame, GWL_EXSTYLE) & WS_EX_TOPMOST) << "the frame lies over the window";
        EXPECT_TRUE(PumpUntil([&] { return !IsWindow(frame); }, 10000)) << "the frame stayed";
    }
}

TEST_F(ProgramScripts, WaitingAndHangingScriptsDoNotHoldTheQuit)
{
    std::string hang = "WINDOW(\"PS Hang Target\")\r\nTITLE(\"PS Hanging\")\r\nWAIT(600000)\r\n";
    std::string hangMatch = "WINDOW(\"PS Hang Match\")\r\nTITLE(\"PS Match Hanging\")\r\nWAIT(600000)\r\n";
    std::string waited = "WAIT(-1)\r\nWINDOW(\"PS Quit Target\")\r\nTITLE(\"PS Waited\")";
    ASSERT_TRUE(WriteProfiles({ScriptProfile("A Idle", ""),
                               ScriptProfile("B Script", waited,
                                             {ScriptRule("Hang", "PS Hang Target", 0, hang),
                                              ScriptRule("Hang Match", "PS Hang Match", 8, hangMatch)})}));
    TestWindow* quitTarget = OpenTitled("PS Quit Target");
    ASSERT_TRUE(Start());
    SwitchTo(1);
    ASSERT_TRUE(WaitForTitle(quitTarget->hwnd, "PS Waited")) << "WAIT(-1) is no wait";
    TestWindow* hanging = OpenTitled("PS Hang Target");
    ASSERT_TRUE(WaitForTitle(hanging->hwnd, "PS Hanging"));
    TestWindow* matching = OpenTitled("PS Hang Match");
    ASSERT_TRUE(WaitForTitle(matching->hwnd, "PS Match Hanging")) << "the pass now waits for the condition";

    FILETIME before = {};
    GetSystemTimeAsFileTime(&before);
    ULONGLONG start = GetTickCount64();
    EXPECT_EQ(0, Quit(10000)) << "the program ends while its scripts still wait";
    printf("quit took %llu ms\n", (unsigned long long)(GetTickCount64() - start));
    // The waiting condition did not keep the save from the profiles.
    for (const char* file : {"Profile0.zpx", "Profile1.zpx"}) {
        WIN32_FILE_ATTRIBUTE_DATA data = {};
        ASSERT_TRUE(GetFileAttributesExA(Data(file).c_str(), GetFileExInfoStandard, &data));
        EXPECT_GE(CompareFileTime(&data.ftLastWriteTime, &before), 0) << file << " saved at the quit";
    }
}
