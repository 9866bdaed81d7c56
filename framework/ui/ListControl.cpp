// ListControl.cpp - the list's windows, columns, rows, sort arrows, scrolling
// and the cells its owner draws.
#include "framework/ui/ListControl.h"

#include "framework/core/AppObject.h"
#include "framework/core/MonitorTable.h"
#include "framework/core/StringTable.h"
#include "framework/core/TextUtil.h"
#include "framework/ui/Paint.h"
#include "framework/ui/Theme.h"

#include <stdlib.h>
#include <string.h>

// Pixels between a cell's text and its column's edges.
static const int kCellInset = 3;

CList::CList()
{
    type = UIITEM_LIST;
}

CList::~CList()
{
    OnDestroy();   // nothing left when FreeUIItem ran it already
}

void CList::Paint(HDC, const RECT*)
{
    // The header and the list box cover the host.
}

static void DestroyOwnWindow(HWND* window)
{
    if (*window && IsWindow(*window)) DestroyWindow(*window);
    *window = nullptr;
}

void CList::OnDestroy()
{
    // The list box hands every row to the host as it goes (WM_DELETEITEM),
    // which frees the rows the list owns.
    DestroyOwnWindow(&listBox);
    DestroyOwnWindow(&header);
    if (sortImages) ImageList_Destroy(sortImages);
    sortImages = nullptr;
    FreeGrowArray(&columns);
    sortColumn = -1;
    sortDirection = 0;
    sortPaused = 0;
}

//--- sizes and images

static int MeasureRowHeight(UINT dpi)
{
    // The framework's "Ag"; a table without it still gets rows of a sane height.
    const char* sample = GetAppString(&g_app.strings, 0xF003, 1);
    int w = 0, h = 0;
    if (MeasureTextWithFont(&g_theme, sample ? sample : "Ag", &w, &h, GetThemeFont(&g_theme, THEME_FONT_UI, dpi)) != 0)
        h = 12;
    return h + 4;
}

// Up and down triangles in the dark shadow colour, then in the grey one for
// a paused sort.
static HIMAGELIST BuildSortImages(int rowHeight)
{
    int side = rowHeight / 2 + 1;
    if (side < 7) side = 7;
    HIMAGELIST images = ImageList_Create(side, side, ILC_COLOR32 | ILC_MASK, 4, 0);
    if (!images) return nullptr;
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, side, side);
    ReleaseDC(nullptr, screen);
    if (!dc || !bitmap) {
        if (bitmap) DeleteObject(bitmap);
        if (dc) DeleteDC(dc);
        ImageList_Destroy(images);
        return nullptr;
    }
    const COLORREF mask = RGB(255, 0, 255);
    const int colours[2] = {COLOR_3DDKSHADOW, COLOR_BTNSHADOW};
    int half = side / 2, top = side / 4, bottom = side - side / 4 - 1;
    for (int shade = 0; shade < 2; shade++)
        for (int down = 0; down < 2; down++) {
            HGDIOBJ old = SelectObject(dc, bitmap);
            RECT all = {0, 0, side, side};
            FillRectWithColor(dc, &all, mask);
            POINT up[3] = {{half, top}, {side - 2, bottom}, {1, bottom}};
            POINT dn[3] = {{1, top}, {side - 2, top}, {half, bottom}};
            HBRUSH brush = CreateSolidBrush(GetSysColor(colours[shade]));
            HPEN pen = CreatePen(PS_SOLID, 1, GetSysColor(colours[shade]));
            HGDIOBJ oldBrush = SelectObject(dc, brush), oldPen = SelectObject(dc, pen);
            Polygon(dc, down ? dn : up, 3);
            SelectObject(dc, oldBrush);
            SelectObject(dc, oldPen);
            DeleteObject(brush);
            DeleteObject(pen);
            SelectObject(dc, old);
            ImageList_AddMasked(images, bitmap, mask);
        }
    DeleteObject(bitmap);
    DeleteDC(dc);
    return images;
}

//--- creation

static HWND CreateListBox(CList* list, uint16_t id, const CommandEntry* row)
{
    DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_VSCROLL | LBS_NOTIFY | LBS_SORT | LBS_OWNERDRAWFIXED |
                  LBS_NOINTEGRALHEIGHT;
    if (list->multipleSelection) style |= LBS_EXTENDEDSEL;
    if (row && (row->flags & CMD_ARROWPRESSED)) style |= WS_TABSTOP;
    HWND box = CreateWindowExA(0, "LISTBOX", "", style, 0, 0, 0, 0, list->window, (HMENU)(UINT_PTR)id, g_app.instance,
                               nullptr);
    if (!box) return nullptr;
    SendMessageA(box, WM_SETFONT, (WPARAM)GetThemeFont(&g_theme, THEME_FONT_UI, list->dpi), FALSE);
    SetWindowLongPtrA(box, GWLP_USERDATA, (LONG_PTR)static_cast<CUIItem*>(list));
    list->previousListProc = (WNDPROC)SetWindowLongPtrA(box, GWLP_WNDPROC, (LONG_PTR)ListBoxSubclassProc);
    return box;
}

int CList::Create(uint16_t id, HWND parent, HWND ownerWindow, CMenu* menu)
{
    Destroy();
    CommandEntry* row = nullptr;
    int at = FindCommandIndex(&g_app, id);
    if (at >= 0) {
        row = &g_app.commands.data[at];
        row->flags &= ~CMD_ADDED;
    }
    owner = ownerWindow;
    commandId = id;
    parentMenu = menu;
    DWORD style = WS_CHILD | WS_CLIPCHILDREN | WS_HSCROLL;
    if (row && (row->flags & CMD_SPLITARROW)) style |= WS_BORDER;
    HWND host = CreateWindowExA(WS_EX_CONTROLPARENT, "ZRPAppUIItem", "", style, 0, 0, 0, 0, parent,
                                (HMENU)(UINT_PTR)id, g_app.instance, nullptr);
    if (!host) return ZRP_ERR_WINDOW;
    window = host;
    SetWindowLongPtrA(host, GWLP_USERDATA, (LONG_PTR)static_cast<CUIItem*>(this));
    SetWindowLongPtrA(host, GWLP_WNDPROC, (LONG_PTR)ListHostProc);

    evenRowColour = BlendColours(g_theme.colours[6], g_theme.colours[2], 50);
    dpi = GetWindowDpi(parent);
    rowHeight = MeasureRowHeight(dpi);
    header = CreateWindowExA(0, WC_HEADERA, "", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | HDS_BUTTONS | HDS_FULLDRAG,
                             0, 0, 0, 0, host, nullptr, g_app.instance, nullptr);
    if (!header) return ZRP_ERR_WINDOW;
    SendMessageA(header, WM_SETFONT, (WPARAM)GetThemeFont(&g_theme, THEME_FONT_UI, dpi), FALSE);
    sortImages = BuildSortImages(rowHeight);
    SendMessageA(header, HDM_SETIMAGELIST, 0, (LPARAM)sortImages);
    listBox = CreateListBox(this, id, row);
    if (!listBox) return ZRP_ERR_WINDOW;
    width = height = 64;
    SetWindowPos(host, nullptr, 0, 0, 64, 64, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    UpdateListColumns(this);
    return 0;
}

int CreateListInPlaceOf(CList* list, uint16_t id, HWND parent, HWND owner, HWND placeholder, RECT* rect,
                        bool multipleSelection)
{
    RECT r = {};
    if (placeholder) {
        GetWindowRect(placeholder, &r);
        MapWindowPoints(nullptr, parent, (POINT*)&r, 2);
    }
    if (rect) *rect = r;
    list->multipleSelection = multipleSelection ? 1 : 0;
    int rc = list->Create(id, parent, owner, nullptr);
    if (rc != 0) return rc;
    SetWindowPos(list->window, placeholder ? placeholder : HWND_TOP, r.left, r.top, r.right - r.left,
                 r.bottom - r.top, SWP_NOACTIVATE | SWP_SHOWWINDOW);
    if (placeholder) DestroyWindow(placeholder);
    return 0;
}

//--- columns

int AddListColumn(CList* list, const char* title, double fraction)
{
    if (!list || !title || !list->header) return LIST_ERR_COLUMN;
    ListColumn column = {};
    CopyText(column.title, sizeof(column.title), title);
    column.fraction = fraction;
    HDITEMA item = {};
    item.mask = HDI_TEXT | HDI_WIDTH | HDI_FORMAT;
    item.fmt = HDF_LEFT | HDF_STRING;
    item.cxy = (int)(list->width * fraction);
    item.pszText = column.title;
    if (SendMessageA(list->header, HDM_INSERTITEMA, (WPARAM)list->columns.count, (LPARAM)&item) < 0)
        return LIST_ERR_COLUMN;
    if (ArrayAppend(&list->columns, &column) < 0) {
        SendMessageA(list->header, HDM_DELETEITEM, (WPARAM)list->columns.count, 0);
        return LIST_ERR_COLUMN;
    }
    SendMessageA(list->window, WM_SIZE, 0, MAKELPARAM(list->width, list->height));
    return 0;
}

void UpdateListColumns(CList* list)
{
    if (!list || !list->window) return;
    int x = 0;
    for (int i = 0; i < list->columns.count; i++) {
        list->columns.data[i].x = x;
        x += (int)(list->width * list->columns.data[i].fraction);
    }
    list->totalWidth = x > 0 ? x : list->width;
    RECT client;
    GetClientRect(list->window, &client);
    SCROLLINFO si = {};
    si.cbSize = sizeof(si);
    si.fMask = SIF_RANGE | SIF_PAGE;
    si.nMin = 0;
    si.nMax = list->totalWidth - 1;
    si.nPage = (UINT)client.right;
    SetScrollInfo(list->window, SB_HORZ, &si, TRUE);
    ScrollListHorizontally(list, -1);
}

// Header and list box moved left by the scroll position and widened by it,
// so the columns beyond the right edge come into view.
static void PlaceListParts(CList* list)
{
    RECT client;
    GetClientRect(list->window, &client);
    int most = list->totalWidth - client.right;
    if (most < 0) most = 0;
    if (list->scrollPosition > most) list->scrollPosition = most;
    if (list->scrollPosition < 0) list->scrollPosition = 0;
    int pos = list->scrollPosition, w = client.right + pos;
    RECT area = {0, 0, w, client.bottom};
    WINDOWPOS wp = {};
    HDLAYOUT layout = {&area, &wp};
    list->headerHeight = SendMessageA(list->header, HDM_LAYOUT, 0, (LPARAM)&layout) ? wp.cy : list->rowHeight + 4;
    SetWindowPos(list->header, nullptr, -pos, 0, w, list->headerHeight, SWP_NOZORDER | SWP_NOACTIVATE);
    int boxHeight = client.bottom - list->headerHeight;
    SetWindowPos(list->listBox, nullptr, -pos, list->headerHeight, w, boxHeight > 0 ? boxHeight : 0,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    SetScrollPos(list->window, SB_HORZ, pos, TRUE);
    InvalidateRect(list->header, nullptr, TRUE);
}

void ScrollListHorizontally(CList* list, int code)
{
    if (!list || !list->window || !list->header || !list->listBox) return;
    RECT client;
    GetClientRect(list->window, &client);
    int step = list->rowHeight > 0 ? list->rowHeight : 16;
    SCROLLINFO si = {};
    si.cbSize = sizeof(si);
    si.fMask = SIF_TRACKPOS | SIF_POS;
    switch (code) {
    case SB_LINELEFT: list->scrollPosition -= step; break;
    case SB_LINERIGHT: list->scrollPosition += step; break;
    case SB_PAGELEFT: list->scrollPosition -= client.right; break;
    case SB_PAGERIGHT: list->scrollPosition += client.right; break;
    case SB_LEFT: list->scrollPosition = 0; break;
    case SB_RIGHT: list->scrollPosition = list->totalWidth; break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION:
        if (GetScrollInfo(list->window, SB_HORZ, &si)) list->scrollPosition = si.nTrackPos;
        break;
    default: break;
    }
    PlaceListParts(list);
}

void SetListSortIndicator(CList* list, int column, int direction)
{
    if (!list || !list->header) return;
    HDITEMA item = {};
    if (list->sortColumn >= 0 && list->sortColumn < list->columns.count) {
        item.mask = HDI_FORMAT;
        SendMessageA(list->header, HDM_GETITEMA, (WPARAM)list->sortColumn, (LPARAM)&item);
        item.fmt &= ~(HDF_IMAGE | HDF_BITMAP_ON_RIGHT);
        SendMessageA(list->header, HDM_SETITEMA, (WPARAM)list->sortColumn, (LPARAM)&item);
    }
    list->sortColumn = column;
    list->sortDirection = direction;
    if (column < 0 || column >= list->columns.count || direction == 0) return;
    item = HDITEMA{};
    item.mask = HDI_FORMAT;
    SendMessageA(list->header, HDM_GETITEMA, (WPARAM)column, (LPARAM)&item);
    item.mask = HDI_FORMAT | HDI_IMAGE;
    item.fmt |= HDF_IMAGE | HDF_BITMAP_ON_RIGHT;
    item.iImage = (direction > 0 ? 0 : 1) + (list->sortPaused ? 2 : 0);
    SendMessageA(list->header, HDM_SETITEMA, (WPARAM)column, (LPARAM)&item);
}

void SetListDpi(CList* list, UINT dpi)
{
    if (!list || !list->window) return;
    list->dpi = dpi;
    HFONT font = GetThemeFont(&g_theme, THEME_FONT_UI, dpi);
    SendMessageA(list->header, WM_SETFONT, (WPARAM)font, TRUE);
    SendMessageA(list->listBox, WM_SETFONT, (WPARAM)font, TRUE);
    list->rowHeight = MeasureRowHeight(dpi);
    HIMAGELIST images = BuildSortImages(list->rowHeight);
    SendMessageA(list->header, HDM_SETIMAGELIST, 0, (LPARAM)images);
    if (list->sortImages) ImageList_Destroy(list->sortImages);
    list->sortImages = images;
    SendMessageA(list->listBox, LB_SETITEMHEIGHT, 0, list->rowHeight);
    SetListSortIndicator(list, list->sortColumn, list->sortDirection);
    UpdateListColumns(list);
}

//--- rows

// LB_ADDSTRING places the row by the sort; LB_INSERTSTRING at -1 appends it.
static int PutListRow(CList* list, const void* data, UINT message)
{
    void* row = (void*)data;
    if (list->rowDataSize > 0) {
        row = calloc(1, (size_t)list->rowDataSize);
        if (!row) return -1;
        if (data) memcpy(row, data, (size_t)list->rowDataSize);
    }
    LRESULT at = SendMessageA(list->listBox, message, message == LB_INSERTSTRING ? (WPARAM)-1 : 0, (LPARAM)row);
    if (at == LB_ERR || at == LB_ERRSPACE) {
        if (list->rowDataSize > 0) free(row);
        return -1;
    }
    return (int)at;
}

int AddListRow(CList* list, const void* data)
{
    if (!list || !list->listBox) return -1;
    return PutListRow(list, data, LB_ADDSTRING);
}

int AppendListRows(CList* list, const void* const* rows, int count)
{
    if (!list || !list->listBox || !rows || count <= 0) return 0;
    // Room for all at once: the box would otherwise grow a little per row.
    SendMessageA(list->listBox, LB_INITSTORAGE, (WPARAM)count, 0);
    int added = 0;
    while (added < count && PutListRow(list, rows[added], LB_INSERTSTRING) >= 0) added++;
    return added;
}

void ClearListRows(CList* list)
{
    if (list && list->listBox) SendMessageA(list->listBox, LB_RESETCONTENT, 0, 0);
}

int GetListRowCount(CList* list)
{
    if (!list || !list->listBox) return 0;
    LRESULT n = SendMessageA(list->listBox, LB_GETCOUNT, 0, 0);
    return n == LB_ERR ? 0 : (int)n;
}

void* GetListRowData(CList* list, int row)
{
    if (!list || !list->listBox || row < 0 || row >= GetListRowCount(list)) return nullptr;
    LRESULT data = SendMessageA(list->listBox, LB_GETITEMDATA, (WPARAM)row, 0);
    return data == LB_ERR ? nullptr : (void*)data;
}

int GetListSelection(CList* list)
{
    if (!list || !list->listBox) return -1;
    if (!list->multipleSelection) {
        LRESULT at = SendMessageA(list->listBox, LB_GETCURSEL, 0, 0);
        return at == LB_ERR ? -1 : (int)at;
    }
    int first = -1;
    return SendMessageA(list->listBox, LB_GETSELITEMS, 1, (LPARAM)&first) == 1 ? first : -1;
}

void SelectListRow(CList* list, int row, bool select, bool notify)
{
    if (!list || !list->listBox) return;
    if (list->multipleSelection)
        SendMessageA(list->listBox, LB_SETSEL, select ? TRUE : FALSE, (LPARAM)row);
    else
        SendMessageA(list->listBox, LB_SETCURSEL, select ? (WPARAM)row : (WPARAM)-1, 0);
    if (notify)
        SendMessageA(list->owner, ZRPMSG_COMMAND, (WPARAM)LIST_SELCHANGED << 16 | list->commandId, 0);
}

void RedrawListRow(CList* list, int row)
{
    if (!list || !list->listBox) return;
    RECT r;
    if (row < 0)
        InvalidateRect(list->listBox, nullptr, TRUE);
    else if (SendMessageA(list->listBox, LB_GETITEMRECT, (WPARAM)row, (LPARAM)&r) != LB_ERR)
        InvalidateRect(list->listBox, &r, TRUE);
}

int GetVisibleRowCount(CList* list)
{
    if (!list || !list->listBox || list->rowHeight <= 0) return 0;
    RECT client;
    GetClientRect(list->listBox, &client);
    return client.bottom / list->rowHeight + 1;
}

//--- cells

void DrawListCellText(CList* list, int column, const char* text, bool pathEllipsis)
{
    if (!list || !text || column < 0 || column >= list->columns.count || !list->drawing.hDC) return;
    const RECT& row = list->drawing.rcItem;
    RECT cell = row;
    cell.left = row.left + list->columns.data[column].x + kCellInset;
    cell.right = row.left +
                 (column + 1 < list->columns.count ? list->columns.data[column + 1].x : list->totalWidth) - kCellInset;
    if (cell.right <= cell.left) return;
    UINT format = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | (pathEllipsis ? DT_PATH_ELLIPSIS : DT_END_ELLIPSIS);
    DrawTextA(list->drawing.hDC, text, -1, &cell, format);
}
