// ScriptParseTest.cpp - the statement grammar with its exact result codes, the
// date and time macros on a fixed clock, the key names KEY accepts, and the
// messages of the result codes.
#include "engine/ProductStrings.h"
#include "engine/Script.h"
#include "framework/core/AppObject.h"
#include "framework/ui/HotkeyKeys.h"

#include <gtest/gtest.h>

#include <stdlib.h>
#include <string.h>

#include <string>

namespace {

struct ArgWant {
    const char* raw;    // null: the slot is not present
    const char* text;
    int32_t integer;
    double number;
    uint8_t isNumber, percent;
};

struct ParseCase {
    const char* script;
    uint32_t result;
    int cursor;            // offset after the call; -1: the end of the text
    ArgWant args[SCRIPT_ARGUMENTS];   // slots left out must be absent
    const char* why;
};

const ParseCase kParse[] = {
    {"WAIT(500)", 0x60000, 9, {{"500", "500", 500, 500, 1, 0}}, "one number"},
    {"WAIT (500)", 0x60000, 10, {{"500", "500", 500, 500, 1, 0}}, "blank before ("},
    {"WAIT\t(5)", 0x60000, 8, {{"5", "5", 5, 5, 1, 0}}, "tab before ("},
    {"WAIT\r\n(5)", 0x60000, 9, {{"5", "5", 5, 5, 1, 0}}, "line break before ("},
    {"WAIT junk (5)", 0x60000, 13, {{"5", "5", 5, 5, 1, 0}}, "text before ( is skipped"},
    {"WAITING(500)", 0, 0, {}, "a longer word is no statement"},
    {"wait(500)", 0, 0, {}, "names are upper case"},
    {"WAIT", 0, 0, {}, "a name at the end of the text is no statement"},
    {"WAIT(08)", 0x60000, 8, {{"08", "08", 8, 8, 1, 0}}, "a leading zero is still decimal"},
    {"WAIT(010)", 0x60000, 9, {{"010", "010", 10, 10, 1, 0}}, "not octal"},
    {"WAIT(0x1F)", 0x60000, 10, {{"0x1F", "0x1F", 31, 31, 1, 0}}, "hexadecimal"},
    {"WAIT(-20)", 0x60000, 9, {{"-20", "-20", -20, -20, 1, 0}}, "negative"},
    {"WAIT(1e3)", 0x60000, 9, {{"1e3", "1e3", 1, 1000, 1, 0}}, "integer and number differ"},
    {"WAIT(  )", 0x60000, 8, {}, "blanks only: no argument"},
    {"CLOSE()", 0x90000, 7, {}, "empty list"},
    {"TYPE(\"a, b\")", 0x40000, 12, {{"\"a, b\"", "a, b", 0, 0, 0, 0}},
     "a comma inside quotes does not separate"},
    {"TYPE(\"a)b\")", 0x40000, 11, {{"\"a)b\"", "a)b", 0, 0, 0, 0}},
     "a parenthesis inside quotes does not close"},
    {"TYPE( \" padded \" )", 0x40000, 18, {{"\" padded \" ", "padded", 0, 0, 0, 0}},
     "raw keeps the quotes, text loses blanks and quotes at both ends"},
    {"MOVE(, 100)", 0xA0000, 11, {{}, {"100", "100", 100, 100, 1, 0}}, "empty first slot"},
    {"MOVE(1,,3)", 0xA0000, 10, {{"1", "1", 1, 1, 1, 0}, {}, {"3", "3", 3, 3, 1, 0}}, "empty middle slot"},
    {"MOVE(1,)", 0xA0000, 8, {{"1", "1", 1, 1, 1, 0}}, "a trailing comma adds nothing"},
    {"CLICK( 0 , 50% , 10 )", 0x30000, 21,
     {{"0 ", "0", 0, 0, 1, 0}, {"50% ", "50%", 50, 50, 1, 1}, {"10 ", "10", 10, 10, 1, 0}},
     "percent flag, raw keeps the trailing blank"},
    {"SIZE(50 %,abc)", 0xB0000, 14, {{"50 %", "50 %", 50, 50, 1, 1}, {"abc", "abc", 0, 0, 0, 0}},
     "% anywhere after the number; a word is no number"},
    {"WINDOW(\"\",\"Cls\")", 0x10000, 16, {{"\"\"", "", 0, 0, 0, 0}, {"\"Cls\"", "Cls", 0, 0, 0, 0}},
     "empty quotes are present but empty"},
    {"CLICK(1,2,3,4,5,6)", 0x30000, 18,
     {{"1", "1", 1, 1, 1, 0}, {"2", "2", 2, 2, 1, 0}, {"3", "3", 3, 3, 1, 0}, {"4", "4", 4, 4, 1, 0},
      {"5", "5", 5, 5, 1, 0}, {"6", "6", 6, 6, 1, 0}},
     "six arguments"},
    {"CLICK(1,2,3,4,5,6,7)", 0x30064, 20, {}, "seven arguments"},
    {"KEY(S+A", 0x50064, -1, {}, "no closing parenthesis"},
    {"TYPE(\"open)", 0x40064, -1, {}, "a quote never closed"},
    {"TITLE x", 0x110064, -1, {}, "no parenthesis at all"},
    {"WAIT(5)TYPE(x)", 0x60000, 7, {{"5", "5", 5, 5, 1, 0}}, "one statement per call"},
    {"; WAIT(5)\nTYPE(x)", 0, 9, {}, "a comment ends at a bare LF"},
    {"; WAIT(5)\r\nTYPE(x)", 0, 9, {}, "a comment ends at CR"},
    {"; only a comment", 0, 16, {}, "a comment to the end"},
    {"", 0x10064, 0, {}, "empty text"},
};

void ExpectArgument(const ScriptArgument& got, const ArgWant& want, int slot)
{
    SCOPED_TRACE(testing::Message() << "argument " << slot);
    if (!want.raw) {
        EXPECT_EQ(0, got.present);
        EXPECT_STREQ("", got.raw);
        return;
    }
    EXPECT_EQ(1, got.present);
    EXPECT_STREQ(want.raw, got.raw);
    EXPECT_STREQ(want.text, got.text);
    EXPECT_EQ(want.isNumber, got.isNumber);
    EXPECT_EQ(want.percent, got.percent);
    if (want.isNumber) {
        EXPECT_EQ(want.integer, got.integer);
        EXPECT_DOUBLE_EQ(want.number, got.number);
    }
}

}  // namespace

TEST(ScriptGrammar, StatementsArgumentsAndResultCodes)
{
    for (size_t i = 0; i < sizeof(kParse) / sizeof(kParse[0]); i++) {
        const ParseCase& c = kParse[i];
        SCOPED_TRACE(testing::Message() << "row " << i << ": " << c.why << " [" << c.script << "]");
        const char* cursor = c.script;
        ScriptStatement s;
        memset(&s, 0x5A, sizeof(s));   // the parser clears what it does not fill
        uint32_t result = ParseCommandStatement(&cursor, &s);
        EXPECT_EQ(c.result, result) << std::hex << result;
        int want = c.cursor < 0 ? (int)strlen(c.script) : c.cursor;
        EXPECT_EQ(want, (int)(cursor - c.script));
        if (result == 0 || SCRIPT_RESULT_CODE(result) != 0) continue;
        EXPECT_EQ((int)SCRIPT_RESULT_COMMAND(result), s.command);
        for (int a = 0; a < SCRIPT_ARGUMENTS; a++) ExpectArgument(s.args[a], c.args[a], a);
    }
}

TEST(ScriptGrammar, EveryCommandNameIsItsNumber)
{
    static const char* const kNames[] = {
        "WINDOW", "CONTROL", "CLICK",  "TYPE",  "KEY",   "WAIT",    "RUN",     "STOP",
        "CLOSE",  "MOVE",    "SIZE",   "STATE", "ENABLE", "PROFILE", "DESKTOP", "ATTACH",
        "TITLE",  "BLINK",   "DRAG",   "SETREF", "CONTINUE", "TERMINATE"};
    ASSERT_EQ(22u, sizeof(kNames) / sizeof(kNames[0]));
    for (int n = 1; n <= 22; n++) {
        SCOPED_TRACE(kNames[n - 1]);
        EXPECT_STREQ(kNames[n - 1], ScriptCommandName(n));
        std::string text = std::string(kNames[n - 1]) + "()";
        const char* cursor = text.c_str();
        ScriptStatement s;
        EXPECT_EQ((uint32_t)n << 16, ParseCommandStatement(&cursor, &s));
        EXPECT_EQ(n, s.command);
        std::string lower = text;
        for (char& ch : lower) ch = (char)tolower((unsigned char)ch);
        cursor = lower.c_str();
        EXPECT_EQ(0u, ParseCommandStatement(&cursor, &s)) << "lower case is no command";
    }
    EXPECT_STREQ("", ScriptCommandName(0));
    EXPECT_STREQ("", ScriptCommandName(23));
}

TEST(ScriptGrammar, ResultCodesNameTheirMessages)
{
    AppConstruct(&g_app);
    g_app.strings.productTables[0] = g_productStrings;
    g_app.strings.productCount = SortStringTable(g_productStrings);
    static const struct {
        uint32_t code;
        const char* message;
    } kCodes[] = {
        {SCRIPT_SYNTAX_ERROR, "Syntax error"},
        {SCRIPT_BAD_PARAMETER, "Invalid parameter"},
        {SCRIPT_BAD_TYPE, "Incorrect parameter type"},
        {SCRIPT_NO_WINDOW, "Window not found"},
        {SCRIPT_NO_ITEM, "Item not found"},
        {SCRIPT_CLICK_FAILED, "Clicking the mouse button failed"},
        {SCRIPT_TYPE_FAILED, "Typing the text failed"},
        {SCRIPT_KEY_FAILED, "Sending the key failed"},
        {SCRIPT_RUN_FAILED, "Could not run program"},
        {SCRIPT_PROFILE_FAILED, "Could not load profile"},
        {SCRIPT_NO_COMMAND, "No command found in selection."},
    };
    static const uint32_t kValues[] = {0x064, 0x164, 0x264, 0x065, 0x165, 0x265,
                                       0x365, 0x465, 0x565, 0x665, 0x765};
    for (size_t i = 0; i < sizeof(kCodes) / sizeof(kCodes[0]); i++) {
        SCOPED_TRACE(kCodes[i].message);
        EXPECT_EQ(kValues[i], kCodes[i].code);
        EXPECT_STREQ(kCodes[i].message, ScriptResultMessage(SCRIPT_RESULT(SCMD_KEY, kCodes[i].code)));
    }
    EXPECT_STREQ("", ScriptResultMessage(0));
}

//--- macros

static void NinthOfMarch2026(struct tm* now)
{
    *now = tm{};
    now->tm_year = 126;
    now->tm_mon = 2;
    now->tm_mday = 9;
    now->tm_hour = 14;
    now->tm_min = 5;
    now->tm_sec = 7;
    now->tm_wday = 1;   // a Monday
    now->tm_yday = 67;
}

class ScriptMacros : public testing::Test {
protected:
    void SetUp() override { SetScriptClock(NinthOfMarch2026); }
    void TearDown() override { SetScriptClock(nullptr); }
    std::string Expand(const char* text)
    {
        char* out = ExpandDateTimeMacros(text);
        std::string s = out ? out : "<none>";
        free(out);
        return s;
    }
};

TEST_F(ScriptMacros, FixedClockGivesTheDateParts)
{
    static const struct {
        const char* text;
        const char* want;
    } kCases[] = {
        {"#YEAR#-#MONTH#-#DAY#", "2026-03-09"},
        {"#YEARSHORT#", "26"},
        {"#HOUR#:#MINUTE#:#SECOND#", "14:05:07"},
        {"#HOUR12#", "02"},
        {"#WEEKMON#", "10"},
        {"#DAY##DAY# and #DAY#", "0909 and 09"},
        {"no macro", "no macro"},
        {"#year#", "#year#"},
        {"#YEAR", "#YEAR"},
    };
    for (const auto& c : kCases) EXPECT_EQ(c.want, Expand(c.text)) << c.text;
    EXPECT_EQ("<none>", Expand("")) << "an empty text gives none";
}

TEST_F(ScriptMacros, LocaleDependentMacrosAreReplaced)
{
    // Names and the date format follow the user's locale, whatever it is here.
    std::string dayName = Expand("#DAYNAME#");
    std::string monthName = Expand("#MONTHNAME#");
    EXPECT_FALSE(dayName.empty());
    EXPECT_NE(std::string::npos, monthName.find_first_not_of("#")) << monthName;
    EXPECT_EQ(std::string::npos, Expand("#DATE# #TIME# #AMPM# #DAYNAMESHORT# #MONTHNAMESHORT# #WEEKSUN#").find('#'))
        << "every macro is replaced";
    EXPECT_NE(std::string::npos, Expand("#DATE#").find("26")) << "the date names the year: " << Expand("#DATE#");
}

//--- key names

TEST(KeyNames, ConstantNamesForEveryCode)
{
    static const struct {
        int code;
        const char* name;
    } kNames[] = {
        {0x00, "NONE"}, {0x01, "VK_LBUTTON"}, {0x07, "0x07"}, {0x08, "VK_BACK"}, {0x0D, "VK_RETURN"},
        {0x15, "VK_KANA_HANGUL"}, {0x16, "0x16"}, {0x19, "VK_HANJA_KANJI"}, {0x1A, "0x1A"},
        {0x2C, "VK_SNAPSHOT"}, {0x30, "0"}, {0x39, "9"}, {0x3A, "0x3A"}, {0x41, "A"}, {0x5A, "Z"},
        {0x5B, "VK_LWIN"}, {0x5E, "0x5E"}, {0x60, "VK_NUMPAD0"}, {0x70, "VK_F1"}, {0x87, "VK_F24"},
        {0x88, "0x88"}, {0x90, "VK_NUMLOCK"}, {0xA5, "VK_RMENU"}, {0xBA, "VK_OEM_1"},
        {0xC1, "0xC1"}, {0xE0, "0xE0"}, {0xE2, "VK_OEM_102"}, {0xE7, "VK_PACKET"}, {0xFE, "VK_OEM_CLEAR"},
    };
    const KeyNameRow* rows = GetKeyNameTable();
    for (const auto& k : kNames) {
        SCOPED_TRACE(k.name);
        EXPECT_EQ(k.code, rows[k.code].code);
        EXPECT_STREQ(k.name, rows[k.code].constantName);
        EXPECT_EQ(k.code, FindKeyByConstantName(k.name));
    }
    EXPECT_STREQ("Backspace", rows[8].displayName);
    EXPECT_STREQ("SHIFT key", rows[16].description);
    EXPECT_STREQ("Left Windows key", rows[91].description);
    EXPECT_STREQ("", rows[255].constantName);
    EXPECT_EQ(-1, FindKeyByConstantName("vk_f1")) << "names match exactly";
    EXPECT_EQ(-1, FindKeyByConstantName("S+A"));
    EXPECT_EQ(-1, FindKeyByConstantName(""));

    // Every code 0-254 has exactly one name, and the named codes are the Windows list.
    int named = 0;
    for (int code = 0; code < 255; code++) {
        EXPECT_EQ(code, FindKeyByConstantName(rows[code].constantName)) << code;
        if (strncmp(rows[code].constantName, "VK_", 3) == 0) named++;
    }
    // 01-06, 08, 09, 0C, 0D, 10-15, 17-19, 1B-2F, 5B-5D, 5F-87, 90, 91, A0-B7, BA-C0, DB-DF, E2, E5, E7, F6-FE
    EXPECT_EQ(6 + 2 + 2 + 6 + 3 + 21 + 3 + 41 + 2 + 24 + 7 + 5 + 3 + 9, named);
}

TEST(KeyNames, StartUpFillsCharactersAndLocalNames)
{
    FillHotkeyKeyTable();
    const KeyNameRow* rows = GetKeyNameTable();
    // Under Wine the names are X names: compute them as the table should.
    for (int code : {0x41, 0x5A, 0x70, 0x0D, 0xBA, 0xBF}) {
        SCOPED_TRACE(code);
        char name[32] = {};
        LONG scan = (LONG)MapVirtualKeyA(code, MAPVK_VK_TO_VSC) << 16;
        if (!GetKeyNameTextA(scan, name, sizeof(name))) GetKeyNameTextA(scan | (1 << 24), name, sizeof(name));
        EXPECT_STREQ(name, rows[code].localName);
    }
    EXPECT_STREQ("A", rows[0x41].displayName) << "a fixed caption stays";
    EXPECT_EQ(1, rows[0x41].nameLength);
    EXPECT_EQ(5, rows[0x0D].nameLength) << "Enter";
    int ch = (int)MapVirtualKeyA(0xBA, MAPVK_VK_TO_CHAR);
    if (ch >= 0x20 && ch < 0x7F) {
        char want[2] = {(char)ch, '\0'};
        EXPECT_STREQ(want, rows[0xBA].displayName) << "a key without caption shows its character";
    }
    EXPECT_EQ(0, rows[0xBA].nameLength) << "the length is that of the fixed name";
    EXPECT_STREQ("VK_OEM_1", rows[0xBA].constantName) << "the constant name never changes";
}
