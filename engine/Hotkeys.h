// Hotkeys.h - the program's global hotkeys and the per-desktop hotkeys.
#pragma once

// Registers (on nonzero) or unregisters the hotkeys of the options.
void RegisterGlobalHotkeys(int on);
void RegisterDesktopHotkeys(int on);
// A WM_HOTKEY at the main window: the hotkey's id.
void HandleHotkey(int id);
