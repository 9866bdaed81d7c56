// ExplorerWindows.cpp - Explorer folder windows: Wine has no shell window list.
#include "engine/ExplorerWindows.h"

void RestoreExplorerWindows(Profile*) {}
void CollectExplorerWindows(Profile*) {}
