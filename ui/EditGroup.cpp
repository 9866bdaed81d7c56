// EditGroup.cpp - the Edit Group dialog: a group's name, the enabled state
// of every rule under it, and what it takes in automatically.
#include "ui/EditGroup.h"

#include "engine/HelpTopics.h"
#include "engine/Log.h"
#include "engine/ProductStrings.h"
#include "framework/core/AppObject.h"
#include "framework/core/AppShell.h"
#include "framework/core/StringTable.h"
#include "framework/core/TextUtil.h"
#include "framework/ui/DialogSetup.h"
#include "framework/ui/MessageBox.h"
#include "ui/EditGroupInternal.h"
#include "ui/EditGroupRes.h"

#include <stddef.h>
#include <string.h>

namespace {

const int kGroupTypes = 3;       // columns of string 86
const int kEmptyNameText = 5030; // column 0: "Please select a name for the rule!"

// One text field of the dialog and where it goes in the fields.
struct TextField {
    int    control;
    size_t offset;
    size_t size;
};
#define GROUP_TEXT(id, m) {id, offsetof(GroupFields, m), sizeof(GroupFields::m)}
const TextField kTextFields[] = {
    GROUP_TEXT(IDE_GROUP_NAME, name),       GROUP_TEXT(IDE_GROUP_TITLE, caption),
    GROUP_TEXT(IDE_GROUP_CLASS, wndclss),   GROUP_TEXT(IDE_GROUP_PROGRAM, program),
    GROUP_TEXT(IDCB_GROUP_TEMPLATE, tmpname),
};

char* FieldText(GroupFields* f, const TextField& t)
{
    return (char*)f + t.offset;
}

const char* FieldText(const GroupFields* f, const TextField& t)
{
    return (const char*)f + t.offset;
}

GroupEdit* EditOf(HWND dialog)
{
    return (GroupEdit*)GetWindowLongPtrA(dialog, DWLP_USER);
}

// The type shown for a stored value; a value out of range shows the first.
int ShownType(uint8_t stored)
{
    return stored < kGroupTypes ? stored : 0;
}

void ShowFields(HWND dialog, const GroupEdit* edit)
{
    for (const TextField& t : kTextFields) {
        UINT limit = t.control == IDCB_GROUP_TEMPLATE ? CB_LIMITTEXT : EM_LIMITTEXT;
        SendDlgItemMessageA(dialog, t.control, limit, t.size - 1, 0);
        SetDlgItemTextA(dialog, t.control, FieldText(&edit->opened, t));
    }
    CheckDlgButton(dialog, IDX_GROUP_ENABLED, (UINT)edit->opened.enabled);
    SendDlgItemMessageA(dialog, IDCB_GROUP_TYPE, CB_SETCURSEL, (WPARAM)ShownType(edit->opened.type), 0);
}

void FillCombos(HWND dialog, const GroupEdit* edit)
{
    for (int i = 0; i < edit->templateCount; i++)
        SendDlgItemMessageA(dialog, IDCB_GROUP_TEMPLATE, CB_ADDSTRING, 0, (LPARAM)edit->templateNames[i]);
    for (int i = 0; i < kGroupTypes; i++)
        SendDlgItemMessageA(dialog, IDCB_GROUP_TYPE, CB_ADDSTRING, 0, (LPARAM)AppText(86, i));
}

// The controls' values; the type keeps a stored value the box cannot show
// while the box is left as it opened.
void ReadFields(HWND dialog, const GroupEdit* edit, GroupFields* f)
{
    *f = GroupFields{};
    for (const TextField& t : kTextFields) GetDlgItemTextA(dialog, t.control, FieldText(f, t), (int)t.size);
    LRESULT type = SendDlgItemMessageA(dialog, IDCB_GROUP_TYPE, CB_GETCURSEL, 0, 0);
    f->type = (type < 0 || type == ShownType(edit->opened.type)) ? edit->opened.type : (uint8_t)type;
    f->enabled = (int)IsDlgButtonChecked(dialog, IDX_GROUP_ENABLED);
}

bool FieldsChanged(const GroupEdit* edit, const GroupFields* now)
{
    const GroupFields* opened = &edit->opened;
    for (const TextField& t : kTextFields)
        if (strcmp(FieldText(opened, t), FieldText(now, t)) != 0) return true;
    return now->type != opened->type || now->enabled != opened->enabled;
}

int ShowMessage(HWND dialog, const char* text, uint32_t flags)
{
    return AppMessageBox(&g_app, dialog, AppText(IDS_PRODUCT_NAME), text, flags, 0);
}

void OnOk(HWND dialog, GroupEdit* edit)
{
    GroupFields now;
    ReadFields(dialog, edit, &now);
    if (!FieldsChanged(edit, &now)) {
        EndDialog(dialog, IDOK);
        return;
    }
    if (!now.name[0]) {
        ShowMessage(dialog, AppText(kEmptyNameText, 0), MB_ZRP_ERROR | MB_ZRP_OK);
        SetFocus(GetDlgItem(dialog, IDE_GROUP_NAME));
        return;
    }
    switch (GiveGroupBack(edit, &now)) {
    case GROUP_BACK_DONE:
    case GROUP_BACK_LATER:
        EndDialog(dialog, IDOK);
        return;
    case GROUP_BACK_GONE:
        ShowMessage(dialog, AppText(IDS_GROUP_GONE), MB_ZRP_WARNING | MB_ZRP_OK);
        EndDialog(dialog, IDCANCEL);
        return;
    default:   // refused: the user was told; the input stays
        return;
    }
}

void OnCancel(HWND dialog, GroupEdit* edit)
{
    GroupFields now;
    ReadFields(dialog, edit, &now);
    if (FieldsChanged(edit, &now)) {
        MarkGroupProfileEdited(edit);
        if (ShowMessage(dialog, AppText(IDS_DISCARD_CHANGES), MB_ZRP_QUESTION | MB_ZRP_YESNO | MB_ZRP_FORCENO) !=
            IDYES)
            return;
    }
    EndDialog(dialog, IDCANCEL);
}

BOOL OnInitDialog(HWND dialog, GroupEdit* edit)
{
    SetWindowLongPtrA(dialog, DWLP_USER, (LONG_PTR)edit);
    InitDialogDefaults(&g_app, dialog);
    FillCombos(dialog, edit);
    ShowFields(dialog, edit);
    HWND name = GetDlgItem(dialog, IDE_GROUP_NAME);
    SetFocus(name);
    SendMessageA(name, EM_SETSEL, 0, -1);
    return FALSE;   // the focus is set
}

INT_PTR CALLBACK EditGroupProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    GroupEdit* edit = message == WM_INITDIALOG ? (GroupEdit*)lParam : EditOf(dialog);
    if (!edit) return FALSE;
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(dialog, edit);
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            OnOk(dialog, edit);
            return TRUE;
        case IDCANCEL:
            OnCancel(dialog, edit);
            return TRUE;
        case IDB_GROUP_HELP:
            ShowHelp(&g_app, HELP_GROUP_PROPERTIES);
            return TRUE;
        }
        return FALSE;
    case WM_HELP:
        ShowHelp(&g_app, HELP_GROUP_PROPERTIES);
        return TRUE;
    case WM_DPICHANGED:
        ApplyDialogFontForDpi(dialog, LOWORD(wParam));
        return FALSE;
    }
    return FALSE;
}

}  // namespace

INT_PTR ShowEditGroup(HWND owner, const LiveProfileRef* where, uint32_t groupId)
{
    if (!where) return IDCANCEL;
    GroupEdit edit = {};
    edit.where = *where;
    edit.groupId = groupId;
    if (!TakeGroupEdit(&edit)) {
        LogLine("Edit Group: the group %u could not be read (gone, or the rules stayed busy)", groupId);
        return IDCANCEL;
    }
    INT_PTR result = DialogBoxParamA(g_app.instance ? g_app.instance : GetModuleHandleA(nullptr),
                                     MAKEINTRESOURCEA(IDD_EDIT_GROUP), owner, EditGroupProc, (LPARAM)&edit);
    FreeGroupEdit(&edit);
    return result == IDOK ? IDOK : IDCANCEL;
}
