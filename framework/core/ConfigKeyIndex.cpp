// ConfigKeyIndex.cpp - the key index of a record's text: a hash table of the
// distinct keys, each with the ascending offsets of its lines.
#include "framework/core/ConfigKeyIndex.h"

#include <stdlib.h>
#include <string.h>

struct IndexedKey {
    uint32_t hash;
    int32_t offset;   // of its first line: the key's bytes
    int32_t length;
    int32_t first;    // into lines
    int32_t count;
};

struct ConfigKeyIndex {
    const char* text;   // the text it was built for
    int32_t count;
    IndexedKey* keys;
    int32_t keyCount;
    int32_t* slots;      // key numbers, -1 empty; slotMask + 1 of them
    uint32_t slotMask;
    int32_t* lines;      // line offsets grouped by key, ascending in each group
    int32_t* terminators;
    int32_t terminatorCount;
};

// FNV-1a.
static uint32_t HashBytes(const char* p, int32_t n)
{
    uint32_t h = 2166136261u;
    for (int32_t i = 0; i < n; i++) h = (h ^ (uint8_t)p[i]) * 16777619u;
    return h;
}

// Slot of the key: its own, or the empty one where it belongs.
static uint32_t FindSlot(const ConfigKeyIndex* x, const char* key, int32_t length, uint32_t hash)
{
    for (uint32_t s = hash & x->slotMask;; s = (s + 1) & x->slotMask) {
        int32_t k = x->slots[s];
        if (k < 0) return s;
        const IndexedKey& e = x->keys[k];
        if (e.hash == hash && e.length == length && memcmp(x->text + e.offset, key, (size_t)length) == 0)
            return s;
    }
}

// Counts the lines that may hold a key and the terminators: one pass.
static void CountText(const char* text, int32_t n, int32_t* lines, int32_t* terminators)
{
    *lines = n > 0 ? 1 : 0;
    *terminators = 0;
    for (int32_t i = 0; i < n; i++) {
        if (text[i] == '\n' && i + 1 < n) (*lines)++;
        if (text[i] == '\0' && i + 2 < n && text[i + 1] == '\r' && text[i + 2] == '\n') (*terminators)++;
    }
}

// Length of the key at a line start: the bytes before its first "=", or -1
// when a line feed, NUL, the end or the length limit comes first.
static int32_t KeyLengthAt(const char* text, int32_t n, int32_t start, int32_t maxKeyLength)
{
    int32_t limit = n - start - 1;   // the "=" itself must lie inside the text
    if (limit > maxKeyLength) limit = maxKeyLength;
    for (int32_t i = 0; i <= limit && start + i < n; i++) {
        char c = text[start + i];
        if (c == '=') return i > 0 ? i : -1;
        if (c == '\n' || c == '\0') return -1;
    }
    return -1;
}

static bool Allocate(ConfigKeyIndex* x, int32_t lineCount, int32_t terminatorCount, int32_t** keyOfLine)
{
    uint32_t slots = 16;
    while (slots < (uint32_t)lineCount * 2u) slots <<= 1;
    x->slotMask = slots - 1;
    size_t lines = (size_t)(lineCount > 0 ? lineCount : 1);
    x->keys = (IndexedKey*)malloc(lines * sizeof(IndexedKey));
    x->slots = (int32_t*)malloc(slots * sizeof(int32_t));
    x->lines = (int32_t*)malloc(lines * sizeof(int32_t));
    x->terminators = (int32_t*)malloc((size_t)(terminatorCount > 0 ? terminatorCount : 1) * sizeof(int32_t));
    *keyOfLine = (int32_t*)malloc(lines * 2 * sizeof(int32_t));   // key number and offset per line
    if (!x->keys || !x->slots || !x->lines || !x->terminators || !*keyOfLine) return false;
    memset(x->slots, 0xFF, slots * sizeof(int32_t));
    return true;
}

ConfigKeyIndex* NewConfigKeyIndex(const char* text, int32_t count, int32_t maxKeyLength)
{
    if (!text || count < 0 || count > INT32_MAX / 2) return nullptr;
    ConfigKeyIndex* x = (ConfigKeyIndex*)calloc(1, sizeof(ConfigKeyIndex));
    if (!x) return nullptr;
    x->text = text;
    x->count = count;
    int32_t lineCount = 0, terminatorCount = 0;
    CountText(text, count, &lineCount, &terminatorCount);
    int32_t* keyOfLine = nullptr;
    if (!Allocate(x, lineCount, terminatorCount, &keyOfLine)) {
        free(keyOfLine);
        FreeConfigKeyIndex(&x);
        return nullptr;
    }

    // Every line start: its key, counted per distinct key.
    int32_t found = 0;
    for (int32_t start = 0; start < count;) {
        int32_t length = KeyLengthAt(text, count, start, maxKeyLength);
        if (length > 0) {
            uint32_t hash = HashBytes(text + start, length);
            uint32_t s = FindSlot(x, text + start, length, hash);
            if (x->slots[s] < 0) {
                x->keys[x->keyCount] = {hash, start, length, 0, 0};
                x->slots[s] = x->keyCount++;
            }
            x->keys[x->slots[s]].count++;
            keyOfLine[2 * found] = x->slots[s];
            keyOfLine[2 * found + 1] = start;
            found++;
        }
        const char* lf = (const char*)memchr(text + start, '\n', (size_t)(count - start));
        if (!lf) break;
        start = (int32_t)(lf - text) + 1;
    }
    // Each key's lines in a run of their own, in text order.
    int32_t next = 0;
    for (int32_t k = 0; k < x->keyCount; k++) {
        x->keys[k].first = next;
        next += x->keys[k].count;
        x->keys[k].count = 0;
    }
    for (int32_t i = 0; i < found; i++) {
        IndexedKey& e = x->keys[keyOfLine[2 * i]];
        x->lines[e.first + e.count++] = keyOfLine[2 * i + 1];
    }
    free(keyOfLine);

    for (int32_t t = 0; t + 3 <= count;) {
        const char* nul = (const char*)memchr(text + t, '\0', (size_t)(count - t));
        if (!nul) break;
        t = (int32_t)(nul - text);
        if (t + 3 > count) break;
        if (text[t + 1] == '\r' && text[t + 2] == '\n') x->terminators[x->terminatorCount++] = t;
        t++;
    }
    return x;
}

void FreeConfigKeyIndex(ConfigKeyIndex** index)
{
    if (!index || !*index) return;
    ConfigKeyIndex* x = *index;
    free(x->keys);
    free(x->slots);
    free(x->lines);
    free(x->terminators);
    free(x);
    *index = nullptr;
}

bool ConfigKeyIndexFits(const ConfigKeyIndex* index, const char* text, int32_t count)
{
    return index && index->text == text && index->count == count;
}

// Index of the first value in [0, n) not below v, or n.
static int32_t LowerBound(const int32_t* values, int32_t n, int32_t v)
{
    int32_t lo = 0, hi = n;
    while (lo < hi) {
        int32_t mid = lo + (hi - lo) / 2;
        if (values[mid] < v) lo = mid + 1;
        else hi = mid;
    }
    return lo;
}

int32_t FindIndexedKey(const ConfigKeyIndex* index, const char* key, int32_t keyLength, int32_t start)
{
    if (!index || keyLength <= 0) return -1;
    uint32_t s = FindSlot(index, key, keyLength, HashBytes(key, keyLength));
    if (index->slots[s] < 0) return -1;
    const IndexedKey& e = index->keys[index->slots[s]];
    const int32_t* lines = index->lines + e.first;
    int32_t at = LowerBound(lines, e.count, start < 0 ? 0 : start);
    return at < e.count ? lines[at] : lines[0];
}

int32_t FindIndexedTerminator(const ConfigKeyIndex* index, int32_t offset)
{
    if (!index) return -1;
    int32_t at = LowerBound(index->terminators, index->terminatorCount, offset);
    return at < index->terminatorCount ? index->terminators[at] : -1;
}
