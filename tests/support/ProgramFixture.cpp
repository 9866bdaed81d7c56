// ProgramFixture.cpp - the end-to-end fixture.
#include "tests/support/ProgramFixture.h"

#include "framework/core/AppObject.h"
#include "framework/core/ConfigRecord.h"
#include "framework/core/TextUtil.h"
#include "tests/support/WineTray.h"

#include <algorithm>
#include <sstream>

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

// Reading the options appends the tray lists to what they hold.
void ClearTrayLists()
{
    FreeGrowArray(&g_pinList);
    FreeGrowArray(&g_trayAppList);
}

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
    for (ProgramRun& r : others) CloseProcess(&r.child);
    others.clear();
    ClearTrayLists();
    g_app.dataFolder[0] = '\0';
    RemoveTestInstallRecord();
}

std::string ProgramTest::ProfilePath(int index) const
{
    return install.dataFolder + "\\Profile" + std::to_string(index) + ".zpx";
}

std::vector<std::string> ProgramTest::DataFiles(const std::string& prefix) const
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA fd;
    HANDLE find = FindFirstFileA(Data(prefix + "*").c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(fd.cFileName);
    } while (FindNextFileA(find, &fd));
    FindClose(find);
    return names;
}

bool ProgramTest::WriteOptions(const std::function<void(OptionsRecord&)>& change)
{
    CreateDirectoryA(install.dataFolder.c_str(), nullptr);
    UseDataFolder use(install.dataFolder);
    ClearTrayLists();
    SerializeOptions(0);   // the options there, else the defaults
    Options.bMonLogToFile = 1;
    if (change) change(Options);
    return SerializeOptions(1);
}

bool ProgramTest::ReadOptions()
{
    UseDataFolder use(install.dataFolder);
    ClearTrayLists();
    return SerializeOptions(0);
}

bool ProgramTest::WriteProfiles(const std::vector<ProfileSpec>& profiles, int current)
{
    bool ok = WriteOptions([current](OptionsRecord& o) { o.iCurProfile = current; });
    for (size_t i = 0; ok && i < profiles.size(); i++) {
        Profile p = {};
        ok = InitProfile(&p, true);
        if (ok) {
            CopyText(p.szGenName, sizeof(p.szGenName), profiles[i].name.c_str());
            for (const Rule& r : profiles[i].rules) ok = ok && ArrayAppend(p.pRules, &r) >= 0;
            if (profiles[i].configure) profiles[i].configure(p);
            ok = ok && SaveProfile((int)i, &p);
        }
        FreeProfileLists(&p);
    }
    return ok;
}

bool ProgramTest::WriteProfile(const std::vector<Rule>& rules, const std::function<void(Profile&)>& configure)
{
    return WriteProfiles({{"Test", configure, rules}});
}

static bool ShortForm(const std::string& file)
{
    return file.compare(0, 8, "Profile-") == 0;
}

bool ProgramTest::ReadProfileFile(const std::string& file, Profile* profile)
{
    UseDataFolder use(install.dataFolder);
    *profile = Profile{};
    return SerializeProfile(0, Data(file).c_str(), profile, ShortForm(file));
}

bool ProgramTest::SaveProfileFile(const std::string& file, Profile* profile)
{
    UseDataFolder use(install.dataFolder);
    return SerializeProfile(1, Data(file).c_str(), profile, ShortForm(file));
}

bool ProgramTest::ReadProfile(int index, Profile* profile)
{
    return ReadProfileFile("Profile" + std::to_string(index) + ".zpx", profile);
}

bool ProgramTest::SaveProfile(int index, Profile* profile)
{
    return SaveProfileFile("Profile" + std::to_string(index) + ".zpx", profile);
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

bool ProgramTest::Start(const char* args, const char* program, DWORD ms)
{
    return Launch(args, program) && WaitUntilRunning(&run, ms);
}

bool ProgramTest::Launch(const char* args, const char* program)
{
    return StartProgram(&run, args, program);
}

bool ProgramTest::StartWatched(const char* args)
{
    return StartProgramWatched(&run, args);
}

bool ProgramTest::LaunchTogether(size_t count, const char* args)
{
    for (ProgramRun& r : others) CloseProcess(&r.child);
    others.assign(count, ProgramRun());
    return StartProgramsTogether(&others, args);
}

long ProgramTest::Quit(DWORD ms)
{
    return QuitProgram(&run, ms);
}

bool ProgramTest::Running() const
{
    return run.child.process && WaitForSingleObject(run.child.process, 0) == WAIT_TIMEOUT;
}

bool ProgramTest::WaitForRestart(DWORD ms)
{
    DWORD old = run.child.pid;
    if (WaitProcess(&run.child, ms) != 0) return false;
    CloseProcess(&run.child);
    run = ProgramRun();
    // The test did not start it: it is known by its control window only.
    HWND control = nullptr;
    PumpUntil(
        [&] {
            control = FindWindowA("ZRPPhantom", "PanelShepherd");
            DWORD pid = 0;
            if (control) GetWindowThreadProcessId(control, &pid);
            return control && pid != old;
        },
        ms);
    if (!control) return false;
    GetWindowThreadProcessId(control, &run.child.pid);
    run.child.process =
        OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION | PROCESS_TERMINATE, FALSE, run.child.pid);
    return run.child.process && WaitUntilRunning(&run, ms);
}

HWND ProgramTest::ChooseFirstMenuItem(DWORD ms)
{
    HWND menu = nullptr;
    if (!PumpUntil(
            [&] {
                menu = FindProcessWindow(run.child.pid, "#32768");
                return menu && IsWindowVisible(menu);
            },
            ms))
        return nullptr;
    RECT m;
    GetWindowRect(menu, &m);
    return ClickAt(POINT{m.left + 20, m.top + 3 + GetSystemMetrics(SM_CYMENU) / 2}, 1) ? menu : nullptr;
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

std::vector<std::string> ProgramTest::LogLines(const std::string& log)
{
    std::vector<std::string> lines;
    std::istringstream in(log);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line.size() >= 13 ? line.substr(13) : line);   // "hh:mm:ss.mmm "
    }
    return lines;
}

int ProgramTest::CountLogLine(const std::string& line) const
{
    std::vector<std::string> lines = LogLines();
    return (int)std::count(lines.begin(), lines.end(), line);
}

bool ProgramTest::WaitForLogLine(const std::string& line, int count, DWORD ms) const
{
    return PumpUntil([&] { return CountLogLine(line) >= count; }, ms);
}

int ProgramTest::CountOf(const std::string& text, const std::string& part)
{
    int n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) n++;
    return n;
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

bool ProgramTest::WaitForSave(const std::function<bool()>& saved, DWORD ms)
{
    ULONGLONG asked = 0;
    return PumpUntil(
        [&] {
            if (GetTickCount64() - asked >= 250) {
                PostMessageA(run.main, ZRPMSG_SAVEALL, 0, 0);
                asked = GetTickCount64();
            }
            return saved();
        },
        ms);
}

TestWindow* ProgramTest::Open(const std::string& args)
{
    windows.emplace_back(new TestWindow());
    TestWindow* w = windows.back().get();
    EXPECT_TRUE(StartTestWindow(w, args)) << args;
    return w;
}
