// InstallRegistry.cpp - the installer's side of the installation record.
#include "installer/InstallRegistry.h"

#include "framework/core/TextUtil.h"

#include <string.h>
#include <windows.h>

void MakeInstallRecord(InstallRecord* record, const char* installFolder, const char* dataFolder,
                       bool appendUserName)
{
    memset(record, 0, sizeof(*record));
    memcpy(record->reserved, "BrimvaleSetup\0\1\0", sizeof(record->reserved));
    CopyText(record->installFolder, sizeof(record->installFolder), installFolder);
    if (dataFolder && *dataFolder) {
        record->useFixedDataFolder = 1;
        CopyText(record->fixedDataFolder, sizeof(record->fixedDataFolder), dataFolder);
    }
    record->appendUserName = appendUserName ? 1 : 0;
    CopyText(record->aboutLink, sizeof(record->aboutLink), "https://www.brimvale.example/panelshepherd");
    CopyText(record->downloadPage, sizeof(record->downloadPage),
             "https://www.brimvale.example/panelshepherd/download");
    CopyText(record->updateAddress, sizeof(record->updateAddress),
             "https://www.brimvale.example/panelshepherd/version.txt");
}

long WriteInstallRecordValue(const char* product, const void* data, size_t length)
{
    HKEY key = nullptr;
    LONG rc = RegCreateKeyExA(HKEY_LOCAL_MACHINE, INSTALL_RECORD_KEY, 0, nullptr, 0,
                              KEY_SET_VALUE, nullptr, &key, nullptr);
    if (rc != ERROR_SUCCESS) return rc;
    rc = RegSetValueExA(key, product, 0, REG_BINARY, (const BYTE*)data, (DWORD)length);
    RegCloseKey(key);
    return rc;
}

long RemoveInstallRecordValue(const char* product)
{
    HKEY key = nullptr;
    LONG rc = RegOpenKeyExA(HKEY_LOCAL_MACHINE, INSTALL_RECORD_KEY, 0, KEY_SET_VALUE, &key);
    if (rc == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
    if (rc != ERROR_SUCCESS) return rc;
    rc = RegDeleteValueA(key, product);
    RegCloseKey(key);
    return rc == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : rc;
}
