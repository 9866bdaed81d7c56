// MatchText.cpp - the token tests: is, contains, begins with, ends with.
#include "engine/MatchText.h"

#include <string.h>

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
