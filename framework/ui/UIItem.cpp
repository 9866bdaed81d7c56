// UIItem.cpp - the item base: the live-item list, the item window and its
// tooltip, teardown, and the factory by type code.
#include "framework/ui/UIItem.h"

#include "framework/core/AppObject.h"
#include "framework/core/StringTable.h"
#include "framework/core/TextUtil.h"
#include "framework/ui/ListControl.h"
#include "framework/ui/UIItemClasses.h"

#include <commctrl.h>

#include <new>

static const char kItemClass[] = "ZRPAppUIItem";

//--- the application's slots

static void RemoveLiveItem(AppObject* app, CUIItem* item)
{
    for (int i = 0; i < app->liveItems.count; i++)
        if (app->liveItems.data[i] == item) {
            ArrayRemoveAt(&app->liveItems, i);
            return;
        }
}

// No later message may act on a freed item, nor on its window handle once
// the system hands it to another window.
static void ForgetItem(AppObject* app, CUIItem* item)
{
    if (item->window) {
        if (app->hoverItemWindow == item->window) app->hoverItemWindow = nullptr;
        if (app->pressedItemWindow == item->window) app->pressedItemWindow = nullptr;
    }
    if (app->statusHoverItem == item) app->statusHoverItem = nullptr;
    if (app->openRootPopup == item) app->openRootPopup = nullptr;
    if (app->menuBarItem == item) app->menuBarItem = nullptr;
    for (int i = app->menuBarItems.count - 1; i >= 0; i--)
        if (app->menuBarItems.data[i] == item) ArrayRemoveAt(&app->menuBarItems, i);
}

//--- construction and teardown

CUIItem::CUIItem()
{
    CUIItem* self = this;
    ArrayAppend(&g_app.liveItems, (void**)&self);
}

CUIItem::~CUIItem()
{
    SetItemCommandFlags(this, 0, CMD_HOT | CMD_PRESSED);
    RemoveLiveItem(&g_app, this);
    ForgetItem(&g_app, this);
    // The subclass's own teardown ran in FreeUIItem; here only the window.
    CUIItem::Destroy();
}

void FreeUIItem(CUIItem* item)
{
    if (!item) return;
    item->Destroy();
    delete item;
}

CUIItem* GetWindowItem(HWND window)
{
    return window && IsWindow(window) ? (CUIItem*)GetWindowLongPtrA(window, GWLP_USERDATA) : nullptr;
}

bool IsKnownItemType(uint32_t type)
{
    return (type >= 1 && type <= 6) || (type >= UIITEM_SLIDER && type <= UIITEM_PALETTE) || type == UIITEM_CALLER;
}

CUIItem* CreateUIItemByType(uint32_t type, CUIItem* object)
{
    CUIItem* item = nullptr;
    switch (type) {
    case UIITEM_BUTTON: item = new (std::nothrow) CButton; break;
    case UIITEM_STATIC: item = new (std::nothrow) CStatic; break;
    case UIITEM_MENU: item = new (std::nothrow) CMenu; break;
    case 4: return new (std::nothrow) CSeparator;   // keeps type 0
    case UIITEM_TREE: item = new (std::nothrow) CTree; break;
    case UIITEM_LIST: item = new (std::nothrow) CList; break;
    case UIITEM_SLIDER: item = new (std::nothrow) CSlider; break;
    case UIITEM_BRUSHSIZE: item = new (std::nothrow) CBrushSize; break;
    case UIITEM_COLOR: item = new (std::nothrow) CColor; break;
    case UIITEM_PALETTE: item = new (std::nothrow) CPalette; break;
    case UIITEM_CALLER: return object;
    default: return nullptr;
    }
    if (item) item->type = type;
    return item;
}

//--- the tooltip

// Column 3, else column 0 with the shortcut of column 1; false when neither
// has a text.
static bool FormatItemTooltip(CUIItem* item, char* text, size_t size)
{
    const char* tip = GetItemText(item, 3);
    if (tip && tip[0]) {
        CopyText(text, size, tip);
        return true;
    }
    const char* label = GetItemText(item, 0);
    if (!label || !label[0]) return false;
    const char* shortcut = GetItemText(item, 1);
    if (shortcut && shortcut[0])
        FormatText(text, size, "%s (%s)", label, shortcut);
    else
        CopyText(text, size, label);
    return true;
}

static void FillToolInfo(TTTOOLINFOA* info, HWND window, char* text)
{
    *info = TTTOOLINFOA{};
    info->cbSize = sizeof(*info);
    info->uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    info->hwnd = window;
    info->uId = (UINT_PTR)window;
    info->lpszText = text;
}

static void AddItemTool(CUIItem* item)
{
    if (!g_app.tooltipWindow) return;
    char text[1024];
    if (!FormatItemTooltip(item, text, sizeof(text))) return;
    TTTOOLINFOA info;
    FillToolInfo(&info, item->window, text);
    SendMessageA(g_app.tooltipWindow, TTM_ADDTOOLA, 0, (LPARAM)&info);
}

static void RemoveItemTool(HWND window)
{
    if (!g_app.tooltipWindow || !window) return;
    TTTOOLINFOA info;
    FillToolInfo(&info, window, nullptr);
    SendMessageA(g_app.tooltipWindow, TTM_DELTOOLA, 0, (LPARAM)&info);
}

//--- the operations

int CUIItem::Create(uint16_t id, HWND parent, HWND ownerWindow, CMenu* menu)
{
    HWND w = CreateWindowExA(0, kItemClass, "", WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, 0, 0, 0, parent,
                             (HMENU)(UINT_PTR)id, g_app.instance, nullptr);
    if (!w) return ZRP_ERR_WINDOW;
    window = w;
    SetWindowLongPtrA(w, GWLP_USERDATA, (LONG_PTR)this);
    owner = ownerWindow;
    commandId = id;
    parentMenu = menu;
    CommandEntry* row = FindItemCommand(this);
    if (!menu || (row && (row->flags & CMD_MENUTOOLTIP))) AddItemTool(this);
    if (OnCreate(row, parent, ownerWindow, menu) != 0) return ZRP_ERR_WINDOW;
    CalcSize(FindItemCommand(this), 0);
    return 0;
}

int CUIItem::OnCreate(CommandEntry*, HWND, HWND, CMenu*)
{
    return 0;
}

void CUIItem::MeasureContent(const CommandEntry*, int) {}

void CUIItem::OnDestroy() {}

void CUIItem::OnSize() {}

void CUIItem::ReservedHook(uint32_t) {}

bool CUIItem::OnRefresh(int)
{
    return false;
}

void CUIItem::Destroy()
{
    OnDestroy();
    ForgetItem(&g_app, this);
    if (!window) return;
    HWND w = window;
    window = nullptr;
    RemoveItemTool(w);
    // A window the parent already destroyed, or a handle now reused, is not ours.
    if (IsWindow(w) && GetWindowLongPtrA(w, GWLP_USERDATA) == (LONG_PTR)this) {
        SetWindowLongPtrA(w, GWLP_USERDATA, 0);
        DestroyWindow(w);
    }
}

bool CUIItem::Refresh(int flag)
{
    if (flag == 0 && window) RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    return OnRefresh(flag);
}

// The window went with its parent before the item was freed: the item
// forgets it, so its teardown leaves the handle alone.
void DetachItemWindow(CUIItem* item)
{
    ForgetItem(&g_app, item);
    RemoveItemTool(item->window);
    SetWindowLongPtrA(item->window, GWLP_USERDATA, 0);
    item->window = nullptr;
}

//--- the command row

CommandEntry* FindItemCommand(const CUIItem* item)
{
    int at = FindCommandIndex(&g_app, item->commandId);
    return at >= 0 ? &g_app.commands.data[at] : nullptr;
}

const char* GetItemText(CUIItem* item, int column)
{
    const CommandEntry* row = FindItemCommand(item);
    if (!row) return nullptr;
    if (row->stringId == 0xFFFE)
        return (const char*)SendMessageA(item->owner, ZRPMSG_GETCOMMANDTEXT, item->commandId, column);
    return GetAppString(&g_app.strings, row->stringId, column);
}

void SetItemCommandFlags(CUIItem* item, uint32_t set, uint32_t clear)
{
    CommandEntry* row = FindItemCommand(item);
    if (!row) return;
    uint32_t now = (row->flags & ~clear) | set;
    if (now == row->flags) return;
    row->flags = now;
    if (item->window) InvalidateRect(item->window, nullptr, TRUE);
}

void RedrawItemsOfCommand(AppObject* app, uint16_t id)
{
    for (int i = 0; i < app->liveItems.count; i++) {
        CUIItem* item = (CUIItem*)app->liveItems.data[i];
        if (item->commandId == id && item->window)
            RedrawWindow(item->window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    }
}

void NotifyItemOwner(CUIItem* item, uint32_t code)
{
    SendMessageA(item->owner, ZRPMSG_ITEMNOTIFY, (WPARAM)(code << 16 | item->commandId), 0);
}
