// WorkerTest.cpp - the auto-apply worker and the window-event hook in this
// process: wake-ups collapse into passes, the hook wakes the worker only for
// the events that matter, and no pass runs without a current profile.
//
// A pass can be held until the test releases it. Every pass notes how many
// wake-ups the test had issued when it began, so a pass that no wake-up
// asked for shows itself. While the worker is held in a pass, nothing takes
// a wake-up from its event but the test: a zero wait on the event tells
// whether one is pending (and takes it).
#include "engine/Engine.h"
#include "engine/OptionsRecord.h"
#include "engine/ProfileStore.h"
#include "engine/ProfileSwitch.h"
#include "engine/WindowTable.h"
#include "engine/Worker.h"
#include "framework/core/AppObject.h"
#include "framework/core/TextUtil.h"
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace {

const int kMaxPasses = 256;

volatile LONG g_wakes;                 // wake-ups the test has issued
volatile LONG g_passes;                // passes begun
volatile LONG g_passesDone;            // passes ended
LONG g_wakesAtPass[kMaxPasses];        // g_wakes when each pass began
double g_passBeganMs[kMaxPasses];      // when each pass began
volatile LONG g_holdNext;              // the next pass waits for g_release
HANDLE g_entered, g_release;
HANDLE g_event;                        // the worker's own auto-reset event
void (*g_job)();                       // the real work of a pass, if any

std::set<HANDLE> OpenHandles()
{
    std::set<HANDLE> out;
    DWORD flags = 0;
    for (ULONG_PTR v = 4; v < 0x4000; v += 4)
        if (GetHandleInformation((HANDLE)v, &flags)) out.insert((HANDLE)v);
    return out;
}

// A wake-up is pending on the worker's event; the caller holds the worker in a pass.
bool WakePending()
{
    return WaitForSingleObject(g_event, 0) == WAIT_OBJECT_0;
}

void Pass()
{
    LONG n = InterlockedIncrement(&g_passes);
    if (n <= kMaxPasses) {
        g_wakesAtPass[n - 1] = g_wakes;
        LARGE_INTEGER f, c;
        QueryPerformanceFrequency(&f);
        QueryPerformanceCounter(&c);
        g_passBeganMs[n - 1] = (double)c.QuadPart * 1000.0 / (double)f.QuadPart;
    }
    if (g_job) g_job();
    if (InterlockedExchange(&g_holdNext, 0)) {
        SetEvent(g_entered);
        WaitForSingleObject(g_release, 10000);
    }
    InterlockedIncrement(&g_passesDone);
}

// Counted first, so a pass it starts sees it.
void Wake()
{
    InterlockedIncrement(&g_wakes);
    WakeAutoApply();
}

class Worker : public testing::Test {
protected:
    void SetUp() override
    {
        AppConstruct(&g_app);
        InitTableLock();
        SerializeOptions(0);   // no data folder: the defaults
        g_wakes = g_passes = g_passesDone = g_holdNext = 0;
        g_job = nullptr;
        g_entered = CreateEventA(nullptr, FALSE, FALSE, nullptr);
        g_release = CreateEventA(nullptr, FALSE, FALSE, nullptr);
        // The event is the worker's own: the one new handle that is not its thread.
        std::set<HANDLE> before = OpenHandles();
        ASSERT_TRUE(StartAutoApplyWorker(Pass));
        std::vector<HANDLE> made;
        for (HANDLE h : OpenHandles())
            if (!before.count(h) && GetThreadId(h) == 0) made.push_back(h);
        ASSERT_EQ(1u, made.size()) << "the worker's event is the one new handle besides its thread";
        g_event = made[0];
    }
    void TearDown() override
    {
        SetEvent(g_release);
        StopAutoApplyWorker(3000);
        CloseHandle(g_entered);
        CloseHandle(g_release);
        g_job = nullptr;
        for (HWND w : windows) DestroyWindow(w);
        FreeProfiles();
        Options.iCurProfile = -1;
        g_windowCount = 0;
        DeleteCriticalSection(&g_tableLock);
    }
    bool WaitForPassesDone(LONG n) { return PumpUntil([&] { return g_passesDone >= n; }, 10000); }
    // Issues a wake-up whose pass is held; true once it is running.
    bool HoldAPass()
    {
        g_holdNext = 1;
        Wake();
        return PumpUntil([] { return WaitForSingleObject(g_entered, 0) == WAIT_OBJECT_0; }, 10000);
    }
    HWND Window(const char* title, DWORD style = WS_OVERLAPPEDWINDOW, HWND parent = nullptr)
    {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "WorkerProbe";
        RegisterClassA(&wc);
        HWND w = CreateWindowExA(0, "WorkerProbe", title, style, 100, 100, 300, 200, parent, nullptr,
                                 wc.hInstance, nullptr);
        if (!parent) windows.push_back(w);
        return w;
    }
    std::vector<HWND> windows;
};

}  // namespace

// A burst that arrives while a pass runs: the first wake-up starts a pass,
// the other 49 come while it runs and give exactly one more; nothing is left
// over after it, and the next wake-up gives the next pass.
TEST_F(Worker, WakeUpsDuringAPassGiveOneMorePass)
{
    ASSERT_TRUE(HoldAPass());
    ASSERT_FALSE(WakePending()) << "the first wake-up was taken by its pass";
    for (int i = 0; i < 49; i++) Wake();
    g_holdNext = 1;   // the pass the burst gives is held too
    SetEvent(g_release);
    ASSERT_TRUE(PumpUntil([] { return WaitForSingleObject(g_entered, 0) == WAIT_OBJECT_0; }, 10000));
    EXPECT_EQ(2, g_passes);
    EXPECT_EQ(50, g_wakesAtPass[1]) << "the second pass began after the whole burst";
    EXPECT_FALSE(WakePending()) << "a wake-up of the burst is left over for a third pass";
    SetEvent(g_release);
    ASSERT_TRUE(WaitForPassesDone(2));

    Wake();
    ASSERT_TRUE(WaitForPassesDone(3)) << "a wake-up after the pass gives another pass";
    EXPECT_EQ(51, g_wakesAtPass[2]);
    EXPECT_TRUE(StopAutoApplyWorker(3000));
    EXPECT_EQ(3, g_passes);
}

// 50 wake-ups in a burst on an idle worker. The event resets as the worker
// wakes, so the burst can start a pass, another one after that pass, and,
// while that second one sleeps the 10 ms spacing, a third; a fourth would
// need a wake-up at least 9 ms after the second began (Sleep and the tick
// count are good to a millisecond). So a burst shorter than 9 ms gives one to
// three passes, and each further 9 ms can add two.
TEST_F(Worker, ABurstOfWakeUpsCollapsesIntoFewPasses)
{
    LARGE_INTEGER f, a, b;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&a);
    for (int i = 0; i < 50; i++) Wake();
    QueryPerformanceCounter(&b);
    long burstMs = (long)((b.QuadPart - a.QuadPart) * 1000 / f.QuadPart);
    ASSERT_TRUE(WaitForPassesDone(1));

    // A wake-up after the burst: its pass begins with 51 issued, and no pass
    // of the burst begins after that one.
    Wake();
    ASSERT_TRUE(PumpUntil(
        [] {
            for (LONG i = 0; i < g_passes && i < kMaxPasses; i++)
                if (g_wakesAtPass[i] == 51 && g_passesDone > i) return true;
            return false;
        },
        10000));
    EXPECT_TRUE(StopAutoApplyWorker(3000));
    LONG burstPasses = 0;
    for (LONG i = 0; i < g_passes && i < kMaxPasses; i++)
        if (g_wakesAtPass[i] <= 50) burstPasses++;
    EXPECT_GE(burstPasses, 1);
    EXPECT_LE(burstPasses, 3 + 2 * (burstMs / 9)) << "a burst of " << burstMs << " ms";
    EXPECT_LE(g_passes - burstPasses, 2) << "the one wake-up after it";
}

// Two passes begin at least 10 ms apart, even when each pass asks for the
// next one as it runs. A pass notes its start a moment after the worker read
// its clock, and that moment may vary: a millisecond is allowed for it.
TEST_F(Worker, PassesBeginAtLeastTenMillisecondsApart)
{
    g_job = [] {
        if (g_passes < 20) Wake();
    };
    Wake();
    ASSERT_TRUE(WaitForPassesDone(20));
    EXPECT_TRUE(StopAutoApplyWorker(3000));
    for (int i = 1; i < 20; i++)
        EXPECT_GE(g_passBeganMs[i] - g_passBeganMs[i - 1], 9.0) << "between passes " << i << " and " << i + 1;
}

// The hook wakes the worker for creation, destruction, showing, focus,
// moves and renames of top-level windows, and for nothing else. The waking
// rows are the controls: they show a wake-up would be seen.
TEST_F(Worker, HookWakesOnlyForTopLevelWindowEvents)
{
    HWND top = Window("Worker Hook Probe");
    HWND child = Window("", WS_CHILD | WS_VISIBLE, top);
    struct Row {
        const char* why;
        DWORD event;
        LONG objectId, childId;
        HWND window;
        bool wakes;
    } rows[] = {
        {"created", EVENT_OBJECT_CREATE, OBJID_WINDOW, CHILDID_SELF, top, true},
        {"destroyed", EVENT_OBJECT_DESTROY, OBJID_WINDOW, CHILDID_SELF, top, true},
        {"shown", EVENT_OBJECT_SHOW, OBJID_WINDOW, CHILDID_SELF, top, true},
        {"focused", EVENT_OBJECT_FOCUS, OBJID_WINDOW, CHILDID_SELF, top, true},
        {"moved", EVENT_OBJECT_LOCATIONCHANGE, OBJID_WINDOW, CHILDID_SELF, top, true},
        {"renamed", EVENT_OBJECT_NAMECHANGE, OBJID_WINDOW, CHILDID_SELF, top, true},
        {"hidden", EVENT_OBJECT_HIDE, OBJID_WINDOW, CHILDID_SELF, top, false},
        {"reordered", EVENT_OBJECT_REORDER, OBJID_WINDOW, CHILDID_SELF, top, false},
        {"selected", EVENT_OBJECT_SELECTION, OBJID_WINDOW, CHILDID_SELF, top, false},
        {"state changed", EVENT_OBJECT_STATECHANGE, OBJID_WINDOW, CHILDID_SELF, top, false},
        {"a system event", EVENT_SYSTEM_FOREGROUND, OBJID_WINDOW, CHILDID_SELF, top, false},
        {"client area object", EVENT_OBJECT_CREATE, OBJID_CLIENT, CHILDID_SELF, top, false},
        {"a child element", EVENT_OBJECT_CREATE, OBJID_WINDOW, 1, top, false},
        {"no window", EVENT_OBJECT_CREATE, OBJID_WINDOW, CHILDID_SELF, nullptr, false},
        {"a child window", EVENT_OBJECT_CREATE, OBJID_WINDOW, CHILDID_SELF, child, false},
        {"a child window moved", EVENT_OBJECT_LOCATIONCHANGE, OBJID_WINDOW, CHILDID_SELF, child, false},
    };
    ASSERT_TRUE(HoldAPass());
    ASSERT_FALSE(WakePending());
    for (const Row& r : rows) {
        SCOPED_TRACE(r.why);
        WinEventProc(nullptr, r.event, r.window, r.objectId, r.childId, 0, 0);
        EXPECT_EQ(r.wakes, WakePending());
    }
    SetEvent(g_release);
    ASSERT_TRUE(WaitForPassesDone(1));
}

// The worker's job with an invalid current profile runs no pass: no window
// enters the table. A valid one is the control.
TEST_F(Worker, NoPassWithoutAValidCurrentProfile)
{
    Profile p = {};
    ASSERT_TRUE(InitProfile(&p, true));
    CopyText(p.szGenName, sizeof(p.szGenName), "Only");
    ASSERT_EQ(0, InsertProfileSorted(&g_profiles, &p));
    HWND w = Window("Worker Profile Probe");
    ShowWindow(w, SW_SHOWNOACTIVATE);
    g_job = RunCurrentProfilePass;
    struct Row {
        const char* why;
        int current;
        bool pass;
    } rows[] = {
        {"none yet", -1, false},
        {"past the end", 1, false},
        {"far past the end", 1000, false},
        {"below none", -7, false},
        {"the profile", 0, true},
    };
    LONG number = 0;
    for (const Row& r : rows) {
        SCOPED_TRACE(r.why);
        g_windowCount = 0;
        Options.iCurProfile = r.current;
        Wake();
        ASSERT_TRUE(WaitForPassesDone(++number));
        EXPECT_EQ(r.pass, FindWindowEntry(w) >= 0);
        EXPECT_EQ(r.pass, g_windowCount > 0);
    }
}
