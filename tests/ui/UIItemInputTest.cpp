// UIItemInputTest.cpp - UI items under the real mouse (SendInput on the
// shared desktop): the owner's message sequence for clicks and the
// framework's double clicks, hover and leaving with the status text, the
// eyedropper, and item sizes in a process running at 144 DPI.
#include "framework/core/AppWindow.h"
#include "framework/core/FrameworkHooks.h"
#include "framework/core/MessageLoop.h"
#include "framework/core/MonitorTable.h"
#include "framework/ui/MenuPopup.h"
#include "tests/support/ItemSizeCases.h"
#include "tests/ui/ItemSizeRule.h"
#include "tests/ui/ItemTestUtil.h"

#include <algorithm>
#include <map>
#include <sstream>

namespace {

LRESULT CALLBACK RecordingWindowProc(HWND w, UINT m, WPARAM wp, LPARAM lp)
{
    if (IsOwnerMessage(m)) {
        g_ownerMessages.push_back({m, wp, lp});
        return 0;
    }
    if (m == ZRPMSG_PAINTBACKGROUND) {
        FillBackgroundRequest(w, (HDC)wp, lp, g_hostBackground);
        return 1;
    }
    return CallWindowProcA(g_app.savedWindowProc, w, m, wp, lp);
}

bool CursorAt(int x, int y)
{
    POINT p;
    return GetCursorPos(&p) && p.x == x && p.y == y;
}

// Moves the real pointer (absolute coordinates over the primary screen).
bool MoveMouse(int x, int y)
{
    int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    INPUT in = {};
    in.type = INPUT_MOUSE;
    in.mi.dx = (x * 65536 + w - 1) / w;
    in.mi.dy = (y * 65536 + h - 1) / h;
    in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &in, sizeof(in));
    return PumpUntil([&] { return CursorAt(x, y); }, 5000);
}

void PressButton(DWORD flag)
{
    INPUT in = {};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = flag;
    SendInput(1, &in, sizeof(in));
}

// What an owner sequence row expects: message and wParam.
struct SeqRow {
    UINT message;
    WPARAM wParam;
};

std::string Describe(const std::vector<OwnerMessage>& got)
{
    std::ostringstream out;
    for (const OwnerMessage& m : got) out << std::hex << "{0x" << m.message << ", 0x" << m.wParam << "} ";
    return out.str();
}

// The items sit on a real application window, their owner, at the top of
// the z-order so that the pointer reaches them.
class ItemInput : public ItemTest {
protected:
    void SetUp() override
    {
        ItemTest::SetUp();
        g_app.firstStart = 1;
        CopyText(g_app.dataFolder, sizeof(g_app.dataFolder), FreshFolderForThisTest().c_str());
        g_app.productWindowProc = RecordingWindowProc;
        g_app.doubleClickTime = 5000;   // generous: a loaded machine still clicks "quickly"
        int at = CreateAppWindow(&g_app, "Items");
        ASSERT_GE(at, 0);
        appWindow = g_app.windows.data[at];
        SetWindowPos(appWindow->window, HWND_TOPMOST, 100, 100, 420, 260, SWP_NOACTIVATE | SWP_SHOWWINDOW);
        PumpFor(50);
        g_ownerMessages.clear();
    }
    void TearDown() override
    {
        PressButton(MOUSEEVENTF_LEFTUP);
        PressButton(MOUSEEVENTF_RIGHTUP);
        ItemTest::TearDown();
        while (g_app.windows.count) {
            AppWindow* w = g_app.windows.data[0];
            ArrayRemoveAt(&g_app.windows, 0);
            DestroyAppWindow(w);
        }
        FreeGrowArray(&g_app.windows);
        g_app.dataFolder[0] = '\0';
    }
    // An item on the application window at client (x, y), its own size.
    CUIItem* MakeOnWindow(uint16_t type, uint16_t id, int x, int y)
    {
        CUIItem* item = CreateUIItemByType(type, nullptr);
        if (!item || item->Create(id, appWindow->window, appWindow->window, nullptr) != 0) {
            ADD_FAILURE() << "creating item " << id;
            FreeUIItem(item);
            return nullptr;
        }
        items.push_back(item);
        Place(item, x, y, item->width, item->height);
        return item;
    }
    POINT Centre(CUIItem* item)
    {
        RECT r;
        GetWindowRect(item->window, &r);
        return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }
    bool Outside(POINT* p)
    {
        RECT r;
        GetWindowRect(appWindow->window, &r);
        *p = {r.right + 40, r.bottom + 40};
        return MoveMouse(p->x, p->y);
    }
    bool WaitForMessages(size_t n) { return PumpUntil([&] { return g_ownerMessages.size() >= n; }, 5000); }
    void ExpectSequence(const std::vector<SeqRow>& want, const char* why)
    {
        SCOPED_TRACE(why);
        ASSERT_EQ(want.size(), g_ownerMessages.size()) << Describe(g_ownerMessages);
        for (size_t i = 0; i < want.size(); i++) {
            EXPECT_EQ(want[i].message, g_ownerMessages[i].message) << "row " << i;
            EXPECT_EQ(want[i].wParam, g_ownerMessages[i].wParam) << "row " << i;
            EXPECT_EQ(0, g_ownerMessages[i].lParam) << "row " << i;
        }
    }
    const StatusTextEntry* Status(int key)
    {
        for (int i = 0; i < appWindow->statusTexts.count; i++)
            if (appWindow->statusTexts.data[i].key == key) return &appWindow->statusTexts.data[i];
        return nullptr;
    }
    AppWindow* appWindow = nullptr;
};

//--- clicks

TEST_F(ItemInput, ThreeQuickClicksGiveThreeCommandsAndTwoDoubleClicks)
{
    commands.Add(0x301, 1, CMD_SHOWTEXT | CMD_FRAME, {"Enable", "Ctrl+E", "Turns it on"});
    CUIItem* button = MakeOnWindow(1, 0x301, 20, 20);
    ASSERT_NE(nullptr, button);
    POINT c = Centre(button);
    ASSERT_TRUE(MoveMouse(c.x, c.y));
    for (int click = 0; click < 3; click++) {
        size_t before = g_ownerMessages.size();
        PressButton(MOUSEEVENTF_LEFTDOWN);
        ASSERT_TRUE(PumpUntil([&] { return GetCapture() == button->window; }, 5000)) << "press " << click;
        EXPECT_TRUE(commands.Flags(0x301) & CMD_PRESSED);
        PressButton(MOUSEEVENTF_LEFTUP);
        ASSERT_TRUE(WaitForMessages(before + (click ? 2 : 1))) << "click " << click;
    }
    const WPARAM left = 1u << 16 | 0x301;
    ExpectSequence({{ZRPMSG_COMMAND, left},
                    {ZRPMSG_ITEMNOTIFY, left},
                    {ZRPMSG_COMMAND, left},
                    {ZRPMSG_ITEMNOTIFY, left},
                    {ZRPMSG_COMMAND, left}},
                   "command, then a double click before each further command");
    EXPECT_FALSE(commands.Flags(0x301) & CMD_PRESSED) << "a click clears the press";
    EXPECT_EQ(nullptr, GetCapture());

    // A press later than the double-click time is a single click again.
    g_ownerMessages.clear();
    g_app.lastButtonDown[0] = GetTickCount64() - g_app.doubleClickTime - 1;
    PressButton(MOUSEEVENTF_LEFTDOWN);
    PressButton(MOUSEEVENTF_LEFTUP);
    ASSERT_TRUE(WaitForMessages(1));
    ExpectSequence({{ZRPMSG_COMMAND, left}}, "a slow press");
}

TEST_F(ItemInput, ARightDoubleClickWhileTheLeftIsHeldCarriesBothButtons)
{
    commands.Add(0x302, 1, CMD_SHOWTEXT, {"Both"});
    CUIItem* button = MakeOnWindow(1, 0x302, 20, 20);
    ASSERT_NE(nullptr, button);
    POINT c = Centre(button);
    ASSERT_TRUE(MoveMouse(c.x, c.y));
    PressButton(MOUSEEVENTF_LEFTDOWN);
    ASSERT_TRUE(PumpUntil([&] { return GetCapture() == button->window; }, 5000));
    PressButton(MOUSEEVENTF_RIGHTDOWN);
    PressButton(MOUSEEVENTF_RIGHTUP);
    ASSERT_TRUE(WaitForMessages(1));
    PressButton(MOUSEEVENTF_RIGHTDOWN);
    ASSERT_TRUE(WaitForMessages(2));
    PressButton(MOUSEEVENTF_RIGHTUP);
    ASSERT_TRUE(WaitForMessages(3));
    PressButton(MOUSEEVENTF_LEFTUP);
    PumpUntil([&] { return !(GetKeyState(VK_LBUTTON) & 0x8000); }, 5000);
    const WPARAM both = 3u << 16 | 0x302;
    ExpectSequence({{ZRPMSG_COMMAND, both}, {ZRPMSG_ITEMNOTIFY, both}, {ZRPMSG_COMMAND, both}},
                   "right clicks with the left held: code 3; the left release clicks nothing");
}

TEST_F(ItemInput, APressReleasedOutsideGivesNoCommand)
{
    commands.Add(0x303, 1, CMD_SHOWTEXT, {"Away"});
    commands.Add(0x304, 1, CMD_SHOWTEXT, {"Control"});
    CUIItem* button = MakeOnWindow(1, 0x303, 20, 20);
    CUIItem* control = MakeOnWindow(1, 0x304, 20, 80);
    ASSERT_TRUE(button && control);
    POINT c = Centre(button);
    ASSERT_TRUE(MoveMouse(c.x, c.y));
    PressButton(MOUSEEVENTF_LEFTDOWN);
    ASSERT_TRUE(PumpUntil([&] { return GetCapture() == button->window; }, 5000));
    POINT away;
    ASSERT_TRUE(Outside(&away));
    PressButton(MOUSEEVENTF_LEFTUP);
    ASSERT_TRUE(PumpUntil([&] { return GetCapture() == nullptr; }, 5000));
    EXPECT_EQ(nullptr, g_app.pressedItemWindow);

    // The control: a click on the other item does reach its owner. (Press
    // times are kept per button for all items: start afresh, or this press
    // would count as the second of a double click.)
    memset(g_app.lastButtonDown, 0, sizeof(g_app.lastButtonDown));
    POINT d = Centre(control);
    ASSERT_TRUE(MoveMouse(d.x, d.y));
    PressButton(MOUSEEVENTF_LEFTDOWN);
    PressButton(MOUSEEVENTF_LEFTUP);
    ASSERT_TRUE(WaitForMessages(1));
    ExpectSequence({{ZRPMSG_COMMAND, 1u << 16 | 0x304}}, "only the control's click");

    // A release with lParam -1 (the keyboard's Enter in menus) clicks wherever the cursor is.
    g_ownerMessages.clear();
    memset(g_app.lastButtonDown, 0, sizeof(g_app.lastButtonDown));
    SendMessageA(button->window, WM_LBUTTONDOWN, MK_LBUTTON, 0);
    SendMessageA(button->window, WM_LBUTTONUP, 0, -1);
    ExpectSequence({{ZRPMSG_COMMAND, 1u << 16 | 0x303}}, "lParam -1");
}

//--- hover

TEST_F(ItemInput, HoverSetsTheHotFlagAndTheStatusTextLeavingClearsBoth)
{
    commands.Add(0x305, 1, CMD_SHOWTEXT, {"Enable", nullptr, "Turns the rules on"});
    CUIItem* button = MakeOnWindow(1, 0x305, 20, 20);
    ASSERT_NE(nullptr, button);
    POINT away;
    ASSERT_TRUE(Outside(&away));
    ASSERT_NE(nullptr, Status(-2));
    EXPECT_STREQ("Ready", Status(-2)->text) << "the window's own hover text to begin with";

    POINT c = Centre(button);
    ASSERT_TRUE(MoveMouse(c.x, c.y));
    ASSERT_TRUE(PumpUntil([&] { return (commands.Flags(0x305) & CMD_HOT) != 0; }, 5000));
    EXPECT_EQ(button->window, g_app.hoverItemWindow);
    EXPECT_EQ((void*)button, g_app.statusHoverItem);
    ASSERT_NE(nullptr, Status(-2));
    EXPECT_STREQ("Turns the rules on", Status(-2)->text);

    // Onto the window beside the item: the item is left.
    RECT r;
    GetWindowRect(button->window, &r);
    ASSERT_TRUE(MoveMouse(r.right + 30, r.bottom + 30));
    ASSERT_TRUE(PumpUntil([&] { return !(commands.Flags(0x305) & CMD_HOT); }, 5000));
    EXPECT_EQ(nullptr, Status(-2)) << "the hover text is removed";
    EXPECT_EQ(nullptr, g_app.hoverItemWindow);
    EXPECT_EQ(nullptr, g_app.statusHoverItem);
}

TEST_F(ItemInput, AnOverlongDescriptionIsCutInTheStatusLine)
{
    std::string description(3000, 'd');
    commands.Add(0x309, 1, CMD_SHOWTEXT, {"Long", nullptr, description.c_str()});
    CUIItem* button = MakeOnWindow(1, 0x309, 20, 20);
    ASSERT_NE(nullptr, button);
    SendMessageA(button->window, WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
    ASSERT_NE(nullptr, Status(-2));
    EXPECT_EQ(std::string(1023, 'd'), Status(-2)->text);
}

int g_moves;
void CountMoves(HWND, UINT message, WPARAM, LPARAM, CUIItem*)
{
    if (message == WM_MOUSEMOVE) g_moves++;
}

TEST_F(ItemInput, ADisabledCommandGetsNoHoverFlag)
{
    commands.Add(0x306, 1, CMD_SHOWTEXT, {"Off", nullptr, "Cannot be used now"});
    commands.Add(0x307, 1, CMD_SHOWTEXT, {"On", nullptr, "Can be used"});
    ASSERT_EQ(0, SetCommandEnabled(&g_app, 0x306, false));
    CUIItem* off = MakeOnWindow(1, 0x306, 20, 20);
    CUIItem* on = MakeOnWindow(1, 0x307, 20, 80);
    ASSERT_TRUE(off && on);
    uint32_t hot[2] = {};
    HWND hover[2] = {};
    CUIItem* both[2] = {off, on};
    for (int i = 0; i < 2; i++) {
        POINT away;
        ASSERT_TRUE(Outside(&away));
        g_moves = 0;
        both[i]->messageHook = CountMoves;   // tells when the move has arrived
        POINT c = Centre(both[i]);
        ASSERT_TRUE(MoveMouse(c.x, c.y));
        ASSERT_TRUE(PumpUntil([] { return g_moves > 0; }, 5000));
        both[i]->messageHook = nullptr;
        hot[i] = commands.Flags(both[i]->commandId) & CMD_HOT;
        hover[i] = g_app.hoverItemWindow;
    }
    EXPECT_EQ(0u, hot[0]) << "disabled";
    EXPECT_EQ(nullptr, hover[0]);
    EXPECT_EQ((uint32_t)CMD_HOT, hot[1]) << "the enabled control";
    EXPECT_EQ(on->window, hover[1]);
}

//--- menus under the pointer

// Pumps as the program's message loop does: every message passes the
// framework's filter first.
bool PumpAppUntil(const std::function<bool()>& done, DWORD ms)
{
    for (ULONGLONG end = GetTickCount64() + ms;;) {
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE))
            if (!PreTranslateAppMessage(&g_app, &m)) {
                TranslateMessage(&m);
                DispatchMessageA(&m);
            }
        if (done()) return true;
        if (GetTickCount64() >= end) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    }
}

TEST_F(ItemInput, AContextMenuFollowsThePointerAndAPressOutsideClosesIt)
{
    FrameworkHooks hooks = {};
    hooks.filterMenuMessage = FilterMenuMessage;
    hooks.closeMenus = CloseAllMenus;
    SetFrameworkHooks(&hooks);
    commands.Add(0x501, 1, 0, {"First"});
    commands.Add(0x502, 1, 0, {"Last"});
    commands.Add(0x511, 1, 0, {"Deep"});
    static const uint16_t kMore[] = {0x511, 0xFFFF};
    commands.Add(0x503, 3, 0, {"More"}, (intptr_t)kMore);
    static const uint16_t kRoot[] = {0x501, 0x503, 0x502, 0xFFFF};
    commands.Add(0x500, 3, 0, {"Root"}, (intptr_t)kRoot);
    RECT frame;
    GetWindowRect(appWindow->window, &frame);
    POINT at = {frame.left + 30, frame.top + 30};
    CMenu* menu = TrackContextMenu(&g_app, 0x500, &at, appWindow->window);
    ASSERT_NE(nullptr, menu);
    ASSERT_EQ(3, menu->popupItems.count);

    // Over "More": its popup opens beside it; over "Deep": a click picks it.
    CUIItem* more = menu->popupItems.data[1];
    POINT c = Centre(more);
    ASSERT_TRUE(MoveMouse(c.x, c.y));
    ASSERT_TRUE(PumpAppUntil([&] { return menu->openChild && menu->openChild->popupShown; }, 5000));
    CUIItem* deep = menu->openChild->popupItems.data[0];
    RECT item, sub;
    GetWindowRect(more->window, &item);
    GetWindowRect(menu->openChild->popupWindow, &sub);
    EXPECT_EQ(item.right - 2, sub.left) << "beside its item";
    c = Centre(deep);
    ASSERT_TRUE(MoveMouse(c.x, c.y));
    ASSERT_TRUE(PumpAppUntil([&] { return (commands.Flags(0x511) & CMD_HOT) != 0; }, 5000));
    EXPECT_TRUE(menu->openChild && menu->openChild->popupShown) << "moving into it keeps it open";
    PressButton(MOUSEEVENTF_LEFTDOWN);
    PressButton(MOUSEEVENTF_LEFTUP);
    ASSERT_TRUE(PumpAppUntil([&] { return !g_ownerMessages.empty(); }, 5000));
    ExpectSequence({{ZRPMSG_COMMAND, 1u << 16 | 0x511}}, "the picked command");
    EXPECT_FALSE(menu->popupShown);
    EXPECT_FALSE(g_app.menuMode);

    // A press on a window of the program outside the popups closes them.
    menu = TrackContextMenu(&g_app, 0x500, &at, appWindow->window);
    ASSERT_NE(nullptr, menu);
    RECT popup;
    GetWindowRect(menu->popupWindow, &popup);
    ASSERT_TRUE(MoveMouse(popup.right + 20, popup.bottom + 20));
    ASSERT_EQ(appWindow->window, WindowFromPoint(POINT{popup.right + 20, popup.bottom + 20}));
    g_ownerMessages.clear();
    PressButton(MOUSEEVENTF_LEFTDOWN);
    PressButton(MOUSEEVENTF_LEFTUP);
    ASSERT_TRUE(PumpAppUntil([&] { return !menu->popupShown; }, 5000));
    EXPECT_FALSE(IsWindowVisible(menu->popupWindow));
    EXPECT_FALSE(g_app.menuMode);
    EXPECT_EQ(nullptr, g_app.openRootPopup);
    EXPECT_TRUE(g_ownerMessages.empty()) << "no command";
    SetFrameworkHooks(nullptr);
}

//--- the eyedropper

TEST_F(ItemInput, AColourWellDraggedOutsidePicksTheScreenPixel)
{
    const COLORREF target = RGB(250, 120, 10);
    HWND patch = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, "STATIC", "", WS_POPUP, 600, 150, 60, 60, nullptr,
                                 nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, patch);
    ShowWindow(patch, SW_SHOWNOACTIVATE);
    HDC screen = GetDC(nullptr);
    auto patchPainted = [&] {
        HDC dc = GetDC(patch);
        HBRUSH brush = CreateSolidBrush(target);
        RECT r = {0, 0, 60, 60};
        FillRect(dc, &r, brush);
        DeleteObject(brush);
        ReleaseDC(patch, dc);
        return GetPixel(screen, 630, 180) == target;
    };
    bool painted = PumpUntil(patchPainted, 5000);
    ReleaseDC(nullptr, screen);
    ASSERT_TRUE(painted) << "the patch shows on the screen";

    ItemColourRecord well = {0xFF000000, 1};
    commands.Add(0x308, 11, 0, {"Colour"}, (intptr_t)&well);
    CUIItem* item = MakeOnWindow(11, 0x308, 20, 20);
    ASSERT_NE(nullptr, item);
    POINT c = Centre(item);
    ASSERT_TRUE(MoveMouse(c.x, c.y));
    PressButton(MOUSEEVENTF_LEFTDOWN);
    ASSERT_TRUE(PumpUntil([&] { return GetCapture() == item->window; }, 5000));
    ASSERT_TRUE(MoveMouse(630, 180));
    EXPECT_TRUE(PumpUntil([&] { return well.colour == (0xFF000000u | 250u << 16 | 120u << 8 | 10u); }, 5000))
        << std::hex << well.colour;
    HCURSOR eyedropper = LoadCursorA(g_app.instance, MAKEINTRESOURCEA(ITEM_EYEDROPPER_CURSOR));
    ASSERT_NE(nullptr, eyedropper) << "the cursor resource";
    EXPECT_EQ(eyedropper, GetCursor()) << "the eyedropper shows while picking";
    PressButton(MOUSEEVENTF_LEFTUP);
    ASSERT_TRUE(WaitForMessages(1));
    ExpectSequence({{ZRPMSG_COMMAND, 0x308}}, "released outside: the well's own command, no click");
    DestroyWindow(patch);
}

//--- sizes at 144 DPI

// The dialog host's size report at a given desktop DPI: "dpi" and one row
// per case, each width and height.
std::map<std::string, std::vector<long>> RunItemSizeHost(const std::string& folder, DWORD logPixels)
{
    std::map<std::string, std::vector<long>> out;
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return out;
    RegSetValueExA(key, "LogPixels", 0, REG_DWORD, (const BYTE*)&logPixels, sizeof(logPixels));
    std::string report = folder + "\\sizes.txt";
    ChildProcess child;
    bool started = StartProcess("\"" + BinPath("dialoghost.exe") + "\" itemsizes \"" + report + "\"", &child);
    long code = started ? WaitProcess(&child, 60000) : -1;
    CloseProcess(&child);
    RegDeleteValueA(key, "LogPixels");
    RegCloseKey(key);
    if (code != 0) return out;
    std::istringstream in(ReadWholeFile(report));
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string name;
        words >> name;
        long v;
        while (words >> v) out[name].push_back(v);
    }
    return out;
}

TEST_F(ItemInput, SizesFollowTheSizeRuleAt144Dpi)
{
    std::string folder = FreshFolderForThisTest();
    auto at144 = RunItemSizeHost(folder, 144);
    ASSERT_FALSE(at144.empty()) << "the host ran";
    ASSERT_EQ(144, at144["dpi"].at(0)) << "the host ran at 144 DPI";
    for (const ItemSizeCase& c : kItemSizeCases) {
        SCOPED_TRACE(c.name);
        const std::vector<long>& got = at144[c.name];
        ASSERT_EQ(2u, got.size());
        Extent want = ExpectedItemSize(c, 144);
        EXPECT_EQ(want.w, got[0]);
        EXPECT_EQ(want.h, got[1]);
    }
    // Not the 96-DPI sizes merely scaled: the margin and texts are measured anew.
    Extent button96 = ExpectedItemSize(kItemSizeCases[0], 96), button144 = ExpectedItemSize(kItemSizeCases[0], 144);
    EXPECT_GT(button144.w, button96.w);
    EXPECT_GT(button144.h, button96.h);
}

}  // namespace
