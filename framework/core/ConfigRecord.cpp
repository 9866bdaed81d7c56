// ConfigRecord.cpp - record text: prefixes, keys, appending lines and finding values.
#include "framework/core/ConfigRecord.h"

#include "framework/core/ConfigKeyIndex.h"
#include "framework/core/TextUtil.h"

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

void InitConfigRecord(ConfigRecord* record, int32_t recordNumber, const char* expressionPrefix)
{
    memset(record, 0, sizeof(*record));
    InitGrowArray(&record->text);
    ArraySetCapacity(&record->text, 1024, -1);   // a failure only means a later growth
    record->recordNumber = recordNumber;
    record->writing = recordNumber != 0;
    record->expressionPrefixLength =
        (int32_t)BoundedLength(expressionPrefix, sizeof(record->key) - 1);
}

void ClearConfigRecord(ConfigRecord* record)
{
    FreeConfigKeyIndex(&record->keyIndex);
    FreeGrowArray(&record->text);
    record->value = nullptr;
    record->readPosition = 0;
}

bool SetRecordKeyPrefix(ConfigRecord* record, const char* expressionPrefix,
                        const char* keyPrefixFormat, ...)
{
    record->expressionPrefixLength =
        (int32_t)BoundedLength(expressionPrefix, sizeof(record->key) - 1);
    bool fits = true;
    record->key[0] = '\0';
    if (keyPrefixFormat) {
        va_list args;
        va_start(args, keyPrefixFormat);
        fits = FormatTextV(record->key, sizeof(record->key), keyPrefixFormat, args);
        va_end(args);
    }
    record->keyPrefixLength = (int32_t)strlen(record->key);
    return fits;
}

static bool IsLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool FormatRecordKey(ConfigRecord* record, const char* expression, int index)
{
    char* out = record->key + record->keyPrefixLength;
    size_t cap = sizeof(record->key) - (size_t)record->keyPrefixLength;
    out[0] = '\0';
    if (!expression) return false;
    size_t skip = (size_t)record->expressionPrefixLength + (expression[0] == '&' ? 1 : 0);
    size_t length = strlen(expression);
    const char* p = expression + (skip < length ? skip : length);
    char number[16];
    FormatText(number, sizeof(number), "%d", index);
    // The index is written in directly, never through a format built from the
    // expression, so an expression can hold any character.
    size_t used = 0;
    bool fits = true;
    auto put = [&](char c) {
        if (used + 1 < cap) out[used++] = c;
        else fits = false;
    };
    while (*p) {
        if (p[0] == '[' && IsLetter(p[1])) {
            put('[');
            for (const char* d = number; *d; d++) put(*d);
            p++;
            while (*p && *p != ']') p++;   // the "]" itself is copied next
            continue;
        }
        put(*p++);
    }
    out[used] = '\0';
    return fits;
}

int AppendRecordLineN(ConfigRecord* record, const char* key, const char* value, size_t valueLength)
{
    size_t keyLength = BoundedLength(key, sizeof(record->key));
    if (keyLength == 0 || keyLength == sizeof(record->key)) return CFG_FULL;
    if (!value) valueLength = 0;
    uint64_t need = (uint64_t)record->text.count + keyLength + 1 + valueLength + 3;
    if (need > CONFIG_TEXT_MAX) return CFG_FULL;
    int32_t before = record->text.count;
    static const char kTerminator[3] = {'\0', '\r', '\n'};
    bool ok = ArrayAppendN(&record->text, key, (int32_t)keyLength) >= 0 &&
              ArrayAppend(&record->text, "=") >= 0 &&
              (valueLength == 0 || ArrayAppendN(&record->text, value, (int32_t)valueLength) >= 0) &&
              ArrayAppendN(&record->text, kTerminator, 3) >= 0;
    if (!ok) {
        record->text.count = before;   // no half line
        return CFG_FULL;
    }
    return CFG_OK;
}

int AppendRecordLine(ConfigRecord* record, const char* key, const char* value)
{
    return AppendRecordLineN(record, key, value, value ? strlen(value) : 0);
}

int32_t FindRecordKey(const ConfigRecord* record, const char* key, int32_t keyLength, int32_t start)
{
    const char* text = record->text.data;
    int32_t n = record->text.count;
    if (!text || !key || keyLength <= 0) return -1;
    int32_t p = start < 0 ? 0 : start;
    // Keys only count where a line begins: at 0 or behind a line feed.
    if (p > 0 && p <= n && text[p - 1] != '\n') {
        const char* lf = p < n ? (const char*)memchr(text + p, '\n', (size_t)(n - p)) : nullptr;
        if (!lf) return -1;
        p = (int32_t)(lf - text) + 1;
    }
    while ((int64_t)p + keyLength < n) {
        if (memcmp(text + p, key, (size_t)keyLength) == 0 && text[p + keyLength] == '=') return p;
        const char* lf = (const char*)memchr(text + p, '\n', (size_t)(n - p));
        if (!lf) return -1;
        p = (int32_t)(lf - text) + 1;
    }
    return -1;
}

// The index of a record being read, built once for its text on the first
// field that is not on the next line. Null for a record being written (its
// text grows between reads) or without memory: the searches then walk the text.
static const ConfigKeyIndex* KeyIndexFor(ConfigRecord* record)
{
    if (record->writing || !record->text.data) return nullptr;
    if (!ConfigKeyIndexFits(record->keyIndex, record->text.data, record->text.count)) {
        FreeConfigKeyIndex(&record->keyIndex);
        record->keyIndex = NewConfigKeyIndex(record->text.data, record->text.count, (int32_t)sizeof(record->key));
    }
    return record->keyIndex;
}

// The first place a line begins at or behind start, or -1.
static int32_t LineStartFrom(const ConfigRecord* record, int32_t start)
{
    const char* text = record->text.data;
    int32_t n = record->text.count;
    int32_t p = start < 0 ? 0 : start;
    if (p == 0 || p > n || text[p - 1] == '\n') return p;
    const char* lf = p < n ? (const char*)memchr(text + p, '\n', (size_t)(n - p)) : nullptr;
    return lf ? (int32_t)(lf - text) + 1 : -1;
}

// Where a line holding the key begins: behind the last value read, else
// from the start. A field read in order is on the next line; any other is
// looked up in the index, which serves keys that can stand before a line's "=".
static int32_t FindKeyLine(ConfigRecord* record, const char* key, int32_t keyLength)
{
    const char* text = record->text.data;
    int32_t n = record->text.count;
    if (!text || keyLength <= 0) return -1;
    // Behind a value without its terminator the next line is no guide.
    int32_t next = record->readPosition >= 0 ? LineStartFrom(record, record->readPosition) : -1;
    if (next >= 0 && (int64_t)next + keyLength < n && memcmp(text + next, key, (size_t)keyLength) == 0 &&
        text[next + keyLength] == '=')
        return next;
    const ConfigKeyIndex* index = KeyIndexFor(record);
    if (index && !memchr(key, '=', (size_t)keyLength) && !memchr(key, '\n', (size_t)keyLength))
        return FindIndexedKey(index, key, keyLength, record->readPosition);
    int32_t p = FindRecordKey(record, key, keyLength, record->readPosition);
    return p >= 0 ? p : FindRecordKey(record, key, keyLength, 0);
}

// The terminator NUL CR LF that ends the value starting at v, or -1. Until
// the index is needed, fields come in order and the scans never overlap.
static int32_t FindTerminator(ConfigRecord* record, int32_t v)
{
    if (ConfigKeyIndexFits(record->keyIndex, record->text.data, record->text.count))
        return FindIndexedTerminator(record->keyIndex, v);
    const char* text = record->text.data;
    int32_t n = record->text.count;
    for (int32_t t = v; t + 3 <= n;) {
        const char* nul = (const char*)memchr(text + t, '\0', (size_t)(n - t));
        if (!nul) break;
        t = (int32_t)(nul - text);
        if (t + 3 > n) break;
        if (text[t + 1] == '\r' && text[t + 2] == '\n') return t;
        t++;
    }
    return -1;
}

int32_t ReadRecordValue(ConfigRecord* record, const char* key)
{
    int32_t keyLength = (int32_t)BoundedLength(key, sizeof(record->key));
    int32_t p = FindKeyLine(record, key, keyLength);
    if (p < 0) return -1;
    int32_t v = p + keyLength + 1;
    int32_t t = FindTerminator(record, v);
    if (t < 0) {
        record->readPosition = -1;
        return -1;
    }
    record->readPosition = t;
    record->value = record->text.data + v;
    return t;
}

int32_t CountRecordKeys(const ConfigRecord* record, const char* stem)
{
    const char* text = record->text.data;
    int32_t n = record->text.count, count = 0;
    size_t stemLength = stem ? strlen(stem) : 0;
    int32_t lineStart = 0;
    for (int32_t t = 0; text && t + 3 <= n; t++) {
        if (text[t] != '\0' || text[t + 1] != '\r' || text[t + 2] != '\n') continue;
        if ((size_t)(t - lineStart) >= stemLength && memcmp(text + lineStart, stem, stemLength) == 0)
            count++;
        t += 2;
        lineStart = t + 1;
    }
    return count;
}
