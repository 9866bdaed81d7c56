// MainDialogTest.cpp - the main dialog in the test's own process, for what a
// user cannot make happen at will: the table lock held by the worker while a
// command runs, a second command arriving while the first waits for the
// lock, rules the worker makes while the tree shows older ones, a refill
// asked for in the middle of a drag, and the levels of pasted rules.
#include "engine/CommandLineCommands.h"
#include "engine/Engine.h"
#include "engine/LiveEdit.h"
#include "engine/Log.h"
#include "engine/MainDialogLink.h"
#include "engine/MonitorPass.h"
#include "engine/OptionsRecord.h"
#include "engine/ProductIds.h"
#include "engine/ProductStrings.h"
#include "engine/ProfileStore.h"
#include "engine/RuleCreate.h"
#include "engine/Rules.h"
#include "engine/WindowTable.h"
#include "framework/core/AppObject.h"
#include "framework/core/ConfigRecord.h"
#include "framework/core/DialogUtil.h"
#include "framework/core/RecordFile.h"
#include "framework/core/TextUtil.h"
#include "framework/ui/MessageBox.h"
#include "framework/ui/Theme.h"
#include "framework/ui/UIItem.h"
#include "tests/engine/RuleTestUtil.h"
#include "tests/engine/TriggerFixture.h"
#include "tests/support/TestEnv.h"
#include "tests/support/TreeItemText.h"
#include "tests/ui/InProcessDialogs.h"
#include "ui/MainDialog.h"
#include "ui/MainDialogRes.h"
#include "ui/RuleLevels.h"
#include "ui/RuleTree.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

Rule MakeRule(const char* name, uint8_t level, bool group = false)
{
    Rule r;
    InitRule(&r);
    CopyText(r.name, sizeof(r.name), name);
    r.level = level;
    if (group) r.item = RULE_ITEM_GROUP | RULE_ITEM_EXPANDED;
    return r;
}

// A rule named after the one title it takes.
Rule TitleRule(const char* title, uint8_t level)
{
    Rule r = AnyWindowRule(0);
    CopyText(r.name, sizeof(r.name), title);
    SET_CAPTION(&r, title, CMP_EQUALS);
    r.level = level;
    return r;
}

// The current profile's rules as "name:level" lines, a disabled one marked.
std::string RulesText()
{
    std::string out;
    const Profile* p = CurrentProfile();
    for (int i = 0; p && i < p->pRules->count; i++) {
        const Rule& r = p->pRules->data[i];
        out += std::string(r.name) + ":" + std::to_string(r.level) + ((r.item & RULE_ITEM_DISABLED) ? " off" : "") + "\n";
    }
    return out;
}

// Holds the table lock on a thread of its own, as the worker does in a pass.
class LockHolder {
public:
    LockHolder()
    {
        held_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        release_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        thread_ = CreateThread(nullptr, 0, Hold, this, 0, nullptr);
        WaitForSingleObject(held_, 10000);
    }
    ~LockHolder() { Release(); }
    void Release()
    {
        if (!thread_) return;
        SetEvent(release_);
        WaitForSingleObject(thread_, 10000);
        CloseHandle(thread_);
        CloseHandle(held_);
        CloseHandle(release_);
        thread_ = nullptr;
    }
    // Lets go of the lock after ms, from its own thread.
    void ReleaseAfter(DWORD ms)
    {
        delay_ = ms;
        SetEvent(release_);
    }

private:
    static DWORD WINAPI Hold(void* self)
    {
        LockHolder* h = (LockHolder*)self;
        EnterCriticalSection(&g_tableLock);
        SetEvent(h->held_);
        WaitForSingleObject(h->release_, INFINITE);
        if (h->delay_) Sleep(h->delay_);
        LeaveCriticalSection(&g_tableLock);
        return 0;
    }
    HANDLE held_ = nullptr, release_ = nullptr, thread_ = nullptr;
    volatile DWORD delay_ = 0;
};

int AnswerYes(const char*, const char*, uint32_t)
{
    return IDYES;
}

// Every framework message box's text, answered as the test says.
std::vector<std::string> g_boxTexts;
int g_boxAnswer = IDYES;
int RecordBox(const char*, const char* text, uint32_t)
{
    g_boxTexts.push_back(text);
    return g_boxAnswer;
}

// The open-file dialog answered with this path.
std::string g_chosenFile;
BOOL ChooseFile(bool, OPENFILENAMEA* ofn, DWORD*)
{
    CopyText(ofn->lpstrFile, ofn->nMaxFile, g_chosenFile.c_str());
    return TRUE;
}

// Profile lists freed, and whether one went while a wait for the lock pumped
// (a command then holds records of the list it waits to change).
int g_listsFreed;
bool g_freedInWait;
void NoteListFreed(const GrowArray<Profile>*)
{
    g_listsFreed++;
    if (TableLockWaitPumping()) g_freedInWait = true;
}

// A second start's hand-over, as the main window runs it.
LRESULT CALLBACK HandOverProc(HWND w, UINT m, WPARAM wp, LPARAM lp)
{
    if (m == WM_APP) {
        RunCommandLineCommands();
        return 0;
    }
    return DefWindowProcA(w, m, wp, lp);
}

bool DialogClosedAndNothingQueued()
{
    return !g_mainDialog && QueuedLiveEdits() == 0;
}

// Writes the rules as an export file.
void WriteRuleFile(const std::string& path, const std::vector<Rule>& rules)
{
    ConfigRecord record;
    InitConfigRecord(&record, 1, "prul->");
    for (size_t i = 0; i < rules.size(); i++) {
        Rule r = rules[i];
        SetRecordKeyPrefix(&record, "prul->", "Rule[%d].", (int)i);
        ASSERT_TRUE(SerializeRule(1, &record, &r, (uint32_t)i, RULE_KIND_PROFILE));
    }
    ASSERT_GT(SaveRecordArchive(&record, path.c_str()), 0);
    ClearConfigRecord(&record);
}

LRESULT CALLBACK ControlProc(HWND w, UINT m, WPARAM wp, LPARAM lp)
{
    return DefWindowProcA(w, m, wp, lp);
}

class MainDialogInProcess : public testing::Test {
protected:
    void SetUp() override
    {
        SetUpDialogApp();
        // Waits for the lock pump this thread's messages, as in the program.
        WNDCLASSA wc = {};
        wc.lpfnWndProc = ControlProc;
        wc.hInstance = g_app.instance;
        wc.lpszClassName = "MainDialogTestControl";
        RegisterClassA(&wc);
        wc.lpfnWndProc = LogCaptureProc;   // into g_logLines
        wc.lpszClassName = "MainDialogTestLog";
        RegisterClassA(&wc);
        wc.lpfnWndProc = HandOverProc;
        wc.lpszClassName = "MainDialogTestHandOver";
        RegisterClassA(&wc);
        g_app.controlWindow = CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                              g_app.instance, nullptr);
        SetMessageBoxHook(AnswerYes);
        SetMainDialogEntryPoints(MainDialogEntries());
        g_boxTexts.clear();
        g_boxAnswer = IDYES;
    }
    // Saving and the hand-over's record need a data folder of the test's own.
    void UseDataFolder()
    {
        std::string data = FreshFolderForThisTest();
        CopyText(g_app.dataFolder, sizeof(g_app.dataFolder), data.c_str());
    }
    void TearDown() override
    {
        if (g_mainDialog) DestroyWindow(g_mainDialog);
        SetMessageBoxHook(nullptr);
        SetMainDialogEntryPoints(nullptr);
        DropQueuedLiveEdits();
        g_profileListClearing = nullptr;
        SetFileDialogRunner(nullptr);
        g_windowCount = 0;
        g_app.dataFolder[0] = '\0';
        ClearProfileList(&g_profiles);
        Options.iCurProfile = -1;
        if (g_logWindow) DestroyWindow(g_logWindow);
        g_logWindow = nullptr;
        if (g_app.controlWindow) DestroyWindow(g_app.controlWindow);
        g_app.controlWindow = nullptr;
    }

    // Profiles named as given, each with the same rules, the first current,
    // and the dialog open on it.
    void Open(const std::vector<Rule>& rules, std::vector<const char*> names = {"Test"})
    {
        ClearProfileList(&g_profiles);
        for (const char* name : names) {
            Profile p = {};
            ASSERT_TRUE(InitProfile(&p, true));
            CopyText(p.szGenName, sizeof(p.szGenName), name);
            for (const Rule& r : rules) {
                Rule copy = r;
                copy.id = (uint32_t)p.nextRuleId++;
                ArrayAppend(p.pRules, &copy);
            }
            ArrayAppend(&g_profiles, &p);
        }
        Options.iCurProfile = 0;
        ASSERT_NE(nullptr, CreateMainDialog());
        ASSERT_NE(nullptr, g_ruleTree);
    }
    static std::string ItemText(HTREEITEM item) { return TreeItemText(g_ruleTree, item); }
    std::string Outline()
    {
        std::string out;
        const GrowArray<RuleTreeItem>* items = CollectTreeItems();
        for (int i = 0; i < items->count; i++)
            out += std::string(2 * (items->data[i].depth - 1), ' ') + ItemText(items->data[i].item) + "\n";
        return out;
    }
    HTREEITEM Item(const char* name)
    {
        const GrowArray<RuleTreeItem>* items = CollectTreeItems();
        for (int i = 0; i < items->count; i++)
            if (ItemText(items->data[i].item) == name) return items->data[i].item;
        return nullptr;
    }
public:
    void Select(const char* name) { ASSERT_TRUE(TreeView_SelectItem(g_ruleTree, Item(name))) << name; }
    void Command(int id) { SendMessageA(g_mainDialog, ZRPMSG_COMMAND, (WPARAM)id, 0); }
    void Notify(UINT code, HTREEITEM item)
    {
        NMTREEVIEWA nm = {};
        nm.hdr.hwndFrom = g_ruleTree;
        nm.hdr.idFrom = IDTV_MAIN_RULES;
        nm.hdr.code = code;
        nm.itemNew.hItem = item;
        SendMessageA(g_mainDialog, WM_NOTIFY, IDTV_MAIN_RULES, (LPARAM)&nm);
    }
    // The point of the dialog's client area over the upper edge of an item's text.
    LPARAM AboveItem(const char* name)
    {
        RECT r;
        TreeView_GetItemRect(g_ruleTree, Item(name), &r, TRUE);
        POINT pt = {r.left + 4, r.top + 1};
        MapWindowPoints(g_ruleTree, g_mainDialog, &pt, 1);
        return MAKELPARAM(pt.x, pt.y);
    }
    void Drag(const char* from, const char* to)
    {
        Notify(TVN_BEGINDRAGA, Item(from));
        SendMessageA(g_mainDialog, WM_MOUSEMOVE, 0, AboveItem(to));
        SendMessageA(g_mainDialog, WM_LBUTTONUP, 0, AboveItem(to));
    }
    void Rename(const char* from, const char* to)
    {
        HWND edit = TreeView_EditLabel(g_ruleTree, Item(from));
        ASSERT_NE(nullptr, edit);
        SetWindowTextA(edit, to);
        TreeView_EndEditLabelNow(g_ruleTree, FALSE);
    }
};

const std::vector<Rule> kRules = {MakeRule("Group A", 1, true), MakeRule("Alpha", 2), MakeRule("Beta", 2),
                                  MakeRule("Zulu", 1), MakeRule("Mike", 1)};

}  // namespace

// Each change of the rules waits for the lock a little and then gives up
// without touching them; with the lock free the same change goes through.
TEST_F(MainDialogInProcess, AChangeOfTheRulesIsGivenUpWhileTheWorkerHoldsTheLock)
{
    Open(kRules);
    const std::string original = RulesText();
    const std::string tree = Outline();
    ASSERT_EQ("Group A\n  Alpha\n  Beta\nZulu\nMike\n", tree);
    // The clipboard holds Alpha for the paste.
    Select("Alpha");
    Command(1206);
    static const struct {
        const char* why;
        const char* select;
        std::function<void(MainDialogInProcess*)> act;
    } kChanges[] = {
        {"delete", "Beta", [](MainDialogInProcess* t) { t->Command(1208); }},
        {"disable", "Beta", [](MainDialogInProcess* t) { t->Command(1201); }},
        {"paste", "Zulu", [](MainDialogInProcess* t) { t->Command(1207); }},
        {"new group", "Zulu", [](MainDialogInProcess* t) { t->Command(1203); }},
        {"sort", "Zulu", [](MainDialogInProcess* t) { t->Command(1204); }},
        {"rename", "Mike", [](MainDialogInProcess* t) { t->Rename("Mike", "November"); }},
        {"drop", nullptr, [](MainDialogInProcess* t) { t->Drag("Mike", "Alpha"); }},
    };
    for (const auto& c : kChanges) {
        SCOPED_TRACE(c.why);
        if (c.select) Select(c.select);
        {
            LockHolder worker;
            ULONGLONG start = GetTickCount64();
            c.act(this);
            EXPECT_GE(GetTickCount64() - start, 500u) << "it waited for the lock";
            EXPECT_EQ(original, RulesText());
            EXPECT_EQ(tree, Outline());
        }
        if (TreeView_GetEditControl(g_ruleTree)) TreeView_EndEditLabelNow(g_ruleTree, TRUE);
        if (c.select) Select(c.select);
        c.act(this);
        if (TreeView_GetEditControl(g_ruleTree)) TreeView_EndEditLabelNow(g_ruleTree, TRUE);
        EXPECT_NE(original, RulesText()) << "with the lock free it is done";
        // Back to the start for the next change.
        DestroyWindow(g_mainDialog);
        Open(kRules);
        Select("Alpha");
        Command(1206);
    }
}

// Cancel's restore is a change of the whole list: no lock, no close.
TEST_F(MainDialogInProcess, CancelKeepsTheDialogWhenTheListCannotBeRestored)
{
    Open(kRules);
    Select("Beta");
    Command(1208);
    ASSERT_EQ("Group A:1\nAlpha:2\nZulu:1\nMike:1\n", RulesText());
    HWND dialog = g_mainDialog;
    {
        LockHolder worker;
        SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        EXPECT_TRUE(IsWindow(dialog)) << "given up";
        EXPECT_EQ("Group A:1\nAlpha:2\nZulu:1\nMike:1\n", RulesText());
    }
    SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    EXPECT_FALSE(IsWindow(dialog));
    EXPECT_EQ(nullptr, g_mainDialog);
    EXPECT_EQ("Group A:1\nAlpha:2\nBeta:2\nZulu:1\nMike:1\n", RulesText()) << "restored on Yes";
}

// While one command pumps messages waiting for the lock, a second one that
// arrives meanwhile is given up instead of editing the same rules in between.
TEST_F(MainDialogInProcess, ACommandArrivingWhileAnotherWaitsForTheLockIsGivenUp)
{
    Open(kRules);
    Select("Beta");
    LockHolder worker;
    PostMessageA(g_mainDialog, ZRPMSG_COMMAND, 1201, 0);   // disable, dispatched during the wait
    worker.ReleaseAfter(300);
    Command(1208);                                         // delete Beta, waits for the lock
    worker.Release();
    PumpFor(0);
    EXPECT_EQ("Group A:1\nAlpha:2\nZulu:1\nMike:1\n", RulesText()) << "deleted, nothing disabled";
}

// The worker inserts rules under the lock at any time; a change written back
// from an older tree keeps them.
TEST_F(MainDialogInProcess, RulesTheWorkerMadeSinceTheFillSurviveAChangeFromTheTree)
{
    Open(kRules);
    Profile* p = CurrentProfile();
    Rule made = MakeRule("Made By Pass", 2);
    made.id = (uint32_t)p->nextRuleId++;
    ASSERT_GE(InsertProfileRule(p, 2, &made), 0);   // after Alpha, not in the tree yet
    ASSERT_EQ("Group A\n  Alpha\n  Beta\nZulu\nMike\n", Outline());
    Select("Zulu");
    Command(1208);
    EXPECT_EQ("Group A:1\nAlpha:2\nMade By Pass:2\nBeta:2\nMike:1\n", RulesText());
    EXPECT_EQ("Group A\n  Alpha\n  Made By Pass\n  Beta\nMike\n", Outline());
}

// A refill asked for in the middle of a drag (a pass made rules) waits for
// its end: the drop still finds the items it started with.
TEST_F(MainDialogInProcess, ARefillDuringADragWaitsUntilTheDrop)
{
    Open(kRules);
    Notify(TVN_BEGINDRAGA, Item("Mike"));
    SendMessageA(g_mainDialog, WM_MOUSEMOVE, 0, AboveItem("Alpha"));
    SendMessageA(g_mainDialog, WM_PROFILE_RULESCHANGED, 1, -1);
    SendMessageA(g_mainDialog, WM_MOUSEMOVE, 0, AboveItem("Alpha"));
    SendMessageA(g_mainDialog, WM_LBUTTONUP, 0, AboveItem("Alpha"));
    EXPECT_EQ("Group A:1\nMike:2\nAlpha:2\nBeta:2\nZulu:1\n", RulesText());
    EXPECT_EQ("Group A\n  Mike\n  Alpha\n  Beta\nZulu\n", Outline());
}

// The tree's expanded states go only into the profile it was filled from,
// never into another profile whose rules carry the same ids.
TEST_F(MainDialogInProcess, ExpandedStatesGoOnlyIntoTheProfileTheTreeShows)
{
    Open(kRules, {"One", "Two"});
    TreeView_Expand(g_ruleTree, Item("Group A"), TVE_COLLAPSE);
    Options.iCurProfile = 1;   // switched, the tree not refilled yet
    StoreTreeExpandState();    // as every save does
    EXPECT_TRUE(g_profiles.data[1].pRules->data[0].item & RULE_ITEM_EXPANDED) << "Two keeps its state";
    EXPECT_TRUE(g_profiles.data[0].pRules->data[0].item & RULE_ITEM_EXPANDED);
    Options.iCurProfile = 0;
    StoreTreeExpandState();
    EXPECT_FALSE(g_profiles.data[0].pRules->data[0].item & RULE_ITEM_EXPANDED) << "One takes the tree's";
}


//--- changes of the live profiles while the worker holds the lock

// Apply copies the list for Cancel only once it can have the lock, keeping
// the old copy until then: Cancel -> Yes right after it restores what Apply
// saw, and the save at exit finds every profile.
TEST_F(MainDialogInProcess, ApplyWhileTheWorkerHoldsTheLockThenCancelKeepsEveryProfileFile)
{
    UseDataFolder();
    Open(kRules, {"One", "Two"});
    Select("Beta");
    Command(1208);
    const std::string applied = RulesText();
    ASSERT_EQ("Group A:1\nAlpha:2\nZulu:1\nMike:1\n", applied);
    {
        LockHolder worker;
        worker.ReleaseAfter(2000);
        SendMessageA(g_mainDialog, WM_COMMAND, MAKEWPARAM(IDB_MAIN_APPLY, BN_CLICKED), 0);
        SendMessageA(g_mainDialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);   // Yes
        ASSERT_TRUE(PumpUntil(DialogClosedAndNothingQueued, 15000));
    }
    EXPECT_EQ(applied, RulesText()) << "Cancel put back what Apply kept";
    SaveAll();   // as at exit
    ClearProfileList(&g_profiles);
    ASSERT_EQ(2, LoadProfiles()) << "every profile file is still there";
    Options.iCurProfile = 0;
    EXPECT_EQ(applied, RulesText());
    EXPECT_STREQ("Two", g_profiles.data[1].szGenName);
    EXPECT_EQ(5, g_profiles.data[1].pRules->count);
}

// A command waits for the lock; Esc -> Yes arriving meanwhile is answered at
// once and the list goes back after the command, never under it.
TEST_F(MainDialogInProcess, EscYesWhileACommandWaitsForTheLockRestoresTheBackupAfterIt)
{
    g_profileListClearing = NoteListFreed;
    static const struct {
        const char* why;
        int id;
        bool tree;
    } kCommands[] = {
        {"New", IDB_MAIN_NEW, false},
        {"Exp", IDB_MAIN_EXECUTE, false},
        {"disable from the tree", 1201, true},
    };
    for (const auto& c : kCommands) {
        SCOPED_TRACE(c.why);
        Open(kRules);
        const std::string backup = RulesText();
        Select("Beta");
        Command(1208);   // what Cancel discards
        Select("Zulu");
        g_listsFreed = 0;
        g_freedInWait = false;
        {
            LockHolder worker;
            worker.ReleaseAfter(500);
            PostMessageA(g_mainDialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);   // Esc, then Yes
            if (c.tree)
                Command(c.id);
            else
                SendMessageA(g_mainDialog, WM_COMMAND, MAKEWPARAM(c.id, BN_CLICKED), 0);
            ASSERT_TRUE(PumpUntil(DialogClosedAndNothingQueued, 10000));
        }
        EXPECT_EQ(backup, RulesText()) << "the profile set is the backup";
        EXPECT_GE(g_listsFreed, 1) << "the discarded list went";
        EXPECT_FALSE(g_freedInWait) << "but never while a command waited for the lock";
    }
}

// A second start's "-LOAD" dispatched while a delete waits for the lock
// switches only after it: the delete goes to the profile it was made in.
TEST_F(MainDialogInProcess, ALoadHandedOverWhileACommandWaitsRunsAfterIt)
{
    UseDataFolder();
    Open(kRules, {"One", "Two"});
    const char kLine[] = "-LOAD Two";
    ASSERT_GT(SaveRecord("(ZRP)Cmd", -1, kLine, sizeof(kLine)), 0u);
    HWND handOver = CreateWindowExA(0, "MainDialogTestHandOver", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                    g_app.instance, nullptr);
    Select("Beta");
    {
        LockHolder worker;
        worker.ReleaseAfter(500);
        PostMessageA(handOver, WM_APP, 0, 0);
        Command(1208);
        EXPECT_EQ(0, Options.iCurProfile) << "nothing switched while the delete waited";
        EXPECT_EQ("Group A:1\nAlpha:2\nZulu:1\nMike:1\n", RulesText()) << "deleted in One";
        EXPECT_TRUE(PumpUntil([] { return QueuedLiveEdits() == 0 && Options.iCurProfile == 1; }, 5000))
            << "then switched";
    }
    DestroyWindow(handOver);
}

// A tray click or the hotkey while the worker holds the lock: the dialog
// shows at once, and its profile box and tree fill once the lock is free.
TEST_F(MainDialogInProcess, TheDialogOpensWhileTheLockIsBusyAndFillsOnceItIsFree)
{
    ClearProfileList(&g_profiles);
    Profile p = {};
    ASSERT_TRUE(InitProfile(&p, true));
    CopyText(p.szGenName, sizeof(p.szGenName), "Busy");
    Rule r = MakeRule("Only", 1);
    ArrayAppend(p.pRules, &r);
    ArrayAppend(&g_profiles, &p);
    Options.iCurProfile = 0;
    {
        LockHolder worker;
        HWND dialog = CreateMainDialog();
        ASSERT_NE(nullptr, dialog);
        EXPECT_TRUE(IsWindow(dialog));
        EXPECT_TRUE(IsWindowVisible(dialog));
        EXPECT_EQ("", Outline()) << "nothing read without the lock";
    }
    EXPECT_TRUE(PumpUntil([this] { return Outline() == "Only\n"; }, 5000));
    EXPECT_EQ(1, SendDlgItemMessageA(g_mainDialog, IDCB_MAIN_PROFILE, CB_GETCOUNT, 0, 0));
}

// Edit or Profiles... clicked while the worker holds the lock for longer than
// an opening waits: the dialog opens once the lock is free, never not at all.
TEST_F(MainDialogInProcess, ADialogClickedWhileTheWorkerHoldsTheLockOpensOnceItIsFree)
{
    const struct {
        UINT message;
        WPARAM wParam;
        const char* caption;
    } kClicks[] = {
        {ZRPMSG_COMMAND, 1202, "Edit Rule"},
        {WM_COMMAND, MAKEWPARAM(IDB_MAIN_PROFILES, BN_CLICKED), "Profiles"},
    };
    // The Profiles dialog's list is a framework list in an item window.
    WNDCLASSA item = {};
    item.lpfnWndProc = UIItemWndProc;
    item.hInstance = g_app.instance;
    item.lpszClassName = "ZRPAppUIItem";
    RegisterClassA(&item);
    Open({MakeRule("Only", 1)});
    ASSERT_NE(nullptr, SelectRuleInTree(g_profiles.data[0].pRules->data[0].id));
    for (const auto& click : kClicks) {
        SCOPED_TRACE(click.caption);
        // Cancels the dialog once it shows: the test's own pump stays inside
        // the dialog's modal loop until then.
        struct Closer {
            const char* caption;
            volatile LONG shown;
            static DWORD WINAPI Run(void* self)
            {
                Closer* c = (Closer*)self;
                for (int i = 0; i < 1500; i++) {
                    HWND d = FindWindowA("#32770", c->caption);
                    if (d && IsWindowVisible(d)) {
                        InterlockedExchange(&c->shown, 1);
                        PostMessageA(d, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
                        return 0;
                    }
                    Sleep(10);
                }
                return 0;
            }
        } closer = {click.caption, 0};
        HANDLE thread = CreateThread(nullptr, 0, Closer::Run, &closer, 0, nullptr);
        ASSERT_NE(nullptr, thread);
        {
            LockHolder worker;
            worker.ReleaseAfter(1500);
            PostMessageA(g_mainDialog, click.message, click.wParam, 0);
            EXPECT_TRUE(PumpUntil([&] { return closer.shown != 0; }, 12000)) << "the dialog never opened";
        }
        EXPECT_TRUE(PumpUntil([&] { return !FindWindowA("#32770", click.caption); }, 5000));
        WaitForSingleObject(thread, 20000);
        CloseHandle(thread);
    }
}

// A re-capture changes the rule's placement: Cancel asks as for any change.
TEST_F(MainDialogInProcess, APickThatOnlyRecapturesMakesCancelAsk)
{
    Rule target = TitleRule("Pick Target", 1);
    Open({target, MakeRule("Other", 1)});
    HWND window = CreateWindowExA(0, "MainDialogTestControl", "Pick Target", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40,
                                  40, 300, 200, nullptr, nullptr, g_app.instance, nullptr);
    ASSERT_NE(nullptr, window);
    MonitoredWindow& e = g_windowTable[0];
    e = MonitoredWindow{};
    e.hwnd = window;
    e.event = WEV_UNCHANGED;
    CopyText(e.title, sizeof(e.title), "Pick Target");
    e.titleLength = (int32_t)strlen(e.title);
    CopyText(e.className, sizeof(e.className), "MainDialogTestControl");
    e.classLength = (int32_t)strlen(e.className);
    e.x = 40;
    e.y = 40;
    e.width = 300;
    e.height = 200;
    g_windowCount = 1;
    g_boxAnswer = IDNO;
    SetMessageBoxHook(RecordBox);
    HWND dialog = g_mainDialog;
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDB_MAIN_PICK, BN_CLICKED), (LPARAM)window);
    EXPECT_EQ("Pick Target:1\nOther:1\n", RulesText()) << "re-captured, nothing made";
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    EXPECT_EQ(std::vector<std::string>{AppText(IDS_DISCARD_CHANGES)}, g_boxTexts) << "Cancel asked";
    EXPECT_TRUE(IsWindow(dialog)) << "No keeps the dialog";
    DestroyWindow(window);
}

// An imported rule's script runs only when the user turned the scripts on:
// a pass over a window the rule takes runs it, or does not.
TEST_F(MainDialogInProcess, ImportedScriptsStayOffUnlessTheUserTurnsThemOn)
{
    std::string folder = FreshFolderForThisTest();
    Rule scripted = TitleRule("Import Script Target", 0);
    CopyText(scripted.name, sizeof(scripted.name), "Runs On Open");
    scripted.cmdenable[SLOT_OPEN] = 1;
    CopyText(scripted.cmdtext[SLOT_OPEN], sizeof(scripted.cmdtext[SLOT_OPEN]), "RUN \"ps-no-such-program.exe\"");
    g_chosenFile = folder + "\\Scripted.rulexp";
    WriteRuleFile(g_chosenFile, {scripted});
    SetFileDialogRunner(ChooseFile);
    SetMessageBoxHook(RecordBox);
    g_logWindow = CreateWindowExA(0, "MainDialogTestLog", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, g_app.instance,
                                  nullptr);
    uint8_t wasEnabled = Options.bEnabled;
    Options.bEnabled = 1;
    for (int answer : {IDNO, IDYES}) {
        SCOPED_TRACE(answer == IDYES ? "Yes" : "No");
        Open(kRules);
        Select("Mike");
        g_boxTexts.clear();
        g_boxAnswer = answer;
        Command(1209);
        EXPECT_EQ(std::vector<std::string>{AppText(IDS_IMPORT_SCRIPTS)}, g_boxTexts);
        ASSERT_EQ("Group A:1\nAlpha:2\nBeta:2\nZulu:1\nMike:1\nRuns On Open:1\n", RulesText());
        HWND window = CreateWindowExA(0, "MainDialogTestControl", "Import Script Target",
                                      WS_OVERLAPPEDWINDOW | WS_VISIBLE, 60, 60, 300, 200, nullptr, nullptr,
                                      g_app.instance, nullptr);
        g_logLines.clear();
        g_windowCount = 0;
        ASSERT_TRUE(EnterTableLock(100));
        MonitorPass(CurrentProfile(), 0, 0, 0);
        LeaveTableLock();
        bool seen = false, ran = false;
        for (const std::string& line : g_logLines) {
            seen |= line.find("NEW: ") != std::string::npos && line.find("Import Script Target") != std::string::npos;
            ran |= line.find("ADV: RULE(Runs On Open)") != std::string::npos;
        }
        EXPECT_TRUE(seen) << "the pass saw the window";
        EXPECT_EQ(answer == IDYES, ran) << "its script ran only when allowed";
        DestroyWindow(window);
        DestroyWindow(g_mainDialog);
    }
    Options.bEnabled = wasEnabled;
}

// A file past the import's budget is refused whole with a message; the
// tree and the rules stay as they were.
TEST_F(MainDialogInProcess, AnImportPastItsBudgetIsRefusedAndChangesNothing)
{
    std::string folder = FreshFolderForThisTest();
    static const struct {
        const char* name;
        int rules;
        const char* why;
    } kFiles[] = {
        {"Million.rulexp", 1000000, "a million rules of one line each: past the text budget"},
        {"Many.rulexp", RULE_IMPORT_MAX + 1, "one rule more than the count allows"},
    };
    SetFileDialogRunner(ChooseFile);
    SetMessageBoxHook(RecordBox);
    Open(kRules);
    const std::string rules = RulesText();
    const std::string tree = Outline();
    for (const auto& f : kFiles) {
        SCOPED_TRACE(f.why);
        g_chosenFile = folder + "\\" + f.name;
        ConfigRecord record;
        InitConfigRecord(&record, 1, "prul->");
        char key[32];
        for (int i = 0; i < f.rules; i++) {
            FormatText(key, sizeof(key), "Rule[%d].item", i);
            ASSERT_EQ(CFG_OK, AppendRecordLine(&record, key, "00"));
        }
        ASSERT_GT(SaveRecordArchive(&record, g_chosenFile.c_str()), 0);
        ClearConfigRecord(&record);
        g_boxTexts.clear();
        Select("Mike");
        Command(1209);
        ASSERT_EQ(1u, g_boxTexts.size());
        EXPECT_NE(std::string::npos, g_boxTexts[0].find("more than " + std::to_string(RULE_IMPORT_MAX) + " rules"))
            << g_boxTexts[0];
        EXPECT_EQ(rules, RulesText());
        EXPECT_EQ(tree, Outline());
    }
}

//--- levels of pasted and imported rules

TEST(RuleLevels, ListedLevelsBecomeAWellFormedRelativeTree)
{
    static const struct {
        std::vector<std::pair<uint8_t, bool>> in;   // level, group
        std::vector<uint8_t> want;
        const char* why;
    } kCases[] = {
        {{{0, true}, {1, false}, {1, false}}, {0, 1, 1}, "an export as written"},
        {{{5, true}, {6, false}, {5, false}}, {0, 1, 0}, "relative to the first"},
        {{{2, true}, {7, false}, {9, true}, {12, false}}, {0, 1, 1, 2}, "gaps nest under the nearest group"},
        {{{4, false}, {2, false}, {0, false}}, {0, 0, 0}, "above the first: the top"},
        {{{1, false}, {2, false}}, {0, 0}, "a plain rule takes no children"},
        {{{0, true}, {1, true}, {2, false}, {1, false}, {0, false}}, {0, 1, 2, 1, 0}, "back up the levels"},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.why);
        GrowArray<Rule> list;
        InitGrowArray(&list);
        for (const auto& r : c.in) {
            Rule rule = MakeRule("r", r.first, r.second);
            ArrayAppend(&list, &rule);
        }
        NormalizeListedLevels(&list);
        std::vector<uint8_t> got;
        for (int i = 0; i < list.count; i++) got.push_back(list.data[i].level);
        EXPECT_EQ(c.want, got);
        FreeGrowArray(&list);
    }
    EXPECT_EQ(255, PlacedLevel(250, 10)) << "saturates";
    EXPECT_EQ(3, PlacedLevel(2, 1));
}

TEST(RuleImport, ADamagedOrForeignFileReadsAsNothing)
{
    std::string folder = FreshFolderForThisTest();
    std::string good = folder + "\\Good.rulexp";
    ConfigRecord record;
    InitConfigRecord(&record, 1, "prul->");
    for (int i = 0; i < 3; i++) {
        Rule r = MakeRule(("Rule " + std::to_string(i)).c_str(), 1);
        SetRecordKeyPrefix(&record, "prul->", "Rule[%d].", i);
        ASSERT_TRUE(SerializeRule(1, &record, &r, (uint32_t)i, RULE_KIND_PROFILE));
    }
    // A stray key far beyond the rules: no rule is made up for it.
    AppendRecordLine(&record, "Rule[40000].item", "1");
    ASSERT_GT(SaveRecordArchive(&record, good.c_str()), 0);
    ClearConfigRecord(&record);

    GrowArray<Rule> list;
    InitGrowArray(&list);
    ASSERT_EQ(0, ImportRules(&list, good.c_str()));
    EXPECT_EQ(3, list.count);
    std::string bytes = ReadWholeFile(good);
    static const struct {
        const char* name;
        std::string content;
    } kBad[] = {
        {"Garbage.rulexp", "not an archive"},
        {"Truncated.rulexp", bytes.substr(0, bytes.size() / 2)},
        {"Empty.rulexp", ""},
    };
    for (const auto& b : kBad) {
        SCOPED_TRACE(b.name);
        std::string path = folder + "\\" + b.name;
        ASSERT_TRUE(WriteWholeFileText(path, b.content));
        EXPECT_EQ(1, ImportRules(&list, path.c_str()));
        EXPECT_EQ(0, list.count) << "the list is emptied";
    }
    EXPECT_EQ(1, ImportRules(&list, (folder + "\\Missing.rulexp").c_str()));
    FreeGrowArray(&list);
}
