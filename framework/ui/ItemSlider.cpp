// ItemSlider.cpp - sliders and brush sizes over a value record (value,
// minimum, maximum) that their command row supplies.
#include "framework/ui/UIItemClasses.h"

#include "framework/core/AppObject.h"
#include "framework/core/MonitorTable.h"
#include "framework/core/TextUtil.h"
#include "framework/ui/Theme.h"

#include <string.h>
#include <windowsx.h>

// Only one item holds the mouse at a time: one drag per class.
static HWND g_sliderDragWindow;
static HWND g_brushDragWindow;
static const int kNoDrag = -66666;
static int g_brushDragY = kNoDrag;
static int g_brushDragValue;

static ItemValueRecord* ValueRecordOf(CommandEntry* row)
{
    return row && row->data != 0 && row->data != -1 ? (ItemValueRecord*)row->data : nullptr;
}

// A zero range counts as 1, so nothing divides by it.
static int RangeOf(const ItemValueRecord* r)
{
    int range = r->maximum - r->minimum;
    return range != 0 ? range : 1;
}

static void ValueChanged(CUIItem* item, LPARAM how)
{
    HWND window = item->window;
    item->Refresh(0);
    if (GetWindowItem(window) == item) SendMessageA(item->owner, ZRPMSG_COMMAND, item->commandId, how);
}

//--- CSlider

static void SliderHook(HWND window, UINT message, WPARAM, LPARAM lParam, CUIItem* item)
{
    CSlider* slider = (CSlider*)item;
    ItemValueRecord* r = slider->record;
    switch (message) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN: {
        if (!(GetItemCommandFlags(item) & CMD_ENABLED)) return;
        SetFocus(window);
        POINT p = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        if (PtInRect(&slider->thumbRect, p)) {
            g_sliderDragWindow = window;
            return;
        }
        int value = r->value + (p.x > slider->thumbRect.left ? 1 : -1);
        ClampToRange(&value, r->minimum, r->maximum);
        r->value = value;
        ValueChanged(item, 1);
        return;
    }
    case WM_MOUSEMOVE: {
        if (g_sliderDragWindow != window) return;
        double unit = (double)(slider->contentWidth - slider->contentHeight) / RangeOf(r);
        if (unit == 0) return;
        int m = GetItemMargin(GetWindowDpi(window));
        int value = (int)((GET_X_LPARAM(lParam) - (slider->contentRect.left + (m - unit) / 2)) / unit);
        ClampToRange(&value, r->minimum, r->maximum);
        if (value == r->value) return;
        r->value = value;
        ValueChanged(item, 1);
        return;
    }
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
    case WM_CAPTURECHANGED:
    case WM_NCDESTROY:
        if (g_sliderDragWindow == window) g_sliderDragWindow = nullptr;
        return;
    }
}

int CSlider::OnCreate(CommandEntry* row, HWND, HWND, CMenu*)
{
    record = ValueRecordOf(row);
    if (!record) return ZRP_ERR_COMMAND_ID;
    messageHook = SliderHook;
    return 0;
}

void CSlider::MeasureContent(const CommandEntry*, int)
{
    int m = GetItemMargin(GetWindowDpi(window));
    contentWidth = 7 * m;
    contentHeight = m;
}

void CSlider::Paint(HDC dc, const RECT* client)
{
    BufferedPaint buffer;
    bool buffered = BeginItemPaint(this, &dc, client, &buffer);
    uint32_t flags = GetItemCommandFlags(this);
    ItemPaintState state;
    GetItemPaintState(this, flags, &state);
    bool enabled = (flags & CMD_ENABLED) != 0;
    int m = GetItemMargin(GetWindowDpi(window));
    PaintItemBackground(&g_theme, dc, client, ITEM_BG_NORMAL, 0, 0, -1, -1, -1);
    LayoutItemParts(this, client, 0, state.frame != 0, parentMenu != nullptr);

    int middle = (contentRect.top + contentRect.bottom) / 2;
    RECT track = {contentRect.left + m / 2, middle - 2, contentRect.right - m / 2, middle + 3};
    PaintItemBackground(&g_theme, dc, &track, ITEM_BG_RAISED, 0, 0, enabled ? 33 : 56, -1, -1);
    if (record) {
        int left = contentRect.left + (int)((double)(width - height) / RangeOf(record) * record->value);
        thumbRect = {left, middle - m / 2, left + m, middle - m / 2 + m};
        int thumb = (flags & CMD_PRESSED) ? ITEM_BG_PRESSED : (flags & CMD_HOT) ? ITEM_BG_HOT
                                                            : enabled             ? ITEM_BG_CUSTOM
                                                                                  : ITEM_BG_SUNKEN;
        PaintItemBackground(&g_theme, dc, &thumbRect, thumb, 15, 0, enabled ? 4 : 55, 33, 34);
    }
    EndItemPaint(&buffer, buffered);
}

//--- CBrushSize

static void BrushSizeHook(HWND window, UINT message, WPARAM wParam, LPARAM lParam, CUIItem* item)
{
    ItemValueRecord* r = ((CBrushSize*)item)->record;
    switch (message) {
    case WM_LBUTTONDOWN:
        if (!(GetItemCommandFlags(item) & CMD_ENABLED)) return;
        g_brushDragWindow = window;
        g_brushDragY = GET_Y_LPARAM(lParam);
        g_brushDragValue = r->value;
        return;
    case WM_MOUSEMOVE: {
        if (!(wParam & MK_LBUTTON) || g_brushDragWindow != window || g_brushDragY == kNoDrag) return;
        int value = g_brushDragValue + (g_brushDragY - GET_Y_LPARAM(lParam)) / 5;
        ClampToRange(&value, r->minimum, r->maximum);
        if (value == r->value) return;
        r->value = value;
        item->Refresh(0);
        return;
    }
    case WM_LBUTTONUP:
        if (g_brushDragWindow != window || g_brushDragY == kNoDrag) return;
        g_brushDragY = kNoDrag;
        g_brushDragWindow = nullptr;
        SendMessageA(item->owner, ZRPMSG_COMMAND, item->commandId, 0);
        return;
    case WM_NCDESTROY:
        if (g_brushDragWindow == window) {
            g_brushDragWindow = nullptr;
            g_brushDragY = kNoDrag;
        }
        return;
    }
}

int CBrushSize::OnCreate(CommandEntry* row, HWND, HWND, CMenu*)
{
    record = ValueRecordOf(row);
    if (!record) return ZRP_ERR_COMMAND_ID;
    row->flags |= CMD_KEEPPRESSED;
    messageHook = BrushSizeHook;
    return 0;
}

void CBrushSize::MeasureContent(const CommandEntry*, int)
{
    iconWidth = iconHeight = 22;
}

CBrushSize::~CBrushSize()
{
    if (numberFont) DeleteObject(numberFont);
}

// The largest number font, from 12 pixels at 96 DPI down to 3, whose text
// fits (width - 6) by (height - 2).
static HFONT FitNumberFont(const char* text, int width, int height, UINT dpi)
{
    for (int size = 12 * (int)dpi / 96;; size--) {
        HFONT font = CreateFontA(-size, 0, 0, 0, 800, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                 CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, "Arial");
        if (!font) return nullptr;
        int w = 0, h = 0;
        MeasureTextWithFont(&g_theme, text, &w, &h, font);
        if ((w < width - 6 && h < height - 2) || size <= 3) return font;
        DeleteObject(font);
    }
}

void CBrushSize::Paint(HDC dc, const RECT* client)
{
    BufferedPaint buffer;
    bool buffered = BeginItemPaint(this, &dc, client, &buffer);
    uint32_t flags = GetItemCommandFlags(this);
    ItemPaintState state;
    int pressed = GetItemPaintState(this, flags, &state);
    UINT dpi = GetWindowDpi(window);
    PaintItemBackground(&g_theme, dc, client, state.background, state.background != ITEM_BG_NORMAL ? 15 : 0, 0, -1,
                        -1, -1);
    LayoutItemParts(this, client, pressed, state.frame != 0, parentMenu != nullptr);
    DrawCommandIcon(&g_theme, dc, ITEM_ICON_MARKER, flags, &iconRect);
    if (record) {
        if (!numberFont || record->value != lastValue || width != lastWidth) {
            if (numberFont) DeleteObject(numberFont);
            FormatText(valueText, sizeof(valueText), "%d", record->value);
            numberFont = FitNumberFont(valueText, width, height, dpi);
            lastValue = record->value;
            lastWidth = width;
            lastTextLength = (int32_t)strlen(valueText);
        }
        valueRect = iconRect;
        static const int kTextColour[3] = {3, 4, 5};
        HGDIOBJ oldFont = numberFont ? SelectObject(dc, numberFont) : nullptr;
        COLORREF oldColour = SetTextColor(dc, g_theme.colours[kTextColour[state.text]]);
        int oldMode = SetBkMode(dc, TRANSPARENT);
        DrawTextA(dc, valueText, lastTextLength, &valueRect, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        SetBkMode(dc, oldMode);
        SetTextColor(dc, oldColour);
        if (oldFont) SelectObject(dc, oldFont);
    }
    EndItemPaint(&buffer, buffered);
}
