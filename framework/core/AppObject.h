// AppObject.h - the framework's one application object and its start-up records.
#pragma once

#include <windows.h>

#include <stdint.h>

#include "framework/core/CommandTable.h"
#include "framework/core/GrowArray.h"
#include "framework/core/InstallRecord.h"
#include "framework/core/StringTable.h"

// Framework result codes.
#define ZRP_OK               0
#define ZRP_ERR_WINDOW       0xF002
#define ZRP_ERR_COMMAND_ID   0xF007
#define ZRP_ERR_ICON         0xF00A
#define ZRP_ERR_COMMAND      0xF00B
#define ZRP_END_HANDED_OVER  0xF012
#define ZRP_ERR_STARTUP_DIR  0xF013
#define ZRP_ERR_COMCTL       0xF015
#define ZRP_ERR_INSTALL      0xF016
#define ZRP_END_DATA_FOLDER  0xF019

// Why the configuration archive left for this start was refused (the program
// entry reports it; the framework only records it).
#define CONFIG_REFUSED_NAME  1   // an entry name leaves the data folder or is no Windows name
#define CONFIG_REFUSED_SIZE  2   // too many entries, or too many bytes once unpacked
#define CONFIG_REFUSED_DATA  3   // data that does not read back whole

// One 260-character text: element of text lists.
struct PathText {
    char text[MAX_PATH];
};

struct CommandLineOption {
    char name[MAX_PATH];               // with its "-", empty before the first option
    GrowArray<PathText> arguments;     // in command-line order
};

#pragma pack(push, 1)
// "(ZRP)App": the framework's own record, 297 bytes.
struct AppRecord {
    uint32_t language;            // 0 English, 1 Deutsch; 2 or more reads as 0
    uint32_t initialised;         // 1 after the first start
    uint8_t  colourMode;          // 0 none, 1 default, 2 custom
    uint32_t backgroundColour;
    uint32_t reserved1;
    uint32_t focusColour;
    uint32_t textColour;
    uint32_t highlightTextColour;
    uint32_t reserved2;
    char     fontFace[260];       // empty: the default user interface font
    uint32_t fontSize;            // points
};
#pragma pack(pop)
static_assert(sizeof(AppRecord) == 297, "(ZRP)App layout changed");

struct AppWindow;

// What the first application window receives to draw an owner-drawn command
// icon (ZRPMSG_OWNERDRAWICON); an empty rectangle asks for the icon's size.
struct OwnerDrawnIcon {
    uint16_t commandId;
    RECT     rect;
};

struct AppObject {
    HINSTANCE instance;
    uint32_t  processId;
    uint16_t  productNameId;
    char      productName[MAX_PATH];
    uint32_t  versionMajor, versionMinor, versionBuild;
    char      commandLine[1040];
    char      programFolder[MAX_PATH];
    char      modulePath[MAX_PATH];
    char      dataFolder[MAX_PATH];        // empty until start-up has settled it
    char      commonDataFolder[MAX_PATH];
    WNDPROC   savedWindowProc;
    WNDPROC   productWindowProc;           // subclasses every application window
    HWND      tooltipWindow;
    HWND      controlWindow;
    uint32_t  trayIconId;
    uint32_t  windowsVersion;              // 6, 7, 8, 10, 11, or 0
    uint8_t   isWow64;
    uint32_t  taskbarCreatedMsg;
    uint32_t  controlMsg;
    uint8_t   handedOver;                  // this start only handed over (or quit)
    uint8_t   inMessageLoop;
    uint32_t  instanceToken;               // CRC-32 of productName
    uint8_t   autostart, minimize, taskScheduler;
    uint8_t   configImported;
    uint32_t  configRefused;               // CONFIG_REFUSED_*: this start's archive was not imported
    char      configKeptPath[MAX_PATH];    // where that archive was kept; empty when it is gone
    uint32_t  restartMode;                 // 0 none, 1 restart, 2 restart elevated
    char      restartCommandLine[MAX_PATH];
    char      archiveKeepPatterns[MAX_PATH];
    char      archiveExtraPattern[MAX_PATH];
    uint8_t   broadcastRestart;
    uint32_t  doubleClickTime;
    uint8_t   firstStart;
    uint32_t  customColours[5];
    char      uiFontFace[MAX_PATH];
    char      messageFontFace[MAX_PATH];
    AppRecord appRecord;
    InstallRecord installRecord;
    uint16_t  menuWindowNumber;
    void*     openRootPopup;               // the active menu-bar popup (a menu item)
    uint8_t   menuMode;
    void*     menuBarItem;
    uint8_t   contextMenuTracking;         // a context menu is tracked modally
    uint16_t  contextMenuResult;           // the command picked while it was
    // The UI items the mouse is over and pressed on (their windows) and the
    // item whose help the status line shows; the toolkit clears each one that
    // names an item it destroys.
    HWND      hoverItemWindow;
    HWND      pressedItemWindow;
    void*     statusHoverItem;
    uint64_t  lastButtonDown[3];           // tick of the last left, right, middle press
    uint8_t   acceleratorsEnabled;
    HICON     appIcon;
    HDC       iconDC;                      // 16 x 16 drawing surface for icons
    HBITMAP   iconBitmap;
    HGDIOBJ   iconDCOldBitmap;
    StringTable strings;
    GrowArray<AppWindow*> windows;         // sorted by window number
    GrowArray<void*> itemBars;             // never filled by this program
    GrowArray<void*> liveItems;
    GrowArray<CommandEntry> commands;      // sorted by id
    GrowArray<AcceleratorEntry> accelerators;
    GrowArray<void*> menuBarItems;
    GrowArray<CommandLineOption> options;
};

// Filled by start-up on the UI thread; other threads read only fields that no
// longer change (folders, names, registered message ids).
extern AppObject g_app;

// Framework messages between instances and windows.
#define ZRPMSG_LAYOUT            0x83E9
#define ZRPMSG_WINDOWMENU        0x83EA
#define ZRPMSG_SAVEALL           0x83EC
#define ZRPMSG_COMMAND           0x83ED
#define ZRPMSG_SETPOPUP          0x83EE
#define ZRPMSG_GETPOPUP          0x83EF
#define ZRPMSG_GETMENUITEMS      0x83F0
#define ZRPMSG_TRAYNOTIFY        0x83F1
#define ZRPMSG_BARSHOWN          0x83F7
#define ZRPMSG_ACTIVATE          0x83F8
#define ZRPMSG_HELP              0x83FA
#define ZRPMSG_TABORDER          0x83FB
#define ZRPMSG_PAINTBACKGROUND   0x83FC
#define ZRPMSG_OWNERDRAWICON     0x83FE   // wParam DC, lParam OwnerDrawnIcon*
#define ZRPMSG_NEWCOMMANDLINE    0x83FF
#define ZRPMSG_STYLECHANGED      0x8400
#define ZRPMSG_TASKBARCREATED    0x8401
#define ZRPMSG_MENUBARMODE       0x8402
#define ZRPMSG_MODALDEPTH        0x8403
#define ZRPMSG_ITEMNOTIFY        0x8404
#define ZRPMSG_QUIT              0x8405
#define ZRPMSG_RESTART           0x8406
#define ZRPMSG_GETCOMMANDTEXT    0x8407
#define ZRPMSG_CANOPENPOPUP      0x8408
#define ZRPMSG_ITEMDRAGOUT       0x840A
#define ZRPMSG_MONITORSCHANGED   0x840C
#define ZRPMSG_DPICHANGED        0x840D
// Posted to the control window by the update check's thread: the dialog for a
// newer version is made on the UI thread (FrameworkHooks.showFoundUpdate).
#define WM_CONTROL_UPDATEFOUND   (WM_APP + 0x100)

//--- application object and start-up
void AppConstruct(AppObject* app);
// 0 started; ZRP_END_HANDED_OVER or ZRP_END_DATA_FOLDER end quietly; any other
// code ends the program after the error box was shown.
int AppInitialize(AppObject* app, HINSTANCE instance, StringTableEntry* productTable,
                  const char* commandLine);
void AppQuit(AppObject* app, int mode, bool broadcast);
void AppCloseWindows(AppObject* app);
void AppDestruct(AppObject* app);
void SaveLayoutRecords(AppObject* app);
// The stored value's size, 0 when the key or value is missing or not binary.
// With a null buffer only the size is asked for. The value is
// copied only when it fits bufferSize, so an over-long record is never cut
// down to a size that looks right.
uint32_t ReadInstallRecord(const char* name, void* buffer, uint32_t bufferSize);
// 0 writable, 1 cannot be created, 2 no file can be made in it.
int TestDataFolderWritable(const char* folder);
