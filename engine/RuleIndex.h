// RuleIndex.h - finding a window's rule in a pass without walking every rule:
// an index of each rule's literal anchor and of the windows the rules hold.
//
// Each rule is filed under one anchor that any window it matches must show:
// the exact texts of an "Is" criterion, the tokens of a "Begins with" (or the
// literal start of a regular expression), of an "Ends with" (read backwards),
// or of one "Contains" group, for the title, the class or the program; a rule
// without one (negated or "Ignore" criteria, an empty token) is always
// tried. A lookup tries only the rules whose anchor the window shows, in rule
// order, with the rule's whole test, so the first rule that matches is the
// one a walk over every rule finds.
#pragma once

#include <windows.h>

#include <stdint.h>

#include "engine/ProfileRecord.h"
#include "engine/WindowTable.h"

// Whoever changes a profile's rule list (adds, removes or moves rules, or
// edits a rule's title, class or program criterion or its separators in
// place) calls this afterwards, under the table lock. The next lookup then
// files the rules again. A change between passes is noticed anyway when the
// next pass starts (the index compares the criteria it was built from); a
// change in the middle of a pass, such as a rule made from a template, is
// noticed through this call, or when the list's count or storage changed.
void MarkRulesChanged(Profile* profile);

// A pass brackets its matching on one thread, under the table lock: in
// between, FindRuleForWindow for this profile on this thread uses the index
// (checked against the rules at the first lookup). Elsewhere it walks every
// rule.
void BeginRuleMatching(Profile* profile);
void EndRuleMatching();

//--- for the matcher

// Indices of rules, ascending; borrowed until the next lookup.
struct RuleSubset {
    const int32_t* at;
    int32_t count;
};

// True when the index answers for this profile now (a bracket on this thread,
// no lookup already running); then HoldingRules and CandidateRules may be
// called, and EndIndexedLookup afterwards.
bool BeginIndexedLookup(Profile* profile);
void EndIndexedLookup();
// Every rule that holds the window is among them (some may have let it go).
RuleSubset HoldingRules(HWND window);
// Every rule whose criteria may hold for the window is among them.
RuleSubset CandidateRules(const MonitoredWindow* entry);
// A rule took a window (AddWindowToRule).
void NoteWindowAdded(const Rule* rule, HWND window);
