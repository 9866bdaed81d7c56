// ProgramRun.h - start PanelShepherd.exe under test, find its windows, end it.
#pragma once

#include "tests/support/TestEnv.h"
#include "tests/support/TestInstall.h"

#include <string>
#include <vector>

struct ProgramRun {
    ChildProcess child;
    HWND control = nullptr;   // its "ZRPPhantom" window
    HWND main = nullptr;      // its main window ("ZRPWindow")
    // Started watched: the class of every top-level window it created, in order.
    HWINEVENTHOOK creationHook = nullptr;
    std::vector<std::string> createdClasses;
};

// The program built with the facts of tests/support/FakeFactsProgram.cpp.
#define FAKE_FACTS_PROGRAM "PanelShepherdFakeFacts.exe"

// Starts the program (or another build of it) with these arguments (no wait).
bool StartProgram(ProgramRun* run, const std::string& args, const char* program = "PanelShepherd.exe");
// Starts it suspended, hooks its window creation and lets it run: every
// top-level window it makes lands in run->createdClasses while this thread
// pumps messages (the waits here all do). The hook stays until
// StopWatchingProgram; one watched run at a time.
//
// The hook hears of a window some time after it was made, even after the
// program ended: a window already gone by then is listed as "(gone)".
bool StartProgramWatched(ProgramRun* run, const std::string& args);
// After the program ended: waits until the hook has heard of every window it
// made (a process started after it ended is heard of after all of them),
// then stops watching. False when that did not happen within ms.
bool FinishWatchingProgram(ProgramRun* run, DWORD ms = 20000);
void StopWatchingProgram(ProgramRun* run);
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
