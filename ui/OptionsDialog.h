// OptionsDialog.h - the Options dialog (1231): program-wide settings on four
// pages, the hotkeys they hold registered as one set on OK.
#pragma once

#include <windows.h>

// Modal over owner; IDOK once the options were taken over, else IDCANCEL.
INT_PTR ShowOptionsDialog(HWND owner);

// Tests stand in for Windows: whether the process runs elevated (as
// IsProcessElevated answers) and the sound player (as PlaySoundA). Null uses
// the real one.
typedef int (*ElevationProbe)();
typedef BOOL (*SoundPlayer)(LPCSTR sound, HMODULE module, DWORD flags);
void SetOptionsSeams(ElevationProbe probe, SoundPlayer player);
