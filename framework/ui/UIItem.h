// UIItem.h - the window procedure of the "ZRPAppUIItem" windows that host UI items.
#pragma once

#include <windows.h>

LRESULT CALLBACK UIItemWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
