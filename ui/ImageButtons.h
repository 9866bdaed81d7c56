// ImageButtons.h - the small list-editing buttons that show an icon instead
// of a caption, their tooltips, and the rule tree's images at the same size.
// A dialog's tooltip window and button icons are its own and go with it.
#pragma once

#include <windows.h>

// Icons on every image button the dialog has, sized from the main dialog's
// OK button at the dialog's own DPI; in the main dialog, also the rule
// tree's image list rebuilt at that size. On WM_INITDIALOG and WM_DPICHANGED.
void LoadImageButtons(HWND dialog);
// A tooltip on every image button the dialog has, in the dialog's own
// tooltip window (made first, or made anew with recreate; destroyed with the
// dialog). False when that window cannot be made.
bool AddButtonToolTips(HWND dialog, bool recreate);
// The icon size: two thirds of the OK button's height (okHeight pixels at
// okDpi) at dialogDpi, plus one; an OK height of 23 at 96 DPI gives 16.
int ImageButtonIconSize(int okHeight, UINT okDpi, UINT dialogDpi);
// Adds an icon resource to the rule tree's image list, made when missing;
// 0, 0xF00C when the icon cannot be loaded, 0xF00D when the list cannot be made.
int AddTreeImage(int iconId, int size);
