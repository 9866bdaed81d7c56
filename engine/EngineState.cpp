// EngineState.cpp - the program's process-wide values.
#include "engine/Engine.h"

HWND g_mainWindow;
uint8_t g_noExecute;
uint8_t g_mouseSwapped;
RECT g_workArea;
HWND g_mainDialog;
int32_t g_currentDesktop;
