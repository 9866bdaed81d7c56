// LinkLabel.cpp - links made from dialog statics.
#include "framework/services/LinkLabel.h"

#include "framework/core/DialogUtil.h"
#include "framework/core/MonitorTable.h"
#include "framework/core/TextUtil.h"

#include <commctrl.h>
#include <string.h>

#define LINK_POINT_SIZE 12
#define LINK_COLOUR     RGB(0, 0, 255)

void InitLinkLabel(LinkLabel* link)
{
    memset(link, 0, sizeof(*link));
}

static void FreeLinkFont(LinkLabel* link)
{
    if (link->font) DeleteObject(link->font);
    link->font = nullptr;
}

// Underlined, normal weight, in the dialog's face at the DPI.
static HFONT CreateLinkFont(HWND dialog, UINT dpi)
{
    LOGFONTA lf = {};
    HFONT dialogFont = (HFONT)SendMessageA(dialog, WM_GETFONT, 0, 0);
    if (!dialogFont || !GetObjectA(dialogFont, sizeof(lf), &lf)) CopyText(lf.lfFaceName, LF_FACESIZE, "MS Shell Dlg");
    lf.lfHeight = -MulDiv(LINK_POINT_SIZE, (int)dpi, 72);
    lf.lfWidth = 0;
    lf.lfWeight = FW_NORMAL;
    lf.lfItalic = FALSE;
    lf.lfUnderline = TRUE;
    lf.lfStrikeOut = FALSE;
    return CreateFontIndirectA(&lf);
}

void DetachLinkLabel(LinkLabel* link)
{
    if (link->control && IsWindow(link->control)) {
        SetWindowLongPtrA(link->control, GWLP_WNDPROC, (LONG_PTR)link->previousProc);
        SetWindowLongPtrA(link->control, GWLP_USERDATA, 0);
        DestroyWindow(link->control);
    }
    if (link->tooltip) DestroyWindow(link->tooltip);
    FreeLinkFont(link);
    InitLinkLabel(link);
}

static void AddTooltip(LinkLabel* link)
{
    link->tooltip = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                    CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, link->dialog, nullptr,
                                    (HINSTANCE)GetWindowLongPtrA(link->dialog, GWLP_HINSTANCE), nullptr);
    if (!link->tooltip) return;
    TOOLINFOA tool = {};
    tool.cbSize = sizeof(tool);
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = link->dialog;
    tool.uId = (UINT_PTR)link->control;
    tool.lpszText = link->target;
    SendMessageA(link->tooltip, TTM_ADDTOOLA, 0, (LPARAM)&tool);
}

bool AttachLinkLabel(LinkLabel* link, HWND dialog, int controlId, const char* target)
{
    DetachLinkLabel(link);
    HWND control = GetDlgItem(dialog, controlId);
    if (!control) return false;
    link->controlId = controlId;
    link->control = control;
    link->dialog = dialog;
    GetWindowTextA(control, link->text, sizeof(link->text));
    CopyText(link->target, sizeof(link->target), target ? target : link->text);
    if (!link->text[0]) {
        CopyText(link->text, sizeof(link->text), link->target);
        SetWindowTextA(control, link->text);
    }
    LONG style = GetWindowLongA(control, GWL_STYLE);
    LONG kind = style & SS_TYPEMASK;
    link->alignment = kind == SS_CENTER ? 1 : kind == SS_RIGHT ? 2 : 0;
    link->pathEllipsis = (style & SS_ELLIPSISMASK) == SS_PATHELLIPSIS ? 1 : 0;
    SetWindowLongPtrA(control, GWLP_USERDATA, (LONG_PTR)link);
    link->previousProc = (WNDPROC)SetWindowLongPtrA(control, GWLP_WNDPROC, (LONG_PTR)LinkLabelProc);
    AddTooltip(link);
    return true;
}

//--- the procedure

static void PaintLink(LinkLabel* link, HDC dc)
{
    RECT client;
    GetClientRect(link->control, &client);
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    UINT dpi = GetWindowDpi(link->dialog);
    if (link->font && link->fontDpi != dpi) FreeLinkFont(link);
    if (!link->font) {
        link->font = CreateLinkFont(link->dialog, dpi);
        link->fontDpi = dpi;
    }
    HGDIOBJ oldFont = SelectObject(dc, link->font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, LINK_COLOUR);
    static const UINT kAlign[] = {DT_LEFT, DT_CENTER, DT_RIGHT};
    UINT format = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | kAlign[link->alignment] |
                  (link->pathEllipsis ? DT_PATH_ELLIPSIS : 0);
    DrawTextA(dc, link->text, -1, &client, format);
    if (GetFocus() == link->control) {
        // The text's own rectangle, shortened as drawn and placed as aligned.
        RECT text = client;
        DrawTextA(dc, link->text, -1, &text, format | DT_CALCRECT);
        if (text.right > client.right) text.right = client.right;
        int width = text.right - text.left, height = text.bottom - text.top;
        text.left = link->alignment == 1   ? (client.right - width) / 2
                    : link->alignment == 2 ? client.right - width
                                           : client.left;
        text.right = text.left + width;
        text.top = (client.bottom - height) / 2;
        text.bottom = text.top + height;
        SetTextColor(dc, RGB(0, 0, 0));
        SetBkColor(dc, RGB(255, 255, 255));
        DrawFocusRect(dc, &text);
    }
    SelectObject(dc, oldFont);
}

static void OpenLink(LinkLabel* link)
{
    InvalidateRect(link->control, nullptr, TRUE);
    UpdateWindow(link->control);
    if (link->target[0]) ShellExecuteAsUser(link->target, nullptr, 0, nullptr, SW_SHOWNORMAL);
}

LRESULT CALLBACK LinkLabelProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam)
{
    LinkLabel* link = (LinkLabel*)GetWindowLongPtrA(control, GWLP_USERDATA);
    if (!link) return DefWindowProcA(control, message, wParam, lParam);
    switch (message) {
    case WM_SETCURSOR:
        SetCursor(LoadCursorA(nullptr, IDC_HAND));
        return TRUE;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        InvalidateRect(control, nullptr, TRUE);
        break;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(control, &ps);
        PaintLink(link, dc);
        EndPaint(control, &ps);
        return 0;
    }
    case WM_PRINTCLIENT:
        PaintLink(link, (HDC)wParam);
        return 0;
    case WM_LBUTTONDOWN:
        SetFocus(control);
        return 0;
    case WM_LBUTTONUP:
        if (GetFocus() == control) OpenLink(link);
        return 0;
    case WM_KEYDOWN:
        // Held down, the key repeats: only the first press opens.
        if (wParam == VK_SPACE && GetFocus() == control && !(lParam & 0x40000000)) {
            OpenLink(link);
            return 0;
        }
        break;
    }
    return CallWindowProcA(link->previousProc, control, message, wParam, lParam);
}
