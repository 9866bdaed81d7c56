// WindowHost.cpp - a process that shows windows for the benchmarks, so that
// the engine reads them across processes as it reads the user's windows.
//   bench_windowhost <count> <title prefix> <ready event> <quit event>
// Shows count windows titled "<prefix> <i>", sets the ready event, keeps
// answering messages until the quit event is set, then closes them.
#include "bench/BenchWindows.h"

#include <stdio.h>
#include <stdlib.h>

int main(int argc, char** argv)
{
    if (argc < 5) return 2;
    int count = atoi(argv[1]);
    HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, argv[3]);
    HANDLE quit = OpenEventA(SYNCHRONIZE, FALSE, argv[4]);
    if (!ready || !quit) return 3;
    std::vector<HWND> windows;
    for (int i = 0; i < count; i++) {
        char title[128];
        snprintf(title, sizeof(title), "%s %d", argv[2], i);
        windows.push_back(CreateBenchWindow(title, 20 + (i % 40) * 10, 20 + (i / 40 % 40) * 5, 200, 150, true));
    }
    BenchPump();
    SetEvent(ready);
    while (MsgWaitForMultipleObjects(1, &quit, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0) BenchPump();
    for (HWND w : windows) DestroyWindow(w);
    CloseHandle(ready);
    CloseHandle(quit);
    return 0;
}
