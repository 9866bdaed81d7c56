// HotkeyE2ETest.cpp - the running program's global and profile hotkeys,
// pressed by inputsender.exe while a test window is the active window.
#include "tests/engine/RunningProgram.h"
#include "tests/support/TestWindowClient.h"

namespace {

// Ctrl+Alt and a letter.
const uint16_t kTransparent = 0x0354, kClickThrough = 0x0343, kOpaque = 0x034F, kTopmost = 0x0341,
               kMain = 0x034D, kProfiles = 0x0350;

LRESULT CALLBACK HotkeyCatcher(HWND w, UINT m, WPARAM wp, LPARAM lp)
{
    if (m == WM_HOTKEY) SetWindowLongPtrA(w, GWLP_USERDATA, GetWindowLongPtrA(w, GWLP_USERDATA) + 1);
    return DefWindowProcA(w, m, wp, lp);
}

}  // namespace

class ProgramHotkeys : public RunningProgram {
protected:
    void TearDown() override
    {
        StopTestWindow(&target);
        RunningProgram::TearDown();
    }
    void OpenTarget()
    {
        ASSERT_TRUE(StartTestWindow(&target, "--title \"Hotkey Target\" --rect 300,300,400,300"));
        ASSERT_TRUE(TestWindowStep(&target, "activate"));
        ASSERT_TRUE(PumpUntil([&] { return GetForegroundWindow() == target.hwnd; }, 10000));
    }
    // Presses the key and waits for the program's log line of it.
    bool Press(uint16_t word, const std::string& line)
    {
        int seen = LogCount(line);
        return SendHotkeyInput(word) && PumpUntil([&] { return LogCount(line) > seen; }, 15000);
    }
    TestWindowReport Report()
    {
        TestWindowReport r;
        EXPECT_TRUE(TestWindowStep(&target, "report", &r));
        return r;
    }
    TestWindow target;
};

TEST_F(ProgramHotkeys, TransparencyClickThroughOpaqueAndTopmostActOnTheActiveWindow)
{
    WriteOptions([] {
        Options.iHotKeyTrans = kTransparent;
        Options.iHotKeyClkThr = kClickThrough;
        Options.iHotKeyNonTrans = kOpaque;
        Options.iHotKeyAlwaysOnTop = kTopmost;
        Options.iTrans = 50;
        Options.iClkThr = 50;
    });
    Start();
    OpenTarget();

    ASSERT_TRUE(Press(kTransparent, "HKY: Transparency (Active Window)"));
    EXPECT_TRUE(PumpUntil([&] { return Report().alpha == 127; }, 10000));
    ASSERT_TRUE(Press(kTransparent, "HKY: Transparency (Active Window)"));
    EXPECT_TRUE(PumpUntil([&] { return Report().alpha == -1; }, 10000)) << "opaque on the second press";

    ASSERT_TRUE(Press(kClickThrough, "HKY: Click-Through (Active Window)"));
    EXPECT_TRUE(PumpUntil([&] { return (Report().exStyle & WS_EX_TRANSPARENT) != 0; }, 10000));
    EXPECT_EQ(127, Report().alpha);
    ASSERT_TRUE(Press(kOpaque, "HKY: Transparency Off (All Windows)"));
    EXPECT_TRUE(PumpUntil([&] { return Report().alpha == -1 && !(Report().exStyle & WS_EX_TRANSPARENT); }, 10000));

    ASSERT_TRUE(Press(kTopmost, "HKY: Toggle always on top (Active Window)"));
    EXPECT_TRUE(PumpUntil([&] { return Report().topmost; }, 10000));
    ASSERT_TRUE(Press(kTopmost, "HKY: Toggle always on top (Active Window)"));
    EXPECT_TRUE(PumpUntil([&] { return !Report().topmost; }, 10000));
}

TEST_F(ProgramHotkeys, TwoProfilesWithOneKeyBothTriggerInOrder)
{
    auto withKey = [](Profile& p) {
        p.bTrgHotKey = 1;
        p.iTrgHotKey = kProfiles;
    };
    WriteProfiles({{"A-First", withKey}, {"B-Second", withKey}, {"C-Other", nullptr}});
    WriteOptions([] { Options.iCurProfile = 2; });
    Start();
    OpenTarget();
    ASSERT_TRUE(Press(kProfiles, "PRF: Switching Profile (B-Second)"));
    size_t a = LogPosition("HKY: Profile Trigger (A-First)");
    size_t switchA = LogPosition("PRF: Switching Profile (A-First)");
    size_t b = LogPosition("HKY: Profile Trigger (B-Second)");
    size_t switchB = LogPosition("PRF: Switching Profile (B-Second)");
    ASSERT_NE(std::string::npos, a) << Log();
    EXPECT_LT(a, switchA);
    EXPECT_LT(switchA, b);
    EXPECT_LT(b, switchB);
}

// Another program holds the combination first: the program shows no box and
// does nothing on it, while its other keys work.
TEST_F(ProgramHotkeys, CombinationHeldByAnotherProgramIsSilentlyAbsent)
{
    WNDCLASSA c = {};
    c.lpfnWndProc = HotkeyCatcher;
    c.lpszClassName = "HotkeyHolder";
    RegisterClassA(&c);
    HWND holder = CreateWindowA("HotkeyHolder", "holder", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                                nullptr);
    ASSERT_TRUE(RegisterHotKey(holder, 1, MOD_CONTROL | MOD_ALT, kMain & 0xFF));
    WriteOptions([] {
        Options.iHotKeyMain = kMain;
        Options.iHotKeyTrans = kTransparent;
    });
    Start();
    OpenTarget();
    ASSERT_TRUE(SendHotkeyInput(kMain));
    EXPECT_TRUE(PumpUntil([&] { return GetWindowLongPtrA(holder, GWLP_USERDATA) == 1; }, 10000))
        << "the key reached its holder";
    ASSERT_TRUE(Press(kTransparent, "HKY: Transparency (Active Window)")) << "the program's other keys work";
    EXPECT_EQ(std::string::npos, LogPosition("HKY: Open Main Dialog"));
    EXPECT_EQ(nullptr, FindProcessWindow(run.child.pid, "#32770")) << "no box";
    UnregisterHotKey(holder, 1);
    DestroyWindow(holder);
}
