// FolderWalkerTest.cpp - the file finder and the folder walker on real folders.
#include "framework/core/FolderWalk.h"
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

void Touch(const std::string& path)
{
    ASSERT_TRUE(WriteWholeFileText(path, "x")) << path;
}

// The walker's files below root, relative and sorted.
std::vector<std::string> Relative(const FolderWalker& w, const std::string& root)
{
    std::vector<std::string> out;
    for (int i = 0; i < w.files.count; i++) {
        std::string path = w.files.data[i].text;
        out.push_back(path.compare(0, root.size() + 1, root + "\\") == 0 ? path.substr(root.size() + 1) : path);
    }
    std::sort(out.begin(), out.end());
    return out;
}

TEST(FolderWalker, CollectsEachMatchingFileOnceThroughEveryFolder)
{
    std::string root = FreshFolderForThisTest();
    CreateDirectoryA((root + "\\Sub").c_str(), nullptr);
    CreateDirectoryA((root + "\\Sub\\Deeper").c_str(), nullptr);
    CreateDirectoryA((root + "\\Folder.zpx").c_str(), nullptr);   // a folder named like a match
    for (const char* f : {"Options.zpx", "PanelShepherd.log", "notes.txt", "Sub\\Profile0.zpx", "Sub\\old.log",
                          "Sub\\Deeper\\x.ZPX", "Sub\\Deeper\\y.dlc", "Folder.zpx\\inner.zpx"})
        Touch(root + "\\" + f);

    FolderWalker w;
    EXPECT_EQ(6, InitFolderWalkerWith(&w, root.c_str(), "*.zpx;%s", "*.log"));
    std::vector<std::string> want = {"Folder.zpx\\inner.zpx", "Options.zpx", "PanelShepherd.log",
                                     "Sub\\Deeper\\x.ZPX", "Sub\\Profile0.zpx", "Sub\\old.log"};
    std::sort(want.begin(), want.end());
    EXPECT_EQ(want, Relative(w, root));
    EXPECT_EQ(4, w.folders.count) << "the root, Sub, Sub\\Deeper, Folder.zpx";
    EXPECT_STREQ(root.c_str(), w.folders.data[0].text) << "the root first";

    // Two patterns matching the same file list it once.
    EXPECT_EQ(4, ScanFolderTree(&w, root.c_str(), "*.zpx;Options.*;%s", ""));
    ClearFolderWalker(&w);
}

TEST(FolderWalker, NoRootOrNoPatternsLeaveTheListsAlone)
{
    std::string root = FreshFolderForThisTest();
    Touch(root + "\\a.zpx");
    FolderWalker w;
    ASSERT_EQ(1, InitFolderWalkerWith(&w, root.c_str(), "*.zpx"));
    w.patterns[0] = '\0';
    EXPECT_EQ(0, CollectMatchingFiles(&w));
    EXPECT_EQ(1, w.files.count) << "untouched";
    w.root[0] = '\0';
    EXPECT_EQ(-1, CollectMatchingFiles(&w));
    EXPECT_EQ(1, w.files.count);
    ClearFolderWalker(&w);
    EXPECT_EQ(0, w.files.count);
    EXPECT_EQ(0, w.folders.count);
}

TEST(FolderWalker, NeverFollowsALinkOutOfItsRoot)
{
    // Made by the WalkerLinks fixture: root\up links to root's parent (a loop
    // out of the root), root\sub\out to a folder beside the root.
    std::string base = BinFolder() + "\\..\\testdata\\walker-links";
    if (!FolderExists(base + "\\root\\sub")) GTEST_SKIP() << "run through ctest: the link tree is its fixture";
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((base + "\\root\\up").c_str(), &fd);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    FindClose(h);
    ASSERT_TRUE(fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) << "the link shows as a reparse point";

    FolderWalker w;
    EXPECT_EQ(2, InitFolderWalkerWith(&w, (base + "\\root").c_str(), "*.zpx;*.log"));
    EXPECT_EQ(std::vector<std::string>({"a.zpx", "sub\\b.log"}), Relative(w, base + "\\root"));
    EXPECT_EQ(2, w.folders.count) << "root and sub; neither link";
    ClearFolderWalker(&w);

    // The visiting walk shows the links but does not enter them.
    std::vector<std::string> seen;
    WalkFolder((base + "\\root").c_str(),
               [](const char*, const char* rel, const WIN32_FIND_DATAA*, void* ctx) {
                   ((std::vector<std::string>*)ctx)->push_back(rel);
               },
               &seen);
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ(std::vector<std::string>({"a.zpx", "sub", "sub\\b.log", "sub\\out", "up"}), seen);
}

TEST(FileFinder, FileNamesAreNeverFormats)
{
    std::string root = FreshFolderForThisTest();
    Touch(root + "\\100%s%n.zpx");
    FileFinder f;
    InitFileFinder(&f, "%s\\*.zpx", root.c_str());
    ASSERT_TRUE(FindFirstMatch(&f, "%s\\%s", root.c_str(), "100%s%n.zpx"));
    EXPECT_STREQ("100%s%n.zpx", f.data.cFileName);
    EXPECT_EQ(1u, f.count);
    EXPECT_EQ(root, std::string(f.folder));
    CloseFileFinder(&f);
    EXPECT_EQ(INVALID_HANDLE_VALUE, f.handle);

    FolderWalker w;
    EXPECT_EQ(1, InitFolderWalkerWith(&w, root.c_str(), "%s", "*%s*.zpx"));
    ASSERT_EQ(1, w.files.count);
    EXPECT_EQ(root + "\\100%s%n.zpx", std::string(w.files.data[0].text));
    ClearFolderWalker(&w);
}

TEST(FileFinder, NoMatchLeavesNoSearchOpen)
{
    std::string root = FreshFolderForThisTest();
    FileFinder f;
    InitFileFinder(&f, "%s", "");
    EXPECT_FALSE(FindFirstMatch(&f, "%s\\*.none", root.c_str()));
    EXPECT_EQ(INVALID_HANDLE_VALUE, f.handle);
    EXPECT_EQ(0u, f.count);
    Touch(root + "\\one.txt");
    Touch(root + "\\two.txt");
    ASSERT_TRUE(FindFirstMatch(&f, "%s\\*.txt", root.c_str()));
    while (FindNextFileA(f.handle, &f.data)) f.count++;
    EXPECT_EQ(2u, f.count);
    SetFileFinderPattern(&f, "%s", "C:\\x\\y.z");
    EXPECT_EQ(INVALID_HANDLE_VALUE, f.handle) << "a new pattern closes the search";
    EXPECT_STREQ("C:\\x", f.folder);
    SetFileFinderPattern(&f, "%s", "plain");
    EXPECT_STREQ("", f.folder);
}

}  // namespace
