// UIItemTest.cpp - UI items in real windows without the mouse: the size rule
// at the process's DPI, part layout, tooltips, painting into a 32-bit DIB,
// teardown and what it leaves behind, the value items and the item windows
// that have no item yet.
#include "framework/core/AppWindow.h"
#include "framework/core/MonitorTable.h"
#include "framework/ui/MenuPopup.h"
#include "tests/support/ItemSizeCases.h"
#include "tests/ui/ItemSizeRule.h"
#include "tests/ui/ItemTestUtil.h"

#include <windowsx.h>

#include <algorithm>

namespace {

//--- the size rule

class ItemSize : public ItemTest {};

TEST_F(ItemSize, FollowsTheSizeRuleAtTheProcessDpi)
{
    InstallItemSizeCases(&g_app);
    CMenu* menu = (CMenu*)Make(3, kItemSizeMenuId);
    ASSERT_NE(nullptr, menu);
    UINT dpi = GetWindowDpi(host);
    EXPECT_EQ(96u, dpi) << "the test process runs at 96 DPI; 144 is the desktop test's";
    for (const ItemSizeCase& c : kItemSizeCases) {
        SCOPED_TRACE(c.name);
        CUIItem* item = MakeItemSizeCase(c, host, menu);
        ASSERT_NE(nullptr, item);
        Extent want = ExpectedItemSize(c, dpi);
        EXPECT_EQ(want.w, item->width);
        EXPECT_EQ(want.h, item->height);
        EXPECT_EQ(FindItemCommand(item)->flags, item->flagsCopy);
        FreeUIItem(item);
    }
}

TEST_F(ItemSize, TextIsMeasuredInMenusEvenWithoutTheShowTextFlag)
{
    // The same command without 0x80: measured inside a menu, not outside.
    commands.Add(0x110, 1, 0, {"Properties"});
    commands.Add(0x111, 3, CMD_SHOWTEXT, {"Menu"});
    CMenu* menu = (CMenu*)Make(3, 0x111);
    CUIItem* inside = Make(1, 0x110, host, menu);
    CUIItem* outside = Make(1, 0x110);
    ASSERT_TRUE(menu && inside && outside);
    int m = TextExtent(" ", false, 96).w;
    EXPECT_EQ(TextExtent("Properties", false, 96).w, inside->textWidth);
    EXPECT_EQ(0, outside->textWidth);
    EXPECT_EQ(16, outside->textHeight) << "the text height is at least 16";
    EXPECT_EQ(m, outside->width) << "only the margin";
    EXPECT_EQ(16 + 2 * m, outside->height);
}

//--- part layout

TEST_F(ItemSize, PartsOfAFramedItemAreCentredAndTextCanReachTheShortcut)
{
    commands.Add(0x120, 1, CMD_SHOWTEXT | CMD_SHOWICON | CMD_FRAME, {"Centred"});
    commands.Add(0x121, 1, CMD_TEXTTOSHORTCUT, {"Wide", "F5"});
    commands.Add(0x122, 3, CMD_SHOWTEXT, {"Menu"});
    CUIItem* framed = Make(1, 0x120);
    CMenu* menu = (CMenu*)Make(3, 0x122);
    CUIItem* wide = Make(1, 0x121, host, menu);
    ASSERT_TRUE(framed && menu && wide);
    int m = TextExtent(" ", false, 96).w;

    RECT client = {0, 0, framed->width + 40, framed->height + 10};
    LayoutItemParts(framed, &client, 0, true, false);
    int x = (client.right - framed->width) / 2;
    EXPECT_EQ(x + m, framed->iconRect.left);
    EXPECT_EQ(x + m + 16, framed->iconRect.right);
    EXPECT_EQ((client.bottom + 1 - 2 * m - 16) / 2 + m, framed->iconRect.top);
    EXPECT_EQ(framed->iconRect.right + m, framed->textRect.left) << "no content: the text follows the icon";
    EXPECT_EQ(framed->textRect.left + framed->textWidth, framed->textRect.right);
    double top = (client.bottom + 1 - 2 * m - framed->textHeight) / 2.0;
    EXPECT_EQ((int)(top + 0.5) + m, framed->textRect.top) << "rounded half up";

    // Pressed: every part one pixel down and right.
    RECT icon = framed->iconRect, text = framed->textRect;
    LayoutItemParts(framed, &client, 1, true, false);
    EXPECT_EQ(icon.left + 1, framed->iconRect.left);
    EXPECT_EQ(icon.top + 1, framed->iconRect.top);
    EXPECT_EQ(text.left + 1, framed->textRect.left);

    menu->iconColumnWidth = 30;
    RECT row = {0, 0, 300, wide->height};
    LayoutItemParts(wide, &row, 0, false, true);
    EXPECT_EQ(30, wide->textRect.left) << "in a menu the labels start at the menu's icon column";
    EXPECT_EQ(300 - wide->shortcutWidth - m, wide->shortcutRect.left);
    EXPECT_EQ(wide->shortcutRect.left, wide->textRect.right) << "flag 0x2 reaches the shortcut";
    EXPECT_EQ(wide->textRect.top, wide->shortcutRect.top);
}

TEST_F(ItemSize, PaintStateFromTheFlags)
{
    commands.Add(0x130, 1, 0, {"x"});
    CUIItem* item = Make(1, 0x130);
    ASSERT_NE(nullptr, item);
    static const struct {
        uint32_t flags;
        int background, text, frame, bold, pressed;
    } kRows[] = {
        {CMD_ENABLED, 0, 1, 0, 0, 0},
        {0, 0, 0, 0, 0, 0},
        {CMD_ENABLED | CMD_CHECKED, 6, 1, 0, 0, 0},
        {CMD_CHECKED, 7, 0, 0, 0, 0},
        {CMD_ENABLED | CMD_CHECKED | CMD_HOT, 1, 2, 0, 0, 0},
        {CMD_ENABLED | CMD_HOT | CMD_PRESSED, 2, 2, 0, 0, 1},
        {CMD_ENABLED | CMD_FRAME | CMD_BOLD, 0, 1, 1, 1, 0},
    };
    for (const auto& row : kRows) {
        SCOPED_TRACE(testing::Message() << "flags 0x" << std::hex << row.flags);
        ItemPaintState s;
        EXPECT_EQ(row.pressed, GetItemPaintState(item, row.flags, &s));
        EXPECT_EQ(row.background, s.background);
        EXPECT_EQ(row.text, s.text);
        EXPECT_EQ(row.frame, s.frame);
        EXPECT_EQ(row.bold, s.bold);
    }
    commands.Add(0x131, 3, CMD_SHOWTEXT, {"Menu"});
    CMenu* menu = (CMenu*)Make(3, 0x131);
    CUIItem* inMenu = Make(1, 0x130, host, menu);
    ItemPaintState s;
    GetItemPaintState(inMenu, CMD_ENABLED | CMD_FRAME, &s);
    EXPECT_EQ(0, s.frame) << "no frame inside menus";
}

//--- tooltips

// The tool text the framework tooltip holds for an item window, or "(none)".
// Read as Unicode: Wine hands at most 80 characters to TTM_GETTEXTA.
std::string ToolText(HWND item)
{
    wchar_t text[4096] = L"";
    TTTOOLINFOW info = {};
    info.cbSize = sizeof(info);
    info.hwnd = item;
    info.uId = (UINT_PTR)item;
    if (!SendMessageW(g_app.tooltipWindow, TTM_GETTOOLINFOW, 0, (LPARAM)&info)) return "(none)";
    info.lpszText = text;
    SendMessageW(g_app.tooltipWindow, TTM_GETTEXTW, sizeof(text) / sizeof(text[0]), (LPARAM)&info);
    char out[4096];
    WideCharToMultiByte(CP_ACP, 0, text, -1, out, sizeof(out), nullptr, nullptr);
    return out;
}

class ItemTooltip : public ItemTest {};

TEST_F(ItemTooltip, TextFromTheColumnsAndNoToolInsideMenus)
{
    std::string longText(3000, 'W');
    commands.Add(0x140, 3, CMD_SHOWTEXT, {"Menu"});
    CMenu* menu = (CMenu*)Make(3, 0x140);
    ASSERT_NE(nullptr, menu);
    EXPECT_EQ("Menu", ToolText(menu->window));
    static const struct {
        uint32_t flags;
        bool inMenu;
        const char* columns[4];
        const char* want;
    } kRows[] = {
        {0, false, {"Enable", "Ctrl+E", "Turns it on", nullptr}, "Enable (Ctrl+E)"},
        {0, false, {"Enable", nullptr, nullptr, nullptr}, "Enable"},
        {0, false, {"Enable", "Ctrl+E", nullptr, "Switch it on now"}, "Switch it on now"},
        {0, false, {nullptr, "Ctrl+E", "Turns it on", nullptr}, "(none)"},
        {0, true, {"Enable", "Ctrl+E", nullptr, nullptr}, "(none)"},
        {CMD_MENUTOOLTIP, true, {"Enable", "Ctrl+E", nullptr, nullptr}, "Enable (Ctrl+E)"},
    };
    uint16_t id = 0x141;
    for (const auto& row : kRows) {
        SCOPED_TRACE(row.want);
        commands.Add(id, 1, row.flags, {row.columns[0], row.columns[1], row.columns[2], row.columns[3]});
        CUIItem* item = Make(1, id++, host, row.inMenu ? menu : nullptr);
        ASSERT_NE(nullptr, item);
        EXPECT_EQ(row.want, ToolText(item->window));
        HWND window = item->window;
        Free(item);
        EXPECT_EQ("(none)", ToolText(window)) << "the tool goes with the item";
    }
    // A text longer than the tool's buffer is cut, never overrun.
    commands.Add(id, 1, 0, {longText.c_str(), "Ctrl+E"});
    CUIItem* item = Make(1, id);
    ASSERT_NE(nullptr, item);
    std::string tip = ToolText(item->window);
    EXPECT_EQ(1023u, tip.size());
    EXPECT_EQ(std::string(1023, 'W'), tip);
}

//--- pixels

class ItemPixels : public ItemTest {};

TEST_F(ItemPixels, SeparatorDrawsAnEtchedLineOverTheParentBackground)
{
    g_theme.colours[31] = RGB(200, 10, 10);
    g_theme.colours[32] = RGB(10, 10, 200);
    commands.Add(0x150, 4, 0, {});
    commands.Add(0x151, 4, CMD_SPLITARROW, {});
    CUIItem* six = Make(4, 0x150);
    CUIItem* three = Make(4, 0x151);
    ASSERT_TRUE(six && three);
    EXPECT_EQ(6, six->width);
    EXPECT_EQ(3, three->height);
    const COLORREF bg = g_hostBackground, line = g_theme.colours[31], light = g_theme.colours[32];
    struct Probe {
        int x, y;
        COLORREF want;
    };
    const struct {
        CUIItem* item;
        int w, h;
        std::vector<Probe> probes;
        const char* why;
    } kRows[] = {
        {six, 40, 6, {{2, 2, line}, {36, 2, line}, {37, 2, bg}, {1, 2, bg}, {3, 3, light}, {37, 3, light},
                      {2, 3, bg}, {20, 0, bg}, {20, 5, bg}}, "horizontal"},
        {six, 6, 40, {{2, 2, line}, {2, 36, line}, {2, 37, bg}, {3, 3, light}, {3, 37, light}, {3, 2, bg},
                      {0, 20, bg}, {5, 20, bg}}, "vertical"},
        {six, 6, 6, {{2, 2, line}, {2, 3, bg}, {3, 3, light}, {3, 4, bg}, {4, 2, bg}}, "square: vertical, 1 long"},
        {three, 40, 3, {{2, 0, bg}, {20, 1, bg}, {37, 2, bg}}, "3 pixels: background only"},
    };
    for (const auto& row : kRows) {
        SCOPED_TRACE(row.why);
        Place(row.item, 10, 10, row.w, row.h);
        PixelCanvas canvas(row.w, row.h);
        canvas.Clear(RGB(1, 2, 3));
        canvas.Print(row.item->window);
        for (const Probe& p : row.probes)
            EXPECT_EQ(p.want, canvas.At(p.x, p.y)) << "at " << p.x << "," << p.y;
    }
}

// The run of the fill colour along the bar's middle row: first and last x.
struct FillSpan {
    int first = -1, last = -1;
};
FillSpan FillRun(const PixelCanvas& c, COLORREF fill)
{
    FillSpan run;
    for (int y = 0; y < c.height() && run.first < 0; y++)
        for (int x = 0; x < c.width(); x++)
            if (c.At(x, y) == fill) {
                if (run.first < 0) run.first = x;
                run.last = x;
            }
    return run;
}

TEST_F(ItemPixels, StaticProgressMarkupDrawsABarAndItsPercentage)
{
    g_theme.colours[4] = RGB(0, 0, 0);
    g_theme.colours[46] = RGB(30, 200, 40);
    const COLORREF frame = g_theme.colours[4], fill = g_theme.colours[46];
    const int w = 260, h = 28;
    auto draw = [&](const char* text, uint16_t id) {
        commands.Add(id, 2, CMD_SHOWTEXT | CMD_TEXTTOSHORTCUT, {text});
        CUIItem* item = Make(2, id);
        Place(item, 0, 0, w, h);
        PixelCanvas canvas(w, h);
        canvas.Clear(RGB(255, 255, 255));
        canvas.Print(item->window);
        return canvas.Snapshot();
    };
    std::string full = draw("Load @150", 0x160);
    EXPECT_EQ(full, draw("Load @100", 0x161)) << "150 is clamped to 100";
    EXPECT_NE(full, draw("Load @99", 0x162));

    PixelCanvas canvas(w, h);
    canvas.Clear(RGB(255, 255, 255));
    canvas.Print(items[0]->window);
    FillSpan run = FillRun(canvas, fill);
    ASSERT_GE(run.first, 0) << "a bar";
    int y = 0;
    while (canvas.At(run.first, y) != fill) y++;
    EXPECT_EQ(frame, canvas.At(run.first - 1, y)) << "framed on the left";
    EXPECT_EQ(frame, canvas.At(run.last + 1, y)) << "and on the right: the bar is full";
    EXPECT_EQ(frame, canvas.At(run.first, y - 1));
    RECT right = {run.last + 2, 0, w, h}, left = {0, 0, run.first - 1, h};
    const COLORREF white = RGB(255, 255, 255);
    EXPECT_GT(right.bottom * (right.right - right.left) - canvas.Count(white, right), 10) << "the percentage";
    EXPECT_GT(left.bottom * (left.right - left.left) - canvas.Count(white, left), 10) << "the label before the bar";

    // Half a bar, and no bar at all.
    draw("Load @50", 0x163);
    canvas.Clear(RGB(255, 255, 255));
    canvas.Print(items.back()->window);
    FillSpan half = FillRun(canvas, fill);
    int inside = run.last - run.first + 1;
    EXPECT_EQ(run.first, half.first);
    EXPECT_EQ(inside / 2, half.last - half.first + 1);
    draw("Mail @x", 0x164);
    canvas.Clear(RGB(255, 255, 255));
    canvas.Print(items.back()->window);
    EXPECT_EQ(-1, FillRun(canvas, fill).first) << "an at sign and a letter draw no bar";
    int longest = 0;
    for (int row = 0; row < h; row++)
        for (int x = 0, n = 0; x < w; x++) {
            n = canvas.At(x, row) == frame ? n + 1 : 0;
            longest = std::max(longest, n);
        }
    EXPECT_LT(longest, 20) << "nor its frame: only glyphs";
}

TEST_F(ItemPixels, HotButtonPaintsItsStateWithRoundedCorners)
{
    commands.Add(0x170, 1, CMD_SHOWTEXT, {"Hot"});
    CUIItem* button = Make(1, 0x170);
    ASSERT_NE(nullptr, button);
    Place(button, 0, 0, button->width, button->height);
    PixelCanvas canvas(button->width, button->height);
    canvas.Print(button->window);
    EXPECT_EQ(g_hostBackground, canvas.At(0, 0)) << "normal: the parent's background";
    EXPECT_EQ(g_hostBackground, canvas.At(button->width / 2, 1));

    commands.Row(0x170)->flags |= CMD_HOT;
    canvas.Print(button->window);
    EXPECT_EQ(g_theme.colours[45], canvas.At(button->width / 2, 0)) << "the hot frame";
    EXPECT_NE(g_theme.colours[45], canvas.At(0, 0)) << "a rounded corner blends into the parent";
}

//--- teardown

class ItemTeardown : public ItemTest {};

bool InLiveList(CUIItem* item)
{
    for (int i = 0; i < g_app.liveItems.count; i++)
        if (g_app.liveItems.data[i] == item) return true;
    return false;
}

TEST_F(ItemTeardown, FreeingRunsTheSubclassesOwnTeardown)
{
    commands.Add(0x180, 3, CMD_SHOWTEXT, {"Menu"});
    CMenu* menu = (CMenu*)CreateUIItemByType(3, nullptr);
    ASSERT_EQ(0, menu->Create(0x180, host, host, nullptr));
    HWND popup = menu->popupWindow, window = menu->window;
    ASSERT_TRUE(IsWindow(popup));
    EXPECT_EQ((LONG_PTR)menu, GetWindowLongPtrA(popup, GWLP_USERDATA));
    EXPECT_TRUE(InLiveList(menu));
    FreeUIItem(menu);
    EXPECT_FALSE(IsWindow(popup)) << "the menu's popup window";
    EXPECT_FALSE(IsWindow(window));
    EXPECT_FALSE(InLiveList(menu));
}

TEST_F(ItemTeardown, FreeingClearsEveryApplicationSlotThatNamesTheItem)
{
    commands.Add(0x181, 3, CMD_SHOWTEXT, {"Menu", nullptr, "Opens more"});
    CMenu* menu = (CMenu*)Make(3, 0x181);
    ASSERT_NE(nullptr, menu);
    HWND window = menu->window;
    SendMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
    SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    g_app.openRootPopup = menu;
    g_app.menuBarItem = menu;
    void* entry = menu;
    ArrayAppend(&g_app.menuBarItems, &entry);
    ASSERT_EQ(window, g_app.hoverItemWindow);
    ASSERT_EQ(window, g_app.pressedItemWindow);
    ASSERT_EQ((void*)menu, g_app.statusHoverItem);
    ASSERT_TRUE(commands.Flags(0x181) & CMD_PRESSED);
    Free(menu);
    EXPECT_EQ(nullptr, g_app.hoverItemWindow);
    EXPECT_EQ(nullptr, g_app.pressedItemWindow);
    EXPECT_EQ(nullptr, g_app.statusHoverItem);
    EXPECT_EQ(nullptr, g_app.openRootPopup);
    EXPECT_EQ(nullptr, g_app.menuBarItem);
    EXPECT_EQ(0, g_app.menuBarItems.count);
    EXPECT_FALSE(commands.Flags(0x181) & (CMD_HOT | CMD_PRESSED)) << "hot and pressed cleared";
    EXPECT_NE(window, GetCapture());
}

TEST_F(ItemTeardown, AWindowGoneWithItsParentIsForgottenBeforeTheItemIsFreed)
{
    commands.Add(0x182, 3, CMD_SHOWTEXT, {"Menu"});
    HWND parent = CreateWindowExA(0, "PSItemHost", "", WS_POPUP, 0, 0, 100, 50, nullptr, nullptr, nullptr, nullptr);
    CMenu* menu = (CMenu*)Make(3, 0x182, parent);
    ASSERT_NE(nullptr, menu);
    SendMessageA(menu->window, WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
    ASSERT_EQ(menu->window, g_app.hoverItemWindow);
    DestroyWindow(parent);   // takes the item window and the owned popup along
    EXPECT_EQ(nullptr, menu->window);
    EXPECT_EQ(nullptr, menu->popupWindow);
    EXPECT_EQ(nullptr, g_app.hoverItemWindow) << "no slot keeps the dead handle";
    // Handles the system may hand out again: the item must leave them alone.
    HWND other = CreateWindowExA(0, "PSItemHost", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    Free(menu);
    EXPECT_TRUE(IsWindow(other));
    DestroyWindow(other);
}

TEST_F(ItemTeardown, ThousandItemsWithPopupsLeaveGdiAndUserCountsFlat)
{
    commands.Add(0x190, 3, CMD_SHOWTEXT | CMD_SHOWICON, {"Menu", nullptr, "More"});
    commands.Add(0x191, 1, CMD_SHOWTEXT | CMD_FRAME, {"Button", "Ctrl+B", "Presses"});
    ItemValueRecord value = {40, 1, 99};
    commands.Add(0x192, 10, 0, {"Size"}, (intptr_t)&value);
    commands.Add(0x193, 5, 0, {}, (intptr_t)DefWindowProcA);
    ASSERT_EQ(0, AddCommandIcon(&g_theme, ITEM_ICON_MARKER, 0xC357, 0));
    // n menu items with their popups, and a tenth as many of each other kind.
    auto cycle = [&](int n) {
        for (int i = 0; i < n + n / 10 * 3; i++) {
            uint16_t id = (uint16_t)(i < n ? 0x190 : 0x191 + (i - n) % 3);
            CUIItem* item = CreateUIItemByType(g_app.commands.data[FindCommandIndex(&g_app, id)].type, nullptr);
            ASSERT_EQ(0, item->Create(id, host, host, nullptr));
            if (id == 0x193) {
                ((CTree*)item)->imageList = ImageList_Create(16, 16, ILC_COLOR32, 1, 1);
            } else {
                Place(item, 0, 0, item->width, item->height);
                PixelCanvas canvas(item->width + 1, item->height + 1);
                canvas.Print(item->window);
            }
            FreeUIItem(item);
        }
    };
    cycle(10);   // fonts, icons and the classes are made once, on first use
    GuiCounts before = CountGuiObjects();
    int tools = (int)SendMessageA(g_app.tooltipWindow, TTM_GETTOOLCOUNT, 0, 0);
    cycle(1000);
    GuiCounts after = CountGuiObjects();
    ASSERT_GT(before.gdi, 0);
    ASSERT_GT(before.user, 0);
    EXPECT_EQ(before.gdi, after.gdi);
    EXPECT_EQ(before.user, after.user);
    EXPECT_EQ(tools, SendMessageA(g_app.tooltipWindow, TTM_GETTOOLCOUNT, 0, 0));
    EXPECT_EQ(0, g_app.liveItems.count);
}

//--- value items

class ItemValues : public ItemTest {};

TEST_F(ItemValues, ValueItemsNeedTheirRecordAndKeepPressedOnHover)
{
    ItemValueRecord value = {1, 0, 10};
    ItemColourRecord colour = {0xFF102030, 0};
    ItemPaletteRecord palette = {};
    static const struct {
        uint16_t type;
        bool keepsPressed;
    } kTypes[] = {{9, false}, {10, true}, {11, true}, {12, true}};
    uint16_t id = 0x1A0;
    for (const auto& t : kTypes) {
        SCOPED_TRACE(testing::Message() << "type " << t.type);
        commands.Add(id, t.type, 0, {"v"});
        CUIItem* without = CreateUIItemByType(t.type, nullptr);
        EXPECT_EQ(ZRP_ERR_WINDOW, without->Create(id, host, host, nullptr)) << "no record";
        FreeUIItem(without);
        intptr_t data = t.type == 11 ? (intptr_t)&colour : t.type == 12 ? (intptr_t)&palette : (intptr_t)&value;
        commands.Add((uint16_t)(id + 1), t.type, 0, {"v"}, data);
        EXPECT_NE(nullptr, Make(t.type, (uint16_t)(id + 1)));
        EXPECT_EQ(t.keepsPressed, (commands.Flags((uint16_t)(id + 1)) & CMD_KEEPPRESSED) != 0);
        id = (uint16_t)(id + 2);
    }
}

TEST_F(ItemValues, PaletteWritesAPickedColourOnlyIntoARealCell)
{
    struct Guarded {
        uint32_t before;
        ItemPaletteRecord record;
        uint32_t after[4];
    } g = {};
    commands.Add(0x1B0, 12, 0, {"Palette"}, (intptr_t)&g.record);
    CUIItem* palette = Make(12, 0x1B0);
    ASSERT_NE(nullptr, palette);
    static const int8_t kSelections[] = {5, 0, 15, -1, 16, 17, 100, -128};
    for (int8_t selected : kSelections) {
        SCOPED_TRACE(testing::Message() << "selected " << (int)selected);
        memset(&g, 0x5A, sizeof(g));
        g.record.selected = selected;
        Guarded was = g;
        SendMessageA(palette->window, WM_MOUSEMOVE, 0, MAKELPARAM(-30, -30));   // outside the item
        EXPECT_EQ(0xFFu, g.record.picked >> 24) << "the screen pixel is picked";
        EXPECT_EQ(selected, g.record.selected);
        EXPECT_EQ(was.before, g.before);
        EXPECT_EQ(0, memcmp(was.after, g.after, sizeof(g.after)));
        for (int i = 0; i < 16; i++)
            EXPECT_EQ(i == selected ? g.record.picked : was.record.cells[i], g.record.cells[i]) << "cell " << i;
    }
}

TEST_F(ItemValues, PaletteCellsFollowTheContentAndAPressSelectsOne)
{
    ItemPaletteRecord record = {};
    for (int i = 0; i < 16; i++) record.cells[i] = 0xFF000000u | (uint32_t)(i * 15) << 16 | 0x40;
    record.selected = -1;
    commands.Add(0x1B1, 12, 0, {"Palette"}, (intptr_t)&record);
    CPalette* palette = (CPalette*)Make(12, 0x1B1);
    ASSERT_NE(nullptr, palette);
    int m = TextExtent(" ", false, 96).w;
    EXPECT_EQ(32 * m, palette->contentWidth);
    EXPECT_EQ(6 * m, palette->contentHeight);
    Place(palette, 0, 0, palette->width, palette->height);
    PixelCanvas canvas(palette->width, palette->height);
    canvas.Print(palette->window);
    const RECT& c = palette->contentRect;
    EXPECT_EQ(g_theme.colours[54], canvas.At(c.left, c.top)) << "the frame";
    const RECT& cell9 = palette->cellRects[9];
    EXPECT_EQ(ArgbToColorRef(record.cells[9]), canvas.At((cell9.left + cell9.right) / 2, (cell9.top + cell9.bottom) / 2));
    EXPECT_GT(cell9.top, palette->cellRects[1].top) << "8 columns and 2 rows";
    SendMessageA(palette->window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(cell9.left + 1, cell9.top + 1));
    EXPECT_EQ(9, record.selected);
    SendMessageA(palette->window, WM_LBUTTONUP, 0, MAKELPARAM(cell9.left + 1, cell9.top + 1));
}

TEST_F(ItemValues, SliderStepsDragsAndSurvivesAZeroRange)
{
    ItemValueRecord value = {3, 0, 10};
    ItemValueRecord flat = {5, 5, 5};
    commands.Add(0x1C0, 9, 0, {"Slider"}, (intptr_t)&value);
    commands.Add(0x1C1, 9, 0, {"Flat"}, (intptr_t)&flat);
    for (uint16_t id : {(uint16_t)0x1C0, (uint16_t)0x1C1}) {
        SCOPED_TRACE(testing::Message() << "command 0x" << std::hex << id);
        CSlider* slider = (CSlider*)Make(9, id);
        ASSERT_NE(nullptr, slider);
        Place(slider, 0, 0, slider->width, slider->height);
        PixelCanvas canvas(slider->width, slider->height);
        canvas.Print(slider->window);
        RECT thumb = slider->thumbRect;
        EXPECT_EQ(thumb.right - thumb.left, TextExtent(" ", false, 96).w);
        int range = slider->record->maximum - slider->record->minimum;
        EXPECT_EQ(slider->contentRect.left +
                      (int)((double)(slider->width - slider->height) / (range ? range : 1) * slider->record->value),
                  thumb.left);
    }
    CSlider* slider = (CSlider*)items[0];
    g_ownerMessages.clear();
    POINT right = {slider->thumbRect.right + 1, slider->thumbRect.top + 1};
    SendMessageA(slider->window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(right.x, right.y));
    SendMessageA(slider->window, WM_LBUTTONUP, 0, MAKELPARAM(right.x, right.y));
    EXPECT_EQ(4, value.value) << "a press right of the thumb steps up";
    ASSERT_FALSE(g_ownerMessages.empty());
    EXPECT_EQ((UINT)ZRPMSG_COMMAND, g_ownerMessages[0].message);
    EXPECT_EQ((WPARAM)0x1C0, g_ownerMessages[0].wParam);
    EXPECT_EQ(1, g_ownerMessages[0].lParam);

    // A drag on the thumb follows the cursor in steps of the unit.
    PixelCanvas canvas(slider->width, slider->height);
    canvas.Print(slider->window);
    RECT thumb = slider->thumbRect;
    SendMessageA(slider->window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(thumb.left, thumb.top));
    int m = TextExtent(" ", false, 96).w;
    double unit = (double)(slider->contentWidth - slider->contentHeight) / 10;
    int x = slider->contentRect.left + 30;
    SendMessageA(slider->window, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x, thumb.top));
    int want = (int)((x - (slider->contentRect.left + (m - unit) / 2)) / unit);
    EXPECT_EQ(std::min(std::max(want, 0), 10), value.value);
    SendMessageA(slider->window, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(2000, thumb.top));
    EXPECT_EQ(10, value.value) << "clamped to the maximum";
    SendMessageA(slider->window, WM_LBUTTONUP, 0, MAKELPARAM(2000, thumb.top));
    SendMessageA(slider->window, WM_MOUSEMOVE, 0, MAKELPARAM(0, thumb.top));
    EXPECT_EQ(10, value.value) << "the drag ended with the button";

    CSlider* still = (CSlider*)items[1];
    canvas.Print(still->window);
    SendMessageA(still->window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(still->thumbRect.left, still->thumbRect.top));
    SendMessageA(still->window, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(still->contentRect.right, 0));
    SendMessageA(still->window, WM_LBUTTONUP, 0, 0);
    EXPECT_EQ(5, flat.value) << "a zero range drags without dividing by zero";
}

TEST_F(ItemValues, BrushSizeShrinksItsNumberButNeverBelowThreePixels)
{
    ItemValueRecord small = {7, 1, 99}, wide = {2000000000, 0, 2000000000};
    commands.Add(0x1D0, 10, 0, {"Size"}, (intptr_t)&small);
    commands.Add(0x1D1, 10, 0, {"Size"}, (intptr_t)&wide);
    ASSERT_EQ(0, AddCommandIcon(&g_theme, ITEM_ICON_MARKER, 0xC357, 0));
    static const struct {
        uint16_t id;
        int w, h, wantHeight;
        const char* why;
    } kRows[] = {
        {0x1D0, 60, 40, -12, "room: 12 pixels at 96 DPI"},
        {0x1D1, 20, 12, -3, "ten digits in 20 pixels: down to 3, no further"},
    };
    for (const auto& row : kRows) {
        SCOPED_TRACE(row.why);
        CBrushSize* brush = (CBrushSize*)Make(10, row.id);
        ASSERT_NE(nullptr, brush);
        brush->width = row.w;
        brush->height = row.h;
        Place(brush, 0, 0, row.w, row.h);
        PixelCanvas canvas(row.w, row.h);
        canvas.Print(brush->window);
        ASSERT_NE(nullptr, brush->numberFont);
        LOGFONTA lf = {};
        GetObjectA(brush->numberFont, sizeof(lf), &lf);
        EXPECT_EQ(row.wantHeight, lf.lfHeight);
        EXPECT_EQ(800, lf.lfWeight);
    }
    // Dragging up by 5 pixels adds one; the release tells the owner.
    CBrushSize* brush = (CBrushSize*)items[0];
    g_ownerMessages.clear();
    SendMessageA(brush->window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 30));
    SendMessageA(brush->window, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(5, 9));
    EXPECT_EQ(11, small.value);
    SendMessageA(brush->window, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(5, -3000));
    EXPECT_EQ(99, small.value) << "clamped";
    SendMessageA(brush->window, WM_LBUTTONUP, 0, MAKELPARAM(5, -3000));
    ASSERT_FALSE(g_ownerMessages.empty());
    EXPECT_EQ((UINT)ZRPMSG_COMMAND, g_ownerMessages[0].message);
    EXPECT_EQ((WPARAM)0x1D0, g_ownerMessages[0].wParam);
    EXPECT_EQ(0, g_ownerMessages[0].lParam);
}

//--- trees

std::vector<UINT> g_treeMessages;

LRESULT CALLBACK TreeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    g_treeMessages.push_back(message);
    CTree* tree = (CTree*)GetWindowLongPtrA(window, GWLP_USERDATA);
    if (message == WM_CREATE) return 0;
    return tree ? CallWindowProcA(tree->previousProc, window, message, wParam, lParam)
                : DefWindowProcA(window, message, wParam, lParam);
}

int CountChildren(HWND parent)
{
    long n = 0;
    EnumChildWindows(parent, CountChildWindow, (LPARAM)&n);
    return (int)n;
}

TEST_F(ItemTeardown, TreeRefusesARowWithoutAProcedure)
{
    for (intptr_t data : {(intptr_t)0, (intptr_t)-1}) {
        uint16_t id = data ? 0x1E1 : 0x1E0;
        commands.Add(id, 5, 0, {}, data);
        CUIItem* tree = CreateUIItemByType(5, nullptr);
        EXPECT_EQ(ZRP_ERR_WINDOW, tree->Create(id, host, host, nullptr));
        EXPECT_EQ(nullptr, tree->window);
        EXPECT_EQ(0, CountChildren(host)) << "no tree window made";
        FreeUIItem(tree);
    }

    g_treeMessages.clear();
    commands.Add(0x1E2, 5, CMD_ARROWPRESSED, {}, (intptr_t)TreeProc);
    CTree* tree = (CTree*)Make(5, 0x1E2);
    ASSERT_NE(nullptr, tree);
    HWND window = tree->window;
    char cls[32] = {};
    GetClassNameA(window, cls, sizeof(cls));
    EXPECT_STREQ(WC_TREEVIEWA, cls);
    EXPECT_EQ(host, GetParent(window));
    EXPECT_EQ((LONG_PTR)TreeProc, GetWindowLongPtrA(window, GWLP_WNDPROC));
    EXPECT_EQ((LONG_PTR)tree, GetWindowLongPtrA(window, GWLP_USERDATA));
    EXPECT_NE(nullptr, tree->previousProc);
    ASSERT_FALSE(g_treeMessages.empty());
    EXPECT_EQ((UINT)WM_CREATE, g_treeMessages.back()) << "the procedure sees its creation";
    const DWORD asked = 0x50000021 | WS_TABSTOP;
    EXPECT_EQ(asked, (DWORD)GetWindowLongA(window, GWL_STYLE) & asked) << "the default style, tab stop by 0x2000000";
    EXPECT_TRUE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_STATICEDGE);
    EXPECT_EQ(64, tree->width);
    EXPECT_EQ(64, tree->height);
    EXPECT_FALSE(commands.Flags(0x1E2) & CMD_ADDED);
    EXPECT_EQ(commands.Flags(0x1E2) | 4u, tree->flagsCopy);
    tree->imageList = ImageList_Create(16, 16, ILC_COLOR32, 1, 1);
    Free(tree);
    EXPECT_FALSE(IsWindow(window));
}

//--- windows without their item

TEST_F(ItemTeardown, ProceduresWithoutTheirItemAnswerAsTheDefault)
{
    ASSERT_TRUE(RegisterMenuPopupClass());
    HWND item = CreateWindowExA(0, "ZRPAppUIItem", "", WS_CHILD, 0, 0, 20, 20, host, nullptr, nullptr, nullptr);
    HWND popup = CreateWindowExA(0, "ZRPAppMenuPopup", "", WS_POPUP, 0, 0, 20, 20, host, nullptr, nullptr, nullptr);
    ASSERT_TRUE(item && popup);
    for (UINT m : {(UINT)WM_MOUSEMOVE, (UINT)WM_LBUTTONDOWN, (UINT)WM_LBUTTONUP, (UINT)WM_MOUSELEAVE,
                   (UINT)WM_SETFOCUS, (UINT)WM_SIZE, (UINT)ZRPMSG_SETPOPUP, (UINT)ZRPMSG_GETPOPUP})
        for (HWND w : {item, popup}) {
            SCOPED_TRACE(testing::Message() << "message 0x" << std::hex << m);
            EXPECT_EQ(DefWindowProcA(w, m, 0, 0x10001), SendMessageA(w, m, 0, 0x10001));
        }
    UpdateWindow(item);
    PixelCanvas canvas(20, 20);
    canvas.Print(item);
    DestroyWindow(item);
    DestroyWindow(popup);
    EXPECT_EQ(nullptr, g_app.hoverItemWindow);
    EXPECT_EQ(nullptr, g_app.pressedItemWindow);
}

}  // namespace
