// ShellFolderViews.h - the shell's open folder windows and their views,
// behind an interface of our own so that tests can stand in for the shell.
#pragma once

#include <windows.h>

#include <stddef.h>
#include <stdint.h>

#include "engine/RuleRecord.h"

// The view of one open folder window. Every call reports false when the
// shell refused it. Released with Release().
class FolderView {
public:
    virtual void Release() = 0;
    virtual bool GetViewMode(int32_t* viewMode, int32_t* iconSize) = 0;
    virtual bool SetViewMode(int32_t viewMode, int32_t iconSize) = 0;
    virtual bool GetSortColumnCount(int32_t* count) = 0;
    virtual bool GetSortColumns(SortColumnState* columns, int32_t count) = 0;
    virtual bool SetSortColumns(const SortColumnState* columns, int32_t count) = 0;
    // The file-system path of the folder shown (ANSI, at most size - 1
    // characters); false when the folder has none.
    virtual bool GetFolderPath(char* path, size_t size) = 0;

protected:
    virtual ~FolderView() {}
};

// Called with the desktop-absolute parsing name of one open folder window's
// current folder (UTF-16, any length).
typedef void (*FolderNameVisitor)(void* context, const wchar_t* parsingName);

class ShellFolderViews {
public:
    virtual ~ShellFolderViews() {}
    // Visits every open folder window in the shell's order. False when the
    // shell's window list could not be read to its end: what was visited
    // then says nothing about the windows that are open.
    virtual bool ForEachFolderWindow(FolderNameVisitor visit, void* context) = 0;
    // The view of a folder window; null when the window is none or its view
    // cannot be reached. The caller releases it.
    virtual FolderView* OpenFolderView(HWND window) = 0;
};

// The shell's own chain unless a test installed another. Set before any
// thread uses it.
ShellFolderViews* GetShellFolderViews();
void SetShellFolderViews(ShellFolderViews* views);   // null: the shell's own
