// ProfileSet.h - the profile files of the data folder, replaced as one set.
//
// A save writes the new set into the folder "ProfileSet.new" beside the old
// files, each file flushed before it is moved into place there. Then the
// journal "ProfileSet.switch" is written, naming the old files that go; only
// then are the new files moved in and the old ones deleted. A crash before the
// journal leaves the old set whole; after it, the next start finishes the
// switch. UI thread only.
#pragma once

#include <windows.h>

#include <stdint.h>

#include "framework/core/GrowArray.h"

struct ProfileFileName {
    char name[MAX_PATH];   // file name only, no folder
};

#define PROFILE_FILE_NONE     0   // not a profile file (journal, damaged copies, temporary files)
#define PROFILE_FILE_NUMBERED 1   // "Profile<n>.zpx"
#define PROFILE_FILE_SHORT    2   // "Profile-<name>.zpx"

// The kind of a file name; number: n of "Profile<n>.zpx", -1 when written
// other than the saver writes it ("Profile007.zpx").
int ProfileFileKind(const char* fileName, int32_t* number);

// Finishes a switch that the journal shows, or drops a new set that never got
// its journal. importedSince: a configuration was imported after the journal
// was written (at this start, before the first load); its files stand and the
// switch is dropped. False while a switch is still pending (a file could not
// be moved), true when the folder holds one set.
bool FinishProfileSetSwitch(bool importedSince);
// An empty folder for the new set; false when an earlier switch is pending or
// the folder cannot be made.
bool BeginProfileSet();
// Path of Profile<number>.zpx in the new set.
void ProfileSetPath(int32_t number, char* out);
// Discards the new set; the old files stay as they are.
void DropProfileSet();
// Switches to the new set, whose numbers are those below end that are not
// taken by held files. Afterwards the data folder holds the new set, the held
// files, and no other profile file: old numbered files and those in retire
// (short forms now saved under a number) are deleted. False when the switch
// did not happen (nothing changed) or is pending until the next start.
bool CommitProfileSet(int32_t end, const GrowArray<ProfileFileName>* held,
                      const GrowArray<ProfileFileName>* retire);
