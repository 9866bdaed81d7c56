// OpenWhenFree.cpp - opening a property dialog once the rules are free.
#include "ui/OpenWhenFree.h"

#include "engine/Engine.h"
#include "engine/LiveEdit.h"
#include "engine/ProductStrings.h"
#include "engine/WindowTable.h"
#include "framework/core/AppObject.h"
#include "framework/ui/MessageBox.h"

namespace {

const UINT_PTR kFirstTimer = 0x5440;
const int kSlots = 4;
const DWORD kRetryMs = 50;
const DWORD kPatienceMs = 10000;

struct Waiting {
    bool  used;
    UINT  message;
    int   command;
    DWORD since;
};
Waiting g_waiting[kSlots];

bool RulesFree()
{
    if (TableLockWaitPumping() || LiveEditBusy()) return false;
    if (!EnterTableLock(0)) return false;
    LeaveTableLock();
    return true;
}

void Resend(HWND dialog, const Waiting& w)
{
    if (w.message == WM_COMMAND)
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(w.command, BN_CLICKED), (LPARAM)GetDlgItem(dialog, w.command));
    else
        SendMessageA(dialog, w.message, (WPARAM)w.command, 0);
}

}  // namespace

bool OpenWhenFree(HWND mainDialog, UINT message, int command)
{
    if (!mainDialog || RulesFree()) return true;
    int slot = -1;
    for (int i = 0; i < kSlots && slot < 0; i++)
        if (g_waiting[i].used && g_waiting[i].message == message && g_waiting[i].command == command) slot = i;
    for (int i = 0; i < kSlots && slot < 0; i++)
        if (!g_waiting[i].used) slot = i;
    // Another click of a command that already waits is the same click.
    if (slot < 0 || g_waiting[slot].used) return false;
    g_waiting[slot] = {true, message, command, GetTickCount()};
    SetTimer(mainDialog, kFirstTimer + slot, kRetryMs, nullptr);
    return false;
}

bool RetryOpenWhenFree(HWND mainDialog, UINT_PTR timer)
{
    if (timer < kFirstTimer || timer >= kFirstTimer + kSlots) return false;
    Waiting& w = g_waiting[timer - kFirstTimer];
    // A dialog the user opened meanwhile owns the screen: this click is stale.
    if (!w.used || !IsWindowEnabled(mainDialog)) {
        KillTimer(mainDialog, timer);
        w.used = false;
        return true;
    }
    if (RulesFree()) {
        KillTimer(mainDialog, timer);
        Waiting now = w;
        w.used = false;
        Resend(mainDialog, now);
        return true;
    }
    if (GetTickCount() - w.since >= kPatienceMs) {
        KillTimer(mainDialog, timer);
        w.used = false;
        AppMessageBox(&g_app, mainDialog, AppText(IDS_PRODUCT_NAME), AppText(IDS_OPEN_BUSY), MB_ZRP_WARNING | MB_ZRP_OK,
                      0);
    }
    return true;
}

void ForgetOpenWhenFree(HWND mainDialog)
{
    for (int i = 0; i < kSlots; i++) {
        if (g_waiting[i].used && mainDialog) KillTimer(mainDialog, kFirstTimer + i);
        g_waiting[i].used = false;
    }
}
