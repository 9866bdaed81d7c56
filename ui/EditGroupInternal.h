// EditGroupInternal.h - what the Edit Group dialog's files share: the copy
// the dialog edits, taken from and given back to the live profile.
#pragma once

#include <windows.h>

#include <stdint.h>

#include "engine/LiveEdit.h"

// The fields of a group the dialog edits, and the enabled state of the rules
// under it (BST_CHECKED none disabled, BST_UNCHECKED all disabled,
// BST_INDETERMINATE both).
struct GroupFields {
    char    name[260];
    char    caption[260];
    char    wndclss[128];
    char    program[520];
    char    tmpname[260];
    uint8_t type;       // kept in the group's cmpcaption: 0 all, 1 manual, 2 automatic
    int     enabled;
};

// What one open dialog holds: where the group lives, its fields as opened,
// and the profile's template names for the template box.
struct GroupEdit {
    LiveProfileRef where;
    uint32_t       groupId;
    GroupFields    opened;
    char         (*templateNames)[260];   // malloc'd; FreeGroupEdit
    int            templateCount;
};

// The group's copy from the live profile, under the table lock (a bounded
// wait that is refused inside another one). False when the lock stays busy
// or the profile or group is gone.
bool TakeGroupEdit(GroupEdit* edit);
void FreeGroupEdit(GroupEdit* edit);

// Results of GiveGroupBack.
#define GROUP_BACK_DONE   0   // written
#define GROUP_BACK_GONE   1   // the profile or group has gone: nothing written
#define GROUP_BACK_LATER  2   // another change runs first; it is written (or reported gone) after it
#define GROUP_BACK_REFUSED 3  // too many changes wait: the user was told, nothing written
// Writes the fields into the live group with the edit's id, and, when
// enabled differs from the state at opening, the disabled flag of the group
// and every rule under it; all in one step under the lock. owner is told
// when the group turns out gone later.
int GiveGroupBack(const GroupEdit* edit, const GroupFields* fields);
// Marks the group's profile edited (a discarded change still counts for the
// main dialog's Cancel).
void MarkGroupProfileEdited(const GroupEdit* edit);

// The rules under the group at index: those after it with a greater level
// (0 counts as 1), up to the first that is not deeper. Their enabled state
// as the box shows it; checked when there are none.
int RulesUnderGroupState(const Rule* rules, int count, int groupIndex);
// Sets or clears the disabled flag of the group at index and of every rule
// under it, at every depth.
void SetGroupRulesDisabled(Rule* rules, int count, int groupIndex, bool disabled);
