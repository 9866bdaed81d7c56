// AppImport.cpp - importing a configuration archive left for this start: the
// archive is checked whole before the data folder is cleared and refilled.
#include "framework/core/AppObject.h"
#include "framework/core/AppStartup.h"
#include "framework/core/FolderWalk.h"
#include "framework/core/TextUtil.h"
#include "framework/core/ZipArchive.h"

#include <shellapi.h>
#include <stdlib.h>
#include <string.h>

// Largest entry tried in memory before anything is deleted.
static const uint32_t kEntryCheckLimit = 64u * 1024u * 1024u;
static const uint32_t kKeepListBytes = 2599;

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

struct UnkeptFiles {
    const char* keepList;
    const char* spare;   // the archive itself, deleted once the import is done
};

static void DeleteUnkeptEntry(const char* path, const char*, const WIN32_FIND_DATAA* entry, void* context)
{
    const UnkeptFiles* u = (const UnkeptFiles*)context;
    if (entry->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return;
    if (_stricmp(path, u->spare) != 0 && !MatchesKeepList(entry->cFileName, u->keepList)) DeleteToRecycler(path);
}

// Every entry but the product's must read back whole (sizes, password, CRC).
static bool ArchiveReadsBack(ZipHandle* zip, int32_t count, int32_t productEntry)
{
    for (int32_t i = 0; i < count; i++) {
        if (i == productEntry) continue;
        ZipEntryInfo info = {};
        if (GetZipEntry(zip, i, &info) != 0) return false;
        if (info.attributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        if (!info.name[0] || info.uncompressedSize > kEntryCheckLimit) return false;
        void* block = malloc(info.uncompressedSize ? info.uncompressedSize : 1);
        if (!block) return false;
        uint32_t rc = UnzipEntry(zip, i, block, info.uncompressedSize, ZIP_KIND_MEMORY);
        free(block);
        if (rc != 0) return false;
    }
    return true;
}

static void ExtractAll(ZipHandle* zip, const char* root, int32_t count, int32_t productEntry)
{
    for (int32_t i = 0; i < count; i++) {
        if (i == productEntry) continue;
        ZipEntryInfo info = {};
        if (GetZipEntry(zip, i, &info) != 0) continue;
        if (info.attributes & FILE_ATTRIBUTE_DIRECTORY)
            EnsureFolderPath(root, info.name);
        else
            UnzipEntry(zip, i, info.name, 0, ZIP_KIND_FILE);
    }
}

void ImportConfigArchive(AppObject* app)
{
    char path[MAX_PATH];
    if (!FormatText(path, sizeof(path), "%s\\%s.%s", app->dataFolder, app->productName, "BrimvaleConfig"))
        return;
    if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES) return;

    ZipHandle* zip = OpenZipArchive(path, 0, nullptr);
    int32_t productEntry = -1;
    ZipEntryInfo count = {};
    char keepList[kKeepListBytes + 1] = {};
    char root[MAX_PATH];
    bool usable = zip && FindZipEntry(zip, app->productName, 0, &productEntry) == 0 &&
                  GetZipEntry(zip, -1, &count) == 0 &&
                  FormatText(root, sizeof(root), "%s\\", app->dataFolder);
    if (usable) {
        uint32_t rc = UnzipEntry(zip, productEntry, keepList, kKeepListBytes, ZIP_KIND_MEMORY);
        usable = (rc == 0 || rc == ZIP_MORE_DATA) && ArchiveReadsBack(zip, count.index, productEntry) &&
                 SetZipReaderRoot(zip, root) == 0;
    }
    if (usable) {
        keepList[kKeepListBytes] = '\0';
        UnkeptFiles unkept = {keepList, path};
        WalkFolder(app->dataFolder, DeleteUnkeptEntry, &unkept);
        ExtractAll(zip, root, count.index, productEntry);
        app->configImported = 1;
    }
    if (zip) CloseZipReader(zip);
    DeleteFileA(path);
}
