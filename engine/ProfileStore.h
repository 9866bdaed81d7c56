// ProfileStore.h - the profile list and the current profile: loading, saving,
// default profiles, names and order, rule imports.
#pragma once

#include "engine/OptionsRecord.h"
#include "engine/ProfileRecord.h"

// Sorted by name, names unique. Changed on the UI thread under g_tableLock,
// which the worker holds while it walks the list; the current index is
// Options.iCurProfile (-1 before the first switch).
extern GrowArray<Profile> g_profiles;
// Cleared while a profile is executed in place, so that its pass does not ask
// the main dialog to refresh in the middle. One byte, set on the UI thread.
extern uint8_t g_refreshAllowed;

// Reads every Profile<n>.zpx and Profile-<name>.zpx of the data folder, after
// finishing or undoing a save that a crash cut off. A file that cannot be read
// is kept aside (DamagedRecords.h) or, when it cannot be moved, left alone by
// later saves. The number loaded, -1 when the list is busy.
int LoadProfiles();
// Writes the whole list as one set (ProfileSet.h): all of it or none.
// Short-form files of the last load are deleted once their profiles are saved.
void SaveProfiles();
void SaveAll();
void CreateDefaultProfile();
int ProfileCount();
// The current profile, or null. Callers off the UI thread hold g_tableLock.
Profile* CurrentProfile();
int FindProfileByName(const GrowArray<Profile>* list, const char* name, int skip);
// Makes name (260 characters, held by record at skip, -1 none) unique in the list.
void MakeUniqueProfileName(char* name, const GrowArray<Profile>* list, int skip);
// Inserts a copy of the record (its lists move into the list); the index or -1.
int InsertProfileSorted(GrowArray<Profile>* list, Profile* profile);
void SortProfilesByName(GrowArray<Profile>* list, int first, int last);
// The most rules an import reads: what a profile holds.
#define RULE_IMPORT_MAX PROFILE_MAX_LIST
// Reads a rule export file into list (emptied first): the rules as stored,
// from "Rule[0]." on, up to the first one missing. 0, or 1 when the file
// cannot be read as a record (list empty then).
int ImportRules(GrowArray<Rule>* list, const char* path);
void FreeProfiles();
