// VirtualDesktopTest.cpp - the desktop variants against an immersive shell of
// each build in this process: which variant the probe keeps, which slots its
// operations reach, the events it posts, and what it holds and lets go.
#include "tests/support/FakeImmersiveShell.h"
#include "vdesktop/DesktopVariants.h"

#include <gtest/gtest.h>

#include <map>
#include <ostream>
#include <string>
#include <vector>

namespace {

struct Posted {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    bool operator==(const Posted& o) const
    {
        return message == o.message && wParam == o.wParam && lParam == o.lParam;
    }
};

void PrintTo(const Posted& p, std::ostream* os)
{
    *os << "{0x" << std::hex << p.message << std::dec << ", " << (INT_PTR)p.wParam << ", " << p.lParam << "}";
}

std::map<HWND, std::vector<Posted>> g_posted;

LRESULT CALLBACK ListenerProc(HWND w, UINT m, WPARAM wp, LPARAM lp)
{
    if (m >= 0x400 && m < 0x8000) {
        g_posted[w].push_back({m, wp, lp});
        return 0;
    }
    return DefWindowProcA(w, m, wp, lp);
}

HWND NewWindow()
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = ListenerProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "DesktopListener";
    RegisterClassA(&wc);
    return CreateWindowExA(0, "DesktopListener", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, wc.hInstance,
                           nullptr);
}

// The sinks post on the shell's thread, which has ended when an event
// returns: what was posted is in the queue now.
std::vector<Posted> TakePosted(HWND w)
{
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
    std::vector<Posted> out;
    out.swap(g_posted[w]);
    return out;
}

std::string Faults()
{
    std::string all;
    for (const std::string& f : FakeShellFaults()) all += f + "\n";
    return all;
}

bool Reached(const std::vector<FakeShellCall>& calls, int kind, int slot)
{
    for (const FakeShellCall& c : calls)
        if (c.kind == kind && c.slot == slot && !c.unused) return true;
    return false;
}

template <typename T>
bool Is(CVirtualDesktop* d)
{
    return dynamic_cast<T*>(d) != nullptr;
}

class DesktopShell : public testing::Test {
protected:
    void TearDown() override
    {
        if (g_virtualDesktop) delete g_virtualDesktop;
        g_virtualDesktop = nullptr;
        StopFakeShell();
        for (HWND w : windows) DestroyWindow(w);
    }
    HWND Window()
    {
        windows.push_back(NewWindow());
        return windows.back();
    }
    std::vector<HWND> windows;
};

}  // namespace

// For each build family: the probe keeps its variant (Windows 11 and 11 22H2
// only by the build number, as they share identifiers); every operation
// reaches the build's slots; each event is posted to each listener at its
// base; a remembered desktop is switched back to silently; and everything
// the program held is given back.
TEST_F(DesktopShell, EachBuildFamilyIsProbedOperatedAndHeard)
{
    static const struct {
        FakeShellVariant fake;
        uint32_t build;
        bool (*picked)(CVirtualDesktop*);
        int getDesktops, switchDesktop;   // slots of the internal manager
        const char* why;
    } kRows[] = {
        {FAKE_SHELL_10, 19045, Is<CVirtualDesktop_10>, 7, 9, "Windows 10"},
        {FAKE_SHELL_11, 22000, Is<CVirtualDesktop_11>, 7, 9, "Windows 11 before 22H2"},
        {FAKE_SHELL_11_22H2, 22621, Is<CVirtualDesktop_11_22H2>, 8, 10, "22H2: the identifiers of 11, other slots"},
        {FAKE_SHELL_11_23H2, 22631, Is<CVirtualDesktop_11_23H2>, 7, 9, "23H2"},
        {FAKE_SHELL_11_23H2_3085, 22631, Is<CVirtualDesktop_11_23H2_3085>, 7, 9, "23H2 from 22631.3085"},
    };
    for (const auto& row : kRows) {
        SCOPED_TRACE(row.why);
        FakeShellConfig config;
        config.variant = row.fake;
        config.desktops = 3;
        config.current = 1;
        ASSERT_TRUE(StartFakeShell(config));
        HWND a = Window(), b = Window();
        FakeShellAddWindow(a, 0);
        FakeShellAddWindow(b, 1);

        CVirtualDesktop* d = ProbeVirtualDesktop(row.build);
        ASSERT_NE(nullptr, d) << Faults();
        EXPECT_EQ(d, g_virtualDesktop);
        EXPECT_TRUE(row.picked(d));
        EXPECT_EQ(6, FakeShellOutstandingRefs()) << "the kept variant's six services, nothing of the rejected ones";
        EXPECT_EQ(1, FakeShellRegisteredSinks());

        EXPECT_EQ(1, d->GetCurrentDesktopNumber());
        TakeFakeShellCalls();
        EXPECT_EQ(3, d->GetDesktopCount());
        EXPECT_TRUE(Reached(TakeFakeShellCalls(), FAKE_INTERNAL_MANAGER, row.getDesktops));
        EXPECT_EQ(0, d->GetWindowDesktopNumber(a));
        EXPECT_EQ(1, d->GetWindowDesktopNumber(b));
        EXPECT_EQ(1, d->MoveWindowToDesktop(a, 2));
        EXPECT_EQ(2, FakeShellWindowDesktop(a));
        EXPECT_EQ(2, d->GetWindowDesktopNumber(a));
        EXPECT_EQ(0, d->MoveWindowToDesktop(a, 3)) << "no desktop 3";
        EXPECT_EQ(2, FakeShellWindowDesktop(a));
        TakeFakeShellCalls();
        d->SwitchToDesktop(2);
        EXPECT_TRUE(Reached(TakeFakeShellCalls(), FAKE_INTERNAL_MANAGER, row.switchDesktop));
        EXPECT_EQ(2, FakeShellCurrentDesktop());
        EXPECT_EQ(2, d->GetCurrentDesktopNumber());
        EXPECT_FALSE(d->IsWindowPinned(a));
        d->PinWindow(a);
        EXPECT_TRUE(FakeShellWindowPinned(a));
        EXPECT_TRUE(d->IsWindowPinned(a));
        EXPECT_FALSE(d->IsWindowPinned(b));
        d->UnpinWindow(a);
        EXPECT_FALSE(FakeShellWindowPinned(a));
        EXPECT_FALSE(d->IsWindowPinned(a));

        // Two listeners, each at its own base; a second base for the same
        // window is ignored and no second sink is made.
        HWND first = Window(), second = Window();
        d->AddListener(first, 0x464);
        d->AddListener(second, 0x500);
        d->AddListener(first, 0x600);
        EXPECT_EQ(1, FakeShellRegisteredSinks());
        EXPECT_EQ(3, FakeShellAddDesktop());
        static const struct {
            int code, a, b;
            WPARAM wParam;
            LPARAM lParam;
        } kEvents[] = {
            {FAKE_EVENT_CURRENT_CHANGED, 2, 0, 2, 0},
            {FAKE_EVENT_VIEW_CHANGED, 0, 0, 0, 0},
            {FAKE_EVENT_CREATED, 3, 0, 3, 0},
            {FAKE_EVENT_DESTROY_BEGINS, 3, 1, 3, 1},
            {FAKE_EVENT_DESTROY_FAILED, 3, 1, 3, 1},
            {FAKE_EVENT_DESTROYED, 3, 0, 3, 0},
            {FAKE_EVENT_DESTROYED, FAKE_UNREADABLE_DESKTOP, 1, (WPARAM)-1, 1},
        };
        for (const auto& e : kEvents) {
            SCOPED_TRACE(testing::Message() << "event " << e.code);
            EXPECT_EQ(S_OK, FakeShellFireEvent(e.code, e.a, e.b));
            EXPECT_EQ(std::vector<Posted>({{0x464u + e.code, e.wParam, e.lParam}}), TakePosted(first));
            EXPECT_EQ(std::vector<Posted>({{0x500u + e.code, e.wParam, e.lParam}}), TakePosted(second));
        }
        for (HRESULT hr : FakeShellCallQuietSlots()) EXPECT_EQ(S_OK, hr);
        EXPECT_TRUE(TakePosted(first).empty()) << "the other events post nothing";

        // The user leaves a remembered desktop: taken back, not reported;
        // the next change is reported.
        EXPECT_EQ(0, d->RememberDesktop(-1));
        FakeShellFireEvent(FAKE_EVENT_CURRENT_CHANGED, 0, 1);
        EXPECT_EQ(0, FakeShellCurrentDesktop());
        EXPECT_TRUE(TakePosted(first).empty());
        FakeShellFireEvent(FAKE_EVENT_CURRENT_CHANGED, 0, 2);
        EXPECT_EQ(2, FakeShellCurrentDesktop());
        EXPECT_EQ(std::vector<Posted>({{0x464u, 0, 2}}), TakePosted(first));

        // The last listener leaving unregisters the sink, which then goes;
        // a new first listener registers a new one.
        d->RemoveListener(first);
        EXPECT_EQ(1, FakeShellRegisteredSinks());
        d->RemoveListener(second);
        EXPECT_EQ(0, FakeShellRegisteredSinks());
        EXPECT_EQ(0, FakeShellLastSinkRelease()) << "the shell's release was the sink's last";
        TakePosted(second);
        d->AddListener(second, 0x500);
        EXPECT_EQ(1, FakeShellRegisteredSinks());
        FakeShellFireEvent(FAKE_EVENT_VIEW_CHANGED, 0, 0);
        EXPECT_EQ(std::vector<Posted>({{0x501u, 0, 0}}), TakePosted(second));

        EXPECT_EQ("", Faults()) << "unused slots reached or arguments out of place";
        delete d;
        g_virtualDesktop = nullptr;
        EXPECT_EQ(0, FakeShellRegisteredSinks());
        EXPECT_EQ(0, FakeShellLastSinkRelease());
        EXPECT_EQ(0, FakeShellOutstandingRefs()) << "every interface released";
        StopFakeShell();
    }
}

// A shell class that is not registered at all is not waited for, by Init or
// by the probe; one that is still starting is asked again until it answers.
TEST_F(DesktopShell, AMissingShellIsGivenUpAtOnceAStartingOneIsWaitedFor)
{
    static const struct {
        HRESULT failure;
        int failures;
        int wantInit;
        int wantCreates;
        const char* why;
    } kRows[] = {
        {REGDB_E_CLASSNOTREG, 1000, 1, 1, "class not registered: no retry"},
        {CO_E_SERVER_EXEC_FAILURE, 3, 0, 4, "not ready: three retries, then the shell"},
    };
    for (const auto& row : kRows) {
        SCOPED_TRACE(row.why);
        FakeShellConfig config;
        config.failCreates = row.failures;
        config.createFailure = row.failure;
        ASSERT_TRUE(StartFakeShell(config));
        {
            CVirtualDesktop_10 d;
            EXPECT_EQ(row.wantInit, d.Init());
            EXPECT_EQ(row.wantCreates, FakeShellCreateCount());
        }
        StopFakeShell();
    }
    // Without a shell, the probe asks once per variant and ends without a
    // desktop object. The fake here says so: a class nobody registered would
    // be looked up in Wine's rpcss, where a fake of another test process can
    // be found while it goes away, and Wine's COM then crashes in the lookup.
    FakeShellConfig none;
    none.failCreates = 1000;
    none.createFailure = REGDB_E_CLASSNOTREG;
    ASSERT_TRUE(StartFakeShell(none));
    EXPECT_EQ(nullptr, ProbeVirtualDesktop(19045));
    EXPECT_EQ(nullptr, g_virtualDesktop);
    EXPECT_EQ(4, FakeShellCreateCount()) << "each variant of a build before 22H2 asks once, none waits";
}

// A variant whose Init succeeds but that cannot tell the current desktop is
// rejected, and gives back its registered sink and every service.
TEST_F(DesktopShell, ARejectedVariantLetsGoOfItsSinkAndServices)
{
    FakeShellConfig config;
    config.variant = FAKE_SHELL_11_23H2;
    config.current = 7;   // not among the desktops: the shell cannot name it
    ASSERT_TRUE(StartFakeShell(config));
    EXPECT_EQ(nullptr, ProbeVirtualDesktop(22631));
    EXPECT_EQ(nullptr, g_virtualDesktop);
    EXPECT_EQ(1, FakeShellRegistrations()) << "the matching variant got as far as its sink";
    EXPECT_EQ(0, FakeShellRegisteredSinks());
    EXPECT_EQ(0, FakeShellLastSinkRelease());
    EXPECT_EQ(0, FakeShellOutstandingRefs());
    EXPECT_EQ("", Faults());
}

// A shell without a service an operation needs gives that operation's
// failure value; nothing crashes.
TEST_F(DesktopShell, EachOperationFailsWithoutWhatItNeeds)
{
    static const struct {
        void (*configure)(FakeShellConfig*);
        int init, windowDesktop, count, current, moved;
        bool pinned;   // after PinWindow
        int sinks;
        const char* why;
    } kRows[] = {
        {[](FakeShellConfig*) {}, 0, 1, 3, 0, 1, true, 1, "everything there"},
        {[](FakeShellConfig* c) { c->noManager = true; }, 0, -1, 3, 0, 1, true, 1, "no manager"},
        {[](FakeShellConfig* c) { c->noPinnedApps = true; }, 0, 1, 3, 0, 1, false, 1, "no pinned applications"},
        {[](FakeShellConfig* c) { c->countFails = true; }, 0, -1, -1, -1, 0, true, 1, "desktops cannot be counted"},
        {[](FakeShellConfig* c) { c->noNotificationService = true; }, 4, 1, 3, 0, 1, true, 0, "no notifications"},
    };
    for (const auto& row : kRows) {
        SCOPED_TRACE(row.why);
        FakeShellConfig config;
        row.configure(&config);
        ASSERT_TRUE(StartFakeShell(config));
        HWND w = Window();
        FakeShellAddWindow(w, 1);
        {
            CVirtualDesktop_10 d;
            EXPECT_EQ(row.init, d.Init());
            d.AddListener(w, 0x464);
            EXPECT_EQ(row.sinks, FakeShellRegisteredSinks());
            EXPECT_EQ(row.windowDesktop, d.GetWindowDesktopNumber(w));
            EXPECT_EQ(row.count, d.GetDesktopCount());
            EXPECT_EQ(row.current, d.GetCurrentDesktopNumber());
            EXPECT_EQ(row.moved, d.MoveWindowToDesktop(w, 2));
            d.PinWindow(w);
            EXPECT_EQ(row.pinned, FakeShellWindowPinned(w));
            EXPECT_EQ(row.pinned, d.IsWindowPinned(w));
            // No window: nothing is asked.
            TakeFakeShellCalls();
            EXPECT_EQ(0, d.MoveWindowToDesktop(nullptr, 0));
            d.PinWindow(nullptr);
            d.UnpinWindow(nullptr);
            EXPECT_FALSE(d.IsWindowPinned(nullptr));
            EXPECT_TRUE(TakeFakeShellCalls().empty());
            d.RemoveListener(w);
        }
        EXPECT_EQ("", Faults());
        EXPECT_EQ(0, FakeShellOutstandingRefs());
        StopFakeShell();
    }
}

// A second Init (Explorer restarted) gives back the old sink and services
// first: one registration and one set of services at a time, and each
// event still arrives once.
TEST_F(DesktopShell, InitAgainLetsGoOfTheOldSinkAndServices)
{
    ASSERT_TRUE(StartFakeShell(FakeShellConfig()));
    HWND w = Window();
    CVirtualDesktop_10 d;
    ASSERT_EQ(0, d.Init());
    d.AddListener(w, 0x464);
    EXPECT_EQ(6, FakeShellOutstandingRefs());
    ASSERT_EQ(0, d.Init());
    EXPECT_EQ(2, FakeShellRegistrations());
    EXPECT_EQ(1, FakeShellRegisteredSinks());
    EXPECT_EQ(0, FakeShellLastSinkRelease()) << "the first sink went";
    EXPECT_EQ(6, FakeShellOutstandingRefs());
    FakeShellFireEvent(FAKE_EVENT_CREATED, 2, 0);
    EXPECT_EQ(std::vector<Posted>({{0x469u, 2, 0}}), TakePosted(w));
    EXPECT_EQ("", Faults());
}

// The object leaves the COM of the thread that makes and deletes it as it
// was, and ends the COM it started itself: once the last object is gone, no
// multithreaded apartment is left behind.
TEST(DesktopObject, EndsComOnlyWhereItStartedIt)
{
    static const struct {
        bool enter;     // the thread enters an apartment first
        DWORD model;    // which one
        HRESULT after;  // entering a single-threaded apartment after the object is gone
        const char* why;
    } kRows[] = {
        {false, 0, S_OK, "a thread without COM has none"},
        {true, COINIT_APARTMENTTHREADED, S_FALSE, "the thread's single-threaded apartment is still there"},
        {true, COINIT_MULTITHREADED, RPC_E_CHANGED_MODE, "the thread's multithreaded apartment is still there"},
    };
    for (const auto& row : kRows) {
        SCOPED_TRACE(row.why);
        struct Run {
            bool enter;
            DWORD model;
            HRESULT after;
            HRESULT mtaLeft;   // CoGetApartmentType once the thread's own COM has ended
        } run = {row.enter, row.model, E_FAIL, S_OK};
        HANDLE t = CreateThread(
            nullptr, 0,
            [](void* p) -> DWORD {
                Run* r = (Run*)p;
                if (r->enter) CoInitializeEx(nullptr, r->model);
                delete new CVirtualDesktop_10();
                r->after = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
                if (SUCCEEDED(r->after)) CoUninitialize();
                if (r->enter) CoUninitialize();
                APTTYPE type;
                APTTYPEQUALIFIER qualifier;
                r->mtaLeft = CoGetApartmentType(&type, &qualifier);
                return 0;
            },
            &run, 0, nullptr);
        ASSERT_NE(nullptr, t);
        ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(t, 30000));
        CloseHandle(t);
        EXPECT_EQ(row.after, run.after);
        EXPECT_EQ(CO_E_NOTINITIALIZED, run.mtaLeft) << "a multithreaded apartment outlived the object";
    }
}
