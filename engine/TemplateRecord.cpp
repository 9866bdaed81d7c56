// TemplateRecord.cpp - rule templates: their defaults and the default set of every profile.
#include "engine/TemplateRecord.h"

#include "framework/core/TextUtil.h"

#include <stdlib.h>

void InitRuleTemplate(RuleTemplate* tmpl)
{
    InitRule(&tmpl->match);
    InitRule(&tmpl->rule);
    tmpl->uiFlag = 0;
    Rule* match = &tmpl->match;
    match->cmpcaption = CMP_ANY;
    match->cmpwndclss = CMP_ANY;
    match->cmpprogram = CMP_ANY;
    Rule* rule = &tmpl->rule;
    CopyText(rule->name, sizeof(rule->name), "#TITLE#");
    SET_RULE_TEXT(rule, caption, "#TITLE#");
    rule->cmpcaption = CMP_EQUALS;
    SET_RULE_TEXT(rule, wndclss, "#CLASS#");
    rule->cmpwndclss = CMP_EQUALS;
    SET_RULE_TEXT(rule, program, "#PROGRAM#");
    rule->cmpprogram = CMP_EQUALS;
}

static void NameTemplate(RuleTemplate* tmpl, const char* name)
{
    CopyText(tmpl->match.name, sizeof(tmpl->match.name), name);
}

bool CreateDefaultTemplates(GrowArray<RuleTemplate>* list, bool shortSet)
{
    if (!list) return false;
    bool ok = true;
    // Each template is large; build one at a time on the heap, not the stack.
    RuleTemplate* t = (RuleTemplate*)malloc(sizeof(RuleTemplate));
    if (!t) return false;

    InitRuleTemplate(t);
    NameTemplate(t, "Ignore Empty Titles");
    t->match.item = RULE_ITEM_KEEP;
    t->match.cmpcaption = CMP_EQUALS;   // with an empty caption: windows without a title
    ok &= ArrayAppend(list, t) >= 0;

    InitRuleTemplate(t);
    NameTemplate(t, "Ignore System Windows");
    t->match.item = RULE_ITEM_KEEP;
    t->match.cmpwndclss = CMP_EQUALS;
    SET_RULE_TEXT(&t->match, wndclss,
             "Progman|SysShadow|Windows.UI.Core.CoreWindow|tooltips_class32|WorkerW|Shell_TrayWnd");
    CopyText(t->match.sepor, sizeof(t->match.sepor), "|");
    ok &= ArrayAppend(list, t) >= 0;

    if (!shortSet) {
        InitRuleTemplate(t);
        NameTemplate(t, "Dynamic Class: HwndWrapper");
        t->match.cmpwndclss = CMP_CONTAINS;
        SET_RULE_TEXT(&t->match, wndclss, "HwndWrapper");
        SET_RULE_TEXT(&t->rule, wndclss, "#CLASS#");
        t->rule.cmpwndclss = CMP_ANY;   // the made rule ignores the changing class
        ok &= ArrayAppend(list, t) >= 0;

        InitRuleTemplate(t);
        NameTemplate(t, "ApplicationFrameHost");
        t->match.cmpprogram = CMP_CONTAINS;
        SET_RULE_TEXT(&t->match, program, "ApplicationFrameHost.exe");
        t->rule.titlextime = 0;
        t->rule.tdelay = 1;
        t->rule.tdelaytime = 100;
        ok &= ArrayAppend(list, t) >= 0;

        InitRuleTemplate(t);
        NameTemplate(t, "Explorer Windows");
        t->match.item = RULE_ITEM_AUTOCREATE;
        t->match.cmpcaption = CMP_ANY;
        t->match.cmpwndclss = CMP_EQUALS;
        SET_RULE_TEXT(&t->match, wndclss, "CabinetWClass");
        t->match.cmpprogram = CMP_CONTAINS;
        SET_RULE_TEXT(&t->match, program, "explorer.exe");
        t->rule.cmpwndclss = CMP_EQUALS;
        SET_RULE_TEXT(&t->rule, wndclss, "CabinetWClass");
        t->rule.movetomode = 1;
        t->rule.sizetomode = 1;
        t->rule.statetomode = 1;
        ok &= ArrayAppend(list, t) >= 0;
    }

    InitRuleTemplate(t);
    NameTemplate(t, "All Other Windows");
    t->rule.tretry = 1;
    t->rule.tretrytime = 500;
    ok &= ArrayAppend(list, t) >= 0;

    free(t);
    return ok;
}
