// ProfileUpdates.h - events that re-capture windows into a profile's rules.
#pragma once

#include "framework/core/MonitorTable.h"

// From the main window's timer.
void CheckEventUpdates();
// From the monitor pass, with the layout before the change.
void CheckScreenChangeUpdate(MonitorTable* before);
void CheckDpiChangeUpdate(MonitorTable* before);
