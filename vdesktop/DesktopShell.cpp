// DesktopShell.cpp - the immersive shell's desktop services behind the
// operations every variant shares; only slot numbers and identifiers differ.
#include "vdesktop/DesktopShell.h"

#include "vdesktop/DesktopShellApi.h"

#include <servprov.h>

#include <initializer_list>
#include <stdlib.h>
#include <string.h>

//--- identifiers common to every build

static const CLSID kClsidImmersiveShell = {0xC2F03A33, 0x21F5, 0x47FA, {0xB4, 0xBB, 0x15, 0x63, 0x62, 0xA2, 0xF2, 0x39}};
static const GUID kViewCollection = {0x1841C6D7, 0x4F9D, 0x42C0, {0xAF, 0x41, 0x87, 0x47, 0x53, 0x8F, 0x10, 0xE5}};
static const GUID kDesktopManager = {0xA5CD92FF, 0x29BE, 0x454C, {0x8D, 0x04, 0xD8, 0x28, 0x79, 0xFB, 0x3F, 0x1B}};
static const GUID kPinnedAppsService = {0xB5A399E7, 0x1C87, 0x46B8, {0x88, 0xE9, 0xFC, 0x57, 0x47, 0xB1, 0x71, 0xBD}};
static const GUID kPinnedApps = {0x4CE81583, 0x1E4C, 0x4632, {0xA6, 0x21, 0x07, 0xA5, 0x35, 0x43, 0x14, 0x8F}};
static const GUID kInternalManagerService = {0xC5E0CDCA, 0x7B6E, 0x41B2, {0x9F, 0xC4, 0xD9, 0x39, 0x75, 0xCC, 0x46, 0x7B}};
static const GUID kNotificationService = {0xA501FDEC, 0x4A09, 0x464C, {0xAE, 0x4E, 0x1B, 0x9C, 0x21, 0xB8, 0x49, 0x18}};
static const GUID kNotificationServiceIid = {0x0CD45E71, 0xD927, 0x4F15, {0x8B, 0x0A, 0x8F, 0xEF, 0x52, 0x53, 0x37, 0xBF}};

// Slots that are the same in every build.
enum {
    kSlotQueryService = 3,
    kSlotGetCount = 3,
    kSlotGetAt = 4,
    kSlotGetId = 4,
    kSlotMoveViewToDesktop = 4,
    kSlotGetWindowDesktopId = 4,
    kSlotGetViewForHwnd = 6,
    kSlotIsViewPinned = 6,
    kSlotPinView = 7,
    kSlotUnpinView = 8,
    kSlotRegister = 3,
    kSlotUnregister = 4,
};

// The shell is created again every 200 ms, this many more times, while it
// is not ready (Explorer still starting).
static const int kShellRetries = 50;

//--- the core's life

DesktopShellCore* NewDesktopShellCore(const DesktopVariant* variant)
{
    DesktopShellCore* c = (DesktopShellCore*)calloc(1, sizeof(DesktopShellCore));
    if (!c) return nullptr;
    c->refs = 1;
    c->variant = variant;
    InitializeSRWLock(&c->lock);
    InitGrowArray(&c->listeners);
    c->remembered = -1;
    return c;
}

void AddRefDesktopShellCore(DesktopShellCore* core)
{
    InterlockedIncrement(&core->refs);
}

void ReleaseDesktopShellCore(DesktopShellCore* core)
{
    if (!core || InterlockedDecrement(&core->refs) != 0) return;
    DetachDesktopShell(core);
    FreeGrowArray(&core->listeners);
    free(core);
}

static void ReleaseInterface(IUnknown** p)
{
    if (*p) {
        (*p)->Release();
        *p = nullptr;
    }
}

static void ReleaseServices(ShellServices* s)
{
    ReleaseInterface(&s->viewCollection);
    ReleaseInterface(&s->manager);
    ReleaseInterface(&s->pinnedApps);
    ReleaseInterface(&s->internalManager);
    ReleaseInterface(&s->notificationService);
}

// Borrows the services for one operation: a re-Init may replace them while
// another thread uses them.
static void TakeServices(DesktopShellCore* c, ShellServices* s)
{
    AcquireSRWLockShared(&c->lock);
    *s = c->services;
    for (IUnknown* p : {s->viewCollection, s->manager, s->pinnedApps, s->internalManager, s->notificationService})
        if (p) p->AddRef();
    ReleaseSRWLockShared(&c->lock);
}

void DetachDesktopShell(DesktopShellCore* c)
{
    AcquireSRWLockExclusive(&c->lock);
    ShellServices old = c->services;
    IUnknown* provider = c->serviceProvider;
    bool registered = c->sinkRegistered != 0;
    DWORD cookie = c->cookie;
    c->services = ShellServices{};
    c->serviceProvider = nullptr;
    c->sinkRegistered = 0;
    c->cookie = 0;
    ReleaseSRWLockExclusive(&c->lock);
    // Outside the lock: the shell may be calling a sink, which takes it.
    if (registered && old.notificationService)
        CallSlot<UnregisterSinkMethod>(old.notificationService, kSlotUnregister, cookie);
    ReleaseServices(&old);
    ReleaseInterface(&provider);
}

void ClearDesktopListeners(DesktopShellCore* c)
{
    AcquireSRWLockExclusive(&c->lock);
    FreeGrowArray(&c->listeners);
    ReleaseSRWLockExclusive(&c->lock);
}

//--- Init

static void QueryShellService(IUnknown* provider, const GUID& service, const GUID& iid, IUnknown** out)
{
    void* p = nullptr;
    if (SUCCEEDED(CallSlot<QueryServiceMethod>(provider, kSlotQueryService, service, iid, &p)) && p)
        *out = (IUnknown*)p;
}

// Registers a new sink when the notification service exists and none is
// registered. Init and the listeners come from the UI thread and run on the
// desktop apartment's thread, so two never race.
static void RegisterSink(DesktopShellCore* c)
{
    ShellServices s;
    TakeServices(c, &s);
    AcquireSRWLockShared(&c->lock);
    bool registered = c->sinkRegistered != 0;
    ReleaseSRWLockShared(&c->lock);
    if (s.notificationService && !registered) {
        IUnknown* sink = NewDesktopEventSink(c);
        DWORD cookie = 0;
        if (sink && SUCCEEDED(CallSlot<RegisterSinkMethod>(s.notificationService, kSlotRegister, sink, &cookie))) {
            AcquireSRWLockExclusive(&c->lock);
            c->sinkRegistered = 1;
            c->cookie = cookie;
            ReleaseSRWLockExclusive(&c->lock);
        }
        // The shell holds its own reference from Register; a refused sink goes here.
        if (sink) sink->Release();
    }
    ReleaseServices(&s);
}

int InitDesktopShell(DesktopShellCore* c)
{
    DetachDesktopShell(c);
    IUnknown* provider = nullptr;
    HRESULT hr = CoCreateInstance(kClsidImmersiveShell, nullptr, CLSCTX_LOCAL_SERVER, IID_IServiceProvider,
                                  (void**)&provider);
    // A class nobody registered will not appear by waiting (no Explorer, or
    // Wine); other failures mean the shell is still starting.
    for (int retry = 0; FAILED(hr) && hr != REGDB_E_CLASSNOTREG && retry < kShellRetries; retry++) {
        Sleep(200);
        hr = CoCreateInstance(kClsidImmersiveShell, nullptr, CLSCTX_LOCAL_SERVER, IID_IServiceProvider,
                              (void**)&provider);
    }
    if (FAILED(hr) || !provider) return 1;

    ShellServices s = {};
    int result = 0;
    QueryShellService(provider, kViewCollection, kViewCollection, &s.viewCollection);
    if (!s.viewCollection) {
        result = 2;
    } else {
        QueryShellService(provider, kDesktopManager, kDesktopManager, &s.manager);
        QueryShellService(provider, kPinnedAppsService, kPinnedApps, &s.pinnedApps);
        QueryShellService(provider, kInternalManagerService, c->variant->internalManager, &s.internalManager);
        if (!s.internalManager) {
            result = 3;
        } else {
            QueryShellService(provider, kNotificationService, kNotificationServiceIid, &s.notificationService);
            if (!s.notificationService) result = 4;
        }
    }
    AcquireSRWLockExclusive(&c->lock);
    c->serviceProvider = provider;
    c->services = s;
    ReleaseSRWLockExclusive(&c->lock);
    if (result == 0) RegisterSink(c);
    return result;
}

//--- desktops by number

static IUnknown* DesktopArray(const DesktopVariant* v, IUnknown* internalManager)
{
    IUnknown* array = nullptr;
    HRESULT hr = v->monitorArgument
                     ? CallSlot<GetDesktopsOnMonitorMethod>(internalManager, v->getDesktops, (HMONITOR) nullptr, &array)
                     : CallSlot<GetDesktopsMethod>(internalManager, v->getDesktops, &array);
    return SUCCEEDED(hr) ? array : nullptr;
}

static bool DesktopCount(IUnknown* array, UINT* count)
{
    *count = 0;
    return SUCCEEDED(CallSlot<GetCountMethod>(array, kSlotGetCount, count));
}

static IUnknown* DesktopAt(const DesktopVariant* v, IUnknown* array, UINT index)
{
    void* desktop = nullptr;
    if (FAILED(CallSlot<GetAtMethod>(array, kSlotGetAt, index, v->desktop, &desktop))) return nullptr;
    return (IUnknown*)desktop;
}

static bool DesktopId(IUnknown* desktop, GUID* id)
{
    *id = GUID{};
    return desktop && SUCCEEDED(CallSlot<GetDesktopIdMethod>(desktop, kSlotGetId, id));
}

// The number of the desktop with this identifier, -1 when none or on any failure.
static int NumberOfId(const DesktopVariant* v, IUnknown* internalManager, const GUID& id)
{
    if (!internalManager) return -1;
    IUnknown* array = DesktopArray(v, internalManager);
    if (!array) return -1;
    int found = -1;
    UINT count = 0;
    if (DesktopCount(array, &count)) {
        for (UINT i = 0; i < count && found < 0; i++) {
            IUnknown* desktop = DesktopAt(v, array, i);
            if (!desktop) break;
            GUID other;
            if (DesktopId(desktop, &other) && memcmp(&other, &id, sizeof(GUID)) == 0) found = (int)i;
            desktop->Release();
        }
    }
    array->Release();
    return found;
}

// Desktop number n of the shell's list, or null.
static IUnknown* DesktopNumbered(const DesktopVariant* v, IUnknown* internalManager, int number)
{
    if (!internalManager || number < 0) return nullptr;
    IUnknown* array = DesktopArray(v, internalManager);
    if (!array) return nullptr;
    IUnknown* desktop = nullptr;
    UINT count = 0;
    if (DesktopCount(array, &count) && (UINT)number < count) desktop = DesktopAt(v, array, (UINT)number);
    array->Release();
    return desktop;
}

static IUnknown* ViewOf(IUnknown* viewCollection, HWND window)
{
    IUnknown* view = nullptr;
    if (!viewCollection || !window) return nullptr;
    if (FAILED(CallSlot<GetViewForHwndMethod>(viewCollection, kSlotGetViewForHwnd, window, &view))) return nullptr;
    return view;
}

int ShellDesktopNumberOf(DesktopShellCore* c, IUnknown* desktop)
{
    GUID id;
    if (!DesktopId(desktop, &id)) return -1;
    ShellServices s;
    TakeServices(c, &s);
    int number = NumberOfId(c->variant, s.internalManager, id);
    ReleaseServices(&s);
    return number;
}

//--- operations

int ShellWindowDesktopNumber(DesktopShellCore* c, HWND window)
{
    ShellServices s;
    TakeServices(c, &s);
    int number = -1;
    GUID id = {};
    if (s.manager && SUCCEEDED(CallSlot<GetWindowDesktopIdMethod>(s.manager, kSlotGetWindowDesktopId, window, &id)))
        number = NumberOfId(c->variant, s.internalManager, id);
    ReleaseServices(&s);
    return number;
}

int ShellDesktopCount(DesktopShellCore* c)
{
    ShellServices s;
    TakeServices(c, &s);
    int count = -1;
    IUnknown* array = s.internalManager ? DesktopArray(c->variant, s.internalManager) : nullptr;
    UINT n = 0;
    if (array && DesktopCount(array, &n) && n <= INT32_MAX) count = (int)n;
    ReleaseInterface(&array);
    ReleaseServices(&s);
    return count;
}

int ShellMoveWindowToDesktop(DesktopShellCore* c, HWND window, int number)
{
    if (!window) return 0;
    ShellServices s;
    TakeServices(c, &s);
    int moved = 0;
    IUnknown* desktop = DesktopNumbered(c->variant, s.internalManager, number);
    GUID id;
    if (desktop && DesktopId(desktop, &id)) {
        IUnknown* view = ViewOf(s.viewCollection, window);
        if (view) {
            if (SUCCEEDED(CallSlot<MoveViewToDesktopMethod>(s.internalManager, kSlotMoveViewToDesktop, view, desktop)))
                moved = 1;
            view->Release();
        }
    }
    ReleaseInterface(&desktop);
    ReleaseServices(&s);
    return moved;
}

int ShellCurrentDesktopNumber(DesktopShellCore* c)
{
    ShellServices s;
    TakeServices(c, &s);
    int number = -1;
    const DesktopVariant* v = c->variant;
    IUnknown* desktop = nullptr;
    HRESULT hr = E_POINTER;
    if (s.internalManager)
        hr = v->monitorArgument ? CallSlot<GetCurrentDesktopOnMonitorMethod>(s.internalManager, v->getCurrentDesktop,
                                                                           (HMONITOR) nullptr, &desktop)
                                : CallSlot<GetCurrentDesktopMethod>(s.internalManager, v->getCurrentDesktop, &desktop);
    GUID id;
    if (SUCCEEDED(hr) && DesktopId(desktop, &id)) number = NumberOfId(v, s.internalManager, id);
    if (SUCCEEDED(hr)) ReleaseInterface(&desktop);
    ReleaseServices(&s);
    return number;
}

void ShellSwitchToDesktop(DesktopShellCore* c, int number)
{
    ShellServices s;
    TakeServices(c, &s);
    const DesktopVariant* v = c->variant;
    IUnknown* desktop = DesktopNumbered(v, s.internalManager, number);
    if (desktop) {
        if (v->monitorArgument)
            CallSlot<SwitchDesktopOnMonitorMethod>(s.internalManager, v->switchDesktop, (HMONITOR) nullptr, desktop);
        else
            CallSlot<SwitchDesktopMethod>(s.internalManager, v->switchDesktop, desktop);
        desktop->Release();
    }
    ReleaseServices(&s);
}

void ShellPinWindow(DesktopShellCore* c, HWND window, bool pin)
{
    if (!window) return;
    ShellServices s;
    TakeServices(c, &s);
    IUnknown* view = s.pinnedApps ? ViewOf(s.viewCollection, window) : nullptr;
    if (view) {
        CallSlot<PinViewMethod>(s.pinnedApps, pin ? kSlotPinView : kSlotUnpinView, view);
        view->Release();
    }
    ReleaseServices(&s);
}

bool ShellIsWindowPinned(DesktopShellCore* c, HWND window)
{
    if (!window) return false;
    ShellServices s;
    TakeServices(c, &s);
    BOOL pinned = FALSE;
    IUnknown* view = s.pinnedApps ? ViewOf(s.viewCollection, window) : nullptr;
    if (view) {
        if (FAILED(CallSlot<IsViewPinnedMethod>(s.pinnedApps, kSlotIsViewPinned, view, &pinned))) pinned = FALSE;
        view->Release();
    }
    ReleaseServices(&s);
    return pinned != FALSE;
}

//--- listeners

// Where the window is or would go in the handle-ordered list.
static int ListenerSlot(const GrowArray<DesktopListener>* list, HWND window, bool* found)
{
    int low = 0, high = list->count;
    while (low < high) {
        int mid = low + (high - low) / 2;
        if ((uintptr_t)list->data[mid].window < (uintptr_t)window)
            low = mid + 1;
        else
            high = mid;
    }
    *found = low < list->count && list->data[low].window == window;
    return low;
}

void AddDesktopListener(DesktopShellCore* c, HWND window, uint32_t messageBase)
{
    bool found = false;
    AcquireSRWLockExclusive(&c->lock);
    int at = ListenerSlot(&c->listeners, window, &found);
    bool first = false;
    if (!found) {   // a window already listening keeps its first base
        DesktopListener l = {window, messageBase};
        first = ArrayInsertAt(&c->listeners, &l, at) >= 0 && c->listeners.count == 1;
    }
    ReleaseSRWLockExclusive(&c->lock);
    if (first) RegisterSink(c);
}

void RemoveDesktopListener(DesktopShellCore* c, HWND window)
{
    bool found = false;
    AcquireSRWLockExclusive(&c->lock);
    int at = ListenerSlot(&c->listeners, window, &found);
    if (found) ArrayRemoveAt(&c->listeners, at);
    IUnknown* service = nullptr;
    DWORD cookie = 0;
    if (c->listeners.count == 0 && c->services.notificationService && c->sinkRegistered) {
        c->sinkRegistered = 0;
        cookie = c->cookie;
        c->cookie = 0;
        service = c->services.notificationService;
        service->AddRef();
    }
    ReleaseSRWLockExclusive(&c->lock);
    if (service) {
        CallSlot<UnregisterSinkMethod>(service, kSlotUnregister, cookie);
        service->Release();
    }
}

void PostDesktopEvent(DesktopShellCore* c, int code, WPARAM wParam, LPARAM lParam)
{
    AcquireSRWLockShared(&c->lock);
    for (int i = 0; i < c->listeners.count; i++) {
        const DesktopListener& l = c->listeners.data[i];
        PostMessageA(l.window, l.messageBase + (UINT)code, wParam, lParam);
    }
    ReleaseSRWLockShared(&c->lock);
}
