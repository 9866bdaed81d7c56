// HotkeyField.cpp - the hotkey field: its keyboard hook, its edit and "+"
// button, test registrations and the text of a combination.
#include "framework/ui/HotkeyField.h"

#include "framework/core/TextUtil.h"
#include "framework/ui/HotkeyKeys.h"
#include "framework/ui/ListControl.h"

#include <string.h>

static const int kPlusButtonId = 1;

void InitHotkeyField(HotkeyField* field)
{
    *field = HotkeyField{};
    field->allowedModifiers = -1;
    field->keyList = (CList*)CreateUIItemByType(UIITEM_LIST, nullptr);
    field->keyboardHook = SetWindowsHookExA(WH_KEYBOARD, HotkeyKeyboardHook, nullptr, GetCurrentThreadId());
}

void FreeHotkeyField(HotkeyField* field)
{
    if (field->keyboardHook) UnhookWindowsHookEx(field->keyboardHook);
    field->keyboardHook = nullptr;
    DetachHotkeyField(field);
    FreeUIItem(field->keyList);
    field->keyList = nullptr;
}

//--- text

const char* FormatHotkeyText(uint16_t combination)
{
    static char text[MAX_PATH];
    static const struct {
        uint16_t bit;
        uint8_t row;
    } kModifiers[] = {{HOTKEY_CTRL, VK_CONTROL}, {HOTKEY_SHIFT, VK_SHIFT}, {HOTKEY_ALT, VK_MENU}, {HOTKEY_WIN, VK_LWIN}};
    const KeyNameRow* rows = GetKeyNameTable();
    text[0] = '\0';
    for (const auto& m : kModifiers)
        if (combination & m.bit) {
            AppendText(text, sizeof(text), rows[m.row].localName);
            AppendText(text, sizeof(text), " + ");
        }
    int key = combination & 0xFF;
    if (key == 0xFF) return text;
    const KeyNameRow* row = &rows[key];
    const char* name = row->displayName[0] ? row->displayName : row->localName[0] ? row->localName : row->constantName;
    if (key == VK_SNAPSHOT && strcmp(name, "<00>") == 0) name = "Print Screen";
    AppendText(text, sizeof(text), name);
    return text;
}

void SetHotkey(HotkeyField* field, uint16_t combination)
{
    if (field->registered && field->combination != combination &&
        UnregisterHotKey(field->registrationWindow, field->registrationId))
        field->registered = RegisterHotKey(field->registrationWindow, field->registrationId, combination >> 8,
                                           combination & 0xFF)
                                ? 1
                                : 0;
    field->combination = combination;
    if (!field->edit) return;
    const char* text = FormatHotkeyText(combination);
    SetWindowTextA(field->edit, text);
    LPARAM end = (LPARAM)strlen(text);
    SendMessageA(field->edit, EM_SETSEL, (WPARAM)end, end);
}

//--- the hook

static bool IsModifierKey(WPARAM key)
{
    switch (key) {
    case VK_SHIFT:
    case VK_CONTROL:
    case VK_MENU:
    case VK_LWIN:
    case VK_LSHIFT:
    case VK_RSHIFT:
    case VK_LCONTROL:
    case VK_RCONTROL:
    case VK_LMENU:
    case VK_RMENU: return true;
    }
    return false;
}

static uint16_t HeldModifiers()
{
    uint16_t held = 0;
    if (GetKeyState(VK_CONTROL) & 0x8000) held |= HOTKEY_CTRL;
    if (GetKeyState(VK_SHIFT) & 0x8000) held |= HOTKEY_SHIFT;
    if (GetKeyState(VK_MENU) & 0x8000) held |= HOTKEY_ALT;
    if (GetKeyState(VK_LWIN) & 0x8000) held |= HOTKEY_WIN;
    return held;
}

// The field a window answers for; null for any window that does not answer.
static HotkeyField* AskForField(HWND window)
{
    HotkeyField* field = nullptr;
    if (window) SendMessageA(window, WM_HOTKEYFIELD_QUERY, 0, (LPARAM)&field);
    return field;
}

LRESULT CALLBACK HotkeyKeyboardHook(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HC_ACTION) {
        HWND focus = GetFocus();
        HotkeyField* field = AskForField(focus);
        bool released = (lParam & 0x80000000) != 0;
        if (field && field->edit == focus) {
            // The edit swallows the keystroke itself. Print Screen reports
            // only its release.
            if ((!released || wParam == VK_SNAPSHOT) && !IsModifierKey(wParam))
                SetHotkey(field, (uint16_t)(HeldModifiers() | (wParam == VK_BACK ? 0 : (wParam & 0xFF))));
        } else {
            HWND root = focus ? GetAncestor(focus, GA_ROOT) : nullptr;
            field = root && root != focus ? AskForField(root) : nullptr;
            if (field && field->keyList && field->keyList->listBox == focus &&
                SendMessageA(root, WM_HOTKEYFIELD_KEY, wParam, lParam) == 1)
                return 1;
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

//--- the edit and its button

bool AttachHotkeyField(HotkeyField* field, HWND edit)
{
    DetachHotkeyField(field);
    if (!edit) return false;
    SetWindowLongA(edit, GWL_STYLE, GetWindowLongA(edit, GWL_STYLE) | WS_CLIPCHILDREN);
    SetWindowLongPtrA(edit, GWLP_USERDATA, (LONG_PTR)field);
    field->edit = edit;
    field->previousEditProc = (WNDPROC)SetWindowLongPtrA(edit, GWLP_WNDPROC, (LONG_PTR)HotkeyEditProc);
    RECT client;
    GetClientRect(edit, &client);
    int side = client.bottom;
    field->button = CreateWindowExA(0, "BUTTON", "+", WS_CHILD | WS_VISIBLE | BS_FLAT, client.right - side, 0, side,
                                    side, edit, (HMENU)(UINT_PTR)kPlusButtonId, GetModuleHandleA(nullptr), nullptr);
    if (field->button) {
        SendMessageA(field->button, WM_SETFONT, SendMessageA(edit, WM_GETFONT, 0, 0), FALSE);
        SetWindowLongPtrA(field->button, GWLP_USERDATA, (LONG_PTR)field);
        field->previousButtonProc =
            (WNDPROC)SetWindowLongPtrA(field->button, GWLP_WNDPROC, (LONG_PTR)HotkeyButtonProc);
        EnableWindow(field->button, IsWindowEnabled(edit));
    }
    return true;
}

void DetachHotkeyField(HotkeyField* field)
{
    if (field->registered) {
        UnregisterHotKey(field->registrationWindow, field->registrationId);
        field->registered = 0;
    }
    if (field->button) {
        HWND button = field->button;
        field->button = nullptr;
        if (IsWindow(button) && GetWindowLongPtrA(button, GWLP_USERDATA) == (LONG_PTR)field) {
            SetWindowLongPtrA(button, GWLP_WNDPROC, (LONG_PTR)field->previousButtonProc);
            SetWindowLongPtrA(button, GWLP_USERDATA, 0);
            DestroyWindow(button);
        }
    }
    field->previousButtonProc = nullptr;
    HWND edit = field->edit;
    field->edit = nullptr;
    if (edit && IsWindow(edit) && GetWindowLongPtrA(edit, GWLP_USERDATA) == (LONG_PTR)field) {
        SetWindowLongPtrA(edit, GWLP_WNDPROC, (LONG_PTR)field->previousEditProc);
        SetWindowLongPtrA(edit, GWLP_USERDATA, 0);
    }
    field->previousEditProc = nullptr;
}

LRESULT CALLBACK HotkeyEditProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    HotkeyField* field = (HotkeyField*)GetWindowLongPtrA(window, GWLP_USERDATA);
    if (!field || field->edit != window) return DefWindowProcA(window, message, wParam, lParam);
    WNDPROC previous = field->previousEditProc;
    switch (message) {
    case WM_DESTROY:
        DetachHotkeyField(field);
        return CallWindowProcA(previous, window, message, wParam, lParam);
    case WM_SIZE: {
        int side = HIWORD(lParam);
        if (field->button)
            SetWindowPos(field->button, nullptr, LOWORD(lParam) - side, 0, side, side, SWP_NOZORDER | SWP_NOACTIVATE);
        break;
    }
    case WM_ENABLE:
        if (field->button) EnableWindow(field->button, (BOOL)wParam);
        break;
    case WM_SHOWWINDOW:
        SetHotkey(field, field->combination);
        break;
    case WM_GETDLGCODE:
        return DLGC_WANTALLKEYS;
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
    case WM_SYSCHAR:
        return 0;
    case WM_COMMAND:
        if (LOWORD(wParam) == kPlusButtonId && (HWND)lParam == field->button) {
            ShowKeyCombinationDialog(field, GetParent(window));
            if (IsWindow(window)) SetFocus(window);
            return 0;
        }
        break;
    case WM_HOTKEYFIELD_QUERY:
        if (lParam) *(HotkeyField**)lParam = field;
        return 0;
    }
    return CallWindowProcA(previous, window, message, wParam, lParam);
}

LRESULT CALLBACK HotkeyButtonProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    HotkeyField* field = (HotkeyField*)GetWindowLongPtrA(window, GWLP_USERDATA);
    if (!field || !field->previousButtonProc) return DefWindowProcA(window, message, wParam, lParam);
    LRESULT result = CallWindowProcA(field->previousButtonProc, window, message, wParam, lParam);
    if (message == WM_KILLFOCUS) {
        // The dialog made it a default push button while it had the focus.
        SendMessageA(window, WM_UPDATEUISTATE, MAKEWPARAM(UIS_SET, UISF_HIDEFOCUS), 0);
        SetWindowLongA(window, GWL_STYLE, WS_CHILD | WS_VISIBLE | BS_FLAT);
        InvalidateRect(window, nullptr, TRUE);
    }
    return result;
}
