// ProfileSettings.h - the Profile Settings dialog (1233) on one profile.
#pragma once

#include <windows.h>

#include "engine/ProfileRecord.h"

// Modal over owner. live: profile is the live one in g_profiles (the main
// dialog's current profile) and OK gives the edits back as a live edit;
// otherwise the profile is the caller's own copy (the Profiles dialog's
// working list) and OK changes it in place. IDOK or IDCANCEL.
INT_PTR ShowProfileSettings(HWND owner, Profile* profile, bool live);
// The main dialog's Settings...: the current profile, live.
void OpenCurrentProfileSettings(HWND mainDialog);
