// ProfileReturn.h - a dialog's whole working list of profiles given back to
// the program in place of its list, keeping what the program did meanwhile.
#pragma once

#include "engine/ProfileRecord.h"

// Where a profile of a working list came from.
struct ProfileOrigin {
    char     name[260];     // the live profile it was copied from; empty: added, copied or imported
    int32_t  nextRuleId;    // that profile's next rule id then: rules from it on were made meanwhile
    uint32_t fingerprint;   // ProfileFingerprint of the copy when it was taken
};

// A checksum of what a dialog may change in a profile: its stored settings
// (not the list counts, which a write refreshes) and its four lists. A
// change shows even when the dialog that made it set no edited byte.
uint32_t ProfileFingerprint(const Profile* profile);

// working (in the order it is to have) replaces g_profiles; record i came
// from origins[i]. A profile the dialog did not change (edited byte clear,
// name and fingerprint as they were) is the live one as it is now: its rules, windows, counters
// and run-time state. A changed one takes the dialog's settings, templates,
// icons and Explorer windows, the live rules that were not purged in the
// dialog (those made meanwhile included) and the live run-time state; it and
// every new one are marked edited. The current profile stays current, found
// by where it came from; without it the first is current. The records move
// out of working (left empty); the old list is freed afterwards. False when
// memory ran out: nothing changed, working untouched.
// Caller holds g_tableLock, inside a live edit step (LiveEdit.h).
bool ReturnDialogProfiles(GrowArray<Profile>* working, const ProfileOrigin* origins);
