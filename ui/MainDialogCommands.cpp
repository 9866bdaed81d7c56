// MainDialogCommands.cpp - the main dialog's buttons: the profile box and
// its enabled state, executing, rules from the open windows, the finder's
// pick, Find Next, and the closing buttons.
#include "ui/MainDialogCommands.h"

#include "engine/DesktopIcons.h"
#include "engine/Engine.h"
#include "engine/ExplorerWindows.h"
#include "engine/LiveEdit.h"
#include "engine/Log.h"
#include "engine/ProductIds.h"
#include "engine/ProfileStore.h"
#include "engine/ProfileSwitch.h"
#include "engine/ProfileUpdates.h"
#include "engine/RuleCreate.h"
#include "engine/TrayIcon.h"
#include "engine/WindowTable.h"
#include "framework/core/AppObject.h"
#include "framework/core/AppShell.h"
#include "framework/core/TextUtil.h"
#include "framework/services/AboutBox.h"
#include "ui/MainDialog.h"
#include "ui/MainDialogInternal.h"
#include "ui/MainDialogRes.h"
#include "ui/OpenWhenFree.h"
#include "ui/ProfilesDialog.h"
#include "ui/ProfileSettings.h"
#include "ui/OptionsDialog.h"
#include "ui/RuleTree.h"
#include "ui/WindowList.h"

#include <stdlib.h>
#include <string.h>

namespace {

// What a button asked for, kept until its step runs.
struct ChosenProfile {
    char name[MAX_PATH];
    int execute;
};

bool SwitchToProfile(void* context)
{
    const ChosenProfile* chosen = (const ChosenProfile*)context;
    if (!EnterTableLock(0)) return false;
    int index = FindProfileByName(&g_profiles, chosen->name, -1);
    LeaveTableLock();
    if (index >= 0) SwitchProfile(index, PROFILE_SOURCE_USER, chosen->execute, chosen->execute);
    return true;
}

void SwitchToChosenProfile(HWND dialog)
{
    HWND combo = GetDlgItem(dialog, IDCB_MAIN_PROFILE);
    LRESULT chosen = SendMessageA(combo, CB_GETCURSEL, 0, 0);
    ChosenProfile* c = (ChosenProfile*)calloc(1, sizeof(ChosenProfile));
    if (!c) return;
    if (chosen < 0 || SendMessageA(combo, CB_GETLBTEXTLEN, (WPARAM)chosen, 0) >= (LRESULT)sizeof(c->name) ||
        SendMessageA(combo, CB_GETLBTEXT, (WPARAM)chosen, (LPARAM)c->name) < 0) {
        free(c);
        return;
    }
    // Ctrl held at this moment: switch only, without executing.
    c->execute = (GetAsyncKeyState(VK_CONTROL) & 0x8000) ? 0 : 1;
    RunLiveEdit(SwitchToProfile, c);
}

bool StoreEnabledState(void* context)
{
    if (!EnterTableLock(0)) return false;
    Profile* p = CurrentProfile();
    if (p) {
        p->bGenEnabled = *(const uint8_t*)context;
        MarkProfileEdited(p);
    }
    LeaveTableLock();
    if (p) UpdateAppTrayIcon(1);
    return true;
}

void StoreEnabled(HWND dialog)
{
    uint8_t* enabled = (uint8_t*)malloc(1);
    if (!enabled) return;
    *enabled = IsDlgButtonChecked(dialog, IDX_MAIN_ENABLED) == BST_CHECKED ? 1 : 0;
    RunLiveEdit(StoreEnabledState, enabled);
}

bool ExecuteCurrentProfile(void*)
{
    if (!EnterTableLock(0)) return false;
    LiveProfileRef ref;
    bool current = NoteCurrentProfile(&ref);
    LeaveTableLock();
    Profile* p = current ? FindLiveProfile(&ref) : nullptr;
    if (!p) return true;
    LogLine("PRF: Executing Profile (%s)", p->szGenName);
    g_treeRefresh = 0;
    ApplyProfile(p, PROFILE_SOURCE_USER, false);
    g_treeRefresh = 1;
    return true;
}

// New (0, 0), All Windows (0, 1), and Update as the profile's update mode
// says; then the icons and Explorer windows the profile keeps. A rule that
// was re-captured is a change Cancel asks about.
void CreateRulesFromWindows(int id)
{
    LiveProfileRef ref;
    if (!NoteCurrentProfile(&ref)) return;
    Profile* p = FindLiveProfile(&ref);
    if (!p || !p->bGenEnabled) return;
    if (id == IDB_MAIN_UPDATE) {
        // Updates only when windows changed; saves and tells the dialog itself.
        bool pending = p->updatePending != 0;
        RunProfileUpdate(p);
        if (pending && g_mainDialog) MarkProfileEdited(FindLiveProfile(&ref));
        return;
    }
    LogLine("PRF: Updating Profile (%s)", p->szGenName);
    p->updatePending = 0;
    int64_t touched = UpdateProfileFromWindows(p, -1, 0, id == IDB_MAIN_ALLWINDOWS ? 1 : 0);
    if (touched >= 0 && g_mainDialog) MarkProfileEdited(p);
    if (p->bUpdSaveIcons) SaveDesktopIconsAsync(p, false);
    if (p->bUpdSaveExpWin) CollectExplorerWindows(p);
    p = FindLiveProfile(&ref);
    if (g_mainDialog && p && CurrentProfile() == p) PostMessageA(g_mainDialog, WM_PROFILE_RULESCHANGED, 1, -1);
}

// The button's step: the lock free once, then the rules made from the windows.
bool CreateRulesStep(void* context)
{
    if (!EnterTableLock(0)) return false;
    LeaveTableLock();
    CreateRulesFromWindows(*(const int*)context);
    return true;
}

void RunCreateRules(int id)
{
    int* c = (int*)malloc(sizeof(int));
    if (!c) return;
    *c = id;
    RunLiveEdit(CreateRulesStep, c);
}

// The finder dropped on a window: its rule is made or re-captured and selected.
void PickWindow(HWND window)
{
    if (!window || !BeginRuleEdit()) return;
    Profile* p = TreeProfile();
    int at = FindWindowEntry(window);
    int64_t id = -1;
    if (p && at >= 0) id = CreateOrUpdateRuleForWindow(p, &g_windowTable[at], 0, 1);
    // Made or only re-captured, the rule changed: Cancel asks.
    if (id >= 0) MarkProfileEdited(p);
    EndRuleEdit();
    if (p && at >= 0) RefreshRuleTree(p, id);
}

bool ContainsNoCase(const char* text, const char* search, size_t length)
{
    for (const char* at = text; *at; at++)
        if (_strnicmp(at, search, length) == 0) return true;
    return false;
}

void FindNextRule(HWND dialog)
{
    GetDlgItemTextA(dialog, IDE_MAIN_SEARCH, g_searchText, sizeof(g_searchText));
    size_t length = strlen(g_searchText);
    if (length == 0 || !BeginRuleEdit()) return;
    Profile* p = TreeProfile();
    int64_t found = -1;
    int count = p ? p->pRules->count : 0;
    int selected = FindRuleIndexById(p, SelectedRuleId());
    // After the selected rule round to just before it; without one, all from the first.
    int visits = selected >= 0 ? count - 1 : count;
    for (int k = 0; k < visits; k++) {
        const Rule* r = &p->pRules->data[(selected + 1 + k) % count];
        if (ContainsNoCase(r->name, g_searchText, length)) {
            found = r->id;
            break;
        }
    }
    EndRuleEdit();
    if (found >= 0) SelectRuleInTree(found);
}

void ShowRuleMenuAtCursor()
{
    POINT at;
    GetCursorPos(&at);
    RulesTreeMenuHitTest(at);
}

void QuitProgram(HWND dialog)
{
    if (g_logWindow) SendMessageA(g_logWindow, WM_COMMAND, IDCANCEL, 0);
    SendMessageA(dialog, WM_COMMAND, IDOK, 0);
    PostQuitMessage(0);
}

}  // namespace

void FillMainProfileCombo(HWND dialog)
{
    HWND combo = GetDlgItem(dialog, IDCB_MAIN_PROFILE);
    if (!combo) return;
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    for (int i = 0; i < g_profiles.count; i++)
        SendMessageA(combo, CB_ADDSTRING, 0, (LPARAM)g_profiles.data[i].szGenName);
    const Profile* p = CurrentProfile();
    // The list holds the profiles in their order: the current index is its row.
    SendMessageA(combo, CB_SETCURSEL, p ? (WPARAM)Options.iCurProfile : (WPARAM)-1, 0);
    CheckDlgButton(dialog, IDX_MAIN_ENABLED, p && p->bGenEnabled ? BST_CHECKED : BST_UNCHECKED);
}

void RunRulesFromWindows(int id)
{
    CreateRulesFromWindows(id);
}

void RunMainDialogButton(HWND dialog, int id, int notification, LPARAM lParam)
{
    // Called with the dialog closed, only the rules from the windows are made.
    if (id == IDB_MAIN_NEW || id == IDB_MAIN_ALLWINDOWS || id == IDB_MAIN_UPDATE) {
        RunCreateRules(id);
        return;
    }
    if (!dialog || (notification != BN_CLICKED && id != IDCB_MAIN_PROFILE)) return;
    switch (id) {
    case IDOK:
        CloseMainDialogSaving(dialog);
        break;
    case IDCANCEL:
        CancelMainDialog(dialog);
        break;
    case IDB_MAIN_APPLY:
        ApplyMainDialogChanges(dialog);
        break;
    case IDB_MAIN_HELP:
        ShowHelp(&g_app, nullptr);
        break;
    case IDB_MAIN_ABOUT:
        ShowAboutBox(dialog, 0);
        break;
    case IDB_MAIN_QUIT:
        QuitProgram(dialog);
        break;
    case IDB_MAIN_EXECUTE:
        RunLiveEdit(ExecuteCurrentProfile, nullptr);
        break;
    case IDB_MAIN_REFRESH:
        PostMessageA(dialog, WM_PROFILE_RULESCHANGED, 0, -1);
        break;
    case IDB_MAIN_EDIT:
        PostMessageA(dialog, ZRPMSG_COMMAND, 1202, 0);
        break;
    case IDB_MAIN_DELETE:
        PostMessageA(dialog, ZRPMSG_COMMAND, 1208, 0);
        break;
    case IDB_MAIN_MORE:
        ShowRuleMenuAtCursor();
        break;
    case IDX_MAIN_ENABLED:
        StoreEnabled(dialog);
        break;
    case IDCB_MAIN_PROFILE:
        if (notification == CBN_SELCHANGE) SwitchToChosenProfile(dialog);
        break;
    case IDB_MAIN_PICK:
        // A click on the button itself carries the button; the finder sends a window.
        if ((HWND)lParam != GetDlgItem(dialog, IDB_MAIN_PICK)) PickWindow((HWND)lParam);
        break;
    case IDB_MAIN_FINDNEXT:
        FindNextRule(dialog);
        break;
    case IDB_MAIN_LIST:
        OpenWindowList();
        break;
    case IDB_MAIN_PROFILES:
        if (OpenWhenFree(dialog, WM_COMMAND, id)) ShowProfilesDialog(dialog);
        break;
    case IDB_MAIN_SETTINGS:
        if (OpenWhenFree(dialog, WM_COMMAND, id)) OpenCurrentProfileSettings(dialog);
        break;
    case IDB_MAIN_OPTIONS:
        if (OpenWhenFree(dialog, WM_COMMAND, id)) ShowOptionsDialog(dialog);
        break;
    default:
        break;
    }
}
