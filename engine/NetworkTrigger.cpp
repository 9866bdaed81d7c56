// NetworkTrigger.cpp - profiles triggered by a change of the network's status,
// type, address or wireless network name.
#include "engine/Log.h"
#include "engine/NetworkStatus.h"
#include "engine/ProfileConditions.h"
#include "engine/ProfileStore.h"
#include "engine/ProfileSwitch.h"
#include "engine/TriggerMemory.h"
#include "engine/Triggers.h"
#include "framework/core/MonitorTable.h"
#include "framework/core/TextUtil.h"

#include <string.h>

#define NET_TEST_STATUS 0x1
#define NET_TEST_TYPE   0x2
#define NET_TEST_IP     0x4
#define NET_TEST_SSID   0x8

static const char* StatusName(uint32_t status)
{
    static const char* const kNames[] = {"Disconnected", "LAN", "Internet"};
    return status < 3 ? kNames[status] : "Unknown";
}

static const char* TypeName(uint32_t type)
{
    return type == NET_TYPE_LAN ? "LAN" : (type == NET_TYPE_WIFI ? "Wifi" : "Unknown");
}

static bool NetworkTriggers(const Profile* p, const NetworkState& now, uint32_t changed)
{
    uint32_t tests = p->bTrgNetwork & changed;
    return ((tests & NET_TEST_STATUS) && (p->iTrgNetStatus == -1 || (uint32_t)p->iTrgNetStatus == now.status)) ||
           ((tests & NET_TEST_TYPE) && (p->iTrgNetType == -1 || (uint32_t)p->iTrgNetType == now.type)) ||
           ((tests & NET_TEST_IP) && WildcardMatch(p->szTrgNetIPMask, now.ip)) ||
           ((tests & NET_TEST_SSID) && WildcardMatch(p->szTrgNetSSIDMask, now.ssid));
}

bool CheckNetworkChangeTrigger(int initial, int execute)
{
    LogLine("TRG: Check Network Change Trigger");
    bool any = false;
    for (int i = 0; i < g_profiles.count && !any; i++) any = g_profiles.data[i].bTrgNetwork != 0;
    if (!any) return true;
    NetworkState now = {};
    if (QueryNetworkStatus(&now) != 0) return false;

    NetworkState& before = g_triggerMemory.network;
    uint32_t changed = 0;
    if (now.status != before.status) changed |= NET_TEST_STATUS;
    if (now.type != before.type) changed |= NET_TEST_TYPE;
    if (strcmp(now.ip, before.ip) != 0) changed |= NET_TEST_IP;
    if (strcmp(now.ssid, before.ssid) != 0) changed |= NET_TEST_SSID;
    if (!changed) return true;
    before = now;
    if (changed & NET_TEST_STATUS) LogLine("TRG: Network Trigger: Network Status: %s", StatusName(now.status));
    if (changed & NET_TEST_TYPE) LogLine("TRG: Network Trigger: Network Type: %s", TypeName(now.type));
    if (changed & NET_TEST_IP) LogLine("TRG: Network Trigger: IP Address: %s", now.ip);
    if (changed & NET_TEST_SSID) LogLine("TRG: Network Trigger: SSID: %s", now.ssid);

    MonitorTable live = {};
    RefreshMonitors();
    GetMonitorSnapshot(&live);
    for (int i = 0; i < g_profiles.count; i++) {
        const Profile* p = &g_profiles.data[i];
        if (initial && !p->bTrgNetStart) continue;
        if (!ProfileConditionsMatch(p, &live, false) || !NetworkTriggers(p, now, changed)) continue;
        if (ActOnTriggeredProfile(i, 0, PROFILE_SOURCE_SCREEN, execute ? 1 : 0, execute != 0)) return true;
    }
    return false;
}
