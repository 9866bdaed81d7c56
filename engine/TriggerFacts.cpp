// TriggerFacts.cpp - the clock, input idle time, screensaver and power status
// as the system gives them, unless a test installed its own.
#include "engine/TriggerFacts.h"

#include <time.h>

static TriggerFacts g_facts;

void SetTriggerFacts(const TriggerFacts* facts)
{
    g_facts = facts ? *facts : TriggerFacts{};
}

int64_t TriggerNow()
{
    return g_facts.now ? g_facts.now() : (int64_t)_time64(nullptr);
}

uint64_t InputIdleMs()
{
    if (g_facts.inputIdleMs) return g_facts.inputIdleMs();
    LASTINPUTINFO info = {sizeof(info), 0};
    if (!GetLastInputInfo(&info)) return 0;
    // Both are 32-bit tick counts: the difference is right across a wrap.
    return (uint64_t)(DWORD)(GetTickCount() - info.dwTime);
}

bool ScreensaverRunning()
{
    if (g_facts.screensaverRunning) return g_facts.screensaverRunning();
    BOOL running = FALSE;
    return SystemParametersInfoA(SPI_GETSCREENSAVERRUNNING, 0, &running, 0) && running;
}

int MainsPower()
{
    if (g_facts.mainsPower) return g_facts.mainsPower();
    SYSTEM_POWER_STATUS status = {};
    if (!GetSystemPowerStatus(&status) || status.ACLineStatus > 1) return -1;
    return status.ACLineStatus;
}

void TriggerSleep(DWORD ms)
{
    if (g_facts.sleep)
        g_facts.sleep(ms);
    else if (ms)
        Sleep(ms);
}
