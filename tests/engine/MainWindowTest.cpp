// MainWindowTest.cpp - the main window procedure in this process: DPI and
// desktop triggers, per-desktop folders, the minimize-button test, profile
// commands and menus, profile hotkeys and the main dialog's refresh.
#include "engine/MainWindow.h"
#include "engine/ProductIds.h"
#include "engine/ProfileHotkeys.h"
#include "engine/ProfileSwitch.h"
#include "engine/Rules.h"
#include "tests/engine/TriggerFixture.h"

#include <shlobj.h>

namespace {

struct FolderCall {
    int csidl;
    std::string path;
};
std::vector<FolderCall> g_folderCalls;

HRESULT RecordFolderPath(int csidl, HANDLE, DWORD, const char* path)
{
    g_folderCalls.push_back({csidl, path});
    return S_OK;
}

RECT g_captionButtons;
HRESULT g_captionResult;

HRESULT FakeCaptionButtons(HWND, RECT* bounds)
{
    *bounds = g_captionButtons;
    return g_captionResult;
}

LRESULT g_hitAnswer;

LRESULT CALLBACK HitTestProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCHITTEST) return g_hitAnswer;
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

class MainWindow : public TriggerTest {
protected:
    void SetUp() override
    {
        TriggerTest::SetUp();
        g_folderCalls.clear();
        MainWindowPlatform p = {FakeCaptionButtons, RecordFolderPath};
        SetMainWindowPlatform(&p);
    }
    void TearDown() override
    {
        SetMainWindowPlatform(nullptr);
        RegisterProfileHotKeys(&g_profiles, 0);
        Options.bIndividualIcons = 0;
        Options.szUserDesktop[0] = '\0';
        TriggerTest::TearDown();
    }
    LRESULT Post(UINT message, WPARAM wParam, LPARAM lParam)
    {
        return MainWindowProc(g_mainWindow, message, wParam, lParam);
    }
};

// DPI cannot differ per monitor under Wine: the tables are fed.
TEST_F(MainWindow, DpiChangeTakesTheOldDpiFromThePreviousLayout)
{
    UseMonitors({{{0, 0, 1920, 1080}, 96, "\\\\.\\DISPLAY1"}, {{1920, 0, 3200, 1024}, 96, "\\\\.\\DISPLAY2"}});
    Add("A-Second at 96", [](Profile& p) {
        p.bTrgDPIChange = 1;
        p.iGenDisplayDPI = 96;
        CopyText(p.szGenDisplayName, sizeof(p.szGenDisplayName), "DISPLAY2");
    });
    Add("B-Second at 144", [](Profile& p) {
        p.bTrgDPIChange = 1;
        p.iGenDisplayDPI = 144;
        CopyText(p.szGenDisplayName, sizeof(p.szGenDisplayName), "DISPLAY2");
        p.iTrgScreenDelay = 50;
    });
    Add("C-Primary at 96", [](Profile& p) {
        p.bTrgDPIChange = 1;
        p.iGenDisplayDPI = 96;
    });
    g_fakeMonitors[1].dpi = 144;
    Post(ZRPMSG_DPICHANGED, 144, 0);
    EXPECT_EQ("TRG: Check DPI Change Trigger (96) -> (144)", g_logLines.at(0));
    EXPECT_FALSE(Logged("PRF: Switching Profile (A-Second at 96)")) << Joined();
    EXPECT_TRUE(Logged("PRF: Switching Profile (B-Second at 144)"));
    EXPECT_FALSE(Logged("PRF: Switching Profile (C-Primary at 96)")) << "the first one stopped the walk";
    EXPECT_EQ(std::vector<DWORD>{50}, g_factValues.sleeps);

    // No monitor differs: the old DPI is the new one.
    SetLayoutReference();
    g_logLines.clear();
    Post(ZRPMSG_DPICHANGED, 120, 0);
    EXPECT_EQ("TRG: Check DPI Change Trigger (120) -> (120)", g_logLines.at(0));
}

TEST_F(MainWindow, DesktopChangeSwitchesTheDesktopFolderAndRunsTheTrigger)
{
    std::string own = data + "\\My Desktop";
    CopyText(Options.szUserDesktop, sizeof(Options.szUserDesktop), own.c_str());
    Options.bIndividualIcons = 1;
    Add("Any Desktop", [](Profile& p) {
        p.bTrgDesktop = 1;
        p.iTrgDesktopNr = -1;
        p.bTrgExecuteOnly = 1;
        p.bTrgCheckNext = 1;
    });
    Add("Second Desktop", [](Profile& p) {
        p.bTrgDesktop = 1;
        p.iTrgDesktopNr = 1;
    });

    Post(WM_DESKTOPEVENT_BASE, 0, 1);
    ASSERT_EQ(1u, g_folderCalls.size());
    EXPECT_EQ(CSIDL_DESKTOPDIRECTORY, g_folderCalls[0].csidl);
    EXPECT_EQ(data + "\\Desktop2", g_folderCalls[0].path) << "desktop 1 uses Desktop2";
    EXPECT_TRUE(FolderExists(data + "\\Desktop2"));
    EXPECT_EQ("TRG: Check Desktop Trigger (1)", g_logLines.at(0));
    EXPECT_TRUE(Logged("PRF: Executing Profile (Any Desktop)")) << Joined();
    EXPECT_TRUE(Logged("PRF: Switching Profile (Second Desktop)"));

    g_logLines.clear();
    Post(WM_DESKTOPEVENT_BASE, 1, 0);
    EXPECT_EQ(own, g_folderCalls.at(1).path) << "desktop 0 has the user's own folder";
    EXPECT_FALSE(Logged("PRF: Switching Profile (Second Desktop)")) << Joined();

    // The shutdown call puts desktop 0's folder back and runs no trigger.
    g_logLines.clear();
    Post(WM_DESKTOPEVENT_BASE, (WPARAM)-1, 0);
    EXPECT_EQ(own, g_folderCalls.at(2).path);
    EXPECT_TRUE(g_logLines.empty()) << Joined();

    // Without the user's folder nothing is switched; the trigger still runs.
    Options.szUserDesktop[0] = '\0';
    Post(WM_DESKTOPEVENT_BASE, 0, 1);
    EXPECT_EQ(3u, g_folderCalls.size());
    EXPECT_TRUE(Logged("TRG: Check Desktop Trigger (1)"));
}

TEST_F(MainWindow, MinimizeButtonIsTheFirstThirdOfTheCaptionButtons)
{
    WNDCLASSA c = {};
    c.lpfnWndProc = HitTestProc;
    c.lpszClassName = "MinimizeHitProbe";
    RegisterClassA(&c);
    HWND w = CreateWindowA("MinimizeHitProbe", "probe", WS_OVERLAPPEDWINDOW, 100, 100, 400, 300, nullptr,
                           nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, w);
    RECT frame;
    GetWindowRect(w, &frame);
    // Buttons 91 pixels wide at the right of the caption, in window coordinates.
    g_captionButtons = {300, 0, 391, 30};
    g_captionResult = S_OK;
    struct Case {
        int x, y;
        bool hit;
        const char* why;
    } cases[] = {
        {300, 5, true, "left edge"},     {330, 29, true, "end of the first third"},
        {331, 5, false, "second third"}, {380, 5, false, "close button"},
        {299, 5, false, "left of the buttons"}, {310, 31, false, "below the caption"},
    };
    g_hitAnswer = HTMINBUTTON;   // must not be asked while the frame is known
    for (const Case& k : cases) {
        SCOPED_TRACE(k.why);
        POINT p = {frame.left + k.x, frame.top + k.y};
        EXPECT_EQ(k.hit, IsMinimizeButtonHit(w, p));
    }
    // Without the desktop window manager the window's own hit test decides.
    POINT anywhere = {frame.left + 10, frame.top + 10};
    for (HRESULT failure : {E_NOTIMPL, S_OK}) {
        g_captionResult = failure;
        g_captionButtons = {0, 0, 0, 0};
        g_hitAnswer = HTMINBUTTON;
        EXPECT_TRUE(IsMinimizeButtonHit(w, anywhere));
        g_hitAnswer = HTMAXBUTTON;
        EXPECT_FALSE(IsMinimizeButtonHit(w, anywhere));
    }
    DestroyWindow(w);
}

TEST_F(MainWindow, ProfileCommandsOnlyReachExistingProfiles)
{
    for (const char* n : {"A", "B", "C"})
        Add(n, [](Profile& p) {
            p.bGenEnabled = 0;
            p.updatePending = 1;
        });
    Named("C").bGenEnabled = 1;
    struct Case {
        WORD id;
        const char* line;
    } cases[] = {
        {1102, "PRF: Switching Profile (B)"}, {1116, nullptr},
        {1121, "PRF: Executing Profile (A)"}, {1136, nullptr},
        {1124, nullptr},
        {1141, nullptr},   // disabled: no update
        {1143, "PRF: Updating Profile (C)"},  {1156, nullptr},
        {1100, nullptr},   {1117, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        g_logLines.clear();
        Post(ZRPMSG_COMMAND, MAKEWPARAM(c.id, 1), 0);
        if (c.line)
            EXPECT_TRUE(Logged(c.line)) << Joined();
        else
            EXPECT_EQ(std::string::npos, Joined().find("PRF: ")) << Joined();
    }
}

TEST_F(MainWindow, ProfileMenusListTheFirstSixteenAndCheckTheCurrent)
{
    for (int base : {CMD_PROFILE_SWITCH, CMD_PROFILE_EXECUTE})
        for (int id = base; id < base + PROFILE_MENU_ROWS; id++)
            ASSERT_GE(AddCommand(&g_app, (uint16_t)id, ITEM_BUTTON, PCMD_TEXT, 0xFFFF, 0xFFFF, 0, 0, 0), 0);
    auto checked = [](int id) {
        int row = FindCommandIndex(&g_app, (uint16_t)id);
        return row >= 0 && (g_app.commands.data[row].flags & CMD_CHECKED) != 0;
    };
    for (int i = 0; i < 17; i++) {
        char name[16];
        FormatText(name, sizeof(name), "P%02d", i);
        Add(name);
    }
    MakeCurrent("P03");
    const uint16_t* items = (const uint16_t*)Post(ZRPMSG_GETMENUITEMS, CMD_PROFILE_MENU, 0);
    ASSERT_NE(nullptr, items);
    for (int i = 0; i < 16; i++) {
        EXPECT_EQ(CMD_PROFILE_SWITCH + i, items[i]);
        EXPECT_EQ(i == 3, checked(CMD_PROFILE_SWITCH + i)) << i;
    }
    EXPECT_EQ(CMD_LIST_END, items[16]);
    EXPECT_STREQ("P15", AppText(CMD_PROFILE_SWITCH + 15));
    EXPECT_EQ(0, Post(ZRPMSG_GETMENUITEMS, CMD_TRAY_MENU, 0)) << "another popup";

    // Every submenu checks the current profile, and only it.
    MakeCurrent("P05");
    items = (const uint16_t*)Post(ZRPMSG_GETMENUITEMS, CMD_EXECUTE_MENU, 0);
    EXPECT_EQ(CMD_PROFILE_EXECUTE, items[0]);
    EXPECT_TRUE(checked(CMD_PROFILE_EXECUTE + 5));
    Post(ZRPMSG_GETMENUITEMS, CMD_PROFILE_MENU, 0);
    EXPECT_FALSE(checked(CMD_PROFILE_SWITCH + 3));
    EXPECT_TRUE(checked(CMD_PROFILE_SWITCH + 5));
}

// A profile's edited keys as one set with every other profile's: a swap of
// two keys goes through, a key another profile has is refused with nothing
// changed, and a test leaves the registrations as they were.
TEST_F(MainWindow, ProfileHotkeysAreReplacedAsOneSet)
{
    const uint16_t ctrlShiftF9 = (MOD_CONTROL | MOD_SHIFT) << 8 | VK_F9;
    const uint16_t altF10 = MOD_ALT << 8 | VK_F10, altF11 = MOD_ALT << 8 | VK_F11, altF12 = MOD_ALT << 8 | VK_F12;
    Add("A", [&](Profile& p) {
        p.bTrgHotKey = 1;
        p.iTrgHotKey = ctrlShiftF9;
        p.bTrgHotKeyWin = 1;
        p.iTrgHotKeyWin = altF10;
    });
    Add("B", [&](Profile& p) {
        p.bUpdHotKey = 1;
        p.iUpdHotKey = altF11;
    });
    RegisterProfileHotKeys(&g_profiles, 1);
    auto taken = [](uint16_t word) {
        SetLastError(0xDEADBEEF);
        if (RegisterHotKey(nullptr, 0x7000, word >> 8, word & 0xFF)) {
            UnregisterHotKey(nullptr, 0x7000);
            return false;
        }
        return GetLastError() == ERROR_HOTKEY_ALREADY_REGISTERED;
    };
    int a = FindProfileByName(&g_profiles, "A", -1);
    ASSERT_GE(a, 0);
    Profile edited = g_profiles.data[a];

    edited.iTrgHotKey = altF10;
    edited.iTrgHotKeyWin = ctrlShiftF9;
    EXPECT_EQ(-1, ReplaceProfileHotKeys(&g_profiles, a, &edited, true)) << "swapped";
    ASSERT_EQ(3, g_profileHotKeys.count);
    EXPECT_EQ(altF10, g_profileHotKeys.data[0].word);
    EXPECT_EQ(ctrlShiftF9, g_profileHotKeys.data[1].word);
    for (uint16_t word : {ctrlShiftF9, altF10, altF11}) EXPECT_TRUE(taken(word)) << word;

    edited.iTrgHotKeyWin = altF11;
    EXPECT_EQ(PROFILE_HOTKEY_WINDOW, ReplaceProfileHotKeys(&g_profiles, a, &edited, true)) << "B has it";
    EXPECT_EQ(ctrlShiftF9, g_profileHotKeys.data[1].word) << "nothing changed";
    for (uint16_t word : {ctrlShiftF9, altF10, altF11}) EXPECT_TRUE(taken(word)) << word;

    edited.iTrgHotKeyWin = altF12;
    EXPECT_EQ(-1, ReplaceProfileHotKeys(&g_profiles, a, &edited, false)) << "free";
    EXPECT_FALSE(taken(altF12)) << "only tested";
    for (uint16_t word : {ctrlShiftF9, altF10, altF11}) EXPECT_TRUE(taken(word)) << word;

    RegisterProfileHotKeys(&g_profiles, 0);
    for (uint16_t word : {ctrlShiftF9, altF10, altF11}) EXPECT_FALSE(taken(word)) << word;
}

TEST_F(MainWindow, ProfileHotkeysRegisterEachKeyOnce)
{
    const uint16_t ctrlShiftF9 = (MOD_CONTROL | MOD_SHIFT) << 8 | VK_F9;
    const uint16_t altF10 = MOD_ALT << 8 | VK_F10;
    Add("A", [&](Profile& p) {
        p.bTrgHotKey = 1;
        p.iTrgHotKey = ctrlShiftF9;
        p.bUpdHotKey = 1;   // a switch without a key
        p.iUpdHotKey = 0;
    });
    Add("B", [&](Profile& p) {
        p.bTrgHotKeyWin = 1;
        p.iTrgHotKeyWin = ctrlShiftF9;   // the same key as A's
        p.bUpdHotKey = 1;
        p.iUpdHotKey = altF10;
    });
    Add("C", [&](Profile& p) {
        p.bGenEnabled = 0;
        p.bTrgHotKey = 1;
        p.iTrgHotKey = MOD_ALT << 8 | VK_F11;
    });
    RegisterProfileHotKeys(&g_profiles, 1);
    ASSERT_EQ(3, g_profileHotKeys.count);
    EXPECT_STREQ("A", g_profileHotKeys.data[0].profile);
    EXPECT_EQ((uint32_t)PROFILE_HOTKEY_WINDOW, g_profileHotKeys.data[1].kind);
    EXPECT_EQ((uint32_t)PROFILE_HOTKEY_UPDATE, g_profileHotKeys.data[2].kind);
    auto taken = [](uint16_t word) {
        SetLastError(0xDEADBEEF);
        if (RegisterHotKey(nullptr, 0x7000, word >> 8, word & 0xFF)) {
            UnregisterHotKey(nullptr, 0x7000);
            return false;
        }
        return GetLastError() == ERROR_HOTKEY_ALREADY_REGISTERED;
    };
    EXPECT_TRUE(taken(ctrlShiftF9));
    EXPECT_TRUE(taken(altF10));
    EXPECT_FALSE(taken(MOD_ALT << 8 | VK_F11)) << "a disabled profile has no hotkeys";

    RegisterProfileHotKeys(&g_profiles, 0);
    EXPECT_EQ(0, g_profileHotKeys.count);
    EXPECT_FALSE(taken(ctrlShiftF9));
    EXPECT_FALSE(taken(altF10));
}

// The main dialog hears of new windows with rules, except while a profile is
// executed in place.
TEST_F(MainWindow, MainDialogIsToldOfRuleChangesExceptDuringAnExecution)
{
    HWND dialog = CreateWindowA("TriggerTestLog", "dialog", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                                nullptr, nullptr);
    g_mainDialog = dialog;
    Add("Rules", [](Profile& p) {
        Rule r;
        InitRule(&r);
        CopyText(r.name, sizeof(r.name), "Probe");
        SET_RULE_TEXT(&r, caption, "Refresh Probe");
        r.cmpcaption = CMP_STARTS_WITH;
        r.cmpwndclss = CMP_ANY;
        r.cmpprogram = CMP_ANY;
        ArrayAppend(p.pRules, &r);
    });
    MakeCurrent("Rules");
    auto refreshes = [&] {
        int n = 0;
        MSG m;
        while (PeekMessageA(&m, dialog, WM_PROFILE_RULESCHANGED, WM_PROFILE_RULESCHANGED, PM_REMOVE)) n++;
        return n;
    };
    refreshes();
    auto openProbe = [](const char* title) {
        HWND w = CreateWindowA("TriggerTestLog", title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50, 200, 100,
                               nullptr, nullptr, nullptr, nullptr);
        return w;
    };
    HWND first = openProbe("Refresh Probe 1");
    ExecuteProfile(&Named("Rules"), PROFILE_SOURCE_USER, EXECUTE_FORCE);
    EXPECT_EQ(0, refreshes()) << "executed in place";
    HWND second = openProbe("Refresh Probe 2");
    RunCurrentProfilePass();
    EXPECT_EQ(1, refreshes()) << "a new window with a rule";
    RunCurrentProfilePass();
    EXPECT_EQ(0, refreshes()) << "nothing changed";
    DestroyWindow(first);
    DestroyWindow(second);
    DestroyWindow(dialog);
}
