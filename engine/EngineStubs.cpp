// EngineStubs.cpp - engine services not built yet: no templates make rules,
// no triggers or updates fire, no window is hidden in the tray.
#include "engine/EngineStubs.h"

void UpdateProfileFromWindows(Profile*, int, int, int) {}
Rule* CreateRuleFromAutoTemplate(Profile*, MonitoredWindow*)
{
    return nullptr;
}
void RegisterProfileHotKeys(int) {}
void CheckScreenChangeTrigger(int, int) {}
void CheckNetworkChangeTrigger(int, int) {}
void CheckEventTriggers() {}
void CheckEventUpdates() {}
void CheckScreenChangeUpdate(MonitorTable*) {}
void CheckDpiChangeUpdate(MonitorTable*) {}
bool LoadWlanApi()
{
    return false;
}
void RegisterDesktopHotkeys(int) {}
void RestoreAllFromTray() {}
void UpdateAppTrayIcon(int) {}
bool IsWindowInTraySlot(HWND)
{
    return false;
}
void RunCommandLineCommands() {}
