// ImportTest.cpp - a configuration archive left in the data folder for this start.
#include "framework/core/AppObject.h"
#include "framework/core/AppStartup.h"
#include "framework/core/TextUtil.h"
#include "framework/core/ZipArchive.h"
#include "tests/core/ZipTestUtil.h"
#include "tests/core/ZipWriteUtil.h"
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

#include <string.h>

#include <utility>
#include <vector>

class ConfigImport : public testing::Test {
protected:
    void SetUp() override
    {
        root = FreshFolderForThisTest();
        data = root + "\\data";
        outside = root + "\\outside";
        ResetData();
        AppConstruct(&g_app);
        CopyText(g_app.productName, sizeof(g_app.productName), "PanelShepherd");
        CopyText(g_app.dataFolder, sizeof(g_app.dataFolder), data.c_str());
    }
    void TearDown() override { g_app.dataFolder[0] = '\0'; }

    // The data folder's files, and a sibling folder with a file of the user's.
    void ResetData()
    {
        RemoveTree(outside);
        CreateDirectoryA(outside.c_str(), nullptr);
        ASSERT_TRUE(WriteWholeFileText(outside + "\\x.txt", "user's file"));
        RemoveTree(data);
        CreateDirectoryA(data.c_str(), nullptr);
        CreateDirectoryA((data + "\\sub").c_str(), nullptr);
        ASSERT_TRUE(WriteWholeFileText(data + "\\Options.zpx", "old options"));
        ASSERT_TRUE(WriteWholeFileText(data + "\\sub\\Profile3.zpx", "old profile"));
        ASSERT_TRUE(WriteWholeFileText(data + "\\PanelShepherd.log", "log"));
    }

    // Nothing but the data folder changed: the sibling holds the user's file
    // alone, and no file lies anywhere else below the test's folder.
    void ExpectNothingOutsideTheDataFolder()
    {
        std::vector<std::string> files;
        ListFilesBelow(root, "", &files);
        for (const std::string& f : files)
            EXPECT_TRUE(f.compare(0, 5, "data\\") == 0 || f == "outside\\x.txt") << "written outside: " << f;
        EXPECT_EQ("user's file", ReadWholeFile(outside + "\\x.txt"));
        EXPECT_FALSE(FileExists("C:\\x"));
    }

    // The refused archive kept aside, with exactly these bytes; deleted afterwards.
    void ExpectKeptAsideAndTakeIt(const std::string& bytes)
    {
        EXPECT_FALSE(FileExists(Archive())) << "never imported again";
        std::string kept = g_app.configKeptPath;
        std::string prefix = Archive() + ".refused-";
        EXPECT_EQ(0, kept.compare(0, prefix.size(), prefix)) << kept;
        EXPECT_TRUE(ReadWholeFile(kept) == bytes) << "kept whole: " << kept;
        DeleteFileA(kept.c_str());
    }

    // Entries as (name, bytes); '|' in a name is written as a backslash.
    std::string MakeArchive(const std::vector<std::pair<std::string, std::string>>& entries)
    {
        ZipHandle* zip = CreateZipArchive(nullptr, 65536, ZIP_KIND_MEMORY, nullptr);
        EXPECT_NE(nullptr, zip);
        for (const auto& e : entries)
            EXPECT_EQ(0u, AddZipEntry(zip, e.first.c_str(), e.second.data(), (uint32_t)e.second.size(),
                                      ZIP_KIND_MEMORY));
        std::string bytes = FinishZipBytes(zip);
        for (char& ch : bytes)
            if (ch == '|') ch = '\\';
        return bytes;
    }
    std::string Archive() { return data + "\\PanelShepherd.BrimvaleConfig"; }
    std::string ProductEntry(const std::string& keep) { return keep + std::string(1, '\0') + "1.0.0"; }

    std::string root, data, outside;
};

TEST_F(ConfigImport, ReplacesTheDataFolderWithTheArchive)
{
    // What is not configuration: backups kept in the data folder and a virtual
    // desktop's own desktop folder.
    CreateDirectoryA((data + "\\Backup").c_str(), nullptr);
    CreateDirectoryA((data + "\\Desktop2").c_str(), nullptr);
    ASSERT_TRUE(WriteWholeFileText(data + "\\Backup\\PanelShepherd-2026.01.01.BrimvaleConfig", "backup"));
    ASSERT_TRUE(WriteWholeFileText(data + "\\Desktop2\\letter.txt", "the user's desktop"));
    std::string refusedBefore = Archive() + ".refused-20240101-120000";
    ASSERT_TRUE(WriteWholeFileText(refusedBefore, "refused at an earlier start"));
    ASSERT_TRUE(WriteWholeFileText(Archive(), MakeArchive({{"PanelShepherd", ProductEntry("")},
                                                           {"Options.zpx", "new options"},
                                                           {"sub/Profile0.zpx", "profile zero"}})));
    ImportConfigArchive(&g_app);
    EXPECT_EQ(1, g_app.configImported);
    EXPECT_EQ("new options", ReadWholeFile(data + "\\Options.zpx"));
    EXPECT_EQ("profile zero", ReadWholeFile(data + "\\sub\\Profile0.zpx"));
    EXPECT_FALSE(FileExists(data + "\\sub\\Profile3.zpx")) << "records not in the archive are gone";
    EXPECT_EQ("log", ReadWholeFile(data + "\\PanelShepherd.log")) << "only records are replaced";
    EXPECT_EQ("backup", ReadWholeFile(data + "\\Backup\\PanelShepherd-2026.01.01.BrimvaleConfig"));
    EXPECT_EQ("the user's desktop", ReadWholeFile(data + "\\Desktop2\\letter.txt"));
    EXPECT_FALSE(FileExists(Archive())) << "the archive is used once";
    EXPECT_FALSE(FileExists(data + "\\PanelShepherd")) << "the product entry is not a file";
    EXPECT_EQ("refused at an earlier start", ReadWholeFile(refusedBefore)) << "kept for the user";
}

TEST_F(ConfigImport, KeepPatternsSurvive)
{
    ASSERT_TRUE(WriteWholeFileText(data + "\\Options.zpx", "old options"));
    ASSERT_TRUE(WriteWholeFileText(Archive(), MakeArchive({{"PanelShepherd", ProductEntry("PROFILE*.ZPX; keep*")},
                                                           {"Other.zpx", "new"}})));
    ImportConfigArchive(&g_app);
    EXPECT_EQ("old profile", ReadWholeFile(data + "\\sub\\Profile3.zpx")) << "matched without regard to case";
    EXPECT_FALSE(FileExists(data + "\\Options.zpx"));
    EXPECT_EQ("new", ReadWholeFile(data + "\\Other.zpx"));
}

TEST_F(ConfigImport, ArchiveThatDoesNotReadBackDeletesNothing)
{
    std::string payload = RandomBytes(4000, 7);
    std::string bytes = MakeArchive({{"PanelShepherd", ProductEntry("")}, {"Options.zpx", payload}});
    // Damage the stored data of the second entry: its CRC no longer holds.
    size_t at = bytes.find(payload.substr(100, 64));
    ASSERT_NE(std::string::npos, at);
    bytes[at + 10] ^= 0x55;
    // Ours but damaged: kept aside and reported. Not ours at all: only deleted.
    struct Case {
        std::string bytes;
        uint32_t refused;
        const char* why;
    } cases[] = {
        {bytes, CONFIG_REFUSED_DATA, "damaged entry"},
        {bytes.substr(0, bytes.size() / 2), 0, "truncated archive"},
        {MakeArchive({{"OtherProduct", ProductEntry("")}, {"Options.zpx", "x"}}), 0, "no product entry"},
        {"not a zip at all", 0, "not an archive"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        g_app.configImported = 0;
        ASSERT_TRUE(WriteWholeFileText(data + "\\Options.zpx", "old options"));
        ASSERT_TRUE(WriteWholeFileText(Archive(), c.bytes));
        ImportConfigArchive(&g_app);
        EXPECT_EQ(0, g_app.configImported);
        EXPECT_EQ(c.refused, g_app.configRefused);
        EXPECT_EQ("old options", ReadWholeFile(data + "\\Options.zpx"));
        EXPECT_EQ("old profile", ReadWholeFile(data + "\\sub\\Profile3.zpx"));
        if (c.refused) {
            ExpectKeptAsideAndTakeIt(c.bytes);
        } else {
            EXPECT_FALSE(FileExists(Archive())) << "deleted whether or not it could be read";
            EXPECT_STREQ("", g_app.configKeptPath);
        }
    }
}

// The reader would clean these to a name inside ("x.zpx"); Restore refuses
// them, and so does the import, before anything is deleted.
TEST_F(ConfigImport, EntryNamesTheReaderWouldCleanAreRefused)
{
    for (const char* stored : {"../../x.zpx", "..|..|x.zpx", "C:|x.zpx", "/x.zpx", "sub/../x.zpx"}) {
        SCOPED_TRACE(stored);
        ResetData();
        std::string bytes = MakeArchive({{"PanelShepherd", ProductEntry("")}, {"Options.zpx", "new options"},
                                         {stored, "evil"}});
        ASSERT_TRUE(WriteWholeFileText(Archive(), bytes));
        ImportConfigArchive(&g_app);
        EXPECT_EQ((uint32_t)CONFIG_REFUSED_NAME, g_app.configRefused);
        EXPECT_EQ(0, g_app.configImported);
        EXPECT_FALSE(FileExists(data + "\\x.zpx")) << "not cleaned into the data folder";
        EXPECT_FALSE(FileExists(root + "\\x.zpx"));
        EXPECT_EQ("old options", ReadWholeFile(data + "\\Options.zpx")) << "nothing deleted, nothing wiped";
        EXPECT_EQ("old profile", ReadWholeFile(data + "\\sub\\Profile3.zpx"));
        ExpectKeptAsideAndTakeIt(bytes);
    }
}

// Every name an archive could use to leave the data folder, or to name what
// Windows would open as something else. A row either lands inside under its
// stored name (inside) or makes the whole archive refused (inside empty).
TEST_F(ConfigImport, HostileEntryNamesAreRefusedOrStayInside)
{
    // The sibling folder as an absolute path: with a drive, with slashes, without its drive.
    std::string abs = outside;
    std::string slashed = abs;
    for (char& ch : slashed)
        if (ch == '\\') ch = '/';
    std::string drive = abs.substr(0, 2);
    ASSERT_EQ(':', drive[1]) << abs;
    struct Row {
        std::string stored, inside;
        const char* why;
    } rows[] = {
        {"./C:/x", "", "a '.' part hides a drive"},
        {".\\C:\\x", "", "the same with backslashes"},
        {"\\\\.\\C:\\x", "", "device prefix: dropping separators leaves .\\C:"},
        {"./" + slashed + "/x.zpx", "", "'.' then the sibling's drive"},
        {".\\" + abs + "\\x.zpx", "", "'.\\' then the sibling's drive"},
        {"\\\\.\\" + abs + "\\x.zpx", "", "device path to the sibling"},
        {"\\\\?\\" + abs + "\\x.zpx", "", "long-path prefix to the sibling"},
        {"//?/" + slashed + "/x.zpx", "", "long-path prefix with slashes"},
        {"//./" + slashed + "/x.zpx", "", "device prefix with slashes"},
        {"\\\\?\\UNC\\localhost\\share\\x.zpx", "", "long UNC prefix"},
        {"../outside/x.zpx", "", "climb with slashes"},
        {"..\\outside\\x.zpx", "", "climb with backslashes"},
        {"..\\/outside/x.zpx", "", "climb with mixed separators"},
        {"sub/../../outside/x.zpx", "", "one climb left after the inner step"},
        {"a/..\\..\\outside\\x.zpx", "", "the second step is the inner one"},
        {drive + "..\\outside\\x.zpx", "", "drive-relative climb"},
        {drive + "\\..\\outside\\x.zpx", "", "drive, root, climb"},
        {".. /outside/x.zpx", "", "climb with a trailing space"},
        {". ./outside/x.zpx", "", "points and a space"},
        {".../outside/x.zpx", "", "three points"},
        {"..../x.zpx", "", "four points"},
        {"x.zpx.", "", "trailing point"},
        {"x.zpx ", "", "trailing space"},
        {"sub./x.zpx", "", "folder with a trailing point"},
        {"sub /x.zpx", "", "folder with a trailing space"},
        {"CON.zpx", "", "device"},
        {"nul.zpx", "", "device with an extension"},
        {"sub/aux.zpx", "", "device in a folder"},
        {"COM1.zpx", "", "serial port"},
        {"lpt9.zpx", "", "printer port"},
        {"CONOUT$.zpx", "", "console"},
        {"nul .zpx", "", "device with spaces before the extension"},
        {"COM\xB9.zpx", "", "port with a superscript digit"},
        {"x.zpx:evil", "", "stream"},
        {"a<b.zpx", "", "<"},
        {"a>b.zpx", "", ">"},
        {"a\"b.zpx", "", "quote"},
        {"a|b.zpx", "", "|"},
        {"a?b.zpx", "", "?"},
        {"a*b.zpx", "", "*"},
        {"tab\tname.zpx", "", "control character"},
        {std::string("x\0y.zpx", 7), "", "zero inside the stored name"},
        {std::string(300, 'a'), "", "longer than a path"},
        {"", "", "empty"},
        {"C:", "", "a drive alone"},
        {"/", "", "a root alone"},
        {"\\\\", "", "a UNC prefix alone"},
        {".", "", "point"},
        {"..", "", "climb alone"},
        {"./x.zpx", "", "leading '.' part"},
        {"a//x.zpx", "", "empty part"},
        {"sub/..", "", "trailing climb"},
        // What the reader would clean is refused, not taken as cleaned.
        {"C:/a/../b.zpx", "", "drive and inner step"},
        {"/x.zpx", "", "root"},
        {"../../x.zpx", "", "leading climbs"},
        {"..\\..\\x.zpx", "", "the same with backslashes"},
        {"C:x.zpx", "", "drive-relative"},
        {"ok/..\\x.zpx", "", "mixed inner step"},
        {abs + "\\x.zpx", "", "the sibling's absolute path"},
        {slashed + "/x.zpx", "", "the same with slashes"},
        {"//server/share/x.zpx", "", "UNC"},
        // Only record files come in; folders are no entries of ours.
        {"sub/x.txt", "", "not a record file"},
        {"sub/", "", "a folder entry"},
        // Names as stored that stay inside are taken as they are.
        {"sub\\x.zpx", "sub\\x.zpx", "stored backslash"},
        {"sub/deeper/x.ZPX", "sub\\deeper\\x.ZPX", "folders below, extension in capitals"},
    };
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); i++) {
        const Row& row = rows[i];
        SCOPED_TRACE(testing::Message() << "row " << i << ": " << row.why);
        ResetData();
        g_app.configImported = 0;
        std::string bytes = StoredArchive(
            {{"PanelShepherd", ProductEntry("")}, {"Options.zpx", "new options"}, {row.stored, "evil"}});
        ASSERT_TRUE(WriteWholeFileText(Archive(), bytes));
        ImportConfigArchive(&g_app);
        ExpectNothingOutsideTheDataFolder();
        if (row.inside.empty()) {
            EXPECT_EQ((uint32_t)CONFIG_REFUSED_NAME, g_app.configRefused);
            EXPECT_EQ(0, g_app.configImported);
            EXPECT_EQ("old options", ReadWholeFile(data + "\\Options.zpx"))
                << "refused before anything was deleted";
            EXPECT_EQ("old profile", ReadWholeFile(data + "\\sub\\Profile3.zpx"));
            ExpectKeptAsideAndTakeIt(bytes);
        } else {
            EXPECT_EQ(0u, g_app.configRefused);
            EXPECT_EQ(1, g_app.configImported);
            EXPECT_EQ("new options", ReadWholeFile(data + "\\Options.zpx"));
            EXPECT_EQ("evil", ReadWholeFile(data + "\\" + row.inside));
            EXPECT_FALSE(FileExists(Archive()));
            EXPECT_STREQ("", g_app.configKeptPath);
        }
    }
}

// Sizes are capped at 64 MB per entry and in total, and entries at 4096 with
// the product's; one past a cap refuses the archive before anything is deleted.
TEST_F(ConfigImport, ArchivesTooLargeToUnpackAreRefusedWhole)
{
    const uint32_t kMB = 1u << 20;
    auto big = [&](std::vector<std::pair<std::string, uint32_t>> sizes) {
        ZipHandle* zip = CreateZipArchive(nullptr, 8 * kMB, ZIP_KIND_MEMORY, nullptr);
        std::string keep = ProductEntry("");
        EXPECT_EQ(0u, AddZipEntry(zip, "PanelShepherd", keep.data(), (uint32_t)keep.size(), ZIP_KIND_MEMORY));
        for (const auto& s : sizes) {
            std::string fill(s.second, 'z');
            EXPECT_EQ(0u, AddZipEntry(zip, s.first.c_str(), fill.data(), s.second, ZIP_KIND_MEMORY));
        }
        std::string bytes = FinishZipBytes(zip);
        return bytes;
    };
    // Empty records of one name: every entry counts, and they cost one file.
    auto many = [&](int count) {
        std::vector<std::pair<std::string, std::string>> entries = {{"PanelShepherd", ProductEntry("")}};
        for (int i = 2; i < count; i++) entries.push_back({"many/same.zpx", ""});
        entries.push_back({"many/last.zpx", "x"});
        return StoredArchive(entries);
    };
    struct Case {
        std::string bytes;
        bool refused;
        const char* probe;   // a file the import makes, and its size
        size_t probeSize;
        const char* why;
    } cases[] = {
        {big({{"one.zpx", 64 * kMB + 1}}), true, "one.zpx", 0, "one entry one byte over 64 MB"},
        {big({{"a.zpx", 30 * kMB}, {"b.zpx", 30 * kMB}, {"c.zpx", 30 * kMB}}), true, "a.zpx", 0,
         "three entries under the entry cap, 90 MB together"},
        {big({{"a.zpx", 32 * kMB}, {"b.zpx", 32 * kMB}}), false, "b.zpx", 32 * kMB,
         "exactly 64 MB together"},
        {many(4097), true, "many\\last.zpx", 0, "4097 entries"},
        {many(4096), false, "many\\last.zpx", 1, "4096 entries"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        ResetData();
        g_app.configImported = 0;
        ASSERT_TRUE(WriteWholeFileText(Archive(), c.bytes));
        ImportConfigArchive(&g_app);
        ExpectNothingOutsideTheDataFolder();
        if (c.refused) {
            EXPECT_EQ((uint32_t)CONFIG_REFUSED_SIZE, g_app.configRefused);
            EXPECT_EQ(0, g_app.configImported);
            EXPECT_EQ("old options", ReadWholeFile(data + "\\Options.zpx"))
                << "refused before anything was deleted";
            EXPECT_FALSE(FileExists(data + "\\" + c.probe));
            ExpectKeptAsideAndTakeIt(c.bytes);
        } else {
            EXPECT_EQ(0u, g_app.configRefused);
            EXPECT_EQ(1, g_app.configImported);
            EXPECT_FALSE(FileExists(data + "\\Options.zpx"));
            EXPECT_EQ(c.probeSize, ReadWholeFile(data + "\\" + c.probe).size());
            EXPECT_FALSE(FileExists(Archive()));
        }
    }
}

// Too deep a data folder to give the archive its longer name: it is still
// refused, and deleted rather than left to be imported by the next start.
TEST_F(ConfigImport, RefusedArchiveThatCannotBeKeptIsDeleted)
{
    std::string deep = root + "\\" + std::string(220 - root.size() - 1, 'd');
    ASSERT_EQ(220u, deep.size());
    ASSERT_TRUE(CreateDirectoryA(deep.c_str(), nullptr));
    ASSERT_TRUE(WriteWholeFileText(deep + "\\Options.zpx", "old options"));
    CopyText(g_app.dataFolder, sizeof(g_app.dataFolder), deep.c_str());
    std::string archive = deep + "\\PanelShepherd.BrimvaleConfig";
    ASSERT_TRUE(WriteWholeFileText(archive, StoredArchive({{"PanelShepherd", ProductEntry("")},
                                                           {"Options.zpx", "new options"},
                                                           {"../x.txt", "evil"}})));
    ImportConfigArchive(&g_app);
    EXPECT_EQ((uint32_t)CONFIG_REFUSED_NAME, g_app.configRefused);
    EXPECT_STREQ("", g_app.configKeptPath);
    EXPECT_FALSE(FileExists(archive));
    EXPECT_EQ("old options", ReadWholeFile(deep + "\\Options.zpx"));
    EXPECT_FALSE(FileExists(root + "\\x.txt"));
}
