// Paint.h - the drawing vocabulary of UI items, menus, lists and application
// windows: double buffering, item backgrounds with anti-aliased corners, theme
// text, command icons, glyphs, gradients, edges and fills. Colours are theme
// colours by index; nothing is kept between calls except the window painted
// through a double buffer (Theme.paintWindow).
#pragma once

#include <windows.h>

#include <stdint.h>

struct Theme;

struct BufferedPaint {
    int     width, height;
    HDC     memoryDC;
    HDC     realDC;
    HBITMAP bitmap;
    HGDIOBJ oldBitmap;
};

// Redirects *dc to a memory DC of the size; false (dc unchanged) on failure.
bool BeginBufferedPaint(BufferedPaint* record, HDC* dc, int width, int height);
// Copies the buffer to the real DC and frees it.
void EndBufferedPaint(BufferedPaint* record);

// Background states of PaintItemBackground.
#define ITEM_BG_NORMAL          0
#define ITEM_BG_HOT             1
#define ITEM_BG_PRESSED         2
#define ITEM_BG_RAISED          3
#define ITEM_BG_SUNKEN          4
#define ITEM_BG_FLAT            5
#define ITEM_BG_CHECKED         6
#define ITEM_BG_CHECKED_DISABLED 7
#define ITEM_BG_CUSTOM          8
#define ITEM_BG_NONE            9

// Corner mask bits.
#define CORNER_TOP_LEFT     1
#define CORNER_TOP_RIGHT    2
#define CORNER_BOTTOM_LEFT  4
#define CORNER_BOTTOM_RIGHT 8

// One entry of a corner weight table: output = first + (second - first) x
// weight / 100 per channel; first from the background (source 0) or the item.
struct CornerWeight {
    uint8_t weight, source, first, second;
};
extern const CornerWeight kCornerWeights[4][9];   // top left, top right, bottom left, bottom right

// Colour indices of -1 take the state's defaults.
void PaintItemBackground(Theme* theme, HDC dc, const RECT* rect, int state, int cornerMask, int iconColumn,
                         int colourIndex, int gradientFrom, int gradientTo);
// Has the parent of the DC's window paint its background under the rectangle:
// ZRPMSG_PAINTBACKGROUND with wParam the DC and lParam the window's offset in
// the parent (low word x, high word y); the parent paints its own client area
// with the DC's viewport moved back by that offset.
void PaintParentBackground(Theme* theme, HWND parent, HDC dc, const RECT* rect);
void RoundItemCorners(Theme* theme, HWND parent, HDC dc, const RECT* rect, int cornerMask);
void BlendCornerPixels(Theme* theme, HWND parent, HDC dc, const RECT* block, const CornerWeight* weights);

// Text states 0 disabled, 1 enabled, 2 hot; 3 takes the COLORREF in bits 8-31.
#define TEXT_STATE_COLOUR(c) (3u | ((uint32_t)(c) << 8))
// Alignment 0 left, 1 centre, 2 right; TEXT_VERTICAL draws top to bottom.
#define TEXT_VERTICAL 0x100

// One line, vertically centred, ending in an ellipsis when it does not fit.
void DrawThemeText(Theme* theme, HDC dc, UINT dpi, const char* format, uint32_t colourState, const RECT* rect,
                   int alignment, bool bold, ...) __attribute__((format(printf, 4, 9)));

// 0, or THEME_ERR_NOICON. Disabled commands (no flag 0x1) get the recoloured icon.
int DrawCommandIcon(Theme* theme, HDC dc, uint16_t commandId, uint32_t commandFlags, const RECT* rect);

#define ARROW_RIGHT 0
#define ARROW_DOWN  1
#define ARROW_UP    2
void DrawArrowGlyph(Theme* theme, HDC dc, int textState, int direction, const RECT* rect);
void DrawCheckMark(Theme* theme, HDC dc, const RECT* rect);

void FillGradient(HDC dc, COLORREF from, COLORREF to, const RECT* rect, bool vertical);
void Draw3DEdge(HDC dc, const RECT* rect, bool raised, COLORREF light, COLORREF dark);
// Deflates rect by one; with a DC also paints the raised frame and the fill.
void PaintFramedPanel(Theme* theme, HDC dc, RECT* rect);
void FillRectWithColor(HDC dc, const RECT* rect, COLORREF colour);
void FrameRectWithColor(HDC dc, const RECT* rect, COLORREF colour);

// Bounds in either order: -1 raised to the smaller, 1 lowered to the larger, 0 inside.
int ClampToRange(int* value, int boundA, int boundB);
