// EditGroupTest.cpp - the Edit Group dialog in the test's own process over
// the open main dialog, driven by control id from a thread of the test as a
// user would: what it shows, what OK writes into the live rules and the
// saved profile file, the questions it asks over itself, and a group that
// goes or a lock that stays busy while it is open.
#include "engine/Engine.h"
#include "engine/LiveEdit.h"
#include "engine/MainDialogLink.h"
#include "engine/OptionsRecord.h"
#include "engine/ProductStrings.h"
#include "engine/ProfileRecord.h"
#include "engine/ProfileStore.h"
#include "engine/TemplateRecord.h"
#include "engine/WindowTable.h"
#include "framework/core/AppObject.h"
#include "framework/core/MonitorTable.h"
#include "framework/core/StringTable.h"
#include "framework/core/TextUtil.h"
#include "framework/ui/MessageBox.h"
#include "framework/ui/Theme.h"
#include "tests/support/DialogDriver.h"
#include "tests/support/TestEnv.h"
#include "tests/ui/InProcessDialogs.h"
#include "ui/EditGroup.h"
#include "ui/EditGroupInternal.h"
#include "ui/EditGroupRes.h"
#include "ui/ImageButtons.h"
#include "ui/MainDialog.h"
#include "ui/MainDialogRes.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Spec {
    const char* name;
    uint8_t level;
    bool group, disabled;
};

Rule MakeRule(const Spec& s)
{
    Rule r;
    InitRule(&r);
    CopyText(r.name, sizeof(r.name), s.name);
    r.level = s.level;
    if (s.group) r.item |= RULE_ITEM_GROUP | RULE_ITEM_EXPANDED;
    if (s.disabled) r.item |= RULE_ITEM_DISABLED;
    return r;
}

// Group "Nested" holds rules three levels deep; the rules around it are not
// its. Groups are off exactly when no rule in them is on, as the tree keeps them.
const std::vector<Spec> kTree = {
    {"Before", 1, false, false},       {"Nested", 1, true, false},     {"Depth 2", 2, false, false},
    {"Inner", 2, true, false},         {"Depth 3", 3, false, false},   {"Innermost", 3, true, false},
    {"Depth 4", 4, false, false},      {"Back at 2", 2, false, false}, {"After", 1, false, false},
    {"Empty", 1, true, true},         {"Mixed", 1, true, false},      {"Mixed on", 2, false, false},
    {"Mixed off", 2, false, true},     {"Off", 1, true, true},         {"Off 2", 2, false, true},
    {"Off group", 2, true, true},      {"Off 3", 3, false, true},      {"Tail", 1, false, false},
};
const char* const kUnderNested[] = {"Nested", "Depth 2", "Inner", "Depth 3", "Innermost", "Depth 4", "Back at 2"};

std::vector<std::string> g_boxTexts;
int g_boxAnswer = IDYES;
int RecordBox(const char*, const char* text, uint32_t)
{
    g_boxTexts.push_back(text);
    return g_boxAnswer;
}

LRESULT CALLBACK ControlProc(HWND w, UINT m, WPARAM wp, LPARAM lp)
{
    return DefWindowProcA(w, m, wp, lp);
}

Profile* TestProfile()
{
    return g_profiles.count > 0 ? &g_profiles.data[0] : nullptr;
}

Rule* RuleNamed(Profile* p, const char* name)
{
    for (int i = 0; p && i < p->pRules->count; i++)
        if (strcmp(p->pRules->data[i].name, name) == 0) return &p->pRules->data[i];
    return nullptr;
}

// "name" of every disabled rule, in list order.
std::string DisabledRules(Profile* p)
{
    std::string out;
    for (int i = 0; p && i < p->pRules->count; i++)
        if (p->pRules->data[i].item & RULE_ITEM_DISABLED) out += std::string(p->pRules->data[i].name) + ";";
    return out;
}

std::string Joined(const char* const* names, size_t count, const std::string& also = "")
{
    std::string out = also;
    for (size_t i = 0; i < count; i++) out += std::string(names[i]) + ";";
    return out;
}

// What the dialog shows.
struct Shown {
    std::string name, title, cls, program, tmpl;
    std::vector<std::string> templates;
    int type = -1, enabled = -1;
};

Shown ReadShown(HWND d)
{
    Shown s;
    s.name = ControlText(DialogControl(d, IDE_GROUP_NAME));
    s.title = ControlText(DialogControl(d, IDE_GROUP_TITLE));
    s.cls = ControlText(DialogControl(d, IDE_GROUP_CLASS));
    s.program = ControlText(DialogControl(d, IDE_GROUP_PROGRAM));
    s.tmpl = ControlText(DialogControl(d, IDCB_GROUP_TEMPLATE));
    s.templates = ComboItems(DialogControl(d, IDCB_GROUP_TEMPLATE));
    s.type = ComboSelection(DialogControl(d, IDCB_GROUP_TYPE));
    s.enabled = ControlChecked(d, IDX_GROUP_ENABLED);
    return s;
}

// Clicks the three-state box until it shows the state, as a user would.
bool ClickEnabledTo(HWND d, int wanted)
{
    for (int i = 0; i < 3 && ControlChecked(d, IDX_GROUP_ENABLED) != wanted; i++) {
        int before = ControlChecked(d, IDX_GROUP_ENABLED);
        ClickControl(d, IDX_GROUP_ENABLED);
        PumpUntil([&] { return ControlChecked(d, IDX_GROUP_ENABLED) != before; }, 5000);
    }
    return ControlChecked(d, IDX_GROUP_ENABLED) == wanted;
}

void Type(HWND d, int id, const std::string& text)
{
    SetControlText(DialogControl(d, id), text);
}

class EditGroupInProcess : public testing::Test {
protected:
    void SetUp() override
    {
        SetUpDialogApp();
        MakeTestControlWindow("EditGroupTestControl", ControlProc);
        SetMessageBoxHook(RecordBox);
        SetMainDialogEntryPoints(MainDialogEntries());
        g_boxTexts.clear();
        g_boxAnswer = IDYES;
        CopyText(g_app.dataFolder, sizeof(g_app.dataFolder), FreshFolderForThisTest().c_str());
    }
    void TearDown() override
    {
        if (g_mainDialog) DestroyWindow(g_mainDialog);
        SetMessageBoxHook(nullptr);
        SetMainDialogEntryPoints(nullptr);
        DropQueuedLiveEdits();
        g_app.dataFolder[0] = '\0';
        ClearProfileList(&g_profiles);
        Options.iCurProfile = -1;
        if (g_app.controlWindow) DestroyWindow(g_app.controlWindow);
        g_app.controlWindow = nullptr;
    }

    // Profile "Test" with the rules and two templates, current, under the main dialog.
    void Open(const std::vector<Spec>& specs = kTree)
    {
        ClearProfileList(&g_profiles);
        Profile p = {};
        ASSERT_TRUE(InitProfile(&p, true));
        CopyText(p.szGenName, sizeof(p.szGenName), "Test");
        for (const Spec& s : specs) {
            Rule r = MakeRule(s);
            r.id = (uint32_t)p.nextRuleId++;
            ArrayAppend(p.pRules, &r);
        }
        p.pTemplates->count = 0;
        for (const char* name : {"Tmpl A", "Tmpl B"}) {
            RuleTemplate t;
            InitRuleTemplate(&t);
            CopyText(t.match.name, sizeof(t.match.name), name);
            ArrayAppend(p.pTemplates, &t);
        }
        ArrayAppend(&g_profiles, &p);
        Options.iCurProfile = 0;
        ASSERT_NE(nullptr, CreateMainDialog());
    }

    // Edit Group on the rule with this name while user acts on it from a
    // thread of its own; the dialog's result.
    INT_PTR Edit(const char* group, const std::function<void(HWND)>& user)
    {
        Rule* r = RuleNamed(TestProfile(), group);
        if (!r) return -1;
        LiveProfileRef ref = NoteLiveProfile(TestProfile());
        HWND seen = nullptr;
        std::thread driver([&] {
            seen = WaitForDialog(GetCurrentProcessId(), "Edit Group");
            if (seen) user(seen);
        });
        INT_PTR result = ShowEditGroup(g_mainDialog, &ref, r->id);
        driver.join();
        EXPECT_NE(nullptr, seen) << "the dialog did not show";
        return result;
    }

    // The profile as the program saved it, read back by its reader.
    void SavedProfile(Profile* saved)
    {
        SaveAll();
        *saved = Profile{};
        std::string path = std::string(g_app.dataFolder) + "\\Profile0.zpx";
        ASSERT_TRUE(SerializeProfile(0, path.c_str(), saved, false)) << path;
    }
};

void PressOk(HWND d)
{
    ClickControl(d, IDOK);
    WaitForWindowGone(d);
}

}  // namespace

// The box shows the rules under the group at every depth: all on, some of
// each, all off, none; the other fields and the template list as stored.
TEST_F(EditGroupInProcess, OpensWithTheGroupsFieldsAndTheStateOfTheRulesUnderIt)
{
    Open();
    Rule* nested = RuleNamed(TestProfile(), "Nested");
    SET_RULE_TEXT(nested, caption, "Mail*");
    SET_RULE_TEXT(nested, wndclss, "MailFrame");
    SET_RULE_TEXT(nested, program, "C:\\Mail\\mail.exe");
    SET_RULE_TEXT(nested, tmpname, "Tmpl B");
    nested->cmpcaption = 2;
    static const struct {
        const char* group;
        int enabled;
        const char* why;
    } kCases[] = {
        {"Nested", BST_CHECKED, "every rule under it on, three levels deep"},
        {"Empty", BST_CHECKED, "no rules under it"},
        {"Mixed", BST_INDETERMINATE, "one rule on, one off"},
        {"Off", BST_UNCHECKED, "every rule under it off, a group among them"},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.why);
        Shown shown;
        EXPECT_EQ(IDCANCEL, Edit(c.group, [&](HWND d) {
                      shown = ReadShown(d);
                      ClickControl(d, IDCANCEL);
                      WaitForWindowGone(d);
                  }));
        EXPECT_EQ(c.enabled, shown.enabled);
        EXPECT_EQ(c.group, shown.name);
        EXPECT_EQ((std::vector<std::string>{"Tmpl A", "Tmpl B"}), shown.templates);
        if (strcmp(c.group, "Nested") == 0) {
            EXPECT_EQ("Mail*", shown.title);
            EXPECT_EQ("MailFrame", shown.cls);
            EXPECT_EQ("C:\\Mail\\mail.exe", shown.program);
            EXPECT_EQ("Tmpl B", shown.tmpl);
            EXPECT_EQ(2, shown.type);
        }
    }
    EXPECT_TRUE(g_boxTexts.empty()) << "Cancel without a change asks nothing";
}

// Unchecking disables the group and every rule under it at every depth, and
// nothing else; the saved profile file holds it; checking enables them again.
TEST_F(EditGroupInProcess, UncheckingDisablesEveryRuleUnderTheGroupAtEveryDepth)
{
    Open();
    const std::string othersOff = "Empty;Mixed off;Off;Off 2;Off group;Off 3;";
    ASSERT_EQ(othersOff, DisabledRules(TestProfile()));
    EXPECT_EQ(IDOK, Edit("Nested", [](HWND d) {
                  EXPECT_TRUE(ClickEnabledTo(d, BST_UNCHECKED));
                  PressOk(d);
              }));
    const std::string nestedOff = Joined(kUnderNested, sizeof(kUnderNested) / sizeof(kUnderNested[0]));
    EXPECT_EQ(nestedOff + othersOff, DisabledRules(TestProfile()));
    EXPECT_EQ(1, TestProfile()->edited);

    Profile saved;
    SavedProfile(&saved);
    EXPECT_EQ(nestedOff + othersOff, DisabledRules(&saved));
    FreeProfileLists(&saved);

    // Opened again it shows them off; checked, every one is on again.
    int shown = -1;
    EXPECT_EQ(IDOK, Edit("Nested", [&](HWND d) {
                  shown = ControlChecked(d, IDX_GROUP_ENABLED);
                  EXPECT_TRUE(ClickEnabledTo(d, BST_CHECKED));
                  PressOk(d);
              }));
    EXPECT_EQ(BST_UNCHECKED, shown);
    EXPECT_EQ(othersOff, DisabledRules(TestProfile()));
}

// Name, title, class, program, template and type go into the group, with
// their lengths; they are in the saved file and show when opened again.
TEST_F(EditGroupInProcess, TheGroupsOtherFieldsRoundTrip)
{
    Open();
    const std::string before = DisabledRules(TestProfile());
    EXPECT_EQ(IDOK, Edit("Nested", [](HWND d) {
                  Type(d, IDE_GROUP_NAME, "Mail windows");
                  Type(d, IDE_GROUP_TITLE, "Inbox*");
                  Type(d, IDE_GROUP_CLASS, "MailFrame");
                  Type(d, IDE_GROUP_PROGRAM, "C:\\Program Files\\Mail\\mail.exe");
                  Type(d, IDCB_GROUP_TEMPLATE, "Typed Template");
                  ChooseComboRow(d, IDCB_GROUP_TYPE, 1);
                  PressOk(d);
              }));
    Rule* g = RuleNamed(TestProfile(), "Mail windows");
    ASSERT_NE(nullptr, g);
    EXPECT_STREQ("Inbox*", g->caption);
    EXPECT_EQ(6, g->captionlen);
    EXPECT_STREQ("MailFrame", g->wndclss);
    EXPECT_EQ(9, g->wndclsslen);
    EXPECT_STREQ("C:\\Program Files\\Mail\\mail.exe", g->program);
    EXPECT_EQ((int)strlen(g->program), g->programlen);
    EXPECT_STREQ("Typed Template", g->tmpname);
    EXPECT_EQ(14, g->tmpnamelen);
    EXPECT_EQ(1, g->cmpcaption);
    EXPECT_EQ(before, DisabledRules(TestProfile())) << "the box left as it was changes no rule";

    Profile saved;
    SavedProfile(&saved);
    Rule* s = RuleNamed(&saved, "Mail windows");
    ASSERT_NE(nullptr, s);
    EXPECT_STREQ("Inbox*", s->caption);
    EXPECT_STREQ("MailFrame", s->wndclss);
    EXPECT_STREQ("C:\\Program Files\\Mail\\mail.exe", s->program);
    EXPECT_STREQ("Typed Template", s->tmpname);
    EXPECT_EQ(1, s->cmpcaption);
    FreeProfileLists(&saved);

    Shown shown;
    Edit("Mail windows", [&](HWND d) {
        shown = ReadShown(d);
        ClickControl(d, IDCANCEL);
        WaitForWindowGone(d);
    });
    EXPECT_EQ("Inbox*", shown.title);
    EXPECT_EQ("Typed Template", shown.tmpl);
    EXPECT_EQ(1, shown.type);
}

// A group of rules both on and off keeps each rule's state when only its
// name changes; toggling only the box applies it.
TEST_F(EditGroupInProcess, TheBoxLeftAsItOpenedKeepsEachRulesState)
{
    Open();
    const std::string before = DisabledRules(TestProfile());
    EXPECT_EQ(IDOK, Edit("Mixed", [](HWND d) {
                  EXPECT_EQ(BST_INDETERMINATE, ControlChecked(d, IDX_GROUP_ENABLED));
                  Type(d, IDE_GROUP_NAME, "Renamed");
                  PressOk(d);
              }));
    EXPECT_NE(nullptr, RuleNamed(TestProfile(), "Renamed"));
    EXPECT_EQ(before, DisabledRules(TestProfile()));

    EXPECT_EQ(IDOK, Edit("Renamed", [](HWND d) {
                  EXPECT_TRUE(ClickEnabledTo(d, BST_CHECKED));
                  PressOk(d);
              }));
    EXPECT_EQ("Empty;Off;Off 2;Off group;Off 3;", DisabledRules(TestProfile()));
}

// The empty-name error and the discard question belong to the dialog that
// asks: it cannot be clicked while they show. No keeps it open; Yes
// discards everything.
TEST_F(EditGroupInProcess, ItsQuestionsAreOwnedByTheDialogItself)
{
    Open();
    SetMessageBoxHook(nullptr);   // the real boxes
    const std::string before = DisabledRules(TestProfile());
    DWORD pid = GetCurrentProcessId();
    std::string errorText, questionText;
    EXPECT_EQ(IDCANCEL, Edit("Nested", [&](HWND d) {
                  Type(d, IDE_GROUP_NAME, "");
                  ClickEnabledTo(d, BST_UNCHECKED);
                  ClickControl(d, IDOK);
                  HWND box = WaitForMessageBox(pid, "PanelShepherd");
                  ASSERT_NE(nullptr, box);
                  errorText = ReadMessageBoxText(box);
                  EXPECT_EQ(d, GetWindow(box, GW_OWNER));
                  EXPECT_FALSE(IsWindowEnabled(d)) << "the dialog stays clickable under its own error";
                  AnswerMessageBox(box, IDOK);
                  ASSERT_TRUE(WaitForWindowGone(box));
                  ASSERT_TRUE(PumpUntil([&] { return IsWindowEnabled(d) != FALSE; }, 5000));
                  EXPECT_TRUE(IsWindowVisible(d)) << "an empty name keeps the dialog open";

                  ClickControl(d, IDCANCEL);
                  box = WaitForMessageBox(pid, "PanelShepherd");
                  ASSERT_NE(nullptr, box);
                  questionText = ReadMessageBoxText(box);
                  EXPECT_EQ(d, GetWindow(box, GW_OWNER));
                  EXPECT_FALSE(IsWindowEnabled(d));
                  AnswerMessageBox(box, IDNO);
                  ASSERT_TRUE(WaitForWindowGone(box));
                  ASSERT_TRUE(PumpUntil([&] { return IsWindowEnabled(d) != FALSE; }, 5000));
                  EXPECT_TRUE(IsWindowVisible(d)) << "No keeps the dialog open";

                  ClickControl(d, IDCANCEL);
                  box = WaitForMessageBox(pid, "PanelShepherd");
                  ASSERT_NE(nullptr, box);
                  AnswerMessageBox(box, IDYES);
                  WaitForWindowGone(d);
              }));
    EXPECT_NE(std::string::npos, errorText.find("Please select a name for the rule!")) << errorText;
    EXPECT_NE(std::string::npos, questionText.find("Are you sure you want to discard the changes?")) << questionText;
    EXPECT_NE(nullptr, RuleNamed(TestProfile(), "Nested"));
    EXPECT_EQ(before, DisabledRules(TestProfile()));
}

// The group or its profile gone while the dialog is open (the lock taken as
// any other change takes it): OK says so and writes nothing.
TEST_F(EditGroupInProcess, AGroupGoneMeanwhileIsReportedAndNothingChanges)
{
    static const struct {
        const char* why;
        void (*remove)(Profile* p);
    } kCases[] = {
        {"the group deleted",
         [](Profile* p) {
             Rule* g = RuleNamed(p, "Nested");
             ArrayRemoveAt(p->pRules, (int)(g - p->pRules->data));
         }},
        {"the profile renamed", [](Profile* p) { CopyText(p->szGenName, sizeof(p->szGenName), "Other"); }},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.why);
        Open();
        g_boxTexts.clear();
        const std::string before = DisabledRules(TestProfile());
        EXPECT_EQ(IDCANCEL, Edit("Nested", [&](HWND d) {
                      EnterCriticalSection(&g_tableLock);
                      c.remove(TestProfile());
                      LeaveCriticalSection(&g_tableLock);
                      Type(d, IDE_GROUP_NAME, "Changed");
                      ClickEnabledTo(d, BST_UNCHECKED);
                      PressOk(d);
                  }));
        ASSERT_EQ(1u, g_boxTexts.size());
        EXPECT_EQ(AppText(IDS_GROUP_GONE), g_boxTexts[0]);
        EXPECT_EQ(nullptr, RuleNamed(TestProfile(), "Changed"));
        EXPECT_EQ(before, DisabledRules(TestProfile()));
        DestroyWindow(g_mainDialog);
    }
}

// OK while the worker holds the lock: the dialog closes, the change waits
// and lands, whole, once the lock is free; a group gone by then is reported
// over the main dialog instead.
TEST_F(EditGroupInProcess, OkWhileTheLockIsBusyLandsWhenItIsFree)
{
    for (bool removeMeanwhile : {false, true}) {
        SCOPED_TRACE(removeMeanwhile ? "group deleted before the lock was free" : "group still there");
        Open();
        g_boxTexts.clear();
        const std::string before = DisabledRules(TestProfile());
        HANDLE take = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        HANDLE held = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        std::thread worker([&] {
            WaitForSingleObject(take, INFINITE);
            EnterCriticalSection(&g_tableLock);
            SetEvent(held);
            WaitForSingleObject(release, INFINITE);
            if (removeMeanwhile) {
                Rule* g = RuleNamed(TestProfile(), "Nested");
                ArrayRemoveAt(TestProfile()->pRules, (int)(g - TestProfile()->pRules->data));
            }
            LeaveCriticalSection(&g_tableLock);
        });
        EXPECT_EQ(IDOK, Edit("Nested", [&](HWND d) {
                      Type(d, IDE_GROUP_NAME, "Landed");
                      ClickEnabledTo(d, BST_UNCHECKED);
                      SetEvent(take);
                      WaitForSingleObject(held, 10000);
                      PressOk(d);
                  }));
        SetEvent(take);   // also when the dialog never showed: the thread must end
        EXPECT_EQ(1, QueuedLiveEdits());
        EXPECT_EQ(before, DisabledRules(TestProfile())) << "nothing written without the lock";
        SetEvent(release);
        worker.join();
        EXPECT_TRUE(PumpUntil(
            [] {
                RunQueuedLiveEdits();
                return QueuedLiveEdits() == 0;
            },
            5000));
        if (removeMeanwhile) {
            ASSERT_EQ(1u, g_boxTexts.size());
            EXPECT_EQ(AppText(IDS_GROUP_GONE), g_boxTexts[0]);
            EXPECT_EQ(before, DisabledRules(TestProfile()));
        } else {
            EXPECT_TRUE(g_boxTexts.empty());
            ASSERT_NE(nullptr, RuleNamed(TestProfile(), "Landed"));
            EXPECT_EQ(std::string("Landed;Depth 2;Inner;Depth 3;Innermost;Depth 4;Back at 2;") + before,
                      DisabledRules(TestProfile()));
        }
        CloseHandle(take);
        CloseHandle(held);
        CloseHandle(release);
        DestroyWindow(g_mainDialog);
    }
}

namespace {

UINT WINAPI HighDpiButMainDialog(HWND window)
{
    return GetAncestor(window, GA_ROOT) == g_mainDialog ? 96 : 144;
}

INT_PTR CALLBACK ImageButtonsProc(HWND dialog, UINT message, WPARAM, LPARAM)
{
    if (message == WM_INITDIALOG) LoadImageButtons(dialog);
    return message == WM_INITDIALOG;
}

int TreeImageSize()
{
    int w = 0, h = 0;
    HIMAGELIST list = TreeView_GetImageList(g_ruleTree, TVSIL_NORMAL);
    return list && ImageList_GetIconSize(list, &w, &h) ? w : 0;
}

}  // namespace

// Another dialog with image buttons on a monitor of another DPI leaves the
// rule tree's images at the main dialog's size.
TEST_F(EditGroupInProcess, OnlyTheMainDialogSizesTheRuleTreesImages)
{
    Open();
    RECT ok;
    GetClientRect(GetDlgItem(g_mainDialog, IDOK), &ok);
    const int treeSize = ImageButtonIconSize(ok.bottom - ok.top, 96, 96);
    EXPECT_EQ(treeSize, TreeImageSize());
    UINT(WINAPI * real)(HWND) = g_dpi.getDpiForWindow;
    g_dpi.getDpiForWindow = HighDpiButMainDialog;
    HWND other = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(2901), g_mainDialog,
                                    ImageButtonsProc, 0);
    g_dpi.getDpiForWindow = real;
    ASSERT_NE(nullptr, other);
    EXPECT_EQ(treeSize, TreeImageSize());
    DestroyWindow(other);
}
