// ImageButtons.h - the small list-editing buttons that show an icon instead
// of a caption, their tooltips, and the rule tree's images at the same size.
#pragma once

#include <windows.h>

// Icons on every image button the dialog has, sized from the main dialog's
// OK button; then the rule tree's image list rebuilt at that size. On
// WM_INITDIALOG and WM_DPICHANGED.
void LoadImageButtons(HWND dialog);
// A tooltip on every image button the dialog has, in the product dialogs'
// one tooltip window (made first, or made anew with recreate). False when
// that window cannot be made.
bool AddButtonToolTips(HWND dialog, bool recreate);
// Destroys the shared tooltip window (the last dialog using it closes).
void DestroyButtonToolTips();
// Adds an icon resource to the rule tree's image list, made when missing;
// 0, 0xF00C when the icon cannot be loaded, 0xF00D when the list cannot be made.
int AddTreeImage(int iconId, int size);
