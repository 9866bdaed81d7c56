// RuleCommandsPage.cpp - the Advanced page: the rule's nine command
// scripts, the Command Editor on one of them, and the File Explorer view
// settings.
#include "ui/RuleEditor.h"

#include "engine/ExplorerWindows.h"
#include "engine/Script.h"
#include "framework/core/AppObject.h"
#include "framework/core/DialogUtil.h"
#include "framework/core/StringTable.h"
#include "framework/core/TextUtil.h"
#include "ui/CommandEditor.h"
#include "ui/DialogSubclass.h"
#include "ui/EditRuleRes.h"
#include "ui/RuleFields.h"

#include <commctrl.h>
#include <stdlib.h>
#include <string.h>

namespace {

const char kCommandListProp[] = "PanelShepherdCommandList";

const RuleField kAdvancedFields[] = {
    RF_CHECK(IDX_ADV_ASSIGNONCE, assignonce, 0, 0),
    RF_CHECK(IDX_ADV_NOUPDATE, exclfromupdt, 0, 0),
    RF_CHECK(IDX_ADV_VIEWMODE, remviewmode, 0, 0),
};

struct CommandsPage {
    Rule* rule;
    Rule* baseline;
    HFONT font;
    int slot;        // the slot whose script the field shows
    bool filling;    // the list is being filled: its notices are ours
    bool live;       // the rule's window was there when last shown
};

CommandsPage* Page(HWND dialog)
{
    return (CommandsPage*)GetWindowLongPtrA(dialog, DWLP_USER);
}

HWND List(HWND dialog)
{
    return GetDlgItem(dialog, IDL_ADV_SLOTS);
}

void CreateScriptFont(HWND dialog, CommandsPage* p)
{
    if (p->font) DeleteObject(p->font);
    HDC dc = GetDC(dialog);
    int dpi = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 96;
    if (dc) ReleaseDC(dialog, dc);
    p->font = CreateFontA(-MulDiv(12, dpi, 72), 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                          CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FIXED_PITCH | FF_MODERN, "MS Courier");
    if (p->font) SendDlgItemMessageA(dialog, IDE_ADV_SCRIPT, WM_SETFONT, (WPARAM)p->font, TRUE);
}

void EnableCommands(HWND dialog, CommandsPage* p)
{
    bool view = IsDlgButtonChecked(dialog, IDX_ADV_VIEWMODE) == BST_CHECKED;
    EnableDlgItems(p->live && view, dialog, IDB_ADV_SAVEVIEW, IDB_ADV_RESTOREVIEW, 0);
}

void ShowCommands(HWND dialog, CommandsPage* p)
{
    p->filling = true;
    HWND list = List(dialog);
    for (int i = 0; i < RULE_SCRIPT_SLOTS; i++) ListView_SetCheckState(list, i, p->rule->cmdenable[i] ? TRUE : FALSE);
    p->filling = false;
    SetDlgItemTextA(dialog, IDE_ADV_SCRIPT, p->rule->cmdtext[p->slot]);
    ShowRuleFields(dialog, p->rule, kAdvancedFields, ARRAYSIZE(kAdvancedFields));
    p->live = LiveRuleWindow(p->rule, nullptr) != nullptr;
    EnableCommands(dialog, p);
}

void WriteCommands(HWND dialog, CommandsPage* p, Rule* into)
{
    char* text = into->cmdtext[p->slot];
    GetDlgItemTextA(dialog, IDE_ADV_SCRIPT, text, RULE_SCRIPT_SIZE);
    text[RULE_SCRIPT_SIZE - 1] = '\0';
    HWND list = List(dialog);
    into->cmdactive = 0;
    for (int i = 0; i < RULE_SCRIPT_SLOTS; i++) {
        into->cmdenable[i] = ListView_GetCheckState(list, i) ? 1 : 0;
        if (into->cmdenable[i] && into->cmdtext[i][0]) into->cmdactive = 1;
    }
    WriteRuleFields(dialog, into, kAdvancedFields, ARRAYSIZE(kAdvancedFields));
}

bool CommandsChanged(HWND dialog, CommandsPage* p)
{
    const Rule* base = p->baseline;
    if (!base) return true;
    HWND list = List(dialog);
    for (int i = 0; i < RULE_SCRIPT_SLOTS; i++) {
        if ((ListView_GetCheckState(list, i) ? 1 : 0) != (base->cmdenable[i] ? 1 : 0)) return true;
        bool differs = i == p->slot ? IsDialogTextChanged(base->cmdtext[i], RULE_SCRIPT_SIZE, dialog, IDE_ADV_SCRIPT)
                                    : strcmp(p->rule->cmdtext[i], base->cmdtext[i]) != 0;
        if (differs) return true;
    }
    return RuleFieldsChanged(dialog, base, kAdvancedFields, ARRAYSIZE(kAdvancedFields));
}

void SelectSlot(HWND dialog, int slot)
{
    HWND list = List(dialog);
    ListView_SetItemState(list, slot, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_EnsureVisible(list, slot, FALSE);
}

BOOL OnInitDialog(HWND dialog, Rule* rule)
{
    CommandsPage* p = (CommandsPage*)calloc(1, sizeof(CommandsPage));
    if (!p) return FALSE;
    p->rule = rule;
    if (g_commandSlot < 0 || g_commandSlot >= RULE_SCRIPT_SLOTS) g_commandSlot = 0;
    p->slot = g_commandSlot;
    SetWindowLongPtrA(dialog, DWLP_USER, (LONG_PTR)p);
    CreateScriptFont(dialog, p);
    SendDlgItemMessageA(dialog, IDE_ADV_SCRIPT, EM_LIMITTEXT, RULE_SCRIPT_SIZE - 1, 0);
    HWND list = List(dialog);
    SubclassCommandList(list);
    ListView_SetExtendedListViewStyle(list, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
    LVCOLUMNA column = {};
    column.mask = LVCF_WIDTH;
    column.cx = 5000;
    ListView_InsertColumn(list, 0, &column);
    p->filling = true;
    for (int i = 0; i < RULE_SCRIPT_SLOTS; i++) {
        LVITEMA item = {};
        item.mask = LVIF_TEXT;
        item.iItem = i;
        item.pszText = (char*)AppText(85, i);
        ListView_InsertItem(list, &item);
    }
    SelectSlot(dialog, p->slot);
    p->filling = false;
    p->baseline = (Rule*)malloc(sizeof(Rule));
    if (p->baseline) memcpy(p->baseline, rule, sizeof(Rule));
    ShowCommands(dialog, p);
    return FALSE;
}

void OnListNotify(HWND dialog, CommandsPage* p, NMHDR* h)
{
    if (p->filling) return;
    if (h->code == LVN_ITEMCHANGING) {
        NMLISTVIEW* v = (NMLISTVIEW*)h;
        // The script field belongs to the slot being left: it goes there first.
        if ((v->uChanged & LVIF_STATE) && (v->uOldState & LVIS_SELECTED) && !(v->uNewState & LVIS_SELECTED) &&
            v->iItem == p->slot)
            WriteCommands(dialog, p, p->rule);
    } else if (h->code == LVN_ITEMCHANGED) {
        NMLISTVIEW* v = (NMLISTVIEW*)h;
        if ((v->uChanged & LVIF_STATE) && (v->uNewState & LVIS_SELECTED) && !(v->uOldState & LVIS_SELECTED) &&
            v->iItem >= 0 && v->iItem < RULE_SCRIPT_SLOTS) {
            p->slot = g_commandSlot = v->iItem;
            SetDlgItemTextA(dialog, IDE_ADV_SCRIPT, p->rule->cmdtext[p->slot]);
        }
    } else if (h->code == NM_DBLCLK) {
        PostMessageA(dialog, WM_COMMAND, IDB_ADV_EDIT, 0);
    }
}

void EditScript(HWND dialog, CommandsPage* p)
{
    WriteCommands(dialog, p, p->rule);
    ScriptThreadContext* context = (ScriptThreadContext*)calloc(1, sizeof(ScriptThreadContext));
    if (!context) return;
    memcpy(&context->rule, p->rule, sizeof(Rule));
    context->slot = (uint8_t)p->slot;
    if (ShowCommandEditor(GetAncestor(dialog, GA_ROOT), context) != IDCANCEL) {
        char* slot = p->rule->cmdtext[p->slot];
        CopyTextN(slot, RULE_SCRIPT_SIZE, context->rule.cmdtext[p->slot], RULE_SCRIPT_SIZE);
        SetDlgItemTextA(dialog, IDE_ADV_SCRIPT, slot);
    }
    free(context);
}

void RestoreViews(const Rule* rule)
{
    for (int i = 0; i < rule->windowCount && i < RULE_MAX_WINDOWS; i++) {
        HWND w = rule->windows[i];
        // The thread works on a copy of its own: a failed start is only a view not restored.
        if (w && IsWindow(w)) StartApplyFolderViewThread(w, rule);
    }
}

void OnCommand(HWND dialog, CommandsPage* p, int id, int code)
{
    switch (id) {
    case IDB_ADV_EDIT:
        EditScript(dialog, p);
        break;
    case IDB_ADV_SAVEVIEW: {
        HWND w = LiveRuleWindow(p->rule, nullptr);
        if (w) ReadFolderViewSettings(w, p->rule);
        break;
    }
    case IDB_ADV_RESTOREVIEW:
        RestoreViews(p->rule);
        break;
    case IDX_ADV_VIEWMODE:
        if (code == BN_CLICKED) EnableCommands(dialog, p);
        break;
    default:
        break;
    }
}

}  // namespace

void SubclassCommandList(HWND list)
{
    SubclassControl(list, CommandListProc, kCommandListProp);
}

LRESULT CALLBACK CommandListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK: {
        LVHITTESTINFO hit = {};
        hit.pt.x = (short)LOWORD(lParam);
        hit.pt.y = (short)HIWORD(lParam);
        // A click beside the items would take the selection away.
        if (ListView_HitTest(list, &hit) < 0) return 0;
        break;
    }
    case WM_KILLFOCUS:
        return 0;
    default:
        break;
    }
    return CallControlProc(list, kCommandListProp, message, wParam, lParam);
}

INT_PTR CALLBACK RuleCommandsPageProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) return OnInitDialog(dialog, (Rule*)lParam);
    CommandsPage* p = Page(dialog);
    if (!p) return FALSE;
    switch (message) {
    case WM_RULEPAGE_WRITE:
        WriteCommands(dialog, p, lParam ? (Rule*)lParam : p->rule);
        return TRUE;
    case WM_RULEPAGE_SHOW:
        ShowCommands(dialog, p);
        return TRUE;
    case WM_RULEPAGE_ENABLE:
        EnableCommands(dialog, p);
        return TRUE;
    case WM_RULEPAGE_CHANGED:
        return AnswerMessage(dialog, CommandsChanged(dialog, p) ? 1 : 0);
    case WM_NOTIFY: {
        NMHDR* h = (NMHDR*)lParam;
        if (h->idFrom == IDL_ADV_SLOTS) OnListNotify(dialog, p, h);
        // Never a refusal of a selection change.
        return AnswerMessage(dialog, 0);
    }
    case WM_COMMAND:
        OnCommand(dialog, p, LOWORD(wParam), HIWORD(wParam));
        return TRUE;
    case WM_DPICHANGED_AFTERPARENT:
        CreateScriptFont(dialog, p);
        return TRUE;
    case WM_DESTROY:
        if (p->font) DeleteObject(p->font);
        free(p->baseline);
        SetWindowLongPtrA(dialog, DWLP_USER, 0);
        free(p);
        return TRUE;
    default:
        return FALSE;
    }
}
