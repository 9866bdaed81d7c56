// ProfileStore.cpp - loading, saving, naming and ordering the profiles.
#include "engine/ProfileStore.h"

#include "engine/DesktopIcons.h"
#include "engine/MainDialogLink.h"
#include "engine/ProductStrings.h"
#include "engine/ProfileHotkeys.h"
#include "engine/ProfileSet.h"
#include "engine/WindowTable.h"
#include "framework/core/AppObject.h"
#include "framework/core/DamagedRecords.h"
#include "framework/core/MonitorTable.h"
#include "framework/core/RecordFile.h"
#include "framework/core/TextUtil.h"

#include <stdlib.h>
#include <string.h>

GrowArray<Profile> g_profiles = {0, nullptr, -1, 0, 0};
uint8_t g_refreshAllowed = 1;

// Profile files of the last load that could not be read nor moved aside: no
// save writes over them or deletes them. UI thread.
static GrowArray<ProfileFileName> g_heldProfileFiles = {0, nullptr, -1, 0, 0};
// Short-form files of the last load: deleted once the profiles they became are saved.
static GrowArray<ProfileFileName> g_shortFormFiles = {0, nullptr, -1, 0, 0};

static const char* ProductWord(int column)
{
    return AppText(IDS_PRODUCT_NAME, column);
}
#define WORD_DEFAULT  2
#define WORD_SAVE_ALL 5
#define WORD_COPY     6

int ProfileCount()
{
    return g_profiles.count;
}

Profile* CurrentProfile()
{
    int i = Options.iCurProfile;
    return (i >= 0 && i < g_profiles.count) ? &g_profiles.data[i] : nullptr;
}

void FreeProfiles()
{
    ClearProfileList(&g_profiles);
}

int FindProfileByName(const GrowArray<Profile>* list, const char* name, int skip)
{
    for (int i = 0; i < list->count; i++)
        if (i != skip && strcmp(list->data[i].szGenName, name) == 0) return i;
    return -1;
}

void MakeUniqueProfileName(char* name, const GrowArray<Profile>* list, int skip)
{
    const char* suffix = ProductWord(WORD_COPY);
    for (int round = 1; FindProfileByName(list, name, skip) >= 0; round++) {
        char next[MAX_PATH];
        FormatText(next, sizeof(next), "%s%s", name, suffix);
        // At full length the suffix would be cut off again: number the copy.
        if (strcmp(next, name) == 0 || round > list->count) {
            char tail[32];
            FormatText(tail, sizeof(tail), "%s %d", suffix, round + 1);
            size_t keep = sizeof(next) - 1 - strlen(tail);
            CopyTextN(next, sizeof(next), name, keep);
            AppendText(next, sizeof(next), tail);
        }
        CopyText(name, MAX_PATH, next);
    }
}

int InsertProfileSorted(GrowArray<Profile>* list, Profile* profile)
{
    return ArrayInsertAt(list, profile, FindProfilePlace(list, profile->szGenName, PROFILE_ORDER_BYTES));
}

void SortProfilesByName(GrowArray<Profile>* list, int first, int last)
{
    if (last < 0 || last >= list->count) last = list->count - 1;
    for (int i = first + 1; i <= last; i++)
        for (int j = i; j > first && CompareProfileNames(list->data[j - 1].szGenName, list->data[j].szGenName,
                                                         PROFILE_ORDER_BYTES) > 0;
             j--)
            ArraySwapItems(list, j - 1, j);
}

//--- files

// The second default profile always leads with the empty-title template.
static void EnsureIgnoreEmptyTitles(Profile* p)
{
    if (strcmp(p->szGenName, ProductWord(WORD_SAVE_ALL)) != 0 || !p->pTemplates) return;
    if (p->pTemplates->count > 0 && strcmp(p->pTemplates->data[0].match.name, "Ignore Empty Titles") == 0)
        return;
    GrowArray<RuleTemplate> defaults;
    InitGrowArray(&defaults);
    if (CreateDefaultTemplates(&defaults, true) && defaults.count > 0)
        ArrayInsertAt(p->pTemplates, &defaults.data[0], 0);
    FreeGrowArray(&defaults);
}

static void NoteProfileFile(GrowArray<ProfileFileName>* list, const char* name)
{
    ProfileFileName entry = {};
    CopyText(entry.name, sizeof(entry.name), name);
    ArrayAppend(list, &entry);
}

// Reads every profile file into list, sorted. A file that cannot be read is
// kept aside, or held when it cannot be moved.
static void ReadProfileFiles(GrowArray<Profile>* list)
{
    char pattern[MAX_PATH];
    if (!g_app.dataFolder[0] || !FormatText(pattern, sizeof(pattern), "%s\\Profile*", g_app.dataFolder)) return;
    WIN32_FIND_DATAA fd;
    HANDLE find = FindFirstFileA(pattern, &fd);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        int32_t number;
        int kind = ProfileFileKind(fd.cFileName, &number);
        if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || kind == PROFILE_FILE_NONE) continue;
        char path[MAX_PATH];
        if (!FormatText(path, sizeof(path), "%s\\%s", g_app.dataFolder, fd.cFileName)) continue;
        bool shortForm = kind == PROFILE_FILE_SHORT;
        Profile p = {};
        if (!SerializeProfile(0, path, &p, shortForm)) {
            FreeProfileLists(&p);
            if (!KeepDamagedRecord(path)) NoteProfileFile(&g_heldProfileFiles, fd.cFileName);
            continue;
        }
        if (shortForm) {
            char name[MAX_PATH];
            CopyText(name, sizeof(name), fd.cFileName + 8);
            char* dot = strrchr(name, '.');
            if (dot) *dot = '\0';
            CopyText(p.szGenName, sizeof(p.szGenName), name);
            NoteProfileFile(&g_shortFormFiles, fd.cFileName);
        }
        EnsureIgnoreEmptyTitles(&p);
        if (InsertProfileSorted(list, &p) < 0) FreeProfileLists(&p);
    } while (FindNextFileA(find, &fd));
    FindClose(find);
}

int LoadProfiles()
{
    // A save that a crash interrupted is finished (or undone) before anything
    // is read. A configuration import happens only at start, before the first load.
    static bool s_firstLoad = true;
    FinishProfileSetSwitch(s_firstLoad && g_app.configImported);
    s_firstLoad = false;
    FreeGrowArray(&g_heldProfileFiles);
    FreeGrowArray(&g_shortFormFiles);
    GrowArray<Profile> loaded;
    InitGrowArray(&loaded);
    ReadProfileFiles(&loaded);
    // The worker walks the list: it is swapped whole under the lock.
    if (!EnterTableLock(200)) {
        ClearProfileList(&loaded);
        return -1;
    }
    RegisterProfileHotKeys(&g_profiles, 0);
    ClearProfileList(&g_profiles);
    g_profiles = loaded;
    LeaveTableLock();
    RegisterProfileHotKeys(&g_profiles, 1);
    return g_profiles.count;
}

static bool IsHeldNumber(int32_t number)
{
    for (int32_t i = 0; i < g_heldProfileFiles.count; i++) {
        int32_t held;
        if (ProfileFileKind(g_heldProfileFiles.data[i].name, &held) == PROFILE_FILE_NUMBERED && held == number)
            return true;
    }
    return false;
}

// All or nothing: the whole set is written beside the old one, then switched in.
void SaveProfiles()
{
    if (!BeginProfileSet()) return;
    char path[MAX_PATH];
    int32_t number = 0;
    bool ok = true;
    for (int i = 0; ok && i < g_profiles.count; i++, number++) {
        while (IsHeldNumber(number)) number++;
        ProfileSetPath(number, path);
        // The worker changes rules (times, windows, captured places) under the lock.
        ok = path[0] && EnterTableLock(200);
        if (!ok) break;
        ok = SerializeProfile(1, path, &g_profiles.data[i], false);
        LeaveTableLock();
    }
    if (!ok) {
        DropProfileSet();
        return;
    }
    if (CommitProfileSet(number, &g_heldProfileFiles, &g_shortFormFiles)) FreeGrowArray(&g_shortFormFiles);
}

void SaveAll()
{
    SerializeOptions(1);
    // The open tree's expanded states belong in the rules that are written.
    StoreTreeExpandState();
    SaveProfiles();
    RegisterProfileHotKeys(&g_profiles, 1);
}

//--- default profiles

static Rule* AppendRule(Profile* p, uint8_t item, uint8_t level, const char* name)
{
    Rule* r = (Rule*)malloc(sizeof(Rule));
    if (!r) return nullptr;
    InitRule(r);
    r->id = (uint32_t)p->nextRuleId++;
    r->item = item;
    r->level = level;
    CopyText(r->name, sizeof(r->name), name);
    int at = ArrayAppend(p->pRules, r);
    free(r);
    return at < 0 ? nullptr : &p->pRules->data[at];
}

static void AddDialogRule(Profile* p, const char* name, const char* caption, bool ignoreExisting)
{
    Rule* r = AppendRule(p, RULE_ITEM_KEEP, 2, name);
    if (!r) return;
    SET_RULE_TEXT(r, caption, caption);
    r->cmpcaption = CMP_EQUALS;
    SET_RULE_TEXT(r, wndclss, "#32770");
    r->cmpwndclss = CMP_EQUALS;
    SET_RULE_TEXT(r, program, "PanelShepherd.exe");
    r->cmpprogram = CMP_CONTAINS;
    r->movetomode = 1;
    r->sizetomode = 1;
    r->statetomode = 1;
    if (ignoreExisting) r->ignifex = 1;
}

static void AddGroup(Profile* p, const char* name, const char* program)
{
    Rule* r = AppendRule(p, RULE_ITEM_GROUP | RULE_ITEM_EXPANDED, 1, name);
    if (!r) return;
    r->cmpcaption = CMP_ANY;
    SET_RULE_TEXT(r, program, program);
}

void CreateDefaultProfile()
{
    Profile def = {};
    if (InitProfile(&def, false)) {
        CopyText(def.szGenName, sizeof(def.szGenName), ProductWord(WORD_DEFAULT));
        def.bGenEnableOnLoad = 1;
        def.bTmpAutoCreate = 1;
        AddGroup(&def, "PanelShepherd", "PanelShepherd.exe");
        AddDialogRule(&def, "PanelShepherd Main Dialog", "PanelShepherd", true);
        AddDialogRule(&def, "Window List Dialog", "Window List", false);
        AddGroup(&def, "Windows Explorer", "Explorer.exe");
    }
    Profile all = {};
    if (InitProfile(&all, true)) {
        CopyText(all.szGenName, sizeof(all.szGenName), ProductWord(WORD_SAVE_ALL));
        MonitorTable t = {};
        RefreshMonitors();
        GetMonitorSnapshot(&t);
        all.iGenScreenX = t.screenX;
        all.iGenScreenY = t.screenY;
        all.iGenScreenW = t.screenWidth;
        all.iGenScreenH = t.screenHeight;
        all.iGenDisplayDPI = (int32_t)t.dpis[0];
        CopyText(all.szGenDisplayName, sizeof(all.szGenDisplayName), t.deviceNames[0]);
        all.bGenEnableOnLoad = 1;
        all.bGenRestoreIcons = 0;
        all.bTrgExecuteOnly = 1;
        all.bTrgResChange = 1;
        all.iTrgScreenDelay = 200;
        all.iUpdUpdateMode = 2;
        all.bUpdResChange = 1;
        SaveDesktopIconsAsync(&all, true);
    }
    if (!EnterTableLock(200)) {
        FreeProfileLists(&def);
        FreeProfileLists(&all);
        return;
    }
    if (def.pRules && ArrayAppend(&g_profiles, &def) < 0) FreeProfileLists(&def);
    if (all.pRules && ArrayAppend(&g_profiles, &all) < 0) FreeProfileLists(&all);
    LeaveTableLock();
}

int ImportRules(GrowArray<Rule>* list, const char* path)
{
    FreeGrowArray(list);
    ConfigRecord record;
    InitConfigRecord(&record, 0, "prul->");
    int32_t length = LoadRecordArchive(&record, path);
    if (length < 0) {
        ClearConfigRecord(&record);
        return RULE_IMPORT_UNREADABLE;
    }
    // The file is not ours to trust: a text or a rule count past the budget
    // is refused whole, before a rule is made.
    char beyond[32];
    FormatText(beyond, sizeof(beyond), "Rule[%d].item", RULE_IMPORT_MAX);
    if ((uint32_t)length > RULE_IMPORT_TEXT_MAX ||
        FindRecordKey(&record, beyond, (int32_t)strlen(beyond), 0) >= 0) {
        ClearConfigRecord(&record);
        return RULE_IMPORT_TOO_LARGE;
    }
    // No more rules than it has lines for.
    int32_t bound = CountRecordKeys(&record, "Rule[");
    if (bound > RULE_IMPORT_MAX) bound = RULE_IMPORT_MAX;
    Rule* r = (Rule*)calloc(1, sizeof(Rule));
    for (int n = 0; r && n < bound; n++) {
        memset(r, 0, sizeof(*r));
        SetRecordKeyPrefix(&record, "prul->", "Rule[%d].", n);
        if (!SerializeRule(0, &record, r, (uint32_t)n, RULE_KIND_PROFILE)) break;
        if (ArrayAppend(list, r) < 0) break;
    }
    free(r);
    ClearConfigRecord(&record);
    return RULE_IMPORT_OK;
}

bool RulesHaveScripts(const GrowArray<Rule>* list)
{
    for (int i = 0; i < list->count; i++) {
        const Rule* r = &list->data[i];
        if (r->cmdactive) return true;
        for (int s = 0; s < RULE_SCRIPT_SLOTS; s++)
            if (r->cmdenable[s]) return true;
    }
    return false;
}

void TurnRuleScriptsOff(GrowArray<Rule>* list)
{
    for (int i = 0; i < list->count; i++) {
        Rule* r = &list->data[i];
        r->cmdactive = 0;
        memset(r->cmdenable, 0, sizeof(r->cmdenable));
    }
}
