// EditGroupStore.cpp - Edit Group's copy of a group: taken from the live
// profile under the lock, given back by id in one live-edit step.
#include "ui/EditGroupInternal.h"

#include "engine/Engine.h"
#include "engine/Log.h"
#include "engine/ProductIds.h"
#include "engine/ProductStrings.h"
#include "engine/RuleIndex.h"
#include "engine/WindowTable.h"
#include "framework/core/AppObject.h"
#include "framework/core/StringTable.h"
#include "framework/core/TextUtil.h"
#include "framework/ui/MessageBox.h"

#include <stdlib.h>
#include <string.h>

namespace {

// How often the opening copy tries for the lock (10 ms of pumping each).
const int kOpenLockTries = 100;

int TreeLevel(const Rule* r)
{
    return r->level ? r->level : 1;
}

// Index just past the last rule under the group.
int EndOfGroup(const Rule* rules, int count, int groupIndex)
{
    int level = TreeLevel(&rules[groupIndex]);
    int end = groupIndex + 1;
    while (end < count && TreeLevel(&rules[end]) > level) end++;
    return end;
}

int RuleIndexOf(const Profile* p, const Rule* r)
{
    return (int)(r - p->pRules->data);
}

void ReadFields(const Rule* group, const Profile* p, GroupFields* f)
{
    *f = GroupFields{};
    CopyText(f->name, sizeof(f->name), group->name);
    CopyText(f->caption, sizeof(f->caption), group->caption);
    CopyText(f->wndclss, sizeof(f->wndclss), group->wndclss);
    CopyText(f->program, sizeof(f->program), group->program);
    CopyText(f->tmpname, sizeof(f->tmpname), group->tmpname);
    f->type = group->cmpcaption;
    f->enabled = RulesUnderGroupState(p->pRules->data, p->pRules->count, RuleIndexOf(p, group));
}

bool CopyTemplateNames(const Profile* p, GroupEdit* edit)
{
    int count = p->pTemplates ? p->pTemplates->count : 0;
    if (count == 0) return true;
    edit->templateNames = (char(*)[260])calloc((size_t)count, sizeof(edit->templateNames[0]));
    if (!edit->templateNames) return false;
    for (int i = 0; i < count; i++)
        CopyText(edit->templateNames[i], sizeof(edit->templateNames[i]), p->pTemplates->data[i].match.name);
    edit->templateCount = count;
    return true;
}

// The live group of the reference; null when it or its profile has gone, or
// the id now names a plain rule. Under the lock.
Rule* FindLiveGroup(const LiveProfileRef* where, uint32_t id, Profile** profile)
{
    Profile* p = FindLiveProfile(where);
    Rule* r = FindLiveRule(p, id);
    if (!r || !(r->item & RULE_ITEM_GROUP)) return nullptr;
    *profile = p;
    return r;
}

struct GroupBack {
    LiveProfileRef where;
    uint32_t       groupId;
    GroupFields    fields;
    bool           setEnabled;
};

// The give-back that runs inside GiveGroupBack reports here; one that runs
// later reports itself.
const GroupBack* g_waitingBack;
bool g_waitingFound;

void WriteGroup(Profile* p, Rule* group, const GroupBack* b)
{
    SET_RULE_TEXT(group, caption, b->fields.caption);
    SET_RULE_TEXT(group, wndclss, b->fields.wndclss);
    SET_RULE_TEXT(group, program, b->fields.program);
    SET_RULE_TEXT(group, tmpname, b->fields.tmpname);
    CopyText(group->name, sizeof(group->name), b->fields.name);
    group->cmpcaption = b->fields.type;
    if (b->setEnabled && b->fields.enabled != BST_INDETERMINATE)
        SetGroupRulesDisabled(p->pRules->data, p->pRules->count, RuleIndexOf(p, group),
                              b->fields.enabled == BST_UNCHECKED);
    p->edited = 1;
    MarkRulesChanged(p);
}

bool GiveBackStep(void* context)
{
    const GroupBack* b = (const GroupBack*)context;
    if (!EnterTableLock(0)) return false;
    Profile* p = nullptr;
    Rule* group = FindLiveGroup(&b->where, b->groupId, &p);
    if (group) WriteGroup(p, group, b);
    LeaveTableLock();
    if (b == g_waitingBack) {
        g_waitingFound = group != nullptr;
        return true;
    }
    if (!group) {
        LogLine("Edit Group: the group %u was removed meanwhile, nothing changed", b->groupId);
        AppMessageBox(&g_app, g_mainDialog, AppText(IDS_PRODUCT_NAME), AppText(IDS_GROUP_GONE),
                      MB_ZRP_WARNING | MB_ZRP_OK, 0);
    } else if (g_mainDialog) {
        PostMessageA(g_mainDialog, WM_PROFILE_RULESCHANGED, 1, (LPARAM)b->groupId);
    }
    return true;
}

bool MarkEditedStep(void* context)
{
    if (!EnterTableLock(0)) return false;
    Profile* p = FindLiveProfile((const LiveProfileRef*)context);
    if (p) p->edited = 1;
    LeaveTableLock();
    return true;
}

}  // namespace

int RulesUnderGroupState(const Rule* rules, int count, int groupIndex)
{
    if (!rules || groupIndex < 0 || groupIndex >= count) return BST_CHECKED;
    bool enabled = false, disabled = false;
    int end = EndOfGroup(rules, count, groupIndex);
    for (int i = groupIndex + 1; i < end; i++) {
        if (rules[i].item & RULE_ITEM_DISABLED)
            disabled = true;
        else
            enabled = true;
    }
    if (!disabled) return BST_CHECKED;
    return enabled ? BST_INDETERMINATE : BST_UNCHECKED;
}

void SetGroupRulesDisabled(Rule* rules, int count, int groupIndex, bool disabled)
{
    if (!rules || groupIndex < 0 || groupIndex >= count) return;
    int end = EndOfGroup(rules, count, groupIndex);
    for (int i = groupIndex; i < end; i++) {
        if (disabled)
            rules[i].item |= RULE_ITEM_DISABLED;
        else
            rules[i].item &= (uint8_t)~RULE_ITEM_DISABLED;
    }
}

bool TakeGroupEdit(GroupEdit* edit)
{
    // Inside another wait for the lock a command may hold half-changed rules.
    if (TableLockWaitPumping()) return false;
    if (!EnterTableLock(kOpenLockTries)) return false;
    Profile* p = nullptr;
    Rule* group = FindLiveGroup(&edit->where, edit->groupId, &p);
    bool taken = group && CopyTemplateNames(p, edit);
    if (taken) ReadFields(group, p, &edit->opened);
    LeaveTableLock();
    return taken;
}

void FreeGroupEdit(GroupEdit* edit)
{
    free(edit->templateNames);
    edit->templateNames = nullptr;
    edit->templateCount = 0;
}

int GiveGroupBack(const GroupEdit* edit, const GroupFields* fields)
{
    GroupBack* b = (GroupBack*)calloc(1, sizeof(GroupBack));
    if (!b) return GROUP_BACK_REFUSED;
    b->where = edit->where;
    b->groupId = edit->groupId;
    b->fields = *fields;
    // The box left as it opened writes no flags: rules changed meanwhile keep theirs.
    b->setEnabled = fields->enabled != edit->opened.enabled;
    g_waitingBack = b;
    g_waitingFound = false;
    int ran = RunLiveEdit(GiveBackStep, b);
    g_waitingBack = nullptr;
    if (ran == LIVE_EDIT_QUEUED) return GROUP_BACK_LATER;
    if (ran == LIVE_EDIT_REFUSED) return GROUP_BACK_REFUSED;
    return g_waitingFound ? GROUP_BACK_DONE : GROUP_BACK_GONE;
}

void MarkGroupProfileEdited(const GroupEdit* edit)
{
    LiveProfileRef* ref = (LiveProfileRef*)malloc(sizeof(LiveProfileRef));
    if (!ref) return;
    *ref = edit->where;
    RunLiveEdit(MarkEditedStep, ref);
}
