// OptionsDialogTest.cpp - the Options dialog in the test's own process, over
// a fake desktop object (Wine has none): the per-desktop, pin and unpin keys
// it registers on OK.
#include "engine/Engine.h"
#include "engine/Hotkeys.h"
#include "engine/OptionsRecord.h"
#include "tests/engine/TriggerFixture.h"
#include "tests/support/FakeVirtualDesktop.h"
#include "ui/OptionsDialog.h"
#include "framework/core/TextUtil.h"
#include "framework/ui/MessageBox.h"
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

// A control of the dialog's pages by id (EnumChildWindows walks them all).
HWND PageControl(HWND dialog, int id)
{
    struct Search {
        int id;
        HWND found;
    } search = {id, nullptr};
    EnumChildWindows(
        dialog,
        [](HWND child, LPARAM lp) -> BOOL {
            Search* s = (Search*)lp;
            if (GetDlgCtrlID(child) != s->id) return TRUE;
            s->found = child;
            return FALSE;
        },
        (LPARAM)&search);
    return search.found;
}

void Click(HWND dialog, int id)
{
    SendMessageA(PageControl(dialog, id), BM_CLICK, 0, 0);
}

int g_boxes;
int AnswerOk(const char*, const char*, uint32_t)
{
    g_boxes++;
    return IDOK;
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
        SetMessageBoxHook(nullptr);
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

TEST_F(OptionsInProcess, TogglePinTurnsTheUnpinKeyOffAndChangeOpensTheFolderAfterItsWarning)
{
    Options.iVDTPTimeout = 10;
    CopyText(Options.szUserDesktop, sizeof(Options.szUserDesktop), "C:\\Users\\Public\\Desktop");
    g_boxes = 0;
    SetMessageBoxHook(AnswerOk);
    INT_PTR result = RunOptions([](HWND dialog) {
        EXPECT_TRUE(IsWindowEnabled(PageControl(dialog, IDE_OPT_HK_UNPIN)));
        Click(dialog, IDX_OPT_TOGGLEPIN);
        EXPECT_FALSE(IsWindowEnabled(PageControl(dialog, IDE_OPT_HK_UNPIN)));
        EXPECT_FALSE(IsWindowEnabled(PageControl(dialog, IDT_OPT_HK_UNPIN)));
        HWND folder = PageControl(dialog, IDE_OPT_DESKFOLDER);
        EXPECT_FALSE(IsWindowEnabled(folder)) << "off until Change";
        Click(dialog, IDB_OPT_DESKFOLDER);
        EXPECT_EQ(1, g_boxes) << "the warning first";
        EXPECT_TRUE(IsWindowEnabled(folder));
        SetWindowTextA(folder, "D:\\Desk");
        SetWindowTextA(PageControl(dialog, IDE_OPT_VDTIMEOUT), "");
        SendMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
    });
    ASSERT_EQ(IDOK, result);
    EXPECT_EQ(1, Options.bTogglePin);
    EXPECT_STREQ("D:\\Desk", Options.szUserDesktop);
    EXPECT_EQ(30, Options.iVDTPTimeout) << "an empty time-out";
}

TEST_F(OptionsInProcess, WithoutADesktopObjectThePageIsOffAndStoresNothing)
{
    g_virtualDesktop = nullptr;
    Options.iVDTPTimeout = 10;
    Options.iHotKeySwitchDesktop = 0x0231;
    INT_PTR result = RunOptions([](HWND dialog) {
        for (int id : {IDE_OPT_HK_SWITCHDESK, IDX_OPT_TOGGLEPIN, IDE_OPT_VDTIMEOUT, IDB_OPT_DESKFOLDER})
            EXPECT_FALSE(IsWindowEnabled(PageControl(dialog, id))) << id;
        SetWindowTextA(PageControl(dialog, IDE_OPT_VDTIMEOUT), "99");
        SendMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
    });
    ASSERT_EQ(IDOK, result);
    EXPECT_EQ(10, Options.iVDTPTimeout);
    EXPECT_FALSE(UnregisterHotKey(g_mainWindow, 100)) << "no desktop keys";
}
