// StringTable.cpp - sorting and looking up the numbered text tables.
#include "framework/core/StringTable.h"

#include "framework/core/AppObject.h"
#include "framework/core/IdSearch.h"

int SortStringTable(StringTableEntry* table)
{
    if (!table) return 0;
    int count = 0;
    while (table[count].id != STRING_END_ID) count++;
    for (int i = 0; i < count; i++) {
        for (int j = i + 1; j < count; j++) {
            if (table[i].id > table[j].id) {
                StringTableEntry t = table[i];
                table[i] = table[j];
                table[j] = t;
            }
        }
    }
    return count;
}

const char* GetAppString(const StringTable* strings, uint16_t id, int column)
{
    if (!strings || id == STRING_END_ID || column < 0 || column >= STRING_COLUMNS) return nullptr;
    uint32_t lang = strings->language < STRING_LANGUAGES ? strings->language : 0;
    const StringTableEntry* table;
    int count;
    if (id < 0xF000) {
        table = strings->productTables[lang] ? strings->productTables[lang]
                                             : strings->productTables[0];
        count = strings->productCount;
    } else {
        table = strings->frameworkTables[lang];
        count = strings->frameworkCount;
    }
    int at = FindSortedId(table, count, id);
    return at < 0 ? nullptr : table[at].columns[column];
}

const char* AppText(uint16_t id, int column)
{
    const char* text = GetAppString(&g_app.strings, id, column);
    return text ? text : "";
}
