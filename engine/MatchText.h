// MatchText.h - the token tests of rule matching: is, contains, begins with,
// ends with and regular expressions. Texts are compared byte for byte.
#pragma once

#include <stddef.h>

// A separator character of 0 means the pattern is one token.
bool MatchEquals(const char* text, size_t textLength, const char* pattern, const char* patternEnd,
                 char orSep);
bool MatchContains(const char* text, const char* pattern, const char* patternEnd, char andSep,
                   char orSep);
bool MatchStartsWith(const char* text, const char* pattern, const char* patternEnd, char orSep);
// The same with the text's length given.
bool MatchContainsN(const char* text, size_t textLength, const char* pattern, const char* patternEnd,
                    char andSep, char orSep);
bool MatchStartsWithN(const char* text, size_t textLength, const char* pattern, const char* patternEnd,
                      char orSep);
bool MatchEndsWith(const char* text, size_t textLength, const char* pattern, const char* patternEnd,
                   char orSep);
// Whole-text ECMAScript match. A pattern is compiled once and kept; matching
// is safe from every thread and bounded in time and stack.
// An invalid pattern never matches; one beyond the bounds neither, and is
// logged the first time.
bool RegexMatch(const char* text, const char* pattern);
bool RegexMatchN(const char* text, size_t textLength, const char* pattern, size_t patternLength);

// Every text the pattern matches begins with its first this many characters
// (the matcher refuses other texts before running the expression).
size_t RegexLiteralPrefixLength(const char* pattern, size_t patternLength);

// Outcomes of RegexTestN.
enum RegexOutcome {
    REGEX_NO_MATCH,
    REGEX_MATCH,
    REGEX_INVALID,    // does not compile
    REGEX_TOO_COSTLY, // too long, nested or large, a back-reference, or out of steps
};
// The match without the log line. A pattern that once ran out of steps stays
// REGEX_TOO_COSTLY for every text, so it costs its bound only once.
int RegexTestN(const char* text, size_t textLength, const char* pattern, size_t patternLength);
