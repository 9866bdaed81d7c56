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
