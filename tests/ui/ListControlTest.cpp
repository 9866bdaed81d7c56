// ListControlTest.cpp - the list control without the mouse: columns from
// width fractions, horizontal scrolling, rows and their copies, the row
// height, bounded titles, and the rows and cells as they are painted.
#include "framework/core/MonitorTable.h"
#include "framework/core/StringTable.h"
#include "tests/support/ListRowReader.h"
#include "tests/ui/ListTestUtil.h"

namespace {

class Lists : public ListTest {
protected:
    std::vector<int> Xs(CList* list)
    {
        std::vector<int> xs;
        for (int i = 0; i < list->columns.count; i++) xs.push_back(list->columns.data[i].x);
        return xs;
    }
    std::vector<int> HeaderWidths(CList* list)
    {
        std::vector<int> widths;
        for (int i = 0; i < (int)SendMessageA(list->header, HDM_GETITEMCOUNT, 0, 0); i++) {
            RECT r;
            SendMessageA(list->header, HDM_GETITEMRECT, (WPARAM)i, (LPARAM)&r);
            widths.push_back(r.right - r.left);
        }
        return widths;
    }
    RECT ChildRect(CList* list, HWND child)
    {
        RECT r;
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, list->window, (POINT*)&r, 2);
        return r;
    }
};

}  // namespace

TEST_F(Lists, ColumnsStandAtTheirFractionsOfTheWidth)
{
    CList* list = MakeList(0, 0, 500, 200, {0.08, 0.2, 0.24, 0.24, 0.24});
    ASSERT_NE(nullptr, list);
    EXPECT_EQ((std::vector<int>{0, 40, 140, 260, 380}), Xs(list));
    EXPECT_EQ(500, list->totalWidth);
    EXPECT_EQ((std::vector<int>{40, 100, 120, 120, 120}), HeaderWidths(list));

    // Everything fits: nothing scrolls.
    ScrollListHorizontally(list, SB_PAGERIGHT);
    EXPECT_EQ(0, list->scrollPosition);
    EXPECT_EQ(0, ChildRect(list, list->header).left);

    // A new width moves every column with it.
    SetWindowPos(list->window, nullptr, 0, 0, 1000, 200, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ((std::vector<int>{0, 80, 280, 520, 760}), Xs(list));
    EXPECT_EQ((std::vector<int>{80, 200, 240, 240, 240}), HeaderWidths(list));

    // Less than the whole width leaves room at the right.
    CList* narrow = MakeList(0, 0, 400, 100, {0.25, 0.25});
    ASSERT_NE(nullptr, narrow);
    EXPECT_EQ((std::vector<int>{0, 100}), Xs(narrow));
    EXPECT_EQ(200, narrow->totalWidth);
    FreeUIItem(narrow);
    g_ownedList = list;
}

TEST_F(Lists, FractionsAboveOneScrollTheListSideways)
{
    CList* list = MakeList(0, 0, 400, 200, {0.5, 0.5, 0.5});
    ASSERT_NE(nullptr, list);
    RECT client;
    GetClientRect(list->window, &client);
    ASSERT_EQ(400, client.right);
    EXPECT_EQ((std::vector<int>{0, 200, 400}), Xs(list));
    EXPECT_EQ(600, list->totalWidth);
    SCROLLINFO si = {sizeof(si), SIF_RANGE | SIF_PAGE, 0, 0, 0, 0, 0};
    ASSERT_TRUE(GetScrollInfo(list->window, SB_HORZ, &si));
    EXPECT_EQ(0, si.nMin);
    EXPECT_EQ(599, si.nMax);
    EXPECT_EQ(400u, si.nPage);

    struct Step {
        int code;
        int position;
        const char* why;
    };
    const Step kSteps[] = {
        {SB_LINERIGHT, list->rowHeight, "one line"},
        {SB_PAGERIGHT, 200, "a page, held at the end"},
        {SB_PAGERIGHT, 200, "still at the end"},
        {SB_LINELEFT, 200 - list->rowHeight, "a line back"},
        {SB_PAGELEFT, 0, "a page back, held at the start"},
    };
    for (const Step& s : kSteps) {
        SCOPED_TRACE(s.why);
        SendMessageA(list->window, WM_HSCROLL, (WPARAM)s.code, 0);
        EXPECT_EQ(s.position, list->scrollPosition);
        RECT header = ChildRect(list, list->header), box = ChildRect(list, list->listBox);
        EXPECT_EQ(-s.position, header.left) << "the header moves left by the position";
        EXPECT_EQ(-s.position, box.left);
        EXPECT_EQ(400 + s.position, box.right - box.left) << "and is wider by it";
        EXPECT_EQ(header.bottom, box.top) << "the rows start under the header";
        EXPECT_EQ(s.position, GetScrollPos(list->window, SB_HORZ));
    }
}

TEST_F(Lists, RowsKeepTheirDataOrACopyOfIt)
{
    // The row height comes from the framework's "Ag".
    ASSERT_STREQ("Ag", GetAppString(&g_app.strings, 0xF003, 1));
    CList* keeping = MakeList(0, 0, 300, 150, {0.5, 0.5});
    ASSERT_NE(nullptr, keeping);
    int w = 0, h = 0;
    MeasureTextWithFont(&g_theme, "Ag", &w, &h, GetThemeFont(&g_theme, THEME_FONT_UI, GetWindowDpi(owner)));
    EXPECT_EQ(h + 4, keeping->rowHeight);
    EXPECT_EQ(keeping->rowHeight, (int)SendMessageA(keeping->listBox, LB_GETITEMHEIGHT, 0, 0));

    ListRowText rows[3] = {MakeListRow({"one"}), MakeListRow({"two"}), MakeListRow({"three"})};
    for (ListRowText& r : rows) EXPECT_GE(AddListRow(keeping, &r), 0);
    ASSERT_EQ(3, GetListRowCount(keeping));
    std::vector<const void*> kept;
    for (int i = 0; i < 3; i++) kept.push_back(GetListRowData(keeping, i));
    for (ListRowText& r : rows) EXPECT_NE(kept.end(), std::find(kept.begin(), kept.end(), &r)) << "the caller's pointer";
    EXPECT_EQ(nullptr, GetListRowData(keeping, 3));
    EXPECT_EQ(nullptr, GetListRowData(keeping, -1));
    FreeUIItem(keeping);

    CList* copying = MakeList(0, 0, 300, 150, {0.5, 0.5}, sizeof(ListRowText));
    ASSERT_NE(nullptr, copying);
    ListRowText source = MakeListRow({"copied", "row"});
    ASSERT_GE(AddListRow(copying, &source), 0);
    ASSERT_GE(AddListRow(copying, nullptr), 0) << "no source: a zeroed block";
    const ListRowText* copy = nullptr;
    for (int i = 0; i < 2; i++) {
        const ListRowText* r = (const ListRowText*)GetListRowData(copying, i);
        ASSERT_NE(nullptr, r);
        if (r->cells[0][0]) copy = r;
    }
    ASSERT_NE(nullptr, copy);
    EXPECT_NE(&source, copy) << "a copy of its own";
    EXPECT_STREQ("copied", copy->cells[0]);
    memset(&source, 0, sizeof(source));
    EXPECT_STREQ("row", copy->cells[1]) << "independent of the source";

    // Selection of a multiple-selection list.
    EXPECT_EQ(-1, GetListSelection(copying));
    SelectListRow(copying, 1, true, true);
    EXPECT_EQ(1, GetListSelection(copying));
    ASSERT_EQ(1u, g_listNotices.size());
    EXPECT_EQ(LIST_SELCHANGED, g_listNotices[0].code);
    EXPECT_EQ(0x400, g_listNotices[0].id);
    SelectListRow(copying, -1, true, false);
    EXPECT_EQ(2, (int)SendMessageA(copying->listBox, LB_GETSELCOUNT, 0, 0));
    EXPECT_EQ(1u, g_listNotices.size()) << "without notify";
    ClearListRows(copying);
    EXPECT_EQ(0, GetListRowCount(copying));
}

TEST_F(Lists, AppendedRowsStandInTheGivenOrderThoughTheListSorts)
{
    CList* list = MakeList(0, 0, 300, 150, {0.5, 0.5}, sizeof(ListRowText));
    ASSERT_NE(nullptr, list);
    SetListSortIndicator(list, 0, 1);
    ListRowText rows[3] = {MakeListRow({"b"}), MakeListRow({"c"}), MakeListRow({"a"})};
    const void* order[3] = {&rows[0], &rows[1], &rows[2]};
    EXPECT_EQ(0, AppendListRows(list, order, 0));
    EXPECT_EQ(0, AppendListRows(list, nullptr, 3));
    ASSERT_EQ(3, AppendListRows(list, order, 3));
    ASSERT_EQ(3, GetListRowCount(list));
    for (int i = 0; i < 3; i++) {
        const ListRowText* r = (const ListRowText*)GetListRowData(list, i);
        ASSERT_NE(nullptr, r);
        EXPECT_NE(order[i], r) << "a copy of its own";
        EXPECT_STREQ(rows[i].cells[0], r->cells[0]) << "row " << i << " as given, not as the sort puts it";
    }
    ClearListRows(list);
    EXPECT_EQ(0, GetListRowCount(list));
}

TEST_F(Lists, ColumnTitlesAreCopiedBounded)
{
    CList* list = MakeList(0, 0, 300, 150, {});
    ASSERT_NE(nullptr, list);
    std::string longTitle(1000, 't');
    ASSERT_EQ(0, AddListColumn(list, longTitle.c_str(), 0.5));
    EXPECT_EQ(std::string(MAX_PATH - 1, 't'), list->columns.data[0].title);
    char shown[1024] = {};
    HDITEMA item = {};
    item.mask = HDI_TEXT;
    item.pszText = shown;
    item.cchTextMax = sizeof(shown);
    SendMessageA(list->header, HDM_GETITEMA, 0, (LPARAM)&item);
    EXPECT_EQ(std::string(MAX_PATH - 1, 't'), shown);
    EXPECT_EQ(LIST_ERR_COLUMN, AddListColumn(list, nullptr, 0.5));
    EXPECT_EQ(1, list->columns.count);
}

// Rows painted into a bitmap: the theme's alternating colours, and each cell's
// text only between its column's edges less 3 pixels; columns outside the
// list draw nothing.
TEST_F(Lists, RowsAlternateAndCellsStayInTheirColumns)
{
    CList* list = MakeList(0, 0, 400, 120, {0.2, 0.3, 0.5});
    ASSERT_NE(nullptr, list);
    std::string wide(39, 'W');
    for (int i = 0; i < 3; i++) g_listRows.push_back(MakeListRow({wide.c_str(), wide.c_str(), wide.c_str()}));
    FillOwnedList();
    // Past the last column the storage holds a decoy across the whole row: a
    // call for column 3 that is not refused would ink every column's edges.
    ASSERT_GE(list->columns.capacity, 5);
    list->columns.data[3] = ListColumn{"decoy", 0, 1.0, 0};
    list->columns.data[4] = ListColumn{"decoy", 400, 1.0, 0};
    g_drawColumns = {-1, 0, 1, 2, 3};
    RECT box;
    GetClientRect(list->listBox, &box);
    PixelCanvas canvas(box.right, box.bottom);
    canvas.Clear(RGB(1, 2, 3));
    canvas.Print(list->listBox);

    const COLORREF odd = g_theme.colours[6], even = list->evenRowColour;
    ASSERT_NE(odd, even) << "the two row colours differ";
    const int xs[4] = {list->columns.data[0].x, list->columns.data[1].x, list->columns.data[2].x, list->totalWidth};
    ASSERT_EQ(80, xs[1]);
    for (int row = 0; row < 3; row++) {
        SCOPED_TRACE(testing::Message() << "row " << row);
        COLORREF back = row % 2 ? odd : even;
        int top = row * list->rowHeight, bottom = top + list->rowHeight;
        EXPECT_EQ(back, canvas.At(1, top + 1));
        int inked[3] = {};
        for (int y = top; y < bottom; y++)
            for (int x = 0; x < box.right; x++) {
                if (canvas.At(x, y) == back) continue;
                int column = x < xs[1] ? 0 : x < xs[2] ? 1 : 2;
                bool inside = x >= xs[column] + 3 && x < xs[column + 1] - 3;
                EXPECT_TRUE(inside) << "ink at (" << x << ", " << y << ")";
                if (!inside) return;
                inked[column]++;
            }
        for (int c = 0; c < 3; c++) EXPECT_GT(inked[c], 0) << "column " << c << " was drawn";
    }
}

// The driver's reader takes each row's own block out of the list's process
// memory, in display order and with its selection, as the end-to-end tests
// read the program's lists.
TEST_F(Lists, TheDriverReadsEachRowsOwnBlockAndSelection)
{
    CList* list = MakeList(0, 0, 300, 150, {0.5, 0.5}, sizeof(ListRowText));
    ASSERT_NE(nullptr, list);
    EXPECT_TRUE(ReadListRows(list->window, sizeof(ListRowText)).empty()) << "no rows";
    for (const char* name : {"alpha", "beta", "gamma"}) {
        ListRowText r = MakeListRow({name, "x"});
        ASSERT_GE(AddListRow(list, &r), 0);
    }
    SelectListRow(list, 1, true, false);
    std::vector<RemoteListRecord<ListRowText>> rows = ReadListRecords<ListRowText>(list->window);
    ASSERT_EQ(3u, rows.size());
    for (int i = 0; i < 3; i++) {
        SCOPED_TRACE(i);
        const ListRowText* own = (const ListRowText*)GetListRowData(list, i);
        EXPECT_EQ(0, memcmp(own, &rows[i].record, sizeof(ListRowText))) << "the list's copy, not a guess";
        EXPECT_EQ(i == 1, rows[i].selected);
    }
    EXPECT_EQ(0, ListTopRow(list->window));
    EXPECT_TRUE(ReadListRows(owner, sizeof(ListRowText)).empty()) << "a window without a list box";
}
