// MessageBoxTest.cpp - the framework message box shown for real and answered
// from inside its own modal loop.
#include "framework/core/AppObject.h"
#include "framework/core/AppWindow.h"
#include "framework/core/TextUtil.h"
#include "framework/ui/MessageBox.h"
#include "framework/ui/MessageBoxRes.h"
#include "framework/ui/Theme.h"
#include "tests/support/TestEnv.h"
#include "tests/support/TestWindowClient.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace {

// What a test does once the box is up, inside the box's modal loop.
std::function<void(HWND box)> g_onShown;
DWORD g_shownThread;
std::vector<HWND> g_handled;

BOOL CALLBACK FindBox(HWND w, LPARAM out)
{
    char cls[16] = {};
    GetClassNameA(w, cls, sizeof(cls));
    if (strcmp(cls, "#32770") == 0 && IsWindowVisible(w) && GetDlgItem(w, IDT_MSGBOX_TEXT)) {
        for (HWND h : g_handled)
            if (h == w) return TRUE;
        *(HWND*)out = w;
        return FALSE;
    }
    return TRUE;
}

void CALLBACK WatchForBox(HWND, UINT, UINT_PTR timer, DWORD)
{
    HWND box = nullptr;
    EnumThreadWindows(g_shownThread, FindBox, (LPARAM)&box);
    if (!box) return;
    KillTimer(nullptr, timer);
    g_handled.push_back(box);
    auto act = g_onShown;
    act(box);
}

// Shows a box and runs act when it is up; the box's result.
int ShowAnd(uint32_t flags, const char* text, std::function<void(HWND)> act, HWND owner = nullptr)
{
    g_shownThread = GetCurrentThreadId();
    g_onShown = act;
    SetTimer(nullptr, 0, 30, WatchForBox);
    return AppMessageBox(&g_app, owner, "Caption", "%s", flags, 0, text);
}

void Press(HWND box, int id)
{
    PostMessageA(box, WM_COMMAND, id, 0);
}

// Enter as the user gives it: to the focused control, through the dialog manager.
void PressEnter(HWND box)
{
    HWND focus = GetFocus();
    PostMessageA(focus ? focus : box, WM_KEYDOWN, VK_RETURN, 0);
    PostMessageA(focus ? focus : box, WM_KEYUP, VK_RETURN, 0xC0000001);
}

std::string Text(HWND box, int id)
{
    char t[4096] = {};
    GetDlgItemTextA(box, id, t, sizeof(t));
    return t;
}

bool Shown(HWND box, int id)
{
    return IsWindowVisible(GetDlgItem(box, id)) != 0;
}

class MessageBoxes : public testing::Test {
protected:
    void SetUp() override
    {
        AppConstruct(&g_app);
        CopyText(g_app.productName, sizeof(g_app.productName), "PanelShepherd");
        InitThemeColours(&g_app);
        g_handled.clear();
    }
    void TearDown() override { AppDestruct(&g_app); }
};

TEST_F(MessageBoxes, EachButtonSetWithItsDefault)
{
    static const struct {
        uint32_t flags;
        std::vector<int> shown;
        int def;
        const char* why;
    } kSets[] = {
        {0x10, {IDOK}, IDOK, "OK"},
        {0x20, {IDOK, IDCANCEL}, IDOK, "OK and Cancel"},
        {0x40, {IDYES, IDNO}, IDYES, "Yes and No"},
        {0x80, {IDYES, IDNO, IDCANCEL}, IDYES, "Yes, No and Cancel"},
        {0x1048, {IDYES, IDNO}, IDNO, "No forced"},
        {0x420, {IDOK, IDCANCEL}, IDCANCEL, "Cancel forced"},
        {0x888, {IDYES, IDNO, IDCANCEL}, IDYES, "Yes forced"},
        {0x610, {IDOK}, IDOK, "two forcing bits force nothing"},
        {0x1880, {IDYES, IDNO, IDCANCEL}, IDYES, "two forcing bits on Yes/No/Cancel"},
    };
    for (const auto& row : kSets) {
        SCOPED_TRACE(row.why);
        std::vector<int> seen;
        int def = 0, focus = 0;
        int result = ShowAnd(row.flags, "Question?", [&](HWND box) {
            for (int id : {IDYES, IDNO, IDOK, IDCANCEL})
                if (Shown(box, id)) seen.push_back(id);
            LRESULT d = SendMessageA(box, DM_GETDEFID, 0, 0);
            def = LOWORD(d);
            focus = GetDlgCtrlID(GetFocus());
            PressEnter(box);
        });
        std::vector<int> want = row.shown;
        std::sort(want.begin(), want.end());
        std::sort(seen.begin(), seen.end());
        EXPECT_EQ(want, seen);
        EXPECT_EQ(row.def, def);
        EXPECT_EQ(row.def, focus) << "the default button has the focus";
        EXPECT_EQ(row.def, result) << "Enter presses the default";
    }
}

TEST_F(MessageBoxes, ButtonsAnswerWithTheirIdsAndCaptionsComeFromTheStrings)
{
    for (int id : {IDYES, IDNO, IDCANCEL}) {
        std::string yes, no, cancel;
        int result = ShowAnd(0x88, "Save?", [&](HWND box) {
            yes = Text(box, IDYES), no = Text(box, IDNO), cancel = Text(box, IDCANCEL);
            Press(box, id);
        });
        EXPECT_EQ(id, result);
        EXPECT_EQ(AppText(0xF200, 4), yes);
        EXPECT_EQ(AppText(0xF200, 5), no);
        EXPECT_EQ(AppText(0xF200, 1), cancel);
    }
    // Esc on a Yes/No question does nothing; on an OK box it is OK.
    int result = ShowAnd(0x40, "Sure?", [](HWND box) {
        SendMessageA(box, WM_COMMAND, IDCANCEL, 0);
        EXPECT_TRUE(IsWindowVisible(box)) << "a question must be answered";
        Press(box, IDNO);
    });
    EXPECT_EQ(IDNO, result);
    EXPECT_EQ(IDOK, ShowAnd(0x10, "Done.", [](HWND box) { Press(box, IDCANCEL); }));
}

TEST_F(MessageBoxes, IconKindsShowTheIconControl)
{
    for (uint32_t kind : {0x0u, 0x1u, 0x2u, 0x4u, 0x8u}) {
        bool icon = false;
        ShowAnd(0x10 | kind, "Text", [&](HWND box) {
            icon = Shown(box, IDC_MSGBOX_ICON);
            Press(box, IDOK);
        });
        EXPECT_EQ(kind != 0, icon) << "kind " << kind;
    }
}

TEST_F(MessageBoxes, BoldHeadlineSplitOffAtTheFirstLineBreak)
{
    std::string first, second;
    HFONT firstFont = nullptr, secondFont = nullptr;
    HWND box = nullptr;
    ShowAnd(0x114, "Update available\r\nVersion 2 is out.", [&](HWND b) {
        box = b;
        first = Text(b, IDT_MSGBOX_TEXT), second = Text(b, IDT_MSGBOX_MORE);
        firstFont = (HFONT)SendDlgItemMessageA(b, IDT_MSGBOX_TEXT, WM_GETFONT, 0, 0);
        secondFont = (HFONT)SendDlgItemMessageA(b, IDT_MSGBOX_MORE, WM_GETFONT, 0, 0);
        Press(b, IDOK);
    });
    UINT dpi = 96;
    EXPECT_EQ("Update available", first);
    EXPECT_EQ("Version 2 is out.", second);
    EXPECT_EQ(GetThemeFont(&g_theme, THEME_FONT_UI_BOLD, dpi), firstFont);
    EXPECT_EQ(GetThemeFont(&g_theme, THEME_FONT_UI, dpi), secondFont);

    // Without 0x100 the first line is plain; more lines all go to the second control.
    ShowAnd(0x14, "One\nTwo\nThree", [&](HWND b) {
        first = Text(b, IDT_MSGBOX_TEXT), second = Text(b, IDT_MSGBOX_MORE);
        firstFont = (HFONT)SendDlgItemMessageA(b, IDT_MSGBOX_TEXT, WM_GETFONT, 0, 0);
        Press(b, IDOK);
    });
    EXPECT_EQ("One", first);
    EXPECT_EQ("Two\nThree", second);
    EXPECT_EQ(GetThemeFont(&g_theme, THEME_FONT_UI, dpi), firstFont);

    // One line: the second control is hidden.
    bool moreShown = true;
    ShowAnd(0x14, "Single", [&](HWND b) {
        moreShown = Shown(b, IDT_MSGBOX_MORE);
        first = Text(b, IDT_MSGBOX_TEXT);
        Press(b, IDOK);
    });
    EXPECT_FALSE(moreShown);
    EXPECT_EQ("Single", first);
}

TEST_F(MessageBoxes, TextIsCutAt2047Characters)
{
    std::string longText(3000, 'x');
    size_t shown = 0;
    ShowAnd(0x10, longText.c_str(), [&](HWND box) {
        shown = Text(box, IDT_MSGBOX_TEXT).size();
        Press(box, IDOK);
    });
    EXPECT_EQ(2047u, shown);
}

// Records the modal depth every application window is told.
std::vector<int> g_depths;
LRESULT CALLBACK DepthRecorder(HWND w, UINT m, WPARAM wp, LPARAM lp)
{
    if (m == ZRPMSG_MODALDEPTH) g_depths.push_back((int)wp);
    return DefWindowProcA(w, m, wp, lp);
}

TEST_F(MessageBoxes, ModalDepthToldBeforeAndAfter)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DepthRecorder;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "PSDepthRecorder";
    RegisterClassA(&wc);
    AppWindow record = {};
    record.window = CreateWindowExA(0, "PSDepthRecorder", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    AppWindow* listed = &record;
    ArrayAppend(&g_app.windows, &listed);
    g_depths.clear();
    std::vector<int> whileShown;
    ShowAnd(0x10, "Busy", [&](HWND box) {
        whileShown = g_depths;
        Press(box, IDOK);
    });
    EXPECT_EQ(std::vector<int>({1}), whileShown) << "told before the box is shown";
    EXPECT_EQ(std::vector<int>({1, 0}), g_depths);
    ArrayRemoveAt(&g_app.windows, 0);
    DestroyWindow(record.window);
}

TEST_F(MessageBoxes, ABoxOpenedInsideAnotherLeavesTheFirstIntact)
{
    HFONT firstFont = nullptr;
    int inner = 0, innerDefault = 0;
    int outer = ShowAnd(0x1148, "Outer\nquestion", [&](HWND box) {
        // A timer or hotkey inside the modal loop opens a second box.
        inner = ShowAnd(0x21, "Inner", [&](HWND second) {
            innerDefault = LOWORD(SendMessageA(second, DM_GETDEFID, 0, 0));
            Press(second, IDCANCEL);
        });
        SendMessageA(box, WM_SHOWWINDOW, TRUE, 0);   // the fonts are applied again
        firstFont = (HFONT)SendDlgItemMessageA(box, IDT_MSGBOX_TEXT, WM_GETFONT, 0, 0);
        EXPECT_EQ(IDNO, (int)LOWORD(SendMessageA(box, DM_GETDEFID, 0, 0)));
        SendMessageA(box, WM_COMMAND, IDCANCEL, 0);   // no Cancel on this box: ignored
        EXPECT_TRUE(IsWindowVisible(box));
        PressEnter(box);
    });
    EXPECT_EQ(IDCANCEL, inner);
    EXPECT_EQ(IDOK, innerDefault);
    EXPECT_EQ(IDNO, outer) << "the outer box kept its own default";
    EXPECT_EQ(GetThemeFont(&g_theme, THEME_FONT_UI_BOLD, 96), firstFont) << "and its own headline";
}

TEST_F(MessageBoxes, NoOwnerWhileAnotherProcessIsInFront)
{
    TestWindow other;
    ASSERT_TRUE(StartTestWindow(&other, "--title Front --rect 100,100,300,200"));
    HWND own = CreateWindowExA(0, "EDIT", "", WS_POPUP | WS_VISIBLE, 500, 100, 200, 100, nullptr, nullptr, nullptr, nullptr);
    SetFocus(own);
    // Under load Wine may hand the activation to the desktop first: ask again.
    PumpUntil(
        [&] {
            if (GetForegroundWindow() != other.hwnd) TestWindowStep(&other, "activate");
            return GetForegroundWindow() == other.hwnd;
        },
        10000);
    ASSERT_EQ(other.hwnd, GetForegroundWindow());
    HWND boxOwner = (HWND)1;
    ShowAnd(0x10, "Nobody's", [&](HWND box) {
        boxOwner = GetWindow(box, GW_OWNER);
        Press(box, IDOK);
    });
    EXPECT_EQ(nullptr, boxOwner);
    EXPECT_EQ(own, GetFocus()) << "the focus goes back to the window that had it";

    // With one of ours in front, the box belongs to it.
    SetForegroundWindow(own);
    PumpUntil([&] { return GetForegroundWindow() == own; }, 5000);
    ShowAnd(0x10, "Ours", [&](HWND box) {
        boxOwner = GetWindow(box, GW_OWNER);
        Press(box, IDOK);
    });
    EXPECT_EQ(own, boxOwner);
    DestroyWindow(own);
    StopTestWindow(&other);
}

}  // namespace
