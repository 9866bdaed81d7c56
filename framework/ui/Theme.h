// Theme.h - what the toolkit paints with: a table of derived colours, seven
// font caches with one font per DPI, a measuring DC, and the command icons
// with their recoloured copies for the disabled look.
#pragma once

#include <windows.h>

#include <stdint.h>

#include "framework/core/GrowArray.h"

struct AppObject;

// Font caches.
#define THEME_FONT_UI            0
#define THEME_FONT_UI_BOLD       1
#define THEME_FONT_UI_VERTICAL   2
#define THEME_FONT_FIXED         3   // "Courier New"
#define THEME_FONT_USER          4
#define THEME_FONT_USER_BOLD     5
#define THEME_FONT_USER_VERTICAL 6
#define THEME_FONT_CACHES        7

#define THEME_COLOURS 59

// Theme result codes.
#define THEME_ERR_MEMORY  0xF003
#define THEME_ERR_ICON    0xF005
#define THEME_ERR_NOTEXT  0xF008
#define THEME_ERR_NOICON  0xF009

// An icon entry drawn by its owner (ZRPMSG_OWNERDRAWICON).
#define ICON_OWNER_DRAWN 0x4000

struct FontEntry {
    uint32_t dpi;
    int32_t  size;          // pixels at 96 DPI
    int32_t  weight;
    int32_t  escapement;
    int32_t  pitch;
    char     face[MAX_PATH];
    HFONT    font;          // owned by the theme
    int32_t  textHeight;    // of "Ag"
    int32_t  spaceWidth;
};

struct CommandIcon {
    uint16_t  id;           // command id; the list is sorted by it
    uintptr_t source;       // icon resource id, or for an owner-drawn entry a
                            // pointer to its width and height (two uint16_t)
    uint32_t  param;        // ICON_OWNER_DRAWN
    HICON     icon;         // owned
    HICON     recoloured;   // owned: the disabled look
    uint16_t  width, height;
};

struct Theme {
    GrowArray<FontEntry> fonts[THEME_FONT_CACHES];
    COLORREF colours[THEME_COLOURS];
    HDC      measureDC;         // also holds the corner-blending work bitmap
    HBITMAP  measureBitmap;     // 16 x 16, 32-bit, top-down
    HGDIOBJ  measureOldBitmap;
    uint32_t* measureBits;
    HWND     paintWindow;       // the window painted through a double buffer
    GrowArray<CommandIcon> icons;
    AppObject* app;             // faces, colour mode and module come from here
};

// The application's theme.
extern Theme g_theme;

//--- colours
// Recomputes the colour table from the system colours and the colour mode of
// the application record; 0.
int InitThemeColors(Theme* theme);
// Stores the colour mode, recomputes colours and icons and redraws every
// application window.
void RefreshTheme(AppObject* app, uint8_t colourMode);
// Tests decide whether a visual style counts as active: -1 asks the system.
void SetVisualStyleOverride(int active);
bool IsVisualStyleActive();
// Blend of two colours, percent of the way from the first to the second.
COLORREF BlendColours(COLORREF from, COLORREF to, int percent);

//--- fonts
void CreateFontSet(Theme* theme, const char* userFace, int userSize, UINT dpi);
// Index of the cache's entry for the DPI, made when missing; -1 on failure.
int CreateFontForDpi(Theme* theme, int cache, const char* face, int size, int weight, int escapement,
                     UINT dpi, int pitch);
// Borrowed from the theme; never null while GDI can make a font.
HFONT GetThemeFont(Theme* theme, int cache, UINT dpi);
// The cache's entry for the DPI (made when missing), or null.
const FontEntry* GetThemeFontEntry(Theme* theme, int cache, UINT dpi);
// Single line with the font; 0 or THEME_ERR_NOTEXT.
int MeasureTextWithFont(Theme* theme, const char* text, int* width, int* height, HFONT font);
// Single line with the user font (bold: its bold cache); 0 or THEME_ERR_NOTEXT.
int MeasureThemeText(Theme* theme, const char* text, int* width, int* height, bool bold, UINT dpi);
// The margin unit of item layout: a space of the user font at the DPI.
int GetSpaceWidthForDpi(Theme* theme, UINT dpi);
// The measuring DC, made on first use; borrowed.
HDC GetThemeMeasureDC(Theme* theme);

//--- command icons
// 0, THEME_ERR_ICON (cannot be loaded) or THEME_ERR_MEMORY.
int AddCommandIcon(Theme* theme, uint16_t commandId, uintptr_t source, uint32_t param);
// Index of the command's icon, or -1.
int FindCommandIcon(const Theme* theme, uint16_t commandId);
// Reloads the icon and rebuilds its disabled look from theme colours 1 and 3.
int RecolorIcon(Theme* theme, CommandIcon* entry);
// Frees every icon, the measuring DC and every font.
void ReleaseTheme(Theme* theme);

//--- what the framework's start-up calls, on g_theme
int InitThemeColours(AppObject* app);
void CreateBaseFonts(AppObject* app, const char* face, uint32_t size, int dpi);
int AddCommandIcon(AppObject* app, uint16_t commandId, uint16_t resource);
// size: width and height, kept by the caller while the theme lives.
int AddOwnerDrawnIcon(AppObject* app, uint16_t commandId, const uint16_t* size);
void FreeTheme(AppObject* app);
