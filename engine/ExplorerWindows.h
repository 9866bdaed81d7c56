// ExplorerWindows.h - Explorer folder windows: the folder a window shows and
// its view settings, and the folder windows a profile saves and reopens.
#pragma once

#include <windows.h>

#include "engine/ProfileRecord.h"

// Type of the Explorer entries the program collects itself: prog is the
// folder's parsing name in UTF-8, args are empty. Entries of other types
// are the user's, in the ANSI code page.
#define EXPWIN_COLLECTED 0

//--- one folder window (FolderViews.cpp)
// The file-system path (ANSI) of the folder the window shows, in size bytes;
// its length. 0 with an empty path when the window is no folder window or
// the folder is not in the file system.
int GetExplorerFolderPath(HWND window, char* path, int size);
// Reads the window's view mode, icon size and first sort column into the
// rule. False, and the rule unchanged, when the window's view cannot be had.
bool ReadFolderViewSettings(HWND window, Rule* rule);
// Gives the window the rule's view mode, icon size and sort column on a
// thread of its own, which works on a copy of the rule. False when the
// thread could not be started.
bool StartApplyFolderViewThread(HWND window, const Rule* rule);
// Thread procedure. copy: a Rule from malloc() with the window in its first
// window slot; freed here. 1 when the window's view was reached, else 0.
DWORD WINAPI ApplyFolderViewThread(void* copy);

//--- a profile's folder windows (ExplorerWindows.cpp)
// Replaces the profile's collected entries by the folder windows open now
// (none when none is open), in the shell's order, after the entries of other
// types. When the shell's list cannot be read to its end, the entries stay as
// they are: the result is then -1, else the number collected.
int CollectExplorerWindows(Profile* profile);
// Opens every saved folder window of the profile, in order and shown without
// activation (SW_SHOWNA), on a thread of its own that works on a copy of the list.
void RestoreExplorerWindows(Profile* profile);
