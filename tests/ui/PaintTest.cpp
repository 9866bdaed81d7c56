// PaintTest.cpp - the paint routines drawn into a 32-bit DIB: item
// backgrounds per state, the corner blend over a parent's background,
// gradients, text ellipses and disabled command icons.
#include "framework/core/AppObject.h"
#include "framework/ui/Paint.h"
#include "framework/ui/Theme.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const COLORREF kSentinel = RGB(1, 2, 3);

// The parent answers the background request with plain black.
LRESULT CALLBACK BlackParentProc(HWND w, UINT m, WPARAM wp, LPARAM lp)
{
    if (m == ZRPMSG_PAINTBACKGROUND) {
        HDC dc = (HDC)wp;
        RECT r;
        GetClientRect(w, &r);
        POINT org;
        OffsetViewportOrgEx(dc, -(short)LOWORD(lp), -(short)HIWORD(lp), &org);
        FillRect(dc, &r, (HBRUSH)GetStockObject(BLACK_BRUSH));
        SetViewportOrgEx(dc, org.x, org.y, nullptr);
        return 1;
    }
    return DefWindowProcA(w, m, wp, lp);
}

class Painting : public testing::Test {
protected:
    void SetUp() override
    {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = BlackParentProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "PSPaintParent";
        RegisterClassA(&wc);
        parent = CreateWindowExA(0, "PSPaintParent", "", WS_POPUP, 0, 0, 200, 100, nullptr, nullptr, nullptr, nullptr);
        item = CreateWindowExA(0, "STATIC", "", WS_CHILD, 20, 10, kW, kH, parent, nullptr, nullptr, nullptr);
        ASSERT_TRUE(parent && item);
        app.appRecord.colourMode = 1;
        theme.app = &app;
        InitThemeColors(&theme);
        theme.paintWindow = item;   // the DIB stands in for the item's buffer

        BITMAPINFO bi = {};
        bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
        bi.bmiHeader.biWidth = kW;
        bi.bmiHeader.biHeight = -kH;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        dc = CreateCompatibleDC(nullptr);
        bitmap = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, (void**)&bits, nullptr, 0);
        old = SelectObject(dc, bitmap);
        Clear();
    }
    void TearDown() override
    {
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
        ReleaseTheme(&theme);
        DestroyWindow(parent);
    }
    void Clear(COLORREF c = kSentinel)
    {
        RECT all = {0, 0, kW, kH};
        FillRectWithColor(dc, &all, c);
        GdiFlush();
    }
    COLORREF At(int x, int y)
    {
        GdiFlush();
        uint32_t p = bits[y * kW + x];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
    COLORREF C(int index) { return theme.colours[index]; }

    static constexpr int kW = 48, kH = 24;
    AppObject app = {};
    Theme theme = {};
    HWND parent = nullptr, item = nullptr;
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ old = nullptr;
    uint32_t* bits = nullptr;
};

// Close within a gradient's step.
bool Near(COLORREF a, COLORREF b, int tolerance)
{
    for (int i = 0; i < 3; i++) {
        int d = (int)((a >> (8 * i)) & 0xFF) - (int)((b >> (8 * i)) & 0xFF);
        if (d > tolerance || d < -tolerance) return false;
    }
    return true;
}

TEST_F(Painting, ItemBackgroundOfEachState)
{
    // Distinct colours, so that every check below can fail.
    for (int i = 0; i < THEME_COLOURS; i++) theme.colours[i] = RGB(10 + i * 4, 200 - i * 3, (i * 37) & 0xFF);
    const RECT r = {0, 0, kW, kH};
    const int mid = kH / 2, last = kW - 1, bottom = kH - 1;
    struct Probe {
        int x, y;
        int colour;   // theme index; -2 black (the parent), -3 untouched
    };
    static const struct {
        int state, iconColumn, colour, from, to;
        Probe probes[4];
        const char* why;
    } kStates[] = {
        {ITEM_BG_NORMAL, 0, -1, -1, -1, {{5, 5, -2}, {0, 0, -2}, {last, bottom, -2}, {20, mid, -2}}, "parent"},
        {ITEM_BG_HOT, 0, -1, -1, -1, {{5, 0, 45}, {0, mid, 45}, {5, 1, 41}, {last, mid, 45}}, "hot"},
        {ITEM_BG_PRESSED, 0, -1, -1, -1, {{5, 0, 45}, {5, 1, 43}, {5, bottom, 45}, {0, 5, 45}}, "pressed"},
        {ITEM_BG_PRESSED, 0, 46, -1, -1, {{5, 0, 46}, {5, 1, 43}, {5, bottom, 46}, {0, 5, 46}}, "pressed, frame given"},
        {ITEM_BG_RAISED, 0, -1, -1, -1, {{0, mid, 53}, {5, 0, 53}, {last, mid, 52}, {5, mid, 51}}, "raised"},
        {ITEM_BG_RAISED, 0, 46, -1, -1, {{0, mid, 53}, {last, mid, 51}, {5, bottom, 51}, {5, mid, 46}}, "raised, colour given"},
        {ITEM_BG_SUNKEN, 0, -1, -1, -1, {{0, mid, 52}, {5, 0, 52}, {last, mid, 53}, {5, mid, 51}}, "sunken"},
        {ITEM_BG_FLAT, 0, -1, -1, -1, {{0, 0, 51}, {last, bottom, 51}, {5, mid, 51}, {20, 3, 51}}, "flat"},
        {ITEM_BG_CHECKED, 16, -1, -1, -1, {{0, mid, 45}, {5, 1, 43}, {15, mid, 45}, {30, mid, -2}}, "checked, icon column"},
        {ITEM_BG_CHECKED, 0, -1, -1, -1, {{0, mid, 45}, {5, 1, 43}, {last, mid, 45}, {30, 1, 43}}, "checked"},
        {ITEM_BG_CHECKED_DISABLED, 0, -1, -1, -1, {{0, mid, 3}, {5, 0, 3}, {last, mid, 2}, {5, mid, 51}}, "checked, disabled"},
        {ITEM_BG_CHECKED_DISABLED, 16, -1, -1, -1, {{0, mid, 3}, {15, mid, 2}, {30, mid, -2}, {5, 0, 3}}, "checked, disabled, icon column"},
        {ITEM_BG_CUSTOM, 0, -1, 46, 47, {{5, 0, 45}, {5, 1, 46}, {0, mid, 45}, {last, 5, 45}}, "custom"},
        {ITEM_BG_NONE, 0, -1, -1, -1, {{5, 5, -3}, {0, 0, -3}, {last, bottom, -3}, {20, mid, -3}}, "none"},
    };
    for (const auto& row : kStates) {
        SCOPED_TRACE(row.why);
        Clear();
        PaintItemBackground(&theme, dc, &r, row.state, 0, row.iconColumn, row.colour, row.from, row.to);
        for (const Probe& p : row.probes) {
            COLORREF want = p.colour == -2 ? RGB(0, 0, 0) : p.colour == -3 ? kSentinel : C(p.colour);
            EXPECT_EQ(want, At(p.x, p.y)) << "at " << p.x << "," << p.y;
        }
    }
    // The gradient runs down to its second colour.
    Clear();
    PaintItemBackground(&theme, dc, &r, ITEM_BG_HOT, 0, 0, -1, -1, -1);
    const int h = kH;
    EXPECT_TRUE(Near(C(42), At(5, h - 2), 12)) << std::hex << At(5, h - 2);
}

TEST_F(Painting, CornersBlendTheItemIntoTheParentWithTheirWeights)
{
    const COLORREF item = RGB(200, 120, 40);
    theme.colours[51] = item;
    const RECT r = {0, 0, kW, kH};
    PaintItemBackground(&theme, dc, &r, ITEM_BG_FLAT, 0, 0, -1, -1, -1);
    EXPECT_EQ(item, At(0, 0)) << "mask 0 leaves the corners square";

    PaintItemBackground(&theme, dc, &r, ITEM_BG_FLAT, 15, 0, -1, -1, -1);
    const POINT corner[4] = {{0, 0}, {kW - 3, 0}, {0, kH - 3}, {kW - 3, kH - 3}};
    for (int c = 0; c < 4; c++)
        for (int n = 0; n < 9; n++) {
            const CornerWeight& w = kCornerWeights[c][n];
            // Over black a background source scales the item by the weight;
            // two item pixels blend into the item itself.
            int scale = w.source == 0 ? w.weight : 100;
            COLORREF want = RGB(200 * scale / 100, 120 * scale / 100, 40 * scale / 100);
            EXPECT_EQ(want, At(corner[c].x + n % 3, corner[c].y + n / 3)) << "corner " << c << " pixel " << n;
        }
    EXPECT_EQ(item, At(3, 3)) << "inside the corners nothing changes";
    EXPECT_EQ(item, At(kW / 2, 0));
}

TEST_F(Painting, GradientsRunFromTheFirstColourToTheSecond)
{
    const RECT r = {0, 0, kW, kH};
    FillGradient(dc, RGB(0, 0, 0), RGB(240, 120, 0), &r, true);
    EXPECT_EQ(RGB(0, 0, 0), At(7, 0));
    EXPECT_TRUE(Near(RGB(240, 120, 0), At(7, kH - 1), 240 / kH + 1));
    EXPECT_EQ(At(0, 5), At(kW - 1, 5)) << "vertical: each row one colour";
    FillGradient(dc, RGB(0, 0, 0), RGB(240, 120, 0), &r, false);
    EXPECT_TRUE(Near(RGB(240, 120, 0), At(kW - 1, 3), 240 / kW + 1));
    EXPECT_EQ(At(5, 0), At(5, kH - 1)) << "horizontal: each column one colour";
}

// Pixels of a string drawn plainly, to compare the theme's drawing against.
std::string Snapshot(const uint32_t* bits, int n)
{
    return std::string((const char*)bits, (size_t)n * 4);
}

TEST_F(Painting, LongTextEndsInAnEllipsis)
{
    const RECT r = {0, 0, kW, kH};
    std::string longText(3000, 'W');
    Clear(RGB(255, 255, 255));
    DrawThemeText(&theme, dc, 96, "%s", 1, &r, 0, false, longText.c_str());
    std::string drawn = Snapshot(bits, kW * kH);

    // The same font, the longest run of W that leaves room for "...".
    HFONT font = GetThemeFont(&theme, THEME_FONT_USER, 96);
    HGDIOBJ oldFont = SelectObject(dc, font);
    std::string shown;
    for (;;) {
        std::string next = shown + "W" + "...";
        SIZE s;
        GetTextExtentPoint32A(dc, next.c_str(), (int)next.size(), &s);
        if (s.cx > kW) break;
        shown += "W";
    }
    shown += "...";
    Clear(RGB(255, 255, 255));
    SetTextColor(dc, C(4));
    SetBkMode(dc, TRANSPARENT);
    RECT plain = r;
    DrawTextA(dc, shown.c_str(), -1, &plain, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    SelectObject(dc, oldFont);
    EXPECT_EQ(Snapshot(bits, kW * kH), drawn) << "drawn as \"" << shown << "\"";

    // A short text is drawn whole: the same picture as the text itself.
    Clear(RGB(255, 255, 255));
    DrawThemeText(&theme, dc, 96, "%s", TEXT_STATE_COLOUR(RGB(0, 0, 0)), &r, 1, false, "Ok");
    bool inked = false;
    for (int i = 0; i < kW * kH; i++) inked |= (bits[i] & 0xFFFFFF) == 0;
    EXPECT_TRUE(inked) << "state 3 draws in the colour it carries";
}

TEST_F(Painting, DisabledCommandsDrawTheRecolouredIcon)
{
    ASSERT_EQ(0, AddCommandIcon(&theme, 0xF110, 0xC354, 0));
    const CommandIcon& e = theme.icons.data[FindCommandIcon(&theme, 0xF110)];
    const RECT r = {4, 4, 20, 20};
    auto draw = [&](HICON icon) {
        Clear();
        DrawIconEx(dc, 4, 4, icon, 16, 16, 0, nullptr, DI_NORMAL);
        return Snapshot(bits, kW * kH);
    };
    std::string normal = draw(e.icon), recoloured = draw(e.recoloured);
    ASSERT_NE(normal, recoloured);

    Clear();
    EXPECT_EQ(0, DrawCommandIcon(&theme, dc, 0xF110, 0x1, &r));
    EXPECT_EQ(normal, Snapshot(bits, kW * kH)) << "enabled";
    Clear();
    EXPECT_EQ(0, DrawCommandIcon(&theme, dc, 0xF110, 0x800, &r));
    EXPECT_EQ(recoloured, Snapshot(bits, kW * kH)) << "disabled, even when checked";
    EXPECT_EQ(THEME_ERR_NOICON, DrawCommandIcon(&theme, dc, 0xF111, 0x1, &r));
}

TEST(PaintClamp, BoundsInEitherOrder)
{
    static const struct { int value, a, b, want, result; } kRows[] = {
        {12, 10, 0, 10, 1}, {12, 0, 10, 10, 1}, {-3, 10, 0, 0, -1}, {5, 10, 0, 5, 0}, {10, 10, 0, 10, 0},
        {7, 7, 7, 7, 0},
    };
    for (const auto& row : kRows) {
        int v = row.value;
        EXPECT_EQ(row.result, ClampToRange(&v, row.a, row.b)) << row.value << " in " << row.a << ".." << row.b;
        EXPECT_EQ(row.want, v);
    }
}

TEST_F(Painting, GlyphsFillTheirShapeInTheTextColour)
{
    const RECT r = {0, 0, kH, kH};
    Clear(RGB(255, 255, 255));
    DrawArrowGlyph(&theme, dc, 2, ARROW_RIGHT, &r);
    EXPECT_EQ(C(5), At(kH / 2, kH / 2)) << "the centre is inside the triangle";
    EXPECT_EQ(RGB(255, 255, 255), At(2, 2)) << "the corner is not";
    Clear(RGB(255, 255, 255));
    DrawCheckMark(&theme, dc, &r);
    int inked = 0;
    for (int y = 0; y < kH; y++)
        for (int x = 0; x < kH; x++) inked += At(x, y) == C(5);
    EXPECT_GT(inked, kH) << "the check mark is drawn in the hot text colour";
}

}  // namespace

// The system draws caption buttons, check marks and scroll arrows as glyphs
// of Marlett; a prefix without the font shows the letters "0", "1", "r" of a
// fallback face in their place.
TEST(SystemGlyphs, TheCaptionButtonFontIsFound)
{
    HDC dc = GetDC(nullptr);
    ASSERT_NE(nullptr, dc);
    HFONT font = CreateFontA(-16, 0, 0, 0, FW_NORMAL, 0, 0, 0, SYMBOL_CHARSET, 0, 0, 0, 0, "Marlett");
    ASSERT_NE(nullptr, font);
    HGDIOBJ old = SelectObject(dc, font);
    char face[LF_FACESIZE] = {};
    GetTextFaceA(dc, sizeof(face), face);
    SelectObject(dc, old);
    DeleteObject(font);
    ReleaseDC(nullptr, dc);
    EXPECT_STREQ("Marlett", face);
}
