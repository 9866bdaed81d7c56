// RuleRecord.h - one rule or group of a profile and the routine that reads
// and writes it.
#pragma once

#include <windows.h>

#include <stdint.h>

#include "framework/core/ConfigRecord.h"

// "Any", "keep" or "not set" in coordinates, restrictions and number fields.
#define VALUE_ANY 0x7FFFFFFF

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
// Copies text into a rule's text field and stores its length in the field's
// companion ("caption" and "captionlen").
void SetRuleText(char* field, size_t size, int16_t* length, const char* text);
#define SET_RULE_TEXT(rule, field, text) \
    SetRuleText((rule)->field, sizeof((rule)->field), &(rule)->field##len, text)
