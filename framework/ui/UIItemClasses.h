// UIItemClasses.h - the concrete UI items: buttons, statics, menu items,
// separators, trees, sliders, brush sizes, colour wells and palettes, and the
// records a command row hands to the value items.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "framework/core/GrowArray.h"
#include "framework/ui/Paint.h"
#include "framework/ui/UIItem.h"

// Records a command row supplies through its data pointer; the caller owns
// them, the item keeps the pointer.
struct ItemValueRecord {      // CSlider, CBrushSize
    int32_t value, minimum, maximum;
};
struct ItemColourRecord {     // CColor
    uint32_t colour;          // 0xAARRGGBB
    uint8_t  marker;          // chooses the overlay icon
};
struct ItemPaletteRecord {    // CPalette
    uint32_t cells[16];       // 0xAARRGGBB
    uint32_t picked;
    int8_t   selected;        // 0-15; anything else selects no cell
};

// The icon drawn over colour wells and brush sizes.
#define ITEM_ICON_MARKER   0xF16C
#define ITEM_ICON_NOMARKER 0xF16D
// The eyedropper cursor of colour wells and palettes (ThemeIcons.rc).
#define ITEM_EYEDROPPER_CURSOR 50105

class CButton : public CUIItem {
public:
    void Paint(HDC dc, const RECT* client) override;
};

class CStatic : public CUIItem {
public:
    void Paint(HDC dc, const RECT* client) override;
    void OnSize() override;
};

class CSeparator : public CUIItem {
public:
    void CalcSize(const CommandEntry* row, int orientation) override;
    void Paint(HDC dc, const RECT* client) override;
};

class CMenu : public CUIItem {
public:
    int OnCreate(CommandEntry* row, HWND parent, HWND owner, CMenu* parentMenu) override;
    void MeasureContent(const CommandEntry* row, int orientation) override;
    void OnDestroy() override;
    void Paint(HDC dc, const RECT* client) override;
    ~CMenu() override;

    CMenu*    openChild = nullptr;     // the popup open from one of this popup's items
    uint8_t   popupShown = 0;
    uint8_t   cursorOnArrow = 0;
    const uint16_t* commandList = nullptr;   // ends with 0xFFFF; null: the owner gives it
    HWND      popupWindow = nullptr;
    GrowArray<CUIItem*> popupItems = {0, nullptr, -1, 0, 0};
};

class CTree : public CUIItem {
public:
    int Create(uint16_t id, HWND parent, HWND owner, CMenu* parentMenu) override;
    void OnDestroy() override;
    void Paint(HDC dc, const RECT* client) override;

    WNDPROC    previousProc = nullptr;
    uint32_t   style = 0x50000021;
    HIMAGELIST imageList = nullptr;    // owned
};

class CSlider : public CUIItem {
public:
    int OnCreate(CommandEntry* row, HWND parent, HWND owner, CMenu* parentMenu) override;
    void MeasureContent(const CommandEntry* row, int orientation) override;
    void Paint(HDC dc, const RECT* client) override;

    ItemValueRecord* record = nullptr;
    RECT thumbRect = {};
};

class CBrushSize : public CUIItem {
public:
    int OnCreate(CommandEntry* row, HWND parent, HWND owner, CMenu* parentMenu) override;
    void MeasureContent(const CommandEntry* row, int orientation) override;
    void Paint(HDC dc, const RECT* client) override;
    ~CBrushSize() override;

    ItemValueRecord* record = nullptr;
    int32_t lastValue = INT32_MIN;     // the value the font was fitted for
    int32_t lastTextLength = 0;
    int32_t lastWidth = -1;
    HFONT   numberFont = nullptr;      // owned
    RECT    valueRect = {};
    char    valueText[16] = {};
};

class CColor : public CUIItem {
public:
    int OnCreate(CommandEntry* row, HWND parent, HWND owner, CMenu* parentMenu) override;
    void MeasureContent(const CommandEntry* row, int orientation) override;
    void Paint(HDC dc, const RECT* client) override;

    ItemColourRecord* record = nullptr;
};

class CPalette : public CUIItem {
public:
    int OnCreate(CommandEntry* row, HWND parent, HWND owner, CMenu* parentMenu) override;
    void MeasureContent(const CommandEntry* row, int orientation) override;
    void Paint(HDC dc, const RECT* client) override;

    ItemPaletteRecord* record = nullptr;
    RECT cellRects[16] = {};
};

//--- shared by the classes

// The common paint scheme: background in the state, parts laid out and
// drawn. Paints into dc, which the caller has buffered.
void PaintItemCommon(CUIItem* item, HDC dc, const RECT* client, const ItemPaintState* state, int offset);
// Draws the parts (icon, text, shortcut, check mark) of a laid-out item.
void DrawItemParts(CUIItem* item, HDC dc, const RECT* client, const ItemPaintState* state, int offset);
// A double buffer over the client plus one pixel each way; the theme paints
// through it as the item's window. False: paint straight into dc.
bool BeginItemPaint(CUIItem* item, HDC* dc, const RECT* client, BufferedPaint* buffer);
void EndItemPaint(BufferedPaint* buffer, bool buffered);
// The flags of the item's command; 0 for an id not in the table.
uint32_t GetItemCommandFlags(const CUIItem* item);
// A mouse message's point on the screen; true when it lies outside the item.
bool IsOutsideItem(CUIItem* item, LPARAM lParam, POINT* screen);
// The window went with its parent before the item was freed.
void DetachItemWindow(CUIItem* item);
// The colour of a record's 0xAARRGGBB as a COLORREF.
COLORREF ArgbToColorRef(uint32_t argb);
// The screen pixel at a point as 0xFFRRGGBB.
uint32_t ReadScreenPixel(POINT at);
// The eyedropper cursor (the system's cross in a module without it).
HCURSOR GetEyedropperCursor();
