// MonitorPass.h - one pass over the top-level windows: fill the table, classify
// each window's change, find its rule and act on it, log it.
#pragma once

#include <stdint.h>

struct Profile;

// mode below 1: incremental; 1 or more: a profile-applied pass that forgets
// every window first. source: why a profile is applied (0 the user).
void MonitorPass(Profile* profile, int mode, uint8_t source, uint8_t force);
// The worker's pass: the current profile is resolved under the table lock.
void MonitorPassForCurrentProfile();
// Takes the table lock with the bounded wait every pass uses; false when busy.
bool EnterTableLock(int tries);
