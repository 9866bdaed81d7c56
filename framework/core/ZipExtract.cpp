// ZipExtract.cpp - extracting entries to memory, open files and named files.
#include "framework/core/ZipInternal.h"

#include "framework/core/RecordFile.h"
#include "framework/core/TextUtil.h"

#include <stdlib.h>
#include <string.h>

// "\x", "/x" and "C:\x"; a drive-relative "C:x" is not, and is refused as a name.
static bool IsAbsolutePath(const char* path)
{
    char c = path[0];
    bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    return IsPathSeparator(c) || (letter && path[1] == ':' && IsPathSeparator(path[2]));
}

static void TrimTrailingSeparators(char* path)
{
    size_t n = strlen(path);
    while (n > 0 && IsPathSeparator(path[n - 1])) path[--n] = '\0';
}

bool EnsureFolderPath(const char* root, const char* path)
{
    char full[MAX_PATH] = {};
    if (root && root[0]) {
        char top[MAX_PATH];
        if (!CopyText(top, sizeof(top), root)) return false;
        TrimTrailingSeparators(top);
        if (top[0] && !FolderExists(top) && CreateDirectoryTree(top) != 0) return false;
        if (!CopyText(full, sizeof(full), root)) return false;
        size_t n = strlen(full);
        if (n > 0 && !IsPathSeparator(full[n - 1]) && !AppendText(full, sizeof(full), "\\"))
            return false;
    }
    size_t base = strlen(full);
    if (!AppendText(full, sizeof(full), path ? path : "")) return false;
    TrimTrailingSeparators(full);
    if (strlen(full) <= base) return FolderExists(full);
    // Each parent first, then the folder itself.
    for (size_t i = base + 1; full[i]; i++) {
        if (!IsPathSeparator(full[i])) continue;
        char keep = full[i];
        full[i] = '\0';
        if (!FolderExists(full)) CreateDirectoryA(full, nullptr);
        full[i] = keep;
    }
    if (!FolderExists(full)) CreateDirectoryA(full, nullptr);
    return FolderExists(full);
}

// Every file target must lie below the root once Windows has resolved it
// (GetFullPathNameA: ".." steps, trailing points and spaces, devices). A
// relative target is joined to the root and must be a safe name itself; an
// absolute one is taken as given. *full gets the resolved path and *inside its
// part below the root, which must be a safe name too.
static uint32_t ResolveTarget(const ZipReader* reader, const char* target, char* full,
                              const char** inside)
{
    if (!target[0] || !reader->root[0]) return ZIP_ERR_ARGS;
    bool absolute = IsAbsolutePath(target);
    if (!absolute && !IsSafeEntryName(target)) return ZIP_ERR_ARGS;
    char joined[MAX_PATH];
    if (!FormatText(joined, sizeof(joined), "%s%s", absolute ? "" : reader->root, target))
        return ZIP_ERR_OPEN;
    for (char* p = joined; *p; p++)
        if (*p == '/') *p = '\\';
    DWORD n = GetFullPathNameA(joined, MAX_PATH, full, nullptr);
    if (n == 0 || n >= MAX_PATH) return ZIP_ERR_OPEN;
    // The root ends with a backslash, so the prefix ends on a separator.
    size_t rootLength = strlen(reader->root);
    if (strlen(full) <= rootLength || _strnicmp(full, reader->root, rootLength) != 0)
        return ZIP_ERR_ARGS;
    *inside = full + rootLength;
    return IsSafeEntryName(*inside) ? ZIP_OK : ZIP_ERR_ARGS;
}

static uint32_t ExtractToMemory(ZipReader* reader, int32_t index, void* target, uint32_t length)
{
    if ((!target && length) || index < 0 || index >= reader->entryCount) return ZIP_ERR_ARGS;
    if (index != reader->openIndex) {
        CloseOpenZipEntry(reader);
        if (!GoToZipEntry(reader, index)) return ZIP_ERR_DATA;
        uint32_t rc = OpenCurrentZipEntry(reader, index);
        if (rc != ZIP_OK) return rc;
    }
    uint32_t got = 0;
    return ReadOpenZipEntry(reader, (uint8_t*)target, length, &got);
}

// Copies the open entry into the file in pieces.
static uint32_t CopyEntryToFile(ZipReader* reader, HANDLE out)
{
    for (;;) {
        uint32_t got = 0;
        uint32_t rc = ReadOpenZipEntry(reader, reader->buffer, ZIP_PIECE_SIZE, &got);
        if (rc != ZIP_OK && rc != ZIP_MORE_DATA) return rc;
        DWORD written = 0;
        if (got > 0 && (!WriteFile(out, reader->buffer, got, &written, nullptr) || written != got)) {
            CloseOpenZipEntry(reader);
            return ZIP_ERR_WRITE;
        }
        if (rc == ZIP_OK) return ZIP_OK;
    }
}

static uint32_t ExtractToFile(ZipReader* reader, ZipHandle* handle, int32_t index, void* target,
                              int kind)
{
    if (index < 0) return ZIP_ERR_ARGS;
    ZipEntryInfo info;
    uint32_t rc = GetZipEntry(handle, index, &info);
    if (rc != ZIP_OK) return rc;
    bool folder = (info.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;

    HANDLE out = (HANDLE)target;
    char path[MAX_PATH] = {};
    const char* inside = nullptr;
    if (kind == ZIP_KIND_HANDLE) {
        if (!out || out == INVALID_HANDLE_VALUE) return ZIP_ERR_OPEN;
        if (folder) return ZIP_OK;
    } else {
        if (!target) return ZIP_ERR_ARGS;
        rc = ResolveTarget(reader, (const char*)target, path, &inside);
        if (rc != ZIP_OK) return rc;
        if (folder) return EnsureFolderPath(reader->root, inside) ? ZIP_OK : ZIP_ERR_OPEN;
    }

    if (!reader->buffer) {
        reader->buffer = (uint8_t*)malloc(ZIP_PIECE_SIZE);
        if (!reader->buffer) return ZIP_ERR_DATA;
    }
    // Open (and check the password) before the target file is touched, so a
    // wrong password leaves an existing file as it was.
    if (!GoToZipEntry(reader, index)) return ZIP_ERR_DATA;
    rc = OpenCurrentZipEntry(reader, index);
    if (rc != ZIP_OK) return rc;

    if (kind == ZIP_KIND_FILE) {
        // The folders below the root first: a name without one still needs the root.
        char folderPart[MAX_PATH];
        CopyText(folderPart, sizeof(folderPart), inside);
        char* cut = folderPart;
        for (char* p = folderPart; *p; p++)
            if (IsPathSeparator(*p)) cut = p;
        *cut = '\0';
        if (!EnsureFolderPath(reader->root, folderPart)) {
            CloseOpenZipEntry(reader);
            return ZIP_ERR_OPEN;
        }
        out = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                          nullptr);
        if (out == INVALID_HANDLE_VALUE) {
            CloseOpenZipEntry(reader);
            return ZIP_ERR_OPEN;
        }
    }
    rc = CopyEntryToFile(reader, out);
    if (rc == ZIP_OK) SetFileTime(out, &info.creationTime, &info.lastAccessTime, &info.lastWriteTime);
    if (kind == ZIP_KIND_FILE) {
        if (!CloseHandle(out) && rc == ZIP_OK) rc = ZIP_ERR_WRITE;
        if (rc != ZIP_OK) {
            DeleteFileA(path);   // never leave half an entry behind
        } else {
            // Set last: a read-only file could not have been cleaned up.
            DWORD keep = info.attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                            FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE);
            if (keep) SetFileAttributesA(path, keep);
        }
    }
    return rc;
}

uint32_t UnzipEntry(ZipHandle* handle, int32_t index, void* target, uint32_t length, int kind)
{
    ZipReader* reader = ReaderOfHandle(handle);
    if (!reader) return GetZipReaderError();
    if (kind == ZIP_KIND_MEMORY)
        return SetZipReaderError(ExtractToMemory(reader, index, target, length));
    if (kind != ZIP_KIND_HANDLE && kind != ZIP_KIND_FILE) return SetZipReaderError(ZIP_ERR_ARGS);
    return SetZipReaderError(ExtractToFile(reader, handle, index, target, kind));
}
