// EditRuleE2ETest.cpp - the running program's Edit Rule dialog driven as a
// user drives it from the main dialog: the pages and what they store, the
// road from a new rule to a placed window, the questions, the Actions
// page's enabling, the finders and Match Result, and OK while the worker
// gives the rule windows.
#include "engine/ProductIds.h"
#include "engine/ProfileStore.h"
#include "framework/core/AppObject.h"
#include "framework/core/TextUtil.h"
#include "tests/engine/RuleTestUtil.h"
#include "tests/support/DialogDriver.h"
#include "tests/support/ProgramFixture.h"
#include "tests/support/TestEnv.h"
#include "ui/EditRuleRes.h"
#include "ui/MainDialogRes.h"

#include <commctrl.h>
#include <stdio.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {

const char kCaption[] = "PanelShepherd";
const int kMatchTab = 0, kActionsTab = 1, kAdvancedTab = 2;

POINT Centre(const RECT& r)
{
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// The tab texts of another process's tab control.
std::vector<std::string> TabTexts(HWND tab)
{
    std::vector<std::string> out;
    int count = (int)SendMessageA(tab, TCM_GETITEMCOUNT, 0, 0);
    RemoteBuffer buffer(tab, sizeof(TCITEMA) + 64);
    for (int i = 0; buffer.ok() && i < count; i++) {
        TCITEMA item = {};
        item.mask = TCIF_TEXT;
        item.pszText = (char*)buffer.address() + sizeof(TCITEMA);
        item.cchTextMax = 63;
        char text[64] = {};
        if (!buffer.Write(&item, sizeof(item)) || !SendMessageA(tab, TCM_GETITEMA, i, (LPARAM)buffer.address()) ||
            !buffer.Read(text, 63, sizeof(TCITEMA)))
            break;
        out.push_back(text);
    }
    return out;
}

// Sets one state of a list view item in another process.
bool SetListItemState(HWND list, int item, UINT state, UINT mask)
{
    RemoteBuffer buffer(list, sizeof(LVITEMA));
    LVITEMA lv = {};
    lv.state = state;
    lv.stateMask = mask;
    return buffer.ok() && buffer.Write(&lv, sizeof(lv)) &&
           SendMessageA(list, LVM_SETITEMSTATE, item, (LPARAM)buffer.address());
}

bool ListItemChecked(HWND list, int item)
{
    return ((SendMessageA(list, LVM_GETITEMSTATE, item, LVIS_STATEIMAGEMASK) & LVIS_STATEIMAGEMASK) >> 12) == 2;
}

// The background colour the edit shows at its right end, where no text is.
COLORREF EditBackground(HWND edit)
{
    RECT r;
    GetWindowRect(edit, &r);
    HDC screen = GetDC(nullptr);
    COLORREF c = GetPixel(screen, r.right - 6, (r.top + r.bottom) / 2);
    ReleaseDC(nullptr, screen);
    return c;
}

bool Greenish(COLORREF c)
{
    return GetGValue(c) > 200 && GetRValue(c) < 220 && GetBValue(c) < 220;
}

bool Reddish(COLORREF c)
{
    return GetRValue(c) > 200 && GetGValue(c) < 220 && GetBValue(c) < 220;
}

// Top-level windows made by this process on a thread of their own, shown
// one by one over a time, then kept until the end of the test.
class WindowStorm {
public:
    ~WindowStorm() { Stop(); }
    void Start(const std::string& prefix, int count, DWORD ms)
    {
        thread_ = std::thread([this, prefix, count, ms] { Run(prefix, count, ms); });
    }
    int Made() const { return made_; }
    void Stop()
    {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
    }
    HWND Handle(int i)
    {
        std::lock_guard<std::mutex> hold(lock_);
        return i >= 0 && i < (int)handles_.size() ? handles_[i] : nullptr;
    }

private:
    void Run(const std::string& prefix, int count, DWORD ms)
    {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "EditRuleStorm";
        RegisterClassA(&wc);
        std::vector<HWND> windows;
        DWORD start = GetTickCount();
        while (!stop_) {
            DWORD due = count > 0 ? (DWORD)((uint64_t)ms * windows.size() / count) : 0;
            if ((int)windows.size() < count && GetTickCount() - start >= due) {
                std::string title = prefix + std::to_string(windows.size());
                // Shown without taking the activation: the storm is of new windows, not of focus changes.
                HWND w = CreateWindowExA(0, "EditRuleStorm", title.c_str(), WS_OVERLAPPEDWINDOW,
                                         600 + (int)(windows.size() % 10) * 8, 300, 200, 120, nullptr, nullptr,
                                         GetModuleHandleA(nullptr), nullptr);
                if (w) ShowWindow(w, SW_SHOWNOACTIVATE);
                windows.push_back(w);
                {
                    std::lock_guard<std::mutex> hold(lock_);
                    handles_.push_back(w);
                }
                made_ = (int)windows.size();
            }
            MSG msg;
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
        }
        for (HWND w : windows)
            if (w) DestroyWindow(w);
    }
    std::thread thread_;
    std::mutex lock_;
    std::vector<HWND> handles_;
    std::atomic<bool> stop_{false};
    std::atomic<int> made_{0};
};

class EditRuleE2E : public ProgramTest {
protected:
    void TearDown() override
    {
        MouseButton(false);
        ProgramTest::TearDown();
    }
    // The program with a profile of these rules (and templates), its main dialog open.
    bool OpenMain(const std::vector<Rule>& rules, const std::function<void(Profile&)>& configure = nullptr)
    {
        if (!WriteProfile(rules, configure) || !Start()) return false;
        long code = -1;
        for (int attempt = 0; attempt < 3 && code != 0; attempt++) code = RunProgramToEnd("");
        if (code != 0) return false;
        PumpUntil(
            [&] {
                main = FindDialog(run.child.pid, kCaption);
                return main && DialogControl(main, IDTV_MAIN_RULES);
            },
            15000);
        tree = main ? DialogControl(main, IDTV_MAIN_RULES) : nullptr;
        // Out of the way of the test windows.
        if (main) SetWindowPos(main, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        return tree != nullptr;
    }
    bool Select(const char* name)
    {
        HTREEITEM item = nullptr;
        PumpUntil([&] { return (item = FindTreeItem(tree, name)) != nullptr; }, 10000);
        return item && SelectTreeItem(tree, item) && PumpUntil([&] { return TreeSelection(tree) == item; }, 5000);
    }
    // Edit on the named rule: the Edit Rule dialog.
    bool OpenEdit(const char* name)
    {
        if (!Select(name) || !PumpUntil([&] { return ControlEnabled(main, IDB_MAIN_EDIT); }, 5000))
            return false;
        DWORD clicked = GetTickCount();
        if (!ClickControl(main, IDB_MAIN_EDIT)) return false;
        edit = WaitForDialog(run.child.pid, "Edit Rule", 15000);
        // For the record, not a check: how long the click took to show the dialog.
        if (edit) printf("Edit Rule shown %lu ms after the click\n", (unsigned long)(GetTickCount() - clicked));
        if (edit) SetWindowPos(edit, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        return edit != nullptr;
    }
    HWND Tabs() const { return DialogControl(edit, IDTAB_RULE_EDITOR); }
    bool ShowTab(int index)
    {
        HWND tab = Tabs();
        return tab && SelectTab(tab, index) &&
               PumpUntil([&] { return SendMessageA(tab, TCM_GETCURSEL, 0, 0) == index; }, 5000);
    }
    std::string Text(int id) const { return ReadControlText(DialogControl(edit, id)); }
    bool SetText(int id, const std::string& text) { return SetControlText(DialogControl(edit, id), text); }
    // A check box to the wanted state, clicked as a user would.
    bool SetCheck(int id, bool on)
    {
        if ((ControlChecked(edit, id) == BST_CHECKED) == on) return true;
        return ClickControl(edit, id) &&
               PumpUntil([&] { return (ControlChecked(edit, id) == BST_CHECKED) == on; }, 5000);
    }
    // A row chosen, and the page told at once (sent: a combo box opens no dialog).
    bool Choose(int id, int row)
    {
        HWND combo = DialogControl(edit, id);
        DWORD_PTR answer = 0;
        return combo && (int)SendMessageA(combo, CB_SETCURSEL, row, 0) == row &&
               SendMessageTimeoutA(GetParent(combo), WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), (LPARAM)combo,
                                   SMTO_ABORTIFHUNG, 5000, &answer);
    }
    bool CloseEdit(int button)
    {
        HWND shown = edit;
        return ClickControl(edit, button) && WaitForWindowGone(shown, 15000);
    }
    // The stored keys of profile 0, once want holds for them.
    bool WaitForKeys(const std::function<bool()>& want, DWORD ms = 15000)
    {
        return PumpUntil(
            [&] {
                keys.clear();
                return ReadRawRecord(ProfilePath(0), &keys) && want();
            },
            ms);
    }
    std::string Key(int rule, const std::string& field)
    {
        auto found = keys.find("Rule[" + std::to_string(rule) + "]." + field);
        return found == keys.end() ? "<missing>" : found->second;
    }

    HWND main = nullptr, tree = nullptr, edit = nullptr;
    std::map<std::string, std::string> keys;
};

//--- the pages and what they store

enum FieldOp { OP_TEXT, OP_CHECK, OP_COMBO, OP_SLOT };

struct FieldCase {
    int tab;          // page; the Match page's option children: their tab index + 10
    int id;
    FieldOp op;
    const char* value;   // text, "1"/"0", row, slot
    const char* key;     // stored key checked afterwards (null: none)
    const char* want;
};

const FieldCase kFields[] = {
    {kMatchTab, IDE_MATCH_NAME, OP_TEXT, "Edited Rule", "name", "Edited Rule"},
    {kMatchTab, IDX_MATCH_KEEP, OP_CHECK, "1", nullptr, nullptr},
    {kMatchTab, IDX_MATCH_ENABLED, OP_CHECK, "0", "item", "84"},
    {kMatchTab, IDCB_MATCH_TITLECMP, OP_COMBO, "2", nullptr, nullptr},
    {kMatchTab, IDX_MATCH_TITLENOT, OP_CHECK, "1", "cmpcaption", "82"},
    {kMatchTab, IDE_MATCH_TITLE, OP_TEXT, "Edited Title", "caption", "Edited Title"},
    {kMatchTab, IDCB_MATCH_CLASSCMP, OP_COMBO, "3", "cmpwndclss", "03"},
    {kMatchTab, IDE_MATCH_CLASS, OP_TEXT, "EditedClass", "wndclsslen", "11"},
    {kMatchTab, IDCB_MATCH_PROGCMP, OP_COMBO, "5", nullptr, nullptr},
    {kMatchTab, IDX_MATCH_PROGNOT, OP_CHECK, "1", "cmpprogram", "85"},
    {kMatchTab, IDE_MATCH_PROGRAM, OP_TEXT, "edited\\.exe$", "program", "edited\\.exe$"},
    {kMatchTab, IDE_MATCH_AND, OP_TEXT, "+", "sepan", "+"},
    {kMatchTab, IDE_MATCH_OR, OP_TEXT, "|", "sepor", "|"},
    {10, IDX_INC_TITLEX, OP_CHECK, "1", "titlex", "01"},
    {10, IDE_INC_TITLEXTIME, OP_TEXT, "3500", "titlextime", "3500"},
    {10, IDX_INC_MATCHX, OP_CHECK, "1", "matchxnum", "01"},
    {10, IDE_INC_MATCHXNUM, OP_TEXT, "5000", "matchxnumnum", "1024"},   // clamped
    {11, IDX_EXC_SMALL, OP_CHECK, "1", "ignsmall", "01"},
    {11, IDE_EXC_SMALLW, OP_TEXT, "150", "ignsw", "150"},
    {11, IDE_EXC_SMALLH, OP_TEXT, "90", "ignsh", "90"},
    {11, IDCB_EXC_SMALLMODE, OP_COMBO, "1", "ignsmallmode", "01"},
    {kActionsTab, IDX_ACT_MOVETO, OP_CHECK, "1", "moveto", "01"},
    {kActionsTab, IDCB_ACT_MOVEMODE, OP_COMBO, "0", "movetomode", "00"},
    {kActionsTab, IDE_ACT_X, OP_TEXT, "310", "x", "310"},
    {kActionsTab, IDE_ACT_Y, OP_TEXT, "-20", "y", "-20"},
    {kActionsTab, IDX_ACT_LOCKPOS, OP_CHECK, "1", "lockpos", "01"},
    {kActionsTab, IDX_ACT_ONSCREEN, OP_CHECK, "1", "keeponscreen", "01"},
    {kActionsTab, IDX_ACT_SIZETO, OP_CHECK, "1", "sizeto", "01"},
    {kActionsTab, IDCB_ACT_SIZEMODE, OP_COMBO, "0", "sizetomode", "00"},
    {kActionsTab, IDE_ACT_WIDTH, OP_TEXT, "520", "w", "520"},
    {kActionsTab, IDE_ACT_HEIGHT, OP_TEXT, "410", "h", "410"},
    {kActionsTab, IDX_ACT_LOCKSIZE, OP_CHECK, "1", "locksize", "01"},
    {kActionsTab, IDX_ACT_STATETO, OP_CHECK, "1", "stateto", "01"},
    {kActionsTab, IDCB_ACT_STATEMODE, OP_COMBO, "0", "statetomode", "00"},
    {kActionsTab, IDCB_ACT_STATE, OP_COMBO, "2", "state", "02"},
    {kActionsTab, IDX_ACT_LOCKSTATE, OP_CHECK, "1", "lockstate", "01"},
    {kActionsTab, IDX_ACT_ORDERTO, OP_CHECK, "1", "orderto", "01"},
    {kActionsTab, IDCB_ACT_ORDER, OP_COMBO, "2", "order", "02"},
    {kActionsTab, IDX_ACT_TRANSTO, OP_CHECK, "1", "transto", "01"},
    {kActionsTab, IDE_ACT_TRANSVAL, OP_TEXT, "40", "transval", "28"},
    {kActionsTab, IDX_ACT_CLICKTHRU, OP_CHECK, "1", "clickthrough", "01"},
    {kActionsTab, IDX_ACT_ACTIVATE, OP_CHECK, "1", "activate", "01"},
    {kActionsTab, IDX_ACT_DELAY, OP_CHECK, "1", "tdelay", "01"},
    {kActionsTab, IDE_ACT_DELAYTIME, OP_TEXT, "750", "tdelaytime", "750"},
    {kActionsTab, IDX_ACT_RETRY, OP_CHECK, "1", "tretry", "01"},
    {kActionsTab, IDE_ACT_RETRYTIME, OP_TEXT, "99999", "tretrytime", "10000"},   // clamped
    {kAdvancedTab, 0, OP_SLOT, "0", nullptr, nullptr},
    {kAdvancedTab, IDE_ADV_SCRIPT, OP_TEXT, "WAIT( 100 )", "cmdtext[0]", "WAIT( 100 )"},
    {kAdvancedTab, 0, OP_SLOT, "8", "cmdenable[0]", "01"},
    {kAdvancedTab, IDE_ADV_SCRIPT, OP_TEXT, "WAIT( 200 )", "cmdtext[8]", "WAIT( 200 )"},
    {kAdvancedTab, IDX_ADV_ASSIGNONCE, OP_CHECK, "1", "assignonce", "01"},
    {kAdvancedTab, IDX_ADV_NOUPDATE, OP_CHECK, "1", "exclfromupdt", "01"},
    {kAdvancedTab, IDX_ADV_VIEWMODE, OP_CHECK, "1", "remviewmode", "01"},
};

TEST_F(EditRuleE2E, EditShowsThePagesAndEveryPageStoresItsFieldsAfterOkAndAfterApply)
{
    Rule r = TitleRule("ER Rule", "ER Title", CMP_EQUALS);
    SET_RULE_TEXT(&r, wndclss, "ERClass");
    r.x = 120;
    r.w = 640;
    ASSERT_TRUE(OpenMain({r}));
    ASSERT_TRUE(OpenEdit("ER Rule"));
    EXPECT_EQ((std::vector<std::string>{"Match", "Actions", "Advanced"}), TabTexts(Tabs()));
    ASSERT_TRUE(ShowTab(kMatchTab));
    EXPECT_EQ("ER Rule", Text(IDE_MATCH_NAME));
    EXPECT_EQ("ER Title", Text(IDE_MATCH_TITLE));
    EXPECT_EQ("ERClass", Text(IDE_MATCH_CLASS));
    EXPECT_EQ(1, ComboSelection(DialogControl(edit, IDCB_MATCH_TITLECMP))) << "\"Is\"";
    EXPECT_EQ(BST_CHECKED, ControlChecked(edit, IDX_MATCH_ENABLED));
    std::string last = Text(IDT_MATCH_LASTMATCH);
    EXPECT_TRUE(last == "never" || (last.size() > 4 && last.compare(last.size() - 4, 4, " ago") == 0)) << last;
    ASSERT_TRUE(ShowTab(kActionsTab));
    EXPECT_EQ("120", Text(IDE_ACT_X));
    EXPECT_EQ("", Text(IDE_ACT_Y)) << "an unset coordinate shows empty";
    EXPECT_EQ("640", Text(IDE_ACT_WIDTH));

    auto apply = [&](const FieldCase& c) {
        if (c.tab >= 10) {
            if (!ShowTab(kMatchTab)) return false;
            HWND options = DialogControl(edit, IDTAB_MATCH_OPTIONS);
            if (!SelectTab(options, c.tab - 10)) return false;
            if (!PumpUntil([&] { return DialogControl(edit, c.id) != nullptr; }, 5000)) return false;
        } else if (!ShowTab(c.tab)) {
            return false;
        }
        switch (c.op) {
        case OP_TEXT:
            return SetText(c.id, c.value);
        case OP_CHECK:
            return SetCheck(c.id, c.value[0] == '1');
        case OP_COMBO:
            return Choose(c.id, atoi(c.value));
        case OP_SLOT: {
            HWND list = DialogControl(edit, IDL_ADV_SLOTS);
            int slot = atoi(c.value);
            // The slot shown so far is ticked on the way out, as a user ticks it.
            return SetListItemState(list, slot, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED) &&
                   SetListItemState(list, 0, INDEXTOSTATEIMAGEMASK(2), LVIS_STATEIMAGEMASK) &&
                   PumpUntil([&] { return ListItemChecked(list, 0); }, 5000);
        }
        }
        return false;
    };
    for (size_t i = 0; i < ARRAYSIZE(kFields); i++) {
        SCOPED_TRACE(testing::Message() << "row " << i << ": control " << kFields[i].id);
        ASSERT_TRUE(apply(kFields[i]));
    }
    ASSERT_TRUE(CloseEdit(IDOK));
    ASSERT_TRUE(ClickControl(main, IDB_MAIN_APPLY));
    auto stored = [&] {
        for (const FieldCase& c : kFields)
            if (c.key && Key(0, c.key) != c.want) return false;
        return true;
    };
    EXPECT_TRUE(WaitForKeys(stored));
    for (size_t i = 0; i < ARRAYSIZE(kFields); i++) {
        if (!kFields[i].key) continue;
        EXPECT_EQ(kFields[i].want, Key(0, kFields[i].key)) << "after Apply, row " << i;
    }
    EXPECT_EQ("01", Key(0, "cmdactive"));

    // Shown again as stored, then changed once more and kept by OK.
    ASSERT_TRUE(OpenEdit("Edited Rule"));
    ASSERT_TRUE(ShowTab(kAdvancedTab));
    EXPECT_EQ(8, (int)SendMessageA(DialogControl(edit, IDL_ADV_SLOTS), LVM_GETNEXTITEM, -1, LVNI_SELECTED))
        << "the slot selected last";
    EXPECT_EQ("WAIT( 200 )", Text(IDE_ADV_SCRIPT));
    ASSERT_TRUE(ShowTab(kActionsTab));
    EXPECT_EQ("310", Text(IDE_ACT_X));
    EXPECT_EQ(2, ComboSelection(DialogControl(edit, IDCB_ACT_STATE)));
    ASSERT_TRUE(SetText(IDE_ACT_X, "333"));
    ASSERT_TRUE(ShowTab(kMatchTab));
    ASSERT_TRUE(SetText(IDE_MATCH_NAME, "Edited Again"));
    ASSERT_TRUE(CloseEdit(IDOK));
    EXPECT_TRUE(PumpUntil([&] { return FindTreeItem(tree, "Edited Again") != nullptr; }, 5000))
        << "the tree is refilled";
    HWND shown = main;
    ASSERT_TRUE(ClickControl(main, IDOK));
    EXPECT_TRUE(WaitForWindowGone(shown, 15000));
    EXPECT_TRUE(WaitForKeys([&] { return Key(0, "name") == "Edited Again" && Key(0, "x") == "333"; }))
        << Key(0, "name") << " " << Key(0, "x") << "\n" << Log();
    EXPECT_EQ("WAIT( 200 )", Key(0, "cmdtext[8]")) << "the rest stays";
}

//--- the whole road

TEST_F(EditRuleE2E, ARuleMadeByNewAndMovedOnTheActionsPagePlacesTheNextWindowOfItsProgram)
{
    ASSERT_TRUE(OpenMain({}, [](Profile& p) {
        p.pTemplates->count = 0;
        RuleTemplate road = TitleTemplate("Road", 0, "ER Road", CMP_STARTS_WITH);
        CopyText(road.rule.name, sizeof(road.rule.name), "#TITLE#");
        ArrayAppend(p.pTemplates, &road);
    }));
    TestWindow* first = Open("--title \"ER Road\" --rect 150,120,320,240");
    ASSERT_NE(nullptr, first);
    ASSERT_TRUE(PumpUntil([&] { return ClickControl(main, IDB_MAIN_NEW) && FindTreeItem(tree, "ER Road"); }, 15000))
        << "New makes the rule";
    ASSERT_TRUE(OpenEdit("ER Road"));
    ASSERT_TRUE(ShowTab(kActionsTab));
    ASSERT_TRUE(SetCheck(IDX_ACT_MOVETO, true));
    ASSERT_TRUE(Choose(IDCB_ACT_MOVEMODE, 0));
    ASSERT_TRUE(SetText(IDE_ACT_X, "300"));
    ASSERT_TRUE(SetText(IDE_ACT_Y, "200"));
    ASSERT_TRUE(SetCheck(IDX_ACT_SIZETO, true));
    ASSERT_TRUE(Choose(IDCB_ACT_SIZEMODE, 0));
    ASSERT_TRUE(SetText(IDE_ACT_WIDTH, "500"));
    ASSERT_TRUE(SetText(IDE_ACT_HEIGHT, "400"));
    ASSERT_TRUE(CloseEdit(IDOK));
    HWND shown = main;
    ASSERT_TRUE(ClickControl(main, IDOK));
    ASSERT_TRUE(WaitForWindowGone(shown, 15000));
    StopTestWindow(first);

    TestWindow* next = Open("--title \"ER Road\" --rect 40,40,200,150");
    ASSERT_NE(nullptr, next);
    TestWindowReport report;
    EXPECT_TRUE(WaitForReport(
        next,
        [](const TestWindowReport& r) {
            return r.normal.left == 300 && r.normal.top == 200 && r.normal.right - r.normal.left == 500 &&
                   r.normal.bottom - r.normal.top == 400;
        },
        &report, 15000))
        << report.normal.left << "," << report.normal.top << " " << report.normal.right - report.normal.left << "x"
        << report.normal.bottom - report.normal.top;
}

//--- the questions

TEST_F(EditRuleE2E, AnEmptyNameIsRefusedAndCancelAfterAChangeAsksAndNoKeepsTheDialog)
{
    ASSERT_TRUE(OpenMain({TitleRule("ER Asked", "ER Asked", CMP_EQUALS)}));
    ASSERT_TRUE(OpenEdit("ER Asked"));
    ASSERT_TRUE(ShowTab(kMatchTab));
    ASSERT_TRUE(SetText(IDE_MATCH_NAME, ""));
    ASSERT_TRUE(ClickControl(edit, IDOK));
    HWND box = WaitForMessageBox(run.child.pid, kCaption);
    ASSERT_NE(nullptr, box);
    EXPECT_EQ("Please select a name for the rule!", ReadMessageBoxText(box));
    EXPECT_EQ(edit, GetWindow(box, GW_OWNER)) << "the question is the dialog's own";
    EXPECT_FALSE(IsWindowEnabled(edit)) << "the dialog waits for its question";
    ASSERT_TRUE(AnswerMessageBox(box, IDOK));
    ASSERT_TRUE(WaitForWindowGone(box));
    EXPECT_TRUE(IsWindow(edit) && IsWindowVisible(edit)) << "the dialog stays open";

    ASSERT_TRUE(SetText(IDE_MATCH_NAME, "ER Renamed"));
    ASSERT_TRUE(ClickControl(edit, IDCANCEL));
    box = WaitForMessageBox(run.child.pid, kCaption);
    ASSERT_NE(nullptr, box);
    EXPECT_EQ("Are you sure you want to discard the changes?", ReadMessageBoxText(box));
    EXPECT_EQ(edit, GetWindow(box, GW_OWNER));
    ASSERT_TRUE(AnswerMessageBox(box, IDNO));
    ASSERT_TRUE(WaitForWindowGone(box));
    EXPECT_TRUE(IsWindowVisible(edit)) << "No keeps the dialog";
    EXPECT_EQ("ER Renamed", Text(IDE_MATCH_NAME));

    ASSERT_TRUE(ClickControl(edit, IDCANCEL));
    box = WaitForMessageBox(run.child.pid, kCaption);
    ASSERT_NE(nullptr, box);
    ASSERT_TRUE(AnswerMessageBox(box, IDYES));
    EXPECT_TRUE(WaitForWindowGone(edit));
    EXPECT_NE(nullptr, FindTreeItem(tree, "ER Asked")) << "Yes leaves the rule as it was";

    // Unchanged, Cancel asks nothing: the dialog goes at once.
    ASSERT_TRUE(OpenEdit("ER Asked"));
    EXPECT_TRUE(CloseEdit(IDCANCEL));
}

//--- the Actions page's enabling

struct EnablingCase {
    const char* why;
    std::vector<std::pair<int, int>> checks;   // check box id, state
    std::vector<std::pair<int, int>> combos;   // combo id, row
    std::set<int> enabled, disabled;
};

TEST_F(EditRuleE2E, TheActionsPageEnablesWhatItsChecksAndModesAllow)
{
    Rule r = TitleRule("ER Enable", "ER Enable", CMP_EQUALS);
    r.x = 10;
    r.y = 20;
    ASSERT_TRUE(OpenMain({r}));
    ASSERT_TRUE(OpenEdit("ER Enable"));
    ASSERT_TRUE(ShowTab(kActionsTab));
    const EnablingCase cases[] = {
        {"move off", {{IDX_ACT_MOVETO, 0}}, {},
         {}, {IDCB_ACT_MOVEMODE, IDE_ACT_X, IDE_ACT_Y, IDX_ACT_LOCKPOS, IDX_ACT_MOUSEREL, IDCB_ACT_OFFMODE,
              IDX_ACT_ONSCREEN}},
        {"move on, this position", {{IDX_ACT_MOVETO, 1}}, {{IDCB_ACT_MOVEMODE, 0}, {IDCB_ACT_OFFMODE, 0}},
         {IDCB_ACT_MOVEMODE, IDE_ACT_X, IDE_ACT_Y, IDX_ACT_LOCKPOS, IDX_ACT_MOUSEREL, IDCB_ACT_OFFMODE,
          IDX_ACT_ONSCREEN},
         {IDE_ACT_TILEROWS, IDE_ACT_OFFX}},
        {"last position", {}, {{IDCB_ACT_MOVEMODE, 1}},
         {IDCB_ACT_MOVEMODE, IDX_ACT_ONSCREEN}, {IDE_ACT_X, IDE_ACT_Y, IDX_ACT_LOCKPOS, IDX_ACT_MOUSEREL}},
        {"center owner", {}, {{IDCB_ACT_MOVEMODE, 3}}, {IDE_ACT_X, IDE_ACT_Y}, {IDX_ACT_MOUSEREL}},
        {"offset", {}, {{IDCB_ACT_OFFMODE, 1}}, {IDE_ACT_OFFX, IDE_ACT_OFFY}, {IDE_ACT_TILEROWS, IDE_ACT_TILECOLS}},
        {"tiling", {}, {{IDCB_ACT_OFFMODE, 4}}, {IDE_ACT_OFFX, IDE_ACT_TILEROWS, IDE_ACT_TILECOLS}, {}},
        {"size off", {{IDX_ACT_SIZETO, 0}}, {}, {}, {IDCB_ACT_SIZEMODE, IDE_ACT_WIDTH, IDX_ACT_LOCKSIZE}},
        {"last size", {{IDX_ACT_SIZETO, 1}}, {{IDCB_ACT_SIZEMODE, 1}}, {IDCB_ACT_SIZEMODE},
         {IDE_ACT_WIDTH, IDE_ACT_HEIGHT, IDX_ACT_LOCKSIZE}},
        {"state: last state", {{IDX_ACT_STATETO, 1}}, {{IDCB_ACT_STATEMODE, 1}}, {IDCB_ACT_STATEMODE},
         {IDCB_ACT_STATE, IDX_ACT_LOCKSTATE}},
        {"state: this state", {}, {{IDCB_ACT_STATEMODE, 0}}, {IDCB_ACT_STATE, IDX_ACT_LOCKSTATE}, {}},
        {"z order", {{IDX_ACT_ORDERTO, 1}}, {}, {IDCB_ACT_ORDER}, {}},
        {"transparency off", {{IDX_ACT_TRANSTO, 0}}, {}, {}, {IDE_ACT_TRANSVAL, IDX_ACT_CLICKTHRU}},
        {"transparency on", {{IDX_ACT_TRANSTO, 1}}, {}, {IDE_ACT_TRANSVAL, IDX_ACT_CLICKTHRU}, {}},
        {"delay and retry", {{IDX_ACT_DELAY, 1}, {IDX_ACT_RETRY, 0}}, {}, {IDE_ACT_DELAYTIME}, {IDE_ACT_RETRYTIME}},
        {"no window held", {}, {}, {}, {IDB_ACT_GET, IDB_ACT_SET, IDB_ACT_CENTER, IDB_ACT_EDIT, IDB_ACT_BLINK}},
    };
    for (const EnablingCase& c : cases) {
        SCOPED_TRACE(c.why);
        for (auto& check : c.checks) ASSERT_TRUE(SetCheck(check.first, check.second != 0));
        for (auto& combo : c.combos) ASSERT_TRUE(Choose(combo.first, combo.second));
        for (int id : c.enabled) EXPECT_TRUE(ControlEnabled(edit, id)) << "enabled " << id;
        for (int id : c.disabled) EXPECT_FALSE(ControlEnabled(edit, id)) << "disabled " << id;
    }
    // Center screen: X and Y are offsets from the centre, and start at 0.
    ASSERT_TRUE(SetCheck(IDX_ACT_MOVETO, true));
    ASSERT_TRUE(Choose(IDCB_ACT_MOVEMODE, 0));
    EXPECT_EQ("X-Pos:", Text(IDT_ACT_X));
    EXPECT_EQ("Y-Pos:", Text(IDT_ACT_Y));
    ASSERT_TRUE(SetText(IDE_ACT_X, "77"));
    ASSERT_TRUE(Choose(IDCB_ACT_MOVEMODE, 2));
    EXPECT_EQ("X-Off:", Text(IDT_ACT_X));
    EXPECT_EQ("Y-Off:", Text(IDT_ACT_Y));
    EXPECT_EQ("0", Text(IDE_ACT_X));
    EXPECT_EQ("0", Text(IDE_ACT_Y));
}

//--- the ways to Edit

TEST_F(EditRuleE2E, DoubleClickEnterAndTheMenuCommandOpenEditRuleAndAGroupGoesToItsOwnDialog)
{
    Rule group;
    InitRule(&group);
    group.item = RULE_ITEM_GROUP | RULE_ITEM_EXPANDED;
    CopyText(group.name, sizeof(group.name), "ER Group");
    Rule inside = TitleRule("ER Inside", "ER Inside", CMP_EQUALS);
    inside.level = 2;
    ASSERT_TRUE(OpenMain({group, inside}));
    auto editedName = [&] {
        edit = WaitForDialog(run.child.pid, "Edit Rule", 10000);
        std::string name = edit ? Text(IDE_MATCH_NAME) : "";
        return name;
    };

    // A double click on the rule's text.
    HTREEITEM item = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return (item = FindTreeItem(tree, "ER Inside")) != nullptr; }, 10000));
    RECT text;
    ASSERT_TRUE(TreeItemRect(tree, item, true, &text));
    ASSERT_TRUE(MoveMouseTo(Centre(text)));
    for (int i = 0; i < 2; i++) ASSERT_TRUE(MouseButton(true) && MouseButton(false));
    EXPECT_EQ("ER Inside", editedName()) << "double click";
    if (edit) {
        ASSERT_TRUE(CloseEdit(IDCANCEL));
    }

    // Enter in the tree.
    ASSERT_TRUE(Select("ER Inside"));
    PostMessageA(tree, WM_KEYDOWN, VK_RETURN, 0);
    PostMessageA(tree, WM_KEYUP, VK_RETURN, 0xC0000001);
    EXPECT_EQ("ER Inside", editedName()) << "Enter";
    if (edit) {
        ASSERT_TRUE(CloseEdit(IDCANCEL));
    }

    // The group's Edit goes to Edit Group, over the main dialog.
    ASSERT_TRUE(Select("ER Group"));
    PostDialogCommand(main, ZRPMSG_COMMAND, 1202);
    HWND editGroup = WaitForDialog(run.child.pid, "Edit Group");
    ASSERT_NE(nullptr, editGroup);
    EXPECT_EQ(main, GetWindow(editGroup, GW_OWNER));
    EXPECT_EQ(nullptr, FindDialog(run.child.pid, "Edit Rule"));
    ASSERT_TRUE(ClickControl(editGroup, IDCANCEL));
    ASSERT_TRUE(WaitForWindowGone(editGroup));
    ASSERT_TRUE(Select("ER Inside"));
    PostDialogCommand(main, ZRPMSG_COMMAND, 1202);
    EXPECT_EQ("ER Inside", editedName()) << "the menu's Edit...";
    if (edit) {
        ASSERT_TRUE(CloseEdit(IDCANCEL));
    }
}

//--- the live data under the dialog

TEST_F(EditRuleE2E, AProfileSwitchWhileTheDialogIsOpenLeavesTheEditInTheRulesOwnProfile)
{
    ASSERT_TRUE(WriteProfiles({ProfileSpec("Alpha", nullptr, {TitleRule("ER Loaded", "ER Loaded", CMP_EQUALS)}),
                               ProfileSpec("Beta", nullptr, {TitleRule("ER Elsewhere", "ER Elsewhere", CMP_EQUALS)})},
                              0));
    ASSERT_TRUE(Start());
    long code = -1;
    for (int attempt = 0; attempt < 3 && code != 0; attempt++) code = RunProgramToEnd("");
    ASSERT_EQ(0, code);
    ASSERT_TRUE(PumpUntil(
        [&] {
            main = FindDialog(run.child.pid, kCaption);
            return main && DialogControl(main, IDTV_MAIN_RULES);
        },
        15000));
    tree = DialogControl(main, IDTV_MAIN_RULES);
    ASSERT_TRUE(OpenEdit("ER Loaded")) << TreeOutline(ReadTree(tree));
    ASSERT_TRUE(ShowTab(kMatchTab));
    ASSERT_TRUE(SetText(IDE_MATCH_NAME, "ER Loaded Edited"));
    // Another start switches the profile while the dialog is open.
    ASSERT_EQ(0, RunProgramToEnd("-LOAD Beta"));
    ASSERT_TRUE(PumpUntil([&] { return FindTreeItem(tree, "ER Elsewhere") != nullptr; }, 15000))
        << "the tree shows the other profile";
    ASSERT_TRUE(CloseEdit(IDOK));
    EXPECT_EQ(nullptr, FindTreeItem(tree, "ER Loaded Edited")) << "not put into the profile shown now";
    HWND shown = main;
    ASSERT_TRUE(ClickControl(main, IDOK));
    ASSERT_TRUE(WaitForWindowGone(shown, 15000));
    EXPECT_TRUE(WaitForKeys([&] { return Key(0, "name") == "ER Loaded Edited"; })) << Key(0, "name");
    std::map<std::string, std::string> other;
    ASSERT_TRUE(ReadRawRecord(ProfilePath(1), &other));
    EXPECT_EQ("ER Elsewhere", other["Rule[0].name"]);
}

//--- bounded fields

TEST_F(EditRuleE2E, NumberFieldsTakeOnlyANumbersCharactersTypedOrPastedAndTextsAreCutToTheirFields)
{
    ASSERT_TRUE(OpenMain({TitleRule("ER Bounds", "ER Bounds", CMP_EQUALS)}));
    ASSERT_TRUE(OpenEdit("ER Bounds"));
    ASSERT_TRUE(ShowTab(kActionsTab));
    HWND x = DialogControl(edit, IDE_ACT_X);
    ASSERT_TRUE(SetText(IDE_ACT_X, ""));
    for (char c : std::string("1a2-")) PostMessageA(x, WM_CHAR, (WPARAM)c, 0);
    EXPECT_TRUE(PumpUntil([&] { return Text(IDE_ACT_X) == "12-"; }, 5000)) << Text(IDE_ACT_X);
    // The clipboard is the desktop's: what a paste brings is filtered the same way.
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    const char pasted[] = "3x4 5";
    HGLOBAL data = GlobalAlloc(GMEM_MOVEABLE, sizeof(pasted));
    ASSERT_NE(nullptr, data);
    memcpy(GlobalLock(data), pasted, sizeof(pasted));
    GlobalUnlock(data);
    ASSERT_NE(nullptr, SetClipboardData(CF_TEXT, data));
    CloseClipboard();
    ASSERT_TRUE(SetText(IDE_ACT_Y, ""));
    DWORD_PTR answer = 0;
    SendMessageTimeoutA(DialogControl(edit, IDE_ACT_Y), WM_PASTE, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer);
    EXPECT_EQ("345", Text(IDE_ACT_Y));

    ASSERT_TRUE(ShowTab(kMatchTab));
    ASSERT_TRUE(SetText(IDE_MATCH_NAME, std::string(300, 'N')));
    ASSERT_TRUE(ShowTab(kAdvancedTab));
    ASSERT_TRUE(SetText(IDE_ADV_SCRIPT, std::string(1500, 'S')));
    ASSERT_TRUE(CloseEdit(IDOK));
    HWND shown = main;
    ASSERT_TRUE(ClickControl(main, IDOK));
    ASSERT_TRUE(WaitForWindowGone(shown, 15000));
    EXPECT_TRUE(WaitForKeys([&] { return Key(0, "name") == std::string(259, 'N'); })) << Key(0, "name").size();
    EXPECT_EQ(std::string(1023, 'S'), Key(0, "cmdtext[0]")) << "a slot holds 1023 characters";
    EXPECT_EQ("12", Key(0, "x")) << "\"12-\" is read as the number it starts with";
}

//--- the finders and Match Result

TEST_F(EditRuleE2E, TheFindersFillTheMatchPageAndEscWhileDraggingPutsTheOldTextsBack)
{
    ASSERT_TRUE(OpenMain({TitleRule("ER Find", "ER Find", CMP_EQUALS)}));
    TestWindow* target = Open("--title \"ER Finder Target\" --class ERFinderClass --rect 700,300,320,220");
    ASSERT_NE(nullptr, target);
    ASSERT_NE(std::string::npos, WaitForWindowLine("NEW", target->hwnd, 0)) << "the program tracks the window";
    ASSERT_TRUE(OpenEdit("ER Find"));
    ASSERT_TRUE(ShowTab(kMatchTab));
    RECT over;
    ASSERT_TRUE(GetWindowRect(target->hwnd, &over));
    struct FinderCase {
        int finder, field;
        std::function<bool(const std::string&)> filled;
    };
    const FinderCase finders[] = {
        {IDB_MATCH_FINDTITLE, IDE_MATCH_TITLE, [](const std::string& t) { return t == "ER Finder Target"; }},
        {IDB_MATCH_FINDCLASS, IDE_MATCH_CLASS, [](const std::string& t) { return t == "ERFinderClass"; }},
        {IDB_MATCH_FINDPROG, IDE_MATCH_PROGRAM,
         [](const std::string& t) {
             std::string lower = t;
             std::transform(lower.begin(), lower.end(), lower.begin(), ::tolower);
             return lower.find("testwindow.exe") != std::string::npos;
         }},
    };
    for (const FinderCase& f : finders) {
        SCOPED_TRACE(testing::Message() << "finder " << f.finder);
        RECT button;
        ASSERT_TRUE(GetWindowRect(DialogControl(edit, f.finder), &button));
        EXPECT_TRUE(DragMouse(Centre(button), Centre(over), [&] { return f.filled(Text(f.field)); }))
            << Text(f.field);
        EXPECT_TRUE(PumpUntil([&] { return f.filled(Text(f.field)); }, 3000)) << "kept after the release";
    }

    ASSERT_TRUE(SetText(IDE_MATCH_TITLE, "Old Title"));
    RECT button;
    ASSERT_TRUE(GetWindowRect(DialogControl(edit, IDB_MATCH_FINDTITLE), &button));
    ASSERT_TRUE(MoveMouseTo(Centre(button)));
    ASSERT_TRUE(MouseButton(true));
    POINT to = Centre(over);
    for (int step = 1; step <= 8; step++) {
        POINT at = {Centre(button).x + (to.x - Centre(button).x) * step / 8,
                    Centre(button).y + (to.y - Centre(button).y) * step / 8};
        MoveMouseTo(at);
        PumpFor(60);
    }
    EXPECT_TRUE(PumpUntil([&] { return Text(IDE_MATCH_TITLE) == "ER Finder Target"; }, 5000));
    ASSERT_TRUE(HoldKey(VK_ESCAPE, true));
    ASSERT_TRUE(HoldKey(VK_ESCAPE, false));
    EXPECT_TRUE(PumpUntil([&] { return Text(IDE_MATCH_TITLE) == "Old Title"; }, 5000)) << Text(IDE_MATCH_TITLE);
    ASSERT_TRUE(MouseButton(false));
    PumpFor(300);
    EXPECT_EQ("Old Title", Text(IDE_MATCH_TITLE)) << "the release after Esc fills nothing";
    EXPECT_TRUE(IsWindowVisible(edit)) << "Esc belonged to the finder, not to Cancel";
}

TEST_F(EditRuleE2E, TestOpensMatchResultInColoursEditingRetestsAndClosingEditRuleClosesIt)
{
    Rule r = TitleRule("ER Tested", "ER Result Target", CMP_EQUALS);
    SET_RULE_TEXT(&r, wndclss, "NotItsClass");
    r.cmpwndclss = CMP_EQUALS;
    ASSERT_TRUE(OpenMain({r}));
    TestWindow* target = Open("--title \"ER Result Target\" --class ERResultClass --rect 700,300,320,220");
    ASSERT_NE(nullptr, target);
    ASSERT_NE(std::string::npos, WaitForWindowLine("NEW", target->hwnd, 0));
    ASSERT_TRUE(OpenEdit("ER Tested"));
    ASSERT_TRUE(ShowTab(kMatchTab));
    RECT button, over;
    ASSERT_TRUE(GetWindowRect(DialogControl(edit, IDB_MATCH_TEST), &button));
    ASSERT_TRUE(GetWindowRect(target->hwnd, &over));
    // Released once the frame is around the target, not around a window on the way.
    auto framed = [&] {
        HWND frame = FindProcessWindow(run.child.pid, "PanelShepherdCaptureOverlay");
        RECT r;
        POINT centre = Centre(over);
        return frame && IsWindowVisible(frame) && GetWindowRect(frame, &r) && PtInRect(&r, centre) &&
               r.right - r.left < (over.right - over.left) + 40;
    };
    ASSERT_TRUE(DragMouse(Centre(button), Centre(over), framed));
    HWND result = WaitForDialog(run.child.pid, "Match Result");
    ASSERT_NE(nullptr, result);
    EXPECT_EQ(edit, GetWindow(result, GW_OWNER));
    RECT shownAt, page;
    ASSERT_TRUE(GetWindowRect(result, &shownAt));
    ASSERT_TRUE(GetWindowRect(DialogControl(edit, IDB_MATCH_TEST), &page));
    POINT testCentre = Centre(page);
    EXPECT_FALSE(PtInRect(&shownAt, testCentre)) << "it leaves the Test button free";
    HWND title = DialogControl(result, IDE_RESULT_TITLE), cls = DialogControl(result, IDE_RESULT_CLASS);
    EXPECT_TRUE(PumpUntil([&] { return ReadControlText(title) == "ER Result Target"; }, 5000));
    EXPECT_EQ("ERResultClass", ReadControlText(cls));
    EXPECT_TRUE(PumpUntil([&] { return Greenish(EditBackground(title)); }, 5000)) << "the title matches";
    EXPECT_TRUE(Reddish(EditBackground(cls))) << "the class does not";

    ASSERT_TRUE(SetControlText(title, "Another Title"));
    EXPECT_TRUE(PumpUntil([&] { return Reddish(EditBackground(title)); }, 5000)) << "tested again: no match";
    // A criterion changed on the page tests again as well.
    ASSERT_TRUE(SetText(IDE_MATCH_TITLE, "Another Title"));
    EXPECT_TRUE(PumpUntil([&] { return Greenish(EditBackground(title)); }, 5000));

    // Esc in a field closes it; Test opens it again where it was.
    RECT was;
    ASSERT_TRUE(GetWindowRect(result, &was));
    PostMessageA(cls, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    ASSERT_TRUE(WaitForWindowGone(result));
    // A Test released without a new window tests the texts it has.
    HWND testButton = DialogControl(edit, IDB_MATCH_TEST);
    PostMessageA(GetParent(testButton), WM_COMMAND, IDB_MATCH_TEST, (LPARAM)testButton);
    result = WaitForDialog(run.child.pid, "Match Result");
    ASSERT_NE(nullptr, result);
    RECT now;
    ASSERT_TRUE(GetWindowRect(result, &now));
    EXPECT_EQ(was.left, now.left);
    EXPECT_EQ(was.top, now.top);
    title = DialogControl(result, IDE_RESULT_TITLE);
    EXPECT_TRUE(PumpUntil([&] { return ReadControlText(title) == "Another Title"; }, 5000));

    ASSERT_TRUE(ClickControl(edit, IDCANCEL));
    HWND box = WaitForMessageBox(run.child.pid, kCaption);
    ASSERT_NE(nullptr, box);
    ASSERT_TRUE(AnswerMessageBox(box, IDYES));
    EXPECT_TRUE(WaitForWindowGone(edit));
    EXPECT_TRUE(WaitForWindowGone(result)) << "Match Result goes with its page";
}

//--- OK while the worker gives the rule windows

// The windows the rule was applied to, by the log's RUL lines.
std::set<std::string> AppliedWindows(const std::string& log, const std::string& rule)
{
    std::set<std::string> out;
    std::string head = "RUL: RULE(" + rule + "), HWND(";
    for (size_t at = log.find(head); at != std::string::npos; at = log.find(head, at + 1))
        out.insert(log.substr(at + head.size(), 8));
    return out;
}

TEST_F(EditRuleE2E, OkDuringAWindowStormKeepsWhatThePassGaveTheRuleAndStoresTheEdits)
{
    // The rule takes only the first 20 windows: its count of them is the
    // pass's, and OK must not set it back to what it was on opening.
    Rule r = TitleRule("ER Storm", "ER Storm ", CMP_STARTS_WITH);
    r.matchxnum = 1;
    r.matchxnumnum = 20;
    ASSERT_TRUE(OpenMain({r}));
    ASSERT_TRUE(OpenEdit("ER Storm"));
    ASSERT_TRUE(ShowTab(kActionsTab));
    ASSERT_TRUE(SetCheck(IDX_ACT_MOVETO, true));
    ASSERT_TRUE(Choose(IDCB_ACT_MOVEMODE, 0));
    ASSERT_TRUE(SetText(IDE_ACT_X, "250"));
    ASSERT_TRUE(SetText(IDE_ACT_Y, "260"));
    WindowStorm storm;
    storm.Start("ER Storm ", 100, 5000);
    ASSERT_TRUE(PumpUntil([&] { return AppliedWindows(Log(), "ER Storm").size() >= 20 && storm.Made() >= 30; },
                          15000))
        << AppliedWindows(Log(), "ER Storm").size();
    EXPECT_LT(storm.Made(), 100) << "OK comes while windows still appear";
    ASSERT_TRUE(CloseEdit(IDOK));
    ASSERT_TRUE(PumpUntil([&] { return storm.Made() == 100; }, 20000));
    HWND last = storm.Handle(99);
    EXPECT_NE(std::string::npos, WaitForWindowLine("NEW", last, 0, nullptr, 20000)) << "the pass saw the storm";
    PumpFor(500);
    std::set<std::string> applied = AppliedWindows(Log(), "ER Storm");
    EXPECT_EQ(20u, applied.size()) << "OK kept the rule's count of matched windows";

    HWND shown = main;
    ASSERT_TRUE(ClickControl(main, IDOK));
    EXPECT_TRUE(WaitForWindowGone(shown, 15000));
    EXPECT_TRUE(WaitForKeys([&] { return Key(0, "x") == "250" && Key(0, "y") == "260"; }))
        << Key(0, "x") << "," << Key(0, "y");
    EXPECT_EQ("01", Key(0, "matchxnum"));
    EXPECT_EQ("20", Key(0, "matchxnumnum"));
    storm.Stop();
}

}  // namespace
