// DesktopListView.h - the shell's desktop list view, read and moved from this
// process: the item structure and the text buffer live in the shell's memory.
#pragma once

#include <windows.h>

#include <stdint.h>

// Where a list-view item keeps its text pointer and text capacity; it
// follows the bitness of the process that owns the list view.
struct ListViewItemLayout {
    uint32_t textOffset;
    uint32_t textPointerSize;
    uint32_t capacityOffset;
};
ListViewItemLayout ListViewItemLayoutFor(bool shellIs32Bit);

#define LISTVIEW_ITEM_BYTES 116   // room for an item of either bitness
#define ICON_TEXT_BYTES     260
#define ICON_BUFFER_BYTES   268   // the text, then the item's position

// Longest the list view may take over one message; one that takes longer,
// or a shell that stopped taking messages, ends the work.
#define DESKTOP_ANSWER_MS 5000

// Results of the set-up and of a whole save or restore.
#define ICONS_DONE         0
#define ICONS_NO_LISTVIEW  1   // no desktop list view
#define ICONS_NO_SHELL     2   // the shell's process or memory in it cannot be had

struct DesktopListView {
    HWND     window;
    HANDLE   process;
    uint8_t* remoteItem;     // LISTVIEW_ITEM_BYTES in the shell's process
    uint8_t* remoteBuffer;   // ICON_BUFFER_BYTES in the shell's process
    ListViewItemLayout layout;
};

// Enumeration callback: the "FolderView" list view in the empty-titled
// "SHELLDLL_DefView" child of a top-level window, into *(HWND*)found.
BOOL CALLBACK FindDesktopListView(HWND top, LPARAM found);
// Finds the list view and prepares its process; ICONS_*. The view is to be
// closed whatever the result.
int OpenDesktopListView(DesktopListView* view);
void CloseDesktopListView(DesktopListView* view);
// The number of icons, -1 when the list view did not answer.
int DesktopIconCount(DesktopListView* view);
// What reading one icon found.
#define ICON_READ    0
#define ICON_MISSING 1   // the list view has no icon i: its count said more than it holds
#define ICON_UNREAD  2   // the list view did not answer or its memory could not be read
// Icon i's label (ICON_TEXT_BYTES, terminated) and, when pt is given, its
// list-view position; ICON_*.
int ReadDesktopIcon(DesktopListView* view, int i, char* name, POINT* pt);
// Sets icon i's list-view position (full 32-bit coordinates).
bool MoveDesktopIcon(DesktopListView* view, int i, POINT pt);
