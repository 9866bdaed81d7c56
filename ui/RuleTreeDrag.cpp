// RuleTreeDrag.cpp - reordering and nesting rules by dragging them in the
// tree: the drag image, the drop indicator line, auto-scroll, hover expand
// and the drop.
#include "ui/RuleTree.h"

#include "engine/Engine.h"
#include "engine/ProfileStore.h"
#include "framework/core/AppObject.h"
#include "framework/core/MonitorTable.h"
#include "framework/core/TextUtil.h"
#include "framework/ui/Theme.h"
#include "ui/MainDialog.h"
#include "ui/MainDialogInternal.h"

#include <stdlib.h>

namespace {

// The theme colour behind the drag image and the indicator line.
const int kDragColour = 46;
const UINT_PTR kHoverExpandTimer = 0x5432;
const char kIndicatorClass[] = "ZRPProfileTreeIndicatorClass";
const char kDragImageClass[] = "ZRPDragImageClass";

// What a drag shows: the item's image and text in a bar under the cursor and
// a line where it would land. One while a drag runs.
struct TreeDragImage {
    int32_t width;
    int32_t itemHeight;
    HWND    dragWindow;
    HWND    indicator;
    int32_t image;
    char    text[260];
    HFONT   font;
};

enum DropPosition { DROP_BEFORE = -1, DROP_INTO = 0, DROP_AFTER = 1 };

HTREEITEM g_dragItem;
HTREEITEM g_dropTarget;
int g_dropPosition;
HTREEITEM g_hoverItem;
HTREEITEM g_expandWaiting;
RECT g_dragTreeRect;
TreeDragImage* g_drag;
bool g_dragShown[2];
bool g_dragCancelled;   // no target any more until the button-up ends the drag

void PaintDragImage(HWND window, HDC dc)
{
    RECT client;
    GetClientRect(window, &client);
    HBRUSH fill = CreateSolidBrush(g_theme.colours[kDragColour]);
    FillRect(dc, &client, fill);
    DeleteObject(fill);
    const TreeDragImage* d = (const TreeDragImage*)GetWindowLongPtrA(window, GWLP_USERDATA);
    if (!d) return;
    UINT dpi = GetWindowDpi(window);
    int margin = GetSpaceWidthForDpi(&g_theme, dpi);
    HIMAGELIST images = g_ruleTree ? TreeView_GetImageList(g_ruleTree, TVSIL_NORMAL) : nullptr;
    int iconW = 0, iconH = 0;
    if (images && ImageList_GetIconSize(images, &iconW, &iconH))
        ImageList_Draw(images, d->image, dc, margin, (client.bottom - iconH) / 2, ILD_TRANSPARENT);
    RECT text = client;
    text.left = margin + iconW + margin / 2;
    HGDIOBJ oldFont = SelectObject(dc, d->font);
    SetTextColor(dc, RGB(255, 255, 255));
    SetBkMode(dc, TRANSPARENT);
    DrawTextA(dc, d->text, -1, &text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    SelectObject(dc, oldFont);
}

LRESULT CALLBACK DragImageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        PaintDragImage(window, dc);
        EndPaint(window, &ps);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK TreeIndicatorProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        RECT client;
        GetClientRect(window, &client);
        HBRUSH fill = CreateSolidBrush(g_theme.colours[kDragColour]);
        FillRect(dc, &client, fill);
        DeleteObject(fill);
        EndPaint(window, &ps);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void RegisterDragClasses()
{
    WNDCLASSA wc = {};
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpfnWndProc = TreeIndicatorProc;
    wc.lpszClassName = kIndicatorClass;
    RegisterClassA(&wc);
    wc.lpfnWndProc = DragImageProc;
    wc.lpszClassName = kDragImageClass;
    RegisterClassA(&wc);
}

TreeDragImage* CreateTreeDragIndicator(HTREEITEM item)
{
    TreeDragImage* d = (TreeDragImage*)calloc(1, sizeof(TreeDragImage));
    if (!d) return nullptr;
    TVITEMA tv = {};
    tv.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_HANDLE;
    tv.hItem = item;
    tv.pszText = d->text;
    tv.cchTextMax = sizeof(d->text);
    if (!TreeView_GetItem(g_ruleTree, &tv)) d->text[0] = '\0';
    d->text[sizeof(d->text) - 1] = '\0';
    d->image = tv.iImage;

    RegisterDragClasses();
    HINSTANCE instance = GetModuleHandleA(nullptr);
    d->indicator = CreateWindowExA(0, kIndicatorClass, "", WS_CHILD | WS_CLIPSIBLINGS, 0, 0, 1, 1, g_ruleTree,
                                   nullptr, instance, nullptr);
    UINT dpi = GetWindowDpi(g_ruleTree);
    d->font = CreateFontA(-(int)(14 * dpi / 96), 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                          OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH,
                          "MS Shell Dlg");
    RECT text = {0, 0, 0, 0};
    HDC dc = GetDC(g_ruleTree);
    HGDIOBJ oldFont = SelectObject(dc, d->font);
    DrawTextA(dc, d->text[0] ? d->text : " ", -1, &text, DT_CALCRECT | DT_NOPREFIX | DT_SINGLELINE);
    SelectObject(dc, oldFont);
    ReleaseDC(g_ruleTree, dc);
    d->itemHeight = text.bottom - text.top + 2;
    if (d->itemHeight < 16) d->itemHeight = 16;
    d->width = text.right - text.left + d->itemHeight + 2 * GetSpaceWidthForDpi(&g_theme, dpi);
    d->dragWindow = CreateWindowExA(0, kDragImageClass, "", WS_CHILD | WS_CLIPSIBLINGS, 0, 0, d->width,
                                    d->itemHeight, g_ruleTree, nullptr, instance, nullptr);
    if (d->dragWindow) SetWindowLongPtrA(d->dragWindow, GWLP_USERDATA, (LONG_PTR)d);
    return d;
}

void DestroyTreeDragIndicator()
{
    if (!g_drag) return;
    if (g_drag->dragWindow) DestroyWindow(g_drag->dragWindow);
    if (g_drag->indicator) DestroyWindow(g_drag->indicator);
    if (g_drag->font) DeleteObject(g_drag->font);
    free(g_drag);
    g_drag = nullptr;
}

// hide: remembers which of the two windows show and hides them; otherwise
// shows and repaints those again.
void HideDragWindows(bool hide)
{
    if (!g_drag) return;
    HWND windows[2] = {g_drag->dragWindow, g_drag->indicator};
    for (int i = 0; i < 2; i++) {
        if (!windows[i]) continue;
        if (hide) {
            g_dragShown[i] = IsWindowVisible(windows[i]) != FALSE;
            ShowWindow(windows[i], SW_HIDE);
        } else if (g_dragShown[i]) {
            ShowWindow(windows[i], SW_SHOWNA);
            UpdateWindow(windows[i]);
        }
    }
}

// Wine keeps the dragged item as drop target from the drag's start and does
// not take a null target while nothing is selected: its mark goes by hand.
void ClearDropHighlight()
{
    TreeView_SelectDropTarget(g_ruleTree, nullptr);
    HTREEITEM left = TreeView_GetDropHilight(g_ruleTree);
    if (left) TreeView_SetItemState(g_ruleTree, left, 0, TVIS_DROPHILITED);
}

void HideIndicator()
{
    if (g_drag && g_drag->indicator) ShowWindow(g_drag->indicator, SW_HIDE);
}

void PlaceDropIndicator(int x, int y, int width, int height)
{
    if (!g_drag || !g_drag->indicator) return;
    SetWindowPos(g_drag->indicator, HWND_BOTTOM, x, y, width, height, SWP_SHOWWINDOW | SWP_NOACTIVATE);
}

bool IsInsideDragged(HTREEITEM item)
{
    for (HTREEITEM up = item; up; up = TreeView_GetParent(g_ruleTree, up))
        if (up == g_dragItem) return true;
    return false;
}

void AutoScroll(POINT pt)
{
    int line = TreeView_GetItemHeight(g_ruleTree);
    if (line <= 0) line = 16;
    bool down = pt.y > g_dragTreeRect.bottom - line;
    if (pt.y >= g_dragTreeRect.top + line && !down) return;
    HideDragWindows(true);
    SendMessageA(g_ruleTree, WM_VSCROLL, down ? SB_LINEDOWN : SB_LINEUP, 0);
    HideDragWindows(false);
    Sleep(50);
}

void NoteHover(HTREEITEM item)
{
    g_hoverItem = item;
    bool collapsedParent = item && TreeView_GetChild(g_ruleTree, item) &&
                           !(TreeView_GetItemState(g_ruleTree, item, TVIS_EXPANDED) & TVIS_EXPANDED);
    if (!collapsedParent) {
        g_expandWaiting = nullptr;
        KillTimer(g_mainDialog, kHoverExpandTimer);
    } else if (item != g_expandWaiting) {
        g_expandWaiting = item;
        SetTimer(g_mainDialog, kHoverExpandTimer, 1000, nullptr);
    }
}

// The copy of an item with its children (their copies go under the copy, in order).
HTREEITEM CopyTreeSubtree(HTREEITEM item, HTREEITEM insertAfter, HTREEITEM parent)
{
    char text[260] = "";
    TVINSERTSTRUCTA ins = {};
    ins.hParent = parent;
    ins.hInsertAfter = insertAfter;
    ins.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_STATE | TVIF_HANDLE;
    ins.item.hItem = item;
    ins.item.pszText = text;
    ins.item.cchTextMax = sizeof(text);
    ins.item.stateMask = TVIS_EXPANDED;
    if (!TreeView_GetItem(g_ruleTree, (TVITEMA*)&ins.item)) return nullptr;
    text[sizeof(text) - 1] = '\0';
    ins.item.mask &= ~(UINT)TVIF_HANDLE;
    ins.item.pszText = text;
    HTREEITEM copy = TreeView_InsertItem(g_ruleTree, &ins);
    if (!copy) return nullptr;
    for (HTREEITEM child = TreeView_GetChild(g_ruleTree, item); child;
         child = TreeView_GetNextSibling(g_ruleTree, child))
        CopyTreeSubtree(child, TVI_LAST, copy);
    return copy;
}

void Drop(HTREEITEM dragged, HTREEITEM target, int position)
{
    if (!BeginRuleEdit()) return;
    Profile* p = TreeProfile();
    if (p) {
        HTREEITEM parent = TreeView_GetParent(g_ruleTree, target);
        HTREEITEM after = target;
        if (position == DROP_INTO) {
            parent = target;
            after = TVI_LAST;
        } else if (position == DROP_BEFORE) {
            HTREEITEM previous = TreeView_GetPrevSibling(g_ruleTree, target);
            after = previous ? previous : TVI_FIRST;
        }
        if (CopyTreeSubtree(dragged, after, parent ? parent : TVI_ROOT)) {
            TreeView_DeleteItem(g_ruleTree, dragged);
            ApplyTreeOrderToRules(p);
            MarkProfileEdited(p);
        }
    }
    EndRuleEdit();
}

}  // namespace

bool RuleTreeItemIsGroup(HTREEITEM item)
{
    TVITEMA tv = {};
    tv.mask = TVIF_IMAGE | TVIF_HANDLE;
    tv.hItem = item;
    return item && TreeView_GetItem(g_ruleTree, &tv) && tv.iImage == TREE_IMAGE_GROUP;
}

bool RuleTreeDragging()
{
    return g_dragItem != nullptr;
}

void BeginRuleTreeDrag(HWND dialog, const NMTREEVIEWA* begin)
{
    if (!g_ruleTree || !begin->itemNew.hItem || RuleTreeLabelEditing()) return;
    g_dragItem = begin->itemNew.hItem;
    g_dropTarget = nullptr;
    g_dragCancelled = false;
    g_hoverItem = g_expandWaiting = nullptr;
    SetCapture(dialog);
    GetClientRect(g_ruleTree, &g_dragTreeRect);
    TreeView_SelectItem(g_ruleTree, nullptr);
    g_drag = CreateTreeDragIndicator(g_dragItem);
}

void MoveRuleTreeDrag(HWND dialog, POINT client)
{
    if (!g_dragItem || g_dragCancelled) return;
    POINT pt = client;
    MapWindowPoints(dialog, g_ruleTree, &pt, 1);
    AutoScroll(pt);
    if (g_drag && g_drag->dragWindow)
        SetWindowPos(g_drag->dragWindow, nullptr, pt.x, pt.y, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    g_dropTarget = nullptr;
    TVHITTESTINFO hit = {};
    hit.pt = pt;
    HTREEITEM item = TreeView_HitTest(g_ruleTree, &hit);
    NoteHover(item);
    RECT text;
    if (!item || IsInsideDragged(item) || !TreeView_GetItemRect(g_ruleTree, item, &text, TRUE)) {
        ClearDropHighlight();
        HideIndicator();
        return;
    }
    int h = (int)((text.bottom - text.top) * 0.2);
    if (pt.y < text.top + h || pt.y > text.bottom - h) {
        bool before = pt.y < text.top + h;
        g_dropTarget = item;
        g_dropPosition = before ? DROP_BEFORE : DROP_AFTER;
        ClearDropHighlight();
        PlaceDropIndicator(text.left - 20, (before ? text.top : text.bottom) - 2, text.right - text.left + 20, 4);
    } else if (RuleTreeItemIsGroup(item)) {
        g_dropTarget = item;
        g_dropPosition = DROP_INTO;
        TreeView_SelectDropTarget(g_ruleTree, item);
        HideIndicator();
    } else {
        ClearDropHighlight();
        HideIndicator();
    }
}

void EndRuleTreeDrag(HWND dialog)
{
    if (!g_dragItem) return;
    HTREEITEM dragged = g_dragItem;
    HTREEITEM target = g_dragCancelled ? nullptr : g_dropTarget;
    int position = g_dropPosition;
    // Over before the mouse is let go: the capture change that follows is
    // no longer a drag's.
    g_dragItem = g_dropTarget = g_hoverItem = g_expandWaiting = nullptr;
    KillTimer(dialog, kHoverExpandTimer);
    ClearDropHighlight();
    DestroyTreeDragIndicator();
    if (GetCapture() == dialog) ReleaseCapture();
    if (target) Drop(dragged, target, position);
    // Also the refill that waited for the drag's end.
    RefreshRuleTree(CurrentProfile(), -1);
}

void CancelRuleTreeDrag(HWND dialog)
{
    g_dropTarget = nullptr;
    g_dragCancelled = true;
    PostMessageA(dialog, WM_LBUTTONUP, 0, 0);
}

void ExpandHoveredGroup()
{
    if (g_mainDialog) KillTimer(g_mainDialog, kHoverExpandTimer);
    if (!g_dragItem || !g_expandWaiting) return;
    HideDragWindows(true);
    TreeView_Expand(g_ruleTree, g_expandWaiting, TVE_EXPAND);
    HideDragWindows(false);
    g_expandWaiting = nullptr;
}
