// HelpTopics.h - the help file's topics that the product's dialogs open
// (ShowHelp); every one is a page, or a page and an anchor, of help/.
#pragma once

#define HELP_RULE_PROPERTIES     "RuleProperties.htm"
#define HELP_RULE_MATCH          "RuleMatch.htm"
#define HELP_RULE_ACTIONS        "RuleActions.htm"
#define HELP_RULE_ADVANCED       "RuleAdvanced.htm"
#define HELP_GROUP_PROPERTIES    "GroupProperties.htm"
#define HELP_PROFILE_GENERAL     "ProfileGeneral.htm"
#define HELP_PROFILE_TRIGGER     "ProfileTrigger.htm"
#define HELP_PROFILE_UPDATE      "ProfileUpdate.htm"
#define HELP_PROFILE_ADVANCED    "ProfileAdvanced.htm"
#define HELP_PROFILE_RULECREATE  "ProfileRuleCreation.htm"
#define HELP_OPTIONS             "Options.htm"
#define HELP_OPTIONS_MINIMIZE    "Options.htm#MinApp"
#define HELP_OPTIONS_DESKTOPS    "Options.htm#VirtualDesktops"
#define HELP_OPTIONS_TRANSPARENT "Options.htm#Transparency"
#define HELP_WINDOW_LIST         "WindowList.htm"
#define HELP_EDIT_WINDOW         "EditWindow.htm"
#define HELP_COMMANDS            "Commands.htm"

// Every topic above, for the check that the compiled file holds them.
inline const char* const kProductHelpTopics[] = {
    HELP_RULE_PROPERTIES,  HELP_RULE_MATCH,      HELP_RULE_ACTIONS,     HELP_RULE_ADVANCED,
    HELP_GROUP_PROPERTIES, HELP_PROFILE_GENERAL, HELP_PROFILE_TRIGGER,  HELP_PROFILE_UPDATE,
    HELP_PROFILE_ADVANCED, HELP_PROFILE_RULECREATE, HELP_OPTIONS,       HELP_OPTIONS_MINIMIZE,
    HELP_OPTIONS_DESKTOPS, HELP_OPTIONS_TRANSPARENT, HELP_WINDOW_LIST,  HELP_EDIT_WINDOW,
    HELP_COMMANDS,
};
