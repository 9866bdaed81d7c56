// FakeImmersiveShell.h - an immersive shell in the test's own process: a
// class factory registered for the shell's CLSID on an MTA thread, whose
// services speak one Windows build's identifiers and slot orders. Every slot
// the build's interfaces do not use records its number and answers
// E_NOTIMPL, so a call through a wrong slot shows; events come from another
// MTA thread, as the shell sends them. Like the proxies of the real shell, the
// objects answer only in the apartment that created the shell: a call from
// another one gets RPC_E_WRONG_THREAD. Other processes, which find the class
// through Wine's rpcss, are told it is not registered. One fake at a time.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

enum FakeShellVariant {
    FAKE_SHELL_10,
    FAKE_SHELL_11,
    FAKE_SHELL_11_22H2,
    FAKE_SHELL_11_23H2,
    FAKE_SHELL_11_23H2_3085,
};

// The fake's objects, as calls name them.
enum FakeObjectKind {
    FAKE_PROVIDER,
    FAKE_VIEW_COLLECTION,
    FAKE_MANAGER,
    FAKE_PINNED_APPS,
    FAKE_INTERNAL_MANAGER,
    FAKE_NOTIFICATION_SERVICE,
    FAKE_DESKTOP,
    FAKE_DESKTOP_ARRAY,
    FAKE_VIEW,
    FAKE_MONITORS,
    FAKE_OBJECT_KINDS
};
// Calls that create the shell through its class factory.
const int FAKE_CLASS_FACTORY = FAKE_OBJECT_KINDS;

struct FakeShellCall {
    int kind;      // FakeObjectKind or FAKE_CLASS_FACTORY
    int slot;
    bool unused;   // a slot the build does not use: answered E_NOTIMPL
    bool inMta;    // the calling thread was in the multithreaded apartment
    DWORD thread;  // the calling thread
};

struct FakeShellConfig {
    FakeShellVariant variant = FAKE_SHELL_10;
    int desktops = 3;
    int current = 0;
    // CreateInstance fails this many times with createFailure first.
    int failCreates = 0;
    HRESULT createFailure = S_OK;
    // Services the shell does not offer, and a desktop list that cannot count.
    bool noManager = false;
    bool noPinnedApps = false;
    bool noNotificationService = false;
    bool countFails = false;
};

// Registers the class factory; false when registration failed.
bool StartFakeShell(const FakeShellConfig& config);
// Revokes it and frees what nobody holds any more.
void StopFakeShell();
// Registers the factory in the calling thread's apartment as well: COM finds
// a class only in the apartment that registered it and would otherwise
// marshal the call to the fake's MTA, hiding where it was made. The cookie
// for FakeShellStopServingHere (on the same thread), 0 when refused.
DWORD FakeShellServeHere();
void FakeShellStopServingHere(DWORD cookie);

// The next call to the slot blocks, as a hung shell does, until released.
void FakeShellHoldNextCall(int kind, int slot);
// True once the held call has arrived; false after ms.
bool FakeShellWaitForHeldCall(DWORD ms);
// Lets the held call return (StopFakeShell does too).
void FakeShellReleaseHeldCall();

// Calls that reached the fake's slots since the last take (cleared).
std::vector<FakeShellCall> TakeFakeShellCalls();
// Unused slots reached, as "kind:slot" texts; argument faults the fake saw
// (a monitor that is not null, a desktop of another kind...).
std::vector<std::string> FakeShellFaults();
int FakeShellCreateCount();
// References the program holds on the fake's objects.
long FakeShellOutstandingRefs();
int FakeShellRegisteredSinks();
// What the last Release of a sink at Unregister returned (0: the sink went).
long FakeShellLastSinkRelease();
int FakeShellRegistrations();

// Desktops and windows.
int FakeShellCurrentDesktop();
void FakeShellAddWindow(HWND window, int desktop);
int FakeShellWindowDesktop(HWND window);
bool FakeShellWindowPinned(HWND window);
// Adds a desktop at the end; its number.
int FakeShellAddDesktop();

// Event codes as the program posts them.
enum {
    FAKE_EVENT_CURRENT_CHANGED = 0,
    FAKE_EVENT_VIEW_CHANGED = 1,
    FAKE_EVENT_DESTROYED = 2,
    FAKE_EVENT_DESTROY_FAILED = 3,
    FAKE_EVENT_DESTROY_BEGINS = 4,
    FAKE_EVENT_CREATED = 5,
};
// A desktop number that hands over a desktop whose identifier cannot be read.
#define FAKE_UNREADABLE_DESKTOP (-2)
// Calls every registered sink's method for the event from a new MTA thread
// and waits for it; desktops by number. A current-desktop change first makes
// second the current desktop, as the shell does. The last call's result.
HRESULT FakeShellFireEvent(int code, int first, int second);
// Calls every slot of the sink's interface that reports nothing; the results.
std::vector<HRESULT> FakeShellCallQuietSlots();
