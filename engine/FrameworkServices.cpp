// FrameworkServices.cpp - the services the framework core calls through its
// hook table: the message box, theme, key table, UI item windows, dock bays,
// daily jobs.
#include "engine/FrameworkServices.h"

#include "framework/core/FrameworkHooks.h"
#include "framework/services/Scheduled.h"
#include "framework/services/UpdateCheck.h"
#include "framework/ui/DockBay.h"
#include "framework/ui/HotkeyKeys.h"
#include "framework/ui/MenuPopup.h"
#include "framework/ui/MessageBox.h"
#include "framework/ui/Theme.h"
#include "framework/ui/UIItem.h"

static int ShowFrameworkMessage(AppObject* app, HWND owner, const char* caption, const char* text,
                                uint32_t flags)
{
    return AppMessageBox(app, owner, caption, "%s", flags, 0, text);
}

static void RunScheduledJobs(AppObject* app)
{
    RunScheduledUpdateCheck(app);
    RunScheduledBackup(app);
}

void InstallFrameworkHooks()
{
    FrameworkHooks hooks = {};
    hooks.showMessage = ShowFrameworkMessage;
    hooks.fillKeyTable = FillHotkeyKeyTable;
    hooks.initTheme = InitThemeColours;
    hooks.createBaseFonts = CreateBaseFonts;
    hooks.addCommandIcon = AddCommandIcon;
    hooks.addOwnerDrawnIcon = AddOwnerDrawnIcon;
    hooks.freeTheme = FreeTheme;
    hooks.refreshTheme = RefreshTheme;
    hooks.uiItemWndProc = UIItemWndProc;
    hooks.createDockBay = CreateDockBay;
    hooks.layoutDockBays = LayoutDockBays;
    hooks.destroyDockBays = DestroyDockBays;
    hooks.runScheduledJobs = RunScheduledJobs;
    hooks.showFoundUpdate = ShowFoundUpdate;
    hooks.redrawCommandItems = RedrawItemsOfCommand;
    hooks.openContextMenu = OpenContextMenuHook;
    hooks.filterMenuMessage = FilterMenuMessage;
    hooks.closeMenus = CloseAllMenus;
    SetFrameworkHooks(&hooks);
}
