// ItemButton.cpp - buttons, separators and static labels with their icon and
// progress markup.
#include "framework/ui/UIItemClasses.h"

#include "framework/core/MonitorTable.h"
#include "framework/core/TextUtil.h"
#include "framework/ui/Theme.h"

#include <ctype.h>
#include <string.h>

//--- CButton

void CButton::Paint(HDC dc, const RECT* client)
{
    BufferedPaint buffer;
    bool buffered = BeginItemPaint(this, &dc, client, &buffer);
    ItemPaintState state;
    int pressed = GetItemPaintState(this, GetItemCommandFlags(this), &state);
    PaintItemCommon(this, dc, client, &state, pressed);
    EndItemPaint(&buffer, buffered);
}

//--- CSeparator

void CSeparator::CalcSize(const CommandEntry* row, int)
{
    flagsCopy = row ? row->flags : 0;
    width = height = (flagsCopy & CMD_SPLITARROW) ? 3 : 6;
}

void CSeparator::Paint(HDC dc, const RECT* client)
{
    BufferedPaint buffer;
    bool buffered = BeginItemPaint(this, &dc, client, &buffer);
    PaintParentBackground(&g_theme, nullptr, dc, client);
    if (!(flagsCopy & CMD_SPLITARROW)) {
        // An etched line: the line, then its highlight one pixel right and down.
        int w = client->right, h = client->bottom;
        RECT line, light;
        if (w <= h) {
            line = {w / 2 - 1, 2, w / 2, h - 3};
            light = {w / 2, 3, w / 2 + 1, h - 2};
        } else {
            line = {2, h / 2 - 1, w - 3, h / 2};
            light = {3, h / 2, w - 2, h / 2 + 1};
        }
        FillRectWithColor(dc, &line, g_theme.colours[31]);
        FillRectWithColor(dc, &light, g_theme.colours[32]);
    }
    EndItemPaint(&buffer, buffered);
}

//--- CStatic

// Reads a decimal number, capped so that no length of digits overflows.
static const char* ReadNumber(const char* p, int cap, int* value)
{
    int v = 0;
    while (isdigit((unsigned char)*p)) {
        v = v * 10 + (*p - '0');
        if (v > cap) v = cap;
        p++;
    }
    *value = v;
    return p;
}

// A progress bar framed in colour 4 and filled in colour 46, then "n%". Its
// place does not depend on the value: room is kept for "100%".
static void DrawProgress(HDC dc, UINT dpi, int m, const RECT* client, int left, const RECT* text,
                         int percent, int textState)
{
    int percentWidth = 0, percentHeight = 0;
    MeasureThemeText(&g_theme, "100%", &percentWidth, &percentHeight, false, dpi);
    RECT number = {client->right - m - percentWidth, text->top, client->right - m, text->bottom};
    int h = (text->bottom - text->top) / 2;
    if (h < 4) h = 4;
    RECT bar = {left, text->top + (text->bottom - text->top - h) / 2, number.left - m, 0};
    bar.bottom = bar.top + h;
    if (bar.right - bar.left >= 3) {
        FrameRectWithColor(dc, &bar, g_theme.colours[4]);
        RECT fill = bar;
        InflateRect(&fill, -1, -1);
        fill.right = fill.left + (fill.right - fill.left) * percent / 100;
        if (fill.right > fill.left) FillRectWithColor(dc, &fill, g_theme.colours[46]);
    }
    DrawThemeText(&g_theme, dc, dpi, "%d%%", (uint32_t)textState, &number, 0, false, percent);
}

static void DrawStaticText(CUIItem* item, HDC dc, const RECT* client, const ItemPaintState* state)
{
    const char* source = GetItemText(item, 0);
    if (!source || !source[0]) return;
    UINT dpi = GetWindowDpi(item->window);
    int m = GetItemMargin(dpi);
    char text[1040];
    CopyText(text, sizeof(text), source);
    RECT r = item->textRect;
    char* p = text;

    if (p[0] == '#' && isdigit((unsigned char)p[1])) {
        int id = 0;
        p = (char*)ReadNumber(p + 1, 0xFFFF, &id);
        int side = r.bottom - r.top;
        RECT icon = {r.left, r.top, r.left + side, r.bottom};
        DrawCommandIcon(&g_theme, dc, (uint16_t)id, GetItemCommandFlags(item), &icon);
        r.left += side + m;
        while (*p == ' ') p++;
    }

    int percent = -1;
    for (char* at = strchr(p, '@'); at; at = strchr(at + 1, '@'))
        if (isdigit((unsigned char)at[1])) {
            ReadNumber(at + 1, 100, &percent);
            *at = '\0';
            break;
        }
    if (percent < 0) {
        DrawThemeText(&g_theme, dc, dpi, "%s", (uint32_t)state->text, &r, state->frame ? 1 : 0, state->bold != 0, p);
        return;
    }
    size_t n = strlen(p);
    while (n > 0 && p[n - 1] == ' ') p[--n] = '\0';
    int labelWidth = 0, labelHeight = 0;
    if (MeasureThemeText(&g_theme, p, &labelWidth, &labelHeight, state->bold != 0, dpi) != 0) labelWidth = 0;
    RECT label = {r.left, r.top, r.left + labelWidth, r.bottom};
    if (labelWidth > 0)
        DrawThemeText(&g_theme, dc, dpi, "%s", (uint32_t)state->text, &label, 0, state->bold != 0, p);
    DrawProgress(dc, dpi, m, client, labelWidth > 0 ? label.right + m : r.left, &r, percent, state->text);
}

void CStatic::Paint(HDC dc, const RECT* client)
{
    BufferedPaint buffer;
    bool buffered = BeginItemPaint(this, &dc, client, &buffer);
    uint32_t flags = GetItemCommandFlags(this);
    ItemPaintState state;
    GetItemPaintState(this, flags, &state);
    state.background = (flags & CMD_SPLITARROW) ? ITEM_BG_SUNKEN : (flags & CMD_ARROWPRESSED) ? ITEM_BG_RAISED
                                                                                              : ITEM_BG_NORMAL;
    PaintItemBackground(&g_theme, dc, client, state.background, state.background != ITEM_BG_NORMAL ? 15 : 0, 0, -1,
                        -1, -1);
    LayoutItemParts(this, client, 0, state.frame != 0, parentMenu != nullptr);
    const CommandEntry* row = FindItemCommand(this);
    if (iconWidth > 0 && row) DrawCommandIcon(&g_theme, dc, row->iconId, flags, &iconRect);
    DrawStaticText(this, dc, client, &state);
    EndItemPaint(&buffer, buffered);
}

void CStatic::OnSize()
{
    if (flagsCopy & CMD_TEXTTOSHORTCUT) Refresh(0);
}
