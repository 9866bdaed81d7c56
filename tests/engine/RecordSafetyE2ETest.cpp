// RecordSafetyE2ETest.cpp - the running program and record files that are
// damaged, held by another process, or cut off by a crash in mid-save.
#include "framework/core/AppObject.h"
#include "framework/core/ConfigRecord.h"
#include "framework/core/TextUtil.h"
#include "tests/support/ProgramFixture.h"

#include <map>
#include <random>
#include <string>
#include <vector>

namespace {

const char kDamaged[] = "PK\x03\x04 this was a profile once";

struct ProfileFile {
    const char* file;   // "Profile0.zpx", or a short form "Profile-A.zpx"
    const char* name;
    int rules;
};

class RecordSafety : public ProgramTest {
protected:
    // Options with file logging on and a time-out that is not the default.
    void WriteOptionsWithTimeout()
    {
        ASSERT_TRUE(WriteOptions([](OptionsRecord& o) { o.iVDTPTimeout = 7; }));
    }
    void WriteLists()
    {
        uint32_t pins[] = {0x11111111, 0x22222222, 0x33333333};
        ASSERT_TRUE(WriteWholeFileText(Data("PinList.zpx"), std::string((const char*)pins, sizeof(pins))));
        TrayAppEntry entry = {};
        CopyText(entry.program, sizeof(entry.program), "notepad.exe");
        CopyText(entry.title, sizeof(entry.title), "Notes");
        ASSERT_TRUE(WriteWholeFileText(Data("MinList.zpx"), std::string((const char*)&entry, sizeof(entry))));
    }
    void WriteProfileFile(const ProfileFile& wanted)
    {
        Profile p = {};
        ASSERT_TRUE(InitProfile(&p, true));
        CopyText(p.szGenName, sizeof(p.szGenName), wanted.name);
        p.bAdvPurgeOld = 0;
        for (int i = 0; i < wanted.rules; i++) {
            Rule r;
            InitRule(&r);
            FormatText(r.name, sizeof(r.name), "%s rule %d", wanted.name, i);
            SET_RULE_TEXT(&r, caption, r.name);
            r.level = 1;
            ASSERT_GE(ArrayAppend(p.pRules, &r), 0);
        }
        EXPECT_TRUE(SaveProfileFile(wanted.file, &p)) << wanted.file;
        FreeProfileLists(&p);
    }

    // The profiles the data folder holds: name -> the rule counts of each copy.
    std::map<std::string, std::vector<int>> SavedProfiles()
    {
        std::map<std::string, std::vector<int>> set;
        for (const std::string& file : DataFiles("Profile")) {
            size_t dot = file.rfind('.');
            if (dot == std::string::npos || file.substr(dot) != ".zpx") continue;
            Profile p = {};
            if (ReadProfileFile(file, &p))
                set[file[7] == '-' ? file.substr(8, dot - 8) : p.szGenName].push_back(p.pRules->count);
            else
                set["(unreadable " + file + ")"].push_back(-1);
            FreeProfileLists(&p);
        }
        return set;
    }
    static std::string Describe(const std::map<std::string, std::vector<int>>& set)
    {
        std::string out;
        for (const auto& entry : set) {
            out += entry.first + ":";
            for (int n : entry.second) out += " " + std::to_string(n);
            out += "; ";
        }
        return out;
    }
};

// A file held open without sharing, as a backup tool or an editor holds it.
struct HeldFile {
    HANDLE handle = INVALID_HANDLE_VALUE;
    explicit HeldFile(const std::string& path)
    {
        handle = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    }
    void Release()
    {
        if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
        handle = INVALID_HANDLE_VALUE;
    }
    ~HeldFile() { Release(); }
};

TEST_F(RecordSafety, DamagedOptionsAreKeptAsideAndTheListsStay)
{
    WriteOptionsWithTimeout();
    WriteLists();
    WriteProfileFile({"Profile0.zpx", "Work", 2});
    std::string pins = ReadWholeFile(Data("PinList.zpx"));
    std::string tray = ReadWholeFile(Data("MinList.zpx"));
    ASSERT_TRUE(WriteWholeFileText(Data("Options.zpx"), kDamaged));

    ASSERT_TRUE(Launch());
    std::string box = TakeMessageBox(&run);
    EXPECT_NE(std::string::npos, box.find("Options.zpx.damaged-")) << box;
    ASSERT_TRUE(WaitUntilRunning(&run));
    ASSERT_EQ(0, Quit());

    std::vector<std::string> kept = DataFiles("Options.zpx.damaged-");
    ASSERT_EQ(1u, kept.size());
    EXPECT_EQ(kDamaged, ReadWholeFile(Data(kept[0])));
    EXPECT_EQ(pins, ReadWholeFile(Data("PinList.zpx"))) << "the pin list loads on its own";
    EXPECT_EQ(tray, ReadWholeFile(Data("MinList.zpx"))) << "the tray list loads on its own";
    EXPECT_TRUE(ReadOptions()) << "the defaults were saved in its place";
    EXPECT_EQ(10, Options.iVDTPTimeout);

    // Told once: the next start finds nothing to report.
    ASSERT_TRUE(Start());
    EXPECT_EQ("", TakeMessageBox(&run, 1500));
    ASSERT_EQ(0, Quit());
    EXPECT_EQ(1u, DataFiles("Options.zpx.damaged-").size());
}

TEST_F(RecordSafety, DamagedProfileIsKeptAsideAndNotSavedOver)
{
    WriteOptionsWithTimeout();
    WriteProfileFile({"Profile0.zpx", "A", 2});
    ASSERT_TRUE(WriteWholeFileText(Data("Profile1.zpx"), kDamaged));
    WriteProfileFile({"Profile2.zpx", "C", 1});

    ASSERT_TRUE(Launch());
    std::string box = TakeMessageBox(&run);
    EXPECT_NE(std::string::npos, box.find("Profile1.zpx.damaged-")) << box;
    ASSERT_TRUE(WaitUntilRunning(&run));
    ASSERT_EQ(0, Quit());

    std::vector<std::string> kept = DataFiles("Profile1.zpx.damaged-");
    ASSERT_EQ(1u, kept.size());
    EXPECT_EQ(kDamaged, ReadWholeFile(Data(kept[0])));
    std::map<std::string, std::vector<int>> want = {{"A", {2}}, {"C", {1}}};
    EXPECT_EQ(want, SavedProfiles()) << Describe(SavedProfiles());
    EXPECT_NE(std::string::npos, Log().find("Profile1.zpx could not be read and was kept as")) << Log();
}

TEST_F(RecordSafety, ProfileHeldThroughoutIsLeftAsItIsAndItsNumberIsNotReused)
{
    WriteOptionsWithTimeout();
    WriteProfileFile({"Profile0.zpx", "A", 2});
    WriteProfileFile({"Profile1.zpx", "B", 3});
    WriteProfileFile({"Profile2.zpx", "C", 1});
    std::string b = ReadWholeFile(Data("Profile1.zpx"));
    HeldFile held(Data("Profile1.zpx"));
    ASSERT_NE(INVALID_HANDLE_VALUE, held.handle);

    ASSERT_TRUE(Launch());
    std::string box = TakeMessageBox(&run);
    EXPECT_NE(std::string::npos, box.find("Profile1.zpx")) << box;
    ASSERT_TRUE(WaitUntilRunning(&run));
    ASSERT_EQ(0, Quit());
    held.Release();

    EXPECT_EQ(b, ReadWholeFile(Data("Profile1.zpx"))) << "neither moved nor written over";
    EXPECT_TRUE(DataFiles("Profile1.zpx.damaged-").empty());
    std::map<std::string, std::vector<int>> want = {{"A", {2}}, {"B", {3}}, {"C", {1}}};
    EXPECT_EQ(want, SavedProfiles()) << Describe(SavedProfiles());
}

TEST_F(RecordSafety, FilesHeldForAMomentAreWaitedFor)
{
    enum Until { CONTROL_WINDOW, MAIN_WINDOW };
    struct Case {
        const char* file;
        Until until;   // what shows that the program is about to read the file
    } cases[] = {
        {"Options.zpx", CONTROL_WINDOW},
        {"PinList.zpx", CONTROL_WINDOW},
        {"Profile0.zpx", MAIN_WINDOW},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        WriteOptionsWithTimeout();
        WriteLists();
        WriteProfileFile({"Profile0.zpx", "Work", 3});
        std::string pins = ReadWholeFile(Data("PinList.zpx"));
        {
            HeldFile held(Data(c.file));
            ASSERT_NE(INVALID_HANDLE_VALUE, held.handle);
            ASSERT_TRUE(Launch());
            ASSERT_TRUE(PumpUntil(
                [&] {
                    const char* cls = c.until == CONTROL_WINDOW ? "ZRPPhantom" : "ZRPWindow";
                    return FindProcessWindow(run.child.pid, cls, "PanelShepherd") != nullptr;
                },
                20000));
            // The program reads the file right after that window appears:
            // hold on a moment longer so that it surely finds it held.
            PumpFor(300);
        }
        ASSERT_TRUE(WaitUntilRunning(&run));
        ASSERT_EQ(0, Quit());

        std::string log = Log();
        EXPECT_NE(std::string::npos, log.find("options loaded successfully")) << "logging is an option";
        EXPECT_EQ(std::string::npos, log.find("could not be read")) << log;
        EXPECT_TRUE(DataFiles("Options.zpx.damaged-").empty());
        EXPECT_TRUE(DataFiles("Profile0.zpx.damaged-").empty());
        EXPECT_TRUE(ReadOptions());
        EXPECT_EQ(7, Options.iVDTPTimeout) << "the options were read, not replaced by defaults";
        EXPECT_EQ(pins, ReadWholeFile(Data("PinList.zpx")));
        std::map<std::string, std::vector<int>> want = {{"Work", {3}}};
        EXPECT_EQ(want, SavedProfiles()) << Describe(SavedProfiles());
        RemoveTree(install.dataFolder);
        CreateDirectoryA(install.dataFolder.c_str(), nullptr);
    }
}

// The count is rewritten in the stored text; the rules stay as they are.
static bool SetStoredRuleCount(const std::string& path, const char* count)
{
    ConfigRecord r;
    InitConfigRecord(&r, 0, "");
    bool ok = LoadRecordArchive(&r, path.c_str()) > 0;
    std::string text(r.text.data ? r.text.data : "", ok ? (size_t)r.text.count : 0);
    ClearConfigRecord(&r);
    size_t at = text.find(std::string("iNumRules=3") + '\0');
    if (!ok || at == std::string::npos) return false;
    text.replace(at, 11, std::string("iNumRules=") + count);
    InitConfigRecord(&r, 1, "");
    ArrayAppendN(&r.text, text.data(), (int32_t)text.size());
    ok = SaveRecordArchive(&r, path.c_str()) > 0;
    ClearConfigRecord(&r);
    return ok;
}

TEST_F(RecordSafety, RuleCountsThatDoNotMatchReadTheRulesThatAreThere)
{
    WriteOptionsWithTimeout();
    const struct {
        const char* file;
        const char* name;
        const char* count;
    } cases[] = {
        {"Profile0.zpx", "Negative", "-5"},
        {"Profile1.zpx", "Too large", "99999"},
        {"Profile2.zpx", "Too small", "1"},
        {"Profile3.zpx", "Unreadable", "x"},
    };
    for (const auto& c : cases) {
        WriteProfileFile({c.file, c.name, 3});
        ASSERT_TRUE(SetStoredRuleCount(Data(c.file), c.count)) << c.file;
    }
    ASSERT_TRUE(Start());
    ASSERT_EQ(0, Quit());
    std::map<std::string, std::vector<int>> want;
    for (const auto& c : cases) want[c.name] = {3};
    EXPECT_EQ(want, SavedProfiles()) << Describe(SavedProfiles());
}

// A save that renumbers the profiles ("A" arrives from a short-form file and
// sorts first) is cut off by killing the program at a random moment; the next
// start must load every profile once, with all its rules.
TEST_F(RecordSafety, SaveKilledAtRandomMomentsLosesNoProfile)
{
    const ProfileFile set[] = {{"Profile0.zpx", "B", 1000}, {"Profile1.zpx", "C", 5}, {"Profile-A.zpx", "A", 5}};
    std::map<std::string, std::vector<int>> want = {{"A", {5}}, {"B", {1000}}, {"C", {5}}};
    auto lay = [&] {
        RemoveTree(install.dataFolder);
        ASSERT_TRUE(WriteOptions([](OptionsRecord& o) { o.bMonLogToFile = 0; }));   // the defaults
        for (const ProfileFile& p : set) WriteProfileFile(p);
    };

    // How long one renumbering save takes: kills fall in that span and a bit beyond.
    lay();
    ASSERT_TRUE(Start());
    DWORD_PTR answer = 0;
    DWORD begin = GetTickCount();
    ASSERT_NE(0, SendMessageTimeoutA(run.main, ZRPMSG_SAVEALL, 0, 0, SMTO_NORMAL, 60000, &answer));
    DWORD span = GetTickCount() - begin + 20;
    ASSERT_EQ(0, Quit());
    ASSERT_EQ(want, SavedProfiles()) << "an uninterrupted save: " << Describe(SavedProfiles());

    unsigned seed = (unsigned)GetTickCount();
    std::mt19937 random(seed);
    std::uniform_int_distribution<DWORD> moment(0, span * 5 / 4);
    const int kRounds = 24;
    int losses = 0;
    for (int round = 0; round < kRounds; round++) {
        lay();
        ASSERT_TRUE(Start());
        DWORD delay = moment(random);
        ASSERT_TRUE(PostMessageA(run.main, ZRPMSG_SAVEALL, 0, 0));
        Sleep(delay);
        TerminateProcess(run.child.process, 9);
        WaitProcess(&run.child, 20000);
        CloseProcess(&run.child);

        ASSERT_TRUE(Start());   // finishes or undoes the cut-off save, loads, and saves again on the way out
        ASSERT_EQ(0, Quit());
        std::map<std::string, std::vector<int>> got = SavedProfiles();
        if (got != want) losses++;
        EXPECT_EQ(want, got) << "round " << round << ", killed " << delay << " ms into a " << span
                             << " ms save: " << Describe(got);
    }
    printf("renumbering save of %lu ms killed in %d rounds (seed %u): %d rounds lost or doubled a profile\n",
           (unsigned long)span, kRounds, seed, losses);
}

}  // namespace
