// ConfigEntries.cpp - the entries a configuration archive may bring.
#include "framework/core/ConfigEntries.h"

#include "framework/core/TextUtil.h"

#include <string.h>

static const char kRecordExtension[] = ".zpx";

bool HasRecordExtension(const char* name)
{
    size_t n = strlen(name), e = sizeof(kRecordExtension) - 1;
    return n > e && _stricmp(name + n - e, kRecordExtension) == 0;
}

// The reader cleans what would leave the data folder (drive, root, "..") and
// empties what Windows would read otherwise; a name it changed is refused,
// never taken as cleaned: "../../x.zpx" is not "x.zpx".
int CheckConfigEntry(ZipHandle* zip, int32_t index, ZipEntryInfo* info, char* stored)
{
    stored[0] = '\0';
    *info = ZipEntryInfo{};
    if (GetZipEntry(zip, index, info) != ZIP_OK) return CONFIG_ENTRY_UNREADABLE;
    if (GetZipEntryStoredName(zip, index, stored) != ZIP_OK) {
        // Too long, or a zero inside: not the name that was stored.
        if (!stored[0]) CopyText(stored, MAX_PATH, info->name);
        return CONFIG_ENTRY_NAME;
    }
    if (!stored[0] || strcmp(stored, info->name) != 0 || IsPathSeparator(stored[strlen(stored) - 1]) ||
        (info->attributes & FILE_ATTRIBUTE_DIRECTORY) || !HasRecordExtension(stored))
        return CONFIG_ENTRY_NAME;
    return CONFIG_ENTRY_OK;
}
