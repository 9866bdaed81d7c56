// RuleCreate.h - rules made from the open windows and from templates, and
// profile updates that re-capture windows into their rules.
#pragma once

#include "engine/ProfileRecord.h"
#include "engine/WindowTable.h"

// Re-captures the windows into the profile's rules (index: the profile's
// place in the list, -1 none).
void UpdateProfileFromWindows(Profile* profile, int index, int updateOnly, int recapture);
// A rule made from the profile's first matching auto-create template, or null.
Rule* CreateRuleFromAutoTemplate(Profile* profile, MonitoredWindow* entry);
