// ListControlProcs.cpp - the list's host window and its list box: header
// notices and sorting, width drags, row painting, clicks told apart, keys.
#include "framework/ui/ListControl.h"

#include "framework/core/AppObject.h"
#include "framework/core/AppWindow.h"
#include "framework/ui/Paint.h"
#include "framework/ui/Theme.h"
#include "framework/ui/UIItemClasses.h"

#include <stdlib.h>
#include <windowsx.h>

// Only one list is dragged or clicked at a time.
static bool g_widthDrag;
static struct {
    bool onSelectedRow;   // the press landed on the row that was selected before
    LPARAM position;
} g_clickNote;

static const UINT_PTR kSlowClickTimer = 0x1234;

static CList* ListOf(HWND window)
{
    return (CList*)(CUIItem*)GetWindowLongPtrA(window, GWLP_USERDATA);
}

// The owner may free the list while it handles a notice.
static bool ListAlive(HWND host, const CList* list)
{
    return host && IsWindow(host) && ListOf(host) == list;
}

static LRESULT Notify(CList* list, uint32_t code, LPARAM lParam)
{
    return SendMessageA(list->owner, ZRPMSG_COMMAND, (WPARAM)code << 16 | list->commandId, lParam);
}

//--- the header

static bool BarSizesLocked(CList* list)
{
    for (HWND w = GetParent(list->window); w; w = GetParent(w)) {
        AppWindow* r = FindAppWindowByHandle(&g_app, w);
        if (r) return (r->flags & APPWIN_LOCKBARSIZE) != 0;
    }
    return false;
}

static void TakeColumnWidth(CList* list, const NMHEADERA* h)
{
    if (!h->pitem || !(h->pitem->mask & HDI_WIDTH) || h->iItem < 0 || h->iItem >= list->columns.count ||
        list->width <= 0)
        return;
    list->columns.data[h->iItem].fraction = (double)h->pitem->cxy / list->width;
    UpdateListColumns(list);
}

static void OnHeaderClick(CList* list, int column)
{
    if (list->sortPaused || list->sortColumn < 0 || column < 0 || column >= list->columns.count) return;
    int direction;
    if (column != list->sortColumn)
        direction = list->sortDirection != 0 ? list->sortDirection : 1;
    else
        direction = list->sortDirection == 1 ? -1 : 1;
    SetListSortIndicator(list, column, direction);
    HWND host = list->window;
    Notify(list, LIST_SORTCHANGED, column);
    if (ListAlive(host, list)) InvalidateRect(list->listBox, nullptr, TRUE);
}

static LRESULT OnHeaderNotify(CList* list, const NMHDR* nm)
{
    if (nm->hwndFrom != list->header) return 0;
    const NMHEADERA* h = (const NMHEADERA*)nm;
    switch (nm->code) {
    case HDN_BEGINTRACKA:
    case HDN_BEGINTRACKW:
        if (list->fixedColumns || BarSizesLocked(list)) return TRUE;
        g_widthDrag = true;
        return FALSE;
    case HDN_ITEMCHANGINGA:
    case HDN_ITEMCHANGINGW:
    case HDN_ITEMCHANGEDA:
    case HDN_ITEMCHANGEDW:
        if (g_widthDrag) TakeColumnWidth(list, h);
        InvalidateRect(list->listBox, nullptr, TRUE);
        return FALSE;
    case HDN_ENDTRACKA:
    case HDN_ENDTRACKW:
        if (g_widthDrag) {
            g_widthDrag = false;
            TakeColumnWidth(list, h);
            HWND host = list->window;
            Notify(list, LIST_COLUMNSIZED, h->iItem);
            if (ListAlive(host, list)) InvalidateRect(list->listBox, nullptr, TRUE);
        }
        return 0;
    case HDN_ITEMCLICKA:
    case HDN_ITEMCLICKW:
        OnHeaderClick(list, h->iItem);
        return 0;
    case NM_RCLICK:
        if (list->sortColumn >= 0) {
            list->sortPaused ^= 1;
            SetListSortIndicator(list, list->sortColumn, list->sortDirection);
        }
        return 0;
    }
    return 0;
}

//--- painting

// The row's background in the theme's colours, then the owner's cells, all
// through a buffer the size of the row.
static void DrawListRow(CList* list, const DRAWITEMSTRUCT* dis)
{
    if (dis->itemID == (UINT)-1) return;
    if (!list->ownerDraw) {
        list->drawing = *dis;
        SendMessageA(list->owner, WM_DRAWITEM, dis->CtlID, (LPARAM)dis);
        return;
    }
    const COLORREF* c = g_theme.colours;
    COLORREF text, back;
    if (dis->itemState & ODS_SELECTED) {
        text = c[list->hasFocus ? 48 : 49];
        back = c[list->hasFocus ? 46 : 58];
    } else {
        text = c[49];
        back = (dis->itemID & 1) ? c[6] : list->evenRowColour;
    }
    DRAWITEMSTRUCT row = *dis;
    const RECT& r = dis->rcItem;
    int w = r.right - r.left, h = r.bottom - r.top;
    HDC memory = CreateCompatibleDC(dis->hDC);
    HBITMAP bitmap = memory && w > 0 && h > 0 ? CreateCompatibleBitmap(dis->hDC, w, h) : nullptr;
    HGDIOBJ oldBitmap = nullptr;
    if (bitmap) {
        oldBitmap = SelectObject(memory, bitmap);
        SetViewportOrgEx(memory, -r.left, -r.top, nullptr);
        row.hDC = memory;
    }
    FillRectWithColor(row.hDC, &r, back);
    HGDIOBJ oldFont = SelectObject(row.hDC, GetThemeFont(&g_theme, THEME_FONT_UI, list->dpi));
    SetTextColor(row.hDC, text);
    SetBkMode(row.hDC, TRANSPARENT);
    list->drawing = row;
    HWND host = list->window;
    SendMessageA(list->owner, WM_DRAWITEM, dis->CtlID, (LPARAM)&row);
    bool alive = ListAlive(host, list);
    if (alive) list->drawing = DRAWITEMSTRUCT{};
    SelectObject(row.hDC, oldFont);
    if (dis->itemState & ODS_FOCUS) DrawFocusRect(row.hDC, &r);
    if (bitmap) {
        BitBlt(dis->hDC, r.left, r.top, w, h, memory, r.left, r.top, SRCCOPY);
        SelectObject(memory, oldBitmap);
        DeleteObject(bitmap);
    }
    if (memory) DeleteDC(memory);
}

static void PaintListFrame(CList* list)
{
    const CommandEntry* row = FindItemCommand(list);
    if (!row || !(row->flags & CMD_SPLITARROW)) return;
    HDC dc = GetWindowDC(list->window);
    if (!dc) return;
    RECT r;
    GetWindowRect(list->window, &r);
    OffsetRect(&r, -r.left, -r.top);
    bool focused = list->hasFocus && IsWindowEnabled(list->window);
    FrameRectWithColor(dc, &r, g_theme.colours[focused ? 46 : 50]);
    ReleaseDC(list->window, dc);
}

//--- the host

LRESULT CALLBACK ListHostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    // The header asks while it is being made: ANSI notices.
    if (message == WM_NOTIFYFORMAT) return NFR_ANSI;
    CList* list = ListOf(window);
    if (!list) return DefWindowProcA(window, message, wParam, lParam);
    switch (message) {
    case WM_NOTIFY:
        return OnHeaderNotify(list, (const NMHDR*)lParam);
    case WM_SIZE:
        if (g_widthDrag) return 0;
        list->width = LOWORD(lParam);
        list->height = HIWORD(lParam);
        for (int i = 0; i < list->columns.count; i++) {
            HDITEMA item = {};
            item.mask = HDI_WIDTH;
            item.cxy = (int)(list->width * list->columns.data[i].fraction);
            SendMessageA(list->header, HDM_SETITEMA, (WPARAM)i, (LPARAM)&item);
        }
        UpdateListColumns(list);
        return 0;
    case WM_HSCROLL:
        ScrollListHorizontally(list, LOWORD(wParam));
        return 0;
    case WM_SETFOCUS:
        if (list->listBox) SetFocus(list->listBox);
        return 0;
    case WM_ENABLE:
        EnableWindow(list->header, (BOOL)wParam);
        EnableWindow(list->listBox, (BOOL)wParam);
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN);
        return 0;
    case WM_COMMAND:
        if ((HWND)lParam == list->listBox && HIWORD(wParam) == LBN_SELCHANGE) Notify(list, LIST_SELCHANGED, 0);
        return 0;
    case WM_COMPAREITEM:
        return list->sortColumn < 0 ? -1 : SendMessageA(list->owner, WM_COMPAREITEM, wParam, lParam);
    case WM_MEASUREITEM:
        ((MEASUREITEMSTRUCT*)lParam)->itemHeight = (UINT)list->rowHeight;
        return TRUE;
    case WM_DRAWITEM:
        DrawListRow(list, (const DRAWITEMSTRUCT*)lParam);
        return TRUE;
    case WM_DELETEITEM:
        // Each row goes through here: when the list box clears, and when it is destroyed.
        if (list->rowDataSize > 0) free((void*)((const DELETEITEMSTRUCT*)lParam)->itemData);
        return TRUE;
    case WM_NCPAINT:
        DefWindowProcA(window, message, wParam, lParam);
        PaintListFrame(list);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_NCDESTROY:
        // The children went first; nothing may point at them now.
        list->header = nullptr;
        list->listBox = nullptr;
        DetachItemWindow(list);
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

//--- the list box

static LRESULT PassOn(CList* list, HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return CallWindowProcA(list->previousListProc, window, message, wParam, lParam);
}

static bool PressOnSelectedRow(HWND box, LPARAM lParam)
{
    LRESULT current = SendMessageA(box, LB_GETCARETINDEX, 0, 0);
    if (current == LB_ERR || SendMessageA(box, LB_GETSEL, (WPARAM)current, 0) <= 0) return false;
    RECT r;
    if (SendMessageA(box, LB_GETITEMRECT, (WPARAM)current, (LPARAM)&r) == LB_ERR) return false;
    POINT p = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    return PtInRect(&r, p) != 0;
}

static void OnRightButtonDown(CList* list, HWND box, LPARAM lParam)
{
    LRESULT hit = SendMessageA(box, LB_ITEMFROMPOINT, 0, lParam);
    int row = LOWORD(hit);
    if (hit != LB_ERR && HIWORD(hit) == 0 && row < GetListRowCount(list))
        SelectListRow(list, row, true, true);
    else
        SelectListRow(list, -1, false, true);
}

static void EraseListBox(HWND box, HDC dc)
{
    RECT r;
    GetClientRect(box, &r);
    HWND host = GetParent(box);
    HWND outer = host ? GetParent(host) : nullptr;
    FillRect(dc, &r, GetSysColorBrush(outer && !IsWindowEnabled(outer) ? COLOR_BTNFACE : COLOR_WINDOW));
}

// 0 when the key was handled here, else -1 for the list box's own handling.
static int OnListKey(CList* list, HWND box, WPARAM key)
{
    HWND host = list->window;
    if (Notify(list, LIST_KEYDOWN, (LPARAM)key) == 1 || !ListAlive(host, list)) return 0;
    if (key == 'A' && (GetKeyState(VK_CONTROL) & 0x8000) && list->multipleSelection) {
        SelectListRow(list, -1, true, true);
        return 0;
    }
    if ((key == VK_LEFT || key == VK_RIGHT) && (GetWindowLongA(box, GWL_STYLE) & WS_HSCROLL)) {
        ScrollListHorizontally(list, key == VK_LEFT ? SB_LINELEFT : SB_LINERIGHT);
        return 0;
    }
    return -1;
}

LRESULT CALLBACK ListBoxSubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    CList* list = ListOf(window);
    if (!list || !list->previousListProc) return DefWindowProcA(window, message, wParam, lParam);
    HWND host = list->window;
    switch (message) {
    case WM_LBUTTONDOWN: {
        g_clickNote.onSelectedRow = PressOnSelectedRow(window, lParam);
        g_clickNote.position = lParam;
        LRESULT r = PassOn(list, window, message, wParam, lParam);
        if (ListAlive(host, list)) Notify(list, LIST_LEFTDOWN, lParam);
        return r;
    }
    case WM_LBUTTONUP: {
        LRESULT r = PassOn(list, window, message, wParam, lParam);
        if (g_clickNote.onSelectedRow) SetTimer(window, kSlowClickTimer, GetDoubleClickTime(), nullptr);
        return r;
    }
    case WM_TIMER:
        if (wParam != kSlowClickTimer) break;
        KillTimer(window, kSlowClickTimer);
        if (g_clickNote.onSelectedRow) {
            g_clickNote.onSelectedRow = false;
            Notify(list, LIST_SLOWCLICK, g_clickNote.position);
        }
        return 0;
    case WM_LBUTTONDBLCLK: {
        g_clickNote.onSelectedRow = false;
        LRESULT r = PassOn(list, window, message, wParam, lParam);
        if (ListAlive(host, list)) Notify(list, LIST_DOUBLECLICK, lParam);
        return r;
    }
    case WM_RBUTTONDOWN:
        OnRightButtonDown(list, window, lParam);
        if (ListAlive(host, list)) SetFocus(window);
        return 0;
    case WM_RBUTTONUP: {
        LRESULT r = PassOn(list, window, message, wParam, lParam);
        if (ListAlive(host, list)) Notify(list, LIST_RIGHTUP, lParam);
        return r;
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS: {
        list->hasFocus = message == WM_SETFOCUS;
        LRESULT r = PassOn(list, window, message, wParam, lParam);
        RedrawWindow(host, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
        InvalidateRect(window, nullptr, FALSE);
        return r;
    }
    case WM_PAINT:
        if (list->ownerDraw && GetListRowCount(list) == 0) {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(window, &ps);
            if (dc && ps.fErase) EraseListBox(window, dc);
            EndPaint(window, &ps);
            return 0;
        }
        break;
    case WM_ERASEBKGND:
        EraseListBox(window, (HDC)wParam);
        return 1;
    case WM_KEYDOWN:
        if (OnListKey(list, window, wParam) == 0) return 0;
        if (!ListAlive(host, list)) return 0;
        break;
    case WM_NCDESTROY: {
        WNDPROC previous = list->previousListProc;
        SetWindowLongPtrA(window, GWLP_WNDPROC, (LONG_PTR)previous);
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        if (list->listBox == window) list->listBox = nullptr;
        return CallWindowProcA(previous, window, message, wParam, lParam);
    }
    }
    return PassOn(list, window, message, wParam, lParam);
}
