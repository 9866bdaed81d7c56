// UIItemLayout.cpp - the size rule of items, the places of their four parts
// and the paint state their command's flags give.
#include "framework/ui/UIItem.h"

#include "framework/core/MonitorTable.h"
#include "framework/ui/Paint.h"
#include "framework/ui/Theme.h"
#include "framework/ui/UIItemClasses.h"

#include <math.h>

int GetItemMargin(UINT dpi)
{
    return GetSpaceWidthForDpi(&g_theme, dpi);
}

static void MeasureColumn(CUIItem* item, int column, bool bold, UINT dpi, int32_t* width, int32_t* height)
{
    int w = 0, h = 0;
    if (MeasureThemeText(&g_theme, GetItemText(item, column), &w, &h, bold, dpi) != 0) w = h = 0;
    *width = w;
    *height = h;
}

static int32_t Larger(int32_t a, int32_t b)
{
    return a > b ? a : b;
}

void CUIItem::CalcSize(const CommandEntry* row, int orientation)
{
    static const CommandEntry kNoCommand = {};
    if (!row) row = &kNoCommand;
    UINT dpi = GetWindowDpi(window);
    int m = GetItemMargin(dpi);
    double scale = dpi / 96.0;
    bool inMenu = parentMenu != nullptr;
    bool bold = (row->flags & CMD_BOLD) != 0;

    flagsCopy = row->flags;
    iconWidth = iconHeight = contentWidth = contentHeight = -1;
    textWidth = textHeight = shortcutWidth = shortcutHeight = -1;
    arrowWidth = 0;
    extraHeight = 0;
    MeasureContent(row, orientation);

    if (iconWidth < 0) {
        iconWidth = iconHeight = (row->flags & CMD_SHOWICON) ? 16 : 0;
    }
    if (contentWidth < 0) contentWidth = contentHeight = 0;
    if (textWidth < 0) {
        textWidth = textHeight = 0;
        if ((inMenu && contentWidth < 1) || (row->flags & CMD_SHOWTEXT))
            MeasureColumn(this, (row->flags & CMD_TEXTCOLUMN4) ? 4 : 0, bold, dpi, &textWidth, &textHeight);
    }
    if (shortcutWidth < 0) {
        shortcutWidth = shortcutHeight = 0;
        if (inMenu) MeasureColumn(this, 1, bold, dpi, &shortcutWidth, &shortcutHeight);
    }

    iconWidth = (int32_t)(iconWidth * scale);
    iconHeight = (int32_t)(iconHeight * scale);
    iconColumnWidth = iconWidth;
    textWidth += (int32_t)(textHeight * row->widthFactor);
    textHeight += (int32_t)(textHeight * row->heightFactor);
    if (textHeight < 16) textHeight = 16;

    height = Larger(Larger(Larger(contentHeight, iconHeight), Larger(textHeight, shortcutHeight)), extraHeight) +
             2 * m;
    width = arrowWidth + m;
    if (iconWidth > 0) width += iconWidth + m;
    if (contentWidth > 0) width += contentWidth + m;
    if (textWidth > 0) width += textWidth + m;
    if (shortcutWidth > 0) width += shortcutWidth + 4 * m;
}

void LayoutItemParts(CUIItem* item, const RECT* r, int offset, bool framed, bool inMenu)
{
    int m = GetItemMargin(GetWindowDpi(item->window));
    // Icon and content halve as integers; text and shortcut round half up.
    auto wholeTop = [&](int h) { return (r->bottom + 1 - 2 * m - h) / 2 + m + offset; };
    auto roundedTop = [&](int h) { return (int)floor((r->bottom + 1 - 2 * m - h) / 2.0 + 0.5) + m + offset; };

    int x = offset;
    if (!inMenu && framed) x = offset + (r->right - item->width) / 2;

    RECT* icon = &item->iconRect;
    icon->left = x + m;
    icon->right = icon->left + item->iconWidth;
    icon->top = wholeTop(item->iconHeight);
    icon->bottom = icon->top + item->iconHeight;

    RECT* content = &item->contentRect;
    content->left = (item->iconWidth < 1 ? x : x + m + item->iconWidth) + m;
    if (inMenu) content->left = x + (item->parentMenu ? item->parentMenu->iconColumnWidth : 0);
    content->right = content->left + item->contentWidth;
    content->top = wholeTop(item->contentHeight);
    content->bottom = content->top + item->contentHeight;

    RECT* text = &item->textRect;
    text->left = item->contentWidth < 1 ? content->left : content->right + m;
    text->right = text->left + item->textWidth;
    text->top = roundedTop(item->textHeight);
    text->bottom = text->top + item->textHeight;

    RECT* shortcut = &item->shortcutRect;
    shortcut->top = text->top;
    shortcut->bottom = shortcut->top + item->shortcutHeight;
    shortcut->left = shortcut->right = text->right;
    if (inMenu && item->shortcutWidth > 0) {
        shortcut->left = r->right - item->arrowWidth - item->shortcutWidth - m;
        shortcut->right = shortcut->left + item->shortcutWidth;
    }
    if (item->flagsCopy & CMD_TEXTTOSHORTCUT) text->right = r->right - item->arrowWidth - item->shortcutWidth - m;
}

int GetItemPaintState(const CUIItem* item, uint32_t flags, ItemPaintState* state)
{
    // Later tests win.
    int background = ITEM_BG_NORMAL;
    if (flags & CMD_CHECKED) background = ITEM_BG_CHECKED;
    if ((flags & CMD_CHECKED) && !(flags & CMD_ENABLED)) background = ITEM_BG_CHECKED_DISABLED;
    if (flags & CMD_HOT) background = ITEM_BG_HOT;
    if (flags & CMD_PRESSED) background = ITEM_BG_PRESSED;
    state->background = background;
    state->text = (flags & CMD_ENABLED) ? 1 : 0;
    if (flags & (CMD_HOT | CMD_PRESSED)) state->text = 2;
    state->frame = (flags & CMD_FRAME) && !item->parentMenu ? 1 : 0;
    state->bold = (flags & CMD_BOLD) ? 1 : 0;
    return (flags & CMD_PRESSED) ? 1 : 0;
}
