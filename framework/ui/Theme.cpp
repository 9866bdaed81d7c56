// Theme.cpp - what start-up needs of the theme: its colour mode, base fonts and
// the table of command icons. Owner-drawn items read these when they paint.
#include "framework/ui/Theme.h"

#include "framework/core/AppObject.h"
#include "framework/core/GrowArray.h"
#include "framework/core/TextUtil.h"

struct CommandIcon {
    uint16_t iconId;
    uint16_t resource;
};

static GrowArray<CommandIcon> g_icons;
static HFONT g_baseFont;

int InitThemeColours(AppObject* app)
{
    // A colour mode outside none/default/custom is the never-set default.
    if (app->appRecord.colourMode > 2) app->appRecord.colourMode = 1;
    return 0;
}

void CreateBaseFonts(AppObject* app, const char* face, uint32_t pointSize, int dpi)
{
    if (g_baseFont) DeleteObject(g_baseFont);
    LOGFONTA lf = {};
    lf.lfHeight = -MulDiv(pointSize ? (int)pointSize : 9, dpi > 0 ? dpi : 96, 72);
    lf.lfCharSet = DEFAULT_CHARSET;
    CopyText(lf.lfFaceName, sizeof(lf.lfFaceName), face && *face ? face : app->uiFontFace);
    g_baseFont = CreateFontIndirectA(&lf);
}

int AddCommandIcon(AppObject*, uint16_t iconId, uint16_t resource)
{
    if (g_icons.growStep == 0) InitGrowArray(&g_icons);
    for (int i = 0; i < g_icons.count; i++)
        if (g_icons.data[i].iconId == iconId) {
            g_icons.data[i].resource = resource;
            return 0;
        }
    CommandIcon icon = {iconId, resource};
    return ArrayAppend(&g_icons, &icon) < 0 ? 0xF00A : 0;
}

uint16_t FindCommandIconResource(uint16_t iconId)
{
    for (int i = 0; i < g_icons.count; i++)
        if (g_icons.data[i].iconId == iconId) return g_icons.data[i].resource;
    return 0;
}

void FreeTheme(AppObject*)
{
    FreeGrowArray(&g_icons);
    if (g_baseFont) DeleteObject(g_baseFont);
    g_baseFont = nullptr;
}
