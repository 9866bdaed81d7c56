// Scheduled.cpp - the daily jobs: the update check and the backup archive.
#include "framework/services/Scheduled.h"

#include "framework/services/Archive.h"
#include "framework/services/UpdateCheck.h"

void RunScheduledUpdateCheck(AppObject*)
{
    ScheduledUpdateCheck();
}

void RunScheduledBackup(AppObject*)
{
    ScheduledBackup();
}
