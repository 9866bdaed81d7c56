// Paint.cpp - double buffering, item backgrounds and their rounded corners,
// gradients, edges and fills.
#include "framework/ui/Paint.h"

#include "framework/core/AppObject.h"
#include "framework/ui/Theme.h"

//--- double buffering

bool BeginBufferedPaint(BufferedPaint* record, HDC* dc, int width, int height)
{
    *record = BufferedPaint{};
    if (width < 1) width = 1;
    if (height < 1) height = 1;
    HDC memory = CreateCompatibleDC(*dc);
    HBITMAP bitmap = memory ? CreateCompatibleBitmap(*dc, width, height) : nullptr;
    if (!bitmap) {
        if (memory) DeleteDC(memory);
        return false;
    }
    record->width = width;
    record->height = height;
    record->memoryDC = memory;
    record->realDC = *dc;
    record->bitmap = bitmap;
    record->oldBitmap = SelectObject(memory, bitmap);
    g_theme.paintWindow = WindowFromDC(*dc);
    *dc = memory;
    return true;
}

void EndBufferedPaint(BufferedPaint* record)
{
    if (!record->memoryDC) return;
    BitBlt(record->realDC, 0, 0, record->width, record->height, record->memoryDC, 0, 0, SRCCOPY);
    g_theme.paintWindow = nullptr;
    SelectObject(record->memoryDC, record->oldBitmap);
    DeleteObject(record->bitmap);
    DeleteDC(record->memoryDC);
    *record = BufferedPaint{};
}

//--- fills, frames, edges, gradients

void FillRectWithColor(HDC dc, const RECT* rect, COLORREF colour)
{
    HBRUSH brush = CreateSolidBrush(colour);
    HGDIOBJ old = SelectObject(dc, brush);
    PatBlt(dc, rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, PATCOPY);
    SelectObject(dc, old);
    DeleteObject(brush);
}

void FrameRectWithColor(HDC dc, const RECT* rect, COLORREF colour)
{
    HBRUSH brush = CreateSolidBrush(colour);
    FrameRect(dc, rect, brush);
    DeleteObject(brush);
}

void Draw3DEdge(HDC dc, const RECT* r, bool raised, COLORREF light, COLORREF dark)
{
    COLORREF topLeft = raised ? light : dark, bottomRight = raised ? dark : light;
    RECT left = {r->left, r->top, r->left + 1, r->bottom};
    RECT top = {r->left, r->top, r->right, r->top + 1};
    RECT right = {r->right - 1, r->top, r->right, r->bottom};
    RECT bottom = {r->left, r->bottom - 1, r->right, r->bottom};
    FillRectWithColor(dc, &left, topLeft);
    FillRectWithColor(dc, &top, topLeft);
    FillRectWithColor(dc, &right, bottomRight);
    FillRectWithColor(dc, &bottom, bottomRight);
}

void FillGradient(HDC dc, COLORREF from, COLORREF to, const RECT* rect, bool vertical)
{
    TRIVERTEX v[2] = {};
    v[0].x = rect->left;
    v[0].y = rect->top;
    v[0].Red = (COLOR16)(GetRValue(from) << 8);
    v[0].Green = (COLOR16)(GetGValue(from) << 8);
    v[0].Blue = (COLOR16)(GetBValue(from) << 8);
    v[1].x = rect->right;
    v[1].y = rect->bottom;
    v[1].Red = (COLOR16)(GetRValue(to) << 8);
    v[1].Green = (COLOR16)(GetGValue(to) << 8);
    v[1].Blue = (COLOR16)(GetBValue(to) << 8);
    GRADIENT_RECT g = {0, 1};
    GradientFill(dc, v, 2, &g, 1, vertical ? GRADIENT_FILL_RECT_V : GRADIENT_FILL_RECT_H);
}

void PaintFramedPanel(Theme* theme, HDC dc, RECT* rect)
{
    if (dc) Draw3DEdge(dc, rect, true, theme->colours[2], theme->colours[3]);
    InflateRect(rect, -1, -1);
    if (dc) FillRectWithColor(dc, rect, theme->colours[30]);
}

int ClampToRange(int* value, int boundA, int boundB)
{
    int low = boundA < boundB ? boundA : boundB, high = boundA < boundB ? boundB : boundA;
    if (*value < low) {
        *value = low;
        return -1;
    }
    if (*value > high) {
        *value = high;
        return 1;
    }
    return 0;
}

//--- the parent's background and the corners

// The window a DC paints: the DC's own, or the one being double-buffered.
static HWND WindowOfDC(const Theme* theme, HDC dc)
{
    HWND w = WindowFromDC(dc);
    return w ? w : theme->paintWindow;
}

// Sends the background request; the parent paints its own client area shifted
// by the offset, as seen from the window's origin.
static void RequestBackground(HWND parent, HDC dc, POINT offset)
{
    SendMessageA(parent, ZRPMSG_PAINTBACKGROUND, (WPARAM)dc,
                 MAKELPARAM((WORD)(short)offset.x, (WORD)(short)offset.y));
}

void PaintParentBackground(Theme* theme, HWND parent, HDC dc, const RECT* rect)
{
    HWND window = WindowOfDC(theme, dc);
    if (!parent && window) parent = GetParent(window);
    if (!parent) return;
    POINT origin = {0, 0};
    if (window) MapWindowPoints(window, parent, &origin, 1);
    int saved = SaveDC(dc);
    IntersectClipRect(dc, rect->left, rect->top, rect->right, rect->bottom);
    RequestBackground(parent, dc, origin);
    RestoreDC(dc, saved);
}

const CornerWeight kCornerWeights[4][9] = {
    {{5, 0, 0, 0}, {30, 0, 1, 1}, {55, 0, 2, 2}, {30, 0, 3, 3}, {45, 1, 4, 3}, {20, 1, 5, 2}, {55, 0, 6, 6},
     {20, 1, 7, 6}, {0, 1, 8, 8}},
    {{55, 0, 0, 0}, {30, 0, 1, 1}, {5, 0, 2, 2}, {20, 1, 3, 0}, {45, 1, 4, 5}, {30, 0, 5, 5}, {0, 1, 6, 6},
     {20, 1, 7, 8}, {55, 0, 8, 8}},
    {{55, 0, 0, 0}, {20, 1, 1, 0}, {0, 1, 2, 2}, {30, 0, 3, 3}, {45, 1, 4, 3}, {20, 1, 5, 8}, {5, 0, 6, 6},
     {30, 0, 7, 7}, {55, 0, 8, 8}},
    {{0, 1, 0, 0}, {20, 1, 1, 2}, {55, 0, 2, 2}, {20, 1, 3, 6}, {45, 1, 4, 5}, {30, 0, 5, 5}, {55, 0, 6, 6},
     {30, 0, 6, 6}, {5, 0, 8, 8}},
};

static uint32_t BlendPixel(uint32_t first, uint32_t second, int weight)
{
    uint32_t out = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        int a = (int)((first >> shift) & 0xFF), b = (int)((second >> shift) & 0xFF);
        out |= (uint32_t)(a + (b - a) * weight / 100) << shift;
    }
    return out;
}

void BlendCornerPixels(Theme* theme, HWND parent, HDC dc, const RECT* block, const CornerWeight* weights)
{
    HDC work = GetThemeMeasureDC(theme);
    HWND window = WindowOfDC(theme, dc);
    if (!parent && window) parent = GetParent(window);
    if (!work || !theme->measureBits || !parent) return;

    // Rows 3-5: the parent's background at the block's place.
    POINT origin = {0, 0};
    if (window) MapWindowPoints(window, parent, &origin, 1);
    POINT blockAt = {block->left, block->top};
    LPtoDP(dc, &blockAt, 1);
    int saved = SaveDC(work);
    SetViewportOrgEx(work, -blockAt.x, 3 - blockAt.y, nullptr);
    HRGN clip = CreateRectRgn(0, 3, 3, 6);
    SelectClipRgn(work, clip);
    DeleteObject(clip);
    RequestBackground(parent, work, origin);
    RestoreDC(work, saved);
    // Rows 0-2: the item's own pixels.
    BitBlt(work, 0, 0, 3, 3, dc, block->left, block->top, SRCCOPY);
    GdiFlush();

    uint32_t* bits = theme->measureBits;
    for (int n = 0; n < 9; n++) {
        const CornerWeight& w = weights[n];
        uint32_t first = w.source ? bits[(w.first / 3) * 16 + w.first % 3]
                                  : bits[(3 + w.first / 3) * 16 + w.first % 3];
        uint32_t second = bits[(w.second / 3) * 16 + w.second % 3];
        bits[(6 + n / 3) * 16 + n % 3] = BlendPixel(first, second, w.weight);
    }
    BitBlt(dc, block->left, block->top, 3, 3, work, 0, 6, SRCCOPY);
}

void RoundItemCorners(Theme* theme, HWND parent, HDC dc, const RECT* r, int mask)
{
    if (r->right - r->left < 3 || r->bottom - r->top < 3) return;
    const RECT blocks[4] = {{r->left, r->top, r->left + 3, r->top + 3},
                            {r->right - 3, r->top, r->right, r->top + 3},
                            {r->left, r->bottom - 3, r->left + 3, r->bottom},
                            {r->right - 3, r->bottom - 3, r->right, r->bottom}};
    for (int i = 0; i < 4; i++)
        if (mask & (1 << i)) BlendCornerPixels(theme, parent, dc, &blocks[i], kCornerWeights[i]);
}

//--- item backgrounds

static void FramedGradient(Theme* theme, HDC dc, const RECT* r, int frame, int from, int to)
{
    const COLORREF* c = theme->colours;
    FrameRectWithColor(dc, r, c[frame]);
    RECT inside = *r;
    InflateRect(&inside, -1, -1);
    FillGradient(dc, c[from], c[to], &inside, true);
}

static int Pick(int index, int def)
{
    return index >= 0 && index < THEME_COLOURS ? index : def;
}

void PaintItemBackground(Theme* theme, HDC dc, const RECT* rect, int state, int cornerMask, int iconColumn,
                         int colourIndex, int gradientFrom, int gradientTo)
{
    const COLORREF* c = theme->colours;
    bool given = colourIndex >= 0 && colourIndex < THEME_COLOURS;
    RECT inside = *rect;
    InflateRect(&inside, -1, -1);
    RECT column = *rect;
    if (iconColumn > 0) column.right = column.left + iconColumn;
    switch (state) {
    case ITEM_BG_NORMAL:
        PaintParentBackground(theme, nullptr, dc, rect);
        break;
    case ITEM_BG_HOT:
        FramedGradient(theme, dc, rect, Pick(colourIndex, 45), 41, 42);
        break;
    case ITEM_BG_PRESSED:
        FramedGradient(theme, dc, rect, Pick(colourIndex, 45), 43, 44);
        break;
    case ITEM_BG_RAISED:
        Draw3DEdge(dc, rect, true, c[53], c[given ? 51 : 52]);
        FillRectWithColor(dc, &inside, c[Pick(colourIndex, 51)]);
        break;
    case ITEM_BG_SUNKEN:
        Draw3DEdge(dc, rect, true, c[given ? 51 : 52], c[53]);
        FillRectWithColor(dc, &inside, c[Pick(colourIndex, 51)]);
        break;
    case ITEM_BG_FLAT:
        FillRectWithColor(dc, rect, c[Pick(colourIndex, 51)]);
        break;
    case ITEM_BG_CHECKED:
        if (iconColumn > 0) PaintParentBackground(theme, nullptr, dc, rect);
        FramedGradient(theme, dc, &column, Pick(colourIndex, 45), 43, 44);
        break;
    case ITEM_BG_CHECKED_DISABLED:
        if (iconColumn > 0) {
            PaintParentBackground(theme, nullptr, dc, rect);
        } else {
            FillRectWithColor(dc, &inside, c[Pick(colourIndex, 51)]);
        }
        Draw3DEdge(dc, &column, false, c[2], c[3]);
        break;
    case ITEM_BG_CUSTOM:
        FramedGradient(theme, dc, rect, Pick(colourIndex, 45), Pick(gradientFrom, 43), Pick(gradientTo, 44));
        break;
    default:
        break;
    }
    if (cornerMask) RoundItemCorners(theme, nullptr, dc, iconColumn > 0 && (state == ITEM_BG_CHECKED ||
                                                                           state == ITEM_BG_CHECKED_DISABLED)
                                                             ? &column : rect, cornerMask);
}
