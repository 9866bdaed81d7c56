// StartupTest.cpp - the real program starting, handing over and quitting under Wine.
#include "framework/core/AppObject.h"
#include "framework/core/FolderWalk.h"
#include "framework/core/TextUtil.h"
#include "framework/core/ZipArchive.h"
#include "tests/core/ZipTestUtil.h"
#include "tests/core/ZipWriteUtil.h"
#include "tests/support/ProgramFixture.h"

#include <algorithm>
#include <map>
#include <utility>
#include <vector>

typedef std::map<std::string, std::string> FolderContents;   // relative path -> bytes

static void AddFileContents(const char* path, const char* relative, const WIN32_FIND_DATAA* entry,
                            void* context)
{
    if (entry->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return;
    (*(FolderContents*)context)[relative] = ReadWholeFile(path);
}

// Every file below the folder but the hand-over record, which every start writes.
static FolderContents ReadFolderContents(const std::string& folder)
{
    FolderContents files;
    WalkFolder(folder.c_str(), AddFileContents, &files);
    files.erase("(ZRP)Cmd.zpx");
    return files;
}

// A configuration archive as the backup writes it: the product entry (keep
// list, a zero, the version) and the files that replace the data folder.
static std::string MakeConfigArchive(const std::vector<std::pair<std::string, std::string>>& files)
{
    ZipHandle* zip = CreateZipArchive(nullptr, 65536, ZIP_KIND_MEMORY, nullptr);
    EXPECT_NE(nullptr, zip);
    if (!zip) return "";
    std::string product = std::string(1, '\0') + "1.0.0";
    EXPECT_EQ(0u, AddZipEntry(zip, "PanelShepherd", product.data(), (uint32_t)product.size(), ZIP_KIND_MEMORY));
    for (const auto& f : files)
        EXPECT_EQ(0u, AddZipEntry(zip, f.first.c_str(), f.second.data(), (uint32_t)f.second.size(),
                                  ZIP_KIND_MEMORY));
    std::string bytes = FinishZipBytes(zip);
    return bytes;
}

struct FindInstancesQuery {
    std::vector<DWORD> pids;
};

static BOOL CALLBACK AddInstance(HWND window, LPARAM data)
{
    char cls[64] = {}, title[MAX_PATH] = {};
    GetClassNameA(window, cls, sizeof(cls));
    GetWindowTextA(window, title, sizeof(title));
    if (!strcmp(cls, "ZRPPhantom") && !strcmp(title, "PanelShepherd")) {
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        ((FindInstancesQuery*)data)->pids.push_back(pid);
    }
    return TRUE;
}

// Processes that own a control window of this product, one entry per window.
static std::vector<DWORD> RunningInstances()
{
    FindInstancesQuery q;
    EnumWindows(AddInstance, (LPARAM)&q);
    return q.pids;
}

class Startup : public ProgramTest {
protected:
    // Names of the refused configuration archives kept in the data folder.
    std::vector<std::string> KeptArchives() const { return DataFiles("PanelShepherd.BrimvaleConfig.refused-"); }
    size_t FileSize(const char* file)
    {
        bool ok = false;
        std::string data = ReadWholeFile(Data(file), &ok);
        return ok ? data.size() : 0;
    }
    bool Created(const char* cls) const
    {
        return std::find(run.createdClasses.begin(), run.createdClasses.end(), cls) != run.createdClasses.end();
    }
    std::string CreatedText() const
    {
        std::string out;
        for (const std::string& c : run.createdClasses) out += c + " ";
        return out;
    }
    // The control for the window hook: a normal start, watched, shows its
    // main window among the windows it makes. The top-level windows made
    // before the main window, in order; the data folder is removed again.
    bool WindowsBeforeTheMainWindow(std::vector<std::string>* before)
    {
        if (!StartWatched("-MINIMIZE") || !WaitUntilRunning(&run)) return false;
        bool seen = PumpUntil([&] { return Created("ZRPWindow"); }, 10000);
        EXPECT_TRUE(seen) << "the hook sees a start's main window: " << CreatedText();
        auto main = std::find(run.createdClasses.begin(), run.createdClasses.end(), "ZRPWindow");
        before->assign(run.createdClasses.begin(), main);
        StopWatchingProgram(&run);
        return seen && Quit() == 0 && RemoveTree(install.dataFolder);
    }
};

TEST_F(Startup, FirstStartCreatesTheDataFolderAndRunsUntilToldToQuit)
{
    ASSERT_TRUE(Start());
    EXPECT_TRUE(FolderExists(install.dataFolder));
    EXPECT_EQ(std::string("-MINIMIZE") + '\0', ReadWholeFile(Data("(ZRP)Cmd.zpx")))
        << "every start leaves its command line with its terminator";
    EXPECT_FALSE(IsWindowVisible(run.control)) << "the control window stays hidden";
    EXPECT_FALSE(IsWindowVisible(run.main)) << "the main window stays hidden";
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(run.child.process, 500)) << "it keeps running";

    EXPECT_EQ(0, Quit());
    EXPECT_EQ(297u, FileSize("(ZRP)App.zpx"));
    EXPECT_EQ(16u, FileSize("(ZRP)Win0.zpx"));
    std::string app = ReadWholeFile(Data("(ZRP)App.zpx"));
    ASSERT_EQ(297u, app.size());
    EXPECT_EQ(1, app[4]) << "the initialised marker is set";
}

static BOOL CALLBACK AddDockBay(HWND window, LPARAM bays)
{
    char cls[32] = {};
    GetClassNameA(window, cls, sizeof(cls));
    if (!strcmp(cls, "ZRPAppDockBay")) ((std::vector<HWND>*)bays)->push_back(window);
    return TRUE;
}

TEST_F(Startup, MainWindowCarriesFourEmptyDockBays)
{
    ASSERT_TRUE(Start());
    // The window is found as soon as it exists; its bays come a moment later.
    std::vector<HWND> bays;
    PumpUntil(
        [&] {
            bays.clear();
            EnumChildWindows(run.main, AddDockBay, (LPARAM)&bays);
            return bays.size() >= 4;
        },
        10000);
    EXPECT_EQ(4u, bays.size());
    for (HWND bay : bays) {
        RECT r;
        GetWindowRect(bay, &r);
        EXPECT_TRUE(IsRectEmpty(&r)) << "no bar docks: every bay takes no room";
        EXPECT_EQ(run.main, GetParent(bay));
    }
    EXPECT_EQ(0, Quit());
}

TEST_F(Startup, SecondStartHandsItsCommandLineOverAndEnds)
{
    ASSERT_TRUE(Start());
    EXPECT_EQ(0, RunProgramToEnd("-PROFILE \"Work Laptop\""));
    EXPECT_EQ(std::string("-PROFILE \"Work Laptop\"") + '\0', ReadWholeFile(Data("(ZRP)Cmd.zpx")));
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(run.child.process, 300)) << "the first keeps running";

    // The quit option in any case.
    EXPECT_EQ(0, RunProgramToEnd("-qUiT"));
    EXPECT_EQ(0, WaitProcess(&run.child, 20000));
}

// Windows are counted as they are made, through a creation hook set before
// the program runs: once it has ended there is nothing left to look at.
TEST_F(Startup, QuitWithNoneRunningEndsAtOnceLeavingNothing)
{
    std::vector<std::string> before;
    ASSERT_TRUE(WindowsBeforeTheMainWindow(&before));

    ASSERT_TRUE(StartWatched("-QUIT"));
    EXPECT_EQ(0, WaitProcess(&run.child, 20000));
    ASSERT_TRUE(FinishWatchingProgram(&run));
    EXPECT_EQ("", CreatedText()) << "no window at all";
    EXPECT_FALSE(FileExists(Data("(ZRP)Cmd.zpx")));
    EXPECT_FALSE(FileExists(Data("(ZRP)App.zpx")));
    EXPECT_FALSE(FileExists(Data("(ZRP)Win0.zpx")));
}

TEST_F(Startup, InstallationRecordOfTheWrongSizeFailsWithF016)
{
    for (size_t size : {(size_t)1325, (size_t)1327, (size_t)1}) {
        SCOPED_TRACE(size);
        std::vector<char> record(size, 0);
        ASSERT_TRUE(WriteRawInstallRecord(record.data(), record.size()));
        ASSERT_TRUE(Launch(""));
        EXPECT_EQ("Error initializing the application!\nError code 0x0000F016.", TakeMessageBox(&run));
        EXPECT_EQ(0, WaitProcess(&run.child, 20000));
        CloseProcess(&run.child);
        EXPECT_FALSE(FolderExists(install.dataFolder)) << "nothing was written";
    }
    RemoveTestInstallRecord();
    ASSERT_TRUE(Launch(""));
    EXPECT_EQ("Error initializing the application!\nError code 0x0000F016.", TakeMessageBox(&run))
        << "a missing record";
    EXPECT_EQ(0, WaitProcess(&run.child, 20000));
}

TEST_F(Startup, DataFolderThatCannotBeUsedShowsTheDataPathBox)
{
    // A file stands where the data folder should be created.
    ASSERT_TRUE(WriteWholeFileText(install.dataFolder, "in the way"));
    ASSERT_TRUE(Launch(""));
    std::string text = TakeMessageBox(&run);
    EXPECT_EQ("Could not access the data path!\n" + install.dataFolder +
                  "\nPlease make sure that this path is accessible or choose a different data path "
                  "during setup.",
              text);
    EXPECT_EQ(0, WaitProcess(&run.child, 20000));
    CloseProcess(&run.child);
    DeleteFileA(install.dataFolder.c_str());

    // The folder exists but no file can be made in it.
    ASSERT_TRUE(CreateDirectoryA(install.dataFolder.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(Data("ZRPWriteTest.tmp").c_str(), nullptr));
    ASSERT_TRUE(Launch(""));
    std::string second = TakeMessageBox(&run);
    EXPECT_NE(std::string::npos, second.find(install.dataFolder)) << second;
    EXPECT_EQ(0, WaitProcess(&run.child, 20000));
    EXPECT_FALSE(FileExists(Data("(ZRP)App.zpx")));
    EXPECT_FALSE(FileExists(Data("(ZRP)Cmd.zpx")));
}

TEST_F(Startup, ControlMessageNeedsTheInstanceToken)
{
    ASSERT_TRUE(Start());
    UINT control = RegisterWindowMessageA("ZRPMSG_ZRPCONTROL");
    PostMessageA(run.control, control, 0x8405, 0x12345678);   // another product's token
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(run.child.process, 1000)) << "a foreign token is ignored";
    PostMessageA(run.control, control, 0x8405, (LPARAM)Crc32("PanelShepherd", -1));
    EXPECT_EQ(0, WaitProcess(&run.child, 20000));
}

TEST_F(Startup, WindowTitledLikeTheProductIsNotAnInstance)
{
    TestWindow* impostor = Open("--title PanelShepherd --class NotPhantom --state hidden");
    ASSERT_NE(nullptr, impostor->hwnd);
    EXPECT_TRUE(Start()) << "it starts as the first instance";
    EXPECT_EQ(0, Quit());
}

TEST_F(Startup, QuitEndsCleanlyWithItsLogLine)
{
    ASSERT_TRUE(WriteOptions());
    ASSERT_TRUE(Start());
    EXPECT_EQ(0, Quit());
    std::string log = Log();
    size_t started = log.find("PanelShepherd (v1.0.0) started, options loaded successfully\r\n");
    size_t stopped = log.find("PanelShepherd stopped (error: 0)\r\n");
    EXPECT_NE(std::string::npos, started) << log;
    EXPECT_NE(std::string::npos, stopped) << log;
    EXPECT_LT(started, stopped);
    ASSERT_GE(log.size(), 13u);
    EXPECT_EQ(':', log[2]) << "lines begin with the time";
    EXPECT_EQ('.', log[8]);
}

TEST_F(Startup, FirstRunCopiesInitFilesWithoutReplacingAny)
{
    std::string init = install.installFolder + "\\Init";
    ASSERT_TRUE(CreateDirectoryA((init + "\\sub").c_str(), nullptr));
    ASSERT_TRUE(WriteWholeFileText(init + "\\readme.txt", "from the installation"));
    ASSERT_TRUE(WriteWholeFileText(init + "\\sub\\mine.txt", "from the installation"));
    ASSERT_TRUE(CreateDirectoryA(install.dataFolder.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(Data("sub").c_str(), nullptr));
    ASSERT_TRUE(WriteWholeFileText(Data("sub\\mine.txt"), "the user's"));

    ASSERT_TRUE(Start());
    EXPECT_EQ(0, Quit());
    EXPECT_EQ("from the installation", ReadWholeFile(Data("readme.txt")));
    EXPECT_EQ("the user's", ReadWholeFile(Data("sub\\mine.txt")));

    // Not a first run any more: the Init folder is left alone.
    ASSERT_TRUE(WriteWholeFileText(init + "\\later.txt", "new"));
    ASSERT_TRUE(Start());
    EXPECT_EQ(0, Quit());
    EXPECT_FALSE(FileExists(Data("later.txt")));
}

// It ends before its main window: it makes no more windows than a normal
// start makes before that one, and the same ones as far as they can be told.
TEST_F(Startup, AutostartWhileSwitchedOffEndsBeforeAnyWindow)
{
    std::vector<std::string> before;
    ASSERT_TRUE(WindowsBeforeTheMainWindow(&before));

    ASSERT_TRUE(StartWatched("-AUTOSTART"));
    EXPECT_EQ(0, WaitProcess(&run.child, 20000)) << "autostart is off by default";
    ASSERT_TRUE(FinishWatchingProgram(&run));
    const std::vector<std::string>& made = run.createdClasses;
    ASSERT_LE(made.size(), before.size()) << "made: " << CreatedText();
    for (size_t i = 0; i < made.size(); i++)
        EXPECT_TRUE(made[i] == before[i] || made[i] == "(gone)") << i << ": " << made[i] << " for " << before[i];
    EXPECT_FALSE(FileExists(Data("Profile0.zpx"))) << "no profile was made";
}

// A configuration archive for this start; its product entry keeps nothing.
static std::string ConfigArchive(std::vector<std::pair<std::string, std::string>> entries)
{
    entries.insert(entries.begin(), {"PanelShepherd", std::string(1, '\0') + "1.0.0"});
    return StoredArchive(entries);
}

// The record files are replaced; the user's other files stay.
TEST_F(Startup, ConfigArchiveReplacesTheDataFiles)
{
    ASSERT_TRUE(CreateDirectoryA(install.dataFolder.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(Data("sub").c_str(), nullptr));
    ASSERT_TRUE(WriteWholeFileText(Data("Notes.zpx"), "old notes"));
    ASSERT_TRUE(WriteWholeFileText(Data("sub\\old.zpx"), "old"));
    ASSERT_TRUE(WriteWholeFileText(Data("sub\\mine.txt"), "the user's"));
    ASSERT_TRUE(WriteWholeFileText(Data("PanelShepherd.BrimvaleConfig"),
                                   ConfigArchive({{"Notes.zpx", "new notes"}, {"sub/more.zpx", "more"}})));
    ASSERT_TRUE(Start()) << "no box holds the start up";
    EXPECT_EQ(nullptr, FindProcessWindow(run.child.pid, "#32770"));
    EXPECT_EQ(0, Quit());
    EXPECT_EQ("new notes", ReadWholeFile(Data("Notes.zpx")));
    EXPECT_EQ("more", ReadWholeFile(Data("sub\\more.zpx")));
    EXPECT_FALSE(FileExists(Data("sub\\old.zpx")));
    EXPECT_EQ("the user's", ReadWholeFile(Data("sub\\mine.txt")));
    EXPECT_FALSE(FileExists(Data("PanelShepherd.BrimvaleConfig")));
    EXPECT_TRUE(KeptArchives().empty());
}

TEST_F(Startup, RefusedConfigArchiveIsKeptLoggedAndShown)
{
    ASSERT_TRUE(WriteOptions());
    ASSERT_TRUE(WriteWholeFileText(Data("notes.txt"), "old notes"));
    // A sibling of the data folder with a file of the user's.
    std::string outside = install.root + "\\outside";
    ASSERT_TRUE(CreateDirectoryA(outside.c_str(), nullptr));
    ASSERT_TRUE(WriteWholeFileText(outside + "\\x.txt", "user's file"));
    std::string slashed = outside;
    for (char& ch : slashed)
        if (ch == '\\') ch = '/';
    std::string bytes = ConfigArchive({{"notes.txt", "new notes"},
                                       {"./" + slashed + "/x.txt", "planted"},
                                       {"../outside/run.cmd", "planted"}});
    ASSERT_TRUE(WriteWholeFileText(Data("PanelShepherd.BrimvaleConfig"), bytes));

    ASSERT_TRUE(Launch());
    std::string text = TakeMessageBox(&run);
    std::vector<std::string> kept = KeptArchives();
    ASSERT_EQ(1u, kept.size());
    std::string keptPath = Data(kept[0].c_str());
    std::string keptLine = "It was kept as \"" + keptPath + "\".";
    std::string why = "It names a file outside the data folder, or a name that Windows does not allow.";
    EXPECT_EQ("The configuration archive was not imported!\n" + why + "\n" + keptLine, text);
    EXPECT_TRUE(ReadWholeFile(keptPath) == bytes) << "kept whole";
    EXPECT_FALSE(FileExists(Data("PanelShepherd.BrimvaleConfig")));
    ASSERT_TRUE(WaitUntilRunning(&run)) << "the start goes on after the box";
    EXPECT_EQ(0, Quit());

    std::string log = Log();
    size_t started = log.find("PanelShepherd (v1.0.0) started, options loaded successfully\r\n");
    std::string line = "Configuration archive not imported: " + why + " " + keptLine + "\r\n";
    size_t reported = log.find(line);
    EXPECT_NE(std::string::npos, started) << log;
    EXPECT_NE(std::string::npos, reported) << log;
    EXPECT_LT(started, reported);
    EXPECT_EQ("old notes", ReadWholeFile(Data("notes.txt")));
    EXPECT_EQ("user's file", ReadWholeFile(outside + "\\x.txt"));
    EXPECT_FALSE(FileExists(outside + "\\run.cmd"));
    EXPECT_FALSE(FileExists(install.root + "\\run.cmd"));

    // Kept aside, it is not imported again, and the next start says nothing.
    ASSERT_TRUE(Start());
    EXPECT_EQ(nullptr, FindProcessWindow(run.child.pid, "#32770"));
    EXPECT_EQ(0, Quit());
    EXPECT_EQ(kept, KeptArchives());
    log = Log();
    EXPECT_EQ(log.find(line), log.rfind(line)) << "reported once";
}

// "-QUIT" from a second start while start-up shows a box: the box closes and
// the program ends, before its main window or any profile.
TEST_F(Startup, QuitWhileAStartupBoxIsOpenClosesItAndEnds)
{
    ASSERT_TRUE(WriteOptions());
    ASSERT_TRUE(WriteWholeFileText(Data("PanelShepherd.BrimvaleConfig"), ConfigArchive({{"../x.zpx", "planted"}})));
    ASSERT_TRUE(Launch());
    HWND box = nullptr;
    ASSERT_TRUE(PumpUntil(
        [&] {
            box = FindProcessWindow(run.child.pid, "#32770");
            return box && IsWindowVisible(box);
        },
        20000))
        << "the refused archive is shown";
    EXPECT_EQ(0, RunProgramToEnd("-QUIT"));
    EXPECT_EQ(0, WaitProcess(&run.child, 20000)) << "the box went and the program ended";
    CloseProcess(&run.child);
    EXPECT_EQ(1u, KeptArchives().size());
    EXPECT_EQ(std::string::npos, Log().find("PRF: Switching Profile")) << "no profile was switched to";
}

TEST_F(Startup, ConfigArchiveWaitsForTheStartThatBecomesTheInstance)
{
    ASSERT_TRUE(Start());
    ASSERT_TRUE(WriteWholeFileText(Data("Notes.zpx"), "the user's"));
    std::string archive = MakeConfigArchive({{"Imported.zpx", "from the archive"}});
    ASSERT_TRUE(WriteWholeFileText(Data("PanelShepherd.BrimvaleConfig"), archive));
    FolderContents before = ReadFolderContents(install.dataFolder);

    EXPECT_EQ(0, RunProgramToEnd("-MINIMIZE"));
    EXPECT_TRUE(before == ReadFolderContents(install.dataFolder)) << "a start that hands over imports nothing";

    // The quit start ends first; the instance then saves its own records.
    EXPECT_EQ(0, RunProgramToEnd("-QUIT"));
    EXPECT_EQ(0, WaitProcess(&run.child, 20000));
    CloseProcess(&run.child);
    EXPECT_TRUE(archive == ReadWholeFile(Data("PanelShepherd.BrimvaleConfig"))) << "the archive waits";
    EXPECT_EQ("the user's", ReadWholeFile(Data("Notes.zpx")));
    EXPECT_FALSE(FileExists(Data("Imported.zpx")));

    ASSERT_TRUE(Start());
    EXPECT_FALSE(FileExists(Data("PanelShepherd.BrimvaleConfig"))) << "the instance used it";
    EXPECT_EQ("from the archive", ReadWholeFile(Data("Imported.zpx")));
    EXPECT_FALSE(FileExists(Data("Notes.zpx"))) << "not kept by the archive";
    EXPECT_EQ(0, Quit());
    EXPECT_EQ("from the archive", ReadWholeFile(Data("Imported.zpx")));
}

TEST_F(Startup, ControlMessageWithAnyCodeLeavesTheProgramRunning)
{
    ASSERT_TRUE(Start());
    UINT control = RegisterWindowMessageA("ZRPMSG_ZRPCONTROL");
    LPARAM token = (LPARAM)Crc32("PanelShepherd", -1);
    std::vector<WPARAM> codes;
    for (WPARAM code = 0; code <= 0x3FF; code++) codes.push_back(code);
    for (WPARAM code = ZRPMSG_LAYOUT; code <= ZRPMSG_DPICHANGED; code++)
        if (code != ZRPMSG_QUIT && code != ZRPMSG_RESTART) codes.push_back(code);
    for (WPARAM code : codes) {
        ASSERT_TRUE(PostMessageA(run.control, control, code, token)) << std::hex << code;
        // The answer comes once the program is back for more: the previous
        // posted message was handled by then.
        DWORD_PTR answer = 0;
        ASSERT_NE(0, SendMessageTimeoutA(run.control, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 10000, &answer))
            << "no answer after code 0x" << std::hex << code;
    }
    DWORD_PTR answer = 0;
    EXPECT_NE(0, SendMessageTimeoutA(run.control, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 10000, &answer));
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(run.child.process, 0)) << "it still runs";
    EXPECT_EQ(run.control, FindProcessWindow(run.child.pid, "ZRPPhantom", "PanelShepherd"));
    EXPECT_EQ(run.main, FindProcessWindow(run.child.pid, "ZRPWindow", "PanelShepherd"));
    EXPECT_EQ(0, Quit());
}

TEST_F(Startup, SimultaneousStartsGiveOneInstance)
{
    // One round is lost to the race about every other time without the lock.
    for (int round = 0; round < 5; round++) {
        SCOPED_TRACE(testing::Message() << "round " << round);
        ASSERT_TRUE(LaunchTogether(5));
        // Each start either runs as the instance or ends after handing over.
        auto unsettled = [&] {
            std::string boxes;
            for (ProgramRun& r : others)
                if (WaitForSingleObject(r.child.process, 0) != WAIT_OBJECT_0 &&
                    !FindProcessWindow(r.child.pid, "ZRPWindow", "PanelShepherd"))
                    boxes += "[" + ReadMessageBoxText(FindProcessWindow(r.child.pid, "#32770")) + "]";
            return boxes;
        };
        ASSERT_TRUE(PumpUntil([&] { return unsettled().empty(); }, 60000))
            << "starts neither running nor ended, with their boxes: " << unsettled();
        std::vector<DWORD> instances = RunningInstances();
        ASSERT_EQ(1u, instances.size()) << "instances running";
        EXPECT_TRUE(std::any_of(others.begin(), others.end(),
                                [&](const ProgramRun& r) { return r.child.pid == instances[0]; }));
        for (ProgramRun& r : others) {
            if (r.child.pid == instances[0]) continue;
            DWORD code = 259;
            GetExitCodeProcess(r.child.process, &code);
            EXPECT_EQ(0u, code) << "a start that handed over";
        }

        EXPECT_EQ(0, RunProgramToEnd("-QUIT"));
        for (ProgramRun& r : others) {
            EXPECT_EQ(0, WaitProcess(&r.child, 20000));
            CloseProcess(&r.child);
        }
        EXPECT_TRUE(RunningInstances().empty());
    }
}

