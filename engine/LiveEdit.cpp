// LiveEdit.cpp - live edits of the profile set: one at a time, the rest queued.
#include "engine/LiveEdit.h"

#include "engine/Log.h"
#include "engine/ProductStrings.h"
#include "engine/ProfileStore.h"
#include "engine/RuleIndex.h"
#include "engine/WindowTable.h"
#include "framework/core/AppObject.h"
#include "framework/core/TextUtil.h"
#include "framework/ui/MessageBox.h"

#include <stdlib.h>
#include <string.h>

namespace {

struct QueuedStep {
    LiveEditStep step;
    void* context;
};

// Oldest first. UI thread.
QueuedStep g_queue[LIVE_EDIT_QUEUE_MAX];
int g_queued;
bool g_running;
int g_commands;
UINT_PTR g_timer;

// How soon a queued step is tried again.
const UINT kRetryMs = 30;

void CALLBACK OnQueueTimer(HWND, UINT, UINT_PTR, DWORD)
{
    RunQueuedLiveEdits();
}

void ArmTimer()
{
    if (!g_timer && g_queued > 0) g_timer = SetTimer(nullptr, 0, kRetryMs, OnQueueTimer);
}

void DisarmTimer()
{
    if (g_timer) KillTimer(nullptr, g_timer);
    g_timer = 0;
}

// Something that may hold live pointers runs or waits now.
bool SomethingRuns()
{
    return g_running || g_commands > 0 || TableLockWaitPumping();
}

// Runs one step alone; true when it is done.
bool RunStep(LiveEditStep step, void* context)
{
    g_running = true;
    bool done = step(context);
    g_running = false;
    if (done) free(context);
    return done;
}

void PushFront(LiveEditStep step, void* context)
{
    memmove(&g_queue[1], &g_queue[0], (size_t)g_queued * sizeof(g_queue[0]));
    g_queue[0] = {step, context};
    g_queued++;
}

}  // namespace

int RunLiveEdit(LiveEditStep step, void* context)
{
    if (!step) {
        free(context);
        return LIVE_EDIT_REFUSED;
    }
    if (!LiveEditBusy()) {
        if (RunStep(step, context)) {
            ArmTimer();   // for what arrived while it ran
            return LIVE_EDIT_DONE;
        }
        PushFront(step, context);
        ArmTimer();
        return LIVE_EDIT_QUEUED;
    }
    if (g_queued >= LIVE_EDIT_QUEUE_MAX) {
        free(context);
        LogLine("Change not made: %d changes are waiting for the rules", g_queued);
        AppMessageBox(&g_app, nullptr, AppText(IDS_PRODUCT_NAME), AppText(IDS_EDIT_REFUSED),
                      MB_ZRP_WARNING | MB_ZRP_OK, 0);
        return LIVE_EDIT_REFUSED;
    }
    g_queue[g_queued++] = {step, context};
    ArmTimer();
    return LIVE_EDIT_QUEUED;
}

bool LiveEditBusy()
{
    return g_queued > 0 || SomethingRuns();
}

int QueuedLiveEdits()
{
    return g_queued;
}

void RunQueuedLiveEdits()
{
    // Only from the message loop's level: a step that waits pumps this timer.
    while (g_queued > 0 && !SomethingRuns()) {
        QueuedStep next = g_queue[0];
        g_queued--;
        memmove(&g_queue[0], &g_queue[1], (size_t)g_queued * sizeof(g_queue[0]));
        if (!RunStep(next.step, next.context)) {
            PushFront(next.step, next.context);
            break;
        }
    }
    if (g_queued == 0) DisarmTimer();
}

void DropQueuedLiveEdits()
{
    for (int i = 0; i < g_queued; i++) free(g_queue[i].context);
    g_queued = 0;
    DisarmTimer();
}

void BeginLiveCommand()
{
    g_commands++;
}

void EndLiveCommand()
{
    if (g_commands > 0) g_commands--;
}

//--- finding things again

LiveProfileRef NoteLiveProfile(const Profile* profile)
{
    LiveProfileRef ref = {};
    ref.index = -1;
    if (!profile) return ref;
    if (profile >= g_profiles.data && profile < g_profiles.data + g_profiles.count)
        ref.index = (int32_t)(profile - g_profiles.data);
    CopyText(ref.name, sizeof(ref.name), profile->szGenName);
    return ref;
}

bool NoteCurrentProfile(LiveProfileRef* ref)
{
    *ref = NoteLiveProfile(CurrentProfile());
    return ref->index >= 0;
}

Profile* FindLiveProfile(const LiveProfileRef* ref)
{
    if (!ref || !ref->name[0]) return nullptr;
    int i = ref->index;
    if (i >= 0 && i < g_profiles.count && strcmp(g_profiles.data[i].szGenName, ref->name) == 0)
        return &g_profiles.data[i];
    i = FindProfileByName(&g_profiles, ref->name, -1);
    return i >= 0 ? &g_profiles.data[i] : nullptr;
}

Rule* FindLiveRule(Profile* profile, uint32_t id)
{
    for (int i = 0; profile && profile->pRules && i < profile->pRules->count; i++)
        if (profile->pRules->data[i].id == id) return &profile->pRules->data[i];
    return nullptr;
}

//--- giving copies back

namespace {

// What the monitor pass keeps up to date in a rule while a dialog edits it.
void KeepRuleRunTime(const Rule* live, Rule* into)
{
    into->id = live->id;
    into->windowCount = live->windowCount;
    memcpy(into->windows, live->windows, sizeof(into->windows));
    into->matchxnumpid = live->matchxnumpid;
    into->matchxnumcount = live->matchxnumcount;
    into->ignxnumpid = live->ignxnumpid;
    into->ignxnumcount = live->ignxnumcount;
    into->time = live->time;
}

// The working rules take the run-time fields of the live rules with their ids.
void KeepRulesRunTime(const Profile* live, Profile* working)
{
    for (int i = 0; working->pRules && i < working->pRules->count; i++) {
        Rule* w = &working->pRules->data[i];
        const Rule* l = FindLiveRule(const_cast<Profile*>(live), w->id);
        if (l) KeepRuleRunTime(l, w);
    }
}

void KeepProfileRunTime(const Profile* live, Profile* working)
{
    KeepRulesRunTime(live, working);
    if (live->nextRuleId > working->nextRuleId) working->nextRuleId = live->nextRuleId;
    working->updatePending = live->updatePending;
}

}  // namespace

bool ReturnWorkingRule(const LiveProfileRef* ref, const Rule* working)
{
    Profile* p = FindLiveProfile(ref);
    Rule* live = FindLiveRule(p, working->id);
    if (!live) return false;
    Rule* merged = (Rule*)malloc(sizeof(Rule));
    if (!merged) return false;
    memcpy(merged, working, sizeof(Rule));
    KeepRuleRunTime(live, merged);
    memcpy(live, merged, sizeof(Rule));
    free(merged);
    p->edited = 1;
    MarkRulesChanged(p);
    return true;
}

bool ReturnWorkingProfile(const LiveProfileRef* ref, Profile* working)
{
    Profile* live = FindLiveProfile(ref);
    if (!live) return false;
    KeepProfileRunTime(live, working);
    Profile next = *working;
    next.pIcons = live->pIcons;
    next.pExpWin = live->pExpWin;
    next.iNumIcons = live->iNumIcons;
    next.iNumExpWin = live->iNumExpWin;
    next.edited = 1;
    Profile old = *live;
    old.pIcons = nullptr;
    old.pExpWin = nullptr;
    *live = next;
    MarkRulesChanged(live);
    FreeProfileLists(&old);
    // Its rules and templates live on in the profile; its other lists are copies.
    working->pRules = nullptr;
    working->pTemplates = nullptr;
    FreeProfileLists(working);
    memset(working, 0, sizeof(*working));
    return true;
}

void ReturnProfileSettings(Profile* profile, Profile* working, int purgeDays)
{
    Profile next = *working;
    // A list the copy could not make stays the profile's own.
    if (!next.pIcons) next.pIcons = profile->pIcons;
    if (!next.pExpWin) next.pExpWin = profile->pExpWin;
    if (!next.pTemplates) next.pTemplates = profile->pTemplates;
    next.pRules = profile->pRules;
    next.nextRuleId = profile->nextRuleId;
    next.iNumRules = profile->iNumRules;
    next.updatePending = profile->updatePending;
    next.rulesGeneration = profile->rulesGeneration;
    next.iTrgTimeLast = profile->iTrgTimeLast;
    next.iUpdTimeLast = profile->iUpdTimeLast;
    next.edited = 1;
    Profile old = *profile;
    old.pRules = nullptr;
    if (old.pIcons == next.pIcons) old.pIcons = nullptr;
    if (old.pExpWin == next.pExpWin) old.pExpWin = nullptr;
    if (old.pTemplates == next.pTemplates) old.pTemplates = nullptr;
    *profile = next;
    if (working->pIcons == next.pIcons) working->pIcons = nullptr;
    if (working->pExpWin == next.pExpWin) working->pExpWin = nullptr;
    if (working->pTemplates == next.pTemplates) working->pTemplates = nullptr;
    FreeProfileLists(&old);
    FreeProfileLists(working);
    memset(working, 0, sizeof(*working));
    if (purgeDays > 0) PurgeExpiredRules(profile, purgeDays);
    MarkRulesChanged(profile);
}

bool ReturnWorkingProfileSettings(const LiveProfileRef* ref, Profile* working, int purgeDays)
{
    Profile* live = FindLiveProfile(ref);
    if (!live) return false;
    ReturnProfileSettings(live, working, purgeDays);
    return true;
}

void ReturnWorkingOptions(const OptionsRecord* working)
{
    OptionsRecord next = *working;
    next.iCurProfile = Options.iCurProfile;
    next.iMonListSortCol = Options.iMonListSortCol;
    next.iMonListSortDir = Options.iMonListSortDir;
    Options = next;
}

void ReturnWorkingProfiles(GrowArray<Profile>* working, int32_t workingCurrent)
{
    for (int i = 0; i < working->count; i++) {
        Profile* w = &working->data[i];
        int at = FindProfileByName(&g_profiles, w->szGenName, -1);
        if (at >= 0) KeepProfileRunTime(&g_profiles.data[at], w);
    }
    const Profile* current = CurrentProfile();
    int kept = current ? FindProfileByName(working, current->szGenName, -1) : -1;
    if (kept < 0) kept = workingCurrent >= 0 && workingCurrent < working->count ? workingCurrent : 0;
    if (working->count == 0) kept = -1;
    ReplaceProfileList(working);
    Options.iCurProfile = kept;
}

void ReplaceProfileList(GrowArray<Profile>* next)
{
    GrowArray<Profile> old = g_profiles;
    g_profiles = *next;
    InitGrowArray(next);
    for (int i = 0; i < g_profiles.count; i++) MarkRulesChanged(&g_profiles.data[i]);
    ClearProfileList(&old);
    FreeGrowArray(&old);
}
