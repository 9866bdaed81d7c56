// ProfileSwitch.cpp - switching the current profile, applying and executing
// profiles, and the worker's pass over the current profile.
#include "engine/ProfileSwitch.h"

#include "engine/DesktopIcons.h"
#include "engine/Engine.h"
#include "engine/ExplorerWindows.h"
#include "engine/Log.h"
#include "engine/MainDialogLink.h"
#include "engine/MonitorPass.h"
#include "engine/ProductIds.h"
#include "engine/ProfileStore.h"
#include "engine/RuleCreate.h"
#include "engine/Rules.h"
#include "engine/TrayIcon.h"
#include "engine/WindowTable.h"

void PruneRuleWindows(Profile* p)
{
    if (!p || !p->pRules) return;
    for (int i = 0; i < p->pRules->count; i++) {
        Rule* r = &p->pRules->data[i];
        if (r->item & RULE_ITEM_GROUP) continue;
        for (int w = r->windowCount - 1; w >= 0; w--)
            if (!IsWindowVisible(r->windows[w])) RemoveWindowFromRule(r, r->windows[w]);
    }
}

void ApplyProfile(Profile* p, int mode, bool force, HWND onlyWindow)
{
    if (!p || (!force && !p->bGenEnabled)) return;
    LogLine("PRF: Applying Profile (%s)", p->szGenName);
    // The pass takes the same lock; holding it here keeps the pruning and the
    // pass one step for the worker.
    if (!EnterTableLock(100)) return;
    PruneRuleWindows(p);
    // The target lives exactly as long as this hold of the lock: no later
    // pass can find it left over.
    g_singleWindowTarget = onlyWindow;
    MonitorPass(p, 1, (uint8_t)mode, force ? 1 : 0);
    g_singleWindowTarget = nullptr;
    LeaveTableLock();
    if (p->bGenRestoreIcons) RestoreDesktopIconsAsync(p, false);
    if (p->bGenRestoreExpWin) RestoreExplorerWindows(p);
}

void ExecuteProfile(Profile* p, int mode, uint32_t flags, HWND onlyWindow)
{
    if (!p || ((flags & EXECUTE_IF_ENABLED) && !p->bGenEnabled)) return;
    LogLine("PRF: Executing Profile (%s)", p->szGenName);
    g_refreshAllowed = 0;
    ApplyProfile(p, mode, (flags & EXECUTE_FORCE) != 0, onlyWindow);
    if ((flags & EXECUTE_SCRIPT) && p->bAdvCmdEnable[2]) RunProfileCommand(p, 2);
    g_refreshAllowed = 1;
}

void SwitchProfile(int index, int mode, int runScripts, int apply, HWND onlyWindow)
{
    // -1 means none; any other index outside the list is refused too.
    if (index < 0 || index >= g_profiles.count) return;
    Profile* p = &g_profiles.data[index];
    LogLine("PRF: Switching Profile (%s)", p->szGenName);
    // The tree shows the outgoing profile until it is refilled: its expanded
    // states go into that profile's rules first.
    StoreTreeExpandState();
    int previous = Options.iCurProfile;
    bool hadCurrent = previous >= 0 && previous < g_profiles.count;
    bool changed = !hadCurrent || previous != index;
    if (hadCurrent) {
        Profile* out = &g_profiles.data[previous];
        UpdateProfileFromWindows(out, -1, 1, 0);
        if (previous != index && runScripts && out->bAdvCmdEnable[1]) RunProfileCommand(out, 1);
    }
    // The worker resolves the current profile and counts matches under the lock.
    bool locked = EnterTableLock(100);
    Options.iCurProfile = index;
    if (locked) {
        for (int i = 0; changed && p->pRules && i < p->pRules->count; i++) {
            Rule* r = &p->pRules->data[i];
            if (r->matchxnumresetprf) r->matchxnumcount = 0;
            if (r->ignxnumresetprf) r->ignxnumcount = 0;
        }
        LeaveTableLock();
    }
    if (mode == PROFILE_SOURCE_USER && p->bGenEnableOnLoad) p->bGenEnabled = 1;
    if (apply) ApplyProfile(p, mode, false, onlyWindow);
    if (g_mainDialog) {
        FillProfileCombo();
        PostMessageA(g_mainDialog, WM_PROFILE_RULESCHANGED, 1, -1);
    }
    UpdateAppTrayIcon(1);
    if (runScripts) {
        if (mode != PROFILE_SOURCE_USER && p->bAdvCmdEnable[2]) RunProfileCommand(p, 2);
        if (changed && p->bAdvCmdEnable[0]) RunProfileCommand(p, 0);
    }
}

void RunCurrentProfilePass()
{
    if (!EnterTableLock(100)) return;
    Profile* p = CurrentProfile();
    if (p) MonitorPass(p, 0, 0, 0);
    LeaveTableLock();
}
