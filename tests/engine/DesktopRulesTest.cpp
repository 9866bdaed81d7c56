// DesktopRulesTest.cpp - virtual desktops in the rule engine, with a desktop
// object whose desktops the test sets: a rule moving or pinning its window,
// and the monitor pass noticing windows that changed desktop.
#include "engine/Log.h"
#include "engine/MonitorPass.h"
#include "engine/OptionsRecord.h"
#include "framework/core/AppObject.h"
#include "tests/engine/RuleTestUtil.h"
#include "tests/support/FakeVirtualDesktop.h"

#include <string>
#include <vector>

namespace {

std::vector<std::string> g_lines;

LRESULT CALLBACK LogProc(HWND w, UINT m, WPARAM wp, LPARAM lp)
{
    if (m == WM_LOGLINE) {
        g_lines.push_back((const char*)lp);
        return 0;
    }
    return DefWindowProcA(w, m, wp, lp);
}

HWND MakeWindow(const char* title, bool visible)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "DesktopRuleProbe";
    RegisterClassA(&wc);
    HWND w = CreateWindowExA(0, "DesktopRuleProbe", title, WS_OVERLAPPEDWINDOW, 50, 60, 300, 200, nullptr,
                             nullptr, wc.hInstance, nullptr);
    if (visible) ShowWindow(w, SW_SHOWNOACTIVATE);
    return w;
}

// A rule that only does what the desktop fields say.
Rule DesktopRule(const char* caption, uint8_t desktopto, uint8_t desktop)
{
    Rule r = AnyWindowRule(1);
    SET_CAPTION(&r, caption, CMP_EQUALS);
    r.moveto = r.sizeto = r.stateto = 0;
    r.tretry = 0;
    r.desktopto = desktopto;
    r.desktop = desktop;
    return r;
}

class DesktopRules : public testing::Test {
protected:
    void SetUp() override
    {
        AppConstruct(&g_app);
        InitTableLock();
        SerializeOptions(0);
        g_virtualDesktop = &desktops;
        g_desktopsCheck = 0;
        g_windowCount = 0;
    }
    void TearDown() override
    {
        g_virtualDesktop = nullptr;
        g_desktopsCheck = 0;
        g_windowCount = 0;
        for (HWND w : windows) DestroyWindow(w);
    }
    HWND Window(const char* title, bool visible = false)
    {
        windows.push_back(MakeWindow(title, visible));
        return windows.back();
    }
    FakeVirtualDesktop desktops;
    std::vector<HWND> windows;
};

}  // namespace

// Applying a rule with the desktop action: pin for "all desktops", else
// unpin a pinned window and move it; nothing without the action, the mask
// bit, a desktop or the desktop object.
TEST_F(DesktopRules, ARulePinsOrMovesItsWindow)
{
    static const struct {
        bool object;
        uint8_t desktopto, desktop;
        bool pinnedBefore;
        uint32_t mask;
        std::vector<std::string> calls;
        int desktopAfter;
        bool pinnedAfter;
        const char* why;
    } kCases[] = {
        {true, 1, 2, false, APPLY_ALL, {"move 2"}, 2, false, "moved"},
        {true, 1, 2, true, APPLY_ALL, {"unpin", "move 2"}, 2, false, "unpinned, then moved"},
        {true, 1, RULE_DESKTOP_PIN, false, APPLY_ALL, {"pin"}, 0, true, "pinned"},
        {true, 1, RULE_DESKTOP_PIN, true, APPLY_ALL, {}, 0, true, "already pinned"},
        {true, 1, RULE_DESKTOP_NONE, false, APPLY_ALL, {}, 0, false, "no desktop in the rule"},
        {true, 0, 2, false, APPLY_ALL, {}, 0, false, "no desktop action"},
        {true, 1, 2, false, APPLY_ALL & ~APPLY_DESKTOP, {}, 0, false, "the event does not allow it"},
        {false, 1, 2, false, APPLY_ALL, {}, 0, false, "no desktop object"},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.why);
        HWND w = Window("Desk");
        desktops.calls.clear();
        desktops.desktops[w] = 0;
        desktops.pinned.clear();
        if (c.pinnedBefore) desktops.pinned.insert(w);
        g_virtualDesktop = c.object ? &desktops : nullptr;
        MonitoredWindow e = EntryOf(w);
        Rule r = DesktopRule("Desk", c.desktopto, c.desktop);
        EXPECT_TRUE(ApplyRuleToWindow(&e, &r, 0, c.mask));
        EXPECT_EQ(c.calls, desktops.calls);
        EXPECT_EQ(c.desktopAfter, desktops.desktops[w]);
        EXPECT_EQ(c.pinnedAfter, desktops.pinned.count(w) != 0);
    }
}

// A new window's desktop is read and logged (pinned as 254); later desktop
// changes are looked for only after a desktop event: a rule that locks the
// desktop puts the window back, a rule that follows it takes the new one.
TEST_F(DesktopRules, ThePassSeesDesktopChangesOnlyWhenToldAndActsOnThem)
{
    Options.bEnabled = 1;
    WNDCLASSA wc = {};
    wc.lpfnWndProc = LogProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "DesktopRuleLog";
    RegisterClassA(&wc);
    g_logWindow = CreateWindowExA(0, "DesktopRuleLog", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, wc.hInstance,
                                  nullptr);
    Profile profile = {};
    ASSERT_TRUE(InitProfile(&profile, true));
    profile.bGenEnabled = 1;
    Rule locked = DesktopRule("Desk Locked", 1, 1);
    locked.lockdesktop = 1;
    Rule follows = DesktopRule("Desk Follows", 0, 0);
    follows.id = 2;
    follows.desktoptomode = 1;
    ArrayAppend(profile.pRules, &locked);
    ArrayAppend(profile.pRules, &follows);
    HWND a = Window("Desk Locked", true), b = Window("Desk Follows", true), pinned = Window("Desk Pinned", true);
    desktops.desktops[a] = 1;
    desktops.desktops[b] = 0;
    desktops.pinned.insert(pinned);

    auto lineOf = [](const char* tag, HWND w) {
        char head[40];
        FormatText(head, sizeof(head), "%s: HWND(%08X)", tag, (unsigned)(uintptr_t)w);
        for (const std::string& l : g_lines)
            if (l.find(head) != std::string::npos) return l;
        return std::string();
    };
    g_lines.clear();
    MonitorPass(&profile, 0, 0, 0);
    EXPECT_NE(std::string::npos, lineOf("NEW", a).find("DTP(1)")) << lineOf("NEW", a);
    EXPECT_NE(std::string::npos, lineOf("NEW", b).find("DTP(0)")) << lineOf("NEW", b);
    EXPECT_NE(std::string::npos, lineOf("NEW", pinned).find("DTP(254)")) << lineOf("NEW", pinned);

    // The user moves both windows; without a desktop event nothing is seen.
    desktops.desktops[a] = 2;
    desktops.desktops[b] = 2;
    desktops.calls.clear();
    g_lines.clear();
    MonitorPass(&profile, 0, 0, 0);
    EXPECT_EQ("", lineOf("DTP", a));
    EXPECT_TRUE(desktops.calls.empty());

    g_desktopsCheck = 1;
    MonitorPass(&profile, 0, 0, 0);
    EXPECT_EQ(0, g_desktopsCheck) << "one pass reads the desktops again";
    EXPECT_NE(std::string::npos, lineOf("DTP", a).find("DTP(2)")) << lineOf("DTP", a);
    EXPECT_NE(std::string::npos, lineOf("DTP", b).find("DTP(2)")) << lineOf("DTP", b);
    EXPECT_EQ(std::vector<std::string>({"move 1"}), desktops.calls) << "the locked window goes back";
    EXPECT_EQ(1, desktops.desktops[a]);
    EXPECT_EQ(2, profile.pRules->data[1].desktop) << "the following rule takes the new desktop";
    EXPECT_EQ("", lineOf("DTP", pinned)) << "a pinned window the object cannot place stays as it was";

    FreeProfileLists(&profile);
    DestroyWindow(g_logWindow);
    g_logWindow = nullptr;
}
