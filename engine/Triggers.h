// Triggers.h - events that switch a profile or execute it in place: screen,
// DPI, virtual desktop, session, power, network, time, idle and screensaver.
#pragma once

#include <windows.h>

#include <stdint.h>

// The longest a trigger's stored delay holds up the UI thread, in ms.
#define TRIGGER_DELAY_MAX 10000

// Whether the machine has a lid; set once at start-up.
extern uint8_t g_lidPresent;

// Acts on the profile at index as a trigger does: waits the delay (clamped to
// 0..TRIGGER_DELAY_MAX), then switches to it with (runScripts, runScripts),
// or, when it only executes and execution is allowed, executes it in place.
// True when the walk over the profiles stops here.
bool ActOnTriggeredProfile(int index, int32_t delayMs, int mode, int runScripts, bool allowExecute);

// initial: the check at start-up; execute: profiles may be applied and
// executed. True when a profile stopped the walk (the network check: also
// when nothing changed).
bool CheckScreenChangeTrigger(int initial, int execute);
bool CheckNetworkChangeTrigger(int initial, int execute);
// The new DPI; the old one comes from the previous and live monitor tables.
void CheckDpiChangeTrigger(int newDpi);
void CheckDesktopTrigger(int desktop);
// A WM_WTSSESSION_CHANGE code.
void CheckSessionTrigger(uint32_t code);
// WM_POWERBROADCAST: the event and its data (POWERBROADCAST_SETTING* for a
// setting change).
void CheckPowerTrigger(WPARAM event, LPARAM data);
// Time, input-idle and screensaver triggers, from the main window's timer.
void CheckEventTriggers();

// Forgets what the checks remember between calls, as at program start: the
// network state, the idle and screensaver readings and the first
// notifications of monitor power and lid.
void ResetTriggerMemory();
