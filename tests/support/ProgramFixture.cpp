// ProgramFixture.cpp - the end-to-end fixture.
#include "tests/support/ProgramFixture.h"

#include "framework/core/AppObject.h"
#include "framework/core/ConfigRecord.h"
#include "framework/core/TextUtil.h"

#include <string.h>
#include <time.h>

Rule TitleRule(const char* name, const char* caption, uint8_t compare)
{
    Rule r;
    InitRule(&r);
    CopyText(r.name, sizeof(r.name), name);
    SET_RULE_TEXT(&r, caption, caption);
    r.cmpcaption = compare;
    r.cmpwndclss = CMP_ANY;
    r.cmpprogram = CMP_ANY;
    r.time = (int64_t)_time64(nullptr);
    return r;
}

namespace {

// The product's record routines find the data folder through g_app.
struct UseDataFolder {
    explicit UseDataFolder(const std::string& folder)
    {
        CopyText(g_app.dataFolder, sizeof(g_app.dataFolder), folder.c_str());
    }
    ~UseDataFolder() { g_app.dataFolder[0] = '\0'; }
};

}  // namespace

void ProgramTest::SetUp()
{
    const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "." + info->name();
    ASSERT_TRUE(BeginTestInstall(name.c_str(), &install));
}

void ProgramTest::TearDown()
{
    for (auto& w : windows) StopTestWindow(w.get());
    windows.clear();
    StopWatchingProgram(&run);
    if (Running()) QuitProgram(&run, 10000);
    CloseProcess(&run.child);   // ends it when it would not quit
    g_app.dataFolder[0] = '\0';
    RemoveTestInstallRecord();
}

std::string ProgramTest::ProfilePath(int index) const
{
    return install.dataFolder + "\\Profile" + std::to_string(index) + ".zpx";
}

bool ProgramTest::WriteLoggingOptions()
{
    CreateDirectoryA(install.dataFolder.c_str(), nullptr);
    UseDataFolder use(install.dataFolder);
    SerializeOptions(0);   // no file yet: the defaults
    Options.bMonLogToFile = 1;
    return SerializeOptions(1);
}

bool ProgramTest::WriteProfile(const std::vector<Rule>& rules)
{
    if (!WriteLoggingOptions()) return false;
    Profile p = {};
    bool ok = InitProfile(&p, true);
    if (ok) {
        CopyText(p.szGenName, sizeof(p.szGenName), "Test");
        for (const Rule& r : rules) ok = ok && ArrayAppend(p.pRules, &r) >= 0;
        ok = ok && SaveProfile(0, &p);
    }
    FreeProfileLists(&p);
    return ok;
}

bool ProgramTest::ReadProfile(int index, Profile* profile)
{
    UseDataFolder use(install.dataFolder);
    *profile = Profile{};
    return SerializeProfile(0, ProfilePath(index).c_str(), profile, false);
}

bool ProgramTest::SaveProfile(int index, Profile* profile)
{
    UseDataFolder use(install.dataFolder);
    return SerializeProfile(1, ProfilePath(index).c_str(), profile, false);
}

bool ProgramTest::ReadRawRecord(const std::string& path, std::map<std::string, std::string>* keys)
{
    keys->clear();
    ConfigRecord r;
    InitConfigRecord(&r, 0, "");
    bool ok = LoadRecordArchive(&r, path.c_str()) > 0;
    // Lines are key "=" value NUL CR LF.
    for (int32_t at = 0; ok && at < r.text.count;) {
        const char* line = r.text.data + at;
        size_t length = strnlen(line, (size_t)(r.text.count - at));
        const char* eq = (const char*)memchr(line, '=', length);
        if (eq) (*keys)[std::string(line, eq)] = std::string(eq + 1, line + length);
        at += (int32_t)length + 3;
    }
    ClearConfigRecord(&r);
    return ok;
}

bool ProgramTest::Start(const char* args)
{
    return StartProgram(&run, args) && WaitUntilRunning(&run);
}

bool ProgramTest::StartWatched(const char* args)
{
    return StartProgramWatched(&run, args);
}

long ProgramTest::Quit()
{
    return QuitProgram(&run);
}

bool ProgramTest::Running() const
{
    return run.child.process && WaitForSingleObject(run.child.process, 0) == WAIT_TIMEOUT;
}

std::string ProgramTest::Log() const
{
    return ReadWholeFile(Data("PanelShepherd.log"));
}

size_t ProgramTest::WaitForLog(const std::string& text, size_t from, DWORD ms) const
{
    size_t at = std::string::npos;
    PumpUntil(
        [&] {
            at = Log().find(text, from);
            return at != std::string::npos;
        },
        ms);
    return at;
}

std::string ProgramTest::HandleText(HWND window)
{
    char text[32];
    FormatText(text, sizeof(text), "HWND(%08X)", (unsigned)(uintptr_t)window);   // handles are 32-bit values
    return text;
}

std::string ProgramTest::WindowTag(const char* event, HWND window)
{
    return std::string(event) + ": " + HandleText(window);
}

size_t ProgramTest::WaitForWindowLine(const char* event, HWND window, size_t from, std::string* line,
                                      DWORD ms) const
{
    std::string tag = WindowTag(event, window);
    size_t at = std::string::npos;
    PumpUntil(
        [&] {
            std::string log = Log();
            at = log.find(tag, from);
            if (at == std::string::npos) return false;
            size_t end = log.find('\r', at);
            if (end == std::string::npos) {   // the line is still being written
                at = std::string::npos;
                return false;
            }
            if (line) *line = log.substr(at, end - at);
            return true;
        },
        ms);
    return at;
}

TestWindow* ProgramTest::Open(const std::string& args)
{
    windows.emplace_back(new TestWindow());
    TestWindow* w = windows.back().get();
    EXPECT_TRUE(StartTestWindow(w, args)) << args;
    return w;
}
