// ProfileGeneralPage.cpp - the General page of Profile Settings: name,
// enabling, the screen, display and desktop restrictions, and the desktop
// icons and Explorer windows the profile keeps.
#include "ui/ProfileSettingsInternal.h"

#include "engine/ProductStrings.h"
#include "framework/core/AppObject.h"
#include "framework/core/DialogUtil.h"
#include "framework/core/MonitorTable.h"
#include "framework/core/TextUtil.h"
#include "framework/ui/DialogSetup.h"
#include "framework/ui/MessageBox.h"
#include "ui/ProfileSettingsRes.h"
#include "vdesktop/VirtualDesktop.h"

#include <stdlib.h>
#include <string.h>

namespace {

const int32_t kCoordinate = 16384;

struct GeneralPage {
    ProfileSettingsDialog* dialog;
    bool captured;   // icons or Explorer windows saved into the working copy
};

struct NumberRow {
    int id;
    size_t offset;
    int32_t minimum;
};

const NumberRow kNumbers[] = {
    {IDE_PRFGEN_SCREENX, offsetof(Profile, iGenScreenX), -kCoordinate},
    {IDE_PRFGEN_SCREENY, offsetof(Profile, iGenScreenY), -kCoordinate},
    {IDE_PRFGEN_SCREENW, offsetof(Profile, iGenScreenW), 0},
    {IDE_PRFGEN_SCREENH, offsetof(Profile, iGenScreenH), 0},
    {IDE_PRFGEN_DPI, offsetof(Profile, iGenDisplayDPI), 0},
};

int32_t* Field(Profile* p, size_t offset)
{
    return (int32_t*)((char*)p + offset);
}

GeneralPage* PageOf(HWND page)
{
    return (GeneralPage*)GetWindowLongPtrA(page, DWLP_USER);
}

void ShowScale(HWND page)
{
    int32_t dpi = 0;
    if (ReadWholeNumber(page, IDE_PRFGEN_DPI, &dpi) && dpi >= 1 && dpi <= kCoordinate)
        SetDlgItemFormatted(page, IDT_PRFGEN_SCALE, "( %d%% )", dpi * 100 / 96);
    else
        SetDlgItemTextA(page, IDT_PRFGEN_SCALE, "( ---% )");
}

void FillLists(HWND page)
{
    MonitorTable t;
    GetMonitorSnapshot(&t);
    for (int i = 0; i < t.count && i < MONITOR_TABLE_MAX; i++)
        SendDlgItemMessageA(page, IDCB_PRFGEN_DISPLAY, CB_ADDSTRING, 0, (LPARAM)t.deviceNames[i]);
    SendDlgItemMessageA(page, IDCB_PRFGEN_DISPLAY, CB_LIMITTEXT, 259, 0);
    SendDlgItemMessageA(page, IDE_PRFGEN_NAME, EM_LIMITTEXT, 259, 0);
    int desktops = g_virtualDesktop ? g_virtualDesktop->GetDesktopCount() : -1;
    for (int i = 1; i <= desktops; i++) {
        char number[16];
        FormatText(number, sizeof(number), "%d", i);
        SendDlgItemMessageA(page, IDCB_PRFGEN_VDESK, CB_ADDSTRING, 0, (LPARAM)number);
    }
    if (!g_virtualDesktop) EnableDlgItems(false, page, IDT_PRFGEN_VDESK, IDCB_PRFGEN_VDESK, IDB_PRFGEN_GETVDESK, 0);
}

void Show(HWND page, const Profile* p)
{
    SetDlgItemTextA(page, IDE_PRFGEN_NAME, p->szGenName);
    CheckBox(page, IDX_PRFGEN_ENABLED, p->bGenEnabled != 0);
    CheckBox(page, IDX_PRFGEN_ENABLELOAD, p->bGenEnableOnLoad != 0);
    for (const NumberRow& r : kNumbers) ShowNumber(page, r.id, *Field(const_cast<Profile*>(p), r.offset));
    SetDlgItemTextA(page, IDCB_PRFGEN_DISPLAY, p->szGenDisplayName);
    ShowNumber(page, IDCB_PRFGEN_VDESK, p->iGenVDesk == VALUE_ANY ? VALUE_ANY : p->iGenVDesk + 1);
    CheckBox(page, IDX_PRFGEN_RESTOREICONS, p->bGenRestoreIcons != 0);
    CheckBox(page, IDX_PRFGEN_RESTOREEXP, p->bGenRestoreExpWin != 0);
    ShowScale(page);
}

int32_t ShownDesktop(HWND page)
{
    int32_t n = 0;
    if (!ReadWholeNumber(page, IDCB_PRFGEN_VDESK, &n)) return VALUE_ANY;
    n = n < 1 ? 1 : n > kCoordinate ? kCoordinate : n;
    return n - 1;
}

bool Changed(HWND page, const GeneralPage* g)
{
    const Profile* p = &g->dialog->working;
    if (g->captured) return true;
    if (TextDiffers(page, IDE_PRFGEN_NAME, p->szGenName, sizeof(p->szGenName)) ||
        TextDiffers(page, IDCB_PRFGEN_DISPLAY, p->szGenDisplayName, sizeof(p->szGenDisplayName)))
        return true;
    if (Checked(page, IDX_PRFGEN_ENABLED) != (p->bGenEnabled != 0) ||
        Checked(page, IDX_PRFGEN_ENABLELOAD) != (p->bGenEnableOnLoad != 0) ||
        Checked(page, IDX_PRFGEN_RESTOREICONS) != (p->bGenRestoreIcons != 0) ||
        Checked(page, IDX_PRFGEN_RESTOREEXP) != (p->bGenRestoreExpWin != 0))
        return true;
    for (const NumberRow& r : kNumbers)
        if (NumberDiffers(page, r.id, *Field(const_cast<Profile*>(p), r.offset))) return true;
    return IsWindowEnabled(GetDlgItem(page, IDCB_PRFGEN_VDESK)) && ShownDesktop(page) != p->iGenVDesk;
}

// OK: the name first; an empty one is refused.
bool Store(HWND page, Profile* p)
{
    char name[sizeof(p->szGenName)] = "";
    GetDlgItemTextA(page, IDE_PRFGEN_NAME, name, sizeof(name));
    if (!name[0]) {
        AppMessageBox(&g_app, page, AppText(IDS_PRODUCT_NAME), AppText(5020), MB_ZRP_ERROR | MB_ZRP_OK, 0);
        SetFocus(GetDlgItem(page, IDE_PRFGEN_NAME));
        return false;
    }
    CopyText(p->szGenName, sizeof(p->szGenName), name);
    p->bGenEnabled = Checked(page, IDX_PRFGEN_ENABLED) ? 1 : 0;
    p->bGenEnableOnLoad = Checked(page, IDX_PRFGEN_ENABLELOAD) ? 1 : 0;
    for (const NumberRow& r : kNumbers)
        *Field(p, r.offset) = ReadBoundedNumber(page, r.id, r.minimum, kCoordinate, VALUE_ANY);
    GetDlgItemTextA(page, IDCB_PRFGEN_DISPLAY, p->szGenDisplayName, sizeof(p->szGenDisplayName));
    if (IsWindowEnabled(GetDlgItem(page, IDCB_PRFGEN_VDESK))) p->iGenVDesk = ShownDesktop(page);
    p->bGenRestoreIcons = Checked(page, IDX_PRFGEN_RESTOREICONS) ? 1 : 0;
    p->bGenRestoreExpWin = Checked(page, IDX_PRFGEN_RESTOREEXP) ? 1 : 0;
    return true;
}

void GetCurrentScreen(HWND page)
{
    RefreshMonitors();
    MonitorTable t;
    GetMonitorSnapshot(&t);
    SetDlgItemNumber(page, IDE_PRFGEN_SCREENX, t.screenX);
    SetDlgItemNumber(page, IDE_PRFGEN_SCREENY, t.screenY);
    SetDlgItemNumber(page, IDE_PRFGEN_SCREENW, t.screenWidth);
    SetDlgItemNumber(page, IDE_PRFGEN_SCREENH, t.screenHeight);
}

void GetCurrentDisplay(HWND page)
{
    RefreshMonitors();
    MonitorTable t;
    GetMonitorSnapshot(&t);
    char name[260] = "";
    GetDlgItemTextA(page, IDCB_PRFGEN_DISPLAY, name, sizeof(name));
    int at = -1;
    if (!name[0]) {
        POINT cursor = {};
        GetCursorPos(&cursor);
        at = MonitorFromPointIndex(cursor.x, cursor.y, false);
    } else {
        at = MonitorIndexByName(name, &t, false);
    }
    if (at >= 0 && at < t.count) {
        SetDlgItemTextA(page, IDCB_PRFGEN_DISPLAY, t.deviceNames[at]);
        SetDlgItemNumber(page, IDE_PRFGEN_DPI, (int)t.dpis[at]);
    } else {
        SetDlgItemTextA(page, IDE_PRFGEN_DPI, "");
    }
    PostMessageA(page, WM_COMMAND, MAKEWPARAM(IDE_PRFGEN_DPI, EN_CHANGE), (LPARAM)GetDlgItem(page, IDE_PRFGEN_DPI));
}

void GetCurrentDesktop(HWND page)
{
    if (!g_virtualDesktop) return;
    int current = g_virtualDesktop->GetCurrentDesktopNumber();
    if (current >= 0) SetDlgItemNumber(page, IDCB_PRFGEN_VDESK, current + 1);
}

void OnCommand(HWND page, GeneralPage* g, int id, int code)
{
    switch (id) {
    case IDE_PRFGEN_DPI:
        if (code == EN_CHANGE) ShowScale(page);
        return;
    case IDB_PRFGEN_GETSCREEN:
        GetCurrentScreen(page);
        return;
    case IDB_PRFGEN_GETDISPLAY:
        GetCurrentDisplay(page);
        return;
    case IDB_PRFGEN_GETVDESK:
        GetCurrentDesktop(page);
        return;
    case IDB_PRF_SAVEICONS:
    case IDB_PRF_RESTOREICONS:
    case IDB_PRF_SAVEEXP:
    case IDB_PRF_RESTOREEXP:
        if (RunCaptureButton(page, g->dialog, id)) g->captured = true;
        return;
    default:
        return;
    }
}

}  // namespace

INT_PTR CALLBACK ProfileGeneralPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    GeneralPage* g = PageOf(page);
    switch (message) {
    case WM_INITDIALOG: {
        g = (GeneralPage*)calloc(1, sizeof(GeneralPage));
        if (!g) return FALSE;
        g->dialog = (ProfileSettingsDialog*)lParam;
        SetWindowLongPtrA(page, DWLP_USER, (LONG_PTR)g);
        ApplyDialogFontForDpi(page, GetWindowDpi(page));
        FillLists(page);
        Show(page, &g->dialog->working);
        return FALSE;
    }
    case WM_NCDESTROY:
        free(g);
        SetWindowLongPtrA(page, DWLP_USER, 0);
        return FALSE;
    case WM_DPICHANGED:
        ApplyDialogFontForDpi(page, HIWORD(wParam));
        return TRUE;
    case WM_PAGE_CHANGED:
        return PageAnswer(page, g && Changed(page, g) ? 1 : 0);
    case WM_COMMAND:
        if (!g) return TRUE;
        if (LOWORD(wParam) == IDOK) return PageAnswer(page, Store(page, &g->dialog->working) ? 0 : PAGE_REFUSED);
        OnCommand(page, g, LOWORD(wParam), HIWORD(wParam));
        return TRUE;
    default:
        return FALSE;
    }
}
