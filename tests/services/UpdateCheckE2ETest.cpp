// UpdateCheckE2ETest.cpp - the real program's scheduled update check against
// a loopback server of the host: the dialog it opens, the record it writes,
// the schedule across starts, and the same over verified TLS.
#include "framework/core/TextUtil.h"
#include "framework/services/UpdateCheck.h"
#include "framework/services/UpdateCheckRes.h"
#include "installer/InstallRegistry.h"
#include "resources/Version.h"
#include "tests/support/HostTools.h"
#include "tests/support/ProgramFixture.h"
#include "tests/support/TestServer.h"

#include <string.h>
#include <string>
#include <time.h>
#include <vector>

static const char kDialogTitle[] = "PanelShepherd Update Check";
static const int64_t kDay = 86400;

static int64_t Today()
{
    return (int64_t)time(nullptr) / kDay * kDay;
}

static std::string ControlText(HWND dialog, int id)
{
    return ReadControlText(GetDlgItem(dialog, id));
}

class UpdateCheckE2E : public ProgramTest {
protected:
    void SetUp() override
    {
        if (!HostToolsAvailable()) GTEST_SKIP() << "the update server is the host's python3, reached through Wine";
        ProgramTest::SetUp();
        serverFolder = install.root + "\\server";
        ASSERT_TRUE(CreateDirectoryA(serverFolder.c_str(), nullptr));
        CreateDirectoryA(install.dataFolder.c_str(), nullptr);
    }
    void TearDown() override
    {
        ProgramTest::TearDown();
        StopTestServer(&server);
        for (const std::string& der : trusted) EXPECT_TRUE(UntrustTestCertificate(der));
    }
    // The server's folder and its first answer, before it starts.
    void PrepareServer(const std::string& folder, const char* answer)
    {
        server.folder = folder;
        ASSERT_TRUE(SetTestServerAnswer(&server, answer));
    }
    void StartPlainServer(const char* answer)
    {
        PrepareServer(serverFolder, answer);
        ASSERT_TRUE(StartTestServer(&server, serverFolder, "plain"));
        UseUpdateAddress(TestServerAddress(&server, "http", "/version.txt"));
    }
    void UseUpdateAddress(const std::string& address)
    {
        InstallRecord record;
        MakeInstallRecord(&record, install.installFolder.c_str(), install.dataFolder.c_str(), false);
        ASSERT_TRUE(CopyText(record.updateAddress, sizeof(record.updateAddress), address.c_str()));
        ASSERT_TRUE(WriteRawInstallRecord(&record, sizeof(record)));
    }
    int Requests() { return CountOf(TestServerRequests(&server), "/version.txt HTTP/1.0"); }
    bool WaitForRequests(int n)
    {
        return PumpUntil([&] { return Requests() >= n; }, 20000);
    }
    std::string RecordPath() { return Data("(ZRP)UpdateCheck.zpx"); }
    bool ReadRecord(UpdateCheckRecord* r)
    {
        std::string bytes = ReadWholeFile(RecordPath());
        if (bytes.size() != sizeof(*r)) return false;
        memcpy(r, bytes.data(), sizeof(*r));
        return true;
    }
    void WriteRecord(const char* version, int64_t lastCheck, int newer)
    {
        UpdateCheckRecord r = {};
        CopyText(r.version, sizeof(r.version), version);
        r.lastCheck = lastCheck;
        r.newer = (uint8_t)newer;
        r.automatic = 1;
        r.intervalDays = 7;
        ASSERT_TRUE(WriteWholeFileText(RecordPath(), std::string((const char*)&r, sizeof(r))));
    }
    // Waits until the record's last check is today (a check stored it).
    bool WaitForCheckStored()
    {
        return PumpUntil(
            [&] {
                UpdateCheckRecord r;
                return ReadRecord(&r) && r.lastCheck == Today();
            },
            20000);
    }
    HWND FindDialog() { return FindProcessWindow(run.child.pid, "#32770", kDialogTitle); }
    // The dialog the check opened, once its status shows the text.
    HWND WaitForDialog(const char* status)
    {
        HWND dialog = nullptr;
        PumpUntil(
            [&] {
                dialog = FindDialog();
                return dialog && IsWindowVisible(dialog) &&
                       ControlText(dialog, IDT_UPDATE_STATUS) == status;
            },
            20000);
        return dialog && ControlText(dialog, IDT_UPDATE_STATUS) == status ? dialog : nullptr;
    }

    std::string serverFolder;
    TestServer server;
    std::vector<std::string> trusted;
};

TEST_F(UpdateCheckE2E, FirstStartShowsTheNewerVersionAndStoresTheCheck)
{
    StartPlainServer("2.10.1");
    ASSERT_TRUE(Start());
    HWND dialog = WaitForDialog("New version available");
    ASSERT_NE(nullptr, dialog);
    EXPECT_EQ(PS_VERSION_TEXT, ControlText(dialog, IDT_UPDATE_INSTALLED));
    EXPECT_EQ("2.10.1", ControlText(dialog, IDT_UPDATE_AVAILABLE));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDB_UPDATE_DOWNLOAD)));
    EXPECT_EQ(nullptr, GetWindow(dialog, GW_OWNER));
    EXPECT_EQ(GetWindowThreadProcessId(run.control, nullptr), GetWindowThreadProcessId(dialog, nullptr))
        << "made on the UI thread, whose font caches its set-up grows";
    ASSERT_TRUE(WaitForCheckStored());
    EXPECT_EQ(0, Quit());

    std::string bytes = ReadWholeFile(RecordPath());
    ASSERT_EQ(280u, bytes.size());
    EXPECT_EQ(std::string("2.10.1") + std::string(254, '\0'), bytes.substr(0, 260));
    int64_t stored;
    int32_t interval;
    memcpy(&stored, bytes.data() + 264, 8);
    memcpy(&interval, bytes.data() + 276, 4);
    EXPECT_EQ(std::string(4, '\0'), bytes.substr(260, 4));
    EXPECT_EQ(Today(), stored);
    EXPECT_EQ(1, bytes[272]) << "newer";
    EXPECT_EQ(1, bytes[273]) << "automatic";
    EXPECT_EQ(std::string(2, '\0'), bytes.substr(274, 2));
    EXPECT_EQ(7, interval);
    EXPECT_EQ(1, Requests());
}

TEST_F(UpdateCheckE2E, StartsCheckOnlyWhenTheIntervalHasPassed)
{
    StartPlainServer("2.10.1");
    WriteRecord("2.10.1", Today(), 1);
    ASSERT_TRUE(Start());
    EXPECT_EQ(0, Quit());
    EXPECT_EQ(0, Requests()) << "checked today: no check";

    // Eight days ago: a check, and the known version opens no dialog.
    WriteRecord("2.10.1", Today() - 8 * kDay, 1);
    ASSERT_TRUE(Start());
    ASSERT_TRUE(WaitForRequests(1));
    ASSERT_TRUE(WaitForCheckStored());
    EXPECT_EQ(nullptr, FindDialog());
    EXPECT_EQ(0, Quit());

    // A last check 100 days ahead (the clock went back) does not hold checks off.
    WriteRecord("2.10.1", Today() + 100 * kDay, 1);
    ASSERT_TRUE(Start());
    ASSERT_TRUE(WaitForRequests(2));
    ASSERT_TRUE(WaitForCheckStored());
    EXPECT_EQ(0, Quit());
}

TEST_F(UpdateCheckE2E, AnswersThatAreNotNewerOpenNoDialog)
{
    // "2.9" is no version: nothing is stored, so the next start checks again.
    StartPlainServer("2.9");
    ASSERT_TRUE(Start());
    ASSERT_TRUE(WaitForRequests(1));
    EXPECT_EQ(0, Quit());
    EXPECT_FALSE(FileExists(RecordPath()));

    SetTestServerAnswer(&server, PS_VERSION_TEXT);
    ASSERT_TRUE(Start());
    ASSERT_TRUE(WaitForRequests(2));
    ASSERT_TRUE(WaitForCheckStored());
    EXPECT_EQ(nullptr, FindDialog());
    EXPECT_EQ(0, Quit());
    UpdateCheckRecord r;
    ASSERT_TRUE(ReadRecord(&r));
    EXPECT_STREQ(PS_VERSION_TEXT, r.version);
    EXPECT_EQ(0, r.newer);
}

TEST_F(UpdateCheckE2E, DamagedRecordChecksAtOnceWithTheDefaults)
{
    StartPlainServer("2.10.1");
    // Whole, it would say "checked today, 2.10.1 known"; one byte too many
    // makes it damaged, and the defaults check at once.
    WriteRecord("2.10.1", Today(), 1);
    ASSERT_TRUE(WriteWholeFileText(RecordPath(), ReadWholeFile(RecordPath()) + "x"));
    ASSERT_TRUE(Start());
    ASSERT_NE(nullptr, WaitForDialog("New version available"));
    ASSERT_TRUE(WaitForCheckStored());
    UpdateCheckRecord r;
    ASSERT_TRUE(ReadRecord(&r));
    EXPECT_EQ(1, r.automatic);
    EXPECT_EQ(7, r.intervalDays);
    EXPECT_STREQ("2.10.1", r.version);
}

TEST_F(UpdateCheckE2E, CheckNowInTheOpenedDialogChecksAgain)
{
    StartPlainServer("2.10.1");
    ASSERT_TRUE(Start());
    HWND dialog = WaitForDialog("New version available");
    ASSERT_NE(nullptr, dialog);
    ASSERT_TRUE(WaitForCheckStored());

    SetTestServerAnswer(&server, "2.10.2");
    HWND button = GetDlgItem(dialog, IDB_UPDATE_CHECKNOW);
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDB_UPDATE_CHECKNOW, BN_CLICKED), (LPARAM)button);
    ASSERT_TRUE(WaitForRequests(2));
    EXPECT_TRUE(PumpUntil([&] { return ControlText(dialog, IDT_UPDATE_AVAILABLE) == "2.10.2"; }, 20000));
    EXPECT_TRUE(PumpUntil(
        [&] {
            UpdateCheckRecord r;
            return ReadRecord(&r) && strcmp(r.version, "2.10.2") == 0;
        },
        20000));
    // Still the one dialog, and it closes with Cancel.
    EXPECT_EQ(dialog, FindDialog());
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(PumpUntil([&] { return !IsWindow(dialog); }, 20000));
}

TEST_F(UpdateCheckE2E, HttpsCheckNeedsATrustedCertificate)
{
    ASSERT_TRUE(MakeTestCertificate(serverFolder, "update", "IP:127.0.0.1"));
    const char answer[] = "HTTP/1.0 200 OK\r\nContent-Length: 6\r\n\r\n2.10.1";

    // Self-signed and not trusted: the handshake fails and nothing is stored.
    std::string first = serverFolder + "\\untrusted";
    ASSERT_TRUE(CreateDirectoryA(first.c_str(), nullptr));
    PrepareServer(first, answer);
    ASSERT_TRUE(StartTestServer(&server, first, "tls", "../update.pem ../update.key"));
    UseUpdateAddress(TestServerAddress(&server, "https", "/version.txt"));
    ASSERT_TRUE(Start());
    ASSERT_TRUE(PumpUntil([&] { return TestServerSaw(&server, "no request"); }, 20000));
    EXPECT_EQ(0, Quit());
    EXPECT_FALSE(FileExists(RecordPath()));
    StopTestServer(&server);

    // The same certificate in the trust store: the check goes through.
    std::string der = serverFolder + "\\update.der";
    ASSERT_TRUE(TrustTestCertificate(der));
    trusted.push_back(der);
    std::string second = serverFolder + "\\trusted";
    ASSERT_TRUE(CreateDirectoryA(second.c_str(), nullptr));
    PrepareServer(second, answer);
    ASSERT_TRUE(StartTestServer(&server, second, "tls", "../update.pem ../update.key"));
    UseUpdateAddress(TestServerAddress(&server, "https", "/version.txt"));
    ASSERT_TRUE(Start());
    HWND dialog = WaitForDialog("New version available");
    ASSERT_NE(nullptr, dialog);
    EXPECT_EQ("2.10.1", ControlText(dialog, IDT_UPDATE_AVAILABLE));
    EXPECT_TRUE(TestServerSaw(&server, "GET https://127.0.0.1:"));
}
