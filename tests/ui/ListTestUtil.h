// ListTestUtil.h - an owner for list controls under test: it draws each row's
// texts with DrawListCellText, orders rows by the list's sort column and
// direction, refills the list when the sort changes, and records the
// notices it gets.
#pragma once

#include "framework/ui/ListControl.h"
#include "tests/ui/ItemTestUtil.h"

#include <algorithm>
#include <string>
#include <vector>

struct ListRowText {
    char cells[5][40];
};

struct ListNotice {
    uint16_t code, id;
    LPARAM lParam;
};

inline CList* g_ownedList;
inline std::vector<ListNotice> g_listNotices;
inline std::vector<ListRowText> g_listRows;       // what the owner refills with
inline std::vector<int> g_drawColumns = {0, 1, 2, 3, 4};   // columns DrawListCellText is called for
inline std::vector<uint16_t> g_swallowKeys;      // keys the owner answers 1 for

inline void FillOwnedList()
{
    ClearListRows(g_ownedList);
    for (const ListRowText& r : g_listRows) AddListRow(g_ownedList, &r);
}

inline LRESULT CALLBACK ListOwnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case ZRPMSG_COMMAND: {
        ListNotice n = {(uint16_t)HIWORD(wParam), (uint16_t)LOWORD(wParam), lParam};
        g_listNotices.push_back(n);
        if (n.code == LIST_SORTCHANGED) FillOwnedList();
        if (n.code == LIST_KEYDOWN)
            return std::find(g_swallowKeys.begin(), g_swallowKeys.end(), (uint16_t)lParam) != g_swallowKeys.end();
        return 0;
    }
    case WM_COMPAREITEM: {
        const COMPAREITEMSTRUCT* c = (const COMPAREITEMSTRUCT*)lParam;
        int column = g_ownedList->sortColumn;
        int order = strcmp(((const ListRowText*)c->itemData1)->cells[column],
                           ((const ListRowText*)c->itemData2)->cells[column]);
        order = order < 0 ? -1 : order > 0 ? 1 : 0;
        return order * g_ownedList->sortDirection;
    }
    case WM_DRAWITEM: {
        const DRAWITEMSTRUCT* d = (const DRAWITEMSTRUCT*)lParam;
        const ListRowText* row = (const ListRowText*)d->itemData;
        // A column without a text of the row gets one wide enough to cross
        // every column edge, were it drawn.
        static const std::string wide(100, 'W');
        for (int column : g_drawColumns) {
            bool own = column >= 0 && column < 5 && row->cells[column][0];
            DrawListCellText(g_ownedList, column, own ? row->cells[column] : wide.c_str(), false);
        }
        return TRUE;
    }
    case ZRPMSG_PAINTBACKGROUND:
        return ItemHostProc(window, message, wParam, lParam);
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

inline ListRowText MakeListRow(std::initializer_list<const char*> cells)
{
    ListRowText r = {};
    int i = 0;
    for (const char* c : cells) CopyText(r.cells[i++], sizeof(r.cells[0]), c);
    return r;
}

// A list made on a visible owner window, kept in g_ownedList.
class ListTest : public ItemTest {
protected:
    void SetUp() override
    {
        ItemTest::SetUp();
        WNDCLASSA wc = {};
        wc.lpfnWndProc = ListOwnerProc;
        wc.hInstance = g_app.instance;
        wc.hCursor = LoadCursorA(nullptr, (LPCSTR)IDC_ARROW);
        wc.lpszClassName = "PSListOwner";
        RegisterClassA(&wc);
        owner = CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, "PSListOwner", "", WS_POPUP | WS_CLIPCHILDREN, 100,
                                100, 560, 300, nullptr, nullptr, g_app.instance, nullptr);
        ASSERT_NE(nullptr, owner);
        g_listNotices.clear();
        g_listRows.clear();
        g_drawColumns = {0, 1, 2, 3, 4};
        g_swallowKeys.clear();
        commands.Add(0x400, 6, CMD_ARROWPRESSED, {nullptr});   // a tab stop, no border
    }
    void TearDown() override
    {
        FreeUIItem(g_ownedList);
        g_ownedList = nullptr;
        if (owner) DestroyWindow(owner);
        ItemTest::TearDown();
    }
    // A list at (x, y) of the owner, w by h, with columns of these fractions.
    CList* MakeList(int x, int y, int w, int h, std::initializer_list<double> fractions, int rowDataSize = 0)
    {
        CList* list = (CList*)CreateUIItemByType(UIITEM_LIST, nullptr);
        EXPECT_NE(nullptr, list);
        if (!list) return nullptr;
        g_ownedList = list;
        list->rowDataSize = rowDataSize;
        EXPECT_EQ(0, list->Create(0x400, owner, owner, nullptr));
        SetWindowPos(list->window, nullptr, x, y, w, h, SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
        const char* titles[] = {"#", "Virtual Key", "Description", "Char", "Local", "Sixth", "Seventh"};
        int i = 0;
        for (double f : fractions) EXPECT_EQ(0, AddListColumn(list, titles[i++], f));
        return list;
    }
    std::vector<std::string> Column(int column)
    {
        std::vector<std::string> texts;
        for (int i = 0; i < GetListRowCount(g_ownedList); i++)
            texts.push_back(((const ListRowText*)GetListRowData(g_ownedList, i))->cells[column]);
        return texts;
    }
    int Count(uint16_t code)
    {
        int n = 0;
        for (const ListNotice& x : g_listNotices) n += x.code == code;
        return n;
    }
    HWND owner = nullptr;
};
