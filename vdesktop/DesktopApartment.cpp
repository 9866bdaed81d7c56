// DesktopApartment.cpp - a thread in the multithreaded apartment that holds
// the shell's desktop interfaces and runs the calls of other apartments.
//
// The shell's interfaces are proxies bound to the apartment that obtained
// them: obtained on the UI thread (a single-threaded apartment), the worker
// and rule threads get RPC_E_WRONG_THREAD from them; obtained in the MTA, the
// UI thread does. So they are obtained and used in the MTA only, and a thread
// outside it hands its call to this thread and waits.
#include "vdesktop/DesktopApartment.h"

#include <objbase.h>

#include <stdlib.h>

namespace {

enum JobState : LONG {
    JOB_QUEUED,
    JOB_RUNNING,
    JOB_DONE,
    JOB_DROPPED,   // its caller gave up before it started: never run
    JOB_LATE,      // its caller gave up while it ran: the shell hangs
};

struct ApartmentJob {
    ApartmentJob*  next;
    DesktopWork    work;
    int            result;   // written before the state turns JOB_DONE
    volatile LONG  state;    // JobState
    volatile LONG  refs;     // the caller's and the apartment's
    HANDLE         done;
};

}  // namespace

struct DesktopApartment {
    volatile LONG      refs;    // the holders' and the thread's
    LONG               holds;   // guarded by g_apartmentLock
    HANDLE             thread;
    HANDLE             ready;   // the thread is in the MTA, or failed to enter it
    HRESULT            comResult;
    SRWLOCK            lock;    // guards the queue and quit
    CONDITION_VARIABLE wake;
    ApartmentJob*      first;
    ApartmentJob*      last;
    bool               quit;
    volatile LONG      late;    // jobs running after their caller gave up
};

// The running apartment, shared by every desktop object.
static DesktopApartment* g_apartment;
static SRWLOCK g_apartmentLock = SRWLOCK_INIT;

//--- jobs

static ApartmentJob* NewJob(const DesktopWork& work)
{
    ApartmentJob* job = (ApartmentJob*)calloc(1, sizeof(ApartmentJob));
    if (!job) return nullptr;
    job->done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (!job->done) {
        free(job);
        return nullptr;
    }
    job->work = work;
    job->state = JOB_QUEUED;
    job->refs = 2;
    return job;
}

static void ReleaseJob(ApartmentJob* job)
{
    if (InterlockedDecrement(&job->refs) != 0) return;
    CloseHandle(job->done);
    free(job);
}

static void QueueJob(DesktopApartment* a, ApartmentJob* job)
{
    AcquireSRWLockExclusive(&a->lock);
    if (a->last)
        a->last->next = job;
    else
        a->first = job;
    a->last = job;
    ReleaseSRWLockExclusive(&a->lock);
    WakeConditionVariable(&a->wake);
}

static void RunJob(DesktopApartment* a, ApartmentJob* job)
{
    if (InterlockedCompareExchange(&job->state, JOB_RUNNING, JOB_QUEUED) == JOB_QUEUED) {
        job->result = job->work.run(&job->work);
        if (InterlockedExchange(&job->state, JOB_DONE) == JOB_LATE) InterlockedDecrement(&a->late);
    }
    SetEvent(job->done);
    ReleaseJob(job);
}

// The caller's side of a time-out: a job that has not started is dropped
// (unless it must run), a running one marks the apartment as hanging. True
// when the job finished after all.
static bool GiveUpJob(DesktopApartment* a, ApartmentJob* job, bool mayDrop)
{
    if (mayDrop && InterlockedCompareExchange(&job->state, JOB_DROPPED, JOB_QUEUED) == JOB_QUEUED) return false;
    if (InterlockedCompareExchange(&job->state, JOB_LATE, JOB_RUNNING) == JOB_RUNNING) {
        InterlockedIncrement(&a->late);
        return false;
    }
    return job->state == JOB_DONE;
}

//--- the thread

static void ReleaseApartmentMemory(DesktopApartment* a)
{
    if (InterlockedDecrement(&a->refs) != 0) return;
    CloseHandle(a->ready);
    free(a);
}

static void RunJobs(DesktopApartment* a)
{
    for (;;) {
        AcquireSRWLockExclusive(&a->lock);
        while (!a->first && !a->quit) SleepConditionVariableSRW(&a->wake, &a->lock, INFINITE, 0);
        ApartmentJob* job = a->first;
        if (job) {
            a->first = job->next;
            if (!a->first) a->last = nullptr;
        }
        ReleaseSRWLockExclusive(&a->lock);
        if (!job) return;   // told to quit, and nothing left to do
        RunJob(a, job);
    }
}

static DWORD WINAPI ApartmentThread(void* context)
{
    DesktopApartment* a = (DesktopApartment*)context;
    a->comResult = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    HRESULT entered = a->comResult;
    SetEvent(a->ready);
    if (SUCCEEDED(entered)) {
        RunJobs(a);
        CoUninitialize();
    }
    ReleaseApartmentMemory(a);
    return 0;
}

static DesktopApartment* StartApartment()
{
    DesktopApartment* a = (DesktopApartment*)calloc(1, sizeof(DesktopApartment));
    if (!a) return nullptr;
    a->refs = 1;
    InitializeSRWLock(&a->lock);
    InitializeConditionVariable(&a->wake);
    a->ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (a->ready) {
        a->refs++;   // the thread's, once it runs
        a->thread = CreateThread(nullptr, 0, ApartmentThread, a, 0, nullptr);
        if (!a->thread) a->refs--;
    }
    if (!a->thread) {
        if (a->ready) CloseHandle(a->ready);
        free(a);
        return nullptr;
    }
    // Callers in the MTA find it there once this returns.
    HANDLE started[2] = {a->ready, a->thread};
    WaitForMultipleObjects(2, started, FALSE, INFINITE);
    if (SUCCEEDED(a->comResult)) return a;
    WaitForSingleObject(a->thread, INFINITE);   // it returns without work
    CloseHandle(a->thread);
    ReleaseApartmentMemory(a);
    return nullptr;
}

//--- holds

DesktopApartment* HoldDesktopApartment()
{
    AcquireSRWLockExclusive(&g_apartmentLock);
    DesktopApartment* a = g_apartment;
    if (!a) a = g_apartment = StartApartment();
    if (a) a->holds++;
    ReleaseSRWLockExclusive(&g_apartmentLock);
    return a;
}

void ReleaseDesktopApartment(DesktopApartment* a)
{
    if (!a) return;
    AcquireSRWLockExclusive(&g_apartmentLock);
    bool last = --a->holds == 0;
    if (last && g_apartment == a) g_apartment = nullptr;
    ReleaseSRWLockExclusive(&g_apartmentLock);
    if (!last) return;
    AcquireSRWLockExclusive(&a->lock);
    a->quit = true;
    ReleaseSRWLockExclusive(&a->lock);
    WakeConditionVariable(&a->wake);
    // A thread stuck in a hung shell ends by itself when the shell returns.
    WaitForSingleObject(a->thread, a->late > 0 ? 0 : kDesktopCallBound);
    CloseHandle(a->thread);
    ReleaseApartmentMemory(a);
}

//--- calls

bool InMultithreadedApartment()
{
    APTTYPE type;
    APTTYPEQUALIFIER qualifier;
    return SUCCEEDED(CoGetApartmentType(&type, &qualifier)) && type == APTTYPE_MTA;
}

// A plain wait: delivering the messages sent to the UI thread meanwhile would
// run their handlers in the middle of whatever made the call (the start-up
// probe, before the profiles are loaded). Nothing the shell does for us waits
// on that thread: the event sinks only post to it.
int CallInDesktopApartment(DesktopApartment* a, const DesktopWork& work, int failure, DWORD bound)
{
    if (!a || a->late > 0) return failure;
    ApartmentJob* job = NewJob(work);
    if (!job) return failure;
    QueueJob(a, job);
    bool finished = WaitForSingleObject(job->done, bound) == WAIT_OBJECT_0 || GiveUpJob(a, job, true);
    int result = finished ? job->result : failure;
    ReleaseJob(job);
    return result;
}

void FinishInDesktopApartment(DesktopApartment* a, const DesktopWork& work, DWORD bound)
{
    ApartmentJob* job = a ? NewJob(work) : nullptr;
    if (!job) {
        work.run(&work);
        return;
    }
    QueueJob(a, job);
    if (WaitForSingleObject(job->done, a->late > 0 ? 0 : bound) != WAIT_OBJECT_0) GiveUpJob(a, job, false);
    ReleaseJob(job);
}
