// WindowTable.cpp - collecting top-level windows and classifying their changes.
#include "engine/WindowTable.h"

#include "engine/Engine.h"
#include "engine/Geometry.h"
#include "framework/core/TextUtil.h"

#include <string.h>

MonitoredWindow g_windowTable[WINDOW_TABLE_MAX];
int32_t g_windowCount;
HWND g_foregroundWindow, g_previousForeground;
uint8_t g_desktopsCheck;
HWND g_singleWindowTarget;
uint8_t g_captureOverlayShown;

static const char* const kTags[] = {"CLS", "", "NEW", "CHG", "STA", "POS",
                                    "SZE", "RCT", "DTP", "ACT", "DEA"};

const char* WindowEventTag(uint32_t event)
{
    return event < sizeof(kTags) / sizeof(kTags[0]) ? kTags[event] : "";
}

const char* WindowStateText(int32_t state)
{
    return state == 0 ? "Restored" : (state == 1 ? "Minimized" : "Maximized");
}

int GetWindowProgramPath(HWND window, char* buffer, int size)
{
    if (size <= 0) return 0;
    buffer[0] = '\0';
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (!process) return 0;
    DWORD n = (DWORD)size;
    if (!QueryFullProcessImageNameA(process, 0, buffer, &n)) {
        n = 0;
        buffer[0] = '\0';
    }
    CloseHandle(process);
    buffer[size - 1] = '\0';
    return (int)strnlen(buffer, (size_t)size);
}

int FindWindowEntry(HWND window)
{
    for (int i = 0; i < g_windowCount; i++)
        if (g_windowTable[i].hwnd == window) return i;
    return -1;
}

// The window's desktop number, or the markers when there is no desktop object.
static int32_t ReadWindowDesktop(HWND)
{
    return DESKTOP_UNKNOWN;   // no virtual-desktop object in this build
}

// Reads the title; true when it differs from the stored one.
static bool ReadTitle(HWND window, char* title, int32_t* length)
{
    char now[1024];
    int n = GetWindowTextA(window, now, sizeof(now));
    if (n < 0) n = 0;
    now[sizeof(now) - 1] = '\0';
    n = (int)strnlen(now, sizeof(now));
    if (n == *length && memcmp(now, title, (size_t)n) == 0) return false;
    memcpy(title, now, (size_t)n + 1);
    *length = n;
    return true;
}

static void UpdateKnownWindow(MonitoredWindow* e, int state, int x, int y, int w, int h, int mw, int mh)
{
    e->maximizedWidth = mw;
    e->maximizedHeight = mh;
    e->event = WEV_UNCHANGED;
    if (ReadTitle(e->hwnd, e->title, &e->titleLength)) {
        e->titleChangedAfter = GetTickCount64() - e->createdTicks;
        e->event = WEV_TITLE;
        return;
    }
    if (g_desktopsCheck) {
        int32_t d = ReadWindowDesktop(e->hwnd);
        if (d != -1 && d != e->desktop) {
            e->previousDesktop = e->desktop;
            e->desktop = d;
            e->event = WEV_DESKTOP;
            return;
        }
    }
    if (state != e->state) {
        e->previousState = e->state;
        e->x = x;
        e->y = y;
        e->width = w;
        e->height = h;
        e->state = state;
        e->event = WEV_STATE;
        return;
    }
    if (state == WINSTATE_NORMAL) {
        int bits = ((x != e->x || y != e->y) ? 1 : 0) | ((w != e->width || h != e->height) ? 2 : 0);
        if (bits) {
            e->previousWidth = e->width;
            e->x = x;
            e->y = y;
            e->width = w;
            e->height = h;
            e->event = bits == 1 ? WEV_MOVED : (bits == 2 ? WEV_SIZED : WEV_RECT);
            return;
        }
    }
    if (g_foregroundWindow != g_previousForeground) {
        if (e->hwnd == g_foregroundWindow)
            e->event = WEV_ACTIVATED;
        else if (e->hwnd == g_previousForeground)
            e->event = WEV_DEACTIVATED;
    }
}

static void AddNewWindow(HWND window, int state, int x, int y, int w, int h, int mw, int mh)
{
    if (g_windowCount >= WINDOW_TABLE_MAX) return;
    char cls[128] = {};
    GetClassNameA(window, cls, sizeof(cls));
    cls[sizeof(cls) - 1] = '\0';
    if (g_captureOverlayShown && strncmp(cls, "PanelShepherdCaptureOverlay", 27) == 0) return;
    MonitoredWindow* e = &g_windowTable[g_windowCount];
    memset(e, 0, sizeof(*e));
    e->hwnd = window;
    memcpy(e->className, cls, sizeof(cls));
    e->classLength = (int32_t)strnlen(cls, sizeof(cls));
    e->programLength = GetWindowProgramPath(window, e->program, sizeof(e->program));
    e->titleLength = 0;
    e->title[0] = '\0';
    ReadTitle(window, e->title, &e->titleLength);
    e->x = x;
    e->y = y;
    e->width = w;
    e->height = h;
    e->previousWidth = w;
    e->maximizedWidth = mw;
    e->maximizedHeight = mh;
    e->state = e->previousState = state;
    e->createdTicks = GetTickCount64();
    e->titleChangedAfter = 0;
    e->desktop = e->previousDesktop = ReadWindowDesktop(window);
    e->event = WEV_NEW;
    g_windowCount++;
}

BOOL CALLBACK CollectWindowProc(HWND window, LPARAM)
{
    if (!IsWindowVisible(window) && !IsWindowInTraySlot(window)) return TRUE;
    int x = 0, y = 0, w = 0, h = 0, mw = 0, mh = 0;
    int state = GetWindowGeometry(window, &x, &y, &w, &h, &mw, &mh);
    if (w <= 0 || h <= 0) return TRUE;
    int at = FindWindowEntry(window);
    if (at >= 0)
        UpdateKnownWindow(&g_windowTable[at], state, x, y, w, h, mw, mh);
    else
        AddNewWindow(window, state, x, y, w, h, mw, mh);
    return TRUE;
}
