// UIItemPaint.cpp - what the item classes paint with: the item's double
// buffer, the common scheme of background and parts, colours and the
// eyedropper.
#include "framework/ui/UIItemClasses.h"

#include "framework/core/AppObject.h"
#include "framework/core/MonitorTable.h"
#include "framework/ui/Theme.h"

bool BeginItemPaint(CUIItem* item, HDC* dc, const RECT* client, BufferedPaint* buffer)
{
    bool buffered = BeginBufferedPaint(buffer, dc, client->right + 1, client->bottom + 1);
    // A DC of no window (WM_PRINTCLIENT into a bitmap) still paints as the
    // item: the parent's background and the corners are asked of its parent.
    g_theme.paintWindow = item->window;
    return buffered;
}

void EndItemPaint(BufferedPaint* buffer, bool buffered)
{
    if (buffered) EndBufferedPaint(buffer);
    g_theme.paintWindow = nullptr;
}

uint32_t GetItemCommandFlags(const CUIItem* item)
{
    const CommandEntry* row = FindItemCommand(item);
    return row ? row->flags : 0;
}

void DrawItemParts(CUIItem* item, HDC dc, const RECT* client, const ItemPaintState* state, int offset)
{
    const CommandEntry* row = FindItemCommand(item);
    uint32_t flags = row ? row->flags : 0;
    UINT dpi = GetWindowDpi(item->window);
    int m = GetItemMargin(dpi);
    if (item->iconWidth > 0 && row) DrawCommandIcon(&g_theme, dc, row->iconId, flags, &item->iconRect);
    const char* text = GetItemText(item, 0);
    if (text && text[0] && item->textRect.right > item->textRect.left)
        DrawThemeText(&g_theme, dc, dpi, "%s", (uint32_t)state->text, &item->textRect, state->frame ? 1 : 0,
                      state->bold != 0, text);
    const char* shortcut = GetItemText(item, 1);
    if (shortcut && shortcut[0] && item->shortcutWidth > 0)
        DrawThemeText(&g_theme, dc, dpi, "%s", (uint32_t)state->text, &item->shortcutRect, 2, state->bold != 0,
                      shortcut);
    if (item->parentMenu && item->iconWidth <= 0 && (flags & CMD_CHECKED)) {
        RECT square = {offset, offset, item->textHeight + 2 * m + offset, client->bottom + offset};
        DrawCheckMark(&g_theme, dc, &square);
    }
}

void PaintItemCommon(CUIItem* item, HDC dc, const RECT* client, const ItemPaintState* state, int offset)
{
    int m = GetItemMargin(GetWindowDpi(item->window));
    bool inMenu = item->parentMenu != nullptr;
    int column = inMenu ? item->textHeight + 2 * m : 0;
    PaintItemBackground(&g_theme, dc, client, state->background, state->background != ITEM_BG_NORMAL ? 15 : 0,
                        column, -1, -1, -1);
    LayoutItemParts(item, client, offset, state->frame != 0, inMenu);
    DrawItemParts(item, dc, client, state, offset);
}

COLORREF ArgbToColorRef(uint32_t argb)
{
    return RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF);
}

uint32_t ReadScreenPixel(POINT at)
{
    HDC screen = GetDC(nullptr);
    COLORREF c = screen ? GetPixel(screen, at.x, at.y) : CLR_INVALID;
    if (screen) ReleaseDC(nullptr, screen);
    if (c == CLR_INVALID) c = 0;
    return 0xFF000000u | (uint32_t)GetRValue(c) << 16 | (uint32_t)GetGValue(c) << 8 | GetBValue(c);
}

HCURSOR GetEyedropperCursor()
{
    HCURSOR cursor = LoadCursorA(g_app.instance, MAKEINTRESOURCEA(ITEM_EYEDROPPER_CURSOR));
    return cursor ? cursor : LoadCursorA(nullptr, (LPCSTR)IDC_CROSS);
}

// The point of a mouse message on the screen, and whether it lies outside
// the item's window.
bool IsOutsideItem(CUIItem* item, LPARAM lParam, POINT* screen)
{
    POINT p = {(short)LOWORD(lParam), (short)HIWORD(lParam)};
    ClientToScreen(item->window, &p);
    if (screen) *screen = p;
    RECT r;
    GetWindowRect(item->window, &r);
    return !PtInRect(&r, p);
}
