// EngineStubs.cpp - the engine services start-up calls, with what they do until
// profiles, triggers and tray handling exist: one default profile, no triggers.
#include "engine/EngineStubs.h"

#include "engine/Records.h"
#include "engine/WindowTable.h"

static int g_profileCount;

int LoadProfiles()
{
    return 0;
}

void CreateDefaultProfile()
{
    g_profileCount = 1;
}

int ProfileCount()
{
    return g_profileCount;
}

void SwitchProfile(int index, int, int, int)
{
    if (index >= 0 && index < g_profileCount) Options.iCurProfile = index;
}

void RegisterProfileHotKeys(int) {}
void ClearProfileList()
{
    g_profileCount = 0;
}
void SaveAll() {}
void MonitorPassForCurrentProfile() {}
void CheckScreenChangeTrigger(int, int) {}
void CheckNetworkChangeTrigger(int, int) {}
void CheckEventTriggers() {}
void CheckEventUpdates() {}
bool LoadWlanApi()
{
    return false;
}
void RegisterDesktopHotkeys(int) {}
void RestoreAllFromTray() {}
void UpdateAppTrayIcon(int) {}
void RunCommandLineCommands() {}

bool IsWindowInTraySlot(HWND)
{
    return false;   // no window is hidden to the notification area yet
}
