// ProfileUpdates.h - events that re-capture the windows into a profile's
// rules: screen and DPI changes, session lock, an interval, input idle, the
// screensaver, and the update command.
#pragma once

#include "engine/ProfileRecord.h"
#include "framework/core/MonitorTable.h"

// One update of an enabled profile: when windows changed since the last one,
// re-capture them into its rules as its update mode says; then save the
// desktop icons and Explorer windows as it asks and tell the main dialog.
void RunProfileUpdate(Profile* profile);

// From the main window's timer.
void CheckEventUpdates();
// From the monitor pass, with the layout before the change (under the table lock).
void CheckScreenChangeUpdate(MonitorTable* before);
void CheckDpiChangeUpdate(MonitorTable* before);
// From the session trigger when the session is locked.
void CheckSessionLockUpdate();
// Forgets the idle and screensaver readings, as at program start.
void ResetUpdateMemory();
