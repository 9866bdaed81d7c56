// MonitorPass.h - one pass over the top-level windows: fill the table, classify
// each window's change, find its rule and act on it, log it.
#pragma once

#include <stdint.h>

#include "engine/ProfileRecord.h"
#include "framework/core/MonitorTable.h"

// The layout the screen- and DPI-change updates compare with: taken at
// start-up before the worker runs, then kept current by the pass under
// g_tableLock.
extern MonitorTable g_screenReference;

// mode below 1: incremental; 1 or more: a profile-applied pass that forgets
// every window first. source: why a profile is applied (0 the user). A pass
// already running on this thread is not nested: the worker is woken instead.
void MonitorPass(Profile* profile, int mode, uint8_t source, uint8_t force);
