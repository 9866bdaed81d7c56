// NetworkTest.cpp - the network status from fed facts and from Wine's own
// stack, and the network trigger's comparisons, lines and profile tests.
#include <winsock2.h>

#include "engine/MainWindow.h"
#include "engine/NetworkStatus.h"
#include "engine/ProductIds.h"
#include "engine/Worker.h"
#include "tests/engine/TriggerFixture.h"
#include "tests/support/FakeNetwork.h"

#include <thread>

class Network : public TriggerTest {
protected:
    void SetUp() override
    {
        TriggerTest::SetUp();
        ASSERT_TRUE(LoadWlanApi()) << "Wine has the wireless library";
        fake = FakeNetwork{};
        FakeAdapter lan;
        lan.index = 4;
        lan.ipv4 = {"10.1.2.3"};
        fake.best = 4;
        fake.adapters = {lan};
        InstallFakeNetwork(&fake);
    }
    void TearDown() override
    {
        InstallFakeNetwork(nullptr);
        TriggerTest::TearDown();
    }
    FakeNetwork fake;
};

TEST_F(Network, StatusComesFromTheAdapterOfTheRoute)
{
    FakeAdapter loop;
    loop.index = 1;
    loop.ifType = 24;
    loop.ipv4 = {"127.0.0.1"};
    FakeAdapter down;
    down.index = 4;
    down.up = false;
    down.ipv4 = {"10.9.9.9"};
    FakeAdapter lan;
    lan.index = 4;
    lan.ipv4 = {"10.0.0.1", "10.0.0.2"};
    FakeAdapter wifi;
    wifi.index = 4;
    wifi.ifType = 71;
    wifi.ipv4 = {"192.168.1.5"};
    FakeAdapter widest;
    widest.index = 4;
    widest.ipv4 = {"255.255.255.255"};
    std::string name32(32, 'W');
    struct Case {
        const char* why;
        std::vector<FakeAdapter> adapters;
        bool route, wireless, internet;
        std::string ssid;
        long ssidLength;
        uint32_t result, type, status;
        const char* ip;
        std::string wantSsid;
    } cases[] = {
        {"wired with internet", {loop, lan}, true, false, true, "", -1, 0, NET_TYPE_LAN, NET_STATUS_INTERNET,
         "10.0.0.2", ""},
        {"wired, no internet", {lan}, true, false, false, "", -1, 0, NET_TYPE_LAN, NET_STATUS_LAN, "10.0.0.2", ""},
        {"the longest address", {widest}, true, false, true, "", -1, 0, NET_TYPE_LAN, NET_STATUS_INTERNET,
         "255.255.255.255", ""},
        {"first adapter that is up", {down, wifi}, true, true, true, "Home", -1, 0, NET_TYPE_WIFI,
         NET_STATUS_INTERNET, "192.168.1.5", "Home"},
        {"a 32-byte name keeps all of it", {wifi}, true, true, true, name32, -1, 0, NET_TYPE_WIFI,
         NET_STATUS_INTERNET, "192.168.1.5", name32},
        {"a name of length 0 is none", {wifi}, true, true, true, "Hidden", 0, 0, NET_TYPE_WIFI, NET_STATUS_INTERNET,
         "192.168.1.5", ""},
        {"a length past 32 is none", {wifi}, true, true, true, name32, 33, 0, NET_TYPE_WIFI, NET_STATUS_INTERNET,
         "192.168.1.5", ""},
        {"the route's adapter is down", {loop, down}, true, false, true, "", -1, 1, 0, 0, "", ""},
        {"no route", {lan}, false, false, true, "", -1, 1, 0, 0, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        fake.adapters = c.adapters;
        fake.route = c.route;
        fake.wireless = c.wireless;
        fake.internet = c.internet;
        fake.ssid = c.ssid;
        fake.ssidLength = c.ssidLength;
        NetworkState s;
        memset(&s, 0xCC, sizeof(s));
        EXPECT_EQ(c.result, QueryNetworkStatus(&s));
        if (c.result != 0 && !c.route) continue;   // nothing was filled
        EXPECT_EQ(c.type, s.type);
        EXPECT_EQ(c.status, s.status);
        EXPECT_STREQ(c.ip, s.ip);
        EXPECT_EQ(c.wantSsid, std::string(s.ssid));
    }
    EXPECT_EQ(0x80004003u, QueryNetworkStatus(nullptr));
}

TEST_F(Network, AdapterListThatGrowsBetweenTheCallsIsReadAgain)
{
    FakeAdapter other;
    other.index = 9;
    other.ipv4 = {"172.16.0.1", "172.16.0.2", "172.16.0.3"};
    fake.growBy = other;
    fake.grow = true;
    NetworkState s = {};
    EXPECT_EQ(0u, QueryNetworkStatus(&s));
    EXPECT_STREQ("10.1.2.3", s.ip);
    EXPECT_EQ(3, fake.reads) << "size, a read that was too short, the read";
}

TEST_F(Network, WithoutTheWirelessLibraryThereIsNoState)
{
    UnloadWlanApi();
    NetworkState s = {};
    EXPECT_EQ(1u, QueryNetworkStatus(&s));
    ASSERT_TRUE(LoadWlanApi());
    EXPECT_EQ(0u, QueryNetworkStatus(&s));
}

// Wine's own stack: a wired adapter with internet; the address is the host's.
TEST_F(Network, WineReportsAWiredConnectionWithInternet)
{
    InstallFakeNetwork(nullptr);
    NetworkState s = {};
    ASSERT_EQ(0u, QueryNetworkStatus(&s));
    EXPECT_EQ((uint32_t)NET_TYPE_LAN, s.type);
    EXPECT_EQ((uint32_t)NET_STATUS_INTERNET, s.status);
    EXPECT_STREQ("", s.ssid);
    unsigned b[4];
    char tail;
    EXPECT_EQ(4, sscanf(s.ip, "%u.%u.%u.%u%c", &b[0], &b[1], &b[2], &b[3], &tail)) << s.ip;
}

TEST_F(Network, TriggerComparesWithThePreviousStateAndLogsTheChanges)
{
    Add("Any Status", [](Profile& p) {
        p.bTrgNetwork = 0x1;
        p.iTrgNetStatus = -1;
        p.bTrgExecuteOnly = 1;
        p.bTrgCheckNext = 1;
    });
    // A profile whose mask does not match comes before the one whose mask does.
    Add("B-Home", [](Profile& p) {
        p.bTrgNetwork = 0x4;
        CopyText(p.szTrgNetIPMask, sizeof(p.szTrgNetIPMask), "192.168.1.*");
    });
    Add("A-Office", [](Profile& p) {
        p.bTrgNetwork = 0x4;
        CopyText(p.szTrgNetIPMask, sizeof(p.szTrgNetIPMask), "10.*");
    });
    Add("Wifi Cafe", [](Profile& p) {
        p.bTrgNetwork = 0x2 | 0x8;
        p.iTrgNetType = 1;   // LAN: the type test fails for Wifi
        CopyText(p.szTrgNetSSIDMask, sizeof(p.szTrgNetSSIDMask), "Cafe?");
    });

    // The first check sees everything as new; at start only profiles that ask.
    EXPECT_FALSE(CheckNetworkChangeTrigger(1, 1));
    EXPECT_EQ((std::vector<std::string>{"TRG: Check Network Change Trigger",
                                        "TRG: Network Trigger: Network Status: Internet",
                                        "TRG: Network Trigger: Network Type: LAN",
                                        "TRG: Network Trigger: IP Address: 10.1.2.3"}),
              g_logLines);

    // Nothing changed: the walk does not run.
    g_logLines.clear();
    EXPECT_TRUE(CheckNetworkChangeTrigger(0, 1));
    EXPECT_EQ((std::vector<std::string>{"TRG: Check Network Change Trigger"}), g_logLines);

    // The address alone: the status-only profile stays, the matching mask switches.
    fake.adapters[0].ipv4 = {"192.168.1.20"};
    g_logLines.clear();
    EXPECT_TRUE(CheckNetworkChangeTrigger(0, 1));
    EXPECT_EQ("TRG: Network Trigger: IP Address: 192.168.1.20", g_logLines.at(1));
    EXPECT_FALSE(Logged("PRF: Executing Profile (Any Status)")) << Joined();
    EXPECT_TRUE(Logged("PRF: Switching Profile (B-Home)"));
    EXPECT_FALSE(Logged("PRF: Switching Profile (A-Office)"));
    EXPECT_EQ(IndexOf("B-Home"), Options.iCurProfile);

    // Losing the network: the query fails, the previous state stays, nothing triggers.
    fake.route = false;
    g_logLines.clear();
    EXPECT_FALSE(CheckNetworkChangeTrigger(0, 1));
    EXPECT_EQ((std::vector<std::string>{"TRG: Check Network Change Trigger"}), g_logLines);
    fake.route = true;
    g_logLines.clear();
    EXPECT_TRUE(CheckNetworkChangeTrigger(0, 1)) << "back to the same state: no change";

    // Wireless: status stays, type and name change.
    fake.adapters[0].ifType = 71;
    fake.wireless = true;
    fake.ssid = "Cafe1";
    g_logLines.clear();
    CheckNetworkChangeTrigger(0, 1);
    EXPECT_EQ((std::vector<std::string>{"TRG: Check Network Change Trigger",
                                        "TRG: Network Trigger: Network Type: Wifi",
                                        "TRG: Network Trigger: SSID: Cafe1"}),
              std::vector<std::string>(g_logLines.begin(), g_logLines.begin() + 3));
    EXPECT_TRUE(Logged("PRF: Switching Profile (Wifi Cafe)")) << "the name matched, whatever the type";

    // A status change executes the any-status profile and, as it lets the
    // next ones be tested, goes on.
    fake.internet = false;
    g_logLines.clear();
    CheckNetworkChangeTrigger(0, 1);
    EXPECT_EQ("TRG: Network Trigger: Network Status: LAN", g_logLines.at(1));
    EXPECT_TRUE(Logged("PRF: Executing Profile (Any Status)")) << Joined();
}

TEST_F(Network, TriggerWithoutNetworkProfilesAsksNothing)
{
    Add("Plain");
    EXPECT_TRUE(CheckNetworkChangeTrigger(0, 1));
    EXPECT_EQ(0, fake.reads);
}

// The system calls the network callbacks on threads of its own: they only
// post to the main window, whose thread runs the trigger.
TEST_F(Network, CallbacksOnlyPostToTheMainWindow)
{
    Add("Home", [](Profile& p) {
        p.bTrgNetwork = 0x4;
        CopyText(p.szTrgNetIPMask, sizeof(p.szTrgNetIPMask), "*");
    });
    HANDLE done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::thread system([&] {
        OnIpInterfaceChange(nullptr, nullptr, 0);
        OnWlanNotification(nullptr, nullptr);
        SetEvent(done);
    });
    // Sent messages are answered meanwhile, so a callback that ran the
    // trigger itself (and logged to this thread's window) would not hang
    // here; posted ones stay queued.
    DWORD waited;
    while ((waited = MsgWaitForMultipleObjects(1, &done, FALSE, 10000, QS_SENDMESSAGE)) == WAIT_OBJECT_0 + 1) {
        MSG sent;
        PeekMessageA(&sent, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    system.join();
    ASSERT_EQ(WAIT_OBJECT_0, waited);
    CloseHandle(done);
    EXPECT_TRUE(g_logLines.empty()) << Joined();
    int posted = 0;
    MSG m;
    while (PeekMessageA(&m, g_mainWindow, WM_NETWORKCHANGED, WM_NETWORKCHANGED, PM_REMOVE)) {
        posted++;
        MainWindowProc(m.hwnd, m.message, m.wParam, m.lParam);
    }
    EXPECT_EQ(2, posted);
    EXPECT_TRUE(Logged("PRF: Switching Profile (Home)")) << Joined();
}

// The notification is handled on the UI thread and a "-NOEXECUTE" start's
// first second switches without applying.
TEST_F(Network, NotificationHonoursTheNoExecuteStart)
{
    Add("Home", [](Profile& p) {
        p.bTrgNetwork = 0x4;
        p.bTrgExecuteOnly = 1;
        CopyText(p.szTrgNetIPMask, sizeof(p.szTrgNetIPMask), "10.1.*");
    });
    g_noExecute = 1;
    MainWindowProc(g_mainWindow, WM_NETWORKCHANGED, 0, 0);
    EXPECT_TRUE(Logged("PRF: Switching Profile (Home)")) << Joined();
    EXPECT_FALSE(Logged("PRF: Applying Profile (Home)"));
    EXPECT_FALSE(Logged("PRF: Executing Profile (Home)"));

    g_noExecute = 0;
    fake.adapters[0].ipv4 = {"10.1.0.9"};
    g_logLines.clear();
    MainWindowProc(g_mainWindow, WM_NETWORKCHANGED, 0, 0);
    EXPECT_TRUE(Logged("PRF: Executing Profile (Home)")) << Joined();
    EXPECT_TRUE(Logged("PRF: Applying Profile (Home)"));
}
