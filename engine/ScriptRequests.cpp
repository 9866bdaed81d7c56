// ScriptRequests.cpp - profile and desktop switches and windows back from the
// tray, asked for by scripts and carried out by the main window.
#include "engine/ScriptRequests.h"

#include "engine/ProfileStore.h"
#include "engine/ProfileSwitch.h"
#include "engine/Rules.h"
#include "engine/Script.h"
#include "engine/TraySlots.h"
#include "vdesktop/VirtualDesktop.h"

#include <stdlib.h>

static void SwitchToNamedProfile(const ScriptProfileRequest* request)
{
    int index = -1;
    for (int i = 0; i < g_profiles.count && index < 0; i++)
        if (lstrcmpiA(g_profiles.data[i].szGenName, request->name) == 0) index = i;
    if (index < 0) return;
    // The scripts this switch starts carry the chain; past the limit it runs
    // none. The switch pumps messages while it waits for the table: a request
    // handled meanwhile gives the chain back.
    uint8_t outer = g_profileScriptChain;
    g_profileScriptChain = request->switchChain;
    SwitchProfile(index, PROFILE_SOURCE_USER, 1, 1);
    g_profileScriptChain = outer;
}

void HandleScriptRequest(WPARAM kind, LPARAM value)
{
    switch (kind) {
    case SCRIPT_REQUEST_PROFILE: {
        ScriptProfileRequest* request = (ScriptProfileRequest*)value;
        if (request) SwitchToNamedProfile(request);
        free(request);
        return;
    }
    case SCRIPT_REQUEST_DESKTOP:
        if (g_virtualDesktop) g_virtualDesktop->SwitchToDesktop((int)value);
        return;
    case SCRIPT_REQUEST_FROM_TRAY: {
        HWND window = (HWND)value;
        if (!IsWindow(window)) return;
        RemoveTrayIcon(window);
        ShowWindow(window, SW_SHOW);
        SetForegroundWindow(window);
        return;
    }
    }
}
