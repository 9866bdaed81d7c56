// AppWindowTest.cpp - application windows with real windows: placement record,
// transparency, locks and the DPI paths Wine never delivers.
#include "framework/core/AppObject.h"
#include "framework/core/AppShell.h"
#include "framework/core/AppWindow.h"
#include "framework/core/MessageLoop.h"
#include "framework/core/MonitorTable.h"
#include "framework/core/RecordFile.h"
#include "framework/core/TextUtil.h"
#include "tests/support/FakeMonitors.h"
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<UINT> g_seen;   // private messages the product's procedure saw
WPARAM g_lastWParam;

LRESULT CALLBACK RecordingProc(HWND w, UINT m, WPARAM wp, LPARAM lp)
{
    if (m >= 0x83E9 && m <= 0x840D) {
        g_seen.push_back(m);
        g_lastWParam = wp;
    }
    return CallWindowProcA(g_app.savedWindowProc, w, m, wp, lp);
}

class AppWindows : public testing::Test {
protected:
    void SetUp() override
    {
        AppConstruct(&g_app);
        g_app.instance = GetModuleHandleA(nullptr);
        CopyText(g_app.dataFolder, sizeof(g_app.dataFolder), FreshFolderForThisTest().c_str());
        g_app.productWindowProc = RecordingProc;
        g_seen.clear();
        RefreshMonitors();
        screen = g_monitors.monitorRects[0];
    }
    void TearDown() override
    {
        while (g_app.windows.count) {
            AppWindow* w = g_app.windows.data[0];
            ArrayRemoveAt(&g_app.windows, 0);
            DestroyAppWindow(w);
        }
        FreeGrowArray(&g_app.windows);
        g_app.dataFolder[0] = '\0';
        UseSystemMonitors();
    }
    AppWindow* Create()
    {
        int at = CreateAppWindow(&g_app, "Probe");
        return at < 0 ? nullptr : g_app.windows.data[at];
    }
    void SaveWinRecord(int x, int y, int w, int h, uint32_t flags, uint32_t trans)
    {
        AppWindowRecord r = {(int16_t)x, (int16_t)y, (uint16_t)w, (uint16_t)h, flags, trans};
        ASSERT_EQ(sizeof(r), SaveRecord("(ZRP)Win", 0, &r, sizeof(r)));
    }
    RECT screen;
};

}  // namespace

TEST_F(AppWindows, SavedPlacementIsRestoredAndWrittenBack)
{
    SaveWinRecord(100, 120, 640, 480, APPWIN_DEFAULT_FLAGS | APPWIN_TOPMOST, 50 | 0x1000);
    AppWindow* w = Create();
    ASSERT_NE(nullptr, w);
    RECT r;
    GetWindowRect(w->window, &r);
    EXPECT_EQ(100, r.left);
    EXPECT_EQ(120, r.top);
    EXPECT_EQ(640, r.right - r.left);
    EXPECT_EQ(480, r.bottom - r.top);
    LONG ex = GetWindowLongA(w->window, GWL_EXSTYLE);
    EXPECT_TRUE(ex & WS_EX_TOPMOST) << "styles come from the record's flags";
    EXPECT_TRUE(ex & WS_EX_LAYERED);
    EXPECT_TRUE(ex & WS_EX_TRANSPARENT) << "click-through";
    BYTE alpha = 0;
    DWORD how = 0;
    ASSERT_TRUE(GetLayeredWindowAttributes(w->window, nullptr, &alpha, &how));
    EXPECT_EQ(127, alpha);
    EXPECT_EQ((LONG_PTR)RecordingProc, GetWindowLongPtrA(w->window, GWLP_WNDPROC))
        << "the product's procedure is in place";

    SetWindowPos(w->window, nullptr, 200, 210, 500, 400, SWP_NOZORDER | SWP_NOACTIVATE);
    ArrayRemoveAt(&g_app.windows, 0);
    DestroyAppWindow(w);
    AppWindowRecord saved = {};
    ASSERT_EQ(sizeof(saved), LoadRecord("(ZRP)Win", 0, nullptr));
    void* block = nullptr;
    LoadRecord("(ZRP)Win", 0, &block);
    memcpy(&saved, block, sizeof(saved));
    free(block);
    EXPECT_EQ(200, saved.left);
    EXPECT_EQ(210, saved.top);
    EXPECT_EQ(500, saved.width);
    EXPECT_EQ(400, saved.height);
    EXPECT_EQ(50u | 0x1000u, saved.transparencyWord);
}

TEST_F(AppWindows, PlacementOffEveryMonitorIsIgnoredAndTheWindowCentred)
{
    SaveWinRecord(-5000, -5000, 300, 200, APPWIN_DEFAULT_FLAGS | APPWIN_TOPMOST, 30);
    AppWindow* w = Create();
    ASSERT_NE(nullptr, w);
    RECT r;
    GetWindowRect(w->window, &r);
    int mw = screen.right - screen.left, mh = screen.bottom - screen.top;
    EXPECT_EQ(mw * 2 / 3, r.right - r.left);
    EXPECT_EQ(mh * 2 / 3, r.bottom - r.top);
    EXPECT_EQ(screen.left + (mw - mw * 2 / 3) / 2, r.left);
    EXPECT_EQ(screen.top + (mh - mh * 2 / 3) / 2, r.top);
    EXPECT_FALSE(GetWindowLongA(w->window, GWL_EXSTYLE) & WS_EX_TOPMOST) << "flags ignored too";
    EXPECT_EQ(0, w->transparency);
}

TEST_F(AppWindows, FirstStartIgnoresTheRecord)
{
    SaveWinRecord(100, 100, 300, 200, APPWIN_DEFAULT_FLAGS, 0);
    g_app.firstStart = 1;
    AppWindow* w = Create();
    ASSERT_NE(nullptr, w);
    RECT r;
    GetWindowRect(w->window, &r);
    int mw = screen.right - screen.left, mh = screen.bottom - screen.top;
    EXPECT_EQ(screen.left + (mw - mw * 2 / 3) / 2, r.left) << "the default place, not the record's";
    EXPECT_EQ(screen.top + (mh - mh * 2 / 3) / 2, r.top);
    EXPECT_EQ(mw * 2 / 3, r.right - r.left);
    EXPECT_EQ(mh * 2 / 3, r.bottom - r.top);
}

TEST_F(AppWindows, TransparencyPercentMapsToAlpha)
{
    AppWindow* w = Create();
    ASSERT_NE(nullptr, w);
    struct Case {
        int percent;
        bool click;
        int alpha;   // -1: no longer layered
        bool transparent;
    } cases[] = {
        {10, false, 229, false}, {50, false, 127, false}, {90, true, 25, true},
        {100, false, 0, false},  {0, true, -1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.percent);
        EXPECT_TRUE(SetWindowTransparency(w->window, c.percent, c.click));
        LONG ex = GetWindowLongA(w->window, GWL_EXSTYLE);
        EXPECT_EQ(c.transparent, (ex & WS_EX_TRANSPARENT) != 0);
        if (c.alpha < 0) {
            EXPECT_FALSE(ex & WS_EX_LAYERED);
            continue;
        }
        ASSERT_TRUE(ex & WS_EX_LAYERED);
        BYTE alpha = 0;
        DWORD how = 0;
        ASSERT_TRUE(GetLayeredWindowAttributes(w->window, nullptr, &alpha, &how));
        EXPECT_EQ(c.alpha, alpha);
    }
}

TEST_F(AppWindows, WindowMenuLocksAndClickThrough)
{
    AppWindow* w = Create();
    ASSERT_NE(nullptr, w);
    const uint32_t all = APPWIN_LOCKBARPOS | APPWIN_LOCKBARSIZE | APPWIN_LOCKPOS | APPWIN_LOCKSIZE;
    w->flags |= APPWIN_LOCKBARPOS | APPWIN_LOCKBARSIZE | APPWIN_LOCKPOS;
    HandleWindowMenuCommand(w, 0xF155);
    EXPECT_EQ(all, w->flags & all) << "three of four set: the fourth is set";
    HandleWindowMenuCommand(w, 0xF155);
    EXPECT_EQ(0u, w->flags & all) << "all four set: all cleared";

    HandleWindowMenuCommand(w, 0xF16B);
    EXPECT_EQ(0, w->clickThrough) << "no click-through without transparency";
    EXPECT_FALSE(GetWindowLongA(w->window, GWL_EXSTYLE) & WS_EX_TRANSPARENT);
    HandleWindowMenuCommand(w, 0xF166);
    EXPECT_EQ(50, w->transparency);
    HandleWindowMenuCommand(w, 0xF16B);
    EXPECT_TRUE(GetWindowLongA(w->window, GWL_EXSTYLE) & WS_EX_TRANSPARENT);

    // A locked position holds against moves; unlocked, the same move takes.
    RECT before;
    GetWindowRect(w->window, &before);
    SetWindowPos(w->window, nullptr, before.left + 50, before.top + 30, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    RECT moved;
    GetWindowRect(w->window, &moved);
    ASSERT_EQ(before.left + 50, moved.left) << "unlocked: the move takes";
    ASSERT_EQ(before.top + 30, moved.top);
    w->flags |= APPWIN_LOCKPOS;
    SetWindowPos(w->window, nullptr, moved.left + 50, moved.top + 30, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    RECT after;
    GetWindowRect(w->window, &after);
    EXPECT_EQ(moved.left, after.left) << "locked: the move is refused";
    EXPECT_EQ(moved.top, after.top);
}

TEST_F(AppWindows, DpiChangeMovesToTheSuggestedRectangle)
{
    AppWindow* w = Create();
    ASSERT_NE(nullptr, w);
    RECT suggested = {50, 60, 850, 660};
    SendMessageA(w->window, WM_DPICHANGED, MAKEWPARAM(144, 144), (LPARAM)&suggested);
    EXPECT_EQ(144u, w->dpi);
    RECT r;
    GetWindowRect(w->window, &r);
    EXPECT_EQ(50, r.left);
    EXPECT_EQ(800, r.right - r.left);
}


TEST_F(AppWindows, DisplayChangeOfOnlyADpiSendsDpiChangedAndMovesNothing)
{
    UseFakeMonitors({{{0, 0, 1920, 1080}, {0, 0, 1920, 1080}, MONITORINFOF_PRIMARY, "\\\\.\\DISPLAY1", 96}});
    RefreshMonitors();
    AppWindow* w = Create();
    ASSERT_NE(nullptr, w);
    RECT before;
    GetWindowRect(w->window, &before);
    g_seen.clear();
    FakeMonitorLayout()[0].dpi = 144;
    HandleDisplayChange(&g_app, WM_DISPLAYCHANGE, 32, MAKELPARAM(1920, 1080));
    ASSERT_FALSE(g_seen.empty());
    EXPECT_EQ((UINT)ZRPMSG_DPICHANGED, g_seen.back());
    EXPECT_EQ(144u, g_lastWParam);
    EXPECT_EQ(96u, g_previousMonitors.dpis[0]) << "the previous table keeps the old DPIs";
    RECT after;
    GetWindowRect(w->window, &after);
    EXPECT_TRUE(EqualRect(&before, &after));
}

TEST_F(AppWindows, SharedTrayIconOutlivesTheWindow)
{
    g_app.instance = GetModuleHandleA(nullptr);
    AppWindow* w = Create();
    ASSERT_NE(nullptr, w);
    SetTrayIcon(&g_app, 0, 1, "%s tip", "probe");
    SetTrayIcon(&g_app, 0, 1, nullptr);   // replacing must not destroy the shared icon
    HICON icon = w->trayIcon;
    ASSERT_NE(nullptr, icon) << "the test program carries icon resource 1";
    ArrayRemoveAt(&g_app.windows, 0);
    DestroyAppWindow(w);
    ICONINFO info = {};
    EXPECT_TRUE(GetIconInfo(icon, &info)) << "a shared icon belongs to the system";
    if (info.hbmColor) DeleteObject(info.hbmColor);
    if (info.hbmMask) DeleteObject(info.hbmMask);
}
