// RuleCreate.h - rules made from the open windows and from templates, and
// profile updates that re-capture windows into their rules.
#pragma once

#include <windows.h>

#include <stdint.h>

#include "engine/ProfileRecord.h"
#include "engine/WindowTable.h"

//--- the profile's rule list
// Every rule this module adds or deletes goes through these two, under
// g_tableLock (taken here; a caller that holds it already keeps it).
// Inserts a copy at index (clamped to the list); where it now stands, or -1.
int InsertProfileRule(Profile* profile, int index, const Rule* rule);
// Deletes the rule at index; false when the lock or the rule was not there.
bool DeleteProfileRule(Profile* profile, int index);

//--- templates
// The index of the profile's first enabled template whose match part matches
// the window, its action part copied into actionOut (when given); -1 when
// none does. With autoOnly, templates without "Auto-create rules" are passed
// over; a matching "Ignore" template ends the search with -1.
int FindTemplateForWindow(Profile* profile, Rule* actionOut, MonitoredWindow* entry, bool autoOnly);
// Completes rule (a copy of a template's action part) for the window and
// inserts it into the profile's rules, inside the first group that takes it;
// its index, or -1. templateName: the template's name. mask: the capture
// mask when not fromMonitor; the monitor pass fills only unset fields.
// Called under g_tableLock.
int CreateRuleFromTemplate(Profile* profile, MonitoredWindow* entry, Rule* rule, const char* templateName,
                           uint32_t mask, int fromMonitor);

//--- profile updates
// Re-captures the window's rule, or (unless updateOnly) makes one from any
// template. The id of the rule updated or made, -1 none. Called under g_tableLock.
int64_t CreateOrUpdateRuleForWindow(Profile* profile, MonitoredWindow* entry, int updateOnly, int recapture);
// Does the above for every monitored window (index -1) or the table entry at
// index. recapture: all five placement fields, else only those the rule's
// "Last ..." modes follow. The highest id updated or made, -1 none.
int64_t UpdateProfileFromWindows(Profile* profile, int index, int updateOnly, int recapture);

//--- titles that settle
// A rule named after a window whose title was still changing: what its
// thread needs to give it the final title later.
struct TitleSettleContext {
    char            namePattern[260];   // the rule's name before placeholders were replaced
    GrowArray<Rule>* rules;             // the profile's rule list: with the name, finds the
    char            profileName[260];   // profile again, or tells it is gone
    MonitoredWindow window;
    uint32_t        ruleId;
};
// Thread procedure: waits up to the rule's titlextime for the window's title
// to change, then gives the rule that title, or deletes it when another rule
// already takes the window. Frees the context; ends quietly when the rule or
// its profile is gone.
DWORD WINAPI TitleSettleThread(void* context);
