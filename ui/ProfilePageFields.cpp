// ProfilePageFields.cpp - field helpers the Profile Settings pages share:
// numbers that may be empty, texts, check boxes, and the buttons that save
// or restore the desktop icons and Explorer windows of the working copy.
#include "ui/ProfileSettingsInternal.h"

#include "engine/DesktopIcons.h"
#include "engine/ExplorerWindows.h"
#include "engine/RuleRecord.h"
#include "framework/core/DialogUtil.h"
#include "framework/core/TextUtil.h"
#include "ui/ProfileSettingsRes.h"

#include <stdlib.h>
#include <string.h>

INT_PTR PageAnswer(HWND page, LRESULT result)
{
    SetWindowLongPtrA(page, DWLP_MSGRESULT, result);
    return TRUE;
}

void CheckBox(HWND page, int id, bool on)
{
    CheckDlgButton(page, id, on ? BST_CHECKED : BST_UNCHECKED);
}

bool Checked(HWND page, int id)
{
    return IsDlgButtonChecked(page, id) == BST_CHECKED;
}

bool ReadWholeNumber(HWND page, int id, int32_t* value)
{
    char text[32] = "";
    GetDlgItemTextA(page, id, text, sizeof(text));
    TrimChars(text, " \t");
    if (!text[0]) return false;
    char* end = nullptr;
    long long n = strtoll(text, &end, 10);
    if (!end || *end || end == text) return false;
    if (n < INT32_MIN) n = INT32_MIN;
    if (n > INT32_MAX) n = INT32_MAX;
    *value = (int32_t)n;
    return true;
}

int32_t ReadBoundedNumber(HWND page, int id, int32_t minimum, int32_t maximum, int32_t otherwise)
{
    int32_t n = 0;
    if (!ReadWholeNumber(page, id, &n)) return otherwise;
    return n < minimum ? minimum : n > maximum ? maximum : n;
}

void ShowNumber(HWND page, int id, int32_t value)
{
    if (value == VALUE_ANY)
        SetDlgItemTextA(page, id, "");
    else
        SetDlgItemNumber(page, id, value);
}

bool NumberDiffers(HWND page, int id, int32_t value)
{
    int32_t n = VALUE_ANY;
    if (!ReadWholeNumber(page, id, &n)) n = VALUE_ANY;
    return n != value;
}

bool TextDiffers(HWND page, int id, const char* text, int size)
{
    char* shown = (char*)calloc((size_t)size + 1, 1);
    if (!shown) return true;
    GetDlgItemTextA(page, id, shown, size);
    bool differs = strncmp(shown, text, (size_t)size) != 0;
    free(shown);
    return differs;
}

bool RunCaptureButton(HWND, ProfileSettingsDialog* d, int id)
{
    // The threads work on the working copy's icon list, which the icon
    // module forgets when the list is freed (Cancel): nothing is touched after.
    switch (id) {
    case IDB_PRF_SAVEICONS:
        SaveDesktopIconsAsync(&d->working, false);
        return true;
    case IDB_PRF_RESTOREICONS:
        RestoreDesktopIconsAsync(&d->working, false);
        return false;
    case IDB_PRF_SAVEEXP:
        CollectExplorerWindows(&d->working);
        return true;
    case IDB_PRF_RESTOREEXP:
        // The thread opens the folders from a copy of the list.
        RestoreExplorerWindows(&d->working);
        return false;
    default:
        return false;
    }
}

void EnableByCheck(HWND page, int check, int field, int unit)
{
    bool on = Checked(page, check) && IsWindowEnabled(GetDlgItem(page, check));
    EnableWindow(GetDlgItem(page, field), on);
    if (unit > 0) EnableWindow(GetDlgItem(page, unit), on);
}
