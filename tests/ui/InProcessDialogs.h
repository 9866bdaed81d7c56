// InProcessDialogs.h - what the product's dialogs need of the application
// object when a test shows them in its own process.
#pragma once

#include <windows.h>

#include "engine/ProductStrings.h"
#include "engine/WindowTable.h"
#include "framework/core/AppObject.h"
#include "framework/core/StringTable.h"
#include "framework/ui/Theme.h"

// The table lock, the product's texts, the instance, theme colours and fonts
// at 96 DPI.
inline void SetUpDialogApp()
{
    InitTableLock();
    if (!g_app.strings.productTables[0]) {
        g_app.strings.productTables[0] = g_productStrings;
        g_app.strings.productCount = SortStringTable(g_productStrings);
    }
    g_app.instance = GetModuleHandleA(nullptr);
    InitThemeColours(&g_app);
    CreateBaseFonts(&g_app, nullptr, 0, 96);
}

// A message-only window of its own class as the application's control
// window: lock waits pump this thread's messages, as in the program.
inline HWND MakeTestControlWindow(const char* className, WNDPROC proc)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = proc;
    wc.hInstance = g_app.instance;
    wc.lpszClassName = className;
    RegisterClassA(&wc);
    g_app.controlWindow =
        CreateWindowExA(0, className, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, g_app.instance, nullptr);
    return g_app.controlWindow;
}
