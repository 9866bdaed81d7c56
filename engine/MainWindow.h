// MainWindow.h - the procedure of the product's one application window.
#pragma once

#include <windows.h>

#define MAIN_TIMER_ID 0x1234

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
