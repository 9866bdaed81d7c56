// ProfileSettings.cpp - the Profile Settings dialog.
#include "ui/ProfileSettings.h"

INT_PTR ShowProfileSettings(HWND, Profile*, bool)
{
    return IDCANCEL;
}
