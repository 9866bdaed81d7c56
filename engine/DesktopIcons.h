// DesktopIcons.h - saving and restoring the positions of the desktop icons,
// into a profile or into the record of one virtual desktop.
#pragma once

#include "engine/ProfileRecord.h"

// Saves the icon positions into the profile on a thread of its own; wait:
// until it is done, pumping messages.
void SaveDesktopIconsAsync(Profile* profile, bool wait);
// The same into the "DesktopIcons" record of a virtual desktop (0 to 64).
void SaveDesktopIconsAsync(int desktop, bool wait);
// Restores the positions on a thread of its own; direct: on the calling thread.
void RestoreDesktopIconsAsync(Profile* profile, bool direct);
void RestoreDesktopIconsAsync(int desktop, bool direct);
