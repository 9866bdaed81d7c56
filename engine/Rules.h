// Rules.h - matching windows to rules, applying a rule, capturing a window's
// placement into its rule, and the window lists rules keep.
#pragma once

#include <windows.h>

#include <stdint.h>

#include "engine/Engine.h"
#include "engine/Geometry.h"
#include "engine/ProfileRecord.h"
#include "engine/RuleIndex.h"
#include "engine/Script.h"
#include "engine/WindowTable.h"

// Application mask.
#define APPLY_POSITION     0x1
#define APPLY_SIZE         0x2
#define APPLY_STATE        0x4
#define APPLY_ZORDER       0x8
#define APPLY_DESKTOP      0x10
#define APPLY_WIDTH_LEADS  0x20
#define APPLY_HEIGHT_LEADS 0x40
#define APPLY_ALL          0x1F

// Capture mask.
#define CAPTURE_X        0x1
#define CAPTURE_Y        0x2
#define CAPTURE_W        0x4
#define CAPTURE_H        0x8
#define CAPTURE_STATE    0x10
#define CAPTURE_ALL      0x1F
#define CAPTURE_UNSET    0x100   // only fields that are still unset

// Command-script slots of a rule.
#define SLOT_OPEN       0
#define SLOT_CLOSE      1
#define SLOT_MINIMIZE   2
#define SLOT_MAXIMIZE   3
#define SLOT_RESTORE    4
#define SLOT_ACTIVATE   5
#define SLOT_DEACTIVATE 6
#define SLOT_TRIGGER    7
#define SLOT_MATCH      8
#define SLOT_NONE       (-1)

// A rule holds at most this many windows.
#define RULE_WINDOW_LIMIT 63

//--- window lists (monitor pass)
// The new count, or -1 when the list is full or already holds the window.
int AddWindowToRule(Rule* rule, HWND window);
// The window's former index, or -1.
int RemoveWindowFromRule(Rule* rule, HWND window);

//--- matching
// True when the four text criteria hold. With detail, all four are evaluated
// and detail gets 0x1 title, 0x2 class, 0x4 program, 0x8 folder.
bool MatchRule(const Rule* rule, const MonitoredWindow* entry, uint32_t* detail);
// Whether a window style is a main window's by the condition's mode (0
// caption and system menu, 1 either, 2 caption only, 3 system menu only);
// never for a child window.
bool MainWindowStyleFits(uint8_t mode, LONG style);
// The rule of the profile that owns the window, or null. excludedRuleId -1: none.
Rule* FindRuleForWindow(Profile* profile, MonitoredWindow* entry, int64_t excludedRuleId);

//--- applying
// True when carried out (or handed to a delay thread, or the window closed);
// false when the placement did not take.
bool ApplyRuleToWindow(MonitoredWindow* entry, Rule* rule, uint8_t source, uint32_t mask);

// Null when memory ran out; freed with free(), by the thread it is handed to.
ScriptThreadContext* NewScriptThreadContext(const Rule* rule, const MonitoredWindow* window,
                                            uint32_t mode, uint8_t slot);
// Starts the thread on the context, which it then owns; false (and the
// context freed) when the thread could not be created.
bool StartContextThread(LPTHREAD_START_ROUTINE proc, ScriptThreadContext* context);

// Exit codes of the application threads.
#define APPLY_THREAD_DONE        0   // the rule was carried out
#define APPLY_THREAD_WINDOW_GONE 1
#define APPLY_THREAD_GAVE_UP     2   // the placement never took within the retry time

// Thread procedures; each frees its context.
DWORD WINAPI DelayedApplyThread(void* context);
DWORD WINAPI RetryApplyThread(void* context);
// Starts the rule's script in the slot on its own thread. The script's result
// when it ended within waitMs; 0 when none started or waitMs <= 0; 259 while
// still running (also when the wait ended early because the program quits).
uint32_t RunRuleCommand(MonitoredWindow* entry, Rule* rule, int slot, int waitMs);
// Starts a profile script (0 activate, 1 deactivate, 2 execute); returns 0.
uint32_t RunProfileCommand(Profile* profile, int index);
// The chain count stamped on the profile scripts started now: set by the UI
// thread around a profile switch that a script asked for, 0 otherwise.
extern uint8_t g_profileScriptChain;

//--- capturing
void CaptureWindowPlacement(MonitoredWindow* entry, Rule* rule, uint32_t mask);
