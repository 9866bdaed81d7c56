// TrayIcon.cpp - the program's own notification-area icon, its enabled state
// and its menu.
#include "engine/TrayIcon.h"

#include "framework/ui/MenuPopup.h"

#include "engine/Engine.h"
#include "engine/Log.h"
#include "engine/OptionsRecord.h"
#include "engine/ProductStrings.h"
#include "framework/core/AppObject.h"
#include "framework/core/AppShell.h"
#include "framework/ui/MenuPopup.h"

void UpdateAppTrayIcon(int show)
{
    if (!g_mainWindow) return;
    if (!Options.bShowTrayIcon || show != 1)
        SetTrayIcon(&g_app, 0, 0xFFFF, nullptr);
    else if (Options.bEnabled == 1)
        SetTrayIcon(&g_app, 0, TRAY_ICON_ENABLED, nullptr);
    else
        SetTrayIcon(&g_app, 0, TRAY_ICON_DISABLED, "%s (%s)", AppText(IDS_PRODUCT_NAME, 0),
                    AppText(IDS_PRODUCT_NAME, 1));
}

void SetProgramEnabled(int enabled)
{
    Options.bEnabled = enabled ? 1 : 0;
    g_app.trayIconId = enabled ? TRAY_ICON_ENABLED : TRAY_ICON_DISABLED;
    if (g_mainDialog) {
        HICON icon = LoadIconA(g_app.instance, MAKEINTRESOURCEA(g_app.trayIconId));
        SetClassLongPtrA(g_mainDialog, GCLP_HICONSM, (LONG_PTR)icon);
    }
    UpdateAppTrayIcon(1);
}

// The popup menus are not built yet: the request is only logged.
void ShowAppTrayMenu(HWND window)
{
    TrackContextMenu(&g_app, CMD_TRAY_MENU, nullptr, window);
}
