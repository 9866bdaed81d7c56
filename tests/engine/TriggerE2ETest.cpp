// TriggerE2ETest.cpp - the running program's main window: session, power,
// time, idle and network triggers, profile commands, profile hotkeys and raw
// mouse buttons, each read back from the program's log file.
#include "engine/OptionsRecord.h"
#include "engine/ProductIds.h"
#include "engine/ProfileRecord.h"
#include "framework/core/AppObject.h"
#include "framework/core/TextUtil.h"
#include "tests/support/ProfileFixture.h"
#include "tests/support/ProgramRun.h"
#include "tests/support/TestWindowClient.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <sstream>
#include <vector>

namespace {

struct ProfileSpec {
    const char* name;
    std::function<void(Profile&)> configure;
};

// Log lines without their time stamps.
std::vector<std::string> SplitLog(const std::string& log)
{
    std::vector<std::string> lines;
    std::istringstream in(log);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line.size() >= 13 ? line.substr(13) : line);
    }
    return lines;
}

// Milliseconds of the day of a line's time stamp "hh:mm:ss.mmm ".
long StampMs(const std::string& line)
{
    int h = 0, m = 0, s = 0, ms = 0;
    sscanf(line.c_str(), "%d:%d:%d.%d", &h, &m, &s, &ms);
    return ((h * 60L + m) * 60L + s) * 1000L + ms;
}

bool HotkeyTaken(uint16_t word)
{
    SetLastError(0xDEADBEEF);
    if (RegisterHotKey(nullptr, 0x7001, word >> 8, word & 0xFF)) {
        UnregisterHotKey(nullptr, 0x7001);
        return false;
    }
    return GetLastError() == ERROR_HOTKEY_ALREADY_REGISTERED;
}

}  // namespace

class ProgramTriggers : public testing::Test {
protected:
    void SetUp() override
    {
        std::string name =
            std::string("ProgramTriggers.") + testing::UnitTest::GetInstance()->current_test_info()->name();
        ASSERT_TRUE(BeginTestInstall(name.c_str(), &install));
    }
    void TearDown() override
    {
        for (TestWindow& w : windows) StopTestWindow(&w);
        if (run.child.process) QuitProgram(&run);
        g_app.dataFolder[0] = '\0';
        RemoveTestInstallRecord();
    }
    void UseDataFolder() { CopyText(g_app.dataFolder, sizeof(g_app.dataFolder), install.dataFolder.c_str()); }
    // Options with file logging and these profiles (in name order, current
    // the index of one of them).
    void WriteProfiles(const std::vector<ProfileSpec>& specs, int current)
    {
        CreateDirectoryA(install.dataFolder.c_str(), nullptr);
        UseDataFolder();
        SerializeOptions(0);
        Options.bMonLogToFile = 1;
        Options.iCurProfile = current;
        ASSERT_TRUE(SerializeOptions(1));
        for (size_t i = 0; i < specs.size(); i++) {
            Profile p = {};
            ASSERT_TRUE(InitProfile(&p, true));
            CopyText(p.szGenName, sizeof(p.szGenName), specs[i].name);
            if (specs[i].configure) specs[i].configure(p);
            std::string path = install.dataFolder + "\\Profile" + std::to_string(i) + ".zpx";
            EXPECT_TRUE(SerializeProfile(1, path.c_str(), &p, false));
            FreeProfileLists(&p);
        }
    }
    void Start(const std::string& args = "-MINIMIZE", const char* program = "PanelShepherd.exe")
    {
        ASSERT_TRUE(StartProgram(&run, args, program));
        ASSERT_TRUE(WaitUntilRunning(&run));
    }
    // The facts the test build of the program reads, replaced whole.
    void WriteFacts(const std::string& text)
    {
        std::string path = install.dataFolder + "\\FakeFacts.txt";
        ASSERT_TRUE(WriteWholeFileText(path + ".new", text));
        ASSERT_TRUE(MoveFileExA((path + ".new").c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING));
    }
    std::string LogText() { return ReadWholeFile(install.dataFolder + "\\PanelShepherd.log"); }
    std::vector<std::string> Lines() { return SplitLog(LogText()); }
    int Count(const std::string& line)
    {
        auto lines = Lines();
        return (int)std::count(lines.begin(), lines.end(), line);
    }
    bool WaitForCount(const std::string& line, int n, DWORD ms = 15000)
    {
        return PumpUntil([&] { return Count(line) >= n; }, ms);
    }
    bool WaitFor(const std::string& line, DWORD ms = 15000) { return WaitForCount(line, 1, ms); }
    // The lines after the last one equal to mark.
    std::vector<std::string> LinesAfterLast(const std::string& mark)
    {
        auto lines = Lines();
        auto at = std::find(lines.rbegin(), lines.rend(), mark);
        return at == lines.rend() ? std::vector<std::string>{} : std::vector<std::string>(at.base(), lines.end());
    }
    std::vector<std::string> Prefixed(const std::vector<std::string>& lines)
    {
        std::vector<std::string> out;
        for (const std::string& l : lines)
            if (l.compare(0, 5, "TRG: ") == 0 || l.compare(0, 5, "PRF: ") == 0) out.push_back(l);
        return out;
    }
    TestInstall install;
    ProgramRun run;
    std::vector<TestWindow> windows;
};

TEST_F(ProgramTriggers, SessionLockSwitchesToTheFirstLockProfileAndTheSwitchIsSaved)
{
    const uint32_t lock = 1u << 6;
    WriteProfiles({{"A", [&](Profile& p) { p.iTrgSession = lock; }},
                   {"B", [&](Profile& p) { p.iTrgSession = lock; }},
                   {"C", nullptr}},
                  2);
    Start();
    ASSERT_TRUE(WaitFor("PRF: Switching Profile (C)")) << LogText();
    PostMessageA(run.main, WM_WTSSESSION_CHANGE, 7, 1);
    ASSERT_TRUE(WaitFor("PRF: Switching Profile (A)")) << LogText();
    auto after = Prefixed(LinesAfterLast("TRG: Check Session Trigger (Lock)"));
    ASSERT_FALSE(after.empty()) << LogText();
    EXPECT_EQ("PRF: Switching Profile (A)", after[0]);
    EXPECT_EQ(0, Count("PRF: Switching Profile (B)"));

    UseDataFolder();
    // The switch's log line comes before it waits for the table lock, and a
    // save can be taken meanwhile: ask again until the saved options show it.
    ULONGLONG asked = 0;
    EXPECT_TRUE(PumpUntil(
        [&] {
            if (GetTickCount64() - asked >= 250) {
                PostMessageA(run.main, ZRPMSG_SAVEALL, 0, 0);
                asked = GetTickCount64();
            }
            return SerializeOptions(0) && Options.iCurProfile == 0;
        },
        15000))
        << "iCurProfile " << Options.iCurProfile;
}

TEST_F(ProgramTriggers, ResumeSwitchesToTheResumeProfileWhoseScreenFits)
{
    WriteProfiles({{"A-Narrow",
                    [](Profile& p) {
                        p.iTrgPower = 0x1;
                        p.iGenScreenW = 1;   // no display is one pixel wide
                    }},
                   {"B-Resume", [](Profile& p) { p.iTrgPower = 0x1; }},
                   {"C-Current", nullptr}},
                  2);
    Start();
    ASSERT_TRUE(WaitFor("PRF: Switching Profile (C-Current)"));
    PostMessageA(run.main, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0);
    ASSERT_TRUE(WaitFor("PRF: Switching Profile (B-Resume)")) << LogText();
    auto after = Prefixed(LinesAfterLast("TRG: Check Power Trigger (Resume)"));
    ASSERT_FALSE(after.empty());
    EXPECT_EQ("PRF: Switching Profile (B-Resume)", after[0]) << "the narrow profile's screen does not fit";
    EXPECT_EQ(0, Count("PRF: Switching Profile (A-Narrow)"));
}

// The real clock: every 2 s, executed in place.
TEST_F(ProgramTriggers, TimeTriggerExecutesTheProfileEveryTwoSeconds)
{
    WriteProfiles({{"Current", nullptr},
                   {"Timed",
                    [](Profile& p) {
                        p.bTrgTime = 1;
                        p.iTrgTime = 2;
                        p.bTrgExecuteOnly = 1;
                    }}},
                  0);
    Start();
    ASSERT_TRUE(WaitForCount("TRG: Event Trigger (Time)", 4, 30000)) << LogText();
    std::string log = LogText();
    std::vector<std::string> lines = SplitLog(log);
    for (size_t i = 0; i < lines.size(); i++) {
        if (lines[i] != "TRG: Event Trigger (Time)") continue;
        ASSERT_LT(i + 1, lines.size());
        EXPECT_EQ("PRF: Executing Profile (Timed)", lines[i + 1]);
    }
    std::vector<long> stamps;
    std::istringstream in(log);
    std::string raw;
    while (std::getline(in, raw))
        if (raw.find("TRG: Event Trigger (Time)") != std::string::npos) stamps.push_back(StampMs(raw));
    // Fires fall in calendar seconds at least 2 apart, so four of them span
    // more than 5 s whatever the ticks' phase; firing on every tick spans 3 s.
    ASSERT_GE(stamps.size(), 4u);
    long span = stamps[3] - stamps[0];
    if (span < 0) span += 86400000;   // past midnight
    EXPECT_GT(span, 4500) << "not on every tick";
    EXPECT_LT(span, 12000) << "about every 2 s";
    EXPECT_EQ(0, Count("PRF: Switching Profile (Timed)"));
}

// The test build reads its clock and idle time from a file: the idle trigger
// fires once per idle period and again after new input. Each clock step makes
// the later profile's interval trigger fire, which shows a tick went by.
TEST_F(ProgramTriggers, InputIdleFiresOncePerIdlePeriod)
{
    WriteProfiles({{"A-Idle",
                    [](Profile& p) {
                        p.bTrgIdle = 1;
                        p.iTrgIdle = 5;
                        p.bTrgExecuteOnly = 1;
                    }},
                   {"M-Current", nullptr},
                   {"Z-Ticker",
                    [](Profile& p) {
                        p.bTrgTime = 1;
                        p.iTrgTime = 100;
                        p.bTrgExecuteOnly = 1;
                    }}},
                  1);
    WriteFacts("clock=1000\nidle=0\n");
    Start("-MINIMIZE", FAKE_FACTS_PROGRAM);
    const std::string idle = "TRG: Event Trigger (Input Idle)", tick = "TRG: Event Trigger (Time)";
    ASSERT_TRUE(WaitForCount(tick, 1)) << LogText();

    WriteFacts("clock=1000\nidle=10000\n");
    ASSERT_TRUE(WaitForCount(idle, 1)) << LogText();
    EXPECT_EQ("PRF: Executing Profile (A-Idle)", LinesAfterLast(idle).at(0));
    WriteFacts("clock=1100\nidle=12000\n");
    ASSERT_TRUE(WaitForCount(tick, 2)) << LogText();
    EXPECT_EQ(1, Count(idle)) << "still the same idle period";

    WriteFacts("clock=1200\nidle=300\n");
    ASSERT_TRUE(WaitForCount(tick, 3)) << LogText();
    WriteFacts("clock=1200\nidle=6000\n");
    ASSERT_TRUE(WaitForCount(idle, 2)) << "idle again after new input\n" << LogText();
}

TEST_F(ProgramTriggers, AddressChangeSwitchesToTheProfileWhoseMaskMatches)
{
    auto mask = [](const char* pattern) {
        return [pattern](Profile& p) {
            p.bTrgNetwork = 0x4;
            CopyText(p.szTrgNetIPMask, sizeof(p.szTrgNetIPMask), pattern);
        };
    };
    // The profile whose mask does not match comes first: it must not act.
    WriteProfiles({{"A-Office", mask("10.*")}, {"B-Home", mask("192.168.1.*")}, {"Z-Current", nullptr}}, 2);
    WriteFacts("net.ip=172.16.5.5\n");
    Start("-MINIMIZE", FAKE_FACTS_PROGRAM);
    ASSERT_TRUE(WaitFor("TRG: Network Trigger: IP Address: 172.16.5.5")) << LogText();
    EXPECT_EQ(0, Count("PRF: Switching Profile (B-Home)"));

    WriteFacts("net.ip=192.168.1.20\n");
    PostMessageA(run.main, WM_NETWORKCHANGED, 0, 0);
    ASSERT_TRUE(WaitFor("PRF: Switching Profile (B-Home)")) << LogText();
    auto after = Prefixed(LinesAfterLast("TRG: Check Network Change Trigger"));
    ASSERT_GE(after.size(), 2u) << LogText();
    EXPECT_EQ("TRG: Network Trigger: IP Address: 192.168.1.20", after[0]);
    EXPECT_EQ("PRF: Switching Profile (B-Home)", after[1]);
    EXPECT_EQ(0, Count("PRF: Switching Profile (A-Office)"));
}

// "-NOEXECUTE": the start-up network check switches without applying.
TEST_F(ProgramTriggers, NoExecuteStartSwitchesOnTheNetworkWithoutApplying)
{
    WriteProfiles({{"Home",
                    [](Profile& p) {
                        p.bTrgNetwork = 0x4;
                        p.bTrgNetStart = 1;
                        CopyText(p.szTrgNetIPMask, sizeof(p.szTrgNetIPMask), "192.168.*");
                    }},
                   {"Z-Current", nullptr}},
                  1);
    WriteFacts("net.ip=192.168.7.7\n");
    Start("-MINIMIZE -NOEXECUTE", FAKE_FACTS_PROGRAM);
    ASSERT_TRUE(WaitFor("PRF: Switching Profile (Home)")) << LogText();
    auto after = Prefixed(LinesAfterLast("TRG: Network Trigger: IP Address: 192.168.7.7"));
    EXPECT_EQ((std::vector<std::string>{"PRF: Switching Profile (Home)"}), after);
    EXPECT_EQ(0, Count("PRF: Applying Profile (Home)"));
}

TEST_F(ProgramTriggers, CommandsReachOnlyExistingProfilesAndQuitEndsTheProgram)
{
    WriteProfiles({{"A", nullptr}, {"B", nullptr}, {"C", nullptr}}, 0);
    Start();
    ASSERT_TRUE(WaitFor("PRF: Switching Profile (A)"));
    PostMessageA(run.main, ZRPMSG_COMMAND, MAKEWPARAM(1102, 0), 0);
    ASSERT_TRUE(WaitFor("PRF: Switching Profile (B)")) << LogText();
    for (WORD id : {1136, 1116, 1156, 1104, 1124, 1144})
        PostMessageA(run.main, ZRPMSG_COMMAND, MAKEWPARAM(id, 0), 0);
    PostMessageA(run.main, ZRPMSG_COMMAND, MAKEWPARAM(1103, 0), 0);
    ASSERT_TRUE(WaitFor("PRF: Switching Profile (C)")) << "the program lives on\n" << LogText();
    auto after = Prefixed(LinesAfterLast("PRF: Applying Profile (B)"));
    ASSERT_FALSE(after.empty());
    EXPECT_EQ("PRF: Switching Profile (C)", after[0]) << "no profile was missing";

    PostMessageA(run.main, ZRPMSG_QUIT, 0, 0);
    EXPECT_EQ(0, WaitProcess(&run.child, 20000));
    CloseProcess(&run.child);
    auto lines = Lines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ("PanelShepherd stopped (error: 0)", lines.back());
}

TEST_F(ProgramTriggers, ProfileHotkeyIsHeldWhileTheProgramRuns)
{
    const uint16_t word = (MOD_CONTROL | MOD_SHIFT) << 8 | VK_F9;
    ASSERT_FALSE(HotkeyTaken(word)) << "free before";
    WriteProfiles({{"Keyed",
                    [&](Profile& p) {
                        p.bTrgHotKey = 1;
                        p.iTrgHotKey = word;
                    }}},
                  0);
    Start();
    EXPECT_TRUE(PumpUntil([&] { return HotkeyTaken(word); }, 10000)) << "registered by the program";
    ASSERT_EQ(0, QuitProgram(&run));
    EXPECT_FALSE(HotkeyTaken(word)) << "released at exit";
}

// A window moved by another program wakes nothing under Wine; a mouse click
// anywhere wakes the worker, which puts the locked window back.
TEST_F(ProgramTriggers, MouseClickWakesTheWorkerThatPutsALockedWindowBack)
{
    Rule locked = TitleRule("Locked", "Raw Mouse Probe", CMP_EQUALS);
    locked.moveto = 1;
    locked.x = 240;
    locked.y = 160;
    locked.lockpos = 1;
    ASSERT_TRUE(WriteTestProfile(install.dataFolder, {locked}));
    Start();
    windows.emplace_back();
    TestWindow* w = &windows.back();
    ASSERT_TRUE(StartTestWindow(w, "--title \"Raw Mouse Probe\" --rect 30,40,300,200"));
    TestWindowReport r;
    auto at = [&](int x, int y) {
        return PumpUntil([&] { return TestWindowStep(w, "report", &r) && r.normal.left == x && r.normal.top == y; },
                         10000);
    };
    ASSERT_TRUE(at(240, 160)) << r.normal.left << "," << r.normal.top;
    ASSERT_TRUE(TestWindowStep(w, "quietmove 600 450", &r));
    ASSERT_EQ(600, r.normal.left);

    INPUT click[2] = {};
    click[0].type = click[1].type = INPUT_MOUSE;
    click[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    click[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    ASSERT_EQ(2u, SendInput(2, click, sizeof(INPUT)));
    EXPECT_TRUE(at(240, 160)) << "still at " << r.normal.left << "," << r.normal.top;
}
