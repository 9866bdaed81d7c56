// AboutBoxRes.h - ids of the About box.
#pragma once

#define IDD_ABOUT           50102
#define IDT_ABOUT_VERSION   50108   // "<product> v<version>", bold
#define IDB_ABOUT_RESTORE   50111
#define IDB_ABOUT_BACKUP    50112
#define IDB_ABOUT_RESET     50113
#define IDC_ABOUT_PRODUCT   50114   // "Product Information" group
#define IDC_ABOUT_ICON      50116   // owner-drawn: the program's icon
#define IDC_ABOUT_CONFIG    50131   // "Program Configuration" group
#define IDT_ABOUT_PROGRAM   50132   // link to the program folder
#define IDT_ABOUT_DATA      50133   // link to the data folder
#define IDB_ABOUT_ARCHIVE   50140
#define IDB_ABOUT_UPDATE    50147
