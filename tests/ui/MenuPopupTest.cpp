// MenuPopupTest.cpp - popup menus in real windows without the mouse: the
// stacking and size of a popup, keeping it on its monitor, where its list
// comes from, the shared context menu, the keys of menu mode, the window
// menu of an application window, and the redraw of a command's items.
#include "framework/core/AppStartup.h"
#include "framework/core/AppWindow.h"
#include "framework/core/FrameworkHooks.h"
#include "framework/core/MonitorTable.h"
#include "framework/ui/MenuPopup.h"
#include "tests/ui/ItemTestUtil.h"

#include <algorithm>
#include <map>

namespace {

// The owner of menus whose lists it gives: what it was asked, and what it
// was sent.
std::map<uint16_t, const uint16_t*> g_ownerLists;
std::vector<std::pair<WPARAM, LPARAM>> g_listRequests;

LRESULT CALLBACK MenuOwnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == ZRPMSG_GETMENUITEMS) {
        g_listRequests.push_back({wParam, lParam});
        auto it = g_ownerLists.find((uint16_t)wParam);
        return it == g_ownerLists.end() ? 0 : (LRESULT)it->second;
    }
    return ItemHostProc(window, message, wParam, lParam);
}

BOOL CALLBACK CountShownPopup(HWND window, LPARAM count)
{
    char cls[32] = {};
    GetClassNameA(window, cls, sizeof(cls));
    if (strcmp(cls, "ZRPAppMenuPopup") == 0 && IsWindowVisible(window)) ++*(int*)count;
    return TRUE;
}

int ShownPopupCount()
{
    int n = 0;
    EnumThreadWindows(GetCurrentThreadId(), CountShownPopup, (LPARAM)&n);
    return n;
}

std::vector<uint16_t> ItemIds(const CMenu* menu)
{
    std::vector<uint16_t> ids;
    for (int i = 0; i < menu->popupItems.count; i++) ids.push_back(menu->popupItems.data[i]->commandId);
    return ids;
}

RECT ScreenRect(HWND window)
{
    RECT r = {};
    GetWindowRect(window, &r);
    return r;
}

// Where the rule puts a popup of the size opening below a point, on the
// monitor that holds it.
POINT ExpectedBelow(POINT at, SIZE size)
{
    MonitorTable m;
    GetMonitorSnapshot(&m);
    const RECT& screen = m.monitorRects[MonitorFromPointIndex(at.x, at.y, false)];
    POINT p = at;
    if (p.x + size.cx > screen.right) p.x = at.x - size.cx;
    if (p.y + size.cy > screen.bottom) p.y = at.y - size.cy;
    return p;
}

class Menus : public ItemTest {
protected:
    void SetUp() override
    {
        ItemTest::SetUp();
        FrameworkHooks hooks = {};
        hooks.uiItemWndProc = UIItemWndProc;
        hooks.redrawCommandItems = RedrawItemsOfCommand;
        hooks.openContextMenu = OpenContextMenuHook;
        hooks.filterMenuMessage = FilterMenuMessage;
        hooks.closeMenus = CloseAllMenus;
        SetFrameworkHooks(&hooks);
        WNDCLASSA wc = {};
        wc.lpfnWndProc = MenuOwnerProc;
        wc.hInstance = g_app.instance;
        wc.lpszClassName = "PSMenuOwner";
        RegisterClassA(&wc);
        owner = CreateWindowExA(WS_EX_TOOLWINDOW, "PSMenuOwner", "", WS_POPUP, 60, 60, 200, 100, nullptr, nullptr,
                                g_app.instance, nullptr);
        g_ownerLists.clear();
        g_listRequests.clear();
        RefreshMonitors();
    }
    void TearDown() override
    {
        CloseAllMenus(&g_app);
        ItemTest::TearDown();
        while (g_app.windows.count) {
            AppWindow* w = g_app.windows.data[0];
            ArrayRemoveAt(&g_app.windows, 0);
            DestroyAppWindow(w);
        }
        FreeGrowArray(&g_app.windows);
        g_app.dataFolder[0] = '\0';
        if (owner) DestroyWindow(owner);
        SetFrameworkHooks(nullptr);
    }
    // A key as the message loop hands it to menu mode.
    bool Key(WPARAM key, UINT message = WM_KEYDOWN)
    {
        MSG msg = {host, message, key, 0, 0, {0, 0}};
        return FilterMenuMessage(&g_app, &msg);
    }
    // The command of the highlighted item of a popup, or 0.
    uint16_t Highlighted(CMenu* popup)
    {
        int at = FindDefaultMenuItem(&g_app, popup);
        return at < 0 ? 0 : popup->popupItems.data[at]->commandId;
    }
    CUIItem* ItemOf(CMenu* popup, uint16_t id)
    {
        for (int i = 0; i < popup->popupItems.count; i++)
            if (popup->popupItems.data[i]->commandId == id) return popup->popupItems.data[i];
        return nullptr;
    }
    int LiveItemsOf(uint16_t id)
    {
        int n = 0;
        for (int i = 0; i < g_app.liveItems.count; i++) n += ((CUIItem*)g_app.liveItems.data[i])->commandId == id;
        return n;
    }
    HWND owner = nullptr;
};

}  // namespace

//--- geometry

TEST_F(Menus, ItemsStackFromThreeByThreeAndTheWidestItemSizesThePopup)
{
    commands.Add(0xF000, 4, CMD_SEPARATORLINE, {nullptr});
    commands.Add(0x301, 1, CMD_SHOWICON, {"Open"});
    commands.Add(0x302, 1, 0, {"A much longer entry than the others", "Ctrl+L"});
    commands.Add(0x303, 1, 0, {"Quit"});
    static const uint16_t kList[] = {0x301, 0x302, 0xF000, 0x303, 0xFFFF};
    commands.Add(0x300, 3, CMD_SHOWTEXT, {"File"}, (intptr_t)kList);
    CMenu* menu = (CMenu*)Make(3, 0x300);
    ASSERT_NE(nullptr, menu);

    // The sizes these items take inside the menu, measured on their own.
    struct Size {
        int w, h, icon;
    };
    std::vector<Size> sizes;
    for (uint16_t id : {0x301, 0x302, 0xF000, 0x303}) {
        CUIItem* probe = Make(commands.Row(id)->type, id, host, menu);
        ASSERT_NE(nullptr, probe);
        sizes.push_back({probe->width, probe->height, probe->iconColumnWidth});
        Free(probe);
    }
    int label = sizes[0].h;
    for (const Size& s : sizes) label = std::max(label, s.icon);
    label += 4;
    int width = 0, height = 0;
    for (const Size& s : sizes) {
        width = std::max(width, s.icon < label ? s.w + label - s.icon : s.w);
        height += s.h;
    }
    ASSERT_GT(sizes[0].icon, 0) << "the icon widens the first item's label column";

    RECT anchor = {200, 150, 260, 170};
    ASSERT_EQ(0, ShowMenuPopup(menu, &anchor));
    EXPECT_TRUE(menu->popupShown);
    EXPECT_TRUE(IsWindowVisible(menu->popupWindow));
    EXPECT_TRUE(GetWindowLongA(menu->popupWindow, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_EQ(label, menu->iconColumnWidth) << "the label column of the popup";
    ASSERT_EQ((std::vector<uint16_t>{0x301, 0x302, 0xF000, 0x303}), ItemIds(menu));
    int y = 3;
    for (size_t i = 0; i < sizes.size(); i++) {
        SCOPED_TRACE(testing::Message() << "item " << i);
        CUIItem* item = menu->popupItems.data[i];
        RECT r = ScreenRect(item->window);
        MapWindowPoints(nullptr, menu->popupWindow, (POINT*)&r, 2);
        EXPECT_EQ(3, r.left);
        EXPECT_EQ(y, r.top);
        EXPECT_EQ(width, r.right - r.left) << "every item as wide as the widest";
        EXPECT_EQ(sizes[i].h, r.bottom - r.top) << "its own height";
        EXPECT_TRUE(IsWindowVisible(item->window));
        EXPECT_EQ(menu, item->parentMenu);
        y += sizes[i].h;
    }
    RECT popup = ScreenRect(menu->popupWindow);
    EXPECT_EQ(200, popup.left) << "below the anchor";
    EXPECT_EQ(170, popup.top);
    EXPECT_EQ(width + 6, popup.right - popup.left);
    EXPECT_EQ(3 + height + 3, popup.bottom - popup.top);

    // Hiding frees the items and forgets the popup.
    EXPECT_EQ(0, HideMenuPopup(menu));
    EXPECT_FALSE(IsWindowVisible(menu->popupWindow));
    EXPECT_EQ(0, menu->popupItems.count);
    EXPECT_EQ(0, LiveItemsOf(0x302));
    EXPECT_EQ(nullptr, g_app.openRootPopup);
}

TEST_F(Menus, APopupStaysOnItsMonitor)
{
    commands.Add(0x311, 1, 0, {"Properties"});
    commands.Add(0x312, 1, 0, {"Close"});
    static const uint16_t kList[] = {0x311, 0x312, 0xFFFF};
    commands.Add(0x310, 3, CMD_SHOWTEXT, {"Window"}, (intptr_t)kList);
    commands.Add(0x320, 3, CMD_SHOWTEXT, {"Outer"});
    CMenu* below = (CMenu*)Make(3, 0x310);
    CMenu* outer = (CMenu*)Make(3, 0x320);
    CMenu* side = (CMenu*)Make(3, 0x310, host, outer);   // an item inside a popup opens to the side
    ASSERT_TRUE(below && outer && side);

    RECT probe = {10, 10, 20, 20};
    ASSERT_EQ(0, ShowMenuPopup(below, &probe));
    RECT shown = ScreenRect(below->popupWindow);
    int w = shown.right - shown.left, h = shown.bottom - shown.top;
    HideMenuPopup(below);

    MonitorTable m;
    GetMonitorSnapshot(&m);
    const RECT M = m.monitorRects[MonitorFromPointIndex(0, 0, false)];
    struct Case {
        bool side;
        RECT anchor;
        POINT want;
        const char* why;
    };
    const Case kCases[] = {
        {false, {M.left + 100, M.top + 100, M.left + 160, M.top + 120}, {M.left + 100, M.top + 120}, "below, fits"},
        {false, {M.right - 20, M.top + 100, M.right - 5, M.top + 120}, {M.right - 5 - w, M.top + 120},
         "below, past the right edge: ends at the anchor's right"},
        {false, {M.left + 100, M.bottom - 15, M.left + 160, M.bottom - 5}, {M.left + 100, M.bottom - 15 - h},
         "below, past the bottom: above the anchor"},
        {false, {M.right - 20, M.bottom - 15, M.right - 5, M.bottom - 5}, {M.right - 5 - w, M.bottom - 15 - h},
         "below, past both"},
        {true, {M.left + 100, M.top + 100, M.left + 160, M.top + 120}, {M.left + 158, M.top + 98},
         "side, fits: 2 left of the right edge, 2 above"},
        {true, {M.right - 60, M.top + 100, M.right - 10, M.top + 120}, {M.right - 60 - w, M.top + 98},
         "side, past the right edge: left of the anchor"},
        {true, {M.left + 100, M.bottom - 20, M.left + 160, M.bottom - 5}, {M.left + 158, M.bottom - 5 - h},
         "side, past the bottom: ends at the anchor's bottom"},
    };
    for (size_t i = 0; i < sizeof(kCases) / sizeof(kCases[0]); i++) {
        const Case& c = kCases[i];
        SCOPED_TRACE(testing::Message() << "case " << i << ": " << c.why);
        CMenu* menu = c.side ? side : below;
        ASSERT_EQ(0, ShowMenuPopup(menu, &c.anchor));
        RECT r = ScreenRect(menu->popupWindow);
        EXPECT_EQ(c.want.x, r.left);
        EXPECT_EQ(c.want.y, r.top);
        EXPECT_EQ(w, r.right - r.left);
        EXPECT_EQ(h, r.bottom - r.top);
        HideMenuPopup(menu);
    }
}

//--- lists

TEST_F(Menus, TheListComesFromTheRowOrElseFromTheOwner)
{
    commands.Add(0x301, 1, 0, {"Open"});
    commands.Add(0x302, 1, 0, {"Save"});
    commands.Add(0x340, 77, 0, {"A type nobody makes"});
    static const uint16_t kOwnerList[] = {0x301, 0x302, 0xFFFF};
    static const uint16_t kMissing[] = {0x301, 0x999, 0x302, 0xFFFF};
    static const uint16_t kEmpty[] = {0xFFFF};
    static const uint16_t kUnknownType[] = {0x340, 0x301, 0xFFFF};
    commands.Add(0x330, 3, 0, {"Owner's"});
    commands.Add(0x331, 3, 0, {" * "}, -1);
    commands.Add(0x332, 3, 0, {"Missing"}, (intptr_t)kMissing);
    commands.Add(0x333, 3, 0, {"Empty"}, (intptr_t)kEmpty);
    commands.Add(0x334, 3, 0, {"Unknown type"}, (intptr_t)kUnknownType);
    g_ownerLists[0x330] = kOwnerList;

    struct Case {
        uint16_t id;
        int result;
        std::vector<uint16_t> items;
        bool shown;
        bool askedOwner;
        bool root;   // the menu counts as the open menu-bar popup afterwards
        const char* why;
    };
    const Case kCases[] = {
        {0x330, 0, {0x301, 0x302}, true, true, true, "no list on the row: the owner's"},
        {0x331, MENU_ERR_NOLIST, {}, false, true, false, "a list pointer of -1 asks the owner, who has none"},
        {0x332, ZRP_ERR_COMMAND_ID, {0x301}, false, false, true, "an id not in the table stops the filling"},
        {0x333, 0, {}, false, false, false, "only the end mark: nothing opens, and nothing is left open"},
        {0x334, 0, {0x301}, true, false, true, "an item of an unknown type is left out"},
    };
    for (size_t i = 0; i < sizeof(kCases) / sizeof(kCases[0]); i++) {
        const Case& c = kCases[i];
        SCOPED_TRACE(testing::Message() << "case " << i << ": " << c.why);
        g_listRequests.clear();
        CMenu* menu = (CMenu*)CreateUIItemByType(3, nullptr);
        ASSERT_EQ(0, menu->Create(c.id, host, owner, nullptr));
        RECT anchor = {100, 100, 150, 120};
        EXPECT_EQ(c.result, ShowMenuPopup(menu, &anchor));
        EXPECT_EQ(c.items, ItemIds(menu));
        EXPECT_EQ(c.shown, menu->popupShown != 0);
        EXPECT_EQ(c.shown, IsWindowVisible(menu->popupWindow) != 0);
        ASSERT_EQ(c.askedOwner ? 1u : 0u, g_listRequests.size());
        if (c.askedOwner) {
            EXPECT_EQ(c.id, g_listRequests[0].first);
            EXPECT_EQ(0, g_listRequests[0].second) << "the owner is no application window";
        }
        EXPECT_EQ(c.root ? (void*)menu : nullptr, g_app.openRootPopup);
        HideMenuPopup(menu);
        EXPECT_EQ(0, menu->popupItems.count) << "hiding frees what was made";
        FreeUIItem(menu);
    }
    EXPECT_EQ(0, LiveItemsOf(0x301));
}

namespace {
int g_callerItemsDeleted;
// A button its caller makes and keeps for its command row.
class CallerButton : public CButton {
public:
    ~CallerButton() override { g_callerItemsDeleted++; }
};
}  // namespace

TEST_F(Menus, ACallersOwnItemShowsAtEveryOpeningAndStaysTheCallers)
{
    g_callerItemsDeleted = 0;
    CallerButton* own = new CallerButton;
    own->type = UIITEM_BUTTON;
    commands.Add(0x3B1, UIITEM_CALLER, CMD_SHOWTEXT, {"Made by the caller"}, (intptr_t)own);
    commands.Add(0x3B2, 1, 0, {"Plain"});
    static const uint16_t kInner[] = {0x3B1, 0x3B2, 0xFFFF};
    static const uint16_t kOuter[] = {0x3B1, 0x3B3, 0xFFFF};
    commands.Add(0x3B3, 3, 0, {"Inner"}, (intptr_t)kInner);
    commands.Add(0x3B0, 3, 0, {"Outer"}, (intptr_t)kOuter);
    CMenu* menu = (CMenu*)Make(3, 0x3B0);
    ASSERT_NE(nullptr, menu);
    RECT anchor = {100, 100, 150, 120};
    for (int opening = 1; opening <= 3; opening++) {
        SCOPED_TRACE(testing::Message() << "opening " << opening);
        ASSERT_EQ(0, ShowMenuPopup(menu, &anchor));
        ASSERT_EQ((std::vector<uint16_t>{0x3B1, 0x3B3}), ItemIds(menu));
        EXPECT_EQ(own, menu->popupItems.data[0]) << "the row's object itself";
        ASSERT_NE(nullptr, own->window);
        EXPECT_EQ(menu->popupWindow, GetParent(own->window));
        EXPECT_TRUE(IsWindowVisible(own->window));
        EXPECT_GT(own->height, 0);

        // Listed again in a popup opened from this one: it keeps its one
        // window where it is.
        CMenu* inner = (CMenu*)ItemOf(menu, 0x3B3);
        ASSERT_NE(nullptr, inner);
        RECT beside = ScreenRect(inner->window);
        ASSERT_EQ(0, ShowMenuPopup(inner, &beside));
        EXPECT_EQ((std::vector<uint16_t>{0x3B2}), ItemIds(inner));
        EXPECT_EQ(menu->popupWindow, GetParent(own->window));
        HideMenuPopup(inner);
        EXPECT_EQ(menu->popupWindow, GetParent(own->window)) << "closing the inner popup left it alone";

        SetItemCommandFlags(own, CMD_HOT, 0);
        HideMenuPopup(menu);
        EXPECT_EQ(0, g_callerItemsDeleted) << "closing the popup leaves the caller's item to the caller";
        EXPECT_EQ(nullptr, own->window) << "its window went with the popup";
        EXPECT_FALSE(commands.Flags(0x3B1) & CMD_HOT) << "nothing hovers over a closed popup";
    }
    FreeUIItem(own);
    EXPECT_EQ(1, g_callerItemsDeleted);
}

//--- the shared context menu

TEST_F(Menus, ASecondContextMenuReplacesTheFirst)
{
    commands.Add(0x351, 1, 0, {"Alpha"});
    commands.Add(0x352, 1, 0, {"Beta"});
    commands.Add(0x361, 1, 0, {"Gamma"});
    static const uint16_t kFirst[] = {0x351, 0x352, 0xFFFF};
    static const uint16_t kSecond[] = {0x361, 0xFFFF};
    static const uint16_t kEmpty[] = {0xFFFF};
    commands.Add(0x350, 3, 0, {"First"}, (intptr_t)kFirst);
    commands.Add(0x360, 3, 0, {"Second"}, (intptr_t)kSecond);
    commands.Add(0x370, 3, 0, {"Empty"}, (intptr_t)kEmpty);

    POINT p1 = {300, 200};
    CMenu* first = TrackContextMenu(&g_app, 0x350, &p1, owner);
    ASSERT_NE(nullptr, first);
    HWND firstPopup = first->popupWindow;
    RECT r = ScreenRect(firstPopup);
    EXPECT_EQ(300, r.left);
    EXPECT_EQ(200, r.top);
    EXPECT_EQ((std::vector<uint16_t>{0x351, 0x352}), ItemIds(first));
    EXPECT_EQ(first, g_app.openRootPopup);
    EXPECT_TRUE(g_app.menuMode);
    EXPECT_EQ(1, ShownPopupCount());

    POINT p2 = {120, 90};
    CMenu* second = TrackContextMenu(&g_app, 0x360, &p2, owner);
    ASSERT_EQ(first, second) << "one shared menu";
    EXPECT_FALSE(IsWindow(firstPopup)) << "the first popup window is gone";
    EXPECT_EQ(1, ShownPopupCount());
    r = ScreenRect(second->popupWindow);
    EXPECT_EQ(120, r.left);
    EXPECT_EQ(90, r.top);
    EXPECT_EQ((std::vector<uint16_t>{0x361}), ItemIds(second));
    EXPECT_EQ(0, LiveItemsOf(0x351) + LiveItemsOf(0x352)) << "the first menu's items were freed";

    // Without a point: at the cursor.
    POINT cursor;
    ASSERT_TRUE(GetCursorPos(&cursor));
    CMenu* third = TrackContextMenu(&g_app, 0x350, nullptr, owner);
    ASSERT_NE(nullptr, third);
    r = ScreenRect(third->popupWindow);
    POINT want = ExpectedBelow(cursor, SIZE{r.right - r.left, r.bottom - r.top});
    EXPECT_EQ(want.x, r.left);
    EXPECT_EQ(want.y, r.top);

    // Nothing to show, or no list at all: no menu, the code as the last error.
    SetLastError(0xDEADBEEF);
    EXPECT_EQ(nullptr, TrackContextMenu(&g_app, 0x370, &p1, owner));
    EXPECT_EQ(0, ShownPopupCount()) << "the menu before it closed";
    SetLastError(0xDEADBEEF);
    EXPECT_EQ(nullptr, TrackContextMenu(&g_app, 0x399, &p1, owner));
    EXPECT_EQ((DWORD)MENU_ERR_NOLIST, GetLastError()) << "an id not in the table has no list";
}

//--- menu mode

TEST_F(Menus, KeysMoveTheHighlightAndEnterPressesTheItem)
{
    commands.Add(0xF000, 4, CMD_SEPARATORLINE, {nullptr});
    commands.Add(0x371, 1, 0, {"New"});
    commands.Add(0x372, 1, 0, {"Unavailable"});
    commands.Add(0x374, 1, 0, {"Exit"});
    commands.Add(0x381, 1, 0, {"One"});
    commands.Add(0x382, 1, 0, {"Two"});
    static const uint16_t kSub[] = {0x381, 0x382, 0xFFFF};
    commands.Add(0x373, 3, CMD_SPLITARROW, {"More"}, (intptr_t)kSub);
    static const uint16_t kRoot[] = {0x371, 0xF000, 0x372, 0x373, 0x374, 0xFFFF};
    commands.Add(0x370, 3, 0, {"Root"}, (intptr_t)kRoot);
    SetCommandEnabled(&g_app, 0x372, false);
    POINT at = {200, 150};
    CMenu* root = TrackContextMenu(&g_app, 0x370, &at, host);
    ASSERT_NE(nullptr, root);

    EXPECT_TRUE(Key(VK_DOWN)) << "keys are swallowed while a popup is open";
    EXPECT_EQ(0x371, Highlighted(root));
    Key(VK_DOWN);
    EXPECT_EQ(0x373, Highlighted(root)) << "past the separator and the disabled item";
    Key(VK_RIGHT);
    CMenu* more = root->openChild;
    ASSERT_NE(nullptr, more) << "right opens a split item's popup";
    EXPECT_EQ(0x373, more->commandId);
    EXPECT_EQ(0x381, Highlighted(more)) << "with its first item highlighted";
    EXPECT_EQ(0, Highlighted(root));
    Key(VK_DOWN);
    EXPECT_EQ(0x382, Highlighted(more));
    Key(VK_DOWN);
    EXPECT_EQ(0x381, Highlighted(more)) << "wrapping";
    Key(VK_LEFT);
    EXPECT_FALSE(more->popupShown) << "left closes the popup";
    EXPECT_EQ(nullptr, root->openChild);
    EXPECT_EQ(0x373, Highlighted(root)) << "and returns to the item that opened it";
    Key(VK_UP);
    EXPECT_EQ(0x371, Highlighted(root));
    Key(VK_UP);
    EXPECT_EQ(0x374, Highlighted(root)) << "wrapping backwards";
    g_ownerMessages.clear();
    Key(VK_RETURN);
    ASSERT_EQ(1u, g_ownerMessages.size());
    EXPECT_EQ((UINT)ZRPMSG_COMMAND, g_ownerMessages[0].message);
    EXPECT_EQ((WPARAM)(ITEM_BUTTON_LEFT << 16 | 0x374), g_ownerMessages[0].wParam);
    EXPECT_FALSE(root->popupShown) << "a command closes the menu";
    EXPECT_FALSE(g_app.menuMode);
    EXPECT_FALSE(Key(VK_DOWN)) << "no popup: keys go on";

    // Escape closes only the innermost popup; at the root it leaves menu mode.
    root = TrackContextMenu(&g_app, 0x370, &at, host);
    ASSERT_NE(nullptr, root);
    Key(VK_DOWN);
    Key(VK_DOWN);
    Key(VK_RIGHT);
    ASSERT_NE(nullptr, root->openChild);
    Key(VK_ESCAPE);
    EXPECT_EQ(nullptr, root->openChild);
    EXPECT_TRUE(root->popupShown);
    EXPECT_TRUE(Key(VK_MENU, WM_SYSKEYUP)) << "Alt's release is swallowed and leaves";
    EXPECT_FALSE(root->popupShown);
    EXPECT_FALSE(g_app.menuMode);
    EXPECT_TRUE(g_ownerMessages.size() == 1) << "no command on the way";
}

TEST_F(Menus, APressOutsideTheOpenPopupsClosesThem)
{
    commands.Add(0x381, 1, 0, {"One"});
    commands.Add(0x391, 1, 0, {"Inner"});
    static const uint16_t kInner[] = {0x391, 0xFFFF};
    commands.Add(0x390, 3, 0, {"Nested"}, (intptr_t)kInner);
    static const uint16_t kRoot[] = {0x381, 0x390, 0xFFFF};
    commands.Add(0x380, 3, 0, {"Root"}, (intptr_t)kRoot);
    POINT at = {150, 150};
    CMenu* root = TrackContextMenu(&g_app, 0x380, &at, host);
    ASSERT_NE(nullptr, root);
    Key(VK_DOWN);
    Key(VK_DOWN);   // highlighting a menu item in menu mode opens its popup
    ASSERT_NE(nullptr, root->openChild);
    CUIItem* inner = ItemOf(root->openChild, 0x391);
    ASSERT_NE(nullptr, inner);

    struct Press {
        HWND window;
        UINT message;
        bool closes;
        const char* why;
    };
    const Press kPresses[] = {
        {inner->window, WM_LBUTTONDOWN, false, "an item of the inner popup"},
        {root->openChild->popupWindow, WM_RBUTTONDOWN, false, "the inner popup's own window"},
        {ItemOf(root, 0x381)->window, WM_MBUTTONDOWN, false, "an item of the root popup"},
        {host, WM_NCLBUTTONDOWN, true, "the owner"},
    };
    for (const Press& p : kPresses) {
        SCOPED_TRACE(p.why);
        MSG msg = {p.window, p.message, 0, 0, 0, {0, 0}};
        EXPECT_FALSE(FilterMenuMessage(&g_app, &msg)) << "the press goes on";
        EXPECT_EQ(!p.closes, root->popupShown != 0);
    }
    EXPECT_FALSE(g_app.menuMode);
    EXPECT_EQ(nullptr, g_app.openRootPopup);
}

//--- the window menu

namespace {

// An application window of the framework with its window menu's commands.
AppWindow* MakeAppWindow(const char* title)
{
    if (RegisterFrameworkCommands(&g_app) != 0) return nullptr;
    g_app.firstStart = 1;
    CopyText(g_app.dataFolder, sizeof(g_app.dataFolder), FreshFolderForThisTest().c_str());
    int at = CreateAppWindow(&g_app, title);
    if (at < 0) return nullptr;
    AppWindow* w = g_app.windows.data[at];
    SetWindowPos(w->window, nullptr, 100, 100, 400, 300, SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    return w;
}

void AddHooks(void (*change)(FrameworkHooks*))
{
    FrameworkHooks hooks = *GetFrameworkHooks();
    change(&hooks);
    SetFrameworkHooks(&hooks);
}

}  // namespace

TEST_F(Menus, TheWindowMenuOpensAtTheCursorAndCarriesOutItsCommands)
{
    AppWindow* w = MakeAppWindow("Window menu");
    ASSERT_NE(nullptr, w);

    POINT cursor;
    ASSERT_TRUE(GetCursorPos(&cursor));
    SendMessageA(w->window, ZRPMSG_WINDOWMENU, 0, 0);
    CMenu* menu = (CMenu*)g_app.openRootPopup;
    ASSERT_NE(nullptr, menu) << "the window menu opened";
    EXPECT_EQ(0xF105, menu->commandId);
    EXPECT_EQ((std::vector<uint16_t>{0xF110, 0xF111, 0xF120, 0xF130, 0xF140, 0xF150, 0xF160}), ItemIds(menu));
    RECT r = ScreenRect(menu->popupWindow);
    POINT want = ExpectedBelow(cursor, SIZE{r.right - r.left, r.bottom - r.top});
    EXPECT_EQ(want.x, r.left);
    EXPECT_EQ(want.y, r.top);
    EXPECT_EQ(menu, (CMenu*)w->openPopup) << "the window knows its open popup";

    // "Always on Top" as a click on its item.
    SendMessageA(ItemOf(menu, 0xF110)->window, WM_LBUTTONUP, 0, -1);
    EXPECT_TRUE(w->flags & APPWIN_TOPMOST) << "the window's own command ran";
    EXPECT_FALSE(menu->popupShown);
    EXPECT_EQ(nullptr, w->openPopup);

    // Again: now checked; its transparency popup opens beside it and sets 50 %.
    SendMessageA(w->window, ZRPMSG_WINDOWMENU, 0, 0);
    menu = (CMenu*)g_app.openRootPopup;
    ASSERT_NE(nullptr, menu);
    EXPECT_TRUE(commands.Flags(0xF110) & CMD_CHECKED);
    CUIItem* transparency = ItemOf(menu, 0xF160);
    ASSERT_NE(nullptr, transparency);
    SendMessageA(transparency->window, WM_MOUSEMOVE, 0, -1);
    CMenu* sub = menu->openChild;
    ASSERT_NE(nullptr, sub);
    RECT item = ScreenRect(transparency->window);
    r = ScreenRect(sub->popupWindow);
    EXPECT_TRUE(r.left == item.right - 2 || r.right == item.left) << "beside its item";
    CUIItem* half = ItemOf(sub, 0xF166);
    ASSERT_NE(nullptr, half);
    SendMessageA(half->window, WM_LBUTTONUP, 0, -1);
    EXPECT_EQ(50, w->transparency);
    EXPECT_FALSE(menu->popupShown);
    EXPECT_EQ(0, ShownPopupCount());
}


TEST_F(Menus, TheCustomColourCommandsShowASwatchOfTheirColour)
{
    AddHooks([](FrameworkHooks* h) { h->addOwnerDrawnIcon = AddOwnerDrawnIcon; });
    AppWindow* w = MakeAppWindow("Swatches");
    ASSERT_NE(nullptr, w);
    AppRecord* rec = &g_app.appRecord;
    rec->backgroundColour = RGB(200, 20, 20);
    rec->focusColour = RGB(20, 200, 20);
    rec->textColour = RGB(20, 20, 200);
    rec->highlightTextColour = RGB(200, 200, 20);

    OwnerDrawnIcon size = {0xF135, {7, 9, 7, 9}};
    EXPECT_EQ(1, SendMessageA(w->window, ZRPMSG_OWNERDRAWICON, 0, (LPARAM)&size));
    EXPECT_EQ(16, size.rect.right - size.rect.left) << "an empty rectangle asks for the size";
    EXPECT_EQ(16, size.rect.bottom - size.rect.top);
    OwnerDrawnIcon other = {0xF110, {0, 0, 0, 0}};
    EXPECT_EQ(0, SendMessageA(w->window, ZRPMSG_OWNERDRAWICON, 0, (LPARAM)&other)) << "not a swatch";

    // Color > Custom, opened as the window menu opens it.
    SendMessageA(w->window, ZRPMSG_WINDOWMENU, 0, 0);
    CMenu* menu = (CMenu*)g_app.openRootPopup;
    ASSERT_NE(nullptr, menu);
    CUIItem* colour = ItemOf(menu, 0xF130);
    ASSERT_NE(nullptr, colour);
    SendMessageA(colour->window, WM_MOUSEMOVE, 0, -1);
    ASSERT_NE(nullptr, menu->openChild);
    CMenu* custom = (CMenu*)ItemOf(menu->openChild, 0xF133);
    ASSERT_NE(nullptr, custom);
    RECT anchor = ScreenRect(custom->window);
    ASSERT_EQ(0, ShowMenuPopup(custom, &anchor));

    const COLORREF frame = GetSysColor(COLOR_WINDOWTEXT);
    const struct {
        uint16_t id;
        COLORREF colour;
    } kSwatches[] = {{0xF134, RGB(200, 20, 20)}, {0xF135, RGB(20, 200, 20)}, {0xF136, RGB(20, 20, 200)},
                     {0xF137, RGB(200, 200, 20)}};
    for (const auto& sw : kSwatches) {
        SCOPED_TRACE(testing::Message() << std::hex << sw.id);
        CUIItem* item = ItemOf(custom, sw.id);
        ASSERT_NE(nullptr, item);
        RECT client;
        GetClientRect(item->window, &client);
        PixelCanvas canvas(client.right, client.bottom);
        canvas.Print(item->window);
        const RECT& icon = item->iconRect;   // laid out by the painting
        ASSERT_GE(icon.right - icon.left, 16) << "an icon part for the swatch";
        int midX = (icon.left + icon.right) / 2, midY = (icon.top + icon.bottom) / 2;
        EXPECT_EQ(sw.colour, canvas.At(midX, midY)) << "filled with the record's colour";
        EXPECT_EQ(frame, canvas.At(icon.left + 4, midY)) << "framed 4 pixels inside the icon part";
        EXPECT_EQ(sw.colour, canvas.At(icon.left + 5, midY));
        EXPECT_NE(sw.colour, canvas.At(icon.left + 3, midY)) << "nothing outside the frame";
    }
}

TEST_F(Menus, AColourModeChangeRefreshesTheThemeAtOnce)
{
    AddHooks([](FrameworkHooks* h) { h->refreshTheme = RefreshTheme; });
    AppWindow* w = MakeAppWindow("Colour modes");
    ASSERT_NE(nullptr, w);
    g_app.appRecord.backgroundColour = RGB(90, 140, 40);
    g_app.appRecord.focusColour = RGB(160, 40, 120);

    struct Step {
        UINT message;
        WPARAM wParam;
        int presetMode;   // -1: as the previous step left it
        int visualStyle;
        uint8_t mode;     // afterwards
        const char* why;
    };
    const Step kSteps[] = {
        {ZRPMSG_COMMAND, 0xF131, -1, 1, 0, "Color > None"},
        {ZRPMSG_COMMAND, 0xF133, -1, 1, 2, "Color > Custom"},
        {ZRPMSG_COMMAND, 0xF132, -1, 1, 1, "Color > Default"},
        {WM_SYSCOLORCHANGE, 0, -1, 1, 1, "the system's colours changed"},
        {WM_THEMECHANGED, 0, 0xFF, 0, 0xFF, "following the system: the visual style went off"},
        {WM_THEMECHANGED, 0, -1, 1, 0xFF, "and came back"},
    };
    for (const Step& s : kSteps) {
        SCOPED_TRACE(s.why);
        if (s.presetMode >= 0) g_app.appRecord.colourMode = (uint8_t)s.presetMode;
        SetVisualStyleOverride(s.visualStyle);
        // Whatever the table held before must not survive the change.
        for (COLORREF& c : g_theme.colours) c = RGB(1, 2, 3);
        SendMessageA(w->window, s.message, s.wParam, 0);
        EXPECT_EQ(s.mode, g_app.appRecord.colourMode);
        Theme fresh = {};
        fresh.app = &g_app;
        InitThemeColors(&fresh);
        int differs = -1;
        for (int i = 0; i < THEME_COLOURS && differs < 0; i++)
            if ((i < 7 || i > 9) && fresh.colours[i] != g_theme.colours[i]) differs = i;   // 7-9: never set
        EXPECT_EQ(-1, differs) << "the table as the mode gives it, first wrong: colour " << differs;
    }
    SetVisualStyleOverride(-1);
}

//--- redraws

namespace {
std::map<HWND, int> g_paints;
void CountPaint(HWND window, UINT message, WPARAM, LPARAM, CUIItem*)
{
    if (message == WM_PAINT) g_paints[window]++;
}
}  // namespace

TEST_F(Menus, ACommandsItemsRepaintAtOnceAndOnlyOnARealChange)
{
    commands.Add(0x3A0, 1, CMD_SHOWTEXT, {"Bold"});
    commands.Add(0x3A1, 1, CMD_SHOWTEXT, {"Italic"});
    CUIItem* a = Make(1, 0x3A0);
    CUIItem* b = Make(1, 0x3A0);
    CUIItem* c = Make(1, 0x3A1);
    ASSERT_TRUE(a && b && c);
    SetWindowPos(host, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    Place(a, 0, 0, 80, 30);
    Place(b, 90, 0, 80, 30);
    Place(c, 180, 0, 80, 30);
    for (CUIItem* item : {a, b, c}) {
        UpdateWindow(item->window);
        item->messageHook = CountPaint;
    }
    struct Step {
        int op;   // 0 checked, 1 enabled
        uint16_t id;
        bool on;
        int a, b, c;   // paints each item received
        const char* why;
    };
    const Step kSteps[] = {
        {0, 0x3A0, true, 1, 1, 0, "both items of the command, not the other"},
        {0, 0x3A0, true, 0, 0, 0, "the same value again"},
        {1, 0x3A1, false, 0, 0, 1, "the other command"},
        {1, 0x3A1, false, 0, 0, 0, "disabled again"},
        {0, 0x3A0, false, 1, 1, 0, "unchecked"},
    };
    for (const Step& s : kSteps) {
        SCOPED_TRACE(s.why);
        g_paints.clear();
        if (s.op == 0)
            SetCommandChecked(&g_app, s.id, s.on);
        else
            SetCommandEnabled(&g_app, s.id, s.on);
        // No pumping: the redraw happens inside the call.
        EXPECT_EQ(s.a, g_paints[a->window]);
        EXPECT_EQ(s.b, g_paints[b->window]);
        EXPECT_EQ(s.c, g_paints[c->window]);
    }
}
