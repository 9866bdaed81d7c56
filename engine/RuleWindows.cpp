// RuleWindows.cpp - the windows a rule currently holds.
#include "engine/Rules.h"

#include <string.h>

int AddWindowToRule(Rule* rule, HWND window)
{
    if (rule->windowCount < 0) rule->windowCount = 0;
    if (rule->windowCount >= RULE_WINDOW_LIMIT) return -1;
    for (int i = 0; i < rule->windowCount; i++)
        if (rule->windows[i] == window) return -1;
    rule->windows[rule->windowCount++] = window;
    NoteWindowAdded(rule, window);
    return rule->windowCount;
}

int RemoveWindowFromRule(Rule* rule, HWND window)
{
    int n = rule->windowCount < RULE_WINDOW_LIMIT ? rule->windowCount : RULE_WINDOW_LIMIT;
    for (int i = 0; i < n; i++) {
        if (rule->windows[i] != window) continue;
        memmove(&rule->windows[i], &rule->windows[i + 1], (size_t)(n - i - 1) * sizeof(HWND));
        rule->windowCount = n - 1;
        return i;
    }
    return -1;
}
