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

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

// A rule that matches on the title only; the caller sets what it does.
Rule TitleRule(const char* name, const char* caption, uint8_t compare);

// One profile file: its name, its settings and its rules.
struct ProfileSpec {
    ProfileSpec(const std::string& name, const std::function<void(Profile&)>& configure = nullptr,
                const std::vector<Rule>& rules = {})
        : name(name), configure(configure), rules(rules)
    {
    }
    std::string name;
    std::function<void(Profile&)> configure;   // may be empty
    std::vector<Rule> rules;
};

class ProgramTest : public testing::Test {
protected:
    // Installation "<suite>.<test>"; the data folder is not made yet.
    void SetUp() override;
    // Windows closed, every start quit (or ended), the record removed.
    void TearDown() override;

    std::string Data(const std::string& file) const { return install.dataFolder + "\\" + file; }
    std::string ProfilePath(int index) const;
    // Files (not folders) of the data folder whose names start with prefix.
    std::vector<std::string> DataFiles(const std::string& prefix) const;

    //--- what the program reads at start-up
    // The data folder with its options (the defaults when it has none)
    // logging to the file, then changed by change; the tray lists
    // (g_pinList, g_trayAppList) are written with them.
    bool WriteOptions(const std::function<void(OptionsRecord&)>& change = nullptr);
    // Into the global Options and tray lists through the program's reader.
    bool ReadOptions();
    // Options as WriteOptions writes them with profile current chosen, and
    // one file per profile, ProfileN.zpx, as the program keeps them.
    bool WriteProfiles(const std::vector<ProfileSpec>& profiles, int current = 0);
    // Options and Profile0 ("Test") holding these rules, then configured.
    bool WriteProfile(const std::vector<Rule>& rules, const std::function<void(Profile&)>& configure = nullptr);
    // Through the program's own reader and writer (the reader purges old
    // rules); a file "Profile-<name>.zpx" is in the short form.
    bool ReadProfile(int index, Profile* profile);
    bool SaveProfile(int index, Profile* profile);
    bool ReadProfileFile(const std::string& file, Profile* profile);
    bool SaveProfileFile(const std::string& file, Profile* profile);
    // Asks the running program to save every 250 ms until saved holds (it
    // reads back what was written); false on time-out.
    bool WaitForSave(const std::function<bool()>& saved, DWORD ms = 15000);
    // The stored key=value lines of a record file as they are, or false.
    bool ReadRawRecord(const std::string& path, std::map<std::string, std::string>* keys);

    //--- the program (or another build of it, e.g. FAKE_FACTS_PROGRAM)
    // Started and running: its control and main windows exist within ms.
    bool Start(const char* args = "-MINIMIZE", const char* program = "PanelShepherd.exe", DWORD ms = 20000);
    // Started only, for a start that shows a box, waits or ends early;
    // WaitUntilRunning(&run) or WaitProcess(&run.child) follows.
    bool Launch(const char* args = "-MINIMIZE", const char* program = "PanelShepherd.exe");
    bool StartWatched(const char* args);   // see StartProgramWatched
    // Starts count more at once into others, without waiting; see StartProgramsTogether.
    bool LaunchTogether(size_t count, const char* args = "-MINIMIZE");
    long Quit(DWORD ms = 20000);   // see QuitProgram
    bool Running() const;
    // After the program restarted itself: the old start ended with 0 and the
    // instance it started runs; run is that instance from then on.
    bool WaitForRestart(DWORD ms = 20000);
    // Picks the first item of the program's shortcut menu once it is shown
    // (clicked through the X server); the menu, or null when none came.
    HWND ChooseFirstMenuItem(DWORD ms = 15000);

    //--- its log
    std::string Log() const;
    // Offset of text in the log at or after from, once it is there; npos on time-out.
    size_t WaitForLog(const std::string& text, size_t from = 0, DWORD ms = 15000) const;
    // The lines without their time stamps.
    static std::vector<std::string> LogLines(const std::string& log);
    std::vector<std::string> LogLines() const { return LogLines(Log()); }
    // How many lines (without time stamps) equal line.
    int CountLogLine(const std::string& line) const;
    // Until at least count lines equal line; false on time-out.
    bool WaitForLogLine(const std::string& line, int count = 1, DWORD ms = 15000) const;
    // How many times part occurs in text.
    static int CountOf(const std::string& text, const std::string& part);
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
    std::vector<ProgramRun> others;   // more starts of one test
    std::vector<std::unique_ptr<TestWindow>> windows;
};
