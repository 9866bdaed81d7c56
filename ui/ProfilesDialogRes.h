// ProfilesDialogRes.h - ids of the Profiles dialog.
#pragma once

#define IDD_PROFILES         1252

#define IDL_PROFILES_LIST    1294   // placeholder of the list control
#define IDB_PROFILES_ADD     1000   // the image buttons
#define IDB_PROFILES_DELETE  1010
#define IDB_PROFILES_EDIT    1011
#define IDB_PROFILES_COPY    1008
#define IDB_PROFILES_IMPORT  1009
#define IDB_PROFILES_EXPORT  1012
#define IDB_PROFILES_HELP    9
