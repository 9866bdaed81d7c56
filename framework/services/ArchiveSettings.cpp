// ArchiveSettings.cpp - the "(ZRP)Archive" record and archive names from templates.
#include "framework/services/Archive.h"

#include "framework/core/AppObject.h"
#include "framework/core/RecordFile.h"
#include "framework/core/TextUtil.h"

#include <string.h>

// g_settings: read by the UI thread and the job's thread, written by both;
// guarded by g_settingsLock.
static ArchiveSettings g_settings;
static SRWLOCK g_settingsLock = SRWLOCK_INIT;

//--- the record

void LoadArchiveSettings()
{
    ArchiveSettings stored = {};
    // One byte more than the record: a longer file is as damaged as a shorter one.
    char raw[sizeof(ArchiveSettings) + 1];
    if (ReadRecordFile(ARCHIVE_RECORD, raw, sizeof(raw)) == sizeof(ArchiveSettings))
        memcpy(&stored, raw, sizeof(stored));
    stored.folderTemplate[sizeof(stored.folderTemplate) - 1] = '\0';
    stored.nameTemplate[sizeof(stored.nameTemplate) - 1] = '\0';
    stored.automatic = stored.automatic ? 1 : 0;
    if (stored.intervalDays < 1) stored.intervalDays = ARCHIVE_DEFAULT_INTERVAL;
    if (stored.keepCount < 1) stored.keepCount = ARCHIVE_DEFAULT_KEEP;
    if (!stored.folderTemplate[0])
        CopyText(stored.folderTemplate, sizeof(stored.folderTemplate), ARCHIVE_DEFAULT_FOLDER);
    if (!stored.nameTemplate[0])
        CopyText(stored.nameTemplate, sizeof(stored.nameTemplate), ARCHIVE_DEFAULT_NAME);
    AcquireSRWLockExclusive(&g_settingsLock);
    g_settings = stored;
    ReleaseSRWLockExclusive(&g_settingsLock);
}

ArchiveSettings GetArchiveSettings()
{
    AcquireSRWLockShared(&g_settingsLock);
    ArchiveSettings copy = g_settings;
    ReleaseSRWLockShared(&g_settingsLock);
    return copy;
}

// Caller holds the lock.
static bool SaveSettingsLocked()
{
    return SaveRecord(ARCHIVE_RECORD, -1, &g_settings, sizeof(g_settings)) == sizeof(g_settings);
}

bool SaveArchiveSettings(const ArchiveSettings* settings)
{
    AcquireSRWLockExclusive(&g_settingsLock);
    int64_t last = g_settings.lastArchive;
    g_settings = *settings;
    g_settings.lastArchive = last;
    g_settings.folderTemplate[sizeof(g_settings.folderTemplate) - 1] = '\0';
    g_settings.nameTemplate[sizeof(g_settings.nameTemplate) - 1] = '\0';
    bool saved = SaveSettingsLocked();
    ReleaseSRWLockExclusive(&g_settingsLock);
    return saved;
}

// Stores the time of an archive just written, on the settings as they are
// now (the dialog may have saved others meanwhile).
bool StoreArchiveTime(int64_t when)
{
    AcquireSRWLockExclusive(&g_settingsLock);
    g_settings.lastArchive = when;
    bool saved = SaveSettingsLocked();
    ReleaseSRWLockExclusive(&g_settingsLock);
    return saved;
}

//--- names

bool ExpandArchiveNameAt(const char* pattern, const SYSTEMTIME* when, char* out)
{
    out[0] = '\0';
    char text[MAX_PATH];
    if (!pattern || !CopyText(text, sizeof(text), pattern)) return false;

    char version[48], year[8], month[8], day[8], hour[8], minute[8], second[8], date[24], clock[24];
    FormatText(version, sizeof(version), "%u.%u.%u", g_app.versionMajor, g_app.versionMinor, g_app.versionBuild);
    FormatText(year, sizeof(year), "%04u", when->wYear);
    FormatText(month, sizeof(month), "%02u", when->wMonth);
    FormatText(day, sizeof(day), "%02u", when->wDay);
    FormatText(hour, sizeof(hour), "%02u", when->wHour);
    FormatText(minute, sizeof(minute), "%02u", when->wMinute);
    FormatText(second, sizeof(second), "%02u", when->wSecond);
    FormatText(date, sizeof(date), "%02u.%02u.%04u", when->wDay, when->wMonth, when->wYear);
    FormatText(clock, sizeof(clock), "%02u-%02u-%02u", when->wHour, when->wMinute, when->wSecond);
    // The installation record has no configuration folder: the data folder is it.
    const struct {
        const char* placeholder;
        const char* value;
    } kPlaceholders[] = {
        {"%PROGRAM%", g_app.productName}, {"%CONFIGDIR%", g_app.dataFolder}, {"%PROGVER%", version},
        {"%YEAR%", year},                 {"%MONTH%", month},                 {"%DAY%", day},
        {"%HOUR%", hour},                 {"%MINUTE%", minute},               {"%SECOND%", second},
        {"%DATE%", date},                 {"%TIME%", clock},
    };
    for (const auto& p : kPlaceholders)
        if (ReplaceAllFixed(text, sizeof(text), p.placeholder, p.value, false) < 0) return false;

    // The count includes the terminator; a larger one means it did not fit.
    DWORD needed = ExpandEnvironmentStringsA(text, out, MAX_PATH);
    if (needed == 0 || needed > MAX_PATH || !memchr(out, '\0', MAX_PATH)) {
        out[0] = '\0';
        return false;
    }
    return true;
}

bool ExpandArchiveName(const char* pattern, char* out)
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    return ExpandArchiveNameAt(pattern, &now, out);
}
