// DesktopIcons.h - saving and restoring the positions of the desktop icons.
#pragma once

#include "engine/ProfileRecord.h"

// Saves the icon positions into the profile; wait: until done.
void SaveDesktopIcons(Profile* profile, bool wait);
// Restores the profile's icon positions on a thread of its own.
void RestoreDesktopIcons(Profile* profile);
