// ProgramRun.cpp - driving the real program from a test.
#include "tests/support/ProgramRun.h"

static std::string ProgramCommand(const std::string& args, const char* program = "PanelShepherd.exe")
{
    std::string line = "\"" + BinPath(program) + "\"";
    if (!args.empty()) line += " " + args;
    return line;
}

bool StartProgram(ProgramRun* run, const std::string& args, const char* program)
{
    run->control = nullptr;
    run->main = nullptr;
    return StartProcess(ProgramCommand(args, program), &run->child);
}

static ProgramRun* g_watched;

// Out of context: delivered through this thread's message queue. The class is
// read at once; a window already gone by then counts as "(gone)".
static void CALLBACK OnWindowCreated(HWINEVENTHOOK, DWORD, HWND window, LONG objectId, LONG childId,
                                     DWORD, DWORD)
{
    if (!g_watched || objectId != OBJID_WINDOW || childId != CHILDID_SELF || !window) return;
    if (GetAncestor(window, GA_PARENT) != GetDesktopWindow()) return;   // child or message-only
    char cls[128] = {};
    GetClassNameA(window, cls, sizeof(cls));
    g_watched->createdClasses.push_back(cls[0] ? cls : "(gone)");
}

bool StartProgramWatched(ProgramRun* run, const std::string& args)
{
    run->control = nullptr;
    run->main = nullptr;
    run->createdClasses.clear();
    HANDLE thread = nullptr;
    if (!StartProcess(ProgramCommand(args), &run->child, CREATE_SUSPENDED, &thread)) return false;
    g_watched = run;
    run->creationHook = SetWinEventHook(EVENT_OBJECT_CREATE, EVENT_OBJECT_CREATE, nullptr, OnWindowCreated,
                                        run->child.pid, 0, WINEVENT_OUTOFCONTEXT);
    ResumeThread(thread);
    CloseHandle(thread);
    return run->creationHook != nullptr;
}

static volatile bool g_sentinelHeard;

static void CALLBACK OnSentinelWindow(HWINEVENTHOOK, DWORD, HWND, LONG, LONG, DWORD, DWORD)
{
    g_sentinelHeard = true;
}

bool FinishWatchingProgram(ProgramRun* run, DWORD ms)
{
    // The test window, started the same way, is that later process; it need
    // not live past its first window.
    ChildProcess sentinel;
    HANDLE thread = nullptr;
    std::string line = "\"" + BinPath("testwindow.exe") + "\" --title \"Watch Sentinel\" --state hidden";
    bool heard = false;
    if (StartProcess(line, &sentinel, CREATE_SUSPENDED, &thread)) {
        g_sentinelHeard = false;
        HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_CREATE, EVENT_OBJECT_CREATE, nullptr, OnSentinelWindow,
                                             sentinel.pid, 0, WINEVENT_OUTOFCONTEXT);
        ResumeThread(thread);
        CloseHandle(thread);
        heard = hook && PumpUntil([] { return g_sentinelHeard; }, ms);
        if (hook) UnhookWinEvent(hook);
        CloseProcess(&sentinel);
    }
    StopWatchingProgram(run);
    return heard;
}

void StopWatchingProgram(ProgramRun* run)
{
    if (run->creationHook) UnhookWinEvent(run->creationHook);
    run->creationHook = nullptr;
    if (g_watched == run) g_watched = nullptr;
}

bool WaitUntilRunning(ProgramRun* run, DWORD ms)
{
    PumpUntil(
        [&] {
            run->control = FindProcessWindow(run->child.pid, "ZRPPhantom", "PanelShepherd");
            run->main = FindProcessWindow(run->child.pid, "ZRPWindow", "PanelShepherd");
            return (run->control && run->main) ||
                   WaitForSingleObject(run->child.process, 0) == WAIT_OBJECT_0;
        },
        ms);
    return run->control && run->main;
}

long RunProgramToEnd(const std::string& args, DWORD ms)
{
    ChildProcess second;
    if (!StartProcess(ProgramCommand(args), &second)) return -1;
    long code = WaitProcess(&second, ms);
    CloseProcess(&second);
    return code;
}

long QuitProgram(ProgramRun* run, DWORD ms)
{
    if (RunProgramToEnd("-QUIT", ms) != 0) return -1;
    long code = WaitProcess(&run->child, ms);
    CloseProcess(&run->child);
    return code;
}

std::string TakeMessageBox(ProgramRun* run, DWORD ms)
{
    // The box exists before its text does: wait until it is shown with its text.
    HWND box = nullptr;
    std::string text;
    PumpUntil(
        [&] {
            box = FindProcessWindow(run->child.pid, "#32770");
            if (box && IsWindowVisible(box)) text = ReadMessageBoxText(box);
            return !text.empty() || WaitForSingleObject(run->child.process, 0) == WAIT_OBJECT_0;
        },
        ms);
    if (box && !text.empty()) PostMessageA(box, WM_COMMAND, IDOK, 0);
    return text;
}
