// DialogSetup.cpp - theme fonts, icon, focus and place of a dialog being shown.
#include "framework/ui/DialogSetup.h"

#include "framework/core/AppObject.h"
#include "framework/core/DialogUtil.h"
#include "framework/core/MonitorTable.h"
#include "framework/ui/Theme.h"

static HFONT g_dialogBoldFont;

// Marks a check box already widened, so a later DPI change does not widen it again.
static const char kWidenedProp[] = "ZRPWidened";

HFONT GetDialogBoldFont()
{
    return g_dialogBoldFont;
}

static bool IsCheckBoxStyle(LONG style)
{
    LONG type = style & BS_TYPEMASK;
    return type == BS_CHECKBOX || type == BS_AUTOCHECKBOX;
}

// A check box that stands on a group box's caption line is its title.
static bool IsOnCaptionLine(HWND box)
{
    HWND parent = GetParent(box);
    RECT r;
    if (!parent || !GetWindowRect(box, &r)) return false;
    MapWindowPoints(nullptr, parent, (POINT*)&r, 2);
    int height = r.bottom - r.top;
    POINT probe = {r.left - 1, r.top + height / 2};
    HWND under = ChildWindowFromPointEx(parent, probe, CWP_ALL);
    if (!under || under == parent || under == box || !(GetWindowLongA(under, GWL_STYLE) & 0x7)) return false;
    RECT g;
    GetWindowRect(under, &g);
    MapWindowPoints(nullptr, parent, (POINT*)&g, 2);
    int dy = r.top - g.top;
    if (dy < 0) dy = -dy;
    return dy <= height / 2 && r.left >= g.left && r.left <= g.left + 3 * height;
}

struct ControlRule {
    HFONT bold;
    int defaultId;
};

static BOOL CALLBACK ApplyControlRule(HWND child, LPARAM data)
{
    const ControlRule* rule = (const ControlRule*)data;
    char cls[16] = {};
    GetClassNameA(child, cls, sizeof(cls));
    if (_stricmp(cls, "Button") != 0) return TRUE;
    LONG style = GetWindowLongA(child, GWL_STYLE);
    if (IsCheckBoxStyle(style)) {
        if (GetPropA(child, kWidenedProp) || IsOnCaptionLine(child)) {
            SendMessageA(child, WM_SETFONT, (WPARAM)rule->bold, TRUE);
            if (!GetPropA(child, kWidenedProp)) {
                RECT r;
                GetWindowRect(child, &r);
                int width = (int)((r.right - r.left) * 1.2);
                SetWindowPos(child, nullptr, 0, 0, width, r.bottom - r.top,
                             SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
                SetPropA(child, kWidenedProp, (HANDLE)1);
            }
        }
    } else if ((style & BS_TYPEMASK) == BS_GROUPBOX) {
        SendMessageA(child, WM_SETFONT, (WPARAM)rule->bold, TRUE);
    }
    if (rule->defaultId && GetDlgCtrlID(child) == rule->defaultId) {
        SetFocus(child);
        SendMessageA(child, WM_SETFONT, (WPARAM)rule->bold, TRUE);
    }
    return TRUE;
}

HFONT ApplyDialogFontForDpi(HWND dialog, UINT dpi)
{
    if (dpi < 96) dpi = 96;
    ControlRule rule;
    rule.bold = GetThemeFont(&g_theme, THEME_FONT_UI_BOLD, dpi);
    LRESULT def = SendMessageA(dialog, DM_GETDEFID, 0, 0);
    rule.defaultId = HIWORD(def) == DC_HASDEFID ? LOWORD(def) : 0;
    EnumChildWindows(dialog, ApplyControlRule, (LPARAM)&rule);
    g_dialogBoldFont = rule.bold;
    return rule.bold;
}

HFONT InitDialogDefaults(AppObject* app, HWND dialog)
{
    HFONT bold = ApplyDialogFontForDpi(dialog, GetWindowDpi(dialog));
    HINSTANCE module = app && app->instance ? app->instance : GetModuleHandleA(nullptr);
    uint32_t iconId = app && app->trayIconId ? app->trayIconId : 1;
    HICON small = (HICON)LoadImageA(module, MAKEINTRESOURCEA(iconId), IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                    GetSystemMetrics(SM_CYSMICON), LR_SHARED);
    if (small) SetClassLongPtrA(dialog, GCLP_HICONSM, (LONG_PTR)small);
    // The default button may already hold the focus; otherwise the dialog takes it.
    HWND focus = GetFocus();
    if (!focus || (focus != dialog && !IsChild(dialog, focus))) SetFocus(dialog);
    CenterWindow(dialog);
    HWND owner = GetParent(dialog);
    if (owner && (GetWindowLongA(owner, GWL_EXSTYLE) & WS_EX_TOPMOST))
        SetWindowPos(dialog, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    return bold;
}
