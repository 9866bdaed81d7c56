// AboutBoxTest.cpp - the About box in the test's own process: the version in
// bold, the folder links and what opens them, its owner, and the restart a
// reset offers.
#include "framework/services/AboutBox.h"

#include "framework/services/AboutBoxRes.h"
#include "framework/services/Archive.h"
#include "tests/services/ArchiveTestUtil.h"

#include <commctrl.h>

#include <set>

static std::string ControlText(HWND dialog, int id)
{
    char text[512] = {};
    GetDlgItemTextA(dialog, id, text, sizeof(text));
    return text;
}

static LONG FontWeight(HWND window)
{
    LOGFONTA lf = {};
    HFONT font = (HFONT)SendMessageA(window, WM_GETFONT, 0, 0);
    return font && GetObjectA(font, sizeof(lf), &lf) ? lf.lfWeight : 0;
}

struct TooltipSearch {
    HWND owner;
    std::set<std::string> texts;
};

static BOOL CALLBACK CollectTooltips(HWND window, LPARAM data)
{
    TooltipSearch* search = (TooltipSearch*)data;
    char cls[32] = {};
    GetClassNameA(window, cls, sizeof(cls));
    if (strcmp(cls, TOOLTIPS_CLASSA) != 0 || GetWindow(window, GW_OWNER) != search->owner) return TRUE;
    TOOLINFOA tool = {};
    tool.cbSize = sizeof(tool);
    if (!SendMessageA(window, TTM_ENUMTOOLSA, 0, (LPARAM)&tool)) return TRUE;
    char text[MAX_PATH] = {};
    tool.lpszText = text;
    SendMessageA(window, TTM_GETTEXTA, sizeof(text), (LPARAM)&tool);
    search->texts.insert(text);
    return TRUE;
}

static std::set<std::string> TooltipTexts(HWND owner)
{
    TooltipSearch search = {owner, {}};
    EnumThreadWindows(GetCurrentThreadId(), CollectTooltips, (LPARAM)&search);
    return search.texts;
}

class AboutBox : public ConfigFolderTest {
protected:
    void SetUp() override
    {
        ConfigFolderTest::SetUp();
        install = root + "\\install";
        CopyText(g_app.installRecord.installFolder, sizeof(g_app.installRecord.installFolder), install.c_str());
    }
    // Folders short enough for a tooltip's text (Wine hands out 80 characters).
    void UseShortFolders()
    {
        install = "C:\\Program Files\\Brimvale\\PanelShepherd";
        data = "C:\\users\\test\\AppData\\Roaming\\Brimvale\\PanelShepherd";
        CopyText(g_app.installRecord.installFolder, sizeof(g_app.installRecord.installFolder), install.c_str());
        CopyText(g_app.dataFolder, sizeof(g_app.dataFolder), data.c_str());
    }
    void TearDown() override
    {
        if (dialog) DestroyWindow(dialog);
        ConfigFolderTest::TearDown();
    }
    HWND Open()
    {
        dialog = CreateDialogParamA(g_app.instance, MAKEINTRESOURCEA(IDD_ABOUT), nullptr, AboutDlgProc, 0);
        if (dialog) ShowWindow(dialog, SW_SHOW);
        return dialog;
    }
    void Command(int id) { SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)GetDlgItem(dialog, id)); }

    std::string install;
    HWND dialog = nullptr;
};

TEST_F(AboutBox, ShowsTheVersionInBoldAndTheFoldersAsLinks)
{
    UseShortFolders();
    ASSERT_TRUE(Open());
    char caption[64] = {};
    GetWindowTextA(dialog, caption, sizeof(caption));
    EXPECT_STREQ("PanelShepherd", caption);
    EXPECT_EQ("PanelShepherd v2.9.7", ControlText(dialog, IDT_ABOUT_VERSION));
    EXPECT_GE(FontWeight(GetDlgItem(dialog, IDT_ABOUT_VERSION)), FW_BOLD);
    EXPECT_LT(FontWeight(dialog), FW_BOLD) << "only the version is bold";
    EXPECT_EQ(install, ControlText(dialog, IDT_ABOUT_PROGRAM)) << "an empty static shows its target";
    EXPECT_EQ(data, ControlText(dialog, IDT_ABOUT_DATA));
    EXPECT_EQ(std::set<std::string>({install, data}), TooltipTexts(dialog));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDHELP))) << "no application window to show help";

    // The link draws itself: blue text on the dialog's background.
    HWND link = GetDlgItem(dialog, IDT_ABOUT_DATA);
    RECT r;
    GetClientRect(link, &r);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, r.right, r.bottom);
    HGDIOBJ old = SelectObject(memory, bitmap);
    SendMessageA(link, WM_PRINTCLIENT, (WPARAM)memory, PRF_CLIENT);
    int blue = 0;
    for (int y = 0; y < r.bottom; y++)
        for (int x = 0; x < r.right; x++)
            if (GetPixel(memory, x, y) == RGB(0, 0, 255)) blue++;
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    EXPECT_GT(blue, 20);
}

TEST_F(AboutBox, ClickOrSpaceOnAFocusedLinkOpensItsFolder)
{
    UseShortFolders();
    ASSERT_TRUE(Open());
    HWND dataLink = GetDlgItem(dialog, IDT_ABOUT_DATA);
    HWND programLink = GetDlgItem(dialog, IDT_ABOUT_PROGRAM);

    SendMessageA(dataLink, WM_SETCURSOR, (WPARAM)dataLink, MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(LoadCursorA(nullptr, IDC_HAND), GetCursor());

    SendMessageA(dataLink, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    EXPECT_EQ(dataLink, GetFocus()) << "a press takes the focus";
    EXPECT_TRUE(g_standIns.opened.empty()) << "the release opens, not the press";
    SendMessageA(dataLink, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    EXPECT_EQ(std::vector<std::string>({data}), g_standIns.opened);

    // Space on the focused link; a held key's repeats open nothing more.
    SetFocus(programLink);
    SendMessageA(programLink, WM_KEYDOWN, VK_SPACE, 1);
    SendMessageA(programLink, WM_KEYDOWN, VK_SPACE, 1 | 0x40000000);
    EXPECT_EQ(std::vector<std::string>({data, install}), g_standIns.opened);

    // A release or a key without the focus opens nothing.
    SetFocus(GetDlgItem(dialog, IDOK));
    SendMessageA(dataLink, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    SendMessageA(programLink, WM_KEYDOWN, VK_SPACE, 1);
    EXPECT_EQ(2u, g_standIns.opened.size());

    // Closed and opened again, the links work as before; their tooltips go with the box.
    DestroyWindow(dialog);
    EXPECT_TRUE(TooltipTexts(dialog).empty());
    ASSERT_TRUE(Open());
    SendMessageA(GetDlgItem(dialog, IDT_ABOUT_DATA), WM_LBUTTONDOWN, MK_LBUTTON, 0);
    SendMessageA(GetDlgItem(dialog, IDT_ABOUT_DATA), WM_LBUTTONUP, 0, 0);
    EXPECT_EQ(3u, g_standIns.opened.size());
    EXPECT_EQ(std::set<std::string>({install, data}), TooltipTexts(dialog));
}

// The reset asks first, then offers the restart; OK quits for a restart with
// the same command line and tells other instances.
TEST_F(AboutBox, ResetOffersTheRestart)
{
    ASSERT_TRUE(Open());
    CopyText(g_app.commandLine, sizeof(g_app.commandLine), "-MINIMIZE -X");
    g_standIns.answers = {IDYES, IDCANCEL};
    Command(IDB_ABOUT_RESET);
    ASSERT_EQ(2u, g_standIns.boxes.size());
    EXPECT_EQ("Data reset successfully!\nThe program must be restarted to apply the changes.\nClick OK to "
              "restart the program now.",
              g_standIns.boxes[1]);
    EXPECT_EQ(0u, g_app.restartMode) << "cancelled: the reset waits for the next start";
    EXPECT_TRUE(FileExists(ImportLocation()));
    EXPECT_TRUE(IsWindow(dialog));

    g_standIns.answers = {IDYES, IDOK};
    Command(IDB_ABOUT_RESET);
    EXPECT_NE(0u, g_app.restartMode);
    EXPECT_STREQ("-MINIMIZE -X", g_app.restartCommandLine);
    EXPECT_EQ(1, g_app.broadcastRestart);
    MSG msg;
    EXPECT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "the program quits";
    g_app.restartMode = 0;
    g_app.broadcastRestart = 0;

    // A reset declined at the question offers nothing.
    g_standIns.boxes.clear();
    g_standIns.answers = {IDNO};
    Command(IDB_ABOUT_RESET);
    EXPECT_EQ(1u, g_standIns.boxes.size());
}

TEST_F(AboutBox, BackupReportsSuccessAndDoesNotRestart)
{
    ASSERT_TRUE(Open());
    Write(data + "\\Options.zpx", "options");
    g_standIns.filePath = root + "\\backup.BrimvaleConfig";
    Command(IDB_ABOUT_BACKUP);
    EXPECT_EQ(std::vector<std::string>({"Data backed up successfully!"}), g_standIns.boxes);
    EXPECT_EQ(3u, ReadArchiveEntries(g_standIns.filePath).size()) << "product, options and (ZRP)App";
    EXPECT_EQ(0u, g_app.restartMode);
    EXPECT_TRUE(FileExists(data + "\\(ZRP)App.zpx")) << "the layout records are saved first";
}

//--- the owner

static HWND g_seenOwner;

static void CALLBACK CloseAboutBox(HWND, UINT, UINT_PTR timer, DWORD)
{
    HWND box = FindWindowA("#32770", "PanelShepherd");
    if (!box || !IsWindowVisible(box)) return;
    KillTimer(nullptr, timer);
    g_seenOwner = GetWindow(box, GW_OWNER);
    PostMessageA(box, WM_COMMAND, IDOK, 0);
}

static LRESULT CALLBACK PlainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(window, message, wParam, lParam);
}

TEST_F(AboutBox, WithoutAnOwnerTheForegroundWindowOfThisProgramOwnsIt)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = PlainWindowProc;
    wc.hInstance = g_app.instance;
    wc.lpszClassName = "AboutBoxTestOwner";
    RegisterClassA(&wc);
    HWND front = CreateWindowExA(0, wc.lpszClassName, "front", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50, 300, 200,
                                 nullptr, nullptr, g_app.instance, nullptr);
    ASSERT_TRUE(front);
    SetForegroundWindow(front);
    ASSERT_TRUE(PumpUntil([&] { return GetForegroundWindow() == front; }, 5000));
    g_seenOwner = (HWND)-1;
    SetTimer(nullptr, 0, 10, CloseAboutBox);
    ShowAboutBox(nullptr, 0);
    EXPECT_EQ(front, g_seenOwner);
    DestroyWindow(front);
}
