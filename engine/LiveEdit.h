// LiveEdit.h - the one way the UI thread changes the live profile set.
//
// The worker walks g_profiles under g_tableLock, and every UI-thread wait for
// that lock pumps messages: a hand-over, a hotkey or a dialog button can be
// dispatched inside another command's wait. So every command or dialog that
// changes live profiles, rules, templates or options does it as a live edit:
//
// - RunLiveEdit(step, context) runs the step at once when no other step runs
//   or is queued and no UI-thread wait for the table lock is pumping;
//   otherwise the step is queued and runs later from the message loop, in
//   order, when all of that has ended. A step therefore runs alone: whatever
//   arrives through the pump while it waits is queued behind it, so nothing
//   replaces or frees a profile list under it.
// - A step takes the lock with EnterTableLock(0) and returns false when it is
//   busy: it stays first in the queue and is tried again shortly. It returns
//   true when done (or when what it worked on has gone); its context (malloc'd
//   by the caller, or null) is then freed here.
// - A step that waited (an inner call pumped, a message box or file dialog
//   ran) re-finds its profile with FindLiveProfile (index and name, noted with
//   NoteLiveProfile beforehand) and its rule with FindLiveRule (id), and does
//   nothing when they are gone.
// - A dialog edits copies. On OK it gives them back inside a step, under the
//   lock: ReturnWorkingRule / ReturnWorkingProfile / ReturnWorkingProfiles copy
//   only what a dialog edits and keep the run-time fields the monitor pass
//   changed meanwhile (a rule's windows and counters, nextRuleId,
//   Options.iCurProfile, the Window List's sort settings).
// - ReplaceProfileList puts a complete list in place and frees the old one
//   only afterwards; a list that could not be completed is never put in place.
//
// A dialog's OK, for example:
//     struct Back { LiveProfileRef where; Rule working; };      // malloc'd
//     static bool GiveBack(void* c) {
//         Back* b = (Back*)c;
//         if (!EnterTableLock(0)) return false;               // again shortly
//         ReturnWorkingRule(&b->where, &b->working);          // gone: nothing
//         LeaveTableLock();
//         return true;
//     }
//     RunLiveEdit(GiveBack, back);
// Everything here is for the UI thread only.
#pragma once

#include <stdint.h>

#include "engine/OptionsRecord.h"
#include "engine/ProfileRecord.h"

// One step of a live edit; false: the lock was busy, run it again later.
typedef bool (*LiveEditStep)(void* context);

#define LIVE_EDIT_DONE    0    // ran now
#define LIVE_EDIT_QUEUED  1    // runs later, after what runs or waits now
#define LIVE_EDIT_REFUSED (-1) // the queue is full: the user was told, nothing happens
// The most steps that wait at once; more would only be a user hammering a key.
#define LIVE_EDIT_QUEUE_MAX 64

int RunLiveEdit(LiveEditStep step, void* context);
// A step would be queued now: another one runs or waits, or a UI-thread wait
// for the table lock pumps messages.
bool LiveEditBusy();
// Steps still queued (those that could not run yet).
int QueuedLiveEdits();
// Runs the queued steps that can run now; the message loop does this through
// a timer, a test may call it after pumping.
void RunQueuedLiveEdits();
// Drops every queued step without running it (the program ends).
void DropQueuedLiveEdits();
// Around engine code that reads live profiles outside a step and may pump
// messages on the way (the main window's triggers and menu commands): steps
// arriving meanwhile are queued, queued ones wait until the command ends.
void BeginLiveCommand();
void EndLiveCommand();

//--- finding things again after a wait

// A profile as a command noted it: its index and name in g_profiles.
struct LiveProfileRef {
    int32_t index;
    char    name[260];
};
// Notes the profile (null: a reference that finds nothing).
LiveProfileRef NoteLiveProfile(const Profile* profile);
// The current profile noted; false when there is none.
bool NoteCurrentProfile(LiveProfileRef* ref);
// The live profile the reference names, by index and name (by name alone
// when the list moved); null when it is gone. Borrowed; under the lock or in
// a step.
Profile* FindLiveProfile(const LiveProfileRef* ref);
// The profile's rule with the id, null when it is gone. Borrowed.
Rule* FindLiveRule(Profile* profile, uint32_t id);

//--- giving a dialog's copy back (caller holds g_tableLock, inside a step)

// The working rule's edited fields into the live rule with its id in the
// referenced profile; its windows and counters stay. False when the profile
// or the rule is gone (nothing changed).
bool ReturnWorkingRule(const LiveProfileRef* ref, const Rule* working);
// The working profile (a CopyProfile of the live one, edited) in place of the
// referenced profile: its settings and lists are taken over, the run-time
// fields of the live profile and its rules (matched by id) stay. The working
// copy's rule and template lists move into the live profile (the desktop
// icons and Explorer windows it saved stay the live ones); it is left empty.
// False when the profile is gone (the working copy is untouched).
bool ReturnWorkingProfile(const LiveProfileRef* ref, Profile* working);
// A settings dialog's working profile (a CopyProfile, edited) given back to
// profile: every setting and the template, desktop-icon and Explorer lists
// move in (the replaced lists are freed afterwards; working is left empty),
// while profile's rule list, nextRuleId and run-time fields stay as the pass
// left them. purgeDays above 0 then purges the rules unused that long.
// Caller holds g_tableLock when profile is a live one.
void ReturnProfileSettings(Profile* profile, Profile* working, int purgeDays);
// The same for the referenced live profile; false when it is gone (working
// is untouched).
bool ReturnWorkingProfileSettings(const LiveProfileRef* ref, Profile* working, int purgeDays);
// The working options in place of Options; the current profile and the
// Window List's sort settings stay.
void ReturnWorkingOptions(const OptionsRecord* working);
// A whole working list (the main dialog's backup, the Profiles dialog's
// list) in place of g_profiles: rules matched by profile name and id keep
// their run-time fields, nextRuleId never goes back, the current profile
// stays current by name (else the working index holds). The working list's
// records move in; the old list is freed afterwards; working is left empty.
void ReturnWorkingProfiles(GrowArray<Profile>* working, int32_t workingCurrent);
// next (complete) becomes g_profiles; the old list is freed afterwards. next
// is left empty.
void ReplaceProfileList(GrowArray<Profile>* next);
