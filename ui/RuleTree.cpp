// RuleTree.cpp - filling the rule tree from a profile, its item states, the
// walk in tree order and writing that order back into the profile.
#include "ui/RuleTree.h"

#include "engine/Engine.h"
#include "engine/OptionsRecord.h"
#include "engine/ProfileStore.h"
#include "engine/ProfileSwitch.h"
#include "ui/MainDialog.h"
#include "ui/MainDialogInternal.h"

#include <stdlib.h>
#include <string.h>

GrowArray<Rule> g_clipboardRules = {0, nullptr, -1, 0, 0};
GrowArray<Rule> g_exportRules = {0, nullptr, -1, 0, 0};

namespace {

// The rule list the tree was filled from, and the profile's next rule id at
// that moment: rules with ids from there on were made after the fill.
GrowArray<Rule>* g_treeRules;
int32_t g_treeFillMark;
// Rebuilt by every walk (CollectTreeItems).
GrowArray<RuleTreeItem> g_treeItems = {0, nullptr, -1, 0, 0};
// Ids of the shown rules that have a command script, sorted: the custom draw
// reads them without touching the rules, which the worker may be changing.
GrowArray<uint32_t> g_scriptRuleIds = {0, nullptr, -1, 0, 0};
// A refill that could not have the lock waits for this timer.
const UINT_PTR kRefreshRetryTimer = 0x5433;
bool g_refreshWaiting;
int64_t g_refreshWaitingSelect = -1;

uint8_t ShownLevel(const Rule* r)
{
    return r->level == 0 ? 1 : r->level;
}

bool IsGroup(const Rule* r)
{
    return (r->item & RULE_ITEM_GROUP) != 0;
}

uint32_t ItemRuleId(HTREEITEM item)
{
    TVITEMA tv = {};
    tv.mask = TVIF_PARAM | TVIF_HANDLE;
    tv.hItem = item;
    if (!item || !TreeView_GetItem(g_ruleTree, &tv)) return RULE_ID_NONE;
    return (uint32_t)tv.lParam;
}

int CompareIds(const void* a, const void* b)
{
    uint32_t x = *(const uint32_t*)a, y = *(const uint32_t*)b;
    return x < y ? -1 : x > y ? 1 : 0;
}

// Walks a group's subtree: clears its disabled flag, sets it again when no
// rule below it is enabled (a child group counts as enabled when one rule in
// it is). The index after the subtree.
int RecomputeGroupDisabled(GrowArray<Rule>* rules, int at)
{
    uint8_t level = ShownLevel(&rules->data[at]);
    rules->data[at].item &= (uint8_t)~RULE_ITEM_DISABLED;
    bool anyEnabled = false;
    int i = at + 1;
    while (i < rules->count && ShownLevel(&rules->data[i]) > level) {
        int next = IsGroup(&rules->data[i]) ? RecomputeGroupDisabled(rules, i) : i + 1;
        if (!(rules->data[i].item & RULE_ITEM_DISABLED)) anyEnabled = true;
        i = next;
    }
    if (!anyEnabled) rules->data[at].item |= RULE_ITEM_DISABLED;
    return i;
}

// An empty group shows disabled, and so does a group whose rules all are.
void UpdateGroupDisabledStates(Profile* profile)
{
    GrowArray<Rule>* rules = profile->pRules;
    for (int i = 0; i < rules->count;) {
        if (IsGroup(&rules->data[i]))
            i = RecomputeGroupDisabled(rules, i);
        else
            i++;
    }
}

HTREEITEM InsertRuleTreeItem(HTREEITEM insertAfter, HTREEITEM parent, const char* text, uint32_t id,
                             bool isGroup, UINT state)
{
    TVINSERTSTRUCTA ins = {};
    ins.hParent = parent;
    ins.hInsertAfter = insertAfter;
    ins.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_STATE;
    ins.item.pszText = (char*)text;
    ins.item.lParam = (LPARAM)id;
    ins.item.iImage = ins.item.iSelectedImage = isGroup ? TREE_IMAGE_GROUP : TREE_IMAGE_RULE;
    ins.item.stateMask = TVIS_EXPANDED | TVIS_BOLD | TVIS_CUT | TVIS_SELECTED;
    ins.item.state = state;
    return TreeView_InsertItem(g_ruleTree, &ins);
}

UINT RuleItemState(const Rule* r)
{
    UINT state = 0;
    if (r->item & RULE_ITEM_EXPANDED) state |= TVIS_EXPANDED;
    if (r->windowCount != 0) state |= TVIS_BOLD;
    if (r->item & RULE_ITEM_DISABLED) state |= TVIS_CUT;
    return state;
}

void NoteScriptRule(const Rule* r)
{
    if (r->cmdactive) ArrayAppend(&g_scriptRuleIds, &r->id);
}

// Items as the rules stand in the list: each under the latest item one level
// up. A gap of levels nests under the nearest shallower item; with none the
// item is at the top.
void FillItems(Profile* profile, uint32_t selectId, uint32_t firstVisibleId, HTREEITEM* selectItem,
               HTREEITEM* firstVisibleItem)
{
    HTREEITEM latest[256] = {};
    FreeGrowArray(&g_scriptRuleIds);
    for (int i = 0; i < profile->pRules->count; i++) {
        const Rule* r = &profile->pRules->data[i];
        uint8_t level = ShownLevel(r);
        HTREEITEM parent = TVI_ROOT;
        for (int k = level - 1; k >= 1; k--)
            if (latest[k]) {
                parent = latest[k];
                break;
            }
        HTREEITEM item = InsertRuleTreeItem(TVI_LAST, parent, r->name, r->id, IsGroup(r), RuleItemState(r));
        latest[level] = item;
        for (int k = level + 1; k < 256; k++) latest[k] = nullptr;
        if (r->id == selectId) *selectItem = item;
        if (r->id == firstVisibleId) *firstVisibleItem = item;
        NoteScriptRule(r);
    }
    if (g_scriptRuleIds.count > 1)
        qsort(g_scriptRuleIds.data, (size_t)g_scriptRuleIds.count, sizeof(uint32_t), CompareIds);
}

void WalkItems(HTREEITEM item, uint8_t depth)
{
    for (; item; item = TreeView_GetNextSibling(g_ruleTree, item)) {
        RuleTreeItem entry = {};
        entry.item = item;
        entry.depth = depth;
        TVITEMA tv = {};
        tv.mask = TVIF_PARAM | TVIF_STATE | TVIF_HANDLE;
        tv.hItem = item;
        tv.stateMask = TVIS_EXPANDED;
        if (TreeView_GetItem(g_ruleTree, &tv)) {
            entry.id = (uint32_t)tv.lParam;
            entry.state = tv.state & TVIS_EXPANDED;
        } else {
            entry.id = RULE_ID_NONE;
        }
        if (ArrayAppend(&g_treeItems, &entry) < 0) return;
        HTREEITEM child = TreeView_GetChild(g_ruleTree, item);
        if (child) WalkItems(child, depth < 255 ? (uint8_t)(depth + 1) : 255);
    }
}

}  // namespace

Profile* TreeProfile()
{
    Profile* p = CurrentProfile();
    return (p && g_ruleTree && p->pRules && p->pRules == g_treeRules) ? p : nullptr;
}

void ForgetTreeProfile()
{
    g_treeRules = nullptr;
    g_refreshWaiting = false;
    FreeGrowArray(&g_treeItems);
    FreeGrowArray(&g_scriptRuleIds);
}

int FindRuleIndexById(const Profile* profile, uint32_t id)
{
    for (int i = 0; profile && profile->pRules && i < profile->pRules->count; i++)
        if (profile->pRules->data[i].id == id) return i;
    return -1;
}

uint32_t SelectedRuleId()
{
    return g_ruleTree ? ItemRuleId(TreeView_GetSelection(g_ruleTree)) : RULE_ID_NONE;
}

const GrowArray<RuleTreeItem>* CollectTreeItems()
{
    FreeGrowArray(&g_treeItems);
    if (g_ruleTree) WalkItems(TreeView_GetRoot(g_ruleTree), 1);
    return &g_treeItems;
}

HTREEITEM SelectRuleInTree(int64_t id)
{
    if (!g_ruleTree) return nullptr;
    if (id < 0) {
        TreeView_SelectItem(g_ruleTree, nullptr);
        return nullptr;
    }
    const GrowArray<RuleTreeItem>* items = CollectTreeItems();
    for (int i = 0; i < items->count; i++)
        if (items->data[i].id == (uint32_t)id) {
            HTREEITEM item = items->data[i].item;
            TreeView_SelectItem(g_ruleTree, item);
            TreeView_EnsureVisible(g_ruleTree, item);
            SetFocus(g_ruleTree);
            return item;
        }
    return nullptr;
}

void StoreTreeExpandStateOf(Profile* profile)
{
    if (!profile || !g_ruleTree || profile->pRules != g_treeRules) return;
    if (!BeginRuleEdit()) return;
    const GrowArray<RuleTreeItem>* items = CollectTreeItems();
    for (int i = 0; i < items->count; i++) {
        int at = FindRuleIndexById(profile, items->data[i].id);
        if (at < 0) continue;
        Rule* r = &profile->pRules->data[at];
        if (items->data[i].state & TVIS_EXPANDED)
            r->item |= RULE_ITEM_EXPANDED;
        else
            r->item &= (uint8_t)~RULE_ITEM_EXPANDED;
    }
    EndRuleEdit();
}

void RefreshRuleTree(Profile* profile, int64_t selectId)
{
    if (!g_treeRefresh || !g_mainDialog || !g_ruleTree || !profile || !profile->pRules) return;
    // Items must not go while a drag or a rename holds one, nor the rules be
    // read without the lock: the refill is tried again shortly (a later one
    // asked for meanwhile replaces it).
    if (RuleTreeDragging() || RuleTreeLabelEditing() || !BeginRuleEdit()) {
        g_refreshWaiting = true;
        g_refreshWaitingSelect = selectId;
        SetTimer(g_mainDialog, kRefreshRetryTimer, 100, nullptr);
        return;
    }
    g_refreshWaiting = false;
    KillTimer(g_mainDialog, kRefreshRetryTimer);
    StoreTreeExpandStateOf(profile);
    uint32_t select = selectId < 0 ? SelectedRuleId() : (uint32_t)selectId;
    uint32_t firstVisible = ItemRuleId(TreeView_GetFirstVisible(g_ruleTree));
    UpdateGroupDisabledStates(profile);
    PruneRuleWindows(profile);

    SendMessageA(g_ruleTree, WM_SETREDRAW, FALSE, 0);
    TreeView_DeleteAllItems(g_ruleTree);
    HTREEITEM selectItem = nullptr, firstVisibleItem = nullptr;
    FillItems(profile, select, firstVisible, &selectItem, &firstVisibleItem);
    g_treeRules = profile->pRules;
    g_treeFillMark = profile->nextRuleId;
    EndRuleEdit();

    SendMessageA(g_ruleTree, WM_SETREDRAW, TRUE, 0);
    RedrawWindow(g_ruleTree, nullptr, nullptr, RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN);
    if (firstVisibleItem) TreeView_Select(g_ruleTree, firstVisibleItem, TVGN_FIRSTVISIBLE);
    if (select != RULE_ID_NONE && selectItem) {
        TreeView_SelectItem(g_ruleTree, selectItem);
        SetFocus(g_ruleTree);
    }
    EnableRuleButtons(g_mainDialog);
}

void RetryRuleTreeRefresh()
{
    if (g_mainDialog) KillTimer(g_mainDialog, kRefreshRetryTimer);
    if (g_refreshWaiting) RefreshRuleTree(CurrentProfile(), g_refreshWaitingSelect);
}

void UpdateRuleTreeStates(Profile* profile, int64_t selectId)
{
    if (!profile || profile != TreeProfile()) return;
    if (!BeginRuleEdit()) return;
    const GrowArray<RuleTreeItem>* items = CollectTreeItems();
    for (int i = 0; i < items->count; i++) {
        int at = FindRuleIndexById(profile, items->data[i].id);
        if (at < 0) continue;
        UINT want = RuleItemState(&profile->pRules->data[at]) & (TVIS_BOLD | TVIS_CUT);
        UINT have = TreeView_GetItemState(g_ruleTree, items->data[i].item, TVIS_BOLD | TVIS_CUT);
        if (want != have) TreeView_SetItemState(g_ruleTree, items->data[i].item, want, TVIS_BOLD | TVIS_CUT);
    }
    EndRuleEdit();
    if (selectId != -1) SelectRuleInTree(selectId);
}

void ApplyTreeOrderToRules(Profile* profile)
{
    if (!profile || !profile->pRules) return;
    GrowArray<Rule>* old = profile->pRules;
    const GrowArray<RuleTreeItem>* items = CollectTreeItems();
    uint8_t* taken = (uint8_t*)calloc((size_t)old->count + 1, 1);
    if (!taken) return;
    GrowArray<Rule> rebuilt;
    InitGrowArray(&rebuilt);
    bool ok = old->count == 0 || ArraySetCapacity(&rebuilt, old->count, -1);
    for (int i = 0; ok && i < items->count; i++) {
        int at = FindRuleIndexById(profile, items->data[i].id);
        if (at < 0 || taken[at]) continue;
        taken[at] = 1;
        int to = ArrayAppend(&rebuilt, &old->data[at]);
        if (to < 0) {
            ok = false;
            break;
        }
        Rule* r = &rebuilt.data[to];
        r->level = items->data[i].depth;
        if (items->data[i].state & TVIS_EXPANDED)
            r->item |= RULE_ITEM_EXPANDED;
        else
            r->item &= (uint8_t)~RULE_ITEM_EXPANDED;
    }
    // Rules the monitor pass made after the fill have no item yet: each stays
    // after the rule it followed, or goes to the end.
    for (int at = 0; ok && at < old->count; at++) {
        if (taken[at] || (int64_t)old->data[at].id < (int64_t)g_treeFillMark) continue;
        int after = -1;
        for (int before = at - 1; before >= 0 && after < 0; before--) {
            if (!taken[before]) continue;
            for (int k = 0; k < rebuilt.count; k++)
                if (rebuilt.data[k].id == old->data[before].id) {
                    after = k;
                    break;
                }
        }
        if (ArrayInsertAt(&rebuilt, &old->data[at], after + 1) < 0) ok = false;
        taken[at] = 1;
    }
    free(taken);
    if (!ok) {
        // Out of memory: the list stays as it was and the tree is refilled from it.
        FreeGrowArray(&rebuilt);
        return;
    }
    FreeGrowArray(old);
    *old = rebuilt;
}

void ExpandRuleTree(bool expand)
{
    if (!g_ruleTree) return;
    HTREEITEM selected = TreeView_GetSelection(g_ruleTree);
    HTREEITEM parent = selected ? TreeView_GetParent(g_ruleTree, selected) : nullptr;
    HTREEITEM child = parent ? TreeView_GetChild(g_ruleTree, parent) : TreeView_GetRoot(g_ruleTree);
    for (; child; child = TreeView_GetNextSibling(g_ruleTree, child))
        TreeView_Expand(g_ruleTree, child, expand ? TVE_EXPAND : TVE_COLLAPSE);
    StoreTreeExpandStateOf(TreeProfile());
}

LRESULT DrawRuleTreeItem(NMTVCUSTOMDRAW* draw)
{
    switch (draw->nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
        return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT: {
        uint32_t id = (uint32_t)draw->nmcd.lItemlParam;
        bool script = g_scriptRuleIds.count > 0 &&
                      bsearch(&id, g_scriptRuleIds.data, (size_t)g_scriptRuleIds.count, sizeof(uint32_t),
                              CompareIds) != nullptr;
        if (script) draw->clrText = Options.crRuleScript;
        UINT state = TreeView_GetItemState(g_ruleTree, (HTREEITEM)draw->nmcd.dwItemSpec, TVIS_CUT);
        if (state & TVIS_CUT) {
            COLORREF text = draw->clrText == CLR_DEFAULT ? GetSysColor(COLOR_WINDOWTEXT) : draw->clrText;
            COLORREF back = draw->clrTextBk == CLR_DEFAULT ? GetSysColor(COLOR_WINDOW) : draw->clrTextBk;
            int rgb[3];
            for (int c = 0; c < 3; c++) {
                int v = (int)((text >> (8 * c)) & 0xFF) / 2 + (int)((back >> (8 * c)) & 0xFF) / 2;
                rgb[c] = v < 0 ? 0 : v > 255 ? 255 : v;
            }
            draw->clrText = RGB(rgb[0], rgb[1], rgb[2]);
        }
        return CDRF_DODEFAULT;
    }
    default:
        return CDRF_DODEFAULT;
    }
}
