// RuleCreationPage.cpp - the Rule Creation page of Profile Settings: the
// profile's rule templates, added, edited, copied, pasted, moved and deleted
// in a list of the page's own.
#include "ui/ProfileSettingsInternal.h"

#include "engine/ProductStrings.h"
#include "framework/core/AppObject.h"
#include "framework/core/MonitorTable.h"
#include "framework/core/TextUtil.h"
#include "framework/ui/DialogSetup.h"
#include "framework/ui/ListControl.h"
#include "ui/EditRuleTemplate.h"
#include "ui/ImageButtons.h"
#include "ui/ProfileSettingsRes.h"

#include <stdlib.h>
#include <string.h>

namespace {

const COLORREF kDisabledText = 0x646464;

struct RulePage {
    ProfileSettingsDialog* dialog;
    GrowArray<RuleTemplate> templates;   // the page's list; ours
    CList* list;                         // rows own copies of the templates
};

RulePage* PageOf(HWND page)
{
    return (RulePage*)GetWindowLongPtrA(page, DWLP_USER);
}

int Selected(RulePage* r)
{
    int row = r->list ? GetListSelection(r->list) : -1;
    return row >= 0 && row < r->templates.count ? row : -1;
}

// The rows again from the list, row select selected (-1 none).
void Refill(RulePage* r, int select)
{
    if (!r->list) return;
    HWND box = r->list->listBox;
    SendMessageA(box, WM_SETREDRAW, FALSE, 0);
    ClearListRows(r->list);
    for (int i = 0; i < r->templates.count; i++) AddListRow(r->list, &r->templates.data[i]);
    if (select >= 0 && select < r->templates.count) SelectListRow(r->list, select, true, false);
    UpdateListColumns(r->list);
    SendMessageA(box, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(box, nullptr, TRUE);
}

void EnablePaste(HWND page, RulePage* r)
{
    EnableWindow(GetDlgItem(page, IDB_PRFRUL_PASTE), r->dialog->clipboard.match.name[0] != 0);
}

// A copy of t before row at (the top for -1); the new row is selected.
void InsertTemplate(RulePage* r, const RuleTemplate* t, int at)
{
    if (at < 0) at = 0;
    if (ArrayInsertAt(&r->templates, t, at) < 0) return;
    Refill(r, at);
}

bool NameTaken(RulePage* r, const char* name)
{
    for (int i = 0; i < r->templates.count; i++)
        if (strcmp(r->templates.data[i].match.name, name) == 0) return true;
    return false;
}

void Add(RulePage* r, HWND page)
{
    RuleTemplate* t = (RuleTemplate*)calloc(1, sizeof(RuleTemplate));
    if (!t) return;
    InitRuleTemplate(t);
    if (EditRuleTemplate(page, t) == 1) {
        t->uiFlag = 1;
        InsertTemplate(r, t, Selected(r));
    }
    free(t);
}

void Edit(RulePage* r, HWND page)
{
    int at = Selected(r);
    if (at < 0) return;
    // The editor changes its copy; the list may not move meanwhile.
    RuleTemplate* t = (RuleTemplate*)malloc(sizeof(RuleTemplate));
    if (!t) return;
    *t = r->templates.data[at];
    if (EditRuleTemplate(page, t) == 1 && at < r->templates.count) {
        t->uiFlag = 1;
        r->templates.data[at] = *t;
        Refill(r, at);
    }
    free(t);
}

void Delete(RulePage* r)
{
    int at = Selected(r);
    if (at < 0) return;
    ArrayRemoveAt(&r->templates, at);
    Refill(r, at < r->templates.count ? at : r->templates.count - 1);
}

void Copy(RulePage* r, HWND page)
{
    int at = Selected(r);
    if (at < 0) return;
    r->dialog->clipboard = r->templates.data[at];
    EnablePaste(page, r);
}

void Paste(RulePage* r)
{
    const RuleTemplate& clip = r->dialog->clipboard;
    if (!clip.match.name[0]) return;
    RuleTemplate* t = (RuleTemplate*)malloc(sizeof(RuleTemplate));
    if (!t) return;
    *t = clip;
    if (NameTaken(r, t->match.name)) AppendText(t->match.name, sizeof(t->match.name), AppText(IDS_PROFILE_TEXTS, 2));
    InsertTemplate(r, t, Selected(r));
    free(t);
}

void Move(RulePage* r, int by)
{
    int at = Selected(r);
    int to = at + by;
    if (at < 0 || to < 0 || to >= r->templates.count) return;
    RuleTemplate* held = (RuleTemplate*)malloc(sizeof(RuleTemplate));
    if (!held) return;
    *held = r->templates.data[at];
    r->templates.data[at] = r->templates.data[to];
    r->templates.data[to] = *held;
    free(held);
    Refill(r, to);
}

bool AnyAutoCreate(const RulePage* r)
{
    for (int i = 0; i < r->templates.count; i++)
        if (r->templates.data[i].match.item & RULE_ITEM_AUTOCREATE) return true;
    return false;
}

bool Changed(RulePage* r)
{
    const GrowArray<RuleTemplate>* kept = r->dialog->working.pTemplates;
    int keptCount = kept ? kept->count : 0;
    if (r->templates.count != keptCount) return true;
    for (int i = 0; i < keptCount; i++)
        if (r->templates.data[i].uiFlag || strcmp(r->templates.data[i].match.name, kept->data[i].match.name) != 0)
            return true;
    return false;
}

void Store(RulePage* r)
{
    Profile* p = &r->dialog->working;
    p->bTmpAutoCreate = AnyAutoCreate(r) ? 1 : 0;
    if (!p->pTemplates) return;
    GrowArray<RuleTemplate> next;
    InitGrowArray(&next);
    bool complete = r->templates.count == 0 ? CreateDefaultTemplates(&next, false)
                                            : ArrayAppendN(&next, r->templates.data, r->templates.count) >= 0;
    if (!complete) {
        FreeGrowArray(&next);
        return;
    }
    for (int i = 0; i < next.count; i++) next.data[i].uiFlag = 0;
    GrowArray<RuleTemplate> old = *p->pTemplates;
    *p->pTemplates = next;
    FreeGrowArray(&old);
    if (r->templates.count == 0) p->bTmpAutoCreate = 0;
    for (int i = 0; i < next.count; i++)
        if (next.data[i].match.item & RULE_ITEM_AUTOCREATE) p->bTmpAutoCreate = 1;
}

void DrawRow(RulePage* r, const DRAWITEMSTRUCT* item)
{
    const RuleTemplate* t = (const RuleTemplate*)item->itemData;
    if (!r->list || !t || item->itemID == (UINT)-1) return;
    if ((t->match.item & RULE_ITEM_DISABLED) && !(item->itemState & ODS_SELECTED))
        SetTextColor(item->hDC, kDisabledText);
    DrawListCellText(r->list, 0, t->match.name, false);
    if (t->match.item & RULE_ITEM_AUTOCREATE) DrawListCellText(r->list, 1, AppText(20, 8), false);
}

bool CreateList(HWND page, RulePage* r)
{
    CList* list = (CList*)CreateUIItemByType(UIITEM_LIST, nullptr);
    if (!list) return false;
    list->rowDataSize = sizeof(RuleTemplate);
    if (CreateListInPlaceOf(list, IDL_PRFRUL_TEMPLATES, page, page, GetDlgItem(page, IDL_PRFRUL_TEMPLATES), nullptr,
                            false) != 0) {
        FreeUIItem(list);
        return false;
    }
    AddListColumn(list, AppText(20, 6), 0.7);
    AddListColumn(list, AppText(20, 7), 0.3);
    r->list = list;
    return true;
}

BOOL OnInitDialog(HWND page, ProfileSettingsDialog* d)
{
    RulePage* r = (RulePage*)calloc(1, sizeof(RulePage));
    if (!r) return FALSE;
    r->dialog = d;
    InitGrowArray(&r->templates);
    SetWindowLongPtrA(page, DWLP_USER, (LONG_PTR)r);
    ApplyDialogFontForDpi(page, GetWindowDpi(page));
    AddButtonToolTips(page, false);
    LoadImageButtons(page);
    if (d->working.pTemplates && d->working.pTemplates->count > 0)
        ArrayAppendN(&r->templates, d->working.pTemplates->data, d->working.pTemplates->count);
    for (int i = 0; i < r->templates.count; i++) r->templates.data[i].uiFlag = 0;
    EnablePaste(page, r);
    CreateList(page, r);
    Refill(r, -1);
    return FALSE;
}

void OnDestroy(HWND page, RulePage* r)
{
    if (!r) return;
    if (r->list) FreeUIItem(r->list);
    FreeGrowArray(&r->templates);
    free(r);
    SetWindowLongPtrA(page, DWLP_USER, 0);
}

void OnCommand(HWND page, RulePage* r, int id)
{
    switch (id) {
    case IDB_PRFRUL_ADD:
        Add(r, page);
        return;
    case IDB_PRFRUL_DELETE:
        Delete(r);
        return;
    case IDB_PRFRUL_EDIT:
        Edit(r, page);
        return;
    case IDB_PRFRUL_COPY:
        Copy(r, page);
        return;
    case IDB_PRFRUL_PASTE:
        Paste(r);
        return;
    case IDB_PRFRUL_UP:
        Move(r, -1);
        return;
    case IDB_PRFRUL_DOWN:
        Move(r, 1);
        return;
    default:
        return;
    }
}

}  // namespace

INT_PTR CALLBACK ProfileRuleCreationPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    RulePage* r = PageOf(page);
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(page, (ProfileSettingsDialog*)lParam);
    case WM_DESTROY:
        OnDestroy(page, r);
        return FALSE;
    case WM_DPICHANGED:
        ApplyDialogFontForDpi(page, HIWORD(wParam));
        LoadImageButtons(page);
        if (r && r->list) SetListDpi(r->list, HIWORD(wParam));
        return TRUE;
    case WM_PAGE_CHANGED:
        return PageAnswer(page, r && Changed(r) ? 1 : 0);
    case WM_PAGE_STORE:
        if (r) r->dialog->working.bTmpAutoCreate = AnyAutoCreate(r) ? 1 : 0;
        return TRUE;
    case WM_DRAWITEM:
        if (r && wParam == IDL_PRFRUL_TEMPLATES) DrawRow(r, (const DRAWITEMSTRUCT*)lParam);
        return TRUE;
    case ZRPMSG_COMMAND:
        if (r && LOWORD(wParam) == IDL_PRFRUL_TEMPLATES && HIWORD(wParam) == LIST_DOUBLECLICK) Edit(r, page);
        return TRUE;
    case WM_COMMAND:
        if (!r) return TRUE;
        if (LOWORD(wParam) == IDOK) {
            Store(r);
            return PageAnswer(page, 0);
        }
        if (HIWORD(wParam) == BN_CLICKED) OnCommand(page, r, LOWORD(wParam));
        return TRUE;
    default:
        return FALSE;
    }
}
