// Archive.h - scheduled configuration archives: the "(ZRP)Archive" settings,
// archive names from templates, the job that writes an archive into the
// backup folder and prunes the oldest, and the Archive Configuration dialog.
#pragma once

#include <windows.h>

#include <stddef.h>
#include <stdint.h>

#define ARCHIVE_RECORD            "(ZRP)Archive"
#define ARCHIVE_EXTENSION         "BrimvaleConfig"
#define ARCHIVE_DEFAULT_FOLDER    "%CONFIGDIR%\\Backup"
#define ARCHIVE_DEFAULT_NAME      "%PROGRAM%-%YEAR%.%MONTH%.%DAY%"
#define ARCHIVE_DEFAULT_INTERVAL  14
#define ARCHIVE_DEFAULT_KEEP      30
#define ARCHIVE_INTERVAL_MAX      9999
#define ARCHIVE_KEEP_MAX          999

// Results of the archive job.
#define ARCHIVE_WRITTEN        0
#define ARCHIVE_NO_FOLDER      1   // the folder template is empty
#define ARCHIVE_FAILED         2   // a name did not expand, or the archive was not written
#define ARCHIVE_INCOMPLETE     3   // written, but some record files could not be added
#define ARCHIVE_OUTSIDE        4   // the name would leave the backup folder
#define ARCHIVE_IMPORT_FILE    5   // the archive would be the next start's import file

#pragma pack(push, 1)
// "(ZRP)Archive": 544 bytes, little-endian.
struct ArchiveSettings {
    char    folderTemplate[260];   // NUL-terminated once loaded
    char    nameTemplate[260];
    int64_t lastArchive;           // seconds since 1970, rounded down to a whole day
    uint8_t automatic;
    uint8_t padding1[3];
    int32_t intervalDays;
    int32_t keepCount;
    uint8_t padding2[4];
};
#pragma pack(pop)
static_assert(sizeof(ArchiveSettings) == 544, "(ZRP)Archive layout changed");
static_assert(offsetof(ArchiveSettings, lastArchive) == 520, "(ZRP)Archive layout changed");
static_assert(offsetof(ArchiveSettings, automatic) == 528, "(ZRP)Archive layout changed");
static_assert(offsetof(ArchiveSettings, intervalDays) == 532, "(ZRP)Archive layout changed");
static_assert(offsetof(ArchiveSettings, keepCount) == 536, "(ZRP)Archive layout changed");

//--- the settings
// Reads the record (missing or of another size: zero) and fills the
// defaults: an interval or count below 1, an empty template. Both templates
// end within their fields whatever the file held.
void LoadArchiveSettings();
// A copy of the settings as loaded.
ArchiveSettings GetArchiveSettings();
// Stores the settings (keeping the time of the last archive) and saves the
// record; false when it could not be written.
bool SaveArchiveSettings(const ArchiveSettings* settings);
// Stores the time of an archive just written and saves the record.
bool StoreArchiveTime(int64_t when);

//--- names
// Replaces the placeholders with the current local time, then environment
// variables, into out (260 characters). False, with out empty, when a step
// would make the text longer than 259 characters.
bool ExpandArchiveName(const char* pattern, char* out);
// The same for a given local time.
bool ExpandArchiveNameAt(const char* pattern, const SYSTEMTIME* when, char* out);

//--- the job
// Starts the job on a thread when automatic archiving is on, the interval
// has passed since the last archive (or that lies ahead: the clock went back)
// and no archive is being written. True when a job was started.
bool ScheduledBackup();
// The backup folder (ending with a backslash) and the archive's path that
// these settings give now, both 260 characters. ARCHIVE_WRITTEN when an
// archive may be written there, else ARCHIVE_NO_FOLDER, ARCHIVE_FAILED (a
// template did not expand), ARCHIVE_OUTSIDE or ARCHIVE_IMPORT_FILE.
int ResolveArchiveTarget(const ArchiveSettings* settings, char* folder, char* path);
// Writes an archive with these settings into the backup folder, stores the
// time and prunes the oldest beyond the number kept, also when some busy
// record was left out (ARCHIVE_INCOMPLETE). The caller holds the archiving
// claim. ARCHIVE_*.
int WriteScheduledArchive(const ArchiveSettings* settings);
// The scheduled job's thread: WriteScheduledArchive with the loaded settings,
// then the claim ScheduledBackup took is given back.
DWORD WINAPI BackupWorker(void* unused);
// One archive is written at a time, by the scheduled job or "Archive now!".
// True when the caller may write; it then calls EndArchiving.
bool TryBeginArchiving();
void EndArchiving();
bool IsArchiving();

// Dialog 50103, modal from the About box.
INT_PTR CALLBACK ArchiveSettingsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
