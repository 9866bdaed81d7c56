// ConfigBackup.h - the whole configuration (every record file of the data
// folder) saved into one archive, restored from one, or reset; restoring and
// resetting leave an archive where the next start imports it.
#pragma once

#include <windows.h>

// Modes of BackupRestoreConfig.
#define CONFIG_RESTORE    0
#define CONFIG_BACKUP     1
#define CONFIG_RESET      2
#define CONFIG_AUTOMATIC  3   // to the given path, no dialogs and no messages

// Results of BackupRestoreConfig.
#define CONFIG_DONE         0
#define CONFIG_CANCELLED    1   // by the user, in the file dialog or the question
#define CONFIG_NOT_ARCHIVE  2   // the archive was not written, or the chosen file is no archive of ours
#define CONFIG_NOT_COPIED   3   // the chosen archive could not be put at the import location
#define CONFIG_WRONG_PRODUCT 4  // the chosen archive has no entry named by the product
#define CONFIG_INCOMPLETE   5   // written, but some data files could not be added

// Backs up, restores, resets or writes an archive to path (automatic mode
// only). Messages, titled with the product name, go to owner.
int BackupRestoreConfig(HWND owner, int mode, const char* path = nullptr);

// "<data folder>\<product>.BrimvaleConfig" (260 characters), where the next
// start imports; false before the data folder is settled.
bool GetConfigImportPath(char* out);
