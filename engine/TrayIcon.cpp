// TrayIcon.cpp - the program's own notification-area icon: not shown yet.
#include "engine/TrayIcon.h"

void UpdateAppTrayIcon(int) {}
void SetProgramEnabled(int) {}
