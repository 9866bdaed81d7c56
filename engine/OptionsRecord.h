// OptionsRecord.h - the options record, the pin list and the Minimize to Tray
// list.
#pragma once

#include <windows.h>

#include <stdint.h>

#include "framework/core/GrowArray.h"

struct OptionsRecord {
    int32_t  iCurProfile;
    uint8_t  bMonBlinkRect;
    uint8_t  bMonCheckTempl;
    int32_t  iMonListSortCol;
    int32_t  iMonListSortDir;
    uint8_t  bMonLogToFile;
    uint8_t  bMonIncludeEmpty;
    uint8_t  bAutoStart;
    uint8_t  bRunAsAdmin;
    uint8_t  bEnabled;
    uint8_t  bShowTrayIcon;
    uint32_t crRuleScript;               // COLORREF of rules with an active script
    uint16_t iHotKeyMain;                // HotkeyCombination words, 0 none
    uint16_t iHotKeyTrigger;
    uint16_t iHotKeyEnable;
    uint16_t iHotKeyNew;
    uint16_t iHotKeyUpdate;
    uint16_t iHotKeyCreate;
    uint16_t iHotKeyActive;
    uint8_t  bConfirmationSound;
    char     szConfirmationSound[260];
    uint8_t  bMinimizeToTray;
    uint16_t iHotKeySwitchDesktop;
    uint16_t iHotKeyMoveWindow;
    uint16_t iHotKeyPinWindow;
    uint8_t  bTogglePin;
    uint16_t iHotKeyUnPinWindow;
    uint8_t  bSwitchOnMove;
    uint8_t  bIndividualIcons;
    char     szUserDesktop[260];
    int32_t  iVDTPTimeout;               // seconds
    uint16_t iHotKeyTrans;
    int32_t  iTrans;                     // percent
    uint16_t iHotKeyClkThr;
    int32_t  iClkThr;                    // percent
    uint16_t iHotKeyNonTrans;
    uint16_t iHotKeyAlwaysOnTop;
};

// One entry of the Minimize to Tray list; an empty program or title matches any.
struct TrayAppEntry {
    char program[260];
    char title[260];
    char icon[260];
};
static_assert(sizeof(TrayAppEntry) == 780, "stored raw in \"MinList\"");

// The options, the pin list (CRC-32 of the titles of windows whose tray icon
// is kept) and the Minimize to Tray list. Written on the UI thread only; the
// worker reads single option fields (iCurProfile under g_tableLock).
extern OptionsRecord Options;
extern GrowArray<uint32_t> g_pinList;
extern GrowArray<TrayAppEntry> g_trayAppList;

// mode 0 reads "Options" (false without it, the defaults then stand) and
// appends "PinList" and "MinList" to their lists, each file on its own; 1
// writes all three. A file that exists but cannot be read is kept aside
// (DamagedRecords.h), or, when it cannot be moved, left alone by the writes.
bool SerializeOptions(int mode);
// next (complete) becomes the Minimize to Tray list and is left empty; the
// old list is freed only afterwards. On the UI thread under g_tableLock, as
// the tray code reads the list while a pass holds it.
void ReplaceTrayAppList(GrowArray<TrayAppEntry>* next);
// The raw list files, for SerializeOptions.
void LoadTrayLists();
bool SaveTrayLists();
