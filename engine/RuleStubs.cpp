// RuleStubs.cpp - applying and capturing until they are built: a rule that is
// found does nothing to its window.
#include "engine/Rules.h"

bool ApplyRuleToWindow(MonitoredWindow*, Rule*, uint8_t, uint32_t)
{
    return false;
}

uint32_t RunRuleCommand(MonitoredWindow*, Rule*, int, int)
{
    return 0;
}

uint32_t RunProfileCommand(Profile*, int)
{
    return 0;
}

void CaptureWindowPlacement(MonitoredWindow*, Rule*, uint32_t) {}
