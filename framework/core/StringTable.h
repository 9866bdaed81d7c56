// StringTable.h - numbered texts by language: the product table (ids below
// 0xF000) and the framework table (ids from 0xF000), up to 16 columns a row.
#pragma once

#include <stdint.h>

#define STRING_COLUMNS  16
#define STRING_END_ID   0xFFFF
#define STRING_LANGUAGES 2

struct StringTableEntry {
    uint16_t id;
    const char* columns[STRING_COLUMNS];   // null: no text in that column
};

struct StringTable {
    const char* languageNames[STRING_LANGUAGES];
    StringTableEntry* productTables[STRING_LANGUAGES];
    StringTableEntry* frameworkTables[STRING_LANGUAGES];
    int productCount;     // rows before the 0xFFFF row, shared by both languages
    int frameworkCount;
    uint32_t language;    // index in use, from the "(ZRP)App" record
};

// Sorts the rows before the 0xFFFF row by id; returns their count.
int SortStringTable(StringTableEntry* table);
// Text of an id and column, or null (missing id or column, id 0xFFFF, column 16+).
const char* GetAppString(const StringTable* strings, uint16_t id, int column);
// Column 0 of an id, or "" so that callers can format with it safely.
const char* AppText(uint16_t id, int column = 0);

// The framework's compiled-in table (language 0), ending with a 0xFFFF row;
// sorted once at construction, read-only afterwards.
extern StringTableEntry g_frameworkStrings[];
