// RuleLevels.h - the levels of a copied, pasted or imported rule list, made
// safe to insert whatever the list held.
#pragma once

#include <stdint.h>

#include "engine/RuleRecord.h"
#include "framework/core/GrowArray.h"

// Makes the list's levels relative and well formed: the first rule at 0, a
// level above the first one at 0 (a missing parent is the top), and none
// deeper than one below the nearest group before it (a gap of several levels
// nests under that group; a plain rule takes no children).
void NormalizeListedLevels(GrowArray<Rule>* list);
// A listed level placed at base, saturated at the deepest level (255).
uint8_t PlacedLevel(int base, uint8_t listed);
