// AboutBox.cpp - dialog 50102: version, folder links and the configuration
// services; a restore or reset offers the restart that applies it.
#include "framework/services/AboutBox.h"

#include "framework/core/AppObject.h"
#include "framework/core/AppShell.h"
#include "framework/core/AppWindow.h"
#include "framework/core/CommandLine.h"
#include "framework/core/DialogUtil.h"
#include "framework/core/TextUtil.h"
#include "framework/services/AboutBoxRes.h"
#include "framework/services/Archive.h"
#include "framework/services/ArchiveRes.h"
#include "framework/services/ConfigBackup.h"
#include "framework/services/LinkLabel.h"
#include "framework/services/UpdateCheck.h"
#include "framework/services/UpdateCheckRes.h"
#include "framework/ui/DialogSetup.h"
#include "framework/ui/MessageBox.h"

#define VERSION_STRING       0xF005
#define RESULT_STRINGS       0xF00A
#define COLUMN_RESTORED      0
#define COLUMN_BACKED_UP     1
#define COLUMN_RESET         2
#define RESTART_STRING       0xF00B
#define BACKED_UP_FLAGS      0x114
#define RESTART_FLAGS        0x128

// Made on first use, re-attached at every opening, kept until the program ends.
static LinkLabel g_programLink;
static LinkLabel g_dataLink;

static const char* DisplayName()
{
    return AppText(g_app.productNameId);
}

//--- opening

DWORD ShowAboutBox(HWND owner, LPARAM parameter)
{
    if (!owner) {
        // Opened from the tray while another program is in front: no owner.
        HWND front = GetForegroundWindow();
        DWORD process = 0;
        if (front) GetWindowThreadProcessId(front, &process);
        if (process == GetCurrentProcessId()) owner = front;
    }
    if (owner) {
        AppWindow* record = FindAppWindowByHandle(&g_app, owner);
        bool keepAsIs = record && (record->flags & APPWIN_CREATED);
        if (record && !keepAsIs)
            ShowAppWindowAndBars(record, SW_SHOW, 0);
        else if (!record)
            ShowWindow(owner, SW_SHOW);
        if (!keepAsIs) SetForegroundWindow(owner);
    }
    ChangeModalDepth(&g_app, 1);
    DialogBoxParamA(g_app.instance, MAKEINTRESOURCEA(IDD_ABOUT), owner, AboutDlgProc, parameter);
    DWORD error = GetLastError();
    ChangeModalDepth(&g_app, -1);
    return error;
}

//--- the dialog

static void SetVersionFont(HWND dialog, HFONT bold)
{
    if (bold) SendDlgItemMessageA(dialog, IDT_ABOUT_VERSION, WM_SETFONT, (WPARAM)bold, TRUE);
}

// The installation folder the record names, or the program file's own when
// the record leaves it empty.
static void GetProgramFolder(char* out)
{
    CopyTextN(out, MAX_PATH, g_app.installRecord.installFolder, sizeof(g_app.installRecord.installFolder));
    if (!out[0]) CopyText(out, MAX_PATH, g_app.programFolder);
}

static void InitAboutBox(HWND dialog)
{
    HFONT bold = InitDialogDefaults(&g_app, dialog);
    SetWindowTextA(dialog, g_app.productName);
    SetDlgItemFormatted(dialog, IDT_ABOUT_VERSION, AppText(VERSION_STRING), DisplayName(), g_app.versionMajor,
                        g_app.versionMinor, g_app.versionBuild);
    SetVersionFont(dialog, bold);
    char programFolder[MAX_PATH];
    GetProgramFolder(programFolder);
    AttachLinkLabel(&g_programLink, dialog, IDT_ABOUT_PROGRAM, programFolder);
    AttachLinkLabel(&g_dataLink, dialog, IDT_ABOUT_DATA, g_app.dataFolder);
    EnableWindow(GetDlgItem(dialog, IDHELP), g_app.windows.count > 0);
}

static void DrawProgramIcon(const DRAWITEMSTRUCT* item)
{
    int side = ((item->rcItem.right - item->rcItem.left) & 0xFF) & ~1;
    if (side <= 0) return;
    HICON icon = (HICON)LoadImageA(g_app.instance, MAKEINTRESOURCEA(1), IMAGE_ICON, side, side, 0);
    if (!icon) return;
    DrawIconEx(item->hDC, item->rcItem.left, item->rcItem.top, icon, side, side, 0, nullptr, DI_NORMAL);
    DestroyIcon(icon);
}

static void AskForHelp()
{
    if (g_app.windows.count > 0 && g_app.windows.data && g_app.windows.data[0])
        SendMessageA(g_app.windows.data[0]->window, ZRPMSG_HELP, (WPARAM) "About", 0);
}

// The restored or reset configuration applies at the next start: OK quits
// and starts the program again with the same command line.
static void OfferRestart(HWND dialog, int column)
{
    if (AppMessageBox(&g_app, dialog, DisplayName(), "%s\n%s", RESTART_FLAGS, 0, AppText(RESULT_STRINGS, column),
                      AppText(RESTART_STRING)) != IDOK)
        return;
    AppQuit(&g_app, -1, true);
    EndDialog(dialog, IDOK);
}

static void BackUp(HWND dialog)
{
    // Everything the program holds goes into the records first.
    SaveLayoutRecords(&g_app);
    SendToActiveAppWindow(ZRPMSG_SAVEALL, 0);
    if (BackupRestoreConfig(dialog, CONFIG_BACKUP) == CONFIG_DONE)
        AppMessageBox(&g_app, dialog, DisplayName(), "%s", BACKED_UP_FLAGS, 0,
                      AppText(RESULT_STRINGS, COLUMN_BACKED_UP));
}

static void OnAboutCommand(HWND dialog, int id)
{
    switch (id) {
    case IDOK:
    case IDCANCEL:
        EndDialog(dialog, id);
        break;
    case IDHELP:
        AskForHelp();
        break;
    case IDB_ABOUT_RESTORE:
        if (BackupRestoreConfig(dialog, CONFIG_RESTORE) == CONFIG_DONE) OfferRestart(dialog, COLUMN_RESTORED);
        break;
    case IDB_ABOUT_BACKUP:
        BackUp(dialog);
        break;
    case IDB_ABOUT_RESET:
        if (BackupRestoreConfig(dialog, CONFIG_RESET) == CONFIG_DONE) OfferRestart(dialog, COLUMN_RESET);
        break;
    case IDB_ABOUT_ARCHIVE:
        DialogBoxParamA(g_app.instance, MAKEINTRESOURCEA(IDD_ARCHIVE), dialog, ArchiveSettingsDlgProc, 0);
        break;
    case IDB_ABOUT_UPDATE:
        DialogBoxParamA(g_app.instance, MAKEINTRESOURCEA(IDD_UPDATECHECK), dialog, UpdateCheckDlgProc, 1);
        break;
    }
}

INT_PTR CALLBACK AboutDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        InitAboutBox(dialog);
        return FALSE;
    case WM_DRAWITEM:
        if (wParam == IDC_ABOUT_ICON) {
            DrawProgramIcon((const DRAWITEMSTRUCT*)lParam);
            return TRUE;
        }
        return FALSE;
    case WM_COMMAND:
        OnAboutCommand(dialog, LOWORD(wParam));
        return TRUE;
    case WM_HELP:
        AskForHelp();
        return TRUE;
    case WM_DPICHANGED:
        SetVersionFont(dialog, ApplyDialogFontForDpi(dialog, HIWORD(wParam)));
        return FALSE;
    case WM_DESTROY:
        DetachLinkLabel(&g_programLink);
        DetachLinkLabel(&g_dataLink);
        return FALSE;
    }
    return FALSE;
}
