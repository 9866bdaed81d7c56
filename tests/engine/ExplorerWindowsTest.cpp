// ExplorerWindowsTest.cpp - Explorer folder windows through a fake shell:
// collecting a profile's folder windows and reopening them, reading and
// applying a folder view, and a rule that matches a folder window by its path
// in a monitor pass.
#include "engine/ExplorerWindows.h"
#include "engine/MonitorPass.h"
#include "engine/OptionsRecord.h"
#include "engine/Rules.h"
#include "engine/ShellFolderViews.h"
#include "engine/WindowTable.h"
#include "framework/core/AppObject.h"
#include "framework/core/TextUtil.h"
#include "tests/engine/RuleTestUtil.h"
#include "tests/support/FakeShellViews.h"
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

namespace {

// A property key with a recognisable format id; the property id tells columns apart.
SortColumnState Column(uint32_t property, int32_t direction)
{
    SortColumnState c = {};
    c.formatId = {0xB725F130, 0x47EF, 0x101A, {0xA5, 0xF1, 0x02, 0x60, 0x8C, 0x9E, 0xEB, 0xAC}};
    c.propertyId = property;
    c.direction = direction;
    return c;
}

ExplorerWindowEntry Entry(uint32_t type, const char* prog, const char* args = "")
{
    ExplorerWindowEntry e = {};
    e.type = type;
    CopyText(e.prog, sizeof(e.prog), prog);
    CopyText(e.args, sizeof(e.args), args);
    return e;
}

std::string Describe(const GrowArray<ExplorerWindowEntry>* list)
{
    std::string s;
    for (int32_t i = 0; i < list->count; i++)
        s += std::to_string(list->data[i].type) + ":" + list->data[i].prog + ":" + list->data[i].args + "|";
    return s;
}

std::string Joined(const std::vector<std::string>& parts)
{
    std::string s;
    for (const std::string& p : parts) s += p + "|";
    return s;
}

// A top-level window of this process under the class Explorer gives its folder windows.
HWND MakeFolderWindow(const char* title)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "CabinetWClass";
    RegisterClassA(&wc);
    HWND w = CreateWindowExA(0, "CabinetWClass", title, WS_OVERLAPPEDWINDOW, 120, 120, 400, 300, nullptr, nullptr,
                             wc.hInstance, nullptr);
    ShowWindow(w, SW_SHOWNOACTIVATE);
    return w;
}

class FakeShell : public testing::Test {
protected:
    void SetUp() override
    {
        SetShellFolderViews(&shell);
        ASSERT_TRUE(InitProfile(&profile, true));
    }
    void TearDown() override
    {
        SetShellFolderViews(nullptr);
        FreeProfileLists(&profile);
        for (HWND w : windows) DestroyWindow(w);
    }
    HWND Folder(const char* title, const wchar_t* parsingName, const char* path)
    {
        HWND w = MakeFolderWindow(title);
        windows.push_back(w);
        FakeFolderWindow f;
        f.window = w;
        f.parsingName = parsingName;
        f.path = path;
        shell.Add(f);
        return w;
    }
    void SetEntries(const std::vector<ExplorerWindowEntry>& entries)
    {
        profile.pExpWin->count = 0;
        for (const ExplorerWindowEntry& e : entries) ASSERT_GE(ArrayAppend(profile.pExpWin, &e), 0);
        profile.iNumExpWin = profile.pExpWin->count;
    }
    FakeShellViews shell;
    Profile profile = {};
    std::vector<HWND> windows;
};

}  // namespace

//--- collecting

TEST_F(FakeShell, CollectingReplacesCollectedEntriesOncePerWindowAndKeepsTheUsers)
{
    Folder("A", L"C:\\Data\\A", "C:\\Data\\A");
    Folder("This PC", L"::{20D04FE0-3AEA-1069-A2D8-08002B30309D}", "");
    Folder("Nameless", L"", "");
    SetEntries({Entry(1, "notepad.exe", "x.txt"), Entry(EXPWIN_COLLECTED, "C:\\Old"), Entry(2, "C:\\Tools")});
    const std::string want =
        "1:notepad.exe:x.txt|2:C:\\Tools:|0:C:\\Data\\A:|0:::{20D04FE0-3AEA-1069-A2D8-08002B30309D}:|";
    EXPECT_EQ(2, CollectExplorerWindows(&profile));
    EXPECT_EQ(want, Describe(profile.pExpWin));
    EXPECT_EQ(4, profile.iNumExpWin);
    EXPECT_EQ(2, CollectExplorerWindows(&profile));
    EXPECT_EQ(want, Describe(profile.pExpWin)) << "collecting again does not add the windows twice";
}

// A list that cannot be read to its end says nothing of the open windows:
// the saved folder windows must survive it.
TEST_F(FakeShell, FailedListKeepsEveryEntry)
{
    struct Case {
        int failAfter;   // -1: the list is read whole
        bool withWindows;
        const char* why;
    } cases[] = {
        {0, true, "the list cannot be read at all"},
        {1, true, "the list fails part way"},
        {0, false, "the list of no window fails"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        FakeShellViews local;
        SetShellFolderViews(&local);
        if (c.withWindows) {
            FakeFolderWindow a, b;
            a.window = (HWND)0x1234;
            a.parsingName = L"C:\\New\\A";
            b.window = (HWND)0x5678;
            b.parsingName = L"C:\\New\\B";
            local.Add(a);
            local.Add(b);
        }
        local.FailListAfter(c.failAfter);
        SetEntries({Entry(EXPWIN_COLLECTED, "C:\\Saved"), Entry(1, "calc.exe")});
        EXPECT_EQ(-1, CollectExplorerWindows(&profile));
        EXPECT_EQ("0:C:\\Saved:|1:calc.exe:|", Describe(profile.pExpWin));
        EXPECT_EQ(1, local.ListCalls());
    }
    SetShellFolderViews(&shell);
}

TEST_F(FakeShell, CollectingWithNoFolderWindowOpenRemovesTheCollectedEntries)
{
    SetEntries({Entry(EXPWIN_COLLECTED, "C:\\Old"), Entry(1, "calc.exe"), Entry(EXPWIN_COLLECTED, "C:\\Older")});
    EXPECT_EQ(0, CollectExplorerWindows(&profile));
    EXPECT_EQ("1:calc.exe:|", Describe(profile.pExpWin));
    EXPECT_EQ(1, profile.iNumExpWin);
    EXPECT_EQ(1, shell.ListCalls());
}

//--- reopening

struct TitleSearch {
    std::string prefix, title;
    HWND found;
};

BOOL CALLBACK FindTitled(HWND window, LPARAM data)
{
    TitleSearch* s = (TitleSearch*)data;
    char title[256] = {};
    GetWindowTextA(window, title, sizeof(title));
    if (strncmp(title, s->prefix.c_str(), s->prefix.size()) != 0) return TRUE;
    s->found = window;
    s->title = title;
    return FALSE;
}

// Entries of both kinds are opened through the shell shown without
// activation: test windows started so tell in their titles the show command
// they were given.
TEST_F(FakeShell, ReopeningShowsEveryEntryWithoutActivation)
{
    std::string program = BinPath("testwindow.exe");
    const char* names[] = {"PS Reopened Collected", "PS Reopened Users"};
    std::string args[2];
    for (int i = 0; i < 2; i++) args[i] = std::string("--title \"") + names[i] + "\" --stay 1 --showntitle 1";
    SetEntries({Entry(EXPWIN_COLLECTED, program.c_str(), args[0].c_str()), Entry(3, program.c_str(), args[1].c_str())});
    RestoreExplorerWindows(&profile);
    for (const char* name : names) {
        SCOPED_TRACE(name);
        TitleSearch s{name, "", nullptr};
        EXPECT_TRUE(PumpUntil([&] { return !EnumWindows(FindTitled, (LPARAM)&s) && s.found; }, 20000));
        EXPECT_EQ(std::string(name) + " shown 8", s.title) << "SW_SHOWNA";
        if (s.found) PostMessageA(s.found, WM_CLOSE, 0, 0);
    }
}

// Parsing names are kept as UTF-8 of at most 259 bytes, never cut inside a character.
TEST_F(FakeShell, LongParsingNamesAreCutOnACharacterBoundary)
{
    struct Case {
        std::wstring name;
        std::string want;
        const char* why;
    } cases[] = {
        {std::wstring(259, L'a'), std::string(259, 'a'), "fits exactly"},
        {std::wstring(300, L'b'), std::string(259, 'b'), "cut at 259 bytes"},
        {L"C:\\x" + std::wstring(200, L'\u00e9'), "C:\\x" + std::string(127 * 2, '\0'), "two-byte characters"},
        {L"C:\\" + std::wstring(100, L'\u20ac'), "C:\\" + std::string(85 * 3, '\0'), "three-byte characters"},
        {std::wstring(257, L'c') + L"\U0001F600", std::string(257, 'c'), "a surrogate pair across the end"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        FakeShellViews local;
        SetShellFolderViews(&local);
        FakeFolderWindow f;
        f.window = (HWND)0x1234;
        f.parsingName = c.name;
        local.Add(f);
        SetEntries({});
        ASSERT_EQ(1, CollectExplorerWindows(&profile));
        const char* prog = profile.pExpWin->data[0].prog;
        // The expected text: the name's UTF-8 cut to the expected length.
        char full[1200] = "";
        WideCharToMultiByte(CP_UTF8, 0, c.name.c_str(), -1, full, sizeof(full), nullptr, nullptr);
        std::string want(full, c.want.size());
        EXPECT_EQ(want, std::string(prog));
        wchar_t back[300];
        EXPECT_NE(0, MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, prog, -1, back, 300)) << "valid UTF-8";
    }
    SetShellFolderViews(&shell);
}

//--- reading a folder's view into a rule

TEST_F(FakeShell, ReadingTheViewFillsTheRuleAsFarAsTheShellAnswers)
{
    struct Case {
        bool viewFails, countFails, columnFails;
        int32_t wantMode, wantSize, wantSortCount;
        const char* why;
    } cases[] = {
        {false, false, false, 4, 48, 1, "everything read"},
        {true, false, false, 0, 7, 1, "view mode unreadable: 0, icon size kept"},
        {false, true, false, 4, 48, 0, "sort count unreadable"},
        {false, false, true, 4, 48, 0, "sort column unreadable"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        FakeShellViews local;
        SetShellFolderViews(&local);
        FakeFolderWindow f;
        f.window = (HWND)0x1234;
        f.viewMode = 4;
        f.iconSize = 48;
        f.sortColumns = {Column(10, -1), Column(4, 1)};
        f.viewModeFails = c.viewFails;
        f.sortCountFails = c.countFails;
        f.sortColumnsFails = c.columnFails;
        local.Add(f);
        Rule r = AnyWindowRule(1);
        r.viewmode = 9;
        r.iconsize = 7;
        r.numsortcol = 5;
        EXPECT_TRUE(ReadFolderViewSettings((HWND)0x1234, &r));
        EXPECT_EQ(c.wantMode, r.viewmode);
        EXPECT_EQ(c.wantSize, r.iconsize);
        EXPECT_EQ(c.wantSortCount, r.numsortcol);
        if (c.wantSortCount) {
            EXPECT_EQ(10u, r.sortcolumn.propertyId);
            EXPECT_EQ(-1, r.sortcolumn.direction);
        }
    }
    SetShellFolderViews(&shell);

    // A window that is no folder window leaves the rule as it was.
    Rule r = AnyWindowRule(1);
    r.viewmode = 9;
    r.numsortcol = 1;
    Rule before;
    memcpy(&before, &r, sizeof(r));
    EXPECT_FALSE(ReadFolderViewSettings((HWND)0x9999, &r));
    EXPECT_EQ(0, memcmp(&before, &r, sizeof(r)));
}

//--- applying a view

// The thread procedure on its own copy: view mode only when set, one sort
// column at most (the rule holds one).
TEST_F(FakeShell, ApplyingAViewSetsWhatTheRuleHolds)
{
    HWND folder = Folder("A", L"C:\\A", "C:\\A");
    struct Case {
        int32_t viewMode, iconSize, sortCount;
        const char* want;
        const char* why;
    } cases[] = {
        {4, 96, 1, "view 4 96|sort 1 10 -1|", "view and sort"},
        {0, 96, 1, "sort 1 10 -1|", "view mode 0 only sorts"},
        {6, 32, 0, "view 6 32|", "no sort column"},
        {0, 0, 2, "sort 1 10 -1|", "a stored count above one sets the one column"},
    };
    size_t seen = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        Rule* copy = (Rule*)malloc(sizeof(Rule));
        ASSERT_NE(nullptr, copy);
        *copy = AnyWindowRule(1);
        copy->viewmode = c.viewMode;
        copy->iconsize = c.iconSize;
        copy->numsortcol = c.sortCount;
        copy->sortcolumn = Column(10, -1);
        copy->windows[0] = folder;
        EXPECT_EQ(1u, ApplyFolderViewThread(copy));
        std::vector<std::string> changes = shell.Changes(folder);
        EXPECT_EQ(c.want, Joined(std::vector<std::string>(changes.begin() + seen, changes.end())));
        seen = changes.size();
    }
    Rule* copy = (Rule*)malloc(sizeof(Rule));
    ASSERT_NE(nullptr, copy);
    *copy = AnyWindowRule(1);
    copy->viewmode = 4;
    copy->windows[0] = (HWND)0x9999;
    EXPECT_EQ(0u, ApplyFolderViewThread(copy)) << "no such folder window";
}

// Applying a rule starts the view thread only for a rule that remembers a
// view mode other than 0.
TEST_F(FakeShell, ApplyingARuleSetsTheViewOnlyWithRememberedViewMode)
{
    HWND folder = Folder("A", L"C:\\A", "C:\\A");
    MonitoredWindow e = EntryOf(folder);
    Rule off = AnyWindowRule(1);
    off.moveto = off.sizeto = off.stateto = 0;
    off.remviewmode = 0;
    off.viewmode = 3;
    Rule modeZero = off;
    modeZero.remviewmode = 1;
    modeZero.viewmode = 0;
    modeZero.numsortcol = 1;
    modeZero.sortcolumn = Column(4, 1);
    Rule on = off;
    on.remviewmode = 1;
    on.viewmode = 5;
    on.iconsize = 64;
    EXPECT_TRUE(ApplyRuleToWindow(&e, &off, 0, APPLY_ALL));
    EXPECT_TRUE(ApplyRuleToWindow(&e, &modeZero, 0, APPLY_ALL));
    EXPECT_TRUE(ApplyRuleToWindow(&e, &on, 0, APPLY_ALL));
    ASSERT_TRUE(PumpUntil([&] { return !shell.Changes(folder).empty(); }, 10000));
    EXPECT_EQ("view 5 64|", Joined(shell.Changes(folder)));
}

//--- the folder criterion

TEST_F(FakeShell, FolderCriterionTestsThePathTheWindowShows)
{
    HWND photos = Folder("Photos", L"C:\\Users\\Ann\\Photos", "C:\\Users\\Ann\\Photos");
    HWND other = MakeFolderWindow("Elsewhere");   // unknown to the shell: no path
    windows.push_back(other);
    struct Case {
        HWND window;
        uint8_t check, mode;
        const char* path;
        bool want;
        const char* why;
    } cases[] = {
        {photos, 1, CMP_EQUALS, "C:\\Users\\Ann\\Photos", true, "is"},
        {photos, 1, CMP_EQUALS, "C:\\Users\\Ann", false, "is, a parent"},
        {photos, 1, CMP_CONTAINS, "Bob|Ann", true, "contains one of two"},
        {photos, 1, CMP_STARTS_WITH, "D:\\|C:\\Users", true, "begins with"},
        {photos, 1, CMP_ENDS_WITH, "Photos", true, "ends with"},
        {photos, 1, CMP_REGEX, "C:.*\\\\Photos", true, "regular expression"},
        {photos, 1, CMP_EQUALS | CMP_NEGATE, "C:\\Users\\Ann\\Photos", false, "not"},
        {photos, 0, CMP_EQUALS, "C:\\nowhere", true, "not checked: any path"},
        {other, 1, CMP_EQUALS, "C:\\Users\\Ann\\Photos", false, "no folder: the empty path"},
        {other, 1, CMP_CONTAINS, "", true, "no folder: an empty token is in every text"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        Rule r = AnyWindowRule(1);
        r.checkfullpath = c.check;
        r.cmpfullpath = c.mode;
        SET_RULE_TEXT(&r, fullpath, c.path);
        r.sepor[0] = '|';
        MonitoredWindow e = EntryOf(c.window);
        uint32_t detail = 0;
        EXPECT_EQ(c.want, MatchRule(&r, &e, &detail));
        EXPECT_EQ(c.want, (detail & 0x8) != 0);
    }
}

// The shell walks every open folder window for a path: it is asked only for
// a rule that tests the folder and whose other criteria hold.
TEST_F(FakeShell, FolderPathIsAskedOnlyWhenItCanDecide)
{
    HWND photos = Folder("Photos", L"C:\\Photos", "C:\\Photos");
    MonitoredWindow e = EntryOf(photos);
    Rule unchecked = AnyWindowRule(1);
    SET_RULE_TEXT(&unchecked, fullpath, "C:\\Photos");
    unchecked.cmpfullpath = CMP_EQUALS;
    EXPECT_TRUE(MatchRule(&unchecked, &e, nullptr));
    Rule otherTitle = unchecked;
    otherTitle.checkfullpath = 1;
    SET_CAPTION(&otherTitle, "Music", CMP_EQUALS);
    EXPECT_FALSE(MatchRule(&otherTitle, &e, nullptr));
    EXPECT_EQ(0, shell.OpenCalls());

    // Positive control: the same rule on its own title asks once.
    SET_CAPTION(&otherTitle, "Photos", CMP_EQUALS);
    EXPECT_TRUE(MatchRule(&otherTitle, &e, nullptr));
    EXPECT_EQ(1, shell.OpenCalls());
}

// End to end in a pass: the rule takes the folder window whose path fits and
// gives it the rule's view; the other folder window is left alone.
TEST_F(FakeShell, PassMatchesAFolderWindowByItsPathAndAppliesTheView)
{
    AppConstruct(&g_app);
    InitTableLock();
    SerializeOptions(0);
    HWND photos = Folder("Pictures", L"C:\\Users\\Ann\\Photos", "C:\\Users\\Ann\\Photos");
    HWND music = Folder("Pictures", L"C:\\Users\\Ann\\Music", "C:\\Users\\Ann\\Music");
    Rule r = AnyWindowRule(7);
    r.moveto = r.sizeto = r.stateto = 0;
    SET_CLASS(&r, "CabinetWClass", CMP_EQUALS);
    r.checkfullpath = 1;
    r.cmpfullpath = CMP_ENDS_WITH;
    SET_RULE_TEXT(&r, fullpath, "\\Photos");
    r.remviewmode = 1;
    r.viewmode = 4;
    r.iconsize = 96;
    r.numsortcol = 1;
    r.sortcolumn = Column(10, -1);
    ASSERT_GE(ArrayAppend(profile.pRules, &r), 0);
    g_windowCount = 0;
    ASSERT_TRUE(EnterTableLock(100));
    MonitorPass(&profile, 1, 0, 1);
    LeaveTableLock();
    Rule* rule = &profile.pRules->data[profile.pRules->count - 1];
    EXPECT_TRUE(RuleHolds(rule, photos));
    EXPECT_FALSE(RuleHolds(rule, music));
    EXPECT_TRUE(PumpUntil([&] { return shell.Changes(photos).size() == 2; }, 10000));
    EXPECT_EQ("view 4 96|sort 1 10 -1|", Joined(shell.Changes(photos)));
    EXPECT_TRUE(shell.Changes(music).empty());
    g_windowCount = 0;
}
