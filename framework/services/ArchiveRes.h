// ArchiveRes.h - ids of the Archive Configuration dialog.
#pragma once

#define IDD_ARCHIVE                 50103
#define IDT_ARCHIVE_DAYS            50139   // "days."
#define IDB_ARCHIVE_NOW             50141
#define IDX_ARCHIVE_AUTO            50142
#define IDE_ARCHIVE_DAYS            50143
#define IDE_ARCHIVE_FOLDER          50144
#define IDB_ARCHIVE_BROWSE          50145
#define IDE_ARCHIVE_KEEP            50146
#define IDE_ARCHIVE_NAME            50147
#define IDB_ARCHIVE_DEFAULT         50148
#define IDT_ARCHIVE_FOLDER_PREVIEW  50149   // the folder template, expanded
#define IDT_ARCHIVE_NAME_PREVIEW    50150   // the name template, expanded
