// ItemColour.cpp - colour wells and sixteen-cell palettes, both picking
// colours off the screen with the eyedropper.
#include "framework/ui/UIItemClasses.h"

#include "framework/core/AppObject.h"
#include "framework/core/MonitorTable.h"
#include "framework/ui/Theme.h"

#include <windowsx.h>

static void SendPicked(CUIItem* item)
{
    SendMessageA(item->owner, ZRPMSG_COMMAND, item->commandId, 0);
}

static bool IsButtonUp(UINT message)
{
    return message == WM_LBUTTONUP || message == WM_RBUTTONUP || message == WM_MBUTTONUP;
}

//--- CColor

static void ColorWellHook(HWND, UINT message, WPARAM wParam, LPARAM lParam, CUIItem* item)
{
    if (!(GetItemCommandFlags(item) & CMD_ENABLED)) return;
    CColor* well = (CColor*)item;
    POINT screen;
    if (message == WM_MOUSEMOVE && (wParam & MK_LBUTTON) && IsOutsideItem(item, lParam, &screen)) {
        SetCursor(GetEyedropperCursor());
        well->record->colour = ReadScreenPixel(screen);
        item->Refresh(0);
    } else if (IsButtonUp(message) && IsOutsideItem(item, lParam, nullptr)) {
        SendPicked(item);
    }
}

int CColor::OnCreate(CommandEntry* row, HWND, HWND, CMenu*)
{
    record = row && row->data != 0 && row->data != -1 ? (ItemColourRecord*)row->data : nullptr;
    if (!record) return ZRP_ERR_COMMAND_ID;
    row->flags |= CMD_KEEPPRESSED;
    messageHook = ColorWellHook;
    return 0;
}

void CColor::MeasureContent(const CommandEntry*, int)
{
    iconWidth = iconHeight = 22;
}

void CColor::Paint(HDC dc, const RECT* client)
{
    BufferedPaint buffer;
    bool buffered = BeginItemPaint(this, &dc, client, &buffer);
    uint32_t flags = GetItemCommandFlags(this);
    ItemPaintState state;
    int pressed = GetItemPaintState(this, flags, &state);
    PaintItemBackground(&g_theme, dc, client, state.background, state.background != ITEM_BG_NORMAL ? 15 : 0, 0, -1,
                        -1, -1);
    LayoutItemParts(this, client, pressed, state.frame != 0, parentMenu != nullptr);
    if (record) {
        COLORREF fill = (flags & CMD_ENABLED) ? ArgbToColorRef(record->colour) : g_theme.colours[0];
        HBRUSH brush = CreateSolidBrush(fill);
        HPEN pen = CreatePen(PS_SOLID, 1, fill);
        HGDIOBJ oldBrush = SelectObject(dc, brush), oldPen = SelectObject(dc, pen);
        Ellipse(dc, iconRect.left, iconRect.top, iconRect.right, iconRect.bottom);
        SelectObject(dc, oldPen);
        SelectObject(dc, oldBrush);
        DeleteObject(pen);
        DeleteObject(brush);
        DrawCommandIcon(&g_theme, dc, record->marker ? ITEM_ICON_MARKER : ITEM_ICON_NOMARKER, flags, &iconRect);
    }
    EndItemPaint(&buffer, buffered);
}

//--- CPalette

static void PaletteHook(HWND, UINT message, WPARAM, LPARAM lParam, CUIItem* item)
{
    if (!(GetItemCommandFlags(item) & CMD_ENABLED)) return;
    CPalette* palette = (CPalette*)item;
    ItemPaletteRecord* r = palette->record;
    POINT screen;
    switch (message) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN: {
        POINT p = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        for (int i = 0; i < 16; i++)
            if (PtInRect(&palette->cellRects[i], p)) {
                r->selected = (int8_t)i;
                break;
            }
        return;
    }
    case WM_MOUSEMOVE: {
        bool outside = IsOutsideItem(item, lParam, &screen);
        r->picked = ReadScreenPixel(screen);
        if (!outside) return;
        SetCursor(GetEyedropperCursor());
        // Only a real cell takes the colour: a selection read from a record
        // may be anything.
        if (r->selected >= 0 && r->selected < 16) r->cells[r->selected] = r->picked;
        item->Refresh(0);
        return;
    }
    default:
        if (IsButtonUp(message) && IsOutsideItem(item, lParam, nullptr)) SendPicked(item);
        return;
    }
}

int CPalette::OnCreate(CommandEntry* row, HWND, HWND, CMenu*)
{
    record = row && row->data != 0 && row->data != -1 ? (ItemPaletteRecord*)row->data : nullptr;
    if (!record) return ZRP_ERR_COMMAND_ID;
    row->flags |= CMD_KEEPPRESSED;
    messageHook = PaletteHook;
    return 0;
}

void CPalette::MeasureContent(const CommandEntry*, int orientation)
{
    int m = GetItemMargin(GetWindowDpi(window));
    contentWidth = orientation == 1 ? 6 * m : 32 * m;
    contentHeight = orientation == 1 ? 32 * m : 6 * m;
}

void CPalette::Paint(HDC dc, const RECT* client)
{
    BufferedPaint buffer;
    bool buffered = BeginItemPaint(this, &dc, client, &buffer);
    uint32_t flags = GetItemCommandFlags(this);
    ItemPaintState state;
    GetItemPaintState(this, flags, &state);
    PaintItemBackground(&g_theme, dc, client, ITEM_BG_NORMAL, 0, 0, -1, -1, -1);
    LayoutItemParts(this, client, 0, state.frame != 0, parentMenu != nullptr);
    bool wide = contentRect.right - contentRect.left > contentRect.bottom - contentRect.top;
    int columns = wide ? 8 : 2, rows = wide ? 2 : 8;
    RECT area = contentRect;
    InflateRect(&area, -1, -1);
    int w = area.right - area.left, h = area.bottom - area.top;
    for (int i = 0; i < 16; i++) {
        int c = i % columns, row = i / columns;
        RECT cell = {area.left + w * c / columns, area.top + h * row / rows, area.left + w * (c + 1) / columns,
                     area.top + h * (row + 1) / rows};
        cellRects[i] = cell;
        COLORREF colour = !(flags & CMD_ENABLED) ? g_theme.colours[(c + row) % 2 ? 56 : 55]
                          : record                ? ArgbToColorRef(record->cells[i])
                                                  : g_theme.colours[55];
        FillRectWithColor(dc, &cell, colour);
    }
    FrameRectWithColor(dc, &contentRect, g_theme.colours[54]);
    EndItemPaint(&buffer, buffered);
}
