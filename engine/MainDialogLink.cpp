// MainDialogLink.cpp - the engine's way to the main dialog, through the entry
// points the program hands in.
#include "engine/MainDialogLink.h"

#include "engine/Engine.h"
#include "engine/Log.h"

// Set once on the UI thread before the message loop, read only afterwards.
static MainDialogEntryPoints g_entries;

void SetMainDialogEntryPoints(const MainDialogEntryPoints* entries)
{
    g_entries = entries ? *entries : MainDialogEntryPoints{};
}

void OpenMainDialog()
{
    if (!g_entries.open) {
        LogLine("Main dialog requested");
        return;
    }
    g_entries.open();
}

void CallMainDialogCommand(int controlId)
{
    if (!g_entries.command) {
        LogLine("Main dialog command (%d)", controlId);
        return;
    }
    g_entries.command(g_mainDialog, controlId);
}

void StoreTreeExpandState()
{
    if (g_entries.storeTreeExpandState && g_mainDialog) g_entries.storeTreeExpandState();
}

void FillProfileCombo()
{
    if (g_entries.fillProfileCombo && g_mainDialog) g_entries.fillProfileCombo();
}

void ShowCaptureFrame(HWND window)
{
    if (g_entries.showCaptureOverlay) g_entries.showCaptureOverlay(window);
}
