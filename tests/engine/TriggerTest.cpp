// TriggerTest.cpp - session, power, screen, time, idle and screensaver
// triggers and the update events, on this process's profiles with the
// system's facts set by the test.
#include "engine/ProfileUpdates.h"
#include "tests/engine/TriggerFixture.h"

#include <limits.h>

namespace {

const uint32_t kLockBit = 1u << (7 - 1);

}  // namespace

TEST_F(TriggerTest, EverySessionCodeLogsItsName)
{
    static const struct {
        uint32_t code;
        const char* name;
    } kCases[] = {
        {1, "Console Connect"}, {2, "Console Disconnect"}, {3, "Remote Connect"},
        {4, "Remote Disonnect"}, {5, "Logon"},            {6, "Logoff"},
        {7, "Lock"},             {8, "Unlock"},           {9, "Remote Control"},
        {0, "0"},                {10, "10"},              {0xFFFFFFFFu, "4294967295"},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.code);
        g_logLines.clear();
        CheckSessionTrigger(c.code);
        ASSERT_EQ(1u, g_logLines.size()) << Joined();
        EXPECT_EQ(std::string("TRG: Check Session Trigger (") + c.name + ")", g_logLines[0]);
    }
}

TEST_F(TriggerTest, SessionLockSwitchesToTheFirstMatchingProfileUnlessItLetsTheNextOnesBeTested)
{
    Add("A", [](Profile& p) { p.iTrgSession = kLockBit; });
    Add("B", [](Profile& p) { p.iTrgSession = kLockBit; });
    Add("C", [](Profile& p) { p.iTrgSession = 1u << (8 - 1); });   // unlock only
    MakeCurrent("C");
    CheckSessionTrigger(7);
    EXPECT_TRUE(Logged("PRF: Switching Profile (A)")) << Joined();
    EXPECT_FALSE(Logged("PRF: Switching Profile (B)"));
    EXPECT_EQ(IndexOf("A"), Options.iCurProfile);

    Named("A").bTrgCheckNext = 1;
    g_logLines.clear();
    CheckSessionTrigger(7);
    EXPECT_TRUE(Logged("PRF: Switching Profile (A)")) << Joined();
    EXPECT_TRUE(Logged("PRF: Switching Profile (B)"));
    EXPECT_FALSE(Logged("PRF: Switching Profile (C)"));
    EXPECT_EQ(IndexOf("B"), Options.iCurProfile);

    g_logLines.clear();
    CheckSessionTrigger(8);
    EXPECT_TRUE(Logged("PRF: Switching Profile (C)")) << Joined();
}

TEST_F(TriggerTest, SessionLockFirstUpdatesTheProfilesThatAskForIt)
{
    Add("Kept", [](Profile& p) {
        p.bUpdLock = 1;
        p.updatePending = 1;
        p.iUpdUpdateMode = 1;
    });
    Add("Restricted", [](Profile& p) {
        p.bUpdLock = 1;
        p.iGenScreenW = 1;
    });
    CheckSessionTrigger(7);
    std::vector<std::string> want = {"TRG: Check Session Trigger (Lock)", "UPD: Session Lock (Profile \"Kept\")",
                                     "PRF: Updating Profile (Kept)"};
    EXPECT_EQ(want, g_logLines);
    EXPECT_EQ(0, Named("Kept").updatePending) << "the update took the pending windows";

    g_logLines.clear();
    CheckSessionTrigger(7);
    EXPECT_TRUE(Logged("UPD: Session Lock (Profile \"Kept\")"));
    EXPECT_FALSE(Logged("PRF: Updating Profile (Kept)")) << "no window changed since";
}

TEST_F(TriggerTest, StoredDelaysAreWaitedWithinTheirBounds)
{
    static const struct {
        int32_t stored;
        DWORD waited;
    } kCases[] = {
        {200, 200}, {0, 0}, {-5, 0}, {TRIGGER_DELAY_MAX, TRIGGER_DELAY_MAX}, {INT_MAX, TRIGGER_DELAY_MAX},
    };
    Add("Delayed", [](Profile& p) { p.iTrgSession = kLockBit; });
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.stored);
        Named("Delayed").iTrgSessionDelay = c.stored;
        g_factValues.sleeps.clear();
        g_logLines.clear();
        CheckSessionTrigger(7);
        EXPECT_EQ(std::vector<DWORD>{c.waited}, g_factValues.sleeps);
        EXPECT_TRUE(Logged("PRF: Switching Profile (Delayed)"));
    }
}

TEST_F(TriggerTest, PowerEventsAreNamedAndTriggerTheirBits)
{
    for (uint32_t bit = 1; bit <= 0x40; bit <<= 1) {
        char name[8];
        FormatText(name, sizeof(name), "P%02X", bit);
        Add(name, [bit](Profile& p) { p.iTrgPower = bit; });
    }
    Add("Z-None");
    MakeCurrent("Z-None");
    g_lidPresent = 1;

    struct Setting {
        POWERBROADCAST_SETTING head;
        BYTE rest[3];
    };
    auto setting = [](const GUID& guid, DWORD value) {
        Setting s = {};
        s.head.PowerSetting = guid;
        s.head.DataLength = sizeof(DWORD);
        memcpy(s.head.Data, &value, sizeof(value));
        return s;
    };
    Setting monitorOn = setting(GUID_MONITOR_POWER_ON, 1), monitorOff = setting(GUID_MONITOR_POWER_ON, 0);
    Setting lidOpen = setting(GUID_LIDSWITCH_STATE_CHANGE, 1), lidShut = setting(GUID_LIDSWITCH_STATE_CHANGE, 0);
    Setting other = setting(GUID_ACDC_POWER_SOURCE, 1);
    static const char* const kNoLine = nullptr;
    struct Case {
        const char* why;
        WPARAM event;
        const Setting* data;
        int mains;
        const char* line;       // the log line's name, or none
        const char* switched;   // the profile switched to, or none
    } cases[] = {
        {"automatic resume", PBT_APMRESUMEAUTOMATIC, nullptr, 1, "Resume", "P01"},
        {"mains connected", PBT_APMPOWERSTATUSCHANGE, nullptr, 1, "10", "P02"},
        {"on battery", PBT_APMPOWERSTATUSCHANGE, nullptr, 0, "Power Off", "P04"},
        {"status unknown", PBT_APMPOWERSTATUSCHANGE, nullptr, -1, "10", nullptr},
        {"the registration's own monitor notice", PBT_POWERSETTINGCHANGE, &monitorOn, 1, kNoLine, nullptr},
        {"monitor off", PBT_POWERSETTINGCHANGE, &monitorOff, 1, "Monitor Power Off", "P10"},
        {"monitor on", PBT_POWERSETTINGCHANGE, &monitorOn, 1, "Monitor Power On", "P08"},
        {"the registration's own lid notice", PBT_POWERSETTINGCHANGE, &lidShut, 1, kNoLine, nullptr},
        {"lid closed", PBT_POWERSETTINGCHANGE, &lidShut, 1, "Lid Closed", "P40"},
        {"lid opened", PBT_POWERSETTINGCHANGE, &lidOpen, 1, "Lid Opened", "P20"},
        {"another setting", PBT_POWERSETTINGCHANGE, &other, 1, "32787", nullptr},
        {"suspend", PBT_APMSUSPEND, nullptr, 1, kNoLine, nullptr},
        {"critical resume", PBT_APMRESUMECRITICAL, nullptr, 1, kNoLine, nullptr},
        {"resume from suspend", PBT_APMRESUMESUSPEND, nullptr, 1, kNoLine, nullptr},
        {"resume from standby", PBT_APMRESUMESTANDBY, nullptr, 1, kNoLine, nullptr},
        {"battery low", PBT_APMBATTERYLOW, nullptr, 1, "9", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        g_factValues.mains = c.mains;
        g_logLines.clear();
        CheckPowerTrigger(c.event, (LPARAM)c.data);
        std::string all = Joined();
        if (c.line)
            EXPECT_EQ(std::string("TRG: Check Power Trigger (") + c.line + ")", g_logLines.empty() ? "" : g_logLines[0]);
        else
            EXPECT_EQ(std::string::npos, all.find("TRG: Check Power Trigger")) << all;
        size_t at = all.find("PRF: Switching Profile (");
        if (c.switched)
            EXPECT_NE(std::string::npos, all.find(std::string("PRF: Switching Profile (") + c.switched + ")")) << all;
        else
            EXPECT_EQ(std::string::npos, at) << all;
    }

    // Without a lid the lid events are logged and act on nothing.
    g_lidPresent = 0;
    g_logLines.clear();
    CheckPowerTrigger(PBT_POWERSETTINGCHANGE, (LPARAM)&lidShut);
    EXPECT_TRUE(Logged("TRG: Check Power Trigger (Lid Closed)"));
    EXPECT_FALSE(Logged("PRF: Switching Profile (P40)"));
}

TEST_F(TriggerTest, PowerTriggerHonoursTheScreenRestriction)
{
    MonitorTable live = {};
    GetMonitorSnapshot(&live);
    Add("A-Elsewhere", [&](Profile& p) {
        p.iTrgPower = 0x1;
        p.iGenScreenW = live.screenWidth + 1;
    });
    Add("B-Here", [&](Profile& p) {
        p.iTrgPower = 0x1;
        p.iGenScreenW = live.screenWidth;
    });
    CheckPowerTrigger(PBT_APMRESUMEAUTOMATIC, 0);
    EXPECT_FALSE(Logged("PRF: Switching Profile (A-Elsewhere)")) << Joined();
    EXPECT_TRUE(Logged("PRF: Switching Profile (B-Here)"));
}

TEST_F(TriggerTest, ScreenTriggerSwitchesOnlyProfilesOfTheNewLayout)
{
    UseMonitors({{{0, 0, 1920, 1080}, 96, "\\\\.\\DISPLAY1"}});
    Add("A-Full HD", [](Profile& p) {
        p.bTrgResChange = 1;
        p.iGenScreenW = 1920;
        p.iGenScreenH = 1080;
    });
    Add("B-QHD", [](Profile& p) {
        p.bTrgResChange = 1;
        p.iGenScreenW = 2560;
        p.iGenScreenH = 1440;
        p.iTrgScreenDelay = 300;
    });
    Add("C-Start", [](Profile& p) {
        p.bTrgResChange = 1;
        p.bTrgResChangeStart = 1;
    });
    g_fakeMonitors = {{{0, 0, 2560, 1440}, 96, "\\\\.\\DISPLAY1"}};
    EXPECT_TRUE(CheckScreenChangeTrigger(0, 1));
    EXPECT_EQ("TRG: Check Screen Change Trigger (1920 x 1080) -> (2560 x 1440)", g_logLines.at(0));
    EXPECT_FALSE(Logged("PRF: Switching Profile (A-Full HD)")) << Joined();
    EXPECT_TRUE(Logged("PRF: Switching Profile (B-QHD)"));
    EXPECT_TRUE(Logged("PRF: Applying Profile (B-QHD)"));
    EXPECT_EQ(std::vector<DWORD>{300}, g_factValues.sleeps);

    // At start only the profiles that ask for it; without execution nothing is applied.
    g_logLines.clear();
    EXPECT_TRUE(CheckScreenChangeTrigger(1, 0));
    EXPECT_TRUE(Logged("PRF: Switching Profile (C-Start)")) << Joined();
    EXPECT_FALSE(Logged("PRF: Applying Profile (C-Start)"));
    EXPECT_FALSE(Logged("PRF: Switching Profile (B-QHD)"));
}

TEST_F(TriggerTest, TimeTriggerFiresOncePerInterval)
{
    Add("Hourly", [](Profile& p) {
        p.bTrgTime = 1;
        p.iTrgTime = 3600;
        p.bTrgExecuteOnly = 1;
    });
    const int64_t start = g_factValues.now;
    static const struct {
        int64_t after;
        bool fires;
    } kTicks[] = {{0, true}, {1, false}, {3599, false}, {3600, true}, {3601, false}, {7199, false}, {7200, true}};
    for (const auto& t : kTicks) {
        SCOPED_TRACE(t.after);
        g_factValues.now = start + t.after;
        g_logLines.clear();
        CheckEventTriggers();
        EXPECT_EQ(t.fires, Logged("TRG: Event Trigger (Time)")) << Joined();
        EXPECT_EQ(t.fires, Logged("PRF: Executing Profile (Hourly)"));
        EXPECT_FALSE(Logged("PRF: Switching Profile (Hourly)")) << "executed in place";
    }
    EXPECT_EQ(start + 7200, Named("Hourly").iTrgTimeLast) << "kept with the profile";
    EXPECT_EQ(-1, Options.iCurProfile);
}

TEST_F(TriggerTest, InputIdleFiresOncePerIdlePeriod)
{
    Add("A-Idle", [](Profile& p) {
        p.bTrgIdle = 1;
        p.iTrgIdle = 5;
        p.bTrgExecuteOnly = 1;
    });
    // Limits far past 32 bits of milliseconds still compare right.
    Add("B-Long", [](Profile& p) {
        p.bTrgIdle = 1;
        p.iTrgIdle = INT_MAX;
        p.bTrgExecuteOnly = 1;
    });
    const uint64_t longLimitMs = (uint64_t)INT_MAX * 1000;
    static const struct {
        uint64_t idle;
        const char* fires;
    } kTicks[] = {
        {1000, nullptr},  {5000, nullptr},  {5001, "A-Idle"},   {9000, nullptr},
        {20000, nullptr}, {300, nullptr},   {6000, "A-Idle"},   {7000, nullptr},
    };
    for (const auto& t : kTicks) {
        SCOPED_TRACE(t.idle);
        g_factValues.idleMs = t.idle;
        g_logLines.clear();
        CheckEventTriggers();
        EXPECT_EQ(t.fires != nullptr, Logged("TRG: Event Trigger (Input Idle)")) << Joined();
        if (t.fires) {
            EXPECT_TRUE(Logged(std::string("PRF: Executing Profile (") + t.fires + ")"));
        }
    }
    g_factValues.idleMs = longLimitMs;
    g_logLines.clear();
    CheckEventTriggers();
    EXPECT_FALSE(Logged("PRF: Executing Profile (B-Long)")) << "at its limit, not past it";
    g_factValues.idleMs = longLimitMs + 1;
    g_logLines.clear();
    CheckEventTriggers();
    EXPECT_TRUE(Logged("PRF: Executing Profile (B-Long)")) << Joined();
}

TEST_F(TriggerTest, ScreensaverStartAndStopTriggerTheirProfiles)
{
    Add("On", [](Profile& p) {
        p.iTrgScrSave = 0x1;
        p.bTrgExecuteOnly = 1;
    });
    Add("Off", [](Profile& p) {
        p.iTrgScrSave = 0x2;
        p.bTrgExecuteOnly = 1;
    });
    static const struct {
        bool running;
        const char* line;
        const char* profile;
    } kTicks[] = {
        {false, nullptr, nullptr},
        {true, "TRG: Event Trigger (Screensaver On)", "On"},
        {true, nullptr, nullptr},
        {false, "TRG: Event Trigger (Screensaver Off)", "Off"},
        {false, nullptr, nullptr},
    };
    for (const auto& t : kTicks) {
        SCOPED_TRACE(t.running);
        g_factValues.screensaver = t.running;
        g_logLines.clear();
        CheckEventTriggers();
        if (t.line) {
            EXPECT_TRUE(Logged(t.line)) << Joined();
            EXPECT_TRUE(Logged(std::string("PRF: Executing Profile (") + t.profile + ")"));
        } else {
            EXPECT_EQ(std::string::npos, Joined().find("TRG: Event Trigger")) << Joined();
        }
    }
}

TEST_F(TriggerTest, EventUpdatesRecaptureEnabledProfilesWhenWindowsChanged)
{
    Add("Active Only", [](Profile& p) {
        p.bUpdTime = 1;
        p.iUpdTime = 60;
        p.bUpdUpdActive = 1;
        p.updatePending = 1;
    });
    Add("Every Minute", [](Profile& p) {
        p.bUpdTime = 1;
        p.iUpdTime = 60;
        p.updatePending = 1;
    });
    Add("Idle", [](Profile& p) {
        p.bUpdIdle = 1;
        p.iUpdIdle = 10;
        p.updatePending = 1;
    });
    Add("Disabled", [](Profile& p) {
        p.bUpdScrSaver = 1;
        p.bGenEnabled = 0;
        p.updatePending = 1;
    });
    CheckEventUpdates();
    EXPECT_EQ((std::vector<std::string>{"UPD: Event Update (Time)", "PRF: Updating Profile (Every Minute)"}),
              g_logLines)
        << "a profile that updates only while current is left alone";

    g_logLines.clear();
    g_factValues.now += 30;
    g_factValues.idleMs = 10001;
    g_factValues.screensaver = true;
    CheckEventUpdates();
    EXPECT_EQ((std::vector<std::string>{"UPD: Event Update (Input Idle)", "PRF: Updating Profile (Idle)"}),
              g_logLines)
        << "a disabled profile conditions fail";

    MakeCurrent("Active Only");
    Named("Every Minute").updatePending = 1;
    g_logLines.clear();
    g_factValues.now += 30;
    CheckEventUpdates();
    EXPECT_EQ((std::vector<std::string>{"UPD: Event Update (Time)", "PRF: Updating Profile (Active Only)",
                                        "UPD: Event Update (Time)", "PRF: Updating Profile (Every Minute)"}),
              g_logLines);
}

TEST_F(TriggerTest, ScreenChangeUpdateUsesTheLayoutBeforeTheChange)
{
    Add("Old Layout", [](Profile& p) {
        p.bUpdResChange = 1;
        p.iGenScreenW = 1920;
        p.updatePending = 1;
    });
    Add("New Layout", [](Profile& p) {
        p.bUpdResChange = 1;
        p.iGenScreenW = 3200;
        p.updatePending = 1;
    });
    MonitorTable before = {};
    before.screenWidth = 1920;
    before.screenHeight = 1080;
    CheckScreenChangeUpdate(&before);
    EXPECT_EQ((std::vector<std::string>{"UPD: Check Screen Change Update (1920 x 1080)",
                                        "UPD: Screen Change Update (Profile \"Old Layout\")",
                                        "PRF: Updating Profile (Old Layout)"}),
              g_logLines);
}

// A tick at which nothing fires reads neither the monitors nor, unless a
// profile waits for input idle, the idle time: an idle program costs next to
// nothing. A profile about to fire has its conditions read as before.
TEST_F(TriggerTest, AQuietTickAsksTheSystemForNothingItDoesNotNeed)
{
    static int s_monitorReads, s_idleReads;
    s_monitorReads = s_idleReads = 0;
    g_fakeMonitors = {{{0, 0, 1920, 1080}, 96, "\\\\.\\DISPLAY1"}};
    MonitorPlatform monitors = {[](MONITORENUMPROC proc, LPARAM data) {
                                    s_monitorReads++;
                                    return FakeMonitorEnum(proc, data);
                                },
                                FakeMonitorInfo, FakeMonitorDpi};
    SetMonitorPlatform(&monitors);
    TriggerFacts facts = {[] { return g_factValues.now; },
                          [] {
                              s_idleReads++;
                              return g_factValues.idleMs;
                          },
                          [] { return g_factValues.screensaver; }, [] { return g_factValues.mains; },
                          [](DWORD ms) { g_factValues.sleeps.push_back(ms); }};
    SetTriggerFacts(&facts);
    Add("Hourly", [](Profile& p) {
        p.bTrgTime = 1;
        p.iTrgTime = 3600;
        p.bTrgExecuteOnly = 1;
        p.bUpdTime = 1;
        p.iUpdTime = 3600;
    });
    auto tick = [] {
        CheckEventTriggers();
        CheckEventUpdates();
    };
    tick();
    ASSERT_TRUE(Logged("TRG: Event Trigger (Time)")) << Joined();
    ASSERT_TRUE(Logged("UPD: Event Update (Time)")) << Joined();
    EXPECT_GT(s_monitorReads, 0) << "the conditions of a profile about to fire";
    int reads = s_monitorReads;
    g_logLines.clear();
    for (int i = 1; i <= 5; i++) {
        g_factValues.now += 1;
        tick();
    }
    EXPECT_EQ(std::vector<std::string>{}, g_logLines);
    EXPECT_EQ(reads, s_monitorReads) << "quiet ticks read no monitors";
    EXPECT_EQ(0, s_idleReads) << "no profile waits for input idle";

    Add("Idle", [](Profile& p) {
        p.bTrgIdle = 1;
        p.iTrgIdle = 60;
        p.bTrgExecuteOnly = 1;
    });
    tick();
    EXPECT_EQ(1, s_idleReads) << "read once a tick while a profile waits for it";
    EXPECT_EQ(reads, s_monitorReads);
}
