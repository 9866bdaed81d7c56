// TestInstall.cpp - per-test installation record and folders.
#include "tests/support/TestInstall.h"

#include "installer/InstallRegistry.h"
#include "tests/support/TestEnv.h"

#include <windows.h>

#include <string.h>

static const char kProduct[] = "PanelShepherd";

bool BeginTestInstall(const char* name, TestInstall* install)
{
    install->root = FreshTestFolder(name);
    install->installFolder = install->root + "\\install";
    install->dataFolder = install->root + "\\data";
    CreateDirectoryA(install->installFolder.c_str(), nullptr);
    CreateDirectoryA((install->installFolder + "\\Init").c_str(), nullptr);
    InstallRecord record;
    MakeInstallRecord(&record, install->installFolder.c_str(), install->dataFolder.c_str(), false);
    // No test reaches the network: an update check without an address ends at once.
    memset(record.updateAddress, 0, sizeof(record.updateAddress));
    return WriteRawInstallRecord(&record, sizeof(record));
}

bool WriteRawInstallRecord(const void* data, size_t length)
{
    return WriteInstallRecordValue(kProduct, data, length) == ERROR_SUCCESS;
}

bool RemoveTestInstallRecord()
{
    return RemoveInstallRecordValue(kProduct) == ERROR_SUCCESS;
}
