// ItemTestUtil.h - the application state UI item tests start from: commands
// and texts of their own, the item window class as start-up registers it, a
// tooltip window, the theme, and a host window that paints one background
// colour and records what items send their owner.
#pragma once

#include "framework/core/AppObject.h"
#include "framework/core/StringTable.h"
#include "framework/core/TextUtil.h"
#include "framework/ui/Theme.h"
#include "framework/ui/UIItem.h"
#include "framework/ui/UIItemClasses.h"
#include "tests/support/TestEnv.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <winternl.h>

#include <deque>
#include <initializer_list>
#include <string>
#include <vector>

struct OwnerMessage {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

// What the host (or any owner that forwards here) was sent by its items.
inline std::vector<OwnerMessage> g_ownerMessages;
inline COLORREF g_hostBackground = RGB(20, 180, 90);

inline bool IsOwnerMessage(UINT message)
{
    return message == ZRPMSG_COMMAND || message == ZRPMSG_ITEMNOTIFY || message == ZRPMSG_ITEMDRAGOUT ||
           message == ZRPMSG_CANOPENPOPUP;
}

// Fills the window's client area, seen from a child at the offset, in a colour.
inline void FillBackgroundRequest(HWND window, HDC dc, LPARAM offset, COLORREF colour)
{
    RECT r;
    GetClientRect(window, &r);
    POINT origin;
    OffsetViewportOrgEx(dc, -(short)LOWORD(offset), -(short)HIWORD(offset), &origin);
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(dc, &r, brush);
    DeleteObject(brush);
    SetViewportOrgEx(dc, origin.x, origin.y, nullptr);
}

inline LRESULT CALLBACK ItemHostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == ZRPMSG_PAINTBACKGROUND) {
        FillBackgroundRequest(window, (HDC)wParam, lParam, g_hostBackground);
        return 1;
    }
    if (IsOwnerMessage(message)) {
        g_ownerMessages.push_back({message, wParam, lParam});
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// The class as the framework's start-up registers it: no CS_DBLCLKS.
inline void RegisterItemWindowClass()
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = UIItemWndProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursorA(nullptr, (LPCSTR)IDC_ARROW);
    wc.lpszClassName = "ZRPAppUIItem";
    RegisterClassA(&wc);
    WNDCLASSA host = {};
    host.lpfnWndProc = ItemHostProc;
    host.hInstance = GetModuleHandleA(nullptr);
    host.hCursor = LoadCursorA(nullptr, (LPCSTR)IDC_ARROW);
    host.lpszClassName = "PSItemHost";
    RegisterClassA(&host);
}

// Commands with string rows of their own (product ids below 0xF000).
class TestCommands {
public:
    // Adds the command (enabled, as AddCommand makes it) and its texts;
    // null columns have no text.
    void Add(uint16_t id, uint16_t type, uint32_t flags, std::initializer_list<const char*> columns,
             intptr_t data = 0, uint16_t iconId = 0)
    {
        StringTableEntry row = {};
        row.id = id;
        int i = 0;
        for (const char* c : columns) {
            if (c) {
                texts_.emplace_back(c);
                row.columns[i] = texts_.back().c_str();
            }
            i++;
        }
        rows_.push_back(row);
        Install();
        AddCommand(&g_app, id, type, flags, iconId, id, data, 0, 0);
    }
    void Install()
    {
        table_ = rows_;
        StringTableEntry end = {};
        end.id = STRING_END_ID;
        table_.push_back(end);
        g_app.strings.productTables[0] = table_.data();
        g_app.strings.productCount = SortStringTable(table_.data());
    }
    CommandEntry* Row(uint16_t id)
    {
        int at = FindCommandIndex(&g_app, id);
        return at >= 0 ? &g_app.commands.data[at] : nullptr;
    }
    uint32_t Flags(uint16_t id)
    {
        CommandEntry* r = Row(id);
        return r ? r->flags : 0;
    }

private:
    std::deque<std::string> texts_;
    std::vector<StringTableEntry> rows_;
    std::vector<StringTableEntry> table_;
};

// The face start-up takes for the UI font; the dialog host does the same.
inline void SetUiFontFace()
{
    NONCLIENTMETRICSA ncm = {};
    ncm.cbSize = sizeof(ncm);
    SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof(ncm), &ncm, 0);
    CopyText(g_app.uiFontFace, sizeof(g_app.uiFontFace),
             ncm.lfMessageFont.lfFaceName[0] ? ncm.lfMessageFont.lfFaceName : "MS Shell Dlg");
}

class ItemTest : public testing::Test {
protected:
    void SetUp() override
    {
        AppConstruct(&g_app);
        g_app.instance = GetModuleHandleA(nullptr);
        g_app.doubleClickTime = GetDoubleClickTime();
        SetUiFontFace();
        g_theme.app = &g_app;
        InitThemeColors(&g_theme);
        INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_WIN95_CLASSES | ICC_TREEVIEW_CLASSES};
        InitCommonControlsEx(&icc);
        RegisterItemWindowClass();
        g_app.tooltipWindow = CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0, 0, 0,
                                              nullptr, nullptr, g_app.instance, nullptr);
        host = CreateWindowExA(WS_EX_TOOLWINDOW, "PSItemHost", "", WS_POPUP, 40, 40, 400, 200, nullptr, nullptr,
                               g_app.instance, nullptr);
        ASSERT_NE(nullptr, host);
        g_ownerMessages.clear();
    }
    void TearDown() override
    {
        for (CUIItem* item : items) FreeUIItem(item);
        items.clear();
        if (host) DestroyWindow(host);
        if (g_app.tooltipWindow) DestroyWindow(g_app.tooltipWindow);
        g_app.tooltipWindow = nullptr;
        g_app.strings.productTables[0] = nullptr;
        FreeGrowArray(&g_app.commands);
        FreeGrowArray(&g_app.liveItems);
        FreeGrowArray(&g_app.menuBarItems);
        ReleaseTheme(&g_theme);
    }
    // An item of a command type made and created under parent; kept for
    // TearDown. Null (with a failure) when Create fails.
    CUIItem* Make(uint16_t type, uint16_t id, HWND parent = nullptr, CMenu* menu = nullptr)
    {
        CUIItem* item = CreateUIItemByType(type, nullptr);
        EXPECT_NE(nullptr, item);
        if (!item) return nullptr;
        int rc = item->Create(id, parent ? parent : host, host, menu);
        EXPECT_EQ(0, rc) << "creating item " << id;
        if (rc != 0) {
            FreeUIItem(item);
            return nullptr;
        }
        items.push_back(item);
        return item;
    }
    // Frees one item made by Make before TearDown.
    void Free(CUIItem* item)
    {
        for (size_t i = 0; i < items.size(); i++)
            if (items[i] == item) items.erase(items.begin() + (long)i);
        FreeUIItem(item);
    }
    void Place(CUIItem* item, int x, int y, int w, int h)
    {
        SetWindowPos(item->window, nullptr, x, y, w, h, SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    }

    TestCommands commands;
    HWND host = nullptr;
    std::vector<CUIItem*> items;
};

//--- pixels

// A 32-bit top-down DIB that items paint into with WM_PRINTCLIENT.
class PixelCanvas {
public:
    PixelCanvas(int width, int height) : w_(width), h_(height)
    {
        BITMAPINFO bi = {};
        bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
        bi.bmiHeader.biWidth = width;
        bi.bmiHeader.biHeight = -height;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        dc_ = CreateCompatibleDC(nullptr);
        bitmap_ = CreateDIBSection(dc_, &bi, DIB_RGB_COLORS, (void**)&bits_, nullptr, 0);
        old_ = SelectObject(dc_, bitmap_);
    }
    ~PixelCanvas()
    {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    HDC dc() const { return dc_; }
    void Clear(COLORREF c)
    {
        HBRUSH brush = CreateSolidBrush(c);
        RECT r = {0, 0, w_, h_};
        FillRect(dc_, &r, brush);
        DeleteObject(brush);
        GdiFlush();
    }
    void Print(HWND window)
    {
        SendMessageA(window, WM_PRINTCLIENT, (WPARAM)dc_, PRF_CLIENT);
        GdiFlush();
    }
    COLORREF At(int x, int y) const
    {
        uint32_t p = bits_[y * w_ + x];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
    std::string Snapshot() const { return std::string((const char*)bits_, (size_t)w_ * h_ * 4); }
    int Count(COLORREF c, const RECT& area) const
    {
        int n = 0;
        for (int y = area.top; y < area.bottom; y++)
            for (int x = area.left; x < area.right; x++) n += At(x, y) == c;
        return n;
    }
    int width() const { return w_; }
    int height() const { return h_; }

private:
    int w_, h_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
    uint32_t* bits_ = nullptr;
};

//--- the process's GDI and USER objects

struct GuiCounts {
    long gdi, user;
};

inline BOOL CALLBACK CountChildWindow(HWND, LPARAM count)
{
    ++*(long*)count;
    return TRUE;
}

inline BOOL CALLBACK CountOwnWindow(HWND window, LPARAM count)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != GetCurrentProcessId()) return TRUE;
    ++*(long*)count;
    EnumChildWindows(window, CountChildWindow, count);
    return TRUE;
}

// GetGuiResources, which Wine does not implement (it returns 0 with error
// 120): there the GDI objects are counted in the process's GDI handle table
// (the PEB's GdiSharedHandleTable, whose 24-byte entries carry a type byte at
// 14) and the USER objects as the process's windows.
inline GuiCounts CountGuiObjects()
{
    GuiCounts c = {(long)GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS),
                   (long)GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS)};
    if (c.gdi != 0 || !IsWine()) return c;
    typedef LONG(WINAPI * QueryProcess)(HANDLE, int, void*, ULONG, ULONG*);
    QueryProcess query = (QueryProcess)(void*)GetProcAddress(GetModuleHandleA("ntdll"), "NtQueryInformationProcess");
    PROCESS_BASIC_INFORMATION info = {};
    c.gdi = -1;
    if (!query || query(GetCurrentProcess(), 0 /* ProcessBasicInformation */, &info, sizeof(info), nullptr) != 0)
        return c;
    const uint8_t* table = *(const uint8_t* const*)((const uint8_t*)info.PebBaseAddress + 0xF8);
    if (table) {
        c.gdi = 0;
        for (int i = 0; i < 0x4000; i++) c.gdi += table[24 * i + 14] != 0;
    }
    c.user = 0;
    EnumWindows(CountOwnWindow, (LPARAM)&c.user);
    return c;
}
