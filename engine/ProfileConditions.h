// ProfileConditions.h - whether a profile's restrictions hold for a monitor layout.
#pragma once

#include "engine/ProfileRecord.h"
#include "framework/core/MonitorTable.h"

// Screen rectangle, display DPI and virtual desktop against the layout;
// ignoreEnabled also accepts a disabled profile.
bool ProfileConditionsMatch(const Profile* profile, const MonitorTable* table, bool ignoreEnabled);

// The live layout of one timer tick, read from the system the first time a
// profile's conditions need it: most ticks fire nothing and never need it.
struct TickLayout {
    bool read;
    MonitorTable table;
};
bool ProfileConditionsMatchNow(const Profile* profile, TickLayout* layout, bool ignoreEnabled);
