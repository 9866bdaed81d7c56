// ListControl.h - the program's multi-column list (UI item type 6): a header
// and an owner-drawn list box in a host window, columns as fractions of the
// list's width, sort arrows, alternating rows, horizontal scrolling and the
// notices its owner gets. The owner draws the cells and orders the rows.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "framework/core/GrowArray.h"
#include "framework/ui/UIItem.h"

// Notice codes: the high word of ZRPMSG_COMMAND's wParam, the list's command
// id in the low word.
#define LIST_SORTCHANGED 0x83F2   // a header click changed the sort; lParam the column
#define LIST_COLUMNSIZED 0x83F3   // a column's width was dragged; lParam the column
#define LIST_SELCHANGED  0x83F4
#define LIST_DOUBLECLICK 0x83F5   // lParam the mouse position
#define LIST_SLOWCLICK   0x83F6   // a second, slow click on the selected row; lParam the mouse position
#define LIST_RIGHTUP     0x83FD   // lParam the mouse position
#define LIST_LEFTDOWN    0x8409   // lParam the mouse position
#define LIST_KEYDOWN     0x840B   // lParam the key; the owner answers 1 to swallow it

#define LIST_ERR_COLUMN 0xF011

struct ListColumn {
    char    title[MAX_PATH];
    int32_t x;               // pixels from the row's left
    double  fraction;        // of the list's width
    LPARAM  headerData;
};

class CList : public CUIItem {
public:
    CList();
    // 0, or ZRP_ERR_WINDOW. The item window is the host.
    int Create(uint16_t id, HWND parent, HWND owner, CMenu* parentMenu) override;
    void OnDestroy() override;
    void Paint(HDC dc, const RECT* client) override;
    ~CList() override;

    HWND       header = nullptr;
    HWND       listBox = nullptr;
    GrowArray<ListColumn> columns = {0, nullptr, -1, 0, 0};
    int32_t    sortColumn = -1;
    int32_t    sortDirection = 0;    // 1 ascending, -1 descending, 0 none
    WNDPROC    previousListProc = nullptr;
    int32_t    rowHeight = 0;        // "Ag" of the UI font plus 4
    int32_t    totalWidth = 0;
    uint8_t    fixedColumns = 0;     // the user may not drag widths
    uint8_t    sortPaused = 0;       // a right click on the header toggles it
    int32_t    rowDataSize = 0;      // above 0: each row owns a copy of that many bytes
    DRAWITEMSTRUCT drawing = {};     // the row being drawn, for DrawListCellText
    uint8_t    ownerDraw = 1;        // paint row backgrounds before the owner draws
    int32_t    scrollPosition = 0;
    HIMAGELIST sortImages = nullptr; // owned
    uint8_t    multipleSelection = 1;
    uint8_t    hasFocus = 0;
    COLORREF   evenRowColour = 0;
    int32_t    headerHeight = 0;
    UINT       dpi = 96;
};

// Creates the list over a placeholder control of the parent (destroyed once
// the list stands in its place); rect receives the place when not null.
int CreateListInPlaceOf(CList* list, uint16_t id, HWND parent, HWND owner, HWND placeholder, RECT* rect,
                        bool multipleSelection);
// 0, or LIST_ERR_COLUMN (no title, or the header refuses).
int AddListColumn(CList* list, const char* title, double fraction);
// The row's index, or -1 (nothing is kept).
int AddListRow(CList* list, const void* data);
// Rows the owner has already put in its order, appended as given without the
// list box comparing them (a bulk fill costs no comparisons). The number
// added; the first row that fails stops it.
int AppendListRows(CList* list, const void* const* rows, int count);
void ClearListRows(CList* list);
int GetListRowCount(CList* list);
// Borrowed: the caller's pointer, or the list's own copy. Null for no row.
void* GetListRowData(CList* list, int row);
// The current row (the first selected one with multiple selection); -1 none.
int GetListSelection(CList* list);
// Row -1 is every row (multiple selection); notify tells the owner.
void SelectListRow(CList* list, int row, bool select, bool notify);
void RedrawListRow(CList* list, int row);
int GetVisibleRowCount(CList* list);
// Direction 0 shows no arrow.
void SetListSortIndicator(CList* list, int column, int direction);
// A WM_HSCROLL code (SB_LINELEFT ... SB_THUMBTRACK); -1 only re-applies the
// position.
void ScrollListHorizontally(CList* list, int code);
void UpdateListColumns(CList* list);
void SetListDpi(CList* list, UINT dpi);
// One cell of the row being drawn (only while the owner handles WM_DRAWITEM).
void DrawListCellText(CList* list, int column, const char* text, bool pathEllipsis);

LRESULT CALLBACK ListHostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK ListBoxSubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
