// ProfileUpdatePage.cpp - the Update page of Profile Settings: how an update
// re-captures the windows, its hotkey and the events that start it.
#include "ui/ProfileSettingsInternal.h"

#include "framework/core/DialogUtil.h"
#include "framework/core/MonitorTable.h"
#include "framework/ui/DialogSetup.h"
#include "framework/ui/HotkeyField.h"
#include "ui/ProfileSettingsRes.h"

#include <stdlib.h>

namespace {

const int32_t kSecondsMax = 32140800;

struct UpdatePage {
    ProfileSettingsDialog* dialog;
    HotkeyField hotkey;
    bool captured;   // a capture button saved into the working copy
};

const int kModes[] = {IDR_PRFUPD_MODE0, IDR_PRFUPD_MODE1, IDR_PRFUPD_MODE2, IDR_PRFUPD_MODE3};

struct CheckRow {
    int id;
    size_t offset;
};
const CheckRow kChecks[] = {
    {IDX_PRFUPD_ACTIVE, offsetof(Profile, bUpdUpdActive)},
    {IDX_PRF_HOTKEY, offsetof(Profile, bUpdHotKey)},
    {IDX_PRF_TIME, offsetof(Profile, bUpdTime)},
    {IDX_PRF_RESCHANGE, offsetof(Profile, bUpdResChange)},
    {IDX_PRF_DPICHANGE, offsetof(Profile, bUpdDPIChange)},
    {IDX_PRF_IDLE, offsetof(Profile, bUpdIdle)},
    {IDX_PRFUPD_SAVER, offsetof(Profile, bUpdScrSaver)},
    {IDX_PRFUPD_LOCK, offsetof(Profile, bUpdLock)},
    {IDX_PRFUPD_SAVEICONS, offsetof(Profile, bUpdSaveIcons)},
    {IDX_PRFUPD_SAVEEXP, offsetof(Profile, bUpdSaveExpWin)},
};

struct NumberRow {
    int id;
    size_t offset;
    int32_t otherwise;
};
const NumberRow kNumbers[] = {
    {IDE_PRF_TIME, offsetof(Profile, iUpdTime), 60},
    {IDE_PRF_IDLE, offsetof(Profile, iUpdIdle), 180},
};

uint8_t* Byte(Profile* p, size_t offset)
{
    return (uint8_t*)p + offset;
}

int32_t* Number(Profile* p, size_t offset)
{
    return (int32_t*)((char*)p + offset);
}

UpdatePage* PageOf(HWND page)
{
    return (UpdatePage*)GetWindowLongPtrA(page, DWLP_USER);
}

int ShownMode(HWND page)
{
    for (int i = 0; i < 4; i++)
        if (Checked(page, kModes[i])) return i;
    return -1;
}

void Show(HWND page, UpdatePage* u)
{
    Profile* p = &u->dialog->working;
    for (int i = 0; i < 4; i++) CheckBox(page, kModes[i], p->iUpdUpdateMode == i);
    for (const CheckRow& r : kChecks) CheckBox(page, r.id, *Byte(p, r.offset) != 0);
    for (const NumberRow& r : kNumbers) SetDlgItemNumber(page, r.id, *Number(p, r.offset));
    SetHotkey(&u->hotkey, p->iUpdHotKey);
}

void UpdateEnabling(HWND page)
{
    EnableByCheck(page, IDX_PRF_HOTKEY, IDE_PRF_HOTKEY, 0);
    EnableByCheck(page, IDX_PRF_TIME, IDE_PRF_TIME, IDT_PRF_TIMEUNIT);
    EnableByCheck(page, IDX_PRF_IDLE, IDE_PRF_IDLE, IDT_PRF_IDLEUNIT);
}

bool Changed(HWND page, UpdatePage* u)
{
    Profile* p = &u->dialog->working;
    if (u->captured) return true;
    int mode = ShownMode(page);
    if (mode >= 0 && mode != p->iUpdUpdateMode) return true;
    for (const CheckRow& r : kChecks)
        if (Checked(page, r.id) != (*Byte(p, r.offset) != 0)) return true;
    for (const NumberRow& r : kNumbers)
        if (NumberDiffers(page, r.id, *Number(p, r.offset))) return true;
    return u->hotkey.combination != p->iUpdHotKey;
}

void Store(HWND page, UpdatePage* u)
{
    Profile* p = &u->dialog->working;
    int mode = ShownMode(page);
    if (mode >= 0) p->iUpdUpdateMode = mode;
    for (const CheckRow& r : kChecks) *Byte(p, r.offset) = Checked(page, r.id) ? 1 : 0;
    for (const NumberRow& r : kNumbers)
        *Number(p, r.offset) = ReadBoundedNumber(page, r.id, 1, kSecondsMax, r.otherwise);
    if (p->bUpdHotKey) p->iUpdHotKey = u->hotkey.combination;
}

BOOL OnInitDialog(HWND page, ProfileSettingsDialog* d)
{
    UpdatePage* u = (UpdatePage*)calloc(1, sizeof(UpdatePage));
    if (!u) return FALSE;
    u->dialog = d;
    SetWindowLongPtrA(page, DWLP_USER, (LONG_PTR)u);
    ApplyDialogFontForDpi(page, GetWindowDpi(page));
    InitHotkeyField(&u->hotkey);
    AttachHotkeyField(&u->hotkey, GetDlgItem(page, IDE_PRF_HOTKEY));
    Profile* p = &d->working;
    if (p->iUpdTime < 1) p->iUpdTime = 1;
    if (p->iUpdIdle < 1) p->iUpdIdle = 5;
    Show(page, u);
    UpdateEnabling(page);
    return FALSE;
}

void OnDestroy(HWND page, UpdatePage* u)
{
    if (!u) return;
    DetachHotkeyField(&u->hotkey);
    FreeHotkeyField(&u->hotkey);
    free(u);
    SetWindowLongPtrA(page, DWLP_USER, 0);
}

}  // namespace

INT_PTR CALLBACK ProfileUpdatePageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    UpdatePage* u = PageOf(page);
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(page, (ProfileSettingsDialog*)lParam);
    case WM_DESTROY:
        OnDestroy(page, u);
        return FALSE;
    case WM_DPICHANGED:
        ApplyDialogFontForDpi(page, HIWORD(wParam));
        return TRUE;
    case WM_PAGE_CHANGED:
        return PageAnswer(page, u && Changed(page, u) ? 1 : 0);
    case WM_COMMAND:
        if (!u) return TRUE;
        if (LOWORD(wParam) == IDOK) {
            Store(page, u);
            return PageAnswer(page, 0);
        }
        if (HIWORD(wParam) != BN_CLICKED) return TRUE;
        if (LOWORD(wParam) >= IDB_PRF_SAVEICONS && LOWORD(wParam) <= IDB_PRF_RESTOREEXP) {
            // Any of the four counts as a change here.
            RunCaptureButton(page, u->dialog, LOWORD(wParam));
            u->captured = true;
        }
        UpdateEnabling(page);
        return TRUE;
    default:
        return FALSE;
    }
}
