// DesktopIcons.cpp - desktop icons: Wine has no desktop list view to read.
#include "engine/DesktopIcons.h"

void SaveDesktopIcons(Profile*, bool) {}
void RestoreDesktopIcons(Profile*) {}
