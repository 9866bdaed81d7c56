// ProfileUpdates.cpp - profile updates: none run yet.
#include "engine/ProfileUpdates.h"

void CheckEventUpdates() {}
void CheckScreenChangeUpdate(MonitorTable*) {}
void CheckDpiChangeUpdate(MonitorTable*) {}
