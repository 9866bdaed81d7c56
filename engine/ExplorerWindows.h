// ExplorerWindows.h - the open Explorer folder windows of a profile.
#pragma once

#include "engine/ProfileRecord.h"

// Reopens the profile's saved folder windows on a thread of its own.
void RestoreExplorerWindows(Profile* profile);
// Replaces the profile's collected entries by the folder windows open now.
void CollectExplorerWindows(Profile* profile);
