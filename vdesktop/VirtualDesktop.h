// VirtualDesktop.h - the shell's virtual desktops behind one stable interface;
// one subclass per Windows build family, chosen by a probe at start-up.
#pragma once

#include <windows.h>

#include <stdint.h>

// Desktop numbers count from 0; -1 means none or unknown. The base class is
// the behaviour of a system without virtual desktops.
class CVirtualDesktop {
public:
    virtual ~CVirtualDesktop() {}
    // 0 success, 1 no immersive shell, 2 no view collection, 3 no internal
    // manager, 4 no notification service.
    virtual int Init() { return -1; }
    virtual int GetWindowDesktopNumber(HWND) { return -1; }
    virtual int GetDesktopCount() { return -1; }
    virtual int MoveWindowToDesktop(HWND, int) { return 0; }
    virtual int GetCurrentDesktopNumber() { return -1; }
    virtual void SwitchToDesktop(int) {}
    virtual int RememberDesktop(int number) { return number; }
    virtual void PinWindow(HWND) {}
    virtual void UnpinWindow(HWND) {}
    virtual bool IsWindowPinned(HWND) { return false; }
    virtual void AddListener(HWND, uint32_t) {}
    virtual void RemoveListener(HWND) {}
};

// The one desktop object, or null when no variant works here. Set once by the
// start-up probe on the UI thread before the worker starts; read anywhere.
extern CVirtualDesktop* g_virtualDesktop;
