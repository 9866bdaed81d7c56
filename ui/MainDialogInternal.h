// MainDialogInternal.h - what the main dialog's files share: the table lock
// taken for an edit of the rules, the tree-refresh switch, button enabling,
// the search buffer and the context menu.
#pragma once

#include <windows.h>

#include <stdint.h>

#include "engine/ProfileRecord.h"

// While 0, RefreshRuleTree does nothing (a profile executes in place). UI thread.
extern uint8_t g_treeRefresh;
// Find Next's text, the Profiles button's remembered name, the drag's item text.
extern char g_searchText[260];

// The table lock for a change of the rules from the dialog: one try and up
// to 100 more with 10 ms of message pumping in between. False when it could
// not be had, or when another command of the dialog is still waiting for it
// (messages pumped during that wait must not start a second edit); the
// command is then given up. Nested calls while held succeed at once.
bool BeginRuleEdit();
void EndRuleEdit();
// The rule-list change was made: Cancel is to ask and restore.
void MarkProfileEdited(Profile* profile);

// Edt, Del and More... follow the tree's selection.
void EnableRuleButtons(HWND dialog);
// Rule menu 1200 (or group menu 1300 on an expand button) for the selected
// item: at the screen point, or below the item for (-1, -1).
void RulesTreeMenuHitTest(POINT screen);
// A rule-tree command (1201-1210, 1301, 1302).
void RunRuleTreeCommand(HWND dialog, int command);
