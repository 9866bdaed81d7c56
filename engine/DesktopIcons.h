// DesktopIcons.h - saving and restoring the positions of the desktop icons,
// into a profile or into the record of one virtual desktop.
//
// Saves and restores run one at a time, each on its own thread unless said
// otherwise, and go through at most 65535 icons for at most 10 s. A profile's
// icon list is read and replaced under g_tableLock; a thread whose profile's
// list is freed meanwhile leaves it alone.
#pragma once

#include "engine/DesktopListView.h"
#include "engine/ProfileRecord.h"

// Raw record of a virtual desktop's icons: DesktopIconEntry[], no header.
#define DESKTOP_ICONS_RECORD "DesktopIcons"
#define DESKTOP_ICONS_LAST   64   // desktop numbers run from 0 to this

// Results beside the ICONS_* codes of the work itself (DesktopListView.h).
#define ICONS_RUNNING     259   // not waited for, or still running after the wait
#define ICONS_NOT_STARTED (-1)  // no target, or no thread could be started

// Saves the icon positions into the profile; wait: pumps messages for up to
// 3 s until it is done.
int SaveDesktopIconsAsync(Profile* profile, bool wait);
// The same into the "DesktopIcons" record of a virtual desktop (0 to 64).
int SaveDesktopIconsAsync(int desktop, bool wait);
// Restores the positions on a thread of its own; direct: on the calling
// thread, waiting up to 3 s for a save or restore that still runs.
int RestoreDesktopIconsAsync(Profile* profile, bool direct);
int RestoreDesktopIconsAsync(int desktop, bool direct);

// Thread procedures over an icon job; each frees its job.
DWORD WINAPI SaveDesktopIcons(void* job);
DWORD WINAPI RestoreDesktopIcons(void* job);
