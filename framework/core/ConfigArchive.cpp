// ConfigArchive.cpp - configuration records in and out of their one-entry encrypted ZIP files.
#include "framework/core/ConfigRecord.h"

#include "framework/core/ConfigKeyIndex.h"
#include "framework/core/RecordFile.h"
#include "framework/core/TextUtil.h"
#include "framework/core/ZipArchive.h"

#include <stdarg.h>
#include <stdlib.h>

int32_t LoadRecordArchive(ConfigRecord* record, const char* path)
{
    // A file held for a moment by another process is waited for, not taken as damaged.
    if (ProbeRecordFile(path) != RECORD_FILE_READY) return CFG_ERR_ARCHIVE;
    ZipHandle* zip = OpenZipArchive(path, 0, CONFIG_RECORD_PASSWORD);
    if (!zip) return CFG_ERR_ARCHIVE;
    ZipEntryInfo info;
    int32_t result;
    if (GetZipEntry(zip, 0, &info) != ZIP_OK) {
        result = CFG_ERR_ENTRY;
    } else if (info.uncompressedSize > CONFIG_TEXT_MAX) {
        result = CFG_ERR_MEMORY;   // the size is the archive's claim: never allocate on trust
    } else {
        uint32_t size = info.uncompressedSize;
        char* block = (char*)malloc(size ? size : 1);
        if (!block) {
            result = CFG_ERR_MEMORY;
        } else if (UnzipEntry(zip, 0, block, size, ZIP_KIND_MEMORY) != ZIP_OK) {
            free(block);
            result = CFG_ERR_EXTRACT;
        } else {
            FreeConfigKeyIndex(&record->keyIndex);
            FreeGrowArray(&record->text);
            record->text.data = block;
            record->text.count = (int32_t)size;
            record->text.capacity = size ? (int32_t)size : 1;
            record->text.notOwned = 0;
            record->value = nullptr;
            record->recordNumber = (int32_t)strtol(info.name, nullptr, 10);
            record->readPosition = 0;
            result = (int32_t)size;
        }
    }
    CloseZipReader(zip);
    return result;
}

int32_t SaveRecordArchive(ConfigRecord* record, const char* path)
{
    uint32_t length = (uint32_t)record->text.count;
    // Room for the headers, and for deflate's worst case on data that does
    // not compress (a few bytes per 16 KB), so no record is too big to save.
    uint32_t blockSize = length + (length >> 11) + 512;
    ZipHandle* zip = CreateZipArchive(nullptr, blockSize, ZIP_KIND_MEMORY, CONFIG_RECORD_PASSWORD);
    if (!zip) return CFG_ERR_ARCHIVE;
    char name[16];
    FormatText(name, sizeof(name), "%d", (int)record->recordNumber);
    int32_t result;
    const uint8_t* archive = nullptr;
    uint32_t archiveSize = 0;
    if (AddZipEntry(zip, name, record->text.data, length, ZIP_KIND_MEMORY) != ZIP_OK) {
        result = CFG_ERR_ENTRY;
    } else if (WriteZipCentralDirectory(zip) != ZIP_OK ||
               GetZipArchiveBlock(zip, &archive, &archiveSize) != ZIP_OK) {
        result = CFG_ERR_MEMORY;
    } else if (ReplaceWholeFile(path, archive, archiveSize) != archiveSize) {
        result = CFG_ERR_MEMORY;   // the old file is still there, untouched
    } else {
        result = (int32_t)archiveSize;
    }
    CloseZipWriter(zip);
    return result;
}

static void BuildFormattedRecordPath(char* path, const char* nameFormat, int number,
                                     int folderChoice, va_list args)
{
    char name[MAX_PATH];
    path[0] = '\0';
    if (!FormatTextV(name, sizeof(name), nameFormat, args)) return;
    BuildRecordPath(name, number, path, folderChoice);
}

int32_t LoadRecordFile(ConfigRecord* record, const char* nameFormat, int number, int folderChoice,
                       ...)
{
    char path[MAX_PATH];
    va_list args;
    va_start(args, folderChoice);
    BuildFormattedRecordPath(path, nameFormat, number, folderChoice, args);
    va_end(args);
    if (!path[0]) return CFG_ERR_ARCHIVE;
    return LoadRecordArchive(record, path);
}

int32_t SaveRecordFile(ConfigRecord* record, const char* nameFormat, int number, int folderChoice,
                       ...)
{
    char path[MAX_PATH];
    va_list args;
    va_start(args, folderChoice);
    BuildFormattedRecordPath(path, nameFormat, number, folderChoice, args);
    va_end(args);
    if (!path[0]) return CFG_ERR_ARCHIVE;
    return SaveRecordArchive(record, path);
}
