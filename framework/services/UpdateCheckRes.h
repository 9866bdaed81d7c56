// UpdateCheckRes.h - ids of the Update Check dialog.
#pragma once

#define IDD_UPDATECHECK       50101
#define IDT_UPDATE_INSTALLED  50135   // the program's version
#define IDT_UPDATE_AVAILABLE  50137   // the version text last fetched
#define IDT_UPDATE_STATUS     50138   // status of a check, or the last check's date
#define IDT_UPDATE_DAYS       50139
#define IDB_UPDATE_CHECKNOW   50141
#define IDX_UPDATE_AUTO       50142
#define IDE_UPDATE_DAYS       50143
#define IDB_UPDATE_DOWNLOAD   50147   // "Update": opens the download page
