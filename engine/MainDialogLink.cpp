// MainDialogLink.cpp - the engine's way to the main dialog. The dialog itself
// is not built yet: opening it and its commands are only logged.
#include "engine/MainDialogLink.h"

#include "engine/Engine.h"
#include "engine/Log.h"
#include "engine/ProfileStore.h"
#include "engine/TrayIcon.h"

// The modeless dialog, or null when it cannot be made.
static HWND CreateMainDialog()
{
    LogLine("Main dialog requested");
    return nullptr;
}

void OpenMainDialog()
{
    SaveAll();
    UpdateAppTrayIcon(1);
    if (!g_mainDialog) g_mainDialog = CreateMainDialog();
    if (!g_mainDialog) return;
    SetForegroundWindow(g_mainDialog);
    BringWindowToTop(g_mainDialog);
}

void CallMainDialogCommand(int controlId)
{
    LogLine("Main dialog command (%d)", controlId);
}

void StoreTreeExpandState() {}

void FillProfileCombo() {}
