// TriggerFixture.h - profiles, log lines and system facts of this process, for
// tests of triggers, updates and the main window procedure.
#pragma once

#include "engine/Engine.h"
#include "engine/Log.h"
#include "engine/MonitorPass.h"
#include "engine/OptionsRecord.h"
#include "engine/ProductStrings.h"
#include "engine/ProfileStore.h"
#include "engine/TriggerFacts.h"
#include "engine/Triggers.h"
#include "engine/WindowTable.h"
#include "framework/core/AppObject.h"
#include "framework/core/MonitorTable.h"
#include "framework/core/TextUtil.h"
#include "tests/engine/EngineAppSetup.h"
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

// What the system tells the triggers, as a test sets it.
struct FactValues {
    int64_t now = 1000000;
    uint64_t idleMs = 0;
    bool screensaver = false;
    int mains = 1;
    std::vector<DWORD> sleeps;   // every delay a trigger waited
};
inline FactValues g_factValues;
inline std::vector<std::string> g_logLines;   // without time stamp and line end

inline LRESULT CALLBACK LogCaptureProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_LOGLINE) {
        std::string line((const char*)lParam);
        if (line.size() >= 13) line = line.substr(13);
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
        g_logLines.push_back(line);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// Two monitors side by side whose DPIs a test sets.
struct FakeMonitor {
    RECT rect;
    UINT dpi;
    const char* device;
};
inline std::vector<FakeMonitor> g_fakeMonitors;

inline BOOL FakeMonitorEnum(MONITORENUMPROC proc, LPARAM data)
{
    for (size_t i = 0; i < g_fakeMonitors.size(); i++) {
        RECT r = g_fakeMonitors[i].rect;
        if (!proc((HMONITOR)(i + 1), nullptr, &r, data)) break;
    }
    return TRUE;
}

inline BOOL FakeMonitorInfo(HMONITOR monitor, MONITORINFOEXA* info)
{
    size_t i = (size_t)monitor - 1;
    if (i >= g_fakeMonitors.size()) return FALSE;
    info->rcMonitor = g_fakeMonitors[i].rect;
    info->rcWork = g_fakeMonitors[i].rect;
    info->dwFlags = i == 0 ? MONITORINFOF_PRIMARY : 0;
    CopyText(info->szDevice, sizeof(info->szDevice), g_fakeMonitors[i].device);
    return TRUE;
}

inline UINT FakeMonitorDpi(HMONITOR monitor, const RECT*)
{
    size_t i = (size_t)monitor - 1;
    return i < g_fakeMonitors.size() ? g_fakeMonitors[i].dpi : 96;
}

class TriggerTest : public testing::Test {
protected:
    void SetUp() override
    {
        SetUpEngineApp();
        data = FreshFolderForThisTest();
        CopyText(g_app.dataFolder, sizeof(g_app.dataFolder), data.c_str());
        SerializeOptions(0);
        Options.bMonLogToFile = 0;
        FreeProfiles();
        Options.iCurProfile = -1;
        g_windowCount = 0;
        g_noExecute = 0;
        g_factValues = FactValues{};
        TriggerFacts facts = {[] { return g_factValues.now; }, [] { return g_factValues.idleMs; },
                              [] { return g_factValues.screensaver; }, [] { return g_factValues.mains; },
                              [](DWORD ms) { g_factValues.sleeps.push_back(ms); }};
        SetTriggerFacts(&facts);
        ResetTriggerMemory();
        static bool registered = false;
        if (!registered) {
            WNDCLASSA c = {};
            c.lpfnWndProc = LogCaptureProc;
            c.lpszClassName = "TriggerTestLog";
            RegisterClassA(&c);
            registered = true;
        }
        g_logWindow = CreateWindowA("TriggerTestLog", "log", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                                    nullptr, nullptr);
        g_mainWindow = CreateWindowA("TriggerTestLog", "main", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                                     nullptr, nullptr);
        g_logLines.clear();
        UseRealMonitors();
    }
    void TearDown() override
    {
        DestroyWindow(g_logWindow);
        DestroyWindow(g_mainWindow);
        g_logWindow = nullptr;
        g_mainWindow = nullptr;
        g_mainDialog = nullptr;
        SetTriggerFacts(nullptr);
        SetMonitorPlatform(nullptr);
        g_fakeMonitors.clear();
        FreeProfiles();
        g_windowCount = 0;
        g_app.dataFolder[0] = '\0';
    }
    // The layout the passes compare with is the live one, so no update runs.
    void UseRealMonitors()
    {
        SetMonitorPlatform(nullptr);
        SetLayoutReference();
    }
    void UseMonitors(const std::vector<FakeMonitor>& monitors)
    {
        g_fakeMonitors = monitors;
        MonitorPlatform p = {FakeMonitorEnum, FakeMonitorInfo, FakeMonitorDpi};
        SetMonitorPlatform(&p);
        SetLayoutReference();
    }
    void SetLayoutReference()
    {
        RefreshMonitors();
        GetMonitorSnapshot(&g_screenReference);
        SetPreviousMonitors(&g_screenReference);
    }
    // Adds a profile (enabled, no restrictions) set up by configure; returns nothing:
    // indexes follow the sorted names.
    void Add(const char* name, const std::function<void(Profile&)>& configure = nullptr)
    {
        Profile p = {};
        ASSERT_TRUE(InitProfile(&p, true));
        CopyText(p.szGenName, sizeof(p.szGenName), name);
        if (configure) configure(p);
        ASSERT_GE(InsertProfileSorted(&g_profiles, &p), 0);
    }
    Profile& Named(const char* name)
    {
        int i = FindProfileByName(&g_profiles, name, -1);
        EXPECT_GE(i, 0) << name;
        return g_profiles.data[i < 0 ? 0 : i];
    }
    int IndexOf(const char* name) { return FindProfileByName(&g_profiles, name, -1); }
    void MakeCurrent(const char* name) { Options.iCurProfile = IndexOf(name); }
    int Count(const std::string& line)
    {
        int n = 0;
        for (const std::string& l : g_logLines) n += l == line;
        return n;
    }
    bool Logged(const std::string& line) { return Count(line) > 0; }
    // The log lines since the last call.
    std::vector<std::string> Take()
    {
        std::vector<std::string> lines;
        lines.swap(g_logLines);
        return lines;
    }
    std::string Joined()
    {
        std::string all;
        for (const std::string& l : g_logLines) all += l + "\n";
        return all;
    }
    std::string data;
};
