// ConfigEntries.h - which entries of a configuration archive may come into the
// data folder: one test for the start-up import and for Restore.
#pragma once

#include <stdint.h>

#include "framework/core/ZipArchive.h"

#define CONFIG_ENTRY_OK          0
#define CONFIG_ENTRY_NAME        1   // not a record file named by a path that stays in the data folder
#define CONFIG_ENTRY_UNREADABLE  2   // the entry's information cannot be read

// Whether a name ends with the record files' extension (any case).
bool HasRecordExtension(const char* name);
// Reads entry index into info and checks it: a record file (".zpx"), not a
// folder, stored under a relative name the reader did not have to clean.
// stored (260 characters) gets the name as the archive holds it, for messages.
int CheckConfigEntry(ZipHandle* zip, int32_t index, ZipEntryInfo* info, char* stored);
