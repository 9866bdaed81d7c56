// AppStartup.h - the steps of the framework's start-up, for AppInitialize and its tests.
#pragma once

struct AppObject;

// Fills the two folders (260 characters each) from the installation record.
void SettleDataFolders(AppObject* app, char* dataFolder, char* commonFolder);
// First run: copies the installation's "Init" files into the data folder.
void CopyFirstRunFiles(AppObject* app);
// Imports "<product>.BrimvaleConfig" left in the data folder for this start.
void ImportConfigArchive(AppObject* app);
// Registers the framework's commands and icons; 0, 0xF00A or 0xF00B.
int RegisterFrameworkCommands(AppObject* app);
// Shows the start-up error box for a code.
void ShowStartupError(AppObject* app, int code);
