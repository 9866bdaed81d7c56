// InstallRegistry.h - write and remove the installation record, as the installer does.
#pragma once

#include "framework/core/InstallRecord.h"

#include <stddef.h>

// Fills a record for a program installed in installFolder; a non-empty
// dataFolder makes it the fixed data folder.
void MakeInstallRecord(InstallRecord* record, const char* installFolder, const char* dataFolder,
                       bool appendUserName);
// Writes length bytes (normally sizeof(InstallRecord)) as the value named
// product under HKLM "Software\Brimvale". Returns the Win32 error, 0 on success.
long WriteInstallRecordValue(const char* product, const void* data, size_t length);
long RemoveInstallRecordValue(const char* product);
