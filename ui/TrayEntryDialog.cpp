// TrayEntryDialog.cpp - the Minimize to Tray entry dialog: program, title and
// icon file of one entry, with the finder filling program and title.
#include "engine/Engine.h"
#include "engine/HelpTopics.h"
#include "framework/core/AppObject.h"
#include "framework/core/AppShell.h"
#include "framework/core/DialogUtil.h"
#include "framework/ui/DialogSetup.h"
#include "ui/OptionsInternal.h"
#include "ui/OptionsRes.h"
#include "ui/WindowFinder.h"

#include <stddef.h>

// The finder fills this dialog's program and title fields by its id.
static_assert(IDB_TRAY_PICK == FINDER_TRAY_PICK, "the tray finder's id");

namespace {

const char kIconFilter[] = "Icon Files (.ico\0*.ico\0All files\0*.*\0";

const struct {
    int control;
    size_t offset;
} kFields[] = {
    {IDE_TRAY_PROGRAM, offsetof(TrayAppEntry, program)},
    {IDE_TRAY_TITLE, offsetof(TrayAppEntry, title)},
    {IDE_TRAY_ICON, offsetof(TrayAppEntry, icon)},
};
const int kFieldSize = MAX_PATH;
static_assert(sizeof(TrayAppEntry::program) == kFieldSize && sizeof(TrayAppEntry::title) == kFieldSize &&
                  sizeof(TrayAppEntry::icon) == kFieldSize,
              "one size for the three fields");

char* Field(TrayAppEntry* entry, size_t offset)
{
    return (char*)entry + offset;
}

BOOL OnInitDialog(HWND dialog, TrayAppEntry* entry)
{
    SetWindowLongPtrA(dialog, DWLP_USER, (LONG_PTR)entry);
    InitDialogDefaults(&g_app, dialog);
    for (const auto& f : kFields) {
        SendDlgItemMessageA(dialog, f.control, EM_LIMITTEXT, kFieldSize - 1, 0);
        SetDlgItemTextA(dialog, f.control, Field(entry, f.offset));
    }
    SubclassWindowFinder(GetDlgItem(dialog, IDB_TRAY_PICK));
    return TRUE;
}

void OnOk(HWND dialog)
{
    TrayAppEntry* entry = (TrayAppEntry*)GetWindowLongPtrA(dialog, DWLP_USER);
    if (entry)
        for (const auto& f : kFields) GetDlgItemTextA(dialog, f.control, Field(entry, f.offset), kFieldSize);
    EndDialog(dialog, IDOK);
}

void BrowseIcon(HWND dialog)
{
    char current[MAX_PATH] = "";
    GetDlgItemTextA(dialog, IDE_TRAY_ICON, current, sizeof(current));
    const char* chosen = FileDialog(false, kIconFilter, current);
    if (chosen) SetDlgItemTextA(dialog, IDE_TRAY_ICON, chosen);
}

INT_PTR CALLBACK MinimizeToTrayDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(dialog, (TrayAppEntry*)lParam);
    case WM_COMMAND:
        if (HIWORD(wParam) != BN_CLICKED) return FALSE;
        switch (LOWORD(wParam)) {
        case IDOK:
            OnOk(dialog);
            break;
        case IDCANCEL:
            EndDialog(dialog, IDCANCEL);
            break;
        case IDB_TRAY_BROWSE:
            BrowseIcon(dialog);
            break;
        case IDB_TRAY_HELP:
            ShowHelp(&g_app, HELP_OPTIONS_MINIMIZE);
            break;
        default:
            break;
        }
        return TRUE;
    case WM_HELP:
        ShowHelp(&g_app, HELP_OPTIONS_MINIMIZE);
        return TRUE;
    case WM_DPICHANGED:
        ApplyDialogFontForDpi(dialog, HIWORD(wParam));
        return TRUE;
    default:
        return FALSE;
    }
}

}  // namespace

INT_PTR ShowTrayEntryDialog(HWND owner, TrayAppEntry* entry)
{
    return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_TRAY_ENTRY), owner,
                           MinimizeToTrayDlgProc, (LPARAM)entry);
}
