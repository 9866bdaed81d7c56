// MatchText.cpp - token tests and the per-thread regular-expression cache.
#include "engine/MatchText.h"

#include <string.h>
#include <windows.h>

#include <memory>
#include <regex>
#include <string>
#include <unordered_map>

// Rules are tested against every window, many times a second: these loops
// stay inline and never measure a text whose length is already known.

// Next token of [p, end): up to the separator or the end.
static inline const char* TokenEnd(const char* p, const char* end, char sep)
{
    if (sep)
        for (const char* s = p; s < end; s++)
            if (*s == sep) return s;
    return end;
}

static inline bool SameBytes(const char* a, const char* b, size_t n)
{
    for (size_t i = 0; i < n; i++)
        if (a[i] != b[i]) return false;
    return true;
}

static inline bool ContainsToken(const char* text, size_t textLength, const char* token, size_t n)
{
    if (n == 0) return true;
    if (n > textLength) return false;
    const char first = token[0];
    for (size_t i = 0, last = textLength - n; i <= last; i++)
        if (text[i] == first && SameBytes(text + i + 1, token + 1, n - 1)) return true;
    return false;
}

bool MatchEquals(const char* text, size_t textLength, const char* pattern, const char* patternEnd,
                 char orSep)
{
    for (const char* p = pattern;;) {
        const char* e = TokenEnd(p, patternEnd, orSep);
        size_t n = (size_t)(e - p);
        if (n == textLength && SameBytes(p, text, n)) return true;
        if (e >= patternEnd) return false;
        p = e + 1;
    }
}

bool MatchContainsN(const char* text, size_t textLength, const char* pattern, const char* patternEnd,
                    char andSep, char orSep)
{
    for (const char* g = pattern;;) {
        const char* groupEnd = TokenEnd(g, patternEnd, andSep);
        bool groupHolds = false;
        for (const char* p = g;;) {
            const char* e = TokenEnd(p, groupEnd, orSep);
            if (ContainsToken(text, textLength, p, (size_t)(e - p))) {
                groupHolds = true;
                break;
            }
            if (e >= groupEnd) break;
            p = e + 1;
        }
        if (!groupHolds) return false;
        if (groupEnd >= patternEnd) return true;
        g = groupEnd + 1;
    }
}

bool MatchContains(const char* text, const char* pattern, const char* patternEnd, char andSep,
                   char orSep)
{
    return MatchContainsN(text, strlen(text), pattern, patternEnd, andSep, orSep);
}

bool MatchStartsWithN(const char* text, size_t textLength, const char* pattern, const char* patternEnd,
                      char orSep)
{
    for (const char* p = pattern;;) {
        const char* e = TokenEnd(p, patternEnd, orSep);
        size_t n = (size_t)(e - p);
        if (n <= textLength && SameBytes(text, p, n)) return true;
        if (e >= patternEnd) return false;
        p = e + 1;
    }
}

bool MatchStartsWith(const char* text, const char* pattern, const char* patternEnd, char orSep)
{
    return MatchStartsWithN(text, strlen(text), pattern, patternEnd, orSep);
}

bool MatchEndsWith(const char* text, size_t textLength, const char* pattern, const char* patternEnd,
                   char orSep)
{
    for (const char* p = pattern;;) {
        const char* e = TokenEnd(p, patternEnd, orSep);
        size_t n = (size_t)(e - p);
        if (n <= textLength && SameBytes(text + textLength - n, p, n)) return true;
        if (e >= patternEnd) return false;
        p = e + 1;
    }
}

namespace {

struct CompiledPattern {
    bool valid = false;
    std::regex expression;
    std::string prefix;   // every text the pattern matches begins with it
};

// The literal characters a pattern must begin with, so that most texts are
// refused before the expression runs. Alternation anywhere, or a quantifier
// on the last literal, shortens or voids the prefix.
std::string LiteralPrefix(const std::string& pattern)
{
    if (pattern.find('|') != std::string::npos) return std::string();
    static const char kSpecial[] = "\\^$.|?*+()[]{}";
    size_t n = 0;
    while (n < pattern.size() && !strchr(kSpecial, pattern[n])) n++;
    if (n < pattern.size() && strchr("?*+{", pattern[n]) && n > 0) n--;
    return pattern.substr(0, n);
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
    try {
        c->expression = std::regex(pattern, std::regex::ECMAScript);
        c->prefix = LiteralPrefix(pattern);
        c->valid = true;
    } catch (...) {
        c->valid = false;
    }
    AcquireSRWLockExclusive(&g_cache.lock);
    if (g_cache.patterns.size() >= kCacheLimit) g_cache.patterns.clear();
    g_cache.patterns.emplace(pattern, c);
    ReleaseSRWLockExclusive(&g_cache.lock);
    return c;
}

}  // namespace

bool RegexMatchN(const char* text, size_t textLength, const char* pattern, size_t patternLength)
{
    try {
        std::shared_ptr<const CompiledPattern> c = Compile(std::string(pattern, patternLength));
        if (!c->valid) return false;
        const std::string& prefix = c->prefix;
        if (prefix.size() > textLength || memcmp(text, prefix.data(), prefix.size()) != 0) return false;
        return std::regex_match(text, text + textLength, c->expression);
    } catch (...) {
        return false;   // includes a match that runs out of stack or complexity
    }
}

bool RegexMatch(const char* text, const char* pattern)
{
    return RegexMatchN(text, strlen(text), pattern, strlen(pattern));
}
