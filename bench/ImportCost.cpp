// ImportCost.cpp - the time the start-up import of a configuration archive
// takes by its entry count, beside writing the same files directly.
//   bench_import [entry count ...]     (100 1000 4095 when none)
// Files go to a folder beside the program and are removed at the end.
#include "bench/BenchWindows.h"
#include "framework/core/AppObject.h"
#include "framework/core/AppStartup.h"
#include "framework/core/TextUtil.h"
#include "framework/core/ZipArchive.h"

#include <shellapi.h>
#include <stdio.h>
#include <stdlib.h>

#include <string>
#include <vector>

static std::string BenchFolder()
{
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, sizeof(path));
    std::string folder(path, n);
    return folder.substr(0, folder.find_last_of('\\')) + "\\bench-import";
}

static void RemoveFolder(const std::string& folder)
{
    std::string from = folder + std::string(2, '\0');
    SHFILEOPSTRUCTA op = {};
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.fFlags = FOF_NO_UI;
    SHFileOperationA(&op);
}

static std::string RecordName(int i)
{
    return "Profile" + std::to_string(i) + ".zpx";
}

static const std::string kRecordBytes(300, 'r');

// The product entry and entries - 1 records, as a backup writes them.
static std::string MakeArchive(int entries)
{
    ZipHandle* zip = CreateZipArchive(nullptr, 64u << 20, ZIP_KIND_MEMORY, nullptr);
    if (!zip) return "";
    std::string product = std::string(1, '\0') + "1.0.0";
    AddZipEntry(zip, "PanelShepherd", product.data(), (uint32_t)product.size(), ZIP_KIND_MEMORY);
    for (int i = 1; i < entries; i++)
        AddZipEntry(zip, RecordName(i).c_str(), kRecordBytes.data(), (uint32_t)kRecordBytes.size(),
                    ZIP_KIND_MEMORY);
    std::string bytes;
    const uint8_t* block = nullptr;
    uint32_t length = 0;
    if (WriteZipCentralDirectory(zip) == ZIP_OK && GetZipArchiveBlock(zip, &block, &length) == ZIP_OK)
        bytes.assign((const char*)block, length);
    CloseZipWriter(zip);
    return bytes;
}

static bool WriteFileBytes(const std::string& path, const std::string& bytes)
{
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD done = 0;
    BOOL ok = WriteFile(h, bytes.data(), (DWORD)bytes.size(), &done, nullptr);
    CloseHandle(h);
    return ok && done == bytes.size();
}

// One import into an emptied data folder (ms); false when nothing was imported.
static double ImportOnce(const std::string& data, const std::string& archive, bool* imported)
{
    RemoveFolder(data);
    CreateDirectoryA(data.c_str(), nullptr);
    WriteFileBytes(data + "\\PanelShepherd.BrimvaleConfig", archive);
    g_app.configImported = 0;
    double t0 = NowMs();
    ImportConfigArchive(&g_app);
    double ms = NowMs() - t0;
    *imported = g_app.configImported != 0;
    return ms;
}

// The baseline: the same records written one by one into an empty folder.
static double WriteOnce(const std::string& data, int entries)
{
    RemoveFolder(data);
    CreateDirectoryA(data.c_str(), nullptr);
    double t0 = NowMs();
    for (int i = 1; i < entries; i++) WriteFileBytes(data + "\\" + RecordName(i), kRecordBytes);
    return NowMs() - t0;
}

int main(int argc, char** argv)
{
    AppConstruct(&g_app);
    std::string folder = BenchFolder();
    std::string data = folder + "\\data";
    CreateDirectoryA(folder.c_str(), nullptr);
    CopyText(g_app.productName, sizeof(g_app.productName), "PanelShepherd");
    CopyText(g_app.dataFolder, sizeof(g_app.dataFolder), data.c_str());
    std::vector<int> counts;
    for (int i = 1; i < argc; i++) counts.push_back(atoi(argv[i]));
    if (counts.empty()) counts = {100, 1000, 4095};
    const int kRuns = 3;
    printf("Importing a configuration archive at start-up, median of %d (ms)\n", kRuns);
    printf("%8s %12s %14s %12s %10s\n", "entries", "import", "write files", "per entry", "imported");
    for (int n : counts) {
        std::string archive = MakeArchive(n);
        std::vector<double> imports, writes;
        bool imported = !archive.empty();
        for (int run = 0; run < kRuns; run++) {
            bool ok = false;
            imports.push_back(ImportOnce(data, archive, &ok));
            imported = imported && ok;
            writes.push_back(WriteOnce(data, n));
        }
        double ms = Percentile(imports, 0.5);
        printf("%8d %12.1f %14.1f %12.3f %10s\n", n, ms, Percentile(writes, 0.5), ms / n, imported ? "yes" : "NO");
        fflush(stdout);
    }
    RemoveFolder(folder);
    return 0;
}
