// ProfilesDialogE2ETest.cpp - the running program's Profiles dialog driven
// from its main dialog: adding in name order and saving in byte order,
// copying without hotkeys, deleting and discarding only when asked, a hotkey
// that cannot be had, export and import of ".prfexp" files (whole, with
// scripts switched off unless allowed, bad files refused), and OK while the
// worker makes rules in the current profile. Profile Settings is answered
// through the seams program; what is saved is read back with the program's
// own reader.
#include "engine/ProfileStore.h"
#include "framework/core/ConfigRecord.h"
#include "framework/core/TextUtil.h"
#include "tests/engine/RuleTestUtil.h"
#include "tests/support/DialogDriver.h"
#include "tests/support/ListRowReader.h"
#include "tests/support/ProgramFixture.h"
#include "ui/MainDialogRes.h"
#include "ui/ProfilesDialog.h"
#include "ui/ProfilesDialogRes.h"

#include <functional>
#include <string>
#include <vector>

namespace {

const char kCaption[] = "PanelShepherd";
const char kDiscard[] = "Are you sure you want to discard the changes?";
const char kDelete[] = "Are you sure you want to delete the profile?";
const char kScripts[] = "The imported rules contain command scripts. Enable them?";

Rule GroupRule(const char* name)
{
    Rule g;
    InitRule(&g);
    g.item = RULE_ITEM_GROUP | RULE_ITEM_EXPANDED;
    g.level = 1;
    CopyText(g.name, sizeof(g.name), name);
    return g;
}

Rule PlainRule(const char* name, uint8_t level)
{
    Rule r = TitleRule(name, name, CMP_EQUALS);
    r.level = level;
    return r;
}

std::string Join(const std::vector<std::string>& parts)
{
    std::string out;
    for (const std::string& p : parts) out += (out.empty() ? "" : ",") + p;
    return out;
}

// The rules' names, in order.
std::string RuleNames(const Profile& p)
{
    std::string out;
    for (int i = 0; p.pRules && i < p.pRules->count; i++) out += std::string(p.pRules->data[i].name) + " ";
    return out;
}

// "name:level" of every rule, in order.
std::string RuleLevels(const Profile& p)
{
    std::string out;
    for (int i = 0; p.pRules && i < p.pRules->count; i++)
        out += std::string(p.pRules->data[i].name) + ":" + std::to_string(p.pRules->data[i].level) + " ";
    return out;
}

class ProfilesDialogProgram : public ProgramTest {
protected:
    void TearDown() override
    {
        ProgramTest::TearDown();
        for (Profile& p : saved) FreeProfileLists(&p);
    }

    // The seams program running, its main dialog opened by a second start.
    bool OpenMainDialog()
    {
        if (!Running() && !Start("-MINIMIZE", "PanelShepherdSeams.exe")) return false;
        long code = -1;
        for (int attempt = 0; attempt < 3 && code != 0; attempt++) code = RunProgramToEnd("");
        if (code != 0) return false;
        PumpUntil(
            [&] {
                dialog = FindDialog(run.child.pid, kCaption);
                return dialog && DialogControl(dialog, IDTV_MAIN_RULES);
            },
            15000);
        return dialog && DialogControl(dialog, IDTV_MAIN_RULES);
    }
    bool OpenProfiles()
    {
        profiles = nullptr;
        if (!ClickControl(dialog, IDB_MAIN_PROFILES)) return false;
        PumpUntil(
            [&] {
                profiles = FindDialog(run.child.pid, "Profiles");
                return profiles && DialogControl(profiles, IDL_PROFILES_LIST);
            },
            15000);
        return profiles && DialogControl(profiles, IDL_PROFILES_LIST);
    }
    bool CloseProfiles(int button)
    {
        HWND shown = profiles;
        return ClickControl(profiles, button) && WaitForWindowGone(shown, 15000);
    }
    std::vector<RemoteListRecord<ProfileRow>> RowRecords() const
    {
        return ReadListRecords<ProfileRow>(DialogControl(profiles, IDL_PROFILES_LIST));
    }
    std::string Rows() const
    {
        std::vector<std::string> names;
        for (const auto& r : RowRecords()) names.push_back(r.record.name);
        return Join(names);
    }
    std::string SelectedRow() const
    {
        for (const auto& r : RowRecords())
            if (r.selected) return r.record.name;
        return "";
    }
    bool WaitForRows(const std::string& want) const
    {
        return PumpUntil([&] { return Rows() == want; }, 10000);
    }
    bool SelectRow(const std::string& name)
    {
        auto rows = RowRecords();
        for (size_t i = 0; i < rows.size(); i++) {
            if (name != rows[i].record.name) continue;
            SendMessageA(ListRowBox(DialogControl(profiles, IDL_PROFILES_LIST)), LB_SETCURSEL, i, 0);
            return SelectedRow() == name;
        }
        return false;
    }
    // What the seams program answers from now on.
    bool Answer(const std::string& lines) { return WriteWholeFileText(Data("TestSeams.txt"), lines); }
    int Calls(const std::string& line) const
    {
        return CountOf(ReadWholeFile(Data("TestSeamsCalls.txt")), line + "\n");
    }
    bool WaitForCalls(const std::string& line, int count) const
    {
        return PumpUntil([&] { return Calls(line) >= count; }, 10000);
    }
    // Presses the button and answers the box it shows; its text, or "" when none came.
    std::string ClickAndAnswer(int button, int answer)
    {
        if (!ClickControl(profiles, button)) return "";
        HWND box = WaitForMessageBox(run.child.pid, kCaption);
        if (!box) return "";
        std::string text = ReadMessageBoxText(box);
        AnswerMessageBox(box, answer);
        WaitForWindowGone(box);
        return text;
    }
    std::string Combo() const { return Join(ComboItems(DialogControl(dialog, IDCB_MAIN_PROFILE))); }
    // Apply, then every profile file read back once names (in file order) are written.
    bool ApplyAndRead(const std::string& names)
    {
        if (!ClickControl(dialog, IDB_MAIN_APPLY)) return false;
        return PumpUntil(
            [&] {
                for (Profile& p : saved) FreeProfileLists(&p);
                saved.clear();
                std::vector<std::string> read;
                for (int i = 0; FileExists(ProfilePath(i)); i++) {
                    saved.push_back(Profile{});
                    if (!ReadProfile(i, &saved.back())) return false;
                    read.push_back(saved.back().szGenName);
                }
                return Join(read) == names;
            },
            15000);
    }
    const Profile& SavedNamed(const std::string& name) const
    {
        for (const Profile& p : saved)
            if (name == p.szGenName) return p;
        static const Profile kNone = {};
        return kNone;
    }
    // A ".prfexp" file in the data folder as the program writes one.
    bool WriteExport(const std::string& file, const std::function<void(Profile&)>& configure)
    {
        Profile p = {};
        bool ok = InitProfile(&p, false);
        if (ok) configure(p);
        ok = ok && SaveProfileFile(file, &p);
        FreeProfileLists(&p);
        return ok;
    }

    HWND dialog = nullptr;     // the main dialog
    HWND profiles = nullptr;   // the Profiles dialog
    std::vector<Profile> saved;
};

//--- the list and its order

TEST_F(ProfilesDialogProgram, AddedProfilesShowInNameOrderAndAreSavedInByteOrderAfterOk)
{
    ASSERT_TRUE(WriteProfiles({{"Default", nullptr, {PlainRule("Kept", 1)}}}));
    ASSERT_TRUE(OpenMainDialog());
    ASSERT_TRUE(OpenProfiles());
    ASSERT_TRUE(WaitForRows("Default")) << Rows();
    EXPECT_EQ("Default", SelectedRow()) << "the current profile is selected";

    // While the dialog is open, case does not order the names.
    const struct {
        const char* name;
        const char* rows;
        const char* selected;
    } kAdds[] = {
        {"beta", "beta,Default", "beta"},
        {"Alpha", "Alpha,beta,Default", "Alpha"},
        {"beta", "Alpha,beta,beta (Copy),Default", "beta (Copy)"},   // a taken name is made unique
    };
    for (const auto& add : kAdds) {
        SCOPED_TRACE(add.name);
        ASSERT_TRUE(Answer(std::string("settings=ok\nsettingsname=") + add.name + "\n"));
        ASSERT_TRUE(ClickControl(profiles, IDB_PROFILES_ADD));
        ASSERT_TRUE(WaitForRows(add.rows)) << Rows();
        EXPECT_EQ(add.selected, SelectedRow()) << "the new profile is selected";
    }
    // Profile Settings ended with Cancel adds nothing.
    ASSERT_TRUE(Answer(""));
    ASSERT_TRUE(ClickControl(profiles, IDB_PROFILES_ADD));
    ASSERT_TRUE(WaitForCalls("settings ", 4));
    EXPECT_EQ("Alpha,beta,beta (Copy),Default", Rows());

    ASSERT_TRUE(CloseProfiles(IDOK));
    // The program's list is in byte order: upper case before lower case.
    ASSERT_TRUE(PumpUntil([&] { return Combo() == "Alpha,Default,beta,beta (Copy)"; }, 10000)) << Combo();
    EXPECT_EQ(1, ComboSelection(DialogControl(dialog, IDCB_MAIN_PROFILE))) << "Default stays current";
    ASSERT_TRUE(ApplyAndRead("Alpha,Default,beta,beta (Copy)"));
    EXPECT_EQ("Kept:1 ", RuleLevels(SavedNamed("Default")));
}

TEST_F(ProfilesDialogProgram, CopyDropsTheHotkeysDelAsksFirstAndCancelAsksOnlyAfterAChange)
{
    auto keys = [](Profile& p) {
        p.bTrgHotKey = p.bTrgHotKeyWin = p.bUpdHotKey = 1;
        p.iTrgHotKey = 0x0675;      // Ctrl+Shift+F6
        p.iTrgHotKeyWin = 0x0676;   // Ctrl+Shift+F7
        p.iUpdHotKey = 0x0677;      // Ctrl+Shift+F8
    };
    ASSERT_TRUE(WriteProfiles({{"Default", keys, {PlainRule("One", 1)}}, {"Work"}}));
    ASSERT_TRUE(OpenMainDialog());
    ASSERT_TRUE(OpenProfiles());
    ASSERT_TRUE(WaitForRows("Default,Work")) << Rows();

    // Profile Settings closed with OK on an unchanged profile is no change.
    ASSERT_TRUE(Answer("settings=ok\n"));
    ASSERT_TRUE(SelectRow("Default"));
    ASSERT_TRUE(ClickControl(profiles, IDB_PROFILES_EDIT));
    ASSERT_TRUE(WaitForCalls("settings Default", 1));
    ASSERT_TRUE(CloseProfiles(IDCANCEL)) << "closed without asking";

    ASSERT_TRUE(OpenProfiles());
    ASSERT_TRUE(WaitForRows("Default,Work")) << Rows();
    ASSERT_TRUE(SelectRow("Default"));
    ASSERT_TRUE(ClickControl(profiles, IDB_PROFILES_COPY));
    ASSERT_TRUE(WaitForRows("Default,Default (Copy),Work")) << Rows();
    EXPECT_EQ(1, Calls("settings Default (Copy)")) << "the settings open on the copy";

    ASSERT_TRUE(SelectRow("Work"));
    EXPECT_EQ(kDelete, ClickAndAnswer(IDB_PROFILES_DELETE, IDNO));
    EXPECT_EQ("Default,Default (Copy),Work", Rows()) << "No keeps it";
    EXPECT_EQ(kDelete, ClickAndAnswer(IDB_PROFILES_DELETE, IDYES));
    ASSERT_TRUE(WaitForRows("Default,Default (Copy)")) << Rows();

    EXPECT_EQ(kDiscard, ClickAndAnswer(IDCANCEL, IDNO));
    ASSERT_TRUE(FindDialog(run.child.pid, "Profiles")) << "No stays";
    ASSERT_TRUE(CloseProfiles(IDOK));
    ASSERT_TRUE(PumpUntil([&] { return Combo() == "Default,Default (Copy)"; }, 10000)) << Combo();
    ASSERT_TRUE(ApplyAndRead("Default,Default (Copy)"));
    const Profile& original = SavedNamed("Default");
    const Profile& copy = SavedNamed("Default (Copy)");
    EXPECT_EQ(0x0675, original.iTrgHotKey);
    EXPECT_EQ(0x0677, original.iUpdHotKey);
    EXPECT_EQ(0, copy.iTrgHotKey);
    EXPECT_EQ(0, copy.iTrgHotKeyWin);
    EXPECT_EQ(0, copy.iUpdHotKey);
    EXPECT_EQ("One:1 ", RuleLevels(copy)) << "the rules are copied";
}

TEST_F(ProfilesDialogProgram, AHotkeyThatCannotBeRegisteredIsNamedAndNothingChanges)
{
    ASSERT_TRUE(WriteProfiles({{"Default"}, {"Work"}}));
    ASSERT_TRUE(OpenMainDialog());
    // Another program holds Ctrl+Alt+F9.
    ASSERT_TRUE(RegisterHotKey(nullptr, 77, MOD_CONTROL | MOD_ALT, VK_F9));
    ASSERT_TRUE(OpenProfiles());
    ASSERT_TRUE(WaitForRows("Default,Work")) << Rows();
    ASSERT_TRUE(Answer("settings=ok\nsettingshotkey=0378\n"));
    ASSERT_TRUE(SelectRow("Work"));
    ASSERT_TRUE(ClickControl(profiles, IDB_PROFILES_EDIT));
    ASSERT_TRUE(WaitForCalls("settings Work", 1));
    std::string said = ClickAndAnswer(IDOK, IDOK);
    UnregisterHotKey(nullptr, 77);
    EXPECT_NE(std::string::npos, said.find("of the profile \"Work\" could not be registered")) << said;
    ASSERT_TRUE(FindDialog(run.child.pid, "Profiles")) << "the dialog stays open";
    EXPECT_EQ(kDiscard, ClickAndAnswer(IDCANCEL, IDYES));
    ASSERT_TRUE(WaitForWindowGone(profiles));
    ASSERT_TRUE(ApplyAndRead("Default,Work"));
    EXPECT_EQ(0, SavedNamed("Work").iTrgHotKey);
}

TEST_F(ProfilesDialogProgram, TheMainDialogFollowsOkAndItsCancelPutsTheOldListBack)
{
    ASSERT_TRUE(WriteProfiles({{"Home", nullptr, {PlainRule("Home Rule", 1)}},
                               {"Work", nullptr, {PlainRule("Work Rule", 1)}}},
                              1));
    ASSERT_TRUE(OpenMainDialog());
    HWND tree = DialogControl(dialog, IDTV_MAIN_RULES);
    ASSERT_TRUE(PumpUntil([&] { return TreeOutline(ReadTree(tree)) == "Work Rule\n"; }, 10000));
    ASSERT_TRUE(OpenProfiles());
    ASSERT_TRUE(WaitForRows("Home,Work")) << Rows();
    ASSERT_TRUE(Answer("settings=ok\nsettingsname=Alpha Work\n"));
    ASSERT_TRUE(SelectRow("Work"));
    ASSERT_TRUE(ClickControl(profiles, IDB_PROFILES_EDIT));
    ASSERT_TRUE(WaitForRows("Alpha Work,Home")) << Rows();
    ASSERT_TRUE(CloseProfiles(IDOK));
    // The renamed current profile moved to the front and is still current.
    ASSERT_TRUE(PumpUntil([&] { return Combo() == "Alpha Work,Home"; }, 10000)) << Combo();
    EXPECT_EQ(0, ComboSelection(DialogControl(dialog, IDCB_MAIN_PROFILE)));
    EXPECT_TRUE(PumpUntil([&] { return TreeOutline(ReadTree(tree)) == "Work Rule\n"; }, 10000))
        << TreeOutline(ReadTree(tree));

    // The main dialog's Cancel sees the change and puts everything back.
    ASSERT_TRUE(ClickControl(dialog, IDCANCEL));
    HWND box = WaitForMessageBox(run.child.pid, kCaption);
    ASSERT_NE(nullptr, box);
    EXPECT_EQ(kDiscard, ReadMessageBoxText(box));
    ASSERT_TRUE(AnswerMessageBox(box, IDYES));
    ASSERT_TRUE(WaitForWindowGone(dialog));
    ASSERT_TRUE(OpenMainDialog());
    ASSERT_TRUE(PumpUntil([&] { return Combo() == "Home,Work"; }, 10000)) << Combo();
    EXPECT_EQ(1, ComboSelection(DialogControl(dialog, IDCB_MAIN_PROFILE)));
}

TEST_F(ProfilesDialogProgram, OkWithoutAChangeLeavesTheMainDialogsCancelNothingToAsk)
{
    ASSERT_TRUE(WriteProfiles({{"Home", nullptr, {PlainRule("Home Rule", 1)}}, {"Work"}}));
    ASSERT_TRUE(OpenMainDialog());
    ASSERT_TRUE(OpenProfiles());
    ASSERT_TRUE(WaitForRows("Home,Work")) << Rows();
    ASSERT_TRUE(Answer("settings=ok\n"));
    ASSERT_TRUE(SelectRow("Home"));
    ASSERT_TRUE(ClickControl(profiles, IDB_PROFILES_EDIT));
    ASSERT_TRUE(WaitForCalls("settings Home", 1));
    ASSERT_TRUE(CloseProfiles(IDOK));
    ASSERT_TRUE(PumpUntil([&] { return Combo() == "Home,Work"; }, 10000)) << Combo();
    HWND shown = dialog;
    ASSERT_TRUE(ClickControl(dialog, IDCANCEL));
    // A question would keep it open until answered.
    EXPECT_TRUE(WaitForWindowGone(shown)) << "closed without a question";
}

//--- export and import

TEST_F(ProfilesDialogProgram, AnExportedProfileImportsWholeUnderAUniqueName)
{
    auto work = [](Profile& p) {
        p.bAdvPurgeOld = 0;
        p.iUpdUpdateMode = 3;
        CopyText(p.szTrgNetIPMask, sizeof(p.szTrgNetIPMask), "10.1.*");
        p.pTemplates->count = 0;
        RuleTemplate t = TitleTemplate("Work Windows", RULE_ITEM_AUTOCREATE, "Work", CMP_STARTS_WITH);
        ArrayAppend(p.pTemplates, &t);
        p.bGenRestoreIcons = 1;
        DesktopIconEntry icons[] = {{"Recycle Bin", {10, 20}}, {"Documents", {30, 40}}};
        for (const DesktopIconEntry& e : icons) ArrayAppend(p.pIcons, &e);
        p.bGenRestoreExpWin = 1;
        ExplorerWindowEntry windows[] = {{1, "explorer.exe", "C:\\First"}, {1, "explorer.exe", "C:\\Second"}};
        for (const ExplorerWindowEntry& e : windows) ArrayAppend(p.pExpWin, &e);
    };
    ASSERT_TRUE(WriteProfiles(
        {{"Default"}, {"Work", work, {GroupRule("Apps"), PlainRule("Editor", 2), PlainRule("Mail", 2)}}}));
    ASSERT_TRUE(OpenMainDialog());
    ASSERT_TRUE(OpenProfiles());
    ASSERT_TRUE(WaitForRows("Default,Work")) << Rows();
    std::string file = Data("Work.prfexp");
    ASSERT_TRUE(Answer("save=" + file + "\nopen=" + file + "\n"));
    ASSERT_TRUE(SelectRow("Work"));
    ASSERT_TRUE(ClickControl(profiles, IDB_PROFILES_EXPORT));
    ASSERT_TRUE(WaitForCalls("save Work", 1)) << "named after the profile";
    ASSERT_TRUE(PumpUntil([&] { return FileExists(file); }, 10000));
    ASSERT_TRUE(ClickControl(profiles, IDB_PROFILES_IMPORT));
    ASSERT_TRUE(WaitForRows("Default,Work,Work (Copy)")) << Rows();
    ASSERT_TRUE(CloseProfiles(IDOK));
    ASSERT_TRUE(ApplyAndRead("Default,Work,Work (Copy)"));

    const Profile& a = SavedNamed("Work");
    const Profile& b = SavedNamed("Work (Copy)");
    EXPECT_EQ("Apps:1 Editor:2 Mail:2 ", RuleLevels(b));
    EXPECT_EQ(RuleLevels(a), RuleLevels(b));
    ASSERT_EQ(1, b.pTemplates->count);
    EXPECT_STREQ("Work Windows", b.pTemplates->data[0].match.name);
    EXPECT_STREQ("Work", b.pTemplates->data[0].match.caption);
    ASSERT_EQ(2, b.pIcons->count);
    EXPECT_STREQ("Documents", b.pIcons->data[1].name);
    EXPECT_EQ(30, b.pIcons->data[1].pt.x);
    EXPECT_EQ(40, b.pIcons->data[1].pt.y);
    ASSERT_EQ(2, b.pExpWin->count);
    EXPECT_STREQ("C:\\First", b.pExpWin->data[0].args);
    EXPECT_STREQ("C:\\Second", b.pExpWin->data[1].args);
    EXPECT_EQ(1, b.bGenRestoreIcons);
    EXPECT_EQ(1, b.bGenRestoreExpWin);
    EXPECT_EQ(3, b.iUpdUpdateMode);
    EXPECT_STREQ("10.1.*", b.szTrgNetIPMask);
}

TEST_F(ProfilesDialogProgram, ImportedScriptsRunOnlyWhenTheUserAllowsThem)
{
    auto scripted = [](const char* name, const char* program) {
        return [name, program](Profile& p) {
            CopyText(p.szGenName, sizeof(p.szGenName), name);
            p.bAdvPurgeOld = 0;
            p.bTrgHotKey = 1;
            p.iTrgHotKey = 0x0679;   // taken over from nowhere: cleared on import
            p.bAdvCmdEnable[0] = 1;  // on activation
            FormatText(p.szAdvCmdText[0], sizeof(p.szAdvCmdText[0]), "RUN( \"%s\" , \"\" , 1 )", program);
            Rule r = PlainRule("Scripted Rule", 1);
            r.cmdactive = 1;
            r.cmdenable[0] = 1;
            FormatText(r.cmdtext[0], sizeof(r.cmdtext[0]), "RUN( \"%s\" , \"\" , 1 )", program);
            ArrayAppend(p.pRules, &r);
        };
    };
    ASSERT_TRUE(WriteProfiles({{"Default"}}));
    ASSERT_TRUE(WriteExport("Refused.prfexp", scripted("Refused", "refused.exe")));
    ASSERT_TRUE(WriteExport("Allowed.prfexp", scripted("Allowed", "allowed.exe")));
    ASSERT_TRUE(OpenMainDialog());
    ASSERT_TRUE(OpenProfiles());
    ASSERT_TRUE(WaitForRows("Default")) << Rows();
    const struct {
        const char* file;
        int answer;
        const char* rows;
    } kImports[] = {{"Refused.prfexp", IDNO, "Default,Refused"}, {"Allowed.prfexp", IDYES, "Allowed,Default,Refused"}};
    for (const auto& imp : kImports) {
        SCOPED_TRACE(imp.file);
        ASSERT_TRUE(Answer("open=" + Data(imp.file) + "\n"));
        EXPECT_EQ(0u, ClickAndAnswer(IDB_PROFILES_IMPORT, imp.answer).find(kScripts));
        ASSERT_TRUE(WaitForRows(imp.rows)) << Rows();
    }
    ASSERT_TRUE(CloseProfiles(IDOK));
    ASSERT_TRUE(PumpUntil([&] { return Combo() == "Allowed,Default,Refused"; }, 10000)) << Combo();

    // Switched to, the refused one starts nothing; the allowed one runs.
    ASSERT_TRUE(ChooseComboRow(dialog, IDCB_MAIN_PROFILE, 2));
    ASSERT_TRUE(WaitForLogLine("PRF: Switching Profile (Refused)"));
    ASSERT_TRUE(ChooseComboRow(dialog, IDCB_MAIN_PROFILE, 0));
    ASSERT_TRUE(WaitForCalls("shell allowed.exe", 1)) << Log();
    EXPECT_EQ(0, Calls("shell refused.exe"));

    ASSERT_TRUE(ApplyAndRead("Allowed,Default,Refused"));
    const Profile& refused = SavedNamed("Refused");
    const Profile& allowed = SavedNamed("Allowed");
    EXPECT_EQ(0, refused.bAdvCmdEnable[0]);
    EXPECT_EQ(0, refused.pRules->data[0].cmdenable[0]);
    EXPECT_STREQ("RUN( \"refused.exe\" , \"\" , 1 )", refused.szAdvCmdText[0]) << "the text stays";
    EXPECT_EQ(1, allowed.bAdvCmdEnable[0]);
    EXPECT_EQ(1, allowed.pRules->data[0].cmdenable[0]);
    EXPECT_EQ(0, refused.iTrgHotKey) << "an import brings no hotkey";
    EXPECT_EQ(0, allowed.iTrgHotKey);
}

TEST_F(ProfilesDialogProgram, ABadOrOversizedImportSaysSoAndChangesNothing)
{
    ASSERT_TRUE(WriteProfiles({{"Default"}}));
    std::string garbage = Data("Garbage.prfexp"), huge = Data("Huge.prfexp"), icons = Data("Icons.prfexp");
    ASSERT_TRUE(WriteWholeFileText(garbage, "this is no exported profile"));
    // Record files that claim a billion rules, and more icons than a profile may bring.
    const struct {
        const std::string& path;
        const char* key;
        const char* value;
    } kClaims[] = {{huge, "iNumRules", "1000000000"}, {icons, "iNumIcons", "5000"}};
    for (const auto& c : kClaims) {
        ConfigRecord record;
        InitConfigRecord(&record, 1, "pprf->");
        ASSERT_EQ(CFG_OK, AppendRecordLine(&record, "szGenName", "Claimed"));
        ASSERT_EQ(CFG_OK, AppendRecordLine(&record, c.key, c.value));
        ASSERT_GT(SaveRecordArchive(&record, c.path.c_str()), 0);
        ClearConfigRecord(&record);
    }
    ASSERT_TRUE(OpenMainDialog());
    ASSERT_TRUE(OpenProfiles());
    ASSERT_TRUE(WaitForRows("Default")) << Rows();
    const std::string unreadable = "The file could not be read as an exported profile; nothing was imported:\n";
    const std::string tooLarge = "The file holds more than 2000 rules, or more icons, Explorer windows or templates "
                                 "than a profile may have, or is too large; nothing was imported:\n";
    const struct {
        std::string path;
        std::string said;
    } kBad[] = {{garbage, unreadable + garbage},
                {Data("Missing.prfexp"), unreadable + Data("Missing.prfexp")},
                {huge, tooLarge + huge},
                {icons, tooLarge + icons}};
    for (const auto& bad : kBad) {
        SCOPED_TRACE(bad.path);
        ASSERT_TRUE(Answer("open=" + bad.path + "\n"));
        EXPECT_EQ(bad.said, ClickAndAnswer(IDB_PROFILES_IMPORT, IDOK));
        EXPECT_EQ("Default", Rows());
    }
    ASSERT_TRUE(CloseProfiles(IDCANCEL)) << "nothing changed: no question";
}

//--- the worker meanwhile

TEST_F(ProfilesDialogProgram, OkKeepsTheRulesTheWorkerMadeInTheCurrentProfileMeanwhile)
{
    auto storm = [](Profile& p) {
        p.bAdvPurgeOld = 0;
        p.bTmpAutoCreate = 1;
        p.pTemplates->count = 0;
        RuleTemplate t = TitleTemplate("Storm Windows", RULE_ITEM_AUTOCREATE, "Storm ", CMP_STARTS_WITH);
        ArrayAppend(p.pTemplates, &t);
    };
    ASSERT_TRUE(WriteProfiles({{"Storm", storm, {PlainRule("Anchor", 1)}}, {"Zulu"}}));
    ASSERT_TRUE(OpenMainDialog());
    int made = 0;
    auto blow = [&](int count) {
        for (int i = 0; i < count; i++) {
            made++;
            std::string title = "Storm " + std::to_string(made);
            TestWindow* w = Open("--title \"" + title + "\" --rect " + std::to_string(40 + 10 * made) + ",60,300,200");
            if (!w || !WaitForLogLine("RUL: RULE(" + title + "), " + HandleText(w->hwnd) + ", TITLE(" + title + ")"))
                return false;
        }
        return true;
    };
    // Renamed in the settings (a changed profile) while rules come and go on.
    ASSERT_TRUE(OpenProfiles());
    ASSERT_TRUE(blow(3)) << Log();
    ASSERT_TRUE(Answer("settings=ok\nsettingsname=Storm Renamed\n"));
    ASSERT_TRUE(SelectRow("Storm"));
    ASSERT_TRUE(ClickControl(profiles, IDB_PROFILES_EDIT));
    ASSERT_TRUE(WaitForRows("Storm Renamed,Zulu")) << Rows();
    ASSERT_TRUE(blow(3)) << Log();
    ASSERT_TRUE(CloseProfiles(IDOK));
    ASSERT_TRUE(PumpUntil([&] { return Combo() == "Storm Renamed,Zulu"; }, 10000)) << Combo();
    EXPECT_EQ(0, ComboSelection(DialogControl(dialog, IDCB_MAIN_PROFILE))) << "still current";

    // Unchanged, while more come.
    ASSERT_TRUE(OpenProfiles());
    ASSERT_TRUE(blow(3)) << Log();
    ASSERT_TRUE(CloseProfiles(IDOK));
    ASSERT_TRUE(ApplyAndRead("Storm Renamed,Zulu"));
    const Profile& p = SavedNamed("Storm Renamed");
    std::string want = "Anchor ";
    for (int i = 1; i <= made; i++) want += "Storm " + std::to_string(i) + " ";
    EXPECT_EQ(want, RuleNames(p));
}

}  // namespace
