// ExplorerWindows.cpp - the folder windows a profile saves and reopens.
#include "engine/ExplorerWindows.h"

#include "engine/ShellFolderViews.h"
#include "engine/WindowTable.h"

#include <objbase.h>
#include <shellapi.h>
#include <stdlib.h>
#include <string.h>

// The shell reports parsing names of any length; a stored one keeps this many
// UTF-16 units at most.
#define PARSING_NAME_UNITS 260

//--- collecting

// UTF-8 of the first PARSING_NAME_UNITS units of name, cut to fit out (cap
// bytes with the NUL) on a character boundary.
static void CopyParsingName(const wchar_t* name, char* out, size_t cap)
{
    out[0] = '\0';
    int units = 0;
    while (units < PARSING_NAME_UNITS && name[units]) units++;
    char utf8[PARSING_NAME_UNITS * 3 + 1];
    int n = units ? WideCharToMultiByte(CP_UTF8, 0, name, units, utf8, (int)sizeof(utf8) - 1, nullptr, nullptr)
                  : 0;
    if (n <= 0) return;
    size_t keep = (size_t)n < cap - 1 ? (size_t)n : cap - 1;
    // A character cut in two is left out whole.
    if (keep < (size_t)n)
        while (keep > 0 && ((uint8_t)utf8[keep] & 0xC0) == 0x80) keep--;
    memcpy(out, utf8, keep);
    out[keep] = '\0';
}

static void AddCollectedWindow(void* context, const wchar_t* parsingName)
{
    GrowArray<ExplorerWindowEntry>* found = (GrowArray<ExplorerWindowEntry>*)context;
    ExplorerWindowEntry e = {};
    e.type = EXPWIN_COLLECTED;
    CopyParsingName(parsingName, e.prog, sizeof(e.prog));
    if (e.prog[0]) ArrayAppend(found, &e);
}

int CollectExplorerWindows(Profile* profile)
{
    if (!profile || !profile->pExpWin) return -1;
    GrowArray<ExplorerWindowEntry> found;
    InitGrowArray(&found);
    // Only a whole list replaces the saved windows: a list that failed part
    // way says nothing of the windows that are open.
    bool whole = GetShellFolderViews()->ForEachFolderWindow(AddCollectedWindow, &found);
    int collected = -1;
    if (whole && EnterTableLock(100)) {
        GrowArray<ExplorerWindowEntry>* list = profile->pExpWin;
        GrowArray<ExplorerWindowEntry> next;
        InitGrowArray(&next);
        bool ok = true;
        for (int32_t i = 0; ok && i < list->count; i++)
            if (list->data[i].type != EXPWIN_COLLECTED) ok = ArrayAppend(&next, &list->data[i]) >= 0;
        if (found.count > 0) ok = ok && ArrayAppendN(&next, found.data, found.count) >= 0;
        if (ok) {
            FreeGrowArray(list);
            *list = next;
            collected = found.count;
        } else {
            FreeGrowArray(&next);   // no memory: the old entries stay
        }
        profile->iNumExpWin = list->count;
        LeaveTableLock();
    }
    FreeGrowArray(&found);
    return collected;
}

//--- reopening

// Opens one entry. Collected entries hold UTF-8, the user's the ANSI code page.
static void OpenFolderEntry(const ExplorerWindowEntry* e)
{
    if (!e->prog[0]) return;
    if (e->type != EXPWIN_COLLECTED) {
        ShellExecuteA(nullptr, "open", e->prog, e->args[0] ? e->args : nullptr, nullptr, SW_SHOWNA);
        return;
    }
    wchar_t prog[sizeof(e->prog)], args[sizeof(e->args)];
    if (!MultiByteToWideChar(CP_UTF8, 0, e->prog, -1, prog, (int)(sizeof(prog) / sizeof(prog[0])))) return;
    args[0] = L'\0';
    if (e->args[0] && !MultiByteToWideChar(CP_UTF8, 0, e->args, -1, args, (int)(sizeof(args) / sizeof(args[0]))))
        args[0] = L'\0';
    ShellExecuteW(nullptr, L"open", prog, args[0] ? args : nullptr, nullptr, SW_SHOWNA);
}

// Thread procedure over a copy of a profile's list, which it frees.
static DWORD WINAPI OpenFolderThread(void* context)
{
    GrowArray<ExplorerWindowEntry>* list = (GrowArray<ExplorerWindowEntry>*)context;
    HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    for (int32_t i = 0; i < list->count; i++) OpenFolderEntry(&list->data[i]);
    if (SUCCEEDED(com)) CoUninitialize();
    FreeGrowArray(list);
    free(list);
    return 1;
}

void RestoreExplorerWindows(Profile* profile)
{
    if (!profile || !profile->pExpWin || profile->pExpWin->count <= 0) return;
    GrowArray<ExplorerWindowEntry>* copy = (GrowArray<ExplorerWindowEntry>*)malloc(sizeof(*copy));
    if (!copy) return;
    InitGrowArray(copy);
    if (!ArrayCopyFrom(profile->pExpWin, copy)) {
        free(copy);
        return;
    }
    // Texts read from a file may fill their fields.
    for (int32_t i = 0; i < copy->count; i++) {
        copy->data[i].prog[sizeof(copy->data[i].prog) - 1] = '\0';
        copy->data[i].args[sizeof(copy->data[i].args) - 1] = '\0';
    }
    HANDLE thread = CreateThread(nullptr, 0, OpenFolderThread, copy, 0, nullptr);
    if (!thread) {
        FreeGrowArray(copy);
        free(copy);
        return;
    }
    CloseHandle(thread);
}
