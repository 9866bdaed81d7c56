// ScriptRequests.h - what scripts ask the main window to do on the UI thread.
#pragma once

#include <windows.h>

// Profile switches asked by scripts in a row that still run the scripts of the
// profiles they switch to; the next switch of such a chain runs none.
#define SCRIPT_SWITCH_CHAIN_MAX 8

// Carries out one WM_SCRIPTREQUEST (wParam the SCRIPT_REQUEST_* kind, lParam
// its value) and frees what the request owns. UI thread.
void HandleScriptRequest(WPARAM kind, LPARAM value);
