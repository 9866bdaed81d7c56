// ArchiveJob.cpp - the archive job: the schedule, writing the archive into
// the backup folder and pruning the oldest of the product's archives there.
#include "framework/services/Archive.h"

#include "framework/core/AppObject.h"
#include "framework/core/FolderWalk.h"
#include "framework/core/GrowArray.h"
#include "framework/core/RecordFile.h"
#include "framework/core/TextUtil.h"
#include "framework/services/ConfigBackup.h"

#include <atomic>
#include <string.h>
#include <time.h>

// Set while an archive is written, by the scheduled job or "Archive now!";
// shared between the UI thread and the job's thread as one value.
static std::atomic<uint8_t> g_archiving(0);

bool TryBeginArchiving()
{
    uint8_t idle = 0;
    return g_archiving.compare_exchange_strong(idle, 1);
}

void EndArchiving()
{
    g_archiving = 0;
}

bool IsArchiving()
{
    return g_archiving.load() != 0;
}

//--- the schedule

static bool IsArchiveDue(const ArchiveSettings* s)
{
    if (!s->automatic) return false;
    double elapsed = difftime(time(nullptr), (time_t)s->lastArchive);
    return elapsed < 0 || elapsed > (double)s->intervalDays * 86400.0;
}

bool ScheduledBackup()
{
    LoadArchiveSettings();
    ArchiveSettings settings = GetArchiveSettings();
    if (!IsArchiveDue(&settings) || !TryBeginArchiving()) return false;
    HANDLE thread = CreateThread(nullptr, 0, BackupWorker, nullptr, 0, nullptr);
    if (!thread) {
        EndArchiving();
        return false;
    }
    CloseHandle(thread);
    return true;
}

DWORD WINAPI BackupWorker(void*)
{
    ArchiveSettings settings = GetArchiveSettings();
    int result = WriteScheduledArchive(&settings);
    EndArchiving();
    return (DWORD)result;
}

//--- pruning

struct DatedArchive {
    char     path[MAX_PATH];
    FILETIME created;
};

// Newest first; the place is found by halving.
static void InsertByAge(GrowArray<DatedArchive>* list, const DatedArchive* entry)
{
    int32_t low = 0, high = list->count;
    while (low < high) {
        int32_t middle = low + (high - low) / 2;
        if (CompareFileTime(&list->data[middle].created, &entry->created) >= 0)
            low = middle + 1;
        else
            high = middle;
    }
    ArrayInsertAt(list, entry, low);
}

// Deletes the product's oldest archives in the folder (ending with a
// backslash) beyond the number kept. An archive left at the import location
// for the next start is never one of them.
static void PruneArchives(const char* folder, int keep)
{
    char importPath[MAX_PATH] = "";
    GetConfigImportPath(importPath);
    GrowArray<DatedArchive> list;
    InitGrowArray(&list);
    FileFinder finder;
    InitFileFinder(&finder, "%s", "");
    if (FindFirstMatch(&finder, "%s*.%s", folder, ARCHIVE_EXTENSION)) {
        do {
            finder.count++;
            const WIN32_FIND_DATAA* found = &finder.data;
            if ((found->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || !StrIStr(found->cFileName, g_app.productName))
                continue;
            DatedArchive entry = {};
            if (!FormatText(entry.path, sizeof(entry.path), "%s%s", folder, found->cFileName) ||
                _stricmp(entry.path, importPath) == 0)
                continue;
            entry.created = found->ftCreationTime;
            InsertByAge(&list, &entry);
        } while (FindNextFileA(finder.handle, &finder.data));
    }
    CloseFileFinder(&finder);
    for (int32_t i = keep; i < list.count; i++) DeleteFileA(list.data[i].path);
    FreeGrowArray(&list);
}

//--- the archive

// A file name of the backup folder: no folder part, drive or stream.
static bool IsPlainFileName(const char* name)
{
    return name[0] && !strpbrk(name, "\\/:");
}

// Whether two paths name the same file once Windows has resolved them.
static bool IsSamePath(const char* a, const char* b)
{
    char fullA[MAX_PATH], fullB[MAX_PATH];
    DWORD na = GetFullPathNameA(a, sizeof(fullA), fullA, nullptr);
    DWORD nb = GetFullPathNameA(b, sizeof(fullB), fullB, nullptr);
    if (na == 0 || na >= sizeof(fullA) || nb == 0 || nb >= sizeof(fullB)) return _stricmp(a, b) == 0;
    return _stricmp(fullA, fullB) == 0;
}

int ResolveArchiveTarget(const ArchiveSettings* settings, char* folder, char* path)
{
    folder[0] = path[0] = '\0';
    if (!settings->folderTemplate[0]) return ARCHIVE_NO_FOLDER;
    char name[MAX_PATH];
    if (!ExpandArchiveName(settings->folderTemplate, folder) || !folder[0]) return ARCHIVE_FAILED;
    if (!IsPathSeparator(folder[strlen(folder) - 1]) && !AppendText(folder, MAX_PATH, "\\"))
        return ARCHIVE_FAILED;
    if (!ExpandArchiveName(settings->nameTemplate, name) || !name[0] ||
        !FormatText(path, MAX_PATH, "%s%s.%s", folder, name, ARCHIVE_EXTENSION))
        return ARCHIVE_FAILED;
    // Outside the folder it would never be pruned.
    if (!IsPlainFileName(name)) return ARCHIVE_OUTSIDE;
    // There the next start would import it, and write the next one there again.
    char importPath[MAX_PATH];
    if (GetConfigImportPath(importPath) && IsSamePath(path, importPath)) return ARCHIVE_IMPORT_FILE;
    return ARCHIVE_WRITTEN;
}

int WriteScheduledArchive(const ArchiveSettings* settings)
{
    char folder[MAX_PATH], path[MAX_PATH];
    int target = ResolveArchiveTarget(settings, folder, path);
    if (target != ARCHIVE_WRITTEN) return target;
    if (CreateDirectoryTree(folder) != 0) return ARCHIVE_FAILED;
    // An archive without a busy record is still an archive of all the others.
    int written = BackupRestoreConfig(nullptr, CONFIG_AUTOMATIC, path);
    if (written != CONFIG_DONE && written != CONFIG_INCOMPLETE) return ARCHIVE_FAILED;
    StoreArchiveTime((int64_t)time(nullptr) / 86400 * 86400);
    PruneArchives(folder, settings->keepCount);
    return written == CONFIG_DONE ? ARCHIVE_WRITTEN : ARCHIVE_INCOMPLETE;
}
