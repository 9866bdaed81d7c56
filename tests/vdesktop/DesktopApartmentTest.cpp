// DesktopApartmentTest.cpp - where the desktop object talks to the shell: its
// interfaces live in the multithreaded apartment, whichever thread obtained
// them; a caller in a single-threaded apartment (the UI thread) is served
// there and waits a bounded time; MTA threads (worker, rule and script
// threads) call the shell themselves.
#include "tests/support/FakeImmersiveShell.h"
#include "vdesktop/DesktopVariants.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace {

enum CallerKind {
    STA_CALLER,   // OleInitialize, as the UI thread
    MTA_CALLER,   // CoInitializeEx multithreaded, as the worker and rule threads
};

const char* KindName(CallerKind kind)
{
    return kind == STA_CALLER ? "single-threaded caller" : "multithreaded caller";
}

struct CallerRun {
    CallerKind kind;
    std::function<void()> body;
    DWORD thread;
    bool served;
};

DWORD WINAPI CallerMain(void* context)
{
    CallerRun* run = (CallerRun*)context;
    run->thread = GetCurrentThreadId();
    DWORD serving = 0;
    if (run->kind == STA_CALLER) {
        OleInitialize(nullptr);
        // Without this, COM would marshal a direct call from here into the
        // fake's MTA, and the fake would see the MTA where we made the call.
        serving = FakeShellServeHere();
        run->served = serving != 0;
    } else {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        run->served = true;
    }
    run->body();
    FakeShellStopServingHere(serving);
    if (run->kind == STA_CALLER)
        OleUninitialize();
    else
        CoUninitialize();
    return 0;
}

// Runs body on a new thread of that kind and waits for it; the thread's id.
// No assertions inside: GoogleTest here is not thread-safe.
DWORD RunOn(CallerKind kind, std::function<void()> body)
{
    CallerRun run = {kind, std::move(body), 0, false};
    HANDLE t = CreateThread(nullptr, 0, CallerMain, &run, 0, nullptr);
    EXPECT_NE(nullptr, t);
    if (!t) return 0;
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(t, 60000)) << "the caller never returned";
    CloseHandle(t);
    EXPECT_TRUE(run.served);
    return run.thread;
}

std::string Text(const FakeShellCall& c)
{
    static const char* const kKinds[] = {"provider", "views", "manager", "pinned",   "internal", "notify",
                                         "desktop",  "array", "view",    "monitors", "factory"};
    return std::string(kKinds[c.kind]) + ":" + std::to_string(c.slot);
}

// The calls since the last take reached the shell, every one in the MTA: on
// the caller's own thread when it is in the MTA, elsewhere when it is not.
void ExpectServedInMta(CallerKind kind, DWORD caller)
{
    std::vector<FakeShellCall> calls = TakeFakeShellCalls();
    EXPECT_FALSE(calls.empty()) << "nothing reached the shell";
    for (const FakeShellCall& c : calls) {
        EXPECT_TRUE(c.inMta) << "call " << Text(c) << " made outside the MTA";
        if (kind == MTA_CALLER)
            EXPECT_EQ(caller, c.thread) << "call " << Text(c) << ": an MTA caller goes straight to the shell";
        else
            EXPECT_NE(caller, c.thread) << "call " << Text(c) << " made on the single-threaded caller";
    }
}

std::string Faults()
{
    std::string all;
    for (const std::string& f : FakeShellFaults()) all += f + "\n";
    return all;
}

LRESULT CALLBACK PlainProc(HWND w, UINT m, WPARAM wp, LPARAM lp)
{
    return DefWindowProcA(w, m, wp, lp);
}

HWND NewWindow(WNDPROC proc, const char* className)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = className;
    RegisterClassA(&wc);
    return CreateWindowExA(0, className, "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, wc.hInstance, nullptr);
}

class ShellApartment : public testing::Test {
protected:
    void TearDown() override
    {
        delete g_virtualDesktop;
        g_virtualDesktop = nullptr;
        StopFakeShell();
        for (HWND w : windows) DestroyWindow(w);
    }
    HWND Window()
    {
        windows.push_back(NewWindow(PlainProc, "DesktopApartmentWindow"));
        return windows.back();
    }
    std::vector<HWND> windows;
};

//--- the operations, as the table calls them

struct Shell {
    CVirtualDesktop* d;
    HWND a, b;       // a on desktop 0, b on desktop 1
    HWND listener;   // no thread's: only its handle is kept
};

struct OperationCase {
    const char* name;
    int (*call)(const Shell& s);
    int want;
    bool (*done)(const Shell& s);   // what the shell shows afterwards, null when nothing
};

const OperationCase kOperations[] = {
    {"Init again", [](const Shell& s) { return s.d->Init(); }, 0, nullptr},
    {"GetWindowDesktopNumber", [](const Shell& s) { return s.d->GetWindowDesktopNumber(s.b); }, 1, nullptr},
    {"GetDesktopCount", [](const Shell& s) { return s.d->GetDesktopCount(); }, 3, nullptr},
    {"MoveWindowToDesktop", [](const Shell& s) { return s.d->MoveWindowToDesktop(s.a, 2); }, 1,
     [](const Shell& s) { return FakeShellWindowDesktop(s.a) == 2; }},
    {"GetCurrentDesktopNumber", [](const Shell& s) { return s.d->GetCurrentDesktopNumber(); }, 1, nullptr},
    {"SwitchToDesktop",
     [](const Shell& s) {
         s.d->SwitchToDesktop(2);
         return 0;
     },
     0, [](const Shell&) { return FakeShellCurrentDesktop() == 2; }},
    {"RememberDesktop the current one", [](const Shell& s) { return s.d->RememberDesktop(-1); }, 2, nullptr},
    {"PinWindow",
     [](const Shell& s) {
         s.d->PinWindow(s.a);
         return 0;
     },
     0, [](const Shell& s) { return FakeShellWindowPinned(s.a); }},
    {"IsWindowPinned", [](const Shell& s) { return (int)s.d->IsWindowPinned(s.a); }, 1, nullptr},
    {"UnpinWindow",
     [](const Shell& s) {
         s.d->UnpinWindow(s.a);
         return 0;
     },
     0, [](const Shell& s) { return !FakeShellWindowPinned(s.a); }},
    // With nobody listening, Init's sink goes; the first listener brings one.
    {"RemoveListener",
     [](const Shell& s) {
         s.d->RemoveListener(s.listener);
         return 0;
     },
     0, [](const Shell&) { return FakeShellRegisteredSinks() == 0; }},
    {"AddListener",
     [](const Shell& s) {
         s.d->AddListener(s.listener, 0x464);
         return 0;
     },
     0, [](const Shell&) { return FakeShellRegisteredSinks() == 1; }},
};

}  // namespace

// Every operation, called from a single-threaded apartment (as from the UI
// thread) or from the MTA (as from the worker), reaches the shell in the MTA
// and answers what the shell says; so do the probe and the object's end.
TEST_F(ShellApartment, EveryOperationReachesTheShellInTheMultithreadedApartment)
{
    for (CallerKind kind : {STA_CALLER, MTA_CALLER}) {
        SCOPED_TRACE(KindName(kind));
        FakeShellConfig config;
        config.current = 1;
        ASSERT_TRUE(StartFakeShell(config));
        Shell s = {nullptr, Window(), Window(), Window()};
        FakeShellAddWindow(s.a, 0);
        FakeShellAddWindow(s.b, 1);

        DWORD caller = RunOn(kind, [&] { s.d = ProbeVirtualDesktop(19045); });
        ASSERT_NE(nullptr, s.d) << Faults();
        {
            SCOPED_TRACE("the probe");
            ExpectServedInMta(kind, caller);
        }
        for (const OperationCase& op : kOperations) {
            SCOPED_TRACE(op.name);
            int got = -99;
            caller = RunOn(kind, [&] { got = op.call(s); });
            EXPECT_EQ(op.want, got);
            EXPECT_TRUE(!op.done || op.done(s)) << "the shell did not do it";
            ExpectServedInMta(kind, caller);
        }
        {
            SCOPED_TRACE("the object's end");
            caller = RunOn(kind, [&] { delete s.d; });
            g_virtualDesktop = nullptr;
            std::vector<FakeShellCall> calls = TakeFakeShellCalls();
            EXPECT_FALSE(calls.empty()) << "the sink was not unregistered";
            for (const FakeShellCall& c : calls) {
                EXPECT_TRUE(c.inMta) << "call " << Text(c) << " made outside the MTA";
                EXPECT_NE(caller, c.thread) << "the object ends on the apartment's thread";
            }
            EXPECT_EQ(0, FakeShellRegisteredSinks());
            EXPECT_EQ(0, FakeShellOutstandingRefs()) << "every interface released";
        }
        EXPECT_EQ("", Faults());
        StopFakeShell();
    }
}

// What the probe obtains on one side of the apartment line serves the other:
// the shell's answers, moves and events all arrive.
TEST_F(ShellApartment, WhatTheProbeObtainsServesEitherApartment)
{
    static const struct {
        CallerKind probe, user;
        const char* why;
    } kRows[] = {
        {STA_CALLER, MTA_CALLER, "probed on the UI thread, used by the worker"},
        {MTA_CALLER, STA_CALLER, "probed in the MTA, used by the UI thread"},
        {STA_CALLER, STA_CALLER, "probed on one single-threaded thread, used on another"},
    };
    for (const auto& row : kRows) {
        SCOPED_TRACE(row.why);
        FakeShellConfig config;
        config.current = 1;
        ASSERT_TRUE(StartFakeShell(config));
        HWND a = Window(), b = Window();
        FakeShellAddWindow(a, 0);
        FakeShellAddWindow(b, 1);
        CVirtualDesktop* d = nullptr;
        RunOn(row.probe, [&] { d = ProbeVirtualDesktop(19045); });
        ASSERT_NE(nullptr, d) << Faults();
        TakeFakeShellCalls();

        int current = -99, onB = -99, moved = -99, onA = -99;
        DWORD user = RunOn(row.user, [&] {
            current = d->GetCurrentDesktopNumber();
            onB = d->GetWindowDesktopNumber(b);
            moved = d->MoveWindowToDesktop(a, 2);
            onA = d->GetWindowDesktopNumber(a);
        });
        EXPECT_EQ(1, current);
        EXPECT_EQ(1, onB);
        EXPECT_EQ(1, moved);
        EXPECT_EQ(2, onA);
        EXPECT_EQ(2, FakeShellWindowDesktop(a));
        ExpectServedInMta(row.user, user);

        // The sink registered by the probe numbers the desktops the shell names.
        HWND listener = Window();
        RunOn(row.user, [&] { d->AddListener(listener, 0x464); });
        EXPECT_EQ(S_OK, FakeShellFireEvent(FAKE_EVENT_CURRENT_CHANGED, 1, 2));
        MSG m = {};
        EXPECT_TRUE(PeekMessageA(&m, listener, 0x464, 0x464, PM_REMOVE));
        EXPECT_EQ(1, (int)m.wParam);
        EXPECT_EQ(2, (int)m.lParam);

        RunOn(row.probe, [&] { delete d; });
        g_virtualDesktop = nullptr;
        EXPECT_EQ(0, FakeShellOutstandingRefs());
        EXPECT_EQ("", Faults());
        StopFakeShell();
    }
}

namespace {

// A single-threaded caller with a window, making its calls while the test
// thread watches: the first hangs in the shell, the second comes while the
// shell still hangs, the third after it recovered.
struct HungCaller {
    CVirtualDesktop* d;
    HWND a;
    HANDLE firstDone, secondDone, recovered, thirdDone;
    HWND window;
    int first, third;
    bool second;
};

HungCaller* g_hung;

LRESULT CALLBACK HungCallerProc(HWND w, UINT m, WPARAM wp, LPARAM lp)
{
    return m == WM_APP ? 1 : DefWindowProcA(w, m, wp, lp);
}

// Waits for the event while answering messages, as a UI thread does.
void PumpUntilSet(HANDLE event)
{
    for (DWORD end = GetTickCount() + 60000;;) {
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
        LONG left = (LONG)(end - GetTickCount());
        if (left <= 0) return;
        if (MsgWaitForMultipleObjects(1, &event, FALSE, (DWORD)left, QS_ALLINPUT) == WAIT_OBJECT_0) return;
    }
}

DWORD WINAPI HungCallerMain(void*)
{
    HungCaller* h = g_hung;
    OleInitialize(nullptr);
    DWORD serving = FakeShellServeHere();
    h->window = NewWindow(HungCallerProc, "HungCallerWindow");
    h->first = h->d->GetWindowDesktopNumber(h->a);
    SetEvent(h->firstDone);
    h->d->PinWindow(h->a);
    h->second = h->d->IsWindowPinned(h->a);
    SetEvent(h->secondDone);
    PumpUntilSet(h->recovered);
    // Calls fail at once until the hung one has come back; then they pass.
    for (DWORD end = GetTickCount() + 30000; (LONG)(end - GetTickCount()) > 0; Sleep(10))
        if ((h->third = h->d->GetWindowDesktopNumber(h->a)) == 1) break;
    SetEvent(h->thirdDone);
    DestroyWindow(h->window);
    FakeShellStopServingHere(serving);
    OleUninitialize();
    return 0;
}

}  // namespace

// A shell call that never returns costs a single-threaded caller only the
// bound: it gets the operation's failure value and answers its messages
// again while the shell still hangs; what it asked for while the shell hung
// is not done later behind its back; once the shell returns, calls pass.
TEST_F(ShellApartment, AHungShellCostsTheUiThreadOnlyTheBound)
{
    ASSERT_TRUE(StartFakeShell(FakeShellConfig()));
    HungCaller h = {};
    h.a = Window();
    FakeShellAddWindow(h.a, 1);
    h.d = new CVirtualDesktop_10();
    ASSERT_EQ(0, h.d->Init());
    for (HANDLE* e : {&h.firstDone, &h.secondDone, &h.recovered, &h.thirdDone})
        *e = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    h.first = h.third = -99;
    h.second = true;
    g_hung = &h;
    FakeShellHoldNextCall(FAKE_MANAGER, 4);   // GetWindowDesktopId

    // Non-fatal checks from here: the caller thread uses h until it ends.
    HANDLE t = CreateThread(nullptr, 0, HungCallerMain, nullptr, 0, nullptr);
    ASSERT_NE(nullptr, t);
    EXPECT_TRUE(FakeShellWaitForHeldCall(30000)) << "the first call never reached the shell";

    // The shell still hangs: the waits end by the bound alone.
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(h.firstDone, 60000)) << "the caller waits for ever";
    EXPECT_EQ(-1, h.first);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(h.secondDone, 60000));
    EXPECT_FALSE(h.second);
    DWORD_PTR answer = 0;
    EXPECT_NE(0, (int)SendMessageTimeoutA(h.window, WM_APP, 0, 0, SMTO_NORMAL, 30000, &answer))
        << "the caller does not answer its messages";
    EXPECT_EQ(1, (int)answer);

    FakeShellReleaseHeldCall();
    SetEvent(h.recovered);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(h.thirdDone, 60000));
    EXPECT_EQ(1, h.third) << "the shell answered again";
    EXPECT_FALSE(FakeShellWindowPinned(h.a)) << "the pin given up on was done later";
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(t, 90000));
    CloseHandle(t);

    delete h.d;
    EXPECT_EQ(0, FakeShellOutstandingRefs());
    for (HANDLE e : {h.firstDone, h.secondDone, h.recovered, h.thirdDone}) CloseHandle(e);
    g_hung = nullptr;
}
