// DesktopProbe.cpp - which desktop variant the running Windows build speaks.
#include "vdesktop/DesktopVariants.h"

uint32_t ReadWindowsBuildNumber()
{
    typedef LONG(WINAPI * RtlGetVersionProc)(OSVERSIONINFOW*);
    HMODULE ntdll = GetModuleHandleA("ntdll");
    RtlGetVersionProc get = ntdll ? (RtlGetVersionProc)(void*)GetProcAddress(ntdll, "RtlGetVersion") : nullptr;
    OSVERSIONINFOW v = {};
    v.dwOSVersionInfoSize = sizeof(v);
    if (!get || get(&v) != 0) return 0;
    return v.dwBuildNumber;
}

// The first build of Windows 11 22H2. It answers the identifiers of Windows
// 11 before it, with other slots: a wrong pick would call the wrong methods.
static const uint32_t kBuild11_22H2 = 22621;

static CVirtualDesktop* NewVariant(int i, uint32_t build)
{
    switch (i) {
    case 0: return new CVirtualDesktop_10();
    case 1: return build < kBuild11_22H2 ? new CVirtualDesktop_11() : nullptr;
    case 2: return build >= kBuild11_22H2 ? new CVirtualDesktop_11_22H2() : nullptr;
    case 3: return new CVirtualDesktop_11_23H2();
    case 4: return new CVirtualDesktop_11_23H2_3085();
    default: return nullptr;
    }
}

CVirtualDesktop* ProbeVirtualDesktop(uint32_t build)
{
    g_virtualDesktop = nullptr;
    for (int i = 0; i < 5; i++) {
        CVirtualDesktop* candidate = NewVariant(i, build);
        if (!candidate) continue;
        g_virtualDesktop = candidate;
        if (candidate->Init() == 0 && candidate->GetCurrentDesktopNumber() != -1) return candidate;
        g_virtualDesktop = nullptr;
        delete candidate;   // unregisters its sink and releases what it obtained
    }
    return nullptr;
}
