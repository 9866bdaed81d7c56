// FakeNetwork.h - network facts a test chooses, fed to the program through
// its network seam: the route, the adapter list, the wireless name and the
// internet answer.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

struct FakeAdapter {
    DWORD index = 1;
    DWORD ifType = 6;                 // 6 Ethernet, 71 IEEE 802.11, 24 loopback
    bool up = true;
    std::vector<std::string> ipv4;    // dotted texts, in list order
};

struct FakeNetwork {
    bool route = true;                // a route to the internet exists
    DWORD best = 1;                   // its interface
    std::vector<FakeAdapter> adapters;
    bool wireless = false;            // a wireless network is connected
    std::string ssid;                 // its name bytes
    long ssidLength = -1;             // the length the library reports; -1: ssid's size
    bool internet = true;
    FakeAdapter growBy;               // appended once after the first size query, when grow is set
    bool grow = false;
    int reads = 0;                    // calls that asked for the adapter list
    std::function<void(FakeNetwork*)> refresh;   // run before every answer
};

// Makes the seam answer from *fake (which must outlive its use); null
// restores the system's.
void InstallFakeNetwork(FakeNetwork* fake);
