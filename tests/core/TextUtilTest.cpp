// TextUtilTest.cpp - bounded text, CRC-32, search, wildcard, replace and colours.
#include "framework/core/TextUtil.h"

#include <gtest/gtest.h>

#include <string>

TEST(BoundedText, CopyAppendFormatNeverOverrun)
{
    char buf[8];
    memset(buf, 'X', sizeof(buf));
    EXPECT_TRUE(CopyText(buf, sizeof(buf), "abc"));
    EXPECT_STREQ("abc", buf);
    EXPECT_FALSE(CopyText(buf, sizeof(buf), "abcdefghij"));
    EXPECT_STREQ("abcdefg", buf);
    EXPECT_TRUE(CopyText(buf, sizeof(buf), nullptr));
    EXPECT_STREQ("", buf);
    EXPECT_FALSE(CopyText(buf, 0, "a"));

    char field[4] = {'w', 'x', 'y', 'z'};   // a full field without terminator
    EXPECT_TRUE(CopyTextN(buf, sizeof(buf), field, sizeof(field)));
    EXPECT_STREQ("wxyz", buf);
    EXPECT_EQ(4u, BoundedLength(field, sizeof(field)));

    CopyText(buf, sizeof(buf), "ab");
    EXPECT_TRUE(AppendText(buf, sizeof(buf), "cd"));
    EXPECT_FALSE(AppendText(buf, sizeof(buf), "efghij"));
    EXPECT_STREQ("abcdefg", buf);
    EXPECT_FALSE(AppendText(buf, sizeof(buf), "z"));
    EXPECT_STREQ("abcdefg", buf);

    EXPECT_TRUE(FormatText(buf, sizeof(buf), "%d-%s", 12, "ab"));
    EXPECT_STREQ("12-ab", buf);
    EXPECT_FALSE(FormatText(buf, sizeof(buf), "%s", "0123456789"));
    EXPECT_STREQ("0123456", buf);

    std::string title(1024, 'T');
    char line[64];
    EXPECT_FALSE(FormatText(line, sizeof(line), "TITLE(%s)", title.c_str()));
    EXPECT_EQ(63u, strlen(line));
}

TEST(Crc32, IsTheStandardReflectedCrc)
{
    InitCrc32Table();
    EXPECT_EQ(0xCBF43926u, Crc32("123456789", 9));
    EXPECT_EQ(0xCBF43926u, Crc32("123456789", -1)) << "-1 measures the text";
    EXPECT_EQ(0u, Crc32("abc", 0));
    EXPECT_EQ(0u, Crc32("", -1));
    EXPECT_EQ(0u, Crc32(nullptr, 5));
    EXPECT_EQ(0x414FA339u, Crc32("The quick brown fox jumps over the lazy dog", -1));
    // Incremental use gives the same value as one call.
    uint32_t part = Crc32Update(0, "12345", 5);
    EXPECT_EQ(0xCBF43926u, Crc32Update(part, "6789", 4));
}

TEST(StrIStr, FindsFirstCaseInsensitiveOccurrence)
{
    const char* text = "Hello World, hello";
    EXPECT_EQ(text + 6, StrIStr(text, "WORLD"));
    EXPECT_EQ(text, StrIStr(text, "hello"));
    EXPECT_EQ(text, StrIStr(text, "")) << "empty search matches at the start";
    EXPECT_EQ(nullptr, StrIStr("", "")) << "empty text gives nothing";
    EXPECT_EQ(nullptr, StrIStr(text, "worlds"));
    EXPECT_EQ(nullptr, StrIStr("ab", "abc"));
    EXPECT_EQ(nullptr, StrIStr(nullptr, "a"));
}

TEST(WildcardMatch, Table)
{
    struct Case {
        const char* pattern;
        const char* text;
        bool want;
    } cases[] = {
        {"*.txt", "a.txt", true},   {"a?c", "ac", false},     {"*", "", true},
        {"A*", "abc", false},       {"a*", "abc", true},      {"a?c", "abc", true},
        {"", "", true},             {"", "a", false},         {"a", "", false},
        {"*b*", "abc", true},       {"*b", "abc", false},     {"**c", "abc", true},
        {"a*b*c", "aXbYc", true},   {"a*b*c", "aXbY", false}, {"?", "", false},
        {"*?", "", false},          {"*a", "banana", true},   {"b*n?n*", "banana", true},
        {"file*.LOG", "file1.log", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.pattern) + " / " + c.text);
        EXPECT_EQ(c.want, WildcardMatch(c.pattern, c.text));
    }
}

// Backtracking over every way to place 31 stars in 200 characters would take
// longer than anybody waits; the time-out only keeps a broken match from
// hanging the run.
TEST(WildcardMatch, ManyStarsStayFast)
{
    struct Job {
        std::string pattern, text;
        bool plain = true, withB = false;
    } job;
    for (int i = 0; i < 30; i++) job.pattern += "*a";
    job.pattern += "*b";
    job.text.assign(200, 'a');
    HANDLE thread = CreateThread(
        nullptr, 0,
        [](void* p) -> DWORD {
            Job* j = (Job*)p;
            j->plain = WildcardMatch(j->pattern.c_str(), j->text.c_str());
            j->withB = WildcardMatch(j->pattern.c_str(), (j->text + "b").c_str());
            return 0;
        },
        &job, 0, nullptr);
    ASSERT_NE(nullptr, thread);
    bool ended = WaitForSingleObject(thread, 60000) == WAIT_OBJECT_0;
    if (!ended) TerminateThread(thread, 1);
    CloseHandle(thread);
    ASSERT_TRUE(ended) << "backtracking went exponential";
    EXPECT_FALSE(job.plain);
    EXPECT_TRUE(job.withB);
}

TEST(FindAnyOfList, FirstWordOfTheListDecides)
{
    const char* text = "B x A";
    EXPECT_EQ(text + 4, FindAnyOfList(text, "a;b"));
    EXPECT_EQ(text, FindAnyOfList(text, ";;b;a"));
    EXPECT_EQ(nullptr, FindAnyOfList(text, "q;;z"));
    EXPECT_EQ(nullptr, FindAnyOfList(text, ""));
    EXPECT_EQ(nullptr, FindAnyOfList("", "a"));
    EXPECT_EQ(text + 2, FindAnyOfList(text, "X"));
}

TEST(TrimChars, BothEnds)
{
    struct Case {
        const char* in;
        const char* set;
        const char* want;
    } cases[] = {
        {" .x. ", " .", "x"}, {"  ", " ", ""}, {"", " ", ""}, {"a b", " ", "a b"},
        {"xxaxx", "x", "a"},  {"abc", "", "abc"},
    };
    for (const Case& c : cases) {
        char buf[32];
        CopyText(buf, sizeof(buf), c.in);
        TrimChars(buf, c.set);
        EXPECT_STREQ(c.want, buf) << "'" << c.in << "'";
    }
}

TEST(FindCharOutsideQuotes, SkipsQuotedStretches)
{
    const char* text = "a \"b,c\" , d";
    const char* p = text;
    EXPECT_TRUE(FindCharOutsideQuotes(&p, ',', true));
    EXPECT_EQ(text + 8, p);

    p = text;
    EXPECT_TRUE(FindCharOutsideQuotes(&p, ',', false));
    EXPECT_EQ(text + 4, p);

    p = text;
    EXPECT_TRUE(FindCharOutsideQuotes(&p, '"', true)) << "searching for the quote itself";
    EXPECT_EQ(text + 2, p);

    const char* open = "x \"never closed , y";
    p = open;
    EXPECT_FALSE(FindCharOutsideQuotes(&p, ',', true));
    EXPECT_EQ('\0', *p);

    p = "abc";
    EXPECT_FALSE(FindCharOutsideQuotes(&p, 'z', true));
}

TEST(ReplaceAllFixed, Table)
{
    struct Case {
        const char* text;
        int size;
        const char* search;
        const char* repl;
        bool truncate;
        int want;
        const char* result;
        const char* why;
    } cases[] = {
        {"abc", 10, "b", "12345678", false, -1, "abc", "does not fit"},
        {"abc", 10, "b", "12345678", true, 1, "a1234567c", "shortened to fit"},
        {"abc", 10, "b", "1234567", false, 1, "a1234567c", "fits exactly"},
        {"aaa", 16, "a", "aa", false, 3, "aaaaaa", "replacement is not searched again"},
        {"a-b-c", 16, "-", "", false, 2, "abc", "removing"},
        {"", 16, "a", "b", false, 0, "", "empty buffer"},
        {"abc", 16, "", "x", false, -1, "abc", "empty search would never end"},
        {"xyx", 5, "x", "zz", false, -1, "zzyx", "room runs out: the first stays made"},
        {"xyx", 5, "x", "zz", true, 2, "zzyz", "second one shortened"},
        {"hello", 16, "L", "x", false, 0, "hello", "case matters"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        char buf[32];
        CopyText(buf, sizeof(buf), c.text);
        EXPECT_EQ(c.want, ReplaceAllFixed(buf, c.size, c.search, c.repl, c.truncate));
        EXPECT_STREQ(c.result, buf);
        EXPECT_LT(strlen(buf), (size_t)c.size);
    }
    char buf[8] = "abc";
    EXPECT_EQ(-1, ReplaceAllFixed(nullptr, 8, "a", "b", false));
    EXPECT_EQ(-1, ReplaceAllFixed(buf, 8, nullptr, "b", false));
    EXPECT_EQ(-1, ReplaceAllFixed(buf, 8, "a", nullptr, false));
    char unterminated[4] = {'a', 'b', 'c', 'd'};
    EXPECT_EQ(-1, ReplaceAllFixed(unterminated, 4, "a", "b", false));
}

TEST(ReplaceAll, GrowableText)
{
    GrowArray<char> text;
    InitGrowArray(&text);
    EXPECT_EQ(1, ReplaceAll(&text, nullptr, "#TITLE# on #CLASS#")) << "null search sets";
    EXPECT_STREQ("#TITLE# on #CLASS#", text.data);

    std::string longTitle(1000, 'w');
    EXPECT_EQ(1, ReplaceAll(&text, "#TITLE#", longTitle.c_str()));
    EXPECT_EQ(longTitle + " on #CLASS#", std::string(text.data));
    EXPECT_EQ(1, ReplaceAll(&text, "#CLASS#", "Notepad"));
    EXPECT_EQ(longTitle + " on Notepad", std::string(text.data));

    EXPECT_EQ(0, ReplaceAll(&text, "#PROGRAM#", "x")) << "not found";
    EXPECT_EQ(0, ReplaceAll(&text, "", "x")) << "empty search replaces nothing";
    EXPECT_EQ(1, ReplaceAll(&text, "w", "")) << "every occurrence";
    EXPECT_STREQ(" on Notepad", text.data);

    EXPECT_EQ(1, ReplaceAll(&text, "o", "oo"));
    EXPECT_STREQ(" oon Nootepad", text.data) << "a replacement is not searched again";
    FreeGrowArray(&text);

    GrowArray<char> empty;
    InitGrowArray(&empty);
    EXPECT_EQ(0, ReplaceAll(&empty, "a", "b"));
}

TEST(Colours, RgbToHsl)
{
    struct Case {
        COLORREF colour;
        DWORD hsl;
        const char* why;
    } cases[] = {
        {RGB(255, 0, 0), 255u | (127u << 8) | (255u << 16), "pure red has hue 360"},
        {RGB(0, 255, 0), 85u | (127u << 8) | (255u << 16), "green 120 degrees"},
        {RGB(0, 0, 255), 170u | (127u << 8) | (255u << 16), "blue 240 degrees"},
        {RGB(0, 0, 0), 0u, "black"},
        {RGB(255, 255, 255), 255u << 8, "white"},
        {RGB(128, 128, 128), 128u << 8, "grey has no hue"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(c.hsl, RgbToHsl(c.colour));
    }
}

TEST(Colours, HslToRgbAndShift)
{
    double r, g, b;
    HslToRgb(&r, &g, &b, 0, 0.5, 1);
    EXPECT_DOUBLE_EQ(1.0, r);
    EXPECT_DOUBLE_EQ(0.0, g);
    EXPECT_DOUBLE_EQ(0.0, b);
    HslToRgb(&r, &g, &b, 500, 2, -1);   // clamped: grey at lightness 1
    EXPECT_DOUBLE_EQ(1.0, r);
    EXPECT_DOUBLE_EQ(1.0, g);

    // Values worked out by hand from the byte-truncating HSL steps.
    struct Case {
        COLORREF colour;
        double hue, light, sat;
        COLORREF want;
        const char* why;
    } cases[] = {
        {RGB(24, 110, 238), 0, 0, 0, RGB(24, 114, 237), "no shift: back up to truncation"},
        {RGB(255, 173, 85), 0, 0, 0, RGB(254, 172, 85), "no shift, warm colour"},
        {RGB(24, 110, 238), 0.5, -0.2, 0.1, RGB(202, 112, 5), "half turn, darker, more saturated"},
        {RGB(255, 0, 0), 1.0 / 3, 0, 0, RGB(5, 254, 0), "hue byte wraps past 255"},
        {RGB(128, 128, 128), 0, 5, 0, RGB(255, 255, 255), "lightness clamps at 255"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(c.want, ShiftColor(c.colour, c.hue, c.light, c.sat));
    }
}
