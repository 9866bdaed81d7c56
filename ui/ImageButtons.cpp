// ImageButtons.cpp - icons and tooltips of the image buttons, and the rule
// tree's image list.
#include "ui/ImageButtons.h"

#include "engine/Engine.h"
#include "engine/ProductStrings.h"
#include "framework/core/StringTable.h"
#include "ui/MainDialog.h"
#include "ui/MainDialogRes.h"

#include <commctrl.h>

namespace {

struct ImageButton {
    int control;
    int icon;
};

// Row i's tooltip is column i of the image buttons' string.
const ImageButton kImageButtons[] = {
    {1010, 23}, {1011, 22}, {1008, 24}, {1026, 25}, {1000, 29},
    {1001, 30}, {1002, 31}, {1009, 32}, {1012, 33}, {1325, 34},
    {0, 0},
};

HWND g_toolTip;
HIMAGELIST g_treeImages;

// Two thirds of the main dialog's OK button height, plus one.
int ImageSize()
{
    HWND ok = g_mainDialog ? GetDlgItem(g_mainDialog, IDOK) : nullptr;
    RECT r = {0, 0, 0, 23};
    if (ok) GetClientRect(ok, &r);
    return (r.bottom - r.top) * 2 / 3 + 1;
}

}  // namespace

int AddTreeImage(int iconId, int size)
{
    if (!g_treeImages) {
        g_treeImages = ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, 8, 8);
        if (!g_treeImages) return 0xF00D;
    }
    HICON icon = (HICON)LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(iconId), IMAGE_ICON, size, size,
                                   LR_SHARED);
    if (!icon) return 0xF00C;
    return ImageList_AddIcon(g_treeImages, icon) >= 0 ? 0 : 0xF00C;
}

void LoadImageButtons(HWND dialog)
{
    int size = ImageSize();
    HINSTANCE instance = GetModuleHandleA(nullptr);
    for (const ImageButton* b = kImageButtons; b->control; b++) {
        HWND button = GetDlgItem(dialog, b->control);
        if (!button) continue;
        HICON icon = (HICON)LoadImageA(instance, MAKEINTRESOURCEA(b->icon), IMAGE_ICON, size, size, LR_SHARED);
        if (icon) SendMessageA(button, BM_SETIMAGE, IMAGE_ICON, (LPARAM)icon);
    }
    if (!g_ruleTree) return;
    // A list of another size cannot take the new icons: it is made anew.
    int width = 0, height = 0;
    if (g_treeImages && (!ImageList_GetIconSize(g_treeImages, &width, &height) || width != size)) {
        TreeView_SetImageList(g_ruleTree, nullptr, TVSIL_NORMAL);
        ImageList_Destroy(g_treeImages);
        g_treeImages = nullptr;
    }
    // The list kept from the last opening already holds both at this size.
    if (!g_treeImages || ImageList_GetImageCount(g_treeImages) != 2) {
        if (g_treeImages) ImageList_RemoveAll(g_treeImages);
        AddTreeImage(IDI_TREE_RULE, size);
        AddTreeImage(IDI_TREE_GROUP, size);
    }
    TreeView_SetImageList(g_ruleTree, g_treeImages, TVSIL_NORMAL);
}

bool AddButtonToolTips(HWND dialog, bool recreate)
{
    if (recreate) DestroyButtonToolTips();
    if (!g_toolTip) {
        g_toolTip = CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_BALLOON,
                                    CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, dialog, nullptr,
                                    GetModuleHandleA(nullptr), nullptr);
        if (!g_toolTip) return false;
        SetWindowPos(g_toolTip, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    int row = 0;
    for (const ImageButton* b = kImageButtons; b->control; b++, row++) {
        HWND button = GetDlgItem(dialog, b->control);
        if (!button) continue;
        TOOLINFOA tool = {};
        tool.cbSize = sizeof(tool);
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = dialog;
        tool.uId = (UINT_PTR)button;
        tool.lpszText = (char*)AppText(IDS_IMAGE_BUTTONS, row);
        SendMessageA(g_toolTip, TTM_ADDTOOLA, 0, (LPARAM)&tool);
    }
    return true;
}

void DestroyButtonToolTips()
{
    if (g_toolTip) DestroyWindow(g_toolTip);
    g_toolTip = nullptr;
}
