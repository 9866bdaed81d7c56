// ProfileImport.cpp - profile export files: written as a profile file is,
// read within a budget before anything is made.
#include "engine/ProfileImport.h"

#include "engine/ProfileStore.h"
#include <string.h>

namespace {

// A list's claimed count is past the limit.
bool ClaimPast(ConfigRecord* record, const char* countKey, int32_t limit)
{
    int32_t claimed = 0;
    return ExchangeIntField(record, &claimed, countKey, 0) == CFG_OK && claimed > limit;
}

// Some line's key is stem followed by an element number at or past limit.
// Lists are read from element 0 up to the first one missing, so this bounds
// what any count could make.
bool ElementPast(const ConfigRecord* record, const char* stem, int32_t limit)
{
    size_t length = strlen(stem);
    const char* text = record->text.data;
    size_t size = record->text.count > 0 ? (size_t)record->text.count : 0;
    for (size_t at = 0; at < size;) {
        const char* line = text + at;
        size_t left = size - at;
        if (left > length && memcmp(line, stem, length) == 0) {
            int32_t number = 0;
            for (size_t i = length; i < left && line[i] >= '0' && line[i] <= '9' && number <= limit; i++)
                number = number * 10 + (line[i] - '0');
            if (number >= limit) return true;
        }
        const char* end = (const char*)memchr(line, '\n', left);
        at = end ? (size_t)(end - text) + 1 : size;
    }
    return false;
}

bool TooLarge(ConfigRecord* record, int32_t length)
{
    if ((uint32_t)length > RULE_IMPORT_TEXT_MAX) return true;
    SetRecordKeyPrefix(record, "pprf->", nullptr);
    return ClaimPast(record, "pprf->iNumRules", RULE_IMPORT_MAX) ||
           ClaimPast(record, "pprf->iNumIcons", PROFILE_IMPORT_MAX_ICONS) ||
           ClaimPast(record, "pprf->iNumTmpls", PROFILE_IMPORT_MAX_TEMPLATES) ||
           ClaimPast(record, "pprf->iNumExpWin", PROFILE_IMPORT_MAX_EXPWIN) ||
           ElementPast(record, "Rule[", RULE_IMPORT_MAX) ||
           ElementPast(record, "Icon[", PROFILE_IMPORT_MAX_ICONS) ||
           ElementPast(record, "Template[", PROFILE_IMPORT_MAX_TEMPLATES) ||
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
