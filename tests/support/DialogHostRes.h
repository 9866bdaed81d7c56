// DialogHostRes.h - ids of the test dialogs that dialoghost and the UI tests show.
#pragma once

#define IDD_TEST_SETUP    100   // group boxes, caption-line check box, default button
#define IDD_TEST_LAYOUT   101   // a resizable dialog recorded in a DialogLayout
#define IDD_TEST_ITEMS    102   // an empty dialog the UI items are put on
#define IDD_TEST_MENU     103   // the backdrop of a popup menu
#define IDD_TEST_LIST     104   // a list control over its placeholder

#define IDX_TEST_CAPTION  1001  // check box on a group box's caption line
#define IDX_TEST_PLAIN    1002  // check box inside the group box
#define IDC_TEST_GROUP    1003
#define IDC_TEST_GROUP2   1004
#define IDT_TEST_LABEL    1005
#define IDE_TEST_EDIT     1006
#define IDC_TEST_LIST     1007
#define IDB_TEST_ADD      1008
#define IDB_TEST_REMOVE   1009
#define IDC_TEST_LISTPLACE 1010 // placeholder of the list control
