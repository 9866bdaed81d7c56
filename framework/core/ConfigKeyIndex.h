// ConfigKeyIndex.h - an index of the keys of a record's text, so that reading
// a record costs time in proportion to its size whatever keys it lacks.
// Internal to the configuration records.
#pragma once

#include <stdint.h>

struct ConfigKeyIndex;

// Indexes text[0, count): for every place a line begins, the bytes up to the
// first "=" (a key without "=", line feed or NUL, of at most maxKeyLength
// bytes), and every terminator NUL CR LF. Null when there is no memory.
// Caller frees with FreeConfigKeyIndex().
ConfigKeyIndex* NewConfigKeyIndex(const char* text, int32_t count, int32_t maxKeyLength);
void FreeConfigKeyIndex(ConfigKeyIndex** index);
// True when the index was built for exactly this text.
bool ConfigKeyIndexFits(const ConfigKeyIndex* index, const char* text, int32_t count);
// The first line at or behind start whose key is key[0, keyLength), else the
// first such line of the text, else -1. The key must hold no "=", line feed
// or NUL.
int32_t FindIndexedKey(const ConfigKeyIndex* index, const char* key, int32_t keyLength, int32_t start);
// The first terminator at or behind offset, or -1.
int32_t FindIndexedTerminator(const ConfigKeyIndex* index, int32_t offset);
