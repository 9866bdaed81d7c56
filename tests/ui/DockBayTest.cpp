// DockBayTest.cpp - the four dock bays of a real application window: made
// with its frame, placed on every resize without covering anything, painted
// in their theme colour, passing a right click on, and freed with it.
#include "framework/core/AppWindow.h"
#include "framework/core/FrameworkHooks.h"
#include "framework/core/MonitorTable.h"
#include "framework/ui/DockBay.h"
#include "tests/ui/ItemTestUtil.h"

#include <vector>

namespace {

std::vector<UINT> g_windowMessages;

LRESULT CALLBACK RecordingWindowProc(HWND w, UINT m, WPARAM wp, LPARAM lp)
{
    if (m == ZRPMSG_WINDOWMENU) g_windowMessages.push_back(m);
    return CallWindowProcA(g_app.savedWindowProc, w, m, wp, lp);
}

BOOL CALLBACK CollectBay(HWND window, LPARAM out)
{
    char cls[32] = {};
    GetClassNameA(window, cls, sizeof(cls));
    if (!strcmp(cls, "ZRPAppDockBay")) ((std::vector<HWND>*)out)->push_back(window);
    return TRUE;
}

class DockBays : public testing::Test {
protected:
    void SetUp() override
    {
        AppConstruct(&g_app);
        g_app.instance = GetModuleHandleA(nullptr);
        g_app.firstStart = 1;
        CopyText(g_app.dataFolder, sizeof(g_app.dataFolder), FreshFolderForThisTest().c_str());
        g_app.productWindowProc = RecordingWindowProc;
        g_theme.app = &g_app;
        InitThemeColors(&g_theme);
        FrameworkHooks hooks = {};
        hooks.createDockBay = CreateDockBay;
        hooks.layoutDockBays = LayoutDockBays;
        hooks.destroyDockBays = DestroyDockBays;
        SetFrameworkHooks(&hooks);
        g_windowMessages.clear();
        RefreshMonitors();
    }
    void TearDown() override
    {
        while (g_app.windows.count) {
            AppWindow* w = g_app.windows.data[0];
            ArrayRemoveAt(&g_app.windows, 0);
            DestroyAppWindow(w);
        }
        FreeGrowArray(&g_app.windows);
        SetFrameworkHooks(nullptr);
        ReleaseTheme(&g_theme);
        g_app.dataFolder[0] = '\0';
    }
    AppWindow* Create()
    {
        int at = CreateAppWindow(&g_app, "Bays");
        return at < 0 ? nullptr : g_app.windows.data[at];
    }
};

TEST_F(DockBays, FourEmptyBaysArePlacedOnEveryResizeAndCoverNothing)
{
    AppWindow* w = Create();
    ASSERT_NE(nullptr, w);
    std::vector<HWND> found;
    EnumChildWindows(w->window, CollectBay, (LPARAM)&found);
    ASSERT_EQ(4u, found.size());
    ASSERT_EQ(4, w->dockBays.count);
    for (int i = 0; i < 4; i++) {
        SCOPED_TRACE(testing::Message() << "bay " << i);
        const DockBay* bay = (const DockBay*)w->dockBays.data[i];
        EXPECT_EQ(w->window, GetParent(bay->window));
        EXPECT_EQ((LONG_PTR)bay, GetWindowLongPtrA(bay->window, GWLP_USERDATA));
        EXPECT_EQ(i, bay->side);
        EXPECT_EQ(i, bay->bayId) << "window 0: the bay number";
        EXPECT_EQ(i >= 2, bay->vertical != 0);
        EXPECT_EQ(-1, bay->rowLimit) << "not a resizable window";
        EXPECT_EQ(-1, bay->dragRow);
        // The window itself is hidden: only the bay's own style tells.
        EXPECT_FALSE(GetWindowLongA(bay->window, GWL_STYLE) & WS_VISIBLE) << "hidden until placed";
    }

    static const SIZE kSizes[] = {{500, 300}, {640, 420}, {320, 240}};
    for (const SIZE& size : kSizes) {
        SCOPED_TRACE(testing::Message() << size.cx << " x " << size.cy);
        SetWindowPos(w->window, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        RECT client;
        GetClientRect(w->window, &client);
        EXPECT_TRUE(EqualRect(&client, &w->layoutRect)) << "the bays leave the whole client area";
        // Anchors: top-left, bottom-left, top-left between them, top-right.
        const POINT anchors[4] = {{0, 0}, {0, client.bottom}, {0, 0}, {client.right, 0}};
        for (int i = 0; i < 4; i++) {
            const DockBay* bay = (const DockBay*)w->dockBays.data[i];
            RECT r;
            GetWindowRect(bay->window, &r);
            MapWindowPoints(nullptr, w->window, (POINT*)&r, 2);
            EXPECT_EQ(anchors[i].x, r.left) << "bay " << i;
            EXPECT_EQ(anchors[i].y, r.top) << "bay " << i;
            EXPECT_TRUE(IsRectEmpty(&r)) << "bay " << i << " is 0 thick";
            EXPECT_TRUE(GetWindowLongA(bay->window, GWL_STYLE) & WS_VISIBLE) << "bay " << i << " shown";
        }
    }
}

TEST_F(DockBays, ABayPaintsItsThemeColourAndPassesARightClickOn)
{
    g_theme.colours[35] = RGB(12, 34, 56);
    AppWindow* w = Create();
    ASSERT_NE(nullptr, w);
    const DockBay* bay = (const DockBay*)w->dockBays.data[0];
    // An empty bay is 0 thick: give it room to show what items in it stand on.
    SetWindowPos(bay->window, nullptr, 0, 0, 40, 20, SWP_NOZORDER | SWP_NOACTIVATE);
    PixelCanvas canvas(40, 20);
    canvas.Clear(RGB(255, 255, 255));
    SendMessageA(bay->window, ZRPMSG_PAINTBACKGROUND, (WPARAM)canvas.dc(), MAKELPARAM(10, 5));
    EXPECT_EQ(RGB(12, 34, 56), canvas.At(0, 0));
    EXPECT_EQ(RGB(12, 34, 56), canvas.At(29, 14));
    EXPECT_EQ(RGB(255, 255, 255), canvas.At(30, 14)) << "moved by the item's offset";
    EXPECT_EQ(RGB(255, 255, 255), canvas.At(29, 15));
    canvas.Clear(RGB(255, 255, 255));
    canvas.Print(bay->window);
    EXPECT_EQ(RGB(12, 34, 56), canvas.At(39, 19));

    SendMessageA(bay->window, WM_RBUTTONUP, 0, MAKELPARAM(3, 3));
    ASSERT_EQ(1u, g_windowMessages.size());
    EXPECT_EQ((UINT)ZRPMSG_WINDOWMENU, g_windowMessages[0]);
}

TEST_F(DockBays, BaysGoWithTheirWindow)
{
    AppWindow* w = Create();
    ASSERT_NE(nullptr, w);
    std::vector<HWND> bays;
    for (int i = 0; i < w->dockBays.count; i++) bays.push_back(((const DockBay*)w->dockBays.data[i])->window);
    ArrayRemoveAt(&g_app.windows, 0);
    DestroyAppWindow(w);
    for (HWND b : bays) EXPECT_FALSE(IsWindow(b));

    // A resizable window keeps no rows in its bottom and right bays.
    w = Create();
    ASSERT_NE(nullptr, w);
    w->flags |= APPWIN_RESIZABLE;
    DestroyDockBays(w);
    EXPECT_EQ(0, w->dockBays.count);
    for (int i = 0; i < 4; i++) ASSERT_EQ(i, CreateDockBay(w, i, i));
    for (int i = 0; i < 4; i++)
        EXPECT_EQ(i == 1 || i == 3 ? 0 : -1, ((const DockBay*)w->dockBays.data[i])->rowLimit) << "bay " << i;
}

}  // namespace
