// FolderWalk.h - directory searches: one pattern at a time (FileFinder), every
// file matching a pattern list under a folder tree (FolderWalker), and a
// depth-first visit of everything below a folder (WalkFolder).
#pragma once

#include <windows.h>

#include <stdint.h>

#include "framework/core/GrowArray.h"

//--- one search

struct FileFinder {
    WIN32_FIND_DATAA data;       // the current match; callers read name and attributes
    char     found[MAX_PATH];
    char     folder[MAX_PATH];   // the pattern up to its last backslash, or empty
    char     reserved[520];
    char     pattern[MAX_PATH];
    HANDLE   handle;             // INVALID_HANDLE_VALUE when no search is open
    uint32_t count;              // matches so far; callers count their FindNextFileA
};

// Clears every field; the pattern is formatted (at most 259 characters).
void InitFileFinder(FileFinder* finder, const char* format, ...) __attribute__((format(printf, 2, 3)));
void CloseFileFinder(FileFinder* finder);
// Closes any open search, sets the pattern and its folder part.
void SetFileFinderPattern(FileFinder* finder, const char* format, ...)
    __attribute__((format(printf, 2, 3)));
// True when a first match was found: its data in the finder, count 1. The
// caller continues with FindNextFileA(finder->handle, &finder->data) and ends
// with CloseFileFinder. False leaves no search open.
bool FindFirstMatch(FileFinder* finder, const char* format, ...) __attribute__((format(printf, 2, 3)));

//--- files matching a pattern list under a folder tree

struct FoundPath {
    char text[MAX_PATH];
};

struct FolderWalker {
    char root[MAX_PATH];
    char patterns[2600];              // ";"-separated
    char separator;
    GrowArray<FoundPath> files;       // full paths, each once (compared without case)
    GrowArray<FoundPath> folders;     // the root first, then every subfolder
};

void InitFolderWalker(FolderWalker* walker);
// InitFolderWalker, then ScanFolderTree.
int InitFolderWalkerWith(FolderWalker* walker, const char* root, const char* patternFormat, ...)
    __attribute__((format(printf, 3, 4)));
// Sets root and patterns and collects; the number of files.
int ScanFolderTree(FolderWalker* walker, const char* root, const char* patternFormat, ...)
    __attribute__((format(printf, 3, 4)));
// Rebuilds both lists: the number of files, 0 without patterns, -1 without a
// root (the lists untouched in both cases). Junctions and symbolic links are
// neither followed nor listed, so nothing outside the root is ever found.
int CollectMatchingFiles(FolderWalker* walker);
// Adds the folder's subfolders, recursively, to the folder list.
void CollectSubfolders(FolderWalker* walker, const char* folder);
void ClearFolderWalker(FolderWalker* walker);

//--- visiting everything below a folder

// Called for each entry, a folder before what it holds. path is the full
// path, relative the part below the walked folder.
typedef void (*FolderVisitor)(const char* path, const char* relative, const WIN32_FIND_DATAA* entry,
                              void* context);

// Depth-first, at most 32 levels; names that would not fit a path are
// skipped, and junctions and symbolic links are visited but not entered.
void WalkFolder(const char* folder, FolderVisitor visit, void* context);
