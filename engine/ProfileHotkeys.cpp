// ProfileHotkeys.cpp - listing and registering the profiles' hotkeys.
#include "engine/ProfileHotkeys.h"

#include "engine/Engine.h"
#include "engine/HotkeySet.h"
#include "framework/core/TextUtil.h"

#include <stdlib.h>

GrowArray<ProfileHotKeyEntry> g_profileHotKeys = {0, nullptr, -1, 0, 0};

static bool AddEntryTo(GrowArray<ProfileHotKeyEntry>* list, uint8_t on, uint16_t word, uint32_t kind,
                       const char* profile)
{
    // A switch without a key has nothing to register.
    if (!on || !word) return true;
    ProfileHotKeyEntry e = {};
    e.word = word;
    e.kind = kind;
    CopyText(e.profile, sizeof(e.profile), profile);
    return ArrayAppend(list, &e) >= 0;
}

static void AddEntry(uint8_t on, uint16_t word, uint32_t kind, const char* profile)
{
    AddEntryTo(&g_profileHotKeys, on, word, kind, profile);
}

static bool WordTakenBefore(const GrowArray<ProfileHotKeyEntry>* list, int index)
{
    for (int j = 0; j < index; j++)
        if (list->data[j].word == list->data[index].word) return true;
    return false;
}

static bool WordTakenBefore(int index)
{
    return WordTakenBefore(&g_profileHotKeys, index);
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

// The set a list registers: one entry per listed hotkey, a word an earlier
// entry has left out (0). Null when memory ran out.
static HotkeySetEntry* SetOf(const GrowArray<ProfileHotKeyEntry>* list)
{
    HotkeySetEntry* set = (HotkeySetEntry*)calloc((size_t)list->count + 1, sizeof(HotkeySetEntry));
    for (int i = 0; set && i < list->count; i++) {
        set[i].id = PROFILE_HOTKEY_FIRST_ID + i;
        set[i].word = WordTakenBefore(list, i) ? 0 : list->data[i].word;
        set[i].field = i;
    }
    return set;
}

bool ReplaceProfileHotKeys(const GrowArray<Profile>* profiles, ProfileHotKeyEntry* failed)
{
    GrowArray<ProfileHotKeyEntry> next;
    InitGrowArray(&next);
    bool listed = true;
    for (int i = 0; listed && profiles && i < profiles->count; i++) {
        const Profile& p = profiles->data[i];
        if (!p.bGenEnabled) continue;
        listed = AddEntryTo(&next, p.bTrgHotKey, p.iTrgHotKey, PROFILE_HOTKEY_TRIGGER, p.szGenName) &&
                 AddEntryTo(&next, p.bTrgHotKeyWin, p.iTrgHotKeyWin, PROFILE_HOTKEY_WINDOW, p.szGenName) &&
                 AddEntryTo(&next, p.bUpdHotKey, p.iUpdHotKey, PROFILE_HOTKEY_UPDATE, p.szGenName);
    }
    HotkeySetEntry* current = SetOf(&g_profileHotKeys);
    HotkeySetEntry* wanted = SetOf(&next);
    int at = -1;
    if (!listed || !current || !wanted) {
        at = 0;   // no memory: nothing changes
    } else if (g_mainWindow) {
        at = ReplaceHotkeySet(g_mainWindow, current, g_profileHotKeys.count, wanted, next.count);
    }
    free(current);
    free(wanted);
    if (at >= 0) {
        if (failed) {
            *failed = ProfileHotKeyEntry{};
            if (at < next.count) *failed = next.data[at];
        }
        FreeGrowArray(&next);
        return false;
    }
    FreeGrowArray(&g_profileHotKeys);
    g_profileHotKeys = next;
    return true;
}
