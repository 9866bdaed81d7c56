// EngineStubs.h - services of the engine that start-up calls at their places.
#pragma once

#include <windows.h>

#include <stdint.h>

// Profiles.
int LoadProfiles();
void CreateDefaultProfile();
int ProfileCount();
void SwitchProfile(int index, int source, int apply, int execute);
void RegisterProfileHotKeys(int on);
void ClearProfileList();
void SaveAll();
// One pass over the top-level windows for the current profile.
void MonitorPassForCurrentProfile();

// Triggers.
void CheckScreenChangeTrigger(int initial, int execute);
void CheckNetworkChangeTrigger(int initial, int execute);
void CheckEventTriggers();
void CheckEventUpdates();
bool LoadWlanApi();

// Hotkeys and tray.
void RegisterDesktopHotkeys(int on);
void RestoreAllFromTray();
void UpdateAppTrayIcon(int add);

// Command-line commands of a second start.
void RunCommandLineCommands();
