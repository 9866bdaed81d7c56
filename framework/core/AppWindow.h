// AppWindow.h - framework application windows of class "ZRPWindow": placement
// record, styles, transparency, status texts, busy overlay and window menu.
#pragma once

#include <windows.h>

#include <stdint.h>

#include "framework/core/GrowArray.h"

struct AppObject;
struct OwnerDrawnIcon;

// AppWindow flags.
#define APPWIN_TASKBAR        0x1
#define APPWIN_RESIZABLE      0x2
#define APPWIN_KEEPONRESCHANGE 0x4
#define APPWIN_NOCAPTION      0x8
#define APPWIN_SMALLCAPTION   0x10
#define APPWIN_LOCKBARPOS     0x20
#define APPWIN_LOCKBARSIZE    0x40
#define APPWIN_LOCKPOS        0x80
#define APPWIN_TOPMOST        0x100
#define APPWIN_MAXIMISED      0x200
#define APPWIN_TOPWINDOW      0x400
#define APPWIN_BORDERLESS     0x800
#define APPWIN_LOCKSIZE       0x1000
#define APPWIN_ACCEPTFILES    0x2000
#define APPWIN_CREATED        0x10000000

#define APPWIN_DEFAULT_FLAGS  0x10000400u

struct StatusTextEntry {
    int32_t key;          // -3 base text, -2 hover help, -1 transient, 0+ the product's
    char    text[1024];
};

struct AppWindow {
    HWND     window;
    HWND     busyOverlay;
    HWND     savedFocus;
    uint16_t windowNumber;
    uint32_t flags;
    RECT     layoutRect;
    RECT     windowRect;
    RECT     normalRect;
    uint16_t statusCommand;     // 0xFFFF: none
    uint8_t  inStyleChange;
    int32_t  minTrackWidth, minTrackHeight;
    HICON    trayIcon;          // shared (LR_SHARED): never destroyed
    int32_t  transparency;      // percent
    uint8_t  clickThrough;
    uint32_t showParam;
    uint32_t dpi;
    uint16_t windowMenu[64];    // ends with 0xFFFF
    GrowArray<void*> dockBays;  // no item bar is ever docked in this program
    GrowArray<StatusTextEntry> statusTexts;
    HANDLE   statusMutex;
    void*    openPopup;
};

#pragma pack(push, 1)
// "(ZRP)Win<n>": 16 bytes.
struct AppWindowRecord {
    int16_t  left, top;
    uint16_t width, height;
    uint32_t flags;
    uint32_t transparencyWord;  // low byte percent, 0x1000 click-through
};
#pragma pack(pop)
static_assert(sizeof(AppWindowRecord) == 16, "(ZRP)Win layout changed");

// List index of the new window, or -1.
int CreateAppWindow(AppObject* app, const char* title);
int CreateAppWindowFrame(AppWindow* record, const char* title);
void DestroyAppWindow(AppWindow* record);
AppWindow* FindAppWindowById(AppObject* app, uint16_t number);
AppWindow* FindAppWindowByHandle(AppObject* app, HWND window);
void SaveWindowPlacement(AppWindow* record);
void GetAppWindowStyles(uint32_t flags, DWORD* style, DWORD* exStyle);
void ShowAppWindowAndBars(AppWindow* record, int showCommand, uint32_t param);
void SetAppWindowPos(AppWindow* record, int x, int y, int width, int height, bool show);
void SetAppWindowFlag(AppWindow* record, uint32_t bits, bool on);
void ToggleAppWindowFlag(AppWindow* record, uint32_t bits);
void SetCaptionStyle(AppWindow* record, uint32_t bits);
// Percent 0 makes the window opaque; true when the styles took.
bool SetWindowTransparency(HWND window, int percent, bool clickThrough);
// Removes the layered and click-through styles and redraws the window; true
// when the styles took.
bool MakeWindowOpaque(HWND window);
void SetAppWindowTransparency(AppWindow* record, int percent);
void SetAppWindowClickThrough(AppWindow* record, bool on);
void ShowBusyOverlay(AppWindow* record, bool on);
void SetStatusText(AppWindow* record, int key, const char* text);
void RepaintAppNonClient(AppObject* app);
void UpdateCommandStates(AppWindow* record);
void HandleWindowMenuCommand(AppWindow* record, uint16_t command);
// Draws the colour swatch of a Custom colour command (0xF134-0xF137) into
// the DC; an empty rectangle gets the swatch's 16 x 16 size. False for
// another command.
bool DrawWindowMenuIcon(HDC dc, OwnerDrawnIcon* request);
LRESULT CALLBACK AppWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Alpha for a transparency percent: (25500 - 255 x percent) / 100.
BYTE TransparencyAlpha(int percent);
