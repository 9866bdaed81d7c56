// FakeVirtualDesktop.h - a desktop object whose current desktop a test sets
// and which records the desktop it was asked to switch to.
#pragma once

#include "vdesktop/VirtualDesktop.h"

class FakeVirtualDesktop : public CVirtualDesktop {
public:
    int current = 0;
    int switchedTo = -1;   // the last SwitchToDesktop
    int GetCurrentDesktopNumber() override { return current; }
    void SwitchToDesktop(int number) override { switchedTo = number; }
};
