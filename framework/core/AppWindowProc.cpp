// AppWindowProc.cpp - the framework's window procedure for application windows.
#include "framework/core/AppObject.h"
#include "framework/core/AppWindow.h"
#include "framework/core/FrameworkHooks.h"
#include "framework/core/MonitorTable.h"

static AppWindow* RecordOf(HWND window)
{
    return (AppWindow*)GetWindowLongPtrA(window, GWLP_USERDATA);
}

static void TrackRectangles(AppWindow* r)
{
    HWND w = r->window;
    if (IsZoomed(w))
        r->flags |= APPWIN_MAXIMISED;
    else
        r->flags &= ~APPWIN_MAXIMISED;
    if ((r->flags & APPWIN_MAXIMISED) || IsIconic(w) || r->inStyleChange) return;
    RECT now;
    if (!GetWindowRect(w, &now)) return;
    if (!(r->flags & APPWIN_LOCKPOS)) OffsetRect(&r->windowRect, now.left - r->windowRect.left,
                                                 now.top - r->windowRect.top);
    if (!(r->flags & APPWIN_LOCKSIZE)) {
        r->windowRect.right = r->windowRect.left + (now.right - now.left);
        r->windowRect.bottom = r->windowRect.top + (now.bottom - now.top);
    }
}

static void OnSize(AppWindow* r, WPARAM wParam, LPARAM lParam)
{
    GetClientRect(r->window, &r->layoutRect);
    if (GetFrameworkHooks()->layoutDockBays) GetFrameworkHooks()->layoutDockBays(r, &r->layoutRect);
    SendMessageA(r->window, ZRPMSG_LAYOUT, wParam, lParam);
    if (r->busyOverlay)
        SetWindowPos(r->busyOverlay, nullptr, 0, 0, r->layoutRect.right, r->layoutRect.bottom,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    TrackRectangles(r);
}

// The window menu is command 0xF105 with this window's list, at the cursor.
static void OpenWindowMenu(AppWindow* r)
{
    int row = FindCommandIndex(&g_app, 0xF105);
    if (row < 0 || !GetFrameworkHooks()->openContextMenu) return;
    g_app.commands.data[row].data = (intptr_t)r->windowMenu;
    GetFrameworkHooks()->openContextMenu(&g_app, 0xF105, nullptr, r->window);
}

static void OnActivate(AppWindow* r, WPARAM wParam)
{
    if (LOWORD(wParam) != WA_INACTIVE) {
        g_app.menuWindowNumber = r->windowNumber;
        SetFocus(r->savedFocus && IsWindow(r->savedFocus) ? r->savedFocus : r->window);
    } else {
        r->savedFocus = GetFocus();
        if (!g_app.menuMode) g_app.menuWindowNumber = 0xFFFF;
    }
    RepaintAppNonClient(&g_app);
}

LRESULT CALLBACK AppWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        CREATESTRUCTA* cs = (CREATESTRUCTA*)lParam;
        AppWindow* r = (AppWindow*)cs->lpCreateParams;
        SetWindowLongPtrA(window, GWLP_USERDATA, (LONG_PTR)r);
        if (r) r->window = window;
        return DefWindowProcA(window, message, wParam, lParam);
    }
    AppWindow* r = RecordOf(window);
    if (!r) return DefWindowProcA(window, message, wParam, lParam);

    switch (message) {
    case WM_CREATE:
        return 0;
    case WM_SIZE:
        OnSize(r, wParam, lParam);
        return 0;
    case WM_MOVE:
        TrackRectangles(r);
        return 0;
    case WM_ACTIVATE:
        OnActivate(r, wParam);
        return 0;
    case WM_NCACTIVATE:
        return DefWindowProcA(window, message, g_app.menuWindowNumber == r->windowNumber, lParam);
    case WM_CLOSE:
        SaveWindowPlacement(r);   // the product decides whether to close
        return 0;
    case WM_DESTROY:
        SaveWindowPlacement(r);
        return 0;
    case WM_NCDESTROY:
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        return DefWindowProcA(window, message, wParam, lParam);
    case WM_SHOWWINDOW:
        r->dpi = GetWindowDpi(window);
        return DefWindowProcA(window, message, wParam, lParam);
    case WM_SETCURSOR:
        if (r->flags & APPWIN_LOCKSIZE) {
            SetCursor(LoadCursorA(nullptr, (LPCSTR)(r->busyOverlay ? IDC_WAIT : IDC_ARROW)));
            return TRUE;
        }
        break;
    case WM_GETMINMAXINFO: {
        MINMAXINFO* mm = (MINMAXINFO*)lParam;
        mm->ptMinTrackSize.x = r->minTrackWidth;
        mm->ptMinTrackSize.y = r->minTrackHeight;
        return 0;
    }
    case WM_WINDOWPOSCHANGING: {
        WINDOWPOS* wp = (WINDOWPOS*)lParam;
        if (r->flags & APPWIN_LOCKPOS) wp->flags |= SWP_NOMOVE;
        if (r->flags & APPWIN_LOCKSIZE) wp->flags |= SWP_NOSIZE;
        break;
    }
    case WM_HELP:
        if (!(GetKeyState(VK_CONTROL) & 0x8000)) SendMessageA(window, ZRPMSG_HELP, wParam, lParam);
        return TRUE;
    case WM_NCRBUTTONDOWN:
        return 0;
    case WM_NCRBUTTONUP:
    case WM_RBUTTONUP:
        SendMessageA(window, ZRPMSG_WINDOWMENU, 0, 0);
        return 0;
    case WM_EXITSIZEMOVE:
        GetWindowRect(window, &r->normalRect);
        return 0;
    case WM_DPICHANGED: {
        r->dpi = HIWORD(wParam);
        const RECT* s = (const RECT*)lParam;
        SetWindowPos(window, nullptr, s->left, s->top, s->right - s->left, s->bottom - s->top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        return 0;
    }
    case WM_THEMECHANGED:
    case WM_SYSCOLORCHANGE:
        // The colours a mode derives from changed; following the system, the
        // mode itself may have.
        AppSetColourMode(&g_app, g_app.appRecord.colourMode);
        return 0;
    case WM_ACTIVATEAPP:
        // Only on leaving: a click that activates the program on a popup's
        // item must still reach the item.
        if (!wParam && g_app.menuMode && GetFrameworkHooks()->closeMenus) GetFrameworkHooks()->closeMenus(&g_app);
        return DefWindowProcA(window, message, wParam, lParam);
    case ZRPMSG_WINDOWMENU:
        UpdateCommandStates(r);
        OpenWindowMenu(r);
        return 0;
    case ZRPMSG_SETPOPUP:
        r->openPopup = (void*)lParam;
        return 0;
    case ZRPMSG_GETPOPUP:
        return (LRESULT)r->openPopup;
    case ZRPMSG_ACTIVATE:
        ShowAppWindowAndBars(r, SW_SHOWNORMAL, (uint32_t)-1);
        return 0;
    case ZRPMSG_MODALDEPTH:
        ShowBusyOverlay(r, wParam != 0);
        return 0;
    case ZRPMSG_COMMAND:
        HandleWindowMenuCommand(r, LOWORD(wParam));
        return 0;
    case ZRPMSG_OWNERDRAWICON:
        return DrawWindowMenuIcon((HDC)wParam, (OwnerDrawnIcon*)lParam);
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
