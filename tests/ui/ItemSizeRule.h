// ItemSizeRule.h - the size rule of UI items worked out step by step from
// text extents measured with GDI, to check items against.
#pragma once

#include "framework/ui/Theme.h"
#include "tests/support/ItemSizeCases.h"

#include <algorithm>
#include <string.h>

struct Extent {
    int w, h;
};

// A text's extent in the theme's user font, measured here with GDI.
inline Extent TextExtent(const char* text, bool bold, UINT dpi)
{
    if (!text || !text[0]) return {0, 0};
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, GetThemeFont(&g_theme, bold ? THEME_FONT_USER_BOLD : THEME_FONT_USER, dpi));
    SIZE s = {};
    GetTextExtentPoint32A(dc, text, (int)strlen(text), &s);
    SelectObject(dc, old);
    DeleteDC(dc);
    return {(int)s.cx, (int)s.cy};
}

// The size rule, step by step, from the measured space width and text sizes.
inline Extent ExpectedItemSize(const ItemSizeCase& c, UINT dpi)
{
    if (c.type == 4) return (c.flags & CMD_SPLITARROW) ? Extent{3, 3} : Extent{6, 6};
    int m = TextExtent(" ", false, dpi).w;
    double s = dpi / 96.0;
    bool bold = (c.flags & CMD_BOLD) != 0;
    int icon = (c.flags & CMD_SHOWICON) ? (int)(16 * s) : 0;
    int arrow = c.type == 3 && ((c.flags & CMD_SPLITARROW) || c.inMenu) ? 6 * m : 0;
    Extent text = {0, 0}, shortcut = {0, 0};
    if (c.inMenu || (c.flags & CMD_SHOWTEXT)) text = TextExtent(c.columns[(c.flags & CMD_TEXTCOLUMN4) ? 4 : 0], bold, dpi);
    if (c.inMenu) shortcut = TextExtent(c.columns[1], bold, dpi);
    text.w += (int)(text.h * c.widthFactor);
    text.h += (int)(text.h * c.heightFactor);
    text.h = std::max(text.h, 16);
    Extent out;
    out.h = std::max({icon, text.h, shortcut.h}) + 2 * m;
    out.w = arrow + m + (icon > 0 ? icon + m : 0) + (text.w > 0 ? text.w + m : 0) +
            (shortcut.w > 0 ? shortcut.w + 4 * m : 0);
    return out;
}
