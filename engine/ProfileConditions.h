// ProfileConditions.h - whether a profile's restrictions hold for a monitor layout.
#pragma once

#include "engine/ProfileRecord.h"
#include "framework/core/MonitorTable.h"

// Screen rectangle, display DPI and virtual desktop against the layout;
// ignoreEnabled also accepts a disabled profile.
bool ProfileConditionsMatch(const Profile* profile, const MonitorTable* table, bool ignoreEnabled);
