// FolderWalk.cpp - directory searches with bounded paths that never leave the
// folder they were given.
#include "framework/core/FolderWalk.h"

#include "framework/core/TextUtil.h"

#include <stdarg.h>
#include <string.h>

// A junction or symbolic link may point anywhere, even at its own parent.
static bool IsLink(const WIN32_FIND_DATAA* entry)
{
    return (entry->dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

static bool IsDotEntry(const char* name)
{
    return strcmp(name, ".") == 0 || strcmp(name, "..") == 0;
}

//--- one search

static void SetPatternText(FileFinder* finder, const char* pattern)
{
    CloseFileFinder(finder);
    CopyText(finder->pattern, sizeof(finder->pattern), pattern);
    finder->found[0] = '\0';
    CopyText(finder->folder, sizeof(finder->folder), finder->pattern);
    char* slash = strrchr(finder->folder, '\\');
    if (slash)
        *slash = '\0';
    else
        finder->folder[0] = '\0';
}

void InitFileFinder(FileFinder* finder, const char* format, ...)
{
    memset(finder, 0, sizeof(*finder));
    finder->handle = INVALID_HANDLE_VALUE;
    va_list args;
    va_start(args, format);
    FormatTextV(finder->pattern, sizeof(finder->pattern), format, args);
    va_end(args);
}

void CloseFileFinder(FileFinder* finder)
{
    if (finder->handle != INVALID_HANDLE_VALUE && finder->handle != nullptr) FindClose(finder->handle);
    finder->handle = INVALID_HANDLE_VALUE;
}

// The formatted pattern holds file names: it is text from here on, never a
// format again.
static void SetPatternV(FileFinder* finder, const char* format, va_list args)
{
    char pattern[MAX_PATH];
    FormatTextV(pattern, sizeof(pattern), format, args);
    SetPatternText(finder, pattern);
}

void SetFileFinderPattern(FileFinder* finder, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    SetPatternV(finder, format, args);
    va_end(args);
}

bool FindFirstMatch(FileFinder* finder, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    SetPatternV(finder, format, args);
    va_end(args);
    finder->count = 0;
    finder->handle = FindFirstFileExA(finder->pattern, FindExInfoBasic, &finder->data, FindExSearchNameMatch,
                                      nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (finder->handle == INVALID_HANDLE_VALUE)
        finder->handle = FindFirstFileExA(finder->pattern, FindExInfoStandard, &finder->data,
                                          FindExSearchNameMatch, nullptr, 0);
    if (finder->handle == INVALID_HANDLE_VALUE) return false;
    CopyText(finder->found, sizeof(finder->found), finder->data.cFileName);
    finder->count = 1;
    return true;
}

//--- files matching a pattern list

static bool ListHolds(const GrowArray<FoundPath>* list, const char* path)
{
    for (int i = 0; i < list->count; i++)
        if (_stricmp(list->data[i].text, path) == 0) return true;
    return false;
}

// Appends the path unless the list holds it; true when it was added.
static bool AddOnce(GrowArray<FoundPath>* list, const char* path)
{
    if (ListHolds(list, path)) return false;
    FoundPath entry;
    CopyText(entry.text, sizeof(entry.text), path);
    return ArrayAppend(list, &entry) >= 0;
}

void InitFolderWalker(FolderWalker* walker)
{
    walker->root[0] = '\0';
    walker->patterns[0] = '\0';
    walker->separator = ';';
    InitGrowArray(&walker->files);
    InitGrowArray(&walker->folders);
}

static int ScanFolderTreeV(FolderWalker* walker, const char* root, const char* format, va_list args)
{
    CopyText(walker->root, sizeof(walker->root), root);
    FormatTextV(walker->patterns, sizeof(walker->patterns), format, args);
    return CollectMatchingFiles(walker);
}

int InitFolderWalkerWith(FolderWalker* walker, const char* root, const char* patternFormat, ...)
{
    InitFolderWalker(walker);
    va_list args;
    va_start(args, patternFormat);
    int n = ScanFolderTreeV(walker, root, patternFormat, args);
    va_end(args);
    return n;
}

int ScanFolderTree(FolderWalker* walker, const char* root, const char* patternFormat, ...)
{
    va_list args;
    va_start(args, patternFormat);
    int n = ScanFolderTreeV(walker, root, patternFormat, args);
    va_end(args);
    return n;
}

void CollectSubfolders(FolderWalker* walker, const char* folder)
{
    FileFinder finder;
    InitFileFinder(&finder, "%s", "");
    if (!FindFirstMatch(&finder, "%s\\*.*", folder)) return;
    do {
        const WIN32_FIND_DATAA* e = &finder.data;
        if (!(e->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || IsDotEntry(e->cFileName) || IsLink(e)) continue;
        char path[MAX_PATH];
        // A path that does not fit would name some other folder: skip it.
        if (!FormatText(path, sizeof(path), "%s\\%s", folder, e->cFileName)) continue;
        if (AddOnce(&walker->folders, path)) CollectSubfolders(walker, path);
    } while (FindNextFileA(finder.handle, &finder.data));
    CloseFileFinder(&finder);
}

// The files of one folder matching one pattern.
static void CollectFolderMatches(FolderWalker* walker, const char* folder, const char* pattern)
{
    FileFinder finder;
    InitFileFinder(&finder, "%s", "");
    if (!FindFirstMatch(&finder, "%s\\%s", folder, pattern)) return;
    do {
        const WIN32_FIND_DATAA* e = &finder.data;
        if ((e->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || IsLink(e)) continue;
        char path[MAX_PATH];
        if (FormatText(path, sizeof(path), "%s\\%s", folder, e->cFileName)) AddOnce(&walker->files, path);
    } while (FindNextFileA(finder.handle, &finder.data));
    CloseFileFinder(&finder);
}

int CollectMatchingFiles(FolderWalker* walker)
{
    if (!walker->root[0]) return -1;
    if (!walker->patterns[0]) return 0;
    ClearFolderWalker(walker);
    AddOnce(&walker->folders, walker->root);
    CollectSubfolders(walker, walker->root);
    char sep[2] = {walker->separator ? walker->separator : ';', '\0'};
    // Index, not pointer: the list may move while it grows.
    for (int f = 0; f < walker->folders.count; f++) {
        const char* list = walker->patterns;
        while (*list) {
            size_t n = strcspn(list, sep);
            char pattern[MAX_PATH];
            if (n > 0 && CopyTextN(pattern, sizeof(pattern), list, n)) {
                char folder[MAX_PATH];
                CopyText(folder, sizeof(folder), walker->folders.data[f].text);
                CollectFolderMatches(walker, folder, pattern);
            }
            list += n;
            if (*list) list++;
        }
    }
    return walker->files.count;
}

void ClearFolderWalker(FolderWalker* walker)
{
    FreeGrowArray(&walker->files);
    FreeGrowArray(&walker->folders);
}

//--- visiting everything below a folder

static void Walk(const char* folder, const char* relative, int depth, FolderVisitor visit, void* context)
{
    if (depth > 32) return;
    FileFinder finder;
    InitFileFinder(&finder, "%s", "");
    if (!FindFirstMatch(&finder, "%s\\*.*", folder)) return;
    do {
        const WIN32_FIND_DATAA* fd = &finder.data;
        if (IsDotEntry(fd->cFileName)) continue;
        char path[MAX_PATH], rel[MAX_PATH];
        if (!FormatText(path, sizeof(path), "%s\\%s", folder, fd->cFileName)) continue;
        if (!(relative[0] ? FormatText(rel, sizeof(rel), "%s\\%s", relative, fd->cFileName)
                          : CopyText(rel, sizeof(rel), fd->cFileName)))
            continue;
        visit(path, rel, fd, context);
        if ((fd->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !IsLink(fd))
            Walk(path, rel, depth + 1, visit, context);
    } while (FindNextFileA(finder.handle, &finder.data));
    CloseFileFinder(&finder);
}

void WalkFolder(const char* folder, FolderVisitor visit, void* context)
{
    if (folder && folder[0] && visit) Walk(folder, "", 0, visit, context);
}
