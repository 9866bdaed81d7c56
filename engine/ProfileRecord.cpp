// ProfileRecord.cpp - the profile record: defaults, its lists and its one field list.
#include "engine/ProfileRecord.h"

#include "framework/core/TextUtil.h"

#include <stdlib.h>
#include <string.h>

#define PROFILE_FIELD(kind, member) CONFIG_FIELD(Profile, "pprf->" #member, kind, member)

// No stored list may claim more elements than this.

static constexpr ConfigField kProfileRestrictions[] = {
    PROFILE_FIELD(CFK_INT, iGenScreenX),
    PROFILE_FIELD(CFK_INT, iGenScreenY),
    PROFILE_FIELD(CFK_INT, iGenScreenW),
    PROFILE_FIELD(CFK_INT, iGenScreenH),
    PROFILE_FIELD(CFK_INT, iGenDisplayDPI),
    PROFILE_FIELD(CFK_TEXT, szGenDisplayName),
    PROFILE_FIELD(CFK_INT, iGenVDesk),
};

// Triggers and updates in their stored order.
static constexpr ConfigField kProfileTriggers[] = {
    PROFILE_FIELD(CFK_CHAR, bTrgExecuteOnly),
    PROFILE_FIELD(CFK_CHAR, bTrgHotKey),
    PROFILE_FIELD(CFK_HEX_WORD, iTrgHotKey),
    PROFILE_FIELD(CFK_CHAR, bTrgResChange),
    PROFILE_FIELD(CFK_CHAR, bTrgDPIChange),
    PROFILE_FIELD(CFK_CHAR, bTrgResChangeStart),
    PROFILE_FIELD(CFK_CHAR, bTrgDesktop),
    PROFILE_FIELD(CFK_INT, iTrgDesktopNr),
    PROFILE_FIELD(CFK_INT, iTrgScreenDelay),
    PROFILE_FIELD(CFK_HEX_DWORD, iTrgSession),
    PROFILE_FIELD(CFK_INT, iTrgSessionDelay),
    PROFILE_FIELD(CFK_HEX_DWORD, iTrgPower),
    PROFILE_FIELD(CFK_INT, iTrgPowerDelay),
    PROFILE_FIELD(CFK_CHAR, bTrgTime),
    PROFILE_FIELD(CFK_INT, iTrgTime),
    PROFILE_FIELD(CFK_CHAR, bTrgIdle),
    PROFILE_FIELD(CFK_INT, iTrgIdle),
    PROFILE_FIELD(CFK_HEX_DWORD, iTrgScrSave),
    PROFILE_FIELD(CFK_CHAR, bTrgHotKeyWin),
    PROFILE_FIELD(CFK_HEX_WORD, iTrgHotKeyWin),
    PROFILE_FIELD(CFK_INT64, iTrgTimeLast),
    PROFILE_FIELD(CFK_HEX_DWORD, bTrgNetwork),
    PROFILE_FIELD(CFK_CHAR, iTrgNetStatus),
    PROFILE_FIELD(CFK_CHAR, iTrgNetType),
    PROFILE_FIELD(CFK_TEXT, szTrgNetIPMask),
    PROFILE_FIELD(CFK_TEXT, szTrgNetSSIDMask),
    PROFILE_FIELD(CFK_CHAR, bTrgNetStart),
    PROFILE_FIELD(CFK_INT, iUpdUpdateMode),
    PROFILE_FIELD(CFK_CHAR, bUpdHotKey),
    PROFILE_FIELD(CFK_HEX_WORD, iUpdHotKey),
    PROFILE_FIELD(CFK_CHAR, bUpdResChange),
    PROFILE_FIELD(CFK_CHAR, bUpdDPIChange),
    PROFILE_FIELD(CFK_CHAR, bUpdTime),
    PROFILE_FIELD(CFK_INT, iUpdTime),
    PROFILE_FIELD(CFK_INT64, iUpdTimeLast),
    PROFILE_FIELD(CFK_CHAR, bUpdLock),
    PROFILE_FIELD(CFK_CHAR, bUpdIdle),
    PROFILE_FIELD(CFK_INT, iUpdIdle),
    PROFILE_FIELD(CFK_CHAR, bUpdScrSaver),
    PROFILE_FIELD(CFK_CHAR, bUpdUpdActive),
    PROFILE_FIELD(CFK_CHAR, bUpdSaveIcons),
    PROFILE_FIELD(CFK_CHAR, bUpdSaveExpWin),
};

static constexpr ConfigField kIconFields[] = {
    CONFIG_FIELD(DesktopIconEntry, "(*pprf->pIcons)[xi].name", CFK_TEXT, name),
    CONFIG_FIELD(DesktopIconEntry, "(*pprf->pIcons)[xi].pt.x", CFK_INT, pt.x),
    CONFIG_FIELD(DesktopIconEntry, "(*pprf->pIcons)[xi].pt.y", CFK_INT, pt.y),
};

// Dropping the expression up to its "[" leaves "xi].type": every entry has
// the same three keys and is known only by its place in the text.
#define EXPWIN_EXPRESSION_PREFIX "(*pprf->pExpWin)["
static constexpr ConfigField kExpWinFields[] = {
    CONFIG_FIELD(ExplorerWindowEntry, "(*pprf->pExpWin)[xi].type", CFK_INT, type),
    CONFIG_FIELD(ExplorerWindowEntry, "(*pprf->pExpWin)[xi].prog", CFK_TEXT, prog),
    CONFIG_FIELD(ExplorerWindowEntry, "(*pprf->pExpWin)[xi].args", CFK_TEXT, args),
};

template <typename T>
static GrowArray<T>* NewList()
{
    GrowArray<T>* list = (GrowArray<T>*)malloc(sizeof(GrowArray<T>));
    if (list) InitGrowArray(list);
    return list;
}

void (*g_iconListFreeing)(GrowArray<DesktopIconEntry>* list) = nullptr;

template <typename T>
static void BeforeFree(GrowArray<T>*)
{
}

static void BeforeFree(GrowArray<DesktopIconEntry>* list)
{
    if (g_iconListFreeing) g_iconListFreeing(list);
}

template <typename T>
static void FreeList(GrowArray<T>** list)
{
    if (!*list) return;
    BeforeFree(*list);
    FreeGrowArray(*list);
    free(*list);
    *list = nullptr;
}

// Frees the old list and puts a new empty one in its place.
template <typename T>
static GrowArray<T>* ReplaceList(GrowArray<T>** list)
{
    FreeList(list);
    *list = NewList<T>();
    return *list;
}

// A zero-filled element at the end of the list, or null.
template <typename T>
static T* AppendZeroed(GrowArray<T>* list)
{
    static const T kZero = {};
    int32_t at = ArrayAppend(list, &kZero);
    return at < 0 ? nullptr : &list->data[at];
}


bool InitProfile(Profile* profile, bool shortTemplates)
{
    memset(profile, 0, sizeof(*profile));
    profile->bGenEnabled = 1;
    profile->iGenScreenX = profile->iGenScreenY = VALUE_ANY;
    profile->iGenScreenW = profile->iGenScreenH = VALUE_ANY;
    profile->iGenDisplayDPI = VALUE_ANY;
    profile->iGenVDesk = VALUE_ANY;
    profile->bAdvPurgeOld = 1;
    profile->iAdvPurgeDays = 180;
    profile->pRules = NewList<Rule>();
    profile->pIcons = NewList<DesktopIconEntry>();
    profile->pExpWin = NewList<ExplorerWindowEntry>();
    profile->pTemplates = NewList<RuleTemplate>();
    bool ok = profile->pRules && profile->pIcons && profile->pExpWin && profile->pTemplates;
    return CreateDefaultTemplates(profile->pTemplates, shortTemplates) && ok;
}

void FreeProfileLists(Profile* profile)
{
    FreeList(&profile->pRules);
    FreeList(&profile->pIcons);
    FreeList(&profile->pExpWin);
    FreeList(&profile->pTemplates);
}

// The state of one read or write of a profile.
struct ProfileExchange {
    ConfigRecord record;
    bool writing;
    bool shortPrefixes;
    bool full;      // writing: a line could not be stored
    bool noMemory;  // reading: a list could not be made
};

static void Note(ProfileExchange* x, int rc)
{
    if (rc == CFG_FULL) x->full = true;
}

// The count of a list: refreshed from the list when writing. When reading, a
// stored count is only a claim (-5, a billion, or one short of the truth): the
// elements that are there are read, up to the lines that could describe them,
// and the list is replaced by an empty one to read them into.
template <typename T>
static int32_t ExchangeCount(ProfileExchange* x, int32_t* count, const char* expression,
                             GrowArray<T>** list, const char* stem)
{
    if (x->writing) *count = *list ? (*list)->count : 0;
    Note(x, ExchangeIntField(&x->record, count, expression, 0));
    if (x->writing) return *count;
    if (!ReplaceList(list)) x->noMemory = true;
    if (!*list) return 0;
    int32_t present = CountRecordKeys(&x->record, stem);
    return present > PROFILE_MAX_LIST ? PROFILE_MAX_LIST : present;
}

static void ExchangeRules(ProfileExchange* x, Profile* p)
{
    const char* prefix = x->shortPrefixes ? "Rul[%d]." : "Rule[%d].";
    int32_t n = ExchangeCount(x, &p->iNumRules, "pprf->iNumRules", &p->pRules,
                              x->shortPrefixes ? "Rul[" : "Rule[");
    int mode = x->writing ? 1 : 0;
    for (int32_t i = 0; i < n; i++) {
        SetRecordKeyPrefix(&x->record, "prul->", prefix, (int)i);
        Rule* rule = x->writing ? &p->pRules->data[i] : AppendZeroed(p->pRules);
        if (!rule) {
            x->noMemory = true;   // a half-read list would be saved back short
            break;
        }
        if (!SerializeRule(mode, &x->record, rule, (uint32_t)p->nextRuleId++, RULE_KIND_PROFILE)) {
            if (x->writing) {
                x->full = true;
                continue;
            }
            // No rule i: the rules there have all been read, and its id is not used.
            p->pRules->count--;
            p->nextRuleId--;
            break;
        }
    }
    if (!x->writing) p->iNumRules = p->pRules ? p->pRules->count : 0;
}

// Reading stops at the first entry none of whose keys is there: the bound
// from the text adds no empty entries.
template <typename T, size_t N>
static void ExchangeEntries(ProfileExchange* x, GrowArray<T>* list, int32_t n,
                            const ConfigField (&fields)[N])
{
    for (int32_t i = 0; i < n; i++) {
        T* entry = x->writing ? &list->data[i] : AppendZeroed(list);
        if (!entry) {
            x->noMemory = true;
            break;
        }
        bool found = false;
        for (const ConfigField& field : fields) {
            int rc = ExchangeConfigField(&x->record, &field, entry, (int)i);
            Note(x, rc);
            if (rc != CFG_MISSING) found = true;
        }
        if (!x->writing && !found) {
            list->count--;
            break;
        }
    }
}

static void ExchangeIcons(ProfileExchange* x, Profile* p)
{
    Note(x, ExchangeCharField(&x->record, &p->bGenRestoreIcons, "pprf->bGenRestoreIcons", 0));
    int32_t n = ExchangeCount(x, &p->iNumIcons, "pprf->iNumIcons", &p->pIcons,
                              x->shortPrefixes ? "Ico[" : "Icon[");
    SetRecordKeyPrefix(&x->record, "(*pprf->pIcons)", x->shortPrefixes ? "Ico" : "Icon");
    ExchangeEntries(x, p->pIcons, n, kIconFields);
    if (!x->writing) p->iNumIcons = p->pIcons ? p->pIcons->count : 0;
}

static void ExchangeExplorerWindows(ProfileExchange* x, Profile* p)
{
    SetRecordKeyPrefix(&x->record, "pprf->", nullptr);
    Note(x, ExchangeCharField(&x->record, &p->bGenRestoreExpWin, "pprf->bGenRestoreExpWin", 0));
    int32_t n = ExchangeCount(x, &p->iNumExpWin, "pprf->iNumExpWin", &p->pExpWin, "ExpWinxi].type=");
    SetRecordKeyPrefix(&x->record, EXPWIN_EXPRESSION_PREFIX, "ExpWin");
    ExchangeEntries(x, p->pExpWin, n, kExpWinFields);
    if (!x->writing) p->iNumExpWin = p->pExpWin ? p->pExpWin->count : 0;
}

static void ExchangeTemplates(ProfileExchange* x, Profile* p)
{
    SetRecordKeyPrefix(&x->record, "pprf->", nullptr);
    Note(x, ExchangeCharField(&x->record, &p->bTmpAutoCreate, "pprf->bTmpAutoCreate", 0));
    int32_t n = ExchangeCount(x, &p->iNumTmpls, "pprf->iNumTmpls", &p->pTemplates, "Template[");
    int mode = x->writing ? 1 : 0;
    for (int32_t i = 0; i < n; i++) {
        RuleTemplate* t = x->writing ? &p->pTemplates->data[i] : AppendZeroed(p->pTemplates);
        if (!t) {
            x->noMemory = true;
            break;
        }
        SetRecordKeyPrefix(&x->record, "prul->", "Template[%d].Match.", (int)i);
        bool ok = SerializeRule(mode, &x->record, &t->match, 0, RULE_KIND_TEMPLATE_MATCH);
        SetRecordKeyPrefix(&x->record, "prul->", "Template[%d].Rule.", (int)i);
        ok = SerializeRule(mode, &x->record, &t->rule, 0, RULE_KIND_TEMPLATE_ACTION) && ok;
        if (ok) continue;
        if (x->writing) {
            x->full = true;
        } else {
            p->pTemplates->count--;   // a half template is no template
            break;
        }
    }
    if (!x->writing) p->iNumTmpls = p->pTemplates ? p->pTemplates->count : 0;
}

// Both directions of every field, on a record loaded or being written.
static void ExchangeProfile(ProfileExchange* x, Profile* p)
{
    ConfigRecord* r = &x->record;
    Note(x, ExchangeTextField(r, p->szGenName, sizeof(p->szGenName), "pprf->szGenName", 0));
    if (!x->writing) {
        p->bGenEnabled = 1;   // missing: enabled
        p->bTrgCheckNext = 0;
    }
    Note(x, ExchangeCharField(r, &p->bGenEnabled, "pprf->bGenEnabled", 0));
    Note(x, ExchangeCharField(r, &p->bGenEnableOnLoad, "pprf->bGenEnableOnLoad", 0));
    if (!x->writing) {
        p->nextRuleId = 0;
        // Missing restrictions mean "any".
        p->iGenScreenX = p->iGenScreenY = p->iGenScreenW = p->iGenScreenH = VALUE_ANY;
        p->iGenDisplayDPI = p->iGenVDesk = VALUE_ANY;
    }
    Note(x, ExchangeConfigFields(r, kProfileRestrictions, ARRAYSIZE(kProfileRestrictions), p, 0));
    Note(x, ExchangeConfigFields(r, kProfileTriggers, ARRAYSIZE(kProfileTriggers), p, 0));
    for (int i = 0; i < 3; i++) {
        Note(x, ExchangeHexByteField(r, &p->bAdvCmdEnable[i], "pprf->bAdvCmdEnable[xi]", i));
        Note(x, ExchangeTextField(r, p->szAdvCmdText[i], sizeof(p->szAdvCmdText[i]),
                                  "pprf->szAdvCmdText[xi]", i));
    }
    // 0 days stands for "off, 31 days"; written already corrected so it reads back the same.
    if (x->writing && p->iAdvPurgeDays == 0) {
        p->iAdvPurgeDays = 31;
        p->bAdvPurgeOld = 0;
    }
    if (!x->writing) {
        // Missing purge keys turn purging off, whatever the record held.
        p->bAdvPurgeOld = 0;
        p->iAdvPurgeDays = 0;
    }
    Note(x, ExchangeCharField(r, &p->bAdvPurgeOld, "pprf->bAdvPurgeOld", 0));
    Note(x, ExchangeIntField(r, &p->iAdvPurgeDays, "pprf->iAdvPurgeDays", 0));
    if (p->iAdvPurgeDays == 0) {
        p->iAdvPurgeDays = 31;
        p->bAdvPurgeOld = 0;
    }

    ExchangeRules(x, p);
    SetRecordKeyPrefix(r, "pprf->", nullptr);
    ExchangeIcons(x, p);
    ExchangeExplorerWindows(x, p);
    ExchangeTemplates(x, p);
    if (p->pTemplates && p->pTemplates->count == 0 && !CreateDefaultTemplates(p->pTemplates, false))
        x->noMemory = true;

}

bool SerializeProfile(int mode, const char* path, Profile* p, bool shortPrefixes)
{
    ProfileExchange* x = (ProfileExchange*)calloc(1, sizeof(ProfileExchange));
    if (!x) return false;
    x->writing = mode != 0;
    x->shortPrefixes = shortPrefixes;
    ConfigRecord* r = &x->record;
    InitConfigRecord(r, x->writing ? 1 : 0, "pprf->");
    if (!x->writing && LoadRecordArchive(r, path) <= 0) {
        ClearConfigRecord(r);
        free(x);
        return false;
    }
    ExchangeProfile(x, p);
    bool ok;
    if (x->writing) {
        // A record that lost a line is not saved: the old file stays.
        ok = !x->full && SaveRecordArchive(r, path) > 0;
    } else {
        if (p->bAdvPurgeOld) PurgeExpiredRules(p, p->iAdvPurgeDays);
        ok = !x->noMemory;
    }
    ClearConfigRecord(r);
    free(x);
    return ok;
}

bool ReadProfileRecord(ConfigRecord* record, Profile* p)
{
    ProfileExchange* x = (ProfileExchange*)calloc(1, sizeof(ProfileExchange));
    if (!x) return false;
    // The caller's text is lent for the read and handed back afterwards.
    x->record = *record;
    x->record.readPosition = 0;
    SetRecordKeyPrefix(&x->record, "pprf->", nullptr);
    ExchangeProfile(x, p);
    if (p->bAdvPurgeOld) PurgeExpiredRules(p, p->iAdvPurgeDays);
    bool ok = !x->noMemory;
    *record = x->record;
    free(x);
    return ok;
}
