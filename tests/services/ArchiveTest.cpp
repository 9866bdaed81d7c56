// ArchiveTest.cpp - the "(ZRP)Archive" record read back with its defaults,
// archive names from templates, and the job: the archive, the time stored,
// pruning, and one writer at a time.
#include "framework/services/Archive.h"

#include "framework/core/FolderWalk.h"
#include "tests/services/ArchiveTestUtil.h"

#include <string.h>
#include <time.h>

#include <algorithm>

static const int64_t kDay = 86400;

static int64_t Today()
{
    return (int64_t)time(nullptr) / kDay * kDay;
}

static ArchiveSettings MakeSettings(const std::string& folder, const std::string& name, int automatic, int interval,
                                    int keep, int64_t last)
{
    ArchiveSettings s = {};
    CopyText(s.folderTemplate, sizeof(s.folderTemplate), folder.c_str());
    CopyText(s.nameTemplate, sizeof(s.nameTemplate), name.c_str());
    s.automatic = (uint8_t)automatic;
    s.intervalDays = interval;
    s.keepCount = keep;
    s.lastArchive = last;
    return s;
}

class ArchiveSettingsTest : public ConfigFolderTest {
protected:
    void TearDown() override
    {
        // The loaded settings are global: leave the defaults behind.
        DeleteFileA(RecordPath().c_str());
        LoadArchiveSettings();
        ConfigFolderTest::TearDown();
    }
    std::string RecordPath() { return data + "\\(ZRP)Archive.zpx"; }
    void WriteRecord(const ArchiveSettings& s) { Write(RecordPath(), std::string((const char*)&s, sizeof(s))); }
    ArchiveSettings ReadRecord()
    {
        ArchiveSettings s = {};
        std::string bytes = ReadWholeFile(RecordPath());
        EXPECT_EQ(sizeof(s), bytes.size());
        if (bytes.size() == sizeof(s)) memcpy(&s, bytes.data(), sizeof(s));
        return s;
    }
    std::string Expand(const char* pattern, const SYSTEMTIME& when, bool* ok = nullptr)
    {
        char out[MAX_PATH];
        memset(out, 'x', sizeof(out));
        bool expanded = ExpandArchiveNameAt(pattern, &when, out);
        if (ok) *ok = expanded;
        EXPECT_TRUE(memchr(out, '\0', sizeof(out))) << "the output is always terminated";
        return out;
    }
};

TEST_F(ArchiveSettingsTest, RecordIsReadWithItsDefaults)
{
    const ArchiveSettings stored = MakeSettings("D:\\Saved", "%PROGRAM%", 1, 3, 5, Today());
    const std::string whole((const char*)&stored, sizeof(stored));
    const struct {
        bool present;
        std::string bytes;
        const char* folder;
        const char* name;
        int automatic, interval, keep;
        int64_t last;
        const char* why;
    } cases[] = {
        {false, "", "%CONFIGDIR%\\Backup", "%PROGRAM%-%YEAR%.%MONTH%.%DAY%", 0, 14, 30, 0, "no record: off"},
        {true, whole, "D:\\Saved", "%PROGRAM%", 1, 3, 5, Today(), "a whole record is read as it is"},
        {true, whole.substr(0, 543), "%CONFIGDIR%\\Backup", "%PROGRAM%-%YEAR%.%MONTH%.%DAY%", 0, 14, 30, 0,
         "one byte short: the defaults"},
        {true, whole + "x", "%CONFIGDIR%\\Backup", "%PROGRAM%-%YEAR%.%MONTH%.%DAY%", 0, 14, 30, 0,
         "one byte long: the defaults"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        DeleteFileA(RecordPath().c_str());
        if (c.present) Write(RecordPath(), c.bytes);
        LoadArchiveSettings();
        ArchiveSettings s = GetArchiveSettings();
        EXPECT_STREQ(c.folder, s.folderTemplate);
        EXPECT_STREQ(c.name, s.nameTemplate);
        EXPECT_EQ(c.automatic, s.automatic);
        EXPECT_EQ(c.interval, s.intervalDays);
        EXPECT_EQ(c.keep, s.keepCount);
        EXPECT_EQ(c.last, s.lastArchive);
    }

    const struct {
        int interval, keep, readInterval, readKeep;
    } numbers[] = {{0, 0, 14, 30}, {-1, -7, 14, 30}, {1, 1, 1, 1}, {9999, 999, 9999, 999}};
    for (const auto& c : numbers) {
        SCOPED_TRACE(testing::Message() << "interval " << c.interval << ", keep " << c.keep);
        WriteRecord(MakeSettings("a", "b", 1, c.interval, c.keep, 0));
        LoadArchiveSettings();
        EXPECT_EQ(c.readInterval, GetArchiveSettings().intervalDays);
        EXPECT_EQ(c.readKeep, GetArchiveSettings().keepCount);
    }

    // Templates that fill their fields without a terminator end inside them.
    ArchiveSettings full = MakeSettings("", "", 1, 14, 30, 0);
    memset(full.folderTemplate, 'f', sizeof(full.folderTemplate));
    memset(full.nameTemplate, 'n', sizeof(full.nameTemplate));
    full.automatic = 0xFF;
    WriteRecord(full);
    LoadArchiveSettings();
    ArchiveSettings s = GetArchiveSettings();
    EXPECT_EQ(std::string(259, 'f'), s.folderTemplate);
    EXPECT_EQ(std::string(259, 'n'), s.nameTemplate);
    EXPECT_EQ(1, s.automatic);
}

TEST_F(ArchiveSettingsTest, SavingKeepsTheTimeOfTheLastArchive)
{
    WriteRecord(MakeSettings("a", "b", 0, 14, 30, Today() - 3 * kDay));
    LoadArchiveSettings();
    ArchiveSettings changed = MakeSettings("C:\\Other", "%DATE%", 1, 7, 4, 12345);
    ASSERT_TRUE(SaveArchiveSettings(&changed));
    ArchiveSettings r = ReadRecord();
    EXPECT_STREQ("C:\\Other", r.folderTemplate);
    EXPECT_STREQ("%DATE%", r.nameTemplate);
    EXPECT_EQ(1, r.automatic);
    EXPECT_EQ(7, r.intervalDays);
    EXPECT_EQ(4, r.keepCount);
    EXPECT_EQ(Today() - 3 * kDay, r.lastArchive) << "only an archive stores the time";
}

TEST_F(ArchiveSettingsTest, NamesExpandPlaceholdersThenEnvironment)
{
    SYSTEMTIME when = {};
    when.wYear = 2026;
    when.wMonth = 12;
    when.wDay = 9;
    when.wHour = 8;
    when.wMinute = 5;
    when.wSecond = 3;
    ASSERT_TRUE(SetEnvironmentVariableA("PS_ARCHIVE_TEST", "from-env"));
    const struct {
        const char* pattern;
        std::string expected;
    } cases[] = {
        {"%PROGRAM%-%YEAR%.%MONTH%.%DAY%", "PanelShepherd-2026.12.09"},
        {"%HOUR%:%MINUTE%:%SECOND%", "08:05:03"},
        {"%DATE% %TIME%", "09.12.2026 08-05-03"},
        {"%PROGVER%", "2.9.7"},
        {"%CONFIGDIR%\\Backup", data + "\\Backup"},
        {"%PS_ARCHIVE_TEST%\\%PROGRAM%", "from-env\\PanelShepherd"},
        {"%YEAR%%YEAR%", "20262026"},
        {"%program%", "%program%"},
        {"plain", "plain"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pattern);
        bool ok = false;
        EXPECT_EQ(c.expected, Expand(c.pattern, when, &ok));
        EXPECT_TRUE(ok);
    }

    // 259 characters fit; one more at any step fails, and nothing cut is given out.
    std::string fill246(246, 'a');   // with "PanelShepherd": 259
    const struct {
        std::string pattern;
        bool ok;
        const char* why;
    } lengths[] = {
        {std::string(259, 'a'), true, "a template of 259 characters"},
        {fill246 + "%PROGRAM%", true, "a placeholder that ends at 259"},
        {fill246 + "b%PROGRAM%", false, "a placeholder one past 259"},
        {std::string(250, 'a') + "%PS_ARCHIVE_TEST%", false, "an environment variable past 259"},
        {std::string(251, 'a') + "%PS_ARCHIVE_TEST%", false, "the same, one longer"},
        {std::string(250, 'a') + "%PROGVER%", true, "a template of 259 that expands shorter"},
        {std::string(200, 'a') + "%CONFIGDIR%%CONFIGDIR%%CONFIGDIR%", false, "the data folder three times"},
    };
    for (const auto& c : lengths) {
        SCOPED_TRACE(c.why);
        bool ok = !c.ok;
        std::string out = Expand(c.pattern.c_str(), when, &ok);
        EXPECT_EQ(c.ok, ok);
        if (!c.ok) {
            EXPECT_EQ("", out);
        }
        EXPECT_LE(out.size(), 259u);
    }
    SetEnvironmentVariableA("PS_ARCHIVE_TEST", nullptr);
}

//--- the job

class ArchiveJobTest : public ArchiveSettingsTest {
protected:
    void SetUp() override
    {
        ArchiveSettingsTest::SetUp();
        backups = root + "\\backups";
    }
    void TearDown() override
    {
        // A job a failed test left running must not outlive the folder.
        PumpUntil([] { return !IsArchiving(); }, 20000);
        ArchiveSettingsTest::TearDown();
    }
    std::string TodaysName()
    {
        SYSTEMTIME now;
        GetLocalTime(&now);
        char name[64];
        FormatText(name, sizeof(name), "PanelShepherd-%04u.%02u.%02u.BrimvaleConfig", now.wYear, now.wMonth, now.wDay);
        return name;
    }
    // Written one after another at different times (Wine reports the last
    // change as the creation time), never touched again.
    void WriteArchivesInOrder(const std::vector<std::string>& names)
    {
        CreateDirectoryA(backups.c_str(), nullptr);
        FILETIME previous = {};
        for (const std::string& name : names) {
            ASSERT_TRUE(PumpUntil(
                [&] {
                    FILETIME now;
                    GetSystemTimeAsFileTime(&now);
                    return CompareFileTime(&now, &previous) > 0;
                },
                5000));
            std::string path = backups + "\\" + name;
            Write(path, name);
            WIN32_FILE_ATTRIBUTE_DATA a;
            ASSERT_TRUE(GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &a));
            previous = a.ftCreationTime;
        }
    }
    std::vector<std::string> BackupFolderFiles()
    {
        std::vector<std::string> names;
        WIN32_FIND_DATAA fd;
        HANDLE find = FindFirstFileA((backups + "\\*").c_str(), &fd);
        if (find == INVALID_HANDLE_VALUE) return names;
        do {
            if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(fd.cFileName);
        } while (FindNextFileA(find, &fd));
        FindClose(find);
        std::sort(names.begin(), names.end());
        return names;
    }

    std::string backups;
};

TEST_F(ArchiveJobTest, WritesTheArchiveStoresTheDayAndPrunesTheOldest)
{
    Write(data + "\\Options.zpx", "options");
    CreateDirectoryA((data + "\\sub").c_str(), nullptr);
    Write(data + "\\sub\\Profile0.zpx", "profile");
    Write(data + "\\PanelShepherd.log", "log");
    WriteArchivesInOrder({"PanelShepherd-2020.01.02.BrimvaleConfig", "OtherTool-2020.01.01.BrimvaleConfig",
                          "old-panelshepherd.BrimvaleConfig", "PanelShepherd-2020.01.03.BrimvaleConfig",
                          "PanelShepherd-notes.txt"});
    ArchiveSettings s = MakeSettings(backups, "%PROGRAM%-%YEAR%.%MONTH%.%DAY%", 1, 14, 2, 0);
    WriteRecord(s);
    LoadArchiveSettings();

    EXPECT_EQ(ARCHIVE_WRITTEN, WriteScheduledArchive(&s));

    ArchiveEntries entries = ReadArchiveEntries(backups + "\\" + TodaysName());
    EXPECT_EQ(ArchiveEntries({{"PanelShepherd", ProductEntryData("2.9.7")},
                              {"(ZRP)Archive.zpx", std::string((const char*)&s, sizeof(s))},
                              {"Options.zpx", "options"},
                              {"sub/Profile0.zpx", "profile"}}),
              entries);
    EXPECT_EQ(Today(), ReadRecord().lastArchive);
    // The product's archives, matched without regard to case: today's and the
    // newest before it stay; other products and other files are left alone.
    std::vector<std::string> kept = {"OtherTool-2020.01.01.BrimvaleConfig", "PanelShepherd-2020.01.03.BrimvaleConfig",
                                     "PanelShepherd-notes.txt", TodaysName()};
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(kept, BackupFolderFiles());
}

// Archived where the next start imports, every start would go back to the
// last archive and write the next one there; written outside its folder, an
// archive would never be pruned. Neither is written, nor what cannot be.
TEST_F(ArchiveJobTest, FailedExpansionOrFolderWritesNothingAndStoresNoTime)
{
    Write(data + "\\Options.zpx", "options");
    Write(root + "\\blocker", "a file where the folder would be");
    CreateDirectoryA(backups.c_str(), nullptr);
    const struct {
        std::string folder, name;
        int result;
        const char* why;
    } cases[] = {
        {"", "%PROGRAM%", ARCHIVE_NO_FOLDER, "no folder template"},
        {std::string(250, 'a') + "%PROGRAM%", "%PROGRAM%", ARCHIVE_FAILED, "the folder does not expand"},
        {backups, std::string(250, 'a') + "%PROGRAM%", ARCHIVE_FAILED, "the name does not expand"},
        {root + "\\blocker\\sub", "%PROGRAM%", ARCHIVE_FAILED, "the folder cannot be made"},
        {"%CONFIGDIR%", "%PROGRAM%", ARCHIVE_IMPORT_FILE, "the data folder and the product's name"},
        {"%CONFIGDIR%\\", "PANELSHEPHERD", ARCHIVE_IMPORT_FILE, "the name in capitals"},
        {"%CONFIGDIR%\\Backup\\..", "%PROGRAM%", ARCHIVE_IMPORT_FILE, "the data folder by a detour"},
        {backups, "..\\%PROGRAM%-%YEAR%", ARCHIVE_OUTSIDE, "a climb out of the folder"},
        {backups, "../%PROGRAM%", ARCHIVE_OUTSIDE, "a climb with a slash"},
        {backups, "..\\data\\%PROGRAM%", ARCHIVE_OUTSIDE, "a climb to the import file"},
        {backups, "old\\%PROGRAM%", ARCHIVE_OUTSIDE, "a subfolder, never pruned"},
        {backups, "C:%PROGRAM%", ARCHIVE_OUTSIDE, "a drive"},
        {backups, "%PROGRAM%:x", ARCHIVE_OUTSIDE, "a stream"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        ArchiveSettings s = MakeSettings(c.folder, c.name, 1, 14, 2, 0);
        WriteRecord(s);
        LoadArchiveSettings();
        EXPECT_EQ(c.result, WriteScheduledArchive(&s));
        EXPECT_EQ(0, ReadRecord().lastArchive);
        EXPECT_TRUE(BackupFolderFiles().empty());
        EXPECT_FALSE(FileExists(ImportLocation()));
        std::vector<std::string> written;
        ListFilesBelow(root, "", &written);
        for (const std::string& f : written)
            EXPECT_EQ(std::string::npos, f.find(".BrimvaleConfig")) << "written: " << f;
    }
    // The positive control: the same settings with a good folder write.
    ArchiveSettings good = MakeSettings(backups, "%PROGRAM%", 1, 14, 2, 0);
    EXPECT_EQ(ARCHIVE_WRITTEN, WriteScheduledArchive(&good));
    EXPECT_EQ(std::vector<std::string>({"PanelShepherd.BrimvaleConfig"}), BackupFolderFiles());
}

// A record held open elsewhere is left out; the archive of the others still
// counts: the day is stored and the oldest are pruned.
TEST_F(ArchiveJobTest, ArchiveWithABusyRecordStoresTheDayAndPrunes)
{
    Write(data + "\\Options.zpx", "options");
    Write(data + "\\Busy.zpx", "busy");
    WriteArchivesInOrder({"PanelShepherd-2020.01.01.BrimvaleConfig", "PanelShepherd-2020.01.02.BrimvaleConfig"});
    ArchiveSettings s = MakeSettings(backups, "%PROGRAM%-%YEAR%.%MONTH%.%DAY%", 1, 14, 2, 0);
    WriteRecord(s);
    LoadArchiveSettings();
    HANDLE busy = CreateFileA((data + "\\Busy.zpx").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, busy);
    int result = WriteScheduledArchive(&s);
    CloseHandle(busy);

    EXPECT_EQ(ARCHIVE_INCOMPLETE, result);
    ArchiveEntries entries = ReadArchiveEntries(backups + "\\" + TodaysName());
    EXPECT_EQ(ArchiveEntries({{"PanelShepherd", ProductEntryData("2.9.7")},
                              {"(ZRP)Archive.zpx", std::string((const char*)&s, sizeof(s))},
                              {"Options.zpx", "options"}}),
              entries);
    EXPECT_EQ(Today(), ReadRecord().lastArchive);
    std::vector<std::string> kept = {"PanelShepherd-2020.01.02.BrimvaleConfig", TodaysName()};
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(kept, BackupFolderFiles());
}

TEST_F(ArchiveJobTest, PruningNeverTakesTheArchiveLeftForTheNextStart)
{
    // Backups kept in the data folder itself, beside a restore waiting for the restart.
    backups = data;
    Write(ImportLocation(), "waiting to be imported");
    WriteArchivesInOrder({"PanelShepherd-2020.01.01.BrimvaleConfig"});
    ArchiveSettings s = MakeSettings("%CONFIGDIR%", "%PROGRAM%-%YEAR%.%MONTH%.%DAY%", 1, 14, 1, 0);
    EXPECT_EQ(ARCHIVE_WRITTEN, WriteScheduledArchive(&s));
    EXPECT_EQ("waiting to be imported", ReadWholeFile(ImportLocation()));
    EXPECT_FALSE(FileExists(data + "\\PanelShepherd-2020.01.01.BrimvaleConfig")) << "beyond the one kept";
    EXPECT_TRUE(FileExists(data + "\\" + TodaysName()));
}

TEST_F(ArchiveJobTest, ScheduleFollowsTheIntervalAndOneArchiveIsWrittenAtATime)
{
    Write(data + "\\Options.zpx", "options");
    const struct {
        int automatic, interval;
        int64_t last;
        bool due;
        const char* why;
    } cases[] = {
        {1, 14, 0, true, "never archived"},
        {1, 14, Today() - 13 * kDay, false, "13 days ago"},
        {1, 14, Today() - 15 * kDay, true, "15 days ago"},
        {0, 14, 0, false, "automatic archiving off"},
        {1, 14, Today() + 100 * kDay, true, "100 days ahead: the clock went back"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        RemoveTree(backups);
        WriteRecord(MakeSettings(backups, "%PROGRAM%", c.automatic, c.interval, 5, c.last));
        EXPECT_EQ(c.due, ScheduledBackup());
        ASSERT_TRUE(PumpUntil([] { return !IsArchiving(); }, 20000));
        EXPECT_EQ(c.due, FileExists(backups + "\\PanelShepherd.BrimvaleConfig"));
        EXPECT_EQ(c.due ? Today() : c.last, ReadRecord().lastArchive);
    }

    // While another writer holds the claim, a due job does not start.
    RemoveTree(backups);
    WriteRecord(MakeSettings(backups, "%PROGRAM%", 1, 14, 5, 0));
    ASSERT_TRUE(TryBeginArchiving());
    EXPECT_FALSE(TryBeginArchiving());
    EXPECT_FALSE(ScheduledBackup());
    EXPECT_TRUE(IsArchiving()) << "the claim is still the other writer's";
    EndArchiving();
    EXPECT_FALSE(FileExists(backups + "\\PanelShepherd.BrimvaleConfig"));
    EXPECT_TRUE(ScheduledBackup());
    ASSERT_TRUE(PumpUntil([&] { return !IsArchiving(); }, 20000));
    EXPECT_TRUE(FileExists(backups + "\\PanelShepherd.BrimvaleConfig"));
}
