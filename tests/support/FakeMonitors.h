// FakeMonitors.h - a monitor layout of the test's choosing, fed to the
// monitor table through its platform seam.
#pragma once

#include <windows.h>

#include <vector>

struct FakeMonitor {
    RECT rect;
    RECT work;
    DWORD flags;          // MONITORINFOF_PRIMARY
    const char* device;   // as GetMonitorInfo gives it, "\\.\DISPLAY1"
    UINT dpi;
};

// The monitor table reads this layout (copied) from now on.
void UseFakeMonitors(const std::vector<FakeMonitor>& layout);
// The layout in use, to change a monitor's DPI between reads.
std::vector<FakeMonitor>& FakeMonitorLayout();
// The system's monitors again.
void UseSystemMonitors();

// Two monitors inside Xvfb's one 1920 x 1080 screen, so real windows can sit
// on either: 0 on the left (primary, a task bar at the bottom), 1 on the right.
std::vector<FakeMonitor> TwoMonitorsInTheScreen();
