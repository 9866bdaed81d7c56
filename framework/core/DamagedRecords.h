// DamagedRecords.h - record files that could not be read: kept aside, never
// written over, and noted so the program can tell the user once.
#pragma once

#include <windows.h>

// One record file that could not be read. aside: where it was moved; empty
// when it could not be moved and stays in place (held by another process).
struct DamagedRecordNote {
    char path[MAX_PATH];
    char aside[MAX_PATH];
};

// Moves a record file that could not be read to
// "<path>.damaged-<yyyymmdd>-<hhmmss>" (a name no loader lists; "-2", "-3"
// behind it when that is taken) and notes it. True when it was moved; false
// when it stays in place, and its owner must then not write over it.
bool KeepDamagedRecord(const char* path);
// The notes not yet reported, oldest first. Borrowed until cleared. UI thread.
int DamagedRecordNoteCount();
const DamagedRecordNote* GetDamagedRecordNote(int index);
void ClearDamagedRecordNotes();
