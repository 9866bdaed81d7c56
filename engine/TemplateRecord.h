// TemplateRecord.h - rule templates: a match part and an action part.
#pragma once

#include "engine/RuleRecord.h"
#include "framework/core/GrowArray.h"

struct RuleTemplate {
    Rule    match;    // RULE_KIND_TEMPLATE_MATCH; its name is the template's name
    Rule    rule;     // RULE_KIND_TEMPLATE_ACTION; may hold #TITLE#, #CLASS#, #PROGRAM#
    uint8_t uiFlag;   // a mark of the dialogs' template lists; not stored
};

// Both parts from InitRule; the match part matches any window and the action
// part names the window's title, class and program.
void InitRuleTemplate(RuleTemplate* tmpl);
// Appends the default templates: six, or three with shortSet. False when one
// could not be added.
bool CreateDefaultTemplates(GrowArray<RuleTemplate>* list, bool shortSet);
