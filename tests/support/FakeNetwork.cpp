// FakeNetwork.cpp - the network seam answering from a FakeNetwork.
#include <winsock2.h>
#include <ws2ipdef.h>
#include <iphlpapi.h>

#include "tests/support/FakeNetwork.h"

#include "engine/NetworkStatus.h"

#include <stdio.h>
#include <string.h>

static FakeNetwork* g_fake;

static FakeNetwork* Fake()
{
    if (g_fake && g_fake->refresh) g_fake->refresh(g_fake);
    return g_fake;
}

static bool FakeBestInterface(DWORD* index)
{
    FakeNetwork* f = Fake();
    if (!f || !f->route) return false;
    *index = f->best;
    return true;
}

static ULONG Needed(const FakeNetwork* f)
{
    size_t n = 0;
    for (const FakeAdapter& a : f->adapters)
        n += sizeof(IP_ADAPTER_ADDRESSES) + a.ipv4.size() * (sizeof(IP_ADAPTER_UNICAST_ADDRESS) + sizeof(sockaddr_in));
    return (ULONG)(n ? n : sizeof(IP_ADAPTER_ADDRESSES));
}

// Lays the list out as the system does: records linked by Next, addresses
// pointing into the same block.
static void Lay(const FakeNetwork* f, BYTE* block)
{
    size_t count = f->adapters.size();
    IP_ADAPTER_ADDRESSES* adapters = (IP_ADAPTER_ADDRESSES*)block;
    BYTE* tail = block + count * sizeof(IP_ADAPTER_ADDRESSES);
    memset(block, 0, Needed(f));
    for (size_t i = 0; i < count; i++) {
        const FakeAdapter& a = f->adapters[i];
        IP_ADAPTER_ADDRESSES& r = adapters[i];
        r.Length = sizeof(r);
        r.IfIndex = a.index;
        r.IfType = a.ifType;
        r.OperStatus = a.up ? IfOperStatusUp : IfOperStatusDown;
        r.Next = i + 1 < count ? &adapters[i + 1] : nullptr;
        IP_ADAPTER_UNICAST_ADDRESS* previous = nullptr;
        for (const std::string& ip : a.ipv4) {
            IP_ADAPTER_UNICAST_ADDRESS* u = (IP_ADAPTER_UNICAST_ADDRESS*)tail;
            tail += sizeof(*u);
            sockaddr_in* s = (sockaddr_in*)tail;
            tail += sizeof(*s);
            unsigned b[4] = {};
            sscanf(ip.c_str(), "%u.%u.%u.%u", &b[0], &b[1], &b[2], &b[3]);
            s->sin_family = AF_INET;
            BYTE* bytes = (BYTE*)&s->sin_addr;
            for (int k = 0; k < 4; k++) bytes[k] = (BYTE)b[k];
            u->Length = sizeof(*u);
            u->Address.lpSockaddr = (sockaddr*)s;
            u->Address.iSockaddrLength = sizeof(*s);
            if (previous)
                previous->Next = u;
            else
                r.FirstUnicastAddress = u;
            previous = u;
        }
    }
}

static ULONG FakeReadAdapters(_IP_ADAPTER_ADDRESSES_LH* buffer, ULONG* size)
{
    FakeNetwork* f = Fake();
    if (!f) return ERROR_NO_DATA;
    f->reads++;
    ULONG needed = Needed(f);
    if (!buffer || *size < needed) {
        *size = needed;
        // The list grows between the size query and the read.
        if (f->grow) {
            f->adapters.push_back(f->growBy);
            f->grow = false;
        }
        return ERROR_BUFFER_OVERFLOW;
    }
    if (f->adapters.empty()) return ERROR_NO_DATA;
    Lay(f, (BYTE*)buffer);
    return NO_ERROR;
}

static bool FakeWirelessName(uint8_t name[32], ULONG* length)
{
    FakeNetwork* f = Fake();
    if (!f || !f->wireless) return false;
    memset(name, 0, 32);
    memcpy(name, f->ssid.data(), f->ssid.size() < 32 ? f->ssid.size() : 32);
    *length = f->ssidLength >= 0 ? (ULONG)f->ssidLength : (ULONG)f->ssid.size();
    return true;
}

static bool FakeInternet()
{
    FakeNetwork* f = Fake();
    return f && f->internet;
}

void InstallFakeNetwork(FakeNetwork* fake)
{
    g_fake = fake;
    if (!fake) {
        SetNetworkPlatform(nullptr);
        return;
    }
    NetworkPlatform p = {FakeBestInterface, FakeReadAdapters, FakeWirelessName, FakeInternet};
    SetNetworkPlatform(&p);
}
