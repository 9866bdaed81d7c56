// ThemeFonts.cpp - seven font caches holding one font per DPI, and the
// measuring DC that sizes their texts.
#include "framework/ui/Theme.h"

#include "framework/core/AppObject.h"
#include "framework/core/TextUtil.h"

#include <string.h>

static const int kBaseSize = 12;   // pixels at 96 DPI

static const char* UiFace(const Theme* theme)
{
    return theme->app && theme->app->uiFontFace[0] ? theme->app->uiFontFace : "MS Shell Dlg";
}

HDC GetThemeMeasureDC(Theme* theme)
{
    if (theme->measureDC) return theme->measureDC;
    HDC dc = CreateCompatibleDC(nullptr);
    if (!dc) return nullptr;
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = 16;
    bi.bmiHeader.biHeight = -16;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap) {
        DeleteDC(dc);
        return nullptr;
    }
    theme->measureDC = dc;
    theme->measureBitmap = bitmap;
    theme->measureBits = (uint32_t*)bits;
    theme->measureOldBitmap = SelectObject(dc, bitmap);
    return dc;
}

static int FindFontEntry(const GrowArray<FontEntry>* cache, UINT dpi)
{
    for (int i = 0; i < cache->count; i++)
        if (cache->data[i].dpi == dpi) return i;
    return -1;
}

int CreateFontForDpi(Theme* theme, int cache, const char* face, int size, int weight, int escapement,
                     UINT dpi, int pitch)
{
    if (cache < 0 || cache >= THEME_FONT_CACHES) return -1;
    GrowArray<FontEntry>* list = &theme->fonts[cache];
    if (list->growStep == 0 && list->capacity == 0) InitGrowArray(list);
    int found = FindFontEntry(list, dpi);
    if (found >= 0) return found;

    FontEntry e = {};
    e.dpi = dpi;
    e.size = size;
    e.weight = weight;
    e.escapement = escapement;
    e.pitch = pitch;
    CopyText(e.face, sizeof(e.face), face);
    e.font = CreateFontA(-MulDiv(size, (int)dpi, 96), 0, escapement, 0, weight, FALSE, FALSE, FALSE,
                         DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                         (DWORD)pitch, e.face);
    if (!e.font) return -1;
    HDC dc = GetThemeMeasureDC(theme);
    if (dc) {
        HGDIOBJ old = SelectObject(dc, e.font);
        SIZE s = {};
        GetTextExtentPoint32A(dc, "Ag", 2, &s);
        e.textHeight = s.cy;
        GetTextExtentPoint32A(dc, " ", 1, &s);
        e.spaceWidth = s.cx;
        SelectObject(dc, old);
    }
    int index = ArrayAppend(list, &e);
    if (index < 0) DeleteObject(e.font);
    return index;
}

void CreateFontSet(Theme* theme, const char* userFace, int userSize, UINT dpi)
{
    const char* ui = UiFace(theme);
    const char* user = userFace && userFace[0] ? userFace : ui;
    int size = userFace && userFace[0] && userSize > 0 ? userSize : kBaseSize;
    CreateFontForDpi(theme, THEME_FONT_UI, ui, kBaseSize, FW_NORMAL, 0, dpi, DEFAULT_PITCH);
    CreateFontForDpi(theme, THEME_FONT_UI_BOLD, ui, kBaseSize, FW_BOLD, 0, dpi, DEFAULT_PITCH);
    CreateFontForDpi(theme, THEME_FONT_UI_VERTICAL, ui, kBaseSize, FW_NORMAL, -900, dpi, DEFAULT_PITCH);
    CreateFontForDpi(theme, THEME_FONT_FIXED, "Courier New", kBaseSize, FW_NORMAL, 0, dpi, FIXED_PITCH);
    CreateFontForDpi(theme, THEME_FONT_USER, user, size, FW_NORMAL, 0, dpi, DEFAULT_PITCH);
    CreateFontForDpi(theme, THEME_FONT_USER_BOLD, user, size, FW_BOLD, 0, dpi, DEFAULT_PITCH);
    CreateFontForDpi(theme, THEME_FONT_USER_VERTICAL, user, size, FW_NORMAL, -900, dpi, DEFAULT_PITCH);
}

static UINT DesktopDpi()
{
    HDC screen = GetDC(nullptr);
    int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi > 0 ? (UINT)dpi : 96;
}

const FontEntry* GetThemeFontEntry(Theme* theme, int cache, UINT dpi)
{
    if (cache < 0 || cache >= THEME_FONT_CACHES) return nullptr;
    if (dpi == 0) dpi = 96;
    // A request before start-up made the set still gets a usable font.
    if (theme->fonts[cache].count == 0) {
        const AppRecord* r = theme->app ? &theme->app->appRecord : nullptr;
        CreateFontSet(theme, r ? r->fontFace : nullptr, r ? (int)r->fontSize : 0, DesktopDpi());
    }
    GrowArray<FontEntry>* list = &theme->fonts[cache];
    if (list->count == 0) return nullptr;
    int i = FindFontEntry(list, dpi);
    if (i < 0) {
        FontEntry first = list->data[0];   // a copy: the list may move as it grows
        i = CreateFontForDpi(theme, cache, first.face, first.size, first.weight, first.escapement, dpi,
                             first.pitch);
    }
    return i >= 0 ? &list->data[i] : nullptr;
}

HFONT GetThemeFont(Theme* theme, int cache, UINT dpi)
{
    const FontEntry* e = GetThemeFontEntry(theme, cache, dpi);
    return e ? e->font : (HFONT)GetStockObject(DEFAULT_GUI_FONT);
}

int MeasureTextWithFont(Theme* theme, const char* text, int* width, int* height, HFONT font)
{
    if (!text || !text[0]) return THEME_ERR_NOTEXT;
    HDC dc = GetThemeMeasureDC(theme);
    if (!dc) return THEME_ERR_NOTEXT;
    HGDIOBJ old = SelectObject(dc, font);
    RECT r = {0, 0, 0, 0};
    DrawTextA(dc, text, -1, &r, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, old);
    if (width) *width = r.right - r.left;
    if (height) *height = r.bottom - r.top;
    return 0;
}

int MeasureThemeText(Theme* theme, const char* text, int* width, int* height, bool bold, UINT dpi)
{
    return MeasureTextWithFont(theme, text, width, height,
                               GetThemeFont(theme, bold ? THEME_FONT_USER_BOLD : THEME_FONT_USER, dpi));
}

int GetSpaceWidthForDpi(Theme* theme, UINT dpi)
{
    const FontEntry* e = GetThemeFontEntry(theme, THEME_FONT_USER, dpi);
    if (!e && theme->fonts[THEME_FONT_USER].count > 0) e = &theme->fonts[THEME_FONT_USER].data[0];
    return e ? e->spaceWidth : 0;
}
