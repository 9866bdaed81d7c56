// ProfileSet.cpp - the profile set written beside the old one and switched in by a journal.
#include "engine/ProfileSet.h"

#include "framework/core/AppObject.h"
#include "framework/core/RecordFile.h"
#include "framework/core/TextUtil.h"

#include <ctype.h>
#include <stdlib.h>
#include <string.h>

#define SET_FOLDER  "ProfileSet.new"
#define SET_JOURNAL "ProfileSet.switch"

// Largest journal: one line per old file; anything bigger is not ours.
#define JOURNAL_MAX_BYTES (4u * 1024u * 1024u)

int ProfileFileKind(const char* fileName, int32_t* number)
{
    *number = -1;
    size_t length = strlen(fileName);
    if (length < 12 || _strnicmp(fileName, "Profile", 7) != 0 || _stricmp(fileName + length - 4, ".zpx") != 0)
        return PROFILE_FILE_NONE;
    const char* middle = fileName + 7;
    size_t middleLength = length - 11;
    if (middle[0] == '-') return PROFILE_FILE_SHORT;
    for (size_t i = 0; i < middleLength; i++)
        if (!isdigit((unsigned char)middle[i])) return PROFILE_FILE_NONE;
    if (middleLength <= 9 && (middle[0] != '0' || middleLength == 1)) *number = (int32_t)atol(middle);
    return PROFILE_FILE_NUMBERED;
}

static bool DataPath(char* out, const char* name)
{
    return g_app.dataFolder[0] && FormatText(out, MAX_PATH, "%s\\%s", g_app.dataFolder, name);
}

static bool SetFilePath(char* out, const char* name)
{
    return g_app.dataFolder[0] && FormatText(out, MAX_PATH, "%s\\" SET_FOLDER "\\%s", g_app.dataFolder, name);
}

static bool Exists(const char* path)
{
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

void ProfileSetPath(int32_t number, char* out)
{
    char name[32];
    FormatText(name, sizeof(name), "Profile%d.zpx", (int)number);
    if (!SetFilePath(out, name)) out[0] = '\0';
}

// The names of the folder's files that match the pattern (no folders), listed
// before anything is moved or deleted so that no change disturbs the search.
static bool ListFiles(const char* folder, const char* pattern, GrowArray<ProfileFileName>* names)
{
    char search[MAX_PATH];
    if (!FormatText(search, sizeof(search), "%s\\%s", folder, pattern)) return false;
    WIN32_FIND_DATAA fd;
    HANDLE find = FindFirstFileA(search, &fd);
    if (find == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;
    bool ok = true;
    do {
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        ProfileFileName entry = {};
        CopyText(entry.name, sizeof(entry.name), fd.cFileName);
        if (ArrayAppend(names, &entry) < 0) ok = false;
    } while (ok && FindNextFileA(find, &fd));
    FindClose(find);
    return ok;
}

void DropProfileSet()
{
    char folder[MAX_PATH], path[MAX_PATH];
    if (!DataPath(folder, SET_FOLDER) || !Exists(folder)) return;
    GrowArray<ProfileFileName> names;
    InitGrowArray(&names);
    ListFiles(folder, "*", &names);
    for (int32_t i = 0; i < names.count; i++)
        if (SetFilePath(path, names.data[i].name)) DeleteFileA(path);
    FreeGrowArray(&names);
    RemoveDirectoryA(folder);
}

// The journal's file names, one a line; false when it cannot be read.
static bool ReadJournal(const char* path, GrowArray<ProfileFileName>* names)
{
    HANDLE h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size;
    char* text = nullptr;
    DWORD got = 0;
    bool ok = GetFileSizeEx(h, &size) && size.QuadPart <= (LONGLONG)JOURNAL_MAX_BYTES &&
              (text = (char*)malloc((size_t)size.QuadPart + 1)) != nullptr &&
              ReadFile(h, text, (DWORD)size.QuadPart, &got, nullptr) && got == (DWORD)size.QuadPart;
    CloseHandle(h);
    if (ok) {
        text[got] = '\0';
        for (char* line = strtok(text, "\r\n"); line; line = strtok(nullptr, "\r\n")) {
            ProfileFileName entry = {};
            if (CopyText(entry.name, sizeof(entry.name), line)) ArrayAppend(names, &entry);
        }
    }
    free(text);
    return ok;
}

// Moves every file of the new set into the data folder, then deletes the
// files the journal names. Repeating it after a crash in the middle is safe:
// a file already moved is no longer in the new set's folder.
static bool RollForward(const char* journal)
{
    char folder[MAX_PATH], from[MAX_PATH], to[MAX_PATH];
    if (!DataPath(folder, SET_FOLDER)) return false;
    GrowArray<ProfileFileName> fresh;
    InitGrowArray(&fresh);
    bool moved = !Exists(folder) || ListFiles(folder, "*", &fresh);
    for (int32_t i = 0; moved && i < fresh.count; i++) {
        int32_t number;
        const char* name = fresh.data[i].name;
        if (ProfileFileKind(name, &number) != PROFILE_FILE_NUMBERED) continue;
        moved = SetFilePath(from, name) && DataPath(to, name) &&
                MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    }
    FreeGrowArray(&fresh);
    if (!moved) return false;
    GrowArray<ProfileFileName> old;
    InitGrowArray(&old);
    ReadJournal(journal, &old);
    for (int32_t i = 0; i < old.count; i++) {
        int32_t number;
        // Only ever a profile file: the journal is ours, but it is a file on disk.
        if (ProfileFileKind(old.data[i].name, &number) == PROFILE_FILE_NONE) continue;
        if (DataPath(to, old.data[i].name)) DeleteFileA(to);
    }
    FreeGrowArray(&old);
    if (!DeleteFileA(journal) && Exists(journal)) return false;
    DropProfileSet();
    return true;
}

bool FinishProfileSetSwitch(bool importedSince)
{
    char journal[MAX_PATH], temp[MAX_PATH];
    if (!DataPath(journal, SET_JOURNAL)) return false;
    if (FormatText(temp, sizeof(temp), "%s_tmp", journal)) DeleteFileA(temp);
    if (Exists(journal) && !importedSince) return RollForward(journal);
    DeleteFileA(journal);
    DropProfileSet();
    return !Exists(journal);
}

bool BeginProfileSet()
{
    if (!FinishProfileSetSwitch(false)) return false;
    char folder[MAX_PATH];
    if (!DataPath(folder, SET_FOLDER)) return false;
    return CreateDirectoryTree(folder) == 0;
}

static bool IsHeld(const char* name, const GrowArray<ProfileFileName>* held)
{
    for (int32_t i = 0; i < held->count; i++)
        if (_stricmp(held->data[i].name, name) == 0) return true;
    return false;
}

// The files the switch deletes: every profile file that is neither in the new
// set nor held, and the retired short forms.
static bool ListOldFiles(int32_t end, const GrowArray<ProfileFileName>* held,
                         const GrowArray<ProfileFileName>* retire, GrowArray<char>* text)
{
    GrowArray<ProfileFileName> names;
    InitGrowArray(&names);
    bool ok = ListFiles(g_app.dataFolder, "Profile*", &names);
    for (int32_t i = 0; ok && i < names.count + retire->count; i++) {
        const char* name = i < names.count ? names.data[i].name : retire->data[i - names.count].name;
        int32_t number;
        int kind = ProfileFileKind(name, &number);
        if (kind == PROFILE_FILE_NONE || IsHeld(name, held)) continue;
        if (i < names.count && kind != PROFILE_FILE_NUMBERED) continue;   // short forms only when retired
        if (kind == PROFILE_FILE_NUMBERED && number >= 0 && number < end) continue;   // replaced
        ok = ArrayAppendN(text, name, (int32_t)strlen(name)) >= 0 && ArrayAppendN(text, "\r\n", 2) >= 0;
    }
    FreeGrowArray(&names);
    return ok;
}

bool CommitProfileSet(int32_t end, const GrowArray<ProfileFileName>* held,
                      const GrowArray<ProfileFileName>* retire)
{
    char journal[MAX_PATH];
    GrowArray<char> text;
    InitGrowArray(&text);
    bool listed = DataPath(journal, SET_JOURNAL) && ListOldFiles(end, held, retire, &text);
    // The journal lands whole (written, flushed, then moved) or not at all.
    bool written = listed && ReplaceWholeFile(journal, text.data ? text.data : "", (uint32_t)text.count) ==
                                 (uint32_t)text.count;
    FreeGrowArray(&text);
    if (!written) {
        DropProfileSet();
        return false;
    }
    return RollForward(journal);
}
