// UpdateCheck.cpp - the update-check record, its schedule and the check thread.
#include "framework/services/UpdateCheck.h"

#include "framework/core/AppObject.h"
#include "framework/core/RecordFile.h"
#include "framework/core/TextUtil.h"
#include "framework/services/HttpClient.h"
#include "framework/services/UpdateCheckRes.h"

#include <atomic>
#include <ctype.h>
#include <limits.h>
#include <string.h>
#include <time.h>

#define UPDATE_STRINGS       0xF00C
#define STATUS_CHECKING      1
#define STATUS_DOWNLOAD      2
#define STATUS_FORMAT        3
#define STATUS_NEWER         4
#define STATUS_CURRENT       5
#define STATUS_NOT_STARTED   6
#define STOP_WAIT_ROUNDS     500
#define STOP_WAIT_MS         10
#define RESPONSE_CAPACITY    4096

// g_record: read and written by the UI thread and the check thread; guarded
// by g_recordLock, which is never held while sending to a window.
static UpdateCheckRecord g_record;
static SRWLOCK g_recordLock = SRWLOCK_INIT;
// Shared as single values between the UI thread and the check thread.
static std::atomic<uint8_t> g_running(0);
static std::atomic<uint8_t> g_cancel(0);
static std::atomic<HWND> g_openDialog(nullptr);
static std::atomic<HWND> g_threadDialog(nullptr);

//--- the record

void LoadUpdateCheckState()
{
    UpdateCheckRecord stored = {};
    // One byte more than the record: a longer file is as damaged as a shorter one.
    char raw[sizeof(UpdateCheckRecord) + 1];
    if (ReadRecordFile(UPDATE_CHECK_RECORD, raw, sizeof(raw)) == sizeof(UpdateCheckRecord))
        memcpy(&stored, raw, sizeof(stored));
    stored.version[sizeof(stored.version) - 1] = '\0';
    stored.newer = stored.newer ? 1 : 0;
    stored.automatic = stored.automatic ? 1 : 0;
    if (stored.intervalDays == 0) {
        stored.automatic = 1;
        stored.intervalDays = UPDATE_INTERVAL_MIN;
    }
    if (stored.intervalDays < UPDATE_INTERVAL_MIN) stored.intervalDays = UPDATE_INTERVAL_MIN;
    if (stored.intervalDays > UPDATE_INTERVAL_MAX) stored.intervalDays = UPDATE_INTERVAL_MAX;
    AcquireSRWLockExclusive(&g_recordLock);
    g_record = stored;
    ReleaseSRWLockExclusive(&g_recordLock);
}

UpdateCheckRecord GetUpdateCheckState()
{
    AcquireSRWLockShared(&g_recordLock);
    UpdateCheckRecord copy = g_record;
    ReleaseSRWLockShared(&g_recordLock);
    return copy;
}

// Caller holds the lock.
static bool SaveRecordLocked()
{
    return SaveRecord(UPDATE_CHECK_RECORD, -1, &g_record, sizeof(g_record)) == sizeof(g_record);
}

bool SaveUpdateCheckSettings(bool automatic, int intervalDays)
{
    AcquireSRWLockExclusive(&g_recordLock);
    g_record.automatic = automatic ? 1 : 0;
    g_record.intervalDays = intervalDays;
    bool saved = SaveRecordLocked();
    ReleaseSRWLockExclusive(&g_recordLock);
    return saved;
}

bool IsUpdateCheckDue()
{
    UpdateCheckRecord r = GetUpdateCheckState();
    if (!r.automatic) return false;
    double elapsed = difftime(time(nullptr), (time_t)r.lastCheck);
    return elapsed < 0 || elapsed > (double)r.intervalDays * 86400.0;
}

void ScheduledUpdateCheck()
{
    LoadUpdateCheckState();
    if (IsUpdateCheckDue()) StartUpdateCheck();
}

//--- the dialog handles

void CancelUpdateCheck()
{
    g_cancel = 1;
}

HWND GetOpenUpdateDialog()
{
    return g_openDialog.load();
}

void SetOpenUpdateDialog(HWND dialog)
{
    g_openDialog = dialog;
}

void ForgetUpdateDialog(HWND dialog)
{
    HWND expected = dialog;
    g_openDialog.compare_exchange_strong(expected, nullptr);
}

bool IsCheckThreadDialog(HWND dialog)
{
    return dialog && g_threadDialog.load() == dialog;
}

void ShowUpdateStatus(HWND dialog, int column)
{
    SetDlgItemTextA(dialog, IDT_UPDATE_STATUS, AppText(UPDATE_STRINGS, column));
}

//--- starting

// Sleeps for ms while still answering messages sent to this thread: a check
// thread may be setting texts in a dialog this thread owns.
static void WaitAnsweringSentMessages(DWORD ms)
{
    DWORD start = GetTickCount();
    for (DWORD spent = 0; spent < ms; spent = GetTickCount() - start) {
        if (MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - spent, QS_SENDMESSAGE) == WAIT_OBJECT_0) {
            MSG msg;
            PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        }
    }
}

int StartUpdateCheck()
{
    for (int round = 0;; round++) {
        uint8_t idle = 0;
        if (g_running.compare_exchange_strong(idle, 1)) break;
        if (round >= STOP_WAIT_ROUNDS) return 1;
        g_cancel = 1;
        WaitAnsweringSentMessages(STOP_WAIT_MS);
    }
    g_cancel = 0;
    HANDLE thread = CreateThread(nullptr, 0, UpdateCheckThread, nullptr, 0, nullptr);
    if (!thread) {
        g_running = 0;
        HWND dialog = g_openDialog.load();
        if (dialog) ShowUpdateStatus(dialog, STATUS_NOT_STARTED);
        return 3;
    }
    CloseHandle(thread);
    return 0;
}

//--- the check

// Reads "%d.%d.%d" as sscanf would, with numbers held at INT_MAX instead of
// overflowing; the count of numbers read.
static int ScanVersion(const char* text, long long parts[3])
{
    const char* p = text;
    for (int i = 0; i < 3; i++) {
        if (i > 0) {
            if (*p != '.') return i;
            p++;
        }
        while (isspace((unsigned char)*p)) p++;
        bool negative = *p == '-';
        if (*p == '+' || *p == '-') p++;
        if (!isdigit((unsigned char)*p)) return i;
        long long n = 0;
        for (; isdigit((unsigned char)*p); p++)
            if (n <= INT_MAX) n = n * 10 + (*p - '0');
        if (n > INT_MAX) n = INT_MAX;
        parts[i] = negative ? -n : n;
    }
    return 3;
}

static bool IsNewerThanProgram(const long long parts[3])
{
    const long long own[3] = {g_app.versionMajor, g_app.versionMinor, g_app.versionBuild};
    for (int i = 0; i < 3; i++)
        if (parts[i] != own[i]) return parts[i] > own[i];
    return false;
}

static void ShowStatusIfOpen(int column)
{
    HWND dialog = g_openDialog.load();
    if (dialog) ShowUpdateStatus(dialog, column);
}

// Compares the fetched text, opens the dialog for a newer version not seen
// before and stores the check. The dialog this thread opened, or null.
static HWND TakeVersion(const char* text)
{
    long long parts[3] = {};
    if (ScanVersion(text, parts) < 3) {
        ShowStatusIfOpen(STATUS_FORMAT);
        return nullptr;
    }
    bool newer = IsNewerThanProgram(parts);
    char fetched[sizeof(g_record.version)];
    CopyText(fetched, sizeof(fetched), text);

    AcquireSRWLockExclusive(&g_recordLock);
    g_record.newer = newer ? 1 : 0;
    bool known = strcmp(fetched, g_record.version) == 0;
    ReleaseSRWLockExclusive(&g_recordLock);

    HWND opened = nullptr;
    if (newer && !known && !g_openDialog.load()) {
        opened = CreateDialogParamA(g_app.instance, MAKEINTRESOURCEA(IDD_UPDATECHECK), nullptr,
                                    UpdateCheckDlgProc, 0);
        if (opened) {
            g_threadDialog = opened;
            ShowWindow(opened, SW_SHOW);
        }
    }
    HWND dialog = g_openDialog.load();
    if (dialog) {
        SetDlgItemTextA(dialog, IDT_UPDATE_AVAILABLE, fetched);
        ShowUpdateStatus(dialog, newer ? STATUS_NEWER : STATUS_CURRENT);
        EnableWindow(GetDlgItem(dialog, IDB_UPDATE_DOWNLOAD), newer);
    }

    AcquireSRWLockExclusive(&g_recordLock);
    g_record.lastCheck = (int64_t)time(nullptr) / 86400 * 86400;
    CopyText(g_record.version, sizeof(g_record.version), fetched);
    SaveRecordLocked();
    ReleaseSRWLockExclusive(&g_recordLock);
    return opened;
}

static void RunDialogLoop(HWND dialog)
{
    MSG msg;
    while (IsWindow(dialog) && GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (IsDialogMessageA(dialog, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    if (IsWindow(dialog)) DestroyWindow(dialog);
    ForgetUpdateDialog(dialog);
    g_threadDialog = nullptr;
}

DWORD WINAPI UpdateCheckThread(void*)
{
    LoadUpdateCheckState();
    ShowStatusIfOpen(STATUS_CHECKING);

    HttpClient client = {};
    HttpClientInit(&client);
    InitGrowArray(&client.response);
    ArraySetCapacity(&client.response, RESPONSE_CAPACITY, -1);
    client.port = 80;
    client.connection.cancel = &g_cancel;
    char address[sizeof(g_app.installRecord.updateAddress)];
    CopyTextN(address, sizeof(address), g_app.installRecord.updateAddress,
              sizeof(g_app.installRecord.updateAddress));

    HWND opened = nullptr;
    if (HttpGet(&client, address, nullptr, 0, false) != HTTP_GET_OK || !client.response.data)
        ShowStatusIfOpen(STATUS_DOWNLOAD);
    else
        opened = TakeVersion(client.response.data);

    // Before the dialog's loop: its own "Check now!" must find no check running.
    HttpClientDestroy(&client);
    g_running = 0;
    if (opened) RunDialogLoop(opened);
    return 0;
}
