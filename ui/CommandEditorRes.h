// CommandEditorRes.h - ids of the Command Editor.
#pragma once

#define IDD_COMMAND_EDITOR   1225

#define IDG_CMDEDIT_SCRIPT   1178   // group box "Commands"
#define IDE_CMDEDIT_SCRIPT   1152
// Drag buttons: the statement for the window under the mouse.
#define IDB_CMDEDIT_WINDOW   1050
#define IDB_CMDEDIT_CONTROL  1007
#define IDB_CMDEDIT_CLICK    1003
#define IDB_CMDEDIT_MOVE     1019
#define IDB_CMDEDIT_SIZE     1040
// Template buttons: a statement at the caret.
#define IDB_CMDEDIT_ATTACH   1008
#define IDB_CMDEDIT_TYPE     1048
#define IDB_CMDEDIT_KEY      1017
#define IDB_CMDEDIT_WAIT     1049
#define IDB_CMDEDIT_CLOSE    1004
#define IDB_CMDEDIT_STATE    1045
#define IDB_CMDEDIT_ENABLE   1012
#define IDB_CMDEDIT_PROFILE  1031
#define IDB_CMDEDIT_DESKTOP  1032
#define IDB_CMDEDIT_RUN      1036
#define IDB_CMDEDIT_TEST     1046
#define IDB_CMDEDIT_HELP     9

// To the editor: write the edit box into the slot; answers 1 when it differs
// from the script the editor opened with.
#define WM_CMDEDIT_CHANGED   0x409
