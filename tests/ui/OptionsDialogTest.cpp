// OptionsDialogTest.cpp - the Options dialog in the test's own process, over
// a fake desktop object (Wine has none): the per-desktop, pin and unpin keys
// it registers on OK.
#include "engine/Engine.h"
#include "engine/Hotkeys.h"
#include "engine/OptionsRecord.h"
#include "tests/engine/TriggerFixture.h"
#include "tests/support/FakeVirtualDesktop.h"
#include "ui/OptionsDialog.h"
#include "ui/OptionsRes.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>

namespace {

class CountedDesktops : public FakeVirtualDesktop {
public:
    int count = 3;
    int GetDesktopCount() override { return count; }
};

std::function<void(HWND)> g_steps;

// Runs the steps once the dialog shows (from a timer of its modal loop).
void CALLBACK RunSteps(HWND, UINT, UINT_PTR timer, DWORD)
{
    HWND dialog = FindWindowA("#32770", "Options");
    if (!dialog || GetWindowThreadProcessId(dialog, nullptr) != GetCurrentThreadId()) return;
    KillTimer(nullptr, timer);
    g_steps(dialog);
}

}  // namespace

class OptionsInProcess : public TriggerTest {
protected:
    void SetUp() override
    {
        TriggerTest::SetUp();
        g_virtualDesktop = &desktops;
        Options.bShowTrayIcon = 0;   // no icon for the test's main window
    }
    void TearDown() override
    {
        OptionsRecord none = {};
        ReplaceOptionsHotkeys(&none);
        g_virtualDesktop = nullptr;
        Options = OptionsRecord{};
        TriggerTest::TearDown();
    }
    INT_PTR RunOptions(const std::function<void(HWND)>& steps)
    {
        g_steps = steps;
        SetTimer(nullptr, 0, 20, RunSteps);
        return ShowOptionsDialog(nullptr);
    }
    // Ids of the main window that hold a hotkey (released on the way).
    std::set<int> TakeRegisteredIds(const std::set<int>& ids)
    {
        std::set<int> held;
        for (int id : ids)
            if (UnregisterHotKey(g_mainWindow, id)) held.insert(id);
        return held;
    }
    CountedDesktops desktops;
};

TEST_F(OptionsInProcess, OkRegistersOneKeyPerDesktopAndLeavesOutKeysPastTheLastKeyCode)
{
    Options.iHotKeySwitchDesktop = 0x0231;   // Ctrl+1: Ctrl+1, Ctrl+2, Ctrl+3
    Options.iHotKeyMoveWindow = 0x06FE;      // Ctrl+Shift+0xFE: 0xFE, 0xFF, then no key
    Options.iHotKeyPinWindow = 0x0350;
    Options.iHotKeyUnPinWindow = 0x0351;
    Options.bTogglePin = 1;                  // no unpin key
    INT_PTR result = RunOptions([](HWND dialog) { SendMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0); });
    ASSERT_EQ(IDOK, result);
    EXPECT_EQ((std::set<int>{100, 101, 102, 200, 201, 300}),
              TakeRegisteredIds({100, 101, 102, 103, 200, 201, 202, 300, 400}));
}

TEST_F(OptionsInProcess, FewerDesktopsThanAtTheLastRegistrationReleaseTheKeysOfTheOnesGone)
{
    Options.iHotKeySwitchDesktop = 0x0231;
    RegisterGlobalHotkeys(1);
    ASSERT_EQ((std::set<int>{100, 101, 102}), TakeRegisteredIds({100, 101, 102}));
    RegisterGlobalHotkeys(1);
    desktops.count = 1;
    INT_PTR result = RunOptions([](HWND dialog) { SendMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0); });
    ASSERT_EQ(IDOK, result);
    EXPECT_EQ((std::set<int>{100}), TakeRegisteredIds({100, 101, 102}));
    EXPECT_TRUE(RegisterHotKey(nullptr, 0x66, MOD_CONTROL, '2')) << "Ctrl+2 is free again";
    UnregisterHotKey(nullptr, 0x66);
}
