// Hotkeys.h - the program's global hotkeys and the per-desktop hotkeys.
#pragma once

// Hotkey ids on the main window.
#define HOTKEY_OPAQUE_ALL       0
#define HOTKEY_MAIN             1
#define HOTKEY_TRIGGER          2
#define HOTKEY_ENABLE           3
#define HOTKEY_CREATE_NEW       4
#define HOTKEY_CREATE_UPDATE    5
#define HOTKEY_CREATE_ALL       6
#define HOTKEY_CREATE_ACTIVE    7
#define HOTKEY_TRANSPARENT      8
#define HOTKEY_CLICK_THROUGH    9
#define HOTKEY_TOPMOST          11
#define HOTKEY_SWITCH_DESKTOP   100   // + the desktop number
#define HOTKEY_MOVE_TO_DESKTOP  200   // + the desktop number
#define HOTKEY_DESKTOP_RANGE    100
#define HOTKEY_PIN              300
#define HOTKEY_UNPIN            400

// Registers (on nonzero) the hotkeys of the options, and with a virtual-desktop
// object the desktop, pin and unpin keys; on 0 unregisters them. A combination
// another program holds is silently absent.
void RegisterGlobalHotkeys(int on);
// Unregisters the desktop keys of the last registration; on nonzero registers
// one switch and one move key per desktop there is now.
void RegisterDesktopHotkeys(int on);
// The hotkeys the options hold, as one set for ReplaceHotkeySet: the global
// keys, with a desktop object the per-desktop keys for desktopCount desktops
// and the pin and unpin keys. Each entry's field is the offset of its word in
// OptionsRecord. A desktop key whose key code plus the desktop number would
// leave the key byte is left out. Returns the entries written (at most cap).
#define OPTIONS_HOTKEY_SET_MAX (11 + 2 * HOTKEY_DESKTOP_RANGE + 2)
struct HotkeySetEntry;
struct OptionsRecord;
int BuildOptionsHotkeySet(const OptionsRecord* options, int desktopCount, bool desktopObject, HotkeySetEntry* out,
                          int cap);
// Puts the hotkeys of next in place of those of Options, as one set: on
// failure the registrations of Options stay. -1 on success (Options' hotkey
// words must then be next's before anything registers again), else the
// offset in OptionsRecord of the word that could not be registered.
int ReplaceOptionsHotkeys(const OptionsRecord* next);
// A WM_HOTKEY at the main window: the hotkey's id.
void HandleHotkey(int id);
