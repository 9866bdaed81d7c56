// EditRuleTemplate.cpp - the Edit Rule Template dialog.
#include "ui/EditRuleTemplate.h"

INT_PTR EditRuleTemplate(HWND, RuleTemplate*)
{
    return 0;
}
