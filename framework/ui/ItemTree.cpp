// ItemTree.cpp - a tree view run by the procedure its command row carries.
#include "framework/ui/UIItemClasses.h"

#include "framework/core/AppObject.h"

#include <commctrl.h>

int CTree::Create(uint16_t id, HWND parent, HWND ownerWindow, CMenu* menu)
{
    commandId = id;
    owner = ownerWindow;
    parentMenu = menu;
    CommandEntry* row = FindItemCommand(this);
    // The row's data is the procedure that runs the tree: without one there
    // is nothing to subclass the tree with.
    if (!row || row->data == 0 || row->data == -1) return ZRP_ERR_WINDOW;
    WNDPROC proc = (WNDPROC)row->data;
    row->flags &= ~CMD_ADDED;
    flagsCopy = row->flags | 4;
    DWORD windowStyle = style | ((row->flags & CMD_ARROWPRESSED) ? WS_TABSTOP : 0);
    HWND w = CreateWindowExA(WS_EX_STATICEDGE, WC_TREEVIEWA, "", windowStyle, x, y, width, height, parent, nullptr,
                             g_app.instance, nullptr);
    if (!w) return ZRP_ERR_WINDOW;
    window = w;
    SetWindowLongPtrA(w, GWLP_USERDATA, (LONG_PTR)this);
    previousProc = (WNDPROC)SetWindowLongPtrA(w, GWLP_WNDPROC, (LONG_PTR)proc);
    width = height = 64;
    CREATESTRUCTA cs = {};
    SendMessageA(w, WM_CREATE, 0, (LPARAM)&cs);
    return 0;
}

void CTree::OnDestroy()
{
    if (imageList) ImageList_Destroy(imageList);
    imageList = nullptr;
    if (!window) return;
    HWND w = window;
    window = nullptr;
    if (IsWindow(w) && GetWindowLongPtrA(w, GWLP_USERDATA) == (LONG_PTR)this) {
        // The tree control itself sees its destruction and frees its rows.
        if (previousProc) SetWindowLongPtrA(w, GWLP_WNDPROC, (LONG_PTR)previousProc);
        SetWindowLongPtrA(w, GWLP_USERDATA, 0);
        DestroyWindow(w);
    }
}

// The tree control paints itself.
void CTree::Paint(HDC, const RECT*) {}
