// DialogSoak.cpp - whether opening and closing the dialogs leaks: with
// windows coming and going (10 a second) and a profile switch every few
// seconds, every dialog the main dialog opens is opened and closed by its
// button, round after round, and the program's GDI and USER objects,
// handles and private memory are read before and after.
//   bench_soak [rounds]     (200 when none)
// A button that is missing or disabled is skipped and counted as such.
#include "bench/BenchEngine.h"
#include "bench/BenchMeter.h"
#include "engine/ProductIds.h"
#include "ui/MainDialogRes.h"

#include <commctrl.h>
#include <psapi.h>
#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <vector>

namespace {

struct SoakButton {
    int id;
    const char* name;
    int opened, skipped, stuck;
    std::vector<double> openMs;
};

// The program's top-level dialogs, visible ones only.
struct DialogSearch {
    DWORD pid;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectDialog(HWND w, LPARAM data)
{
    DialogSearch* s = (DialogSearch*)data;
    DWORD pid = 0;
    char cls[16] = {};
    GetWindowThreadProcessId(w, &pid);
    if (pid == s->pid && IsWindowVisible(w) && GetClassNameA(w, cls, sizeof(cls)) && strcmp(cls, "#32770") == 0)
        s->found.push_back(w);
    return TRUE;
}

std::vector<HWND> ProgramDialogs(DWORD pid)
{
    DialogSearch s = {pid, {}};
    EnumWindows(CollectDialog, (LPARAM)&s);
    return s.found;
}

// A visible dialog of the program that is not among those listed.
HWND WaitForNewDialog(DWORD pid, const std::vector<HWND>& before, double ms)
{
    double end = NowMs() + ms;
    while (NowMs() < end) {
        for (HWND w : ProgramDialogs(pid))
            if (std::find(before.begin(), before.end(), w) == before.end()) return w;
        BenchWaitMessages(2);
    }
    return nullptr;
}

HWND WaitForMainDialog(DWORD pid, double ms)
{
    double end = NowMs() + ms;
    while (NowMs() < end) {
        for (HWND w : ProgramDialogs(pid)) {
            char title[64] = {};
            GetWindowTextA(w, title, sizeof(title));
            if (strcmp(title, "PanelShepherd") == 0) return w;
        }
        BenchWaitMessages(20);
    }
    return nullptr;
}

bool WaitGone(HWND w, double ms)
{
    double end = NowMs() + ms;
    while (NowMs() < end) {
        if (!IsWindow(w)) return true;
        BenchWaitMessages(2);
    }
    return !IsWindow(w);
}

// Closed as Cancel closes it; a dialog that ignores that gets WM_CLOSE.
bool CloseDialog(HWND w)
{
    PostMessageA(w, WM_COMMAND, IDCANCEL, 0);
    if (WaitGone(w, 3000)) return true;
    PostMessageA(w, WM_CLOSE, 0, 0);
    return WaitGone(w, 3000);
}

// Edit needs a selected rule: the tree's first item, picked again each round
// because a profile switch refills the tree.
void SelectFirstRule(HWND main)
{
    HWND tree = GetDlgItem(main, IDTV_MAIN_RULES);
    DWORD_PTR root = 0, done = 0;
    if (!tree || !SendMessageTimeoutA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0, SMTO_ABORTIFHUNG, 2000, &root) || !root)
        return;
    SendMessageTimeoutA(tree, TVM_SELECTITEM, TVGN_CARET, (LPARAM)root, SMTO_ABORTIFHUNG, 2000, &done);
}

bool Usable(HWND main, int id)
{
    HWND button = GetDlgItem(main, id);
    return button && IsWindowVisible(button) && IsWindowEnabled(button);
}

void OpenAndClose(DWORD pid, HWND main, SoakButton* b)
{
    if (!Usable(main, b->id)) {
        b->skipped++;
        return;
    }
    std::vector<HWND> before = ProgramDialogs(pid);
    double t0 = NowMs();
    // Posted: a modal dialog's loop would otherwise hold this call.
    PostMessageA(GetDlgItem(main, b->id), BM_CLICK, 0, 0);
    HWND dialog = WaitForNewDialog(pid, before, 10000);
    if (!dialog) {
        b->stuck++;
        return;
    }
    b->openMs.push_back(NowMs() - t0);
    b->opened++;
    if (!CloseDialog(dialog)) b->stuck++;
}

//--- windows coming and going, on a thread of their own

volatile LONG g_churnStop;
volatile LONG g_churnShown;

DWORD WINAPI ChurnWindows(void*)
{
    std::vector<HWND> alive;
    int serial = 0;
    double next = NowMs();
    while (!g_churnStop) {
        if (NowMs() >= next) {
            next += 100;
            char title[64];
            snprintf(title, sizeof(title), "Bench Window soak %d", serial++);
            HWND w = CreateBenchWindow(title, 100 + serial % 200, 100 + serial % 150, 320, 200, true);
            if (w) alive.push_back(w), InterlockedIncrement(&g_churnShown);
            // Each lives about a second.
            if (alive.size() > 10) {
                DestroyWindow(alive.front());
                alive.erase(alive.begin());
            }
        }
        BenchPump();
        Sleep(5);
    }
    for (HWND w : alive) DestroyWindow(w);
    return 0;
}

//--- the program's counts

struct Counts {
    DWORD gdi, user, handles;
    double privateKb;       // the Windows counter
    double anonymousKb;     // the Linux process's, under Wine
    int windows;            // the program's windows, top-level and children
};

struct WindowCount {
    DWORD pid;
    int count;
};

BOOL CALLBACK CountChild(HWND, LPARAM data)
{
    ((WindowCount*)data)->count++;
    return TRUE;
}

BOOL CALLBACK CountTopLevel(HWND w, LPARAM data)
{
    WindowCount* c = (WindowCount*)data;
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (pid != c->pid) return TRUE;
    c->count++;
    EnumChildWindows(w, CountChild, data);
    return TRUE;
}

Counts ReadCounts(const PROCESS_INFORMATION& program, const Meter& meter)
{
    Counts c = {};
    c.gdi = GetGuiResources(program.hProcess, GR_GDIOBJECTS);
    c.user = GetGuiResources(program.hProcess, GR_USEROBJECTS);
    if (!GetProcessHandleCount(program.hProcess, &c.handles)) c.handles = 0;
    PROCESS_MEMORY_COUNTERS_EX m = {};
    m.cb = sizeof(m);
    if (GetProcessMemoryInfo(program.hProcess, (PROCESS_MEMORY_COUNTERS*)&m, sizeof(m)))
        c.privateKb = (double)m.PrivateUsage / 1024.0;
    if (!meter.linuxFolder.empty()) c.anonymousKb = MemoryOf(meter).privateKb;
    WindowCount w = {program.dwProcessId, 0};
    EnumWindows(CountTopLevel, (LPARAM)&w);
    c.windows = w.count;
    return c;
}

BOOL CALLBACK FindMainWindow(HWND w, LPARAM data)
{
    HWND* found = (HWND*)data;
    DWORD pid = 0;
    char cls[32] = {};
    GetWindowThreadProcessId(w, &pid);
    if (pid != (DWORD)(UINT_PTR)*found || !GetClassNameA(w, cls, sizeof(cls)) || strcmp(cls, "ZRPWindow") != 0)
        return TRUE;
    *found = w;
    return FALSE;
}

// As the profile menu does: 0 "Bench", 1 "Quiet".
void SwitchProfile(DWORD pid, int index)
{
    HWND found = (HWND)(UINT_PTR)pid;
    EnumWindows(FindMainWindow, (LPARAM)&found);
    if (found != (HWND)(UINT_PTR)pid) PostMessageA(found, ZRPMSG_COMMAND, MAKEWPARAM(CMD_PROFILE_SWITCH + index, 0), 0);
}

}  // namespace

int main(int argc, char** argv)
{
    int rounds = argc > 1 ? atoi(argv[1]) : 200;
    if (rounds < 1) rounds = 1;
    std::string bin = BenchBinFolder();
    if (!PrepareBenchEngine(bin + "\\..\\bench-data")) {
        fprintf(stderr, "cannot prepare the engine's data folder\n");
        return 1;
    }
    PROCESS_INFORMATION program = {};
    if (!StartBenchEngine(bin, &program)) {
        fprintf(stderr, "cannot start the program\n");
        QuitBenchEngine(bin, &program);
        return 1;
    }
    BenchSettle(2000);
    // A second start opens the first one's main dialog.
    PROCESS_INFORMATION opener = {};
    if (StartBenchChild("\"" + bin + "\\PanelShepherd.exe\"", &opener)) EndBenchChild(&opener, 10000);
    HWND main = WaitForMainDialog(program.dwProcessId, 15000);
    if (!main) {
        fprintf(stderr, "the main dialog did not open\n");
        QuitBenchEngine(bin, &program);
        RemoveInstallRecordValue("PanelShepherd");
        return 1;
    }
    Meter meter = {program.hProcess, OnWine() ? LinuxProcessFolder(bin + "\\PanelShepherd.exe") : std::string()};
    HANDLE churn = CreateThread(nullptr, 0, ChurnWindows, nullptr, 0, nullptr);
    BenchSettle(3000);
    Counts start = ReadCounts(program, meter);

    SoakButton buttons[] = {
        {IDB_MAIN_LIST, "List...", 0, 0, 0, {}},         {IDB_MAIN_EDIT, "Edit", 0, 0, 0, {}},
        {IDB_MAIN_SETTINGS, "Settings...", 0, 0, 0, {}}, {IDB_MAIN_PROFILES, "Profiles...", 0, 0, 0, {}},
        {IDB_MAIN_OPTIONS, "Options...", 0, 0, 0, {}},   {IDB_MAIN_ABOUT, "About...", 0, 0, 0, {}},
    };
    double t0 = NowMs(), nextSwitch = t0 + 3000;
    int profile = 0, switches = 0;
    bool mainLost = false;
    for (int r = 0; r < rounds && !mainLost; r++) {
        SelectFirstRule(main);
        for (SoakButton& b : buttons) {
            if (NowMs() >= nextSwitch) {
                profile = 1 - profile;
                SwitchProfile(program.dwProcessId, profile);
                switches++;
                nextSwitch += 3000;
            }
            OpenAndClose(program.dwProcessId, main, &b);
            if (!IsWindow(main)) {
                mainLost = true;
                break;
            }
        }
    }
    double took = NowMs() - t0;
    // Back where the start was read: the first profile, nothing open.
    if (profile != 0) SwitchProfile(program.dwProcessId, 0);
    BenchSettle(3000);
    Counts end = ReadCounts(program, meter);
    InterlockedExchange(&g_churnStop, 1);
    if (churn) {
        WaitForSingleObject(churn, 10000);
        CloseHandle(churn);
    }
    if (IsWindow(main)) CloseDialog(main);
    QuitBenchEngine(bin, &program);
    RemoveInstallRecordValue("PanelShepherd");

    printf("Dialog soak: %d rounds in %.0f s, %ld windows shown and closed, %d profile switches%s\n", rounds,
           took / 1000.0, (long)g_churnShown, switches, mainLost ? " (the main dialog went away)" : "");
    printf("%-12s %8s %8s %8s %14s\n", "button", "opened", "skipped", "stuck", "median open ms");
    for (SoakButton& b : buttons)
        printf("%-12s %8d %8d %8d %14.1f\n", b.name, b.opened, b.skipped, b.stuck, Percentile(b.openMs, 0.5));
    printf("%-34s %12s %12s\n", "the program's", "start", "end");
    printf("%-34s %12lu %12lu\n", "GDI objects", start.gdi, end.gdi);
    printf("%-34s %12lu %12lu\n", "USER objects", start.user, end.user);
    printf("%-34s %12lu %12lu\n", "handles", start.handles, end.handles);
    printf("%-34s %12.0f %12.0f\n", "private memory (KB)", start.privateKb, end.privateKb);
    if (!meter.linuxFolder.empty())
        printf("%-34s %12.0f %12.0f\n", "anonymous resident (KB, Linux)", start.anonymousKb, end.anonymousKb);
    printf("%-34s %12d %12d\n", "windows", start.windows, end.windows);
    if (OnWine())
        printf("(Under Wine another process's GDI, USER and handle counts may read 0 and its private memory\n"
               " may be the caller's own; the Linux figure and the window count are the program's.)\n");
    return 0;
}
