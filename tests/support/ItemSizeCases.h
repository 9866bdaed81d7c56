// ItemSizeCases.h - UI items whose sizes the tests check against the size
// rule: the commands and texts they need, made the same way in the test and
// in the dialog host that measures them at another DPI.
#pragma once

#include "framework/core/AppObject.h"
#include "framework/core/StringTable.h"
#include "framework/ui/UIItem.h"
#include "framework/ui/UIItemClasses.h"

#include <string.h>

struct ItemSizeCase {
    const char* name;
    uint16_t id;
    uint16_t type;           // command type: 1 button, 3 menu, 4 separator
    uint32_t flags;
    float    widthFactor, heightFactor;
    bool     inMenu;
    const char* columns[5];  // texts of the command's string row
};

// Ids below 0xF000 are product strings: each case has its own string row.
static const ItemSizeCase kItemSizeCases[] = {
    {"button", 0x101, 1, CMD_SHOWTEXT | CMD_SHOWICON | CMD_FRAME, 0.5f, 0.25f, false,
     {"Enable", "Ctrl+E", "Turns it on", nullptr, nullptr}},
    {"bold-button", 0x102, 1, CMD_SHOWTEXT | CMD_BOLD, 0.0f, 0.0f, false, {"Apply all", nullptr, nullptr, nullptr, nullptr}},
    {"icon-only", 0x103, 1, CMD_SHOWICON, 0.0f, 0.0f, false, {"Hidden", nullptr, nullptr, nullptr, nullptr}},
    {"column-4", 0x104, 1, CMD_SHOWTEXT | CMD_TEXTCOLUMN4, 0.0f, 0.0f, false,
     {"Short", nullptr, nullptr, nullptr, "A much longer text"}},
    {"menu-entry", 0x105, 1, 0, 0.0f, 0.0f, true, {"Enable", "Ctrl+E", nullptr, nullptr, nullptr}},
    {"menu-entry-bold", 0x106, 1, CMD_BOLD | CMD_SHOWICON, 0.0f, 0.0f, true,
     {"Open", "Ctrl+Shift+O", nullptr, nullptr, nullptr}},
    {"submenu", 0x107, 3, 0, 0.0f, 0.0f, true, {"More", nullptr, nullptr, nullptr, nullptr}},
    {"split-menu", 0x108, 3, CMD_SHOWTEXT | CMD_SPLITARROW, 0.0f, 0.0f, false, {"Send", nullptr, nullptr, nullptr, nullptr}},
    {"separator", 0x109, 4, 0, 0.0f, 0.0f, false, {nullptr, nullptr, nullptr, nullptr, nullptr}},
    {"separator-arrow", 0x10A, 4, CMD_SPLITARROW, 0.0f, 0.0f, true, {nullptr, nullptr, nullptr, nullptr, nullptr}},
};
static const uint16_t kItemSizeMenuId = 0x1FF;   // the menu the "in menu" cases sit in

// A product table holding the cases' rows (and the menu's), ending 0xFFFF;
// installed as language 0.
inline void InstallItemSizeCases(AppObject* app)
{
    static StringTableEntry table[sizeof(kItemSizeCases) / sizeof(kItemSizeCases[0]) + 2];
    int n = 0;
    for (const ItemSizeCase& c : kItemSizeCases) {
        StringTableEntry row = {};
        row.id = c.id;
        for (int i = 0; i < 5; i++) row.columns[i] = c.columns[i];
        table[n++] = row;
        AddCommand(app, c.id, c.type, c.flags, c.id, c.id, 0, c.widthFactor, c.heightFactor);
    }
    StringTableEntry menu = {};
    menu.id = kItemSizeMenuId;
    menu.columns[0] = "Menu";
    table[n++] = menu;
    table[n] = StringTableEntry{};
    table[n].id = STRING_END_ID;
    AddCommand(app, kItemSizeMenuId, 3, CMD_SHOWTEXT, 0, kItemSizeMenuId, 0, 0, 0);
    app->strings.productTables[0] = table;
    app->strings.productCount = SortStringTable(table);
}

// Creates the case's item under parent; in-menu cases sit in menu. Null
// when it cannot be made (the caller frees what it gets with FreeUIItem).
inline CUIItem* MakeItemSizeCase(const ItemSizeCase& c, HWND parent, CMenu* menu)
{
    CUIItem* item = CreateUIItemByType(c.type, nullptr);
    if (!item) return nullptr;
    if (item->Create(c.id, parent, parent, c.inMenu ? menu : nullptr) != 0) {
        FreeUIItem(item);
        return nullptr;
    }
    return item;
}
