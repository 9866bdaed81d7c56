// OptionsRecordTest.cpp - the options record and the raw pin and Minimize to Tray lists.
#include "engine/OptionsRecord.h"
#include "tests/engine/RecordTestUtil.h"

#include <memory>

namespace {

class OptionsRecordTest : public RecordFolderTest {
protected:
    void SetUp() override
    {
        RecordFolderTest::SetUp();
        FreeGrowArray(&g_pinList);
        FreeGrowArray(&g_trayAppList);
    }
    void TearDown() override
    {
        FreeGrowArray(&g_pinList);
        FreeGrowArray(&g_trayAppList);
        RecordFolderTest::TearDown();
    }
    std::string DataFile(const char* name) const { return data + "\\" + name + ".zpx"; }
};

// The record as reading makes it with no file: the defaults.
std::unique_ptr<OptionsRecord> Defaults()
{
    std::unique_ptr<OptionsRecord> o(new OptionsRecord);
    memset(o.get(), 0, sizeof(OptionsRecord));
    o->bEnabled = 1;
    o->bShowTrayIcon = 1;
    o->bMonCheckTempl = 1;
    o->iMonListSortDir = 1;
    o->iVDTPTimeout = 10;
    o->crRuleScript = 0x000000FF;
    return o;
}

const char* const kOptionKeys[] = {
    "iCurProfile", "bMonBlinkRect", "bMonCheckTempl", "iMonListSortCol", "iMonListSortDir",
    "bMonLogToFile", "bMonIncludeEmpty", "bAutoStart", "bRunAsAdmin", "bEnabled", "bShowTrayIcon",
    "crRuleScript", "iHotKeyMain", "iHotKeyTrigger", "iHotKeyEnable", "iHotKeyNew", "iHotKeyUpdate",
    "iHotKeyCreate", "iHotKeyActive", "bConfirmationSound", "szConfirmationSound", "bMinimizeToTray",
    "iHotKeySwitchDesktop", "iHotKeyMoveWindow", "iHotKeyPinWindow", "bTogglePin",
    "iHotKeyUnPinWindow", "bSwitchOnMove", "bIndividualIcons", "szUserDesktop", "iVDTPTimeout",
    "iHotKeyTrans", "iTrans", "iHotKeyClkThr", "iClkThr", "iHotKeyNonTrans", "iHotKeyAlwaysOnTop",
};

TrayAppEntry TrayEntry(const char* program, const char* title, const char* icon)
{
    TrayAppEntry e = {};
    CopyText(e.program, sizeof(e.program), program);
    CopyText(e.title, sizeof(e.title), title);
    CopyText(e.icon, sizeof(e.icon), icon);
    return e;
}

}  // namespace

TEST_F(OptionsRecordTest, WithoutAFileTheDefaultsStand)
{
    memset(&Options, 0x5A, sizeof(Options));
    uint32_t pin = 7;
    ArrayAppend(&g_pinList, &pin);
    EXPECT_FALSE(SerializeOptions(0));
    EXPECT_EQ(0, memcmp(Defaults().get(), &Options, sizeof(Options)));
    EXPECT_EQ(1, Options.bEnabled);
    EXPECT_EQ(1, Options.bShowTrayIcon);
    EXPECT_EQ(10, Options.iVDTPTimeout);
    EXPECT_EQ(1, g_pinList.count) << "the lists are left alone";
}

TEST_F(OptionsRecordTest, WriteReadWriteKeepsEveryField)
{
    std::unique_ptr<OptionsRecord> want = Defaults();
    OptionsRecord& o = *want;
    o.iCurProfile = 3; o.bMonBlinkRect = 1; o.bMonCheckTempl = 0; o.iMonListSortCol = 2;
    o.iMonListSortDir = -1; o.bMonLogToFile = 1; o.bMonIncludeEmpty = 1; o.bAutoStart = 1;
    o.bRunAsAdmin = 1; o.bEnabled = 0; o.bShowTrayIcon = 0; o.crRuleScript = 0x00FF8040;
    o.iHotKeyMain = 0x0641; o.iHotKeyTrigger = 0x0642; o.iHotKeyEnable = 0x0643; o.iHotKeyNew = 0x0A44;
    o.iHotKeyUpdate = 0x0845; o.iHotKeyCreate = 0x0146; o.iHotKeyActive = 0x0247;
    o.bConfirmationSound = 1;
    CopyText(o.szConfirmationSound, sizeof(o.szConfirmationSound), "C:\\Windows\\Media\\ding.wav");
    o.bMinimizeToTray = 1; o.iHotKeySwitchDesktop = 0x0300; o.iHotKeyMoveWindow = 0x0500;
    o.iHotKeyPinWindow = 0x0650; o.bTogglePin = 1; o.iHotKeyUnPinWindow = 0x0655; o.bSwitchOnMove = 1;
    o.bIndividualIcons = 1;
    CopyText(o.szUserDesktop, sizeof(o.szUserDesktop), "C:\\Users\\me\\Desktop");
    o.iVDTPTimeout = 30; o.iHotKeyTrans = 0x0654; o.iTrans = 25; o.iHotKeyClkThr = 0x0643;
    o.iClkThr = 75; o.iHotKeyNonTrans = 0x064F; o.iHotKeyAlwaysOnTop = 0x0654;
    memcpy(&Options, want.get(), sizeof(Options));
    uint32_t pins[] = {0xDEADBEEF, 0x12345678, 0};
    ArrayAppendN(&g_pinList, pins, 3);
    TrayAppEntry apps[] = {TrayEntry("notepad.exe", "", "C:\\icons\\n.ico"), TrayEntry("", "Inbox*", "")};
    ArrayAppendN(&g_trayAppList, apps, 2);

    ASSERT_TRUE(SerializeOptions(1));
    std::string first = RecordFileText(DataFile("Options"));
    std::vector<std::string> keys = KeysOf(first);
    EXPECT_EQ(std::vector<std::string>(std::begin(kOptionKeys), std::end(kOptionKeys)), keys);
    struct Case {
        const char* key;
        const char* value;
    } cases[] = {
        {"iCurProfile", "3"},           {"bEnabled", "0"},           {"iMonListSortDir", "-1"},
        {"crRuleScript", "0x00FF8040"}, {"iHotKeyMain", "0x0641"},   {"iHotKeySwitchDesktop", "0x0300"},
        {"szUserDesktop", "C:\\Users\\me\\Desktop"}, {"iTrans", "25"}, {"iVDTPTimeout", "30"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.value, ValueOf(first, c.key)) << c.key;
    EXPECT_EQ(std::string((const char*)pins, sizeof(pins)), ReadWholeFile(DataFile("PinList")));
    EXPECT_EQ(std::string((const char*)apps, sizeof(apps)), ReadWholeFile(DataFile("MinList")));

    FreeGrowArray(&g_pinList);
    FreeGrowArray(&g_trayAppList);
    memset(&Options, 0, sizeof(Options));
    ASSERT_TRUE(SerializeOptions(0));
    EXPECT_EQ(0, memcmp(want.get(), &Options, sizeof(Options)));
    ASSERT_EQ(3, g_pinList.count);
    EXPECT_EQ(0xDEADBEEFu, g_pinList.data[0]);
    ASSERT_EQ(2, g_trayAppList.count);
    EXPECT_STREQ("Inbox*", g_trayAppList.data[1].title);
    EXPECT_STREQ("C:\\icons\\n.ico", g_trayAppList.data[0].icon);

    ASSERT_TRUE(SerializeOptions(1));
    EXPECT_TRUE(first == RecordFileText(DataFile("Options")));
}

TEST_F(OptionsRecordTest, ZeroPercentReadsAsFifty)
{
    ASSERT_TRUE(WriteRecordFile(DataFile("Options"), Line("iTrans", "0") + Line("iClkThr", "0") +
                                                         Line("bEnabled", "0")));
    ASSERT_TRUE(SerializeOptions(0));
    EXPECT_EQ(50, Options.iTrans);
    EXPECT_EQ(50, Options.iClkThr);
    EXPECT_EQ(0, Options.bEnabled);
    // Missing keys keep the defaults.
    EXPECT_EQ(1, Options.bShowTrayIcon);
    EXPECT_EQ(10, Options.iVDTPTimeout);
    EXPECT_EQ(0x000000FFu, Options.crRuleScript);
    Options.iTrans = 0;
    ASSERT_TRUE(SerializeOptions(1));
    EXPECT_EQ("50", ValueOf(RecordFileText(DataFile("Options")), "iTrans")) << "stored as it reads back";
}

TEST_F(OptionsRecordTest, RawListsAreCutToWholeEntriesAndTerminated)
{
    ASSERT_TRUE(WriteRecordFile(DataFile("Options"), Line("iCurProfile", "1")));
    TrayAppEntry two[2] = {TrayEntry("a.exe", "A", "a.ico"), TrayEntry("b.exe", "B", "b.ico")};
    std::string minList((const char*)two, sizeof(two));
    minList += std::string(100, 'x');   // not a whole entry
    ASSERT_EQ(1660u, minList.size());
    ASSERT_TRUE(WriteWholeFileText(DataFile("MinList"), minList));
    ASSERT_TRUE(WriteWholeFileText(DataFile("PinList"), std::string("\x01\x00\x00\x00\x02\x00\x00\x00\x03\x00", 10)));
    TrayAppEntry earlier = TrayEntry("earlier.exe", "", "");
    ArrayAppend(&g_trayAppList, &earlier);

    ASSERT_TRUE(SerializeOptions(0));
    ASSERT_EQ(3, g_trayAppList.count) << "appended to what the list held";
    EXPECT_STREQ("earlier.exe", g_trayAppList.data[0].program);
    EXPECT_STREQ("b.exe", g_trayAppList.data[2].program);
    ASSERT_EQ(2, g_pinList.count);
    EXPECT_EQ(2u, g_pinList.data[1]);

    // An entry of raw bytes without terminators ends within each field.
    FreeGrowArray(&g_trayAppList);
    ASSERT_TRUE(WriteWholeFileText(DataFile("MinList"), std::string(780, 'A')));
    ASSERT_TRUE(SerializeOptions(0));
    ASSERT_EQ(1, g_trayAppList.count);
    EXPECT_EQ(std::string(259, 'A'), g_trayAppList.data[0].program);
    EXPECT_EQ(std::string(259, 'A'), g_trayAppList.data[0].title);
    EXPECT_EQ(std::string(259, 'A'), g_trayAppList.data[0].icon);

    // Empty lists write empty files.
    FreeGrowArray(&g_trayAppList);
    FreeGrowArray(&g_pinList);
    ASSERT_TRUE(SerializeOptions(1));
    bool ok = false;
    EXPECT_EQ("", ReadWholeFile(DataFile("PinList"), &ok));
    EXPECT_TRUE(ok);
    EXPECT_EQ("", ReadWholeFile(DataFile("MinList"), &ok));
    EXPECT_TRUE(ok);
}

TEST_F(OptionsRecordTest, HostileOptionsLoadWithinBounds)
{
    std::string huge(5000, 'z');
    std::string text = Line("szConfirmationSound", huge) + Line("szUserDesktop", huge) +
                       Line("iCurProfile", "99999999999999") + Line("iHotKeyMain", "0xFFFFFFFF") +
                       Line("crRuleScript", "red") + Line("bEnabled", "-1") + Line("iTrans", "-7");
    ASSERT_TRUE(WriteRecordFile(DataFile("Options"), text));
    ASSERT_TRUE(SerializeOptions(0));
    EXPECT_EQ(std::string(259, 'z'), Options.szConfirmationSound);
    EXPECT_EQ(std::string(259, 'z'), Options.szUserDesktop);
    EXPECT_EQ(0x7FFFFFFF, Options.iCurProfile);
    EXPECT_EQ(0xFFFF, Options.iHotKeyMain);
    EXPECT_EQ(0x000000FFu, Options.crRuleScript) << "unreadable: the default stays";
    EXPECT_EQ(0xFF, Options.bEnabled);
    EXPECT_EQ(-7, Options.iTrans);
    ASSERT_TRUE(WriteWholeFileText(DataFile("Options"), "iCurProfile=1"));
    EXPECT_FALSE(SerializeOptions(0)) << "not an archive";
}

TEST_F(OptionsRecordTest, OptionsWrittenByInfoZipReadExactlyTheirKeys)
{
    if (!HostToolsAvailable()) GTEST_SKIP() << "zip and python3 are reached through Wine";
    std::string text = Line("iCurProfile", "2") + Line("bShowTrayIcon", "0") +
                       Line("iHotKeyPinWindow", "0x0A50") + Line("crRuleScript", "0x0000FF00") +
                       Line("szUserDesktop", "D:\\Desk") + Line("iClkThr", "0");
    std::string log;
    ASSERT_EQ(0, ZipRecordWithInfoZip(folder, DataFile("Options"), text, &log)) << log;
    ASSERT_TRUE(SerializeOptions(0));
    std::unique_ptr<OptionsRecord> want = Defaults();
    want->iCurProfile = 2;
    want->bShowTrayIcon = 0;
    want->iHotKeyPinWindow = 0x0A50;
    want->crRuleScript = 0x0000FF00;
    CopyText(want->szUserDesktop, sizeof(want->szUserDesktop), "D:\\Desk");
    want->iTrans = 50;   // 0 (missing) reads as 50
    want->iClkThr = 50;
    EXPECT_EQ(0, memcmp(want.get(), &Options, sizeof(Options)));
    EXPECT_EQ(1, Options.bEnabled);
    EXPECT_EQ(10, Options.iVDTPTimeout);

    // And Python reads what we write back.
    ASSERT_TRUE(SerializeOptions(1));
    std::string script =
        "import zipfile\n"
        "z = zipfile.ZipFile('data/Options.zpx')\n"
        "lines = z.read(z.namelist()[0], pwd=b'" CONFIG_RECORD_PASSWORD "').split(b'\\0\\r\\n')\n"
        "assert lines[-1] == b'', lines[-1]\n"
        "values = dict(l.split(b'=', 1) for l in lines[:-1])\n"
        "assert values[b'iHotKeyPinWindow'] == b'0x0A50', values\n"
        "assert values[b'szUserDesktop'] == b'D:\\\\Desk', values\n"
        "assert values[b'bEnabled'] == b'1' and values[b'iVDTPTimeout'] == b'10', values\n"
        "assert len(values) == 37, len(values)\n";
    ASSERT_TRUE(WriteWholeFileText(Path("check.py"), script));
    EXPECT_EQ(0, RunHostScript(folder, "python3 check.py", &log)) << log;
}
