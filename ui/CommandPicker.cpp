// CommandPicker.cpp - the Command Editor's drag buttons: pressed, dragged
// over a window and released, each writes its statement for that window.
#include "ui/CommandEditor.h"

#include "engine/Geometry.h"
#include "engine/WindowTable.h"
#include "framework/core/DialogUtil.h"
#include "framework/core/MonitorTable.h"
#include "framework/core/TextUtil.h"
#include "ui/CommandEditorRes.h"
#include "ui/DialogSubclass.h"
#include "ui/MainDialogRes.h"
#include "ui/WindowFinder.h"

namespace {

const UINT_PTR kDragTimer = 0x4321;
const char kPreviousProc[] = "PanelShepherdPickerProc";

// One drag at a time. UI thread.
HWND g_dragging;   // the button, while its drag runs
HWND g_target;
POINT g_dropPoint;   // the cursor at the last tick with the button held
bool g_ctrlAtRelease;

LRESULT CallButton(HWND button, UINT message, WPARAM wParam, LPARAM lParam)
{
    return CallControlProc(button, kPreviousProc, message, wParam, lParam);
}

void DrawCrosshair(HWND button)
{
    RECT c;
    GetClientRect(button, &c);
    int height = c.bottom - c.top;
    int side = (int)((int)GetWindowDpi(button) * height / 96 / 1.2);
    HCURSOR cross = (HCURSOR)LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDC_FINDER_CROSSHAIR),
                                        IMAGE_CURSOR, side, side, LR_SHARED);
    if (!cross || side <= 0) return;
    HDC dc = GetDC(button);
    DrawIconEx(dc, c.right - (int)(1.1 * height), c.top + (height - side) / 2, cross, side, side, 0, nullptr,
               DI_NORMAL);
    ReleaseDC(button, dc);
}

void WriteWindowStatement(HWND target)
{
    char title[260] = "", cls[128] = "", program[MAX_PATH] = "";
    char qtitle[260], qcls[128], qprogram[MAX_PATH];
    GetWindowTextA(target, title, sizeof(title));
    GetClassNameA(target, cls, sizeof(cls));
    GetWindowProgramPath(target, program, sizeof(program));
    CopyQuotableText(qtitle, sizeof(qtitle), title);
    CopyQuotableText(qcls, sizeof(qcls), cls);
    CopyQuotableText(qprogram, sizeof(qprogram), program);
    AppendEditorOutput("%s( \"%s\" , \"%s\" , \"%s\" )", "WINDOW", qtitle, qcls, qprogram);
}

void WriteControlStatement(HWND target)
{
    char text[260] = "", cls[128] = "", qtext[260], qcls[128];
    // Another process's control answers WM_GETTEXT, not GetWindowText.
    SendMessageTimeoutA(target, WM_GETTEXT, sizeof(text), (LPARAM)text, SMTO_ABORTIFHUNG, 1000, nullptr);
    text[sizeof(text) - 1] = '\0';
    GetClassNameA(target, cls, sizeof(cls));
    CopyQuotableText(qtext, sizeof(qtext), text);
    CopyQuotableText(qcls, sizeof(qcls), cls);
    AppendEditorOutput("%s( %d , \"%s\" , \"%s\" )", "CONTROL", GetDlgCtrlID(target), qtext, qcls);
}

void WriteClickStatement(HWND target)
{
    // Where the drag ended: the cursor may move on before the release is seen.
    POINT cursor = g_dropPoint;
    RECT r;
    if (!GetWindowRect(target, &r)) return;
    int dx = cursor.x - r.left, dy = cursor.y - r.top;
    bool child = (GetWindowLongA(target, GWL_STYLE) & WS_CHILD) && GetParent(target) &&
                 GetParent(target) != GetDesktopWindow();
    bool percent = child != g_ctrlAtRelease;
    int w = r.right - r.left, h = r.bottom - r.top;
    if (percent && w > 0 && h > 0)
        AppendEditorOutput("%s( 0 , %d%% , %d%% )", "CLICK", dx * 100 / w, dy * 100 / h);
    else
        AppendEditorOutput("%s( 0 , %d , %d )", "CLICK", dx, dy);
}

void WriteStatement(int id, HWND target)
{
    int x = 0, y = 0, w = 0, h = 0;
    switch (id) {
    case IDB_CMDEDIT_WINDOW:
        WriteWindowStatement(target);
        break;
    case IDB_CMDEDIT_CONTROL:
        WriteControlStatement(target);
        break;
    case IDB_CMDEDIT_CLICK:
        WriteClickStatement(target);
        break;
    case IDB_CMDEDIT_MOVE:
        GetWindowGeometry(target, &x, &y, nullptr, nullptr, nullptr, nullptr);
        AppendEditorOutput("%s( %d , %d )", "MOVE", x, y);
        break;
    case IDB_CMDEDIT_SIZE:
        GetWindowGeometry(target, nullptr, nullptr, &w, &h, nullptr, nullptr);
        AppendEditorOutput("%s( %d , %d )", "SIZE", w, h);
        break;
    default:
        break;
    }
}

void TickDrag(HWND button)
{
    if (!(GetAsyncKeyState(VK_LBUTTON) & 0x8000)) {
        SendMessageA(button, WM_LBUTTONUP, 0, 0);
        return;
    }
    POINT pt;
    GetCursorPos(&pt);
    g_dropPoint = pt;
    HWND root = nullptr;
    HWND under = WindowFromPointDeep(&root, pt.x, pt.y);
    HWND target = GetDlgCtrlID(button) == IDB_CMDEDIT_WINDOW ? root : under;
    if (target == g_target) return;
    g_target = target;
    ShowCaptureOverlay(target == button ? nullptr : target);
}

void BeginDrag(HWND button)
{
    // Esc comes to the focus, which the drag's button takes.
    SetFocus(button);
    g_dragging = button;
    g_target = nullptr;
    SetTimer(button, kDragTimer, 50, nullptr);
    SetCapture(button);
    SetCursor((HCURSOR)LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDC_FINDER_CROSSHAIR),
                                  IMAGE_CURSOR, 0, 0, LR_DEFAULTSIZE | LR_SHARED));
}

void EndDrag(HWND button, bool write)
{
    if (g_dragging != button) return;
    g_dragging = nullptr;
    KillTimer(button, kDragTimer);
    if (GetCapture() == button) ReleaseCapture();
    ShowCaptureOverlay(nullptr);
    InvalidateRect(button, nullptr, TRUE);
    HWND target = g_target;
    g_target = nullptr;
    if (write && target && target != button && IsWindow(target)) WriteStatement(GetDlgCtrlID(button), target);
}

}  // namespace

LRESULT CALLBACK CommandPickerProc(HWND button, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT:
    case BM_SETSTATE:
    case WM_UPDATEUISTATE: {
        LRESULT result = CallButton(button, message, wParam, lParam);
        if (g_dragging != button) DrawCrosshair(button);
        return result;
    }
    case WM_GETDLGCODE:
        // Esc during the drag belongs to the button, not to the dialog's Cancel.
        if (GetAsyncKeyState(VK_LBUTTON) & 0x8000) return DLGC_WANTALLKEYS;
        break;
    case WM_LBUTTONDOWN:
        BeginDrag(button);
        return 0;
    case WM_TIMER:
        if (wParam == kDragTimer) {
            if (g_dragging == button) TickDrag(button);
            return 0;
        }
        break;
    case WM_KEYDOWN:
        if (g_dragging == button && wParam == VK_ESCAPE) {
            g_target = nullptr;
            EndDrag(button, false);
            return 0;
        }
        break;
    case WM_LBUTTONUP:
        if (g_dragging == button) {
            // The release's own key state, else the keyboard's now.
            g_ctrlAtRelease = (wParam & MK_CONTROL) || (GetAsyncKeyState(VK_CONTROL) & 0x8000);
            EndDrag(button, true);
            return 0;
        }
        break;
    case WM_CAPTURECHANGED:
        if (g_dragging == button && (HWND)lParam != button) EndDrag(button, false);
        break;
    case WM_NCDESTROY:
        if (g_dragging == button) EndDrag(button, false);
        break;
    default:
        break;
    }
    return CallButton(button, message, wParam, lParam);
}

void SubclassCommandPicker(HWND button)
{
    SubclassControl(button, CommandPickerProc, kPreviousProc);
}
