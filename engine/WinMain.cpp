// WinMain.cpp - program entry: start-up in its fixed order, the message loop,
// and shutdown in its own order.
#include <winsock2.h>
#include <ws2ipdef.h>
#include <iphlpapi.h>
#include <netioapi.h>

#include "engine/CaptureFrameLink.h"
#include "engine/Engine.h"
#include "engine/FrameworkServices.h"
#include "engine/Hotkeys.h"
#include "engine/Log.h"
#include "engine/MainDialogLink.h"
#include "engine/MainWindow.h"
#include "engine/MonitorPass.h"
#include "engine/NetworkStatus.h"
#include "engine/OptionsRecord.h"
#include "engine/ProductIds.h"
#include "engine/ProductStrings.h"
#include "engine/ProfileHotkeys.h"
#include "engine/ProfileStore.h"
#include "engine/ProfileSwitch.h"
#include "engine/TransparentWindows.h"
#include "engine/TraySlots.h"
#include "engine/TrayIcon.h"
#include "engine/Triggers.h"
#include "engine/Worker.h"
#include "engine/WindowTable.h"
#include "framework/core/AppObject.h"
#include "framework/core/AppShell.h"
#include "framework/core/AppWindow.h"
#include "framework/core/DamagedRecords.h"
#include "framework/core/MessageLoop.h"
#include "framework/core/TextUtil.h"
#include "framework/ui/MessageBox.h"
#include "framework/ui/Theme.h"
#include "ui/MainDialog.h"
#include "ui/WindowFinder.h"
#include "vdesktop/DesktopVariants.h"

#include <initializer_list>
#include <powrprof.h>
#include <shlobj.h>
#include <string.h>


namespace {

struct Notifications {
    HWINEVENTHOOK hook;
    HPOWERNOTIFY monitorPower, lid;
    HANDLE ipChange;
};

const uint16_t kTrayList[] = {CMD_PROFILE_MENU, CMD_EXECUTE_MENU, CMD_UPDATE_MENU, CMD_SEPARATOR,
                              CMD_TRAY_OPEN,    CMD_TRAY_ENABLED, CMD_SEPARATOR,   CMD_TRAY_QUIT,
                              CMD_LIST_END};
const uint16_t kContextList[] = {1201, CMD_SEPARATOR, 1202, 1203, 1204, CMD_SEPARATOR, 1205, 1206,
                                 1207, 1208, CMD_SEPARATOR, 1209, 1210, CMD_LIST_END};
const uint16_t kExpandList[] = {CMD_EXPAND_ALL, CMD_COLLAPSE_ALL, CMD_LIST_END};

struct ProductCommand {
    uint16_t id, type;
    uint32_t flags;
    const uint16_t* list;
};

bool Add(const ProductCommand& c)
{
    return AddCommand(&g_app, c.id, c.type, c.flags, 0xFFFF, 0xFFFF, (intptr_t)c.list, 0, 0) >= 0;
}

// The tray menu, the rule-tree menus and the lists; error 0xF00B, or 0 when a
// menu image could not be registered (silent), or -1 on success.
int RegisterProductCommands()
{
    static const struct { uint16_t id, image; } kImages[] = {
        {1202, 22}, {1203, 28}, {1204, 26}, {1205, 21}, {1206, 24},
        {1207, 25}, {1208, 23}, {1209, 32}, {1210, 33}};
    for (const auto& i : kImages)
        if (AddCommandIcon(&g_app, i.id, i.image) != 0) return 0;
    static const ProductCommand kHead[] = {
        {CMD_TRAY_ENABLED, ITEM_BUTTON, PCMD_TEXT, nullptr},
        {CMD_TRAY_OPEN, ITEM_BUTTON, PCMD_BOLDTEXT, nullptr},
        {CMD_TRAY_QUIT, ITEM_BUTTON, PCMD_TEXT, nullptr},
        {CMD_PROFILE_MENU, ITEM_POPUP, PCMD_TEXT, nullptr},
        {CMD_EXECUTE_MENU, ITEM_POPUP, PCMD_TEXT, nullptr},
        {CMD_UPDATE_MENU, ITEM_POPUP, PCMD_TEXT, nullptr}};
    for (const ProductCommand& c : kHead)
        if (!Add(c)) return ZRP_ERR_COMMAND;
    for (uint16_t i = 1; i <= PROFILE_MENU_ROWS; i++)
        for (uint16_t base : {CMD_PROFILE_MENU, CMD_EXECUTE_MENU, CMD_UPDATE_MENU})
            if (!Add({(uint16_t)(base + i), ITEM_BUTTON, PCMD_TEXT, nullptr})) return ZRP_ERR_COMMAND;
    static const ProductCommand kTail[] = {
        {1201, ITEM_BUTTON, PCMD_TEXT, nullptr},         {1202, ITEM_BUTTON, PCMD_BOLDICONTEXT, nullptr},
        {1203, ITEM_BUTTON, PCMD_ICONTEXT, nullptr},     {1204, ITEM_BUTTON, PCMD_ICONTEXT, nullptr},
        {1205, ITEM_BUTTON, PCMD_ICONTEXT, nullptr},     {1206, ITEM_BUTTON, PCMD_ICONTEXT, nullptr},
        {1207, ITEM_BUTTON, PCMD_ICONTEXT, nullptr},     {1208, ITEM_BUTTON, PCMD_ICONTEXT, nullptr},
        {1209, ITEM_BUTTON, PCMD_ICONTEXT, nullptr},     {1210, ITEM_BUTTON, PCMD_ICONTEXT, nullptr},
        {CMD_EXPAND_ALL, ITEM_BUTTON, PCMD_ICONTEXT, nullptr},
        {CMD_COLLAPSE_ALL, ITEM_BUTTON, PCMD_ICONTEXT, nullptr},
        {CMD_TRAY_MENU, ITEM_POPUP, PCMD_POPUP, kTrayList},
        {CMD_CONTEXT_MENU, ITEM_POPUP, PCMD_POPUP, kContextList},
        {CMD_EXPAND_MENU, ITEM_POPUP, PCMD_POPUP, kExpandList},
        {CMD_RULE_COMBO, ITEM_LIST, PCMD_LIST | CMD_ENABLED, nullptr},
        {CMD_RULE_LIST, ITEM_LIST, PCMD_LIST, nullptr},
        {CMD_TEMPLATE_LIST, ITEM_LIST, PCMD_LIST, nullptr},
        {CMD_TRAY_LIST, ITEM_LIST, PCMD_LIST, nullptr}};
    for (const ProductCommand& c : kTail)
        if (!Add(c)) return ZRP_ERR_COMMAND;
    return -1;
}

void RegisterNotifications(Notifications* n)
{
    RAWINPUTDEVICE mouse = {1, 2, RIDEV_INPUTSINK, g_mainWindow};
    RegisterRawInputDevices(&mouse, 1, sizeof(mouse));
    n->hook = SetWinEventHook(EVENT_OBJECT_CREATE, EVENT_OBJECT_NAMECHANGE, nullptr, WinEventProc, 0,
                              0, WINEVENT_OUTOFCONTEXT);
    n->monitorPower =
        RegisterPowerSettingNotification(g_mainWindow, &GUID_MONITOR_POWER_ON, DEVICE_NOTIFY_WINDOW_HANDLE);
    n->lid = RegisterPowerSettingNotification(g_mainWindow, &GUID_LIDSWITCH_STATE_CHANGE,
                                              DEVICE_NOTIFY_WINDOW_HANDLE);
    SYSTEM_POWER_CAPABILITIES power = {};
    g_lidPresent = GetPwrCapabilities(&power) && power.LidPresent ? 1 : 0;
    if (NotifyIpInterfaceChange(AF_UNSPEC, (PIPINTERFACE_CHANGE_CALLBACK)OnIpInterfaceChange, nullptr,
                                TRUE, &n->ipChange) != NO_ERROR)
        n->ipChange = nullptr;
    g_networkNotifications = n->ipChange ? 1 : 0;
    if (LoadWlanApi()) StartWlanNotifications(OnWlanNotification);
}

void UnregisterNotifications(Notifications* n)
{
    if (n->hook) UnhookWinEvent(n->hook);
    if (n->ipChange) CancelMibChangeNotify2(n->ipChange);
    UnloadWlanApi();
    if (n->monitorPower) UnregisterPowerSettingNotification(n->monitorPower);
    if (n->lid) UnregisterPowerSettingNotification(n->lid);
    UnregisterSessionNotification();
    RAWINPUTDEVICE mouse = {1, 2, RIDEV_REMOVE, nullptr};
    RegisterRawInputDevices(&mouse, 1, sizeof(mouse));
    *n = Notifications{};
}

bool HasOption(const char* name)
{
    for (int i = 0; i < g_app.options.count; i++)
        if (strcmp(g_app.options.data[i].name, name) == 0) return true;
    return false;
}

// A configuration archive that start-up refused: why, and where it was kept,
// in the log and in a box. Texts: row 0xF009, columns 5 to 10.
void ReportRefusedImport()
{
    uint32_t reason = g_app.configRefused;
    if (reason < CONFIG_REFUSED_NAME || reason > CONFIG_REFUSED_DATA) return;
    char kept[MAX_PATH + 64];
    if (g_app.configKeptPath[0])
        FormatText(kept, sizeof(kept), AppText(0xF009, 9), g_app.configKeptPath);
    else
        CopyText(kept, sizeof(kept), AppText(0xF009, 10));
    const char* why = AppText(0xF009, 5 + (int)reason);
    char text[1024];
    FormatText(text, sizeof(text), AppText(0xF009, 5), why, kept);
    LogLine("Configuration archive not imported: %s %s", why, kept);
    AppMessageBox(&g_app, nullptr, g_app.productName, "%s", 0x111, 0, text);
}

// Record files that could not be read at start-up: a log line each and one
// box for all of them, so the user hears of it once.
void ReportDamagedRecords()
{
    int count = DamagedRecordNoteCount();
    if (count == 0) return;
    char list[2048] = "";
    for (int i = 0; i < count; i++) {
        const DamagedRecordNote* note = GetDamagedRecordNote(i);
        const char* name = strrchr(note->path, '\\');
        name = name ? name + 1 : note->path;
        char line[MAX_PATH + 8];
        if (note->aside[0]) {
            LogLine(AppText(IDS_RECORD_KEPT_ASIDE), note->path, note->aside);
            const char* aside = strrchr(note->aside, '\\');
            FormatText(line, sizeof(line), "%s\n", aside ? aside + 1 : note->aside);
        } else {
            LogLine(AppText(IDS_RECORD_LEFT_ALONE), note->path);
            FormatText(line, sizeof(line), "%s\n", name);
        }
        AppendText(list, sizeof(list), line);
    }
    ClearDamagedRecordNotes();
    AppMessageBox(&g_app, nullptr, g_app.productName, AppText(IDS_RECORDS_UNREADABLE),
                  MB_ZRP_WARNING | MB_ZRP_OK, 0, list);
}

// The desktop variant of this Windows build, if any. At an automatic start
// the shell may not be up yet: whole rounds are tried again a second apart.
void ProbeVirtualDesktops()
{
    uint32_t build = ReadWindowsBuildNumber();
    int budget = Options.iVDTPTimeout;
    while (!ProbeVirtualDesktop(build) && g_app.autostart && budget-- > 0) Sleep(1000);
    if (!g_virtualDesktop) return;
    g_virtualDesktop->AddListener(g_mainWindow, WM_DESKTOPEVENT_BASE);
    g_desktopsCheck = 1;
    g_currentDesktop = g_virtualDesktop->GetCurrentDesktopNumber();
}

// Shutdown from the log line onwards: what every exit after the options shares.
int FinishShutdown(int code)
{
    LogLine("PanelShepherd stopped (error: %d)", code);
    // A worker that did not stop may still hold the lock or walk the profiles
    // and the desktop object.
    if (StopAutoApplyWorker(3000)) {
        RegisterProfileHotKeys(&g_profiles, 0);
        // Rule threads look profiles up under the lock.
        if (EnterTableLock(100)) {
            FreeProfiles();
            LeaveTableLock();
        }
        if (g_virtualDesktop) {
            CVirtualDesktop* desktops = g_virtualDesktop;
            desktops->RemoveListener(g_mainWindow);
            g_virtualDesktop = nullptr;
            delete desktops;
        }
    }
    if (g_mainWindow) RegisterGlobalHotkeys(0);
    RestoreAllFromTray();
    MakeTransparentWindowsOpaque();
    if (g_mainWindow) SetTrayIcon(&g_app, 0, 0xFFFF, nullptr);
    if (code != 0) AppMessageBox(&g_app, nullptr, g_app.productName, AppText((uint16_t)code), 0x111, 0);
    return code;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int)
{
    AppConstruct(&g_app);
    g_app.archiveKeepPatterns[0] = '\0';
    g_app.archiveExtraPattern[0] = '\0';
    InitTableLock();
    InitLog();
    InstallFrameworkHooks();
    SetMainDialogEntryPoints(MainDialogEntries());
    SetCaptureFrameEntryPoint(ShowCaptureOverlay);

    if (AppInitialize(&g_app, instance, g_productStrings, commandLine) != 0) {
        AppDestruct(&g_app);
        return 0;
    }
    GetMonitorSnapshot(&g_screenReference);
    g_mouseSwapped = GetSystemMetrics(SM_SWAPBUTTON) ? 1 : 0;
    FormatText(g_logPath, sizeof(g_logPath), "%s\\%s.log", g_app.dataFolder, AppText(IDS_PRODUCT_NAME));
    if (HasOption("-NOEXECUTE") || HasOption("-LOAD")) g_noExecute = 1;

    int code = RegisterProductCommands();
    if (code == -1) {
        code = 0;
        SerializeOptions(0);
        LogLine("PanelShepherd (v%d.%d.%d) started, options loaded successfully", g_app.versionMajor,
                g_app.versionMinor, g_app.versionBuild);
        ReportRefusedImport();
        // A second start's "-QUIT" ended the box: nothing has started yet.
        if (IsQuitRequestHeld()) {
            AppDestruct(&g_app);
            return 0;
        }
        if (Options.bRunAsAdmin && IsProcessElevated() == 0) {
            AppQuit(&g_app, 2, true);
            AppDestruct(&g_app);
            return 0;
        }
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &g_workArea, 0);
        if (!Options.szUserDesktop[0])
            SHGetFolderPathA(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, SHGFP_TYPE_CURRENT, Options.szUserDesktop);
        g_app.trayIconId = Options.bEnabled ? 1 : 10;
        if (g_app.taskScheduler) RemoveStartupShortcut(&g_app);
        if (g_app.autostart && !Options.bAutoStart) {
            AppDestruct(&g_app);
            return 0;
        }
        g_app.productWindowProc = MainWindowProc;
        if (CreateAppWindow(&g_app, g_app.productName) < 0 || !g_mainWindow) code = ERR_PROGRAM_INIT;
    } else {
        code = code == ZRP_ERR_COMMAND ? ZRP_ERR_COMMAND : 0;
    }

    Notifications notes = {};
    if (code == 0 && g_mainWindow) {
        if (g_app.windowsVersion >= 10) ProbeVirtualDesktops();
        if (LoadProfiles() == 0) CreateDefaultProfile();
        // The stored index is where to start; no profile is current until the switch.
        int start = Options.iCurProfile;
        if (start < 0 || start >= ProfileCount()) start = 0;
        Options.iCurProfile = -1;
        int execute = g_noExecute ? 0 : 1;
        SwitchProfile(start, PROFILE_SOURCE_USER, execute, execute);
        RegisterProfileHotKeys(&g_profiles, 1);
        RegisterGlobalHotkeys(1);

        if (!StartAutoApplyWorker(RunCurrentProfilePass)) code = ERR_PROGRAM_INIT;
        if (code == 0) {
            StartSessionNotifyThread();
            RegisterNotifications(&notes);
            CheckScreenChangeTrigger(1, execute);
            CheckNetworkChangeTrigger(1, execute);
            PostMessageA(g_mainWindow, ZRPMSG_NEWCOMMANDLINE, 0, 0);
            if (!g_app.minimize && !g_app.autostart)
                PostMessageA(g_mainWindow, ZRPMSG_NEWCOMMANDLINE, NEWCOMMANDLINE_OPEN_DIALOG, 0);
            RestoreAllFromTray();
            WakeAutoApply();
            ReportDamagedRecords();
            RunMessageLoop(&g_app);

            // A pass waiting for a condition script would hold the lock the save needs.
            BeginAutoApplyStop();
            SaveAll();
            // The first desktop's folder is the user's desktop folder again.
            if (g_virtualDesktop && g_virtualDesktop->GetCurrentDesktopNumber() != 0)
                MainWindowProc(g_mainWindow, WM_DESKTOPEVENT_BASE, (WPARAM)-1, 0);
            UnregisterNotifications(&notes);
        }
    }
    code = FinishShutdown(code);
    AppDestruct(&g_app);
    return code;
}
