// ProductUiSetup.h - what a program needs to show the product's dialogs
// outside the real program (the screenshot host, the dialog benchmark): the
// application object with its texts, theme and item class, and the commands
// of the rule tree's menu and the Window List's list.
#pragma once

#include "engine/FrameworkServices.h"
#include "engine/ProductIds.h"
#include "engine/ProductStrings.h"
#include "engine/WindowTable.h"
#include "framework/core/AppObject.h"
#include "framework/core/AppStartup.h"
#include "framework/core/CommandTable.h"
#include "framework/core/MonitorTable.h"
#include "framework/core/TextUtil.h"
#include "framework/ui/Theme.h"
#include "framework/ui/UIItem.h"

inline void SetUpApp(HINSTANCE instance)
{
    LoadDpiFunctions();
    MakeProcessDpiAware();
    AppConstruct(&g_app);
    g_app.instance = instance;
    g_app.strings.productTables[0] = g_productStrings;
    g_app.strings.productCount = SortStringTable(g_productStrings);
    CopyText(g_app.productName, sizeof(g_app.productName), AppText(IDS_PRODUCT_NAME));
    NONCLIENTMETRICSA ncm = {};
    ncm.cbSize = sizeof(ncm);
    SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof(ncm), &ncm, 0);
    CopyText(g_app.uiFontFace, sizeof(g_app.uiFontFace),
             ncm.lfMessageFont.lfFaceName[0] ? ncm.lfMessageFont.lfFaceName : "MS Shell Dlg");
    InstallFrameworkHooks();
    InitThemeColours(&g_app);
    HDC screen = GetDC(nullptr);
    CreateBaseFonts(&g_app, nullptr, 0, GetDeviceCaps(screen, LOGPIXELSY));
    ReleaseDC(nullptr, screen);
    WNDCLASSA wc = {};
    wc.lpfnWndProc = UIItemWndProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, (LPCSTR)IDC_ARROW);
    wc.lpszClassName = "ZRPAppUIItem";
    RegisterClassA(&wc);
    InitTableLock();
}

// The framework's commands (the separator among them), the rule tree's menu
// and the Window List's list as the program registers them.
inline void RegisterTreeMenu()
{
    RegisterFrameworkCommands(&g_app);
    static const uint16_t kList[] = {1201, CMD_SEPARATOR, 1202, 1203, 1204, CMD_SEPARATOR, 1205, 1206,
                                     1207, 1208, CMD_SEPARATOR, 1209, 1210, CMD_LIST_END};
    static const struct { uint16_t id, image; } kImages[] = {
        {1202, 22}, {1203, 28}, {1204, 26}, {1205, 21}, {1206, 24}, {1207, 25}, {1208, 23}, {1209, 32}, {1210, 33}};
    for (const auto& i : kImages) AddCommandIcon(&g_app, i.id, i.image);
    for (uint16_t id = 1201; id <= 1210; id++)
        AddCommand(&g_app, id, ITEM_BUTTON, id == 1201 ? PCMD_TEXT : id == 1202 ? PCMD_BOLDICONTEXT : PCMD_ICONTEXT,
                   0xFFFF, 0xFFFF, 0, 0, 0);
    AddCommand(&g_app, CMD_CONTEXT_MENU, ITEM_POPUP, PCMD_POPUP, 0xFFFF, 0xFFFF, (intptr_t)kList, 0, 0);
    AddCommand(&g_app, CMD_RULE_COMBO, ITEM_LIST, PCMD_LIST | CMD_ENABLED, 0xFFFF, 0xFFFF, 0, 0, 0);
}

