// HotkeyKeys.cpp - local key names for the hotkey field, read at start-up.
#include "framework/ui/HotkeyKeys.h"

#include "framework/core/TextUtil.h"

#include <windows.h>

struct HotkeyKeyRow {
    char character;
    char localName[32];
};

static HotkeyKeyRow g_keys[256];

void FillHotkeyKeyTable()
{
    for (UINT vk = 1; vk < 256; vk++) {
        HotkeyKeyRow* row = &g_keys[vk];
        int ch = (int)MapVirtualKeyA(vk, MAPVK_VK_TO_CHAR);
        if (ch < 0) ch = 0;
        if (!row->character && ch >= 0x20 && ch < 0x7F) row->character = (char)ch;
        LONG scan = (LONG)MapVirtualKeyA(vk, MAPVK_VK_TO_VSC) << 16;
        char name[32] = {};
        if (!GetKeyNameTextA(scan, name, sizeof(name))) GetKeyNameTextA(scan | (1 << 24), name, sizeof(name));
        CopyText(row->localName, sizeof(row->localName), name);
    }
}
