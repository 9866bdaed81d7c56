// DesktopEvents.cpp - the sinks the shell calls when desktops change: each
// event becomes a message posted to the listening windows.
#include "vdesktop/DesktopShell.h"

#include "vdesktop/DesktopShellApi.h"

#include <stdlib.h>
#include <string.h>

// Event codes, added to a listener's message base.
enum {
    kEventCurrentChanged = 0,
    kEventViewChanged = 1,
    kEventDestroyed = 2,
    kEventDestroyFailed = 3,
    kEventDestroyBegin = 4,
    kEventCreated = 5,
};

// One sink: the method table first, as the shell expects of a COM object.
struct DesktopEventSink {
    const AnyMethod*  methods;
    volatile LONG     refs;
    DesktopShellCore* owner;   // a counted reference: the shell may call after the object is gone
};

static DesktopShellCore* OwnerOf(void* self)
{
    return ((DesktopEventSink*)self)->owner;
}

//--- IUnknown

static HRESULT STDMETHODCALLTYPE SinkQueryInterface(void* self, REFIID iid, void** out)
{
    if (!out) return E_POINTER;
    DesktopEventSink* sink = (DesktopEventSink*)self;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, sink->owner->variant->events)) {
        InterlockedIncrement(&sink->refs);
        *out = self;
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

static ULONG STDMETHODCALLTYPE SinkAddRef(void* self)
{
    return (ULONG)InterlockedIncrement(&((DesktopEventSink*)self)->refs);
}

static ULONG STDMETHODCALLTYPE SinkRelease(void* self)
{
    DesktopEventSink* sink = (DesktopEventSink*)self;
    LONG left = InterlockedDecrement(&sink->refs);
    if (left == 0) {
        ReleaseDesktopShellCore(sink->owner);
        free(sink);
    }
    return (ULONG)left;
}

//--- events

static void PostPair(void* self, int code, IUnknown* first, IUnknown* second)
{
    DesktopShellCore* c = OwnerOf(self);
    PostDesktopEvent(c, code, (WPARAM)(INT_PTR)ShellDesktopNumberOf(c, first),
                     (LPARAM)ShellDesktopNumberOf(c, second));
}

static HRESULT STDMETHODCALLTYPE OnCreated(void* self, IUnknown* desktop)
{
    DesktopShellCore* c = OwnerOf(self);
    PostDesktopEvent(c, kEventCreated, (WPARAM)(INT_PTR)ShellDesktopNumberOf(c, desktop), 0);
    return S_OK;
}

static HRESULT STDMETHODCALLTYPE OnDestroyBegin(void* self, IUnknown* destroyed, IUnknown* fallback)
{
    PostPair(self, kEventDestroyBegin, destroyed, fallback);
    return S_OK;
}

static HRESULT STDMETHODCALLTYPE OnDestroyFailed(void* self, IUnknown* destroyed, IUnknown* fallback)
{
    PostPair(self, kEventDestroyFailed, destroyed, fallback);
    return S_OK;
}

static HRESULT STDMETHODCALLTYPE OnDestroyed(void* self, IUnknown* destroyed, IUnknown* fallback)
{
    PostPair(self, kEventDestroyed, destroyed, fallback);
    return S_OK;
}

static HRESULT STDMETHODCALLTYPE OnViewChanged(void* self, IUnknown*)
{
    PostDesktopEvent(OwnerOf(self), kEventViewChanged, 0, 0);
    return S_OK;
}

// A remembered desktop takes the change back instead of reporting it, once.
static HRESULT STDMETHODCALLTYPE OnCurrentChanged(void* self, IUnknown* old, IUnknown* now)
{
    DesktopShellCore* c = OwnerOf(self);
    LONG remembered = InterlockedExchange(&c->remembered, -1);
    if (remembered != -1)
        ShellSwitchToDesktop(c, (int)remembered);
    else
        PostPair(self, kEventCurrentChanged, old, now);
    return S_OK;
}

// Builds that hand a monitors object first; it is not needed.
static HRESULT STDMETHODCALLTYPE OnCreatedOnMonitors(void* self, IUnknown*, IUnknown* desktop)
{
    return OnCreated(self, desktop);
}

static HRESULT STDMETHODCALLTYPE OnDestroyBeginOnMonitors(void* self, IUnknown*, IUnknown* destroyed,
                                                          IUnknown* fallback)
{
    return OnDestroyBegin(self, destroyed, fallback);
}

static HRESULT STDMETHODCALLTYPE OnDestroyFailedOnMonitors(void* self, IUnknown*, IUnknown* destroyed,
                                                           IUnknown* fallback)
{
    return OnDestroyFailed(self, destroyed, fallback);
}

static HRESULT STDMETHODCALLTYPE OnDestroyedOnMonitors(void* self, IUnknown*, IUnknown* destroyed,
                                                       IUnknown* fallback)
{
    return OnDestroyed(self, destroyed, fallback);
}

static HRESULT STDMETHODCALLTYPE OnCurrentChangedOnMonitors(void* self, IUnknown*, IUnknown* old, IUnknown* now)
{
    return OnCurrentChanged(self, old, now);
}

static HRESULT STDMETHODCALLTYPE Ignored(void*, void*, void*, void*)
{
    return S_OK;
}

//--- the sink classes: one method table per build family

#define SINK_UNKNOWN                                                                                  \
    AsMethod<QueryInterfaceMethod>(SinkQueryInterface), AsMethod<AddRefMethod>(SinkAddRef),             \
        AsMethod<ReleaseMethod>(SinkRelease)
#define IGNORED AsMethod<IgnoredEventMethod>(Ignored)

const AnyMethod _Notifications_10[] = {
    SINK_UNKNOWN,
    AsMethod<DesktopEventMethod>(OnCreated),
    AsMethod<DesktopPairEventMethod>(OnDestroyBegin),
    AsMethod<DesktopPairEventMethod>(OnDestroyFailed),
    AsMethod<DesktopPairEventMethod>(OnDestroyed),
    AsMethod<ViewEventMethod>(OnViewChanged),
    AsMethod<DesktopPairEventMethod>(OnCurrentChanged),
};

#define SINK_11                                                                 \
    SINK_UNKNOWN, AsMethod<DesktopEventOnMonitorsMethod>(OnCreatedOnMonitors),  \
        AsMethod<DesktopPairEventOnMonitorsMethod>(OnDestroyBeginOnMonitors),   \
        AsMethod<DesktopPairEventOnMonitorsMethod>(OnDestroyFailedOnMonitors),  \
        AsMethod<DesktopPairEventOnMonitorsMethod>(OnDestroyedOnMonitors),      \
        IGNORED, IGNORED, IGNORED, AsMethod<ViewEventMethod>(OnViewChanged),    \
        AsMethod<DesktopPairEventOnMonitorsMethod>(OnCurrentChangedOnMonitors), IGNORED

const AnyMethod _Notifications_11[] = {SINK_11};
const AnyMethod _Notifications_11_22H2[] = {SINK_11};

#define SINK_23H2                                                                                 \
    SINK_UNKNOWN, AsMethod<DesktopEventMethod>(OnCreated), AsMethod<DesktopPairEventMethod>(OnDestroyBegin), \
        AsMethod<DesktopPairEventMethod>(OnDestroyFailed), AsMethod<DesktopPairEventMethod>(OnDestroyed),    \
        IGNORED, IGNORED, AsMethod<ViewEventMethod>(OnViewChanged),                                          \
        AsMethod<DesktopPairEventMethod>(OnCurrentChanged), IGNORED

const AnyMethod _Notifications_11_23H2[] = {SINK_23H2};
const AnyMethod _Notifications_11_23H2_3085[] = {SINK_23H2};

IUnknown* NewDesktopEventSink(DesktopShellCore* core)
{
    DesktopEventSink* sink = (DesktopEventSink*)calloc(1, sizeof(DesktopEventSink));
    if (!sink) return nullptr;
    sink->methods = core->variant->sinkMethods;
    sink->refs = 1;   // the creator's
    sink->owner = core;
    AddRefDesktopShellCore(core);
    return (IUnknown*)sink;
}
