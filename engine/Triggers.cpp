// Triggers.cpp - acting on a triggered profile, and the screen, DPI, desktop,
// session and power triggers.
#include "engine/Triggers.h"

#include "engine/Log.h"
#include "engine/ProfileConditions.h"
#include "engine/ProfileStore.h"
#include "engine/ProfileSwitch.h"
#include "engine/ProfileUpdates.h"
#include "engine/TriggerFacts.h"
#include "engine/TriggerMemory.h"
#include "framework/core/MonitorTable.h"
#include "framework/core/TextUtil.h"

#include <string.h>

uint8_t g_lidPresent;
TriggerMemory g_triggerMemory = {{}, 0, false, true, true};

void ResetTriggerMemory()
{
    g_triggerMemory = TriggerMemory{{}, 0, false, true, true};
    ResetUpdateMemory();
}

bool ActOnTriggeredProfile(int index, int32_t delayMs, int mode, int runScripts, bool allowExecute)
{
    if (index < 0 || index >= g_profiles.count) return true;
    // A stored delay is not trusted: the UI thread waits it out.
    TriggerSleep(delayMs <= 0 ? 0 : (DWORD)(delayMs < TRIGGER_DELAY_MAX ? delayMs : TRIGGER_DELAY_MAX));
    Profile* p = &g_profiles.data[index];
    bool stop = !p->bTrgCheckNext;
    if (!p->bTrgExecuteOnly || !allowExecute)
        SwitchProfile(index, mode, runScripts, runScripts);
    else
        ExecuteProfile(p, mode, EXECUTE_IF_ENABLED | EXECUTE_SCRIPT);
    return stop;
}

static void LiveMonitors(MonitorTable* live)
{
    RefreshMonitors();
    GetMonitorSnapshot(live);
}

//--- screen, DPI and desktop

bool CheckScreenChangeTrigger(int initial, int execute)
{
    MonitorTable live = {}, previous = {};
    LiveMonitors(&live);
    GetMonitorSnapshot(&previous, true);
    // Before the first display change there is no previous layout.
    if (previous.count <= 0) previous = live;
    LogLine("TRG: Check Screen Change Trigger (%d x %d) -> (%d x %d)", previous.screenWidth,
            previous.screenHeight, live.screenWidth, live.screenHeight);
    for (int i = 0; i < g_profiles.count; i++) {
        const Profile* p = &g_profiles.data[i];
        if (!p->bTrgResChange || (initial && !p->bTrgResChangeStart)) continue;
        if (!ProfileConditionsMatch(p, &live, false)) continue;
        if (ActOnTriggeredProfile(i, p->iTrgScreenDelay, PROFILE_SOURCE_SCREEN, execute ? 1 : 0, execute != 0))
            return true;
    }
    return false;
}

void CheckDpiChangeTrigger(int newDpi)
{
    MonitorTable live = {}, previous = {};
    LiveMonitors(&live);
    GetMonitorSnapshot(&previous, true);
    int oldDpi = newDpi;
    for (int m = 0; m < live.count && m < MONITOR_TABLE_MAX; m++)
        if (previous.dpis[m] != live.dpis[m]) oldDpi = (int)previous.dpis[m];
    LogLine("TRG: Check DPI Change Trigger (%d) -> (%d)", oldDpi, newDpi);
    for (int i = 0; i < g_profiles.count; i++) {
        const Profile* p = &g_profiles.data[i];
        if (!p->bTrgDPIChange || !ProfileConditionsMatch(p, &live, false)) continue;
        if (ActOnTriggeredProfile(i, p->iTrgScreenDelay, PROFILE_SOURCE_SCREEN, 1, true)) return;
    }
}

void CheckDesktopTrigger(int desktop)
{
    LogLine("TRG: Check Desktop Trigger (%d)", desktop);
    MonitorTable live = {};
    LiveMonitors(&live);
    for (int i = 0; i < g_profiles.count; i++) {
        const Profile* p = &g_profiles.data[i];
        if (!p->bTrgDesktop || (p->iTrgDesktopNr != -1 && p->iTrgDesktopNr != desktop)) continue;
        if (!ProfileConditionsMatch(p, &live, false)) continue;
        if (ActOnTriggeredProfile(i, 0, PROFILE_SOURCE_DESKTOP, 1, true)) return;
    }
}

//--- session

// The session-change codes of the system, by their log names.
static const char* const kSessionNames[] = {
    nullptr,          "Console Connect", "Console Disconnect", "Remote Connect", "Remote Disonnect",
    "Logon",          "Logoff",          "Lock",               "Unlock",         "Remote Control",
};
#define SESSION_LOCK 7

void CheckSessionTrigger(uint32_t code)
{
    bool known = code >= 1 && code < sizeof(kSessionNames) / sizeof(kSessionNames[0]);
    char number[16];
    FormatText(number, sizeof(number), "%u", code);
    LogLine("TRG: Check Session Trigger (%s)", known ? kSessionNames[code] : number);
    if (code == SESSION_LOCK) CheckSessionLockUpdate();
    if (!known) return;
    MonitorTable live = {};
    LiveMonitors(&live);
    for (int i = 0; i < g_profiles.count; i++) {
        const Profile* p = &g_profiles.data[i];
        if (!(p->iTrgSession & (1u << (code - 1))) || !ProfileConditionsMatch(p, &live, false)) continue;
        if (ActOnTriggeredProfile(i, p->iTrgSessionDelay, PROFILE_SOURCE_EVENT, 1, true)) return;
    }
}

//--- power

#define POWER_RESUME         0x1
#define POWER_MAINS_ON       0x2
#define POWER_MAINS_OFF      0x4
#define POWER_MONITOR_ON     0x8
#define POWER_MONITOR_OFF    0x10
#define POWER_LID_OPENED     0x20
#define POWER_LID_CLOSED     0x40

// A setting notification's 32-bit value; false when it carries none.
static bool SettingValue(const POWERBROADCAST_SETTING* s, DWORD* value)
{
    if (!s || s->DataLength < sizeof(DWORD)) return false;
    memcpy(value, s->Data, sizeof(DWORD));
    return true;
}

// Names the event for the log and gives its trigger bit (0: none). False when
// the event is neither logged nor acted on.
static bool ClassifyPowerEvent(WPARAM event, LPARAM data, const char** name, uint32_t* bit)
{
    *name = nullptr;
    *bit = 0;
    switch (event) {
    case PBT_APMSUSPEND:
    case PBT_APMRESUMECRITICAL:
    case PBT_APMRESUMESUSPEND:
    case PBT_APMRESUMESTANDBY:
        return false;
    case PBT_APMRESUMEAUTOMATIC:
        *name = "Resume";
        *bit = POWER_RESUME;
        return true;
    case PBT_APMPOWERSTATUSCHANGE: {
        int mains = MainsPower();
        if (mains == 0) *name = "Power Off";
        *bit = mains == 1 ? POWER_MAINS_ON : (mains == 0 ? POWER_MAINS_OFF : 0);
        return true;
    }
    case PBT_POWERSETTINGCHANGE: {
        const POWERBROADCAST_SETTING* s = (const POWERBROADCAST_SETTING*)data;
        DWORD value = 0;
        if (!SettingValue(s, &value)) return true;
        if (IsEqualGUID(s->PowerSetting, GUID_MONITOR_POWER_ON)) {
            if (g_triggerMemory.firstMonitorPower) {
                g_triggerMemory.firstMonitorPower = false;
                return false;
            }
            if (value <= 1) {
                *name = value ? "Monitor Power On" : "Monitor Power Off";
                *bit = value ? POWER_MONITOR_ON : POWER_MONITOR_OFF;
            }
        } else if (IsEqualGUID(s->PowerSetting, GUID_LIDSWITCH_STATE_CHANGE)) {
            if (g_triggerMemory.firstLid) {
                g_triggerMemory.firstLid = false;
                return false;
            }
            if (value <= 1) {
                *name = value ? "Lid Opened" : "Lid Closed";
                // A machine without a lid has no lid to act on.
                *bit = !g_lidPresent ? 0 : (value ? POWER_LID_OPENED : POWER_LID_CLOSED);
            }
        }
        return true;
    }
    }
    return true;
}

void CheckPowerTrigger(WPARAM event, LPARAM data)
{
    const char* name;
    uint32_t bit;
    if (!ClassifyPowerEvent(event, data, &name, &bit)) return;
    char number[24];
    FormatText(number, sizeof(number), "%llu", (unsigned long long)event);
    LogLine("TRG: Check Power Trigger (%s)", name ? name : number);
    if (!bit) return;
    MonitorTable live = {};
    LiveMonitors(&live);
    for (int i = 0; i < g_profiles.count; i++) {
        const Profile* p = &g_profiles.data[i];
        if (!(p->iTrgPower & bit) || !ProfileConditionsMatch(p, &live, false)) continue;
        if (ActOnTriggeredProfile(i, p->iTrgPowerDelay, PROFILE_SOURCE_EVENT, 1, true)) return;
    }
}
