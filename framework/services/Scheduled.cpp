// Scheduled.cpp - the daily jobs. Neither the update check nor the archive
// settings exist in this build, so nothing is due.
#include "framework/services/Scheduled.h"

void RunScheduledUpdateCheck(AppObject*) {}
void RunScheduledBackup(AppObject*) {}
