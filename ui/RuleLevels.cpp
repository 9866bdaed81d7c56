// RuleLevels.cpp - levels of rule lists from the clipboard and from files.
#include "ui/RuleLevels.h"

void NormalizeListedLevels(GrowArray<Rule>* list)
{
    if (!list || list->count == 0) return;
    int first = list->data[0].level;
    int deepest = 0;   // how deep the next rule may go
    for (int i = 0; i < list->count; i++) {
        Rule* r = &list->data[i];
        int level = r->level >= first ? r->level - first : 0;
        if (level > deepest) level = deepest;
        r->level = (uint8_t)level;
        deepest = (r->item & RULE_ITEM_GROUP) ? level + 1 : level;
        if (deepest > 255) deepest = 255;
    }
}

uint8_t PlacedLevel(int base, uint8_t listed)
{
    int level = base + listed;
    return (uint8_t)(level < 0 ? 0 : level > 255 ? 255 : level);
}
