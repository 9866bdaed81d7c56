// FakeVirtualDesktop.h - a desktop object whose desktops a test sets: the
// current desktop, each window's desktop and pin, the calls it got and
// the desktop it was asked to switch to.
#pragma once

#include "vdesktop/VirtualDesktop.h"

#include <map>
#include <set>
#include <string>
#include <vector>

class FakeVirtualDesktop : public CVirtualDesktop {
public:
    int current = 0;
    std::map<HWND, int> desktops;   // windows not listed: unlisted
    int unlisted = -1;
    std::set<HWND> pinned;
    std::vector<std::string> calls;  // "move 2", "pin", "unpin"; reads are not listed

    int switchedTo = -1;   // the last SwitchToDesktop

    int GetCurrentDesktopNumber() override { return current; }
    void SwitchToDesktop(int number) override { switchedTo = number; }
    int GetWindowDesktopNumber(HWND window) override
    {
        auto at = desktops.find(window);
        return at == desktops.end() ? unlisted : at->second;
    }
    int MoveWindowToDesktop(HWND window, int number) override
    {
        calls.push_back("move " + std::to_string(number));
        desktops[window] = number;
        return 1;
    }
    void PinWindow(HWND window) override
    {
        calls.push_back("pin");
        pinned.insert(window);
    }
    void UnpinWindow(HWND window) override
    {
        calls.push_back("unpin");
        pinned.erase(window);
    }
    bool IsWindowPinned(HWND window) override { return pinned.count(window) != 0; }
};
