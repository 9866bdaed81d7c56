// ProfileSettings.h - the Profile Settings dialog (1233) on one profile.
#pragma once

#include <windows.h>

#include "engine/ProfileRecord.h"

// Modal over owner, on a copy of the profile. live: profile is the live one
// in g_profiles (the main dialog's current profile) and OK gives the edits
// back as a live edit and registers its hotkeys; otherwise the profile is the
// caller's own copy (the Profiles dialog's working list), OK changes it in
// place and its hotkeys are only tested. Either way OK replaces the settings
// and the template, icon and Explorer lists and marks the profile edited;
// its rules stay as they are, but for a purge asked for. IDOK or IDCANCEL.
INT_PTR ShowProfileSettings(HWND owner, Profile* profile, bool live);
// The page the next opening shows (0 General to 4 Rule Creation); otherwise
// the dialog reopens on the page shown last. A new profile starts on General.
void SetProfileSettingsPage(int page);
// The main dialog's Settings...: the current profile, live.
void OpenCurrentProfileSettings(HWND mainDialog);
