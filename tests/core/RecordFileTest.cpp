// RecordFileTest.cpp - record paths, safe replacement and folder creation on real files.
#include "framework/core/AppObject.h"
#include "framework/core/DamagedRecords.h"
#include "framework/core/RecordFile.h"
#include "framework/core/TextUtil.h"
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

#include <shlobj.h>

class RecordFileTest : public testing::Test {
protected:
    void SetUp() override
    {
        root = FreshFolderForThisTest();
        CopyText(g_app.dataFolder, sizeof(g_app.dataFolder), (root + "\\data").c_str());
        CopyText(g_app.commonDataFolder, sizeof(g_app.commonDataFolder),
                 (root + "\\common").c_str());
    }
    void TearDown() override
    {
        g_app.dataFolder[0] = '\0';
        g_app.commonDataFolder[0] = '\0';
    }
    std::string root;
};

TEST_F(RecordFileTest, BuildRecordPath)
{
    struct Case {
        const char* name;
        int number;
        int folder;
        std::string want;
    } cases[] = {
        {"Profile", 3, RECORD_FOLDER_DATA, root + "\\data\\Profile3.zpx"},
        {"Profile", -1, RECORD_FOLDER_DATA, root + "\\data\\Profile.zpx"},
        {"Profile", 3, RECORD_FOLDER_COMMON, root + "\\common\\Profile3.zpx"},
        {"(ZRP)Win", 0, RECORD_FOLDER_DATA, root + "\\data\\(ZRP)Win0.zpx"},
    };
    for (const Case& c : cases) {
        char path[MAX_PATH];
        BuildRecordPath(c.name, c.number, path, c.folder);
        EXPECT_EQ(c.want, path);
    }
    std::string longName(400, 'n');
    char path[MAX_PATH];
    BuildRecordPath(longName.c_str(), -1, path, RECORD_FOLDER_DATA);
    EXPECT_STREQ("", path) << "an over-long path is refused, not cut into another name";
}

TEST_F(RecordFileTest, SaveCreatesMissingFoldersAndLoadsBack)
{
    const char data[] = "hello record";
    EXPECT_EQ(sizeof(data), SaveRecord("(ZRP)Cmd", -1, data, sizeof(data)));
    EXPECT_TRUE(FileExists(root + "\\data\\(ZRP)Cmd.zpx"));
    EXPECT_FALSE(FileExists(root + "\\data\\(ZRP)Cmd.zpx_tmp"));

    EXPECT_EQ(sizeof(data), LoadRecord("(ZRP)Cmd", -1, nullptr)) << "null block: size only";
    void* block = nullptr;
    ASSERT_EQ(sizeof(data), LoadRecord("(ZRP)Cmd", -1, &block));
    EXPECT_EQ(0, memcmp(block, data, sizeof(data)));
    free(block);

    char small[5] = {};
    EXPECT_EQ(5u, ReadRecordFile("(ZRP)Cmd", small, sizeof(small)));
    EXPECT_EQ(0u, LoadRecord("Missing", -1, nullptr));
    EXPECT_EQ(0u, ReadRecordFile(nullptr, nullptr, 0));
}

TEST_F(RecordFileTest, FailedReplacementKeepsTheOldRecord)
{
    const char oldData[] = "old settings";
    ASSERT_EQ(sizeof(oldData), SaveRecord("Options", 7, oldData, sizeof(oldData)));
    std::string path = root + "\\data\\Options7.zpx";

    // The temporary file cannot be created: a folder stands at its name.
    ASSERT_TRUE(CreateDirectoryA((path + "_tmp").c_str(), nullptr));
    EXPECT_EQ(0u, SaveRecord("Options", 7, "new", 3));
    EXPECT_EQ(std::string(oldData, sizeof(oldData)), ReadWholeFile(path));
    RemoveDirectoryA((path + "_tmp").c_str());

    // The record is held open without sharing: the move fails.
    HANDLE busy = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, busy);
    EXPECT_EQ(0u, SaveRecord("Options", 7, "new", 3));
    CloseHandle(busy);
    EXPECT_EQ(std::string(oldData, sizeof(oldData)), ReadWholeFile(path));
    EXPECT_FALSE(FileExists(path + "_tmp"));

    EXPECT_EQ(3u, SaveRecord("Options", 7, "new", 3));
    EXPECT_EQ("new", ReadWholeFile(path));
}

TEST_F(RecordFileTest, NoDataFolderWritesNothing)
{
    g_app.dataFolder[0] = '\0';
    EXPECT_EQ(0u, SaveRecord("(ZRP)App", -1, "x", 1));
    EXPECT_EQ(0u, LoadRecord("(ZRP)App", -1, nullptr));
    EXPECT_FALSE(FileExists("\\(ZRP)App.zpx"));
}

TEST_F(RecordFileTest, CreateDirectoryTree)
{
    EXPECT_EQ(2, CreateDirectoryTree(""));
    EXPECT_EQ(0, CreateDirectoryTree(root.c_str())) << "existing folder";
    std::string deep = root + "\\a\\b\\c\\d";
    EXPECT_EQ(0, CreateDirectoryTree(deep.c_str()));
    EXPECT_TRUE(FolderExists(deep));
    EXPECT_EQ(0, CreateDirectoryTree((root + "\\a\\b\\x\\").c_str())) << "trailing backslash";
    EXPECT_TRUE(FolderExists(root + "\\a\\b\\x"));

    ASSERT_TRUE(WriteWholeFileText(root + "\\blocker", "file"));
    EXPECT_EQ(1, CreateDirectoryTree((root + "\\blocker\\sub").c_str())) << "a file is in the way";
}

TEST_F(RecordFileTest, SpecialFolderPath)
{
    char path[MAX_PATH];
    GetSpecialFolderPath(CSIDL_APPDATA, path);
    char want[MAX_PATH] = {};
    ASSERT_EQ(S_OK, SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, want));
    EXPECT_STREQ(want, path);
    EXPECT_TRUE(FolderExists(path));
}

// Another process holding the file without sharing, for as long as the test says.
struct HolderThread {
    HANDLE file, thread, release;
    static DWORD WINAPI Run(void* self)
    {
        HolderThread* h = (HolderThread*)self;
        WaitForSingleObject(h->release, INFINITE);
        CloseHandle(h->file);
        return 0;
    }
};

TEST_F(RecordFileTest, HeldFilesAreWaitedForThenReportedHeld)
{
    std::string path = root + "\\data\\Held.zpx";
    ASSERT_EQ(0, CreateDirectoryTree((root + "\\data").c_str()));
    ASSERT_TRUE(WriteWholeFileText(path, "held"));
    EXPECT_EQ(RECORD_FILE_MISSING, ProbeRecordFile((root + "\\data\\None.zpx").c_str()));
    EXPECT_EQ(RECORD_FILE_READY, ProbeRecordFile(path.c_str()));

    // Released while the reader waits: read as usual.
    HolderThread h = {CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr), nullptr,
                      CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    ASSERT_NE(INVALID_HANDLE_VALUE, h.file);
    h.thread = CreateThread(nullptr, 0, HolderThread::Run, &h, 0, nullptr);
    // The reader's first attempt must meet the lock: release only once it is waiting.
    HANDLE reader = CreateThread(
        nullptr, 0, [](void* p) -> DWORD { return (DWORD)ReadRecordFile((const char*)p, nullptr, 0); },
        (void*)"Held", 0, nullptr);
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(reader, 300)) << "still waiting for the file";
    SetEvent(h.release);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(reader, 10000));
    DWORD size = 0;
    GetExitCodeThread(reader, &size);
    EXPECT_EQ(4u, size) << "read once the holder let go";
    WaitForSingleObject(h.thread, INFINITE);
    CloseHandle(reader);
    CloseHandle(h.thread);
    CloseHandle(h.release);

    // Held throughout: reported held, and it cannot be moved aside either.
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    EXPECT_EQ(RECORD_FILE_HELD, ProbeRecordFile(path.c_str()));
    EXPECT_EQ(0u, ReadRecordFile("Held", nullptr, 0));
    ClearDamagedRecordNotes();
    EXPECT_FALSE(KeepDamagedRecord(path.c_str()));
    CloseHandle(file);
    ASSERT_EQ(1, DamagedRecordNoteCount());
    EXPECT_EQ(path, GetDamagedRecordNote(0)->path);
    EXPECT_STREQ("", GetDamagedRecordNote(0)->aside) << "left in place";
    ClearDamagedRecordNotes();
}

TEST_F(RecordFileTest, DamagedRecordsAreKeptAsideUnderNamesNoLoaderLists)
{
    std::string folder = root + "\\data";
    ASSERT_EQ(0, CreateDirectoryTree(folder.c_str()));
    std::string path = folder + "\\Profile3.zpx";
    ClearDamagedRecordNotes();
    for (const char* content : {"first", "second"}) {
        ASSERT_TRUE(WriteWholeFileText(path, content));
        EXPECT_TRUE(KeepDamagedRecord(path.c_str()));
        EXPECT_FALSE(FileExists(path));
    }
    ASSERT_EQ(2, DamagedRecordNoteCount());
    std::string first = GetDamagedRecordNote(0)->aside, second = GetDamagedRecordNote(1)->aside;
    EXPECT_EQ(0u, first.find(path + ".damaged-")) << first;
    EXPECT_EQ(path.size() + 24, first.size()) << "\".damaged-yyyymmdd-hhmmss\": " << first;
    EXPECT_NE(first, second) << "an earlier copy is never replaced";
    EXPECT_EQ("first", ReadWholeFile(first));
    EXPECT_EQ("second", ReadWholeFile(second));
    WIN32_FIND_DATAA fd;
    HANDLE find = FindFirstFileA((folder + "\\Profile*.zpx").c_str(), &fd);
    EXPECT_EQ(INVALID_HANDLE_VALUE, find) << "found " << fd.cFileName;
    if (find != INVALID_HANDLE_VALUE) FindClose(find);
    ClearDamagedRecordNotes();
}
