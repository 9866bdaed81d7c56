// HotkeyKeys.cpp - the key-name table and the local key names read at start-up.
#include "framework/ui/HotkeyKeys.h"

#include "framework/core/TextUtil.h"

#include <windows.h>

#include <string.h>

namespace {

struct NamedKey {
    uint8_t     code;
    const char* displayName;
    const char* constantName;
    const char* description;
};

// Every code with a Windows virtual-key constant; digits and letters are added
// by BuildTable, and the other codes are named by their number.
const NamedKey kNamedKeys[] = {
    {0x00, "", "NONE", "None"},
    {0x01, "Left Button", "VK_LBUTTON", "Left mouse button"},
    {0x02, "Right Button", "VK_RBUTTON", "Right mouse button"},
    {0x03, "Break", "VK_CANCEL", "Control-break processing"},
    {0x04, "Middle Button", "VK_MBUTTON", "Middle mouse button"},
    {0x05, "X1 Button", "VK_XBUTTON1", "X1 mouse button"},
    {0x06, "X2 Button", "VK_XBUTTON2", "X2 mouse button"},
    {0x08, "Backspace", "VK_BACK", "BACKSPACE key"},
    {0x09, "Tab", "VK_TAB", "TAB key"},
    {0x0C, "Clear", "VK_CLEAR", "CLEAR key"},
    {0x0D, "Enter", "VK_RETURN", "ENTER key"},
    {0x10, "Shift", "VK_SHIFT", "SHIFT key"},
    {0x11, "Ctrl", "VK_CONTROL", "CTRL key"},
    {0x12, "Alt", "VK_MENU", "ALT key"},
    {0x13, "Pause", "VK_PAUSE", "PAUSE key"},
    {0x14, "Caps Lock", "VK_CAPITAL", "CAPS LOCK key"},
    {0x15, "Kana", "VK_KANA_HANGUL", "IME Kana or Hangul mode"},
    {0x17, "Junja", "VK_JUNJA", "IME Junja mode"},
    {0x18, "Final", "VK_FINAL", "IME final mode"},
    {0x19, "Kanji", "VK_HANJA_KANJI", "IME Hanja or Kanji mode"},
    {0x1B, "Esc", "VK_ESCAPE", "ESC key"},
    {0x1C, "Convert", "VK_CONVERT", "IME convert"},
    {0x1D, "Nonconvert", "VK_NONCONVERT", "IME nonconvert"},
    {0x1E, "Accept", "VK_ACCEPT", "IME accept"},
    {0x1F, "Mode Change", "VK_MODECHANGE", "IME mode change request"},
    {0x20, "Space", "VK_SPACE", "SPACEBAR"},
    {0x21, "Page Up", "VK_PRIOR", "PAGE UP key"},
    {0x22, "Page Down", "VK_NEXT", "PAGE DOWN key"},
    {0x23, "End", "VK_END", "END key"},
    {0x24, "Home", "VK_HOME", "HOME key"},
    {0x25, "Left", "VK_LEFT", "LEFT ARROW key"},
    {0x26, "Up", "VK_UP", "UP ARROW key"},
    {0x27, "Right", "VK_RIGHT", "RIGHT ARROW key"},
    {0x28, "Down", "VK_DOWN", "DOWN ARROW key"},
    {0x29, "Select", "VK_SELECT", "SELECT key"},
    {0x2A, "Print", "VK_PRINT", "PRINT key"},
    {0x2B, "Execute", "VK_EXECUTE", "EXECUTE key"},
    {0x2C, "Print Screen", "VK_SNAPSHOT", "PRINT SCREEN key"},
    {0x2D, "Insert", "VK_INSERT", "INS key"},
    {0x2E, "Delete", "VK_DELETE", "DEL key"},
    {0x2F, "Help", "VK_HELP", "HELP key"},
    {0x5B, "Left Win", "VK_LWIN", "Left Windows key"},
    {0x5C, "Right Win", "VK_RWIN", "Right Windows key"},
    {0x5D, "Menu", "VK_APPS", "Applications key"},
    {0x5F, "Sleep", "VK_SLEEP", "Computer Sleep key"},
    {0x60, "Num 0", "VK_NUMPAD0", "Numeric keypad 0 key"},
    {0x61, "Num 1", "VK_NUMPAD1", "Numeric keypad 1 key"},
    {0x62, "Num 2", "VK_NUMPAD2", "Numeric keypad 2 key"},
    {0x63, "Num 3", "VK_NUMPAD3", "Numeric keypad 3 key"},
    {0x64, "Num 4", "VK_NUMPAD4", "Numeric keypad 4 key"},
    {0x65, "Num 5", "VK_NUMPAD5", "Numeric keypad 5 key"},
    {0x66, "Num 6", "VK_NUMPAD6", "Numeric keypad 6 key"},
    {0x67, "Num 7", "VK_NUMPAD7", "Numeric keypad 7 key"},
    {0x68, "Num 8", "VK_NUMPAD8", "Numeric keypad 8 key"},
    {0x69, "Num 9", "VK_NUMPAD9", "Numeric keypad 9 key"},
    {0x6A, "Num *", "VK_MULTIPLY", "Multiply key"},
    {0x6B, "Num +", "VK_ADD", "Add key"},
    {0x6C, "Separator", "VK_SEPARATOR", "Separator key"},
    {0x6D, "Num -", "VK_SUBTRACT", "Subtract key"},
    {0x6E, "Num .", "VK_DECIMAL", "Decimal key"},
    {0x6F, "Num /", "VK_DIVIDE", "Divide key"},
    {0x70, "F1", "VK_F1", "F1 key"},
    {0x71, "F2", "VK_F2", "F2 key"},
    {0x72, "F3", "VK_F3", "F3 key"},
    {0x73, "F4", "VK_F4", "F4 key"},
    {0x74, "F5", "VK_F5", "F5 key"},
    {0x75, "F6", "VK_F6", "F6 key"},
    {0x76, "F7", "VK_F7", "F7 key"},
    {0x77, "F8", "VK_F8", "F8 key"},
    {0x78, "F9", "VK_F9", "F9 key"},
    {0x79, "F10", "VK_F10", "F10 key"},
    {0x7A, "F11", "VK_F11", "F11 key"},
    {0x7B, "F12", "VK_F12", "F12 key"},
    {0x7C, "F13", "VK_F13", "F13 key"},
    {0x7D, "F14", "VK_F14", "F14 key"},
    {0x7E, "F15", "VK_F15", "F15 key"},
    {0x7F, "F16", "VK_F16", "F16 key"},
    {0x80, "F17", "VK_F17", "F17 key"},
    {0x81, "F18", "VK_F18", "F18 key"},
    {0x82, "F19", "VK_F19", "F19 key"},
    {0x83, "F20", "VK_F20", "F20 key"},
    {0x84, "F21", "VK_F21", "F21 key"},
    {0x85, "F22", "VK_F22", "F22 key"},
    {0x86, "F23", "VK_F23", "F23 key"},
    {0x87, "F24", "VK_F24", "F24 key"},
    {0x90, "Num Lock", "VK_NUMLOCK", "NUM LOCK key"},
    {0x91, "Scroll Lock", "VK_SCROLL", "SCROLL LOCK key"},
    {0xA0, "Left Shift", "VK_LSHIFT", "Left SHIFT key"},
    {0xA1, "Right Shift", "VK_RSHIFT", "Right SHIFT key"},
    {0xA2, "Left Ctrl", "VK_LCONTROL", "Left CONTROL key"},
    {0xA3, "Right Ctrl", "VK_RCONTROL", "Right CONTROL key"},
    {0xA4, "Left Alt", "VK_LMENU", "Left ALT key"},
    {0xA5, "Right Alt", "VK_RMENU", "Right ALT key"},
    {0xA6, "Browser Back", "VK_BROWSER_BACK", "Browser Back key"},
    {0xA7, "Browser Forward", "VK_BROWSER_FORWARD", "Browser Forward key"},
    {0xA8, "Browser Refresh", "VK_BROWSER_REFRESH", "Browser Refresh key"},
    {0xA9, "Browser Stop", "VK_BROWSER_STOP", "Browser Stop key"},
    {0xAA, "Browser Search", "VK_BROWSER_SEARCH", "Browser Search key"},
    {0xAB, "Browser Favorites", "VK_BROWSER_FAVORITES", "Browser Favorites key"},
    {0xAC, "Browser Home", "VK_BROWSER_HOME", "Browser Start and Home key"},
    {0xAD, "Volume Mute", "VK_VOLUME_MUTE", "Volume Mute key"},
    {0xAE, "Volume Down", "VK_VOLUME_DOWN", "Volume Down key"},
    {0xAF, "Volume Up", "VK_VOLUME_UP", "Volume Up key"},
    {0xB0, "Next Track", "VK_MEDIA_NEXT_TRACK", "Next Track key"},
    {0xB1, "Previous Track", "VK_MEDIA_PREV_TRACK", "Previous Track key"},
    {0xB2, "Stop Media", "VK_MEDIA_STOP", "Stop Media key"},
    {0xB3, "Play/Pause", "VK_MEDIA_PLAY_PAUSE", "Play/Pause Media key"},
    {0xB4, "Mail", "VK_LAUNCH_MAIL", "Start Mail key"},
    {0xB5, "Select Media", "VK_LAUNCH_MEDIA_SELECT", "Select Media key"},
    {0xB6, "App 1", "VK_LAUNCH_APP1", "Start Application 1 key"},
    {0xB7, "App 2", "VK_LAUNCH_APP2", "Start Application 2 key"},
    {0xBA, "", "VK_OEM_1", "OEM 1 key (US ;:)"},
    {0xBB, "", "VK_OEM_PLUS", "OEM plus key"},
    {0xBC, "", "VK_OEM_COMMA", "OEM comma key"},
    {0xBD, "", "VK_OEM_MINUS", "OEM minus key"},
    {0xBE, "", "VK_OEM_PERIOD", "OEM period key"},
    {0xBF, "", "VK_OEM_2", "OEM 2 key (US /?)"},
    {0xC0, "", "VK_OEM_3", "OEM 3 key (US `~)"},
    {0xDB, "", "VK_OEM_4", "OEM 4 key (US [{)"},
    {0xDC, "", "VK_OEM_5", "OEM 5 key (US \\|)"},
    {0xDD, "", "VK_OEM_6", "OEM 6 key (US ]})"},
    {0xDE, "", "VK_OEM_7", "OEM 7 key (US '\")"},
    {0xDF, "", "VK_OEM_8", "OEM 8 key"},
    {0xE2, "", "VK_OEM_102", "OEM 102 key (<> or \\|)"},
    {0xE5, "", "VK_PROCESSKEY", "IME PROCESS key"},
    {0xE7, "", "VK_PACKET", "Unicode packet key"},
    {0xF6, "Attn", "VK_ATTN", "Attn key"},
    {0xF7, "CrSel", "VK_CRSEL", "CrSel key"},
    {0xF8, "ExSel", "VK_EXSEL", "ExSel key"},
    {0xF9, "Erase EOF", "VK_EREOF", "Erase EOF key"},
    {0xFA, "Play", "VK_PLAY", "Play key"},
    {0xFB, "Zoom", "VK_ZOOM", "Zoom key"},
    {0xFC, "", "VK_NONAME", "Reserved"},
    {0xFD, "PA1", "VK_PA1", "PA1 key"},
    {0xFE, "Clear", "VK_OEM_CLEAR", "Clear key"},
};

KeyNameRow g_keyNames[KEY_NAME_ROWS];

KeyNameRow* BuildTable()
{
    for (int code = 0; code < KEY_NAME_ROWS - 1; code++) {
        KeyNameRow* row = &g_keyNames[code];
        row->code = (uint8_t)code;
        FormatText(row->constantName, sizeof(row->constantName), "0x%02X", code);
    }
    g_keyNames[KEY_NAME_ROWS - 1].code = KEY_NAME_ROWS - 1;   // 255: no key, all names empty
    for (int c = '0'; c <= 'Z'; c = (c == '9') ? 'A' : c + 1) {
        KeyNameRow* row = &g_keyNames[c];
        char name[2] = {(char)c, '\0'};
        CopyText(row->displayName, sizeof(row->displayName), name);
        CopyText(row->constantName, sizeof(row->constantName), name);
        FormatText(row->description, sizeof(row->description), "%s key", name);
    }
    for (const NamedKey& k : kNamedKeys) {
        KeyNameRow* row = &g_keyNames[k.code];
        CopyText(row->displayName, sizeof(row->displayName), k.displayName);
        CopyText(row->constantName, sizeof(row->constantName), k.constantName);
        CopyText(row->description, sizeof(row->description), k.description);
    }
    return g_keyNames;
}

KeyNameRow* Table()
{
    static KeyNameRow* table = BuildTable();   // thread-safe first use
    return table;
}

}  // namespace

const KeyNameRow* GetKeyNameTable()
{
    return Table();
}

int FindKeyByConstantName(const char* name)
{
    if (!name || !*name) return -1;
    const KeyNameRow* rows = Table();
    for (int code = 0; code < KEY_NAME_ROWS - 1; code++)
        if (strcmp(rows[code].constantName, name) == 0) return code;
    return -1;
}

void FillHotkeyKeyTable()
{
    KeyNameRow* rows = Table();
    for (UINT vk = 1; vk < KEY_NAME_ROWS; vk++) {
        KeyNameRow* row = &rows[vk];
        row->nameLength = (uint16_t)strlen(row->displayName);
        int ch = (int)MapVirtualKeyA(vk, MAPVK_VK_TO_CHAR);
        if (ch < 0) ch = 0;
        if (!row->displayName[0] && ch >= 0x20 && ch < 0x7F) {
            row->displayName[0] = (char)ch;
            row->displayName[1] = '\0';
        }
        LONG scan = (LONG)MapVirtualKeyA(vk, MAPVK_VK_TO_VSC) << 16;
        char name[32] = {};
        if (!GetKeyNameTextA(scan, name, sizeof(name))) GetKeyNameTextA(scan | (1 << 24), name, sizeof(name));
        CopyText(row->localName, sizeof(row->localName), name);
    }
}
