// Triggers.cpp - triggers: none fire yet.
#include "engine/Triggers.h"

void CheckScreenChangeTrigger(int, int) {}
void CheckNetworkChangeTrigger(int, int) {}
void CheckEventTriggers() {}
