// DialogUtil.h - small helpers the dialogs and the script interpreter share:
// number fields, control texts, enabling, file and folder pickers, bringing a
// window forward, centring, starting a program as the desktop user, and the
// deep window-under-point search of the crosshair pickers.
#pragma once

#include <windows.h>
#include <commdlg.h>

#include <stdint.h>

//--- control texts and numbers
void SetDlgItemNumber(HWND dialog, int id, int number);
// At most 1023 characters; a longer text is cut.
void SetDlgItemFormatted(HWND dialog, int id, const char* format, ...)
    __attribute__((format(printf, 3, 4)));
// Clamped to [minimum, maximum]; the minimum for an empty text or one with
// anything behind the number.
int GetDlgItemNumber(HWND dialog, int id, int minimum, int maximum);
// Default value under which trailing characters are ignored and the leading
// number is taken.
#define DLG_NUMBER_LENIENT ((int)0x80000000)
// Clamped to [minimum, maximum]; the default for an empty text, and for one
// with trailing characters unless the default is DLG_NUMBER_LENIENT.
int GetDlgItemNumberDefault(HWND dialog, int id, int minimum, int maximum, int def);
// Enables or disables each control; the list ends with an id below 1.
void EnableDlgItems(bool enable, HWND dialog, ...);
// EnumChildWindows callback: lParam nonzero enables, zero disables.
BOOL CALLBACK EnableChildWindowProc(HWND child, LPARAM enable);
bool IsCursorOverWindow(HWND window);

//--- file and folder pickers
// The chosen path in one shared 260-character buffer (overwritten by the next
// call), or null when cancelled. UI thread only.
const char* FileDialog(bool save, const char* filter, const char* initialName);
// 1 when the user chose a folder (folder, 260 characters, then holds it), 2
// otherwise (folder unchanged).
int BrowseForFolder(const char* title, char* folder);

// Tests stand in for the user: the runners replace the common dialogs (a file
// runner reports its extended error as CommDlgExtendedError would). Null runs
// the real dialog.
typedef BOOL (*FileDialogRunner)(bool save, OPENFILENAMEA* ofn, DWORD* extendedError);
typedef bool (*FolderDialogRunner)(const char* title, char* folder);
void SetFileDialogRunner(FileDialogRunner runner);
void SetFolderDialogRunner(FolderDialogRunner runner);

//--- windows
// The window that had the focus before.
HWND ForceForegroundWindow(HWND window, bool attach);
// Over its parent (or the desktop), kept inside the work area of the monitor
// at the reference's top-left corner; size and z-order unchanged.
void CenterWindow(HWND window);
// Runs the program through the desktop's shell so that it runs as the desktop
// user; falls back to ShellExecuteA. ignored is not used. 0 when started,
// negative when not.
int ShellExecuteAsUser(const char* file, const char* parameters, uint16_t ignored, const char* verb,
                        int show);
// Tests stand in for the shell: the runner sees what would be started or
// opened and answers as ShellExecuteAsUser does. Null uses the shell.
typedef int (*ShellExecuteRunner)(const char* file, const char* parameters, const char* verb, int show);
void SetShellExecuteRunner(ShellExecuteRunner runner);

//--- window under a point
// The visible window under the screen point, down to the smallest child; null
// when there is none. rootOut (may be null) receives its top-level window.
HWND WindowFromPointDeep(HWND* rootOut, int x, int y);
BOOL CALLBACK SmallestChildAtPointProc(HWND child, LPARAM search);
LRESULT CALLBACK PickerHitTestProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// The capture frame of the pickers, which the search must see through; null
// when none is shown.
void SetPickerFrameWindow(HWND frame);
