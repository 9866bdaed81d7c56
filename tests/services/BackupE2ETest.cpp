// BackupE2ETest.cpp - the real program's configuration archives: the
// scheduled archive at start-up and its pruning, an archive job killed while
// it writes, and backup, restore and reset through the About box (in the
// build whose file dialogs and shell the test answers), each across the
// restart that applies it.
#include "engine/OptionsRecord.h"
#include "framework/core/TextUtil.h"
#include "framework/core/ZipArchive.h"
#include "framework/services/AboutBoxRes.h"
#include "framework/services/Archive.h"
#include "resources/Version.h"
#include "tests/core/ZipTestUtil.h"
#include "tests/services/ArchiveTestUtil.h"
#include "tests/support/HostTools.h"
#include "tests/support/ProgramFixture.h"

#include <gtest/gtest.h>

#include <time.h>

#include <algorithm>
#include <set>
#include <sstream>

static const int64_t kDay = 86400;
static const char kOverwrite[] = "Warning: your current configuration will be overwritten!\nDo you want to continue?";
static const char kRestart[] = "The program must be restarted to apply the changes.\nClick OK to restart the program now.";

static int64_t Today()
{
    return (int64_t)time(nullptr) / kDay * kDay;
}

static std::string TodaysArchiveName()
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    char name[64];
    FormatText(name, sizeof(name), "PanelShepherd-%04u.%02u.%02u.BrimvaleConfig", now.wYear, now.wMonth, now.wDay);
    return name;
}

struct WindowSearch {
    DWORD pid;
    std::vector<HWND> found;
};

static BOOL CALLBACK CollectDialogs(HWND window, LPARAM data)
{
    WindowSearch* s = (WindowSearch*)data;
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    char cls[16] = {};
    GetClassNameA(window, cls, sizeof(cls));
    if (pid == s->pid && strcmp(cls, "#32770") == 0 && IsWindowVisible(window)) s->found.push_back(window);
    return TRUE;
}

// Every visible dialog of the process.
static std::vector<HWND> ProcessDialogs(DWORD pid)
{
    WindowSearch s = {pid, {}};
    EnumWindows(CollectDialogs, (LPARAM)&s);
    return s.found;
}

// The seams' answers and calls in the data folder, which is there from the start.
class BackupE2E : public ProgramTest {
protected:
    void SetUp() override
    {
        ProgramTest::SetUp();
        CreateDirectoryA(install.dataFolder.c_str(), nullptr);
    }
    void Write(const std::string& path, const std::string& bytes) { ASSERT_TRUE(WriteWholeFileText(path, bytes)); }

    //--- the seams
    void Answer(const std::string& lines) { Write(Data("TestSeams.txt"), lines); }
    std::vector<std::string> Calls()
    {
        std::vector<std::string> lines;
        std::istringstream in(ReadWholeFile(Data("TestSeamsCalls.txt")));
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }
    // Opens the About box: mode 0 without an owner, 1 from a window of the
    // program's own in front.
    HWND OpenAbout(WPARAM mode)
    {
        PostMessageA(run.control, RegisterWindowMessageA("PanelShepherdTestSeam"), mode, 0);
        HWND about = nullptr;
        PumpUntil([&] { return (about = FindAbout()) != nullptr; }, 20000);
        return about;
    }
    HWND FindAbout()
    {
        for (HWND w : ProcessDialogs(run.child.pid))
            if (GetDlgItem(w, IDB_ABOUT_RESTORE)) return w;
        return nullptr;
    }
    void Click(HWND dialog, int id)
    {
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)GetDlgItem(dialog, id));
    }
    // The framework message box over the About box: its text, answered with
    // the button. Empty when none came.
    std::string TakeBox(int button)
    {
        HWND box = nullptr;
        std::string text;
        PumpUntil(
            [&] {
                for (HWND w : ProcessDialogs(run.child.pid)) {
                    if (GetDlgItem(w, IDB_ABOUT_RESTORE)) continue;
                    text = ReadMessageBoxText(w);
                    if (!text.empty()) box = w;
                }
                return box != nullptr;
            },
            20000);
        if (box) PostMessageA(box, WM_COMMAND, button, 0);
        // Gone before the next box is looked for.
        PumpUntil([&] { return !box || !IsWindow(box) || !IsWindowVisible(box); }, 20000);
        return text;
    }
    //--- the archive settings
    void WriteArchiveSettings(const std::string& folder, int keep, int64_t last)
    {
        ArchiveSettings s = {};
        CopyText(s.folderTemplate, sizeof(s.folderTemplate), folder.c_str());
        CopyText(s.nameTemplate, sizeof(s.nameTemplate), "%PROGRAM%-%YEAR%.%MONTH%.%DAY%");
        s.automatic = 1;
        s.intervalDays = 14;
        s.keepCount = keep;
        s.lastArchive = last;
        Write(Data("(ZRP)Archive.zpx"), std::string((const char*)&s, sizeof(s)));
    }
    // Read with every sharing allowed: a poll that held the record open
    // without delete sharing would make the program's save of it fail.
    int64_t StoredArchiveTime()
    {
        int64_t last = -1;
        HANDLE h = CreateFileA(Data("(ZRP)Archive.zpx").c_str(), GENERIC_READ,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0,
                               nullptr);
        if (h == INVALID_HANDLE_VALUE) return last;
        ArchiveSettings s;
        DWORD got = 0;
        if (ReadFile(h, &s, sizeof(s), &got, nullptr) && got == sizeof(s)) last = s.lastArchive;
        CloseHandle(h);
        return last;
    }
};

//--- the scheduled archive

TEST_F(BackupE2E, ScheduledArchiveAtStartHoldsEveryRecordAndPrunesTheOldest)
{
    std::string backups = install.root + "\\backups";
    CreateDirectoryA(backups.c_str(), nullptr);
    CreateDirectoryA(Data("sub").c_str(), nullptr);
    Write(Data("Marker.zpx"), "marker");
    Write(Data("sub\\Deep.zpx"), "deep");
    Write(Data("PanelShepherd.log"), "log");
    Write(Data("notes.txt"), "notes");
    // Older archives, written at different times and never touched again.
    std::vector<std::string> older = {"PanelShepherd-2020.01.01.BrimvaleConfig", "OtherTool-2020.01.01.BrimvaleConfig",
                                      "PanelShepherd-2020.01.02.BrimvaleConfig"};
    FILETIME previous = {};
    for (const std::string& name : older) {
        ASSERT_TRUE(PumpUntil(
            [&] {
                FILETIME now;
                GetSystemTimeAsFileTime(&now);
                return CompareFileTime(&now, &previous) > 0;
            },
            5000));
        Write(backups + "\\" + name, name);
        WIN32_FILE_ATTRIBUTE_DATA a;
        ASSERT_TRUE(GetFileAttributesExA((backups + "\\" + name).c_str(), GetFileExInfoStandard, &a));
        previous = a.ftCreationTime;
    }
    WriteArchiveSettings(backups, 2, 0);
    std::string settingsBefore = ReadWholeFile(Data("(ZRP)Archive.zpx"));

    ASSERT_TRUE(Start());
    ASSERT_TRUE(PumpUntil([&] { return StoredArchiveTime() == Today(); }, 20000)) << "the day is stored";
    EXPECT_EQ(0, Quit());

    std::string archive = backups + "\\" + TodaysArchiveName();
    ArchiveEntries entries = ReadArchiveEntries(archive);
    ASSERT_GE(entries.size(), 4u);
    EXPECT_EQ("PanelShepherd", entries[0].first);
    EXPECT_EQ(std::string(1, '\0') + PS_VERSION_TEXT, entries[0].second);
    std::set<std::string> names;
    for (size_t i = 1; i < entries.size(); i++) {
        const std::string& name = entries[i].first;
        names.insert(name);
        EXPECT_EQ(".zpx", name.substr(name.size() - 4)) << name;
        EXPECT_EQ(std::string::npos, name.find('\\')) << "forward slashes: " << name;
        std::string path = name;
        std::replace(path.begin(), path.end(), '/', '\\');
        EXPECT_TRUE(FileExists(Data(path))) << "a record of the data folder: " << name;
    }
    for (const char* record : {"Marker.zpx", "sub/Deep.zpx", "(ZRP)Archive.zpx", "(ZRP)Cmd.zpx"})
        EXPECT_EQ(1u, names.count(record)) << record;
    for (const auto& e : entries) {
        SCOPED_TRACE(e.first);
        if (e.first == "Marker.zpx") {
            EXPECT_EQ("marker", e.second);
        } else if (e.first == "sub/Deep.zpx") {
            EXPECT_EQ("deep", e.second);
        } else if (e.first == "(ZRP)Archive.zpx") {
            EXPECT_TRUE(e.second == settingsBefore) << "as it was before the job";
        }
    }

    // Newest kept, older ones of this product beyond two pruned, another product's left.
    std::vector<std::string> left;
    ListFilesBelow(backups, "", &left);
    std::vector<std::string> kept = {"OtherTool-2020.01.01.BrimvaleConfig", "PanelShepherd-2020.01.02.BrimvaleConfig",
                                     TodaysArchiveName()};
    std::sort(left.begin(), left.end());
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(kept, left);

    // The record: the day-rounded time, everything else as it was.
    std::string settingsAfter = ReadWholeFile(Data("(ZRP)Archive.zpx"));
    ASSERT_EQ(544u, settingsAfter.size());
    EXPECT_TRUE(settingsAfter.substr(0, 520) == settingsBefore.substr(0, 520));
    EXPECT_TRUE(settingsAfter.substr(528) == settingsBefore.substr(528));
    EXPECT_EQ(Today(), StoredArchiveTime());

    // Python's zipfile reads the same archive and finds every CRC whole.
    if (HostToolsAvailable()) {
        std::string output;
        std::string script = "python3 -c 'import sys, zipfile; z = zipfile.ZipFile(sys.argv[1]); "
                             "assert z.testzip() is None; print(\"|\".join(z.namelist()))' '" +
                             HostPath(archive) + "'";
        ASSERT_EQ(0, RunHostScript(install.root, script, &output)) << output;
        std::string expected;
        for (const auto& e : entries) expected += (expected.empty() ? "" : "|") + e.first;
        EXPECT_EQ(expected + "\n", output);
    }
}

// Killed while it writes, the job leaves the good archive of the day where it
// was; the next start writes the archive whole.
TEST_F(BackupE2E, ArchiveJobKilledWhileWritingLeavesTheArchiveThatWasThere)
{
    std::string backups = install.root + "\\backups";
    CreateDirectoryA(backups.c_str(), nullptr);
    // Enough data that the job is still writing when the test sees it start.
    for (int i = 0; i < 8; i++) Write(Data("Big" + std::to_string(i) + ".zpx"), RandomBytes(8u << 20, 11u + i));
    std::string archive = backups + "\\" + TodaysArchiveName();
    std::string good = MakeArchiveBytes({{"PanelShepherd", ProductEntryData("0.9.0")}, {"Options.zpx", "good"}});
    Write(archive, good);
    WriteArchiveSettings(backups, 30, 0);

    ASSERT_TRUE(Start());
    ASSERT_TRUE(PumpUntil([&] { return FileExists(archive + "_tmp"); }, 20000)) << "the job started writing";
    ASSERT_TRUE(TerminateProcess(run.child.process, 9));
    WaitProcess(&run.child, 20000);
    CloseProcess(&run.child);
    EXPECT_TRUE(ReadWholeFile(archive) == good) << "the archive that was there is whole";
    EXPECT_EQ(0, StoredArchiveTime()) << "no time stored: the next start tries again";

    ASSERT_TRUE(Start());
    ASSERT_TRUE(PumpUntil([&] { return StoredArchiveTime() == Today(); }, 60000));
    EXPECT_EQ(0, Quit());
    ArchiveEntries entries = ReadArchiveEntries(archive);
    int big = 0;
    for (const auto& e : entries) big += e.first.compare(0, 3, "Big") == 0 && e.second.size() == (8u << 20);
    EXPECT_EQ(8, big);
    EXPECT_FALSE(FileExists(archive + "_tmp"));
}

//--- the About box

TEST_F(BackupE2E, AboutBoxShowsTheProgramAndOpensItsFolders)
{
    ASSERT_TRUE(Start("-MINIMIZE", SEAMS_PROGRAM));
    // Another program in front: the box has no owner.
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "BackupE2EFront";
    RegisterClassA(&wc);
    HWND front = CreateWindowExA(0, wc.lpszClassName, "front", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 60, 60, 300, 200,
                                 nullptr, nullptr, wc.hInstance, nullptr);
    SetForegroundWindow(front);
    ASSERT_TRUE(PumpUntil([&] { return GetForegroundWindow() == front; }, 5000));
    HWND about = OpenAbout(0);
    ASSERT_NE(nullptr, about);
    EXPECT_EQ(nullptr, GetWindow(about, GW_OWNER));
    EXPECT_EQ("PanelShepherd", ReadControlText(about));
    EXPECT_EQ(std::string("PanelShepherd v") + PS_VERSION_TEXT, ReadControlText(GetDlgItem(about, IDT_ABOUT_VERSION)));
    HWND programLink = GetDlgItem(about, IDT_ABOUT_PROGRAM), dataLink = GetDlgItem(about, IDT_ABOUT_DATA);
    EXPECT_EQ(install.installFolder, ReadControlText(programLink));
    EXPECT_EQ(install.dataFolder, ReadControlText(dataLink));

    // A click on the data link, then Space on the program link once it has the focus.
    PostMessageA(dataLink, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    PostMessageA(dataLink, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
    ASSERT_TRUE(PumpUntil([&] { return Calls().size() == 1; }, 20000));
    EXPECT_EQ("shell " + install.dataFolder, Calls()[0]);
    PostMessageA(programLink, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    PostMessageA(programLink, WM_KEYDOWN, VK_SPACE, 1);
    ASSERT_TRUE(PumpUntil([&] { return Calls().size() == 2; }, 20000));
    EXPECT_EQ("shell " + install.installFolder, Calls()[1]);

    // Its buttons open the archive settings and the update check over it.
    const struct {
        int button;
        const char* title;
    } children[] = {{IDB_ABOUT_ARCHIVE, "Archive Configuration"}, {IDB_ABOUT_UPDATE, "PanelShepherd Update Check"}};
    for (const auto& c : children) {
        SCOPED_TRACE(c.title);
        Click(about, c.button);
        HWND child = nullptr;
        ASSERT_TRUE(PumpUntil(
            [&] {
                child = FindProcessWindow(run.child.pid, "#32770", c.title);
                return child && IsWindowVisible(child);
            },
            20000));
        EXPECT_EQ(about, GetWindow(child, GW_OWNER));
        PostMessageA(child, WM_COMMAND, IDCANCEL, 0);
        ASSERT_TRUE(PumpUntil([&] { return !IsWindow(child); }, 20000));
    }
    Click(about, IDOK);
    ASSERT_TRUE(PumpUntil([&] { return !IsWindow(about); }, 20000));

    // Positive control: with a window of the program's own in front, that one owns it.
    about = OpenAbout(1);
    ASSERT_NE(nullptr, about);
    HWND owner = GetWindow(about, GW_OWNER);
    char cls[64] = {};
    GetClassNameA(owner, cls, sizeof(cls));
    EXPECT_STREQ("PanelShepherdSeamOwner", cls);
    Click(about, IDOK);
    DestroyWindow(front);
}

// Backup, then restore after the records changed: after the restart the data
// folder's records are the archive's, and what is not configuration stays.
TEST_F(BackupE2E, BackupAndRestoreThroughTheAboutBoxKeepWhatIsNotConfiguration)
{
    CreateDirectoryA(Data("sub").c_str(), nullptr);
    CreateDirectoryA(Data("Backup").c_str(), nullptr);
    CreateDirectoryA(Data("Desktop2").c_str(), nullptr);
    Write(Data("Marker.zpx"), "before");
    Write(Data("sub\\Marker2.zpx"), "before 2");
    Write(Data("notes.txt"), "the user's notes");
    Write(Data("PanelShepherd.log"), "log");
    Write(Data("Backup\\PanelShepherd-2020.01.01.BrimvaleConfig"), "an older backup");
    Write(Data("Desktop2\\letter.txt"), "on the second desktop");
    std::string saved = install.root + "\\saved.BrimvaleConfig";
    ASSERT_TRUE(Start("-MINIMIZE", SEAMS_PROGRAM));

    Answer("save=" + saved + "\n");
    HWND about = OpenAbout(0);
    ASSERT_NE(nullptr, about);
    Click(about, IDB_ABOUT_BACKUP);
    EXPECT_EQ("Data backed up successfully!", TakeBox(IDOK));
    ASSERT_FALSE(Calls().empty());
    EXPECT_EQ("save " + TodaysArchiveName(), Calls().back()) << "the name template, expanded, is offered";
    ArchiveEntries backup = ReadArchiveEntries(saved);
    ASSERT_FALSE(backup.empty());
    EXPECT_EQ("PanelShepherd", backup[0].first);
    std::set<std::string> names;
    for (const auto& e : backup) names.insert(e.first);
    for (const char* record : {"Marker.zpx", "sub/Marker2.zpx", "Options.zpx", "Profile0.zpx"})
        EXPECT_EQ(1u, names.count(record)) << record << ": saved before the backup";
    EXPECT_EQ(0u, names.count("PanelShepherd.log"));

    Write(Data("Marker.zpx"), "after");
    Write(Data("Extra.zpx"), "made after the backup");
    Answer("open=" + saved + "\n");
    Click(about, IDB_ABOUT_RESTORE);
    EXPECT_EQ(kOverwrite, TakeBox(IDYES));
    EXPECT_EQ(std::string("Data restored successfully!\n") + kRestart, TakeBox(IDOK));
    ASSERT_TRUE(WaitForRestart());

    for (size_t i = 1; i < backup.size(); i++) {
        std::string path = backup[i].first;
        std::replace(path.begin(), path.end(), '/', '\\');
        EXPECT_TRUE(ReadWholeFile(Data(path)) == backup[i].second) << "restored: " << backup[i].first;
    }
    EXPECT_EQ("before", ReadWholeFile(Data("Marker.zpx")));
    EXPECT_FALSE(FileExists(Data("Extra.zpx"))) << "records not in the archive are gone";
    EXPECT_FALSE(FileExists(Data("PanelShepherd.BrimvaleConfig"))) << "imported once";
    EXPECT_EQ("the user's notes", ReadWholeFile(Data("notes.txt")));
    EXPECT_TRUE(FileExists(Data("PanelShepherd.log")));
    EXPECT_EQ("an older backup", ReadWholeFile(Data("Backup\\PanelShepherd-2020.01.01.BrimvaleConfig")));
    EXPECT_EQ("on the second desktop", ReadWholeFile(Data("Desktop2\\letter.txt")));
    EXPECT_EQ(0, Quit());
}

// Another product's archive and one naming a file outside the data folder
// are refused with a message; nothing is left for the next start, and
// nothing appears outside the data folder, not even when the archive is put
// where the start imports it.
TEST_F(BackupE2E, RestoreRefusesForeignArchivesAndNamesOutsideTheDataFolder)
{
    Write(Data("Marker.zpx"), "mine");
    std::string foreign = install.root + "\\foreign.BrimvaleConfig";
    std::string escaping = install.root + "\\escaping.BrimvaleConfig";
    Write(foreign, MakeArchiveBytes({{"OtherTool", ProductEntryData("1.0.0")}, {"Marker.zpx", "theirs"}}));
    std::string escapingBytes = StoredArchive({{"PanelShepherd", ProductEntryData(PS_VERSION_TEXT)},
                                               {"Marker.zpx", "planted"},
                                               {"../escape.zpx", "escaped"}});
    Write(escaping, escapingBytes);
    std::vector<std::string> before;
    ListFilesBelow(install.root, "", &before);
    ASSERT_TRUE(Start("-MINIMIZE", SEAMS_PROGRAM));
    HWND about = OpenAbout(0);
    ASSERT_NE(nullptr, about);

    Answer("open=" + foreign + "\n");
    Click(about, IDB_ABOUT_RESTORE);
    EXPECT_EQ("Wrong product!", TakeBox(IDOK));
    Answer("open=" + escaping + "\n");
    Click(about, IDB_ABOUT_RESTORE);
    EXPECT_EQ("Configuration file error!\nIt holds \"../escape.zpx\", which is not a record file of the data folder.",
              TakeBox(IDOK));
    EXPECT_FALSE(FileExists(Data("PanelShepherd.BrimvaleConfig"))) << "nothing left for the next start";
    EXPECT_TRUE(IsWindowVisible(about)) << "the About box stays open";
    Click(about, IDOK);
    EXPECT_EQ(0, Quit());

    ASSERT_TRUE(Start("-MINIMIZE", SEAMS_PROGRAM));
    EXPECT_EQ(0, Quit());
    EXPECT_FALSE(FileExists(install.root + "\\escape.zpx"));
    EXPECT_EQ("mine", ReadWholeFile(Data("Marker.zpx")));

    // Put where the start imports it, the start's own checks refuse it.
    Write(Data("PanelShepherd.BrimvaleConfig"), escapingBytes);
    ASSERT_TRUE(Launch("-MINIMIZE", SEAMS_PROGRAM));
    std::string text = TakeMessageBox(&run);
    EXPECT_EQ(0u, text.find("The configuration archive was not imported!")) << text;
    ASSERT_TRUE(WaitUntilRunning(&run));
    EXPECT_EQ(0, Quit());
    EXPECT_FALSE(FileExists(install.root + "\\escape.zpx"));
    EXPECT_EQ("mine", ReadWholeFile(Data("Marker.zpx")));
    std::vector<std::string> after;
    ListFilesBelow(install.root, "", &after);
    for (const std::string& f : after)
        EXPECT_TRUE(f.compare(0, 5, "data\\") == 0 || std::find(before.begin(), before.end(), f) != before.end())
            << "appeared outside the data folder: " << f;
}

// Reset asks, then restarts the program with the same command line; the
// restarted program runs with the default options.
TEST_F(BackupE2E, ResetRestartsWithTheSameCommandLineAndTheDefaults)
{
    ASSERT_TRUE(WriteOptions());   // none yet: the defaults, logging to the file
    ASSERT_TRUE(ReadOptions());
    ASSERT_EQ(1, Options.bMonLogToFile) << "not the default";
    Write(Data("Marker.zpx"), "mine");
    Write(Data("notes.txt"), "the user's notes");
    ASSERT_TRUE(Start("-MINIMIZE", SEAMS_PROGRAM));
    HWND about = OpenAbout(0);
    ASSERT_NE(nullptr, about);

    // Declined: nothing happens.
    Click(about, IDB_ABOUT_RESET);
    EXPECT_EQ(kOverwrite, TakeBox(IDNO));
    EXPECT_FALSE(FileExists(Data("PanelShepherd.BrimvaleConfig")));

    // What the restarted program writes at its start proves it started.
    ASSERT_TRUE(DeleteFileA(Data("(ZRP)Cmd.zpx").c_str()));
    Click(about, IDB_ABOUT_RESET);
    EXPECT_EQ(kOverwrite, TakeBox(IDYES));
    EXPECT_EQ(std::string("Data reset successfully!\n") + kRestart, TakeBox(IDOK));
    ASSERT_TRUE(WaitForRestart());
    EXPECT_EQ(std::string("-MINIMIZE") + '\0', ReadWholeFile(Data("(ZRP)Cmd.zpx")));
    EXPECT_FALSE(FileExists(Data("Marker.zpx")));
    EXPECT_EQ("the user's notes", ReadWholeFile(Data("notes.txt")));
    EXPECT_EQ(0, Quit());

    Options.bMonLogToFile = 1;
    ReadOptions();
    EXPECT_EQ(0, Options.bMonLogToFile) << "the default options";
}
