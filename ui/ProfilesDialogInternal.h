// ProfilesDialogInternal.h - what the Profiles dialog's files share: the
// working list with where each profile came from, and its rows.
#pragma once

#include <windows.h>

#include "engine/ProfileReturn.h"

// The dialog's working list, in name order without regard to case (the
// order the user reads and new profiles are inserted in), and the origin of
// each record (origins.data[i] for list.data[i]). UI thread; one dialog.
extern GrowArray<Profile> g_workingProfiles;
extern GrowArray<ProfileOrigin> g_workingOrigins;

// The selected row's index in the working list, -1 without one.
int SelectedProfile();
// A new profile (not in the list): its name made unique, inserted at its
// place with an empty origin, the rows rebuilt and it selected. Its lists
// move into the list; on failure they are freed. False on failure.
bool InsertNewProfile(HWND dialog, Profile* profile);

// Imp and Exp (ProfilesDialogFiles.cpp).
void ImportProfileFile(HWND dialog);
void ExportSelectedProfile(HWND dialog);
