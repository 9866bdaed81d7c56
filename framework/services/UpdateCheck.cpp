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
// The modeless dialog a check asked the UI thread to open, and the request.
static std::atomic<HWND> g_modelessDialog(nullptr);
static std::atomic<uint8_t> g_dialogWanted(0);

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

bool IsModelessUpdateDialog(HWND dialog)
{
    return dialog && g_modelessDialog.load() == dialog;
}

void ForgetModelessUpdateDialog(HWND dialog)
{
    HWND expected = dialog;
    g_modelessDialog.compare_exchange_strong(expected, nullptr);
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

// The version text: the first line of the answer, digits and dots only.
// False when it is empty, holds anything else or does not fit out.
static bool TakeVersionLine(const char* text, char* out, size_t cap)
{
    size_t length = strcspn(text, "\r\n");
    if (length == 0 || length >= cap) return false;
    for (size_t i = 0; i < length; i++)
        if (!isdigit((unsigned char)text[i]) && text[i] != '.') return false;
    CopyTextN(out, cap, text, length);
    return true;
}

// Reads "%d.%d.%d" from a text of digits and dots, with numbers held at
// INT_MAX instead of overflowing; the count of numbers read.
static int ScanVersion(const char* text, long long parts[3])
{
    const char* p = text;
    for (int i = 0; i < 3; i++) {
        if (i > 0) {
            if (*p != '.') return i;
            p++;
        }
        if (!isdigit((unsigned char)*p)) return i;
        long long n = 0;
        for (; isdigit((unsigned char)*p); p++)
            if (n <= INT_MAX) n = n * 10 + (*p - '0');
        parts[i] = n > INT_MAX ? INT_MAX : n;
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

static void ShowCheckResult(HWND dialog, const char* version, bool newer)
{
    SetDlgItemTextA(dialog, IDT_UPDATE_AVAILABLE, version);
    ShowUpdateStatus(dialog, newer ? STATUS_NEWER : STATUS_CURRENT);
    EnableWindow(GetDlgItem(dialog, IDB_UPDATE_DOWNLOAD), newer);
}

// Compares the fetched text and stores the check; an open dialog shows the
// result, and a newer version not seen before asks the UI thread for one:
// dialogs made here would grow the UI thread's font caches without its lock.
static void TakeVersion(const char* text)
{
    char fetched[sizeof(g_record.version)];
    long long parts[3] = {};
    if (!TakeVersionLine(text, fetched, sizeof(fetched)) || ScanVersion(fetched, parts) < 3) {
        ShowStatusIfOpen(STATUS_FORMAT);
        return;
    }
    bool newer = IsNewerThanProgram(parts);

    AcquireSRWLockExclusive(&g_recordLock);
    bool known = strcmp(fetched, g_record.version) == 0;
    g_record.newer = newer ? 1 : 0;
    g_record.lastCheck = (int64_t)time(nullptr) / 86400 * 86400;
    CopyText(g_record.version, sizeof(g_record.version), fetched);
    SaveRecordLocked();
    ReleaseSRWLockExclusive(&g_recordLock);

    HWND dialog = g_openDialog.load();
    if (dialog) {
        ShowCheckResult(dialog, fetched, newer);
    } else if (newer && !known && g_app.controlWindow) {
        g_dialogWanted = 1;
        PostMessageA(g_app.controlWindow, WM_CONTROL_UPDATEFOUND, 0, 0);
    }
}

void ShowFoundUpdate(AppObject*)
{
    if (!g_dialogWanted.exchange(0) || g_openDialog.load()) return;
    HWND dialog = CreateDialogParamA(g_app.instance, MAKEINTRESOURCEA(IDD_UPDATECHECK), nullptr,
                                     UpdateCheckDlgProc, 0);
    if (!dialog) return;
    g_modelessDialog = dialog;
    ShowWindow(dialog, SW_SHOW);
    UpdateCheckRecord r = GetUpdateCheckState();
    ShowCheckResult(dialog, r.version, r.newer != 0);
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

    if (HttpGet(&client, address, nullptr, 0, false) != HTTP_GET_OK || !client.response.data)
        ShowStatusIfOpen(STATUS_DOWNLOAD);
    else
        TakeVersion(client.response.data);

    HttpClientDestroy(&client);
    g_running = 0;
    return 0;
}
