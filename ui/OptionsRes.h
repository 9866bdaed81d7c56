// OptionsRes.h - ids of the Options dialog, its pages and the Minimize to
// Tray entry dialog.
#pragma once

#define IDD_OPTIONS              1231
#define IDD_OPTIONS_GENERAL      1238
#define IDD_OPTIONS_MINIMIZE     1239
#define IDD_OPTIONS_DESKTOPS     1248
#define IDD_OPTIONS_TRANSPARENCY 1255
#define IDD_TRAY_ENTRY           1229

// The frame.
#define IDTAB_OPTIONS            1201
#define IDC_OPTIONS_PAGE         1204   // placeholder of the pages
#define IDB_OPTIONS_HELP         9

// General.
#define IDX_OPT_AUTOSTART        1119
#define IDX_OPT_RUNASADMIN       1285
#define IDX_OPT_TRAYICON         1125
#define IDX_OPT_ENABLED          1063
#define IDC_OPT_COLOUR           1330
#define IDE_OPT_HK_MAIN          1189
#define IDE_OPT_HK_TRIGGER       1191
#define IDE_OPT_HK_ENABLE        1195
#define IDE_OPT_HK_NEW           1200
#define IDE_OPT_HK_UPDATE        1192
#define IDE_OPT_HK_CREATE        1193
#define IDE_OPT_HK_ACTIVE        1194
#define IDX_OPT_SOUND            1126
#define IDE_OPT_SOUNDFILE        1173
#define IDB_OPT_BROWSE           3
#define IDB_OPT_TEST             1046

// Minimize to Tray.
#define IDX_OPT_MINTOTRAY        1082
#define IDL_OPT_TRAYAPPS         1199
#define IDB_OPT_TRAY_ADD         1000
#define IDB_OPT_TRAY_EDIT        1011
#define IDB_OPT_TRAY_DELETE      1010

// Virtual Desktops.
#define IDE_OPT_HK_SWITCHDESK    1256
#define IDX_OPT_INDIVIDUALICONS  1260
#define IDE_OPT_HK_MOVEWINDOW    1257
#define IDX_OPT_SWITCHONMOVE     1259
#define IDE_OPT_HK_PIN           1258
#define IDX_OPT_TOGGLEPIN        1270
#define IDT_OPT_HK_UNPIN         1268
#define IDE_OPT_HK_UNPIN         1263
#define IDE_OPT_VDTIMEOUT        1310
#define IDUD_OPT_VDTIMEOUT       1309
#define IDE_OPT_DESKFOLDER       1261
#define IDB_OPT_DESKFOLDER       1262

// Transparency.
#define IDE_OPT_HK_TRANS         1312
#define IDE_OPT_TRANS            1313
#define IDUD_OPT_TRANS           1314
#define IDE_OPT_HK_CLKTHR        1315
#define IDE_OPT_CLKTHR           1316
#define IDUD_OPT_CLKTHR          1317
#define IDE_OPT_HK_NONTRANS      1318
#define IDE_OPT_HK_TOPMOST       1319

// The Minimize to Tray entry.
#define IDE_TRAY_PROGRAM         1163
#define IDE_TRAY_TITLE           1148
#define IDB_TRAY_PICK            1029   // the window finder
#define IDE_TRAY_ICON            1149
#define IDB_TRAY_BROWSE          3
#define IDB_TRAY_HELP            9
