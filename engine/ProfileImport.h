// ProfileImport.h - a single profile exported to a ".prfexp" file and read
// back from one, which may be anybody's.
#pragma once

#include "engine/ProfileRecord.h"

// What an import file may hold; rules and text as a rule import allows.
#define PROFILE_IMPORT_MAX_ICONS     4096
#define PROFILE_IMPORT_MAX_EXPWIN    512
#define PROFILE_IMPORT_MAX_TEMPLATES 512

#define PROFILE_IMPORT_OK         0
#define PROFILE_IMPORT_UNREADABLE 1   // not a profile record of ours
#define PROFILE_IMPORT_TOO_LARGE  2   // a list or the text past the budget: nothing read
#define PROFILE_IMPORT_NO_MEMORY  3

// Reads the file into profile (zero-filled, no lists of its own). On
// PROFILE_IMPORT_OK it holds the profile with its hotkeys cleared and its
// run-time fields reset; otherwise it is freed and zero-filled again.
int ImportProfile(const char* path, Profile* profile);
// Writes the profile as an export file (full prefixes). False on failure; an
// old file stays as it was.
bool ExportProfile(const char* path, Profile* profile);
// The three profile hotkeys empty (a copy or an import must not take over
// the keys of the profile it came from).
void ClearProfileHotkeys(Profile* profile);
// Some script of the profile is switched on: its own, a rule's or a
// template's (which the rules made from it would carry).
bool ProfileHasScripts(const Profile* profile);
// Every one of those switched off; the texts stay.
void TurnProfileScriptsOff(Profile* profile);
