// Theme.cpp - the application's theme: refresh after a colour-mode change,
// release at exit, and the calls the framework's start-up makes.
#include "framework/ui/Theme.h"

#include "framework/core/AppObject.h"
#include "framework/core/AppWindow.h"

Theme g_theme;

void RefreshTheme(AppObject* app, uint8_t colourMode)
{
    app->appRecord.colourMode = colourMode;
    g_theme.app = app;
    InitThemeColors(&g_theme);
    for (int i = 0; i < g_theme.icons.count; i++) RecolorIcon(&g_theme, &g_theme.icons.data[i]);
    const UINT flags = RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_FRAME | RDW_ALLCHILDREN;
    for (int i = 0; i < app->windows.count; i++) RedrawWindow(app->windows.data[i]->window, nullptr, nullptr, flags);
}

void ReleaseTheme(Theme* theme)
{
    for (int i = 0; i < theme->icons.count; i++) {
        CommandIcon* e = &theme->icons.data[i];
        if (e->icon) DestroyIcon(e->icon);
        if (e->recoloured) DestroyIcon(e->recoloured);
    }
    FreeGrowArray(&theme->icons);
    if (theme->measureDC) {
        SelectObject(theme->measureDC, theme->measureOldBitmap);
        DeleteDC(theme->measureDC);
    }
    if (theme->measureBitmap) DeleteObject(theme->measureBitmap);
    theme->measureDC = nullptr;
    theme->measureBitmap = nullptr;
    theme->measureOldBitmap = nullptr;
    theme->measureBits = nullptr;
    for (int c = 0; c < THEME_FONT_CACHES; c++) {
        for (int i = 0; i < theme->fonts[c].count; i++) DeleteObject(theme->fonts[c].data[i].font);
        FreeGrowArray(&theme->fonts[c]);
    }
    theme->paintWindow = nullptr;
}

//--- start-up

int InitThemeColours(AppObject* app)
{
    g_theme.app = app;
    return InitThemeColors(&g_theme);
}

void CreateBaseFonts(AppObject* app, const char* face, uint32_t size, int dpi)
{
    g_theme.app = app;
    CreateFontSet(&g_theme, face, (int)size, dpi > 0 ? (UINT)dpi : 96);
}

int AddCommandIcon(AppObject* app, uint16_t commandId, uint16_t resource)
{
    g_theme.app = app;
    return AddCommandIcon(&g_theme, commandId, (uintptr_t)resource, 0);
}

int AddOwnerDrawnIcon(AppObject* app, uint16_t commandId, const uint16_t* size)
{
    g_theme.app = app;
    return AddCommandIcon(&g_theme, commandId, (uintptr_t)size, ICON_OWNER_DRAWN);
}

void FreeTheme(AppObject*)
{
    ReleaseTheme(&g_theme);
}
