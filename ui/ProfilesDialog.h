// ProfilesDialog.h - the Profiles dialog (1252): add, edit, copy, delete,
// import and export profiles on a working copy that OK gives back whole.
#pragma once

#include <windows.h>

#include "engine/ProfileRecord.h"

// One row of the dialog's list (each row keeps a copy; tests read it back).
struct ProfileRow {
    char    name[260];
    int32_t index;   // in the dialog's list
};

// The main dialog's Profiles... button: the dialog, modal over owner; after
// OK the program's list is replaced (at once, or as soon as the running
// change is done) and the main dialog shows it. IDOK or IDCANCEL.
INT_PTR ShowProfilesDialog(HWND owner);

// Tests stand in for the Profile Settings dialog on a profile of the working
// list (null: the dialog itself).
typedef INT_PTR (*ProfileSettingsRunner)(HWND owner, Profile* profile);
void SetProfileSettingsRunner(ProfileSettingsRunner runner);
