// ProductIds.h - the product's command ids, private messages and the flag
// words its command rows carry.
#pragma once

#include <windows.h>

#include "framework/core/CommandTable.h"

//--- commands of the tray and profile menus and the rule tree
#define CMD_TRAY_MENU          1000
#define CMD_TRAY_ENABLED       1011
#define CMD_TRAY_OPEN          1012
#define CMD_TRAY_QUIT          1020
#define CMD_PROFILE_MENU       1100   // popup; 1101-1116 switch to profile id - 1101
#define CMD_PROFILE_SWITCH     1101
#define CMD_EXECUTE_MENU       1120   // popup; 1121-1136 execute profile id - 1121
#define CMD_PROFILE_EXECUTE    1121
#define CMD_UPDATE_MENU        1140   // popup; 1141-1156 update profile id - 1141
#define CMD_PROFILE_UPDATE     1141
#define PROFILE_MENU_ROWS      16
#define CMD_RULE_LIST          1199
#define CMD_CONTEXT_MENU       1200   // popup; the rule tree's context menu 1201-1210
#define CMD_CONTEXT_FIRST      1201
#define CMD_CONTEXT_LAST       1210
#define CMD_RULE_COMBO         1248
#define CMD_TEMPLATE_LIST      1293
#define CMD_TRAY_LIST          1294
#define CMD_EXPAND_MENU        1300   // popup; 1301 expand, 1302 collapse
#define CMD_EXPAND_ALL         1301
#define CMD_COLLAPSE_ALL       1302

// Flag words of the product's command rows.
#define PCMD_TEXT          (CMD_MENUTOOLTIP | CMD_SHOWTEXT)                 // 0x40080
#define PCMD_BOLDTEXT      (CMD_MENUTOOLTIP | CMD_SHOWTEXT | CMD_BOLD)      // 0x400C0
#define PCMD_ICONTEXT      (CMD_MENUTOOLTIP | CMD_SHOWICON | CMD_SHOWTEXT)  // 0x40180
#define PCMD_BOLDICONTEXT  (PCMD_ICONTEXT | CMD_BOLD)                       // 0x401C0
#define PCMD_POPUP         CMD_SHOWTEXT                                     // 0x80
#define PCMD_LIST          (CMD_SPLITARROW | CMD_ARROWPRESSED)              // 0x3000000

// UI item type codes of the command rows.
#define ITEM_BUTTON    1
#define ITEM_POPUP     3
#define ITEM_SEPARATOR 4
#define ITEM_LIST      6

//--- private messages
#define WM_PROFILE_RULESCHANGED 0x405     // to the main dialog: wParam 1 refill, 0 refresh; lParam rule id or -1
#define WM_CAPTUREFRAME         0x406     // to the main window: frame the window in lParam, 0 removes
#define WM_DESKTOPEVENT_BASE    0x464     // to the main window: + the virtual-desktop event code
#define WM_WAKEWORKER           0x465     // to the main window: a window changed desktop, run a pass
#define WM_DESKTOP_DESTROYED    0x466     // to the main window: a virtual desktop was destroyed
#define WM_DESKTOP_CREATED      0x469     // to the main window: a virtual desktop was created
#define WM_TRAY_MINIMIZE        0x8000    // to the main window: minimise a window to the tray
#define WM_TRAY_REFRESH         0x8001    // tray icon refresh or removal
#define WM_TRAY_SLOTICON        0x8002    // callback of a tray slot's icon
#define WM_WINDOW_MINIMIZED     0x8003    // a monitored window was minimised; answered 1 when it went to the tray
#define WM_LOGLINE              0x800A    // to the log window: one line in lParam
#define WM_SELECTWINDOWROWS     0x800B    // to the Window List: select the rows of the window in lParam
#define WM_NETWORKCHANGED       (WM_APP + 0x21)   // to the main window, from system threads
#define WM_SCRIPTREQUEST        (WM_APP + 0x22)   // to the main window, from a script: wParam SCRIPT_REQUEST_*

// Commands of a tray slot's menu, at the main window.
#define TRAY_SLOT_COMMAND_FIRST 0x1001
#define TRAY_SLOT_COMMAND_LAST  0x1005

// Controls of the main dialog the engine reaches: its "Quit" button, its
// "Enabled" box and the "All Windows" and "Update" commands.
#define MAIN_DIALOG_QUIT     1033
#define MAIN_DIALOG_ALLWIN   1041
#define MAIN_DIALOG_UPDATE   1043
#define MAIN_DIALOG_ENABLED  1063

// wParam of ZRPMSG_NEWCOMMANDLINE when the main dialog is to open instead.
#define NEWCOMMANDLINE_OPEN_DIALOG 1234

// The main window's 1000 ms timer.
#define MAIN_TIMER_ID 0x1234

// The program's exit code when a window, event or thread cannot be created.
#define ERR_PROGRAM_INIT 5006
