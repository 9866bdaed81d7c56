// MessageBox.cpp - the framework message box: dialog 50100 sized around its
// text, themed with the dialog fonts, the modal depth told to every window.
#include "framework/ui/MessageBox.h"

#include "framework/core/AppObject.h"
#include "framework/core/AppWindow.h"
#include "framework/core/DialogUtil.h"
#include "framework/core/MonitorTable.h"
#include "framework/core/TextUtil.h"
#include "framework/ui/DialogSetup.h"
#include "framework/ui/MessageBoxRes.h"
#include "framework/ui/Paint.h"
#include "framework/ui/Theme.h"

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static MessageBoxHook g_hook;
static int g_modalDepth;

// One box's state, owned by the AppMessageBox call that shows it.
struct MessageBoxState {
    AppObject*  app;
    const char* caption;
    const char* source;                    // the formatted text
    uint32_t    flags;
    int         defaultButton;
    char        text[MESSAGEBOX_TEXT_MAX + 1];
};

void SetMessageBoxHook(MessageBoxHook hook)
{
    g_hook = hook;
}

int DefaultMessageBoxButton(uint32_t flags)
{
    int button = (flags & (MB_ZRP_YESNO | MB_ZRP_YESNOCANCEL)) ? IDYES : IDOK;
    switch (flags & (MB_ZRP_FORCEOK | MB_ZRP_FORCECANCEL | MB_ZRP_FORCEYES | MB_ZRP_FORCENO)) {
    case MB_ZRP_FORCEOK: button = IDOK; break;
    case MB_ZRP_FORCECANCEL: button = IDCANCEL; break;
    case MB_ZRP_FORCEYES: button = IDYES; break;
    case MB_ZRP_FORCENO: button = IDNO; break;
    }
    return button;
}

int ChangeModalDepth(AppObject* app, int delta)
{
    g_modalDepth += delta;
    if (g_modalDepth < 0) g_modalDepth = 0;
    for (int i = 0; i < app->windows.count; i++)
        SendMessageA(app->windows.data[i]->window, ZRPMSG_MODALDEPTH, (WPARAM)g_modalDepth, 0);
    return g_modalDepth;
}

//--- layout

// The buttons each set shows, left to right.
static int ButtonSet(uint32_t flags, int* ids)
{
    if (flags & MB_ZRP_YESNOCANCEL) {
        ids[0] = IDYES, ids[1] = IDNO, ids[2] = IDCANCEL;
        return 3;
    }
    if (flags & MB_ZRP_YESNO) {
        ids[0] = IDYES, ids[1] = IDNO;
        return 2;
    }
    if (flags & MB_ZRP_OKCANCEL) {
        ids[0] = IDOK, ids[1] = IDCANCEL;
        return 2;
    }
    ids[0] = IDOK;
    return 1;
}

static bool ShowsButton(uint32_t flags, int id)
{
    int ids[3];
    int n = ButtonSet(flags, ids);
    for (int i = 0; i < n; i++)
        if (ids[i] == id) return true;
    return false;
}

static UINT DialogDpi(HWND dialog)
{
    UINT dpi = GetWindowDpi(dialog);
    return dpi < 96 ? 96 : dpi;
}

static HFONT TextFont(const MessageBoxState* s, HWND dialog, bool first)
{
    bool bold = first && (s->flags & MB_ZRP_HEADLINE);
    return GetThemeFont(&g_theme, bold ? THEME_FONT_UI_BOLD : THEME_FONT_UI, DialogDpi(dialog));
}

// Height of a text wrapped at the width, in the font.
static int WrappedHeight(const char* text, HFONT font, int width)
{
    HDC dc = GetThemeMeasureDC(&g_theme);
    if (!dc || !text[0]) return 0;
    HGDIOBJ old = SelectObject(dc, font);
    RECT r = {0, 0, width, 0};
    DrawTextA(dc, text, -1, &r, DT_CALCRECT | DT_WORDBREAK | DT_EDITCONTROL | DT_NOPREFIX | DT_EXPANDTABS);
    SelectObject(dc, old);
    return r.bottom - r.top;
}

// A quarter of the work area's width of the monitor at the parent's centre.
static int MaxTextWidth(HWND dialog)
{
    HWND parent = GetParent(dialog);
    RECT r;
    GetWindowRect(parent ? parent : GetDesktopWindow(), &r);
    int index = MonitorFromPointIndex((r.left + r.right) / 2, (r.top + r.bottom) / 2, false);
    MonitorTable monitors;
    GetMonitorSnapshot(&monitors);
    if (index < 0 || index >= monitors.count || index >= MONITOR_TABLE_MAX) return 400;
    const RECT& work = monitors.workAreas[index];
    return (work.right - work.left) / 4;
}

static void PlaceControl(HWND dialog, int id, int x, int y, int w, int h)
{
    SetWindowPos(GetDlgItem(dialog, id), nullptr, x, y, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
}

// Splits the text into its two controls and sizes the box around them.
static void LayoutMessageBox(MessageBoxState* s, HWND dialog)
{
    // Carriage returns go; lines are what the line feeds separate.
    char* w = s->text;
    for (const char* r = s->text; *r; r++)
        if (*r != '\r') *w++ = *r;
    *w = '\0';

    char* rest = strchr(s->text, '\n');
    int lines = 1;
    for (const char* p = s->text; *p; p++)
        if (*p == '\n') lines++;
    if (rest) *rest++ = '\0';   // the first line stands alone from here on

    HFONT firstFont = TextFont(s, dialog, true), restFont = TextFont(s, dialog, false);
    int widest = 0;
    const char* next = rest;
    for (int i = 0; i < lines && i < 15; i++) {
        const char* line = s->text;
        size_t length = strlen(line);
        if (i > 0) {
            const char* feed = strchr(next, '\n');
            line = next;
            length = feed ? (size_t)(feed - next) : strlen(next);
            next = feed ? feed + 1 : next + length;
        }
        char one[MESSAGEBOX_TEXT_MAX + 1];
        CopyTextN(one, sizeof(one), line, length);
        int width = 0, height = 0;
        MeasureTextWithFont(&g_theme, one[0] ? one : " ", &width, &height, i == 0 ? firstFont : restFont);
        if (width + 8 > widest) widest = width + 8;
    }
    int column = widest < MaxTextWidth(dialog) ? widest : MaxTextWidth(dialog);

    RECT units = {7, 7, 50, 14};
    MapDialogRect(dialog, &units);
    int margin = units.left, buttonW = units.right, buttonH = units.bottom;
    RECT gapUnits = {4, 4, 0, 0};
    MapDialogRect(dialog, &gapUnits);
    int gap = gapUnits.left;

    bool icon = (s->flags & 0xF) != 0;
    int iconSide = icon ? (MulDiv(32, (int)DialogDpi(dialog), 96) & ~1) : 0;
    ShowWindow(GetDlgItem(dialog, IDC_MSGBOX_ICON), icon ? SW_SHOW : SW_HIDE);
    PlaceControl(dialog, IDC_MSGBOX_ICON, margin, margin, iconSide, iconSide);
    int textLeft = icon ? margin + iconSide + margin + gap : margin;

    SetDlgItemTextA(dialog, IDT_MSGBOX_TEXT, s->text);
    SetDlgItemTextA(dialog, IDT_MSGBOX_MORE, rest ? rest : "");
    ShowWindow(GetDlgItem(dialog, IDT_MSGBOX_MORE), rest ? SW_SHOW : SW_HIDE);
    int h1 = WrappedHeight(s->text[0] ? s->text : " ", firstFont, column);
    int h2 = rest ? WrappedHeight(rest[0] ? rest : " ", restFont, column) : 0;
    int spacing = rest && (s->flags & MB_ZRP_HEADLINE) ? gap : 0;
    int block = h1 + spacing + h2;
    int top = margin;
    if (lines <= 2 && block < iconSide) top += (iconSide - block) / 2;
    PlaceControl(dialog, IDT_MSGBOX_TEXT, textLeft, top, column, h1);
    PlaceControl(dialog, IDT_MSGBOX_MORE, textLeft, top + h1 + spacing, column, h2);

    int contentBottom = top + block > margin + iconSide ? top + block : margin + iconSide;
    int ids[3];
    int count = ButtonSet(s->flags, ids);
    int buttonsW = count * buttonW + (count - 1) * gap;
    int clientW = textLeft + column + margin;
    if (clientW < buttonsW + 2 * margin) clientW = buttonsW + 2 * margin;
    int buttonTop = contentBottom + margin + gap;
    int clientH = buttonTop + buttonH + margin;

    static const int kAll[4] = {IDYES, IDNO, IDOK, IDCANCEL};
    for (int id : kAll) ShowWindow(GetDlgItem(dialog, id), ShowsButton(s->flags, id) ? SW_SHOW : SW_HIDE);
    int x = (clientW - buttonsW) / 2;
    for (int i = 0; i < count; i++, x += buttonW + gap) PlaceControl(dialog, ids[i], x, buttonTop, buttonW, buttonH);

    RECT win, client;
    GetWindowRect(dialog, &win);
    GetClientRect(dialog, &client);
    int frameW = (win.right - win.left) - client.right, frameH = (win.bottom - win.top) - client.bottom;
    SetWindowPos(dialog, nullptr, 0, 0, clientW + frameW, clientH + frameH,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    CenterWindow(dialog);
}

//--- the dialog

static void ApplyFonts(const MessageBoxState* s, HWND dialog)
{
    UINT dpi = DialogDpi(dialog);
    HFONT normal = GetThemeFont(&g_theme, THEME_FONT_UI, dpi), bold = GetThemeFont(&g_theme, THEME_FONT_UI_BOLD, dpi);
    SendDlgItemMessageA(dialog, IDT_MSGBOX_TEXT, WM_SETFONT, (WPARAM)TextFont(s, dialog, true), TRUE);
    SendDlgItemMessageA(dialog, IDT_MSGBOX_MORE, WM_SETFONT, (WPARAM)normal, TRUE);
    static const int kAll[4] = {IDYES, IDNO, IDOK, IDCANCEL};
    for (int id : kAll) {
        bool isDefault = id == s->defaultButton;
        SendDlgItemMessageA(dialog, id, BM_SETSTYLE, isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
        SendDlgItemMessageA(dialog, id, WM_SETFONT, (WPARAM)(isDefault ? bold : normal), TRUE);
    }
}

static void SetButtonCaptions(const MessageBoxState* s, HWND dialog)
{
    static const struct { int id, column; } kCaptions[4] = {{IDOK, 0}, {IDCANCEL, 1}, {IDYES, 4}, {IDNO, 5}};
    for (const auto& c : kCaptions) {
        const char* text = s->app ? GetAppString(&s->app->strings, 0xF200, c.column) : nullptr;
        if (!text) text = AppText(0xF200, c.column);
        if (text[0]) SetDlgItemTextA(dialog, c.id, text);
    }
}

static void Beep(uint32_t flags)
{
    switch (flags & 0xF) {
    case MB_ZRP_ERROR: MessageBeep(MB_ICONHAND); break;
    case MB_ZRP_WARNING: MessageBeep(MB_ICONEXCLAMATION); break;
    case MB_ZRP_INFO: MessageBeep(MB_ICONASTERISK); break;
    case MB_ZRP_QUESTION: MessageBeep(MB_ICONQUESTION); break;
    }
}

static BOOL OnInitDialog(HWND dialog, MessageBoxState* s)
{
    SetWindowLongPtrA(dialog, DWLP_USER, (LONG_PTR)s);
    InitDialogDefaults(s->app, dialog);
    SetWindowTextA(dialog, s->caption);
    CopyText(s->text, sizeof(s->text), s->source);
    if (s->flags & MB_ZRP_APPICON) {
        HINSTANCE module = s->app && s->app->instance ? s->app->instance : GetModuleHandleA(nullptr);
        HICON icon = (HICON)LoadImageA(module, MAKEINTRESOURCEA(2), IMAGE_ICON, 32, 32, LR_SHARED);
        if (icon) SetClassLongPtrA(dialog, GCLP_HICONSM, (LONG_PTR)icon);
    }
    ApplyFonts(s, dialog);
    LayoutMessageBox(s, dialog);
    Beep(s->flags);
    // Esc and the close box mean Cancel only where there is a Cancel or the
    // box has OK alone; a Yes/No question must be answered.
    if ((s->flags & MB_ZRP_YESNO) && !(s->flags & MB_ZRP_YESNOCANCEL))
        EnableMenuItem(GetSystemMenu(dialog, FALSE), SC_CLOSE, MF_BYCOMMAND | MF_GRAYED);
    SendMessageA(dialog, DM_SETDEFID, (WPARAM)s->defaultButton, 0);
    SetButtonCaptions(s, dialog);
    SetFocus(GetDlgItem(dialog, s->defaultButton));
    return FALSE;   // the focus is set
}

static void OnDrawIcon(const MessageBoxState* s, const DRAWITEMSTRUCT* item)
{
    LPCSTR kind = nullptr;
    switch (s->flags & 0xF) {
    case MB_ZRP_ERROR: kind = (LPCSTR)IDI_HAND; break;
    case MB_ZRP_WARNING: kind = (LPCSTR)IDI_EXCLAMATION; break;
    case MB_ZRP_INFO: kind = (LPCSTR)IDI_ASTERISK; break;
    case MB_ZRP_QUESTION: kind = (LPCSTR)IDI_QUESTION; break;
    }
    if (!kind) return;
    int side = (item->rcItem.right - item->rcItem.left) & ~1;
    HICON icon = (HICON)LoadImageA(nullptr, kind, IMAGE_ICON, side, side, LR_SHARED);
    if (icon) DrawIconEx(item->hDC, item->rcItem.left, item->rcItem.top, icon, side, side, 0, nullptr, DI_NORMAL);
}

static void OnButton(HWND dialog, const MessageBoxState* s, int id)
{
    if (id == IDCANCEL && !ShowsButton(s->flags, IDCANCEL)) {
        if (ShowsButton(s->flags, IDOK)) id = IDOK;
        else return;   // Esc on a Yes/No question
    }
    EndDialog(dialog, id);
    HWND parent = GetParent(dialog);
    if (parent) BringWindowToTop(parent);
}

static INT_PTR CALLBACK MessageBoxDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) return OnInitDialog(dialog, (MessageBoxState*)lParam);
    MessageBoxState* s = (MessageBoxState*)GetWindowLongPtrA(dialog, DWLP_USER);
    if (!s) return FALSE;
    switch (message) {
    case WM_DRAWITEM:
        if (wParam == IDC_MSGBOX_ICON) {
            OnDrawIcon(s, (const DRAWITEMSTRUCT*)lParam);
            return TRUE;
        }
        return FALSE;
    case WM_SHOWWINDOW:
        ApplyFonts(s, dialog);
        return FALSE;
    case WM_DPICHANGED:
        ApplyDialogFontForDpi(dialog, LOWORD(wParam));
        SendMessageA(dialog, WM_SHOWWINDOW, TRUE, 0);
        return FALSE;
    case WM_COMMAND: {
        int id = LOWORD(wParam);
        if (id == IDOK || id == IDCANCEL || id == IDYES || id == IDNO) {
            OnButton(dialog, s, id);
            return TRUE;
        }
        return FALSE;
    }
    }
    return FALSE;
}

//--- the call

// Formats into a block of exactly the needed size; caller frees. Null when the
// text cannot be formatted or allocated.
static char* FormatNew(const char* format, va_list args)
{
    va_list measure;
    va_copy(measure, args);
    int need = vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    if (need < 0) return nullptr;
    char* text = (char*)malloc((size_t)need + 1);
    if (!text) return nullptr;
    va_list again;
    va_copy(again, args);
    int wrote = vsnprintf(text, (size_t)need + 1, format, again);
    va_end(again);
    if (wrote < 0) {
        free(text);
        return nullptr;
    }
    return text;
}

static HWND PickOwner(AppObject* app, HWND owner)
{
    if (!owner) {
        HWND front = GetForegroundWindow();
        DWORD pid = 0;
        if (front) GetWindowThreadProcessId(front, &pid);
        if (pid == GetCurrentProcessId()) owner = front;
    }
    if (owner) {
        AppWindow* w = app ? FindAppWindowByHandle(app, owner) : nullptr;
        if (w)
            ShowAppWindowAndBars(w, SW_SHOW, (uint32_t)-1);
        else
            ShowWindow(owner, SW_SHOW);
        SetForegroundWindow(owner);
    }
    return owner;
}

int AppMessageBox(AppObject* app, HWND owner, const char* caption, const char* format,
                  uint32_t flags, int focusControl, ...)
{
    va_list args;
    va_start(args, focusControl);
    char* text = FormatNew(format ? format : "", args);
    va_end(args);
    if (!text) return -666;
    if (!caption) caption = app ? app->productName : "";

    int result;
    if (g_hook) {
        result = g_hook(caption, text, flags);
    } else {
        HWND focus = GetFocus();
        owner = PickOwner(app, owner);
        // Large: the box's text buffer does not belong on the caller's stack.
        MessageBoxState* s = (MessageBoxState*)calloc(1, sizeof(MessageBoxState));
        if (!s) {
            free(text);
            return -666;
        }
        s->app = app;
        s->caption = caption;
        s->source = text;
        s->flags = flags;
        s->defaultButton = DefaultMessageBoxButton(flags);
        if (app) ChangeModalDepth(app, 1);
        HINSTANCE module = app && app->instance ? app->instance : GetModuleHandleA(nullptr);
        result = (int)DialogBoxParamA(module, MAKEINTRESOURCEA(IDD_MESSAGEBOX), owner, MessageBoxDlgProc,
                                      (LPARAM)s);
        if (app) ChangeModalDepth(app, -1);
        free(s);
        if (owner && focusControl) {
            HWND control = GetDlgItem(owner, focusControl);
            SetFocus(control);
            SendMessageA(control, EM_SETSEL, 0, -1);
        } else if (focus) {
            SetFocus(focus);
        }
    }
    free(text);
    return result;
}
