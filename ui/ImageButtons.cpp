// ImageButtons.cpp - icons and tooltips of the image buttons, and the rule
// tree's image list.
#include "ui/ImageButtons.h"

#include "engine/Engine.h"
#include "engine/ProductStrings.h"
#include "framework/core/MonitorTable.h"
#include "framework/core/StringTable.h"
#include "ui/DialogSubclass.h"
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

// On a dialog: its own tooltip window, and the procedure under ours that
// lets it go with the dialog. On a button: the icon we loaded for it, and the
// procedure under ours that lets the icon go after the button.
const char kToolTipProp[] = "PanelShepherd.ButtonToolTip";
const char kOwnerProcProp[] = "PanelShepherd.ImageButtonOwner";
const char kOwnIconProp[] = "PanelShepherd.ButtonIcon";
const char kButtonProcProp[] = "PanelShepherd.ImageButton";

HIMAGELIST g_treeImages;

const int kReferenceHeight = 23;   // a main-dialog OK button at 96 DPI

// The dialog's tooltip window, or null.
HWND DialogToolTip(HWND dialog)
{
    HWND tip = (HWND)GetPropA(dialog, kToolTipProp);
    return IsWindow(tip) ? tip : nullptr;
}

void DestroyDialogToolTip(HWND dialog)
{
    HWND tip = (HWND)RemovePropA(dialog, kToolTipProp);
    if (IsWindow(tip)) DestroyWindow(tip);
}

// Lets the dialog's tooltip window go with it, whatever the dialog's own
// code does on closing.
LRESULT CALLBACK ImageButtonOwnerProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DESTROY) DestroyDialogToolTip(dialog);
    return CallControlProc(dialog, kOwnerProcProp, message, wParam, lParam);
}

// The icon goes once the button is gone, so it never paints a destroyed one.
// The button is not told to drop it first: some common-control buttons keep
// a copy of each image they are given and free only the last one, when they
// are destroyed.
LRESULT CALLBACK ImageButtonProc(HWND button, UINT message, WPARAM wParam, LPARAM lParam)
{
    HICON own = message == WM_NCDESTROY ? (HICON)RemovePropA(button, kOwnIconProp) : nullptr;
    LRESULT result = CallControlProc(button, kButtonProcProp, message, wParam, lParam);
    if (own) DestroyIcon(own);
    return result;
}

void WatchDialog(HWND dialog)
{
    SubclassControl(dialog, ImageButtonOwnerProc, kOwnerProcProp);
}

// The size for this dialog: the main dialog's OK button at this dialog's DPI.
int IconSizeFor(HWND dialog)
{
    int height = kReferenceHeight;
    UINT referenceDpi = 96;
    HWND ok = g_mainDialog ? GetDlgItem(g_mainDialog, IDOK) : nullptr;
    RECT r;
    if (ok && GetClientRect(ok, &r) && r.bottom > r.top) {
        height = r.bottom - r.top;
        referenceDpi = GetWindowDpi(g_mainDialog);
    }
    return ImageButtonIconSize(height, referenceDpi, GetWindowDpi(dialog));
}

void SetButtonIcon(HWND button, int iconId, int size)
{
    // Not shared: the shared cache keeps one size per resource, and dialogs
    // on monitors of different DPI need different sizes at once.
    HICON icon = (HICON)LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(iconId), IMAGE_ICON, size, size, 0);
    if (!icon) return;
    SubclassControl(button, ImageButtonProc, kButtonProcProp);
    HICON old = (HICON)GetPropA(button, kOwnIconProp);
    SetPropA(button, kOwnIconProp, icon);
    SendMessageA(button, BM_SETIMAGE, IMAGE_ICON, (LPARAM)icon);
    if (old) DestroyIcon(old);
}

void RebuildTreeImages(int size)
{
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

}  // namespace

int ImageButtonIconSize(int okHeight, UINT okDpi, UINT dialogDpi)
{
    if (okHeight <= 0 || okDpi == 0) {
        okHeight = kReferenceHeight;
        okDpi = 96;
    }
    if (dialogDpi == 0) dialogDpi = okDpi;
    int height = MulDiv(okHeight, (int)dialogDpi, (int)okDpi);
    return height * 2 / 3 + 1;
}

int AddTreeImage(int iconId, int size)
{
    if (!g_treeImages) {
        g_treeImages = ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, 8, 8);
        if (!g_treeImages) return 0xF00D;
    }
    HICON icon = (HICON)LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(iconId), IMAGE_ICON, size, size, 0);
    if (!icon) return 0xF00C;
    int added = ImageList_AddIcon(g_treeImages, icon);   // the list keeps a copy
    DestroyIcon(icon);
    return added >= 0 ? 0 : 0xF00C;
}

void LoadImageButtons(HWND dialog)
{
    if (!dialog) return;
    WatchDialog(dialog);
    int size = IconSizeFor(dialog);
    for (const ImageButton* b = kImageButtons; b->control; b++) {
        HWND button = GetDlgItem(dialog, b->control);
        if (button) SetButtonIcon(button, b->icon, size);
    }
    // Only the tree's own dialog sizes the tree: another one may stand on a
    // monitor of another DPI.
    if (g_ruleTree && GetParent(g_ruleTree) == dialog) RebuildTreeImages(size);
}

bool AddButtonToolTips(HWND dialog, bool recreate)
{
    if (!dialog) return false;
    WatchDialog(dialog);
    if (recreate) DestroyDialogToolTip(dialog);
    HWND tip = DialogToolTip(dialog);
    if (!tip) {
        tip = CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_BALLOON, CW_USEDEFAULT,
                              CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, dialog, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
        if (!tip) return false;
        SetWindowPos(tip, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        SetPropA(dialog, kToolTipProp, tip);
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
        // A second call replaces the tool instead of adding it again.
        SendMessageA(tip, TTM_DELTOOLA, 0, (LPARAM)&tool);
        tool.lpszText = (char*)AppText(IDS_IMAGE_BUTTONS, row);
        SendMessageA(tip, TTM_ADDTOOLA, 0, (LPARAM)&tool);
    }
    return true;
}
