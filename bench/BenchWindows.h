// BenchWindows.h - windows the benchmarks create in their own process.
#pragma once

#include <windows.h>

#include <algorithm>
#include <vector>

inline void BenchPump()
{
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
}

inline HWND CreateBenchWindow(const char* title, int x, int y, int w, int h, bool show)
{
    static bool registered = false;
    if (!registered) {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "BenchWindow";
        RegisterClassA(&wc);
        WNDCLASSA wake = {};
        wake.lpfnWndProc = DefWindowProcA;
        wake.hInstance = wc.hInstance;
        wake.lpszClassName = "BenchWake";
        RegisterClassA(&wake);
        registered = true;
    }
    HWND hwnd = CreateWindowExA(0, "BenchWindow", title, WS_OVERLAPPEDWINDOW, x, y, w, h, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
    if (hwnd && show) ShowWindow(hwnd, SW_SHOWNOACTIVATE);
    return hwnd;
}

// Wine's out-of-context hook reports only window creation: make one.
inline void WakePlacer()
{
    HWND w = CreateWindowExA(0, "BenchWake", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                             GetModuleHandleA(nullptr), nullptr);
    if (w) DestroyWindow(w);
}

inline double NowMs();

// Handles this thread's messages until done says so or ms passed; true when
// done. It sleeps a millisecond between looks: under Wine a wait on the queue
// would be one more request to the server that the program measured shares.
inline bool BenchWaitMessages(double ms, bool (*done)(void*) = nullptr, void* ctx = nullptr)
{
    double end = NowMs() + ms;
    for (;;) {
        BenchPump();
        if (done && done(ctx)) return true;
        if (NowMs() >= end) return false;
        Sleep(1);
    }
}

inline double Percentile(std::vector<double> v, double p)
{
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    size_t i = (size_t)(p * (double)(v.size() - 1) + 0.5);
    return v[std::min(i, v.size() - 1)];
}

inline double NowMs()
{
    static LARGE_INTEGER f = [] {
        LARGE_INTEGER q;
        QueryPerformanceFrequency(&q);
        return q;
    }();
    LARGE_INTEGER c;
    QueryPerformanceCounter(&c);
    return (double)c.QuadPart * 1000.0 / (double)f.QuadPart;
}
