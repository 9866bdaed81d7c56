// RuleIndex.cpp - each rule filed under a literal anchor of its criteria, and
// the rules each window is held by, for the lookups of a pass.
#include "engine/RuleIndex.h"

#include "engine/MatchText.h"
#include "engine/RuleCriteria.h"
#include "engine/Rules.h"

#include <string.h>

#include <algorithm>
#include <new>
#include <vector>

namespace {

// The criteria an anchor can come from, and how a text shows it.
const int kFields = 3;   // title, class, program
enum AnchorKind { ANCHOR_EXACT, ANCHOR_PREFIX, ANCHOR_SUFFIX, ANCHOR_CONTAINS, ANCHOR_KINDS };
// Longer keys are cut: a text that shows the whole key shows its start too.
// A cut exact key files its rule as a prefix.
const size_t kMaxKey = 64;

// One node of a trie over key bytes. The tries of the "Contains" keys are
// Aho-Corasick automata: one scan of a text finds every key in it.
struct Node {
    int32_t postings;      // first rule filed here, -1 none
    int32_t firstChild;    // -1 none
    int32_t nextSibling;   // -1 none
    int32_t fail;          // automata: the node of the longest proper suffix
    int32_t output;        // automata: the nearest node with rules on the fail chain, -1 none
    uint8_t byte;          // the edge into this node
};

struct Posting {
    int32_t rule;
    int32_t next;
};

// The windows the rules hold: window -> rules in order.
struct HolderSlot {
    HWND window;   // null: empty
    int32_t first;
};

struct Index {
    // What it was built from.
    const GrowArray<Rule>* list;
    const Rule* data;
    int32_t count;
    uint32_t generation;
    uint64_t fingerprint;
    bool built;

    std::vector<Node> nodes;
    std::vector<Posting> postings;
    std::vector<uint64_t> edgeKeys;   // (node << 8 | byte) + 1; 0 empty
    std::vector<int32_t> edgeChildren;
    size_t edgeCount;
    int32_t roots[kFields][ANCHOR_KINDS];
    bool used[kFields][ANCHOR_KINDS];
    std::vector<int32_t> always;   // rules without an anchor, in order

    std::vector<HolderSlot> holders;
    std::vector<Posting> holderPostings;
    size_t holderCount;

    // One lookup's answer.
    std::vector<uint32_t> marks;
    uint32_t stamp;
    std::vector<int32_t> found, merged, held;
};

Index g_index;

// The pass that may use the index: its profile and thread.
struct Bracket {
    Profile* profile;
    DWORD thread;
    bool checked;   // the index was compared with the rules in this bracket
    bool busy;      // a lookup is running: one nested in it walks instead
};
Bracket g_bracket;

volatile LONG g_generations;

//--- edges

uint64_t EdgeKey(int32_t node, uint8_t byte)
{
    return (((uint64_t)(uint32_t)node << 8) | byte) + 1;
}

size_t EdgeSlot(uint64_t key, size_t mask)
{
    return (size_t)((key * 0x9E3779B97F4A7C15ull) >> 20) & mask;
}

int32_t Child(int32_t node, uint8_t byte)
{
    const Index& x = g_index;
    uint64_t key = EdgeKey(node, byte);
    size_t mask = x.edgeKeys.size() - 1;
    for (size_t s = EdgeSlot(key, mask);; s = (s + 1) & mask) {
        if (x.edgeKeys[s] == key) return x.edgeChildren[s];
        if (x.edgeKeys[s] == 0) return -1;
    }
}

void PutEdge(uint64_t key, int32_t child)
{
    Index& x = g_index;
    size_t mask = x.edgeKeys.size() - 1;
    size_t s = EdgeSlot(key, mask);
    while (x.edgeKeys[s] != 0) s = (s + 1) & mask;
    x.edgeKeys[s] = key;
    x.edgeChildren[s] = child;
}

void GrowEdges()
{
    Index& x = g_index;
    std::vector<uint64_t> keys;
    std::vector<int32_t> children;
    keys.swap(x.edgeKeys);
    children.swap(x.edgeChildren);
    x.edgeKeys.assign(keys.size() * 2, 0);
    x.edgeChildren.assign(keys.size() * 2, -1);
    for (size_t i = 0; i < keys.size(); i++)
        if (keys[i]) PutEdge(keys[i], children[i]);
}

int32_t NewNode(uint8_t byte)
{
    Index& x = g_index;
    Node n = {-1, -1, -1, 0, -1, byte};
    x.nodes.push_back(n);
    return (int32_t)x.nodes.size() - 1;
}

int32_t ChildOrNew(int32_t node, uint8_t byte)
{
    int32_t c = Child(node, byte);
    if (c >= 0) return c;
    Index& x = g_index;
    if ((x.edgeCount + 1) * 2 > x.edgeKeys.size()) GrowEdges();
    c = NewNode(byte);
    x.nodes[c].nextSibling = x.nodes[node].firstChild;
    x.nodes[node].firstChild = c;
    PutEdge(EdgeKey(node, byte), c);
    x.edgeCount++;
    return c;
}

//--- filing the rules

void FileKey(int field, AnchorKind kind, const char* key, size_t length, int32_t rule)
{
    Index& x = g_index;
    if (length > kMaxKey) {
        if (kind == ANCHOR_EXACT) kind = ANCHOR_PREFIX;
        length = kMaxKey;
    }
    int32_t node = x.roots[field][kind];
    for (size_t k = 0; k < length; k++)
        node = ChildOrNew(node, (uint8_t)(kind == ANCHOR_SUFFIX ? key[length - 1 - k] : key[k]));
    Posting p = {rule, x.nodes[node].postings};
    x.postings.push_back(p);
    x.nodes[node].postings = (int32_t)x.postings.size() - 1;
    x.used[field][kind] = true;
}

// A token ends at the next separator or at the end (as the token tests read it).
const char* TokenEnd(const char* p, const char* end, char sep)
{
    if (sep)
        for (const char* s = p; s < end; s++)
            if (*s == sep) return s;
    return end;
}

// The anchor chosen for a criterion: its keys lie in [from, to) of the
// pattern, split at the separator.
struct Anchor {
    int field;
    AnchorKind kind;
    const char* from;
    const char* to;
    char sep;
    size_t regexPrefix;   // a regular expression's literal start, else 0
    int score;            // how few windows it lets through; -1 none
};

// The shortest token of [from, to); -1 when one is empty and so matches
// every text (only an "Is" token demands the empty text).
int ShortestToken(const char* from, const char* to, char sep, bool emptyAllowed)
{
    size_t shortest = (size_t)-1;
    for (const char* p = from;;) {
        const char* e = TokenEnd(p, to, sep);
        size_t n = (size_t)(e - p);
        if (n == 0 && !emptyAllowed) return -1;
        if (n < shortest) shortest = n;
        if (e >= to) break;
        p = e + 1;
    }
    return (int)(shortest < kMaxKey ? shortest : kMaxKey);
}

// The best anchor one criterion offers. Negated, "Ignore" and unknown modes
// offer none: they hold for texts of any shape.
Anchor CriterionAnchor(int field, uint8_t compare, const char* pattern, size_t length, char andSep, char orSep)
{
    Anchor a = {field, ANCHOR_EXACT, pattern, pattern + length, orSep, 0, -1};
    if (compare & CMP_NEGATE) return a;
    const char* end = pattern + length;
    switch (compare & CMP_MODE_MASK) {
    case CMP_EQUALS:
        a.score = 1000 + ShortestToken(pattern, end, orSep, true);
        break;
    case CMP_STARTS_WITH:
    case CMP_ENDS_WITH: {
        int shortest = ShortestToken(pattern, end, orSep, false);
        a.kind = (compare & CMP_MODE_MASK) == CMP_STARTS_WITH ? ANCHOR_PREFIX : ANCHOR_SUFFIX;
        if (shortest > 0) a.score = 100 + shortest;
        break;
    }
    case CMP_CONTAINS:
        // Every group must hold: the group whose tokens are longest anchors.
        a.kind = ANCHOR_CONTAINS;
        for (const char* g = pattern;;) {
            const char* groupEnd = TokenEnd(g, end, andSep);
            int shortest = ShortestToken(g, groupEnd, orSep, false);
            if (shortest > 0 && shortest > a.score) {
                a.score = shortest;
                a.from = g;
                a.to = groupEnd;
            }
            if (groupEnd >= end) break;
            g = groupEnd + 1;
        }
        break;
    case CMP_REGEX: {
        size_t n = RegexLiteralPrefixLength(pattern, length);
        a.kind = ANCHOR_PREFIX;
        a.regexPrefix = n;
        if (n > 0) a.score = 100 + (int)(n < kMaxKey ? n : kMaxKey);
        break;
    }
    default: break;
    }
    return a;
}

void FileRule(const Rule* rule, int32_t at)
{
    const size_t lengths[kFields] = {PatternLength(rule->caption, sizeof(rule->caption), rule->captionlen),
                                     PatternLength(rule->wndclss, sizeof(rule->wndclss), rule->wndclsslen),
                                     PatternLength(rule->program, sizeof(rule->program), rule->programlen)};
    const char* patterns[kFields] = {rule->caption, rule->wndclss, rule->program};
    const uint8_t compares[kFields] = {rule->cmpcaption, rule->cmpwndclss, rule->cmpprogram};
    Anchor best = {};
    best.score = -1;
    for (int f = 0; f < kFields; f++) {
        Anchor a = CriterionAnchor(f, compares[f], patterns[f], lengths[f], rule->sepan[0], rule->sepor[0]);
        if (a.score > best.score) best = a;
    }
    if (best.score < 0) {
        g_index.always.push_back(at);
        return;
    }
    if (best.regexPrefix) {
        FileKey(best.field, ANCHOR_PREFIX, best.from, best.regexPrefix, at);
        return;
    }
    for (const char* p = best.from;;) {
        const char* e = TokenEnd(p, best.to, best.sep);
        FileKey(best.field, best.kind, p, (size_t)(e - p), at);
        if (e >= best.to) break;
        p = e + 1;
    }
}

// The fail and output links of the automata, breadth first.
void LinkAutomata()
{
    Index& x = g_index;
    std::vector<int32_t> queue;
    for (int f = 0; f < kFields; f++) {
        int32_t root = x.roots[f][ANCHOR_CONTAINS];
        x.nodes[root].fail = root;
        queue.clear();
        queue.push_back(root);
        for (size_t q = 0; q < queue.size(); q++) {
            int32_t u = queue[q];
            for (int32_t v = x.nodes[u].firstChild; v >= 0; v = x.nodes[v].nextSibling) {
                uint8_t c = x.nodes[v].byte;
                int32_t fail = root;
                if (u != root) {
                    int32_t f2 = x.nodes[u].fail;
                    while (f2 != root && Child(f2, c) < 0) f2 = x.nodes[f2].fail;
                    int32_t next = Child(f2, c);
                    fail = next >= 0 && next != v ? next : root;
                }
                x.nodes[v].fail = fail;
                x.nodes[v].output = x.nodes[fail].postings >= 0 ? fail : x.nodes[fail].output;
                queue.push_back(v);
            }
        }
    }
}

uint64_t Mix(uint64_t h, const void* data, size_t n)
{
    for (size_t i = 0; i < n; i++) h = (h ^ ((const uint8_t*)data)[i]) * 1099511628211ull;
    return h;
}

// What the anchors are made of, for every rule in order.
uint64_t Fingerprint(const GrowArray<Rule>* rules)
{
    uint64_t h = Mix(14695981039346656037ull, &rules->count, sizeof(rules->count));
    for (int32_t i = 0; i < rules->count; i++) {
        const Rule* r = &rules->data[i];
        const uint8_t head[5] = {r->cmpcaption, r->cmpwndclss, r->cmpprogram, (uint8_t)r->sepan[0],
                                 (uint8_t)r->sepor[0]};
        h = Mix(h, head, sizeof(head));
        size_t n = PatternLength(r->caption, sizeof(r->caption), r->captionlen);
        h = Mix(Mix(h, &n, sizeof(n)), r->caption, n);
        n = PatternLength(r->wndclss, sizeof(r->wndclss), r->wndclsslen);
        h = Mix(Mix(h, &n, sizeof(n)), r->wndclss, n);
        n = PatternLength(r->program, sizeof(r->program), r->programlen);
        h = Mix(Mix(h, &n, sizeof(n)), r->program, n);
    }
    return h;
}

//--- windows held by rules

size_t HolderSlotOf(HWND window, size_t mask)
{
    uintptr_t h = (uintptr_t)window;
    return (size_t)(((uint64_t)h * 0x9E3779B97F4A7C15ull) >> 20) & mask;
}

HolderSlot* FindHolderSlot(HWND window, bool add)
{
    Index& x = g_index;
    size_t mask = x.holders.size() - 1;
    for (size_t s = HolderSlotOf(window, mask);; s = (s + 1) & mask) {
        if (x.holders[s].window == window) return &x.holders[s];
        if (x.holders[s].window == nullptr) {
            if (!add) return nullptr;
            x.holders[s].window = window;
            x.holders[s].first = -1;
            x.holderCount++;
            return &x.holders[s];
        }
    }
}

void AddHolder(HWND window, int32_t rule)
{
    Index& x = g_index;
    if (!window) return;
    if ((x.holderCount + 1) * 2 > x.holders.size()) {
        std::vector<HolderSlot> old;
        old.swap(x.holders);
        x.holders.assign(old.size() * 2, HolderSlot{nullptr, -1});
        x.holderCount = 0;
        for (const HolderSlot& h : old)
            if (h.window) *FindHolderSlot(h.window, true) = h;
    }
    HolderSlot* slot = FindHolderSlot(window, true);
    // Kept in rule order, each rule once. The link is held as an index: the
    // new posting may move the postings.
    int32_t before = -1, next = slot->first;
    while (next >= 0 && x.holderPostings[next].rule < rule) {
        before = next;
        next = x.holderPostings[next].next;
    }
    if (next >= 0 && x.holderPostings[next].rule == rule) return;
    x.holderPostings.push_back(Posting{rule, next});
    int32_t added = (int32_t)x.holderPostings.size() - 1;
    if (before < 0)
        slot->first = added;
    else
        x.holderPostings[before].next = added;
}

void FileHolders(const GrowArray<Rule>* rules)
{
    Index& x = g_index;
    x.holders.assign(1024, HolderSlot{nullptr, -1});
    x.holderCount = 0;
    x.holderPostings.clear();
    for (int32_t i = 0; i < rules->count; i++) {
        const Rule* r = &rules->data[i];
        int n = r->windowCount < RULE_WINDOW_LIMIT ? r->windowCount : RULE_WINDOW_LIMIT;
        for (int k = 0; k < n; k++) AddHolder(r->windows[k], i);
    }
}

//--- building

void Build(Profile* profile, uint64_t fingerprint)
{
    Index& x = g_index;
    const GrowArray<Rule>* rules = profile->pRules;
    x.built = false;
    x.nodes.clear();
    x.postings.clear();
    x.always.clear();
    x.edgeKeys.assign(1024, 0);
    x.edgeChildren.assign(1024, -1);
    x.edgeCount = 0;
    for (int f = 0; f < kFields; f++)
        for (int k = 0; k < ANCHOR_KINDS; k++) {
            x.roots[f][k] = NewNode(0);
            x.used[f][k] = false;
        }
    for (int32_t i = 0; i < rules->count; i++) FileRule(&rules->data[i], i);
    LinkAutomata();
    FileHolders(rules);
    x.marks.assign((size_t)rules->count, 0);
    x.stamp = 0;
    // A lookup's answers never hold more than every rule: no allocation then.
    x.found.reserve((size_t)rules->count);
    x.merged.reserve((size_t)rules->count);
    x.held.reserve((size_t)rules->count);
    x.list = rules;
    x.data = rules->data;
    x.count = rules->count;
    x.generation = profile->rulesGeneration;
    x.fingerprint = fingerprint;
    x.built = true;
}

bool SameList(const Profile* profile)
{
    const Index& x = g_index;
    const GrowArray<Rule>* rules = profile->pRules;
    return x.built && x.list == rules && x.data == rules->data && x.count == rules->count &&
           x.generation == profile->rulesGeneration;
}

// Brings the index up to the profile's rules; false when it cannot be built.
bool Refresh(Profile* profile)
{
    try {
        if (!g_bracket.checked) {
            // Between passes anything may have changed, told or not.
            g_bracket.checked = true;
            uint64_t fingerprint = Fingerprint(profile->pRules);
            if (SameList(profile) && fingerprint == g_index.fingerprint)
                FileHolders(profile->pRules);
            else
                Build(profile, fingerprint);
        } else if (!SameList(profile)) {
            Build(profile, Fingerprint(profile->pRules));
        }
    } catch (const std::bad_alloc&) {
        g_index.built = false;
    }
    return g_index.built;
}

//--- one lookup

void Emit(int32_t node)
{
    Index& x = g_index;
    for (int32_t p = x.nodes[node].postings; p >= 0; p = x.postings[p].next) {
        int32_t rule = x.postings[p].rule;
        if (x.marks[rule] != x.stamp) {
            x.marks[rule] = x.stamp;
            x.found.push_back(rule);
        }
    }
}

void FindAnchors(int field, const char* text, size_t length)
{
    const Index& x = g_index;
    if (x.used[field][ANCHOR_EXACT]) {
        int32_t node = x.roots[field][ANCHOR_EXACT];
        for (size_t k = 0; k < length && node >= 0; k++) node = Child(node, (uint8_t)text[k]);
        if (node >= 0) Emit(node);
    }
    if (x.used[field][ANCHOR_PREFIX]) {
        int32_t node = x.roots[field][ANCHOR_PREFIX];
        for (size_t k = 0; k < length; k++) {
            node = Child(node, (uint8_t)text[k]);
            if (node < 0) break;
            Emit(node);
        }
    }
    if (x.used[field][ANCHOR_SUFFIX]) {
        int32_t node = x.roots[field][ANCHOR_SUFFIX];
        for (size_t k = length; k > 0; k--) {
            node = Child(node, (uint8_t)text[k - 1]);
            if (node < 0) break;
            Emit(node);
        }
    }
    if (x.used[field][ANCHOR_CONTAINS]) {
        int32_t root = x.roots[field][ANCHOR_CONTAINS];
        int32_t node = root;
        for (size_t k = 0; k < length; k++) {
            uint8_t c = (uint8_t)text[k];
            int32_t next = Child(node, c);
            while (next < 0 && node != root) {
                node = x.nodes[node].fail;
                next = Child(node, c);
            }
            node = next >= 0 ? next : root;
            for (int32_t t = x.nodes[node].postings >= 0 ? node : x.nodes[node].output; t >= 0;
                 t = x.nodes[t].output)
                Emit(t);
        }
    }
}

}  // namespace

void MarkRulesChanged(Profile* profile)
{
    if (profile) profile->rulesGeneration = (uint32_t)InterlockedIncrement(&g_generations);
}

void BeginRuleMatching(Profile* profile)
{
    g_bracket.profile = profile;
    g_bracket.thread = GetCurrentThreadId();
    g_bracket.checked = false;
    g_bracket.busy = false;
}

void EndRuleMatching()
{
    g_bracket = Bracket{};
}

bool BeginIndexedLookup(Profile* profile)
{
    if (!profile || !profile->pRules || g_bracket.profile != profile || g_bracket.busy ||
        g_bracket.thread != GetCurrentThreadId())
        return false;
    if (!Refresh(profile)) return false;
    g_bracket.busy = true;
    return true;
}

void EndIndexedLookup()
{
    g_bracket.busy = false;
}

RuleSubset HoldingRules(HWND window)
{
    Index& x = g_index;
    x.held.clear();
    const HolderSlot* slot = FindHolderSlot(window, false);
    for (int32_t p = slot ? slot->first : -1; p >= 0; p = x.holderPostings[p].next)
        if (x.holderPostings[p].rule < x.count) x.held.push_back(x.holderPostings[p].rule);
    return RuleSubset{x.held.data(), (int32_t)x.held.size()};
}

RuleSubset CandidateRules(const MonitoredWindow* e)
{
    Index& x = g_index;
    if (++x.stamp == 0) {
        std::fill(x.marks.begin(), x.marks.end(), 0u);
        x.stamp = 1;
    }
    x.found.clear();
    char spare[sizeof(e->title) + 1];
    size_t n = 0;
    const char* text = CriterionText(e->title, sizeof(e->title), e->titleLength, spare, &n);
    FindAnchors(0, text, n);
    text = CriterionText(e->className, sizeof(e->className), e->classLength, spare, &n);
    FindAnchors(1, text, n);
    text = CriterionText(e->program, sizeof(e->program), e->programLength, spare, &n);
    FindAnchors(2, text, n);
    std::sort(x.found.begin(), x.found.end());
    x.merged.resize(x.found.size() + x.always.size());
    std::merge(x.found.begin(), x.found.end(), x.always.begin(), x.always.end(), x.merged.begin());
    return RuleSubset{x.merged.data(), (int32_t)x.merged.size()};
}

void NoteWindowAdded(const Rule* rule, HWND window)
{
    if (!g_bracket.profile || g_bracket.thread != GetCurrentThreadId() || !SameList(g_bracket.profile)) return;
    if (rule < g_index.data || rule >= g_index.data + g_index.count) return;
    try {
        AddHolder(window, (int32_t)(rule - g_index.data));
    } catch (const std::bad_alloc&) {
        g_index.built = false;   // rebuilt at the next lookup
    }
}
