// ArchiveTestUtil.h - configuration archives in tests: reading one back
// with the program's ZIP reader, making one, and a fixture whose data folder,
// message boxes, file dialogs and shell are the test's.
#pragma once

#include "framework/core/AppObject.h"
#include "framework/core/DialogUtil.h"
#include "framework/core/StringTable.h"
#include "framework/core/TextUtil.h"
#include "framework/core/ZipArchive.h"
#include "framework/ui/MessageBox.h"
#include "framework/ui/Theme.h"
#include "tests/core/ZipWriteUtil.h"
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

#include <stdlib.h>

#include <string>
#include <utility>
#include <vector>

typedef std::vector<std::pair<std::string, std::string>> ArchiveEntries;

// Every entry as (stored name, data), in order; empty when it is no archive
// or an entry does not read back whole.
inline ArchiveEntries ReadArchiveEntries(const std::string& path)
{
    ArchiveEntries entries;
    ZipHandle* zip = OpenZipArchive(path.c_str(), 0, nullptr);
    if (!zip) return entries;
    ZipEntryInfo count = {};
    bool ok = GetZipEntry(zip, -1, &count) == 0;
    for (int32_t i = 0; ok && i < count.index; i++) {
        ZipEntryInfo info = {};
        char stored[MAX_PATH];
        ok = GetZipEntry(zip, i, &info) == 0 && GetZipEntryStoredName(zip, i, stored) == 0;
        std::string data;
        static char block[4096];
        uint32_t rc = ZIP_MORE_DATA;
        while (ok && rc == ZIP_MORE_DATA) {
            rc = UnzipEntry(zip, i, block, sizeof(block), ZIP_KIND_MEMORY);
            uint32_t got = info.uncompressedSize - (uint32_t)data.size();
            if (got > sizeof(block)) got = sizeof(block);
            if (rc == 0 || rc == ZIP_MORE_DATA) data.append(block, got);
        }
        ok = ok && rc == 0;
        if (ok) entries.push_back({stored, data});
    }
    CloseZipReader(zip);
    if (!ok) entries.clear();
    return entries;
}

// An archive of these entries as bytes (names stored as given).
inline std::string MakeArchiveBytes(const ArchiveEntries& entries)
{
    ZipHandle* zip = CreateZipArchive(nullptr, 1 << 20, ZIP_KIND_MEMORY, nullptr);
    EXPECT_NE(nullptr, zip);
    if (!zip) return std::string();
    for (const auto& e : entries)
        EXPECT_EQ(0u, AddZipEntry(zip, e.first.c_str(), e.second.data(), (uint32_t)e.second.size(), ZIP_KIND_MEMORY))
            << e.first;
    std::string bytes = FinishZipBytes(zip);
    return bytes;
}

// The first entry of this product's archives at this version.
inline std::string ProductEntryData(const char* version)
{
    return std::string(1, '\0') + version;
}

// What the test's stand-ins saw and answer.
struct StandIns {
    std::vector<std::string> boxes;     // each message box's text
    std::vector<int> answers;           // the buttons the next boxes return, in order
    int answer = IDYES;                 // the button of every box after those
    std::string filePath;               // what the file dialogs return; empty cancels
    std::vector<std::string> fileCalls; // "open <initial name>" or "save <initial name>"
    std::string filter;                 // the last file dialog's first description
    std::vector<std::string> opened;    // every target given to the shell
};
inline StandIns g_standIns;

inline int AnswerBox(const char*, const char* text, uint32_t)
{
    g_standIns.boxes.push_back(text);
    if (g_standIns.answers.empty()) return g_standIns.answer;
    int button = g_standIns.answers.front();
    g_standIns.answers.erase(g_standIns.answers.begin());
    return button;
}

inline BOOL AnswerFileDialog(bool save, OPENFILENAMEA* ofn, DWORD* error)
{
    *error = 0;
    g_standIns.fileCalls.push_back(std::string(save ? "save " : "open ") + ofn->lpstrFile);
    g_standIns.filter = ofn->lpstrFilter ? ofn->lpstrFilter : "";
    if (g_standIns.filePath.empty()) return FALSE;
    return CopyText(ofn->lpstrFile, ofn->nMaxFile, g_standIns.filePath.c_str());
}

inline int RecordShellTarget(const char* file, const char*, const char*, int)
{
    g_standIns.opened.push_back(file ? file : "");
    return 0;
}

// The product "PanelShepherd" at version 2.9.7 with its data folder in the
// test's own folder, and every dialog and the shell answered by the test.
class ConfigFolderTest : public testing::Test {
protected:
    void SetUp() override
    {
        AppConstruct(&g_app);
        g_app.instance = GetModuleHandleA(nullptr);
        CopyText(g_app.productName, sizeof(g_app.productName), "PanelShepherd");
        g_app.versionMajor = 2;
        g_app.versionMinor = 9;
        g_app.versionBuild = 7;
        static StringTableEntry product[] = {{0, {"PanelShepherd"}}, {STRING_END_ID, {}}};
        g_app.strings.productTables[0] = product;
        g_app.strings.productCount = 1;
        InitThemeColours(&g_app);
        root = FreshFolderForThisTest();
        data = root + "\\data";
        CreateDirectoryA(data.c_str(), nullptr);
        CopyText(g_app.dataFolder, sizeof(g_app.dataFolder), data.c_str());
        g_standIns = StandIns();
        SetMessageBoxHook(AnswerBox);
        SetFileDialogRunner(AnswerFileDialog);
        SetShellExecuteRunner(RecordShellTarget);
    }
    void TearDown() override
    {
        SetMessageBoxHook(nullptr);
        SetFileDialogRunner(nullptr);
        SetShellExecuteRunner(nullptr);
        g_app.dataFolder[0] = '\0';
        AppDestruct(&g_app);
    }
    std::string ImportLocation() { return data + "\\PanelShepherd.BrimvaleConfig"; }
    void Write(const std::string& path, const std::string& bytes) { ASSERT_TRUE(WriteWholeFileText(path, bytes)); }

    std::string root, data;
};
