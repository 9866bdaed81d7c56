// ProfilesDialog.cpp - the Profiles dialog: its list, Add, Edit, Copy, Del,
// Cancel, and OK giving the working list back to the program.
#include "ui/ProfilesDialog.h"

#include "engine/Engine.h"
#include "engine/LiveEdit.h"
#include "engine/ProductStrings.h"
#include "engine/ProfileHotkeys.h"
#include "engine/ProfileImport.h"
#include "engine/ProfileStore.h"
#include "engine/TrayIcon.h"
#include "engine/WindowTable.h"
#include "framework/core/AppObject.h"
#include "framework/core/AppShell.h"
#include "framework/core/TextUtil.h"
#include "framework/ui/DialogSetup.h"
#include "framework/ui/HotkeyField.h"
#include "framework/ui/ListControl.h"
#include "framework/ui/MessageBox.h"
#include "ui/ImageButtons.h"
#include "ui/MainDialogCommands.h"
#include "ui/MainDialogInternal.h"
#include "ui/ProfileSettings.h"
#include "ui/ProfilesDialogInternal.h"
#include "ui/ProfilesDialogRes.h"
#include "ui/RuleTree.h"

#include <stdlib.h>
#include <string.h>

GrowArray<Profile> g_workingProfiles = {0, nullptr, -1, 0, 0};
GrowArray<ProfileOrigin> g_workingOrigins = {0, nullptr, -1, 0, 0};

namespace {

CList* g_rows;
int32_t g_liveCount;            // profiles of the program when the dialog opened
char g_openedCurrent[MAX_PATH];  // the current profile then, selected first
ProfileSettingsRunner g_settingsRunner;

INT_PTR RunProfileSettings(HWND owner, Profile* p)
{
    return g_settingsRunner ? g_settingsRunner(owner, p) : ShowProfileSettings(owner, p, false);
}

void Tell(HWND dialog, int stringId)
{
    AppMessageBox(&g_app, dialog, AppText(IDS_PRODUCT_NAME), AppText(stringId), MB_ZRP_WARNING | MB_ZRP_OK, 0);
}

void FreeWorkingList()
{
    ClearProfileList(&g_workingProfiles);
    FreeGrowArray(&g_workingProfiles);
    FreeGrowArray(&g_workingOrigins);
}

// Both lists put in one of the two orders of profile names, together.
bool OrderWorkingList(int order)
{
    int n = g_workingProfiles.count;
    if (n < 2) return true;
    int32_t* at = (int32_t*)calloc((size_t)n, sizeof(int32_t));
    Profile* profiles = (Profile*)malloc((size_t)n * sizeof(Profile));
    ProfileOrigin* origins = (ProfileOrigin*)malloc((size_t)n * sizeof(ProfileOrigin));
    bool ok = at && profiles && origins;
    if (ok) {
        OrderProfiles(&g_workingProfiles, order, at);
        for (int i = 0; i < n; i++) {
            profiles[i] = g_workingProfiles.data[at[i]];
            origins[i] = g_workingOrigins.data[at[i]];
        }
        memcpy(g_workingProfiles.data, profiles, (size_t)n * sizeof(Profile));
        memcpy(g_workingOrigins.data, origins, (size_t)n * sizeof(ProfileOrigin));
    }
    free(at);
    free(profiles);
    free(origins);
    return ok;
}

// A deep copy of the program's profiles, each noted with where it came from.
bool CopyLiveProfiles()
{
    if (!BeginRuleEdit()) return false;
    bool ok = AssignProfileList(&g_profiles, &g_workingProfiles);
    for (int i = 0; ok && i < g_profiles.count; i++) {
        ProfileOrigin origin = {};
        CopyText(origin.name, sizeof(origin.name), g_profiles.data[i].szGenName);
        origin.nextRuleId = g_profiles.data[i].nextRuleId;
        // From here on the byte marks what the settings changed in this dialog.
        g_workingProfiles.data[i].edited = 0;
        origin.fingerprint = ProfileFingerprint(&g_workingProfiles.data[i]);
        ok = ArrayAppend(&g_workingOrigins, &origin) >= 0;
    }
    g_liveCount = g_profiles.count;
    const Profile* current = CurrentProfile();
    CopyText(g_openedCurrent, sizeof(g_openedCurrent), current ? current->szGenName : "");
    EndRuleEdit();
    return ok;
}

//--- the rows

bool CreateRows(HWND dialog)
{
    CList* list = (CList*)CreateUIItemByType(UIITEM_LIST, nullptr);
    if (!list) return false;
    list->rowDataSize = sizeof(ProfileRow);
    list->fixedColumns = 1;
    if (CreateListInPlaceOf(list, IDL_PROFILES_LIST, dialog, dialog, GetDlgItem(dialog, IDL_PROFILES_LIST), nullptr,
                            false) != 0) {
        FreeUIItem(list);
        return false;
    }
    AddListColumn(list, "Profiles", 1.0);
    g_rows = list;
    return true;
}

// The list box row showing the working list's record index, or -1.
int RowOf(int index)
{
    int n = g_rows ? GetListRowCount(g_rows) : 0;
    for (int row = 0; row < n; row++) {
        const ProfileRow* r = (const ProfileRow*)GetListRowData(g_rows, row);
        if (r && r->index == index) return row;
    }
    return -1;
}

void RebuildRows(int select)
{
    if (!g_rows) return;
    ClearListRows(g_rows);
    for (int i = 0; i < g_workingProfiles.count; i++) {
        ProfileRow row = {};
        CopyText(row.name, sizeof(row.name), g_workingProfiles.data[i].szGenName);
        row.index = i;
        AddListRow(g_rows, &row);
    }
    int row = select >= 0 ? RowOf(select) : -1;
    if (row >= 0) SelectListRow(g_rows, row, true, false);
}

void DrawRow(const DRAWITEMSTRUCT* item)
{
    if (!g_rows || item->hwndItem != g_rows->listBox || item->itemID == (UINT)-1) return;
    const ProfileRow* row = (const ProfileRow*)item->itemData;
    if (row) DrawListCellText(g_rows, 0, row->name, false);
}

//--- the buttons

// Opens the settings on a new record; with OK it joins the list. The
// record itself is the caller's; its lists are the list's or freed.
void OpenNewProfile(HWND dialog, Profile* p)
{
    if (RunProfileSettings(dialog, p) == IDOK)
        InsertNewProfile(dialog, p);
    else
        FreeProfileLists(p);
}

void AddProfile(HWND dialog)
{
    Profile* p = (Profile*)calloc(1, sizeof(Profile));
    if (!p) return;
    if (InitProfile(p, false))
        OpenNewProfile(dialog, p);
    else
        FreeProfileLists(p);
    free(p);
}

void CopySelectedProfile(HWND dialog)
{
    int i = SelectedProfile();
    if (i < 0) return;
    Profile* p = (Profile*)calloc(1, sizeof(Profile));
    if (!p) return;
    if (CopyProfile(&g_workingProfiles.data[i], p)) {
        AppendText(p->szGenName, sizeof(p->szGenName), AppText(IDS_PROFILE_TEXTS, 2));
        // The keys stay with the profile copied: two profiles cannot share one.
        ClearProfileHotkeys(p);
        p->edited = 0;
        OpenNewProfile(dialog, p);
    } else {
        FreeProfileLists(p);
    }
    free(p);
}

void EditSelectedProfile(HWND dialog)
{
    int i = SelectedProfile();
    if (i < 0 || RunProfileSettings(dialog, &g_workingProfiles.data[i]) != IDOK) return;
    MakeUniqueProfileName(g_workingProfiles.data[i].szGenName, &g_workingProfiles, i);
    // A new name takes its place in the order new profiles are inserted by.
    char name[MAX_PATH];
    CopyText(name, sizeof(name), g_workingProfiles.data[i].szGenName);
    OrderWorkingList(PROFILE_ORDER_NOCASE);
    RebuildRows(FindProfileByName(&g_workingProfiles, name, -1));
}

void DeleteSelectedProfile(HWND dialog)
{
    int i = SelectedProfile();
    if (i < 0) return;
    if (AppMessageBox(&g_app, dialog, AppText(IDS_PRODUCT_NAME), AppText(IDS_PROFILE_TEXTS, 1),
                      MB_ZRP_QUESTION | MB_ZRP_YESNOCANCEL, 0) != IDYES)
        return;
    FreeProfileLists(&g_workingProfiles.data[i]);
    ArrayRemoveAt(&g_workingProfiles, i);
    ArrayRemoveAt(&g_workingOrigins, i);
    RebuildRows(i < g_workingProfiles.count ? i : g_workingProfiles.count - 1);
}

//--- closing

bool WorkingListChanged()
{
    if (g_workingProfiles.count != g_liveCount) return true;
    for (int i = 0; i < g_workingProfiles.count; i++) {
        const Profile* p = &g_workingProfiles.data[i];
        const ProfileOrigin* o = &g_workingOrigins.data[i];
        if (!o->name[0] || p->edited || strcmp(p->szGenName, o->name) != 0 || ProfileFingerprint(p) != o->fingerprint)
            return true;
    }
    return false;
}

struct GiveBack {
    GrowArray<Profile> list;
    GrowArray<ProfileOrigin> origins;
};

// The list goes back under the lock; then the main dialog shows it.
bool ReturnProfilesStep(void* context)
{
    GiveBack* back = (GiveBack*)context;
    StoreTreeExpandStateOf(TreeProfile());
    if (!EnterTableLock(0)) return false;
    // Nothing may find the old records through the tree once they are gone.
    ForgetTreeProfile();
    bool returned = ReturnDialogProfiles(&back->list, back->origins.data);
    LeaveTableLock();
    ClearProfileList(&back->list);
    FreeGrowArray(&back->list);
    FreeGrowArray(&back->origins);
    if (!returned) {
        // The list stays: so do its keys.
        ReplaceProfileHotKeys(&g_profiles, nullptr);
        Tell(g_mainDialog, IDS_PROFILES_NO_MEMORY);
    } else if (g_profiles.count == 0) {
        CreateDefaultProfile();
        Options.iCurProfile = g_profiles.count > 0 ? 0 : -1;
    }
    if (g_mainDialog) {
        FillMainProfileCombo(g_mainDialog);
        RefreshRuleTree(CurrentProfile(), -1);
        EnableRuleButtons(g_mainDialog);
    }
    UpdateAppTrayIcon(1);
    return true;
}

void SayHotkeyFailed(HWND dialog, const ProfileHotKeyEntry& failed)
{
    if (!failed.word) {
        Tell(dialog, IDS_PROFILES_NO_MEMORY);
        return;
    }
    char key[MAX_PATH];
    CopyText(key, sizeof(key), FormatHotkeyText(failed.word));
    AppMessageBox(&g_app, dialog, AppText(IDS_PRODUCT_NAME), AppText(IDS_PROFILE_HOTKEY_FAILED),
                  MB_ZRP_WARNING | MB_ZRP_OK, 0, key, failed.profile);
}

void OnOk(HWND dialog)
{
    if (QueuedLiveEdits() >= LIVE_EDIT_QUEUE_MAX) {
        Tell(dialog, IDS_EDIT_REFUSED);
        return;
    }
    int selected = SelectedProfile();
    char name[MAX_PATH];
    CopyText(name, sizeof(name), selected >= 0 ? g_workingProfiles.data[selected].szGenName : "");
    // The program's list is in byte order; its keys are registered whole or not at all.
    ProfileHotKeyEntry failed = {};
    GiveBack* back = (GiveBack*)calloc(1, sizeof(GiveBack));
    if (!back || !OrderWorkingList(PROFILE_ORDER_BYTES) || !ReplaceProfileHotKeys(&g_workingProfiles, &failed)) {
        free(back);
        OrderWorkingList(PROFILE_ORDER_NOCASE);
        RebuildRows(FindProfileByName(&g_workingProfiles, name, -1));
        SayHotkeyFailed(dialog, failed);
        return;
    }
    back->list = g_workingProfiles;
    back->origins = g_workingOrigins;
    InitGrowArray(&g_workingProfiles);
    InitGrowArray(&g_workingOrigins);
    RunLiveEdit(ReturnProfilesStep, back);
    EndDialog(dialog, IDOK);
}

void OnCancel(HWND dialog)
{
    if (WorkingListChanged() &&
        AppMessageBox(&g_app, dialog, AppText(IDS_PRODUCT_NAME), AppText(IDS_DISCARD_CHANGES),
                      MB_ZRP_QUESTION | MB_ZRP_YESNO | MB_ZRP_FORCENO, 0) != IDYES)
        return;
    EndDialog(dialog, IDCANCEL);
}

void OnCommand(HWND dialog, int id, int notification)
{
    if (notification != BN_CLICKED) return;
    switch (id) {
    case IDOK:
        OnOk(dialog);
        break;
    case IDCANCEL:
        OnCancel(dialog);
        break;
    case IDB_PROFILES_ADD:
        AddProfile(dialog);
        break;
    case IDB_PROFILES_EDIT:
        EditSelectedProfile(dialog);
        break;
    case IDB_PROFILES_COPY:
        CopySelectedProfile(dialog);
        break;
    case IDB_PROFILES_DELETE:
        DeleteSelectedProfile(dialog);
        break;
    case IDB_PROFILES_IMPORT:
        ImportProfileFile(dialog);
        break;
    case IDB_PROFILES_EXPORT:
        ExportSelectedProfile(dialog);
        break;
    case IDB_PROFILES_HELP:
        ShowHelp(&g_app, "ProfileGeneral.htm");
        break;
    default:
        break;
    }
}

BOOL OnInitDialog(HWND dialog)
{
    InitDialogDefaults(&g_app, dialog);
    AddButtonToolTips(dialog, false);
    LoadImageButtons(dialog);
    if (!CopyLiveProfiles() || !OrderWorkingList(PROFILE_ORDER_NOCASE) || !CreateRows(dialog)) {
        FreeWorkingList();
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    }
    RebuildRows(FindProfileByName(&g_workingProfiles, g_openedCurrent, -1));
    // The list has the focus, so the selected profile shows as such.
    SetFocus(g_rows->listBox);
    return FALSE;
}

INT_PTR CALLBACK ProfilesDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(dialog);
    case WM_DESTROY:
        if (g_rows) FreeUIItem(g_rows);
        g_rows = nullptr;
        FreeWorkingList();
        return FALSE;
    case WM_DPICHANGED:
        ApplyDialogFontForDpi(dialog, HIWORD(wParam));
        LoadImageButtons(dialog);
        if (g_rows) SetListDpi(g_rows, HIWORD(wParam));
        return TRUE;
    case WM_HELP:
        ShowHelp(&g_app, "ProfileGeneral.htm");
        return TRUE;
    case WM_DRAWITEM:
        DrawRow((const DRAWITEMSTRUCT*)lParam);
        return TRUE;
    case ZRPMSG_COMMAND:
        if (LOWORD(wParam) == IDL_PROFILES_LIST && HIWORD(wParam) == LIST_DOUBLECLICK)
            PostMessageA(dialog, WM_COMMAND, IDB_PROFILES_EDIT, 0);
        return TRUE;
    case WM_COMMAND:
        OnCommand(dialog, LOWORD(wParam), HIWORD(wParam));
        return TRUE;
    default:
        return FALSE;
    }
}

}  // namespace

int SelectedProfile()
{
    int row = g_rows ? GetListSelection(g_rows) : -1;
    const ProfileRow* r = row >= 0 ? (const ProfileRow*)GetListRowData(g_rows, row) : nullptr;
    return r && r->index >= 0 && r->index < g_workingProfiles.count ? r->index : -1;
}

bool InsertNewProfile(HWND, Profile* p)
{
    MakeUniqueProfileName(p->szGenName, &g_workingProfiles, -1);
    int at = FindProfilePlace(&g_workingProfiles, p->szGenName, PROFILE_ORDER_NOCASE);
    ProfileOrigin none = {};
    if (ArrayInsertAt(&g_workingOrigins, &none, at) < 0) {
        FreeProfileLists(p);
        return false;
    }
    if (ArrayInsertAt(&g_workingProfiles, p, at) < 0) {
        ArrayRemoveAt(&g_workingOrigins, at);
        FreeProfileLists(p);
        return false;
    }
    RebuildRows(at);
    return true;
}

void SetProfileSettingsRunner(ProfileSettingsRunner runner)
{
    g_settingsRunner = runner;
}

INT_PTR ShowProfilesDialog(HWND owner)
{
    // One at a time: the working list is the dialog's only one.
    static bool s_open;
    if (s_open) return IDCANCEL;
    s_open = true;
    INT_PTR result = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_PROFILES), owner,
                                     ProfilesDlgProc, 0);
    s_open = false;
    return result == IDOK ? IDOK : IDCANCEL;
}
