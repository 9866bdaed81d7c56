// ProgramRun.h - start PanelShepherd.exe under test, find its windows, end it.
#pragma once

#include "tests/support/TestEnv.h"
#include "tests/support/TestInstall.h"

#include <string>

struct ProgramRun {
    ChildProcess child;
    HWND control = nullptr;   // its "ZRPPhantom" window
    HWND main = nullptr;      // its main window ("ZRPWindow")
};

// The program built with the facts of tests/support/FakeFactsProgram.cpp.
#define FAKE_FACTS_PROGRAM "PanelShepherdFakeFacts.exe"

// Starts the program (or another build of it) with these arguments (no wait).
bool StartProgram(ProgramRun* run, const std::string& args, const char* program = "PanelShepherd.exe");
// Waits until the program runs: its control window and main window exist.
bool WaitUntilRunning(ProgramRun* run, DWORD ms = 20000);
// Runs a second start to its end; its exit code, or -1 on time-out.
long RunProgramToEnd(const std::string& args, DWORD ms = 20000);
// Sends "-QUIT" through a second start and waits for the first to end;
// the first start's exit code, or -1.
long QuitProgram(ProgramRun* run, DWORD ms = 20000);
// The message box a start-up shows: waits for it, returns its text and
// presses OK. Empty when no box came.
std::string TakeMessageBox(ProgramRun* run, DWORD ms = 20000);
