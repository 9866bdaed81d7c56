// ProfileReturn.cpp - giving a dialog's working list of profiles back.
#include "engine/ProfileReturn.h"

#include "engine/LiveEdit.h"
#include "engine/ProfileStore.h"
#include "framework/core/TextUtil.h"

#include <stddef.h>

#include <stdlib.h>
#include <string.h>

namespace {

enum Fate : uint8_t { FATE_NEW, FATE_LIVE, FATE_MERGED };

bool HasRule(const Profile* p, uint32_t id)
{
    for (int i = 0; p->pRules && i < p->pRules->count; i++)
        if (p->pRules->data[i].id == id) return true;
    return false;
}

// The live rules, less those the working copy dropped (a purge in the
// settings); rules from since on were made while the dialog was open and stay.
GrowArray<Rule>* KeptLiveRules(const Profile* live, const Profile* working, int32_t since)
{
    GrowArray<Rule>* rules = (GrowArray<Rule>*)malloc(sizeof(GrowArray<Rule>));
    if (!rules) return nullptr;
    InitGrowArray(rules);
    for (int i = 0; live->pRules && i < live->pRules->count; i++) {
        const Rule* r = &live->pRules->data[i];
        if ((int64_t)r->id < (int64_t)since && !HasRule(working, r->id)) continue;
        if (ArrayAppend(rules, r) < 0) {
            FreeGrowArray(rules);
            free(rules);
            return nullptr;
        }
    }
    return rules;
}

void FreePlans(GrowArray<Rule>** rules, int count)
{
    for (int i = 0; rules && i < count; i++) {
        if (!rules[i]) continue;
        FreeGrowArray(rules[i]);
        free(rules[i]);
    }
    free(rules);
}

Profile Merged(Profile* live, Profile* working, GrowArray<Rule>* rules)
{
    Profile m = *working;
    FreeGrowArray(working->pRules);
    free(working->pRules);
    m.pRules = rules;
    if (live->nextRuleId > m.nextRuleId) m.nextRuleId = live->nextRuleId;
    m.updatePending = live->updatePending;
    m.iTrgTimeLast = live->iTrgTimeLast;
    m.iUpdTimeLast = live->iUpdTimeLast;
    m.edited = 1;
    return m;
}

template <typename T>
uint32_t AddList(uint32_t crc, const GrowArray<T>* list)
{
    int32_t count = list ? list->count : -1;
    crc = Crc32Update(crc, &count, sizeof(count));
    return count > 0 ? Crc32Update(crc, list->data, (size_t)count * sizeof(T)) : crc;
}

}  // namespace

uint32_t ProfileFingerprint(const Profile* profile)
{
    Profile settings = *profile;
    settings.iNumRules = settings.iNumIcons = settings.iNumExpWin = settings.iNumTmpls = 0;
    uint32_t crc = Crc32Update(0, &settings, offsetof(Profile, pRules));
    crc = AddList(crc, profile->pRules);
    crc = AddList(crc, profile->pIcons);
    crc = AddList(crc, profile->pExpWin);
    return AddList(crc, profile->pTemplates);
}

bool ReturnDialogProfiles(GrowArray<Profile>* working, const ProfileOrigin* origins)
{
    int n = working->count;
    GrowArray<Profile> next;
    InitGrowArray(&next);
    int32_t* liveAt = (int32_t*)calloc((size_t)n + 1, sizeof(int32_t));
    uint8_t* fate = (uint8_t*)calloc((size_t)n + 1, 1);
    uint8_t* taken = (uint8_t*)calloc((size_t)g_profiles.count + 1, 1);
    GrowArray<Rule>** rules = (GrowArray<Rule>**)calloc((size_t)n + 1, sizeof(GrowArray<Rule>*));
    bool ok = liveAt && fate && taken && rules && (n == 0 || ArraySetCapacity(&next, n, -1));
    // Everything that can fail comes first: nothing moves until all is there.
    for (int i = 0; ok && i < n; i++) {
        Profile* w = &working->data[i];
        int at = origins[i].name[0] ? FindProfileByName(&g_profiles, origins[i].name, -1) : -1;
        liveAt[i] = at;
        fate[i] = FATE_NEW;
        if (at < 0 || taken[at]) continue;
        taken[at] = 1;
        if (!w->edited && strcmp(w->szGenName, origins[i].name) == 0 &&
            ProfileFingerprint(w) == origins[i].fingerprint) {
            fate[i] = FATE_LIVE;
            continue;
        }
        fate[i] = FATE_MERGED;
        rules[i] = KeptLiveRules(&g_profiles.data[at], w, origins[i].nextRuleId);
        ok = rules[i] != nullptr;
    }
    if (!ok) {
        FreePlans(rules, n);
        free(liveAt);
        free(fate);
        free(taken);
        FreeGrowArray(&next);
        return false;
    }
    const Profile* current = CurrentProfile();
    int currentAt = current ? (int)(current - g_profiles.data) : -1;
    int kept = -1;
    for (int i = 0; i < n; i++) {
        Profile* w = &working->data[i];
        Profile* live = liveAt[i] >= 0 ? &g_profiles.data[liveAt[i]] : nullptr;
        Profile p;
        if (fate[i] == FATE_LIVE) {
            p = *live;
            FreeProfileLists(w);
        } else if (fate[i] == FATE_MERGED) {
            p = Merged(live, w, rules[i]);
            rules[i] = nullptr;
        } else {
            p = *w;
            p.edited = 1;
        }
        if (fate[i] == FATE_LIVE) {
            // Its lists now belong to the new list.
            live->pRules = nullptr;
            live->pIcons = nullptr;
            live->pExpWin = nullptr;
            live->pTemplates = nullptr;
        }
        memset(w, 0, sizeof(*w));
        if (fate[i] != FATE_NEW && liveAt[i] == currentAt) kept = i;
        ArrayAppend(&next, &p);   // the capacity is there
    }
    working->count = 0;
    if (kept < 0 && next.count > 0) kept = 0;
    FreePlans(rules, n);
    free(liveAt);
    free(fate);
    free(taken);
    ReplaceProfileList(&next);
    Options.iCurProfile = kept;
    return true;
}
