// MessageBox.h - the framework's message box: dialog 50100 with a formatted
// text, an owner-drawn system icon, one of four button sets and an optional
// bold headline.
#pragma once

#include <windows.h>

#include <stdint.h>

struct AppObject;

// Flag word: icon kind in the low nibble, button set, default-button forcing.
#define MB_ZRP_ERROR       0x1
#define MB_ZRP_WARNING     0x2
#define MB_ZRP_INFO        0x4
#define MB_ZRP_QUESTION    0x8
#define MB_ZRP_OK          0x10
#define MB_ZRP_OKCANCEL    0x20
#define MB_ZRP_YESNO       0x40
#define MB_ZRP_YESNOCANCEL 0x80
#define MB_ZRP_HEADLINE    0x100
#define MB_ZRP_FORCEOK     0x200
#define MB_ZRP_FORCECANCEL 0x400
#define MB_ZRP_FORCEYES    0x800
#define MB_ZRP_FORCENO     0x1000
#define MB_ZRP_APPICON     0x2000

// The longest text the box shows; the rest is cut.
#define MESSAGEBOX_TEXT_MAX 2047

// Shows the box and returns the button (IDOK, IDCANCEL, IDYES, IDNO), or -666
// when the text cannot be built. Each box keeps its own state, so a box
// opened from inside another's modal loop leaves the first intact.
int AppMessageBox(AppObject* app, HWND owner, const char* caption, const char* format,
                  uint32_t flags, int focusControl, ...);

// Tests answer the box instead of a user: the hook sees the finished text and
// returns the button. Null shows the real box.
typedef int (*MessageBoxHook)(const char* caption, const char* text, uint32_t flags);
void SetMessageBoxHook(MessageBoxHook hook);

// The button that is the default for a flag word.
int DefaultMessageBoxButton(uint32_t flags);

// Raises or lowers the application's modal depth (never below 0) and tells
// every application window (ZRPMSG_MODALDEPTH); the new depth.
int ChangeModalDepth(AppObject* app, int delta);
