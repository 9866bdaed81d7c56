// RuleCreate.cpp - rules made from templates for the open windows, profile
// updates that re-capture windows into their rules, and the threads that
// give a new rule its window's final title.
#include "engine/RuleCreate.h"

#include "engine/Engine.h"
#include "engine/ProductIds.h"
#include "engine/ProductStrings.h"
#include "engine/ProfileStore.h"
#include "engine/Rules.h"
#include "framework/core/ForeignWindow.h"
#include "framework/core/TextUtil.h"
#include "vdesktop/VirtualDesktop.h"

#include <objbase.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

//--- the rule list

int InsertProfileRule(Profile* profile, int index, const Rule* rule)
{
    if (!profile || !profile->pRules || !rule || !EnterTableLock(200)) return -1;
    if (index < 0 || index > profile->pRules->count) index = profile->pRules->count;
    int at = ArrayInsertAt(profile->pRules, rule, index);
    MarkRulesChanged(profile);
    LeaveTableLock();
    return at;
}

bool DeleteProfileRule(Profile* profile, int index)
{
    if (!profile || !profile->pRules || !EnterTableLock(200)) return false;
    bool there = index >= 0 && index < profile->pRules->count;
    if (there) ArrayRemoveAt(profile->pRules, index);
    MarkRulesChanged(profile);
    LeaveTableLock();
    return there;
}

static int RuleIndexById(const Profile* profile, uint32_t id)
{
    for (int i = 0; profile->pRules && i < profile->pRules->count; i++)
        if (profile->pRules->data[i].id == id) return i;
    return -1;
}

//--- templates

int FindTemplateForWindow(Profile* profile, Rule* actionOut, MonitoredWindow* entry, bool autoOnly)
{
    if (!profile || !profile->pTemplates || !entry) return -1;
    for (int i = 0; i < profile->pTemplates->count; i++) {
        const RuleTemplate* t = &profile->pTemplates->data[i];
        if (t->match.item & RULE_ITEM_DISABLED) continue;
        if (!MatchRule(&t->match, entry, nullptr)) continue;
        // "Ignore" ends the search also for automatic creation: a window it
        // takes is left alone by every template after it.
        if (t->match.item & RULE_ITEM_KEEP) return -1;
        if (autoOnly && !(t->match.item & RULE_ITEM_AUTOCREATE)) continue;
        if (actionOut) memcpy(actionOut, &t->rule, sizeof(Rule));
        return i;
    }
    return -1;
}

// Writes pattern into field with "#TITLE#", "#CLASS#" and "#PROGRAM#"
// replaced in one pass, so a window titled "#CLASS#" keeps that title; the
// result is cut at the field's size.
static void ExpandPlaceholders(char* field, size_t cap, const char* pattern, const MonitoredWindow* e,
                               const char* title, size_t titleCap)
{
    char source[sizeof(Rule::program)];
    CopyText(source, sizeof(source), pattern);
    const struct {
        const char* tag;
        size_t tagLength;
        const char* value;
        size_t valueCap;
    } tags[] = {
        {"#TITLE#", 7, title, titleCap},
        {"#CLASS#", 7, e->className, sizeof(e->className)},
        {"#PROGRAM#", 9, e->program, sizeof(e->program)},
    };
    size_t n = 0;
    for (const char* p = source; *p && n + 1 < cap;) {
        bool replaced = false;
        for (const auto& t : tags) {
            if (strncmp(p, t.tag, t.tagLength) != 0) continue;
            size_t length = BoundedLength(t.value, t.valueCap);
            for (size_t i = 0; i < length && n + 1 < cap; i++) field[n++] = t.value[i];
            p += t.tagLength;
            replaced = true;
            break;
        }
        if (!replaced) field[n++] = *p++;
    }
    field[n] = '\0';
}

static void ExpandRuleText(char* field, size_t cap, int16_t* length, const MonitoredWindow* e)
{
    ExpandPlaceholders(field, cap, field, e, e->title, sizeof(e->title));
    *length = (int16_t)strlen(field);
}

static void NameRule(Rule* rule, const char* pattern, const MonitoredWindow* e, const char* title,
                     size_t titleCap)
{
    ExpandPlaceholders(rule->name, sizeof(rule->name), pattern, e, title, titleCap);
    if (!rule->name[0]) CopyText(rule->name, sizeof(rule->name), AppText(IDS_PROFILE_TEXTS, 3));
}

// "Decide from the window": the first main-window mode its style meets.
static void DecideMainWindowCondition(Rule* rule, HWND window)
{
    LONG style = GetWindowLongA(window, GWL_STYLE);
    for (uint8_t mode = 0; mode < 4; mode++)
        if (MainWindowStyleFits(mode, style)) {
            rule->ignnonmainmode = mode;
            break;
        }
    rule->ignnonmain = MainWindowStyleFits(rule->ignnonmainmode, style) ? 1 : 0;
}

// A group takes a new rule whose texts its patterns admit, made from a
// template its template name begins, of the kind it collects (string 86:
// 0 all, 1 made by hand, 2 made automatically).
static bool GroupTakes(const Rule* group, const Rule* rule, const char* templateName, int fromMonitor)
{
    if (!(group->item & RULE_ITEM_GROUP)) return false;
    if (group->caption[0] && !WildcardMatch(group->caption, rule->caption)) return false;
    if (group->wndclss[0] && !WildcardMatch(group->wndclss, rule->wndclss)) return false;
    if (group->program[0] && !WildcardMatch(group->program, rule->program)) return false;
    size_t prefix = BoundedLength(group->tmpname, sizeof(group->tmpname));
    if (prefix && strncmp(templateName, group->tmpname, prefix) != 0) return false;
    if (group->cmpcaption == 1 && fromMonitor) return false;
    if (group->cmpcaption == 2 && !fromMonitor) return false;
    return true;
}

// Where the rule goes: after the rules directly below the first group that
// takes it (its level set, the group opened), else at the end at level 1.
static int PlaceInGroup(Profile* profile, Rule* rule, const char* templateName, int fromMonitor)
{
    GrowArray<Rule>* rules = profile->pRules;
    rule->level = 1;
    for (int i = 0; i < rules->count; i++) {
        Rule* group = &rules->data[i];
        if (!GroupTakes(group, rule, templateName, fromMonitor)) continue;
        group->item |= RULE_ITEM_EXPANDED;
        rule->level = group->level < 255 ? (uint8_t)(group->level + 1) : 255;
        int at = i + 1;
        while (at < rules->count && !(rules->data[at].item & RULE_ITEM_GROUP) && rules->data[at].level == rule->level)
            at++;
        return at;
    }
    return rules->count;
}

static void StartTitleSettle(const Profile* profile, const MonitoredWindow* e, const char* namePattern,
                             uint32_t ruleId);

int CreateRuleFromTemplate(Profile* profile, MonitoredWindow* entry, Rule* rule, const char* templateName,
                           uint32_t mask, int fromMonitor)
{
    if (!profile || !profile->pRules || !entry || !rule) return -1;
    if (!templateName) templateName = "";
    char namePattern[sizeof(rule->name)];
    CopyText(namePattern, sizeof(namePattern), rule->name);
    rule->level = 1;
    rule->time = (int64_t)_time64(nullptr);
    rule->windowCount = 0;
    AddWindowToRule(rule, entry->hwnd);
    CaptureWindowPlacement(entry, rule, fromMonitor ? CAPTURE_UNSET : mask);

    NameRule(rule, namePattern, entry, entry->title, sizeof(entry->title));
    ExpandRuleText(rule->caption, sizeof(rule->caption), &rule->captionlen, entry);
    ExpandRuleText(rule->wndclss, sizeof(rule->wndclss), &rule->wndclsslen, entry);
    ExpandRuleText(rule->program, sizeof(rule->program), &rule->programlen, entry);
    SET_RULE_TEXT(rule, tmpname, templateName);

    if (g_virtualDesktop && (!fromMonitor || rule->desktoptomode == 1 || rule->desktop == RULE_DESKTOP_NONE))
        rule->desktop = (uint8_t)entry->desktop;
    if (rule->ignnonmain >= 2) DecideMainWindowCondition(rule, entry->hwnd);
    rule->id = (uint32_t)profile->nextRuleId++;

    if (!EnterTableLock(200)) return -1;
    int index = InsertProfileRule(profile, PlaceInGroup(profile, rule, templateName, fromMonitor), rule);
    LeaveTableLock();
    if (index < 0) return -1;
    // A title compared whole may still be a temporary one ("Loading...").
    if (fromMonitor && rule->titlex && rule->cmpcaption == CMP_EQUALS)
        StartTitleSettle(profile, entry, namePattern, rule->id);
    return index;
}

//--- profile updates

// The fields a new rule takes from the window: all five, less those the
// template sets for good ("This position" with a coordinate, and so on).
static uint32_t CaptureMaskFor(const Rule* action)
{
    uint32_t mask = CAPTURE_ALL;
    if (action->movetomode == 0) {
        if (action->x != VALUE_ANY) mask &= ~(uint32_t)CAPTURE_X;
        if (action->y != VALUE_ANY) mask &= ~(uint32_t)CAPTURE_Y;
    }
    if (action->sizetomode == 0) {
        if (action->w != VALUE_ANY) mask &= ~(uint32_t)CAPTURE_W;
        if (action->h != VALUE_ANY) mask &= ~(uint32_t)CAPTURE_H;
    }
    if (action->statetomode == 0 && action->state < RULE_STATE_NONE) mask &= ~(uint32_t)CAPTURE_STATE;
    return mask;
}

int64_t CreateOrUpdateRuleForWindow(Profile* profile, MonitoredWindow* entry, int updateOnly, int recapture)
{
    if (!profile || !profile->bGenEnabled || !entry) return -1;
    Rule* rule = FindRuleForWindow(profile, entry, -1);
    if (rule) {
        if (!rule->exclfromupdt) CaptureWindowPlacement(entry, rule, recapture ? CAPTURE_ALL : 0);
        return rule->id;
    }
    if (updateOnly) return -1;
    // A rule is large: the template's copy lives on the heap.
    Rule* action = (Rule*)malloc(sizeof(Rule));
    if (!action) return -1;
    int64_t id = -1;
    int t = FindTemplateForWindow(profile, action, entry, false);
    if (t >= 0) {
        char templateName[sizeof(action->name)];
        CopyText(templateName, sizeof(templateName), profile->pTemplates->data[t].match.name);
        int at = CreateRuleFromTemplate(profile, entry, action, templateName, CaptureMaskFor(action), 0);
        if (at >= 0) id = profile->pRules->data[at].id;
    }
    free(action);
    return id;
}

int64_t UpdateProfileFromWindows(Profile* profile, int index, int updateOnly, int recapture)
{
    if (!profile || !profile->bGenEnabled) return -1;
    if (!EnterTableLock(200)) return -1;
    int64_t highest = -1;
    int first = index < 0 ? 0 : index;
    int end = index < 0 ? g_windowCount : (index < g_windowCount ? index + 1 : 0);
    for (int i = first; i < end; i++) {
        MonitoredWindow* e = &g_windowTable[i];
        if (e->event == WEV_CLOSED || (!e->title[0] && !IsWindowVisible(e->hwnd))) continue;
        int64_t id = CreateOrUpdateRuleForWindow(profile, e, updateOnly, recapture);
        if (id > highest) highest = id;
    }
    LeaveTableLock();
    HWND dialog = g_mainDialog;
    if (dialog && g_refreshAllowed) PostMessageA(dialog, WM_PROFILE_RULESCHANGED, 1, (LPARAM)highest);
    return highest;
}

//--- titles that settle

static void StartTitleSettle(const Profile* profile, const MonitoredWindow* e, const char* namePattern,
                             uint32_t ruleId)
{
    TitleSettleContext* c = (TitleSettleContext*)calloc(1, sizeof(TitleSettleContext));
    if (!c) return;
    CopyText(c->namePattern, sizeof(c->namePattern), namePattern);
    c->rules = profile->pRules;
    CopyText(c->profileName, sizeof(c->profileName), profile->szGenName);
    c->window = *e;
    c->ruleId = ruleId;
    HANDLE thread = CreateThread(nullptr, 0, TitleSettleThread, c, 0, nullptr);
    if (!thread) {
        free(c);
        return;
    }
    CloseHandle(thread);
}

// The context's profile while it still exists; under g_tableLock. Profiles
// move within their list, their rule lists stay where they are.
static Profile* ProfileOf(const TitleSettleContext* c)
{
    for (int i = 0; i < g_profiles.count; i++) {
        Profile* p = &g_profiles.data[i];
        if (p->pRules == c->rules && strcmp(p->szGenName, c->profileName) == 0) return p;
    }
    return nullptr;
}

// The title changed: the rule takes it, unless another rule already takes
// the window with it, which makes this one redundant. Under g_tableLock.
static void SettleTitle(Profile* profile, int at, const TitleSettleContext* c, const char* title)
{
    MonitoredWindow* now = (MonitoredWindow*)malloc(sizeof(MonitoredWindow));
    if (!now) return;
    *now = c->window;
    CopyText(now->title, sizeof(now->title), title);
    now->titleLength = (int32_t)strlen(now->title);
    if (FindRuleForWindow(profile, now, c->ruleId)) {
        DeleteProfileRule(profile, at);
    } else {
        Rule* rule = &profile->pRules->data[at];
        SET_RULE_TEXT(rule, caption, title);
        NameRule(rule, c->namePattern, now, now->title, sizeof(now->title));
    }
    free(now);
}

DWORD WINAPI TitleSettleThread(void* context)
{
    TitleSettleContext* c = (TitleSettleContext*)context;
    HRESULT com = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    ULONGLONG start = GetTickCount64();
    InitTableLock();
    EnterCriticalSection(&g_tableLock);
    Profile* profile = ProfileOf(c);
    int at = profile ? RuleIndexById(profile, c->ruleId) : -1;
    int32_t limit = at >= 0 ? profile->pRules->data[at].titlextime : 0;
    LeaveCriticalSection(&g_tableLock);

    while (limit > 0) {
        Sleep(50);
        if (GetTickCount64() - start >= (ULONGLONG)limit) break;
        char title[1024];
        int n = ReadWindowTitle(c->window.hwnd, title, sizeof(title));
        if (n < 0) n = 0;
        title[n < (int)sizeof(title) ? n : (int)sizeof(title) - 1] = '\0';
        EnterCriticalSection(&g_tableLock);
        profile = ProfileOf(c);
        at = profile ? RuleIndexById(profile, c->ruleId) : -1;
        if (at < 0) {
            LeaveCriticalSection(&g_tableLock);
            break;
        }
        bool same = strncmp(profile->pRules->data[at].caption, title, strlen(title)) == 0;
        if (!same) SettleTitle(profile, at, c, title);
        LeaveCriticalSection(&g_tableLock);
        if (same) continue;
        HWND dialog = g_mainDialog;
        if (dialog && g_refreshAllowed) PostMessageA(dialog, WM_PROFILE_RULESCHANGED, 1, -1);
        break;
    }
    free(c);
    if (SUCCEEDED(com)) CoUninitialize();
    return 0;
}
