// ProfileTriggerPage.cpp - the Trigger page of Profile Settings: the
// profile's hotkeys, and the screen, session, power, time, idle, screen
// saver and network triggers.
#include "ui/ProfileSettingsInternal.h"

#include "engine/NetworkStatus.h"
#include "engine/ProductStrings.h"
#include "engine/Triggers.h"
#include "framework/core/DialogUtil.h"
#include "framework/core/MonitorTable.h"
#include "framework/core/TextUtil.h"
#include "framework/ui/DialogSetup.h"
#include "framework/ui/HotkeyField.h"
#include "ui/ProfileSettingsRes.h"
#include "vdesktop/VirtualDesktop.h"

#include <stdlib.h>
#include <string.h>

namespace {

const int32_t kDelayMin = 50, kDelayMax = 10000;
const int32_t kSecondsMax = 32140800;

struct TriggerPage {
    ProfileSettingsDialog* dialog;
    HotkeyField hotkey;      // for all windows of the profile
    HotkeyField hotkeyWin;   // for the active window only
};

const int kSessionBoxes[] = {IDX_PRFTRG_CONSOLECONNECT, IDX_PRFTRG_CONSOLEDISCONNECT, IDX_PRFTRG_REMOTECONNECT,
                             IDX_PRFTRG_REMOTEDISCONNECT, IDX_PRFTRG_LOGON, IDX_PRFTRG_LOGOFF, IDX_PRFTRG_LOCK,
                             IDX_PRFTRG_UNLOCK, IDX_PRFTRG_REMOTECONTROL};
const int kPowerBoxes[] = {IDX_PRFTRG_RESUME, IDX_PRFTRG_TOAC, IDX_PRFTRG_TOBATTERY, IDX_PRFTRG_MONITORON,
                           IDX_PRFTRG_MONITOROFF, IDX_PRFTRG_LIDOPEN, IDX_PRFTRG_LIDCLOSE};
const int kSaverBoxes[] = {IDX_PRFTRG_SAVERON, IDX_PRFTRG_SAVEROFF};
const int kNetworkBoxes[] = {IDX_PRFTRG_NETSTATUS, IDX_PRFTRG_NETTYPE, IDX_PRFTRG_NETIP, IDX_PRFTRG_NETSSID};

// A plain check box and its byte.
struct CheckRow {
    int id;
    size_t offset;
};
const CheckRow kChecks[] = {
    {IDX_PRFTRG_EXECONLY, offsetof(Profile, bTrgExecuteOnly)},
    {IDX_PRFTRG_CHECKNEXT, offsetof(Profile, bTrgCheckNext)},
    {IDX_PRF_HOTKEY, offsetof(Profile, bTrgHotKey)},
    {IDX_PRFTRG_HOTKEYWIN, offsetof(Profile, bTrgHotKeyWin)},
    {IDX_PRF_RESCHANGE, offsetof(Profile, bTrgResChange)},
    {IDX_PRF_DPICHANGE, offsetof(Profile, bTrgDPIChange)},
    {IDX_PRFTRG_DESKTOP, offsetof(Profile, bTrgDesktop)},
    {IDX_PRFTRG_SCREENSTART, offsetof(Profile, bTrgResChangeStart)},
    {IDX_PRF_TIME, offsetof(Profile, bTrgTime)},
    {IDX_PRF_IDLE, offsetof(Profile, bTrgIdle)},
    {IDX_PRFTRG_NETSTART, offsetof(Profile, bTrgNetStart)},
};

// A number field, its value's bounds and what an empty one means.
struct NumberRow {
    int id;
    size_t offset;
    int32_t minimum, maximum, otherwise;
};
const NumberRow kNumbers[] = {
    {IDE_PRFTRG_SCREENDELAY, offsetof(Profile, iTrgScreenDelay), kDelayMin, kDelayMax, kDelayMin},
    {IDE_PRFTRG_SESSIONDELAY, offsetof(Profile, iTrgSessionDelay), kDelayMin, kDelayMax, kDelayMin},
    {IDE_PRFTRG_POWERDELAY, offsetof(Profile, iTrgPowerDelay), kDelayMin, kDelayMax, kDelayMin},
    {IDE_PRF_TIME, offsetof(Profile, iTrgTime), 1, kSecondsMax, 60},
    {IDE_PRF_IDLE, offsetof(Profile, iTrgIdle), 1, kSecondsMax, 180},
};

uint8_t* Byte(Profile* p, size_t offset)
{
    return (uint8_t*)p + offset;
}

int32_t* Number(Profile* p, size_t offset)
{
    return (int32_t*)((char*)p + offset);
}

TriggerPage* PageOf(HWND page)
{
    return (TriggerPage*)GetWindowLongPtrA(page, DWLP_USER);
}

uint32_t ShownBits(HWND page, const int* boxes, int count)
{
    uint32_t bits = 0;
    for (int i = 0; i < count; i++)
        if (Checked(page, boxes[i])) bits |= 1u << i;
    return bits;
}

void ShowBits(HWND page, const int* boxes, int count, uint32_t bits)
{
    for (int i = 0; i < count; i++) CheckBox(page, boxes[i], (bits & (1u << i)) != 0);
}

int ShownDesktopChoice(HWND page)
{
    LRESULT row = SendDlgItemMessageA(page, IDCB_PRFTRG_DESKTOP, CB_GETCURSEL, 0, 0);
    return row < 0 ? -1 : (int)row;
}

// Raised on opening, in the working copy too: what the fields show is stored.
void ClampOnOpening(Profile* p)
{
    int32_t* delays[] = {&p->iTrgScreenDelay, &p->iTrgSessionDelay, &p->iTrgPowerDelay};
    for (int32_t* delay : delays)
        if (*delay < kDelayMin) *delay = kDelayMin;
    if (p->iTrgTime < 1) p->iTrgTime = 1;
    if (p->iTrgIdle < 1) p->iTrgIdle = 5;
}

void FillLists(HWND page)
{
    int desktops = g_virtualDesktop ? g_virtualDesktop->GetDesktopCount() : -1;
    for (int i = 1; i <= desktops; i++) {
        char number[16];
        FormatText(number, sizeof(number), "%d", i);
        SendDlgItemMessageA(page, IDCB_PRFTRG_DESKTOP, CB_ADDSTRING, 0, (LPARAM)number);
    }
    for (int i = 0; i < 4; i++) {
        SendDlgItemMessageA(page, IDCB_PRFTRG_NETSTATUS, CB_ADDSTRING, 0, (LPARAM)AppText(88, i));
        SendDlgItemMessageA(page, IDCB_PRFTRG_NETTYPE, CB_ADDSTRING, 0, (LPARAM)AppText(89, i));
    }
    SendDlgItemMessageA(page, IDE_PRFTRG_NETIP, EM_LIMITTEXT, 65, 0);
    SendDlgItemMessageA(page, IDE_PRFTRG_NETSSID, EM_LIMITTEXT, 32, 0);
}

void Show(HWND page, TriggerPage* t)
{
    Profile* p = &t->dialog->working;
    for (const CheckRow& r : kChecks) CheckBox(page, r.id, *Byte(p, r.offset) != 0);
    for (const NumberRow& r : kNumbers) SetDlgItemNumber(page, r.id, *Number(p, r.offset));
    SetHotkey(&t->hotkey, p->iTrgHotKey);
    SetHotkey(&t->hotkeyWin, p->iTrgHotKeyWin);
    SendDlgItemMessageA(page, IDCB_PRFTRG_DESKTOP, CB_SETCURSEL, (WPARAM)p->iTrgDesktopNr, 0);
    ShowBits(page, kSessionBoxes, 9, p->iTrgSession);
    ShowBits(page, kPowerBoxes, 7, p->iTrgPower);
    ShowBits(page, kSaverBoxes, 2, p->iTrgScrSave);
    ShowBits(page, kNetworkBoxes, 4, p->bTrgNetwork);
    SendDlgItemMessageA(page, IDCB_PRFTRG_NETSTATUS, CB_SETCURSEL, (WPARAM)(p->iTrgNetStatus + 1), 0);
    SendDlgItemMessageA(page, IDCB_PRFTRG_NETTYPE, CB_SETCURSEL, (WPARAM)(p->iTrgNetType + 1), 0);
    SetDlgItemTextA(page, IDE_PRFTRG_NETIP, p->szTrgNetIPMask);
    SetDlgItemTextA(page, IDE_PRFTRG_NETSSID, p->szTrgNetSSIDMask);
}

void UpdateEnabling(HWND page)
{
    if (!g_virtualDesktop) EnableDlgItems(false, page, IDX_PRFTRG_DESKTOP, IDCB_PRFTRG_DESKTOP, 0);
    EnableDlgItems(g_lidPresent != 0, page, IDX_PRFTRG_LIDOPEN, IDX_PRFTRG_LIDCLOSE, 0);
    if (!g_networkNotifications)
        EnableDlgItems(false, page, IDX_PRFTRG_NETSTATUS, IDX_PRFTRG_NETTYPE, IDX_PRFTRG_NETIP, IDX_PRFTRG_NETSSID,
                       IDX_PRFTRG_NETSTART, IDB_PRFTRG_NETGET, 0);
    EnableByCheck(page, IDX_PRF_HOTKEY, IDE_PRF_HOTKEY, 0);
    EnableByCheck(page, IDX_PRFTRG_HOTKEYWIN, IDE_PRFTRG_HOTKEYWIN, 0);
    EnableByCheck(page, IDX_PRFTRG_DESKTOP, IDCB_PRFTRG_DESKTOP, 0);
    EnableByCheck(page, IDX_PRF_TIME, IDE_PRF_TIME, IDT_PRF_TIMEUNIT);
    EnableByCheck(page, IDX_PRF_IDLE, IDE_PRF_IDLE, IDT_PRF_IDLEUNIT);
    EnableByCheck(page, IDX_PRFTRG_NETSTATUS, IDCB_PRFTRG_NETSTATUS, 0);
    EnableByCheck(page, IDX_PRFTRG_NETTYPE, IDCB_PRFTRG_NETTYPE, 0);
    EnableByCheck(page, IDX_PRFTRG_NETIP, IDE_PRFTRG_NETIP, 0);
    EnableByCheck(page, IDX_PRFTRG_NETSSID, IDE_PRFTRG_NETSSID, 0);
}

bool Changed(HWND page, TriggerPage* t)
{
    Profile* p = &t->dialog->working;
    for (const CheckRow& r : kChecks)
        if (Checked(page, r.id) != (*Byte(p, r.offset) != 0)) return true;
    for (const NumberRow& r : kNumbers)
        if (NumberDiffers(page, r.id, *Number(p, r.offset))) return true;
    if (t->hotkey.combination != p->iTrgHotKey || t->hotkeyWin.combination != p->iTrgHotKeyWin) return true;
    int desktop = g_virtualDesktop ? ShownDesktopChoice(page) : -1;
    if (desktop >= 0 && desktop != p->iTrgDesktopNr) return true;
    if (ShownBits(page, kSessionBoxes, 9) != p->iTrgSession || ShownBits(page, kPowerBoxes, 7) != p->iTrgPower ||
        ShownBits(page, kSaverBoxes, 2) != p->iTrgScrSave || ShownBits(page, kNetworkBoxes, 4) != p->bTrgNetwork)
        return true;
    if (SendDlgItemMessageA(page, IDCB_PRFTRG_NETSTATUS, CB_GETCURSEL, 0, 0) != p->iTrgNetStatus + 1 ||
        SendDlgItemMessageA(page, IDCB_PRFTRG_NETTYPE, CB_GETCURSEL, 0, 0) != p->iTrgNetType + 1)
        return true;
    return TextDiffers(page, IDE_PRFTRG_NETIP, p->szTrgNetIPMask, sizeof(p->szTrgNetIPMask)) ||
           TextDiffers(page, IDE_PRFTRG_NETSSID, p->szTrgNetSSIDMask, sizeof(p->szTrgNetSSIDMask));
}

// OK; the hotkeys are registered by the frame as one set with the others.
void Store(HWND page, TriggerPage* t)
{
    Profile* p = &t->dialog->working;
    for (const CheckRow& r : kChecks) *Byte(p, r.offset) = Checked(page, r.id) ? 1 : 0;
    for (const NumberRow& r : kNumbers)
        *Number(p, r.offset) = ReadBoundedNumber(page, r.id, r.minimum, r.maximum, r.otherwise);
    // A switched-off hotkey keeps its stored combination.
    if (p->bTrgHotKey) p->iTrgHotKey = t->hotkey.combination;
    if (p->bTrgHotKeyWin) p->iTrgHotKeyWin = t->hotkeyWin.combination;
    if (g_virtualDesktop) {
        int chosen = ShownDesktopChoice(page);
        if (chosen >= 0) p->iTrgDesktopNr = chosen;
    }
    p->iTrgSession = ShownBits(page, kSessionBoxes, 9);
    p->iTrgPower = ShownBits(page, kPowerBoxes, 7);
    p->iTrgScrSave = ShownBits(page, kSaverBoxes, 2);
    p->bTrgNetwork = ShownBits(page, kNetworkBoxes, 4);
    LRESULT status = SendDlgItemMessageA(page, IDCB_PRFTRG_NETSTATUS, CB_GETCURSEL, 0, 0);
    LRESULT type = SendDlgItemMessageA(page, IDCB_PRFTRG_NETTYPE, CB_GETCURSEL, 0, 0);
    p->iTrgNetStatus = (int8_t)(status < 0 ? -1 : status - 1);
    p->iTrgNetType = (int8_t)(type < 0 ? -1 : type - 1);
    GetDlgItemTextA(page, IDE_PRFTRG_NETIP, p->szTrgNetIPMask, sizeof(p->szTrgNetIPMask));
    GetDlgItemTextA(page, IDE_PRFTRG_NETSSID, p->szTrgNetSSIDMask, sizeof(p->szTrgNetSSIDMask));
}

void GetCurrentNetwork(HWND page)
{
    NetworkState state = {};
    if (QueryNetworkStatus(&state) != 0) return;
    SendDlgItemMessageA(page, IDCB_PRFTRG_NETSTATUS, CB_SETCURSEL, (WPARAM)(state.status + 1), 0);
    SendDlgItemMessageA(page, IDCB_PRFTRG_NETTYPE, CB_SETCURSEL, (WPARAM)(state.type + 1), 0);
    SetDlgItemTextA(page, IDE_PRFTRG_NETIP, state.ip);
    SetDlgItemTextA(page, IDE_PRFTRG_NETSSID, state.ssid);
}

BOOL OnInitDialog(HWND page, ProfileSettingsDialog* d)
{
    TriggerPage* t = (TriggerPage*)calloc(1, sizeof(TriggerPage));
    if (!t) return FALSE;
    t->dialog = d;
    SetWindowLongPtrA(page, DWLP_USER, (LONG_PTR)t);
    ApplyDialogFontForDpi(page, GetWindowDpi(page));
    InitHotkeyField(&t->hotkey);
    InitHotkeyField(&t->hotkeyWin);
    AttachHotkeyField(&t->hotkey, GetDlgItem(page, IDE_PRF_HOTKEY));
    AttachHotkeyField(&t->hotkeyWin, GetDlgItem(page, IDE_PRFTRG_HOTKEYWIN));
    ClampOnOpening(&d->working);
    FillLists(page);
    Show(page, t);
    UpdateEnabling(page);
    return FALSE;
}

void OnDestroy(HWND page, TriggerPage* t)
{
    if (!t) return;
    DetachHotkeyField(&t->hotkey);
    DetachHotkeyField(&t->hotkeyWin);
    FreeHotkeyField(&t->hotkey);
    FreeHotkeyField(&t->hotkeyWin);
    free(t);
    SetWindowLongPtrA(page, DWLP_USER, 0);
}

}  // namespace

INT_PTR CALLBACK ProfileTriggerPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    TriggerPage* t = PageOf(page);
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(page, (ProfileSettingsDialog*)lParam);
    case WM_DESTROY:
        OnDestroy(page, t);
        return FALSE;
    case WM_DPICHANGED:
        ApplyDialogFontForDpi(page, HIWORD(wParam));
        return TRUE;
    case WM_PAGE_CHANGED:
        return PageAnswer(page, t && Changed(page, t) ? 1 : 0);
    case WM_PAGE_ENABLE:
        UpdateEnabling(page);
        return TRUE;
    case WM_COMMAND:
        if (!t) return TRUE;
        if (LOWORD(wParam) == IDOK) {
            Store(page, t);
            return PageAnswer(page, 0);
        }
        if (LOWORD(wParam) == IDB_PRFTRG_NETGET && HIWORD(wParam) == BN_CLICKED) GetCurrentNetwork(page);
        if (HIWORD(wParam) == BN_CLICKED) UpdateEnabling(page);
        return TRUE;
    default:
        return FALSE;
    }
}
