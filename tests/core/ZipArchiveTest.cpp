// ZipArchiveTest.cpp - the ZIP writer and reader against each other and against raw bytes.
#include "framework/core/TextUtil.h"
#include "framework/core/ZipArchive.h"
#include "tests/core/ZipTestUtil.h"
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

namespace {

const char kPassword[] = "s3cret-Pass";

class ZipTest : public testing::Test {
protected:
    void SetUp() override { folder = FreshFolderForThisTest(); }

    std::string Path(const std::string& name) const { return folder + "\\" + name; }

    // Writes data to a source file of its own and returns its path.
    std::string SourceFile(const std::string& name, const std::string& data)
    {
        CreateDirectoryA(Path("src").c_str(), nullptr);
        std::string path = Path("src\\" + name);
        EXPECT_TRUE(WriteWholeFileText(path, data));
        return path;
    }

    std::string folder;
};

// A whole entry read through a memory block of its exact size.
std::string ReadEntry(ZipHandle* zip, int32_t index, uint32_t* rc)
{
    ZipEntryInfo info;
    *rc = GetZipEntry(zip, index, &info);
    if (*rc != ZIP_OK) return std::string();
    std::string data(info.uncompressedSize, '\0');
    *rc = UnzipEntry(zip, index, data.empty() ? nullptr : &data[0], (uint32_t)data.size(),
                     ZIP_KIND_MEMORY);
    return data;
}

// An archive of one memory entry, as bytes; empty on failure.
std::string OneEntryArchive(const std::string& name, const std::string& data, const char* password)
{
    ZipHandle* zip = CreateZipArchive(nullptr, (uint32_t)data.size() + 4096, ZIP_KIND_MEMORY, password);
    if (!zip) return std::string();
    std::string out;
    const uint8_t* block = nullptr;
    uint32_t size = 0;
    if (AddZipEntry(zip, name.c_str(), data.data(), (uint32_t)data.size(), ZIP_KIND_MEMORY) == 0 &&
        WriteZipCentralDirectory(zip) == 0 && GetZipArchiveBlock(zip, &block, &size) == 0)
        out.assign((const char*)block, size);
    CloseZipWriter(zip);
    return out;
}

// The plain twelfth byte of an entry's encryption header under a password.
uint8_t DecryptedCheckByte(const std::string& archive, const RawEntry& e, const char* password)
{
    ZipKeys keys;
    InitZipKeys(&keys, password);
    uint8_t plain = 0;
    for (size_t i = 0; i < 12; i++) plain = DecryptZipByte(&keys, (uint8_t)archive[e.dataOffset + i]);
    return plain;
}

// Whole seconds: extended timestamps keep no fractions.
uint64_t Seconds(const FILETIME& ft)
{
    return ((uint64_t)ft.dwHighDateTime << 32 | ft.dwLowDateTime) / 10000000ull;
}

}  // namespace

//--- writer and reader together

TEST_F(ZipTest, RoundTripEveryTargetWithAndWithoutPassword)
{
    struct Case {
        const char* password;
        int target;
        const char* why;
    } cases[] = {
        {nullptr, ZIP_KIND_FILE, "plain, new file"},
        {kPassword, ZIP_KIND_FILE, "encrypted, new file"},
        {nullptr, ZIP_KIND_MEMORY, "plain, memory"},
        {kPassword, ZIP_KIND_MEMORY, "encrypted, memory"},
        {nullptr, ZIP_KIND_HANDLE, "plain, open handle behind other data"},
        {kPassword, ZIP_KIND_HANDLE, "encrypted, open handle behind other data"},
    };
    std::string big = RandomBytes(1 << 20, 7);
    std::string text;
    for (int i = 0; i < 5000; i++) text += "line " + std::to_string(i) + " of some notes\r\n";
    std::string emptyFile = SourceFile("empty.txt", "");
    std::string textFile = SourceFile("notes.txt", text);
    struct Want {
        const char* stored;
        std::string data;
        bool folder;
    } wants[] = {
        {"empty.txt", "", false},           {"big.bin", big, false},
        {"big.zip", big, false},            {"text/notes.txt", text, false},
        {"folder/sub/", "", true},          {"17", "seventeen", false},
        {"deep/a/b.txt", "backslashes", false},
    };

    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        std::string archive = Path(std::string("rt") + std::to_string(c.target) +
                                   (c.password ? "e" : "p") + ".zip");
        HANDLE file = INVALID_HANDLE_VALUE;
        ZipHandle* zip = nullptr;
        if (c.target == ZIP_KIND_FILE) {
            zip = CreateZipArchive((void*)archive.c_str(), 0, ZIP_KIND_FILE, c.password);
        } else if (c.target == ZIP_KIND_MEMORY) {
            zip = CreateZipArchive(nullptr, 4 << 20, ZIP_KIND_MEMORY, c.password);
        } else {
            file = CreateFileA(archive.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                               CREATE_ALWAYS, 0, nullptr);
            ASSERT_NE(INVALID_HANDLE_VALUE, file);
            DWORD done = 0;
            WriteFile(file, "PREFIX", 6, &done, nullptr);
            zip = CreateZipArchive(file, 0, ZIP_KIND_HANDLE, c.password);
        }
        ASSERT_NE(nullptr, zip) << std::hex << GetZipWriterError();
        EXPECT_EQ(0u, AddZipEntry(zip, "empty.txt", emptyFile.c_str(), 0, ZIP_KIND_FILE));
        EXPECT_EQ(0u, AddZipEntry(zip, "big.bin", big.data(), (uint32_t)big.size(), ZIP_KIND_MEMORY));
        EXPECT_EQ(0u, AddZipEntry(zip, "big.zip", big.data(), (uint32_t)big.size(), ZIP_KIND_MEMORY));
        EXPECT_EQ(0u, AddZipEntry(zip, "text/notes.txt", textFile.c_str(), 0, ZIP_KIND_FILE));
        EXPECT_EQ(0u, AddZipEntry(zip, "folder/sub", nullptr, 0, ZIP_KIND_FOLDER));
        EXPECT_EQ(0u, AddZipEntry(zip, "17", "seventeen", 9, ZIP_KIND_MEMORY));
        EXPECT_EQ(0u, AddZipEntry(zip, "deep\\a\\b.txt", "backslashes", 11, ZIP_KIND_MEMORY));
        EXPECT_EQ(0u, WriteZipCentralDirectory(zip));
        if (c.target == ZIP_KIND_MEMORY) {
            const uint8_t* block = nullptr;
            uint32_t size = 0;
            ASSERT_EQ(0u, GetZipArchiveBlock(zip, &block, &size));
            ASSERT_TRUE(WriteWholeFileText(archive, std::string((const char*)block, size)));
        } else {
            EXPECT_EQ((uint32_t)ZIP_ERR_NO_BLOCK, GetZipArchiveBlock(zip, nullptr, nullptr));
        }
        EXPECT_EQ(0u, CloseZipWriter(zip));
        if (file != INVALID_HANDLE_VALUE) CloseHandle(file);

        ZipHandle* reader = OpenZipArchive(archive.c_str(), 0, c.password);
        ASSERT_NE(nullptr, reader);
        std::string out = Path("out" + std::to_string(c.target) + (c.password ? "e" : "p"));
        ASSERT_EQ(0u, SetZipReaderRoot(reader, out.c_str()));
        ZipEntryInfo info;
        ASSERT_EQ(0u, GetZipEntry(reader, -1, &info));
        EXPECT_EQ((int32_t)(sizeof(wants) / sizeof(wants[0])), info.index);
        for (const Want& w : wants) {
            SCOPED_TRACE(w.stored);
            int32_t index = -1;
            ASSERT_EQ(0u, FindZipEntry(reader, w.stored, 0, &index));
            ASSERT_EQ(0u, GetZipEntry(reader, index, &info));
            EXPECT_STREQ(w.stored, info.name);
            EXPECT_EQ(w.folder, (info.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
            EXPECT_EQ(w.data.size(), info.uncompressedSize);
            uint32_t rc = 0;
            EXPECT_TRUE(ReadEntry(reader, index, &rc) == w.data);
            EXPECT_EQ(0u, rc);
            EXPECT_EQ(0u, UnzipEntry(reader, index, info.name, 0, ZIP_KIND_FILE));
            std::string local = out + "\\" + info.name;
            for (char& ch : local)
                if (ch == '/') ch = '\\';
            if (w.folder) {
                EXPECT_TRUE(FolderExists(local.substr(0, local.size() - 1)));
            } else {
                EXPECT_TRUE(ReadWholeFile(local) == w.data);
            }
        }
        EXPECT_EQ(0u, CloseZipReader(reader));
    }
}

TEST_F(ZipTest, MethodFollowsTheNameExtension)
{
    struct Case {
        const char* name;
        uint32_t method;
    } cases[] = {
        {"data.zip", 0}, {"data.ZIP", 0}, {"x.gz", 0},      {"a.tgz", 0},    {"old.Z", 0},
        {"notes.txt", 8}, {"17", 8},      {"dir.zip/file", 8}, {"archive.z", 0}, {"b.lzh", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<RawEntry> entries = ParseArchive(OneEntryArchive(c.name, "some data", nullptr));
        ASSERT_EQ(1u, entries.size());
        EXPECT_EQ(c.method, entries[0].method);
    }
}

TEST_F(ZipTest, FolderEntriesAreStoredAndNeverEncrypted)
{
    ZipHandle* zip = CreateZipArchive(nullptr, 4096, ZIP_KIND_MEMORY, kPassword);
    ASSERT_NE(nullptr, zip);
    EXPECT_EQ(0u, AddZipEntry(zip, "sub", nullptr, 0, ZIP_KIND_FOLDER));
    EXPECT_EQ(0u, AddZipEntry(zip, "other/", nullptr, 0, ZIP_KIND_FOLDER));
    EXPECT_EQ(0u, WriteZipCentralDirectory(zip));
    const uint8_t* block = nullptr;
    uint32_t size = 0;
    ASSERT_EQ(0u, GetZipArchiveBlock(zip, &block, &size));
    std::vector<RawEntry> entries = ParseArchive(std::string((const char*)block, size));
    CloseZipWriter(zip);
    ASSERT_EQ(2u, entries.size());
    EXPECT_EQ("sub/", entries[0].name);
    EXPECT_EQ("other/", entries[1].name) << "no second slash";
    for (const RawEntry& e : entries) {
        EXPECT_EQ(0u, e.method);
        EXPECT_EQ(0u, e.centralFlags & 1);
        EXPECT_EQ(0x41C00010u, e.externalAttributes);
        EXPECT_EQ(0x0B17u, e.madeBy);
    }
}

TEST_F(ZipTest, EncryptedEntriesCheckTheTimeByteAndUseADescriptor)
{
    std::string archive = Path("enc.zip");
    std::string source = SourceFile("a.txt", "contents of a file");
    ZipHandle* zip = CreateZipArchive((void*)archive.c_str(), 0, ZIP_KIND_FILE, kPassword);
    ASSERT_NE(nullptr, zip);
    EXPECT_EQ(0u, AddZipEntry(zip, "a.txt", source.c_str(), 0, ZIP_KIND_FILE));
    EXPECT_EQ(0u, AddZipEntry(zip, "b.zip", "stored bytes", 12, ZIP_KIND_MEMORY));
    EXPECT_EQ(0u, AddZipEntry(zip, "c", "deflated bytes deflated bytes", 29, ZIP_KIND_MEMORY));
    EXPECT_EQ(0u, CloseZipWriter(zip));
    std::string bytes = ReadWholeFile(archive);
    std::vector<RawEntry> entries = ParseArchive(bytes);
    ASSERT_EQ(3u, entries.size());
    for (const RawEntry& e : entries) {
        SCOPED_TRACE(e.name);
        EXPECT_EQ(9u, e.localFlags);
        EXPECT_EQ(9u, e.centralFlags);
        EXPECT_EQ(e.dosTime >> 8, DecryptedCheckByte(bytes, e, kPassword));
        size_t descriptor = e.dataOffset + e.compressedSize;
        EXPECT_EQ(0x08074B50u, Get32(bytes, descriptor));
        EXPECT_EQ(e.crc, Get32(bytes, descriptor + 4));
        EXPECT_EQ(e.compressedSize, Get32(bytes, descriptor + 8));
        EXPECT_EQ(e.uncompressedSize, Get32(bytes, descriptor + 12));
    }
    EXPECT_EQ(12u + 12u, entries[1].compressedSize) << "stored: data plus the 12-byte header";
    EXPECT_EQ(12u + 12u, entries[1].localCompressed) << "known size announced in the local header";
}

TEST_F(ZipTest, PlainEntriesOnASeekableTargetCarryTheirRealHeader)
{
    std::string archive = Path("plain.zip");
    ZipHandle* zip = CreateZipArchive((void*)archive.c_str(), 0, ZIP_KIND_FILE, nullptr);
    ASSERT_NE(nullptr, zip);
    EXPECT_EQ(0u, AddZipEntry(zip, "a.txt", "aaaaaaaaaaaaaaaa", 16, ZIP_KIND_MEMORY));
    EXPECT_EQ(0u, AddZipEntry(zip, "b.zip", "bbbb", 4, ZIP_KIND_MEMORY));
    EXPECT_EQ(0u, CloseZipWriter(zip));
    std::string bytes = ReadWholeFile(archive);
    std::vector<RawEntry> entries = ParseArchive(bytes);
    ASSERT_EQ(2u, entries.size());
    for (const RawEntry& e : entries) {
        SCOPED_TRACE(e.name);
        EXPECT_EQ(0u, e.localFlags);
        EXPECT_EQ(0u, e.centralFlags);
        EXPECT_EQ(e.crc, e.localCrc);
        EXPECT_EQ(e.compressedSize, e.localCompressed);
        EXPECT_EQ(e.uncompressedSize, e.localUncompressed);
    }
    EXPECT_EQ(Crc32("aaaaaaaaaaaaaaaa", 16), entries[0].crc);
    EXPECT_EQ(Crc32("bbbb", 4), entries[1].crc);
}

TEST_F(ZipTest, AnUnseekableTargetGetsDataDescriptors)
{
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    ASSERT_TRUE(CreatePipe(&readEnd, &writeEnd, nullptr, 0));
    struct Drain {
        HANDLE pipe;
        std::string bytes;
    } drain = {readEnd, std::string()};
    HANDLE thread = CreateThread(
        nullptr, 0,
        [](void* p) -> DWORD {
            Drain* d = (Drain*)p;
            char buffer[4096];
            DWORD got = 0;
            while (ReadFile(d->pipe, buffer, sizeof(buffer), &got, nullptr) && got > 0)
                d->bytes.append(buffer, got);
            return 0;
        },
        &drain, 0, nullptr);
    ASSERT_NE(nullptr, thread);
    ZipHandle* zip = CreateZipArchive(writeEnd, 0, ZIP_KIND_HANDLE, nullptr);
    ASSERT_NE(nullptr, zip);
    std::string data = RandomBytes(50000, 3);
    EXPECT_EQ(0u, AddZipEntry(zip, "data.bin", data.data(), (uint32_t)data.size(), ZIP_KIND_MEMORY));
    EXPECT_EQ(0u, AddZipEntry(zip, "data.zip", data.data(), (uint32_t)data.size(), ZIP_KIND_MEMORY));
    EXPECT_EQ(0u, CloseZipWriter(zip));
    CloseHandle(writeEnd);
    WaitForSingleObject(thread, 10000);
    CloseHandle(thread);
    CloseHandle(readEnd);

    std::vector<RawEntry> entries = ParseArchive(drain.bytes);
    ASSERT_EQ(2u, entries.size());
    for (const RawEntry& e : entries) {
        SCOPED_TRACE(e.name);
        EXPECT_EQ(8u, e.localFlags);
        EXPECT_EQ(0u, e.localCrc) << "unknown when the header went out";
        EXPECT_EQ(0x08074B50u, Get32(drain.bytes, e.dataOffset + e.compressedSize));
    }
    std::string archive = Path("piped.zip");
    ASSERT_TRUE(WriteWholeFileText(archive, drain.bytes));
    ZipHandle* reader = OpenZipArchive(archive.c_str(), 0, nullptr);
    ASSERT_NE(nullptr, reader);
    uint32_t rc = 1;
    EXPECT_TRUE(ReadEntry(reader, 0, &rc) == data);
    EXPECT_EQ(0u, rc);
    EXPECT_TRUE(ReadEntry(reader, 1, &rc) == data);
    EXPECT_EQ(0u, rc);
    CloseZipReader(reader);
}

TEST_F(ZipTest, AMemoryBlockNeedsOneByteMoreThanTheArchive)
{
    std::string data = "record text record text record text";
    uint32_t exact = (uint32_t)OneEntryArchive("1", data, nullptr).size();
    ASSERT_GT(exact, 0u);
    struct Case {
        uint32_t size;
        uint32_t want;
    } cases[] = {{exact, ZIP_ERR_BLOCK_SMALL}, {exact + 1, ZIP_OK}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        std::string block(c.size, '\0');
        ZipHandle* zip = CreateZipArchive(&block[0], c.size, ZIP_KIND_MEMORY, nullptr);
        ASSERT_NE(nullptr, zip);
        uint32_t added = AddZipEntry(zip, "1", data.data(), (uint32_t)data.size(), ZIP_KIND_MEMORY);
        uint32_t finished = WriteZipCentralDirectory(zip);
        EXPECT_EQ(c.want, added ? added : finished);
        EXPECT_EQ(c.want, CloseZipWriter(zip));
        EXPECT_EQ(c.want, GetZipWriterError());
    }
}

TEST_F(ZipTest, FailuresStopTheWriterButRefusalsDoNot)
{
    // A refusal before anything is written leaves a usable archive.
    std::string archive = Path("refusals.zip");
    ZipHandle* zip = CreateZipArchive((void*)archive.c_str(), 0, ZIP_KIND_FILE, nullptr);
    ASSERT_NE(nullptr, zip);
    EXPECT_EQ((uint32_t)ZIP_ERR_OPEN, AddZipEntry(zip, "x", Path("missing").c_str(), 0, ZIP_KIND_FILE));
    EXPECT_EQ((uint32_t)ZIP_ERR_ARGS, AddZipEntry(zip, "", "data", 4, ZIP_KIND_MEMORY));
    EXPECT_EQ((uint32_t)ZIP_ERR_ARGS, AddZipEntry(zip, "m", nullptr, 4, ZIP_KIND_MEMORY));
    EXPECT_EQ((uint32_t)ZIP_ERR_ARGS, AddZipEntry(zip, "m", "data", 0, ZIP_KIND_MEMORY));
    EXPECT_EQ((uint32_t)ZIP_ERR_ARGS, AddZipEntry(zip, "m", "data", 4, 9));
    EXPECT_EQ((uint32_t)ZIP_ERR_ARGS, AddZipEntry(zip, std::string(300, 'n').c_str(), "d", 1, ZIP_KIND_MEMORY));
    EXPECT_EQ(0u, AddZipEntry(zip, "kept.txt", "data", 4, ZIP_KIND_MEMORY));
    EXPECT_EQ(0u, WriteZipCentralDirectory(zip));
    EXPECT_EQ((uint32_t)ZIP_ERR_FINISHED, AddZipEntry(zip, "late", "data", 4, ZIP_KIND_MEMORY));
    EXPECT_EQ((uint32_t)ZIP_ERR_FINISHED, WriteZipCentralDirectory(zip));
    EXPECT_EQ(0u, CloseZipWriter(zip)) << "already finished";
    EXPECT_EQ(1u, ParseArchive(ReadWholeFile(archive)).size());

    // A failure in the middle of an entry stops everything after it.
    char small[100];
    zip = CreateZipArchive(small, sizeof(small), ZIP_KIND_MEMORY, nullptr);
    ASSERT_NE(nullptr, zip);
    std::string big = RandomBytes(1000, 1);
    EXPECT_EQ((uint32_t)ZIP_ERR_BLOCK_SMALL, AddZipEntry(zip, "big", big.data(), 1000, ZIP_KIND_MEMORY));
    EXPECT_EQ((uint32_t)ZIP_ERR_STOPPED, AddZipEntry(zip, "tiny", "t", 1, ZIP_KIND_MEMORY));
    EXPECT_EQ((uint32_t)ZIP_ERR_BLOCK_SMALL, WriteZipCentralDirectory(zip));
    EXPECT_EQ((uint32_t)ZIP_ERR_BLOCK_SMALL, CloseZipWriter(zip));

    // An unfinished archive file the writer made is not left behind.
    std::string broken = Path("broken.zip");
    zip = CreateZipArchive((void*)broken.c_str(), 0, ZIP_KIND_FILE, nullptr);
    ASSERT_NE(nullptr, zip);
    HANDLE pipeRead = nullptr, pipeWrite = nullptr;
    ASSERT_TRUE(CreatePipe(&pipeRead, &pipeWrite, nullptr, 0));
    CloseHandle(pipeWrite);   // reading the source fails at once
    EXPECT_EQ((uint32_t)ZIP_ERR_DATA, AddZipEntry(zip, "pipe", pipeRead, 0, ZIP_KIND_HANDLE));
    CloseHandle(pipeRead);
    EXPECT_EQ((uint32_t)ZIP_ERR_DATA, CloseZipWriter(zip)) << "the failure that stopped the writer";
    EXPECT_FALSE(FileExists(broken));
}

TEST_F(ZipTest, BadArgumentsAndWrongHandles)
{
    SetLastError(0xDEADBEEF);
    EXPECT_EQ(nullptr, CreateZipArchive(nullptr, 100, 9, nullptr));
    EXPECT_EQ((uint32_t)ZIP_ERR_ARGS, GetZipWriterError());
    EXPECT_EQ(nullptr, CreateZipArchive(nullptr, 0, ZIP_KIND_MEMORY, nullptr));
    EXPECT_EQ((uint32_t)ZIP_ERR_BLOCK_SMALL, GetZipWriterError());
    EXPECT_EQ(nullptr, CreateZipArchive((void*)Path("no\\such\\folder\\a.zip").c_str(), 0,
                                        ZIP_KIND_FILE, nullptr));
    EXPECT_EQ((uint32_t)ZIP_ERR_OPEN, GetZipWriterError());
    EXPECT_EQ(nullptr, CreateZipArchive(INVALID_HANDLE_VALUE, 0, ZIP_KIND_HANDLE, nullptr));
    EXPECT_EQ(nullptr, OpenZipArchive(Path("missing.zip").c_str(), 0, nullptr));
    EXPECT_EQ((uint32_t)ZIP_ERR_OPEN, GetZipReaderError());
    ASSERT_TRUE(WriteWholeFileText(Path("text.zip"), "this is not an archive at all"));
    EXPECT_EQ(nullptr, OpenZipArchive(Path("text.zip").c_str(), 0, nullptr));
    EXPECT_EQ((uint32_t)ZIP_ERR_OPEN, GetZipReaderError());

    EXPECT_EQ((uint32_t)ZIP_ERR_ARGS, CloseZipWriter(nullptr));
    EXPECT_EQ((uint32_t)ZIP_ERR_ARGS, CloseZipReader(nullptr));
    EXPECT_EQ((uint32_t)ZIP_ERR_ARGS, FindZipEntry(nullptr, "a", 0, nullptr));

    ZipHandle* writer = CreateZipArchive(nullptr, 1000, ZIP_KIND_MEMORY, nullptr);
    ASSERT_NE(nullptr, writer);
    int32_t index = 5;
    EXPECT_EQ((uint32_t)ZIP_ERR_KIND, CloseZipReader(writer));
    EXPECT_EQ((uint32_t)ZIP_ERR_KIND, FindZipEntry(writer, "a", 0, &index));
    EXPECT_EQ(-1, index);
    ZipEntryInfo info;
    EXPECT_EQ((uint32_t)ZIP_ERR_KIND, GetZipEntry(writer, 0, &info));
    EXPECT_EQ((uint32_t)ZIP_ERR_KIND, UnzipEntry(writer, 0, &info, sizeof(info), ZIP_KIND_MEMORY));

    std::string bytes = OneEntryArchive("a", "aaa", nullptr);
    ASSERT_TRUE(WriteWholeFileText(Path("a.zip"), bytes));
    ZipHandle* reader = OpenZipArchive(Path("a.zip").c_str(), 0, nullptr);
    ASSERT_NE(nullptr, reader);
    EXPECT_EQ((uint32_t)ZIP_ERR_KIND, CloseZipWriter(reader));
    EXPECT_EQ((uint32_t)ZIP_ERR_KIND, AddZipEntry(reader, "a", "a", 1, ZIP_KIND_MEMORY));
    EXPECT_EQ((uint32_t)ZIP_ERR_ARGS, UnzipEntry(reader, 0, nullptr, 0, 7));
    EXPECT_EQ((uint32_t)ZIP_ERR_ARGS, UnzipEntry(reader, 0, nullptr, 10, ZIP_KIND_MEMORY));
    EXPECT_EQ((uint32_t)ZIP_ERR_ARGS, UnzipEntry(reader, 1, &info, 10, ZIP_KIND_MEMORY));
    EXPECT_EQ((uint32_t)ZIP_ERR_ARGS, UnzipEntry(reader, -1, &info, 10, ZIP_KIND_MEMORY));
    EXPECT_EQ((uint32_t)ZIP_ERR_OPEN, UnzipEntry(reader, 0, INVALID_HANDLE_VALUE, 0, ZIP_KIND_HANDLE));
    EXPECT_EQ((uint32_t)ZIP_ERR_OPEN, UnzipEntry(reader, 0, nullptr, 0, ZIP_KIND_HANDLE));
    EXPECT_EQ(0u, CloseZipReader(reader));
    EXPECT_EQ(0u, CloseZipWriter(writer));
}

//--- reader

TEST_F(ZipTest, EntryCountAndIndexRange)
{
    ZipHandle* zip = CreateZipArchive((void*)Path("five.zip").c_str(), 0, ZIP_KIND_FILE, nullptr);
    ASSERT_NE(nullptr, zip);
    for (int i = 0; i < 5; i++) {
        std::string name = "e" + std::to_string(i);
        ASSERT_EQ(0u, AddZipEntry(zip, name.c_str(), name.c_str(), 2, ZIP_KIND_MEMORY));
    }
    ASSERT_EQ(0u, CloseZipWriter(zip));
    ZipHandle* reader = OpenZipArchive(Path("five.zip").c_str(), 0, nullptr);
    ASSERT_NE(nullptr, reader);
    ZipEntryInfo info;
    memset(&info, 0x55, sizeof(info));
    ASSERT_EQ(0u, GetZipEntry(reader, -1, &info));
    EXPECT_EQ(5, info.index);
    EXPECT_STREQ("", info.name);
    EXPECT_EQ(0u, info.uncompressedSize);
    EXPECT_EQ((uint32_t)ZIP_ERR_ARGS, GetZipEntry(reader, 5, &info));
    EXPECT_EQ((uint32_t)ZIP_ERR_ARGS, GetZipEntry(reader, -2, &info));
    EXPECT_EQ((uint32_t)ZIP_ERR_ARGS, GetZipEntry(reader, 0, nullptr));
    // Backwards and forwards, and the cached entry again.
    for (int i : {4, 1, 1, 3, 0, 4}) {
        SCOPED_TRACE(i);
        ASSERT_EQ(0u, GetZipEntry(reader, i, &info));
        EXPECT_EQ("e" + std::to_string(i), std::string(info.name));
        EXPECT_EQ(i, info.index);
    }
    CloseZipReader(reader);
}

TEST_F(ZipTest, AnArchiveWithoutEntriesOpensEmpty)
{
    std::string archive = Path("none.zip");
    ZipHandle* zip = CreateZipArchive((void*)archive.c_str(), 0, ZIP_KIND_FILE, kPassword);
    ASSERT_NE(nullptr, zip);
    ASSERT_EQ(0u, CloseZipWriter(zip));
    EXPECT_EQ(22u, ReadWholeFile(archive).size());
    ZipHandle* reader = OpenZipArchive(archive.c_str(), 0, kPassword);
    ASSERT_NE(nullptr, reader);
    ZipEntryInfo info;
    ASSERT_EQ(0u, GetZipEntry(reader, -1, &info));
    EXPECT_EQ(0, info.index);
    EXPECT_EQ((uint32_t)ZIP_ERR_ARGS, GetZipEntry(reader, 0, &info));
    EXPECT_EQ((uint32_t)ZIP_ERR_NOT_FOUND, FindZipEntry(reader, "x", 0, nullptr));
    char block[4];
    EXPECT_EQ((uint32_t)ZIP_ERR_ARGS, UnzipEntry(reader, 0, block, sizeof(block), ZIP_KIND_MEMORY));
    EXPECT_EQ((uint32_t)ZIP_ERR_ARGS, UnzipEntry(reader, 0, (void*)"x.txt", 0, ZIP_KIND_FILE));
    EXPECT_EQ(0u, CloseZipReader(reader));
}

TEST_F(ZipTest, FindZipEntryComparesCaseSensitively)
{
    ZipHandle* zip = CreateZipArchive((void*)Path("names.zip").c_str(), 0, ZIP_KIND_FILE, nullptr);
    ASSERT_NE(nullptr, zip);
    std::string longName(300, 'L');
    ASSERT_EQ(0u, AddZipEntry(zip, "first.txt", "1", 1, ZIP_KIND_MEMORY));
    ASSERT_EQ(0u, AddZipEntry(zip, "Dir/File.txt", "2", 1, ZIP_KIND_MEMORY));
    ASSERT_EQ(0u, CloseZipWriter(zip));
    ZipHandle* reader = OpenZipArchive(Path("names.zip").c_str(), 0, nullptr);
    ASSERT_NE(nullptr, reader);
    struct Case {
        const char* name;
        uint32_t rc;
        int32_t index;
    } cases[] = {
        {"Dir/File.txt", 0, 1},           {"first.txt", 0, 0},
        {"dir/file.txt", ZIP_ERR_NOT_FOUND, -1}, {"DIR/FILE.TXT", ZIP_ERR_NOT_FOUND, -1},
        {"Dir\\File.txt", ZIP_ERR_NOT_FOUND, -1}, {"", ZIP_ERR_NOT_FOUND, -1},
        {longName.c_str(), ZIP_ERR_NOT_FOUND, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        int32_t index = 77;
        EXPECT_EQ(c.rc, FindZipEntry(reader, c.name, 0, &index));
        EXPECT_EQ(c.index, index);
        EXPECT_EQ(c.rc, GetZipReaderError());
    }
    EXPECT_EQ(0u, FindZipEntry(reader, "first.txt", 0, nullptr)) << "index out is optional";
    CloseZipReader(reader);
}

TEST_F(ZipTest, MemoryExtractionContinuesWhereTheBlockFilled)
{
    std::string data = RandomBytes(10000, 11);
    for (const char* name : {"ten.bin", "ten.zip"}) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(WriteWholeFileText(Path("ten.zip"), OneEntryArchive(name, data, kPassword)));
        ZipHandle* reader = OpenZipArchive(Path("ten.zip").c_str(), 0, kPassword);
        ASSERT_NE(nullptr, reader);
        std::string got;
        char block[4096];
        uint32_t wants[] = {ZIP_MORE_DATA, ZIP_MORE_DATA, ZIP_OK};
        for (uint32_t want : wants) {
            memset(block, 0, sizeof(block));
            EXPECT_EQ(want, UnzipEntry(reader, 0, block, sizeof(block), ZIP_KIND_MEMORY));
            got.append(block, want == ZIP_OK ? data.size() - got.size() : sizeof(block));
        }
        EXPECT_TRUE(got == data);
        // Asking for the information closes the entry: the next read starts over.
        ZipEntryInfo info;
        EXPECT_EQ(ZIP_MORE_DATA, (int)UnzipEntry(reader, 0, block, sizeof(block), ZIP_KIND_MEMORY));
        EXPECT_EQ(0u, GetZipEntry(reader, 0, &info));
        EXPECT_EQ(ZIP_MORE_DATA, (int)UnzipEntry(reader, 0, block, sizeof(block), ZIP_KIND_MEMORY));
        EXPECT_EQ(0, memcmp(block, data.data(), sizeof(block)));
        CloseZipReader(reader);
    }
}

TEST_F(ZipTest, WrongOrMissingPasswordIsReported)
{
    std::string existing = Path("target.txt");
    const char* const wrongs[] = {"wrong", "S3CRET-PASS", "s3cret-Pas"};
    for (const char* name : {"entry.txt", "entry.zip"}) {
        for (const char* wrong : wrongs) {
            SCOPED_TRACE(std::string(name) + " / " + wrong);
            // One header byte in 256 checks out under any password; make an
            // archive whose header tells this wrong password apart.
            std::string bytes;
            for (int attempt = 0; attempt < 20; attempt++) {
                bytes = OneEntryArchive(name, "the secret contents", kPassword);
                std::vector<RawEntry> e = ParseArchive(bytes);
                ASSERT_EQ(1u, e.size());
                if (DecryptedCheckByte(bytes, e[0], wrong) != (e[0].dosTime >> 8)) break;
            }
            ASSERT_TRUE(WriteWholeFileText(Path("locked.zip"), bytes));
            ASSERT_TRUE(WriteWholeFileText(existing, "keep me"));
            ZipHandle* reader = OpenZipArchive(Path("locked.zip").c_str(), 0, wrong);
            ASSERT_NE(nullptr, reader);
            ASSERT_EQ(0u, SetZipReaderRoot(reader, folder.c_str()));
            char block[64];
            EXPECT_EQ((uint32_t)ZIP_ERR_PASSWORD, UnzipEntry(reader, 0, block, sizeof(block), ZIP_KIND_MEMORY));
            EXPECT_EQ((uint32_t)ZIP_ERR_PASSWORD, UnzipEntry(reader, 0, (void*)existing.c_str(), 0, ZIP_KIND_FILE));
            EXPECT_EQ("keep me", ReadWholeFile(existing)) << "the target is untouched";
            CloseZipReader(reader);
        }
    }
    ZipHandle* reader = OpenZipArchive(Path("locked.zip").c_str(), 0, nullptr);
    ASSERT_NE(nullptr, reader);
    char block[64];
    EXPECT_EQ((uint32_t)ZIP_ERR_PASSWORD, UnzipEntry(reader, 0, block, sizeof(block), ZIP_KIND_MEMORY))
        << "no password for an encrypted entry";
    CloseZipReader(reader);
    reader = OpenZipArchive(Path("locked.zip").c_str(), 0, kPassword);
    ASSERT_NE(nullptr, reader);
    uint32_t rc = 1;
    EXPECT_EQ("the secret contents", ReadEntry(reader, 0, &rc));
    EXPECT_EQ(0u, rc);
    CloseZipReader(reader);

    // A password is used only for entries marked encrypted.
    ASSERT_TRUE(WriteWholeFileText(Path("open.zip"), OneEntryArchive("p.txt", "plain", nullptr)));
    reader = OpenZipArchive(Path("open.zip").c_str(), 0, "unneeded");
    ASSERT_NE(nullptr, reader);
    EXPECT_EQ("plain", ReadEntry(reader, 0, &rc));
    EXPECT_EQ(0u, rc);
    CloseZipReader(reader);
}

TEST_F(ZipTest, DamagedDataFailsTheCrcCheck)
{
    std::string text;
    for (int i = 0; i < 400; i++) text += "compressible text " + std::to_string(i % 7) + "\n";
    struct Case {
        const char* name;
        const char* password;
    } cases[] = {{"s.zip", nullptr}, {"d.txt", nullptr}, {"s.zip", kPassword}, {"d.txt", kPassword}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + (c.password ? " encrypted" : " plain"));
        std::string bytes = OneEntryArchive(c.name, text, c.password);
        std::vector<RawEntry> e = ParseArchive(bytes);
        ASSERT_EQ(1u, e.size());
        size_t header = c.password ? 12 : 0;
        bytes[e[0].dataOffset + header + (e[0].compressedSize - header) / 2] ^= 0x01;
        ASSERT_TRUE(WriteWholeFileText(Path("bad.zip"), bytes));
        ZipHandle* reader = OpenZipArchive(Path("bad.zip").c_str(), 0, c.password);
        ASSERT_NE(nullptr, reader);
        ASSERT_EQ(0u, SetZipReaderRoot(reader, folder.c_str()));
        uint32_t rc = 0;
        ReadEntry(reader, 0, &rc);
        EXPECT_EQ((uint32_t)ZIP_ERR_DATA, rc);
        std::string target = Path("bad-out.txt");
        EXPECT_EQ((uint32_t)ZIP_ERR_DATA, UnzipEntry(reader, 0, (void*)target.c_str(), 0, ZIP_KIND_FILE));
        EXPECT_FALSE(FileExists(target)) << "no half-extracted file";
        CloseZipReader(reader);
    }
}

TEST_F(ZipTest, TruncatedOrFlippedArchivesGiveCodesNotCrashes)
{
    ZipHandle* zip = CreateZipArchive(nullptr, 8192, ZIP_KIND_MEMORY, kPassword);
    ASSERT_NE(nullptr, zip);
    ASSERT_EQ(0u, AddZipEntry(zip, "a/one.txt", "first entry first entry", 23, ZIP_KIND_MEMORY));
    ASSERT_EQ(0u, AddZipEntry(zip, "two.zip", "stored", 6, ZIP_KIND_MEMORY));
    ASSERT_EQ(0u, AddZipEntry(zip, "dir", nullptr, 0, ZIP_KIND_FOLDER));
    ASSERT_EQ(0u, WriteZipCentralDirectory(zip));
    const uint8_t* block = nullptr;
    uint32_t size = 0;
    ASSERT_EQ(0u, GetZipArchiveBlock(zip, &block, &size));
    std::string good((const char*)block, size);
    CloseZipWriter(zip);
    std::string out = Path("out");

    auto exercise = [&](const std::string& bytes, const std::string& why) {
        SCOPED_TRACE(why);
        ASSERT_TRUE(WriteWholeFileText(Path("damaged.zip"), bytes));
        ZipHandle* reader = OpenZipArchive(Path("damaged.zip").c_str(), 0, kPassword);
        if (!reader) {
            EXPECT_EQ((uint32_t)ZIP_ERR_OPEN, GetZipReaderError());
            return;
        }
        SetZipReaderRoot(reader, out.c_str());
        ZipEntryInfo info;
        if (GetZipEntry(reader, -1, &info) == ZIP_OK) {
            int32_t count = info.index < 10 ? info.index : 10;
            for (int32_t i = 0; i < count; i++) {
                char data[64];
                if (GetZipEntry(reader, i, &info) == ZIP_OK) {
                    EXPECT_LT(strlen(info.name), sizeof(info.name));
                    UnzipEntry(reader, i, info.name, 0, ZIP_KIND_FILE);
                }
                UnzipEntry(reader, i, data, sizeof(data), ZIP_KIND_MEMORY);
                UnzipEntry(reader, i, data, sizeof(data), ZIP_KIND_MEMORY);
            }
        }
        int32_t index = 0;
        FindZipEntry(reader, "two.zip", 0, &index);
        EXPECT_EQ(0u, CloseZipReader(reader));
    };
    for (size_t cut = 0; cut < good.size(); cut += 7) exercise(good.substr(0, cut), "cut at " + std::to_string(cut));
    for (size_t at = 0; at < good.size(); at++) {
        std::string bytes = good;
        bytes[at] ^= (char)0xA5;
        exercise(bytes, "flipped byte " + std::to_string(at));
    }
    // Whatever was extracted stayed inside the output folder.
    WIN32_FIND_DATAA fd;
    HANDLE find = FindFirstFileA(Path("*").c_str(), &fd);
    ASSERT_NE(INVALID_HANDLE_VALUE, find);
    do {
        std::string n = fd.cFileName;
        EXPECT_TRUE(n == "." || n == ".." || n == "out" || n == "damaged.zip") << n;
    } while (FindNextFileA(find, &fd));
    FindClose(find);
}

TEST_F(ZipTest, NamesAreSanitisedAndExtractionStaysInsideTheRoot)
{
    // '|' stands for a backslash, which our writer would turn into a slash.
    struct Case {
        const char* stored;
        const char* reported;
    } cases[] = {
        {"C:/a/../b.txt", "b.txt"},     {"/x.txt", "x.txt"},
        {"..|..|evil1.txt", "evil1.txt"}, {"../../evil2.txt", "evil2.txt"},
        {"C:|evil3.txt", "evil3.txt"},  {"||server|share|evil4.txt", "server|share|evil4.txt"},
        {"a/./b/../c.txt", "c.txt"},    {"..", ""},
        {"sub/../../up.txt", ""},       {"ok/..|x.txt", "x.txt"},
        {"dots/..", ""},                {"keep/name.txt", "keep/name.txt"},
        {"./C:/evil8.txt", ""},         {".|C:|evil9.txt", ""},
        {"||.|C:|evil10.txt", ""},      {"con.txt", ""},
    };
    ZipHandle* zip = CreateZipArchive(nullptr, 8192, ZIP_KIND_MEMORY, nullptr);
    ASSERT_NE(nullptr, zip);
    for (const Case& c : cases) ASSERT_EQ(0u, AddZipEntry(zip, c.stored, "evil", 4, ZIP_KIND_MEMORY));
    ASSERT_EQ(0u, WriteZipCentralDirectory(zip));
    const uint8_t* block = nullptr;
    uint32_t size = 0;
    ASSERT_EQ(0u, GetZipArchiveBlock(zip, &block, &size));
    std::string bytes((const char*)block, size);
    CloseZipWriter(zip);
    for (char& ch : bytes)
        if (ch == '|') ch = '\\';
    ASSERT_TRUE(WriteWholeFileText(Path("evil.zip"), bytes));

    std::string root = Path("jail\\root");
    ZipHandle* reader = OpenZipArchive(Path("evil.zip").c_str(), 0, nullptr);
    ASSERT_NE(nullptr, reader);
    ASSERT_EQ(0u, SetZipReaderRoot(reader, root.c_str()));
    for (int32_t i = 0; i < (int32_t)(sizeof(cases) / sizeof(cases[0])); i++) {
        SCOPED_TRACE(cases[i].stored);
        ZipEntryInfo info;
        ASSERT_EQ(0u, GetZipEntry(reader, i, &info));
        std::string want = cases[i].reported;
        for (char& ch : want)
            if (ch == '|') ch = '\\';
        EXPECT_EQ(want, info.name);
        uint32_t rc = UnzipEntry(reader, i, info.name, 0, ZIP_KIND_FILE);
        if (want.empty())
            EXPECT_EQ((uint32_t)ZIP_ERR_ARGS, rc) << "refused: no name to extract to";
        else
            EXPECT_EQ(0u, rc);
    }
    // Targets a caller gives are held to the same rule.
    const char* const refused[] = {"..\\evil5.txt", "sub\\..\\..\\evil6.txt", "a:b.txt",
                                   "file.txt:stream", "..", "x/../../evil7.txt"};
    for (const char* target : refused) {
        SCOPED_TRACE(target);
        EXPECT_EQ((uint32_t)ZIP_ERR_ARGS, UnzipEntry(reader, 11, (void*)target, 0, ZIP_KIND_FILE));
    }
    // An absolute target too must resolve below the root.
    std::string chosen = root + "\\chosen\\file.txt";
    EXPECT_EQ(0u, UnzipEntry(reader, 11, (void*)chosen.c_str(), 0, ZIP_KIND_FILE));
    EXPECT_EQ("evil", ReadWholeFile(chosen));
    std::string slashed = root + "/sub/../slashed.txt";
    EXPECT_EQ(0u, UnzipEntry(reader, 11, (void*)slashed.c_str(), 0, ZIP_KIND_FILE));
    EXPECT_EQ("evil", ReadWholeFile(root + "\\slashed.txt"));
    const std::string outside[] = {Path("evil11.txt"), root + "\\..\\evil12.txt", root + "x\\evil13.txt",
                                   "\\\\?\\" + Path("evil14.txt"), "\\\\.\\" + Path("evil15.txt"),
                                   root + "\\con", root};
    for (const std::string& target : outside) {
        SCOPED_TRACE(target);
        EXPECT_EQ((uint32_t)ZIP_ERR_ARGS, UnzipEntry(reader, 11, (void*)target.c_str(), 0, ZIP_KIND_FILE));
    }
    CloseZipReader(reader);

    EXPECT_EQ("evil", ReadWholeFile(root + "\\b.txt"));
    EXPECT_EQ("evil", ReadWholeFile(root + "\\server\\share\\evil4.txt"));
    EXPECT_EQ("evil", ReadWholeFile(root + "\\keep\\name.txt"));
    EXPECT_FALSE(FolderExists(root + "\\dots"));
    EXPECT_FALSE(FolderExists(root + "x"));
    for (const char* name : {"evil1.txt", "evil2.txt", "evil3.txt", "evil5.txt", "evil6.txt",
                             "evil7.txt", "evil8.txt", "evil9.txt", "evil10.txt", "evil11.txt",
                             "evil12.txt", "evil13.txt", "evil14.txt", "evil15.txt", "up.txt",
                             "b.txt", "x.txt"}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(FileExists(Path(name)));
        EXPECT_FALSE(FileExists(std::string("C:\\") + name));
        EXPECT_FALSE(FileExists(Path(std::string("jail\\") + name)));
    }
}

// What the archive says, for callers that must refuse what cleaning changes;
// a name that does not fit or holds a zero is no name at all.
TEST_F(ZipTest, StoredNamesAreGivenAsStored)
{
    const struct {
        std::string stored;
        uint32_t rc;
        const char* given;
        const char* cleaned;
    } cases[] = {
        {"C:/a/../b.txt", 0, "C:/a/../b.txt", "b.txt"},
        {"sub\\x.txt", 0, "sub\\x.txt", "sub\\x.txt"},
        {"../up.txt", 0, "../up.txt", ""},
        {std::string("x\0y.txt", 7), ZIP_ERR_ARGS, "", ""},
        {std::string(259, 'a'), 0, nullptr, nullptr},
        {std::string(260, 'a'), ZIP_ERR_ARGS, "", ""},
    };
    std::vector<std::pair<std::string, std::string>> entries;
    for (const auto& c : cases) entries.push_back({c.stored, "data"});
    ASSERT_TRUE(WriteWholeFileText(Path("names.zip"), StoredArchive(entries)));
    ZipHandle* reader = OpenZipArchive(Path("names.zip").c_str(), 0, nullptr);
    ASSERT_NE(nullptr, reader);
    for (int32_t i = 0; i < (int32_t)(sizeof(cases) / sizeof(cases[0])); i++) {
        SCOPED_TRACE(testing::Message() << "row " << i);
        char name[MAX_PATH];
        memset(name, 'z', sizeof(name));
        EXPECT_EQ(cases[i].rc, GetZipEntryStoredName(reader, i, name));
        std::string given = cases[i].given ? cases[i].given : cases[i].stored;
        EXPECT_EQ(given, name);
        ZipEntryInfo info;
        ASSERT_EQ(0u, GetZipEntry(reader, i, &info));
        EXPECT_EQ(cases[i].cleaned ? cases[i].cleaned : cases[i].stored.c_str(), std::string(info.name));
    }
    char name[MAX_PATH] = "x";
    EXPECT_EQ((uint32_t)ZIP_ERR_ARGS, GetZipEntryStoredName(reader, 6, name));
    EXPECT_STREQ("", name);
    EXPECT_EQ((uint32_t)ZIP_ERR_ARGS, GetZipEntryStoredName(reader, -1, name));
    CloseZipReader(reader);
    EXPECT_EQ((uint32_t)ZIP_ERR_ARGS, GetZipEntryStoredName(nullptr, 0, name));
}

TEST_F(ZipTest, RelativeTargetsCreateTheirFolders)
{
    ASSERT_TRUE(WriteWholeFileText(Path("one.zip"), OneEntryArchive("x", "payload", nullptr)));
    ZipHandle* reader = OpenZipArchive(Path("one.zip").c_str(), 0, nullptr);
    ASSERT_NE(nullptr, reader);
    ASSERT_EQ(0u, SetZipReaderRoot(reader, Path("root").c_str()));
    EXPECT_EQ(0u, UnzipEntry(reader, 0, (void*)"a/b/c.txt", 0, ZIP_KIND_FILE));
    EXPECT_TRUE(FolderExists(Path("root\\a")));
    EXPECT_TRUE(FolderExists(Path("root\\a\\b")));
    EXPECT_EQ("payload", ReadWholeFile(Path("root\\a\\b\\c.txt")));
    EXPECT_EQ(0u, UnzipEntry(reader, 0, (void*)"plain.txt", 0, ZIP_KIND_FILE));
    EXPECT_EQ("payload", ReadWholeFile(Path("root\\plain.txt")));

    // An open handle receives the data where it stands.
    HANDLE file = CreateFileA(Path("handle.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    DWORD done = 0;
    WriteFile(file, ">>", 2, &done, nullptr);
    EXPECT_EQ(0u, UnzipEntry(reader, 0, file, 0, ZIP_KIND_HANDLE));
    CloseHandle(file);
    EXPECT_EQ(">>payload", ReadWholeFile(Path("handle.txt")));
    CloseZipReader(reader);

    EXPECT_TRUE(EnsureFolderPath(Path("made").c_str(), "p/q\\r"));
    EXPECT_TRUE(FolderExists(Path("made\\p\\q\\r")));
    EXPECT_TRUE(EnsureFolderPath(nullptr, Path("abs\\x").c_str()));
    EXPECT_TRUE(FolderExists(Path("abs\\x")));
    EXPECT_FALSE(EnsureFolderPath(Path("made").c_str(), std::string(300, 'z').c_str()));
}

TEST_F(ZipTest, AttributesAndTimesTravelWithTheEntry)
{
    std::string source = SourceFile("attrs.txt", "attributes");
    HANDLE h = CreateFileA(source.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    SYSTEMTIME st = {2021, 3, 0, 14, 15, 9, 26, 0};
    FILETIME write = {}, access = {}, creation = {};
    SystemTimeToFileTime(&st, &write);
    st.wDay = 15;
    SystemTimeToFileTime(&st, &access);
    st.wYear = 2020;
    SystemTimeToFileTime(&st, &creation);
    ASSERT_TRUE(SetFileTime(h, &creation, &access, &write));
    CloseHandle(h);
    // Compare with what the file system kept: Wine on Linux keeps no creation time.
    WIN32_FILE_ATTRIBUTE_DATA kept;
    ASSERT_TRUE(GetFileAttributesExA(source.c_str(), GetFileExInfoStandard, &kept));
    creation = kept.ftCreationTime;
    access = kept.ftLastAccessTime;
    ASSERT_EQ(0, CompareFileTime(&write, &kept.ftLastWriteTime));
    ASSERT_TRUE(SetFileAttributesA(source.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                                       FILE_ATTRIBUTE_ARCHIVE));
    std::string program = BinPath("zip_test.exe");

    std::string archive = Path("attrs.zip");
    ZipHandle* zip = CreateZipArchive((void*)archive.c_str(), 0, ZIP_KIND_FILE, nullptr);
    ASSERT_NE(nullptr, zip);
    ASSERT_EQ(0u, AddZipEntry(zip, "attrs.txt", source.c_str(), 0, ZIP_KIND_FILE));
    ASSERT_EQ(0u, AddZipEntry(zip, "program.exe", program.c_str(), 0, ZIP_KIND_FILE));
    ASSERT_EQ(0u, CloseZipWriter(zip));
    SetFileAttributesA(source.c_str(), FILE_ATTRIBUTE_NORMAL);

    std::vector<RawEntry> raw = ParseArchive(ReadWholeFile(archive));
    ASSERT_EQ(2u, raw.size());
    EXPECT_EQ(0x8100u, raw[0].externalAttributes >> 16) << "read-only: owner read only";
    EXPECT_EQ(0x23u, raw[0].externalAttributes & 0xFF);
    EXPECT_EQ(0x81C0u, raw[1].externalAttributes >> 16) << "a Windows program is executable";

    ZipHandle* reader = OpenZipArchive(archive.c_str(), 0, nullptr);
    ASSERT_NE(nullptr, reader);
    ZipEntryInfo info;
    ASSERT_EQ(0u, GetZipEntry(reader, 0, &info));
    EXPECT_EQ((uint32_t)(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE),
              info.attributes);
    EXPECT_EQ(Seconds(write), Seconds(info.lastWriteTime));
    EXPECT_EQ(Seconds(access), Seconds(info.lastAccessTime));
    EXPECT_EQ(Seconds(creation), Seconds(info.creationTime));
    std::string target = Path("out\\attrs.txt");
    ASSERT_EQ(0u, SetZipReaderRoot(reader, folder.c_str()));
    ASSERT_EQ(0u, UnzipEntry(reader, 0, (void*)target.c_str(), 0, ZIP_KIND_FILE));
    CloseZipReader(reader);
    DWORD attributes = GetFileAttributesA(target.c_str());
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_READONLY);
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_HIDDEN);
    WIN32_FILE_ATTRIBUTE_DATA data;
    ASSERT_TRUE(GetFileAttributesExA(target.c_str(), GetFileExInfoStandard, &data));
    EXPECT_EQ(0, CompareFileTime(&write, &data.ftLastWriteTime));
    SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL);
}
