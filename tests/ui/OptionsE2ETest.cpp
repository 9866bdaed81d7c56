// OptionsE2ETest.cpp - the running program's Options dialog driven as a user
// drives it: its tabs, fields stored in the options record, hotkeys typed
// into their fields and registered as one set, a profile switched while it is
// open, the restart question and the sound, and the Minimize to Tray list.
#include "engine/OptionsRecord.h"
#include "framework/core/TextUtil.h"
#include "tests/support/DialogDriver.h"
#include "tests/support/ListRowReader.h"
#include "tests/support/ProgramFixture.h"
#include "tests/support/WineTray.h"
#include "ui/MainDialogRes.h"
#include "ui/OptionsRes.h"
#include "ui/WindowListRes.h"

#include <mmsystem.h>
#include <stdio.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

const char kCaption[] = "PanelShepherd";
// Ctrl+Alt and a letter.
const uint16_t kCtrlAltT = 0x0354, kCtrlAltY = 0x0359, kCtrlAltB = 0x0342;

enum Page { GENERAL, MINIMIZE, DESKTOPS, TRANSPARENCY };

POINT Centre(const RECT& r)
{
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// Whether another process holds the combination: this one cannot take it.
DWORD TryRegister(uint16_t word)
{
    SetLastError(0xDEADBEEF);
    if (RegisterHotKey(nullptr, 0x7777, word >> 8, word & 0xFF)) {
        UnregisterHotKey(nullptr, 0x7777);
        return 0;
    }
    return GetLastError();
}

std::string ReadFileBytes(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

TrayAppEntry Entry(const char* program, const char* title, const char* icon)
{
    TrayAppEntry e = {};
    CopyText(e.program, sizeof(e.program), program);
    CopyText(e.title, sizeof(e.title), title);
    CopyText(e.icon, sizeof(e.icon), icon);
    return e;
}

std::string Describe(const TrayAppEntry& e)
{
    return std::string(e.program) + "|" + e.title + "|" + e.icon;
}

}  // namespace

class ProgramOptions : public ProgramTest {
protected:
    void TearDown() override
    {
        HoldKey(VK_CONTROL, false);
        HoldKey(VK_MENU, false);
        ProgramTest::TearDown();
    }

    // The program running, its main dialog opened by a second start.
    bool OpenMainDialog(const char* program = "PanelShepherd.exe")
    {
        if (!Running() && !Start("-MINIMIZE", program)) return false;
        long code = -1;
        for (int attempt = 0; attempt < 3 && code != 0; attempt++) code = RunProgramToEnd("");
        if (code != 0) return false;
        main = nullptr;
        PumpUntil(
            [&] {
                main = FindDialog(run.child.pid, kCaption);
                return main && DialogControl(main, IDB_MAIN_OPTIONS);
            },
            15000);
        return main && ControlEnabled(main, IDB_MAIN_OPTIONS);
    }
    bool OpenOptions()
    {
        options = nullptr;
        if (!ClickControl(main, IDB_MAIN_OPTIONS)) return false;
        options = WaitForDialog(run.child.pid, "Options");
        return options && PumpUntil([&] { return DialogControl(options, IDTAB_OPTIONS) != nullptr; }, 5000);
    }
    // The page shown: one of its controls is visible.
    bool ShowTab(Page page)
    {
        static const int kMark[] = {IDX_OPT_AUTOSTART, IDX_OPT_MINTOTRAY, IDE_OPT_HK_SWITCHDESK, IDE_OPT_HK_TRANS};
        return SelectTab(DialogControl(options, IDTAB_OPTIONS), page) &&
               PumpUntil([&] { return DialogControl(options, kMark[page]) != nullptr; }, 5000);
    }
    std::vector<std::string> TabTexts()
    {
        std::vector<std::string> out;
        HWND tab = DialogControl(options, IDTAB_OPTIONS);
        int count = (int)SendMessageA(tab, TCM_GETITEMCOUNT, 0, 0);
        RemoteBuffer buffer(tab, sizeof(TCITEMA) + 256);
        for (int i = 0; buffer.ok() && i < count; i++) {
            TCITEMA item = {};
            item.mask = TCIF_TEXT;
            item.pszText = (char*)buffer.address() + sizeof(TCITEMA);
            item.cchTextMax = 256;
            char text[256] = {};
            if (!buffer.Write(&item, sizeof(item)) || !SendMessageA(tab, TCM_GETITEMA, i, (LPARAM)buffer.address()) ||
                !buffer.Read(text, sizeof(text) - 1, sizeof(TCITEMA)))
                break;
            out.push_back(text);
        }
        return out;
    }
    HWND Focused()
    {
        GUITHREADINFO info = {};
        info.cbSize = sizeof(info);
        DWORD thread = GetWindowThreadProcessId(options, nullptr);
        return GetGUIThreadInfo(thread, &info) ? info.hwndFocus : nullptr;
    }
    // Clicks into the hotkey field and types the combination as a user would.
    bool TypeHotkey(int id, uint16_t word)
    {
        HWND field = DialogControl(options, id);
        RECT r;
        if (!field || !GetWindowRect(field, &r)) return false;
        r.right -= (r.bottom - r.top);   // not on the "+" button
        if (!ClickAt(r, 1) || !PumpUntil([&] { return Focused() == field; }, 5000)) return false;
        std::string before = ControlText(field);
        return SendHotkeyInput(word) && PumpUntil([&] { return ControlText(field) != before; }, 5000);
    }
    // The options file's stored values once want holds for them.
    bool WaitForStored(const std::map<std::string, std::string>& want, std::string* got = nullptr)
    {
        std::map<std::string, std::string> keys;
        // Saves are asked for again meanwhile: a write that met this test's
        // own read of the file is simply made again.
        bool ok = WaitForSave(
            [&] {
                if (!ReadRawRecord(Data("Options.zpx"), &keys)) return false;
                for (const auto& w : want)
                    if (keys[w.first] != w.second) return false;
                return true;
            },
            10000);
        if (got) {
            got->clear();
            for (const auto& w : want) *got += w.first + "=" + keys[w.first] + " ";
        }
        return ok;
    }
    // The frame's own OK: every hotkey field's "+" button has the id 1 too.
    bool ClickOk() { return PostMessageA(GetDlgItem(options, IDOK), BM_CLICK, 0, 0) != FALSE; }
    bool OkAndClosed()
    {
        HWND shown = options;
        return ClickOk() && WaitForWindowGone(shown, 10000);
    }
    std::string Calls() const { return ReadFileBytes(Data("TestSeamsCalls.txt")); }
    bool WriteSeams(const std::string& text)
    {
        std::ofstream f(Data("TestSeams.txt"), std::ios::binary);
        f << text;
        return f.good();
    }

    HWND main = nullptr;
    HWND options = nullptr;
};

//--- the tabs and the fields

TEST_F(ProgramOptions, TabsShowTheFourPagesAndEveryFieldIsStoredInTheOptionsRecord)
{
    ASSERT_TRUE(WriteOptions([](OptionsRecord& o) { o.iClkThr = 150; }));
    ASSERT_TRUE(OpenMainDialog());
    ASSERT_TRUE(OpenOptions());
    EXPECT_EQ((std::vector<std::string>{"General", "Minimize to Tray", "Virtual Desktops", "Transparency"}),
              TabTexts());
    ASSERT_TRUE(ShowTab(TRANSPARENCY));
    EXPECT_EQ("99", ControlText(DialogControl(options, IDE_OPT_CLKTHR))) << "a stored 150 shows as 99";

    struct Case {
        Page page;
        int control;
        const char* input;   // "check", "uncheck" or the text typed
        const char* key;
        const char* stored;
    };
    static const Case kCases[] = {
        {GENERAL, IDX_OPT_AUTOSTART, "check", "bAutoStart", "1"},
        {GENERAL, IDX_OPT_TRAYICON, "uncheck", "bShowTrayIcon", "0"},
        {GENERAL, IDX_OPT_ENABLED, "uncheck", "bEnabled", "0"},
        {GENERAL, IDX_OPT_SOUND, "check", "bConfirmationSound", "1"},
        {GENERAL, IDE_OPT_SOUNDFILE, "C:\\Sounds\\ding.wav", "szConfirmationSound", "C:\\Sounds\\ding.wav"},
        {MINIMIZE, IDX_OPT_MINTOTRAY, "check", "bMinimizeToTray", "1"},
        {TRANSPARENCY, IDE_OPT_TRANS, "35", "iTrans", "35"},
        {TRANSPARENCY, IDE_OPT_CLKTHR, "150", "iClkThr", "99"},
    };
    std::map<std::string, std::string> want;
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.key);
        ASSERT_TRUE(ShowTab(c.page));
        HWND control = DialogControl(options, c.control);
        ASSERT_NE(nullptr, control);
        std::string input = c.input;
        if (input == "check" || input == "uncheck") {
            if (ControlChecked(options, c.control) != (input == "check" ? BST_CHECKED : BST_UNCHECKED)) {
                ASSERT_TRUE(ClickControl(options, c.control));
            }
            ASSERT_TRUE(PumpUntil(
                [&] { return ControlChecked(options, c.control) == (input == "check" ? BST_CHECKED : BST_UNCHECKED); },
                5000));
        } else {
            ASSERT_TRUE(SetControlText(control, input));
        }
        want[c.key] = c.stored;
    }
    // Without a virtual-desktop object (Wine has none) its page is off and
    // stores nothing.
    ASSERT_TRUE(ShowTab(DESKTOPS));
    EXPECT_FALSE(ControlEnabled(options, IDE_OPT_HK_SWITCHDESK));
    EXPECT_FALSE(ControlEnabled(options, IDE_OPT_VDTIMEOUT));
    want["iVDTPTimeout"] = "10";
    ASSERT_TRUE(OkAndClosed());
    std::string got;
    EXPECT_TRUE(WaitForStored(want, &got)) << got;
}

TEST_F(ProgramOptions, CancelAfterAChangeAsksAndKeepsTheOptionsOnNo)
{
    ASSERT_TRUE(WriteOptions());
    ASSERT_TRUE(OpenMainDialog());
    ASSERT_TRUE(OpenOptions());
    ASSERT_TRUE(ShowTab(TRANSPARENCY));
    ASSERT_TRUE(SetControlText(DialogControl(options, IDE_OPT_TRANS), "20"));
    ASSERT_TRUE(ClickControl(options, IDCANCEL));
    HWND box = WaitForMessageBox(run.child.pid, kCaption);
    ASSERT_NE(nullptr, box) << "a changed page makes Cancel ask";
    EXPECT_EQ("Are you sure you want to discard the changes?", ControlText(GetDlgItem(box, 50108)));
    ASSERT_TRUE(AnswerMessageBox(box, IDNO));
    ASSERT_TRUE(WaitForWindowGone(box));
    EXPECT_TRUE(IsWindowVisible(options)) << "No keeps the dialog";
    ASSERT_TRUE(ClickControl(options, IDCANCEL));
    box = WaitForMessageBox(run.child.pid, kCaption);
    ASSERT_TRUE(AnswerMessageBox(box, IDYES));
    ASSERT_TRUE(WaitForWindowGone(options));
    std::map<std::string, std::string> keys;
    EXPECT_TRUE(WaitForSave([&] {
        return ReadRawRecord(Data("Options.zpx"), &keys) && keys["iTrans"] == "50";
    })) << "the discarded percentage is not stored: " << keys["iTrans"];
}

//--- hotkeys

TEST_F(ProgramOptions, ATypedHotkeyIsRegisteredAfterOkAndClearingItReleasesIt)
{
    ASSERT_TRUE(WriteOptions());
    ASSERT_TRUE(OpenMainDialog());
    ASSERT_EQ(0u, TryRegister(kCtrlAltT)) << "free before";
    ASSERT_TRUE(OpenOptions());
    ASSERT_TRUE(ShowTab(TRANSPARENCY));
    ASSERT_TRUE(TypeHotkey(IDE_OPT_HK_TRANS, kCtrlAltT));
    EXPECT_EQ(0u, TryRegister(kCtrlAltT)) << "not registered before OK";
    ASSERT_TRUE(OkAndClosed());
    EXPECT_TRUE(PumpUntil([] { return TryRegister(kCtrlAltT) == ERROR_HOTKEY_ALREADY_REGISTERED; }, 10000))
        << "the program holds Ctrl+Alt+T";
    EXPECT_TRUE(WaitForStored({{"iHotKeyTrans", "0x0354"}}));

    ASSERT_TRUE(OpenOptions());
    ASSERT_TRUE(ShowTab(TRANSPARENCY));
    ASSERT_TRUE(TypeHotkey(IDE_OPT_HK_TRANS, VK_BACK)) << "Backspace clears the field";
    ASSERT_TRUE(OkAndClosed());
    EXPECT_TRUE(PumpUntil([] { return TryRegister(kCtrlAltT) == 0; }, 10000)) << "released";
    EXPECT_TRUE(WaitForStored({{"iHotKeyTrans", "0x0000"}}));
}

TEST_F(ProgramOptions, AHotkeyHeldByAnotherProgramKeepsThePreviousSetAndNamesItsField)
{
    ASSERT_TRUE(WriteOptions([](OptionsRecord& o) { o.iHotKeyTrans = kCtrlAltT; }));
    ASSERT_TRUE(OpenMainDialog());
    ASSERT_TRUE(PumpUntil([] { return TryRegister(kCtrlAltT) == ERROR_HOTKEY_ALREADY_REGISTERED; }, 10000));

    ASSERT_TRUE(OpenOptions());
    ASSERT_TRUE(ShowTab(TRANSPARENCY));
    ASSERT_TRUE(TypeHotkey(IDE_OPT_HK_TOPMOST, kCtrlAltB)) << "a free key before the refused one";
    ASSERT_TRUE(ShowTab(GENERAL));
    ASSERT_TRUE(TypeHotkey(IDE_OPT_HK_MAIN, kCtrlAltY));
    // Taken once typed: held, the key would never reach the field.
    ASSERT_TRUE(RegisterHotKey(nullptr, 0x55, kCtrlAltY >> 8, kCtrlAltY & 0xFF)) << "this process holds Ctrl+Alt+Y";
    ASSERT_TRUE(ShowTab(TRANSPARENCY));
    ASSERT_TRUE(ClickOk());
    HWND box = WaitForMessageBox(run.child.pid, kCaption);
    ASSERT_NE(nullptr, box);
    EXPECT_EQ("The Hot-Key could not be set!", ControlText(GetDlgItem(box, 50108)));
    EXPECT_TRUE(DialogControl(options, IDX_OPT_AUTOSTART)) << "the field's page is shown";
    ASSERT_TRUE(AnswerMessageBox(box, IDOK));
    ASSERT_TRUE(WaitForWindowGone(box));
    EXPECT_TRUE(PumpUntil([&] { return Focused() == DialogControl(options, IDE_OPT_HK_MAIN); }, 5000))
        << "the refused field has the focus";
    EXPECT_TRUE(IsWindowVisible(options)) << "the dialog stays open";
    EXPECT_EQ((DWORD)ERROR_HOTKEY_ALREADY_REGISTERED, TryRegister(kCtrlAltT)) << "the previous key stays";
    EXPECT_EQ(0u, TryRegister(kCtrlAltB)) << "nothing of the new set stays";
    UnregisterHotKey(nullptr, 0x55);

    // Once the key is free, OK takes the whole set.
    ASSERT_TRUE(OkAndClosed());
    EXPECT_TRUE(PumpUntil([] { return TryRegister(kCtrlAltY) == ERROR_HOTKEY_ALREADY_REGISTERED; }, 10000));
    EXPECT_EQ((DWORD)ERROR_HOTKEY_ALREADY_REGISTERED, TryRegister(kCtrlAltB));
    EXPECT_EQ((DWORD)ERROR_HOTKEY_ALREADY_REGISTERED, TryRegister(kCtrlAltT));
    EXPECT_TRUE(WaitForStored({{"iHotKeyMain", "0x0359"}, {"iHotKeyAlwaysOnTop", "0x0342"}}));
}

//--- live data

TEST_F(ProgramOptions, AProfileSwitchAndAWindowListChangeWhileOptionsIsOpenOutliveItsOk)
{
    ASSERT_TRUE(WriteProfiles({ProfileSpec("Alpha"), ProfileSpec("Beta", [](Profile& p) {
                                   p.bTrgHotKey = 1;
                                   p.iTrgHotKey = kCtrlAltB;
                               })},
                              0));
    ASSERT_TRUE(OpenMainDialog());
    ASSERT_TRUE(ClickControl(main, IDB_MAIN_LIST));
    HWND list = WaitForDialog(run.child.pid, "Window List");
    ASSERT_NE(nullptr, list);
    ASSERT_EQ(BST_UNCHECKED, ControlChecked(list, IDX_WLIST_INCLUDEEMPTY));
    ASSERT_TRUE(OpenOptions());
    ASSERT_TRUE(ShowTab(TRANSPARENCY));
    ASSERT_TRUE(SetControlText(DialogControl(options, IDE_OPT_TRANS), "44"));
    // Meanwhile a profile trigger switches the profile and the Window List
    // changes its own option.
    ASSERT_TRUE(SendHotkeyInput(kCtrlAltB));
    ASSERT_TRUE(WaitForLogLine("HKY: Profile Trigger (Beta)"));
    ASSERT_TRUE(WaitForLogLine("PRF: Switching Profile (Beta)")) << Log();
    ASSERT_TRUE(ClickControl(list, IDX_WLIST_INCLUDEEMPTY));
    ASSERT_TRUE(PumpUntil([&] { return ControlChecked(list, IDX_WLIST_INCLUDEEMPTY) == BST_CHECKED; }, 5000));
    ASSERT_TRUE(OkAndClosed());
    std::string got;
    EXPECT_TRUE(WaitForStored({{"iCurProfile", "1"}, {"iTrans", "44"}, {"bMonIncludeEmpty", "1"}}, &got)) << got;
}

//--- the restart question and the sound

TEST_F(ProgramOptions, RunAsAdministratorAsksToRestartOnlyWhenNotElevated)
{
    ASSERT_TRUE(WriteOptions());
    ASSERT_TRUE(WriteSeams("elevated=1\n"));
    ASSERT_TRUE(OpenMainDialog("PanelShepherdSeams.exe"));
    ASSERT_TRUE(OpenOptions());
    ASSERT_TRUE(ClickControl(options, IDX_OPT_RUNASADMIN));
    ASSERT_TRUE(PumpUntil([&] { return ControlChecked(options, IDX_OPT_RUNASADMIN) == BST_CHECKED; }, 5000));
    ASSERT_TRUE(OkAndClosed());
    EXPECT_TRUE(WaitForStored({{"bRunAsAdmin", "1"}}));
    // A question would hold the main dialog: Options opens again at once.
    ASSERT_TRUE(OpenOptions()) << "elevated: no question";

    ASSERT_TRUE(WriteSeams("elevated=0\n"));
    ASSERT_TRUE(OkAndClosed());
    HWND box = WaitForMessageBox(run.child.pid, kCaption);
    ASSERT_NE(nullptr, box) << "unelevated: asked";
    std::string text = ControlText(GetDlgItem(box, 50108)) + "\n" + ControlText(GetDlgItem(box, 50109));
    EXPECT_NE(std::string::npos, text.find("needs to be restarted for the changes to take effect!")) << text;
    ASSERT_TRUE(AnswerMessageBox(box, IDNO));
    ASSERT_TRUE(WaitForWindowGone(box));
    EXPECT_TRUE(Running()) << "No goes on unelevated";

    ASSERT_TRUE(OpenOptions());
    ASSERT_TRUE(OkAndClosed());
    box = WaitForMessageBox(run.child.pid, kCaption);
    ASSERT_TRUE(AnswerMessageBox(box, IDYES));
    EXPECT_TRUE(WaitForRestart()) << "Yes saves and starts the program again";
}

TEST_F(ProgramOptions, TestPlaysTheChosenSoundOrTheSystemAsterisk)
{
    ASSERT_TRUE(WriteOptions([](OptionsRecord& o) { o.bConfirmationSound = 1; }));
    ASSERT_TRUE(WriteSeams("open=C:\\Sounds\\chosen.wav\n"));
    ASSERT_TRUE(OpenMainDialog("PanelShepherdSeams.exe"));
    ASSERT_TRUE(OpenOptions());
    ASSERT_TRUE(ControlEnabled(options, IDB_OPT_TEST));
    ASSERT_TRUE(ClickControl(options, IDB_OPT_TEST));
    char asterisk[64];
    snprintf(asterisk, sizeof(asterisk), "sound #%u 0x%X\n", (unsigned)(uintptr_t)SND_ALIAS_SYSTEMASTERISK,
             (unsigned)(SND_ALIAS_ID | SND_ASYNC));
    EXPECT_TRUE(PumpUntil([&] { return Calls().find(asterisk) != std::string::npos; }, 5000)) << Calls();
    ASSERT_TRUE(ClickControl(options, IDB_OPT_BROWSE));
    ASSERT_TRUE(PumpUntil(
        [&] { return ControlText(DialogControl(options, IDE_OPT_SOUNDFILE)) == "C:\\Sounds\\chosen.wav"; }, 5000));
    ASSERT_TRUE(ClickControl(options, IDB_OPT_TEST));
    char file[96];
    snprintf(file, sizeof(file), "sound C:\\Sounds\\chosen.wav 0x%X\n", (unsigned)(SND_ASYNC | SND_NODEFAULT));
    EXPECT_TRUE(PumpUntil([&] { return Calls().find(file) != std::string::npos; }, 5000)) << Calls();
    // Unchecked, the sound's controls are off.
    ASSERT_TRUE(ClickControl(options, IDX_OPT_SOUND));
    EXPECT_TRUE(PumpUntil([&] { return !ControlEnabled(options, IDB_OPT_TEST); }, 5000));
    EXPECT_FALSE(ControlEnabled(options, IDE_OPT_SOUNDFILE));
    EXPECT_FALSE(ControlEnabled(options, IDB_OPT_BROWSE));
}

//--- the Minimize to Tray list

class ProgramTrayList : public ProgramOptions {
protected:
    HWND List() { return DialogControl(options, IDL_OPT_TRAYAPPS); }
    std::vector<std::string> Rows()
    {
        std::vector<std::string> out;
        for (const auto& r : ReadListRecords<TrayAppEntry>(List())) out.push_back(Describe(r.record));
        return out;
    }
    // Opens the entry dialog with the button and returns it.
    HWND OpenEntry(int button)
    {
        if (!ClickControl(options, button)) return nullptr;
        return WaitForDialog(run.child.pid, "Minimize to Tray");
    }
    bool FillEntry(HWND entry, const char* program, const char* title, const char* icon)
    {
        return SetControlText(DialogControl(entry, IDE_TRAY_PROGRAM), program) &&
               SetControlText(DialogControl(entry, IDE_TRAY_TITLE), title) &&
               SetControlText(DialogControl(entry, IDE_TRAY_ICON), icon) && ClickControl(entry, IDOK) &&
               WaitForWindowGone(entry);
    }
    bool SelectRows(const std::vector<int>& rows)
    {
        HWND box = ListRowBox(List());
        SendMessageA(box, LB_SETSEL, FALSE, -1);
        for (int r : rows)
            if (SendMessageA(box, LB_SETSEL, TRUE, r) == LB_ERR) return false;
        return true;
    }
    std::vector<std::string> MinList()
    {
        std::string bytes = ReadFileBytes(Data("MinList.zpx"));
        std::vector<std::string> out;
        if (bytes.size() % sizeof(TrayAppEntry) != 0) out.push_back("size " + std::to_string(bytes.size()));
        for (size_t at = 0; at + sizeof(TrayAppEntry) <= bytes.size(); at += sizeof(TrayAppEntry)) {
            TrayAppEntry e;
            memcpy(&e, bytes.data() + at, sizeof(e));
            out.push_back(Describe(e));
        }
        return out;
    }
};

TEST_F(ProgramTrayList, EntriesAreAddedEditedWithTheFinderAndDeletedAndStoredOnOk)
{
    ASSERT_TRUE(WriteOptions([](OptionsRecord&) {
        TrayAppEntry kept = Entry("notepad.exe", "", "");
        ArrayAppend(&g_trayAppList, &kept);
    }));
    FreeGrowArray(&g_trayAppList);
    TestWindow* target = Open("--title \"Tray Pick Target\" --rect 60,80,320,200");
    ASSERT_NE(nullptr, target->hwnd);
    ASSERT_TRUE(OpenMainDialog());
    ASSERT_TRUE(OpenOptions());
    ASSERT_TRUE(ShowTab(MINIMIZE));
    ASSERT_EQ((std::vector<std::string>{"notepad.exe||"}), Rows());

    HWND entry = OpenEntry(IDB_OPT_TRAY_ADD);
    ASSERT_NE(nullptr, entry);
    ASSERT_TRUE(FillEntry(entry, "", "", "")) << "all empty";
    entry = OpenEntry(IDB_OPT_TRAY_ADD);
    ASSERT_TRUE(FillEntry(entry, "mail.exe", "Inbox", ""));
    entry = OpenEntry(IDB_OPT_TRAY_ADD);
    ASSERT_TRUE(FillEntry(entry, "", "", "C:\\Icons\\only.ico")) << "an icon alone is an entry";
    entry = OpenEntry(IDB_OPT_TRAY_ADD);
    ASSERT_TRUE(FillEntry(entry, "calc.exe", "", ""));
    ASSERT_TRUE(PumpUntil([&] { return Rows().size() == 4; }, 5000));
    EXPECT_EQ((std::vector<std::string>{"notepad.exe||", "mail.exe|Inbox|", "||C:\\Icons\\only.ico", "calc.exe||"}),
              Rows()) << "the empty entry was not added";

    // Edit the second row: the finder fills program and title.
    ASSERT_TRUE(SelectRows({1}));
    entry = OpenEntry(IDB_OPT_TRAY_EDIT);
    ASSERT_NE(nullptr, entry);
    EXPECT_EQ("mail.exe", ControlText(DialogControl(entry, IDE_TRAY_PROGRAM)));
    RECT finder, window;
    ASSERT_TRUE(GetWindowRect(DialogControl(entry, IDB_TRAY_PICK), &finder));
    ASSERT_TRUE(GetWindowRect(target->hwnd, &window));
    HWND title = DialogControl(entry, IDE_TRAY_TITLE);
    ASSERT_TRUE(DragMouse(Centre(finder), Centre(window),
                          [&] { return ControlText(title) == "Tray Pick Target"; }));
    std::string program = ControlText(DialogControl(entry, IDE_TRAY_PROGRAM));
    EXPECT_NE(std::string::npos, program.find("testwindow.exe")) << program;
    ASSERT_TRUE(ClickControl(entry, IDOK));
    ASSERT_TRUE(WaitForWindowGone(entry));
    ASSERT_TRUE(PumpUntil([&] { return Rows().size() == 4 && Rows()[1] == program + "|Tray Pick Target|"; }, 5000));

    // Delete the first and the third, selected in that order.
    ASSERT_TRUE(SelectRows({2, 0}));
    ASSERT_TRUE(ClickControl(options, IDB_OPT_TRAY_DELETE));
    std::vector<std::string> left = {program + "|Tray Pick Target|", "calc.exe||"};
    ASSERT_TRUE(PumpUntil([&] { return Rows() == left; }, 5000));
    EXPECT_EQ((std::vector<std::string>{"notepad.exe||"}), MinList()) << "nothing stored before OK";

    // A double click on a row (its first click selected it) edits its entry too.
    ASSERT_TRUE(SelectRows({1}));
    HWND box = ListRowBox(List());
    int height = (int)SendMessageA(box, LB_GETITEMHEIGHT, 0, 0);
    ASSERT_GT(height, 0);
    ASSERT_TRUE(PostMessageA(box, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(10, height + height / 2)));
    entry = WaitForDialog(run.child.pid, "Minimize to Tray");
    ASSERT_NE(nullptr, entry);
    EXPECT_EQ("calc.exe", ControlText(DialogControl(entry, IDE_TRAY_PROGRAM)));
    ASSERT_TRUE(ClickControl(entry, IDCANCEL));
    ASSERT_TRUE(WaitForWindowGone(entry));
    EXPECT_EQ(left, Rows()) << "Cancel changes nothing";

    ASSERT_TRUE(OkAndClosed());
    EXPECT_TRUE(PumpUntil([&] { return MinList() == left; }, 10000));
    EXPECT_EQ(2 * sizeof(TrayAppEntry), ReadFileBytes(Data("MinList.zpx")).size());
}

TEST_F(ProgramTrayList, ARefusedOkAndCancelLeaveTheListAsItWas)
{
    ASSERT_TRUE(WriteOptions([](OptionsRecord&) {
        TrayAppEntry a = Entry("one.exe", "One", ""), b = Entry("two.exe", "", "two.ico");
        ArrayAppend(&g_trayAppList, &a);
        ArrayAppend(&g_trayAppList, &b);
    }));
    FreeGrowArray(&g_trayAppList);
    std::string before = ReadFileBytes(Data("MinList.zpx"));
    ASSERT_EQ(2 * sizeof(TrayAppEntry), before.size());
    ASSERT_TRUE(OpenMainDialog());
    ASSERT_TRUE(OpenOptions());
    ASSERT_TRUE(ShowTab(MINIMIZE));
    ASSERT_TRUE(SelectRows({0}));
    ASSERT_TRUE(ClickControl(options, IDB_OPT_TRAY_DELETE));
    ASSERT_TRUE(PumpUntil([&] { return Rows().size() == 1; }, 5000));
    // An OK that Windows refuses a hotkey for takes nothing over either.
    ASSERT_TRUE(ShowTab(GENERAL));
    ASSERT_TRUE(TypeHotkey(IDE_OPT_HK_MAIN, kCtrlAltY));
    ASSERT_TRUE(RegisterHotKey(nullptr, 0x55, kCtrlAltY >> 8, kCtrlAltY & 0xFF));
    ASSERT_TRUE(ClickOk());
    HWND refused = WaitForMessageBox(run.child.pid, kCaption);
    ASSERT_NE(nullptr, refused);
    ASSERT_TRUE(AnswerMessageBox(refused, IDOK));
    ASSERT_TRUE(WaitForWindowGone(refused));
    UnregisterHotKey(nullptr, 0x55);
    ASSERT_TRUE(ClickControl(options, IDCANCEL));
    HWND box = WaitForMessageBox(run.child.pid, kCaption);
    ASSERT_NE(nullptr, box) << "a deleted entry is a change";
    ASSERT_TRUE(AnswerMessageBox(box, IDYES));
    ASSERT_TRUE(WaitForWindowGone(options));
    // Whatever the program writes afterwards holds the list as it was.
    ASSERT_TRUE(WaitForSave([&] {
        std::map<std::string, std::string> keys;
        return ReadRawRecord(Data("Options.zpx"), &keys);
    }));
    EXPECT_TRUE(before == ReadFileBytes(Data("MinList.zpx"))) << testing::PrintToString(MinList());
    ASSERT_TRUE(OpenOptions());
    ASSERT_TRUE(ShowTab(MINIMIZE));
    EXPECT_EQ((std::vector<std::string>{"one.exe|One|", "two.exe||two.ico"}), Rows()) << "the program's list too";
}
