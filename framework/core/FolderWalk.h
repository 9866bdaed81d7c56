// FolderWalk.h - visiting every file and folder below a folder.
#pragma once

#include <windows.h>

// Called for each entry, a folder before what it holds. path is the full
// path, relative the part below the walked folder.
typedef void (*FolderVisitor)(const char* path, const char* relative, const WIN32_FIND_DATAA* entry,
                              void* context);

// Depth-first, at most 32 levels; names that would not fit a path are skipped.
void WalkFolder(const char* folder, FolderVisitor visit, void* context);
