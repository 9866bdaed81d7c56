// Scheduled.cpp - the daily jobs. The archive settings do not exist in this
// build, so no backup is ever due.
#include "framework/services/Scheduled.h"

#include "framework/services/UpdateCheck.h"

void RunScheduledUpdateCheck(AppObject*)
{
    ScheduledUpdateCheck();
}

void RunScheduledBackup(AppObject*) {}
