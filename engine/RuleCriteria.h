// RuleCriteria.h - the texts a rule's criteria compare: a window's field and
// a rule's pattern, clamped to what the field really holds. Shared by the
// matcher and the rule index, which must read them alike.
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <string.h>

// Length of a text, looking at most limit bytes. Inline: it runs for every
// rule and window.
inline size_t ClampedLength(const char* text, size_t limit)
{
    size_t n = 0;
    while (n < limit && text[n]) n++;
    return n;
}

// A field's text as the token tests need it: the stored length clamped to
// what the field holds, NUL-terminated (copied into spare when the field is
// full or the length stops short). spare holds cap + 1 bytes.
inline const char* CriterionText(const char* field, size_t cap, int32_t storedLength, char* spare, size_t* length)
{
    size_t limit = storedLength < 0 ? 0 : ((size_t)storedLength < cap ? (size_t)storedLength : cap);
    size_t n = ClampedLength(field, limit);
    *length = n;
    if (n < cap && field[n] == '\0') return field;
    memcpy(spare, field, n);
    spare[n] = '\0';
    return spare;
}

// A pattern's length: the stored one clamped to the field's text.
inline size_t PatternLength(const char* pattern, size_t cap, int16_t storedLength)
{
    if (storedLength < 0) return 0;
    return ClampedLength(pattern, (size_t)storedLength < cap ? (size_t)storedLength : cap);
}
