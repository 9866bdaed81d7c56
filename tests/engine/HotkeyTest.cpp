// HotkeyTest.cpp - global hotkeys in this process: the desktop keys with a
// fake desktop object, the transparency keys and their list, the guards of the
// profile keys, and profile keys shared by two profiles.
#include "engine/Hotkeys.h"
#include "engine/LiveEdit.h"
#include "engine/ProfileHotkeys.h"
#include "engine/ProfileSwitch.h"
#include "engine/Rules.h"
#include "engine/TransparentWindows.h"
#include "tests/engine/RuleTestUtil.h"
#include "tests/engine/TriggerFixture.h"
#include "tests/support/FakeVirtualDesktop.h"

#include <algorithm>
#include <thread>

namespace {

// Desktops a test sets, and every call the hotkeys make.
class RecordingDesktops : public FakeVirtualDesktop {
public:
    int count = 3;
    bool pinned = false;
    std::vector<std::string> calls;
    int GetDesktopCount() override { return count; }
    int MoveWindowToDesktop(HWND, int n) override
    {
        calls.push_back("move " + std::to_string(n));
        return 1;
    }
    void SwitchToDesktop(int n) override { calls.push_back("switch " + std::to_string(n)); }
    void PinWindow(HWND) override { calls.push_back("pin"); }
    void UnpinWindow(HWND) override { calls.push_back("unpin"); }
    bool IsWindowPinned(HWND) override { return pinned; }
};

}  // namespace

class Hotkeys : public TriggerTest {
protected:
    void SetUp() override
    {
        TriggerTest::SetUp();
        other = CreateWindowA("TriggerTestLog", "other", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                              nullptr);
        for (int i = 0; i < 2; i++) {
            targets[i] = CreateWindowA("TriggerTestLog", "target", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50, 200,
                                       100, nullptr, nullptr, nullptr, nullptr);
        }
        SetForegroundWindow(targets[0]);
        Options.iTrans = 50;
        Options.iClkThr = 20;
        Options.bShowTrayIcon = 0;   // no icon of the desktop window in the tray
    }
    void TearDown() override
    {
        RegisterGlobalHotkeys(0);
        g_virtualDesktop = nullptr;
        MakeTransparentWindowsOpaque();
        DestroyWindow(other);
        for (HWND t : targets) DestroyWindow(t);
        Options = OptionsRecord{};
        TriggerTest::TearDown();
    }
    // Whether the combination is free: another window can take it.
    bool Free(UINT modifiers, UINT key)
    {
        if (!RegisterHotKey(other, 77, modifiers, key)) return false;
        UnregisterHotKey(other, 77);
        return true;
    }
    int Alpha(HWND w)
    {
        BYTE a = 0;
        DWORD flags = 0;
        if (!(GetWindowLongA(w, GWL_EXSTYLE) & WS_EX_LAYERED)) return -1;
        return GetLayeredWindowAttributes(w, nullptr, &a, &flags) ? a : -2;
    }
    bool ClickThrough(HWND w) { return (GetWindowLongA(w, GWL_EXSTYLE) & WS_EX_TRANSPARENT) != 0; }
    int Listed()
    {
        AcquireSRWLockShared(&g_transparentLock);
        int n = g_transparentWindows.count;
        ReleaseSRWLockShared(&g_transparentLock);
        return n;
    }
    HWND other = nullptr;
    HWND targets[2] = {};
    RecordingDesktops desktops;
};

TEST_F(Hotkeys, DesktopKeysFollowTheFirstKeyForEveryDesktop)
{
    g_virtualDesktop = &desktops;
    desktops.count = 12;
    Options.iHotKeySwitchDesktop = 0x0331;   // Ctrl+Alt+1
    Options.iHotKeyMoveWindow = 0x0631;      // Ctrl+Shift+1
    Options.iHotKeyPinWindow = 0x0350;       // Ctrl+Alt+P
    Options.iHotKeyUnPinWindow = 0x0355;     // Ctrl+Alt+U
    Options.bTogglePin = 1;
    RegisterGlobalHotkeys(1);
    // Desktops 10 and 11 (from 1) take 0x3A and 0x3B, the twelfth 0x3C.
    for (UINT key : {0x31u, 0x39u, 0x3Au, 0x3Bu, 0x3Cu}) {
        SCOPED_TRACE(key);
        EXPECT_FALSE(Free(MOD_CONTROL | MOD_ALT, key));
        EXPECT_FALSE(Free(MOD_CONTROL | MOD_SHIFT, key));
    }
    EXPECT_TRUE(Free(MOD_CONTROL | MOD_ALT, 0x3D)) << "12 desktops end at 0x3C";
    EXPECT_FALSE(Free(MOD_CONTROL | MOD_ALT, 'P'));
    EXPECT_TRUE(Free(MOD_CONTROL | MOD_ALT, 'U')) << "a toggling pin key needs no unpin key";

    // A desktop goes: the keys follow the new count.
    desktops.count = 2;
    RegisterDesktopHotkeys(1);
    EXPECT_FALSE(Free(MOD_CONTROL | MOD_ALT, 0x32));
    EXPECT_TRUE(Free(MOD_CONTROL | MOD_ALT, 0x33));
    RegisterGlobalHotkeys(0);
    EXPECT_TRUE(Free(MOD_CONTROL | MOD_ALT, 0x31));
    EXPECT_TRUE(Free(MOD_CONTROL | MOD_ALT, 'P'));
}

TEST_F(Hotkeys, NoDesktopObjectRegistersNoDesktopKeys)
{
    Options.iHotKeySwitchDesktop = 0x0331;
    Options.iHotKeyPinWindow = 0x0350;
    RegisterGlobalHotkeys(1);
    EXPECT_TRUE(Free(MOD_CONTROL | MOD_ALT, 0x31));
    EXPECT_TRUE(Free(MOD_CONTROL | MOD_ALT, 'P'));
    HandleHotkey(HOTKEY_SWITCH_DESKTOP + 1);
    EXPECT_TRUE(Take().empty());
}

TEST_F(Hotkeys, DesktopKeysSwitchMoveAndPin)
{
    g_virtualDesktop = &desktops;
    struct Case {
        int id;
        uint8_t switchOnMove, togglePin;
        bool pinned;
        std::vector<std::string> calls;
        const char* line;
    } cases[] = {
        {HOTKEY_SWITCH_DESKTOP + 2, 0, 0, false, {"switch 2"}, "HKY: Switch Desktop (2)"},
        {HOTKEY_MOVE_TO_DESKTOP + 1, 0, 0, false, {"unpin", "move 1"}, "HKY: Move Window to Desktop (1)"},
        {HOTKEY_MOVE_TO_DESKTOP + 1, 1, 0, false, {"unpin", "move 1", "switch 1"}, "HKY: Move Window to Desktop (1)"},
        {HOTKEY_PIN, 0, 0, true, {"pin"}, "HKY: Pin Window to All Desktops"},
        {HOTKEY_PIN, 0, 1, true, {"unpin"}, "HKY: Pin Window to All Desktops"},
        {HOTKEY_PIN, 0, 1, false, {"pin"}, "HKY: Pin Window to All Desktops"},
        {HOTKEY_UNPIN, 0, 0, true, {"unpin"}, "HKY: Unpin Window from All Desktops"},
        {HOTKEY_UNPIN + 1, 0, 0, true, {}, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        desktops.calls.clear();
        desktops.pinned = c.pinned;
        Options.bSwitchOnMove = c.switchOnMove;
        Options.bTogglePin = c.togglePin;
        HandleHotkey(c.id);
        EXPECT_EQ(c.calls, desktops.calls);
        std::vector<std::string> lines = Take();
        if (c.line)
            EXPECT_EQ(std::vector<std::string>{c.line}, lines);
        else
            EXPECT_TRUE(lines.empty());
    }
}

TEST_F(Hotkeys, TransparencyKeysToggleTheActiveWindowAndKeepTheList)
{
    ASSERT_EQ(targets[0], GetForegroundWindow());
    HandleHotkey(HOTKEY_TRANSPARENT);
    EXPECT_EQ(127, Alpha(targets[0]));
    EXPECT_EQ(1, Listed());
    HandleHotkey(HOTKEY_TRANSPARENT);
    EXPECT_EQ(-1, Alpha(targets[0])) << "the second press makes it opaque";
    EXPECT_EQ(0, Listed());

    // Two click-through windows (made by rules): the key turns both back and
    // makes no new one; pressed again, it makes the active window one.
    ApplyRuleTransparency(targets[0], 30, true);
    ApplyRuleTransparency(targets[1], 30, true);
    HandleHotkey(HOTKEY_CLICK_THROUGH);
    EXPECT_FALSE(ClickThrough(targets[0]));
    EXPECT_FALSE(ClickThrough(targets[1]));
    EXPECT_EQ(0, Listed());
    EXPECT_TRUE(GetForegroundWindow() == targets[0] || GetForegroundWindow() == targets[1])
        << "a window given back is brought to the front";
    SetForegroundWindow(targets[0]);
    HandleHotkey(HOTKEY_CLICK_THROUGH);
    EXPECT_TRUE(ClickThrough(targets[0]));
    EXPECT_EQ(204, Alpha(targets[0]));
    EXPECT_FALSE(ClickThrough(targets[1]));
    HandleHotkey(HOTKEY_CLICK_THROUGH);
    EXPECT_FALSE(ClickThrough(targets[0]));
    EXPECT_EQ(0, Listed());

    SetForegroundWindow(targets[1]);
    HandleHotkey(HOTKEY_TRANSPARENT);
    SetForegroundWindow(targets[0]);
    HandleHotkey(HOTKEY_TRANSPARENT);
    EXPECT_EQ(2, Listed());
    HandleHotkey(HOTKEY_OPAQUE_ALL);
    EXPECT_EQ(-1, Alpha(targets[0]));
    EXPECT_EQ(-1, Alpha(targets[1]));
    EXPECT_EQ(0, Listed());
    std::vector<std::string> lines = Take();
    EXPECT_EQ("HKY: Transparency Off (All Windows)", lines.back());
}

// The list is shared with the worker and the rule threads: a key waits for
// a holder of the lock instead of changing the list under it.
TEST_F(Hotkeys, TransparencyKeyWaitsForTheListLock)
{
    HANDLE held = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    int countWhileHeld = -1;
    std::thread holder([&] {
        AcquireSRWLockExclusive(&g_transparentLock);
        SetEvent(held);
        Sleep(300);
        countWhileHeld = g_transparentWindows.count;
        ReleaseSRWLockExclusive(&g_transparentLock);
    });
    WaitForSingleObject(held, INFINITE);
    HandleHotkey(HOTKEY_TRANSPARENT);
    holder.join();
    CloseHandle(held);
    EXPECT_EQ(0, countWhileHeld);
    EXPECT_EQ(1, Listed());
}

TEST_F(Hotkeys, ProfileKeysNeedACurrentProfile)
{
    Add("Only");
    for (int current : {-1, 1, 7}) {
        Options.iCurProfile = current;
        for (int id = HOTKEY_TRIGGER; id <= HOTKEY_CREATE_ACTIVE; id++) {
            SCOPED_TRACE(testing::Message() << "current " << current << ", id " << id);
            HandleHotkey(id);
            EXPECT_TRUE(Take().empty());
        }
    }
    Options.iCurProfile = 0;
    HandleHotkey(HOTKEY_ENABLE);
    EXPECT_EQ(std::vector<std::string>{"HKY: Enable Active Profile (0)"}, Take());
    EXPECT_EQ(0, Named("Only").bGenEnabled);
    HandleHotkey(HOTKEY_TRIGGER);
    std::vector<std::string> lines = Take();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ("HKY: Trigger Active Profile", lines[0]);
    EXPECT_NE(lines.end(), std::find(lines.begin(), lines.end(), "PRF: Switching Profile (Only)"));
}

TEST_F(Hotkeys, OneKeyDrivesEveryProfileThatHasIt)
{
    auto withKey = [](Profile& p) {
        p.bTrgHotKey = 1;
        p.iTrgHotKey = 0x0350;
    };
    Add("A-First", withKey);
    Add("B-Second", withKey);
    Add("C-Update", [](Profile& p) {
        p.bUpdHotKey = 1;
        p.iUpdHotKey = 0x0350;
        p.bUpdUpdActive = 1;   // only while current: skipped
    });
    Add("D-Other", [](Profile& p) {
        p.bTrgHotKey = 1;
        p.iTrgHotKey = 0x0351;
    });
    RegisterProfileHotKeys(&g_profiles, 1);
    ASSERT_EQ(4, g_profileHotKeys.count);
    HandleHotkey(PROFILE_HOTKEY_FIRST_ID + 1);   // the second entry: the same key
    std::vector<std::string> hotkeyLines, switchLines;
    for (const std::string& l : Take()) {
        if (l.rfind("HKY: ", 0) == 0) hotkeyLines.push_back(l);
        if (l.rfind("PRF: Switching", 0) == 0) switchLines.push_back(l);
    }
    EXPECT_EQ((std::vector<std::string>{"HKY: Profile Trigger (A-First)", "HKY: Profile Trigger (B-Second)",
                                        "HKY: Profile Update (C-Update)"}),
              hotkeyLines);
    EXPECT_EQ((std::vector<std::string>{"PRF: Switching Profile (A-First)", "PRF: Switching Profile (B-Second)"}),
              switchLines);
    HandleHotkey(PROFILE_HOTKEY_FIRST_ID + 4);
    EXPECT_TRUE(Take().empty()) << "an id beyond the list";
    RegisterProfileHotKeys(&g_profiles, 0);
}

//--- "Active Window Only" while the worker holds the lock

namespace {

// Holds the table lock for 2 s from the moment the hotkey's pass has placed
// the active window, as a worker pass that starts right then would: every
// later wait of the hotkey finds the lock busy.
struct PassFollower {
    HANDLE go = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::thread thread{[this] {
        if (WaitForSingleObject(go, 20000) != WAIT_OBJECT_0) return;
        EnterCriticalSection(&g_tableLock);
        Sleep(2000);
        LeaveCriticalSection(&g_tableLock);
    }};
    ~PassFollower()
    {
        SetEvent(go);
        thread.join();
        CloseHandle(go);
    }
};
PassFollower* g_follower;
WNDPROC g_logProc;

// Wine's critical section counts its owner's holds and its waiters in
// LockCount (holds + waiters - 1): a waiter is there once it reaches the holds.
bool LockHasWaiter()
{
    return g_tableLock.LockCount >= g_tableLock.RecursionCount;
}

LRESULT CALLBACK FollowPassProc(HWND w, UINT m, WPARAM wp, LPARAM lp)
{
    LRESULT r = CallWindowProcA(g_logProc, w, m, wp, lp);
    if (m == WM_LOGLINE && g_follower && strstr((const char*)lp, "RUL: RULE(Target rule)")) {
        // The pass still holds the lock: the follower queues behind it.
        SetEvent(g_follower->go);
        for (ULONGLONG end = GetTickCount64() + 2000; !LockHasWaiter() && GetTickCount64() < end;) Sleep(0);
        g_follower = nullptr;
    }
    return r;
}

Rule PlacingRule(const char* name, const char* caption, int x, int y)
{
    Rule r = AnyWindowRule(0);
    CopyText(r.name, sizeof(r.name), name);
    SET_CAPTION(&r, caption, CMP_EQUALS);
    r.movetomode = 0;
    r.x = x;
    r.y = y;
    return r;
}

}  // namespace

// The kind-1 key's pass acts on the active window alone; the worker holds
// the lock for 2 s right after it. Afterwards a new window is placed by its
// rule: the target went with that pass, whatever the lock did later.
TEST_F(Hotkeys, ActiveWindowOnlyKeyLeavesLaterPassesForEveryWindow)
{
    Options.bEnabled = 1;
    Add("Only Active", [](Profile& p) {
        p.bTrgHotKeyWin = 1;
        p.iTrgHotKeyWin = 0x0352;   // Ctrl+Alt+R
        p.bTrgExecuteOnly = 1;
        Rule target = PlacingRule("Target rule", "kind one target", 120, 130);
        target.id = 1;
        Rule later = PlacingRule("Later rule", "kind one later", 210, 220);
        later.id = 2;
        ArrayAppend(p.pRules, &target);
        ArrayAppend(p.pRules, &later);
        p.nextRuleId = 3;
    });
    MakeCurrent("Only Active");
    RegisterProfileHotKeys(&g_profiles, 1);
    int entry = -1;
    for (int i = 0; i < g_profileHotKeys.count; i++)
        if (g_profileHotKeys.data[i].kind == PROFILE_HOTKEY_WINDOW) entry = i;
    ASSERT_GE(entry, 0);
    HWND target = CreateWindowA("TriggerTestLog", "kind one target", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 300, 300,
                                200, 100, nullptr, nullptr, nullptr, nullptr);
    SetForegroundWindow(target);
    ASSERT_TRUE(PumpUntil([&] { return GetForegroundWindow() == target; }, 5000));
    {
        PassFollower follower;
        g_follower = &follower;
        g_logProc = (WNDPROC)SetWindowLongPtrA(g_logWindow, GWLP_WNDPROC, (LONG_PTR)FollowPassProc);
        HandleHotkey(PROFILE_HOTKEY_FIRST_ID + entry);
        PumpUntil([] { return QueuedLiveEdits() == 0; }, 10000);
        EXPECT_EQ(nullptr, g_follower) << "the hotkey's pass placed the active window";
        g_follower = nullptr;
    }
    SetWindowLongPtrA(g_logWindow, GWLP_WNDPROC, (LONG_PTR)g_logProc);
    HWND later = CreateWindowA("TriggerTestLog", "kind one later", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 300, 300, 200,
                               100, nullptr, nullptr, nullptr, nullptr);
    RunCurrentProfilePass();
    RECT r = {};
    EXPECT_TRUE(PumpUntil([&] { return GetWindowRect(later, &r) && r.left == 210 && r.top == 220; }, 5000))
        << "placed at " << r.left << "," << r.top;
    EXPECT_EQ(nullptr, g_singleWindowTarget);
    RegisterProfileHotKeys(&g_profiles, 0);
    DestroyWindow(later);
    DestroyWindow(target);
}
