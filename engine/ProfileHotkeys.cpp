// ProfileHotkeys.cpp - listing and registering the profiles' hotkeys.
#include "engine/ProfileHotkeys.h"

#include "engine/Engine.h"
#include "framework/core/TextUtil.h"

GrowArray<ProfileHotKeyEntry> g_profileHotKeys = {0, nullptr, -1, 0, 0};

static void AddEntry(uint8_t on, uint16_t word, uint32_t kind, const char* profile)
{
    // A switch without a key has nothing to register.
    if (!on || !word) return;
    ProfileHotKeyEntry e = {};
    e.word = word;
    e.kind = kind;
    CopyText(e.profile, sizeof(e.profile), profile);
    ArrayAppend(&g_profileHotKeys, &e);
}

static bool WordTakenBefore(int index)
{
    for (int j = 0; j < index; j++)
        if (g_profileHotKeys.data[j].word == g_profileHotKeys.data[index].word) return true;
    return false;
}

void RegisterProfileHotKeys(const GrowArray<Profile>* profiles, int on)
{
    for (int i = 0; i < g_profileHotKeys.count; i++) UnregisterHotKey(g_mainWindow, PROFILE_HOTKEY_FIRST_ID + i);
    g_profileHotKeys.count = 0;
    if (!on || !profiles || !g_mainWindow) return;
    for (int i = 0; i < profiles->count; i++) {
        const Profile& p = profiles->data[i];
        if (!p.bGenEnabled) continue;
        AddEntry(p.bTrgHotKey, p.iTrgHotKey, PROFILE_HOTKEY_TRIGGER, p.szGenName);
        AddEntry(p.bTrgHotKeyWin, p.iTrgHotKeyWin, PROFILE_HOTKEY_WINDOW, p.szGenName);
        AddEntry(p.bUpdHotKey, p.iUpdHotKey, PROFILE_HOTKEY_UPDATE, p.szGenName);
    }
    for (int i = 0; i < g_profileHotKeys.count; i++) {
        if (WordTakenBefore(i)) continue;
        uint16_t word = g_profileHotKeys.data[i].word;
        RegisterHotKey(g_mainWindow, PROFILE_HOTKEY_FIRST_ID + i, word >> 8, word & 0xFF);
    }
}
