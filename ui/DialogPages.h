// DialogPages.h - the child pages a dialog shows over its tab control (the
// property dialogs, the rule editor and the Match page's options).
#pragma once

#include <windows.h>

struct DialogPage {
    int     resource;
    DLGPROC proc;
};

// Puts the texts of string row textsId (columns 0 to count-1) on the tab
// control and makes each page a child of dialog with param, at the top-left
// corner of the placeholder control (destroyed afterwards). aboveTab: the
// pages lie above the tab control in z-order, which then leaves them out of
// its painting; else right after it, so Tab goes from the tab strip into the
// page. out[i] is null for a page that could not be made.
void CreateDialogPages(HWND dialog, int tabId, int placeholderId, int textsId, const DialogPage* pages, int count,
                       LPARAM param, bool aboveTab, HWND* out);
// Shows pages[index] alone (a index out of range shows the first) and selects
// its tab when tabId names one; the index shown.
int ShowDialogPage(HWND dialog, int tabId, const HWND* pages, int count, int index);
// Sends a page a message and gives back what it answered through its dialog
// result; 0 for no page.
LRESULT AskDialogPage(HWND page, UINT message, WPARAM wParam);
