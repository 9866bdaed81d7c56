// DesktopIcons.cpp - desktop icons: Wine has no desktop list view to read.
#include "engine/DesktopIcons.h"

void SaveDesktopIconsAsync(Profile*, bool) {}
void SaveDesktopIconsAsync(int, bool) {}
void RestoreDesktopIconsAsync(Profile*, bool) {}
void RestoreDesktopIconsAsync(int, bool) {}
