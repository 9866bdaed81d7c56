// AppWindowMenu.cpp - the window menu's command states and commands.
#include "framework/core/AppObject.h"
#include "framework/core/AppWindow.h"
#include "framework/core/TextUtil.h"
#include "framework/core/FrameworkHooks.h"

#include <commdlg.h>

static void SetState(uint16_t id, bool checked, bool enabled = true)
{
    SetCommandChecked(&g_app, id, checked);
    SetCommandEnabled(&g_app, id, enabled);
}

void UpdateCommandStates(AppWindow* r)
{
    uint32_t f = r->flags;
    const uint32_t captionBits = APPWIN_NOCAPTION | APPWIN_SMALLCAPTION | APPWIN_BORDERLESS;
    const uint32_t lockBits = APPWIN_LOCKBARPOS | APPWIN_LOCKBARSIZE | APPWIN_LOCKPOS | APPWIN_LOCKSIZE;
    SetState(0xF110, (f & APPWIN_TOPMOST) != 0);
    SetState(0xF111, (f & APPWIN_TASKBAR) != 0);
    SetState(0xF121, (f & captionBits) == 0);
    SetState(0xF122, (f & APPWIN_SMALLCAPTION) != 0);
    SetState(0xF123, (f & APPWIN_NOCAPTION) != 0);
    SetState(0xF124, (f & APPWIN_BORDERLESS) != 0);
    uint8_t mode = g_app.appRecord.colourMode;
    SetState(0xF131, mode == 0);
    SetState(0xF132, mode == 1);
    SetState(0xF133, mode == 2);
    SetState(0xF141, g_app.appRecord.fontFace[0] == '\0');
    SetState(0xF142, g_app.appRecord.fontFace[0] != '\0');
    bool bars = g_app.itemBars.count > 0;
    SetState(0xF151, (f & APPWIN_LOCKBARPOS) != 0, bars);
    SetState(0xF152, (f & APPWIN_LOCKBARSIZE) != 0, bars);
    SetState(0xF153, (f & APPWIN_LOCKPOS) != 0);
    SetState(0xF154, (f & APPWIN_LOCKSIZE) != 0);
    SetState(0xF155, (f & lockBits) == lockBits);
    SetState(0xF156, (f & APPWIN_KEEPONRESCHANGE) != 0);
    SetState(0xF161, r->transparency == 0);
    for (int i = 1; i <= 9; i++) SetState((uint16_t)(0xF161 + i), r->transparency == i * 10);
    SetState(0xF16B, r->clickThrough != 0, r->transparency >= 1);

    static const uint16_t kMenu[] = {0xF110, 0xF111, 0xF120, 0xF130, 0xF140, 0xF150, 0xF160};
    int n = 0;
    for (uint16_t id : kMenu) r->windowMenu[n++] = id;
    r->windowMenu[n] = 0xFFFF;
}

// Restart keeping the elevation, after the user agreed.
static void RestartForFont()
{
    AppQuit(&g_app, -1, true);
}

static void PickColour(uint32_t* colour)
{
    CHOOSECOLORA cc = {};
    cc.lStructSize = sizeof(cc);
    cc.rgbResult = *colour;
    static COLORREF custom[16];
    for (int i = 0; i < 5; i++) custom[i] = g_app.customColours[i];
    cc.lpCustColors = custom;
    cc.Flags = CC_FULLOPEN | CC_RGBINIT;
    if (ChooseColorA(&cc)) {
        *colour = cc.rgbResult;
        AppSetColourMode(&g_app, 2);
    }
}

//--- the colour swatches of the Custom commands

// The record's colour each of 0xF134-0xF137 sets, or null.
static const uint32_t* CustomColourOf(uint16_t command)
{
    AppRecord* rec = &g_app.appRecord;
    switch (command) {
    case 0xF134: return &rec->backgroundColour;
    case 0xF135: return &rec->focusColour;
    case 0xF136: return &rec->textColour;
    case 0xF137: return &rec->highlightTextColour;
    }
    return nullptr;
}

bool DrawWindowMenuIcon(HDC dc, OwnerDrawnIcon* request)
{
    const uint32_t* colour = request ? CustomColourOf(request->commandId) : nullptr;
    if (!colour) return false;
    RECT r = request->rect;
    if (IsRectEmpty(&r)) {
        request->rect.right = r.left + 16;
        request->rect.bottom = r.top + 16;
        return true;
    }
    InflateRect(&r, -4, -4);
    FrameRect(dc, &r, GetSysColorBrush(COLOR_WINDOWTEXT));
    InflateRect(&r, -1, -1);
    HBRUSH fill = CreateSolidBrush(*colour & 0x00FFFFFF);
    FillRect(dc, &r, fill);
    DeleteObject(fill);
    return true;
}

//--- commands

void HandleWindowMenuCommand(AppWindow* r, uint16_t command)
{
    AppRecord* rec = &g_app.appRecord;
    switch (command) {
    case 0xF110:
        r->flags ^= APPWIN_TOPMOST;
        SetWindowPos(r->window, (r->flags & APPWIN_TOPMOST) ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0,
                     0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        return;
    case 0xF111:
        r->flags ^= APPWIN_TASKBAR;
        SetCaptionStyle(r, r->flags);
        return;
    case 0xF121: SetCaptionStyle(r, 0); return;
    case 0xF122: SetCaptionStyle(r, APPWIN_SMALLCAPTION); return;
    case 0xF123: SetCaptionStyle(r, APPWIN_NOCAPTION); return;
    case 0xF124: SetCaptionStyle(r, APPWIN_BORDERLESS); return;
    case 0xF131: AppSetColourMode(&g_app, 0); return;
    case 0xF132: AppSetColourMode(&g_app, 1); return;
    case 0xF133: AppSetColourMode(&g_app, 2); return;
    case 0xF134: PickColour(&rec->backgroundColour); return;
    case 0xF135: PickColour(&rec->focusColour); return;
    case 0xF136: PickColour(&rec->textColour); return;
    case 0xF137: PickColour(&rec->highlightTextColour); return;
    case 0xF141:
        if (rec->fontFace[0] && AppShowMessage(&g_app, r->window, nullptr, 0x328, "%s", AppText(0xF00B)) == IDOK) {
            rec->fontFace[0] = '\0';
            RestartForFont();
        }
        return;
    case 0xF142: {
        LOGFONTA lf = {};
        CopyText(lf.lfFaceName, sizeof(lf.lfFaceName), rec->fontFace);
        CHOOSEFONTA cf = {};
        cf.lStructSize = sizeof(cf);
        cf.hwndOwner = r->window;
        cf.lpLogFont = &lf;
        cf.iPointSize = (INT)rec->fontSize * 10;
        cf.Flags = CF_SCREENFONTS | CF_INITTOLOGFONTSTRUCT;
        if (ChooseFontA(&cf)) {
            CopyText(rec->fontFace, sizeof(rec->fontFace), lf.lfFaceName);
            rec->fontSize = (uint32_t)(cf.iPointSize / 10);
            if (AppShowMessage(&g_app, r->window, nullptr, 0x328, "%s", AppText(0xF00B)) == IDOK)
                RestartForFont();
        }
        return;
    }
    case 0xF151: ToggleAppWindowFlag(r, APPWIN_LOCKBARPOS); return;
    case 0xF152: ToggleAppWindowFlag(r, APPWIN_LOCKBARSIZE); return;
    case 0xF153: ToggleAppWindowFlag(r, APPWIN_LOCKPOS); return;
    case 0xF154: ToggleAppWindowFlag(r, APPWIN_LOCKSIZE); return;
    case 0xF155: {
        const uint32_t all = APPWIN_LOCKBARPOS | APPWIN_LOCKBARSIZE | APPWIN_LOCKPOS | APPWIN_LOCKSIZE;
        SetAppWindowFlag(r, all, (r->flags & all) != all);
        return;
    }
    case 0xF156: ToggleAppWindowFlag(r, APPWIN_KEEPONRESCHANGE); return;
    case 0xF16B:
        if (r->transparency >= 1) SetAppWindowClickThrough(r, !r->clickThrough);
        return;
    }
    if (command >= 0xF161 && command <= 0xF16A) SetAppWindowTransparency(r, (command - 0xF161) * 10);
}
