// ProfileHotkeys.h - the global hotkeys that trigger and update profiles.
#pragma once

#include <stdint.h>

#include "engine/ProfileRecord.h"

#define PROFILE_HOTKEY_TRIGGER 0   // trigger the profile
#define PROFILE_HOTKEY_WINDOW  1   // trigger it for the active window only
#define PROFILE_HOTKEY_UPDATE  2   // update the profile

// Entry i is hotkey id PROFILE_HOTKEY_FIRST_ID + i on the main window.
#define PROFILE_HOTKEY_FIRST_ID 500

struct ProfileHotKeyEntry {
    uint16_t word;          // low byte virtual key, high byte modifiers
    uint32_t kind;          // PROFILE_HOTKEY_*
    char     profile[260];  // the profile's name
};

// Rebuilt by RegisterProfileHotKeys; UI thread only. An entry whose word an
// earlier entry has is listed but not registered: one key drives both.
extern GrowArray<ProfileHotKeyEntry> g_profileHotKeys;

// Unregisters the hotkeys of the current entries and empties the list; on
// nonzero, lists the hotkeys of every enabled profile and registers them on
// the main window.
void RegisterProfileHotKeys(const GrowArray<Profile>* profiles, int on);

// The hotkeys of profiles in place of the listed ones as one set: on
// success the list names the new ones; when one cannot be registered (another
// program or hotkey holds it) the previous set is registered again, the list
// stays, *failed names the entry and false is returned. Without the main
// window nothing is registered and the list is rebuilt.
bool ReplaceProfileHotKeys(const GrowArray<Profile>* profiles, ProfileHotKeyEntry* failed);
