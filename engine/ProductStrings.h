// ProductStrings.h - the product's string table (ids below 0xF000).
#pragma once

#include <windows.h>

#include "framework/core/StringTable.h"

// Profile names the three profile menus show, filled at run time (UI thread).
extern char g_profileMenuNames[16][MAX_PATH];

// Rows sorted at start-up by AppInitialize.
extern StringTableEntry g_productStrings[];

#define IDS_PRODUCT_NAME  0       // columns: name, "Disabled", "Default", ... " (Copy)"
#define IDS_PROFILE_TEXTS 0x0A    // columns: "%d rules deleted.", ..., "(Empty Name)"
#define IDS_IMAGE_BUTTONS 0x0F    // tooltips of the image buttons: "Delete", "Edit...", ...
#define IDS_SCRIPT_SLOTS  0x55    // column = script slot: "On Open" ... "On Match"
#define IDS_INIT_FAILED   5006
#define IDS_RECORD_KEPT_ASIDE   0x14A0   // log: path, where it was kept
#define IDS_RECORD_LEFT_ALONE   0x14A1   // log: path (it could not be moved)
#define IDS_RECORDS_UNREADABLE  0x14A2   // message box: the list of files
#define IDS_DISCARD_CHANGES     0x1482   // "Are you sure you want to discard the changes?"
#define IDS_RULE_IMPORT_FAILED  0x14A3   // message box: the file's path
#define IDS_RULE_EXPORT_FAILED  0x14A4   // message box: the file's path
#define IDS_RULE_IMPORT_TOO_BIG 0x14A5   // message box: the most rules, the file's path
#define IDS_IMPORT_SCRIPTS      0x14A6   // question: keep the imported rules' scripts on
#define IDS_EDIT_REFUSED        0x14A7   // message box: too many changes wait for the rules
#define IDS_APPLY_FAILED        0x14A8   // message box: Apply could not copy the profiles
#define IDS_OPEN_BUSY           0x14A9   // message box: a dialog waited too long for the rules
#define IDS_GROUP_GONE          0x14C0  // message box: the edited group went while its dialog was open
#define IDS_NAME_MISSING        0x13A6   // column 0 a rule, 3 a template: "Please select a name ..."
#define IDS_RULE_GONE           0x14D0   // message box: Edit Rule's rule went while it was open
// The Profiles dialog.
#define IDS_PROFILE_IMPORT_FAILED  0x14E0   // message box: the file's path
#define IDS_PROFILE_IMPORT_TOO_BIG 0x14E1   // message box: the most rules, the file's path
#define IDS_PROFILE_EXPORT_FAILED  0x14E2   // message box: the file's path
#define IDS_PROFILE_HOTKEY_FAILED  0x14E3   // message box: the hotkey, the profile's name
#define IDS_PROFILES_NO_MEMORY     0x14E4   // message box
