// UpdateCheckDialog.cpp - dialog 50101: the versions, the status of the
// check, the schedule settings and "Check now!".
#include "framework/services/UpdateCheck.h"

#include "framework/core/AppObject.h"
#include "framework/core/AppWindow.h"
#include "framework/core/DialogUtil.h"
#include "framework/core/TextUtil.h"
#include "framework/services/UpdateCheckRes.h"
#include "framework/ui/DialogSetup.h"

#include <time.h>

#define UPDATE_STRINGS       0xF00C
#define COLUMN_LAST_CHECK    0
#define COLUMN_NOT_STARTED   6
#define COLUMN_TITLE         11

static const int kBoldTexts[] = {IDT_UPDATE_INSTALLED, IDT_UPDATE_AVAILABLE, IDT_UPDATE_STATUS};

static void SetBoldTexts(HWND dialog, HFONT bold)
{
    if (!bold) return;
    for (int id : kBoldTexts) SendDlgItemMessageA(dialog, id, WM_SETFONT, (WPARAM)bold, TRUE);
}

static void ShowLastCheck(HWND dialog, int64_t lastCheck)
{
    __time64_t when = lastCheck;
    struct tm local = {};
    if (_localtime64_s(&local, &when) != 0) {
        SetDlgItemTextA(dialog, IDT_UPDATE_STATUS, "");
        return;
    }
    char text[128];
    FormatText(text, sizeof(text), AppText(UPDATE_STRINGS, COLUMN_LAST_CHECK), local.tm_mday,
               local.tm_mon + 1, local.tm_year + 1900);
    SetDlgItemTextA(dialog, IDT_UPDATE_STATUS, text);
}

static void EnableSchedule(HWND dialog, bool enable)
{
    EnableDlgItems(enable, dialog, IDE_UPDATE_DAYS, IDT_UPDATE_DAYS, 0);
}

static void InitUpdateDialog(HWND dialog)
{
    SetBoldTexts(dialog, InitDialogDefaults(&g_app, dialog));
    char title[MAX_PATH + 64];
    FormatText(title, sizeof(title), "%s %s", g_app.productName, AppText(UPDATE_STRINGS, COLUMN_TITLE));
    SetWindowTextA(dialog, title);
    SetDlgItemFormatted(dialog, IDT_UPDATE_INSTALLED, "%u.%u.%u", g_app.versionMajor,
                        g_app.versionMinor, g_app.versionBuild);

    UpdateCheckRecord r = GetUpdateCheckState();
    CheckDlgButton(dialog, IDX_UPDATE_AUTO, r.automatic ? BST_CHECKED : BST_UNCHECKED);
    EnableSchedule(dialog, r.automatic != 0);
    SetDlgItemNumber(dialog, IDE_UPDATE_DAYS, r.intervalDays);
    SetDlgItemTextA(dialog, IDT_UPDATE_AVAILABLE, r.version);
    EnableWindow(GetDlgItem(dialog, IDB_UPDATE_DOWNLOAD), r.newer != 0);
    ShowLastCheck(dialog, r.lastCheck);
}

// Cancel's part of both buttons: stop a running check, forget the dialog
// and close it (the modeless one a check opened is destroyed).
static void CloseUpdateDialog(HWND dialog, int button)
{
    CancelUpdateCheck();
    ForgetUpdateDialog(dialog);
    if (IsModelessUpdateDialog(dialog))
        DestroyWindow(dialog);
    else
        EndDialog(dialog, button);
}

static void AcceptUpdateDialog(HWND dialog)
{
    bool automatic = IsDlgButtonChecked(dialog, IDX_UPDATE_AUTO) == BST_CHECKED;
    int interval = GetDlgItemNumberDefault(dialog, IDE_UPDATE_DAYS, UPDATE_INTERVAL_MIN,
                                           UPDATE_INTERVAL_MAX, UPDATE_INTERVAL_MIN);
    SaveUpdateCheckSettings(automatic, interval);
    LoadUpdateCheckState();
    CloseUpdateDialog(dialog, IDOK);
    if (IsUpdateCheckDue()) StartUpdateCheck();
}

static void AskForHelp()
{
    AppObject* app = &g_app;
    if (app->windows.count > 0 && app->windows.data && app->windows.data[0])
        SendMessageA(app->windows.data[0]->window, ZRPMSG_HELP, (WPARAM) "About", 0);
}

static void OnUpdateCommand(HWND dialog, int id, int code)
{
    switch (id) {
    case IDX_UPDATE_AUTO:
        if (code == BN_CLICKED)
            EnableSchedule(dialog, IsDlgButtonChecked(dialog, IDX_UPDATE_AUTO) == BST_CHECKED);
        break;
    case IDB_UPDATE_CHECKNOW:
        if (StartUpdateCheck() != 0) ShowUpdateStatus(dialog, COLUMN_NOT_STARTED);
        break;
    case IDB_UPDATE_DOWNLOAD: {
        char page[sizeof(g_app.installRecord.downloadPage)];
        CopyTextN(page, sizeof(page), g_app.installRecord.downloadPage,
                  sizeof(g_app.installRecord.downloadPage));
        if (page[0]) ShellExecuteAsUser(page, nullptr, 0, nullptr, SW_SHOWNORMAL);
        break;
    }
    case IDOK:
        AcceptUpdateDialog(dialog);
        break;
    case IDCANCEL:
        CloseUpdateDialog(dialog, IDCANCEL);
        break;
    case IDHELP:
        AskForHelp();
        break;
    }
}

INT_PTR CALLBACK UpdateCheckDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        InitUpdateDialog(dialog);
        return FALSE;
    case WM_SHOWWINDOW:
        if (wParam) SetOpenUpdateDialog(dialog);
        return FALSE;
    case WM_COMMAND:
        OnUpdateCommand(dialog, LOWORD(wParam), HIWORD(wParam));
        return TRUE;
    case WM_HELP:
        AskForHelp();
        return TRUE;
    case WM_DPICHANGED:
        SetBoldTexts(dialog, ApplyDialogFontForDpi(dialog, HIWORD(wParam)));
        return FALSE;
    case WM_DESTROY:
        ForgetUpdateDialog(dialog);
        ForgetModelessUpdateDialog(dialog);
        return FALSE;
    }
    return FALSE;
}
