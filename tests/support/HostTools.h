// HostTools.h - running the host's own programs (Info-ZIP, Python) from a test
// under Wine, on files inside the build folder.
//
// Wine starts a Unix program for CreateProcess but hands back no process
// handle, so the program runs in a shell that leaves its exit code in a file,
// and the test waits for that file.
#pragma once

#include <windows.h>

#include <string>

// True under Wine with a host shell to run.
bool HostToolsAvailable();
// The host path of a Windows path, or empty.
std::string HostPath(const std::string& windowsPath);
// Runs a shell script with folder (a Windows path) as its working folder.
// Exit code, or -1 when it could not start or did not end within ms;
// *output receives its standard output and error.
int RunHostScript(const std::string& folder, const std::string& script, std::string* output,
                  DWORD ms = 120000);
