// TrayE2ETest.cpp - the running program's tray: its own icon and state,
// windows sent to the tray by their minimize button, by the Minimize to Tray
// list and by the dozen, pinned icons, and everything shown again at exit.
// Icons are clicked through the X server, as a user clicks them.
#include "engine/ProductIds.h"
#include "framework/core/AppObject.h"
#include "framework/core/TextUtil.h"
#include "tests/support/DialogDriver.h"
#include "tests/support/ProgramFixture.h"
#include "tests/support/WineTray.h"

#include <algorithm>

namespace {

// The point of the window's minimize button, asked of the window itself.
bool FindMinimizeButton(HWND window, POINT* point)
{
    RECT r;
    if (!GetWindowRect(window, &r)) return false;
    for (int y = r.top + 2; y < r.top + 40; y += 2)
        for (int x = r.right - 2; x > r.right - 160; x -= 2) {
            DWORD_PTR hit = 0;
            if (SendMessageTimeoutA(window, WM_NCHITTEST, 0, MAKELPARAM(x, y), SMTO_ABORTIFHUNG, 2000, &hit) &&
                hit == HTMINBUTTON) {
                *point = {x - 4, y + 4};
                return true;
            }
        }
    return false;
}

LRESULT CALLBACK PlainProc(HWND w, UINT m, WPARAM wp, LPARAM lp)
{
    return DefWindowProcA(w, m, wp, lp);
}

}  // namespace

class ProgramTray : public ProgramTest {
protected:
    void TearDown() override
    {
        ProgramTest::TearDown();
        for (HWND w : ownWindows) DestroyWindow(w);
    }
    TestWindow* OpenTestWindow(const std::string& title)
    {
        return Open("--title \"" + title + "\" --rect 400,300,420,300");
    }
    bool WaitForIcons(int count)
    {
        return PumpUntil([&] { return CountTrayIcons() == count; }, 15000);
    }
    RECT LastIcon()
    {
        std::vector<RECT> icons = TrayIconRects();
        return icons.empty() ? RECT{} : icons.back();
    }
    // Asks the running program to save everything and waits until it did.
    bool SaveNow()
    {
        std::string path = Data("Options.zpx");
        DeleteFileA(path.c_str());
        PostMessageA(run.main, ZRPMSG_SAVEALL, 0, 0);
        return PumpUntil([&] { return FileExists(path); }, 15000);
    }
    std::vector<HWND> ownWindows;   // windows of this process, shown again at the program's exit
};

// The shown menu popup of the process (each popup item keeps a hidden one).
static HWND VisibleMenuPopup(DWORD pid)
{
    struct Query {
        DWORD pid;
        HWND found;
    } q = {pid, nullptr};
    EnumWindows(
        [](HWND w, LPARAM data) -> BOOL {
            Query* q = (Query*)data;
            DWORD owner = 0;
            GetWindowThreadProcessId(w, &owner);
            char cls[64] = {};
            GetClassNameA(w, cls, sizeof(cls));
            if (owner == q->pid && IsWindowVisible(w) && strcmp(cls, "ZRPAppMenuPopup") == 0) q->found = w;
            return q->found == nullptr;
        },
        (LPARAM)&q);
    return q.found;
}

TEST_F(ProgramTray, ProgramIconShowsTheEnabledStateAndAnswersClicks)
{
    ASSERT_TRUE(WriteOptions());
    int before = CountTrayIcons();
    ASSERT_TRUE(Start());
    ASSERT_TRUE(WaitForIcons(before + 1));
    RECT icon = LastIcon();
    std::vector<COLORREF> enabled;
    ASSERT_TRUE(PumpUntil(
        [&] {
            enabled = ScreenPixels(icon);
            return std::count(enabled.begin(), enabled.end(), enabled[0]) < (long)enabled.size();
        },
        10000))
        << "the icon is drawn";

    ASSERT_TRUE(ClickAt(icon, 1));
    EXPECT_NE(nullptr, WaitForDialog(run.child.pid, "PanelShepherd")) << "the main dialog opens";
    ASSERT_TRUE(ClickAt(icon, 3));
    HWND menu = nullptr;
    EXPECT_TRUE(PumpUntil([&] { return (menu = VisibleMenuPopup(run.child.pid)) != nullptr; }, 10000))
        << "the tray menu opens";
    if (menu) PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(PumpUntil([&] { return VisibleMenuPopup(run.child.pid) == nullptr; }, 10000))
        << "and Escape closes it";

    // The pointer left on the icon may bring a hover mark or a tooltip over it: take the
    // enabled picture again with the pointer away and the area at rest.
    SetCursorPos(icon.left - 200, icon.top - 200);
    ASSERT_TRUE(PumpUntil(
        [&] {
            std::vector<COLORREF> now = ScreenPixels(icon);
            bool rest = now == enabled;
            enabled = now;
            return rest;
        },
        10000));

    ASSERT_EQ(0, RunProgramToEnd("-DISABLE"));
    EXPECT_TRUE(PumpUntil([&] { return ScreenPixels(icon) != enabled; }, 10000)) << "the disabled icon";
    ASSERT_TRUE(SaveNow());
    ASSERT_TRUE(ReadOptions());
    EXPECT_EQ(0, Options.bEnabled);

    ASSERT_EQ(0, RunProgramToEnd("-ENABLE"));
    EXPECT_TRUE(PumpUntil([&] { return ScreenPixels(icon) == enabled; }, 10000)) << "the enabled icon again";
    ASSERT_TRUE(SaveNow());
    ASSERT_TRUE(ReadOptions());
    EXPECT_EQ(1, Options.bEnabled);
    EXPECT_EQ(before + 1, CountTrayIcons());

    ASSERT_EQ(0, Quit());
    EXPECT_TRUE(WaitForIcons(before)) << "the icon goes with the program";
}

TEST_F(ProgramTray, RightClickOnTheMinimizeButtonSendsTheWindowToTheTray)
{
    ASSERT_TRUE(WriteOptions([](OptionsRecord& o) { o.bMinimizeToTray = 1; }));
    int before = CountTrayIcons();
    ASSERT_TRUE(Start());
    ASSERT_TRUE(WaitForIcons(before + 1));
    TestWindow* w = OpenTestWindow("Tray Me");
    POINT button;
    ASSERT_TRUE(FindMinimizeButton(w->hwnd, &button));

    ASSERT_TRUE(SendClickInput(button, true));
    EXPECT_TRUE(PumpUntil([&] { return !IsWindowVisible(w->hwnd); }, 15000)) << "hidden";
    ASSERT_TRUE(WaitForIcons(before + 2)) << "behind an icon of its own";

    ASSERT_TRUE(ClickAt(LastIcon(), 1));
    EXPECT_TRUE(PumpUntil([&] { return IsWindowVisible(w->hwnd) != FALSE; }, 15000)) << "back";
    EXPECT_TRUE(WaitForIcons(before + 1)) << "and its icon gone";

}

TEST_F(ProgramTray, ListedProgramGoesToTheTrayWhenMinimisedAndComesBackAtExit)
{
    ASSERT_TRUE(WriteOptions([](OptionsRecord&) {
        TrayAppEntry e = {};
        CopyText(e.program, sizeof(e.program), "TESTWINDOW.EXE");
        CopyText(e.title, sizeof(e.title), "Listed");
        ArrayAppend(&g_trayAppList, &e);
    }));
    int before = CountTrayIcons();
    ASSERT_TRUE(Start());
    ASSERT_TRUE(WaitForIcons(before + 1));
    TestWindow* listed = OpenTestWindow("Listed Window");
    TestWindow* other = OpenTestWindow("Other Window");
    ASSERT_TRUE(TestWindowStep(other, "min"));
    ASSERT_TRUE(TestWindowStep(listed, "min"));
    EXPECT_TRUE(PumpUntil([&] { return !IsWindowVisible(listed->hwnd); }, 15000)) << "the listed one is hidden";
    EXPECT_TRUE(WaitForIcons(before + 2));
    TestWindowReport report;
    ASSERT_TRUE(TestWindowStep(listed, "report", &report));
    EXPECT_FALSE(report.iconic) << "it comes back in its previous state";
    ASSERT_TRUE(TestWindowStep(other, "report", &report));
    EXPECT_TRUE(report.visible && report.iconic) << "the other one is only minimised";

    ASSERT_EQ(0, Quit());
    EXPECT_TRUE(PumpUntil([&] { return IsWindowVisible(listed->hwnd) != FALSE; }, 15000)) << "shown at exit";
    ASSERT_TRUE(ReadOptions());
    ASSERT_EQ(1, g_trayAppList.count) << "saved at exit as it was listed";
    EXPECT_STREQ("Listed", g_trayAppList.data[0].title);
}

// The windows live in this process; the program hides and shows them.
TEST_F(ProgramTray, SixtyFourWindowsGoToTheTrayAndTheSixtyFifthStays)
{
    ASSERT_TRUE(WriteOptions());
    int before = CountTrayIcons();
    ASSERT_TRUE(Start());
    ASSERT_TRUE(WaitForIcons(before + 1));
    WNDCLASSA c = {};
    c.lpfnWndProc = PlainProc;
    c.lpszClassName = "TrayE2EWindow";
    RegisterClassA(&c);
    for (int i = 0; i < 65; i++) {
        std::string title = "Many " + std::to_string(i);
        HWND w = CreateWindowA("TrayE2EWindow", title.c_str(), WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50 + i, 50 + i, 200,
                               100, nullptr, nullptr, nullptr, nullptr);
        ownWindows.push_back(w);
        PostMessageA(run.main, WM_TRAY_MINIMIZE, 0, (LPARAM)w);
    }
    // Posted after the 65: when it is done, so are they.
    PostMessageA(run.main, ZRPMSG_COMMAND, CMD_PROFILE_EXECUTE, 0);
    ASSERT_NE(std::string::npos, WaitForLog("PRF: Executing Profile (Default)"));
    int hidden = 0;
    EXPECT_TRUE(PumpUntil(
        [&] {
            hidden = 0;
            for (HWND w : ownWindows) hidden += !IsWindowVisible(w);
            return hidden == 64;
        },
        15000))
        << hidden;
    EXPECT_TRUE(IsWindowVisible(ownWindows.back())) << "no slot for the 65th";
    EXPECT_TRUE(WaitForIcons(before + 65));

    ASSERT_EQ(0, Quit());
    EXPECT_TRUE(PumpUntil(
        [&] {
            for (HWND w : ownWindows)
                if (!IsWindowVisible(w)) return false;
            return true;
        },
        15000))
        << "quitting shows them all";
    EXPECT_TRUE(WaitForIcons(before));
}

TEST_F(ProgramTray, PinnedIconIsStoredByTitleAndStaysWhileItsWindowIsShown)
{
    ASSERT_TRUE(WriteOptions());
    int before = CountTrayIcons();
    ASSERT_TRUE(Start());
    ASSERT_TRUE(WaitForIcons(before + 1));
    TestWindow* w = OpenTestWindow("Pin Me");
    PostMessageA(run.main, WM_TRAY_MINIMIZE, 0, (LPARAM)w->hwnd);
    ASSERT_TRUE(WaitForIcons(before + 2));
    RECT icon = LastIcon();

    // The slot's menu: its first item pins the icon.
    ASSERT_TRUE(ClickAt(icon, 3));
    HWND menu = ChooseFirstMenuItem();
    ASSERT_NE(nullptr, menu);
    ASSERT_TRUE(PumpUntil([&] { return !IsWindowVisible(menu); }, 15000));

    ASSERT_TRUE(SaveNow());
    std::string pins = ReadWholeFile(Data("PinList.zpx"));
    uint32_t crc = Crc32("Pin Me", -1);
    EXPECT_EQ(std::string((const char*)&crc, 4), pins) << "four bytes: the title's CRC-32";

    ASSERT_TRUE(ClickAt(icon, 1));
    EXPECT_TRUE(PumpUntil([&] { return IsWindowVisible(w->hwnd) != FALSE; }, 15000)) << "shown";
    ASSERT_TRUE(ClickAt(icon, 1));
    EXPECT_TRUE(PumpUntil([&] { return !IsWindowVisible(w->hwnd); }, 15000)) << "hidden again";
    EXPECT_EQ(before + 2, CountTrayIcons()) << "the pinned icon stays throughout";
}

// Explorer restarted: the shell forgot every icon and says "TaskbarCreated".
TEST_F(ProgramTray, IconsComeBackWhenTheTaskbarIsCreatedAgain)
{
    ASSERT_TRUE(WriteOptions());
    int before = CountTrayIcons();
    ASSERT_TRUE(Start());
    ASSERT_TRUE(WaitForIcons(before + 1));
    TestWindow* w = OpenTestWindow("Kept In Tray");
    PostMessageA(run.main, WM_TRAY_MINIMIZE, 0, (LPARAM)w->hwnd);
    ASSERT_TRUE(WaitForIcons(before + 2));
    for (UINT id : {0u, 0x400u}) {
        NOTIFYICONDATAA nid = {};
        nid.cbSize = sizeof(nid);
        nid.hWnd = run.main;
        nid.uID = id;
        ASSERT_TRUE(Shell_NotifyIconA(NIM_DELETE, &nid)) << id;
    }
    ASSERT_TRUE(WaitForIcons(before));
    PostMessageA(run.control, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    EXPECT_TRUE(WaitForIcons(before + 2));
    EXPECT_FALSE(IsWindowVisible(w->hwnd));
    ASSERT_TRUE(ClickAt(LastIcon(), 1));
    EXPECT_TRUE(PumpUntil([&] { return IsWindowVisible(w->hwnd) != FALSE; }, 15000)) << "the new icon works";
}
