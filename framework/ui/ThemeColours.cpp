// ThemeColours.cpp - the table of derived colours: from the system (or visual
// style) colours and the colour mode of the "(ZRP)App" record.
#include "framework/ui/Theme.h"

#include "framework/core/AppObject.h"
#include "framework/core/TextUtil.h"

typedef BOOL(WINAPI* IsThemeActiveFn)();
typedef HANDLE(WINAPI* OpenThemeDataFn)(HWND, LPCWSTR);
typedef COLORREF(WINAPI* GetThemeSysColorFn)(HANDLE, int);
typedef HRESULT(WINAPI* CloseThemeDataFn)(HANDLE);

struct UxThemeFunctions {
    IsThemeActiveFn isThemeActive;
    OpenThemeDataFn openThemeData;
    GetThemeSysColorFn getThemeSysColor;
    CloseThemeDataFn closeThemeData;
};

static int g_styleOverride = -1;

void SetVisualStyleOverride(int active)
{
    g_styleOverride = active;
}

// Looked up once; each member may be null.
static const UxThemeFunctions* UxTheme()
{
    static UxThemeFunctions f;
    static bool loaded;
    if (!loaded) {
        loaded = true;
        HMODULE ux = LoadLibraryA("UxTheme.dll");
        if (ux) {
            f.isThemeActive = (IsThemeActiveFn)(void*)GetProcAddress(ux, "IsThemeActive");
            f.openThemeData = (OpenThemeDataFn)(void*)GetProcAddress(ux, "OpenThemeData");
            f.getThemeSysColor = (GetThemeSysColorFn)(void*)GetProcAddress(ux, "GetThemeSysColor");
            f.closeThemeData = (CloseThemeDataFn)(void*)GetProcAddress(ux, "CloseThemeData");
        }
    }
    return &f;
}

bool IsVisualStyleActive()
{
    if (g_styleOverride >= 0) return g_styleOverride != 0;
    const UxThemeFunctions* ux = UxTheme();
    return ux->isThemeActive && ux->openThemeData && ux->getThemeSysColor && ux->isThemeActive();
}

COLORREF BlendColours(COLORREF from, COLORREF to, int percent)
{
    int channel[3];
    for (int i = 0; i < 3; i++) {
        int a = (int)((from >> (8 * i)) & 0xFF), b = (int)((to >> (8 * i)) & 0xFF);
        channel[i] = a + (b - a) * percent / 100;
    }
    return RGB(channel[0], channel[1], channel[2]);
}

// The seven colours the table is derived from.
struct BaseColours {
    COLORREF caption, inactive, highlight, menuText, highlightText;
};

static void ReadBaseColours(BaseColours* base)
{
    static const int kIndex[7] = {COLOR_ACTIVECAPTION, COLOR_INACTIVECAPTION, COLOR_HIGHLIGHT, COLOR_MENUTEXT,
                                  COLOR_HIGHLIGHTTEXT, COLOR_GRADIENTACTIVECAPTION,
                                  COLOR_GRADIENTINACTIVECAPTION};
    COLORREF c[7];
    const UxThemeFunctions* ux = UxTheme();
    HANDLE style = nullptr;
    if (IsVisualStyleActive() && ux->openThemeData && ux->getThemeSysColor)
        style = ux->openThemeData(nullptr, L"WINDOW");
    BOOL gradient = FALSE;
    if (style) {
        for (int i = 0; i < 7; i++) c[i] = ux->getThemeSysColor(style, kIndex[i]);
        if (ux->closeThemeData) ux->closeThemeData(style);
    } else {
        for (int i = 0; i < 7; i++) c[i] = GetSysColor(kIndex[i]);
        SystemParametersInfoA(SPI_GETGRADIENTCAPTIONS, 0, &gradient, 0);
    }
    base->caption = gradient ? BlendColours(c[0], c[5], 40) : c[0];
    base->inactive = gradient ? BlendColours(c[1], c[6], 60) : c[1];
    base->highlight = c[2];
    base->menuText = c[3];
    base->highlightText = c[4];
}

static COLORREF S(COLORREF x, double lightness, double saturation)
{
    return ShiftColor(x, 0, lightness, saturation);
}

int InitThemeColors(Theme* theme)
{
    BaseColours base;
    ReadBaseColours(&base);
    const AppRecord* record = theme->app ? &theme->app->appRecord : nullptr;
    int mode = record ? record->colourMode : 0xFF;
    if (mode == 0xFF) mode = IsVisualStyleActive() ? 1 : 0;

    COLORREF A, C, D, E;
    double f = 0;
    if (mode <= 1) {
        f = 131.0 / 255 - (double)((RgbToHsl(base.caption) >> 8) & 0xFF) / 255;
        A = S(base.caption, f + 0.4, -0.25);
        C = base.highlight;
        D = base.menuText;
        E = base.highlightText;
    } else {
        A = record->backgroundColour;
        C = record->focusColour;
        D = record->textColour;
        E = record->highlightTextColour;
    }

    COLORREF* t = theme->colours;
    const COLORREF face = GetSysColor(COLOR_BTNFACE), light = GetSysColor(COLOR_BTNHIGHLIGHT),
                   shadow = GetSysColor(COLOR_BTNSHADOW), window = GetSysColor(COLOR_WINDOW);
    // Shared by every mode.
    t[4] = D;
    t[5] = E;
    t[6] = window;
    static const double kShade[8] = {-0.2, -0.1, 0, -0.1, -0.3, -0.2, -0.1, -0.2};
    for (int i = 0; i < 8; i++) {
        t[10 + i] = S(base.caption, kShade[i], 0.2);
        t[18 + i] = S(base.inactive, kShade[i], -0.2);
    }
    t[46] = C;
    t[47] = window;
    t[48] = GetSysColor(COLOR_HIGHLIGHTTEXT);
    t[49] = GetSysColor(COLOR_MENUTEXT);
    t[50] = GetSysColor(COLOR_GRAYTEXT);
    t[57] = face;
    t[58] = S(C, 0.7, -0.2);

    if (mode != 0) {
        t[0] = S(A, f + 0.2, -0.3);
        t[1] = S(A, f + 0.33, -0.1);
        t[2] = t[1];
        t[3] = S(A, f - 0.25, -0.8);
        t[26] = S(A, f - 0.6, -0.1);
        t[27] = S(A, f + 0.35, -0.1);
        t[28] = t[1];
        t[29] = t[3];
        t[30] = t[0];
        t[31] = t[3];
        t[32] = t[1];
        t[33] = S(A, f + 0.3, 0);
        t[34] = A;
        t[35] = t[0];
        t[36] = t[33];
        t[37] = t[34];
        t[38] = S(A, f + 0.4, -0.25);
        t[39] = t[1];
        t[40] = t[3];
        t[41] = S(C, f + 0.3, 0);
        t[42] = C;
        t[43] = S(C, f + 0.4, 0);
        t[44] = S(C, f + 0.2, 0);
        t[45] = S(A, f - 0.5, -0.5);
        t[51] = S(A, f + 0.35, -0.4);
        t[52] = S(t[51], f + 0.4, -0.2);
        t[53] = S(t[51], f - 0.2, -0.6);
    } else {
        const COLORREF caption = GetSysColor(COLOR_ACTIVECAPTION);
        t[0] = face;
        t[1] = GetSysColor(COLOR_3DLIGHT);
        t[2] = light;
        t[3] = shadow;
        t[26] = t[3];
        t[27] = t[2];
        t[28] = t[2];
        t[29] = t[3];
        t[30] = face;
        t[31] = t[3];
        t[32] = t[2];
        for (int i = 33; i <= 37; i++) t[i] = face;
        t[38] = GetSysColor(COLOR_MENU) == face ? light : GetSysColor(COLOR_MENU);
        t[39] = t[2];
        t[40] = t[3];
        t[41] = t[42] = BlendColours(caption, face, 75);
        t[43] = t[44] = BlendColours(caption, face, 85);
        t[45] = caption;
        t[51] = face;
        t[52] = light;
        t[53] = shadow;
    }
    t[54] = S(t[0], -0.2, -0.3);
    t[55] = S(t[0], -0.05, -0.3);
    t[56] = S(t[0], 0.05, -0.3);
    return 0;
}
