// ArchiveDialog.cpp - dialog 50103: the schedule, the number kept, the
// folder and name templates with their expansions, and "Archive now!".
#include "framework/services/Archive.h"

#include "framework/core/AppObject.h"
#include "framework/core/AppWindow.h"
#include "framework/core/DialogUtil.h"
#include "framework/core/TextUtil.h"
#include "framework/services/ArchiveRes.h"
#include "framework/ui/DialogSetup.h"
#include "framework/ui/MessageBox.h"

#define ARCHIVE_DIALOG_STRINGS  0xF00F
#define COLUMN_BROWSE_TITLE     0
#define COLUMN_ARCHIVED         1
#define COLUMN_BAD_PATH         2
#define COLUMN_BAD_NAME         3
#define COLUMN_NOT_ARCHIVED     4
#define COLUMN_NAME_OUTSIDE     5
#define COLUMN_IMPORT_FILE      6
#define BACKUP_STRINGS          0xF009
#define COLUMN_INCOMPLETE       4
#define SUCCESS_FLAGS           0x114
#define WARNING_FLAGS           0x112
#define ERROR_FLAGS             0x111
// A scheduled job writes a few hundred small files: it is waited for, not
// run beside.
#define ARCHIVE_WAIT_ROUNDS     3000
#define ARCHIVE_WAIT_MS         10

static void ShowArchiveMessage(HWND dialog, int column, uint32_t flags)
{
    AppMessageBox(&g_app, dialog, g_app.productName, "%s", flags, 0, AppText(ARCHIVE_DIALOG_STRINGS, column));
}

// Says why an archive may not go where the settings put it; false when it may.
static bool ShowRefusedTarget(HWND dialog, const ArchiveSettings* s)
{
    char folder[MAX_PATH], path[MAX_PATH];
    int target = ResolveArchiveTarget(s, folder, path);
    if (target != ARCHIVE_OUTSIDE && target != ARCHIVE_IMPORT_FILE) return false;
    int column = target == ARCHIVE_OUTSIDE ? COLUMN_NAME_OUTSIDE : COLUMN_IMPORT_FILE;
    AppMessageBox(&g_app, dialog, g_app.productName, AppText(ARCHIVE_DIALOG_STRINGS, column), ERROR_FLAGS, 0,
                  path);
    return true;
}

static void EnableSchedule(HWND dialog)
{
    EnableDlgItems(IsDlgButtonChecked(dialog, IDX_ARCHIVE_AUTO) == BST_CHECKED, dialog, IDE_ARCHIVE_DAYS,
                   IDT_ARCHIVE_DAYS, 0);
}

static void ShowExpansion(HWND dialog, int field, int preview)
{
    char text[MAX_PATH], expanded[MAX_PATH];
    GetDlgItemTextA(dialog, field, text, sizeof(text));
    if (!ExpandArchiveName(text, expanded)) expanded[0] = '\0';
    SetDlgItemTextA(dialog, preview, expanded);
}

static void InitArchiveDialog(HWND dialog)
{
    InitDialogDefaults(&g_app, dialog);
    LoadArchiveSettings();
    ArchiveSettings s = GetArchiveSettings();
    CheckDlgButton(dialog, IDX_ARCHIVE_AUTO, s.automatic ? BST_CHECKED : BST_UNCHECKED);
    EnableSchedule(dialog);
    SetDlgItemNumber(dialog, IDE_ARCHIVE_DAYS, s.intervalDays);
    SetDlgItemNumber(dialog, IDE_ARCHIVE_KEEP, s.keepCount);
    // The fields hold no more than the record does.
    SendDlgItemMessageA(dialog, IDE_ARCHIVE_FOLDER, EM_LIMITTEXT, sizeof(s.folderTemplate) - 1, 0);
    SendDlgItemMessageA(dialog, IDE_ARCHIVE_NAME, EM_LIMITTEXT, sizeof(s.nameTemplate) - 1, 0);
    SetDlgItemTextA(dialog, IDE_ARCHIVE_FOLDER, s.folderTemplate);
    SetDlgItemTextA(dialog, IDE_ARCHIVE_NAME, s.nameTemplate);
}

// The fields as settings; the time of the last archive is the record's.
static ArchiveSettings ReadArchiveFields(HWND dialog)
{
    ArchiveSettings s = GetArchiveSettings();
    s.automatic = IsDlgButtonChecked(dialog, IDX_ARCHIVE_AUTO) == BST_CHECKED ? 1 : 0;
    s.intervalDays =
        GetDlgItemNumberDefault(dialog, IDE_ARCHIVE_DAYS, 1, ARCHIVE_INTERVAL_MAX, ARCHIVE_DEFAULT_INTERVAL);
    s.keepCount = GetDlgItemNumberDefault(dialog, IDE_ARCHIVE_KEEP, 1, ARCHIVE_KEEP_MAX, ARCHIVE_DEFAULT_KEEP);
    GetDlgItemTextA(dialog, IDE_ARCHIVE_FOLDER, s.folderTemplate, sizeof(s.folderTemplate));
    GetDlgItemTextA(dialog, IDE_ARCHIVE_NAME, s.nameTemplate, sizeof(s.nameTemplate));
    return s;
}

static bool IsExpandable(const char* pattern)
{
    char expanded[MAX_PATH];
    return pattern[0] && ExpandArchiveName(pattern, expanded);
}

// Waits, answering sent messages only, for a scheduled job to finish; true
// once this thread may write. The button stays disabled meanwhile.
static bool WaitToArchive(HWND dialog)
{
    if (TryBeginArchiving()) return true;
    HWND button = GetDlgItem(dialog, IDB_ARCHIVE_NOW);
    EnableWindow(button, FALSE);
    bool claimed = false;
    for (int round = 0; round < ARCHIVE_WAIT_ROUNDS && !claimed; round++) {
        if (MsgWaitForMultipleObjects(0, nullptr, FALSE, ARCHIVE_WAIT_MS, QS_SENDMESSAGE) == WAIT_OBJECT_0) {
            MSG msg;
            PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        }
        claimed = TryBeginArchiving();
    }
    EnableWindow(button, TRUE);
    return claimed;
}

// "Archive now!" writes with the settings in the fields, never at the same
// time as a scheduled job.
static void ArchiveNow(HWND dialog)
{
    ArchiveSettings s = ReadArchiveFields(dialog);
    int result = ARCHIVE_FAILED;
    if (WaitToArchive(dialog)) {
        result = WriteScheduledArchive(&s);
        EndArchiving();
    }
    if (result == ARCHIVE_WRITTEN)
        ShowArchiveMessage(dialog, COLUMN_ARCHIVED, SUCCESS_FLAGS);
    else if (result == ARCHIVE_INCOMPLETE)
        AppMessageBox(&g_app, dialog, g_app.productName, "%s", WARNING_FLAGS, 0,
                      AppText(BACKUP_STRINGS, COLUMN_INCOMPLETE));
    else if (!ShowRefusedTarget(dialog, &s))
        ShowArchiveMessage(dialog, COLUMN_NOT_ARCHIVED, ERROR_FLAGS);
}

static void AcceptArchiveDialog(HWND dialog)
{
    ArchiveSettings s = ReadArchiveFields(dialog);
    if (s.automatic && !IsExpandable(s.folderTemplate)) {
        ShowArchiveMessage(dialog, COLUMN_BAD_PATH, ERROR_FLAGS);
        return;
    }
    if (!IsExpandable(s.nameTemplate)) {
        ShowArchiveMessage(dialog, COLUMN_BAD_NAME, ERROR_FLAGS);
        return;
    }
    if (ShowRefusedTarget(dialog, &s)) return;
    SaveArchiveSettings(&s);
    ScheduledBackup();
    EndDialog(dialog, IDOK);
}

static void Browse(HWND dialog)
{
    char text[MAX_PATH], folder[MAX_PATH];
    GetDlgItemTextA(dialog, IDE_ARCHIVE_FOLDER, text, sizeof(text));
    if (!ExpandArchiveName(text, folder)) folder[0] = '\0';
    if (BrowseForFolder(AppText(ARCHIVE_DIALOG_STRINGS, COLUMN_BROWSE_TITLE), folder) == 1)
        SetDlgItemTextA(dialog, IDE_ARCHIVE_FOLDER, folder);
}

static void AskForHelp()
{
    AppObject* app = &g_app;
    if (app->windows.count > 0 && app->windows.data && app->windows.data[0])
        SendMessageA(app->windows.data[0]->window, ZRPMSG_HELP, (WPARAM) "About", 0);
}

static void OnArchiveCommand(HWND dialog, int id, int code)
{
    switch (id) {
    case IDX_ARCHIVE_AUTO:
        if (code == BN_CLICKED) EnableSchedule(dialog);
        break;
    case IDE_ARCHIVE_FOLDER:
        if (code == EN_CHANGE) ShowExpansion(dialog, IDE_ARCHIVE_FOLDER, IDT_ARCHIVE_FOLDER_PREVIEW);
        break;
    case IDE_ARCHIVE_NAME:
        if (code == EN_CHANGE) ShowExpansion(dialog, IDE_ARCHIVE_NAME, IDT_ARCHIVE_NAME_PREVIEW);
        break;
    case IDB_ARCHIVE_BROWSE:
        Browse(dialog);
        break;
    case IDB_ARCHIVE_DEFAULT:
        SetDlgItemTextA(dialog, IDE_ARCHIVE_FOLDER, ARCHIVE_DEFAULT_FOLDER);
        SetDlgItemTextA(dialog, IDE_ARCHIVE_NAME, ARCHIVE_DEFAULT_NAME);
        break;
    case IDB_ARCHIVE_NOW:
        ArchiveNow(dialog);
        break;
    case IDOK:
        AcceptArchiveDialog(dialog);
        break;
    case IDCANCEL:
        EndDialog(dialog, IDCANCEL);
        break;
    case IDHELP:
        AskForHelp();
        break;
    }
}

INT_PTR CALLBACK ArchiveSettingsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        InitArchiveDialog(dialog);
        return FALSE;
    case WM_COMMAND:
        OnArchiveCommand(dialog, LOWORD(wParam), HIWORD(wParam));
        return TRUE;
    case WM_HELP:
        AskForHelp();
        return TRUE;
    case WM_DPICHANGED:
        ApplyDialogFontForDpi(dialog, HIWORD(wParam));
        return FALSE;
    }
    return FALSE;
}
