// DesktopShell.h - what the desktop variants share: the identifiers and slot
// numbers that tell them apart, the state they keep with their event sinks,
// and the operations on it.
#pragma once

#include <windows.h>
#include <objbase.h>

#include <stdint.h>

#include "framework/core/GrowArray.h"

// A method table entry of this program's own COM objects.
typedef void (*AnyMethod)(void);
// The entry for a function of exactly the method type M: a function of any
// other signature does not compile.
template <typename M>
inline AnyMethod AsMethod(M method)
{
    return (AnyMethod)method;
}

// What one build family's interfaces look like. Slot numbers count IUnknown's
// three methods, so 3 is the first method of an interface's own.
struct DesktopVariant {
    GUID internalManager;         // IVirtualDesktopManagerInternal
    GUID desktop;                 // IVirtualDesktop
    GUID events;                  // IVirtualDesktopNotification
    int  getDesktops;             // slots of the internal manager
    int  getCurrentDesktop;
    int  switchDesktop;
    bool monitorArgument;         // those three take a monitor first; events a monitors object
    const AnyMethod* sinkMethods; // the event sink's method table
};

extern const DesktopVariant kDesktopVariant10;
extern const DesktopVariant kDesktopVariant11;
extern const DesktopVariant kDesktopVariant11_22H2;
extern const DesktopVariant kDesktopVariant11_23H2;
extern const DesktopVariant kDesktopVariant11_23H2_3085;

// The event sink classes' method tables, one per variant.
extern const AnyMethod _Notifications_10[];
extern const AnyMethod _Notifications_11[];
extern const AnyMethod _Notifications_11_22H2[];
extern const AnyMethod _Notifications_11_23H2[];
extern const AnyMethod _Notifications_11_23H2_3085[];

struct DesktopListener {
    HWND     window;
    uint32_t messageBase;
};

// The services one Init obtained; any may be null.
struct ShellServices {
    IUnknown* viewCollection;
    IUnknown* manager;
    IUnknown* pinnedApps;
    IUnknown* internalManager;
    IUnknown* notificationService;
};

// The state of one desktop object, shared with its event sinks: the shell
// calls a sink on its own threads, possibly after the object is gone, so the
// state lives until its last holder lets go.
struct DesktopShellCore {
    volatile LONG          refs;          // the desktop object's and each sink's
    const DesktopVariant*  variant;
    SRWLOCK                lock;          // guards the fields below it
    IUnknown*              serviceProvider;
    ShellServices          services;
    GrowArray<DesktopListener> listeners; // ordered by window handle
    uint8_t                sinkRegistered;
    DWORD                  cookie;
    volatile LONG          remembered;    // desktop to switch back to, -1 none; read and written whole
};

// Null when memory ran out. The caller holds the one reference.
DesktopShellCore* NewDesktopShellCore(const DesktopVariant* variant);
void AddRefDesktopShellCore(DesktopShellCore* core);
void ReleaseDesktopShellCore(DesktopShellCore* core);

// Init of the shell part: 0 success, 1 no immersive shell, 2 no view
// collection, 3 no internal manager, 4 no notification service.
int InitDesktopShell(DesktopShellCore* core);
// Unregisters a held sink and releases every interface (re-Init, teardown).
void DetachDesktopShell(DesktopShellCore* core);
// Forgets every listener (teardown).
void ClearDesktopListeners(DesktopShellCore* core);

int  ShellWindowDesktopNumber(DesktopShellCore* core, HWND window);
int  ShellDesktopCount(DesktopShellCore* core);
int  ShellMoveWindowToDesktop(DesktopShellCore* core, HWND window, int number);
int  ShellCurrentDesktopNumber(DesktopShellCore* core);
void ShellSwitchToDesktop(DesktopShellCore* core, int number);
void ShellPinWindow(DesktopShellCore* core, HWND window, bool pin);
bool ShellIsWindowPinned(DesktopShellCore* core, HWND window);
void AddDesktopListener(DesktopShellCore* core, HWND window, uint32_t messageBase);
void RemoveDesktopListener(DesktopShellCore* core, HWND window);

// The number of a desktop the shell handed over, -1 when its identifier
// cannot be read or it is not among the desktops.
int ShellDesktopNumberOf(DesktopShellCore* core, IUnknown* desktop);
// Posts base + code to every listener, in handle order.
void PostDesktopEvent(DesktopShellCore* core, int code, WPARAM wParam, LPARAM lParam);

// A new event sink of the core's variant, its count 1 for the caller; null
// when memory ran out.
IUnknown* NewDesktopEventSink(DesktopShellCore* core);
