// EditWindowRes.h - ids of Edit Window Properties.
#pragma once

#define IDD_EDIT_WINDOW      1247

#define IDE_EDITWIN_X        1176
#define IDE_EDITWIN_Y        1177
#define IDE_EDITWIN_WIDTH    1173
#define IDE_EDITWIN_HEIGHT   1154
#define IDCB_EDITWIN_STATE   1144
#define IDCB_EDITWIN_ORDER   1145
#define IDT_EDITWIN_DESKTOP  1220   // "Desktop:"
#define IDCB_EDITWIN_DESKTOP 1146
#define IDB_EDITWIN_GET      1015
#define IDB_EDITWIN_SET      1039
#define IDB_EDITWIN_PICK     1255   // the window finder
#define IDB_EDITWIN_CENTER   1001
#define IDB_EDITWIN_HELP     9
