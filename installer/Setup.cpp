// Setup.cpp - installs PanelShepherd: the program and its help file, its Init
// folder and the installation record.
//
//   PanelShepherdSetup /source <folder> /target <folder> [/datafolder <folder>] [/appenduser]
//   PanelShepherdSetup /uninstall
#include "framework/core/AppObject.h"
#include "installer/InstallRegistry.h"

#include "framework/core/FolderWalk.h"
#include "framework/core/RecordFile.h"
#include "framework/core/TextUtil.h"

#include <stdio.h>
#include <string.h>
#include <windows.h>

static const char kProduct[] = "PanelShepherd";

struct CopyJob {
    const char* to;
    bool ok;
};

static void CopyEntry(const char* path, const char* relative, const WIN32_FIND_DATAA* entry, void* context)
{
    CopyJob* job = (CopyJob*)context;
    char target[MAX_PATH];
    if (!FormatText(target, sizeof(target), "%s\\%s", job->to, relative)) {
        job->ok = false;
        return;
    }
    if (entry->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        CreateDirectoryA(target, nullptr);
    else if (!CopyFileA(path, target, FALSE))
        job->ok = false;
}

// Copies a folder's tree; a missing source folder has nothing to copy.
static bool CopyFolderTree(const char* from, const char* to)
{
    CreateDirectoryA(to, nullptr);
    CopyJob job = {to, true};
    WalkFolder(from, CopyEntry, &job);
    return job.ok;
}

int main(int argc, char** argv)
{
    const char* source = nullptr;
    const char* target = nullptr;
    const char* dataFolder = nullptr;
    bool appendUser = false;
    for (int i = 1; i < argc; i++) {
        if (!_stricmp(argv[i], "/uninstall")) {
            long rc = RemoveInstallRecordValue(kProduct);
            if (rc) fprintf(stderr, "setup: cannot remove the installation record (%ld)\n", rc);
            return rc ? 1 : 0;
        } else if (!_stricmp(argv[i], "/source") && i + 1 < argc) {
            source = argv[++i];
        } else if (!_stricmp(argv[i], "/target") && i + 1 < argc) {
            target = argv[++i];
        } else if (!_stricmp(argv[i], "/datafolder") && i + 1 < argc) {
            dataFolder = argv[++i];
        } else if (!_stricmp(argv[i], "/appenduser")) {
            appendUser = true;
        } else {
            fprintf(stderr, "setup: unknown argument %s\n", argv[i]);
            return 2;
        }
    }
    if (!source || !target) {
        fprintf(stderr, "usage: PanelShepherdSetup /source <folder> /target <folder> "
                        "[/datafolder <folder>] [/appenduser] | /uninstall\n");
        return 2;
    }
    if (CreateDirectoryTree(target) != 0) {
        fprintf(stderr, "setup: cannot create %s\n", target);
        return 1;
    }
    char from[MAX_PATH], to[MAX_PATH];
    FormatText(from, sizeof(from), "%s\\PanelShepherd.exe", source);
    FormatText(to, sizeof(to), "%s\\PanelShepherd.exe", target);
    if (!CopyFileA(from, to, FALSE)) {
        fprintf(stderr, "setup: cannot copy %s (%lu)\n", from, GetLastError());
        return 1;
    }
    FormatText(from, sizeof(from), "%s\\PanelShepherd.chm", source);
    FormatText(to, sizeof(to), "%s\\PanelShepherd.chm", target);
    if (!CopyFileA(from, to, FALSE)) {
        fprintf(stderr, "setup: cannot copy %s (%lu)\n", from, GetLastError());
        return 1;
    }
    FormatText(from, sizeof(from), "%s\\Init", source);
    FormatText(to, sizeof(to), "%s\\Init", target);
    if (!CopyFolderTree(from, to)) {
        fprintf(stderr, "setup: cannot copy the Init folder\n");
        return 1;
    }
    InstallRecord record;
    MakeInstallRecord(&record, target, dataFolder, appendUser);
    long rc = WriteInstallRecordValue(kProduct, &record, sizeof(record));
    if (rc) {
        fprintf(stderr, "setup: cannot write the installation record (%ld)\n", rc);
        return 1;
    }
    printf("setup: installed in %s\n", target);
    printf("setup: installation record HKLM\\%s\\%s: %u bytes\n", INSTALL_RECORD_KEY, kProduct,
           (unsigned)ReadInstallRecord(kProduct, nullptr, 0));
    return 0;
}
