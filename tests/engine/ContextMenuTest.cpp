// ContextMenuTest.cpp - the tray menu (command 1000) opened on the main
// window procedure with a direct call: at the cursor, with the profile
// submenus the procedure lists, and a profile picked by keys switches to it.
#include "engine/MainWindow.h"
#include "engine/ProductIds.h"
#include "framework/core/AppStartup.h"
#include "framework/core/FrameworkHooks.h"
#include "framework/ui/MenuPopup.h"
#include "framework/ui/Theme.h"
#include "framework/ui/UIItemClasses.h"
#include "tests/engine/TriggerFixture.h"

namespace {

const uint16_t kTrayList[] = {CMD_PROFILE_MENU, CMD_EXECUTE_MENU, CMD_UPDATE_MENU, CMD_SEPARATOR,
                              CMD_TRAY_OPEN,    CMD_TRAY_ENABLED, CMD_SEPARATOR,   CMD_TRAY_QUIT,
                              CMD_LIST_END};

class TrayMenu : public TriggerTest {
protected:
    void SetUp() override
    {
        TriggerTest::SetUp();
        g_app.instance = GetModuleHandleA(nullptr);
        g_theme.app = &g_app;
        InitThemeColors(&g_theme);
        WNDCLASSA wc = {};
        wc.lpfnWndProc = UIItemWndProc;
        wc.hInstance = g_app.instance;
        wc.lpszClassName = "ZRPAppUIItem";
        RegisterClassA(&wc);
        FrameworkHooks hooks = {};
        hooks.redrawCommandItems = RedrawItemsOfCommand;
        hooks.filterMenuMessage = FilterMenuMessage;
        hooks.closeMenus = CloseAllMenus;
        SetFrameworkHooks(&hooks);
        // The tray's rows as the program registers them; the main window
        // answers with the product's own procedure.
        ASSERT_EQ(0, RegisterFrameworkCommands(&g_app));
        auto add = [](uint16_t id, uint16_t type, uint32_t flags, const uint16_t* list) {
            ASSERT_GE(AddCommand(&g_app, id, type, flags, 0xFFFF, 0xFFFF, (intptr_t)list, 0, 0), 0);
        };
        add(CMD_TRAY_ENABLED, ITEM_BUTTON, PCMD_TEXT, nullptr);
        add(CMD_TRAY_OPEN, ITEM_BUTTON, PCMD_BOLDTEXT, nullptr);
        add(CMD_TRAY_QUIT, ITEM_BUTTON, PCMD_TEXT, nullptr);
        for (uint16_t base : {CMD_PROFILE_MENU, CMD_EXECUTE_MENU, CMD_UPDATE_MENU}) {
            add(base, ITEM_POPUP, PCMD_TEXT, nullptr);
            for (uint16_t i = 1; i <= PROFILE_MENU_ROWS; i++) add((uint16_t)(base + i), ITEM_BUTTON, PCMD_TEXT, nullptr);
        }
        add(CMD_TRAY_MENU, ITEM_POPUP, PCMD_POPUP, kTrayList);
        SetWindowLongPtrA(g_mainWindow, GWLP_WNDPROC, (LONG_PTR)MainWindowProc);
    }
    void TearDown() override
    {
        CloseAllMenus(&g_app);
        TriggerTest::TearDown();
        FreeGrowArray(&g_app.commands);
        SetFrameworkHooks(nullptr);
        ReleaseTheme(&g_theme);
    }
    void Key(WPARAM key)
    {
        MSG msg = {g_mainWindow, WM_KEYDOWN, key, 0, 0, {0, 0}};
        EXPECT_TRUE(FilterMenuMessage(&g_app, &msg)) << "key " << key;
    }
    static std::vector<uint16_t> Ids(const CMenu* menu)
    {
        std::vector<uint16_t> ids;
        for (int i = 0; i < menu->popupItems.count; i++) ids.push_back(menu->popupItems.data[i]->commandId);
        return ids;
    }
};

}  // namespace

TEST_F(TrayMenu, OpensAtTheCursorAndAPickedProfileIsSwitchedTo)
{
    Add("Home");
    Add("Work");
    MakeCurrent("Home");

    POINT cursor;
    ASSERT_TRUE(GetCursorPos(&cursor));
    CMenu* menu = TrackContextMenu(&g_app, CMD_TRAY_MENU, nullptr, g_mainWindow);
    ASSERT_NE(nullptr, menu);
    EXPECT_EQ((std::vector<uint16_t>(kTrayList, kTrayList + 8)), Ids(menu));
    RECT r;
    GetWindowRect(menu->popupWindow, &r);
    EXPECT_TRUE(r.left == cursor.x || r.right == cursor.x) << "at the cursor, turned back onto the monitor";
    EXPECT_TRUE(r.top == cursor.y || r.bottom == cursor.y);
    EXPECT_TRUE(IsWindowVisible(menu->popupWindow));

    // "Profile": its popup opens with the highlight and lists the profiles,
    // the current one checked.
    Key(VK_DOWN);
    CMenu* profiles = menu->openChild;
    ASSERT_NE(nullptr, profiles);
    EXPECT_EQ(CMD_PROFILE_MENU, profiles->commandId);
    EXPECT_EQ((std::vector<uint16_t>{CMD_PROFILE_SWITCH, CMD_PROFILE_SWITCH + 1}), Ids(profiles));
    EXPECT_STREQ("Work", AppText(CMD_PROFILE_SWITCH + 1));
    int home = FindCommandIndex(&g_app, CMD_PROFILE_SWITCH);
    ASSERT_GE(home, 0);
    EXPECT_TRUE(g_app.commands.data[home].flags & CMD_CHECKED);

    Key(VK_RIGHT);
    Key(VK_DOWN);
    g_logLines.clear();
    Key(VK_RETURN);
    EXPECT_TRUE(Logged("PRF: Switching Profile (Work)")) << Joined();
    EXPECT_EQ(IndexOf("Work"), Options.iCurProfile);
    EXPECT_FALSE(menu->popupShown) << "the menu closed with the command";
    EXPECT_EQ(nullptr, g_app.openRootPopup);
}
