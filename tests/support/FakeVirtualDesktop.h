// FakeVirtualDesktop.h - a desktop object whose current desktop a test sets.
#pragma once

#include "vdesktop/VirtualDesktop.h"

class FakeVirtualDesktop : public CVirtualDesktop {
public:
    int current = 0;
    int GetCurrentDesktopNumber() override { return current; }
};
