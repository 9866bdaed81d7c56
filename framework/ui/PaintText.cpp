// PaintText.cpp - theme text, command icons and the arrow and check-mark glyphs.
#include "framework/ui/Paint.h"

#include "framework/core/AppObject.h"
#include "framework/core/AppWindow.h"
#include "framework/core/TextUtil.h"
#include "framework/ui/Theme.h"

#include <stdarg.h>
#include <string.h>

static COLORREF TextColour(const Theme* theme, uint32_t state)
{
    switch (state & 0xFF) {
    case 0: return theme->colours[3];
    case 1: return theme->colours[4];
    case 2: return theme->colours[5];
    default: return (COLORREF)(state >> 8) & 0xFFFFFF;
    }
}

void DrawThemeText(Theme* theme, HDC dc, UINT dpi, const char* format, uint32_t colourState, const RECT* rect,
                   int alignment, bool bold, ...)
{
    char text[1040];
    va_list args;
    va_start(args, bold);
    FormatTextV(text, sizeof(text), format, args);   // a longer text is cut
    va_end(args);

    COLORREF oldColour = SetTextColor(dc, TextColour(theme, colourState));
    int oldMode = SetBkMode(dc, TRANSPARENT);
    if (alignment & TEXT_VERTICAL) {
        const FontEntry* e = GetThemeFontEntry(theme, THEME_FONT_USER_VERTICAL, dpi);
        HGDIOBJ oldFont = SelectObject(dc, e ? e->font : GetThemeFont(theme, THEME_FONT_USER_VERTICAL, dpi));
        int lineHeight = e ? e->textHeight : 0;
        // Escapement -900 runs the text downwards with the glyph tops to the right.
        int x = rect->left + (rect->right - rect->left + lineHeight) / 2;
        ExtTextOutA(dc, x, rect->top, ETO_CLIPPED, rect, text, (UINT)strlen(text), nullptr);
        SelectObject(dc, oldFont);
    } else {
        HGDIOBJ oldFont = SelectObject(dc, GetThemeFont(theme, bold ? THEME_FONT_USER_BOLD : THEME_FONT_USER, dpi));
        static const UINT kAlign[3] = {DT_LEFT, DT_CENTER, DT_RIGHT};
        int a = alignment & 0xFF;
        RECT r = *rect;
        DrawTextA(dc, text, -1, &r,
                  kAlign[a >= 0 && a <= 2 ? a : 0] | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
        SelectObject(dc, oldFont);
    }
    SetBkMode(dc, oldMode);
    SetTextColor(dc, oldColour);
}

int DrawCommandIcon(Theme* theme, HDC dc, uint16_t commandId, uint32_t commandFlags, const RECT* rect)
{
    int i = FindCommandIcon(theme, commandId);
    if (i < 0) return THEME_ERR_NOICON;
    const CommandIcon* e = &theme->icons.data[i];
    if (e->param & ICON_OWNER_DRAWN) {
        if (theme->app && theme->app->windows.count > 0) {
            OwnerDrawnIcon request = {commandId, *rect};
            SendMessageA(theme->app->windows.data[0]->window, ZRPMSG_OWNERDRAWICON, (WPARAM)dc, (LPARAM)&request);
        }
        return 0;
    }
    HICON icon = (commandFlags & 0x1) ? e->icon : e->recoloured;
    if (!icon) return THEME_ERR_NOICON;
    int oldMode = SetStretchBltMode(dc, HALFTONE);
    DrawIconEx(dc, rect->left, rect->top, icon, rect->right - rect->left, rect->bottom - rect->top, 0, nullptr,
               DI_NORMAL);
    SetStretchBltMode(dc, oldMode);
    return 0;
}

static void FillPolygon(HDC dc, const POINT* points, int count, COLORREF colour)
{
    HBRUSH brush = CreateSolidBrush(colour);
    HPEN pen = CreatePen(PS_SOLID, 1, colour);
    HGDIOBJ oldBrush = SelectObject(dc, brush), oldPen = SelectObject(dc, pen);
    Polygon(dc, points, count);
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    DeleteObject(pen);
    DeleteObject(brush);
}

void DrawArrowGlyph(Theme* theme, HDC dc, int textState, int direction, const RECT* r)
{
    int w = r->right - r->left, h = r->bottom - r->top;
    int side = (w < h ? w : h) / 2;   // the long edge of the triangle
    if (side < 2) side = 2;
    int half = side / 2;
    int cx = r->left + w / 2, cy = r->top + h / 2;
    POINT p[3];
    if (direction == ARROW_RIGHT) {
        p[0] = {cx - half / 2, cy - half};
        p[1] = {cx - half / 2, cy + half};
        p[2] = {cx + half - half / 2, cy};
    } else if (direction == ARROW_DOWN) {
        p[0] = {cx - half, cy - half / 2};
        p[1] = {cx + half, cy - half / 2};
        p[2] = {cx, cy + half - half / 2};
    } else {
        p[0] = {cx - half, cy + half / 2};
        p[1] = {cx + half, cy + half / 2};
        p[2] = {cx, cy - half + half / 2};
    }
    FillPolygon(dc, p, 3, TextColour(theme, (uint32_t)(textState & 3)));
}

void DrawCheckMark(Theme* theme, HDC dc, const RECT* r)
{
    int w = r->right - r->left, h = r->bottom - r->top;
    int s = (w < h ? w : h);
    int x = r->left + (w - s) / 2, y = r->top + (h - s) / 2;
    // A tick in the middle of the square: short arm down-right, long arm up-right.
    POINT p[6] = {{x + s * 2 / 10, y + s * 5 / 10}, {x + s * 4 / 10, y + s * 7 / 10},
                  {x + s * 8 / 10, y + s * 3 / 10}, {x + s * 8 / 10, y + s * 5 / 10},
                  {x + s * 4 / 10, y + s * 9 / 10}, {x + s * 2 / 10, y + s * 7 / 10}};
    FillPolygon(dc, p, 6, theme->colours[5]);
}
