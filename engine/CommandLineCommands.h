// CommandLineCommands.h - the profile and state commands of a command line
// handed to the running instance.
#pragma once

// Reads "(ZRP)Cmd" and carries out its commands.
void RunCommandLineCommands();
