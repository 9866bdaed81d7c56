// ProfileConditions.cpp - whether a profile's restrictions hold for a layout.
#include "engine/ProfileConditions.h"

#include "vdesktop/VirtualDesktop.h"

bool ProfileConditionsMatch(const Profile* profile, const MonitorTable* table, bool ignoreEnabled)
{
    if (!profile || !table) return false;
    if (!ignoreEnabled && !profile->bGenEnabled) return false;
    const int32_t screen[4] = {table->screenX, table->screenY, table->screenWidth, table->screenHeight};
    const int32_t wanted[4] = {profile->iGenScreenX, profile->iGenScreenY, profile->iGenScreenW,
                               profile->iGenScreenH};
    for (int i = 0; i < 4; i++)
        if (wanted[i] != VALUE_ANY && wanted[i] != screen[i]) return false;
    if (profile->iGenDisplayDPI != VALUE_ANY) {
        // An empty name stands for the primary monitor.
        int m = MonitorIndexByName(profile->szGenDisplayName[0] ? profile->szGenDisplayName : nullptr,
                                   table, profile->szGenDisplayName[0] == '\0');
        if (m < 0 || (int32_t)table->dpis[m] != profile->iGenDisplayDPI) return false;
    }
    if (g_virtualDesktop && profile->iGenVDesk != VALUE_ANY &&
        profile->iGenVDesk != g_virtualDesktop->GetCurrentDesktopNumber())
        return false;
    return true;
}

bool ProfileConditionsMatchNow(const Profile* profile, TickLayout* layout, bool ignoreEnabled)
{
    if (!layout->read) {
        RefreshMonitors();
        GetMonitorSnapshot(&layout->table);
        layout->read = true;
    }
    return ProfileConditionsMatch(profile, &layout->table, ignoreEnabled);
}
