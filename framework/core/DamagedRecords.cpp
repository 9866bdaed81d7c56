// DamagedRecords.cpp - unreadable record files moved aside and noted.
#include "framework/core/DamagedRecords.h"

#include "framework/core/GrowArray.h"
#include "framework/core/TextUtil.h"

// Enough for every record of a data folder; later ones are still kept aside.
#define DAMAGED_NOTES_MAX 64

static GrowArray<DamagedRecordNote> g_damagedNotes = {0, nullptr, -1, 0, 0};

static bool MoveAside(const char* path, char* aside)
{
    SYSTEMTIME t;
    GetLocalTime(&t);
    char stamp[32];
    FormatText(stamp, sizeof(stamp), "%04u%02u%02u-%02u%02u%02u", t.wYear, t.wMonth, t.wDay, t.wHour,
               t.wMinute, t.wSecond);
    for (int n = 1; n < 100; n++) {
        bool whole = n == 1 ? FormatText(aside, MAX_PATH, "%s.damaged-%s", path, stamp)
                            : FormatText(aside, MAX_PATH, "%s.damaged-%s-%d", path, stamp, n);
        if (!whole) break;   // a cut name could end in ".zpx" again
        // No replacing: an earlier damaged copy is kept as well.
        if (MoveFileExA(path, aside, MOVEFILE_WRITE_THROUGH)) return true;
        DWORD error = GetLastError();
        if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS) break;
    }
    aside[0] = '\0';
    return false;
}

bool KeepDamagedRecord(const char* path)
{
    DamagedRecordNote note = {};
    CopyText(note.path, sizeof(note.path), path);
    bool moved = MoveAside(path, note.aside);
    if (g_damagedNotes.count < DAMAGED_NOTES_MAX) ArrayAppend(&g_damagedNotes, &note);
    return moved;
}

int DamagedRecordNoteCount()
{
    return g_damagedNotes.count;
}

const DamagedRecordNote* GetDamagedRecordNote(int index)
{
    return index >= 0 && index < g_damagedNotes.count ? &g_damagedNotes.data[index] : nullptr;
}

void ClearDamagedRecordNotes()
{
    FreeGrowArray(&g_damagedNotes);
}
