// ProfileRecord.h - one profile with its rule, icon, Explorer and template
// lists, and the routine that reads and writes it.
#pragma once

#include <windows.h>

#include <stdint.h>

#include "engine/RuleRecord.h"
#include "engine/TemplateRecord.h"
#include "framework/core/GrowArray.h"

// The most entries a profile's stored list is read with.
#define PROFILE_MAX_LIST 65535

struct DesktopIconEntry {
    char  name[260];   // the icon's label
    POINT pt;          // screen coordinates
};
static_assert(sizeof(DesktopIconEntry) == 268, "stored raw in \"DesktopIcons\"");

struct ExplorerWindowEntry {
    uint32_t type;
    char     prog[260];
    char     args[520];
};

// One profile. Fields keep the names of their stored keys. The lists are
// owned by the profile: FreeProfileLists() releases them.
struct Profile {
    char     szGenName[260];
    uint8_t  bGenEnabled;
    uint8_t  bGenEnableOnLoad;
    int32_t  iGenScreenX, iGenScreenY, iGenScreenW, iGenScreenH;   // VALUE_ANY: any
    int32_t  iGenDisplayDPI;
    char     szGenDisplayName[260];      // empty: the primary monitor
    int32_t  iGenVDesk;
    uint8_t  bTrgExecuteOnly;
    uint8_t  bTrgCheckNext;              // not stored; 0 when read from a file
    uint8_t  bTrgHotKey;
    uint16_t iTrgHotKey;
    uint8_t  bTrgResChange;
    uint8_t  bTrgDPIChange;
    uint8_t  bTrgDesktop;
    int32_t  iTrgDesktopNr;
    uint8_t  bTrgResChangeStart;
    int32_t  iTrgScreenDelay;            // ms
    uint32_t iTrgSession;                // bit (code - 1) per session code 1 to 9
    int32_t  iTrgSessionDelay;
    uint32_t iTrgPower;
    int32_t  iTrgPowerDelay;
    uint8_t  bTrgTime;
    int32_t  iTrgTime;                   // seconds
    uint8_t  bTrgIdle;
    int32_t  iTrgIdle;
    uint32_t iTrgScrSave;                // 1 screensaver starts, 2 stops
    uint8_t  bTrgHotKeyWin;
    uint16_t iTrgHotKeyWin;
    int64_t  iTrgTimeLast;
    uint32_t bTrgNetwork;                // 0x1 status, 0x2 type, 0x4 IP mask, 0x8 SSID mask
    int8_t   iTrgNetStatus;              // -1 any
    int8_t   iTrgNetType;                // -1 any
    char     szTrgNetIPMask[66];
    char     szTrgNetSSIDMask[33];
    uint8_t  bTrgNetStart;
    int32_t  iUpdUpdateMode;
    uint8_t  bUpdSaveIcons;
    uint8_t  bUpdSaveExpWin;
    uint8_t  bUpdHotKey;
    uint16_t iUpdHotKey;
    uint8_t  bUpdResChange;
    uint8_t  bUpdDPIChange;
    uint8_t  bUpdTime;
    int32_t  iUpdTime;
    int64_t  iUpdTimeLast;
    uint8_t  bUpdLock;
    uint8_t  bUpdIdle;
    int32_t  iUpdIdle;
    uint8_t  bUpdScrSaver;
    uint8_t  bUpdUpdActive;
    uint8_t  bAdvCmdEnable[3];           // activate, deactivate, execute
    char     szAdvCmdText[3][RULE_SCRIPT_SIZE];
    uint8_t  bAdvPurgeOld;
    int32_t  iAdvPurgeDays;
    int32_t  iNumRules;                  // refreshed from the lists before writing
    uint8_t  bGenRestoreIcons;
    int32_t  iNumIcons;
    uint8_t  bGenRestoreExpWin;
    int32_t  iNumExpWin;
    uint8_t  bTmpAutoCreate;
    int32_t  iNumTmpls;
    GrowArray<Rule>*                pRules;      // tree order
    GrowArray<DesktopIconEntry>*    pIcons;
    GrowArray<ExplorerWindowEntry>* pExpWin;
    GrowArray<RuleTemplate>*        pTemplates;
    int32_t  nextRuleId;                 // run time
    uint8_t  updatePending;              // run time: windows changed since the last update
    uint8_t  edited;                     // run time: changed by a dialog since the main dialog
                                         // opened or applied
    uint32_t rulesGeneration;            // run time: MarkRulesChanged (RuleIndex.h)
};

// Told of an icon list just before it is freed, so that a desktop-icon
// thread still working for it leaves it alone. Installed by the icon module
// before its first thread starts.
extern void (*g_iconListFreeing)(GrowArray<DesktopIconEntry>* list);

// Zeroes the profile (its old lists are not freed), gives it the defaults and
// four new lists, the template list filled with the default set. False when
// memory ran out; the lists that could be made exist.
bool InitProfile(Profile* profile, bool shortTemplates);
// Frees the four lists and clears the pointers; safe to call twice.
void FreeProfileLists(Profile* profile);
// mode 0 reads the file at path into the profile (which must hold lists of
// its own or none), 1 writes it. shortPrefixes: "Rul[%d]." and "Ico".
bool SerializeProfile(int mode, const char* path, Profile* profile, bool shortPrefixes);
// Reads the profile (full prefixes) from a record already loaded in reading
// mode, as SerializeProfile reads a file. False when memory ran out.
bool ReadProfileRecord(ConfigRecord* record, Profile* profile);
// Deep copy. The destination's old lists are not freed: pass a zero-filled or
// freed record. False when memory ran out.
bool CopyProfile(const Profile* source, Profile* destination);
void ClearProfileList(GrowArray<Profile>* list);
// Told of a list whose records' lists ClearProfileList is about to free
// (null: nobody is told). The tests check that none goes while a command
// still waits for the table lock and may hold its records.
extern void (*g_profileListClearing)(const GrowArray<Profile>* list);
bool AssignProfileList(const GrowArray<Profile>* source, GrowArray<Profile>* destination);
// Removes rules not used for more than days whole days (groups and kept rules
// stay). The number removed.
int PurgeExpiredRules(Profile* profile, int days);
