// WindowTable.h - the table of tracked top-level windows that each monitor pass fills.
#pragma once

#include <windows.h>

#include <stdint.h>

#define WINDOW_TABLE_MAX 4095

// What changed for a window since the previous pass.
enum WindowEvent : uint32_t {
    WEV_CLOSED = 0,        // "CLS"
    WEV_UNCHANGED = 1,
    WEV_NEW = 2,           // "NEW"
    WEV_TITLE = 3,         // "CHG"
    WEV_STATE = 4,         // "STA"
    WEV_MOVED = 5,         // "POS"
    WEV_SIZED = 6,         // "SZE"
    WEV_RECT = 7,          // "RCT"
    WEV_DESKTOP = 8,       // "DTP"
    WEV_ACTIVATED = 9,     // "ACT"
    WEV_DEACTIVATED = 10,  // "DEA"
};

#define DESKTOP_PINNED  0xFE
#define DESKTOP_UNKNOWN 0xFF

// A window's placement as the pass last read it, and what it was read at:
// while the state bits of the style, the window rectangle and the screen
// layout stay as they were, the placement has not changed either and is not
// asked for again (the restored rectangle of a minimised or maximised window,
// which only a placement call changes, is not compared while it stays so).
struct WindowGeometry {
    uint32_t stateStyle;       // WS_MINIMIZE and WS_MAXIMIZE of the style
    RECT     windowRect;
    uint32_t layout;           // the screen layout stamp of the read
    int32_t  state, x, y, width, height, maximizedWidth, maximizedHeight;
    uint8_t  known;
};

struct MonitoredWindow {
    uint32_t event;
    HWND     hwnd;
    char     title[1024];
    int32_t  titleLength;
    char     className[128];
    int32_t  classLength;
    char     program[MAX_PATH];
    int32_t  programLength;
    int32_t  x, y, width, height;
    int32_t  previousWidth;
    int32_t  maximizedWidth, maximizedHeight;
    int32_t  state;              // 0 normal, 1 minimised, 2 maximised
    int32_t  previousState;
    int32_t  desktop;
    int32_t  previousDesktop;
    uint64_t createdTicks;
    uint64_t titleChangedAfter;  // ms from createdTicks to the last title change
    // A window that did not answer when its rule was to act keeps its event
    // for a later pass.
    uint32_t pendingEvent;       // the event kept, WEV_CLOSED for none
    uint64_t pendingTicks;       // when it last did not answer
    // Read at first sight and kept for the window's life, with its class and
    // program: its thread and process. The handle names this window only
    // while that thread still owns it, which a pass asks once per thread; a
    // handle that went to another window comes in as a new window.
    uint32_t threadId;           // 0: not known yet, read at the next sight
    uint32_t processId;
    uint8_t  ownerConfirmed;     // this pass
    uint8_t  replaced;           // the handle names another window now
    // Profile switches asked by scripts that led to this window's event (a
    // switch's own pass); the scripts its event starts carry it on.
    uint8_t  switchChain;
    WindowGeometry geometry;
};

// Written by the monitor pass, read by profile updates and the Window List;
// guarded by g_tableLock.
extern MonitoredWindow g_windowTable[WINDOW_TABLE_MAX];
extern int32_t g_windowCount;

// The table lock: also guards every profile's rules and the profile list while
// a pass may walk them. Made once, first thing at start-up (or by the first
// EnterTableLock), and never deleted while the process runs.
extern CRITICAL_SECTION g_tableLock;
void InitTableLock();
// Takes the lock, trying once and then up to tries more times after 10 ms of
// message pumping (plain sleeps off the UI thread); false when still busy.
bool EnterTableLock(int tries);
void LeaveTableLock();
// This thread is inside EnterTableLock's wait, pumping messages: whatever
// runs now was dispatched by that pump (LiveEdit.h).
bool TableLockWaitPumping();

const char* WindowEventTag(uint32_t event);   // "" for unchanged
const char* WindowStateText(int32_t state);
// Full image path of the window's process; its length, 0 with an empty buffer.
int GetWindowProgramPath(HWND window, char* buffer, int size);
// A pass reads the windows in two steps between Begin/EndWindowCollection
// (handle index, each window's owner confirmed once per thread, program
// paths by process; layoutStamp changes whenever the monitors or their work
// areas do). ListShownWindows lists the shown top-level windows, top to
// bottom, and marks their entries seen: every other entry has closed, and
// keeps the event WEV_CLOSED the pass gave it. ReadShownWindow(k) then reads
// the k-th of them and returns its entry, with the event of what changed
// (WEV_CLOSED when it went meanwhile), or -1 when it has none.
void BeginWindowCollection(uint32_t layoutStamp);
int ListShownWindows();
int ReadShownWindow(int k);
void EndWindowCollection();
// A profile-applied pass forgets every window: the table empties, and what
// cannot change of each window is kept for the collection that follows.
void ForgetWindows();
// The entry of the window, -1 when none; an entry whose handle went to
// another window is not it.
int FindWindowEntry(HWND window);

// Process-wide values the pass reads and writes, under g_tableLock unless said.
extern HWND g_foregroundWindow, g_previousForeground;
extern uint8_t g_desktopsCheck;        // re-read every window's desktop in the next pass; one byte, set by the UI thread
extern HWND g_singleWindowTarget;      // rules apply to this window only while set; set and cleared by ApplyProfile within one hold of the lock
extern uint8_t g_captureOverlayShown;  // the Window List blinks a frame; one byte, set by the UI thread
extern uint8_t g_windowsPending;       // some window keeps an event for a later pass; one byte, read by the worker
