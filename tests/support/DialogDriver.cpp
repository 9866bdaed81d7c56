// DialogDriver.cpp - driving another process's dialogs.
#include "tests/support/DialogDriver.h"

#include "tests/support/TestEnv.h"

#include <stdint.h>
#include <string.h>

namespace {

struct DialogQuery {
    DWORD pid;
    const char* caption;
    HWND owner;   // null: any
    HWND found;
};

BOOL CALLBACK FindDialogOfProcess(HWND window, LPARAM parameter)
{
    DialogQuery* q = (DialogQuery*)parameter;
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    char cls[16] = {};
    GetClassNameA(window, cls, sizeof(cls));
    if (pid != q->pid || strcmp(cls, "#32770") != 0 || !IsWindowVisible(window)) return TRUE;
    if (q->owner && GetWindow(window, GW_OWNER) != q->owner) return TRUE;
    if (q->caption && ReadControlText(window) != q->caption) return TRUE;
    q->found = window;
    return FALSE;
}

struct ControlQuery {
    int id;
    HWND found;
};

BOOL CALLBACK FindVisibleControl(HWND window, LPARAM parameter)
{
    ControlQuery* q = (ControlQuery*)parameter;
    if (GetDlgCtrlID(window) != q->id || !IsWindowVisible(window)) return TRUE;
    q->found = window;
    return FALSE;
}

LRESULT Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(window, message, wParam, lParam, SMTO_ABORTIFHUNG, 5000, &result)) return 0;
    return (LRESULT)result;
}

void WalkTree(HWND tree, HTREEITEM item, int depth, RemoteBuffer* buffer, std::vector<RemoteTreeItem>* out)
{
    const size_t kTextAt = sizeof(TVITEMA);
    const int kTextSize = 520;
    for (; item; item = (HTREEITEM)Send(tree, TVM_GETNEXTITEM, TVGN_NEXT, (LPARAM)item)) {
        TVITEMA tv = {};
        tv.mask = TVIF_TEXT | TVIF_STATE | TVIF_PARAM | TVIF_IMAGE | TVIF_CHILDREN | TVIF_HANDLE;
        tv.hItem = item;
        tv.stateMask = 0xFFFF;
        tv.pszText = (char*)buffer->address() + kTextAt;
        tv.cchTextMax = kTextSize;
        RemoteTreeItem entry;
        entry.item = item;
        entry.depth = depth;
        char text[kTextSize] = {};
        if (buffer->Write(&tv, sizeof(tv)) && Send(tree, TVM_GETITEMA, 0, (LPARAM)buffer->address()) &&
            buffer->Read(&tv, sizeof(tv)) && buffer->Read(text, sizeof(text), kTextAt)) {
            text[sizeof(text) - 1] = '\0';
            entry.text = text;
            entry.state = tv.state;
            entry.param = tv.lParam;
            entry.image = tv.iImage;
            entry.hasChildren = tv.cChildren != 0;
        }
        out->push_back(entry);
        HTREEITEM child = (HTREEITEM)Send(tree, TVM_GETNEXTITEM, TVGN_CHILD, (LPARAM)item);
        if (child) WalkTree(tree, child, depth + 1, buffer, out);
    }
}

bool SendMouse(DWORD flags)
{
    INPUT in = {};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = flags;
    return SendInput(1, &in, sizeof(in)) == 1;
}

}  // namespace

//--- dialogs and controls

HWND FindDialog(DWORD pid, const char* caption)
{
    DialogQuery q = {pid, caption, nullptr, nullptr};
    EnumWindows(FindDialogOfProcess, (LPARAM)&q);
    return q.found;
}

HWND WaitForOwnedDialog(HWND owner, DWORD ms)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(owner, &pid);
    HWND found = nullptr;
    PumpUntil(
        [&] {
            DialogQuery q = {pid, nullptr, owner, nullptr};
            EnumWindows(FindDialogOfProcess, (LPARAM)&q);
            return (found = q.found) != nullptr;
        },
        ms);
    return found;
}

HWND WaitForDialog(DWORD pid, const char* caption, DWORD ms)
{
    HWND found = nullptr;
    PumpUntil([&] { return (found = FindDialog(pid, caption)) != nullptr; }, ms);
    return found;
}

bool WaitForWindowGone(HWND window, DWORD ms)
{
    return PumpUntil([&] { return !IsWindow(window) || !IsWindowVisible(window); }, ms);
}

HWND DialogControl(HWND dialog, int id)
{
    ControlQuery q = {id, nullptr};
    if (dialog) EnumChildWindows(dialog, FindVisibleControl, (LPARAM)&q);
    return q.found;
}

bool ControlEnabled(HWND dialog, int id)
{
    HWND control = DialogControl(dialog, id);
    return control && IsWindowEnabled(control);
}

int ControlChecked(HWND dialog, int id)
{
    HWND control = DialogControl(dialog, id);
    return control ? (int)Send(control, BM_GETCHECK, 0, 0) : -1;
}

std::string ControlText(HWND control)
{
    return control ? ReadControlText(control) : std::string();
}

bool SetControlText(HWND control, const std::string& text)
{
    DWORD_PTR result = 0;
    return control && SendMessageTimeoutA(control, WM_SETTEXT, 0, (LPARAM)text.c_str(), SMTO_ABORTIFHUNG, 5000,
                                          &result) && result;
}

bool ClickControl(HWND dialog, int id)
{
    HWND control = DialogControl(dialog, id);
    return control && PostMessageA(control, BM_CLICK, 0, 0);
}

void PostDialogCommand(HWND dialog, UINT message, int id)
{
    PostMessageA(dialog, message, (WPARAM)id, 0);
}

bool SelectTab(HWND tab, int index)
{
    if (!tab) return false;
    Send(tab, TCM_SETCURFOCUS, (WPARAM)index, 0);
    return Send(tab, TCM_GETCURSEL, 0, 0) == index;
}

//--- combo boxes

// Through the wide message, which crosses processes whole; the ANSI one
// comes back cut to its first character under Wine.
std::vector<std::string> ComboItems(HWND combo)
{
    std::vector<std::string> items;
    int count = combo ? (int)Send(combo, CB_GETCOUNT, 0, 0) : 0;
    for (int i = 0; i < count; i++) {
        wchar_t wide[1024] = {};
        if ((int)Send(combo, CB_GETLBTEXTLEN, (WPARAM)i, 0) >= (int)(sizeof(wide) / sizeof(wide[0]))) return {};
        DWORD_PTR got = 0;
        SendMessageTimeoutW(combo, CB_GETLBTEXT, (WPARAM)i, (LPARAM)wide, SMTO_ABORTIFHUNG, 5000, &got);
        char text[2048] = {};
        WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof(text), nullptr, nullptr);
        items.push_back(text);
    }
    return items;
}

int ComboSelection(HWND combo)
{
    return combo ? (int)Send(combo, CB_GETCURSEL, 0, 0) : -1;
}

bool ChooseComboRow(HWND dialog, int id, int index)
{
    HWND combo = DialogControl(dialog, id);
    if (!combo || (int)Send(combo, CB_SETCURSEL, (WPARAM)index, 0) != index) return false;
    return PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), (LPARAM)combo) != FALSE;
}

//--- memory in another process

RemoteBuffer::RemoteBuffer(HWND window, size_t size)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (!process_) return;
    address_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    size_ = address_ ? size : 0;
}

RemoteBuffer::~RemoteBuffer()
{
    if (address_) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
    if (process_) CloseHandle(process_);
}

bool RemoteBuffer::Write(const void* data, size_t size, size_t offset)
{
    SIZE_T done = 0;
    return address_ && offset + size <= size_ &&
           WriteProcessMemory(process_, (char*)address_ + offset, data, size, &done) && done == size;
}

bool RemoteBuffer::Read(void* data, size_t size, size_t offset) const
{
    SIZE_T done = 0;
    return address_ && offset + size <= size_ &&
           ReadProcessMemory(process_, (const char*)address_ + offset, data, size, &done) && done == size;
}

//--- tree views

std::vector<RemoteTreeItem> ReadTree(HWND tree)
{
    std::vector<RemoteTreeItem> items;
    if (!tree) return items;
    RemoteBuffer buffer(tree, sizeof(TVITEMA) + 520);
    if (!buffer.ok()) return items;
    HTREEITEM root = (HTREEITEM)Send(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0);
    WalkTree(tree, root, 1, &buffer, &items);
    return items;
}

std::string TreeOutline(const std::vector<RemoteTreeItem>& items)
{
    std::string outline;
    for (const RemoteTreeItem& i : items) outline += std::string(2 * (i.depth - 1), ' ') + i.text + "\n";
    return outline;
}

HTREEITEM FindTreeItem(HWND tree, const std::string& text, RemoteTreeItem* found)
{
    for (const RemoteTreeItem& i : ReadTree(tree))
        if (i.text == text) {
            if (found) *found = i;
            return i.item;
        }
    return nullptr;
}

bool SelectTreeItem(HWND tree, HTREEITEM item)
{
    return tree && Send(tree, TVM_SELECTITEM, TVGN_CARET, (LPARAM)item) != 0;
}

HTREEITEM TreeSelection(HWND tree)
{
    return tree ? (HTREEITEM)Send(tree, TVM_GETNEXTITEM, TVGN_CARET, 0) : nullptr;
}

bool TreeItemRect(HWND tree, HTREEITEM item, bool textOnly, RECT* screen)
{
    RemoteBuffer buffer(tree, sizeof(RECT));
    RECT r = {};
    memcpy(&r, &item, sizeof(item));   // the item goes in where the rectangle comes out
    if (!buffer.Write(&r, sizeof(r)) || !Send(tree, TVM_GETITEMRECT, textOnly ? TRUE : FALSE, (LPARAM)buffer.address()) ||
        !buffer.Read(&r, sizeof(r)))
        return false;
    MapWindowPoints(tree, nullptr, (POINT*)&r, 2);
    *screen = r;
    return true;
}

//--- list views

std::vector<std::vector<std::string>> ReadListView(HWND list, int columns)
{
    std::vector<std::vector<std::string>> rows;
    if (!list) return rows;
    const size_t kTextAt = sizeof(LVITEMA);
    const int kTextSize = 1024;
    RemoteBuffer buffer(list, kTextAt + kTextSize);
    if (!buffer.ok()) return rows;
    int count = (int)Send(list, LVM_GETITEMCOUNT, 0, 0);
    for (int row = 0; row < count; row++) {
        std::vector<std::string> cells;
        for (int column = 0; column < columns; column++) {
            LVITEMA item = {};
            item.iSubItem = column;
            item.pszText = (char*)buffer.address() + kTextAt;
            item.cchTextMax = kTextSize;
            char text[kTextSize] = {};
            if (buffer.Write(&item, sizeof(item)) &&
                Send(list, LVM_GETITEMTEXTA, (WPARAM)row, (LPARAM)buffer.address()) >= 0)
                buffer.Read(text, sizeof(text), kTextAt);
            text[sizeof(text) - 1] = '\0';
            cells.push_back(text);
        }
        rows.push_back(cells);
    }
    return rows;
}

//--- the framework message box

HWND WaitForMessageBox(DWORD pid, const char* caption, DWORD ms)
{
    HWND box = nullptr;
    PumpUntil(
        [&] {
            box = FindDialog(pid, caption);
            // The framework box has its text controls; the main dialog has not.
            return box && GetDlgItem(box, 50108) != nullptr;
        },
        ms);
    return box && GetDlgItem(box, 50108) ? box : nullptr;
}

bool AnswerMessageBox(HWND box, int button)
{
    HWND control = box ? GetDlgItem(box, button) : nullptr;
    return control && IsWindowVisible(control) && PostMessageA(control, BM_CLICK, 0, 0);
}

//--- real input

// An absolute move on the primary screen, whose 0..65535 scale the system
// maps back with a truncating multiply: the rounded-up value lands on the pixel.
bool MoveMouseTo(POINT at)
{
    int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    if (width <= 0 || height <= 0) return false;
    INPUT in = {};
    in.type = INPUT_MOUSE;
    in.mi.dx = (LONG)(((int64_t)at.x * 65536 + width - 1) / width);
    in.mi.dy = (LONG)(((int64_t)at.y * 65536 + height - 1) / height);
    in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    if (SendInput(1, &in, sizeof(in)) != 1) return false;
    POINT now;
    return PumpUntil([&] { return GetCursorPos(&now) && now.x == at.x && now.y == at.y; }, 2000);
}

bool MouseButton(bool down, bool right)
{
    DWORD flags = right ? (down ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_RIGHTUP)
                        : (down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP);
    return SendMouse(flags);
}

bool DragMouse(POINT from, POINT to, const std::function<bool()>& atTarget, DWORD ms, bool right)
{
    // The events queue up in order: the control sees the press, the moves
    // (the first past its drag threshold) and the release as sent.
    if (!MoveMouseTo(from) || !MouseButton(true, right)) return false;
    bool ok = true;
    const int kSteps = 12;
    int dx = to.x > from.x ? 1 : -1, dy = to.y > from.y ? 1 : -1;
    for (int i = 1; ok && i <= 4; i++) ok = MoveMouseTo({from.x + dx * 3 * i, from.y + dy * 3 * i});
    for (int i = 1; ok && i <= kSteps; i++)
        ok = MoveMouseTo({from.x + (to.x - from.x) * i / kSteps, from.y + (to.y - from.y) * i / kSteps});
    if (ok && atTarget) ok = PumpUntil(atTarget, ms);
    // The button goes up in any case: a held button would spoil later input.
    bool up = MouseButton(false, right);
    return ok && up;
}

bool HoldKey(WORD vk, bool down)
{
    INPUT in = {};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    return SendInput(1, &in, sizeof(in)) == 1;
}

//--- tooltips

namespace {

struct ToolTipQuery {
    DWORD pid;
    HWND owner;   // null: any
    std::vector<HWND>* found;
};

BOOL CALLBACK FindToolTip(HWND window, LPARAM parameter)
{
    ToolTipQuery* q = (ToolTipQuery*)parameter;
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    char cls[32] = {};
    GetClassNameA(window, cls, sizeof(cls));
    if (pid != q->pid || _stricmp(cls, TOOLTIPS_CLASSA) != 0) return TRUE;
    if (q->owner && GetWindow(window, GW_OWNER) != q->owner) return TRUE;
    q->found->push_back(window);
    return TRUE;
}

}  // namespace

std::vector<HWND> OwnedToolTips(HWND owner)
{
    std::vector<HWND> found;
    DWORD pid = 0;
    GetWindowThreadProcessId(owner, &pid);
    ToolTipQuery q = {pid, owner, &found};
    if (owner) EnumWindows(FindToolTip, (LPARAM)&q);
    return found;
}

std::vector<HWND> ProcessToolTips(DWORD pid)
{
    std::vector<HWND> found;
    ToolTipQuery q = {pid, nullptr, &found};
    EnumWindows(FindToolTip, (LPARAM)&q);
    return found;
}

std::vector<RemoteTool> ReadToolTipTools(HWND tip)
{
    std::vector<RemoteTool> tools;
    const size_t kTextAt = sizeof(TOOLINFOA);
    const int kTextSize = 1024;
    RemoteBuffer buffer(tip, kTextAt + kTextSize);
    if (!buffer.ok()) return tools;
    char* remoteText = (char*)buffer.address() + kTextAt;
    int count = (int)Send(tip, TTM_GETTOOLCOUNT, 0, 0);
    for (int i = 0; i < count; i++) {
        TOOLINFOA info = {};
        info.cbSize = sizeof(info);
        info.lpszText = remoteText;
        char text[kTextSize] = {};
        if (!buffer.Write(&info, sizeof(info)) || !buffer.Write(text, sizeof(text), kTextAt) ||
            !Send(tip, TTM_ENUMTOOLSA, (WPARAM)i, (LPARAM)buffer.address()) || !buffer.Read(&info, sizeof(info)))
            continue;
        RemoteTool tool;
        tool.window = info.hwnd;
        tool.id = info.uId;
        tool.flags = info.uFlags;
        info.lpszText = remoteText;
        if (buffer.Write(&info, sizeof(info)) && buffer.Write(text, sizeof(text), kTextAt)) {
            Send(tip, TTM_GETTEXTA, (WPARAM)kTextSize, (LPARAM)buffer.address());
            if (buffer.Read(text, sizeof(text), kTextAt)) {
                text[sizeof(text) - 1] = '\0';
                tool.text = text;
            }
        }
        tools.push_back(tool);
    }
    return tools;
}
