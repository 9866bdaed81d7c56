// EditGroupE2ETest.cpp - the running program's Edit Group over its main
// dialog, opened through the seams program as the Edit command opens it:
// unchecking Enabled disables every rule under the group at every depth, and
// the other fields round-trip, in the tree and in the profile file the
// program saves.
#include "engine/ProductIds.h"
#include "framework/core/TextUtil.h"
#include "tests/support/DialogDriver.h"
#include "tests/support/ProgramFixture.h"
#include "tests/support/TestEnv.h"
#include "ui/EditGroupRes.h"
#include "ui/MainDialogRes.h"

#include <gtest/gtest.h>

#include <string.h>

#include <functional>
#include <string>
#include <vector>

namespace {

const UINT kOpenEditGroup = 30;   // the seams program's wParam

Rule TreeRule(const char* name, uint8_t level, bool group, bool disabled = false)
{
    Rule r = TitleRule(name, name, CMP_EQUALS);
    r.level = level;
    if (group) r.item |= RULE_ITEM_GROUP | RULE_ITEM_EXPANDED;
    if (disabled) r.item |= RULE_ITEM_DISABLED;
    return r;
}

// "Work" holds rules three levels deep; "Before" and "After" are not its.
const std::vector<Rule> kRules = {
    TreeRule("Before", 1, false),     TreeRule("Work", 1, true),       TreeRule("Editor", 2, false),
    TreeRule("Tools", 2, true),       TreeRule("Terminal", 3, false),  TreeRule("Deep", 3, true),
    TreeRule("Deepest", 4, false),    TreeRule("Browser", 2, false),   TreeRule("After", 1, false),
};

// Names of the disabled rules in list order.
std::string DisabledRules(const Profile& p)
{
    std::string out;
    for (int i = 0; p.pRules && i < p.pRules->count; i++)
        if (p.pRules->data[i].item & RULE_ITEM_DISABLED) out += std::string(p.pRules->data[i].name) + ";";
    return out;
}

const Rule* RuleNamed(const Profile& p, const char* name)
{
    for (int i = 0; p.pRules && i < p.pRules->count; i++)
        if (strcmp(p.pRules->data[i].name, name) == 0) return &p.pRules->data[i];
    return nullptr;
}

class ProgramEditGroup : public ProgramTest {
protected:
    void TearDown() override
    {
        ProgramTest::TearDown();
        FreeProfileLists(&saved);
    }
    // The seams program with the rules, its main dialog open.
    bool OpenMainDialog()
    {
        if (!WriteProfile(kRules) || !Start("-MINIMIZE", SEAMS_PROGRAM)) return false;
        long code = -1;
        for (int attempt = 0; attempt < 3 && code != 0; attempt++) code = RunProgramToEnd("");
        if (code != 0) return false;
        PumpUntil(
            [&] {
                main = FindDialog(run.child.pid, "PanelShepherd");
                return main && DialogControl(main, IDTV_MAIN_RULES);
            },
            15000);
        tree = main ? DialogControl(main, IDTV_MAIN_RULES) : nullptr;
        return tree && PumpUntil([&] { return FindTreeItem(tree, "Deepest") != nullptr; }, 10000);
    }
    // Edit Group on the named group, as the main dialog's Edit command opens it.
    HWND OpenEditGroup(const char* group)
    {
        if (!WriteWholeFileText(Data("TestSeams.txt"), std::string("group=") + group + "\n")) return nullptr;
        PostMessageA(run.control, RegisterWindowMessageA("PanelShepherdTestSeam"), kOpenEditGroup, 0);
        return WaitForDialog(run.child.pid, "Edit Group");
    }
    // The main dialog's OK saves; the profile file read back.
    bool CloseMainAndRead(const std::function<bool(const Profile&)>& done)
    {
        if (!ClickControl(main, IDOK) || !WaitForWindowGone(main, 15000)) return false;
        return WaitForSave([&] {
            FreeProfileLists(&saved);
            return ReadProfile(0, &saved) && saved.pRules && done(saved);
        });
    }
    // The tree's items shown cut (disabled), in tree order.
    std::string CutItems() const
    {
        std::string out;
        for (const RemoteTreeItem& item : ReadTree(tree))
            if (item.state & TVIS_CUT) out += item.text + ";";
        return out;
    }

    HWND main = nullptr;
    HWND tree = nullptr;
    Profile saved = {};
};

}  // namespace

TEST_F(ProgramEditGroup, UncheckingEnabledDisablesEveryRuleUnderTheGroupInTheTreeAndTheSavedFile)
{
    ASSERT_TRUE(OpenMainDialog());
    HWND edit = OpenEditGroup("Work");
    ASSERT_NE(nullptr, edit);
    EXPECT_EQ(main, GetWindow(edit, GW_OWNER)) << "owned by the main dialog";
    EXPECT_EQ(BST_CHECKED, ControlChecked(edit, IDX_GROUP_ENABLED));
    for (int i = 0; i < 3 && ControlChecked(edit, IDX_GROUP_ENABLED) != BST_UNCHECKED; i++) {
        int before = ControlChecked(edit, IDX_GROUP_ENABLED);
        ClickControl(edit, IDX_GROUP_ENABLED);
        PumpUntil([&] { return ControlChecked(edit, IDX_GROUP_ENABLED) != before; }, 5000);
    }
    ASSERT_EQ(BST_UNCHECKED, ControlChecked(edit, IDX_GROUP_ENABLED));
    ASSERT_TRUE(ClickControl(edit, IDOK));
    ASSERT_TRUE(WaitForWindowGone(edit));

    const std::string under = "Work;Editor;Tools;Terminal;Deep;Deepest;Browser;";
    std::string cut;
    EXPECT_TRUE(PumpUntil([&] { return (cut = CutItems()) == under; }, 10000)) << cut;
    EXPECT_TRUE(CloseMainAndRead([&](const Profile& p) { return DisabledRules(p) == under; }))
        << DisabledRules(saved);
}

TEST_F(ProgramEditGroup, TheGroupsOtherFieldsRoundTripThroughTheSavedFile)
{
    ASSERT_TRUE(OpenMainDialog());
    HWND edit = OpenEditGroup("Tools");
    ASSERT_NE(nullptr, edit);
    SetControlText(DialogControl(edit, IDE_GROUP_NAME), "Consoles");
    SetControlText(DialogControl(edit, IDE_GROUP_TITLE), "*Terminal*");
    SetControlText(DialogControl(edit, IDE_GROUP_CLASS), "ConsoleWindowClass");
    SetControlText(DialogControl(edit, IDE_GROUP_PROGRAM), "C:\\Windows\\System32\\conhost.exe");
    std::vector<std::string> templates = ComboItems(DialogControl(edit, IDCB_GROUP_TEMPLATE));
    ASSERT_FALSE(templates.empty()) << "the profile's templates are offered";
    SetControlText(DialogControl(edit, IDCB_GROUP_TEMPLATE), templates.back());
    ASSERT_TRUE(ChooseComboRow(edit, IDCB_GROUP_TYPE, 2));
    ASSERT_TRUE(ClickControl(edit, IDOK));
    ASSERT_TRUE(WaitForWindowGone(edit));

    EXPECT_TRUE(PumpUntil([&] { return FindTreeItem(tree, "Consoles") != nullptr; }, 10000));
    EXPECT_TRUE(CloseMainAndRead([](const Profile& p) { return RuleNamed(p, "Consoles") != nullptr; }));
    const Rule* g = RuleNamed(saved, "Consoles");
    ASSERT_NE(nullptr, g);
    EXPECT_STREQ("*Terminal*", g->caption);
    EXPECT_STREQ("ConsoleWindowClass", g->wndclss);
    EXPECT_STREQ("C:\\Windows\\System32\\conhost.exe", g->program);
    EXPECT_EQ(templates.back(), g->tmpname);
    EXPECT_EQ(2, g->cmpcaption);
    EXPECT_EQ("", DisabledRules(saved)) << "the box left as it was changes no rule";
}
