// DesktopApartment.h - the thread that keeps the desktop objects' shell
// interfaces in the process's multithreaded apartment (MTA), and runs there
// the calls of threads outside it, such as the single-threaded UI thread.
#pragma once

#include <windows.h>

#include <stdint.h>

struct DesktopShellCore;
struct DesktopApartment;

// One operation of a desktop object; copied into the apartment's queue.
struct DesktopWork {
    int (*run)(const DesktopWork* work);
    DesktopShellCore* core;
    HWND window;
    int number;
    uint32_t messageBase;
};

// How long a caller outside the MTA waits for an operation, and for Init,
// which asks for a starting shell again for up to ten seconds.
const DWORD kDesktopCallBound = 5000;
const DWORD kDesktopInitBound = 20000;

// Starts the apartment thread, or takes one more hold on the running one;
// null when it could not start. Release each hold.
DesktopApartment* HoldDesktopApartment();
// The last hold ends the thread once its queue is done; null is ignored.
void ReleaseDesktopApartment(DesktopApartment* apartment);

// True on a thread in the MTA, also one without COM of its own while the
// MTA exists (COM puts it there implicitly).
bool InMultithreadedApartment();

// Runs the work on the apartment thread and waits at most bound ms. The
// work's result; failure on time-out, without an apartment, or at once while
// an earlier call there hangs in the shell. Work that timed out before it
// started is never done.
int CallInDesktopApartment(DesktopApartment* apartment, const DesktopWork& work, int failure, DWORD bound);
// Work that must be done even when nobody waits for it any more (an
// object's end); waits at most bound ms. Without an apartment it runs here.
void FinishInDesktopApartment(DesktopApartment* apartment, const DesktopWork& work, DWORD bound);
