// NetworkStatus.cpp - the network status from the IP helper, the Native Wifi
// library (loaded at run time) and the network list manager.
#include <winsock2.h>
#include <ws2ipdef.h>
#include <iphlpapi.h>
#include <netlistmgr.h>
#include <wlanapi.h>

#include "engine/NetworkStatus.h"

#include "framework/core/TextUtil.h"

#include <stdlib.h>
#include <string.h>

//--- the wireless library

// MinGW's l2cmn.h lacks the value its wlanapi.h names.
#ifndef L2_NOTIFICATION_SOURCE_ALL
#define L2_NOTIFICATION_SOURCE_ALL 0x0000FFFF
#endif

typedef DWORD(WINAPI* WlanOpenHandleProc)(DWORD, PVOID, PDWORD, PHANDLE);
typedef DWORD(WINAPI* WlanEnumInterfacesProc)(HANDLE, PVOID, PWLAN_INTERFACE_INFO_LIST*);
typedef DWORD(WINAPI* WlanQueryInterfaceProc)(HANDLE, const GUID*, WLAN_INTF_OPCODE, PVOID, PDWORD, PVOID*,
                                              PWLAN_OPCODE_VALUE_TYPE);
typedef VOID(WINAPI* WlanFreeMemoryProc)(PVOID);
typedef DWORD(WINAPI* WlanCloseHandleProc)(HANDLE, PVOID);
typedef DWORD(WINAPI* WlanRegisterNotificationProc)(HANDLE, DWORD, BOOL, WLAN_NOTIFICATION_CALLBACK, PVOID,
                                                    PVOID, PDWORD);

// Written on the UI thread at start-up and shutdown only.
uint8_t g_networkNotifications;

static HMODULE g_wlanLibrary;
static WlanOpenHandleProc g_wlanOpenHandle;
static WlanEnumInterfacesProc g_wlanEnumInterfaces;
static WlanQueryInterfaceProc g_wlanQueryInterface;
static WlanFreeMemoryProc g_wlanFreeMemory;
static WlanCloseHandleProc g_wlanCloseHandle;
static WlanRegisterNotificationProc g_wlanRegisterNotification;
static bool g_wlanAvailable;
static HANDLE g_wlanNotifyHandle;

template <typename T>
static bool Resolve(T* proc, const char* name)
{
    *proc = (T)(void*)GetProcAddress(g_wlanLibrary, name);
    return *proc != nullptr;
}

bool LoadWlanApi()
{
    if (g_wlanAvailable) return true;
    if (!g_wlanLibrary) g_wlanLibrary = LoadLibraryA("Wlanapi.dll");
    if (!g_wlanLibrary) return false;
    g_wlanAvailable = Resolve(&g_wlanOpenHandle, "WlanOpenHandle") &&
                      Resolve(&g_wlanEnumInterfaces, "WlanEnumInterfaces") &&
                      Resolve(&g_wlanQueryInterface, "WlanQueryInterface") &&
                      Resolve(&g_wlanFreeMemory, "WlanFreeMemory") &&
                      Resolve(&g_wlanCloseHandle, "WlanCloseHandle") &&
                      Resolve(&g_wlanRegisterNotification, "WlanRegisterNotification");
    return g_wlanAvailable;
}

bool StartWlanNotifications(void(CALLBACK* callback)(PVOID data, PVOID context))
{
    if (!g_wlanAvailable || g_wlanNotifyHandle) return false;
    DWORD version = 0;
    HANDLE h = nullptr;
    if (g_wlanOpenHandle(2, nullptr, &version, &h) != ERROR_SUCCESS) return false;
    g_wlanNotifyHandle = h;
    return g_wlanRegisterNotification(h, WLAN_NOTIFICATION_SOURCE_ALL, FALSE,
                                      (WLAN_NOTIFICATION_CALLBACK)(void*)callback, nullptr, nullptr,
                                      nullptr) == ERROR_SUCCESS;
}

void UnloadWlanApi()
{
    if (g_wlanNotifyHandle) g_wlanCloseHandle(g_wlanNotifyHandle, nullptr);
    g_wlanNotifyHandle = nullptr;
    g_wlanAvailable = false;
    if (g_wlanLibrary) FreeLibrary(g_wlanLibrary);
    g_wlanLibrary = nullptr;
}

//--- the system's facts

static bool SystemBestInterface(DWORD* index)
{
    // Any public address will do: only the route to it is asked for.
    const BYTE address[4] = {8, 8, 8, 8};
    IPAddr destination;
    memcpy(&destination, address, sizeof(destination));
    return GetBestInterface(destination, index) == NO_ERROR;
}

static ULONG SystemReadAdapters(_IP_ADAPTER_ADDRESSES_LH* buffer, ULONG* size)
{
    return GetAdaptersAddresses(AF_UNSPEC, GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER, nullptr,
                                buffer, size);
}

static bool SystemWirelessName(uint8_t name[32], ULONG* length)
{
    if (!g_wlanAvailable) return false;
    DWORD version = 0;
    HANDLE h = nullptr;
    if (g_wlanOpenHandle(2, nullptr, &version, &h) != ERROR_SUCCESS) return false;
    bool found = false;
    PWLAN_INTERFACE_INFO_LIST list = nullptr;
    if (g_wlanEnumInterfaces(h, nullptr, &list) == ERROR_SUCCESS && list) {
        for (DWORD i = 0; i < list->dwNumberOfItems; i++) {
            const WLAN_INTERFACE_INFO& info = list->InterfaceInfo[i];
            if (info.isState != wlan_interface_state_connected) continue;
            DWORD dataSize = 0;
            PWLAN_CONNECTION_ATTRIBUTES connection = nullptr;
            if (g_wlanQueryInterface(h, &info.InterfaceGuid, wlan_intf_opcode_current_connection, nullptr,
                                     &dataSize, (PVOID*)&connection, nullptr) == ERROR_SUCCESS &&
                connection) {
                const DOT11_SSID& ssid = connection->wlanAssociationAttributes.dot11Ssid;
                *length = ssid.uSSIDLength;
                memcpy(name, ssid.ucSSID, 32);
                found = true;
                g_wlanFreeMemory(connection);
            }
            break;
        }
    }
    if (list) g_wlanFreeMemory(list);
    g_wlanCloseHandle(h, nullptr);
    return found;
}

static bool SystemInternetConnected()
{
    // Apartment-threaded for this call; a thread already in the other model
    // keeps it.
    HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    bool connected = false;
    INetworkListManager* manager = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_NetworkListManager, nullptr, CLSCTX_ALL, IID_INetworkListManager,
                                   (void**)&manager)) &&
        manager) {
        VARIANT_BOOL answer = VARIANT_FALSE;
        connected = SUCCEEDED(manager->IsConnectedToInternet(&answer)) && answer == VARIANT_TRUE;
        manager->Release();
    }
    if (SUCCEEDED(init)) CoUninitialize();
    return connected;
}

static NetworkPlatform g_platform;

void SetNetworkPlatform(const NetworkPlatform* platform)
{
    g_platform = platform ? *platform : NetworkPlatform{};
}

//--- the query

// The adapter list in a buffer the caller frees; the list may grow between
// asking for its size and reading it, so a short buffer is tried again.
static uint32_t ReadAdapterList(IP_ADAPTER_ADDRESSES** out)
{
    ULONG (*read)(_IP_ADAPTER_ADDRESSES_LH*, ULONG*) =
        g_platform.readAdapters ? g_platform.readAdapters : SystemReadAdapters;
    *out = nullptr;
    ULONG size = 0;
    ULONG r = read(nullptr, &size);
    for (int attempt = 0; attempt < 4; attempt++) {
        if (r != ERROR_BUFFER_OVERFLOW && r != NO_ERROR) return 0x80004005;
        if (size == 0) return 0x80004005;
        IP_ADAPTER_ADDRESSES* buffer = (IP_ADAPTER_ADDRESSES*)malloc(size);
        if (!buffer) return 0x8007000E;
        r = read(buffer, &size);
        if (r == NO_ERROR) {
            *out = buffer;
            return 0;
        }
        free(buffer);
    }
    return 0x80004005;
}

// Dotted text of an IPv4 socket address; false for anything else.
static bool Ipv4Text(const SOCKET_ADDRESS& address, char* text, size_t capacity)
{
    const sockaddr* a = address.lpSockaddr;
    if (!a || a->sa_family != AF_INET || address.iSockaddrLength < (INT)sizeof(sockaddr_in)) return false;
    const BYTE* b = (const BYTE*)&((const sockaddr_in*)a)->sin_addr;
    return FormatText(text, capacity, "%u.%u.%u.%u", b[0], b[1], b[2], b[3]);
}

uint32_t QueryNetworkStatus(NetworkState* out)
{
    if (!out) return 0x80004003;
    if (!g_wlanAvailable) return 1;
    *out = NetworkState{};
    DWORD best = 0;
    if (!(g_platform.bestInterface ? g_platform.bestInterface : SystemBestInterface)(&best)) return 1;
    IP_ADAPTER_ADDRESSES* list = nullptr;
    uint32_t r = ReadAdapterList(&list);
    if (r != 0) return r;

    const IP_ADAPTER_ADDRESSES* adapter = nullptr;
    for (const IP_ADAPTER_ADDRESSES* a = list; a && !adapter; a = a->Next)
        if (a->IfIndex == best && a->OperStatus == IfOperStatusUp &&
            (a->IfType == IF_TYPE_ETHERNET_CSMACD || a->IfType == IF_TYPE_IEEE80211))
            adapter = a;
    if (!adapter) {
        free(list);
        out->type = NET_TYPE_UNKNOWN;
        out->status = NET_STATUS_DISCONNECTED;
        return 1;
    }
    for (const IP_ADAPTER_UNICAST_ADDRESS* u = adapter->FirstUnicastAddress; u; u = u->Next) {
        if (!u->Address.lpSockaddr || u->Address.lpSockaddr->sa_family != AF_INET) continue;
        if (!Ipv4Text(u->Address, out->ip, sizeof(out->ip))) out->ip[0] = '\0';
    }
    out->type = adapter->IfType == IF_TYPE_IEEE80211 ? NET_TYPE_WIFI : NET_TYPE_LAN;
    free(list);

    if (out->type == NET_TYPE_WIFI) {
        uint8_t name[32] = {};
        ULONG length = 0;
        if ((g_platform.wirelessName ? g_platform.wirelessName : SystemWirelessName)(name, &length) &&
            length >= 1 && length <= 32) {
            memcpy(out->ssid, name, length);
            out->ssid[length] = '\0';
        }
    }
    bool internet = (g_platform.internetConnected ? g_platform.internetConnected : SystemInternetConnected)();
    out->status = internet ? NET_STATUS_INTERNET : NET_STATUS_LAN;
    return 0;
}
