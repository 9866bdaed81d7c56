// HotkeyField.h - an edit control turned into the input of a key combination,
// with its "+" button and the "Select Key Combination" dialog (50104).
#pragma once

#include <windows.h>

#include <stdint.h>

class CList;

// A combination: the virtual-key code in the low byte, RegisterHotKey's
// modifiers in the high byte; 0 none.
#define HOTKEY_ALT   0x100
#define HOTKEY_CTRL  0x200
#define HOTKEY_SHIFT 0x400
#define HOTKEY_WIN   0x800

// Asked of the focused window (and of its root window): lParam points to a
// HotkeyField* that a hotkey field's edit, or the dialog, fills in.
#define WM_HOTKEYFIELD_QUERY 0x840F
// To the dialog from the keyboard hook: wParam the key, lParam the key
// flags; answered 1 when the key was taken.
#define WM_HOTKEYFIELD_KEY   (WM_USER + 99)

// Allowed modifiers of the dialog's check boxes.
#define HOTKEY_ALLOW_ALT   0x1
#define HOTKEY_ALLOW_CTRL  0x2
#define HOTKEY_ALLOW_SHIFT 0x4
#define HOTKEY_ALLOW_WIN   0x8

struct HotkeyField {
    uint16_t    combination;
    HWND        edit;
    HWND        button;              // the "+" inside the edit
    HWND        registrationWindow;  // with id 0: a thread hotkey
    int         registrationId;
    uint8_t     registered;          // the combination is registered as a test
    WNDPROC     previousEditProc;
    WNDPROC     previousButtonProc;
    HHOOK       keyboardHook;        // this thread's, for the field's whole life
    CList*      keyList;             // the dialog's list; owned
    const char* filter;              // the dialog's search text; null none
    int32_t     allowedModifiers;    // HOTKEY_ALLOW_* bits; -1 all
};

// Installs the field's keyboard hook; pair with FreeHotkeyField.
void InitHotkeyField(HotkeyField* field);
void FreeHotkeyField(HotkeyField* field);
// Makes the edit the field's input; false without an edit.
bool AttachHotkeyField(HotkeyField* field, HWND edit);
// Frees a test registration, removes the "+" and gives the edit back.
void DetachHotkeyField(HotkeyField* field);
// Stores and shows the combination; a field holding a test registration
// moves it to the new combination.
void SetHotkey(HotkeyField* field, uint16_t combination);
// "Ctrl + Shift + F5" with the local modifier names; a process-wide buffer
// that the next call overwrites.
const char* FormatHotkeyText(uint16_t combination);
// Dialog 50104, modal over owner; IDOK or IDCANCEL.
INT_PTR ShowKeyCombinationDialog(HotkeyField* field, HWND owner);

LRESULT CALLBACK HotkeyKeyboardHook(int code, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK HotkeyEditProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK HotkeyButtonProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK SelectKeyDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
