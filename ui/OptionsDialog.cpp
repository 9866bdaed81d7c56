// OptionsDialog.cpp - the Options dialog's frame: the tab control over four
// pages, OK with the hotkeys registered as one set and the working copy given
// back as a live edit, Cancel, Help and the restart question.
#include "ui/OptionsDialog.h"

#include "engine/Engine.h"
#include "engine/HelpTopics.h"
#include "engine/Hotkeys.h"
#include "engine/LiveEdit.h"
#include "engine/ProductStrings.h"
#include "engine/ProfileStore.h"
#include "engine/TrayIcon.h"
#include "engine/WindowTable.h"
#include "framework/core/AppObject.h"
#include "framework/core/AppShell.h"
#include "framework/ui/DialogSetup.h"
#include "framework/ui/HotkeyField.h"
#include "framework/ui/MessageBox.h"
#include "ui/DialogPages.h"
#include "ui/MainDialog.h"
#include "ui/OptionsInternal.h"
#include "ui/OptionsRes.h"

#include <commctrl.h>
#include <mmsystem.h>
#include <stddef.h>
#include <stdlib.h>

#define IDS_OPTIONS_TABS     84
#define IDS_HOTKEY_NOT_SET   5010
#define IDS_RESTART_ELEVATED 5200

namespace {

const DialogPage kPages[] = {
    {IDD_OPTIONS_GENERAL, OptionsGeneralPageProc},
    {IDD_OPTIONS_MINIMIZE, OptionsMinimizePageProc},
    {IDD_OPTIONS_DESKTOPS, OptionsVirtualDesktopsPageProc},
    {IDD_OPTIONS_TRANSPARENCY, OptionsTransparencyPageProc},
};
const int kPageCount = (int)ARRAYSIZE(kPages);
const char* const kPageHelp[kPageCount] = {HELP_OPTIONS, HELP_OPTIONS_MINIMIZE, HELP_OPTIONS_DESKTOPS,
                                           HELP_OPTIONS_TRANSPARENT};

// Where each hotkey word is edited, to name the field Windows refused.
const struct {
    size_t offset;
    int page, control;
} kHotkeyFields[] = {
    {offsetof(OptionsRecord, iHotKeyMain), 0, IDE_OPT_HK_MAIN},
    {offsetof(OptionsRecord, iHotKeyTrigger), 0, IDE_OPT_HK_TRIGGER},
    {offsetof(OptionsRecord, iHotKeyEnable), 0, IDE_OPT_HK_ENABLE},
    {offsetof(OptionsRecord, iHotKeyNew), 0, IDE_OPT_HK_NEW},
    {offsetof(OptionsRecord, iHotKeyUpdate), 0, IDE_OPT_HK_UPDATE},
    {offsetof(OptionsRecord, iHotKeyCreate), 0, IDE_OPT_HK_CREATE},
    {offsetof(OptionsRecord, iHotKeyActive), 0, IDE_OPT_HK_ACTIVE},
    {offsetof(OptionsRecord, iHotKeySwitchDesktop), 2, IDE_OPT_HK_SWITCHDESK},
    {offsetof(OptionsRecord, iHotKeyMoveWindow), 2, IDE_OPT_HK_MOVEWINDOW},
    {offsetof(OptionsRecord, iHotKeyPinWindow), 2, IDE_OPT_HK_PIN},
    {offsetof(OptionsRecord, iHotKeyUnPinWindow), 2, IDE_OPT_HK_UNPIN},
    {offsetof(OptionsRecord, iHotKeyTrans), 3, IDE_OPT_HK_TRANS},
    {offsetof(OptionsRecord, iHotKeyClkThr), 3, IDE_OPT_HK_CLKTHR},
    {offsetof(OptionsRecord, iHotKeyNonTrans), 3, IDE_OPT_HK_NONTRANS},
    {offsetof(OptionsRecord, iHotKeyAlwaysOnTop), 3, IDE_OPT_HK_TOPMOST},
};

// The page shown, kept for the next opening; UI thread.
int g_selectedPage;
// The open dialog's working copy and pages (one dialog at a time: it is modal).
OptionsRecord g_working;
HWND g_pages[kPageCount];

ElevationProbe g_elevationProbe;
SoundPlayer g_soundPlayer;

int ProcessElevated()
{
    return g_elevationProbe ? g_elevationProbe() : IsProcessElevated();
}

void ShowPage(HWND dialog, int index)
{
    g_selectedPage = ShowDialogPage(dialog, IDTAB_OPTIONS, g_pages, kPageCount, index);
}

BOOL OnInitDialog(HWND dialog)
{
    InitDialogDefaults(&g_app, dialog);
    g_working = Options;
    CreateDialogPages(dialog, IDTAB_OPTIONS, IDC_OPTIONS_PAGE, IDS_OPTIONS_TABS, kPages, kPageCount,
                      (LPARAM)&g_working, true, g_pages);
    ShowPage(dialog, g_selectedPage);
    SetFocus(GetDlgItem(dialog, IDOK));
    return FALSE;
}


//--- OK

// Taken over with the options once nothing runs in between.
struct GiveBack {
    OptionsRecord working;
    GrowArray<TrayAppEntry> trayApps;   // complete
};

bool GiveOptionsBack(void* context)
{
    GiveBack* back = (GiveBack*)context;
    if (!EnterTableLock(0)) return false;
    uint32_t colour = Options.crRuleScript;
    ReturnWorkingOptions(&back->working);
    ReplaceTrayAppList(&back->trayApps);
    LeaveTableLock();
    SetProgramEnabled(Options.bEnabled);
    if (colour != Options.crRuleScript && g_ruleTree)
        RedrawWindow(g_ruleTree, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
    UpdateAppTrayIcon(1);
    SerializeOptions(1);
    return true;
}

bool AskRestartElevated(void*)
{
    if (AppMessageBox(&g_app, g_mainDialog, g_app.productName, AppText(IDS_RESTART_ELEVATED), 0x248, 0) == IDYES) {
        SaveAll();
        AppQuit(&g_app, 2, true);
    }
    return true;
}

// Windows refused a hotkey: its page shown, its field named and focused.
void NameRefusedHotkey(HWND dialog, int offset)
{
    for (const auto& f : kHotkeyFields) {
        if ((int)f.offset != offset) continue;
        ShowPage(dialog, f.page);
        AppMessageBox(&g_app, dialog, g_app.productName, AppText(IDS_HOTKEY_NOT_SET), 0x11, 0);
        SetFocus(GetDlgItem(g_pages[f.page], f.control));
        return;
    }
}

// The words other code reads to unregister them again follow the
// registrations at once.
void TakeHotkeyWords(const OptionsRecord* from)
{
    for (const auto& f : kHotkeyFields)
        *(uint16_t*)((char*)&Options + f.offset) = *(const uint16_t*)((const char*)from + f.offset);
    Options.bTogglePin = from->bTogglePin;
}

void OnOk(HWND dialog)
{
    bool refused = false;
    for (HWND page : g_pages) refused = AskDialogPage(page, WM_COMMAND, IDOK) != 0 || refused;
    if (refused) return;
    GiveBack* back = (GiveBack*)calloc(1, sizeof(GiveBack));
    if (!back) return;
    InitGrowArray(&back->trayApps);
    if (!CopyMinimizePageEntries(&back->trayApps)) {
        free(back);
        return;
    }
    int failed = ReplaceOptionsHotkeys(&g_working);
    if (failed >= 0) {
        FreeGrowArray(&back->trayApps);
        free(back);
        NameRefusedHotkey(dialog, failed);
        return;
    }
    TakeHotkeyWords(&g_working);
    back->working = g_working;
    EndDialog(dialog, IDOK);
    if (RunLiveEdit(GiveOptionsBack, back) == LIVE_EDIT_REFUSED) {
        FreeGrowArray(&back->trayApps);
        free(back);
    }
}

//--- Cancel

void OnCancel(HWND dialog)
{
    bool changed = false;
    for (HWND page : g_pages) changed = AskDialogPage(page, WM_OPTIONS_PAGE_CHANGED, 0) != 0 || changed;
    if (changed && AppMessageBox(&g_app, g_mainDialog, g_app.productName, AppText(IDS_DISCARD_CHANGES), 0x1048,
                                 0) != IDYES)
        return;
    EndDialog(dialog, IDCANCEL);
}

void OnDestroy()
{
    for (HWND& page : g_pages) {
        if (page) DestroyWindow(page);
        page = nullptr;
    }
}

void ShowSelectedHelp()
{
    int i = g_selectedPage >= 1 && g_selectedPage < kPageCount ? g_selectedPage : 0;
    ShowHelp(&g_app, kPageHelp[i]);
}

INT_PTR CALLBACK OptionsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(dialog);
    case WM_NOTIFY: {
        const NMHDR* n = (const NMHDR*)lParam;
        if (n->idFrom == IDTAB_OPTIONS && n->code == TCN_SELCHANGE)
            ShowPage(dialog, TabCtrl_GetCurSel(n->hwndFrom));
        return TRUE;
    }
    case WM_COMMAND:
        if (HIWORD(wParam) != BN_CLICKED) return FALSE;
        if (LOWORD(wParam) == IDOK) OnOk(dialog);
        if (LOWORD(wParam) == IDCANCEL) OnCancel(dialog);
        if (LOWORD(wParam) == IDB_OPTIONS_HELP) ShowSelectedHelp();
        return TRUE;
    case WM_HELP:
        ShowSelectedHelp();
        return TRUE;
    case WM_DPICHANGED:
        ApplyDialogFontForDpi(dialog, HIWORD(wParam));
        return TRUE;
    case WM_DESTROY:
        OnDestroy();
        return FALSE;
    default:
        return FALSE;
    }
}

}  // namespace

void AttachPageHotkey(HotkeyField* field, HWND page, int id, uint16_t combination)
{
    InitHotkeyField(field);
    AttachHotkeyField(field, GetDlgItem(page, id));
    SetHotkey(field, combination);
}

void DetachPageHotkey(HotkeyField* field)
{
    DetachHotkeyField(field);
    FreeHotkeyField(field);
}

BOOL PlayOptionsSound(LPCSTR sound, DWORD flags)
{
    return g_soundPlayer ? g_soundPlayer(sound, nullptr, flags) : PlaySoundA(sound, nullptr, flags);
}

void SetOptionsSeams(ElevationProbe probe, SoundPlayer player)
{
    g_elevationProbe = probe;
    g_soundPlayer = player;
}

INT_PTR ShowOptionsDialog(HWND owner)
{
    INT_PTR result = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_OPTIONS), owner,
                                     OptionsDlgProc, 0);
    if (result != IDOK) return IDCANCEL;
    // After the options were taken over: a Yes saves them.
    if (g_working.bRunAsAdmin && ProcessElevated() == 0) RunLiveEdit(AskRestartElevated, nullptr);
    return IDOK;
}
