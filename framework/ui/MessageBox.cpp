// MessageBox.cpp - the framework message box, shown through the system's box.
#include "framework/ui/MessageBox.h"

#include "framework/core/AppObject.h"
#include "framework/core/AppWindow.h"

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>

static MessageBoxHook g_hook;
static int g_modalDepth;

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

static UINT SystemBoxStyle(uint32_t flags)
{
    UINT style = MB_SETFOREGROUND;
    switch (flags & 0xF) {
    case MB_ZRP_ERROR: style |= MB_ICONHAND; break;
    case MB_ZRP_WARNING: style |= MB_ICONEXCLAMATION; break;
    case MB_ZRP_INFO: style |= MB_ICONASTERISK; break;
    case MB_ZRP_QUESTION: style |= MB_ICONQUESTION; break;
    }
    UINT buttons[] = {MB_OK, MB_OKCANCEL, MB_YESNO, MB_YESNOCANCEL};
    int set = (flags & MB_ZRP_YESNOCANCEL) ? 3 : (flags & MB_ZRP_YESNO) ? 2 : (flags & MB_ZRP_OKCANCEL) ? 1 : 0;
    style |= buttons[set];
    int def = DefaultMessageBoxButton(flags);
    static const int order[4][3] = {{IDOK, 0, 0}, {IDOK, IDCANCEL, 0}, {IDYES, IDNO, 0}, {IDYES, IDNO, IDCANCEL}};
    static const UINT defs[3] = {MB_DEFBUTTON1, MB_DEFBUTTON2, MB_DEFBUTTON3};
    for (int i = 0; i < 3; i++)
        if (order[set][i] == def) style |= defs[i];
    return style;
}

static void TellModalDepth(AppObject* app)
{
    for (int i = 0; i < app->windows.count; i++)
        SendMessageA(app->windows.data[i]->window, ZRPMSG_MODALDEPTH, (WPARAM)g_modalDepth, 0);
}

int AppMessageBox(AppObject* app, HWND owner, const char* caption, const char* format,
                  uint32_t flags, int focusControl, ...)
{
    va_list args;
    va_start(args, focusControl);
    va_list measure;
    va_copy(measure, args);
    int need = vsnprintf(nullptr, 0, format ? format : "", measure);
    va_end(measure);
    char* text = need >= 0 ? (char*)malloc((size_t)need + 1) : nullptr;
    if (!text) {
        va_end(args);
        return -666;
    }
    vsnprintf(text, (size_t)need + 1, format ? format : "", args);
    va_end(args);
    if (!caption) caption = app->productName;

    int result;
    if (g_hook) {
        result = g_hook(caption, text, flags);
    } else {
        HWND focus = GetFocus();
        if (!owner) {
            HWND fg = GetForegroundWindow();
            DWORD pid = 0;
            if (fg) GetWindowThreadProcessId(fg, &pid);
            if (pid == GetCurrentProcessId()) owner = fg;
        }
        if (owner) {
            AppWindow* w = FindAppWindowByHandle(app, owner);
            if (w)
                ShowAppWindowAndBars(w, SW_SHOW, (uint32_t)-1);
            else
                ShowWindow(owner, SW_SHOW);
            SetForegroundWindow(owner);
        }
        g_modalDepth++;
        TellModalDepth(app);
        result = MessageBoxA(owner, text, caption, SystemBoxStyle(flags));
        if (g_modalDepth > 0) g_modalDepth--;
        TellModalDepth(app);
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
