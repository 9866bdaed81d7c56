// MonitorPassE2ETest.cpp - the running program watching a real window: every
// change of the window gives its log line, in order.
#include "tests/support/ProgramFixture.h"

using WatchedWindow = ProgramTest;

TEST_F(WatchedWindow, EveryChangeGivesItsLineInOrder)
{
    ASSERT_TRUE(WriteOptions());
    ASSERT_TRUE(Start());
    TestWindow* window = Open("--title \"Watch Probe\" --rect 100,110,400,300");
    ASSERT_NE(nullptr, window->hwnd);
    std::string line;
    size_t at = WaitForWindowLine("NEW", window->hwnd, 0, &line);
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
        ASSERT_TRUE(TestWindowStep(window, s.step));
        size_t next = WaitForWindowLine(s.event, window->hwnd, at + 1, &line);
        ASSERT_NE(std::string::npos, next) << Log();
        EXPECT_NE(std::string::npos, line.find(s.expect)) << line;
        at = next;
    }
    HWND closed = window->hwnd;
    StopTestWindow(window);
    EXPECT_NE(std::string::npos, WaitForWindowLine("CLS", closed, at + 1)) << Log();
    EXPECT_EQ(0, Quit());
    std::string log = Log();
    EXPECT_NE(std::string::npos, log.find("PRF: Switching Profile (Default)"));
    EXPECT_NE(std::string::npos, log.find("PRF: Applying Profile (Default)"));
}
