// EditGroup.h - the Edit Group dialog (1246).
#pragma once

#include <windows.h>

#include <stdint.h>

#include "engine/LiveEdit.h"

// Modal over owner on the group with the id in the referenced live profile;
// OK gives the edits back as a live edit. IDOK or IDCANCEL.
INT_PTR ShowEditGroup(HWND owner, const LiveProfileRef* where, uint32_t groupId);
