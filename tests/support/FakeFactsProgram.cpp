// FakeFactsProgram.cpp - linked into a copy of the program whose clock, input
// idle time, screensaver, mains power and network come from a file the test
// writes: "<data folder>\FakeFacts.txt", key=value lines, read at every call.
// A key that is missing leaves that fact to the system.
#include "engine/TriggerFacts.h"
#include "framework/core/AppObject.h"
#include "tests/support/FakeNetwork.h"

#include <stdio.h>
#include <stdlib.h>
#include <time.h>

#include <map>
#include <string>

namespace {

std::map<std::string, std::string> ReadFacts()
{
    std::map<std::string, std::string> facts;
    if (!g_app.dataFolder[0]) return facts;
    std::string path = std::string(g_app.dataFolder) + "\\FakeFacts.txt";
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) return facts;
    char line[512];
    while (fgets(line, sizeof(line), f)) {
        std::string s(line);
        while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
        size_t eq = s.find('=');
        if (eq != std::string::npos) facts[s.substr(0, eq)] = s.substr(eq + 1);
    }
    fclose(f);
    return facts;
}

bool Fact(const char* key, std::string* value)
{
    auto facts = ReadFacts();
    auto it = facts.find(key);
    if (it == facts.end()) return false;
    *value = it->second;
    return true;
}

int64_t FakeNow()
{
    std::string v;
    return Fact("clock", &v) ? _atoi64(v.c_str()) : (int64_t)_time64(nullptr);
}

uint64_t FakeIdle()
{
    std::string v;
    if (Fact("idle", &v)) return (uint64_t)_atoi64(v.c_str());
    LASTINPUTINFO info = {sizeof(info), 0};
    return GetLastInputInfo(&info) ? (uint64_t)(DWORD)(GetTickCount() - info.dwTime) : 0;
}

bool FakeScreensaver()
{
    std::string v;
    return Fact("screensaver", &v) && v == "1";
}

int FakeMains()
{
    std::string v;
    return Fact("mains", &v) ? atoi(v.c_str()) : -1;
}

void RealSleep(DWORD ms)
{
    Sleep(ms);
}

FakeNetwork g_network;

void RefreshNetwork(FakeNetwork* n)
{
    auto facts = ReadFacts();
    auto get = [&](const char* key, const char* fallback) {
        auto it = facts.find(key);
        return it == facts.end() ? std::string(fallback) : it->second;
    };
    n->route = get("net.route", "1") == "1";
    n->best = (DWORD)atoi(get("net.best", "7").c_str());
    n->adapters.clear();
    FakeAdapter a;
    a.index = 7;
    a.ifType = (DWORD)atoi(get("net.iftype", "6").c_str());
    a.up = get("net.up", "1") == "1";
    std::string ip = get("net.ip", "");
    if (!ip.empty()) a.ipv4.push_back(ip);
    n->adapters.push_back(a);
    n->wireless = facts.count("net.ssid") != 0;
    n->ssid = get("net.ssid", "");
    n->internet = get("net.internet", "1") == "1";
}

struct InstallFakes {
    InstallFakes()
    {
        TriggerFacts facts = {FakeNow, FakeIdle, FakeScreensaver, FakeMains, RealSleep};
        SetTriggerFacts(&facts);
        g_network.refresh = RefreshNetwork;
        InstallFakeNetwork(&g_network);
    }
} g_installFakes;

}  // namespace
