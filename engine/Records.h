// Records.h - rules, rule templates, profiles, the options record and the pin
// and tray lists, with the one routine per record that reads and writes it.
#pragma once

#include <windows.h>

#include <stdint.h>

#include "framework/core/ConfigRecord.h"
#include "framework/core/GrowArray.h"

// "Any", "keep" or "not set" in coordinates, restrictions and number fields.
#define VALUE_ANY 0x7FFFFFFF

//--- rules

// Rule::item bits.
#define RULE_ITEM_GROUP      0x01
#define RULE_ITEM_EXPANDED   0x02   // expanded in the rule tree
#define RULE_ITEM_DISABLED   0x04
#define RULE_ITEM_AUTOCREATE 0x40   // template match part: create rules automatically
#define RULE_ITEM_KEEP       0x80   // rule: never purged; template match part: ignore the window

// Compare modes of the criteria: the low seven bits, 0x80 negates.
#define CMP_ANY         0
#define CMP_EQUALS      1
#define CMP_CONTAINS    2
#define CMP_STARTS_WITH 3
#define CMP_ENDS_WITH   4
#define CMP_REGEX       5
#define CMP_MODE_MASK   0x7F
#define CMP_NEGATE      0x80

#define RULE_STATE_NORMAL    0
#define RULE_STATE_MINIMIZED 1
#define RULE_STATE_MAXIMIZED 2
#define RULE_STATE_NONE      0xFF

#define RULE_DESKTOP_PIN  0xFE   // pin to all desktops
#define RULE_DESKTOP_NONE 0xFF

// What a Rule record is: its kind decides which keys it stores.
#define RULE_KIND_PROFILE         0   // a rule or group in a profile
#define RULE_KIND_TEMPLATE_ACTION 1   // every key but "level"
#define RULE_KIND_TEMPLATE_MATCH  2   // the criteria only

#define RULE_MAX_WINDOWS 64
#define RULE_SCRIPT_SLOTS 9   // appeared, closed, minimised, maximised, restored,
                              // activated, deactivated, profile applied, match condition
#define RULE_SCRIPT_SIZE 1024

// A folder's first sort column; the layout of the shell's SORTCOLUMN.
struct SortColumnState {
    GUID     formatId;
    uint32_t propertyId;
    int32_t  direction;
};
static_assert(sizeof(SortColumnState) == 24, "stored as 48 hexadecimal digits");

// One rule or group. Fields keep the names of their stored keys; a field
// ending in "len" holds the length of the text before it.
struct Rule {
    uint32_t id;                         // unique within the loaded profile; run time
    int32_t  windowCount;                // run time
    uint8_t  item;                       // RULE_ITEM_*
    uint8_t  level;                      // depth in the rule tree, 1 = top
    int64_t  time;                       // last use, seconds since 1970
    int16_t  captionlen;
    uint8_t  cmpcaption;                 // CMP_*
    int16_t  wndclsslen;
    uint8_t  cmpwndclss;
    int16_t  programlen;
    uint8_t  cmpprogram;
    char     sepan[2];                   // separator of "and" tokens
    char     sepor[2];                   // separator of "or" tokens
    int16_t  tmpnamelen;
    uint8_t  ignifex;                    // skip while holding ignifexnum windows
    int16_t  ignifexnum;
    uint8_t  matchxnum;                  // match only the first matchxnumnum windows
    int16_t  matchxnumnum;
    uint8_t  matchxnumresetprf;
    uint8_t  matchxnumresetpid;
    uint32_t matchxnumpid;               // run time
    int32_t  matchxnumcount;             // run time
    uint8_t  ignxnum;                    // ignore the first ignxnumnum windows
    int16_t  ignxnumnum;
    uint8_t  ignxnumresetprf;
    uint8_t  ignxnumresetpid;
    uint32_t ignxnumpid;                 // run time
    int32_t  ignxnumcount;               // run time
    uint8_t  titlex;                     // re-match on a title change within titlextime ms
    int32_t  titlextime;
    uint8_t  tdelay;
    int32_t  tdelaytime;                 // ms
    uint8_t  tretry;
    uint32_t tretrytime;                 // ms
    uint8_t  exclfromupdt;
    uint8_t  moveto;
    uint8_t  movetomode;
    int32_t  x, y;                       // VALUE_ANY keeps
    uint8_t  lockpos;
    uint8_t  mouserelative;
    uint8_t  keeponscreen;
    uint8_t  sizeto;
    uint8_t  sizetomode;
    int32_t  w, h;                       // VALUE_ANY keeps
    uint8_t  locksize;
    uint8_t  lockar;
    uint8_t  keepar;
    uint8_t  stateto;
    uint8_t  statetomode;
    uint8_t  state;                      // RULE_STATE_*
    uint8_t  lockstate;
    uint8_t  orderto;
    uint8_t  order;                      // 0 top, 1 bottom, 2 topmost, 3 not topmost
    uint8_t  close;
    uint8_t  activate;
    uint8_t  offmode;
    int32_t  offx, offy;
    int32_t  tilerows, tilecols;
    uint8_t  transto;
    uint8_t  transval;                   // percent
    uint8_t  clickthrough;
    uint8_t  cmdactive;                  // some slot is enabled and not empty
    uint8_t  cmdenable[RULE_SCRIPT_SLOTS];
    uint8_t  checkfullpath;
    uint8_t  cmpfullpath;
    int16_t  fullpathlen;
    uint8_t  remviewmode;
    int32_t  viewmode;
    int32_t  iconsize;
    SortColumnState sortcolumn;
    int32_t  numsortcol;
    uint8_t  ignnonres;
    uint8_t  ignnonresmode;
    uint8_t  ignstate;
    uint8_t  ignstatemode;
    uint8_t  ignnonmain;
    uint8_t  ignnonmainmode;
    uint8_t  matchstate;
    uint8_t  matchstatemode;
    uint8_t  desktopto;
    uint8_t  desktoptomode;
    uint8_t  desktop;                    // from 0; RULE_DESKTOP_PIN, RULE_DESKTOP_NONE
    uint8_t  lockdesktop;
    uint8_t  ignsmall;
    uint8_t  ignsmallmode;
    int16_t  ignsw, ignsh;
    uint8_t  ignlarge;
    uint8_t  ignlargemode;
    int16_t  ignlw, ignlh;
    uint8_t  imatchvdesk;
    uint8_t  imatchvdeskidx;             // 0xFF: the current desktop
    uint8_t  ignrect;
    uint8_t  ignrectmode;
    RECT     ignrectrc;
    uint8_t  assignonce;
    // Texts after the numbers and flags, scripts last: matching reads a few
    // fields of every rule and should touch few cache lines in each. The
    // stored key order is the record routine's, not this one.
    char     caption[260];
    char     wndclss[128];
    char     program[520];
    HWND     windows[RULE_MAX_WINDOWS];  // windows this rule holds; run time
    char     name[260];
    char     tmpname[260];               // template that made this rule
    char     fullpath[260];              // Explorer folder criterion
    char     cmdtext[RULE_SCRIPT_SLOTS][RULE_SCRIPT_SIZE];
};

// Zeroes the rule and gives it the defaults of a new rule.
void InitRule(Rule* rule);
// mode 0 reads, nonzero writes, under the key prefix the caller has set.
// Reading: false when "item" is missing (the end of a list); fields whose
// keys are missing keep the caller's starting values. Writing: false when a
// line could not be stored.
bool SerializeRule(int mode, ConfigRecord* record, Rule* rule, uint32_t id, int kind);

//--- rule templates

struct RuleTemplate {
    Rule    match;    // RULE_KIND_TEMPLATE_MATCH; its name is the template's name
    Rule    rule;     // RULE_KIND_TEMPLATE_ACTION; may hold #TITLE#, #CLASS#, #PROGRAM#
    uint8_t uiFlag;   // a mark of the dialogs' template lists; not stored
};

// Both parts from InitRule; the match part matches any window and the action
// part names the window's title, class and program.
void InitRuleTemplate(RuleTemplate* tmpl);
// Appends the default templates: six, or three with shortSet. False when one
// could not be added.
bool CreateDefaultTemplates(GrowArray<RuleTemplate>* list, bool shortSet);

//--- profiles

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
    uint8_t  updatePending;              // run time
};

// Zeroes the profile (its old lists are not freed), gives it the defaults and
// four new lists, the template list filled with the default set. False when
// memory ran out; the lists that could be made exist.
bool InitProfile(Profile* profile, bool shortTemplates);
// Frees the four lists and clears the pointers; safe to call twice.
void FreeProfileLists(Profile* profile);
// mode 0 reads the file at path into the profile (which must hold lists of
// its own or none), 1 writes it. shortPrefixes: "Rul[%d]." and "Ico".
bool SerializeProfile(int mode, const char* path, Profile* profile, bool shortPrefixes);
// Deep copy. The destination's old lists are not freed: pass a zero-filled or
// freed record. False when memory ran out.
bool CopyProfile(const Profile* source, Profile* destination);
void ClearProfileList(GrowArray<Profile>* list);
bool AssignProfileList(const GrowArray<Profile>* source, GrowArray<Profile>* destination);
// Removes rules not used for more than days whole days (groups and kept rules
// stay). The number removed.
int PurgeExpiredRules(Profile* profile, int days);

//--- options, pin list and tray list

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
// is kept) and the Minimize to Tray list. UI thread only.
extern OptionsRecord Options;
extern GrowArray<uint32_t> g_pinList;
extern GrowArray<TrayAppEntry> g_trayAppList;

// mode 0 reads "Options" (false without it, the defaults then stand) and
// appends "PinList" and "MinList" to their lists; 1 writes all three.
bool SerializeOptions(int mode);
// The raw list files, for SerializeOptions.
void LoadTrayLists();
bool SaveTrayLists();
