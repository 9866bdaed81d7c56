// RecordTestUtil.h - record texts and files for the record tests, and a data
// folder of the test's own.
#pragma once

#include "framework/core/AppObject.h"
#include "framework/core/ConfigRecord.h"
#include "framework/core/TextUtil.h"
#include "tests/support/HostTools.h"
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

inline std::string Line(const std::string& key, const std::string& value)
{
    return key + "=" + value + std::string("\0\r\n", 3);
}

inline std::string TextOf(const ConfigRecord& r)
{
    return std::string(r.text.data ? r.text.data : "", (size_t)r.text.count);
}

// The decrypted text of a record file, empty when it cannot be read.
inline std::string RecordFileText(const std::string& path)
{
    ConfigRecord r;
    InitConfigRecord(&r, 0, "");
    std::string text = LoadRecordArchive(&r, path.c_str()) > 0 ? TextOf(r) : std::string();
    ClearConfigRecord(&r);
    return text;
}

// Writes text as a record file the way the program does.
inline bool WriteRecordFile(const std::string& path, const std::string& text)
{
    ConfigRecord r;
    InitConfigRecord(&r, 1, "");
    ArrayAppendN(&r.text, text.data(), (int32_t)text.size());
    bool ok = SaveRecordArchive(&r, path.c_str()) > 0;
    ClearConfigRecord(&r);
    return ok;
}

// The keys of a record text in order.
inline std::vector<std::string> KeysOf(const std::string& text)
{
    std::vector<std::string> keys;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find(std::string("\0\r\n", 3), at);
        if (end == std::string::npos) break;
        std::string line = text.substr(at, end - at);
        keys.push_back(line.substr(0, line.find('=')));
        at = end + 3;
    }
    return keys;
}

// The value of the first line holding key, or "<missing>".
inline std::string ValueOf(const std::string& text, const std::string& key)
{
    std::string head = key + "=";
    size_t at = text.compare(0, head.size(), head) == 0 ? 0 : text.find("\n" + head);
    if (at == std::string::npos) return "<missing>";
    if (at > 0) at++;
    size_t start = at + head.size();
    return text.substr(start, text.find('\0', start) - start);
}

// Each test gets a data folder of its own.
class RecordFolderTest : public testing::Test {
protected:
    void SetUp() override
    {
        folder = FreshFolderForThisTest();
        data = folder + "\\data";
        CreateDirectoryA(data.c_str(), nullptr);
        CopyText(g_app.dataFolder, sizeof(g_app.dataFolder), data.c_str());
        g_app.configImported = 0;
    }
    void TearDown() override
    {
        g_app.dataFolder[0] = '\0';
        g_app.configImported = 0;
    }
    std::string Path(const std::string& name) const { return folder + "\\" + name; }
    std::string folder, data;
};

// Makes a record file with Info-ZIP's zip -P: one entry "1" holding text.
// The host's exit code (0 on success); output in *log.
inline int ZipRecordWithInfoZip(const std::string& folder, const std::string& target,
                                const std::string& text, std::string* log)
{
    std::string entryFolder = folder + "\\infozip-entry";
    CreateDirectoryA(entryFolder.c_str(), nullptr);
    if (!WriteWholeFileText(entryFolder + "\\1", text)) return -1;
    DeleteFileA((folder + "\\infozip.zpx").c_str());
    int rc = RunHostScript(folder, "cd infozip-entry && zip -q -P " CONFIG_RECORD_PASSWORD " ../infozip.zpx 1", log);
    if (rc == 0 && !MoveFileExA((folder + "\\infozip.zpx").c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING))
        rc = -1;
    return rc;
}
