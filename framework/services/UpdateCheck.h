// UpdateCheck.h - the update check: on a schedule or on request a thread
// fetches the published version text, compares it with the program's and
// opens the Update Check dialog when a newer one appears for the first time.
#pragma once

#include <windows.h>

#include <stddef.h>
#include <stdint.h>

struct AppObject;

#define UPDATE_CHECK_RECORD "(ZRP)UpdateCheck"
#define UPDATE_INTERVAL_MIN 7
#define UPDATE_INTERVAL_MAX 9999

#pragma pack(push, 1)
// "(ZRP)UpdateCheck": 280 bytes, little-endian.
struct UpdateCheckRecord {
    char     version[260];   // the version text last fetched, NUL-terminated
    uint8_t  padding1[4];
    int64_t  lastCheck;      // seconds since 1970, rounded down to a whole day
    uint8_t  newer;          // that text is newer than the program
    uint8_t  automatic;      // the scheduled check is on
    uint8_t  padding2[2];
    int32_t  intervalDays;
};
#pragma pack(pop)
static_assert(sizeof(UpdateCheckRecord) == 280, "(ZRP)UpdateCheck layout changed");
static_assert(offsetof(UpdateCheckRecord, lastCheck) == 264, "(ZRP)UpdateCheck layout changed");
static_assert(offsetof(UpdateCheckRecord, newer) == 272, "(ZRP)UpdateCheck layout changed");
static_assert(offsetof(UpdateCheckRecord, intervalDays) == 276, "(ZRP)UpdateCheck layout changed");

// Reads the record (missing or of another size: the defaults) and fixes the
// interval: none yet switches the check on every 7 days, and it is kept
// within 7..9999.
void LoadUpdateCheckState();
// Starts a check when the automatic check is on and one is due.
void ScheduledUpdateCheck();
// 0 started, 1 a running check did not stop within 5 s, 3 no thread.
int StartUpdateCheck();
DWORD WINAPI UpdateCheckThread(void* unused);
// Dialog 50101: modal from the About box, or modeless when a check found a
// newer version (made on the UI thread).
INT_PTR CALLBACK UpdateCheckDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

//--- shared by the check and its dialog
// A copy of the record as loaded.
UpdateCheckRecord GetUpdateCheckState();
// Stores the schedule settings and saves the record; false when it could not
// be written.
bool SaveUpdateCheckSettings(bool automatic, int intervalDays);
// Whether the automatic check is on and the interval has passed since the
// last check (or that lies in the future: the clock went back).
bool IsUpdateCheckDue();
// Asks a running check to stop.
void CancelUpdateCheck();
// The dialog shown as the open Update Check dialog, or null.
HWND GetOpenUpdateDialog();
void SetOpenUpdateDialog(HWND dialog);
// Forgets the dialog if it is the open one.
void ForgetUpdateDialog(HWND dialog);
// Whether this is the dialog a check opened by itself (modeless: destroyed,
// not ended), and forgetting it when it goes.
bool IsModelessUpdateDialog(HWND dialog);
void ForgetModelessUpdateDialog(HWND dialog);
// On the UI thread, for WM_CONTROL_UPDATEFOUND: opens the dialog for the newer
// version a check found, unless one is open by then.
void ShowFoundUpdate(AppObject* app);
// Shows a column of the update-check texts in the dialog's status line.
void ShowUpdateStatus(HWND dialog, int column);
