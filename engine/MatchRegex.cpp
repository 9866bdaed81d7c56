// MatchRegex.cpp - regular expressions of rules: a shared cache of compiled
// patterns, and a match bounded in time and stack.
#include "engine/MatchText.h"

#include "engine/Log.h"

#include <string.h>
#include <windows.h>

#include <atomic>
#include <iterator>
#include <memory>
#include <regex>
#include <string>
#include <unordered_map>

// The standard library's default matcher backtracks: "(a*)*b" on 30 "a"s
// never ends, and it recurses once per character, so nested groups on a long
// title overflow the stack. Patterns are compiled in its polynomial mode
// instead (a breadth-first automaton whose recursion is bounded by the size of
// the automaton, not of the text; it refuses back-references), the size and
// nesting of a pattern are bounded before compiling (compiling recurses per
// group and per term), and each match runs on a step budget.

namespace {

const size_t kMaxPatternLength = 1024;   // more than any rule field holds
const int kMaxNesting = 32;              // groups inside groups
const uint32_t kMaxStates = 2000;        // estimated automaton states
// Steps are iterator operations. Between two steps the matcher may walk every
// state once, so the budget shrinks as the automaton grows.
const uint32_t kMaxSteps = 1000000;
const uint64_t kMaxStepStates = 200000000;

//--- shape of a pattern

struct ShapeGroup {
    uint64_t alternatives;   // states of the finished alternatives
    uint64_t sequence;       // states of the alternative being read
    uint64_t last;           // states of the last term, 0 when none
    uint64_t overhead;       // states the group itself adds
};

uint64_t Saturated(uint64_t n)
{
    const uint64_t kCap = (uint64_t)1 << 40;
    return n < kCap ? n : kCap;
}

// The count of a "{n,m}" at p: 0-9 digits, saturating. Moves p behind them.
uint64_t ReadCount(const char*& p, const char* end, bool* any)
{
    uint64_t n = 0;
    *any = false;
    for (; p < end && *p >= '0' && *p <= '9'; p++) {
        n = Saturated(n * 10 + (uint64_t)(*p - '0'));
        *any = true;
    }
    return n;
}

// The states a repeat of a term of `term` states makes, as the library builds
// it: the term is copied once per repetition, and the original stays.
// p points behind the quantifier character; a lazy "?" is consumed.
uint64_t RepeatStates(uint64_t term, const char*& p, const char* end, char q)
{
    uint64_t states = term + 2;
    if (q == '{') {
        bool digits = false, open = false;
        uint64_t min = ReadCount(p, end, &digits), max = min;
        if (p < end && *p == ',') {
            p++;
            max = ReadCount(p, end, &digits);
            open = !digits;
        }
        if (p < end && *p == '}') p++;
        if (open) max = min + 1;
        if (max < min) max = min;
        states = Saturated(Saturated((max + 1) * term) + (max - min) + 2);
    }
    if (p < end && *p == '?') p++;
    return states;
}

// Past a bracket expression that starts at p ("["); its "[:name:]" parts
// and escapes included.
const char* SkipBracket(const char* p, const char* end)
{
    p++;
    if (p < end && *p == '^') p++;
    while (p < end && *p != ']') {
        if (*p == '\\') {
            p += 2;
        } else if (*p == '[' && p + 1 < end && strchr(":.=", p[1])) {
            char kind = p[1];
            p += 2;
            while (p + 1 < end && !(p[0] == kind && p[1] == ']')) p++;
            p += 2;
        } else {
            p++;
        }
    }
    return p < end ? p + 1 : end;
}

// True when the pattern is short and shallow enough to compile without deep
// recursion and makes an automaton of at most kMaxStates states (an upper
// estimate); *states receives the estimate. The grammar itself is left to the
// library: a pattern it refuses is simply estimated.
bool PatternShapeFits(const std::string& pattern, uint64_t* states)
{
    *states = 0;
    if (pattern.size() > kMaxPatternLength) return false;
    ShapeGroup groups[kMaxNesting + 1] = {};
    int depth = 0;
    groups[0].overhead = 4;   // start, whole-match group, accept
    const char* p = pattern.data();
    const char* end = p + pattern.size();
    while (p < end) {
        ShapeGroup& g = groups[depth];
        char c = *p++;
        uint64_t term = 1;
        switch (c) {
        case '\\':
            if (p < end) p++;
            break;
        case '[':
            p = SkipBracket(p - 1, end);
            break;
        case '(':
            if (depth == kMaxNesting) return false;
            groups[++depth] = {0, 0, 0, 2};
            if (p + 1 < end && *p == '?' && strchr(":=!", p[1])) {
                if (p[1] == ':') groups[depth].overhead = 1;
                p += 2;
            }
            continue;
        case ')':
            if (depth > 0) {
                term = Saturated(g.alternatives + g.sequence + 1 + g.overhead);
                depth--;
            }
            break;
        case '|':
            g.alternatives = Saturated(g.alternatives + g.sequence + 3);
            g.sequence = 0;
            g.last = 0;
            continue;
        case '*':
        case '+':
        case '?':
        case '{':
            if (g.last) {
                uint64_t repeated = RepeatStates(g.last, p, end, c);
                g.sequence = Saturated(g.sequence - g.last + repeated);
                g.last = repeated;
                continue;
            }
            break;   // nothing to repeat: the library refuses it
        }
        ShapeGroup& h = groups[depth];
        h.sequence = Saturated(h.sequence + term);
        h.last = term;
    }
    uint64_t total = 0;
    for (int d = depth; d >= 0; d--)
        total = Saturated(total + groups[d].alternatives + groups[d].sequence + 1 + groups[d].overhead);
    *states = total;
    return total <= kMaxStates;
}

//--- a text iterator that spends a budget

struct StepsSpent {};

struct StepBudget {
    uint32_t left;
};

// Every read, move and comparison of the matcher's position costs a step;
// the last one throws StepsSpent out of the matcher.
class BudgetIterator {
public:
    using iterator_category = std::bidirectional_iterator_tag;
    using value_type = char;
    using difference_type = ptrdiff_t;
    using pointer = const char*;
    using reference = const char&;

    BudgetIterator() = default;
    BudgetIterator(const char* at, StepBudget* budget) : at_(at), budget_(budget) {}

    reference operator*() const
    {
        Spend();
        return *at_;
    }
    BudgetIterator& operator++()
    {
        Spend();
        ++at_;
        return *this;
    }
    BudgetIterator operator++(int)
    {
        BudgetIterator before = *this;
        ++*this;
        return before;
    }
    BudgetIterator& operator--()
    {
        Spend();
        --at_;
        return *this;
    }
    BudgetIterator operator--(int)
    {
        BudgetIterator before = *this;
        --*this;
        return before;
    }
    friend bool operator==(const BudgetIterator& a, const BudgetIterator& b)
    {
        a.Spend();
        return a.at_ == b.at_;
    }
    friend bool operator!=(const BudgetIterator& a, const BudgetIterator& b) { return !(a == b); }

private:
    void Spend() const
    {
        if (budget_->left == 0) throw StepsSpent();
        budget_->left--;
    }
    const char* at_ = nullptr;
    StepBudget* budget_ = nullptr;
};

//--- compiled patterns

struct CompiledPattern {
    bool compiled = false;
    int refusal = REGEX_INVALID;   // when not compiled: REGEX_INVALID or REGEX_TOO_COSTLY
    std::regex expression;
    std::string prefix;   // every text the pattern matches begins with it
    uint32_t steps = 0;   // budget of one match
    mutable std::atomic<bool> outOfSteps{false};
    mutable std::atomic<bool> reported{false};
};

std::string LiteralPrefix(const std::string& pattern)
{
    return pattern.substr(0, RegexLiteralPrefixLength(pattern.data(), pattern.size()));
}

void CompileInto(CompiledPattern* c, const std::string& pattern)
{
    uint64_t states = 0;
    if (!PatternShapeFits(pattern, &states)) {
        c->refusal = REGEX_TOO_COSTLY;
        return;
    }
    try {
        c->expression = std::regex(pattern, std::regex::ECMAScript | std::regex_constants::__polynomial);
        c->prefix = LiteralPrefix(pattern);
        uint64_t steps = kMaxStepStates / (states ? states : 1);
        c->steps = (uint32_t)(steps < kMaxSteps ? steps : kMaxSteps);
        c->compiled = true;
    } catch (const std::regex_error& e) {
        // Back-references and automata past the library's own limit.
        bool costly = e.code() == std::regex_constants::error_complexity ||
                      e.code() == std::regex_constants::error_space;
        c->refusal = costly ? REGEX_TOO_COSTLY : REGEX_INVALID;
    } catch (...) {
        c->refusal = REGEX_INVALID;
    }
}

// One cache for every thread, guarded by a lock. Matching uses a compiled
// expression only through const calls, which may run on several threads at
// once; an entry stays alive while a match holds it.
struct PatternCache {
    SRWLOCK lock = SRWLOCK_INIT;
    std::unordered_map<std::string, std::shared_ptr<const CompiledPattern>> patterns;
};

PatternCache g_cache;
const size_t kCacheLimit = 1024;

std::shared_ptr<const CompiledPattern> Compile(const std::string& pattern)
{
    AcquireSRWLockShared(&g_cache.lock);
    auto it = g_cache.patterns.find(pattern);
    std::shared_ptr<const CompiledPattern> found = it != g_cache.patterns.end() ? it->second : nullptr;
    ReleaseSRWLockShared(&g_cache.lock);
    if (found) return found;

    std::shared_ptr<CompiledPattern> c = std::make_shared<CompiledPattern>();
    CompileInto(c.get(), pattern);
    AcquireSRWLockExclusive(&g_cache.lock);
    if (g_cache.patterns.size() >= kCacheLimit) g_cache.patterns.clear();
    g_cache.patterns.emplace(pattern, c);
    ReleaseSRWLockExclusive(&g_cache.lock);
    return c;
}

int Evaluate(const CompiledPattern* c, const char* text, size_t textLength)
{
    if (!c->compiled) return c->refusal;
    if (c->outOfSteps.load(std::memory_order_relaxed)) return REGEX_TOO_COSTLY;
    const std::string& prefix = c->prefix;
    if (prefix.size() > textLength || memcmp(text, prefix.data(), prefix.size()) != 0) return REGEX_NO_MATCH;
    StepBudget budget = {c->steps};
    try {
        BudgetIterator first(text, &budget), last(text + textLength, &budget);
        return std::regex_match(first, last, c->expression) ? REGEX_MATCH : REGEX_NO_MATCH;
    } catch (...) {
        // Out of steps, or of memory: either way this pattern costs too much.
        c->outOfSteps.store(true, std::memory_order_relaxed);
        return REGEX_TOO_COSTLY;
    }
}

}  // namespace

// The literal characters a pattern must begin with, so that most texts are
// refused before the expression runs. Alternation anywhere, or a quantifier
// on the last literal, shortens or voids the prefix.
size_t RegexLiteralPrefixLength(const char* pattern, size_t patternLength)
{
    if (memchr(pattern, '|', patternLength)) return 0;
    static const char kSpecial[] = "\\^$.|?*+()[]{}";
    size_t n = 0;
    while (n < patternLength && !strchr(kSpecial, pattern[n])) n++;
    if (n < patternLength && strchr("?*+{", pattern[n]) && n > 0) n--;
    return n;
}

// The outcome and, when asked, the compiled pattern it came from.
static int TestPattern(const char* text, size_t textLength, const char* pattern, size_t patternLength,
                       std::shared_ptr<const CompiledPattern>* used)
{
    try {
        std::shared_ptr<const CompiledPattern> c = Compile(std::string(pattern, patternLength));
        int outcome = Evaluate(c.get(), text, textLength);
        if (used) *used = std::move(c);
        return outcome;
    } catch (...) {
        return REGEX_INVALID;   // no memory for the pattern's copy or the cache
    }
}

int RegexTestN(const char* text, size_t textLength, const char* pattern, size_t patternLength)
{
    return TestPattern(text, textLength, pattern, patternLength, nullptr);
}

bool RegexMatchN(const char* text, size_t textLength, const char* pattern, size_t patternLength)
{
    std::shared_ptr<const CompiledPattern> c;
    int outcome = TestPattern(text, textLength, pattern, patternLength, &c);
    if (outcome == REGEX_TOO_COSTLY && c && !c->reported.exchange(true))
        LogLine("RUL: REGEX(%.*s) is too costly to match and counts as no match", (int)patternLength, pattern);
    return outcome == REGEX_MATCH;
}

bool RegexMatch(const char* text, const char* pattern)
{
    return RegexMatchN(text, strlen(text), pattern, strlen(pattern));
}
