// UIItem.cpp - item windows. No item is created in this build; the class is
// registered so the framework's start-up is complete.
#include "framework/ui/UIItem.h"

LRESULT CALLBACK UIItemWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(window, message, wParam, lParam);
}
