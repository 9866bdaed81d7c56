// DesktopVariants.cpp - the five build families' identifiers and slot
// numbers, and the desktop object that speaks them.
#include "vdesktop/DesktopVariants.h"

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

//--- the object

CVirtualDesktopShell::CVirtualDesktopShell(const DesktopVariant* variant)
    : m_core(NewDesktopShellCore(variant)),
      m_comResult(CoInitializeEx(nullptr, COINIT_MULTITHREADED)),
      m_comThread(GetCurrentThreadId())
{
}

CVirtualDesktopShell::~CVirtualDesktopShell()
{
    if (m_core) {
        DetachDesktopShell(m_core);
        ClearDesktopListeners(m_core);
        ReleaseDesktopShellCore(m_core);   // a sink the shell still holds keeps it alive
    }
    // A thread already in another apartment refused; its COM is not ours to end.
    if (SUCCEEDED(m_comResult) && GetCurrentThreadId() == m_comThread) CoUninitialize();
}

int CVirtualDesktopShell::Init()
{
    return m_core ? InitDesktopShell(m_core) : 1;
}

int CVirtualDesktopShell::GetWindowDesktopNumber(HWND window)
{
    return m_core ? ShellWindowDesktopNumber(m_core, window) : -1;
}

int CVirtualDesktopShell::GetDesktopCount()
{
    return m_core ? ShellDesktopCount(m_core) : -1;
}

int CVirtualDesktopShell::MoveWindowToDesktop(HWND window, int number)
{
    return m_core ? ShellMoveWindowToDesktop(m_core, window, number) : 0;
}

int CVirtualDesktopShell::GetCurrentDesktopNumber()
{
    return m_core ? ShellCurrentDesktopNumber(m_core) : -1;
}

void CVirtualDesktopShell::SwitchToDesktop(int number)
{
    if (m_core) ShellSwitchToDesktop(m_core, number);
}

int CVirtualDesktopShell::RememberDesktop(int number)
{
    if (!m_core) return number;
    if (number == -1) number = ShellCurrentDesktopNumber(m_core);
    InterlockedExchange(&m_core->remembered, number);
    return number;
}

void CVirtualDesktopShell::PinWindow(HWND window)
{
    if (m_core) ShellPinWindow(m_core, window, true);
}

void CVirtualDesktopShell::UnpinWindow(HWND window)
{
    if (m_core) ShellPinWindow(m_core, window, false);
}

bool CVirtualDesktopShell::IsWindowPinned(HWND window)
{
    return m_core && ShellIsWindowPinned(m_core, window);
}

void CVirtualDesktopShell::AddListener(HWND window, uint32_t messageBase)
{
    if (m_core) AddDesktopListener(m_core, window, messageBase);
}

void CVirtualDesktopShell::RemoveListener(HWND window)
{
    if (m_core) RemoveDesktopListener(m_core, window);
}
