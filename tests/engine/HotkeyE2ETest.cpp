// HotkeyE2ETest.cpp - the running program's global and profile hotkeys,
// pressed by inputsender.exe while a test window is the active window.
#include "tests/support/ProgramFixture.h"
#include "tests/support/WineTray.h"

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

class ProgramHotkeys : public ProgramTest {
protected:
    void OpenTarget()
    {
        target = Open("--title \"Hotkey Target\" --rect 300,300,400,300");
        ASSERT_NE(nullptr, target->hwnd);
        ASSERT_TRUE(TestWindowStep(target, "activate"));
        ASSERT_TRUE(PumpUntil([&] { return GetForegroundWindow() == target->hwnd; }, 10000));
    }
    // Presses the key and waits for the program's log line of it.
    bool Press(uint16_t word, const std::string& line)
    {
        int seen = CountOf(Log(), line);
        return SendHotkeyInput(word) && PumpUntil([&] { return CountOf(Log(), line) > seen; }, 15000);
    }
    TestWindowReport Report()
    {
        TestWindowReport r;
        EXPECT_TRUE(TestWindowStep(target, "report", &r));
        return r;
    }
    TestWindow* target = nullptr;
};

TEST_F(ProgramHotkeys, TransparencyClickThroughOpaqueAndTopmostActOnTheActiveWindow)
{
    ASSERT_TRUE(WriteOptions([](OptionsRecord& o) {
        o.iHotKeyTrans = kTransparent;
        o.iHotKeyClkThr = kClickThrough;
        o.iHotKeyNonTrans = kOpaque;
        o.iHotKeyAlwaysOnTop = kTopmost;
        o.iTrans = 50;
        o.iClkThr = 50;
    }));
    ASSERT_TRUE(Start());
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
    ASSERT_TRUE(WriteProfiles({{"A-First", withKey}, {"B-Second", withKey}, {"C-Other", nullptr}}, 2));
    ASSERT_TRUE(Start());
    OpenTarget();
    ASSERT_TRUE(Press(kProfiles, "PRF: Switching Profile (B-Second)"));
    std::string log = Log();
    size_t a = log.find("HKY: Profile Trigger (A-First)");
    size_t switchA = log.find("PRF: Switching Profile (A-First)");
    size_t b = log.find("HKY: Profile Trigger (B-Second)");
    size_t switchB = log.find("PRF: Switching Profile (B-Second)");
    ASSERT_NE(std::string::npos, a) << log;
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
    ASSERT_TRUE(WriteOptions([](OptionsRecord& o) {
        o.iHotKeyMain = kMain;
        o.iHotKeyTrans = kTransparent;
    }));
    ASSERT_TRUE(Start());
    OpenTarget();
    ASSERT_TRUE(SendHotkeyInput(kMain));
    EXPECT_TRUE(PumpUntil([&] { return GetWindowLongPtrA(holder, GWLP_USERDATA) == 1; }, 10000))
        << "the key reached its holder";
    ASSERT_TRUE(Press(kTransparent, "HKY: Transparency (Active Window)")) << "the program's other keys work";
    EXPECT_EQ(std::string::npos, Log().find("HKY: Open Main Dialog"));
    EXPECT_EQ(nullptr, FindProcessWindow(run.child.pid, "#32770")) << "no box";
    UnregisterHotKey(holder, 1);
    DestroyWindow(holder);
}
