// AppObject.cpp - the application object: construction, quitting, teardown.
#include "framework/core/AppObject.h"

#include "framework/core/TextUtil.h"

#include <ole2.h>
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
