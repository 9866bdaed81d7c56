// DialogPages.cpp - pages over a tab control.
#include "ui/DialogPages.h"

#include <commctrl.h>

#include "framework/core/StringTable.h"

void CreateDialogPages(HWND dialog, int tabId, int placeholderId, int textsId, const DialogPage* pages, int count,
                       LPARAM param, bool aboveTab, HWND* out)
{
    HWND tab = GetDlgItem(dialog, tabId);
    if (tab && aboveTab) SetWindowLongPtrA(tab, GWL_STYLE, GetWindowLongPtrA(tab, GWL_STYLE) | WS_CLIPSIBLINGS);
    for (int i = 0; tab && i < count; i++) {
        TCITEMA item = {};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<char*>(AppText((uint16_t)textsId, i));
        SendMessageA(tab, TCM_INSERTITEMA, i, (LPARAM)&item);
    }
    HWND placeholder = GetDlgItem(dialog, placeholderId);
    RECT at = {};
    if (placeholder) {
        GetWindowRect(placeholder, &at);
        MapWindowPoints(nullptr, dialog, (POINT*)&at, 2);
    }
    HWND after = aboveTab || !tab ? HWND_TOP : tab;
    for (int i = 0; i < count; i++) {
        out[i] = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(pages[i].resource), dialog,
                                    pages[i].proc, param);
        if (out[i]) SetWindowPos(out[i], after, at.left, at.top, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
    }
    if (placeholder) DestroyWindow(placeholder);
}

int ShowDialogPage(HWND dialog, int tabId, const HWND* pages, int count, int index)
{
    if (index < 0 || index >= count) index = 0;
    HWND tab = tabId ? GetDlgItem(dialog, tabId) : nullptr;
    if (tab && SendMessageA(tab, TCM_GETCURSEL, 0, 0) != index) SendMessageA(tab, TCM_SETCURSEL, index, 0);
    for (int i = 0; i < count; i++)
        if (pages[i]) ShowWindow(pages[i], i == index ? SW_SHOW : SW_HIDE);
    return index;
}

LRESULT AskDialogPage(HWND page, UINT message, WPARAM wParam)
{
    if (!page) return 0;
    SetWindowLongPtrA(page, DWLP_MSGRESULT, 0);
    SendMessageA(page, message, wParam, 0);
    return GetWindowLongPtrA(page, DWLP_MSGRESULT);
}
