// DialogSetupTest.cpp - what InitDialogDefaults does to a real dialog, and a
// resizable dialog's layout at 96 and 144 DPI.
#include "framework/core/AppObject.h"
#include "framework/core/MonitorTable.h"
#include "framework/core/TextUtil.h"
#include "framework/ui/DialogSetup.h"
#include "framework/ui/Theme.h"
#include "tests/support/DialogHostRes.h"
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <sstream>
#include <string>

namespace {

INT_PTR CALLBACK SetUpDialogProc(HWND dialog, UINT message, WPARAM, LPARAM)
{
    if (message == WM_INITDIALOG) {
        InitDialogDefaults(nullptr, dialog);
        return FALSE;
    }
    return FALSE;
}

struct Rect {
    RECT r;
    int Width() const { return r.right - r.left; }
    int Height() const { return r.bottom - r.top; }
};

Rect ScreenRect(HWND w)
{
    Rect r;
    GetWindowRect(w, &r.r);
    return r;
}

class DialogSetUp : public testing::Test {
protected:
    void TearDown() override
    {
        if (dialog) DestroyWindow(dialog);
        if (owner) DestroyWindow(owner);
    }
    HWND MakeOwner(int x, int y, DWORD exStyle)
    {
        owner = CreateWindowExA(exStyle, "STATIC", "owner", WS_POPUP | WS_VISIBLE, x, y, 300, 200, nullptr, nullptr,
                                nullptr, nullptr);
        return owner;
    }
    HWND Open(int id)
    {
        dialog = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), owner, SetUpDialogProc, 0);
        return dialog;
    }
    HWND owner = nullptr, dialog = nullptr;
};

HFONT FontOf(HWND dialog, int id)
{
    return (HFONT)SendDlgItemMessageA(dialog, id, WM_GETFONT, 0, 0);
}

TEST_F(DialogSetUp, BoldOnGroupBoxesTheDefaultButtonAndACaptionLineCheckBox)
{
    // Widths as the template makes them, before any set-up.
    HWND plain = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_TEST_SETUP), nullptr,
                                    [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; }, 0);
    ASSERT_NE(nullptr, plain);
    Rect captionBefore = ScreenRect(GetDlgItem(plain, IDX_TEST_CAPTION));
    Rect insideBefore = ScreenRect(GetDlgItem(plain, IDX_TEST_PLAIN));
    DestroyWindow(plain);

    ASSERT_NE(nullptr, Open(IDD_TEST_SETUP));
    UINT dpi = GetWindowDpi(dialog);
    HFONT bold = GetThemeFont(&g_theme, THEME_FONT_UI_BOLD, dpi < 96 ? 96 : dpi);
    EXPECT_EQ(bold, GetDialogBoldFont());
    static const struct { int id; bool bold; const char* why; } kControls[] = {
        {IDC_TEST_GROUP, true, "group box"},
        {IDC_TEST_GROUP2, true, "second group box"},
        {IDOK, true, "default button"},
        {IDX_TEST_CAPTION, true, "check box on the caption line"},
        {IDX_TEST_PLAIN, false, "check box inside the group"},
        {IDCANCEL, false, "other button"},
        {IDE_TEST_EDIT, false, "edit"},
        {IDT_TEST_LABEL, false, "label"},
    };
    for (const auto& c : kControls) {
        SCOPED_TRACE(c.why);
        if (c.bold)
            EXPECT_EQ(bold, FontOf(dialog, c.id));
        else
            EXPECT_NE(bold, FontOf(dialog, c.id));
    }
    Rect caption = ScreenRect(GetDlgItem(dialog, IDX_TEST_CAPTION));
    Rect inside = ScreenRect(GetDlgItem(dialog, IDX_TEST_PLAIN));
    EXPECT_EQ((int)(captionBefore.Width() * 1.2), caption.Width());
    EXPECT_EQ(captionBefore.Height(), caption.Height());
    EXPECT_EQ(insideBefore.Width(), inside.Width()) << "not on a caption line";
    EXPECT_EQ(GetDlgItem(dialog, IDOK), GetFocus()) << "the default button has the focus";

    // A DPI change applies the fonts again but widens nothing twice.
    ApplyDialogFontForDpi(dialog, 144);
    EXPECT_EQ(GetThemeFont(&g_theme, THEME_FONT_UI_BOLD, 144), FontOf(dialog, IDC_TEST_GROUP));
    EXPECT_EQ(caption.Width(), ScreenRect(GetDlgItem(dialog, IDX_TEST_CAPTION)).Width());
}

TEST_F(DialogSetUp, CentredOnItsOwnerAndKeptInTheWorkArea)
{
    MakeOwner(200, 150, 0);
    ASSERT_NE(nullptr, Open(IDD_TEST_SETUP));
    Rect o = ScreenRect(owner), d = ScreenRect(dialog);
    EXPECT_NEAR((o.r.left + o.r.right) / 2, (d.r.left + d.r.right) / 2, 1);
    EXPECT_NEAR((o.r.top + o.r.bottom) / 2, (d.r.top + d.r.bottom) / 2, 1);
    DestroyWindow(dialog);

    // An owner hanging over the bottom-right edge: the dialog comes fully in.
    MonitorTable monitors;
    RefreshMonitors();
    GetMonitorSnapshot(&monitors);
    const RECT work = monitors.workAreas[0];
    SetWindowPos(owner, nullptr, work.right - 100, work.bottom - 50, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    ASSERT_NE(nullptr, Open(IDD_TEST_SETUP));
    Rect clamped = ScreenRect(dialog);
    EXPECT_EQ(d.Width(), clamped.Width()) << "not resized";
    EXPECT_EQ(work.right, clamped.r.right);
    EXPECT_EQ(work.bottom, clamped.r.bottom);
}

TEST_F(DialogSetUp, TopmostOnlyUnderATopmostOwner)
{
    MakeOwner(100, 100, WS_EX_TOPMOST);
    ASSERT_NE(nullptr, Open(IDD_TEST_SETUP));
    EXPECT_TRUE(GetWindowLongA(dialog, GWL_EXSTYLE) & WS_EX_TOPMOST);
    DestroyWindow(dialog);
    DestroyWindow(owner);
    MakeOwner(100, 100, 0);
    ASSERT_NE(nullptr, Open(IDD_TEST_SETUP));
    EXPECT_FALSE(GetWindowLongA(dialog, GWL_EXSTYLE) & WS_EX_TOPMOST) << "a normal owner: normal z-order";
}

//--- layouts

INT_PTR CALLBACK QuietProc(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

Rect ClientPlace(HWND dialog, int id)
{
    Rect r;
    GetWindowRect(GetDlgItem(dialog, id), &r.r);
    MapWindowPoints(nullptr, dialog, (POINT*)&r.r, 2);
    return r;
}

// Grows every control and the dialog by 3/2, as Windows does on a DPI change.
void ScaleDialog(HWND dialog)
{
    for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        RECT r;
        GetWindowRect(c, &r);
        MapWindowPoints(nullptr, dialog, (POINT*)&r, 2);
        SetWindowPos(c, nullptr, r.left * 3 / 2, r.top * 3 / 2, (r.right - r.left) * 3 / 2, (r.bottom - r.top) * 3 / 2,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
    RECT w;
    GetWindowRect(dialog, &w);
    SetWindowPos(dialog, nullptr, 0, 0, (w.right - w.left) * 3 / 2, (w.bottom - w.top) * 3 / 2,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

TEST(DialogLayoutTest, DistancesFollowTheReferenceControlThroughADpiChange)
{
    HWND dialog = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_TEST_LAYOUT), nullptr, QuietProc, 0);
    ASSERT_NE(nullptr, dialog);
    DialogLayout layout;
    DialogLayoutInit(&layout, dialog, IDB_TEST_ADD);
    DialogLayoutAdd(&layout, GetDlgItem(dialog, IDC_TEST_LIST), LAYOUT_STRETCH_WIDTH | LAYOUT_STRETCH_HEIGHT);
    DialogLayoutAdd(&layout, GetDlgItem(dialog, IDB_TEST_ADD), LAYOUT_KEEP_RIGHT);
    DialogLayoutAdd(&layout, GetDlgItem(dialog, IDB_TEST_REMOVE), LAYOUT_FOLLOW_PREVIOUS);
    DialogLayoutAdd(&layout, GetDlgItem(dialog, IDCANCEL), LAYOUT_KEEP_RIGHT | LAYOUT_KEEP_BOTTOM);
    RECT client;
    GetClientRect(dialog, &client);
    Rect list = ClientPlace(dialog, IDC_TEST_LIST), add = ClientPlace(dialog, IDB_TEST_ADD),
         remove = ClientPlace(dialog, IDB_TEST_REMOVE), cancel = ClientPlace(dialog, IDCANCEL);

    ScaleDialog(dialog);
    DialogLayoutApply(&layout);
    RECT now;
    GetClientRect(dialog, &now);
    Rect list2 = ClientPlace(dialog, IDC_TEST_LIST), add2 = ClientPlace(dialog, IDB_TEST_ADD),
         remove2 = ClientPlace(dialog, IDB_TEST_REMOVE), cancel2 = ClientPlace(dialog, IDCANCEL);
    // Every recorded distance grew with the reference control.
    EXPECT_NEAR((client.right - cancel.r.right) * 3 / 2, now.right - cancel2.r.right, 2);
    EXPECT_NEAR((client.bottom - cancel.r.bottom) * 3 / 2, now.bottom - cancel2.r.bottom, 2);
    EXPECT_NEAR((client.right - add.r.right) * 3 / 2, now.right - add2.r.right, 2);
    EXPECT_NEAR((client.right - list.r.right) * 3 / 2, now.right - list2.r.right, 2);
    EXPECT_NEAR((client.bottom - list.r.bottom) * 3 / 2, now.bottom - list2.r.bottom, 2);
    EXPECT_NEAR((remove.r.top - add.r.top) * 3 / 2, remove2.r.top - add2.r.top, 2) << "offset from the previous";
    EXPECT_EQ(add2.r.left, remove2.r.left);
    DialogLayoutFree(&layout);
    DestroyWindow(dialog);
}

TEST(DialogLayoutTest, AMissingReferenceKeepsPixelDistances)
{
    HWND dialog = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_TEST_LAYOUT), nullptr, QuietProc, 0);
    ASSERT_NE(nullptr, dialog);
    DialogLayout layout;
    DialogLayoutInit(&layout, dialog, 4321);   // no such control
    DialogLayoutAdd(&layout, GetDlgItem(dialog, IDCANCEL), LAYOUT_KEEP_RIGHT | LAYOUT_KEEP_BOTTOM);
    DialogLayoutAdd(&layout, GetDlgItem(dialog, IDC_TEST_LIST), LAYOUT_STRETCH_WIDTH | LAYOUT_STRETCH_HEIGHT);
    RECT client;
    GetClientRect(dialog, &client);
    Rect cancel = ClientPlace(dialog, IDCANCEL), list = ClientPlace(dialog, IDC_TEST_LIST);
    RECT w;
    GetWindowRect(dialog, &w);
    SetWindowPos(dialog, nullptr, 0, 0, w.right - w.left + 60, w.bottom - w.top + 40, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(0, DialogLayoutApply(&layout));
    RECT now;
    GetClientRect(dialog, &now);
    Rect cancel2 = ClientPlace(dialog, IDCANCEL), list2 = ClientPlace(dialog, IDC_TEST_LIST);
    EXPECT_EQ(client.right - cancel.r.right, now.right - cancel2.r.right);
    EXPECT_EQ(client.bottom - cancel.r.bottom, now.bottom - cancel2.r.bottom);
    EXPECT_EQ(list.Width() + 60, list2.Width());
    EXPECT_EQ(list.Height() + 40, list2.Height());
    DialogLayoutFree(&layout);
    DestroyWindow(dialog);
}

//--- a real 144-DPI process

// The host's report: "dpi", "bold", "ref", "client", then "<id> left top right bottom".
std::map<std::string, std::vector<long>> RunLayoutHost(const std::string& folder, DWORD logPixels)
{
    std::map<std::string, std::vector<long>> out;
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return out;
    RegSetValueExA(key, "LogPixels", 0, REG_DWORD, (const BYTE*)&logPixels, sizeof(logPixels));
    std::string report = folder + "\\layout.txt";
    ChildProcess child;
    bool started = StartProcess("\"" + BinPath("dialoghost.exe") + "\" layout \"" + report + "\"", &child);
    long code = started ? WaitProcess(&child, 60000) : -1;
    CloseProcess(&child);
    RegDeleteValueA(key, "LogPixels");   // back to the prefix's own setting
    RegCloseKey(key);
    if (code != 0) return out;
    std::istringstream in(ReadWholeFile(report));
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string name;
        words >> name;
        long v;
        while (words >> v) out[name].push_back(v);
    }
    return out;
}

TEST(DialogLayoutDpi, AResizedDialogKeepsItsProportionsAt96And144)
{
    std::string folder = FreshFolderForThisTest();
    auto at96 = RunLayoutHost(folder, 96);
    auto at144 = RunLayoutHost(folder, 144);
    ASSERT_FALSE(at96.empty());
    ASSERT_FALSE(at144.empty());
    EXPECT_EQ(96, at96["dpi"][0]);
    ASSERT_EQ(144, at144["dpi"][0]) << "the host ran at 144 DPI";
    EXPECT_EQ(-12, at96["bold"][0]);
    EXPECT_EQ(-MulDiv(12, 144, 96), at144["bold"][0]) << "the dialog's bold font at its own DPI";

    double ref96w = at96["ref"][0], ref96h = at96["ref"][1], ref144w = at144["ref"][0], ref144h = at144["ref"][1];
    EXPECT_GT(ref144w, ref96w * 1.3) << "the reference control scales with the DPI";
    for (const char* id : {"1006", "1007", "1008", "1009", "1", "2"}) {
        SCOPED_TRACE(id);
        const std::vector<long>& a = at96[id];
        const std::vector<long>& b = at144[id];
        ASSERT_EQ(4u, a.size());
        ASSERT_EQ(4u, b.size());
        // Left, top, right and bottom distances in reference units. Dialog
        // units do not scale by exactly 3/2 with the font, so within 3 %.
        for (int k = 0; k < 4; k++) {
            double ra = a[k] / (k % 2 ? ref96h : ref96w), rb = b[k] / (k % 2 ? ref144h : ref144w);
            EXPECT_NEAR(ra, rb, std::max(0.12, 0.03 * ra))
                << "distance " << k << ": " << a[k] << " at 96, " << b[k] << " at 144";
        }
    }
}

}  // namespace
