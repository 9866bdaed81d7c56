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
// The one order of profile names (ProfileOrder.cpp). The program's list is in
// byte order, as strcmp; a dialog shows names without regard to case, equal
// ones then in byte order, so that either order is total.
#define PROFILE_ORDER_BYTES  0
#define PROFILE_ORDER_NOCASE 1
int CompareProfileNames(const char* a, const char* b, int order);
// Where a profile named name goes in a list kept in that order: after the
// names equal to it (binary search).
int FindProfilePlace(const GrowArray<Profile>* list, const char* name, int order);
// The list's indices in that order, equal names in list order; indices
// holds list->count entries.
void OrderProfiles(const GrowArray<Profile>* list, int order, int32_t* indices);
// An import file is someone else's: it holds at most this many rules (a
// rule takes some 12 KB in memory) in at most this much record text.
#define RULE_IMPORT_MAX      2000
#define RULE_IMPORT_TEXT_MAX (8u * 1024u * 1024u)
#define RULE_IMPORT_OK         0
#define RULE_IMPORT_UNREADABLE 1   // not a record file of ours
#define RULE_IMPORT_TOO_LARGE  2   // more rules or text than the budget: nothing read
// Reads a rule export file into list (emptied first, a list of its own, not
// a live profile's): the rules as stored, from "Rule[0]." on, up to the first
// one missing. RULE_IMPORT_*; the list is empty unless RULE_IMPORT_OK.
int ImportRules(GrowArray<Rule>* list, const char* path);
// Some rule of the list has an enabled command script.
bool RulesHaveScripts(const GrowArray<Rule>* list);
// Every command script of the list's rules off (their texts stay).
void TurnRuleScriptsOff(GrowArray<Rule>* list);
void FreeProfiles();
