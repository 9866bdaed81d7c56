// EditRule.h - the Edit Rule dialog (1232): one rule of a live profile
// edited on a working copy in the rule editor, given back on OK.
#pragma once

#include <windows.h>

#include <stdint.h>

#include "engine/LiveEdit.h"

// Modal over owner on the rule with the id in the referenced live profile.
// OK gives the edited fields back as a live edit. IDOK or IDCANCEL (also
// when the rule is gone: then nothing changed).
INT_PTR ShowEditRule(HWND owner, const LiveProfileRef* where, uint32_t ruleId);
INT_PTR CALLBACK EditRuleDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// The main dialog's Edit (command 1202): Edit Rule or Edit Group for the
// tree's selected item; the tree is refilled after OK.
void EditSelectedTreeItem(HWND mainDialog);
