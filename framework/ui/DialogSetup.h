// DialogSetup.h - what every dialog does in WM_INITDIALOG (theme fonts, icon,
// focus, centring, z-order), and the layout that re-places a resizable
// dialog's controls in units of a reference control's size.
#pragma once

#include <windows.h>

#include <stdint.h>

#include "framework/core/GrowArray.h"

struct AppObject;

// The bold UI font at the dialog's DPI (at least 96) on its group boxes, its
// default button and check boxes on a group box's caption line; the program
// icon; focus; centred over its owner; topmost under a topmost owner.
// Returns the dialog bold font (borrowed from the theme).
HFONT InitDialogDefaults(AppObject* app, HWND dialog);
// The same fonts for a new DPI (WM_DPICHANGED); the dialog bold font.
HFONT ApplyDialogFontForDpi(HWND dialog, UINT dpi);
// The bold font of the last dialog set up (borrowed), or null.
HFONT GetDialogBoldFont();

// Anchor flags of a layout entry.
#define LAYOUT_STRETCH_WIDTH   0x1
#define LAYOUT_STRETCH_HEIGHT  0x2
#define LAYOUT_KEEP_BOTTOM     0x4
#define LAYOUT_KEEP_RIGHT      0x8
#define LAYOUT_CENTRE_H        0x10
#define LAYOUT_CENTRE_V        0x20
#define LAYOUT_CENTRE_FRACTION_H 0x40
#define LAYOUT_CENTRE_FRACTION_V 0x80
#define LAYOUT_FOLLOW_PREVIOUS 0x100

struct DialogLayoutEntry {
    HWND     control;
    HWND     parent;
    uint32_t flags;
    // In reference widths (horizontal) or heights (vertical): left, top,
    // width, height, left again (0x100: offset from the previous window),
    // right distance, top again (0x100: offset), bottom distance.
    double   fractions[8];
};

struct DialogLayout {
    HWND     dialog;
    RECT     client;       // at recording
    uint16_t referenceId;
    RECT     reference;    // the reference control's client rectangle at recording
    GrowArray<DialogLayoutEntry> entries;
};

void DialogLayoutInit(DialogLayout* layout, HWND dialog, uint16_t referenceId);
// Records the control where it stands now; 0.
int DialogLayoutAdd(DialogLayout* layout, HWND control, uint32_t flags);
// Re-places every recorded control for the current client and reference size; 0.
int DialogLayoutApply(DialogLayout* layout);
void DialogLayoutFree(DialogLayout* layout);
