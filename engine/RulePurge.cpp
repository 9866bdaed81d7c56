// RulePurge.cpp - removing the rules of a profile that have not been used for long.
#include "engine/ProfileRecord.h"

#include "framework/core/AppObject.h"

#include <string.h>
#include <time.h>

// Whether the rule goes; a time that means nothing yet starts now instead.
static bool RuleExpired(Rule* rule, int64_t now, int days)
{
    if (rule->item & RULE_ITEM_GROUP) return false;
    // Times in an imported configuration mean nothing here yet.
    if (g_app.configImported) {
        rule->time = now;
        return false;
    }
    if ((rule->item & RULE_ITEM_KEEP) || rule->time >= now) return false;
    // Never used yet (a new rule whose window has not come): counting from
    // 1970 would lose it.
    if (rule->time == 0) {
        rule->time = now;
        return false;
    }
    return (now - rule->time) / 86400 > (int64_t)days;
}

int PurgeExpiredRules(Profile* profile, int days)
{
    GrowArray<Rule>* rules = profile->pRules;
    if (!rules) return 0;
    int64_t now = (int64_t)_time64(nullptr);
    // One pass that keeps the survivors in order: removing them one by one
    // would move the tail each time, quadratic in a profile of many old rules.
    int32_t kept = 0;
    for (int32_t i = 0; i < rules->count; i++) {
        if (RuleExpired(&rules->data[i], now, days)) continue;
        if (kept != i) memcpy(&rules->data[kept], &rules->data[i], sizeof(Rule));
        kept++;
    }
    int removed = rules->count - kept;
    rules->count = kept;
    return removed;
}
