// ThemeTest.cpp - the colour table against the system colours, font caches
// per DPI, and the command icons with their recoloured look.
#include "framework/core/AppObject.h"
#include "framework/core/TextUtil.h"
#include "framework/ui/Theme.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// A theme of its own over a record whose colour mode the test sets.
class ThemeColours : public testing::Test {
protected:
    void SetUp() override
    {
        app.appRecord.colourMode = 0;
        app.appRecord.backgroundColour = RGB(24, 110, 238);
        app.appRecord.focusColour = RGB(255, 173, 85);
        app.appRecord.textColour = RGB(10, 20, 30);
        app.appRecord.highlightTextColour = RGB(200, 210, 220);
        theme.app = &app;
    }
    void TearDown() override
    {
        SetVisualStyleOverride(-1);
        ReleaseTheme(&theme);
    }
    std::vector<COLORREF> Table(uint8_t mode)
    {
        app.appRecord.colourMode = mode;
        EXPECT_EQ(0, InitThemeColors(&theme));
        return std::vector<COLORREF>(theme.colours, theme.colours + THEME_COLOURS);
    }
    AppObject app = {};
    Theme theme = {};
};

// What a blend x % of the way from a to b gives, per channel, truncated.
COLORREF Towards(COLORREF a, COLORREF b, int percent)
{
    int c[3];
    for (int i = 0; i < 3; i++) {
        int from = (a >> (8 * i)) & 0xFF, to = (b >> (8 * i)) & 0xFF;
        c[i] = from + (to - from) * percent / 100;
    }
    return RGB(c[0], c[1], c[2]);
}

TEST_F(ThemeColours, ClassicModeIsTheSystemColours)
{
    std::vector<COLORREF> t = Table(0);
    static const struct { int index, sysColour; } kRows[] = {
        {0, COLOR_BTNFACE},       {1, COLOR_3DLIGHT},       {2, COLOR_BTNHIGHLIGHT},  {3, COLOR_BTNSHADOW},
        {4, COLOR_MENUTEXT},      {5, COLOR_HIGHLIGHTTEXT}, {6, COLOR_WINDOW},        {26, COLOR_BTNSHADOW},
        {27, COLOR_BTNHIGHLIGHT}, {28, COLOR_BTNHIGHLIGHT}, {29, COLOR_BTNSHADOW},    {30, COLOR_BTNFACE},
        {31, COLOR_BTNSHADOW},    {32, COLOR_BTNHIGHLIGHT}, {33, COLOR_BTNFACE},      {34, COLOR_BTNFACE},
        {35, COLOR_BTNFACE},      {36, COLOR_BTNFACE},      {37, COLOR_BTNFACE},      {39, COLOR_BTNHIGHLIGHT},
        {40, COLOR_BTNSHADOW},    {45, COLOR_ACTIVECAPTION}, {46, COLOR_HIGHLIGHT},   {47, COLOR_WINDOW},
        {48, COLOR_HIGHLIGHTTEXT}, {49, COLOR_MENUTEXT},    {50, COLOR_GRAYTEXT},     {51, COLOR_BTNFACE},
        {52, COLOR_BTNHIGHLIGHT}, {53, COLOR_BTNSHADOW},    {57, COLOR_BTNFACE},
    };
    for (const auto& row : kRows) {
        SCOPED_TRACE(testing::Message() << "index " << row.index);
        EXPECT_EQ(GetSysColor(row.sysColour), t[row.index]);
    }
    COLORREF menu = GetSysColor(COLOR_MENU);
    EXPECT_EQ(menu == GetSysColor(COLOR_BTNFACE) ? GetSysColor(COLOR_BTNHIGHLIGHT) : menu, t[38]);
    COLORREF caption = GetSysColor(COLOR_ACTIVECAPTION), face = GetSysColor(COLOR_BTNFACE);
    EXPECT_EQ(Towards(caption, face, 75), t[41]);
    EXPECT_EQ(Towards(caption, face, 75), t[42]);
    EXPECT_EQ(Towards(caption, face, 85), t[43]);
    EXPECT_EQ(Towards(caption, face, 85), t[44]);
    EXPECT_EQ(ShiftColor(face, 0, -0.2, -0.3), t[54]);
    EXPECT_EQ(ShiftColor(GetSysColor(COLOR_HIGHLIGHT), 0, 0.7, -0.2), t[58]);
}

TEST_F(ThemeColours, FollowTheSystemResolvesByTheVisualStyle)
{
    std::vector<COLORREF> classic = Table(0), styled = Table(1);
    ASSERT_NE(classic, styled) << "the two modes must differ for this test to mean anything";

    SetVisualStyleOverride(0);
    EXPECT_EQ(classic, Table(0xFF)) << "no visual style: classic";
    SetVisualStyleOverride(1);
    std::vector<COLORREF> followed = Table(0xFF);
    EXPECT_EQ(0xFF, app.appRecord.colourMode) << "the record keeps following the system";
    // With a style the base colours may come from the style itself, so compare
    // with mode 1 under the same style.
    EXPECT_EQ(Table(1), followed) << "a visual style: mode 1";

    SetVisualStyleOverride(-1);
    HMODULE ux = LoadLibraryA("UxTheme.dll");
    auto isActive = ux ? (BOOL(WINAPI*)())(void*)GetProcAddress(ux, "IsThemeActive") : nullptr;
    bool active = isActive && isActive();
    EXPECT_EQ(Table(active ? 1 : 0), Table(0xFF)) << "as the system says: " << active;
}

TEST_F(ThemeColours, CustomModeTakesItsKeyColoursFromTheRecord)
{
    std::vector<COLORREF> t = Table(2);
    const AppRecord& r = app.appRecord;
    EXPECT_EQ(r.backgroundColour, t[34]) << "the accent";
    EXPECT_EQ(r.focusColour, t[42]);
    EXPECT_EQ(r.focusColour, t[46]);
    EXPECT_EQ(r.textColour, t[4]);
    EXPECT_EQ(r.highlightTextColour, t[5]);
    EXPECT_EQ(ShiftColor(r.backgroundColour, 0, 0.2, -0.3), t[0]) << "no lightness correction in custom modes";
    EXPECT_EQ(ShiftColor(r.focusColour, 0, 0.3, 0), t[41]);
    EXPECT_EQ(ShiftColor(t[51], 0, 0.4, -0.2), t[52]);
    EXPECT_EQ(t[1], t[2]);
    EXPECT_EQ(t[34], t[37]);
}

//--- fonts

LONG FontHeight(HFONT font)
{
    LOGFONTA lf = {};
    GetObjectA(font, sizeof(lf), &lf);
    return lf.lfHeight;
}

TEST(ThemeFonts, OneFontPerCacheAndDpi)
{
    AppObject app = {};
    CopyText(app.uiFontFace, sizeof(app.uiFontFace), "Tahoma");
    Theme theme = {};
    theme.app = &app;
    CreateFontSet(&theme, nullptr, 0, 96);
    for (int c = 0; c < THEME_FONT_CACHES; c++) EXPECT_EQ(1, theme.fonts[c].count) << "cache " << c;

    HFONT first = GetThemeFont(&theme, THEME_FONT_UI_BOLD, 96);
    EXPECT_EQ(first, GetThemeFont(&theme, THEME_FONT_UI_BOLD, 96)) << "the same handle twice";
    EXPECT_EQ(1, theme.fonts[THEME_FONT_UI_BOLD].count);

    HFONT large = GetThemeFont(&theme, THEME_FONT_UI_BOLD, 144);
    EXPECT_NE(first, large);
    EXPECT_EQ(2, theme.fonts[THEME_FONT_UI_BOLD].count) << "a new entry at 144";
    EXPECT_EQ(-MulDiv(12, 144, 96), FontHeight(large));
    EXPECT_EQ(-12, FontHeight(first));
    EXPECT_EQ(large, GetThemeFont(&theme, THEME_FONT_UI_BOLD, 144));
    EXPECT_EQ(2, theme.fonts[THEME_FONT_UI_BOLD].count);
    EXPECT_EQ(1, CreateFontForDpi(&theme, THEME_FONT_UI_BOLD, "Tahoma", 12, FW_BOLD, 0, 144, DEFAULT_PITCH))
        << "an existing entry for the DPI is returned";
    EXPECT_EQ(2, theme.fonts[THEME_FONT_UI_BOLD].count);
    LOGFONTA lf = {};
    GetObjectA(large, sizeof(lf), &lf);
    EXPECT_EQ(FW_BOLD, lf.lfWeight) << "made from the cache's first entry";
    EXPECT_STREQ("Tahoma", lf.lfFaceName);

    const FontEntry* e = GetThemeFontEntry(&theme, THEME_FONT_USER, 144);
    ASSERT_NE(nullptr, e);
    EXPECT_GT(e->textHeight, 0);
    EXPECT_GT(e->spaceWidth, 0);
    EXPECT_EQ(e->spaceWidth, GetSpaceWidthForDpi(&theme, 144));
    ReleaseTheme(&theme);
    for (int c = 0; c < THEME_FONT_CACHES; c++) EXPECT_EQ(0, theme.fonts[c].count);
}

TEST(ThemeFonts, AFontAskedForBeforeTheSetExistsIsUsable)
{
    Theme theme = {};   // no application, no font set
    HFONT font = GetThemeFont(&theme, THEME_FONT_USER_BOLD, 120);
    ASSERT_NE(nullptr, font);
    LOGFONTA lf = {};
    ASSERT_EQ((int)sizeof(lf), GetObjectA(font, sizeof(lf), &lf));
    EXPECT_EQ(-MulDiv(12, 120, 96), lf.lfHeight);
    int width = 0, height = 0;
    EXPECT_EQ(0, MeasureThemeText(&theme, "Ag", &width, &height, false, 96));
    EXPECT_GT(width, 0);
    EXPECT_EQ(THEME_ERR_NOTEXT, MeasureThemeText(&theme, "", &width, &height, false, 96));
    EXPECT_EQ(nullptr, GetThemeFontEntry(&theme, THEME_FONT_CACHES, 96)) << "no such cache";
    ReleaseTheme(&theme);
}

//--- command icons

class ThemeIcons : public testing::Test {
protected:
    void SetUp() override
    {
        app.appRecord.colourMode = 1;
        theme.app = &app;
        InitThemeColors(&theme);
    }
    void TearDown() override { ReleaseTheme(&theme); }
    AppObject app = {};
    Theme theme = {};
};

TEST_F(ThemeIcons, SortedByCommandAndFoundByBinarySearch)
{
    const uint16_t ids[] = {0xF150, 0xF110, 0xF160, 0xF120, 0xF111, 0xF130, 0xF140};
    for (uint16_t id : ids) ASSERT_EQ(0, AddCommandIcon(&theme, id, 0xC350 + (id & 0xF), 0)) << std::hex << id;
    ASSERT_EQ(7, theme.icons.count);
    for (int i = 1; i < theme.icons.count; i++) EXPECT_LT(theme.icons.data[i - 1].id, theme.icons.data[i].id);
    for (uint16_t id : ids) {
        int i = FindCommandIcon(&theme, id);
        ASSERT_GE(i, 0) << std::hex << id;
        EXPECT_EQ(id, theme.icons.data[i].id);
        EXPECT_EQ(16, theme.icons.data[i].width);
        EXPECT_NE(nullptr, theme.icons.data[i].recoloured);
    }
    EXPECT_EQ(-1, FindCommandIcon(&theme, 0xF115));
    EXPECT_EQ(-1, FindCommandIcon(&theme, 0x0001));

    // A second icon for an id goes after the first.
    ASSERT_EQ(0, AddCommandIcon(&theme, 0xF120, 0xC358, 0));
    int first = 0;
    while (theme.icons.data[first].id != 0xF120) first++;
    EXPECT_EQ(0xC350u, theme.icons.data[first].source);
    EXPECT_EQ(0xC358u, theme.icons.data[first + 1].source);

    EXPECT_EQ(THEME_ERR_ICON, AddCommandIcon(&theme, 0xF170, 0x7777, 0)) << "no such resource";
    EXPECT_EQ(-1, FindCommandIcon(&theme, 0xF170));
    static const uint16_t size[2] = {24, 20};
    EXPECT_EQ(0, AddCommandIcon(&theme, 0xF180, (uintptr_t)size, ICON_OWNER_DRAWN));
    int owner = FindCommandIcon(&theme, 0xF180);
    ASSERT_GE(owner, 0);
    EXPECT_EQ(24, theme.icons.data[owner].width);
    EXPECT_EQ(20, theme.icons.data[owner].height);
    EXPECT_EQ(nullptr, theme.icons.data[owner].icon);
}

// Colour and mask pixels of an icon, 32-bit, top-down.
struct IconPixels {
    int width = 0, height = 0;
    std::vector<uint32_t> colour, mask;
};

std::vector<uint32_t> ReadBitmap(HBITMAP bitmap, int width, int height)
{
    std::vector<uint32_t> px((size_t)width * height);
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    HDC dc = GetDC(nullptr);
    GetDIBits(dc, bitmap, 0, height, px.data(), &bi, DIB_RGB_COLORS);
    ReleaseDC(nullptr, dc);
    return px;
}

IconPixels ReadIcon(HICON icon)
{
    IconPixels p;
    ICONINFO info = {};
    if (!GetIconInfo(icon, &info)) return p;
    BITMAP bm = {};
    GetObjectA(info.hbmColor, sizeof(bm), &bm);
    p.width = bm.bmWidth;
    p.height = bm.bmHeight;
    p.colour = ReadBitmap(info.hbmColor, p.width, p.height);
    p.mask = ReadBitmap(info.hbmMask, p.width, p.height);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return p;
}

int Chan(COLORREF c, int i)
{
    return (c >> (8 * i)) & 0xFF;
}

// The disabled look as computed from the icon's own pixels: the blue bytes'
// average over visible pixels moves to 128, then each pixel's brightness
// picks a colour between theme colours 3 and 1.
std::vector<uint32_t> ExpectedRecolour(const IconPixels& src, COLORREF light, COLORREF dark)
{
    double sum = 0;
    int visible = 0;
    for (size_t i = 0; i < src.colour.size(); i++)
        if ((src.mask[i] & 0xFF) < 255) {
            sum += src.colour[i] & 0xFF;
            visible++;
        }
    double offset = visible ? 128 - sum / visible : 0;
    std::vector<uint32_t> out = src.colour;
    for (size_t i = 0; i < out.size(); i++) {
        if ((src.mask[i] & 0xFF) == 255) continue;
        uint32_t p = src.colour[i];
        double t = ((p & 0xFF) + ((p >> 8) & 0xFF) + ((p >> 16) & 0xFF) + offset) / 765.0;
        int rgb[3];
        for (int c = 0; c < 3; c++) {
            double v = t * Chan(light, c) + (1 - t) * Chan(dark, c);
            rgb[c] = v < 0 ? 0 : v > 255 ? 255 : (int)v;
        }
        out[i] = (p & 0xFF000000u) | ((uint32_t)rgb[0] << 16) | ((uint32_t)rgb[1] << 8) | (uint32_t)rgb[2];
    }
    return out;
}

TEST_F(ThemeIcons, RecolouredPixelsFollowTheBrightnessRule)
{
    static const struct { uint16_t resource; const char* why; } kIcons[] = {
        {0xC350, "many colours"}, {0xC351, "four colours"}, {0xC354, "white, black and red"},
        {900, "all visible pixels black"}};
    for (const auto& row : kIcons) {
        SCOPED_TRACE(row.why);
        ASSERT_EQ(0, AddCommandIcon(&theme, row.resource, row.resource, 0));
        const CommandIcon& e = theme.icons.data[FindCommandIcon(&theme, row.resource)];
        IconPixels src = ReadIcon(e.icon), got = ReadIcon(e.recoloured);
        ASSERT_EQ(16, src.width);
        EXPECT_EQ(src.mask, got.mask) << "the icon's own mask";
        std::vector<uint32_t> want = ExpectedRecolour(src, theme.colours[1], theme.colours[3]);
        for (size_t i = 0; i < want.size(); i++)
            ASSERT_EQ(want[i] & 0xFFFFFF, got.colour[i] & 0xFFFFFF) << "pixel " << i;
    }
    // All black: every visible pixel 128/765 of the way from colour 3 to colour 1.
    const CommandIcon& black = theme.icons.data[FindCommandIcon(&theme, 900)];
    IconPixels got = ReadIcon(black.recoloured);
    int c = 8 * 16 + 8;   // a pixel in the black square
    for (int ch = 0; ch < 3; ch++) {
        int want = (int)(128.0 / 765 * Chan(theme.colours[1], ch) + (1 - 128.0 / 765) * Chan(theme.colours[3], ch));
        EXPECT_EQ(want, (int)((got.colour[c] >> (8 * (2 - ch))) & 0xFF)) << "channel " << ch;
    }
}

TEST_F(ThemeIcons, AnIconWithoutVisiblePixelsIsRecolouredWithoutFault)
{
    ASSERT_EQ(0, AddCommandIcon(&theme, 1, 901, 0));
    const CommandIcon& e = theme.icons.data[0];
    EXPECT_NE(nullptr, e.recoloured);
    IconPixels src = ReadIcon(e.icon), got = ReadIcon(e.recoloured);
    EXPECT_EQ(src.colour, got.colour) << "nothing visible, nothing changed";
}

TEST_F(ThemeIcons, RefreshRecoloursTheIconsForTheNewMode)
{
    ASSERT_EQ(0, AddCommandIcon(&theme, 1, 900, 0));
    IconPixels before = ReadIcon(theme.icons.data[0].recoloured);
    app.appRecord.backgroundColour = RGB(200, 30, 30);
    g_theme = theme;   // RefreshTheme works on the application's theme
    RefreshTheme(&app, 2);
    theme = g_theme;
    g_theme = Theme{};
    EXPECT_EQ(2, app.appRecord.colourMode);
    IconPixels after = ReadIcon(theme.icons.data[0].recoloured);
    EXPECT_NE(before.colour, after.colour);
    EXPECT_EQ(ExpectedRecolour(ReadIcon(theme.icons.data[0].icon), theme.colours[1], theme.colours[3]),
              after.colour);
}

}  // namespace
