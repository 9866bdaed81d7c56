// ConfigBackupTest.cpp - backing up, restoring and resetting the
// configuration: what the archives hold, that a failed backup never replaces
// a good archive, and that only archives of this product's record files are
// left for the next start.
#include "framework/services/ConfigBackup.h"

#include "framework/services/Archive.h"
#include "tests/core/ZipTestUtil.h"
#include "tests/services/ArchiveTestUtil.h"

#include <string.h>

static const char kOverwrite[] = "Warning: your current configuration will be overwritten!\nDo you want to continue?";

class ConfigBackup : public ConfigFolderTest {
protected:
    void SetUp() override
    {
        ConfigFolderTest::SetUp();
        CreateDirectoryA((data + "\\sub").c_str(), nullptr);
        CreateDirectoryA((data + "\\sub\\deeper").c_str(), nullptr);
        Write(data + "\\Options.zpx", "options");
        Write(data + "\\sub\\Profile0.zpx", "profile zero");
        Write(data + "\\sub\\deeper\\Rules.ZPX", "rules");
        Write(data + "\\PanelShepherd.log", "log");
        Write(data + "\\notes.txt", "notes");
        LoadArchiveSettings();
    }
    // What a backup of the fixture's data folder holds.
    ArchiveEntries FixtureEntries()
    {
        return {{"PanelShepherd", ProductEntryData("2.9.7")},
                {"Options.zpx", "options"},
                {"sub/Profile0.zpx", "profile zero"},
                {"sub/deeper/Rules.ZPX", "rules"}};
    }
};

TEST_F(ConfigBackup, BackupHoldsTheVersionAndEveryRecordUnderItsRelativePath)
{
    std::string target = root + "\\chosen.BrimvaleConfig";
    g_standIns.filePath = target;
    EXPECT_EQ(CONFIG_DONE, BackupRestoreConfig(nullptr, CONFIG_BACKUP));
    EXPECT_EQ(FixtureEntries(), ReadArchiveEntries(target));
    EXPECT_TRUE(g_standIns.boxes.empty()) << "the caller reports success";
    EXPECT_FALSE(FileExists(target + "_tmp"));

    // The save dialog offers the expanded name template, for archives of ours.
    SYSTEMTIME now;
    GetLocalTime(&now);
    char name[64];
    FormatText(name, sizeof(name), "save PanelShepherd-%04u.%02u.%02u.BrimvaleConfig", now.wYear, now.wMonth,
               now.wDay);
    ASSERT_EQ(1u, g_standIns.fileCalls.size());
    EXPECT_EQ(name, g_standIns.fileCalls[0]);
    EXPECT_EQ("Brimvale Configuration Data", g_standIns.filter);

    // Cancelled: nothing is written.
    g_standIns.filePath.clear();
    DeleteFileA(target.c_str());
    EXPECT_EQ(CONFIG_CANCELLED, BackupRestoreConfig(nullptr, CONFIG_BACKUP));
    EXPECT_FALSE(FileExists(target));
}

TEST_F(ConfigBackup, AutomaticArchiveShowsNothing)
{
    std::string target = root + "\\auto.BrimvaleConfig";
    EXPECT_EQ(CONFIG_DONE, BackupRestoreConfig(nullptr, CONFIG_AUTOMATIC, target.c_str()));
    EXPECT_EQ(FixtureEntries(), ReadArchiveEntries(target));
    EXPECT_EQ(CONFIG_NOT_ARCHIVE, BackupRestoreConfig(nullptr, CONFIG_AUTOMATIC, (root + "\\no\\such\\x").c_str()));
    EXPECT_TRUE(g_standIns.boxes.empty());
    EXPECT_TRUE(g_standIns.fileCalls.empty());
}

// A record the program holds open without sharing is skipped and reported;
// an archive that cannot take the target's place leaves the good one that is
// there as it was. (A backup killed while it writes: the end-to-end test.)
TEST_F(ConfigBackup, FailedBackupNeverReplacesTheArchiveThatWasThere)
{
    std::string target = root + "\\chosen.BrimvaleConfig";
    std::string good = MakeArchiveBytes({{"PanelShepherd", ProductEntryData("2.9.6")}, {"Options.zpx", "older"}});
    Write(target, good);
    g_standIns.filePath = target;

    // Busy: opened without sharing, so it cannot be opened for the archive.
    HANDLE busy = CreateFileA((data + "\\sub\\Profile0.zpx").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                              nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, busy);
    EXPECT_EQ(CONFIG_INCOMPLETE, BackupRestoreConfig(nullptr, CONFIG_BACKUP));
    CloseHandle(busy);
    ASSERT_EQ(1u, g_standIns.boxes.size());
    EXPECT_EQ("Some file(s) could not be backed up!\nMaybe they are in use by the program.", g_standIns.boxes[0]);
    ArchiveEntries expected = FixtureEntries();
    expected.erase(expected.begin() + 2);
    EXPECT_EQ(expected, ReadArchiveEntries(target)) << "a valid archive of the others";

    // The target is held open by another program that lets it be read and
    // written but not replaced.
    Write(target, good);
    g_standIns.boxes.clear();
    HANDLE reader = CreateFileA(target.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, reader);
    EXPECT_EQ(CONFIG_NOT_ARCHIVE, BackupRestoreConfig(nullptr, CONFIG_BACKUP));
    CloseHandle(reader);
    ASSERT_EQ(1u, g_standIns.boxes.size());
    EXPECT_EQ("Configuration file error!", g_standIns.boxes[0]);
    EXPECT_TRUE(ReadWholeFile(target) == good) << "the archive that was there is untouched";
    EXPECT_FALSE(FileExists(target + "_tmp"));

    // Positive control: let go, the same backup replaces it.
    EXPECT_EQ(CONFIG_DONE, BackupRestoreConfig(nullptr, CONFIG_BACKUP));
    EXPECT_EQ(FixtureEntries(), ReadArchiveEntries(target));
}

TEST_F(ConfigBackup, ResetLeavesAnArchiveOfTheProductEntryAlone)
{
    g_standIns.answer = IDNO;
    EXPECT_EQ(CONFIG_CANCELLED, BackupRestoreConfig(nullptr, CONFIG_RESET));
    EXPECT_FALSE(FileExists(ImportLocation()));
    ASSERT_EQ(1u, g_standIns.boxes.size());
    EXPECT_EQ(kOverwrite, g_standIns.boxes[0]);

    g_standIns.answer = IDYES;
    EXPECT_EQ(CONFIG_DONE, BackupRestoreConfig(nullptr, CONFIG_RESET));
    EXPECT_EQ(ArchiveEntries({{"PanelShepherd", ProductEntryData("2.9.7")}}), ReadArchiveEntries(ImportLocation()));
    EXPECT_EQ("options", ReadWholeFile(data + "\\Options.zpx")) << "the next start resets";
}

TEST_F(ConfigBackup, RestoreCopiesOnlyAnAcceptedArchiveOfThisProduct)
{
    std::string chosen = root + "\\chosen.BrimvaleConfig";
    g_standIns.filePath = chosen;
    std::string ours = MakeArchiveBytes(FixtureEntries());
    const struct {
        std::string bytes;
        int answer;
        int result;
        std::vector<std::string> boxes;
        bool copied;
        const char* why;
    } cases[] = {
        {ours, IDYES, CONFIG_DONE, {kOverwrite}, true, "ours, and the user agrees"},
        {ours, IDNO, CONFIG_CANCELLED, {kOverwrite}, false, "ours, and the user declines"},
        {StoredArchive({{"PanelShepherd", ""}}), IDYES, CONFIG_DONE, {kOverwrite}, true,
         "an empty product entry is accepted"},
        {MakeArchiveBytes({{"OtherTool", ProductEntryData("1.0.0")}, {"Options.zpx", "x"}}), IDYES,
         CONFIG_WRONG_PRODUCT, {"Wrong product!"}, false, "another product's archive"},
        {MakeArchiveBytes({{"panelshepherd", ProductEntryData("1.0.0")}}), IDYES, CONFIG_WRONG_PRODUCT,
         {"Wrong product!"}, false, "the product's name in another case"},
        {"not an archive", IDYES, CONFIG_NOT_ARCHIVE, {}, false, "no archive: no message"},
        {ours.substr(0, ours.size() / 2), IDYES, CONFIG_NOT_ARCHIVE, {}, false, "an archive cut in half"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        DeleteFileA(ImportLocation().c_str());
        g_standIns.boxes.clear();
        g_standIns.answer = c.answer;
        Write(chosen, c.bytes);
        EXPECT_EQ(c.result, BackupRestoreConfig(nullptr, CONFIG_RESTORE));
        EXPECT_EQ(c.boxes, g_standIns.boxes);
        EXPECT_EQ(c.copied, FileExists(ImportLocation()));
        if (c.copied) {
            EXPECT_TRUE(ReadWholeFile(ImportLocation()) == c.bytes) << "copied whole";
        }
        EXPECT_FALSE(FileExists(ImportLocation() + "_tmp"));
        EXPECT_EQ("options", ReadWholeFile(data + "\\Options.zpx")) << "nothing changes before the next start";
    }

    g_standIns.filePath.clear();
    EXPECT_EQ(CONFIG_CANCELLED, BackupRestoreConfig(nullptr, CONFIG_RESTORE));
}

// Every entry but the product's must be a record file stored under a
// relative name that stays in the data folder; anything else refuses the
// whole archive before a question is asked or a byte is copied.
TEST_F(ConfigBackup, RestoreRefusesArchivesWithEntriesThatAreNotRecordsOfTheDataFolder)
{
    std::string chosen = root + "\\chosen.BrimvaleConfig";
    g_standIns.filePath = chosen;
    const struct {
        std::string name;
        bool accepted;
    } rows[] = {
        {"Options.zpx", true},
        {"sub/Profile0.zpx", true},
        {"sub\\Profile0.zpx", true},
        {"Desktop2/x.ZPX", true},
        {"../escape.zpx", false},
        {"..\\escape.zpx", false},
        {"sub/../../escape.zpx", false},
        {"sub/../Options.zpx", false},
        {"./Options.zpx", false},
        {"/Options.zpx", false},
        {"\\Options.zpx", false},
        {"C:/Options.zpx", false},
        {"C:Options.zpx", false},
        {"//server/share/x.zpx", false},
        {"Options.txt", false},
        {"Options.zpx.txt", false},
        {"Options", false},
        {"PanelShepherd.log", false},
        {"sub/", false},
        {"Options.zpx:stream", false},
        {"CON.zpx", false},
        {"Options.zpx.", false},
        {"Options.zpx ", false},
        {"a|b.zpx", false},
        {std::string("x\0y.zpx", 7), false},
        {std::string(300, 'a') + ".zpx", false},
        {".zpx", false},
    };
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); i++) {
        SCOPED_TRACE(testing::Message() << "row " << i << ": " << rows[i].name);
        DeleteFileA(ImportLocation().c_str());
        g_standIns.boxes.clear();
        g_standIns.answer = IDYES;
        Write(chosen, StoredArchive({{"PanelShepherd", ProductEntryData("2.9.7")},
                                     {"Options.zpx", "restored"},
                                     {rows[i].name, "x"}}));
        int result = BackupRestoreConfig(nullptr, CONFIG_RESTORE);
        EXPECT_FALSE(FileExists(ImportLocation() + "_tmp"));
        if (rows[i].accepted) {
            EXPECT_EQ(CONFIG_DONE, result);
            EXPECT_TRUE(FileExists(ImportLocation()));
            continue;
        }
        EXPECT_EQ(CONFIG_NOT_ARCHIVE, result);
        EXPECT_FALSE(FileExists(ImportLocation())) << "nothing is copied";
        ASSERT_EQ(1u, g_standIns.boxes.size()) << "refused with a message, before any question";
        EXPECT_EQ(0u, g_standIns.boxes[0].find("Configuration file error!\nIt holds \""));
        EXPECT_NE(std::string::npos, g_standIns.boxes[0].find("which is not a record file of the data folder."));
    }
}
