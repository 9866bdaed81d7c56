// ProfileStore.h - the profile list, the current profile, loading, saving,
// switching and applying.
#pragma once

#include "engine/Records.h"
#include "framework/core/MonitorTable.h"

// Sorted by name, names unique. Changed on the UI thread; the worker reads it
// under g_tableLock.
extern GrowArray<Profile> g_profiles;
extern int32_t g_currentProfile;

// Reasons for switching or applying (the pass's source).
#define PROFILE_SOURCE_USER    0
#define PROFILE_SOURCE_EVENT   1
#define PROFILE_SOURCE_SCREEN  2
#define PROFILE_SOURCE_DESKTOP 3

int LoadProfiles();
void SaveProfiles();
void SaveAll();
void CreateDefaultProfile();
int ProfileCount();
// The current profile, or null.
Profile* CurrentProfile();
int FindProfileByName(const GrowArray<Profile>* list, const char* name, int skip);
// Makes name (260 characters, held by record at skip, -1 none) unique in the list.
void MakeUniqueProfileName(char* name, const GrowArray<Profile>* list, int skip);
// Inserts a copy of the record (its lists move into the list); the index or -1.
int InsertProfileSorted(GrowArray<Profile>* list, Profile* profile);
void SortProfilesByName(GrowArray<Profile>* list, int first, int last);
void SwitchProfile(int index, int mode, int runScripts, int apply);
void ApplyProfile(Profile* profile, int mode, bool force);
// Executes a profile in place (triggers and menus): apply and its execute script.
void ExecuteProfile(Profile* profile, int mode, bool runScript);
void PruneRuleWindows(Profile* profile);
// 0, or 1 when the file cannot be read.
int ImportRules(GrowArray<Rule>* list, const char* path);
void FreeProfiles();

// Profile restrictions against a monitor layout.
bool ProfileConditionsMatch(const Profile* profile, const MonitorTable* table, bool ignoreEnabled);
