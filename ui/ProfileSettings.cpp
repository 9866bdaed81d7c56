// ProfileSettings.cpp - the Profile Settings frame: the working copy, the
// tabs and their pages, OK's checks and hotkeys, and giving the copy back.
#include "ui/ProfileSettings.h"

#include "engine/Engine.h"
#include "engine/LiveEdit.h"
#include "engine/ProductIds.h"
#include "engine/ProductStrings.h"
#include "engine/ProfileHotkeys.h"
#include "engine/ProfileStore.h"
#include "engine/TrayIcon.h"
#include "engine/WindowTable.h"
#include "framework/core/AppObject.h"
#include "framework/core/AppShell.h"
#include "framework/core/TextUtil.h"
#include "framework/ui/DialogSetup.h"
#include "framework/ui/MessageBox.h"
#include "ui/DialogPages.h"
#include "ui/MainDialogCommands.h"
#include "ui/ProfileSettingsInternal.h"
#include "ui/ProfileSettingsRes.h"

#include <commctrl.h>
#include <stdlib.h>
#include <string.h>

namespace {

const DialogPage kPages[PROFILE_PAGE_COUNT] = {
    {IDD_PROFILE_GENERAL, ProfileGeneralPageProc},       {IDD_PROFILE_TRIGGER, ProfileTriggerPageProc},
    {IDD_PROFILE_UPDATE, ProfileUpdatePageProc},         {IDD_PROFILE_ADVANCED, ProfileAdvancedPageProc},
    {IDD_PROFILE_RULES, ProfileRuleCreationPageProc},
};
const char* const kPageTopics[PROFILE_PAGE_COUNT] = {"ProfileGeneral.htm", "ProfileTrigger.htm", "ProfileUpdate.htm",
                                                     "ProfileAdvanced.htm", "ProfileRuleCreation.htm"};

// The page shown last; the dialog reopens on it. UI thread.
int g_selectedPage;

// Where a refused hotkey is: the page and its field, by PROFILE_HOTKEY_*.
struct HotkeyPlace {
    int page;
    int field;
};
const HotkeyPlace kHotkeyPlaces[] = {
    {PAGE_TRIGGER, IDE_PRF_HOTKEY},
    {PAGE_TRIGGER, IDE_PRFTRG_HOTKEYWIN},
    {PAGE_UPDATE, IDE_PRF_HOTKEY},
};

ProfileSettingsDialog* DialogOf(HWND frame)
{
    return (ProfileSettingsDialog*)GetWindowLongPtrA(frame, DWLP_USER);
}

void ShowPage(ProfileSettingsDialog* d, int index)
{
    g_selectedPage = ShowDialogPage(d->frame, IDTAB_PRFSET_PAGES, d->pages, PROFILE_PAGE_COUNT, index);
}

void CreatePages(ProfileSettingsDialog* d)
{
    CreateDialogPages(d->frame, IDTAB_PRFSET_PAGES, IDS_PRFSET_PAGEAREA, 82, kPages, PROFILE_PAGE_COUNT, (LPARAM)d,
                      false, d->pages);
}

BOOL OnInitDialog(HWND frame, ProfileSettingsDialog* d)
{
    SetWindowLongPtrA(frame, DWLP_USER, (LONG_PTR)d);
    d->frame = frame;
    InitDialogDefaults(&g_app, frame);
    CreatePages(d);
    ShowPage(d, g_selectedPage);
    SetFocus(GetDlgItem(frame, IDOK));
    return FALSE;
}


bool AnyPageChanged(ProfileSettingsDialog* d)
{
    // A purge asked for is a change of its own; so are fields an OK refused
    // later already wrote into the copy.
    if (d->purgeDays > 0 || d->stored) return true;
    for (int i = 0; i < PROFILE_PAGE_COUNT; i++)
        if (AskDialogPage(d->pages[i], WM_PAGE_CHANGED, 0)) return true;
    return false;
}

void DestroyPages(ProfileSettingsDialog* d)
{
    for (int i = 0; i < PROFILE_PAGE_COUNT; i++) {
        if (d->pages[i]) DestroyWindow(d->pages[i]);
        d->pages[i] = nullptr;
    }
}

void CloseDialog(ProfileSettingsDialog* d, INT_PTR result)
{
    DestroyPages(d);
    FreeProfileLists(&d->working);
    EndDialog(d->frame, result);
}

//--- giving the copy back

struct GiveBack {
    LiveProfileRef ref;
    Profile working;
    int32_t purgeDays;
};

// Set while OK hands its step over: a step that runs later re-registers.
bool g_givingBackNow;

bool GiveBackStep(void* context)
{
    GiveBack* g = (GiveBack*)context;
    if (!EnterTableLock(0)) return false;
    Profile* live = FindLiveProfile(&g->ref);
    bool renamed = false;
    if (live) {
        int at = (int)(live - g_profiles.data);
        char wanted[sizeof(g->working.szGenName)];
        CopyText(wanted, sizeof(wanted), g->working.szGenName);
        MakeUniqueProfileName(g->working.szGenName, &g_profiles, at);
        renamed = strcmp(wanted, g->working.szGenName) != 0;
        ReturnProfileSettings(live, &g->working, g->purgeDays);
    }
    LeaveTableLock();
    FreeProfileLists(&g->working);
    // The hotkeys were registered for the list as it was at OK.
    if (!live || renamed || !g_givingBackNow) RegisterProfileHotKeys(&g_profiles, 1);
    UpdateAppTrayIcon(1);
    if (g_mainDialog) {
        FillMainProfileCombo(g_mainDialog);
        PostMessageA(g_mainDialog, WM_PROFILE_RULESCHANGED, 1, -1);
    }
    return true;
}

// The working copy into the profile: live through a step, else at once.
void ReturnWorkingCopy(ProfileSettingsDialog* d)
{
    if (!d->live) {
        ReturnProfileSettings(d->target, &d->working, d->purgeDays);
        return;
    }
    GiveBack* g = (GiveBack*)calloc(1, sizeof(GiveBack));
    if (!g) return;
    g->ref = d->ref;
    g->working = d->working;
    g->purgeDays = d->purgeDays;
    memset(&d->working, 0, sizeof(d->working));
    g_givingBackNow = true;
    RunLiveEdit(GiveBackStep, g);
    g_givingBackNow = false;
}

// The profile's hotkeys as a set with the others'; false (told, focused)
// when one cannot be had.
bool RegisterEditedHotkeys(ProfileSettingsDialog* d)
{
    int index = -1;
    if (d->live) {
        Profile* live = FindLiveProfile(&d->ref);
        index = live ? (int)(live - g_profiles.data) : -1;
        MakeUniqueProfileName(d->working.szGenName, &g_profiles, index);
    } else {
        index = FindProfileByName(&g_profiles, d->openedName, -1);
    }
    int failed = ReplaceProfileHotKeys(&g_profiles, index, &d->working, d->live);
    if (failed < 0) return true;
    const HotkeyPlace& place = kHotkeyPlaces[failed >= 0 && failed <= 2 ? failed : 0];
    ShowPage(d, place.page);
    HWND page = d->pages[place.page];
    AppMessageBox(&g_app, page, AppText(IDS_PRODUCT_NAME), AppText(5010), MB_ZRP_ERROR | MB_ZRP_OK, 0);
    SetFocus(GetDlgItem(page, place.field));
    return false;
}

void OnClose(ProfileSettingsDialog* d, int button)
{
    bool changed = AnyPageChanged(d);
    if (!changed) {
        CloseDialog(d, button);
        return;
    }
    d->working.edited = 1;
    if (button == IDCANCEL) {
        if (AppMessageBox(&g_app, d->frame, AppText(IDS_PRODUCT_NAME), AppText(IDS_DISCARD_CHANGES), 0x1048, 0) ==
            IDYES)
            CloseDialog(d, IDCANCEL);
        return;
    }
    for (int i = 0; i < PROFILE_PAGE_COUNT; i++) {
        d->stored = true;
        if (AskDialogPage(d->pages[i], WM_COMMAND, IDOK) == PAGE_REFUSED) {
            ShowPage(d, i);
            return;
        }
    }
    if (!RegisterEditedHotkeys(d)) return;
    ReturnWorkingCopy(d);
    CloseDialog(d, IDOK);
}

void OnNotify(ProfileSettingsDialog* d, const NMHDR* header)
{
    if (header->idFrom == IDTAB_PRFSET_PAGES && header->code == TCN_SELCHANGE)
        ShowPage(d, TabCtrl_GetCurSel(header->hwndFrom));
}

void ShowTopic()
{
    if (g_selectedPage >= 0 && g_selectedPage < PROFILE_PAGE_COUNT) ShowHelp(&g_app, kPageTopics[g_selectedPage]);
}

INT_PTR CALLBACK ProfileSettingsDlgProc(HWND frame, UINT message, WPARAM wParam, LPARAM lParam)
{
    ProfileSettingsDialog* d = DialogOf(frame);
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(frame, (ProfileSettingsDialog*)lParam);
    case WM_NOTIFY:
        if (d) OnNotify(d, (const NMHDR*)lParam);
        return TRUE;
    case WM_HELP:
        ShowTopic();
        return TRUE;
    case WM_DPICHANGED:
        ApplyDialogFontForDpi(frame, HIWORD(wParam));
        for (int i = 0; d && i < PROFILE_PAGE_COUNT; i++)
            if (d->pages[i]) SendMessageA(d->pages[i], WM_DPICHANGED, wParam, lParam);
        return TRUE;
    case WM_COMMAND:
        if (!d || HIWORD(wParam) != BN_CLICKED) return TRUE;
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) OnClose(d, LOWORD(wParam));
        if (LOWORD(wParam) == IDB_PRFSET_HELP) ShowTopic();
        return TRUE;
    default:
        return FALSE;
    }
}

// A copy of the live profile taken under the lock; false when the lock or
// the profile could not be had, or memory ran out.
bool CopyLiveProfile(ProfileSettingsDialog* d, Profile* profile)
{
    d->ref = NoteLiveProfile(profile);
    // A wait for the lock pumps: nothing opens from inside another's wait.
    if (TableLockWaitPumping() || !EnterTableLock(100)) return false;
    Profile* live = FindLiveProfile(&d->ref);
    bool copied = live && CopyProfile(live, &d->working);
    if (live) d->ref = NoteLiveProfile(live);
    LeaveTableLock();
    return copied;
}

}  // namespace

INT_PTR ShowProfileSettings(HWND owner, Profile* profile, bool live)
{
    if (!profile) return IDCANCEL;
    ProfileSettingsDialog* d = (ProfileSettingsDialog*)calloc(1, sizeof(ProfileSettingsDialog));
    if (!d) return IDCANCEL;
    d->target = profile;
    d->live = live;
    CopyText(d->openedName, sizeof(d->openedName), profile->szGenName);
    bool copied = live ? CopyLiveProfile(d, profile) : CopyProfile(profile, &d->working);
    INT_PTR result = IDCANCEL;
    if (copied)
        result = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_PROFILE_SETTINGS), owner,
                                 ProfileSettingsDlgProc, (LPARAM)d);
    FreeProfileLists(&d->working);
    free(d);
    return result == IDOK ? IDOK : IDCANCEL;
}

void SetProfileSettingsPage(int page)
{
    g_selectedPage = page >= 0 && page < PROFILE_PAGE_COUNT ? page : 0;
}

void OpenCurrentProfileSettings(HWND mainDialog)
{
    Profile* current = CurrentProfile();
    if (current) ShowProfileSettings(mainDialog, current, true);
}
