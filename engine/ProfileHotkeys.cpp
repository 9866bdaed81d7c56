// ProfileHotkeys.cpp - listing and registering the profiles' hotkeys.
#include "engine/ProfileHotkeys.h"

#include "engine/Engine.h"
#include "engine/HotkeySet.h"
#include "framework/core/TextUtil.h"

#include <stdlib.h>
#include <string.h>

GrowArray<ProfileHotKeyEntry> g_profileHotKeys = {0, nullptr, -1, 0, 0};

namespace {

// Tag of the entries that are not the edited profile's in a set.
const int kOtherProfile = -1;

bool AddEntry(GrowArray<ProfileHotKeyEntry>* list, uint8_t on, uint16_t word, uint32_t kind, const char* profile)
{
    // A switch without a key has nothing to register.
    if (!on || !word) return true;
    ProfileHotKeyEntry e = {};
    e.word = word;
    e.kind = kind;
    CopyText(e.profile, sizeof(e.profile), profile);
    return ArrayAppend(list, &e) >= 0;
}

bool WordTakenBefore(const GrowArray<ProfileHotKeyEntry>* list, int index)
{
    for (int j = 0; j < index; j++)
        if (list->data[j].word == list->data[index].word) return true;
    return false;
}

// False when memory ran out.
bool AddProfileEntries(GrowArray<ProfileHotKeyEntry>* list, const Profile& p)
{
    if (!p.bGenEnabled) return true;
    return AddEntry(list, p.bTrgHotKey, p.iTrgHotKey, PROFILE_HOTKEY_TRIGGER, p.szGenName) &&
           AddEntry(list, p.bTrgHotKeyWin, p.iTrgHotKeyWin, PROFILE_HOTKEY_WINDOW, p.szGenName) &&
           AddEntry(list, p.bUpdHotKey, p.iUpdHotKey, PROFILE_HOTKEY_UPDATE, p.szGenName);
}

// The set a list registers: one entry per listed hotkey, a word an earlier
// entry has left out (0). Null when memory ran out.
HotkeySetEntry* SetOf(const GrowArray<ProfileHotKeyEntry>* list, bool registeredOnly)
{
    HotkeySetEntry* set = (HotkeySetEntry*)calloc((size_t)list->count + 1, sizeof(HotkeySetEntry));
    for (int i = 0; set && i < list->count; i++) {
        const ProfileHotKeyEntry& e = list->data[i];
        bool left = WordTakenBefore(list, i) || (registeredOnly && !e.registered);
        set[i] = {PROFILE_HOTKEY_FIRST_ID + i, (uint16_t)(left ? 0 : e.word), i};
    }
    return set;
}


// The registered entry of the current list that e stands for, if any.
bool RegisteredNow(const ProfileHotKeyEntry& e)
{
    for (int i = 0; i < g_profileHotKeys.count; i++) {
        const ProfileHotKeyEntry& c = g_profileHotKeys.data[i];
        if (c.registered && c.word == e.word && c.kind == e.kind && strcmp(c.profile, e.profile) == 0) return true;
    }
    return false;
}

}  // namespace

void RegisterProfileHotKeys(const GrowArray<Profile>* profiles, int on)
{
    for (int i = 0; i < g_profileHotKeys.count; i++)
        if (g_profileHotKeys.data[i].registered) UnregisterHotKey(g_mainWindow, PROFILE_HOTKEY_FIRST_ID + i);
    g_profileHotKeys.count = 0;
    if (!on || !profiles || !g_mainWindow) return;
    for (int i = 0; i < profiles->count; i++) AddProfileEntries(&g_profileHotKeys, profiles->data[i]);
    for (int i = 0; i < g_profileHotKeys.count; i++) {
        ProfileHotKeyEntry& e = g_profileHotKeys.data[i];
        if (WordTakenBefore(&g_profileHotKeys, i)) continue;
        e.registered = RegisterHotKey(g_mainWindow, PROFILE_HOTKEY_FIRST_ID + i, e.word >> 8, e.word & 0xFF) ? 1 : 0;
    }
}

int ReplaceProfileHotKeys(const GrowArray<Profile>* profiles, int index, const Profile* edited, bool commit)
{
    if (!edited) return -1;
    GrowArray<ProfileHotKeyEntry> next;
    InitGrowArray(&next);
    int firstOwn = -1, ownEnd = -1;
    int count = profiles ? profiles->count : 0;
    for (int i = 0; i <= count; i++) {
        bool own = i == index || (index < 0 && i == count);
        if (!own && i == count) break;
        if (own) firstOwn = next.count;
        AddProfileEntries(&next, own ? *edited : profiles->data[i]);
        if (own) ownEnd = next.count;
    }
    int n = next.count;
    HotkeySetEntry* set = (HotkeySetEntry*)calloc((size_t)(n > 0 ? n : 1), sizeof(HotkeySetEntry));
    HotkeySetEntry* current = (HotkeySetEntry*)calloc((size_t)(g_profileHotKeys.count > 0 ? g_profileHotKeys.count : 1),
                                                      sizeof(HotkeySetEntry));
    if (!set || !current) {
        free(set);
        free(current);
        FreeGrowArray(&next);
        return PROFILE_HOTKEY_TRIGGER;
    }
    int failed = -1;
    for (int i = 0; i < n && failed < 0; i++) {
        bool own = i >= firstOwn && i < ownEnd;
        const ProfileHotKeyEntry& e = next.data[i];
        set[i] = {PROFILE_HOTKEY_FIRST_ID + i, e.word, own ? (int)e.kind : kOtherProfile};
        // Two profiles never share a key: the edited one gives way.
        for (int j = 0; j < n && own && failed < 0; j++)
            if (j != i && next.data[j].word == e.word && (j < i || !(j >= firstOwn && j < ownEnd))) failed = i;
        // The others' keys stay as they were: one not registered now (taken
        // elsewhere, or a repeat of an earlier profile's) is left out.
        if (!own && (WordTakenBefore(&next, i) || !RegisteredNow(e))) set[i].word = 0;
    }
    for (int i = 0; i < g_profileHotKeys.count; i++) {
        const ProfileHotKeyEntry& c = g_profileHotKeys.data[i];
        current[i] = {PROFILE_HOTKEY_FIRST_ID + i, (uint16_t)(c.registered ? c.word : 0), kOtherProfile};
    }
    int result = -1;
    if (failed >= 0) {
        result = set[failed].field;
    } else if (!g_mainWindow) {
        // Nothing is registered without the main window: nothing to test.
    } else {
        int at = ReplaceHotkeySet(g_mainWindow, current, g_profileHotKeys.count, set, n);
        if (at >= 0) {
            result = set[at].field;
            // Another profile's key could not be had again: name the first of ours.
            if (result == kOtherProfile) result = firstOwn < ownEnd ? (int)next.data[firstOwn].kind : PROFILE_HOTKEY_TRIGGER;
        } else if (commit) {
            for (int i = 0; i < n; i++) next.data[i].registered = set[i].word ? 1 : 0;
            GrowArray<ProfileHotKeyEntry> old = g_profileHotKeys;
            g_profileHotKeys = next;
            InitGrowArray(&next);
            FreeGrowArray(&old);
        } else {
            ReplaceHotkeySet(g_mainWindow, set, n, current, g_profileHotKeys.count);
        }
    }
    free(set);
    free(current);
    FreeGrowArray(&next);
    return result;
}

bool ReplaceProfileHotKeyList(const GrowArray<Profile>* profiles, ProfileHotKeyEntry* failed)
{
    GrowArray<ProfileHotKeyEntry> next;
    InitGrowArray(&next);
    bool listed = true;
    for (int i = 0; listed && profiles && i < profiles->count; i++) listed = AddProfileEntries(&next, profiles->data[i]);
    HotkeySetEntry* current = SetOf(&g_profileHotKeys, true);
    HotkeySetEntry* wanted = SetOf(&next, false);
    int at = -1;
    if (!listed || !current || !wanted) {
        at = 0;   // no memory: nothing changes
    } else if (g_mainWindow) {
        at = ReplaceHotkeySet(g_mainWindow, current, g_profileHotKeys.count, wanted, next.count);
    }
    if (at < 0)
        for (int i = 0; i < next.count; i++) next.data[i].registered = wanted[i].word && g_mainWindow ? 1 : 0;
    free(current);
    free(wanted);
    if (at >= 0) {
        if (failed) {
            *failed = ProfileHotKeyEntry{};
            if (listed && at < next.count) *failed = next.data[at];
        }
        FreeGrowArray(&next);
        return false;
    }
    FreeGrowArray(&g_profileHotKeys);
    g_profileHotKeys = next;
    return true;
}
