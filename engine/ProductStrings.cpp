// ProductStrings.cpp - the product's texts (ids below 0xF000), English.
#include "engine/ProductStrings.h"

char g_profileMenuNames[16][MAX_PATH];

#define ROW(id, ...) {id, {__VA_ARGS__}}
#define PROFILE_ROW(id, i, tip) {id, {g_profileMenuNames[i], nullptr, nullptr, tip}}
#define PROFILE_ROWS(base, tip)                                                                   \
    PROFILE_ROW(base + 0, 0, tip), PROFILE_ROW(base + 1, 1, tip), PROFILE_ROW(base + 2, 2, tip),  \
        PROFILE_ROW(base + 3, 3, tip), PROFILE_ROW(base + 4, 4, tip),                             \
        PROFILE_ROW(base + 5, 5, tip), PROFILE_ROW(base + 6, 6, tip),                             \
        PROFILE_ROW(base + 7, 7, tip), PROFILE_ROW(base + 8, 8, tip),                             \
        PROFILE_ROW(base + 9, 9, tip), PROFILE_ROW(base + 10, 10, tip),                           \
        PROFILE_ROW(base + 11, 11, tip), PROFILE_ROW(base + 12, 12, tip),                         \
        PROFILE_ROW(base + 13, 13, tip), PROFILE_ROW(base + 14, 14, tip),                         \
        PROFILE_ROW(base + 15, 15, tip)

StringTableEntry g_productStrings[] = {
    ROW(0x0000, "PanelShepherd", "Disabled", "Default", "Windows Explorer", "New Group", "Save All",
        " (Copy)", "never", "(Empty Title)"),
    ROW(0x0005, "%d day%s ago", "%d hour%s ago", "%d minute%s ago", "%d second%s ago"),
    ROW(0x000A, "%d rules deleted.", "Are you sure you want to delete the profile?", " (Copy)", "(Empty Name)"),
    ROW(0x000B, "Logging events to a file significantly decreases the performance!\nOnly use it for debugging "
                "purposes and switch it off when not needed anymore.\n\nAre you sure you want to enable it?"),
    ROW(0x000F, "Delete", "Edit...", "Copy", "Paste", "Add...", "Move Up", "Move Down", "Import...",
        "Export...", "Run Profile"),
    ROW(0x0014, "Title", "Class", "Program", "(any)", "Icon", "(original)", "Name", "Auto-Create", "Yes"),
    ROW(0x0028, "This position", "Last position", "This size", "Last size", "This state", "Last state", "Restored",
        "Minimized", "Maximized", "On top", "At bottom", "Always on top", "Not always on top"),
    ROW(0x0029, "Center screen", "Center owner", "Center position"),
    ROW(0x0032, "Ignore", "Is", "Contains", "Begins with", "Ends with", "RegEx", "Or", "And"),
    ROW(0x0033, "Non-resizable", "Resizable"),
    ROW(0x0034, "Restored", "Minimized", "Maximized"),
    ROW(0x0035, "This desktop", "Last desktop", "Pin to all", "Current"),
    ROW(0x0036, "Caption and System Menu", "Caption or System Menu", "Caption only", "System menu only"),
    ROW(0x0037, "outside", "inside"),
    ROW(0x0038, "No", "Offset", "Tile: Right -> Down", "Tile: Right -> Up", "Tile: Left -> Down", "Tile: Left -> Up",
        "Tile: Down -> Right", "Tile: Down -> Left", "Tile: Up -> Right", "Tile: Up -> Left"),
    ROW(0x0050, "Match", "Actions", "Advanced"),
    ROW(0x0051, "Include", "Exclude"),
    ROW(0x0052, "General", "Trigger", "Update", "Advanced", "Rule Creation"),
    ROW(0x0055, "On Open", "On Close", "On Minimize", "On Maximize", "On Restore", "On Activate",
        "On Deactivate", "On Trigger", "On Match"),
    ROW(0x0056, "All rules", "Only manually created rules", "Only automatically created rules"),
    ROW(0x0057, "X-Pos:", "X-Off:", "Y-Pos:", "Y-Off:"),
    ROW(0x0058, "Any", "Disconnected", "LAN", "Internet"),
    ROW(0x0059, "Any", "Unknown", "LAN", "Wifi"),
    ROW(0x005A, "Pin Tray Icon", "Close Window", "Restore Window", "Show Window", "Hide Window",
        "Recover hidden window?\nTitle: %s\nClass: %s"),
    // The Options dialog: its tabs and the desktop folder warning.
    ROW(0x0054, "General", "Minimize to Tray", "Virtual Desktops", "Transparency"),
    ROW(0x13EC, "Default folder location of the primary desktop!\nThis should only be changed if it is incorrect or "
                "causes problems!\nPlease read the manual for details."),
    ROW(0x0064, "Syntax error", "Invalid parameter", "Incorrect parameter type"),
    ROW(0x0065, "Window not found", "Item not found", "Clicking the mouse button failed",
        "Typing the text failed", "Sending the key failed", "Could not run program",
        "Could not load profile", "No command found in selection."),
    ROW(0x03E8, "Tray"),
    ROW(0x03F3, "Enabled", nullptr, nullptr, "Enable PanelShepherd"),
    ROW(0x03F4, "Open main dialog"),
    ROW(0x03FC, "Quit PanelShepherd"),
    ROW(0x044C, "Profile"),
    PROFILE_ROWS(0x044D, "Select profile"),
    ROW(0x0460, "Execute"),
    PROFILE_ROWS(0x0461, "Execute profile"),
    ROW(0x0474, "Update"),
    PROFILE_ROWS(0x0475, "Update profile"),
    ROW(0x04B0, "Context", nullptr, "Context menu"),
    ROW(0x04B1, "Enabled", nullptr, nullptr, "Enable / disable the rule"),
    ROW(0x04B2, "Edit...", nullptr, nullptr, "Edit the rule or group"),
    ROW(0x04B3, "New Group", nullptr, nullptr, "Create a new group"),
    ROW(0x04B4, "Sort", nullptr, nullptr, "Sort rules alphabetically"),
    ROW(0x04B5, "Cut", nullptr, nullptr, "Cut selected rule or folder"),
    ROW(0x04B6, "Copy", nullptr, nullptr, "Copy selected rule or folder"),
    ROW(0x04B7, "Paste", nullptr, nullptr, "Paste copied rule or folder"),
    ROW(0x04B8, "Delete", nullptr, nullptr, "Delete selected rule or folder"),
    ROW(0x04B9, "Import...", nullptr, nullptr, "Import rule or folder"),
    ROW(0x04BA, "Export...", nullptr, nullptr, "Export rule or folder"),
    ROW(0x0514, "Expand", nullptr, "Context menu"),
    ROW(0x0515, "Expand All", nullptr, "Expand all groups"),
    ROW(0x0516, "Collapse All", nullptr, "Collapse all groups"),
    ROW(0x138E, "Could not initialize the program!"),
    ROW(0x1392, "The Hot-Key could not be set!"),
    ROW(0x139C, "Please use a unique name for the profile!"),
    ROW(0x13A6, "Please select a name for the rule!", "Command error!\n\nCommand: %s\nError: %s",
        "The test completed successsfully!", "Please select a name for the template!",
        "The test did not complete successfully!", "No matching template found for creating a rule!"),
    ROW(0x1450, "PanelShepherd needs to be restarted for the changes to take effect!\nRestart now?"),
    ROW(0x1482, "Are you sure you want to discard the changes?"),
    ROW(0x14A0, "CFG: %s could not be read and was kept as %s"),
    ROW(0x14A1, "CFG: %s could not be read and is left as it is"),
    ROW(0x14A2, "Some settings could not be read and were replaced by their defaults. "
                "The files are kept:\n\n%s"),
    ROW(0x14A3, "The file could not be read as exported rules; nothing was imported:\n%s"),
    ROW(0x14A4, "The rules could not be exported to\n%s"),
    ROW(0x14A5, "The file holds more than %d rules or is too large; nothing was imported:\n%s"),
    ROW(0x14A6, "The imported rules contain command scripts. Enable them?\n\n"
                "A script can start programs: enable them only for a file you trust."),
    ROW(0x14A7, "The rules are busy and too many changes are waiting; this change was not made. "
                "Try again in a moment."),
    ROW(0x14A8, "There was not enough memory to apply the changes. Cancel still discards everything "
                "changed since the dialog opened or was last applied."),
    ROW(0x14A9, "The rules stayed busy, so the dialog was not opened. Try again in a moment."),
    ROW(0x14C0, "The group or its profile was removed while the dialog was open; nothing was changed."),
    ROW(0x14D0, "The rule is no longer in its profile (the profile was reloaded or switched meanwhile); "
                "the changes were not stored."),
    // The Profiles dialog.
    ROW(0x14E0, "The file could not be read as an exported profile; nothing was imported:\n%s"),
    ROW(0x14E1, "The file holds more than %d rules, or more icons, Explorer windows or templates than a profile "
                "may have, or is too large; nothing was imported:\n%s"),
    ROW(0x14E2, "The profile could not be exported to\n%s"),
    ROW(0x14E3, "The hotkey %s of the profile \"%s\" could not be registered: another program or hotkey uses it. "
                "Nothing was changed; change the hotkey in the profile's settings."),
    ROW(0x14E4, "There was not enough memory for the profiles; nothing was changed."),
    ROW(STRING_END_ID),
};
