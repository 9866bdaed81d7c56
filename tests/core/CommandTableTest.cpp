// CommandTableTest.cpp - the command table: rows kept sorted by id, flags
// that change and redraw only on a real change, the hover help a disabled
// command removes, searches over empty tables, and the accelerator rows.
#include "framework/core/AppObject.h"
#include "framework/core/AppWindow.h"
#include "framework/core/FrameworkHooks.h"
#include "framework/core/StringTable.h"
#include "framework/core/TextUtil.h"
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<uint16_t> g_redrawn;

void RecordRedraw(AppObject*, uint16_t id)
{
    g_redrawn.push_back(id);
}

class CommandTable : public testing::Test {
protected:
    void SetUp() override
    {
        AppConstruct(&g_app);
        g_app.instance = GetModuleHandleA(nullptr);
        FrameworkHooks hooks = {};
        hooks.redrawCommandItems = RecordRedraw;
        SetFrameworkHooks(&hooks);
        g_redrawn.clear();
    }
    void TearDown() override
    {
        while (g_app.windows.count) {
            AppWindow* w = g_app.windows.data[0];
            ArrayRemoveAt(&g_app.windows, 0);
            DestroyAppWindow(w);
        }
        FreeGrowArray(&g_app.windows);
        FreeGrowArray(&g_app.commands);
        FreeGrowArray(&g_app.accelerators);
        SetFrameworkHooks(nullptr);
        g_app.dataFolder[0] = '\0';
    }
    std::vector<uint16_t> Ids()
    {
        std::vector<uint16_t> ids;
        for (int i = 0; i < g_app.commands.count; i++) ids.push_back(g_app.commands.data[i].id);
        return ids;
    }
    uint32_t Flags(uint16_t id)
    {
        int at = FindCommandIndex(&g_app, id);
        return at >= 0 ? g_app.commands.data[at].flags : 0xDEADBEEF;
    }
};

}  // namespace

TEST_F(CommandTable, IdsAddedOutOfOrderComeBackSorted)
{
    for (uint16_t id : {5, 1, 3}) ASSERT_GE(AddCommand(&g_app, id, 1, 0, 0, 0, 0, 0, 0), 0);
    EXPECT_EQ((std::vector<uint16_t>{1, 3, 5}), Ids());

    // Every place a new row can go: before the first, between, after the
    // last, next to a twin, in a table of many rows.
    for (uint16_t id : {0, 4, 0xF000, 3, 200, 2, 0xFFFE, 100, 6, 1}) AddCommand(&g_app, id, 1, 0, 0, 0, 0, 0, 0);
    EXPECT_EQ((std::vector<uint16_t>{0, 1, 1, 2, 3, 3, 4, 5, 6, 100, 200, 0xF000, 0xFFFE}), Ids());
    for (uint16_t id : {0, 2, 4, 5, 6, 100, 200, 0xF000, 0xFFFE})
        EXPECT_EQ(id, g_app.commands.data[FindCommandIndex(&g_app, id)].id) << id;
    for (uint16_t id : {7, 99, 0xEFFF, 0xFFFF}) EXPECT_EQ(-1, FindCommandIndex(&g_app, id)) << id;

    // The row as AddCommand stores it.
    int at = AddCommand(&g_app, 0x500, 3, CMD_SHOWTEXT, 0xFFFF, 0xFFFF, 1234, 0.5f, 0.25f);
    ASSERT_GE(at, 0);
    const CommandEntry& row = g_app.commands.data[at];
    EXPECT_EQ(0x500, row.id);
    EXPECT_EQ(3, row.type);
    EXPECT_EQ((uint32_t)(CMD_SHOWTEXT | CMD_ADDED | CMD_ENABLED), row.flags) << "starts enabled";
    EXPECT_EQ(0x500, row.iconId) << "0xFFFF stands for the command's own id";
    EXPECT_EQ(0x500, row.stringId);
    EXPECT_EQ(1234, row.data);
    EXPECT_EQ(0.5f, row.widthFactor);
    EXPECT_EQ(0.25f, row.heightFactor);
}

// A table of no rows finds nothing, even when its storage holds the id just
// past the count.
TEST_F(CommandTable, EmptyTablesFindNothing)
{
    CommandEntry rows[2] = {};
    rows[0].id = 7;
    rows[1].id = 9;
    g_app.commands.data = &rows[1];
    g_app.commands.count = 0;
    g_app.commands.capacity = 1;
    g_app.commands.notOwned = 1;
    EXPECT_EQ(-1, FindCommandIndex(&g_app, 9));
    EXPECT_EQ(-1, FindCommandIndex(&g_app, 7));
    EXPECT_EQ(ZRP_ERR_COMMAND_ID, SetCommandChecked(&g_app, 9, true));
    EXPECT_EQ(ZRP_ERR_COMMAND_ID, SetCommandEnabled(&g_app, 9, false));
    EXPECT_EQ(0u, rows[1].flags) << "nothing was written";
    EXPECT_TRUE(g_redrawn.empty());
    g_app.commands = GrowArray<CommandEntry>{0, nullptr, -1, 0, 0};

    StringTableEntry texts[3] = {};
    texts[0].id = 0x10;
    texts[0].columns[0] = "before";
    texts[1].id = 0x20;
    texts[1].columns[0] = "hidden";
    texts[2].id = STRING_END_ID;
    StringTable strings = {};
    strings.productTables[0] = &texts[1];
    strings.productCount = 0;
    EXPECT_EQ(nullptr, GetAppString(&strings, 0x20, 0));
    EXPECT_EQ(nullptr, GetAppString(&strings, 0x10, 0));
}

TEST_F(CommandTable, FlagsChangeAndRedrawOnlyOnARealChange)
{
    AddCommand(&g_app, 0x10, 1, 0, 0, 0, 0, 0, 0);
    AddCommand(&g_app, 0x20, 1, 0, 0, 0, 0, 0, 0);
    const uint32_t base = CMD_ADDED;
    g_app.commands.data[FindCommandIndex(&g_app, 0x10)].flags |= CMD_HOT | CMD_PRESSED;

    struct Step {
        int op;   // 0 checked, 1 enabled
        uint16_t id;
        bool on;
        int result;
        uint32_t flags;   // of the command afterwards
        bool redrawn;
        const char* why;
    };
    const Step kSteps[] = {
        {0, 0x10, true, 0, base | CMD_ENABLED | CMD_HOT | CMD_PRESSED | CMD_CHECKED, true, "checked"},
        {0, 0x10, true, 0, base | CMD_ENABLED | CMD_HOT | CMD_PRESSED | CMD_CHECKED, false, "checked again"},
        {1, 0x10, true, 0, base | CMD_ENABLED | CMD_HOT | CMD_PRESSED | CMD_CHECKED, false, "already enabled"},
        {1, 0x10, false, 0, base | CMD_CHECKED, true, "disabling clears hot and pressed too"},
        {1, 0x10, false, 0, base | CMD_CHECKED, false, "disabled again"},
        {1, 0x10, true, 0, base | CMD_ENABLED | CMD_CHECKED, true, "enabling restores neither hot nor pressed"},
        {0, 0x10, false, 0, base | CMD_ENABLED, true, "unchecked"},
        {0, 0x10, false, 0, base | CMD_ENABLED, false, "unchecked again"},
        {0, 0x30, true, ZRP_ERR_COMMAND_ID, 0xDEADBEEF, false, "an id not in the table"},
        {1, 0x30, false, ZRP_ERR_COMMAND_ID, 0xDEADBEEF, false, "an id not in the table"},
    };
    for (size_t i = 0; i < sizeof(kSteps) / sizeof(kSteps[0]); i++) {
        const Step& s = kSteps[i];
        SCOPED_TRACE(testing::Message() << "step " << i << ": " << s.why);
        g_redrawn.clear();
        int rc = s.op == 0 ? SetCommandChecked(&g_app, s.id, s.on) : SetCommandEnabled(&g_app, s.id, s.on);
        EXPECT_EQ(s.result, rc);
        EXPECT_EQ(s.flags, Flags(s.id));
        EXPECT_EQ(s.redrawn ? std::vector<uint16_t>{s.id} : std::vector<uint16_t>{}, g_redrawn);
        EXPECT_EQ(base | CMD_ENABLED, Flags(0x20)) << "the other command is untouched";
    }
}

TEST_F(CommandTable, DisablingRemovesTheHoverHelpOfTheMenuWindowOnly)
{
    g_app.firstStart = 1;
    CopyText(g_app.dataFolder, sizeof(g_app.dataFolder), FreshFolderForThisTest().c_str());
    int at = CreateAppWindow(&g_app, "Menus");
    ASSERT_GE(at, 0);
    AppWindow* w = g_app.windows.data[at];
    AddCommand(&g_app, 0x10, 1, 0, 0, 0, 0, 0, 0);
    auto help = [&]() -> std::string {
        for (int i = 0; i < w->statusTexts.count; i++)
            if (w->statusTexts.data[i].key == -2) return w->statusTexts.data[i].text;
        return "(none)";
    };

    // No application window owns the menus: nothing to remove, and no fault.
    g_app.menuWindowNumber = 0xFFFF;
    SetStatusText(w, -2, "Saves the profile");
    ASSERT_EQ(0, SetCommandEnabled(&g_app, 0x10, false));
    EXPECT_EQ("Saves the profile", help());

    g_app.menuWindowNumber = w->windowNumber;
    ASSERT_EQ(0, SetCommandEnabled(&g_app, 0x10, true));
    EXPECT_EQ("Saves the profile", help()) << "enabling leaves the help";
    ASSERT_EQ(0, SetCommandEnabled(&g_app, 0x10, false));
    EXPECT_EQ("(none)", help()) << "disabling removes it";
    SetStatusText(w, -2, "Saves the profile");
    ASSERT_EQ(0, SetCommandEnabled(&g_app, 0x10, false));
    EXPECT_EQ("Saves the profile", help()) << "no change, nothing removed";
}

// Rows are tried in order; a modifier the row does not ask for may be held;
// a row of a window matches while that window is in front; a row naming a
// window number no window has ends the search.
TEST_F(CommandTable, AcceleratorsMatchByModifiersAndWindowNumber)
{
    g_app.firstStart = 1;
    CopyText(g_app.dataFolder, sizeof(g_app.dataFolder), FreshFolderForThisTest().c_str());
    int at = CreateAppWindow(&g_app, "Accelerators");
    ASSERT_GE(at, 0);
    HWND window0 = g_app.windows.data[at]->window;
    HWND other = GetDesktopWindow();

    const AcceleratorEntry kRows[] = {
        {'S', 0, 1, 0, 0x101, 0xFFFF},       // 0 Ctrl+S anywhere
        {'S', 1, 0, 0, 0x102, 0},            // 1 Shift+S in window 0
        {VK_F5, 0, 0, 0, 0x103, 0xFFFF},     // 2 F5 anywhere
        {'D', 0, 0, 1, 0x104, 0},            // 3 Alt+D in window 0
        {'D', 0, 0, 1, 0x105, 0xFFFF},       // 4 Alt+D anywhere
        {VK_F6, 0, 0, 0, 0x106, 7},          // 5 F6 in a window that does not exist
        {VK_F6, 0, 0, 0, 0x107, 0xFFFF},     // 6 F6 anywhere: never reached
        {'Q', 1, 1, 1, 0x108, 0xFFFF},       // 7 Ctrl+Shift+Alt+Q
    };
    for (const AcceleratorEntry& a : kRows) ASSERT_GE(ArrayAppend(&g_app.accelerators, &a), 0);

    struct Case {
        uint16_t key;
        bool shift, ctrl, alt;
        HWND front;
        int want;
        const char* why;
    };
    const Case kCases[] = {
        {'S', false, true, false, other, 0, "Ctrl+S"},
        {'S', true, true, false, window0, 0, "Ctrl+Shift+S fires Ctrl+S: the first row wins"},
        {'S', false, true, true, other, 0, "Ctrl+Alt+S fires Ctrl+S"},
        {'S', false, false, false, window0, ACCEL_NONE, "S alone"},
        {'S', true, false, false, window0, 1, "Shift+S while window 0 is in front"},
        {'S', true, false, false, other, ACCEL_NONE, "Shift+S with another window in front"},
        {VK_F5, false, false, false, other, 2, "F5"},
        {VK_F5, true, true, true, other, 2, "F5 with every modifier held"},
        {'D', false, false, true, window0, 3, "Alt+D: the window's row first"},
        {'D', false, false, true, other, 4, "Alt+D elsewhere: the row for any window"},
        {VK_F6, false, false, false, window0, ACCEL_STOP, "a missing window ends the search"},
        {'Q', true, true, false, other, ACCEL_NONE, "Ctrl+Shift+Q lacks Alt"},
        {'Q', true, true, true, other, 7, "Ctrl+Shift+Alt+Q"},
        {'X', true, true, true, other, ACCEL_NONE, "no row for the key"},
    };
    for (size_t i = 0; i < sizeof(kCases) / sizeof(kCases[0]); i++) {
        const Case& c = kCases[i];
        SCOPED_TRACE(testing::Message() << "case " << i << ": " << c.why);
        EXPECT_EQ(c.want, FindAcceleratorMatch(&g_app, c.key, c.shift, c.ctrl, c.alt, c.front));
    }

    FreeGrowArray(&g_app.accelerators);
    EXPECT_EQ(ACCEL_NONE, FindAcceleratorMatch(&g_app, 'S', false, true, false, other)) << "an empty table";
}
