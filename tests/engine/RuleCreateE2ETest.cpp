// RuleCreateE2ETest.cpp - the running program making rules from its templates
// and updating them from real windows: what it logs, and the profile it
// saves, read back with the program's own reader.
#include "engine/ProductIds.h"
#include "framework/core/AppObject.h"
#include "framework/core/TextUtil.h"
#include "tests/engine/RuleTestUtil.h"
#include "tests/support/ProgramFixture.h"

#include <functional>
#include <string>
#include <vector>

namespace {

Rule Group(const char* name, uint8_t kind, const char* caption, const char* tmpname)
{
    Rule g;
    InitRule(&g);
    g.item = RULE_ITEM_GROUP;
    CopyText(g.name, sizeof(g.name), name);
    SET_RULE_TEXT(&g, caption, caption);
    SET_RULE_TEXT(&g, tmpname, tmpname);
    g.cmpcaption = kind;
    return g;
}

const Rule* RuleNamed(const Profile& p, const char* name)
{
    for (int i = 0; i < p.pRules->count; i++)
        if (strcmp(p.pRules->data[i].name, name) == 0) return &p.pRules->data[i];
    return nullptr;
}

int IndexOf(const Profile& p, const Rule* r)
{
    return r ? (int)(r - p.pRules->data) : -1;
}

bool EndsWith(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

class RulesFromWindows : public ProgramTest {
protected:
    void TearDown() override
    {
        ProgramTest::TearDown();
        FreeProfileLists(&saved);
    }
    // Options with file logging and one profile "Test" without templates,
    // as configure leaves it.
    bool WriteTemplateProfile(const std::function<void(Profile&)>& configure)
    {
        return WriteProfile({}, [&](Profile& p) {
            p.pTemplates->count = 0;
            configure(p);
        });
    }
    bool WaitFor(const std::string& text, DWORD ms = 15000) { return WaitForLog(text, 0, ms) != std::string::npos; }
    // The head of a window's line: "NEW: HWND(...), TITLE(...)".
    static std::string Line(const char* tag, HWND window, const char* title, const char* rest = "")
    {
        return WindowTag(tag, window) + ", TITLE(" + title + ")" + rest;
    }
    // The line of a rule applied to a window.
    static std::string Applied(const char* rule, HWND window, const char* title)
    {
        return std::string("RUL: RULE(") + rule + "), " + HandleText(window) + ", TITLE(" + title + ")";
    }
    // Asks the program to save until the profile it saved satisfies done;
    // the last one read stays in saved.
    bool WaitForSaved(const std::function<bool(const Profile&)>& done, DWORD ms = 15000)
    {
        return WaitForSave(
            [&] {
                FreeProfileLists(&saved);
                return ReadProfile(0, &saved) && saved.pRules && done(saved);
            },
            ms);
    }

    Profile saved = {};
};

}  // namespace

// A new window that an "Auto-create rules" template takes gets a rule named
// after its title, holding its placement, inside the group that collects
// automatic rules of that template; an "Ignore" template before it keeps
// another window without a rule.
TEST_F(RulesFromWindows, AnAutoCreateTemplateMakesARuleInItsGroupAndIgnoreMakesNone)
{
    ASSERT_TRUE(WriteTemplateProfile([](Profile& p) {
        p.bTmpAutoCreate = 1;
        RuleTemplate skip = TitleTemplate("Skip Probes", RULE_ITEM_KEEP, "Skip", CMP_STARTS_WITH);
        RuleTemplate make = TitleTemplate("Auto Probes", RULE_ITEM_AUTOCREATE, "Probe", CMP_CONTAINS);
        ArrayAppend(p.pTemplates, &skip);
        ArrayAppend(p.pTemplates, &make);
        Rule byHand = Group("By hand", 1, "Auto*", "");
        Rule automatic = Group("Automatic", 2, "Auto*", "Auto");
        Rule member = TitleRule("Member", "nothing has this title", CMP_EQUALS);
        member.level = 2;
        Rule later = Group("Later", 0, "Zzz*", "");
        for (Rule* r : {&byHand, &automatic, &member, &later}) ArrayAppend(p.pRules, r);
    }));
    ASSERT_TRUE(Start());
    TestWindow* made = Open("--title \"Auto Probe 1\" --rect 120,130,420,310");
    TestWindow* skipped = Open("--title \"Skip Probe 1\" --rect 200,210,300,220");
    ASSERT_TRUE(WaitFor(Applied("Auto Probe 1", made->hwnd, "Auto Probe 1"))) << Log();
    ASSERT_TRUE(WaitFor(Line("NEW", skipped->hwnd, "Skip Probe 1", ", DTP(255), POS(200,210), DIM(300,220)")))
        << Log();

    ASSERT_TRUE(WaitForSaved([](const Profile& p) { return RuleNamed(p, "Auto Probe 1") != nullptr; }));
    const Rule* r = RuleNamed(saved, "Auto Probe 1");
    EXPECT_EQ(3, IndexOf(saved, r)) << "after the group's own rules";
    EXPECT_EQ(2, r->level);
    EXPECT_STREQ("Auto Probe 1", r->caption);
    EXPECT_EQ(12, r->captionlen);
    EXPECT_EQ(CMP_EQUALS, r->cmpcaption);
    EXPECT_STREQ("PSTestWindow", r->wndclss);
    EXPECT_TRUE(EndsWith(r->program, "\\testwindow.exe")) << r->program;
    EXPECT_STREQ("Auto Probes", r->tmpname);
    EXPECT_EQ(120, r->x);
    EXPECT_EQ(130, r->y);
    EXPECT_EQ(420, r->w);
    EXPECT_EQ(310, r->h);
    EXPECT_EQ(0, r->state);
    EXPECT_EQ(5, saved.pRules->count);
    EXPECT_FALSE(saved.pRules->data[0].item & RULE_ITEM_EXPANDED) << "collects rules made by hand";
    EXPECT_TRUE(saved.pRules->data[1].item & RULE_ITEM_EXPANDED);
    EXPECT_EQ(nullptr, RuleNamed(saved, "Skip Probe 1"));
    EXPECT_EQ(std::string::npos, Log().find("RULE(Skip Probe 1)"));
}

// The update command with each update mode: update only re-captures the
// window's rule; create also makes rules from any template (into the group
// for hand-made rules, keeping what the template sets); delete-then-create
// starts the rules afresh; the last mode makes rules without re-capturing.
TEST_F(RulesFromWindows, TheUpdateCommandFollowsTheProfilesUpdateMode)
{
    static const struct {
        int mode;
        int anchorX, anchorY;   // the "Upd Anchor" rule after the update
        bool fresh;             // an "Upd Fresh" rule was made
        int count;
        const char* why;
    } kModes[] = {
        {0, 150, 160, false, 2, "update only"},
        {1, 150, 160, true, 3, "update and create"},
        {2, 42, 160, true, 3, "delete, then create from the template"},
        {3, VALUE_ANY, VALUE_ANY, true, 3, "create without re-capturing"},
    };
    for (const auto& m : kModes) {
        SCOPED_TRACE(m.why);
        if (run.child.process) {
            ASSERT_EQ(0, Quit());
        }
        for (auto& w : windows) StopTestWindow(w.get());
        windows.clear();
        DeleteFileA(Data("PanelShepherd.log").c_str());
        ASSERT_TRUE(WriteTemplateProfile([&](Profile& p) {
            p.iUpdUpdateMode = m.mode;
            RuleTemplate t = TitleTemplate("Updates", 0, "Upd", CMP_STARTS_WITH);
            t.rule.x = 42;   // "This position" with x: a new rule keeps it
            ArrayAppend(p.pTemplates, &t);
            Rule group = Group("Made by hand", 1, "Upd*", "");
            Rule anchor = TitleRule("Upd Anchor", "Upd Anchor", CMP_EQUALS);
            ArrayAppend(p.pRules, &group);
            ArrayAppend(p.pRules, &anchor);
        }));
        ASSERT_TRUE(Start());
        TestWindow* a = Open("--title \"Upd Anchor\" --rect 100,100,400,300");
        TestWindow* b = Open("--title \"Upd Fresh\" --rect 500,150,300,200");
        ASSERT_TRUE(WaitFor(Applied("Upd Anchor", a->hwnd, "Upd Anchor"))) << Log();
        ASSERT_TRUE(WaitFor(Line("NEW", b->hwnd, "Upd Fresh"))) << Log();
        ASSERT_TRUE(TestWindowStep(a, "move 150 160"));
        ASSERT_TRUE(WaitFor(Line("POS", a->hwnd, "Upd Anchor", ", DTP(255), POS(150,160)")))
            << Log();

        PostMessageA(run.main, ZRPMSG_COMMAND, MAKEWPARAM(CMD_PROFILE_UPDATE, 0), 0);
        ASSERT_TRUE(WaitFor("PRF: Updating Profile (Test)")) << Log();
        ASSERT_TRUE(WaitForSaved([&](const Profile& p) {
            const Rule* anchor = RuleNamed(p, "Upd Anchor");
            return m.fresh ? RuleNamed(p, "Upd Fresh") && anchor && anchor->x == m.anchorX
                           : anchor && anchor->x == m.anchorX;
        })) << Log();
        const Rule* anchor = RuleNamed(saved, "Upd Anchor");
        ASSERT_NE(nullptr, anchor);
        EXPECT_EQ(m.anchorY, anchor->y);
        EXPECT_EQ(m.count, saved.pRules->count);
        const Rule* fresh = RuleNamed(saved, "Upd Fresh");
        EXPECT_EQ(m.fresh, fresh != nullptr);
        if (fresh) {
            EXPECT_EQ(42, fresh->x) << "the template's x";
            EXPECT_EQ(150, fresh->y);
            EXPECT_EQ(300, fresh->w);
            EXPECT_EQ(200, fresh->h);
            EXPECT_EQ(0, fresh->state);
            EXPECT_EQ(2, fresh->level) << "in the group for rules made by hand";
            EXPECT_STREQ("Updates", fresh->tmpname);
            EXPECT_TRUE(saved.pRules->data[0].item & RULE_ITEM_EXPANDED);
        }
        if (m.mode == 2) {
            EXPECT_EQ(2, anchor->level) << "made anew from the template";
            EXPECT_STREQ("Updates", anchor->tmpname);
        } else {
            EXPECT_EQ(1, anchor->level);
            EXPECT_STREQ("", anchor->tmpname);
        }
    }
}

// A window that first shows a temporary title gets a rule with its final
// title; when another rule already takes the final title, the new rule goes.
TEST_F(RulesFromWindows, ARuleNamedAfterASettlingTitleTakesTheFinalOneOrGoes)
{
    ASSERT_TRUE(WriteTemplateProfile([](Profile& p) {
        p.bTmpAutoCreate = 1;
        RuleTemplate t = TitleTemplate("Settling", RULE_ITEM_AUTOCREATE, "Settle", CMP_STARTS_WITH);
        t.rule.titlextime = 30000;
        ArrayAppend(p.pTemplates, &t);
        Rule taken = TitleRule("Settle Taken", "Settle Taken", CMP_EQUALS);
        taken.moveto = taken.sizeto = taken.stateto = 0;
        ArrayAppend(p.pRules, &taken);
    }));
    ASSERT_TRUE(Start());
    TestWindow* a = Open("--title \"Settle Loading A\" --rect 100,100,300,200");
    ASSERT_TRUE(WaitFor(Applied("Settle Loading A", a->hwnd, "Settle Loading A"))) << Log();
    ASSERT_TRUE(TestWindowStep(a, "title Settle Final A"));
    ASSERT_TRUE(WaitForSaved([](const Profile& p) {
        const Rule* r = RuleNamed(p, "Settle Final A");
        return r && strcmp(r->caption, "Settle Final A") == 0;
    })) << Log();
    EXPECT_EQ(nullptr, RuleNamed(saved, "Settle Loading A"));
    EXPECT_EQ(2, saved.pRules->count);

    TestWindow* b = Open("--title \"Settle Loading B\" --rect 140,140,300,200");
    ASSERT_TRUE(WaitFor(Applied("Settle Loading B", b->hwnd, "Settle Loading B"))) << Log();
    ASSERT_TRUE(WaitForSaved([](const Profile& p) { return RuleNamed(p, "Settle Loading B") != nullptr; }));
    ASSERT_TRUE(TestWindowStep(b, "title Settle Taken"));
    ASSERT_TRUE(WaitForSaved([](const Profile& p) { return RuleNamed(p, "Settle Loading B") == nullptr; }))
        << Log();
    EXPECT_EQ(2, saved.pRules->count);
    EXPECT_NE(nullptr, RuleNamed(saved, "Settle Final A"));
    EXPECT_NE(nullptr, RuleNamed(saved, "Settle Taken"));
}

// Without an immersive shell (Wine) the desktop probe gives up at once: the
// program is running and has made its profile current well before five
// variants could have waited ten seconds each, and windows have no desktop.
TEST_F(RulesFromWindows, WithoutAShellTheProgramStartsAtOnceWithoutDesktops)
{
    ASSERT_TRUE(WriteTemplateProfile([](Profile&) {}));
    ASSERT_TRUE(Start());
    ASSERT_TRUE(WaitFor("PRF: Switching Profile (Test)", 15000)) << Log();
    TestWindow* w = Open("--title \"No Desktops\" --rect 100,100,300,200");
    EXPECT_TRUE(WaitFor(Line("NEW", w->hwnd, "No Desktops", ", DTP(255)"))) << Log();
}
