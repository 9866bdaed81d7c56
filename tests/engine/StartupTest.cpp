// StartupTest.cpp - the real program starting, handing over and quitting under Wine.
#include "framework/core/TextUtil.h"
#include "tests/support/ProgramFixture.h"

#include <algorithm>
#include <vector>

class Startup : public ProgramTest {
protected:
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
        ASSERT_TRUE(StartProgram(&run, ""));
        EXPECT_EQ("Error initializing the application!\nError code 0x0000F016.", TakeMessageBox(&run));
        EXPECT_EQ(0, WaitProcess(&run.child, 20000));
        CloseProcess(&run.child);
        EXPECT_FALSE(FolderExists(install.dataFolder)) << "nothing was written";
    }
    RemoveTestInstallRecord();
    ASSERT_TRUE(StartProgram(&run, ""));
    EXPECT_EQ("Error initializing the application!\nError code 0x0000F016.", TakeMessageBox(&run))
        << "a missing record";
    EXPECT_EQ(0, WaitProcess(&run.child, 20000));
}

TEST_F(Startup, DataFolderThatCannotBeUsedShowsTheDataPathBox)
{
    // A file stands where the data folder should be created.
    ASSERT_TRUE(WriteWholeFileText(install.dataFolder, "in the way"));
    ASSERT_TRUE(StartProgram(&run, ""));
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
    ASSERT_TRUE(StartProgram(&run, ""));
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
    ASSERT_TRUE(WriteLoggingOptions());
    ASSERT_TRUE(Start());
    EXPECT_EQ(0, Quit());
    std::string log = ReadWholeFile(Data("PanelShepherd.log"));
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
