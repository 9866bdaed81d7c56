// CommandLineCommands.cpp - command-line commands: none are carried out yet.
#include "engine/CommandLineCommands.h"

void RunCommandLineCommands() {}
