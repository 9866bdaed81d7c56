// CommandTable.h - the command table (sorted by id) and the accelerator table.
#pragma once

#include <windows.h>

#include <stdint.h>

struct AppObject;

#define CMD_ENABLED       0x1
#define CMD_TEXTTOSHORTCUT 0x2
#define CMD_SEPARATORLINE 0x4
#define CMD_FRAME         0x10
#define CMD_BOLD          0x40
#define CMD_SHOWTEXT      0x80
#define CMD_SHOWICON      0x100
#define CMD_HOT           0x200
#define CMD_PRESSED       0x400
#define CMD_CHECKED       0x800
#define CMD_ADDED         0x1000
#define CMD_KEEPPRESSED   0x8000
#define CMD_TEXTCOLUMN4   0x10000
#define CMD_DRAGOUT       0x20000
#define CMD_MENUTOOLTIP   0x40000
#define CMD_SPLITARROW    0x1000000
#define CMD_ARROWPRESSED  0x2000000
#define CMD_MENUBAR       0x4000000
#define CMD_ACCELDISABLED 0x8000000

#define CMD_SEPARATOR     0xF000
#define CMD_LIST_END      0xFFFF

struct CommandEntry {
    uint16_t id;
    uint16_t type;          // UI item type: 1 button, 3 popup, 4 separator, 6 list
    float    widthFactor, heightFactor;
    uint32_t flags;
    uint16_t iconId;
    uint16_t stringId;      // column 0 text, column 2 description; 0xFFFE asks the owner
    intptr_t data;          // popups: const uint16_t* list ending 0xFFFF; else a value
};

struct AcceleratorEntry {
    uint16_t key;
    uint8_t  shift, ctrl, alt;
    uint16_t command;
    uint16_t windowNumber;  // 0xFFFF: any application window
};

// Index of the new row, or -1 when the table cannot grow.
int AddCommand(AppObject* app, uint16_t id, uint16_t type, uint32_t flags, uint16_t iconId,
               uint16_t stringId, intptr_t data, float widthFactor, float heightFactor);
int FindCommandIndex(const AppObject* app, uint16_t id);
// 0, or 0xF007 for an id that is not in the table.
int SetCommandChecked(AppObject* app, uint16_t id, bool checked);
int SetCommandEnabled(AppObject* app, uint16_t id, bool enabled);
// Redraws at once every live UI item bound to the command.
void RedrawCommandItems(AppObject* app, uint16_t id);

// What a key press finds in the accelerator table.
#define ACCEL_NONE (-1)   // no row matches: the key goes on
#define ACCEL_STOP (-2)   // a row names a window number no application window has
// Index of the first row the key matches with the modifiers held (a row may
// leave a held modifier unasked) while foreground is in front; ACCEL_NONE or
// ACCEL_STOP.
int FindAcceleratorMatch(AppObject* app, uint16_t key, bool shift, bool ctrl, bool alt, HWND foreground);
