// RuleRecord.cpp - the rule record: defaults and its one field list, read and written.
#include "engine/RuleRecord.h"

#include "framework/core/TextUtil.h"

#include <string.h>

#define RULE_FIELD(kind, member) CONFIG_FIELD(Rule, "prul->" #member, kind, member)

// Keys 3 to 17 behind "item", "name" and (kind 0 only) "level": the criteria.
static constexpr ConfigField kRuleCriteria[] = {
    RULE_FIELD(CFK_INT64, time),
    RULE_FIELD(CFK_TEXT, caption),
    RULE_FIELD(CFK_SHORT, captionlen),
    RULE_FIELD(CFK_HEX_BYTE, cmpcaption),
    RULE_FIELD(CFK_TEXT, wndclss),
    RULE_FIELD(CFK_SHORT, wndclsslen),
    RULE_FIELD(CFK_HEX_BYTE, cmpwndclss),
    RULE_FIELD(CFK_TEXT, program),
    RULE_FIELD(CFK_SHORT, programlen),
    RULE_FIELD(CFK_HEX_BYTE, cmpprogram),
    RULE_FIELD(CFK_TEXT, sepan),
    RULE_FIELD(CFK_TEXT, sepor),
    RULE_FIELD(CFK_TEXT, tmpname),
    RULE_FIELD(CFK_SHORT, tmpnamelen),
};

// Keys 18 to 64: conditions and actions up to the command slots.
static constexpr ConfigField kRuleActions[] = {
    RULE_FIELD(CFK_HEX_BYTE, ignifex),
    RULE_FIELD(CFK_SHORT, ignifexnum),
    RULE_FIELD(CFK_HEX_BYTE, ignxnum),
    RULE_FIELD(CFK_SHORT, ignxnumnum),
    RULE_FIELD(CFK_HEX_BYTE, ignxnumresetprf),
    RULE_FIELD(CFK_HEX_BYTE, ignxnumresetpid),
    RULE_FIELD(CFK_HEX_BYTE, matchxnum),
    RULE_FIELD(CFK_SHORT, matchxnumnum),
    RULE_FIELD(CFK_HEX_BYTE, matchxnumresetprf),
    RULE_FIELD(CFK_HEX_BYTE, matchxnumresetpid),
    RULE_FIELD(CFK_HEX_BYTE, titlex),
    RULE_FIELD(CFK_INT, titlextime),
    RULE_FIELD(CFK_HEX_BYTE, tdelay),
    RULE_FIELD(CFK_INT, tdelaytime),
    RULE_FIELD(CFK_HEX_BYTE, tretry),
    RULE_FIELD(CFK_INT, tretrytime),
    RULE_FIELD(CFK_HEX_BYTE, exclfromupdt),
    RULE_FIELD(CFK_HEX_BYTE, moveto),
    RULE_FIELD(CFK_HEX_BYTE, movetomode),
    RULE_FIELD(CFK_INT, x),
    RULE_FIELD(CFK_INT, y),
    RULE_FIELD(CFK_HEX_BYTE, lockpos),
    RULE_FIELD(CFK_HEX_BYTE, mouserelative),
    RULE_FIELD(CFK_HEX_BYTE, keeponscreen),
    RULE_FIELD(CFK_HEX_BYTE, sizeto),
    RULE_FIELD(CFK_HEX_BYTE, sizetomode),
    RULE_FIELD(CFK_INT, w),
    RULE_FIELD(CFK_INT, h),
    RULE_FIELD(CFK_HEX_BYTE, locksize),
    RULE_FIELD(CFK_HEX_BYTE, lockar),
    RULE_FIELD(CFK_HEX_BYTE, keepar),
    RULE_FIELD(CFK_HEX_BYTE, stateto),
    RULE_FIELD(CFK_HEX_BYTE, statetomode),
    RULE_FIELD(CFK_HEX_BYTE, state),
    RULE_FIELD(CFK_HEX_BYTE, lockstate),
    RULE_FIELD(CFK_HEX_BYTE, orderto),
    RULE_FIELD(CFK_HEX_BYTE, order),
    RULE_FIELD(CFK_HEX_BYTE, close),
    RULE_FIELD(CFK_HEX_BYTE, activate),
    RULE_FIELD(CFK_HEX_BYTE, offmode),
    RULE_FIELD(CFK_INT, offx),
    RULE_FIELD(CFK_INT, offy),
    RULE_FIELD(CFK_INT, tilerows),
    RULE_FIELD(CFK_INT, tilecols),
    RULE_FIELD(CFK_HEX_BYTE, transto),
    RULE_FIELD(CFK_HEX_BYTE, transval),
    RULE_FIELD(CFK_HEX_BYTE, clickthrough),
};

// Keys 84 to 91: the Explorer folder.
static constexpr ConfigField kRuleFolder[] = {
    RULE_FIELD(CFK_HEX_BYTE, checkfullpath),
    RULE_FIELD(CFK_HEX_BYTE, cmpfullpath),
    RULE_FIELD(CFK_TEXT, fullpath),
    RULE_FIELD(CFK_SHORT, fullpathlen),
    RULE_FIELD(CFK_HEX_BYTE, remviewmode),
    RULE_FIELD(CFK_INT, viewmode),
    RULE_FIELD(CFK_INT, iconsize),
    RULE_FIELD(CFK_INT, numsortcol),
};

// Keys 93 to 118: the remaining conditions and the virtual desktop.
static constexpr ConfigField kRuleConditions[] = {
    RULE_FIELD(CFK_HEX_BYTE, ignnonres),
    RULE_FIELD(CFK_HEX_BYTE, ignnonresmode),
    RULE_FIELD(CFK_HEX_BYTE, ignstate),
    RULE_FIELD(CFK_HEX_BYTE, ignstatemode),
    RULE_FIELD(CFK_HEX_BYTE, ignnonmain),
    RULE_FIELD(CFK_HEX_BYTE, ignnonmainmode),
    RULE_FIELD(CFK_HEX_BYTE, matchstate),
    RULE_FIELD(CFK_HEX_BYTE, matchstatemode),
    RULE_FIELD(CFK_HEX_BYTE, desktopto),
    RULE_FIELD(CFK_HEX_BYTE, desktoptomode),
    RULE_FIELD(CFK_HEX_BYTE, desktop),
    RULE_FIELD(CFK_HEX_BYTE, lockdesktop),
    RULE_FIELD(CFK_HEX_BYTE, ignsmall),
    RULE_FIELD(CFK_HEX_BYTE, ignsmallmode),
    RULE_FIELD(CFK_SHORT, ignsw),
    RULE_FIELD(CFK_SHORT, ignsh),
    RULE_FIELD(CFK_HEX_BYTE, ignlarge),
    RULE_FIELD(CFK_HEX_BYTE, ignlargemode),
    RULE_FIELD(CFK_SHORT, ignlw),
    RULE_FIELD(CFK_SHORT, ignlh),
    RULE_FIELD(CFK_HEX_BYTE, imatchvdesk),
    RULE_FIELD(CFK_HEX_BYTE, imatchvdeskidx),
    RULE_FIELD(CFK_HEX_BYTE, ignrect),
    RULE_FIELD(CFK_HEX_BYTE, ignrectmode),
    RULE_FIELD(CFK_RECT, ignrectrc),
    RULE_FIELD(CFK_HEX_BYTE, assignonce),
};

void InitRule(Rule* rule)
{
    memset(rule, 0, sizeof(*rule));
    rule->level = 1;
    rule->cmpcaption = CMP_EQUALS;
    rule->cmpwndclss = CMP_EQUALS;
    rule->cmpprogram = CMP_EQUALS;
    rule->moveto = 1;
    rule->sizeto = 1;
    rule->stateto = 1;
    rule->x = rule->y = rule->w = rule->h = VALUE_ANY;
    rule->state = RULE_STATE_NONE;
    rule->desktoptomode = 1;
    rule->desktop = RULE_DESKTOP_NONE;
    rule->titlex = 1;
    rule->titlextime = 2000;
    rule->tdelaytime = 500;
    rule->tretry = 1;
    rule->tretrytime = 100;
    rule->offx = rule->offy = GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CYEDGE);
    rule->tilerows = rule->tilecols = 3;
    rule->ignnonmain = 2;
    rule->cmpfullpath = CMP_CONTAINS;
}

void SetRuleText(char* field, size_t size, int16_t* length, const char* text)
{
    CopyText(field, size, text);
    if (length) *length = (int16_t)BoundedLength(field, size - 1);
}

// Stored lengths are never trusted: each is the length of its text.
static void SetTextLengths(Rule* rule, bool withFolder)
{
    rule->captionlen = (int16_t)BoundedLength(rule->caption, sizeof(rule->caption) - 1);
    rule->wndclsslen = (int16_t)BoundedLength(rule->wndclss, sizeof(rule->wndclss) - 1);
    rule->programlen = (int16_t)BoundedLength(rule->program, sizeof(rule->program) - 1);
    rule->tmpnamelen = (int16_t)BoundedLength(rule->tmpname, sizeof(rule->tmpname) - 1);
    if (withFolder)
        rule->fullpathlen = (int16_t)BoundedLength(rule->fullpath, sizeof(rule->fullpath) - 1);
}

// Values that mean "unset" or cannot work become their working defaults. On
// writing this runs before the exchange, so what is stored reads back as is.
static void CorrectActions(Rule* rule)
{
    if (rule->ignifexnum < 1) rule->ignifexnum = 1;
    if (rule->ignxnumnum < 1) rule->ignxnumnum = 1;
    if (rule->matchxnumnum < 1) rule->matchxnumnum = 1;
    if (rule->tretrytime == 0) rule->tretrytime = 100;
    if (rule->tilerows == 0) rule->tilerows = 3;
    if (rule->tilecols == 0) rule->tilecols = 3;
    if (rule->cmpfullpath == 0) rule->cmpfullpath = CMP_CONTAINS;
}

// Rule::item bits, and keys 2 to 17.
static int ExchangeRuleHead(ConfigRecord* record, Rule* rule, int kind)
{
    int result = ExchangeTextField(record, rule->name, sizeof(rule->name), "prul->name", 0);
    if (kind == RULE_KIND_PROFILE &&
        ExchangeHexByteField(record, &rule->level, "prul->level", 0) == CFG_FULL)
        result = CFG_FULL;
    if (ExchangeConfigFields(record, kRuleCriteria, ARRAYSIZE(kRuleCriteria), rule, 0) == CFG_FULL)
        result = CFG_FULL;
    return result == CFG_FULL ? CFG_FULL : CFG_OK;
}

static int ExchangeRuleBody(ConfigRecord* record, Rule* rule)
{
    int result = ExchangeConfigFields(record, kRuleActions, ARRAYSIZE(kRuleActions), rule, 0);
    // cmdactive is recomputed from the slots; a stored value read later wins.
    rule->cmdactive = 0;
    for (int i = 0; i < RULE_SCRIPT_SLOTS; i++) {
        if (ExchangeHexByteField(record, &rule->cmdenable[i], "prul->cmdenable[xi]", i) == CFG_FULL ||
            ExchangeTextField(record, rule->cmdtext[i], sizeof(rule->cmdtext[i]),
                              "prul->cmdtext[xi]", i) == CFG_FULL)
            result = CFG_FULL;
        if (rule->cmdenable[i] && rule->cmdtext[i][0]) rule->cmdactive = 1;
    }
    if (ExchangeHexByteField(record, &rule->cmdactive, "prul->cmdactive", 0) == CFG_FULL)
        result = CFG_FULL;
    if (ExchangeConfigFields(record, kRuleFolder, ARRAYSIZE(kRuleFolder), rule, 0) == CFG_FULL)
        result = CFG_FULL;
    if (rule->numsortcol > 0 &&
        ExchangeHexBlobField(record, (uint8_t*)&rule->sortcolumn, "prul->sortcolumn", 0) == CFG_FULL)
        result = CFG_FULL;
    if (ExchangeConfigFields(record, kRuleConditions, ARRAYSIZE(kRuleConditions), rule, 0) ==
        CFG_FULL)
        result = CFG_FULL;
    return result;
}

bool SerializeRule(int mode, ConfigRecord* record, Rule* rule, uint32_t id, int kind)
{
    bool writing = mode != 0;
    bool head = (rule->item & RULE_ITEM_GROUP) || kind == RULE_KIND_TEMPLATE_MATCH;
    if (writing) {
        SetTextLengths(rule, !head);
        if (!head) CorrectActions(rule);
    } else {
        rule->id = id;
        memset(rule->windows, 0, sizeof(rule->windows));
        rule->windowCount = 0;
    }

    int rc = ExchangeHexByteField(record, &rule->item, "prul->item", 0);
    if (!writing && rc == CFG_MISSING) return false;
    bool full = rc == CFG_FULL;
    if (ExchangeRuleHead(record, rule, kind) == CFG_FULL) full = true;
    head = (rule->item & RULE_ITEM_GROUP) || kind == RULE_KIND_TEMPLATE_MATCH;
    if (!head) {
        if (!writing) {
            // What a missing key means for these two is not the caller's zero.
            rule->tretry = 1;
            if (kind == RULE_KIND_TEMPLATE_ACTION) rule->ignnonmain = 2;
        }
        if (ExchangeRuleBody(record, rule) == CFG_FULL) full = true;
    }
    if (!writing) {
        SetTextLengths(rule, !head);
        if (!head) CorrectActions(rule);
    }
    return writing ? !full : true;
}
