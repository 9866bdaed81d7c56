// OptionsGeneral.cpp - the Options dialog's General page: start-up and tray
// switches, the rule-script colour, the global hotkeys and their sound.
#include "engine/Engine.h"
#include "framework/core/AppObject.h"
#include "framework/core/DialogUtil.h"
#include "framework/ui/DialogSetup.h"
#include "framework/ui/HotkeyField.h"
#include "ui/DialogSubclass.h"
#include "ui/OptionsInternal.h"
#include "ui/OptionsRes.h"

#include <commdlg.h>
#include <mmsystem.h>
#include <string.h>

namespace {

const char kSoundFilter[] = "Wave Files (.wav)\0*.wav\0All files\0*.*\0";
const char kColourProp[] = "PanelShepherd.OptionsColour";

struct PageHotkey {
    int control;
    uint16_t OptionsRecord::*word;
};
const PageHotkey kHotkeys[] = {
    {IDE_OPT_HK_MAIN, &OptionsRecord::iHotKeyMain},     {IDE_OPT_HK_TRIGGER, &OptionsRecord::iHotKeyTrigger},
    {IDE_OPT_HK_ENABLE, &OptionsRecord::iHotKeyEnable}, {IDE_OPT_HK_NEW, &OptionsRecord::iHotKeyNew},
    {IDE_OPT_HK_UPDATE, &OptionsRecord::iHotKeyUpdate}, {IDE_OPT_HK_CREATE, &OptionsRecord::iHotKeyCreate},
    {IDE_OPT_HK_ACTIVE, &OptionsRecord::iHotKeyActive},
};
const int kHotkeyCount = (int)ARRAYSIZE(kHotkeys);

const struct {
    int control;
    uint8_t OptionsRecord::*flag;
} kChecks[] = {
    {IDX_OPT_AUTOSTART, &OptionsRecord::bAutoStart}, {IDX_OPT_RUNASADMIN, &OptionsRecord::bRunAsAdmin},
    {IDX_OPT_TRAYICON, &OptionsRecord::bShowTrayIcon}, {IDX_OPT_ENABLED, &OptionsRecord::bEnabled},
    {IDX_OPT_SOUND, &OptionsRecord::bConfirmationSound},
};

HotkeyField g_fields[kHotkeyCount];
OptionsRecord* g_options;   // the dialog's working copy
COLORREF g_colour;          // of the colour button
COLORREF g_customColours[16];

bool Checked(HWND page, int id)
{
    return IsDlgButtonChecked(page, id) == BST_CHECKED;
}

void EnableSound(HWND page)
{
    EnableDlgItems(Checked(page, IDX_OPT_SOUND), page, IDE_OPT_SOUNDFILE, IDB_OPT_TEST, IDB_OPT_BROWSE, 0);
}

//--- the colour button

void PaintColour(HWND button)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(button, &ps);
    RECT r;
    GetClientRect(button, &r);
    const COLORREF* colour = (const COLORREF*)GetWindowLongPtrA(button, GWLP_USERDATA);
    if (colour && IsWindowEnabled(button)) {
        HBRUSH fill = CreateSolidBrush(*colour);
        FillRect(dc, &r, fill);
        DeleteObject(fill);
    } else {
        FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
    }
    EndPaint(button, &ps);
}

void ChooseColour(HWND button)
{
    COLORREF* colour = (COLORREF*)GetWindowLongPtrA(button, GWLP_USERDATA);
    if (!colour) return;
    CHOOSECOLORA cc = {};
    cc.lStructSize = sizeof(cc);
    cc.hwndOwner = GetParent(button);
    cc.rgbResult = *colour;
    cc.lpCustColors = g_customColours;
    cc.Flags = CC_FULLOPEN | CC_ANYCOLOR | CC_RGBINIT;
    if (!ChooseColorA(&cc)) return;
    *colour = cc.rgbResult;
    InvalidateRect(button, nullptr, TRUE);
    SendMessageA(GetParent(button), WM_COMMAND, (WPARAM)GetDlgCtrlID(button), (LPARAM)button);
}

LRESULT CALLBACK ColorButtonProc(HWND button, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT:
        PaintColour(button);
        return 0;
    case WM_ENABLE:
        InvalidateRect(button, nullptr, TRUE);
        break;
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
        ChooseColour(button);
        return 0;
    default:
        break;
    }
    return CallControlProc(button, kColourProp, message, wParam, lParam);
}

//--- the page

BOOL OnInitDialog(HWND page, OptionsRecord* options)
{
    g_options = options;
    InitDialogDefaults(&g_app, page);
    for (const auto& c : kChecks) CheckDlgButton(page, c.control, options->*c.flag ? BST_CHECKED : BST_UNCHECKED);
    g_colour = options->crRuleScript;
    HWND colour = GetDlgItem(page, IDC_OPT_COLOUR);
    SetWindowLongPtrA(colour, GWLP_USERDATA, (LONG_PTR)&g_colour);
    SubclassControl(colour, ColorButtonProc, kColourProp);
    for (int i = 0; i < kHotkeyCount; i++)
        AttachPageHotkey(&g_fields[i], page, kHotkeys[i].control, options->*kHotkeys[i].word);
    SendDlgItemMessageA(page, IDE_OPT_SOUNDFILE, EM_LIMITTEXT, sizeof(options->szConfirmationSound) - 1, 0);
    SetDlgItemTextA(page, IDE_OPT_SOUNDFILE, options->szConfirmationSound);
    EnableSound(page);
    return FALSE;
}

void StoreControls(HWND page)
{
    OptionsRecord* o = g_options;
    for (const auto& c : kChecks) o->*c.flag = Checked(page, c.control) ? 1 : 0;
    o->crRuleScript = g_colour;
    for (int i = 0; i < kHotkeyCount; i++) o->*kHotkeys[i].word = g_fields[i].combination;
    GetDlgItemTextA(page, IDE_OPT_SOUNDFILE, o->szConfirmationSound, sizeof(o->szConfirmationSound));
}

bool ControlsDiffer(HWND page)
{
    const OptionsRecord* o = &Options;
    for (const auto& c : kChecks)
        if (Checked(page, c.control) != (o->*c.flag != 0)) return true;
    if (g_colour != o->crRuleScript) return true;
    for (int i = 0; i < kHotkeyCount; i++)
        if (g_fields[i].combination != o->*kHotkeys[i].word) return true;
    char file[MAX_PATH] = "";
    GetDlgItemTextA(page, IDE_OPT_SOUNDFILE, file, sizeof(file));
    return strcmp(file, o->szConfirmationSound) != 0;
}

void BrowseSound(HWND page)
{
    char current[MAX_PATH] = "";
    GetDlgItemTextA(page, IDE_OPT_SOUNDFILE, current, sizeof(current));
    const char* chosen = FileDialog(false, kSoundFilter, current);
    if (chosen) SetDlgItemTextA(page, IDE_OPT_SOUNDFILE, chosen);
}

void TestSound(HWND page)
{
    char file[MAX_PATH] = "";
    GetDlgItemTextA(page, IDE_OPT_SOUNDFILE, file, sizeof(file));
    if (file[0])
        PlayOptionsSound(file, SND_ASYNC | SND_NODEFAULT);
    else
        PlayOptionsSound((LPCSTR)SND_ALIAS_SYSTEMASTERISK, SND_ALIAS_ID | SND_ASYNC);
}

void OnCommand(HWND page, int id, int code)
{
    if (id == IDOK) {
        StoreControls(page);
        SetWindowLongPtrA(page, DWLP_MSGRESULT, 0);
        return;
    }
    if (code != BN_CLICKED) return;
    if (id == IDX_OPT_SOUND) EnableSound(page);
    if (id == IDB_OPT_BROWSE) BrowseSound(page);
    if (id == IDB_OPT_TEST) TestSound(page);
}

}  // namespace

INT_PTR CALLBACK OptionsGeneralPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(page, (OptionsRecord*)lParam);
    case WM_COMMAND:
        OnCommand(page, LOWORD(wParam), HIWORD(wParam));
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
