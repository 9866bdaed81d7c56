// RunningProgram.h - one end-to-end test's own installation, options and
// profiles, the real program started on them, and its log file.
#pragma once

#include "engine/OptionsRecord.h"
#include "engine/ProfileRecord.h"
#include "framework/core/AppObject.h"
#include "framework/core/TextUtil.h"
#include "tests/support/ProgramRun.h"
#include "tests/support/WineTray.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

class RunningProgram : public testing::Test {
protected:
    void SetUp() override
    {
        std::string name = std::string(testing::UnitTest::GetInstance()->current_test_info()->test_suite_name()) +
                           "." + testing::UnitTest::GetInstance()->current_test_info()->name();
        ASSERT_TRUE(BeginTestInstall(name.c_str(), &install));
    }
    void TearDown() override
    {
        if (run.child.process) QuitProgram(&run);
        FreeGrowArray(&g_pinList);
        FreeGrowArray(&g_trayAppList);
        g_app.dataFolder[0] = '\0';
        RemoveTestInstallRecord();
    }
    void UseDataFolder()
    {
        CreateDirectoryA(install.dataFolder.c_str(), nullptr);
        CopyText(g_app.dataFolder, sizeof(g_app.dataFolder), install.dataFolder.c_str());
    }
    // The options (and tray lists) the start reads: the defaults, the log file
    // on, then what configure changes.
    void WriteOptions(const std::function<void()>& configure = nullptr)
    {
        UseDataFolder();
        FreeGrowArray(&g_pinList);
        FreeGrowArray(&g_trayAppList);
        SerializeOptions(0);
        Options.bMonLogToFile = 1;
        if (configure) configure();
        ASSERT_TRUE(SerializeOptions(1));
    }
    // Profiles in name order, each enabled with no restrictions, as Profile<i>.zpx.
    void WriteProfiles(const std::vector<std::pair<std::string, std::function<void(Profile&)>>>& profiles)
    {
        UseDataFolder();
        for (size_t i = 0; i < profiles.size(); i++) {
            Profile p = {};
            ASSERT_TRUE(InitProfile(&p, true));
            CopyText(p.szGenName, sizeof(p.szGenName), profiles[i].first.c_str());
            p.bGenEnabled = 1;
            if (profiles[i].second) profiles[i].second(p);
            std::string path = install.dataFolder + "\\Profile" + std::to_string(i) + ".zpx";
            EXPECT_TRUE(SerializeProfile(1, path.c_str(), &p, false));
            FreeProfileLists(&p);
        }
    }
    void Start(const std::string& args = "-MINIMIZE")
    {
        ASSERT_TRUE(StartProgram(&run, args));
        ASSERT_TRUE(WaitUntilRunning(&run));
    }
    std::string Log() { return ReadWholeFile(install.dataFolder + "\\PanelShepherd.log"); }
    bool WaitForLog(const std::string& text, DWORD ms = 15000)
    {
        return PumpUntil([&] { return Log().find(text) != std::string::npos; }, ms);
    }
    size_t LogPosition(const std::string& text) { return Log().find(text); }
    int LogCount(const std::string& text)
    {
        std::string log = Log();
        int n = 0;
        for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) n++;
        return n;
    }
    // The options as the program saved them last.
    bool ReadSavedOptions()
    {
        UseDataFolder();
        FreeGrowArray(&g_pinList);
        FreeGrowArray(&g_trayAppList);
        return SerializeOptions(0);
    }
    // Asks the running program to save everything and waits until it did.
    bool SaveNow()
    {
        std::string path = install.dataFolder + "\\Options.zpx";
        DeleteFileA(path.c_str());
        PostMessageA(run.main, ZRPMSG_SAVEALL, 0, 0);
        return PumpUntil([&] { return FileExists(path); }, 15000);
    }
    TestInstall install;
    ProgramRun run;
};
