// ProfileSwitch.h - switching the current profile, applying and executing a
// profile, and the worker's pass over the current profile.
#pragma once

#include <windows.h>

#include "engine/ProfileRecord.h"

// Reasons for switching or applying (the pass's source).
#define PROFILE_SOURCE_USER    0
#define PROFILE_SOURCE_EVENT   1
#define PROFILE_SOURCE_SCREEN  2
#define PROFILE_SOURCE_DESKTOP 3

// onlyWindow: the pass that applies acts on this window alone (a profile
// hotkey of kind "Active Window Only"); none for every window.
void SwitchProfile(int index, int mode, int runScripts, int apply, HWND onlyWindow = nullptr);
void ApplyProfile(Profile* profile, int mode, bool force, HWND onlyWindow = nullptr);

// How a profile is executed in place.
#define EXECUTE_IF_ENABLED 0x1   // only an enabled profile (triggers, command line)
#define EXECUTE_SCRIPT     0x2   // then its execute script when enabled
#define EXECUTE_FORCE      0x4   // apply even when disabled (the menu's execute)
// Logs "PRF: Executing Profile", applies it and runs its script as flags say.
void ExecuteProfile(Profile* profile, int mode, uint32_t flags, HWND onlyWindow = nullptr);

// Drops the windows no longer visible from the profile's rules. Caller holds
// g_tableLock.
void PruneRuleWindows(Profile* profile);
// The worker's job: one pass over the current profile, none without one.
void RunCurrentProfilePass();
