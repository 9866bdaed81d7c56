// AppImport.cpp - importing a configuration archive left for this start: the
// archive is checked whole before the data folder is cleared and refilled; one
// that fails the check is kept aside, never imported, for the program to report.
#include "framework/core/AppObject.h"
#include "framework/core/AppStartup.h"
#include "framework/core/ConfigEntries.h"
#include "framework/core/FolderWalk.h"
#include "framework/core/TextUtil.h"
#include "framework/core/ZipArchive.h"

#include <shellapi.h>
#include <stdlib.h>
#include <string.h>

// A data folder holds a few hundred small records; an archive that would
// unpack to more is not one of ours (a 612 KB archive once unpacked to 601 MB).
static const int32_t  kMaxEntries = 4096;
static const uint32_t kMaxEntryBytes = 64u << 20;
static const uint64_t kMaxTotalBytes = 64u << 20;
static const uint32_t kKeepListBytes = 2599;
static const uint32_t kReadBackBytes = 64u << 10;

static void Lower(char* s)
{
    for (; *s; s++)
        if (*s >= 'A' && *s <= 'Z') *s = (char)(*s + 32);
}

// File names are matched without regard to case, as Windows names are.
static bool MatchesKeepList(const char* fileName, const char* keepList)
{
    char name[MAX_PATH];
    CopyText(name, sizeof(name), fileName);
    Lower(name);
    for (const char* p = keepList; *p;) {
        const char* end = strchr(p, ';');
        size_t n = end ? (size_t)(end - p) : strlen(p);
        char pattern[MAX_PATH];
        CopyTextN(pattern, sizeof(pattern), p, n);
        TrimChars(pattern, " ");
        Lower(pattern);
        if (pattern[0] && WildcardMatch(pattern, name)) return true;
        if (!end) break;
        p = end + 1;
    }
    return false;
}

static void DeleteToRecycler(const char* path)
{
    char from[MAX_PATH + 1] = {};
    if (!CopyText(from, MAX_PATH, path)) return;
    from[strlen(from) + 1] = '\0';   // the list ends with two NULs
    SHFILEOPSTRUCTA op = {};
    op.wFunc = FO_DELETE;
    op.pFrom = from;
    op.fFlags = 0x0654;   // silent, no confirmation, allow undo, no error UI
    SHFileOperationA(&op);
}

static const char kRefusedSuffix[] = ".refused-";

// Only record files are configuration: the log, backups kept in the data
// folder (this archive and refused ones too), the files of the per-desktop
// folders and anything else of the user's stay, whatever keep list the
// archive brings.
static void DeleteUnkeptEntry(const char* path, const char*, const WIN32_FIND_DATAA* entry, void* context)
{
    const char* keepList = (const char*)context;
    if (entry->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return;
    if (!MatchesKeepList(entry->cFileName, "*.zpx") || MatchesKeepList(entry->cFileName, keepList)) return;
    DeleteToRecycler(path);
}

// Names and sizes from the directory first, so that nothing is inflated for an
// archive that is too large or names what Restore would refuse; then every
// entry but the product's must read back whole (sizes, password, CRC).
// CONFIG_REFUSED_* or 0.
static uint32_t CheckArchive(ZipHandle* zip, int32_t count, int32_t productEntry)
{
    if (count > kMaxEntries) return CONFIG_REFUSED_SIZE;
    uint64_t total = 0;
    char stored[MAX_PATH];
    for (int32_t i = 0; i < count; i++) {
        if (i == productEntry) continue;
        ZipEntryInfo info;
        int check = CheckConfigEntry(zip, i, &info, stored);
        if (check == CONFIG_ENTRY_UNREADABLE) return CONFIG_REFUSED_DATA;
        if (check != CONFIG_ENTRY_OK) return CONFIG_REFUSED_NAME;
        total += info.uncompressedSize;
        if (info.uncompressedSize > kMaxEntryBytes || total > kMaxTotalBytes) return CONFIG_REFUSED_SIZE;
    }
    uint8_t* block = (uint8_t*)malloc(kReadBackBytes);
    if (!block) return CONFIG_REFUSED_DATA;
    uint32_t refused = 0;
    for (int32_t i = 0; i < count && !refused; i++) {
        if (i == productEntry) continue;
        uint32_t rc;
        do {
            rc = UnzipEntry(zip, i, block, kReadBackBytes, ZIP_KIND_MEMORY);
        } while (rc == ZIP_MORE_DATA);
        if (rc != 0) refused = CONFIG_REFUSED_DATA;
    }
    free(block);
    return refused;
}

// Every entry was checked: a record file under the name it was stored with.
static void ExtractAll(ZipHandle* zip, int32_t count, int32_t productEntry)
{
    for (int32_t i = 0; i < count; i++) {
        if (i == productEntry) continue;
        ZipEntryInfo info = {};
        if (GetZipEntry(zip, i, &info) == 0) UnzipEntry(zip, i, info.name, 0, ZIP_KIND_FILE);
    }
}

// Renames a refused archive aside, under a name no loader lists and no later
// start imports, and records why for the program entry to report.
static void KeepRefusedArchive(AppObject* app, const char* path, uint32_t reason)
{
    app->configRefused = reason;
    SYSTEMTIME t;
    GetLocalTime(&t);
    char kept[MAX_PATH];
    for (int n = 1; n < 100; n++) {
        char suffix[8] = "";
        if (n > 1) FormatText(suffix, sizeof(suffix), "-%d", n);
        if (!FormatText(kept, sizeof(kept), "%s%s%04d%02d%02d-%02d%02d%02d%s", path, kRefusedSuffix,
                        t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, suffix))
            break;
        if (MoveFileA(path, kept)) {
            CopyText(app->configKeptPath, sizeof(app->configKeptPath), kept);
            return;
        }
        DWORD error = GetLastError();
        if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS) break;
    }
    DeleteFileA(path);   // one that cannot be kept must still not come back
}

void ImportConfigArchive(AppObject* app)
{
    app->configRefused = 0;
    app->configKeptPath[0] = '\0';
    char path[MAX_PATH];
    if (!FormatText(path, sizeof(path), "%s\\%s.%s", app->dataFolder, app->productName, "BrimvaleConfig"))
        return;
    if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES) return;

    // Not an archive, or not this product's: only deleted.
    ZipHandle* zip = OpenZipArchive(path, 0, nullptr);
    int32_t productEntry = -1;
    ZipEntryInfo count = {};
    uint32_t refused = 0;
    if (zip && FindZipEntry(zip, app->productName, 0, &productEntry) == 0 &&
        GetZipEntry(zip, -1, &count) == 0) {
        char keepList[kKeepListBytes + 1] = {};
        char root[MAX_PATH];
        uint32_t rc = UnzipEntry(zip, productEntry, keepList, kKeepListBytes, ZIP_KIND_MEMORY);
        if ((rc != 0 && rc != ZIP_MORE_DATA) || !FormatText(root, sizeof(root), "%s\\", app->dataFolder) ||
            SetZipReaderRoot(zip, root) != 0)
            refused = CONFIG_REFUSED_DATA;
        else
            refused = CheckArchive(zip, count.index, productEntry);
        if (!refused) {
            keepList[kKeepListBytes] = '\0';
            WalkFolder(app->dataFolder, DeleteUnkeptEntry, keepList);
            ExtractAll(zip, count.index, productEntry);
            app->configImported = 1;
        }
    }
    if (zip) CloseZipReader(zip);
    if (refused)
        KeepRefusedArchive(app, path, refused);
    else
        DeleteFileA(path);
}
