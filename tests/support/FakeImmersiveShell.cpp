// FakeImmersiveShell.cpp - the immersive shell of one Windows build, made of
// method tables filled from the build's slot order; its identifiers are its
// own copies, so a wrong identifier or slot in the program shows here.
#include "tests/support/FakeImmersiveShell.h"

#include "vdesktop/DesktopShellApi.h"

#include <objbase.h>
#include <rpcdcep.h>
#include <servprov.h>

#include <algorithm>
#include <utility>

namespace {

typedef void (*FakeMethod)(void);
template <typename M>
FakeMethod Typed(M method)
{
    return (FakeMethod)method;
}

//--- what each build looks like

struct FakeVariantSpec {
    const wchar_t* internalManager;
    const wchar_t* desktop;
    const wchar_t* events;
    int getDesktops, getCurrentDesktop, switchDesktop;
    bool monitor;        // a monitor before the desktop arguments; events with a monitors object
    int eventSlots[6];   // by event code
    int quietSlots[5];   // slots that report nothing; 0 ends
};

const FakeVariantSpec kSpecs[] = {
    {L"{F31574D6-B682-4CDC-BD56-1827860ABEC6}", L"{FF72FFDD-BE7E-43FC-9C03-AD81681E88E4}",
     L"{C179334C-4295-40D3-BEA1-C654D965605A}", 7, 6, 9, false, {8, 7, 6, 5, 4, 3}, {0, 0, 0, 0, 0}},
    {L"{B2F925B9-5A0F-4D2E-9F4D-2B1507593C10}", L"{536D3495-B208-4CC9-AE26-DE8111275BF8}",
     L"{CD403E52-DEED-4C13-B437-B98380F2B1E8}", 7, 6, 9, true, {11, 10, 6, 5, 4, 3}, {7, 8, 9, 12, 0}},
    {L"{B2F925B9-5A0F-4D2E-9F4D-2B1507593C10}", L"{536D3495-B208-4CC9-AE26-DE8111275BF8}",
     L"{CD403E52-DEED-4C13-B437-B98380F2B1E8}", 8, 6, 10, true, {11, 10, 6, 5, 4, 3}, {7, 8, 9, 12, 0}},
    {L"{A3175F2D-239C-4BD2-8AA0-EEBA8B0B138E}", L"{3F07F4BE-B107-441A-AF0F-39D82529072C}",
     L"{B287FA1C-7771-471A-A2DF-9B6B21F0D675}", 7, 6, 9, false, {10, 9, 6, 5, 4, 3}, {7, 8, 11, 0, 0}},
    {L"{53F5CA0B-158F-4124-900C-057158060B27}", L"{3F07F4BE-B107-441A-AF0F-39D82529072C}",
     L"{B9E5E94D-233E-49AB-AF5C-2B4541C3AADE}", 7, 6, 9, false, {10, 9, 6, 5, 4, 3}, {7, 8, 11, 0, 0}},
};

const wchar_t kClsidShell[] = L"{C2F03A33-21F5-47FA-B4BB-156362A2F239}";
const wchar_t kViewCollection[] = L"{1841C6D7-4F9D-42C0-AF41-8747538F10E5}";
const wchar_t kManager[] = L"{A5CD92FF-29BE-454C-8D04-D82879FB3F1B}";
const wchar_t kPinnedService[] = L"{B5A399E7-1C87-46B8-88E9-FC5747B171BD}";
const wchar_t kPinned[] = L"{4CE81583-1E4C-4632-A621-07A53543148F}";
const wchar_t kInternalService[] = L"{C5E0CDCA-7B6E-41B2-9FC4-D93975CC467B}";
const wchar_t kNotifyService[] = L"{A501FDEC-4A09-464C-AE4E-1B9C21B84918}";
const wchar_t kNotify[] = L"{0CD45E71-D927-4F15-8B0A-8FEF525337BF}";

GUID Guid(const wchar_t* text)
{
    GUID g = {};
    CLSIDFromString((LPCOLESTR)text, &g);
    return g;
}

const char* const kKindNames[] = {"provider", "views", "manager", "pinned",   "internal", "notify",
                                  "desktop",  "array", "view",    "monitors", "factory"};

//--- objects

const int kSlots = 16;

struct FakeObject {
    const FakeMethod* methods;
    volatile LONG refs;
    int kind;
    int index;          // desktop number; window of a view
    bool unreadable;    // a desktop whose identifier cannot be read
};

struct FakeWindow {
    HWND hwnd;
    int desktop;
    bool pinned;
    FakeObject* view;
};

struct FakeSink {
    DWORD cookie;
    IUnknown* sink;   // the event interface, one reference
};

struct FakeShell {
    FakeShellConfig config;
    const FakeVariantSpec* variant;
    GUID internalIid, desktopIid, eventIid;
    CRITICAL_SECTION lock;
    FakeMethod tables[FAKE_OBJECT_KINDS][kSlots];
    FakeObject* services[FAKE_DESKTOP];   // provider .. notification service
    std::vector<FakeObject*> desktops;
    FakeObject* unreadable;
    FakeObject* monitors;
    FakeObject* loneView;
    std::vector<FakeWindow> windows;
    std::vector<FakeSink> sinks;
    std::vector<FakeObject*> owned;   // every object the fake holds, one reference each
    LONG liveArrays;
    DWORD nextCookie;
    int current;
    int creates;
    int registrations;
    long lastSinkRelease;
    std::vector<FakeShellCall> calls;
    std::vector<std::string> faults;
    DWORD home;   // the apartment that created the shell: its objects answer there only
    // a call held as a hung shell holds it
    bool holdArmed;
    int holdKind, holdSlot;
    HANDLE holdEntered, holdRelease;
    // the class factory and its MTA thread
    const void* factoryMethods;
    HANDLE thread, ready, stop;
    DWORD regCookie;
    HRESULT regResult;
};

FakeShell* g_shell;

struct Held {
    Held() { EnterCriticalSection(&g_shell->lock); }
    ~Held() { LeaveCriticalSection(&g_shell->lock); }
};

// Apartments as the fake tells them apart: the multithreaded one (also
// entered implicitly), a single-threaded one by its thread, or no COM.
const DWORD kMta = 0;
const DWORD kNoCom = 0xFFFFFFFF;

DWORD CallerApartment()
{
    APTTYPE type;
    APTTYPEQUALIFIER qualifier;
    if (FAILED(CoGetApartmentType(&type, &qualifier))) return kNoCom;
    return type == APTTYPE_MTA ? kMta : GetCurrentThreadId();
}

// Records a call to an object; false when it comes from an apartment other
// than the shell's, which a proxy refuses. A held call blocks here.
bool Record(int kind, int slot, bool unused)
{
    DWORD apartment = CallerApartment();
    bool allowed, hold = false;
    {
        Held h;
        FakeShell* s = g_shell;
        s->calls.push_back({kind, slot, unused, apartment == kMta, GetCurrentThreadId()});
        if (unused) s->faults.push_back(std::string(kKindNames[kind]) + ":" + std::to_string(slot));
        allowed = apartment == s->home;
        if (allowed && s->holdArmed && s->holdKind == kind && s->holdSlot == slot) {
            s->holdArmed = false;
            hold = true;
        }
    }
    if (hold) {
        SetEvent(g_shell->holdEntered);
        WaitForSingleObject(g_shell->holdRelease, 60000);   // only so that a broken test ends
    }
    return allowed;
}

void Fault(const std::string& what)
{
    Held h;
    g_shell->faults.push_back(what);
}

FakeObject* Kind(void* p, int kind)
{
    FakeObject* o = (FakeObject*)p;
    for (int k = 0; k < FAKE_OBJECT_KINDS; k++)
        if (o && o->methods == g_shell->tables[k]) return k == kind ? o : nullptr;
    return nullptr;
}

FakeObject* NewObject(int kind, int index)
{
    FakeObject* o = new FakeObject{g_shell->tables[kind], 1, kind, index, false};
    return o;
}

FakeObject* NewOwned(int kind, int index)
{
    FakeObject* o = NewObject(kind, index);
    g_shell->owned.push_back(o);
    return o;
}

GUID DesktopGuid(int n)
{
    GUID g = {0xDE500000u + (unsigned)n, 0x1234, 0x5678, {0x9A, 0xBC, 0xDE, 0xF0, 0x12, 0x34, 0x56, 0x78}};
    return g;
}

FakeWindow* FindWindowEntry(HWND hwnd)
{
    for (FakeWindow& w : g_shell->windows)
        if (w.hwnd == hwnd) return &w;
    return nullptr;
}

FakeWindow* WindowOfView(void* view)
{
    FakeObject* v = Kind(view, FAKE_VIEW);
    if (!v) return nullptr;
    for (FakeWindow& w : g_shell->windows)
        if (w.view == v) return &w;
    return nullptr;
}

//--- IUnknown of every object

HRESULT STDMETHODCALLTYPE ObjQueryInterface(void* self, REFIID iid, void** out)
{
    FakeObject* o = (FakeObject*)self;
    bool ok = IsEqualIID(iid, IID_IUnknown) || (o->kind == FAKE_PROVIDER && IsEqualIID(iid, IID_IServiceProvider)) ||
              (o->kind == FAKE_DESKTOP && IsEqualIID(iid, g_shell->desktopIid));
    if (!ok) {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    InterlockedIncrement(&o->refs);
    *out = self;
    return S_OK;
}

ULONG STDMETHODCALLTYPE ObjAddRef(void* self)
{
    return (ULONG)InterlockedIncrement(&((FakeObject*)self)->refs);
}

ULONG STDMETHODCALLTYPE ObjRelease(void* self)
{
    FakeObject* o = (FakeObject*)self;
    LONG left = InterlockedDecrement(&o->refs);
    if (left < 0) Fault(std::string("over-released ") + kKindNames[o->kind]);
    if (left == 0 && o->kind == FAKE_DESKTOP_ARRAY) {
        InterlockedDecrement(&g_shell->liveArrays);
        delete o;
    }
    return (ULONG)(left < 0 ? 0 : left);
}

template <int N>
HRESULT STDMETHODCALLTYPE UnusedSlot(void* self)
{
    if (!Record(((FakeObject*)self)->kind, N, true)) return RPC_E_WRONG_THREAD;
    return E_NOTIMPL;
}

template <size_t... N>
void FillUnused(FakeMethod* table, std::index_sequence<N...>)
{
    ((table[N] = Typed<HRESULT(STDMETHODCALLTYPE*)(void*)>(&UnusedSlot<(int)N>)), ...);
}

//--- the services

HRESULT STDMETHODCALLTYPE QueryService(void* self, REFGUID service, REFIID iid, void** out)
{
    if (!Record(((FakeObject*)self)->kind, 3, false)) return RPC_E_WRONG_THREAD;
    *out = nullptr;
    const FakeShellConfig& c = g_shell->config;
    struct Offer {
        const wchar_t* service;
        GUID iid;
        bool offered;
        int kind;
    } offers[] = {
        {kViewCollection, Guid(kViewCollection), true, FAKE_VIEW_COLLECTION},
        {kManager, Guid(kManager), !c.noManager, FAKE_MANAGER},
        {kPinnedService, Guid(kPinned), !c.noPinnedApps, FAKE_PINNED_APPS},
        {kInternalService, g_shell->internalIid, true, FAKE_INTERNAL_MANAGER},
        {kNotifyService, Guid(kNotify), !c.noNotificationService, FAKE_NOTIFICATION_SERVICE},
    };
    for (const Offer& o : offers) {
        if (!IsEqualGUID(service, Guid(o.service))) continue;
        if (!o.offered || !IsEqualIID(iid, o.iid)) return E_NOINTERFACE;
        FakeObject* object = g_shell->services[o.kind];
        InterlockedIncrement(&object->refs);
        *out = object;
        return S_OK;
    }
    return E_NOINTERFACE;
}

HRESULT STDMETHODCALLTYPE GetViewForHwnd(void* self, HWND window, IUnknown** view)
{
    if (!Record(((FakeObject*)self)->kind, 6, false)) return RPC_E_WRONG_THREAD;
    Held h;
    FakeWindow* w = FindWindowEntry(window);
    if (!w) {
        *view = nullptr;
        return TYPE_E_ELEMENTNOTFOUND;
    }
    InterlockedIncrement(&w->view->refs);
    *view = (IUnknown*)w->view;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE GetWindowDesktopId(void* self, HWND window, GUID* id)
{
    if (!Record(((FakeObject*)self)->kind, 4, false)) return RPC_E_WRONG_THREAD;
    Held h;
    FakeWindow* w = FindWindowEntry(window);
    if (!w) return TYPE_E_ELEMENTNOTFOUND;
    *id = DesktopGuid(w->desktop);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE IsViewPinned(void* self, IUnknown* view, BOOL* pinned)
{
    if (!Record(((FakeObject*)self)->kind, 6, false)) return RPC_E_WRONG_THREAD;
    Held h;
    FakeWindow* w = WindowOfView(view);
    if (!w) {
        g_shell->faults.push_back("IsViewPinned: not a view");
        return E_INVALIDARG;
    }
    *pinned = w->pinned ? TRUE : FALSE;
    return S_OK;
}

HRESULT SetPinned(void* view, bool pinned)
{
    Held h;
    FakeWindow* w = WindowOfView(view);
    if (!w) {
        g_shell->faults.push_back("PinView/UnpinView: not a view");
        return E_INVALIDARG;
    }
    w->pinned = pinned;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE PinView(void* self, IUnknown* view)
{
    if (!Record(((FakeObject*)self)->kind, 7, false)) return RPC_E_WRONG_THREAD;
    return SetPinned(view, true);
}

HRESULT STDMETHODCALLTYPE UnpinView(void* self, IUnknown* view)
{
    if (!Record(((FakeObject*)self)->kind, 8, false)) return RPC_E_WRONG_THREAD;
    return SetPinned(view, false);
}

HRESULT STDMETHODCALLTYPE MoveViewToDesktop(void* self, IUnknown* view, IUnknown* desktop)
{
    if (!Record(((FakeObject*)self)->kind, 4, false)) return RPC_E_WRONG_THREAD;
    Held h;
    FakeWindow* w = WindowOfView(view);
    FakeObject* d = Kind(desktop, FAKE_DESKTOP);
    if (!w || !d || d->unreadable) {
        g_shell->faults.push_back("MoveViewToDesktop: not a view and a desktop");
        return E_INVALIDARG;
    }
    w->desktop = d->index;
    return S_OK;
}

HRESULT CurrentDesktop(IUnknown** desktop)
{
    Held h;
    if (g_shell->current < 0 || (size_t)g_shell->current >= g_shell->desktops.size()) return E_FAIL;
    FakeObject* d = g_shell->desktops[(size_t)g_shell->current];
    InterlockedIncrement(&d->refs);
    *desktop = (IUnknown*)d;
    return S_OK;
}

HRESULT Desktops(IUnknown** array)
{
    InterlockedIncrement(&g_shell->liveArrays);
    *array = (IUnknown*)NewObject(FAKE_DESKTOP_ARRAY, 0);
    return S_OK;
}

HRESULT Switch(IUnknown* desktop)
{
    FakeObject* d = Kind(desktop, FAKE_DESKTOP);
    Held h;
    if (!d || d->unreadable) {
        g_shell->faults.push_back("SwitchDesktop: not a desktop");
        return E_INVALIDARG;
    }
    g_shell->current = d->index;
    return S_OK;
}

void CheckMonitor(HMONITOR monitor, const char* method)
{
    if (monitor) Fault(std::string(method) + ": monitor not null");
}

HRESULT STDMETHODCALLTYPE GetCurrentDesktopPlain(void* self, IUnknown** desktop)
{
    if (!Record(((FakeObject*)self)->kind, g_shell->variant->getCurrentDesktop, false)) return RPC_E_WRONG_THREAD;
    return CurrentDesktop(desktop);
}

HRESULT STDMETHODCALLTYPE GetCurrentDesktopOnMonitor(void* self, HMONITOR monitor, IUnknown** desktop)
{
    if (!Record(((FakeObject*)self)->kind, g_shell->variant->getCurrentDesktop, false)) return RPC_E_WRONG_THREAD;
    CheckMonitor(monitor, "GetCurrentDesktop");
    return CurrentDesktop(desktop);
}

HRESULT STDMETHODCALLTYPE GetDesktopsPlain(void* self, IUnknown** array)
{
    if (!Record(((FakeObject*)self)->kind, g_shell->variant->getDesktops, false)) return RPC_E_WRONG_THREAD;
    return Desktops(array);
}

HRESULT STDMETHODCALLTYPE GetDesktopsOnMonitor(void* self, HMONITOR monitor, IUnknown** array)
{
    if (!Record(((FakeObject*)self)->kind, g_shell->variant->getDesktops, false)) return RPC_E_WRONG_THREAD;
    CheckMonitor(monitor, "GetDesktops");
    return Desktops(array);
}

HRESULT STDMETHODCALLTYPE SwitchDesktopPlain(void* self, IUnknown* desktop)
{
    if (!Record(((FakeObject*)self)->kind, g_shell->variant->switchDesktop, false)) return RPC_E_WRONG_THREAD;
    return Switch(desktop);
}

HRESULT STDMETHODCALLTYPE SwitchDesktopOnMonitor(void* self, HMONITOR monitor, IUnknown* desktop)
{
    if (!Record(((FakeObject*)self)->kind, g_shell->variant->switchDesktop, false)) return RPC_E_WRONG_THREAD;
    CheckMonitor(monitor, "SwitchDesktop");
    return Switch(desktop);
}

HRESULT STDMETHODCALLTYPE GetCount(void* self, UINT* count)
{
    if (!Record(((FakeObject*)self)->kind, 3, false)) return RPC_E_WRONG_THREAD;
    if (g_shell->config.countFails) return E_FAIL;
    Held h;
    *count = (UINT)g_shell->desktops.size();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE GetAt(void* self, UINT index, REFIID iid, void** out)
{
    if (!Record(((FakeObject*)self)->kind, 4, false)) return RPC_E_WRONG_THREAD;
    *out = nullptr;
    if (!IsEqualIID(iid, g_shell->desktopIid)) {
        Fault("GetAt: not this build's desktop interface");
        return E_NOINTERFACE;
    }
    Held h;
    if (index >= g_shell->desktops.size()) return E_INVALIDARG;
    FakeObject* d = g_shell->desktops[index];
    InterlockedIncrement(&d->refs);
    *out = d;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE GetId(void* self, GUID* id)
{
    FakeObject* d = (FakeObject*)self;
    if (!Record(d->kind, 4, false)) return RPC_E_WRONG_THREAD;
    if (d->unreadable) return E_FAIL;
    *id = DesktopGuid(d->index);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE RegisterSink(void* self, IUnknown* sink, DWORD* cookie)
{
    if (!Record(((FakeObject*)self)->kind, 3, false)) return RPC_E_WRONG_THREAD;
    void* events = nullptr;
    if (!sink || FAILED(sink->QueryInterface(g_shell->eventIid, &events)) || !events) {
        Fault("Register: the sink does not answer this build's event interface");
        return E_NOINTERFACE;
    }
    Held h;
    *cookie = ++g_shell->nextCookie;
    g_shell->sinks.push_back({*cookie, (IUnknown*)events});
    g_shell->registrations++;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE UnregisterSink(void* self, DWORD cookie)
{
    if (!Record(((FakeObject*)self)->kind, 4, false)) return RPC_E_WRONG_THREAD;
    IUnknown* sink = nullptr;
    {
        Held h;
        for (size_t i = 0; i < g_shell->sinks.size(); i++)
            if (g_shell->sinks[i].cookie == cookie) {
                sink = g_shell->sinks[i].sink;
                g_shell->sinks.erase(g_shell->sinks.begin() + (long)i);
                break;
            }
    }
    if (!sink) {
        Fault("Unregister: unknown cookie " + std::to_string(cookie));
        return E_INVALIDARG;
    }
    long left = (long)sink->Release();
    Held h;
    g_shell->lastSinkRelease = left;
    return S_OK;
}

//--- the class factory

HRESULT STDMETHODCALLTYPE FactoryQueryInterface(void* self, REFIID iid, void** out)
{
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
        *out = self;
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE FactoryAddRef(void*)
{
    return 2;   // lives as long as the fake
}

ULONG STDMETHODCALLTYPE FactoryRelease(void*)
{
    return 1;
}

typedef HRESULT(STDMETHODCALLTYPE* CreateInstanceMethod)(void*, IUnknown*, REFIID, void**);
typedef HRESULT(STDMETHODCALLTYPE* LockServerMethod)(void*, BOOL);

HRESULT STDMETHODCALLTYPE FactoryCreateInstance(void*, IUnknown* outer, REFIID iid, void** out)
{
    *out = nullptr;
    // Wine's rpcss hands this class to other processes too (a program that
    // another test started), over RPC: to them there is no shell, and their
    // calls must not count as this test's.
    if (I_RpcGetCurrentCallHandle()) return REGDB_E_CLASSNOTREG;
    DWORD apartment = CallerApartment();
    Held h;
    g_shell->calls.push_back({FAKE_CLASS_FACTORY, 3, false, apartment == kMta, GetCurrentThreadId()});
    g_shell->creates++;
    if (g_shell->config.failCreates > 0) {
        g_shell->config.failCreates--;
        return g_shell->config.createFailure;
    }
    if (outer) return CLASS_E_NOAGGREGATION;
    if (!IsEqualIID(iid, IID_IServiceProvider) && !IsEqualIID(iid, IID_IUnknown)) return E_NOINTERFACE;
    FakeObject* provider = g_shell->services[FAKE_PROVIDER];
    InterlockedIncrement(&provider->refs);
    *out = provider;
    g_shell->home = apartment;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FactoryLockServer(void*, BOOL)
{
    return S_OK;
}

const FakeMethod kFactoryMethods[] = {
    Typed<QueryInterfaceMethod>(FactoryQueryInterface), Typed<AddRefMethod>(FactoryAddRef),
    Typed<ReleaseMethod>(FactoryRelease), Typed<CreateInstanceMethod>(FactoryCreateInstance),
    Typed<LockServerMethod>(FactoryLockServer)};
struct {
    const FakeMethod* methods;
} g_factory = {kFactoryMethods};

DWORD WINAPI RegistrationThread(void*)
{
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    g_shell->regResult = CoRegisterClassObject(Guid(kClsidShell), (IUnknown*)&g_factory, CLSCTX_LOCAL_SERVER,
                                               REGCLS_MULTIPLEUSE, &g_shell->regCookie);
    SetEvent(g_shell->ready);
    WaitForSingleObject(g_shell->stop, INFINITE);
    if (SUCCEEDED(g_shell->regResult)) CoRevokeClassObject(g_shell->regCookie);
    CoUninitialize();
    return 0;
}

void BuildTables()
{
    FakeShell* s = g_shell;
    const FakeVariantSpec* v = s->variant;
    for (int k = 0; k < FAKE_OBJECT_KINDS; k++) {
        FakeMethod* t = s->tables[k];
        FillUnused(t, std::make_index_sequence<kSlots>());
        t[0] = Typed<QueryInterfaceMethod>(ObjQueryInterface);
        t[1] = Typed<AddRefMethod>(ObjAddRef);
        t[2] = Typed<ReleaseMethod>(ObjRelease);
    }
    s->tables[FAKE_PROVIDER][3] = Typed<QueryServiceMethod>(QueryService);
    s->tables[FAKE_VIEW_COLLECTION][6] = Typed<GetViewForHwndMethod>(GetViewForHwnd);
    s->tables[FAKE_MANAGER][4] = Typed<GetWindowDesktopIdMethod>(GetWindowDesktopId);
    s->tables[FAKE_PINNED_APPS][6] = Typed<IsViewPinnedMethod>(IsViewPinned);
    s->tables[FAKE_PINNED_APPS][7] = Typed<PinViewMethod>(PinView);
    s->tables[FAKE_PINNED_APPS][8] = Typed<PinViewMethod>(UnpinView);
    FakeMethod* internal = s->tables[FAKE_INTERNAL_MANAGER];
    internal[4] = Typed<MoveViewToDesktopMethod>(MoveViewToDesktop);
    if (v->monitor) {
        internal[v->getCurrentDesktop] = Typed<GetCurrentDesktopOnMonitorMethod>(GetCurrentDesktopOnMonitor);
        internal[v->getDesktops] = Typed<GetDesktopsOnMonitorMethod>(GetDesktopsOnMonitor);
        internal[v->switchDesktop] = Typed<SwitchDesktopOnMonitorMethod>(SwitchDesktopOnMonitor);
    } else {
        internal[v->getCurrentDesktop] = Typed<GetCurrentDesktopMethod>(GetCurrentDesktopPlain);
        internal[v->getDesktops] = Typed<GetDesktopsMethod>(GetDesktopsPlain);
        internal[v->switchDesktop] = Typed<SwitchDesktopMethod>(SwitchDesktopPlain);
    }
    s->tables[FAKE_DESKTOP_ARRAY][3] = Typed<GetCountMethod>(GetCount);
    s->tables[FAKE_DESKTOP_ARRAY][4] = Typed<GetAtMethod>(GetAt);
    s->tables[FAKE_DESKTOP][4] = Typed<GetDesktopIdMethod>(GetId);
    s->tables[FAKE_NOTIFICATION_SERVICE][3] = Typed<RegisterSinkMethod>(RegisterSink);
    s->tables[FAKE_NOTIFICATION_SERVICE][4] = Typed<UnregisterSinkMethod>(UnregisterSink);
}

//--- events

struct FireJob {
    int code, first, second;
    bool quiet;
    HRESULT result;
    std::vector<HRESULT> results;
};

FakeObject* DesktopArgument(int n)
{
    Held h;
    if (n == FAKE_UNREADABLE_DESKTOP) return g_shell->unreadable;
    if (n < 0 || (size_t)n >= g_shell->desktops.size()) return nullptr;
    return g_shell->desktops[(size_t)n];
}

HRESULT FireOne(IUnknown* sink, const FireJob& job)
{
    const FakeVariantSpec* v = g_shell->variant;
    int slot = v->eventSlots[job.code];
    IUnknown* monitors = (IUnknown*)g_shell->monitors;
    IUnknown* first = (IUnknown*)DesktopArgument(job.first);
    IUnknown* second = (IUnknown*)DesktopArgument(job.second);
    switch (job.code) {
    case FAKE_EVENT_VIEW_CHANGED:
        return CallSlot<ViewEventMethod>(sink, slot, (IUnknown*)g_shell->loneView);
    case FAKE_EVENT_CREATED:
        return v->monitor ? CallSlot<DesktopEventOnMonitorsMethod>(sink, slot, monitors, first)
                          : CallSlot<DesktopEventMethod>(sink, slot, first);
    default:
        return v->monitor ? CallSlot<DesktopPairEventOnMonitorsMethod>(sink, slot, monitors, first, second)
                          : CallSlot<DesktopPairEventMethod>(sink, slot, first, second);
    }
}

DWORD WINAPI FireThread(void* context)
{
    FireJob* job = (FireJob*)context;
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    std::vector<IUnknown*> sinks;
    {
        Held h;
        for (const FakeSink& s : g_shell->sinks) {
            s.sink->AddRef();
            sinks.push_back(s.sink);
        }
        if (!job->quiet && job->code == FAKE_EVENT_CURRENT_CHANGED && job->second >= 0)
            g_shell->current = job->second;
    }
    job->result = S_OK;
    for (IUnknown* sink : sinks) {
        if (job->quiet) {
            for (int i = 0; i < 5 && g_shell->variant->quietSlots[i]; i++)
                job->results.push_back(CallSlot<IgnoredEventMethod>(sink, g_shell->variant->quietSlots[i],
                                                                    (void*)g_shell->monitors,
                                                                    (void*)g_shell->desktops[0],
                                                                    (void*)g_shell->desktops[1]));
        } else {
            job->result = FireOne(sink, *job);
        }
        sink->Release();
    }
    CoUninitialize();
    return 0;
}

void RunFireJob(FireJob* job)
{
    HANDLE thread = CreateThread(nullptr, 0, FireThread, job, 0, nullptr);
    if (!thread) {
        job->result = E_OUTOFMEMORY;
        return;
    }
    WaitForSingleObject(thread, 30000);
    CloseHandle(thread);
}

}  // namespace

bool StartFakeShell(const FakeShellConfig& config)
{
    if (g_shell) StopFakeShell();
    g_shell = new FakeShell();
    FakeShell* s = g_shell;
    InitializeCriticalSection(&s->lock);
    s->config = config;
    s->variant = &kSpecs[config.variant];
    s->internalIid = Guid(s->variant->internalManager);
    s->desktopIid = Guid(s->variant->desktop);
    s->eventIid = Guid(s->variant->events);
    s->current = config.current;
    BuildTables();
    for (int k = FAKE_PROVIDER; k < FAKE_DESKTOP; k++) s->services[k] = NewOwned(k, 0);
    for (int i = 0; i < config.desktops; i++) s->desktops.push_back(NewOwned(FAKE_DESKTOP, i));
    s->unreadable = NewOwned(FAKE_DESKTOP, -1);
    s->unreadable->unreadable = true;
    s->monitors = NewOwned(FAKE_MONITORS, 0);
    s->loneView = NewOwned(FAKE_VIEW, -1);
    s->ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    s->stop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    s->home = kMta;
    s->holdEntered = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    s->holdRelease = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    s->thread = CreateThread(nullptr, 0, RegistrationThread, nullptr, 0, nullptr);
    if (!s->thread) return false;
    WaitForSingleObject(s->ready, 30000);
    return SUCCEEDED(s->regResult);
}

void StopFakeShell()
{
    FakeShell* s = g_shell;
    if (!s) return;
    SetEvent(s->holdRelease);
    if (s->thread) {
        SetEvent(s->stop);
        WaitForSingleObject(s->thread, 30000);
        CloseHandle(s->thread);
    }
    CloseHandle(s->ready);
    CloseHandle(s->stop);
    CloseHandle(s->holdEntered);
    CloseHandle(s->holdRelease);
    // Sinks the program left registered are the program's: let them go.
    for (FakeSink& k : s->sinks) k.sink->Release();
    // Objects still referenced by the program stay allocated: a late call
    // through them must not land in freed memory.
    for (FakeObject* o : s->owned)
        if (o->refs <= 1) delete o;
    DeleteCriticalSection(&s->lock);
    delete s;
    g_shell = nullptr;
}

DWORD FakeShellServeHere()
{
    DWORD cookie = 0;
    HRESULT hr = CoRegisterClassObject(Guid(kClsidShell), (IUnknown*)&g_factory, CLSCTX_LOCAL_SERVER,
                                       REGCLS_MULTIPLEUSE, &cookie);
    return SUCCEEDED(hr) ? cookie : 0;
}

void FakeShellStopServingHere(DWORD cookie)
{
    if (cookie) CoRevokeClassObject(cookie);
}

void FakeShellHoldNextCall(int kind, int slot)
{
    Held h;
    ResetEvent(g_shell->holdEntered);
    ResetEvent(g_shell->holdRelease);
    g_shell->holdKind = kind;
    g_shell->holdSlot = slot;
    g_shell->holdArmed = true;
}

bool FakeShellWaitForHeldCall(DWORD ms)
{
    return WaitForSingleObject(g_shell->holdEntered, ms) == WAIT_OBJECT_0;
}

void FakeShellReleaseHeldCall()
{
    SetEvent(g_shell->holdRelease);
}

std::vector<FakeShellCall> TakeFakeShellCalls()
{
    Held h;
    std::vector<FakeShellCall> out;
    out.swap(g_shell->calls);
    return out;
}

std::vector<std::string> FakeShellFaults()
{
    Held h;
    return g_shell->faults;
}

int FakeShellCreateCount()
{
    Held h;
    return g_shell->creates;
}

long FakeShellOutstandingRefs()
{
    Held h;
    long n = g_shell->liveArrays;
    for (FakeObject* o : g_shell->owned) n += o->refs - 1;
    return n;
}

int FakeShellRegisteredSinks()
{
    Held h;
    return (int)g_shell->sinks.size();
}

long FakeShellLastSinkRelease()
{
    Held h;
    return g_shell->lastSinkRelease;
}

int FakeShellRegistrations()
{
    Held h;
    return g_shell->registrations;
}

int FakeShellCurrentDesktop()
{
    Held h;
    return g_shell->current;
}

void FakeShellAddWindow(HWND window, int desktop)
{
    Held h;
    FakeWindow w = {window, desktop, false, NewOwned(FAKE_VIEW, (int)g_shell->windows.size())};
    g_shell->windows.push_back(w);
}

int FakeShellWindowDesktop(HWND window)
{
    Held h;
    FakeWindow* w = FindWindowEntry(window);
    return w ? w->desktop : -1;
}

bool FakeShellWindowPinned(HWND window)
{
    Held h;
    FakeWindow* w = FindWindowEntry(window);
    return w && w->pinned;
}

int FakeShellAddDesktop()
{
    Held h;
    int n = (int)g_shell->desktops.size();
    g_shell->desktops.push_back(NewOwned(FAKE_DESKTOP, n));
    return n;
}

HRESULT FakeShellFireEvent(int code, int first, int second)
{
    FireJob job = {code, first, second, false, S_OK, {}};
    RunFireJob(&job);
    return job.result;
}

std::vector<HRESULT> FakeShellCallQuietSlots()
{
    FireJob job = {0, 0, 0, true, S_OK, {}};
    RunFireJob(&job);
    return job.results;
}
