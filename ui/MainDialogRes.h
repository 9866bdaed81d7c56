// MainDialogRes.h - ids of the main dialog and its rule tree's images.
#pragma once

#define IDD_MAIN_DIALOG      1228

#define IDG_MAIN_PROFILE     1184   // group box "Profile"
#define IDCB_MAIN_PROFILE    1142
#define IDB_MAIN_EXECUTE     1325   // "Exp": an image button
#define IDB_MAIN_SETTINGS    1047
#define IDB_MAIN_PROFILES    1048
#define IDX_MAIN_ENABLED     1063
#define IDG_MAIN_PROGRAM     1181   // group box "Program"
#define IDB_MAIN_OPTIONS     1025
#define IDG_MAIN_RULES       1185   // group box "Rules"
#define IDTV_MAIN_RULES      1251
#define IDT_MAIN_SEARCH      1217
#define IDE_MAIN_SEARCH      1168
#define IDB_MAIN_FINDNEXT    1038
#define IDB_MAIN_NEW         1044
#define IDB_MAIN_UPDATE      1043
#define IDB_MAIN_ALLWINDOWS  1041
#define IDB_MAIN_PICK        1042   // the window finder
#define IDB_MAIN_LIST        1018
#define IDB_MAIN_REFRESH     1274
#define IDB_MAIN_EDIT        1011   // "Edt": an image button
#define IDB_MAIN_DELETE      1010   // "Del": an image button
#define IDB_MAIN_MORE        1022
#define IDS_MAIN_GRIP        1186   // the size grip
#define IDB_MAIN_HELP        9
#define IDB_MAIN_ABOUT       50
#define IDB_MAIN_QUIT        1033
#define IDB_MAIN_APPLY       60

// Icons of the tree, the image buttons and the finder's crosshair.
#define IDI_RULE_EDIT        22
#define IDI_RULE_DELETE      23
#define IDI_TREE_RULE        27
#define IDI_TREE_GROUP       28
#define IDI_RUN_PROFILE      34
#define IDC_FINDER_CROSSHAIR 19
