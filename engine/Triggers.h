// Triggers.h - events that switch or execute profiles.
#pragma once

// initial: the check at start-up; execute: a matching profile may be executed.
void CheckScreenChangeTrigger(int initial, int execute);
void CheckNetworkChangeTrigger(int initial, int execute);
// Time, input-idle and screensaver triggers, from the main window's timer.
void CheckEventTriggers();
