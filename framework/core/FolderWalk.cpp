// FolderWalk.cpp - depth-first walk with bounded paths.
#include "framework/core/FolderWalk.h"

#include "framework/core/TextUtil.h"

#include <string.h>

static void Walk(const char* folder, const char* relative, int depth, FolderVisitor visit, void* context)
{
    if (depth > 32) return;
    char pattern[MAX_PATH];
    if (!FormatText(pattern, sizeof(pattern), "%s\\*.*", folder)) return;
    WIN32_FIND_DATAA fd;
    HANDLE find = FindFirstFileA(pattern, &fd);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        if (!strcmp(fd.cFileName, ".") || !strcmp(fd.cFileName, "..")) continue;
        char path[MAX_PATH], rel[MAX_PATH];
        if (!FormatText(path, sizeof(path), "%s\\%s", folder, fd.cFileName)) continue;
        if (!(relative[0] ? FormatText(rel, sizeof(rel), "%s\\%s", relative, fd.cFileName)
                          : CopyText(rel, sizeof(rel), fd.cFileName)))
            continue;
        visit(path, rel, &fd, context);
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) Walk(path, rel, depth + 1, visit, context);
    } while (FindNextFileA(find, &fd));
    FindClose(find);
}

void WalkFolder(const char* folder, FolderVisitor visit, void* context)
{
    if (folder && folder[0] && visit) Walk(folder, "", 0, visit, context);
}
