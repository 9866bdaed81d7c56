// OptionsRecord.cpp - the options record: its defaults and its one field list.
#include "engine/OptionsRecord.h"

#include "framework/core/ConfigRecord.h"
#include "framework/core/DamagedRecords.h"

#include <string.h>

OptionsRecord Options = {};

// The options file could not be read nor moved aside: it is never written over.
static bool g_optionsHeld = false;

#define OPTIONS_FIELD(kind, member) CONFIG_FIELD(OptionsRecord, "Options." #member, kind, member)

static constexpr ConfigField kOptionsFields[] = {
    OPTIONS_FIELD(CFK_INT, iCurProfile),
    OPTIONS_FIELD(CFK_CHAR, bMonBlinkRect),
    OPTIONS_FIELD(CFK_CHAR, bMonCheckTempl),
    OPTIONS_FIELD(CFK_INT, iMonListSortCol),
    OPTIONS_FIELD(CFK_INT, iMonListSortDir),
    OPTIONS_FIELD(CFK_CHAR, bMonLogToFile),
    OPTIONS_FIELD(CFK_CHAR, bMonIncludeEmpty),
    OPTIONS_FIELD(CFK_CHAR, bAutoStart),
    OPTIONS_FIELD(CFK_CHAR, bRunAsAdmin),
    OPTIONS_FIELD(CFK_CHAR, bEnabled),
    OPTIONS_FIELD(CFK_CHAR, bShowTrayIcon),
    OPTIONS_FIELD(CFK_HEX_DWORD, crRuleScript),
    OPTIONS_FIELD(CFK_HEX_WORD, iHotKeyMain),
    OPTIONS_FIELD(CFK_HEX_WORD, iHotKeyTrigger),
    OPTIONS_FIELD(CFK_HEX_WORD, iHotKeyEnable),
    OPTIONS_FIELD(CFK_HEX_WORD, iHotKeyNew),
    OPTIONS_FIELD(CFK_HEX_WORD, iHotKeyUpdate),
    OPTIONS_FIELD(CFK_HEX_WORD, iHotKeyCreate),
    OPTIONS_FIELD(CFK_HEX_WORD, iHotKeyActive),
    OPTIONS_FIELD(CFK_CHAR, bConfirmationSound),
    OPTIONS_FIELD(CFK_TEXT, szConfirmationSound),
    OPTIONS_FIELD(CFK_CHAR, bMinimizeToTray),
    OPTIONS_FIELD(CFK_HEX_WORD, iHotKeySwitchDesktop),
    OPTIONS_FIELD(CFK_HEX_WORD, iHotKeyMoveWindow),
    OPTIONS_FIELD(CFK_HEX_WORD, iHotKeyPinWindow),
    OPTIONS_FIELD(CFK_CHAR, bTogglePin),
    OPTIONS_FIELD(CFK_HEX_WORD, iHotKeyUnPinWindow),
    OPTIONS_FIELD(CFK_CHAR, bSwitchOnMove),
    OPTIONS_FIELD(CFK_CHAR, bIndividualIcons),
    OPTIONS_FIELD(CFK_TEXT, szUserDesktop),
    OPTIONS_FIELD(CFK_INT, iVDTPTimeout),
    OPTIONS_FIELD(CFK_HEX_WORD, iHotKeyTrans),
    OPTIONS_FIELD(CFK_INT, iTrans),
    OPTIONS_FIELD(CFK_HEX_WORD, iHotKeyClkThr),
    OPTIONS_FIELD(CFK_INT, iClkThr),
    OPTIONS_FIELD(CFK_HEX_WORD, iHotKeyNonTrans),
    OPTIONS_FIELD(CFK_HEX_WORD, iHotKeyAlwaysOnTop),
};

// A hotkey's transparency of 0 would make nothing visible happen.
static void CorrectOptions(OptionsRecord* o)
{
    if (o->iTrans == 0) o->iTrans = 50;
    if (o->iClkThr == 0) o->iClkThr = 50;
}

bool SerializeOptions(int mode)
{
    bool writing = mode != 0;
    if (!writing) {
        memset(&Options, 0, sizeof(Options));
        Options.bEnabled = 1;
        Options.bShowTrayIcon = 1;
        Options.bMonCheckTempl = 1;
        Options.iMonListSortDir = 1;
        Options.iVDTPTimeout = 10;
        Options.crRuleScript = 0x000000FF;
    } else {
        CorrectOptions(&Options);   // stored as it will read back
    }
    ConfigRecord record;
    InitConfigRecord(&record, writing ? 1 : 0, "Options.");
    if (!writing) {
        LoadTrayLists();   // the lists stand on their own: damaged options cost them nothing
        g_optionsHeld = false;
        if (LoadRecordFile(&record, "Options", -1, RECORD_FOLDER_DATA) <= 0) {
            char path[MAX_PATH];
            BuildRecordPath("Options", -1, path, RECORD_FOLDER_DATA);
            if (ProbeRecordFile(path) != RECORD_FILE_MISSING) g_optionsHeld = !KeepDamagedRecord(path);
            ClearConfigRecord(&record);
            return false;
        }
    }
    int rc = ExchangeConfigFields(&record, kOptionsFields, ARRAYSIZE(kOptionsFields), &Options, 0);
    CorrectOptions(&Options);
    bool ok = true;
    if (writing) {
        // A record that lost a line is not saved: the old file stays.
        ok = rc == CFG_OK && !g_optionsHeld &&
             SaveRecordFile(&record, "Options", -1, RECORD_FOLDER_DATA) > 0;
        ok = SaveTrayLists() && ok;
    }
    ClearConfigRecord(&record);
    return ok;
}
