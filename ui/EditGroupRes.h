// EditGroupRes.h - ids of the Edit Group dialog.
#pragma once

#define IDD_EDIT_GROUP         1246

#define IDE_GROUP_NAME         1296
#define IDX_GROUP_ENABLED      1063   // three states: the rules under the group
#define IDE_GROUP_TITLE        1148
#define IDE_GROUP_CLASS        1149
#define IDE_GROUP_PROGRAM      1163
#define IDCB_GROUP_TEMPLATE    1301   // a combo box with an edit field
#define IDCB_GROUP_TYPE        1302
#define IDB_GROUP_HELP         9
