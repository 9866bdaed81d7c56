// ScriptRequests.h - what scripts ask the main window to do on the UI thread.
#pragma once

#include <windows.h>

// Carries out one WM_SCRIPTREQUEST (wParam the SCRIPT_REQUEST_* kind, lParam
// its value) and frees what the request owns. UI thread.
void HandleScriptRequest(WPARAM kind, LPARAM value);
