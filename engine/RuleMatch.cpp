// RuleMatch.cpp - which rule of a profile owns a monitored window.
#include "engine/Rules.h"

#include "engine/ExplorerWindows.h"
#include "engine/MatchText.h"
#include "engine/RuleCriteria.h"
#include "engine/RuleIndex.h"
#include "framework/core/TextUtil.h"
#include "vdesktop/VirtualDesktop.h"

#include <string.h>

//--- text criteria

static bool ModeResult(uint8_t compare, const char* text, size_t textLength, const char* pattern,
                       size_t patternLength, char andSep, char orSep)
{
    const char* end = pattern + patternLength;
    switch (compare & CMP_MODE_MASK) {
    case CMP_EQUALS: return MatchEquals(text, textLength, pattern, end, orSep);
    case CMP_CONTAINS: return MatchContainsN(text, textLength, pattern, end, andSep, orSep);
    case CMP_STARTS_WITH: return MatchStartsWithN(text, textLength, pattern, end, orSep);
    case CMP_ENDS_WITH: return MatchEndsWith(text, textLength, pattern, end, orSep);
    case CMP_REGEX: return RegexMatchN(text, textLength, pattern, patternLength);
    default: return true;   // any other mode matches
    }
}

// One criterion: the mode's result, inverted by the negation bit; "Ignore"
// matches whether negated or not.
static bool CriterionHolds(uint8_t compare, const char* text, size_t textLength,
                           const char* pattern, size_t patternLength, char andSep, char orSep)
{
    if ((compare & CMP_MODE_MASK) == CMP_ANY) return true;
    bool hit = ModeResult(compare, text, textLength, pattern, patternLength, andSep, orSep);
    return (compare & CMP_NEGATE) ? !hit : hit;
}

bool MatchRule(const Rule* rule, const MonitoredWindow* entry, uint32_t* detail)
{
    if (detail) *detail = 0;
    if (!rule || !entry) return false;
    char andSep = rule->sepan[0], orSep = rule->sepor[0];
    char spare[sizeof(entry->title) + 1];

    struct Criterion {
        const char* text;
        size_t textCap;
        int32_t textLength;
        uint8_t compare;
        const char* pattern;
        size_t patternCap;
        int16_t patternLength;
    };
    const Criterion criteria[] = {
        {entry->title, sizeof(entry->title), entry->titleLength, rule->cmpcaption, rule->caption,
         sizeof(rule->caption), rule->captionlen},
        {entry->className, sizeof(entry->className), entry->classLength, rule->cmpwndclss, rule->wndclss,
         sizeof(rule->wndclss), rule->wndclsslen},
        {entry->program, sizeof(entry->program), entry->programLength, rule->cmpprogram, rule->program,
         sizeof(rule->program), rule->programlen},
    };
    bool all = true;
    for (size_t i = 0; i < ARRAYSIZE(criteria); i++) {
        const Criterion& c = criteria[i];
        size_t n = 0;
        const char* text = CriterionText(c.text, c.textCap, c.textLength, spare, &n);
        if (CriterionHolds(c.compare, text, n, c.pattern, PatternLength(c.pattern, c.patternCap, c.patternLength),
                           andSep, orSep)) {
            if (detail) *detail |= 1u << i;
        } else {
            all = false;
            if (!detail) return false;
        }
    }

    // The folder a window shows is asked of the shell, which walks its open
    // windows: only for a rule that tests it, and last.
    uint8_t folderCompare = rule->checkfullpath ? rule->cmpfullpath : (uint8_t)CMP_ANY;
    char folder[MAX_PATH] = "";
    size_t folderLength = 0;
    if ((folderCompare & CMP_MODE_MASK) != CMP_ANY)
        folderLength = (size_t)GetExplorerFolderPath(entry->hwnd, folder, (int)sizeof(folder));
    if (CriterionHolds(folderCompare, folder, folderLength, rule->fullpath,
                       PatternLength(rule->fullpath, sizeof(rule->fullpath), rule->fullpathlen), andSep, orSep)) {
        if (detail) *detail |= 0x8;
    } else {
        all = false;
    }
    return all;
}

//--- conditions beyond the criteria

static bool HoldsWindow(const Rule* rule, HWND window)
{
    int n = rule->windowCount < RULE_WINDOW_LIMIT ? rule->windowCount : RULE_WINDOW_LIMIT;
    for (int i = 0; i < n; i++)
        if (rule->windows[i] == window) return true;
    return false;
}

static bool IsUsableRule(const Rule* rule, int64_t excludedRuleId)
{
    return (int64_t)rule->id != excludedRuleId &&
           !(rule->item & (RULE_ITEM_GROUP | RULE_ITEM_DISABLED));
}

static DWORD WindowProcessId(HWND window)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    return pid;
}

// Counts a match attempt; restarts the count for a window of another process
// when asked to. The count before this attempt.
static int32_t CountAttempt(uint8_t resetPerProcess, HWND window, uint32_t* pid, int32_t* count)
{
    if (resetPerProcess) {
        DWORD now = WindowProcessId(window);
        if (now != *pid) {
            *count = 0;
            *pid = now;
        }
    }
    int32_t before = *count;
    if (*count < INT32_MAX) (*count)++;
    return before;
}

bool MainWindowStyleFits(uint8_t mode, LONG style)
{
    if (style & WS_CHILD) return false;
    LONG bits = style & (WS_CAPTION | WS_SYSMENU);
    switch (mode) {
    case 0: return bits == (WS_CAPTION | WS_SYSMENU);
    case 1: return (style & (WS_BORDER | WS_DLGFRAME | WS_SYSMENU)) != 0;
    case 2: return bits == WS_CAPTION;
    case 3: return bits == WS_SYSMENU;
    default: return false;
    }
}

static bool SmallFits(const Rule* rule, const MonitoredWindow* e)
{
    int32_t w = e->state == WINSTATE_MINIMISED ? 0 : e->width;
    int32_t h = e->state == WINSTATE_MINIMISED ? 0 : e->height;
    if (rule->ignsmallmode == 0) return !(w < rule->ignsw || h < rule->ignsh);
    if (rule->ignsmallmode == 1) return !(w < rule->ignsw && h < rule->ignsh);
    return true;
}

static bool LargeFits(const Rule* rule, const MonitoredWindow* e)
{
    bool maximised = e->state == WINSTATE_MAXIMISED;
    int32_t w = maximised ? e->maximizedWidth : e->width;
    int32_t h = maximised ? e->maximizedHeight : e->height;
    if (rule->ignlargemode == 0) return !(w > rule->ignlw || h > rule->ignlh);
    if (rule->ignlargemode == 1) return !(w > rule->ignlw && h > rule->ignlh);
    return true;
}

static bool CentreInside(const RECT& r, const MonitoredWindow* e)
{
    int64_t cx = (int64_t)e->x + e->width / 2, cy = (int64_t)e->y + e->height / 2;
    if (r.left != VALUE_ANY && cx < r.left) return false;
    if (r.top != VALUE_ANY && cy < r.top) return false;
    if (r.right != VALUE_ANY && cx > r.right) return false;
    if (r.bottom != VALUE_ANY && cy > r.bottom) return false;
    return true;
}

static bool TitleRematchAllowed(const Rule* rule, const MonitoredWindow* e)
{
    if (!rule->titlex) return false;
    if (rule->titlextime == 0) return true;
    return rule->titlextime > 0 && e->titleChangedAfter <= (uint64_t)rule->titlextime;
}

static int32_t CurrentDesktopNumber()
{
    return g_virtualDesktop ? g_virtualDesktop->GetCurrentDesktopNumber() : -1;
}

// The ordinary search's tests, in order; false at the first that fails.
static bool RulePasses(Rule* rule, MonitoredWindow* e, int64_t excludedRuleId)
{
    if (!IsUsableRule(rule, excludedRuleId)) return false;
    if (rule->ignifex && rule->windowCount >= rule->ignifexnum) return false;
    if (rule->imatchvdesk) {
        int32_t want = rule->imatchvdeskidx == 0xFF ? CurrentDesktopNumber() : rule->imatchvdeskidx;
        if (e->desktop != want) return false;
    }
    if (!MatchRule(rule, e, nullptr)) return false;
    if (rule->matchxnum) {
        int32_t before = CountAttempt(rule->matchxnumresetpid, e->hwnd, &rule->matchxnumpid,
                                      &rule->matchxnumcount);
        if ((int64_t)before + 1 > rule->matchxnumnum) return false;
    }
    if (rule->ignxnum) {
        int32_t before = CountAttempt(rule->ignxnumresetpid, e->hwnd, &rule->ignxnumpid,
                                      &rule->ignxnumcount);
        if (before < rule->ignxnumnum) return false;
    }
    LONG style = GetWindowLongA(e->hwnd, GWL_STYLE);
    if (rule->ignnonres) {
        bool resizable = (style & WS_THICKFRAME) != 0;
        if (rule->ignnonresmode == 0 && !resizable) return false;
        if (rule->ignnonresmode == 1 && resizable) return false;
    }
    if (rule->ignstate && rule->ignstatemode <= 2 && e->state == rule->ignstatemode) return false;
    if (rule->matchstate && rule->matchstatemode <= 2 && e->state != rule->matchstatemode) return false;
    if (rule->ignnonmain && !MainWindowStyleFits(rule->ignnonmainmode, style)) return false;
    if (rule->ignsmall && !SmallFits(rule, e)) return false;
    if (rule->ignlarge && !LargeFits(rule, e)) return false;
    if (rule->ignrect) {
        bool inside = CentreInside(rule->ignrectrc, e);
        if (rule->ignrectmode == 0 && !inside) return false;
        if (rule->ignrectmode == 1 && inside) return false;
    }
    if (e->event == WEV_TITLE && !TitleRematchAllowed(rule, e)) return false;
    if (rule->cmdenable[SLOT_MATCH] && RunRuleCommand(e, rule, SLOT_MATCH, 5000) != 0) return false;
    return true;
}

// What the sticky assignment makes of a rule, in rule order: a rule that
// does not hold the window (or may not keep it) is passed over; the first
// that holds it keeps it or sends the window to the ordinary search.
enum StickyOutcome { STICKY_PASS_OVER, STICKY_KEEP, STICKY_SEARCH };

static StickyOutcome StickyOutcomeOf(Rule* rule, MonitoredWindow* e, int64_t excludedRuleId)
{
    if ((int64_t)rule->id == excludedRuleId || !HoldsWindow(rule, e->hwnd)) return STICKY_PASS_OVER;
    if (rule->item & (RULE_ITEM_GROUP | RULE_ITEM_DISABLED)) return STICKY_PASS_OVER;
    if (rule->assignonce) return STICKY_KEEP;
    if (e->event == WEV_UNCHANGED) {
        if (MatchRule(rule, e, nullptr)) return STICKY_KEEP;
        RemoveWindowFromRule(rule, e->hwnd);
        return STICKY_SEARCH;
    }
    if (e->event == WEV_TITLE) return STICKY_SEARCH;
    return STICKY_KEEP;
}

// The winner of the ordinary search takes the window.
static Rule* Winner(Rule* rule, MonitoredWindow* entry)
{
    if (entry->event != WEV_CLOSED) AddWindowToRule(rule, entry->hwnd);
    return rule;
}

// Every rule in order: the answer the index must give in a pass, and the
// answer every lookup outside a pass gets.
static Rule* FindByWalk(GrowArray<Rule>* rules, MonitoredWindow* entry, int64_t excludedRuleId)
{
    for (int i = 0; i < rules->count; i++) {
        StickyOutcome o = StickyOutcomeOf(&rules->data[i], entry, excludedRuleId);
        if (o == STICKY_KEEP) return &rules->data[i];
        if (o == STICKY_SEARCH) break;
    }
    for (int i = 0; i < rules->count; i++)
        if (RulePasses(&rules->data[i], entry, excludedRuleId)) return Winner(&rules->data[i], entry);
    return nullptr;
}

// The same, over the rules the index names: every rule that holds the window,
// and every rule whose criteria may hold, in rule order. The rules left out
// would be passed over by the same tests, before any that counts or runs.
static Rule* FindByIndex(GrowArray<Rule>* rules, MonitoredWindow* entry, int64_t excludedRuleId)
{
    RuleSubset holders = HoldingRules(entry->hwnd);
    for (int32_t k = 0; k < holders.count; k++) {
        StickyOutcome o = StickyOutcomeOf(&rules->data[holders.at[k]], entry, excludedRuleId);
        if (o == STICKY_KEEP) return &rules->data[holders.at[k]];
        if (o == STICKY_SEARCH) break;
    }
    RuleSubset candidates = CandidateRules(entry);
    for (int32_t k = 0; k < candidates.count; k++)
        if (RulePasses(&rules->data[candidates.at[k]], entry, excludedRuleId))
            return Winner(&rules->data[candidates.at[k]], entry);
    return nullptr;
}

Rule* FindRuleForWindow(Profile* profile, MonitoredWindow* entry, int64_t excludedRuleId)
{
    if (!profile || !profile->pRules || !entry) return nullptr;
    if (!BeginIndexedLookup(profile)) return FindByWalk(profile->pRules, entry, excludedRuleId);
    Rule* found = FindByIndex(profile->pRules, entry, excludedRuleId);
    EndIndexedLookup();
    return found;
}
