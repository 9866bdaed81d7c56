// OptionsDesktops.cpp - the Options dialog's Virtual Desktops page: the
// desktop, pin and unpin hotkeys, their switches, the desktop folder and the
// time-out of the desktop service. Without a desktop object it is disabled.
#include "engine/Engine.h"
#include "framework/core/AppObject.h"
#include "framework/core/DialogUtil.h"
#include "framework/core/StringTable.h"
#include "framework/ui/DialogSetup.h"
#include "framework/ui/HotkeyField.h"
#include "framework/ui/MessageBox.h"
#include "ui/OptionsInternal.h"
#include "ui/OptionsRes.h"
#include "vdesktop/VirtualDesktop.h"

#include <commctrl.h>
#include <string.h>

#define IDS_DESKTOP_FOLDER_WARNING 5100

namespace {

const struct {
    int control;
    uint16_t OptionsRecord::*word;
} kHotkeys[] = {
    {IDE_OPT_HK_SWITCHDESK, &OptionsRecord::iHotKeySwitchDesktop},
    {IDE_OPT_HK_MOVEWINDOW, &OptionsRecord::iHotKeyMoveWindow},
    {IDE_OPT_HK_PIN, &OptionsRecord::iHotKeyPinWindow},
    {IDE_OPT_HK_UNPIN, &OptionsRecord::iHotKeyUnPinWindow},
};
const int kHotkeyCount = (int)ARRAYSIZE(kHotkeys);

const struct {
    int control;
    uint8_t OptionsRecord::*flag;
} kChecks[] = {
    {IDX_OPT_INDIVIDUALICONS, &OptionsRecord::bIndividualIcons},
    {IDX_OPT_SWITCHONMOVE, &OptionsRecord::bSwitchOnMove},
    {IDX_OPT_TOGGLEPIN, &OptionsRecord::bTogglePin},
};

const int kTimeoutMax = 3600, kTimeoutDefault = 30;

HotkeyField g_fields[kHotkeyCount];
OptionsRecord* g_options;
bool g_active;   // a desktop object was there when the page opened

bool Checked(HWND page, int id)
{
    return IsDlgButtonChecked(page, id) == BST_CHECKED;
}

// A toggling pin key needs no unpin key.
void EnableUnpin(HWND page)
{
    EnableDlgItems(g_active && !Checked(page, IDX_OPT_TOGGLEPIN), page, IDT_OPT_HK_UNPIN, IDE_OPT_HK_UNPIN, 0);
}

BOOL OnInitDialog(HWND page, OptionsRecord* options)
{
    g_options = options;
    g_active = g_virtualDesktop != nullptr;
    InitDialogDefaults(&g_app, page);
    for (int i = 0; i < kHotkeyCount; i++)
        AttachPageHotkey(&g_fields[i], page, kHotkeys[i].control, options->*kHotkeys[i].word);
    for (const auto& c : kChecks) CheckDlgButton(page, c.control, options->*c.flag ? BST_CHECKED : BST_UNCHECKED);
    SendDlgItemMessageA(page, IDUD_OPT_VDTIMEOUT, UDM_SETRANGE32, 0, kTimeoutMax);
    SetDlgItemNumber(page, IDE_OPT_VDTIMEOUT, options->iVDTPTimeout);
    SendDlgItemMessageA(page, IDE_OPT_DESKFOLDER, EM_LIMITTEXT, sizeof(options->szUserDesktop) - 1, 0);
    SetDlgItemTextA(page, IDE_OPT_DESKFOLDER, options->szUserDesktop);
    if (!g_active)
        EnumChildWindows(page, EnableChildWindowProc, 0);
    else
        EnableUnpin(page);
    return FALSE;
}

void StoreControls(HWND page)
{
    if (!g_active) return;
    OptionsRecord* o = g_options;
    for (int i = 0; i < kHotkeyCount; i++) o->*kHotkeys[i].word = g_fields[i].combination;
    for (const auto& c : kChecks) o->*c.flag = Checked(page, c.control) ? 1 : 0;
    GetDlgItemTextA(page, IDE_OPT_DESKFOLDER, o->szUserDesktop, sizeof(o->szUserDesktop));
    o->iVDTPTimeout = GetDlgItemNumberDefault(page, IDE_OPT_VDTIMEOUT, 0, kTimeoutMax, kTimeoutDefault);
}

bool ControlsDiffer(HWND page)
{
    if (!g_active) return false;
    for (int i = 0; i < kHotkeyCount; i++)
        if (g_fields[i].combination != Options.*kHotkeys[i].word) return true;
    for (const auto& c : kChecks)
        if (Checked(page, c.control) != (Options.*c.flag != 0)) return true;
    char folder[MAX_PATH] = "";
    GetDlgItemTextA(page, IDE_OPT_DESKFOLDER, folder, sizeof(folder));
    if (strcmp(folder, Options.szUserDesktop) != 0) return true;
    return GetDlgItemNumberDefault(page, IDE_OPT_VDTIMEOUT, 0, kTimeoutMax, kTimeoutDefault) != Options.iVDTPTimeout;
}

void AskToChangeFolder(HWND page)
{
    if (AppMessageBox(&g_app, GetAncestor(page, GA_ROOT), g_app.productName, AppText(IDS_DESKTOP_FOLDER_WARNING), 0x522, 0) == IDOK)
        EnableWindow(GetDlgItem(page, IDE_OPT_DESKFOLDER), TRUE);
}

void OnCommand(HWND page, int id, int code)
{
    if (id == IDOK) {
        StoreControls(page);
        SetWindowLongPtrA(page, DWLP_MSGRESULT, 0);
        return;
    }
    if (code != BN_CLICKED) return;
    if (id == IDX_OPT_TOGGLEPIN) EnableUnpin(page);
    if (id == IDB_OPT_DESKFOLDER) AskToChangeFolder(page);
}

}  // namespace

INT_PTR CALLBACK OptionsVirtualDesktopsPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(page, (OptionsRecord*)lParam);
    case WM_COMMAND:
        OnCommand(page, LOWORD(wParam), HIWORD(wParam));
        return TRUE;
    case WM_OPTIONS_PAGE_CHANGED:
        SetWindowLongPtrA(page, DWLP_MSGRESULT, ControlsDiffer(page) ? 1 : 0);
        return TRUE;
    case WM_DPICHANGED:
        ApplyDialogFontForDpi(page, HIWORD(wParam));
        return TRUE;
    case WM_DESTROY:
        for (HotkeyField& f : g_fields) DetachPageHotkey(&f);
        return FALSE;
    default:
        return FALSE;
    }
}
