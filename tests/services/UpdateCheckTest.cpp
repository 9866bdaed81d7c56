// UpdateCheckTest.cpp - the update-check record read back with its defaults,
// the schedule, and dialog 50101 showing and storing the record.
#include "framework/services/UpdateCheck.h"

#include "framework/core/AppObject.h"
#include "framework/core/TextUtil.h"
#include "framework/services/UpdateCheckRes.h"
#include "framework/ui/Theme.h"
#include "tests/support/HostTools.h"
#include "tests/support/TestEnv.h"
#include "tests/support/TestServer.h"

#include <gtest/gtest.h>

#include <string.h>
#include <string>
#include <time.h>

static const int64_t kDay = 86400;

static int64_t Today()
{
    return (int64_t)time(nullptr) / kDay * kDay;
}

static UpdateCheckRecord MakeRecord(const char* version, int64_t lastCheck, int newer, int automatic,
                                    int interval)
{
    UpdateCheckRecord r = {};
    CopyText(r.version, sizeof(r.version), version);
    r.lastCheck = lastCheck;
    r.newer = (uint8_t)newer;
    r.automatic = (uint8_t)automatic;
    r.intervalDays = interval;
    return r;
}

static std::string ControlText(HWND dialog, int id)
{
    char text[512] = {};
    GetDlgItemTextA(dialog, id, text, sizeof(text));
    return text;
}

class UpdateCheckState : public testing::Test {
protected:
    void SetUp() override
    {
        AppConstruct(&g_app);
        g_app.instance = GetModuleHandleA(nullptr);
        CopyText(g_app.productName, sizeof(g_app.productName), "PanelShepherd");
        g_app.versionMajor = 2;
        g_app.versionMinor = 9;
        g_app.versionBuild = 7;
        InitThemeColours(&g_app);
        folder = FreshFolderForThisTest();
        CopyText(g_app.dataFolder, sizeof(g_app.dataFolder), folder.c_str());
    }
    void TearDown() override
    {
        if (dialog) DestroyWindow(dialog);
        g_app.dataFolder[0] = '\0';
        LoadUpdateCheckState();
        AppDestruct(&g_app);
    }
    std::string RecordPath() { return folder + "\\(ZRP)UpdateCheck.zpx"; }
    void WriteRecordBytes(const std::string& bytes) { ASSERT_TRUE(WriteWholeFileText(RecordPath(), bytes)); }
    void WriteRecord(const UpdateCheckRecord& r)
    {
        WriteRecordBytes(std::string((const char*)&r, sizeof(r)));
    }
    UpdateCheckRecord ReadRecord()
    {
        UpdateCheckRecord r = {};
        std::string bytes = ReadWholeFile(RecordPath());
        EXPECT_EQ(sizeof(r), bytes.size());
        if (bytes.size() == sizeof(r)) memcpy(&r, bytes.data(), sizeof(r));
        return r;
    }
    HWND OpenDialog()
    {
        dialog = CreateDialogParamA(g_app.instance, MAKEINTRESOURCEA(IDD_UPDATECHECK), nullptr,
                                    UpdateCheckDlgProc, 0);
        if (dialog) ShowWindow(dialog, SW_SHOWNA);   // shown, it is the open dialog
        return dialog;
    }

    std::string folder;
    HWND dialog = nullptr;
};

TEST_F(UpdateCheckState, RecordIsReadWithItsDefaultsAndInterval)
{
    const UpdateCheckRecord stored = MakeRecord("2.10.1", Today(), 1, 0, 30);
    const std::string whole((const char*)&stored, sizeof(stored));
    const struct {
        bool present;
        std::string bytes;
        const char* version;
        int automatic, interval;
        int64_t lastCheck;
        const char* why;
    } cases[] = {
        {false, "", "", 1, 7, 0, "no record: on, every 7 days, never checked"},
        {true, whole, "2.10.1", 0, 30, Today(), "a whole record is read as it is"},
        {true, whole.substr(0, 279), "", 1, 7, 0, "one byte short: the defaults"},
        {true, whole + "x", "", 1, 7, 0, "one byte long: the defaults"},
        {true, std::string(280, '\xff'), "\xff", 1, 7, -1, "all bits set: interval -1 becomes 7"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        DeleteFileA(RecordPath().c_str());
        if (c.present) WriteRecordBytes(c.bytes);
        LoadUpdateCheckState();
        UpdateCheckRecord r = GetUpdateCheckState();
        if (c.version[0] == '\xff')
            EXPECT_EQ(259u, strlen(r.version)) << "the text is terminated";
        else
            EXPECT_STREQ(c.version, r.version);
        EXPECT_EQ(c.automatic, r.automatic);
        EXPECT_EQ(c.interval, r.intervalDays);
        EXPECT_EQ(c.lastCheck, r.lastCheck);
    }

    const struct {
        int automatic, stored, read;
    } intervals[] = {{0, 0, 7}, {0, 3, 7}, {1, 7, 7}, {1, 8, 8}, {0, 9999, 9999}, {0, 20000, 9999}};
    for (const auto& c : intervals) {
        SCOPED_TRACE(testing::Message() << "stored interval " << c.stored);
        WriteRecord(MakeRecord("", 0, 0, c.automatic, c.stored));
        LoadUpdateCheckState();
        EXPECT_EQ(c.read, GetUpdateCheckState().intervalDays);
        // An interval of 0 means no record yet: the check is switched on.
        EXPECT_EQ(c.stored == 0 ? 1 : c.automatic, GetUpdateCheckState().automatic);
    }
}

TEST_F(UpdateCheckState, CheckIsDueAfterTheIntervalOrWhenTheLastOneLiesAhead)
{
    const struct {
        int64_t lastCheck;
        int automatic;
        bool due;
        const char* why;
    } cases[] = {
        {Today(), 1, false, "checked today"},
        {Today() - 6 * kDay, 1, false, "six days ago"},
        {Today() - 8 * kDay, 1, true, "eight days ago"},
        {Today() - 8 * kDay, 0, false, "eight days ago, automatic check off"},
        {0, 1, true, "never"},
        {Today() + 100 * kDay, 1, true, "in 100 days: the clock went back"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        WriteRecord(MakeRecord("2.10.1", c.lastCheck, 1, c.automatic, 7));
        LoadUpdateCheckState();
        EXPECT_EQ(c.due, IsUpdateCheckDue());
    }
}

TEST_F(UpdateCheckState, DialogShowsTheRecord)
{
    int64_t last = Today() - 3 * kDay;
    UpdateCheckRecord r = MakeRecord("2.10.1", last, 1, 1, 14);
    memset(r.version, 'v', sizeof(r.version));   // unterminated on disk
    WriteRecord(r);
    LoadUpdateCheckState();
    ASSERT_TRUE(OpenDialog());

    char title[128] = {};
    GetWindowTextA(dialog, title, sizeof(title));
    EXPECT_STREQ("PanelShepherd Update Check", title);
    EXPECT_EQ("2.9.7", ControlText(dialog, IDT_UPDATE_INSTALLED));
    EXPECT_EQ(std::string(259, 'v'), ControlText(dialog, IDT_UPDATE_AVAILABLE));
    EXPECT_EQ("14", ControlText(dialog, IDE_UPDATE_DAYS));
    EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(dialog, IDX_UPDATE_AUTO));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDE_UPDATE_DAYS)));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDB_UPDATE_DOWNLOAD)));
    __time64_t when = last;
    struct tm local = {};
    ASSERT_EQ(0, _localtime64_s(&local, &when));
    char expected[64];
    FormatText(expected, sizeof(expected), "Last check: %02d.%02d.%04d", local.tm_mday,
               local.tm_mon + 1, local.tm_year + 1900);
    EXPECT_EQ(expected, ControlText(dialog, IDT_UPDATE_STATUS));

    // Unticking the check box greys the interval.
    CheckDlgButton(dialog, IDX_UPDATE_AUTO, BST_UNCHECKED);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDX_UPDATE_AUTO, BN_CLICKED),
                 (LPARAM)GetDlgItem(dialog, IDX_UPDATE_AUTO));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDE_UPDATE_DAYS)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDT_UPDATE_DAYS)));

    // Without a newer version there is nothing to download.
    DestroyWindow(dialog);
    WriteRecord(MakeRecord("2.9.7", last, 0, 0, 7));
    LoadUpdateCheckState();
    ASSERT_TRUE(OpenDialog());
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDB_UPDATE_DOWNLOAD)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDE_UPDATE_DAYS)));
}

TEST_F(UpdateCheckState, OkStoresTheScheduleWithinItsRange)
{
    const struct {
        const char* typed;
        bool automatic;
        int stored;
    } cases[] = {
        {"30", true, 30}, {"3", true, 7}, {"", false, 7}, {"abc", true, 7},
        {"20000", false, 9999}, {"7", false, 7},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "typed \"" << c.typed << "\"");
        WriteRecord(MakeRecord("2.10.1", Today(), 1, 1, 14));
        LoadUpdateCheckState();
        ASSERT_TRUE(OpenDialog());
        EXPECT_EQ(dialog, GetOpenUpdateDialog());
        SetDlgItemTextA(dialog, IDE_UPDATE_DAYS, c.typed);
        CheckDlgButton(dialog, IDX_UPDATE_AUTO, c.automatic ? BST_CHECKED : BST_UNCHECKED);
        SendMessageA(dialog, WM_COMMAND, IDOK, 0);
        UpdateCheckRecord r = ReadRecord();
        EXPECT_EQ(c.stored, r.intervalDays);
        EXPECT_EQ(c.automatic ? 1 : 0, r.automatic);
        EXPECT_STREQ("2.10.1", r.version) << "the rest of the record is kept";
        EXPECT_EQ(Today(), r.lastCheck);
        EXPECT_EQ(nullptr, GetOpenUpdateDialog());
        DestroyWindow(dialog);
        dialog = nullptr;
    }
}

// One check at a time, run on this thread against a loopback server while the
// dialog is open: the versions compare as numbers against the program's 2.9.7.
TEST_F(UpdateCheckState, CheckComparesVersionsAsNumbersAndReportsInTheOpenDialog)
{
    if (!HostToolsAvailable()) GTEST_SKIP() << "the update server is the host's python3, reached through Wine";
    TestServer server;
    std::string serverFolder = folder + "\\server";
    ASSERT_TRUE(CreateDirectoryA(serverFolder.c_str(), nullptr));
    ASSERT_TRUE(StartTestServer(&server, serverFolder, "plain"));

    const std::string trailer(300, 'Z');
    const struct {
        const char* path;
        std::string answer;
        const char* status;
        int newer;           // -1: the record is not written
        const char* shown;   // the version text shown and stored, when not the answer
    } cases[] = {
        {"/version.txt", "2.10.1", "New version available", 1, nullptr},
        {"/version.txt", "10.0.0", "New version available", 1, nullptr},
        {"/version.txt", "2.9.10", "New version available", 1, nullptr},
        {"/version.txt", "3.0.0", "New version available", 1, nullptr},
        {"/version.txt", "2.9.7", "No update available", 0, nullptr},
        {"/version.txt", "2.9.6", "No update available", 0, nullptr},
        {"/version.txt", "1.99.99", "No update available", 0, nullptr},
        {"/version.txt", "9.9.9\n" + trailer, "New version available", 1, "9.9.9"},
        {"/version.txt", "3.0.0\r\nnotes", "New version available", 1, "3.0.0"},
        {"/version.txt", "2.9", "Version format error", -1, nullptr},
        {"/version.txt", "version 3", "Version format error", -1, nullptr},
        {"/version.txt", "9.9.9" + trailer, "Version format error", -1, nullptr},
        {"/version.txt", "3.0.0 beta", "Version format error", -1, nullptr},
        {"/version.txt", "+3.0.0", "Version format error", -1, nullptr},
        {"/version.txt", "\n3.0.0", "Version format error", -1, nullptr},
        {"/missing", "3.0.0", "Version download error", -1, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.path << " answering \"" << c.answer.substr(0, 20) << "\"");
        WriteRecord(MakeRecord("1.0.0", 0, 0, 1, 7));
        LoadUpdateCheckState();
        ASSERT_TRUE(SetTestServerAnswer(&server, c.answer));
        CopyText(g_app.installRecord.updateAddress, sizeof(g_app.installRecord.updateAddress),
                 TestServerAddress(&server, "http", c.path).c_str());
        ASSERT_TRUE(OpenDialog());
        UpdateCheckThread(nullptr);
        EXPECT_EQ(c.status, ControlText(dialog, IDT_UPDATE_STATUS));
        UpdateCheckRecord r = ReadRecord();
        if (c.newer < 0) {
            EXPECT_EQ(0, r.lastCheck) << "an error leaves the schedule as it was";
            EXPECT_STREQ("1.0.0", r.version);
        } else {
            std::string shown = c.shown ? c.shown : c.answer;
            EXPECT_EQ(shown, ControlText(dialog, IDT_UPDATE_AVAILABLE));
            EXPECT_EQ(c.newer != 0, IsWindowEnabled(GetDlgItem(dialog, IDB_UPDATE_DOWNLOAD)) != 0);
            EXPECT_EQ(c.newer, r.newer);
            EXPECT_EQ(shown, r.version);
            EXPECT_EQ(Today(), r.lastCheck);
        }
        DestroyWindow(dialog);
        dialog = nullptr;
    }
}
