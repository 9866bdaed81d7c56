// WindowFinder.cpp - the crosshair button: the drag over the desktop, the
// frame around the window under the cursor, and the picked window handed to
// the finder's dialog.
#include "ui/WindowFinder.h"

#include "engine/Engine.h"
#include "engine/ProfileStore.h"
#include "engine/RuleCreate.h"
#include "engine/WindowTable.h"
#include "framework/core/DialogUtil.h"
#include "ui/MainDialogRes.h"

#include <stdlib.h>

namespace {

const UINT_PTR kPickTimer = 0x4321;

// One finder is active at a time. UI thread.
WNDPROC g_buttonProc;
int g_activeId;
HWND g_owner;
HWND g_lastUnder;
HWND g_picked;
bool g_picking;

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

// The window the finder would take: a monitored top-level window for which
// (main dialog finder) some rule template exists. *decided false when the
// table was busy this tick.
HWND PickableWindow(HWND button, HWND root, bool* decided)
{
    *decided = true;
    if (!root) return nullptr;
    // One try: a tick never waits for a pass; the next tick asks again.
    if (!EnterTableLock(0)) {
        *decided = false;
        return nullptr;
    }
    HWND pickable = nullptr;
    int at = FindWindowEntry(root);
    if (at >= 0) {
        pickable = root;
        if (g_activeId == IDB_MAIN_PICK && !IsCursorOverWindow(button) &&
            FindTemplateForWindow(CurrentProfile(), nullptr, &g_windowTable[at], false) < 0)
            pickable = nullptr;
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
    HWND pickable = PickableWindow(button, root, &decided);
    if (!decided) return;
    g_lastUnder = under;
    g_picked = pickable;
    ShowCaptureOverlay(g_picked);
}

void BeginPick(HWND button)
{
    SetFocus(button);
    g_activeId = GetDlgCtrlID(button);
    g_owner = GetParent(button);
    g_picked = g_lastUnder = nullptr;
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
    if (!deliver || !picked || IsCursorOverWindow(button)) return;
    if (g_activeId == IDB_MAIN_PICK && g_mainDialog)
        PostMessageA(g_mainDialog, WM_COMMAND, IDB_MAIN_PICK, (LPARAM)picked);
}

LRESULT CallButton(HWND button, UINT message, WPARAM wParam, LPARAM lParam)
{
    return g_buttonProc ? CallWindowProcA(g_buttonProc, button, message, wParam, lParam)
                        : DefWindowProcA(button, message, wParam, lParam);
}

}  // namespace

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
    case WM_DESTROY:
        if (g_picking) EndPick(button, false);
        break;
    default:
        break;
    }
    return CallButton(button, message, wParam, lParam);
}

void SubclassWindowFinder(HWND button)
{
    if (!button) return;
    WNDPROC previous = (WNDPROC)SetWindowLongPtrA(button, GWLP_WNDPROC, (LONG_PTR)WindowPickerProc);
    if (previous != WindowPickerProc) g_buttonProc = previous;
}
