// ZipInteropTest.cpp - our archives against Info-ZIP's zip and unzip and Python's zipfile.
#include "framework/core/ZipArchive.h"
#include "tests/core/ZipTestUtil.h"
#include "tests/support/HostTools.h"
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

namespace {

const char kPassword[] = "Interop-Pass9";

struct TreeFile {
    const char* name;   // as stored, with "/"
    std::string data;
};

class ZipInterop : public testing::Test {
protected:
    void SetUp() override
    {
        if (!HostToolsAvailable()) GTEST_SKIP() << "the host's zip, unzip and python3 are reached through Wine";
        folder = FreshFolderForThisTest();
        std::string text;
        for (int i = 0; i < 3000; i++) text += "interop line " + std::to_string(i % 50) + "\n";
        files = {
            {"text.txt", text},
            {"random.bin", RandomBytes(1 << 20, 99)},
            {"empty.txt", ""},
            {"readonly.txt", "read only"},
            {"dir/sub/deep.txt", "deep inside"},
            {"Upper/MiXeD.TXT", "case kept"},
        };
        for (const TreeFile& f : files) {
            std::string path = Path("tree\\" + Windows(f.name));
            EnsureFolderPath(nullptr, path.substr(0, path.find_last_of('\\')).c_str());
            ASSERT_TRUE(WriteWholeFileText(path, f.data));
        }
    }

    std::string Path(const std::string& name) const { return folder + "\\" + name; }

    static std::string Windows(std::string name)
    {
        for (char& c : name)
            if (c == '/') c = '\\';
        return name;
    }

    int Host(const std::string& script, std::string* output)
    {
        return RunHostScript(folder, script, output);
    }

    std::string folder;
    std::vector<TreeFile> files;
};

}  // namespace

TEST_F(ZipInterop, InfoZipArchivesReadBackExactly)
{
    struct Case {
        const char* options;
        const char* password;
        const char* why;
    } cases[] = {
        {"-0", nullptr, "stored"},
        {"-9", nullptr, "deflated"},
        {"-0", kPassword, "stored, zip -P"},
        {"-6", kPassword, "deflated, zip -P"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        std::string output;
        std::string archive = std::string("infozip") + c.options + (c.password ? "P" : "") + ".zip";
        std::string script = "chmod 444 tree/readonly.txt && cd tree && zip -q -r " +
                             std::string(c.options) + (c.password ? std::string(" -P ") + c.password : "") +
                             " ../" + archive + " .";
        ASSERT_EQ(0, Host(script, &output)) << output;

        ZipHandle* reader = OpenZipArchive(Path(archive).c_str(), 0, c.password);
        ASSERT_NE(nullptr, reader);
        std::string root = Path(archive + ".out");
        ASSERT_EQ(0u, SetZipReaderRoot(reader, root.c_str()));
        for (const TreeFile& f : files) {
            SCOPED_TRACE(f.name);
            int32_t index = -1;
            ASSERT_EQ(0u, FindZipEntry(reader, f.name, 0, &index));
            ZipEntryInfo info;
            ASSERT_EQ(0u, GetZipEntry(reader, index, &info));
            EXPECT_STREQ(f.name, info.name);
            EXPECT_EQ(f.data.size(), info.uncompressedSize);
            EXPECT_EQ(std::string(f.name) == "readonly.txt", (info.attributes & FILE_ATTRIBUTE_READONLY) != 0);
            std::string data(f.data.size(), '\0');
            EXPECT_EQ(0u, UnzipEntry(reader, index, data.empty() ? nullptr : &data[0],
                                     (uint32_t)data.size(), ZIP_KIND_MEMORY));
            EXPECT_TRUE(data == f.data);
            EXPECT_EQ(0u, UnzipEntry(reader, index, info.name, 0, ZIP_KIND_FILE));
            std::string extracted = root + "\\" + Windows(f.name);
            EXPECT_TRUE(ReadWholeFile(extracted) == f.data);
            SetFileAttributesA(extracted.c_str(), FILE_ATTRIBUTE_NORMAL);
        }
        for (const char* dir : {"dir/", "dir/sub/", "Upper/"}) {
            SCOPED_TRACE(dir);
            int32_t index = -1;
            ASSERT_EQ(0u, FindZipEntry(reader, dir, 0, &index));
            ZipEntryInfo info;
            ASSERT_EQ(0u, GetZipEntry(reader, index, &info));
            EXPECT_TRUE(info.attributes & FILE_ATTRIBUTE_DIRECTORY);
        }
        CloseZipReader(reader);
        if (!c.password) continue;

        // A wrong password is caught by the header's check byte. One password
        // in 256 passes that byte; the data's CRC catches those.
        std::string bytes = ReadWholeFile(Path(archive));
        for (const char* wrong : {"not-it", "interop-pass9", "Interop-Pass"}) {
            SCOPED_TRACE(wrong);
            reader = OpenZipArchive(Path(archive).c_str(), 0, wrong);
            ASSERT_NE(nullptr, reader);
            int32_t index = -1;
            ASSERT_EQ(0u, FindZipEntry(reader, "text.txt", 0, &index));
            RawEntry e = ParseArchive(bytes)[index];
            ZipKeys keys;
            InitZipKeys(&keys, wrong);
            uint8_t plain = 0;
            for (size_t i = 0; i < 12; i++) plain = DecryptZipByte(&keys, (uint8_t)bytes[e.dataOffset + i]);
            uint8_t check = (e.centralFlags & 8) ? (uint8_t)(e.dosTime >> 8) : (uint8_t)(e.crc >> 24);
            std::string data(100000, '\0');
            EXPECT_EQ(plain == check ? (uint32_t)ZIP_ERR_DATA : (uint32_t)ZIP_ERR_PASSWORD,
                      UnzipEntry(reader, index, &data[0], (uint32_t)data.size(), ZIP_KIND_MEMORY));
            CloseZipReader(reader);
        }
    }
}

TEST_F(ZipInterop, OurArchivesPassUnzipAndPython)
{
    struct Case {
        const char* password;
        int target;
        const char* why;
    } cases[] = {
        {nullptr, ZIP_KIND_FILE, "plain file"},
        {kPassword, ZIP_KIND_FILE, "encrypted file"},
        {kPassword, ZIP_KIND_MEMORY, "encrypted memory"},
    };
    std::string stored = RandomBytes(70000, 5);
    ASSERT_TRUE(WriteWholeFileText(Path("stored.zip.src"), stored));
    // Python compares every entry with the file it came from.
    std::string check =
        "import sys, zipfile\n"
        "archive, password = sys.argv[1], sys.argv[2].encode() if len(sys.argv) > 2 else None\n"
        "want = {'stored.zip': 'stored.zip.src', 'folder/': None}\n"
        "for name in sys.stdin.read().split():\n"
        "    want[name] = 'tree/' + name\n"
        "z = zipfile.ZipFile(archive)\n"
        "assert sorted(z.namelist()) == sorted(want), z.namelist()\n"
        "for info in z.infolist():\n"
        "    if info.is_dir():\n"
        "        assert info.flag_bits & 1 == 0, info\n"
        "        continue\n"
        "    assert bool(info.flag_bits & 1) == (password is not None), info\n"
        "    data = z.read(info.filename, pwd=password)\n"
        "    assert data == open(want[info.filename], 'rb').read(), info.filename\n"
        "print('python ok')\n";
    ASSERT_TRUE(WriteWholeFileText(Path("check.py"), check));
    std::string names;
    for (const TreeFile& f : files)
        if (std::string(f.name) != "readonly.txt") names += std::string(f.name) + " ";

    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        std::string archive = std::string("ours") + std::to_string(c.target) + (c.password ? "P" : "") + ".zip";
        ZipHandle* zip = c.target == ZIP_KIND_FILE
                             ? CreateZipArchive((void*)Path(archive).c_str(), 0, ZIP_KIND_FILE, c.password)
                             : CreateZipArchive(nullptr, 4 << 20, ZIP_KIND_MEMORY, c.password);
        ASSERT_NE(nullptr, zip);
        for (const TreeFile& f : files) {
            if (std::string(f.name) == "readonly.txt") continue;
            std::string source = Path("tree\\" + Windows(f.name));
            EXPECT_EQ(0u, AddZipEntry(zip, f.name, source.c_str(), 0, ZIP_KIND_FILE)) << f.name;
        }
        EXPECT_EQ(0u, AddZipEntry(zip, "stored.zip", stored.data(), (uint32_t)stored.size(), ZIP_KIND_MEMORY));
        EXPECT_EQ(0u, AddZipEntry(zip, "folder", nullptr, 0, ZIP_KIND_FOLDER));
        EXPECT_EQ(0u, WriteZipCentralDirectory(zip));
        if (c.target == ZIP_KIND_MEMORY) {
            const uint8_t* block = nullptr;
            uint32_t size = 0;
            ASSERT_EQ(0u, GetZipArchiveBlock(zip, &block, &size));
            ASSERT_TRUE(WriteWholeFileText(Path(archive), std::string((const char*)block, size)));
        }
        EXPECT_EQ(0u, CloseZipWriter(zip));

        std::string pass = c.password ? std::string(" -P ") + c.password : "";
        std::string output;
        EXPECT_EQ(0, Host("unzip -t" + pass + " " + archive, &output)) << output;
        EXPECT_NE(std::string::npos, output.find("No errors detected")) << output;
        output.clear();
        EXPECT_EQ(0, Host("echo " + names + " | python3 check.py " + archive +
                              (c.password ? std::string(" ") + c.password : ""),
                          &output))
            << output;
        output.clear();
        EXPECT_EQ(0, Host("unzip -q -o" + pass + " -d " + archive + ".unzipped " + archive +
                              " && cmp " + archive + ".unzipped/random.bin tree/random.bin",
                          &output))
            << output;
    }
}
