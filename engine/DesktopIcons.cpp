// DesktopIcons.cpp - saving the desktop icons' positions into a profile or a
// virtual desktop's record, and putting them back.
#include "engine/DesktopIcons.h"

#include "engine/DesktopListView.h"
#include "engine/WindowTable.h"
#include "framework/core/AppObject.h"
#include "framework/core/MessageLoop.h"
#include "framework/core/MonitorTable.h"
#include "framework/core/RecordFile.h"

#include <stdlib.h>
#include <string.h>

// No desktop holds more; a list view that claims more is not read further.
#define DESKTOP_ICONS_MAX 65535
// Longest a save or restore may read and move icons: a real desktop takes a
// fraction of a second. One that answers every message just in time ends
// there, as a shell that stopped answering does.
#define DESKTOP_ICONS_WORK_MS 10000
// Polls of 10 ms: how long a caller waits for a save, or a direct restore
// for the work before it.
#define ICON_WAIT_POLLS 300
// Tries of 10 ms for the table lock before a profile's list is read or replaced.
#define ICON_TABLE_TRIES 500

// One save or restore. A profile's job is listed while it runs, so that a
// freed list can be taken from it.
struct IconJob {
    GrowArray<DesktopIconEntry>* list;   // the profile's icons; null once freed, or for a desktop
    int32_t desktop;                     // -1 for a profile
    IconJob* next;
};

// The listed jobs and their list pointers.
static SRWLOCK g_iconJobsLock = SRWLOCK_INIT;
static IconJob* g_iconJobs = nullptr;
// Held by a save or restore for the whole of its work: two never interleave
// on the list view or on one list, and a restore reads what a save before it
// wrote.
static SRWLOCK g_iconWorkLock = SRWLOCK_INIT;

//--- jobs

static void ForgetIconList(GrowArray<DesktopIconEntry>* list)
{
    AcquireSRWLockExclusive(&g_iconJobsLock);
    for (IconJob* j = g_iconJobs; j; j = j->next)
        if (j->list == list) j->list = nullptr;
    ReleaseSRWLockExclusive(&g_iconJobsLock);
}

static IconJob* NewIconJob(GrowArray<DesktopIconEntry>* list, int32_t desktop)
{
    IconJob* job = (IconJob*)calloc(1, sizeof(IconJob));
    if (!job) return nullptr;
    job->list = list;
    job->desktop = desktop;
    if (list) {
        g_iconListFreeing = ForgetIconList;
        AcquireSRWLockExclusive(&g_iconJobsLock);
        job->next = g_iconJobs;
        g_iconJobs = job;
        ReleaseSRWLockExclusive(&g_iconJobsLock);
    }
    return job;
}

static void FreeIconJob(IconJob* job)
{
    AcquireSRWLockExclusive(&g_iconJobsLock);
    for (IconJob** at = &g_iconJobs; *at; at = &(*at)->next)
        if (*at == job) {
            *at = job->next;
            break;
        }
    ReleaseSRWLockExclusive(&g_iconJobsLock);
    free(job);
}

//--- positions

static POINT ScreenOrigin()
{
    RefreshMonitors();
    MonitorTable t;
    GetMonitorSnapshot(&t);
    return POINT{t.screenX, t.screenY};
}

static LONG Clamped(int64_t v)
{
    return v < INT32_MIN ? INT32_MIN : v > INT32_MAX ? INT32_MAX : (LONG)v;
}

//--- the lists a job reads and writes

// Names from a file or another thread's list may fill their fields.
static void TerminateNames(GrowArray<DesktopIconEntry>* icons)
{
    for (int32_t i = 0; i < icons->count; i++) icons->data[i].name[sizeof(icons->data[i].name) - 1] = '\0';
}

// A copy of the job's saved icons; empty when there are none.
static void LoadSavedIcons(IconJob* job, GrowArray<DesktopIconEntry>* saved)
{
    if (job->desktop >= 0) {
        void* block = nullptr;
        uint32_t size = LoadRecord(DESKTOP_ICONS_RECORD, job->desktop, &block);
        // A cut last entry is left out.
        uint32_t n = size / sizeof(DesktopIconEntry);
        if (block && n > 0) ArrayAppendN(saved, (const DesktopIconEntry*)block, (int32_t)n);
        free(block);
    } else if (EnterTableLock(ICON_TABLE_TRIES)) {
        AcquireSRWLockShared(&g_iconJobsLock);
        if (job->list && job->list->count > 0) ArrayCopyFrom(job->list, saved);
        ReleaseSRWLockShared(&g_iconJobsLock);
        LeaveTableLock();
    }
    TerminateNames(saved);
}

static void StoreSavedIcons(IconJob* job, const GrowArray<DesktopIconEntry>* icons)
{
    if (job->desktop >= 0) {
        SaveRecord(DESKTOP_ICONS_RECORD, job->desktop, icons->data,
                   (uint32_t)icons->count * (uint32_t)sizeof(DesktopIconEntry));
        return;
    }
    if (!EnterTableLock(ICON_TABLE_TRIES)) return;
    // Shared: the list itself is guarded by the table lock; this only keeps
    // the list from being freed while it is written.
    AcquireSRWLockShared(&g_iconJobsLock);
    if (job->list) {
        if (icons->count == 0)
            job->list->count = 0;
        else
            ArrayCopyFrom(icons, job->list);
    }
    ReleaseSRWLockShared(&g_iconJobsLock);
    LeaveTableLock();
}

//--- the work

// The icons to go through: what the list view says, up to what a desktop holds.
static int BoundedIconCount(DesktopListView* view)
{
    int n = DesktopIconCount(view);
    return n > DESKTOP_ICONS_MAX ? DESKTOP_ICONS_MAX : n;
}

static bool PastWorkTime(ULONGLONG start)
{
    return GetTickCount64() - start > DESKTOP_ICONS_WORK_MS;
}

// Reads every icon with its screen position; ICONS_*. What was read before a
// failure is kept. setUp: the list view was reached.
static int ReadAllIcons(GrowArray<DesktopIconEntry>* icons, bool* setUp)
{
    ULONGLONG start = GetTickCount64();
    DesktopListView view;
    int rc = OpenDesktopListView(&view);
    *setUp = rc == ICONS_DONE;
    if (rc == ICONS_DONE) {
        POINT origin = ScreenOrigin();
        int n = BoundedIconCount(&view);
        if (n < 0) rc = ICONS_NO_SHELL;
        for (int i = 0; i < n; i++) {
            DesktopIconEntry e = {};
            POINT at = {};
            int read = ReadDesktopIcon(&view, i, e.name, &at);
            if (read == ICON_MISSING) break;   // the list ends here, whatever its count said
            if (read != ICON_READ || PastWorkTime(start)) {
                rc = ICONS_NO_SHELL;
                break;
            }
            e.pt.x = Clamped((int64_t)at.x + origin.x);
            e.pt.y = Clamped((int64_t)at.y + origin.y);
            if (ArrayAppend(icons, &e) < 0) break;
        }
    }
    CloseDesktopListView(&view);
    return rc;
}

static const DesktopIconEntry* FindSavedIcon(const GrowArray<DesktopIconEntry>* saved, const char* name)
{
    for (int32_t i = 0; i < saved->count; i++)
        if (strcmp(saved->data[i].name, name) == 0) return &saved->data[i];
    return nullptr;
}

// The restore itself, with the work lock held.
static int RestoreWork(IconJob* job)
{
    ULONGLONG start = GetTickCount64();
    DesktopListView view;
    int rc = OpenDesktopListView(&view);
    GrowArray<DesktopIconEntry> saved;
    InitGrowArray(&saved);
    if (rc == ICONS_DONE) LoadSavedIcons(job, &saved);
    if (rc == ICONS_DONE && saved.count > 0) {
        POINT origin = ScreenOrigin();
        int n = BoundedIconCount(&view);
        if (n < 0) rc = ICONS_NO_SHELL;
        // A second pass puts back what moving the others may have pushed aside.
        for (int pass = 0; pass < 2 && rc == ICONS_DONE; pass++) {
            for (int i = 0; i < n; i++) {
                char name[ICON_TEXT_BYTES];
                int read = ReadDesktopIcon(&view, i, name, nullptr);
                if (read == ICON_MISSING) {
                    n = i;   // the list ends here, whatever its count said
                    break;
                }
                if (read != ICON_READ || PastWorkTime(start)) {
                    rc = ICONS_NO_SHELL;
                    break;
                }
                const DesktopIconEntry* e = FindSavedIcon(&saved, name);
                if (!e) continue;
                POINT at = {Clamped((int64_t)e->pt.x - origin.x), Clamped((int64_t)e->pt.y - origin.y)};
                if (!MoveDesktopIcon(&view, i, at)) {
                    rc = ICONS_NO_SHELL;
                    break;
                }
            }
        }
    }
    FreeGrowArray(&saved);
    CloseDesktopListView(&view);
    return rc;
}

DWORD WINAPI SaveDesktopIcons(void* context)
{
    IconJob* job = (IconJob*)context;
    AcquireSRWLockExclusive(&g_iconWorkLock);
    GrowArray<DesktopIconEntry> icons;
    InitGrowArray(&icons);
    bool setUp = false;
    int rc = ReadAllIcons(&icons, &setUp);
    // Without the list view nothing was read, and nothing saved is lost.
    if (setUp) StoreSavedIcons(job, &icons);
    ReleaseSRWLockExclusive(&g_iconWorkLock);
    FreeGrowArray(&icons);
    FreeIconJob(job);
    return (DWORD)rc;
}

DWORD WINAPI RestoreDesktopIcons(void* context)
{
    IconJob* job = (IconJob*)context;
    AcquireSRWLockExclusive(&g_iconWorkLock);
    int rc = RestoreWork(job);
    ReleaseSRWLockExclusive(&g_iconWorkLock);
    FreeIconJob(job);
    return (DWORD)rc;
}

//--- starting

// Starts the thread; with wait, polls for its end. ICONS_RUNNING when not
// waited for or still running.
static int StartIconThread(LPTHREAD_START_ROUTINE proc, IconJob* job, bool wait)
{
    if (!job) return ICONS_NOT_STARTED;
    HANDLE thread = CreateThread(nullptr, 0, proc, job, 0, nullptr);
    if (!thread) {
        FreeIconJob(job);
        return ICONS_NOT_STARTED;
    }
    int result = ICONS_RUNNING;
    for (int polls = 0; wait && polls < ICON_WAIT_POLLS; polls++) {
        DWORD code = STILL_ACTIVE;
        if (GetExitCodeThread(thread, &code) && code != STILL_ACTIVE) {
            result = (int)code;
            break;
        }
        PumpMessagesFor(&g_app, 10);
    }
    CloseHandle(thread);
    return result;
}

// A restore on the calling thread, after the work before it (up to the
// usual wait; then it gives up).
static int RestoreDirect(IconJob* job)
{
    if (!job) return ICONS_NOT_STARTED;
    int rc = ICONS_RUNNING;
    for (int polls = 0; polls <= ICON_WAIT_POLLS; polls++) {
        if (TryAcquireSRWLockExclusive(&g_iconWorkLock)) {
            rc = RestoreWork(job);
            ReleaseSRWLockExclusive(&g_iconWorkLock);
            break;
        }
        if (polls < ICON_WAIT_POLLS) PumpMessagesFor(&g_app, 10);
    }
    FreeIconJob(job);
    return rc;
}

static bool IsDesktopNumber(int desktop)
{
    return desktop >= 0 && desktop <= DESKTOP_ICONS_LAST;
}

int SaveDesktopIconsAsync(Profile* profile, bool wait)
{
    if (!profile || !profile->pIcons) return ICONS_NOT_STARTED;
    return StartIconThread(SaveDesktopIcons, NewIconJob(profile->pIcons, -1), wait);
}

int SaveDesktopIconsAsync(int desktop, bool wait)
{
    if (!IsDesktopNumber(desktop)) return ICONS_NOT_STARTED;
    return StartIconThread(SaveDesktopIcons, NewIconJob(nullptr, desktop), wait);
}

int RestoreDesktopIconsAsync(Profile* profile, bool direct)
{
    if (!profile || !profile->pIcons) return ICONS_NOT_STARTED;
    IconJob* job = NewIconJob(profile->pIcons, -1);
    return direct ? RestoreDirect(job) : StartIconThread(RestoreDesktopIcons, job, false);
}

int RestoreDesktopIconsAsync(int desktop, bool direct)
{
    if (!IsDesktopNumber(desktop)) return ICONS_NOT_STARTED;
    IconJob* job = NewIconJob(nullptr, desktop);
    return direct ? RestoreDirect(job) : StartIconThread(RestoreDesktopIcons, job, false);
}
