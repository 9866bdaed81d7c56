// ImageButtonsTest.cpp - every image button shows its icon on the screen
// and has its tooltip in its dialog's own tooltip window, read as another
// process would read it; a nested dialog's tooltips go with it and leave
// the outer dialog's working. The running program's main dialog likewise.
#include "engine/ProductStrings.h"
#include "framework/core/AppObject.h"
#include "framework/core/MonitorTable.h"
#include "framework/core/StringTable.h"
#include "tests/support/DialogDriver.h"
#include "tests/support/ProgramFixture.h"
#include "tests/support/TestEnv.h"
#include "ui/ImageButtons.h"
#include "ui/MainDialogRes.h"

#include <gtest/gtest.h>

#include <stdlib.h>

#include <string>
#include <vector>

namespace {

const int kButtonsDialog = 2901;    // every image button, and kNoRowButton
const int kNestedDialog = 2902;     // four of them
const int kNoRowButton = 1003;      // an icon button that is in no row

// The buttons' table as the user sees it: control, icon, tooltip.
struct Row {
    int control, icon;
    const char* tip;
};
const Row kRows[] = {
    {1010, 23, "Delete"},  {1011, 22, "Edit..."},   {1008, 24, "Copy"},      {1026, 25, "Paste"},
    {1000, 29, "Add..."},  {1001, 30, "Move Up"},   {1002, 31, "Move Down"}, {1009, 32, "Import..."},
    {1012, 33, "Export..."}, {1325, 34, "Run Profile"},
};
const int kNestedRows[] = {1010, 1000, 1001, 1002};   // in the table's order

// lParam of the test dialogs: AddButtonToolTips's recreate flag.
INT_PTR CALLBACK ButtonsProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        LoadImageButtons(dialog);
        AddButtonToolTips(dialog, lParam != 0);
        return TRUE;
    }
    if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        DestroyWindow(dialog);
        return TRUE;
    }
    return FALSE;
}

HWND OpenButtons(int id, HWND owner, bool recreate)
{
    HWND d = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), owner, ButtonsProc, recreate);
    if (!d) return nullptr;
    ShowWindow(d, SW_SHOW);
    SetWindowPos(d, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    UpdateWindow(d);
    return d;
}

// Pixels of a rectangle of the screen (or of a DC), row by row.
struct Pixels {
    int w = 0, h = 0;
    std::vector<COLORREF> at;
    COLORREF Get(int x, int y) const { return at[(size_t)y * w + x]; }
};

Pixels Grab(HDC from, int x, int y, int w, int h)
{
    Pixels p;
    p.w = w;
    p.h = h;
    HDC memory = CreateCompatibleDC(from);
    HBITMAP bitmap = CreateCompatibleBitmap(from, w, h);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, w, h, from, x, y, SRCCOPY);
    for (int j = 0; j < h; j++)
        for (int i = 0; i < w; i++) p.at.push_back(GetPixel(memory, i, j));
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    return p;
}

Pixels ScreenOf(HWND window)
{
    RECT r;
    GetWindowRect(window, &r);
    HDC screen = GetDC(nullptr);
    Pixels p = Grab(screen, r.left, r.top, r.right - r.left, r.bottom - r.top);
    ReleaseDC(nullptr, screen);
    return p;
}

// The icon drawn at size over black and over white: where both agree the
// pixel is the icon's own (CLR_INVALID where it is clear).
Pixels IconPixels(int iconId, int size)
{
    Pixels out;
    HICON icon = (HICON)LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(iconId), IMAGE_ICON, size, size, 0);
    if (!icon) return out;
    Pixels over[2];
    HDC screen = GetDC(nullptr);
    for (int k = 0; k < 2; k++) {
        HDC memory = CreateCompatibleDC(screen);
        HBITMAP bitmap = CreateCompatibleBitmap(screen, size, size);
        HGDIOBJ old = SelectObject(memory, bitmap);
        RECT all = {0, 0, size, size};
        HBRUSH fill = CreateSolidBrush(k ? RGB(255, 255, 255) : RGB(0, 0, 0));
        FillRect(memory, &all, fill);
        DeleteObject(fill);
        DrawIconEx(memory, 0, 0, icon, size, size, 0, nullptr, DI_NORMAL);
        over[k] = Grab(memory, 0, 0, size, size);
        SelectObject(memory, old);
        DeleteObject(bitmap);
        DeleteDC(memory);
    }
    ReleaseDC(nullptr, screen);
    DestroyIcon(icon);
    out = over[0];
    for (size_t i = 0; i < out.at.size(); i++)
        if (over[0].at[i] != over[1].at[i]) out.at[i] = CLR_INVALID;
    return out;
}

bool Near(COLORREF a, COLORREF b)
{
    return abs(GetRValue(a) - GetRValue(b)) <= 24 && abs(GetGValue(a) - GetGValue(b)) <= 24 &&
           abs(GetBValue(a) - GetBValue(b)) <= 24;
}

// The best share of the icon's own pixels found on the button, over every
// place the icon could stand on it.
double IconShare(const Pixels& button, const Pixels& icon)
{
    int own = 0;
    for (COLORREF c : icon.at) own += c != CLR_INVALID;
    if (own == 0 || button.w < icon.w || button.h < icon.h) return 0;
    int best = 0;
    for (int dy = 0; dy + icon.h <= button.h; dy++)
        for (int dx = 0; dx + icon.w <= button.w; dx++) {
            int hits = 0;
            for (int y = 0; y < icon.h; y++)
                for (int x = 0; x < icon.w; x++) {
                    COLORREF c = icon.Get(x, y);
                    if (c != CLR_INVALID && Near(c, button.Get(dx + x, dy + y))) hits++;
                }
            if (hits > best) best = hits;
        }
    return (double)best / own;
}

const Row* RowOf(int control)
{
    for (const Row& r : kRows)
        if (r.control == control) return &r;
    return nullptr;
}

// Tools of the dialog's buttons, as "control=text", from the one tooltip
// window the dialog owns that holds them (a tree view owns one of its own).
std::vector<std::string> ToolsOf(HWND dialog, std::string* problem)
{
    std::vector<std::string> out;
    int holding = 0;
    for (HWND tip : OwnedToolTips(dialog)) {
        std::vector<RemoteTool> tools = ReadToolTipTools(tip);
        bool ours = false;
        for (const RemoteTool& t : tools) ours = ours || t.window == dialog;
        if (!ours) continue;
        holding++;
        for (const RemoteTool& t : tools) {
            HWND button = (HWND)t.id;
            if (t.window != dialog || !(t.flags & TTF_IDISHWND) || !IsWindow(button) || GetParent(button) != dialog)
                *problem += "a tool not of the dialog's own button; ";
            out.push_back(std::to_string(GetDlgCtrlID(button)) + "=" + t.text);
        }
    }
    if (holding != 1) *problem += std::to_string(holding) + " tooltip windows hold the buttons' tools; ";
    return out;
}

std::vector<std::string> ExpectedTools(const std::vector<int>& controls)
{
    std::vector<std::string> out;
    for (int c : controls) out.push_back(std::to_string(c) + "=" + RowOf(c)->tip);
    return out;
}

std::vector<int> AllControls()
{
    std::vector<int> out;
    for (const Row& r : kRows) out.push_back(r.control);
    return out;
}

// The width of the icon a button shows, 0 for none.
int ButtonIconWidth(HWND button)
{
    HICON icon = (HICON)SendMessageA(button, BM_GETIMAGE, IMAGE_ICON, 0);
    ICONINFO info = {};
    if (!icon || !GetIconInfo(icon, &info)) return 0;
    BITMAP b = {};
    GetObjectA(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof(b), &b);
    if (info.hbmColor) DeleteObject(info.hbmColor);
    if (info.hbmMask) DeleteObject(info.hbmMask);
    return b.bmWidth;
}

// The DPI of each dialog by its caption, as a test puts it on a monitor.
std::string g_highDpiCaption;
UINT WINAPI FakeDpiForWindow(HWND window)
{
    char caption[64] = {};
    GetWindowTextA(GetAncestor(window, GA_ROOT), caption, sizeof(caption));
    return g_highDpiCaption == caption ? 144 : 96;
}

class ImageButtons : public testing::Test {
protected:
    void SetUp() override
    {
        if (!g_app.strings.productTables[0]) {
            g_app.strings.productTables[0] = g_productStrings;
            g_app.strings.productCount = SortStringTable(g_productStrings);
        }
        g_app.instance = GetModuleHandleA(nullptr);
        realDpiForWindow = g_dpi.getDpiForWindow;
    }
    void TearDown() override
    {
        g_dpi.getDpiForWindow = realDpiForWindow;
        g_highDpiCaption.clear();
        for (HWND d : opened)
            if (IsWindow(d)) DestroyWindow(d);
    }
    HWND Open(int id, HWND owner = nullptr, bool recreate = false)
    {
        HWND d = OpenButtons(id, owner, recreate);
        if (d) opened.push_back(d);
        return d;
    }
    std::vector<HWND> opened;
    UINT(WINAPI* realDpiForWindow)(HWND) = nullptr;
};

}  // namespace

TEST(ImageButtonSize, TwoThirdsOfTheOkButtonAtTheDialogsDpi)
{
    static const struct {
        int okHeight;
        UINT okDpi, dialogDpi;
        int size;
        const char* why;
    } kCases[] = {
        {23, 96, 96, 16, "an OK button of 23 pixels at 96 DPI"},
        {23, 96, 144, 24, "the dialog on a monitor of 150 %: 35 pixels"},
        {35, 144, 96, 16, "the main dialog at 150 %, this one at 100 %"},
        {0, 0, 120, 20, "no main dialog: its button at 96 DPI is taken"},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(c.size, ImageButtonIconSize(c.okHeight, c.okDpi, c.dialogDpi));
    }
}

// Each row's icon is on its button on the screen; an icon button that is in
// no row shows none of them (the comparison can fail).
TEST_F(ImageButtons, EveryRowShowsItsIcon)
{
    HWND d = Open(kButtonsDialog);
    ASSERT_NE(nullptr, d);
    SetForegroundWindow(d);
    const int size = ImageButtonIconSize(0, 0, 96);
    std::vector<Pixels> icons;
    for (const Row& r : kRows) {
        icons.push_back(IconPixels(r.icon, size));
        ASSERT_FALSE(icons.back().at.empty()) << "icon " << r.icon << " is not in the resources";
    }
    std::vector<double> shares(sizeof(kRows) / sizeof(kRows[0]));
    bool shown = PumpUntil(
        [&] {
            bool all = true;
            for (size_t i = 0; i < shares.size(); i++) {
                shares[i] = IconShare(ScreenOf(GetDlgItem(d, kRows[i].control)), icons[i]);
                all = all && shares[i] >= 0.9;
            }
            return all;
        },
        5000);
    for (size_t i = 0; i < shares.size(); i++)
        EXPECT_GE(shares[i], 0.9) << "button " << kRows[i].control << ", icon " << kRows[i].icon;
    EXPECT_TRUE(shown);
    Pixels plain = ScreenOf(GetDlgItem(d, kNoRowButton));
    for (size_t i = 0; i < icons.size(); i++)
        EXPECT_LT(IconShare(plain, icons[i]), 0.5) << "icon " << kRows[i].icon << " on a button of no row";
}

// One tooltip window, owned by the dialog, with one tool per button and the
// row's text; a second call adds nothing.
TEST_F(ImageButtons, EveryRowHasItsTooltipInTheDialogsOwnWindow)
{
    HWND d = Open(kButtonsDialog);
    ASSERT_NE(nullptr, d);
    std::string problem;
    EXPECT_EQ(ExpectedTools(AllControls()), ToolsOf(d, &problem));
    EXPECT_EQ("", problem);
    HWND tip = OwnedToolTips(d).empty() ? nullptr : OwnedToolTips(d)[0];
    ASSERT_TRUE(AddButtonToolTips(d, false));
    problem.clear();
    EXPECT_EQ(ExpectedTools(AllControls()), ToolsOf(d, &problem)) << "called again: the same tools, once each";
    EXPECT_EQ("", problem);
    EXPECT_EQ(std::vector<HWND>{tip}, OwnedToolTips(d));
    ASSERT_TRUE(AddButtonToolTips(d, true));
    EXPECT_FALSE(IsWindow(tip)) << "made anew: the old window goes";
    problem.clear();
    EXPECT_EQ(ExpectedTools(AllControls()), ToolsOf(d, &problem));
    EXPECT_EQ("", problem);
    tip = OwnedToolTips(d).empty() ? nullptr : OwnedToolTips(d)[0];
    DestroyWindow(d);
    EXPECT_FALSE(IsWindow(tip)) << "the tooltip window goes with its dialog";
}

// A dialog with image buttons opened over another and closed: the outer
// one keeps its tooltip window and tools, and no tooltip window is left.
TEST_F(ImageButtons, ANestedDialogsTooltipsGoWithItAndLeaveTheOuterOnesWorking)
{
    for (bool recreate : {false, true}) {
        SCOPED_TRACE(recreate ? "nested dialog recreates" : "nested dialog adds");
        HWND outer = Open(kButtonsDialog);
        ASSERT_NE(nullptr, outer);
        const size_t before = ProcessToolTips(GetCurrentProcessId()).size();
        std::vector<HWND> outerTips = OwnedToolTips(outer);
        ASSERT_EQ(1u, outerTips.size());

        HWND nested = Open(kNestedDialog, outer, recreate);
        ASSERT_NE(nullptr, nested);
        std::string problem;
        EXPECT_EQ(ExpectedTools(std::vector<int>(std::begin(kNestedRows), std::end(kNestedRows))),
                  ToolsOf(nested, &problem));
        EXPECT_EQ("", problem);
        ClickControl(nested, IDOK);
        ASSERT_TRUE(PumpUntil([&] { return !IsWindow(nested); }, 5000));

        EXPECT_EQ(before, ProcessToolTips(GetCurrentProcessId()).size()) << "a tooltip window was left behind";
        EXPECT_EQ(outerTips, OwnedToolTips(outer));
        problem.clear();
        EXPECT_EQ(ExpectedTools(AllControls()), ToolsOf(outer, &problem));
        EXPECT_EQ("", problem);

        // The pointer resting on an outer button shows the outer tooltip.
        HWND button = GetDlgItem(outer, 1001);
        RECT r;
        GetWindowRect(button, &r);
        SetForegroundWindow(outer);
        MoveMouseTo({r.left + 2, r.top + 2});
        MoveMouseTo({(r.left + r.right) / 2, (r.top + r.bottom) / 2});
        HWND tip = outerTips[0];
        bool shown = PumpUntil([&] { return IsWindowVisible(tip) != FALSE; }, 5000);
        EXPECT_TRUE(shown) << "the outer tooltip does not show";
        TOOLINFOA current = {};
        current.cbSize = sizeof(current);
        if (shown) {
            EXPECT_TRUE(SendMessageA(tip, TTM_GETCURRENTTOOLA, 0, (LPARAM)&current));
            EXPECT_EQ((UINT_PTR)button, current.uId);
        }
        MoveMouseTo({0, 0});
        DestroyWindow(outer);
    }
}

// A dialog on a monitor of 150 % gets icons of its own size while the one
// at 100 % keeps its own; a DPI change gives new icons and frees the old.
TEST_F(ImageButtons, EachDialogsIconsFollowItsOwnDpi)
{
    g_dpi.getDpiForWindow = FakeDpiForWindow;
    g_highDpiCaption = "Nested Image Buttons";
    HWND outer = Open(kButtonsDialog);
    HWND nested = Open(kNestedDialog, outer);
    ASSERT_TRUE(outer && nested);
    const int normal = ImageButtonIconSize(0, 0, 96), large = ImageButtonIconSize(0, 0, 144);
    ASSERT_NE(normal, large);
    for (const Row& r : kRows) EXPECT_EQ(normal, ButtonIconWidth(GetDlgItem(outer, r.control))) << r.control;
    for (int c : kNestedRows) EXPECT_EQ(large, ButtonIconWidth(GetDlgItem(nested, c))) << c;

    // The outer dialog moves to the 150 % monitor.
    HICON before = (HICON)SendDlgItemMessageA(outer, 1000, BM_GETIMAGE, IMAGE_ICON, 0);
    g_highDpiCaption = "Image Buttons";
    LoadImageButtons(outer);
    for (const Row& r : kRows) EXPECT_EQ(large, ButtonIconWidth(GetDlgItem(outer, r.control))) << r.control;
    ICONINFO info = {};
    EXPECT_FALSE(GetIconInfo(before, &info)) << "the icon it showed before was not freed";
}

// The running program's main dialog: its three image buttons have their
// tooltips in one window, and the enabled ones show their icons at the size
// its OK button gives (Edt stays disabled until the editors are wired to it).
TEST_F(ProgramTest, TheMainDialogsImageButtonsShowTheirIconsAndTooltips)
{
    ASSERT_TRUE(WriteOptions());
    ASSERT_TRUE(Start("-MINIMIZE"));
    ASSERT_EQ(0, RunProgramToEnd(""));   // a second start opens the dialog
    HWND dialog = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return (dialog = FindDialog(run.child.pid, "PanelShepherd")) != nullptr; }, 15000));
    SetForegroundWindow(dialog);
    HWND tree = DialogControl(dialog, IDTV_MAIN_RULES);
    HTREEITEM first = FindTreeItem(tree, "PanelShepherd");
    ASSERT_TRUE(first && SelectTreeItem(tree, first));   // Del is enabled with a selection
    ASSERT_TRUE(PumpUntil([&] { return ControlEnabled(dialog, IDB_MAIN_DELETE); }, 5000));

    std::string problem;
    EXPECT_EQ(ExpectedTools({1010, 1011, 1325}), ToolsOf(dialog, &problem));
    EXPECT_EQ("", problem);

    RECT ok = {};
    ASSERT_TRUE(GetClientRect(DialogControl(dialog, IDOK), &ok));
    const int size = ImageButtonIconSize(ok.bottom - ok.top, 96, 96);
    for (int control : {IDB_MAIN_EXECUTE, IDB_MAIN_DELETE}) {
        SCOPED_TRACE("button " + std::to_string(control));
        Pixels icon = IconPixels(RowOf(control)->icon, size);
        ASSERT_FALSE(icon.at.empty());
        double share = 0;
        PumpUntil([&] { return (share = IconShare(ScreenOf(DialogControl(dialog, control)), icon)) >= 0.9; }, 5000);
        EXPECT_GE(share, 0.9);
    }
}
