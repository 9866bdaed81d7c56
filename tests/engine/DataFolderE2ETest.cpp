// DataFolderE2ETest.cpp - start-up waiting for a data folder that cannot be
// made yet: a file stands where one of its folders belongs until the test
// removes it, or the user quits from the wait's tray menu.
#include "installer/InstallRegistry.h"
#include "tests/engine/RunningProgram.h"

class LateDataFolder : public RunningProgram {
protected:
    void SetUp() override
    {
        RunningProgram::SetUp();
        blocker = install.root + "\\late";
        folder = blocker + "\\data";
        ASSERT_TRUE(WriteWholeFileText(blocker, "not a folder yet"));
        InstallRecord record;
        MakeInstallRecord(&record, install.installFolder.c_str(), folder.c_str(), false);
        ASSERT_TRUE(WriteRawInstallRecord(&record, sizeof(record)));
    }
    // The start waits: its wait window and its icon are there.
    void StartWaiting()
    {
        icons = CountTrayIcons();
        ASSERT_TRUE(StartProgram(&run, "-WAITFORDATAPATH -MINIMIZE"));
        ASSERT_TRUE(PumpUntil(
            [&] {
                return FindProcessWindow(run.child.pid, "ZRPWaitForDataPath") && CountTrayIcons() == icons + 1;
            },
            20000));
    }
    std::string blocker, folder;
    int icons = 0;
};

TEST_F(LateDataFolder, FolderThatAppearsLaterIsWaitedForAndUsed)
{
    StartWaiting();
    EXPECT_FALSE(FindProcessWindow(run.child.pid, "ZRPWindow")) << "start-up waits";
    ASSERT_TRUE(DeleteFileA(blocker.c_str()));
    ASSERT_TRUE(WaitUntilRunning(&run));
    EXPECT_TRUE(FolderExists(folder));
    ASSERT_EQ(0, QuitProgram(&run));
    EXPECT_TRUE(FileExists(folder + "\\Options.zpx")) << "the late folder is the data folder";
}

TEST_F(LateDataFolder, QuitFromTheWaitIconsMenuEndsStartUpCleanly)
{
    StartWaiting();
    ASSERT_TRUE(ClickAt(TrayIconRects().back(), 1));
    HWND menu = nullptr;
    ASSERT_TRUE(PumpUntil(
        [&] {
            menu = FindProcessWindow(run.child.pid, "#32768");
            return menu && IsWindowVisible(menu);
        },
        15000));
    RECT m;
    GetWindowRect(menu, &m);
    ASSERT_TRUE(ClickAt(POINT{m.left + 20, m.top + 3 + GetSystemMetrics(SM_CYMENU) / 2}, 1));
    EXPECT_EQ(0, WaitProcess(&run.child, 15000)) << "ended without an error";
    CloseProcess(&run.child);
    EXPECT_EQ(icons, CountTrayIcons()) << "its icon is gone";
    EXPECT_FALSE(FolderExists(folder));
}
