// SoakCost.cpp - whether the program's dialogs give back what they take: the
// real program runs a profile of a few rules and templates while windows of
// other processes come and go (about ten a second) and the profile switches
// every few seconds; each of its dialogs is opened from the main dialog,
// every tab shown, and closed with Cancel, count times over. The program's
// GDI and USER objects, handles and private memory are printed after a
// warm-up round, every quarter of the run and at the end.
//   bench_soak [count] [dialog]        (200 and every dialog when none)
// dialog: settings, profiles, options, list, edit, about or main, to open
// only that one (and the main dialog it opens from); none for the windows
// and switches alone, a second a round.
#include "bench/BenchEngine.h"
#include "engine/ProductIds.h"
#include "engine/RuleRecord.h"
#include "engine/TemplateRecord.h"
#include "tests/support/DialogDriver.h"
#include "tests/support/TestEnv.h"
#include "ui/MainDialogRes.h"

#include <psapi.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <winternl.h>

#include <map>

namespace {

const char kMainCaption[] = "PanelShepherd";

enum Dialog { SETTINGS, PROFILES, OPTIONS, LIST, EDIT, ABOUT, MAIN, kDialogs, NONE = kDialogs };
const int kAll = -1;
// "none": no dialog at all, the churn alone for a second a round.
const char* const kDialogNames[kDialogs + 1] = {"settings", "profiles", "options", "list", "edit", "about", "main",
                                                "none"};

bool OnWine()
{
    return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
}

//--- the program's data

Rule SoakRule(const char* name, uint8_t level, const char* caption)
{
    Rule r;
    InitRule(&r);
    CopyText(r.name, sizeof(r.name), name);
    r.level = level;
    CopyText(r.caption, sizeof(r.caption), caption);
    r.captionlen = (int16_t)strlen(r.caption);
    r.cmpcaption = CMP_STARTS_WITH;
    r.cmpwndclss = CMP_ANY;
    r.cmpprogram = CMP_ANY;
    return r;
}

// Two profiles alike but for their names, the second disabled: a group of
// rules (one places the churned windows), a rule on its own and three
// templates besides the defaults.
bool WriteSoakProfiles(const std::string& data)
{
    Profile p = {};
    if (!InitProfile(&p, true)) return false;
    Rule group;
    InitRule(&group);
    CopyText(group.name, sizeof(group.name), "Soak Group");
    group.level = 1;
    group.item = RULE_ITEM_GROUP | RULE_ITEM_EXPANDED;
    ArrayAppend(p.pRules, &group);
    Rule place = SoakRule("Bench windows", 2, "Bench Window");
    place.moveto = 1;
    place.x = kBenchTarget.left;
    place.y = kBenchTarget.top;
    ArrayAppend(p.pRules, &place);
    for (const char* name : {"Soak Editor", "Soak Browser"}) {
        Rule r = SoakRule(name, 2, name);
        ArrayAppend(p.pRules, &r);
    }
    Rule alone = SoakRule("Soak Alone", 1, "Soak Alone");
    ArrayAppend(p.pRules, &alone);
    for (const char* name : {"Soak Template A", "Soak Template B", "Soak Template C"}) {
        RuleTemplate t;
        InitRuleTemplate(&t);
        CopyText(t.match.name, sizeof(t.match.name), name);
        SET_RULE_TEXT(&t.match, caption, name);
        t.match.cmpcaption = CMP_STARTS_WITH;
        ArrayAppend(p.pTemplates, &t);
    }
    bool ok = true;
    const char* names[2] = {"Soak", "Soak Quiet"};
    for (int i = 0; i < 2 && ok; i++) {
        CopyText(p.szGenName, sizeof(p.szGenName), names[i]);
        p.bGenEnabled = i == 0;
        char file[64];
        FormatText(file, sizeof(file), "\\Profile%d.zpx", i);
        ok = SerializeProfile(1, (data + file).c_str(), &p, false);
    }
    FreeProfileLists(&p);
    return ok;
}

//--- the program's windows

struct ProcessWindow {
    DWORD pid;
    HWND found;
};

BOOL CALLBACK FindMainWindow(HWND w, LPARAM data)
{
    ProcessWindow* p = (ProcessWindow*)data;
    char cls[32] = {};
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (pid != p->pid || !GetClassNameA(w, cls, sizeof(cls)) || strcmp(cls, "ZRPWindow") != 0) return TRUE;
    p->found = w;
    return FALSE;
}

// As the profile menu does.
void SwitchProfile(DWORD pid, int index)
{
    ProcessWindow p = {pid, nullptr};
    EnumWindows(FindMainWindow, (LPARAM)&p);
    if (p.found) PostMessageA(p.found, ZRPMSG_COMMAND, MAKEWPARAM(CMD_PROFILE_SWITCH + index, 0), 0);
}

//--- windows coming and going, profile switches

struct Churn {
    DWORD pid = 0;
    volatile LONG stop = 0;
    LONG windows = 0, switches = 0;
};

// Every second ten windows of a new process come and the last second's go;
// every fourth second the profile switches.
DWORD WINAPI ChurnThread(void* data)
{
    Churn* c = (Churn*)data;
    BenchHosts last;
    for (int tick = 1; !c->stop; tick++) {
        double t0 = NowMs();
        BenchHosts next;
        if (StartBenchHosts(&next, 1, 10, "Bench Window")) InterlockedAdd(&c->windows, 10);
        StopBenchHosts(&last);
        last = next;
        if (tick % 4 == 0) {
            SwitchProfile(c->pid, tick / 4 % 2);
            InterlockedIncrement(&c->switches);
        }
        while (!c->stop && NowMs() - t0 < 1000) Sleep(10);
    }
    StopBenchHosts(&last);
    return 0;
}

//--- what the program holds

struct Figures {
    long gdi = -1, user = -1, handles = -1;
    double privateKb = -1;
    std::map<int, long> gdiKinds;   // under Wine: GDI objects by kind
};

// Wine answers GetGuiResources with nothing; its GDI handle table lies in the
// program's memory, named by its PEB, an entry per handle with its type
// (zero when free).
long WineGdiObjects(HANDLE process, std::map<int, long>* kinds)
{
    typedef NTSTATUS(NTAPI * QueryProcess)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
    QueryProcess query = (QueryProcess)(void*)GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess");
    PROCESS_BASIC_INFORMATION info = {};
    if (!query || query(process, ProcessBasicInformation, &info, sizeof(info), nullptr) != 0) return -1;
    ULONG_PTR table = 0;
    SIZE_T got = 0;
    const size_t kTableOffset = 0xF8;   // PEB.GdiSharedHandleTable, x64
    if (!ReadProcessMemory(process, (char*)info.PebBaseAddress + kTableOffset, &table, sizeof(table), &got) || !table)
        return -1;
#pragma pack(push, 1)
    struct Entry {
        UINT64 object;
        ULONG owner;
        USHORT unique;
        UCHAR type;
        UCHAR flags;
        UINT64 user;
    };
#pragma pack(pop)
    const size_t kEntries = 0x10000;
    std::vector<Entry> entries(kEntries);
    if (!ReadProcessMemory(process, (void*)table, entries.data(), kEntries * sizeof(Entry), &got)) return -1;
    long count = 0;
    for (const Entry& e : entries)
        if (e.type != 0 && !(e.unique & 0x80)) {   // 0x80: a stock object
            count++;
            (*kinds)[e.unique & 0x7F]++;
        }
    return count;
}

// Under Wine: the program's windows (top-level, their descendants and
// message-only ones), the USER objects a dialog most often leaves behind.
struct WindowCount {
    DWORD pid;
    long count;
};

BOOL CALLBACK CountChild(HWND w, LPARAM data)
{
    ((WindowCount*)data)->count++;
    (void)w;
    return TRUE;
}

BOOL CALLBACK CountTop(HWND w, LPARAM data)
{
    WindowCount* c = (WindowCount*)data;
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (pid != c->pid) return TRUE;
    c->count++;
    EnumChildWindows(w, CountChild, data);
    return TRUE;
}

long WineWindows(DWORD pid)
{
    WindowCount c = {pid, 0};
    EnumWindows(CountTop, (LPARAM)&c);
    for (HWND w = FindWindowExA(HWND_MESSAGE, nullptr, nullptr, nullptr); w;
         w = FindWindowExA(HWND_MESSAGE, w, nullptr, nullptr))
        CountTop(w, (LPARAM)&c);
    return c.count;
}

// Wine's handle count of another process is zero; the system's handle list
// names every handle's process.
long SystemHandles(DWORD pid)
{
    typedef NTSTATUS(NTAPI * QuerySystem)(ULONG, PVOID, ULONG, PULONG);
    QuerySystem query = (QuerySystem)(void*)GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation");
    if (!query) return -1;
    struct Entry {
        ULONG pid;
        UCHAR type;
        UCHAR flags;
        USHORT value;
        PVOID object;
        ACCESS_MASK access;
    };
    std::vector<char> buffer(1 << 20);
    const ULONG kSystemHandleInformation = 16;
    for (int attempt = 0; attempt < 6; attempt++) {
        ULONG needed = 0;
        NTSTATUS status = query(kSystemHandleInformation, buffer.data(), (ULONG)buffer.size(), &needed);
        if (status == 0) {
            ULONG count = *(ULONG*)buffer.data();
            const Entry* e = (const Entry*)(buffer.data() + sizeof(ULONG_PTR));
            long mine = 0;
            for (ULONG i = 0; i < count; i++) mine += e[i].pid == pid;
            return mine;
        }
        buffer.resize(buffer.size() * 2 > needed ? buffer.size() * 2 : (size_t)needed + 65536);
    }
    return -1;
}

std::string ReadSmallFile(const std::string& path)
{
    HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    if (f == INVALID_HANDLE_VALUE) return std::string();
    std::string text;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(f, buffer, sizeof(buffer), &got, nullptr) && got > 0) text.append(buffer, got);
    CloseHandle(f);
    return text;
}

// Under Wine another process's memory counters are not its own: its Linux
// process (the one whose command line starts with the program's path) is read
// through the drive that maps the root.
std::string LinuxProcessFolder(const std::string& program)
{
    WIN32_FIND_DATAA fd;
    HANDLE find = FindFirstFileA("Z:\\proc\\*", &fd);
    if (find == INVALID_HANDLE_VALUE) return std::string();
    std::string found;
    do {
        if (fd.cFileName[0] < '0' || fd.cFileName[0] > '9') continue;
        std::string folder = std::string("Z:\\proc\\") + fd.cFileName;
        std::string line = ReadSmallFile(folder + "\\cmdline");
        if (line.size() >= program.size() && _strnicmp(line.c_str(), program.c_str(), program.size()) == 0)
            found = folder;
    } while (FindNextFileA(find, &fd));
    FindClose(find);
    return found;
}

struct Meter {
    HANDLE process;
    DWORD pid;
    bool wine;
    std::string linuxFolder;
};

Figures Measure(const Meter& m)
{
    Figures f;
    if (m.wine) {
        f.gdi = WineGdiObjects(m.process, &f.gdiKinds);
        f.user = WineWindows(m.pid);
        f.handles = SystemHandles(m.pid);
        std::string status = ReadSmallFile(m.linuxFolder + "\\status");
        size_t at = status.find("RssAnon:");
        if (at != std::string::npos) f.privateKb = atof(status.c_str() + at + 8);
        return f;
    }
    f.gdi = (long)GetGuiResources(m.process, GR_GDIOBJECTS);
    f.user = (long)GetGuiResources(m.process, GR_USEROBJECTS);
    DWORD handles = 0;
    if (GetProcessHandleCount(m.process, &handles)) f.handles = (long)handles;
    PROCESS_MEMORY_COUNTERS_EX c = {};
    c.cb = sizeof(c);
    if (GetProcessMemoryInfo(m.process, (PROCESS_MEMORY_COUNTERS*)&c, sizeof(c)))
        f.privateKb = (double)c.PrivateUsage / 1024.0;
    return f;
}

void PrintFigures(const char* label, const Figures& f)
{
    printf("%-22s %8ld %8ld %8ld %12.0f\n", label, f.gdi, f.user, f.handles, f.privateKb);
    fflush(stdout);
}

//--- the dialogs

struct Soak {
    std::string bin;
    DWORD pid = 0;
    HWND main = nullptr;
    int questions = 0;       // discard questions Cancel asked
    int failures[kDialogs] = {};
    bool editNoted = false;
};

BOOL CALLBACK FindTabs(HWND w, LPARAM data)
{
    char cls[32] = {};
    if (!IsWindowVisible(w) || !GetClassNameA(w, cls, sizeof(cls)) || strcmp(cls, WC_TABCONTROLA) != 0) return TRUE;
    *(HWND*)data = w;
    return FALSE;
}

// Shows every tab of the dialog's first tab control in turn.
bool VisitTabs(HWND dialog)
{
    HWND tab = nullptr;
    EnumChildWindows(dialog, FindTabs, (LPARAM)&tab);
    if (!tab) return true;
    int count = (int)SendMessageA(tab, TCM_GETITEMCOUNT, 0, 0);
    for (int i = 0; i < count; i++) {
        SelectTab(tab, i);
        if (!PumpUntil([&] { return (int)SendMessageA(tab, TCM_GETCURSEL, 0, 0) == i; }, 5000)) return false;
    }
    return true;
}

// Cancel of the dialog itself (a page may hold a control of that id too), or
// the Esc command when it has none; a question whether to discard changes
// (a profile switch may have brought some) is answered Yes.
bool CloseWithCancel(Soak* s, HWND dialog)
{
    HWND cancel = GetDlgItem(dialog, IDCANCEL);
    if (cancel) PostMessageA(cancel, BM_CLICK, 0, 0);
    else PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    if (WaitForWindowGone(dialog, 3000)) return true;
    HWND box = WaitForMessageBox(s->pid, kMainCaption, 2000);
    if (box && box != dialog) {
        s->questions++;
        AnswerMessageBox(box, IDYES);
    }
    return WaitForWindowGone(dialog, 15000);
}

bool MainReady(HWND d)
{
    return d && DialogControl(d, IDTV_MAIN_RULES) && ControlEnabled(d, IDB_MAIN_SETTINGS);
}

// The main dialog as a second start without options opens it.
bool OpenMain(Soak* s)
{
    HWND shown = FindDialog(s->pid, kMainCaption);
    if (MainReady(shown)) return (s->main = shown) != nullptr;
    for (int attempt = 0; attempt < 3; attempt++) {
        PROCESS_INFORMATION second = {};
        if (StartBenchChild("\"" + s->bin + "\\PanelShepherd.exe\"", &second)) EndBenchChild(&second, 20000);
        HWND found = nullptr;
        if (PumpUntil([&] { return MainReady(found = FindDialog(s->pid, kMainCaption)); }, 15000))
            return (s->main = found) != nullptr;
    }
    return false;
}

HWND OpenFromMain(Soak* s, Dialog which)
{
    static const int kButtons[kDialogs] = {IDB_MAIN_SETTINGS, IDB_MAIN_PROFILES, IDB_MAIN_OPTIONS, IDB_MAIN_LIST,
                                           IDB_MAIN_EDIT, IDB_MAIN_ABOUT, 0};
    static const char* const kCaptions[kDialogs] = {"Profile Setings", "Profiles", "Options", "Window List", nullptr,
                                                    nullptr, nullptr};
    if (!ClickControl(s->main, kButtons[which])) return nullptr;
    if (kCaptions[which]) return WaitForDialog(s->pid, kCaptions[which], 15000);
    return WaitForOwnedDialog(s->main, 15000);
}

// Edit opens on the selected rule; false (with a note) when the button stays
// off, and from then on without asking again.
bool SelectRuleForEdit(Soak* s)
{
    if (s->editNoted) return false;
    HWND tree = DialogControl(s->main, IDTV_MAIN_RULES);
    HTREEITEM item = tree ? FindTreeItem(tree, "Soak Editor") : nullptr;
    if (!item || !SelectTreeItem(tree, item)) return false;
    if (PumpUntil([&] { return ControlEnabled(s->main, IDB_MAIN_EDIT); }, 2000)) return true;
    if (!s->editNoted) printf("note: Edit stays disabled on a selected rule; Edit Rule is skipped\n");
    s->editNoted = true;
    return false;
}

// One open and close of a dialog from the open main dialog.
void Cycle(Soak* s, Dialog which)
{
    if (which == EDIT && !SelectRuleForEdit(s)) return;
    HWND dialog = OpenFromMain(s, which);
    if (!dialog || !VisitTabs(dialog) || !CloseWithCancel(s, dialog)) s->failures[which]++;
}

// One round: the main dialog opened, the chosen dialogs (all when only is
// kAll) opened and closed from it, the main dialog closed.
bool Round(Soak* s, int only)
{
    if (only == NONE) {
        BenchSettle(1000);
        return true;
    }
    if (!OpenMain(s)) {
        s->failures[MAIN]++;
        return false;
    }
    for (int d = 0; d < MAIN; d++)
        if (only == kAll || only == d) Cycle(s, (Dialog)d);
    if (!CloseWithCancel(s, s->main)) {
        s->failures[MAIN]++;
        return false;
    }
    s->main = nullptr;
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    int count = argc > 1 ? atoi(argv[1]) : 200;
    if (count < 1) count = 1;
    int only = kAll;
    if (argc > 2) {
        for (only = 0; only <= NONE && _stricmp(argv[2], kDialogNames[only]) != 0; only++) {
        }
        if (only > NONE) {
            fprintf(stderr, "unknown dialog %s\n", argv[2]);
            return 2;
        }
    }
    Soak s;
    s.bin = BenchBinFolder();
    std::string root = s.bin + "\\..\\bench-soak";
    if (!PrepareBenchEngine(root) || !WriteSoakProfiles(root + "\\data")) {
        fprintf(stderr, "cannot prepare the program's data folder\n");
        return 1;
    }
    PROCESS_INFORMATION engine = {};
    if (!StartBenchEngine(s.bin, &engine)) {
        fprintf(stderr, "cannot start the program\n");
        QuitBenchEngine(s.bin, &engine);
        return 1;
    }
    s.pid = engine.dwProcessId;
    BenchSettle(2000);
    Churn churn;
    churn.pid = s.pid;
    HANDLE churner = CreateThread(nullptr, 0, ChurnThread, &churn, 0, nullptr);
    Meter meter = {engine.hProcess, s.pid, OnWine(), std::string()};
    if (meter.wine) meter.linuxFolder = LinuxProcessFolder(s.bin + "\\PanelShepherd.exe");

    printf("Dialogs opened and closed %d times (%s) while windows come and go and the profile switches\n", count,
           only == kAll ? "every dialog" : kDialogNames[only]);
    if (meter.wine)
        printf("Under Wine: GDI from the program's handle table, USER as its windows, handles from the system's\n"
               "handle list, private memory as its anonymous resident KB\n");
    printf("%-22s %8s %8s %8s %12s\n", "", "GDI", "USER", "handles", "private KB");
    Round(&s, only);   // warm-up: first-use caches, fonts, class registrations
    BenchSettle(1000);
    Figures start = Measure(meter);
    PrintFigures("after warm-up", start);
    double t0 = NowMs();
    int quarter = count >= 4 ? count / 4 : count;
    for (int i = 1; i <= count; i++) {
        Round(&s, only);
        if (i % quarter == 0 && i < count) {
            char label[32];
            FormatText(label, sizeof(label), "after %d", i);
            PrintFigures(label, Measure(meter));
        }
    }
    BenchSettle(1000);
    Figures end = Measure(meter);
    PrintFigures("at the end", end);
    Figures delta;
    delta.gdi = end.gdi - start.gdi;
    delta.user = end.user - start.user;
    delta.handles = end.handles - start.handles;
    delta.privateKb = end.privateKb - start.privateKb;
    PrintFigures("difference", delta);
    if (!end.gdiKinds.empty()) {
        // Wine's kinds: 1 DC, 4 region, 8 palette, 9 bitmap, 10 font, 16 brush, 48 pen, 65 memory DC.
        printf("GDI objects by kind, start -> end:");
        std::map<int, long> all = start.gdiKinds;
        for (const auto& k : end.gdiKinds) all[k.first] += 0;
        for (const auto& k : all) printf(" %d: %ld -> %ld;", k.first, start.gdiKinds[k.first], end.gdiKinds[k.first]);
        printf("\n");
    }
    double seconds = (NowMs() - t0) / 1000.0;
    churn.stop = 1;
    WaitForSingleObject(churner, 20000);
    CloseHandle(churner);
    printf("%.0f s; %ld windows came and went, %ld profile switches, %d discard questions answered\n", seconds,
           churn.windows, churn.switches, s.questions);
    for (int d = 0; d < kDialogs; d++)
        if (s.failures[d]) printf("%s: %d rounds failed to open, show every tab or close\n", kDialogNames[d], s.failures[d]);

    QuitBenchEngine(s.bin, &engine);
    RemoveInstallRecordValue("PanelShepherd");
    return 0;
}
