// WindowBlink.cpp - the blink thread: the main window draws the frame.
#include "engine/WindowBlink.h"

#include "engine/Engine.h"
#include "engine/ProductIds.h"

// Plain process-wide settings: a second blink changes a running one's.
static volatile LONG g_blinkCount = 3;
static volatile LONG g_blinkDelay = 100;
static volatile LONG g_blinkBusy;

// The frame is shown and removed by the UI thread; a hung UI thread only
// costs this thread its time-out.
static void ShowFrame(HWND window)
{
    DWORD_PTR ignored = 0;
    if (g_mainWindow)
        SendMessageTimeoutA(g_mainWindow, WM_CAPTUREFRAME, 0, (LPARAM)window, SMTO_ABORTIFHUNG, 2000, &ignored);
}

static DWORD Delay()
{
    LONG delay = g_blinkDelay;
    return delay > 0 ? (DWORD)delay : 0;
}

DWORD WINAPI BlinkWindowThread(void* window)
{
    InterlockedExchange(&g_blinkBusy, 1);
    for (LONG i = 0; i < g_blinkCount; i++) {
        if (i > 0) Sleep(Delay());
        ShowFrame((HWND)window);
        Sleep(Delay());
        ShowFrame(nullptr);
    }
    InterlockedExchange(&g_blinkBusy, 0);
    return 0;
}

void BlinkWindow(HWND window, int count, int delay)
{
    InterlockedExchange(&g_blinkCount, count);
    InterlockedExchange(&g_blinkDelay, delay);
    HANDLE thread = CreateThread(nullptr, 0, BlinkWindowThread, window, 0, nullptr);
    if (thread) CloseHandle(thread);
}

bool IsBlinkBusy()
{
    return InterlockedCompareExchange(&g_blinkBusy, 0, 0) != 0;
}
