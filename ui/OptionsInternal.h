// OptionsInternal.h - what the Options dialog and its pages share.
#pragma once

#include <windows.h>

#include "engine/OptionsRecord.h"
#include "framework/core/GrowArray.h"

// To a page, answered through DWLP_MSGRESULT: 1 when a control differs from
// the options, else 0.
#define WM_OPTIONS_PAGE_CHANGED 0x409
// A page gets WM_COMMAND IDOK to store its controls into the working copy
// (the WM_INITDIALOG lParam); it answers nonzero through DWLP_MSGRESULT to
// stay open.

INT_PTR CALLBACK OptionsGeneralPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK OptionsMinimizePageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK OptionsVirtualDesktopsPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK OptionsTransparencyPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

// The Minimize to Tray page's entries, copied into out (emptied first);
// false when memory runs out.
bool CopyMinimizePageEntries(GrowArray<TrayAppEntry>* out);
// The entry dialog (1229) over owner on entry; IDOK or IDCANCEL.
INT_PTR ShowTrayEntryDialog(HWND owner, TrayAppEntry* entry);
// The sound player the General page's Test! uses.
BOOL PlayOptionsSound(LPCSTR sound, DWORD flags);

// A hotkey field's combination and the control it shows in, for the pages.
struct HotkeyField;
void AttachPageHotkey(HotkeyField* field, HWND page, int id, uint16_t combination);
void DetachPageHotkey(HotkeyField* field);
