// EngineAppSetup.h - the application object as the program sets it up for
// the engine, for tests that run engine code in their own process.
#pragma once

#include "engine/ProductStrings.h"
#include "engine/WindowTable.h"
#include "framework/core/AppObject.h"
#include "framework/core/StringTable.h"

inline void SetUpEngineApp()
{
    AppConstruct(&g_app);
    g_app.strings.productTables[0] = g_productStrings;
    g_app.strings.productCount = SortStringTable(g_productStrings);
    InitTableLock();
}
