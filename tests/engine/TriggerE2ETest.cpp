// TriggerE2ETest.cpp - the running program's main window: session, power,
// time, idle and network triggers, profile commands, profile hotkeys and raw
// mouse buttons, each read back from the program's log file.
#include "engine/ProductIds.h"
#include "framework/core/AppObject.h"
#include "framework/core/TextUtil.h"
#include "tests/support/ProgramFixture.h"

#include <algorithm>
#include <sstream>
#include <vector>

namespace {

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

class ProgramTriggers : public ProgramTest {
protected:
    // The facts the test build of the program reads, replaced whole. It reads
    // them at every call, and a replace that meets them open is tried again.
    void WriteFacts(const std::string& text)
    {
        std::string path = Data("FakeFacts.txt");
        ASSERT_TRUE(WriteWholeFileText(path + ".new", text));
        ASSERT_TRUE(PumpUntil(
            [&] { return MoveFileExA((path + ".new").c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING) != 0; },
            5000));
    }
    // The lines after the last one equal to mark.
    std::vector<std::string> LinesAfterLast(const std::string& mark)
    {
        auto lines = LogLines();
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
};

TEST_F(ProgramTriggers, SessionLockSwitchesToTheFirstLockProfileAndTheSwitchIsSaved)
{
    const uint32_t lock = 1u << 6;
    ASSERT_TRUE(WriteProfiles({{"A", [&](Profile& p) { p.iTrgSession = lock; }},
                               {"B", [&](Profile& p) { p.iTrgSession = lock; }},
                               {"C", nullptr}},
                              2));
    ASSERT_TRUE(Start());
    ASSERT_TRUE(WaitForLogLine("PRF: Switching Profile (C)")) << Log();
    PostMessageA(run.main, WM_WTSSESSION_CHANGE, 7, 1);
    ASSERT_TRUE(WaitForLogLine("PRF: Switching Profile (A)")) << Log();
    auto after = Prefixed(LinesAfterLast("TRG: Check Session Trigger (Lock)"));
    ASSERT_FALSE(after.empty()) << Log();
    EXPECT_EQ("PRF: Switching Profile (A)", after[0]);
    EXPECT_EQ(0, CountLogLine("PRF: Switching Profile (B)"));

    // The switch's log line comes before it waits for the table lock, and a
    // save can be taken meanwhile: ask again until the saved options show it.
    EXPECT_TRUE(WaitForSave([&] { return ReadOptions() && Options.iCurProfile == 0; }, 15000))
        << "iCurProfile " << Options.iCurProfile;
}

TEST_F(ProgramTriggers, ResumeSwitchesToTheResumeProfileWhoseScreenFits)
{
    ASSERT_TRUE(WriteProfiles({{"A-Narrow",
                                [](Profile& p) {
                                    p.iTrgPower = 0x1;
                                    p.iGenScreenW = 1;   // no display is one pixel wide
                                }},
                               {"B-Resume", [](Profile& p) { p.iTrgPower = 0x1; }},
                               {"C-Current", nullptr}},
                              2));
    ASSERT_TRUE(Start());
    ASSERT_TRUE(WaitForLogLine("PRF: Switching Profile (C-Current)"));
    PostMessageA(run.main, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0);
    ASSERT_TRUE(WaitForLogLine("PRF: Switching Profile (B-Resume)")) << Log();
    auto after = Prefixed(LinesAfterLast("TRG: Check Power Trigger (Resume)"));
    ASSERT_FALSE(after.empty());
    EXPECT_EQ("PRF: Switching Profile (B-Resume)", after[0]) << "the narrow profile's screen does not fit";
    EXPECT_EQ(0, CountLogLine("PRF: Switching Profile (A-Narrow)"));
}

// The real clock: every 2 s, executed in place.
TEST_F(ProgramTriggers, TimeTriggerExecutesTheProfileEveryTwoSeconds)
{
    ASSERT_TRUE(WriteProfiles({{"Current", nullptr},
                               {"Timed",
                                [](Profile& p) {
                                    p.bTrgTime = 1;
                                    p.iTrgTime = 2;
                                    p.bTrgExecuteOnly = 1;
                                }}},
                              0));
    ASSERT_TRUE(Start());
    ASSERT_TRUE(WaitForLogLine("TRG: Event Trigger (Time)", 4, 30000)) << Log();
    std::string log = Log();
    std::vector<std::string> lines = LogLines(log);
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
    EXPECT_EQ(0, CountLogLine("PRF: Switching Profile (Timed)"));
}

// The test build reads its clock and idle time from a file: the idle trigger
// fires once per idle period and again after new input. Each clock step makes
// the later profile's interval trigger fire, which shows a tick went by.
TEST_F(ProgramTriggers, InputIdleFiresOncePerIdlePeriod)
{
    ASSERT_TRUE(WriteProfiles({{"A-Idle",
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
                              1));
    WriteFacts("clock=1000\nidle=0\n");
    ASSERT_TRUE(Start("-MINIMIZE", FAKE_FACTS_PROGRAM));
    const std::string idle = "TRG: Event Trigger (Input Idle)", tick = "TRG: Event Trigger (Time)";
    ASSERT_TRUE(WaitForLogLine(tick, 1)) << Log();

    WriteFacts("clock=1000\nidle=10000\n");
    ASSERT_TRUE(WaitForLogLine(idle, 1)) << Log();
    EXPECT_EQ("PRF: Executing Profile (A-Idle)", LinesAfterLast(idle).at(0));
    WriteFacts("clock=1100\nidle=12000\n");
    ASSERT_TRUE(WaitForLogLine(tick, 2)) << Log();
    EXPECT_EQ(1, CountLogLine(idle)) << "still the same idle period";

    WriteFacts("clock=1200\nidle=300\n");
    ASSERT_TRUE(WaitForLogLine(tick, 3)) << Log();
    WriteFacts("clock=1200\nidle=6000\n");
    ASSERT_TRUE(WaitForLogLine(idle, 2)) << "idle again after new input\n" << Log();
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
    ASSERT_TRUE(
        WriteProfiles({{"A-Office", mask("10.*")}, {"B-Home", mask("192.168.1.*")}, {"Z-Current", nullptr}}, 2));
    WriteFacts("net.ip=172.16.5.5\n");
    ASSERT_TRUE(Start("-MINIMIZE", FAKE_FACTS_PROGRAM));
    ASSERT_TRUE(WaitForLogLine("TRG: Network Trigger: IP Address: 172.16.5.5")) << Log();
    EXPECT_EQ(0, CountLogLine("PRF: Switching Profile (B-Home)"));

    WriteFacts("net.ip=192.168.1.20\n");
    PostMessageA(run.main, WM_NETWORKCHANGED, 0, 0);
    ASSERT_TRUE(WaitForLogLine("PRF: Switching Profile (B-Home)")) << Log();
    auto after = Prefixed(LinesAfterLast("TRG: Check Network Change Trigger"));
    ASSERT_GE(after.size(), 2u) << Log();
    EXPECT_EQ("TRG: Network Trigger: IP Address: 192.168.1.20", after[0]);
    EXPECT_EQ("PRF: Switching Profile (B-Home)", after[1]);
    EXPECT_EQ(0, CountLogLine("PRF: Switching Profile (A-Office)"));
}

// "-NOEXECUTE": the start-up network check switches without applying.
TEST_F(ProgramTriggers, NoExecuteStartSwitchesOnTheNetworkWithoutApplying)
{
    ASSERT_TRUE(WriteProfiles({{"Home",
                                [](Profile& p) {
                                    p.bTrgNetwork = 0x4;
                                    p.bTrgNetStart = 1;
                                    CopyText(p.szTrgNetIPMask, sizeof(p.szTrgNetIPMask), "192.168.*");
                                }},
                               {"Z-Current", nullptr}},
                              1));
    WriteFacts("net.ip=192.168.7.7\n");
    ASSERT_TRUE(Start("-MINIMIZE -NOEXECUTE", FAKE_FACTS_PROGRAM));
    ASSERT_TRUE(WaitForLogLine("PRF: Switching Profile (Home)")) << Log();
    auto after = Prefixed(LinesAfterLast("TRG: Network Trigger: IP Address: 192.168.7.7"));
    EXPECT_EQ((std::vector<std::string>{"PRF: Switching Profile (Home)"}), after);
    EXPECT_EQ(0, CountLogLine("PRF: Applying Profile (Home)"));
}

TEST_F(ProgramTriggers, CommandsReachOnlyExistingProfilesAndQuitEndsTheProgram)
{
    ASSERT_TRUE(WriteProfiles({{"A", nullptr}, {"B", nullptr}, {"C", nullptr}}, 0));
    ASSERT_TRUE(Start());
    ASSERT_TRUE(WaitForLogLine("PRF: Switching Profile (A)"));
    PostMessageA(run.main, ZRPMSG_COMMAND, MAKEWPARAM(1102, 0), 0);
    ASSERT_TRUE(WaitForLogLine("PRF: Switching Profile (B)")) << Log();
    for (WORD id : {1136, 1116, 1156, 1104, 1124, 1144})
        PostMessageA(run.main, ZRPMSG_COMMAND, MAKEWPARAM(id, 0), 0);
    PostMessageA(run.main, ZRPMSG_COMMAND, MAKEWPARAM(1103, 0), 0);
    ASSERT_TRUE(WaitForLogLine("PRF: Switching Profile (C)")) << "the program lives on\n" << Log();
    // The apply of B may be logged before or after the next switch; only the switches count.
    std::vector<std::string> switches;
    for (const std::string& l : LinesAfterLast("PRF: Switching Profile (B)"))
        if (l.compare(0, 23, "PRF: Switching Profile ") == 0) switches.push_back(l);
    ASSERT_FALSE(switches.empty());
    EXPECT_EQ("PRF: Switching Profile (C)", switches[0]) << "no profile was missing";

    PostMessageA(run.main, ZRPMSG_QUIT, 0, 0);
    EXPECT_EQ(0, WaitProcess(&run.child, 20000));
    CloseProcess(&run.child);
    auto lines = LogLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ("PanelShepherd stopped (error: 0)", lines.back());
}

TEST_F(ProgramTriggers, ProfileHotkeyIsHeldWhileTheProgramRuns)
{
    const uint16_t word = (MOD_CONTROL | MOD_SHIFT) << 8 | VK_F9;
    ASSERT_FALSE(HotkeyTaken(word)) << "free before";
    ASSERT_TRUE(WriteProfiles({{"Keyed",
                                [&](Profile& p) {
                                    p.bTrgHotKey = 1;
                                    p.iTrgHotKey = word;
                                }}},
                              0));
    ASSERT_TRUE(Start());
    EXPECT_TRUE(PumpUntil([&] { return HotkeyTaken(word); }, 10000)) << "registered by the program";
    ASSERT_EQ(0, Quit());
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
    ASSERT_TRUE(WriteProfile({locked}));
    ASSERT_TRUE(Start());
    TestWindow* w = Open("--title \"Raw Mouse Probe\" --rect 30,40,300,200");
    ASSERT_NE(nullptr, w->hwnd);
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
