// DesktopVariants.h - the desktop object of each Windows build family, and
// the start-up probe that picks the one the running build speaks.
#pragma once

#include "vdesktop/VirtualDesktop.h"

struct DesktopApartment;
struct DesktopShellCore;
struct DesktopVariant;
struct DesktopWork;

// Speaks the immersive shell's desktop services; the variants below differ
// only in identifiers and slot numbers. The shell's interfaces live in the
// multithreaded apartment: a call from a thread in it (worker, rule and
// script threads) goes straight to the shell, one from any other thread (the
// UI thread) runs on the desktop apartment's thread, as the object's end
// always does. The COM of the constructing thread is left as it was.
class CVirtualDesktopShell : public CVirtualDesktop {
public:
    ~CVirtualDesktopShell() override;
    CVirtualDesktopShell(const CVirtualDesktopShell&) = delete;
    CVirtualDesktopShell& operator=(const CVirtualDesktopShell&) = delete;

    int Init() override;
    int GetWindowDesktopNumber(HWND window) override;
    int GetDesktopCount() override;
    int MoveWindowToDesktop(HWND window, int number) override;   // 1 when moved
    int GetCurrentDesktopNumber() override;
    void SwitchToDesktop(int number) override;
    int RememberDesktop(int number) override;
    void PinWindow(HWND window) override;
    void UnpinWindow(HWND window) override;
    bool IsWindowPinned(HWND window) override;
    void AddListener(HWND window, uint32_t messageBase) override;
    void RemoveListener(HWND window) override;

protected:
    explicit CVirtualDesktopShell(const DesktopVariant* variant);

private:
    // Runs an operation where the shell's interfaces can be called; failure
    // when it cannot be run or did not end within bound ms.
    int Call(int (*run)(const DesktopWork*), HWND window, int number, uint32_t messageBase, int failure,
             DWORD bound);

    DesktopShellCore* m_core;         // shared with the event sinks; null when memory ran out
    DesktopApartment* m_apartment;    // a hold on the apartment thread; null when it did not start
};

class CVirtualDesktop_10 : public CVirtualDesktopShell {
public:
    CVirtualDesktop_10();
};
class CVirtualDesktop_11 : public CVirtualDesktopShell {
public:
    CVirtualDesktop_11();
};
class CVirtualDesktop_11_22H2 : public CVirtualDesktopShell {
public:
    CVirtualDesktop_11_22H2();
};
class CVirtualDesktop_11_23H2 : public CVirtualDesktopShell {
public:
    CVirtualDesktop_11_23H2();
};
class CVirtualDesktop_11_23H2_3085 : public CVirtualDesktopShell {
public:
    CVirtualDesktop_11_23H2_3085();
};

// The build number of the running Windows (RtlGetVersion), 0 when unknown.
uint32_t ReadWindowsBuildNumber();
// Tries the variants in order and keeps the first whose Init succeeds and
// that knows the current desktop: it becomes g_virtualDesktop and is
// returned. Null (and g_virtualDesktop null) when none works. Windows 11 and
// 11 22H2 share identifiers, so the build number decides between them.
CVirtualDesktop* ProbeVirtualDesktop(uint32_t build);
