// ProductStrings.h - the product's string table (ids below 0xF000).
#pragma once

#include <windows.h>

#include "framework/core/StringTable.h"

// Profile names the three profile menus show, filled at run time (UI thread).
extern char g_profileMenuNames[16][MAX_PATH];

// Rows sorted at start-up by AppInitialize.
extern StringTableEntry g_productStrings[];

#define IDS_PRODUCT_NAME  0       // columns: name, "Disabled", "Default", ... " (Copy)"
#define IDS_SCRIPT_SLOTS  0x55    // column = script slot: "On Open" ... "On Match"
#define IDS_INIT_FAILED   5006
