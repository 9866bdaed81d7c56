// Scheduled.h - the daily jobs: the update check and the backup archive.
#pragma once

struct AppObject;

void RunScheduledUpdateCheck(AppObject* app);
void RunScheduledBackup(AppObject* app);
