// AppObject.cpp - the application object: construction, quitting, teardown.
#include "framework/core/AppObject.h"

#include "framework/core/AppShell.h"
#include "framework/core/AppWindow.h"
#include "framework/core/CommandLine.h"
#include "framework/core/FrameworkHooks.h"
#include "framework/core/RecordFile.h"
#include "framework/core/TextUtil.h"

#include <ole2.h>
#include <shellapi.h>
#include <string.h>

AppObject g_app;

void AppConstruct(AppObject* app)
{
    memset(app, 0, sizeof(*app));
    InitGrowArray(&app->windows);
    InitGrowArray(&app->itemBars);
    InitGrowArray(&app->liveItems);
    InitGrowArray(&app->commands);
    InitGrowArray(&app->accelerators);
    InitGrowArray(&app->menuBarItems);
    InitGrowArray(&app->options);
    app->trayIconId = 1;
    app->acceleratorsEnabled = 1;
    app->menuWindowNumber = 0xFFFF;
    app->strings.languageNames[0] = "English";
    app->strings.languageNames[1] = "Deutsch";
    app->strings.frameworkTables[0] = g_frameworkStrings;
    app->strings.frameworkCount = SortStringTable(g_frameworkStrings);
    OleInitialize(nullptr);
    InitCrc32Table();

    AppRecord* r = &app->appRecord;
    r->colourMode = 0xFF;
    r->backgroundColour = 0x00EE6E18;
    r->focusColour = 0x0055ADFF;
}

void AppQuit(AppObject* app, int mode, bool broadcast)
{
    if (mode == -1) mode = IsProcessElevated() == 1 ? 2 : 1;
    app->restartMode = (uint32_t)(mode < 0 ? 0 : mode);
    CopyText(app->restartCommandLine, sizeof(app->restartCommandLine), app->commandLine);
    PostQuitMessage(0);
    app->broadcastRestart = broadcast ? 1 : 0;
}

void SaveLayoutRecords(AppObject* app)
{
    // A start that only handed over never owned the records.
    if (app->handedOver || !app->dataFolder[0]) return;
    for (int i = 0; i < app->windows.count; i++) SaveWindowPlacement(app->windows.data[i]);
    SaveRecord("(ZRP)App", -1, &app->appRecord, sizeof(app->appRecord));
}

void AppCloseWindows(AppObject* app)
{
    if (app->tooltipWindow) DestroyWindow(app->tooltipWindow);
    app->tooltipWindow = nullptr;
    if (app->controlWindow) DestroyWindow(app->controlWindow);
    app->controlWindow = nullptr;
    // Each window saves its placement as it is destroyed.
    while (app->windows.count > 0) {
        AppWindow* w = app->windows.data[app->windows.count - 1];
        ArrayRemoveAt(&app->windows, app->windows.count - 1);
        DestroyAppWindow(w);
    }
    if (app->appIcon) DestroyIcon(app->appIcon);
    app->appIcon = nullptr;
    SaveLayoutRecords(app);
}

void AppDestruct(AppObject* app)
{
    AppCloseWindows(app);
    // The layout is saved: a restart, or any next start, may take over.
    ReleaseSingleInstance();
    OleUninitialize();
    if (app->broadcastRestart)
        PostMessageA(HWND_BROADCAST, app->controlMsg, ZRPMSG_RESTART, (LPARAM)app->instanceToken);
    if (app->restartMode) {
        const char* verb = (app->restartMode == 2 && app->windowsVersion >= 6) ? "runas" : nullptr;
        ShellExecuteA(nullptr, verb, app->modulePath, app->restartCommandLine, nullptr, SW_SHOWNORMAL);
    }
    FreeCommandLineOptions(app);
    FreeGrowArray(&app->windows);
    FreeGrowArray(&app->itemBars);
    FreeGrowArray(&app->liveItems);
    FreeGrowArray(&app->commands);
    FreeGrowArray(&app->accelerators);
    FreeGrowArray(&app->menuBarItems);
    if (app->iconDC) {
        SelectObject(app->iconDC, app->iconDCOldBitmap);
        DeleteDC(app->iconDC);
        app->iconDC = nullptr;
    }
    if (app->iconBitmap) DeleteObject(app->iconBitmap);
    app->iconBitmap = nullptr;
    if (GetFrameworkHooks()->freeTheme) GetFrameworkHooks()->freeTheme(app);
}
