// DesktopListView.cpp - list-view messages to the shell's desktop, with item
// structures and buffers allocated in the shell's process.
#include "engine/DesktopListView.h"

#include <commctrl.h>
#include <string.h>

// Rights to query the process and to allocate, read and write its memory.
#define SHELL_PROCESS_RIGHTS 0x438

ListViewItemLayout ListViewItemLayoutFor(bool shellIs32Bit)
{
    if (shellIs32Bit) return ListViewItemLayout{20, 4, 24};
    return ListViewItemLayout{24, 8, 32};
}

BOOL CALLBACK FindDesktopListView(HWND top, LPARAM found)
{
    // Direct children only: a folder window holds a view of the same make
    // deeper down, which is not the desktop.
    HWND view = FindWindowExA(top, nullptr, "SHELLDLL_DefView", "");
    if (!view) return TRUE;
    HWND list = FindWindowExA(view, nullptr, "SysListView32", "FolderView");
    if (!list) return TRUE;
    *(HWND*)found = list;
    return FALSE;
}

// The process runs under the 32-bit emulation layer of 64-bit Windows.
static bool IsWow64(HANDLE process)
{
    typedef BOOL(WINAPI * IsWow64Proc)(HANDLE, PBOOL);
    HMODULE kernel = GetModuleHandleA("kernel32");
    IsWow64Proc isWow64 = kernel ? (IsWow64Proc)(void*)GetProcAddress(kernel, "IsWow64Process") : nullptr;
    BOOL wow = FALSE;
    return isWow64 && isWow64(process, &wow) && wow;
}

int OpenDesktopListView(DesktopListView* v)
{
    *v = DesktopListView{};
    HWND list = nullptr;
    EnumWindows(FindDesktopListView, (LPARAM)&list);
    if (!list) return ICONS_NO_LISTVIEW;
    v->window = list;
    DWORD pid = 0;
    GetWindowThreadProcessId(list, &pid);
    v->process = pid ? OpenProcess(SHELL_PROCESS_RIGHTS, FALSE, pid) : nullptr;
    if (!v->process) return ICONS_NO_SHELL;
    bool shell32 = IsWow64(v->process);
    v->layout = ListViewItemLayoutFor(shell32);
    v->remoteItem = (uint8_t*)VirtualAllocEx(v->process, nullptr, LISTVIEW_ITEM_BYTES, MEM_COMMIT | MEM_RESERVE,
                                             PAGE_READWRITE);
    v->remoteBuffer = (uint8_t*)VirtualAllocEx(v->process, nullptr, ICON_BUFFER_BYTES, MEM_COMMIT | MEM_RESERVE,
                                               PAGE_READWRITE);
    if (!v->remoteItem || !v->remoteBuffer) return ICONS_NO_SHELL;
    // A 32-bit item cannot point above 4 GB.
    if (shell32 && (uintptr_t)v->remoteBuffer > 0xFFFFFFFFu - ICON_BUFFER_BYTES) return ICONS_NO_SHELL;
    return ICONS_DONE;
}

void CloseDesktopListView(DesktopListView* v)
{
    if (v->process) {
        if (v->remoteItem) VirtualFreeEx(v->process, v->remoteItem, 0, MEM_RELEASE);
        if (v->remoteBuffer) VirtualFreeEx(v->process, v->remoteBuffer, 0, MEM_RELEASE);
        CloseHandle(v->process);
    }
    *v = DesktopListView{};
}

static bool Ask(DesktopListView* v, UINT message, WPARAM wParam, LPARAM lParam, DWORD_PTR* result)
{
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutA(v->window, message, wParam, lParam, SMTO_NORMAL | SMTO_ABORTIFHUNG, DESKTOP_ANSWER_MS,
                             &answer))
        return false;
    if (result) *result = answer;
    return true;
}

int DesktopIconCount(DesktopListView* v)
{
    DWORD_PTR n = 0;
    if (!Ask(v, LVM_GETITEMCOUNT, 0, 0, &n)) return -1;
    return (int)(n > 0x7FFFFFFF ? 0x7FFFFFFF : n);
}

int ReadDesktopIcon(DesktopListView* v, int i, char* name, POINT* pt)
{
    name[0] = '\0';
    uint8_t item[LISTVIEW_ITEM_BYTES] = {};
    uint64_t text = (uint64_t)(uintptr_t)v->remoteBuffer;
    memcpy(item + v->layout.textOffset, &text, v->layout.textPointerSize);
    int32_t capacity = ICON_TEXT_BYTES;
    memcpy(item + v->layout.capacityOffset, &capacity, sizeof(capacity));
    SIZE_T done = 0;
    if (!WriteProcessMemory(v->process, v->remoteItem, item, sizeof(item), &done) || done != sizeof(item))
        return ICON_UNREAD;
    DWORD_PTR length = 0;
    if (!Ask(v, LVM_GETITEMTEXTA, (WPARAM)i, (LPARAM)v->remoteItem, &length)) return ICON_UNREAD;
    // An empty label is no sign of a missing icon; only the position is.
    DWORD_PTR found = 0;
    if (!Ask(v, LVM_GETITEMPOSITION, (WPARAM)i, (LPARAM)(v->remoteBuffer + ICON_TEXT_BYTES), &found))
        return ICON_UNREAD;
    if (!found) return ICON_MISSING;
    uint8_t local[ICON_BUFFER_BYTES];
    SIZE_T want = pt ? ICON_BUFFER_BYTES : ICON_TEXT_BYTES;
    if (!ReadProcessMemory(v->process, v->remoteBuffer, local, want, &done) || done != want) return ICON_UNREAD;
    // The answer's length, not a terminator the buffer may still hold from
    // the item before.
    size_t n = length < ICON_TEXT_BYTES - 1 ? (size_t)length : ICON_TEXT_BYTES - 1;
    memcpy(name, local, n);
    name[n] = '\0';
    if (pt) memcpy(pt, local + ICON_TEXT_BYTES, sizeof(*pt));
    return ICON_READ;
}

bool MoveDesktopIcon(DesktopListView* v, int i, POINT pt)
{
    SIZE_T done = 0;
    if (!WriteProcessMemory(v->process, v->remoteBuffer + ICON_TEXT_BYTES, &pt, sizeof(pt), &done) ||
        done != sizeof(pt))
        return false;
    return Ask(v, LVM_SETITEMPOSITION32, (WPARAM)i, (LPARAM)(v->remoteBuffer + ICON_TEXT_BYTES), nullptr);
}
