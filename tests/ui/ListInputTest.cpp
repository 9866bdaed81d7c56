// ListInputTest.cpp - the list control under the real mouse and keyboard
// (SendInput on the shared desktop): header clicks sort and reverse, a right
// click pauses sorting, a slow second click and a double click are told
// apart, a right click selects, Ctrl+A selects every row, and the owner may
// swallow a key.
#include "tests/ui/ListTestUtil.h"

namespace {

bool CursorAt(int x, int y)
{
    POINT p;
    return GetCursorPos(&p) && p.x == x && p.y == y;
}

bool MoveMouse(POINT p)
{
    int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    INPUT in = {};
    in.type = INPUT_MOUSE;
    in.mi.dx = (p.x * 65536 + w - 1) / w;
    in.mi.dy = (p.y * 65536 + h - 1) / h;
    in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &in, sizeof(in));
    return PumpUntil([&] { return CursorAt(p.x, p.y); }, 5000);
}

void Buttons(std::initializer_list<DWORD> flags)
{
    for (DWORD f : flags) {
        INPUT in = {};
        in.type = INPUT_MOUSE;
        in.mi.dwFlags = f;
        SendInput(1, &in, sizeof(in));
    }
}

void Keys(std::initializer_list<std::pair<WORD, bool>> keys)
{
    for (const auto& k : keys) {
        INPUT in = {};
        in.type = INPUT_KEYBOARD;
        in.ki.wVk = k.first;
        in.ki.dwFlags = k.second ? 0 : KEYEVENTF_KEYUP;
        SendInput(1, &in, sizeof(in));
    }
}

// Counts the slow-click timer's ticks on the list box as they are taken.
int g_slowTimerTicks;
HWND g_timerBox;
HHOOK g_messageHook;

LRESULT CALLBACK WatchTimer(int code, WPARAM wParam, LPARAM lParam)
{
    const MSG* m = (const MSG*)lParam;
    if (code == HC_ACTION && wParam == PM_REMOVE && m->message == WM_TIMER && m->hwnd == g_timerBox &&
        m->wParam == 0x1234)
        g_slowTimerTicks++;
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

class ListInput : public ListTest {
protected:
    void SetUp() override
    {
        ListTest::SetUp();
        SetWindowPos(owner, HWND_TOPMOST, 100, 100, 560, 300, SWP_SHOWWINDOW);
        SetForegroundWindow(owner);
        PumpFor(50);
    }
    void TearDown() override
    {
        Buttons({MOUSEEVENTF_LEFTUP, MOUSEEVENTF_RIGHTUP});
        Keys({{VK_CONTROL, false}});
        if (g_messageHook) UnhookWindowsHookEx(g_messageHook);
        g_messageHook = nullptr;
        ListTest::TearDown();
    }
    // A point in a header item, at a fraction of its width.
    POINT InHeader(CList* list, int column, double along)
    {
        RECT r;
        SendMessageA(list->header, HDM_GETITEMRECT, (WPARAM)column, (LPARAM)&r);
        POINT p = {r.left + (int)((r.right - r.left) * along), (r.top + r.bottom) / 2};
        ClientToScreen(list->header, &p);
        return p;
    }
    POINT InRow(CList* list, int row, int x)
    {
        RECT r;
        SendMessageA(list->listBox, LB_GETITEMRECT, (WPARAM)row, (LPARAM)&r);
        POINT p = {r.left + x, (r.top + r.bottom) / 2};
        ClientToScreen(list->listBox, &p);
        return p;
    }
    bool Click(POINT p, bool right = false)
    {
        if (!MoveMouse(p)) return false;
        size_t before = g_listNotices.size();
        Buttons(right ? std::initializer_list<DWORD>{MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP}
                      : std::initializer_list<DWORD>{MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP});
        // The release has been taken once the buttons read as up again.
        return PumpUntil(
            [&] {
                return !(GetKeyState(VK_LBUTTON) & 0x8000) && !(GetKeyState(VK_RBUTTON) & 0x8000) &&
                       g_listNotices.size() >= before;
            },
            5000);
    }
    int Image(CList* list, int column)
    {
        HDITEMA item = {};
        item.mask = HDI_FORMAT | HDI_IMAGE;
        SendMessageA(list->header, HDM_GETITEMA, (WPARAM)column, (LPARAM)&item);
        return (item.fmt & HDF_IMAGE) ? item.iImage : -1;
    }
    void FillRows()
    {
        g_listRows = {MakeListRow({"b", "2"}), MakeListRow({"c", "1"}), MakeListRow({"a", "3"})};
        FillOwnedList();
    }
};

}  // namespace

TEST_F(ListInput, HeaderClicksSortAndReverseAndARightClickPausesSorting)
{
    CList* list = MakeList(10, 10, 400, 200, {0.5, 0.5});
    ASSERT_NE(nullptr, list);
    SetListSortIndicator(list, 0, 1);
    FillRows();
    EXPECT_EQ((std::vector<std::string>{"a", "b", "c"}), Column(0));
    EXPECT_EQ(0, Image(list, 0)) << "the ascending arrow";

    struct Step {
        int column;
        double along;    // where in the header item (no two equal clicks in a row: no double click)
        bool right;
        int sortColumn, direction, notices;
        std::vector<std::string> column0;
        int image;       // of the sort column; -1 none
        const char* why;
    };
    const Step kSteps[] = {
        {0, 0.3, false, 0, -1, 1, {"c", "b", "a"}, 1, "the sort column again: reversed"},
        {1, 0.3, false, 1, -1, 1, {"a", "b", "c"}, 1, "another column keeps the direction (by column 1: 3, 2, 1)"},
        {1, 0.6, false, 1, 1, 1, {"c", "b", "a"}, 0, "and reverses on its second click"},
        {0, 0.4, true, 1, 1, 0, {"c", "b", "a"}, 2, "a right click pauses: grey arrow"},
        {0, 0.6, false, 1, 1, 0, {"c", "b", "a"}, 2, "paused: a click changes nothing"},
        {1, 0.3, false, 1, 1, 0, {"c", "b", "a"}, 2, "nor on the sort column"},
        {0, 0.3, true, 1, 1, 0, {"c", "b", "a"}, 0, "a second right click resumes"},
        {0, 0.6, false, 0, 1, 1, {"a", "b", "c"}, 0, "sorting again"},
    };
    for (size_t i = 0; i < sizeof(kSteps) / sizeof(kSteps[0]); i++) {
        const Step& s = kSteps[i];
        SCOPED_TRACE(testing::Message() << "step " << i << ": " << s.why);
        g_listNotices.clear();
        ASSERT_TRUE(Click(InHeader(list, s.column, s.along), s.right));
        EXPECT_EQ(s.sortColumn, list->sortColumn);
        EXPECT_EQ(s.direction, list->sortDirection);
        ASSERT_EQ(s.notices, Count(LIST_SORTCHANGED));
        if (s.notices) {
            EXPECT_EQ(s.column, g_listNotices[0].lParam) << "the column";
        }
        EXPECT_EQ(s.column0, Column(0));
        EXPECT_EQ(s.image, Image(list, list->sortColumn));
        EXPECT_EQ(-1, Image(list, 1 - list->sortColumn)) << "no arrow on the other column";
    }
}

TEST_F(ListInput, ASlowSecondClickAndADoubleClickAreToldApart)
{
    CList* list = MakeList(10, 10, 400, 200, {0.5, 0.5});
    ASSERT_NE(nullptr, list);
    FillRows();
    g_timerBox = list->listBox;
    g_slowTimerTicks = 0;
    g_messageHook = SetWindowsHookExA(WH_GETMESSAGE, WatchTimer, nullptr, GetCurrentThreadId());

    // The first click selects the row; no slow click, it was not selected before.
    ASSERT_TRUE(Click(InRow(list, 1, 20)));
    EXPECT_EQ(1, GetListSelection(list));
    EXPECT_EQ(1, Count(LIST_LEFTDOWN));
    EXPECT_GE(Count(LIST_SELCHANGED), 1);
    // A second click on it, away from the first (no double click): the slow
    // click comes once the double-click time has passed.
    g_listNotices.clear();
    ASSERT_TRUE(Click(InRow(list, 1, 120)));
    ASSERT_TRUE(PumpUntil([&] { return Count(LIST_SLOWCLICK) > 0; }, 10000));
    EXPECT_EQ(0, Count(LIST_DOUBLECLICK));
    ASSERT_FALSE(g_listNotices.empty());
    EXPECT_EQ(LIST_LEFTDOWN, g_listNotices[0].code);

    // A double click on the selected row: the double click, and once the
    // timer has run out, still no slow click.
    g_listNotices.clear();
    g_slowTimerTicks = 0;
    POINT p = InRow(list, 1, 60);
    ASSERT_TRUE(MoveMouse(p));
    Buttons({MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP});
    ASSERT_TRUE(PumpUntil([&] { return Count(LIST_DOUBLECLICK) > 0; }, 5000));
    ASSERT_TRUE(PumpUntil([&] { return g_slowTimerTicks > 0; }, 10000)) << "the timer of the first click ran out";
    EXPECT_EQ(0, Count(LIST_SLOWCLICK));
}

TEST_F(ListInput, ARightClickSelectsTheRowAndCtrlASelectsEveryRow)
{
    CList* list = MakeList(10, 10, 400, 200, {0.5, 0.5});
    ASSERT_NE(nullptr, list);
    FillRows();
    ASSERT_TRUE(Click(InRow(list, 2, 30), true));
    EXPECT_EQ(2, GetListSelection(list)) << "the right click selected the row under it";
    EXPECT_EQ(list->listBox, GetFocus());
    EXPECT_EQ(1, Count(LIST_RIGHTUP));
    EXPECT_EQ(1, Count(LIST_SELCHANGED));

    // The owner swallows Down: the selection stays.
    g_swallowKeys = {VK_DOWN};
    g_listNotices.clear();
    Keys({{VK_HOME, true}, {VK_HOME, false}});
    ASSERT_TRUE(PumpUntil([&] { return Count(LIST_KEYDOWN) >= 1; }, 5000));
    ASSERT_EQ(0, GetListSelection(list)) << "Home reached the list box";
    Keys({{VK_DOWN, true}, {VK_DOWN, false}});
    ASSERT_TRUE(PumpUntil([&] { return Count(LIST_KEYDOWN) >= 2; }, 5000));
    EXPECT_EQ(VK_DOWN, g_listNotices.back().lParam);
    EXPECT_EQ(1, (int)SendMessageA(list->listBox, LB_GETSELCOUNT, 0, 0));
    EXPECT_EQ(0, GetListSelection(list)) << "swallowed";

    g_listNotices.clear();
    Keys({{VK_CONTROL, true}, {'A', true}, {'A', false}, {VK_CONTROL, false}});
    ASSERT_TRUE(PumpUntil([&] { return Count(LIST_SELCHANGED) >= 1; }, 5000));
    EXPECT_EQ(3, (int)SendMessageA(list->listBox, LB_GETSELCOUNT, 0, 0)) << "every row";
}
