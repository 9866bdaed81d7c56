// KeyComboDialog.cpp - "Select Key Combination" (dialog 50104): a list of
// every key, filtered by the keys held down, with check boxes for the
// modifiers; OK combines them into the field's combination.
#include "framework/core/AppObject.h"
#include "framework/core/AppWindow.h"
#include "framework/core/StringTable.h"
#include "framework/core/TextUtil.h"
#include "framework/ui/DialogSetup.h"
#include "framework/ui/HotkeyField.h"
#include "framework/ui/HotkeyFieldRes.h"
#include "framework/ui/HotkeyKeys.h"
#include "framework/ui/ListControl.h"

#include <stdio.h>

// The list's column widths, kept for the next opening.
static double g_keyColumnFractions[5] = {0.08, 0.2, 0.24, 0.24, 0.24};

// What the key message remembers between keys of one dialog.
static struct {
    WPARAM   lastKey;
    LPARAM   lastFlags;
    uint32_t lastKeyAndModifiers;   // key | modifiers << 16; 0 none
    int      escapes;               // Escape presses in a row
} g_keys;

static const struct {
    int control;
    uint16_t bit;
    int32_t allow;
} kModifierBoxes[] = {
    {IDX_KEY_SHIFT, HOTKEY_SHIFT, HOTKEY_ALLOW_SHIFT},
    {IDX_KEY_CTRL, HOTKEY_CTRL, HOTKEY_ALLOW_CTRL},
    {IDX_KEY_ALT, HOTKEY_ALT, HOTKEY_ALLOW_ALT},
    {IDX_KEY_WIN, HOTKEY_WIN, HOTKEY_ALLOW_WIN},
};

INT_PTR ShowKeyCombinationDialog(HotkeyField* field, HWND owner)
{
    field->filter = nullptr;
    field->allowedModifiers = -1;
    return DialogBoxParamA(g_app.instance, MAKEINTRESOURCEA(IDD_SELECTKEY), owner, SelectKeyDlgProc, (LPARAM)field);
}

static HotkeyField* FieldOf(HWND dialog)
{
    return (HotkeyField*)GetWindowLongPtrA(dialog, DWLP_USER);
}

static const KeyNameRow* RowKey(CList* list, int row)
{
    return (const KeyNameRow*)GetListRowData(list, row);
}

//--- filling

static bool MatchesFilter(const KeyNameRow* row, const char* filter)
{
    if (!filter || !filter[0]) return true;
    return StrIStr(row->displayName, filter) || StrIStr(row->constantName, filter) ||
           StrIStr(row->description, filter) || StrIStr(row->localName, filter);
}

// Lists the keys held down (with key counted as down), each selected; with
// no key given, or none down, every key.
static void FillKeyList(HWND dialog, HotkeyField* field, int key)
{
    CList* list = field->keyList;
    BYTE state[256] = {};
    GetKeyboardState(state);
    if (key > 0 && key < 256) state[key] |= 0x80;
    bool onlyDown = false;
    if (key > 0)
        for (int vk = 1; vk < 255; vk++)
            if (state[vk] & 0x80) onlyDown = true;
    const KeyNameRow* rows = GetKeyNameTable();
    ClearListRows(list);
    for (int vk = 0; vk < 255; vk++)
        if ((!onlyDown || (state[vk] & 0x80)) && MatchesFilter(&rows[vk], field->filter)) AddListRow(list, &rows[vk]);
    if (!onlyDown) return;
    // The rows move while the list sorts them in: select them once all stand.
    for (int i = 0; i < GetListRowCount(list); i++) SelectListRow(list, i, true, false);
    SendMessageA(dialog, ZRPMSG_COMMAND, (WPARAM)LIST_SELCHANGED << 16 | IDC_KEY_LIST, 0);
}

static void SetModifierBoxes(HWND dialog, uint16_t modifiers)
{
    for (const auto& b : kModifierBoxes)
        CheckDlgButton(dialog, b.control, (modifiers & b.bit) ? BST_CHECKED : BST_UNCHECKED);
}

static void OnInitDialog(HWND dialog, HotkeyField* field)
{
    InitDialogDefaults(&g_app, dialog);
    SetWindowLongPtrA(dialog, DWLP_USER, (LONG_PTR)field);
    g_keys = {};
    if (FindCommandIndex(&g_app, IDC_KEY_LIST) < 0)
        AddCommand(&g_app, IDC_KEY_LIST, UIITEM_LIST, CMD_SPLITARROW | CMD_ARROWPRESSED | CMD_ENABLED, 0, 0, 0, 0, 0);
    CList* list = field->keyList;
    if (!list ||
        CreateListInPlaceOf(list, IDC_KEY_LIST, dialog, dialog, GetDlgItem(dialog, IDC_KEY_LIST), nullptr, true) != 0)
        return;
    for (int i = 0; i < 5; i++) {
        const char* title = GetAppString(&g_app.strings, 0xF010, i);
        AddListColumn(list, title ? title : "", g_keyColumnFractions[i]);
    }
    FillKeyList(dialog, field, 0);
    int key = field->combination & 0xFF;
    for (int i = 0; i < GetListRowCount(list); i++) {
        const KeyNameRow* row = RowKey(list, i);
        if (!row || row->code != key) continue;
        SelectListRow(list, i, true, false);
        if (i >= 4) SendMessageA(list->listBox, LB_SETTOPINDEX, (WPARAM)(i - 4), 0);
        break;
    }
    SetModifierBoxes(dialog, field->combination);
    for (const auto& b : kModifierBoxes)
        EnableWindow(GetDlgItem(dialog, b.control), (field->allowedModifiers & b.allow) != 0);
}

//--- keys

static uint16_t ModifierOfKey(int vk)
{
    switch (vk) {
    case VK_SHIFT:
    case VK_LSHIFT:
    case VK_RSHIFT: return HOTKEY_SHIFT;
    case VK_CONTROL:
    case VK_LCONTROL:
    case VK_RCONTROL: return HOTKEY_CTRL;
    case VK_MENU:
    case VK_LMENU:
    case VK_RMENU: return HOTKEY_ALT;
    case VK_LWIN:
    case VK_RWIN: return HOTKEY_WIN;
    }
    return 0;
}

static uint16_t HeldModifiers()
{
    uint16_t held = 0;
    if (GetKeyState(VK_SHIFT) & 0x8000) held |= HOTKEY_SHIFT;
    if (GetKeyState(VK_CONTROL) & 0x8000) held |= HOTKEY_CTRL;
    if (GetKeyState(VK_MENU) & 0x8000) held |= HOTKEY_ALT;
    if (GetKeyState(VK_LWIN) & 0x8000) held |= HOTKEY_WIN;
    return held;
}

static void EndKeyDialog(HWND dialog, HotkeyField* field, int result)
{
    CList* list = field ? field->keyList : nullptr;
    if (list)
        for (int i = 0; i < 5 && i < list->columns.count; i++) g_keyColumnFractions[i] = list->columns.data[i].fraction;
    EndDialog(dialog, result);
}

// The key message of the keyboard hook; always taken.
static void OnKey(HWND dialog, HotkeyField* field, WPARAM key, LPARAM flags)
{
    if (key == g_keys.lastKey && flags == g_keys.lastFlags) return;
    g_keys.lastKey = key;
    g_keys.lastFlags = flags;
    uint16_t held = HeldModifiers();
    bool released = (flags & 0x80000000) != 0;
    if (!released) {
        g_keys.escapes = key == VK_ESCAPE ? g_keys.escapes + 1 : 0;
        if (g_keys.escapes >= 4) {
            EndKeyDialog(dialog, field, IDCANCEL);
            return;
        }
    }
    uint32_t keyAndModifiers = (uint32_t)(key & 0xFFFF) | (uint32_t)held << 16;
    if (keyAndModifiers == g_keys.lastKeyAndModifiers) return;
    g_keys.lastKeyAndModifiers = keyAndModifiers;
    // Print Screen only ever reports its release.
    if (released && key != VK_SNAPSHOT) return;
    if (!ModifierOfKey((int)key)) SetModifierBoxes(dialog, held);
    FillKeyList(dialog, field, (int)key);
}

// The check boxes with the selected keys: a selected key that is no
// modifier is the key; with only modifiers selected, the first of Win, Alt,
// Shift, Ctrl is the key and the others are modifiers.
static uint16_t CombineSelection(HWND dialog, CList* list)
{
    uint16_t modifiers = 0;
    for (const auto& b : kModifierBoxes)
        if (IsDlgButtonChecked(dialog, b.control) == BST_CHECKED) modifiers |= b.bit;
    int key = -1;
    int byModifier[4] = {-1, -1, -1, -1};   // Win, Alt, Shift, Ctrl
    static const uint16_t kPriority[4] = {HOTKEY_WIN, HOTKEY_ALT, HOTKEY_SHIFT, HOTKEY_CTRL};
    uint16_t selectedModifiers = 0;
    for (int i = 0; i < GetListRowCount(list); i++) {
        if (SendMessageA(list->listBox, LB_GETSEL, (WPARAM)i, 0) <= 0) continue;
        const KeyNameRow* row = RowKey(list, i);
        if (!row) continue;
        uint16_t m = ModifierOfKey(row->code);
        if (!m) {
            if (key < 0) key = row->code;
            continue;
        }
        selectedModifiers |= m;
        for (int p = 0; p < 4; p++)
            if (kPriority[p] == m && byModifier[p] < 0) byModifier[p] = row->code;
    }
    if (key < 0) {
        for (int p = 0; p < 4 && key < 0; p++)
            if (byModifier[p] >= 0) {
                key = byModifier[p];
                modifiers |= selectedModifiers & ~kPriority[p];
            }
    }
    return (uint16_t)(modifiers | (key < 0 ? 0 : key));
}

static void DrawKeyRow(CList* list, const DRAWITEMSTRUCT* dis)
{
    const KeyNameRow* row = (const KeyNameRow*)dis->itemData;
    if (!row) return;
    char code[8];
    FormatText(code, sizeof(code), "%d", row->code);
    DrawListCellText(list, 0, code, false);
    DrawListCellText(list, 1, row->constantName, false);
    DrawListCellText(list, 2, row->description, false);
    DrawListCellText(list, 3, row->displayName, false);
    DrawListCellText(list, 4, row->localName, false);
}

static INT_PTR Answer(HWND dialog, LRESULT result)
{
    SetWindowLongPtrA(dialog, DWLP_MSGRESULT, result);
    return TRUE;
}

INT_PTR CALLBACK SelectKeyDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        OnInitDialog(dialog, (HotkeyField*)lParam);
        return FALSE;
    }
    HotkeyField* field = FieldOf(dialog);
    if (!field) return FALSE;
    switch (message) {
    case WM_HOTKEYFIELD_QUERY:
        if (lParam) *(HotkeyField**)lParam = field;
        return Answer(dialog, 0);
    case WM_HOTKEYFIELD_KEY:
        OnKey(dialog, field, wParam, lParam);
        return Answer(dialog, 1);
    case WM_DRAWITEM:
        if (wParam != IDC_KEY_LIST || !field->keyList) return FALSE;
        DrawKeyRow(field->keyList, (const DRAWITEMSTRUCT*)lParam);
        return TRUE;
    case ZRPMSG_COMMAND:
        if (LOWORD(wParam) == IDC_KEY_LIST && HIWORD(wParam) == LIST_DOUBLECLICK)
            PostMessageA(dialog, WM_COMMAND, IDOK, (LPARAM)GetDlgItem(dialog, IDOK));
        return Answer(dialog, 0);
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            SetHotkey(field, CombineSelection(dialog, field->keyList));
            EndKeyDialog(dialog, field, IDOK);
            return TRUE;
        case IDCANCEL:
            EndKeyDialog(dialog, field, IDCANCEL);
            return TRUE;
        case IDB_KEY_CLEAR:
            FillKeyList(dialog, field, 0);
            return TRUE;
        case IDB_KEY_HELP:
            if (g_app.windows.count > 0) SendMessageA(g_app.windows.data[0]->window, ZRPMSG_HELP, (WPARAM) "", 0);
            return TRUE;
        }
        return FALSE;
    case WM_DESTROY:
        // The list goes with the dialog's windows; the field keeps the object.
        SetWindowLongPtrA(dialog, DWLP_USER, 0);
        return FALSE;
    }
    return FALSE;
}
