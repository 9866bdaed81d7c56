// HotkeyFieldRes.h - ids of the "Select Key Combination" dialog.
#pragma once

#define IDD_SELECTKEY   50104
#define IDB_KEY_HELP    9
#define IDC_KEY_LIST    50148   // placeholder of the key list
#define IDX_KEY_SHIFT   50149
#define IDX_KEY_CTRL    50150
#define IDX_KEY_ALT     50151
#define IDX_KEY_WIN     50152
#define IDB_KEY_CLEAR   50153
