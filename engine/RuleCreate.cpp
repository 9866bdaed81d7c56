// RuleCreate.cpp - rules from windows and templates: none are made yet.
#include "engine/RuleCreate.h"

void UpdateProfileFromWindows(Profile*, int, int, int) {}

Rule* CreateRuleFromAutoTemplate(Profile*, MonitoredWindow*)
{
    return nullptr;
}
