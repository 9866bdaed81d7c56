// OptionsTransparency.cpp - the Options dialog's Transparency page: the
// transparency, click-through, opaque and always-on-top hotkeys and the two
// percentages.
#include "engine/Engine.h"
#include "framework/core/AppObject.h"
#include "framework/core/DialogUtil.h"
#include "framework/ui/DialogSetup.h"
#include "framework/ui/HotkeyField.h"
#include "ui/OptionsInternal.h"
#include "ui/OptionsRes.h"

#include <commctrl.h>

namespace {

const struct {
    int control;
    uint16_t OptionsRecord::*word;
} kHotkeys[] = {
    {IDE_OPT_HK_TRANS, &OptionsRecord::iHotKeyTrans},
    {IDE_OPT_HK_CLKTHR, &OptionsRecord::iHotKeyClkThr},
    {IDE_OPT_HK_NONTRANS, &OptionsRecord::iHotKeyNonTrans},
    {IDE_OPT_HK_TOPMOST, &OptionsRecord::iHotKeyAlwaysOnTop},
};
const int kHotkeyCount = (int)ARRAYSIZE(kHotkeys);

const struct {
    int edit, upDown;
    int32_t OptionsRecord::*percent;
} kPercents[] = {
    {IDE_OPT_TRANS, IDUD_OPT_TRANS, &OptionsRecord::iTrans},
    {IDE_OPT_CLKTHR, IDUD_OPT_CLKTHR, &OptionsRecord::iClkThr},
};

HotkeyField g_fields[kHotkeyCount];
OptionsRecord* g_options;

int ClampPercent(int value)
{
    return value < 1 ? 1 : value > 99 ? 99 : value;
}

BOOL OnInitDialog(HWND page, OptionsRecord* options)
{
    g_options = options;
    InitDialogDefaults(&g_app, page);
    for (int i = 0; i < kHotkeyCount; i++)
        AttachPageHotkey(&g_fields[i], page, kHotkeys[i].control, options->*kHotkeys[i].word);
    for (const auto& p : kPercents) {
        options->*p.percent = ClampPercent(options->*p.percent);
        SendDlgItemMessageA(page, p.upDown, UDM_SETRANGE32, 1, 99);
        SetDlgItemNumber(page, p.edit, options->*p.percent);
    }
    return FALSE;
}

void StoreControls(HWND page)
{
    for (int i = 0; i < kHotkeyCount; i++) g_options->*kHotkeys[i].word = g_fields[i].combination;
    for (const auto& p : kPercents) g_options->*p.percent = GetDlgItemNumber(page, p.edit, 1, 99);
}

bool ControlsDiffer(HWND page)
{
    for (int i = 0; i < kHotkeyCount; i++)
        if (g_fields[i].combination != Options.*kHotkeys[i].word) return true;
    for (const auto& p : kPercents)
        if (GetDlgItemNumber(page, p.edit, 1, 99) != ClampPercent(Options.*p.percent)) return true;
    return false;
}

}  // namespace

INT_PTR CALLBACK OptionsTransparencyPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(page, (OptionsRecord*)lParam);
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            StoreControls(page);
            SetWindowLongPtrA(page, DWLP_MSGRESULT, 0);
        }
        return TRUE;
    case WM_OPTIONS_PAGE_CHANGED:
        SetWindowLongPtrA(page, DWLP_MSGRESULT, ControlsDiffer(page) ? 1 : 0);
        return TRUE;
    case WM_DPICHANGED:
        ApplyDialogFontForDpi(page, HIWORD(wParam));
        return TRUE;
    case WM_DESTROY:
        for (HotkeyField& f : g_fields) DetachPageHotkey(&f);
        return FALSE;
    default:
        return FALSE;
    }
}
