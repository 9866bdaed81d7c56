// MessageBox.h - the framework's message box.
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

// Shows the box and returns the button (IDOK, IDCANCEL, IDYES, IDNO), or -666
// when the text cannot be allocated.
int AppMessageBox(AppObject* app, HWND owner, const char* caption, const char* format,
                  uint32_t flags, int focusControl, ...);

// Tests answer the box instead of a user: the hook sees the finished text and
// returns the button. Null shows the real box.
typedef int (*MessageBoxHook)(const char* caption, const char* text, uint32_t flags);
void SetMessageBoxHook(MessageBoxHook hook);

// The button that is the default for a flag word.
int DefaultMessageBoxButton(uint32_t flags);
