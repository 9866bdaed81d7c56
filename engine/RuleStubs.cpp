// RuleStubs.cpp - capturing until it is built: the user's changes are not
// recorded into rules.
#include "engine/Rules.h"

void CaptureWindowPlacement(MonitoredWindow*, Rule*, uint32_t) {}
