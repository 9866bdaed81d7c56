// ProfileHotkeys.cpp - profile hotkeys: none are registered yet.
#include "engine/ProfileHotkeys.h"

void RegisterProfileHotKeys(const GrowArray<Profile>*, int) {}
