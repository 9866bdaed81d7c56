// WindowListRes.h - ids of the Window List.
#pragma once

#define IDD_WINDOW_LIST        1230

#define IDG_WLIST_WINDOWS      1188   // group box "Open Windows"
#define IDL_WLIST_WINDOWS      1248   // placeholder of the list
#define IDX_WLIST_UPDATE       1128
#define IDX_WLIST_CHECKTEMPL   1056
#define IDX_WLIST_BLINK        1055
#define IDB_WLIST_PICK         1030   // the window finder
#define IDB_WLIST_EDIT         1011
#define IDB_WLIST_CREATERULE   1009
#define IDG_WLIST_EVENTS       1180   // group box "Window Events"
#define IDE_WLIST_LOG          1159
#define IDX_WLIST_LOGUPDATE    1127
#define IDX_WLIST_INCLUDEEMPTY 1130
#define IDX_WLIST_LOGTOFILE    1129
#define IDB_WLIST_CLEAR        1002
#define IDB_WLIST_HELP         9

// The log box holds at most this many characters; the oldest lines go first.
#define WINDOW_LIST_LOG_LIMIT  0x100000
