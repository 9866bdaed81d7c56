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
    uint8_t  registered;    // RegisterHotKey took it
};

// Rebuilt by RegisterProfileHotKeys; UI thread only. An entry whose word an
// earlier entry has is listed but not registered: one key drives both.
extern GrowArray<ProfileHotKeyEntry> g_profileHotKeys;

// Unregisters the hotkeys of the current entries and empties the list; on
// nonzero, lists the hotkeys of every enabled profile and registers them on
// the main window.
void RegisterProfileHotKeys(const GrowArray<Profile>* profiles, int on);

// The hotkeys of every enabled profile, with edited in place of the profile
// at index (-1: edited is not in the list yet and comes last), registered as
// one set in place of the current registrations (HotkeySet.h). -1 when the
// set stands (with commit it becomes the registered list; without, the
// previous registrations are put back: a test only). Otherwise the
// PROFILE_HOTKEY_* kind of edited's combination that cannot be had (another
// profile has it, or Windows refuses it) and nothing changed. UI thread.
int ReplaceProfileHotKeys(const GrowArray<Profile>* profiles, int index, const Profile* edited, bool commit);
// A whole new list (the Profiles dialog's) in place of the registered keys as
// one set: on success the list names the new ones; when one cannot be
// registered (another program or hotkey holds it) the previous set is
// registered again, the list stays, *failed names the entry (all zero: no
// memory) and false is returned. Without the main window nothing is
// registered and the list is rebuilt.
bool ReplaceProfileHotKeyList(const GrowArray<Profile>* profiles, ProfileHotKeyEntry* failed);
