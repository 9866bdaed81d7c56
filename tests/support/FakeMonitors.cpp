// FakeMonitors.cpp - the fed monitor layout behind the monitor table's seam.
#include "tests/support/FakeMonitors.h"

#include "framework/core/MonitorTable.h"
#include "framework/core/TextUtil.h"

namespace {

std::vector<FakeMonitor> g_layout;

// Monitor handles are 1-based indexes into the layout.
BOOL FakeEnum(MONITORENUMPROC proc, LPARAM data)
{
    for (size_t i = 0; i < g_layout.size(); i++) {
        RECT r = g_layout[i].rect;
        if (!proc((HMONITOR)(i + 1), nullptr, &r, data)) break;
    }
    return TRUE;
}

BOOL FakeInfo(HMONITOR monitor, MONITORINFOEXA* info)
{
    size_t i = (size_t)monitor - 1;
    if (i >= g_layout.size()) return FALSE;
    info->rcMonitor = g_layout[i].rect;
    info->rcWork = g_layout[i].work;
    info->dwFlags = g_layout[i].flags;
    CopyText(info->szDevice, sizeof(info->szDevice), g_layout[i].device);
    return TRUE;
}

UINT FakeDpi(HMONITOR monitor, const RECT*)
{
    size_t i = (size_t)monitor - 1;
    return i < g_layout.size() ? g_layout[i].dpi : 96;
}

}  // namespace

void UseFakeMonitors(const std::vector<FakeMonitor>& layout)
{
    g_layout = layout;
    MonitorPlatform p = {FakeEnum, FakeInfo, FakeDpi};
    SetMonitorPlatform(&p);
}

std::vector<FakeMonitor>& FakeMonitorLayout()
{
    return g_layout;
}

void UseSystemMonitors()
{
    SetMonitorPlatform(nullptr);
    g_layout.clear();
}

std::vector<FakeMonitor> TwoMonitorsInTheScreen()
{
    return {
        {{0, 0, 1200, 1080}, {0, 0, 1200, 1040}, MONITORINFOF_PRIMARY, "\\\\.\\DISPLAY1", 96},
        {{1200, 0, 1920, 1080}, {1200, 0, 1920, 1080}, 0, "\\\\.\\DISPLAY2", 96},
    };
}
