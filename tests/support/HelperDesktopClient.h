// HelperDesktopClient.h - start and drive helperdesktop.exe, the stand-in for
// the shell's desktop list view, and read its icons back in its own process.
#pragma once

#include "tests/support/TestWindowClient.h"

#include <string>
#include <vector>

struct HelperIcon {
    std::string name;
    long x, y;   // list-view position
};

struct HelperCounts {
    long text = -1;   // label requests from other processes so far
    long set = -1;    // position changes so far
    long held = -1;   // label requests waiting for "release" now
};

// Starts the helper with these icons and waits until it is ready. decoy: a
// folder window with a list view of the desktop's make deeper down; lies:
// options of a list view that lies ("--count N", "--every", "--delay MS").
bool StartHelperDesktop(TestWindow* helper, const std::vector<HelperIcon>& icons, bool decoy = false,
                        const std::string& lies = "");
// The icons as the helper's own list view holds them.
bool ReadHelperIcons(TestWindow* helper, std::vector<HelperIcon>* icons);
bool ReadHelperCounts(TestWindow* helper, HelperCounts* counts);
// The position of the icon at index; false when there is none.
bool HelperIconAt(TestWindow* helper, size_t index, HelperIcon* icon);
