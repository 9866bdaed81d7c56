// WindowFinder.cpp - the crosshair button: the drag over the desktop, the
// frame around the window under the cursor, the fields of the finder's
// dialog filled live from the window table, and the picked window handed to
// the dialog.
#include "ui/WindowFinder.h"

#include "engine/Engine.h"
#include "engine/ExplorerWindows.h"
#include "engine/OptionsRecord.h"
#include "engine/ProductIds.h"
#include "engine/ProfileStore.h"
#include "engine/RuleCreate.h"
#include "engine/WindowTable.h"
#include "framework/core/DialogUtil.h"
#include "framework/core/TextUtil.h"
#include "ui/DialogSubclass.h"
#include "ui/MainDialogRes.h"

#include <stdlib.h>

namespace {

const UINT_PTR kPickTimer = 0x4321;
const char kPreviousProc[] = "PanelShepherdFinderProc";

// The fields the finders fill.
const int kTitleField = 1148;
const int kClassField = 1149;
const int kProgramField = 1163;
const int kFolderField = 1326;
const int kXField = 1176, kYField = 1177, kWidthField = 1173, kHeightField = 1154;

// One finder is active at a time. UI thread.
int g_activeId;
HWND g_owner;
HWND g_lastUnder;
HWND g_picked;
bool g_picking;
bool g_tested;
PickerSnapshot g_snapshot;

bool ButtonHeld()
{
    return (GetAsyncKeyState(VK_LBUTTON) & 0x8000) || (GetAsyncKeyState(VK_RBUTTON) & 0x8000);
}

void DrawCrosshair(HWND button)
{
    RECT c;
    GetClientRect(button, &c);
    int height = c.bottom - c.top;
    int side = (int)(height / 1.2);
    HCURSOR cross = (HCURSOR)LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDC_FINDER_CROSSHAIR),
                                        IMAGE_CURSOR, side, side, LR_SHARED);
    if (!cross || side <= 0) return;
    HDC dc = GetDC(button);
    int gap = (height - side) / 2;
    DrawIconEx(dc, c.right - side - gap - 2, c.top + gap, cross, side, side, 0, nullptr, DI_NORMAL);
    ReleaseDC(button, dc);
}

bool FillsPlace(int id)
{
    return id == FINDER_ACTIONS_PICK || id == FINDER_EDITWINDOW_PICK;
}

// The owner's fields as they are when the drag starts, for Esc.
void TakeSnapshot()
{
    g_snapshot = PickerSnapshot{};
    HWND o = g_owner;
    if (g_activeId == FINDER_MATCH_TITLE || g_activeId == FINDER_TEMPLATE || g_activeId == FINDER_TRAY_PICK)
        GetDlgItemTextA(o, kTitleField, g_snapshot.title, sizeof(g_snapshot.title));
    if (g_activeId == FINDER_MATCH_CLASS || g_activeId == FINDER_TEMPLATE)
        GetDlgItemTextA(o, kClassField, g_snapshot.className, sizeof(g_snapshot.className));
    if (g_activeId == FINDER_MATCH_PROGRAM || g_activeId == FINDER_TEMPLATE || g_activeId == FINDER_TRAY_PICK)
        GetDlgItemTextA(o, kProgramField, g_snapshot.program, sizeof(g_snapshot.program));
    if (FillsPlace(g_activeId)) {
        g_snapshot.x = GetDlgItemNumber(o, kXField, -32767, 32767);
        g_snapshot.y = GetDlgItemNumber(o, kYField, -32767, 32767);
        g_snapshot.width = GetDlgItemNumber(o, kWidthField, 0, 32767);
        g_snapshot.height = GetDlgItemNumber(o, kHeightField, 0, 32767);
    }
}

void SetPlaceFields(HWND owner, int x, int y, int width, int height)
{
    SetDlgItemNumber(owner, kXField, x);
    SetDlgItemNumber(owner, kYField, y);
    SetDlgItemNumber(owner, kWidthField, width);
    SetDlgItemNumber(owner, kHeightField, height);
}

// The owner's fields from the hovered window's table entry.
void FillFromEntry(const MonitoredWindow* e)
{
    HWND o = g_owner;
    switch (g_activeId) {
    case FINDER_MATCH_TITLE:
        SetDlgItemTextA(o, kTitleField, e->title);
        break;
    case FINDER_MATCH_CLASS:
        SetDlgItemTextA(o, kClassField, e->className);
        break;
    case FINDER_MATCH_PROGRAM:
        SetDlgItemTextA(o, kProgramField, e->program);
        break;
    case FINDER_MATCH_TEST:
        CopyText(g_snapshot.title, sizeof(g_snapshot.title), e->title);
        CopyText(g_snapshot.className, sizeof(g_snapshot.className), e->className);
        CopyText(g_snapshot.program, sizeof(g_snapshot.program), e->program);
        g_tested = true;
        break;
    case FINDER_FOLDER: {
        char path[MAX_PATH] = "";
        GetExplorerFolderPath(e->hwnd, path, sizeof(path));
        SetDlgItemTextA(o, kFolderField, path);
        break;
    }
    case FINDER_TEMPLATE:
        SetDlgItemTextA(o, kTitleField, e->title);
        SetDlgItemTextA(o, kClassField, e->className);
        SetDlgItemTextA(o, kProgramField, e->program);
        break;
    case FINDER_ACTIONS_PICK:
        SendMessageA(o, WM_PICKED_WINDOW, 0, (LPARAM)e->hwnd);
        break;
    case FINDER_TRAY_PICK:
        SetDlgItemTextA(o, kProgramField, e->program);
        SetDlgItemTextA(o, kTitleField, e->title);
        break;
    case FINDER_WINDOWLIST_PICK:
        PostMessageA(o, WM_SELECTWINDOWROWS, 0, (LPARAM)e->hwnd);
        break;
    case FINDER_EDITWINDOW_PICK:
        SetPlaceFields(o, e->x, e->y, e->width, e->height);
        break;
    default:
        break;
    }
}

// The window the finder would take and a copy of its entry: a monitored
// top-level window, which some finders take only when a rule template
// exists for it. *decided false when the table was busy this tick.
HWND PickableWindow(HWND button, HWND root, MonitoredWindow* entry, bool* decided)
{
    *decided = true;
    if (!root) return nullptr;
    // One try for every finder: a tick never waits for a pass; the next tick asks again.
    if (!EnterTableLock(0)) {
        *decided = false;
        return nullptr;
    }
    HWND pickable = nullptr;
    int at = FindWindowEntry(root);
    if (at >= 0) {
        pickable = root;
        *entry = g_windowTable[at];
        bool templated = (g_activeId != FINDER_MAIN_PICK && !Options.bMonCheckTempl) ||
                         FindTemplateForWindow(CurrentProfile(), nullptr, &g_windowTable[at], false) >= 0;
        if ((g_activeId == FINDER_WINDOWLIST_PICK || g_activeId == FINDER_EDITWINDOW_PICK) && !templated)
            pickable = nullptr;
        if (g_activeId == FINDER_MAIN_PICK && !IsCursorOverWindow(button) && !templated) pickable = nullptr;
    }
    LeaveTableLock();
    return pickable;
}

void TickPick(HWND button)
{
    if (!ButtonHeld()) {
        SendMessageA(button, WM_LBUTTONUP, 0, 0);
        return;
    }
    POINT pt;
    GetCursorPos(&pt);
    HWND root = nullptr;
    HWND under = WindowFromPointDeep(&root, pt.x, pt.y);
    if (under == g_lastUnder) return;
    bool decided;
    MonitoredWindow entry;
    HWND pickable = PickableWindow(button, root, &entry, &decided);
    if (!decided) return;
    g_lastUnder = under;
    g_picked = pickable;
    ShowCaptureOverlay(g_picked);
    if (under == button)
        UpdatePickerTarget(&g_snapshot);
    else if (pickable)
        FillFromEntry(&entry);
}

void BeginPick(HWND button)
{
    SetFocus(button);
    g_tested = false;
    g_owner = GetParent(button);
    g_picked = g_lastUnder = nullptr;
    g_activeId = GetDlgCtrlID(button);
    TakeSnapshot();
    g_picking = true;
    SetTimer(button, kPickTimer, 50, nullptr);
    SetCapture(button);
    SetCursor((HCURSOR)LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDC_FINDER_CROSSHAIR),
                                  IMAGE_CURSOR, 0, 0, LR_DEFAULTSIZE | LR_SHARED));
}

// deliver: hand the picked window to the owner (not after Esc or a lost capture).
void EndPick(HWND button, bool deliver)
{
    if (!g_picking) return;
    g_picking = false;
    KillTimer(button, kPickTimer);
    if (GetCapture() == button) ReleaseCapture();
    ShowCaptureOverlay(nullptr);
    InvalidateRect(button, nullptr, TRUE);
    HWND picked = g_picked;
    g_picked = nullptr;
    if (!deliver || !picked) return;
    if (g_activeId == FINDER_MAIN_PICK && g_mainDialog && !IsCursorOverWindow(button))
        PostMessageA(g_mainDialog, WM_COMMAND, FINDER_MAIN_PICK, (LPARAM)picked);
    if (g_activeId == FINDER_MATCH_TEST) {
        g_snapshot.window = g_tested ? picked : nullptr;
        PostMessageA(g_owner, WM_COMMAND, FINDER_MATCH_TEST, (LPARAM)&g_snapshot);
    }
}

LRESULT CallButton(HWND button, UINT message, WPARAM wParam, LPARAM lParam)
{
    return CallControlProc(button, kPreviousProc, message, wParam, lParam);
}

}  // namespace

void UpdatePickerTarget(const PickerSnapshot* snapshot)
{
    HWND o = g_owner;
    if (!snapshot || !o) return;
    switch (g_activeId) {
    case FINDER_MATCH_TITLE:
        SetDlgItemTextA(o, kTitleField, snapshot->title);
        break;
    case FINDER_MATCH_CLASS:
        SetDlgItemTextA(o, kClassField, snapshot->className);
        break;
    case FINDER_MATCH_PROGRAM:
        SetDlgItemTextA(o, kProgramField, snapshot->program);
        break;
    // The template finder fills three fields while hovering: Esc puts all three back.
    case FINDER_TEMPLATE:
        SetDlgItemTextA(o, kClassField, snapshot->className);
        // fall through
    case FINDER_TRAY_PICK:
        SetDlgItemTextA(o, kProgramField, snapshot->program);
        SetDlgItemTextA(o, kTitleField, snapshot->title);
        break;
    case FINDER_ACTIONS_PICK:
    case FINDER_EDITWINDOW_PICK:
        SetPlaceFields(o, snapshot->x, snapshot->y, snapshot->width, snapshot->height);
        break;
    case FINDER_WINDOWLIST_PICK:
        PostMessageA(o, WM_SELECTWINDOWROWS, 0, 0);
        break;
    default:
        break;
    }
}

LRESULT CALLBACK WindowPickerProc(HWND button, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT:
    case BM_SETSTATE:
    case WM_UPDATEUISTATE: {
        LRESULT result = CallButton(button, message, wParam, lParam);
        if (GetCapture() != button) DrawCrosshair(button);
        return result;
    }
    case WM_GETDLGCODE:
        // Esc during the drag belongs to the finder, not to the dialog's Cancel.
        if (ButtonHeld()) return DLGC_WANTALLKEYS;
        break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
        BeginPick(button);
        return 0;
    case WM_TIMER:
        if (wParam == kPickTimer) {
            if (g_picking) TickPick(button);
            return 0;
        }
        break;
    case WM_KEYDOWN:
        if (g_picking && wParam == VK_ESCAPE) {
            UpdatePickerTarget(&g_snapshot);
            g_picked = nullptr;
            EndPick(button, false);
            return 0;
        }
        break;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
        if (g_picking) {
            EndPick(button, true);
            return 0;
        }
        break;
    case WM_CAPTURECHANGED:
        if (g_picking && (HWND)lParam != button) EndPick(button, false);
        break;
    case WM_NCDESTROY:
        if (g_picking) EndPick(button, false);
        break;
    default:
        break;
    }
    return CallButton(button, message, wParam, lParam);
}

void SubclassWindowFinder(HWND button)
{
    // Kept per button: finders of two dialogs may be open at once.
    SubclassControl(button, WindowPickerProc, kPreviousProc);
}
