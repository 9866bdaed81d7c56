// ConfigRecord.h - key=value configuration records stored as the single entry
// of a password-protected ZIP file.
//
// A record routine walks its fields in a fixed order and calls one exchanger
// per field; the same walk writes when the record is in writing mode and reads
// when it is not, so reader and writer share one field list. Text lines are
// key "=" value NUL CR LF.
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <windows.h>

#include "framework/core/GrowArray.h"
#include "framework/core/RecordFile.h"

// Every configuration record file is encrypted with this password.
#define CONFIG_RECORD_PASSWORD "Tq7mWzLk3RbVxa"

// Largest record text kept in memory; a record file claiming more is not ours.
#define CONFIG_TEXT_MAX (64u * 1024u * 1024u)

// Results of the exchangers and of AppendRecordLine.
#define CFG_OK          0
#define CFG_MISSING     (-1)   // reading: the key is not in the record
#define CFG_UNREADABLE  1      // reading: the value does not parse; the field is kept
#define CFG_FULL        2      // writing: the line could not be stored

// Results of LoadRecordArchive (else the text length) and SaveRecordArchive
// (else the archive size).
#define CFG_ERR_ARCHIVE  (-1)   // not a ZIP archive / archive cannot be created
#define CFG_ERR_ENTRY    (-2)   // no entry 0 / entry cannot be added
#define CFG_ERR_MEMORY   (-3)   // no memory / archive cannot be finished or written
#define CFG_ERR_EXTRACT  (-4)   // extraction failed (damaged, wrong password)

struct ConfigKeyIndex;

struct ConfigRecord {
    int32_t recordNumber;            // names the ZIP entry; taken from it on loading
    int32_t writing;                 // set when constructed with a nonzero number
    int32_t readPosition;            // terminator of the last value found, -1 after a failed scan
    int32_t expressionPrefixLength;  // leading characters dropped from every field expression
    int32_t keyPrefixLength;         // length of the key prefix at the start of key
    GrowArray<char> text;            // the lines
    const char* value;               // start of the last value found (inside text)
    char pattern[1024];              // scratch for formatted values
    char key[MAX_PATH];              // key prefix + current field's key
    ConfigKeyIndex* keyIndex;        // reading: the text's keys, once a field is not on the next line
};

//--- record and its text
void InitConfigRecord(ConfigRecord* record, int32_t recordNumber, const char* expressionPrefix);
void ClearConfigRecord(ConfigRecord* record);
// Sets the expression prefix to drop and the key prefix (printf format, null
// for none). False when the formatted prefix had to be cut.
bool SetRecordKeyPrefix(ConfigRecord* record, const char* expressionPrefix,
                        const char* keyPrefixFormat, ...);
// Builds record->key from a field expression: the expression prefix is
// dropped and a "[letter...]" index becomes "[index]". False when cut.
bool FormatRecordKey(ConfigRecord* record, const char* expression, int index);
// Appends key=value NUL CR LF. CFG_OK, or CFG_FULL with the text unchanged.
int AppendRecordLine(ConfigRecord* record, const char* key, const char* value);
int AppendRecordLineN(ConfigRecord* record, const char* key, const char* value, size_t valueLength);
// Offset of the line holding the key (searched from start), or -1.
int32_t FindRecordKey(const ConfigRecord* record, const char* key, int32_t keyLength, int32_t start);
// Offset of the value's terminator (record->value set), or -1.
int32_t ReadRecordValue(ConfigRecord* record, const char* key);
// Number of complete lines whose key begins with stem ("" counts every line):
// a bound for the element count a stored list claims.
int32_t CountRecordKeys(const ConfigRecord* record, const char* stem);

//--- exchangers: CFG_OK, CFG_MISSING (field untouched), CFG_UNREADABLE, CFG_FULL
int ExchangeIntField(ConfigRecord* record, int32_t* field, const char* expression, int index);
int ExchangeIntField(ConfigRecord* record, uint32_t* field, const char* expression, int index);
int ExchangeShortField(ConfigRecord* record, int16_t* field, const char* expression, int index);
int ExchangeCharField(ConfigRecord* record, uint8_t* field, const char* expression, int index);
int ExchangeCharField(ConfigRecord* record, int8_t* field, const char* expression, int index);
int ExchangeHexDwordField(ConfigRecord* record, uint32_t* field, const char* expression, int index);
int ExchangeInt64Field(ConfigRecord* record, int64_t* field, const char* expression, int index);
int ExchangeHexByteField(ConfigRecord* record, uint8_t* field, const char* expression, int index);
int ExchangeHexWordField(ConfigRecord* record, uint16_t* field, const char* expression, int index);
// 24 bytes; the key is always that of "prul->sortcolumn".
int ExchangeHexBlobField(ConfigRecord* record, uint8_t* field, const char* expression, int index);
// A text field of capacity bytes: read values are cut to fit and terminated.
int ExchangeTextField(ConfigRecord* record, char* field, size_t capacity, const char* expression,
                      int index);
// Four decimals "left,top,right,bottom"; fewer than four read as unreadable.
int ExchangeRectField(ConfigRecord* record, RECT* field, const char* expression, int index);

//--- field tables: one row per stored field drives both directions
enum ConfigFieldKind : uint8_t {
    CFK_INT,        // int32 / uint32, decimal
    CFK_SHORT,      // int16, decimal
    CFK_CHAR,       // 8-bit, signed decimal
    CFK_HEX_DWORD,  // "0x%08X"
    CFK_INT64,      // decimal
    CFK_HEX_BYTE,   // two hexadecimal digits
    CFK_HEX_WORD,   // "0x%04X"
    CFK_HEX_BLOB,   // 24 bytes, 48 hexadecimal digits
    CFK_TEXT,       // NUL-terminated text of the field's size
    CFK_RECT,       // "%d,%d,%d,%d"
};

struct ConfigField {
    const char* expression;   // as the record routine names it, e.g. "prul->caption"
    uint8_t     kind;         // CFK_*
    uint32_t    offset;       // of the field in its record
    uint32_t    size;         // bytes of the field
};

// Field sizes each kind needs (0: any, texts); a table row that disagrees
// does not compile when the table is constexpr.
constexpr uint32_t CheckedConfigFieldSize(uint8_t kind, size_t size)
{
    constexpr size_t kKindSize[] = {4, 2, 1, 4, 8, 1, 2, 24, 0, 16};
    return (kind < sizeof(kKindSize) / sizeof(kKindSize[0]) &&
            (kKindSize[kind] == 0 ? size > 0 : kKindSize[kind] == size))
               ? (uint32_t)size
               : throw "configuration field size does not match its kind";
}

#define CONFIG_FIELD(Record, expression, kind, member)                    \
    {                                                                     \
        expression, kind, (uint32_t)offsetof(Record, member),             \
            CheckedConfigFieldSize(kind, sizeof(((Record*)nullptr)->member)) \
    }

// One field of a record (element index for "[xi]" keys). Exchanger result.
int ExchangeConfigField(ConfigRecord* record, const ConfigField* field, void* base, int index);
// Every row in order; CFG_FULL when any line could not be written, else CFG_OK.
int ExchangeConfigFields(ConfigRecord* record, const ConfigField* fields, size_t count, void* base,
                         int index);

//--- files
// Opens the archive with the record password and takes entry 0 as the text.
// The text length, or CFG_ERR_*.
int32_t LoadRecordArchive(ConfigRecord* record, const char* path);
// The path of BuildRecordPath for the formatted name and number (-1 none).
int32_t LoadRecordFile(ConfigRecord* record, const char* nameFormat, int number, int folderChoice,
                       ...);
// Writes the text as entry "<record number>", deflated and encrypted, through
// "<path>_tmp" so a failure leaves the old file as it was. Archive size or CFG_ERR_*.
int32_t SaveRecordArchive(ConfigRecord* record, const char* path);
int32_t SaveRecordFile(ConfigRecord* record, const char* nameFormat, int number, int folderChoice,
                       ...);
