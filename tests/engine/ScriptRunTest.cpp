// ScriptRunTest.cpp - scripts run on their own thread in this process against
// real windows: result codes and continue modes, check-only mode, input into a
// helper's controls, placement, STOP and TERMINATE, hung windows, and the
// requests a script leaves to the main window.
#include "engine/Engine.h"
#include "engine/ProductIds.h"
#include "engine/Script.h"
#include "engine/ScriptInternal.h"
#include "engine/ScriptRequests.h"
#include "engine/WindowBlink.h"
#include "engine/WindowTable.h"
#include "framework/core/MonitorTable.h"
#include "framework/core/TextUtil.h"
#include "tests/support/FakeVirtualDesktop.h"
#include "tests/support/TestEnv.h"
#include "tests/support/TestWindowClient.h"

#include <gtest/gtest.h>

#include <stdlib.h>
#include <string.h>

#include <memory>
#include <string>
#include <vector>

namespace {

const uint32_t kNotEnded = 0xDEADBEEF;

// A window of this process that records the messages it is sent or posted.
struct Recorder {
    struct Message {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
        std::string text;   // a profile request's name
    };
    HWND window = nullptr;
    std::vector<Message> messages;
};
Recorder* g_recorder;

LRESULT CALLBACK RecorderProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (g_recorder && (message == WM_CAPTUREFRAME || message == WM_SCRIPTREQUEST || message == WM_TRAY_MINIMIZE)) {
        Recorder::Message m = {message, wParam, lParam, ""};
        if (message == WM_SCRIPTREQUEST && wParam == SCRIPT_REQUEST_PROFILE) {
            ScriptProfileRequest* r = (ScriptProfileRequest*)lParam;
            m.text = r->name;
            m.wParam = r->switchChain;   // kept for the test; the request is freed here
            free(r);
            m.lParam = SCRIPT_REQUEST_PROFILE;
        }
        g_recorder->messages.push_back(m);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND CreateRecorderWindow(const char* title)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = RecorderProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "PSScriptRecorder";
    RegisterClassA(&wc);
    return CreateWindowExA(0, "PSScriptRecorder", title, WS_OVERLAPPEDWINDOW, 50, 50, 200, 150, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

// A top-level window whose thread stops answering once it was created.
struct HungWindow {
    HANDLE release = nullptr;
    HANDLE thread = nullptr;
    HWND window = nullptr;
};

DWORD WINAPI HungWindowThread(void* param)
{
    HungWindow* h = (HungWindow*)param;
    HWND w = CreateWindowExA(0, "STATIC", "PS Hung Window", WS_OVERLAPPED | WS_VISIBLE, 300, 300, 200, 100,
                             nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    InterlockedExchangePointer((void**)&h->window, w);
    WaitForSingleObject(h->release, INFINITE);   // no message is handled until released
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
    if (IsWindow(w)) DestroyWindow(w);
    return 0;
}

}  // namespace

class Scripts : public testing::Test {
protected:
    void SetUp() override
    {
        InitTableLock();
        RefreshMonitors();
        g_windowCount = 0;
        g_mainWindow = nullptr;
        g_virtualDesktop = nullptr;
    }
    void TearDown() override
    {
        for (auto& w : windows) StopTestWindow(w.get());
        EnterTableLock(100);
        g_windowCount = 0;
        LeaveTableLock();
        g_mainWindow = nullptr;
        g_virtualDesktop = nullptr;
        g_recorder = nullptr;
        if (recorder.window) DestroyWindow(recorder.window);
    }
    TestWindow* Open(const std::string& title, const std::string& more = "")
    {
        windows.emplace_back(new TestWindow());
        TestWindow* w = windows.back().get();
        EXPECT_TRUE(StartTestWindow(w, "--title \"" + title + "\" --controls 1 --rect 200,160,420,300 " + more));
        return w;
    }
    // Runs the script in slot 0 on a thread of its own, as the callers do, and
    // returns its result; kNotEnded when it did not end in time.
    uint32_t Run(const std::string& script, uint32_t mode = SCRIPT_RUN, HWND window = nullptr,
                 ScriptThreadContext* after = nullptr, DWORD ms = 30000)
    {
        ScriptThreadContext* c = (ScriptThreadContext*)calloc(1, sizeof(ScriptThreadContext));
        CopyText(c->rule.cmdtext[0], sizeof(c->rule.cmdtext[0]), script.c_str());
        c->mode = mode;
        c->window.hwnd = window;
        HANDLE thread = CreateThread(nullptr, 0, RunCommandScript, c, 0, nullptr);
        if (!thread) return kNotEnded;
        bool ended = PumpUntil([&] { return WaitForSingleObject(thread, 0) == WAIT_OBJECT_0; }, ms);
        DWORD code = kNotEnded;
        if (ended) GetExitCodeThread(thread, &code);
        CloseHandle(thread);
        if (ended) {
            if (after) *after = *c;
            free(c);   // a thread still running keeps its context
        }
        return code;
    }
    void UseRecorderAsMainWindow()
    {
        recorder.window = CreateRecorderWindow("PS Recorder");
        ASSERT_TRUE(recorder.window);
        g_recorder = &recorder;
        g_mainWindow = recorder.window;
    }
    // Puts a window into the monitored-window table, as a pass would.
    void Track(HWND window, const char* title, const char* program)
    {
        ASSERT_TRUE(EnterTableLock(100));
        MonitoredWindow* e = &g_windowTable[g_windowCount++];
        *e = MonitoredWindow{};
        e->hwnd = window;
        CopyText(e->title, sizeof(e->title), title);
        CopyText(e->program, sizeof(e->program), program);
        LeaveTableLock();
    }
    TestWindowControls Controls(TestWindow* w)
    {
        TestWindowControls c;
        EXPECT_TRUE(ReadTestWindowControls(w, &c));
        return c;
    }
    std::vector<std::unique_ptr<TestWindow>> windows;
    Recorder recorder;
};

TEST_F(Scripts, NoCommandGivesItsOwnCode)
{
    for (const char* script : {"", "; only a comment", "; one\n; two\r\n", "   \r\n\t", "lowercase(1) WAITING(2)"}) {
        SCOPED_TRACE(script);
        EXPECT_EQ((uint32_t)SCRIPT_NO_COMMAND, Run(script));
        EXPECT_EQ((uint32_t)SCRIPT_NO_COMMAND, Run(script, SCRIPT_CHECK_ONLY));
    }
    EXPECT_EQ(0u, Run("; comment\nWAIT(0)")) << "a statement after a comment line ends by LF";
    EXPECT_EQ((uint32_t)SCRIPT_NO_COMMAND, Run("x;WAIT(0)")) << "a statement only begins after a blank";
}

TEST_F(Scripts, CheckOnlyReportsArgumentErrorsAndDoesNothing)
{
    static const struct {
        const char* script;
        uint32_t result;
    } kChecks[] = {
        {"WINDOW()", 0x10064},           {"WINDOW(\"a\",,,soon)", 0x10264}, {"CONTROL(abc)", 0x20264},
        {"CONTROL(1,,,soon)", 0x20064},  {"CLICK(9)", 0x30164},             {"CLICK(0,left)", 0x30264},
        {"TYPE()", 0x40064},             {"KEY()", 0x50064},                {"KEY(C+S+A)", 0x50465},
        {"KEY(VK_NOTHING)", 0x50465},    {"KEY(S+C+A+W+VK_F5)", 0},         {"WAIT()", 0x60064},
        {"WAIT(soon)", 0x60264},         {"RUN(\"x.exe\")", 0x70064},       {"RUN(\"x.exe\",,big)", 0x70264},
        {"STOP()", 0x80064},             {"STOP(,\"t\",2)", 0},             {"MOVE()", 0xA0064},
        {"MOVE(left)", 0xA0264},         {"MOVE(1,2,one)", 0xA0264},        {"MOVE(1,2,,SIDEWAYS)", 0xA0264},
        {"MOVE(R,R,,center,Bottom-Top,K)", 0},                              {"SIZE()", 0xB0064},
        {"SIZE(a)", 0xB0264},            {"SIZE(1,2,HUGE)", 0xB0264},       {"SIZE(1,2,relative,ABSOLUTE)", 0},
        {"STATE()", 0xC0264},            {"STATE(7)", 0xC0164},             {"ENABLE(x)", 0xD0264},
        {"PROFILE()", 0xE0064},          {"DESKTOP(x)", 0xF0264},           {"ATTACH()", 0x100064},
        {"TITLE()", 0x110064},           {"BLINK()", 0},                    {"DRAG(0,1,2,3)", 0x130064},
        {"DRAG(0,1,2,3,x)", 0x130264},   {"SETREF(SIDE)", 0x140264},        {"SETREF(mouse)", 0},
        {"CONTINUE()", 0x150064},        {"CONTINUE(3)", 0x150164},         {"TERMINATE()", 0x160064},
        {"WAIT(1) WAIT(x)", 0x60264},    {"WAIT(1)\nKEY(S+A", 0x50064},
    };
    for (const auto& c : kChecks) {
        SCOPED_TRACE(c.script);
        EXPECT_EQ(c.result, Run(c.script, SCRIPT_CHECK_ONLY)) << std::hex << Run(c.script, SCRIPT_CHECK_ONLY);
    }

    // Nothing is done in check-only mode; the same script run changes the window.
    TestWindow* w = Open("PS Check Only");
    std::string script = "WINDOW(\"PS Check Only\")\r\nTITLE(\"PS Was Run\")\r\nENABLE(0)";
    EXPECT_EQ(0u, Run(script, SCRIPT_CHECK_ONLY));
    char title[64] = {};
    GetWindowTextA(w->hwnd, title, sizeof(title));
    EXPECT_STREQ("PS Check Only", title);
    EXPECT_TRUE(IsWindowEnabled(w->hwnd));
    EXPECT_EQ(0u, Run(script));
    GetWindowTextA(w->hwnd, title, sizeof(title));
    EXPECT_STREQ("PS Was Run", title);
}

TEST_F(Scripts, FailingStatementIsWhereTheScriptStopped)
{
    ScriptThreadContext after;
    EXPECT_EQ(0x50064u, Run("WAIT(1)\nKEY(S+A", SCRIPT_RUN, nullptr, &after));
    EXPECT_EQ(8u, after.scriptPosition) << "the statement that failed";
    EXPECT_EQ(15u, after.scriptLength) << "the offset reached";

    // A selection runs only the statements inside it.
    ScriptThreadContext* c = (ScriptThreadContext*)calloc(1, sizeof(ScriptThreadContext));
    CopyText(c->rule.cmdtext[3], sizeof(c->rule.cmdtext[3]), "WAIT(x)\nWAIT(0)\nTITLE()");
    c->slot = 3;
    c->mode = SCRIPT_CHECK_ONLY;
    c->scriptPosition = 8;
    c->scriptLength = 7;
    EXPECT_EQ(0u, RunCommandScript(c)) << "only WAIT(0) is inside the range";
    c->scriptPosition = 8;
    c->scriptLength = 0;
    EXPECT_EQ(0x110064u, RunCommandScript(c)) << "from WAIT(0) to the end";
    free(c);
}

TEST_F(Scripts, ContinueModesDecideWhatAFailureMeans)
{
    TestWindow* w = Open("PS Continue Target");
    const std::string here = "WINDOW(\"PS Continue Target\")\n";
    const std::string absent = "WINDOW(\"PS Nowhere To Be Seen\")\n";
    static const struct {
        const char* why;
        const char* mode;
        bool present;   // the WINDOW statement names the window that is there
        const char* rest;
        uint32_t result;
    } kCases[] = {
        {"a window that is there", "", true, "", 0},
        {"a window that is absent fails", "", false, "", 0x10065},
        {"mode 1 ignores the failure", "CONTINUE(1)\n", false, "", 0},
        {"mode 2: present is a failure", "CONTINUE(2)\n", true, "", 0x10065},
        {"mode 2: absent is a success", "CONTINUE(2)\n", false, "", 0},
        {"a control that is absent", "", true, "CONTROL(4242)", 0x20165},
        {"mode 2: the control that is there fails", "", true, "CONTINUE(2) CONTROL(1002)", 0x20165},
        {"mode 2: a control that is absent passes", "", true, "CONTINUE(2) CONTROL(4242)", 0},
        {"mode 1: after a missed control there is no window to click", "", true,
         "CONTINUE(1) CONTROL(4242) CLICK(0)", 0x30065},
        {"close without a window fails in mode 0", "CONTINUE(1)\n", false, "CONTINUE(0) CLOSE()", 0x90065},
        {"close without a window passes in mode 2", "CONTINUE(2)\n", false, "CLOSE()", 0},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.why);
        std::string script = std::string(c.mode) + (c.present ? here : absent) + c.rest;
        EXPECT_EQ(c.result, Run(script)) << std::hex << script;
    }
    // Mode 1 goes on after the failure and the later steps still act.
    EXPECT_EQ(0u, Run("CONTINUE(1)\n" + absent + here + "TITLE(\"PS Went On\")"));
    char title[64] = {};
    GetWindowTextA(w->hwnd, title, sizeof(title));
    EXPECT_STREQ("PS Went On", title);
    // A later failure under mode 0 again ends the script.
    EXPECT_EQ(0x10065u, Run("CONTINUE(1)\n" + absent + "CONTINUE(0)\n" + absent + "TITLE(\"PS Not Reached\")"));
    GetWindowTextA(w->hwnd, title, sizeof(title));
    EXPECT_STREQ("PS Went On", title);
}

TEST_F(Scripts, WindowTimeOutWaitsForAWindowThatComesLater)
{
    EXPECT_EQ(0x10065u, Run("WINDOW(\"PS Late Window\",,,35)")) << "none there: fails after its time-out";
    ScriptThreadContext* c = (ScriptThreadContext*)calloc(1, sizeof(ScriptThreadContext));
    CopyText(c->rule.cmdtext[0], sizeof(c->rule.cmdtext[0]), "WINDOW(\"PS Late Window\",,,20000)\nTITLE(\"PS Late Found\")");
    c->mode = SCRIPT_RUN;
    HANDLE thread = CreateThread(nullptr, 0, RunCommandScript, c, 0, nullptr);
    ASSERT_TRUE(thread);
    TestWindow* w = Open("PS Late Window");
    ASSERT_TRUE(PumpUntil([&] { return WaitForSingleObject(thread, 0) == WAIT_OBJECT_0; }, 30000));
    DWORD code = 1;
    GetExitCodeThread(thread, &code);
    CloseHandle(thread);
    free(c);
    EXPECT_EQ(0u, code);
    char title[64] = {};
    GetWindowTextA(w->hwnd, title, sizeof(title));
    EXPECT_STREQ("PS Late Found", title);
}

TEST_F(Scripts, TypeKeyClickAndEnableReachTheHelpersControls)
{
    TestWindow* w = Open("PS Input Target");
    const std::string target = "ATTACH(1)\nWINDOW(\"PS Input Target\")\n";
    // "\xE9" (e acute) has no key on the US layout here: it goes as a Unicode packet.
    EXPECT_EQ(0u, Run(target + "CONTROL(1001)\nTYPE(\"Hi, 08 a\xE9z\")"));
    EXPECT_TRUE(PumpUntil([&] { return Controls(w).edit == "Hi, 08 a\xE9z"; }, 5000)) << Controls(w).edit;
    EXPECT_EQ(0u, Run(target + "CONTROL(1001)\nKEY(VK_BACK)\nKEY(S+Q)"));
    EXPECT_TRUE(PumpUntil([&] { return Controls(w).edit == "Hi, 08 a\xE9Q"; }, 5000)) << Controls(w).edit;
    EXPECT_EQ(0x50465u, Run(target + "CONTROL(1001)\nKEY(C+S+A)")) << "prefixes out of order";
    EXPECT_EQ(0x50065u, Run("KEY(VK_F5)")) << "no current window";

    RECT button = {};
    GetWindowRect(GetDlgItem(w->hwnd, kTestButtonId), &button);
    EXPECT_EQ(0u, Run(target + "CONTROL(1002)\nCLICK(x, 50%, 50%)")) << "not a number: only moves";
    POINT cursor = {};
    GetCursorPos(&cursor);
    EXPECT_EQ((button.left + button.right) / 2, cursor.x);
    EXPECT_EQ((button.top + button.bottom) / 2, cursor.y);
    EXPECT_EQ(0, Controls(w).clicks);
    EXPECT_EQ(0u, Run(target + "CONTROL(1002)\nCLICK(0, 25%, 75%)"));
    EXPECT_TRUE(PumpUntil([&] { return Controls(w).clicks == 1; }, 5000)) << Controls(w).clicks;
    EXPECT_EQ(0u, Run(target + "CONTROL(1002)\nCLICK(0, 10, 10, 1)\nCLICK(0, 12, 12, 2)")) << "press, then release";
    EXPECT_TRUE(PumpUntil([&] { return Controls(w).clicks == 2; }, 5000)) << Controls(w).clicks;

    EXPECT_EQ(0u, Run(target + "CONTROL(1002)\nENABLE(0)"));
    EXPECT_FALSE(Controls(w).buttonEnabled);
    EXPECT_EQ(0u, Run(target + "CONTROL(1002)\nENABLE(1)"));
    EXPECT_TRUE(Controls(w).buttonEnabled);
    EXPECT_EQ(0xD0065u, Run(target + "CONTROL(1002)\nCONTINUE(2)\nENABLE(1)")) << "mode 2 inverts the step";
}

TEST_F(Scripts, StateMoveAndSizePlaceTheWindow)
{
    TestWindow* w = Open("PS Place Target");
    const std::string target = "WINDOW(\"PS Place Target\")\n";
    TestWindowReport r;
    EXPECT_EQ(0u, Run(target + "STATE(3)"));
    ASSERT_TRUE(TestWindowStep(w, "report", &r));
    EXPECT_TRUE(r.topmost);
    EXPECT_EQ(0u, Run(target + "STATE(4)"));
    ASSERT_TRUE(TestWindowStep(w, "report", &r));
    EXPECT_FALSE(r.topmost);

    EXPECT_EQ(0u, Run(target + "MOVE(130, 140)\nSIZE(320, 210)"));
    EXPECT_TRUE(PumpUntil([&] {
        return TestWindowStep(w, "report", &r) && r.rect.left == 130 && r.rect.top == 140 &&
               r.rect.right - r.rect.left == 320 && r.rect.bottom - r.rect.top == 210;
    }, 5000)) << r.rect.left << "," << r.rect.top << " " << r.rect.right << "," << r.rect.bottom;

    // Aligned to the first monitor's work area: the bottom-right corner, then half its size.
    RECT work = {};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_EQ(0u, Run(target + "SETREF(MONITOR, 1)\nMOVE(0, 0, , RIGHT-RIGHT, BOTTOM-BOTTOM)"));
    EXPECT_TRUE(PumpUntil([&] {
        return TestWindowStep(w, "report", &r) && r.rect.right == work.right && r.rect.bottom == work.bottom;
    }, 5000)) << r.rect.right << "," << r.rect.bottom;
    EXPECT_EQ(0u, Run(target + "SETREF(MONITOR)\nSIZE(50, 25, RELATIVE, RELATIVE)"));
    EXPECT_TRUE(PumpUntil([&] {
        return TestWindowStep(w, "report", &r) && r.rect.right - r.rect.left == (work.right - work.left) / 2 &&
               r.rect.bottom - r.rect.top == (work.bottom - work.top) / 4;
    }, 5000)) << r.rect.right - r.rect.left << "x" << r.rect.bottom - r.rect.top;
    EXPECT_EQ(0u, Run(target + "MOVE(-5000, -5000, , , , K)")) << "kept on screen";
    EXPECT_TRUE(PumpUntil([&] {
        return TestWindowStep(w, "report", &r) && r.rect.left == work.left && r.rect.top == work.top;
    }, 5000)) << r.rect.left << "," << r.rect.top;

    // A random place lies inside the work area, the window whole.
    for (int i = 0; i < 3; i++) {
        EXPECT_EQ(0u, Run(target + "MOVE(R, R)"));
        ASSERT_TRUE(TestWindowStep(w, "report", &r));
        EXPECT_GE(r.rect.left, work.left);
        EXPECT_GE(r.rect.top, work.top);
        EXPECT_LE(r.rect.right, work.right);
        EXPECT_LE(r.rect.bottom, work.bottom);
    }

    EXPECT_EQ(0u, Run(target + "STATE(2)"));
    EXPECT_TRUE(PumpUntil([&] { return TestWindowStep(w, "report", &r) && r.zoomed; }, 5000));
    EXPECT_EQ(0u, Run(target + "STATE(0)"));
    EXPECT_TRUE(PumpUntil([&] { return TestWindowStep(w, "report", &r) && !r.zoomed && !r.iconic; }, 5000));
    EXPECT_EQ(0x0B0065u, Run("SIZE(10, 10)")) << "no current window";
    EXPECT_EQ(0u, Run("CONTINUE(1)\nMOVE(10, 10)"));
}

TEST_F(Scripts, StopClosesAndTerminateEndsButNeverThisProgram)
{
    TestWindow* stop = Open("PS Stop Victim");
    TestWindow* end = Open("PS Terminate Victim");
    HWND own = CreateRecorderWindow("PS Terminate Victim Too");
    ASSERT_TRUE(own);
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, sizeof(self));
    Track(stop->hwnd, "PS Stop Victim", "C:\\somewhere\\TestWindow.exe");
    Track(end->hwnd, "PS Terminate Victim", "C:\\somewhere\\testwindow.exe");
    Track(own, "PS Terminate Victim Too", self);

    EXPECT_EQ(0u, Run("STOP(\"absent-program.exe\")\nWAIT(0)")) << "nothing found, the script goes on";
    EXPECT_EQ(0u, Run("STOP(\"testwindow\", \"stop victim\")")) << "case-insensitive tests";
    EXPECT_TRUE(PumpUntil([&] { return WaitForSingleObject(stop->process, 0) == WAIT_OBJECT_0; }, 10000));
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(end->process, 0)) << "only the matching window";

    EXPECT_EQ(0u, Run("TERMINATE(\"\", \"PS Terminate Victim\")"));
    EXPECT_TRUE(PumpUntil([&] { return WaitForSingleObject(end->process, 0) == WAIT_OBJECT_0; }, 10000));
    DWORD code = 1;
    GetExitCodeProcess(end->process, &code);
    EXPECT_EQ(0u, code);
    EXPECT_TRUE(IsWindow(own)) << "this process is never terminated";
    DestroyWindow(own);
}

TEST(ScriptRandom, RangesBeyond32BitProductsStayInRange)
{
    // rand() times a range of two billion does not fit 32 bits.
    srand(1);
    bool aboveHalf = false;
    for (int i = 0; i < 500; i++) {
        int64_t r = ScriptRandom(2000000000);
        ASSERT_GE(r, 0);
        ASSERT_LE(r, 2000000000);
        aboveHalf = aboveHalf || r > 1000000000;
    }
    EXPECT_TRUE(aboveHalf);
}

TEST_F(Scripts, HungWindowsAndNegativeTimesDoNotHoldTheScript)
{
    HungWindow hung;
    hung.release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    hung.thread = CreateThread(nullptr, 0, HungWindowThread, &hung, 0, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return InterlockedCompareExchangePointer((void**)&hung.window, 0, 0) != 0; }, 5000));
    Track(hung.window, "PS Hung Window", "C:\\x\\test.exe");
    EXPECT_EQ(0u, Run("STOP(, \"PS Hung Window\", 1)\nCLOSE()", SCRIPT_RUN, hung.window, nullptr, 20000))
        << "a hung window costs a time-out, never the script";
    EXPECT_EQ(0u, Run("WAIT(-1)\nWAIT(-5, -1)\nDRAG(2, 1, 1, 2, 2, -1)", SCRIPT_RUN, hung.window, nullptr, 20000))
        << "negative times are no time";
    SetEvent(hung.release);
    WaitForSingleObject(hung.thread, 5000);
    CloseHandle(hung.thread);
    CloseHandle(hung.release);
}

TEST_F(Scripts, BlinkShowsAndRemovesTheFrame)
{
    UseRecorderAsMainWindow();
    HWND target = (HWND)(ULONG_PTR)0x1234;
    EXPECT_EQ(0u, Run("BLINK(2, 10)", SCRIPT_RUN, target));
    ASSERT_TRUE(PumpUntil([&] { return recorder.messages.size() >= 4 && !IsBlinkBusy(); }, 10000));
    ASSERT_EQ(4u, recorder.messages.size());
    for (size_t i = 0; i < 4; i++) {
        EXPECT_EQ((UINT)WM_CAPTUREFRAME, recorder.messages[i].message);
        EXPECT_EQ(i % 2 ? 0 : (LPARAM)target, recorder.messages[i].lParam) << i;
    }
    recorder.messages.clear();
    EXPECT_EQ(0u, Run("BLINK(0)\nBLINK(1, -50)", SCRIPT_RUN, nullptr)) << "no window: nothing";
    EXPECT_EQ(0u, Run("BLINK(1, -50)", SCRIPT_RUN, target)) << "a negative interval is no wait";
    ASSERT_TRUE(PumpUntil([&] { return recorder.messages.size() >= 2 && !IsBlinkBusy(); }, 10000));
    EXPECT_EQ(2u, recorder.messages.size());
}

TEST_F(Scripts, ProfileDesktopAndTrayAreLeftToTheMainWindow)
{
    UseRecorderAsMainWindow();
    TestWindow* w = Open("PS Tray Target");
    ScriptThreadContext* c = (ScriptThreadContext*)calloc(1, sizeof(ScriptThreadContext));
    CopyText(c->rule.cmdtext[0], sizeof(c->rule.cmdtext[0]), "PROFILE(\" Work \")\nDESKTOP(3)");
    c->mode = SCRIPT_RUN;
    c->switchChain = 4;
    EXPECT_EQ(0u, RunCommandScript(c));
    free(c);
    EXPECT_TRUE(PumpUntil([&] { return recorder.messages.size() >= 1; }, 5000));
    ASSERT_EQ(1u, recorder.messages.size()) << "no desktop object: DESKTOP asks nothing";
    EXPECT_EQ((LPARAM)SCRIPT_REQUEST_PROFILE, recorder.messages[0].lParam);
    EXPECT_EQ("Work", recorder.messages[0].text);
    EXPECT_EQ(5u, recorder.messages[0].wParam) << "the chain grows by one";

    FakeVirtualDesktop desktops;
    g_virtualDesktop = &desktops;
    recorder.messages.clear();
    EXPECT_EQ(0u, Run("DESKTOP(3)\nWINDOW(\"PS Tray Target\")\nSTATE(5)\nSTATE(6)"));
    EXPECT_TRUE(PumpUntil([&] { return recorder.messages.size() >= 3; }, 5000));
    ASSERT_EQ(3u, recorder.messages.size());
    EXPECT_EQ((UINT)WM_SCRIPTREQUEST, recorder.messages[0].message);
    EXPECT_EQ((WPARAM)SCRIPT_REQUEST_DESKTOP, recorder.messages[0].wParam);
    EXPECT_EQ(2, recorder.messages[0].lParam) << "desktops count from 1 in scripts";
    EXPECT_EQ((UINT)WM_TRAY_MINIMIZE, recorder.messages[1].message);
    EXPECT_EQ((LPARAM)w->hwnd, recorder.messages[1].lParam);
    EXPECT_EQ((WPARAM)SCRIPT_REQUEST_FROM_TRAY, recorder.messages[2].wParam);
    EXPECT_EQ((LPARAM)w->hwnd, recorder.messages[2].lParam);

    // The main window's side: an unknown profile is no switch; the desktop is
    // switched there, and a window comes back shown.
    ScriptProfileRequest* unknown = (ScriptProfileRequest*)calloc(1, sizeof(ScriptProfileRequest));
    CopyText(unknown->name, sizeof(unknown->name), "No Such Profile");
    HandleScriptRequest(SCRIPT_REQUEST_PROFILE, (LPARAM)unknown);
    HandleScriptRequest(SCRIPT_REQUEST_DESKTOP, 2);
    EXPECT_EQ(2, desktops.switchedTo);
    ASSERT_TRUE(TestWindowStep(w, "hide"));
    HandleScriptRequest(SCRIPT_REQUEST_FROM_TRAY, (LPARAM)w->hwnd);
    TestWindowReport r;
    EXPECT_TRUE(PumpUntil([&] { return TestWindowStep(w, "report", &r) && r.visible; }, 5000));
}


namespace {

struct ComProbe {
    DWORD apartment;      // the thread's own COM apartment before the call
    std::string script;
    HRESULT afterwards;   // CoInitializeEx of the same kind after it: S_FALSE while still initialised
    uint32_t result;
};

DWORD WINAPI ComProbeThread(void* param)
{
    ComProbe* probe = (ComProbe*)param;
    HRESULT own = CoInitializeEx(nullptr, probe->apartment);
    ScriptThreadContext* c = (ScriptThreadContext*)calloc(1, sizeof(ScriptThreadContext));
    CopyText(c->rule.cmdtext[0], sizeof(c->rule.cmdtext[0]), probe->script.c_str());
    c->mode = SCRIPT_RUN_FREE;
    probe->result = RunCommandScript(c);
    probe->afterwards = CoInitializeEx(nullptr, probe->apartment);
    if (SUCCEEDED(probe->afterwards)) CoUninitialize();
    if (SUCCEEDED(own)) CoUninitialize();
    return 0;
}

}  // namespace

TEST_F(Scripts, ComOfTheCallingThreadIsLeftAsItWas)
{
    // A thread in a single-threaded apartment cannot join the script's
    // multithreaded one; the script must not tear the caller's apartment down,
    // nor must RUN's shell call tear down the script's.
    for (DWORD apartment : {(DWORD)COINIT_APARTMENTTHREADED, (DWORD)COINIT_MULTITHREADED}) {
        SCOPED_TRACE(apartment);
        // The helper closes at once: it has no pipes to read.
        ComProbe probe = {apartment, "RUN(\"" + BinPath("testwindow.exe") + "\", \"--title PSComProbe\", 1)", E_FAIL, 1};
        HANDLE thread = CreateThread(nullptr, 0, ComProbeThread, &probe, 0, nullptr);
        ASSERT_TRUE(thread);
        ASSERT_TRUE(PumpUntil([&] { return WaitForSingleObject(thread, 0) == WAIT_OBJECT_0; }, 30000));
        CloseHandle(thread);
        EXPECT_EQ(0u, probe.result);
        EXPECT_EQ(S_FALSE, probe.afterwards) << "the thread's apartment is still there";
    }
}
