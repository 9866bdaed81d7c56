// DialogUtilTest.cpp - number fields, control texts, enabling, the file and
// folder pickers and starting a program as the desktop user.
#include "framework/core/DialogUtil.h"
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

#include <cderr.h>
#include <objbase.h>

#include <string>
#include <thread>
#include <vector>

namespace {

class DialogFields : public testing::Test {
protected:
    void SetUp() override
    {
        parent = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 300, 200, nullptr, nullptr, nullptr, nullptr);
        for (int id = 1; id <= 4; id++)
            CreateWindowExA(0, "EDIT", "", WS_CHILD, 0, 20 * id, 100, 20, parent, (HMENU)(INT_PTR)(100 + id), nullptr,
                            nullptr);
        ASSERT_NE(nullptr, GetDlgItem(parent, 104));
    }
    void TearDown() override { DestroyWindow(parent); }
    HWND parent = nullptr;
};

TEST_F(DialogFields, NumbersClampAndDefault)
{
    static const struct { const char* text; int min, max, def, number, withDefault; } kRows[] = {
        // text     min  max  default         GetDlgItemNumber  ...Default
        {"42", 0, 100, 7, 42, 42},
        {"", 0, 100, 7, 0, 7},
        {"42px", 0, 100, 7, 0, 7},
        {"42px", 0, 100, DLG_NUMBER_LENIENT, 0, 42},
        {"420px", 0, 100, DLG_NUMBER_LENIENT, 0, 100},
        {"42", 10, 20, 7, 20, 20},
        {"5", 10, 20, 7, 10, 10},
        {"  -3", -10, 10, 7, -3, -3},
        {"+8", 0, 10, 7, 8, 8},
        {"abc", 0, 100, 7, 0, 7},
        {"abc", 0, 100, DLG_NUMBER_LENIENT, 0, 0},
        {"99999999999", 0, 100, 7, 100, 100},
        {"", 5, 9, 50, 5, 9},
    };
    for (const auto& row : kRows) {
        SCOPED_TRACE(testing::Message() << "\"" << row.text << "\" in " << row.min << ".." << row.max);
        SetDlgItemTextA(parent, 101, row.text);
        EXPECT_EQ(row.number, GetDlgItemNumber(parent, 101, row.min, row.max));
        EXPECT_EQ(row.withDefault, GetDlgItemNumberDefault(parent, 101, row.min, row.max, row.def));
    }
    SetDlgItemNumber(parent, 102, -1234);
    EXPECT_EQ(-1234, GetDlgItemNumber(parent, 102, -5000, 0));
}

TEST_F(DialogFields, FormattedTextsAreCutAt1023)
{
    std::string path(3000, 'p');
    SetDlgItemFormatted(parent, 101, "%s\\%s", "C:", path.c_str());
    char text[4096] = {};
    GetDlgItemTextA(parent, 101, text, sizeof(text));
    EXPECT_EQ(1023u, strlen(text));
    EXPECT_EQ(0, strncmp(text, "C:\\ppp", 6));
    SetDlgItemFormatted(parent, 102, "%d of %d", 3, 7);
    GetDlgItemTextA(parent, 102, text, sizeof(text));
    EXPECT_STREQ("3 of 7", text);
}

TEST_F(DialogFields, EnablingStopsAtTheFirstIdBelowOne)
{
    EnableDlgItems(false, parent, 101, 102, 0, 103, -1);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(parent, 101)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(parent, 102)));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(parent, 103))) << "after the end of the list";
    EnumChildWindows(parent, EnableChildWindowProc, FALSE);
    for (int id = 101; id <= 104; id++) EXPECT_FALSE(IsWindowEnabled(GetDlgItem(parent, id))) << id;
    EnumChildWindows(parent, EnableChildWindowProc, TRUE);
    for (int id = 101; id <= 104; id++) EXPECT_TRUE(IsWindowEnabled(GetDlgItem(parent, id))) << id;
}

//--- file and folder pickers through their seams

struct FileRun {
    bool save;
    DWORD flags;
    std::string initial, defExt;
};
std::vector<FileRun> g_runs;
const char* g_answer;

BOOL RecordingRunner(bool save, OPENFILENAMEA* ofn, DWORD* error)
{
    g_runs.push_back({save, ofn->Flags, ofn->lpstrFile, ofn->lpstrDefExt ? ofn->lpstrDefExt : ""});
    if (strchr(ofn->lpstrFile, '<')) {
        *error = FNERR_INVALIDFILENAME;
        return FALSE;
    }
    if (!g_answer) return FALSE;
    lstrcpynA(ofn->lpstrFile, g_answer, (int)ofn->nMaxFile);
    return TRUE;
}

TEST(FileDialogs, FlagsDefaultExtensionAndARejectedInitialName)
{
    g_runs.clear();
    g_answer = "C:\\data\\export.rulexp";
    SetFileDialogRunner(RecordingRunner);
    const char* got = FileDialog(true, "Rule Export (*.rulexp)\0*.rulexp\0", "My Rules");
    ASSERT_NE(nullptr, got);
    EXPECT_STREQ("C:\\data\\export.rulexp", got);
    ASSERT_EQ(1u, g_runs.size());
    EXPECT_EQ(0x88080Eu, g_runs[0].flags);
    EXPECT_EQ("My Rules", g_runs[0].initial);
    EXPECT_EQ("rulexp", g_runs[0].defExt);

    g_runs.clear();
    got = FileDialog(false, "All files\0*.*\0", "bad<name>");
    ASSERT_EQ(2u, g_runs.size()) << "opened again after the name was refused";
    EXPECT_EQ("bad<name>", g_runs[0].initial);
    EXPECT_EQ("", g_runs[1].initial);
    EXPECT_EQ(0x88100Cu, g_runs[1].flags);
    EXPECT_EQ("", g_runs[1].defExt) << "no extension for *.*";
    EXPECT_NE(nullptr, got);

    g_answer = nullptr;
    EXPECT_EQ(nullptr, FileDialog(false, "All files\0*.*\0", nullptr)) << "cancelled";
    SetFileDialogRunner(nullptr);
}

TEST(FileDialogs, FolderPickerChangesTheFolderOnlyWhenChosen)
{
    SetFolderDialogRunner([](const char*, char* folder) {
        lstrcpynA(folder, "C:\\Chosen", MAX_PATH);
        return true;
    });
    char folder[MAX_PATH] = "C:\\Start";
    EXPECT_EQ(1, BrowseForFolder("Pick", folder));
    EXPECT_STREQ("C:\\Chosen", folder);
    SetFolderDialogRunner([](const char*, char*) { return false; });
    EXPECT_EQ(2, BrowseForFolder(nullptr, folder));
    EXPECT_STREQ("C:\\Chosen", folder);
    SetFolderDialogRunner(nullptr);
}

// The real save dialog: a helper thread types the name into its edit (0x47C)
// and presses OK.
TEST(FileDialogs, TheRealSaveDialogReturnsTheTypedPath)
{
    std::string folder = FreshFolderForThisTest();
    std::string want = folder + "\\typed.txt";
    DWORD self = GetCurrentProcessId();
    bool typed = false;
    std::thread user([&] {
        HWND dialog = nullptr;
        for (int i = 0; i < 300 && !dialog; i++) {
            HWND found = FindProcessWindow(self, "#32770");
            if (found && IsWindowVisible(found) && GetDlgItem(found, 0x47C)) dialog = found;
            else Sleep(50);
        }
        if (!dialog) return;
        SetDlgItemTextA(dialog, 0x47C, want.c_str());
        typed = true;
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    });
    const char* got = FileDialog(true, "Text (*.txt)\0*.txt\0", nullptr);
    user.join();
    ASSERT_TRUE(typed) << "the save dialog never showed";
    ASSERT_NE(nullptr, got);
    EXPECT_STREQ(want.c_str(), got);
}

//--- COM stays balanced

void RunOnThread(DWORD apartment, HRESULT* afterCall)
{
    std::thread t([&] {
        bool outer = apartment != (DWORD)-1;
        if (outer) CoInitializeEx(nullptr, apartment);
        ShellExecuteAsUser(BinPath("dialoghost.exe").c_str(), "quit", 0, "open", SW_HIDE);
        // Initialising again tells what is left: S_FALSE while the thread is
        // still in its apartment, S_OK when nothing was left behind.
        *afterCall = CoInitializeEx(nullptr, outer ? apartment : (DWORD)COINIT_APARTMENTTHREADED);
        if (SUCCEEDED(*afterCall)) CoUninitialize();
        if (outer) CoUninitialize();
    });
    t.join();
}

TEST(ShellExecuteAsUserTest, ComStaysBalancedInAnyApartment)
{
    HRESULT after = E_FAIL;
    RunOnThread(COINIT_MULTITHREADED, &after);
    EXPECT_EQ(S_FALSE, after) << "a thread already in another apartment keeps it";
    RunOnThread(COINIT_APARTMENTTHREADED, &after);
    EXPECT_EQ(S_FALSE, after) << "a thread in the same apartment keeps it";
    RunOnThread((DWORD)-1, &after);
    EXPECT_EQ(S_OK, after) << "a thread without COM is left without it";
}

}  // namespace
