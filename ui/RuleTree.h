// RuleTree.h - the main dialog's tree of the current profile's rules. The
// profile's rule list is the truth: the tree is refilled from it after every
// change, and a change made in the tree is written back by reading the tree
// in order. Every function here runs on the UI thread; those that touch a
// rule list take the table lock (BeginRuleEdit) or say that the caller holds it.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <stdint.h>

#include "engine/ProfileRecord.h"

// Rule id of an item whose reading failed.
#define RULE_ID_NONE ((uint32_t)-1)
// Images of the tree's items; a group's item shows the group image.
#define TREE_IMAGE_RULE  0
#define TREE_IMAGE_GROUP 1
bool RuleTreeItemIsGroup(HTREEITEM item);

// One item of the flattened tree, in tree order.
struct RuleTreeItem {
    uint32_t  id;      // the rule's id; RULE_ID_NONE when the item could not be read
    uint8_t   depth;   // 1 = top level
    uint32_t  state;   // the item's TVIS_EXPANDED bit
    HTREEITEM item;
};

// The clipboard of Copy, Cut and Paste (the program's run time) and the list
// Import and Export reuse; UI thread.
extern GrowArray<Rule> g_clipboardRules;
extern GrowArray<Rule> g_exportRules;

// The current profile when the tree shows its rules, else null: ids read
// from the tree mean something only in the profile it was filled from.
Profile* TreeProfile();
// Forgets which profile the tree shows (the dialog closes).
void ForgetTreeProfile();

// Refills the tree from the profile; selectId -1 keeps the selection.
// Nothing while the tree-refresh switch is off, while the dialog is closed or
// when the lock cannot be had (the refill is then tried again shortly).
void RefreshRuleTree(Profile* profile, int64_t selectId);
// Only the bold (holds windows) and cut (disabled) bits, then the selection.
void UpdateRuleTreeStates(Profile* profile, int64_t selectId);
// A refill that could not have the lock, done now when it still waits.
void RetryRuleTreeRefresh();
// The tree's expanded states into the rules' expanded flag; only into the
// profile the tree shows.
void StoreTreeExpandStateOf(Profile* profile);
// Rebuilds the profile's rule list in tree order (levels from depths,
// expanded flags from items). Rules without an item are dropped, except those
// made since the tree was filled (by the monitor pass), which keep their
// place. Caller holds the lock.
void ApplyTreeOrderToRules(Profile* profile);

HTREEITEM SelectRuleInTree(int64_t id);
int FindRuleIndexById(const Profile* profile, uint32_t id);
// The selected item's rule id, or RULE_ID_NONE.
uint32_t SelectedRuleId();
void ExpandRuleTree(bool expand);

// Pre-order walk from the root with depth 1 into the tree's item list.
const GrowArray<RuleTreeItem>* CollectTreeItems();
// Copies of the item's rule and of the rules under it, in tree order, into
// list (emptied first), with levels relative to the item (it has level 0).
// Caller holds the lock.
void CollectTreeRules(const Profile* profile, GrowArray<Rule>* list, HTREEITEM item);
// Pastes copies of the list after the selected rule (one level deeper for a
// group) or at the end; new ids; levels clamped. The first pasted id, or -1.
// Caller holds the lock.
int64_t PasteRules(Profile* profile, const GrowArray<Rule>* list);
// A new group after the selected rule, or at the end. Its id, or -1. Caller
// holds the lock.
int64_t CreateRuleGroup(Profile* profile);

//--- custom draw and the item look
LRESULT DrawRuleTreeItem(NMTVCUSTOMDRAW* draw);

//--- drag and drop (the dialog receives the mouse while a drag runs)
bool RuleTreeDragging();
void BeginRuleTreeDrag(HWND dialog, const NMTREEVIEWA* begin);
void MoveRuleTreeDrag(HWND dialog, POINT client);
void EndRuleTreeDrag(HWND dialog);
// Cancel during a drag: ends it without a drop.
void CancelRuleTreeDrag(HWND dialog);
void ExpandHoveredGroup();

//--- label editing
bool RuleTreeLabelEditing();
void BeginRuleTreeLabelEdit(HWND tree);
void EndRuleTreeLabelEdit(const NMTVDISPINFOA* info);
