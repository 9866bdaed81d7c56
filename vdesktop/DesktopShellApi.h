// DesktopShellApi.h - the argument lists of the shell's virtual-desktop
// methods that this program calls or implements. Which slot holds a method
// differs between Windows builds, so methods are reached by slot number;
// these types say what each one takes. The first argument is the object.
#pragma once

#include <windows.h>
#include <objbase.h>

//--- IUnknown (slots 0 to 2)
typedef HRESULT(STDMETHODCALLTYPE* QueryInterfaceMethod)(void* self, REFIID iid, void** out);
typedef ULONG(STDMETHODCALLTYPE* AddRefMethod)(void* self);
typedef ULONG(STDMETHODCALLTYPE* ReleaseMethod)(void* self);

//--- services the program calls
// IServiceProvider::QueryService
typedef HRESULT(STDMETHODCALLTYPE* QueryServiceMethod)(void* self, REFGUID service, REFIID iid, void** out);
// IApplicationViewCollection::GetViewForHwnd
typedef HRESULT(STDMETHODCALLTYPE* GetViewForHwndMethod)(void* self, HWND window, IUnknown** view);
// IVirtualDesktopManager::GetWindowDesktopId
typedef HRESULT(STDMETHODCALLTYPE* GetWindowDesktopIdMethod)(void* self, HWND window, GUID* desktopId);
// IVirtualDesktopPinnedApps::IsViewPinned
typedef HRESULT(STDMETHODCALLTYPE* IsViewPinnedMethod)(void* self, IUnknown* view, BOOL* pinned);
// IVirtualDesktopPinnedApps::PinView and UnpinView
typedef HRESULT(STDMETHODCALLTYPE* PinViewMethod)(void* self, IUnknown* view);
// IVirtualDesktopManagerInternal::MoveViewToDesktop
typedef HRESULT(STDMETHODCALLTYPE* MoveViewToDesktopMethod)(void* self, IUnknown* view, IUnknown* desktop);
// IVirtualDesktopManagerInternal::GetCurrentDesktop, without and with the monitor
typedef HRESULT(STDMETHODCALLTYPE* GetCurrentDesktopMethod)(void* self, IUnknown** desktop);
typedef HRESULT(STDMETHODCALLTYPE* GetCurrentDesktopOnMonitorMethod)(void* self, HMONITOR monitor,
                                                                       IUnknown** desktop);
// IVirtualDesktopManagerInternal::GetDesktops: an IObjectArray of desktops
typedef HRESULT(STDMETHODCALLTYPE* GetDesktopsMethod)(void* self, IUnknown** desktops);
typedef HRESULT(STDMETHODCALLTYPE* GetDesktopsOnMonitorMethod)(void* self, HMONITOR monitor, IUnknown** desktops);
// IVirtualDesktopManagerInternal::SwitchDesktop
typedef HRESULT(STDMETHODCALLTYPE* SwitchDesktopMethod)(void* self, IUnknown* desktop);
typedef HRESULT(STDMETHODCALLTYPE* SwitchDesktopOnMonitorMethod)(void* self, HMONITOR monitor, IUnknown* desktop);
// IVirtualDesktop::GetID
typedef HRESULT(STDMETHODCALLTYPE* GetDesktopIdMethod)(void* self, GUID* id);
// IObjectArray::GetCount and GetAt
typedef HRESULT(STDMETHODCALLTYPE* GetCountMethod)(void* self, UINT* count);
typedef HRESULT(STDMETHODCALLTYPE* GetAtMethod)(void* self, UINT index, REFIID iid, void** out);
// IVirtualDesktopNotificationService::Register and Unregister
typedef HRESULT(STDMETHODCALLTYPE* RegisterSinkMethod)(void* self, IUnknown* sink, DWORD* cookie);
typedef HRESULT(STDMETHODCALLTYPE* UnregisterSinkMethod)(void* self, DWORD cookie);

//--- events the program's sinks receive (IVirtualDesktopNotification)
// Created: the new desktop.
typedef HRESULT(STDMETHODCALLTYPE* DesktopEventMethod)(void* self, IUnknown* desktop);
typedef HRESULT(STDMETHODCALLTYPE* DesktopEventOnMonitorsMethod)(void* self, IUnknown* monitors, IUnknown* desktop);
// Destroy begins, destroy failed, destroyed (destroyed, fallback) and
// current changed (old, new).
typedef HRESULT(STDMETHODCALLTYPE* DesktopPairEventMethod)(void* self, IUnknown* first, IUnknown* second);
typedef HRESULT(STDMETHODCALLTYPE* DesktopPairEventOnMonitorsMethod)(void* self, IUnknown* monitors,
                                                                       IUnknown* first, IUnknown* second);
// View changed: the view (window) that moved.
typedef HRESULT(STDMETHODCALLTYPE* ViewEventMethod)(void* self, IUnknown* view);
// The events this program does not report: they take what they are given.
typedef HRESULT(STDMETHODCALLTYPE* IgnoredEventMethod)(void* self, void* a, void* b, void* c);

// The method in a slot of an object's method table.
template <typename Method>
inline Method SlotMethod(void* object, int slot)
{
    return (Method)(*(void***)object)[slot];
}

// Calls the method in a slot with the object as its first argument.
template <typename Method, typename... Args>
inline HRESULT CallSlot(void* object, int slot, Args... args)
{
    return SlotMethod<Method>(object, slot)(object, args...);
}
