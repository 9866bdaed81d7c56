// MatchTextTest.cpp - the token tests and regular expressions of rule matching.
#include "engine/Engine.h"
#include "engine/Log.h"
#include "engine/MatchText.h"
#include "engine/OptionsRecord.h"
#include "engine/ProfileRecord.h"
#include "framework/core/TextUtil.h"
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

#include <string.h>
#include <regex>
#include <string>
#include <thread>
#include <vector>

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

// Patterns that need no back-reference give what the backtracking matcher of
// the standard library gave; each row is also checked against it.
TEST(MatchText, RegexGivesTheBacktrackingResults)
{
    struct Case {
        const char* pattern;
        const char* text;
        bool want;
    } cases[] = {
        {"Document [0-9]+ - .*", "Document 12 - Editor", true},
        {"Document [0-9]+ - .*", "My Document 12 - Editor", false},
        {"Document [0-9]+ - .*", "Document - Editor", false},
        {".*(Notepad|WordPad)$", "Untitled - WordPad", true},
        {".*(Notepad|WordPad)$", "Untitled - Notepad++", false},
        {"notepad", "Notepad", false},
        {"[^0-9]*", "No digits here", true},
        {"[^0-9]*", "Room 101", false},
        {"\\d{2,3}-\\w+\\s?", "42-abc ", true},
        {"\\d{2,3}-\\w+\\s?", "4242-abc", false},
        {"a{3}", "aaa", true},
        {"a{3}", "aaaa", false},
        {"a{2,}b", "aaaaab", true},
        {"(?:ab)+", "ababab", true},
        {"(?:ab)+", "ababa", false},
        {"x.*?y", "x123y", true},
        {"a.c", "a\nc", false},
        {"\\.exe", ".exe", true},
        {"\\.exe", "xexe", false},
        {"(?=.*Report).*2024.*", "2024 Annual Report", true},
        {"(?!.*Draft).*Report", "Draft Report", false},
        {".*\\bReport\\b.*", "The Report.", true},
        {".*\\bReport\\b.*", "Reporter", false},
        {"[[:upper:]][[:lower:]]+", "Window", true},
        {"[[:upper:]][[:lower:]]+", "window", false},
        {"^Start|End$", "End", true},
        {"(a|b)*c", "ababc", true},
        {"\\x41\\u0042", "AB", true},
        {"", "", true},
        {"", "x", false},
        {"([unclosed", "([unclosed", false},
        {"a{2,1}", "aa", false},
        {"*a", "a", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("pattern '") + c.pattern + "' text '" + c.text + "'");
        bool backtracking = false;
        try {
            backtracking = std::regex_match(c.text, std::regex(c.pattern, std::regex::ECMAScript));
        } catch (...) {
        }
        EXPECT_EQ(c.want, backtracking) << "the table itself";
        EXPECT_EQ(c.want, RegexMatch(c.text, c.pattern));
        int outcome = RegexTestN(c.text, strlen(c.text), c.pattern, strlen(c.pattern));
        EXPECT_NE(REGEX_TOO_COSTLY, outcome);
    }
}

namespace {

struct BoundCase {
    std::string pattern;
    char fill;     // the text: length times fill
    int length;
    int want;      // RegexOutcome
    const char* why;
};

const size_t kStackPainted = 768 * 1024;

// Fills the stack below the caller with a mark, page by page from the top so
// each guard page is met in order; returns the lowest painted byte.
__attribute__((noinline)) unsigned char* PaintStack()
{
    unsigned char* top = (unsigned char*)__builtin_frame_address(0) - 4096;
    unsigned char* low = top - kStackPainted;
    for (unsigned char* p = top; p > low; p -= 4096) *(volatile unsigned char*)p = 0xA5;
    for (unsigned char* p = top; p > low; p--) *(volatile unsigned char*)p = 0xA5;
    return low + 1;
}

// Runs every case on a thread of its own and measures the stack the cases
// used: the outcomes, or none when the thread died.
std::vector<int> OutcomesAndStack(const std::vector<BoundCase>& cases, size_t* stackUsed)
{
    struct Work {
        const std::vector<BoundCase>* cases;
        std::vector<int> outcomes;
        size_t used;
    } work = {&cases, {}, 0};
    HANDLE thread = CreateThread(
        nullptr, 1024 * 1024,
        [](void* arg) -> DWORD {
            Work* w = (Work*)arg;
            unsigned char* low = PaintStack();
            for (const BoundCase& c : *w->cases) {
                std::string text(c.length, c.fill);
                w->outcomes.push_back(RegexTestN(text.data(), text.size(), c.pattern.data(), c.pattern.size()));
            }
            size_t untouched = 0;
            while (untouched < kStackPainted - 1 && low[untouched] == 0xA5) untouched++;
            w->used = kStackPainted - untouched;
            return 0;
        },
        &work, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    if (!thread) return {};
    WaitForSingleObject(thread, 120000);
    DWORD code = STILL_ACTIVE;
    GetExitCodeThread(thread, &code);
    CloseHandle(thread);
    *stackUsed = work.used;
    return code == 0 ? work.outcomes : std::vector<int>();
}

std::string Repeat(const std::string& s, int n)
{
    std::string out;
    for (int i = 0; i < n; i++) out += s;
    return out;
}

}  // namespace

// Catastrophic patterns end, as no match, in bounded stack; the same
// automata still match what they should.
TEST(MatchText, HostileRegexEndsAsNoMatch)
{
    const std::string nested = "((((((((((a))))))))))*";
    std::vector<BoundCase> cases = {
        {"(a*)*b", 'a', 18, REGEX_NO_MATCH, "backtracking took 19.5 s"},
        {"(a*)*b", 'a', 30, REGEX_NO_MATCH, "backtracking never ended"},
        {"(a*)*b", 'a', 1000, REGEX_NO_MATCH, "long title"},
        {"(a*)*", 'a', 1000, REGEX_MATCH, "the same automaton still matches"},
        {nested + "b", 'a', 30, REGEX_NO_MATCH, "nested groups"},
        {nested + "b", 'a', 1000, REGEX_NO_MATCH, "nested groups overflowed the stack"},
        {nested, 'a', 1000, REGEX_MATCH, "nested groups still match"},
        {"(?:a|a)*b", 'a', 1000, REGEX_NO_MATCH, "overlapping alternatives"},
        {"(?:(?=.*a).)*b", 'a', 30, REGEX_NO_MATCH, "a look-ahead per character: short title"},
        {"(?:(?=.*a).)*b", 'a', 1000, REGEX_TOO_COSTLY, "a look-ahead per character: out of steps"},
        {"(?:(?!(?:(?!.*b).)*b).)*b", 'a', 1000, REGEX_TOO_COSTLY, "nested look-aheads"},
        {"((a?)?){150}x", 'a', 1000, REGEX_NO_MATCH, "a deep chain of empty steps, within the limits"},
        {"(?:(a)?\?){200}x", 'a', 1000, REGEX_NO_MATCH, "a deep lazy chain, within the limits"},
        {std::string(1024, 'a'), 'a', 1024, REGEX_MATCH, "the longest pattern compiles"},
        {Repeat("(", 32) + std::string(900, 'a') + Repeat(")", 32), 'a', 900, REGEX_MATCH,
         "the deepest nesting compiles"},
        {Repeat("(?=", 32) + ".*" + Repeat(")", 32) + "a*", 'a', 1000, REGEX_MATCH,
         "the deepest look-aheads"},
    };
    size_t stackUsed = 0;
    std::vector<int> outcomes = OutcomesAndStack(cases, &stackUsed);
    ASSERT_EQ(cases.size(), outcomes.size()) << "the matching thread died";
    for (size_t i = 0; i < cases.size(); i++)
        EXPECT_EQ(cases[i].want, outcomes[i]) << "row " << i << ": " << cases[i].why;
    // The program's threads have 2 MB: matching keeps to a quarter of that.
    EXPECT_LT(stackUsed, 512u * 1024u);
    RecordProperty("regexStackBytes", (int)stackUsed);
}

// Beyond each bound a pattern is refused as too costly; just inside it is not.
TEST(MatchText, RegexBoundsRefuseWhatTheyCannotHold)
{
    struct Case {
        std::string pattern;
        std::string text;
        int want;
        const char* why;
    } cases[] = {
        {std::string(1024, 'a'), std::string(1024, 'a'), REGEX_MATCH, "length 1024"},
        {std::string(1025, 'a'), std::string(1025, 'a'), REGEX_TOO_COSTLY, "length 1025"},
        {Repeat("(", 32) + "a" + Repeat(")", 32), "a", REGEX_MATCH, "32 groups deep"},
        {Repeat("(", 33) + "a" + Repeat(")", 33), "a", REGEX_TOO_COSTLY, "33 groups deep"},
        {"a{1500}", std::string(1500, 'a'), REGEX_MATCH, "1500 copies"},
        {"a{3000}", std::string(3000, 'a'), REGEX_TOO_COSTLY, "3000 copies"},
        {"(?:a{40}){40}", std::string(1600, 'a'), REGEX_MATCH, "40 times 40 copies"},
        {"(?:a{50}){50}", std::string(2500, 'a'), REGEX_TOO_COSTLY, "50 times 50 copies"},
        {"(a)\\1", "aa", REGEX_TOO_COSTLY, "a back-reference cannot be bounded"},
        {"([unclosed", "x", REGEX_INVALID, "invalid"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(c.want, RegexTestN(c.text.data(), c.text.size(), c.pattern.data(), c.pattern.size()));
        EXPECT_EQ(c.want == REGEX_MATCH, RegexMatchN(c.text.data(), c.text.size(), c.pattern.data(),
                                                    c.pattern.size()));
    }

    // A pattern that ran out of steps once costs nothing more, and matches
    // nothing. (A pattern of its own: the cache lives as long as the process.)
    const char* pattern = "(?:(?=.*a).)*(b)";
    std::string longTitle(1000, 'a');
    EXPECT_EQ(REGEX_MATCH, RegexTestN("aab", 3, pattern, strlen(pattern)));
    EXPECT_EQ(REGEX_TOO_COSTLY, RegexTestN(longTitle.data(), longTitle.size(), pattern, strlen(pattern)));
    EXPECT_EQ(REGEX_TOO_COSTLY, RegexTestN("aab", 3, pattern, strlen(pattern)));
    EXPECT_FALSE(RegexMatch("aab", pattern));
}

TEST(MatchText, CostlyRegexIsLoggedOnce)
{
    std::string folder = FreshFolderForThisTest();
    std::string path = folder + "\\PanelShepherd.log";
    CopyText(g_logPath, sizeof(g_logPath), path.c_str());
    SerializeOptions(0);
    g_logWindow = nullptr;
    Options.bMonLogToFile = 1;
    const char* costly = "(x)\\1 logged once";
    for (int i = 0; i < 3; i++) EXPECT_FALSE(RegexMatch("xx logged once", costly));
    EXPECT_FALSE(RegexMatch("x", "([invalid, not logged"));
    Options.bMonLogToFile = 0;
    g_logPath[0] = '\0';
    std::string log = ReadWholeFile(path);
    std::string line = std::string("REGEX(") + costly + ")";
    size_t first = log.find(line);
    EXPECT_NE(std::string::npos, first) << log;
    EXPECT_EQ(std::string::npos, log.find(line, first + 1)) << log;
    EXPECT_EQ(std::string::npos, log.find("invalid, not logged")) << log;
}
