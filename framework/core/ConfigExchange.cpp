// ConfigExchange.cpp - the field exchangers: one routine per encoding, both directions.
#include "framework/core/ConfigRecord.h"

#include "framework/core/TextUtil.h"

#include <stdlib.h>
#include <string.h>

// Builds the key; a key that had to be cut can be neither written nor found.
static int BeginExchange(ConfigRecord* record, const char* expression, int index)
{
    if (FormatRecordKey(record, expression, index)) return CFG_OK;
    return record->writing ? CFG_FULL : CFG_MISSING;
}

static int WriteFormatted(ConfigRecord* record)
{
    return AppendRecordLine(record, record->key, record->pattern) == CFG_OK ? CFG_OK : CFG_FULL;
}

// The stored value, or null when the key is missing.
static const char* FindValue(ConfigRecord* record)
{
    return ReadRecordValue(record, record->key) >= 0 ? record->value : nullptr;
}

// Hexadecimal digit rule of the record format: below ":" the code itself,
// from ":" on the code minus 7; the low four bits count.
static uint8_t HexDigit(char c)
{
    unsigned v = (unsigned char)c;
    if (v >= ':') v -= 7;
    return (uint8_t)(v & 0xF);
}

static bool IsHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

// "0x" then 1 to maxDigits hexadecimal digits (0: no limit); low 32 bits kept.
static bool ScanHex(const char* text, int maxDigits, uint32_t* out)
{
    if (text[0] != '0' || text[1] != 'x') return false;
    const char* p = text + 2;
    while (*p == ' ' || *p == '\t') p++;
    uint32_t value = 0;
    int digits = 0;
    while (IsHexDigit(*p) && (maxDigits == 0 || digits < maxDigits)) {
        value = value << 4 | HexDigit(*p++);
        digits++;
    }
    if (digits == 0) return false;
    *out = value;
    return true;
}

// The decimal encodings: written from value, read as the leading number.
static int ExchangeDecimal(ConfigRecord* record, const char* expression, int index, long value, long* read)
{
    int rc = BeginExchange(record, expression, index);
    if (rc != CFG_OK) return rc;
    if (record->writing) {
        FormatText(record->pattern, sizeof(record->pattern), "%ld", value);
        return WriteFormatted(record);
    }
    const char* text = FindValue(record);
    if (!text) return CFG_MISSING;
    *read = strtol(text, nullptr, 10);
    return CFG_OK;
}

int ExchangeIntField(ConfigRecord* record, int32_t* field, const char* expression, int index)
{
    long read = 0;
    int rc = ExchangeDecimal(record, expression, index, *field, &read);
    if (rc == CFG_OK && !record->writing) *field = (int32_t)read;
    return rc;
}

int ExchangeIntField(ConfigRecord* record, uint32_t* field, const char* expression, int index)
{
    return ExchangeIntField(record, reinterpret_cast<int32_t*>(field), expression, index);
}

int ExchangeShortField(ConfigRecord* record, int16_t* field, const char* expression, int index)
{
    long read = 0;
    int rc = ExchangeDecimal(record, expression, index, *field, &read);
    if (rc == CFG_OK && !record->writing) *field = (int16_t)(uint16_t)(read & 0xFFFF);
    return rc;
}

int ExchangeCharField(ConfigRecord* record, uint8_t* field, const char* expression, int index)
{
    long read = 0;
    int rc = ExchangeDecimal(record, expression, index, (int8_t)*field, &read);
    if (rc == CFG_OK && !record->writing) *field = (uint8_t)(read & 0xFF);
    return rc;
}

int ExchangeCharField(ConfigRecord* record, int8_t* field, const char* expression, int index)
{
    return ExchangeCharField(record, reinterpret_cast<uint8_t*>(field), expression, index);
}

int ExchangeHexDwordField(ConfigRecord* record, uint32_t* field, const char* expression, int index)
{
    int rc = BeginExchange(record, expression, index);
    if (rc != CFG_OK) return rc;
    if (record->writing) {
        FormatText(record->pattern, sizeof(record->pattern), "0x%08X", (unsigned)*field);
        return WriteFormatted(record);
    }
    const char* value = FindValue(record);
    if (!value) return CFG_MISSING;
    return ScanHex(value, 8, field) ? CFG_OK : CFG_UNREADABLE;
}

int ExchangeInt64Field(ConfigRecord* record, int64_t* field, const char* expression, int index)
{
    int rc = BeginExchange(record, expression, index);
    if (rc != CFG_OK) return rc;
    if (record->writing) {
        FormatText(record->pattern, sizeof(record->pattern), "%lld", (long long)*field);
        return WriteFormatted(record);
    }
    const char* value = FindValue(record);
    if (!value) return CFG_MISSING;
    char* end = nullptr;
    long long parsed = strtoll(value, &end, 10);
    if (end == value) return CFG_UNREADABLE;
    *field = (int64_t)parsed;
    return CFG_OK;
}

int ExchangeHexByteField(ConfigRecord* record, uint8_t* field, const char* expression, int index)
{
    int rc = BeginExchange(record, expression, index);
    if (rc != CFG_OK) return rc;
    if (record->writing) {
        FormatText(record->pattern, sizeof(record->pattern), "%02X", (unsigned)*field);
        return WriteFormatted(record);
    }
    const char* value = FindValue(record);
    if (!value) return CFG_MISSING;
    // Digits beyond the end of a short value count as 0.
    uint8_t high = value[0] ? HexDigit(value[0]) : 0;
    uint8_t low = value[0] && value[1] ? HexDigit(value[1]) : 0;
    *field = (uint8_t)(high << 4 | low);
    return CFG_OK;
}

int ExchangeHexWordField(ConfigRecord* record, uint16_t* field, const char* expression, int index)
{
    int rc = BeginExchange(record, expression, index);
    if (rc != CFG_OK) return rc;
    if (record->writing) {
        FormatText(record->pattern, sizeof(record->pattern), "0x%04X", (unsigned)*field);
        return WriteFormatted(record);
    }
    const char* value = FindValue(record);
    if (!value) return CFG_MISSING;
    uint32_t parsed = 0;
    if (!ScanHex(value, 0, &parsed)) return CFG_UNREADABLE;
    *field = (uint16_t)(parsed & 0xFFFF);
    return CFG_OK;
}

int ExchangeHexBlobField(ConfigRecord* record, uint8_t* field, const char*, int index)
{
    int rc = BeginExchange(record, "prul->sortcolumn", index);
    if (rc != CFG_OK) return rc;
    if (record->writing) {
        static const char kDigits[] = "0123456789ABCDEF";
        for (int i = 0; i < 24; i++) {
            record->pattern[2 * i] = kDigits[field[i] >> 4];
            record->pattern[2 * i + 1] = kDigits[field[i] & 0xF];
        }
        record->pattern[48] = '\0';
        return WriteFormatted(record);
    }
    const char* value = FindValue(record);
    if (!value) return CFG_MISSING;
    size_t n = strnlen(value, 48);
    for (size_t i = 0; i < 24; i++) {
        uint8_t high = 2 * i < n ? HexDigit(value[2 * i]) : 0;
        uint8_t low = 2 * i + 1 < n ? HexDigit(value[2 * i + 1]) : 0;
        field[i] = (uint8_t)(high << 4 | low);
    }
    return CFG_OK;
}

int ExchangeTextField(ConfigRecord* record, char* field, size_t capacity, const char* expression,
                      int index)
{
    if (!field || capacity == 0) return record->writing ? CFG_FULL : CFG_MISSING;
    int rc = BeginExchange(record, expression, index);
    if (rc != CFG_OK) return rc;
    if (record->writing)
        return AppendRecordLineN(record, record->key, field, BoundedLength(field, capacity - 1));
    const char* value = FindValue(record);
    if (!value) return CFG_MISSING;
    CopyText(field, capacity, value);   // cut to this field's own size
    return CFG_OK;
}

int ExchangeRectField(ConfigRecord* record, RECT* field, const char* expression, int index)
{
    int rc = BeginExchange(record, expression, index);
    if (rc != CFG_OK) return rc;
    if (record->writing) {
        FormatText(record->pattern, sizeof(record->pattern), "%d,%d,%d,%d", (int)field->left,
                   (int)field->top, (int)field->right, (int)field->bottom);
        return WriteFormatted(record);
    }
    const char* value = FindValue(record);
    if (!value) return CFG_MISSING;
    long parts[4];
    const char* p = value;
    for (int i = 0; i < 4; i++) {
        char* end = nullptr;
        parts[i] = strtol(p, &end, 10);
        if (end == p || (i < 3 && *end != ',')) return CFG_UNREADABLE;
        p = end + (i < 3 ? 1 : 0);
    }
    field->left = parts[0];
    field->top = parts[1];
    field->right = parts[2];
    field->bottom = parts[3];
    return CFG_OK;
}

int ExchangeConfigField(ConfigRecord* record, const ConfigField* field, void* base, int index)
{
    uint8_t* at = (uint8_t*)base + field->offset;
    const char* e = field->expression;
    switch (field->kind) {
    case CFK_INT:       return ExchangeIntField(record, (int32_t*)at, e, index);
    case CFK_SHORT:     return ExchangeShortField(record, (int16_t*)at, e, index);
    case CFK_CHAR:      return ExchangeCharField(record, at, e, index);
    case CFK_HEX_DWORD: return ExchangeHexDwordField(record, (uint32_t*)at, e, index);
    case CFK_INT64:     return ExchangeInt64Field(record, (int64_t*)at, e, index);
    case CFK_HEX_BYTE:  return ExchangeHexByteField(record, at, e, index);
    case CFK_HEX_WORD:  return ExchangeHexWordField(record, (uint16_t*)at, e, index);
    case CFK_HEX_BLOB:  return ExchangeHexBlobField(record, at, e, index);
    case CFK_TEXT:      return ExchangeTextField(record, (char*)at, field->size, e, index);
    case CFK_RECT:      return ExchangeRectField(record, (RECT*)at, e, index);
    }
    return record->writing ? CFG_FULL : CFG_MISSING;
}

int ExchangeConfigFields(ConfigRecord* record, const ConfigField* fields, size_t count, void* base,
                         int index)
{
    int result = CFG_OK;
    for (size_t i = 0; i < count; i++)
        if (ExchangeConfigField(record, &fields[i], base, index) == CFG_FULL) result = CFG_FULL;
    return result;
}
