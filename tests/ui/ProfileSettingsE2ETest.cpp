// ProfileSettingsE2ETest.cpp - the running program's Profile Settings driven
// from the main dialog's Settings... as a user drives it: every page's fields
// into the profile file, the scale label, hotkeys another program or profile
// holds, OK while the worker makes rules, Cancel while a desktop-icon save
// runs, and the rule templates' list. What OK gives back is read with the
// program's own reader.
#include "engine/ProductIds.h"
#include "framework/core/TextUtil.h"
#include "tests/engine/RuleTestUtil.h"
#include "tests/support/DialogDriver.h"
#include "tests/support/HelperDesktopClient.h"
#include "tests/support/ListRowReader.h"
#include "tests/support/ProgramFixture.h"
#include "ui/EditRuleRes.h"
#include "ui/MainDialogRes.h"
#include "ui/ProfileSettingsRes.h"

#include <time.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace {

const char kMainCaption[] = "PanelShepherd";
const char kSettingsCaption[] = "Profile Setings";

const uint16_t kCtrlAlt = 0x0300;   // Ctrl + Alt in a stored combination

int CountRulesNamed(const Profile& p, const char* prefix)
{
    int n = 0;
    for (int i = 0; p.pRules && i < p.pRules->count; i++)
        if (strncmp(p.pRules->data[i].name, prefix, strlen(prefix)) == 0) n++;
    return n;
}

std::vector<std::string> TemplateNames(const Profile& p)
{
    std::vector<std::string> names;
    for (int i = 0; p.pTemplates && i < p.pTemplates->count; i++) names.push_back(p.pTemplates->data[i].match.name);
    return names;
}

class ProgramProfileSettings : public ProgramTest {
protected:
    void TearDown() override
    {
        ProgramTest::TearDown();
        FreeProfileLists(&saved);
    }

    // The program running, its main dialog open (a second start asks for it).
    bool OpenMainDialog()
    {
        if (!Running() && !Start()) return false;
        long code = -1;
        for (int attempt = 0; attempt < 3 && code != 0; attempt++) code = RunProgramToEnd("");
        if (code != 0) return false;
        return PumpUntil(
            [&] {
                main = FindDialog(run.child.pid, kMainCaption);
                return main && DialogControl(main, IDTV_MAIN_RULES) && ControlEnabled(main, IDB_MAIN_SETTINGS);
            },
            15000);
    }
    // Settings... of the main dialog: Profile Settings on the current profile.
    bool OpenSettings()
    {
        if (!main && !OpenMainDialog()) return false;
        if (!ClickControl(main, IDB_MAIN_SETTINGS)) return false;
        settings = nullptr;
        PumpUntil(
            [&] {
                settings = FindDialog(run.child.pid, kSettingsCaption);
                return settings && DialogControl(settings, IDTAB_PRFSET_PAGES) != nullptr;
            },
            15000);
        tab = settings ? DialogControl(settings, IDTAB_PRFSET_PAGES) : nullptr;
        return tab != nullptr;
    }
    int ShownTab() const { return (int)SendMessageA(tab, TCM_GETCURSEL, 0, 0); }
    bool ShowTab(int index)
    {
        return SelectTab(tab, index) && PumpUntil([&] { return ShownTab() == index; }, 5000);
    }
    // OK, Cancel and Help of the frame itself: a hotkey field's "+" inside a
    // page is a control with OK's id too.
    bool ClickFrame(int button)
    {
        HWND control = GetDlgItem(settings, button);
        return control && PostMessageA(control, BM_CLICK, 0, 0);
    }
    bool CloseSettings(int button)
    {
        HWND shown = settings;
        return ClickFrame(button) && WaitForWindowGone(shown, 15000);
    }
    // The visible control of the shown page.
    HWND Control(int id) const { return DialogControl(settings, id); }
    // Checks or clears a box, as a click does.
    bool SetCheck(int id, bool on)
    {
        if ((ControlChecked(settings, id) == BST_CHECKED) == on) return true;
        return ClickControl(settings, id) &&
               PumpUntil([&] { return (ControlChecked(settings, id) == BST_CHECKED) == on; }, 5000);
    }
    // The focused window of the dialog's thread.
    HWND Focused() const
    {
        GUITHREADINFO info = {};
        info.cbSize = sizeof(info);
        DWORD thread = GetWindowThreadProcessId(settings, nullptr);
        return GetGUIThreadInfo(thread, &info) ? info.hwndFocus : nullptr;
    }
    // Asks the program to save until the profile file, read back, satisfies done.
    bool WaitForSaved(int index, const std::function<bool(const Profile&)>& done, DWORD ms = 15000)
    {
        return WaitForSave(
            [&] {
                FreeProfileLists(&saved);
                return ReadProfile(index, &saved) && saved.pRules && done(saved);
            },
            ms);
    }
    bool WaitForRawSaved(int index, const std::function<bool(const std::map<std::string, std::string>&)>& done)
    {
        return WaitForSave([&] {
            raw.clear();
            return ReadRawRecord(ProfilePath(index), &raw) && done(raw);
        });
    }
    // Whether this process can have the combination now; the error when not.
    static DWORD TryHotkey(uint16_t combination)
    {
        SetLastError(0xDEADBEEF);
        if (RegisterHotKey(nullptr, 0x77, combination >> 8, combination & 0xFF)) {
            UnregisterHotKey(nullptr, 0x77);
            return 0;
        }
        return GetLastError();
    }

    HWND main = nullptr;
    HWND settings = nullptr;
    HWND tab = nullptr;
    Profile saved = {};
    std::map<std::string, std::string> raw;
};

//--- every field into the file

enum FieldInput { TYPE_TEXT, CHECK_ON, CLICK_RADIO, CHOOSE_ROW };

struct FieldRow {
    int page;
    int control;
    FieldInput input;
    const char* text;    // typed, or the row chosen
    const char* key;     // stored as
    const char* value;
};

const FieldRow kFields[] = {
    {0, IDE_PRFGEN_NAME, TYPE_TEXT, "Office", "szGenName", "Office"},
    {0, IDX_PRFGEN_ENABLELOAD, CHECK_ON, "", "bGenEnableOnLoad", "1"},
    {0, IDE_PRFGEN_SCREENX, TYPE_TEXT, "-20", "iGenScreenX", "-20"},
    {0, IDE_PRFGEN_SCREENY, TYPE_TEXT, "", "iGenScreenY", "2147483647"},
    {0, IDE_PRFGEN_SCREENW, TYPE_TEXT, "20000", "iGenScreenW", "16384"},
    {0, IDE_PRFGEN_SCREENH, TYPE_TEXT, "768", "iGenScreenH", "768"},
    {0, IDCB_PRFGEN_DISPLAY, TYPE_TEXT, "DISPLAY2", "szGenDisplayName", "DISPLAY2"},
    {0, IDE_PRFGEN_DPI, TYPE_TEXT, "144", "iGenDisplayDPI", "144"},
    {0, IDX_PRFGEN_RESTOREICONS, CHECK_ON, "", "bGenRestoreIcons", "1"},
    {0, IDX_PRFGEN_RESTOREEXP, CHECK_ON, "", "bGenRestoreExpWin", "1"},
    {1, IDX_PRFTRG_EXECONLY, CHECK_ON, "", "bTrgExecuteOnly", "1"},
    {1, IDX_PRF_HOTKEY, CHECK_ON, "", "bTrgHotKey", "1"},
    {1, IDE_PRFTRG_SCREENDELAY, TYPE_TEXT, "20", "iTrgScreenDelay", "50"},
    {1, IDX_PRF_RESCHANGE, CHECK_ON, "", "bTrgResChange", "1"},
    {1, IDX_PRF_DPICHANGE, CHECK_ON, "", "bTrgDPIChange", "1"},
    {1, IDX_PRFTRG_SCREENSTART, CHECK_ON, "", "bTrgResChangeStart", "1"},
    {1, IDE_PRFTRG_SESSIONDELAY, TYPE_TEXT, "", "iTrgSessionDelay", "50"},
    {1, IDX_PRFTRG_REMOTECONTROL, CHECK_ON, "", "iTrgSession", "0x00000100"},
    {1, IDE_PRFTRG_POWERDELAY, TYPE_TEXT, "12000", "iTrgPowerDelay", "10000"},
    {1, IDX_PRFTRG_MONITORON, CHECK_ON, "", "iTrgPower", "0x00000008"},
    {1, IDX_PRF_TIME, CHECK_ON, "", "bTrgTime", "1"},
    {1, IDE_PRF_TIME, TYPE_TEXT, "0", "iTrgTime", "1"},
    {1, IDX_PRF_IDLE, CHECK_ON, "", "bTrgIdle", "1"},
    {1, IDE_PRF_IDLE, TYPE_TEXT, "soon", "iTrgIdle", "180"},
    {1, IDX_PRFTRG_SAVEROFF, CHECK_ON, "", "iTrgScrSave", "0x00000002"},
    {1, IDX_PRFTRG_NETIP, CHECK_ON, "", "bTrgNetwork", "0x00000004"},
    {1, IDE_PRFTRG_NETIP, TYPE_TEXT, "10.0.*", "szTrgNetIPMask", "10.0.*"},
    {1, IDCB_PRFTRG_NETSTATUS, CHOOSE_ROW, "3", "iTrgNetStatus", "2"},
    {1, IDX_PRFTRG_NETSTART, CHECK_ON, "", "bTrgNetStart", "1"},
    {2, IDR_PRFUPD_MODE2, CLICK_RADIO, "", "iUpdUpdateMode", "2"},
    {2, IDX_PRFUPD_ACTIVE, CHECK_ON, "", "bUpdUpdActive", "1"},
    {2, IDX_PRF_TIME, CHECK_ON, "", "bUpdTime", "1"},
    {2, IDE_PRF_TIME, TYPE_TEXT, "90", "iUpdTime", "90"},
    {2, IDX_PRF_IDLE, CHECK_ON, "", "bUpdIdle", "1"},
    {2, IDE_PRF_IDLE, TYPE_TEXT, "", "iUpdIdle", "180"},
    {2, IDX_PRF_RESCHANGE, CHECK_ON, "", "bUpdResChange", "1"},
    {2, IDX_PRF_DPICHANGE, CHECK_ON, "", "bUpdDPIChange", "1"},
    {2, IDX_PRFUPD_SAVER, CHECK_ON, "", "bUpdScrSaver", "1"},
    {2, IDX_PRFUPD_LOCK, CHECK_ON, "", "bUpdLock", "1"},
    {2, IDX_PRFUPD_SAVEICONS, CHECK_ON, "", "bUpdSaveIcons", "1"},
    {2, IDX_PRFUPD_SAVEEXP, CHECK_ON, "", "bUpdSaveExpWin", "1"},
    {3, IDE_PRFADV_COMMAND, TYPE_TEXT, "WAIT( 100 )", "szAdvCmdText[0]", "WAIT( 100 )"},
    {3, IDX_PRFADV_PURGE, CHECK_ON, "", "bAdvPurgeOld", "1"},
    {3, IDE_PRFADV_PURGEDAYS, TYPE_TEXT, "30", "iAdvPurgeDays", "30"},
};

// What the rows above start from: every switch off, numbers of their own.
void PlainSettings(Profile& p)
{
    p.bGenEnabled = 1;
    p.bGenEnableOnLoad = p.bGenRestoreIcons = p.bGenRestoreExpWin = 0;
    p.iGenScreenY = 5;
    p.bTrgExecuteOnly = p.bTrgHotKey = p.bTrgResChange = p.bTrgDPIChange = p.bTrgResChangeStart = 0;
    p.iTrgSession = p.iTrgPower = p.iTrgScrSave = p.bTrgNetwork = 0;
    p.bTrgTime = p.bTrgIdle = p.bTrgNetStart = 0;
    p.iTrgScreenDelay = p.iTrgSessionDelay = p.iTrgPowerDelay = 500;
    p.iTrgTime = 600;
    p.iTrgIdle = 600;
    p.iTrgNetStatus = -1;
    p.iUpdUpdateMode = 0;
    p.bUpdUpdActive = p.bUpdTime = p.bUpdIdle = p.bUpdResChange = p.bUpdDPIChange = 0;
    p.bUpdScrSaver = p.bUpdLock = p.bUpdSaveIcons = p.bUpdSaveExpWin = 0;
    p.iUpdTime = p.iUpdIdle = 600;
    p.bAdvPurgeOld = 0;
    p.iAdvPurgeDays = 365;
}

TEST_F(ProgramProfileSettings, EveryPageStoresItsFieldsAndTheDialogReopensOnTheTabUsedLast)
{
    ASSERT_TRUE(WriteProfile({}, PlainSettings));
    ASSERT_TRUE(OpenSettings());
    std::vector<std::string> tabs;
    for (int i = 0; i < 5; i++) {
        char text[64] = "";
        TCITEMA item = {};
        item.mask = TCIF_TEXT;
        RemoteBuffer buffer(tab, sizeof(item) + sizeof(text));
        ASSERT_TRUE(buffer.ok());
        item.pszText = (char*)buffer.address() + sizeof(item);
        item.cchTextMax = sizeof(text);
        ASSERT_TRUE(buffer.Write(&item, sizeof(item)));
        SendMessageA(tab, TCM_GETITEMA, (WPARAM)i, (LPARAM)buffer.address());
        ASSERT_TRUE(buffer.Read(text, sizeof(text), sizeof(item)));
        tabs.push_back(text);
    }
    EXPECT_EQ((std::vector<std::string>{"General", "Trigger", "Update", "Advanced", "Rule Creation"}), tabs);
    EXPECT_EQ(0, ShownTab());

    // The scale follows the DPI field as it is typed.
    HWND dpi = Control(IDE_PRFGEN_DPI);
    ASSERT_TRUE(SetControlText(dpi, "144"));
    EXPECT_TRUE(PumpUntil([&] { return ControlText(Control(IDT_PRFGEN_SCALE)) == "( 150% )"; }, 5000))
        << ControlText(Control(IDT_PRFGEN_SCALE));
    ASSERT_TRUE(SetControlText(dpi, ""));
    EXPECT_TRUE(PumpUntil([&] { return ControlText(Control(IDT_PRFGEN_SCALE)) == "( ---% )"; }, 5000))
        << ControlText(Control(IDT_PRFGEN_SCALE));

    // Get current: the virtual screen, and the display under the mouse with its DPI.
    ASSERT_TRUE(ClickControl(settings, IDB_PRFGEN_GETSCREEN));
    const std::vector<std::pair<int, int>> screen = {{IDE_PRFGEN_SCREENX, GetSystemMetrics(SM_XVIRTUALSCREEN)},
                                                     {IDE_PRFGEN_SCREENY, GetSystemMetrics(SM_YVIRTUALSCREEN)},
                                                     {IDE_PRFGEN_SCREENW, GetSystemMetrics(SM_CXVIRTUALSCREEN)},
                                                     {IDE_PRFGEN_SCREENH, GetSystemMetrics(SM_CYVIRTUALSCREEN)}};
    for (const auto& field : screen)
        EXPECT_TRUE(PumpUntil([&] { return ControlText(Control(field.first)) == std::to_string(field.second); }, 5000))
            << field.first << ": " << ControlText(Control(field.first));
    ASSERT_TRUE(ClickControl(settings, IDB_PRFGEN_GETDISPLAY));
    EXPECT_TRUE(PumpUntil([&] { return !ControlText(Control(IDCB_PRFGEN_DISPLAY)).empty(); }, 5000));
    HDC screenDc = GetDC(nullptr);
    int dpiNow = GetDeviceCaps(screenDc, LOGPIXELSX);
    ReleaseDC(nullptr, screenDc);
    EXPECT_TRUE(PumpUntil([&] { return ControlText(dpi) == std::to_string(dpiNow); }, 5000)) << ControlText(dpi);
    EXPECT_TRUE(PumpUntil([&] { return ControlText(Control(IDT_PRFGEN_SCALE)) ==
                                        "( " + std::to_string(dpiNow * 100 / 96) + "% )"; }, 5000));

    for (const FieldRow& f : kFields) {
        SCOPED_TRACE(testing::Message() << "control " << f.control << " on page " << f.page);
        if (ShownTab() != f.page) {
            ASSERT_TRUE(ShowTab(f.page));
        }
        switch (f.input) {
        case TYPE_TEXT:
            ASSERT_TRUE(SetControlText(Control(f.control), f.text));
            break;
        case CHECK_ON:
        case CLICK_RADIO:
            ASSERT_TRUE(SetCheck(f.control, true));
            break;
        case CHOOSE_ROW:
            ASSERT_TRUE(ChooseComboRow(settings, f.control, atoi(f.text)));
            break;
        }
    }
    ASSERT_TRUE(CloseSettings(IDOK));
    ASSERT_TRUE(WaitForRawSaved(0, [](const std::map<std::string, std::string>& keys) {
        auto name = keys.find("szGenName");
        return name != keys.end() && name->second == "Office";
    })) << [&] {
        std::string out;
        for (const auto& k : raw)
            if (k.first.rfind("Template", 0) != 0 && k.first.rfind("Rule", 0) != 0) out += k.first + "=" + k.second + "\n";
        return out;
    }();
    for (const FieldRow& f : kFields) {
        auto stored = raw.find(f.key);
        ASSERT_NE(raw.end(), stored) << f.key;
        EXPECT_EQ(f.value, stored->second) << f.key << " from control " << f.control;
    }

    // Reopened: the tab used last, showing what was stored.
    ASSERT_TRUE(OpenSettings());
    EXPECT_EQ(3, ShownTab());
    EXPECT_EQ("WAIT( 100 )", ControlText(Control(IDE_PRFADV_COMMAND)));
    ASSERT_TRUE(ShowTab(1));
    EXPECT_EQ("50", ControlText(Control(IDE_PRFTRG_SCREENDELAY)));
    EXPECT_EQ(BST_CHECKED, ControlChecked(settings, IDX_PRFTRG_REMOTECONTROL));
    ASSERT_TRUE(ShowTab(0));
    EXPECT_EQ("", ControlText(Control(IDE_PRFGEN_SCREENY))) << "no restriction shows empty";
    EXPECT_EQ("( 150% )", ControlText(Control(IDT_PRFGEN_SCALE)));

    // A change: Cancel asks; No keeps every edit, Yes drops them.
    ASSERT_TRUE(SetControlText(Control(IDE_PRFGEN_NAME), "Dropped"));
    ASSERT_TRUE(ClickFrame(IDCANCEL));
    HWND box = WaitForMessageBox(run.child.pid, kMainCaption);
    ASSERT_NE(nullptr, box);
    EXPECT_EQ("Are you sure you want to discard the changes?", ControlText(GetDlgItem(box, 50108)));
    ASSERT_TRUE(AnswerMessageBox(box, IDNO));
    ASSERT_TRUE(WaitForWindowGone(box));
    EXPECT_EQ("Dropped", ControlText(Control(IDE_PRFGEN_NAME)));
    ASSERT_TRUE(ClickFrame(IDCANCEL));
    box = WaitForMessageBox(run.child.pid, kMainCaption);
    ASSERT_NE(nullptr, box);
    HWND shown = settings;
    ASSERT_TRUE(AnswerMessageBox(box, IDYES));
    ASSERT_TRUE(WaitForWindowGone(shown));

    // Unchanged: Cancel asks nothing.
    ASSERT_TRUE(OpenSettings());
    EXPECT_EQ("Office", ControlText(Control(IDE_PRFGEN_NAME)));
    ASSERT_TRUE(CloseSettings(IDCANCEL));
    EXPECT_EQ(nullptr, FindDialog(run.child.pid, kSettingsCaption));
    EXPECT_EQ(0, Quit());
}

//--- hotkeys

TEST_F(ProgramProfileSettings, AHotkeyTakenElsewhereKeepsTheDialogOpenOnItsFieldAndTheOldKeysWork)
{
    const uint16_t kept = kCtrlAlt | 'J', foreign = kCtrlAlt | 'K', others = kCtrlAlt | 'L';
    ASSERT_TRUE(RegisterHotKey(nullptr, 0x78, foreign >> 8, foreign & 0xFF)) << "this test holds Ctrl+Alt+K";
    struct Release {
        ~Release() { UnregisterHotKey(nullptr, 0x78); }
    } release;
    ASSERT_TRUE(WriteProfiles({ProfileSpec("Test",
                                           [&](Profile& p) {
                                               // Stored but off: a click on the box asks for them.
                                               p.bTrgHotKey = 0;
                                               p.iTrgHotKey = foreign;
                                               p.bTrgHotKeyWin = 0;
                                               p.iTrgHotKeyWin = others;
                                               p.bUpdHotKey = 1;
                                               p.iUpdHotKey = kept;
                                           }),
                               ProfileSpec("Zeta", [&](Profile& p) {
                                   p.bTrgHotKey = 1;
                                   p.iTrgHotKey = others;
                               })}));
    ASSERT_TRUE(OpenMainDialog());
    ASSERT_TRUE(PumpUntil([&] { return TryHotkey(kept) == ERROR_HOTKEY_ALREADY_REGISTERED; }, 10000));
    ASSERT_TRUE(OpenSettings());
    ASSERT_TRUE(ShowTab(1));

    // Another profile's key: refused, on its field.
    ASSERT_TRUE(SetCheck(IDX_PRFTRG_HOTKEYWIN, true));
    ASSERT_TRUE(ClickFrame(IDOK));
    HWND box = WaitForMessageBox(run.child.pid, kMainCaption);
    ASSERT_NE(nullptr, box);
    EXPECT_EQ("The Hot-Key could not be set!", ControlText(GetDlgItem(box, 50108)));
    ASSERT_TRUE(AnswerMessageBox(box, IDOK));
    ASSERT_TRUE(WaitForWindowGone(box));
    EXPECT_TRUE(IsWindowVisible(settings));
    EXPECT_EQ(1, ShownTab());
    EXPECT_TRUE(PumpUntil([&] { return Focused() == Control(IDE_PRFTRG_HOTKEYWIN); }, 5000));
    ASSERT_TRUE(SetCheck(IDX_PRFTRG_HOTKEYWIN, false));

    // Another program's key: refused; the profile's key in use stays.
    ASSERT_TRUE(ShowTab(0));
    ASSERT_TRUE(SetCheck(IDX_PRFGEN_ENABLELOAD, true));
    ASSERT_TRUE(SetControlText(Control(IDE_PRFGEN_NAME), "Renamed"));
    ASSERT_TRUE(ShowTab(1));
    ASSERT_TRUE(SetCheck(IDX_PRF_HOTKEY, true));
    ASSERT_TRUE(ClickFrame(IDOK));
    box = WaitForMessageBox(run.child.pid, kMainCaption);
    ASSERT_NE(nullptr, box);
    EXPECT_EQ("The Hot-Key could not be set!", ControlText(GetDlgItem(box, 50108)));
    ASSERT_TRUE(AnswerMessageBox(box, IDOK));
    ASSERT_TRUE(WaitForWindowGone(box));
    EXPECT_TRUE(IsWindowVisible(settings));
    EXPECT_EQ(1, ShownTab());
    EXPECT_TRUE(PumpUntil([&] { return Focused() == Control(IDE_PRF_HOTKEY); }, 5000));
    EXPECT_EQ((DWORD)ERROR_HOTKEY_ALREADY_REGISTERED, TryHotkey(kept)) << "the update key still works";
    EXPECT_EQ((DWORD)ERROR_HOTKEY_ALREADY_REGISTERED, TryHotkey(others)) << "and the other profile's";

    // Let go of it here: OK registers it with the rest.
    UnregisterHotKey(nullptr, 0x78);
    ASSERT_TRUE(CloseSettings(IDOK));
    EXPECT_EQ((DWORD)ERROR_HOTKEY_ALREADY_REGISTERED, TryHotkey(foreign));
    EXPECT_EQ((DWORD)ERROR_HOTKEY_ALREADY_REGISTERED, TryHotkey(kept));
    EXPECT_EQ((DWORD)ERROR_HOTKEY_ALREADY_REGISTERED, TryHotkey(others));
    // The new key drives the renamed profile.
    ASSERT_TRUE(WaitForSaved(0, [](const Profile& p) { return strcmp(p.szGenName, "Renamed") == 0; }));
    EXPECT_EQ(1, saved.bTrgHotKey);
    EXPECT_EQ(foreign, saved.iTrgHotKey);
    EXPECT_EQ(0, saved.bTrgHotKeyWin);
    EXPECT_EQ(0, Quit());
}

//--- the live rules stay

TEST_F(ProgramProfileSettings, OkWhileTheWorkerMakesRulesKeepsTheRulesMadeMeanwhile)
{
    ASSERT_TRUE(WriteProfile({}, [](Profile& p) {
        p.bGenEnabled = 1;
        p.bGenEnableOnLoad = 0;
        p.bTmpAutoCreate = 1;
        p.pTemplates->count = 0;
        RuleTemplate t = TitleTemplate("Storm", RULE_ITEM_AUTOCREATE, "Storm", CMP_STARTS_WITH);
        ArrayAppend(p.pTemplates, &t);
    }));
    ASSERT_TRUE(OpenSettings());
    for (int i = 1; i <= 6; i++)
        Open("--title \"Storm " + std::to_string(i) + "\" --rect " + std::to_string(20 + 12 * i) + ",30,260,180");
    ASSERT_TRUE(WaitForSaved(0, [](const Profile& p) { return CountRulesNamed(p, "Storm ") == 6; }))
        << "the worker made the rules while the dialog is open";

    ASSERT_TRUE(SetCheck(IDX_PRFGEN_ENABLELOAD, true));
    for (int i = 7; i <= 10; i++)
        Open("--title \"Storm " + std::to_string(i) + "\" --rect " + std::to_string(20 + 12 * i) + ",40,260,180");
    ASSERT_TRUE(CloseSettings(IDOK));
    ASSERT_TRUE(WaitForSaved(
        0, [](const Profile& p) { return p.bGenEnableOnLoad == 1 && CountRulesNamed(p, "Storm ") == 10; }))
        << CountRulesNamed(saved, "Storm ") << " rules";
    ASSERT_TRUE(Running());
    EXPECT_EQ(0, Quit());
    FreeProfileLists(&saved);
    ASSERT_TRUE(ReadProfile(0, &saved));
    EXPECT_EQ(10, CountRulesNamed(saved, "Storm "));
    EXPECT_EQ(1, saved.bGenEnableOnLoad);
}

//--- Purge now!

TEST_F(ProgramProfileSettings, PurgeNowIsAChangeThatOkGivesToTheProfileWithTheEditedCommand)
{
    int64_t now = (int64_t)_time64(nullptr);
    std::vector<Rule> rules;
    for (const char* name : {"Old 1", "Fresh", "Old 2"}) {
        Rule r = TitleRule(name, name, CMP_EQUALS);
        r.time = name[0] == 'O' ? now - 400 * 86400LL : now;
        rules.push_back(r);
    }
    ASSERT_TRUE(WriteProfile(rules, [](Profile& p) {
        p.bGenEnabled = 1;
        p.bAdvPurgeOld = 0;
        p.iAdvPurgeDays = 365;
    }));
    ASSERT_TRUE(OpenSettings());
    ASSERT_TRUE(ShowTab(3));
    EXPECT_EQ("3", ControlText(Control(IDT_PRFADV_RULECOUNT)));

    // Edit... writes the command in the Command Editor; its OK shows it here.
    ASSERT_TRUE(ClickControl(settings, IDB_PRFADV_EDIT));
    HWND editor = WaitForDialog(run.child.pid, "Command Editor");
    ASSERT_NE(nullptr, editor);
    ASSERT_TRUE(SetControlText(DialogControl(editor, 1152), "WAIT( 20 )"));
    ASSERT_TRUE(PostMessageA(GetDlgItem(editor, IDOK), BM_CLICK, 0, 0));
    ASSERT_TRUE(WaitForWindowGone(editor));
    EXPECT_EQ("WAIT( 20 )", ControlText(Control(IDE_PRFADV_COMMAND)));

    ASSERT_TRUE(ClickControl(settings, IDB_PRFADV_PURGENOW));
    HWND box = WaitForMessageBox(run.child.pid, kMainCaption);
    ASSERT_NE(nullptr, box);
    EXPECT_EQ("2 rules deleted.", ControlText(GetDlgItem(box, 50108)));
    ASSERT_TRUE(AnswerMessageBox(box, IDOK));
    ASSERT_TRUE(WaitForWindowGone(box));
    EXPECT_EQ("1", ControlText(Control(IDT_PRFADV_RULECOUNT)));
    ASSERT_TRUE(CloseSettings(IDOK));
    ASSERT_TRUE(WaitForSaved(0, [](const Profile& p) { return p.pRules->count == 1; })) << saved.pRules->count;
    EXPECT_STREQ("Fresh", saved.pRules->data[0].name);
    EXPECT_STREQ("WAIT( 20 )", saved.szAdvCmdText[0]);
    EXPECT_EQ(0, Quit());
}

//--- Cancel while a save runs

TEST_F(ProgramProfileSettings, CancelWhileADesktopIconSaveRunsLeavesTheProfilesIconsAlone)
{
    TestWindow helper;
    ASSERT_TRUE(StartHelperDesktop(&helper, {{"Alpha", 40, 40}, {"Beta", 120, 40}, {"Gamma", 200, 40}}));
    ASSERT_TRUE(WriteProfile({}, [](Profile& p) {
        p.bGenEnabled = 1;
        // Executing the profile puts its icons back: none of the desktop's is among them.
        p.bGenRestoreIcons = 1;
        DesktopIconEntry old = {};
        CopyText(old.name, sizeof(old.name), "Old");
        old.pt = POINT{1, 2};
        p.pIcons->count = 0;
        ArrayAppend(p.pIcons, &old);
    }));
    ASSERT_TRUE(OpenSettings());
    // The start's restore reads every label twice and moves nothing.
    HelperCounts counts;
    ASSERT_TRUE(PumpUntil([&] { return ReadHelperCounts(&helper, &counts) && counts.text >= 6; }, 10000));
    long before = counts.text;
    std::string reply;
    ASSERT_TRUE(PipedStep(&helper, "hold", &reply));
    ASSERT_TRUE(ClickControl(settings, IDB_PRF_SAVEICONS));
    ASSERT_TRUE(PumpUntil([&] { return ReadHelperCounts(&helper, &counts) && counts.held >= 1; }, 10000))
        << "the save waits for the desktop";

    // The save counts as a change: Cancel asks, and Yes frees the working copy.
    ASSERT_TRUE(ClickFrame(IDCANCEL));
    HWND box = WaitForMessageBox(run.child.pid, kMainCaption);
    ASSERT_NE(nullptr, box);
    EXPECT_EQ("Are you sure you want to discard the changes?", ControlText(GetDlgItem(box, 50108)));
    HWND shown = settings;
    ASSERT_TRUE(AnswerMessageBox(box, IDYES));
    ASSERT_TRUE(WaitForWindowGone(shown));
    ASSERT_TRUE(PipedStep(&helper, "release", &reply));

    // Executing the profile restores its icons after the save has ended: the
    // profile's list still holds only "Old", so nothing moves.
    ASSERT_TRUE(ClickControl(main, IDB_MAIN_EXECUTE));
    ASSERT_TRUE(PumpUntil([&] { return ReadHelperCounts(&helper, &counts) && counts.text >= before + 3 + 6; }, 15000))
        << counts.text;
    EXPECT_EQ(0, counts.set) << "the profile's icons were not replaced";
    ASSERT_TRUE(Running());
    ASSERT_TRUE(WaitForSaved(0, [](const Profile&) { return true; }));
    ASSERT_NE(nullptr, saved.pIcons);
    ASSERT_EQ(1, saved.pIcons->count);
    EXPECT_STREQ("Old", saved.pIcons->data[0].name);
    EXPECT_EQ(0, Quit());
    PipedStep(&helper, "close", &reply);
    StopTestWindow(&helper);
}

// Save now, then OK: the icons saved into the copy become the profile's.
TEST_F(ProgramProfileSettings, IconsSavedFromTheGeneralPageReachTheProfileWithOk)
{
    TestWindow helper;
    ASSERT_TRUE(StartHelperDesktop(&helper, {{"Alpha", 40, 40}, {"Beta", 120, 40}, {"Gamma", 200, 40}}));
    ASSERT_TRUE(WriteProfile({}, [](Profile& p) {
        p.bGenEnabled = 1;
        p.bGenRestoreIcons = 0;
        DesktopIconEntry old = {};
        CopyText(old.name, sizeof(old.name), "Old");
        p.pIcons->count = 0;
        ArrayAppend(p.pIcons, &old);
    }));
    ASSERT_TRUE(OpenSettings());
    ASSERT_TRUE(ClickControl(settings, IDB_PRF_SAVEICONS));
    HelperCounts counts;
    ASSERT_TRUE(PumpUntil([&] { return ReadHelperCounts(&helper, &counts) && counts.text >= 3; }, 10000));
    ASSERT_TRUE(CloseSettings(IDOK));
    auto names = [](const Profile& p) {
        std::string out;
        for (int i = 0; p.pIcons && i < p.pIcons->count; i++) out += std::string(p.pIcons->data[i].name) + " ";
        return out;
    };
    ASSERT_TRUE(WaitForSaved(0, [&](const Profile& p) { return names(p) == "Alpha Beta Gamma "; })) << names(saved);
    EXPECT_EQ(0, Quit());
    std::string reply;
    PipedStep(&helper, "close", &reply);
    StopTestWindow(&helper);
}

//--- rule templates

TEST_F(ProgramProfileSettings, TemplatesAreCopiedPastedMovedAndDeletedAndAnEmptyListGivesTheDefaults)
{
    ASSERT_TRUE(WriteProfile({}, [](Profile& p) {
        p.bGenEnabled = 1;
        p.pTemplates->count = 0;
        for (const char* name : {"Alpha", "Beta"}) {
            RuleTemplate t = TitleTemplate(name, 0, name, CMP_EQUALS);
            ArrayAppend(p.pTemplates, &t);
        }
    }));
    ASSERT_TRUE(OpenSettings());
    ASSERT_TRUE(ShowTab(4));
    HWND list = Control(IDL_PRFRUL_TEMPLATES);
    ASSERT_NE(nullptr, list);
    auto rows = [&] {
        std::vector<std::string> names;
        for (const auto& r : ReadListRecords<RuleTemplate>(list)) names.push_back(r.record.match.name);
        return names;
    };
    auto waitRows = [&](const std::vector<std::string>& want) {
        return PumpUntil([&] { return rows() == want; }, 5000);
    };
    auto select = [&](int row) {
        SendMessageA(ListRowBox(list), LB_SETCURSEL, (WPARAM)row, 0);
        return PumpUntil([&] { return SendMessageA(ListRowBox(list), LB_GETCURSEL, 0, 0) == row; }, 5000);
    };
    ASSERT_TRUE(waitRows({"Alpha", "Beta"}));
    EXPECT_FALSE(ControlEnabled(settings, IDB_PRFRUL_PASTE)) << "nothing copied yet";

    struct Step {
        int select;
        int button;
        std::vector<std::string> rows;
        const char* why;
    };
    const Step steps[] = {
        {0, IDB_PRFRUL_COPY, {"Alpha", "Beta"}, "copied"},
        {0, IDB_PRFRUL_PASTE, {"Alpha (Copy)", "Alpha", "Beta"}, "pasted before the selection, renamed"},
        {0, IDB_PRFRUL_PASTE, {"Alpha (Copy)", "Alpha (Copy)", "Alpha", "Beta"}, "the suffix is never doubled"},
        {3, IDB_PRFRUL_UP, {"Alpha (Copy)", "Alpha (Copy)", "Beta", "Alpha"}, "moved up"},
        {3, IDB_PRFRUL_DOWN, {"Alpha (Copy)", "Alpha (Copy)", "Beta", "Alpha"}, "the last row goes no lower"},
        {0, IDB_PRFRUL_DOWN, {"Alpha (Copy)", "Alpha (Copy)", "Beta", "Alpha"}, "equal names swapped"},
        {1, IDB_PRFRUL_DELETE, {"Alpha (Copy)", "Beta", "Alpha"}, "deleted"},
        {0, IDB_PRFRUL_UP, {"Alpha (Copy)", "Beta", "Alpha"}, "the first row goes no higher"},
        {1, IDB_PRFRUL_DOWN, {"Alpha (Copy)", "Alpha", "Beta"}, "moved down"},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.why);
        ASSERT_TRUE(select(s.select));
        ASSERT_TRUE(ClickControl(settings, s.button));
        ASSERT_TRUE(waitRows(s.rows));
        if (s.button == IDB_PRFRUL_COPY) {
            EXPECT_TRUE(PumpUntil([&] { return ControlEnabled(settings, IDB_PRFRUL_PASTE); }, 5000));
        }
    }
    ASSERT_TRUE(CloseSettings(IDOK));
    ASSERT_TRUE(WaitForSaved(0, [](const Profile& p) { return p.pTemplates && p.pTemplates->count == 3; }));
    EXPECT_EQ((std::vector<std::string>{"Alpha (Copy)", "Alpha", "Beta"}), TemplateNames(saved));

    // Every template deleted: OK gives the default set back.
    ASSERT_TRUE(OpenSettings());
    EXPECT_EQ(4, ShownTab());
    list = Control(IDL_PRFRUL_TEMPLATES);
    ASSERT_TRUE(waitRows({"Alpha (Copy)", "Alpha", "Beta"}));
    for (int left = 3; left > 0; left--) {
        ASSERT_TRUE(select(0));
        ASSERT_TRUE(ClickControl(settings, IDB_PRFRUL_DELETE));
        ASSERT_TRUE(PumpUntil([&] { return (int)rows().size() == left - 1; }, 5000));
    }
    ASSERT_TRUE(CloseSettings(IDOK));
    GrowArray<RuleTemplate> defaults;
    InitGrowArray(&defaults);
    ASSERT_TRUE(CreateDefaultTemplates(&defaults, false));
    std::vector<std::string> want;
    for (int i = 0; i < defaults.count; i++) want.push_back(defaults.data[i].match.name);
    FreeGrowArray(&defaults);
    ASSERT_TRUE(WaitForSaved(0, [&](const Profile& p) { return TemplateNames(p) == want; }))
        << testing::PrintToString(TemplateNames(saved));
    EXPECT_EQ(0, Quit());
}

//--- a template added on the Rule Creation page makes the next window's rule

// Edit Rule Template's own controls: the rule editor inside it repeats their ids.
HWND Own(HWND dialog, int id)
{
    return GetDlgItem(dialog, id);
}

// The rule editor child of Edit Rule Template.
HWND HostedEditor(HWND dialog)
{
    HWND tab = DialogControl(dialog, IDTAB_RULE_EDITOR);
    return tab ? GetParent(tab) : nullptr;
}

// Clicks a check box until it shows on.
bool CheckOn(HWND box)
{
    if (!box) return false;
    if (SendMessageA(box, BM_GETCHECK, 0, 0) == BST_CHECKED) return true;
    PostMessageA(box, BM_CLICK, 0, 0);
    return PumpUntil([&] { return SendMessageA(box, BM_GETCHECK, 0, 0) == BST_CHECKED; }, 5000);
}

// A combo box's row chosen, and its owner told as a user's choice would.
bool Choose(HWND combo, int row)
{
    DWORD_PTR answer = 0;
    return combo && (int)SendMessageA(combo, CB_SETCURSEL, row, 0) == row &&
           SendMessageTimeoutA(GetParent(combo), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE),
                               (LPARAM)combo, SMTO_ABORTIFHUNG, 5000, &answer);
}

TEST_F(ProgramProfileSettings, ATemplateAddedAndEditedOnTheRuleCreationPageMakesAndPlacesTheNextWindowsRule)
{
    ASSERT_TRUE(WriteProfile({}, [](Profile& p) {
        p.bGenEnabled = 1;
        p.bTmpAutoCreate = 0;
        p.pTemplates->count = 0;
        RuleTemplate other = TitleTemplate("Existing", 0, "Nothing Like It", CMP_EQUALS);
        ArrayAppend(p.pTemplates, &other);
    }));
    ASSERT_TRUE(OpenSettings());
    SetWindowPos(main, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_TRUE(ShowTab(4));
    HWND list = Control(IDL_PRFRUL_TEMPLATES);
    ASSERT_NE(nullptr, list);
    auto rows = [&] {
        std::vector<std::string> names;
        for (const auto& r : ReadListRecords<RuleTemplate>(list)) names.push_back(r.record.match.name);
        return names;
    };
    ASSERT_TRUE(PumpUntil([&] { return rows() == std::vector<std::string>{"Existing"}; }, 5000));

    // Add: the template's match part, and its action part on the hosted editor's Actions page.
    ASSERT_TRUE(ClickControl(settings, IDB_PRFRUL_ADD));
    HWND tpl = WaitForDialog(run.child.pid, "Edit Rule Template");
    ASSERT_NE(nullptr, tpl);
    ASSERT_TRUE(SetControlText(Own(tpl, IDE_TPL_NAME), "Road Template"));
    ASSERT_TRUE(CheckOn(Own(tpl, IDX_TPL_AUTOCREATE)));
    ASSERT_TRUE(Choose(Own(tpl, IDCB_MATCH_TITLECMP), CMP_EQUALS));
    ASSERT_TRUE(SetControlText(Own(tpl, IDE_MATCH_TITLE), "TPL Road"));
    HWND editor = HostedEditor(tpl);
    ASSERT_NE(nullptr, editor);
    HWND editorTabs = DialogControl(editor, IDTAB_RULE_EDITOR);
    ASSERT_TRUE(SelectTab(editorTabs, 1));
    ASSERT_TRUE(PumpUntil([&] { return DialogControl(editor, IDX_ACT_MOVETO) != nullptr; }, 5000));
    ASSERT_TRUE(CheckOn(DialogControl(editor, IDX_ACT_MOVETO)));
    ASSERT_TRUE(Choose(DialogControl(editor, IDCB_ACT_MOVEMODE), 0));
    ASSERT_TRUE(SetControlText(DialogControl(editor, IDE_ACT_X), "300"));
    ASSERT_TRUE(SetControlText(DialogControl(editor, IDE_ACT_Y), "200"));
    ASSERT_TRUE(CheckOn(DialogControl(editor, IDX_ACT_SIZETO)));
    ASSERT_TRUE(Choose(DialogControl(editor, IDCB_ACT_SIZEMODE), 0));
    ASSERT_TRUE(SetControlText(DialogControl(editor, IDE_ACT_WIDTH), "500"));
    ASSERT_TRUE(SetControlText(DialogControl(editor, IDE_ACT_HEIGHT), "400"));
    ASSERT_TRUE(PostMessageA(Own(tpl, IDOK), BM_CLICK, 0, 0));
    ASSERT_TRUE(WaitForWindowGone(tpl));
    EXPECT_TRUE(PumpUntil([&] { return rows() == std::vector<std::string>{"Road Template", "Existing"}; }, 5000))
        << "inserted at the top: " << testing::PrintToString(rows());
    auto records = ReadListRecords<RuleTemplate>(list);
    ASSERT_EQ(2u, records.size());
    EXPECT_TRUE(records[0].selected) << "the new row is selected";
    EXPECT_EQ(RULE_ITEM_AUTOCREATE, records[0].record.match.item);
    EXPECT_EQ(300, records[0].record.rule.x);

    // Edit on that row shows what was entered; a new name redraws the row.
    SendMessageA(ListRowBox(list), LB_SETCURSEL, 0, 0);
    ASSERT_TRUE(ClickControl(settings, IDB_PRFRUL_EDIT));
    tpl = WaitForDialog(run.child.pid, "Edit Rule Template");
    ASSERT_NE(nullptr, tpl);
    EXPECT_EQ("Road Template", ControlText(Own(tpl, IDE_TPL_NAME)));
    EXPECT_EQ("TPL Road", ControlText(Own(tpl, IDE_MATCH_TITLE)));
    EXPECT_EQ(CMP_EQUALS, ComboSelection(Own(tpl, IDCB_MATCH_TITLECMP)));
    EXPECT_EQ(BST_CHECKED, SendMessageA(Own(tpl, IDX_TPL_AUTOCREATE), BM_GETCHECK, 0, 0));
    editor = HostedEditor(tpl);
    ASSERT_NE(nullptr, editor);
    ASSERT_TRUE(SelectTab(DialogControl(editor, IDTAB_RULE_EDITOR), 1));
    ASSERT_TRUE(PumpUntil([&] { return DialogControl(editor, IDE_ACT_X) != nullptr; }, 5000));
    EXPECT_EQ("300", ControlText(DialogControl(editor, IDE_ACT_X)));
    EXPECT_EQ("400", ControlText(DialogControl(editor, IDE_ACT_HEIGHT)));
    ASSERT_TRUE(SetControlText(Own(tpl, IDE_TPL_NAME), "Road Template Renamed"));
    ASSERT_TRUE(PostMessageA(Own(tpl, IDOK), BM_CLICK, 0, 0));
    ASSERT_TRUE(WaitForWindowGone(tpl));
    EXPECT_TRUE(PumpUntil(
        [&] { return rows() == std::vector<std::string>{"Road Template Renamed", "Existing"}; }, 5000))
        << testing::PrintToString(rows());

    // A double click on the row opens it too; unchanged, Cancel closes it without a question.
    HWND box = ListRowBox(list);
    int half = (int)SendMessageA(box, LB_GETITEMHEIGHT, 0, 0) / 2;
    ASSERT_EQ(0, ListTopRow(list));
    PostMessageA(box, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, half));
    PostMessageA(box, WM_LBUTTONUP, 0, MAKELPARAM(10, half));
    PostMessageA(box, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(10, half));
    PostMessageA(box, WM_LBUTTONUP, 0, MAKELPARAM(10, half));
    tpl = WaitForDialog(run.child.pid, "Edit Rule Template");
    ASSERT_NE(nullptr, tpl);
    EXPECT_EQ("Road Template Renamed", ControlText(Own(tpl, IDE_TPL_NAME)));
    ASSERT_TRUE(PostMessageA(Own(tpl, IDCANCEL), BM_CLICK, 0, 0));
    ASSERT_TRUE(WaitForWindowGone(tpl));
    EXPECT_EQ((std::vector<std::string>{"Road Template Renamed", "Existing"}), rows());

    ASSERT_TRUE(CloseSettings(IDOK));
    ASSERT_TRUE(WaitForSaved(0, [](const Profile& p) {
        return TemplateNames(p) == std::vector<std::string>{"Road Template Renamed", "Existing"};
    })) << testing::PrintToString(TemplateNames(saved));
    EXPECT_EQ(1, saved.bTmpAutoCreate) << "an auto-create template turns the profile's switch on";
    HWND shown = main;
    ASSERT_TRUE(ClickControl(main, IDOK));
    ASSERT_TRUE(WaitForWindowGone(shown, 15000));

    // A new window with that title gets a rule from the template and is placed by it.
    TestWindow* road = Open("--title \"TPL Road\" --rect 40,40,200,150");
    ASSERT_NE(nullptr, road);
    EXPECT_TRUE(WaitForLogLine("RUL: RULE(TPL Road), " + HandleText(road->hwnd) + ", TITLE(TPL Road)")) << Log();
    TestWindowReport report;
    EXPECT_TRUE(WaitForReport(
        road,
        [](const TestWindowReport& r) {
            return r.normal.left == 300 && r.normal.top == 200 && r.normal.right - r.normal.left == 500 &&
                   r.normal.bottom - r.normal.top == 400;
        },
        &report, 15000))
        << report.normal.left << "," << report.normal.top << " " << report.normal.right - report.normal.left << "x"
        << report.normal.bottom - report.normal.top;
    ASSERT_TRUE(WaitForSaved(0, [](const Profile& p) { return CountRulesNamed(p, "TPL Road") == 1; }));
    EXPECT_EQ(0, Quit());
}

//--- the command lists keep their selected row

struct CommandListCase {
    const char* dialog;   // opened by "Edit Rule" (Edit on the rule) or Settings...
    int tab;
    int list;
    int script;           // the command's field, which takes the focus
    int row;              // selected before the clicks
    const char* command;  // that row's command
};

const CommandListCase kCommandLists[] = {
    {"Edit Rule", 2, IDL_ADV_SLOTS, IDE_ADV_SCRIPT, 4, "WAIT( 44 )"},
    {kSettingsCaption, 3, IDL_PRFADV_COMMANDS, IDE_PRFADV_COMMAND, 2, "WAIT( 22 )"},
};

int SelectedListRow(HWND list)
{
    return (int)SendMessageA(list, LVM_GETNEXTITEM, (WPARAM)-1, LVNI_SELECTED);
}

bool SelectListRow(HWND list, int row)
{
    RemoteBuffer buffer(list, sizeof(LVITEMA));
    LVITEMA item = {};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    return buffer.ok() && buffer.Write(&item, sizeof(item)) &&
           SendMessageA(list, LVM_SETITEMSTATE, (WPARAM)row, (LPARAM)buffer.address()) &&
           PumpUntil([&] { return SelectedListRow(list) == row; }, 5000);
}

// A point in the list's client area below its last row, or false when the rows fill it.
bool BelowTheRows(HWND list, POINT* at)
{
    int count = (int)SendMessageA(list, LVM_GETITEMCOUNT, 0, 0);
    RemoteBuffer buffer(list, sizeof(RECT));
    RECT last = {};
    last.left = LVIR_BOUNDS;
    if (count < 1 || !buffer.ok() || !buffer.Write(&last, sizeof(last)) ||
        !SendMessageA(list, LVM_GETITEMRECT, (WPARAM)(count - 1), (LPARAM)buffer.address()) ||
        !buffer.Read(&last, sizeof(last)))
        return false;
    RECT client = {};
    GetClientRect(list, &client);
    at->x = 10;
    at->y = (last.bottom + client.bottom) / 2;
    return at->y > last.bottom && at->y < client.bottom;
}

// A posted click, and a mark posted after it that shows when the list has
// handled both (a sent message would overtake them).
bool ClickAt(HWND list, POINT at)
{
    static DWORD mark = 400;
    mark++;
    return PostMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y)) &&
           PostMessageA(list, WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y)) &&
           PostMessageA(list, LVM_SETHOVERTIME, 0, mark) &&
           PumpUntil([&] { return (DWORD)SendMessageA(list, LVM_GETHOVERTIME, 0, 0) == mark; }, 5000);
}

TEST_F(ProgramProfileSettings, AClickBelowTheRowsOrAFocusChangeLeavesTheCommandListsSelectedRow)
{
    Rule keeper = TitleRule("Keeper", "Keeper", CMP_EQUALS);
    CopyText(keeper.cmdtext[4], sizeof(keeper.cmdtext[4]), "WAIT( 44 )");
    ASSERT_TRUE(WriteProfile({keeper}, [](Profile& p) {
        p.bGenEnabled = 1;
        CopyText(p.szAdvCmdText[2], sizeof(p.szAdvCmdText[2]), "WAIT( 22 )");
    }));
    ASSERT_TRUE(OpenMainDialog());
    HWND tree = DialogControl(main, IDTV_MAIN_RULES);
    for (const CommandListCase& c : kCommandLists) {
        SCOPED_TRACE(c.dialog);
        HWND dialog = nullptr;
        if (strcmp(c.dialog, kSettingsCaption) == 0) {
            ASSERT_TRUE(OpenSettings());
            dialog = settings;
            ASSERT_TRUE(ShowTab(c.tab));
        } else {
            HTREEITEM item = nullptr;
            ASSERT_TRUE(PumpUntil([&] { return (item = FindTreeItem(tree, "Keeper")) != nullptr; }, 10000));
            ASSERT_TRUE(SelectTreeItem(tree, item));
            ASSERT_TRUE(PumpUntil([&] { return ControlEnabled(main, IDB_MAIN_EDIT); }, 5000));
            ASSERT_TRUE(ClickControl(main, IDB_MAIN_EDIT));
            dialog = WaitForDialog(run.child.pid, c.dialog, 15000);
            ASSERT_NE(nullptr, dialog);
            HWND tabs = DialogControl(dialog, IDTAB_RULE_EDITOR);
            ASSERT_TRUE(SelectTab(tabs, c.tab));
            ASSERT_TRUE(PumpUntil([&] { return SendMessageA(tabs, TCM_GETCURSEL, 0, 0) == c.tab; }, 5000));
        }
        HWND list = nullptr;
        ASSERT_TRUE(PumpUntil([&] { return (list = DialogControl(dialog, c.list)) != nullptr; }, 5000));
        HWND script = DialogControl(dialog, c.script);
        ASSERT_NE(nullptr, script);
        ASSERT_TRUE(SelectListRow(list, c.row));
        ASSERT_TRUE(PumpUntil([&] { return ControlText(script) == c.command; }, 5000)) << ControlText(script);
        POINT below = {};
        ASSERT_TRUE(BelowTheRows(list, &below)) << "the list has room below its rows";

        // With the list focused, then with the focus elsewhere.
        DWORD_PTR answer = 0;
        SendMessageTimeoutA(dialog, WM_NEXTDLGCTL, (WPARAM)list, TRUE, SMTO_ABORTIFHUNG, 5000, &answer);
        ASSERT_TRUE(ClickAt(list, below));
        EXPECT_EQ(c.row, SelectedListRow(list)) << "a click below the rows";
        SendMessageTimeoutA(dialog, WM_NEXTDLGCTL, (WPARAM)script, TRUE, SMTO_ABORTIFHUNG, 5000, &answer);
        GUITHREADINFO info = {};
        info.cbSize = sizeof(info);
        EXPECT_TRUE(PumpUntil(
            [&] {
                return GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &info) && info.hwndFocus == script;
            },
            5000));
        EXPECT_EQ(c.row, SelectedListRow(list)) << "the focus moved on";
        ASSERT_TRUE(ClickAt(list, below));
        EXPECT_EQ(c.row, SelectedListRow(list)) << "a click below the rows of the unfocused list";
        EXPECT_EQ(c.command, ControlText(script));

        HWND shown = dialog;
        ASSERT_TRUE(PostMessageA(GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0));
        ASSERT_TRUE(WaitForWindowGone(shown, 15000));
    }
    EXPECT_EQ(0, Quit());
}

}  // namespace
