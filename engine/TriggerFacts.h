// TriggerFacts.h - what the triggers read from the system: the clock, the time
// since the last input, the screensaver, mains power, and the wait before a
// trigger acts. Tests install facts of their own.
#pragma once

#include <windows.h>

#include <stdint.h>

struct TriggerFacts {
    int64_t (*now)();              // calendar time, seconds since 1970
    uint64_t (*inputIdleMs)();     // milliseconds since the last input
    bool (*screensaverRunning)();
    int (*mainsPower)();           // 1 on, 0 off (battery), -1 unknown
    void (*sleep)(DWORD ms);       // a trigger's delay, on the calling thread
};

// Null members (or a null table) use the system. Set on the UI thread before
// any trigger runs.
void SetTriggerFacts(const TriggerFacts* facts);

int64_t TriggerNow();
uint64_t InputIdleMs();
bool ScreensaverRunning();
int MainsPower();
void TriggerSleep(DWORD ms);
