// TraySlotTest.cpp - tray slots in this process: windows of this thread go to
// the real (Wine) notification area and come back; the pin list, the Minimize
// to Tray list's matching, the slot commands and their guards.
#include "engine/ScriptRequests.h"
#include "engine/Script.h"
#include "engine/TraySlots.h"
#include "framework/ui/MessageBox.h"
#include "tests/engine/TriggerFixture.h"
#include "tests/support/WineTray.h"

#include <shellapi.h>

#include <thread>

namespace {

bool g_refuseClose;
int g_closeRequests;

LRESULT CALLBACK SlotWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CLOSE) g_closeRequests++;
    // "Save changes?" answered with Cancel: the window stays.
    if (message == WM_CLOSE && g_refuseClose) return 0;
    return DefWindowProcA(window, message, wParam, lParam);
}

void CALLBACK EndMenuSoon(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(nullptr, timer);
    EndMenu();
}

}  // namespace

class TraySlots : public TriggerTest {
protected:
    void SetUp() override
    {
        TriggerTest::SetUp();
        static bool registered = false;
        if (!registered) {
            WNDCLASSA c = {};
            c.lpfnWndProc = SlotWindowProc;
            c.hIcon = LoadIconA(nullptr, (LPCSTR)IDI_APPLICATION);
            c.lpszClassName = "TraySlotTestWindow";
            RegisterClassA(&c);
            registered = true;
        }
        FreeGrowArray(&g_pinList);
        FreeGrowArray(&g_trayAppList);
        g_refuseClose = false;
        g_closeRequests = 0;
        icons = CountTrayIcons();
    }
    void TearDown() override
    {
        FreeGrowArray(&g_trayAppList);   // nothing to offer back
        RestoreAllFromTray();
        for (HWND w : windows)
            if (IsWindow(w)) DestroyWindow(w);
        FreeGrowArray(&g_pinList);
        FreeGrowArray(&g_trayAppList);
        TriggerTest::TearDown();
    }
    HWND Window(const char* title, DWORD style = WS_OVERLAPPEDWINDOW, DWORD exStyle = 0, HWND parent = nullptr)
    {
        HWND w = CreateWindowExA(exStyle, "TraySlotTestWindow", title, style, 100, 100, 300, 200, parent, nullptr,
                                 nullptr, nullptr);
        ShowWindow(w, SW_SHOW);
        windows.push_back(w);
        return w;
    }
    void AddEntry(const char* program, const char* title)
    {
        TrayAppEntry e = {};
        CopyText(e.program, sizeof(e.program), program);
        CopyText(e.title, sizeof(e.title), title);
        ArrayAppend(&g_trayAppList, &e);
    }
    // The slot's menu command, as if picked from its menu (which is closed at once).
    void Command(HWND window, WORD command)
    {
        int slot = FindTraySlot(window);
        ASSERT_GE(slot, 0);
        SetTimer(nullptr, 0, 20, EndMenuSoon);
        OnTraySlotIcon(slot, WM_RBUTTONUP);
        OnTraySlotCommand(command);
    }
    bool Pinned(const char* title)
    {
        uint32_t crc = Crc32(title, -1);
        for (int i = 0; i < g_pinList.count; i++)
            if (g_pinList.data[i] == crc) return true;
        return false;
    }
    std::vector<HWND> windows;
    int icons = 0;
};

TEST_F(TraySlots, WindowHidesBehindItsIconAndAClickBringsItBack)
{
    HWND w = Window("Slot Window");
    MinimizeToTray(w);
    EXPECT_FALSE(IsWindowVisible(w));
    EXPECT_TRUE(IsWindowInTraySlot(w));
    int slot = FindTraySlot(w);
    EXPECT_EQ(TRAY_SLOT_FIRST_ID, slot);
    EXPECT_EQ(icons + 1, CountTrayIcons());

    MinimizeToTray(w);
    EXPECT_EQ(slot, FindTraySlot(w)) << "a window already held keeps its slot";
    EXPECT_EQ(icons + 1, CountTrayIcons());

    OnTraySlotIcon(slot, WM_LBUTTONUP);
    EXPECT_TRUE(IsWindowVisible(w));
    EXPECT_FALSE(IsWindowInTraySlot(w));
    EXPECT_EQ(icons, CountTrayIcons());
}

TEST_F(TraySlots, WindowsThatMustNotBeHiddenStayVisible)
{
    HWND mdi = Window("MDI child");
    SetWindowLongA(mdi, GWL_EXSTYLE, GetWindowLongA(mdi, GWL_EXSTYLE) | WS_EX_MDICHILD);
    MinimizeToTray(mdi);
    EXPECT_TRUE(IsWindowVisible(mdi));
    EXPECT_EQ(-1, FindTraySlot(mdi));

    // A child stands for its top-level window.
    HWND top = Window("Top with child");
    HWND child = CreateWindowExA(0, "STATIC", "child", WS_CHILD | WS_VISIBLE, 0, 0, 50, 20, top, nullptr, nullptr,
                                 nullptr);
    MinimizeToTray(child);
    EXPECT_GE(FindTraySlot(top), 0);
    EXPECT_FALSE(IsWindowVisible(top));
    EXPECT_EQ(-1, FindTraySlot(child));
}

TEST_F(TraySlots, UpdateDropsTheIconOfAWindowShownAgainOrGone)
{
    HWND shown = Window("Shown again"), gone = Window("Gone"), hidden = Window("Still hidden");
    for (HWND w : {shown, gone, hidden}) MinimizeToTray(w);
    ASSERT_EQ(icons + 3, CountTrayIcons());
    ShowWindow(shown, SW_SHOW);
    DestroyWindow(gone);
    for (HWND w : {shown, gone, hidden}) UpdateTrayIcon(w);
    EXPECT_EQ(-1, FindTraySlot(shown));
    EXPECT_EQ(-1, FindTraySlot(gone));
    EXPECT_GE(FindTraySlot(hidden), 0);
    EXPECT_EQ(icons + 1, CountTrayIcons());
}

TEST_F(TraySlots, PinningStoresTheTitleItHadWhenItWentToTheTray)
{
    HWND w = Window("Old Title");
    MinimizeToTray(w);
    SetWindowTextA(w, "New Title");
    Command(w, TRAY_SLOT_PIN);
    EXPECT_TRUE(Pinned("Old Title"));
    EXPECT_FALSE(Pinned("New Title"));
    EXPECT_EQ(1, g_pinList.count);

    // Pinned: a click hides and shows, the icon stays.
    int slot = FindTraySlot(w);
    OnTraySlotIcon(slot, WM_LBUTTONUP);
    EXPECT_TRUE(IsWindowVisible(w));
    EXPECT_EQ(slot, FindTraySlot(w));
    UpdateTrayIcon(w);
    EXPECT_EQ(slot, FindTraySlot(w)) << "a pinned window keeps its icon while shown";
    OnTraySlotIcon(slot, WM_LBUTTONUP);
    EXPECT_FALSE(IsWindowVisible(w));
    EXPECT_EQ(icons + 1, CountTrayIcons());

    // Unpinned while hidden: the entry goes, the window stays in the tray.
    Command(w, TRAY_SLOT_PIN);
    EXPECT_EQ(0, g_pinList.count);
    EXPECT_EQ(slot, FindTraySlot(w));
}

TEST_F(TraySlots, TitlesOnThePinListArePinnedWhateverTheWindow)
{
    uint32_t crc = Crc32("Twin", -1);
    ArrayAppend(&g_pinList, &crc);
    HWND a = Window("Twin"), b = Window("Twin"), other = Window("Other");
    for (HWND w : {a, b, other}) MinimizeToTray(w);
    // A pinned window that is gone loses its icon at the next sweep; an
    // unpinned one keeps it until something else looks at it.
    DestroyWindow(a);
    DestroyWindow(other);
    RemoveVanishedTrayIcons();
    EXPECT_EQ(-1, FindTraySlot(a));
    EXPECT_GE(FindTraySlot(other), 0);
    // b is pinned: shown again, it keeps its icon.
    ShowWindow(b, SW_SHOW);
    UpdateTrayIcon(b);
    EXPECT_GE(FindTraySlot(b), 0);
}

TEST_F(TraySlots, CloseFromTheTrayShowsAWindowThatRefusesToClose)
{
    g_refuseClose = true;
    HWND w = Window("Unsaved");
    MinimizeToTray(w);
    Command(w, TRAY_SLOT_CLOSE);
    ASSERT_TRUE(PumpUntil([] { return g_closeRequests == 1; }, 5000));
    EXPECT_TRUE(IsWindow(w)) << "the window kept itself open";
    EXPECT_TRUE(IsWindowVisible(w)) << "and is not lost hidden without an icon";
    EXPECT_EQ(-1, FindTraySlot(w));

    g_refuseClose = false;
    HWND closing = Window("Closes");
    MinimizeToTray(closing);
    Command(closing, TRAY_SLOT_CLOSE);
    EXPECT_TRUE(PumpUntil([&] { return !IsWindow(closing); }, 5000));
    EXPECT_EQ(icons + 0, CountTrayIcons());
}

TEST_F(TraySlots, RestoreShowAndHideCommands)
{
    uint32_t crc = Crc32("Pinned one", -1);
    ArrayAppend(&g_pinList, &crc);
    HWND w = Window("Pinned one");
    MinimizeToTray(w);
    Command(w, TRAY_SLOT_SHOW);
    EXPECT_TRUE(IsWindowVisible(w));
    Command(w, TRAY_SLOT_HIDE);
    EXPECT_FALSE(IsWindowVisible(w));
    EXPECT_GE(FindTraySlot(w), 0);
    Command(w, TRAY_SLOT_RESTORE);
    EXPECT_TRUE(IsWindowVisible(w));
    EXPECT_EQ(-1, FindTraySlot(w));
}

TEST_F(TraySlots, IconsComeBackAfterTheTaskbarIsRecreated)
{
    HWND a = Window("First"), b = Window("Second");
    MinimizeToTray(a);
    MinimizeToTray(b);
    ASSERT_EQ(icons + 2, CountTrayIcons());
    // The shell lost them, as a restarted Explorer does.
    for (HWND w : {a, b}) {
        NOTIFYICONDATAA nid = {};
        nid.cbSize = sizeof(nid);
        nid.hWnd = g_mainWindow;
        nid.uID = (UINT)FindTraySlot(w);
        Shell_NotifyIconA(NIM_DELETE, &nid);
    }
    ASSERT_EQ(icons, CountTrayIcons());
    RecreateTrayIcons();
    EXPECT_EQ(icons + 2, CountTrayIcons());
}

TEST_F(TraySlots, MinimizeToTrayListMatchesProgramInAnyCaseAndTitleAsWritten)
{
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, sizeof(path));
    const char* exe = strrchr(path, '\\') + 1;
    std::string upper = exe;
    for (char& c : upper) c = (char)toupper((unsigned char)c);
    HWND titled = Window("Report - Editor"), untitled = Window("");
    struct Case {
        std::string program, title;
        HWND window;
        bool match;
        const char* why;
    } cases[] = {
        {exe, "Editor", titled, true, "program and title parts"},
        {upper, "Editor", titled, true, "program paths ignore case"},
        {exe, "editor", titled, false, "titles are compared as written"},
        {"other.exe", "", titled, false, "another program"},
        {"", "", titled, true, "empty texts match any titled window"},
        {"", "", untitled, false, "a window without a title never matches"},
        {exe, "", untitled, false, "not even with an empty title in the entry"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        FreeGrowArray(&g_trayAppList);
        AddEntry(c.program.c_str(), c.title.c_str());
        EXPECT_EQ(c.match ? 0 : -1, FindTrayAppEntry(c.window));
    }
}

TEST_F(TraySlots, MinimisedWindowOfAListedProgramIsSentToTheTray)
{
    AddEntry("", "Listed");
    HWND listed = Window("Listed window"), other = Window("Other window");
    for (HWND w : {listed, other}) {
        ShowWindow(w, SW_MINIMIZE);
        g_windowTable[0] = MonitoredWindow{};
        g_windowTable[0].hwnd = w;
        g_windowTable[0].state = 1;
        g_windowTable[0].previousState = 0;
        g_windowCount = 1;
        LRESULT answer = OfferMinimizedWindowToTray(0);
        MSG m = {};
        bool posted = PeekMessageA(&m, g_mainWindow, WM_TRAY_MINIMIZE, WM_TRAY_MINIMIZE, PM_REMOVE) != FALSE;
        if (w == listed) {
            EXPECT_EQ(1, answer);
            EXPECT_FALSE(IsIconic(w)) << "back to its previous state first";
            ASSERT_TRUE(posted);
            EXPECT_EQ((LPARAM)w, m.lParam);
        } else {
            EXPECT_EQ(0, answer);
            EXPECT_TRUE(IsIconic(w));
            EXPECT_FALSE(posted);
        }
    }
    EXPECT_EQ(0, OfferMinimizedWindowToTray(5)) << "an index beyond the table";
}

TEST_F(TraySlots, SixtyFourSlotsAndRestoreAllAtTheEnd)
{
    std::vector<HWND> many;
    for (int i = 0; i < TRAY_SLOT_COUNT + 1; i++) {
        many.push_back(Window(("Many " + std::to_string(i)).c_str()));
        MinimizeToTray(many.back());
    }
    for (int i = 0; i < TRAY_SLOT_COUNT; i++) EXPECT_FALSE(IsWindowVisible(many[i])) << i;
    EXPECT_TRUE(IsWindowVisible(many[TRAY_SLOT_COUNT])) << "no slot is left for the 65th";
    EXPECT_EQ(-1, FindTraySlot(many[TRAY_SLOT_COUNT]));
    RestoreAllFromTray();
    for (HWND w : many) EXPECT_TRUE(IsWindowVisible(w));
    EXPECT_EQ(icons, CountTrayIcons());
}

TEST_F(TraySlots, HiddenWindowsOfListedProgramsAreOfferedBack)
{
    AddEntry("", "Lost ");
    HWND lost = Window("Lost window"), kept = Window("Lost but not asked");
    ShowWindow(lost, SW_HIDE);
    ShowWindow(kept, SW_HIDE);
    static std::vector<std::string> asked;
    asked.clear();
    SetMessageBoxHook([](const char*, const char* text, uint32_t) {
        asked.push_back(text);
        return strstr(text, "Title: Lost window\n") ? IDYES : IDNO;
    });
    RestoreAllFromTray();
    SetMessageBoxHook(nullptr);
    ASSERT_EQ(2u, asked.size());
    std::string expected = "Recover hidden window?\nTitle: Lost window\nClass: TraySlotTestWindow";
    EXPECT_TRUE(asked[0] == expected || asked[1] == expected) << asked[0] << "\n" << asked[1];
    EXPECT_TRUE(IsWindowVisible(lost));
    EXPECT_FALSE(IsWindowVisible(kept));
}

// A script's STATE(5) and STATE(6) reach the slots through the main window.
TEST_F(TraySlots, ScriptStatesSendToTheTrayAndBack)
{
    HWND w = Window("Scripted");
    MinimizeToTray(w);   // as the posted STATE(5) does
    ASSERT_GE(FindTraySlot(w), 0);
    HandleScriptRequest(SCRIPT_REQUEST_FROM_TRAY, (LPARAM)w);
    EXPECT_TRUE(IsWindowVisible(w));
    EXPECT_EQ(-1, FindTraySlot(w));
    EXPECT_EQ(icons, CountTrayIcons());
}

// A window of another thread comes out of the tray when its thread next takes
// a message: until then it is still hidden, yet it is not asked about.
TEST_F(TraySlots, WindowJustShownFromTheTrayIsNotOfferedBack)
{
    AddEntry("", "Listed busy");
    HANDLE pumping = CreateEventA(nullptr, TRUE, FALSE, nullptr), stop = CreateEventA(nullptr, TRUE, FALSE, nullptr),
           go = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HWND w = nullptr;
    std::thread owner([&] {
        w = CreateWindowA("TraySlotTestWindow", "Listed busy window", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100,
                          300, 200, nullptr, nullptr, nullptr, nullptr);
        SetEvent(pumping);
        while (MsgWaitForMultipleObjects(1, &stop, FALSE, 5000, QS_ALLINPUT) != WAIT_OBJECT_0) {
            MSG m;
            while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
        }
        WaitForSingleObject(go, 10000);   // busy: takes no message
        MSG m;
        for (ULONGLONG end = GetTickCount64() + 5000; GetTickCount64() < end && !IsWindowVisible(w);)
            if (MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT) == WAIT_OBJECT_0)
                while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
        DestroyWindow(w);
    });
    WaitForSingleObject(pumping, 10000);
    MinimizeToTray(w);
    ASSERT_TRUE(PumpUntil([&] { return !IsWindowVisible(w); }, 5000));
    SetEvent(stop);
    static std::vector<std::string> asked;
    asked.clear();
    SetMessageBoxHook([](const char*, const char* text, uint32_t) {
        asked.push_back(text);
        return IDNO;
    });
    RestoreAllFromTray();
    SetMessageBoxHook(nullptr);
    bool hiddenMeanwhile = !IsWindowVisible(w);
    SetEvent(go);
    owner.join();
    for (HANDLE h : {pumping, stop, go}) CloseHandle(h);
    EXPECT_TRUE(hiddenMeanwhile) << "its thread had not shown it yet";
    EXPECT_TRUE(asked.empty()) << asked[0];
}
