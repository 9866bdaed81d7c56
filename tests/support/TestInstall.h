// TestInstall.h - installation record fixture: each test gets its own fixed
// data folder under the build folder, so no test touches the user's profile.
#pragma once

#include <stddef.h>
#include <string>

struct TestInstall {
    std::string root;           // build\testdata\<name>
    std::string installFolder;  // root\install, holds "Init"
    std::string dataFolder;     // root\data (not created: start-up makes it)
};

// Fresh folders and an installation record naming them. False when the
// record cannot be written.
bool BeginTestInstall(const char* name, TestInstall* install);
// Writes exactly these bytes as the record value (for size tests).
bool WriteRawInstallRecord(const void* data, size_t length);
bool RemoveTestInstallRecord();
