// RecordFile.cpp - record paths, safe replacement, folder creation, raw reads.
#include "framework/core/RecordFile.h"

#include "framework/core/AppObject.h"
#include "framework/core/TextUtil.h"

#include <shlobj.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

void BuildRecordPath(const char* name, int number, char* out, int folderChoice)
{
    out[0] = '\0';
    const char* folder =
        folderChoice == RECORD_FOLDER_COMMON ? g_app.commonDataFolder : g_app.dataFolder;
    if (!folder[0] || !name) return;
    char fileName[MAX_PATH];
    if (number == -1)
        CopyText(fileName, sizeof(fileName), name);
    else
        FormatText(fileName, sizeof(fileName), "%s%d", name, number);
    if (!FormatText(out, MAX_PATH, "%s\\%s.zpx", folder, fileName)) out[0] = '\0';
}

bool FolderExists(const char* path)
{
    DWORD a = GetFileAttributesA(path);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

int CreateDirectoryTree(const char* path)
{
    char work[520];
    CopyText(work, sizeof(work), path);
    size_t len = strlen(work);
    while (len > 0 && work[len - 1] == '\\') work[--len] = '\0';   // "C:\a\" is "C:\a"
    if (!work[0]) return 2;
    if (FolderExists(work)) return 0;

    // Walk up to the deepest level that exists, remembering each cut.
    size_t cuts[130];
    int ncuts = 0;
    for (;;) {
        char* slash = strrchr(work, '\\');
        if (!slash || ncuts == (int)(sizeof(cuts) / sizeof(cuts[0]))) break;
        *slash = '\0';
        cuts[ncuts++] = (size_t)(slash - work);
        if (!work[0] || FolderExists(work)) break;
    }
    // Walk down, creating each level.
    while (ncuts > 0) {
        work[cuts[--ncuts]] = '\\';
        CreateDirectoryA(work, nullptr);
        if (!FolderExists(work)) {
            Sleep(100);
            return 1;
        }
    }
    if (!FolderExists(work) && !CreateDirectoryA(work, nullptr)) return 1;
    return FolderExists(work) ? 0 : 1;
}

// flush: the data reaches the disk before the file is closed, so a file that
// replaces another is never an empty or partial one after a crash.
static uint32_t WriteFileOnce(const char* path, const void* data, uint32_t length, bool flush)
{
    if (!path || !path[0]) return 0;
    HANDLE h = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        char folder[MAX_PATH];
        CopyText(folder, sizeof(folder), path);
        char* slash = strrchr(folder, '\\');
        if (!slash) return 0;
        *slash = '\0';
        if (!FolderExists(folder)) CreateDirectoryTree(folder);
        h = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                        FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) return 0;
    }
    DWORD written = 0;
    BOOL ok = length == 0 || WriteFile(h, data, length, &written, nullptr);
    if (ok && flush && !FlushFileBuffers(h)) ok = FALSE;
    // A close that fails may have lost buffered data: count nothing as written.
    if (!CloseHandle(h)) return 0;
    return ok ? written : 0;
}

uint32_t WriteWholeFile(const char* path, const void* data, uint32_t length)
{
    return WriteFileOnce(path, data, length, false);
}

uint32_t SaveRecord(const char* name, int number, const void* data, uint32_t length)
{
    char path[MAX_PATH];
    BuildRecordPath(name, number, path, RECORD_FOLDER_DATA);
    return ReplaceWholeFile(path, data, length);
}

uint32_t ReplaceWholeFile(const char* path, const void* data, uint32_t length)
{
    char temp[MAX_PATH];
    if (!path || !path[0] || !FormatText(temp, sizeof(temp), "%s_tmp", path)) return 0;
    if (WriteFileOnce(temp, data, length, true) != length) {
        DeleteFileA(temp);
        return 0;
    }
    if (!MoveFileExA(temp, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileA(temp);
        return 0;
    }
    return length;
}

// Another process (a backup, a virus scanner, an editor) may hold the file
// for a moment without sharing it: such a file is tried again for a while
// before it counts as unreadable.
static HANDLE OpenForReading(const char* path)
{
    DWORD start = GetTickCount();
    for (;;) {
        HANDLE h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE) return h;
        DWORD error = GetLastError();
        if (error != ERROR_SHARING_VIOLATION && error != ERROR_LOCK_VIOLATION) return h;
        if (GetTickCount() - start >= RECORD_LOCK_WAIT_MS) return h;
        Sleep(50);
    }
}

int ProbeRecordFile(const char* path)
{
    if (!path || !path[0]) return RECORD_FILE_MISSING;
    HANDLE h = OpenForReading(path);
    if (h != INVALID_HANDLE_VALUE) {
        CloseHandle(h);
        return RECORD_FILE_READY;
    }
    return GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES ? RECORD_FILE_MISSING
                                                                : RECORD_FILE_HELD;
}

uint32_t ReadRecordFile(const char* name, void* buffer, uint32_t size)
{
    if (!name || !g_app.dataFolder[0]) return 0;
    char path[MAX_PATH];
    if (!FormatText(path, sizeof(path), "%s\\%s.zpx", g_app.dataFolder, name)) return 0;
    HANDLE h = OpenForReading(path);
    if (h == INVALID_HANDLE_VALUE) return 0;
    uint32_t result = 0;
    if (buffer) {
        DWORD got = 0;
        if (ReadFile(h, buffer, size, &got, nullptr)) result = got;
    } else {
        LARGE_INTEGER li;
        if (GetFileSizeEx(h, &li))
            result = li.QuadPart > (LONGLONG)RECORD_MAX_BYTES ? 0 : (uint32_t)li.QuadPart;
    }
    CloseHandle(h);
    return result;
}

uint32_t LoadRecord(const char* name, int number, void** block)
{
    char fileName[MAX_PATH];
    if (!name) return 0;
    if (number == -1)
        CopyText(fileName, sizeof(fileName), name);
    else
        FormatText(fileName, sizeof(fileName), "%s%d", name, number);
    uint32_t size = ReadRecordFile(fileName, nullptr, 0);
    if (size == 0) return 0;
    if (!block) return size;
    void* data = malloc(size);
    if (!data) return 0;
    uint32_t got = ReadRecordFile(fileName, data, size);
    if (got == 0) {
        free(data);
        return 0;
    }
    *block = data;
    return got;
}

void GetSpecialFolderPath(int csidl, char* buffer)
{
    buffer[0] = '\0';
    PIDLIST_ABSOLUTE items = nullptr;
    if (SHGetSpecialFolderLocation(nullptr, csidl, &items) != S_OK || !items) return;
    char path[MAX_PATH] = {};
    if (!SHGetPathFromIDListA(items, path)) path[0] = '\0';
    CoTaskMemFree(items);
    CopyText(buffer, MAX_PATH, path);
}
