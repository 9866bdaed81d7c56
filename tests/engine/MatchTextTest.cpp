// MatchTextTest.cpp - the token tests and regular expressions of rule matching.
#include "engine/MatchText.h"

#include <gtest/gtest.h>

#include <string.h>
#include <thread>

namespace {
enum Mode { IS, CONTAINS, BEGINS, ENDS };

bool RunTokenTest(Mode mode, const char* text, const char* pattern, char andSep, char orSep)
{
    const char* end = pattern + strlen(pattern);
    switch (mode) {
    case IS: return MatchEquals(text, strlen(text), pattern, end, orSep);
    case CONTAINS: return MatchContains(text, pattern, end, andSep, orSep);
    case BEGINS: return MatchStartsWith(text, pattern, end, orSep);
    case ENDS: return MatchEndsWith(text, strlen(text), pattern, end, orSep);
    }
    return false;
}
}  // namespace

TEST(MatchText, TokenTests)
{
    struct Case {
        Mode mode;
        const char* text;
        const char* pattern;
        char andSep, orSep;
        bool want;
    } cases[] = {
        {IS, "a", "a|b", '&', '|', true},
        {IS, "b", "a|b", '&', '|', true},
        {IS, "ab", "a|b", '&', '|', false},
        {IS, "a|b", "a|b", 0, 0, true},           // no separator: one token
        {IS, "", "", '&', '|', true},             // empty token matches only an empty text
        {IS, "x", "", '&', '|', false},
        {IS, "", "a|", '&', '|', true},           // trailing empty token
        {IS, "Notepad", "notepad", 0, '|', false},  // case matters
        {CONTAINS, "xz", "x|y&z", '&', '|', true},
        {CONTAINS, "yz", "x|y&z", '&', '|', true},
        {CONTAINS, "xy", "x|y&z", '&', '|', false},
        {CONTAINS, "anything", "", '&', '|', true},
        {CONTAINS, "abc", "b&&c", '&', '|', true},  // an empty group holds
        {CONTAINS, "ab", "abc", '&', '|', false},
        {BEGINS, "Untitled - Notepad", "Untitled|New", '&', '|', true},
        {BEGINS, "New file", "Untitled|New", '&', '|', true},
        {BEGINS, "Un", "Untitled", '&', '|', false},
        {BEGINS, "x", "", '&', '|', true},
        {ENDS, "Untitled - Notepad", "Word|Notepad", '&', '|', true},
        {ENDS, "pad", "Notepad", '&', '|', false},
        {ENDS, "x", "|zz", '&', '|', true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("text '") + c.text + "' pattern '" + c.pattern + "' mode " +
                     std::to_string(c.mode));
        EXPECT_EQ(c.want, RunTokenTest(c.mode, c.text, c.pattern, c.andSep, c.orSep));
    }
}

TEST(MatchText, RegexIsWholeTextAndSafe)
{
    EXPECT_TRUE(RegexMatch("Document 12 - Editor", "Document [0-9]+ - .*"));
    EXPECT_FALSE(RegexMatch("My Document 12 - Editor", "Document [0-9]+ - .*")) << "whole text";
    EXPECT_FALSE(RegexMatch("anything", "([unclosed")) << "invalid pattern never matches";
    EXPECT_FALSE(RegexMatch("anything", "([unclosed")) << "and still not the second time";
    EXPECT_TRUE(RegexMatch("", ""));
    EXPECT_TRUE(RegexMatch("abc", "a.c"));
    EXPECT_TRUE(RegexMatchN("abcdef", 3, "a.c", 3)) << "bounded by the given lengths";
}

TEST(MatchText, RegexFromManyThreadsAtOnce)
{
    bool ok[8] = {};
    std::thread threads[8];
    for (int t = 0; t < 8; t++) {
        threads[t] = std::thread([t, &ok] {
            bool all = true;
            for (int i = 0; i < 300; i++) {
                std::string text = "Window " + std::to_string(i + t);
                all = all && RegexMatch(text.c_str(), "Window [0-9]+");
                all = all && !RegexMatch(text.c_str(), "Door [0-9]+");
            }
            ok[t] = all;
        });
    }
    for (auto& th : threads) th.join();
    for (int t = 0; t < 8; t++) EXPECT_TRUE(ok[t]) << t;
}
