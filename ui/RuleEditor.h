// RuleEditor.h - the rule editor: a child dialog with the Match, Actions and
// Advanced pages over one rule, which Edit Rule and Edit Rule Template host.
// The editor and its pages keep their state per window: two editors never
// share any but the remembered tab and slot selections.
#pragma once

#include <windows.h>

#include "engine/RuleRecord.h"
#include "engine/WindowTable.h"

// A child of parent at the placeholder's place, editing the rule (borrowed
// until the editor is destroyed), or null.
HWND CreateRuleEditor(HWND parent, Rule* rule, int placeholderId);
// Help for the editor's remembered tab.
void ShowRuleEditorHelp();

INT_PTR CALLBACK RuleEditorProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK RuleMatchPageProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK MatchOptionsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK IgnoreOptionsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK RulePropertiesPageProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK RuleCommandsPageProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK MatchResultDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// The Actions page's X, Y, width and height: "g" gets, "s" sets, and only
// what a number holds is typed or pasted.
LRESULT CALLBACK NumberEditProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam);
// The Advanced page's slot list: clicks beside the items and the loss of
// the focus are not passed on, so that a slot stays selected.
LRESULT CALLBACK CommandListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam);
// Installs CommandListProc on a command list (the rule's and the profile's).
void SubclassCommandList(HWND list);

// The rule's placement from its last live window; force reads every part,
// otherwise only what the rule's "Last ..." modes ask for.
void ReadRuleFromWindow(Rule* rule, int force);
// The rule's placement, z-order and desktop onto its last live window.
void TestRuleOnWindow(const Rule* rule);

// The Test finder's window and the result of the last match: 0x1 title,
// 0x2 class, 0x4 program. Owned by its Match page.
struct MatchTestData {
    MonitoredWindow window;
    uint32_t        bits;
    HWND            page;
};
// Opens Match Result (owned by owner) on the page's test data; the page
// destroys it with itself.
HWND OpenMatchResult(HWND owner, MatchTestData* test);
// Match Result is gone: its page forgets it.
void ForgetMatchResult(MatchTestData* test);

// Selections kept for the program's run time.
extern int g_ruleEditorTab;     // 0 Match, 1 Actions, 2 Advanced
extern int g_matchOptionsTab;   // 0 Include, 1 Exclude
extern int g_commandSlot;
extern RECT g_matchResultRect;  // zero width: never opened
