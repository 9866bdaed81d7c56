// FakeVirtualDesktop.h - a desktop object whose current desktop and whose
// windows' desktops a test sets, and which records the desktop it was asked
// to switch to.
#pragma once

#include "vdesktop/VirtualDesktop.h"

#include <map>
#include <set>

class FakeVirtualDesktop : public CVirtualDesktop {
public:
    int current = 0;
    int switchedTo = -1;   // the last SwitchToDesktop
    std::map<HWND, int> windowDesktops;   // a window not listed is on desktop 0
    std::set<HWND> pinned;
    int GetCurrentDesktopNumber() override { return current; }
    void SwitchToDesktop(int number) override { switchedTo = number; }
    int GetWindowDesktopNumber(HWND window) override
    {
        auto at = windowDesktops.find(window);
        return at == windowDesktops.end() ? 0 : at->second;
    }
    bool IsWindowPinned(HWND window) override { return pinned.count(window) != 0; }
};
