// LinkLabel.h - a dialog's static control turned into a link: blue and
// underlined, a hand cursor, its target as a tooltip; a click or Space while
// it has the focus opens the target.
#pragma once

#include <windows.h>

#include <stdint.h>

struct LinkLabel {
    int     controlId;
    HWND    control;           // the static, subclassed while attached
    HWND    dialog;
    HWND    tooltip;           // owned
    char    text[MAX_PATH];    // shown
    char    target[MAX_PATH];  // opened
    HFONT   font;              // owned: underlined, at the dialog's DPI
    UINT    fontDpi;           // the DPI the font was made for
    int     alignment;         // 0 left, 1 centred, 2 right
    uint8_t pathEllipsis;      // a long path loses its middle
    WNDPROC previousProc;
};

// An empty, detached link.
void InitLinkLabel(LinkLabel* link);
// Makes the dialog's static a link to target (null: its own text); a static
// without text shows the target. Detaches the link from any earlier static
// first. False when the control is missing.
bool AttachLinkLabel(LinkLabel* link, HWND dialog, int controlId, const char* target);
// Destroys the static and the tooltip and frees the font; safe to call twice.
void DetachLinkLabel(LinkLabel* link);
LRESULT CALLBACK LinkLabelProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam);
