// AppDataFolder.cpp - the installation record, the data folders, their write
// test and the first-run copy of the "Init" files.
#include "framework/core/AppObject.h"
#include "framework/core/AppStartup.h"
#include "framework/core/FolderWalk.h"
#include "framework/core/RecordFile.h"
#include "framework/core/TextUtil.h"

#include <shlobj.h>
#include <string.h>

uint32_t ReadInstallRecord(const char* name, void* buffer, uint32_t bufferSize)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, INSTALL_RECORD_KEY, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return 0;
    DWORD type = 0, size = 0;
    LONG rc = RegQueryValueExA(key, name, nullptr, &type, nullptr, &size);
    if (rc == ERROR_SUCCESS && type != REG_BINARY) rc = ERROR_INVALID_DATA;
    if (rc == ERROR_SUCCESS && buffer && size > 0 && size <= bufferSize) {
        DWORD got = bufferSize;
        rc = RegQueryValueExA(key, name, nullptr, &type, (BYTE*)buffer, &got);
        size = got;
    }
    RegCloseKey(key);
    return rc == ERROR_SUCCESS ? size : 0;
}

static const int kProbeTries = 20;
static const DWORD kProbeRetryMs = 50;

int TestDataFolderWritable(const char* folder)
{
    char path[MAX_PATH];
    CopyText(path, sizeof(path), folder);
    size_t len = strlen(path);
    if (len && path[len - 1] == '\\') path[len - 1] = '\0';
    if (!FolderExists(path) && CreateDirectoryTree(path) != 0) return 1;
    char probe[MAX_PATH];
    if (!FormatText(probe, sizeof(probe), "%s\\ZRPWriteTest.tmp", path)) return 2;
    // A start at the same moment may be deleting its own probe, which refuses
    // every open until it is gone: try a little longer before giving up.
    HANDLE h = INVALID_HANDLE_VALUE;
    for (int tries = 1;; tries++) {
        h = CreateFileA(probe, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                        CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE) break;
        DWORD error = GetLastError();
        if ((error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION) || tries >= kProbeTries)
            return 2;
        Sleep(kProbeRetryMs);
    }
    CloseHandle(h);
    DeleteFileA(probe);
    return 0;
}

void SettleDataFolders(AppObject* app, char* dataFolder, char* commonFolder)
{
    const InstallRecord* ir = &app->installRecord;
    char fixed[MAX_PATH];
    CopyTextN(fixed, sizeof(fixed), ir->fixedDataFolder, sizeof(ir->fixedDataFolder));
    if (ir->useFixedDataFolder == 0) {
        char base[MAX_PATH];
        GetSpecialFolderPath(CSIDL_APPDATA, base);
        FormatText(dataFolder, MAX_PATH, "%s\\Brimvale\\%s", base, app->productName);
        GetSpecialFolderPath(CSIDL_COMMON_APPDATA, base);
        FormatText(commonFolder, MAX_PATH, "%s\\Brimvale\\%s", base, app->productName);
        return;
    }
    CopyText(dataFolder, MAX_PATH, fixed);
    CopyText(commonFolder, MAX_PATH, fixed);
    if (ir->appendUserName) {
        char user[257] = {};
        DWORD n = sizeof(user);
        if (GetUserNameA(user, &n)) {
            AppendText(dataFolder, MAX_PATH, "\\");
            AppendText(dataFolder, MAX_PATH, user);
        }
    }
}

// Every file of the Init folder goes to the same relative place in the data
// folder, never replacing a file that is already there.
static void CopyInitEntry(const char* path, const char* relative, const WIN32_FIND_DATAA* entry, void* context)
{
    char target[MAX_PATH];
    if (!FormatText(target, sizeof(target), "%s\\%s", (const char*)context, relative)) return;
    if (entry->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        CreateDirectoryA(target, nullptr);
    else
        CopyFileA(path, target, TRUE);
}

void CopyFirstRunFiles(AppObject* app)
{
    char marker[MAX_PATH];
    BuildRecordPath("(ZRP)App", -1, marker, RECORD_FOLDER_DATA);
    if (!marker[0]) return;
    if (GetFileAttributesA(marker) != INVALID_FILE_ATTRIBUTES) return;
    char install[MAX_PATH], init[MAX_PATH];
    CopyTextN(install, sizeof(install), app->installRecord.installFolder,
              sizeof(app->installRecord.installFolder));
    if (!install[0] || !FormatText(init, sizeof(init), "%s\\Init", install)) return;
    WalkFolder(init, CopyInitEntry, app->dataFolder);
}
