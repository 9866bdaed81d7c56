// ProfileHotkeys.h - the global hotkeys that trigger and update profiles.
#pragma once

#include "engine/ProfileRecord.h"

// Registers (on nonzero) or unregisters the hotkeys of every profile of the list.
void RegisterProfileHotKeys(const GrowArray<Profile>* profiles, int on);
