// EditGroup.cpp - the Edit Group dialog.
#include "ui/EditGroup.h"

INT_PTR ShowEditGroup(HWND, const LiveProfileRef*, uint32_t)
{
    return IDCANCEL;
}
