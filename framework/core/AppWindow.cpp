// AppWindow.cpp - creating, placing, styling and tearing down application windows.
#include "framework/core/AppWindow.h"

#include "framework/core/AppObject.h"
#include "framework/core/ForeignWindow.h"
#include "framework/core/FrameworkHooks.h"
#include "framework/core/IdSearch.h"
#include "framework/core/MonitorTable.h"
#include "framework/core/RecordFile.h"
#include "framework/core/TextUtil.h"

#include <stdlib.h>
#include <string.h>

static const char kWindowClass[] = "ZRPWindow";
static const char kBusyClass[] = "ZRPBusy";

//--- lookup

AppWindow* FindAppWindowById(AppObject* app, uint16_t number)
{
    for (int i = 0; i < app->windows.count; i++)
        if (app->windows.data[i]->windowNumber == number) return app->windows.data[i];
    return nullptr;
}

AppWindow* FindAppWindowByHandle(AppObject* app, HWND window)
{
    for (int i = 0; i < app->windows.count; i++)
        if (app->windows.data[i]->window == window) return app->windows.data[i];
    return nullptr;
}

//--- styles and layout

void GetAppWindowStyles(uint32_t flags, DWORD* style, DWORD* exStyle)
{
    DWORD s = WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_SYSMENU;
    bool borderless = (flags & APPWIN_BORDERLESS) != 0;
    if (!borderless) s |= WS_DLGFRAME;
    if ((flags & APPWIN_RESIZABLE) && !borderless) s |= WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
    if (!(flags & APPWIN_NOCAPTION) && !borderless) s |= WS_CAPTION;
    if (flags & APPWIN_MAXIMISED) s |= WS_MAXIMIZE;
    DWORD ex = 0;
    if (flags & APPWIN_TASKBAR) ex |= WS_EX_APPWINDOW;
    if (flags & APPWIN_SMALLCAPTION) ex |= WS_EX_TOOLWINDOW;
    if (flags & APPWIN_TOPMOST) ex |= WS_EX_TOPMOST;
    if (flags & APPWIN_ACCEPTFILES) ex |= WS_EX_ACCEPTFILES;
    *style = s;
    *exStyle = ex;
}

// WM_SIZE with the client size, twice, as the bays settle on the first pass.
static void RelayoutAppWindow(AppWindow* record)
{
    RECT c;
    if (!GetClientRect(record->window, &c)) return;
    LPARAM size = MAKELPARAM(c.right - c.left, c.bottom - c.top);
    SendMessageA(record->window, WM_SIZE, SIZE_RESTORED, size);
    SendMessageA(record->window, WM_SIZE, SIZE_RESTORED, size);
}

void ShowAppWindowAndBars(AppWindow* record, int showCommand, uint32_t param)
{
    if (param != (uint32_t)-1) record->showParam = param;
    if (showCommand != 0) RelayoutAppWindow(record);
    if (showCommand == SW_SHOW && IsIconic(record->window)) showCommand = SW_SHOWNORMAL;
    ShowWindow(record->window, showCommand);
    if (showCommand == SW_SHOW || showCommand == SW_SHOWNORMAL)
        SetForegroundWindow(record->window);
}

void SetAppWindowPos(AppWindow* record, int x, int y, int width, int height, bool show)
{
    if (width == -1) {
        RelayoutAppWindow(record);
        return;
    }
    uint32_t locks = record->flags & (APPWIN_LOCKPOS | APPWIN_LOCKSIZE);
    record->flags &= ~locks;
    SetWindowPos(record->window, nullptr, x, y, width, height,
                 SWP_NOZORDER | SWP_NOACTIVATE | (show ? SWP_SHOWWINDOW : 0));
    record->flags |= locks;
    record->normalRect = record->windowRect;
}

void SetAppWindowFlag(AppWindow* record, uint32_t bits, bool on)
{
    record->flags = on ? (record->flags | bits) : (record->flags & ~bits);
    RelayoutAppWindow(record);
}

void ToggleAppWindowFlag(AppWindow* record, uint32_t bits)
{
    record->flags ^= bits;
    RelayoutAppWindow(record);
}

BYTE TransparencyAlpha(int percent)
{
    if (percent < 0) percent = 0;
    if (percent > 100) percent = 100;
    return (BYTE)((25500 - 255 * percent) / 100);
}

// The styles go through SetWindowExStyle: a window of another thread that
// does not answer keeps its styles and is reported as not changed.
bool MakeWindowOpaque(HWND window)
{
    LONG ex = GetWindowLongA(window, GWL_EXSTYLE);
    if (!SetWindowExStyle(window, ex & ~(WS_EX_LAYERED | WS_EX_TRANSPARENT))) return false;
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
    return true;
}

bool SetWindowTransparency(HWND window, int percent, bool clickThrough)
{
    if (percent == 0) return MakeWindowOpaque(window);
    LONG ex = GetWindowLongA(window, GWL_EXSTYLE);
    LONG want = (ex | WS_EX_LAYERED) & ~WS_EX_TRANSPARENT;
    if (clickThrough) want |= WS_EX_TRANSPARENT;
    if (!SetWindowExStyle(window, want)) return false;
    SetLayeredWindowAttributes(window, 0, TransparencyAlpha(percent), LWA_ALPHA);
    // Only these two bits: a z-order change still on its way to another
    // thread's window may set WS_EX_TOPMOST meanwhile.
    const LONG mine = WS_EX_LAYERED | WS_EX_TRANSPARENT;
    return (GetWindowLongA(window, GWL_EXSTYLE) & mine) == (want & mine);
}

void SetAppWindowTransparency(AppWindow* record, int percent)
{
    record->transparency = percent;
    SetWindowTransparency(record->window, record->transparency, record->clickThrough != 0);
}

void SetAppWindowClickThrough(AppWindow* record, bool on)
{
    record->clickThrough = on ? 1 : 0;
    SetWindowTransparency(record->window, record->transparency, record->clickThrough != 0);
}

void SetCaptionStyle(AppWindow* record, uint32_t bits)
{
    const uint32_t caption = APPWIN_NOCAPTION | APPWIN_SMALLCAPTION | APPWIN_BORDERLESS;
    record->flags = (record->flags & ~caption) | (bits & caption);
    record->inStyleChange = 1;
    HWND w = record->window;
    bool visible = IsWindowVisible(w) != 0;
    if (visible) ShowWindow(w, SW_HIDE);
    DWORD style, ex;
    GetAppWindowStyles(record->flags, &style, &ex);
    SetWindowLongA(w, GWL_STYLE, (LONG)style);
    SetWindowLongA(w, GWL_EXSTYLE, (LONG)ex);
    SendMessageA(w, ZRPMSG_STYLECHANGED, style, ex);
    SetWindowTransparency(w, record->transparency, record->clickThrough != 0);
    if (visible) ShowWindow(w, (record->flags & APPWIN_MAXIMISED) ? SW_SHOWMAXIMIZED : SW_SHOW);
    SetWindowPos(w, nullptr, 0, 0, 0, 0,
                 SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    record->inStyleChange = 0;
}

void ShowBusyOverlay(AppWindow* record, bool on)
{
    if (!on) {
        if (record->busyOverlay) DestroyWindow(record->busyOverlay);
        record->busyOverlay = nullptr;
        return;
    }
    if (record->busyOverlay) return;
    RECT c;
    GetClientRect(record->window, &c);
    record->busyOverlay =
        CreateWindowExA(WS_EX_TRANSPARENT, kBusyClass, "", WS_CHILD, 0, 0, c.right, c.bottom,
                        record->window, nullptr, g_app.instance, nullptr);
    if (record->busyOverlay) {
        ShowWindow(record->busyOverlay, SW_SHOW);
        SetCursor(LoadCursorA(nullptr, (LPCSTR)IDC_WAIT));
    }
}

void RepaintAppNonClient(AppObject* app)
{
    for (int i = 0; i < app->windows.count; i++) {
        AppWindow* r = app->windows.data[i];
        SendMessageA(r->window, WM_NCACTIVATE, app->menuWindowNumber == r->windowNumber, 0);
        if (r->flags & (APPWIN_NOCAPTION | APPWIN_BORDERLESS))
            SendMessageA(r->window, WM_NCPAINT, 1, 0);
    }
}

//--- status texts

static char g_statusShown[1024];

void SetStatusText(AppWindow* record, int key, const char* text)
{
    if (!record->statusMutex || WaitForSingleObject(record->statusMutex, 1000) != WAIT_OBJECT_0)
        return;
    GrowArray<StatusTextEntry>* list = &record->statusTexts;
    int at = -1;
    for (int i = 0; i < list->count; i++)
        if (list->data[i].key == key) {
            at = i;
            break;
        }
    bool hasText = text && *text;
    if (hasText) {
        if (at < 0) {
            StatusTextEntry e = {};
            e.key = key;
            at = ArrayAppend(list, &e);
        }
        if (at >= 0) CopyText(list->data[at].text, sizeof(list->data[at].text), text);
    } else if (at >= 0) {
        ArrayRemoveAt(list, at);
        bool allNegative = true;
        for (int i = 0; i < list->count; i++)
            if (list->data[i].key >= 0) allNegative = false;
        if (allNegative) {
            for (int i = 0; i < list->count; i++)
                if (list->data[i].key == -1) {
                    ArrayRemoveAt(list, i);
                    break;
                }
        }
    }
    int cmd = record->statusCommand == 0xFFFF ? -1 : FindCommandIndex(&g_app, record->statusCommand);
    if (cmd >= 0 && list->count > 0) {
        const StatusTextEntry* shown = &list->data[list->count - 1];
        for (int i = 0; i < list->count; i++)
            if (list->data[i].key == -1) {
                shown = &list->data[i];
                break;
            }
        CopyText(g_statusShown, sizeof(g_statusShown), shown->text);
        StringTable* s = &g_app.strings;
        uint16_t sid = g_app.commands.data[cmd].stringId;
        uint32_t lang = s->language < STRING_LANGUAGES ? s->language : 0;
        StringTableEntry* table = s->productTables[lang] ? s->productTables[lang] : s->productTables[0];
        int row = FindSortedId(table, s->productCount, sid);
        if (row >= 0) table[row].columns[0] = g_statusShown;
    }
    ReleaseMutex(record->statusMutex);
    if (cmd >= 0) RedrawCommandItems(&g_app, record->statusCommand);
}

//--- placement record

void SaveWindowPlacement(AppWindow* record)
{
    AppWindowRecord r = {};
    r.left = (int16_t)record->windowRect.left;
    r.top = (int16_t)record->windowRect.top;
    r.width = (uint16_t)(record->windowRect.right - record->windowRect.left);
    r.height = (uint16_t)(record->windowRect.bottom - record->windowRect.top);
    r.flags = record->flags;
    r.transparencyWord = (uint32_t)(record->transparency & 0xFF) | (record->clickThrough ? 0x1000u : 0);
    SaveRecord("(ZRP)Win", record->windowNumber, &r, sizeof(r));
}

static bool PointOnAnyMonitor(const MonitorTable& t, int x, int y)
{
    POINT pt = {x, y};
    for (int i = 0; i < t.count && i < MONITOR_TABLE_MAX; i++)
        if (PtInRect(&t.monitorRects[i], pt)) return true;
    return false;
}

// The saved placement, when it still lands on a monitor of the current layout.
static bool LoadSavedPlacement(AppWindow* record, RECT* place)
{
    AppWindowRecord r = {};
    char name[32];
    FormatText(name, sizeof(name), "(ZRP)Win%u", record->windowNumber);
    if (ReadRecordFile(name, &r, sizeof(r)) != sizeof(r)) return false;
    if (r.width == 0 || r.height == 0) return false;
    MonitorTable t = {};
    RefreshMonitors();
    GetMonitorSnapshot(&t);
    if (!PointOnAnyMonitor(t, r.left + 20, r.top + 20) && !PointOnAnyMonitor(t, r.left + r.width - 20, r.top + 20))
        return false;
    SetRect(place, r.left, r.top, r.left + r.width, r.top + r.height);
    record->flags = r.flags;
    record->transparency = (int32_t)(r.transparencyWord & 0xFF);
    record->clickThrough = (r.transparencyWord & 0x1000) ? 1 : 0;
    return true;
}

static void DefaultPlacement(AppWindow* record, RECT* place)
{
    int m = MonitorFromPointIndex(0, 0, false);
    MonitorTable t = {};
    GetMonitorSnapshot(&t);
    const RECT mon = t.monitorRects[m];
    int mw = mon.right - mon.left, mh = mon.bottom - mon.top;
    int w = mw * 2 / 3, h = mh * 2 / 3;
    int spanX = mw - w > 0 ? mw - w : 1, spanY = mh - h > 0 ? mh - h : 1;
    int x = ((mw - w) / 2 + 40 * record->windowNumber) % spanX;
    int y = ((mh - h) / 2 + 40 * record->windowNumber) % spanY;
    SetRect(place, mon.left + x, mon.top + y, mon.left + x + w, mon.top + y + h);
}

//--- creation and teardown

static void RegisterAppWindowClasses()
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = AppWindowProc;
    wc.hInstance = g_app.instance;
    wc.hCursor = LoadCursorA(nullptr, (LPCSTR)IDC_ARROW);
    wc.hIcon = LoadIconA(g_app.instance, MAKEINTRESOURCEA(1));
    wc.lpszClassName = kWindowClass;
    RegisterClassA(&wc);   // already registered is fine
    WNDCLASSA busy = {};
    busy.lpfnWndProc = DefWindowProcA;
    busy.hInstance = g_app.instance;
    busy.hCursor = LoadCursorA(nullptr, (LPCSTR)IDC_WAIT);
    busy.lpszClassName = kBusyClass;
    RegisterClassA(&busy);
}

int CreateAppWindowFrame(AppWindow* record, const char* title)
{
    record->windowNumber = 0;
    record->flags = APPWIN_DEFAULT_FLAGS;
    RegisterAppWindowClasses();

    RECT place;
    DefaultPlacement(record, &place);
    if (!g_app.firstStart) LoadSavedPlacement(record, &place);
    record->windowRect = place;
    record->normalRect = place;

    DWORD style, ex;
    GetAppWindowStyles(record->flags, &style, &ex);
    HWND w = CreateWindowExA(ex, kWindowClass, title ? title : "", style, place.left, place.top,
                             place.right - place.left, place.bottom - place.top,
                             g_app.controlWindow, nullptr, g_app.instance, record);
    if (!w) return ZRP_ERR_WINDOW;
    record->window = w;
    record->dpi = GetWindowDpi(w);
    if (g_app.productWindowProc) {
        g_app.savedWindowProc = AppWindowProc;
        SetWindowLongPtrA(w, GWLP_WNDPROC, (LONG_PTR)g_app.productWindowProc);
        CREATESTRUCTA cs = {};
        SendMessageA(w, WM_CREATE, 0, (LPARAM)&cs);
    }
    SetClassLongPtrA(w, GCLP_HICON, (LONG_PTR)LoadIconA(g_app.instance, MAKEINTRESOURCEA(1)));

    // Bay n docks on side n: top, bottom, left, right.
    const FrameworkHooks* hooks = GetFrameworkHooks();
    if (hooks->createDockBay)
        for (int bay = 0; bay < 4; bay++)
            if (hooks->createDockBay(record, bay, bay) < 0) return ZRP_ERR_WINDOW;

    record->statusMutex = CreateMutexA(nullptr, FALSE, nullptr);
    if (!record->statusMutex) return ZRP_ERR_WINDOW;
    SetStatusText(record, -3, AppText(0xF004));
    SetStatusText(record, -2, AppText(0xF004));
    SetWindowTransparency(w, record->transparency, record->clickThrough != 0);
    return 0;
}

static void FreeAppWindowRecord(AppWindow* record)
{
    FreeGrowArray(&record->dockBays);
    FreeGrowArray(&record->statusTexts);
    free(record);
}

int CreateAppWindow(AppObject* app, const char* title)
{
    AppWindow* record = (AppWindow*)calloc(1, sizeof(AppWindow));
    if (!record) return -1;
    record->windowNumber = 0xFFFF;
    record->statusCommand = 0xFFFF;
    record->minTrackWidth = 150;
    record->minTrackHeight = 100;
    InitGrowArray(&record->dockBays);
    InitGrowArray(&record->statusTexts);
    record->windowMenu[0] = 0xFFFF;

    int at = 0;
    while (at < app->windows.count && app->windows.data[at]->windowNumber <= record->windowNumber) at++;
    at = ArrayInsertAt(&app->windows, &record, at);
    if (at < 0) {
        FreeAppWindowRecord(record);
        return -1;
    }
    if (CreateAppWindowFrame(record, title) != 0) {
        ArrayRemoveAt(&app->windows, at);
        if (GetFrameworkHooks()->destroyDockBays) GetFrameworkHooks()->destroyDockBays(record);
        if (record->window) DestroyWindow(record->window);
        if (record->statusMutex) CloseHandle(record->statusMutex);
        FreeAppWindowRecord(record);
        return -1;
    }
    // The frame numbered the window: keep the list in number order.
    while (at > 0 && app->windows.data[at - 1]->windowNumber > record->windowNumber) {
        ArraySwapItems(&app->windows, at - 1, at);
        at--;
    }
    return at;
}

void DestroyAppWindow(AppWindow* record)
{
    if (!record) return;
    if (record->trayIcon) {
        NOTIFYICONDATAA nid = {};
        nid.cbSize = sizeof(nid);
        nid.hWnd = record->window;
        nid.uID = record->windowNumber;
        Shell_NotifyIconA(NIM_DELETE, &nid);
        record->trayIcon = nullptr;   // shared: the system owns it
    }
    // The bays' records belong to the framework UI, which frees them.
    if (GetFrameworkHooks()->destroyDockBays) GetFrameworkHooks()->destroyDockBays(record);
    // WM_DESTROY saves the placement while the record is still attached.
    if (record->window && IsWindow(record->window)) DestroyWindow(record->window);
    if (record->statusMutex) CloseHandle(record->statusMutex);
    FreeAppWindowRecord(record);
}
