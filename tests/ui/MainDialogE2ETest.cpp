// MainDialogE2ETest.cpp - the running program's main dialog driven as a user
// drives it: the tree of a profile's rules, renaming, dragging, export and
// import, the finder, rules from windows, profile switching, Cancel and OK,
// and a long run of edits while the worker makes rules. What the dialog saves
// is read back with the program's own reader.
#include "engine/ProductIds.h"
#include "engine/ProfileStore.h"
#include "framework/core/AppObject.h"
#include "framework/core/ConfigRecord.h"
#include "framework/core/TextUtil.h"
#include "framework/services/AboutBoxRes.h"
#include "tests/support/DialogDriver.h"
#include "tests/engine/RuleTestUtil.h"
#include "tests/support/ProgramFixture.h"
#include "ui/MainDialogRes.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace {

const char kCaption[] = "PanelShepherd";
const char kDiscard[] = "Are you sure you want to discard the changes?";

Rule GroupRule(const char* name, uint8_t level)
{
    Rule g;
    InitRule(&g);
    g.item = RULE_ITEM_GROUP | RULE_ITEM_EXPANDED;
    g.level = level;
    CopyText(g.name, sizeof(g.name), name);
    return g;
}

Rule PlainRule(const char* name, uint8_t level)
{
    Rule r = TitleRule(name, name, CMP_EQUALS);
    r.level = level;
    return r;
}

const Rule* RuleNamed(const Profile& p, const char* name)
{
    for (int i = 0; p.pRules && i < p.pRules->count; i++)
        if (strcmp(p.pRules->data[i].name, name) == 0) return &p.pRules->data[i];
    return nullptr;
}

// "name:level" of every rule in list order, one per line.
std::string Levels(const Profile& p)
{
    std::string out;
    for (int i = 0; p.pRules && i < p.pRules->count; i++)
        out += std::string(p.pRules->data[i].name) + ":" + std::to_string(p.pRules->data[i].level) + "\n";
    return out;
}

POINT Centre(const RECT& r)
{
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

class ProgramMainDialog : public ProgramTest {
protected:
    void TearDown() override
    {
        HoldKey(VK_CONTROL, false);
        ProgramTest::TearDown();
        FreeProfileLists(&saved);
    }

    // The program running with its dialog closed, then the dialog opened as a
    // second start without options opens it.
    bool OpenDialog(const char* program = "PanelShepherd.exe")
    {
        if (!Running() && !Start("-MINIMIZE", program)) return false;
        // Under load Wine now and then fails to start a process at all; a
        // second start only asks for the dialog, so asking again is harmless.
        long code = -1;
        for (int attempt = 0; attempt < 3 && code != 0; attempt++) code = RunProgramToEnd("");
        if (code != 0) return false;
        dialog = nullptr;
        PumpUntil(
            [&] {
                dialog = FindDialog(run.child.pid, kCaption);
                return dialog && DialogControl(dialog, IDTV_MAIN_RULES);
            },
            15000);
        tree = dialog ? DialogControl(dialog, IDTV_MAIN_RULES) : nullptr;
        return tree != nullptr;
    }
    std::string Outline() const { return TreeOutline(ReadTree(tree)); }
    bool WaitForOutline(const std::string& want, DWORD ms = 10000) const
    {
        return PumpUntil([&] { return Outline() == want; }, ms);
    }
    bool Select(const char* name)
    {
        HTREEITEM item = FindTreeItem(tree, name);
        return item && SelectTreeItem(tree, item) &&
               PumpUntil([&] { return TreeSelection(tree) == item; }, 5000);
    }
    // A menu command of the tree, as the context menu sends it.
    void TreeCommand(int id) { PostDialogCommand(dialog, ZRPMSG_COMMAND, id); }
    bool ClickAndWaitGone(int id)
    {
        HWND shown = dialog;
        return ClickControl(dialog, id) && WaitForWindowGone(shown, 15000);
    }
    // Asks the program to save until profile index, read back, satisfies done.
    bool WaitForSaved(int index, const std::function<bool(const Profile&)>& done, DWORD ms = 15000)
    {
        return WaitForSave(
            [&] {
                FreeProfileLists(&saved);
                return ReadProfile(index, &saved) && saved.pRules && done(saved);
            },
            ms);
    }
    // The profile file after Apply has written it.
    bool ApplyAndRead(int index, const std::function<bool(const Profile&)>& done)
    {
        return ClickControl(dialog, IDB_MAIN_APPLY) &&
               PumpUntil(
                   [&] {
                       FreeProfileLists(&saved);
                       return ReadProfile(index, &saved) && saved.pRules && done(saved);
                   },
                   15000);
    }
    // Drags the item named from onto the point that where gives inside the
    // item named to (text rectangle, screen), and lets go once ready holds.
    bool DragItem(const char* from, const char* to, const std::function<POINT(const RECT&)>& where,
                  const std::function<bool()>& ready)
    {
        HTREEITEM source = FindTreeItem(tree, from), target = FindTreeItem(tree, to);
        RECT a, b;
        if (!source || !target || !TreeItemRect(tree, source, true, &a) || !TreeItemRect(tree, target, true, &b))
            return false;
        return DragMouse(Centre(a), where(b), ready);
    }
    HWND DragChild(const char* className) const
    {
        HWND child = FindWindowExA(tree, nullptr, className, nullptr);
        return child && IsWindowVisible(child) ? child : nullptr;
    }

    HWND dialog = nullptr;
    HWND tree = nullptr;
    Profile saved = {};
};

//--- a fresh data folder

TEST_F(ProgramMainDialog, AFreshDataFolderShowsTheDefaultProfileAsATree)
{
    ASSERT_TRUE(OpenDialog());
    ASSERT_TRUE(WaitForOutline("PanelShepherd\n"
                               "  PanelShepherd Main Dialog\n"
                               "  Window List Dialog\n"
                               "Windows Explorer\n"))
        << Outline();
    std::vector<RemoteTreeItem> items = ReadTree(tree);
    ASSERT_EQ(4u, items.size());
    EXPECT_EQ(1, items[0].image) << "a group shows as a folder";
    EXPECT_EQ(0, items[1].image) << "a rule shows as a rule";
    EXPECT_TRUE(items[0].state & TVIS_EXPANDED);
    EXPECT_FALSE(items[0].state & TVIS_CUT) << "a group with an enabled rule is enabled";
    EXPECT_TRUE(items[3].state & TVIS_CUT) << "an empty group shows disabled";
    EXPECT_NE(items[1].param, items[2].param) << "items carry their rules' ids";

    HWND combo = DialogControl(dialog, IDCB_MAIN_PROFILE);
    EXPECT_EQ((std::vector<std::string>{"Default", "Save All"}), ComboItems(combo));
    EXPECT_EQ(0, ComboSelection(combo));
    EXPECT_EQ(BST_CHECKED, ControlChecked(dialog, IDX_MAIN_ENABLED));

    EXPECT_EQ(nullptr, TreeSelection(tree));
    for (int id : {IDB_MAIN_EDIT, IDB_MAIN_DELETE, IDB_MAIN_MORE}) EXPECT_FALSE(ControlEnabled(dialog, id)) << id;
    ASSERT_TRUE(Select("Window List Dialog"));
    EXPECT_TRUE(PumpUntil([&] { return ControlEnabled(dialog, IDB_MAIN_DELETE); }, 5000));
    EXPECT_TRUE(ControlEnabled(dialog, IDB_MAIN_MORE));
    // Their dialogs come later: the buttons that open them stay off.
    for (int id : {IDB_MAIN_EDIT, IDB_MAIN_SETTINGS, IDB_MAIN_OPTIONS})
        EXPECT_FALSE(ControlEnabled(dialog, id)) << id;
    for (int id : {IDB_MAIN_PROFILES, IDB_MAIN_NEW, IDB_MAIN_UPDATE, IDB_MAIN_ALLWINDOWS, IDB_MAIN_PICK, IDB_MAIN_LIST,
                   IDB_MAIN_REFRESH, IDB_MAIN_FINDNEXT, IDB_MAIN_ABOUT, IDB_MAIN_HELP, IDB_MAIN_QUIT, IDOK, IDB_MAIN_APPLY, IDCANCEL})
        EXPECT_TRUE(ControlEnabled(dialog, id)) << id;
}

//--- Cancel

TEST_F(ProgramMainDialog, CancelRightAwayAsksNothingAndWritesNothing)
{
    ASSERT_TRUE(WriteOptions());
    ASSERT_TRUE(OpenDialog());
    ASSERT_TRUE(WaitForOutline("PanelShepherd\n  PanelShepherd Main Dialog\n  Window List Dialog\nWindows Explorer\n"));
    // Opening saved everything once; from here on nothing may change.
    struct Kept {
        std::string name, bytes;
        FILETIME written;
    };
    std::vector<Kept> before;
    for (const std::string& name : DataFiles("")) {
        if (name == "PanelShepherd.log") continue;
        Kept k = {name, ReadWholeFile(Data(name)), {}};
        WIN32_FILE_ATTRIBUTE_DATA a;
        ASSERT_TRUE(GetFileAttributesExA(Data(name).c_str(), GetFileExInfoStandard, &a));
        k.written = a.ftLastWriteTime;
        before.push_back(k);
    }
    ASSERT_GE(before.size(), 3u) << "the options and two profiles";

    ASSERT_TRUE(ClickAndWaitGone(IDCANCEL));
    EXPECT_EQ(nullptr, FindDialog(run.child.pid, kCaption)) << "no question was asked";
    for (const Kept& k : before) {
        SCOPED_TRACE(k.name);
        EXPECT_EQ(k.bytes, ReadWholeFile(Data(k.name)));
        WIN32_FILE_ATTRIBUTE_DATA a;
        ASSERT_TRUE(GetFileAttributesExA(Data(k.name).c_str(), GetFileExInfoStandard, &a));
        EXPECT_EQ(0, CompareFileTime(&k.written, &a.ftLastWriteTime)) << "not even written again";
    }
    EXPECT_TRUE(Running());
}

TEST_F(ProgramMainDialog, CancelAfterARenameAsksAndRestoresOnlyOnYes)
{
    ASSERT_TRUE(OpenDialog());
    ASSERT_TRUE(WaitForOutline("PanelShepherd\n  PanelShepherd Main Dialog\n  Window List Dialog\nWindows Explorer\n"));
    HTREEITEM item = FindTreeItem(tree, "Window List Dialog");
    ASSERT_TRUE(Select("Window List Dialog"));
    DWORD_PTR edit = 0;
    ASSERT_TRUE(SendMessageTimeoutA(tree, TVM_EDITLABELA, 0, (LPARAM)item, SMTO_ABORTIFHUNG, 5000, &edit));
    ASSERT_NE(0u, edit) << "label editing starts";
    ASSERT_TRUE(SetControlText((HWND)edit, "Renamed Rule"));
    DWORD_PTR ignored;
    SendMessageTimeoutA(tree, TVM_ENDEDITLABELNOW, FALSE, 0, SMTO_ABORTIFHUNG, 5000, &ignored);
    ASSERT_TRUE(WaitForOutline("PanelShepherd\n  PanelShepherd Main Dialog\n  Renamed Rule\nWindows Explorer\n"))
        << Outline();

    ASSERT_TRUE(ClickControl(dialog, IDCANCEL));
    HWND box = WaitForMessageBox(run.child.pid, kCaption);
    ASSERT_NE(nullptr, box);
    EXPECT_EQ(kDiscard, ReadMessageBoxText(box));
    ASSERT_TRUE(AnswerMessageBox(box, IDNO));
    ASSERT_TRUE(WaitForWindowGone(box));
    EXPECT_TRUE(IsWindowVisible(dialog)) << "No keeps the dialog";
    EXPECT_EQ("PanelShepherd\n  PanelShepherd Main Dialog\n  Renamed Rule\nWindows Explorer\n", Outline())
        << "and the new name";

    ASSERT_TRUE(ClickControl(dialog, IDCANCEL));
    box = WaitForMessageBox(run.child.pid, kCaption);
    ASSERT_NE(nullptr, box);
    ASSERT_TRUE(AnswerMessageBox(box, IDYES));
    ASSERT_TRUE(WaitForWindowGone(dialog));

    ASSERT_TRUE(OpenDialog());
    EXPECT_TRUE(WaitForOutline("PanelShepherd\n  PanelShepherd Main Dialog\n  Window List Dialog\nWindows Explorer\n"))
        << Outline();
}


//--- what marks a profile edited, so that Cancel asks and restores

TEST_F(ProgramMainDialog, EveryRuleChangeMakesCancelAskAndYesPutsItBack)
{
    const std::string original = "Group A\n  Alpha\n  Beta\nZulu\nMike\n";
    ASSERT_TRUE(WriteProfile({GroupRule("Group A", 1), PlainRule("Alpha", 2), PlainRule("Beta", 2),
                              PlainRule("Zulu", 1), PlainRule("Mike", 1)},
                             [](Profile& p) { p.bGenEnabled = 1; }));
    auto itemState = [&](const char* name) {
        RemoteTreeItem item;
        return FindTreeItem(tree, name, &item) ? item.state : 0u;
    };
    static const struct {
        const char* why;
        const char* select;   // null: no selection needed
        int command;          // a tree command, or 0 for the Enabled box
    } kChanges[] = {
        {"a rule disabled", "Alpha", 1201},
        {"a group and its rules disabled", "Group A", 1201},
        {"the top level sorted", "Zulu", 1204},
        {"the profile disabled", nullptr, 0},
    };
    for (const auto& c : kChanges) {
        SCOPED_TRACE(c.why);
        ASSERT_TRUE(OpenDialog());
        ASSERT_TRUE(WaitForOutline(original)) << Outline();
        if (c.select) {
            ASSERT_TRUE(Select(c.select));
        }
        if (c.command) {
            TreeCommand(c.command);
        } else {
            ASSERT_EQ(BST_CHECKED, ControlChecked(dialog, IDX_MAIN_ENABLED));
            ASSERT_TRUE(ClickControl(dialog, IDX_MAIN_ENABLED));
        }
        ASSERT_TRUE(PumpUntil(
            [&] {
                if (c.command == 1201) return (itemState(c.select) & TVIS_CUT) != 0;
                if (c.command == 1204) return Outline() == "Group A\n  Alpha\n  Beta\nMike\nZulu\n";
                return ControlChecked(dialog, IDX_MAIN_ENABLED) == BST_UNCHECKED;
            },
            10000))
            << Outline();
        ASSERT_TRUE(ClickControl(dialog, IDCANCEL));
        HWND box = WaitForMessageBox(run.child.pid, kCaption);
        ASSERT_NE(nullptr, box) << "Cancel asks";
        EXPECT_EQ(kDiscard, ReadMessageBoxText(box));
        ASSERT_TRUE(AnswerMessageBox(box, IDYES));
        ASSERT_TRUE(WaitForWindowGone(dialog));
    }
    ASSERT_TRUE(OpenDialog());
    EXPECT_TRUE(WaitForOutline(original)) << Outline();
    for (const char* name : {"Group A", "Alpha", "Beta"}) EXPECT_FALSE(itemState(name) & TVIS_CUT) << name;
    EXPECT_EQ(BST_CHECKED, ControlChecked(dialog, IDX_MAIN_ENABLED));
}

//--- OK and the tree's expanded states

TEST_F(ProgramMainDialog, OkKeepsTheTreesExpandedStatesAlsoForLaterSaves)
{
    ASSERT_TRUE(WriteProfile({GroupRule("Group A", 1), PlainRule("Alpha", 2), GroupRule("Group B", 1),
                              PlainRule("Beta", 2)}));
    ASSERT_TRUE(OpenDialog());
    ASSERT_TRUE(WaitForOutline("Group A\n  Alpha\nGroup B\n  Beta\n")) << Outline();
    HTREEITEM a = FindTreeItem(tree, "Group A");
    DWORD_PTR ignored;
    ASSERT_TRUE(SendMessageTimeoutA(tree, TVM_EXPAND, TVE_COLLAPSE, (LPARAM)a, SMTO_ABORTIFHUNG, 5000, &ignored));
    ASSERT_TRUE(PumpUntil(
        [&] {
            RemoteTreeItem item;
            return FindTreeItem(tree, "Group A", &item) && !(item.state & TVIS_EXPANDED);
        },
        5000));
    ASSERT_TRUE(ClickAndWaitGone(IDOK));
    // OK saves once the dialog is gone.
    ASSERT_TRUE(PumpUntil(
        [&] {
            FreeProfileLists(&saved);
            return ReadProfile(0, &saved) && RuleNamed(saved, "Group A") &&
                   !(RuleNamed(saved, "Group A")->item & RULE_ITEM_EXPANDED);
        },
        10000))
        << "collapsed in the tree";
    EXPECT_EQ("Group A:1\nAlpha:2\nGroup B:1\nBeta:2\n", Levels(saved));
    EXPECT_TRUE(RuleNamed(saved, "Group B")->item & RULE_ITEM_EXPANDED);

    // A save with the dialog closed keeps them.
    ASSERT_EQ(0, RunProgramToEnd("-SAVE"));
    ASSERT_TRUE(WaitForSaved(0, [](const Profile& s) { return s.pRules->count == 4; }));
    EXPECT_FALSE(RuleNamed(saved, "Group A")->item & RULE_ITEM_EXPANDED);
    EXPECT_TRUE(RuleNamed(saved, "Group B")->item & RULE_ITEM_EXPANDED);
    EXPECT_TRUE(Running());
}

//--- drag and drop

TEST_F(ProgramMainDialog, DraggingPutsARuleBeforeAnotherAndAGroupNeverIntoItself)
{
    ASSERT_TRUE(WriteProfile({GroupRule("Group A", 1), PlainRule("Alpha", 2), PlainRule("Beta", 2),
                              PlainRule("Gamma", 1), PlainRule("Delta", 1)}));
    ASSERT_TRUE(OpenDialog());
    ASSERT_TRUE(WaitForOutline("Group A\n  Alpha\n  Beta\nGamma\nDelta\n")) << Outline();
    // The drag image sits at the cursor: it tells where the dialog has got to.
    auto imageAt = [&](POINT screen) {
        HWND image = DragChild("ZRPDragImageClass");
        RECT r;
        return image && GetWindowRect(image, &r) && r.left == screen.x && r.top == screen.y;
    };

    POINT upper = {};
    ASSERT_TRUE(DragItem("Delta", "Alpha",
                         [&](const RECT& r) { return upper = {r.left + 4, r.top + 1}; },
                         [&] { return imageAt(upper) && DragChild("ZRPProfileTreeIndicatorClass"); }))
        << "the line shows where the rule goes";
    ASSERT_TRUE(WaitForOutline("Group A\n  Delta\n  Alpha\n  Beta\nGamma\n")) << Outline();
    EXPECT_EQ(nullptr, DragChild("ZRPDragImageClass")) << "the drag windows go with the drag";
    ASSERT_TRUE(ApplyAndRead(0, [](const Profile& p) { return p.pRules->count == 5 && RuleNamed(p, "Delta")->level == 2; }));
    EXPECT_EQ("Group A:1\nDelta:2\nAlpha:2\nBeta:2\nGamma:1\n", Levels(saved));

    // Onto its own child, a group finds no target: no line, no highlight.
    POINT above = {};
    auto highlighted = [&] {
        for (const RemoteTreeItem& i : ReadTree(tree))
            if (i.state & TVIS_DROPHILITED) return true;
        return false;
    };
    ASSERT_TRUE(DragItem("Group A", "Beta", [&](const RECT& r) { return above = {r.left + 4, r.top + 1}; },
                         [&] { return imageAt(above) && !DragChild("ZRPProfileTreeIndicatorClass") && !highlighted(); }));
    ASSERT_TRUE(PumpUntil([&] { return !DragChild("ZRPDragImageClass"); }, 5000));
    EXPECT_EQ("Group A\n  Delta\n  Alpha\n  Beta\nGamma\n", Outline());
    ASSERT_TRUE(ApplyAndRead(0, [](const Profile& p) { return p.pRules->count == 5; }));
    EXPECT_EQ("Group A:1\nDelta:2\nAlpha:2\nBeta:2\nGamma:1\n", Levels(saved));
}

TEST_F(ProgramMainDialog, ADoubleClickedGroupStaysAsItWasAndADragHeldOverAShutGroupOpensIt)
{
    Rule shut = GroupRule("Shut Group", 1);
    shut.item = RULE_ITEM_GROUP;
    ASSERT_TRUE(WriteProfile({GroupRule("Open Group", 1), PlainRule("Inside Open", 2), shut,
                              PlainRule("Inside Shut", 2), PlainRule("Loose", 1)}));
    ASSERT_TRUE(OpenDialog());
    ASSERT_TRUE(WaitForOutline("Open Group\n  Inside Open\nShut Group\n  Inside Shut\nLoose\n")) << Outline();
    auto expanded = [&](const char* name) {
        RemoteTreeItem item;
        return FindTreeItem(tree, name, &item) && (item.state & TVIS_EXPANDED) != 0;
    };
    // At the text's centre, or near its left end (away from where a drag
    // starts: a press there soon after would make a double click).
    auto click = [&](const char* name, int clicks, bool centre = true) {
        HTREEITEM item = FindTreeItem(tree, name);
        RECT r;
        if (!item || !TreeItemRect(tree, item, true, &r)) return false;
        if (!MoveMouseTo(centre ? Centre(r) : POINT{r.left + 2, Centre(r).y})) return false;
        for (int i = 0; i < clicks; i++)
            if (!MouseButton(true) || !MouseButton(false)) return false;
        return true;
    };
    // Input is taken in order: once the click after it has selected its
    // item, the double click has been handled.
    auto settled = [&] {
        HTREEITEM loose = FindTreeItem(tree, "Loose");
        return click("Loose", 1, false) && PumpUntil([&] { return TreeSelection(tree) == loose; }, 5000);
    };
    ASSERT_FALSE(expanded("Shut Group"));
    for (const char* group : {"Shut Group", "Open Group"}) {
        SCOPED_TRACE(group);
        bool was = expanded(group);
        ASSERT_TRUE(click(group, 2));
        ASSERT_TRUE(settled());
        EXPECT_EQ(was, expanded(group));
    }

    // Held over the shut group's middle, a dragged rule opens it and drops into it.
    ASSERT_TRUE(DragItem("Loose", "Shut Group", [](const RECT& r) { return Centre(r); },
                         [&] { return expanded("Shut Group"); }))
        << "opened after a second's hover";
    ASSERT_TRUE(WaitForOutline("Open Group\n  Inside Open\nShut Group\n  Inside Shut\n  Loose\n")) << Outline();
}

//--- export and import

TEST_F(ProgramMainDialog, AnExportedGroupImportsUnderTheSelectedGroupOfAnotherProfile)
{
    ASSERT_TRUE(WriteProfiles({{"Alpha Profile", nullptr,
                                {GroupRule("Group G", 1), PlainRule("R1", 2), PlainRule("R2", 2), PlainRule("Top", 1)}},
                               {"Beta Profile", nullptr, {GroupRule("Group H", 1), PlainRule("X", 2)}}}));
    ASSERT_TRUE(OpenDialog("PanelShepherdSeams.exe"));
    ASSERT_TRUE(WaitForOutline("Group G\n  R1\n  R2\nTop\n")) << Outline();
    std::string file = Data("Exported.rulexp");
    ASSERT_TRUE(WriteWholeFileText(Data("TestSeams.txt"), "save=" + file + "\n"));
    ASSERT_TRUE(Select("Group G"));
    TreeCommand(1210);
    ASSERT_TRUE(PumpUntil([&] { return FileExists(file); }, 10000));
    EXPECT_EQ("save Group G\n", ReadWholeFile(Data("TestSeamsCalls.txt"))) << "named after the group";

    GrowArray<Rule> exported;
    InitGrowArray(&exported);
    ASSERT_TRUE(PumpUntil([&] { return ImportRules(&exported, file.c_str()) == 0 && exported.count == 3; }, 5000));
    EXPECT_STREQ("Group G", exported.data[0].name);
    EXPECT_EQ(0, exported.data[0].level) << "the exported group is the top";
    EXPECT_STREQ("R1", exported.data[1].name);
    EXPECT_EQ(1, exported.data[1].level);
    EXPECT_STREQ("R2", exported.data[2].name);
    EXPECT_EQ(1, exported.data[2].level);
    FreeGrowArray(&exported);
    std::map<std::string, std::string> keys;
    ASSERT_TRUE(ReadRawRecord(file, &keys));
    EXPECT_EQ("R2", keys["Rule[2].name"]);
    EXPECT_EQ(0u, keys.count("Rule[3].name"));

    ASSERT_TRUE(ChooseComboRow(dialog, IDCB_MAIN_PROFILE, 1));
    ASSERT_TRUE(WaitForOutline("Group H\n  X\n")) << Outline();
    ASSERT_TRUE(Select("Group H"));
    ASSERT_TRUE(WriteWholeFileText(Data("TestSeams.txt"), "open=" + file + "\n"));
    TreeCommand(1209);
    ASSERT_TRUE(WaitForOutline("Group H\n  Group G\n    R1\n    R2\n  X\n")) << Outline();
    ASSERT_TRUE(ApplyAndRead(1, [](const Profile& p) { return p.pRules->count == 5; }));
    EXPECT_EQ("Group H:1\nGroup G:2\nR1:3\nR2:3\nX:2\n", Levels(saved));
    EXPECT_STREQ("Beta Profile", saved.szGenName);
}

TEST_F(ProgramMainDialog, ADamagedImportSaysSoAndChangesNothingAndOddLevelsAreClamped)
{
    ASSERT_TRUE(WriteProfile({GroupRule("Group H", 1), PlainRule("X", 2)}));
    ASSERT_TRUE(OpenDialog("PanelShepherdSeams.exe"));
    ASSERT_TRUE(WaitForOutline("Group H\n  X\n")) << Outline();

    // A file of the program's own form whose levels skip and fall below the first.
    std::string odd = Data("Odd.rulexp");
    {
        ConfigRecord record;
        InitConfigRecord(&record, 1, "prul->");
        const struct {
            const char* name;
            uint8_t item, level;
        } kRules[] = {{"Odd Group", RULE_ITEM_GROUP, 5}, {"Deep", 0, 9}, {"Deeper", 0, 12}, {"Shallow", 0, 3}};
        int n = 0;
        for (const auto& k : kRules) {
            Rule r = PlainRule(k.name, k.level);
            r.item = k.item;
            SetRecordKeyPrefix(&record, "prul->", "Rule[%d].", n);
            ASSERT_TRUE(SerializeRule(1, &record, &r, (uint32_t)n, RULE_KIND_PROFILE));
            n++;
        }
        ASSERT_GT(SaveRecordArchive(&record, odd.c_str()), 0);
        ClearConfigRecord(&record);
    }
    std::string good = ReadWholeFile(odd);
    std::string garbage = Data("Garbage.rulexp"), truncated = Data("Truncated.rulexp");
    ASSERT_TRUE(WriteWholeFileText(garbage, "this is no archive of rules"));
    ASSERT_TRUE(WriteWholeFileText(truncated, good.substr(0, good.size() / 2)));

    ASSERT_TRUE(Select("X"));
    for (const std::string& bad : {garbage, truncated, Data("Missing.rulexp")}) {
        SCOPED_TRACE(bad);
        ASSERT_TRUE(WriteWholeFileText(Data("TestSeams.txt"), "open=" + bad + "\n"));
        TreeCommand(1209);
        HWND box = WaitForMessageBox(run.child.pid, kCaption);
        ASSERT_NE(nullptr, box);
        EXPECT_EQ("The file could not be read as exported rules; nothing was imported:\n" + bad,
                  ReadMessageBoxText(box));
        ASSERT_TRUE(AnswerMessageBox(box, IDOK));
        ASSERT_TRUE(WaitForWindowGone(box));
        EXPECT_EQ("Group H\n  X\n", Outline());
    }

    ASSERT_TRUE(WriteWholeFileText(Data("TestSeams.txt"), "open=" + odd + "\n"));
    TreeCommand(1209);
    // After the plain rule X, at its level: the group on top, a gap nested
    // under the group, a level above the first at the top again.
    ASSERT_TRUE(WaitForOutline("Group H\n  X\n  Odd Group\n    Deep\n    Deeper\n  Shallow\n")) << Outline();
    ASSERT_TRUE(ApplyAndRead(0, [](const Profile& p) { return p.pRules->count == 6; })) << Levels(saved);
    EXPECT_EQ("Group H:1\nX:2\nOdd Group:2\nDeep:3\nDeeper:3\nShallow:2\n", Levels(saved));
}

//--- the finder

TEST_F(ProgramMainDialog, PickingAWindowWithTheFinderMakesAndSelectsItsRule)
{
    ASSERT_TRUE(WriteProfile({GroupRule("Picked", 1)}, [](Profile& p) {
        p.pTemplates->count = 0;
        RuleTemplate t = TitleTemplate("Pickable", 0, "Pick", CMP_STARTS_WITH);
        ArrayAppend(p.pTemplates, &t);
    }));
    ASSERT_TRUE(OpenDialog());
    ASSERT_TRUE(WaitForOutline("Picked\n")) << Outline();
    TestWindow* target = Open("--title \"Pick Target\" --rect 40,60,320,220");
    ASSERT_NE(std::string::npos, WaitForWindowLine("NEW", target->hwnd, 0)) << Log();

    RECT finder, window;
    ASSERT_TRUE(GetWindowRect(DialogControl(dialog, IDB_MAIN_PICK), &finder));
    ASSERT_TRUE(GetWindowRect(target->hwnd, &window));
    // The frame around the window tells that the finder has it.
    auto framed = [&] {
        HWND frame = FindProcessWindow(run.child.pid, "PanelShepherdCaptureOverlay");
        RECT r;
        return frame && IsWindowVisible(frame) && GetWindowRect(frame, &r) && EqualRect(&r, &window);
    };
    ASSERT_TRUE(DragMouse(Centre(finder), Centre(window), framed)) << "the window is framed";
    ASSERT_TRUE(WaitForOutline("Picked\n  Pick Target\n")) << Outline();
    RemoteTreeItem item;
    ASSERT_TRUE(FindTreeItem(tree, "Pick Target", &item));
    EXPECT_TRUE(PumpUntil([&] { return TreeSelection(tree) == item.item; }, 5000)) << "and selected";
    EXPECT_TRUE(PumpUntil([&] { return !FindProcessWindow(run.child.pid, "PanelShepherdCaptureOverlay"); }, 5000))
        << "the frame goes";
}

//--- rules from the open windows

TEST_F(ProgramMainDialog, NewAllWindowsAndUpdateMakeAndRecaptureRulesAsTheProfileSays)
{
    ASSERT_TRUE(WriteProfile({PlainRule("Upd Anchor", 1)}, [](Profile& p) {
        p.bGenEnabled = 1;
        p.iUpdUpdateMode = 0;   // update re-captures and makes nothing
        p.pTemplates->count = 0;
        RuleTemplate t = TitleTemplate("Updates", 0, "Upd", CMP_STARTS_WITH);
        ArrayAppend(p.pTemplates, &t);
    }));
    ASSERT_TRUE(OpenDialog());
    ASSERT_TRUE(WaitForOutline("Upd Anchor\n")) << Outline();
    TestWindow* anchor = Open("--title \"Upd Anchor\" --rect 100,100,400,300");
    TestWindow* fresh = Open("--title \"Upd Fresh\" --rect 40,500,300,200");
    ASSERT_NE(std::string::npos, WaitForWindowLine("NEW", fresh->hwnd, 0)) << Log();
    ASSERT_TRUE(TestWindowStep(anchor, "move 150 160"));
    ASSERT_NE(std::string::npos, WaitForWindowLine("POS", anchor->hwnd, 0)) << Log();
    const std::string updating = "PRF: Updating Profile (Test)";

    ASSERT_TRUE(ClickControl(dialog, IDB_MAIN_NEW));
    ASSERT_TRUE(WaitForOutline("Upd Anchor\nUpd Fresh\n")) << Outline();
    EXPECT_EQ(1, CountLogLine(updating));
    ASSERT_TRUE(ApplyAndRead(0, [](const Profile& p) { return p.pRules->count == 2; }));
    EXPECT_EQ(VALUE_ANY, RuleNamed(saved, "Upd Anchor")->x) << "New makes rules, re-captures none";
    EXPECT_EQ(40, RuleNamed(saved, "Upd Fresh")->x);

    ASSERT_TRUE(ClickControl(dialog, IDB_MAIN_ALLWINDOWS));
    ASSERT_TRUE(WaitForLogLine(updating, 2));
    ASSERT_TRUE(ApplyAndRead(0, [](const Profile& p) { return RuleNamed(p, "Upd Anchor")->x == 150; }))
        << "All Windows re-captures";

    size_t before = Log().size();
    ASSERT_TRUE(TestWindowStep(anchor, "move 170 180"));
    ASSERT_NE(std::string::npos, WaitForWindowLine("POS", anchor->hwnd, before)) << Log();
    TestWindow* later = Open("--title \"Upd Later\" --rect 40,300,200,100");
    ASSERT_NE(std::string::npos, WaitForWindowLine("NEW", later->hwnd, 0)) << Log();
    ASSERT_TRUE(ClickControl(dialog, IDB_MAIN_UPDATE));
    ASSERT_TRUE(WaitForLogLine(updating, 3));
    ASSERT_TRUE(ApplyAndRead(0, [](const Profile& p) { return RuleNamed(p, "Upd Anchor")->x == 170; }))
        << "Update in mode 0 re-captures";
    EXPECT_EQ(nullptr, RuleNamed(saved, "Upd Later")) << "and makes nothing";

    // With the profile disabled the three do nothing: only the New after
    // enabling it again counts.
    ASSERT_TRUE(ClickControl(dialog, IDX_MAIN_ENABLED));
    ASSERT_TRUE(ClickControl(dialog, IDB_MAIN_NEW));
    ASSERT_TRUE(ClickControl(dialog, IDB_MAIN_ALLWINDOWS));
    ASSERT_TRUE(ClickControl(dialog, IDX_MAIN_ENABLED));
    ASSERT_TRUE(ClickControl(dialog, IDB_MAIN_NEW));
    ASSERT_TRUE(WaitForOutline("Upd Anchor\nUpd Fresh\nUpd Later\n")) << Outline();
    EXPECT_EQ(4, CountLogLine(updating));
}

//--- the profile box

TEST_F(ProgramMainDialog, ChoosingAProfileSwitchesAndExecutesItButNotWithCtrlHeld)
{
    auto enabled = [](Profile& p) {
        p.bGenEnabled = 1;
        p.bGenEnableOnLoad = 1;
    };
    ASSERT_TRUE(WriteProfiles({{"Alpha", enabled, {PlainRule("Only In Alpha", 1)}},
                               {"Beta", enabled, {PlainRule("Only In Beta", 1)}}}));
    ASSERT_TRUE(OpenDialog());
    ASSERT_TRUE(WaitForOutline("Only In Alpha\n")) << Outline();
    ASSERT_EQ(1, CountLogLine("PRF: Applying Profile (Alpha)")) << "at start-up";

    ASSERT_TRUE(ChooseComboRow(dialog, IDCB_MAIN_PROFILE, 1));
    ASSERT_TRUE(WaitForLogLine("PRF: Switching Profile (Beta)"));
    ASSERT_TRUE(WaitForLogLine("PRF: Applying Profile (Beta)"));
    ASSERT_TRUE(WaitForOutline("Only In Beta\n")) << Outline();

    // Wine answers GetAsyncKeyState from a thread's cache for 50 ms after a
    // key was last read: the user's Ctrl comes later than that.
    // A window that takes the focus has Wine read the keyboard state back
    // from X, which never saw the injected key: it goes down again until seen.
    ULONGLONG chosen = GetTickCount64();
    ASSERT_TRUE(HoldKey(VK_CONTROL, true));
    ASSERT_TRUE(PumpUntil(
        [&] {
            if (GetAsyncKeyState(VK_CONTROL) & 0x8000) return GetTickCount64() - chosen > 100;
            HoldKey(VK_CONTROL, true);
            return false;
        },
        5000));
    ASSERT_TRUE(ChooseComboRow(dialog, IDCB_MAIN_PROFILE, 0));
    ASSERT_TRUE(WaitForLogLine("PRF: Switching Profile (Alpha)", 2));
    ASSERT_TRUE(WaitForOutline("Only In Alpha\n")) << Outline();
    ASSERT_TRUE(HoldKey(VK_CONTROL, false));
    // Beta once more, with its line: Alpha's switch left no line of applying after it.
    ASSERT_TRUE(ChooseComboRow(dialog, IDCB_MAIN_PROFILE, 1));
    ASSERT_TRUE(WaitForLogLine("PRF: Applying Profile (Beta)", 2));
    EXPECT_EQ(1, CountLogLine("PRF: Applying Profile (Alpha)")) << Log();
    EXPECT_EQ(1, ComboSelection(DialogControl(dialog, IDCB_MAIN_PROFILE)));
}

//--- a long run of edits while the worker makes rules

TEST_F(ProgramMainDialog, HundredsOfEditsWhileWindowsAppearLeaveASoundProgramAndProfile)
{
    std::vector<Rule> rules = {GroupRule("Group A", 1)};
    for (const char* n : {"a1", "a2", "a3", "a4"}) rules.push_back(PlainRule(n, 2));
    rules.push_back(GroupRule("Group B", 1));
    for (const char* n : {"b1", "b2", "b3"}) rules.push_back(PlainRule(n, 2));
    for (const char* n : {"r1", "r2", "r3", "r4"}) rules.push_back(PlainRule(n, 1));
    ASSERT_TRUE(WriteProfile(rules, [](Profile& p) {
        p.bGenEnabled = 1;
        p.bTmpAutoCreate = 1;
        p.pTemplates->count = 0;
        RuleTemplate t = TitleTemplate("Stress", RULE_ITEM_AUTOCREATE, "Stress", CMP_STARTS_WITH);
        ArrayAppend(p.pTemplates, &t);
    }));
    ASSERT_TRUE(OpenDialog());
    ASSERT_TRUE(PumpUntil([&] { return ReadTree(tree).size() == rules.size(); }, 10000));

    uint32_t seed = 12345;
    auto next = [&](uint32_t n) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) % n;
    };
    static const int kCommands[] = {1201, 1206, 1207, 1207, 1208, 1204, 1203, CMD_EXPAND_ALL, CMD_COLLAPSE_ALL};
    int windowNumber = 0, drags = 0;
    for (int edit = 0; edit < 300; edit++) {
        std::vector<RemoteTreeItem> items = ReadTree(tree);
        ASSERT_FALSE(items.empty()) << "edit " << edit;
        if (edit % 15 == 0) {
            // A new window for the worker to make a rule of, the oldest one gone.
            if (windows.size() >= 6) {
                StopTestWindow(windows.front().get());
                windows.erase(windows.begin());
            }
            windowNumber++;
            Open("--title \"Stress " + std::to_string(windowNumber) + "\" --rect " +
                 std::to_string(20 + 10 * (windowNumber % 8)) + ",20,220,140");
        }
        if (edit % 25 == 12 && items.size() > 2) {
            // Between two items on screen: collapsed or scrolled-away ones have no place.
            std::vector<std::pair<HTREEITEM, RECT>> shown;
            RECT view;
            GetWindowRect(tree, &view);
            for (const RemoteTreeItem& i : items) {
                RECT r;
                if (TreeItemRect(tree, i.item, true, &r) && r.top >= view.top && r.bottom <= view.bottom)
                    shown.push_back({i.item, r});
            }
            if (shown.size() >= 2) {
                RECT a = shown[next((uint32_t)shown.size())].second;
                RECT b = shown[next((uint32_t)shown.size())].second;
                POINT target = {b.left + 4, b.top + 1};
                DragMouse(Centre(a), target, [&] { return DragChild("ZRPDragImageClass") != nullptr; }, 2000);
                PumpUntil([&] { return !DragChild("ZRPDragImageClass"); }, 5000);
                drags++;
            }
            continue;
        }
        SelectTreeItem(tree, items[next((uint32_t)items.size())].item);
        int command = kCommands[next(sizeof(kCommands) / sizeof(kCommands[0]))];
        if (command == 1208 && items.size() < 12) command = 1207;
        if (command == 1207 && items.size() > 150) command = 1208;
        TreeCommand(command);
        if (command == 1203) {
            // The new group's name is being edited: the edit is ended unchanged.
            DWORD_PTR edit = 0;
            PumpUntil(
                [&] {
                    SendMessageTimeoutA(tree, TVM_GETEDITCONTROL, 0, 0, SMTO_ABORTIFHUNG, 5000, &edit);
                    return edit != 0;
                },
                5000);
            DWORD_PTR ignored;
            SendMessageTimeoutA(tree, TVM_ENDEDITLABELNOW, TRUE, 0, SMTO_ABORTIFHUNG, 5000, &ignored);
        }
        if (edit % 10 == 9) ClickControl(dialog, IDB_MAIN_REFRESH);
    }
    EXPECT_GE(drags, 8);

    ASSERT_TRUE(Running());
    ASSERT_TRUE(IsWindowVisible(dialog));
    // The tree, refilled once the queue is through, shows the saved rules.
    ULONGLONG applied = 0;
    ASSERT_TRUE(PumpUntil(
        [&] {
            if (GetTickCount64() - applied >= 500) {
                ClickControl(dialog, IDB_MAIN_APPLY);
                applied = GetTickCount64();
            }
            FreeProfileLists(&saved);
            if (!ReadProfile(0, &saved) || !saved.pRules) return false;
            std::string fromFile;
            for (int i = 0; i < saved.pRules->count; i++) {
                const Rule& r = saved.pRules->data[i];
                fromFile += std::string(2 * (r.level > 1 ? r.level - 1 : 0), ' ') + r.name + "\n";
            }
            return fromFile == Outline();
        },
        20000))
        << Outline();
    EXPECT_GT(saved.pRules->count, 0);
    bool madeByWorker = false;
    for (int i = 0; i < saved.pRules->count; i++)
        if (strncmp(saved.pRules->data[i].name, "Stress ", 7) == 0) madeByWorker = true;
    EXPECT_TRUE(madeByWorker) << "the worker made rules meanwhile";
    ASSERT_TRUE(ClickAndWaitGone(IDOK));
    EXPECT_EQ(0, Quit());
}


//--- Find Next, Exp, About and Quit

TEST_F(ProgramMainDialog, FindNextSearchesTheNamesFromTheSelectionRoundToTheStart)
{
    ASSERT_TRUE(WriteProfile({GroupRule("Dialogs", 1), PlainRule("Main Dialog", 2), PlainRule("Editor", 2),
                              PlainRule("List DIALOG", 1)}));
    ASSERT_TRUE(OpenDialog());
    ASSERT_TRUE(WaitForOutline("Dialogs\n  Main Dialog\n  Editor\nList DIALOG\n")) << Outline();
    ASSERT_TRUE(SetControlText(DialogControl(dialog, IDE_MAIN_SEARCH), "dialog"));
    auto selected = [&] {
        HTREEITEM item = TreeSelection(tree);
        for (const RemoteTreeItem& i : ReadTree(tree))
            if (i.item == item) return i.text;
        return std::string();
    };
    // Without a selection from the first rule; then on after the selected
    // one, round to the start; any case.
    for (const char* want : {"Dialogs", "Main Dialog", "List DIALOG", "Dialogs", "Main Dialog"}) {
        SCOPED_TRACE(want);
        ASSERT_TRUE(ClickControl(dialog, IDB_MAIN_FINDNEXT));
        EXPECT_TRUE(PumpUntil([&] { return selected() == want; }, 5000)) << selected();
    }
    // A text no name contains leaves the selection alone: neither cleared nor
    // moved to the first rule, the next one or the last one visited. A marker
    // posted behind the click shows when the dialog has taken it.
    HWND search = DialogControl(dialog, IDE_MAIN_SEARCH);
    ASSERT_TRUE(SetControlText(search, "nowhere"));
    ASSERT_TRUE(ClickControl(dialog, IDB_MAIN_FINDNEXT));
    ASSERT_TRUE(PostMessageA(search, EM_SETSEL, 2, 5));
    ASSERT_TRUE(PumpUntil(
        [&] {
            DWORD_PTR range = 0;
            SendMessageTimeoutA(search, EM_GETSEL, 0, 0, SMTO_ABORTIFHUNG, 5000, &range);
            return LOWORD(range) == 2 && HIWORD(range) == 5;
        },
        5000));
    EXPECT_EQ("Main Dialog", selected());
    ASSERT_TRUE(SetControlText(search, "edit"));
    ASSERT_TRUE(ClickControl(dialog, IDB_MAIN_FINDNEXT));
    EXPECT_TRUE(PumpUntil([&] { return selected() == "Editor"; }, 5000)) << selected();
}

TEST_F(ProgramMainDialog, ExpExecutesAboutOpensTheAboutBoxAndQuitSavesAndEnds)
{
    ASSERT_TRUE(WriteProfile({PlainRule("Only Rule", 1)}, [](Profile& p) { p.bGenEnabled = 1; }));
    ASSERT_TRUE(OpenDialog());
    ASSERT_TRUE(WaitForOutline("Only Rule\n")) << Outline();

    ASSERT_TRUE(ClickControl(dialog, IDB_MAIN_EXECUTE));
    EXPECT_TRUE(WaitForLogLine("PRF: Executing Profile (Test)"));
    EXPECT_TRUE(WaitForLogLine("PRF: Applying Profile (Test)", 2)) << "once at start-up, once now";

    ASSERT_TRUE(ClickControl(dialog, IDB_MAIN_ABOUT));
    // Its caption is the product name, as the main dialog's is.
    HWND about = WaitForOwnedDialog(dialog);
    ASSERT_NE(nullptr, about) << "over the main dialog";
    EXPECT_NE(nullptr, DialogControl(about, IDB_ABOUT_RESTORE));
    ASSERT_TRUE(ClickControl(about, IDOK));
    ASSERT_TRUE(WaitForWindowGone(about));

    HTREEITEM item = FindTreeItem(tree, "Only Rule");
    DWORD_PTR edit = 0;
    ASSERT_TRUE(SendMessageTimeoutA(tree, TVM_EDITLABELA, 0, (LPARAM)item, SMTO_ABORTIFHUNG, 5000, &edit));
    ASSERT_TRUE(SetControlText((HWND)edit, "Renamed Before Quit"));
    DWORD_PTR ignored;
    SendMessageTimeoutA(tree, TVM_ENDEDITLABELNOW, FALSE, 0, SMTO_ABORTIFHUNG, 5000, &ignored);
    ASSERT_TRUE(WaitForOutline("Renamed Before Quit\n")) << Outline();
    ASSERT_TRUE(ClickControl(dialog, IDB_MAIN_QUIT));
    EXPECT_EQ(0, WaitProcess(&run.child, 20000)) << "the program ends";
    Profile p = {};
    ASSERT_TRUE(ReadProfile(0, &p));
    EXPECT_EQ("Renamed Before Quit:1\n", Levels(p)) << "the rename is saved";
    FreeProfileLists(&p);
}

}  // namespace
