// EditRuleTemplate.h - the Edit Rule Template dialog (1254).
#pragma once

#include <windows.h>

#include "engine/TemplateRecord.h"

// Modal over owner, on the caller's template; 1 when OK changed it,
// else 0 (the template is untouched).
INT_PTR EditRuleTemplate(HWND owner, RuleTemplate* rule);
