// RuleStubs.cpp - matching, applying and capturing until they are built: no
// window finds a rule.
#include "engine/Rules.h"

bool MatchRule(const Rule*, const MonitoredWindow*, uint32_t* detail)
{
    if (detail) *detail = 0;
    return false;
}

Rule* FindRuleForWindow(Profile*, MonitoredWindow*, int64_t)
{
    return nullptr;
}

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
