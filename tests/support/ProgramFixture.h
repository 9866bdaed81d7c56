// ProgramFixture.h - the end-to-end fixture: an installation record and data
// folder of the test's own, the real program started and quit, test windows,
// options and profiles written and read as the program stores them, and the
// program's log file, which these tests turn on and wait on.
#pragma once

#include "engine/OptionsRecord.h"
#include "engine/ProfileRecord.h"
#include "tests/support/ProgramRun.h"
#include "tests/support/TestWindowClient.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

// A rule that matches on the title only; the caller sets what it does.
Rule TitleRule(const char* name, const char* caption, uint8_t compare);

class ProgramTest : public testing::Test {
protected:
    // Installation "<suite>.<test>"; the data folder is not made yet.
    void SetUp() override;
    // Windows closed, the program quit (or ended), the record removed.
    void TearDown() override;

    std::string Data(const char* file) const { return install.dataFolder + "\\" + file; }
    std::string ProfilePath(int index) const;

    //--- what the program reads at start-up
    // The data folder with default options that log to the file.
    bool WriteLoggingOptions();
    // Logging options and Profile0 ("Test") holding these rules.
    bool WriteProfile(const std::vector<Rule>& rules);
    // Through the program's own reader and writer (the reader purges old rules).
    bool ReadProfile(int index, Profile* profile);
    bool SaveProfile(int index, Profile* profile);
    // The stored key=value lines of a record file as they are, or false.
    bool ReadRawRecord(const std::string& path, std::map<std::string, std::string>* keys);

    //--- the program
    bool Start(const char* args = "-MINIMIZE");
    bool StartWatched(const char* args);   // see StartProgramWatched
    long Quit();
    bool Running() const;

    //--- its log
    std::string Log() const;
    // Offset of text in the log at or after from, once it is there; npos on time-out.
    size_t WaitForLog(const std::string& text, size_t from = 0, DWORD ms = 10000) const;
    // "HWND(%08X)", as the log names a window.
    static std::string HandleText(HWND window);
    // "<event>: HWND(%08X)", the head of a window's monitor line.
    static std::string WindowTag(const char* event, HWND window);
    // The window's line for event at or after from, and its offset; npos on time-out.
    size_t WaitForWindowLine(const char* event, HWND window, size_t from, std::string* line = nullptr,
                             DWORD ms = 10000) const;

    //--- test windows, closed by TearDown
    TestWindow* Open(const std::string& args);

    TestInstall install;
    ProgramRun run;
    std::vector<std::unique_ptr<TestWindow>> windows;
};
