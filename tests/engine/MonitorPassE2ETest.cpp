// MonitorPassE2ETest.cpp - the running program watching a real window: every
// change of the window gives its log line, in order.
#include "engine/OptionsRecord.h"
#include "engine/ProfileRecord.h"
#include "framework/core/AppObject.h"
#include "framework/core/TextUtil.h"
#include "tests/support/ProgramRun.h"
#include "tests/support/TestWindowClient.h"

#include <gtest/gtest.h>

#include <stdio.h>

class WatchedWindow : public testing::Test {
protected:
    void SetUp() override
    {
        std::string name = std::string("Watch.") + testing::UnitTest::GetInstance()->current_test_info()->name();
        ASSERT_TRUE(BeginTestInstall(name.c_str(), &install));
        ASSERT_TRUE(CreateDirectoryA(install.dataFolder.c_str(), nullptr));
        CopyText(g_app.dataFolder, sizeof(g_app.dataFolder), install.dataFolder.c_str());
        SerializeOptions(0);
        Options.bMonLogToFile = 1;
        ASSERT_TRUE(SerializeOptions(1));
        g_app.dataFolder[0] = '\0';
        ASSERT_TRUE(StartProgram(&run, "-MINIMIZE"));
        ASSERT_TRUE(WaitUntilRunning(&run));
    }
    void TearDown() override
    {
        StopTestWindow(&window);
        if (run.child.process) QuitProgram(&run);
        RemoveTestInstallRecord();
    }
    std::string Log() { return ReadWholeFile(install.dataFolder + "\\PanelShepherd.log"); }
    std::string Tag(const char* event)
    {
        char tag[64];
        FormatText(tag, sizeof(tag), "%s: HWND(%08X)", event, (unsigned)(uintptr_t)window.hwnd);
        return tag;
    }
    // Waits until the log holds the window's line for this event after from.
    size_t WaitForLine(const char* event, size_t from, std::string* line = nullptr)
    {
        size_t at = std::string::npos;
        std::string tag = Tag(event);
        PumpUntil(
            [&] {
                std::string log = Log();
                at = log.find(tag, from);
                if (at != std::string::npos && line) *line = log.substr(at, log.find('\r', at) - at);
                return at != std::string::npos;
            },
            10000);
        return at;
    }

    TestInstall install;
    ProgramRun run;
    TestWindow window;
};

TEST_F(WatchedWindow, EveryChangeGivesItsLineInOrder)
{
    ASSERT_TRUE(StartTestWindow(&window, "--title \"Watch Probe\" --rect 100,110,400,300"));
    std::string line;
    size_t at = WaitForLine("NEW", 0, &line);
    ASSERT_NE(std::string::npos, at) << Log();
    EXPECT_NE(std::string::npos, line.find("TITLE(Watch Probe), DTP(255), POS(100,110), DIM(400,300), "
                                           "STATE(Restored), CLASS(PSTestWindow), PROGRAM("))
        << line;
    EXPECT_NE(std::string::npos, line.find("testwindow.exe)")) << line;

    struct Step {
        const char* step;
        const char* event;
        const char* expect;
    } steps[] = {
        {"title Watch Probe Renamed", "CHG", "TITLE(Watch Probe Renamed)"},
        {"move 300 320", "POS", "POS(300,320), DIM(400,300)"},
        {"size 500 410", "SZE", "DIM(500,410)"},
        {"min", "STA", "STATE(Minimized)"},
        {"restore", "STA", "STATE(Restored)"},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.step);
        ASSERT_TRUE(TestWindowStep(&window, s.step));
        size_t next = WaitForLine(s.event, at + 1, &line);
        ASSERT_NE(std::string::npos, next) << Log();
        EXPECT_NE(std::string::npos, line.find(s.expect)) << line;
        at = next;
    }
    HWND closed = window.hwnd;
    StopTestWindow(&window);
    window.hwnd = closed;   // the tag of its last line
    EXPECT_NE(std::string::npos, WaitForLine("CLS", at + 1)) << Log();
    window.hwnd = nullptr;
    EXPECT_EQ(0, QuitProgram(&run));
    std::string log = Log();
    EXPECT_NE(std::string::npos, log.find("PRF: Switching Profile (Default)"));
    EXPECT_NE(std::string::npos, log.find("PRF: Applying Profile (Default)"));
}
