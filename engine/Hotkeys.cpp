// Hotkeys.cpp - the program's global hotkeys, registered on the main window.
#include "engine/Hotkeys.h"

#include "engine/Engine.h"
#include "engine/OptionsRecord.h"

// Hotkey ids of the options' key words.
static const struct {
    uint16_t OptionsRecord::*word;
    int id;
} kGlobalHotkeys[] = {
    {&OptionsRecord::iHotKeyMain, 1},     {&OptionsRecord::iHotKeyTrigger, 2},
    {&OptionsRecord::iHotKeyEnable, 3},   {&OptionsRecord::iHotKeyCreate, 6},
    {&OptionsRecord::iHotKeyNew, 4},      {&OptionsRecord::iHotKeyUpdate, 5},
    {&OptionsRecord::iHotKeyActive, 7},   {&OptionsRecord::iHotKeyTrans, 8},
    {&OptionsRecord::iHotKeyClkThr, 9},   {&OptionsRecord::iHotKeyNonTrans, 0},
    {&OptionsRecord::iHotKeyAlwaysOnTop, 11},
};

void RegisterGlobalHotkeys(int on)
{
    for (const auto& k : kGlobalHotkeys) {
        uint16_t word = Options.*k.word;
        if (!on)
            UnregisterHotKey(g_mainWindow, k.id);
        else if (word)
            RegisterHotKey(g_mainWindow, k.id, word >> 8, word & 0xFF);
    }
}

void RegisterDesktopHotkeys(int) {}

void HandleHotkey(int) {}
