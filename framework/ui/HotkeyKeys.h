// HotkeyKeys.h - the key-name table: one row per virtual-key code, shared by
// the hotkey field and the script language's KEY statement.
#pragma once

#include <stdint.h>

struct KeyNameRow {
    uint8_t  code;
    char     displayName[32];    // the key's caption or character; may be empty
    char     constantName[32];   // "VK_BACK", "A", or "0x07" for codes without a constant
    char     description[33];
    char     localName[32];      // from the keyboard layout, filled at start-up
    uint16_t nameLength;         // length of the display name, set at start-up
};
static_assert(sizeof(KeyNameRow) == 132, "key-name rows are 132 bytes");

#define KEY_NAME_ROWS 256

// The 256 rows, indexed by virtual-key code. Borrowed; built on first use, so
// the constant names are there before start-up fills the local names.
const KeyNameRow* GetKeyNameTable();
// The code whose constant name is exactly name, among 0 to 254; -1 when none.
int FindKeyByConstantName(const char* name);
// Records each key's character and local name from the keyboard layout (UI
// thread, at start-up, before any other thread reads the local names).
void FillHotkeyKeyTable();
