// DesktopVariants.cpp - the five build families' identifiers and slot
// numbers, and the desktop object that speaks them.
#include "vdesktop/DesktopVariants.h"

#include "vdesktop/DesktopApartment.h"
#include "vdesktop/DesktopShell.h"

//--- what tells the builds apart

static const GUID kManagerInternal10 = {0xF31574D6, 0xB682, 0x4CDC, {0xBD, 0x56, 0x18, 0x27, 0x86, 0x0A, 0xBE, 0xC6}};
static const GUID kDesktop10 = {0xFF72FFDD, 0xBE7E, 0x43FC, {0x9C, 0x03, 0xAD, 0x81, 0x68, 0x1E, 0x88, 0xE4}};
static const GUID kNotification10 = {0xC179334C, 0x4295, 0x40D3, {0xBE, 0xA1, 0xC6, 0x54, 0xD9, 0x65, 0x60, 0x5A}};
static const GUID kManagerInternal11 = {0xB2F925B9, 0x5A0F, 0x4D2E, {0x9F, 0x4D, 0x2B, 0x15, 0x07, 0x59, 0x3C, 0x10}};
static const GUID kDesktop11 = {0x536D3495, 0xB208, 0x4CC9, {0xAE, 0x26, 0xDE, 0x81, 0x11, 0x27, 0x5B, 0xF8}};
static const GUID kNotification11 = {0xCD403E52, 0xDEED, 0x4C13, {0xB4, 0x37, 0xB9, 0x83, 0x80, 0xF2, 0xB1, 0xE8}};
static const GUID kManagerInternal23H2 = {0xA3175F2D, 0x239C, 0x4BD2, {0x8A, 0xA0, 0xEE, 0xBA, 0x8B, 0x0B, 0x13, 0x8E}};
static const GUID kDesktop23H2 = {0x3F07F4BE, 0xB107, 0x441A, {0xAF, 0x0F, 0x39, 0xD8, 0x25, 0x29, 0x07, 0x2C}};
static const GUID kNotification23H2 = {0xB287FA1C, 0x7771, 0x471A, {0xA2, 0xDF, 0x9B, 0x6B, 0x21, 0xF0, 0xD6, 0x75}};
static const GUID kManagerInternal3085 = {0x53F5CA0B, 0x158F, 0x4124, {0x90, 0x0C, 0x05, 0x71, 0x58, 0x06, 0x0B, 0x27}};
static const GUID kNotification3085 = {0xB9E5E94D, 0x233E, 0x49AB, {0xAF, 0x5C, 0x2B, 0x45, 0x41, 0xC3, 0xAA, 0xDE}};

//                                         internal manager      desktop       events             GetDesktops,
//                                                                                                Current, Switch
const DesktopVariant kDesktopVariant10 = {kManagerInternal10, kDesktop10, kNotification10, 7, 6, 9, false,
                                          _Notifications_10};
const DesktopVariant kDesktopVariant11 = {kManagerInternal11, kDesktop11, kNotification11, 7, 6, 9, true,
                                          _Notifications_11};
const DesktopVariant kDesktopVariant11_22H2 = {kManagerInternal11, kDesktop11, kNotification11, 8, 6, 10, true,
                                               _Notifications_11_22H2};
const DesktopVariant kDesktopVariant11_23H2 = {kManagerInternal23H2, kDesktop23H2, kNotification23H2, 7, 6, 9, false,
                                               _Notifications_11_23H2};
const DesktopVariant kDesktopVariant11_23H2_3085 = {kManagerInternal3085, kDesktop23H2, kNotification3085, 7, 6, 9,
                                                    false, _Notifications_11_23H2_3085};

CVirtualDesktop_10::CVirtualDesktop_10() : CVirtualDesktopShell(&kDesktopVariant10) {}
CVirtualDesktop_11::CVirtualDesktop_11() : CVirtualDesktopShell(&kDesktopVariant11) {}
CVirtualDesktop_11_22H2::CVirtualDesktop_11_22H2() : CVirtualDesktopShell(&kDesktopVariant11_22H2) {}
CVirtualDesktop_11_23H2::CVirtualDesktop_11_23H2() : CVirtualDesktopShell(&kDesktopVariant11_23H2) {}
CVirtualDesktop_11_23H2_3085::CVirtualDesktop_11_23H2_3085() : CVirtualDesktopShell(&kDesktopVariant11_23H2_3085) {}

//--- the operations, as the apartment runs them

static int InitWork(const DesktopWork* w)
{
    return InitDesktopShell(w->core);
}

static int WindowDesktopWork(const DesktopWork* w)
{
    return ShellWindowDesktopNumber(w->core, w->window);
}

static int DesktopCountWork(const DesktopWork* w)
{
    return ShellDesktopCount(w->core);
}

static int MoveWindowWork(const DesktopWork* w)
{
    return ShellMoveWindowToDesktop(w->core, w->window, w->number);
}

static int CurrentDesktopWork(const DesktopWork* w)
{
    return ShellCurrentDesktopNumber(w->core);
}

static int SwitchWork(const DesktopWork* w)
{
    ShellSwitchToDesktop(w->core, w->number);
    return 0;
}

static int RememberWork(const DesktopWork* w)
{
    int number = w->number == -1 ? ShellCurrentDesktopNumber(w->core) : w->number;
    InterlockedExchange(&w->core->remembered, number);
    return number;
}

static int PinWork(const DesktopWork* w)
{
    ShellPinWindow(w->core, w->window, true);
    return 0;
}

static int UnpinWork(const DesktopWork* w)
{
    ShellPinWindow(w->core, w->window, false);
    return 0;
}

static int IsPinnedWork(const DesktopWork* w)
{
    return ShellIsWindowPinned(w->core, w->window) ? 1 : 0;
}

static int AddListenerWork(const DesktopWork* w)
{
    AddDesktopListener(w->core, w->window, w->messageBase);
    return 0;
}

static int RemoveListenerWork(const DesktopWork* w)
{
    RemoveDesktopListener(w->core, w->window);
    return 0;
}

static int EndWork(const DesktopWork* w)
{
    DetachDesktopShell(w->core);
    ClearDesktopListeners(w->core);
    ReleaseDesktopShellCore(w->core);   // a sink the shell still holds keeps it alive
    return 0;
}

//--- the object

CVirtualDesktopShell::CVirtualDesktopShell(const DesktopVariant* variant)
    : m_core(NewDesktopShellCore(variant)),
      m_apartment(HoldDesktopApartment())
{
}

CVirtualDesktopShell::~CVirtualDesktopShell()
{
    if (m_core) {
        DesktopWork end = {EndWork, m_core, nullptr, 0, 0};
        FinishInDesktopApartment(m_apartment, end, kDesktopCallBound);
    }
    ReleaseDesktopApartment(m_apartment);
}

int CVirtualDesktopShell::Call(int (*run)(const DesktopWork*), HWND window, int number, uint32_t messageBase,
                               int failure, DWORD bound)
{
    DesktopWork work = {run, m_core, window, number, messageBase};
    if (InMultithreadedApartment()) return run(&work);
    return CallInDesktopApartment(m_apartment, work, failure, bound);
}

int CVirtualDesktopShell::Init()
{
    return m_core ? Call(InitWork, nullptr, 0, 0, 1, kDesktopInitBound) : 1;
}

int CVirtualDesktopShell::GetWindowDesktopNumber(HWND window)
{
    return m_core ? Call(WindowDesktopWork, window, 0, 0, -1, kDesktopCallBound) : -1;
}

int CVirtualDesktopShell::GetDesktopCount()
{
    return m_core ? Call(DesktopCountWork, nullptr, 0, 0, -1, kDesktopCallBound) : -1;
}

int CVirtualDesktopShell::MoveWindowToDesktop(HWND window, int number)
{
    return m_core ? Call(MoveWindowWork, window, number, 0, 0, kDesktopCallBound) : 0;
}

int CVirtualDesktopShell::GetCurrentDesktopNumber()
{
    return m_core ? Call(CurrentDesktopWork, nullptr, 0, 0, -1, kDesktopCallBound) : -1;
}

void CVirtualDesktopShell::SwitchToDesktop(int number)
{
    if (m_core) Call(SwitchWork, nullptr, number, 0, 0, kDesktopCallBound);
}

int CVirtualDesktopShell::RememberDesktop(int number)
{
    return m_core ? Call(RememberWork, nullptr, number, 0, -1, kDesktopCallBound) : number;
}

void CVirtualDesktopShell::PinWindow(HWND window)
{
    if (m_core) Call(PinWork, window, 0, 0, 0, kDesktopCallBound);
}

void CVirtualDesktopShell::UnpinWindow(HWND window)
{
    if (m_core) Call(UnpinWork, window, 0, 0, 0, kDesktopCallBound);
}

bool CVirtualDesktopShell::IsWindowPinned(HWND window)
{
    return m_core && Call(IsPinnedWork, window, 0, 0, 0, kDesktopCallBound) != 0;
}

void CVirtualDesktopShell::AddListener(HWND window, uint32_t messageBase)
{
    if (m_core) Call(AddListenerWork, window, 0, messageBase, 0, kDesktopCallBound);
}

void CVirtualDesktopShell::RemoveListener(HWND window)
{
    if (m_core) Call(RemoveListenerWork, window, 0, 0, 0, kDesktopCallBound);
}
