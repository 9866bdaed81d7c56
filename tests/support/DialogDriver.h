// DialogDriver.h - drives the dialogs of another process (the program under
// test) as a user would, with the messages that work across processes:
//
// - dialogs are found by class "#32770" and caption, controls by id among the
//   visible ones (pages repeat ids);
// - texts go through WM_GETTEXT and WM_SETTEXT (GetWindowText returns nothing
//   for another process's controls);
// - buttons get a posted BM_CLICK (a sent one would block on a button that
//   opens a modal dialog), tabs TCM_SETCURFOCUS, combo boxes a selection and
//   the CBN_SELCHANGE their owner would hear;
// - trees and list views are read through buffers in the other process
//   (VirtualAllocEx), which their messages point into;
// - the framework message box is read and answered by its ids;
// - real input (SendInput) only where nothing else will do: drags, finders,
//   hotkey fields and held modifier keys.
//
// Every wait is on a condition with a time-out.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

//--- dialogs and controls
// The first visible dialog of the process with this caption (any caption for
// null), waited for; null on time-out.
HWND WaitForDialog(DWORD pid, const char* caption, DWORD ms = 10000);
// Whether such a dialog is there now.
HWND FindDialog(DWORD pid, const char* caption);
// A visible dialog owned by this window (a modal one opened over it, whose
// caption may be the owner's own), waited for; null on time-out.
HWND WaitForOwnedDialog(HWND owner, DWORD ms = 10000);
bool WaitForWindowGone(HWND window, DWORD ms = 10000);
// The visible control with this id anywhere below the dialog, or null.
HWND DialogControl(HWND dialog, int id);
bool ControlEnabled(HWND dialog, int id);
// BM_GETCHECK of a check box.
int ControlChecked(HWND dialog, int id);
std::string ControlText(HWND control);
bool SetControlText(HWND control, const std::string& text);
// Posted BM_CLICK; false when the control is not there.
bool ClickControl(HWND dialog, int id);
// Posts a command to a dialog as a menu or a button of its own would.
void PostDialogCommand(HWND dialog, UINT message, int id);
bool SelectTab(HWND tab, int index);

//--- combo boxes
std::vector<std::string> ComboItems(HWND combo);
int ComboSelection(HWND combo);
// Selects row index and tells the owner as a user's choice would.
bool ChooseComboRow(HWND dialog, int id, int index);

//--- memory in another process
class RemoteBuffer {
public:
    RemoteBuffer(HWND window, size_t size);
    ~RemoteBuffer();
    RemoteBuffer(const RemoteBuffer&) = delete;
    RemoteBuffer& operator=(const RemoteBuffer&) = delete;
    bool ok() const { return address_ != nullptr; }
    void* address() const { return address_; }
    bool Write(const void* data, size_t size, size_t offset = 0);
    bool Read(void* data, size_t size, size_t offset = 0) const;

private:
    HANDLE process_ = nullptr;
    void* address_ = nullptr;
    size_t size_ = 0;
};

//--- tree views
struct RemoteTreeItem {
    HTREEITEM item = nullptr;
    std::string text;
    int depth = 0;      // 1 = top level
    UINT state = 0;     // TVIS_*
    LPARAM param = 0;
    int image = -1;
    bool hasChildren = false;
};
// Every item in tree order (pre-order), read from the other process.
std::vector<RemoteTreeItem> ReadTree(HWND tree);
// "name" per item, indented by two blanks a level: a picture tests compare.
std::string TreeOutline(const std::vector<RemoteTreeItem>& items);
// The first item with this text, or null.
HTREEITEM FindTreeItem(HWND tree, const std::string& text, RemoteTreeItem* found = nullptr);
bool SelectTreeItem(HWND tree, HTREEITEM item);
HTREEITEM TreeSelection(HWND tree);
// The item's rectangle in screen pixels (its text only, or the whole row).
bool TreeItemRect(HWND tree, HTREEITEM item, bool textOnly, RECT* screen);

//--- list views
// Each row's texts of the first columns columns.
std::vector<std::vector<std::string>> ReadListView(HWND list, int columns);

//--- the framework message box
// The box of the process with this caption, waited for; null on time-out.
HWND WaitForMessageBox(DWORD pid, const char* caption, DWORD ms = 10000);
// Presses a button of the box by its id (IDYES, IDNO, IDOK, ...).
bool AnswerMessageBox(HWND box, int button);

//--- real input
// Moves the mouse to the screen point.
bool MoveMouseTo(POINT at);
bool MouseButton(bool down, bool right = false);
// Presses at from, moves to to in steps (the first few pixels past the drag
// threshold), calls atTarget (when given) until it holds or ms pass, and
// releases. False when the input could not be sent or atTarget never held.
bool DragMouse(POINT from, POINT to, const std::function<bool()>& atTarget = nullptr, DWORD ms = 5000,
               bool right = false);
// A key held down or let go (for modifiers the program reads with GetAsyncKeyState).
bool HoldKey(WORD vk, bool down);

//--- tooltips
struct RemoteTool {
    HWND window = nullptr;   // the tool's window (TTF_IDISHWND: the control)
    UINT_PTR id = 0;
    UINT flags = 0;
    std::string text;
};
// The tooltip windows ("tooltips_class32") the window owns.
std::vector<HWND> OwnedToolTips(HWND owner);
// Every tooltip window of the process.
std::vector<HWND> ProcessToolTips(DWORD pid);
// The tools of a tooltip window with their texts (TTM_GETTOOLCOUNT,
// TTM_ENUMTOOLS, TTM_GETTEXT), read from the other process.
std::vector<RemoteTool> ReadToolTipTools(HWND tip);
