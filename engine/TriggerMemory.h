// TriggerMemory.h - what the trigger checks remember from one call to the next.
#pragma once

#include <stdint.h>

#include "engine/NetworkStatus.h"

// UI thread only.
struct TriggerMemory {
    NetworkState network;     // at the last network check; empty at start, so all of it is new
    uint64_t idleMs;          // input idle time at the previous tick
    bool screensaver;         // running at the previous tick
    bool firstMonitorPower;   // registering for a setting sends its current value once:
    bool firstLid;            // that first notification is not an event
};
extern TriggerMemory g_triggerMemory;
