// RulePurge.cpp - removing the rules of a profile that have not been used for long.
#include "engine/ProfileRecord.h"

#include "framework/core/AppObject.h"

#include <time.h>

int PurgeExpiredRules(Profile* profile, int days)
{
    GrowArray<Rule>* rules = profile->pRules;
    if (!rules) return 0;
    int64_t now = (int64_t)_time64(nullptr);
    int removed = 0;
    for (int32_t i = rules->count - 1; i >= 0; i--) {
        Rule* rule = &rules->data[i];
        if (rule->item & RULE_ITEM_GROUP) continue;
        // Times in an imported configuration mean nothing here yet: start them now.
        if (g_app.configImported) {
            rule->time = now;
            continue;
        }
        if ((rule->item & RULE_ITEM_KEEP) || rule->time >= now) continue;
        // Never used yet (a new rule whose window has not come): its time
        // starts now, instead of counting from 1970 and losing the rule.
        if (rule->time == 0) {
            rule->time = now;
            continue;
        }
        if ((now - rule->time) / 86400 > (int64_t)days) {
            ArrayRemoveAt(rules, i);
            removed++;
        }
    }
    return removed;
}
