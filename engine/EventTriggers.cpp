// EventTriggers.cpp - the triggers the 1 s timer tests: an interval, input
// idle and the screensaver.
#include "engine/Log.h"
#include "engine/ProfileConditions.h"
#include "engine/ProfileStore.h"
#include "engine/ProfileSwitch.h"
#include "engine/TriggerFacts.h"
#include "engine/TriggerMemory.h"
#include "engine/Triggers.h"
#include "framework/core/MonitorTable.h"

#define SCREENSAVER_STARTS 0x1
#define SCREENSAVER_STOPS  0x2

// Whether input has been idle past the limit (seconds) since this tick and not
// at the previous one: once per idle period, again after new input. In 64
// bits, so no stored limit overflows.
static bool IdlePassed(uint64_t previousMs, uint64_t idleMs, int32_t limitSeconds)
{
    int64_t limit = (int64_t)limitSeconds * 1000;
    return (int64_t)idleMs > limit && (int64_t)previousMs <= limit;
}

void CheckEventTriggers()
{
    int64_t now = TriggerNow();
    // One reading per tick, so every profile sees the same idle period and the
    // same screensaver change; the idle time only while a profile waits for it.
    bool idleWanted = false;
    for (int i = 0; i < g_profiles.count; i++) idleWanted |= g_profiles.data[i].bTrgIdle != 0;
    uint64_t previousIdle = g_triggerMemory.idleMs;
    uint64_t idle = idleWanted ? InputIdleMs() : previousIdle;
    g_triggerMemory.idleMs = idle;
    bool saver = ScreensaverRunning();
    uint32_t saverChange = saver == g_triggerMemory.screensaver ? 0u
                                                                : (saver ? SCREENSAVER_STARTS : SCREENSAVER_STOPS);
    g_triggerMemory.screensaver = saver;

    TickLayout live = {};
    for (int i = 0; i < g_profiles.count; i++) {
        Profile* p = &g_profiles.data[i];
        const char* what = nullptr;
        bool timeFires = p->bTrgTime && now - p->iTrgTimeLast >= (int64_t)p->iTrgTime;
        if (timeFires)
            what = "Time";
        else if (p->bTrgIdle && IdlePassed(previousIdle, idle, p->iTrgIdle))
            what = "Input Idle";
        else if (p->iTrgScrSave & saverChange)
            what = saverChange == SCREENSAVER_STARTS ? "Screensaver On" : "Screensaver Off";
        if (!what || !ProfileConditionsMatchNow(p, &live, false)) continue;
        if (timeFires) p->iTrgTimeLast = now;
        LogLine("TRG: Event Trigger (%s)", what);
        if (ActOnTriggeredProfile(i, 0, PROFILE_SOURCE_EVENT, 1, true)) return;
    }
}
