// RuleTreeCommands.cpp - the rule tree's menu commands: enabling, new group,
// sort, cut, copy, paste, delete, import, export, expand and collapse, the
// context menu, and renaming by label editing.
#include "ui/RuleTree.h"

#include "engine/Engine.h"
#include "engine/ProductIds.h"
#include "engine/ProductStrings.h"
#include "engine/ProfileStore.h"
#include "framework/core/AppObject.h"
#include "framework/core/CommandTable.h"
#include "framework/core/ConfigRecord.h"
#include "framework/core/DialogUtil.h"
#include "framework/core/TextUtil.h"
#include "framework/ui/MenuPopup.h"
#include "framework/ui/MessageBox.h"
#include "ui/EditRule.h"
#include "ui/MainDialog.h"
#include "ui/MainDialogInternal.h"
#include "ui/OpenWhenFree.h"
#include "ui/RuleLevels.h"

#include <stdlib.h>
#include <string.h>

namespace {

const char kRuleFileFilter[] = "Rule Export Files (.rulexp)\0*.rulexp\0All files\0*.*\0";

// The label edit control while a name is edited, and its own procedure.
HWND g_labelEdit;
WNDPROC g_labelEditProc;

bool IsGroupAt(const Profile* p, int at)
{
    return (p->pRules->data[at].item & RULE_ITEM_GROUP) != 0;
}

uint8_t ShownLevelAt(const Profile* p, int at)
{
    uint8_t level = p->pRules->data[at].level;
    return level == 0 ? 1 : level;
}

void CollectSubtree(const Profile* profile, GrowArray<Rule>* list, HTREEITEM item, int depth)
{
    TVITEMA tv = {};
    tv.mask = TVIF_PARAM | TVIF_HANDLE;
    tv.hItem = item;
    int at = TreeView_GetItem(g_ruleTree, &tv) ? FindRuleIndexById(profile, (uint32_t)tv.lParam) : -1;
    if (at >= 0) {
        int to = ArrayAppend(list, &profile->pRules->data[at]);
        if (to >= 0) list->data[to].level = (uint8_t)(depth > 255 ? 255 : depth);
    }
    for (HTREEITEM child = TreeView_GetChild(g_ruleTree, item); child;
         child = TreeView_GetNextSibling(g_ruleTree, child))
        CollectSubtree(profile, list, child, depth + 1);
}

// Where a new rule goes: after the selected rule at its level (one deeper
// for a group), else at the end at base. The index; *level receives the level.
int InsertionPoint(const Profile* p, int endLevel, int* level)
{
    int at = FindRuleIndexById(p, SelectedRuleId());
    if (at < 0) {
        *level = endLevel;
        return p->pRules->count;
    }
    *level = ShownLevelAt(p, at) + (IsGroupAt(p, at) ? 1 : 0);
    return at + 1;
}

//--- the commands; each takes the lock first and reads the tree after

void ToggleRule(Profile* p)
{
    int at = FindRuleIndexById(p, SelectedRuleId());
    if (at < 0) return;
    GrowArray<Rule>* rules = p->pRules;
    bool wasEnabled = !(rules->data[at].item & RULE_ITEM_DISABLED);
    rules->data[at].item ^= RULE_ITEM_DISABLED;
    if (IsGroupAt(p, at)) {
        uint8_t level = ShownLevelAt(p, at);
        for (int i = at + 1; i < rules->count && ShownLevelAt(p, i) > level; i++) {
            if (wasEnabled)
                rules->data[i].item |= RULE_ITEM_DISABLED;
            else
                rules->data[i].item &= (uint8_t)~RULE_ITEM_DISABLED;
        }
    }
    MarkProfileEdited(p);
}

bool SortLevel(Profile* p)
{
    HTREEITEM selected = TreeView_GetSelection(g_ruleTree);
    HTREEITEM parent = TVI_ROOT;
    if (selected) {
        int at = FindRuleIndexById(p, SelectedRuleId());
        if (at < 0) return false;
        HTREEITEM up = TreeView_GetParent(g_ruleTree, selected);
        parent = IsGroupAt(p, at) ? selected : (up ? up : TVI_ROOT);
    }
    TreeView_SortChildren(g_ruleTree, parent, FALSE);
    ApplyTreeOrderToRules(p);
    MarkProfileEdited(p);
    return true;
}

bool DeleteSelected(Profile* p)
{
    HTREEITEM selected = TreeView_GetSelection(g_ruleTree);
    if (!selected) return false;
    HTREEITEM sibling = TreeView_GetNextSibling(g_ruleTree, selected);
    TreeView_DeleteItem(g_ruleTree, selected);
    TreeView_SelectItem(g_ruleTree, sibling);
    ApplyTreeOrderToRules(p);
    MarkProfileEdited(p);
    return true;
}

// Copies the selected subtree into list; false without a selection.
bool CopySelected(Profile* p, GrowArray<Rule>* list)
{
    HTREEITEM selected = TreeView_GetSelection(g_ruleTree);
    if (!selected) return false;
    CollectTreeRules(p, list, selected);
    return true;
}

void ReportRuleFile(uint16_t textId, const char* path)
{
    AppMessageBox(&g_app, g_mainDialog, AppText(IDS_PRODUCT_NAME), AppText(textId), MB_ZRP_WARNING | MB_ZRP_OK, 0,
                  path);
}

bool WriteRuleExport(const GrowArray<Rule>* list, const char* path)
{
    ConfigRecord record;
    InitConfigRecord(&record, 1, "prul->");
    bool ok = true;
    for (int i = 0; ok && i < list->count; i++) {
        SetRecordKeyPrefix(&record, "prul->", "Rule[%d].", i);
        ok = SerializeRule(1, &record, &list->data[i], list->data[i].id, RULE_KIND_PROFILE);
    }
    ok = ok && SaveRecordArchive(&record, path) > 0;
    ClearConfigRecord(&record);
    return ok;
}

// Runs one edit of the shown profile under the lock, then refills the tree
// selecting what the edit returns (-1 keeps the selection). Nothing when the
// lock cannot be had or the tree shows another profile.
template <typename Edit>
void EditRules(Edit edit)
{
    StoreTreeExpandStateOf(TreeProfile());
    if (!BeginRuleEdit()) return;
    Profile* p = TreeProfile();
    int64_t select = -1;
    bool changed = p && edit(p, &select);
    EndRuleEdit();
    if (changed) RefreshRuleTree(p, select);
}

// The file is someone else's: read into a list of its own, within a budget,
// and its scripts stay off unless the user turns them on here.
void RunImport()
{
    const char* chosen = FileDialog(false, kRuleFileFilter, nullptr);
    if (!chosen) return;
    char path[MAX_PATH];
    CopyText(path, sizeof(path), chosen);
    static GrowArray<Rule> s_imported;
    int read = ImportRules(&s_imported, path);
    if (read == RULE_IMPORT_TOO_LARGE) {
        AppMessageBox(&g_app, g_mainDialog, AppText(IDS_PRODUCT_NAME), AppText(IDS_RULE_IMPORT_TOO_BIG),
                      MB_ZRP_WARNING | MB_ZRP_OK, 0, RULE_IMPORT_MAX, path);
        return;
    }
    if (read != RULE_IMPORT_OK || s_imported.count == 0) {
        FreeGrowArray(&s_imported);
        ReportRuleFile(IDS_RULE_IMPORT_FAILED, path);
        return;
    }
    if (RulesHaveScripts(&s_imported) &&
        AppMessageBox(&g_app, g_mainDialog, AppText(IDS_PRODUCT_NAME), AppText(IDS_IMPORT_SCRIPTS),
                      MB_ZRP_QUESTION | MB_ZRP_YESNO | MB_ZRP_FORCENO, 0) != IDYES)
        TurnRuleScriptsOff(&s_imported);
    EditRules([](Profile* p, int64_t* select) {
        *select = PasteRules(p, &s_imported);
        return *select >= 0;
    });
    FreeGrowArray(&s_imported);
}

void RunExport()
{
    StoreTreeExpandStateOf(TreeProfile());
    if (!BeginRuleEdit()) return;
    Profile* p = TreeProfile();
    FreeGrowArray(&g_exportRules);
    if (p) CopySelected(p, &g_exportRules);
    EndRuleEdit();
    if (g_exportRules.count == 0) return;
    // The dialog runs without the lock: the worker goes on meanwhile.
    const char* chosen = FileDialog(true, kRuleFileFilter, g_exportRules.data[0].name);
    if (!chosen) return;
    char path[MAX_PATH];
    CopyText(path, sizeof(path), chosen);
    if (!WriteRuleExport(&g_exportRules, path)) ReportRuleFile(IDS_RULE_EXPORT_FAILED, path);
}

void StartNewGroupEdit(int64_t id)
{
    HTREEITEM item = SelectRuleInTree(id);
    if (!item) return;
    SetFocus(g_ruleTree);
    TreeView_EditLabel(g_ruleTree, item);
}

LRESULT CALLBACK RuleTreeKeyProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam)
{
    WNDPROC own = g_labelEditProc;
    LRESULT result = own ? CallWindowProcA(own, edit, message, wParam, lParam)
                         : DefWindowProcA(edit, message, wParam, lParam);
    // Esc and Enter belong to the edit, not to the dialog's Cancel and OK.
    if (message == WM_GETDLGCODE && (wParam == VK_ESCAPE || wParam == VK_RETURN)) result |= DLGC_WANTALLKEYS;
    return result;
}

}  // namespace

void CollectTreeRules(const Profile* profile, GrowArray<Rule>* list, HTREEITEM item)
{
    FreeGrowArray(list);
    if (!profile || !item || !g_ruleTree) return;
    CollectSubtree(profile, list, item, 0);
}

int64_t PasteRules(Profile* p, const GrowArray<Rule>* list)
{
    if (!p || !p->pRules || !list || list->count == 0) return -1;
    GrowArray<Rule>* rules = p->pRules;
    int room = PROFILE_MAX_LIST - rules->count;
    int n = list->count < room ? list->count : room;
    if (n <= 0) return -1;
    GrowArray<Rule> copies;
    InitGrowArray(&copies);
    if (ArrayAppendN(&copies, list->data, n) < 0) {
        FreeGrowArray(&copies);
        return -1;
    }
    NormalizeListedLevels(&copies);
    int endLevel = rules->count > 0 ? ShownLevelAt(p, rules->count - 1) : 1;
    int base;
    int at = InsertionPoint(p, endLevel, &base);
    for (int i = 0; i < copies.count; i++) {
        Rule* r = &copies.data[i];
        r->level = PlacedLevel(base, r->level);
        r->id = (uint32_t)p->nextRuleId++;
        // The windows stay with the rule they were copied from.
        r->windowCount = 0;
        memset(r->windows, 0, sizeof(r->windows));
    }
    int64_t first = copies.data[0].id;
    int to = ArrayInsertAt(rules, copies.data, at, copies.count);
    FreeGrowArray(&copies);
    if (to < 0) return -1;
    MarkProfileEdited(p);
    return first;
}

int64_t CreateRuleGroup(Profile* p)
{
    if (!p || !p->pRules || p->pRules->count >= PROFILE_MAX_LIST) return -1;
    Rule* group = (Rule*)calloc(1, sizeof(Rule));
    if (!group) return -1;
    group->id = (uint32_t)p->nextRuleId++;
    group->item = RULE_ITEM_GROUP | RULE_ITEM_EXPANDED;
    CopyText(group->name, sizeof(group->name), AppText(IDS_PRODUCT_NAME, 4));
    int level;
    int at = InsertionPoint(p, 1, &level);
    group->level = PlacedLevel(level, 0);
    int64_t id = ArrayInsertAt(p->pRules, group, at) >= 0 ? (int64_t)group->id : -1;
    free(group);
    if (id >= 0) MarkProfileEdited(p);
    return id;
}

void RunRuleTreeCommand(HWND dialog, int command)
{
    if (!g_ruleTree || RuleTreeDragging() || RuleTreeLabelEditing()) return;
    switch (command) {
    case 1201:
        EditRules([](Profile* p, int64_t*) {
            ToggleRule(p);
            return true;
        });
        break;
    case 1202:
        if (OpenWhenFree(dialog, ZRPMSG_COMMAND, command)) EditSelectedTreeItem(dialog);
        break;
    case 1203: {
        int64_t id = -1;
        EditRules([&id](Profile* p, int64_t* select) {
            *select = id = CreateRuleGroup(p);
            return id >= 0;
        });
        if (id >= 0) StartNewGroupEdit(id);
        break;
    }
    case 1204:
        EditRules([](Profile* p, int64_t*) { return SortLevel(p); });
        break;
    case 1205:
        RunRuleTreeCommand(dialog, 1206);
        RunRuleTreeCommand(dialog, 1208);
        break;
    case 1206:
        StoreTreeExpandStateOf(TreeProfile());
        if (BeginRuleEdit()) {
            Profile* p = TreeProfile();
            if (p) {
                GrowArray<Rule> copied;
                InitGrowArray(&copied);
                // An empty selection leaves the clipboard as it was.
                if (CopySelected(p, &copied) && copied.count > 0) {
                    FreeGrowArray(&g_clipboardRules);
                    g_clipboardRules = copied;
                } else {
                    FreeGrowArray(&copied);
                }
            }
            EndRuleEdit();
        }
        break;
    case 1207:
        EditRules([](Profile* p, int64_t* select) {
            *select = PasteRules(p, &g_clipboardRules);
            return *select >= 0;
        });
        break;
    case 1208:
        EditRules([](Profile* p, int64_t*) { return DeleteSelected(p); });
        break;
    case 1209:
        RunImport();
        break;
    case 1210:
        RunExport();
        break;
    case CMD_EXPAND_ALL:
    case CMD_COLLAPSE_ALL:
        ExpandRuleTree(command == CMD_EXPAND_ALL);
        break;
    default:
        break;
    }
}

void RulesTreeMenuHitTest(POINT screen)
{
    HTREEITEM selected = g_ruleTree ? TreeView_GetSelection(g_ruleTree) : nullptr;
    if (!selected || RuleTreeDragging()) return;
    uint16_t menu = CMD_CONTEXT_MENU;
    POINT at = screen;
    if (screen.x == -1 && screen.y == -1) {
        RECT text;
        if (!TreeView_GetItemRect(g_ruleTree, selected, &text, TRUE)) return;
        at.x = text.right;
        at.y = text.bottom;
        ClientToScreen(g_ruleTree, &at);
    } else {
        TVHITTESTINFO hit = {};
        hit.pt = screen;
        ScreenToClient(g_ruleTree, &hit.pt);
        TreeView_HitTest(g_ruleTree, &hit);
        if (hit.hItem && (hit.flags & TVHT_ONITEMBUTTON)) menu = CMD_EXPAND_MENU;
    }
    if (!BeginRuleEdit()) return;
    Profile* p = TreeProfile();
    int index = FindRuleIndexById(p, SelectedRuleId());
    bool enabled = index >= 0 && !(p->pRules->data[index].item & RULE_ITEM_DISABLED);
    EndRuleEdit();
    static const uint16_t kAlways[] = {1201, 1202, 1203, 1204, 1205, 1206, 1208, 1209, 1210, CMD_EXPAND_ALL,
                                       CMD_COLLAPSE_ALL};
    for (uint16_t id : kAlways) SetCommandEnabled(&g_app, id, true);
    SetCommandEnabled(&g_app, 1207, g_clipboardRules.count > 0);
    SetCommandChecked(&g_app, 1201, enabled);
    TrackContextMenu(&g_app, menu, &at, g_mainDialog);
}

//--- renaming

bool RuleTreeLabelEditing()
{
    return g_labelEdit != nullptr;
}

void BeginRuleTreeLabelEdit(HWND tree)
{
    HWND edit = TreeView_GetEditControl(tree);
    if (!edit) return;
    g_labelEdit = edit;
    g_labelEditProc = (WNDPROC)SetWindowLongPtrA(edit, GWLP_WNDPROC, (LONG_PTR)RuleTreeKeyProc);
}

void EndRuleTreeLabelEdit(const NMTVDISPINFOA* info)
{
    g_labelEdit = nullptr;
    const char* text = info->item.pszText;
    if (text && text[0] && BeginRuleEdit()) {
        Profile* p = TreeProfile();
        TVITEMA item = {};
        item.mask = TVIF_PARAM | TVIF_HANDLE;
        item.hItem = info->item.hItem;
        int at = TreeView_GetItem(g_ruleTree, &item) ? FindRuleIndexById(p, (uint32_t)item.lParam) : -1;
        if (at >= 0) {
            CopyText(p->pRules->data[at].name, sizeof(p->pRules->data[at].name), text);
            MarkProfileEdited(p);
            TVITEMA tv = {};
            tv.mask = TVIF_TEXT | TVIF_HANDLE;
            tv.hItem = info->item.hItem;
            tv.pszText = p->pRules->data[at].name;
            TreeView_SetItem(g_ruleTree, &tv);
        }
        EndRuleEdit();
    }
}
