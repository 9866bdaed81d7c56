// ImportTest.cpp - a configuration archive left in the data folder for this start.
#include "framework/core/AppObject.h"
#include "framework/core/AppStartup.h"
#include "framework/core/TextUtil.h"
#include "framework/core/ZipArchive.h"
#include "tests/core/ZipTestUtil.h"
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

class ConfigImport : public testing::Test {
protected:
    void SetUp() override
    {
        root = FreshFolderForThisTest();
        data = root + "\\data";
        CreateDirectoryA(data.c_str(), nullptr);
        CreateDirectoryA((data + "\\sub").c_str(), nullptr);
        ASSERT_TRUE(WriteWholeFileText(data + "\\Options.zpx", "old options"));
        ASSERT_TRUE(WriteWholeFileText(data + "\\sub\\Profile3.zpx", "old profile"));
        ASSERT_TRUE(WriteWholeFileText(data + "\\PanelShepherd.log", "log"));
        AppConstruct(&g_app);
        CopyText(g_app.productName, sizeof(g_app.productName), "PanelShepherd");
        CopyText(g_app.dataFolder, sizeof(g_app.dataFolder), data.c_str());
    }
    void TearDown() override { g_app.dataFolder[0] = '\0'; }

    // Entries as (name, bytes); '|' in a name is written as a backslash.
    std::string MakeArchive(const std::vector<std::pair<std::string, std::string>>& entries)
    {
        ZipHandle* zip = CreateZipArchive(nullptr, 65536, ZIP_KIND_MEMORY, nullptr);
        EXPECT_NE(nullptr, zip);
        for (const auto& e : entries)
            EXPECT_EQ(0u, AddZipEntry(zip, e.first.c_str(), e.second.data(), (uint32_t)e.second.size(),
                                      ZIP_KIND_MEMORY));
        EXPECT_EQ(0u, WriteZipCentralDirectory(zip));
        const uint8_t* block = nullptr;
        uint32_t size = 0;
        GetZipArchiveBlock(zip, &block, &size);
        std::string bytes((const char*)block, size);
        CloseZipWriter(zip);
        for (char& ch : bytes)
            if (ch == '|') ch = '\\';
        return bytes;
    }
    std::string Archive() { return data + "\\PanelShepherd.BrimvaleConfig"; }
    std::string ProductEntry(const std::string& keep) { return keep + std::string(1, '\0') + "1.0.0"; }

    std::string root, data;
};

TEST_F(ConfigImport, ReplacesTheDataFolderWithTheArchive)
{
    ASSERT_TRUE(WriteWholeFileText(Archive(), MakeArchive({{"PanelShepherd", ProductEntry("")},
                                                           {"Options.zpx", "new options"},
                                                           {"sub/Profile0.zpx", "profile zero"}})));
    ImportConfigArchive(&g_app);
    EXPECT_EQ(1, g_app.configImported);
    EXPECT_EQ("new options", ReadWholeFile(data + "\\Options.zpx"));
    EXPECT_EQ("profile zero", ReadWholeFile(data + "\\sub\\Profile0.zpx"));
    EXPECT_FALSE(FileExists(data + "\\sub\\Profile3.zpx")) << "files not in the archive are gone";
    EXPECT_FALSE(FileExists(data + "\\PanelShepherd.log"));
    EXPECT_FALSE(FileExists(Archive())) << "the archive is used once";
    EXPECT_FALSE(FileExists(data + "\\PanelShepherd")) << "the product entry is not a file";
}

TEST_F(ConfigImport, KeepPatternsSurvive)
{
    ASSERT_TRUE(WriteWholeFileText(Archive(), MakeArchive({{"PanelShepherd", ProductEntry("*.LOG; keep*")},
                                                           {"Options.zpx", "new options"}})));
    ImportConfigArchive(&g_app);
    EXPECT_EQ("log", ReadWholeFile(data + "\\PanelShepherd.log")) << "matched without regard to case";
    EXPECT_FALSE(FileExists(data + "\\sub\\Profile3.zpx"));
}

TEST_F(ConfigImport, ArchiveThatDoesNotReadBackDeletesNothing)
{
    std::string payload = RandomBytes(4000, 7);
    std::string bytes = MakeArchive({{"PanelShepherd", ProductEntry("")}, {"Options.zpx", payload}});
    // Damage the stored data of the second entry: its CRC no longer holds.
    size_t at = bytes.find(payload.substr(100, 64));
    ASSERT_NE(std::string::npos, at);
    bytes[at + 10] ^= 0x55;
    struct Case {
        std::string bytes;
        const char* why;
    } cases[] = {
        {bytes, "damaged entry"},
        {bytes.substr(0, bytes.size() / 2), "truncated archive"},
        {MakeArchive({{"OtherProduct", ProductEntry("")}, {"Options.zpx", "x"}}), "no product entry"},
        {"not a zip at all", "not an archive"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        g_app.configImported = 0;
        ASSERT_TRUE(WriteWholeFileText(data + "\\Options.zpx", "old options"));
        ASSERT_TRUE(WriteWholeFileText(Archive(), c.bytes));
        ImportConfigArchive(&g_app);
        EXPECT_EQ(0, g_app.configImported);
        EXPECT_EQ("old options", ReadWholeFile(data + "\\Options.zpx"));
        EXPECT_EQ("old profile", ReadWholeFile(data + "\\sub\\Profile3.zpx"));
        EXPECT_FALSE(FileExists(Archive())) << "deleted whether or not it could be read";
    }
}

TEST_F(ConfigImport, EntryNamesNeverReachOutsideTheDataFolder)
{
    ASSERT_TRUE(WriteWholeFileText(Archive(), MakeArchive({{"PanelShepherd", ProductEntry("")},
                                                           {"..|..|evil1.txt", "evil"},
                                                           {"C:|evil2.txt", "evil"},
                                                           {"../evil3.txt", "evil"}})));
    ImportConfigArchive(&g_app);
    for (const char* name : {"evil1.txt", "evil2.txt", "evil3.txt"}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(FileExists(root + "\\" + name));
        EXPECT_FALSE(FileExists(std::string("C:\\") + name));
        EXPECT_TRUE(FileExists(data + "\\" + name)) << "kept inside, under its last part";
    }
}
