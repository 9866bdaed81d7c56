// ConfigBackup.cpp - configuration archives: written whole or not at all,
// checked before they are left for the next start's import.
#include "framework/services/ConfigBackup.h"

#include "framework/core/AppObject.h"
#include "framework/core/ConfigEntries.h"
#include "framework/core/DialogUtil.h"
#include "framework/core/FolderWalk.h"
#include "framework/core/StringTable.h"
#include "framework/core/TextUtil.h"
#include "framework/core/ZipArchive.h"
#include "framework/services/Archive.h"
#include "framework/ui/MessageBox.h"

#include <string.h>

#define ARCHIVE_STRINGS       0xF009
#define COLUMN_OVERWRITE      0
#define COLUMN_FILE_ERROR     1
#define COLUMN_RESTORE_ERROR  2
#define COLUMN_WRONG_PRODUCT  3
#define COLUMN_INCOMPLETE     4
#define COLUMN_NOT_A_RECORD   11
#define QUESTION_FLAGS        0x588
#define ERROR_FLAGS           0x111

static const char kRecordExtension[] = ".zpx";
static const char kFileFilter[] = "Brimvale Configuration Data\0*." ARCHIVE_EXTENSION "\0";

static void ShowError(HWND owner, const char* text)
{
    AppMessageBox(&g_app, owner, g_app.productName, "%s", ERROR_FLAGS, 0, text);
}

static bool AskToOverwrite(HWND owner)
{
    return AppMessageBox(&g_app, owner, g_app.productName, "%s", QUESTION_FLAGS, 0,
                         AppText(ARCHIVE_STRINGS, COLUMN_OVERWRITE)) == IDYES;
}

bool GetConfigImportPath(char* out)
{
    return g_app.dataFolder[0] &&
           FormatText(out, MAX_PATH, "%s\\%s.%s", g_app.dataFolder, g_app.productName, ARCHIVE_EXTENSION);
}

//--- writing

// The first entry: a NUL, then the version (no keep list: the import only
// ever deletes record files).
static uint32_t AddProductEntry(ZipHandle* zip)
{
    char data[64] = {};
    FormatText(data + 1, sizeof(data) - 1, "%u.%u.%u", g_app.versionMajor, g_app.versionMinor, g_app.versionBuild);
    return AddZipEntry(zip, g_app.productName, data, (uint32_t)(1 + strlen(data + 1)), ZIP_KIND_MEMORY);
}

// Adds every record file below the data folder under its relative path; the
// number that could not be added (they are skipped).
static int AddRecordFiles(ZipHandle* zip)
{
    const char* root = g_app.dataFolder;
    size_t rootLength = strlen(root);
    FolderWalker walker;
    InitFolderWalkerWith(&walker, root, "*%s", kRecordExtension);
    int failed = 0;
    for (int i = 0; i < walker.files.count; i++) {
        const char* path = walker.files.data[i].text;
        // The search's pattern also finds longer extensions through short names.
        if (!HasRecordExtension(path) || _strnicmp(path, root, rootLength) != 0 ||
            !IsPathSeparator(path[rootLength]))
            continue;
        if (AddZipEntry(zip, path + rootLength + 1, path, 0, ZIP_KIND_FILE) != ZIP_OK) failed++;
    }
    ClearFolderWalker(&walker);
    return failed;
}

// Writes "<target>_tmp" and moves it over target, so a failed archive never
// takes the place of a good one. CONFIG_DONE, CONFIG_NOT_ARCHIVE or
// CONFIG_INCOMPLETE.
static int WriteConfigArchive(const char* target, bool withRecords)
{
    char staged[MAX_PATH];
    if (!target || !target[0] || !FormatText(staged, sizeof(staged), "%s_tmp", target)) return CONFIG_NOT_ARCHIVE;
    ZipHandle* zip = CreateZipArchive(staged, 0, ZIP_KIND_FILE, nullptr);
    if (!zip) return CONFIG_NOT_ARCHIVE;
    int failed = 0;
    bool ok = AddProductEntry(zip) == ZIP_OK;
    if (ok && withRecords) failed = AddRecordFiles(zip);
    // A file that failed while being read stops the writer: closing reports it.
    ok = CloseZipWriter(zip) == ZIP_OK && ok;
    if (ok && !MoveFileExA(staged, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) ok = false;
    if (!ok) {
        DeleteFileA(staged);
        return CONFIG_NOT_ARCHIVE;
    }
    return failed ? CONFIG_INCOMPLETE : CONFIG_DONE;
}

static int ReportWriteResult(HWND owner, int result)
{
    if (result == CONFIG_NOT_ARCHIVE) ShowError(owner, AppText(ARCHIVE_STRINGS, COLUMN_FILE_ERROR));
    if (result == CONFIG_INCOMPLETE) ShowError(owner, AppText(ARCHIVE_STRINGS, COLUMN_INCOMPLETE));
    return result;
}

static int Backup(HWND owner)
{
    LoadArchiveSettings();
    ArchiveSettings settings = GetArchiveSettings();
    char name[MAX_PATH + 32];
    if (!ExpandArchiveName(settings.nameTemplate, name)) name[0] = '\0';
    AppendText(name, sizeof(name), "." ARCHIVE_EXTENSION);
    const char* chosen = FileDialog(true, kFileFilter, name);
    if (!chosen) return CONFIG_CANCELLED;
    char target[MAX_PATH];
    CopyText(target, sizeof(target), chosen);
    return ReportWriteResult(owner, WriteConfigArchive(target, true));
}

static int Reset(HWND owner)
{
    if (!AskToOverwrite(owner)) return CONFIG_CANCELLED;
    char target[MAX_PATH];
    int result = GetConfigImportPath(target) ? WriteConfigArchive(target, false) : CONFIG_NOT_ARCHIVE;
    return ReportWriteResult(owner, result);
}

//--- restoring

// Every entry but the product's must be a record file that stays in the data
// folder. CONFIG_DONE, or the result after the message.
static int CheckRestoreArchive(HWND owner, const char* path)
{
    ZipHandle* zip = OpenZipArchive(path, 0, nullptr);
    if (!zip) return CONFIG_NOT_ARCHIVE;
    int32_t productEntry = -1;
    if (FindZipEntry(zip, g_app.productName, 0, &productEntry) != ZIP_OK) {
        CloseZipReader(zip);
        ShowError(owner, AppText(ARCHIVE_STRINGS, COLUMN_WRONG_PRODUCT));
        return CONFIG_WRONG_PRODUCT;
    }
    ZipEntryInfo count = {};
    bool refused = GetZipEntry(zip, -1, &count) != ZIP_OK;
    char stored[MAX_PATH] = "";
    for (int32_t i = 0; i < count.index && !refused; i++) {
        if (i == productEntry) continue;
        ZipEntryInfo info;
        refused = CheckConfigEntry(zip, i, &info, stored) != CONFIG_ENTRY_OK;
    }
    CloseZipReader(zip);
    if (!refused) return CONFIG_DONE;
    char why[MAX_PATH + 128];
    FormatText(why, sizeof(why), AppText(ARCHIVE_STRINGS, COLUMN_NOT_A_RECORD), stored);
    char text[MAX_PATH + 256];
    FormatText(text, sizeof(text), "%s\n%s", AppText(ARCHIVE_STRINGS, COLUMN_FILE_ERROR), why);
    ShowError(owner, text);
    return CONFIG_NOT_ARCHIVE;
}

// The chosen archive is copied beside the import location first and the copy
// is checked, so what the next start imports is what was checked.
static int Restore(HWND owner)
{
    const char* chosen = FileDialog(false, kFileFilter, nullptr);
    if (!chosen) return CONFIG_CANCELLED;
    char source[MAX_PATH], target[MAX_PATH], staged[MAX_PATH];
    CopyText(source, sizeof(source), chosen);
    if (!GetConfigImportPath(target) || !FormatText(staged, sizeof(staged), "%s_tmp", target) ||
        !CopyFileA(source, staged, FALSE)) {
        ShowError(owner, AppText(ARCHIVE_STRINGS, COLUMN_RESTORE_ERROR));
        return CONFIG_NOT_COPIED;
    }
    int result = CheckRestoreArchive(owner, staged);
    if (result == CONFIG_DONE && !AskToOverwrite(owner)) result = CONFIG_CANCELLED;
    if (result == CONFIG_DONE &&
        !MoveFileExA(staged, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        ShowError(owner, AppText(ARCHIVE_STRINGS, COLUMN_RESTORE_ERROR));
        result = CONFIG_NOT_COPIED;
    }
    DeleteFileA(staged);
    return result;
}

int BackupRestoreConfig(HWND owner, int mode, const char* path)
{
    switch (mode) {
    case CONFIG_RESTORE:
        return Restore(owner);
    case CONFIG_BACKUP:
        return Backup(owner);
    case CONFIG_RESET:
        return Reset(owner);
    case CONFIG_AUTOMATIC:
        return WriteConfigArchive(path, true);
    }
    return CONFIG_NOT_ARCHIVE;
}
