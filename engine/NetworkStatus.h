// NetworkStatus.h - the machine's network attachment: status, type, IPv4
// address and wireless network name, read through a seam tests replace.
#pragma once

#include <windows.h>

#include <stdint.h>

#define NET_TYPE_UNKNOWN 0
#define NET_TYPE_LAN     1
#define NET_TYPE_WIFI    2

#define NET_STATUS_DISCONNECTED 0
#define NET_STATUS_LAN          1
#define NET_STATUS_INTERNET     2

// Compared field by field with the previous state; zeroed before it is filled.
struct NetworkState {
    char     ip[66];     // dotted IPv4 text, empty when none
    uint32_t type;       // NET_TYPE_*
    uint32_t status;     // NET_STATUS_*
    char     ssid[33];   // wireless network name, empty otherwise
};

struct _IP_ADAPTER_ADDRESSES_LH;

// The facts the status is made of. Null members use the system.
struct NetworkPlatform {
    // The interface of the route to the internet; false without one.
    bool (*bestInterface)(DWORD* index);
    // GetAdaptersAddresses with any family and flags 0x0C: ERROR_BUFFER_OVERFLOW
    // and the size needed when the buffer is too small.
    ULONG (*readAdapters)(_IP_ADAPTER_ADDRESSES_LH* buffer, ULONG* size);
    // The connected wireless network's name: up to 32 bytes and their count
    // as the library reports it; false when there is none.
    bool (*wirelessName)(uint8_t name[32], ULONG* length);
    bool (*internetConnected)();
};
// IP interface change notifications were registered at start-up; without
// them no network trigger fires. UI thread.
extern uint8_t g_networkNotifications;

// Set on the UI thread; null restores the system's.
void SetNetworkPlatform(const NetworkPlatform* platform);

// Loads "Wlanapi.dll" and its six entry points; false at the first missing one.
bool LoadWlanApi();
// Opens a wireless client handle and registers the callback for every
// notification; false when the library is not loaded or refuses.
bool StartWlanNotifications(void(CALLBACK* callback)(PVOID data, PVOID context));
// Closes the notification handle and frees the library (shutdown).
void UnloadWlanApi();

// 0 success, 1 no state can be given (no wireless library, no route, no
// usable adapter), or a system error code.
uint32_t QueryNetworkStatus(NetworkState* out);
