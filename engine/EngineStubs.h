// EngineStubs.h - engine services that start-up and the monitor pass call at
// their places and that do the least this build needs.
#pragma once

#include <windows.h>

#include <stdint.h>

struct Profile;
struct Rule;
struct MonitoredWindow;
struct MonitorTable;

// Rules made from windows and templates.
void UpdateProfileFromWindows(Profile* profile, int index, int updateOnly, int recapture);
// A rule made from the profile's first matching auto-create template, or null.
Rule* CreateRuleFromAutoTemplate(Profile* profile, MonitoredWindow* entry);

// Hotkeys of the profiles.
void RegisterProfileHotKeys(int on);

// Triggers and updates.
void CheckScreenChangeTrigger(int initial, int execute);
void CheckNetworkChangeTrigger(int initial, int execute);
void CheckEventTriggers();
void CheckEventUpdates();
void CheckScreenChangeUpdate(MonitorTable* before);
void CheckDpiChangeUpdate(MonitorTable* before);
bool LoadWlanApi();

// Hotkeys and tray.
void RegisterDesktopHotkeys(int on);
void RestoreAllFromTray();
void UpdateAppTrayIcon(int add);
bool IsWindowInTraySlot(HWND window);

// Command-line commands of a second start.
void RunCommandLineCommands();
