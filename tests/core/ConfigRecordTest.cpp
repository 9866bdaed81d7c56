// ConfigRecordTest.cpp - key=value record text, exchangers and the encrypted record files.
#include "framework/core/AppObject.h"
#include "framework/core/ConfigRecord.h"
#include "framework/core/TextUtil.h"
#include "framework/core/ZipArchive.h"
#include "tests/core/ZipTestUtil.h"
#include "tests/support/HostTools.h"
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string Text(const ConfigRecord& r)
{
    return std::string(r.text.data ? r.text.data : "", (size_t)r.text.count);
}

// A record for reading whose text is given.
void ReaderWithText(ConfigRecord* r, const std::string& text, const char* prefix = "")
{
    InitConfigRecord(r, 0, prefix);
    if (!text.empty()) ArrayAppendN(&r->text, text.data(), (int32_t)text.size());
}

std::string Line(const std::string& key, const std::string& value)
{
    return key + "=" + value + std::string("\0\r\n", 3);
}

class ConfigFileTest : public testing::Test {
protected:
    void SetUp() override
    {
        folder = FreshFolderForThisTest();
        CopyText(g_app.dataFolder, sizeof(g_app.dataFolder), (folder + "\\data").c_str());
        CopyText(g_app.commonDataFolder, sizeof(g_app.commonDataFolder), (folder + "\\common").c_str());
    }
    void TearDown() override
    {
        g_app.dataFolder[0] = '\0';
        g_app.commonDataFolder[0] = '\0';
    }
    std::string Path(const std::string& name) const { return folder + "\\" + name; }
    std::string folder;
};

}  // namespace

//--- text

TEST(ConfigRecord, WritesExactLines)
{
    ConfigRecord r;
    InitConfigRecord(&r, 1, "");
    EXPECT_EQ(1, r.writing);
    EXPECT_GE(r.text.capacity, 1024);
    EXPECT_EQ(CFG_OK, AppendRecordLine(&r, "a", "5"));
    EXPECT_EQ(CFG_OK, AppendRecordLine(&r, "b", "x y"));
    EXPECT_EQ(std::string("a=5\0\r\nb=x y\0\r\n", 14), Text(r));
    EXPECT_EQ(CFG_FULL, AppendRecordLine(&r, "", "no key"));
    EXPECT_EQ(14, r.text.count) << "a refused line adds nothing";
    ClearConfigRecord(&r);
    EXPECT_EQ(0, r.text.count);
    EXPECT_EQ(nullptr, r.text.data);
}

TEST(ConfigRecord, FindsKeysOnlyWhereALineBegins)
{
    ConfigRecord r;
    ReaderWithText(&r, Line("a", "5") + Line("offx", "3") + Line("b", "c=7\nd=8") + Line("bb", "9"));
    struct Case {
        const char* key;
        const char* value;   // null: not found
    } cases[] = {
        {"b", "c=7\nd=8"}, {"a", "5"}, {"x", nullptr}, {"offx", "3"}, {"ffx", nullptr},
        {"c", nullptr},    {"bb", "9"}, {"d", "8"},     {"", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        int32_t at = ReadRecordValue(&r, c.key);
        if (!c.value) {
            EXPECT_EQ(-1, at);
        } else {
            ASSERT_GE(at, 0);
            EXPECT_STREQ(c.value, r.value);
            EXPECT_EQ(r.readPosition, at);
        }
    }
    EXPECT_EQ(-1, FindRecordKey(&r, "a", 1, 1)) << "only where a line begins";
    EXPECT_EQ(0, FindRecordKey(&r, "a", 1, 0));
    EXPECT_EQ(-1, FindRecordKey(&r, "a", 1, 100000));
    EXPECT_EQ(4, CountRecordKeys(&r, ""));
    EXPECT_EQ(2, CountRecordKeys(&r, "b"));
    EXPECT_EQ(1, CountRecordKeys(&r, "offx="));
    EXPECT_EQ(0, CountRecordKeys(&r, "d")) << "a line break inside a value starts no line";
    ClearConfigRecord(&r);

    // A value without its terminator is not a value.
    ReaderWithText(&r, "k=unterminated\0\r", "");
    EXPECT_EQ(-1, ReadRecordValue(&r, "k"));
    EXPECT_EQ(-1, r.readPosition);
    ClearConfigRecord(&r);
}

TEST(ConfigRecord, SameKeyTwiceReadsBackInWritingOrder)
{
    ConfigRecord w;
    InitConfigRecord(&w, 1, "pprf->");
    int32_t values[] = {11, 22, 33};
    for (int32_t& v : values) EXPECT_EQ(CFG_OK, ExchangeIntField(&w, &v, "pprf->n", 0));
    ConfigRecord r;
    ReaderWithText(&r, Text(w), "pprf->");
    for (int32_t want : values) {
        int32_t got = 0;
        EXPECT_EQ(CFG_OK, ExchangeIntField(&r, &got, "pprf->n", 0));
        EXPECT_EQ(want, got);
    }
    ClearConfigRecord(&w);
    ClearConfigRecord(&r);
}

TEST(ConfigRecord, KeysFromFieldExpressions)
{
    struct Case {
        const char* expressionPrefix;
        const char* keyPrefix;   // formatted with 2
        const char* expression;
        int index;
        const char* want;
    } cases[] = {
        {"(*pprf->pIcons)", "Icon", "(*pprf->pIcons)[xi].name", 3, "Icon[3].name"},
        {"prul->", "Rule[%d].", "prul->cmdtext[xi]", 4, "Rule[2].cmdtext[4]"},
        {"Options.", nullptr, "Options.iCurProfile", 0, "iCurProfile"},
        {"prul->", "Template[%d].Match.", "prul->name", 9, "Template[2].Match.name"},
        {"prul->", nullptr, "prul->pos[0]", 7, "pos[0]"},
        {"pprf->", nullptr, "&pprf->szGenName", 0, "szGenName"},
        {"pprf->", nullptr, "pprf->a[i][j]", 5, "a[5][5]"},
        {"pprf->", nullptr, "pprf->pct%d%s[xi]", 1, "pct%d%s[1]"},
        {"(*pprf->pExpWin)[", "ExpWin", "(*pprf->pExpWin)[xi].type", 6, "ExpWinxi].type"},
        {"much-longer-prefix-than-the-expression", nullptr, "short", 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expression);
        ConfigRecord r;
        InitConfigRecord(&r, 1, "");
        EXPECT_TRUE(SetRecordKeyPrefix(&r, c.expressionPrefix, c.keyPrefix, 2));
        EXPECT_TRUE(FormatRecordKey(&r, c.expression, c.index));
        EXPECT_STREQ(c.want, r.key);
        ClearConfigRecord(&r);
    }
    // A key that cannot be held whole is neither written nor looked for.
    ConfigRecord r;
    InitConfigRecord(&r, 1, "");
    std::string prefix(250, 'p');
    EXPECT_TRUE(SetRecordKeyPrefix(&r, "", "%s", prefix.c_str()));
    int32_t v = 1;
    EXPECT_FALSE(FormatRecordKey(&r, "a-long-field-name", 0));
    EXPECT_EQ(CFG_FULL, ExchangeIntField(&r, &v, "a-long-field-name", 0));
    EXPECT_EQ(0, r.text.count);
    EXPECT_FALSE(SetRecordKeyPrefix(&r, "", "%s", std::string(300, 'q').c_str()));
    EXPECT_EQ(MAX_PATH - 1, r.keyPrefixLength);
    r.writing = 0;
    EXPECT_EQ(CFG_MISSING, ExchangeIntField(&r, &v, "x", 0));
    ClearConfigRecord(&r);
}

namespace {

// The reading algorithm as the record format states it, one scan per
// search: the model that ReadRecordValue must agree with, whatever it uses.
int32_t ModelFindKey(const std::string& text, const char* key, int32_t length, int32_t start)
{
    int32_t n = (int32_t)text.size();
    for (int32_t p = start; length > 0 && p <= n - length; p++)
        if (text.compare((size_t)p, (size_t)length, key, (size_t)length) == 0 && p + length < n &&
            text[p + length] == '=' && (p == 0 || text[p - 1] == '\n'))
            return p;
    return -1;
}

// Result of ReadRecordValue; *readPosition as it leaves it, *value the
// value's offset.
int32_t ModelReadValue(const std::string& text, int32_t* readPosition, const char* key, int32_t* value)
{
    int32_t length = (int32_t)BoundedLength(key, MAX_PATH);
    int32_t p = ModelFindKey(text, key, length, *readPosition < 0 ? 0 : *readPosition);
    if (p < 0) p = ModelFindKey(text, key, length, 0);
    if (p < 0) return -1;
    int32_t v = p + length + 1, n = (int32_t)text.size();
    for (int32_t t = v; t <= n - 3; t++)
        if (text[t] == '\0' && text[t + 1] == '\r' && text[t + 2] == '\n') {
            *readPosition = t;
            *value = v;
            return t;
        }
    *readPosition = -1;
    return -1;
}

// The keys a record routine would read for `items` sub-records.
std::vector<std::string> RoutineKeys(int items)
{
    static const char* const kFields[] = {"item", "name", "caption", "captionlen", "cmpcaption", "x",
                                          "y", "w", "h", "cmdtext[0]", "cmdtext[1]", "sortcolumn"};
    std::vector<std::string> keys = {"szGenName", "bGenEnabled", "iNumRules"};
    for (int i = 0; i < items; i++)
        for (const char* f : kFields) keys.push_back("Rule[" + std::to_string(i) + "]." + f);
    keys.push_back("iNumIcons");
    return keys;
}

std::string RecordOf(const std::vector<std::string>& keys, bool (*keep)(size_t), int copies)
{
    std::string text;
    for (size_t i = 0; i < keys.size(); i++)
        if (keep(i))
            for (int c = 0; c < copies; c++) text += Line(keys[i], "v" + std::to_string(i) + "." + std::to_string(c));
    return text;
}

// Bytes that make lines, keys, values and terminators of their own accord.
std::string Garbage(size_t n, uint32_t seed)
{
    static const char kAlphabet[] = "ab=\n\0\r[]0.";
    std::string s(n, '\0');
    for (size_t i = 0; i < n; i++) {
        seed = seed * 1103515245u + 12345u;
        s[i] = kAlphabet[(seed >> 16) % (sizeof(kAlphabet) - 1)];
    }
    return s;
}

}  // namespace

// Reading agrees with the record format's own search for every key a record
// routine asks, present or missing, in order and out of it, on whole,
// partial, doubled and garbage records.
TEST(ConfigRecord, ReadingAgreesWithTheFormatsSearch)
{
    std::vector<std::string> keys = RoutineKeys(40);
    std::string longKey(300, 'k');
    std::string nul(1, '\0');
    struct Case {
        std::string text;
        const char* why;
    } cases[] = {
        {RecordOf(keys, [](size_t) { return true; }, 1), "complete"},
        {RecordOf(keys, [](size_t i) { return i % 7 == 0; }, 1), "most keys missing"},
        {RecordOf(keys, [](size_t i) { return i % 3 != 1; }, 2), "keys doubled"},
        {RecordOf(keys, [](size_t) { return true; }, 1) + RecordOf(keys, [](size_t i) { return i % 5 == 0; }, 1),
         "keys again further on"},
        {Line("Rule[0].name", "a\nRule[0].x=7") + nul + "\r\n" + Line("Rule[0].y", "8\n\nRule[0].w=9"),
         "keys behind line feeds inside values"},
        {std::string(61 * 1024, '\n') + Line("iNumIcons", "3"), "61 KB of line feeds"},
        {Line("Rule[0].name", "") + Line("Rule[0].x", "") + Line("a", "") + Line("Rule[0].name", ""), "empty values"},
        {Line("a", "1") + "Rule[0].x=unterminated" + nul + "\r", "an unterminated last value"},
        {Line(std::string(259, 'k'), "259") + Line(std::string(260, 'k'), "260") + Line(longKey, "300"),
         "keys at the length limit"},
        {Line("a=b", "1") + Line("a", "2") + "\n=x" + nul + "\r\n", "keys with = in them"},
        {Garbage(20000, 1), "garbage 1"},
        {Garbage(20000, 2), "garbage 2"},
        {"", "empty"},
    };
    std::vector<std::string> asked = keys;
    for (size_t i = keys.size(); i-- > 0;) asked.push_back(keys[i]);   // and backwards
    for (const char* k : {"a", "b", "ab", "ba", "a=b", "=", "", "b\na", "\n", "k", "Rule[0].x", "Rule[0].w"})
        asked.push_back(k);
    asked.push_back(std::string(259, 'k'));
    asked.push_back(std::string(260, 'k'));
    asked.push_back(longKey);
    for (int i = 0; i < 200; i++) asked.push_back(Garbage(1 + i % 4, (uint32_t)i).substr(0, 1 + i % 4));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        ConfigRecord r;
        ReaderWithText(&r, c.text);
        int32_t modelPosition = 0;
        int mismatches = 0;
        for (size_t i = 0; i < asked.size() && mismatches < 5; i++) {
            const char* key = asked[i].c_str();
            int32_t modelValue = -1;
            int32_t want = ModelReadValue(c.text, &modelPosition, key, &modelValue);
            int32_t got = ReadRecordValue(&r, key);
            bool same = got == want && r.readPosition == modelPosition &&
                        (want < 0 || r.value - r.text.data == modelValue);
            if (!same) {
                mismatches++;
                ADD_FAILURE() << "read " << i << " key '" << asked[i] << "': got " << got << " at "
                              << r.readPosition << ", want " << want << " at " << modelPosition;
            }
        }
        ClearConfigRecord(&r);
    }
}

//--- exchangers

TEST(ConfigRecord, EncodingsWriteAndReadBack)
{
    struct Fields {
        int32_t i;
        uint32_t u;
        int16_t s;
        uint8_t c;
        int8_t sc;
        uint32_t x;
        int64_t l;
        uint8_t h;
        uint16_t w;
        uint8_t blob[24];
        RECT rc;
    };
    Fields out = {};
    out.i = -5;
    out.u = 3000000000u;
    out.s = -1234;
    out.c = 200;
    out.sc = -1;
    out.x = 0xDEADBEEF;
    out.l = -1234567890123ll;
    out.h = 0x03;
    out.w = 0x0241;
    for (int i = 0; i < 24; i++) out.blob[i] = (uint8_t)(i * 11);
    out.rc = {-1, 2, 300, 4000};

    ConfigRecord w;
    InitConfigRecord(&w, 1, "prul->");
    EXPECT_EQ(CFG_OK, ExchangeIntField(&w, &out.i, "prul->i", 0));
    EXPECT_EQ(CFG_OK, ExchangeIntField(&w, &out.u, "prul->u", 0));
    EXPECT_EQ(CFG_OK, ExchangeShortField(&w, &out.s, "prul->s", 0));
    EXPECT_EQ(CFG_OK, ExchangeCharField(&w, &out.c, "prul->c", 0));
    EXPECT_EQ(CFG_OK, ExchangeCharField(&w, &out.sc, "prul->sc", 0));
    EXPECT_EQ(CFG_OK, ExchangeHexDwordField(&w, &out.x, "prul->x", 0));
    EXPECT_EQ(CFG_OK, ExchangeInt64Field(&w, &out.l, "prul->l", 0));
    EXPECT_EQ(CFG_OK, ExchangeHexByteField(&w, &out.h, "prul->h", 0));
    EXPECT_EQ(CFG_OK, ExchangeHexWordField(&w, &out.w, "prul->w", 0));
    EXPECT_EQ(CFG_OK, ExchangeHexBlobField(&w, out.blob, "ignored", 3));
    EXPECT_EQ(CFG_OK, ExchangeRectField(&w, &out.rc, "prul->rc", 0));
    std::string want = Line("i", "-5") + Line("u", "-1294967296") + Line("s", "-1234") +
                       Line("c", "-56") + Line("sc", "-1") + Line("x", "0xDEADBEEF") +
                       Line("l", "-1234567890123") + Line("h", "03") + Line("w", "0x0241") +
                       Line("sortcolumn", "000B16212C37424D58636E79848F9AA5B0BBC6D1DCE7F2FD") +
                       Line("rc", "-1,2,300,4000");
    EXPECT_EQ(want, Text(w));

    ConfigRecord r;
    ReaderWithText(&r, Text(w), "prul->");
    Fields in = {};
    EXPECT_EQ(CFG_OK, ExchangeRectField(&r, &in.rc, "prul->rc", 0)) << "out of order";
    EXPECT_EQ(CFG_OK, ExchangeIntField(&r, &in.i, "prul->i", 0));
    EXPECT_EQ(CFG_OK, ExchangeIntField(&r, &in.u, "prul->u", 0));
    EXPECT_EQ(CFG_OK, ExchangeShortField(&r, &in.s, "prul->s", 0));
    EXPECT_EQ(CFG_OK, ExchangeCharField(&r, &in.c, "prul->c", 0));
    EXPECT_EQ(CFG_OK, ExchangeCharField(&r, &in.sc, "prul->sc", 0));
    EXPECT_EQ(CFG_OK, ExchangeHexDwordField(&r, &in.x, "prul->x", 0));
    EXPECT_EQ(CFG_OK, ExchangeInt64Field(&r, &in.l, "prul->l", 0));
    EXPECT_EQ(CFG_OK, ExchangeHexByteField(&r, &in.h, "prul->h", 0));
    EXPECT_EQ(CFG_OK, ExchangeHexWordField(&r, &in.w, "prul->w", 0));
    EXPECT_EQ(CFG_OK, ExchangeHexBlobField(&r, in.blob, "prul->other", 3));
    EXPECT_EQ(0, memcmp(&out, &in, sizeof(out)));
    EXPECT_EQ(CFG_MISSING, ExchangeIntField(&r, &in.i, "prul->missing", 0));
    ClearConfigRecord(&w);
    ClearConfigRecord(&r);
}

TEST(ConfigRecord, ValuesFromOtherWritersAndDamagedValues)
{
    const uint32_t kKeep = 0x77;
    struct Case {
        uint8_t kind;
        const char* value;
        int rc;
        uint64_t want;   // the field afterwards (low bytes of its width)
    } cases[] = {
        {CFK_INT, "42 trailing", CFG_OK, 42},        {CFK_INT, "abc", CFG_OK, 0},
        {CFK_INT, "99999999999", CFG_OK, 0x7FFFFFFF},  {CFK_INT, "", CFG_OK, 0},
        {CFK_SHORT, "70000", CFG_OK, 70000 & 0xFFFF},  {CFK_SHORT, "-1", CFG_OK, 0xFFFF},
        {CFK_CHAR, "255", CFG_OK, 255},                {CFK_CHAR, "-56", CFG_OK, 200},
        {CFK_CHAR, "300", CFG_OK, 300 & 0xFF},         {CFK_HEX_DWORD, "0x0000abcd", CFG_OK, 0xABCD},
        {CFK_HEX_DWORD, "zz", CFG_UNREADABLE, kKeep},   {CFK_HEX_DWORD, "0x", CFG_UNREADABLE, kKeep},
        {CFK_HEX_DWORD, "0x123456789", CFG_OK, 0x12345678},
        {CFK_INT64, "x", CFG_UNREADABLE, kKeep},        {CFK_INT64, "9007199254740993", CFG_OK, 9007199254740993ull},
        {CFK_HEX_BYTE, "ff", CFG_OK, 0xFF},            {CFK_HEX_BYTE, "5", CFG_OK, 0x50},
        {CFK_HEX_BYTE, "", CFG_OK, 0},                 {CFK_HEX_BYTE, "A0junk", CFG_OK, 0xA0},
        {CFK_HEX_WORD, "0x1A2B3", CFG_OK, 0xA2B3},     {CFK_HEX_WORD, "0x41", CFG_OK, 0x41},
        {CFK_HEX_WORD, "65", CFG_UNREADABLE, kKeep},
    };
    for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); i++) {
        const Case& c = cases[i];
        SCOPED_TRACE(testing::Message() << "row " << i << ": \"" << c.value << "\"");
        ConfigRecord r;
        ReaderWithText(&r, Line("v", c.value));
        uint64_t field = kKeep;
        ConfigField f = {"v", c.kind, 0, 0};
        EXPECT_EQ(c.rc, ExchangeConfigField(&r, &f, &field, 0));
        uint64_t mask = c.kind == CFK_INT || c.kind == CFK_HEX_DWORD ? 0xFFFFFFFFull
                        : c.kind == CFK_SHORT || c.kind == CFK_HEX_WORD ? 0xFFFFull
                        : c.kind == CFK_INT64 ? ~0ull : 0xFFull;
        EXPECT_EQ(c.want, field & mask);
        ClearConfigRecord(&r);
    }
    // A short blob reads its missing bytes as 0; a short rectangle is refused.
    ConfigRecord r;
    ReaderWithText(&r, Line("sortcolumn", "0102f") + Line("rc", "1,2,3"), "prul->");
    uint8_t blob[24];
    memset(blob, 0x55, sizeof(blob));
    EXPECT_EQ(CFG_OK, ExchangeHexBlobField(&r, blob, "", 0));
    uint8_t wantBlob[24] = {0x01, 0x02, 0xF0};
    EXPECT_EQ(0, memcmp(wantBlob, blob, sizeof(blob)));
    RECT rc = {9, 9, 9, 9};
    EXPECT_EQ(CFG_UNREADABLE, ExchangeRectField(&r, &rc, "prul->rc", 0));
    EXPECT_EQ(9, rc.left);
    ClearConfigRecord(&r);
}

TEST(ConfigRecord, TextFieldsKeepToTheirOwnSize)
{
    std::string script(1023, 's');
    script[10] = '\r';
    script[11] = '\n';
    std::string path(519, 'p');
    struct Case {
        std::string value;
        size_t capacity;
        std::string want;
    } cases[] = {
        {"line one\r\nline two", 260, "line one\r\nline two"},
        {script, 1024, script},
        {path, 520, path},
        {std::string(300, 'c'), 260, std::string(259, 'c')},
        {std::string(5000, 'v'), 260, std::string(259, 'v')},
        {"too long for eight", 8, "too lon"},
        {"", 2, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.value.size() << " characters into " << c.capacity);
        ConfigRecord w;
        InitConfigRecord(&w, 1, "");
        std::vector<char> source(c.value.begin(), c.value.end());
        source.push_back('\0');
        EXPECT_EQ(CFG_OK, ExchangeTextField(&w, source.data(), source.size(), "t", 0));
        ConfigRecord r;
        ReaderWithText(&r, Text(w));
        std::vector<char> field(c.capacity + 16, '#');   // guard bytes behind the field
        EXPECT_EQ(CFG_OK, ExchangeTextField(&r, field.data(), c.capacity, "t", 0));
        EXPECT_EQ(c.want, std::string(field.data()));
        for (size_t i = c.capacity; i < field.size(); i++) ASSERT_EQ('#', field[i]) << "wrote past the field";
        ClearConfigRecord(&w);
        ClearConfigRecord(&r);
    }
    // Writing never reads past a field that lacks its terminator.
    char full[4] = {'a', 'b', 'c', 'd'};
    ConfigRecord w;
    InitConfigRecord(&w, 1, "");
    EXPECT_EQ(CFG_OK, ExchangeTextField(&w, full, sizeof(full), "t", 0));
    EXPECT_EQ(Line("t", "abc"), Text(w));
    ClearConfigRecord(&w);
}

TEST(ConfigRecord, AFullRecordRefusesLines)
{
    ConfigRecord w;
    InitConfigRecord(&w, 1, "");
    std::string value(1 << 20, 'v');
    int rc = CFG_OK;
    int lines = 0;
    while ((rc = AppendRecordLine(&w, "k", value.c_str())) == CFG_OK) lines++;
    EXPECT_EQ(CFG_FULL, rc);
    EXPECT_EQ(63, lines);
    // Fill the rest exactly: then no line fits at all.
    size_t rest = CONFIG_TEXT_MAX - (size_t)w.text.count - 5;   // "k=" and the terminator
    EXPECT_EQ(CFG_OK, AppendRecordLine(&w, "k", std::string(rest, 'r').c_str()));
    EXPECT_EQ(CONFIG_TEXT_MAX, (uint32_t)w.text.count);
    int32_t count = w.text.count;
    int32_t field = 5;
    EXPECT_EQ(CFG_FULL, ExchangeIntField(&w, &field, "a", 0));
    EXPECT_EQ(CFG_FULL, AppendRecordLine(&w, "k", ""));
    EXPECT_EQ(count, w.text.count) << "nothing half written";
    ClearConfigRecord(&w);
}

TEST(ConfigRecord, FieldTablesDriveBothDirections)
{
    struct Sample {
        int32_t count;
        char name[16];
        uint8_t flags;
        uint16_t hotkey;
    };
    static constexpr ConfigField kFields[] = {
        CONFIG_FIELD(Sample, "s.count", CFK_INT, count),
        CONFIG_FIELD(Sample, "s.name", CFK_TEXT, name),
        CONFIG_FIELD(Sample, "s.flags", CFK_HEX_BYTE, flags),
        CONFIG_FIELD(Sample, "s.hotkey", CFK_HEX_WORD, hotkey),
    };
    Sample out = {7, "seven", 0x81, 0x0243};
    ConfigRecord w;
    InitConfigRecord(&w, 1, "s.");
    EXPECT_EQ(CFG_OK, ExchangeConfigFields(&w, kFields, 4, &out, 0));
    EXPECT_EQ(Line("count", "7") + Line("name", "seven") + Line("flags", "81") + Line("hotkey", "0x0243"),
              Text(w));
    ConfigRecord r;
    ReaderWithText(&r, Line("name", "kept") + Line("flags", "02"), "s.");
    Sample in = {1, "default", 0, 0x11};
    EXPECT_EQ(CFG_OK, ExchangeConfigFields(&r, kFields, 4, &in, 0));
    EXPECT_EQ(1, in.count) << "missing: default kept";
    EXPECT_STREQ("kept", in.name);
    EXPECT_EQ(0x02, in.flags);
    EXPECT_EQ(0x11, in.hotkey);
    ClearConfigRecord(&w);
    ClearConfigRecord(&r);
}

//--- files

TEST_F(ConfigFileTest, ArchiveRoundTripTakesTheEntryNumber)
{
    ConfigRecord w;
    InitConfigRecord(&w, 17, "");
    ASSERT_EQ(CFG_OK, AppendRecordLine(&w, "a", "5"));
    ASSERT_EQ(CFG_OK, AppendRecordLine(&w, "multi", "x\r\ny"));
    int32_t size = SaveRecordArchive(&w, Path("r.zpx").c_str());
    ASSERT_GT(size, 0);
    std::string bytes = ReadWholeFile(Path("r.zpx"));
    EXPECT_EQ((size_t)size, bytes.size());
    EXPECT_FALSE(FileExists(Path("r.zpx_tmp")));
    std::vector<RawEntry> entries = ParseArchive(bytes);
    ASSERT_EQ(1u, entries.size());
    EXPECT_EQ("17", entries[0].name);
    EXPECT_EQ(8u, entries[0].method);
    EXPECT_EQ(9u, entries[0].centralFlags) << "encrypted, with a data descriptor";

    ConfigRecord r;
    InitConfigRecord(&r, 0, "");
    EXPECT_EQ(w.text.count, LoadRecordArchive(&r, Path("r.zpx").c_str()));
    EXPECT_EQ(17, r.recordNumber);
    EXPECT_EQ(0, r.writing);
    EXPECT_EQ(Text(w), Text(r));
    ASSERT_GE(ReadRecordValue(&r, "multi"), 0);
    EXPECT_STREQ("x\r\ny", r.value);
    ClearConfigRecord(&w);
    ClearConfigRecord(&r);
}

TEST_F(ConfigFileTest, RecordFilesUseTheDataFolderNames)
{
    ConfigRecord w;
    InitConfigRecord(&w, 1, "");
    ASSERT_EQ(CFG_OK, AppendRecordLine(&w, "k", "v"));
    ASSERT_GT(SaveRecordFile(&w, "Profile", 3, RECORD_FOLDER_DATA), 0);
    ASSERT_GT(SaveRecordFile(&w, "%s-%s", -1, RECORD_FOLDER_COMMON, "Profile", "Work"), 0);
    EXPECT_TRUE(FileExists(Path("data\\Profile3.zpx")));
    EXPECT_TRUE(FileExists(Path("common\\Profile-Work.zpx")));
    ConfigRecord r;
    InitConfigRecord(&r, 0, "");
    EXPECT_EQ(w.text.count, LoadRecordFile(&r, "Profile", 3, RECORD_FOLDER_DATA));
    EXPECT_EQ(w.text.count, LoadRecordFile(&r, "Profile-%s", -1, RECORD_FOLDER_COMMON, "Work"));
    EXPECT_EQ(CFG_ERR_ARCHIVE, LoadRecordFile(&r, "Profile", 4, RECORD_FOLDER_DATA));
    g_app.dataFolder[0] = '\0';
    EXPECT_EQ(CFG_ERR_ARCHIVE, SaveRecordFile(&w, "Options", -1, RECORD_FOLDER_DATA));
    ClearConfigRecord(&w);
    ClearConfigRecord(&r);
}

TEST_F(ConfigFileTest, BadRecordFilesFailAndKeepTheText)
{
    auto archive = [](const char* password, const std::string& data) {
        ZipHandle* zip = CreateZipArchive(nullptr, (uint32_t)data.size() + 1024, ZIP_KIND_MEMORY, password);
        std::string out;
        const uint8_t* block = nullptr;
        uint32_t size = 0;
        if (AddZipEntry(zip, "1", data.data(), (uint32_t)data.size(), ZIP_KIND_MEMORY) == 0 &&
            WriteZipCentralDirectory(zip) == 0 && GetZipArchiveBlock(zip, &block, &size) == 0)
            out.assign((const char*)block, size);
        CloseZipWriter(zip);
        return out;
    };
    std::string good = archive(CONFIG_RECORD_PASSWORD, Line("a", "1"));
    std::string huge = good;
    std::vector<RawEntry> e = ParseArchive(huge);
    ASSERT_EQ(1u, e.size());
    size_t central = huge.size() - 22 - (46 + 1 + 9);
    Set32(&huge, central + 24, 0x7FFFFFF0u);   // claims 2 GB of text
    std::string damaged = good;
    damaged[e[0].dataOffset + 14] ^= 0x10;
    std::string emptyZip("PK\x05\x06", 4);
    emptyZip += std::string(18, '\0');
    std::string prefixedEmpty = "PREFIX" + emptyZip;
    struct Case {
        std::string bytes;
        int32_t want;
        const char* why;
    } cases[] = {
        {"", CFG_ERR_ARCHIVE, "empty file"},
        {"a=1\r\nb=2\r\n", CFG_ERR_ARCHIVE, "plain text, not a ZIP"},
        {good.substr(0, good.size() / 2), CFG_ERR_ARCHIVE, "truncated"},
        {emptyZip, CFG_ERR_ENTRY, "a ZIP without entries"},
        {prefixedEmpty, CFG_ERR_ENTRY, "a ZIP without entries behind other data"},
        {archive("another password", Line("a", "1")), CFG_ERR_EXTRACT, "wrong password"},
        {damaged, CFG_ERR_EXTRACT, "damaged data"},
        {huge, CFG_ERR_MEMORY, "a size no record has"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        ASSERT_TRUE(WriteWholeFileText(Path("bad.zpx"), c.bytes));
        ConfigRecord r;
        ReaderWithText(&r, Line("kept", "yes"));
        r.recordNumber = 5;
        EXPECT_EQ(c.want, LoadRecordArchive(&r, Path("bad.zpx").c_str()));
        EXPECT_EQ(Line("kept", "yes"), Text(r));
        EXPECT_EQ(5, r.recordNumber);
        ClearConfigRecord(&r);
    }
    ConfigRecord r;
    InitConfigRecord(&r, 0, "");
    EXPECT_EQ(CFG_ERR_ARCHIVE, LoadRecordArchive(&r, Path("missing.zpx").c_str()));
    ClearConfigRecord(&r);
}

TEST_F(ConfigFileTest, AFailedSaveKeepsTheOldFile)
{
    ConfigRecord w;
    InitConfigRecord(&w, 1, "");
    ASSERT_EQ(CFG_OK, AppendRecordLine(&w, "version", "old"));
    std::string path = Path("keep.zpx");
    ASSERT_GT(SaveRecordArchive(&w, path.c_str()), 0);
    std::string old = ReadWholeFile(path);

    ClearConfigRecord(&w);
    InitConfigRecord(&w, 1, "");
    ASSERT_EQ(CFG_OK, AppendRecordLine(&w, "version", "new"));
    HANDLE busy = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, busy);
    EXPECT_EQ(CFG_ERR_MEMORY, SaveRecordArchive(&w, path.c_str()));
    CloseHandle(busy);
    EXPECT_TRUE(ReadWholeFile(path) == old);
    EXPECT_FALSE(FileExists(path + "_tmp"));

    ConfigRecord empty;
    InitConfigRecord(&empty, 1, "");
    EXPECT_EQ(CFG_ERR_ENTRY, SaveRecordArchive(&empty, path.c_str()));
    EXPECT_TRUE(ReadWholeFile(path) == old);
    ClearConfigRecord(&empty);

    std::string noise = RandomBytes(3 << 20, 4);   // does not compress
    ClearConfigRecord(&w);
    InitConfigRecord(&w, 1, "");
    ASSERT_EQ(CFG_OK, AppendRecordLineN(&w, "noise", noise.data(), noise.size()));
    EXPECT_GT(SaveRecordArchive(&w, path.c_str()), (int32_t)noise.size()) << "room for deflate's overhead";
    ConfigRecord r;
    InitConfigRecord(&r, 0, "");
    EXPECT_EQ(w.text.count, LoadRecordArchive(&r, path.c_str()));
    EXPECT_EQ(Text(w), Text(r));
    ClearConfigRecord(&w);
    ClearConfigRecord(&r);
}

TEST_F(ConfigFileTest, PythonDecryptsARecordFileIntoItsLines)
{
    if (!HostToolsAvailable()) GTEST_SKIP() << "python3 is reached through Wine";
    ConfigRecord w;
    InitConfigRecord(&w, 1, "Options.");
    int32_t profile = 3;
    uint8_t enabled = 1;
    uint16_t hotkey = 0x0641;
    char sound[260] = "C:\\Sounds\\ding.wav";
    ASSERT_EQ(CFG_OK, ExchangeIntField(&w, &profile, "Options.iCurProfile", 0));
    ASSERT_EQ(CFG_OK, ExchangeCharField(&w, &enabled, "Options.bEnabled", 0));
    ASSERT_EQ(CFG_OK, ExchangeHexWordField(&w, &hotkey, "Options.iHotKeyMain", 0));
    ASSERT_EQ(CFG_OK, ExchangeTextField(&w, sound, sizeof(sound), "Options.szConfirmationSound", 0));
    ASSERT_GT(SaveRecordFile(&w, "Options", -1, RECORD_FOLDER_DATA), 0);
    std::string script =
        "import zipfile\n"
        "z = zipfile.ZipFile('data/Options.zpx')\n"
        "assert z.namelist() == ['1'], z.namelist()\n"
        "open('decrypted.bin', 'wb').write(z.read('1', pwd=b'" CONFIG_RECORD_PASSWORD "'))\n";
    ASSERT_TRUE(WriteWholeFileText(Path("decrypt.py"), script));
    std::string output;
    ASSERT_EQ(0, RunHostScript(folder, "python3 decrypt.py", &output)) << output;
    EXPECT_EQ(Line("iCurProfile", "3") + Line("bEnabled", "1") + Line("iHotKeyMain", "0x0641") +
                  Line("szConfirmationSound", "C:\\Sounds\\ding.wav"),
              ReadWholeFile(Path("decrypted.bin")));
    ClearConfigRecord(&w);
}
