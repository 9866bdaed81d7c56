// TreeItemText.h - the text of an item of a tree control in this process.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <string>

inline std::string TreeItemText(HWND tree, HTREEITEM item)
{
    char text[260] = {};
    TVITEMA tv = {};
    tv.mask = TVIF_TEXT | TVIF_HANDLE;
    tv.hItem = item;
    tv.pszText = text;
    tv.cchTextMax = sizeof(text);
    return TreeView_GetItem(tree, &tv) ? text : "";
}
