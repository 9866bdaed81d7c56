// ProfileImport.cpp - profile export files: written as a profile file is,
// read within a budget before anything is made.
#include "engine/ProfileImport.h"

#include "engine/ProfileStore.h"
#include "framework/core/TextUtil.h"

#include <string.h>

namespace {

// A list whose claimed count, or whose element number limit, is there.
bool PastLimit(ConfigRecord* record, const char* countKey, const char* keyFormat, int32_t limit)
{
    int32_t claimed = 0;
    if (ExchangeIntField(record, &claimed, countKey, 0) == CFG_OK && claimed > limit) return true;
    if (!keyFormat) return false;
    char beyond[64];
    FormatText(beyond, sizeof(beyond), keyFormat, limit);
    return FindRecordKey(record, beyond, (int32_t)strlen(beyond), 0) >= 0;
}

bool TooLarge(ConfigRecord* record, int32_t length)
{
    if ((uint32_t)length > RULE_IMPORT_TEXT_MAX) return true;
    SetRecordKeyPrefix(record, "pprf->", nullptr);
    return PastLimit(record, "pprf->iNumRules", "Rule[%d].item", RULE_IMPORT_MAX) ||
           PastLimit(record, "pprf->iNumIcons", "Icon[%d].name", PROFILE_IMPORT_MAX_ICONS) ||
           PastLimit(record, "pprf->iNumTmpls", "Template[%d].Match.item", PROFILE_IMPORT_MAX_TEMPLATES) ||
           PastLimit(record, "pprf->iNumExpWin", nullptr, PROFILE_IMPORT_MAX_EXPWIN) ||
           CountRecordKeys(record, "ExpWinxi].type=") > PROFILE_IMPORT_MAX_EXPWIN;
}

bool RuleHasScripts(const Rule* r)
{
    if (r->cmdactive) return true;
    for (int s = 0; s < RULE_SCRIPT_SLOTS; s++)
        if (r->cmdenable[s]) return true;
    return false;
}

void TurnRuleOff(Rule* r)
{
    r->cmdactive = 0;
    memset(r->cmdenable, 0, sizeof(r->cmdenable));
}

}  // namespace

int ImportProfile(const char* path, Profile* profile)
{
    ConfigRecord record;
    InitConfigRecord(&record, 0, "pprf->");
    int32_t length = LoadRecordArchive(&record, path);
    int result = PROFILE_IMPORT_OK;
    if (length <= 0)
        result = length == CFG_ERR_MEMORY ? PROFILE_IMPORT_TOO_LARGE : PROFILE_IMPORT_UNREADABLE;
    else if (TooLarge(&record, length))
        result = PROFILE_IMPORT_TOO_LARGE;
    else if (!ReadProfileRecord(&record, profile))
        result = PROFILE_IMPORT_NO_MEMORY;
    else if (!profile->pRules || !profile->pIcons || !profile->pExpWin || !profile->pTemplates)
        result = PROFILE_IMPORT_NO_MEMORY;
    ClearConfigRecord(&record);
    if (result != PROFILE_IMPORT_OK) {
        FreeProfileLists(profile);
        memset(profile, 0, sizeof(*profile));
        return result;
    }
    ClearProfileHotkeys(profile);
    profile->edited = 0;
    profile->updatePending = 0;
    profile->rulesGeneration = 0;
    return PROFILE_IMPORT_OK;
}

bool ExportProfile(const char* path, Profile* profile)
{
    return SerializeProfile(1, path, profile, false);
}

void ClearProfileHotkeys(Profile* profile)
{
    profile->iTrgHotKey = 0;
    profile->iTrgHotKeyWin = 0;
    profile->iUpdHotKey = 0;
}

bool ProfileHasScripts(const Profile* p)
{
    for (int i = 0; i < 3; i++)
        if (p->bAdvCmdEnable[i]) return true;
    for (int i = 0; p->pRules && i < p->pRules->count; i++)
        if (RuleHasScripts(&p->pRules->data[i])) return true;
    for (int i = 0; p->pTemplates && i < p->pTemplates->count; i++)
        if (RuleHasScripts(&p->pTemplates->data[i].match) || RuleHasScripts(&p->pTemplates->data[i].rule))
            return true;
    return false;
}

void TurnProfileScriptsOff(Profile* p)
{
    memset(p->bAdvCmdEnable, 0, sizeof(p->bAdvCmdEnable));
    for (int i = 0; p->pRules && i < p->pRules->count; i++) TurnRuleOff(&p->pRules->data[i]);
    for (int i = 0; p->pTemplates && i < p->pTemplates->count; i++) {
        TurnRuleOff(&p->pTemplates->data[i].match);
        TurnRuleOff(&p->pTemplates->data[i].rule);
    }
}
