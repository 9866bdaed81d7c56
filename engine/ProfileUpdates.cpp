// ProfileUpdates.cpp - re-capturing the windows into profiles' rules when an
// update event comes.
#include "engine/ProfileUpdates.h"

#include "engine/DesktopIcons.h"
#include "engine/Engine.h"
#include "engine/ExplorerWindows.h"
#include "engine/Log.h"
#include "engine/ProductIds.h"
#include "engine/ProfileConditions.h"
#include "engine/ProfileStore.h"
#include "engine/RuleCreate.h"
#include "engine/TriggerFacts.h"
#include "engine/WindowTable.h"

#include <string.h>

// The readings of the previous tick; UI thread only.
static uint64_t g_updateIdleMs;
static bool g_updateScreensaver;

void ResetUpdateMemory()
{
    g_updateIdleMs = 0;
    g_updateScreensaver = false;
}

// Every rule that is not a group goes; the worker walks the rules under the lock.
static void DeleteNonGroupRules(Profile* p)
{
    if (!p->pRules || !EnterTableLock(200)) return;
    for (int i = p->pRules->count - 1; i >= 0; i--)
        if (!(p->pRules->data[i].item & RULE_ITEM_GROUP)) DeleteProfileRule(p, i);
    LeaveTableLock();
}

void RunProfileUpdate(Profile* p)
{
    if (!p || !p->bGenEnabled) return;
    if (p->updatePending) {
        LogLine("PRF: Updating Profile (%s)", p->szGenName);
        p->updatePending = 0;
        switch (p->iUpdUpdateMode) {
        case 0:
            UpdateProfileFromWindows(p, -1, 1, 1);
            break;
        case 1:
            UpdateProfileFromWindows(p, -1, 0, 1);
            break;
        case 2:
            DeleteNonGroupRules(p);
            UpdateProfileFromWindows(p, -1, 0, 1);
            break;
        case 3:
            UpdateProfileFromWindows(p, -1, 0, 0);
            break;
        }
    }
    if (p->bUpdSaveIcons) SaveDesktopIconsAsync(p, false);
    if (p->bUpdSaveExpWin) CollectExplorerWindows(p);
    const Profile* current = CurrentProfile();
    if (g_mainDialog && current && strcmp(current->szGenName, p->szGenName) == 0)
        PostMessageA(g_mainDialog, WM_PROFILE_RULESCHANGED, 1, -1);
}

static bool IsCurrent(int index)
{
    return index == Options.iCurProfile;
}

// The screen and DPI updates: every profile that asks for this update (and,
// when it updates only while current, is current) and whose conditions held
// in the layout before the change.
static void UpdateForLayout(const MonitorTable* before, uint8_t Profile::*wanted, const char* line)
{
    for (int i = 0; i < g_profiles.count; i++) {
        Profile* p = &g_profiles.data[i];
        if (!(p->*wanted) || (p->bUpdUpdActive && !IsCurrent(i))) continue;
        if (!ProfileConditionsMatch(p, before, false)) continue;
        LogLine(line, p->szGenName);
        RunProfileUpdate(p);
    }
}

void CheckScreenChangeUpdate(MonitorTable* before)
{
    if (!before) return;
    LogLine("UPD: Check Screen Change Update (%d x %d)", before->screenWidth, before->screenHeight);
    UpdateForLayout(before, &Profile::bUpdResChange, "UPD: Screen Change Update (Profile \"%s\")");
}

void CheckDpiChangeUpdate(MonitorTable* before)
{
    if (!before) return;
    LogLine("UPD: Check DPI Change Update (%d)", (int)before->dpis[0]);
    UpdateForLayout(before, &Profile::bUpdDPIChange, "UPD: DPI Change Update (Profile \"%s\")");
}

void CheckSessionLockUpdate()
{
    MonitorTable live = {};
    RefreshMonitors();
    GetMonitorSnapshot(&live);
    for (int i = 0; i < g_profiles.count; i++) {
        Profile* p = &g_profiles.data[i];
        if (!p->bUpdLock || !ProfileConditionsMatch(p, &live, false)) continue;
        LogLine("UPD: Session Lock (Profile \"%s\")", p->szGenName);
        RunProfileUpdate(p);
    }
}

void CheckEventUpdates()
{
    int64_t now = TriggerNow();
    bool idleWanted = false;
    for (int i = 0; i < g_profiles.count; i++) idleWanted |= g_profiles.data[i].bUpdIdle && g_profiles.data[i].iUpdIdle;
    uint64_t previousIdle = g_updateIdleMs;
    uint64_t idle = idleWanted ? InputIdleMs() : previousIdle;
    g_updateIdleMs = idle;
    bool saver = ScreensaverRunning();
    bool saverStarted = saver && !g_updateScreensaver;
    g_updateScreensaver = saver;

    TickLayout live = {};
    for (int i = 0; i < g_profiles.count; i++) {
        Profile* p = &g_profiles.data[i];
        if (p->bUpdUpdActive && !IsCurrent(i)) continue;
        const char* what = nullptr;
        // Idle limits in 64 bits: a stored limit of days must not overflow.
        int64_t idleLimit = (int64_t)p->iUpdIdle * 1000;
        bool timeFires = p->bUpdTime && now - p->iUpdTimeLast >= (int64_t)p->iUpdTime;
        if (timeFires)
            what = "Time";
        else if (p->bUpdIdle && p->iUpdIdle && (int64_t)idle > idleLimit && (int64_t)previousIdle <= idleLimit)
            what = "Input Idle";
        else if (p->bUpdScrSaver && saverStarted)
            what = "Screensaver On";
        if (!what || !ProfileConditionsMatchNow(p, &live, false)) continue;
        if (timeFires) p->iUpdTimeLast = now;
        LogLine("UPD: Event Update (%s)", what);
        RunProfileUpdate(p);
    }
}
