// RuleFields.cpp - rule fields shown in, written from and compared with the
// controls of a page through its table; the change tests.
#include "ui/RuleFields.h"

#include "engine/WindowTable.h"
#include "framework/core/DialogUtil.h"
#include "framework/core/StringTable.h"
#include "framework/core/TextUtil.h"

#include <stdlib.h>
#include <string.h>

namespace {

int32_t LoadRaw(const Rule* rule, const RuleField& f)
{
    const uint8_t* p = (const uint8_t*)rule + f.at;
    switch (f.size) {
    case 1:
        return *p;
    case 2: {
        int16_t v;
        memcpy(&v, p, sizeof(v));
        return v;
    }
    default: {
        int32_t v;
        memcpy(&v, p, sizeof(v));
        return v;
    }
    }
}

void StoreRaw(Rule* rule, const RuleField& f, int32_t value)
{
    uint8_t* p = (uint8_t*)rule + f.at;
    switch (f.size) {
    case 1:
        *p = (uint8_t)value;
        break;
    case 2: {
        int16_t v = (int16_t)(value > 32767 ? 32767 : value < -32768 ? -32768 : value);
        memcpy(p, &v, sizeof(v));
        break;
    }
    default:
        memcpy(p, &value, sizeof(value));
        break;
    }
}

uint8_t ComboMask(const RuleField& f)
{
    return f.mask ? f.mask : 0xFF;
}

// What the control shows for the field: a check state, a list index, a
// number (VALUE_ANY empty).
int32_t ShownValue(HWND dialog, const Rule* rule, const RuleField& f)
{
    int32_t raw = LoadRaw(rule, f);
    switch (f.kind) {
    case RFK_CHECK: {
        bool on = f.mask ? (raw & f.mask) != 0 : raw != 0;
        return (on != (f.offset != 0)) ? 1 : 0;
    }
    case RFK_CHECK3:
        return raw > 2 ? 2 : raw;
    case RFK_COMBO:
        return (uint8_t)((raw & ComboMask(f)) - f.offset);
    case RFK_COMBO_TEXT:
        return raw == 0xFF ? VALUE_ANY : raw;
    case RFK_DESKTOP: {
        LRESULT count = SendDlgItemMessageA(dialog, f.id, CB_GETCOUNT, 0, 0);
        if (raw == RULE_DESKTOP_PIN) return count > 0 ? (int32_t)count - 1 : -1;
        return raw == RULE_DESKTOP_NONE ? -1 : raw;
    }
    default:
        return raw;
    }
}

bool ComboCanShow(HWND dialog, int id, int32_t index)
{
    return index >= 0 && index < (int32_t)SendDlgItemMessageA(dialog, id, CB_GETCOUNT, 0, 0);
}

}  // namespace

void ShowRuleFields(HWND dialog, const Rule* rule, const RuleField* fields, size_t count)
{
    for (size_t i = 0; i < count; i++) {
        const RuleField& f = fields[i];
        HWND control = GetDlgItem(dialog, f.id);
        if (!control) continue;
        if (f.kind == RFK_TEXT) {
            SendMessageA(control, EM_LIMITTEXT, f.size - 1, 0);
            SetWindowTextA(control, (const char*)rule + f.at);
            continue;
        }
        int32_t v = ShownValue(dialog, rule, f);
        switch (f.kind) {
        case RFK_CHECK:
        case RFK_CHECK3:
            SendMessageA(control, BM_SETCHECK, (WPARAM)v, 0);
            break;
        case RFK_NUMBER:
            if (v == VALUE_ANY)
                SetWindowTextA(control, "");
            else
                SetDlgItemNumber(dialog, f.id, v);
            break;
        default: {
            LRESULT n = SendMessageA(control, CB_GETCOUNT, 0, 0);
            SendMessageA(control, CB_SETCURSEL, (v >= 0 && v < n) ? (WPARAM)v : (WPARAM)-1, 0);
            break;
        }
        }
    }
}

void WriteRuleFields(HWND dialog, Rule* rule, const RuleField* fields, size_t count)
{
    for (size_t i = 0; i < count; i++) {
        const RuleField& f = fields[i];
        HWND control = GetDlgItem(dialog, f.id);
        if (!control) continue;
        int32_t raw = LoadRaw(rule, f);
        switch (f.kind) {
        case RFK_CHECK: {
            bool on = (SendMessageA(control, BM_GETCHECK, 0, 0) == BST_CHECKED) != (f.offset != 0);
            if (f.mask)
                raw = on ? (raw | f.mask) : (raw & ~f.mask);
            else
                raw = on ? 1 : 0;
            break;
        }
        case RFK_CHECK3:
            raw = (int32_t)SendMessageA(control, BM_GETCHECK, 0, 0);
            break;
        case RFK_COMBO: {
            LRESULT sel = SendMessageA(control, CB_GETCURSEL, 0, 0);
            if (sel < 0) continue;   // nothing chosen: the field stays
            uint8_t m = ComboMask(f);
            raw = (raw & ~m) | (((int32_t)sel + f.offset) & m);
            break;
        }
        case RFK_COMBO_TEXT: {
            int32_t found = GetComboSelectionByText(dialog, f.id);
            if (found < 0) continue;
            raw = found == VALUE_ANY ? 0xFF : found;
            break;
        }
        case RFK_DESKTOP: {
            LRESULT n = SendMessageA(control, CB_GETCOUNT, 0, 0);
            if (n <= 0) continue;   // no virtual desktops here: keep what the rule says
            LRESULT sel = SendMessageA(control, CB_GETCURSEL, 0, 0);
            raw = sel < 0 ? RULE_DESKTOP_NONE : sel == n - 1 ? RULE_DESKTOP_PIN : (int32_t)sel;
            break;
        }
        case RFK_NUMBER: {
            int32_t v = ReadNumberField(dialog, f.id, f.minimum, f.maximum);
            raw = v == VALUE_ANY ? f.empty : v;
            break;
        }
        case RFK_TEXT: {
            char* text = (char*)rule + f.at;
            GetWindowTextA(control, text, f.size);
            text[f.size - 1] = '\0';
            if (f.lengthAt >= 0) {
                int16_t length = (int16_t)strlen(text);
                memcpy((uint8_t*)rule + f.lengthAt, &length, sizeof(length));
            }
            continue;
        }
        default:
            continue;
        }
        StoreRaw(rule, f, raw);
    }
}

bool RuleFieldsChanged(HWND dialog, const Rule* rule, const RuleField* fields, size_t count)
{
    for (size_t i = 0; i < count; i++) {
        const RuleField& f = fields[i];
        if (!GetDlgItem(dialog, f.id)) continue;
        bool changed;
        if (f.kind == RFK_TEXT)
            changed = IsDialogTextChanged((const char*)rule + f.at, f.size, dialog, f.id);
        else if (f.kind == RFK_NUMBER)
            changed = IsDialogNumberChanged(ShownValue(dialog, rule, f), dialog, f.id);
        else if (f.kind == RFK_DESKTOP && SendDlgItemMessageA(dialog, f.id, CB_GETCOUNT, 0, 0) <= 0)
            changed = false;
        else if (f.kind == RFK_COMBO && !ComboCanShow(dialog, f.id, ShownValue(dialog, rule, f)))
            // The stored value has no row here: only a row the user chose is a change.
            changed = SendDlgItemMessageA(dialog, f.id, CB_GETCURSEL, 0, 0) >= 0;
        else
            changed = IsDialogControlChanged(ShownValue(dialog, rule, f), dialog, f.id, 0);
        if (changed) return true;
    }
    return false;
}

//--- change tests

bool IsDialogTextChanged(const char* stored, size_t size, HWND dialog, int id)
{
    char* text = (char*)calloc(size + 1, 1);
    if (!text) return true;
    GetDlgItemTextA(dialog, id, text, (int)size);
    bool changed = strncmp(text, stored, size - 1) != 0;
    free(text);
    return changed;
}

int32_t GetComboSelectionByText(HWND dialog, int id)
{
    HWND combo = GetDlgItem(dialog, id);
    if (!combo) return -1;
    char text[260] = "";
    GetWindowTextA(combo, text, sizeof(text));
    if (!text[0]) return VALUE_ANY;
    LRESULT at = SendMessageA(combo, CB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM)text);
    return at == CB_ERR ? -1 : (int32_t)at;
}

bool IsDialogControlChanged(int32_t stored, HWND dialog, int id, int32_t offset)
{
    HWND control = GetDlgItem(dialog, id);
    if (!control) return false;
    char cls[32] = "";
    GetClassNameA(control, cls, sizeof(cls));
    int32_t value;
    if (_stricmp(cls, "Button") == 0) {
        value = (int32_t)SendMessageA(control, BM_GETCHECK, 0, 0);
    } else if (_stricmp(cls, "ComboBox") == 0) {
        LRESULT sel = SendMessageA(control, CB_GETCURSEL, 0, 0);
        if (sel >= 0) {
            value = (int32_t)sel;
        } else {
            value = GetComboSelectionByText(dialog, id);
            if (value == -1) return stored != VALUE_ANY;
            if (value == VALUE_ANY) return stored != VALUE_ANY;
        }
    } else {
        return IsDialogNumberChanged(stored - offset, dialog, id);
    }
    return value + offset != stored;
}

bool IsDialogNumberChanged(int32_t stored, HWND dialog, int id)
{
    return ReadNumberField(dialog, id, INT32_MIN, INT32_MAX) != stored;
}

//--- shared helpers

int32_t ReadNumberField(HWND dialog, int id, int32_t minimum, int32_t maximum)
{
    char text[32] = "";
    GetDlgItemTextA(dialog, id, text, sizeof(text));
    TrimChars(text, " \t");
    if (!text[0]) return VALUE_ANY;
    char* end = nullptr;
    long long v = strtoll(text, &end, 10);
    if (end == text) v = minimum;
    if (v < minimum) v = minimum;
    if (v > maximum) v = maximum;
    return (int32_t)v;
}

void FillComboFromStrings(HWND dialog, int id, uint16_t row, int first, int last)
{
    for (int column = first; column <= last; column++) {
        const char* text = AppText(row, column);
        SendDlgItemMessageA(dialog, id, CB_ADDSTRING, 0, (LPARAM)(text ? text : ""));
    }
}

void PlaceAtPlaceholder(HWND parent, HWND child, int placeholderId)
{
    HWND holder = GetDlgItem(parent, placeholderId);
    if (child && holder) {
        RECT r;
        GetWindowRect(holder, &r);
        MapWindowPoints(nullptr, parent, (POINT*)&r, 2);
        SetWindowPos(child, HWND_TOP, r.left, r.top, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
    }
    if (holder) DestroyWindow(holder);
}

INT_PTR AnswerMessage(HWND dialog, LRESULT value)
{
    SetWindowLongPtrA(dialog, DWLP_MSGRESULT, value);
    return TRUE;
}

HWND LiveRuleWindow(const Rule* rule, MonitoredWindow* entry)
{
    if (!rule || rule->windowCount <= 0 || rule->windowCount > RULE_MAX_WINDOWS) return nullptr;
    HWND window = rule->windows[rule->windowCount - 1];
    if (!window || !IsWindow(window)) return nullptr;
    // A wait of this thread for the lock pumps: not from inside another one.
    if (TableLockWaitPumping() || !EnterTableLock(20)) return nullptr;
    int at = FindWindowEntry(window);
    if (at >= 0 && entry) *entry = g_windowTable[at];
    LeaveTableLock();
    return at >= 0 ? window : nullptr;
}
